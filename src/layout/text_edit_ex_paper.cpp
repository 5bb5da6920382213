// Paper view: pages as sheets on a grey surround, their header and footer
// bands, the frame and guides of the text area, every column's lines with
// the rules under them, and the caret line. Everything is worked out in the
// layout frame and reaches the port through ToPortRect, clipped to the
// update first so that the toolkit's 16-bit coordinates stay small.
#include <algorithm>
#include <limits>
#include <vector>

#include "layout/draw_lines.h"
#include "layout/draw_toolkit.h"
#include "layout/fontstate.h"
#include "layout/ruled_lines.h"
#include "layout/text_edit_ex.h"
#include "platform/draw/port.h"

namespace {

// The surround of the sheets and the plain frame of the text area. The
// frame takes the half net: the quarter net leaves every other pixel
// column empty, so that a side on such a column would not show at all.
constexpr int kSurroundNet = 5;
constexpr int kSurroundColor = kKxColorAccent;
constexpr int kPlainFrameNet = 6;
constexpr int kSolidNet = 10;
// The shadow starts this far from the sheet's corner.
constexpr long kShadowInset = 2;
// How far a sheet's shadow reaches before its top in the layout frame: in
// vertical writing the shadow of the sheet's right edge lies in the space
// above it, so that an update of that space alone draws that sheet too.
constexpr long kShadowReach = 1;
// Fold mark of the centre gap: two blocks, at a fifth and four fifths of
// the way along, this long; across, the gap less this.
constexpr long kFoldBlockLong = 10;
constexpr long kFoldBlockShort = 5;
constexpr long kFoldBlockInset = 3;

bool Empty(const RectL& r) { return r.bottom <= r.top || r.right <= r.left; }

RectL Grown(const RectL& r, long by) {
  return RectL{std::int32_t(r.top - by), std::int32_t(r.left - by), std::int32_t(r.bottom + by),
               std::int32_t(r.right + by)};
}

bool GuideStyleHasLeadingEdge(long style) { return style >= 1 && style <= 8 && style != 5 && style != 7; }
bool GuideStyleHasFold(long style) { return style >= 1 && style <= 4; }

}  // namespace

// ---- mappings -----------------------------------------------------------------------------------------

long CKXTextEditEx::PageTop(long page) const {
  const long long v = static_cast<long long>(mPaperImage.top) + (page - 1) * static_cast<long long>(PaperStep());
  return long(std::clamp<long long>(v, -(1LL << 30), 1LL << 30));
}

void CKXTextEditEx::CenterGapAt(long v, long& top, long& bottom) const {
  top = bottom = 0;
  if (mCenterGap <= 0 || mForm.centerGap <= 0) return;
  const long step = PaperStep();
  const long rel = v - mPaperImage.top;
  const long index = rel >= 0 ? rel / step : -((-rel + step - 1) / step);
  top = long(mPaperImage.top) + index * step + mPageStyl.textArea.top + mCenterGap;
  bottom = top + mForm.centerGap;
}

long CKXTextEditEx::GetDrawPagePoint(long& page, short& column, PointL& at, const RectL& update) const {
  long vOffset = 0;
  const long left = GetLeftPos(0);
  const long line = GetPageLineFromPoint(
      PointL{std::int32_t(update.top - GetTopPos()), std::int32_t(update.left - left)}, vOffset, page, column);
  at = PointL{std::int32_t(update.top + vOffset), std::int32_t(left + ColumnOffset(column))};
  return line;
}

