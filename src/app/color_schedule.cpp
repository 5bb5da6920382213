#include "app/color_schedule.h"

#include <algorithm>
#include <cstdio>

#include "app/globals.h"
#include "platform/clock.h"
#include "text/codes/script.h"

namespace {

constexpr std::size_t kMaxChecks = 250;
constexpr std::uint32_t kPollTicks = 120;
constexpr std::uint32_t kPointTicks = 600;   // an entry whose start is its end lasts this long
constexpr std::uint32_t kTicksPerSecond = 60;

struct CheckRec {
  std::uint32_t start = 0;   // ticks
  std::uint32_t end = 0;     // ticks
  long entry = 0;
  bool reminder = false;
  std::int16_t startTime = 0;   // hhmm, the list's order
};

std::string gNewTitle;
std::vector<CheckRec> gChecks;
bool gHaveList = false;
std::uint32_t gCheckTime = 0, gCheckLimit = 0;
bool gCheckFirst = false;
bool gRunning = false;
CheckRec gNow;
bool gChanged = false, gLoadFailed = false;
// The local time (seconds since 1970) and the tick count of the last
// rebuild: a local time that no longer follows the ticks was set anew.
std::int64_t gBaseLocal = 0;
std::uint32_t gBaseTicks = 0;
// The entries that took effect on the day gDoneDay (days since 1970), by
// their stored form with the repetition cleared: a list made again the same
// day (the clock was set, the schedule edited) neither shows their
// reminders again nor replays the ones that are over.
std::int64_t gDoneDay = 0;
std::vector<KxBlock> gDone;

std::int64_t LocalSeconds(const DateTimeRec& t) {
  return KxDaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::vector<KxScheduleEntry> Entries() {
  const KxBlock& b = KxColorScheduleData();
  return KxParseSchedule(b.data(), b.size());
}

void Store(const std::vector<KxScheduleEntry>& entries) {
  const KxBlock b = KxPackSchedule(entries);
  KxSetColorScheduleData(b.data(), b.size());
}

std::string CutText(const std::string& s) {
  return s.substr(0, KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(s.data()), s.size(),
                                         kKxScheduleTextMax));
}

KxScheduleEntry Clean(KxScheduleEntry e) {
  e.title = CutText(e.title);
  e.message = CutText(e.message);
  return e;
}

bool AppliesOn(const KxScheduleEntry& e, int month, int day, int weekday) {
  return e.dayRule == 0 || (e.dayRule == 1 && e.dayValue == weekday) ||
         (e.dayRule == 2 && e.dayValue == month * 100 + day);
}

long Seconds(std::int16_t hhmm) { return long(hhmm / 100) * 3600 + long(hhmm % 100) * 60; }

bool Passed(std::uint32_t when, std::uint32_t now) { return std::int32_t(now - when) >= 0; }

KxBlock DoneKey(KxScheduleEntry e) {
  e.repetition = 0;
  return KxPackSchedule({e});
}

bool IsDone(const KxScheduleEntry& e) { return std::find(gDone.begin(), gDone.end(), DoneKey(e)) != gDone.end(); }

// Whether a timed entry's window is over at second s of the day; one whose
// start is its end lasts kPointTicks.
bool OverAt(const KxScheduleEntry& e, long s) {
  if (!e.timed || e.start > e.end) return false;
  return Seconds(e.end) + (e.start == e.end ? long(kPointTicks / kTicksPerSecond) : 0) <= s;
}

void InsertByStartTime(const CheckRec& c) {
  auto at = std::find_if(gChecks.begin(), gChecks.end(), [&](const CheckRec& o) { return o.startTime > c.startTime; });
  gChecks.insert(at, c);
}

}  // namespace

