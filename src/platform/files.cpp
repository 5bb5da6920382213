#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/memory.h"

namespace {

// The error each step is to fail with once (0: none).
int gFailErr[kx_filetest::kStepCount] = {};

// errno, or the injected error when the test asked this step to fail.
bool Injected(kx_filetest::KxSafeStep step, int& err) {
  if (gFailErr[step] == 0) return false;
  err = gFailErr[step];
  gFailErr[step] = 0;
  return true;
}

std::string DirName(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Sibling(const std::string& path, const std::string& name) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? name : path.substr(0, slash + 1) + name;
}

// Follows symbolic links (a dangling one too: the save creates its target).
int ResolveLinks(const std::string& path, std::string& out) {
  std::string p = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(p.c_str(), &st) != 0) {
      if (errno != ENOENT) return errno;
      out = p;
      return 0;
    }
    if (!S_ISLNK(st.st_mode)) {
      out = p;
      return 0;
    }
    std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    ssize_t n = readlink(p.c_str(), buf.data(), buf.size());
    if (n < 0) return errno;
    if (static_cast<std::size_t>(n) >= buf.size()) return ENAMETOOLONG;
    std::string link(buf.data(), static_cast<std::size_t>(n));
    p = link[0] == '/' ? link : DirName(p) + "/" + link;
  }
  return ELOOP;
}

int WriteAll(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

int SyncFolder(const std::string& dir) {
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  int err = fsync(fd) == 0 ? 0 : errno;
  close(fd);
  // Some file systems cannot sync a folder; that is no failure of the save.
  return err == EINVAL || err == EROFS ? 0 : err;
}

// What marks the safe writer's temporary files, before six random characters.
const std::string kTempMark = ".kxsave-";

// A write past the file-size limit would kill the process with SIGXFSZ
// before the error could be reported; ignore the signal so that the write
// fails with EFBIG and the save reports it.
void IgnoreFileSizeSignal() {
  static bool done = false;
  if (done) return;
  done = true;
  struct sigaction old;
  if (sigaction(SIGXFSZ, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) signal(SIGXFSZ, SIG_IGN);
}

// The longest name a folder entry may have.
constexpr std::size_t kNameMax = 255;

// `s` cut to at most `max` bytes, never in the middle of a UTF-8 character.
void CutUTF8(std::string& s, std::size_t max) {
  if (s.size() <= max) return;
  std::size_t cut = max;
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  s.resize(cut);
}

EKXFileKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return EKXFileKind::kRegular;
  if (S_ISDIR(mode)) return EKXFileKind::kFolder;
  if (S_ISFIFO(mode)) return EKXFileKind::kPipe;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return EKXFileKind::kDevice;
  if (S_ISSOCK(mode)) return EKXFileKind::kSocket;
  return EKXFileKind::kOther;
}

// The name a sidecar would need is longer than any name can be: there is
// none, and none can be made.
bool SidecarCannotExist(const std::string& sidePath) { return BaseName(sidePath).size() > kNameMax; }

// Extended attributes that travel with a file's contents: the user's own
// and the access lists. Others belong to the system (or need privileges).
bool AttributeTravels(const char* name) {
  return std::strncmp(name, "user.", 5) == 0 || std::strncmp(name, "system.posix_acl_", 17) == 0;
}

// A file system or a process that cannot carry an attribute saves without
// it; only a failure to store one that could be carried stops the save.
bool AttributeFailureQuiet(int err) {
  return err == ENOTSUP || err == EOPNOTSUPP || err == EPERM || err == EACCES || err == ENODATA || err == ERANGE;
}

// The target's travelling attributes onto the new file.
int CopyAttributes(const std::string& from, int to) {
  ssize_t n = listxattr(from.c_str(), nullptr, 0);
  if (n <= 0) return 0;
  std::vector<char> names(static_cast<std::size_t>(n));
  n = listxattr(from.c_str(), names.data(), names.size());
  if (n <= 0) return 0;
  std::vector<char> value;
  for (std::size_t at = 0; at < static_cast<std::size_t>(n);) {
    const char* name = names.data() + at;
    const std::size_t len = strnlen(name, static_cast<std::size_t>(n) - at);
    at += len + 1;
    if (at > static_cast<std::size_t>(n)) break;  // an unterminated last name
    if (!AttributeTravels(name)) continue;
    const ssize_t size = getxattr(from.c_str(), name, nullptr, 0);
    if (size < 0) continue;
    value.resize(static_cast<std::size_t>(size));
    const ssize_t got = getxattr(from.c_str(), name, value.data(), value.size());
    if (got < 0) continue;
    if (fsetxattr(to, name, value.data(), static_cast<std::size_t>(got), 0) != 0 && !AttributeFailureQuiet(errno))
      return errno;
  }
  return 0;
}

// Where a temporary file goes when the target's folder refuses one: the
// user's runtime folder, else the temporary folder.
std::vector<std::string> PrivateFolders() {
  std::vector<std::string> out;
  for (const char* var : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
    const char* v = std::getenv(var);
    if (v && v[0] == '/') out.emplace_back(v);
  }
  out.emplace_back("/tmp");
  return out;
}

bool EndsWithFolded(const std::string& name, const char* ending) {
  std::size_t n = std::strlen(ending);
  if (name.size() <= n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char c = name[name.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != ending[i]) return false;
  }
  return true;
}

}  // namespace

