#!/usr/bin/env bash
# EUC-JP as iconv and nkf write it (EUC-JP-MS): every CP932 character opens,
# with no placeholder, and an unchanged save writes the same bytes; turned
# into Shift_JIS it reads as iconv reads it. The IBM extension kanji of a
# Shift_JIS file go out in EUC-JP as EUC-JP-MS writes them, from the
# program and from kxjconv; an EUC-JP file written before, with the
# NEC-selected copies in rows F9-FC, still reads as the same characters.
set -euo pipefail
bin=${KX_BIN_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
app() { "$bin/kxapp" --prefs "$work/prefs" "$@"; }

# Every CP932 character, one line per lead byte, the half-width kana last.
python3 - <<'P'
lines = []
for lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD)):
    line = b''
    for t in range(0x40, 0xFD):
        try:
            bytes([lead, t]).decode('cp932')
            line += bytes([lead, t])
        except UnicodeDecodeError:
            pass
    if line:
        lines.append(line)
lines.append(bytes(range(0xA1, 0xE0)))
open('all.sjis', 'wb').write(b'\n'.join(lines) + b'\n')
P
iconv -f CP932 -t EUC-JP-MS all.sjis > all.euc
cp all.euc all0.euc
out=$(app - <<S
open $work/all.euc
print text
type x
key backspace
menu 5
print alerts
S
)
# ◯ itself is a CP932 character (81FC): once, in its own place.
[ "$(grep -o '◯' <<<"$out" | wc -l)" = 1 ] || fail "placeholders in an EUC-JP-MS file: $(grep -n '◯' <<<"$out" | head -n 3)"
[[ $out == *'髙'*'﨑'*'纊'* ]] || fail "IBM extension kanji of EUC-JP-MS lost: $(grep -c '' <<<"$out") lines"
cmp -s all.euc all0.euc || fail "an EUC-JP-MS file saved unchanged differs at $(cmp all.euc all0.euc | head -n 1)"

# To Shift_JIS as iconv reads it, compared as characters where CP932 has two
# codes for one. CP932's user-defined F040-F4FC (EUC-JP-MS main rows F5-FE)
# are left out: those rows are the NEC-selected kanji in the EUC-JP we read.
app - <<S
open $work/all.euc
menu 1451
menu 5
S
iconv -f EUC-JP-MS -t CP932 all0.euc > all.iconv
python3 - all.euc all.iconv <<'P' || fail "EUC-JP-MS to Shift_JIS differs from iconv's"
import sys
ours, theirs = (open(f, 'rb').read().split(b'\n') for f in sys.argv[1:3])
src = open('all.sjis', 'rb').read().split(b'\n')
assert len(ours) == len(theirs) == len(src), (len(ours), len(theirs))
bad = [k for k, (o, t, s) in enumerate(zip(ours, theirs, src))
       if not (s[:1] and 0xF0 <= s[0] <= 0xF4) and o.decode('cp932') != t.decode('cp932')]
for k in bad[:3]:
    print('line %d: ours %s, iconv %s' % (k, ours[k][:24].hex(), theirs[k][:24].hex()))
sys.exit(1 if bad else 0)
P

# Shift_JIS IBM extensions to EUC-JP: the program and kxjconv write EUC-JP-MS.
python3 -c "
import sys
codes = [bytes([l, t]) for l in (0xFA, 0xFB, 0xFC) for t in range(0x40, 0xFD) if t != 0x7F and (l << 8 | t) <= 0xFC4B]
sys.stdout.buffer.write(b'\x82\xa0'.join(codes) + b'\r\n')" > ibm.sjis
iconv -f CP932 -t EUC-JP-MS ibm.sjis > ibm.iconv
"$bin/kxjconv" --from sjis --to euc ibm.sjis ibm.kxjconv 2>/dev/null
cmp -s ibm.kxjconv ibm.iconv || fail "kxjconv's EUC-JP of IBM extensions: $(cmp ibm.kxjconv ibm.iconv | head -n 1)"
cp ibm.sjis ibm.txt
out=$(app - <<S
open $work/ibm.txt
menu 1453
menu 5
print alerts
S
)
cmp -s ibm.txt ibm.iconv || fail "the program's EUC-JP of IBM extensions: $(cmp ibm.txt ibm.iconv | head -n 1)"
[ -z "$out" ] || fail "a note of lost characters: $out"

# EUC-JP written before: each IBM code as the code of its character inside
# the JIS rows, which is what JIS still gets.
"$bin/kxjconv" --from sjis --to jis ibm.sjis ibm.jis 2>/dev/null
python3 - <<'P'
import re
data = open('ibm.jis', 'rb').read()
out = re.sub(rb'\x1b\$B([\x21-\x7e]*)\x1b\(B', lambda m: bytes(b | 0x80 for b in m.group(1)), data)
open('old.euc', 'wb').write(out)
P
out=$(app - <<S
open $work/old.euc
print text
S
)
[ "$out" = "$(iconv -f CP932 -t UTF-8 ibm.sjis | tr -d '\r')" ] || fail "EUC-JP written before reads $(head -c 60 <<<"$out")"
echo "kxapp_euc_ibm_test: ok"
