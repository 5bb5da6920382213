#!/usr/bin/env python3
"""Differential check of our regular expressions against Python's re.

Generates patterns and ASCII subjects on the part of the dialect that both
engines read the same way, runs them all through one `kxfind --batch`
process and compares, at every offset, the length of the match anchored
there. Our subjects end their lines with CR, Python's with LF; Python
matches each line on its own (a match of ours never crosses a CR) in
MULTILINE and ASCII mode. Where Python's match is empty the offset is
skipped: an empty match counts as none for us, and we then look for a
longer one. The forward search must also report exactly the matches that
the anchored lengths imply (the first step must miss none), and so must the
forward and backward searches over a character store that holds the first
subject of each pattern cut into chunks of 1 to 7 bytes (no fast path may drop a match at a chunk's
end). Each match found there, taken as a selection, must check as a match
and expand "&" and "\1"-"\9" to Python's groups at that place in its line
(where "^" and "$" decide which alternative matched).

Environment: KX_BIN_DIR (drivers), KX_REGEXP_CASES (patterns, default 100000),
KX_REGEXP_SEED (default 1), KX_REGEXP_DUMP (a file to write the batch input to).
"""
import os
import random
import re
import subprocess
import sys
import warnings

CASES = int(os.environ.get("KX_REGEXP_CASES", "100000"))
SEED = int(os.environ.get("KX_REGEXP_SEED", "1"))
KXFIND = os.path.join(os.environ.get("KX_BIN_DIR", "build/bin"), "kxfind")

SUBJECT_CHARS = "aaabbbcx_ 0-19.\n"
LITERALS = "abcx019_ -"
ESCAPED = [r"\.", r"\*", r"\(", r"\)", r"\[", r"\\", r"\+", r"\?", r"\|", r"\$", r"\^", r"\{"]
CLASSES = [r"\d", r"\w", r"\s", r"\D", r"\W", r"\S"]
SET_ITEMS = ["a", "b", "c", "x", "0", "1", "_", " ", ".", "a-c", "0-9", "b-x", r"\d", r"\w", r"\s", r"\W"]


class Gen:
    def __init__(self, rng):
        self.rng = rng
        self.groups = 0       # groups opened so far
        self.closed = []      # numbers of groups already closed
        self.fold = False     # case folding: back-references differ, leave them out

    def atom(self, depth):
        r = self.rng.random()
        if r < 0.35:
            return self.rng.choice(LITERALS)
        if r < 0.45:
            return "."
        if r < 0.53:
            return self.rng.choice(CLASSES)
        if r < 0.58:
            return self.rng.choice(ESCAPED)
        if r < 0.72:
            items = self.rng.sample(SET_ITEMS, self.rng.randint(2, 4))
            neg = "^" if self.rng.random() < 0.3 else ""
            return "[" + neg + "".join(items) + "]"
        if r < 0.92 and depth < 3:
            self.groups += 1
            n = self.groups
            inner = self.alternation(depth + 1)
            self.closed.append(n)
            return "(" + inner + ")"
        if self.closed and not self.fold and r < 0.97:
            n = self.rng.choice(self.closed)
            if n <= 9:
                return "\\%d" % n
        return self.rng.choice(LITERALS)

    def quantifier(self, atom):
        r = self.rng.random()
        if r < 0.55:
            return ""
        if atom.startswith("(") or atom.startswith("\\") and atom[1:].isdigit():
            # Unbounded repeats of groups make both engines exponential.
            q = self.rng.choice(["?", "{1}", "{2}", "{0,2}", "{1,2}"])
        else:
            q = self.rng.choice(["*", "+", "?", "{1}", "{2}", "{1,}", "{2,}", "{0,2}", "{1,3}", "{2,3}", "{3}"])
        if self.rng.random() < 0.3:
            q += "?"
        return q

    def sequence(self, depth):
        parts = []
        if self.rng.random() < 0.1:
            parts.append("^")
        for _ in range(self.rng.randint(1, 4)):
            a = self.atom(depth)
            parts.append(a + self.quantifier(a))
        if self.rng.random() < 0.1:
            parts.append("$")
        return "".join(parts)

    def alternation(self, depth):
        alts = [self.sequence(depth)]
        while self.rng.random() < 0.25 and len(alts) < 3:
            alts.append(self.sequence(depth))
        return "|".join(alts)


FIXED = [
    ("(a)$|(a)", "ab\nba\nxaay\na"),
    ("^(a)|(a)", "ab\nba\nxaay\na"),
    ("(a+)$|(a)", "aa\nbaa\nxaay"),
    ("^( +)|( +)$", "  x y  \n z \n   "),
    ("(^a|b$)|(a|b)", "ab\nba\nbab\n"),
    ("(a)(b*)$|(a)(b)", "abb\nabbx\nab"),
    ("(x?)(a)$|(a)", "xa\nxab\na"),
]


def repeated_groups(pattern):
    """Numbers of the groups that sit in a repeated group or are repeated
    themselves: where an iteration of such a group matches empty, Python
    keeps what an earlier one captured and we (as Perl does) the last, so
    their captures are not compared."""
    repeated, stack, inner = set(), [], []
    opened = 0
    i = 0
    while i < len(pattern):
        c = pattern[i]
        if c == "\\":
            i += 2
            continue
        if c == "[":
            i += 1
            if i < len(pattern) and pattern[i] == "^":
                i += 1
            if i < len(pattern) and pattern[i] == "]":
                i += 1
            while i < len(pattern) and pattern[i] != "]":
                i += 2 if pattern[i] == "\\" else 1
        elif c == "(":
            opened += 1
            stack.append(opened)
            inner.append([opened])
        elif c == ")" and stack:
            stack.pop()
            mine = inner.pop()
            if i + 1 < len(pattern) and pattern[i + 1] in "*+?{":
                repeated.update(mine)
            if inner:
                inner[-1].extend(mine)
        i += 1
    return repeated


