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
#include "app/schedule_entry.h"
#include "app/color_schedule.h"
#include "platform/clock.h"
#include "platform/framework/list_box.h"
#include "platform/framework/control.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"
#include "views/controls.h"
#include "views/edit_field.h"
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

TEST_F(PrefSubdialogsTest, ScheduleEntryDialogEditsTheCopyInTitleOrder) {
  const auto type = [](PaneIDT id, std::string text) {
    // As typed: the field tells the dialog of the change.
    return [id, text](LWindow& w) {
      auto* f = dynamic_cast<KXEditField*>(w.FindPaneByID(id));
      f->SetText(text.data(), text.size());
      f->BroadcastMessage(-id, f);
    };
  };
  KxBlock copy;
  steps = {type(3554, std::string(60, 'b')), type(3560, "14"), type(3561, "40"), type(3566, "13"),
           type(3567, "75"), [](LWindow& w) { w.FindPaneByID(3565)->SetValue(2); }, Click(900)};
  ASSERT_TRUE(app.ColorScheduleDialog(0, false, copy));
  ASSERT_EQ(copy.size(), kKxScheduleWorkSize);
  KxScheduleEntry e;
  ASSERT_TRUE(KxScheduleFromWork(copy.data(), copy.size(), e));
  EXPECT_EQ(e.title, std::string(48, 'b'));
  EXPECT_EQ(e.dayRule, 2);   // typing the date chose it
  EXPECT_EQ(e.dayValue, 1231);
  EXPECT_EQ(e.timed, 1);
  EXPECT_EQ(e.start, 1359);
  // A title that sorts first goes first; editing moves an entry to its place.
  steps = {type(3554, "A"), Click(900)};
  ASSERT_TRUE(app.ColorScheduleDialog(0, false, copy));
  ASSERT_TRUE(KxScheduleFromWork(copy.data(), kKxScheduleWorkSize, e));
  EXPECT_EQ(e.title, "A");
  steps = {[](LWindow& w) { EXPECT_EQ(dynamic_cast<LEditField*>(w.FindPaneByID(3554))->GetText(), "A"); },
           type(3554, "c"), Click(900)};
  ASSERT_TRUE(app.ColorScheduleDialog(1, false, copy));
  ASSERT_TRUE(KxScheduleFromWork(copy.data() + kKxScheduleWorkSize, kKxScheduleWorkSize, e));
  EXPECT_EQ(e.title, "c");
  // Cancel changes nothing; remove takes one out; a number outside does nothing.
  steps = {type(3554, "zzz"), Click(901)};
  EXPECT_FALSE(app.ColorScheduleDialog(1, false, copy));
  EXPECT_TRUE(app.ColorScheduleDialog(1, true, copy));
  EXPECT_EQ(copy.size(), kKxScheduleWorkSize);
  EXPECT_FALSE(app.ColorScheduleDialog(5, true, copy));
}

TEST_F(PrefSubdialogsTest, DayViewStepsDatesAndEditsTheSchedule) {
  KxFakeClock clock;
  KxSetClock(&clock);
  clock.SetMovingTime(DateTimeRec{2100, 2, 28, 9, 0, 0, 0});
  UKXColorSchedule::DeleteAll();
  KxScheduleEntry daily;
  daily.title = "b daily";
  UKXColorSchedule::SetAt(0, daily);
  const auto rows = [](LWindow& w) {
    auto* list = dynamic_cast<LListBox*>(w.FindPaneByID(3606));
    std::vector<std::string> out;
    for (std::int32_t r = 0; r < list->CountRows(); ++r) out.push_back(list->GetCell(r));
    return out;
  };
  gPrefModify = false;
  steps = {Expect([&](LWindow& w) {
             EXPECT_EQ(rows(w), std::vector<std::string>{"00:00-24:00 b daily"});
             EXPECT_FALSE(w.FindPaneByID(3609)->IsEnabled());
           }),
           Click(3605),   // 2100 has no 29 February
           [](LWindow& w) { dynamic_cast<KXListBox*>(w.FindPaneByID(3606))->ChooseRows({0}); },
           Expect([&](LWindow& w) { EXPECT_TRUE(w.FindPaneByID(3609)->IsEnabled()); }),
           Click(3607),   // a new entry, inside the entry dialog's loop
           Type(3554, "a new"), Click(900),
           Expect([&](LWindow& w) {
             // A new entry applies every day; the list follows in stored order.
             EXPECT_EQ(rows(w), (std::vector<std::string>{"00:00-24:00 a new", "00:00-24:00 b daily"}));
           }),
           Click(900)};
  app.DaysScheduleDialog("kxtext", "0.1");
  EXPECT_TRUE(gPrefModify);
  ASSERT_EQ(UKXColorSchedule::Count(), 2);
  EXPECT_EQ(UKXColorSchedule::GetAt(1).title, "a new");   // in title order
  EXPECT_EQ(UKXColorSchedule::GetAt(1).dayValue, 228);     // a new entry is of today
  DateTimeRec d{2100, 2, 28, 0, 0, 0, 0};
  KxStepDay(d, 1);
  EXPECT_EQ(d.month, 3);
  EXPECT_EQ(d.dayOfWeek, 2);   // 2100-03-01 is a Monday
  KxStepDay(d, -1);
  EXPECT_EQ(d.day, 28);
  d = DateTimeRec{2024, 12, 31, 0, 0, 0, 0};
  KxStepDay(d, 1);
  EXPECT_EQ(d.year, 2025);
  EXPECT_EQ(KxDaysInMonth(2000, 2), 29);
  EXPECT_EQ(KxDaysInMonth(2100, 2), 28);
  UKXColorSchedule::DeleteAll();
  KxSetClock(&host.Clock());
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
