#!/usr/bin/env bash
# Opening and saving a document beside the parts it is made of: a 50 MB
# Shift_JIS text through the file tube
# (`kxdoc copy`: read, then write in the same layout), against iconv
# converting the same text, cp copying it, and a full layout of it
# (`kxedit --timing`, whose load time is reading plus laying out). Prints
# each time with its ratio, and the peak memory as a multiple of the file.
# The 10 MB styled document is bench/doc_open_save.cpp. Last, a 50 MB log
# of ASCII lines opened (and saved) in the program against iconv (and cp).
set -euo pipefail
source "$(dirname "$0")/common.bash"
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${KX_BIN_DIR:-$here/build-release/bin}"
sample="${KX_SHARED_DIR:-$here/../shared}/data/aozora/notation-examples.sjis.txt"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# peak COMMAND...: the largest resident set in kilobytes (0 when GNU time is missing).
peak() {
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f %M -o "$tmp/peak" "$@" > /dev/null 2>&1 || true
    cat "$tmp/peak"
  else
    echo 0
  fi
}

report() {  # NAME FILE
  local name=$1 file=$2 size ours cp conv open layout mem
  size=$(stat -c %s "$file")
  ours=$(best "$bin/kxdoc" copy "$file" "$tmp/out")
  cp=$(best cp "$file" "$tmp/cp")
  echo "$name, $size bytes: open and save ${ours}s, cp ${cp}s, ratio $(ratio "$ours" "$cp")"
  # The driver's own start (fonts, libraries) on a text of three bytes,
  # which an editor already running does not pay again for each document.
  printf 'ab\n' > "$tmp/small.txt"
  local start
  start=$(BEST_RUNS=5 best "$bin/kxdoc" copy "$tmp/small.txt" "$tmp/small.out")
  awk -v a="$ours" -v s="$start" -v b="$cp" \
      'BEGIN { printf "  of which the driver starting %.3fs; without it %.3fs, ratio %.2f\n", s, a - s, (a - s) / b }'
  # The wall time includes the safe save's two flushes to the disk, which cp
  # does not make: the processor time, apart.
  local oursCpu cpCpu
  oursCpu=$(usage "$bin/kxdoc" copy "$file" "$tmp/out" | awk '{ print $2 }')
  cpCpu=$(usage cp "$file" "$tmp/cp" | awk '{ print $2 }')
  awk -v a="$oursCpu" -v b="$cpCpu" 'BEGIN { if (b > 0) printf "  processor time: open and save %.3fs, cp %.3fs, ratio %.2f\n", a, b, a / b }'
  if [ "$name" = "Shift_JIS text" ]; then
    conv=$(best sh -c 'iconv -f CP932 -t UTF-8 "$1" > "$2"' sh "$file" "$tmp/conv")
    echo "  iconv CP932 -> UTF-8 ${conv}s; open and save / iconv $(ratio "$ours" "$conv")"
    # Opening alone: `kxdoc dump` lists the file's parts and then opens the
    # document as the editor does, so it times a little more than opening.
    open=$(best "$bin/kxdoc" dump "$file")
    echo "  open (and list the parts) ${open}s; open / iconv $(ratio "$open" "$conv")"
    # The whole program on its headless host: a document window opened on
    # the file (its text laid out twice: once as read, once at the window's
    # width), less the program's start alone.
    printf 'open %s\nquit\n' "$file" > "$tmp/open.kxapp"
    printf 'quit\n' > "$tmp/quit.kxapp"
    mkdir -p "$tmp/prefs"
    local app appStart
    app=$(HOME="$tmp" best "$bin/kxapp" --prefs "$tmp/prefs" "$tmp/open.kxapp")
    appStart=$(HOME="$tmp" BEST_RUNS=5 best "$bin/kxapp" --prefs "$tmp/prefs" "$tmp/quit.kxapp")
    awk -v a="$app" -v s="$appStart" -v c="$conv" \
        'BEGIN { printf "  open in the program %.3fs; open / iconv %.2f\n", a - s, (a - s) / c }'
  fi
  layout=$( { "$bin/kxedit" --timing "$file" /dev/null > /dev/null; } 2>&1 | awk '$1 == "load" { print $2 }')
  [ -n "$layout" ] && echo "  open with a full layout ${layout}s; open and save / layout $(ratio "$ours" "$layout")"
  mem=$(peak "$bin/kxdoc" copy "$file" "$tmp/out")
  awk -v kb="$mem" -v b="$size" 'BEGIN { if (kb > 0) printf "  peak memory of open and save %.1f x the file\n", kb * 1024 / b }'
  rm -f "$tmp/out" "$tmp/cp" "$tmp/conv"
}

repeat "$sample" $((50 * 1024 * 1024)) "$tmp/big.txt"
report "Shift_JIS text" "$tmp/big.txt"
rm -f "$tmp/big.txt"

# A 50 MB log: ASCII lines of 80 bytes, nothing for the code detection to
# decide on, so that it reads every byte, and over 600,000 lines to lay out.
# Opened in the program against iconv reading it, and opened and saved
# against cp.
if [ -x "$bin/kxapp" ]; then
  awk 'BEGIN { for (i = 0; i < 655360; i++) printf "%07d %-63s\n", i, "GET /index.html 200 1043 \"-\" \"Mozilla/5.0\" 0.004" }' \
    > "$tmp/log.txt"
  conv=$(best sh -c 'iconv -f CP932 -t UTF-8 "$1" > "$2"' sh "$tmp/log.txt" "$tmp/conv")
  printf 'open %s\nquit\n' "$tmp/log.txt" > "$tmp/open.kxapp"
  printf 'quit\n' > "$tmp/quit.kxapp"
  mkdir -p "$tmp/prefs"
  app=$(HOME="$tmp" best "$bin/kxapp" --prefs "$tmp/prefs" "$tmp/open.kxapp")
  appStart=$(HOME="$tmp" BEST_RUNS=5 best "$bin/kxapp" --prefs "$tmp/prefs" "$tmp/quit.kxapp")
  awk -v a="$app" -v s="$appStart" -v c="$conv" -v b="$(stat -c %s "$tmp/log.txt")" \
      'BEGIN { printf "log of ASCII lines, %d bytes: open in the program %.3fs, iconv %.3fs, ratio %.2f\n", b, a - s, c, (a - s) / c }'
  # Then a key typed and taken back, and saved: the program's own save,
  # which must give the file back byte for byte.
  cp "$tmp/log.txt" "$tmp/work.txt"
  printf 'open %s\ntype x\nkey backspace\nmenu 5\nquit\n' "$tmp/work.txt" > "$tmp/save.kxapp"
  saved=$(HOME="$tmp" best "$bin/kxapp" --prefs "$tmp/prefs" "$tmp/save.kxapp")
  cmp -s "$tmp/work.txt" "$tmp/log.txt" || echo "warning: the saved log differs from the one opened"
  cp=$(best cp "$tmp/log.txt" "$tmp/cp")
  awk -v a="$saved" -v s="$appStart" -v c="$cp" \
      'BEGIN { printf "  open and save in the program %.3fs, cp %.3fs, ratio %.2f\n", a - s, c, (a - s) / c }'
  rm -f "$tmp/work.txt" "$tmp/cp"
  rm -f "$tmp/log.txt" "$tmp/conv"
fi
