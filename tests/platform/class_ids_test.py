#!/usr/bin/env python3
"""Every pane class ID names one class.

Layouts make their panes by class ID, and the registrar keeps the last class
registered under an ID: two classes that chose the same ID make one of them
impossible to create (the function-key bar once lost its ID to a form field
this way). The IDs come from `kClassID = FourCC("....")` members and from
literal `RegisterClass(FourCC("...."), Create<Class>)` calls.
"""

import os
import re
import sys

ROOT = os.environ.get('KX_SOURCE_DIR') or os.path.join(os.path.dirname(__file__), '..', '..')
MEMBER = re.compile(r'kClassID\s*=\s*FourCC\("(.{4})"\)')
CLASS = re.compile(r'^\s*(?:class|struct)\s+(\w+)\b[^;]*$')
LITERAL = re.compile(r'RegisterClass\(FourCC\("(.{4})"\),\s*Create<(\w+)>')
# A text window's scroller takes its base class's ID on purpose.
OVERRIDES = {'kxsc': {'CKXScroller', 'CKXTextScroller'}}


def main():
    owners = {}
    for folder, _, files in os.walk(os.path.join(ROOT, 'src')):
        for name in files:
            if not name.endswith(('.h', '.cpp')):
                continue
            path = os.path.join(folder, name)
            current = None
            with open(path, encoding='utf-8') as f:
                for line in f:
                    m = CLASS.match(line)
                    if m:
                        current = m.group(1)
                    for cid in MEMBER.findall(line):
                        owners.setdefault(cid, set()).add(current or path)
                    for cid, cls in LITERAL.findall(line):
                        owners.setdefault(cid, set()).add(cls)
    bad = {cid: names for cid, names in owners.items() if len(names) > 1 and names != OVERRIDES.get(cid)}
    for cid, names in sorted(bad.items()):
        print(f'class ID "{cid}" is taken by {", ".join(sorted(names))}')
    if len(owners) < 20:
        print(f'only {len(owners)} class IDs found: the scan no longer sees the sources')
        return 1
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main())
