#!/usr/bin/env bash
# The ruler draws as its golden pictures in every unit, at 100 % and 150 %,
# in both writings, with the format bar's row and in paper view
# (scripts/golden-ruler makes them again).
set -euo pipefail
KX_BIN_DIR="${KX_BIN_DIR:-build/bin}" "${KX_SOURCE_DIR:-.}/scripts/golden-ruler" --check
