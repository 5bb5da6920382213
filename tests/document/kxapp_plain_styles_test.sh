#!/usr/bin/env bash
# What a plain text file is given in the window (styles, ruby, marks) is
# kept beside it in a sidecar, in the file's own encoding and line ends;
# other programs still read the text. A Unicode file cannot keep them and
# the user hears so. A sidecar another program's edit left behind is
# reported and left out; links and a second window on one file.
set -u
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() {   # name, expected, actual
  [ "$2" == "$3" ] || { echo "FAIL: $1: expected [$2] got [$3]"; fail=1; }
}
app() { "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" -; }
sjis() { iconv -f UTF-8 -t CP932; }

# Bold and ruby in a Shift_JIS CR LF file, an EUC-JP file and a JIS file.
printf '桜桃と太宰\r\nつぎの行\r\n' | sjis > "$work/s.txt"
printf '桜桃と太宰\nつぎの行\n' | iconv -f UTF-8 -t EUC-JP > "$work/e.txt"
printf '桜桃と太宰\nつぎの行\n' | iconv -f UTF-8 -t ISO-2022-JP > "$work/j.txt"
for f in s e j; do
  enc=$(case $f in s) echo 1451 ;; e) echo 1453 ;; j) echo 1452 ;; esac)
  app <<S
open $work/$f.txt
menu $enc
select 0 4
menu 1302
field 2454 おうとう
click 2451
select 6 10
menu 402
menu 5
S
  check "$f: sidecar written" yes "$([ -f "$work/._$f.txt" ] && echo yes)"
  out=$(app <<S
open $work/$f.txt
print ruby
print styles
status $enc
print text
S
)
  check "$f: ruby back" "0 4 8 130 168 130 164 130 198 130 164" "$(sed -n 1p <<<"$out")"
  check "$f: bold back" "6 12 11 1 1 0 12 0 0 0" "$(sed -n 3p <<<"$out")"
  check "$f: encoding kept" "1 18 " "$(sed -n 5p <<<"$out")"
  check "$f: text" "桜桃と太宰" "$(sed -n 6p <<<"$out")"
done
# Other programs read the text, its ruby inline, in the file's spelling.
check "Shift_JIS for others" "$(printf '桜桃(おうとう)と太宰\r\nつぎの行\r\n' | xxd -p)" \
  "$(iconv -f CP932 -t UTF-8 "$work/s.txt" | xxd -p)"
check "EUC-JP for others" "桜桃(おうとう)と太宰" "$(iconv -f EUC-JP -t UTF-8 "$work/e.txt" | head -n 1)"
check "JIS for others" "桜桃(おうとう)と太宰" "$(iconv -f ISO-2022-JP -t UTF-8 "$work/j.txt" | head -n 1)"

# Plain edits make no sidecar; a Unicode file keeps the text, says what it
# could not keep, and gets none either.
printf 'abc\n' > "$work/p.txt"
printf '日本\n' > "$work/u.txt"
out=$(app <<S
open $work/p.txt
type x
menu 5
open $work/u.txt
select 0 2
menu 402
answer ok
menu 5
print alerts
S
)
check "no sidecar for plain edits" "" "$(ls -A "$work" | grep -F '._p.txt')"
check "no sidecar in Unicode" "" "$(ls -A "$work" | grep -F '._u.txt')"
check "Unicode says so" "1" "$(grep -c 'Unicode のテキストファイルには残せませんでした' <<<"$out")"
check "Unicode text written" "日本" "$(cat "$work/u.txt")"

# So does an RTF file, which has no words for ruby: the window stays
# changed, and closing it asks first.
out=$(app <<S
menu 2
type 東京
select 0 4
menu 1302
field 2454 とうきょう
click 2451
menu 6
answer $work/r.rtf
print windows
answer cancel
menu 4
print windows
S
)
check "RTF save leaves the window changed, and closing asks" "2" "$(grep -c '^r.rtf (modified)' <<<"$out")"

# A header is the document's text too: it is kept.
printf 'head\n' > "$work/h.txt"
app <<S
open $work/h.txt
menu 1412
field 2804 Head <PAGE>
click 2801
menu 5
S
check "header kept" "1" "$("$bin/kxdoc" dump "$work/h.txt" | grep -c '^KXSR header .*"Head <PAGE>"')"

# Another program rewrites the styled Shift_JIS file: the sidecar no longer
# fits, the user hears so, the text reads as plain text (its line ends
# understood), and the next save drops the stale styles.
printf 'ほかの編集\r\n二行目\r\n' | sjis > "$work/s.txt"
out=$(app <<S
answer ok
open $work/s.txt
print alerts
print styles
print text
key end
type 。
menu 5
S
)
check "stale noticed" "1" "$(grep -c 'はほかのプログラムで変更されています' <<<"$out")"
check "stale read plain" "0 12 11 1 0 0 12 0 0 0" "$(sed -n 2p <<<"$out")"
check "stale text" "ほかの編集" "$(sed -n 3p <<<"$out")"
check "line two" "二行目" "$(sed -n 4p <<<"$out")"
check "stale styles gone" "" "$("$bin/kxdoc" dump "$work/s.txt" | grep -E '"(styl|KXSR|styy)"')"
check "saved in place" "$(printf 'ほかの編集。\r\n二行目\r\n' | xxd -p)" "$(iconv -f CP932 -t UTF-8 "$work/s.txt" | xxd -p)"

# A styled file opened through a link: its styles are the target's, a save
# keeps them there, and the link and the file are one document.
mkdir "$work/real" "$work/other"
printf 'リンク先\n' | sjis > "$work/real/b.txt"
app <<S
open $work/real/b.txt
select 0 4
menu 402
menu 5
S
ln -s ../real/b.txt "$work/other/l.txt"
out=$(app <<S
open $work/other/l.txt
print styles
key end
type 追加
menu 5
open $work/real/b.txt
print windows
S
)
check "styles through the link" "0 12 11 1 1 0 12 0 0 0" "$(sed -n 1p <<<"$out")"
check "one window for both names" "1" "$(sed -n '3,$p' <<<"$out" | grep -c .)"
check "no sidecar beside the link" "" "$(ls -A "$work/other" | grep -F '._')"
check "target's sidecar current" "" "$("$bin/kxdoc" dump "$work/real/b.txt" | grep -F notice)"

# Save As onto a file open in another window is refused, and a failed Save
# As names the file it could not write.
printf 'one\n' > "$work/one.txt"
out=$(app <<S
open $work/one.txt
menu 2
type two
answer $work/one.txt
menu 6
answer ok
print alerts
answer $work/missing/new.txt
menu 6
answer ok
print alerts
S
)
check "open file not replaced" "one" "$(cat "$work/one.txt")"
check "refused" "1" "$(sort -u <<<"$out" | grep -c '「one.txt」は別のウインドウで開いています')"
check "failed Save As names the new file" "1" "$(sort -u <<<"$out" | grep -c '「new.txt」を保存できませんでした')"
# A locked file (no write bit) is not replaced: the save fails and says so,
# and the window keeps its changes.
printf 'kept\n' > "$work/locked.txt"
chmod 0444 "$work/locked.txt"
out=$(app <<S
open $work/locked.txt
type new
answer ok
menu 5
print alerts
print windows
S
)
check "locked file kept" "kept" "$(cat "$work/locked.txt")"
check "locked save reported" "1" "$(sort -u <<<"$out" | grep -c '「locked.txt」を保存できませんでした')"
check "locked window still modified" "1" "$(grep -c 'locked.txt (modified)' <<<"$out")"

exit $fail
