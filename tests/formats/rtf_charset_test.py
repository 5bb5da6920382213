"""RTF import (driver kxrtf) of the bytes and Unicode characters that other
programs write: Windows code-page bytes keep their characters, whatever the
Mac Roman set holds or not, and "\\u" characters keep their exact value in
Japanese runs, look-alikes included."""
import os
import subprocess
import sys
import tempfile

SOURCE = os.environ.get("KX_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
BIN = os.environ.get("KX_BIN_DIR", os.path.join(SOURCE, "build", "bin"))
KXRTF = os.path.join(BIN, "kxrtf")

HEAD = (b"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
        b"{\\f1\\fnil\\fcharset128 MS Mincho;}{\\f2\\froman\\fcharset204 Times New Roman Cyr;}"
        b"{\\f3\\fswiss\\fcharset238 Arial CE;}{\\f4\\fswiss\\cpg1253 Arial Greek;}}")

failures = []
tmp = tempfile.mkdtemp()


def check(ok, message):
    if not ok:
        failures.append(message)
        print("FAIL:", message)


def import_text(rtf):
    """The text lines kxrtf prints for an RTF document."""
    path = os.path.join(tmp, "in.rtf")
    with open(path, "wb") as f:
        f.write(rtf)
    out = subprocess.run([KXRTF, "--import", path], capture_output=True)
    check(out.returncode == 0, "kxrtf exit %d: %s" % (out.returncode, out.stderr[-300:]))
    text = out.stdout.decode("utf-8", "replace")
    return text.split("\nstyles\n")[0].split("\n")


def hexbytes(data):
    return b"".join(b"\\'%02x" % b for b in data)


# Every upper-half byte of code page 1252, one a paragraph, as Windows
# decodes it (undefined bytes: U+FFFD).
body = b"".join(hexbytes(bytes([b])) + b"\\par " for b in range(0x80, 0x100))
lines = import_text(HEAD + b"\\f0 " + body + b"}")
for b in range(0x80, 0x100):
    want = bytes([b]).decode("cp1252", "replace")
    got = lines[b - 0x80] if b - 0x80 < len(lines) else None
    check(got == want, "cp1252 byte %02X: %r, not %r" % (b, got, want))

# The same bytes in a document that names no code page and no font.
lines = import_text(b"{\\rtf1\\ansi E\\'80 x\\'a4 y\\'8a z\\'8e \\'9a\\'9e}")
check(lines[0] == "E€ x¤ yŠ zŽ šž", "no font or code page: %r" % lines[0])

# Code pages of the document and of fonts; a font's set ends with the font,
# and Shift_JIS bytes in a Japanese font stay Japanese.
cyr = "Привет".encode("cp1251")
pl = "Łódź".encode("cp1250")
gr = "Αθήνα".encode("cp1253")
doc = (HEAD + b"\\f0 caf\\'e9 \\f2 " + hexbytes(cyr) + b" \\f3 " + hexbytes(pl) + b" \\f4 " + hexbytes(gr) +
       b" \\f1 \\'82\\'a0\\'8a\\'bf \\f0 \\'80\\par}")
lines = import_text(doc)
check(lines[0] == "café Привет Łódź Αθήνα あ漢 €", "font code pages: %r" % lines[0])
lines = import_text(b"{\\rtf1\\ansi\\ansicpg1251 " + hexbytes(cyr) + b"}")
check(lines[0] == "Привет", "document code page 1251: %r" % lines[0])
lines = import_text(b"{\\rtf1\\pc \\'82\\'9b\\'b0}")
check(lines[0] == "é¢░", "PC set: %r" % lines[0])
lines = import_text(b"{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 MS Gothic;}}"
                    b"\\f0 \\'82\\'a0\\u12354?}")
check(lines[0] == "ああ", "code page 932: %r" % lines[0])

# "\u" characters whose look-alikes share a Shift_JIS code, in a Japanese
# font and in a Roman one; a Latin letter the Mac set lacks stays itself.
alike = "— £ − ¢ ¬ ‖ 〜 ～ ― ∥"
units = b"".join(b"\\u%d?" % ord(c) if ord(c) > 127 else c.encode() for c in alike)
lines = import_text(HEAD + b"\\f1 " + units + b"\\par\\f0 " + units + b"\\par\\u256?\\u7840?}")
check(lines[0] == alike, "look-alikes in a Japanese font: %r" % lines[0])
check(lines[1] == alike, "look-alikes in a Roman font: %r" % lines[1])
check(lines[2] == "ĀẠ", "Latin letters outside the Mac set: %r" % lines[2])

# A UTF-8 text written as RTF and read back keeps every character.
text = "dash — pound £ minus − cent ¢ not ¬ bar ‖ wave 〜 full ～ euro € yen ¥ ş ő"
src = os.path.join(tmp, "in.txt")
with open(src, "w", encoding="utf-8") as f:
    f.write(text + "\n")
out_rtf = os.path.join(tmp, "out.rtf")
r = subprocess.run([KXRTF, "--export", src, "-o", out_rtf], capture_output=True)
check(r.returncode == 0, "export exit %d: %s" % (r.returncode, r.stderr[-300:]))
with open(out_rtf, "rb") as f:
    lines = import_text(f.read())
check(lines[0] == text, "round trip: %r" % lines[0])

if failures:
    sys.exit(1)
print("ok")
