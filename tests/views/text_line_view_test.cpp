// The line-number margin: the numbers it draws and where, against a model
// built from line heights and restarts, at many scales, scrolled by short
// and long distances (pixels kept only when worth it), in paper view with
// columns and in vertical writing; and agreement with the status bar.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>

#include "platform/draw/port.h"
#include "platform/fonts_port.h"
#include "text_view_fixture.h"
#include "views/text_info_view.h"
#include "views/text_line_view.h"

namespace {

using kxtest::ManyLines;

class LineViewTest : public kxtest::TextPaneTest {
 public:
  // A margin to the left of the first pane, as tall as its text.
  CKXTextLineView* AddMargin() {
    // The scroller makes room beside the margin, as the window does.
    const bool vertical = KXTE_GetVertical(engine->GetEdit()) != 0;
    auto* margin = new CKXTextLineView;
    margin->PutInside(panes.window, 0, 0);
    SDimension32 text;
    panes.view[0]->GetFrameSize(text);
    if (vertical) {
      margin->ResizeFrameTo(text.width, kKxLineViewWidth, false);
      panes.scroller[0]->MoveBy(0, kKxLineViewWidth, false);
      panes.scroller[0]->ResizeFrameBy(0, -kKxLineViewWidth, false);
    } else {
      margin->ResizeFrameTo(kKxLineViewWidth, text.height, false);
      panes.scroller[0]->MoveBy(kKxLineViewWidth, 0, false);
      panes.scroller[0]->ResizeFrameBy(-kKxLineViewWidth, 0, false);
    }
    margin->SetTextView(panes.view[0]);
    margin->SetVertical(vertical);
    panes.view[0]->SetLineView(margin);
    margin->Refresh();
    panes.window->UpdatePort();
    return margin;
  }
  std::int32_t NumberFontHeight(CKXTextLineView& margin) {
    margin.FocusDraw();
    TextFont(kKxLineNumberFont);
    TextSize(kKxLineNumberSize);
    KxFontInfo info{};
    GetFontInfo(&info);
    return info.ascent + info.descent;
  }
  // The model: lines stacked from the top by their heights; a restart at
  // line r makes r show 1; short lines show only odd indexes.
  std::vector<KxLineMark> Model(const std::vector<long>& restarts, std::int32_t fontHeight) {
    std::vector<KxLineMark> out;
    const short scale = KXTE_GetEditScale(engine->GetEdit());
    auto scaled = [scale](std::int64_t v) { return scale == 0 ? v : v * scale / 100; };
    SPoint32 scroll = ScrollOf(0);
    SDimension32 frame;
    panes.view[0]->GetFrameSize(frame);
    const long count = KXTE_GetLineCount(engine->GetEdit());
    std::int64_t top = 0;   // unscaled
    for (long line = 1; line <= count; ++line) {
      const long h = KXTE_GetLineHeight(engine->GetEdit(), line);
      const std::int64_t from = scaled(top) - scroll.v, length = scaled(h);
      top += h;
      if (from + length <= 0 && scaled(top) - scroll.v <= 0) continue;
      if (from >= frame.height) break;
      long offset = 0;
      for (long r : restarts)
        if (r <= line) offset = r - 1;
      if (length >= fontHeight || (line & 1))
        out.push_back(KxLineMark{line, line - offset, std::int32_t(from), std::int32_t(length)});
    }
    return out;
  }
  // Margin pixels now, and after a redraw from scratch.
  bool MarginRedrawsTheSame(CKXTextLineView& margin) {
    panes.window->UpdatePort();
    const RectL r = margin.CalcPortFrameRect();
    const auto before = Pixels(r);
    margin.Refresh();
    panes.window->UpdatePort();
    return Pixels(r) == before;
  }
};

TEST_F(LineViewTest, NumbersFollowTheModelAtEveryScaleWithRestarts) {
  const std::vector<long> restarts = {5, 40, 41};
  for (short scale : {25, 33, 50, 75, 100, 150, 200, 400}) {
    SCOPED_TRACE(scale);
    Open(ManyLines(300, 2), 400, 300, 0, false, scale == 100 ? 0 : scale);
    for (long r : restarts) engine->AddLnReStart(r);
    CKXTextLineView* margin = AddMargin();
    const std::int32_t font = NumberFontHeight(*margin);
    for (std::int32_t step : {0, 7, 130, 2000, -450}) {
      SCOPED_TRACE(step);
      panes.view[0]->ScrollPinnedImageBy(0, step, true);
      panes.window->UpdatePort();
      EXPECT_EQ(margin->GetDrawnMarks(), Model(restarts, font));
      EXPECT_TRUE(MarginRedrawsTheSame(*margin));
    }
    TearDown();
    SetUp();
  }
}

TEST_F(LineViewTest, ScrollsBeyondTheMarginRedrawInsteadOfMovingPixels) {
  Open(ManyLines(4000, 1));
  CKXTextLineView* margin = AddMargin();
  SDimension32 frame;
  margin->GetFrameSize(frame);
  const int before = margin->GetPixelScrolls();
  // Within the margin: pixels move. As long as the margin, or the 16-bit
  // edge (which once came back with its sign turned), or more: redrawn.
  panes.view[0]->ScrollImageBy(0, 20, true);
  EXPECT_EQ(margin->GetPixelScrolls(), before + 1);
  for (std::int32_t d : {frame.height, 32768, -32768, 40000, -40000}) {
    SCOPED_TRACE(d);
    const int n = margin->GetPixelScrolls();
    margin->ScrollGage(d);
    EXPECT_EQ(margin->GetPixelScrolls(), n);
    EXPECT_TRUE(MarginRedrawsTheSame(*margin));
  }
  panes.view[0]->ScrollImageBy(0, 32768, true);
  EXPECT_TRUE(MarginRedrawsTheSame(*margin));
  EXPECT_FALSE(margin->GetDrawnMarks().empty());
}

TEST_F(LineViewTest, PaperColumnsAndVerticalWritingKeepNumbersInOrder) {
  struct Case {
    bool vertical;
    bool paper;
    short columns;
  } cases[] = {{false, true, 2}, {false, true, 3}, {true, false, 1}, {true, true, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.vertical) + " " + std::to_string(c.columns));
    Open(ManyLines(400, 2), 400, 300, 0, c.vertical);
    if (c.paper) {
      KXTE_SetPaperView(engine->GetEdit(), 1);
      KXTE_SetPageColumn(engine->GetEdit(), c.columns, 10);
    }
    engine->AddLnReStart(3);
    CKXTextLineView* margin = AddMargin();
    const auto& marks = margin->GetDrawnMarks();
    ASSERT_FALSE(marks.empty());
    long previous = 0;
    for (const KxLineMark& m : marks) {
      EXPECT_GT(m.line, previous);
      previous = m.line;
      EXPECT_EQ(m.number, m.line >= 3 ? m.line - 2 : m.line);
    }
    TearDown();
    SetUp();
  }
}

