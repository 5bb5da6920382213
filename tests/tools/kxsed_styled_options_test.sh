#!/usr/bin/env bash
# kxsed --styled on real texts: --encoding forces the reading (Shift_JIS
# too), -o writes each input back in its own encoding, byte-order mark and
# line ends, `q` ends one input and the run goes on, every message on
# stderr is UTF-8, Japanese names and script pieces included, and names
# that scripts give are UTF-8 on disk.
set -u
bin=${KX_BIN_DIR:?}
native=${KX_SHARED_DIR:?}/realdata/encodings/native
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail=0
check() {   # name, expected, actual
  [ "$2" == "$3" ] || { echo "FAIL: $1: expected [$2] got [$3]"; fail=1; }
}
sed_styled() { "$bin/kxsed" --styled "$@"; }

# A forced encoding is the one read: EUC-JP bytes forced as Shift_JIS are
# its half-width katakana, as kxedit reads them; -o keeps the bytes.
eucjp="$native/kojiki.eucjp"
check "euc forced as sjis" "$("$bin/kxedit" --encoding sjis "$eucjp" - <<<'print text' | head -n 1)" \
  "$(sed_styled --encoding sjis -n -e 1p "$eucjp")"
check "euc forced as euc" "古事記" "$(sed_styled --encoding euc -n -e 1p "$eucjp")"
sed_styled --encoding sjis -e 's/x/y/' -o forced.txt "$eucjp"
cmp -s forced.txt "$eucjp" || { echo "FAIL: forced sjis: the bytes changed"; fail=1; }

# -o in the input's own form: an edit in the first line, every other byte
# as read (CR LF line ends, the UTF-16 byte-order mark), the Unicode texts'
# minus signs (U+2212, which shares its Japanese code with U+FF0D) too.
for form in sjis:CP932 eucjp:EUC-JP utf16:UTF-16 utf8:UTF-8; do
  name=${form%%:*} iconv=${form#*:}
  sed_styled -e '1s/古事記/KOJIKI/' -o "out.$name" "$native/kojiki.$name"
  check "$name: status" 0 "$?"
  iconv -f "$iconv" -t UTF-8 "$native/kojiki.$name" | sed -e '1s/古事記/KOJIKI/' > want.txt
  iconv -f "$iconv" -t UTF-8 "out.$name" > got.txt
  cmp -s want.txt got.txt || { echo "FAIL: $name: -o differs from the input edited"; fail=1; }
  check "$name: line ends" "$(grep -c $'\r$' want.txt)" "$(grep -c $'\r$' got.txt)"
done
check "utf16: byte-order mark" "fffe" "$(head -c 2 out.utf16 | xxd -p)"
# The side characters by their code points.
printf '\xe2\x88\x92\n\xc3\xa9\n' > sides.txt
check "side characters" "$(printf '−\né\n-- unicode\n0 U+2212\n3 U+00E9')" \
  "$(sed_styled -n -e p --print unicode sides.txt)"

# q ends the first input; the next one still runs.
printf 'a1\na2\na3\n' > a.txt
printf 'b1\nb2\n' > b.txt
check "q then the next input" "a1
a2
b1
b2" "$(sed_styled -e 2q a.txt b.txt)"

# Messages in UTF-8: an input that cannot be read, a malformed command
# with Japanese in it, Japanese file names from the script and the options.
err=$(sed_styled -e p a.txt 無い.txt 2>&1 >/dev/null)
check "unreadable input" "kxsed: cannot read 無い.txt whole: ファイルを読み込めませんでした。 (No such file or directory)" "$err"
err=$(sed_styled -e 's/あ/' a.txt 2>&1 >/dev/null)
check "malformed s" "kxsed: malformed s or y command: s/あ/" "$err"
err=$(sed_styled -e 'w 無い/日本.txt' a.txt 2>&1 >/dev/null)
check "w into no folder" "kxsed: cannot create the file \"無い/日本.txt\"" "$err"
err=$(sed_styled -f 無い.sed a.txt 2>&1 >/dev/null)
check "no script file" "kxsed: cannot open the script file \"無い.sed\"" "$err"
err=$(sed_styled -e p -o 無い/出力.txt a.txt 2>&1 >/dev/null)
check "-o into no folder" "kxsed: cannot create the file \"無い/出力.txt\"" "$err"
# An output its encoding cannot hold is refused and says why; the file
# keeps what it held.
printf 'old\n' > kept.txt
err=$(sed_styled -e 's/a/é€/' -o kept.txt a.txt 2>&1 >/dev/null)
check "unwritable output: exit" 9 "$?"
check "unwritable output: message" "kxsed: kept.txt: 6 characters cannot be written in the file's encoding" "$err"
check "unwritable output: file kept" "old" "$(cat kept.txt)"

# Names from the script are UTF-8 on disk: "w" and the w flag of "s"
# create them so, "r" reads the file of that name.
mkdir names && cd names
printf 'a\nb\n' > in.txt
printf 'read\n' > 読込.txt
check "japanese names: output" "a
read
B" "$(sed_styled -e 'w 日本.txt' -e '1r 読込.txt' -e 's/b/B/w 置換.txt' in.txt)"
check "japanese names: files" "in.txt 日本.txt 置換.txt 読込.txt" "$(LC_ALL=C ls | tr '\n' ' ' | sed 's/ $//')"
check "japanese names: written" "$(printf 'a\nb\n')" "$(cat 日本.txt)"
cd ..
exit $fail
