#!/usr/bin/env python3
"""Differential test of kxsed against GNU sed (POSIX mode) and busybox sed.

Each case runs the same script over the same input in every peer and
compares standard output, written files and success. Cases where our
dialect differs on purpose run against our own expected output instead; the
list DIFFERENCES says why each one differs.
"""
import os
import shutil
import subprocess
import sys
import tempfile

BIN = os.environ.get("KX_BIN_DIR") or os.path.join(os.path.dirname(__file__), "../../build/bin")
KXSED = os.path.abspath(os.path.join(BIN, "kxsed"))
GNU = ["sed", "--posix"]
BUSYBOX = ["busybox", "sed"] if shutil.which("busybox") else None

# Intended differences from the peers, with the reason.
DIFFERENCES = """
- l: a non-printable unit is a backslash and two uppercase hex digits (or
  \\b \\t \\n \\r \\e); no "$" at the end, no folding of long lines; bytes
  0x80-0xFF and double-byte characters are printed as they are; a backslash
  is not doubled. The listing is meant for Shift_JIS text.
- s///g after an empty match moves on one unit and stops once the rest of
  the line is empty: s/x*/-/g on "abc" gives "-a-b-c" (peers: "-a-b-c-"),
  and an empty match right after a non-empty one is allowed: s/b*/-/g on
  "abc" gives "-a--c" (peers: "-a-c-").
- s///N with N >= 2 finds nothing once an earlier match ends the line, and
  a number together with g replaces the N-th match only (GNU: the N-th and
  all after it).
- The GNU extensions (0~N, addr,+N, the I and M flags, T, W, e, F, z, R, v,
  \cREGEXc addresses, [[:class:]]) are not part of the dialect.
- A line is always written with a line end, also when the input's last line
  had none.
- Each -e is a script of its own: a block opened in one -e must close in it.
- Inside brackets a backslash escapes (\\n, \\t, \\], \\\\), as outside them.
- "a", "i" and "c" take text to the end of their line only in the one-line
  form; "a\\" followed by the text in the next -e gives an empty text.
- "#n" turns on -n only as the whole first line of the script; POSIX (and
  busybox, also on later lines) take any first line starting "#n", so a
  comment such as "#new rule" would silence the output.
- The one-line forms of a, i and c ("1i text") are compared with busybox
  only: GNU sed in POSIX mode refuses them.
- Exit codes: the error code 1-25 of the first error reported.
"""

