#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <string>
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
  std::vector<std::uint8_t> b{1};
  EXPECT_EQ(KxReadFile(Path("five"), b, 4), EFBIG);
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(KxReadFile(Path("five"), b, 5), 0);
  EXPECT_EQ(b.size(), 5u);
  EXPECT_EQ(KxReadFile(dir, b), EISDIR);

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

}  // namespace
