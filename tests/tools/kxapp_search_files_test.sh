#!/usr/bin/env bash
# The multi-file search and the browser on awkward files, through kxapp:
# a byte-order mark moves no offset (opening a result selects the match),
# a result whose file has gone since gives the browser's alert, invisible
# files are searched, a zero byte in a line shows as a blank; the info
# dialog's rename keeps a character its field shows as a geta mark.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" LANG=C
mkdir -p "$HOME" "$work/d"
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }
d="$work/d"

# 1. Opening a result selects the match in the opened text, with a mark in
#    UTF-8 and in UTF-16 of either byte order; the row and the preview show
#    no mark.
printf '\xef\xbb\xbfneedle\n' > "$d/k8.txt"
printf '\xff\xfe1\x002\x00\n\x00n\x00e\x00e\x00d\x00l\x00e\x00' > "$d/le.txt"
printf '\xfe\xff\x00a\x00\n\x00n\x00e\x00e\x00d\x00l\x00e' > "$d/be.txt"
for f in k8:0 le:3 be:2; do
  name=${f%%:*} at=${f##*:}
  out=$(app - <<S
menu 1210
folder 3204 $d
field 3205 needle
click 3201
choose 3212 $(case $name in be) echo 1;; k8) echo 2;; le) echo 3;; esac)
click 3202
print windows
print selection
S
)
  [ "$(tail -1 <<<"$out")" = "$at $((at + 6))" ] || fail "$name: selection: $out"
  grep -qx "$name.txt" <<<"$out" || fail "$name: not opened: $out"
done
out=$(printf 'menu 1210\nfolder 3204 %s\nfield 3205 needle\nclick 3201\nprint cells 3212\n' "$d" | app -)
grep -qx "2 - 5 k8.txt  	needle" <<<"$out" || fail "row shows the mark: $out"
out=$(printf 'menu 1004\nfolder 3104 %s\nchoose 3107 1\nchoose 3106 2\nprint preview 3109\n' "$d" | app -)
[ "$out" = "$(printf 'TEXT 7\nneedle\n')" ] || fail "preview shows the mark: $out"

# 2. A result whose file was renamed since the search (here by the
#    browser's info dialog): the stop alert the browser gives, and no
#    document made of the old name.
mkdir -p "$work/v"
printf 'needle\n' > "$work/v/a.txt"
out=$(app - <<S
menu 1210
folder 3204 $work/v
field 3205 needle
click 3201
menu 1004
folder 3104 $work/v
choose 3106 1
click 3102
field 3154 b.txt
click 900
menu 1210
choose 3212 1
click 3202
print alerts
print windows
S
)
[ -e "$work/v/b.txt" ] && [ ! -e "$work/v/a.txt" ] || fail "setup: $(ls "$work/v")"
grep -q "^stop: " <<<"$out" || fail "no alert for a gone file: $out"
grep -qx "a.txt" <<<"$out" && fail "a document of the gone file: $out"

# 3. Invisible files are searched, invisible folders and sidecars' names
#    are not; a zero byte in a line shows as a blank and is copied as one.
mkdir -p "$work/h/.git"
printf 'needle 1\n' > "$work/h/.hidden.txt"
printf 'needle 2\n' > "$work/h/.git/x.txt"
printf 'needle 3\n' > "$work/h/._orphan.txt"
printf 'a\0needle 4\n' > "$work/h/z.txt"
out=$(app - <<S
menu 1210
folder 3204 $work/h
field 3205 needle
click 3201
print cells 3212
choose 3212 2
menu 13
print clipboard
S
)
[ "$(sed -n 1,2p <<<"$out")" = "$(printf '1 * 5 .hidden.txt  \tneedle 1\n2 - 5 z.txt  \ta needle 4')" ] \
  || fail "invisible files, zero bytes: $out"
grep -q "z.txt  	a needle 4" <<<"$out" || fail "copied row: $out"

# 4. Renaming café.txt (shown caf〓.txt) to caf〓2.txt keeps the é; a mark
#    moved elsewhere renames nothing and beeps.
mkdir -p "$work/n"
printf 'x' > "$work/n/café.txt"
out=$(app - <<S
menu 1004
folder 3104 $work/n
choose 3106 1
click 3102
print window 3154
field 3154 caf〓2.txt
click 900
print beeps
S
)
grep -q "caf〓.txt" <<<"$out" || fail "shown name: $out"
grep -qx "beeps 0" <<<"$out" || fail "rename beeped: $out"
[ -e "$work/n/café2.txt" ] || fail "rename lost the é: $(ls "$work/n")"
out=$(app - <<S
menu 1004
folder 3104 $work/n
choose 3106 1
click 3102
field 3154 〓caf2.txt
click 900
print beeps
S
)
grep -qx "beeps 1" <<<"$out" || fail "an unclear mark did not beep: $out"
[ "$(ls "$work/n")" = "café2.txt" ] || fail "an unclear mark renamed: $(ls "$work/n")"
echo ok
