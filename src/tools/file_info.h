// A file's Finder information on this system and the changes the file
// browser's information dialog makes: type, creator and flags live in the
// sidecar (written only when they change), the lock is write permission,
// a new name never replaces another file.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

struct SKXFinderInfo {
  OSType type = 0;
  OSType creator = 0;
  std::uint16_t flags = 0;
};

// The Finder flags the dialog's boxes show, in box order (3162-3168).
constexpr std::uint16_t kKxFinderBoxFlags[7] = {0x0100, 0x0400, 0x0800, 0x1000, 0x2000, 0x4000, 0x8000};
// The flags the boxes leave as they were.
constexpr std::uint16_t kKxFinderKeptFlags = 0x02FF;

// From the sidecar; without one the type and creator the name implies.
SKXFinderInfo KxReadFinderInfo(const std::string& path);
// Into the sidecar (made when missing), keeping everything else in it.
int KxWriteFinderInfo(const std::string& path, const SKXFinderInfo& info);
// The bytes of the sidecar's resource fork (0 without one).
std::int64_t KxResourceForkSize(const std::string& path);
// A name that is one path component: not empty, ".", "..", nor holding
// "/" or NUL, at most 255 bytes.
bool KxValidFileName(const std::string& name);

// What the user left in the dialog.
struct SKXInfoEdit {
  std::string type;      // the field's bytes; only exactly 4 replace the type
  std::string creator;
  std::uint16_t boxes = 0;   // the flags of the boxes that are on
  bool locked = false;
  std::string name;      // the new name (UTF-8); empty or equal: no rename
};
struct SKXInfoResult {
  bool changed = false;  // something on disk changed
  bool failed = false;   // a step failed (the caller beeps)
  std::string path;      // the file's path afterwards
};
// Applies the edit to the file at `path` whose information was `before`
// and lock `lockedBefore`: Finder information, unlock, rename, lock, in
// that order. A rename that fails after an unlock locks the file again.
SKXInfoResult KxApplyFileInfo(const std::string& path, const SKXFinderInfo& before, bool lockedBefore,
                              const SKXInfoEdit& edit);
