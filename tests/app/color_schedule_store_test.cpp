// The colour schedule's store and today's checks on a moving fake clock:
// the edge cases of which entry is in effect when, polled as the
// application polls (every idle turn of at most 12 ticks).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include <string>
#include <vector>

#include "app/color_schedule.h"
#include "app/globals.h"
#include "platform/clock.h"

namespace {

namespace S = UKXColorSchedule;

KxScheduleEntry Timed(std::int16_t start, std::int16_t end, std::uint8_t variation, std::string message = "") {
  KxScheduleEntry e;
  e.timed = 1;
  e.start = start;
  e.end = end;
  e.variation = variation;
  e.title = "t" + std::to_string(variation);
  e.message = std::move(message);
  return e;
}

class ScheduleStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KxSetClock(&clock);
    S::Initialize();
    S::DeleteAll();
  }
  void TearDown() override {
    S::DeleteAll();
    S::Terminate();
    KxSetClock(nullptr);
    KxSetGlobalDefaults();
  }
  void Start(int h, int m, int day = 7) {
    clock.SetMovingTime(DateTimeRec{2026, 12, std::int16_t(day), std::int16_t(h), std::int16_t(m), 0, 0});
    S::Rebuild(true);
    Run(3);   // the first poll comes two seconds after a rebuild
  }
  // The application's side: the variation in force (-1: none of the
  // schedule's), the reminders shown.
  void Poll() {
    for (int guard = 0; guard < 1000; ++guard) {
      const long k = S::Check();
      if (k == 0) return;
      S::Execution e;
      if (S::ExecuteAt(k, e)) {
        variation = e.variation;
        if (!e.message.empty()) reminders.push_back(e.message);
      } else {
        variation = -1;
      }
      EXPECT_EQ(S::CheckRules(), "");
    }
    ADD_FAILURE() << "the checks never settle";
  }
  void Run(long seconds) {
    for (long t = 0; t < seconds * 60; t += 12) {
      clock.Advance(12);
      Poll();
    }
  }
  int At() const { return variation; }

  KxFakeClock clock;
  int variation = -1;
  std::vector<std::string> reminders;
};

TEST_F(ScheduleStoreTest, AWindowAcrossMidnightRunsToTheEndOfTheDay) {
  S::SetAt(0, Timed(2200, 600, 4));
  Start(21, 59);
  EXPECT_EQ(At(), -1);
  Run(120);
  EXPECT_EQ(At(), 4);
  Run(2 * 3600 - 180);   // 23:59
  EXPECT_EQ(At(), 4);
  Run(300);   // past midnight: the new day has no 22:00 yet
  EXPECT_EQ(At(), -1);
}

TEST_F(ScheduleStoreTest, StartEqualToEndLastsTenSeconds) {
  S::SetAt(0, Timed(1000, 1000, 6));
  Start(9, 59);
  Run(61);   // 10:00:04
  EXPECT_EQ(At(), 6);
  Run(4);
  EXPECT_EQ(At(), 6);
  Run(5);    // 10:00:13
  EXPECT_EQ(At(), -1);
}

TEST_F(ScheduleStoreTest, AOneTimeEntryFiresOnceAndIsStoredDone) {
  KxScheduleEntry once = Timed(1000, 1100, 2, "hello");
  once.repetition = 1;
  S::SetAt(0, once);
  gPrefModify = false;
  Start(9, 59);
  Run(120);
  EXPECT_EQ(reminders, std::vector<std::string>{"hello"});
  EXPECT_EQ(S::GetAt(1).repetition, 2);
  EXPECT_TRUE(S::Changed());
  EXPECT_TRUE(gPrefModify);   // the quit writes the schedule
  S::Rebuild(true);
  Run(60);
  EXPECT_EQ(reminders.size(), 1u);
}

TEST_F(ScheduleStoreTest, ANestedEntryTakesOverAndTheLongerOneResumes) {
  S::SetAt(0, Timed(1000, 1200, 3));
  S::SetAt(0, Timed(1030, 1100, 5));
  Start(10, 15);
  EXPECT_EQ(At(), 3);
  Run(30 * 60);   // 10:45
  EXPECT_EQ(At(), 5);
  Run(30 * 60);   // 11:15
  EXPECT_EQ(At(), 3);
  Run(60 * 60);   // 12:15
  EXPECT_EQ(At(), -1);
}