long CKXTextEditEx::GetDrawColmPoint(long page, short column, PointL& at, const RectL& update) const {
  const long columns = Columns();
  if (page < 1 || column < 1 || column > columns) return 0;
  const long index = columns > 1 ? (page - 1) * columns + column : page;
  EnsurePagesThrough(0, index);
  if (index > mPages->GetCount()) return 0;
  long first = 0, last = 0;
  mPages->GetLineRangeAt(index, first, last);
  const long textTop = PageTop(page) + mPageStyl.textArea.top;
  long gapTop = 0, gapBottom = 0;
  CenterGapAt(textTop, gapTop, gapBottom);
  long top = textTop, line = first;
  for (;; ++line) {
    if (top >= gapTop && top < gapBottom) top = gapBottom;
    const long bottom = top + GetLineHeightAt(line);
    if (bottom > update.top || line >= last) break;
    top = bottom;
  }
  at = PointL{std::int32_t(top), std::int32_t(GetLeftPos(0) + ColumnOffset(column))};
  return line;
}

long CKXTextEditEx::GetDrawLineEx(PointL& at, const RectL& shown) const {
  if (!Paper()) return GetDrawLine(at, shown);
  RectL r = shown;
  KxScaleRect(r, ShownScale(), true);
  if (Vertical()) VerticalRect(r, 0);
  long page = 1;
  short column = 1;
  GetDrawPagePoint(page, column, at, r);
  const long line = GetDrawColmPoint(page, column, at, r);
  return line > 0 ? line : GetLineCount();
}

// ---- painting helpers -------------------------------------------------------------------------------

void CKXTextEditEx::PaintNet(const RectL& layout, int net, int color, bool frame) {
  const RectL p = ToPortRect(layout);
  if (Empty(p)) return;
  KxTextDrawNet(p.left, p.top, p.right - p.left, p.bottom - p.top, net, color, 0, frame ? 1 : 0);
}

void CKXTextEditEx::PaintGuide(const RectL& layout) {
  const RectL p = ToPortRect(layout);
  if (Empty(p)) return;
  StKxPortSaver saver(GetDrawPort());
  RGBForeColor(&mForm.guideColor);
  KxPaintRectL(p);
  const RGBColor black{0, 0, 0};
  RGBForeColor(&black);
}

// ---- the sheet ------------------------------------------------------------------------------------------

void CKXTextEditEx::DrawPaper(long page, const RectL& paperRect, const RectL& clip) {
  // Whether this is the last sheet: the pages through the next one.
  EnsureSheetsThrough(page + 1);
  const long pageCount = KnownPageCount();
  if (!GetDrawPort() || IsPrinting() || page < 1 || page > pageCount) return;
  StKxPortSaver saver(GetDrawPort());
  // The surround in the clip's band of this page: from the clip's top
  // above the first sheet, to the next sheet (or the clip's bottom after
  // the last one), less the sheet.
  const long top = page == 1 ? std::min<long>(clip.top, paperRect.top) : paperRect.top;
  const long bottom = page == pageCount ? std::max<long>(clip.bottom, paperRect.bottom + kKxPageSpacing)
                                         : paperRect.bottom + kKxPageSpacing;
  const RectL pieces[4] = {
      RectL{std::int32_t(top), clip.left, paperRect.top, clip.right},
      RectL{paperRect.top, clip.left, paperRect.bottom, paperRect.left},
      RectL{paperRect.top, paperRect.right, paperRect.bottom, clip.right},
      RectL{paperRect.bottom, clip.left, std::int32_t(bottom), clip.right},
  };
  for (const RectL& piece : pieces) {
    RectL c;
    if (KxSectRect(piece, clip, c)) PaintNet(c, kSurroundNet, kSurroundColor, false);
  }
  // The frame and the shadow, cut a little outside the clip: what lies
  // further out is clipped anyway.
  RectL sheet;
  if (!KxSectRect(paperRect, Grown(clip, 4), sheet)) return;
  const RectL whole = ToPortRect(paperRect);
  const RectL near = ToPortRect(Grown(clip, 4));
  RectL frame;
  if (!KxSectRect(whole, near, frame)) return;
  KxTextDrawFrame(frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top, kSolidNet,
                  kKxColorBlack, 0);
  const long unit = std::max(1L, long(KxDrawScale(1, ShownScale() == 100 ? 0 : ShownScale())));
  const long inset = KxDrawScale(std::int32_t(kShadowInset), ShownScale() == 100 ? 0 : ShownScale());
  const RectL shadows[2] = {
      RectL{std::int32_t(whole.top + inset), whole.right, std::int32_t(whole.bottom + unit),
            std::int32_t(whole.right + unit)},
      RectL{whole.bottom, std::int32_t(whole.left + inset), std::int32_t(whole.bottom + unit),
            std::int32_t(whole.right + unit)},
  };
  const RGBColor black{0, 0, 0};
  RGBForeColor(&black);
  for (const RectL& s : shadows) {
    RectL c;
    if (!KxSectRect(s, near, c)) continue;
    KxPaintRectL(c);
  }
}

