#!/usr/bin/env bash
# Spelling against hunspell on the same text: Check Whole Text (1254) in
# the program (kxapp, opening the document included) over 5 MB of English
# with 10^5 misspelled words, against `hunspell -l` listing them. Each mark
# lands after the last, so the time stays linear in the text. Prints our
# time / hunspell's time.
set -euo pipefail
source "$(dirname "$0")/common.bash"
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${KX_BIN_DIR:-$here/build-release/bin}"
command -v hunspell >/dev/null || { echo "spelling: hunspell missing (scripts/setup installs it)"; exit 0; }
[ -f /usr/share/hunspell/en_US.dic ] || { echo "spelling: en_US dictionary missing"; exit 0; }
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export DICPATH=/usr/share/hunspell LANG=en_US.UTF-8 LC_ALL=C.UTF-8

# 5 MB of lines of common words; 10^5 of them misspelled.
python3 - "$tmp/text.txt" <<'PY'
import random, sys
rng = random.Random(11)
words = ("the quick brown fox jumps over lazy dog while writers edit their documents carefully and "
         "spelling matters for every reader of this long text about many things people say").split()
bad = ["teh", "recieve", "wrod", "speling", "adress", "occured", "definately", "seperate"]
target, misses = 5 * 1024 * 1024, 100000
tokens = []
size = 0
while size < target:
    w = rng.choice(words)
    tokens.append(w)
    size += len(w) + 1
for k in rng.sample(range(len(tokens)), misses):
    tokens[k] = rng.choice(bad)
lines = [" ".join(tokens[i:i + 12]) for i in range(0, len(tokens), 12)]
open(sys.argv[1], "w").write("\n".join(lines) + "\n")
PY
printf 'open %s\nmenu 1254\n' "$tmp/text.txt" > "$tmp/script.txt"
ours=$(best "$bin/kxapp" --prefs "$tmp/prefs" "$tmp/script.txt")
theirs=$(best hunspell -d en_US -l "$tmp/text.txt")
echo "check whole text, $(stat -c %s "$tmp/text.txt") bytes, 100000 misspelled words: kxapp ${ours}s, hunspell -l ${theirs}s, ratio $(ratio "$ours" "$theirs")"
