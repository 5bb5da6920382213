#!/usr/bin/env bash
# The real editor on copies of real files, on a virtual display with a
# window manager. Text in Shift_JIS and UTF-16 with CR LF, EUC-JP and
# ISO-2022-JP: opened, a character typed and deleted, saved (Ctrl+S), and
# the file must be byte for byte what it was. RTF, JPEG and PICT: the
# window shows the text or the picture, Ctrl+S asks for a name (the
# chooser is cancelled), the file is untouched and nothing else appears in
# the folder. Screenshots stay in $KX_SHOT_DIR.
set -euo pipefail
SHOTS_NAME=kxtext_files_x_shots
source "$(dirname "$0")/x_session.bash"
real="${KX_SHARED_DIR:?}/realdata"
for tool in convert cmp iconv python3; do
  command -v "$tool" >/dev/null || { echo "$tool missing (scripts/setup installs it)"; exit 1; }
done
[ -d "$real" ] || { echo "SKIPPED: no real files at $real"; exit 77; }
gone() {
  for _ in $(seq 100); do
    [ -z "$(xdotool search --onlyvisible --name "$1" 2>/dev/null || true)" ] && return 0
    sleep 0.1
  done
  return 1
}
keys() { xdotool key --clearmodifiers --delay 60 "$@"; sleep 0.4; }
start() {
  # The file chooser and the input machinery keep toolkit allocations to
  # the end; the program's own leaks are the unit tests' concern.
  ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$bin/kxtext" "$@" >>"$work/log" 2>&1 & pid=$!
}
quit() {
  keys ctrl+q
  # Under a loaded machine the key can be lost while the window still takes
  # focus: it is pressed once more after ten seconds.
  for k in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || break
    [ "$k" = 100 ] && keys ctrl+q
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then fail "Ctrl+Q did not end the program (a document left modified?)"; fi
  wait "$pid" || fail "kxtext exited with $?: $(cat "$work/log")"
  pid=""
}
# Distinct colours in a window's screenshot.
colours() { convert "$1" -format %k info:; }
# drawn WINDOW SHOT CROP MIN: waits (up to 20 s) until the part CROP of a
# screenshot of WINDOW, kept as SHOT, has at least MIN colours. The first
# drawing can take seconds on a loaded machine: the window is mapped before
# the document has laid out its bars and contents.
drawn() {
  for _ in $(seq 40); do
    sleep 0.5
    import -window "$1" "$2"
    convert "$2" -crop "$3" "$work/crop.png"
    [ "$(colours "$work/crop.png")" -ge "$4" ] && return 0
  done
  return 1
}

openbox >/dev/null 2>&1 & wm=$!
sleep 0.5
docs="$work/docs"; mkdir -p "$docs" "$work/orig"
enc="$real/encodings/native"
cp "$enc/kojiki.sjis" "$docs/sjis-crlf.txt"
# UTF-16 (little-endian, with its mark) as Windows programs write it, from
# the Shift_JIS file. (kojiki.utf16 itself spells the minus sign U+2212,
# which shares one Shift_JIS code with U+FF0D: that round trip is the
# Unicode side entries' concern.)
{ printf '\377\376'; iconv -f CP932 -t UTF-16LE "$enc/kojiki.sjis"; } > "$docs/utf16-crlf.txt"
cp "$enc/nkf.doc.eucjp" "$docs/euc.txt"
cp "$enc/kojiki.jis" "$docs/iso2022.txt"
cp "$real/rtf/osxcart/testcases/p007_salvete_omnes.rtf" "$docs/letter.rtf"
cp "$real/jpeg/libjpeg-turbo/testorig.jpg" "$docs/photo.jpg"
# A PICT file of the real photograph: the 512-byte file header, then a
# version 2 picture of direct 32-bit pixels (the pixel maps the picture
# reader takes; ImageMagick's own PICT writer packs its pixels by component).
convert "$real/jpeg/libjpeg-turbo/testorig.jpg" -resize 160x120 ppm:"$work/photo.ppm"
python3 - "$work/photo.ppm" "$docs/scan.pict" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
fields, at = [], 0
while len(fields) < 4:   # P6, width, height, maximum
    while data[at:at + 1].isspace(): at += 1
    end = at
    while not data[end:end + 1].isspace(): end += 1
    fields.append(data[at:end]); at = end
