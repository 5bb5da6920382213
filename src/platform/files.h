// The file layer: POSIX files with what the program expects of a Mac
// volume on top. Type and creator come from the AppleDouble sidecar
// "._name" when there is one, else from the name's ending; resource forks
// live in that sidecar. Every save goes through the safe writer.
//
// Results are errno values: 0 is success.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/appledouble.h"
#include "platform/resfork.h"
#include "platform/types.h"

std::string KxErrorText(int err);

// Reads a whole regular file; EFBIG (and nothing read) when it holds more
// than maxSize bytes.
int KxReadFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t maxSize = SIZE_MAX);

// What a path names, as far as reading it goes.
enum class EKXFileKind { kNone, kRegular, kFolder, kPipe, kDevice, kSocket, kOther };

// A regular file held open to be read in pieces, for texts too large to
// hold twice; the descriptor closes with the object.
class CKXFileReader {
 public:
  CKXFileReader() = default;
  ~CKXFileReader();
  CKXFileReader(const CKXFileReader&) = delete;
  CKXFileReader& operator=(const CKXFileReader&) = delete;
  // 0, or an errno value as KxReadFile answers it (EISDIR, EINVAL for what
  // is no regular file, EFBIG above maxSize). A pipe or a device is refused
  // without waiting on it; the size is checked before a byte is read.
  int Open(const std::string& path, std::size_t maxSize = SIZE_MAX);
  // What the last Open found (kNone when nothing was there to look at).
  EKXFileKind Kind() const { return mKind; }
  // The size when it was opened.
  std::size_t Size() const { return mSize; }
  // Up to `length` bytes from offset `at` on, fewer only where the file
  // ends; `got` says how many arrived.
  int ReadAt(std::size_t at, void* buffer, std::size_t length, std::size_t& got) const;
  // The whole file into `out` (fewer bytes when it shrank meanwhile); on a
  // failure `out` is left empty.
  int ReadAll(std::vector<std::uint8_t>& out) const;

 private:
  int ReadUnsized(std::size_t maxSize);
  int mFd = -1;
  std::size_t mSize = 0;
  EKXFileKind mKind = EKXFileKind::kNone;
  // A file that says it is empty but is not (/proc, /sys), read at the open,
  // at most this much.
  std::vector<std::uint8_t> mHeld;
  static constexpr std::size_t kUnsizedMost = std::size_t(64) << 20;
};

// An open file descriptor as a seekable byte stream, for containers that
// read and write in place. The descriptor stays the caller's.
int KxFdGetPosition(int fd, long& at);
int KxFdSetPosition(int fd, long at);
int KxFdGetSize(int fd, long& size);
int KxFdSetSize(int fd, long size);
// Reads up to `length` bytes, fewer only where the file ends; `got` says how
// many arrived.
int KxFdRead(int fd, void* buffer, std::size_t length, std::size_t& got);
// Writes all `size` bytes.
int KxFdWrite(int fd, const void* data, std::size_t size);

// Type (and creator, 0 unless the ending names our own documents) that a
// name's ending implies; 0 for an ending we do not know.
OSType KxTypeFromNameEnding(const std::string& name, OSType* creator = nullptr);
// Type and creator of a file: from its sidecar's Finder information when
// that exists, else from the name's ending. True when the sidecar gave them.
bool KxGetFileTypeCreator(const std::string& path, OSType& type, OSType& creator);
// Writes them into the sidecar (created when missing), keeping the rest.
int KxSetFileTypeCreator(const std::string& path, OSType type, OSType creator);

// The sidecar of `path`: ENOENT when there is none (a name too long for a
// sidecar to exist among them), EBADMSG when damaged.
// The sidecar of the file a path names: a link's is its target's, since a
// save writes the target and the styles belong beside the text.
std::string KxSidecarPathOf(const std::string& path);
int KxReadSidecar(const std::string& path, KxAppleDouble& sidecar);
int KxWriteSidecar(const std::string& path, const KxAppleDouble& sidecar);
// 0 also when there was none.
int KxRemoveSidecar(const std::string& path);

// The resource fork kept in the sidecar; no sidecar (or no fork entry)
// gives an empty fork and 0.
int KxReadResourceFork(const std::string& path, KxResFork& fork);
// Stores the fork into the sidecar, keeping its other entries (Finder
// information, a Mac's attributes, anything unknown).
int KxWriteResourceFork(const std::string& path, const KxResFork& fork);

// "[k]name", cut to 255 bytes: the name of backup generation k.
std::string KxBackupName(const std::string& name, int generation);
using KxBackupNamer = std::function<std::string(const std::string& name, int generation)>;

// Writes a file so that a crash or a failure at any moment leaves either
// the old or the new contents under the target's name:
//   Open: follows a symbolic link to the real file, creates a temporary
//         file in the same folder with the target's mode, owner and
//         extended attributes;
//   Write: the new contents;
//   Commit: syncs the temporary file, keeps backup generations (the older
//         ones move up by rename, the previous file becomes generation 1 by
//         a second link), renames the temporary over the target and syncs
//         the folder.
// Any failure before the rename removes the temporary file and leaves the
// original as it was. A writer destroyed without Commit aborts.
//
// Two targets cannot be replaced by rename and are written in place
// instead: a writable file in a folder we may not write (the temporary then
// lies in the user's runtime or temporary folder, and no backups are made),
// and a file whose owner a new file could not be given. The commit reserves
// the new size first, so that a full disk still leaves the old contents.
class CKXSafeWriter {
 public:
  explicit CKXSafeWriter(std::string target);
  ~CKXSafeWriter();
  CKXSafeWriter(const CKXSafeWriter&) = delete;
  CKXSafeWriter& operator=(const CKXSafeWriter&) = delete;

