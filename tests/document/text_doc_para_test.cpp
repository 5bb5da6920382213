// The paragraph dialog: indents that always leave a line (a property test
// over random lines and indents), unit fields that give back the points
// they showed in every unit, and the dialog applying its fields to the
// selection's paragraphs as one undoable step.
#include <gtest/gtest.h>

#include <fstream>
#include <cstring>
#include <random>

#include "app/globals.h"
#include "common/test_main.h"
#include "doc_app_fixture.h"
#include "document/text_doc_para.h"
#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "platform/framework/control.h"
#include "platform/framework/window.h"
#include "text/runs/runs.h"
#include "views/edit_field.h"
#include "views/controls.h"
#include "views/text_colm_view.h"

namespace {

TEST(FitIndents, AlwaysLeaveALineAndKeepWhatFits) {
  std::mt19937 rng(46);
  std::uniform_int_distribution<int> lineOf(0, 800), indentOf(-100, 900);
  const long steps = KxRandomSteps(4000);
  for (long k = 0; k < steps; ++k) {
    const std::int32_t line = lineOf(rng);
    const KxIndents in{indentOf(rng), indentOf(rng), indentOf(rng)};
    const KxIndents out = KxFitIndents(in, line);
    SCOPED_TRACE(testing::Message() << "line " << line << " first " << in.first << " left " << in.left << " right "
                                    << in.right);
    ASSERT_GE(out.first, 0);
    ASSERT_GE(out.left, 0);
    ASSERT_GE(out.right, 0);
    if (line < kKxMinLineLeft) {
      ASSERT_EQ(out.first + out.left + out.right, 0);
      continue;
    }
    ASSERT_LE(out.left + out.right + kKxMinLineLeft, line);
    ASSERT_LE(out.first + out.right + kKxMinLineLeft, line);
    const bool fits = in.first >= 0 && in.left >= 0 && in.right >= 0 &&
                      in.left + in.right + kKxMinLineLeft <= line && in.first + in.right + kKxMinLineLeft <= line;
    if (fits) {
      ASSERT_EQ(out.first, in.first);
      ASSERT_EQ(out.left, in.left);
      ASSERT_EQ(out.right, in.right);
    }
  }
}

TEST(FitIndents, TheExcessIsSharedAndNeverTakenBelowZero) {
  // Left 0, right 20 on a 30-point line: the right gives all 14.
  KxIndents out = KxFitIndents({0, 0, 20}, 30);
  EXPECT_EQ(out.left, 0);
  EXPECT_EQ(out.right, 6);
  // An odd excess: the left indent gives the larger half.
  out = KxFitIndents({0, 40, 40}, 100);   // excess 4
  EXPECT_EQ(out.left, 38);
  EXPECT_EQ(out.right, 38);
  out = KxFitIndents({0, 41, 40}, 100);   // excess 5
  EXPECT_EQ(out.left, 38);
  EXPECT_EQ(out.right, 38);
  // The first-line pair after the left one; an indent past the line is 0.
  out = KxFitIndents({90, 10, 10}, 100);
  EXPECT_EQ(out.first + out.right + kKxMinLineLeft, 100);
  EXPECT_EQ(KxFitIndents({0, 120, 0}, 100).left, 0);
  EXPECT_EQ(KxFitIndents({5, 5, 5}, 23).left, 0);
}

class ParaDialogTest : public kxtest::DocAppTest {};

TEST_F(ParaDialogTest, UnitFieldsGiveBackThePointsTheyShow) {
  auto* dialog = LWindow::CreateWindow(2650, nullptr);
  ASSERT_NE(dialog, nullptr);
  auto* field = dynamic_cast<KXEditField*>(dialog->FindPaneByID(2653));
  ASSERT_NE(field, nullptr);
  for (short unit = 0; unit <= 3; ++unit)
    for (std::int32_t points = 0; points <= 1000; ++points) {
      KxSetUnitField(*field, points, unit);
      ASSERT_EQ(KxUnitFieldPoints(*field, unit), points) << "unit " << unit << " shows " << field->GetText();
    }
  // Millimetres with one decimal, inches and points with two; a negative
  // length reads as 0.
  KxSetUnitField(*field, 72, 1);
  EXPECT_EQ(field->GetText(), "1");
  KxSetUnitField(*field, 12, 2);
  EXPECT_EQ(field->GetText(), "12");
  KxSetUnitField(*field, 72, 0);
  EXPECT_EQ(field->GetText(), "25.4");
  field->SetText("-3", 2);
  EXPECT_EQ(KxUnitFieldPoints(*field, 2), 0);
  delete dialog;
}

TEST_F(ParaDialogTest, OkAppliesTheFieldsAsOneUndoableStep) {
  std::ofstream(dir / "p.txt") << "one\ntwo\n";
  CKXTextDocument* d = Open(dir / "p.txt");
  ASSERT_NE(d, nullptr);
  gPreference.measureUnit = 2;   // points
  Command(1416);
  LWindow* dialog = d->FindDocDialog(2650);
  ASSERT_NE(dialog, nullptr);
  auto field = [&](PaneIDT id, const char* text) {
    auto* f = dynamic_cast<KXEditField*>(dialog->FindPaneByID(id));
    ASSERT_NE(f, nullptr);
    f->SetText(text, std::strlen(text));
  };
  field(2653, "30");
  field(2655, "-5");   // negative: 0
  field(2660, "250");  // spacing above 100: 100
  field(2661, "-20");  // below 0: 0 (lines would overlap)
  dynamic_cast<LControl*>(dialog->FindPaneByID(2659))->SetValue(4);
  Command(-2651);
  EXPECT_EQ(d->FindDocDialog(2650), nullptr);
  SParaStyl para{};
  d->GetEngine()->GetCurParaStyl(para);
  EXPECT_EQ(para.leftIndent, 30);
  EXPECT_EQ(para.rightIndent, 0);
  EXPECT_EQ(para.lineSpace, 100);
  EXPECT_EQ(para.charSpace, 0);
  EXPECT_EQ(para.justify, 3);
  EXPECT_TRUE(d->IsModifiedNow());
  Command(kKxCmdUndo);
  d->GetEngine()->GetCurParaStyl(para);
  EXPECT_EQ(para.leftIndent, 0);
  EXPECT_EQ(para.justify, 0);
  // Reopened, the dialog shows the paragraph as it is; OK with nothing
  // changed adds no step to undo.
  Command(kKxCmdRedo);
  Command(1416);
  dialog = d->FindDocDialog(2650);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dynamic_cast<KXEditField*>(dialog->FindPaneByID(2653))->GetText(), "30");
  Command(-2651);
  Command(kKxCmdUndo);
  d->GetEngine()->GetCurParaStyl(para);
  EXPECT_EQ(para.leftIndent, 0) << "the undo took back the dialog's step, not an empty one";
  gPreference.measureUnit = 0;
}

