// The classic resource-fork format: a 16-byte header, the data area (each
// resource a 32-bit length and its bytes), and the map with its type list,
// reference lists (24-bit data offsets) and name list; all big-endian.
//
// Files from other machines are untrusted: Parse checks every count, offset
// and length against the real size and refuses a fork that does not add up.
// Build refuses a fork whose data area would pass 16 MiB, the most that the
// 24-bit offsets can reach.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

struct KxResForkItem {
  OSType type = 0;
  std::int16_t id = 0;
  std::uint8_t attributes = 0;
  bool hasName = false;
  std::string name;  // at most 255 bytes
  std::vector<std::uint8_t> data;
};

class KxResFork {
 public:
  // The most the data area may hold (lengths included).
  static constexpr std::size_t kMaxDataArea = 0x1000000;
  // Where the data area starts in a fork we write (after the header and the
  // reserved system and application areas).
  static constexpr std::uint32_t kDataStart = 256;

  // 0, or an errno-style code: EBADMSG for a damaged fork. On failure the
  // object is left empty.
  int Parse(const std::uint8_t* bytes, std::size_t size);
  // 0, or EFBIG when the data passes 16 MiB or the map would pass its
  // 16-bit offsets. `out` is replaced.
  int Build(std::vector<std::uint8_t>& out) const;

  // Items are kept sorted by type, then by signed ID; lookups are binary
  // searches. A foreign fork's duplicates keep their order behind the first.
  const KxResForkItem* Find(OSType type, std::int16_t id) const;
  KxResForkItem* Find(OSType type, std::int16_t id);
  // Replaces the data of an existing resource (keeping its name and
  // attributes) or adds a new one.
  KxResForkItem& Put(OSType type, std::int16_t id, const void* data, std::size_t size);
  bool Remove(OSType type, std::int16_t id);
  void Clear() { mItems.clear(); mAttributes = 0; }

  const std::vector<KxResForkItem>& Items() const { return mItems; }
  bool Empty() const { return mItems.empty(); }
  // The map's attribute word (read-only, compact, changed bits), carried.
  std::uint16_t Attributes() const { return mAttributes; }

 private:
  std::size_t LowerBound(OSType type, std::int16_t id) const;

  std::vector<KxResForkItem> mItems;
  std::uint16_t mAttributes = 0;
};

// Four characters of a type for messages; bytes outside printable ASCII
// come out as "\xNN".
std::string KxTypeText(OSType type);
