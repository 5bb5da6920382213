#!/usr/bin/env bash
# Check Whole Text (1254) against hunspell -l over the same tokens: the
# words the document marks, with their byte ranges in the stored text,
# equal those hunspell reports misspelled, in order.
set -euo pipefail
bin=${KX_BIN_DIR:?}
command -v hunspell >/dev/null || { echo "hunspell missing (scripts/setup installs it)"; exit 1; }
[ -f /usr/share/hunspell/en_US.dic ] || { echo "en_US dictionary missing"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export DICPATH=/usr/share/hunspell LANG=en_US.UTF-8

# A corpus with seeded misspellings, numbers, apostrophes, a Japanese
# paragraph, and a last word without a line end (Shift_JIS on disk).
python3 - <<'P'
import random, re
random.seed(7)
words = ("the quick brown fox jumps over lazy dog while writers edit their "
         "documents carefully and spelling matters for every reader").split()
bad = ["teh", "recieve", "wrod", "speling", "adress", "occured", "definately", "seperate"]
lines = []
for i in range(60):
    n = random.randint(4, 12)
    ws = [random.choice(words) for _ in range(n)]
    for k in range(n):
        r = random.random()
        if r < 0.12: ws[k] = random.choice(bad)
        elif r < 0.16: ws[k] = str(random.randint(1, 999)) + random.choice(["", "th", "rd"])
        elif r < 0.19: ws[k] = random.choice(["don't", "it's", "writer's", "o'clock"])
    lines.append(" ".join(ws) + random.choice([".", ",", "", "!"]))
    if i == 30:
        lines.append("日本語のテキストは単語になりません。カタカナもｶﾀｶﾅも")
text = "\n".join(lines) + "\nlast wrod"
open("corpus.txt", "wb").write(text.encode("cp932"))
# Our tokens with their Shift_JIS byte ranges.
tok = re.compile(r"[A-Za-z0-9]+(?:'[A-Za-z0-9]+)*")
with open("tokens.txt", "w") as out:
    for m in tok.finditer(text):
        w = m.group(0)
        if any(c.isdigit() for c in w): continue
        s = len(text[:m.start()].encode("cp932")); e = s + len(w.encode("cp932"))
        out.write(f"{s} {e} {w}\n")
P
cut -d' ' -f3 tokens.txt | hunspell -l -d en_US > bad.txt
# Expected: the token lines whose word hunspell lists, in order.
python3 - <<'P'
bad = set(open("bad.txt").read().split())
with open("want.txt", "w") as out:
    for line in open("tokens.txt"):
        s, e, w = line.split()
        if w in bad: out.write(f"{s} {e} {w}\n")
P
"$bin/kxapp" --prefs "$work/prefs" - > got.txt <<S
open $work/corpus.txt
menu 1254
print markup
S
[ -s want.txt ] || { echo "FAIL: no misspellings seeded"; exit 1; }
diff want.txt got.txt || { echo "FAIL: marks differ from hunspell -l"; exit 1; }
echo "ok $(wc -l < got.txt) words"
