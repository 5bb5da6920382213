#!/usr/bin/env python3
"""Turns the program's numbered resources into C++ tables.

Each file is named after its number; the folder says what it holds. `#`
starts a comment line everywhere. Text is UTF-8 in the source and stored as
Shift_JIS (cp932), the program's internal Japanese encoding, at most 255
bytes. Escapes: \\n, \\r, \\t, \\\\ and \\xHH for a raw byte.

strings/N.txt   string list N: lines `I=text` set item I.
menus/N.txt     menu N: `title=TEXT`, then one item a line in order:
                  `item COMMAND KEY MODS [sub=M] [off] TEXT`
                COMMAND is the command number (0: none, the item stands for
                itself); KEY the key equivalent's character (`-` none,
                `minus` for the hyphen), pressed with the command key; MODS
                `-` or extra modifiers joined by `+` (shift, option,
                control); sub=M hangs menu M under the item; off starts it
                disabled. `separator` is a dividing line.
menubars/N.txt  menu bar N: one menu number a line, left to right.
layouts/N.txt   window layout N: one pane a line, the window first:
                  `CLASS PANE SUPER TOP LEFT BOTTOM RIGHT [key=value ...]`
                CLASS a four-character class ID, PANE the pane ID (0: none,
                else unique), SUPER the pane ID of the enclosing pane (0 for
                the window; it must come earlier), the frame in the
                enclosing pane's coordinates; values with spaces are quoted.
icons/N.txt     colour icon N: `size W H` (1-64), colour lines `colour C RRGGBB`
                (C one printable character, `.` is kept for transparent),
                then `pixels` and H rows of W characters, top row first.
"""
import argparse
import os
import re
import shlex
import sys


def decode_item(text, where):
    out = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            if n == "x" and re.fullmatch(r"[0-9A-Fa-f]{2}", text[i + 2:i + 4] or ""):
                out.append(int(text[i + 2:i + 4], 16))
                i += 4
                continue
            simple = {"n": b"\n", "r": b"\r", "t": b"\t", "\\": b"\\"}
            if n in simple:
                out += simple[n]
                i += 2
                continue
            sys.exit(f"{where}: unknown escape \\{n}")
        try:
            out += c.encode("cp932")
        except UnicodeEncodeError:
            sys.exit(f"{where}: {c!r} has no Shift_JIS form")
        i += 1
    if len(out) > 255:
        sys.exit(f"{where}: item longer than 255 bytes")
    return bytes(out)


def read_list(path):
    items = {}
    with open(path, encoding="utf-8") as f:
        for lineno, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            m = re.fullmatch(r"\s*(\d+)=(.*)", line)
            if not m:
                sys.exit(f"{path}:{lineno}: expected N=text")
            index = int(m.group(1))
            if index < 1 or index > 32767 or index in items:
                sys.exit(f"{path}:{lineno}: bad or repeated item number {index}")
            items[index] = decode_item(m.group(2), f"{path}:{lineno}")
    return items


MODIFIERS = {"shift": 0x0200, "option": 0x0800, "control": 0x1000}


def source_lines(path):
    with open(path, encoding="utf-8") as f:
        for lineno, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if line.strip() and not line.lstrip().startswith("#"):
                yield lineno, line.strip()


def read_menu(path):
    title, items = None, []
    for lineno, line in source_lines(path):
        where = f"{path}:{lineno}"
        if line.startswith("title="):
            title = decode_item(line[len("title="):], where)
        elif line == "separator":
            items.append((0, 0, 0, 0, False, True, b""))
        else:
            m = re.fullmatch(r"item\s+(-?\d+)\s+(\S+)\s+(\S+)((?:\s+(?:sub=\d+|off))*)\s+(.+)", line)
            if not m:
                sys.exit(f"{where}: expected item COMMAND KEY MODS [sub=M] [off] TEXT")
            command = int(m.group(1))
            if not -2**31 <= command < 2**31:
                sys.exit(f"{where}: command out of range")
            key = m.group(2)
            if key == "-":
                key = 0
            elif key == "minus":
                key = ord("-")
            elif len(key) == 1 and 33 <= ord(key) < 127:
                key = ord(key.upper())
            else:
                sys.exit(f"{where}: a key is one printable ASCII character")
            mods = 0
            if m.group(3) != "-":
                for word in m.group(3).split("+"):
                    if word not in MODIFIERS:
                        sys.exit(f"{where}: unknown modifier {word}")
                    mods |= MODIFIERS[word]
            sub, enabled = 0, True
            for flag in m.group(4).split():
                if flag == "off":
                    enabled = False
                else:
                    sub = int(flag[4:])
                    if not 1 <= sub <= 32767:
                        sys.exit(f"{where}: bad submenu number")
            items.append((command, key, mods, sub, enabled, False, decode_item(m.group(5), where)))
    if title is None:
        sys.exit(f"{path}: a menu needs a title= line")
    if len(items) > 255:
        sys.exit(f"{path}: too many items")
    return title, items


