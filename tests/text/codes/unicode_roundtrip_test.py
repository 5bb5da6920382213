#!/usr/bin/env python3
"""Property check of the Unicode bridge: random text (BMP, beyond the BMP,
combining sequences, kana with voiced marks, compatibility ideographs,
Hangul) converted to styled text of script 0 and of script 1 and back must
come out as the NFC form of what went in, except that a character NFC
replaces on its own (a compatibility ideograph, the Angstrom sign) stays
as it is; the JIS names of a few symbols (U+301C and the like), which share their codes with cp932's
names, come back as they went (their side entries keep them). The
driver checks the offset maps of both directions on the way. Then the
converter's tables are compared with Python's cp932 codec: they may differ
only in the Mac-only codes and in those JIS names, to which Python's
shift_jis codec (or, for U+2014, the Mac set) must give the same code."""
import os
import random
import struct
import subprocess
import sys
import unicodedata

BIN = os.environ.get('KX_BIN_DIR', 'build/bin')
DRIVER = os.path.join(BIN, 'kxunicode')
MAC_ONLY_SINGLES = {0x80, 0xA0, 0xFD, 0xFE, 0xFF}
MAC_ONLY_ROWS = {0x85, 0x86}

POOLS = [
    (range(0x20, 0x7F), 30),                       # ASCII
    (range(0xA0, 0x250), 8),                       # Latin-1, Latin Extended
    (range(0x300, 0x370), 8),                      # combining marks
    (range(0x3041, 0x3097), 10),                   # hiragana
    (range(0x30A1, 0x30FB), 6),                    # katakana
    ([0x3099, 0x309A], 5),                         # combining voiced marks
    (range(0x4E00, 0x9FB0), 10),                   # ideographs
    (range(0xF900, 0xFADA), 2),                    # compatibility ideographs
    ([0xF929, 0xFA10, 0xFA2D, 0xF9DC], 2),         # the ones cp932 holds
    (range(0xAC00, 0xD7A4), 2),                    # Hangul syllables
    (list(range(0x1100, 0x1113)) + list(range(0x1161, 0x1176)) + list(range(0x11A8, 0x11C3)), 2),
    ([0x212B, 0x2126, 0x0958, 0x0344, 0x1E9B, 0x0F73, 0x2460, 0x00A5, 0x203E, 0xFF5E, 0x2225], 3),
    ([0x301C, 0x2016, 0x2212, 0x2014, 0x00A2, 0x00A3, 0x00AC], 2),   # JIS names
    ([0x1F100, 0x1F600, 0x20B9F, 0x1D15E, 0x1D160, 0x2F800, 0x10000, 0x110BA], 4),  # beyond the BMP
    (range(0x0100, 0x3400), 6),                    # anything in the lower BMP
]


def random_char(rng):
    pool = rng.choices([p for p, _ in POOLS], weights=[w for _, w in POOLS])[0]
    cp = rng.choice(pool)
    return chr(cp)


def random_text(rng):
    n = rng.choice([0, 1, 2, 3, 5, 8, 20, 60])
    return ''.join(random_char(rng) for _ in range(n))


def units(s):
    raw = s.encode('utf-16-le', 'surrogatepass')
    return raw, len(raw) // 2


def roundtrip(cases):
    data = bytearray()
    for script, s in cases:
        raw, n = units(s)
        data += struct.pack('<BI', script, n) + raw
    r = subprocess.run([DRIVER, 'roundtrip'], input=bytes(data), capture_output=True)
    sys.stderr.write(r.stderr.decode(errors='replace'))
    out, at = [], 0
    while at < len(r.stdout):
        (n,) = struct.unpack_from('<I', r.stdout, at)
        at += 4
        out.append(r.stdout[at:at + 2 * n].decode('utf-16-le', 'surrogatepass'))
        at += 2 * n
    return r.returncode, out


# Starters that NFC replaces on their own (compatibility ideographs, the
# Angstrom sign, composition exclusions): distinct characters, kept as
# they came in every script.
REPLACED_ALONE = {chr(cp) for cp in range(0x110000)
                  if not 0xD800 <= cp <= 0xDFFF and unicodedata.combining(chr(cp)) == 0
                  and unicodedata.normalize('NFC', chr(cp)) != chr(cp)}


