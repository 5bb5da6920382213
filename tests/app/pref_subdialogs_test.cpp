// The colour set and line-break dialogs over the general preferences'
// working copies, driven inside their modal loops as a user would: the
// store changes only through the copy, and texts are cut on characters.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>

#include "app/application.h"
#include "app/globals.h"
#include "app/pref_subdialogs.h"
#include "platform/framework/control.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"
#include "views/controls.h"
#include "views/view_classes.h"

namespace {

using Step = std::function<void(LWindow&)>;

class PrefSubdialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KxRegisterFrameworkClasses();
    KxRegisterViewClasses();
    host.SetScriptFeeder([this] {
      if (steps.empty()) return KxHost::ScriptTurn::kEnded;
      auto* front = dynamic_cast<LWindow*>(host.GetWindowClient(host.FrontWindow()));
      Step step = std::move(steps.front());
      steps.pop_front();
      if (front) step(*front);
      return KxHost::ScriptTurn::kStep;
    });
  }
  void TearDown() override {
    host.SetScriptFeeder(nullptr);
    UKXColorPreference::SetColorPreferenceData(nullptr, 0);
    KxSetGlobalDefaults();
  }
  static Step Click(PaneIDT id) {
    return [id](LWindow& w) { dynamic_cast<LControl*>(w.FindPaneByID(id))->SimulateHotSpotClick(1); };
  }
  static Step Type(PaneIDT id, std::string text) {
    return [id, text](LWindow& w) { dynamic_cast<LEditField*>(w.FindPaneByID(id))->SetText(text); };
  }
  static Step Expect(std::function<void(LWindow&)> check) { return check; }

  KxHeadlessHost host;
  KxAppHooks hooks;
  CKXTextApp app{&hooks};
  std::deque<Step> steps;
};

std::string Field(LWindow& w, PaneIDT id) { return dynamic_cast<LEditField*>(w.FindPaneByID(id))->GetText(); }

TEST_F(PrefSubdialogsTest, LineBreakEditorWorksOnTheCopyAndTheBuiltInListsLeaveItEmpty) {
  std::string head, tail;
  KxJWrapTexts(KxBlock(), head, tail);
  KxBlock copy{'x'};   // a user list: only "x" may not begin a line
  steps = {Expect([&](LWindow& w) { EXPECT_EQ(Field(w, 3534), "x"); }), Click(3533),
           Expect([&](LWindow& w) { EXPECT_EQ(Field(w, 3534), head); }), Click(900)};
  ASSERT_TRUE(app.JWrapEditDialog(copy));
  EXPECT_TRUE(copy.empty());
  // Cancel leaves the copy as it was; an edited list is stored.
  copy = {'x'};
  steps = {Type(3534, "yz"), Click(901)};
  EXPECT_FALSE(app.JWrapEditDialog(copy));
  EXPECT_EQ(copy, KxBlock{'x'});
  steps = {Type(3534, "yz"), Type(3535, ""), Click(900)};
  ASSERT_TRUE(app.JWrapEditDialog(copy));
  std::string h, t;
  KxJWrapTexts(copy, h, t);
  EXPECT_EQ(h, "yz");
  EXPECT_EQ(t, "");
}

TEST_F(PrefSubdialogsTest, LongListsAreCutOnWholeCharacters) {
  // 130 bytes whose kanji straddles the 127-byte limit: it goes whole.
  const std::string kanji = "\x8A\xBF";
  KxBlock copy;
  std::string kanjis;
  for (int i = 0; i < 31; ++i) kanjis += kanji;
  KxJWrapStore(std::string(126, 'a') + kanji + kanji, "bb" + kanjis, copy);
  std::string head, tail;
  KxJWrapTexts(copy, head, tail);
  EXPECT_EQ(head, std::string(126, 'a'));
  EXPECT_LE(copy.size(), kKxJWrapCopyMax);
  // The tail's last kanji straddles 63 bytes; the lists show full-width
  // characters first.
  EXPECT_EQ(tail, kanjis.substr(0, 60) + "bb");
}

