// Line layout's short ways (plain characters read straight from the buffer,
// the break rules peeking into it) against the long way, byte by byte
// through the store, over random styled texts: every line start and height
// must agree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "layout/fontstate.h"
#include "layout/linebreak.h"
#include "layout/linebreak_fixture.h"

using namespace kxtest;

namespace {

// Restores the short ways whatever a test does.
struct LongWay {
  LongWay() { CKXTextLayout::sShortWays = false; }
  ~LongWay() { CKXTextLayout::sShortWays = true; }
};

// Pieces that reach every turn of the layout loop: double-byte letters and
// rule characters, single-byte words, spaces and hyphens, half-width kana,
// tabs, form feeds and other controls, line ends, lead bytes before a line
// end or a control, and placeholders that may carry a side entry.
std::string RandomText(std::mt19937& rng, int pieces, std::vector<long>& placeholders) {
  static const char* const kPieces[] = {
      SJ_A, SJ_I SJ_U, "\x93\xfa\x96\x7b", SJ_MARU, SJ_KAGI, "\x81\x41", "word", "ab-cd", " ", "  ",
      "12345", "\xb1\xb2\xb3", "\t", "\x0c", "\x01", "\x1f", "\r", "\x82\r", "\x82\t", "((", ",)"};
  std::string t;
  for (int i = 0; i < pieces; ++i) {
    if (rng() % 25 == 0) {
      placeholders.push_back(long(t.size()));
      t += "\x81\xfc";
      continue;
    }
    t += kPieces[rng() % std::size(kPieces)];
  }
  if (rng() % 4 == 0) t += "\x82";  // a lone lead byte at the very end
  return t;
}

struct Case {
  std::string text;
  std::vector<SKXStyl> styls;
  std::vector<SKXDeco> decos;
  std::vector<SKXUniChar> uni;
  bool para = false;
  SParaStyl paraStyl{};
  bool grid = false;
  short charPitch = 0;
  SKXLineStyl style;
  long width = 0;
};

Case RandomCase(std::mt19937& rng, short romanFont) {
  Case c;
  std::vector<long> placeholders;
  c.text = RandomText(rng, 20 + int(rng() % 120), placeholders);
  const long len = long(c.text.size());
  // Style runs: the Japanese and a Roman font and an unknown number, three
  // sizes, faces; some with their height stored, some to be measured.
  static const short kSizes[] = {9, 12, 24};
  for (long at = 0; at < len;) {
    SStyl st{};
    const short fonts[] = {kKxApplicationFont, romanFont, 3};
    st.font = fonts[rng() % 3];
    st.size = kSizes[rng() % 3];
    st.face = (rng() % 4 == 0) ? 1 : 0;
    if (rng() % 2) CKXStylArray::SetHeightAscent(st);
    c.styls.push_back(SKXStyl{std::int32_t(at), st});
    at += 1 + long(rng() % 40);
  }
  // Decoration runs: raised, lowered, half width, groups; plain mostly.
  for (long at = 0; at < len;) {
    SDeco d{};
    const int k = int(rng() % 8);
    if (k < 5) d.flags = std::uint8_t(k);
    if (k == 5) d.flags = 0x08;
    SKXDeco run{};
    run.offset = std::int32_t(at);
    run.deco = d;
    c.decos.push_back(run);
    at += 1 + long(rng() % 30);
  }
  for (long at : placeholders)
    if (rng() % 2) c.uni.push_back(SKXUniChar{std::int32_t(at), std::uint32_t(rng() % 2 ? 0x20AC : 0x1F600)});
  c.para = rng() % 3 == 0;
  if (c.para) {
    c.paraStyl.firstIndent = std::int16_t(rng() % 3 * 10);
    c.paraStyl.leftIndent = std::int16_t(rng() % 3 * 5);
    c.paraStyl.rightIndent = std::int16_t(rng() % 2 * 8);
    c.paraStyl.charSpace = std::int16_t(rng() % 3);
    c.paraStyl.tabCount = 1;
    c.paraStyl.tabPos[0] = 50;
  }
  c.grid = rng() % 6 == 0;
  if (c.grid) c.charPitch = std::int16_t(8 + rng() % 10);
  c.style.mode = std::uint8_t(rng() % 3);
  c.style.wordWrap = std::uint8_t(rng() % 2);
  c.style.vertical = std::uint8_t(rng() % 5 == 0);
  c.style.charSpace = c.grid ? kKxCharSpaceGrid : std::int16_t(rng() % 4 == 0 ? 2 : 0);
  c.style.wrap = std::uint8_t(rng() % 10 != 0);
  c.width = 15 + long(rng() % 300);
  return c;
}

// The lines of a case with the calculation's state as given: a read buffer
// of `capacity` bytes (0: the built-in one) and a kept character state or
// none.
std::vector<std::pair<long, unsigned>> LinesOf(const Case& c, long capacity, bool keepState) {
  Doc d(c.text);
  d.styls.SetTextStyls(c.styls.data(), long(c.styls.size()));
  d.decos.SetTextDecos(c.decos.data(), long(c.decos.size()));
  if (!c.uni.empty()) d.str.SetUniChars(c.uni.data(), long(c.uni.size()));
  if (c.para) d.SetPara(c.paraStyl);
  SKXLineStyl style = c.style;
  if (c.grid) style = d.UseGrid(c.charPitch);
  style.mode = c.style.mode;
  style.wordWrap = c.style.wordWrap;
  style.vertical = c.style.vertical;
  style.wrap = c.style.wrap;
  std::vector<char> buffer(std::size_t(std::max(capacity, 1L)));
  CKXCharState state;
  SKXLineCalc calc{};
  if (capacity > 0) {
    calc.buffer = buffer.data();
    calc.capacity = capacity;
  }
  if (keepState) calc.state = &state;
  return d.Lines(c.width, style, &calc);
}

TEST(LineBreakShortWays, AgreeWithTheLongWayOnRandomTexts) {
  KxFontInstallBackend(KxSyntheticFontBackend());
  short roman = 0;
  ASSERT_TRUE(KxFontNumberFromName("KX Synthetic Roman", roman));
  const char* env = std::getenv("KX_LAYOUT_ROUNDS");
  const int rounds = env ? std::max(1, std::atoi(env)) : 400;
  std::mt19937 rng(59);
  int differing = 0, taken = 0;
  for (int round = 0; round < rounds && differing < 5; ++round) {
    const Case c = RandomCase(rng, roman);
    const long capacity = rng() % 3 == 0 ? 0 : long(2 + rng() % 40);
    const bool keepState = rng() % 4 != 0;
    const long before = CKXTextLayout::sShortWayBytes;
    const auto shortWay = LinesOf(c, capacity, keepState);
    if (CKXTextLayout::sShortWayBytes > before) ++taken;
    std::vector<std::pair<long, unsigned>> longWay;
    {
      const LongWay off;
      longWay = LinesOf(c, capacity, keepState);
    }
    if (shortWay != longWay) ++differing;
    EXPECT_EQ(shortWay, longWay) << "round " << round << ", width " << c.width << ", mode " << int(c.style.mode)
                                 << ", word wrap " << int(c.style.wordWrap) << ", vertical "
                                 << int(c.style.vertical) << ", buffer " << capacity;
  }
  EXPECT_GT(taken, rounds / 2) << "the short way ran in too few rounds to be compared";
}

// The lines of d laid out through a read buffer of `capacity` bytes (0:
// the built-in one).
std::vector<std::pair<long, unsigned>> LinesWithBuffer(Doc& d, long width, const SKXLineStyl& style, long capacity) {
  std::vector<char> buffer(std::size_t(std::max(capacity, 1L)));
  SKXLineCalc calc{};
  if (capacity > 0) {
    calc.buffer = buffer.data();
    calc.capacity = capacity;
  }
  return d.Lines(width, style, &calc);
}

// The store reads a character's bytes from its chunk's start. A byte
// deleted near a chunk's end can leave a lead byte there whose pair the
// next chunk does not take: the break rules must read such a text as the
// store does.
TEST(LineBreakShortWays, AgreeAcrossChunksWhoseEndsLostAByte) {
  std::mt19937 rng(8);
  std::string text;
  while (text.size() < 70000) {
    const unsigned k = rng() % 16;
    text += k == 0 ? "a" : k == 1 ? SJ_MARU : "\x82\x9f";  // a trail that could also lead
  }
  Doc d(text);
  for (long at = 0; at < d.str.GetLength();) {
    long from = 0, to = 0;
    d.str.GetChunkSpan(at, from, to);
    if (to <= at) break;
    const long gone = std::max(from, to - 1 - long(rng() % 8));
    d.str.Delete(gone, gone + 1);
    at = to;
  }
  for (const long width : {30L, 47L, 100L})
    for (const std::uint8_t mode : {1, 2})
      for (const long capacity : {0L, 9L, 64L}) {
        SKXLineStyl style;
        style.mode = mode;
        style.wordWrap = 1;
        auto lines = [&] { return LinesWithBuffer(d, width, style, capacity); };
        const auto withShort = lines();
        std::vector<std::pair<long, unsigned>> withLong;
        {
          const LongWay off;
          withLong = lines();
        }
        ASSERT_EQ(withShort, withLong) << "width " << width << ", mode " << int(mode) << ", buffer " << capacity;
      }
}

// Runs of ASCII long enough to be measured, and walked back for word wrap,
// sixteen bytes at a time: words as long as lines, hyphens and pairs whose
// second byte is a letter at every distance from a break, widths that end
// exactly on a run of sixteen. Every width from one character to several
// runs, with and without word wrap.
TEST(LineBreakShortWays, LongAsciiRunsAgreeWithTheLongWay) {
  const std::string letters = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::vector<std::string> texts = {letters + letters + letters, std::string(97, 'a'),
                                    "1234,5678,9012,3456,7890,1234,5678,9012,3456,7890,1234"};
  for (int at = 1; at < 40; at += 3) {
    std::string hyphen = letters + letters;
    hyphen[std::size_t(at)] = '-';
    texts.push_back(hyphen);
    // A pair whose second byte is a letter, then the letters go on.
    texts.push_back(std::string(std::size_t(at), 'x') + "\x82" + letters + letters);
    texts.push_back(SJ_A + std::string(std::size_t(at), 'y') + " " + letters + letters + "\xb1" + letters);
  }
  for (const std::string& text : texts) {
    Doc d(text);
    for (const bool wordWrap : {false, true}) {
      // The built-in read buffer; small ones whose start is the floor of a
      // walk back; one that a line crosses and is read again from its start.
      for (const long capacity : {0L, 19L, 37L, 100L}) {
        auto lines = [&](long width, const SKXLineStyl& style) { return LinesWithBuffer(d, width, style, capacity); };
        for (long width = 8; width <= 260; width += capacity ? 3 : 1) {
          const SKXLineStyl style = Style(0, wordWrap);
          const auto withShort = lines(width, style);
          std::vector<std::pair<long, unsigned>> withLong;
          {
            const LongWay off;
            withLong = lines(width, style);
          }
          ASSERT_EQ(withShort, withLong) << text << ", width " << width << ", word wrap " << wordWrap << ", buffer "
                                         << capacity;
        }
      }
    }
  }
}

// A line-long word counted by the measure in a font whose ASCII shares one
// width, and summed in one whose ASCII does not: word wrap's look back
// takes what the measure saw, and must stop where the style run, the bytes
// at hand or the word itself does. Runs of the same font start at every
// place near the breaks; spaces, hyphens and a kana stand before the word.
TEST(LineBreakShortWays, CountedWordsAgreeWithTheLongWayAcrossStyleRuns) {
  KxFontInstallBackend(KxSyntheticFontBackend());
  short roman = 0;
  ASSERT_TRUE(KxFontNumberFromName("KX Synthetic Roman", roman));
  std::string csv;
  for (int i = 0; csv.size() < 180; ++i) csv += std::to_string(i * 7919 % 100000) + ",";
  for (const std::string& before : {std::string(), std::string("ab "), std::string("x-"), std::string(SJ_A)}) {
    const std::string text = before + csv + " " + csv;
    for (const short font : {short(kKxApplicationFont), roman})
      for (long cut = 0; cut < 48; cut += 5) {
        Doc d(text);
        std::vector<SKXStyl> runs(2);
        runs[0].styl.font = runs[1].styl.font = font;
        runs[0].styl.size = runs[1].styl.size = 12;
        runs[1].offset = std::int32_t(20 + cut);
        d.styls.SetTextStyls(runs.data(), 2);
        for (const long capacity : {0L, 23L})
          for (long width = 40; width <= 200; width += 13) {
            const SKXLineStyl style = Style(int(cut % 3), true);
            const auto withShort = LinesWithBuffer(d, width, style, capacity);
            std::vector<std::pair<long, unsigned>> withLong;
            {
              const LongWay off;
              withLong = LinesWithBuffer(d, width, style, capacity);
            }
            ASSERT_EQ(withShort, withLong) << "before \"" << before << "\", font " << font << ", run at "
                                           << 20 + cut << ", width " << width << ", buffer " << capacity;
          }
      }
  }
}

// Runs of double-byte characters long enough to be checked eight pairs at
// a time, with lead bytes at the ends of both Shift_JIS ranges, broken at
// every place of a run of eight by a byte that does not pair the same: a
// single byte, bytes just outside the lead ranges, a lead byte before a
// line end, a control or a space. Every width from a character to several
// runs, with and without word wrap.
TEST(LineBreakShortWays, LongDoubleByteRunsAgreeWithTheLongWay) {
  std::string run;
  static const char* const kPairs[] = {"\x81\x40", "\x9f\xfc", "\xe0\x7e", "\xfc\x80", SJ_A, "\x93\xfa", SJ_MARU, SJ_KAGI};
  for (int i = 0; i < 24; ++i) run += kPairs[i % 8];
  std::vector<std::string> texts = {run + run};
  static const char* const kBreaks[] = {"a", "\x80", "\xa0", "\xdf", "\xfd", "\x82\r", "\x82\x1f", "\x82 ", "\x9f\x7f"};
  for (const char* cut : kBreaks)
    for (int at = 0; at < 18; ++at) texts.push_back(run.substr(0, std::size_t(2 * at)) + cut + run);
  for (const std::string& text : texts) {
    Doc d(text);
    for (const bool wordWrap : {false, true})
      for (const long capacity : {0L, 19L, 100L})
        for (long width = 8; width <= 260; width += capacity ? 7 : 3) {
          const SKXLineStyl style = Style(1, wordWrap);
          const auto withShort = LinesWithBuffer(d, width, style, capacity);
          std::vector<std::pair<long, unsigned>> withLong;
          {
            const LongWay off;
            withLong = LinesWithBuffer(d, width, style, capacity);
          }
          ASSERT_EQ(withShort, withLong) << text.size() << " bytes, width " << width << ", word wrap " << wordWrap
                                         << ", buffer " << capacity;
        }
  }
}

// A plain Japanese text goes almost all the short way.
TEST(LineBreakShortWays, TakePlainText) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += i % 9 ? SJ_A SJ_I : "word ";
  Doc d(text);
  const SKXLineStyl style = [] {
    SKXLineStyl s;
    s.mode = 1;
    s.wordWrap = 1;
    return s;
  }();
  const long before = CKXTextLayout::sShortWayBytes;
  const auto withShort = d.Lines(120, style);
  EXPECT_GT(CKXTextLayout::sShortWayBytes - before, long(text.size()) * 9 / 10);
  std::vector<std::pair<long, unsigned>> withLong;
  {
    const LongWay off;
    withLong = d.Lines(120, style);
  }
  EXPECT_EQ(withShort, withLong);
  EXPECT_GT(withShort.size(), 20u);
}

}  // namespace
