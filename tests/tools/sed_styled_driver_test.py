#!/usr/bin/env python3
"""kxsed --styled as reviewers run it: the printed lists, the exit codes,
inputs that cannot be read, output files and their names, "$" over several
inputs, and Aozora texts through s///g and h;G."""
import os
import subprocess
import sys
import tempfile

BIN = os.environ.get("KX_BIN_DIR") or os.path.join(os.path.dirname(__file__), "../../build/bin")
KXSED = os.path.abspath(os.path.join(BIN, "kxsed"))
SHARED = os.environ.get("KX_SHARED_DIR") or os.path.join(os.path.dirname(__file__), "../../../shared")
failures = []


def run(*args):
    p = subprocess.run([KXSED, "--styled"] + list(args), capture_output=True, timeout=120)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def check(name, cond, detail=""):
    if not cond:
        failures.append(f"{name}: {detail}")


def lists(out):
    """The printed text and each "-- WHAT" list."""
    parts = out.split("\n-- ")
    text, found = parts[0], {}
    for part in parts[1:]:
        head, _, body = part.partition("\n")
        found[head] = [line for line in body.split("\n") if line]
    return text, found


def main():
    with tempfile.TemporaryDirectory(prefix="kxsed-styled-") as tmp:
        a = os.path.join(tmp, "a.txt")
        with open(a, "wb") as f:
            f.write("漢字と𠮷\nabc\n".encode("utf-8"))
        # Side characters print as themselves and as OFFSET U+XXXX.
        rc, out, err = run("-e", "s/abc/ABC/", "--print", "unicode", "--print", "styles", a)
        text, found = lists(out)
        check("unicode text", rc == 0 and text == "漢字と𠮷\nABC", repr(out) + err)
        check("unicode list", found.get("unicode") == ["6 U+20BB7"], repr(found))
        check("styles list", len(found.get("styles", [])) == 1 and found["styles"][0].startswith("0 "), repr(found))
        # No final newline: one is added before the first list.
        b = os.path.join(tmp, "b.txt")
        with open(b, "wb") as f:
            f.write(b"one\ntwo")
        rc, out, _ = run("-e", "p", "--print", "marks", b)
        check("newline before lists", out == "one\none\ntwo\ntwo\n-- marks\n", repr(out))
        # "$" is the last line of the last input that has lines.
        empty = os.path.join(tmp, "empty.txt")
        open(empty, "wb").close()
        rc, out, _ = run("-n", "-e", "$p", a, b, empty)
        check("last line over inputs", rc == 0 and out == "two", repr(out))
        # An input that cannot be read: exit 1 naming it, nothing printed.
        missing = os.path.join(tmp, "missing.txt")
        rc, out, err = run("-e", "p", a, missing)
        check("unreadable input", rc == 1 and out == "" and "missing.txt" in err, f"{rc} {out!r} {err!r}")
        outfile = os.path.join(tmp, "out.txt")
        rc, out, err = run("-e", "p", "-o", outfile, a, missing)
        check("unreadable input writes nothing", rc == 1 and not os.path.exists(outfile), f"{rc} {err!r}")
        # Stream-editor errors keep their codes; usage is 2.
        rc, _, err = run("-e", "k", a)
        check("unknown command", rc == 13 and err.strip(), f"{rc} {err!r}")
        rc, _, err = run("-f", os.path.join(tmp, "no-script"), a)
        check("missing script file", rc == 7, f"{rc} {err!r}")
        rc, _, _ = run("-e", "p")
        check("no input is usage", rc == 2)
        # A script file is read as a document (its encoding detected), one
        # command a line; a backslash does not carry a line on.
        script = os.path.join(tmp, "script.sed")
        with open(script, "wb") as f:
            f.write("s/漢字/かんじ/\r\n1a 追加\\\r\n$d\r\n".encode("utf-8"))
        rc, out, err = run("-f", script, a)
        check("script file", rc == 0 and out == "かんじと𠮷\n追加\n", f"{rc} {out!r} {err!r}")
        rc, out, err = run("--steps", "50", "-e", ":a;ba", a)
        check("step budget", rc == 1 and "step limit" in err, f"{rc} {err!r}")
        rc, _, _ = run("--print", "colours", "-e", "p", a)
        check("bad print is usage", rc == 2)
        # -o writes the document as it was read; a name that cannot be made fails.
        rc, out, err = run("-e", "s/abc/xyz/", "-o", outfile, a)
        with open(outfile, "rb") as f:
            written = f.read()
        check("output file", rc == 0 and out == "" and written == "漢字と𠮷\nxyz\n".encode("utf-8"), repr(written))
        long_name = os.path.join(tmp, "n" * 300 + ".txt")
        rc, out, err = run("-e", "p", "-o", long_name, a)
        check("long output name fails", rc != 0 and err.strip() and not os.listdir(tmp).count("n" * 31), f"{rc} {err!r}")
        check("no cut name", not any(name.startswith("nnnn") for name in os.listdir(tmp)), repr(os.listdir(tmp)))
        # RTF is read through its converter and written back as RTF; one that
        # ends inside a group cannot be read whole.
        rtf = os.path.join(tmp, "s.rtf")
        with open(rtf, "wb") as f:
            f.write(rb"{\rtf1\ansi{\fonttbl{\f0 Times;}}\f0\fs24 Hello {\b bold} world\par}")
        rc, out, err = run("-e", "s/world/WORLD/", "--print", "styles", rtf)
        text, found = lists(out)
        check("rtf read", rc == 0 and text == "Hello bold WORLD" and len(found.get("styles", [])) == 3, repr(out) + err)
        rtf_out = os.path.join(tmp, "o.rtf")
        rc, _, err = run("-e", "s/world/WORLD/", "-o", rtf_out, rtf)
        with open(rtf_out, "rb") as f:
            written = f.read()
        check("rtf written", rc == 0 and written.startswith(b"{\\rtf1") and b"\\b bold\\b0  WORLD" in written,
              repr(written))
        check("rtf without sidecar", not os.path.exists(os.path.join(tmp, "._o.rtf")))
        with open(rtf, "wb") as f:
            f.write(rb"{\rtf1 cut {\b inside")
        rc, out, err = run("-e", "p", rtf)
        check("rtf cut", rc == 1 and out == "", f"{rc} {out!r} {err!r}")
    # Aozora texts: rubies survive s///g (same count) and h;G (doubled).
    aozora = os.path.join(SHARED, "realdata", "aozora", "oto.sjis.txt")
    if os.path.exists(aozora):
        rc, out, _ = run("--aozora", "-e", "b", "--print", "ruby", aozora)
        base = lists(out)[1].get("ruby", [])
        rc1, out1, _ = run("--aozora", "-e", "s/。/。/g", "--print", "ruby", aozora)
        rc2, out2, _ = run("--aozora", "-e", "h;G", "--print", "ruby", "--print", "paras", aozora)
        check("aozora rubies", rc == 0 and len(base) > 50, str(len(base)))
        check("aozora s///g", rc1 == 0 and lists(out1)[1].get("ruby") == base)
        doubled = lists(out2)[1]
        check("aozora h;G", rc2 == 0 and len(doubled.get("ruby", [])) == 2 * len(base), str(len(doubled.get("ruby", []))))
        check("aozora paragraph styles", len(doubled.get("paras", [])) > 1)
    for f in failures:
        print("FAIL", f)
    print("ok" if not failures else f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
