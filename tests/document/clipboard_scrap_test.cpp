// The scrap book: clips stored, named, deleted and read back across a
// restart; its file written safely, migrated from the earlier name and
// replaced by the factory clips when emptied; the Edit menu's clip items.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "app/app_commands.h"
#include "app/dynamic_menus.h"
#include "app/globals.h"
#include "app/prefs_records.h"
#include "common/styled_sample.h"
#include "common/test_main.h"
#include "doc_app_fixture.h"
#include "document/clipboard_window.h"
#include "document/doc_file.h"
#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "layout/kxtext_api.h"
#include "platform/bytefields.h"
#include "platform/files.h"
#include "platform/framework/menu.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> FileBytes(const fs::path& p) {
  std::vector<std::uint8_t> out;
  KxReadFile(p.string(), out);
  return out;
}

// Line heights measured on screen are not stored: a text read back has them
// unmeasured (0) until it is laid out.
void ForgetMeasures(CKXText& t) {
  KXTextHandle h = KXHandleAccess::Wrap(&t);
  std::vector<SKXStyl> runs(std::size_t(KXText_GetStylCount(h)));
  runs.resize(std::size_t(KXText_GetStyls(h, runs.data(), std::int32_t(runs.size()))));
  for (SKXStyl& r : runs) r.styl.height = r.styl.ascent = 0;
  KXText_SetStyls(h, runs.data(), std::int32_t(runs.size()));
}

class ScrapBook : public kxtest::DocAppTest {
 protected:
  void SetUp() override {
    kxtest::DocAppTest::SetUp();
    CKXTextClipboard::TerminateScrap();
    prefs = dir / "prefs";
    data = dir / "data";
    fs::create_directories(prefs);
    fs::create_directories(data / "factory");
    CKXTextClipboard::SetFolders(prefs.string(), data.string());
    gPreference.flags |= kKxPrefFlagScrapBook;
  }
  void TearDown() override {
    CKXTextClipboard::TerminateScrap();
    kxtest::DocAppTest::TearDown();
  }
  static bool Add(const std::string& name, const std::string& bytes) {
    CKXText t;
    t.InsertString(0, bytes.data(), long(bytes.size()), nullptr, nullptr, nullptr, 0);
    return CKXTextClipboard::AddClip(name, KXHandleAccess::Wrap(&t));
  }
  static std::string ClipBytes(long n) {
    CKXText t;
    if (!CKXTextClipboard::GetScrapText(n, KXHandleAccess::Wrap(&t))) return "<none>";
    return kxtest::Bytes(t, 0, t.GetLength());
  }
  // Quit and start again over the same folders.
  static void Restart() {
    CKXTextClipboard::TerminateScrap();
    CKXTextClipboard::InitializeScrap(true);
  }
  // A factory copy holding the given clips.
  void MakeFactory(const std::vector<std::pair<std::string, std::string>>& clips) {
    CKXTextClipboard::TerminateScrap();
    CKXTextClipboard::SetFolders((data / "factory").string(), data.string());
    CKXTextClipboard::InitializeScrap(false);
    for (const auto& [name, bytes] : clips) ASSERT_TRUE(Add(name, bytes));
    CKXTextClipboard::TerminateScrap();
    CKXTextClipboard::SetFolders(prefs.string(), data.string());
    ASSERT_TRUE(fs::exists(CKXTextClipboard::FactoryScrapPath()));
  }

  fs::path prefs, data;
};

// ---- clips and their names --------------------------------------------------------------------