def read_menubar(path):
    menus = []
    for lineno, line in source_lines(path):
        if not line.isdigit() or not 1 <= int(line) <= 32767:
            sys.exit(f"{path}:{lineno}: expected a menu number")
        menus.append(int(line))
    return menus


def read_layout(path):
    panes, seen = [], {0}
    for lineno, line in source_lines(path):
        where = f"{path}:{lineno}"
        try:
            words = shlex.split(line)
        except ValueError as e:
            sys.exit(f"{where}: {e}")
        if len(words) < 7 or len(words[0]) != 4 or not all(32 <= ord(c) < 127 for c in words[0]):
            sys.exit(f"{where}: expected CLASS PANE SUPER TOP LEFT BOTTOM RIGHT [key=value ...]")
        try:
            pane, sup = int(words[1]), int(words[2])
            frame = [int(w) for w in words[3:7]]
        except ValueError:
            sys.exit(f"{where}: numbers expected")
        if not -2**31 <= pane < 2**31 or any(not -32768 <= v <= 32767 for v in frame):
            sys.exit(f"{where}: number out of range")
        if frame[2] < frame[0] or frame[3] < frame[1]:
            sys.exit(f"{where}: the frame's bottom and right must not be above or left of its top and left")
        if not panes and sup != 0:
            sys.exit(f"{where}: the first line is the window, enclosed by nothing")
        if panes and sup not in seen:
            sys.exit(f"{where}: enclosing pane {sup} is not defined above")
        if pane != 0 and pane in seen:
            sys.exit(f"{where}: pane ID {pane} repeated")
        if pane != 0:
            seen.add(pane)
        attrs = []
        for w in words[7:]:
            key, eq, value = w.partition("=")
            if not eq or not re.fullmatch(r"[A-Za-z][A-Za-z0-9_]*", key):
                sys.exit(f"{where}: expected key=value, not {w!r}")
            attrs.append((key, decode_item(value, where)))
        panes.append((words[0], pane, sup, frame, attrs))
    if not panes:
        sys.exit(f"{path}: an empty layout")
    return panes


def read_icon(path):
    width = height = 0
    colours = {".": None}
    rows = None
    for number, line in source_lines(path):
        where = f"{path}:{number}"
        if rows is not None:
            if len(rows) == height:
                sys.exit(f"{where}: more than {height} rows")
            if len(line) != width:
                sys.exit(f"{where}: a row of {len(line)} pixels, not {width}")
            for c in line:
                if c not in colours:
                    sys.exit(f"{where}: colour {c!r} is not defined")
            rows.append(line)
            continue
        words = line.split()
        if words[0] == "size" and len(words) == 3:
            width, height = int(words[1]), int(words[2])
            if not (1 <= width <= 64 and 1 <= height <= 64):
                sys.exit(f"{where}: size out of 1-64")
        elif words[0] == "colour" and len(words) == 3 and len(words[1]) == 1:
            if words[1] == "." or not re.fullmatch(r"[0-9A-Fa-f]{6}", words[2]):
                sys.exit(f"{where}: bad colour line")
            colours[words[1]] = int(words[2], 16)
        elif words == ["pixels"]:
            if width == 0:
                sys.exit(f"{where}: pixels before size")
            rows = []
        else:
            sys.exit(f"{where}: unknown line")
    if rows is None or len(rows) != height:
        sys.exit(f"{path}: needs {height} rows of pixels")
    pixels = []
    for row in rows:
        for c in row:
            rgb = colours[c]
            pixels.append(0 if rgb is None else 0xFF000000 | rgb)
    return width, height, pixels


def lit(data):
    return '"' + "".join(f"\\x{b:02x}" for b in data) + '"'