std::string KxErrorText(int err) { return std::strerror(err); }

int KxReadFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t maxSize) {
  out.clear();
  CKXFileReader file;
  if (int err = file.Open(path, maxSize)) return err;
  return file.ReadAll(out);
}

CKXFileReader::~CKXFileReader() {
  if (mFd >= 0) close(mFd);
}

int CKXFileReader::Open(const std::string& path, std::size_t maxSize) {
  if (mFd >= 0) close(mFd);
  mFd = -1;
  mSize = 0;
  mHeld.clear();
  mKind = EKXFileKind::kNone;
  // A device is not even opened (opening some does something); a pipe
  // that takes its place meanwhile is caught below without waiting for a
  // writer.
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && (mKind = KindOf(st.st_mode)) != EKXFileKind::kRegular &&
      mKind != EKXFileKind::kFolder)
    return EINVAL;
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno;
  int err = 0;
  if (fstat(fd, &st) != 0) {
    err = errno;
  } else {
    mKind = KindOf(st.st_mode);
    err = mKind == EKXFileKind::kFolder ? EISDIR : mKind != EKXFileKind::kRegular ? EINVAL : 0;
  }
  if (!err && static_cast<std::uintmax_t>(st.st_size) > maxSize) err = EFBIG;
  // Reads of a regular file wait as they always do; a file that says it is
  // empty is read at once, without waiting.
  const bool unsized = !err && st.st_size == 0;
  if (!err && !unsized) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) err = errno;
  }
  if (err) {
    close(fd);
    return err;
  }
  mFd = fd;
  mSize = static_cast<std::size_t>(st.st_size);
  if (unsized) return ReadUnsized(std::min(maxSize, kUnsizedMost));
  return 0;
}