TEST_F(ScrapBook, ClipsAreStoredNamedAndCountedAsTheMarksSay) {
  CKXTextClipboard::InitializeScrap(true);
  ASSERT_TRUE(CKXTextClipboard::IsScrapLoaded());
  EXPECT_FALSE(CKXTextClipboard::IsScrapChanged());
  EXPECT_FALSE(Add("", "text")) << "an empty name stores nothing";
  EXPECT_EQ(CKXTextClipboard::CountClips(), 0);
  ASSERT_TRUE(Add(std::string(40, 'n'), "first"));
  ASSERT_TRUE(Add("second", "two\rlines"));
  EXPECT_EQ(CKXTextClipboard::ClipName(1), std::string(31, 'n')) << "a 40-byte name keeps 31 bytes";
  EXPECT_EQ(ClipBytes(1), "first");
  EXPECT_EQ(ClipBytes(2), "two\rlines");
  EXPECT_EQ(ClipBytes(3), "<none>") << "a clip past the count";
  EXPECT_EQ(ClipBytes(0), "<none>");
  // Twenty double-byte characters are 40 bytes: the cut keeps 15 of them
  // whole rather than 15 and a half.
  std::string kanji;
  for (int k = 0; k < 20; ++k) kanji += "\x88\x9F";
  ASSERT_TRUE(Add(kanji, "x"));
  EXPECT_EQ(CKXTextClipboard::ClipName(3), kanji.substr(0, 30));
  // Deleting the middle clip leaves the others with their own texts.
  ASSERT_TRUE(CKXTextClipboard::DeleteClip(2));
  EXPECT_EQ(CKXTextClipboard::CountClips(), 2);
  EXPECT_EQ(ClipBytes(1), "first");
  EXPECT_EQ(ClipBytes(2), "x");
  EXPECT_FALSE(CKXTextClipboard::DeleteClip(3));
  EXPECT_TRUE(CKXTextClipboard::IsScrapChanged());
}

TEST_F(ScrapBook, AStyledClipWithRubySideCharactersAndPicturesSurvivesARestart) {
  CKXTextClipboard::InitializeScrap(true);
  std::mt19937 rng(7);
  CKXText source;
  kxtest::BuildSource(source, rng, 200, true);
  ASSERT_GT(KXText_GetRubysCount(KXHandleAccess::Wrap(&source)), 0);
  ASSERT_TRUE(Add("plain", "before"));
  ASSERT_TRUE(CKXTextClipboard::AddClip("styled", KXHandleAccess::Wrap(&source)));
  CKXText stored;
  ASSERT_TRUE(CKXTextClipboard::GetScrapText(2, KXHandleAccess::Wrap(&stored)));
  EXPECT_EQ(kxtest::Bytes(stored, 0, stored.GetLength()), kxtest::Bytes(source, 0, source.GetLength()));
  Restart();
  ASSERT_EQ(CKXTextClipboard::CountClips(), 2);
  EXPECT_EQ(CKXTextClipboard::ClipName(2), "styled");
  CKXText back;
  ASSERT_TRUE(CKXTextClipboard::GetScrapText(2, KXHandleAccess::Wrap(&back)));
  ForgetMeasures(stored);
  kxtest::ExpectSame(stored, back);
  EXPECT_EQ(KXText_GetRubysCount(KXHandleAccess::Wrap(&back)), KXText_GetRubysCount(KXHandleAccess::Wrap(&source)));
  EXPECT_EQ(ClipBytes(1), "before");
}

// ---- the file -------------------------------------------------------------------------------

TEST_F(ScrapBook, DeletingTheLastClipRemovesTheFileAndBringsTheFactoryClipsBack) {
  MakeFactory({{"greeting", "Dear Sir,"}, {"close", "Yours,"}});
  CKXTextClipboard::InitializeScrap(true);
  EXPECT_EQ(CKXTextClipboard::CountClips(), 2) << "no user file: the factory clips";
  EXPECT_FALSE(CKXTextClipboard::IsScrapChanged());
  ASSERT_TRUE(Add("mine", "own"));
  Restart();
  ASSERT_TRUE(fs::exists(CKXTextClipboard::ScrapPath()));
  while (CKXTextClipboard::CountClips() > 0) ASSERT_TRUE(CKXTextClipboard::DeleteClip(1));
  ASSERT_TRUE(CKXTextClipboard::UpdateScrap());
  EXPECT_FALSE(fs::exists(CKXTextClipboard::ScrapPath()));
  EXPECT_EQ(CKXTextClipboard::CountClips(), 2);
  EXPECT_EQ(CKXTextClipboard::ClipName(1), "greeting");
  EXPECT_EQ(ClipBytes(2), "Yours,");
}

