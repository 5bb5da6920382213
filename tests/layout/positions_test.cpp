#include <gtest/gtest.h>

#include <cstring>

#include "layout/linebreak.h"
#include "layout/linebreak_fixture.h"

using namespace kxtest;

namespace {

// Positions as text, an entry inside a character in brackets: "0 6 (6) 18".
std::string Render(const std::vector<long>& pos, const std::vector<char>& inside) {
  std::string out;
  for (std::size_t k = 0; k < pos.size(); ++k) {
    if (k) out += ' ';
    out += inside[k] ? "(" + std::to_string(pos[k]) + ")" : std::to_string(pos[k]);
  }
  return out;
}

struct MeasureCase {
  const char* name;
  std::string text;
  long length;  // bytes measured from 0
  long width;
  int justify;
  short size;
  short pitch;        // grid character pitch
  short charSpace;    // through a paragraph run
  unsigned char deco;
  bool vertical;
  std::string positions;
};

TEST(Positions, MeasureLine) {
  const MeasureCase cases[] = {
      {"double-byte", "a" SJ_A "b", 4, 100, 0, 12, 0, 0, 0, false, "0 6 (6) 18 24"},
      {"two points into each space", "a b cxyz", 5, 34, 3, 12, 0, 0, 0, false, "0 6 14 20 28 34"},
      {"no spaces: between characters", "abcdexyz", 5, 34, 3, 12, 0, 0, 0, false, "0 7 14 21 28 34"},
      {"justified line ending in CR", "a b\rx", 4, 40, 3, 12, 0, 0, 0, false, "0 6 12 18 19"},
      {"last line not justified", "a b", 3, 40, 3, 12, 0, 0, 0, false, "0 6 12 18"},
      {"small spare not justified", "a bxyz", 3, 20, 3, 12, 0, 0, 0, false, "0 6 12 18"},
      {"right", "ab", 2, 100, 2, 12, 0, 0, 0, false, "88 94 100"},
      {"centre", "ab", 2, 100, 1, 12, 0, 0, 0, false, "44 50 56"},
      {"glyph centred in its cell", "a", 1, 100, 0, 20, 12, 0, 0, false, "1 12"},
      {"grid right", "a", 1, 100, 2, 20, 12, 0, 0, false, "85 96"},
      {"character space", "ab", 2, 100, 0, 12, 0, 2, 0, false, "0 8 16"},
      {"half width", "a" SJ_A, 3, 100, 0, 12, 0, 0, 4, false, "0 3 (3) 9"},
      {"lone lead byte", "a\x82", 2, 100, 0, 12, 0, 0, 0, false, "0 6 12"},
      {"horizontal group", "12", 2, 100, 0, 12, 0, 0, 8, true, "0 6 13"},
      // A character that starts at pen 0: its inner entry stays no caret
      // stop when alignment or a group moves it off 0.
      {"right, character at 0", SJ_A SJ_I SJ_U, 6, 40, 2, 12, 0, 0, 0, false, "4 (4) 16 (16) 28 (28) 40"},
      {"centre, character at 0", SJ_A SJ_I, 4, 40, 1, 12, 0, 0, 0, false, "8 (8) 20 (20) 32"},
      {"group of characters at 0", SJ_A SJ_I, 4, 100, 0, 12, 0, 0, 8, true, "0 (0) 6 (6) 13"},
  };
  for (const auto& c : cases) {
    Doc d(c.text, c.size);
    SKXLineStyl s = c.pitch ? d.UseGrid(c.pitch) : Style();
    s.justify = std::uint8_t(c.justify);
    s.vertical = c.vertical;
    if (c.charSpace || c.pitch) {
      // The paragraph's settings replace the style's.
      SParaStyl p{};
      p.charSpace = c.charSpace;
      p.justify = std::uint8_t(c.justify);
      d.SetPara(p);
    }
    if (c.deco) d.decos.InitDecoArray(0, 0, c.deco);
    std::vector<long> pos(size_t(c.length) + 1);
    std::vector<char> marks(size_t(c.length) + 1), inside(size_t(c.length) + 1);
    d.layout.GetMeasureText(0, c.length, c.width, c.text.data(), pos.data(), &s, marks.data(), nullptr,
                            inside.data());
    EXPECT_EQ(Render(pos, inside), c.positions) << c.name;
    // Every pen position maps back to a caret stop outside a character.
    for (long x = 0; x <= c.width + 5; ++x) {
      const long column = d.layout.GetSizeToColumn(0, c.length, c.width, x, s);
      ASSERT_TRUE(column >= 0 && column <= c.length && !inside[size_t(column)]) << c.name << " x " << x;
    }
  }
}

TEST(Positions, MarksAndBaseline) {
  Doc d("\tab");
  SParaStyl p{};
  p.tabCount = 1;
  p.tabPos[0] = 100;
  p.tabLeaders = 1;  // dots
  p.charSpace = 1;
  d.SetPara(p);
  SKXLineStyl s = Style();
  long pos[4];
  char marks[3];
  short baseline = 0;
  d.layout.GetMeasureText(0, 3, 200, "\tab", pos, &s, marks, &baseline);
  EXPECT_EQ(std::vector<long>(pos, pos + 4), (std::vector<long>{0, 100, 107, 114}));
  EXPECT_EQ(std::string(marks, 3), std::string(".\x01\x01"));
  EXPECT_EQ(baseline, 9);

  struct Case {
    unsigned char deco;
    short lineSpace, linePitch;
    short baseline;
  };
  for (const Case& c : {Case{1, 0, 0, 13}, Case{0, 4, 0, 11}, Case{0, 0, 30, 24}, Case{0, 0, 14, 10}}) {
    Doc e("ab");
    e.decos.InitDecoArray(0, 0, c.deco);
    SKXLineStyl t = c.linePitch ? e.UseGrid(0, c.linePitch) : Style();
    t.lineSpace = c.lineSpace;
    long q[3];
    e.layout.GetMeasureText(0, 2, 100, "ab", q, &t, nullptr, &baseline);
    EXPECT_EQ(baseline, c.baseline) << int(c.deco) << " " << c.lineSpace << " " << c.linePitch;
  }
}

TEST(Positions, SpreadingSpare) {
  struct Case {
    const char* text;
    long spare;
    std::vector<long> positions;
  };
  const Case cases[] = {
      {"a b c", 4, {0, 6, 14, 20, 28, 34}},  // remainder 0: nothing left to spread
      {"a b c", -2, {0, 6, 11, 17, 22, 28}},
      {"a b c", 5, {0, 6, 14, 20, 29, 35}},
      {"abcde", 1, {0, 6, 12, 18, 25, 31}},  // one point to every fourth gap
      {"x\ta b", 2, {0, 6, 12, 18, 26, 32}},  // only after the last tab
  };
  Doc d("");
  for (const auto& c : cases) {
    const long n = long(std::strlen(c.text));
    std::vector<long> pos(size_t(n) + 1);
    for (long i = 0; i <= n; ++i) pos[size_t(i)] = 6 * i;
    d.layout.SpaceMeasureText(pos.data(), nullptr, n, c.spare, c.text, nullptr);
    EXPECT_EQ(pos, c.positions) << c.text << " " << c.spare;
  }
  // Double-byte characters: every gap (shift and mark) falls after a
  // whole character, never between its two bytes, whichever way the spare goes.
  const std::string kanji = SJ_A SJ_A SJ_A SJ_A SJ_A SJ_A SJ_A;
  const long n = long(kanji.size());
  std::vector<char> inside(size_t(n) + 1, 0);
  for (long i = 1; i < n; i += 2) inside[size_t(i)] = 1;
  for (const long spare : {-5L, -3L, 2L, 5L, 13L}) {
    std::vector<long> pos(size_t(n) + 1);
    for (long i = 0; i <= n; ++i) pos[size_t(i)] = 6 * i;
    std::vector<char> marks(size_t(n), 0);
    d.layout.SpaceMeasureText(pos.data(), inside.data(), n, spare, kanji.c_str(), marks.data());
    long cuts = 0;
    for (long i = 0; i < n; i += 2) {
      EXPECT_EQ(marks[size_t(i)], 0) << spare << " lead byte " << i;
      EXPECT_EQ(pos[size_t(i + 1)] - pos[size_t(i)], 6) << spare << " inside character " << i;
      cuts += marks[size_t(i + 1)];
    }
    EXPECT_GT(cuts, 0) << spare;
  }
}

TEST(Positions, ColumnsAndPenPositions) {
  const SKXLineStyl s = Style();
  Doc d("a" SJ_A "b\r");
  struct Case {
    long x, column;
  };
  for (const Case& c : {Case{0, 0}, Case{4, 0}, Case{5, 1}, Case{13, 1}, Case{14, 3}, Case{22, 3}, Case{23, 4},
                        Case{500, 4}}) {
    EXPECT_EQ(d.layout.GetSizeToColumn(0, 5, 100, c.x, s), c.column) << c.x;
  }
  EXPECT_EQ(d.layout.GetColumnToSize(0, 5, 100, 2, s), 6);
  EXPECT_EQ(d.layout.GetColumnToSize(0, 5, 100, 99, s), 25);
  EXPECT_EQ(d.layout.GetSizeToColumn(0, 0, 100, 50, s), 0);

  // Lines far past 4096 bytes (wrapping off) measure in full.
  Doc wide(std::string(6000, 'a'));
  SKXLineStyl off = Style();
  off.wrap = 0;
  EXPECT_EQ(wide.layout.GetColumnToSize(0, 6000, 100, 5000, off), 30000);
  EXPECT_EQ(wide.layout.GetSizeToColumn(0, 6000, 100, 30004, off), 5000);
  EXPECT_EQ(wide.layout.GetSizeToColumn(0, 6000, 100, 30005, off), 5001);
}

}  // namespace
