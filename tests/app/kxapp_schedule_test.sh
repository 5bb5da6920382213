#!/usr/bin/env bash
# The colour schedule on the real program through kxapp, on the virtual
# clock: an entry's colours come and go, its reminder blinks only while the
# program is in the background, a one-time entry is written back done, an
# empty schedule removes its file and an unreadable one survives a quit.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
mkdir prefs
# The older bare form of the schedule: every day 10:00-10:05 variation 3 on
# a coloured paper with a reminder, and 11:00-11:10 once, variation 5.
python3 - <<'P'
import struct
def entry(timed, start, end, rep, var, paper, title, msg):
    fixed = bytes([0, timed]) + struct.pack('>hhh', 0, start, end) + bytes([rep, var]) + struct.pack('>3H', *paper) + bytes(8)
    return fixed + bytes([len(title)]) + title + bytes([len(msg)]) + msg
open('prefs/color schedule', 'wb').write(
    entry(1, 1000, 1005, 0, 3, (0x1111, 0x2222, 0x3333), b'morning', b'hello') +
    entry(1, 1100, 1110, 1, 5, (0, 0, 0), b'once', b''))
P
app() { "$bin/kxapp" --prefs "$work/prefs" --clock 2026-12-07T09:59:30 "$@"; }

out=$(app - <<'S'
menu 2
print colours
wait 60
print colours
print window 900
wait 10
print colours
print beeps
background on
wait 10
print beeps
background off
click 900
print colours
wait 300
print colours
wait 3600
print colours
wait 600
print colours
quit
S
)
expected=$(printf '%s\n' 'variation 0 paper 65535 65535 65535' 'variation 3 paper 4369 8738 13107' \
  'window 10:00-10:05 morning' '3583 caption 1 1 0 hello' '900 button 1 1 0 OK' \
  'variation 3 paper 4369 8738 13107' 'beeps 1' 'beeps 5' 'variation 3 paper 4369 8738 13107' \
  'variation 0 paper 65535 65535 65535' 'variation 5 paper 65535 65535 65535' 'variation 0 paper 65535 65535 65535')
[ "$out" = "$expected" ] || fail "the day: $out"
[ ! -e "prefs/color schedule" ] || fail "the older file stayed"
dump=$("$bin/kxprefs" --schedule "prefs/color schedule.kxt" --dump | grep '^UCST')
grep -q '^UCST\[2\] = .* repeat 2 ' <<< "$dump" || fail "the one-time entry was not written done: $dump"

# The one-time entry does not come back the next day.
out=$("$bin/kxapp" --prefs "$work/prefs" --clock 2026-12-08T09:59:00 - <<'S'
menu 2
wait 3600
print window 900
click 900
wait 3660
print colours
S
)
[ "$out" = "$(printf '%s\n' 'window 10:00-10:05 morning' '3583 caption 1 1 0 hello' '900 button 1 1 0 OK' \
  'variation 0 paper 65535 65535 65535')" ] || fail "the next day: $out"

# A reminder already dismissed stays dismissed when the list is made again
# the same day: an edit in the preferences, the clock set forward.
mkdir prefs2
python3 - <<'P'
import struct
def entry(start, end, var, title, msg):
    fixed = bytes([0, 1]) + struct.pack('>hhh', 0, start, end) + bytes([0, var]) + bytes(6) + bytes(8)
    return fixed + bytes([len(title)]) + title + bytes([len(msg)]) + msg
open('prefs2/color schedule', 'wb').write(entry(1000, 1005, 3, b'morning', b'hello') + entry(1500, 1505, 5, b'later', b''))
P
out=$("$bin/kxapp" --prefs "$work/prefs2" --clock 2026-12-07T09:59:30 - <<'S'
menu 2
wait 60
click 900
wait 400
menu 1108
click 2094
choose 2078 2
click 2081
click 2001
wait 10
print window 3583
clock 2026-12-07T11:00:00
wait 10
print window 3583
print colours
S
)
[ "$out" = "$(printf '%s\n' none none 'variation 0 paper 65535 65535 65535')" ] || fail "a dismissed reminder came back: $out"

# A schedule file that cannot be read survives a quit that writes the
# preferences; an empty one is removed.
printf 'not a container' > "prefs/color schedule.kxt"
quit_changed() {
  app - <<'S' > /dev/null
menu 2
menu 1121
click 3021
quit
S
}
quit_changed
[ "$(cat "prefs/color schedule.kxt")" = "not a container" ] || fail "an unreadable schedule was replaced"
"$bin/kxprefs" --write-schedule "prefs/color schedule.kxt" > /dev/null 2>&1 || true
rm -f "prefs/color schedule.kxt"
python3 -c "open('prefs/color schedule','wb').write(b'')"
quit_changed
[ ! -e "prefs/color schedule.kxt" ] && [ ! -e "prefs/color schedule" ] || fail "an empty schedule left a file"
echo ok
