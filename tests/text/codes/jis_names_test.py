#!/usr/bin/env python3
"""Unicode to Shift_JIS through kxjconv, against the JIS names of characters.

1. Every JIS X 0208 character, in the form that each of Python's cp932,
   shift_jis and euc_jp codecs and glibc iconv's EUC-JP reads it as, goes from
   UTF-8 and from UTF-16 (both byte orders) to the one Shift_JIS code that the
   codecs agree on, with no placeholder; the same characters as EUC-JP go to
   the same codes. JIS-Roman's yen sign and overline stay placeholders.
2. The real Japanese files of the shared data (message catalogues and manual
   pages in UTF-8, a classic in UTF-8 and UTF-16, EUC-JP files read through
   iconv as Unix programs read them), read in place: every character that
   the JIS table holds gets its code, never a placeholder; where a Shift_JIS
   or EUC-JP original exists, the result is that original byte for byte.
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unicodedata

BIN = os.environ.get('KX_BIN_DIR', 'build/bin')
SOURCE = os.environ.get('KX_SOURCE_DIR', os.path.join(os.path.dirname(__file__), '..', '..', '..'))
SHARED = os.environ.get('KX_SHARED_DIR') or os.path.join(SOURCE, '..', 'shared')
DRIVER = os.path.join(BIN, 'kxjconv')
ENCODINGS = os.path.join(SHARED, 'realdata', 'encodings')
MAC_DASH = ('\u2014', 0x815C)   # the Mac set's name of 0x815C, which no codec here knows


class Conv:
    """kxjconv over files in a scratch folder; inputs may also be paths."""

    def __init__(self, tmp):
        self.tmp = tmp
        self.n = 0

    def path_of(self, data):
        self.n += 1
        path = os.path.join(self.tmp, 'in%d' % self.n)
        with open(path, 'wb') as f:
            f.write(data)
        return path

    def run(self, src, dst, data=None, path=None):
        """(output bytes, number of placeholders reported)."""
        path = path or self.path_of(data)
        out = os.path.join(self.tmp, 'out')
        r = subprocess.run([DRIVER, '--from', src, '--to', dst, path, out], capture_output=True)
        if r.returncode != 0:
            raise RuntimeError('kxjconv %s -> %s: %s' % (src, dst, r.stderr.decode(errors='replace')))
        placeholders = 0
        for line in r.stderr.decode().splitlines():
            if 'have no Shift_JIS code' in line:
                placeholders = int(line.split()[1])
        with open(out, 'rb') as f:
            return f.read(), placeholders


def utf16(text, little):
    return ('\ufeff' + text).encode('utf-16-le' if little else 'utf-16-be')


def iconv(src, dst, data):
    r = subprocess.run(['iconv', '-f', src, '-t', dst], input=data, capture_output=True)
    return r.stdout if r.returncode == 0 else None


def jis_code(ch):
    """The double-byte Shift_JIS code of ch in the JIS table, by Python's
    shift_jis or euc_jp codec (or cp932, where it reads the code back as ch),
    or None."""
    if ch == MAC_DASH[0]:
        return MAC_DASH[1]
    for codec in ('shift_jis', 'euc_jp', 'cp932'):
        try:
            raw = ch.encode(codec)
        except UnicodeEncodeError:
            continue
        if len(raw) != 2 or raw[0] < 0x81 or raw[0] == 0x8E:
            continue
        if codec == 'euc_jp':
            return sjis_of_euc(raw)
        if codec == 'cp932' and raw.decode('cp932') != ch:
            continue
        return raw[0] * 256 + raw[1]
    return None


def sjis_of_euc(raw):
    """JIS row and cell (EUC-JP bytes less 0xA0) to the Shift_JIS code."""
    row, cell = raw[0] - 0xA0, raw[1] - 0xA0
    lead = (row + 1) // 2 + (0x80 if row <= 62 else 0xC0)
    if row % 2:
        trail = cell + (0x3F if cell <= 63 else 0x40)
    else:
        trail = cell + 0x9E
    return lead * 256 + trail


def codes_of(sjis):
    """The characters of Shift_JIS bytes as codes (a lead byte takes the next)."""
    out, i = [], 0
    while i < len(sjis):
        b = sjis[i]
        if (0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC) and i + 1 < len(sjis):
            out.append(b * 256 + sjis[i + 1])
            i += 2
        else:
            out.append(b)
            i += 1
    return out


def code_bytes(code):
    return bytes([code]) if code < 256 else bytes([code >> 8, code & 0xFF])


def first_differences(got, want, label, limit=5):
    diffs = []
    for k, (g, w) in enumerate(zip(got.split(b'\n'), want.split(b'\n'))):
        if g != w:
            diffs.append('%s line %d: got %s, want %s' % (label, k + 1, g.hex(), w.hex()))
            if len(diffs) == limit:
                break
    if not diffs:
        diffs.append('%s: %d bytes, want %d' % (label, len(got), len(want)))
    return diffs


def check_every_character(conv):
    failures = []
    codes, forms, euc = [], {'cp932': [], 'shift_jis': [], 'euc_jp': []}, []
    for lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xF0)):
        for trail in list(range(0x40, 0x7F)) + list(range(0x80, 0xFD)):
            raw = bytes([lead, trail])
            try:
                ch = raw.decode('shift_jis')
            except UnicodeDecodeError:
                continue
            e = ch.encode('euc_jp')
            codes.append(lead * 256 + trail)
            forms['shift_jis'].append(ch)
            forms['cp932'].append(raw.decode('cp932'))
            forms['euc_jp'].append(e.decode('euc_jp'))
            euc.append(e)
            if sjis_of_euc(e) != lead * 256 + trail:
                failures.append('EUC-JP %s is not Shift_JIS %s' % (e.hex(), raw.hex()))
    want = b'\n'.join(code_bytes(c) for c in codes) + b'\n'
    euc_text = b'\n'.join(euc) + b'\n'
    if shutil.which('iconv'):
        glibc = iconv('EUC-JP', 'UTF-8', euc_text)
        if glibc is None:
            failures.append('iconv cannot read the JIS X 0208 table as EUC-JP')
        else:
            forms['iconv EUC-JP'] = glibc.decode('utf-8').split('\n')[:len(codes)]
    else:
        print('jis_names_test: no iconv, glibc not compared')
    names = set()
    for name, chars in forms.items():
        for k, ch in enumerate(chars):
            if ch != forms['cp932'][k]:
                names.add((ch, codes[k]))
        text = '\n'.join(chars) + '\n'
        for label, src, data in (('UTF-8', 'utf8', text.encode('utf-8')),
                                 ('UTF-16LE', 'utf16', utf16(text, True)),
                                 ('UTF-16BE', 'utf16', utf16(text, False))):
            got, placeholders = conv.run(src, 'sjis', data)
            if placeholders:
                failures.append('%s names as %s: %d placeholders' % (name, label, placeholders))
            if got != want:
                failures += first_differences(got, want, '%s names as %s' % (name, label))
    got, _ = conv.run('euc', 'sjis', euc_text)
    if got != want:
        failures += first_differences(got, want, 'EUC-JP to Shift_JIS')
    got, _ = conv.run('jis', 'sjis', ('\n'.join(forms['shift_jis']) + '\n').encode('iso2022_jp'))
    if got != want:
        failures += first_differences(got, want, 'ISO-2022-JP to Shift_JIS')
    # The names that differ from cp932's, as the codecs give them.
    print('every character: %d codes, %d sources, other names: %s' % (
        len(codes), len(forms), ' '.join('U+%04X=%04X' % (ord(c), k) for c, k in sorted(names))))
    if len(names) < 6:
        failures.append('only %d other names met; the codecs changed?' % len(names))

    # Both names of each symbol, and the Mac set's dash, in one text; the
    # JIS-Roman characters stay placeholders (a character below U+2000 takes
    # the single byte 0xA0).
    text = '\u301c\uff5e\u2016\u2225\u2212\uff0d\u2014\u2015\u00a2\uffe0\u00a3\uffe1\u00ac\uffe2\u00a5\u203e\n'
    want = bytes.fromhex('81608160 81618161 817c817c 815c815c 81918191 81928192 81ca81ca a0 81fc 0a')
    for label, src, data in (('UTF-8', 'utf8', text.encode('utf-8')), ('UTF-16', 'utf16', utf16(text, True))):
        got, placeholders = conv.run(src, 'sjis', data)
        if got != want or placeholders != 2:
            failures.append('pairs from %s: %s with %d placeholders' % (label, got.hex(), placeholders))
    return failures


def check_text(label, text, got, placeholders):
    """Each character of text against its code in got: the JIS code where the
    JIS table has one, the byte itself for ASCII."""
    failures = []
    chars = unicodedata.normalize('NFC', text)
    codes = codes_of(got)
    if len(codes) != len(chars):
        return ['%s: %d characters became %d codes' % (label, len(chars), len(codes))], 0, 0
    checked = named = 0
    for k, (ch, code) in enumerate(zip(chars, codes)):
        want = ord(ch) if ord(ch) < 0x80 else jis_code(ch)
        if want is None:
            continue
        checked += 1
        if ch != '\n' and ord(ch) >= 0x80 and code_bytes(want).decode('cp932', 'replace') != ch:
            named += 1
        if code != want:
            line = chars.count('\n', 0, k) + 1
            failures.append('%s line %d: U+%04X became %04X, want %04X' % (label, line, ord(ch), code, want))
            if len(failures) == 5:
                break
    if placeholders > len(chars) - checked:
        failures.append('%s: %d placeholders for %d characters outside the JIS table' % (
            label, placeholders, len(chars) - checked))
    return failures, checked, named


def check_real_files(conv):
    failures = []
    if not os.path.isdir(ENCODINGS):
        return ['no shared data at %s' % ENCODINGS]
    utf8 = sorted(glob.glob(os.path.join(ENCODINGS, 'utf8-sources', '*')))
    utf8 = [p for p in utf8 if not p.endswith('.md')] + [os.path.join(ENCODINGS, 'native', 'kojiki.utf8')]
    files = checked = named = 0
    for path in utf8:
        with open(path, 'rb') as f:
            raw = f.read()
        text = raw.decode('utf-8')
        name = os.path.relpath(path, ENCODINGS)
        runs = [('UTF-8', conv.run('utf8', 'sjis', path=path)),
                ('UTF-16', conv.run('utf16', 'sjis', utf16(text, False)))]
        for label, (got, placeholders) in runs:
            f, c, n = check_text('%s as %s' % (name, label), text, got, placeholders)
            failures += f
            checked += c
            named += n
        files += 1

    # The classic: its UTF-8 and UTF-16 (little-endian, as kept) against the
    # Shift_JIS original.
    native = os.path.join(ENCODINGS, 'native')
    with open(os.path.join(native, 'kojiki.sjis'), 'rb') as f:
        original = f.read()
    for src, name in (('utf8', 'kojiki.utf8'), ('utf16', 'kojiki.utf16')):
        got, placeholders = conv.run(src, 'sjis', path=os.path.join(native, name))
        if got != original or placeholders:
            failures += first_differences(got, original, name + ' against kojiki.sjis')
    files += 1

    # EUC-JP files as Unix reads them (glibc iconv to UTF-8, which gives the
    # JIS names), then to Shift_JIS: the same bytes as straight from EUC-JP.
    if shutil.which('iconv'):
        for path in sorted(glob.glob(os.path.join(native, '*.eucjp'))):
            name = os.path.basename(path)
            with open(path, 'rb') as f:
                text = iconv('EUC-JP', 'UTF-8', f.read())
            if text is None:
                failures.append('iconv cannot read %s' % name)
                continue
            direct, _ = conv.run('euc', 'sjis', path=path)
            for label, src, data in (('UTF-8', 'utf8', text),
                                     ('UTF-16', 'utf16', utf16(text.decode('utf-8'), True))):
                got, placeholders = conv.run(src, 'sjis', data)
                f, c, n = check_text('%s through iconv as %s' % (name, label), text.decode('utf-8'), got,
                                     placeholders)
                failures += f
                checked += c
                named += n
                if got != direct:
                    failures += first_differences(got, direct, '%s through iconv as %s' % (name, label))
            files += 1
    print('real files: %d files, %d characters checked, %d in JIS names' % (files, checked, named))
    if named == 0:
        failures.append('no JIS name met in the real files')
    return failures


def main():
    with tempfile.TemporaryDirectory() as tmp:
        conv = Conv(tmp)
        failures = check_every_character(conv) + check_real_files(conv)
    for f in failures[:40]:
        print('FAIL:', f)
    print('jis_names_test: %d failures' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
