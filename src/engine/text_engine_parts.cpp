// The text engine's geometry (view, destination and image rectangles,
// coordinate mapping, ranges as image points and regions) and the
// scripting model's parts of a range: characters, words, paragraphs, lines.
#include <algorithm>
#include <climits>

#include "engine/text_engine.h"
#include "layout/text_edit_ex.h"
#include "platform/draw/region.h"
#include "platform/exception.h"
#include "platform/framework/view.h"
#include "text/base/geometry.h"

namespace {
RectL MakeRect(const SPoint32& topLeft, const SDimension32& size) {
  return RectL{topLeft.v, topLeft.h, topLeft.v + size.height, topLeft.h + size.width};
}
void SplitRect(const RectL& r, SPoint32& topLeft, SDimension32& size) {
  topLeft = {r.left, r.top};
  size = {r.right - r.left, r.bottom - r.top};
}
constexpr long kNilPointer = long(FourCC("nilP"));
}  // namespace

// ---- geometry ---------------------------------------------------------------------------------------------

void CKXTextEngine::GetImageSize(SDimension32& size) const {
  RectL dest{};
  KXTE_GetDestRect(mEdit, dest);
  size = {dest.right - dest.left, dest.bottom - dest.top};
}

void CKXTextEngine::SetImageSize(const SDimension32& size) {
  SDimension32 now{};
  GetImageSize(now);
  if (size.width == now.width && (size.height == now.height || size.height == 0)) return;
  RectL dest{};
  KXTE_GetDestRect(mEdit, dest);
  dest.right = dest.left + size.width;
  if (size.height != 0) dest.bottom = dest.top + size.height;
  Focus();
  TextEditResult(KXTE_Resize(mEdit, dest, nullptr));
}

void CKXTextEngine::GetDestRect(SPoint32& topLeft, SDimension32& size) const {
  RectL r{};
  KXTE_GetDestRect(mEdit, r);
  SplitRect(r, topLeft, size);
}

void CKXTextEngine::GetViewRect(SPoint32& topLeft, SDimension32& size) const {
  RectL r{};
  KXTE_GetViewRect(mEdit, r);
  SplitRect(r, topLeft, size);
}

void CKXTextEngine::SetViewRect(const SPoint32& topLeft, const SDimension32& size) {
  KXTE_SetViewRect(mEdit, MakeRect(topLeft, size));
}

void CKXTextEngine::DrawArea(const SPoint32& topLeft, const SDimension32& size) {
  Focus();
  KXTE_Draw(mEdit, MakeRect(topLeft, size));
}

void CKXTextEngine::LocalToPoint(std::int32_t h, std::int32_t v, PointL& point) const {
  SPoint32 image{h, v};
  if (mView) mView->LocalToImagePoint(SPoint32{h, v}, image);
  point = PointL{image.v, image.h};
}

void CKXTextEngine::PointToLocal(const PointL& point, std::int32_t& h, std::int32_t& v) const {
  SPoint32 local{point.h, point.v};
  if (mView) mView->ImageToLocalPoint(SPoint32{point.h, point.v}, local);
  h = local.h;
  v = local.v;
}

void CKXTextEngine::ScrollView(std::int32_t h, std::int32_t v, bool /*refresh*/) {
  ClearHiliteRgn();
  SPoint32 topLeft{};
  SDimension32 size{};
  GetViewRect(topLeft, size);
  SetViewRect(SPoint32{topLeft.h + h, topLeft.v + v}, size);
  KXTE_Scroll(mEdit, -h, -v);
}

void CKXTextEngine::ScrollViewBy(std::int32_t h, std::int32_t v) {
  if ((h == 0 && v == 0) || !mView) return;
  mView->ScrollImageBy(h, v, true);
}

void CKXTextEngine::ScrollViewBy(long dh, long dv) {
  if (!mView) {
    CKXTextLayer::ScrollViewBy(dh, dv);
    return;
  }
  auto narrow = [](long d) { return std::int32_t(std::clamp<long>(d, INT32_MIN / 2, INT32_MAX / 2)); };
  ScrollPinned(narrow(dh), narrow(dv));
}

