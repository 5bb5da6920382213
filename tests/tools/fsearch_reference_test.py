#!/usr/bin/env python3
"""The multi-file search through kxapp against a reference that decodes each
file in Python: a tree of UTF-8, EUC-JP and Shift_JIS (CR LF) files, an RTF
whose text holds the pattern only through \\u escapes, a subfolder and a
sub-subfolder, a dot folder, a link loop, a pipe and a 255-byte name. The
rows (place, name, line) and, for the first row, the selection that opening
it makes must be the reference's."""
import os
import subprocess
import sys
import tempfile

BIN = os.environ.get("KX_BIN_DIR") or os.path.join(os.path.dirname(__file__), "../../build/bin")
KXAPP = os.path.abspath(os.path.join(BIN, "kxapp"))
PATTERN = "日本"


def main():
    with tempfile.TemporaryDirectory() as work:
        tree = os.path.join(work, "tree")
        files = {
            "a.txt": ("utf-8", "前\n日本語の行\n後\n"),
            "sub/b.txt": ("euc-jp", "一行目\r\n二行目に日本\r\n"),
            "sub/deep/c.txt": ("shift_jis", "何もない\r\nここにも日本と日本\r\n"),
            "sub/none.txt": ("utf-8", "ありません\n"),
            ".hidden/d.txt": ("utf-8", "日本\n"),
            "sub/" + "漢" * 83 + "ab.txt": ("utf-8", "長い名前の日本\n"),
        }
        for name, (codec, text) in files.items():
            path = os.path.join(tree, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(text.encode(codec))
        with open(os.path.join(tree, "r.rtf"), "w") as f:
            f.write("{\\rtf1 rtf \\u26085?\\u26412? end}")
        os.symlink("..", os.path.join(tree, "sub", "up"))
        os.mkfifo(os.path.join(tree, "sub", "pipe.txt"))

        # The reference: each text file decoded, its lines with CR line ends.
        expected = []
        def place(rel):
            parts = rel.split("/")
            depth = len(parts)   # 1: the chosen folder
            prefix = ("...: " if depth >= 3 else "") + (parts[-2] + ": " if depth >= 2 else "")
            return prefix + parts[-1]
        order = ["a.txt", "r.rtf", "sub/b.txt", "sub/none.txt", "sub/" + "漢" * 83 + "ab.txt", "sub/deep/c.txt"]
        for rel in order:
            if rel == "r.rtf":
                text = "rtf 日本 end"
            else:
                codec, raw = files[rel]
                text = raw.replace("\r\n", "\n")
            for line in text.split("\n"):
                if PATTERN in line:
                    expected.append(place(rel) + "  \t" + line)
                    break
        env = dict(os.environ, HOME=os.path.join(work, "home"), LANG="C")
        script = "menu 1210\nfolder 3204 %s\nfield 3205 %s\nclick 3201\nprint cells 3212\n" % (tree, PATTERN)
        script += "choose 3212 5\nopen 3212\nprint selection\nprint text\n"
        out = subprocess.run([KXAPP, "--prefs", os.path.join(work, "prefs"), "-"], input=script.encode(),
                             capture_output=True, env=env)
        if out.returncode != 0:
            print("kxapp failed:", out.stderr.decode(errors="replace"))
            return 1
        lines = out.stdout.decode().split("\n")
        rows = [l.split(" ", 2)[2][2:] for l in lines[:len(expected)]]
        ok = True
        if rows != expected:
            print("rows:\n" + "\n".join(rows) + "\nexpected:\n" + "\n".join(expected))
            ok = False
        # The Shift_JIS file's first match after opening: the same offsets.
        doc = "何もない\rここにも日本と日本\r".encode("shift_jis")
        start = doc.index(PATTERN.encode("shift_jis"))
        want = "%d %d" % (start, start + 4)
        if lines[len(expected)] != want:
            print("selection:", lines[len(expected)], "expected", want)
            ok = False
        return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
