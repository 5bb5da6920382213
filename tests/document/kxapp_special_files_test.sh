#!/usr/bin/env bash
# Files that are not plain files of a plain folder: a pipe and a file too
# large for a text are refused at once by name (the program goes on); a
# writable file in a folder we may not write saves in place, as does
# another user's file, which keeps its owner.
set -u
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
fail=0
check() {   # name, expected, actual
  [ "$2" == "$3" ] || { echo "FAIL: $1: expected [$2] got [$3]"; fail=1; }
}
app() { timeout 60 "$bin/kxapp" --prefs "$(mktemp -d -p "$work")" -; }

mkfifo "$work/pipe.txt"
truncate -s 3G "$work/huge.txt"
printf 'fine\n' > "$work/fine.txt"
out=$(app <<S
open $work/pipe.txt
open $work/huge.txt
open $work/fine.txt
print alerts
print text
S
)
check "pipe and huge file" "stop: 「pipe.txt」は名前付きパイプで、ファイルではないため開けません。
stop: 「huge.txt」は大きすぎて開けません。テキストは 2147483647 バイトまでです。
fine" "$out"

# Another user's files, saved by an unprivileged user: only as root.
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
  prefs=$(mktemp -d -p "$work"); chmod 777 "$prefs"
  mkdir -m 755 "$work/shut"; mkdir -m 777 "$work/open"
  printf 'old\n' > "$work/shut/shared.txt"; chmod 666 "$work/shut/shared.txt"
  printf 'old\n' > "$work/shut/rootonly.txt"; chmod 644 "$work/shut/rootonly.txt"
  printf 'old\n' > "$work/open/shared.txt"; chmod 666 "$work/open/shared.txt"
  saving() {   # file, typed text: opens, types, saves, prints the alerts
    printf 'open %s\ntype %s\nmenu 5\nprint alerts\n' "$1" "$2" | nobody timeout 60 "$bin/kxapp" --prefs "$prefs" -
  }
  check "written in place" "" "$(saving "$work/shut/shared.txt" A)"
  check "owner kept: no alert" "" "$(saving "$work/open/shared.txt" C)"
  out=$(saving "$work/shut/rootonly.txt" B)
  check "unwritable folder: alerts" "stop: 書類「rootonly.txt」を保存できませんでした。フォルダに書き込めません (Permission denied)。「別名で保存」でほかのフォルダに保存してください。書類は変更を保ったまま開いています。" "$out"
  check "written in place: text" "Aold" "$(cat "$work/shut/shared.txt")"
  check "left alone" "old" "$(cat "$work/shut/rootonly.txt")"
  check "owner kept" "Cold root 666" "$(cat "$work/open/shared.txt") $(stat -c '%U %a' "$work/open/shared.txt")"
  check "no temporaries" "shared.txt" "$(ls -A "$work/open")"
fi
exit $fail