// Without a preference folder (no home folder) the book is kept in memory
// only: nothing is written, least of all at the file system's root.
TEST_F(ScrapBook, WithoutAPreferenceFolderNothingIsWritten) {
  CKXTextClipboard::SetFolders("", data.string());
  CKXTextClipboard::InitializeScrap(true);
  EXPECT_EQ(CKXTextClipboard::ScrapPath(), "");
  ASSERT_TRUE(Add("mine", "own"));
  EXPECT_TRUE(CKXTextClipboard::UpdateScrap());
  EXPECT_EQ(ClipBytes(CKXTextClipboard::CountClips()), "own");
  EXPECT_FALSE(fs::exists("/" + fs::path(CKXTextClipboard::FactoryScrapPath()).filename().string()));
  EXPECT_TRUE(host.Alerts().empty());
}

TEST_F(ScrapBook, AScrapBookUnderTheEarlierNameMovesToTheCurrentOne) {
  CKXTextClipboard::InitializeScrap(true);
  ASSERT_TRUE(Add("old", "kept"));
  ASSERT_TRUE(CKXTextClipboard::UpdateScrap());
  CKXTextClipboard::TerminateScrap();
  fs::rename(CKXTextClipboard::ScrapPath(), CKXTextClipboard::EarlierScrapPath());
  CKXTextClipboard::InitializeScrap(true);
  EXPECT_EQ(ClipBytes(1), "kept");
  EXPECT_TRUE(CKXTextClipboard::IsScrapChanged()) << "to be written under the current name";
  ASSERT_TRUE(CKXTextClipboard::UpdateScrap());
  EXPECT_TRUE(fs::exists(CKXTextClipboard::ScrapPath()));
  EXPECT_FALSE(fs::exists(CKXTextClipboard::EarlierScrapPath()));
}

// The factory copy stands in only for a user with no clips at all: a book
// under the earlier name is read, and not removed unread by the first write.
TEST_F(ScrapBook, AScrapBookUnderTheEarlierNameComesBeforeTheFactoryClips) {
  MakeFactory({{"greeting", "Dear Sir,"}});
  // A user's book, stored under the earlier name.
  CKXTextClipboard::InitializeScrap(true);
  ASSERT_TRUE(CKXTextClipboard::DeleteClip(1));
  ASSERT_TRUE(Add("old", "kept"));
  ASSERT_TRUE(CKXTextClipboard::UpdateScrap());
  CKXTextClipboard::TerminateScrap();
  fs::rename(CKXTextClipboard::ScrapPath(), CKXTextClipboard::EarlierScrapPath());
  CKXTextClipboard::InitializeScrap(true);
  ASSERT_EQ(CKXTextClipboard::CountClips(), 1);
  EXPECT_EQ(ClipBytes(1), "kept");
  ASSERT_TRUE(Add("new", "more"));
  Restart();
  EXPECT_EQ(CKXTextClipboard::CountClips(), 2);
  EXPECT_EQ(CKXTextClipboard::ClipName(1), "old");
  EXPECT_FALSE(fs::exists(CKXTextClipboard::EarlierScrapPath()));
}

TEST_F(ScrapBook, AFailedWriteKeepsTheOldFileAndTheClipsAndSaysSoOnce) {
  CKXTextClipboard::InitializeScrap(true);
  ASSERT_TRUE(Add("one", "1"));
  ASSERT_TRUE(CKXTextClipboard::UpdateScrap());
  const std::vector<std::uint8_t> before = FileBytes(CKXTextClipboard::ScrapPath());
  // An earlier file lying about must survive a failed write too.
  std::ofstream(CKXTextClipboard::EarlierScrapPath()) << "earlier";
  ASSERT_TRUE(Add("two", "2"));
  for (int attempt = 0; attempt < 2; ++attempt) {
    kx_filetest::FailStep(kx_filetest::kStepRename, EACCES);
    EXPECT_FALSE(CKXTextClipboard::UpdateScrap());
  }
  kx_filetest::Reset();
  EXPECT_EQ(FileBytes(CKXTextClipboard::ScrapPath()), before);
  EXPECT_TRUE(fs::exists(CKXTextClipboard::EarlierScrapPath()));
  EXPECT_TRUE(CKXTextClipboard::IsScrapChanged());
  ASSERT_EQ(host.Alerts().size(), 1u);
  EXPECT_NE(host.Alerts()[0].text.find("スクラップブック"), std::string::npos);
  // The next write that works takes both clips.
  Restart();
  EXPECT_EQ(CKXTextClipboard::CountClips(), 2);
  EXPECT_FALSE(fs::exists(CKXTextClipboard::EarlierScrapPath()));
}

