#!/usr/bin/env bash
# The file browser's listing of a 10,000-file folder against `ls -f` of the
# same folder: kxapp entering the folder (which lists its folders and its
# text files) eleven times less once, a tenth of it, over ls's time.
set -euo pipefail
source "$(dirname "$0")/common.bash"
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${KX_BIN_DIR:-$here/build-release/bin}"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home" LC_ALL=C
mkdir -p "$HOME" "$tmp/big"
python3 - "$tmp/big" <<'PY'
import os, random, sys
rng = random.Random(3)
for k in range(10000):
    ending = rng.choice([".txt", ".TXT", ".rtf", ".jpg", ".dat", ""])
    with open(os.path.join(sys.argv[1], "file%05d%s" % (rng.randrange(100000), ending) if k % 2 else "f%d%s" % (k, ending)), "w") as f:
        f.write("x")
PY
printf 'menu 1004\nfolder 3104 %s\n' "$tmp/big" > "$tmp/open.kx"
{ printf 'menu 1004\n'; for k in $(seq 11); do printf 'folder 3104 %s\nfolder 3104 %s\n' "$tmp/big" "$HOME"; done; } > "$tmp/list.kx"
base=$(best "$bin/kxapp" --prefs "$tmp/prefs" "$tmp/open.kx")
with=$(best "$bin/kxapp" --prefs "$tmp/prefs" "$tmp/list.kx")
ours=$(awk -v a="$with" -v b="$base" 'BEGIN { d = (a - b) / 10; if (d < 0.001) d = 0.001; printf "%.3f", d }')
theirs=$(best ls -f "$tmp/big")
echo "file list, $(ls -f "$tmp/big" | wc -l) entries: kxapp ${ours}s (after start-up), ls -f ${theirs}s, ratio $(ratio "$ours" "$theirs")"
