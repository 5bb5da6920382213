#!/usr/bin/env python3
"""Compares the script tables, as the C++ lookups answer them (charclass_dump),
with glibc's iconv: script 1 with CP932 in both directions, script 0 with
MACINTOSH (decoding). The codes that only the Mac sets define, and the two
Mac Roman bytes where glibc's table is older, are left out."""
import os
import shutil
import subprocess
import sys

BIN = os.environ.get('KX_BIN_DIR', 'build/bin')
DRIVER = os.path.join(BIN, 'charclass_dump')
MAC_ONLY_SINGLES = {0x80, 0xA0, 0xFD, 0xFE, 0xFF}
ROMAN_KNOWN = {0xC6: 0x0394, 0xF0: 0xE01E}   # glibc: Greek Delta, its own private code


def dump(*args):
    out = subprocess.run([DRIVER, *args], check=True, capture_output=True, text=True).stdout
    return [[int(x, 16) for x in line.split()] for line in out.splitlines()]


def iconv_lines(src, dst, items):
    """Converts items (bytes, one per line) one line each; -c drops what
    iconv cannot convert, leaving an empty line."""
    data = b'\n'.join(items) + b'\n'
    r = subprocess.run(['iconv', '-c', '-f', src, '-t', dst], input=data, capture_output=True)
    lines = r.stdout.split(b'\n')[:len(items)]
    assert len(lines) == len(items), 'iconv lost lines'
    return lines


def code_bytes(code):
    return bytes([code]) if code < 256 else bytes([code >> 8, code & 0xFF])


def units_to_utf8(units):
    raw = b''.join(u.to_bytes(2, 'big') for u in units)
    return raw.decode('utf-16-be', 'surrogatepass').encode('utf-8')


def main():
    if not shutil.which('iconv'):
        print('encoding_iconv_test: no iconv, nothing checked')
        return 0
    failures = []

    # Script 1, encode: every code point with a code, from the BMP, printable.
    enc = [(cp, code) for cp, code in dump('encode', '1')
           if cp >= 0x20 and cp != 0x7F and cp < 0x10000]
    got = iconv_lines('UTF-8', 'CP932', [chr(cp).encode('utf-8') for cp, _ in enc])
    compared = 0
    for (cp, code), out in zip(enc, got):
        if not out:
            continue   # a Mac-only character
        compared += 1
        if out != code_bytes(code):
            failures.append('U+%04X: ours %04X, iconv %s' % (cp, code, out.hex()))
    print('encode: %d of %d code points compared' % (compared, len(enc)))

    # Script 1, decode: every double-byte code (rows 0x85 and 0x86 are Mac-only).
    dec = [row for row in dump('decode', '1')
           if row[0] > 0xFF and (row[0] >> 8) not in (0x85, 0x86)]
    got = iconv_lines('CP932', 'UTF-8', [code_bytes(row[0]) for row in dec])
    for row, out in zip(dec, got):
        want = units_to_utf8(row[1:])
        if out != want:
            failures.append('%04X: ours %s, iconv %s' % (row[0], want.hex(), out.hex()))
    singles = [row for row in dump('decode', '1') if row[0] <= 0xFF and row[0] not in
               MAC_ONLY_SINGLES and row[0] != 0x0A]
    got = iconv_lines('CP932', 'UTF-8', [code_bytes(row[0]) for row in singles])
    for row, out in zip(singles, got):
        if out != units_to_utf8(row[1:]):
            failures.append('%02X: ours %04X, iconv %s' % (row[0], row[1], out.hex()))

    # Script 0, decode.
    roman = [row for row in dump('decode', '0') if row[0] != 0x0A]
    got = iconv_lines('MACINTOSH', 'UTF-8', [bytes([row[0]]) for row in roman])
    for row, out in zip(roman, got):
        want = ROMAN_KNOWN.get(row[0], row[1])
        if out != chr(want).encode('utf-8'):
            failures.append('Roman %02X: ours %04X, iconv %s' % (row[0], row[1], out.hex()))

    for f in failures[:40]:
        print('FAIL:', f)
    print('encoding_iconv_test: %d failures' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
