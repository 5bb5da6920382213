#!/usr/bin/env python3
"""Encoding detection on real Japanese text.

The texts are the Japanese message catalogues of the installed programs
(/usr/share/locale/ja, turned back into text by msgunfmt) and the Aozora
notation examples. Each is converted by iconv into Shift_JIS, JIS, EUC-JP,
UTF-8 and UTF-16 (with a byte-order mark), whole and in pieces of a few
sizes taken from its Japanese part, and kxjconv --detect must name the
encoding. Every file of 200 bytes or more must be detected right; the
counts by encoding and by size are printed.

Text written on Windows carries CP932's IBM extension kanji (names such as
山﨑 or 髙橋). Each Shift_JIS file is also written with one of them after it:
whatever its size, that must not change what the file is taken for.
"""
import glob
import os
import re
import subprocess
import sys
import tempfile

ENCODINGS = [  # (our name, iconv name)
    ("sjis", "SHIFT_JIS"),
    ("jis", "ISO-2022-JP"),
    ("euc", "EUC-JP"),
    ("utf8", "UTF-8"),
    ("utf16", "UTF-16"),
]
SIZES = [(0, 200), (200, 1000), (1000, 10000), (10000, 100000), (100000, None)]
PIECES = [20, 60, 150, 500, 2000]  # characters, from the first non-ASCII one
MUST_PASS_FROM = 200
# CP932's IBM extension kanji (FA5C-FC4B), and short texts that hold them.
IBM_KANJI = [bytes([code >> 8, code & 0xFF]).decode("cp932") for code in range(0xFA5C, 0xFC4C)
             if 0x40 <= code & 0xFF <= 0xFC and code & 0xFF != 0x7F]
IBM_SHORT = ["山﨑\r\n", "あいうあいうあいう髙", "宛先：山﨑髙様\r\n", "﨑"]


def size_label(lo, hi):
    return f"{lo}-{hi - 1}" if hi else f"{lo}+"


def source_dir():
    return os.environ.get("KX_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", "..", ".."))


def aozora_sample():
    shared = os.environ.get("KX_SHARED_DIR")
    candidates = []
    if shared:
        candidates.append(os.path.join(shared, "data", "aozora", "notation-examples.sjis.txt"))
    candidates.append(os.path.join(source_dir(), "..", "shared", "data", "aozora", "notation-examples.sjis.txt"))
    for path in candidates:
        if os.path.isfile(path):
            return path
    sys.exit("no Aozora sample found")


def catalogue_texts():
    texts = []
    for mo in sorted(glob.glob("/usr/share/locale/ja/LC_MESSAGES/*.mo")):
        run = subprocess.run(["msgunfmt", mo], capture_output=True)
        if run.returncode != 0:
            continue
        m = re.search(rb"charset=([A-Za-z0-9_-]+)", run.stdout)
        charset = m.group(1).decode() if m else "UTF-8"
        try:
            texts.append((os.path.basename(mo), run.stdout.decode(charset)))
        except (LookupError, UnicodeDecodeError):
            continue
    return texts


def iconv(text_utf8, to):
    # -c leaves out what the target cannot hold (iconv then exits 1).
    run = subprocess.run(["iconv", "-c", "-f", "UTF-8", "-t", to], input=text_utf8, capture_output=True)
    return run.stdout


def detect(kxjconv, paths):
    """kxjconv's answers for the files, in order."""
    answers = []
    batch = 200
    for start in range(0, len(paths), batch):
        chunk = paths[start : start + batch]
        run = subprocess.run([kxjconv, "--detect"] + chunk, capture_output=True, text=True)
        if run.returncode != 0:
            sys.exit(f"kxjconv failed: {run.stderr}")
        got = re.findall(r"detected: (\w+)", run.stderr)
        if len(got) != len(chunk):
            sys.exit(f"kxjconv answered {len(got)} of {len(chunk)} files")
        answers += got
    return answers


