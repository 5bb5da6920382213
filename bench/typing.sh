#!/usr/bin/env bash
# Typing inside long paragraphs: 200 keys at the start, middle and end of
# texts without line ends (10 and 50 MB) and of 1 MB lines (10 MB: Japanese
# text, and CSV numbers without spaces), each against the same 200 keys at
# the same place of a 50 KB text of short lines (`kxedit --timing`: the
# script time, through the text engine), in the normal view and in the
# paper view.
# Real Japanese text from ../shared/realdata. KX_TYPING_KEYS sets the keys
# typed (200 by default; 2000 gives steadier ratios, as 200 keys take about
# a millisecond). Prints seconds per run of keys,
# the ratio to the short text (goal: 1.5 or less everywhere), and the peak
# memory of the 50 MB run as a multiple of the file.
set -euo pipefail
source "$(dirname "$0")/common.bash"
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${KX_BIN_DIR:-$here/build-release/bin}"
shared="${KX_SHARED_DIR:-$here/../shared}"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# The texts, and for each the character boundary nearest its middle.
aozora_text "$shared/realdata/aozora" "$tmp/flat.txt"
python3 - "$tmp/flat.txt" "$tmp" <<'EOF'
import os, sys
flat, out = open(sys.argv[1], encoding="utf-8").read(), sys.argv[2]
def write(name, chars, pieces):
    data, middle, size = b"", 0, 0
    parts = []
    while size < chars:
        for p in pieces:
            b = p.encode("cp932", "replace")
            parts.append(b)
            size += len(b)
            if size >= chars:
                break
    data = b"".join(parts)
    # The middle on a character boundary: the end of the piece that reaches it.
    acc = 0
    for b in parts:
        acc += len(b)
        if acc >= len(data) // 2:
            middle = acc
            break
    open(os.path.join(out, name), "wb").write(data)
    open(os.path.join(out, name + ".middle"), "w").write(str(middle))
short = [flat[i:i + 30] + "\n" for i in range(0, 2000 * 30, 30)]
write("short.txt", 50 << 10, short)
chunk = [flat[i:i + 1000] for i in range(0, len(flat), 1000)]
write("para10.txt", 10 << 20, chunk)
write("para50.txt", 50 << 20, chunk)
mb = flat[: (1 << 20) // 2]
write("lines1mb.txt", 10 << 20, [mb + "\n"])
# CSV: 1 MB lines of numbers and commas, no spaces: one word a line long,
# wrapped between characters.
import random
rng = random.Random(7)
csv = ",".join(str(rng.randint(0, 99999)) for _ in range(180000))[: 1 << 20]
write("csv1mb.txt", 10 << 20, [csv + "\n"])
EOF

count=${KX_TYPING_KEYS:-200}
keys=$(printf "a%.0s" $(seq "$count"))
# seconds FILE PLACE [paper|undo|return]: the best script time of three
# runs of 200 keys typed at PLACE (in the paper view: its menu command
# first; with undo: then undone, redone and undone again; with return: 200
# Returns instead).
seconds() {
  local file=$1 place=$2 view=${3:-} at size
  size=$(stat -c %s "$file")
  case $place in
    start) at=0 ;;
    middle) at=$(cat "$file.middle") ;;
    end) at=$size ;;
  esac
  { [ "$view" = paper ] && echo 'command 1407'
    printf 'select %s %s\n' "$at" "$at"
    if [ "$view" = return ]; then printf 'key return\n%.0s' $(seq 200); else printf 'type %s\n' "$keys"; fi
    if [ "$view" = undo ]; then printf 'undo\nredo\nundo\n'; fi; } > "$tmp/script"
  for run in 1 2 3; do
    "$bin/kxedit" --timing --wordwrap "$file" "$tmp/script" 2>&1 > /dev/null | awk '$1 == "script" { print $2 }'
  done | sort -g | head -n 1
}

for view in normal paper; do
  for place in start middle end; do
    ref=$(seconds "$tmp/short.txt" $place $view)
    for name in para10 para50 lines1mb csv1mb; do
      t=$(seconds "$tmp/$name.txt" $place $view)
      echo "typing $count keys at the $place of $name ($(stat -c %s "$tmp/$name.txt") bytes, $view view): ${t}s," \
           "50 KB of short lines ${ref}s, ratio $(ratio "$t" "$ref")"
    done
  done
done
# Undo puts the paragraph runs back without walking the paragraph.
ref=$(seconds "$tmp/short.txt" start undo)
for name in para10 para50; do
  t=$(seconds "$tmp/$name.txt" start undo)
  echo "typing $count keys at the start of $name, undone, redone and undone: ${t}s, 50 KB of short lines ${ref}s," \
       "ratio $(ratio "$t" "$ref")"
done
# A Return adds a line: the line table and the column-pages take it where
# it is, without moving every line and page after it.
for k in $(seq 1024); do cat "$tmp/short.txt"; done > "$tmp/short50.txt"
echo $(( $(stat -c %s "$tmp/short.txt") * 512 )) > "$tmp/short50.txt.middle"
for place in start middle; do
  ref=$(seconds "$tmp/short.txt" $place return)
  t=$(seconds "$tmp/short50.txt" $place return)
  echo "200 Returns at the $place of 50 MB of short lines: ${t}s, 50 KB of short lines ${ref}s," \
       "ratio $(ratio "$t" "$ref")"
done
if [ -x /usr/bin/time ]; then
  printf 'select 0 0\ntype %s\n' "$keys" > "$tmp/script"
  kb=$( { /usr/bin/time -f %M "$bin/kxedit" "$tmp/para50.txt" "$tmp/script" > /dev/null; } 2>&1 | tail -1)
  awk -v kb="$kb" -v b="$(stat -c %s "$tmp/para50.txt")" \
      'BEGIN { printf "peak memory typing in 50 MB: %.1f x the file\n", kb * 1024 / b }'
fi
