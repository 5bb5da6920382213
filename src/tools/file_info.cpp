#include "tools/file_info.h"

#include <cerrno>

#include "platform/appledouble.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace {
constexpr std::size_t kFlagsAt = 8;

OSType FourBytes(const std::string& s) {
  return OSType(std::uint8_t(s[0])) << 24 | OSType(std::uint8_t(s[1])) << 16 | OSType(std::uint8_t(s[2])) << 8 |
         OSType(std::uint8_t(s[3]));
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}
}  // namespace

SKXFinderInfo KxReadFinderInfo(const std::string& path) {
  SKXFinderInfo info;
  KxAppleDouble sidecar;
  if (KxReadSidecar(path, sidecar) == 0) {
    if (const KxAppleDouble::Entry* e = sidecar.Find(KxAppleDouble::kFinderInfoID)) {
      sidecar.GetTypeCreator(info.type, info.creator);
      if (e->data.size() >= kFlagsAt + 2) info.flags = std::uint16_t(e->data[kFlagsAt] << 8 | e->data[kFlagsAt + 1]);
      return info;
    }
  }
  info.type = KxTypeFromNameEnding(path, &info.creator);
  return info;
}

int KxWriteFinderInfo(const std::string& path, const SKXFinderInfo& info) {
  KxAppleDouble sidecar;
  const int err = KxReadSidecar(path, sidecar);
  if (err != 0 && err != ENOENT) return err;
  sidecar.SetTypeCreator(info.type, info.creator);
  std::vector<std::uint8_t> data = sidecar.Find(KxAppleDouble::kFinderInfoID)->data;
  if (data.size() < KxAppleDouble::kFinderInfoSize) data.resize(KxAppleDouble::kFinderInfoSize, 0);
  data[kFlagsAt] = std::uint8_t(info.flags >> 8);
  data[kFlagsAt + 1] = std::uint8_t(info.flags);
  sidecar.Set(KxAppleDouble::kFinderInfoID, std::move(data));
  return KxWriteSidecar(path, sidecar);
}

std::int64_t KxResourceForkSize(const std::string& path) {
  KxAppleDouble sidecar;
  if (KxReadSidecar(path, sidecar) != 0) return 0;
  const KxAppleDouble::Entry* fork = sidecar.Find(KxAppleDouble::kResourceForkID);
  return fork ? std::int64_t(fork->data.size()) : 0;
}

bool KxValidFileName(const std::string& name) {
  return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
         name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

SKXInfoResult KxApplyFileInfo(const std::string& path, const SKXFinderInfo& before, bool lockedBefore,
                              const SKXInfoEdit& edit) {
  SKXInfoResult result;
  result.path = path;
  SKXFinderInfo info = before;
  if (edit.type.size() == 4) info.type = FourBytes(edit.type);
  if (edit.creator.size() == 4) info.creator = FourBytes(edit.creator);
  std::uint16_t boxes = 0;
  for (std::uint16_t f : kKxFinderBoxFlags) boxes |= std::uint16_t(edit.boxes & f);
  info.flags = std::uint16_t((before.flags & kKxFinderKeptFlags) | boxes);
  if (info.type != before.type || info.creator != before.creator || info.flags != before.flags) {
    if (KxWriteFinderInfo(path, info) != 0) {
      result.failed = true;
      return result;
    }
    result.changed = true;
  }
  const bool finderChanged = result.changed;
  bool unlocked = false;
  if (lockedBefore && !edit.locked) {
    if (KxSetFileLocked(path, false) != 0) {
      result.failed = true;
      return result;
    }
    unlocked = result.changed = true;
  }
  const std::size_t slash = path.rfind('/');
  const std::string oldName = slash == std::string::npos ? path : path.substr(slash + 1);
  if (!edit.name.empty() && edit.name != oldName) {
    const std::string folder = FolderOf(path);
    const std::string target = (folder == "/" ? "" : folder) + "/" + edit.name;
    if (!KxValidFileName(edit.name) || KxRenameNoReplace(path, target) != 0) {
      // Nothing renamed: the file is as locked as it was.
      if (unlocked) KxSetFileLocked(path, true);
      result.changed = finderChanged;
      result.failed = true;
      return result;
    }
    result.path = target;
    result.changed = true;
  }
  if (!lockedBefore && edit.locked) {
    if (KxSetFileLocked(result.path, true) != 0) result.failed = true;
    else result.changed = true;
  }
  return result;
}
