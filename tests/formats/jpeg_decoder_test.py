"""The JPEG decoder (driver kxjpeg) against libjpeg-turbo: the same quantised
coefficients as libjpeg's jpeg_read_coefficients, pixels close to
`djpeg -dct float -nosmooth`, restart markers that change nothing, the
kinds that are not decoded, and files cut short."""
import math
import os
import subprocess
import sys
import tempfile

SOURCE = os.environ.get("KX_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
BIN = os.environ.get("KX_BIN_DIR", os.path.join(SOURCE, "build", "bin"))
DATA = os.path.join(SOURCE, "tests", "data", "formats")
KXJPEG = os.path.join(BIN, "kxjpeg")

BASELINE = ["444", "422", "440", "420", "411", "mixed", "grey", "grey-2x2", "optimised",
            "restart", "q100", "q5", "1x1", "17x9", "4097x1"]
UNSUPPORTED = ["progressive", "arithmetic", "extended"]
# A sanitizer report exits with this status, never confused with "damaged" (1).
ENV = dict(os.environ)
ENV["ASAN_OPTIONS"] = os.environ.get("ASAN_OPTIONS", "") + ":exitcode=86"
ENV["UBSAN_OPTIONS"] = os.environ.get("UBSAN_OPTIONS", "") + ":exitcode=86"

failures = []


def check(ok, message):
    if not ok:
        failures.append(message)
        print("FAIL:", message)


def fixture(name):
    return os.path.join(DATA, "jpeg-%s.jpg" % name)


def kxjpeg(*args):
    r = subprocess.run([KXJPEG, *args], env=ENV, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return r.returncode, r.stderr.decode(errors="replace")


def read_ppm(path):
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    assert fields[0] == b"P6" and fields[3] == b"255"
    return int(fields[1]), int(fields[2]), data[pos + 1:]


def coefficients(tmp):
    oracle = os.path.join(tmp, "oracle")
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "libjpeg"], check=True,
                           stdout=subprocess.PIPE).stdout.decode().split()
    subprocess.run(["cc", "-O1", "-o", oracle, os.path.join(SOURCE, "tests", "formats", "jpeg_oracle.c"),
                    *flags], check=True)
    for name in BASELINE:
        ours = os.path.join(tmp, "ours.txt")
        status, err = kxjpeg("--coefficients", fixture(name), ours)
        check(status == 0, "%s: coefficients not decoded: %s" % (name, err))
        if status:
            continue
        theirs = subprocess.run([oracle, fixture(name)], check=True, stdout=subprocess.PIPE).stdout
        a = sorted(open(ours, "rb").read().splitlines())
        b = sorted(theirs.splitlines())
        check(len(a) == len(b) and a == b, "%s: coefficients differ (%d vs %d blocks)" % (name, len(a), len(b)))


def like_djpeg(path, name, tmp):
    """Decodes path and checks the pixels against djpeg's."""
    ours, theirs = os.path.join(tmp, "ours.ppm"), os.path.join(tmp, "theirs.ppm")
    status, err = kxjpeg(path, ours)
    check(status == 0, "%s: not decoded: %s" % (name, err))
    if status:
        return
    with open(theirs, "wb") as out:
        subprocess.run(["djpeg", "-dct", "float", "-nosmooth", "-rgb", "-ppm", path], check=True, stdout=out)
    wa, ha, a = read_ppm(ours)
    wb, hb, b = read_ppm(theirs)
    check((wa, ha) == (wb, hb) and len(a) == len(b), "%s: size %dx%d, djpeg %dx%d" % (name, wa, ha, wb, hb))
    if len(a) != len(b):
        return
    diffs = [abs(x - y) for x, y in zip(a, b)]
    mse = sum(d * d for d in diffs) / len(diffs)
    psnr = 99.0 if mse == 0 else 10 * math.log10(255 * 255 / mse)
    # Samples are truncated here and rounded there, and libjpeg clamps
    # before the colour conversion: small differences, a few larger at
    # saturated edges.
    check(psnr >= 40.0, "%s: PSNR %.1f dB" % (name, psnr))
    check(max(diffs) <= 16, "%s: largest difference %d" % (name, max(diffs)))


def pixels(tmp):
    for name in BASELINE:
        like_djpeg(fixture(name), name, tmp)


def restarts(tmp):
    for name in ["444", "420", "411", "mixed", "grey", "17x9", "4097x1"]:
        plain = os.path.join(tmp, "plain.ppm")
        check(kxjpeg(fixture(name), plain)[0] == 0, "%s: not decoded" % name)
        for interval in ["1B", "1", "3B"]:
            copy = os.path.join(tmp, "restart.jpg")
            with open(copy, "wb") as out:
                subprocess.run(["jpegtran", "-restart", interval, fixture(name)], check=True, stdout=out)
            decoded = os.path.join(tmp, "restart.ppm")
            status, err = kxjpeg(copy, decoded)
            check(status == 0 and open(decoded, "rb").read() == open(plain, "rb").read(),
                  "%s: restart interval %s changes the picture %s" % (name, interval, err))


def unsupported(tmp):
    for name in UNSUPPORTED:
        status, _ = kxjpeg(fixture(name), os.path.join(tmp, "x.ppm"))
        check(status == 2, "%s: status %d, not 2" % (name, status))
    copy = os.path.join(tmp, "prog.jpg")
    with open(copy, "wb") as out:
        subprocess.run(["jpegtran", "-progressive", fixture("grey")], check=True, stdout=out)
    check(kxjpeg(copy, os.path.join(tmp, "x.ppm"))[0] == 2, "progressive grey copy not refused")


def rgb(tmp):
    # Red, green and blue samples (cjpeg -rgb: Adobe's marker, no
    # transform) come out as they are, not as YCbCr.
    for name in ["444", "420", "17x9"]:
        source, made = os.path.join(tmp, "source.ppm"), os.path.join(tmp, "rgb.jpg")
        with open(source, "wb") as out:
            subprocess.run(["djpeg", "-ppm", fixture(name)], check=True, stdout=out)
        with open(made, "wb") as out:
            subprocess.run(["cjpeg", "-rgb", "-quality", "95", source], check=True, stdout=out)
        like_djpeg(made, name + " as RGB", tmp)


def truncated(tmp):
    cut = os.path.join(tmp, "cut.jpg")
    for name in BASELINE:
        data = open(fixture(name), "rb").read()
        for n in list(range(97, len(data), 97)) + [len(data) - 1, len(data) - 2]:
            open(cut, "wb").write(data[:n])
            status, err = kxjpeg(cut, os.path.join(tmp, "cut.ppm"))
            check(status == 1, "%s cut at %d: status %d %s" % (name, n, status, err[-300:]))


def main():
    with tempfile.TemporaryDirectory() as tmp:
        for step in (coefficients, pixels, rgb, restarts, unsupported, truncated):
            step(tmp)
    if failures:
        print("%d failures" % len(failures))
        return 1
    print("all JPEG checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
