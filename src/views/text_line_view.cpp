#include "views/text_line_view.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "layout/draw_text.h"
#include "layout/kxtext_api.h"
#include "platform/draw/color.h"
#include "platform/draw/port.h"
#include "platform/draw/region.h"
#include "platform/fonts_port.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/toolbox/cursors.h"
#include "platform/keys.h"
#include "platform/framework/events.h"
#include "views/text_colm_view.h"
#include "views/text_info_view.h"

namespace {

// The cursor over the margin in horizontal writing.
constexpr std::int16_t kLineCursor = 1025;
// Click counts of the engine's tracking: a line selection, a move, the end.
constexpr short kClickLines = 3;
constexpr short kClickTrack = -1;
constexpr short kClickEnd = -2;

std::int64_t Scaled(std::int64_t v, short scale) { return scale == 0 ? v : v * scale / 100; }

}  // namespace

std::vector<KxLineMark> KxCollectLineMarks(CKXTextEngine& engine, const RectL& shown, short scale,
                                           std::int32_t fontHeight) {
  std::vector<KxLineMark> marks;
  KXEditHandle e = engine.GetEdit();
  const long count = KXTE_GetLineCount(e);
  const bool vertical = KXTE_GetVertical(e) != 0;
  const std::int64_t extent = vertical ? std::int64_t(shown.right) - shown.left : std::int64_t(shown.bottom) - shown.top;
  if (count < 1 || extent <= 0) return marks;
  short columns = 1, gap = 0;
  if (KXTE_GetPaperView(e)) KXTE_GetPageColumn(e, columns, gap);
  const bool paged = KXTE_GetPaperView(e) && columns >= 2;
  // Where the visible area starts along the line axis (scaled). Lines sit
  // where the text draws them: at the scaled sum of all heights before.
  const std::int64_t start = vertical ? 0 : shown.top;

  PointL at{0, 0};
  long line = KXTE_GetDrawLine(e, at, shown);
  if (line < 1) line = 1;
  long next = 0;
  long offset = engine.GetLineReStart(line, next);
  std::int64_t top = vertical ? 0 : at.v;   // unscaled
  long page = paged ? KXTE_GetPageNumber(e, line) : 0;
  // Every line shown takes at least one pixel or is one of the short ones
  // skipped in pairs, so this bounds the walk at any scale.
  const long limit = long(std::min<std::int64_t>(extent * 4 + 64, 1 << 24));
  std::int64_t pos = Scaled(top, scale) - start;
  for (long walked = 0; line <= count && pos < extent && walked < limit;) {
    long run = 1;
    short extra = 0;
    const short height = KXTE_GetLineHeightExt(e, line, run, &extra);
    run = std::max(1L, run);
    for (long k = 0; k < run && line <= count && pos < extent && walked < limit; ++k, ++line, ++walked) {
      if (paged && KXTE_GetPageNumber(e, line) != page) return marks;   // the next column starts elsewhere
      if (line >= next) offset = engine.GetLineReStart(line, next);
      const std::int32_t length = std::int32_t(Scaled(height, scale));
      if (pos + length > 0 && (length >= fontHeight || (line & 1)))
        marks.push_back(KxLineMark{line, line - offset, std::int32_t(pos), length});
      top += height + (k + 1 == run ? extra : 0);
      pos = Scaled(top, scale) - start;
    }
  }
  return marks;
}

CKXTextLineView::CKXTextLineView() = default;
CKXTextLineView::CKXTextLineView(const KxLayoutPaneRecord& record) : LView(record) {}

void CKXTextLineView::SetTextColmView(LPane* ruler) {
  mColmView = ruler;
  mColmHidden = !ruler || !ruler->IsVisible();
}

void CKXTextLineView::SetInvisible(bool hidden) {
  mHidden = hidden;
  if (mVertical) return;
  if (mInfoView) mInfoView->SetLineHidden(hidden);
}