# (name, args, input, peers): peers "gb" = GNU and busybox, "g" = GNU only.
CASES = [
    # addresses and ranges
    ("line number", ["-n", "2p"], "a\nb\nc\n", "gb"),
    ("last line", ["-n", "$p"], "a\nb\nc\n", "gb"),
    ("regex address", ["-n", "/b/p"], "a\nb\nc\nab\n", "gb"),
    ("negated", ["/b/!d"], "a\nb\nc\nab\n", "gb"),
    ("numeric range", ["2,3d"], "1\n2\n3\n4\n", "gb"),
    ("regex range", ["-n", "/s/,/e/p"], "a\ns\nb\ne\nc\ns\nx\n", "gb"),
    ("range to end", ["-n", "/b/,$p"], "a\nb\nc\n", "gb"),
    ("backward range", ["-n", "2,1p"], "a\nb\nc\n", "gb"),
    ("range both on one line", ["-n", "/a/,/b/p"], "ab\nc\nb\nd\n", "gb"),
    ("range by number after regex", ["-n", "/b/,3p"], "a\nb\nc\nd\nb\ne\n", "gb"),
    ("range negated", ["2,3!d"], "1\n2\n3\n4\n", "gb"),
    # blocks
    ("block", ["-n", "/a/{p;p;}"], "a\nb\n", "gb"),
    ("block lines", ["-n", "/a/{\np\n}\n"], "a\nb\na\n", "gb"),
    ("nested blocks", ["-n", "1,3{/b/{p\n}\n}"], "a\nb\nc\nb\n", "gb"),
    ("negated block", ["/a/!{s/./X/\n}"], "a\nb\n", "gb"),
    ("block on last line", ["-n", "$!{N;s/a\\nb/X/p;}"], "a\nb\n", "gb"),
    # a, i, c
    ("append", ["/b/a\\\nnew"], "a\nb\nc\n", "gb"),
    ("insert", ["2i\\\nnew"], "a\nb\nc\n", "gb"),
    ("change", ["/b/c\\\nnew"], "a\nb\nc\n", "gb"),
    ("change range", ["2,3c\\\nnew"], "a\nb\nc\nd\n", "gb"),
    ("append one-line", ["$a end"], "a\nb\n", "b"),
    ("insert one-line", ["1i top"], "a\nb\n", "b"),
    ("append then next", ["a\\\nX\nn"], "a\nb\nc\n", "gb"),
    ("append and quit", ["a\\\nX\nq"], "a\nb\n", "gb"),
    ("read file", ["/b/r {R}"], "a\nb\nc\n", "gb"),
    ("read missing file", ["r /nonexistent/file"], "a\n", "gb"),
    # branching
    ("join all lines", [":a;N;$!ba;s/\\n/ /g"], "a\nb\nc\n", "gb"),
    ("branch to end", ["/a/b\ns/./X/"], "a\nb\n", "gb"),
    ("branch label", ["/a/bx\ns/./X/\n:x\ns/$/!/"], "a\nb\n", "gb"),
    ("t loop", [":a\ns/aa/a/\nta"], "aaaaa\nb\n", "gb"),
    ("t without s", ["ty\ns/$/-/\n:y"], "a\n", "gb"),
    ("t reset by new line", ["s/a/A/\nn\nty\ns/$/-/\n:y"], "a\nb\n", "gb"),
    ("t after failing s", ["s/a/A/\ns/x/X/\nty\ns/$/-/\n:y"], "a\n", "gb"),
    ("empty regex run time", ["/b/bx\n:y\ns//b/\nty\nb\n:x\n/a/by"], "ab\n", "g"),
    # hold space
    ("hold and get", ["-n", "1h;2{g;p;}"], "a\nb\n", "gb"),
    ("reverse lines", ["-n", "1!G;h;$p"], "a\nb\nc\n", "gb"),
    ("append hold", ["-n", "H;${x;s/\\n/,/g;p;}"], "a\nb\nc\n", "gb"),
    ("exchange", ["x"], "a\nb\n", "gb"),
    ("G on empty hold", ["G"], "a\n", "gb"),
    # substitution
    ("s plain", ["s/o/0/"], "foo\n", "gb"),
    ("s global", ["s/o/0/g"], "foo boo\n", "gb"),
    ("s nth", ["s/a/b/2"], "aaa\n", "gb"),
    ("s nth missing", ["s/a/b/2\nty\ns/$/-/\n:y"], "a\n", "gb"),
    ("s print", ["-n", "s/a/b/p"], "a\nc\n", "gb"),
    ("s nth print", ["-n", "s/a/b/3p"], "aaaa\naa\n", "gb"),
    ("s write", ["s/a/b/w {W}"], "a\nc\na\n", "gb"),
    ("s groups", ["s/\\(.\\)\\(.\\)/\\2\\1/"], "ab\n", "gb"),
    ("s ampersand", ["s/b*/[&]/"], "bbc\n", "gb"),
    ("s escaped ampersand", ["s/a/\\&/"], "a\n", "gb"),
    ("s newline in rhs", ["s/ /\\n/g"], "a b c\n", "g"),
    ("s other delimiter", ["s|/|:|g"], "/a/b\n", "gb"),
    ("s anchored", ["s/^a/X/g"], "aaa\n", "gb"),
    ("s end anchor", ["s/a$/X/"], "aaa\n", "gb"),
    ("s star", ["s/a*b/X/"], "caaab\n", "gb"),
    ("s dot star", ["s/.*:/X/"], "a:b:c\n", "gb"),
    ("s bracket", ["s/[0-9][0-9]*/N/g"], "a12b3\n", "gb"),
    ("s negated bracket", ["s/[^a]/-/g"], "abca\n", "gb"),
    ("s bracket close first", ["s/[]a]/X/g"], "a]b\n", "gb"),
    ("s counted", ["s/a\\{2,3\\}/X/g"], "aaaaaaa\n", "gb"),
    ("s counted exact", ["s/a\\{2\\}/X/"], "aaa\n", "gb"),
    ("s back reference", ["-n", "s/\\(a*\\)b\\1/X/p"], "aabaa\naba\nab\n", "gb"),
    ("s literal star first", ["s/*a/X/"], "b*a\n", "gb"),
    ("s dollar inside", ["s/a$b/X/"], "a$b\n", "gb"),
    ("s caret inside", ["s/a^b/X/"], "a^b\n", "gb"),
    ("s empty line", ["s/^$/E/"], "\na\n\n", "gb"),
    ("s global anchored end", ["s/$/!/g"], "ab\n", "gb"),
    # N, D, P, n, q, =, y
    ("N pairs", ["N;s/\\n/-/"], "a\nb\nc\nd\n", "gb"),
    ("N on last line", ["N;s/\\n/-/"], "a\nb\nc\n", "g"),
    ("N last line guarded", ["$!N;s/\\n/-/"], "a\nb\nc\n", "gb"),
    ("P and D", ["$!N;P;D"], "a\nb\nc\n", "gb"),
    ("D without newline", ["D"], "a\nb\n", "gb"),
    ("remove duplicate lines", ["$!N;/^\\(.*\\)\\n\\1$/!P;D"], "a\na\nb\nc\nc\n", "gb"),
    ("n", ["n;d"], "1\n2\n3\n4\n5\n", "gb"),
    ("n with -n", ["-n", "n;p"], "1\n2\n3\n", "gb"),
    ("q", ["2q"], "a\nb\nc\n", "gb"),
    ("q with -n", ["-n", "2{p;q;}"], "a\nb\nc\n", "gb"),
    ("line numbers", ["="], "a\nb\n", "gb"),
    ("line number last", ["-n", "$="], "a\nb\nc\n", "gb"),
    ("y", ["y/abc/xyz/"], "aabbcc\n", "gb"),
    ("y newline", ["N;y/\\n/ /"], "a\nb\n", "gb"),
    ("w", ["-n", "/a/w {W}"], "a\nb\nab\n", "gb"),
    ("p and d", ["p;d"], "a\nb\n", "gb"),
    # comments and -n forms
    ("#n first line", ["#n\n/a/p"], "a\nb\n", "gb"),
    ("#n later is a comment", ["/a/p\n#n"], "a\nb\n", "g"),
    ("comments and blanks", ["# c\n\n  \n# d"], "a\nb\n", "gb"),
    ("comment after command", ["p # print"], "a\n", "gb"),
    ("several -e", ["-e", "s/a/b/", "-e", "s/b/c/"], "a\n", "gb"),
    # errors (only success is compared)
    ("error unknown command", ["k"], "a\n", "gb"),
    ("error undefined label", ["b nowhere"], "a\n", "gb"),
    ("error unbalanced", ["/a/{p"], "a\n", "g"),
]

