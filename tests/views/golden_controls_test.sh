#!/usr/bin/env bash
# Every control draws as its golden picture (scripts/golden-controls makes them again).
set -euo pipefail
KX_BIN_DIR="${KX_BIN_DIR:-build/bin}" "${KX_SOURCE_DIR:-.}/scripts/golden-controls" --check
