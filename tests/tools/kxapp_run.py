"""What the stream-editor window's script tests share: the kxapp driver run
on a script of steps, and the failures gathered to report at the end."""
import os
import subprocess
import sys
import tempfile

BIN = os.environ.get("KX_BIN_DIR") or os.path.join(os.path.dirname(__file__), "../../build/bin")
KXAPP = os.path.abspath(os.path.join(BIN, "kxapp"))
FAILS = []


def check(cond, what, out=""):
    if not cond:
        FAILS.append(what + ("\n" + out if out else ""))


def app(work, script, prefs=None):
    """Runs kxapp on the steps with HOME inside `work`; the preferences in
    `prefs` (kept between runs), else in a fresh folder. Answers stdout."""
    env = dict(os.environ, HOME=os.path.join(work, "home"), LANG="C")
    prefs = prefs or tempfile.mkdtemp(dir=work)
    r = subprocess.run([KXAPP, "--prefs", prefs, "-"], input=script.encode(),
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env, timeout=300)
    out = r.stdout.decode("utf-8", "replace")
    check(r.returncode == 0, "kxapp exit %d: %s" % (r.returncode, r.stderr.decode("utf-8", "replace")), out)
    return out


def finish():
    """Reports the failures gathered and exits 1, else prints ok."""
    if FAILS:
        for f in FAILS:
            print("FAIL:", f, file=sys.stderr)
        sys.exit(1)
    print("ok")
