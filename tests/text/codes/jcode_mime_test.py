#!/usr/bin/env python3
"""MIME encoded words of the ISO-2022-JP charset, decoded by kxjconv
(--from jis --to sjis), must read as Python's email.header reads them.

Header lines hold one encoded word (BASE64 or quoted form, in lower and
upper case) between plain text; the texts are lines of the Aozora sample
and random mixes of kana, kanji and ASCII.
"""
import email.quoprimime
import os
import random
import subprocess
import sys
import tempfile
from email.charset import Charset
from email.header import decode_header, make_header


def sample_lines():
    shared = os.environ.get("KX_SHARED_DIR")
    source = os.environ.get("KX_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", "..", ".."))
    for path in [
        os.path.join(shared or "/nonexistent", "data", "aozora", "notation-examples.sjis.txt"),
        os.path.join(source, "..", "shared", "data", "aozora", "notation-examples.sjis.txt"),
    ]:
        if os.path.isfile(path):
            with open(path, "rb") as f:
                return [l.strip() for l in f.read().decode("cp932").splitlines() if l.strip()]
    sys.exit("no Aozora sample found")


def random_text(rng):
    pools = [
        [chr(c) for c in range(0x3041, 0x3094)],  # hiragana
        [chr(c) for c in range(0x30A1, 0x30F7)],  # katakana
        list("日本語漢字文章変換試験東京大阪電子郵便件名"),
        list("abcXYZ012 .,-_=?!()$"),
        [chr(c) for c in range(0xFF10, 0xFF1A)],  # full-width digits
    ]
    return "".join(rng.choice(rng.choice(pools)) for _ in range(rng.randint(1, 40)))


def encoded_word(text, form, upper):
    if form == "B":
        word = Charset("iso-2022-jp").header_encode(text)
    else:
        word = email.quoprimime.header_encode(text.encode("iso-2022-jp"), charset="iso-2022-jp")
    if upper:
        head, rest = word[:16], word[16:]
        word = head.upper() + rest
    return word


def main():
    kxjconv = os.path.join(os.environ.get("KX_BIN_DIR", "build/bin"), "kxjconv")
    rng = random.Random(2047)
    texts = sample_lines()[:300] + [random_text(rng) for _ in range(300)]
    lines = []
    for k, text in enumerate(texts):
        try:
            text.encode("iso-2022-jp")
        except UnicodeEncodeError:
            continue  # beyond JIS X 0208
        word = encoded_word(text, "BQ"[k % 2], k % 3 == 0)
        lines.append(["Subject: ", "", "Re: "][k % 3] + word + ["", " (tail)", " ."][k % 3])

    with tempfile.TemporaryDirectory() as tmp:
        src, dst = os.path.join(tmp, "in.txt"), os.path.join(tmp, "out.txt")
        with open(src, "w", encoding="ascii") as f:
            f.write("\n".join(lines) + "\n")
        run = subprocess.run([kxjconv, "--from", "jis", "--to", "sjis", src, dst], capture_output=True, text=True)
        if run.returncode != 0:
            sys.exit(f"kxjconv failed: {run.stderr}")
        with open(dst, "rb") as f:
            ours = f.read().decode("shift_jis").split("\n")[:-1]

    if len(ours) != len(lines):
        sys.exit(f"{len(ours)} lines back for {len(lines)}")
    bad = 0
    for line, got in zip(lines, ours):
        want = str(make_header(decode_header(line)))
        if got != want:
            bad += 1
            if bad <= 10:
                print(f"{line!r}\n  python: {want!r}\n  ours:   {got!r}")
    print(f"{len(lines) - bad}/{len(lines)} header lines decoded as email.header decodes them")
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