void CKXTextLineView::AdaptToSuperFrameSize(std::int32_t dw, std::int32_t dh, bool refresh) {
  const bool colmHidden = !mColmView || !mColmView->IsVisible();
  if (mColmView && colmHidden != mColmHidden) {
    mColmHidden = colmHidden;
    const auto* gage = dynamic_cast<const CKXTextGage*>(mColmView);
    const std::int32_t height = gage ? gage->GetGageHeight() : 16;
    if (!mVertical) {
      const std::int32_t sign = colmHidden ? -1 : 1;
      MoveBy(0, sign * height, false);
      dh -= sign * height;
    }
  }
  if (mHidden != mLaidOutHidden) {
    mLaidOutHidden = mHidden;
    const std::int32_t sign = mHidden ? -1 : 1;
    if (mVertical)
      MoveBy(0, sign * kKxLineViewWidth, false);
    else
      MoveBy(sign * kKxLineViewWidth, 0, false);
  }
  LView::AdaptToSuperFrameSize(dw, dh, false);
  FixGage();
  if (refresh) Refresh();
}

void CKXTextLineView::ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) {
  LView::ResizeFrameBy(dw, dh, refresh);
  FixGage();
}

void CKXTextLineView::SetVertical(bool vertical) {
  if (vertical == mVertical) return;
  mVertical = vertical;
  FixGage();
}

std::int32_t CKXTextLineView::ButtonWidth() const {
  if (!mVertical) return 0;
  // Above the scroll bar, and above the ruler's corner while it is shown.
  if (!mColmView || !mColmView->IsVisibleSelf()) return kKxLineButtonWidth;
  const auto* gage = dynamic_cast<const CKXTextGage*>(mColmView);
  return kKxLineButtonWidth + (gage ? gage->GetGageHeight() : 16);
}

void CKXTextLineView::FixGage() {
  mDrawn = false;
  mButtonWidth = ButtonWidth();
  SDimension32 size;
  GetFrameSize(size);
  if (mButtonWidth < 1)
    mButtonRect = RectL{0, 0, 0, 0};
  else
    mButtonRect = RectL{5, size.width - 14, 18, size.width - 2};
}

void CKXTextLineView::ClickSelf(const SMouseDownEvent& event) {
  const SPoint32 p = event.whereLocal;
  if (mButtonWidth > 0 && p.h >= mButtonRect.left && p.h < mButtonRect.right && p.v >= mButtonRect.top &&
      p.v < mButtonRect.bottom) {
    // The restart menu is the ruler's.
    if (auto* ruler = dynamic_cast<CKXTextColmView*>(mColmView)) ruler->DoLineMenu();
    return;
  }
  DoLineSelect(event.macEvent);
}

void CKXTextLineView::DoLineSelect(const EventRecord& event) {
  if (!mTextView) return;
  CKXTextEngine* engine = mTextView->GetTextEngine();
  if (!engine) return;
  if (!mTextView->IsCurrent() && mTextView->IsActive()) mTextView->ShouldBeTarget();
  if (!mTextView->IsCurrent()) return;
  EventRecord down = event;
  down.what = mouseDown;
  down.modifiers = event.modifiers & kKxEventShiftKey;
  LWindow* window = LWindow::FetchWindowOf(this);
  auto mouseAt = [&](Point global) {
    SPoint32 p = window ? window->GlobalToPortPoint(global) : SPoint32{global.h, global.v};
    mTextView->PortToLocalPoint(p);
    // At the start of the line, whatever the column.
    if (mVertical)
      p.v = 0;
    else
      p.h = 0;
    return p;
  };
  Point where = event.where;
  mTextView->FocusDraw();
  engine->Click(mouseAt(where), down, kClickLines);
  // Follow the mouse until its button comes up. Every event the host hands
  // out carries the mouse's position, whatever its kind (an update or a
  // null event too), so each pass reads where the mouse is now.
  KxHost& host = KxCurrentHost();
  for (;;) {
    EventRecord e;
    const bool got = host.WaitNextEvent(e, 1);
    if (host.ShouldStop()) break;
    if (e.where.h != where.h || e.where.v != where.v) {
      where = e.where;
      mTextView->FocusDraw();
      engine->Click(mouseAt(where), down, kClickTrack);
    }
    // The release, or the button found up without an event of ours (the
    // press was handed to us directly): the selection ends where the mouse
    // was last seen.
    if (got && e.what == mouseUp) break;
    if (!got && (e.modifiers & kKxEventButtonState)) break;
  }
  mTextView->FocusDraw();
  engine->Click(mouseAt(where), down, kClickEnd);
  FocusDraw();
}