int CKXFileReader::ReadUnsized(std::size_t maxSize) {
  // Pseudo-files report a size of 0 and make their text as they are read.
  // Some wait for more (/proc/kmsg): what there is now is their text. Some
  // go on for gigabytes (/proc/self/pagemap): refused at the bound.
  std::uint8_t block[65536];
  for (;;) {
    const ssize_t n = read(mFd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (n < 0) return errno;
    if (n == 0) break;
    if (mHeld.size() + static_cast<std::size_t>(n) > maxSize) {
      mHeld.clear();
      return EFBIG;
    }
    mHeld.insert(mHeld.end(), block, block + n);
  }
  mSize = mHeld.size();
  return 0;
}

int CKXFileReader::ReadAt(std::size_t at, void* buffer, std::size_t length, std::size_t& got) const {
  got = 0;
  if (mFd < 0) return EBADF;
  if (!mHeld.empty()) {
    if (at < mHeld.size()) {
      got = std::min(length, mHeld.size() - at);
      std::memcpy(buffer, mHeld.data() + at, got);
    }
    return 0;
  }
  char* p = static_cast<char*>(buffer);
  while (got < length) {
    ssize_t n = pread(mFd, p + got, length - got, static_cast<off_t>(at + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) break;  // the file ends here (it may have shrunk)
    got += static_cast<std::size_t>(n);
  }
  return 0;
}

int CKXFileReader::ReadAll(std::vector<std::uint8_t>& out) const {
  out.clear();
  out.reserve(mSize);
  KxPreferHugePages(out.data(), mSize);
  out.resize(mSize);
  std::size_t got = 0;
  if (int err = ReadAt(0, out.data(), out.size(), got)) {
    out.clear();
    return err;
  }
  out.resize(got);
  return 0;
}

int KxFdGetPosition(int fd, long& at) {
  off_t where = lseek(fd, 0, SEEK_CUR);
  if (where < 0) return errno;
  at = static_cast<long>(where);
  return 0;
}

int KxFdSetPosition(int fd, long at) { return lseek(fd, at, SEEK_SET) < 0 ? errno : 0; }

int KxFdGetSize(int fd, long& size) {
  struct stat st;
  if (fstat(fd, &st) != 0) return errno;
  size = static_cast<long>(st.st_size);
  return 0;
}

int KxFdSetSize(int fd, long size) { return ftruncate(fd, size) != 0 ? errno : 0; }

int KxFdRead(int fd, void* buffer, std::size_t length, std::size_t& got) {
  char* p = static_cast<char*>(buffer);
  got = 0;
  while (got < length) {
    ssize_t n = read(fd, p + got, length - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) break;  // the file ends early
    got += static_cast<std::size_t>(n);
  }
  return 0;
}

int KxFdWrite(int fd, const void* data, std::size_t size) { return WriteAll(fd, data, size); }

OSType KxTypeFromNameEnding(const std::string& name, OSType* creator) {
  struct Ending {
    const char* ending;
    OSType type;
    OSType creator;
  };
  static const Ending kEndings[] = {
      {".kxt", FourCC("TEXT"), FourCC("KXTE")},
      {".txt", FourCC("TEXT"), 0},  {".text", FourCC("TEXT"), 0}, {".htm", FourCC("TEXT"), 0},
      {".html", FourCC("TEXT"), 0}, {".rtf", FourCC("RTF "), 0},  {".jpg", FourCC("JPEG"), 0},
      {".jpe", FourCC("JPEG"), 0},  {".jpeg", FourCC("JPEG"), 0}, {".pic", FourCC("PICT"), 0},
      {".pct", FourCC("PICT"), 0},  {".pict", FourCC("PICT"), 0}, {".tif", FourCC("TIFF"), 0},
      {".tiff", FourCC("TIFF"), 0}, {".eps", FourCC("EPSF"), 0},  {".epsf", FourCC("EPSF"), 0},
      {".aif", FourCC("AIFF"), 0},  {".aiff", FourCC("AIFF"), 0}, {".mov", FourCC("MooV"), 0},
      {".mpg", FourCC("MPEG"), 0},  {".mpeg", FourCC("MPEG"), 0}, {".gif", FourCC("GIFf"), 0},
      {".wav", FourCC("WAVE"), 0},
  };
  const std::string base = BaseName(name);
  for (const Ending& e : kEndings)
    if (EndsWithFolded(base, e.ending)) {
      if (creator) *creator = e.creator;
      return e.type;
    }
  if (creator) *creator = 0;
  return 0;
}

bool KxGetFileTypeCreator(const std::string& path, OSType& type, OSType& creator) {
  KxAppleDouble sidecar;
  if (KxReadSidecar(path, sidecar) == 0 && sidecar.GetTypeCreator(type, creator)) return true;
  type = KxTypeFromNameEnding(path, &creator);
  return false;
}

int KxSetFileTypeCreator(const std::string& path, OSType type, OSType creator) {
  KxAppleDouble sidecar;
  int err = KxReadSidecar(path, sidecar);
  if (err != 0 && err != ENOENT) return err;
  sidecar.SetTypeCreator(type, creator);
  return KxWriteSidecar(path, sidecar);
}

std::string KxSidecarPathOf(const std::string& path) {
  std::string target;
  return KxSidecarPath(ResolveLinks(path, target) == 0 ? target : path);
}

int KxReadSidecar(const std::string& path, KxAppleDouble& sidecar) {
  const std::string side = KxSidecarPathOf(path);
  if (SidecarCannotExist(side)) return ENOENT;
  std::vector<std::uint8_t> bytes;
  // Its offsets and lengths are 32-bit: anything larger is no sidecar of ours.
  if (int err = KxReadFile(side, bytes, static_cast<std::size_t>(kKxMaxOffset))) return err;
  return sidecar.Parse(bytes.data(), bytes.size());
}

int KxWriteSidecar(const std::string& path, const KxAppleDouble& sidecar) {
  std::vector<std::uint8_t> bytes = sidecar.Build();
  return KxWriteFileSafely(KxSidecarPathOf(path), bytes.data(), bytes.size());
}

int KxRemoveSidecar(const std::string& path) {
  const std::string side = KxSidecarPathOf(path);
  if (SidecarCannotExist(side)) return 0;
  if (unlink(side.c_str()) != 0 && errno != ENOENT) return errno;
  return 0;
}

int KxReadResourceFork(const std::string& path, KxResFork& fork) {
  fork.Clear();
  KxAppleDouble sidecar;
  int err = KxReadSidecar(path, sidecar);
  if (err == ENOENT) return 0;
  if (err) return err;
  return sidecar.GetResourceFork(fork);
}

int KxWriteResourceFork(const std::string& path, const KxResFork& fork) {
  KxAppleDouble sidecar;
  int err = KxReadSidecar(path, sidecar);
  // A damaged sidecar is replaced rather than left to block every save.
  if (err != 0 && err != ENOENT && err != EBADMSG) return err;
  if (err == EBADMSG) sidecar = KxAppleDouble();
  if (!sidecar.Find(KxAppleDouble::kFinderInfoID)) {
    OSType creator = 0;
    OSType type = KxTypeFromNameEnding(path, &creator);
    sidecar.SetTypeCreator(type, creator);
  }
  if (int e = sidecar.SetResourceFork(fork)) return e;
  return KxWriteSidecar(path, sidecar);
}

std::string KxBackupName(const std::string& name, int generation) {
  // Appended piece by piece: g++ 12 warns falsely (-Wrestrict) on
  // "literal" + std::string in optimised builds.
  std::string s = "[";
  s += std::to_string(generation);
  s += ']';
  s += name;
  CutUTF8(s, kNameMax);
  return s;
}

void KxRotateBackups(const std::string& path, int generations, const KxBackupNamer& namer) {
  const std::string name = BaseName(path);
  for (int k = generations; k >= 1; --k) {
    const std::string from = Sibling(path, namer(name, k));
    struct stat st;
    if (lstat(from.c_str(), &st) != 0) continue;
    if (k == generations)
      unlink(from.c_str());
    else
      rename(from.c_str(), Sibling(path, namer(name, k + 1)).c_str());
  }
}

namespace {
bool gBackupFailed = false;
}  // namespace

bool KxTakeBackupFailure() {
  const bool failed = gBackupFailed;
  gBackupFailed = false;
  return failed;
}

CKXSafeWriter::CKXSafeWriter(std::string target) : mRequested(std::move(target)) {}

CKXSafeWriter::~CKXSafeWriter() { Abort(); }

// Temporary files of earlier saves of the same target that a crash left
// behind: "PREFIX" and six characters, untouched for ten minutes (a save
// still running keeps writing its own).
static void SweepStaleTemps(const std::string& dir, const std::string& prefix) {
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  const time_t now = time(nullptr);
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string path = Sibling(dir + "/x", name);
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && now - st.st_mtime > 600) unlink(path.c_str());
  }
  closedir(d);
}

