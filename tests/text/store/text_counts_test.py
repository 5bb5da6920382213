#!/usr/bin/env python3
"""Character and word counts of the styled text on real Japanese text.

The texts are the Japanese message catalogues of the installed programs
(/usr/share/locale/ja, turned back into text by msgunfmt and converted to
CP932 by iconv) and the Aozora notation examples. For each, kxcount's
character count must equal `iconv -f CP932 -t UTF-8 | wc -m`; its single-
and double-byte characters and returns must add up to it; and its words and
paragraphs must equal a count made here from the bytes by the same rules
(words of ASCII letters and digits; an apostrophe, full stop or hyphen
inside a word and a comma or colon inside a number do not end it).
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile

BIN = os.environ.get('KX_BIN_DIR', 'build/bin')
DRIVER = os.path.join(BIN, 'kxcount')


def is_lead(b):
    return 0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC


def reference(data):
    """(singles, doubles, paras, words) of Shift_JIS bytes, line feeds as returns."""
    singles = doubles = paras = words = 0
    in_word = last_digit = number_kept = last_cr = False
    i = 0
    while i < len(data):
        b = data[i]
        last_cr = False
        if is_lead(b) and i + 1 < len(data):
            doubles += 1
            in_word = number_kept = False
            i += 2
            continue
        i += 1
        if b in (0x0A, 0x0D):
            paras += 1
            last_cr = True
            in_word = number_kept = False
            continue
        singles += 1
        c = chr(b)
        if b < 0x80 and c.isalnum():
            digit = c.isdigit()
            if not in_word and not (digit and number_kept):
                words += 1
            in_word, last_digit, number_kept = True, digit, False
        elif c in ',:' and in_word and last_digit:
            in_word, number_kept = False, True
        elif c in "'.-" and in_word:
            last_digit = number_kept = False
        else:
            in_word = number_kept = False
    if not last_cr:
        paras += 1
    return singles, doubles, paras, words


def corpus(tmp):
    files = []
    shared = os.environ.get('KX_SHARED_DIR')
    source = os.environ.get('KX_SOURCE_DIR', os.path.join(os.path.dirname(__file__), '..', '..', '..'))
    shared = shared or os.path.join(source, '..', 'shared')
    for path in [os.path.join(shared, 'data', 'aozora', 'notation-examples.sjis.txt')]:
        if os.path.exists(path):
            files.append(path)
            break
    if shutil.which('msgunfmt'):
        for mo in sorted(glob.glob('/usr/share/locale/ja/LC_MESSAGES/*.mo')):
            po = subprocess.run(['msgunfmt', mo], capture_output=True).stdout
            sjis = subprocess.run(['iconv', '-c', '-f', 'UTF-8', '-t', 'CP932'], input=po,
                                  capture_output=True).stdout
            if not sjis:
                continue
            out = os.path.join(tmp, os.path.basename(mo) + '.sjis')
            with open(out, 'wb') as f:
                f.write(sjis)
            files.append(out)
    return files


def wc_chars(path):
    with open(path, 'rb') as f:
        utf8 = subprocess.run(['iconv', '-f', 'CP932', '-t', 'UTF-8'], stdin=f, capture_output=True, check=True).stdout
    env = dict(os.environ, LC_ALL='C.UTF-8')
    return int(subprocess.run(['wc', '-m'], input=utf8, capture_output=True, env=env, check=True).stdout.split()[0])


def main():
    if not shutil.which('iconv'):
        print('text_counts_test: no iconv, nothing checked')
        return 0
    failures = []
    totals = [0, 0, 0]
    with tempfile.TemporaryDirectory() as tmp:
        files = corpus(tmp)
        if len(files) < 2:
            print('text_counts_test: too small a corpus')
            return 1
        for path in files:
            out = subprocess.run([DRIVER, path], capture_output=True, text=True, check=True).stdout
            chars, singles, doubles, paras, pictures, words = map(int, out.split())
            with open(path, 'rb') as f:
                data = f.read()
            want = wc_chars(path)
            name = os.path.basename(path)
            if chars != want:
                failures.append(f'{name}: {chars} characters, wc -m says {want}')
            returns = data.count(b'\n') + data.count(b'\r')
            if singles + doubles + returns != chars:
                failures.append(f'{name}: {singles} + {doubles} + {returns} returns is not {chars}')
            ref = reference(data)
            if (singles, doubles, paras, words) != ref:
                failures.append(f'{name}: counted {(singles, doubles, paras, words)}, expected {ref}')
            if pictures:
                failures.append(f'{name}: {pictures} pictures in plain text')
            totals[0] += chars
            totals[1] += words
            totals[2] += doubles
    print(f'{len(files)} files, {totals[0]} characters ({totals[2]} double-byte), {totals[1]} words')
    for f in failures[:20]:
        print('FAIL', f)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
