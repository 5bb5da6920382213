// A find that does not end the usual way: an expression too slow for its
// text is told and changes nothing, Escape stops a long search (replace-all,
// find-and-mark) silently;
// and the palette that a find opens leaves the keys with the document.
#include <gtest/gtest.h>

#include <fstream>

#include "app/find_strings.h"
#include "app/globals.h"
#include "doc_app_fixture.h"
#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "platform/framework/commander.h"
#include "platform/keys.h"
#include "views/edit_field.h"
#include "views/text_view.h"

namespace {

class FindStopsTest : public kxtest::DocAppTest {
 protected:
  void SetUp() override {
    DocAppTest::SetUp();
    gPreference.findOptions = {0, 0, 0, 1, 0, 1};   // palette after a find, regular expressions
  }
  void TearDown() override {
    LWindow::DeleteClosedWindows();
    DocAppTest::TearDown();
  }
  CKXTextDocument* OpenText(const std::string& text) {
    std::ofstream(dir / "a.txt") << text;
    return Open(dir / "a.txt");
  }
};

TEST_F(FindStopsTest, AnExpressionTooSlowForItsTextIsToldAndChangesNothing) {
  // The middle line (of あ, then bQ) makes "(.).*.*\1Q" take longer than any
  // search may: with its back-reference no automaton rules the line out,
  // and it holds the Q that every match holds.
  std::string text = "aQ\n";
  for (int k = 0; k < 16000; ++k) text += "\x82\xA0";
  text += "bQ\nbQ\n";
  CKXTextDocument* doc = OpenText(text);
  ASSERT_NE(doc, nullptr);
  const std::string before = doc->TextBytes();
  KxSetFindString("(.).*.*\\1Q");
  KxSetReplString("Z");
  Command(1207);
  ASSERT_EQ(host.Alerts().size(), 1u);
  EXPECT_EQ(host.Alerts()[0].kind, KxAlertKind::kStop);
  EXPECT_TRUE(doc->TextBytes() == before);
  EXPECT_FALSE(doc->IsModified());
  // A find past the first line says so too, and leaves the selection.
  doc->GetEngine()->SetSelectionRange(SKXRange{3, 0}, false);
  Command(1202);
  EXPECT_EQ(host.Alerts().size(), 2u);
  EXPECT_EQ(doc->GetEngine()->GetSelectionRange().start, 3);
}

TEST_F(FindStopsTest, EscapeStopsALongSearchSilently) {
  std::string text;
  for (int k = 0; k < 300; ++k) text += std::string(200, 'a') + "\n";
  CKXTextDocument* doc = OpenText(text + "ab\n");
  ASSERT_NE(doc, nullptr);
  KxSetFindString("(a)\\1?b");
  KxSetReplString("Z");
  host.PostKey(27, kKxKeyEscape);
  Command(1207);
  EXPECT_TRUE(host.Alerts().empty());
  EXPECT_FALSE(doc->IsModified());
  // Without Escape the same replace-all ends.
  Command(1207);
  EXPECT_TRUE(doc->IsModified());
  const std::string after = doc->TextBytes();
  EXPECT_EQ(after.substr(after.size() - 3), "\nZ\n");
}

// Find-and-mark stops on Escape as replace-all does: nothing changes, the
// marks made before stay as they were.
TEST_F(FindStopsTest, EscapeStopsFindAndMarkLeavingTheMarksAsTheyWere) {
  std::string text;
  for (int k = 0; k < 300; ++k) {
    for (int i = 0; i < 100; ++i) text += "ab";
    text += "\n";
  }
  CKXTextDocument* doc = OpenText("xy\n" + text);
  ASSERT_NE(doc, nullptr);
  const KXEditHandle edit = doc->GetEngine()->GetEdit();
  KXTE_InsertMarkup(edit, 0, 2);
  host.PostKey(27, kKxKeyEscape);
  doc->DoFindAllAndMarkup("a", 1, 16);
  EXPECT_TRUE(host.Alerts().empty());
  EXPECT_EQ(KXTE_GetMarkupCount(edit), 1);
  long s = 0, e = 0;
  EXPECT_TRUE(KXTE_GetMarkup(edit, 0, s, e));
  EXPECT_EQ(e, 2);
  // Without Escape every match is marked, in place of the old marks.
  doc->DoFindAllAndMarkup("a", 1, 16);
  EXPECT_EQ(KXTE_GetMarkupCount(edit), 300 * 100);
  EXPECT_FALSE(KXTE_GetMarkup(edit, 0, s, e));
  EXPECT_TRUE(KXTE_GetMarkup(edit, 3, s, e));
  EXPECT_EQ(e, 4);
}

TEST_F(FindStopsTest, ThePaletteLeavesTheKeysWithTheDocument) {
  CKXTextDocument* doc = OpenText("one two one one");
  ASSERT_NE(doc, nullptr);
  gPreference.findOptions[5] = 0;
  Command(1201);
  LWindow* d = doc->FindDocDialog(2100);
  ASSERT_NE(d, nullptr);
  dynamic_cast<KXEditField*>(d->FindPaneByID(2106))->SetText("one", 3);
  d->ProcessCommand(-2101, nullptr);
  LWindow::DeleteClosedWindows();
  Drain();
  LWindow* palette = doc->FindDocDialog(2150);
  ASSERT_NE(palette, nullptr);
  EXPECT_TRUE(palette->IsFloating());
  EXPECT_TRUE(palette->IsWindowShown());
  EXPECT_EQ(Front(), doc);
  EXPECT_EQ(LCommander::GetTarget(), doc->CurrentTextView());
  // Find next from the keyboard reaches the view.
  host.PostKey('g', 0, kKxEventCommandKey);
  Drain();
  EXPECT_EQ(doc->GetEngine()->GetSelectionRange().start, 8);
}

}  // namespace
