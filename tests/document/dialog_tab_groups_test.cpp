// Tab moves between the fields of dialogs with several of them, and a
// minus typed where a negative value means something reaches the dialog:
// a first-line indent of -5 counts as 0, not as 5, and going to line -2
// goes nowhere.
#include <gtest/gtest.h>

#include <fstream>

#include "app/globals.h"
#include "doc_app_fixture.h"
#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "platform/framework/edit_field.h"
#include "platform/keys.h"
#include "views/edit_field.h"

namespace {

class DialogTabTest : public kxtest::DocAppTest {
 protected:
  void TearDown() override {
    gPreference.measureUnit = 0;
    DocAppTest::TearDown();
  }
  CKXTextDocument* OpenText(const std::string& text) {
    std::ofstream(dir / "a.txt") << text;
    return Open(dir / "a.txt");
  }
  void TypeKeys(const std::string& keys) {
    for (char ch : keys) host.PostKey(std::uint8_t(ch), ch == '\t' ? kKxKeyTab : 0);
    Drain();
  }
  static std::string Text(LWindow* d, PaneIDT id) {
    auto* f = dynamic_cast<LEditField*>(d->FindPaneByID(id));
    return f ? f->GetText() : "?";
  }
};

// Each dialog's fields, in the order Tab visits them (enabled ones only).
TEST_F(DialogTabTest, TabVisitsEveryFieldInTurnAndTypesNoTab) {
  const struct {
    ResIDT layout;
    std::vector<PaneIDT> fields;
  } cases[] = {
      {2500, {2525, 2505}},
      {2600, {2607, 2608, 2609}},
      {2650, {2653, 2654, 2655, 2660, 2661}},
      {2700, {2704, 2705, 2706, 2707, 2708, 2709, 2724, 2713, 2723}},
      {2800, {2803, 2804, 2809}},
      {2850, {2803, 2804, 2809}},
      {3000, {3007, 3009}},
      {3150, {3154, 3155, 3156}},
      {3530, {3534, 3535}},
      {3550, {3554, 3574, 3560, 3561, 3566, 3567, 3569, 3570}},
  };
  for (const auto& c : cases) {
    LWindow* dialog = LWindow::CreateWindow(c.layout, nullptr);
    ASSERT_NE(dialog, nullptr) << c.layout;
    Drain();
    std::vector<LCommander*> fields;
    for (PaneIDT id : c.fields) {
      auto* f = dynamic_cast<LEditField*>(dialog->FindPaneByID(id));
      ASSERT_NE(f, nullptr) << c.layout << " " << id;
      fields.push_back(f);
    }
    LCommander::SwitchTarget(fields[0]);
    // Round and back to the first; Shift-Tab goes back to the last.
    for (std::size_t k = 1; k <= fields.size(); ++k) {
      host.PostKey('\t', kKxKeyTab);
      Drain();
      EXPECT_EQ(LCommander::GetTarget(), fields[k % fields.size()]) << c.layout << " step " << k;
    }
    host.PostKey('\t', kKxKeyTab, kKxEventShiftKey);
    Drain();
    EXPECT_EQ(LCommander::GetTarget(), fields.back()) << c.layout;
    for (PaneIDT id : c.fields)
      EXPECT_EQ(Text(dialog, id).find('\t'), std::string::npos) << c.layout << " " << id;
    delete dialog;
  }
}

TEST_F(DialogTabTest, ParagraphFieldsFilledOneAfterAnotherAndANegativeIndentCountsAsNothing) {
  CKXTextDocument* doc = OpenText("one\ntwo\n");
  ASSERT_NE(doc, nullptr);
  Command(1416);
  LWindow* d = doc->FindDocDialog(2650);
  ASSERT_NE(d, nullptr);
  TypeKeys("20\t-5\t30");
  EXPECT_EQ(Text(d, 2653), "20");
  EXPECT_EQ(Text(d, 2654), "-5");
  EXPECT_EQ(Text(d, 2655), "30");
  Command(-2651);
  SParaStyl para{};
  doc->GetEngine()->GetCurParaStyl(para);
  EXPECT_GT(para.leftIndent, 0);
  EXPECT_GT(para.rightIndent, 0);
  EXPECT_EQ(para.firstIndent, 0) << "a negative indent counts as 0";
}

TEST_F(DialogTabTest, PageLayoutFieldsFilledOneAfterAnother) {
  CKXTextDocument* doc = OpenText("one\n");
  ASSERT_NE(doc, nullptr);
  Command(1411);
  LWindow* d = doc->FindDocDialog(2700);
  ASSERT_NE(d, nullptr);
  LCommander::SwitchTarget(dynamic_cast<LCommander*>(d->FindPaneByID(2704)));
  dynamic_cast<LEditField*>(d->FindPaneByID(2704))->SelectAll();
  TypeKeys("11\t12\t13");
  EXPECT_EQ(Text(d, 2704), "11");
  EXPECT_EQ(Text(d, 2705), "12");
  EXPECT_EQ(Text(d, 2706), "13");
  Command(-2702);
}

TEST_F(DialogTabTest, GoingToANegativeLineStaysPut) {
  CKXTextDocument* doc = OpenText("1\n2\n3\n4\n");
  ASSERT_NE(doc, nullptr);
  const SKXRange before = doc->GetEngine()->GetSelectionRange();
  Command(1211);
  LWindow* d = doc->FindDocDialog(2200);
  ASSERT_NE(d, nullptr);
  TypeKeys("-2");
  EXPECT_EQ(Text(d, 2203), "-2");
  Command(-2201);
  EXPECT_EQ(doc->FindDocDialog(2200), nullptr);
  EXPECT_EQ(doc->GetEngine()->GetSelectionRange().start, before.start);
  // A positive line still jumps.
  Command(1211);
  d = doc->FindDocDialog(2200);
  ASSERT_NE(d, nullptr);
  TypeKeys("3");
  Command(-2201);
  long line = 0, column = 0;
  KXTE_GetCurLineColm(doc->GetEngine()->GetEdit(), line, column);
  EXPECT_EQ(line, 3);
}

}  // namespace
