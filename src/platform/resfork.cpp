#include "platform/resfork.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/bytefields.h"

namespace {

constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kMapFixedSize = 28;  // header copy, next map, file ref, attributes, two offsets
constexpr std::size_t kTypeEntrySize = 8;
constexpr std::size_t kRefEntrySize = 12;

bool Less(const KxResForkItem& a, OSType type, std::int16_t id) {
  return a.type != type ? a.type < type : a.id < id;
}

}  // namespace

std::size_t KxResFork::LowerBound(OSType type, std::int16_t id) const {
  auto it = std::lower_bound(mItems.begin(), mItems.end(), 0,
                             [&](const KxResForkItem& item, int) { return Less(item, type, id); });
  return static_cast<std::size_t>(it - mItems.begin());
}

const KxResForkItem* KxResFork::Find(OSType type, std::int16_t id) const {
  std::size_t i = LowerBound(type, id);
  if (i < mItems.size() && mItems[i].type == type && mItems[i].id == id) return &mItems[i];
  return nullptr;
}

KxResForkItem* KxResFork::Find(OSType type, std::int16_t id) {
  return const_cast<KxResForkItem*>(static_cast<const KxResFork*>(this)->Find(type, id));
}

KxResForkItem& KxResFork::Put(OSType type, std::int16_t id, const void* data, std::size_t size) {
  std::size_t i = LowerBound(type, id);
  if (i == mItems.size() || mItems[i].type != type || mItems[i].id != id) {
    KxResForkItem item;
    item.type = type;
    item.id = id;
    mItems.insert(mItems.begin() + static_cast<std::ptrdiff_t>(i), std::move(item));
  }
  const auto* p = static_cast<const std::uint8_t*>(data);
  mItems[i].data.assign(p, p + size);
  return mItems[i];
}

