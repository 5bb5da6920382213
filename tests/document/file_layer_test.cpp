// What a document save asks of the file layer: backup names that stay
// whole UTF-8, a backup even where hard links fail, and no temporary files
// of crashed saves left to pile up.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"

namespace fs = std::filesystem;

namespace {

bool ValidUTF8(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

class FileLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("kxlayer_" + std::to_string(getpid()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    kx_filetest::Reset();
    fs::remove_all(dir);
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }
  fs::path dir;
};

TEST(BackupNames, CutOnCharacterBoundaries) {
  // Names of three-byte characters, so that the cut at 255 bytes falls at
  // each place within one.
  for (int pad = 0; pad < 3; ++pad) {
    for (int generation : {1, 9, 10}) {
      std::string name(std::size_t(pad), 'a');
      for (int i = 0; i < 90; ++i) name += "\xE3\x81\x82";  // U+3042
      const std::string b = KxBackupName(name, generation);
      EXPECT_LE(b.size(), 255u);
      EXPECT_GE(b.size(), 253u);
      EXPECT_TRUE(ValidUTF8(b)) << pad << " " << generation;
    }
  }
  EXPECT_EQ(KxBackupName("short.txt", 2), "[2]short.txt");
}

TEST_F(FileLayer, BackupByCopyWhenLinkFails) {
  const std::string path = Path("doc.txt");
  ASSERT_EQ(KxWriteFileSafely(path, "one", 3), 0);
  kx_filetest::FailStep(kx_filetest::kStepLink, EPERM);
  ASSERT_EQ(KxWriteFileSafely(path, "two", 3, 1), 0);
  std::vector<std::uint8_t> b;
  ASSERT_EQ(KxReadFile(Path(KxBackupName("doc.txt", 1)), b), 0);
  EXPECT_EQ(std::string(b.begin(), b.end()), "one");
  ASSERT_EQ(KxReadFile(path, b), 0);
  EXPECT_EQ(std::string(b.begin(), b.end()), "two");
}

TEST_F(FileLayer, SaveSweepsItsStaleTemporaries) {
  const std::string path = Path("doc.txt");
  const std::string stale = Path(".doc.txt.kxsave-AbC123");
  const std::string fresh = Path(".doc.txt.kxsave-XyZ789");
  const std::string other = Path(".other.txt.kxsave-AbC123");
  for (const std::string& p : {stale, fresh, other}) std::ofstream(p) << "left";
  struct utimbuf old = {time(nullptr) - 3600, time(nullptr) - 3600};
  ASSERT_EQ(utime(stale.c_str(), &old), 0);
  ASSERT_EQ(utime(other.c_str(), &old), 0);
  ASSERT_EQ(KxWriteFileSafely(path, "text", 4), 0);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(fresh));  // perhaps a save still running
  EXPECT_TRUE(fs::exists(other));  // not this target's
}

}  // namespace
