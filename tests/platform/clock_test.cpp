#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/keys.h"

namespace {

std::string Text(const Str255 s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); }

TEST(PosixClock, TicksMoveForwardAndLocalTimeIsSane) {
  KxSetClock(nullptr);
  std::uint32_t before = TickCount();
  timespec pause{0, 40'000'000};  // 40 ms: at least two ticks
  nanosleep(&pause, nullptr);
  EXPECT_GE(TickCount(), before + 2);
  DateTimeRec now;
  GetTime(now);
  EXPECT_GE(now.year, 2024);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.dayOfWeek, 1);
  EXPECT_LE(now.dayOfWeek, 7);
  EXPECT_GT(GetDblTime(), 0u);
  EXPECT_GT(GetCaretTime(), 0u);
}

// The system texts in the C locale, which the tests run in.
TEST(SystemTexts, TimeAndDateInTheCLocale) {
  const char* saved = std::getenv("LC_ALL");
  std::string keep = saved ? saved : "";
  setenv("LC_ALL", "C", 1);
  DateTimeRec t{2005, 4, 1, 14, 5, 9, 6};
  Str255 s;
  TimeString(t, false, s);
  EXPECT_EQ(Text(s), "14:05");
  TimeString(t, true, s);
  EXPECT_EQ(Text(s), "14:05:09");
  DateString(t, shortDate, s);
  EXPECT_EQ(Text(s), "04/01/05");
  DateString(t, longDate, s);
  EXPECT_EQ(Text(s), "Friday, April 1, 2005");
  DateString(t, abbrevDate, s);
  EXPECT_EQ(Text(s), "Fri, Apr 1, 2005");
  // Nonsense fields are held in range rather than handed to the C library.
  DateTimeRec bad{2005, 40, -3, 99, 99, 99, 0};
  DateString(bad, longDate, s);
  EXPECT_EQ(Text(s), "Sunday, December 1, 2005");
  if (saved)
    setenv("LC_ALL", keep.c_str(), 1);
  else
    unsetenv("LC_ALL");
}

TEST(KeyState, HostMapIsAllUpUntilSet) {
  KxSetKeySource(nullptr);
  KeyMap map;
  GetKeys(map);
  for (unsigned char b : map) EXPECT_EQ(b, 0);
  KxHostKeyState().SetKey(0x38, true);
  KxHostKeyState().SetKey(500, true);  // ignored
  GetKeys(map);
  EXPECT_EQ(map[7], 1);
  KxKeyEvent e;
  EXPECT_FALSE(KxCurrentKeySource().PeekKeyDown(e));
  KxHostKeyState().ReleaseAll();
  GetKeys(map);
  EXPECT_EQ(map[7], 0);
}

}  // namespace