# The matcher's fast paths (the skip to the first character of an unanchored
# expression, the single try of an anchored one, the skip to the character
# after a repeated atom, the failure memo of starred atoms) against anchors,
# "$", back references and intervals, each first atom in addresses and in s,
# with and without g, at the start and after an embedded LF.
FIRST_ATOMS = ["a", "[a]", "[^x]", "\\(a\\)", ".", "a*b", "a\\{2\\}", "\\(a\\)\\1", "[ab]*b", ".*a"]
FAST_INPUT = "xab\naab\n=aa\nab\nba\naa\nb\nxaab\n"
FAST_SCRIPTS = ["s/^{A}/Z/", "s/^{A}/Z/g", "/^{A}/!d", "s/{A}$/Z/", "s/{A}$/Z/g",
                "s/x{A}/Z/g", "s/{A}b/Z/2", "N;s/^{A}/Z/g", "N;s/{A}$/Z/", "$!N;/^{A}/!d",
                "/^{A}/,/^{A}/s/$/!/"]
for atom in FIRST_ATOMS:
    for script in FAST_SCRIPTS:
        CASES.append((f"fast path {script.replace('{A}', atom)}", [script.replace("{A}", atom)], FAST_INPUT, "gb"))
CASES += [
    ("fast path back reference after star", ["-n", "s/\\(a\\)b*\\1/Z/p"], "aba\nab\nabbba\nxaa\n", "gb"),
    ("fast path interval then char", ["s/a\\{2,3\\}b/Z/g"], "ab\naab\naaaab\nxaaabaab\n", "gb"),
    ("fast path star memo", ["s/a*a*a*c/Z/"], "aaaaaaaaaaaaaaaaaab\naaac\n", "gb"),
]