def file_number(path):
    name = os.path.splitext(os.path.basename(path))[0]
    if not name.isdigit() or not 1 <= int(name) <= 32767:
        sys.exit(f"{path}: a resource file is named after its number (1-32767)")
    return int(name)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--out", required=True)
    ap.add_argument("sources", nargs="*")
    args = ap.parse_args()
    kinds = {"strings": [], "menus": [], "menubars": [], "layouts": [], "icons": []}
    for path in sorted(args.sources):
        kind = os.path.basename(os.path.dirname(os.path.abspath(path)))
        if kind not in kinds:
            sys.exit(f"{path}: unknown resource folder {kind}")
        kinds[kind].append((file_number(path), path))
    rows = []
    for number, path in sorted(kinds["strings"]):
        for index, data in sorted(read_list(path).items()):
            rows.append((number, index, data))
    lines = ['// Generated by scripts/gen-resources.py from resources/. Do not edit.',
             '#include "platform/resources.h"', '', 'namespace kx_resources {',
             'extern const KxStringItem kStringItems[] = {']
    for list_id, index, data in rows:
        lines.append(f'  {{{list_id}, {index}, {len(data)}, {lit(data)}}},')
    lines.append('  {0, 0, 0, ""}')
    lines.append('};')
    lines.append(f'extern const int kStringItemCount = {len(rows)};')
    menus = {n: read_menu(p) for n, p in sorted(kinds["menus"])}
    lines.append('extern const KxMenuRecord kMenus[] = {')
    first = 0
    for n, (title, items) in menus.items():
        lines.append(f'  {{{n}, {len(title)}, {lit(title)}, {first}, {len(items)}}},')
        first += len(items)
    lines.append('  {0, 0, "", 0, 0}')
    lines.append('};')
    lines.append(f'extern const int kMenuCount = {len(menus)};')
    lines.append('extern const KxMenuItemRecord kMenuItems[] = {')
    for n, (title, items) in menus.items():
        for command, key, mods, sub, enabled, sep, text in items:
            if sub and sub not in menus:
                sys.exit(f"menu {n}: submenu {sub} does not exist")
            lines.append(f'  {{{command}, {key}, {mods}, {sub}, {str(enabled).lower()}, '
                         f'{str(sep).lower()}, {len(text)}, {lit(text)}}},')
    lines.append('  {0, 0, 0, 0, false, false, 0, ""}')
    lines.append('};')
    lines.append('extern const KxMenuBarEntry kMenuBarEntries[] = {')
    count = 0
    for n, path in sorted(kinds["menubars"]):
        for menu in read_menubar(path):
            if menu not in menus:
                sys.exit(f"{path}: menu {menu} does not exist")
            lines.append(f'  {{{n}, {menu}}},')
            count += 1
    lines.append('  {0, 0}')
    lines.append('};')
    lines.append(f'extern const int kMenuBarEntryCount = {count};')
    lines.append('extern const KxPaneAttribute kPaneAttributes[] = {')
    panes, attr_count = [], 0
    for n, path in sorted(kinds["layouts"]):
        for cls, pane, sup, frame, attrs in read_layout(path):
            panes.append((n, cls, pane, sup, frame, attr_count, len(attrs)))
            for key, value in attrs:
                lines.append(f'  {{"{key}", {len(value)}, {lit(value)}}},')
                attr_count += 1
    lines.append('  {"", 0, ""}')
    lines.append('};')
    lines.append('extern const KxLayoutPaneRecord kLayoutPanes[] = {')
    for n, cls, pane, sup, frame, first_attr, nattr in panes:
        code = "0x" + cls.encode("ascii").hex()
        t, l, b, r = frame
        lines.append(f'  {{{n}, {code}u, {pane}, {sup}, {{{t}, {l}, {b}, {r}}}, {first_attr}, {nattr}}},')
    lines.append('  {0, 0, 0, 0, {0, 0, 0, 0}, 0, 0}')
    lines.append('};')
    lines.append(f'extern const int kLayoutPaneCount = {len(panes)};')
    icons = [(n, read_icon(p)) for n, p in sorted(kinds["icons"])]
    lines.append('extern const std::uint32_t kIconPixels[] = {')
    first = 0
    records = []
    for n, (w, h, pixels) in icons:
        for k in range(0, len(pixels), 8):
            lines.append('  ' + ' '.join(f'0x{v:08x}u,' for v in pixels[k:k + 8]))
        records.append((n, w, h, first))
        first += len(pixels)
    lines.append('  0u')
    lines.append('};')
    lines.append('extern const KxIconRecord kIcons[] = {')
    for n, w, h, f in records:
        lines.append(f'  {{{n}, {w}, {h}, {f}}},')
    lines.append('  {0, 0, 0, 0}')
    lines.append('};')
    lines.append(f'extern const int kIconCount = {len(records)};')
    lines.append('}  // namespace kx_resources')
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    text = "\n".join(lines) + "\n"
    if os.path.exists(args.out) and open(args.out).read() == text:
        return
    with open(args.out, "w") as f:
        f.write(text)


if __name__ == "__main__":
    main()
