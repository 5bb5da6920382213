// A text document's unsaved state as the window shows it (the host's
// modified mark, never part of the title the program reads), and the save
// dialog's encoding and line-end popups: shown as the file preference says,
// each on only under the formats that write what it chooses.
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

constexpr CommandT kNew = 2, kSave = 5, kSaveAs = 6, kRevert = 7, kClose = 4;

using kxtest::Slurp;
using kxtest::Spit;

class TextDocModifiedTest : public kxtest::DocAppTest {
 protected:
  void TearDown() override {
    KxSetCustomNavigation(false);
    DocAppTest::TearDown();
  }
  void Type(const std::string& s) {
    for (char c : s) host.PostKey(std::uint8_t(c), 0);
    Drain();
  }
  bool Marked(CKXTextDocument* d) { return host.IsWindowModified(d->GetWindow()->GetHostWindow()); }
  std::string Title(CKXTextDocument* d) { return host.GetWindowTitle(d->GetWindow()->GetHostWindow()); }
  // Save As through the dialog: format item `filter`, popups `choices`.
  const KxDialogRequest& SaveAs(const fs::path& to, int filter, std::vector<int> choices) {
    SaveAsChosen(to, filter, std::move(choices));
    return host.DialogRequests().back();
  }
};

// A document with a file is marked exactly while it has unsaved changes;
// typing, saving, reverting and renaming keep mark and state together, and
// the title stays the plain name throughout.
TEST_F(TextDocModifiedTest, AFilesWindowIsMarkedWhileItHasUnsavedChanges) {
  const fs::path p = dir / "m.txt";
  Spit(p, "text\n");
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  EXPECT_FALSE(Marked(d));
  Type("a");
  EXPECT_TRUE(Marked(d));
  EXPECT_EQ(Title(d), "m.txt");
  Command(kSave);
  EXPECT_FALSE(Marked(d));
  EXPECT_EQ(Title(d), "m.txt");
  Type("b");
  EXPECT_TRUE(Marked(d));
  host.QueueAnswer(KxAnswer::kOK);   // discard the changes
  Command(kRevert);
  EXPECT_FALSE(d->IsModified());
  EXPECT_FALSE(Marked(d));
  // A new name (a macro's or the stream editor's) leaves the state alone.
  Type("c");
  d->SetDescriptor(reinterpret_cast<const unsigned char*>("\x05n.txt"));
  EXPECT_TRUE(Marked(d));
  EXPECT_EQ(Title(d), "n.txt");
  d->SetModified(false);
  EXPECT_FALSE(Marked(d));
  d->SetDescriptor(reinterpret_cast<const unsigned char*>("\x05m.txt"));
  EXPECT_FALSE(Marked(d));
  host.QueueAnswer(KxAnswer::kDontSave);
  Command(kClose);
}

// A document without a file has nothing saved to match and stays marked,
// typed into or not, until Save As gives it one.
TEST_F(TextDocModifiedTest, AnUntitledWindowIsMarkedUntilItIsSaved) {
  Command(kNew);
  CKXTextDocument* d = KxTextDocHooks::All().empty() ? nullptr : KxTextDocHooks::All().back();
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(Marked(d));
  EXPECT_NE(Title(d).front(), '*');
  Type("x");
  EXPECT_TRUE(Marked(d));
  host.QueueAnswer(KxAnswer::kOK, (dir / "saved.txt").string());
  Command(kSaveAs);
  EXPECT_EQ(Slurp(dir / "saved.txt"), "x");
  EXPECT_FALSE(Marked(d));
  EXPECT_EQ(Title(d), "saved.txt");
  Type("y");
  EXPECT_TRUE(Marked(d));
  host.QueueAnswer(KxAnswer::kDontSave);
  Command(kClose);
}

