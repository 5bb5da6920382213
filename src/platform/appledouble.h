// AppleDouble sidecars: the file "._name" beside "name" that holds what a
// Mac keeps outside the data fork (version 2: magic 0x00051607, a 16-byte
// filler, a count, a table of entries of ID, offset and length).
//
// The sidecar is read by its entry table, so the ones Macs write (Finder
// information at offset 50, 3760 bytes long with an extended-attribute block
// inside, then the resource fork) are read as well as our own. Entries we do
// not know are kept and written back; an entry keeps its old offset when it
// still can, so that the absolute offsets inside a Mac's attribute block
// stay right. The resource fork always goes last, where it may grow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/resfork.h"
#include "platform/types.h"

class KxAppleDouble {
 public:
  static constexpr std::uint32_t kMagic = 0x00051607;
  static constexpr std::uint32_t kVersion2 = 0x00020000;
  static constexpr std::uint32_t kVersion1 = 0x00010000;
  static constexpr std::uint32_t kResourceForkID = 2;
  static constexpr std::uint32_t kFinderInfoID = 9;
  static constexpr std::size_t kHeaderSize = 26;
  static constexpr std::size_t kFinderInfoSize = 32;

  struct Entry {
    std::uint32_t id = 0;
    std::vector<std::uint8_t> data;
    std::int64_t oldOffset = -1;  // where it was read from; -1 for a new entry
  };

  // True when the bytes begin like an AppleDouble file.
  static bool Looks(const std::uint8_t* bytes, std::size_t size);
  // 0 or EBADMSG (bad magic, version, table or entry outside the file).
  // On failure the object is empty.
  int Parse(const std::uint8_t* bytes, std::size_t size);
  std::vector<std::uint8_t> Build() const;

  const Entry* Find(std::uint32_t id) const;
  void Set(std::uint32_t id, std::vector<std::uint8_t> data);
  bool Remove(std::uint32_t id);
  const std::vector<Entry>& Entries() const { return mEntries; }

  // Type and creator: the first 8 bytes of the Finder information.
  bool GetTypeCreator(OSType& type, OSType& creator) const;
  // Changes only those 8 bytes (a new Finder information entry is 32 bytes).
  void SetTypeCreator(OSType type, OSType creator);

  // The resource fork entry, parsed. A missing entry gives an empty fork
  // and 0; a damaged one EBADMSG.
  int GetResourceFork(KxResFork& fork) const;
  // 0 or the error of KxResFork::Build; an empty fork empties the entry.
  int SetResourceFork(const KxResFork& fork);

 private:
  std::uint8_t mFiller[16] = {};
  std::uint32_t mVersion = kVersion2;
  std::vector<Entry> mEntries;
};

// "dir/._name" for "dir/name".
std::string KxSidecarPath(const std::string& path);
