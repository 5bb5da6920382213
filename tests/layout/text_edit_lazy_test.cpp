// Deferred layout of long paragraphs: keys (alone, and long strings typed
// key by key, with the characters the line-break rules move), deletions
// and pastes at random places, each followed by random queries (line of an
// offset, start and top of a line, line at a height, text height,
// column-pages), every answer compared with a full layout of the same text
// made from scratch.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "layout/text_edit_ex.h"
#include "linebreak_fixture.h"
#include "text_edit_fixture.h"

namespace {

using kxtest::TestEdit;

class PageEdit : private kxtest::SyntheticFont, public CKXTextEditEx {
 public:
  explicit PageEdit(const SKXPageStyl& s) : CKXTextEditEx(RectL{0, 0, 0, 200}, RectL{0, 0, 300, 300}, s) {}
};

SKXPageStyl SmallPages() {
  SKXPageStyl s = KxDefaultPageStyl();
  s.paperHeight = 260;
  s.paperWidth = 200;
  s.textArea = RectL{20, 20, 240, 180};
  s.printArea = RectL{0, 0, 260, 200};
  return s;
}

// Paragraphs of a few thousand bytes: long runs of wrapped lines, with
// words (some most of a line long), double-byte characters, tabs and now
// and then a page break.
const char* const kPieces[] = {"a",  "word ", "wrap", " ", "(", ")", "-", SJ_A, SJ_KAN, SJ_MARU, SJ_KAGI,
                               "\t", "\xb1", "x.y", "long-word ", SJ_A SJ_A SJ_KAN, "interchangeability"};

// Double-byte characters only, where line starts seldom meet the old ones
// again after an edit: a relayout runs on to its limit.
const char* const kKanaPieces[] = {SJ_A, SJ_A, SJ_KAN, SJ_MARU, SJ_KAGI, SJ_A SJ_A SJ_KAN};

std::string Paragraphs(std::mt19937& rng, long bytes, unsigned breakOdds = 900, bool kana = false) {
  std::string s;
  while (long(s.size()) < bytes) {
    s += kana ? kKanaPieces[rng() % std::size(kKanaPieces)] : kPieces[rng() % std::size(kPieces)];
    const unsigned r = rng() % breakOdds;
    if (r == 0) s += '\x0c';
    if (r < 2) s += '\r';
  }
  return s;
}

// Paragraph styles of the texts that have some: a first line that starts
// further out than the rest (its wrapped word may end well inside the
// lines after it), and centre and right tab stops, which measure the text
// after the tab (across the line's break).
std::vector<SKXPara> ParaRuns(std::mt19937& rng, const std::string& text) {
  std::vector<SKXPara> runs;
  for (long at = 0; at < long(text.size()) || runs.empty();) {
    SKXPara run{};
    run.offset = std::int32_t(at);
    if (rng() % 2) {
      run.para.leftIndent = std::int16_t(50 + rng() % 40);
      run.para.firstIndent = std::int16_t(rng() % 10);
    }
    if (rng() % 2) {
      run.para.tabCount = 2;
      run.para.tabPos[0] = std::int16_t(20 + rng() % 40);
      run.para.tabPos[1] = std::int16_t(100 + rng() % 300);  // past the line's end too
      run.para.tabKinds = 1 | (2 << 2);  // centre, right
    }
    runs.push_back(run);
    const size_t cr = text.find('\r', size_t(at));
    if (cr == std::string::npos) break;
    at = long(cr) + 1;
  }
  return runs;
}

long Boundary(const CKXTextEdit& e, long p) {
  p = std::clamp(p, 0L, e.GetLength());
  e.AdjustOffset(p, false);
  return p;
}

struct LazySetup {
  bool pages;
  std::uint8_t mode;
  bool wordWrap;
  bool vertical;
  bool paper;  // the paper view (pages only)
  bool paras = false;  // paragraph runs with indents and tab stops
};

std::unique_ptr<CKXTextEdit> Make(const LazySetup& s) {
  std::unique_ptr<CKXTextEdit> e;
  if (s.pages)
    e = std::make_unique<PageEdit>(SmallPages());
  else
    e = std::make_unique<TestEdit>(130, RectL{0, 0, 300, 300});
  SKXLineStyl style;
  style.mode = s.mode;
  style.wordWrap = s.wordWrap;
  style.vertical = s.vertical;
  e->SetLineStyl(style, 0);
  if (s.paper) dynamic_cast<CKXTextEditEx&>(*e).SetPaperView(1);
  return e;
}

// A layout from scratch of e's text under e's settings.
std::unique_ptr<CKXTextEdit> Fresh(const LazySetup& s, const CKXTextEdit& e) {
  auto f = Make(s);
  f->SetText(&e);
  f->CalcText();
  return f;
}

long Pages(const CKXTextEdit& e) {
  const auto* ex = dynamic_cast<const CKXTextEditEx*>(&e);
  return ex ? ex->GetColumnPageCount() : 0;
}

// What a query answered against what a full layout answers.
std::string Differ(const char* what, long arg, long got, long want) {
  return std::string(what) + "(" + std::to_string(arg) + ") = " + std::to_string(got) + ", full layout " +
         std::to_string(want);
}

// One query of the paper view's pages, asked of both: the page of a line,
// the point of a line on the pages, the line at a point, a page's lines
// and where drawing a band begins. Answers what differed.
std::string PaperQuery(std::mt19937& rng, const CKXTextEditEx& e, const CKXTextEditEx& f) {
  const long lines = f.GetLineCount();
  const long line = 1 + long(rng() % size_t(rng() % 4 ? std::min(lines, 60L) : lines));
  // Mostly on the first sheets, where the view is.
  const long v = long(rng() % (rng() % 4 ? 900 : 900 + 300 * size_t(f.GetPageCount())));
  switch (rng() % 6) {
    case 0:
      if (e.GetPageNo(line) != f.GetPageNo(line)) return Differ("GetPageNo", line, e.GetPageNo(line), f.GetPageNo(line));
      break;
    case 1: {
      long p1 = 0, p2 = 0;
      short c1 = 0, c2 = 0;
      const PointL a = e.GetPageLinePointUntilAt(line, p1, c1), b = f.GetPageLinePointUntilAt(line, p2, c2);
      if (a.v != b.v || a.h != b.h || p1 != p2 || c1 != c2) return Differ("GetPageLinePointUntilAt", line, a.v, b.v);
      const PointL x = e.GetLineToPtAt(line, 0), y = f.GetLineToPtAt(line, 0);
      if (x.v != y.v || x.h != y.h) return Differ("GetLineToPtAt", line, x.v, y.v);
      break;
    }
    case 2: {
      long d1 = 0, d2 = 0, p1 = 0, p2 = 0;
      short c1 = 0, c2 = 0;
      const long a = e.GetPageLineFromPoint(PointL{std::int32_t(v), 0}, d1, p1, c1);
      const long b = f.GetPageLineFromPoint(PointL{std::int32_t(v), 0}, d2, p2, c2);
      if (a != b || d1 != d2 || p1 != p2 || c1 != c2) return Differ("GetPageLineFromPoint", v, a, b);
      break;
    }
    case 3: {
      const long page = 1 + long(rng() % 4);
      long a1 = 0, a2 = 0, b1 = 0, b2 = 0;
      RectL t1, t2, q1, q2;
      const bool x = e.GetPageInfo(page, 1, a1, a2, t1, q1), y = f.GetPageInfo(page, 1, b1, b2, t2, q2);
      if (x != y || a1 != b1 || a2 != b2 || t1.top != t2.top) return Differ("GetPageInfo", page, a1, b1);
      break;
    }
    case 4: {
      PointL a{}, b{};
      const RectL band{std::int32_t(v), 0, std::int32_t(v + 40), 200};
      const long l1 = e.GetDrawLineEx(a, band), l2 = f.GetDrawLineEx(b, band);
      if (l1 != l2 || a.v != b.v || a.h != b.h) return Differ("GetDrawLineEx", v, l1, l2);
      break;
    }
    default:
      if (e.GetPageCount() != f.GetPageCount()) return Differ("GetPageCount", 0, e.GetPageCount(), f.GetPageCount());
      if (e.GetHeight() != f.GetHeight()) return Differ("GetHeight", 0, e.GetHeight(), f.GetHeight());
      break;
  }
  return {};
}

// One query of a random kind, asked of both; answers what differed.
std::string Query(std::mt19937& rng, const CKXTextEdit& e, const CKXTextEdit& f) {
  const auto* ex = dynamic_cast<const CKXTextEditEx*>(&e);
  if (ex && ex->IsPaperView() && rng() % 2) return PaperQuery(rng, *ex, dynamic_cast<const CKXTextEditEx&>(f));
  const long len = f.GetLength(), lines = f.GetLineCount();
  // Mostly near the start, where the view is, sometimes anywhere.
  const long near = std::min(len, 600L);
  const long offset = long(rng() % size_t((rng() % 4 ? near : len) + 1));
  const long line = 1 + long(rng() % size_t(rng() % 4 ? std::min(lines, 40L) : lines));
  switch (rng() % 7) {
    case 0:
      if (e.GetLineNo(offset) != f.GetLineNo(offset)) return Differ("GetLineNo", offset, e.GetLineNo(offset), f.GetLineNo(offset));
      break;
    case 1:
      if (e.GetLineOffsetAt(line) != f.GetLineOffsetAt(line))
        return Differ("GetLineOffsetAt", line, e.GetLineOffsetAt(line), f.GetLineOffsetAt(line));
      if (e.GetLineCodeAt(line) != f.GetLineCodeAt(line))
        return Differ("GetLineCodeAt", line, e.GetLineCodeAt(line), f.GetLineCodeAt(line));
      break;
    case 2:
      if (e.GetLineHeightUntilAt(line) != f.GetLineHeightUntilAt(line))
        return Differ("GetLineHeightUntilAt", line, e.GetLineHeightUntilAt(line), f.GetLineHeightUntilAt(line));
      break;
    case 3: {
      const long y = long(rng() % 700);
      long d1 = 0, d2 = 0;
      const long a = e.GetLineFromHeight(y, d1), b = f.GetLineFromHeight(y, d2);
      if (a != b || d1 != d2) return Differ("GetLineFromHeight", y, a, b);
      break;
    }
    case 4: {
      SKXLineInfo i1, i2;
      long l1 = 0, l2 = 0;
      const long s1 = e.GetLineInfoAt(line, i1, &l1), s2 = f.GetLineInfoAt(line, i2, &l2);
      if (s1 != s2 || l1 != l2 || i1.height != i2.height) return Differ("GetLineInfoAt", line, l1, l2);
      break;
    }
    case 5:
      if (e.GetHeight() != f.GetHeight()) return Differ("GetHeight", 0, e.GetHeight(), f.GetHeight());
      break;
    default:
      if (Pages(e) != Pages(f)) return Differ("pages", 0, Pages(e), Pages(f));
      if (e.GetLineCount() != f.GetLineCount()) return Differ("GetLineCount", 0, e.GetLineCount(), lines);
      break;
  }
  return {};
}

// Every line, the height and the pages.
std::string Whole(const CKXTextEdit& e, const CKXTextEdit& f) {
  if (const char* broken = e.Check()) return broken;
  // The first line that differs, then the count.
  for (long i = 1; i <= std::min(e.GetLineCount(), f.GetLineCount()); ++i)
    if (e.GetLineOffsetAt(i) != f.GetLineOffsetAt(i) || e.GetLineCodeAt(i) != f.GetLineCodeAt(i))
      return "line " + std::to_string(i) + " starts " + std::to_string(e.GetLineOffsetAt(i)) + ", full layout " +
             std::to_string(f.GetLineOffsetAt(i));
  if (e.GetLineCount() != f.GetLineCount())
    return std::to_string(e.GetLineCount()) + " lines, full layout " + std::to_string(f.GetLineCount());
  // Heights added up line by line: the top of each line, and the line at
  // its first and last pixel.
  long top = 0;
  for (long i = 1; i <= e.GetLineCount(); ++i) {
    if (e.GetLineHeightUntilAt(i) != top) return Differ("GetLineHeightUntilAt", i, e.GetLineHeightUntilAt(i), top);
    const long h = e.GetLineHeightAt(i);
    for (long y : {top, top + h - 1}) {
      long delta = 0;
      const long at = e.GetLineFromHeight(y, delta);
      if (h > 0 && (at != i || delta != top - y)) return Differ("GetLineFromHeight", y, at, i);
    }
    top += h;
  }
  RectL a, b;
  e.GetDestRect(a);
  f.GetDestRect(b);
  if (a.bottom != b.bottom) return "bottom " + std::to_string(a.bottom) + ", full layout " + std::to_string(b.bottom);
  if (Pages(e) != Pages(f)) return "pages " + std::to_string(Pages(e)) + ", full layout " + std::to_string(Pages(f));
  if (const auto* ex = dynamic_cast<const CKXTextEditEx*>(&e)) {
    const auto& fx = dynamic_cast<const CKXTextEditEx&>(f);
    if (const char* broken = ex->CheckPages()) return broken;
    for (long k = 1; k <= Pages(f); ++k) {
      long a1 = 0, a2 = 0, b1 = 0, b2 = 0;
      ex->GetColumnPage(k, a1, a2);
      fx.GetColumnPage(k, b1, b2);
      if (a1 != b1 || a2 != b2) return "page " + std::to_string(k) + " holds lines " + std::to_string(a1) + ".." +
                                        std::to_string(a2) + ", full layout " + std::to_string(b1) + ".." +
                                        std::to_string(b2);
    }
  }
  return {};
}

// Keys typed, among them characters that may not begin or end a line and
// the punctuation that hangs past a full line.
const std::uint16_t kKeys[] = {'a', 'w', ' ', '.', '-', '(', ')', ',', '\t'};
const std::uint16_t kWideKeys[] = {0x82A0, 0x82A0, 0x8ABF, 0x8142 /* 。 */, 0x8141 /* 、 */,
                                   0x8175 /* 「 */, 0x8176 /* 」 */, 0x815B /* ー */};

// One edit as a user makes it: keys at the caret (which mostly stays put,
// so several keys pile up before anything asks for the whole layout; now
// and then a long string typed key by key, as the type-ahead hands it
// over), Backspace, a deletion across lines, a paste.
std::string Edit(std::mt19937& rng, CKXTextEdit& e, long& caret, long reach, bool kana) {
  const long len = e.GetLength();
  if (rng() % 6 == 0) caret = Boundary(e, long(rng() % size_t(std::min(len, reach) + 1)));
  caret = Boundary(e, caret);
  switch (rng() % 8) {
    case 0: {
      const long b = Boundary(e, caret + 1 + long(rng() % 400));
      e.SetSelect(caret, b);
      e.KeyIn(kKxCharBackspace, 0);
      return "delete " + std::to_string(caret) + ".." + std::to_string(b);
    }
    case 1: {
      const std::string s = Paragraphs(rng, long(rng() % 700), 900, kana);
      const long b = Boundary(e, caret + long(rng() % 3 ? 0 : rng() % 50));
      e.SetSelect(caret, b);
      e.Insert(s.data(), long(s.size()), nullptr, 0);
      caret += long(s.size());
      return "paste " + std::to_string(s.size()) + " at " + std::to_string(b);
    }
    case 2:
      e.SetSelect(caret, caret);
      e.KeyIn(kKxCharBackspace, 0);
      caret = e.GetLength() < len ? caret - (len - e.GetLength()) : caret;
      return "backspace at " + std::to_string(caret);
    default: {
      e.SetSelect(caret, caret);
      const long keys = rng() % 5 ? 1 : 1 + long(rng() % 60);
      for (long k = 0; k < keys; ++k) {
        const bool wide = (rng() % 3 != 0) == kana;
        const std::uint16_t code = rng() % 50 == 0 ? std::uint16_t('\r')
                                   : wide          ? kWideKeys[rng() % std::size(kWideKeys)]
                                                   : kKeys[rng() % std::size(kKeys)];
        e.TypeChar(code);
      }
      const long at = caret;
      caret += e.GetLength() - len;
      return std::to_string(keys) + " keys at " + std::to_string(at);
    }
  }
}

}  // namespace