// The popups follow the file preference; with them shown, the encoding is
// on under "Text" alone and the line ends under every plain-text format, and
// a Unicode format writes its own encoding with the line ends chosen.
TEST_F(TextDocModifiedTest, SavePopupsFollowThePreferenceAndTheFormat) {
  const fs::path p = dir / "crlf.txt";
  const std::string crlf = "ab\r\nc\r\n";
  Spit(p, crlf);
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);

  KxSetCustomNavigation(false);
  const KxDialogRequest& plain = SaveAs(dir / "plain.txt", 0, {2, 2});
  EXPECT_TRUE(plain.choices.empty());
  EXPECT_EQ(plain.folder, dir.string());
  EXPECT_EQ(plain.filters.size(), 5u);   // the format choice stays
  EXPECT_EQ(Slurp(dir / "plain.txt"), crlf) << "nothing the dialog did not show was taken";

  KxSetCustomNavigation(true);
  const KxDialogRequest& q = SaveAs(dir / "u16.txt", 3, {0, 2});   // UTF-16, "Shift_JIS", LF
  ASSERT_EQ(q.choices.size(), 2u);
  ASSERT_EQ(q.filters.size(), 5u);
  for (int f = 0; f < 5; ++f) {
    const std::string& name = q.filters[std::size_t(f)].name;
    const bool text = name == "Text", unicode = name.rfind("Unicode", 0) == 0;
    EXPECT_EQ(q.ChoiceEnabled(0, f), text) << name;
    EXPECT_EQ(q.ChoiceEnabled(1, f), text || unicode) << name;
  }
  ASSERT_EQ(q.filters[3].name, "Unicode (UTF-16)");
  const std::string u16 = Slurp(dir / "u16.txt");
  const std::string le = std::string("\xFF\xFE", 2) + std::string("a\0b\0\n\0c\0\n\0", 10);
  const std::string be = std::string("\xFE\xFF", 2) + std::string("\0a\0b\0\n\0c\0\n", 10);
  EXPECT_TRUE(u16 == le || u16 == be) << "UTF-16 with LF line ends, " << u16.size() << " bytes";
  EXPECT_EQ(d->GetFormat().encoding, kKxEncodingUTF16);

  // Back to "Text": the encoding popup is taken again.
  SaveAs(dir / "euc.txt", 0, {2, 1});
  EXPECT_EQ(Slurp(dir / "euc.txt"), crlf);
  EXPECT_EQ(d->GetFormat().encoding, kKxEncodingEUC);
  host.QueueAnswer(KxAnswer::kDontSave);
  Command(kClose);
}

// Another program's save between this window's read and its Save is never
// written over: the Save is refused, says why, and keeps the window's
// changes; a Save As onto the same file is the user's choice and replaces
// it, and a file deleted meanwhile is simply written again.
TEST_F(TextDocModifiedTest, ASaveNeverWritesOverAnotherProgramsChanges) {
  const fs::path p = dir / "shared.txt";
  Spit(p, "original\n");
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  Type("mine ");
  Spit(p, "their edit\n");
  const std::size_t alerts = host.Alerts().size();
  Command(kSave);
  EXPECT_EQ(Slurp(p), "their edit\n");
  ASSERT_EQ(host.Alerts().size(), alerts + 1);
  EXPECT_NE(host.Alerts().back().text.find("ほかのプログラムがファイルを変更しました"), std::string::npos);
  EXPECT_TRUE(Marked(d));

  SaveAsChosen(p, 0);
  EXPECT_EQ(Slurp(p), "mine original\n");
  EXPECT_FALSE(Marked(d));
  // Saved by this window: its own file is no other program's change.
  Type("x");
  Command(kSave);
  EXPECT_EQ(Slurp(p), "mine xoriginal\n");

  fs::remove(p);
  Type("y");
  Command(kSave);
  EXPECT_EQ(Slurp(p), "mine xyoriginal\n");
  EXPECT_FALSE(Marked(d));
}

// Closing after a save that could not write every character asks again:
// those characters are still only in the window.
TEST_F(TextDocModifiedTest, ASaveThatLostCharactersLeavesTheWindowChanged) {
  const fs::path p = dir / "wide.txt";
  Spit(p, "smile \xF0\x9F\x98\x80\n");
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  KxSetCustomNavigation(true);
  SaveAs(dir / "narrow.txt", 0, {0, 2});   // "Text", Shift_JIS, LF
  EXPECT_EQ(d->GetFormat().encoding, kKxEncodingShiftJIS);
  EXPECT_TRUE(Marked(d));
  const std::size_t open = LDocument::GetDocumentList().size();
  host.QueueAnswer(KxAnswer::kCancel);
  Command(kClose);
  ASSERT_EQ(LDocument::GetDocumentList().size(), open) << "closed without asking";
  // Saved again from the close, the file still cannot hold it: the window stays.
  host.QueueAnswer(KxAnswer::kSave);
  Command(kClose);
  ASSERT_EQ(LDocument::GetDocumentList().size(), open) << "closed with the emoji only in its window";
  EXPECT_TRUE(Marked(d));
  host.QueueAnswer(KxAnswer::kDontSave);
  Command(kClose);
}

}  // namespace
