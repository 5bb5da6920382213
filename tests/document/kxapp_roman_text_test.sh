#!/usr/bin/env bash
# Text in a Roman font among the Japanese encodings. A plain Shift_JIS,
# ISO-2022-JP or EUC-JP save writes its characters in the file's encoding
# (Mac Roman bytes mean other characters there); what the encoding lacks is
# counted in the note, and an auto-save that lost any leaves the document
# changed. Characters typed into Roman text, or picked from a character
# table of another script than the caret's, are the characters shown.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" -; }
hex() { xxd -p "$1" | tr -d '\n'; }
note() { echo "note: $1文字はこの文字コードでは書けないため、保存したファイルでは失われています。残すには Unicode で保存してください。"; }
text_of() { printf 'open %s\nprint text\n' "$work/$1" | app; }

# é ± × • in Nimbus Roman: × and • are no Mac Roman, the text keeps them
# beside placeholders.
printf '{\\rtf1\\ansi{\\fonttbl\\f0\\froman Nimbus Roman;}\\f0 a\\u233\\'"'"'e9 b\\u177\\'"'"'b1 c\\u215\\'"'"'d7 d\\u8226\\'"'"'95 e}' > r.rtf
save() {   # encoding command, file [, RTF file]; prints the alerts
  app <<S
open $work/${3:-r.rtf}
menu $1
menu 6
answer $work/$2
print alerts
S
}

# Shift_JIS has ± and ×, not é or •: their placeholders, and a note of two.
out=$(save 1451 s.txt)
[ "$out" = "$(note 2)" ] || fail "Shift_JIS note: $out"
[ "$(hex s.txt)" = "61a02062817d2063817e206481fc2065" ] || fail "Shift_JIS bytes: $(hex s.txt)"
back=$(text_of s.txt)
[[ $back == *"b± c×"* ]] || fail "Shift_JIS read back: $back"

# EUC-JP writes é in its JIS X 0212 code: one character lost.
out=$(save 1453 e.txt)
[ "$out" = "$(note 1)" ] || fail "EUC-JP note: $out"
[ "$(hex e.txt)" = "618fabb12062a1de2063a1df2064a2fe2065" ] || fail "EUC-JP bytes: $(hex e.txt)"
back=$(text_of e.txt)
[[ $back == "aé b± c×"* ]] || fail "EUC-JP read back: $back"

# ISO-2022-JP: ± and × in JIS X 0208.
out=$(save 1452 j.txt)
[ "$out" = "$(note 2)" ] || fail "ISO-2022-JP note: $out"
[[ $(hex j.txt) == *"1b2442215e1b2842"*"1b2442215f1b2842"* ]] || fail "ISO-2022-JP bytes: $(hex j.txt)"

# Roman text of ASCII alone goes as it is, without a note.
printf '{\\rtf1\\ansi{\\fonttbl\\f0\\froman Nimbus Roman;}\\f0 plain words}' > a.rtf
out=$(save 1451 a.txt a.rtf)
[ -z "$out" ] || fail "a note for ASCII: $out"
[ "$(cat a.txt)" = "plain words" ] || fail "ASCII Roman text: $(hex a.txt)"

# An auto-save that could not write é leaves the document changed.
printf '{\\rtf1\\ansi{\\fonttbl\\f0\\froman Nimbus Roman;}\\f0 caf\\u233\\'"'"'e9 end}' > c.rtf
out=$(app <<S
open $work/c.rtf
menu 6
answer $work/auto.txt
answer ok
menu 1108
click 2093
click 2064
field 2069 1
click 2001
select 0 0
type x
wait 70
status 5
S
)
[[ $(hex auto.txt) == 78* ]] || fail "the auto-save did not run: $(hex auto.txt)"
[ "$(tail -n 1 <<<"$out")" = "1 0 " ] || fail "an auto-save that lost characters left the document unchanged: $out"

# Typed into Roman text, é and • are its Mac Roman bytes, not Shift_JIS
# ones read as Mac Roman; Shift_JIS has neither.
out=$(app <<S
open $work/c.rtf
select 8 8
type é•
print text
menu 1451
menu 6
answer $work/c.txt
S
)
[ "$out" = "café endé•" ] || fail "typed into Roman text: $out"
[ "$(hex c.txt)" = "636166a020656e64a081fc" ] || fail "typed Roman text saved: $(hex c.txt)"

# The character table of the Roman text, the caret since gone into the
# Japanese text: 0x8E is é there, never a lead byte joining 本.
printf '{\\rtf1\\ansi{\\fonttbl\\f0\\fnil IPAGothic;\\f1\\froman Nimbus Roman;}\\f0 \\u26085?\\u26412? \\f1 abc}' > m.rtf
table() {   # select before, select after, cell x y
  app <<S
open $work/m.rtf
select $1 $1
menu 1137
select $2 $2
click 3771 $3 $4
print text
print beeps
S
}
out=$(table 7 2 178 304)
[ "$out" = $'日é本 abc\nbeeps 0' ] || fail "Roman table in Japanese text: $out"
# The Japanese table, the caret in the Roman text: ｱ (0xB1), not ±.
out=$(table 2 8 195 25)
[ "$out" = $'日本 abcｱ\nbeeps 0' ] || fail "Japanese table in Roman text: $out"
exit 0
