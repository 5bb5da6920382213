#!/usr/bin/env python3
"""A write file ("w") that cannot be created fails the run as the script
compiles, before any target is read: no file rewritten or copied, no window
or clipboard replaced, a note naming the file. A run whose write file can be
made leaves nothing in its folder but that file. kxsed, plain and styled,
stops the same way and prints nothing."""
import os
import subprocess
import tempfile

from kxapp_run import BIN, app, check, finish

KXSED = os.path.abspath(os.path.join(BIN, "kxsed"))


def files(folder):
    out = {}
    for name in sorted(os.listdir(folder)):
        p = os.path.join(folder, name)
        out[name] = open(p, "rb").read() if os.path.isfile(p) else None
    return out


def main():
    with tempfile.TemporaryDirectory() as work:
        os.makedirs(os.path.join(work, "home"))
        d = os.path.join(work, "t")
        os.makedirs(os.path.join(d, "sub"))
        for name in ("f1.txt", "f2.txt"):
            with open(os.path.join(d, name), "wb") as f:
                f.write(b"red\n")
        with open(os.path.join(work, "two.sed"), "wb") as f:
            f.write(b"s/red/blue/\nw sub\n")   # a folder: no file can take its name
        before = files(d)
        box = "choose 3911 2\nfield 3924 s/red/blue/w /nonexist/x\n"
        script_file = "choose 3911 3\nfolder 3914 %s\nchoose 3928 1\nchoose 3912 1\n" % work
        for source, name in ((box, "/nonexist/x"), (script_file, "sub")):
            for output in ("choose 3941 3\n", "choose 3941 2\nfield 3944 _new\n"):
                out = app(work, "menu 1228\n%sfolder 3934 %s\nchoose 3932 1 2\n%sanswer ok\nclick 3901\n"
                                "print alerts\n" % (source, d, output))
                check("note: " in out and name in out, "%r %r: no note" % (source, output), out)
                check(files(d) == before, "%r %r: the folder changed: %r" % (source, output, files(d)))

        # A window, then the clipboard, as the target: neither replaced.
        doc = os.path.join(work, "w.txt")
        with open(doc, "wb") as f:
            f.write(b"red\n")
        out = app(work, "open %s\nmenu 1228\n%schoose 3931 2\nchoose 3932 1\nchoose 3941 3\nanswer ok\n"
                        "click 3901\nprint alerts\nmenu 1228\nprint text\n" % (doc, box))
        check("/nonexist/x" in out and "blue" not in out, "the window was replaced", out)
        out = app(work, "menu 1228\n%sclipboard red\nchoose 3931 3\nanswer ok\nclick 3901\nprint alerts\n"
                        "print clipboard\n" % box)
        check("/nonexist/x" in out and "blue" not in out, "the clipboard was replaced", out)

        # A write file that can be made (as the last run made it): nothing else
        # is left behind.
        out = app(work, "menu 1228\nchoose 3911 2\nfield 3924 s/red/blue/w hits.txt\nfolder 3934 %s\n"
                        "choose 3932 1 2\nchoose 3941 3\nclick 3901\nprint alerts\n" % d)
        check("note" not in out, "the good run showed a note", out)
        want = {"f1.txt": b"blue\n", "f2.txt": b"blue\n", "hits.txt": b"blue\n", "sub": None}
        check(files(d) == want, "the good run: %r" % files(d))

        for args in ([KXSED], [KXSED, "--styled"]):
            r = subprocess.run(args + ["-e", "s/red/blue/", "-e", "w /nonexist/x", doc],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
            check(r.returncode == 9 and r.stdout == b"", "%r: exit %d, %r" % (args, r.returncode, r.stdout))

    finish()


if __name__ == "__main__":
    main()
