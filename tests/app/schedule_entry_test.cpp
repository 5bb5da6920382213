// The schedule entry dialog's rules: the clamps of its OK, the 12-hour
// clock, titles cut on characters, the title order, and the working copy's
// records.
#include <gtest/gtest.h>

#include <string>

#include "app/schedule_entry.h"

namespace {

KxScheduleForm DateForm(long month, long day) {
  KxScheduleForm f;
  f.dayRule = 2;
  f.month = month;
  f.day = day;
  return f;
}

TEST(ScheduleEntryForm, DatesAreHeldToRealOnesAndFebruaryKeeps29) {
  EXPECT_EQ(KxScheduleFromForm(DateForm(14, 40)).dayValue, 1231);
  EXPECT_EQ(KxScheduleFromForm(DateForm(2, 31)).dayValue, 229);
  EXPECT_EQ(KxScheduleFromForm(DateForm(-3, 0)).dayValue, 101);
  EXPECT_EQ(KxScheduleFromForm(DateForm(4, 31)).dayValue, 430);
}

TEST(ScheduleEntryForm, TimesOnTheTwelveHourClock) {
  KxScheduleForm f;
  f.timed = true;
  f.startHour = 13, f.startMinute = 75, f.startPM = true;
  f.endHour = -5, f.endMinute = -5;
  KxScheduleEntry e = KxScheduleFromForm(f);
  EXPECT_EQ(e.start, 1359);
  EXPECT_EQ(e.end, 0);   // negative hours and minutes stop at 0
  f.endHour = 12, f.endMinute = 30, f.endPM = false;   // 12 loses 12
  EXPECT_EQ(KxScheduleFromForm(f).end, 30);
  f.timed = false;   // a whole day keeps no times
  e = KxScheduleFromForm(f);
  EXPECT_EQ(e.start, 0);
  EXPECT_EQ(e.end, 0);
  // Shown again: 13:59 is 1:59 PM.
  e.timed = 1;
  e.start = 1359;
  const KxScheduleForm back = KxScheduleToForm(e);
  EXPECT_EQ(back.startHour, 1);
  EXPECT_TRUE(back.startPM);
}

TEST(ScheduleEntryForm, TextsKeepWholeCharactersAndPaperIsStoredAsButtonsStoreIt) {
  KxScheduleForm f;
  f.title = std::string(60, 't');
  for (int i = 0; i < 50; ++i) f.message += "\x82\xA0";   // 100 bytes of hiragana
  f.paper = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
  const KxScheduleEntry e = KxScheduleFromForm(f);
  EXPECT_EQ(e.title, std::string(48, 't'));
  EXPECT_EQ(e.message.size(), 88u);
  EXPECT_EQ(e.paper[0], 0);   // white is the default paper
  f.title = "x" + f.message;   // a kanji straddles the 48th byte
  EXPECT_EQ(KxScheduleFromForm(f).title.size(), 47u);
}

TEST(ScheduleEntryForm, TitleOrderFoldsCaseAndFullWidthAndPutsPrefixesFirst) {
  EXPECT_LT(CompareScheduleTitle("apple", "Banana"), 0);
  EXPECT_EQ(CompareScheduleTitle("abc", "ABC"), 0);
  EXPECT_EQ(CompareScheduleTitle("\x82\x60\x82\x61", "ab"), 0);   // full-width "AB"
  EXPECT_LT(CompareScheduleTitle("ab", "abc"), 0);
  EXPECT_GT(CompareScheduleTitle("abc", "ab"), 0);
  EXPECT_LT(CompareScheduleTitle("z", "\x82\xA0"), 0);   // a kana after letters
}

TEST(ScheduleEntryForm, WorkingRecordsCutLongStoredTexts) {
  KxScheduleEntry e;
  e.dayRule = 2;
  e.dayValue = 1225;
  e.title = std::string(127, 'T');
  e.message = "m";
  const KxBlock record = KxScheduleToWork(e);
  ASSERT_EQ(record.size(), kKxScheduleWorkSize);
  KxScheduleEntry back;
  ASSERT_TRUE(KxScheduleFromWork(record.data(), record.size(), back));
  EXPECT_EQ(back.title, std::string(48, 'T'));
  EXPECT_EQ(back.message, "m");
  EXPECT_EQ(back.dayValue, 1225);
  EXPECT_FALSE(KxScheduleFromWork(record.data(), record.size() - 1, back));
}

}  // namespace
