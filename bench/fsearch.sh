#!/usr/bin/env bash
# The multi-file search against grep: 10,000 UTF-8 files of Japanese and
# ASCII text in 100 folders, the pattern in 1 % of them. First-match mode
# against `grep -rlF --include='*.txt'`, all matches against `grep -rcF`;
# the file lists (and counts) must agree. Prints our time (less kxapp's
# start-up and folder walk to the window) over grep's; the goal is 3 or
# less in first-match mode.
set -euo pipefail
source "$(dirname "$0")/common.bash"
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${KX_BIN_DIR:-$here/build-release/bin}"
shared="${KX_SHARED_DIR:-$here/../shared}"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home" LC_ALL=C
mkdir -p "$HOME"
pattern="検索置換語"
python3 - "$shared/realdata/aozora" "$tmp/tree" "$pattern" <<'PY'
import os, random, sys
src, out, pattern = sys.argv[1], sys.argv[2], sys.argv[3]
lines = []
for name in sorted(os.listdir(src)):
    with open(os.path.join(src, name), "rb") as f:
        lines += f.read().decode("cp932", errors="replace").splitlines()
lines += ["ASCII line %d: the quick brown fox jumps over the lazy dog" % k for k in range(2000)]
rng = random.Random(11)
for k in range(10000):
    folder = os.path.join(out, "d%02d" % (k // 100))
    os.makedirs(folder, exist_ok=True)
    start = rng.randrange(len(lines) - 80)
    chunk = lines[start:start + rng.randrange(20, 80)]
    if k % 100 == 37:
        at = rng.randrange(len(chunk))
        chunk[at] = chunk[at] + pattern
        if k % 200 == 37:
            chunk.append(pattern + " " + pattern)
    with open(os.path.join(folder, "f%05d.txt" % k), "w", encoding="utf-8") as f:
        f.write("\n".join(chunk) + "\n")
PY
# The rows as "folder/file" (the chosen folder's subfolders are depth 2).
rows_to_files() { sed -n 's/^[0-9]* [-*] 5 \([^:]*\): \([^ ]*\)  .*/\1\/\2/p'; }
run() {   # run MODE-LINES: kxapp's search of the tree, rows printed
  { printf 'menu 1210\nfolder 3204 %s\nfield 3205 %s\n' "$tmp/tree" "$pattern"; printf '%s' "$1"; } > "$tmp/s.kx"
  "$bin/kxapp" --prefs "$tmp/prefs" "$tmp/s.kx"
}
run $'click 3201\nprint cells 3212\n' | rows_to_files | sort > "$tmp/ours.txt"
(cd "$tmp/tree" && grep -rlF --include='*.txt' "$pattern" . | sed 's|^\./||' | sort) > "$tmp/theirs.txt"
cmp -s "$tmp/ours.txt" "$tmp/theirs.txt" || { echo "fsearch: the file lists differ"; diff "$tmp/ours.txt" "$tmp/theirs.txt" | head; exit 1; }
run $'choose 3211 1\nclick 3201\nprint cells 3212\n' | rows_to_files | sort | uniq -c | awk '{print $2 ":" $1}' | sort > "$tmp/ours_all.txt"
(cd "$tmp/tree" && grep -rcF --include='*.txt' "$pattern" . | sed 's|^\./||' | grep -v ':0$' | sort) > "$tmp/theirs_all.txt"
cmp -s "$tmp/ours_all.txt" "$tmp/theirs_all.txt" || { echo "fsearch: the counts differ"; diff "$tmp/ours_all.txt" "$tmp/theirs_all.txt" | head; exit 1; }

printf 'menu 1210\nfolder 3204 %s\nfield 3205 %s\n' "$tmp/tree" "$pattern" > "$tmp/base.kx"
printf 'menu 1210\nfolder 3204 %s\nfield 3205 %s\nclick 3201\n' "$tmp/tree" "$pattern" > "$tmp/first.kx"
printf 'menu 1210\nfolder 3204 %s\nfield 3205 %s\nchoose 3211 1\nclick 3201\n' "$tmp/tree" "$pattern" > "$tmp/all.kx"
base=$(best "$bin/kxapp" --prefs "$tmp/prefs" "$tmp/base.kx")
for mode in first all; do
  with=$(best "$bin/kxapp" --prefs "$tmp/prefs" "$tmp/$mode.kx")
  ours=$(awk -v a="$with" -v b="$base" 'BEGIN { d = a - b; if (d < 0.001) d = 0.001; printf "%.3f", d }')
  if [ "$mode" = first ]; then theirs=$(best grep -rlF --include='*.txt' "$pattern" "$tmp/tree")
  else theirs=$(best grep -rcF --include='*.txt' "$pattern" "$tmp/tree"); fi
  echo "file search, $mode match$( [ $mode = all ] && echo es), 10000 files: kxapp ${ours}s, grep ${theirs}s, ratio $(ratio "$ours" "$theirs")"
done