def expected(s, kept):
    out, seg = [], []
    for ch in s:
        if ch in kept:
            out.append(unicodedata.normalize('NFC', ''.join(seg)))
            out.append(ch)
            seg = []
        else:
            seg.append(ch)
    out.append(unicodedata.normalize('NFC', ''.join(seg)))
    return ''.join(out)


def check_roundtrip():
    rng = random.Random(20240611)
    cases = []
    fixed = ['か\u3099', 'ウ\u3099', 'e\u0301', 'q\u0301', 'q\u0301\u0302', '\U0001F600x',
             'A\u030A\u0327', '\uF929', '\u212B', '\u212B\u0301', 'a\u0323\u0302',
             '\u1100\u1161\u11A8', '']
    for s in fixed:
        cases += [(0, s), (1, s)]
    for _ in range(3000):
        s = random_text(rng)
        cases.append((rng.choice([0, 1]), s))
    status, out = roundtrip(cases)
    failures = 0
    if len(out) != len(cases):
        print('FAIL: %d results for %d cases' % (len(out), len(cases)))
        return 1
    for (script, s), got in zip(cases, out):
        want = expected(s, REPLACED_ALONE)
        if got != want:
            failures += 1
            if failures <= 10:
                print('FAIL script %d: %s -> %s, want %s' % (
                    script, s.encode('unicode_escape'), got.encode('unicode_escape'),
                    want.encode('unicode_escape')))
    print('round trip: %d cases, %d failures, driver status %d' % (len(cases), failures, status))
    return 1 if failures or status else 0


def dump(mode, script):
    out = subprocess.run([DRIVER, mode, str(script)], check=True, capture_output=True, text=True).stdout
    return [[int(x, 16) for x in line.split()] for line in out.splitlines()]


def jis_code(ch):
    """The double-byte code that Python's shift_jis codec gives ch (the Mac
    set's for U+2014, which it does not know), or None."""
    if ch == '\u2014':
        return 0x815C
    try:
        raw = ch.encode('shift_jis')
    except UnicodeEncodeError:
        return None
    return raw[0] * 256 + raw[1] if len(raw) == 2 else None


def mac_only(code):
    return code in MAC_ONLY_SINGLES if code < 256 else (code >> 8) in MAC_ONLY_ROWS


def check_tables():
    failures = []
    ours = {row[0]: ''.join(chr(u) for u in row[1:]) for row in dump('decode', 1)}
    ours = {c: s.encode('utf-16-le', 'surrogatepass').decode('utf-16-le', 'surrogatepass')
            for c, s in ours.items()}
    python = {}
    for code in range(0x10000):
        raw = bytes([code]) if code < 256 else bytes([code >> 8, code & 0xFF])
        if code < 256 and 0x81 <= code <= 0x9F or 0xE0 <= code <= 0xFC:
            continue
        if code > 0xFF and not (0x81 <= code >> 8 <= 0x9F or 0xE0 <= code >> 8 <= 0xFC):
            continue
        try:
            python[code] = raw.decode('cp932')
        except UnicodeDecodeError:
            pass
    for code in sorted(set(ours) | set(python)):
        if ours.get(code) != python.get(code) and not mac_only(code):
            failures.append('decode %04X: ours %r, cp932 %r' % (code, ours.get(code), python.get(code)))
    # Writing: every character we write reads back the same (or is the JIS
    # name of what it reads back as), and every character cp932 reads
    # (outside the Mac-only codes) we can write.
    enc = {cp: code for cp, code in dump('encode', 1)}
    names = 0
    for cp, code in enc.items():
        if ours.get(code) != chr(cp):
            names += 1
            if jis_code(chr(cp)) != code:
                failures.append('encode U+%04X -> %04X reads back as %r' % (cp, code, ours.get(code)))
    if names != 7:
        failures.append('%d JIS names written, 7 expected' % names)
    for code, s in python.items():
        if len(s) == 1 and ord(s) < 0x10000 and ord(s) not in enc and not mac_only(code):
            failures.append('U+%04X (cp932 %04X) cannot be written' % (ord(s), code))
    for f in failures[:30]:
        print('FAIL:', f)
    print('tables: %d codes read, %d written, %d failures' % (len(ours), len(enc), len(failures)))
    return 1 if failures else 0


def main():
    return check_roundtrip() | check_tables()


if __name__ == '__main__':
    sys.exit(main())
