#include "layout/linebreak.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "layout/linebreak_fixture.h"
#include "platform/script.h"
#include "text/base/memory.h"
#include "text/codes/script.h"

using namespace kxtest;

namespace {

struct BreakCase {
  const char* name;
  std::string text;
  long width;
  int mode;
  bool wordWrap;
  std::vector<long> starts;
};

TEST(LineBreak, WhereLinesStart) {
  const BreakCase cases[] = {
      {"empty text has one line", "", 100, 0, false, {0}},
      {"final CR gives an empty last line", "ab\r", 100, 0, false, {0, 3}},
      {"no CR, no empty line", "ab", 100, 0, false, {0}},
      {"paragraphs", "a\rb\r", 100, 0, false, {0, 2, 4}},
      {"reaching the width breaks before", "abcdefg", 36, 0, false, {0, 5}},
      {"wider than the width: alone", SJ_A SJ_I, 10, 0, false, {0, 2}},
      {"double-byte never split", "aaaaa" SJ_A, 40, 0, false, {0, 5}},
      {"tab to 36", "\tab", 40, 0, false, {0, 1}},
      {"mode 0 breaks before the full stop", SJ_A SJ_I SJ_U SJ_MARU SJ_E, 40, 0, false, {0, 6}},
      {"mode 1 hangs the full stop", SJ_A SJ_I SJ_U SJ_MARU SJ_E, 40, 1, false, {0, 8}},
      {"mode 1 takes the CR after it", SJ_A SJ_I SJ_U SJ_MARU "\r" SJ_E, 40, 1, false, {0, 9}},
      {"mode 2 pushes back", SJ_A SJ_I SJ_U SJ_MARU SJ_E, 40, 2, false, {0, 4}},
      {"mode 1 moves the bracket down", SJ_A SJ_I SJ_KAGI SJ_U SJ_E, 40, 1, false, {0, 4}},
      {"mode 2 moves the bracket down", SJ_A SJ_I SJ_KAGI SJ_U SJ_E, 40, 2, false, {0, 4}},
      {"bracket alone stays", SJ_KAGI SJ_A, 10, 2, false, {0, 2}},
      {"mode 2 never empties a line", SJ_A SJ_MARU, 10, 2, false, {0, 2}},
      {"mode 1 hangs on a forced line", SJ_A SJ_MARU, 10, 1, false, {0}},
      {"word moves down", "abc defghi", 40, 0, true, {0, 4}},
      {"break after hyphen", "ab-cdefg", 40, 0, true, {0, 3}},
      {"break right after hyphen stays", "abcde-fg", 40, 0, true, {0, 6}},
      {"two spaces and CR stay", "abcdef  \rx", 40, 0, true, {0, 9}},
      {"one space stays", "abcdef gh", 40, 0, true, {0, 7}},
      {"long word is split", "abcdefghij", 40, 0, true, {0, 6}},
      {"numbers and commas as long as lines are split", "1234,5678,9012,3456", 40, 0, true, {0, 6, 12, 18}},
      {"a word after a double-byte character moves down", SJ_A "abcdefg", 40, 0, true, {0, 2, 8}},
      {"a hyphen deep in a line-long word", "12345678-901234567", 40, 0, true, {0, 6, 9, 15}},
      {"a double-byte character whose second byte is a letter ends a word", "abc\x81\x41" "defghij", 40, 0, true,
       {0, 5, 11}},
      {"word wrap, then the bracket", SJ_A SJ_KAGI "abcdef", 40, 1, true, {0, 2, 4}},
      {"lone lead before CR", "ab\x82\rcd", 100, 0, false, {0, 4}},
      {"lone lead before CR, narrow", "ab\x82\rcd", 14, 0, false, {0, 2, 4}},
      {"lone lead at the end", "ab\x82", 100, 1, true, {0}},
  };
  // The same with the break rules reading through the store only.
  for (const bool shortWays : {true, false}) {
    CKXTextLayout::sShortWays = shortWays;
    for (const auto& c : cases) {
      Doc d(c.text);
      EXPECT_EQ(d.Starts(c.width, Style(c.mode, c.wordWrap)), c.starts) << c.name << (shortWays ? "" : ", the long way");
    }
  }
  CKXTextLayout::sShortWays = true;
}

TEST(LineBreak, HeightCodes) {
  struct Case {
    const char* name;
    std::string text;
    short size;
    short lineSpace;
    unsigned char decoFlags;
    std::vector<unsigned> heights;
  };
  const Case cases[] = {
      {"plain", "ab", 12, 0, 0, {13}},
      {"line space", "ab", 12, 4, 0, {17}},
      {"empty text with line space", "", 12, 4, 0, {17}},
      {"form feed", "a\x0c\rb", 12, 0, 0, {0x4000 | 13, 13}},
      {"form feed on the next line", "abcde\x0c", 12, 0, 0, {13, 0x4000 | 13}},
      {"raised", "ab", 12, 0, 1, {17}},
      {"lowered", "ab", 12, 0, 2, {17}},
      {"half width", "ab", 12, 0, 4, {13}},
      // Line space goes in before the cap: never a false page break.
      {"tall line with line space", "ab", 20000, 10, 0, {16383}},
  };
  for (const auto& c : cases) {
    Doc d(c.text, c.size);
    if (c.decoFlags) d.decos.InitDecoArray(0, 0, c.decoFlags);
    SKXLineStyl s = Style();
    s.lineSpace = c.lineSpace;
    std::vector<unsigned> got;
    for (auto& l : d.Lines(c.size == 12 ? 34 : 30000, s)) got.push_back(l.second);
    EXPECT_EQ(got, c.heights) << c.name;
  }
}

TEST(LineBreak, RubyRaisesTheLine) {
  Doc d(SJ_A SJ_I "\r" SJ_U);
  d.decos.SetRuby(0, 2, reinterpret_cast<const unsigned char*>("ab"), 2);
  // Ruby at 6 points: 5 + 2 (+ leading trimmed to 0) over 13.
  EXPECT_EQ(d.Lines(100, Style()), (std::vector<std::pair<long, unsigned>>{{0, 20}, {5, 13}}));
  SKXLineStyl s = Style();
  s.lineSpace = 4;
  EXPECT_EQ(d.Lines(100, s)[0].second, 20u - 2 + 4);
}

TEST(LineBreak, PictureIsWhole) {
  Doc d("ab\xCA" "cd");
  // A 30 x 40 picture in the decoration run of the one byte 0xCA.
  PicHandle h = KxMemHAlloc(10, true);
  const unsigned char header[10] = {0, 10, 0, 0, 0, 0, 0, 40, 0, 30};
  std::memcpy(*h, header, 10);
  SDeco pict{};
  pict.pictID = CKXDecoArray::SetPicture(h);
  ASSERT_NE(pict.pictID, 0);
  d.decos.InsertDecoAt(1, 2, pict, 1, 5);
  EXPECT_EQ(d.Lines(100, Style()), (std::vector<std::pair<long, unsigned>>{{0, 40}}));
  EXPECT_EQ(d.Starts(50, Style()), (std::vector<long>{0, 4}));  // 12 + 30 + 6 + 6 reaches 50 at "d"
  EXPECT_EQ(d.Starts(40, Style()), (std::vector<long>{0, 2, 4}));

  // Vertical writing turns it: the column is as wide as the picture (30)
  // and the picture takes its height (40) along the column, so at 60 "d"
  // (12 + 40 + 6 + 6) starts the next column.
  SKXLineStyl v = Style();
  v.vertical = 1;
  EXPECT_EQ(d.Lines(100, v), (std::vector<std::pair<long, unsigned>>{{0, 30}}));
  EXPECT_EQ(d.Lines(60, v), (std::vector<std::pair<long, unsigned>>{{0, 30}, {4, 13}}));
  EXPECT_EQ(d.Lines(60, Style()), (std::vector<std::pair<long, unsigned>>{{0, 40}}));
}

TEST(LineBreak, Grid) {
  Doc d("abcdefgh");
  EXPECT_EQ(d.Lines(100, d.UseGrid(20, 30)), (std::vector<std::pair<long, unsigned>>{{0, 30}, {4, 30}}));
}

TEST(LineBreak, Tabs) {
  struct Case {
    const char* name;
    long x;
    std::vector<std::pair<short, int>> stops;  // position, kind + 4 * leader
    short leftIndent;
    short pitch;
    long advance;
    char mark;
  };
  const Case cases[] = {
      {"default interval", 36, {}, 0, 0, 36, 0},
      {"default from 0", 0, {}, 0, 0, 36, 0},
      {"default just before a stop", 35, {}, 0, 0, 1, 0},
      {"left stop with dots", 10, {{100, 0 + 4 * 1}}, 0, 0, 90, '.'},
      {"stop too close is skipped", 10, {{11, 0}}, 0, 0, 26, 0},
      {"right tab", 0, {{200, 2 + 4 * 3}}, 0, 0, 200 - 54, '_'},
      {"centre tab", 0, {{200, 1 + 4 * 2}}, 0, 0, 200 - 27, '-'},
      {"decimal tab", 0, {{200, 3}}, 0, 0, 188, 0},
      {"indent as a stop", 10, {{100, 0}}, 50, 0, 40, 0},
      {"pitch rounds the stop", 0, {{100, 0}}, 0, 12, 96, 0},
  };
  for (const auto& c : cases) {
    Doc d("\tab.cdefgh\tx");
    SParaStyl p{};
    p.leftIndent = c.leftIndent;
    p.tabCount = std::uint8_t(c.stops.size());
    for (std::size_t i = 0; i < c.stops.size(); ++i) {
      p.tabPos[i] = c.stops[i].first;
      p.tabKinds |= std::uint32_t(c.stops[i].second & 3) << (2 * i);
      p.tabLeaders |= std::uint32_t(c.stops[i].second >> 2) << (2 * i);
    }
    const SKXLineStyl s = c.pitch ? d.UseGrid(c.pitch) : Style();
    char mark = 0;
    EXPECT_EQ(d.layout.GetTabWidthExt(c.x, 0, 0, p, &s, &mark, 0), c.advance) << c.name;
    EXPECT_EQ(mark, c.mark) << c.name;
  }
}

TEST(LineBreak, CheckJWrapModes3And4NeverMoveAfterCR) {
  Doc d("a\r" SJ_MARU SJ_A);
  for (short mode : {3, 4}) EXPECT_EQ(d.layout.CheckJWrap(0, 2, mode), 0);
  EXPECT_EQ(d.layout.CheckJWrap(0, 2, 1), -2);
  EXPECT_EQ(d.layout.CheckJWrap(0, 2, 2), 1);
  EXPECT_EQ(d.layout.CheckJWrap(0, 2, 7), 0);
}

TEST(LineBreak, SmallReadBufferAndCacheGiveTheSameLines) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += (i % 7 == 0) ? "word \r" : (i % 3 ? SJ_A SJ_MARU : SJ_KAGI "ab");
  Doc d(text);
  SStyl big{};
  big.font = 1;
  big.size = 24;
  CKXStylArray::SetHeightAscent(big);
  for (long at = 50; at < long(text.size()); at += 97) d.styls.InsertStylAt(d.styls.GetCount() + 1, at, big);
  // Line by line without any cache, then with a tiny read buffer.
  const SKXLineStyl s = Style(1, true);
  std::vector<std::pair<long, unsigned>> expected;
  for (long start = 0; start < long(text.size());) {
    SKXLineInfo info;
    const long next = d.layout.CalcLineInfo(start, 90, info, &s, nullptr);
    expected.emplace_back(start, info.height);
    start = next;
  }
  char small[3];
  CKXCharState state;
  SKXLineCalc calc{};
  calc.buffer = small;
  calc.capacity = 3;
  calc.state = &state;
  EXPECT_EQ(d.Lines(90, s, &calc), expected);
}