TEST_F(ScrapBook, ACorruptOrTruncatedFileNeverStopsStartUp) {
  CKXTextClipboard::InitializeScrap(true);
  for (int k = 0; k < 5; ++k) ASSERT_TRUE(Add("clip" + std::to_string(k), std::string(20 + k, char('a' + k))));
  ASSERT_TRUE(CKXTextClipboard::UpdateScrap());
  CKXTextClipboard::TerminateScrap();
  const std::vector<std::uint8_t> whole = FileBytes(CKXTextClipboard::ScrapPath());
  std::mt19937 rng(3);
  const long steps = KxRandomSteps(40);
  for (long step = 0; step < steps; ++step) {
    std::vector<std::uint8_t> bad = whole;
    if (step % 2 == 0) bad.resize(std::size_t(rng()) % whole.size());
    else bad[std::size_t(rng()) % bad.size()] ^= std::uint8_t(1 + rng() % 255);
    std::ofstream(CKXTextClipboard::ScrapPath(), std::ios::binary).write(reinterpret_cast<const char*>(bad.data()),
                                                                       std::streamsize(bad.size()));
    CKXTextClipboard::InitializeScrap(true);
    ASSERT_TRUE(CKXTextClipboard::IsScrapLoaded());
    const long length = CKXTextClipboard::GetScrapEngine()->GetTotalRange().length;
    for (long n = 1; n <= CKXTextClipboard::CountClips(); ++n) {
      CKXText t;
      CKXTextClipboard::GetScrapText(n, KXHandleAccess::Wrap(&t));
      EXPECT_LE(t.GetLength(), length);
    }
    CKXTextClipboard::TerminateScrap();
  }
}

// ---- a damaged file ---------------------------------------------------------------------------

// A file that is there but not read whole is never written over: before
// the first write it goes to the first free ".damaged" name, the user is
// told once, and the new file holds what was read plus what came after.
TEST_F(ScrapBook, ADamagedFileIsKeptAsideBeforeTheFirstWrite) {
  CKXTextClipboard::InitializeScrap(true);
  for (int k = 0; k < 5; ++k) ASSERT_TRUE(Add("clip" + std::to_string(k), std::string(20 + k, char('a' + k))));
  ASSERT_TRUE(CKXTextClipboard::UpdateScrap());
  CKXTextClipboard::TerminateScrap();
  const fs::path path = CKXTextClipboard::ScrapPath();
  const std::vector<std::uint8_t> whole = FileBytes(path);
  // The third clip's name length says 255: the mark record ends before
  // that, so the clips from the third on are cut off.
  std::vector<std::uint8_t> cutMark = whole;
  const std::string third = "clip2";
  auto at = std::search(cutMark.begin(), cutMark.end(), third.begin(), third.end());
  ASSERT_NE(at, cutMark.end());
  ASSERT_EQ(*(at - 1), third.size());
  *(at - 1) = 0xFF;
  std::vector<std::uint8_t> garbage(700);
  std::mt19937 rng(5);
  for (std::uint8_t& b : garbage) b = std::uint8_t(rng());
  const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> cases = {
      {"cut mark record", cutMark},
      {"truncated by 20", std::vector<std::uint8_t>(whole.begin(), whole.end() - 20)},
      {"first 100 bytes", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 100)},
      {"garbage", garbage},
      {"empty", {}},
  };
  for (std::size_t c = 0; c < cases.size(); ++c) {
    SCOPED_TRACE(cases[c].first);
    const std::vector<std::uint8_t>& bad = cases[c].second;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bad.data()), std::streamsize(bad.size()));
    const std::size_t alerts = host.Alerts().size();
    CKXTextClipboard::InitializeScrap(true);
    const long read = CKXTextClipboard::CountClips();
    EXPECT_LT(read, 5);
    // Nothing changed: nothing written, the file stays where it is.
    Restart();
    EXPECT_EQ(FileBytes(path), bad);
    ASSERT_TRUE(Add("new", "fresh"));
    ASSERT_TRUE(CKXTextClipboard::UpdateScrap());
    // Earlier cases hold the names before: each finds the next free one.
    const fs::path aside = path.string() + ".damaged" + (c > 0 ? " " + std::to_string(c + 1) : "");
    ASSERT_TRUE(fs::exists(aside));
    EXPECT_EQ(FileBytes(aside), bad);
    ASSERT_EQ(host.Alerts().size(), alerts + 1);
    EXPECT_EQ(host.Alerts().back().kind, KxAlertKind::kNote);
    EXPECT_NE(host.Alerts().back().text.find("\u300C" + aside.string() + "\u300Dとして残しました"), std::string::npos)
        << host.Alerts().back().text;
    // Later writes are ordinary ones: no second note, nothing more moved.
    ASSERT_TRUE(Add("newer", "more"));
    ASSERT_TRUE(CKXTextClipboard::UpdateScrap());
    EXPECT_EQ(host.Alerts().size(), alerts + 1);
    Restart();
    ASSERT_EQ(CKXTextClipboard::CountClips(), read + 2);
    EXPECT_EQ(ClipBytes(read + 1), "fresh");
    for (long n = 1; n <= read; ++n) EXPECT_EQ(CKXTextClipboard::ClipName(n), "clip" + std::to_string(n - 1));
    CKXTextClipboard::TerminateScrap();
  }
  EXPECT_FALSE(fs::exists(path.string() + ".damaged " + std::to_string(cases.size() + 1)));
}