// Answers asked between edits, with nothing else asking for the whole
// layout, equal a full layout's; so does the whole table now and then.
TEST(TextEditLazyLayout, QueriesBetweenEditsMatchAFullLayout) {
  const long steps = KxRandomSteps(60);
  const LazySetup setups[] = {{false, 0, false, false, false},      {false, 1, false, false, false},
                              {false, 2, true, false, false},       {false, 1, false, true, false},
                              {true, 1, false, false, false},       {true, 2, true, true, false},
                              {true, 1, false, false, true},        {true, 2, true, false, true},
                              {true, 0, false, true, true},         {false, 1, true, false, false, true},
                              {false, 2, false, false, false, true}, {true, 1, true, false, false, true}};
  for (const LazySetup& s : setups) {
    for (unsigned seed = 1; seed <= 2; ++seed) {
      std::mt19937 rng(seed * 131 + s.mode * 7 + s.wordWrap * 3 + s.vertical + s.pages * 11 + s.paper * 17 +
                       s.paras * 23);
      auto e = Make(s);
      // The paper view lays out the sheets through the view's at once:
      // paragraphs longer than those.
      const std::string text =
          Paragraphs(rng, 4000 + long(rng() % 4000), s.paper ? 4000 : s.paras ? 150 : 900, s.paper);
      const std::vector<SKXPara> paras = s.paras ? ParaRuns(rng, text) : std::vector<SKXPara>{};
      auto reset = [&] {
        e->SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, paras.data(), long(paras.size()), nullptr,
                   0);
        e->CalcText();
      };
      reset();
      long caret = long(rng() % 200);
      std::string history;
      long deferred = 0;
      for (long i = 0; i < steps; ++i) {
        // On paper the caret's page is laid out whole: the edits mostly on
        // the first sheets, as a user types where the view is.
        history += Edit(rng, *e, caret, s.paper && rng() % 4 ? 400 : e->GetLength(), s.paper) + "; ";
        deferred += e->HasDeferredLayout();
        const auto f = Fresh(s, *e);
        const int queries = int(rng() % 4);
        for (int q = 0; q < queries; ++q) {
          const std::string wrong = Query(rng, *e, *f);
          ASSERT_TRUE(wrong.empty()) << "pages " << s.pages << " paper " << s.paper << " mode " << int(s.mode) << " wordwrap "
                                     << s.wordWrap << " vertical " << s.vertical << " paras " << s.paras << " seed "
                                     << seed << " step " << i << ": " << wrong << "\nafter " << history;
        }
        if (rng() % 10 == 0 || i + 1 == steps) {
          const std::string wrong = Whole(*e, *f);
          ASSERT_TRUE(wrong.empty()) << "pages " << s.pages << " paper " << s.paper << " mode " << int(s.mode)
                                     << " paras " << s.paras << " seed " << seed << " step " << i << ": " << wrong
                                     << "\nafter " << history;
          history.clear();
        }
        if (e->GetLength() > 20000) reset();
      }
      // Not a walk over complete tables only (on paper the caret's page is
      // laid out whole, and relayouts meet old lines more often on it;
      // short paragraphs end a relayout sooner).
      EXPECT_GT(deferred, s.paper ? steps / 10 : s.paras ? steps / 6 : steps / 4)
          << "pages " << s.pages << " paper " << s.paper << " mode " << int(s.mode) << " paras " << s.paras << " seed "
          << seed;
    }
  }
}

