#include "platform/resources.h"

#include <cstring>

namespace kx_resources {
extern const KxStringItem kStringItems[];
extern const int kStringItemCount;
extern const KxMenuRecord kMenus[];
extern const int kMenuCount;
extern const KxMenuItemRecord kMenuItems[];
extern const KxMenuBarEntry kMenuBarEntries[];
extern const int kMenuBarEntryCount;
extern const KxPaneAttribute kPaneAttributes[];
extern const KxLayoutPaneRecord kLayoutPanes[];
extern const int kLayoutPaneCount;
extern const std::uint32_t kIconPixels[];
extern const KxIconRecord kIcons[];
extern const int kIconCount;
}  // namespace kx_resources

namespace {
const KxStringItem* FindItem(short listID, short index) {
  // The table is sorted by list and item: a binary search.
  int lo = 0, hi = kx_resources::kStringItemCount;
  while (lo < hi) {
    int mid = (lo + hi) / 2;
    const KxStringItem& it = kx_resources::kStringItems[mid];
    if (it.listID < listID || (it.listID == listID && it.index < index))
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo < kx_resources::kStringItemCount) {
    const KxStringItem& it = kx_resources::kStringItems[lo];
    if (it.listID == listID && it.index == index) return &it;
  }
  return nullptr;
}
}  // namespace

void GetIndString(Str255 out, short listID, short index) {
  out[0] = 0;
  if (const KxStringItem* it = FindItem(listID, index)) {
    out[0] = it->length;
    std::memcpy(out + 1, it->bytes, it->length);
  }
}

std::string KxIndString(short listID, short index) {
  const KxStringItem* it = FindItem(listID, index);
  return it ? std::string(it->bytes, it->length) : std::string();
}

bool KxHasIndString(short listID, short index) { return FindItem(listID, index) != nullptr; }

short KxCountIndStrings(short listID) {
  short count = 0;
  for (int i = 0; i < kx_resources::kStringItemCount; ++i)
    if (kx_resources::kStringItems[i].listID == listID) count = kx_resources::kStringItems[i].index;
  return count;
}

// The generator writes every table sorted by its number.
const KxMenuRecord* KxFindMenuRecord(short menuID) {
  for (int i = 0; i < kx_resources::kMenuCount; ++i)
    if (kx_resources::kMenus[i].menuID == menuID) return &kx_resources::kMenus[i];
  return nullptr;
}

const KxMenuItemRecord& KxMenuItemAt(int index) { return kx_resources::kMenuItems[index]; }

int KxMenuBarMenus(short menuBarID, short* out, int capacity) {
  int n = 0;
  for (int i = 0; i < kx_resources::kMenuBarEntryCount; ++i)
    if (kx_resources::kMenuBarEntries[i].menuBarID == menuBarID) {
      if (n < capacity) out[n] = kx_resources::kMenuBarEntries[i].menuID;
      ++n;
    }
  return n;
}

const KxLayoutPaneRecord* KxFindLayoutPanes(short layoutID, int& count) {
  count = 0;
  const KxLayoutPaneRecord* first = nullptr;
  for (int i = 0; i < kx_resources::kLayoutPaneCount; ++i)
    if (kx_resources::kLayoutPanes[i].layoutID == layoutID) {
      if (!first) first = &kx_resources::kLayoutPanes[i];
      ++count;
    }
  return first;
}

const KxPaneAttribute& KxPaneAttributeAt(int index) { return kx_resources::kPaneAttributes[index]; }

const std::uint32_t* KxFindIcon(short iconID, int& width, int& height) {
  width = height = 0;
  for (int i = 0; i < kx_resources::kIconCount; ++i)
    if (kx_resources::kIcons[i].iconID == iconID) {
      width = kx_resources::kIcons[i].width;
      height = kx_resources::kIcons[i].height;
      return &kx_resources::kIconPixels[kx_resources::kIcons[i].firstPixel];
    }
  return nullptr;
}