// ---- header and footer --------------------------------------------------------------------------------

void CKXTextEditEx::DrawHeader(long page, const RectL& textRect, const RectL& clip) {
  DrawBand(mHeader, true, page, textRect, clip);
}

void CKXTextEditEx::DrawFooter(long page, const RectL& textRect, const RectL& clip) {
  DrawBand(mFooter, false, page, textRect, clip);
}

void CKXTextEditEx::DrawBand(const SKXHdFtStyl& rec, bool header, long page, const RectL& textRect,
                             const RectL& clip) {
  if (!GetDrawPort() || rec.text.empty() || !IsHdFtShown(page)) return;
  RectL text = textRect, c = clip;
  if (Columns() > 1) {
    // The band spans every column.
    text.left = std::int32_t(GetLeftPos(0));
    text.right = std::int32_t(long(text.left) + mPageStyl.textArea.right - mPageStyl.textArea.left);
  }
  if (Vertical()) {
    VerticalRect(text, 1);
    VerticalRect(c, 1);
  }
  RectL band = text;
  if (header) {
    band.bottom = text.top;
    band.top = std::int32_t(long(text.top) - rec.bandHeight);
  } else {
    band.top = std::int32_t(long(text.bottom) + 1);
    band.bottom = std::int32_t(long(band.top) + rec.bandHeight);
  }
  if (!(band.top < c.bottom && band.bottom >= c.top)) return;
  char line[kKxHdFtMaxLine];
  std::vector<SKXUniChar> sides;
  const long n = MakeHdFtText(rec, line, kKxHdFtMaxLine, GetShownPageNumber(page), &sides);
  if (n <= 0) return;
  if (Vertical()) VerticalRect(band, 0);
  const RectL port = ToPortRect(band);
  if (Empty(port)) return;
  StKxPortSaver saver(GetDrawPort());
  const short scale = ShownScale() == 100 ? 0 : ShownScale();
  SStyl style = rec.style;
  style.size = KxScaledFontSize(style.size, scale);
  KxTextDrawBoxText(port, line, n, style, rec.alignment, 0, sides.data(), long(sides.size()));
}

// ---- guides -------------------------------------------------------------------------------------------

