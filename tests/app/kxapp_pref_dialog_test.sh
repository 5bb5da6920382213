#!/usr/bin/env bash
# The general preferences on the real program through kxapp: OK stores the
# size and the paper colour the windows are painted with, the next start
# keeps them, the new-window size comes from the document window in front,
# and the link setting decides what a command-click does.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }

app - > before.txt <<'S'
menu 2
print prefs
S
out=$(app - <<'S'
menu 2
menu 1108
field 2011 18
answer colour 65535 0 0
click 2049
click 2092
choose 2047 1
click 2048
click 2001
print colours
S
)
[ "$out" = "variation 0 paper 65535 0 0" ] || fail "the windows are not painted with the new paper: $out"
app - > after.txt <<'S'
menu 2
print colours
print prefs
S
[ "$(head -1 after.txt)" = "variation 0 paper 65535 0 0" ] || fail "the next start lost the paper: $(head -1 after.txt)"
changed=$(diff before.txt <(tail -n +2 after.txt) | grep '^>' | sed 's/^> //' || true)
for line in "KXTP.size = 18" "KXTP.paper color = 65535 0 0" "KXTP.use stored size = 1"; do
  grep -qxF "$line" <<<"$changed" || fail "missing after OK: $line (changed: $changed)"
done
grep -q '^KXTP.window width = [1-9]' <<<"$changed" || fail "no window width taken: $changed"
# Nothing else: the size, its tab interval, the paper, the stored window size.
[ "$(printf '%s\n' "$changed" | wc -l)" = 6 ] || fail "more changed than was set: $changed"

# "Open URLs by clicking": a command-click takes the link only while the
# box is checked, from the dialog's OK on and at the next start.
printf 'see http://example.com/x here\n' > url.txt
for v in 1 0; do
  rm -rf "$work/url$v"
  out=$("$bin/kxapp" --prefs "$work/url$v" - <<S
open $work/url.txt
menu 1108
choose 2083 $v
click 2001
select 0 0
click 1001 60 5 cmd
print selection
S
)
  again=$("$bin/kxapp" --prefs "$work/url$v" - <<S
open $work/url.txt
select 0 0
click 1001 60 5 cmd
print selection
S
)
  want=$([ $v = 1 ] && echo "4 24" || echo "10 10")
  [ "$(tail -n 1 <<<"$out")" = "$want" ] || fail "open urls $v: $out"
  [ "$(tail -n 1 <<<"$again")" = "$want" ] || fail "open urls $v after a restart: $again"
done

# Page 1 holds no field: typing there reaches none of the other pages'
# fields, which wait off-screen, whichever page came before.
for from in 2091 2093; do
  rm -rf "$work/keys"
  out=$("$bin/kxapp" --prefs "$work/keys" - <<S
menu 2
menu 1108
field 2011 18
field 2069 5
click $from
click 2092
type 774
click 2091
print window 2011
click 2093
print window 2011
click 2001
print prefs
S
)
  [ "$(grep -c '^2011 .* 18$' <<<"$out")" = 2 ] || fail "from $from: the size field took the keys: $(grep '^2011 ' <<<"$out")"
  [ "$(grep -c '^2069 .* 5$' <<<"$out")" = 2 ] || fail "from $from: the auto-save field took the keys: $(grep '^2069 ' <<<"$out")"
  grep -qxF "KXTP.size = 18" <<<"$out" || fail "from $from: OK stored another size: $(grep 'KXTP.size' <<<"$out")"
done
# New line-break characters reach the texts already open: a line of 82
# full-width characters ends with か, which may not end a line once it is
# in the list, and may again when the built-in set comes back. (End stops
# one character before a wrapped line's end.)
python3 -c "open('kana.txt','wb').write(('あ'*81+'か'+'あ'*300+'\n').encode('shift_jis'))"
# The line-break dialog from the preferences, one change in it, OK in both,
# then where the first line ends.
breaks() { printf 'menu 1108\nclick 2094\nclick 2082\n%s\nclick 900\nclick 2001\nselect 0 0\nkey end\nprint selection\n' "$1"; }
out=$({ printf 'open %s\nselect 0 0\nkey end\nprint selection\n' "$work/kana.txt"; breaks 'field 3535 「か'; breaks 'click 3533'; } |
      "$bin/kxapp" --prefs "$work/kana" -)
[ "$out" = $'162 162\n160 160\n162 162' ] || fail "the open text kept its old line breaks: $out"
echo ok
