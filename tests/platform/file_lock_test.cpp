// Locking a file takes every write bit; unlocking gives back what locking
// took, and for a file locked before, what chmod +w would.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/folders.h"

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

struct Umask {
  mode_t was;
  explicit Umask(mode_t m) : was(umask(m)) {}
  ~Umask() { umask(was); }
};

}  // namespace

TEST(FileLock, UnlockingGivesBackTheWriteBitsLockingTook) {
  const std::string path = "/tmp/kx_file_lock_" + std::to_string(getpid());
  std::FILE* f = std::fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  const Umask mask(022);
  for (mode_t mode : {mode_t(0664), mode_t(0666), mode_t(0644), mode_t(0600), mode_t(0620)}) {
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    ASSERT_EQ(KxSetFileLocked(path, true), 0);
    EXPECT_EQ(ModeOf(path), mode & ~mode_t(0222));
    KxFileFacts facts;
    ASSERT_EQ(KxGetFileFacts(path, facts), 0);
    EXPECT_TRUE(facts.locked);
    ASSERT_EQ(KxSetFileLocked(path, false), 0);
    EXPECT_EQ(ModeOf(path), mode) << std::oct << mode;
  }
  // Locked before this run: the owner may write again, and the others who
  // may read as far as the umask lets them.
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  ASSERT_EQ(KxSetFileLocked(path, false), 0);
  EXPECT_EQ(ModeOf(path), mode_t(0644));
  {
    const Umask open(002);
    ASSERT_EQ(chmod(path.c_str(), 0440), 0);
    ASSERT_EQ(KxSetFileLocked(path, false), 0);
    EXPECT_EQ(ModeOf(path), mode_t(0660));
  }
  // Write bits given meanwhile are the user's: unlocking leaves them.
  ASSERT_EQ(chmod(path.c_str(), 0664), 0);
  ASSERT_EQ(KxSetFileLocked(path, true), 0);
  ASSERT_EQ(chmod(path.c_str(), 0644), 0);
  ASSERT_EQ(KxSetFileLocked(path, false), 0);
  EXPECT_EQ(ModeOf(path), mode_t(0644));
  std::remove(path.c_str());
}
