#!/usr/bin/env bash
# The custom page forms in the real program through kxapp: a form applied
# from the dialog lays the pages out as the same form from the menu; forms
# added and deleted in the modal list reach the menu, the preferences and
# the next start; a full table refuses one more with a note and keeps the
# list open; the form stays with a saved document and comes back on revert;
# values kept in range as they are typed, and their undo.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --clock 2026-03-03T09:00 --prefs "$work/$1" -; }
printf 'one\ntwo\nthree\n' > a.txt

# ---- The dialog's form and the menu's form give the same pages.
menu=$(app p0 <<'S'
open a.txt
menu 1933
print page
status 1933
S
)
dialog=$(app p0 <<'S'
open a.txt
menu 1932
choose 3806 3
click 3801
print page
status 1933
S
)
[ "$menu" = "$dialog" ] || fail "the dialog's form and the menu's differ: $menu / $dialog"
# A read-only document keeps its pages: the menu's forms are off, the
# dialog's OK lays nothing out.
locked=$(app p0 <<'S'
open a.txt
menu 1124
print page
status 1933
menu 1932
choose 3806 3
click 3801
print page
print windows
S
)
[ "$(sed -n 1p <<<"$locked")" = "$(sed -n 3p <<<"$locked")" ] || fail "a form laid out a read-only text: $locked"
grep -qx '0 0 *'<<<"$locked" || fail "forms enabled while read-only: $locked"
grep -qx 'a.txt'<<<"$locked" || fail "a read-only text changed: $locked"
grep -q '^paper 842 595 '<<<"$menu" || fail "the form's paper: $menu"
grep -qx '1 18 '<<<"$menu" || fail "the form's item is not checked: $menu"

# ---- Adding, cancelling, an empty name, deleting; the menu and the next start.
out=$(app p1 <<'S'
open a.txt
menu 1932
choose 3806 5
click 3803
print window 3853
field 3855 Mine
click 3851
click 3803
field 3855 Not this
click 3852
click 3803
click 3851
print items 3806
click 3801
print menus
quit
S
)
grep -qx '3853 button 0 1 0 削除'<<<"$out" || fail "Delete starts disabled: $out"
grep -qx '9 Mine'<<<"$out" || fail "the popup lacks the new form: $out"
grep -q 'Not this'<<<"$out" && fail "a cancelled name was added: $out"
grep -q '^10 '<<<"$out" && fail "an empty name added a form: $out"
grep -q '^    1939 Mine'<<<"$out" || fail "the menu lacks the new form: $out"
[ -s p1/preferences ] || fail "no preferences written"
out=$(app p1 <<'S'
print menus
open a.txt
menu 1932
click 3803
choose 3854 1 7
print window 3851
click 3853
print items 3806
click 3802
print menus
quit
S
)
grep -q '^    1939 Mine'<<<"$out" || fail "the new form did not survive a restart: $out"
grep -qx '3851 button 0 1 0 追加'<<<"$out" || fail "rows selected: Add stays enabled: $out"
grep -qx '7 A4横 縦書き枠'<<<"$out" || fail "after deleting two rows: $out"
after=$(sed -n '/^7 A4横 縦書き枠$/,$p' <<<"$out")
grep -q '^    1938 '<<<"$after" && fail "the menu kept a deleted form: $after"
grep -q '^    1937 A4横 縦書き枠'<<<"$after" || fail "the menu after deleting: $after"

# ---- A full table: the 68th is refused with a note and the list stays open.
"$bin/kxprefs" --write default >/dev/null
python3 - default p2 <<'PY'
import os, struct, sys
data = open(sys.argv[1], 'rb').read()
record = bytearray(96)
# formID, A4 upright, 34-point margins, one column; then the name.
struct.pack_into('>hhhhhhhhhh', record, 0, 0, 0, 842, 595, 34, 34, 34, 34, 0, 1)
blob = b''
for k in range(67):
    r = bytearray(record)
    struct.pack_into('>h', r, 0, 2000 + k)
    name = ('full %d' % (k + 1)).encode()
    r[64] = len(name)
    r[65:65 + len(name)] = name
    blob += bytes(r)
os.makedirs(sys.argv[2], exist_ok=True)
open(os.path.join(sys.argv[2], 'preferences'), 'wb').write(data + b'CFRT' + struct.pack('>I', len(blob)) + blob)
PY
out=$(app p2 <<'S'
open a.txt
menu 1932
click 3803
field 3855 One too many
click 3851
print alerts
print window 3855
click 3852
print menus
S
)
grep -q 'フォームは67個までです'<<<"$out" || fail "no note for the 68th form: $out"
grep -qx '3855 field 1 1 0 One too many'<<<"$out" || fail "the list closed after the refusal: $out"
grep -q '^    1999 full 67'<<<"$out" || fail "the menu's last form: $out"
grep -q '^    [0-9]* One too many'<<<"$out" && fail "the 68th form was added: $out"

# ---- A saved document keeps its form.
"$bin/kxdoc" copy a.txt a.kxt --layout container >/dev/null
before=$(app p3 <<'S'
open a.kxt
menu 1934
print page
menu 5
quit
S
)
after=$(app p3 <<'S'
open a.kxt
print page
status 1934
S
)
[ "$(sed -n 1p <<<"$after")" = "$before" ] || fail "the form after reopening: $before / $after"
grep -qx '1 18 '<<<"$after" || fail "the reopened document's form is not checked: $after"
# Reverting a form change to a file without one gives its own page back.
"$bin/kxdoc" copy a.txt b.kxt --layout container >/dev/null
out=$(app p3 <<'S'
open b.kxt
print page
menu 1933
menu 7
answer ok
print page
status 1931
S
)
[ "$(sed -n 1p <<<"$out")" = "$(sed -n 2p <<<"$out")" ] || fail "the page after reverting: $out"
grep -qx '1 18 '<<<"$out" || fail "no form after reverting: $out"

# ---- Typing values that the rules rewrite under the keys: each field keeps
# its value in range, undo takes the whole typing back and redo gives the
# kept value again, and the dialog goes on taking keys.
out=$(app p4 <<'S'
open a.txt
menu 1932
field 3813 500
print window 3813
menu 11
print window 3813
menu 11
print window 3813
field 3812 99999
field 3814 99999
field 3815 500
field 3819 -35
field 3820 99999
field 3821 500
field 3822 99999
print window 3813
click 3802
print windows
S
)
margins=$(grep -E '^381[2-5] field' <<<"$out" | awk '{print $1 "=" $6}' | tr '\n' ' ')
[ "$margins" = "3812=12 3813=255 3814=12 3815=12 3812=12 3813=12 3814=12 3815=12 3812=12 3813=255 3814=12 3815=12 3812=12 3813=255 3814=168 3815=12 " ] ||
  fail "the margins as typed, undone and redone: $margins"
grep -q '^3819 field 1 1 500 05$' <<<"$out" || fail "the column gap typed as -35: $out"
[ "$(grep -c '^3822 field 1 1 0 0$' <<<"$out")" = 4 ] || fail "an indent beyond the column: $out"
[ "$(tail -n 1 <<<"$out")" = "a.txt" ] || fail "the dialog did not close: $out"

echo ok
