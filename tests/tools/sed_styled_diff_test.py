#!/usr/bin/env python3
"""Differential test of the styled stream editor against the plain one.

Every plain-text case of sed_diff_test.py (those without "w" or "r" files
without lines continued by a backslash, which the styled editor's
window-style scripts do not have, and without CR bytes in the input) runs through `kxsed --styled` over a file
and through plain `kxsed` over the same bytes: the exit code and the text
must agree, line ends aside (the styled editor keeps a missing final line
end, and its paragraphs end in CR).
"""
import os
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sed_diff_test as base  # noqa: E402

KXSED = base.KXSED


def split_args(args):
    """Options and scripts of a plain kxsed command line."""
    no_print = "-n" in args
    scripts = []
    rest = [a for a in args if a != "-n"]
    k = 0
    while k < len(rest):
        if rest[k] == "-e" and k + 1 < len(rest):
            scripts.append(rest[k + 1])
            k += 2
        else:
            scripts.append(rest[k])
            k += 1
    return no_print, scripts


def plain(args, data, tmp):
    path = os.path.join(tmp, "in.txt")
    with open(path, "wb") as f:
        f.write(data)
    p = subprocess.run([KXSED] + args + [path], capture_output=True, timeout=30)
    return p.returncode, p.stdout.decode("cp932")


def styled(args, data, tmp, unicode_args):
    path = os.path.join(tmp, "in.txt")
    with open(path, "wb") as f:
        f.write(data)
    no_print, scripts = split_args(unicode_args)
    cmd = [KXSED, "--styled", "--encoding", "sjis"] + (["-n"] if no_print else [])
    for s in scripts:
        cmd += ["-e", s]
    p = subprocess.run(cmd + [path], capture_output=True, timeout=30)
    return p.returncode, p.stdout.decode("utf-8")


def usable(args):
    joined = "".join(a if isinstance(a, str) else a.decode("latin-1") for a in args)
    return "{W}" not in joined and "{R}" not in joined and "\\\n" not in joined


def main():
    failures = []
    cases = []
    for name, args, text, _ in base.CASES:
        cases.append((name, args, args, text.encode()))
    for name, args, data, _ in base.OWN:
        cases.append((name, [a.encode("cp932") for a in args], args, data))
    for name, args, text in base.JAPANESE:
        cases.append((name, [a.encode("cp932") for a in args], args, text.encode("cp932")))
    # A CR in the input is a paragraph end of a text: line ends aside.
    cases = [c for c in cases if usable(c[2]) and b"\r" not in c[3]]
    ran = len(cases)

    def compare(case):
        name, plain_args, unicode_args, data = case
        with tempfile.TemporaryDirectory(prefix="kxsed-styled-") as tmp:
            rc, out = plain(plain_args, data, tmp)
            src, sout = styled(plain_args, data, tmp, unicode_args)
        if rc != src or out.rstrip("\n") != sout.rstrip("\n"):
            return f"{name}: plain {rc} {out!r}, styled {src} {sout!r}"
        return None

    with ThreadPoolExecutor(max_workers=4) as pool:
        failures = [f for f in pool.map(compare, cases) if f]
    for f in failures:
        print("FAIL", f)
    print(f"{ran - len(failures)}/{ran} cases agree")
    return 1 if failures or ran < 100 else 0


if __name__ == "__main__":
    sys.exit(main())
