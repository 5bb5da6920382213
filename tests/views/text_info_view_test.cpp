// The status bar: bounded status texts, the scale menu's items, the page
// and line jump commands, the modified and read-only marks, and the fields
// after restarts and in paper view.
#include <gtest/gtest.h>

#include <climits>

#include "text_view_fixture.h"
#include "views/text_info_view.h"

namespace {

using kxtest::ManyLines;

TEST(StatusText, FitsEveryLabelAndThirtyTwoBitNumber) {
  struct Case {
    std::string label;
    long number;
    std::string want;
  } cases[] = {
      {"Line:", 1, "Line:1"},
      {"Column ", 12345678, "Column 12345678"},
      {"LongLabel", 99999999, "LongLab99999999"},   // labels are 7 bytes at most
      {"1234567", INT32_MIN, "1234567-2147483648"},
      {"1234567", 1L << 40, "12345672147483647"},   // held to 32 bits
      // Shift_JIS: a two-byte character is never cut in half.
      {"\x8d\x73\x8d\x73\x8d\x73\x8d\x73", 5, "\x8d\x73\x8d\x73\x8d\x73" "5"},
      {"", -1, "-1"},
  };
  for (const Case& c : cases) {
    const std::string got = KxStatusText(c.label, c.number);
    EXPECT_EQ(got, c.want);
    EXPECT_LE(got.size(), kKxStatusTextMax);
  }
}

TEST(StatusBar, ScaleItemsAndJumpCommands) {
  const std::pair<short, std::int16_t> scales[] = {{25, 1},   {33, 2},   {50, 3},   {66, 4},   {75, 5},
                                                   {0, 6},    {100, 6},  {120, 7},  {125, 8},  {133, 9},
                                                   {150, 10}, {200, 11}, {300, 12}, {400, 13}, {90, 0},
                                                   {-1, 0},   {401, 0}};
  for (auto [scale, item] : scales) EXPECT_EQ(KxScaleMenuItem(scale), item) << scale;
  const std::uint16_t shift = kKxEventShiftKey, option = kKxEventOptionKey, cmd = kKxEventCommandKey;
  const std::pair<std::uint16_t, CommandT> pages[] = {
      {0, 1223}, {shift, 1222}, {option, 1225}, {std::uint16_t(option | shift), 1224}, {cmd, 1221},
      {std::uint16_t(cmd | option), 1225}};
  for (auto [mods, command] : pages) EXPECT_EQ(KxPageJumpCommand(mods), command) << mods;
  struct Line {
    std::uint16_t mods;
    int clicks;
    CommandT command;
  } lines[] = {{0, 1, 0}, {0, 2, 1211}, {cmd, 1, 1211}, {option, 1, 1213}, {std::uint16_t(option | shift), 1, 1212},
               {shift, 1, 0}};
  for (const Line& l : lines) EXPECT_EQ(KxLineJumpCommand(l.mods, l.clicks), l.command);
}

class InfoViewTest : public kxtest::TextPaneTest {
 public:
  CKXTextInfoView* AddBar() {
    auto* bar = new CKXTextInfoView;
    bar->PutInside(panes.window, 0, 285);
    bar->ResizeFrameTo(kKxStatusBarWidth, 15, false);
    bar->SetTextView(panes.view[0]);
    panes.view[0]->SetInfoView(bar);
    bar->Refresh();
    panes.window->UpdatePort();
    return bar;
  }
};

TEST_F(InfoViewTest, LineFieldSubtractsRestartsAndPageAddsItsStart) {
  Open(ManyLines(30, 1));
  CKXTextInfoView* bar = AddBar();
  engine->AddLnReStart(12);
  const long start = KXTE_GetLineOffset(engine->GetEdit(), 14);
  engine->Select(start + 2, start + 2);
  long line = 0, column = 0;
  bar->GetShownLineColm(line, column);
  EXPECT_EQ(line, 3);
  EXPECT_EQ(column, 3);
  EXPECT_EQ(bar->PageText(), "");   // no page outside paper view
  KXTE_SetPaperView(engine->GetEdit(), 1);
  const long page = KXTE_GetCurPage(engine->GetEdit());
  EXPECT_EQ(bar->PageText(), KxStatusText("P.", page));
  KXTE_SetPageStartNumber(engine->GetEdit(), 10);
  EXPECT_EQ(bar->PageText(), KxStatusText("P.", page + 10));
  panes.window->Refresh();
  panes.window->UpdatePort();   // draws without faults
}

TEST_F(InfoViewTest, ModifiedAndReadOnlyMarksRedrawOnlyOnChange) {
  Open(ManyLines(5, 1));
  CKXTextInfoView* bar = AddBar();
  panes.window->UpdatePort();
  const RectL r = bar->CalcPortFrameRect();
  const auto clean = Pixels(r);
  bar->SetModified(true);
  EXPECT_TRUE(bar->GetModified());
  const auto modified = Pixels(r);
  EXPECT_NE(modified, clean);
  // The partial redraw equals a full one.
  bar->Refresh();
  panes.window->UpdatePort();
  EXPECT_EQ(Pixels(r), modified);
  // Read-only wins and clears the modified state once.
  engine->SetAttributes(engine->GetAttributes() & ~kKxEngineEditable);
  bar->SetModified(true);
  EXPECT_TRUE(bar->GetReadOnly());
  bar->SetModified(false);
  EXPECT_FALSE(bar->GetModified());
  const auto readOnly = Pixels(r);
  EXPECT_NE(readOnly, modified);
  EXPECT_NE(readOnly, clean);
  bar->Refresh();
  panes.window->UpdatePort();
  EXPECT_EQ(Pixels(r), readOnly);
}

TEST_F(InfoViewTest, ZoomButtonOffersTheMenuOnlyForListedScales) {
  for (short scale : {short(90), short(150)}) {
    Open(ManyLines(5, 1), 400, 300, 0, false, scale);
    CKXTextInfoView* bar = AddBar();
    const int before = host.Popups();
    bar->DoInfoMenu();
    if (scale == 90) {
      EXPECT_EQ(host.Popups(), before);
      EXPECT_FALSE(CKXTextInfoView::ChooseScaleItem(3));
    } else {
      ASSERT_EQ(host.Popups(), before + 1);
      ASSERT_EQ(host.LastPopup().size(), 13u);
      EXPECT_EQ(host.LastPopup()[9].mark, kKxCheckMark);
      EXPECT_EQ(host.LastPopup()[5].mark, 0);
      EXPECT_FALSE(CKXTextInfoView::ChooseScaleItem(14));   // outside the menu
      bar->DoInfoMenu();
      EXPECT_TRUE(CKXTextInfoView::ChooseScaleItem(3));
    }
    TearDown();
    SetUp();
  }
}

}  // namespace
