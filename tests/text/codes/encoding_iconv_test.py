#!/usr/bin/env python3
"""Compares the script tables, as the C++ lookups answer them (charclass_dump),
with glibc's iconv: script 1 with CP932 in both directions, script 0 with
MACINTOSH (decoding). The codes that only the Mac sets define, and the two
Mac Roman bytes where glibc's table is older, are left out.

Then the IBM extension codes of CP932 as kxjconv writes them in EUC-JP and
JIS: every one must read back as its character, through kxjconv and, when
node is installed, through the WHATWG decoders. EUC-JP must be byte for byte
what iconv's EUC-JP-MS writes; the WHATWG decoder reads its JIS X 0208 and
JIS X 0212 codes, not the rows F3-F4 after 0x8F that EUC-JP-MS adds."""
import os
import shutil
import subprocess
import sys
import tempfile

BIN = os.environ.get('KX_BIN_DIR', 'build/bin')
DRIVER = os.path.join(BIN, 'charclass_dump')
KXJCONV = os.path.join(BIN, 'kxjconv')
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


def cp932_codes(first, last):
    return [bytes([c >> 8, c & 0xFF]) for c in range(first, last + 1)
            if 0x40 <= c & 0xFF <= 0xFC and c & 0xFF != 0x7F]


def kxjconv(src, dst, data):
    with tempfile.TemporaryDirectory() as tmp:
        inp, out = os.path.join(tmp, 'in'), os.path.join(tmp, 'out')
        with open(inp, 'wb') as f:
            f.write(data)
        subprocess.run([KXJCONV, '--from', src, '--to', dst, inp, out], check=True, capture_output=True)
        with open(out, 'rb') as f:
            return f.read()


def node_decode(label, data):
    """The WHATWG decoder's text ('' when it refuses the bytes), None without node."""
    if not shutil.which('node'):
        return None
    script = ('let b=[];process.stdin.on("data",d=>b.push(d)).on("end",()=>process.stdout.write('
              'new TextDecoder(process.argv[1],{fatal:true}).decode(Buffer.concat(b))))')
    run = subprocess.run(['node', '-e', script, label], input=data, capture_output=True)
    return run.stdout.decode('utf-8') if run.returncode == 0 else ''


def check_extensions(failures):
    ibm = cp932_codes(0xFA40, 0xFC4B)
    want = [c.decode('cp932') for c in ibm]
    text = b'\n'.join(ibm) + b'\n'
    web_checked = False
    for enc, web_label in (('euc', 'euc-jp'), ('jis', 'iso-2022-jp')):
        out = kxjconv('sjis', enc, text)
        back = kxjconv(enc, 'utf8', out).decode('utf-8').split('\n')[:len(ibm)]
        for code, w, g in zip(ibm, want, back):
            if g != w:
                failures.append('%s %s: read back as %r, not %r' % (enc, code.hex(), g, w))
        lines = out.split(b'\n')[:len(ibm)]
        if enc == 'euc':
            ms = subprocess.run(['iconv', '-f', 'CP932', '-t', 'EUC-JP-MS'], input=text, capture_output=True).stdout
            for code, g, m in zip(ibm, lines, ms.split(b'\n')):
                if g != m:
                    failures.append('euc %s: ours %s, EUC-JP-MS %s' % (code.hex(), g.hex(), m.hex()))
            # WHATWG's EUC-JP has no rows F3-F4 after 0x8F.
            keep = [k for k, g in enumerate(lines) if not (g[:1] == b'\x8f' and g[1] >= 0xF3)]
            if len(keep) != len(ibm) - 93:
                failures.append('euc: %d codes outside rows F3-F4, not %d' % (len(keep), len(ibm) - 93))
        else:
            keep = range(len(ibm))
        web = node_decode(web_label, b'\n'.join(lines[k] for k in keep) + b'\n')
        web_checked = web is not None
        # JIS X 0212's broken bar, which EUC-JP-MS takes for the full-width one.
        fold = (lambda t: t.replace('\uffe4', '\u00a6')) if enc == 'euc' else (lambda t: t)
        if web is not None and [fold(t) for t in web.split('\n')[:len(keep)]] != [fold(want[k]) for k in keep]:
            failures.append('%s: the WHATWG decoder reads %r' % (enc, web[:40]))
    print('IBM extensions: %d codes through EUC-JP and JIS%s' % (
        len(ibm), '' if web_checked else ' (no node: WHATWG decoders not asked)'))


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

    if os.path.exists(KXJCONV):
        check_extensions(failures)
    else:
        print('encoding_iconv_test: no kxjconv, extension codes not checked')

    for f in failures[:40]:
        print('FAIL:', f)
    print('encoding_iconv_test: %d failures' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
