#!/usr/bin/env python3
"""The resource compiler refuses broken menus, menu bars and layouts with a
message naming the file, and accepts the forms its format allows."""
import os
import subprocess
import sys
import tempfile

SOURCE = os.environ.get("KX_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", "..", ".."))
GEN = os.path.join(SOURCE, "scripts", "gen-resources.py")

GOOD_MENU = "title=T\nitem 5 Z shift+option Five\nseparator\nitem 0 minus - sub=2 off Sub\n"
CASES = [
    # (files, should pass, words expected in the error)
    ({"menus/1.txt": GOOD_MENU, "menus/2.txt": "title=S\n", "menubars/9.txt": "1\n"}, True, ""),
    ({"menus/1.txt": GOOD_MENU}, False, "submenu 2"),
    ({"menus/1.txt": "item 5 Z - Five\n"}, False, "title"),
    ({"menus/1.txt": "title=T\nitem 5 ZZ - Five\n"}, False, "key"),
    ({"menus/1.txt": "title=T\nitem 5 Z meta Five\n"}, False, "modifier"),
    ({"menus/1.txt": "title=T\nitem 99999999999 Z - Five\n"}, False, "range"),
    ({"menus/1.txt": "title=" + "x" * 256 + "\n"}, False, "255"),
    ({"menubars/9.txt": "7\n"}, False, "menu 7"),
    ({"layouts/5.txt": "wind 0 0 0 0 10 10\npane 7 0 0 0 5 5\npane 8 7 0 0 1 1 title=\"a b\"\n"}, True, ""),
    ({"layouts/5.txt": "wind 0 0 0 0 10 10\npane 7 0 0 0 5 5\npane 7 0 0 0 5 5\n"}, False, "repeated"),
    ({"layouts/5.txt": "wind 0 0 0 0 10 10\npane 8 7 0 0 5 5\n"}, False, "not defined above"),
    ({"layouts/5.txt": "pane 7 3 0 0 5 5\n"}, False, "window"),
    ({"layouts/5.txt": "wind 0 0 0 0 10 10\npane 7 0 5 5 0 0\n"}, False, "frame"),
    ({"layouts/5.txt": "wind 0 0 0 0 40000 10\n"}, False, "range"),
    ({"layouts/5.txt": "wind 0 0 0 0 10 10 title=\"open\n"}, False, "quotation"),
    ({"layouts/x.txt": "wind 0 0 0 0 10 10\n"}, False, "named after its number"),
    ({"other/5.txt": "x\n"}, False, "unknown resource folder"),
]


def main():
    failures = 0
    for files, ok, words in CASES:
        with tempfile.TemporaryDirectory() as tmp:
            paths = []
            for name, text in files.items():
                path = os.path.join(tmp, name)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "w", encoding="utf-8") as f:
                    f.write(text)
                paths.append(path)
            r = subprocess.run([sys.executable, GEN, "--out", os.path.join(tmp, "out.cpp")] + paths,
                               capture_output=True, text=True)
            passed = r.returncode == 0
            if passed != ok or (not ok and words not in r.stderr):
                print(f"FAIL {sorted(files)}: exit {r.returncode}, stderr {r.stderr.strip()!r}")
                failures += 1
    print(f"{len(CASES) - failures}/{len(CASES)} cases")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