// --- the user's lists ------------------------------------------------------------

TEST(JWrapChars, UserListsChangeTheRules) {
  // "a" and あ may not begin a line; nothing may not end one.
  const unsigned char head[] = {3, 'a', 0x82, 0xA0}, tail[] = {0};
  char lists[kKxJWrapCharsSize];
  short size = 0;
  EXPECT_EQ(CKXTextLayout::JWrapCharsFromHeadTail(lists, &size, head, tail), 1);
  EXPECT_EQ(size, 3 + 4);
  CKXTextLayout::SetJWrapChars(lists, size);
  EXPECT_TRUE(CKXTextLayout::IsHeadChar(0x82A0));
  EXPECT_TRUE(CKXTextLayout::IsHeadChar('a'));
  EXPECT_FALSE(CKXTextLayout::IsHeadChar(0x8142));
  EXPECT_FALSE(CKXTextLayout::IsTailChar(0x8175));
  Doc d(SJ_I SJ_I SJ_I SJ_A SJ_U);
  EXPECT_EQ(d.Starts(40, Style(1)), (std::vector<long>{0, 8}));
  CKXTextLayout::SetJWrapChars(nullptr, 0);
  EXPECT_TRUE(CKXTextLayout::IsHeadChar(0x8142));
}

// The default lists agree with Unicode's line-break classes.
TEST(JWrapChars, DefaultsAgreeWithUnicodeLineBreakClasses) {
  std::ifstream lb("/usr/share/unicode/LineBreak.txt"), ud("/usr/share/unicode/UnicodeData.txt");
  if (!lb || !ud) GTEST_SKIP() << "unicode-data is not installed";
  // Both files: "code(..code);field;..." lines; the field wanted is the
  // first after the code (LineBreak) or the second (UnicodeData).
  auto read = [](std::ifstream& f, int field) {
    std::map<char32_t, std::string> m;
    for (std::string line; std::getline(f, line);) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream in(line);
      std::string code, value;
      std::getline(in, code, ';');
      for (int k = 0; k < field; ++k) std::getline(in, value, ';');
      value = value.substr(0, value.find_first_of(" #"));
      const auto dots = code.find("..");
      const auto lo = std::stoul(code, nullptr, 16);
      const auto hi = dots == std::string::npos ? lo : std::stoul(code.substr(dots + 2), nullptr, 16);
      for (auto u = lo; u <= hi && u < 0x10000; ++u) m[char32_t(u)] = value;
    }
    return m;
  };
  auto cls = read(lb, 1), category = read(ud, 2);
  unsigned char head[256], tail[256];
  CKXTextLayout::JWrapCharsToHeadTail(nullptr, 0, head, tail);
  auto check = [&](const unsigned char* s, bool isHead) {
    for (int i = 1; i <= s[0]; ++i) {
      std::uint16_t code = s[i];
      if (KxTextCharFirst(code, kScriptJapanese)) code = std::uint16_t(code << 8 | s[++i]);
      char16_t u[2];
      ASSERT_EQ(KxScriptToUTF16(code, kScriptJapanese, u), 1) << std::hex << code;
      const std::string c = cls[u[0]];
      if (c == "QU") {
        EXPECT_EQ(category[u[0]], isHead ? "Pf" : "Pi") << std::hex << code;
      } else if (isHead) {
        EXPECT_TRUE(c == "CL" || c == "CP" || c == "IS" || c == "EX" || c == "NS") << std::hex << code << " " << c;
      } else {
        EXPECT_TRUE(c == "OP" || c == "PR") << std::hex << code << " " << c;
      }
    }
  };
  check(head, true);
  check(tail, false);
}

