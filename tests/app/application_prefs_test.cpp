// The application's reading and writing of the settings: what the user is
// told when the preference file or the colour schedule cannot be used.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/color_schedule_file.h"
#include "app/globals.h"
#include "app/prefs_file.h"
#include "platform/files.h"
#include "platform/host/headless.h"

namespace {

namespace fs = std::filesystem;

class FolderHooks : public KxAppHooks {
 public:
  explicit FolderHooks(std::string path) : mPath(std::move(path)) {}
  std::string PreferencePath() override { return mPath; }

 private:
  std::string mPath;
};

class AppPrefs : public ::testing::Test {
 protected:
  void SetUp() override {
    KxSetGlobalDefaults();
    dir = fs::temp_directory_path() / ("kxappprefs_" + std::to_string(getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::remove_all(dir);
    KxForgetStoredChunks();
    KxSetGlobalDefaults();
  }
  // The alerts' texts, each checked to be a note (a quit never waits on a question).
  std::vector<std::string> Notes() const {
    std::vector<std::string> texts;
    for (const auto& a : host.Alerts()) {
      EXPECT_EQ(a.kind, KxAlertKind::kNote) << a.text;
      texts.push_back(a.text);
    }
    return texts;
  }
  fs::path dir;
  KxHeadlessHost host;
};

bool Mentions(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

TEST_F(AppPrefs, AMissingFileIsAFirstRunAndSaysNothing) {
  FolderHooks hooks((dir / "kxtext" / "preferences").string());
  hooks.ReadPreference();
  gPrefModify = true;
  hooks.WritePreference();
  EXPECT_TRUE(host.Alerts().empty());
  EXPECT_TRUE(fs::is_regular_file(dir / "kxtext" / "preferences"));
}

// Something that is there but cannot be read is named with the reason once,
// at the start, and left as it is at the quit without a second word.
TEST_F(AppPrefs, AnUnreadableFileIsToldOnceAndNotWrittenOver) {
  const fs::path p = dir / "preferences";
  fs::create_directories(p);
  FolderHooks hooks(p.string());
  hooks.ReadPreference();
  auto notes = Notes();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_TRUE(Mentions(notes[0], p.string())) << notes[0];
  EXPECT_TRUE(Mentions(notes[0], KxErrorText(EISDIR))) << notes[0];
  EXPECT_TRUE(Mentions(notes[0], "上書きしない")) << notes[0];
  gPrefModify = true;
  hooks.WritePreference();
  EXPECT_EQ(host.Alerts().size(), 1u);
  EXPECT_TRUE(fs::is_directory(p));
}

// A write that fails at the quit (here the folder the file belongs in is a
// file) names the path and the error.
TEST_F(AppPrefs, AFailedWriteIsTold) {
  const fs::path folder = dir / "kxtext";
  FolderHooks hooks((folder / "preferences").string());
  hooks.ReadPreference();
  ASSERT_TRUE(host.Alerts().empty());
  ASSERT_EQ(KxWriteFileSafely(folder.string(), "x", 1), 0);   // arrives while the program runs
  gPrefModify = true;
  hooks.WritePreference();
  const auto notes = Notes();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_TRUE(Mentions(notes[0], (folder / "preferences").string())) << notes[0];
  EXPECT_TRUE(Mentions(notes[0], "保存できませんでした")) << notes[0];
  // Nothing to write: nothing to tell.
  gPrefModify = false;
  hooks.WritePreference();
  EXPECT_EQ(host.Alerts().size(), 1u);
}

TEST_F(AppPrefs, WithoutAFolderNothingIsReadOrWritten) {
  FolderHooks hooks("");
  hooks.ReadPreference();
  auto notes = Notes();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_TRUE(Mentions(notes[0], "ホームフォルダ")) << notes[0];
  gPrefModify = true;
  hooks.WritePreference();
  EXPECT_EQ(host.Alerts().size(), 1u);
  EXPECT_TRUE(gPrefModify);
}

// A schedule file that cannot be read is kept and named once.
TEST_F(AppPrefs, AnUnreadableScheduleIsTold) {
  const fs::path p = dir / "preferences";
  const fs::path schedule = dir / fs::path(KxColorSchedulePath()).filename();
  ASSERT_EQ(KxWriteFileSafely(schedule.string(), "not a schedule", 14), 0);
  FolderHooks hooks(p.string());
  hooks.ReadPreference();
  const auto notes = Notes();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_TRUE(Mentions(notes[0], schedule.string())) << notes[0];
  EXPECT_TRUE(Mentions(notes[0], "スケジュールは使いません")) << notes[0];
  gPrefModify = true;
  hooks.WritePreference();
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(KxReadFile(schedule.string(), bytes), 0);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "not a schedule");
}

}  // namespace
