// An in-process clipboard: bytes by four-character type, in the order put.
// The headless host keeps its clipboard here, and so does any host until it
// reaches the desktop's.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/types.h"

class KxClipboardStore {
 public:
  void Clear() { mEntries.clear(); }
  // Replaces the data of `type` (a null `data` puts empty data).
  void Put(OSType type, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::vector<std::uint8_t> copy(bytes, bytes + (bytes ? size : 0));
    for (auto& entry : mEntries)
      if (entry.first == type) {
        entry.second = std::move(copy);
        return;
      }
    mEntries.emplace_back(type, std::move(copy));
  }
  // False when there is no data of this type.
  bool Get(OSType type, std::vector<std::uint8_t>& data) const {
    for (const auto& entry : mEntries)
      if (entry.first == type) {
        data = entry.second;
        return true;
      }
    return false;
  }
  std::vector<OSType> Types() const {
    std::vector<OSType> types;
    for (const auto& entry : mEntries) types.push_back(entry.first);
    return types;
  }

 private:
  std::vector<std::pair<OSType, std::vector<std::uint8_t>>> mEntries;
};
