#!/usr/bin/env bash
# kxapp's steps against their written forms: `print frames` names each
# pane's class as the window layouts do, for every layout that runs as a
# dialog; the mark list prints nothing while closed; `folder` refuses what
# is not a folder; a cancelled or failed print writes nothing.
set -euo pipefail
bin=${KX_BIN_DIR:?}
src=${KX_SOURCE_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail=0
check() {   # name, expected, actual
  [ "$2" == "$3" ] || { echo "FAIL: $1: expected [$2] got [$3]"; fail=1; }
}
app() { "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" "$@"; }

# Every layout shown as a dialog: `ID CLASS` of each pane with an ID, in ID
# order, as its layout file makes them.
for f in "$src"/resources/layouts/*.txt; do
  id=$(basename "$f" .txt)
  # One awk over the file: a pipe into an awk that exits early can kill
  # the writer, which pipefail then reports.
  first=$(awk '!/^#/ { n++; if (n > 1 && $2 > 0) { print $2; exit } }' "$f")
  [ -n "$first" ] || continue
  out=$(printf 'layout %s\nprint frames %s\n' "$id" "$first" | app - 2>&1 | grep -v '^layout \|^message ' || true)
  [ "$out" = none ] && continue   # not a dialog (a panel of its own)
  expected=$(grep -v '^#' "$f" | awk 'NR > 1 && $2 > 0 { print $2, $1 }' | sort -s -n -k1,1)
  check "classes of layout $id" "$expected" "$(awk '{ print $1, $2 }' <<<"$out")"
done

# The mark list: nothing before it opens and after it closes.
printf 'Chapter one\nSome text here\nSection A\nMore text\n' > doc.txt
out=$(app - <<'S'
open doc.txt
print marklist
menu 1229
select 0 11
click 3705
print marklist
menu 1229
print marklist
S
)
check "mark list open, then closed" "1 1 0 0 0 1 Chapter one
buttons 0 0 1 0" "$out"

# folder: a file, a missing path and a relative one are not folders.
for path in "$work/doc.txt" "$work/none" "doc.txt"; do
  status=0
  err=$(printf 'menu 1004\nfolder 3104 %s\n' "$path" | app - 2>&1 >/dev/null) || status=$?
  check "folder $path: status" 1 "$status"
  check "folder $path: message" "kxapp: line 2: cannot enter $path" "$err"
done

# The print dialog: cancel and an empty queue write nothing; a PDF that
# cannot be written is an alert and nothing on the disk.
cp "$KX_SHARED_DIR/realdata/aozora/oto.sjis.txt" oto.txt
out=$(app - <<S
open oto.txt
answer cancel
menu 9
menu 9
answer $work/missing/out.pdf
answer ok
menu 9
print alerts
answer $work/out.pdf
menu 9
print page
S
)
check "alerts" "stop: 書類「oto.txt」を印刷できませんでした (No such file or directory)。" "$(sed -n 1p <<<"$out")"
pages=$(sed -n 2p <<<"$out" | awk '{ print $NF }')
check "printed pages" "$pages" "$(pdfinfo out.pdf | awk '/^Pages:/ { print $2 }')"
check "nothing else written" "doc.txt oto.txt out.pdf" "$(ls | grep -v '^tmp' | tr '\n' ' ' | sed 's/ $//')"

# print text reads each run in its script: Latin letters from an RTF come
# out as themselves, beside Japanese.
printf '{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}\\f0 caf\\'"'"'e9 Strau\\'"'"'df \\u12354?\\par}' > latin.rtf
out=$(printf 'open %s\nprint text\n' "$work/latin.rtf" | app -)
check "Roman run as UTF-8" "café Strauß あ" "$(sed -n 1p <<<"$out")"

# Closing the last window quits the program, as on the desktop: the steps
# after it are not run, and the driver says so.
err=$(printf 'open %s\nanswer dont-save\ntype x\nmenu 4\nidle\nprint text\n' "$work/latin.rtf" | app - 2>&1 >/dev/null)
case $err in *"steps after it did not run"*) ;; *) check "steps left after the quit" "a message" "$err" ;; esac

# A menu step while an alert is up closes the alert first, as a desktop's
# menus are out of reach behind it: closing the window from inside the
# note of a Save As ran the close under the save.
printf 'menu 2\ntype caf\xc3\xa9\xf0\x9f\x98\x80\nanswer %s\nmenu 6\nmenu 4\n' "$work/note.txt" | app - 2>/dev/null ||
  check "close behind a save's note" "exit 0" "exit $?"
check "saved behind the note" "caf" "$(head -c 3 note.txt)"
# So does quit, which ran the closing of every window under the save.
printf 'menu 2\ntype caf\xc3\xa9\xf0\x9f\x98\x80\nanswer %s\nmenu 6\nquit\n' "$work/quit.txt" | app - 2>/dev/null ||
  check "quit behind a save's note" "exit 0" "exit $?"
check "saved behind the note, then quit" "caf" "$(head -c 3 quit.txt)"
exit $fail