// ---- from the ruler -------------------------------------------------------------------------------

// Double clicks on the ruler's marks and format-bar buttons, as the host
// delivers them to the document window.
class RulerDialogTest : public ParaDialogTest {
 protected:
  void DoubleClick(CKXTextDocument* d, const Rect& r) {
    CKXTextColmView* ruler = d->GetColmView();
    SPoint32 p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ruler->LocalToPortPoint(p);
    const Rect b = d->GetWindow()->GetGlobalBounds();
    const Point at{std::int16_t(b.top + p.v), std::int16_t(b.left + p.h)};
    host.Clock().Advance(120);
    for (int k = 0; k < 2; ++k) {
      host.PostMouse(true, at);
      host.PostMouse(false, at);
    }
    Drain();
  }
  // The field that takes the typing in the front dialog.
  static PaneIDT Focused() {
    auto* f = dynamic_cast<LPane*>(LCommander::GetTarget());
    return f ? f->GetPaneID() : 0;
  }
};

TEST_F(RulerDialogTest, MarksAndButtonsOpenTheirDialogs) {
  std::ofstream(dir / "r.txt") << "one\ttwo\n";
  CKXTextDocument* d = Open(dir / "r.txt");
  ASSERT_NE(d, nullptr);
  SParaStyl para{};
  d->GetEngine()->GetCurParaStyl(para);
  para.firstIndent = 10;
  para.leftIndent = 20;
  para.rightIndent = 30;
  d->GetEngine()->DoParaStyl(para, 15);
  const short tabs[] = {60, 120};
  d->GetEngine()->DoParaTabs(2, tabs, 0, 0);
  CKXTextColmView* ruler = d->GetColmView();
  ASSERT_NE(ruler, nullptr);
  if (!ruler->GetFormShown()) Command(1409);   // the format bar, unless the preferences show it
  ASSERT_TRUE(ruler->GetFormShown());
  ruler->SetIndentMode(true);
  d->GetWindow()->UpdatePort();
  ASSERT_TRUE(ruler->IndentMarksShown());
  const struct {
    const char* what;
    Rect at;
    ResIDT dialog;
    PaneIDT focus;
  } cases[] = {
      {"first-line indent", ruler->GetIndentRect(0), 2650, 2654},
      {"left indent", ruler->GetIndentRect(1), 2650, 2653},
      {"right indent", ruler->GetIndentRect(2), 2650, 2655},
      {"tab 2", ruler->GetTabRect(1), 2670, 2675},
      {"justification", ruler->GetFormRect(kKxFormJustify + 1), 2650, 2653},
      {"line spacing", ruler->GetFormRect(kKxFormLineValue), 2650, 2660},
      {"new right tab", ruler->GetFormRect(kKxFormTabKinds + 1), 2670, 2675},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_LT(c.at.left, c.at.right);
    DoubleClick(d, c.at);
    LWindow* dialog = d->FindDocDialog(c.dialog);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Focused(), c.focus);
    if (c.dialog == 2670) {
      auto* list = dynamic_cast<KXListBox*>(dialog->FindPaneByID(2674));
      ASSERT_NE(list, nullptr);
      const bool newTab = std::string(c.what) == "new right tab";
      EXPECT_EQ(list->GetSelectedRows(), newTab ? std::vector<std::int32_t>{} : std::vector<std::int32_t>{1});
      // A new tab is proposed with the kind clicked; tab 2 shows its own.
      EXPECT_EQ(dynamic_cast<LControl*>(dialog->FindPaneByID(newTab ? 2678 : 2677))->GetValue(), 1);
      Command(-2672);
    } else {
      Command(-2652);
    }
  }
}