void CKXTextEditEx::DrawPageGuide(long page, const RectL& textRect, const RectL& clip) {
  (void)page;
  if (!GetDrawPort()) return;
  const long style = mForm.formID ? mForm.guideStyle : 0;
  if (IsPrinting() && !(mForm.guideFlag2 && style != 0 && style != 7)) return;
  if (style == 10) return;
  const long w = KxGuidePenWidth(mForm);
  RectL frame = Grown(textRect, 1);
  if (mForm.fixedChar && mForm.charPitch > 0 && (style == 1 || style == 2)) {
    // The far edge on a whole number of cells.
    const long c = mForm.charPitch;
    const long cells = (long(textRect.right) - textRect.left) / c;
    frame.right = std::int32_t(textRect.left + cells * c + 1 + (w == 2 ? 1 : 0));
  }
  RectL shown;
  if (!KxSectRect(Grown(frame, 2), clip, shown)) return;
  StKxPortSaver saver(GetDrawPort());
  const RectL near = Grown(clip, 4);
  auto paint = [&](const RectL& r) {
    RectL c;
    if (KxSectRect(r, near, c)) PaintGuide(c);
  };
  if (style == 0 || style == 7) {
    // The toolkit frames inside the rectangle; cut to the near area, edges
    // outside it are not seen.
    RectL c;
    if (!KxSectRect(frame, near, c)) return;
    const RectL p = ToPortRect(c);
    if (!Empty(p)) KxTextDrawFrame(p.left, p.top, p.right - p.left, p.bottom - p.top, kPlainFrameNet, kSurroundColor, 0);
    return;
  }
  const std::int32_t W = std::int32_t(w);
  if (style == 5 || style == 9) {
    paint(RectL{frame.top, frame.left, frame.top + W, frame.right});
    paint(RectL{frame.bottom - W, frame.left, frame.bottom, frame.right});
    paint(RectL{frame.top, frame.left, frame.bottom, frame.left + W});
    paint(RectL{frame.top, frame.right - W, frame.bottom, frame.right});
    return;
  }
  // The leading edge; the per-line rules draw the rest.
  paint(RectL{frame.top, frame.left + W, frame.top + W, frame.right - W});
  long gapTop = 0, gapBottom = 0;
  CenterGapAt(textRect.top, gapTop, gapBottom);
  if (gapBottom <= gapTop || !GuideStyleHasLeadingEdge(style)) return;
  const std::int32_t far = std::int32_t(gapBottom - 1);
  paint(RectL{far, frame.left + W, far + W, frame.right - W});
  if (!GuideStyleHasFold(style)) return;
  const std::int32_t gt = std::int32_t(gapTop), gb = std::int32_t(gapBottom);
  paint(RectL{gt, frame.left, gb, frame.left + W});
  paint(RectL{gt, frame.right - W, gb, frame.right});
  const long across = std::max(1L, long(mForm.centerGap) - kFoldBlockInset);
  const std::int32_t bt = std::int32_t(gapTop + (mForm.centerGap - across + 1) / 2);
  const long span = long(frame.right) - frame.left;
  const std::int32_t a = std::int32_t(frame.left + span / 5), b = std::int32_t(frame.left + span * 4 / 5);
  paint(RectL{bt, a, std::int32_t(bt + across), std::int32_t(a + kFoldBlockLong)});
  paint(RectL{bt, b, std::int32_t(bt + across), std::int32_t(b + kFoldBlockShort)});
}

void CKXTextEditEx::ParaRuleSegments(long line, long width, long height, std::vector<SKXRuleSeg>& out) const {
  out.clear();
  const long start = GetLineOffsetAt(line);
  const CKXParaArray* paras = GetParaArray();
  auto paraAt = [&](long offset, SParaStyl& p) {
    const long index = paras && paras->GetCount() > 0 ? paras->GetArrayIndex(offset) : 0;
    if (index > 0)
      paras->GetParaAt(index, p);
    else
      GetParaStylDefault(p);
  };
  SParaStyl para{};
  paraAt(start, para);
  if (mForm.guideStyle == 7) {
    if (para.tabCount == 0 && line < ClampLine(line + 1)) {
      // A paragraph of one line without tabs takes the next one's.
      const long next = GetLineOffsetAt(line + 1);
      if (next > start && ParaEndFrom(start) == next) paraAt(next, para);
    }
    const long count = std::min<long>(para.tabCount, kKxMaxTabs);
    short positions[kKxMaxTabs];
    long kinds[kKxMaxTabs];
    for (long k = 0; k < count; ++k) {
      positions[k] = para.tabPos[k];
      kinds[k] = CKXParaArray::GetParaTabType(long(para.tabKinds), short(k + 1));
    }
    KxTabRuleSegments(mForm, width, height, positions, kinds, count, out);
    return;
  }
  const bool firstLine = start == 0 || (start <= GetLength() && [&] {
                           char b = 0;
                           CopyBytes(start - 1, start, &b, 1);
                           return b == '\r';
                         }());
  KxIndentRuleSegments(mForm, width, height, firstLine ? para.firstIndent : para.leftIndent, para.rightIndent, out);
}

// ---- lines ------------------------------------------------------------------------------------------

