#include "document/resource.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/bytefields.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "text/base/memory.h"

namespace {

// Offsets and sizes are stored as 32-bit values that readers take as
// signed: nothing may lie beyond kKxMaxOffset.

constexpr short kMaxEntries = 0x7FFF;

// Field access inside a map block (native order once read).
inline short MapCount(const char* map) { return static_cast<short>(KxGetU16N(map + 4)); }
inline void SetMapCount(char* map, short n) { KxPutU16N(map + 4, static_cast<std::uint16_t>(n)); }
inline char* MapEntry(char* map, long k) { return map + kKxResMapHeader + kKxResMapEntry * k; }
inline const char* MapEntry(const char* map, long k) { return map + kKxResMapHeader + kKxResMapEntry * k; }
inline short EntryID(const char* e) { return static_cast<short>(KxGetU16N(e)); }
inline long EntryOffset(const char* e) { return static_cast<std::int32_t>(KxGetU32N(e + 2)); }
inline long EntrySize(const char* e) { return static_cast<std::int32_t>(KxGetU32N(e + 6)); }
inline void SetEntry(char* e, short id, long offset, long size) {
  KxPutU16N(e, static_cast<std::uint16_t>(id));
  KxPutU32N(e + 2, static_cast<std::uint32_t>(offset));
  KxPutU32N(e + 6, static_cast<std::uint32_t>(size));
}

// First entry whose ID is not below `id` (0-based; `count` when none).
long LowerBound(const char* map, long count, short id) {
  long lo = 0, hi = count;
  while (lo < hi) {
    long mid = lo + (hi - lo) / 2;
    if (EntryID(MapEntry(map, mid)) < id)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

void GetFoot(const std::uint8_t* p, SKXResFoot& foot) {
  foot.type = KxGetU32N(p);
  foot.offset = KxGetU32N(p + 4);
  foot.size = KxGetU32N(p + 8);
}

struct Block {
  long start;
  long end;
  std::size_t map;
  short id;
};

void PutFoot(std::uint8_t* p, const SKXResFoot& foot) {
  KxPutU32N(p, foot.type);
  KxPutU32N(p + 4, foot.offset);
  KxPutU32N(p + 8, foot.size);
}

}  // namespace

short KxResInvertIntS(short value) {
  return static_cast<short>(KxSwap16(static_cast<std::uint16_t>(value)));
}

long KxResInvertIntL(long value) {
  return static_cast<std::int32_t>(KxSwap32(static_cast<std::uint32_t>(value)));
}

// ---------------------------------------------------------------- life

CKXResource::CKXResource() : mMapList(sizeof(Handle)) {}

CKXResource::~CKXResource() { FreeMaps(); }

void CKXResource::FreeMaps() {
  for (long i = 1; i <= mMapList.GetCount(); ++i) {
    Handle map = nullptr;
    if (mMapList.FetchItemAt(i, &map) && map) KxMemHFree(map);
  }
  ClearResInfoMap();
}

// ---------------------------------------------------------------- stream hooks

long CKXResource::GetPosition() { return 0; }
Boolean CKXResource::SetPosition(long) { return false; }
long CKXResource::GetSize() { return 0; }
Boolean CKXResource::SetSize(long) { return false; }
Boolean CKXResource::ReadData(void*, long) { return false; }
Boolean CKXResource::WriteData(const void*, long) { return false; }

void CKXResource::InvertResource(ResType, short, void*, long) {}

void CKXResource::InvertResource(ResType type, short id, Handle data, long size) {
  if (!data) return;
  if (size == 0) size = KxMemHSize(data);
  CKXLock lock(data);
  InvertResource(type, id, lock.Ptr(), size);
}

Boolean CKXResource::AdjustResource(ResType, short, void*, long) { return true; }

Boolean CKXResource::AdjustResource(ResType type, short id, Handle data, long size) {
  if (!data) return false;
  if (size == 0) size = KxMemHSize(data);
  CKXLock lock(data);
  return AdjustResource(type, id, lock.Ptr(), size);
}

// ---------------------------------------------------------------- map list

void CKXResource::ClearResInfoMap() {
  if (mMapList.GetCount() > 0) mMapList.RemoveItemsAt(static_cast<unsigned long>(mMapList.GetCount()), 1);
  mCacheType = 0;
  mCacheIndex = 0;
}

void CKXResource::AddResInfoMap(Handle map) { mMapList.InsertItemsAt(1, CKXArray::kLastIndex, &map); }

void CKXResource::SetIndResInfoMap(short index, Handle map) { mMapList.SetItemAt(index, &map); }

Handle CKXResource::GetIndResInfoMap(short index) {
  Handle map = nullptr;
  if (index < 1 || !mMapList.FetchItemAt(index, &map)) return nullptr;
  return map;
}

Handle CKXResource::GetResInfoMap(ResType type) {
  if (mCacheIndex > 0 && type == mCacheType) return GetIndResInfoMap(mCacheIndex);
  const long count = mMapList.GetCount();
  for (long i = 1; i <= count; ++i) {
    Handle map = GetIndResInfoMap(static_cast<short>(i));
    if (map && KxGetU32N(*map) == type) {
      mCacheType = type;
      mCacheIndex = static_cast<short>(i);
      return map;
    }
  }
  return nullptr;
}

short CKXResource::GetResInfoIndex(Handle map, short id) {
  if (!map || id == 0) return 0;
  const char* m = *map;
  const long count = MapCount(m);
  const long k = LowerBound(m, count, id);
  if (k < count && EntryID(MapEntry(m, k)) == id) return static_cast<short>(k + 1);
  return 0;
}

short CKXResource::GetResInfoUniqueID(Handle map) {
  if (!map) return 1;
  // The positive IDs are sorted and distinct, so ID - position never falls:
  // the first gap is found by bisection (thousands of pictures written with
  // ID 0 stay fast).
  const char* m = *map;
  const long count = MapCount(m);
  const long first = LowerBound(m, count, 1);
  long lo = 0, hi = count - first;  // positions past `first`
  while (lo < hi) {
    long mid = lo + (hi - lo) / 2;
    if (EntryID(MapEntry(m, first + mid)) > mid + 1)
      hi = mid;
    else
      lo = mid + 1;
  }
  const long candidate = lo + 1;
  return candidate > SHRT_MAX ? 0 : static_cast<short>(candidate);  // 0: every ID taken
}

// ---------------------------------------------------------------- queries

void CKXResource::ReadResInfo(ResType type, short id, long& offset, long& size) {
  ReadIndResInfo(type, GetResIndex(type, id), offset, size);
}

void CKXResource::ReadIndResInfo(ResType type, short index, long& offset, long& size) {
  offset = 0;
  size = 0;
  Handle map = GetResInfoMap(type);
  if (!map || index < 1 || index > MapCount(*map)) return;
  const char* e = MapEntry(*map, index - 1);
  offset = EntryOffset(e) < 0 ? 0 : EntryOffset(e);
  size = EntrySize(e) < 0 ? 0 : EntrySize(e);
}

Boolean CKXResource::WriteIndResInfo(ResType type, short index, long offset, long size) {
  short id = GetIndResID(type, index);
  if (id == 0) return false;
  return WriteResInfo(type, id, offset, size);
}

short CKXResource::CountResTypes() { return static_cast<short>(mMapList.GetCount()); }

short CKXResource::CountResources(ResType type) {
  Handle map = GetResInfoMap(type);
  return map ? MapCount(*map) : 0;
}

ResType CKXResource::GetIndResType(short index) {
  Handle map = GetIndResInfoMap(index);
  return map ? KxGetU32N(*map) : 0;
}

short CKXResource::GetIndResID(ResType type, short index) {
  Handle map = GetResInfoMap(type);
  if (!map || index < 1 || index > MapCount(*map)) return 0;
  return EntryID(MapEntry(*map, index - 1));
}

short CKXResource::GetUniqueID(ResType type) { return GetResInfoUniqueID(GetResInfoMap(type)); }

short CKXResource::GetResIndex(ResType type, short id) { return GetResInfoIndex(GetResInfoMap(type), id); }

long CKXResource::GetResSize(ResType type, short id) {
  long offset, size;
  ReadResInfo(type, id, offset, size);
  return size;
}

Boolean CKXResource::IsResExist(ResType type, short id) { return GetResIndex(type, id) > 0; }

// ---------------------------------------------------------------- blocks

Handle CKXResource::ReadResHandle(long size) {
  // Never allocate more than the stream could hold.
  if (size < 1 || size > GetSize()) return nullptr;
  Handle data = KxMemHAlloc(size, false);
  if (!data) return nullptr;
  Boolean ok;
  {
    CKXLock lock(data);
    ok = ReadData(lock.Ptr(), size);
  }
  if (!ok) {
    KxMemHFree(data);
    return nullptr;
  }
  return data;
}

Boolean CKXResource::WriteResHandle(Handle data) {
  if (!data) return false;
  CKXLock lock(data);
  return WriteData(lock.Ptr(), KxMemHSize(data));
}

Handle CKXResource::ReadResource(ResType type, short id) {
  return ReadIndResource(type, GetResIndex(type, id));
}

Handle CKXResource::ReadIndResource(ResType type, short index) {
  long offset, size;
  ReadIndResInfo(type, index, offset, size);
  if (size == 0 || offset + size > GetSize()) return nullptr;
  const short id = GetIndResID(type, index);
  const long keep = GetPosition();
  if (!SetPosition(offset)) return nullptr;
  Handle data = ReadResHandle(size);
  SetPosition(keep);
  if (!data) return nullptr;
  if (mInverted) InvertResource(type, id, data, size);
  AdjustResource(type, id, data, size);
  return data;
}

Boolean CKXResource::ReadResource(void* buffer, long maxSize, ResType type, short id) {
  return ReadIndResource(buffer, maxSize, type, GetResIndex(type, id));
}

Boolean CKXResource::ReadIndResource(void* buffer, long maxSize, ResType type, short index) {
  if (!buffer || maxSize < 1) return false;
  long offset, size;
  ReadIndResInfo(type, index, offset, size);
  const long length = size < maxSize ? size : maxSize;
  std::memset(static_cast<char*>(buffer) + length, 0, static_cast<std::size_t>(maxSize - length));
  if (length < 1 || offset + length > GetSize()) return false;
  const short id = GetIndResID(type, index);
  const long keep = GetPosition();
  if (!SetPosition(offset)) return false;
  const Boolean ok = ReadData(buffer, length);
  SetPosition(keep);
  if (!ok) return false;
  if (mInverted) InvertResource(type, id, buffer, length);
  return AdjustResource(type, id, buffer, length);
}

Boolean CKXResource::WriteResource(Handle data, ResType type, short id) {
  if (!data) return false;
  CKXLock lock(data);
  return WriteResource(lock.Ptr(), KxMemHSize(data), type, id);
}

Boolean CKXResource::WriteIndResource(Handle data, ResType type, short index) {
  if (!data) return false;
  CKXLock lock(data);
  return WriteIndResource(lock.Ptr(), KxMemHSize(data), type, index);
}

Boolean CKXResource::WriteResource(void* buffer, long size, ResType type, short id) {
  if (!buffer || size < 0 || !ConvertToNativeOrder()) return false;
  if (id == 0) {
    id = GetUniqueID(type);
    if (id == 0) return false;
  } else if (short index = GetResIndex(type, id)) {
    return WriteIndResource(buffer, size, type, index);
  }
  AdjustResource(type, id, buffer, size);
  const long position = GetPosition();
  if (position < 0 || position > kKxMaxOffset - size) return false;
  if (size > 0 && !WriteData(buffer, size)) return false;  // an empty resource holds no bytes
  return WriteResInfo(type, id, position, size);
}

Boolean CKXResource::WriteIndResource(void* buffer, long size, ResType type, short index) {
  if (!buffer || size < 0 || !ConvertToNativeOrder()) return false;
  const short id = GetIndResID(type, index);
  if (id == 0) return WriteResource(buffer, size, type, 0);
  AdjustResource(type, id, buffer, size);
  const long position = GetPosition();
  long oldOffset, oldSize;
  ReadIndResInfo(type, index, oldOffset, oldSize);
  long at = position;
  if (size <= oldSize) {
    at = oldOffset;
    if (!SetPosition(at)) return false;
  } else if (position < 0 || position > kKxMaxOffset - size) {
    return false;
  }
  if (size > 0 && !WriteData(buffer, size)) {
    if (at != position) SetPosition(position);
    return false;
  }
  if (at != position) SetPosition(position);
  return WriteResInfo(type, id, at, size);
}

Boolean CKXResource::WriteResInfo(ResType type, short id, long offset, long size) {
  if (offset < 0 || offset > kKxMaxOffset || size < 0 || size > kKxMaxOffset) return false;
  mModified = true;
  mOpen = true;
  Handle map = GetResInfoMap(type);
  if (map) {
    if (id == 0) id = GetResInfoUniqueID(map);
    if (id == 0) return false;
    const long count = MapCount(*map);
    const long k = LowerBound(*map, count, id);
    if (k < count && EntryID(MapEntry(*map, k)) == id) {
      SetEntry(MapEntry(*map, k), id, offset, size);
      return true;
    }
    if (count >= kMaxEntries) return false;
    const short mapIndex = mCacheIndex;  // set by GetResInfoMap
    Handle grown = map;
    if (!KxMemHReAlloc(grown, kKxResMapHeader + kKxResMapEntry * (count + 1), false)) return false;
    if (grown != map) SetIndResInfoMap(mapIndex, grown);
    char* m = *grown;
    // Open a gap at k so the map stays sorted.
    KxMemMove(MapEntry(m, k), MapEntry(m, k + 1), kKxResMapEntry * (count - k));
    SetEntry(MapEntry(m, k), id, offset, size);
    SetMapCount(m, static_cast<short>(count + 1));
    return true;
  }
  // The footer counts maps in 16 bits.
  if (mMapList.GetCount() >= kMaxEntries) return false;
  if (id == 0) id = 1;
  Handle fresh = KxMemHAlloc(kKxResMapHeader + kKxResMapEntry, false);
  if (!fresh) return false;
  KxPutU32N(*fresh, type);
  SetMapCount(*fresh, 1);
  SetEntry(MapEntry(*fresh, 0), id, offset, size);
  try {
    AddResInfoMap(fresh);
  } catch (...) {
    KxMemHFree(fresh);
    throw;
  }
  mCacheType = 0;
  mCacheIndex = 0;
  return true;
}

// ---------------------------------------------------------------- byte order

void CKXResource::InvertResFoot(SKXResFoot& entry) {
  entry.type = KxSwap32(entry.type);
  entry.offset = KxSwap32(entry.offset);
  entry.size = KxSwap32(entry.size);
}

void CKXResource::InvertResInfoMap(Handle map) {
  if (!map) return;
  const long bytes = KxMemHSize(map);
  if (bytes < kKxResMapHeader) return;
  char* m = *map;
  KxPutU32N(m, KxSwap32(KxGetU32N(m)));
  KxPutU16N(m + 4, KxSwap16(KxGetU16N(m + 4)));
  // The count is untrusted: convert no entry beyond the block.
  long count = MapCount(m);
  const long room = (bytes - kKxResMapHeader) / kKxResMapEntry;
  if (count > room) count = room;
  for (long k = 0; k < count; ++k) {
    char* e = MapEntry(m, k);
    KxPutU16N(e, KxSwap16(KxGetU16N(e)));
    KxPutU32N(e + 2, KxSwap32(KxGetU32N(e + 2)));
    KxPutU32N(e + 6, KxSwap32(KxGetU32N(e + 6)));
  }
}

Boolean CKXResource::ConvertToNativeOrder() {
  if (!mInverted) return true;
  const long keep = GetPosition();
  const short types = CountResTypes();
  for (short t = 1; t <= types; ++t) {
    const ResType type = GetIndResType(t);
    const short count = CountResources(type);
    for (short k = 1; k <= count; ++k) {
      long offset, size;
      ReadIndResInfo(type, k, offset, size);
      if (size < 1) continue;
      if (!SetPosition(offset)) return false;
      Handle data = ReadResHandle(size);
      if (!data) return false;
      InvertResource(type, GetIndResID(type, k), data, size);
      const Boolean ok = SetPosition(offset) && WriteResHandle(data);
      KxMemHFree(data);
      if (!ok) return false;
    }
  }
  SetPosition(keep);
  mInverted = false;
  // The maps are native in memory already; they must be written back.
  mModified = true;
  return true;
}

// ---------------------------------------------------------------- open and close

void CKXResource::OpenResInfo() {
  const long streamSize = GetSize();
  if (streamSize < kKxResFootSize) return;
  const long keep = GetPosition();
  std::uint8_t foot[kKxResFootSize];
  if (!SetPosition(streamSize - kKxResFootSize)) return;
  if (!ReadData(foot, kKxResFootSize)) {
    SetPosition(keep);
    return;
  }
  const std::uint32_t magic = KxGetU32N(foot + 16);
  const std::uint16_t version = KxGetU16N(foot + 14);
  short count = static_cast<short>(KxGetU16N(foot + 12));
  bool inverted = false;
  if (magic == kKxResMagic && (version == kKxResVersion || version == kKxResVersion2)) {
    inverted = false;
  } else if (magic == KxSwap32(kKxResMagic) &&
             (version == KxSwap16(kKxResVersion) || version == KxSwap16(kKxResVersion2))) {
    inverted = true;
    count = KxResInvertIntS(count);
  } else {
    SetPosition(keep);
    return;
  }
  // The directory must lie inside the stream.
  const long dirStart = streamSize - 8 - kKxResDirEntrySize * long(count);
  if (count < 1 || dirStart < 0) {
    SetPosition(keep);
    return;
  }
  std::vector<std::uint8_t> dir(static_cast<std::size_t>(kKxResDirEntrySize * count));
  if (!SetPosition(dirStart) || !ReadData(dir.data(), static_cast<long>(dir.size()))) {
    SetPosition(keep);
    return;
  }
  mInverted = inverted;
  long dataEnd = dirStart;
  long mapBytes = 0;
  std::vector<Handle> maps;
  try {
    for (short i = 0; i < count; ++i) {
      SKXResFoot entry;
      GetFoot(dir.data() + kKxResDirEntrySize * i, entry);
      if (inverted) InvertResFoot(entry);
      if (entry.type == 0) continue;
      const long offset = static_cast<std::int32_t>(entry.offset);
      const long size = static_cast<std::int32_t>(entry.size);
      // Every map within the stream before the directory, and all maps
      // together no larger than the stream.
      if (offset < 0 || size < kKxResMapHeader || offset > dirStart - size) continue;
      mapBytes += size;
      if (mapBytes > streamSize) break;
      if (offset < dataEnd) dataEnd = offset;
      if (!SetPosition(offset)) continue;
      Handle map = ReadResHandle(size);
      if (!map) continue;
      if (inverted) InvertResInfoMap(map);
      const char* m = *map;
      const long n = MapCount(m);
      bool good = KxGetU32N(m) == entry.type && n >= 0 && kKxResMapHeader + kKxResMapEntry * n <= size;
      for (const Handle other : maps)
        if (good && KxGetU32N(*other) == entry.type) good = false;  // a second map of a type is unreachable
      for (long k = 1; good && k < n; ++k)
        good = EntryID(MapEntry(m, k - 1)) < EntryID(MapEntry(m, k));
      if (!good) {
        KxMemHFree(map);
        continue;
      }
      if (kKxResMapHeader + kKxResMapEntry * n < size) KxMemHReAlloc(map, kKxResMapHeader + kKxResMapEntry * n, false);
      maps.push_back(map);
    }
    // Data blocks must lie in the data area, which later writes are free to
    // overwrite beyond its end, and must not overlap: an in-place rewrite or
    // a byte-order conversion of one would change another. An entry that
    // breaks this is dropped; the rest of its map stays.
    std::vector<std::vector<short>> dropped(maps.size());
    std::vector<Block> blocks;
    for (std::size_t i = 0; i < maps.size(); ++i) {
      const char* m = *maps[i];
      for (long k = 0; k < MapCount(m); ++k) {
        const char* e = MapEntry(m, k);
        if (EntryOffset(e) < 0 || EntrySize(e) < 0 || EntryOffset(e) > dataEnd - EntrySize(e))
          dropped[i].push_back(EntryID(e));
        else if (EntrySize(e) > 0)
          blocks.push_back({EntryOffset(e), EntryOffset(e) + EntrySize(e), i, EntryID(e)});
      }
    }
    std::sort(blocks.begin(), blocks.end(), [](const Block& a, const Block& b) { return a.start < b.start; });
    long reached = 0;
    for (const Block& b : blocks) {
      if (b.start < reached) {
        dropped[b.map].push_back(b.id);
        continue;
      }
      reached = b.end;
    }
    for (std::size_t i = 0; i < maps.size(); ++i) {
      char* m = *maps[i];
      long kept = 0;
      for (long k = 0; k < MapCount(m); ++k) {
        const char* e = MapEntry(m, k);
        if (std::find(dropped[i].begin(), dropped[i].end(), EntryID(e)) != dropped[i].end()) continue;
        if (kept != k) std::memmove(MapEntry(m, kept), e, kKxResMapEntry);
        ++kept;
      }
      SetMapCount(m, static_cast<short>(kept));
      if (kept > 0)
        AddResInfoMap(maps[i]);
      else
        KxMemHFree(maps[i]);
      maps[i] = nullptr;
    }
  } catch (...) {
    for (Handle map : maps)
      if (map) KxMemHFree(map);
    mInverted = false;
    throw;
  }
  if (mMapList.GetCount() > 0) {
    SetPosition(dataEnd);
    mOpen = true;
  } else {
    mInverted = false;
    SetPosition(keep);
  }
}

Boolean CKXResource::CloseResInfo() {
  Boolean ok = true;
  try {
    const long count = mMapList.GetCount();
    if (mModified && count > 0) {
      mModified = false;
      std::vector<std::uint8_t> dir(static_cast<std::size_t>(kKxResDirEntrySize * count));
      for (long i = 1; i <= count; ++i) {
        Handle map = GetIndResInfoMap(static_cast<short>(i));
        const long position = GetPosition();
        const long bytes = kKxResMapHeader + kKxResMapEntry * MapCount(*map);
        SKXResFoot entry;
        entry.offset = static_cast<std::uint32_t>(position);
        bool written = false;
        if (position >= 0 && position <= kKxMaxOffset - bytes) {
          CKXLock lock(map);
          written = WriteData(lock.Ptr(), bytes);
        }
        if (written) {
          entry.type = KxGetU32N(*map);
          entry.size = static_cast<std::uint32_t>(bytes);
        } else {
          ok = false;
        }
        PutFoot(dir.data() + kKxResDirEntrySize * (i - 1), entry);
      }
      std::uint8_t tail[8];
      KxPutU16N(tail, static_cast<std::uint16_t>(count));
      KxPutU16N(tail + 2, kKxResVersion);
      KxPutU32N(tail + 4, kKxResMagic);
      if (!WriteData(dir.data(), static_cast<long>(dir.size())) || !WriteData(tail, sizeof tail)) ok = false;
      const long end = GetPosition();
      if (ok && GetSize() > end) ok = SetSize(end);
    }
  } catch (...) {
    FreeMaps();
    mOpen = false;
    mInverted = false;
    throw;
  }
  FreeMaps();
  mOpen = false;
  mInverted = false;
  return ok;
}

// ---------------------------------------------------------------- over a file

CKXResFile::CKXResFile(int fd) { SetFile(fd, true); }

CKXResFile::~CKXResFile() {
  try {
    CloseResInfo();
  } catch (...) {
    // Nothing can be reported (or thrown) from here; see the header.
  }
}

void CKXResFile::SetFile(int fd, bool open) {
  CloseResInfo();
  mFd = fd;
  if (open && fd >= 0) OpenResInfo();
}

namespace {
// A failed file-layer call, as the hooks report it.
void ThrowIf(int err) {
  if (err) throw LException(err);
}
}  // namespace

long CKXResFile::GetPosition() {
  long at = 0;
  if (mFd >= 0) ThrowIf(KxFdGetPosition(mFd, at));
  return at;
}

Boolean CKXResFile::SetPosition(long offset) {
  if (mFd < 0 || offset < 0) return false;
  ThrowIf(KxFdSetPosition(mFd, offset));
  return true;
}

long CKXResFile::GetSize() {
  long size = 0;
  if (mFd >= 0) ThrowIf(KxFdGetSize(mFd, size));
  return size;
}

Boolean CKXResFile::SetSize(long size) {
  if (mFd < 0 || size < 0) return false;
  ThrowIf(KxFdSetSize(mFd, size));
  return true;
}

Boolean CKXResFile::ReadData(void* buffer, long length) {
  if (mFd < 0 || length < 1) return false;
  std::size_t got = 0;
  ThrowIf(KxFdRead(mFd, buffer, static_cast<std::size_t>(length), got));
  return got == static_cast<std::size_t>(length);  // false: the file ends early
}

Boolean CKXResFile::WriteData(const void* buffer, long length) {
  if (mFd < 0 || length < 1) return false;
  ThrowIf(KxFdWrite(mFd, buffer, static_cast<std::size_t>(length)));
  return true;
}

// ---------------------------------------------------------------- over memory

CKXMemResource::~CKXMemResource() = default;

void CKXMemResource::SetBytes(std::vector<std::uint8_t> bytes) {
  CloseResInfo();
  mBytes = std::move(bytes);
  mPosition = 0;
}

Boolean CKXMemResource::SetPosition(long offset) {
  if (offset < 0) return false;
  mPosition = offset;
  return true;
}

Boolean CKXMemResource::SetSize(long size) {
  if (size < 0) return false;
  mBytes.resize(static_cast<std::size_t>(size), 0);
  return true;
}

Boolean CKXMemResource::ReadData(void* buffer, long length) {
  if (length < 1 || mPosition > GetSize() - length) return false;
  std::memcpy(buffer, mBytes.data() + mPosition, static_cast<std::size_t>(length));
  mPosition += length;
  return true;
}

Boolean CKXMemResource::WriteData(const void* buffer, long length) {
  if (length < 1) return false;
  if (mPosition + length > GetSize()) mBytes.resize(static_cast<std::size_t>(mPosition + length), 0);
  std::memcpy(mBytes.data() + mPosition, buffer, static_cast<std::size_t>(length));
  mPosition += length;
  return true;
}
