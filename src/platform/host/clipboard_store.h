// An in-process clipboard: bytes by four-character type, in the order put.
// The headless host keeps its clipboard here, and so does any host until it
// reaches the desktop's.
//
// Copies of a store share the bytes, which are never changed in place (a
// put replaces them): menus take a snapshot of the clipboard at every turn
// to enable Paste, and the clipboard may hold a whole large document.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/types.h"

class KxClipboardStore {
 public:
  void Clear() { mEntries.clear(); }
  // Replaces the data of `type` (a null `data` puts empty data).
  void Put(OSType type, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    auto copy = std::make_shared<const std::vector<std::uint8_t>>(bytes, bytes + (bytes ? size : 0));
    for (auto& entry : mEntries)
      if (entry.first == type) {
        entry.second = std::move(copy);
        return;
      }
    mEntries.emplace_back(type, std::move(copy));
  }
  // False when there is no data of this type.
  bool Get(OSType type, std::vector<std::uint8_t>& data) const {
    const std::vector<std::uint8_t>* found = Find(type);
    if (found) data = *found;
    return found != nullptr;
  }
  // The data of `type` without a copy, null when there is none; it stays
  // while this store lives and `type` is not put again.
  const std::vector<std::uint8_t>* Find(OSType type) const {
    for (const auto& entry : mEntries)
      if (entry.first == type) return entry.second.get();
    return nullptr;
  }
  std::vector<OSType> Types() const {
    std::vector<OSType> types;
    for (const auto& entry : mEntries) types.push_back(entry.first);
    return types;
  }

 private:
  std::vector<std::pair<OSType, std::shared_ptr<const std::vector<std::uint8_t>>>> mEntries;
};