# (name, args, input, expected output of ours)
OWN = [
    ("l controls", ["-n", "l"], b"a\tb\x01c\\\n", b"a\\tb\\01c\\\n"),
    ("l escapes", ["-n", "l"], b"\x08\x0d\x1b\x7f\n", b"\\b\\r\\e\\7F\n"),
    ("l double-byte", ["-n", "l"], "\u65e5\u672c\n".encode("cp932"), "\u65e5\u672c\n".encode("cp932")),
    ("l embedded newline", ["-n", "N;l"], b"a\nb\n", b"a\\nb\n"),
    ("l to file", ["-n", "lw {W}"], b"a\tb\n", b""),
    ("empty matches", ["s/x*/-/g"], b"abc\n", b"-a-b-c\n"),
    ("empty after match", ["s/b*/-/g"], b"abc\n", b"-a--c\n"),
    ("no final newline", ["p"], b"a", b"a\na\n"),
    ("double-byte swap", ["s/\\(.\\)\\(.\\)/\\2\\1/"], "\u3042\u3044\u3046\n".encode("cp932"),
     "\u3044\u3042\u3046\n".encode("cp932")),
    ("hex double-byte", ["s/\\x82A0/X/"], "\u3042\n".encode("cp932"), b"X\n"),
    ("hex escape", ["s/\\x41/b/"], b"A\n", b"b\n"),
    ("hex without digits", ["s/\\xZZ/y/"], b"xZZ\n", b"y\n"),
    ("#note is a comment", ["#note\np"], b"a\n", b"a\na\n"),
    ("#n with -e later", ["-e", "p", "-e", "#n"], b"a\n", b"a\na\n"),
    ("y double-byte", ["y/\u3042\u3044/\u3044\u3042/"], "\u3042\u3044\n".encode("cp932"),
     "\u3044\u3042\n".encode("cp932")),
    ("range of double-byte", ["s/[\u3041-\u3093]/H/g"], "\u3042a\u30a2\n".encode("cp932"),
     "Ha\u30a2\n".encode("cp932")),
]