void CKXTextEditEx::DrawBlankLinesAt(long lastLine, const PointL& at, const RectL& clip, std::uint8_t offscreen) {
  const long style = mForm.formID ? mForm.guideStyle : 0;
  if (!GetDrawPort() || style <= 0 || !GetEditStyl().guideView || (IsPrinting() && !mForm.guideFlag2)) {
    CKXTextEdit::DrawBlankLinesAt(lastLine, at, clip, offscreen);
    return;
  }
  StKxPortSaver saver(GetDrawPort());
  if (offscreen) TextEraseRect(RectL{std::max(at.v, clip.top), clip.left, clip.bottom, clip.right});
  // Lines of no height would never reach the bottom.
  const long height = std::max(1L, GetLineHeightAt(ClampLine(lastLine)));
  long gapTop = 0, gapBottom = 0;
  if (Paper()) CenterGapAt(at.v, gapTop, gapBottom);
  long v = at.v, line = lastLine;
  const long width = long(clip.right) - clip.left > 0 ? LayoutWidth() : 0;
  while (v < clip.bottom) {
    if (v >= gapTop && v < gapBottom) v = gapBottom;
    ++line;
    const RectL lineRect{std::int32_t(v), clip.left, std::int32_t(v + height), clip.right};
    RectL band;
    if (v + height > clip.top && KxSectRect(lineRect, clip, band)) {
      KxClipScope scope(ToPortRect(band));
      DrawRuledLineAt(line, PointL{std::int32_t(v), at.h}, width, height);
    }
    v += height;
  }
}

void CKXTextEditEx::DrawLinesAt(long first, long count, const RectL& update) {
  if (!GetDrawPort() || Empty(update) || count <= 0) return;
  // The lines below the update may stay deferred: drawing lays out what it
  // reaches (on paper, as far as the pages drawn).
  const long n = StoredLineCount();
  first = std::clamp(first, 1L, std::max(1L, n));
  const long last = count >= n - first + 1 ? n : first + count - 1;
  long drawnFirst = first, drawnLast = last;
  if (Paper())
    DrawPaperLines(first, last, update, drawnFirst, drawnLast);
  else
    CKXTextEdit::DrawLinesAt(first, count, update);
  // What the erased lines took away: the guide line at the text's edge
  // (drawn again, the same pixels) and the caret line (inverted again when
  // its line was among them).
  StKxPortSaver saver(GetDrawPort());
  if (!Paper() && GetEditStyl().guideView) DrawGuideLine(update);
  const long caretLine = GetCaretLine();
  RectL c;
  if (mCaretLineShown && caretLine >= drawnFirst && caretLine <= drawnLast && KxSectRect(mCaretLineRect, update, c))
    InvertArea(ToPortRect(c));
}

