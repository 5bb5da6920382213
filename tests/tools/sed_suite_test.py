#!/usr/bin/env python3
"""GNU sed's own test suite (read in place from the shared folder) run
through kxsed, for every case within our dialect.

Each case runs as the suite's Makefile runs it and is compared with the
suite's expected output. LEFT_OUT names every case of the suite that is not
run or not compared, with the reason; the test fails when the folder holds
a case that is neither run nor left out, so nothing is skipped silently.
Every run is bounded by kxsed's step budget (the whole run, not one search)
and, as a last guard, by a timeout.
"""
import json
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

BIN = os.environ.get("KX_BIN_DIR") or os.path.join(os.path.dirname(__file__), "../../build/bin")
KXSED = os.path.abspath(os.path.join(BIN, "kxsed"))
SHARED = os.environ.get("KX_SHARED_DIR") or os.path.join(os.path.dirname(__file__), "../../../shared")
SED_DATA = os.path.join(SHARED, "realdata", "sed")
SUITE = os.path.join(SED_DATA, "gnu-sed-4.4")
STEPS = ["--steps", "20000000"]
TIMEOUT = 300

# Run with -f NAME.sed < NAME.inp (second list: with -n as well).
PLAIN = """enable sep inclib 8bit 8to7 newjis xabcx dollar noeol bkslashes numsub head
madding mac-mf empty xbxcx xbxcx3 recall recall2 xemacs appquit fasts uniq manis
linecnt khadafy allsub flipcase space modulo y-bracket y-newline y-zero insert
brackets amp-escape newline-anchor""".split()
QUIET = "cv-vars classes middle dc distrib factor numsub2 numsub3 numsub4 numsub5 insens".split()

# Suite cases outside our dialect, with the reason.
LEFT_OUT = {
    # GNU extensions
    "0range": "-s and the address 0,/re/",
    "zero-anchor": "-z and the M flag",
    "newline-anchor": "the M flag",
    "insens": "the I flag",
    "case-insensitive": "the I flag",
    "modulo": "the address 0~2",
    "flipcase": "case conversion \\L \\u",
    "utf8-1": "case conversion \\U, UTF-8 locale",
    "utf8-2": "case conversion \\u, UTF-8 locale",
    "utf8-3": "case conversion \\u, UTF-8 locale",
    "utf8-4": "case conversion \\U, UTF-8 locale",
    "badenc": "the z command, UTF-8 locales",
    "eval": "the e command and the e flag",
    "inplace-hold": "-i",
    "space": "\\s and \\S",
    "classes": "[[:lower:]] and the other named classes",
    "quiet": "the long option --quiet",
    "file": "the long option --file",
    "help": "--help",
    "version": "--version",
    "recall2": "\\+ after a group",
    "xabcx": "an address with its own delimiter (\\xREx)",
    # the dialect's own documented differences
    "8to7": "l lists a unit as a backslash and two hex digits, without $ or folding",
    "noeol": "every line is written with a line end",
    "preserve-missing-EOL-at-EOF": "every line is written with a line end",
    "xbxcx": "s///g stops once the rest of the line is empty",
    "xbxcx3": "an empty match right after a non-empty one counts in s///N",
    "xemacs": "inside brackets a backslash escapes ([\\\"] is only the quote)",
    "y-zero": "\\x00 is the letter x itself",
    "madding": "a compiled expression holds at most 256 units",
    "khadafy": "an interval after a group is an error",
    "binary": "an interval after a group is an error",
    "binary2": "an interval after a group is an error",
    "binary3": "an interval after a group is an error",
}

# Sections of bsd.sh outside the dialect, with the reason.
BSD_LEFT_OUT = {
    "2.11": "an address with its own delimiter (\\_RE_)",
    "6.3": "N at the end of input quits without printing (as POSIX says)",
    "7.1": "l lists a unit as a backslash and two hex digits, without $ or folding",
    "8.3": "an escaped delimiter in an expression is that character literally",
}
# bsd.sh's error checks expect "sed -e" without a script to fail; the
# dialect ignores a trailing -e, so the wrapper answers that one call.
BSD_WRAPPER = """#!/bin/sh
if [ "$#" = 1 ] && [ "$1" = "-e" ]; then exit 1; fi
exec "{kxsed}" {steps} "$@"
"""