# Japanese: scripts without ranges over non-ASCII; input is Shift_JIS for us
# and UTF-8 for GNU sed in C.UTF-8.
JAPANESE = [
    ("ja substitute", ["s/\u65e5\u672c/\u306b\u307b\u3093/g"], "\u65e5\u672c\u8a9e\u3068\u65e5\u672c\n\u82f1\u8a9e\n"),
    ("ja dot", ["s/\u8a9e./X/"], "\u65e5\u672c\u8a9e\u3067\u3059\n"),
    ("ja groups", ["s/\\(.\\)\\(.\\)/\\2\\1/"], "\u3042\u3044\u3046\n"),
    ("ja address", ["-n", "/\u82f1/p"], "\u65e5\u672c\n\u82f1\u8a9e\n"),
    ("ja y", ["y/\u3042\u3044/\u30a2\u30a4/"], "\u3042\u3044\u3046\n"),
    ("ja bracket", ["s/[\u3042\u3044]/-/g"], "\u3042\u304b\u3044\n"),
    ("ja star", ["s/\u3042*/X/"], "\u3042\u3042\u3042\u3044\n"),
    ("ja table second byte 5C", ["s/\u8868/T/"], "\u8868\u793a\n"),
    ("ja join", [":a;N;$!ba;s/\\n/\u3001/g"], "\u4e00\n\u4e8c\n\u4e09\n"),
    ("ja hold", ["-n", "1!G;h;$p"], "\u4e00\n\u4e8c\n\u4e09\n"),
]


def run(cmd, args, data, cwd, env=None):
    p = subprocess.run(cmd + args, input=data, capture_output=True, cwd=cwd, env=env, timeout=30)
    return p.returncode, p.stdout


def expand(args, tmp):
    w, r = os.path.join(tmp, "w.out"), os.path.join(tmp, "r.in")
    out = []
    for a in args:
        if isinstance(a, bytes):
            out.append(a.replace(b"{W}", w.encode()).replace(b"{R}", r.encode()))
        else:
            out.append(a.replace("{W}", w).replace("{R}", r))
    return out


def run_peer(name, cmd, args, data, env=None):
    tmp = tempfile.mkdtemp(prefix="kxsed-")
    try:
        with open(os.path.join(tmp, "r.in"), "wb") as f:
            f.write(b"read line 1\nread line 2\n")
        rc, out = run(cmd, expand(args, tmp), data, tmp, env)
        written = None
        wpath = os.path.join(tmp, "w.out")
        if os.path.exists(wpath):
            with open(wpath, "rb") as f:
                written = f.read()
        return rc, out, written
    finally:
        shutil.rmtree(tmp)


def iconv(data, src, dst):
    return subprocess.run(["iconv", "-f", src, "-t", dst], input=data, capture_output=True, check=True).stdout


def main():
    failures = []
    posix = dict(os.environ, POSIXLY_CORRECT="1", LC_ALL="C")
    for name, args, text, peers in CASES:
        data = text.encode()
        ours = run_peer("kxsed", [KXSED], args, data)
        others = [("GNU", GNU, posix)] if "g" in peers else []
        if "b" in peers and BUSYBOX:
            others.append(("busybox", BUSYBOX, dict(os.environ, LC_ALL="C")))
        for peer, cmd, env in others:
            theirs = run_peer(peer, cmd, args, data, env)
            if (ours[0] == 0) != (theirs[0] == 0) or ours[1:] != theirs[1:]:
                failures.append(f"{name} vs {peer}: ours {ours!r}, theirs {theirs!r}")
    for name, args, data, expected in OWN:
        args = [a.encode("cp932") for a in args]
        rc, out, written = run_peer("kxsed", [KXSED], args, data)
        got = written if b"{W}" in b" ".join(args) else out
        if b"lw" in args[-1]:
            expected = b"a\\tb\n"
        if rc != 0 or got != expected:
            failures.append(f"{name}: rc {rc}, got {got!r}, expected {expected!r}")
    utf8 = dict(os.environ, POSIXLY_CORRECT="1", LC_ALL="C.UTF-8")
    for name, args, text in JAPANESE:
        sjis_args = [a.encode("cp932") for a in args]
        rc, out = run([KXSED], sjis_args, text.encode("cp932"), None)
        grc, gout = run(GNU, args, text.encode("utf-8"), None, utf8)
        if rc != 0 or grc != 0 or out != iconv(gout, "UTF-8", "CP932"):
            failures.append(f"{name}: ours {out!r}, GNU {gout!r}")
    for f in failures:
        print("FAIL", f)
    total = len(CASES) + len(OWN) + len(JAPANESE)
    print(f"{total - len(failures)}/{total} cases agree")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
