#!/usr/bin/env bash
# The key-script preferences on the real program: off by default, and the
# text keeps one font; "check the keyboard" (set in the dialog, kept at
# the next start) gives Roman keys the dialog's Roman font and Japanese the
# Japanese one; "check the selection's font" too makes a caret put into
# Japanese text bring the Japanese keyboard back: Return then takes its font.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/$1" -; }
runs() { awk 'NF == 10 && $1 ~ /^[0-9]+$/ { printf "%s:%s ", $1, $4 }'; }   # offset:font
pref() { printf 'menu 2\nprint prefs\n' | app "$1" | sed -n "s/^KXTP\.$2 = //p"; }

[ "$(pref off 'script check')" = 0 ] || fail "the checks are on by default"
sys=$(pref off 'system script font')
out=$(printf 'menu 2\ntype abc日本\nprint styles\n' | app off)
[ "$(runs <<<"$out")" = "0:$sys " ] || fail "off: $(runs <<<"$out")"

for follow in 0 1; do
  out=$(app "on$follow" <<S
menu 2
menu 1108
choose 2051 1
choose 2052 $follow
choose 2054 2
click 2001
menu 2
type abc日本
print styles
S
)
  roman=$(pref "on$follow" 'roman script font')
  [ "$roman" != "$sys" ] || fail "no Roman font of its own chosen: $roman"
  [ "$(runs <<<"$out")" = "0:$roman 3:$sys " ] || fail "on: $(runs <<<"$out")"
  out=$(printf 'menu 2\ntype 日本abc\nselect 2 2\nkey return\nprint styles\n' | app "on$follow")
  if [ $follow = 1 ]; then want="0:$sys 5:$roman "; else want="0:$sys 2:$roman 3:$sys 5:$roman "; fi
  [ "$(runs <<<"$out")" = "$want" ] || fail "after a restart, selection check $follow: $(runs <<<"$out")"
done
