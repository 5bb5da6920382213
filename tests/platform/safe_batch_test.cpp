// Many files written safely with one sync per file system and one per
// folder, not two per file; a file whose step fails keeps its contents.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files.h"

namespace fs = std::filesystem;

namespace {
std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

TEST(SafeBatch, FewSyncsAndFailuresKeepTheOldFile) {
  const std::string d = (fs::temp_directory_path() / ("kx_batch_" + std::to_string(getpid()))).string();
  fs::remove_all(d);
  fs::create_directories(d + "/sub");
  for (int i = 0; i < 50; ++i) std::ofstream(d + "/f" + std::to_string(i)) << "old";
  std::ofstream(d + "/sub/g") << "old";
  const long before = kx_filetest::BatchSyncs();
  {
    CKXSafeBatch batch;
    for (int i = 0; i < 50; ++i) ASSERT_EQ(batch.Add(d + "/f" + std::to_string(i), "new", 3), 0);
    ASSERT_EQ(batch.Add(d + "/sub/g", "new", 3), 0);
    EXPECT_EQ(Read(d + "/f0"), "old");   // nothing replaced before the commit
    EXPECT_EQ(batch.Commit(), 0);
  }
  // One file system, two folders: three syncs for 51 files.
  EXPECT_EQ(kx_filetest::BatchSyncs() - before, 3);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(Read(d + "/f" + std::to_string(i)), "new");
  EXPECT_EQ(Read(d + "/sub/g"), "new");
  // A rename that fails leaves that file old and the others new.
  {
    CKXSafeBatch batch;
    ASSERT_EQ(batch.Add(d + "/f0", "third", 5), 0);
    ASSERT_EQ(batch.Add(d + "/f1", "third", 5), 0);
    kx_filetest::FailStep(kx_filetest::kStepRename, EIO);
    EXPECT_EQ(batch.Commit(), EIO);
  }
  EXPECT_EQ(Read(d + "/f0"), "new");
  EXPECT_EQ(Read(d + "/f1"), "third");
  // A failed sync replaces nothing; a batch never committed neither, and
  // no temporary file stays behind.
  {
    CKXSafeBatch batch;
    ASSERT_EQ(batch.Add(d + "/f2", "fourth", 6), 0);
    kx_filetest::FailStep(kx_filetest::kStepSync, EIO);
    EXPECT_EQ(batch.Commit(), EIO);
    CKXSafeBatch dropped;
    ASSERT_EQ(dropped.Add(d + "/f3", "fourth", 6), 0);
  }
  kx_filetest::Reset();
  EXPECT_EQ(Read(d + "/f2"), "new");
  EXPECT_EQ(Read(d + "/f3"), "new");
  std::size_t entries = 0;
  for (const auto& e : fs::directory_iterator(d)) entries += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(entries, 50u);
  fs::remove_all(d);
}

TEST(SafeBatch, StaleTemporariesOfAFolderGoInOneSweep) {
  const std::string d = (fs::temp_directory_path() / ("kx_batch_sweep_" + std::to_string(getpid()))).string();
  fs::remove_all(d);
  fs::create_directories(d);
  std::ofstream(d + "/a") << "old";
  // A crash's leftovers: one of a file the batch does not touch, stale; one
  // still fresh (a save that may be running); one that only looks alike.
  std::ofstream(d + "/.other.kxsave-ABC123") << "x";
  std::ofstream(d + "/.fresh.kxsave-DEF456") << "x";
  std::ofstream(d + "/.other.kxsave-ABC12") << "x";
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(d + "/.other.kxsave-ABC123", old);
  fs::last_write_time(d + "/.other.kxsave-ABC12", old);
  {
    CKXSafeBatch batch;
    ASSERT_EQ(batch.Add(d + "/a", "new", 3), 0);
    EXPECT_EQ(batch.Commit(), 0);
  }
  EXPECT_EQ(Read(d + "/a"), "new");
  EXPECT_FALSE(fs::exists(d + "/.other.kxsave-ABC123"));
  EXPECT_TRUE(fs::exists(d + "/.fresh.kxsave-DEF456"));
  EXPECT_TRUE(fs::exists(d + "/.other.kxsave-ABC12"));
  fs::remove_all(d);
}
