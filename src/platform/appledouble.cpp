#include "platform/appledouble.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/bytefields.h"

namespace {
constexpr std::size_t kEntrySize = 12;
}

bool KxAppleDouble::Looks(const std::uint8_t* bytes, std::size_t size) {
  return size >= kHeaderSize && KxGetU32BE(bytes) == kMagic &&
         (KxGetU32BE(bytes + 4) == kVersion2 || KxGetU32BE(bytes + 4) == kVersion1);
}

int KxAppleDouble::Parse(const std::uint8_t* bytes, std::size_t size) {
  mEntries.clear();
  if (!Looks(bytes, size)) return EBADMSG;
  const std::size_t count = KxGetU16BE(bytes + 24);
  if (kHeaderSize + count * kEntrySize > size) return EBADMSG;
  std::vector<Entry> entries;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* e = bytes + kHeaderSize + i * kEntrySize;
    const std::uint32_t id = KxGetU32BE(e);
    const std::uint32_t offset = KxGetU32BE(e + 4);
    const std::uint32_t length = KxGetU32BE(e + 8);
    if (std::uint64_t(offset) + length > size) return EBADMSG;
    // ID 0 is invalid; a repeated ID would make the rewrite ambiguous.
    if (id == 0) return EBADMSG;
    for (const Entry& seen : entries)
      if (seen.id == id) return EBADMSG;
    Entry entry;
    entry.id = id;
    entry.oldOffset = offset;
    entry.data.assign(bytes + offset, bytes + offset + length);
    entries.push_back(std::move(entry));
  }
  // Entries may overlap one another (nothing forbids it), so the copies
  // could add up to more than the file; refuse that rather than allocate it.
  std::uint64_t total = 0;
  for (const Entry& e : entries) total += e.data.size();
  if (total > size) return EBADMSG;
  mVersion = KxGetU32BE(bytes + 4);
  std::memcpy(mFiller, bytes + 8, sizeof mFiller);
  mEntries = std::move(entries);
  return 0;
}

std::vector<std::uint8_t> KxAppleDouble::Build() const {
  // The resource fork last; the others in the order they came.
  std::vector<const Entry*> order;
  for (const Entry& e : mEntries)
    if (e.id != kResourceForkID) order.push_back(&e);
  for (const Entry& e : mEntries)
    if (e.id == kResourceForkID) order.push_back(&e);

  std::vector<std::uint64_t> offsets;
  std::uint64_t cursor = kHeaderSize + order.size() * kEntrySize;
  for (const Entry* e : order) {
    // Keep the old place when nothing before it has grown past it; the gap
    // (at most what the entry had before) is filled with zeros.
    if (e->oldOffset >= 0 && std::uint64_t(e->oldOffset) >= cursor) cursor = std::uint64_t(e->oldOffset);
    offsets.push_back(cursor);
    cursor += e->data.size();
  }
  std::vector<std::uint8_t> out(static_cast<std::size_t>(cursor), 0);
  KxPutU32BE(out.data(), kMagic);
  KxPutU32BE(out.data() + 4, kVersion2);
  std::memcpy(out.data() + 8, mFiller, sizeof mFiller);
  KxPutU16BE(out.data() + 24, static_cast<std::uint16_t>(order.size()));
  for (std::size_t i = 0; i < order.size(); ++i) {
    std::uint8_t* t = out.data() + kHeaderSize + i * kEntrySize;
    KxPutU32BE(t, order[i]->id);
    KxPutU32BE(t + 4, static_cast<std::uint32_t>(offsets[i]));
    KxPutU32BE(t + 8, static_cast<std::uint32_t>(order[i]->data.size()));
    if (!order[i]->data.empty())
      std::memcpy(out.data() + offsets[i], order[i]->data.data(), order[i]->data.size());
  }
  return out;
}

const KxAppleDouble::Entry* KxAppleDouble::Find(std::uint32_t id) const {
  for (const Entry& e : mEntries)
    if (e.id == id) return &e;
  return nullptr;
}

void KxAppleDouble::Set(std::uint32_t id, std::vector<std::uint8_t> data) {
  for (Entry& e : mEntries)
    if (e.id == id) {
      e.data = std::move(data);
      return;
    }
  Entry e;
  e.id = id;
  e.data = std::move(data);
  mEntries.push_back(std::move(e));
}

bool KxAppleDouble::Remove(std::uint32_t id) {
  auto it = std::find_if(mEntries.begin(), mEntries.end(), [&](const Entry& e) { return e.id == id; });
  if (it == mEntries.end()) return false;
  mEntries.erase(it);
  return true;
}

bool KxAppleDouble::GetTypeCreator(OSType& type, OSType& creator) const {
  const Entry* e = Find(kFinderInfoID);
  if (!e || e->data.size() < 8) return false;
  type = KxGetU32BE(e->data.data());
  creator = KxGetU32BE(e->data.data() + 4);
  return true;
}

void KxAppleDouble::SetTypeCreator(OSType type, OSType creator) {
  for (Entry& e : mEntries)
    if (e.id == kFinderInfoID) {
      if (e.data.size() < kFinderInfoSize) e.data.resize(kFinderInfoSize, 0);
      KxPutU32BE(e.data.data(), type);
      KxPutU32BE(e.data.data() + 4, creator);
      return;
    }
  Entry e;
  e.id = kFinderInfoID;
  e.data.assign(kFinderInfoSize, 0);
  KxPutU32BE(e.data.data(), type);
  KxPutU32BE(e.data.data() + 4, creator);
  // Finder information first, as Macs write it.
  mEntries.insert(mEntries.begin(), std::move(e));
}

int KxAppleDouble::GetResourceFork(KxResFork& fork) const {
  fork.Clear();
  const Entry* e = Find(kResourceForkID);
  if (!e || e->data.empty()) return 0;
  return fork.Parse(e->data.data(), e->data.size());
}

int KxAppleDouble::SetResourceFork(const KxResFork& fork) {
  if (fork.Empty()) {
    // An empty entry rather than none: removing it would shift the entries
    // after the table and break the offsets inside a Mac's attribute block.
    for (Entry& e : mEntries)
      if (e.id == kResourceForkID) e.data.clear();
    return 0;
  }
  std::vector<std::uint8_t> bytes;
  if (int err = fork.Build(bytes)) return err;
  Set(kResourceForkID, std::move(bytes));
  return 0;
}

std::string KxSidecarPath(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "._" + path;
  return path.substr(0, slash + 1) + "._" + path.substr(slash + 1);
}
