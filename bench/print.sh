#!/usr/bin/env bash
# Printing a 5 MB Japanese text to PDF (every page through the text
# printout) against drawing the same pages into PNG images as kxdraw
# --paper does (bench_print); prints the PDF's time over the images'.
set -euo pipefail
source "$(dirname "$0")/common.bash"
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${KX_BIN_DIR:-$here/build-release/bin}"
csv=$("$bin/bench_print" --benchmark_format=csv 2>/dev/null | grep -E '^"(PrintToPDF|DrawPaperImages)')
pdf=$(echo "$csv" | awk -F, '/PrintToPDF/ {print $3}')
png=$(echo "$csv" | awk -F, '/DrawPaperImages/ {print $3}')
pages=$(echo "$csv" | awk -F, '/PrintToPDF/ {print $NF}')
echo "print 5 MB Japanese, ${pages:-?} pages: PDF ${pdf}ms, paper-view PNGs ${png}ms, ratio $(ratio "$pdf" "$png")"
