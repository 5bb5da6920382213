// Paper view drawing: a view drawn whole equals the same view drawn in
// strips (every page, column, band and guide clipped the same way), the
// first page is drawn even when the update begins below it, redrawing lines
// leaves the picture as it was, header and footer bands follow the page
// number offset, the line found for a drawing point is the one under it,
// and the per-line rules of the tab-stop and indent styles stay in their
// line.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <algorithm>
#include <string>
#include <vector>

#include "layout/kxtext_api.h"
#include "layout/ruled_lines.h"
#include "layout/text_edit_ex.h"
#include "layout/text_form.h"
#include "platform/draw/color.h"
#include "platform/draw/port.h"
#include "text_edit_fixture.h"

namespace {

constexpr std::int32_t kSheetW = 200, kSheetH = 160;

class PaperEdit : private kxtest::SyntheticFont, public CKXTextEditEx {
 public:
  PaperEdit() : CKXTextEditEx(RectL{0, 0, 0, 100}, RectL{0, 0, 400, 400}, KxDefaultPageStyl()) {}
  using CKXTextEditEx::ToPortRect;
};

long RandomSteps(long fallback) {
  const char* env = std::getenv("KX_RANDOM_STEPS");
  const long n = env ? std::strtol(env, nullptr, 10) : 0;
  return n > 0 ? n : fallback;
}

struct PaperSetup {
  short form = -1;  // built-in form, or none
  short guide = -1;
  bool vertical = false;
  short pageOffset = 0;
  const char* header = nullptr;
  const char* footer = nullptr;
  int paras = 16;
  bool paper = true;
};

// A text of `paras` numbered paragraphs of different lengths.
std::string Paragraphs(int paras) {
  std::string s;
  for (int k = 0; k < paras; ++k) {
    s += "Paragraph " + std::to_string(k) + " ";
    for (int j = 0; j < k % 7; ++j) s += "and more words ";
    s += "\r";
  }
  return s;
}

// The whole picture of every sheet in shown space.
RectL Prepare(PaperEdit& e, const PaperSetup& s, const std::string& text) {
  SKXStyl run{0, SStyl{0, 0, 1, 0, 0, 12, RGBColor{0, 0, 0}}};
  e.SetText(text.data(), long(text.size()), &run, 1, nullptr, 0, nullptr, 0, nullptr, 0);
  if (s.form >= 0) e.SetFormStyl(UKXTextForm::GetDefaultForm(s.form), 1);
  if (s.guide >= 0) {
    SKXFormStyl f;
    e.GetFormStyl(f);
    if (f.formID == 0) f = UKXTextForm::GetDefaultForm(0);
    f.guideStyle = s.guide;
    f.guideColor = RGBColor{0xFFFF, 0, 0};
    e.SetFormStyl(f, 1);
  }
  e.SetPaperSize(PointL{kSheetH, kSheetW}, 1);
  if (s.vertical) e.SetVertical(1);
  e.SetPaperView(s.paper ? 1 : 0);
  e.SetGuideView(1);
  e.SetPageStartNumber(s.pageOffset);
  const SStyl band{0, 0, 1, 0, 0, 12, RGBColor{0, 0, 0}};
  if (s.header) e.SetHeaderStyle(20, s.header, long(std::strlen(s.header)), band, kKxHdFtLeft, 0, 0);
  if (s.footer) e.SetFooterStyle(20, s.footer, long(std::strlen(s.footer)), band, kKxHdFtLeft, 0, 0);
  e.RecalcPageSize();
  e.CalcText();
  const long pages = std::max(1L, e.GetPageCount());
  const PointL paper = e.GetPaperSize();
  const bool vertical = e.GetLineStyl().vertical != 0;
  if (!s.paper) {
    // Outside paper view: the text and a little blank after it.
    const long extent = e.GetLineHeightUntilAt(e.GetLineCount()) + 60;
    const RectL all = vertical ? RectL{0, 0, 300, std::int32_t(extent)} : RectL{0, 0, std::int32_t(extent), 300};
    e.SetViewRect(all);
    return all;
  }
  const long along = pages * ((vertical ? paper.h : paper.v) + kKxPageSpacing);
  const RectL all{0, 0, std::int32_t(vertical ? paper.v : along), std::int32_t(vertical ? along : paper.h)};
  e.SetViewRect(all);
  return all;
}

struct Picture {
  std::int32_t w = 0, h = 0;
  std::vector<std::uint32_t> px;
  std::uint32_t At(long x, long y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
  bool operator==(const Picture& o) const { return px == o.px; }
};

Picture Read(KxPort& port) {
  cairo_surface_flush(port.Surface());
  Picture p;
  p.w = port.Width();
  p.h = port.Height();
  const unsigned char* d = cairo_image_surface_get_data(port.Surface());
  const int stride = cairo_image_surface_get_stride(port.Surface());
  for (int y = 0; y < p.h; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(d + y * stride);
    for (int x = 0; x < p.w; ++x) p.px.push_back(row[x] & 0xFFFFFF);
  }
  return p;
}

// Draws `updates` (shown space) one after another into a fresh port over `all`.
Picture DrawIn(PaperEdit& e, const RectL& all, const std::vector<RectL>& updates,
               const std::function<void(PaperEdit&)>& after = nullptr) {
  std::unique_ptr<KxPort> port = KxPort::NewImage(all.right - all.left, all.bottom - all.top);
  StKxPortSaver saver(port.get());
  UKXColor::InitColorUtils();
  e.SetDrawPort(port.get());
  for (const RectL& u : updates) e.Draw(u);
  if (after) after(e);
  e.SetDrawPort(nullptr);
  return Read(*port);
}

long Count(const Picture& p, const RectL& r, std::uint32_t color) {
  long n = 0;
  for (long y = std::max(0, r.top); y < std::min(p.h, r.bottom); ++y)
    for (long x = std::max(0, r.left); x < std::min(p.w, r.right); ++x) n += p.At(x, y) == color;
  return n;
}

long NotWhite(const Picture& p, const RectL& r) {
  const long all = long(std::max(0, std::min(p.h, r.bottom) - std::max(0, r.top))) *
                   std::max(0, std::min(p.w, r.right) - std::max(0, r.left));
  return all - Count(p, r, 0xFFFFFF);
}

// Strips `step` pixels across the picture, along its length.
std::vector<RectL> Strips(const RectL& all, long step, bool across) {
  std::vector<RectL> out;
  const long end = across ? all.right : all.bottom;
  for (long a = 0; a < end; a += step) {
    const std::int32_t b = std::int32_t(std::min(end, a + step));
    out.push_back(across ? RectL{all.top, std::int32_t(a), all.bottom, b} : RectL{std::int32_t(a), all.left, b, all.right});
  }
  return out;
}

const PaperSetup kSetups[] = {
    {},                                                           // plain frame, horizontal
    {2, -1, false, 0, "<PAGE>/<PMAX>", "<NAME>", 4},              // vertical manuscript with centre gap
    {4, 1, false, 0, nullptr, "- <PAGE> -"},                      // cells, fixed line pitch
    {4, 10, true, 0, "x", nullptr},                               // hand-drawn rule, vertical
    {4, 5, false, -1, "<PAGE>", "<PAGE>"},                         // full box, numbering from the second page
};

TEST(PaperDraw, WholeEqualsStrips) {
  for (const PaperSetup& s : kSetups) {
    PaperEdit e;
    const RectL all = Prepare(e, s, Paragraphs(s.paras));
    ASSERT_GE(e.GetPageCount(), 2) << s.form;
    e.SetName("doc", 3);
    const Picture whole = DrawIn(e, all, {all});
    EXPECT_GT(NotWhite(whole, all), 1000);
    // Strips along the pages and across them, odd sizes so that their
    // edges fall anywhere: lines, bands, gaps between sheets.
    EXPECT_TRUE(whole == DrawIn(e, all, Strips(all, 37, false))) << "form " << s.form << " guide " << s.guide;
    EXPECT_TRUE(whole == DrawIn(e, all, Strips(all, 23, true))) << "form " << s.form << " guide " << s.guide;
  }
}

TEST(PaperDraw, OutsidePaperViewWholeEqualsStripsAndLineRedraws) {
  // Guides outside paper view: the blank below the text is ruled by a
  // whole redraw as by a redraw of lines.
  for (short guide : {short(1), short(5), short(10)}) {
    PaperSetup s;
    s.form = 4;
    s.guide = guide;
    s.paper = false;
    s.paras = 8;
    PaperEdit e;
    const RectL all = Prepare(e, s, Paragraphs(s.paras));
    const Picture whole = DrawIn(e, all, {all});
    EXPECT_TRUE(whole == DrawIn(e, all, Strips(all, 19, false))) << guide;
    const Picture again = DrawIn(e, all, {all}, [&](PaperEdit& x) { x.DrawLinesAt(2, 3, x.GetLayoutView()); });
    EXPECT_TRUE(whole == again) << guide;
  }
}

TEST(PaperDraw, RedrawingLinesLeavesThePicture) {
  for (const PaperSetup& s : kSetups) {
    PaperEdit e;
    const RectL all = Prepare(e, s, Paragraphs(s.paras));
    const Picture whole = DrawIn(e, all, {all});
    const long n = e.GetLineCount();
    for (long first : {1L, n / 2, n}) {
      for (long count : {3L, n}) {
        const Picture again = DrawIn(e, all, {all}, [&](PaperEdit& x) {
          x.DrawLinesAt(first, count, x.GetLayoutView());
        });
        EXPECT_TRUE(whole == again) << "form " << s.form << " lines " << first << "+" << count;
      }
    }
  }
}

TEST(PaperDraw, FirstPageIsDrawnWhenTheUpdateStartsBelowIt) {
  PaperEdit e;
  const RectL all = Prepare(e, PaperSetup{}, Paragraphs(40));
  const long pages = e.GetPageCount();
  ASSERT_GE(pages, 2);
  // An update below the last sheet still draws that sheet's surround.
  const PointL last = e.GetPagePoint(pages);
  const RectL below{std::int32_t(last.v + kSheetH + 1), 0, std::int32_t(last.v + kSheetH + 6), kSheetW};
  const Picture p = DrawIn(e, all, {below});
  EXPECT_GT(NotWhite(p, below), 0);
  // One row inside page 2 only: its line is drawn, nothing above or below.
  const PointL second = e.GetPagePoint(2);
  const RectL row{std::int32_t(second.v + 40), 0, std::int32_t(second.v + 48), kSheetW};
  const Picture q = DrawIn(e, all, {row});
  EXPECT_GT(NotWhite(q, row), 20);
  EXPECT_EQ(NotWhite(q, RectL{0, 0, row.top, kSheetW}), 0);
  EXPECT_EQ(NotWhite(q, RectL{row.bottom, 0, all.bottom, kSheetW}), 0);
}

TEST(PaperDraw, BandsFollowThePageNumberOffset) {
  // With an offset of -1 the first sheet shows no bands and the second
  // shows page 1; with 2 the first shows 3.
  for (short offset : {short(0), short(-1), short(2)}) {
    PaperEdit e;
    PaperSetup s;
    s.pageOffset = offset;
    s.header = "<PAGE>";
    const RectL all = Prepare(e, s, Paragraphs(s.paras));
    const Picture p = DrawIn(e, all, {all});
    for (long page = 1; page <= 2; ++page) {
      const PointL at = e.GetPagePoint(page);
      Rect m;
      e.GetPageMargin(m);
      const RectL band{std::int32_t(at.v + m.top - 20), std::int32_t(at.h + m.left), std::int32_t(at.v + m.top),
                       std::int32_t(at.h + kSheetW - m.right)};
      const bool shown = offset == 0 || page + offset >= 1;
      EXPECT_EQ(Count(p, band, 0) > 0, shown) << offset << " page " << page;
      char line[16];
      EXPECT_EQ(e.MakeHdFtText(e.GetHeaderStyle(), line, sizeof line, e.GetShownPageNumber(page)), 1);
      EXPECT_EQ(line[0], char('0' + page + offset));
    }
  }
}

TEST(PaperDraw, DrawPointIsTheLineUnderIt) {
  for (const PaperSetup& s : kSetups) {
    PaperEdit e;
    Prepare(e, s, Paragraphs(s.paras));
    KXEditHandle none = nullptr;
    PointL at{};
    EXPECT_EQ(KXTE_GetDrawLine(none, at, RectL{0, 0, 10, 10}), 0);
    const long n = e.GetLineCount();
    // Model: line tops from the page mapping; the drawing point of a
    // column top is its first line, of a line's inside that line.
    for (long line = 1; line <= n; ++line) {
      long page = 0;
      short column = 0;
      const PointL rel = e.GetPageLinePointUntilAt(line, page, column);
      const long top = e.GetTopPos() + rel.v;
      const long height = e.GetLineHeightAt(line);
      for (long dv : {0L, height / 2, std::max(0L, height - 1)}) {
        PointL got{};
        const RectL update{std::int32_t(top + dv), std::int32_t(e.GetLeftPos(0) + rel.h), std::int32_t(top + dv + 1),
                           std::int32_t(e.GetLeftPos(0) + rel.h + 1)};
        EXPECT_EQ(e.GetDrawColmPoint(page, column, got, update), line) << "form " << s.form << " line " << line;
        EXPECT_EQ(got.v, top);
      }
    }
    // Past the last column-page there is no line.
    PointL got{};
    EXPECT_EQ(e.GetDrawColmPoint(e.GetPageCount() + 1, 1, got, RectL{0, 0, 1, 1}), 0);
  }
}

TEST(PaperDraw, CaretLineIsInvertedAndTakenAway) {
  PaperEdit e;
  const RectL all = Prepare(e, PaperSetup{}, Paragraphs(10));
  e.SetCaretLine(1);
  const Picture plain = DrawIn(e, all, {all});
  std::unique_ptr<KxPort> port = KxPort::NewImage(all.right - all.left, all.bottom - all.top);
  StKxPortSaver saver(port.get());
  UKXColor::InitColorUtils();
  e.SetDrawPort(port.get());
  e.Draw(all);
  e.SetActiveFlag(1);
  e.SetSelect(12, 12);
  e.ViewSelection(1);
  EXPECT_TRUE(e.IsCaretLineShown());
  const RectL r = e.GetCaretLineRect();
  EXPECT_EQ(r.bottom - r.top, 1);
  EXPECT_GT(r.right - r.left, 100);
  // A redraw, of everything or of the caret's line, keeps it; hiding
  // takes it away exactly.
  e.Draw(all);
  e.DrawLinesAt(e.GetCaretLine(), 1, e.GetLayoutView());
  e.ViewSelection(0);
  EXPECT_FALSE(e.IsCaretLineShown());
  e.SetActiveFlag(0);
  e.Draw(all);
  e.SetDrawPort(nullptr);
  EXPECT_TRUE(plain == Read(*port));
}

// Inversions land on an exclusive-or surface over the whole picture.
class XorPaperEdit : public PaperEdit {
 public:
  kxtest::XorSurface surface;
  std::vector<RectL> inverted;
  void Reset(const RectL& all) {
    surface = kxtest::XorSurface(all);
    inverted.clear();
  }

