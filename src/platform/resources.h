// The program's own numbered resources, compiled in from resources/.
#pragma once

#include <string>

#include <cstdint>

#include "platform/types.h"

struct KxStringItem {
  short listID;
  short index;
  unsigned char length;
  const char* bytes;
};

// Item `index` (1-based) of string list `listID` as a length-prefixed
// string; an empty string when the list or item does not exist.
void GetIndString(Str255 out, short listID, short index);
// The same item as its bytes.
std::string KxIndString(short listID, short index);
// True when the item exists.
bool KxHasIndString(short listID, short index);
// Number of items of a list (its highest item number), 0 when absent.
short KxCountIndStrings(short listID);

// Menus, menu bars and window layouts (see scripts/gen-resources.py for the
// source format). Texts are length-counted Shift_JIS bytes.
struct KxMenuRecord {
  short menuID;
  unsigned char titleLength;
  const char* title;
  int firstItem;   // index into the item table
  int itemCount;
};

struct KxMenuItemRecord {
  std::int32_t command;   // 0: the item stands for itself
  unsigned char key;      // key equivalent (upper case), 0 for none
  std::uint16_t modifiers;   // shift, option, control bits besides the command key
  short submenuID;        // 0 for none
  bool enabled;
  bool separator;
  unsigned char length;
  const char* text;
};

struct KxMenuBarEntry {
  short menuBarID;
  short menuID;
};

struct KxPaneAttribute {
  const char* key;
  unsigned char length;
  const char* value;
};

struct KxLayoutPaneRecord {
  short layoutID;
  OSType classID;
  std::int32_t paneID;    // 0: none
  std::int32_t superID;   // pane ID of the enclosing pane; 0 for the window
  Rect frame;
  int firstAttribute;     // index into the attribute table
  int attributeCount;
};

// The menu's record, or null.
const KxMenuRecord* KxFindMenuRecord(short menuID);
// Item `index` (0-based) of the whole item table; see KxMenuRecord::firstItem.
const KxMenuItemRecord& KxMenuItemAt(int index);
// The menus of a menu bar, left to right; empty when it does not exist.
int KxMenuBarMenus(short menuBarID, short* out, int capacity);
// The panes of a layout, the window first; count 0 when it does not exist.
const KxLayoutPaneRecord* KxFindLayoutPanes(short layoutID, int& count);
const KxPaneAttribute& KxPaneAttributeAt(int index);

// Colour icons (resources/icons/N.txt): width x height pixels, rows top
// first, 0xFFRRGGBB opaque or 0 transparent.
struct KxIconRecord {
  short iconID;
  short width;
  short height;
  int firstPixel;   // index into the pixel table
};
// The icon's pixels and size, or null (width and height 0) when it does
// not exist.
const std::uint32_t* KxFindIcon(short iconID, int& width, int& height);
