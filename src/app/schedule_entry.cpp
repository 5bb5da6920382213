#include "app/schedule_entry.h"

#include <algorithm>
#include <cstring>

#include "app/color_prefs.h"
#include "platform/bytefields.h"
#include "text/codes/charclass.h"
#include "text/codes/script.h"

namespace {

std::string Cut(const std::string& s, std::size_t limit) {
  return s.substr(0, KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(s.data()), s.size(), limit));
}

int MonthLength(long month) {
  switch (month) {
    case 4: case 6: case 9: case 11: return 30;
    case 2: return 29;
    default: return 31;
  }
}

std::int16_t Time(long hour, long minute, bool pm) {
  if (hour > 11) hour -= 12;
  hour = std::clamp(hour, 0L, 11L);
  minute = std::clamp(minute, 0L, 59L);
  if (pm) hour += 12;
  return std::int16_t(hour * 100 + minute);
}

// The next character of a title for ordering: a full-width letter or digit
// as its one-byte form, letters in upper case.
std::uint16_t NextKey(const std::string& s, std::size_t& i) {
  const std::uint8_t* lead = KxScriptParseTable(kScriptJapanese);
  std::uint16_t c = std::uint8_t(s[i]);
  if (lead[c] && i + 1 < s.size()) {
    const std::uint16_t word = std::uint16_t(c << 8 | std::uint8_t(s[i + 1]));
    i += 2;
    const std::uint16_t one = UKXText::WordToByte(word);
    if (one < 0x100 && (UKXText::IsByteAlnum(one))) c = one;
    else return word;
  } else {
    ++i;
  }
  return UKXText::ToByteUpper(c);
}

}  // namespace

KxScheduleEntry KxScheduleFromForm(const KxScheduleForm& f) {
  KxScheduleEntry e;
  e.dayRule = std::uint8_t(std::clamp(f.dayRule, 0, 2));
  e.timed = f.timed ? 1 : 0;
  if (e.dayRule == 1) {
    e.dayValue = std::int16_t(std::clamp(f.weekday, 0, 6));
  } else {   // a date; every day keeps the one its fields show
    const long month = std::clamp(f.month, 1L, 12L);
    const long day = std::clamp(f.day, 1L, long(MonthLength(month)));
    e.dayValue = std::int16_t(month * 100 + day);
  }
  if (e.timed) {
    e.start = Time(f.startHour, f.startMinute, f.startPM);
    e.end = Time(f.endHour, f.endMinute, f.endPM);
  }
  e.repetition = std::uint8_t(std::clamp(f.repetition, 0, 2));
  e.variation = std::uint8_t(std::clamp(f.variation, 0, 19));
  RGBColor paper = f.paper;
  CheckColor(paper, false);
  e.paper[0] = paper.red;
  e.paper[1] = paper.green;
  e.paper[2] = paper.blue;
  e.title = Cut(f.title, kKxScheduleTitleMax);
  e.message = Cut(f.message, kKxScheduleMessageMax);
  return e;
}

KxScheduleForm KxScheduleToForm(const KxScheduleEntry& e) {
  KxScheduleForm f;
  f.dayRule = e.dayRule;
  f.weekday = e.dayRule == 1 ? e.dayValue : 0;
  f.month = e.dayValue >= 101 ? e.dayValue / 100 : 1;
  f.day = e.dayValue >= 101 ? e.dayValue % 100 : 1;
  f.timed = e.timed != 0;
  f.startPM = e.start >= 1200;
  f.startHour = e.start / 100 % 12;
  f.startMinute = e.start % 100;
  f.endPM = e.end >= 1200;
  f.endHour = e.end / 100 % 12;
  f.endMinute = e.end % 100;
  f.variation = e.variation;
  f.repetition = e.repetition;
  f.paper = RGBColor{e.paper[0], e.paper[1], e.paper[2]};
  CheckColor(f.paper, true);
  f.title = e.title;
  f.message = e.message;
  return f;
}

int CompareScheduleTitle(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const std::uint16_t x = NextKey(a, i), y = NextKey(b, j);
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

KxBlock KxScheduleToWork(const KxScheduleEntry& entry) {
  KxScheduleEntry e = entry;
  e.title = Cut(e.title, kKxScheduleTitleMax);
  e.message = Cut(e.message, kKxScheduleMessageMax);
  const KxBlock packed = KxPackSchedule({e});
  KxBlock out(kKxScheduleWorkSize, 0);
  std::copy(packed.begin(), packed.begin() + long(kKxScheduleFixedSize), out.begin());
  out[kKxScheduleFixedSize] = std::uint8_t(e.title.size());
  std::memcpy(&out[kKxScheduleFixedSize + 1], e.title.data(), e.title.size());
  out[kKxScheduleFixedSize + 50] = std::uint8_t(e.message.size());
  std::memcpy(&out[kKxScheduleFixedSize + 51], e.message.data(), e.message.size());
  return out;
}

bool KxScheduleFromWork(const std::uint8_t* record, std::size_t size, KxScheduleEntry& entry) {
  if (!record || size < kKxScheduleWorkSize) return false;
  KxBlock packed(record, record + kKxScheduleFixedSize);
  const std::size_t title = std::min<std::size_t>(record[kKxScheduleFixedSize], 49);
  const std::size_t message = std::min<std::size_t>(record[kKxScheduleFixedSize + 50], 89);
  packed.push_back(std::uint8_t(title));
  packed.insert(packed.end(), record + kKxScheduleFixedSize + 1, record + kKxScheduleFixedSize + 1 + title);
  packed.push_back(std::uint8_t(message));
  packed.insert(packed.end(), record + kKxScheduleFixedSize + 51, record + kKxScheduleFixedSize + 51 + message);
  const auto entries = KxParseSchedule(packed.data(), packed.size());
  if (entries.size() != 1) return false;
  entry = entries[0];
  return true;
}