void CKXTextEngine::FixImageRect() {
  SKXLineStyl line{};
  KXTE_GetLineStyl(mEdit, line);
  RectL view{}, dest{};
  KXTE_GetViewRect(mEdit, view);
  // The destination as wrapping lays it out.
  const std::uint8_t wrap = KXTE_GetLineTurn(mEdit);
  if (!wrap) KXTE_SetLineTurn(mEdit, 1);
  KXTE_GetDestRect(mEdit, dest);
  if (!wrap) KXTE_SetLineTurn(mEdit, 0);
  const std::int32_t dh = -dest.left, dv = -dest.top;
  view = RectL{view.top + dv, view.left + dh, view.bottom + dv, view.right + dh};
  dest = RectL{0, 0, dest.bottom + dv, dest.right + dh};
  KXTE_SetDestRect(mEdit, dest);
  KXTE_SetViewRect(mEdit, view);
  if (mView) mView->ScrollImageTo(view.left, view.top, false);
}

void CKXTextEngine::Range2Image(const SKXRange& range, bool start, SPoint32& point) const {
  const SKXRange r = CropRange(range);
  const long offset = start ? r.start : long(r.start) + r.length;
  const PointL p = KXTE_GetPoint(mEdit, offset);
  point = {p.h, p.v};
  if (!start) point.v += std::int32_t(KXTE_GetLineHeight(mEdit, KXTE_GetLineNumber(mEdit, offset)));
}

bool CKXTextEngine::Image2Range(const SPoint32& point, bool* leading, SKXRange* range) const {
  const long offset = KXTE_GetOffset(mEdit, PointL{point.v, point.h});
  if (leading) *leading = true;
  if (range) *range = SKXRange{std::int32_t(offset), 0};
  return true;
}

void CKXTextEngine::GetHiliteRgn(RgnHandle rgn) { HiliteRgn(rgn, false); }

void CKXTextEngine::GetViewHiliteRgn(RgnHandle rgn) { HiliteRgn(rgn, true); }

void CKXTextEngine::HiliteRgn(RgnHandle rgn, bool inView) {
  if (!rgn) throw LException(kNilPointer);
  SetEmptyRgn(rgn);
  const SKXRange sel = GetSelectionRange();
  const long from = sel.start, to = long(sel.start) + sel.length;
  const bool vertical = KXTE_GetVertical(mEdit) != 0;
  RectL dest{};
  KXTE_GetDestRect(mEdit, dest);
  KxRegionRecorder outline;
  // One band per display line the selection touches (a caret: a line).
  const long first = KXTE_GetLineNumber(mEdit, from);
  long lo = first, hi = -1;
  RectL view{};
  KXTE_GetViewRect(mEdit, view);
  if (inView && view.right > view.left && view.bottom > view.top) {
    // The lines at the view's corners (in vertical writing the lines run
    // right to left), one more each side so that the outline's ends fall
    // outside the view. Nothing past them is laid out for this.
    long a = LONG_MAX, b = 0;
    for (const PointL corner : {PointL{view.top, view.left}, PointL{view.top, view.right},
                                PointL{view.bottom, view.left}, PointL{view.bottom, view.right}}) {
      const long line = KXTE_GetLineNumber(mEdit, KXTE_GetOffset(mEdit, corner));
      a = std::min(a, line), b = std::max(b, line);
    }
    lo = std::max(first, a - 1);
    hi = b + 1;
  }
  // The selection's last line, or a line past the view when it ends beyond.
  const long last = hi < 0 || to <= KXTE_GetLineOffset(mEdit, hi + 1) ? KXTE_GetLineNumber(mEdit, to) : hi + 1;
  const long stop = hi < 0 ? last : std::min(last, hi);
  const long lines = KXTE_GetLineCount(mEdit);
  const short scale = KXTE_GetShownScale(mEdit);
  for (long line = lo; line <= stop; ++line) {
    const long lineStart = KXTE_GetLineOffset(mEdit, line);
    const PointL top = KXTE_GetPoint(mEdit, line == first ? from : lineStart);
    const PointL base = KXTE_GetPoint(mEdit, lineStart);
    // Points are where the text is shown, heights are the layout's: a band
    // reaches the next line's point, so that the bands of a scaled view
    // neither leave gaps (framed one by one when the selection is
    // inactive) nor overlap (which takes both out of the region). A next
    // line on another page or column keeps the band to its own height.
    std::int32_t height = std::int32_t(KxScaleLong(std::int32_t(KXTE_GetLineHeight(mEdit, line)), scale, false));
    if (line < lines) {
      const PointL next = KXTE_GetPoint(mEdit, KXTE_GetLineOffset(mEdit, line + 1));
      const std::int32_t pitch = vertical ? base.h - next.h : next.v - base.v;
      if (pitch > 0 && pitch <= 3 * std::max(height, 1)) height = pitch;
    }
    const bool lastLine = line == last;
    const PointL end = lastLine ? KXTE_GetPoint(mEdit, to) : PointL{};
    if (vertical) {
      const std::int32_t a = top.v, b = lastLine ? end.v : dest.bottom;
      outline.AddRect(RectL{a, base.h - height, std::max(a + 1, b), base.h});
    } else {
      const std::int32_t a = top.h, b = lastLine ? end.h : dest.right;
      outline.AddRect(RectL{base.v, a, base.v + height, std::max(a + 1, b)});
    }
    if (lastLine && from == to) break;
  }
  outline.Build(rgn);
}

