#!/usr/bin/env python3
"""Write files ("w") of the stream editor window over several targets,
through kxapp, against GNU sed.

Each target runs on its own, so a write file holds what the last run made
of it: GNU sed run once per target, in the same order, is the reference.

1. The script box's "s///w" over three files overwritten: every target is
   processed, and no run is reported as failed.
2. A script file's "/re/w" over Shift_JIS, EUC-JP and UTF-8 targets.
3. A write file that names a target of the run is refused: a note, and no
   file of the folder changes."""
import os
import shutil
import subprocess
import tempfile

from kxapp_run import app, check, finish



def files(folder):
    out = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            out[name] = f.read()
    return out


def gnu_per_target(folder, args, targets):
    """GNU sed over a copy of `folder`, one run per target in order."""
    ref = folder + ".gnu"
    shutil.copytree(folder, ref)
    for t in targets:
        subprocess.run(["sed", "-i"] + args + [t], cwd=ref, check=True)
    return files(ref)


def main():
    with tempfile.TemporaryDirectory() as work:
        os.makedirs(os.path.join(work, "home"))

        # 1. The script box over three files.
        box = os.path.join(work, "box")
        os.makedirs(box)
        for name, text in (("one.txt", b"a1\n"), ("two.txt", b"b2\n"), ("zthree.txt", b"c3\nx\n")):
            with open(os.path.join(box, name), "wb") as f:
                f.write(text)
        want = gnu_per_target(box, ["s/[0-9]/N/w hits.txt"], ["one.txt", "two.txt", "zthree.txt"])
        out = app(work, "menu 1228\nchoose 3911 2\nfield 3924 s/[0-9]/N/w hits.txt\nfolder 3934 %s\n"
                        "choose 3932 1 2 3\nchoose 3941 3\nclick 3901\nprint alerts\n" % box)
        check("alert" not in out and "note" not in out, "the series reported a failure", out)
        check(files(box) == want, "box: %r, GNU sed: %r" % (files(box), want))

        # 2. A script file over three encodings.
        scripts = os.path.join(work, "scripts")
        os.makedirs(scripts)
        with open(os.path.join(scripts, "hits.sed"), "wb") as f:
            f.write("/日本/w hits.txt\n".encode())
        enc = os.path.join(work, "enc")
        os.makedirs(enc)
        body = "日本語の文章です。\n東京の山。\n最後の日本\n"
        for name, codec, crlf in (("a_sjis.txt", "shift_jis", True), ("b_euc.txt", "euc_jp", False),
                                  ("c_utf8.txt", "utf-8", False)):
            text = body.replace("山", name[0])
            with open(os.path.join(enc, name), "wb") as f:
                f.write((text.replace("\n", "\r\n") if crlf else text).encode(codec))
        before = files(enc)
        want = gnu_per_target(enc, ["/日本/w hits.txt"], ["a_sjis.txt", "b_euc.txt", "c_utf8.txt"])
        out = app(work, "menu 1228\nchoose 3911 3\nfolder 3914 %s\nchoose 3912 1\nfolder 3934 %s\n"
                        "choose 3932 1 2 3\nchoose 3941 3\nclick 3901\nprint alerts\n" % (scripts, enc))
        check("alert" not in out and "note" not in out, "the encodings series reported a failure", out)
        got = files(enc)
        check(got == want, "encodings: %r, GNU sed: %r" % (got, want))
        check({k: v for k, v in got.items() if k != "hits.txt"} == before, "a target changed")

        # 3. A write file that is a target of the run.
        clash = os.path.join(work, "clash")
        os.makedirs(clash)
        for name, text in (("one.txt", b"a1\n"), ("two.txt", b"b2\n")):
            with open(os.path.join(clash, name), "wb") as f:
                f.write(text)
        before = files(clash)
        for w in ("two.txt", "one.txt", "sub/../two.txt"):
            out = app(work, "menu 1228\nchoose 3911 2\nfield 3924 s/[0-9]/N/w %s\nfolder 3934 %s\n"
                            "choose 3932 1 2\nchoose 3941 3\nanswer ok\nclick 3901\nprint alerts\n" % (w, clash))
            check("note: " in out and w in out, "w %s: no note" % w, out)
            check(files(clash) == before, "w %s: %r" % (w, files(clash)))

    finish()


if __name__ == "__main__":
    main()
