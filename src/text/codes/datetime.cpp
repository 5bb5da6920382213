#include "text/codes/datetime.h"

#include <cstring>

#include "platform/clock.h"
#include "platform/resources.h"
#include "text/base/geometry.h"
#include "text/codes/script.h"

namespace {

constexpr short kDateWordsList = 203;

// A length-prefixed word of at most N - 1 bytes.
template <std::size_t N>
struct Word {
  unsigned char text[N] = {0};
  std::size_t size() const { return text[0]; }
  const char* data() const { return reinterpret_cast<const char*>(text + 1); }
};

struct DateWords {
  bool loaded = false;
  Word<256> year, month, day, hour, minute, am, pm, era;
  Word<8> week[7];  // Sunday .. Saturday
  long eraDelta = 1989;  // first Western year of the era
};
DateWords gWords;

// Copies an item into a word, cutting a long item after its last whole
// Shift_JIS character.
template <std::size_t N>
void LoadWord(Word<N>& w, short index) {
  Str255 item;
  GetIndString(item, kDateWordsList, index);
  std::size_t len = 0;
  while (len < item[0]) {
    std::size_t step = KxTextCharFirst(item[1 + len], kScriptJapanese) && len + 1 < item[0] ? 2 : 1;
    if (len + step > N - 1) break;
    len += step;
  }
  w.text[0] = static_cast<unsigned char>(len);
  std::memcpy(w.text + 1, item + 1, len);
}

void LoadDateWords() {
  if (gWords.loaded) return;
  gWords.loaded = true;
  LoadWord(gWords.year, 1);
  LoadWord(gWords.month, 2);
  LoadWord(gWords.day, 3);
  LoadWord(gWords.hour, 4);
  LoadWord(gWords.minute, 5);
  LoadWord(gWords.am, 6);
  LoadWord(gWords.pm, 7);
  LoadWord(gWords.era, 8);
  Str255 start;
  GetIndString(start, kDateWordsList, 9);
  long year = 0;
  int digits = 0;
  for (int i = 1; i <= start[0] && start[i] >= '0' && start[i] <= '9' && digits < 6; ++i, ++digits)
    year = year * 10 + (start[i] - '0');
  if (digits > 0 && digits == start[0]) gWords.eraDelta = year;
  for (short d = 0; d < 7; ++d) LoadWord(gWords.week[d], short(10 + d));
}

// Appends whole pieces to a bounded buffer; once one does not fit, nothing
// more is written.
class Writer {
 public:
  Writer(char* buffer, std::size_t size) : mBuffer(buffer), mSize(buffer ? size : 0) {}
  void Put(const char* text, std::size_t len) {
    if (len == 0) return;
    if (mFull || len > mSize - mCount) {
      mFull = true;
      return;
    }
    std::memcpy(mBuffer + mCount, text, len);
    mCount += len;
  }
  void Put(const char* text) { Put(text, std::strlen(text)); }
  template <std::size_t N>
  void Put(const Word<N>& w) {
    Put(w.data(), w.size());
  }
  void Put(const unsigned char* pascal) { Put(reinterpret_cast<const char*>(pascal + 1), pascal[0]); }
  // Decimal number in at least width characters, led by pad.
  void Number(long value, int width, char pad) {
    char digits[16];
    int len = KxNumString(digits, sizeof digits, std::int32_t(value), false);
    char text[32];
    int n = 0;
    while (n < width - len) text[n++] = pad;
    std::memcpy(text + n, digits, std::size_t(len));
    Put(text, std::size_t(n + len));
  }
  short Count() const { return short(mCount); }

 private:
  char* mBuffer;
  std::size_t mSize;
  std::size_t mCount = 0;
  bool mFull = false;
};

}  // namespace

std::uint32_t KxGetTime() { return TickCount(); }
std::uint32_t KxGetDblTime() { return GetDblTime(); }
std::uint32_t KxGetBlinkTime() { return GetCaretTime(); }

void KxGetDateTime(SKXDateTime& now) { GetTime(now); }

short KxGetTimeStamp(char* buffer, std::size_t size, short style) {
  SKXDateTime now;
  KxGetDateTime(now);
  Writer out(buffer, size);
  if (style == 5 || style == 6) {
    Str255 text;
    TimeString(now, style == 6, text);
    out.Put(text);
    return out.Count();
  }
  bool twelve = style == 0 || style == 2;
  bool pm = now.hour >= 12;
  int hour = now.hour;
  if (twelve) {
    if (hour >= 12) hour -= 12;
    if (hour == 0) hour = 12;
  }
  switch (style) {
    case 0:
    case 1:
      out.Number(hour, 2, ' ');
      out.Put(":");
      out.Number(now.minute, 2, '0');
      if (style == 0) out.Put(pm ? " PM" : " AM");
      break;
    default:
      LoadDateWords();
      if (style == 2) out.Put(pm ? gWords.pm : gWords.am);
      out.Number(hour, 2, ' ');
      out.Put(gWords.hour);
      out.Number(now.minute, 2, '0');
      out.Put(gWords.minute);
      break;
  }
  return out.Count();
}

short KxGetDateStamp(char* buffer, std::size_t size, short style) {
  SKXDateTime now;
  KxGetDateTime(now);
  Writer out(buffer, size);
  if (style >= 5 && style <= 7) {
    Str255 text;
    DateString(now, DateForm(style - 5), text);
    out.Put(text);
    return out.Count();
  }
  // The first number is whole from two digits on; a one-digit one is led
  // by "0" in style 0 and by a space otherwise. The second takes two
  // characters led by a space, the third two led by "0" in style 1 and by a
  // space otherwise.
  auto first = [&](long v) { out.Number(v, 2, style == 0 ? '0' : ' '); };
  auto second = [&](long v) { out.Number(v, 2, ' '); };
  auto third = [&](long v) { out.Number(v, 2, style == 1 ? '0' : ' '); };
  switch (style) {
    case 0:
      first(now.year % 100);
      out.Put(".");
      second(now.month);
      out.Put(".");
      third(now.day);
      break;
    case 1:
      first(now.month);
      out.Put("/");
      second(now.day);
      out.Put("/");
      third(now.year % 100);
      break;
    default:
      LoadDateWords();
      if (style == 3) {
        out.Put(gWords.era);
        first(now.year - gWords.eraDelta + 1);
      } else {
        first(now.year);
      }
      out.Put(gWords.year);
      second(now.month);
      out.Put(gWords.month);
      third(now.day);
      out.Put(gWords.day);
      break;
  }
  return out.Count();
}

short KxDateString(char* buffer, std::size_t size, short year, short month, short day,
                   short weekday) {
  LoadDateWords();
  Writer out(buffer, size);
  if (year >= 1000) {
    out.Number(year, 0, ' ');
    out.Put(gWords.year);
  } else if (year >= 1) {
    out.Number(year % 100, 2, '0');
    out.Put(gWords.year);
  }
  out.Number(month, 2, ' ');
  out.Put(gWords.month);
  out.Number(day, 2, ' ');
  out.Put(gWords.day);
  if (weekday >= 1 && weekday <= 7) out.Put(gWords.week[weekday - 1]);
  return out.Count();
}
