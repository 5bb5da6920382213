#!/usr/bin/env python3
"""Checks the character tables and script services against Python's codecs
and Unicode data, through the charclass_dump driver:

- sZenAscii, sZenKana and sCharSetMacWin, and the kana and punctuation sets;
- the single-byte case, strip and type tables of scripts 0 and 1;
- the decode and encode answers of both scripts against the generator's own
  mappings (so that the lookup code reads the generated tables right);
- KxTextCharByte against the cp932 decoder's character boundaries on random
  valid text.
"""
import importlib.machinery
import importlib.util
import os
import random
import subprocess
import sys
import tempfile
import unicodedata

BIN = os.environ.get('KX_BIN_DIR', 'build/bin')
SRC = os.environ.get('KX_SOURCE_DIR', '.')
DRIVER = os.path.join(BIN, 'charclass_dump')

failures = []


def check(cond, what):
    if not cond:
        failures.append(what)


def run(*args):
    return subprocess.run([DRIVER, *args], check=True, capture_output=True,
                          text=True).stdout.splitlines()


def sjis(code):
    return (bytes([code]) if code < 256 else bytes([code >> 8, code & 0xFF])).decode('cp932')


def load_generator():
    path = os.path.join(SRC, 'scripts', 'gen-encoding-tables')
    loader = importlib.machinery.SourceFileLoader('gen_encoding_tables', path)
    loader_spec = importlib.util.spec_from_loader(loader.name, loader)
    module = importlib.util.module_from_spec(loader_spec)
    loader.exec_module(module)
    return module


def check_tables():
    rows = {}
    for line in run('tables'):
        f = line.split()
        rows.setdefault(f[0], []).append(f[1:])

    # Full-width forms: NFKC takes each back to its byte, except the three
    # forms Japanese text uses for " ' and \.
    special = {0x20: '\u3000', 0x22: '\u201d', 0x27: '\u2019', 0x5C: '\uffe5'}
    zen_ascii = {int(b, 16): int(c, 16) for b, c in rows['zenascii']}
    check(sorted(zen_ascii) == list(range(0x20, 0x7F)), 'sZenAscii covers 0x20-0x7E')
    for b, code in zen_ascii.items():
        ch = sjis(code)
        if b in special:
            check(ch == special[b], 'sZenAscii %02X is %r' % (b, ch))
        else:
            check(unicodedata.normalize('NFKC', ch) == chr(b) and ch != chr(b),
                  'sZenAscii %02X is %r' % (b, ch))

    zen_kana = {int(b, 16): int(c, 16) for b, c in rows['zenkana']}
    marks = {0xA0: '\u3000', 0xDE: '\u309b', 0xDF: '\u309c'}
    for b, code in zen_kana.items():
        ch = sjis(code)
        if b in marks:
            check(ch == marks[b], 'sZenKana %02X is %r' % (b, ch))
        else:
            half = bytes([b]).decode('cp932')
            check(unicodedata.normalize('NFKC', half) == ch, 'sZenKana %02X is %r' % (b, ch))

    # Mac Roman <-> Windows 1252: every upper-half Mac byte whose character
    # Windows has under another byte, 0xDB as the currency sign, without
    # the dagger (0xA0) and the no-break space (0xCA).
    expect = []
    for m in range(0x80, 0x100):
        ch = '\u00a4' if m == 0xDB else bytes([m]).decode('mac_roman')
        try:
            w = ch.encode('cp1252')[0]
        except UnicodeEncodeError:
            continue
        if w != m and m not in (0xA0, 0xCA):
            expect.append((m, w))
    got = [(int(m, 16), int(w, 16)) for m, w in rows['macwin']]
    check(len(got) == 96, 'sCharSetMacWin has 96 pairs, not %d' % len(got))
    check(got == expect, 'sCharSetMacWin matches mac_roman/cp1252')

    # The full-width punctuation set is exactly the punctuation of sZenAscii.
    punct = sorted(int(c[0], 16) for c in rows['punct'])
    check(punct == sorted(zen_ascii[b] for b in zen_ascii
                          if chr(b) in '!"#$%&\'()*+,-./:;<=>?@[\\]^_`{|}~'),
          'IsWordPunct is the punctuation of sZenAscii')
    # Voiced kana: those whose canonical decomposition ends in the voiced
    # mark, but for ヴ (which WordToByte handles on its own).
    daku = sorted(int(c[0], 16) for c in rows['daku'])
    expect = []
    for code in list(range(0x829F, 0x82F2)) + list(range(0x8340, 0x8394)):
        try:
            ch = sjis(code)
        except UnicodeDecodeError:
            continue
        if unicodedata.normalize('NFD', ch).endswith('\u3099'):
            expect.append(code)
    check(daku == expect and len(daku) == 40, 'IsWordKanaDaku is the 40 voiced kana')
    for code, kata in rows['hira']:
        h, k = sjis(int(code, 16)), sjis(int(kata, 16))
        check(ord(k) == ord(h) + 0x60, 'ToWordKata %s gives %s' % (h, k))
    for code, hira in rows['kata']:
        k, h = sjis(int(code, 16)), sjis(int(hira, 16))
        if k in '\u30f4\u30f5\u30f6':
            check(h == k, 'ToWordHira leaves %s' % k)
        else:
            check(ord(h) == ord(k) - 0x60, 'ToWordHira %s gives %s' % (k, h))

    # Single bytes of Mac Roman: case and stripping agree with Unicode.
    for f in rows['single']:
        b = int(f[0], 16)
        rtype, rupper, rlower, rstrip = int(f[1]), int(f[3], 16), int(f[4], 16), int(f[5], 16)
        ch = bytes([b]).decode('mac_roman')
        up = bytes([rupper]).decode('mac_roman')
        check(up == ch or up == ch.upper(), 'Roman upper %02X' % b)
        lo = bytes([rlower]).decode('mac_roman')
        check(lo == ch or lo == ch.lower(), 'Roman lower %02X' % b)
        st = bytes([rstrip]).decode('mac_roman')
        base = unicodedata.normalize('NFD', ch)[0]
        check(st == ch or st == base or b in (0xAE, 0xBE, 0xCE, 0xCF), 'Roman strip %02X' % b)
        if b >= 0x80:
            check((rtype == 7) == (unicodedata.category(ch) in ('Lu', 'Ll', 'Lo', 'Lt')),
                  'Roman type %02X' % b)
        jtype, jupper, jstrip = int(f[6]), int(f[8], 16), int(f[10], 16)
        check(jupper == (b - 32 if 0x61 <= b <= 0x7A else b), 'Japanese upper %02X' % b)
        check(jstrip == b, 'Japanese strip %02X leaves the byte' % b)
        check((jtype == 2) == (0xA6 <= b <= 0xDF), 'Japanese katakana type %02X' % b)


