// The page engine: pagination against a reference cutter, repagination
// after edits against a fresh one, page-size and margin rules in both
// writings, point and line mappings in paper view, and element lookup.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "layout/text_edit_ex.h"
#include "text_edit_fixture.h"

namespace {

long RandomSteps(long fallback) {
  const char* env = std::getenv("KX_RANDOM_STEPS");
  const long n = env ? std::strtol(env, nullptr, 10) : 0;
  return n > 0 ? n : fallback;
}

class PageEdit : private kxtest::SyntheticFont, public CKXTextEditEx {
 public:
  explicit PageEdit(const SKXPageStyl& s = KxDefaultPageStyl())
      : CKXTextEditEx(RectL{0, 0, 0, 500}, RectL{0, 0, 400, 400}, s) {}
  void SetString(const std::string& s) {
    SetText(s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    CalcText();
  }
  // Replaces the line table by lines of the given height codes.
  void SetHeights(const std::vector<std::uint16_t>& codes) {
    std::string text(codes.size(), 'x');
    SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    DeleteAllLineInfo();
    for (size_t k = 0; k < codes.size(); ++k) {
      SKXLineInfo info{500, codes[k]};
      InsertLineInfoAt(long(k) + 1, long(k), info);
    }
  }
  std::vector<std::pair<long, long>> Pages() const {
    std::vector<std::pair<long, long>> out;
    for (long k = 1; k <= GetColumnPageCount(); ++k) {
      long first = 0, last = 0;
      GetColumnPage(k, first, last);
      out.emplace_back(first, last);
    }
    return out;
  }
};

SKXPageStyl Style(long h, long w, long margin, short columns, short gap) {
  SKXPageStyl s;
  s.paperHeight = std::int32_t(h);
  s.paperWidth = std::int32_t(w);
  s.textArea = RectL{std::int32_t(margin), std::int32_t(margin), std::int32_t(h - margin), std::int32_t(w - margin)};
  s.printArea = RectL{0, 0, std::int32_t(h), std::int32_t(w)};
  s.columns = columns;
  s.gap = gap;
  return s;
}

// The cut as the rule states it, line by line: a line starts a new
// column-page when it does not fit the rest or follows a page-break line.
std::vector<std::pair<long, long>> ReferenceCut(const std::vector<std::uint16_t>& codes, long usable) {
  std::vector<std::pair<long, long>> out;
  long first = 0, rest = usable;
  std::uint16_t prev = 0;
  for (long l = 0; l < long(codes.size()); ++l) {
    const long h = codes[size_t(l)] & kKxLineHeightMask;
    if (l > first && (rest < h || (prev & kKxLinePageBreak))) {
      out.emplace_back(first + 1, l);
      first = l;
      rest = usable;
    }
    rest -= h;
    prev = codes[size_t(l)];
  }
  out.emplace_back(first + 1, long(codes.size()));
  return out;
}

TEST(PageCut, RandomHeightsMatchTheReferenceCutter) {
  std::mt19937 rng(33);
  const long steps = RandomSteps(150);
  for (long step = 0; step < steps; ++step) {
    const short columns = short(1 + rng() % 5);
    const long height = 60 + long(rng() % 400);
    PageEdit e(Style(height, 400, 10, columns, short(rng() % 30)));
    // Runs of equal lines (so the run-at-a-time path is taken), some with
    // page breaks, some taller than the page, some of height zero.
    std::vector<std::uint16_t> codes;
    const long runs = 1 + long(rng() % 12);
    for (long r = 0; r < runs; ++r) {
      std::uint16_t h = std::uint16_t(rng() % 5 == 0 ? rng() % 3 * 300 : 1 + rng() % 40);
      if (rng() % 4 == 0) h |= kKxLinePageBreak;
      const long n = 1 + long(rng() % 60);
      codes.insert(codes.end(), size_t(n), h);
    }
    long usable = height - 20;
    if (rng() % 3 == 0) {
      // A manuscript grid with a centre gap takes the gap off the page.
      SKXFormStyl f = UKXTextForm::GetDefaultForm(4);
      f.centerGap = std::int16_t(5 + rng() % 20);
      f.linePitch = std::int16_t(5 + rng() % 20);
      e.SetFormStyl(f, 0);
      const long k = (usable - f.centerGap) / f.linePitch;
      if (k >= 2) {
        EXPECT_EQ(e.GetCenterGapOffset(), (k / 2) * f.linePitch);
        usable -= f.centerGap;
      } else {
        EXPECT_EQ(e.GetCenterGapOffset(), 0);
      }
    }
    e.SetHeights(codes);
    e.RecalcPage(0);
    const auto expected = ReferenceCut(codes, usable);
    ASSERT_EQ(e.Pages(), expected) << "step " << step;
    ASSERT_EQ(e.CheckPages(), nullptr);
    EXPECT_EQ(e.GetPageCount(), (long(expected.size()) + columns - 1) / columns);
    // Cutting again from any line gives the same pages.
    e.RecalcPage(1 + long(rng() % codes.size()));
    ASSERT_EQ(e.Pages(), expected) << "step " << step;
  }
}

TEST(PageCut, EditsRepaginateLikeAFreshCut) {
  std::mt19937 rng(7);
  const char* const pieces[] = {"a", "word ", "\r", "\r", "\r\x0c\r", "\x82\xa0", "long line of text "};
  PageEdit e(Style(200, 200, 10, 2, 8));
  std::string text;
  for (int k = 0; k < 300; ++k) text += pieces[rng() % std::size(pieces)];
  e.SetString(text);
  const long steps = RandomSteps(300);
  for (long step = 0; step < steps; ++step) {
    const long len = e.GetLength();
    long at = long(rng() % (len + 1));
    e.AdjustOffset(at, false);
    long first = 1;
    if (rng() % 3 == 0 && len > 0) {
      long to = std::min(len, at + 1 + long(rng() % 30));
      e.AdjustOffset(to, false);
      if (to <= at) continue;
      e.DeleteString(at, to);
      e.RecalcText(at, 0, -(to - at), first);
    } else {
      const std::string p = pieces[rng() % std::size(pieces)];
      e.InsertString(at, p.data(), long(p.size()), nullptr, nullptr, nullptr, 0);
      e.RecalcText(at, long(p.size()), long(p.size()), first);
    }
    ASSERT_EQ(e.Check(), nullptr) << "step " << step;
    ASSERT_EQ(e.CheckPages(), nullptr) << "step " << step;
    const auto incremental = e.Pages();
    const long pages = e.GetPageCount();
    e.RecalcPage(0);
    ASSERT_EQ(incremental, e.Pages()) << "step " << step;
    ASSERT_EQ(pages, e.GetPageCount());
  }
}

TEST(PageCut, EdgeCases) {
  // An empty text: one column-page of one line, one paper on the image.
  PageEdit empty;
  empty.SetString("");
  EXPECT_EQ(empty.Pages(), (std::vector<std::pair<long, long>>{{1, 1}}));
  EXPECT_EQ(empty.GetPageCount(), 1);
  const RectL& image = empty.GetPaperImage();
  EXPECT_EQ(image.bottom - image.top, 842 + kKxPageSpacing);

  // A form feed ends its page although the page has room.
  PageEdit ff;
  ff.SetString("a\rb\r\x0c\rc\rd");
  EXPECT_EQ(ff.Pages(), (std::vector<std::pair<long, long>>{{1, 3}, {4, 5}}));

  // Three column-pages in two columns make two pages.
  PageEdit three(Style(400, 400, 10, 2, 10));
  three.SetString("a\x0c\rb\x0c\rc");
  EXPECT_EQ(three.GetColumnPageCount(), 3);
  EXPECT_EQ(three.GetPageCount(), 2);
  EXPECT_EQ(three.GetLineToColmNo(2), 2);
  EXPECT_EQ(three.GetPageNo(3), 2);

  // More than 32,767 lines of height zero fit one page.
  PageEdit tall;
  tall.SetHeights(std::vector<std::uint16_t>(40000, 0));
  tall.RecalcPage(0);
  long first = 0, last = 0;
  ASSERT_TRUE(tall.GetColumnPage(1, first, last));
  EXPECT_EQ(last, 40000);
}

TEST(PageSize, ColumnWidthsAndTheUsersGap) {
  struct Case {
    long width;
    short columns, gap;
    long column, placement;
  } const cases[] = {
      {500, 2, 20, 240, 20}, {501, 2, 20, 240, 21}, {505, 3, 10, 161, 11}, {500, 1, 20, 500, 0}, {10, 5, 30, 1, 30},
  };
  for (const Case& c : cases) {
    PageEdit e(Style(800, c.width + 40, 20, c.columns, c.gap));
    EXPECT_EQ(e.GetPageSize().h, c.column) << c.width;
    EXPECT_EQ(e.GetPlacementGap(), c.placement) << c.width;
    // Paper and margin changes never grow the gap the user set.
    for (int k = 0; k < 3; ++k) {
      e.SetPaperSize(e.GetPaperSize(), 1);
      e.SetPageMargin(Rect{20, 20, 20, 20}, 1);
    }
    short columns = 0, gap = 0;
    e.GetPageColumn(columns, gap);
    EXPECT_EQ(gap, c.gap);
    EXPECT_EQ(e.GetPlacementGap(), c.placement);
  }
}

TEST(PageSize, VerticalWritingKeepsPaperAndMargins) {
  PageEdit e;
  e.SetPaperSize(PointL{700, 500}, 1);
  e.SetPageMargin(Rect{10, 20, 30, 40}, 1);
  e.SetHardMargin(Rect{1, 2, 3, 4});
  e.SetString("text\rmore");
  e.SetVertical(1);
  EXPECT_EQ(e.GetPaperSize().v, 700);
  EXPECT_EQ(e.GetPaperSize().h, 500);
  SKXPageStyl stored;
  e.GetPageStyl(stored);
  EXPECT_EQ(stored.paperHeight, 500);  // the engine's turned frame
  // The lines now run along the printed height less the top and bottom margins.
  EXPECT_EQ(e.GetPageSize().v, 700 - 10 - 30);
  EXPECT_EQ(e.GetPageSize().h, 500 - 20 - 40);
  for (int round = 0; round < 2; ++round) {
    Rect m, hard;
    e.GetPageMargin(m);
    e.GetHardMargin(hard);
    EXPECT_EQ((std::vector<int>{m.top, m.left, m.bottom, m.right}), (std::vector<int>{10, 20, 30, 40}));
    EXPECT_EQ((std::vector<int>{hard.top, hard.left, hard.bottom, hard.right}), (std::vector<int>{1, 2, 3, 4}));
    e.SetVertical(round == 0 ? 0 : 1);
  }
}

TEST(PageStyl, RecordsAreValidatedAndRoundTrip) {
  SKXPageStyl s = Style(842, 595, 34, 3, 12);
  s.pageOffset = -2;
  for (KxByteOrder order : {KxByteOrder::kBig, KxByteOrder::kLittle}) {
    std::uint8_t bytes[kKxPageStylSize] = {};
    KxWritePageStyl(s, bytes, order);
    SKXPageStyl back;
    KxReadPageStyl(bytes, back, order);
    EXPECT_TRUE(back == s);
  }
  std::uint8_t be[kKxPageStylSize] = {};
  KxWritePageStyl(s, be, KxByteOrder::kBig);
  EXPECT_EQ(be[2], 0x03);  // 842 = 0x034A, high byte first
  EXPECT_EQ(be[3], 0x4A);

  // Papers of -6 (a division by zero), huge or inverted areas, too many columns.
  SKXPageStyl bad = Style(-6, 70000, 0, 9, -4);
  bad.textArea = RectL{500, 10, 100, 80000};
  EXPECT_FALSE(KxValidatePageStyl(bad));
  EXPECT_EQ(bad.paperHeight, 1);
  EXPECT_EQ(bad.paperWidth, kKxPaperMax);
  EXPECT_EQ(bad.columns, kKxMaxColumns);
  EXPECT_EQ(bad.gap, 0);
  EXPECT_LT(bad.textArea.top, bad.textArea.bottom);
  EXPECT_LE(bad.textArea.bottom, bad.paperHeight);
  EXPECT_LE(bad.textArea.right, bad.paperWidth);
  PageEdit e(bad);
  e.SetString("a\rb\rc");
  EXPECT_EQ(e.CheckPages(), nullptr);

  // A tall paper and many pages: the image extent is held at the 32-bit end.
  PageEdit tall(Style(kKxPaperMax, 100, 0, 1, 0));
  std::vector<std::uint16_t> codes(70000, std::uint16_t(1 | kKxLinePageBreak));
  tall.SetHeights(codes);
  tall.RecalcPage(0);
  EXPECT_EQ(tall.GetPageCount(), 70000);
  EXPECT_GT(tall.GetPaperImage().bottom, 0);
  EXPECT_EQ(tall.GetPaperImage().bottom, INT32_MAX);
}

// Round trips of lines and points over pages, columns and the centre gap.
void CheckMappings(PageEdit& e) {
  for (long l = 1; l <= e.GetLineCount(); ++l) {
    long page = 0, vOffset = 1, page2 = 0;
    short column = 0, column2 = 0;
    const PointL at = e.GetPageLinePointUntilAt(l, page, column);
    ASSERT_EQ(e.GetPageLineFromPoint(at, vOffset, page2, column2), l) << "line " << l;
    EXPECT_EQ(vOffset, 0);
    EXPECT_EQ(page2, page);
    EXPECT_EQ(column2, column);
    EXPECT_EQ(page, e.GetPageNo(l));
    // A point inside the line maps to it too.
    const PointL inside{std::int32_t(at.v + e.GetLineHeightAt(l) - 1), std::int32_t(at.h + 3)};
    ASSERT_EQ(e.GetPageLineFromPoint(inside, vOffset, page2, column2), l) << "line " << l;
    // Shown space: the start of a line comes back from its point.
    const long start = e.GetLineOffsetAt(l);
    ASSERT_EQ(e.GetOffset(e.GetPoint(start)), start) << "line " << l;
  }
}

TEST(PaperView, PointsAndLinesRoundTripInBothWritings) {
  for (int vertical = 0; vertical < 2; ++vertical) {
    for (short columns = 1; columns <= 3; ++columns) {
      PageEdit e(Style(220, 300, 12, columns, 9));
      SKXFormStyl f = UKXTextForm::GetDefaultForm(4);
      f.centerGap = 12;
      f.linePitch = 13;
      e.SetFormStyl(f, 0);
      std::string text;
      for (int k = 0; k < 60; ++k) text += k % 17 == 16 ? "\x0c\r" : "line " + std::to_string(k) + "\r";
      e.SetString(text);
      e.SetPaperView(1);
      if (vertical) e.SetVertical(1);
      ASSERT_GT(e.GetColumnPageCount(), 2);
      ASSERT_GT(e.GetCenterGapOffset(), 0);
      CheckMappings(e);
      // The page point of page 0 is the first page, of -1 the last.
      EXPECT_EQ(e.GetPagePoint(0).v, e.GetPagePoint(1).v);
      EXPECT_EQ(e.GetPagePoint(-1).v, e.GetPagePoint(e.GetPageCount()).v);
      long first = 0, last = 0;
      RectL text1{}, paper1{};
      EXPECT_FALSE(e.GetPageInfo(e.GetPageCount() + 1, 1, first, last, text1, paper1));
      EXPECT_EQ(last, e.GetLineCount());
      ASSERT_TRUE(e.GetPageInfo(2, 1, first, last, text1, paper1));
      SKXPageStyl stored;
      e.GetPageStyl(stored);
      EXPECT_EQ(paper1.top, e.GetPaperImage().top + stored.paperHeight + kKxPageSpacing);
      EXPECT_EQ(text1.top - paper1.top, 12);
    }
  }
}

// Elements counted directly from the bytes.
struct Counts {
  long chars = 0, words = 0, paras = 0;
};
Counts Direct(const std::string& s) {
  Counts c;
  short prevType = -1;
  for (size_t k = 0; k < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[k]);
    const bool wide = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    const bool hiragana = b == 0x82 && k + 1 < s.size() && static_cast<unsigned char>(s[k + 1]) >= 0x9F;
    const short type = b == 13 ? 10 : b == ' ' ? 11 : hiragana ? 782 : wide ? 271 : std::isalnum(b) ? 12 : 13;
    if (type != 10 && type != 11 && type != prevType) ++c.words;
    prevType = type;
    if (b == 13) ++c.paras;
    ++c.chars;
    k += wide ? 2 : 1;
  }
  if (!s.empty() && s.back() != 13) ++c.paras;
  return c;
}

TEST(PartInfo, CountsMatchADirectCount) {
  std::mt19937 rng(5);
  const char* const pieces[] = {"ab", "x", " ", "\r", ",", SJ_KAN, SJ_A SJ_KAN, "12"};
  for (int round = 0; round < 40; ++round) {
    std::string s;
    const int n = int(rng() % 40);
    for (int k = 0; k < n; ++k) s += pieces[rng() % std::size(pieces)];
    PageEdit e;
    e.SetString(s);
    const Counts c = Direct(s);
    long a = 0, b = 0;
    EXPECT_EQ(e.GetPartInfo(kKxPartCount, kKxPartChar, 0, e.GetLength(), a, b), kKxPartChar);
    EXPECT_EQ(a, c.chars) << s;
    e.GetPartInfo(kKxPartCount, kKxPartWord, 0, e.GetLength(), a, b);
    EXPECT_EQ(a, c.words) << s;
    e.GetPartInfo(kKxPartCount, kKxPartPara, 0, e.GetLength(), a, b);
    EXPECT_EQ(a, c.paras) << s;
    e.GetPartInfo(kKxPartCount, kKxPartLine, 0, e.GetLength(), a, b);
    EXPECT_EQ(a, s.empty() ? 0 : e.GetLineCount() - (s.back() == 13 ? 1 : 0)) << s;
    // Each counted element is found by its number, in order, tiling the range.
    for (long kind = kKxPartChar; kind <= kKxPartLine; kind += 2) {
      long count = 0, at = 0;
      e.GetPartInfo(kKxPartCount, kind, 0, e.GetLength(), count, b);
      for (long i = 1; i <= count; ++i) {
        ASSERT_NE(e.GetPartInfo(i, kind, 0, e.GetLength(), a, b), 0);
        EXPECT_EQ(a, at);
        at = b;
      }
      EXPECT_EQ(at, e.GetLength());
    }
  }
  // Overlaps, numbers and a cut at the range's end.
  PageEdit e;
  e.SetString("one two\rthree");
  long a = 2, b = 5;
  EXPECT_EQ(e.GetPartInfo(kKxPartOverlap, kKxPartWord, 0, 13, a, b), kKxPartWord);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 7);
  a = 2, b = 9;
  EXPECT_EQ(e.GetPartInfo(kKxPartOverlapNumbers, kKxPartWord, 0, 13, a, b), kKxPartWord);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 3);
  EXPECT_EQ(e.GetPartInfo(1, kKxPartPara, 0, 5, a, b), kKxPartChar);
  EXPECT_EQ(b, 5);
  EXPECT_EQ(e.GetPartInfo(9, kKxPartWord, 0, 13, a, b), 0);
}

