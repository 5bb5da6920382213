#include "platform/folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <gio/gunixmounts.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <mutex>
#include <utility>

#include "platform/appledouble.h"
#include "platform/mime_types.h"

namespace {

KxEntryKind KindOfMode(mode_t mode) {
  if (S_ISDIR(mode)) return KxEntryKind::kFolder;
  if (S_ISREG(mode)) return KxEntryKind::kFile;
  return KxEntryKind::kOther;
}

std::string TakeString(gchar* s) {
  std::string out = s ? s : "";
  g_free(s);
  return out;
}

}  // namespace

int KxReadFolder(const std::string& path, std::vector<KxDirEntry>& out) {
  out.clear();
  DIR* dir = opendir(path.c_str());
  if (!dir) return errno;
  const int fd = dirfd(dir);
  errno = 0;
  while (const dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    KxDirEntry entry{name, KxEntryKind::kOther};
    // The entry's own type saves a stat per file; links and file systems
    // that do not say are asked (following the link).
    if (e->d_type == DT_REG) {
      entry.kind = KxEntryKind::kFile;
    } else if (e->d_type == DT_DIR) {
      entry.kind = KxEntryKind::kFolder;
    } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
      struct stat st;
      if (e->d_type == DT_LNK) entry.link = true;
      else if (fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) entry.link = true;
      if (fstatat(fd, e->d_name, &st, 0) == 0) entry.kind = KindOfMode(st.st_mode);
    }
    out.push_back(std::move(entry));
    errno = 0;
  }
  const int err = errno;
  closedir(dir);
  return err;
}

int KxReadFileStart(const std::string& path, std::size_t max, std::vector<std::uint8_t>& out) {
  std::int64_t size = 0;
  return KxReadFileAt(path, 0, max, out, size);
}

int KxReadFileAt(const std::string& path, std::int64_t offset, std::size_t max, std::vector<std::uint8_t>& out,
                 std::int64_t& size) {
  out.clear();
  size = 0;
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat st;
  int err = 0;
  if (fstat(fd, &st) != 0) {
    err = errno;
  } else if (!S_ISREG(st.st_mode)) {
    err = EINVAL;
  } else {
    size = std::int64_t(st.st_size);
    const std::int64_t left = std::max<std::int64_t>(0, size - offset);
    out.resize(std::size_t(std::min<std::int64_t>(std::int64_t(max), left)));
    std::size_t got = 0;
    while (got < out.size()) {
      const ssize_t n = pread(fd, out.data() + got, out.size() - got, off_t(offset + std::int64_t(got)));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        err = errno;
        break;
      }
      if (n == 0) break;
      got += std::size_t(n);
    }
    out.resize(got);
  }
  close(fd);
  if (err) out.clear();
  return err;
}

bool KxFolderIdentity(const std::string& path, std::uint64_t& device, std::uint64_t& inode) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  device = std::uint64_t(st.st_dev);
  inode = std::uint64_t(st.st_ino);
  return true;
}

bool KxCanEnterFolder(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  DIR* dir = opendir(path.c_str());
  if (!dir) return false;
  closedir(dir);
  return true;
}

std::vector<KxMount> KxUserMounts() {
  std::vector<KxMount> mounts;
  GList* list = g_unix_mounts_get(nullptr);
  for (GList* l = list; l; l = l->next) {
    auto* m = static_cast<GUnixMountEntry*>(l->data);
    if (g_unix_mount_guess_should_display(m)) {
      const char* where = g_unix_mount_get_mount_path(m);
      if (where && where[0] == '/') mounts.push_back(KxMount{TakeString(g_unix_mount_guess_name(m)), where});
    }
    g_unix_mount_free(m);
  }
  g_list_free(list);
  return mounts;
}

std::string KxHomeFolder() {
  std::string home = g_get_home_dir() ? g_get_home_dir() : "/";
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home;
}

std::string KxUserHomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(std::size_t(size > 0 ? size : 16384));
  passwd entry{};
  passwd* found = nullptr;
  while (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < (1u << 20))
    buffer.resize(buffer.size() * 2);
  if (!found || !found->pw_dir || found->pw_dir[0] != '/') return {};
  return found->pw_dir;
}