 protected:
  void InvertArea(const RectL& r) override {
    inverted.push_back(r);
    surface.Invert(r);
  }
};

TEST(PaperSelection, SpansAddUpAndStayInTheTextAreas) {
  const PaperSetup setups[] = {PaperSetup{}, PaperSetup{2, -1, false, 0, nullptr, nullptr, 4}};
  for (const PaperSetup& s : setups) {
    XorPaperEdit e;
    const RectL all = Prepare(e, s, Paragraphs(s.paras));
    e.SetActiveFlag(1);
    // The text areas of every sheet, in shown space.
    std::vector<RectL> areas;
    for (long page = 1; page <= e.GetPageCount(); ++page) {
      long first = 0, last = 0;
      RectL text, paper;
      e.GetPageInfo(page, 1, first, last, text, paper);
      areas.push_back(e.ToPortRect(text));
    }
    const long len = e.GetLength();
    std::mt19937 rng(5);
    const long steps = RandomSteps(30);
    for (long step = 0; step < steps; ++step) {
      long p[3] = {long(rng() % (len + 1)), long(rng() % (len + 1)), long(rng() % (len + 1))};
      std::sort(p, p + 3);
      e.Reset(all);
      e.FrameSelection(p[0], p[2], e.GetLayoutView(), 0);
      const kxtest::XorSurface once = e.surface;
      for (const RectL& r : e.inverted) {
        bool inside = false;
        for (const RectL& a : areas)
          inside |= r.top >= a.top && r.left >= a.left && r.bottom <= a.bottom && r.right <= a.right;
        EXPECT_TRUE(inside) << "form " << s.form << " " << p[0] << ".." << p[2] << ": " << r.top << "," << r.left
                            << " " << r.bottom << "," << r.right;
      }
      e.Reset(all);
      e.FrameSelection(p[0], p[1], e.GetLayoutView(), 0);
      e.FrameSelection(p[1], p[2], e.GetLayoutView(), 0);
      EXPECT_TRUE(once == e.surface) << "form " << s.form << " " << p[0] << " " << p[1] << " " << p[2];
      EXPECT_EQ(once.Count() > 0, p[0] != p[2]);
    }
  }
}

SKXFormStyl Form(short style, bool thick) {
  SKXFormStyl f;
  f.formID = 1;
  f.guideStyle = style;
  f.guideFlag1 = thick ? 1 : 0;
  return f;
}

TEST(ParaRules, IndentAndTabRulesStayInTheirLine) {
  std::vector<SKXRuleSeg> segs;
  for (bool thick : {false, true})
    for (long width : {1L, 5L, 100L})
      for (long height : {1L, 2L, 20L})
        for (long first : {-50L, 0L, 3L, 40L, 500L})
          for (long right : {-10L, 0L, 30L, 500L}) {
            KxIndentRuleSegments(Form(8, thick), width, height, first, right, segs);
            ASSERT_EQ(segs.size(), 2u);
            for (const SKXRuleSeg& s : segs) {
              EXPECT_EQ(s.h1, s.h2);
              EXPECT_GE(s.h1, 0);
              EXPECT_LE(s.h1 + (thick ? 2 : 1), std::max(width, thick ? 2L : 1L));
              EXPECT_GE(s.v1, 0);
              EXPECT_LT(s.v2, height);
            }
          }
  // The start stands before the indent by the pen and two; the end at the
  // right indent.
  KxIndentRuleSegments(Form(8, false), 100, 20, 24, 10, segs);
  EXPECT_EQ(segs[0].h1, 24 - 3);
  EXPECT_EQ(segs[1].h1, 90);

  const short stops[] = {10, 40, 60, 300};
  const long kinds[] = {kKxTabLeft, kKxTabRight, kKxTabCentre, kKxTabLeft};
  KxTabRuleSegments(Form(7, false), 100, 20, stops, kinds, 4, segs);
  // Three stops inside the line (left and centre moved back), then the
  // rule along the far edge from the first to the last of them.
  ASSERT_EQ(segs.size(), 4u);
  EXPECT_EQ(segs[0].h1, 10 - 3);
  EXPECT_EQ(segs[1].h1, 40);
  EXPECT_EQ(segs[2].h1, 60 - 3);
  EXPECT_EQ(segs[3], (SKXRuleSeg{7, 19, 57, 19}));
  KxTabRuleSegments(Form(7, true), 100, 20, stops, kinds, 0, segs);
  EXPECT_TRUE(segs.empty());
}

}  // namespace

// Page Down in paper view moves the caret a view's length down the paper,
// margins and the gaps between pages counted: pressed again and again, with
// the view following the caret, it comes to every page in turn.
TEST(PaperKeys, PageDownComesToEveryPage) {
  PaperEdit e;
  PaperSetup s;
  s.form = 4;   // wide margins: much paper between the pages' text
  s.paras = 80;
  Prepare(e, s, Paragraphs(s.paras));
  const long pages = e.GetPageCount();
  ASSERT_GT(pages, 4);
  const long viewHeight = kSheetH - 20;
  RectL view{0, 0, std::int32_t(viewHeight), 300};
  e.SetViewRect(view);
  e.Activate();
  e.SetSelPoint(0, 0, 0);
  long page = 1, presses = 0;
  short column = 0;
  for (long anchor = 0, caret = 0; caret < e.GetLength() && presses < 1000; ++presses) {
    e.KeyIn(kKxCharPageDown, 0);
    e.GetSelect(anchor, caret);
    const long line = e.GetLineNo(caret);
    long now = 0;
    const long top = e.GetTopPos() + e.GetPageLinePointUntilAt(line, now, column).v;
    EXPECT_LE(now - page, 1) << "pages " << page + 1 << " to " << now - 1 << " were passed over";
    page = now;
    // The window scrolls the caret's line into view at the bottom.
    const long bottom = top + e.GetLineHeightAt(line);
    if (bottom > view.bottom) {
      view.top = std::int32_t(bottom - viewHeight);
      view.bottom = std::int32_t(bottom);
      e.SetViewRect(view);
    }
  }
  EXPECT_EQ(page, pages);
}