def check_codecs():
    gen = load_generator()
    for script, decode, encode in (
            (0, gen.roman_decode(), None), (1, gen.japanese_decode(), None)):
        encode = gen.roman_encode(decode) if script == 0 else gen.japanese_encode(decode)
        got = {}
        for line in run('decode', str(script)):
            f = [int(x, 16) for x in line.split()]
            got[f[0]] = ''.join(chr(u) for u in f[1:]).encode('utf-16-le',
                                                             'surrogatepass').decode('utf-16-le')
        check(got == decode, 'script %d decodes as its generator says' % script)
        got = {}
        for line in run('encode', str(script)):
            cp, code = (int(x, 16) for x in line.split())
            got[cp] = code
        check(got == encode, 'script %d encodes as its generator says' % script)
        for cp, code in encode.items():
            check(decode.get(code) is not None, 'script %d encodes U+%04X to a code' % (script, cp))
    # Spot checks that do not come from the generator's own logic.
    jd = gen.japanese_decode()
    check(jd[0x5C] == '\\' and jd[0x7E] == '~', 'cp932 keeps backslash and tilde')
    check(jd[0x80] == '\\' and jd[0xA0] == '\u00a0' and jd[0xFD] == '\u00a9'
          and jd[0xFE] == '\u2122' and jd[0xFF] == '\u2026', 'Mac-only single bytes')
    check(jd[0x8540] == '\u2460' and jd[0x8591] == '\U0001F100', 'Mac-only symbol rows')


def check_boundaries():
    rng = random.Random(1234)
    singles = [chr(c) for c in range(0x20, 0x7F)] + [chr(c) for c in range(0xFF61, 0xFFA0)] + ['\r']
    doubles = []
    leadish = []   # characters whose trail byte could also be a lead byte
    for lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD)):
        for trail in range(0x40, 0xFD):
            try:
                ch = bytes([lead, trail]).decode('cp932')
            except UnicodeDecodeError:
                continue
            doubles.append(ch)
            if 0x81 <= trail <= 0x9F or trail >= 0xE0:
                leadish.append(ch)
    pieces = []
    for _ in range(3000):
        r = rng.random()
        if r < 0.3:
            pieces.append(rng.choice(singles))
        elif r < 0.8:
            pieces.append(rng.choice(doubles))
        else:
            # long runs of bytes that all look like lead bytes
            pieces.append(''.join(rng.choice(leadish) for _ in range(rng.randint(1, 200))))
    text = ''.join(pieces).encode('cp932')
    expect = []
    for ch in ''.join(pieces):
        expect.append('S' if len(ch.encode('cp932')) == 1 else 'FL')
    expect = ''.join(expect)
    with tempfile.NamedTemporaryFile(suffix='.txt', delete=False) as f:
        f.write(text)
        path = f.name
    try:
        got = run('bytes', '1', path)[0]
        roman = run('bytes', '0', path)[0]
    finally:
        os.unlink(path)
    check(len(got) == len(text), 'one byte type per byte')
    first_bad = next((i for i, (a, b) in enumerate(zip(got, expect)) if a != b), None)
    check(got == expect, 'byte types agree with cp932 boundaries (first difference at %s)'
          % first_bad)
    check(roman == 'S' * len(text), 'script 0 has single bytes only')


def main():
    check_tables()
    check_codecs()
    check_boundaries()
    for f in failures:
        print('FAIL:', f)
    print('charclass_tables_test: %d failures' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
