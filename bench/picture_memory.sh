#!/usr/bin/env bash
# Memory of inline JPEG pictures in the whole program (kxapp on its headless
# host), as peak resident sets from /usr/bin/time:
#   - N photos (PHOTO, by default an 8-megapixel phone photo) inserted with
#     Insert JPEG (command 1141) into a document saved in the program's own
#     format; then that document reopened, typed in and saved again;
#   - a document of M small real JPEGs (the decodable ones of the shared
#     JPEG samples, taken in turn) opened, and opened and saved.
# The program's start alone is printed first, to subtract. What a picture
# costs should be about its JPEG bytes, not its decoded pixels.
# PHOTOS="1 5 10" and SMALL="200 400" pick the counts.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${KX_BIN_DIR:-$here/build-release/bin}"
shared="${KX_SHARED_DIR:-$here/../shared}"
photo="${PHOTO:-$shared/realdata/jpeg/exif-samples/mobile/jolla.jpg}"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp" GSETTINGS_BACKEND=memory
mkdir -p "$tmp/prefs"

# peak SCRIPT: the largest resident set of kxapp running SCRIPT, in MB.
peak() {
  /usr/bin/time -f %M -o "$tmp/peak" "$bin/kxapp" --prefs "$tmp/prefs" "$1" > "$tmp/out" 2>&1 ||
    { echo "kxapp failed on $1: $(cat "$tmp/out")" >&2; exit 1; }
  awk '{ printf "%.0f", $1 / 1024 }' "$tmp/peak"
}
mb() { awk -v b="$(stat -c %s "$1")" 'BEGIN { printf "%.1f", b / 1048576 }'; }

# inserts DOC FILE...: a script that inserts each FILE into DOC and saves it
# in the program's own format.
inserts() {
  local doc=$1
  shift
  printf 'x\n' > "$doc"
  echo "open $doc"
  for f in "$@"; do printf 'answer %s\nmenu 1141\n' "$f"; done
  printf 'menu 1447\nmenu 5\nquit\n'
}
printf 'open %s\nkey end cmd\ntype !\nmenu 5\nquit\n' "$tmp/doc.txt" > "$tmp/edit.kxapp"
printf 'open %s\nquit\n' "$tmp/doc.txt" > "$tmp/open.kxapp"
printf 'quit\n' > "$tmp/quit.kxapp"

echo "program start alone: $(peak "$tmp/quit.kxapp") MB"
echo "photo $(basename "$photo"), $(mb "$photo") MB"
for n in ${PHOTOS:-1 5 10}; do
  files=()
  for ((k = 0; k < n; k++)); do files+=("$photo"); done
  inserts "$tmp/doc.txt" "${files[@]}" > "$tmp/insert.kxapp"
  insert=$(peak "$tmp/insert.kxapp")
  edit=$(peak "$tmp/edit.kxapp")
  echo "  $n photos: file $(mb "$tmp/doc.txt") MB; insert and save $insert MB; reopen, type and save $edit MB"
done

mapfile -t small < <(awk -F'\t' -v d="$shared/realdata/jpeg" '$2 == "decode" { print d "/" $1 }' \
                       "$shared/realdata/jpeg/MANIFEST.tsv" | while read -r f; do
                       [ -f "$f" ] && [ "$(stat -c %s "$f")" -le 204800 ] && echo "$f"; done)
echo "small JPEGs: ${#small[@]} different ones"
for m in ${SMALL:-200 400}; do
  files=()
  for ((k = 0; k < m; k++)); do files+=("${small[k % ${#small[@]}]}"); done
  inserts "$tmp/doc.txt" "${files[@]}" > "$tmp/insert.kxapp"
  peak "$tmp/insert.kxapp" > /dev/null
  open=$(peak "$tmp/open.kxapp")
  edit=$(peak "$tmp/edit.kxapp")
  echo "  $m small JPEGs: file $(mb "$tmp/doc.txt") MB; open $open MB; open, type and save $edit MB"
done
