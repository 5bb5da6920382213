#!/usr/bin/env python3
"""kxsed over files: how lines are read into units, written back, and how
expressions that begin with one or two literal units are looked for.

Random Shift_JIS-ish input (double-byte characters, lead bytes without a
trail, trail bytes that look like ASCII, NUL, long runs of ASCII and lines
longer than the first line buffer) goes through scripts whose output a small
model computes from the units: a unit boundary marker, a global substitution
of a pair of units, an address on such a pair, and the hold-space swap of
the benchmark.

Environment: KX_BIN_DIR (drivers), KX_RANDOM_STEPS (inputs, default 30).
"""
import os
import random
import subprocess
import sys
import tempfile

KXSED = os.path.join(os.environ.get("KX_BIN_DIR", "build/bin"), "kxsed")
STEPS = int(os.environ.get("KX_RANDOM_STEPS", "0") or 0) or 30


def lead(b):
    return 0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC


def trail(b):
    return 0x40 <= b <= 0xFC and b != 0x7F


def units(line):
    """The units of one line's bytes (no LF): a lead byte joins a trail byte."""
    out, i = [], 0
    while i < len(line):
        if lead(line[i]) and i + 1 < len(line) and trail(line[i + 1]):
            out.append(line[i:i + 2])
            i += 2
        else:
            out.append(line[i:i + 1])
            i += 1
    return out


def replace_pair(us, pair, by):
    out, i = [], 0
    while i < len(us):
        if us[i:i + 2] == pair:
            out.append(by)
            i += 2
        else:
            out.append(us[i])
            i += 1
    return b"".join(out)


def has_pair(us, pair):
    return any(us[i:i + 2] == pair for i in range(len(us) - 1))


PIECES = [b"a", b"b", b"c", b"1", b" ", b"\x82\xa0", b"\x82\xa2", b"\x82", b"\x81a", b"\x95\x5c", b"\\", b"\x80",
          b"\xa0", b"\xde", b"\x00", b"\xfc\xfc", b"\x7f", b"ab", b"abcabcabcabcabcabc", b"\x82ab"]
PAIRS = [[b"a", b"b"], [b"\x82\xa0", b"a"], [b"b", b"\x82\xa2"], [b"\x81a", b"b"], [b"1", b" "], [b"c", b"a"]]


def sed_text(us):
    return b"".join(us)


def main():
    rng = random.Random(11)
    failures = 0
    for step in range(STEPS):
        lines = []
        # Now and then an input of several blocks of the reader (64 KiB), so
        # that lines and characters are cut at a block's end.
        for _ in range(rng.randint(1, 12) if step % 5 else rng.randint(900, 1400)):
            if rng.random() < 0.2:
                # Plain ASCII around the sizes that bytes are read in.
                lines.append(bytes(rng.choice(b"abc1 ") for _ in range(rng.choice([15, 16, 17, 31, 32, 33, 48]))))
            elif rng.random() < 0.05:
                # Longer than the first line buffer (3000 units).
                lines.append(b"".join(rng.choice(PIECES) for _ in range(rng.randint(1500, 4000))))
            else:
                lines.append(b"".join(rng.choice(PIECES) for _ in range(rng.randint(0, 30))))
        data = b"\n".join(lines) + (b"\n" if rng.random() < 0.8 else b"")
        if not data:
            continue
        line_units = [units(line) for line in lines]
        if not data.endswith(b"\n") and lines[-1] == b"":
            line_units.pop()
        pair = rng.choice(PAIRS)
        pair_bytes = b"".join(pair)
        cases = [
            (b"s/./&|/g", b"".join(b"".join(u + b"|" for u in us) + b"\n" for us in line_units)),
            (b"s/" + pair_bytes + b"/<>/g", b"".join(replace_pair(us, pair, b"<>") + b"\n" for us in line_units)),
            (b"/" + pair_bytes + b"/!d", b"".join(sed_text(us) + b"\n" for us in line_units if has_pair(us, pair))),
        ]
        hold, swapped = b"", []
        for us in line_units:
            swapped.append(hold + b" | " + sed_text(us) + b"\n")
            hold = sed_text(us)
        cases.append((b"x;G;s/\\n/ | /", b"".join(swapped)))
        for script, want in cases:
            got = run_bytes(script, data)
            if got != want:
                failures += 1
                print(f"step {step}: {script!r} on {data[:200]!r}:\n  want {want[:200]!r}\n  got  {got[:200]!r}")
                if failures > 5:
                    break
        if failures > 5:
            break
    # A character, a lone lead byte and a LF right at the end of the reader's
    # first block (and one byte to each side of it).
    block = 1 << 16
    for shift in (-1, 0, 1):
        for tail in (b"\x82\xa0b\n", b"\x82\nb\n", b"\nb\n", b"\x82"):
            data = b"a" * (block - 1 + shift) + tail
            lines = data.split(b"\n")
            if data.endswith(b"\n"):
                lines.pop()
            want = b"".join(b"".join(u + b"|" for u in units(line)) + b"\n" for line in lines)
            got = run_bytes(b"s/./&|/g", data)
            if got != want:
                failures += 1
                print(f"block end, shift {shift}, tail {tail!r}: want ...{want[-40:]!r}, got ...{got[-40:]!r}")
    print(f"{STEPS * 4 + 12 - failures} passed, {failures} failed")
    return 1 if failures else 0


def run_bytes(script, data):
    # The script goes in a file: its bytes need not be valid in any locale.
    with tempfile.NamedTemporaryFile(delete=False) as s, tempfile.NamedTemporaryFile(delete=False) as f:
        s.write(script + b"\n")
        f.write(data)
        names = (s.name, f.name)
    try:
        r = subprocess.run([KXSED, "-f", names[0], names[1]], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    finally:
        for name in names:
            os.unlink(name)
    if r.returncode != 0:
        raise SystemExit(f"kxsed failed ({r.returncode}) on {script!r}: {r.stderr!r}")
    return r.stdout


if __name__ == "__main__":
    sys.exit(main())