TEST_F(LineViewTest, StatusBarAndMarginShowTheSameLine) {
  Open(ManyLines(60, 2));
  engine->AddLnReStart(10);
  CKXTextLineView* margin = AddMargin();
  CKXTextInfoView info;
  info.SetTextView(panes.view[0]);
  const long count = KXTE_GetLineCount(engine->GetEdit());
  for (long line : {1L, 9L, 10L, 11L, 17L}) {
    ASSERT_LE(line, count);
    const long start = KXTE_GetLineOffset(engine->GetEdit(), line);
    engine->Select(start, start);
    long shown = 0, column = 0;
    info.GetShownLineColm(shown, column);
    EXPECT_EQ(column, 1);
    bool found = false;
    for (const KxLineMark& m : margin->GetDrawnMarks())
      if (m.line == line) {
        EXPECT_EQ(m.number, shown);
        found = true;
      }
    EXPECT_TRUE(found) << line;
  }
}

}  // namespace

namespace {

// Dragging in the margin selects whole lines, from the press to the
// release; with Shift the selection grows from where it was.
TEST_F(LineViewTest, DraggingSelectsWholeLines) {
  Open(ManyLines(20, 2));
  CKXTextLineView* margin = AddMargin();
  const long count = KXTE_GetLineCount(engine->GetEdit());
  ASSERT_GE(count, 8);
  auto lineTop = [&](long line) {
    std::int64_t top = 0;
    for (long k = 1; k < line; ++k) top += KXTE_GetLineHeight(engine->GetEdit(), k);
    return std::int32_t(top);
  };
  auto press = [&](long fromLine, long toLine, std::uint16_t mods) {
    const RectL f = margin->CalcPortFrameRect();
    host.PostMouse(false, GlobalOf(SPoint32{f.left + 10, f.top + lineTop(toLine) + 2}), mods);
    EventRecord down{};
    down.what = mouseDown;
    down.where = GlobalOf(SPoint32{f.left + 10, f.top + lineTop(fromLine) + 2});
    down.modifiers = mods;
    margin->DoLineSelect(down);
    return engine->GetSelectionRange();
  };
  const long l3 = KXTE_GetLineOffset(engine->GetEdit(), 3), l6 = KXTE_GetLineOffset(engine->GetEdit(), 6);
  SKXRange r = press(5, 3, 0);   // upwards
  EXPECT_EQ(r.start, l3);
  EXPECT_EQ(r.start + r.length, l6);
  r = press(3, 5, 0);   // downwards: the same lines, anchored at line 3
  EXPECT_EQ(r.start, l3);
  EXPECT_EQ(r.start + r.length, l6);
  const long l8 = KXTE_GetLineOffset(engine->GetEdit(), 8);
  r = press(7, 7, kKxEventShiftKey);
  EXPECT_EQ(r.start, l3);
  EXPECT_EQ(r.start + r.length, l8);
}

// The tracking loop follows the mouse, not the position an event happens
// to carry: update and null events that arrive while the button is down
// (the window was drawn into) carry where the mouse is.
TEST_F(LineViewTest, UpdatesWhileTrackingKeepTheMousePosition) {
  Open(ManyLines(20, 2));
  CKXTextLineView* margin = AddMargin();
  auto lineTop = [&](long line) {
    std::int64_t top = 0;
    for (long k = 1; k < line; ++k) top += KXTE_GetLineHeight(engine->GetEdit(), k);
    return std::int32_t(top);
  };
  const RectL f = margin->CalcPortFrameRect();
  auto at = [&](long line) { return GlobalOf(SPoint32{f.left + 10, f.top + lineTop(line) + 2}); };
  auto lines = [&](long first, long last) {
    const long s = KXTE_GetLineOffset(engine->GetEdit(), first), e = KXTE_GetLineOffset(engine->GetEdit(), last + 1);
    return std::pair<long, long>(s, e);
  };
  auto selected = [&] {
    const SKXRange r = engine->GetSelectionRange();
    return std::pair<long, long>(r.start, r.start + r.length);
  };
  EventRecord down{};
  down.what = mouseDown;
  // A click: the press is handed over directly, the window waits for an
  // update, the button is already up.
  down.where = at(3);
  host.SetMouse(down.where);
  panes.window->Refresh();
  margin->DoLineSelect(down);
  EXPECT_EQ(selected(), lines(3, 3));
  // A drag whose moves come as null events, with updates between them,
  // and then the release.
  EventRecord move{};
  move.what = nullEvent;
  move.where = at(4);
  host.PostEvent(move);
  move.where = at(5);
  host.PostEvent(move);
  host.PostMouse(false, at(5));
  panes.window->Refresh();
  margin->DoLineSelect(down);
  EXPECT_EQ(selected(), lines(3, 5));
  // Keys and menu choices during the drag carry the mouse's place too.
  host.SetMouse(down.where);
  host.PostKey('a', 0);
  host.PostMenuChoice(1, 1);
  margin->DoLineSelect(down);
  EXPECT_EQ(selected(), lines(3, 3));
}

// In vertical writing the numbers stand over the columns, which start at the
// text's right edge wherever the margin ends, centred across each line at
// every scale; the line-menu button is 15 wide, more with the ruler beside
// it, and gone once the text turns back to horizontal.
TEST_F(LineViewTest, VerticalNumbersStandOverTheirColumnsAndTheButtonFollowsTheWriting) {
  for (short scale : {0, 50, 200}) {
    SCOPED_TRACE(scale);
    // Few enough lines to show from the first at every scale.
    Open(ManyLines(10, 2), 800, 300, 0, true, scale);
    CKXTextLineView* margin = AddMargin();
    EXPECT_EQ(margin->GetButtonWidth(), kKxLineButtonWidth);
    // The margin reaches past the text by its button, as in the window.
    margin->ResizeFrameBy(kKxLineButtonWidth + 9, 0, false);
    margin->Refresh();
    panes.window->UpdatePort();
    const RectL text = panes.view[0]->CalcPortFrameRect();
    const RectL port = margin->CalcPortFrameRect();
    RectL local;
    ASSERT_TRUE(margin->CalcLocalFrameRect(local));
    const std::int32_t toPort = port.left - local.left;
    const auto& marks = margin->GetDrawnMarks();
    ASSERT_GE(marks.size(), 2u);
    EXPECT_EQ(marks[0].line, 1);
    EXPECT_EQ(toPort + marks[0].pos + marks[0].length, text.right);
    if (marks[1].line == 2) {
      EXPECT_EQ(marks[1].pos + marks[1].length, marks[0].pos);
    }
    // The digit's ink lies within its line's band, about its middle.
    const RectL band{port.top, toPort + marks[0].pos, port.bottom, toPort + marks[0].pos + marks[0].length};
    const auto px = Pixels(band);
    const std::int32_t w = band.right - band.left, h = band.bottom - band.top;
    std::int32_t lo = w, hi = -1;
    for (std::int32_t y = 2; y < h - 2; ++y)
      for (std::int32_t x = 0; x < w; ++x)
        if ((px[std::size_t(y * w + x)] & 0x808080) == 0) lo = std::min(lo, x), hi = std::max(hi, x);
    ASSERT_GE(hi, lo);
    EXPECT_LE(std::abs((lo + hi) - (w - 1)), 6) << lo << ".." << hi << " of " << w;
    margin->SetVertical(false);
    EXPECT_EQ(margin->GetButtonWidth(), 0);
    margin->SetVertical(true);
    EXPECT_EQ(margin->GetButtonWidth(), kKxLineButtonWidth);
    TearDown();
    SetUp();
  }
}

}  // namespace
