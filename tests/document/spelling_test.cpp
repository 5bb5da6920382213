// Spell checking of a document against the installed en_US dictionary:
// marks, find next with its one wrap, check as you type, corrections as
// one undo step, ignore, and the panel's commands.
#include <gtest/gtest.h>

#include <fstream>

#include "app/globals.h"
#include "app/spelling_panel.h"
#include "doc_app_fixture.h"
#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "layout/kxtext_handle.h"
#include "layout/text_edit_ex.h"

namespace {

class SpellingTest : public kxtest::DocAppTest {
 protected:
  void SetUp() override {
    DocAppTest::SetUp();
    gPreference2.liveSpelling = 0;
  }
  void TearDown() override {
    CKXSpellingPanel::Get().Close();
    LWindow::DeleteClosedWindows();
    DocAppTest::TearDown();
  }
  CKXTextDocument* OpenText(const std::string& text, const std::string& name = "s.txt") {
    std::ofstream(dir / name) << text;
    CKXTextDocument* d = Open(dir / name);
    if (d && !d->IsSpellAvailable()) return nullptr;
    return d;
  }
  // "START END" of each mark.
  static std::string Marks(CKXTextDocument* d) {
    CKXTextEditEx& edit = *KXHandleAccess::Edit(d->GetEngine()->GetEdit());
    std::string out;
    for (long k = 1; k <= edit.GetMarkupCount(); ++k) {
      long s = 0, e = 0;
      edit.GetMarkupRangeAt(k, s, e);
      out += std::to_string(s) + "-" + std::to_string(e) + " ";
    }
    return out;
  }
  static std::string Sel(CKXTextDocument* d) {
    const SKXRange r = d->GetEngine()->GetSelectionRange();
    return std::to_string(r.start) + "+" + std::to_string(r.length);
  }
};

TEST_F(SpellingTest, WholeTextMarksEveryWordButJapaneseAndNumbers) {
  // "日本語" in Shift_JIS, then a last word without a line end.
  CKXTextDocument* d = OpenText("teh cat 3rd\n\x93\xFA\x96\x7B\x8C\xEA cat don't\nzorp");
  ASSERT_NE(d, nullptr) << "no en_US dictionary";
  Command(1254);
  EXPECT_TRUE(d->IsSpellLive());
  EXPECT_EQ(gPreference2.liveSpelling, 1);
  EXPECT_EQ(Marks(d), "0-3 29-33 ");
  // Live checking off removes every mark at once.
  Command(1253);
  EXPECT_EQ(Marks(d), "");
  EXPECT_FALSE(d->IsSpellLive());
}

TEST_F(SpellingTest, FindNextWrapsOnceToTheEndOfTheStartingParagraph) {
  CKXTextDocument* d = OpenText("one teh two\nthree fowr\nsix");
  ASSERT_NE(d, nullptr);
  d->GetEngine()->SetSelectionRange(SKXRange{13, 0}, false);   // in "three"
  Command(1251);
  Drain();
  EXPECT_EQ(Sel(d), "18+4");   // fowr
  EXPECT_EQ(CKXSpellingPanel::Get().Word(), "fowr");
  Command(1252);
  EXPECT_EQ(Sel(d), "4+3");    // round to teh
  Command(1252);
  EXPECT_EQ(Sel(d), "18+4");
  // Nothing misspelled: the panel shows the empty word.
  CKXTextDocument* clean = OpenText("all good\nwords here", "clean.txt");
  ASSERT_NE(clean, nullptr);
  clean->ObeySpellCheckCommand(1252);
  EXPECT_EQ(CKXSpellingPanel::Get().Word(), "");
}

TEST_F(SpellingTest, CorrectionIsOneUndoStepAndReadOnlyIgnoresIt) {
  CKXTextDocument* d = OpenText("I saw teh dog");
  ASSERT_NE(d, nullptr);
  Command(1251);
  Drain();
  ASSERT_EQ(Sel(d), "6+3");
  EXPECT_TRUE(d->SpellingPanelCommand(kKxSpellCorrect, "the"));
  EXPECT_EQ(d->TextBytes(), "I saw the dog");
  LCommander::SwitchTarget(d->CurrentTextView());   // the panel had the keys
  Command(11);
  EXPECT_EQ(d->TextBytes(), "I saw teh dog");
  // A word outside the Japanese encoding goes in as a side character.
  d->GetEngine()->SetSelectionRange(SKXRange{6, 3}, false);
  EXPECT_TRUE(d->ReplaceWordAroundSelection("na\xC3\xAFve"));
  EXPECT_NE(d->TextBytes(), "I saw teh dog");
  EXPECT_EQ(d->TextBytes().substr(0, 8), "I saw na");
  EXPECT_EQ(d->TextBytes().substr(d->TextBytes().size() - 6), "ve dog");
  Command(11);
  EXPECT_EQ(d->TextBytes(), "I saw teh dog");
  // Read-only: nothing changes.
  d->GetEngine()->SetAttributes(std::uint16_t(d->GetEngine()->GetAttributes() & ~kKxEngineEditable));
  d->GetEngine()->SetSelectionRange(SKXRange{6, 3}, false);
  d->SpellingPanelCommand(kKxSpellCorrect, "the");
  EXPECT_EQ(d->TextBytes(), "I saw teh dog");
}

// Change in the panel hands the keys back to the document, whose next idle
// time finds the next word exactly once; a Find Next or a closed panel
// drops the request still waiting.
TEST_F(SpellingTest, ChangeMovesOnOnceAndFindNextDoesNotSkip) {
  CKXTextDocument* d = OpenText("I saw teh dog, a tset and wrod here\nfowr");
  ASSERT_NE(d, nullptr);
  auto idle = [&] {
    for (int k = 0; k < 4; ++k) app->ProcessNextEvent();
    Drain();
  };
  auto clickPanel = [&] {
    if (auto* panel = dynamic_cast<LCommander*>(CKXSpellingPanel::Get().GetWindow())) LCommander::SwitchTarget(panel);
  };
  Command(1251);
  ASSERT_EQ(Sel(d), "6+3");
  clickPanel();
  EXPECT_TRUE(d->SpellingPanelCommand(kKxSpellCorrect, "the"));
  EXPECT_EQ(LCommander::GetTarget(), static_cast<LCommander*>(d->CurrentTextView()));
  idle();
  EXPECT_EQ(Sel(d), "17+4");   // tset
  EXPECT_EQ(CKXSpellingPanel::Get().Word(), "tset");
  idle();
  EXPECT_EQ(Sel(d), "17+4");   // once only
  // A second change with the field edited takes the word now selected.
  clickPanel();
  d->SpellingPanelCommand(kKxSpellCorrect, "test");
  EXPECT_EQ(d->TextBytes(), "I saw the dog, a test and wrod here\nfowr");
  // Find Next before the idle time: the word after, and no second jump.
  clickPanel();
  d->SpellingPanelCommand(kKxSpellFindNext, "");
  EXPECT_EQ(Sel(d), "26+4");   // wrod
  idle();
  EXPECT_EQ(Sel(d), "26+4");
  // Ignore too gives the typing back to the text.
  clickPanel();
  d->SpellingPanelCommand(kKxSpellIgnore, "");
  EXPECT_EQ(LCommander::GetTarget(), static_cast<LCommander*>(d->CurrentTextView()));
  // Closed after a change: the selection stays where the change left it.
  clickPanel();
  d->SpellingPanelCommand(kKxSpellCorrect, "word");
  const std::string after = Sel(d);
  CKXSpellingPanel::Get().Close();
  LWindow::DeleteClosedWindows();
  idle();
  EXPECT_EQ(Sel(d), after);
  EXPECT_EQ(d->TextBytes(), "I saw the dog, a test and word here\nfowr");
}

TEST_F(SpellingTest, IgnoreAndTheWordBeingTyped) {
  CKXTextDocument* d = OpenText("qwzx and qwzx\n");
  ASSERT_NE(d, nullptr);
  Command(1254);
  EXPECT_EQ(Marks(d), "0-4 9-13 ");
  d->GetEngine()->SetSelectionRange(SKXRange{0, 4}, false);
  Command(1255);
  Command(1254);
  EXPECT_EQ(Marks(d), "");
  // Typing a misspelt word: no mark while the caret is in it, one when
  // the caret leaves.
  d->GetEngine()->SetSelectionRange(SKXRange{14, 0}, false);
  for (char c : std::string("blorf")) host.PostKey(std::uint8_t(c), 0);
  Drain();
  EXPECT_EQ(Marks(d), "");
  host.PostKey(' ', 0x31);
  Drain();
  EXPECT_EQ(Marks(d), "14-19 ");
}

TEST_F(SpellingTest, TypingASeparatorMarksTheWordItEnds) {
  // Words typed one key at a time in the middle of a text: each is marked
  // once a separator ends it, the one under the caret never, a correctly
  // spelled one not at all, and a word marked before keeps its mark when
  // the caret passes the word next to it.
  CKXTextDocument* d = OpenText("the tail");
  ASSERT_NE(d, nullptr);
  Command(1253);
  ASSERT_TRUE(d->IsSpellLive());
  d->GetEngine()->SetSelectionRange(SKXRange{3, 0}, false);
  auto type = [&](const std::string& keys) {
    for (char c : keys) host.PostKey(std::uint8_t(c), c == ' ' ? 0x31 : 0);
    Drain();
  };
  type(" helo");
  EXPECT_EQ(Marks(d), "");
  type(" ");
  EXPECT_EQ(Marks(d), "4-8 ");
  type("wrld good ");
  EXPECT_EQ(d->TextBytes(), "the helo wrld good  tail");
  EXPECT_EQ(Marks(d), "4-8 9-13 ");
  // Back into a marked word: its mark goes while the caret is in it.
  d->GetEngine()->SetSelectionRange(SKXRange{11, 0}, false);
  EXPECT_EQ(Marks(d), "4-8 ");
}

TEST_F(SpellingTest, OneInsertionMarksEveryWordItFinishes) {
  CKXTextDocument* d = OpenText("say he\rend");
  ASSERT_NE(d, nullptr);
  Command(1253);
  d->GetEngine()->SetSelectionRange(SKXRange{6, 0}, false);
  // One insertion that finishes "he" into "helo" and brings a paragraph
  // break: each finished word is checked, the one at the caret is not.
  const std::string more = "lo wrld good\rzorp fine qwzy";
  d->GetEngine()->DoInsert(more.data(), long(more.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  Drain();
  ASSERT_EQ(d->TextBytes(), "say helo wrld good\nzorp fine qwzy\nend");
  EXPECT_EQ(Marks(d), "4-8 9-13 19-23 ");
  // A separator after it, and the caret leaving: the last word too.
  host.PostKey(' ', 0x31);
  Drain();
  EXPECT_EQ(Marks(d), "4-8 9-13 19-23 29-33 ");
  // A paragraph longer than the pieces the speller gets at a time: no word
  // is lost or split where a piece ends.
  CKXTextDocument* big = OpenText("", "big.txt");
  ASSERT_NE(big, nullptr);
  ASSERT_TRUE(big->IsSpellLive());   // taken from the preference the toggle set
  big->DoIdleSpellChecking();         // the view's idle time before the insertion
  std::string words, want;
  for (int i = 0; i < 400; ++i) {
    words += "good wrld ";
    want += std::to_string(i * 10 + 5) + "-" + std::to_string(i * 10 + 9) + " ";
  }
  big->GetEngine()->DoInsert(words.data(), long(words.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr,
                             0);
  Drain();
  EXPECT_EQ(Marks(big), want);
}

}  // namespace
