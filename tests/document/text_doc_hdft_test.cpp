// The header and footer dialogs: the band's distance held between 6 mm and
// the room the page margin leaves, a text cut to what the band keeps, the
// placeholders, the faces, and a history entry bringing back its whole
// head.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "app/globals.h"
#include "app/histories.h"
#include "common/test_main.h"
#include "doc_app_fixture.h"
#include "document/text_doc_hdft.h"
#include "engine/text_engine.h"
#include "layout/draw_toolkit.h"
#include "layout/kxte_api.h"
#include "platform/framework/control.h"
#include "platform/framework/window.h"
#include "text/runs/runs.h"
#include "views/edit_field.h"

namespace {

TEST(BandRules, DistanceHeldBetweenSixMillimetresAndTheRoom) {
  const std::int32_t least = KxBandLeastDistance();
  EXPECT_EQ(least, 17);   // 6 mm
  const Rect hard{18, 18, 30, 18};
  // The smaller hard margin counts at either edge; never less than 6 mm.
  EXPECT_EQ(KxBandRoom(72, hard), 54);
  EXPECT_EQ(KxBandRoom(20, hard), least);
  const std::int32_t room = 54;
  EXPECT_EQ(KxLimitBandDistance(-1, room), least);
  EXPECT_EQ(KxLimitBandDistance(0, room), 0);
  EXPECT_EQ(KxLimitBandDistance(30, room), 30);
  EXPECT_EQ(KxLimitBandDistance(55, room), room);
  EXPECT_EQ(KxShownBandDistance(0, room), least);
  EXPECT_EQ(KxShownBandDistance(-4, room), least);
  EXPECT_EQ(KxShownBandDistance(99, room), room);
}

TEST(BandRules, TextCutAtTheBandsLengthOnACharacterBoundary) {
  EXPECT_EQ(KxCutBandText(std::string(300, 'a')).size(), 255u);
  // 254 single bytes then a double-byte character: it does not fit whole.
  const std::string kanji = "\x8A\xBF";
  EXPECT_EQ(KxCutBandText(std::string(254, 'a') + kanji).size(), 254u);
  std::string many;
  for (int k = 0; k < 150; ++k) many += kanji;
  const std::string cut = KxCutBandText(many);
  EXPECT_EQ(cut.size(), 254u);
  EXPECT_EQ(cut.substr(252), kanji);
  EXPECT_EQ(KxCutBandText("short"), "short");
}

class BandDialogTest : public kxtest::DocAppTest {
 protected:
  void SetUp() override {
    DocAppTest::SetUp();
    gPreference.measureUnit = 2;   // points: the fields read as the band stores
    gHeadHistHandle.clear();
    gFootHistHandle.clear();
    std::ofstream(dir / "h.txt") << "text\n";
    doc = Open(dir / "h.txt");
    ASSERT_NE(doc, nullptr);
  }
  void TearDown() override {
    gPreference.measureUnit = 0;
    gHeadHistHandle.clear();
    gFootHistHandle.clear();
    DocAppTest::TearDown();
  }
  LWindow* OpenBand(bool footer) {
    Command(footer ? 1413 : 1412);
    return doc->FindDocDialog(footer ? 2850 : 2800);
  }
  static KXEditField* F(LWindow* d, PaneIDT id) { return dynamic_cast<KXEditField*>(d->FindPaneByID(id)); }
  static LControl* C(LWindow* d, PaneIDT id) { return dynamic_cast<LControl*>(d->FindPaneByID(id)); }
  static void Type(LWindow* d, PaneIDT id, const std::string& text) {
    F(d, id)->SetText(text.data(), text.size());
    F(d, id)->BroadcastMessage(-MessageT(id), F(d, id));
  }
  static std::int32_t Value(LWindow* d, PaneIDT id) { return F(d, id)->GetValue100() / 100; }
  struct Band {
    short distance = 0;
    std::string text;
    SStyl style{};
    std::uint8_t alignment = 0, date = 0, time = 0;
  };
  Band Read(bool footer) {
    Band b;
    char text[256] = {};
    std::uint8_t length = 0;
    (footer ? KXTE_GetFooterStyle : KXTE_GetHeaderStyle)(doc->GetEngine()->GetEdit(), b.distance, text, length,
                                                         b.style, b.alignment, b.date, b.time);
    b.text.assign(text, length);
    return b;
  }
  CKXTextDocument* doc = nullptr;
};

TEST_F(BandDialogTest, OkSetsTheBandItWasOpenedFor) {
  LWindow* d = OpenBand(true);
  ASSERT_NE(d, nullptr);
  Type(d, 2803, "20");
  Type(d, 2804, "- <PAGE> -");
  C(d, 2806)->SetValue(4);
  C(d, 2807)->SetValue(3);
  C(d, 2812)->SetValue(2);
  C(d, 2811)->SetValue(2);   // red
  Type(d, 2809, "18");
  C(d, 2814)->SetValue(1);
  Command(-2801);
  EXPECT_EQ(doc->FindDocDialog(2850), nullptr);
  EXPECT_TRUE(doc->IsModifiedNow());
  const Band foot = Read(true);
  EXPECT_EQ(foot.distance, 20);
  EXPECT_EQ(foot.text, "- <PAGE> -");
  EXPECT_EQ(foot.date, 3);
  EXPECT_EQ(foot.time, 2);
  EXPECT_EQ(foot.alignment, 1);
  EXPECT_EQ(foot.style.size, 18);
  EXPECT_EQ(foot.style.face, kFaceBold);
  RGBColor red{};
  KxGetRGBColor(1, red);
  EXPECT_EQ(foot.style.color.red, red.red);
  EXPECT_EQ(foot.style.color.green, red.green);
  EXPECT_TRUE(Read(false).text.empty()) << "the header is left alone";
  EXPECT_EQ(UHeadFootMenu::CountHistHandle(gFootHistHandle), 1);
  EXPECT_EQ(UHeadFootMenu::CountHistHandle(gHeadHistHandle), 0);
  // Reopened, the dialog shows what was set.
  d = OpenBand(true);
  EXPECT_EQ(Value(d, 2803), 20);
  EXPECT_EQ(F(d, 2804)->GetText(), "- <PAGE> -");
  EXPECT_EQ(C(d, 2806)->GetValue(), 4);
  EXPECT_EQ(C(d, 2813)->GetValue(), 0);
  EXPECT_EQ(C(d, 2814)->GetValue(), 1);
  Command(-2802);
}

TEST_F(BandDialogTest, DistanceAsTypedAndALongTextCutBeforeTheHistory) {
  LWindow* d = OpenBand(false);
  ASSERT_NE(d, nullptr);
  Rect margins{}, hard{};
  KXTE_GetPageMargin(doc->GetEngine()->GetEdit(), margins);
  KXTE_GetHardMargin(doc->GetEngine()->GetEdit(), hard);
  const std::int32_t room = KxBandRoom(margins.top, hard);
  ASSERT_GT(room, 17);
  Type(d, 2803, "-3");
  EXPECT_EQ(Value(d, 2803), 17);
  Type(d, 2803, "0");
  EXPECT_EQ(Value(d, 2803), 0);
  Type(d, 2803, std::to_string(room + 40));
  EXPECT_EQ(Value(d, 2803), room);
  Type(d, 2803, "0");
  std::string text;
  for (int k = 0; k < 150; ++k) text += "\x8A\xBF";
  Type(d, 2804, text);
  Command(-2801);
  const Band head = Read(false);
  // The field keeps a 0 as typed; OK stores the least distance the dialog
  // would show for it.
  EXPECT_EQ(head.distance, KxBandLeastDistance());
  EXPECT_EQ(head.text.size(), 254u);
  SHFHist entry;
  unsigned char stored[256] = {};
  ASSERT_TRUE(UHeadFootMenu::GetHistString(1, gHeadHistHandle, entry, stored));
  EXPECT_EQ(stored[0], 254);
  EXPECT_EQ(entry.length, 254);
}

// A band stored at distance 0 (from a file, say) shows as 6 mm; OK stores
// what it showed, so the band no longer sits on the text.
TEST_F(BandDialogTest, OkStoresTheLeastDistanceShownForAStoredZero) {
  const std::string text = "Foot <DATE>";
  SStyl style{};
  style.size = 12;
  KXTE_SetFooterStyle(doc->GetEngine()->GetEdit(), 0, text.data(), std::uint8_t(text.size()), style, 0, 0, 0);
  LWindow* d = OpenBand(true);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(Value(d, 2803), KxBandLeastDistance());
  Command(-2801);
  EXPECT_EQ(Read(true).distance, KxBandLeastDistance());
  EXPECT_EQ(Read(true).text, text);
}

TEST_F(BandDialogTest, PlaceholdersGoInAtTheCaret) {
  LWindow* d = OpenBand(false);
  ASSERT_NE(d, nullptr);
  const char* expect[] = {"<DATE>", "<TIME>", "<PAGE>", "<PMAX>", "<NAME>"};
  for (int item = 1; item <= 5; ++item) {
    Type(d, 2804, "ab");
    F(d, 2804)->SetSelection(1, 1);
    C(d, 2805)->SetValue(item);
    EXPECT_EQ(F(d, 2804)->GetText(), std::string("a") + expect[item - 1] + "b") << item;
    EXPECT_EQ(F(d, 2804)->GetSelStart(), 7u);
    EXPECT_EQ(C(d, 2805)->GetValue(), 0) << "the pop-up goes back to no item";
  }
  Command(-2802);
  EXPECT_TRUE(Read(false).text.empty()) << "cancel sets nothing";
}

TEST_F(BandDialogTest, FacesPlainAndTheAlignmentsDisabledItem) {
  LWindow* d = OpenBand(false);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(C(d, 2813)->GetValue(), 1);
  C(d, 2819)->SetValue(1);   // condense
  EXPECT_EQ(C(d, 2813)->GetValue(), 0);
  C(d, 2820)->SetValue(1);   // extend turns condense off
  EXPECT_EQ(C(d, 2819)->GetValue(), 0);
  C(d, 2815)->SetValue(1);
  C(d, 2813)->SetValue(1);   // plain turns every face off
  for (PaneIDT id = 2814; id <= 2820; ++id) EXPECT_EQ(C(d, id)->GetValue(), 0) << id;
  C(d, 2816)->SetValue(1);
  C(d, 2816)->SetValue(0);
  EXPECT_EQ(C(d, 2813)->GetValue(), 1) << "no face left: plain";
  auto* align = dynamic_cast<LStdPopupMenu*>(d->FindPaneByID(2812));
  ASSERT_NE(align, nullptr);
  EXPECT_FALSE(align->IsItemEnabled(3));
  C(d, 2812)->SetValue(4);
  EXPECT_LE(C(d, 2812)->GetValue(), 3);
  // The size pop-up copies its size into the field.
  C(d, 2810)->SetValue(5);
  EXPECT_EQ(F(d, 2809)->GetText(), "18");
  Command(-2802);
}

TEST_F(BandDialogTest, AHistoryEntryBringsBackItsWholeHead) {
  LWindow* d = OpenBand(false);
  Type(d, 2803, "25");
  Type(d, 2804, "first");
  C(d, 2806)->SetValue(2);
  C(d, 2807)->SetValue(5);
  C(d, 2812)->SetValue(3);
  C(d, 2811)->SetValue(4);
  Type(d, 2809, "14");
  C(d, 2815)->SetValue(1);
  Command(-2801);
  d = OpenBand(false);
  Type(d, 2803, "30");
  Type(d, 2804, "second");
  C(d, 2806)->SetValue(1);
  C(d, 2811)->SetValue(1);
  Type(d, 2809, "9");
  C(d, 2813)->SetValue(1);
  Command(-2801);
  d = OpenBand(false);
  auto* history = dynamic_cast<LStdPopupMenu*>(d->FindPaneByID(2822));
  ASSERT_NE(history, nullptr);
  // Newest first, a separator, clear and Return (no Tab).
  const std::vector<std::string> items{"second", "first", "-", history->GetItems()[3], history->GetItems()[4]};
  EXPECT_EQ(history->GetItems(), items);
  EXPECT_EQ(history->GetItems().size(), 5u);
  history->SetValue(2);
  EXPECT_EQ(Value(d, 2803), 25);
  EXPECT_EQ(F(d, 2804)->GetText(), "first");
  EXPECT_EQ(C(d, 2806)->GetValue(), 2);
  EXPECT_EQ(C(d, 2807)->GetValue(), 5);
  EXPECT_EQ(C(d, 2812)->GetValue(), 3);
  EXPECT_EQ(C(d, 2811)->GetValue(), 4);
  EXPECT_EQ(F(d, 2809)->GetText(), "14");
  EXPECT_EQ(C(d, 2815)->GetValue(), 1);
  EXPECT_EQ(C(d, 2813)->GetValue(), 0);
  EXPECT_EQ(history->GetItems()[0], "first") << "the entry moved to the front";
  EXPECT_EQ(history->GetValue(), 0);
  // The Return item types a line end at the caret; the clear item empties
  // the history.
  F(d, 2804)->SetSelection(5, 5);
  history->SetValue(5);
  EXPECT_EQ(F(d, 2804)->GetText(), "first\r");
  history->SetValue(4);
  EXPECT_EQ(UHeadFootMenu::CountHistHandle(gHeadHistHandle), 0);
  EXPECT_EQ(history->GetItems().size(), 2u);
  EXPECT_TRUE(gPrefModify);
  Command(-2802);
}

}  // namespace
