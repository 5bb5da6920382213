#include "macros/macro_file.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "macros/macro_editor_maps.h"
#include "platform/files.h"
#include "platform/textconv.h"
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

  std::string leaf = path;
  std::size_t slash = leaf.find_last_of('/');
  if (slash != std::string::npos) leaf.erase(0, slash + 1);
  // File names are UTF-8; macro names are Shift_JIS of at most 31 bytes,
  // cut on a whole character.
  const std::string name = KxUTF8ToScriptText(leaf);
  const std::size_t length = kxme::CutToCharBoundary(name.data(), name.size(), kMacroNameMax);
  macro.name[0] = std::uint8_t(length);
  for (std::size_t i = 0; i < length; ++i) macro.name[i + 1] = std::uint8_t(name[i] == ':' ? '/' : name[i]);
  macro.size = std::int32_t(size);
  macro.code = code;
  return noErr;
}

OSErr KxWriteMacroFile(const std::string& folder, const SKXTMacro& macro, std::string* writtenPath) {
  long nameLength = macro.name[0] > kMacroNameMax ? kMacroNameMax : macro.name[0];
  std::string sjis;
  for (long i = 1; i <= nameLength; ++i) {
    char c = char(macro.name[i]);
    if (c == 0) return paramErr;
    sjis += c == '/' ? ':' : c;
  }
  // The name's characters, not its Shift_JIS bytes, make the file name.
  const std::string name = KxScriptTextToUTF8(sjis);
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return paramErr;

  std::string target = folder.empty() ? name : folder + "/" + name;
  const OSErr err = KxWriteMacroFileTo(target, macro.code, macro.size);
  if (err == noErr && writtenPath) *writtenPath = target;
  return err;
}

OSErr KxWriteMacroFileTo(const std::string& path, char** code, long codeSize) {
  long size = code ? codeSize : 0;
  if (size < 0 || size > KxMemHSize(code)) return paramErr;
  CKXSafeWriter writer(path);
  int err = writer.Open();
  if (!err && size > 0) {
    CKXLock lock(code);
    err = writer.Write(lock.Ptr(), std::size_t(size));
  }
  if (!err) err = writer.Commit();
  if (err) return ErrnoToErr(err);
  // The file's kind travels in its sidecar; a file that was written stays
  // written when the sidecar cannot be.
  KxSetFileTypeCreator(path, FourCC("MACR"), FourCC("KXTE"));
  return noErr;
}
