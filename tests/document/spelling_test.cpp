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

}  // namespace
