#!/usr/bin/env bash
# kxapp on the real program: its own documents (Shift_JIS on disk), steps
# inside the loops of modal dialogs and questions, panes by ID in the
# frontmost window that holds them, and the printing of windows, items,
# cells, runs and the clipboard.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }

printf '\x82\xa0\x82\xa2\r\n' > sjis.txt   # "あい" CR LF in Shift_JIS
printf 'hello\n' > a.txt

# 1. A real document: typing at a selected place, Save writes Shift_JIS
#    with the file's own line ends; Copy puts the text on the clipboard.
out=$(app - <<'S'
open sjis.txt
select 4 4
type う
print selection
menu 5
print windows
select 0 2
key c cmd
print clipboard
S
)
[ "$out" = "$(printf '6 6\nsjis.txt\nあ')" ] || fail "document: $out"
[ "$(od -An -tx1 sjis.txt | tr -d ' \n')" = "82a082a282a40d0a" ] || fail "saved bytes: $(od -An -tx1 sjis.txt)"

# 2. The save question stays open while the next steps run inside its
#    loop, and the answer given there closes the document (saving it).
out=$(app - <<'S'
open sjis.txt
type x
menu 4
print windows
answer save
print windows
S
)
[ "$out" = "sjis.txt (modified)" ] || fail "answer inside the loop: $out"
[ "$(od -An -tx1 sjis.txt | tr -d ' \n')" = "7882a082a282a40d0a" ] || fail "saved inside the loop: $(od -An -tx1 sjis.txt)"

# 3. A script that ends inside the question cancels it: nothing is saved
#    and nothing closes unasked; one ending inside a dialog cancels it.
cp sjis.txt before.txt
app - <<'S' >out.txt
open sjis.txt
type y
menu 4
S
cmp -s sjis.txt before.txt || fail "a question the script left open saved the file"
out=$(printf 'layout 3350\nfield 3354 abc\n' | app -)
[ "$out" = "layout 3350 901" ] || fail "dialog left open: $out"

# An alert runs its own loop too: while it is up, keys go to it and clicks
# beep; Return acknowledges it and the document has its keys again.
mkdir adir
out=$(app - <<'S'
open a.txt
open adir
type zz
click 1001 2 5
print alerts
key return
type q
print text
print beeps
S
)
[ "$out" = "$(printf 'stop: \u30d5\u30a1\u30a4\u30eb\u3092\u8aad\u307f\u8fbc\u3081\u307e\u305b\u3093\u3067\u3057\u305f\u3002 (Is a directory)\nqhello\n\nbeeps 1')" ] ||
  fail "alert loop: $out"

# 4. Every control kind, as print window shows it, before and after the
#    user's choices; the controls that broadcast do so once a choice (the
#    framework's list box broadcasts only double clicks).
out=$(app - <<'S'
layout 3990
print window 3995
field 3993 日本 語
choose 3999 3
choose 4000 2 4
choose 3998 2
choose 3995 1
print window 3995
print items 3999
print cells 4000
click 900
S
)
expected=$(cat <<'E'
window Controls
3991 caption 1 1 0 Name
3992 other 1 1 0
3993 field 1 1 0 abc
3994 field 1 1 0
3995 check 1 1 0 Check
3996 radio 1 1 1 One
3997 radio 1 1 0 Two
3998 other 1 0 0
3999 popup 1 1 2 Beta
4000 list 1 1 0
4001 other 1 1 0
4002 other 1 1 0
900 button 1 1 0 OK
901 button 1 1 0 Cancel
message 3999
message 3995
window Controls
3991 caption 1 1 0 Name
3992 other 1 1 0
3993 field 1 1 0 日本 語
3994 field 1 1 0
3995 check 1 1 1 Check
3996 radio 1 1 0 One
3997 radio 1 1 1 Two
3998 other 1 0 0
3999 popup 1 1 3 Gamma
4000 list 1 1 2,4
4001 other 1 1 0
4002 other 1 1 0
900 button 1 1 0 OK
901 button 1 1 0 Cancel
1 Alpha
2 Beta
3 Gamma
1 - - Red
2 * - Green
3 - - Blue
4 * - Cyan
5 - - Magenta
layout 3990 900
E
)
[ "$out" = "$expected" ] || fail "print window: $(diff <(echo "$expected") <(echo "$out"))"

# 5. The program's own controls: a field's value in hundredths, group and
#    tab boxes, a double click on a list row, clicks by pane.
out=$(app - <<'S' | grep -v ' other 1 1 0$'
layout 3960
field 3962 7.5
choose 3967 3
open 3967
click 3969
click 3966
print window 3962
click 901
S
)
expected=$(cat <<'E'
message -3962
message -3962
message -3962
message 3967
message 3967
message 203
message 3966
window Program controls
3962 field 1 1 750 7.5
3963 field 1 1 0
3964 field 1 1 0 Read only
3965 other 1 1 0 Options
3966 check 1 1 1 Wrap
3967 list 1 1 3
3968 other 1 1 1
3969 other 1 1 1
900 button 1 1 0 OK
901 button 1 1 0 Cancel
layout 3960 901
E
)
[ "$out" = "$expected" ] || fail "program controls: $(diff <(echo "$expected") <(echo "$out"))"

# 6. Panes of a document window: a click and a shift-click, a drag; a
#    click outside the modal dialog beeps and reaches nothing; another
#    program's Unicode text pastes.
out=$(app - <<'S'
open a.txt
click 1001 2 5
click 1001 24 5 shift
print selection
drag 1001 26 5 1 5
print selection
clipboard 日本
key v cmd
print text
print clipboard
status 14
layout 3350
click 1001 600 440
print beeps
S
)
[ "$out" = "$(printf '0 4\n0 4\n日本o\n\n日本\n1 0 \nbeeps 1\nlayout 3350 901')" ] || fail "document panes: $out"

# 7. Errors: a pane no window holds, a list row past the end, a file to
#    type that does not exist, a colour out of range.
for step in 'click 12345' 'choose 4000 9' 'field-file 3993 nowhere.txt' 'answer colour 1 2 65536'; do
  set +e
  printf 'layout 3990\n%s\nprint beeps\n' "$step" | app - >out.txt 2>err.txt
  st=$?
  set -e
  [ $st -eq 1 ] || fail "$step: exit $st"
  grep -q '^kxapp: line 2: ' err.txt || fail "$step: $(cat err.txt)"
  grep -q '^beeps' out.txt && fail "$step: the script went on"
  grep -qx 'layout 3990 901' out.txt || fail "$step: the dialog was not cancelled"
done
grep -qx 'kxapp: line 2: no pane 12345' <(printf 'layout 3990\nclick 12345\n' | app - 2>&1 >/dev/null) ||
  fail "no pane message"
out=$(printf 'print window 777\n' | app -)
[ "$out" = "none" ] || fail "print window of no pane: $out"

# 8. field-file types a file's contents: a line end is the Return key (in
#    a one-line field it presses the default button, as on the screen);
#    shot writes the dialog's pixels.
printf 'one\r\ntwo' > lines.txt
printf 'abc' > word.txt
out=$(printf 'layout 3350\nfield-file 3354 word.txt\nprint window 3354\nshot 3354 dialog.png\nfield-file 3354 lines.txt\n' |
  app - | grep -v '^3353\|^90')
[ "$out" = "$(printf 'window 入力\n3352 other 1 1 0\n3354 field 1 1 0 abc\nlayout 3350 900')" ] || fail "field-file: $out"
[ "$(head -c 4 dialog.png | od -An -c | tr -d ' ')" = "211PNG" ] || fail "shot wrote no PNG"
echo ok
