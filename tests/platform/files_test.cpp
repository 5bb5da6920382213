#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kxfilesXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    kx_filetest::Reset();
  }
  void TearDown() override {
    kx_filetest::Reset();
    std::string cmd = "rm -rf '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  std::string Path(const std::string& name) const { return dir + "/" + name; }
  void Write(const std::string& name, const std::string& text) const {
    ASSERT_EQ(KxWriteFileSafely(Path(name), text.data(), text.size()), 0);
  }
  std::string Read(const std::string& name) const {
    std::vector<std::uint8_t> b;
    if (KxReadFile(Path(name), b) != 0) return "<missing>";
    return std::string(b.begin(), b.end());
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.' || std::string(e->d_name).rfind("._", 0) == 0 ||
          std::string(e->d_name).find("kxsave") != std::string::npos)
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string dir;
};

TEST_F(FilesTest, TypeAndCreatorFromSidecarElseFromTheEnding) {
  Write("photo.JPG", "x");
  OSType type = 1, creator = 1;
  EXPECT_FALSE(KxGetFileTypeCreator(Path("photo.JPG"), type, creator));
  EXPECT_EQ(type, FourCC("JPEG"));
  EXPECT_EQ(creator, 0u);
  EXPECT_FALSE(KxGetFileTypeCreator(Path("doc.KXT"), type, creator));
  EXPECT_EQ(type, FourCC("TEXT"));
  EXPECT_EQ(creator, FourCC("KXTE"));
  EXPECT_EQ(KxTypeFromNameEnding("archive.zip"), 0u);
  EXPECT_EQ(KxTypeFromNameEnding(".txt"), 0u);  // a name that is only an ending
  EXPECT_EQ(KxTypeFromNameEnding("dir.txt/notes"), 0u);

  ASSERT_EQ(KxSetFileTypeCreator(Path("photo.JPG"), FourCC("PICT"), FourCC("ttxt")), 0);
  EXPECT_TRUE(KxGetFileTypeCreator(Path("photo.JPG"), type, creator));
  EXPECT_EQ(type, FourCC("PICT"));
  EXPECT_EQ(creator, FourCC("ttxt"));
  // A damaged sidecar does not decide anything.
  Write("._photo.JPG", "garbage");
  EXPECT_FALSE(KxGetFileTypeCreator(Path("photo.JPG"), type, creator));
  EXPECT_EQ(type, FourCC("JPEG"));
}

TEST_F(FilesTest, ResourceForkInTheSidecar) {
  Write("notes.txt", "plain");
  KxResFork fork;
  ASSERT_EQ(KxReadResourceFork(Path("notes.txt"), fork), 0);
  EXPECT_TRUE(fork.Empty());
  fork.Put(FourCC("styl"), 128, "abc", 3);
  ASSERT_EQ(KxWriteResourceFork(Path("notes.txt"), fork), 0);
  EXPECT_EQ(Read("notes.txt"), "plain");
  KxResFork back;
  ASSERT_EQ(KxReadResourceFork(Path("notes.txt"), back), 0);
  ASSERT_NE(back.Find(FourCC("styl"), 128), nullptr);
  // The new sidecar carries the type the ending implies.
  OSType type, creator;
  EXPECT_TRUE(KxGetFileTypeCreator(Path("notes.txt"), type, creator));
  EXPECT_EQ(type, FourCC("TEXT"));
  ASSERT_EQ(KxRemoveSidecar(Path("notes.txt")), 0);
  ASSERT_EQ(KxRemoveSidecar(Path("notes.txt")), 0);
  EXPECT_EQ(Read("._notes.txt"), "<missing>");
}