void CKXTextEditEx::DrawPaperLines(long first, long last, const RectL& update, long& drawnFirst, long& drawnLast) {
  // The pages through the one after the update's bottom: whether a sheet
  // drawn is the last one.
  EnsureSheetsThrough(SheetAt(update.bottom) + 1);
  const long pageCount = KnownPageCount();
  StKxPortSaver saver(GetDrawPort());
  CKXQuartzDrawing smoothing(IsPrinting());
  long page = 1;
  short column = 1;
  const PointL rel = GetPageLinePointUntilAt(first, page, column);
  PointL at{std::int32_t(GetTopPos() + rel.v), std::int32_t(GetLeftPos(0) + rel.h)};
  long line = first;
  const long columns = Columns();
  bool firstPage = true, done = false;
  long lastPaperBottom = 0;
  while (!done) {
    // A last sheet whose page count changed may be new: the whole of it,
    // every line of it included, is drawn again.
    const bool wholeSheet = page == pageCount && mPageCountChanged;
    const long startColumn = firstPage && !wholeSheet ? column : 1;
    for (long c = startColumn; c <= columns && !done; ++c) {
      long cfirst = 0, clast = 0;
      RectL text, paper;
      if (!GetPageInfo(page, short(c), cfirst, clast, text, paper)) break;
      lastPaperBottom = paper.bottom;
      if (wholeSheet && c == 1) {
        RectL sheet;
        if (KxSectRect(paper, update, sheet)) TextEraseRect(sheet);
        DrawPaper(page, paper, update);
        DrawHeader(page, text, update);
        DrawFooter(page, text, update);
        if (GetEditStyl().guideView) DrawPageGuide(page, text, update);
      }
      if (wholeSheet || c != column || !firstPage) {
        line = cfirst;
        at = PointL{text.top, text.left};
      }
      if (text.right <= update.left) continue;
      if (text.left >= update.right) break;
      if (line == cfirst) at = PointL{text.top, text.left};
      RectL clip;
      if (!KxSectRect(text, update, clip)) continue;
      long gapTop = 0, gapBottom = 0;
      CenterGapAt(text.top, gapTop, gapBottom);
      const long stop = wholeSheet ? clast : std::min(last, clast);
      if (wholeSheet) {
        drawnFirst = std::min(drawnFirst, cfirst);
        drawnLast = std::max(drawnLast, clast);
      }
      while (at.v < clip.bottom && line <= stop) {
        if (at.v >= gapTop && at.v < gapBottom) at.v = std::int32_t(gapBottom);
        DrawLineAt(line++, at, clip, 1);
      }
      if (line > clast) {
        RectL rest;
        if (KxSectRect(RectL{at.v, text.left, text.bottom, text.right}, update, rest))
          DrawBlankLinesAt(clast, at, rest, 1);
      }
      if (line > last && !wholeSheet) done = true;
    }
    if (wholeSheet) done = true;
    firstPage = false;
    ++page;
    if (page > pageCount || PageTop(page) - kShadowReach >= update.bottom) break;
  }
  if (page > pageCount && mPageCountChanged && lastPaperBottom + kKxPageSpacing - 1 < update.bottom) {
    // Sheets that no longer exist go under the surround.
    RectL gone;
    if (KxSectRect(RectL{std::int32_t(lastPaperBottom + kKxPageSpacing - 1), update.left, update.bottom, update.right},
                   update, gone))
      PaintNet(gone, kSurroundNet, kSurroundColor, false);
  }
}

// ---- the whole view -------------------------------------------------------------------------------------