// Nothing of the schedule applies on the first day: the day still ends and
// the next one's entries fire.
TEST_F(ScheduleStoreTest, CrossingMidnightCatchesUpAPendingReminder) {
  KxScheduleEntry tomorrow = Timed(0, 5, 8, "new day");
  tomorrow.dayRule = 2;
  tomorrow.dayValue = 1208;
  S::SetAt(0, tomorrow);
  Start(23, 58);
  Run(180);
  EXPECT_EQ(reminders, std::vector<std::string>{"new day"});
  EXPECT_EQ(At(), 8);
}

// The date and time set anew (or a machine that slept while the ticks
// stood still): the list follows the local time, not the old ticks.
TEST_F(ScheduleStoreTest, ALocalTimeSetAnewRebuildsTheDay) {
  S::SetAt(0, Timed(1000, 1005, 7));
  Start(9, 0);
  clock.SetMovingTime(DateTimeRec{2026, 12, 8, 9, 59, 50, 0});
  Run(20);
  EXPECT_EQ(At(), 7);
}

// A reminder is shown once a day, whatever makes the list again: the day's
// end, a clock set anew, an edit of the schedule. Only an entry not yet
// seen is caught up, once.
TEST_F(ScheduleStoreTest, AReminderShowsOnceADay) {
  S::SetAt(0, Timed(1000, 1005, 3, "hello"));
  S::SetAt(0, Timed(1200, 1205, 5, "noon"));
  clock.SetMovingTime(DateTimeRec{2026, 12, 7, 23, 59, 45, 0});
  S::Rebuild(true);
  Run(40);   // over midnight
  EXPECT_EQ(reminders, (std::vector<std::string>{"hello", "noon"}));
  EXPECT_EQ(At(), -1);
  Run(10 * 3600);   // the new day's 10:00 comes once
  EXPECT_EQ(reminders, (std::vector<std::string>{"hello", "noon", "hello"}));

  reminders.clear();
  clock.SetMovingTime(DateTimeRec{2026, 12, 8, 10, 30, 0, 0});   // set back and forth
  Run(10);
  clock.SetMovingTime(DateTimeRec{2026, 12, 8, 13, 0, 0, 0});    // over noon: caught up
  Run(10);
  clock.SetMovingTime(DateTimeRec{2026, 12, 8, 13, 30, 0, 0});
  Run(10);
  EXPECT_EQ(reminders, std::vector<std::string>{"noon"});

  reminders.clear();
  S::Rebuild(true);
  Run(10);
  S::SetAt(1, Timed(1000, 1005, 3, "hello"));
  S::Rebuild(false);
  Run(10);
  EXPECT_TRUE(reminders.empty());
}

// An entry still running when the list is made again keeps its colours,
// without its reminder.
TEST_F(ScheduleStoreTest, ARunningEntryMadeAgainKeepsItsColoursQuietly) {
  S::SetAt(0, Timed(1000, 1200, 4, "hello"));
  Start(9, 59);
  Run(60);
  EXPECT_EQ(At(), 4);
  clock.SetMovingTime(DateTimeRec{2026, 12, 7, 11, 0, 0, 0});
  Run(10);
  S::Rebuild(true);
  Run(10);
  EXPECT_EQ(At(), 4);
  EXPECT_EQ(reminders, std::vector<std::string>{"hello"});
  Run(3600);
  EXPECT_EQ(At(), -1);
}

TEST_F(ScheduleStoreTest, ChecksOfEntriesDeletedMeanwhileDoNothing) {
  S::SetAt(0, Timed(1000, 1100, 3));
  S::SetAt(0, Timed(1000, 1100, 4));
  clock.SetMovingTime(DateTimeRec{2026, 12, 7, 9, 59, 0, 0});
  S::Rebuild(false);
  S::DeleteAll();   // another dialog's OK emptied the schedule
  Run(120);
  EXPECT_EQ(At(), -1);
  S::Execution e;
  EXPECT_FALSE(S::ExecuteAt(2, e));
}