void CKXTextEngine::GetRangeRgn(const SKXRange& range, RgnHandle rgn) {
  if (!rgn) throw LException(kNilPointer);
  const SKXRange sel = GetSelectionRange();
  const SKXRange r = CropRange(range);
  if (UKXRange::RangesSame(r, sel)) {
    GetHiliteRgn(rgn);
    return;
  }
  // Select without drawing, take the outline, put everything back.
  const std::uint8_t hilite = KXTE_GetHilite(mEdit);
  KXTE_SetHilite(mEdit, 0);
  struct Restore {
    KXEditHandle edit;
    SKXRange sel;
    std::uint8_t hilite;
    ~Restore() {
      KXTE_SetSelect(edit, sel.start, long(sel.start) + sel.length);
      KXTE_SetHilite(edit, hilite);
    }
  } restore{mEdit, sel, hilite};
  KXTE_SetSelect(mEdit, r.start, long(r.start) + r.length);
  GetHiliteRgn(rgn);
}

// ---- object-model parts --------------------------------------------------------------------------------------

long CKXTextEngine::PartCode(OSType kind) const {
  switch (kind) {
    case kKxPartKindChar:
      return kKxPartChar;
    case kKxPartKindWord:
      return kKxPartWord;
    case kKxPartKindPara:
      return kKxPartPara;
    case kKxPartKindLine:
      return kKxPartLine;
    default:
      throw LException(kKxErrBadPartKind);
  }
}

namespace {
OSType KindOf(long code) {
  switch (code) {
    case kKxPartChar:
      return kKxPartKindChar;
    case kKxPartWord:
      return kKxPartKindWord;
    case kKxPartPara:
      return kKxPartKindPara;
    case kKxPartLine:
      return kKxPartKindLine;
    default:
      return kKxPartKindNull;
  }
}
}  // namespace

long CKXTextEngine::CountParts(const SKXRange& range, OSType kind) {
  const long code = PartCode(kind);
  const SKXRange r = CropRange(range);
  if (r.length == 0) return 0;
  if (code == kKxPartChar) return KXText_CalcCharCount(mEdit, r.start, long(r.start) + r.length);
  long count = 0, unused = 0;
  KXTE_GetPartInfo(mEdit, kKxPartCount, code, r.start, long(r.start) + r.length, count, unused);
  return count;
}

