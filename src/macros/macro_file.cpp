#include "macros/macro_file.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "text/base/memory.h"

namespace {

OSErr ErrnoToErr(int error) { return error == ENOENT ? fnfErr : ioErr; }

}  // namespace

OSErr KxReadMacroFile(const std::string& path, SKXTMacro& macro) {
  std::memset(&macro, 0, sizeof macro);
  std::vector<std::uint8_t> bytes;
  if (int err = KxReadFile(path, bytes, kKxMaxOffset)) return ErrnoToErr(err);
  const long size = long(bytes.size());
  char** code = size > 0 ? KxMemHAlloc(size, false) : nullptr;
  if (size > 0 && !code) return memFullErr;
  if (size > 0) std::memcpy(*code, bytes.data(), bytes.size());
  if (size > 0 && UKXTextMacro::CheckMacroCode(*code, size) != noErr) {
    KxMemHFree(code);
    return kMacroBadCodeErr;
  }

  std::string name = path;
  std::size_t slash = name.find_last_of('/');
  if (slash != std::string::npos) name.erase(0, slash + 1);
  if (name.size() > 31) name.resize(31);
  macro.name[0] = std::uint8_t(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) macro.name[i + 1] = std::uint8_t(name[i] == ':' ? '/' : name[i]);
  macro.size = std::int32_t(size);
  macro.code = code;
  return noErr;
}

OSErr KxWriteMacroFile(const std::string& folder, const SKXTMacro& macro, std::string* writtenPath) {
  long nameLength = macro.name[0] > 31 ? 31 : macro.name[0];
  std::string name;
  for (long i = 1; i <= nameLength; ++i) {
    char c = char(macro.name[i]);
    if (c == 0) return paramErr;
    name += c == '/' ? ':' : c;
  }
  if (name.empty() || name == "." || name == "..") return paramErr;
  long size = macro.code ? macro.size : 0;
  if (size < 0 || size > KxMemHSize(macro.code)) return paramErr;

  std::string target = folder.empty() ? name : folder + "/" + name;
  CKXSafeWriter writer(target);
  int err = writer.Open();
  if (!err && size > 0) {
    CKXLock lock(macro.code);
    err = writer.Write(lock.Ptr(), std::size_t(size));
  }
  if (!err) err = writer.Commit();
  if (err) return ErrnoToErr(err);
  if (writtenPath) *writtenPath = target;
  return noErr;
}