// Every stale temporary of any target in `dir` ("." NAME ".kxsave-" and six
// characters): one scan for a whole batch instead of one per file.
static void SweepAllStaleTemps(const std::string& dir) {
  const std::string& kMark = kTempMark;
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  const time_t now = time(nullptr);
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    const std::size_t at = name.rfind(kMark);
    if (name.empty() || name[0] != '.' || at == std::string::npos || at + kMark.size() + 6 != name.size()) continue;
    const std::string path = Sibling(dir + "/x", name);
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && now - st.st_mtime > 600) unlink(path.c_str());
  }
  closedir(d);
}

int CKXSafeWriter::Open() {
  Abort();
  mInPlace = mFolderRefused = false;
  IgnoreFileSizeSignal();
  int err = 0;
  if ((err = ResolveLinks(mRequested, mTarget))) return err;
  struct stat st;
  bool exists = stat(mTarget.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  if (!exists && errno != ENOENT) return errno;
  // A file nobody may write is locked: replacing it by rename would get
  // round the lock (and root passes every permission check).
  if (exists && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return EACCES;

  // "." NAME ".kxsave-XXXXXX", the borrowed name cut so that the whole
  // stays a valid name however long the target's is (the sweeps look only
  // at the dot and the ending).
  std::string borrowed = BaseName(mTarget);
  CutUTF8(borrowed, kNameMax - kTempMark.size() - 1 - 6);
  std::string leaf = ".";  // appended piece by piece: see KxBackupName
  leaf += borrowed;
  leaf += kTempMark;
  if (mSweep) SweepStaleTemps(DirName(mTarget), leaf);
  leaf += "XXXXXX";
  std::string temp = Sibling(mTarget, leaf);
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  int fd = -1;
  if (!Injected(kx_filetest::kStepCreate, err)) {
    fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) err = errno;
  }
  if (fd < 0) {
    if (err != EACCES && err != EPERM) return err;
    mFolderRefused = true;
    // A file we may write in a folder we may not: written in place, from a
    // temporary kept elsewhere.
    if (!exists || faccessat(AT_FDCWD, mTarget.c_str(), W_OK, AT_EACCESS) != 0 || OpenPrivateTemp() != 0) return err;
    mInPlace = true;
    return 0;
  }
  mFd = fd;
  mWritten = mStarted = 0;
  mTemp = name.data();
  // The new file gets the old one's mode and owner; a new file gets what
  // the umask allows.
  mode_t mode;
  if (exists) {
    mode = st.st_mode & 07777;
    if (Injected(kx_filetest::kStepChown, err) || fchown(fd, st.st_uid, st.st_gid) != 0) {
      err = 0;
      // Someone else's file (or group) that we may write keeps its owner by
      // being written in place; the temporary stays private meanwhile.
      if (faccessat(AT_FDCWD, mTarget.c_str(), W_OK, AT_EACCESS) == 0) {
        mInPlace = true;
        return 0;
      }
      // Someone else's file we may not write: a rename in a folder open to
      // us would get round its permissions and make it ours.
      Abort();
      return EACCES;
    }
    // A file with other names (hard links) keeps them all: a rename would
    // leave the others with the old contents.
    if (st.st_nlink > 1 && faccessat(AT_FDCWD, mTarget.c_str(), W_OK, AT_EACCESS) == 0) {
      mInPlace = true;
      return 0;
    }
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  if (fchmod(fd, mode) != 0) err = errno;
  // After the mode: an access list sets the group bits its own way.
  if (!err && exists) err = CopyAttributes(mTarget, fd);
  if (err) {
    Abort();
    return err;
  }
  return 0;
}

int CKXSafeWriter::OpenPrivateTemp() {
  int err = ENOENT;
  for (const std::string& folder : PrivateFolders()) {
    std::string leaf = kTempMark;
    if (mSweep) SweepStaleTemps(folder, leaf);
    leaf += "XXXXXX";
    const std::string temp = folder + "/" + leaf;
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
      err = errno;
      continue;
    }
    mFd = fd;
    mWritten = mStarted = 0;
    mTemp = name.data();
    return 0;
  }
  return err;
}

// The new contents copied over the old file's own, which keeps its owner,
// links and attributes. The new size is reserved first, so that a full disk
// stops the save with the old contents whole; past that only a failing disk
// can leave the file half written.
int CKXSafeWriter::CommitInPlace(int backupGenerations, const KxBackupNamer& namer) {
  if (mTemp.empty()) return EBADF;
  if (backupGenerations > 0 && !mFolderRefused) {
    KxRotateBackups(mTarget, backupGenerations, namer);
    // A second link would share the contents about to be overwritten.
    const std::string backup = Sibling(mTarget, namer(BaseName(mTarget), 1));
    std::vector<std::uint8_t> old;
    if (KxReadFile(mTarget, old) != 0 || KxWriteFileSafely(backup, old.data(), old.size()) != 0) gBackupFailed = true;
  }
  int err = 0;
  int src = mFd;
  if (src < 0 && (src = open(mTemp.c_str(), O_RDONLY | O_CLOEXEC)) < 0) err = errno;
  const bool ownSrc = src >= 0 && src != mFd;
  int dst = -1;
  struct stat from {}, to {};
  if (!err && fstat(src, &from) != 0) err = errno;
  if (!err) {
    // Read and write when we may (a reservation some file systems make by
    // hand reads what is there), else write only.
    dst = open(mTarget.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (dst < 0 && errno == EACCES) dst = open(mTarget.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (dst < 0) err = errno;
  }
  if (!err && fstat(dst, &to) != 0) err = errno;
  if (!err && !S_ISREG(to.st_mode)) err = EINVAL;
  if (!err) {
    const int flags = fcntl(dst, F_GETFL);
    if (flags < 0 || fcntl(dst, F_SETFL, flags & ~O_NONBLOCK) != 0) err = errno;
  }
  const off_t size = from.st_size;
  if (!err && size > 0 && (Injected(kx_filetest::kStepReserve, err) || (err = posix_fallocate(dst, 0, size)) != 0)) {
    // A reservation that failed half-way may have lengthened the file.
    struct stat now;
    if (fstat(dst, &now) == 0 && now.st_size != to.st_size) {
      [[maybe_unused]] const int cut = ftruncate(dst, to.st_size);
    }
  } else if (!err) {
    std::vector<char> buffer(std::size_t(std::min<off_t>(size, off_t(1) << 20)) + 1);
    for (off_t at = 0; !err && at < size;) {
      const ssize_t n = pread(src, buffer.data(), std::size_t(std::min<off_t>(off_t(buffer.size()), size - at)), at);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        err = n < 0 ? errno : EIO;  // the temporary cannot have shrunk
        break;
      }
      for (ssize_t done = 0; !err && done < n;) {
        const ssize_t w = pwrite(dst, buffer.data() + done, std::size_t(n - done), at + done);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) err = errno;
        else done += w;
      }
      at += n;
    }
    if (!err && ftruncate(dst, size) != 0) err = errno;
    if (!err && !Injected(kx_filetest::kStepSync, err) && fsync(dst) != 0) err = errno;
  }
  if (dst >= 0 && close(dst) != 0 && !err) err = errno;
  if (ownSrc) close(src);
  Abort();  // the temporary has served
  return err;
}

int CKXSafeWriter::Write(const void* data, std::size_t size) {
  if (mFd < 0) return EBADF;
  int err = 0;
  if (!Injected(kx_filetest::kStepWrite, err)) err = WriteAll(mFd, data, size);
  if (err) {
    Abort();
    return err;
  }
#ifdef __linux__
  // Only a start: a failure here shows again, and is reported, at the flush.
  constexpr std::uint64_t kStartEvery = 8u << 20;
  mWritten += size;
  if (mWritten - mStarted >= kStartEvery) {
    sync_file_range(mFd, off_t(mStarted), off_t(mWritten - mStarted), SYNC_FILE_RANGE_WRITE);
    mStarted = mWritten;
  }
#endif
  return 0;
}

int CKXSafeWriter::Commit(int backupGenerations, const KxBackupNamer& namer) {
  if (mFd < 0) return EBADF;
  if (mInPlace) return CommitInPlace(backupGenerations, namer);
  int err = 0;
  if (Injected(kx_filetest::kStepSync, err) || fsync(mFd) != 0) {
    if (!err) err = errno;
    Abort();
    return err;
  }
  int fd = mFd;
  mFd = -1;
  // close can report a delayed write error (network file systems).
  const bool injected = Injected(kx_filetest::kStepClose, err);
  if (close(fd) != 0 && !injected) err = errno;
  if (err) {
    Abort();
    return err;
  }
  struct stat st;
  if (backupGenerations > 0 && stat(mTarget.c_str(), &st) == 0) {
    KxRotateBackups(mTarget, backupGenerations, namer);
    // The old file becomes generation 1 by a second name, so that the
    // target's name never goes missing; a failure only costs the backup.
    const std::string backup = Sibling(mTarget, namer(BaseName(mTarget), 1));
    if (Injected(kx_filetest::kStepLink, err) || link(mTarget.c_str(), backup.c_str()) != 0) {
      // File systems without hard links get a copy.
      err = 0;
      std::vector<std::uint8_t> old;
      if (KxReadFile(mTarget, old) != 0 || KxWriteFileSafely(backup, old.data(), old.size()) != 0)
        gBackupFailed = true;
    }
  }
  if (Injected(kx_filetest::kStepRename, err) || rename(mTemp.c_str(), mTarget.c_str()) != 0) {
    if (!err) err = errno;
    Abort();
    return err;
  }
  mTemp.clear();
  return SyncFolder(DirName(mTarget));
}

void CKXSafeWriter::Abort() {
  if (mFd >= 0) {
    close(mFd);
    mFd = -1;
  }
  if (!mTemp.empty()) {
    unlink(mTemp.c_str());
    mTemp.clear();
  }
}

int CKXSafeWriter::CloseUnsynced() {
  if (mFd < 0) return EBADF;
  int err = 0;
  const int fd = mFd;
  mFd = -1;
  const bool injected = Injected(kx_filetest::kStepClose, err);
  if (close(fd) != 0 && !injected) err = errno;
  if (err) Abort();
  return err;
}

int CKXSafeWriter::RenameOverTarget() {
  if (mTemp.empty()) return EBADF;
  if (mInPlace) return CommitInPlace(0, KxBackupName);
  int err = 0;
  if (Injected(kx_filetest::kStepRename, err) || rename(mTemp.c_str(), mTarget.c_str()) != 0) {
    if (!err) err = errno;
    Abort();
    return err;
  }
  mTemp.clear();
  return 0;
}

namespace {
long gBatchSyncs = 0;
}  // namespace

int CKXSafeBatch::Add(const std::string& path, const void* data, std::size_t size) {
  auto writer = std::make_unique<CKXSafeWriter>(path);
  // A folder is swept of stale temporaries once, not once per file (which
  // reads a folder of n files n times).
  writer->SkipSweep();
  if (const std::string folder = DirName(path); mSwept.insert(folder).second) SweepAllStaleTemps(folder);
  if (int err = writer->Open()) return err;
  // Two versions of one file in a batch: the later would silently win.
  if (mTargets.count(writer->Target())) return EEXIST;
  if (int err = writer->Write(data, size)) return err;
  // Closed at once: a batch of thousands of files never holds their
  // descriptors open until the commit.
  if (int err = writer->CloseUnsynced()) return err;
  mTargets.insert(writer->Target());
  mWriters.push_back(std::move(writer));
  return 0;
}

void CKXSafeBatch::RemoveAfterCommit(const std::string& path) { mRemovals.push_back(path); }

int CKXSafeBatch::Commit() {
  int first = 0;
  auto note = [&first](int err) {
    if (err && !first) first = err;
  };
  std::vector<CKXSafeWriter*> open;
  for (auto& w : mWriters) open.push_back(w.get());
  // One sync for each file system the temporaries lie on.
  std::vector<dev_t> synced;
  for (CKXSafeWriter* w : open) {
    struct stat st;
    const std::string folder = DirName(w->TempPath());
    if (stat(folder.c_str(), &st) != 0 || std::find(synced.begin(), synced.end(), st.st_dev) != synced.end()) continue;
    synced.push_back(st.st_dev);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int err = 0;
    if (fd < 0 || Injected(kx_filetest::kStepSync, err) || syncfs(fd) != 0) {
      if (!err) err = errno;
      // Nothing is renamed over a target before its data is on the disk.
      note(err);
      if (fd >= 0) close(fd);
      for (CKXSafeWriter* other : open) other->Abort();
      mWriters.clear();
      mTargets.clear();
      mRemovals.clear();
      return first;
    }
    close(fd);
    ++gBatchSyncs;
  }
  std::vector<std::string> folders;
  for (CKXSafeWriter* w : open) {
    const int err = w->RenameOverTarget();
    note(err);
    const std::string folder = DirName(w->Target());
    if (!err && std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
  }
  for (const std::string& path : mRemovals) std::remove(path.c_str());
  for (const std::string& folder : folders) {
    note(SyncFolder(folder));
    ++gBatchSyncs;
  }
  mWriters.clear();
  mTargets.clear();
  mRemovals.clear();
  mSwept.clear();
  return first;
}

int KxWriteFileSafely(const std::string& path, const void* data, std::size_t size, int backupGenerations) {
  CKXSafeWriter writer(path);
  if (int err = writer.Open()) return err;
  if (int err = writer.Write(data, size)) return err;
  return writer.Commit(backupGenerations);
}

namespace kx_filetest {
void FailStep(KxSafeStep step, int err) { gFailErr[step] = err; }
void Reset() { std::fill(std::begin(gFailErr), std::end(gFailErr), 0); }
long BatchSyncs() { return gBatchSyncs; }
}  // namespace kx_filetest

bool KxPathExists(const std::string& path) {
  struct stat st;
  return !path.empty() && lstat(path.c_str(), &st) == 0;
}

bool KxPathMissing(const std::string& path) {
  struct stat st;
  return path.empty() || (stat(path.c_str(), &st) != 0 && errno == ENOENT);
}

bool KxSameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  if (a == b) return true;
  struct stat sa, sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
