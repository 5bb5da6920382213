#!/usr/bin/env python3
"""The stream editor window's snippet pop-ups through kxapp, as a user
picks them: every expression snippet (pop-up 3927) is chosen into the find
or replace field between typed text and run on the clipboard, and must act
as its label says in the stream editor's own syntax (an item read as a
literal gives another result). The script snippet "only matching lines"
prints each matching line once, and "\\n" in the script box joins lines."""
import os
import re
import tempfile

import kxapp_run
from kxapp_run import check, finish

HERE = os.path.dirname(os.path.abspath(__file__))
STRINGS = os.path.join(HERE, "../../resources/strings/214.txt")


def app(work, script):
    return kxapp_run.app(work, script, os.path.join(work, "prefs"))


def snippet(item):
    at = item.rfind("  ")
    return item if at < 0 else item[at + 2:]


def listed_snippets():
    items = {}
    with open(STRINGS, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or "=" not in line:
                continue
            n, text = line.rstrip("\n").split("=", 1)
            items[int(n)] = text.replace("\\\\", "\\")
    return [snippet(items[n]) for n in sorted(items)]


# snippet -> (find before, find after, replace before, replace after, input, expected)
CASES = {
    ".": ("a", "c", "X", "", "abc ac a.c", "X ac X"),
    "*": ("ab", "c", "X", "", "ac abbc ab*c", "X X ab*c"),
    "\\+": ("ab", "c", "X", "", "ac abc abbc ab+c", "ac X X ab+c"),
    "\\?": ("ab", "c", "X", "", "ac abc abbc ab?c", "X X abbc ab?c"),
    "\\{2,3\\}": ("ab", "c", "X", "", "abc abbc abbbc abbbbc ab{2,3}c", "abc X X abbbbc ab{2,3}c"),
    "^": ("", "a", "X", "", "aa a^a", "Xa a^a"),
    "$": ("a", "", "X", "", "a$a a", "a$a X"),
    "[0-9]": ("", "", "X", "", "a1b23[0-9]", "aXbXX[X-X]"),
    "[^0-9]": ("", "", "X", "", "a1b2", "X1X2"),
    "\\t": ("a", "b", "X", "", "a\tb atb", "X atb"),
    "&": ("b", "", "[", "]", "abc", "a[b]c"),
}
for k in range(1, 10):
    # k groups of one character each; the replacement keeps group k.
    text = "abcdefghijkl"
    CASES["\\%d" % k] = ("\\(.\\)" * k, "", "<", ">", text, re.sub("(.)" * k, "<\\%d>" % k, text))


def main():
    snippets = listed_snippets()
    with tempfile.TemporaryDirectory() as work:
        os.makedirs(os.path.join(work, "home"))
        doc = os.path.join(work, "doc.txt")
        with open(doc, "w") as f:
            f.write("A1\nb2\nA3\nb4\n")
        # Fields as source, the clipboard as target.
        steps = ["open %s" % doc, "menu 1228", "choose 3911 1", "choose 3931 3", "print items 3927"]
        expected = []
        for n, s in enumerate(snippets, start=2):
            if s == "\\(\\)":
                # Text typed between the brackets; the group is referred to.
                steps += ["field 3916 x", "choose 3927 %d" % n, "key left", "key left", "type yz",
                          "field 3919 <\\1>", "clipboard axyzb"]
                expected.append("a<yz>b")
            elif s == "\\n":
                continue   # lines meet only in the script box (below)
            elif s not in CASES:
                check(False, "no case for the snippet %r" % s)
                continue
            else:
                fb, fa, rb, ra, text, want = CASES[s]
                replace = s == "&" or re.fullmatch(r"\\[1-9]", s)
                steps.append("field 3916 %s" % fb)
                if replace:
                    steps.append("field 3919 %s" % rb)
                steps.append("choose 3927 %d" % n)
                if fa or ra:
                    steps.append("type %s" % (ra if replace else fa))
                if not replace:
                    steps.append("field 3919 %s" % rb)
                steps.append("clipboard %s" % text)
                expected.append(want)
            steps += ["click 3901", "print clipboard", "print alerts"]
        out = app(work, "\n".join(steps) + "\n")
        shown = [line.split(" ", 1)[1] for line in out.splitlines()[:len(snippets) + 1]]
        check([snippet(i) for i in shown[1:]] == snippets, "pop-up items are not the list", out)
        results = out.splitlines()[len(snippets) + 1:]
        check(results == expected, "snippet runs:\n%s\nwanted:\n%s" % ("\n".join(results), "\n".join(expected)))

        # The script box over the window's text: "only matching lines"
        # (its "A" matches), undone; then "\n" between typed text joins two
        # lines.
        n = snippets.index("\\n") + 2 if "\\n" in snippets else 0
        check(n > 0, "no newline snippet")
        out = app(work, "\n".join([
            "open %s" % doc, "menu 1228", "choose 3911 2", "choose 3931 2", "choose 3932 1", "choose 3941 3",
            "field 3924", "choose 3925 4", "click 3901", "print text", "menu 11", "menu 1228",
            "field 3924 N;s/1", "choose 3927 %d" % n, "type b/X/", "click 3901", "print text", "print alerts",
            "quit", "answer dont-save"]) + "\n")
        check(out == "A1\nA3\n\nAX2\nA3\nb4\n\n", "script box runs", out)
    finish()


if __name__ == "__main__":
    main()