// --- properties over random Japanese texts -----------------------------------------

std::string RandomJapanese(std::mt19937& rng, int pieces) {
  // Head characters never follow one another or a tail character, so the
  // rules can always keep them off a line start.
  static const char* const words[] = {SJ_A, SJ_I, SJ_U SJ_E, "\x93\xfa\x96\x7b", "text", "ab cd", " ",
                                      "\xb1\xb2", "\r"};
  static const char* const heads[] = {SJ_MARU, "\x81\x41", "\x81\x76", ",", ")"};
  static const char* const tails[] = {SJ_KAGI, "\x81\x69", "("};
  std::uniform_int_distribution<int> kind(0, 9);
  std::string t;
  for (int i = 0; i < pieces; ++i) {
    const int k = kind(rng);
    if (k == 0) t += heads[rng() % std::size(heads)];
    if (k == 1) t += tails[rng() % std::size(tails)];
    t += words[rng() % std::size(words)];
  }
  return t;
}

TEST(LineBreakProperties, RandomTextsAndWidths) {
  std::mt19937 rng(11);
  for (int round = 0; round < 300; ++round) {
    const std::string text = RandomJapanese(rng, 60);
    Doc d(text);
    const long width = 40 + long(rng() % 260);
    const int mode = int(rng() % 3);
    const bool wordWrap = rng() % 2;
    const SKXLineStyl style = Style(mode, wordWrap);
    const auto lines = d.Lines(width, style);
    const long len = long(text.size());
    // The lines join up and give back the text: they start at 0, each takes
    // something and the last one reaches the end.
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].first, 0);
    SKXLineInfo info;
    EXPECT_GE(d.layout.CalcLineInfo(lines.back().first, width, info, &style, nullptr), len);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const long start = lines[i].first;
      const long end = i + 1 < lines.size() ? lines[i + 1].first : len;
      if (i + 1 < lines.size()) {
        ASSERT_LT(start, end) << "every line takes something";
      }
      if (end >= len || text[size_t(end - 1)] == '\r') continue;  // last line of a paragraph
      // The line fits once hanging punctuation and kept spaces are left off.
      long fit = end, first;
      for (int k = 0; k < 3 && fit > start; ++k) {
        const std::uint16_t c = d.layout.CharBefore(fit, first);
        if (first <= start || !((mode == 1 && CKXTextLayout::IsHeadChar(c)) || (wordWrap && c == ' '))) break;
        fit = first;
      }
      std::vector<long> pos(size_t(fit - start) + 1);
      d.layout.GetMeasureText(start, fit - start, width, text.data() + start, pos.data(), &style, nullptr, nullptr);
      long n;
      d.layout.CharAt(start, n);
      if (start + n < end) {
        EXPECT_LT(pos.back(), width) << text.substr(size_t(start), size_t(end - start));
      }
      if (mode != 0) {
        long n2;
        const auto next = d.layout.CharAt(end, n2);
        EXPECT_FALSE(CKXTextLayout::IsHeadChar(next)) << "line starts with a head character at " << end;
      }
    }
  }
}

}  // namespace

