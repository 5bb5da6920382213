#include "macros/macro_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "text/base/memory.h"

namespace {

constexpr OSErr kIoErr = -36;      // read or write failed
constexpr OSErr kFnfErr = -43;     // no such file

OSErr ErrnoToErr(int error) { return error == ENOENT ? kFnfErr : kIoErr; }

bool WriteAll(int fd, const char* data, long size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, std::size_t(size));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= long(n);
  }
  return true;
}

}  // namespace

OSErr KxReadMacroFile(const std::string& path, SKXTMacro& macro) {
  std::memset(&macro, 0, sizeof macro);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ErrnoToErr(errno);
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > 0x7FFFFFFF) {
    ::close(fd);
    return kIoErr;
  }
  long size = long(info.st_size);
  char** code = size > 0 ? KxMemHAlloc(size, false) : nullptr;
  if (size > 0 && !code) {
    ::close(fd);
    return memFullErr;
  }
  long done = 0;
  while (done < size) {
    ssize_t n = ::read(fd, *code + done, std::size_t(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += long(n);
  }
  ::close(fd);
  if (done != size) {
    KxMemHFree(code);
    return kIoErr;
  }
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
  std::string temp = (folder.empty() ? std::string() : folder + "/") + ".kxmacro-XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return ErrnoToErr(errno);
  bool ok;
  {
    CKXLock lock(macro.code);
    ok = WriteAll(fd, lock.Ptr(), size);
  }
  ok = ok && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
    int error = errno;
    ::unlink(temp.c_str());
    return ErrnoToErr(error);
  }
  if (writtenPath) *writtenPath = target;
  return noErr;
}
