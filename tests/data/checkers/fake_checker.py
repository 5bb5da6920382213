#!/usr/bin/python3
# A stand-in spelling checker that speaks the Ispell pipe protocol (run as
# NAME -a). What it does comes from the name it is run under:
#   *bytes*   offsets in bytes of the line without the "^"
#   *chars*   offsets in characters counting the "^" (as some programs do)
#   *hang*    answers the banner, then never answers a line
#   *crash*   answers the banner, then dies on the first line
#   *garbage* answers each line with something that is no answer
#   *silent*  never shows a banner
# It writes its process id to $FAKE_CHECKER_PIDS (a file) when set.
import os
import re
import sys
import time

WORDS = {"teh": ["the", "tea"], "wrod": ["word"], "naive": ["naïve", "native"],
         "speling": ["spelling"], "recieve": ["receive"], "zzxq": []}

name = os.path.basename(sys.argv[0])
if os.environ.get("FAKE_CHECKER_PIDS"):
    with open(os.environ["FAKE_CHECKER_PIDS"], "a") as f:
        f.write("%d\n" % os.getpid())
if "silent" in name:
    time.sleep(3600)
out = sys.stdout
out.write("@(#) International Ispell Version 3.2.06 (but really Fake Checker 1.0)\n")
out.flush()
token = re.compile(r"[A-Za-z\u00C0-\u024F']+")
for raw in sys.stdin.buffer:
    line = raw.decode("utf-8", "replace").rstrip("\n")
    if "hang" in name:
        time.sleep(3600)
    if "crash" in name:
        os._exit(3)
    if "garbage" in name:
        out.write("!!! what\n\n")
        out.flush()
        continue
    body = line[1:] if line.startswith("^") else line
    for m in token.finditer(body):
        w = m.group(0).strip("'")
        if not w:
            continue
        if w.lower() not in WORDS:
            out.write("*\n")
            continue
        if "chars" in name:
            offset = m.start() + 1
        else:
            offset = len(body[:m.start()].encode("utf-8"))
        guesses = WORDS[w.lower()]
        if guesses:
            out.write("& %s %d %d: %s\n" % (w, len(guesses), offset, ", ".join(guesses)))
        else:
            out.write("# %s %d\n" % (w, offset))
    out.write("\n")
    out.flush()