at += 1
w, h = int(fields[1]), int(fields[2])
rect = struct.pack('>4h', 0, 0, h, w)
body = rect + struct.pack('>HHHHhII', 0x0011, 0x02FF, 0x0C00, 0xFFFE, 0, 0x480000, 0x480000) + rect + b'\0' * 4
body += struct.pack('>HHH', 0x001E, 0x0001, 10) + rect
body += struct.pack('>HIH', 0x009A, 0xFF, (w * 4) | 0x8000) + rect
body += struct.pack('>HHIIIHHHHIII', 0, 1, 0, 0x480000, 0x480000, 16, 32, 3, 8, 0, 0, 0) + rect + rect + b'\0\0'
for i in range(w * h):
    body += b'\0' + data[at + 3 * i:at + 3 * i + 3]
body += struct.pack('>H', 0x00FF)
open(sys.argv[2], 'wb').write(b'\0' * 512 + struct.pack('>H', (len(body) + 2) & 0xFFFF) + body)
PY
chmod u+w "$docs"/*
cp -p "$docs"/* "$work/orig/"
listing() { (cd "$docs" && ls -A); }
before=$(listing)
cd "$docs"

# 1. Text in four encodings: a character typed and deleted, then saved.
start "$docs/sjis-crlf.txt" "$docs/utf16-crlf.txt" "$docs/euc.txt" "$docs/iso2022.txt"
# All four windows drawn first: while the program is still opening files,
# its requests to bring the newest window forward reach the window manager
# late, and the focus with the keys meant for another window goes there.
for name in sjis-crlf.txt utf16-crlf.txt euc.txt iso2022.txt; do
  w=$(window "^$name") || fail "no window for $name: $(cat "$work/log")"
  drawn "$w" "$shots/text-$name.png" 4000x200+0+70 2 || fail "$name: the window shows no text"
done
sleep 1
for name in sjis-crlf.txt utf16-crlf.txt euc.txt iso2022.txt; do
  w=$(window "^$name")
  xdotool windowactivate --sync "$w"; sleep 0.3
  xdotool type --delay 60 "a"; sleep 0.3
  keys BackSpace
  sleep 1.5   # the menus' delayed refresh
  keys ctrl+s
  sleep 0.5
  import -window "$w" "$shots/text-$name.png"
done
quit
for name in sjis-crlf.txt utf16-crlf.txt euc.txt iso2022.txt; do
  cmp "$work/orig/$name" "$docs/$name" || fail "$name changed on saving"
done
[ "$(listing)" = "$before" ] || fail "files appeared: $(listing)"

# 2. RTF, JPEG and PICT open as untitled copies; saving asks for a name.
start "$docs/letter.rtf"
w=$(window "名称未設定") || fail "no window for the RTF: $(cat "$work/log")"
xdotool windowactivate --sync "$w"
# Text below the ruler: ink on paper (a window not yet drawn is one colour).
drawn "$w" "$shots/rtf.png" 4000x200+0+70 2 || fail "the RTF window shows nothing"
keys ctrl+s
window "保存|Save" >/dev/null || fail "Ctrl+S on the RTF copy asked for no name"
import -window root "$shots/rtf-chooser.png"
keys Escape
gone "保存|Save" || fail "the chooser did not go away"
quit

for file in photo.jpg scan.pict; do
  start "$docs/$file"
  w=$(window "名称未設定") || fail "no window for $file: $(cat "$work/log")"
  xdotool windowactivate --sync "$w"
  # A photograph has many colours; an empty window or a placeholder a few.
  drawn "$w" "$shots/$file.png" 120x80+20+60 50 || fail "$file: the window shows no picture"
  keys ctrl+s
  window "保存|Save" >/dev/null || fail "Ctrl+S on the $file copy asked for no name"
  keys Escape
  gone "保存|Save" || fail "the chooser did not go away"
  quit
done

for name in letter.rtf photo.jpg scan.pict; do
  cmp "$work/orig/$name" "$docs/$name" || fail "$name was written"
done
[ "$(listing)" = "$before" ] || fail "files appeared: $(listing)"
echo ok