void CKXTextEditEx::Draw(const RectL& update) {
  if (!GetDrawPort() || Empty(update)) return;
  RectL layout = update;
  KxScaleRect(layout, ShownScale(), true);
  if (ShownScale()) layout = Grown(layout, 1);
  if (Vertical()) VerticalRect(layout, 0);
  if (!Paper()) {
    CKXTextEdit::Draw(update);
    StKxPortSaver saver(GetDrawPort());
    // Lines deferred below the update: the text's end lies past it.
    const long n = HasDeferredLayout() ? 0 : GetLineCount();
    if (GetEditStyl().guideView && mForm.formID && mForm.guideStyle > 0 && n >= 1) {
      // The blank below the text ruled as DrawLinesAt rules it.
      const RectL& dest = ToDestRect();
      const PointL pen{std::int32_t(dest.top + GetLineHeightUntilAt(n) + GetLineHeightAt(n)), dest.left};
      const RectL below{pen.v, dest.left, layout.bottom, GetLineStyl().wrap ? dest.right : layout.right};
      RectL c;
      if (KxSectRect(below, layout, c)) DrawBlankLinesAt(n, pen, c, 0);
    }
    if (GetEditStyl().guideView) DrawGuideLine(layout);
    if (mCaretLineShown) {
      RectL c;
      if (KxSectRect(mCaretLineRect, layout, c)) InvertArea(ToPortRect(c));
    }
    return;
  }
  StKxPortSaver saver(GetDrawPort());
  const RectL port = ToPortRect(layout);
  if (Empty(port)) return;
  KxClipScope clipScope(port);
  {
    KxEraseRectL(port);
  }
  CKXQuartzDrawing smoothing(IsPrinting());
  long page = 1;
  short column = 1;
  PointL at{};
  GetDrawPagePoint(page, column, at, layout);
  const long columns = Columns();
  EnsureSheetsThrough(SheetAt(layout.bottom) + 1);
  const long pages = std::max(1L, KnownPageCount());
  const bool guides = GetEditStyl().guideView != 0;
  bool firstPage = true;
  // The first page is always drawn; later ones while they begin above the
  // update's bottom.
  do {
    bool sheetDrawn = false;
    for (long c = firstPage ? column : 1; c <= columns; ++c) {
      long cfirst = 0, clast = 0;
      RectL text, paper;
      const bool exists = GetPageInfo(page, short(c), cfirst, clast, text, paper);
      if (!sheetDrawn) {
        DrawPaper(page, paper, layout);
        DrawHeader(page, text, layout);
        DrawFooter(page, text, layout);
        sheetDrawn = true;
      }
      if (guides) DrawPageGuide(page, text, layout);
      if (text.right <= layout.left) continue;
      if (text.left >= layout.right) break;
      RectL clip;
      if (!KxSectRect(text, layout, clip)) continue;
      KxClipScope columnClip(ToPortRect(clip));
      if (!exists) {
        // An empty column of the last page: ruled as blank lines.
        DrawBlankLinesAt(GetLineCount(), PointL{text.top, text.left}, clip, 0);
        continue;
      }
      long line = GetDrawColmPoint(page, short(c), at, clip);
      if (line < 1) continue;
      long gapTop = 0, gapBottom = 0;
      CenterGapAt(text.top, gapTop, gapBottom);
      while (line <= clast && at.v < clip.bottom) {
        if (at.v >= gapTop && at.v < gapBottom) at.v = std::int32_t(gapBottom);
        DrawLineAt(line++, at, clip, 0);
      }
      if (line > clast) DrawBlankLinesAt(clast, at, clip, 0);
    }
    firstPage = false;
    ++page;
  } while (page <= pages && PageTop(page) - kShadowReach < layout.bottom);
  RestoreHighlight(layout);
  if (mCaretLineShown) {
    RectL c;
    if (KxSectRect(mCaretLineRect, layout, c)) InvertArea(ToPortRect(c));
  }
}

void CKXTextEditEx::DrawGuideLine(const RectL& update) {
  if (!GetDrawPort() || IsPrinting() || Paper()) return;
  const long style = mForm.formID ? mForm.guideStyle : 0;
  const bool boxed = style == 5 || style == 9;
  if (!boxed && !GetLineStyl().wrap) return;
  const long edge = boxed ? GetLeftPos(0) + mPageSize.h : GetRightPos(0);
  if (edge > update.right || edge < update.left) return;
  const long w = boxed ? KxGuidePenWidth(mForm) : 1;
  const RectL line{update.top, std::int32_t(edge), update.bottom, std::int32_t(edge + w)};
  if (boxed) {
    PaintGuide(line);
    return;
  }
  const RectL p = ToPortRect(line);
  if (Empty(p)) return;
  StKxPortSaver saver(GetDrawPort());
  if (p.bottom - p.top >= p.right - p.left)
    KxTextDrawLine(p.left, p.top, 1, p.bottom - p.top, 4, kKxColorAccent, 0);
  else
    KxTextDrawLine(p.left, p.top, p.right - p.left, 1, 4, kKxColorAccent, 0);
}

// ---- the caret line ----------------------------------------------------------------------------------

void CKXTextEditEx::ViewSelection(std::uint8_t show) {
  CKXTextEdit::ViewSelection(show);
  show = show ? 1 : 0;
  if (!IsActive() || !GetEditStyl().caretLine || !GetHilite() || show == mCaretLineShown) return;
  if (show) {
    long anchor = 0, active = 0;
    GetSelect(anchor, active);
    if (anchor != active) return;
    // Under the caret's line, across its column.
    const long caretLine = GetCaretLine();
    const PointL top = GetLineToPtAt(caretLine, 0);
    const long bottom = top.v + GetLineHeightAt(caretLine) - 1;
    mCaretLineRect = RectL{std::int32_t(bottom), std::int32_t(GetLeftPos(caretLine)), std::int32_t(bottom + 1),
                           std::int32_t(GetRightPos(caretLine))};
  }
  DrawCaretLine(show);
  mCaretLineShown = show;
}

