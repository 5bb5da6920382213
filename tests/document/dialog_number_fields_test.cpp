// The number fields of the paragraph, tabs, go-to-page, page layout, header
// and footer dialogs refuse, with a beep, the keys their numbers cannot
// hold: a letter would otherwise end the number where it stands and be
// applied silently as a different value.
#include <gtest/gtest.h>

#include "doc_app_fixture.h"
#include "views/edit_field.h"

namespace {

class NumberFieldsTest : public kxtest::DocAppTest {};

TEST_F(NumberFieldsTest, EachFieldTakesOnlyWhatItsValueNeeds) {
  // Whole counts; lengths in the unit (fractions); where a negative value
  // means something, a minus as well.
  const std::string kWhole = "125", kLength = "12.5", kSigned = "-125", kSignedLength = "-12.5";
  const struct {
    ResIDT layout;
    std::vector<PaneIDT> fields;
    std::string want;
  } cases[] = {
      {2650, {2653, 2654, 2655}, kSignedLength}, {2650, {2660, 2661}, kWhole},
      {2670, {2675}, kSignedLength},           {2300, {2303}, kSigned},
      {2200, {2203}, kSigned},
      {2700, {2704, 2705, 2706, 2707, 2709}, kLength}, {2700, {2708, 2713, 2723}, kWhole},
      {2700, {2724}, kSigned},                 {2800, {2803}, kSignedLength},
      {2800, {2809}, kWhole},                  {2850, {2803}, kSignedLength},
      {2850, {2809}, kWhole},
  };
  for (const auto& c : cases) {
    LWindow* dialog = LWindow::CreateWindow(c.layout, nullptr);
    ASSERT_NE(dialog, nullptr) << c.layout;
    Drain();   // the new window's activation
    for (PaneIDT id : c.fields) {
      auto* field = dynamic_cast<KXEditField*>(dialog->FindPaneByID(id));
      ASSERT_NE(field, nullptr) << id;
      LCommander::SwitchTarget(field);
      field->SelectAll();
      const int beeps = host.Beeps();
      for (char ch : std::string("-1x2.5")) host.PostKey(std::uint8_t(ch), 0);
      Drain();
      EXPECT_EQ(field->GetText(), c.want) << "layout " << c.layout << " field " << id;
      // One beep for each key refused.
      EXPECT_EQ(host.Beeps() - beeps, int(6 - c.want.size())) << "layout " << c.layout << " field " << id;
      // A paste takes what typing would, with one beep for what it left.
      const std::string pasted = "-1x2.5 mm";
      host.ClearClipboard();
      host.PutClipboard(FourCC("TEXT"), pasted.data(), pasted.size());
      field->SelectAll();
      const int before = host.Beeps();
      field->ObeyCommand(kKxCmdPaste, nullptr);
      EXPECT_EQ(field->GetText(), c.want) << "paste: layout " << c.layout << " field " << id;
      EXPECT_EQ(host.Beeps() - before, 1) << "paste: layout " << c.layout << " field " << id;
    }
    delete dialog;
  }
}

}  // namespace
