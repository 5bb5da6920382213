// A drag's data as the program sees it: numbered items, each a list of
// flavors (bytes by four-character type, in the order added). The program
// builds one when it starts a drag; a host builds one from what the desktop
// delivers on a drop, with every byte fetched before the program sees it,
// so nothing here calls back into the desktop.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"

// "hfs " inside the program: file type (4), creator (4), Finder flags (2),
// then the file's POSIX path in UTF-8 (all that follows, at most
// kKxHFSMaxPath bytes). Big-endian, like every record here. Hosts make it
// from the desktop's file lists (text/uri-list).
constexpr long kKxHFSHeader = 10;
constexpr long kKxHFSMaxPath = 4096;
std::vector<std::uint8_t> KxMakeHFSFlavor(OSType type, OSType creator, const std::string& path);
// False when the record is too short, or its path empty, too long or
// holding a NUL.
bool KxReadHFSFlavor(const std::uint8_t* data, long size, OSType& type, std::string& path);

constexpr OSErr badDragRefErr = -1850;
constexpr OSErr badDragItemErr = -1851;
constexpr OSErr badDragFlavorErr = -1852;

using KxDragItemRef = std::uint32_t;

class KxDragData {
 public:
  struct Flavor {
    OSType type = 0;
    std::vector<std::uint8_t> bytes;
  };
  struct Item {
    KxDragItemRef ref = 0;
    std::vector<Flavor> flavors;
  };

  // Adds an item (its reference must be new); answers false when taken.
  bool AddItem(KxDragItemRef ref) {
    if (FindItem(ref)) return false;
    mItems.push_back(Item{ref, {}});
    return true;
  }
  // Adds or replaces a flavor of an item; badDragItemErr without the item.
  OSErr SetFlavor(KxDragItemRef ref, OSType type, const void* data, std::size_t size) {
    Item* item = FindItem(ref);
    if (!item) return badDragItemErr;
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::vector<std::uint8_t> copy(p, p + (p ? size : 0));
    for (Flavor& f : item->flavors)
      if (f.type == type) {
        f.bytes = std::move(copy);
        return noErr;
      }
    item->flavors.push_back(Flavor{type, std::move(copy)});
    return noErr;
  }
  long CountItems() const { return static_cast<long>(mItems.size()); }
  // Items counted from 1; null outside 1..CountItems().
  const Item* NthItem(long index) const {
    return index >= 1 && index <= CountItems() ? &mItems[static_cast<std::size_t>(index - 1)] : nullptr;
  }
  const Item* FindItem(KxDragItemRef ref) const {
    for (const Item& item : mItems)
      if (item.ref == ref) return &item;
    return nullptr;
  }
  Item* FindItem(KxDragItemRef ref) {
    for (Item& item : mItems)
      if (item.ref == ref) return &item;
    return nullptr;
  }
  static const Flavor* FindFlavor(const Item& item, OSType type) {
    for (const Flavor& f : item.flavors)
      if (f.type == type) return &f;
    return nullptr;
  }
  const std::vector<Item>& Items() const { return mItems; }
  void Clear() {
    mItems.clear();
    fromThisProgram = false;
  }

  // A drop whose drag began in one of the program's own windows (hosts set
  // it), so that a drag within one window can move rather than copy.
  bool fromThisProgram = false;

 private:
  std::vector<Item> mItems;
};