void CKXTextEditEx::DrawCaretLine(std::uint8_t /*show*/) {
  if (!GetDrawPort() || IsPrinting()) return;
  RectL c;
  if (KxSectRect(mCaretLineRect, GetLayoutView(), c)) InvertArea(ToPortRect(c));
}

// ---- the selection ------------------------------------------------------------------------------------

int CKXTextEditEx::FrameSelection(long a, long b, const RectL& clip, std::uint8_t frame) {
  if (!Paper()) return CKXTextEdit::FrameSelection(a, b, clip, frame);
  const long len = GetLength();
  a = std::clamp(a, 0L, len);
  b = std::clamp(b, 0L, len);
  if (a > b) std::swap(a, b);
  if (a == b) return 0;
  const long la = GetLineNo(a), lb = GetLineNo(b);
  auto clampH = [&](PointL p, long line) {
    p.h = std::int32_t(std::clamp(long(p.h), GetLeftPos(line), std::max(GetLeftPos(line), GetRightPos(line))));
    return p;
  };
  const PointL pa = clampH(GetLineToPtAt(la, a - GetLineOffsetAt(la)), la);
  const PointL pb = clampH(GetLineToPtAt(lb, b - GetLineOffsetAt(lb)), lb);
  int drawn = 0;
  auto show = [&](const RectL& rect) {
    RectL r;
    if (!KxSectRect(rect, clip, r)) return;
    const RectL port = ToPortRect(r);
    if (port.bottom <= port.top) return;
    ++drawn;
    if (frame)
      FrameArea(port);
    else
      InvertArea(port);
  };
  // Lines from..to lie one under the other: the first from the selection's
  // start, the last to its end, whole lines between.
  auto piece = [&](long from, long to) {
    const PointL top = GetLineToPtAt(from, 0), bottom = GetLineToPtAt(to, 0);
    const long hFrom = GetLineHeightAt(from), hTo = GetLineHeightAt(to);
    const std::int32_t startH = from == la ? pa.h : std::int32_t(GetLeftPos(from));
    const std::int32_t endH = to == lb ? pb.h : std::int32_t(GetRightPos(to));
    if (from == to) {
      show(RectL{top.v, startH, std::int32_t(top.v + hFrom), endH});
      return;
    }
    show(RectL{top.v, startH, std::int32_t(top.v + hFrom), std::int32_t(GetRightPos(from))});
    if (to > from + 1)
      show(RectL{std::int32_t(top.v + hFrom), std::int32_t(GetLeftPos(from)), bottom.v, std::int32_t(GetRightPos(from))});
    show(RectL{bottom.v, std::int32_t(GetLeftPos(to)), std::int32_t(bottom.v + hTo), endH});
  };
  const long ka = PageIndexOfLine(la), kb = PageIndexOfLine(lb);
  for (long k = ka; k <= kb; ++k) {
    long first = 0, last = 0;
    mPages->GetLineRangeAt(k, first, last);
    const long from = std::max(first, la), to = std::min(last, lb);
    if (from > to) continue;
    // The first line of the page's second half, when it has a centre gap.
    long split = to + 1;
    if (mCenterGap > 0 && mForm.centerGap > 0) {
      const long top = GetLineToPtAt(first, 0).v;
      for (long l = from + 1; l <= to; ++l)
        if (GetLineToPtAt(l, 0).v - top >= mCenterGap + mForm.centerGap) {
          split = l;
          break;
        }
    }
    if (split > from) piece(from, std::min(to, split - 1));
    if (split <= to) piece(split, to);
  }
  return drawn;
}