namespace UKXColorSchedule {

void Initialize() {
  gChecks.clear();
  gHaveList = gRunning = gCheckFirst = false;
  gCheckTime = gCheckLimit = 0;
  gNow = CheckRec{};
  gChanged = gLoadFailed = false;
  gDone.clear();
  gDoneDay = 0;
}

void Terminate() { Initialize(); }

void SetNewTitle(const std::string& title) { gNewTitle = CutText(title); }

long Count() { return long(Entries().size()); }

KxScheduleEntry GetAt(long n) {
  const auto entries = Entries();
  if (n >= 1 && n <= long(entries.size())) return entries[std::size_t(n - 1)];
  DateTimeRec t;
  GetTime(t);
  KxScheduleEntry e;
  e.dayValue = std::int16_t(t.month * 100 + t.day);
  e.start = e.end = std::int16_t(t.hour * 100 + t.minute);
  e.title = gNewTitle;
  return e;
}

void SetAt(long n, const KxScheduleEntry& entry) {
  auto entries = Entries();
  if (n >= 1 && n <= long(entries.size()))
    entries[std::size_t(n - 1)] = Clean(entry);
  else
    entries.push_back(Clean(entry));
  Store(entries);
}

void InsertAt(long n, const KxScheduleEntry& entry) {
  auto entries = Entries();
  const std::size_t at = n >= 1 && n <= long(entries.size()) ? std::size_t(n - 1) : entries.size();
  entries.insert(entries.begin() + std::ptrdiff_t(at), Clean(entry));
  Store(entries);
}

void DeleteAt(long n) {
  auto entries = Entries();
  if (n < 1 || n > long(entries.size())) return;
  entries.erase(entries.begin() + std::ptrdiff_t(n - 1));
  Store(entries);
}

void DeleteAll() { Store({}); }

bool FindAt(long n, std::size_t& offset, std::size_t& length) {
  const KxBlock& b = KxColorScheduleData();
  std::size_t at = 0;
  for (long k = 1; at < b.size(); ++k) {
    // One entry: the fixed part, then two length-prefixed texts.
    if (at + kKxScheduleFixedSize + 1 > b.size()) return false;
    const std::size_t title = b[at + kKxScheduleFixedSize];
    const std::size_t messageAt = at + kKxScheduleFixedSize + 1 + title;
    if (messageAt >= b.size()) return false;
    const std::size_t total = kKxScheduleFixedSize + 2 + title + b[messageAt];
    if (k == n) {
      offset = at;
      length = total;
      return true;
    }
    at += total;
  }
  return false;
}

void SetData(const std::uint8_t* data, std::size_t size) {
  KxSetColorScheduleData(data, size);
  Rebuild(true);
}

std::string DaysScheduleString(std::int16_t start, std::int16_t end, const std::string& title) {
  int eh = end / 100, em = end % 100;
  if (end == 0 || end < start) eh = 24, em = 0;
  char head[32];
  std::snprintf(head, sizeof head, "%02d:%02d-%02d:%02d ", std::clamp(start / 100, 0, 99),
                std::clamp(start % 100, 0, 99), std::clamp(eh, 0, 99), std::clamp(em, 0, 99));
  return head + title;
}

std::vector<long> FindDateIndex(long max, int month, int day, int weekday) {
  const auto entries = Entries();
  std::vector<long> out;
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (AppliesOn(entries[i], month, day, weekday)) out.push_back(long(i + 1));
  const auto key = [&](long n) {
    const KxScheduleEntry& e = entries[std::size_t(n - 1)];
    return e.timed ? long(e.start) : -1L;
  };
  std::stable_sort(out.begin(), out.end(), [&](long a, long b) { return key(a) < key(b); });
  if (long(out.size()) > max) out.resize(std::size_t(std::max(max, 0L)));
  return out;
}

void Rebuild(bool catchUp) {
  gChecks.clear();
  gHaveList = false;
  gCheckTime = gCheckLimit = 0;
  gCheckFirst = false;
  if (!gRunning) gNow.end = 0;
  DateTimeRec t;
  GetTime(t);
  const std::uint32_t now = TickCount();
  const long s = long(t.hour) * 3600 + long(t.minute) * 60 + t.second;
  // The day ends at midnight: a limit a second earlier made the list again
  // on the old date, and its catch-up replayed the whole day.
  const std::uint32_t limit = now + std::uint32_t(std::max(1L, 86400 - s)) * kTicksPerSecond;
  gCheckLimit = limit;
  const int nowHhmm = t.hour * 100 + t.minute;
  gBaseLocal = LocalSeconds(t);
  gBaseTicks = now;
  const std::int64_t today = KxDaysFromCivil(t.year, t.month, t.day);
  if (today != gDoneDay) {
    gDone.clear();
    gDoneDay = today;
  }
  const auto entries = Entries();
  std::vector<long> collected;
  for (std::size_t i = 0; i < entries.size() && collected.size() < kMaxChecks; ++i) {
    const KxScheduleEntry& e = entries[i];
    if (!AppliesOn(e, t.month, t.day, t.dayOfWeek - 1) || e.repetition == 2) continue;
    if (e.timed && e.end < nowHhmm && e.start < e.end && !catchUp) continue;
    if (OverAt(e, s) && IsDone(e)) continue;
    collected.push_back(long(i + 1));
  }
  for (long n : collected) {
    const KxScheduleEntry& e = entries[std::size_t(n - 1)];
    CheckRec c;
    c.entry = n;
    c.reminder = !e.message.empty() && !IsDone(e);
    if (e.timed) {
      const long start = Seconds(e.start), end = Seconds(e.end);
      c.startTime = e.start;
      if (start < s) {
        c.start = now;
        if (!catchUp) c.reminder = false;
      } else {
        c.start = now + std::uint32_t(start - s) * kTicksPerSecond;
      }
      if (e.start > e.end) c.end = limit;
      else if (end <= s) c.end = now;
      else if (e.start == e.end) c.end = c.start + kPointTicks;
      else c.end = now + std::uint32_t(end - s) * kTicksPerSecond;
    } else {
      c.start = now;
      c.end = limit;
      c.startTime = 0;
      if (!catchUp) c.reminder = false;
    }
    InsertByStartTime(c);
  }
  gHaveList = true;
  gCheckTime = now + kPollTicks;
  gCheckFirst = catchUp;
}

long Check() {
  std::uint32_t now = TickCount();
  if (!gHaveList) {
    // A day whose list ran empty still ends: the next day's entries are
    // looked at once it has begun, or they would never fire.
    if (KxColorScheduleData().empty() || gCheckLimit == 0 || std::int32_t(now - gCheckLimit) <= 0)
      return gRunning ? -1 : 0;
    gHaveList = true;
  }
  if (!Passed(gCheckTime, now)) return 0;
  DateTimeRec t;
  GetTime(t);
  const std::int64_t drift = LocalSeconds(t) - gBaseLocal - std::int64_t(now - gBaseTicks) / 60;
  // After the day's end, or when the date and time were set (or the ticks
  // stood still while the machine slept), today's list is made again.
  if (std::int32_t(now - gCheckLimit) > 0 || drift > 60 || drift < -60) {
    Rebuild(true);
    now = TickCount();
  }
  if (gRunning && std::int32_t(now - gNow.end) > 0) return -1;
  gCheckTime = now + kPollTicks;
  if (gCheckFirst) {
    gCheckTime = now;
    for (const CheckRec& c : gChecks)
      if (Passed(c.end, now)) return c.entry;
    gCheckFirst = false;
  }
  for (const CheckRec& c : gChecks)
    if (Passed(c.start, now)) return c.entry;
  if (gChecks.empty() && !gRunning) gHaveList = false;
  return 0;
}

bool ExecuteAt(long n, Execution& out) {
  out = Execution{};
  if (n == -1 || n == 65535) {
    gRunning = false;
    if (gChecks.empty()) gHaveList = false;
    return false;
  }
  const auto it = std::find_if(gChecks.begin(), gChecks.end(), [n](const CheckRec& c) { return c.entry == n; });
  if (it == gChecks.end()) return false;
  const CheckRec check = *it;
  gChecks.erase(it);
  auto entries = Entries();
  // The store may have changed since the list was made: a check naming a
  // missing entry is dropped and does nothing.
  if (n < 1 || n > long(entries.size())) return false;
  KxScheduleEntry& e = entries[std::size_t(n - 1)];
  if (!IsDone(e)) gDone.push_back(DoneKey(e));
  out.timeText = DaysScheduleString(e.start, e.end, e.title);
  out.variation = e.variation;
  out.paper = RGBColor{e.paper[0], e.paper[1], e.paper[2]};
  out.message = e.message;
  if (e.repetition == 1) {
    // Done for good: the schedule file must learn it at quit.
    e.repetition = 2;
    Store(entries);
    gChanged = true;
    gPrefModify = true;
  }
  const std::uint32_t now = TickCount();
  if (std::int32_t(now - check.end) > 0 && !check.reminder) return false;
  if (gRunning && std::int32_t(gNow.end - check.end) > 0) {
    // The longer entry goes on where this one ends.
    CheckRec resume = gNow;
    resume.start = check.end;
    resume.reminder = false;
    auto at = std::find_if(gChecks.begin(), gChecks.end(),
                           [&](const CheckRec& c) { return std::int32_t(c.start - resume.start) > 0; });
    gChecks.insert(at, resume);
  }
  if (!check.reminder) out.message.clear();
  gNow = check;
  gRunning = true;
  gHaveList = true;
  return true;
}

bool HasChecks() { return gHaveList || gRunning || (!KxColorScheduleData().empty() && gCheckLimit != 0); }
bool IsRunning() { return gRunning; }

bool Changed() { return gChanged; }
void SetChanged(bool changed) { gChanged = changed; }
void SetLoadFailed(bool failed) { gLoadFailed = failed; }
bool LoadFailed() { return gLoadFailed; }

std::string CheckRules() {
  // Checks may name entries deleted since the list was made (they do
  // nothing when their turn comes), but never entry numbers below 1.
  if (gChecks.size() > kMaxChecks + 1) return "too many checks";
  for (const CheckRec& c : gChecks)
    if (c.entry < 1) return "a check names no entry";
  if (!gHaveList && !gChecks.empty()) return "checks without a list";
  return {};
}

}  // namespace UKXColorSchedule