void CKXTextLineView::AdjustMouseSelf(const SPoint32& localPt, const EventRecord& event) {
  if (mVertical)
    LView::AdjustMouseSelf(localPt, event);
  else
    UCursors::Set(kLineCursor);
}

RectL CKXTextLineView::InsideRect() const {
  RectL f;
  if (!CalcLocalFrameRect(f)) return RectL{0, 0, 0, 0};
  RectL r{f.top + 1, f.left + 1, f.bottom - 1, f.right - 1};
  if (mVertical) {
    r.bottom -= 1;
    r.right -= 1;
    r.right -= mButtonWidth;
  }
  return r;
}

std::int32_t CKXTextLineView::TextRightEdge(const RectL& frame) const {
  // The columns start at the text view's right edge, wherever the window
  // puts the margin; without a view, where the button leaves off.
  if (!mTextView) return frame.right - mButtonWidth;
  const RectL text = mTextView->CalcPortFrameRect();
  SPoint32 p{text.right, text.top};
  PortToLocalPoint(p);
  return p.h;
}

bool CKXTextLineView::ShownRect(RectL& shown) const {
  if (!mTextView || !mTextView->GetTextEngine()) return false;
  return mTextView->CalcLocalFrameRect(shown);
}

void CKXTextLineView::Draw(RgnHandle portRgn) {
  StKxKeepFocus keep;
  LView::Draw(portRgn);
}

void CKXTextLineView::DrawSelf() {
  RectL f;
  if (!CalcLocalFrameRect(f)) return;
  mDrawn = true;
  DrawLine(f);
}

void CKXTextLineView::UpdateGage() {
  StKxKeepFocus keep;
  if (mLaidOutHidden || !mDrawn || !IsVisible() || !FocusDraw()) return;
  const RectL inside = InsideRect();
  KxClipScope clip(inside);
  DrawLine(inside);
}

void CKXTextLineView::ScrollGage(std::int32_t delta) {
  StKxKeepFocus keep;
  if (mLaidOutHidden || delta == 0 || !mDrawn || !IsVisible() || !FocusDraw()) return;
  const RectL inside = InsideRect();
  const std::int64_t extent = mVertical ? std::int64_t(inside.right) - inside.left
                                        : std::int64_t(inside.bottom) - inside.top;
  // Only a move shorter than the margin leaves pixels worth keeping; a
  // longer one (or one beyond 16 bits) redraws everything.
  if (std::int64_t(std::abs(std::int64_t(delta))) >= extent || extent <= 0) {
    KxClipScope clip(inside);
    DrawLine(inside);
    return;
  }
  Rect r;
  KxSetRect(r, inside);
  RectL exposed = inside;
  if (mVertical) {
    ScrollRect(&r, delta, 0, nullptr);   // lines run right to left
    if (delta > 0)
      exposed.right = inside.left + delta;
    else
      exposed.left = inside.right + delta;
  } else {
    ScrollRect(&r, 0, -delta, nullptr);
    if (delta > 0)
      exposed.top = inside.bottom - delta;
    else
      exposed.bottom = inside.top - delta;
  }
  ++mPixelScrolls;
  KxClipScope clip(exposed);
  DrawLine(exposed);
}

