#!/usr/bin/env bash
# Times the stream editor window (driven through kxapp) against GNU sed -i
# over the same folders of 3,000 and 10,000 UTF-8 files of generated
# Japanese text: a global substitution, every file overwritten. The
# folders must come out the same (diff -r). Prints our time less the
# program's start-up (the same script over an empty folder) / GNU's (the
# goal is 3 or less). COUNTS="300 1000" picks other sizes.
set -euo pipefail
source "$(dirname "$0")/common.bash"
cd "$(dirname "$0")/.."
bin=${KX_BIN_DIR:-build-release/bin}
kxapp="$(cd "$bin" && pwd)/kxapp"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home" LANG=C
mkdir -p "$HOME"
pattern="日本"
repl="にっぽん"

# files DIR COUNT: COUNT files of a few hundred bytes to a few KB each.
files() {
  python3 - "$1" "$2" <<'PY'
import os, random, sys
folder, count = sys.argv[1], int(sys.argv[2])
random.seed(11)
words = ["日本", "東京", "文章", "ストリーム", "エディタ", "漢字", "かな", "置換", "行", "テキスト", "の", "と", "を"]
os.makedirs(folder, exist_ok=True)
for i in range(count):
    lines = ["".join(random.choice(words) for _ in range(random.randint(4, 30))) for _ in range(random.randint(3, 40))]
    with open(os.path.join(folder, "f%05d.txt" % i), "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
PY
}

# run DIR COUNT: the window over every file of DIR, the targets overwritten.
script() {
  local rows=""
  [ "$2" -gt 0 ] && rows=$(seq -s ' ' 1 "$2")
  printf 'menu 1228\nchoose 3911 1\nfolder 3934 %s\n' "$1"
  [ -n "$rows" ] && printf 'choose 3932 %s\n' "$rows"
  printf 'field 3916 %s\nfield 3919 %s\nchoose 3941 3\nclick 3901\nprint alerts\nquit\n' "$pattern" "$repl"
}

mkdir -p "$tmp/empty"
script "$tmp/empty" 0 > "$tmp/startup.txt"
for count in ${COUNTS:-3000 10000}; do
  rm -rf "$tmp/ours" "$tmp/gnu" "$tmp/orig" "$tmp/prefs"
  files "$tmp/orig" "$count"
  script "$tmp/ours" "$count" > "$tmp/script.txt"
  startup=$(BEST_RUNS=3 best "$kxapp" --prefs "$tmp/prefs" "$tmp/startup.txt")
  # Each timed run starts from fresh copies.
  ours=""; gnu=""
  for run in 1 2 3; do
    rm -rf "$tmp/ours" "$tmp/gnu"
    cp -r "$tmp/orig" "$tmp/ours"
    cp -r "$tmp/orig" "$tmp/gnu"
    t=$(BEST_RUNS=1 BEST_OUT="$tmp/out.txt" best "$kxapp" --prefs "$tmp/prefs" "$tmp/script.txt")
    [ -s "$tmp/out.txt" ] && { echo "bench: the window reported: $(cat "$tmp/out.txt")" >&2; exit 1; }
    if [ -z "$ours" ] || awk -v a="$t" -v b="$ours" 'BEGIN { exit !(a < b) }'; then ours=$t; fi
    t=$(BEST_RUNS=1 best bash -c "cd '$tmp/gnu' && find . -name '*.txt' -print0 | xargs -0 sed -i 's/$pattern/$repl/g'")
    if [ -z "$gnu" ] || awk -v a="$t" -v b="$gnu" 'BEGIN { exit !(a < b) }'; then gnu=$t; fi
  done
  diff -r "$tmp/ours" "$tmp/gnu" > /dev/null || { echo "bench: the folders differ for $count files" >&2; exit 1; }
  python3 -c "import sys; o, s, g = map(float, sys.argv[2:]); print(f'{sys.argv[1]} files: window {o:.3f}s (start-up {s:.3f}s), GNU sed -i {g:.3f}s, ratio {max(o - s, 0) / g:.2f}')" \
    "$count" "$ours" "$startup" "$gnu"
done