namespace {

TEST(LineBreak, OverAStyledTextObject) {
  KxFontInstallBackend(KxSyntheticFontBackend());
  const std::string text = "abc def" SJ_A SJ_MARU "\rx";
  CKXText t;
  t.SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  CKXTextLayoutOf layout(t);
  Doc d(text);
  SKXLineCalc calc{};
  SKXLineStyl s = Style(1, true);
  long start = 0;
  for (long expected : d.Starts(40, s)) {
    EXPECT_EQ(start, expected);
    SKXLineInfo info;
    start = layout.CalcLineInfo(start, 40, info, &s, &calc);
  }
  // A character the encoding cannot hold measures as its Unicode width: é
  // is half a cell, where its placeholder would be a full one.
  t.InsertUniChar(1, 0xE9, nullptr, nullptr);
  char bytes[4];
  t.CopyBytes(0, 3, bytes, 3);
  long pos[4];
  char inside[4];
  layout.GetMeasureText(0, 3, 100, bytes, pos, &s, nullptr, nullptr, inside);
  EXPECT_EQ(std::vector<long>(pos, pos + 4), (std::vector<long>{0, 6, 6, 12}));
  EXPECT_EQ(std::string(inside, 4), std::string("\0\0\1\0", 4));
}

}  // namespace
