#!/usr/bin/env python3
"""Checks the hand-written Mac-only Japanese codes of scripts/gen-encoding-tables
against Perl's Encode (MacJapanese): every code in rows 0x85 and 0x86 and the
single bytes 0x80, 0xA0, 0xFD-0xFF must map to Perl's character once Perl's
private variant tags are removed. Codes that Perl maps to a sequence of
letters are empty in our table, or take the one Unicode character that
stands for the sequence."""
import importlib.machinery
import importlib.util
import os
import shutil
import subprocess
import sys

SRC = os.environ.get('KX_SOURCE_DIR', '.')
VARIANT_TAGS = {0xF87A, 0xF87F}
GROUP_TAGS = {0xF860, 0xF861, 0xF862}
# Sequences that have one Unicode character of their own.
SEQUENCES = {'0.': 0x1F100, 'FAX': 0x213B, '\u2193\u2191': 0x21F5}

PERL = r'''
use Encode;
for my $code (0x80, 0xA0, 0xFD, 0xFE, 0xFF) {
  my $s = decode("MacJapanese", chr($code));
  printf "%04X %s\n", $code, join(" ", map { sprintf "%04X", ord } split //, $s);
}
for my $lead (0x85, 0x86) {
  for my $trail (0x40..0x7E, 0x80..0xFC) {
    my $s = eval { decode("MacJapanese", chr($lead) . chr($trail), Encode::FB_CROAK) };
    next unless defined $s;
    printf "%02X%02X %s\n", $lead, $trail, join(" ", map { sprintf "%04X", ord } split //, $s);
  }
}
'''


def main():
    if not shutil.which('perl'):
        print('macjapanese_test: no perl, nothing checked')
        return 0
    probe = subprocess.run(['perl', '-MEncode', '-e', 'exit(find_encoding("MacJapanese") ? 0 : 1)'])
    if probe.returncode != 0:
        print('macjapanese_test: Perl has no MacJapanese, nothing checked')
        return 0
    loader = importlib.machinery.SourceFileLoader(
        'gen_encoding_tables', os.path.join(SRC, 'scripts', 'gen-encoding-tables'))
    loader_spec = importlib.util.spec_from_loader(loader.name, loader)
    gen = importlib.util.module_from_spec(loader_spec)
    loader.exec_module(gen)
    ours = gen.mac_japanese_codes()

    perl = {}
    for line in subprocess.run(['perl', '-e', PERL], check=True, capture_output=True,
                               text=True).stdout.splitlines():
        f = [int(x, 16) for x in line.split()]
        perl[f[0]] = f[1:]
    failures = []
    for code, units in sorted(perl.items()):
        if units and units[0] in GROUP_TAGS:
            seq = ''.join(chr(u) for u in units[1:])
            want = SEQUENCES.get(seq)
        else:
            plain = [u for u in units if u not in VARIANT_TAGS]
            want = plain[0] if len(plain) == 1 else None
        if ours.get(code) != want:
            failures.append('%04X: ours %s, Perl %s' % (
                code, ours.get(code) and hex(ours[code]), ' '.join('%04X' % u for u in units)))
    for code in ours:
        if code not in perl:
            failures.append('%04X is ours only' % code)
    for f in failures:
        print('FAIL:', f)
    print('macjapanese_test: %d codes compared, %d failures' % (len(perl), len(failures)))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
