#!/usr/bin/env python3
"""The stream editor window and the encodings of its targets, through kxapp.

1. A script file gives characters Shift_JIS and EUC-JP lack: those targets
   are left as they were, one note names them with the counts, and the
   other targets of the series are written (UTF-8; UTF-16 big-endian stays
   big-endian with its mark).
2. The line-end item of the replace field's history makes a line end in the
   output instead of failing the run."""
import os
import tempfile

from kxapp_run import app, check, finish



def main():
    with tempfile.TemporaryDirectory() as work:
        os.makedirs(os.path.join(work, "home"))
        scripts = os.path.join(work, "s")
        targets = os.path.join(work, "t")
        os.makedirs(scripts)
        os.makedirs(targets)
        with open(os.path.join(scripts, "euro.sed"), "wb") as f:
            f.write("s/cat/€😀é/\n".encode("utf-8"))
        body = "cat 日本\ncat 東京\n"
        files = {
            "a_sjis.txt": body.encode("shift_jis"),
            "b_euc.txt": body.encode("euc_jp"),
            "c_utf8.txt": body.encode("utf-8"),
            "d_utf16be.txt": b"\xfe\xff" + body.encode("utf-16-be"),
        }
        for name, data in files.items():
            with open(os.path.join(targets, name), "wb") as f:
                f.write(data)
        out = app(work, "menu 1228\nchoose 3911 3\nfolder 3914 %s\nchoose 3928 1\nchoose 3912 1\n"
                        "folder 3934 %s\nchoose 3932 1 2 3 4\nchoose 3941 3\nanswer ok\nclick 3901\n"
                        "print alerts\n" % (scripts, targets))
        after = {n: open(os.path.join(targets, n), "rb").read() for n in files}
        check(after["a_sjis.txt"] == files["a_sjis.txt"], "the Shift_JIS file was written: %r" % after["a_sjis.txt"])
        check(after["b_euc.txt"] == files["b_euc.txt"], "the EUC-JP file was written: %r" % after["b_euc.txt"])
        want = body.replace("cat", "€😀é")
        check(after["c_utf8.txt"] == want.encode("utf-8"), "UTF-8: %r" % after["c_utf8.txt"])
        check(after["d_utf16be.txt"] == b"\xfe\xff" + want.encode("utf-16-be"), "UTF-16BE: %r" % after["d_utf16be.txt"])
        # € 😀 é twice each; EUC-JP holds é.
        check(out.count("note: ") == 1 and "a_sjis.txt (6)" in out and "b_euc.txt (4)" in out,
              "the refused files are not told", out)

        # 2. "b" replaced by "b" and the history's line end (item 4).
        out = app(work, "menu 1228\nclipboard abc\nchoose 3931 3\nchoose 3911 1\nfield 3916 b\n"
                        "field 3919 b\nchoose 3920 4\nanswer ok\nclick 3901\nprint alerts\nprint clipboard\n")
        check("note" not in out and "ab\nc\n" in out, "the line-end item", out)

    finish()


if __name__ == "__main__":
    main()