TEST_F(ScheduleStoreTest, StoreKeepsWholeEntriesAndCutsTextsOnCharacters) {
  KxScheduleEntry e = Timed(900, 1000, 1);
  e.title = "a";
  for (int i = 0; i < 70; ++i) e.title += "\x8A\xBF";   // 141 bytes
  S::SetAt(0, e);
  EXPECT_EQ(S::GetAt(1).title.size(), 127u);   // "a" and 63 kanji
  S::InsertAt(1, Timed(800, 900, 2));
  EXPECT_EQ(S::GetAt(1).variation, 2);
  std::size_t offset = 0, length = 0;
  ASSERT_TRUE(S::FindAt(2, offset, length));
  EXPECT_EQ(offset, kKxScheduleFixedSize + 2 + 2);
  EXPECT_EQ(length, kKxScheduleFixedSize + 2 + 127);
  EXPECT_FALSE(S::FindAt(3, offset, length));
  // A blob whose last entry runs past its end keeps the leading ones.
  KxBlock blob = KxColorScheduleData();
  blob.resize(blob.size() - 5);
  S::SetData(blob.data(), blob.size());
  EXPECT_EQ(S::Count(), 1);
  // A new entry: today, now, the default title.
  clock.SetMovingTime(DateTimeRec{2026, 2, 3, 14, 5, 0, 0});
  S::SetNewTitle("new");
  const KxScheduleEntry fresh = S::GetAt(99);
  EXPECT_EQ(fresh.dayValue, 203);
  EXPECT_EQ(fresh.start, 1405);
  EXPECT_EQ(fresh.title, "new");
  EXPECT_EQ(S::DaysScheduleString(930, 0, "x"), "09:30-24:00 x");
  EXPECT_EQ(S::DaysScheduleString(930, 1015, "x"), "09:30-10:15 x");
}

TEST_F(ScheduleStoreTest, DateIndexPutsWholeDaysFirstThenByStart) {
  KxScheduleEntry whole;
  whole.title = "w";
  KxScheduleEntry monday = Timed(800, 900, 1);
  monday.dayRule = 1;
  monday.dayValue = 1;   // the second day of the week
  KxScheduleEntry date = Timed(700, 800, 2);
  date.dayRule = 2;
  date.dayValue = 1207;
  S::SetAt(0, Timed(1200, 1300, 3));
  S::SetAt(0, monday);
  S::SetAt(0, date);
  S::SetAt(0, whole);
  EXPECT_EQ(S::FindDateIndex(250, 12, 7, 1), (std::vector<long>{4, 3, 2, 1}));
  EXPECT_EQ(S::FindDateIndex(250, 12, 8, 2), (std::vector<long>{4, 1}));
  EXPECT_EQ(S::FindDateIndex(1, 12, 7, 1), (std::vector<long>{4}));
}

TEST(MovingClockTest, DatesRollOverMonthsYearsAndLeapDays) {
  DateTimeRec t{2099, 12, 31, 23, 59, 30, 0};
  DateTimeRec u = KxAddSeconds(t, 45);
  EXPECT_EQ(u.year, 2100);
  EXPECT_EQ(u.month, 1);
  EXPECT_EQ(u.day, 1);
  EXPECT_EQ(u.second, 15);
  EXPECT_EQ(u.dayOfWeek, 6);   // 2100-01-01 is a Friday
  u = KxAddSeconds(DateTimeRec{2100, 2, 28, 12, 0, 0, 0}, 86400);
  EXPECT_EQ(u.month, 3);   // 2100 has no 29 February
  u = KxAddSeconds(DateTimeRec{2024, 2, 28, 12, 0, 0, 0}, 86400);
  EXPECT_EQ(u.day, 29);
  EXPECT_EQ(KxDayOfWeek(2026, 12, 7), 2);   // a Monday
}

}  // namespace

