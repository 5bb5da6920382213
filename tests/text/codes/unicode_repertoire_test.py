#!/usr/bin/env python3
"""Every character of the JIS X 0208 and cp932 repertoires (as Python's
shift_jis, euc_jp and cp932 codecs read them) in a plain-text document of
UTF-8 and of UTF-16 (both byte orders): opened and saved unchanged, the file
comes back byte for byte, the JIS names of the symbols that cp932 names
otherwise (U+301C and cp932's U+FF5E, U+2016 and U+2225, ...) included."""
import os
import subprocess
import sys
import tempfile

BIN = os.environ.get('KX_BIN_DIR', 'build/bin')
DRIVER = os.path.join(BIN, 'kxdoc')
LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))


def sjis_to_euc(lead, trail):
    """The EUC-JP bytes of a double-byte Shift_JIS code of rows 1-94."""
    row = (lead - 0x81 if lead < 0xA0 else lead - 0xC1) * 2 + (1 if trail < 0x9F else 2)
    cell = trail - 0x3F if trail < 0x7F else (trail - 0x40 if trail < 0x9F else trail - 0x9E)
    return bytes([row + 0xA0, cell + 0xA0])


def repertoire():
    chars = set()
    for b in range(0x20, 0x7F):
        chars.add(chr(b))
    for b in range(0xA1, 0xE0):
        chars.add(bytes([b]).decode('cp932'))
    for lead in LEADS:
        for trail in range(0x40, 0xFD):
            if trail == 0x7F:
                continue
            for codec, raw in (('cp932', bytes([lead, trail])), ('shift_jis', bytes([lead, trail])),
                               ('euc_jp', sjis_to_euc(lead, trail) if lead < 0xF0 else None)):
                if raw is None:
                    continue
                try:
                    ch = raw.decode(codec)
                except UnicodeDecodeError:
                    continue
                if len(ch) == 1 and ord(ch) >= 0x20 and not 0xE000 <= ord(ch) <= 0xF8FF:
                    chars.add(ch)
    return sorted(chars)


def main():
    chars = repertoire()
    lines = [''.join(chars[k:k + 40]) for k in range(0, len(chars), 40)]
    text = '\n'.join(lines) + '\n'
    forms = [('utf-8', b'', 'utf-8'), ('utf-8 bom', b'\xef\xbb\xbf', 'utf-8'),
             ('utf-16be', b'\xfe\xff', 'utf-16-be'), ('utf-16le', b'\xff\xfe', 'utf-16-le')]
    failures = 0
    with tempfile.TemporaryDirectory() as d:
        for name, bom, codec in forms:
            src, dst = os.path.join(d, 'in.txt'), os.path.join(d, 'out.txt')
            data = bom + text.encode(codec)
            with open(src, 'wb') as f:
                f.write(data)
            r = subprocess.run([DRIVER, 'copy', src, dst], capture_output=True)
            if r.returncode != 0:
                print('FAIL %s: kxdoc copy exit %d: %s' % (name, r.returncode, r.stderr.decode(errors='replace')))
                failures += 1
                continue
            with open(dst, 'rb') as f:
                got = f.read()
            if got == data:
                continue
            failures += 1
            try:
                back = got[len(bom):].decode(codec)
            except UnicodeDecodeError:
                print('FAIL %s: the copy does not decode' % name)
                continue
            diffs = [(a, b) for a, b in zip(text, back) if a != b]
            print('FAIL %s: %d characters differ, %s' % (
                name, len(diffs), ', '.join('U+%04X -> U+%04X' % (ord(a), ord(b)) for a, b in diffs[:12])))
            if len(back) != len(text):
                print('  length %d, expected %d' % (len(back), len(text)))
    print('repertoire: %d characters, %d forms failed' % (len(chars), failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