void CKXTextLineView::DrawLine(const RectL& area) {
  if (!mDrawn) return;
  RectL f;
  if (!CalcLocalFrameRect(f)) return;
  PenNormal();
  const bool active = IsActive();
  RGBColor text = UKXColor::sViewTextColor;
  if (!active) UKXColor::Lighten(text, UKXColor::sViewTextColor);
  Rect frame;
  KxSetRect(frame, mVertical ? RectL{f.top, f.left, f.bottom, f.right - mButtonWidth}
                             : RectL{f.top - 1, f.left - 1, f.bottom + 1, f.right});
  Rect paint;
  KxSetRect(paint, area);
  RGBForeColor(&UKXColor::sViewFaceColor);
  PaintRect(&paint);
  RGBForeColor(&text);
  FrameRect(&frame);
  if (mButtonWidth > 0) {
    Rect button;
    KxSetRect(button, RectL{f.top, f.right - mButtonWidth, f.bottom, f.right});
    FrameRect(&button);
    // The restart icon: a framed box with a line across it.
    Rect icon;
    KxSetRect(icon, RectL{mButtonRect.top - 2, mButtonRect.left + 3, mButtonRect.top + 5, mButtonRect.left + 9});
    FrameRect(&icon);
    MoveTo(icon.left, mButtonRect.top);
    LineTo(icon.right - 1, mButtonRect.top);
  }
  // Numbers only inside the frame: scrolls move and redraw just that area.
  const RectL inside = InsideRect();
  RectL numbers;
  if (KxSectRect(area, inside, numbers)) DrawLineNumbers(numbers);
  RGBForeColor(&UKXColor::sBlackColor);
}

void CKXTextLineView::DrawLineNumbers(const RectL& clip) {
  RectL shown;
  mDrawnMarks.clear();
  if (!ShownRect(shown)) return;
  CKXTextEngine& engine = *mTextView->GetTextEngine();
  KxClipScope scope(clip);
  TextFont(kKxLineNumberFont);
  TextSize(kKxLineNumberSize);
  TextFace(0);
  KxFontInfo info{};
  GetFontInfo(&info);
  const std::int32_t fontHeight = info.ascent + info.descent;
  // Numbers sit where the text draws its lines: at the scale it is shown
  // at, the desktop's resolution included.
  const short scale = KXTE_GetShownScale(engine.GetEdit());
  RectL f;
  CalcLocalFrameRect(f);
  const std::int32_t textRight = mVertical ? TextRightEdge(f) : 0;
  for (KxLineMark& m : KxCollectLineMarks(engine, shown, scale, fontHeight)) {
    char digits[24];
    const int n = std::snprintf(digits, sizeof digits, "%ld", m.number);
    const std::int32_t width = TextWidth(digits, 0, n);
    if (mVertical) {
      // Along the line from the right: centred across it, right-aligned down.
      m.pos = textRight - m.pos - m.length;
    } else {
      m.pos += f.top;
      MoveTo(f.left + kKxLineNumberWidth - width, m.pos + (m.length + info.ascent - info.descent) / 2);
    }
    {
      // Each number stays inside its line's band (two lines where only odd
      // lines carry numbers), so that pixels moved by a scroll meet the
      // strip drawn beside them exactly.
      const std::int32_t band = m.length >= fontHeight ? m.length : 2 * m.length;
      KxClipScope own(mVertical ? RectL{f.top, m.pos + m.length - band, f.bottom, m.pos + m.length}
                                : RectL{m.pos, f.left, m.pos + band, f.right});
      if (mVertical) {
        // Turned along the line, ending at the far side of the number column.
        // Centred across the line as a horizontal number is down it.
        KxDrawVerticalText(m.pos, f.top + kKxLineNumberWidth - width, (m.length + info.ascent - info.descent) / 2,
                           m.length, digits, n);
      } else {
        DrawText(digits, 0, n);
      }
    }
    mDrawnMarks.push_back(m);
  }
}
