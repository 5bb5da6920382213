#!/usr/bin/env bash
# A picture file whose frame no picture can have (turned over, or more
# pixels than any picture holds) is refused as unreadable when opened; a
# sound one opens.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The 512-byte header, the size word, the frame (top left bottom right),
# a version-2 start.
for f in turned:100,100,-32768,-32768 huge:0,0,32767,32767 sound:0,0,20,30; do
  python3 -c "import sys; v=[0]+[int(x) for x in sys.argv[2].split(',')]
open(sys.argv[1],'wb').write(bytes(512)+b''.join(x.to_bytes(2,'big',signed=True) for x in v)+bytes([0,0x11,2,0xff,0,0xff]))" \
    "$work/${f%%:*}.pict" "${f#*:}"
done
out=$(printf 'open %s\n' "$work/turned.pict" "$work/huge.pict" "$work/sound.pict" | { cat; echo 'print alerts'; } |
      "${KX_BIN_DIR:?}/kxapp" --prefs "$work/prefs" -)
[ "$out" = "$(printf 'stop: 「turned.pict」は読み込めるピクチャではありません。\nstop: 「huge.pict」は読み込めるピクチャではありません。')" ] ||
  { echo "FAIL: $out" >&2; exit 1; }
