// The program's own resource container: typed, numbered resources kept in
// one plain byte stream (a document's data fork, the scrap book, the colour
// schedule file), so that no resource fork is needed.
//
// Layout, in the writer's byte order: the data blocks; one map per type
// (type, signed count n, then n entries of ID, offset and size: 6 + 10n
// bytes, sorted by signed ID); a directory of 12-byte entries (type, map
// offset, map size) for every map but the last; and a 20-byte footer: the
// last map's directory entry, the map count, the version 0x0150 and the
// code "KXTF" as a 32-bit integer. A reader finds everything from the
// footer; a footer in the other byte order is recognised and the container
// is converted as it is read.
//
// The stream is reached through the virtual hooks (position, size, read,
// write), which do nothing here: CKXResFile binds them to a file,
// CKXMemResource to memory.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/types.h"
#include "text/base/array.h"

constexpr OSType kKxResMagic = FourCC("KXTF");
constexpr std::uint16_t kKxResVersion = 0x0150;
constexpr std::uint16_t kKxResVersion2 = 0x0250;
constexpr long kKxResFootSize = 20;
constexpr long kKxResDirEntrySize = 12;
constexpr long kKxResMapHeader = 6;
constexpr long kKxResMapEntry = 10;

// A directory entry (the first 12 bytes of the footer are the last one).
struct SKXResFoot {
  std::uint32_t type = 0;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
};

short KxResInvertIntS(short value);
long KxResInvertIntL(long value);

class CKXResource {
 public:
  CKXResource();
  virtual ~CKXResource();
  CKXResource(const CKXResource&) = delete;
  CKXResource& operator=(const CKXResource&) = delete;

  // Reading and writing resources. Indexes are 1-based; 0 means none.
  virtual Handle ReadResource(ResType type, short id);
  virtual Boolean ReadResource(void* buffer, long maxSize, ResType type, short id);
  virtual Boolean WriteResource(Handle data, ResType type, short id);
  virtual Boolean WriteResource(void* buffer, long size, ResType type, short id);
  virtual Handle ReadIndResource(ResType type, short index);
  virtual Boolean ReadIndResource(void* buffer, long maxSize, ResType type, short index);
  virtual Boolean WriteIndResource(Handle data, ResType type, short index);
  virtual Boolean WriteIndResource(void* buffer, long size, ResType type, short index);

  // The maps.
  virtual void ReadResInfo(ResType type, short id, long& offset, long& size);
  virtual Boolean WriteResInfo(ResType type, short id, long offset, long size);
  virtual void ReadIndResInfo(ResType type, short index, long& offset, long& size);
  virtual Boolean WriteIndResInfo(ResType type, short index, long offset, long size);
  virtual short CountResTypes();
  virtual short CountResources(ResType type);
  virtual ResType GetIndResType(short index);
  virtual short GetIndResID(ResType type, short index);
  virtual short GetUniqueID(ResType type);
  virtual short GetResIndex(ResType type, short id);
  virtual long GetResSize(ResType type, short id);
  virtual Boolean IsResExist(ResType type, short id);

  // Stream hooks: empty here.
  virtual long GetPosition();
  virtual Boolean SetPosition(long offset);
  virtual long GetSize();
  virtual Boolean SetSize(long size);
  virtual Boolean ReadData(void* buffer, long length);
  virtual Boolean WriteData(const void* buffer, long length);

  // Byte-order and adjustment hooks: empty here. The handle forms lock the
  // handle (size 0: the handle's size) and call the buffer forms.
  virtual void InvertResource(ResType type, short id, void* buffer, long size);
  virtual void InvertResource(ResType type, short id, Handle data, long size);
  virtual Boolean AdjustResource(ResType type, short id, void* buffer, long size);
  virtual Boolean AdjustResource(ResType type, short id, Handle data, long size);

  // Opening reads the maps from the footer; closing writes them back when
  // something changed (true when all was written).
  virtual void OpenResInfo();
  virtual Boolean CloseResInfo();

  virtual void ClearResInfoMap();
  virtual void AddResInfoMap(Handle map);
  virtual void SetIndResInfoMap(short index, Handle map);
  virtual Handle GetIndResInfoMap(short index);
  virtual Handle GetResInfoMap(ResType type);
  virtual short GetResInfoIndex(Handle map, short id);
  virtual short GetResInfoUniqueID(Handle map);
  virtual Handle ReadResHandle(long size);
  virtual Boolean WriteResHandle(Handle data);
  virtual void InvertResFoot(SKXResFoot& entry);
  virtual void InvertResInfoMap(Handle map);

  Boolean IsOpen() const { return mOpen; }
  void SetOpen(Boolean open) { mOpen = open; }
  Boolean IsModified() const { return mModified; }
  Boolean IsInverted() const { return mInverted; }

 protected:
  // Before the first write into a container of the other byte order, every
  // block is turned into ours in place, so that the container never holds
  // both orders under one footer.
  Boolean ConvertToNativeOrder();
  void FreeMaps();

  CKXArray mMapList;
  ResType mCacheType = 0;
  short mCacheIndex = 0;
  Boolean mModified = false;
  Boolean mOpen = false;
  Boolean mInverted = false;
};

// The container over a file's data fork, given as an open file descriptor
// that stays the caller's. The hooks throw LException with the errno value
// on a failed system call; reads and writes of length below 1 answer false.
class CKXResFile : public CKXResource {
 public:
  CKXResFile() = default;
  explicit CKXResFile(int fd);
  // Closes the container; an error while writing the maps is lost here, so
  // writers call CloseResInfo themselves.
  ~CKXResFile() override;

  void SetFile(int fd, bool open);
  int GetFile() const { return mFd; }

  long GetPosition() override;
  Boolean SetPosition(long offset) override;
  long GetSize() override;
  Boolean SetSize(long size) override;
  Boolean ReadData(void* buffer, long length) override;
  Boolean WriteData(const void* buffer, long length) override;

 private:
  int mFd = -1;
};

// The container over a block of memory.
class CKXMemResource : public CKXResource {
 public:
  CKXMemResource() = default;
  explicit CKXMemResource(std::vector<std::uint8_t> bytes) : mBytes(std::move(bytes)) {}
  ~CKXMemResource() override;

  const std::vector<std::uint8_t>& Bytes() const { return mBytes; }
  void SetBytes(std::vector<std::uint8_t> bytes);

  long GetPosition() override { return mPosition; }
  Boolean SetPosition(long offset) override;
  long GetSize() override { return static_cast<long>(mBytes.size()); }
  Boolean SetSize(long size) override;
  Boolean ReadData(void* buffer, long length) override;
  Boolean WriteData(const void* buffer, long length) override;

 private:
  std::vector<std::uint8_t> mBytes;
  long mPosition = 0;
};