// ---- tabs ------------------------------------------------------------------------------------------

TEST(TabEdit, AppendsSortsAndKeepsTheSelectionOnItsTab) {
  KxTabEdit t;
  t.Apply(0, 1, 1, 500);   // nothing selected, position 0: nothing
  EXPECT_EQ(t.count, 0);
  EXPECT_FALSE(t.modified);
  for (int k = 1; k <= 17; ++k) {
    t.index = 0;
    t.Apply(k * 20, k % 4, 0, 500);
  }
  EXPECT_EQ(t.count, 16) << "a seventeenth tab is not added";
  // Tab 2 moved past tab 5: re-sorted, and still selected.
  t.index = 2;
  t.Apply(110, 3, 2, 500);
  EXPECT_EQ(t.index, 5);
  EXPECT_EQ(t.pos[4], 110);
  EXPECT_EQ(t.kind[4], 3);
  EXPECT_EQ(t.leader[4], 2);
  for (int k = 1; k < t.count; ++k) EXPECT_LT(t.pos[k - 1], t.pos[k]);
  // Beyond the line: held at the line's end, moved to the end.
  t.Apply(9999, 0, 0, 500);
  EXPECT_EQ(t.index, 16);
  EXPECT_EQ(t.pos[15], 500);
  // A zero position changes nothing.
  const KxTabEdit before = t;
  t.Apply(0, 2, 2, 500);
  EXPECT_EQ(std::memcmp(t.pos, before.pos, sizeof t.pos), 0);
}

// Two tabs never share a place: a new one there, or one moved there (as
// far as the line's end holds it), takes the place of the one there.
TEST(TabEdit, ATabWhereAnotherStandsReplacesIt) {
  KxTabEdit t;
  for (int p : {30, 60, 90}) {
    t.index = 0;
    t.Apply(p, 1, 1, 500);
  }
  t.modified = false;
  t.index = 0;
  t.Apply(60, 2, 3, 500);
  ASSERT_EQ(t.count, 3);
  EXPECT_EQ(t.index, 2);
  EXPECT_EQ(t.kind[1], 2);
  EXPECT_EQ(t.leader[1], 3);
  EXPECT_TRUE(t.modified);
  t.index = 0;
  t.Apply(1000, 0, 0, 500);   // held at 500
  t.index = 0;
  t.Apply(2000, 3, 0, 500);   // held at 500 too: the same tab
  ASSERT_EQ(t.count, 4);
  EXPECT_EQ(t.kind[3], 3);
  t.index = 1;
  t.Apply(90, 1, 0, 500);     // tab 1 moved onto tab 3
  ASSERT_EQ(t.count, 3);
  EXPECT_EQ(t.pos[0], 60);
  EXPECT_EQ(t.pos[1], 90);
  EXPECT_EQ(t.leader[1], 0);
  EXPECT_EQ(t.index, 2);
  for (int k = 1; k < t.count; ++k) EXPECT_LT(t.pos[k - 1], t.pos[k]);
}

