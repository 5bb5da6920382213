#!/usr/bin/env bash
# kxrtf on a word processor's RTF file: the tables and token counts it
# prints, and its exit status for a file whose braces do not balance.
set -euo pipefail
kxrtf="$KX_BIN_DIR/kxrtf"
data="$KX_SOURCE_DIR/tests/data/formats"
out=$("$kxrtf" "$data/rtf-japanese.rtf")
fail() { echo "FAIL: $1"; echo "$out"; exit 1; }
grep -qx 'fonts 7' <<<"$out" || fail "font count"
grep -qx '  f4 family=1 charset=128 pitch=1 type=0 cpg=0 name="\\x82l\\x82r \\x96\\xBE\\x92\\xA9"' <<<"$out" || fail "Japanese font"
grep -qx 'colours 17' <<<"$out" || fail "colour count"
grep -qx '  0 red=-1 green=-1 blue=-1' <<<"$out" || fail "colour 0"
grep -qx '  s15 additive=0 basedon=0 next=16 elements=11 name="Heading"' <<<"$out" || fail "style"
grep -qE '^tokens unknown=[0-9]+ group=[0-9]+ text=[0-9]+ control=[0-9]+ end=1$' <<<"$out" || fail "token counts"
grep -qx 'error none' <<<"$out" || fail "error line"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
printf '{\\rtf1{\\colortbl;\\red1;}x}}' >"$tmp/bad.rtf"
set +e
out=$("$kxrtf" "$tmp/bad.rtf")
status=$?
set -e
[ "$status" = 0 ] || fail "exit status $status for a stray closing brace"
grep -qx 'error none' <<<"$out" || fail "stray brace reported as an error"
grep -qx 'stray-closes 1' <<<"$out" || fail "stray brace not counted"
"$kxrtf" "$tmp/missing.rtf" >/dev/null 2>&1 && fail "missing file accepted"
echo ok
