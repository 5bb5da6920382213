#!/usr/bin/env bash
# Paper view draws as its golden pictures (scripts/golden-paper makes them again).
set -u
KX_BIN_DIR="${KX_BIN_DIR:-build/bin}" "${KX_SOURCE_DIR:-.}/scripts/golden-paper" --check