TEST(TabEdit, ADeleteLeavesNothingSelectedSoTheNextApplyChangesNoOtherTab) {
  KxTabEdit t;
  for (int p : {30, 60, 90}) {
    t.index = 0;
    t.Apply(p, 1, 1, 500);
  }
  t.index = 2;
  t.Delete({2});
  EXPECT_EQ(t.count, 2);
  EXPECT_EQ(t.index, 0);
  // The fields show 0 after a delete: applying them changes nothing, and
  // the deleted tab does not come back.
  t.Apply(0, 0, 0, 500);
  ASSERT_EQ(t.count, 2);
  EXPECT_EQ(t.pos[0], 30);
  EXPECT_EQ(t.pos[1], 90);
  EXPECT_EQ(t.kind[1], 1);
}

TEST_F(ParaDialogTest, TheTabsDialogAppliesOnlyWhatChanged) {
  std::ofstream(dir / "t.txt") << "a\tb\n";
  CKXTextDocument* d = Open(dir / "t.txt");
  ASSERT_NE(d, nullptr);
  gPreference.measureUnit = 2;
  Command(1417);
  LWindow* dialog = d->FindDocDialog(2670);
  ASSERT_NE(dialog, nullptr);
  dynamic_cast<KXEditField*>(dialog->FindPaneByID(2675))->SetText("48", 2);
  Command(-2671);
  SParaStyl para{};
  d->GetEngine()->GetCurParaStyl(para);
  ASSERT_EQ(para.tabCount, 1);
  EXPECT_EQ(para.tabPos[0], 48);
  // OK with nothing changed: no step to undo, the tab stays.
  Command(1417);
  ASSERT_NE(d->FindDocDialog(2670), nullptr);
  Command(-2671);
  Command(kKxCmdUndo);
  d->GetEngine()->GetCurParaStyl(para);
  EXPECT_EQ(para.tabCount, 0) << "the undo took back the first dialog's step";
  gPreference.measureUnit = 0;
}

TEST_F(ParaDialogTest, AnExtendedTabSelectionStaysAndDeletesWhole) {
  std::ofstream(dir / "t.txt") << "a\tb\tc\td\n";
  CKXTextDocument* d = Open(dir / "t.txt");
  ASSERT_NE(d, nullptr);
  gPreference.measureUnit = 2;
  Command(1417);
  LWindow* dialog = d->FindDocDialog(2670);
  ASSERT_NE(dialog, nullptr);
  auto* field = dynamic_cast<KXEditField*>(dialog->FindPaneByID(2675));
  auto* list = dynamic_cast<KXListBox*>(dialog->FindPaneByID(2674));
  for (const char* at : {"30", "60", "90"}) {
    list->SetSelectedRows({});   // nothing selected: the field adds a tab
    Command(-2674);
    field->SetText(at, std::strlen(at));
    Command(-2674);
  }
  list->SetSelectedRows({});
  Command(-2674);
  list->SetSelectedRows({0, 1});
  Command(-2674);
  EXPECT_EQ(list->GetSelectedRows(), (std::vector<std::int32_t>{0, 1}));
  Command(-2673);
  Command(-2671);
  SParaStyl para{};
  d->GetEngine()->GetCurParaStyl(para);
  ASSERT_EQ(para.tabCount, 1);
  EXPECT_EQ(para.tabPos[0], 90);
  gPreference.measureUnit = 0;
}

