#include "platform/resources.h"

#include <cstring>

namespace kx_resources {
extern const KxStringItem kStringItems[];
extern const int kStringItemCount;
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

bool KxHasIndString(short listID, short index) { return FindItem(listID, index) != nullptr; }

short KxCountIndStrings(short listID) {
  short count = 0;
  for (int i = 0; i < kx_resources::kStringItemCount; ++i)
    if (kx_resources::kStringItems[i].listID == listID) count = kx_resources::kStringItems[i].index;
  return count;
}