TEST_F(ScrapBook, AWholeFileOrNoneIsWrittenAsBeforeWithoutANote) {
  MakeFactory({{"greeting", "Dear Sir,"}});
  CKXTextClipboard::InitializeScrap(true);
  EXPECT_EQ(CKXTextClipboard::CountClips(), 1) << "no file: the factory clips";
  ASSERT_TRUE(Add("mine", "own"));
  ASSERT_TRUE(CKXTextClipboard::UpdateScrap());
  Restart();
  ASSERT_TRUE(Add("more", "own too"));
  ASSERT_TRUE(CKXTextClipboard::UpdateScrap());
  Restart();
  EXPECT_EQ(CKXTextClipboard::CountClips(), 3);
  EXPECT_TRUE(host.Alerts().empty());
  for (const auto& entry : fs::directory_iterator(prefs))
    EXPECT_EQ(entry.path().string().find(".damaged"), std::string::npos) << entry.path();
}

// A damaged book under the earlier name is not removed by the first write
// that the current name takes: it goes aside too.
TEST_F(ScrapBook, ADamagedFileUnderTheEarlierNameIsKeptAsideToo) {
  const std::string earlier = CKXTextClipboard::EarlierScrapPath();
  std::ofstream(earlier, std::ios::binary) << "garbage";
  CKXTextClipboard::InitializeScrap(true);
  ASSERT_TRUE(Add("one", "1"));
  ASSERT_TRUE(CKXTextClipboard::UpdateScrap());
  std::ifstream in(earlier + ".damaged");
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "garbage");
  EXPECT_FALSE(fs::exists(earlier));
  ASSERT_EQ(host.Alerts().size(), 1u);
  EXPECT_EQ(host.Alerts()[0].kind, KxAlertKind::kNote);
}