std::string KxDesktopFolder() {
  const char* desktop = g_get_user_special_dir(G_USER_DIRECTORY_DESKTOP);
  std::string d = desktop ? desktop : KxHomeFolder();
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  return d;
}

std::string KxGuessContentType(const std::string& name) { return KxMimeTypeOfName(name); }

bool KxContentTypeIsText(const std::string& contentType) { return contentType.rfind("text/", 0) == 0; }

std::string KxContentTypeDescription(const std::string& contentType) { return KxMimeDescription(contentType); }

int KxGetFileFacts(const std::string& path, KxFileFacts& out) {
  struct statx sx;
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return errno;
  out.dataSize = std::int64_t(sx.stx_size);
  out.modified = sx.stx_mtime.tv_sec;
  out.created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec;
  out.mode = sx.stx_mode & 07777;
  out.locked = (sx.stx_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  return 0;
}

namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

// The write bits locking took from each file (by device and inode) in this
// run: unlocking gives back exactly those.
std::map<std::pair<dev_t, ino_t>, mode_t>& TakenWriteBits() {
  static std::map<std::pair<dev_t, ino_t>, mode_t> taken;
  return taken;
}
std::mutex gTakenMutex;

mode_t CurrentUmask() {
  // Read where the kernel shows it: setting the mask to learn it would
  // race with files that other threads make meanwhile.
  if (FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(f);
    if (found) return mode_t(mask) & 0777;
  }
  const mode_t mask = umask(022);
  umask(mask);
  return mask;
}

}  // namespace

int KxSetFileLocked(const std::string& path, bool locked) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return errno;
  const std::pair<dev_t, ino_t> key{st.st_dev, st.st_ino};
  std::lock_guard<std::mutex> hold(gTakenMutex);
  auto& taken = TakenWriteBits();
  mode_t mode;
  if (locked) {
    mode = st.st_mode & ~kWriteBits;
  } else {
    const auto it = taken.find(key);
    mode_t back;
    if (it != taken.end() && (st.st_mode & kWriteBits) == 0) {
      back = it->second;
    } else {
      // Locked before this run: write for the owner, and for the others
      // who may read as far as the umask lets new files have it (what
      // chmod +w gives).
      back = S_IWUSR | (((st.st_mode & (S_IRGRP | S_IROTH)) >> 1) & ~CurrentUmask());
    }
    mode = st.st_mode | back;
  }
  if (chmod(path.c_str(), mode & 07777) != 0) return errno;
  if (locked && (st.st_mode & kWriteBits) != 0) taken[key] = st.st_mode & kWriteBits;
  else if (!locked) taken.erase(key);
  return 0;
}

int KxRenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) return errno;
  // The sidecar goes along; one already under the new name stays (it
  // belongs to no file now, and replacing it could lose a Mac's data).
  const std::string side = KxSidecarPath(from);
  struct stat st;
  if (lstat(side.c_str(), &st) == 0) renameat2(AT_FDCWD, side.c_str(), AT_FDCWD, KxSidecarPath(to).c_str(), RENAME_NOREPLACE);
  return 0;
}

std::string KxDamagedName(const std::string& path, int k) {
  return path + ".damaged" + (k > 1 ? " " + std::to_string(k) : std::string());
}

int KxRenameToDamagedName(const std::string& from, const std::string& path, std::string& aside) {
  for (int k = 1; k <= kKxDamagedNamesMax; ++k) {
    const std::string name = KxDamagedName(path, k);
    const int err = KxRenameNoReplace(from, name);
    if (err == EEXIST) continue;
    if (err == 0) aside = name;
    return err;
  }
  return EEXIST;
}

void KxLocalTime(std::int64_t seconds, int& year, int& month, int& day, int& hour, int& minute) {
  const std::time_t t = std::time_t(seconds);
  std::tm tm{};
  localtime_r(&t, &tm);
  year = tm.tm_year + 1900;
  month = tm.tm_mon + 1;
  day = tm.tm_mday;
  hour = tm.tm_hour;
  minute = tm.tm_min;
}