TEST_F(FilesTest, SafeWriterKeepsModeAndFollowsLinks) {
  Write("a", "old");
  ASSERT_EQ(chmod(Path("a").c_str(), 0640), 0);
  Write("a", "new");
  struct stat st;
  ASSERT_EQ(stat(Path("a").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Read("a"), "new");

  mode_t mask = umask(022);
  Write("fresh", "x");
  umask(mask);
  ASSERT_EQ(stat(Path("fresh").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);

  ASSERT_EQ(symlink("a", Path("link").c_str()), 0);
  Write("link", "through the link");
  struct stat lst;
  ASSERT_EQ(lstat(Path("link").c_str(), &lst), 0);
  EXPECT_TRUE(S_ISLNK(lst.st_mode));
  EXPECT_EQ(Read("a"), "through the link");
  ASSERT_EQ(symlink("missing", Path("dangling").c_str()), 0);
  Write("dangling", "made");
  EXPECT_EQ(Read("missing"), "made");
  ASSERT_EQ(symlink("loop", Path("loop").c_str()), 0);
  EXPECT_EQ(KxWriteFileSafely(Path("loop"), "x", 1), ELOOP);

  // A locked file (no write bit for anyone) stays as it is, through a link too.
  ASSERT_EQ(chmod(Path("a").c_str(), 0444), 0);
  EXPECT_EQ(KxWriteFileSafely(Path("a"), "x", 1), EACCES);
  EXPECT_EQ(KxWriteFileSafely(Path("link"), "x", 1), EACCES);
  EXPECT_EQ(Read("a"), "through the link");

  ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
  EXPECT_EQ(KxWriteFileSafely(Path("folder"), "x", 1), EISDIR);
  EXPECT_EQ(KxWriteFileSafely(Path("no/such/folder/file"), "x", 1), ENOENT);
}

TEST_F(FilesTest, EveryFailureBeforeTheRenameLeavesTheOriginal) {
  Write("doc", "original");
  for (auto step : {kx_filetest::kStepCreate, kx_filetest::kStepWrite, kx_filetest::kStepSync,
                    kx_filetest::kStepClose, kx_filetest::kStepRename}) {
    kx_filetest::FailStep(step, ENOSPC);
    EXPECT_EQ(KxWriteFileSafely(Path("doc"), "replacement", 11), ENOSPC) << step;
    EXPECT_EQ(Read("doc"), "original") << step;
    EXPECT_EQ(Names(), std::vector<std::string>({"doc"})) << step;
  }
  // A writer dropped half-way leaves nothing behind either.
  {
    CKXSafeWriter w(Path("doc"));
    ASSERT_EQ(w.Open(), 0);
    ASSERT_EQ(w.Write("half", 4), 0);
    EXPECT_EQ(w.Target(), Path("doc"));
  }
  EXPECT_EQ(Names(), std::vector<std::string>({"doc"}));
  EXPECT_EQ(Read("doc"), "original");
}

// A large file goes to the disk in stretches while it is written: the
// bytes, in uneven pieces, arrive whole, and a failure after some
// stretches still leaves the original.
TEST_F(FilesTest, LargeWritesArriveWholeAndFailSafely) {
  std::string big(20u << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = char(i * 7 + i / 4099);
  {
    CKXSafeWriter w(Path("big"));
    ASSERT_EQ(w.Open(), 0);
    for (std::size_t at = 0, n = 1; at < big.size(); at += n, n = n * 3 % 3000007 + 1)
      ASSERT_EQ(w.Write(big.data() + at, std::min(n, big.size() - at)), 0);
    ASSERT_EQ(w.Commit(), 0);
  }
  EXPECT_TRUE(Read("big") == big);
  {
    CKXSafeWriter w(Path("big"));
    ASSERT_EQ(w.Open(), 0);
    ASSERT_EQ(w.Write(big.data(), 12u << 20), 0);
    kx_filetest::FailStep(kx_filetest::kStepSync, EIO);
    EXPECT_EQ(w.Commit(), EIO);
  }
  EXPECT_EQ(Names(), std::vector<std::string>({"big"}));
  EXPECT_TRUE(Read("big") == big);
}

TEST_F(FilesTest, BackupGenerations) {
  Write("Notes", "A");
  for (const char* text : {"B", "C", "D", "E"})
    ASSERT_EQ(KxWriteFileSafely(Path("Notes"), text, 1, 3), 0);
  EXPECT_EQ(Read("Notes"), "E");
  EXPECT_EQ(Read("[1]Notes"), "D");
  EXPECT_EQ(Read("[2]Notes"), "C");
  EXPECT_EQ(Read("[3]Notes"), "B");
  EXPECT_EQ(Names(), std::vector<std::string>({"Notes", "[1]Notes", "[2]Notes", "[3]Notes"}));
  // A failed save keeps the file; the backups have moved on already.
  kx_filetest::FailStep(kx_filetest::kStepRename, EIO);
  EXPECT_EQ(KxWriteFileSafely(Path("Notes"), "F", 1, 3), EIO);
  EXPECT_EQ(Read("Notes"), "E");
  EXPECT_EQ(KxBackupName(std::string(300, 'n'), 2).size(), 255u);
}

TEST_F(FilesTest, ReadingLimitsAndDescriptorStreams) {
  Write("five", "12345");
  char buf8[8] = {};
  std::vector<std::uint8_t> b{1};
  EXPECT_EQ(KxReadFile(Path("five"), b, 4), EFBIG);
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(KxReadFile(Path("five"), b, 5), 0);
  EXPECT_EQ(b.size(), 5u);
  EXPECT_EQ(KxReadFile(dir, b), EISDIR);
  // A pseudo-file says it holds nothing until it is read; an empty file
  // holds nothing indeed.
  EXPECT_EQ(KxReadFile("/proc/self/status", b), 0);
  EXPECT_NE(std::string(b.begin(), b.end()).find("Name:"), std::string::npos);
  EXPECT_EQ(KxReadFile("/proc/self/status", b, 8), EFBIG);
  // One that goes on for gigabytes is refused at a bound, not read whole.
  if (access("/proc/self/pagemap", R_OK) == 0) {
    EXPECT_EQ(KxReadFile("/proc/self/pagemap", b), EFBIG);
  }
  CKXFileReader pseudo;
  ASSERT_EQ(pseudo.Open("/proc/self/status"), 0);
  std::size_t held = 0;
  ASSERT_EQ(pseudo.ReadAt(0, buf8, 5, held), 0);
  EXPECT_EQ(std::string(buf8, held), "Name:");
  Write("empty", "");
  EXPECT_EQ(KxReadFile(Path("empty"), b), 0);
  EXPECT_TRUE(b.empty());

  int fd = open(Path("five").c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  long at = -1, size = -1;
  char buf[8] = {};
  std::size_t got = 0;
  EXPECT_EQ(KxFdSetPosition(fd, 3), 0);
  EXPECT_EQ(KxFdRead(fd, buf, sizeof buf, got), 0);
  EXPECT_EQ(got, 2u);  // short where the file ends
  EXPECT_EQ(std::string(buf, got), "45");
  EXPECT_EQ(KxFdGetPosition(fd, at), 0);
  EXPECT_EQ(at, 5);
  EXPECT_EQ(KxFdWrite(fd, "67", 2), 0);
  EXPECT_EQ(KxFdSetSize(fd, 6), 0);
  EXPECT_EQ(KxFdGetSize(fd, size), 0);
  EXPECT_EQ(size, 6);
  close(fd);
  EXPECT_EQ(Read("five"), "123456");
  EXPECT_EQ(KxFdGetSize(fd, size), EBADF);
  EXPECT_EQ(KxFdRead(fd, buf, 1, got), EBADF);
  EXPECT_EQ(KxFdWrite(fd, "x", 1), EBADF);
}

// What is no regular file is refused at once: a pipe with no writer would
// hold the open (and the program) forever.
TEST_F(FilesTest, PipesAndDevicesAreRefusedWithoutWaiting) {
  alarm(20);  // a hang is a failure, not a stuck run
  ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0644), 0);
  std::vector<std::uint8_t> b;
  EXPECT_EQ(KxReadFile(Path("pipe"), b), EINVAL);
  CKXFileReader reader;
  for (auto [path, err, kind] : {std::tuple(Path("pipe"), EINVAL, EKXFileKind::kPipe),
                                 std::tuple(std::string("/dev/null"), EINVAL, EKXFileKind::kDevice),
                                 std::tuple(dir, EISDIR, EKXFileKind::kFolder)}) {
    EXPECT_EQ(reader.Open(path), err) << path;
    EXPECT_EQ(reader.Kind(), kind) << path;
  }
  // A sidecar that is a pipe is one that cannot be read.
  Write("doc.txt", "text");
  ASSERT_EQ(mkfifo(Path("._doc.txt").c_str(), 0644), 0);
  KxAppleDouble sidecar;
  EXPECT_EQ(KxReadSidecar(Path("doc.txt"), sidecar), EINVAL);
  // The size is the open file's, checked before anything is read.
  ASSERT_EQ(truncate(Path("doc.txt").c_str(), 3LL << 30), 0);
  EXPECT_EQ(reader.Open(Path("doc.txt"), std::size_t(kKxMaxOffset)), EFBIG);
  alarm(0);
}

// The temporary borrows the target's name, cut so that any valid name
// saves, and a sidecar name too long to exist is simply no sidecar.
TEST_F(FilesTest, LongestNamesSaveAndHaveNoSidecar) {
  std::string japanese;
  for (int i = 0; i < 85; ++i) japanese += "\xE3\x81\x82";  // 255 bytes
  const std::string ascii(255, 'n');
  for (const std::string& name : {japanese, ascii, std::string(254, 's')}) {
    Write(name, "first");
    EXPECT_EQ(KxWriteFileSafely(Path(name), "second", 6, 2), 0);
    EXPECT_EQ(Read(name), "second");
    KxAppleDouble sidecar;
    EXPECT_EQ(KxReadSidecar(Path(name), sidecar), ENOENT);
    EXPECT_EQ(KxRemoveSidecar(Path(name)), 0);
  }
  // A stale temporary of the cut name is swept; a look-alike of another
  // length stays.
  for (const std::string& name : {"." + ascii.substr(0, 240) + ".kxsave-AbCdEf", std::string(".n.kxsave-AbCdEfG")}) {
    Write(name, "x");
    const struct timespec old[2] = {{1000, 0}, {1000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, Path(name).c_str(), old, 0), 0);
  }
  ASSERT_EQ(KxWriteFileSafely(Path(ascii), "third", 5), 0);
  std::vector<std::string> names{".n.kxsave-AbCdEfG", "[1]" + ascii.substr(0, 252), "[1]" + std::string(252, 's'),
                                 "[1]" + japanese.substr(0, 252), japanese, ascii, std::string(254, 's')};
  std::sort(names.begin(), names.end());
  EXPECT_EQ(Names(), names);
}

// A file that cannot be replaced by rename is written in place: it keeps
// its inode (so owner, links and attributes), makes no temporary in its
// folder, and a full disk found at the reservation leaves it whole.
TEST_F(FilesTest, WrittenInPlaceWhenTheFolderOrTheOwnerForbidsARename) {
  Write("doc", "the old contents");
  ASSERT_EQ(link(Path("doc").c_str(), Path("second name").c_str()), 0);
  struct stat before, after;
  ASSERT_EQ(stat(Path("doc").c_str(), &before), 0);
  for (auto step : {kx_filetest::kStepCreate, kx_filetest::kStepChown}) {
    kx_filetest::FailStep(step, EPERM);
    CKXSafeWriter w(Path("doc"));
    ASSERT_EQ(w.Open(), 0) << step;
    EXPECT_TRUE(w.InPlace());
    EXPECT_EQ(w.FolderRefused(), step == kx_filetest::kStepCreate);
    // The folder's own temporary, or one outside it.
    EXPECT_EQ(w.TempPath().rfind(dir, 0) == 0, step == kx_filetest::kStepChown) << w.TempPath();
    const std::string text = step == kx_filetest::kStepCreate ? "new" : "newer";
    ASSERT_EQ(w.Write(text.data(), text.size()), 0);
    ASSERT_EQ(w.Commit(2), 0);
    EXPECT_FALSE(KxPathExists(w.TempPath()));
    ASSERT_EQ(stat(Path("doc").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(Read("second name"), text);
    // Backups need the folder: none when it refused, a copy of the old
    // contents (never a second link to what is overwritten) when not.
    EXPECT_EQ(Read("[1]doc"), step == kx_filetest::kStepCreate ? "<missing>" : "new");
    ASSERT_EQ(stat(Path("doc").c_str(), &before), 0);
  }
  std::remove(Path("[1]doc").c_str());
  // Failures: at the reservation nothing changes; shorter and longer
  // contents both end at their own length.
  kx_filetest::FailStep(kx_filetest::kStepChown, EPERM);
  kx_filetest::FailStep(kx_filetest::kStepReserve, ENOSPC);
  EXPECT_EQ(KxWriteFileSafely(Path("doc"), "a much longer text than before", 30), ENOSPC);
  EXPECT_EQ(Read("doc"), "newer");
  for (const std::string& text : {std::string("a much longer text than before"), std::string("short")}) {
    kx_filetest::FailStep(kx_filetest::kStepCreate, EACCES);
    ASSERT_EQ(KxWriteFileSafely(Path("doc"), text.data(), text.size()), 0);
    EXPECT_EQ(Read("second name"), text);
  }
  {
    CKXSafeBatch batch;  // a batch closes its temporaries before the commit
    kx_filetest::FailStep(kx_filetest::kStepCreate, EACCES);
    ASSERT_EQ(batch.Add(Path("doc"), "batched", 7), 0);
    ASSERT_EQ(batch.Commit(), 0);
  }
  EXPECT_EQ(Read("second name"), "batched");
  EXPECT_EQ(Names(), std::vector<std::string>({"doc", "second name"}));
  // No fallback for a new file, nor for a file we may not write.
  kx_filetest::FailStep(kx_filetest::kStepCreate, EACCES);
  CKXSafeWriter fresh(Path("fresh"));
  EXPECT_EQ(fresh.Open(), EACCES);
  EXPECT_TRUE(fresh.FolderRefused());
  EXPECT_FALSE(KxPathExists(Path("fresh")));
}

// Another user's file that we may not write stays theirs even in a folder
// open to everyone: the rename that would replace it is refused. Needs
// root to make the other user (the save runs as nobody in a child).
TEST_F(FilesTest, AnotherUsersFileIsNotReplacedThroughAnOpenFolder) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  Write("theirs", "root's text");
  ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
  ASSERT_EQ(chmod(Path("theirs").c_str(), 0644), 0);
  struct stat before, after;
  ASSERT_EQ(stat(Path("theirs").c_str(), &before), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) _exit(99);
    const int refused = KxWriteFileSafely(Path("theirs"), "nobody's", 8);
    // A file of our own beside it still saves.
    const int own = KxWriteFileSafely(Path("mine"), "ok", 2);
    _exit(refused == EACCES && own == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ASSERT_EQ(stat(Path("theirs").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_uid, 0u);
  EXPECT_EQ(Read("theirs"), "root's text");
  EXPECT_EQ(Names(), std::vector<std::string>({"mine", "theirs"}));
}

// Every name of a hard-linked file sees a save; its backup is a copy, and
// once the other names are gone saves replace the file again.
TEST_F(FilesTest, HardLinkedFilesAreSavedUnderEveryName) {
  Write("doc", "first");
  ASSERT_EQ(link(Path("doc").c_str(), Path("other").c_str()), 0);
  struct stat before, after;
  ASSERT_EQ(stat(Path("doc").c_str(), &before), 0);
  CKXSafeWriter w(Path("doc"));
  ASSERT_EQ(w.Open(), 0);
  EXPECT_TRUE(w.InPlace());
  EXPECT_FALSE(w.FolderRefused());
  ASSERT_EQ(w.Write("second", 6), 0);
  ASSERT_EQ(w.Commit(1), 0);
  ASSERT_EQ(stat(Path("doc").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(Read("other"), "second");
  EXPECT_EQ(Read("[1]doc"), "first");
  // A full disk leaves both names the old contents.
  kx_filetest::FailStep(kx_filetest::kStepReserve, ENOSPC);
  EXPECT_EQ(KxWriteFileSafely(Path("other"), "a longer third text", 19), ENOSPC);
  EXPECT_EQ(Read("doc"), "second");
  ASSERT_EQ(unlink(Path("other").c_str()), 0);
  Write("doc", "third");
  ASSERT_EQ(stat(Path("doc").c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(Names(), std::vector<std::string>({"[1]doc", "doc"}));
}

// The user's attributes and the access list go with the new contents.
TEST_F(FilesTest, ExtendedAttributesSurviveASave) {
  Write("doc", "old");
  if (setxattr(Path("doc").c_str(), "user.kx.colour", "blue", 4, 0) != 0) GTEST_SKIP() << "no user attributes here";
  // An access list giving user 4242 read and write: owner rw, user rw,
  // group r, mask rw, other r (version 2, little-endian entries).
  const unsigned char acl[] = {2, 0, 0, 0,  1, 0, 6, 0, 0xFF, 0xFF, 0xFF, 0xFF,  2, 0, 6, 0, 0x92, 0x10, 0, 0,
                               4, 0, 4, 0, 0xFF, 0xFF, 0xFF, 0xFF,  0x10, 0, 6, 0, 0xFF, 0xFF, 0xFF, 0xFF,
                               0x20, 0, 4, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  const bool acls = setxattr(Path("doc").c_str(), "system.posix_acl_access", acl, sizeof acl, 0) == 0;
  Write("doc", "new");
  EXPECT_EQ(Read("doc"), "new");
  char value[64] = {};
  EXPECT_EQ(getxattr(Path("doc").c_str(), "user.kx.colour", value, sizeof value), 4);
  EXPECT_EQ(std::string(value, 4), "blue");
  if (acls) {
    unsigned char back[sizeof acl] = {};
    EXPECT_EQ(getxattr(Path("doc").c_str(), "system.posix_acl_access", back, sizeof back), ssize_t(sizeof acl));
    EXPECT_EQ(std::memcmp(back, acl, sizeof acl), 0);
  }
}

}  // namespace
