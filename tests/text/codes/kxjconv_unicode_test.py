#!/usr/bin/env python3
"""kxjconv between Shift_JIS (and EUC-JP) and Unicode, through the Unicode
bridge, against Python's codecs: the Aozora sample and every JIS X 0208
character to UTF-8 and UTF-16 and back; JIS X 0212 characters of EUC-JP
reach UTF-8; bad bytes become U+FFFD without losing what follows."""
import os
import subprocess
import sys
import tempfile

BIN = os.environ.get('KX_BIN_DIR', 'build/bin')
SHARED = os.environ.get('KX_SHARED_DIR', '../shared')
DRIVER = os.path.join(BIN, 'kxjconv')


def conv(src, dst, data):
    with tempfile.TemporaryDirectory() as tmp:
        a, b = os.path.join(tmp, 'in'), os.path.join(tmp, 'out')
        with open(a, 'wb') as f:
            f.write(data)
        r = subprocess.run([DRIVER, '--from', src, '--to', dst, a, b], capture_output=True)
        if r.returncode != 0:
            raise RuntimeError('kxjconv %s -> %s: %s' % (src, dst, r.stderr.decode()))
        with open(b, 'rb') as f:
            return f.read()


def main():
    failures = []
    sample = open(os.path.join(SHARED, 'data', 'aozora', 'notation-examples.sjis.txt'), 'rb').read()
    jis = bytearray()
    for lead in list(range(0x81, 0x85)) + list(range(0x88, 0xA0)) + list(range(0xE0, 0xEB)):
        for trail in list(range(0x40, 0x7F)) + list(range(0x80, 0xFD)):
            try:
                bytes([lead, trail]).decode('shift_jis')
            except UnicodeDecodeError:
                continue
            jis += bytes([lead, trail])
    for name, sjis in (('sample', sample), ('JIS X 0208', bytes(jis))):
        want = sjis.decode('cp932')
        got8 = conv('sjis', 'utf8', sjis)
        if got8 != want.encode('utf-8'):
            failures.append('%s to UTF-8 differs from cp932' % name)
        got16 = conv('sjis', 'utf16', sjis)
        if got16 != b'\xfe\xff' + want.encode('utf-16-be'):
            failures.append('%s to UTF-16 differs from cp932' % name)
        if conv('utf8', 'sjis', got8) != sjis:
            failures.append('%s back from UTF-8 differs' % name)
        if conv('utf16', 'sjis', got16) != sjis:
            failures.append('%s back from UTF-16 differs' % name)

    euc = 'a\u4e02b\u9fa5c\u3042'.encode('euc_jp')   # two JIS X 0212 characters
    if conv('euc', 'utf8', euc) != 'a\u4e02b\u9fa5c\u3042'.encode('utf-8'):
        failures.append('EUC-JP with JIS X 0212 to UTF-8: %r' % conv('euc', 'utf8', euc))
    bad = b'a\x81\x0db\x82\x40c\x81'
    if conv('sjis', 'utf8', bad) != 'a\ufffd\rb\ufffdc\ufffd'.encode('utf-8'):
        failures.append('bad bytes: %r' % conv('sjis', 'utf8', bad))
    for f in failures:
        print('FAIL:', f)
    print('kxjconv_unicode_test: %d failures' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
