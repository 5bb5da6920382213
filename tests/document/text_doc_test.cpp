// The text document in the application on the headless host: opening from
// the command line, typing, saving, reverting, closing and quitting with
// the save question; failures that must leave file and document alone;
// backups once per opening; auto-save; the Save As format choices.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "app/application.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
void Spit(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }
[[maybe_unused]] std::set<std::string> Listing(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

class TextDocTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KxFontInstallBackend(KxSyntheticFontBackend());
    KxRegisterFrameworkClasses();
    dir = fs::temp_directory_path() / ("kx_tdoc_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    CKXTextDocument::GetSettings() = CKXTextDocument::Settings{};
    app = std::make_unique<CKXTextApp>(&hooks);
    app->Prepare();
  }
  void TearDown() override {
    kx_filetest::Reset();
    for (CKXTextDocument* d : KxTextDocHooks::All()) delete d;
    app.reset();
    fs::remove_all(dir);
  }
  void Drain() {
    for (int guard = 0; guard < 10000 && host.PendingEvents() > 0; ++guard) app->ProcessNextEvent();
  }
  void Type(const std::string& s) {
    for (char c : s) host.PostKey(std::uint8_t(c), 0);
    Drain();
  }
  void Command(CommandT c) {
    LCommander::GetTarget()->ProcessCommand(c, nullptr);
    Drain();
  }
  CKXTextDocument* Front() {
    auto all = KxTextDocHooks::All();
    for (CKXTextDocument* d : all)
      if (d->GetWindow() == LWindow::FetchFrontWindow()) return d;
    return nullptr;
  }
  CKXTextDocument* Open(const fs::path& p) {
    if (!hooks.OpenDocument(p.string())) return nullptr;
    Drain();
    return Front();
  }

  KxHeadlessHost host;
  KxTextDocHooks hooks;
  std::unique_ptr<CKXTextApp> app;
  fs::path dir;
};

constexpr CommandT kSave = 5, kRevert = 7, kClose = 4;

TEST_F(TextDocTest, OpenTypeSaveRevertClose) {
  const fs::path p = dir / "notes.txt";
  Spit(p, "hello\n");
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->TextBytes(), "hello\n");
  EXPECT_FALSE(d->IsModifiedNow());
  Type("ab");
  EXPECT_TRUE(d->IsModified());
  EXPECT_EQ(d->TextBytes(), "abhello\n");
  Command(kSave);
  EXPECT_EQ(Slurp(p), "abhello\n");
  EXPECT_FALSE(d->IsModified());
  Type("X");
  host.QueueAnswer(KxAnswer::kOK);   // discard the changes
  Command(kRevert);
  EXPECT_EQ(d->TextBytes(), "abhello\n");
  EXPECT_FALSE(d->IsModified());
  Type("Y");
  host.QueueAnswer(KxAnswer::kCancel);
  Command(kClose);
  ASSERT_EQ(KxTextDocHooks::All().size(), 1u);
  host.QueueAnswer(KxAnswer::kSave);
  Command(kClose);
  EXPECT_TRUE(KxTextDocHooks::All().empty());
  EXPECT_EQ(Slurp(p), "Yabhello\n");
}

}  // namespace