TEST_F(ParaDialogTest, GoToPageCountsFromTheFirstPageNumber) {
  {
    std::ofstream out(dir / "pages.txt");
    for (int k = 0; k < 600; ++k) out << "line " << k << "\n";
  }
  CKXTextDocument* d = Open(dir / "pages.txt");
  ASSERT_NE(d, nullptr);
  const KXEditHandle edit = d->GetEngine()->GetEdit();
  Command(1407);   // paper view
  ASSERT_GE(KXTE_GetPageCount(edit), 4);
  struct Case {
    short first;
    const char* typed;
    long page;
  } cases[] = {{0, "3", 3}, {0, "0", 1}, {10, "12", 2}, {10, "5", 1}, {0, "99999", KXTE_GetPageCount(edit)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    KXTE_SetPageStartNumber(edit, c.first);
    Command(1221);
    LWindow* dialog = d->FindDocDialog(2300);
    ASSERT_NE(dialog, nullptr);
    auto* f = dynamic_cast<KXEditField*>(dialog->FindPaneByID(2303));
    EXPECT_EQ(f->GetValue100() / 100, KXTE_GetCurPage(edit) + c.first) << "shows the page as numbered";
    f->SetText(c.typed, std::strlen(c.typed));
    Command(-2301);
    // The page now at the top of the view.
    RectL view{};
    KXTE_GetViewRect(edit, view);
    long top = 1;
    for (long p = 1; p <= KXTE_GetPageCount(edit); ++p)
      if (KXTE_GetPagePoint(edit, p).v <= view.top + 50) top = p;
    EXPECT_EQ(top, c.page);
  }
}

// ---- page layout --------------------------------------------------------------------------------------

class PageLayoutTest : public ParaDialogTest {
 protected:
  void SetUp() override {
    ParaDialogTest::SetUp();
    gPreference.measureUnit = 2;   // points: the fields read as the layer stores
    std::ofstream(dir / "l.txt") << "text\n";
    doc = Open(dir / "l.txt");
    ASSERT_NE(doc, nullptr);
  }
  void TearDown() override {
    gPreference.measureUnit = 0;
    ParaDialogTest::TearDown();
  }
  LWindow* OpenLayout() {
    Command(1411);
    return doc->FindDocDialog(2700);
  }
  static KXEditField* F(LWindow* d, PaneIDT id) { return dynamic_cast<KXEditField*>(d->FindPaneByID(id)); }
  static void Type(LWindow* d, PaneIDT id, const std::string& text) {
    F(d, id)->SetText(text.data(), text.size());
    F(d, id)->BroadcastMessage(-MessageT(id), F(d, id));
  }
  static long Value(LWindow* d, PaneIDT id) { return F(d, id)->GetValue100() / 100; }
  CKXTextDocument* doc = nullptr;
};

TEST_F(PageLayoutTest, CharactersPerLineReadBackInBothWritings) {
  for (bool vertical : {false, true}) {
    SCOPED_TRACE(vertical ? "vertical" : "horizontal");
    if (vertical != doc->IsVerticalWindow()) Command(1408);
    LWindow* d = OpenLayout();
    ASSERT_NE(d, nullptr);
    // From 10 characters to as many as the paper allows.
    int tried = 0;
    for (long n = 10;; n += 7, ++tried) {
      Type(d, 2713, std::to_string(n));
      const long back = Value(d, 2713);
      if (Value(d, 2710) <= 0 || back < n - 1) break;   // the margins reached the printer's
      EXPECT_LE(std::labs(back - n), 1) << n;
    }
    EXPECT_GT(tried, 4);
    Command(-2702);
  }
}

TEST_F(PageLayoutTest, ColumnCountsAreHeldAndALayoutWithoutRoomBeeps) {
  struct Case {
    const char* columns;
    short expect;
  } cases[] = {{"9", 5}, {"0", 1}, {"3", 3}};
  for (const Case& c : cases) {
    LWindow* d = OpenLayout();
    ASSERT_NE(d, nullptr);
    Type(d, 2708, c.columns);
    Type(d, 2709, "0");   // two columns or more without a gap: 15 points
    Command(-2701);
    EXPECT_EQ(doc->FindDocDialog(2700), nullptr);
    short columns = 0, gap = 0;
    KXTE_GetPageColumn(doc->GetEngine()->GetEdit(), columns, gap);
    EXPECT_EQ(columns, c.expect) << c.columns;
    EXPECT_EQ(gap, c.expect >= 2 ? 15 : 0) << c.columns;
  }
  EXPECT_TRUE(doc->IsModifiedNow());
  // A margin wider than the paper is shown as the printer's before it is
  // applied, never applied unseen.
  {
    LWindow* d = OpenLayout();
    Type(d, 2707, "99999");
    Command(-2701);
    ASSERT_NE(doc->FindDocDialog(2700), nullptr);
    const long shown = Value(d, 2707);
    EXPECT_LT(shown, 99999);
    Command(-2701);
    Rect margins{};
    KXTE_GetPageMargin(doc->GetEngine()->GetEdit(), margins);
    EXPECT_EQ(margins.right, shown);
  }
  // Five columns with gaps wider than the page: no column width; OK beeps
  // and the dialog stays, nothing applied.
  LWindow* d = OpenLayout();
  const int beeps = host.Beeps();
  Type(d, 2708, "5");
  Type(d, 2709, "300");
  Command(-2701);
  EXPECT_EQ(host.Beeps(), beeps + 1);
  EXPECT_NE(doc->FindDocDialog(2700), nullptr);
  short columns = 0, gap = 0;
  KXTE_GetPageColumn(doc->GetEngine()->GetEdit(), columns, gap);
  EXPECT_EQ(columns, 3);
  Command(-2702);
}

}  // namespace