bool KxResFork::Remove(OSType type, std::int16_t id) {
  std::size_t i = LowerBound(type, id);
  if (i < mItems.size() && mItems[i].type == type && mItems[i].id == id) {
    mItems.erase(mItems.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
  }
  return false;
}

int KxResFork::Parse(const std::uint8_t* bytes, std::size_t size) {
  Clear();
  if (size < kHeaderSize) return EBADMSG;
  const std::uint32_t dataOffset = KxGetU32BE(bytes);
  const std::uint32_t mapOffset = KxGetU32BE(bytes + 4);
  const std::uint32_t dataLength = KxGetU32BE(bytes + 8);
  const std::uint32_t mapLength = KxGetU32BE(bytes + 12);
  // 64-bit sums: the fields are 32-bit and may be anything.
  if (std::uint64_t(dataOffset) + dataLength > size) return EBADMSG;
  if (std::uint64_t(mapOffset) + mapLength > size) return EBADMSG;
  if (mapLength < kMapFixedSize + 2) return EBADMSG;

  const std::uint8_t* map = bytes + mapOffset;
  const std::uint8_t* data = bytes + dataOffset;
  const std::uint16_t attributes = KxGetU16BE(map + 22);
  const std::size_t typeListOffset = KxGetU16BE(map + 24);
  const std::size_t nameListOffset = KxGetU16BE(map + 26);
  if (typeListOffset + 2 > mapLength) return EBADMSG;
  const std::uint8_t* typeList = map + typeListOffset;
  // The stored value is the number of types minus one; 0xFFFF means none.
  const std::size_t typeCount = (KxGetU16BE(typeList) + 1u) & 0xFFFFu;
  if (typeListOffset + 2 + typeCount * kTypeEntrySize > mapLength) return EBADMSG;

  std::vector<KxResForkItem> items;
  // References may point at the same block; copies together must still fit
  // in the data area, so that a small file cannot make us allocate a lot.
  std::uint64_t copied = 0;
  for (std::size_t t = 0; t < typeCount; ++t) {
    const std::uint8_t* entry = typeList + 2 + t * kTypeEntrySize;
    const OSType type = KxGetU32BE(entry);
    const std::size_t count = KxGetU16BE(entry + 4) + 1u;
    const std::size_t refOffset = typeListOffset + KxGetU16BE(entry + 6);
    if (refOffset + count * kRefEntrySize > mapLength) return EBADMSG;
    for (std::size_t r = 0; r < count; ++r) {
      const std::uint8_t* ref = map + refOffset + r * kRefEntrySize;
      KxResForkItem item;
      item.type = type;
      item.id = static_cast<std::int16_t>(KxGetU16BE(ref));
      const std::uint16_t nameOffset = KxGetU16BE(ref + 2);
      item.attributes = ref[4];
      const std::uint32_t at = KxGetU24BE(ref + 5);
      if (std::uint64_t(at) + 4 > dataLength) return EBADMSG;
      const std::uint32_t length = KxGetU32BE(data + at);
      if (std::uint64_t(at) + 4 + length > dataLength) return EBADMSG;
      copied += 4 + std::uint64_t(length);
      if (copied > dataLength) return EBADMSG;
      item.data.assign(data + at + 4, data + at + 4 + length);
      if (nameOffset != 0xFFFF) {
        const std::size_t nameAt = nameListOffset + nameOffset;
        if (nameAt + 1 > mapLength) return EBADMSG;
        const std::size_t nameLength = map[nameAt];
        if (nameAt + 1 + nameLength > mapLength) return EBADMSG;
        item.hasName = true;
        item.name.assign(reinterpret_cast<const char*>(map + nameAt + 1), nameLength);
      }
      items.push_back(std::move(item));
    }
  }
  std::stable_sort(items.begin(), items.end(), [](const KxResForkItem& a, const KxResForkItem& b) {
    return Less(a, b.type, b.id);
  });
  mItems = std::move(items);
  mAttributes = attributes;
  return 0;
}

int KxResFork::Build(std::vector<std::uint8_t>& out) const {
  out.clear();
  // Data area: every resource as a 32-bit length and its bytes.
  std::uint64_t dataLength = 0;
  for (const auto& item : mItems) dataLength += 4 + std::uint64_t(item.data.size());
  if (dataLength > kMaxDataArea) return EFBIG;

  // The map: fixed part, type list, reference lists, name list.
  std::vector<std::pair<OSType, std::size_t>> types;  // type, first item index
  for (std::size_t i = 0; i < mItems.size(); ++i)
    if (types.empty() || types.back().first != mItems[i].type) types.emplace_back(mItems[i].type, i);
  std::size_t nameListLength = 0;
  for (const auto& item : mItems)
    if (item.hasName) nameListLength += 1 + std::min<std::size_t>(item.name.size(), 255);
  const std::size_t typeListLength = 2 + types.size() * kTypeEntrySize;
  const std::size_t refLength = mItems.size() * kRefEntrySize;
  const std::size_t nameListOffset = kMapFixedSize + typeListLength + refLength;
  // Offsets inside the map are 16-bit: the name list must start, and every
  // name must begin, within reach. A name list in reach also bounds the type
  // count, the references per type and their offsets well below 16 bits.
  if (nameListOffset > 0xFFFF || nameListLength > 0xFFFF + 256u) return EFBIG;
  const std::size_t mapLength = nameListOffset + nameListLength;
  const std::size_t mapOffset = kDataStart + static_cast<std::size_t>(dataLength);
  out.assign(mapOffset + mapLength, 0);

  std::uint8_t header[kHeaderSize];
  KxPutU32BE(header, kDataStart);
  KxPutU32BE(header + 4, static_cast<std::uint32_t>(mapOffset));
  KxPutU32BE(header + 8, static_cast<std::uint32_t>(dataLength));
  KxPutU32BE(header + 12, static_cast<std::uint32_t>(mapLength));
  std::memcpy(out.data(), header, kHeaderSize);

  std::uint8_t* map = out.data() + mapOffset;
  std::memcpy(map, header, kHeaderSize);
  KxPutU16BE(map + 22, mAttributes);
  KxPutU16BE(map + 24, static_cast<std::uint16_t>(kMapFixedSize));
  KxPutU16BE(map + 26, static_cast<std::uint16_t>(nameListOffset));
  std::uint8_t* typeList = map + kMapFixedSize;
  KxPutU16BE(typeList, static_cast<std::uint16_t>(types.size() - 1));  // 0xFFFF when empty

  std::size_t dataAt = 0, nameAt = 0, refAt = typeListLength;
  for (std::size_t t = 0; t < types.size(); ++t) {
    const std::size_t first = types[t].second;
    const std::size_t end = t + 1 < types.size() ? types[t + 1].second : mItems.size();
    std::uint8_t* entry = typeList + 2 + t * kTypeEntrySize;
    KxPutU32BE(entry, types[t].first);
    KxPutU16BE(entry + 4, static_cast<std::uint16_t>(end - first - 1));
    KxPutU16BE(entry + 6, static_cast<std::uint16_t>(refAt));
    for (std::size_t i = first; i < end; ++i, refAt += kRefEntrySize) {
      const KxResForkItem& item = mItems[i];
      std::uint8_t* ref = typeList + refAt;
      KxPutU16BE(ref, static_cast<std::uint16_t>(item.id));
      if (item.hasName) {
        if (nameAt > 0xFFFE) return out.clear(), EFBIG;
        KxPutU16BE(ref + 2, static_cast<std::uint16_t>(nameAt));
        const std::size_t length = std::min<std::size_t>(item.name.size(), 255);
        map[nameListOffset + nameAt] = static_cast<std::uint8_t>(length);
        std::memcpy(map + nameListOffset + nameAt + 1, item.name.data(), length);
        nameAt += 1 + length;
      } else {
        KxPutU16BE(ref + 2, 0xFFFF);
      }
      ref[4] = item.attributes;
      KxPutU24BE(ref + 5, static_cast<std::uint32_t>(dataAt));
      std::uint8_t* block = out.data() + kDataStart + dataAt;
      KxPutU32BE(block, static_cast<std::uint32_t>(item.data.size()));
      if (!item.data.empty()) std::memcpy(block + 4, item.data.data(), item.data.size());
      dataAt += 4 + item.data.size();
    }
  }
  return 0;
}

std::string KxTypeText(OSType type) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    unsigned c = (type >> shift) & 0xFF;
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      s += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      s += buf;
    }
  }
  return s;
}
