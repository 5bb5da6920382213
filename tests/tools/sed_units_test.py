#!/usr/bin/env python3
"""kxsed over files: lines read into units and written back, and expressions
that begin with literal units looked for, against a model of the units.

Random Shift_JIS-ish input (double-byte characters, lone lead bytes, trail
bytes that look like ASCII, NUL, runs of ASCII, lines longer than the first
line buffer, inputs of several blocks of the reader, and characters and LFs
right at a block's end) goes through a unit marker, a substitution and an
address on a pair of units, and the hold-space swap of the benchmark.

Environment: KX_BIN_DIR (drivers), KX_RANDOM_STEPS (inputs, default 30).
"""
import os
import random
import subprocess
import sys
import tempfile

KXSED = os.path.join(os.environ.get("KX_BIN_DIR", "build/bin"), "kxsed")
STEPS = int(os.environ.get("KX_RANDOM_STEPS", "0") or 0) or 30
PIECES = [b"a", b"b", b"c", b"1", b" ", b"\x82\xa0", b"\x82\xa2", b"\x82", b"\x81a", b"\x95\x5c", b"\\", b"\x80",
          b"\xa0", b"\xde", b"\x00", b"\xfc\xfc", b"\x7f", b"ab", b"abcabcabcabcabcabc", b"\x82ab"]
PAIRS = [b"ab", b"\x82\xa0a", b"b\x82\xa2", b"\x81ab", b"1 ", b"ca"]
BLOCK = 1 << 16


def units(line):
    """The line's units, one character each: a lead byte joins a trail byte."""
    out, i = "", 0
    while i < len(line):
        pair = (0x81 <= line[i] <= 0x9F or 0xE0 <= line[i] <= 0xFC) and i + 1 < len(line) and \
            0x40 <= line[i + 1] <= 0xFC and line[i + 1] != 0x7F
        out += chr(0x10000 + line[i] * 256 + line[i + 1]) if pair else chr(line[i])
        i += 2 if pair else 1
    return out


def encode(text):
    return b"".join(bytes(divmod(ord(c) - 0x10000, 256)) if ord(c) >= 0x10000 else bytes([ord(c)]) for c in text)


def inputs(rng):
    for step in range(STEPS):
        lines = []
        for _ in range(rng.randint(1, 12) if step % 5 else rng.randint(900, 1400)):
            r = rng.random()
            if r < 0.2:   # plain ASCII around the sizes read sixteen at a time
                lines.append(bytes(rng.choice(b"abc1 ") for _ in range(rng.choice([15, 16, 17, 31, 32, 33, 48]))))
            else:
                n = rng.randint(1500, 4000) if r > 0.95 else rng.randint(0, 30)
                lines.append(b"".join(rng.choice(PIECES) for _ in range(n)))
        yield b"\n".join(lines) + (b"\n" if rng.random() < 0.8 else b"")
    for shift in (-1, 0, 1):
        for tail in (b"\x82\xa0b\n", b"\x82\nb\n", b"\nb\n", b"\x82"):
            yield b"a" * (BLOCK - 1 + shift) + tail


def run(script, data):
    # The script goes in a file: its bytes need not be valid in any locale.
    with tempfile.NamedTemporaryFile(delete=False) as s, tempfile.NamedTemporaryFile(delete=False) as f:
        s.write(script + b"\n")
        f.write(data)
    try:
        r = subprocess.run([KXSED, "-f", s.name, f.name], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    finally:
        os.unlink(s.name)
        os.unlink(f.name)
    if r.returncode != 0:
        raise SystemExit(f"kxsed failed ({r.returncode}) on {script!r}: {r.stderr!r}")
    return r.stdout


def main():
    rng = random.Random(11)
    passed = failed = 0
    for data in inputs(rng):
        if not data:
            continue
        lines = [units(line) for line in data.split(b"\n")]
        if data.endswith(b"\n"):
            lines.pop()
        pair = rng.choice(PAIRS)
        p = units(pair)
        hold, swapped = "", []
        for line in lines:
            swapped.append(hold + " | " + line)
            hold = line
        cases = [(b"s/./&|/g", ["".join(c + "|" for c in line) for line in lines]),
                 (b"s/" + pair + b"/<>/g", [line.replace(p, "<>") for line in lines]),
                 (b"/" + pair + b"/!d", [line for line in lines if p in line]),
                 (b"x;G;s/\\n/ | /", swapped)]
        for script, want in cases:
            want = b"".join(encode(line) + b"\n" for line in want)
            got = run(script, data)
            if got == want:
                passed += 1
            else:
                failed += 1
                print(f"{script!r} on {data[:100]!r}...{data[-60:]!r}:\n  want ...{want[-120:]!r}\n  got  ...{got[-120:]!r}")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