// Stored page styles that leave no page to write on: columns whose gaps
// fill the text area are one (the later columns lay off the sheet), a
// paper with no size keeps the paper in force, and a text area turned
// inside out or too small keeps the margins in force.
TEST(PageStyl, StoredStylesWithoutRoomFallBack) {
  auto stored = [](const SKXPageStyl& s) {
    std::uint8_t bytes[kKxPageStylSize] = {};
    KxWritePageStyl(s, bytes, KxByteOrder::kBig);
    SKXPageStyl back;
    KxReadPageStyl(bytes, back, KxByteOrder::kBig);
    return back;
  };
  const SKXPageStyl wide = stored(Style(842, 595, 34, 5, 32767));
  EXPECT_EQ(wide.columns, 1);
  EXPECT_LE(wide.gap, 595 - 2 * 34);
  EXPECT_EQ(stored(Style(842, 595, 34, 5, 100)).columns, 5);  // five columns of 25 points
  EXPECT_EQ(stored(Style(842, 595, 34, 5, 132)).columns, 1);  // 527 - 4 x 132 leaves no point a column

  PageEdit e(Style(700, 500, 40, 1, 0));
  e.SetPageStyl(Style(842, 595, 34, 5, 32767), 1);
  short columns = 0, gap = 0;
  e.GetPageColumn(columns, gap);
  EXPECT_EQ(columns, 1);
  EXPECT_EQ(e.GetPageSize().h, 595 - 2 * 34);

  SKXPageStyl none = Style(0, 0, 0, 2, 20);
  none.pageOffset = 4;
  e.SetPageStyl(none, 1);
  EXPECT_EQ(e.GetPaperSize().v, 842);
  EXPECT_EQ(e.GetPaperSize().h, 595);
  e.GetPageColumn(columns, gap);
  EXPECT_EQ(columns, 2);
  EXPECT_EQ(e.GetPageStartNumber(), 4);

  for (const RectL area : {RectL{700, 34, 100, 561}, RectL{34, 34, 40, 561}, RectL{-5, 34, 808, 9000}}) {
    SKXPageStyl bad = Style(600, 400, 0, 1, 0);
    bad.textArea = area;
    e.SetPageStyl(bad, 1);
    Rect m;
    e.GetPageMargin(m);
    EXPECT_EQ(e.GetPaperSize().v, 600);
    EXPECT_EQ((std::vector<int>{m.top, m.left, m.bottom, m.right}), (std::vector<int>{34, 34, 34, 34}))
        << area.top << " " << area.bottom;
    e.SetPageStyl(Style(842, 595, 34, 1, 0), 1);
  }
  // A small but real paper and its own margins are kept.
  e.SetPageStyl(Style(100, 90, 10, 1, 0), 1);
  EXPECT_EQ(e.GetPageSize().v, 80);
  EXPECT_EQ(e.GetPageSize().h, 70);
  // Columns a margin change left without room keep the user's gap when
  // the style in force is set again (to lay the lines out afresh).
  e.SetPageStyl(Style(842, 595, 34, 3, 40), 1);
  e.SetPageMargin(Rect{34, 250, 34, 250}, 1);
  SKXPageStyl now;
  e.GetPageStyl(now);
  e.SetPageStyl(now, 1);
  e.GetPageColumn(columns, gap);
  EXPECT_EQ(columns, 3);
  EXPECT_EQ(gap, 40);
}

}  // namespace
