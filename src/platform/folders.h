// Folders and their entries as the file tools see them: what a folder
// holds (links followed to what they point to), the places the top of the
// file system shows (the root, the home folder, the user's mounts, the
// desktop folder), the desktop's guess of a name's content type, and the
// Finder information a file has on this system (sizes, dates, the lock as
// write permission, a rename that never replaces).
//
// Results are errno values where an operation can fail: 0 is success.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class KxEntryKind : std::uint8_t { kFile, kFolder, kOther };

struct KxDirEntry {
  std::string name;   // exactly as the file system spells it
  KxEntryKind kind = KxEntryKind::kOther;
  bool link = false;  // a symbolic link (kind is what it points to)
};

// Every entry of the folder at `path` but "." and "..", dot names
// included; symbolic links count as what they point to (a dangling link or
// a loop is kOther). Not sorted. ENOTDIR, EACCES, ... when it cannot be read.
int KxReadFolder(const std::string& path, std::vector<KxDirEntry>& out);
// The first `max` bytes (fewer where it ends) of a regular file, opened
// without waiting (a pipe or device is refused with EINVAL).
int KxReadFileStart(const std::string& path, std::size_t max, std::vector<std::uint8_t>& out);
// The device and inode of a folder (links followed); false when it has none.
bool KxFolderIdentity(const std::string& path, std::uint64_t& device, std::uint64_t& inode);
// Up to `max` bytes of a regular file from `offset` (64-bit), as
// KxReadFileStart reads; `size` gets the file's size.
int KxReadFileAt(const std::string& path, std::int64_t offset, std::size_t max, std::vector<std::uint8_t>& out,
                 std::int64_t& size);
// Whether `path` is a folder that can be read (links followed).
bool KxCanEnterFolder(const std::string& path);

struct KxMount {
  std::string name;   // what the desktop shows for it (UTF-8)
  std::string path;
};
// The mounts the desktop would show the user (removable disks, mounts
// under /media, /run/media and the home folder), in mount-table order.
std::vector<KxMount> KxUserMounts();
// The user's home folder and desktop folder (the XDG user directory; the
// home folder itself when none is set up), without a trailing slash.
std::string KxHomeFolder();
std::string KxDesktopFolder();
// The user's home folder: $HOME when it is set and not empty, else the
// password database's entry for the user this runs as (an absolute path);
// empty when neither gives one. Looked up anew at each call.
std::string KxUserHomeFolder();

// The content type the desktop guesses from the name alone ("" when it
// cannot tell), and whether that type is a kind of text/plain.
std::string KxGuessContentType(const std::string& name);
bool KxContentTypeIsText(const std::string& contentType);
// The desktop's description of the type (UTF-8), "" for none.
std::string KxContentTypeDescription(const std::string& contentType);

struct KxFileFacts {
  std::int64_t dataSize = 0;
  std::int64_t created = 0;    // seconds since 1970: birth time where known, else the change time
  std::int64_t modified = 0;
  std::uint32_t mode = 0;      // the permission bits
  bool locked = false;         // no write permission for anyone
};
int KxGetFileFacts(const std::string& path, KxFileFacts& out);
// Locking clears every write bit; unlocking gives back those this run's
// locking took, else the owner's and, as far as the umask allows, those of
// the others who may read.
int KxSetFileLocked(const std::string& path, bool locked);
// Renames `from` to `to` in the same folder without replacing anything of
// that name (EEXIST); the sidecar "._name" goes along when there is one.
int KxRenameNoReplace(const std::string& from, const std::string& to);
// Where a damaged file is kept beside `path`: ".damaged", then ".damaged 2"
// and on up to kKxDamagedNamesMax; past that nothing more is kept rather
// than an earlier copy replaced.
constexpr int kKxDamagedNamesMax = 99;
std::string KxDamagedName(const std::string& path, int k);
// Renames `from` (in the folder of `path`) to the first free damaged name of
// `path` and answers it in `aside`; EEXIST when every name is taken.
int KxRenameToDamagedName(const std::string& from, const std::string& path, std::string& aside);
// Local time of `seconds` as year, month (1-12), day, hour, minute.
void KxLocalTime(std::int64_t seconds, int& year, int& month, int& day, int& hour, int& minute);
