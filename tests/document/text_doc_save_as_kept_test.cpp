// A Save As that does not complete (the file cannot be written, or is open
// in another window) leaves the document as it was: the next Save writes
// the old file in its own format, encoding and line ends. A name no menu
// string can spell is proposed and asked about whole, and a name too long
// for a file is told as such.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/nav_extras.h"
#include "doc_app_fixture.h"
#include "document/text_doc.h"
#include "platform/host/host_dialogs.h"

namespace {

namespace fs = std::filesystem;

constexpr CommandT kSave = 5, kSaveAs = 6;

using kxtest::Slurp;
using kxtest::Spit;

class SaveAsKeptTest : public kxtest::DocAppTest {
 protected:
  void TearDown() override {
    KxSetCustomNavigation(false);
    DocAppTest::TearDown();
  }
  void SaveAs(const fs::path& to, int filter, std::vector<int> choices) {
    host.QueueAnswer(KxAnswer::kOK);   // the failure's alert
    SaveAsChosen(to, filter, std::move(choices));
  }
};

// "日本" in Shift_JIS, LF line ends.
const std::string kSJIS = "\x93\xfa\x96\x7b\nab\n";

TEST_F(SaveAsKeptTest, AFailedSaveAsLeavesTheFormatEncodingAndLineEnds) {
  KxSetCustomNavigation(true);
  const fs::path p = dir / "notes.txt";
  Spit(p, kSJIS);
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  const fs::path nowhere = dir / "missing" / "zznotes";

  // The program's own format, then UTF-16 with CR LF, then UTF-8 with CR.
  const struct {
    int filter;
    std::vector<int> choices;
  } tries[] = {{1, {0, 2}}, {0, {3, 1}}, {4, {0, 0}}};
  for (const auto& t : tries) {
    SaveAs(nowhere, t.filter, t.choices);
    ASSERT_FALSE(fs::exists(nowhere.parent_path()));
    EXPECT_EQ(d->Path(), p.string());
  }
  host.PostKey('X', 0);
  Drain();
  Command(kSave);
  EXPECT_EQ(Slurp(p), "X" + kSJIS) << "the old file keeps its spelling";
  EXPECT_FALSE(d->IsModified());
}

TEST_F(SaveAsKeptTest, ARefusedSaveAsLeavesTheFormat) {
  KxSetCustomNavigation(true);
  const fs::path p = dir / "a.txt", other = dir / "b.txt";
  Spit(p, kSJIS);
  Spit(other, "other\n");
  ASSERT_NE(Open(other), nullptr);
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  // b.txt is open in the other window: refused.
  SaveAs(other, 0, {3, 1});
  EXPECT_EQ(Slurp(other), "other\n");
  host.PostKey('X', 0);
  Drain();
  Command(kSave);
  EXPECT_EQ(Slurp(p), "X" + kSJIS);
  // A Save As that completes still takes what was chosen.
  SaveAs(dir / "c.txt", 0, {3, 1});
  EXPECT_EQ(Slurp(dir / "c.txt").substr(0, 4), std::string("\xFF\xFEX\0", 4));
}

TEST_F(SaveAsKeptTest, ANameOutsideShiftJISIsProposedAndAskedAboutWhole) {
  const std::string name = "caf\u00E9 \u2713 \U0001F600.txt";
  const fs::path p = dir / name;
  Spit(p, "abc\n");
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  host.PostKey('X', 0);
  Drain();
  host.QueueAnswer(KxAnswer::kCancel);
  Command(kSaveAs);
  EXPECT_EQ(host.DialogRequests().back().name, name);
  host.QueueAnswer(KxAnswer::kCancel);
  d->AttemptClose();
  Drain();
  EXPECT_EQ(host.DialogRequests().back().kind, KxDialogKind::kSaveChanges);
  EXPECT_EQ(host.DialogRequests().back().name, name);
  // The name proposed is the file's own: saving there keeps one file.
  KxDialogReply reply;
  reply.answer = KxAnswer::kOK;
  reply.paths = {p.string()};
  host.QueueDialogReply(reply);
  Command(kSaveAs);
  EXPECT_EQ(Slurp(p), "Xabc\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1);
}

TEST_F(SaveAsKeptTest, ANameTooLongForAFileIsToldAsSuch) {
  const fs::path p = dir / "short.txt";
  Spit(p, "abc\n");
  ASSERT_NE(Open(p), nullptr);
  const std::size_t before = host.Alerts().size();
  SaveAs(dir / std::string(300, 'n'), 0, {});
  ASSERT_EQ(host.Alerts().size(), before + 1);
  const std::string& said = host.Alerts().back().text;
  EXPECT_NE(said.find("\u300Cshort.txt\u300D"), std::string::npos) << said;
  EXPECT_NE(said.find("255 バイト"), std::string::npos) << said;
  EXPECT_EQ(said.find("変更を保ったまま"), std::string::npos) << said;
}

}  // namespace
