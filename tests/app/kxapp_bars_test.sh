#!/usr/bin/env bash
# The real document window's bars: the ruler above the text, the line
# numbers beside it and the status bar under it, as the factory
# preferences show them; commands 1401-1403 hide and show each with a
# check mark, and the text takes the room they leave.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }
printf 'hello\n' > a.txt

# The frames of the text view (1001), the ruler (1002), the margin (1003)
# and the status bar (1004): ID SHOWN L T R B.
frames() { grep -E '^100[1234] ' | awk '{ print $1, $3, $4, $5, $6, $7 }'; }

out=$(app - <<'S' | frames
open a.txt
print frames 1001
S
)
# The ruler's depth: 16, and the format bar's (15 or 17) when the
# preferences show it.
ruler=$(echo "$out" | awk '$1 == 1002 { print $2, $4 }')
[ "$ruler" = "1 0" ] || fail "the ruler at the top: $out"
depth=$(echo "$out" | awk '$1 == 1002 { print $6 - $4 }')
case "$depth" in 16|31|33) ;; *) fail "the ruler $depth deep: $out" ;; esac
text=$(echo "$out" | awk '$1 == 1001 { print $4 }')
[ "$text" = "$depth" ] || fail "the text below the ruler: $out"

# Each command hides its pane and the text moves into its room; a second
# time shows it and gives the room back.
out=$(app - <<'S'
open a.txt
status 1401
menu 1401
status 1401
print frames 1001
menu 1401
print frames 1001
S
)
marks=$(echo "$out" | grep -E '^[01] ' | cut -d' ' -f1,2 | tr '\n' ' ')
[ "$marks" = "1 18 1 0 " ] || fail "1401's check mark: $marks"
hidden=$(sed -n '3,8p' <<<"$out" | awk '$1 == 1001 { print $5 } $1 == 1002 { print $3 }' | tr '\n' ' ')
[ "$hidden" = "0 0 " ] || fail "the ruler hidden, the text at the top: $out"
shown=$(echo "$out" | tail -n 6 | awk '$1 == 1001 { print $5 } $1 == 1002 { print $3 }' | tr '\n' ' ')
[ "$shown" = "$depth 1 " ] || fail "the ruler shown again: $out"

out=$(app - <<'S' | frames
open a.txt
menu 1402
print frames 1001
menu 1403
print frames 1001
menu 1402
menu 1403
print frames 1001
S
)
one=$(echo "$out" | sed -n '1,4p' | tr '\n' ';')
two=$(echo "$out" | sed -n '5,8p' | tr '\n' ';')
three=$(echo "$out" | sed -n '9,12p' | tr '\n' ';')
# Margin shown: the text starts 40 px in; hidden: at the left edge.
case "$one" in
  *"1001 1 40 $depth "*"1003 1 "*) ;;
  *"1001 1 0 $depth "*"1003 0 "*) ;;
  *) fail "1402 did not move the text with the margin: $one" ;;
esac
[ "$(echo "$two" | grep -o '1004 [01]')" != "$(echo "$three" | grep -o '1004 [01]')" ] ||
  fail "1403 did not hide or show the status bar: $two | $three"
[ "$one" != "$three" ] || fail "the bars did not come back: $three"
echo PASS
