#!/usr/bin/env bash
# Makes the JPEG test pictures in this folder with cjpeg and jpegtran
# (Debian libjpeg-turbo-progs). Run once; the pictures are committed.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A deterministic picture: smooth colour fields, sharp edges and some noise,
# so that blocks carry both small and large coefficients.
picture() {  # width height file
  python3 - "$1" "$2" "$3" <<'PY'
import math, sys
w, h, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
seed = 12345
data = bytearray()
for y in range(h):
    for x in range(w):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        noise = (seed >> 16) % 21 - 10
        edge = 90 if (x // 11 + y // 7) % 3 == 0 else 0
        r = 128 + 100 * math.sin(x / 9.0) + noise + edge
        g = 128 + 90 * math.cos(y / 6.0 + x / 23.0) - edge
        b = 40 + (x * 3 + y * 5) % 200 + noise
        data += bytes(max(0, min(255, int(v))) for v in (r, g, b))
open(out, "wb").write(b"P6\n%d %d\n255\n" % (w, h) + bytes(data))
PY
}

picture 61 37 "$tmp/a.ppm"
picture 1 1 "$tmp/1x1.ppm"
picture 17 9 "$tmp/17x9.ppm"
picture 4097 1 "$tmp/4097x1.ppm"

cjpeg -sample 1x1 "$tmp/a.ppm" > jpeg-444.jpg
cjpeg -sample 2x1 "$tmp/a.ppm" > jpeg-422.jpg
cjpeg -sample 1x2 "$tmp/a.ppm" > jpeg-440.jpg
cjpeg -sample 2x2 "$tmp/a.ppm" > jpeg-420.jpg
cjpeg -sample 4x1 "$tmp/a.ppm" > jpeg-411.jpg
cjpeg -sample 2x2,1x2,2x1 "$tmp/a.ppm" > jpeg-mixed.jpg
cjpeg -grayscale "$tmp/a.ppm" > jpeg-grey.jpg
cjpeg -grayscale -sample 2x2 "$tmp/a.ppm" > jpeg-grey-2x2.jpg
cjpeg -optimize -quality 95 "$tmp/a.ppm" > jpeg-optimised.jpg
cjpeg -restart 2B "$tmp/a.ppm" > jpeg-restart.jpg
cjpeg -quality 100 -sample 1x1 "$tmp/a.ppm" > jpeg-q100.jpg
cjpeg -quality 5 -baseline "$tmp/a.ppm" > jpeg-q5.jpg
cjpeg "$tmp/1x1.ppm" > jpeg-1x1.jpg
cjpeg -sample 2x2 "$tmp/17x9.ppm" > jpeg-17x9.jpg
cjpeg "$tmp/4097x1.ppm" > jpeg-4097x1.jpg
# Kinds that are not decoded.
cjpeg -progressive "$tmp/a.ppm" > jpeg-progressive.jpg
cjpeg -arithmetic "$tmp/a.ppm" > jpeg-arithmetic.jpg
cjpeg -quality 1 "$tmp/a.ppm" > jpeg-extended.jpg  # 16-bit tables make it SOF1