def run(args, stdin_data=None, stdin_file=None, cwd=None):
    src = open(stdin_file, "rb") if stdin_file else None
    try:
        p = subprocess.run([KXSED] + STEPS + args, input=stdin_data, stdin=src, capture_output=True,
                           cwd=cwd, timeout=TIMEOUT)
    finally:
        if src:
            src.close()
    return p.returncode, p.stdout.replace(b"\r", b""), p.stderr


def read(name):
    with open(os.path.join(SUITE, name), "rb") as f:
        return f.read()


def with_line_end(expected, input_data):
    """Our output for an input whose last line has no line end."""
    if input_data and not input_data.endswith(b"\n") and not expected.endswith(b"\n"):
        return expected + b"\n"
    return expected


def makefile_cases():
    """Cases from the script triples the Makefile runs."""
    cases = []
    for name in PLAIN + QUIET:
        args = (["-n"] if name in QUIET else []) + ["-f", os.path.join(SUITE, name + ".sed")]
        cases.append((name, args, name + ".inp", name + ".good"))
    return cases


def check_triple(name, args, inp, good, failures):
    rc, out, err = run(args, stdin_file=os.path.join(SUITE, inp))
    expected = with_line_end(read(good), read(inp))
    if rc != 0 or out != expected:
        failures.append(f"{name}: rc {rc}, {err.decode(errors='replace').strip()[:200]}\n"
                        f"  got      {out[:300]!r}\n  expected {expected[:300]!r}")


def check_files(failures):
    """The cases that write files or read a second input."""
    tmp = tempfile.mkdtemp(prefix="kxsed-suite-")
    try:
        # w files named in the script, relative to the working folder.
        for name, outs in (("subwrite", ("subwrt1.good", "subwrt2.good")),
                           ("writeout", ("wrtout1.good", "wrtout2.good"))):
            rc, out, _ = run(["-f", os.path.join(SUITE, name + ".sed")],
                             stdin_file=os.path.join(SUITE, name + ".inp"), cwd=tmp)
            with open(os.path.join(tmp, name + ".wout"), "rb") as f:
                written = f.read()
            if rc != 0 or out != read(outs[0]) or written != read(outs[1]):
                failures.append(f"{name}: rc {rc}, out {out[:200]!r}, written {written[:200]!r}")
        # noeolw: two inputs whose last lines have no line end, two w files.
        noeol = os.path.join(SUITE, "noeol.inp")
        rc, out, _ = run(["-n", "-f", os.path.join(SUITE, "noeolw.sed"), noeol, noeol], cwd=tmp)
        got = [out]
        for k in (1, 2):
            with open(os.path.join(tmp, f"noeolw.{k}out"), "rb") as f:
                got.append(f.read())
        expected = [with_line_end(read(g), read("noeol.inp")) for g in
                    ("noeolw.good", "noeolw.1good", "noeolw.2good")]
        if rc != 0 or got != expected:
            failures.append(f"noeolw: rc {rc}, got {got!r}, expected {expected!r}")
        # readin: r of a file made by the suite's recipe.
        with open(os.path.join(tmp, "readin.in2"), "wb") as f:
            f.write(b"MOO\n")
        rc, out, _ = run(["-f", os.path.join(SUITE, "readin.sed")],
                         stdin_file=os.path.join(SUITE, "readin.inp"), cwd=tmp)
        if rc != 0 or out != read("readin.good"):
            failures.append(f"readin: rc {rc}, got {out[:200]!r}")
        # stdin: two runs sharing one standard input, from a file and a pipe.
        cmd = f"{shlex.quote(KXSED)} d; {shlex.quote(KXSED)} G"
        numsub = os.path.join(SUITE, "numsub.inp")
        with open(numsub, "rb") as f:
            one = subprocess.run(["sh", "-c", cmd], stdin=f, capture_output=True, timeout=TIMEOUT).stdout
        two = subprocess.run(["sh", "-c", f"cat {shlex.quote(numsub)} | ({cmd})"], capture_output=True,
                             timeout=TIMEOUT).stdout
        if one != two:
            failures.append(f"stdin: {one[:200]!r} != {two[:200]!r}")
    finally:
        shutil.rmtree(tmp)


