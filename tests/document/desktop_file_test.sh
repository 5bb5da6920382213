#!/usr/bin/env bash
# The desktop entry passes desktop-file-validate and starts the editor on
# the files given, for plain text and RTF.
set -euo pipefail
src="${KX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}"
entry="$src/src/program/kxtext.desktop"
command -v desktop-file-validate >/dev/null || { echo "desktop-file-validate missing (scripts/setup installs desktop-file-utils)"; exit 1; }
out=$(desktop-file-validate "$entry" 2>&1) || { echo "$out"; exit 1; }
[ -z "$out" ] || { echo "warnings: $out"; exit 1; }
grep -qx 'Exec=kxtext %F' "$entry" || { echo "Exec must be 'kxtext %F'"; exit 1; }
for mime in text/plain text/rtf; do
  grep -q "^MimeType=.*$mime;" "$entry" || { echo "MimeType lacks $mime"; exit 1; }
done
echo ok
