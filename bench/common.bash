# Helpers shared by the comparison scripts in bench/ (sourced, not run).

# repeat FILE BYTES OUT: whole copies of FILE (no character cut) up to BYTES.
repeat() {
  local size copies
  size=$(stat -c %s "$1")
  copies=$(( ($2 + size - 1) / size ))
  for ((k = 0; k < copies; k++)); do cat "$1"; done > "$3"
}

# best COMMAND...: the best wall time of BEST_RUNS runs (3 by default), in
# seconds; the command's standard output goes to BEST_OUT (/dev/null). An
# exit status above 1 (grep's "no match" is 1) is reported on stderr.
best() {
  local best="" t0 t1 t
  for ((run = 0; run < ${BEST_RUNS:-3}; run++)); do
    t0=$(date +%s%N)
    local status=0
    "$@" > "${BEST_OUT:-/dev/null}" 2>/dev/null || status=$?
    [ "$status" -le 1 ] || echo "bench: $1 failed with status $status" >&2
    t1=$(date +%s%N)
    t=$(( t1 - t0 ))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  awk -v ns="$best" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

# ratio OURS THEIRS
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# usage COMMAND...: "wall cpu peakKiB" of the best (least CPU) of BEST_RUNS
# runs, from /usr/bin/time; output as for best.
usage() {
  local best="" line
  for ((run = 0; run < ${BEST_RUNS:-3}; run++)); do
    line=$(/usr/bin/time -f "%e %U %S %M" "$@" 2>&1 > "${BEST_OUT:-/dev/null}" | tail -1)
    line=$(awk '{ printf "%s %.3f %s", $1, $2 + $3, $4 }' <<< "$line")
    if [ -z "$best" ] || awk -v a="$line" -v b="$best" 'BEGIN { split(a, x, " "); split(b, y, " "); exit !(x[2] < y[2]) }'; then
      best=$line
    fi
  done
  echo "$best"
}

# aozora_text DIR OUT: the Shift_JIS texts of DIR (*.sjis.txt) one after
# another with all white space taken out, as UTF-8 in OUT: real Japanese
# text for the generated inputs.
aozora_text() {
  python3 - "$1" "$2" <<'EOF'
import os, sys
src, out = sys.argv[1], sys.argv[2]
text = ""
for name in sorted(os.listdir(src)):
    if name.endswith(".sjis.txt"):
        text += open(os.path.join(src, name), "rb").read().decode("cp932", "replace")
open(out, "w", encoding="utf-8").write("".join(text.split()))
EOF
}