namespace {

// A plain reference for the model test: which entry is in effect at a
// moment, from the entries' own rules; entries are made so that windows
// either nest or stay apart, and a day has at most one whole-day entry.
struct RefEntry {
  KxScheduleEntry e;
  bool done = false;   // a one-time entry once it has fired
  int doneDay = 0;     // it runs on to its end that day
};

long RefSeconds(std::int16_t hhmm) { return long(hhmm / 100) * 3600 + long(hhmm % 100) * 60; }

// The window of an entry on a day, in seconds of the day; false when none.
bool RefWindow(const KxScheduleEntry& e, int month, int day, int weekday, long& from, long& to) {
  const bool applies = e.dayRule == 0 || (e.dayRule == 1 && e.dayValue == weekday) ||
                       (e.dayRule == 2 && e.dayValue == month * 100 + day);
  if (!applies) return false;
  if (!e.timed) {
    from = 0, to = 86400;
  } else {
    from = RefSeconds(e.start);
    to = e.start > e.end ? 86400 : e.start == e.end ? from + 10 : RefSeconds(e.end);
  }
  return true;
}

TEST_F(ScheduleStoreTest, RandomSchedulesAgreeWithThePlainRulesMinuteByMinute) {
  const char* env = std::getenv("KxRandomSteps");
  const int rounds = env ? std::max(1, std::atoi(env)) : 3;
  std::mt19937 random(67);
  long checked = 0;
  for (int round = 0; round < rounds; ++round) {
    S::DeleteAll();
    std::vector<RefEntry> ref;
    // Apart windows, each perhaps with one nested inside; a whole-day one
    // on some days.
    const int windows = 1 + int(random() % 4);
    for (int k = 0; k < windows; ++k) {
      const int hour = 2 + k * 5;   // 02, 07, 12, 17 hundred: never overlapping
      KxScheduleEntry outer = Timed(std::int16_t(hour * 100), std::int16_t((hour + 3) * 100 + int(random() % 50)),
                                    std::uint8_t(2 + k), random() % 2 ? "r" + std::to_string(k) : "");
      const int kind = int(random() % 4);
      if (kind == 1) outer.end = outer.start;                             // a moment
      if (kind == 2 && k == windows - 1) outer.end = std::int16_t(100);   // runs to the day's end
      outer.dayRule = std::uint8_t(random() % 3);
      outer.dayValue = outer.dayRule == 1 ? std::int16_t(1 + random() % 2) : std::int16_t(1207 + random() % 2);
      outer.repetition = std::uint8_t(random() % 3);
      ref.push_back({outer});
      if (kind == 3) {
        KxScheduleEntry inner = Timed(std::int16_t(hour * 100 + 30), std::int16_t(hour * 100 + 100), std::uint8_t(12 + k));
        inner.dayRule = outer.dayRule;
        inner.dayValue = outer.dayValue;
        ref.push_back({inner});
      }
    }
    for (const RefEntry& r : ref) S::SetAt(0, r.e);
    variation = -1;
    reminders.clear();
    Start(0, 0, 7);   // a Monday; the next day a Tuesday
    std::vector<std::string> expectedReminders;
    for (int minute = 0; minute < 2 * 24 * 60 - 2; ++minute) {
      Run(60);   // to minute + 1, 3 seconds past it
      const int day = minute + 1 >= 24 * 60 ? 8 : 7;
      const long s = long((minute + 1) % (24 * 60)) * 60 + 3;
      int want = -1;
      long bestFrom = -1;
      for (RefEntry& r : ref) {
        long from = 0, to = 0;
        if (r.e.repetition == 2 || (r.done && r.doneDay != day) || !RefWindow(r.e, 12, day, day - 6, from, to))
          continue;
        // A window seen at its start; the innermost (latest start) wins.
        if (s >= from && s < to && from >= bestFrom) {
          want = r.e.variation;
          bestFrom = from;
        }
      }
      // One-time entries are done once their window has begun.
      for (RefEntry& r : ref) {
        long from = 0, to = 0;
        if (r.e.repetition == 1 && !r.done && RefWindow(r.e, 12, day, day - 6, from, to) && s >= from + 3 &&
            r.e.start != r.e.end) {
          r.done = true;
          r.doneDay = day;
        }
      }
      // A moment (10 seconds) is not seen three seconds past a minute
      // unless it starts then; the reference asks nothing of it.
      bool moment = false;
      for (const RefEntry& r : ref) {
        long from = 0, to = 0;
        if (r.e.timed && r.e.start == r.e.end && RefWindow(r.e, 12, day, day - 6, from, to))
          moment = moment || (s >= from && s < from + 60);
      }
      if (moment) continue;
      ++checked;
      if (At() != want) {
        for (const RefEntry& r : ref)
          ADD_FAILURE() << "rule " << int(r.e.dayRule) << " day " << r.e.dayValue << " " << r.e.start << "-" << r.e.end
                        << " rep " << int(r.e.repetition) << " var " << int(r.e.variation) << " done " << r.done;
      }
      ASSERT_EQ(At(), want) << "round " << round << " day " << day << " minute " << minute + 1;
    }
    EXPECT_EQ(S::CheckRules(), "");
  }
  EXPECT_GT(checked, rounds * 2000);
}

}  // namespace