TEST_F(PrefSubdialogsTest, ColourSetDialogWritesOnlyTheCopy) {
  SKXColorPreference stored = UKXColorPreference::Default();
  stored.accent = RGBColor{7, 7, 7};
  UKXColorPreference::SetAt(3, stored);
  host.QueueColourAnswer(RGBColor{100, 200, 300});   // the text colour
  host.QueueColourAnswer(RGBColor{0xFFFF, 0xFFFF, 0xFFFF});   // the space mark: white is "default"
  KxBlock copy;
  std::string name = "old";
  steps = {Expect([&](LWindow& w) {
             EXPECT_EQ(Field(w, 3504), "old");
             EXPECT_EQ(w.FindPaneByID(3506)->GetValue(), 1);   // theme 1 of the default set
             // The set's black text shows black; its "default" space mark shows white.
             EXPECT_EQ(dynamic_cast<KXColButton*>(w.FindPaneByID(3510))->GetFillColor().red, 0);
             EXPECT_EQ(dynamic_cast<KXColButton*>(w.FindPaneByID(3514))->GetFillColor().red, 0xFFFF);
           }),
           Click(3510),
           Expect([&](LWindow& w) { EXPECT_EQ(w.FindPaneByID(3507)->GetValue(), 1); }), Click(3514),
           Type(3504, std::string(40, 'n')), Click(900)};
  ASSERT_TRUE(app.ColorPrefDialog(3, name, copy));
  EXPECT_EQ(name, std::string(31, 'n'));
  ASSERT_EQ(copy.size(), kKxColorPrefWorkSize);
  SKXColorPreference got;
  std::string copyName;
  ASSERT_TRUE(UKXColorPrefCopy::Find(copy, 3, got, copyName));
  EXPECT_EQ(copyName, name);
  EXPECT_EQ(got.text.blue, 300);
  EXPECT_EQ(got.spaceMark.red, 0);
  EXPECT_EQ(got.accent.red, 7);
  EXPECT_EQ(got.theme, 2);
  SKXColorPreference now;
  UKXColorPreference::GetAt(3, now);
  EXPECT_EQ(now.text.blue, 0);   // the store waits for the general dialog's OK

  // Opened again it starts from the copy; the face colour leaves the
  // themes; cancel changes nothing; a second set appends its record.
  host.QueueColourAnswer(RGBColor{1, 1, 1});
  steps = {Expect([&](LWindow& w) { EXPECT_EQ(Field(w, 3504), "shown"); }), Click(3509),
           Expect([&](LWindow& w) { EXPECT_EQ(w.FindPaneByID(3508)->GetValue(), 1); }), Click(901)};
  name = "shown";
  EXPECT_FALSE(app.ColorPrefDialog(3, name, copy));
  EXPECT_EQ(name, "shown");
  steps = {Click(900)};
  ASSERT_TRUE(app.ColorPrefDialog(5, name, copy));
  EXPECT_EQ(copy.size(), 2 * kKxColorPrefWorkSize);
  ASSERT_TRUE(UKXColorPrefCopy::Find(copy, 3, got, copyName));
  EXPECT_EQ(got.text.blue, 300);
}

TEST(ColorPrefCopyTest, ACutOffRecordIsNoneAndGoesOnTheNextPut) {
  KxBlock copy;
  UKXColorPrefCopy::Put(copy, 2, UKXColorPreference::Default(), "two");
  copy.resize(copy.size() + 30, 0xEE);
  SKXColorPreference s;
  std::string name;
  EXPECT_FALSE(UKXColorPrefCopy::Find(copy, 4, s, name));
  UKXColorPrefCopy::Put(copy, 4, UKXColorPreference::Default(), "four");
  EXPECT_EQ(copy.size(), 2 * kKxColorPrefWorkSize);
  ASSERT_TRUE(UKXColorPrefCopy::Find(copy, 4, s, name));
  EXPECT_EQ(name, "four");
}

}  // namespace