// When the damaged file cannot be moved aside, nothing is written over it,
// and deleting every clip does not remove it either.
TEST_F(ScrapBook, ADamagedFileThatCannotBeMovedIsNeitherWrittenOverNorRemoved) {
  const fs::path path = CKXTextClipboard::ScrapPath();
  std::ofstream(path, std::ios::binary) << "not a scrap book";
  for (int k = 1; k <= 99; ++k) std::ofstream(path.string() + ".damaged" + (k > 1 ? " " + std::to_string(k) : ""));
  CKXTextClipboard::InitializeScrap(true);
  ASSERT_TRUE(Add("one", "1"));
  EXPECT_FALSE(CKXTextClipboard::UpdateScrap());
  ASSERT_TRUE(CKXTextClipboard::DeleteClip(1));
  EXPECT_FALSE(CKXTextClipboard::UpdateScrap());
  EXPECT_TRUE(CKXTextClipboard::IsScrapChanged());
  ASSERT_EQ(host.Alerts().size(), 1u);
  EXPECT_EQ(host.Alerts()[0].kind, KxAlertKind::kStop);
  CKXTextClipboard::TerminateScrap();
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "not a scrap book");
}

// Marks handed to the edit object from a file must lie inside its text:
// one that ends past the end drops them all, as one starting past it does.
TEST_F(ScrapBook, MarkDataEndingPastTheTextIsRefused) {
  CKXTextClipboard::InitializeScrap(true);
  ASSERT_TRUE(Add("a", "0123456789"));
  KXEditHandle edit = CKXTextClipboard::GetScrapEngine()->GetEdit();
  auto data = [](std::int32_t start, std::int32_t end) {
    std::vector<char> b(2 + 8 + 2);
    // The edit object's own layout: count, then start and end, native order.
    KxPutU16N(b.data(), 1);
    KxPutU32N(b.data() + 2, std::uint32_t(start));
    KxPutU32N(b.data() + 6, std::uint32_t(end));
    b[10] = 1;
    b[11] = 'm';
    return b;
  };
  std::vector<char> inside = data(2, 10), past = data(2, 11);
  EXPECT_TRUE(KXTE_SetMarkData(edit, inside.data(), long(inside.size())));
  EXPECT_EQ(KXTE_GetMarkCount(edit), 1);
  KXTE_SetMarkData(edit, past.data(), long(past.size()));
  EXPECT_EQ(KXTE_GetMarkCount(edit), 0);
}

// ---- the Edit menu --------------------------------------------------------------------------

TEST_F(ScrapBook, TheEditMenuListsAtMostEightyClipsAndOnlyWhileTheBookIsKept) {
  CKXTextClipboard::InitializeScrap(true);
  for (int k = 1; k <= 81; ++k) ASSERT_TRUE(Add("c" + std::to_string(k), "t"));
  LMenu* edit = LMenuBar::GetCurrentMenuBar()->FetchMenu(kKxEditMenu);
  ASSERT_NE(edit, nullptr);
  const int fixed = KxFixedItemCount(kKxEditMenu);
  EXPECT_EQ(edit->CountItems(), fixed + 1 + kKxClipMenuMax);
  EXPECT_EQ(edit->CommandFromIndex(edit->CountItems()), 1599);
  EXPECT_EQ(CKXTextClipboard::CountClips(), 81) << "the scrap book keeps them all";
  gPreference.flags &= std::uint8_t(~kKxPrefFlagScrapBook);
  CKXTextClipboard::UpdateMenu();
  EXPECT_EQ(edit->CountItems(), fixed);
}

TEST_F(ScrapBook, AClipCommandInsertsTheWholeStyledClipAtTheSelection) {
  CKXTextClipboard::InitializeScrap(true);
  std::mt19937 rng(11);
  CKXText source;
  kxtest::BuildSource(source, rng, 60, true);
  ASSERT_TRUE(CKXTextClipboard::AddClip("s", KXHandleAccess::Wrap(&source)));
  ASSERT_TRUE(hooks.NewDocument());
  Drain();
  CKXTextDocument* doc = Front();
  ASSERT_NE(doc, nullptr);
  Command(kKxClipHistoryCommands.first);
  CKXText now;
  doc->GetEngine()->TextCopy(doc->GetEngine()->GetTotalRange(), KXHandleAccess::Wrap(&now), kKxSaveAll);
  kxtest::ExpectSame(source, now);
  // A clip number past the count inserts nothing.
  Command(kKxClipHistoryCommands.first + 5);
  EXPECT_EQ(doc->GetEngine()->GetTotalRange().length, source.GetLength());
}

}  // namespace
