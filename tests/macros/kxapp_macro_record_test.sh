#!/usr/bin/env bash
# Recording while macros run, through kxapp: a macro's record command does
# nothing, and the macro editor follows a new recording without letting
# older edits replace it unasked.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
# Each run starts from no preferences.
app() {
  rm -rf "$work/prefs"
  "$bin/kxapp" --prefs "$work/prefs" "$@"
}

printf 'doc\n' > doc.txt
# command 1146 (start or stop recording), then the text "x"
printf '\x01\x04\x7a\x02\x00\x01x' > startrec

# The macro becomes the last recorded one and runs: its record command
# does nothing, so the last recorded macro stays and runs again, and no
# recording is left on. Run from the list while recording, it neither
# stops the recording nor gets into it.
out=$(app - <<S
open doc.txt
menu 1148
answer $work/startrec
click 3311
field 3301
click 3310
menu 4
menu 1147
print text
print macros
status 1147
menu 1147
print text
menu 1146
type a
menu 1150
type b
menu 1146
print macros
print text
quit
answer dont-save
S
) || fail "run that records: exit $?"
expected=$(printf 'xdoc\n\n0 01047a02000178\n1 startrec 01047a02000178\n1 0 \nxxdoc\n\n0 0200026162\n1 startrec 01047a02000178\nxxaxbdoc\n')
[ "$out" = "$expected" ] || fail "run that records: $out"

# The editor showing the last recorded macro shows the new one when it
# comes back after another recording. Unstored edits of an older recording
# stay; storing them with no name beeps and keeps the new recording,
# storing them under a name adds a macro and still keeps it.
out=$(app - <<S
open doc.txt
menu 1146
type aa
menu 1146
menu 1148
print cells 3304
open doc.txt
menu 1146
type bb
menu 1146
menu 1148
print cells 3304
choose 3304 1
field 3326 edited
open doc.txt
menu 1146
type cc
menu 1146
menu 1148
click 3310
print beeps
print macros
field 3301 kept
click 3310
print macros
print cells 3304
quit
answer dont-save
S
)
expected=$(printf '1 - - 1   テキスト \taa\n1 - - 1   テキスト \tbb\nbeeps 1\n0 0200026363\n0 0200026363\n1 kept 020006656469746564\n1 - - 1   テキスト \tedited')
[ "$out" = "$expected" ] || fail "editor after new recordings: $out"
# While a recording goes on the last recorded macro is the recorder's:
# storing edits over it beeps, and the recording comes out whole (it
# went on writing into the stored code: a text statement of 7 bytes
# holding "er").
out=$(app - <<S
open doc.txt
menu 1146
type aa
menu 1146
menu 1148
open doc.txt
menu 1146
type q
menu 1148
choose 3304 1
field 3326 edited
click 3310
print beeps
open doc.txt
type r
menu 1146
print macros
quit
answer dont-save
S
)
expected=$(printf 'beeps 1\n0 0200027172')
[ "$out" = "$expected" ] || fail "store while recording: $out"
echo ok