OSType CKXTextEngine::FindNthPart(const SKXRange& range, OSType kind, long n, SKXRange* part) {
  const long code = PartCode(kind);
  const SKXRange r = CropRange(range);
  const long end = long(r.start) + r.length;
  if (n < 1) return kKxPartKindNull;
  // Step on from the last part found when it lies at or before the one
  // asked for: enumerating by rising index costs one step a part.
  long index = 0, p = r.start, a = 0, b = 0, found = 0;
  const bool cached = mPartCache.code == code && mPartCache.index >= 1 && mPartCache.index <= n &&
                      UKXRange::RangesSame(mPartCache.range, r);
  if (cached) {
    index = mPartCache.index;
    a = mPartCache.start;
    b = p = mPartCache.end;
    found = mPartCache.found;
  }
  while (index < n) {
    if (p >= end) return kKxPartKindNull;
    if (code == kKxPartChar) {
      a = p;
      b = std::min(end, std::max(p + 1, KXText_GetNextCharPos(mEdit, p)));
      found = code;
    } else {
      long outA = 0, outB = 0;
      found = KXTE_GetPartInfo(mEdit, 1, code, p, end, outA, outB);
      if (found == 0 || outB <= outA) return kKxPartKindNull;
      a = outA;
      b = outB;
    }
    ++index;
    p = b;
  }
  mPartCache = PartCache{code, r, index, a, b, found};
  if (part) *part = SKXRange{std::int32_t(a), std::int32_t(b - a)};
  return KindOf(found);
}

OSType CKXTextEngine::FindSubRangePartIndices(const SKXRange& range, OSType kind, const SKXRange& sub, long& first,
                                              long& last) {
  const long code = PartCode(kind);
  const SKXRange r = CropRange(range);
  const long end = long(r.start) + r.length;
  const long x = std::clamp<long>(sub.start, r.start, end);
  const long y = std::clamp<long>(long(sub.start) + std::max(0, sub.length), r.start, end);
  first = last = 0;
  if (sub.start < r.start || long(sub.start) + sub.length > end || x >= end) return kKxPartKindNull;
  if (code == kKxPartChar) {
    first = KXText_CalcCharCount(mEdit, r.start, x) + 1;
    last = y > x ? KXText_CalcCharCount(mEdit, r.start, y) : first;
    if (y > x && KXText_CalcCharCount(mEdit, r.start, y) < first) last = first;
    return kKxPartKindChar;
  }
  long outA = x, outB = y;
  const long found = KXTE_GetPartInfo(mEdit, kKxPartOverlapNumbers, code, r.start, end, outA, outB);
  if (found == 0) return kKxPartKindNull;
  first = outA;
  last = outB;
  return KindOf(found);
}

OSType CKXTextEngine::FindPart(const SKXRange& range, OSType kind, const SKXRange& sub, SKXRange* part) {
  const long code = PartCode(kind);
  const SKXRange r = CropRange(range);
  const long end = long(r.start) + r.length;
  if (sub.start < r.start || sub.length < 0 || long(sub.start) + sub.length > end) return kKxPartKindNull;
  if (code == kKxPartChar) {
    SKXRange out = sub;
    if (out.length == 0) {
      if (out.start >= end) return kKxPartKindNull;
      const long next = std::min(end, std::max<long>(out.start + 1, KXText_GetNextCharPos(mEdit, out.start)));
      out.length = std::int32_t(next - out.start);
    }
    if (part) *part = out;
    return kKxPartKindChar;
  }
  long outA = sub.start, outB = long(sub.start) + sub.length;
  const long found = KXTE_GetPartInfo(mEdit, kKxPartOverlap, code, r.start, end, outA, outB);
  if (found == 0) return kKxPartKindNull;
  if (part) *part = SKXRange{std::int32_t(outA), std::int32_t(outB - outA)};
  return KindOf(found);
}
