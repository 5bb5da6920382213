#include "text/codes/datetime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/resources.h"

namespace {

// The words of string list 203, in Shift_JIS.
const std::string kYear = "\x94\x4E";
const std::string kMon = "\x8C\x8E";
const std::string kDay = "\x93\xFA";
const std::string kHour = "\x8E\x9E";
const std::string kMin = "\x95\xAA";
const std::string kAM = "\x8C\xDF\x91\x4F";
const std::string kPM = "\x8C\xDF\x8C\xE3";
const std::string kEra = "\x97\xDF\x98\x61";
const std::string kFriday = "\x8B\xE0\x97\x6A\x93\xFA";
const std::string kSaturday = "\x93\x79\x97\x6A\x93\xFA";

class Stamps : public ::testing::Test {
 protected:
  void SetUp() override { KxSetClock(&clock); }
  void TearDown() override { KxSetClock(nullptr); }
  void At(short hour, short minute) { clock.now = {2005, 4, 1, hour, minute, 7, 6}; }
  void On(short year, short month, short day) { clock.now = {year, month, day, 9, 5, 0, 1}; }
  std::string Time(short style) {
    char buf[300];
    short n = KxGetTimeStamp(buf, sizeof buf, style);
    return std::string(buf, std::size_t(n));
  }
  std::string Date(short style) {
    char buf[300];
    short n = KxGetDateStamp(buf, sizeof buf, style);
    return std::string(buf, std::size_t(n));
  }
  KxFakeClock clock;
};

TEST_F(Stamps, TwelveHourWesternTime) {
  At(0, 5);
  EXPECT_EQ(Time(0), "12:05 AM");
  At(9, 5);
  EXPECT_EQ(Time(0), " 9:05 AM");
  At(13, 30);
  EXPECT_EQ(Time(0), " 1:30 PM");
  At(12, 0);
  EXPECT_EQ(Time(0), "12:00 PM");
  At(23, 59);
  EXPECT_EQ(Time(0), "11:59 PM");
}

TEST_F(Stamps, TwentyFourHourAndJapaneseTime) {
  At(9, 5);
  EXPECT_EQ(Time(1), " 9:05");
  EXPECT_EQ(Time(2), kAM + " 9" + kHour + "05" + kMin);
  EXPECT_EQ(Time(3), " 9" + kHour + "05" + kMin);
  At(0, 0);
  EXPECT_EQ(Time(1), " 0:00");
  EXPECT_EQ(Time(2), kAM + "12" + kHour + "00" + kMin);
  EXPECT_EQ(Time(4), " 0" + kHour + "00" + kMin);
  At(21, 45);
  EXPECT_EQ(Time(2), kPM + " 9" + kHour + "45" + kMin);
  EXPECT_EQ(Time(99), "21" + kHour + "45" + kMin);
}

TEST_F(Stamps, WesternAndJapaneseDates) {
  On(2005, 4, 1);
  EXPECT_EQ(Date(0), "05. 4. 1");
  EXPECT_EQ(Date(1), " 4/ 1/05");
  EXPECT_EQ(Date(2), "2005" + kYear + " 4" + kMon + " 1" + kDay);
  EXPECT_EQ(Date(4), Date(2));
  On(2010, 12, 31);
  EXPECT_EQ(Date(0), "10.12.31");
  EXPECT_EQ(Date(1), "12/31/10");
}

TEST_F(Stamps, EraYearCountsFromTheEraStart) {
  On(2019, 5, 1);
  EXPECT_EQ(Date(3), kEra + " 1" + kYear + " 5" + kMon + " 1" + kDay);
  On(2031, 11, 3);
  EXPECT_EQ(Date(3), kEra + "13" + kYear + "11" + kMon + " 3" + kDay);
}

TEST_F(Stamps, SystemFormsComeFromThePlatform) {
  At(14, 5);
  EXPECT_FALSE(Time(5).empty());
  EXPECT_GT(Time(6).size(), Time(5).size());  // with seconds
  On(2005, 4, 1);
  EXPECT_FALSE(Date(5).empty());
  EXPECT_NE(Date(6).find("2005"), std::string::npos);
  EXPECT_NE(Date(7).find("2005"), std::string::npos);
}

TEST_F(Stamps, BoundedBuffersAreNeverOverrun) {
  On(2005, 4, 1);
  char buf[16];
  std::memset(buf, '#', sizeof buf);
  // "2005" + year word (2 bytes) + " 4" fit in 8; the month word would not.
  short n = KxGetDateStamp(buf, 9, 2);
  EXPECT_EQ(n, 8);
  EXPECT_EQ(std::string(buf, 8), "2005" + kYear + " 4");
  EXPECT_EQ(buf[8], '#');
  EXPECT_EQ(KxGetDateStamp(buf, 0, 2), 0);
  EXPECT_EQ(KxGetTimeStamp(nullptr, 100, 0), 0);
  // A double-byte word is left out whole, never cut.
  At(9, 5);
  EXPECT_EQ(KxGetTimeStamp(buf, 3, 2), 0);
  EXPECT_EQ(KxDateString(buf, 5, 2005, 4, 1, 6), 4);
}

std::string DateText(short year, short month, short day, short weekday) {
  char buf[64];
  short n = KxDateString(buf, sizeof buf, year, month, day, weekday);
  return std::string(buf, std::size_t(n));
}

TEST(DateString, YearsMonthsDaysAndWeekdays) {
  EXPECT_EQ(DateText(2005, 4, 1, 6), "2005" + kYear + " 4" + kMon + " 1" + kDay + kFriday);
  EXPECT_EQ(DateText(0, 12, 25, 0), "12" + kMon + "25" + kDay);  // no year, no weekday
  EXPECT_EQ(DateText(99, 1, 2, 7), "99" + kYear + " 1" + kMon + " 2" + kDay + kSaturday);
  EXPECT_EQ(DateText(5, 1, 2, 8), "05" + kYear + " 1" + kMon + " 2" + kDay);  // weekday 8: none
  EXPECT_EQ(DateText(305, 1, 2, -1), "05" + kYear + " 1" + kMon + " 2" + kDay);
}

TEST(DateWords, EveryWordExistsAndWeekdaysFitTheirSlots) {
  for (short i = 1; i <= 16; ++i) {
    Str255 item;
    GetIndString(item, 203, i);
    EXPECT_GT(item[0], 0) << "item " << i;
    if (i >= 10) {
      EXPECT_LE(item[0], 7) << "weekday item " << i;
    }
  }
  Str255 start;
  GetIndString(start, 203, 9);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(start + 1), start[0]), "2019");
}

}  // namespace
