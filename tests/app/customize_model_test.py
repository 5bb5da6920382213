#!/usr/bin/env python3
"""Random edits on the key customisation dialog's control-key and arrow-key
pages through kxapp: cancel leaves `print prefs` as it was; OK stores
tables equal to a model of the working copies."""
import os
import random
import subprocess
import sys
import tempfile

BIN = os.environ["KX_BIN_DIR"]
STEPS = int(os.environ.get("KxRandomSteps", "4"))

CTRL_DEFAULT = bytes.fromhex(
    "53001C0044001D0041001C0446001D0445001E0058001F0052000B0043000C0057001E065A001F0651531C0251441D025152"
    "0100514304004D000D00490009004800080047007F004A00080454007F04550008024B007F0259007F064C000306"
    "0000000000000000")
ARROW_DEFAULT = bytes.fromhex(
    "1C041C041D041D041C021C021D021D021C061C061D061D061E020B001F020C001E0601001F0604001E041E061F041F06")
TEXTS = ["a", "Q", "qs", "1", "", "zz", "ａ", "{x", "@", "~"]


def key_byte(c, low):
    if 0x61 <= c <= 0x7E:
        return c - 0x20
    return c if low <= c <= 0x5F else 0


def chars(text):
    out = []
    for ch in text:
        b = ch.encode("cp932")
        out.append(0 if len(b) == 2 else b[0])
    return out


def run(folder, script):
    r = subprocess.run([f"{BIN}/kxapp", "--prefs", folder, "-"], input=script.encode(), capture_output=True)
    if r.returncode != 0:
        sys.exit(f"FAIL: kxapp exit {r.returncode}: {r.stderr.decode()}")
    return r.stdout.decode()


def table(prefs, tag, default):
    for line in prefs.splitlines():
        if line.startswith(tag + " = "):
            return bytes.fromhex(line.split(" = ")[1].split()[0])
    return default


def main():
    rng = random.Random(79)
    for step in range(STEPS):
        with tempfile.TemporaryDirectory() as work:
            doc = os.path.join(work, "doc.txt")
            open(doc, "w").write("doc\n")
            folder = os.path.join(work, "prefs")
            before = run(folder, f"open {doc}\nprint prefs\n")
            ctrl, arrow = bytearray(CTRL_DEFAULT), bytearray(ARROW_DEFAULT)
            lines = [f"open {doc}", "menu 1109", "click 3016"]
            for _ in range(rng.randint(1, 8)):
                k = rng.randrange(24)
                text = rng.choice(TEXTS)
                lines.append(f"field {2912 + 2 * k} {text}".rstrip())
                c = chars(text)
                ctrl[4 * k] = key_byte(c[0], 0x41) if c else 0
                ctrl[4 * k + 1] = key_byte(c[1], 0x30) if len(c) > 1 else 0
            lines.append("click 3017")
            for _ in range(rng.randint(1, 6)):
                pair, box = rng.randrange(6), rng.randrange(2)
                lines.append(f"click {2962 + 4 * pair + box}")
                bit = 4 if box == 0 else 2
                arrow[8 * pair + 1] ^= bit
                arrow[8 * pair + 5] = arrow[8 * pair + 1]
            cancelled = run(folder, "\n".join(lines + ["click 2902", "print prefs"]) + "\n")
            if cancelled != before:
                sys.exit(f"FAIL: step {step}: cancel changed the settings")
            stored = run(folder, "\n".join(lines + ["click 2901", "print prefs"]) + "\n")
            if table(stored, "CK2T", CTRL_DEFAULT) != bytes(ctrl):
                sys.exit(f"FAIL: step {step}: control keys {table(stored, 'CK2T', CTRL_DEFAULT).hex()} != {bytes(ctrl).hex()}\n" + "\n".join(lines))
            if table(stored, "AKDT", ARROW_DEFAULT) != bytes(arrow):
                sys.exit(f"FAIL: step {step}: arrow keys {table(stored, 'AKDT', ARROW_DEFAULT).hex()} != {bytes(arrow).hex()}\n" + "\n".join(lines))
    print("ok")


main()
