#!/usr/bin/env python3
"""The stream editor window's fields and file outputs through kxapp.

1. Characters outside Shift_JIS: a script window's s/x/é/ puts é itself on
   the clipboard; the find, replace and box fields, which keep Shift_JIS
   only, refuse a script holding a placeholder with a note, and a real ◯
   written \\x81FC replaces only the ◯, never the é beside it.
2. The script box holds a script past 32767 bytes whole: its last command
   still runs.
3. Overwriting a folder's files rewrites only the one the script changed:
   mixed line ends, a UTF-16 file without a byte-order mark and a UTF-8
   file keep their bytes and dates."""
import os
import tempfile

from kxapp_run import app as run_app, check, finish


def app(work, script):
    # One preference folder for every run of the test.
    return run_app(work, script, prefs=os.path.join(work, "prefs"))


def main():
    with tempfile.TemporaryDirectory() as work:
        os.makedirs(os.path.join(work, "home"))
        # 1. A script window with é; the fields refuse what they cannot hold.
        scr = os.path.join(work, "scr.txt")
        with open(scr, "w", encoding="utf-8") as f:
            f.write("s/x/é/\n")
        out = app(work, "open %s\nmenu 1228\nchoose 3911 4\nchoose 3912 1\nchoose 3931 3\nclipboard axb\n"
                        "click 3901\nprint alerts\nprint clipboard\n" % scr)
        check("aéb" in out and "alert" not in out and "note" not in out, "script window inserts é", out)
        out = app(work, "menu 1228\nchoose 3911 1\nchoose 3931 3\nfield 3916 e\nfield 3919 é\nclipboard cafe\n"
                        "answer ok\nclick 3901\nprint alerts\nprint clipboard\n"
                        "field 3916 é\nfield 3919 E\nclipboard ◯ é ü\nanswer ok\nclick 3901\nprint alerts\n"
                        "print clipboard\nchoose 3911 2\nfield 3924 s/ü/u/\nanswer ok\nclick 3901\nprint alerts\n"
                        "print clipboard\nchoose 3911 1\nfield 3916 \\x81FC\nclick 3901\nprint clipboard\n")
        lines = out.splitlines()
        notes = [l for l in lines if l.startswith("note:")]
        check(len(notes) >= 3 and "Shift_JIS" in notes[0], "placeholder scripts refused with a note", out)
        check("caf◯" not in out and "cafe" in lines, "replace field's é refused", out)
        check(lines.count("◯ é ü") >= 2 and lines[-1] == "E é ü", "real ◯ replaced by \\x81FC only", out)

        # 2. A script box past 32767 bytes keeps its last command.
        big = os.path.join(work, "big.sed")
        with open(big, "w") as f:
            for k in range(1200):
                f.write("# comment line %05d of a long script\n" % k)
            f.write("s/a/Z/\n")
        check(os.path.getsize(big) > 40000, "big script size")
        out = app(work, "menu 1228\nchoose 3911 2\nfield-file 3924 %s\nchoose 3931 3\nclipboard abc\n"
                        "click 3901\nprint alerts\nprint clipboard\n" % big)
        check(out.splitlines()[-1:] == ["Zbc"], "long box script runs whole", out)

        # 3. Overwrite: only the changed file is written.
        tree = os.path.join(work, "t")
        os.makedirs(tree)
        files = {
            "a_match.txt": "一つ目\r\n二つ目\n".encode("shift_jis"),
            "b_mixed.txt": b"one\r\ntwo\nthree\rfour\n",
            "c_utf16.txt": "ab\r\ncd\r\n".encode("utf-16-le"),
            "d_utf8.txt": "日本\r\n語\n".encode("utf-8"),
        }
        old = 978307200
        for name, data in files.items():
            path = os.path.join(tree, name)
            with open(path, "wb") as f:
                f.write(data)
            os.utime(path, (old, old))
        out = app(work, "menu 1228\nchoose 3911 2\nchoose 3931 1\nfield 3924 s/目/め/g\nfolder 3934 %s\nchoose 3932 1 2 3 4\n"
                        "choose 3941 3\nclick 3901\nprint alerts\n" % tree)
        check("alert" not in out and "note" not in out, "overwrite without a note", out)
        for name, data in files.items():
            path = os.path.join(tree, name)
            with open(path, "rb") as f:
                got = f.read()
            if name == "a_match.txt":
                check(got == "一つめ\r\n二つめ\r\n".encode("shift_jis"), "changed file written: %r" % got)
                check(os.path.getmtime(path) != old, "changed file's date")
            else:
                check(got == data, "%s untouched: %r" % (name, got))
                check(os.path.getmtime(path) == old, "%s keeps its date" % name)
    finish()


if __name__ == "__main__":
    main()
