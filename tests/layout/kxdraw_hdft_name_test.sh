#!/usr/bin/env bash
# <NAME> in a printed header: the file name with the characters Shift_JIS
# lacks as the body prints them, and a Shift_JIS name as it stands.
set -u
bin="${KX_BIN_DIR:?}/kxdraw"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
header_of() {   # pdf: the first line pdftotext reads
  pdftotext -layout "$1" - | sed -e 's/^ *//' -e 's/ *$//' -e '/^$/d' | head -1
}

for name in 'café€😀.txt' '日本語の名前.txt' 'plain-name.txt'; do
  printf 'Body text.\n' >"$dir/$name"
  if ! "$bin" --print --header '<NAME> p<PAGE>/<PMAX>' -o "$dir/out.pdf" "$dir/$name" >/dev/null; then
    echo "FAIL $name: kxdraw --print"; fail=1; continue
  fi
  got=$(header_of "$dir/out.pdf")
  [ "$got" = "$name p1/1" ] || { echo "FAIL $name: header reads '$got'"; fail=1; }
done

exit $fail