  int Open();
  int Write(const void* data, std::size_t size);
  int Commit(int backupGenerations = 0, const KxBackupNamer& namer = KxBackupName);
  void Abort();
  // The two halves of a commit for a batch of files (CKXSafeBatch), which
  // syncs once for all of them in between: the temporary file closed
  // unsynced, then renamed over the target (the folder not synced).
  int CloseUnsynced();
  int RenameOverTarget();

  // The batch sweeps the folder of stale temporaries once for all its files.
  void SkipSweep() { mSweep = false; }

  // The open temporary file, for writers that seek (-1 when not open).
  int Fd() const { return mFd; }
  // The file that will be replaced, symbolic links followed.
  const std::string& Target() const { return mTarget; }
  const std::string& TempPath() const { return mTemp; }
  // The target is written in place rather than replaced.
  bool InPlace() const { return mInPlace; }
  // Open was refused a temporary file in the target's folder (whatever the
  // fallback did): the folder is not ours to write.
  bool FolderRefused() const { return mFolderRefused; }

 private:
  int OpenPrivateTemp();
  int CommitInPlace(int backupGenerations, const KxBackupNamer& namer);

  std::string mRequested;
  std::string mTarget;
  std::string mTemp;
  int mFd = -1;
  bool mSweep = true;
  bool mInPlace = false;
  bool mFolderRefused = false;
  // Bytes written, and how many of them the disk has been asked to take:
  // a large file starts on its way while the rest is written, so that the
  // commit's flush waits only for the tail.
  std::uint64_t mWritten = 0, mStarted = 0;
};

int KxWriteFileSafely(const std::string& path, const void* data, std::size_t size, int backupGenerations = 0);

// Many files written safely at the cost of a few syncs: each is written to
// its temporary file; Commit then syncs each file system that holds one
// once, renames every temporary over its target, and syncs each folder
// once. After a crash at any moment every target holds its old or its new
// contents. A file whose step fails keeps its old contents; the others go
// on. Destroyed without Commit, the temporaries are removed.
class CKXSafeBatch {
 public:
  CKXSafeBatch() = default;
  CKXSafeBatch(const CKXSafeBatch&) = delete;
  CKXSafeBatch& operator=(const CKXSafeBatch&) = delete;
  // The temporary file is written and closed now. EEXIST when the batch
  // already holds a version of the same file.
  int Add(const std::string& path, const void* data, std::size_t size);
  // A file that goes once the new files are in place (a sidecar that holds
  // nothing any more).
  void RemoveAfterCommit(const std::string& path);
  // The first error, 0 when every file was replaced.
  int Commit();
  std::size_t Count() const { return mWriters.size(); }

 private:
  std::vector<std::unique_ptr<CKXSafeWriter>> mWriters;
  std::unordered_set<std::string> mTargets;
  std::unordered_set<std::string> mSwept;
  std::vector<std::string> mRemovals;
};
// True once after a save whose backup generation 1 could not be made (the
// save itself went on): a caller reports it, then the flag is clear.
bool KxTakeBackupFailure();

// Moves backup generations of `path` up by one (generation n is deleted,
// k becomes k + 1). Failures are ignored: a backup never stops a save.
void KxRotateBackups(const std::string& path, int generations, const KxBackupNamer& namer = KxBackupName);

// Test controls: make a step of the safe writer fail once with an error
// (several steps may wait at a time).
namespace kx_filetest {
enum KxSafeStep {
  kStepNone, kStepCreate, kStepWrite, kStepSync, kStepClose, kStepRename, kStepLink,
  kStepChown,    // giving the new file the target's owner
  kStepReserve,  // reserving the new size of a file written in place
  kStepCount
};
void FailStep(KxSafeStep step, int err);
void Reset();
// The syncs batches have made since the start.
long BatchSyncs();
}  // namespace kx_filetest

// Whether anything exists under `path` (a symbolic link counts by itself).
bool KxPathExists(const std::string& path);

// Whether nothing is there for a read, so that a save would create it: no
// entry, or a symbolic link to a missing file (the save creates its target).
bool KxPathMissing(const std::string& path);

// True when both paths name one file: the same path, or (links followed)
// the same device and inode, so that a link or a second hard link to an
// open document is that document.
bool KxSameFile(const std::string& a, const std::string& b);

// True when the path names a regular file (links followed): what a drop of
// files may read; folders, devices and pipes are not.
bool KxIsRegularFile(const std::string& path);

// A file as it stood when the program last read or wrote it: another
// program's save gives it another inode, size or modification time.
struct KxFileStamp {
  bool known = false;   // false: nothing existed there
  std::uint64_t device = 0, inode = 0;
  std::int64_t size = 0, seconds = 0, nanoseconds = 0;
  bool operator==(const KxFileStamp&) const = default;
};
// The stamp of the file at `path`, links followed.
KxFileStamp KxStampOf(const std::string& path);