def bsd_sections(text):
    """bsd.sh's log split at its "Test N.M:K" marks."""
    sections, current = {}, None
    lines = text.split(b"\n")
    for k, line in enumerate(lines):
        m = re.match(rb"^Test ([0-9.]+):\d+$", line)
        if m and 0 < k < len(lines) - 1 and set(lines[k - 1]) == {ord("=")}:
            current = m.group(1).decode()
            sections[current] = []
            continue
        if current is not None:
            sections[current].append(line)
    return sections


def check_bsd(failures):
    tmp = tempfile.mkdtemp(prefix="kxsed-bsd-")
    try:
        wrapper = os.path.join(tmp, "sed-under-test")
        with open(wrapper, "w") as f:
            f.write(BSD_WRAPPER.format(kxsed=KXSED, steps=" ".join(STEPS)))
        os.chmod(wrapper, 0o755)
        log = os.path.join(tmp, "bsd.out")
        env = dict(os.environ, LC_ALL="C")
        p = subprocess.run(["sh", os.path.join(SUITE, "bsd.sh"), wrapper, log], cwd=tmp, env=env,
                           capture_output=True, timeout=TIMEOUT)
        if p.returncode != 0 or not os.path.exists(log):
            failures.append(f"bsd: the error checks failed (rc {p.returncode})")
            return 0
        with open(log, "rb") as f:
            ours = bsd_sections(f.read().replace(b"\r", b""))
        good = bsd_sections(read("bsd.good"))
        ran = 0
        for name, lines in good.items():
            if name in BSD_LEFT_OUT:
                continue
            ran += 1
            if ours.get(name) != lines:
                failures.append(f"bsd {name}: got {ours.get(name)!r}, expected {lines!r}")
        for name in BSD_LEFT_OUT:
            if name not in good:
                failures.append(f"bsd: left-out section {name} is not in the suite")
        return ran
    finally:
        shutil.rmtree(tmp)


def check_misc(failures):
    """The cases listed in gnu-sed-misc-new.json: shell words, files, input."""
    with open(os.path.join(SED_DATA, "gnu-sed-misc-new.json")) as f:
        cases = json.load(f)
    tmp = tempfile.mkdtemp(prefix="kxsed-misc-")
    ran = 0
    try:
        for case in cases:
            name = case["name"]
            if name in LEFT_OUT:
                continue
            ran += 1
            args, data = [], b""
            items = case["args"]
            for k, item in enumerate(items):
                if isinstance(item, str):
                    args += shlex.split(item)
                elif k == len(items) - 1:
                    data = item["data"].encode()
                else:
                    path = os.path.join(tmp, f"{name}.{k}")
                    with open(path, "wb") as f:
                        f.write(item["data"].encode())
                    args.append(path)
            rc, out, err = run(args, stdin_data=data)
            expected = with_line_end(case["OUT"].encode(), data)
            if rc != 0 or out != expected:
                failures.append(f"misc {name}: rc {rc} {err!r}, got {out!r}, expected {expected!r}")
        return ran, {c["name"] for c in cases}
    finally:
        shutil.rmtree(tmp)


def main():
    if not os.path.isdir(SUITE):
        print(f"the suite is missing: {SUITE}")
        return 1
    failures = []
    ran = 0
    for name, args, inp, good in makefile_cases():
        if name in LEFT_OUT:
            continue
        ran += 1
        check_triple(name, args, inp, good, failures)
    check_files(failures)
    ran += 5
    bsd_ran = check_bsd(failures)
    misc_ran, misc_names = check_misc(failures)
    ran += misc_ran
    # Every script of the folder is run or left out by name.
    known = set(PLAIN + QUIET) | {"noeolw", "subwrite", "writeout", "readin", "bsd"} | set(LEFT_OUT)
    for entry in sorted(os.listdir(SUITE)):
        stem = entry.split(".")[0]
        if entry.endswith((".sed", ".sh")) and stem not in known:
            failures.append(f"{entry}: neither run nor left out")
    for name in LEFT_OUT:
        if not (os.path.exists(os.path.join(SUITE, name + ".sed")) or name in misc_names
                or name in ("inplace-hold", "help", "version", "quiet", "file")):
            failures.append(f"left-out case {name} is not in the suite")
    for f in failures:
        print("FAIL", f)
    print(f"{ran - len([f for f in failures if not f.startswith('bsd')])} of {ran} suite cases and "
          f"{bsd_ran} bsd.sh sections run; {len(LEFT_OUT)} cases and {len(BSD_LEFT_OUT)} sections left out")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
