#!/usr/bin/env bash
# Our JPEG decoder (driver kxjpeg) against djpeg on one 4000 x 3000 4:2:0
# quality-90 photo-like picture, both writing a PPM file. Prints both times
# (best of five) and ours / djpeg's, wall and CPU, with peak memory; the goal
# is 1.5 or less in CPU time.
set -euo pipefail
source "$(dirname "$0")/common.bash"
bin=${KX_BIN_DIR:?KX_BIN_DIR names the folder of kxjpeg}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Smooth colour fields with edges and fine noise, like a photograph.
python3 - "$tmp/photo.ppm" <<'PY'
import math, random, sys
w, h = 4000, 3000
rnd = random.Random(7)
rx = [int(60 * math.sin(x / 97.0) + 30 * math.sin(x / 13.0)) for x in range(w)]
gx = [int(50 * math.cos(x / 151.0)) for x in range(w)]
bx = [int(40 * math.sin(x / 41.0 + 1)) for x in range(w)]
with open(sys.argv[1], "wb") as out:
    out.write(b"P6\n%d %d\n255\n" % (w, h))
    row = bytearray(w * 3)
    for y in range(h):
        ry = 128 + int(50 * math.sin(y / 71.0))
        gy = 120 + int(60 * math.sin(y / 29.0))
        by = 110 + int(50 * math.cos(y / 113.0))
        noise = rnd.randbytes(w)
        clip = lambda v: 0 if v < 0 else 255 if v > 255 else v
        row[0::3] = bytes(clip(a + ry + (n & 15)) for a, n in zip(rx, noise))
        row[1::3] = bytes(clip(a + gy + (n >> 4)) for a, n in zip(gx, noise))
        row[2::3] = bytes(clip(a + by + ((n >> 2) & 7)) for a, n in zip(bx, noise))
        out.write(row)
PY
cjpeg -quality 90 -sample 2x2 "$tmp/photo.ppm" > "$tmp/photo.jpg"


# One decode takes a few hundredths of a second, near the resolution of the
# times: each figure is taken over DECODES decodes in a row (the peak memory
# is that of the largest one) and printed per decode.
export BEST_RUNS=5
decodes=${DECODES:-5}
repeated() { usage bash -c 'for ((i = 0; i < '"$decodes"'; i++)); do "$@" || exit; done' repeat "$@"; }
each() { awk -v t="$1" -v n="$decodes" 'BEGIN { printf "%.3f", t / n }'; }
read -r ow oc om <<< "$(repeated "$bin/kxjpeg" "$tmp/photo.jpg" "$tmp/ours.ppm")"
read -r tw tc tm <<< "$(repeated djpeg -ppm -outfile "$tmp/theirs.ppm" "$tmp/photo.jpg")"
cmp -s "$tmp/ours.ppm" "$tmp/theirs.ppm" || true  # pixels differ slightly: different IDCTs
echo "kxjpeg wall $(each "$ow")s cpu $(each "$oc")s peak ${om} KiB; djpeg wall $(each "$tw")s cpu $(each "$tc")s peak ${tm} KiB (a decode)"
echo "ratio wall $(ratio "$ow" "$tw"), cpu $(ratio "$oc" "$tc") (goal: cpu 1.5 or less)"
