// The program's own numbered resources, compiled in from resources/.
#pragma once

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
// True when the item exists.
bool KxHasIndString(short listID, short index);
// Number of items of a list (its highest item number), 0 when absent.
short KxCountIndStrings(short listID);
