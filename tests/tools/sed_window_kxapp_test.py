#!/usr/bin/env python3
"""The stream editor window through kxapp, as a user drives it.

1. A folder of UTF-8, Shift_JIS and EUC-JP files with LF and CR LF, the
   find and replace fields, the targets overwritten: every file equals a
   Python reference in its own encoding and line ends.
2. Copies with a suffix beside each target; the originals stay.
3. Made names that would hit another target of the run are refused with a
   note and the series stops; a title with "/" writes nothing; a new
   document never replaces a file already there.
4. A window's text replaced by the output of the script box and undone in
   one step; a second run into a new document reuses the document the
   window made, never a document of the same name.
5. A read-only window is not written into; the clipboard as target.
6. The script box's text survives closing the window without becoming a
   history entry; the same script run twice is one entry.
7. Script files by their name pattern and script windows; a script error
   delivers nothing; the view's find-string command fills the find field."""
import os
import tempfile

import kxapp_run
from kxapp_run import check, finish



def app(work, script):
    return kxapp_run.app(work, script, os.path.join(work, "prefs"))


def write(path, codec, text, crlf):
    if crlf:
        text = text.replace("\n", "\r\n")
    with open(path, "wb") as f:
        f.write(text.encode(codec))


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main():
    with tempfile.TemporaryDirectory() as work:
        os.makedirs(os.path.join(work, "home"))
        # 1. Overwrite with the fields' command, every encoding and line end.
        tree = os.path.join(work, "t")
        os.makedirs(tree)
        body = "日本語の文章です。\n東京と日本、日本の山。\nここには無い行\n最後の日本\n"
        files = {
            "a_utf8_lf.txt": ("utf-8", False),
            "b_utf8_crlf.txt": ("utf-8", True),
            "c_sjis_lf.txt": ("shift_jis", False),
            "d_sjis_crlf.txt": ("shift_jis", True),
            "e_euc_lf.txt": ("euc_jp", False),
            "f_euc_crlf.txt": ("euc_jp", True),
        }
        for name, (codec, crlf) in files.items():
            write(os.path.join(tree, name), codec, body, crlf)
        rows = " ".join(str(n) for n in range(1, len(files) + 1))
        out = app(work, "menu 1228\nchoose 3911 1\nfolder 3934 %s\nchoose 3932 %s\nfield 3916 日本\n"
                        "field 3919 にっぽん\nchoose 3941 3\nclick 3901\nprint alerts\n" % (tree, rows))
        check("alert" not in out, "overwrite showed an alert", out)
        for name, (codec, crlf) in files.items():
            want = body.replace("日本", "にっぽん")
            if crlf:
                want = want.replace("\n", "\r\n")
            got = read(os.path.join(tree, name))
            check(got == want.encode(codec), "overwrite %s: %r" % (name, got))
        leftovers = [n for n in os.listdir(tree) if n not in files]
        check(not leftovers, "files left beside the targets: %s" % leftovers)

        # 2. Copies with a suffix; the changed-lines-only option with "p".
        copies = os.path.join(work, "c")
        os.makedirs(copies)
        for name in ("one.txt", "two.txt", "three.txt"):
            write(os.path.join(copies, name), "utf-8", "a1\nb2\na3\n", False)
        app(work, "menu 1228\nchoose 3911 1\nfolder 3934 %s\nchoose 3932 1 2 3\nfield 3916 a\nfield 3919 X\n"
                  "choose 3941 2\nfield 3944 _new\nchoose 3945 1\nclick 3901\n" % copies)
        for name, copy in (("one.txt", "one_new.txt"), ("two.txt", "two_new.txt"), ("three.txt", "three_new.txt")):
            check(read(os.path.join(copies, name)) == b"a1\nb2\na3\n", "original %s changed" % name)
            got = read(os.path.join(copies, copy)) if os.path.exists(os.path.join(copies, copy)) else None
            check(got == b"X1\nX3\n", "copy %s: %r" % (copy, got))

        # 3. A copy that would replace another target is refused, and the
        # series stops there; a title holding "/" makes nothing.
        clash = os.path.join(work, "clash")
        os.makedirs(clash)
        write(os.path.join(clash, "a.New.txt"), "utf-8", "first\n", False)
        write(os.path.join(clash, "a.txt"), "utf-8", "second\n", False)
        write(os.path.join(clash, "b.txt"), "utf-8", "third\n", False)
        out = app(work, "menu 1228\nchoose 3911 1\nfolder 3934 %s\nchoose 3932 1 2 3\nfield 3916 i\nfield 3919 I\n"
                        "choose 3941 2\nfield 3944\nanswer ok\nclick 3901\nprint alerts\n"
                        "choose 3941 1\nfield 3942 ../escape.txt\nanswer ok\nclick 3901\nprint alerts\n" % clash)
        check(read(os.path.join(clash, "a.New.txt")) == b"first\n", "a.New.txt overwritten")
        check(not os.path.exists(os.path.join(clash, "b.New.txt")), "the series went on after a refusal")
        check(not os.path.exists(os.path.join(work, "escape.txt")), "a title wrote outside the folder")
        check("a.New.txt」は処理の対象です" in out and "はファイル名にできません" in out, "refusals not reported", out)
        # A new document never replaces a file already there: a title naming
        # one that is no target, and the made name New + target when that is
        # taken, are refused and leave the files as they were; a free title
        # is written.
        keep = os.path.join(work, "keep")
        os.makedirs(keep)
        write(os.path.join(keep, "a.txt"), "utf-8", "alpha\n", False)
        write(os.path.join(keep, "b.txt"), "utf-8", "precious\n", False)
        write(os.path.join(keep, "Newa.txt"), "utf-8", "older\n", False)
        out = app(work, "menu 1228\nchoose 3911 1\nfolder 3934 %s\nchoose 3932 1\nfield 3916 a\nfield 3919 A\n"
                        "choose 3941 1\nfield 3942 b.txt\nanswer ok\nclick 3901\nfield 3942\nanswer ok\nclick 3901\n"
                        "field 3942 fresh.txt\nclick 3901\nprint alerts\n" % keep)
        check(read(os.path.join(keep, "b.txt")) == b"precious\n", "an existing file replaced by a new document")
        check(read(os.path.join(keep, "Newa.txt")) == b"older\n", "New + target replaced")
        check(out.count("はすでにあります") == 2 and "「b.txt」" in out and "「Newa.txt」" in out,
              "refusals of existing names not reported", out)
        check(read(os.path.join(keep, "fresh.txt")) == b"AlphA\n", "a free title not written")

        # 4. A window replaced and undone in one step; a new document reused.
        doc = os.path.join(work, "doc.txt")
        write(doc, "utf-8", "alpha\nbeta\n", False)
        with open(os.path.join(work, "script.sed"), "w") as f:
            f.write("s/a/A/g\n2d\n")
        out = app(work, "open %s\nmenu 1228\nchoose 3931 2\nchoose 3932 1\nchoose 3911 2\nfield-file 3924 %s\n"
                        "choose 3941 3\nclick 3901\nprint text\nmenu 11\nprint text\nmenu 28\nprint text\n"
                        "menu 1228\nchoose 3941 1\nfield 3942 result\nclick 3901\nmenu 1228\nclick 3901\n"
                        "print windows\n" % (doc, os.path.join(work, "script.sed")))
        check("AlphA\n\nalpha\nbeta\n\nAlphA\n" in out, "replace, undo, redo", out)
        check(out.count("result") == 1, "the made document was not reused", out)
        check(read(doc) == b"alpha\nbeta\n", "the window's file was written")
        # The made document is listed under the name it was given.
        out = app(work, "open %s\nmenu 1228\nchoose 3911 2\nfield 3924 s/a/b/\nchoose 3931 2\nchoose 3932 1\n"
                        "click 3901\nprint cells 3932\n" % doc)
        check("2 - 5 result" in out and "\u540d\u79f0\u672a\u8a2d\u5b9a" not in out, "the made document's name", out)

        # 5. A read-only window is left alone; the clipboard as target.
        out = app(work, "open %s\nmenu 1124\nmenu 1228\nchoose 3931 2\nchoose 3932 1\nchoose 3911 1\n"
                        "field 3916 beta\nfield 3919 gamma\nchoose 3941 3\nanswer ok\nclick 3901\nprint alerts\nmenu 1228\n"
                        "clipboard one beta two\nchoose 3931 3\nclick 3901\nprint clipboard\n" % doc)
        check("doc.txt" in out and "書き込みできません" in out, "read-only not reported", out)
        check("one gamma two" in out, "clipboard target", out)

        # 6. The box's text survives closing; one history entry per script.
        # (A document stays open: closing the last window would end the run.)
        out = app(work, "open %s\nmenu 1228\nchoose 3911 2\nchoose 3931 3\nclipboard x\nfield 3924 s/x/y/\n"
                        "click 3901\nclick 3901\nfield 3924 kept\nmenu 4\nprint windows\nmenu 1228\n"
                        "print window 3924\nprint items 3923\n" % doc)
        check(out.startswith("doc.txt\nwindow "), "Close did not close the stream editor", out)
        check("3924 field 1 1 0 kept" in out, "box text after reopening", out)
        items = out.split("3924 field 1 1 0 kept", 1)[-1]
        check(items.count("s/x/y/") == 1 and "kept" not in items.replace("kept", "", 0), "history items", out)

        # 7. Script files by their name pattern, a script window, a script
        # error (nothing delivered), and the view's find-string command.
        scripts = os.path.join(work, "scripts")
        os.makedirs(scripts)
        with open(os.path.join(scripts, "up.sed"), "w") as f:
            f.write("y/abc/ABC/\n")
        with open(os.path.join(scripts, "notes.txt"), "w") as f:
            f.write("s/a/NOTE/\n")
        with open(os.path.join(work, "bad.sed"), "w") as f:
            f.write("s/a/b/\nk\n")
        out = app(work, "menu 1228\nchoose 3911 3\nfolder 3914 %s\nprint cells 3912\nchoose 3912 1\n"
                        "choose 3931 3\nclipboard cab\nclick 3901\nprint clipboard\n"
                        "open %s\nmenu 1228\nchoose 3911 4\nprint cells 3912\nchoose 3912 1\nclipboard zz a\n"
                        "answer ok\nclick 3901\nprint alerts\nprint clipboard\n"
                        "menu 1610\nselect 0 1\nmenu 1204\nmenu 1228\nprint window 3916\n"
                        % (scripts, os.path.join(work, "bad.sed")))
        check("1 - 5 up.sed\nCAB\n" in out, "script files by pattern", out)
        check("1 - 5 bad.sed\n" in out, "script windows", out)
        check("note: 不明なコマンドです: k\nzz a\n" in out, "a script error delivered", out)
        check("3916 field 0 1 0 s\n" in out, "find string from the view", out)

    finish()


if __name__ == "__main__":
    main()
