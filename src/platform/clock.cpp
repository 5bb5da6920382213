#include "platform/clock.h"

#include <langinfo.h>
#include <locale.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <string>

namespace {
KxPosixClock gPosixClock;
KxClock* gClock = nullptr;

std::int16_t Clamp16(long v, long lo, long hi) { return std::int16_t(v < lo ? lo : v > hi ? hi : v); }

std::tm ToTm(const DateTimeRec& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = Clamp16(t.month, 1, 12) - 1;
  tm.tm_mday = Clamp16(t.day, 1, 31);
  tm.tm_hour = Clamp16(t.hour, 0, 23);
  tm.tm_min = Clamp16(t.minute, 0, 59);
  tm.tm_sec = Clamp16(t.second, 0, 60);
  tm.tm_wday = Clamp16(t.dayOfWeek, 1, 7) - 1;
  tm.tm_isdst = -1;
  return tm;
}

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// The locale's time format without its seconds field: "%H:%M:%S" becomes
// "%H:%M", "%I:%M:%S %p" becomes "%I:%M %p".
std::string WithoutSeconds(const std::string& fmt, locale_t loc) {
  std::string expanded;
  for (size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] == '%' && i + 1 < fmt.size()) {
      char d = fmt[++i];
      if (d == 'T')
        expanded += "%H:%M:%S";
      else if (d == 'r')
        expanded += nl_langinfo_l(T_FMT_AMPM, loc);
      else
        expanded += {'%', d};
    } else {
      expanded += fmt[i];
    }
  }
  std::string out;
  bool lastLiteral = false;  // the last byte of out is plain text, not a directive
  for (size_t i = 0; i < expanded.size(); ++i) {
    if (expanded[i] == '%' && i + 1 < expanded.size()) {
      char d = expanded[++i];
      if (d == 'S') {
        if (lastLiteral && out.back() != ' ') out.pop_back();  // the separator before it
        lastLiteral = false;
        continue;
      }
      out += {'%', d};
      lastLiteral = false;
    } else {
      out += expanded[i];
      lastLiteral = true;
    }
  }
  return out;
}

void Format(const char* fmt, const std::tm& tm, locale_t loc, Str255 result) {
  char buf[256];
  size_t n = strftime_l(buf, sizeof buf, fmt, &tm, loc);
  if (n > 255) n = 255;
  result[0] = static_cast<unsigned char>(n);
  std::memcpy(result + 1, buf, n);
}

// Formats in the current locale; when that gives anything but ASCII, in the
// C locale instead. `pick` chooses the format for a locale.
template <typename Pick>
void FormatAscii(const std::tm& tm, Pick pick, Str255 result) {
  result[0] = 0;
  locale_t current = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
  if (current) {
    std::string fmt = pick(current);
    Format(fmt.c_str(), tm, current, result);
    freelocale(current);
    if (IsAscii(std::string(reinterpret_cast<char*>(result + 1), result[0])) && result[0] > 0)
      return;
  }
  locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  if (!c) return;
  std::string fmt = pick(c);
  Format(fmt.c_str(), tm, c, result);
  freelocale(c);
}
}  // namespace

std::uint32_t KxPosixClock::Ticks() {
  using namespace std::chrono;
  static const steady_clock::time_point start = steady_clock::now();
  auto elapsed = duration_cast<milliseconds>(steady_clock::now() - start).count();
  return static_cast<std::uint32_t>(elapsed * 60 / 1000);
}

DateTimeRec KxPosixClock::LocalTime() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return DateTimeRec{std::int16_t(tm.tm_year + 1900), std::int16_t(tm.tm_mon + 1),
                     std::int16_t(tm.tm_mday),        std::int16_t(tm.tm_hour),
                     std::int16_t(tm.tm_min),         std::int16_t(tm.tm_sec),
                     std::int16_t(tm.tm_wday + 1)};
}

void KxSetClock(KxClock* clock) { gClock = clock; }
KxClock& KxCurrentClock() { return gClock ? *gClock : gPosixClock; }

std::uint32_t TickCount() { return KxCurrentClock().Ticks(); }
std::uint32_t GetDblTime() { return KxCurrentClock().DoubleClickTicks(); }
std::uint32_t GetCaretTime() { return KxCurrentClock().CaretBlinkTicks(); }
void GetTime(DateTimeRec& now) { now = KxCurrentClock().LocalTime(); }

// Time: the locale's time format (%X), with or without its seconds field.
void TimeString(const DateTimeRec& t, bool wantSeconds, Str255 result) {
  FormatAscii(
      ToTm(t),
      [wantSeconds](locale_t loc) {
        std::string fmt = nl_langinfo_l(T_FMT, loc);
        return wantSeconds ? fmt : WithoutSeconds(fmt, loc);
      },
      result);
}

// Dates: short is the locale's date (%x); long spells out the weekday and
// month ("Friday, April 1, 2005"); abbreviated shortens both ("Fri, Apr 1,
// 2005"). Day numbers carry no leading zero or space.
void DateString(const DateTimeRec& t, DateForm form, Str255 result) {
  FormatAscii(
      ToTm(t),
      [form](locale_t) -> std::string {
        switch (form) {
          case longDate: return "%A, %B %-d, %Y";
          case abbrevDate: return "%a, %b %-d, %Y";
          default: return "%x";
        }
      },
      result);
}

namespace {
// Days since 1970-01-01 of a Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}
void CivilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = int(doy - (153 * mp + 2) / 5 + 1);
  m = int(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}
}  // namespace

std::int64_t KxDaysFromCivil(int year, int month, int day) { return DaysFromCivil(year, month, day); }

std::int16_t KxDayOfWeek(int year, int month, int day) {
  // 1970-01-01 was a Thursday (5).
  const std::int64_t days = DaysFromCivil(year, month, day);
  return std::int16_t(((days % 7 + 7) % 7 + 4) % 7 + 1);
}

DateTimeRec KxAddSeconds(const DateTimeRec& t, std::int64_t seconds) {
  std::int64_t total = DaysFromCivil(t.year, t.month, t.day) * 86400 + std::int64_t(t.hour) * 3600 +
                       std::int64_t(t.minute) * 60 + t.second + seconds;
  std::int64_t days = total >= 0 ? total / 86400 : (total - 86399) / 86400;
  const std::int64_t rest = total - days * 86400;
  std::int64_t y = 0;
  int m = 1, d = 1;
  CivilFromDays(days, y, m, d);
  DateTimeRec out{};
  out.year = std::int16_t(y);
  out.month = std::int16_t(m);
  out.day = std::int16_t(d);
  out.hour = std::int16_t(rest / 3600);
  out.minute = std::int16_t(rest % 3600 / 60);
  out.second = std::int16_t(rest % 60);
  out.dayOfWeek = KxDayOfWeek(int(y), m, d);
  return out;
}