def main():
    kxjconv = os.path.join(os.environ.get("KX_BIN_DIR", "build/bin"), "kxjconv")
    texts = catalogue_texts()
    if len(texts) < 10:
        sys.exit(f"only {len(texts)} Japanese message catalogues found (is gettext installed?)")
    with open(aozora_sample(), "rb") as f:
        texts.append(("notation-examples", f.read().decode("cp932")))

    samples = []  # (label, text)
    for name, text in texts:
        samples.append((name, text))
        first = next((k for k, ch in enumerate(text) if ord(ch) > 0x7F), None)
        if first is None:
            continue
        for n in PIECES:
            if first + n <= len(text):
                samples.append((f"{name}[{n}]", text[first : first + n]))

    files = []  # (path, expected, label)
    with_ibm = []  # (index in files of the plain Shift_JIS file, path, label)
    short_ibm = []  # (path, text)
    undecidable = 0
    with tempfile.TemporaryDirectory() as tmp:
        for k, (label, text) in enumerate(samples):
            utf8 = text.encode("utf-8")
            # When nothing but ASCII is left in Shift_JIS, only the
            # byte-order mark of UTF-16 tells an encoding.
            ascii_only = max(iconv(utf8, "SHIFT_JIS"), default=0) < 0x80
            for ours, theirs in ENCODINGS:
                if ascii_only and ours != "utf16":
                    undecidable += 1
                    continue
                data = iconv(utf8, theirs)
                path = os.path.join(tmp, f"{k}.{ours}")
                with open(path, "wb") as out:
                    out.write(data)
                files.append((path, ours, label, len(data)))
                if ours == "sjis":
                    with open(path + ".ibm", "wb") as out:
                        out.write(data + IBM_KANJI[k % len(IBM_KANJI)].encode("cp932"))
                    with_ibm.append((len(files) - 1, path + ".ibm", label))
        for k, text in enumerate(IBM_SHORT):
            path = os.path.join(tmp, f"ibm{k}.sjis")
            with open(path, "wb") as out:
                out.write(text.encode("cp932"))
            short_ibm.append((path, text))

        answers = detect(kxjconv, [p for p, _, _, _ in files])
        ibm_answers = detect(kxjconv, [p for _, p, _ in with_ibm])
        short_answers = detect(kxjconv, [p for p, _ in short_ibm])

    table = {}  # (encoding, size bucket) -> [right, total]
    failures = []
    for (path, expected, label, size), got in zip(files, answers):
        bucket = next(b for b in SIZES if size >= b[0] and (b[1] is None or size < b[1]))
        cell = table.setdefault((expected, bucket), [0, 0])
        cell[1] += 1
        if got == expected:
            cell[0] += 1
        elif size >= MUST_PASS_FROM:
            failures.append(f"{label} as {expected} ({size} bytes): detected {got}")

    print(f"{len(texts)} texts, {len(files)} files ({undecidable} pure-ASCII conversions left out)")
    print("right/total by size in bytes")
    print("%-6s" % "" + "".join("%14s" % size_label(*b) for b in SIZES))
    for ours, _ in ENCODINGS:
        row = "%-6s" % ours
        for b in SIZES:
            right, total = table.get((ours, b), [0, 0])
            row += "%14s" % (f"{right}/{total}" if total else "-")
        print(row)
    for (plain, _, label), got in zip(with_ibm, ibm_answers):
        if got != answers[plain]:
            failures.append(f"{label} as sjis with an IBM extension kanji after it: detected {got}, "
                            f"without it {answers[plain]}")
    for (_, text), got in zip(short_ibm, short_answers):
        if got != "sjis":
            failures.append(f"{text.strip()} as sjis: detected {got}")
    print(f"{len(with_ibm)} Shift_JIS files again with an IBM extension kanji after them, "
          f"{len(short_ibm)} short ones")
    if failures:
        print("wrong detections (of files of 200 bytes or more, or with IBM extension kanji):")
        for f in failures:
            print("  " + f)
        sys.exit(1)
    print("every file of 200 bytes or more detected right, none changed by an IBM extension kanji")


if __name__ == "__main__":
    main()