// A key in a long paragraph answers no image-size change at once; laying
// out the rest answers it exactly when the text's height did change, once.
TEST(TextEditLazyLayout, DeferredHeightIsReportedWhenKnown) {
  TestEdit e(130, RectL{0, 0, 300, 300});
  e.SetString(std::string(6000, 'a'));
  e.Activate();
  long height = e.GetHeight();
  int grew = 0;
  for (int k = 0; k < 40; ++k) {
    e.SetSelect(0, 0);
    const std::uint16_t r = e.TypeChar('b');
    ASSERT_TRUE(e.HasDeferredLayout()) << "key " << k;
    EXPECT_FALSE(r & kKxEditImageSize) << "key " << k;
    // A share at a time, as idle turns lay it out.
    std::uint16_t done = 0;
    while (e.HasDeferredLayout()) done |= e.FinishLayout(50);
    const long now = e.GetHeight();
    EXPECT_EQ((done & kKxEditImageSize) != 0, now != height) << "key " << k;
    EXPECT_EQ(e.FinishLayout(), 0) << "key " << k;
    grew += now != height;
    height = now;
  }
  EXPECT_GT(grew, 0);
}

// Thousands of short lines of two sizes, edited anywhere: keys and Return,
// deletions of a line or of most of the text, pastes of many lines. Lines
// and height runs come and go at every place of their tables, whose free
// entries move, grow and shrink with them; after each edit the whole table
// equals a full layout's.
TEST(TextEditLazyLayout, LinesAddedAndRemovedAnywhereMatchAFullLayout) {
  const long steps = KxRandomSteps(120);
  std::mt19937 rng(17);
  std::string lines;
  std::vector<SKXStyl> sizes;
  for (int k = 0; k < 3000; ++k) {
    // Runs of a few lines at a time of one size.
    if (k % 3 == 0) {
      SKXStyl run{};
      run.offset = std::int32_t(lines.size());
      run.styl.size = std::int16_t(rng() % 2 ? 12 : 20);
      if (sizes.empty() || sizes.back().styl.size != run.styl.size) sizes.push_back(run);
    }
    lines += std::string(1 + rng() % 14, char('a' + k % 26)) + (k % 97 == 0 ? "\x0c\r" : "\r");
  }
  for (const bool pages : {false, true}) {
    const LazySetup s{pages, 1, false, false, false};
    auto e = Make(s);
    auto reset = [&] {
      e->SetText(lines.data(), long(lines.size()), sizes.data(), long(sizes.size()), nullptr, 0, nullptr, 0, nullptr,
                 0);
      e->CalcText();
    };
    reset();
    ASSERT_GT(e->GetLineHeightAt(4), e->GetLineHeightAt(1)) << "two sizes of line";
    std::string history;
    for (long i = 0; i < steps; ++i) {
      const long len = e->GetLength();
      const long at = Boundary(*e, long(rng() % size_t(len + 1)));
      switch (rng() % 5) {
        case 0: {  // a few lines, or most of the text
          const long b = Boundary(*e, at + long(rng() % 2 ? rng() % 60 : rng() % size_t(len + 1)));
          e->SetSelect(at, b);
          e->KeyIn(kKxCharBackspace, 0);
          history += "delete " + std::to_string(at) + ".." + std::to_string(b) + "; ";
          break;
        }
        case 1: {  // many lines at once
          const long from = long(rng() % lines.size());
          const std::string piece = lines.substr(size_t(from), rng() % (rng() % 3 ? 200 : lines.size()));
          e->SetSelect(at, at);
          e->Insert(piece.data(), long(piece.size()), nullptr, 0);
          history += "paste " + std::to_string(piece.size()) + " at " + std::to_string(at) + "; ";
          break;
        }
        default:
          e->SetSelect(at, at);
          e->TypeChar(rng() % 2 ? '\r' : 'x');
          history += "key at " + std::to_string(at) + "; ";
      }
      const auto f = Fresh(s, *e);
      const std::string wrong = Whole(*e, *f);
      ASSERT_TRUE(wrong.empty()) << "pages " << pages << " step " << i << ": " << wrong << "\nafter " << history;
      if (e->GetLength() < 2000 || e->GetLength() > 200000) {
        reset();
        history.clear();
      }
    }
  }
}

// A page break taken out or put in without a line more or less: the lines
// after it stay, and the column-pages are cut again all the same.
TEST(TextEditLazyLayout, APageBreakAloneChangedCutsThePagesAgain) {
  const LazySetup s{true, 1, false, false, false};
  auto e = Make(s);
  std::string text;
  for (int k = 0; k < 60; ++k) text += k == 5 ? "ab\x0c\r" : "abc\r";
  e->SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  e->CalcText();
  const long formFeed = long(text.find('\x0c'));
  const long pages = Pages(*e);
  e->SetSelect(formFeed, formFeed + 1);
  e->KeyIn(kKxCharBackspace, 0);
  ASSERT_EQ(Whole(*e, *Fresh(s, *e)), "");
  EXPECT_LT(Pages(*e), pages);
  e->SetSelect(formFeed, formFeed);
  e->Insert("\x0c", 1, nullptr, 0);
  ASSERT_EQ(Whole(*e, *Fresh(s, *e)), "");
  EXPECT_EQ(Pages(*e), pages);
}