def subject(rng):
    return "".join(rng.choice(SUBJECT_CHARS) for _ in range(rng.randint(0, 24)))


def main():
    if not os.access(KXFIND, os.X_OK):
        print("kxfind not built at", KXFIND)
        return 1
    warnings.simplefilter("ignore")
    rng = random.Random(SEED)
    cases = []
    lines = []
    # Where "^" or "$" decides which alternative takes a match, and so which
    # group a replacement reads: first, whatever the seed.
    for pattern, s in FIXED:
        cases.append((pattern, re.compile(pattern, re.M | re.A), s, 0))
        lines.append("0 %s %s chunks" % (pattern.encode().hex(), s.replace("\n", "\r").encode().hex()))
    patterns = 0
    while patterns < CASES:
        g = Gen(rng)
        g.fold = rng.random() < 0.2
        pattern = g.alternation(0)
        flags = re.M | re.A | (re.I if g.fold else 0)
        try:
            rx = re.compile(pattern, flags)
        except re.error:
            continue
        options = 2 if g.fold else 0
        patterns += 1
        for k in range(2):
            s = subject(rng)
            if rng.random() < 0.5 and "a" in pattern:
                s = s.upper() if g.fold and rng.random() < 0.5 else s
            cases.append((pattern, rx, s, options))
            ours = s.replace("\n", "\r").encode()
            # The first subject of each pattern is also searched over chunks.
            lines.append("%d %s %s%s" % (options, pattern.encode().hex() or "-", ours.hex() or "-",
                                         " chunks" if k == 0 else ""))
    if os.environ.get("KX_REGEXP_DUMP"):
        with open(os.environ["KX_REGEXP_DUMP"], "w") as f:
            f.write("\n".join(lines) + "\n")
    proc = subprocess.run([KXFIND, "--batch"], input="\n".join(lines) + "\n", capture_output=True,
                          text=True, check=False)
    if proc.returncode != 0:
        print("kxfind --batch failed:", proc.returncode, proc.stderr[-2000:])
        return 1
    answers = proc.stdout.split("\n")
    mismatches = 0
    compared = 0
    for k, (pattern, rx, s, options) in enumerate(cases):
        search, anchored, *chunked = answers[k].split("|")
        ours = [int(x) for x in anchored.split()]
        found = [tuple(int(v) for v in m.split(":")) for m in search.split()]
        problems = []
        for q in range(len(s)):
            end = s.find("\n", q)
            if end < 0:
                end = len(s)
            m = rx.match(s, q, end)
            if m is not None and m.end() == q:
                continue
            theirs = 0 if m is None else m.end() - q
            compared += 1
            if theirs != ours[q]:
                problems.append("at %d: ours %d, re %d" % (q, ours[q], theirs))
        expected = []
        q = 0
        while q < len(s):
            if ours[q] > 0:
                expected.append((q, ours[q]))
                q += ours[q]
            else:
                q += 1
        if expected != found:
            problems.append("search %s, anchored lengths imply %s" % (found, expected))
        if chunked:
            fromStore, fromStoreBack = ([tuple(int(v) for v in m.split(":")) for m in c.split()] for c in chunked[:2])
            if fromStore != expected:
                problems.append("search over chunks %s, anchored lengths imply %s" % (fromStore, expected))
            # Backward, every start is found (each search goes on from the last start).
            expectedBack = [(q, ours[q]) for q in range(len(s) - 1, -1, -1) if ours[q] > 0]
            if fromStoreBack != expectedBack:
                problems.append("backward search over chunks %s, anchored lengths imply %s" % (fromStoreBack, expectedBack))
            # Each match found there, checked as a selection and expanded
            # through its groups, is Python's match at that place in its line.
            checks = [c.split(":") for c in chunked[2].split()]
            if len(checks) != len(fromStore):
                problems.append("%d checks for %d matches" % (len(checks), len(fromStore)))
            for (q, n), (check, groups) in zip(fromStore, checks):
                end = s.find("\n", q)
                m = rx.match(s, q, len(s) if end < 0 else end)
                if m is None or m.end() - q != n:
                    continue
                want = [m.group(0)] + [(m.group(g) or "") if g <= rx.groups else "" for g in range(1, 10)]
                ours = (bytes.fromhex(groups).decode() if groups != "-" else "").split("\x01")
                skip = repeated_groups(pattern)
                want = [w.replace("\n", "\r") for g, w in enumerate(want) if g not in skip]
                ours = [o for g, o in enumerate(ours) if g not in skip]
                if int(check) != n or ours != want:
                    problems.append("check at %d: ours %s %r, re %d %r" % (q, check, ours, n, want))
        if problems:
            mismatches += 1
            if mismatches <= 20:
                print("MISMATCH options %d pattern %r subject %r: %s" % (options, pattern, s, "; ".join(problems)))
    print("%d patterns, %d cases, %d offsets compared, %d mismatching cases" % (patterns, len(cases), compared, mismatches))
    return 1 if mismatches else 0


if __name__ == "__main__":
    sys.exit(main())
