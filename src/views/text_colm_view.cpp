#include "views/text_colm_view.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/macro_recorder.h"
#include "layout/draw_text.h"
#include "layout/fontstate.h"
#include "layout/kxtext_api.h"
#include "platform/draw/color.h"
#include "platform/draw/port.h"
#include "platform/draw/region.h"
#include "platform/fonts_port.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "text/base/geometry.h"
#include "views/split_view.h"
#include "views/text_info_view.h"
#include "views/text_line_view.h"
#include "views/text_scroller.h"

namespace {
// Lengths of the ticks: major (and the line end), half, minor.
constexpr std::int16_t kMajorTick = 13;
constexpr std::int16_t kHalfTick = 4;
constexpr std::int16_t kMinorTick = 2;
// The last tick goes 2 px past the previous one when that lies nearer the
// end than this (hundredths of a pixel).
constexpr std::int32_t kLastTickGap = 200;
// Labels: font 4 at 9 points, 4 px after the tick and 4 above the baseline.
constexpr short kLabelFont = 4;
constexpr short kLabelSize = 9;
// The badge's font.
constexpr short kBadgeFont = 1;
constexpr short kBadgeSize = 9;
// The frame's gray.
constexpr RGBColor kFrameGray{0xBBBB, 0xBBBB, 0xBBBB};
// Lightness of the marks of columns after the first.
constexpr short kOtherColumnLightness = 33;
// The line-number margin's reserve at the ruler's start.
constexpr std::int32_t kLineInset = 40;
// Positions the page stores in 16 bits.
constexpr std::int32_t kMaxPosition = 32767;

std::int32_t ScaledPx(std::int64_t v, std::int16_t scale) {
  return KxScaleLong(std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN / 8, INT32_MAX / 8)), scale, false);
}
}  // namespace

// ---- Drawing helpers ----------------------------------------------------------------------------------

PointL KxHVPoint(std::int32_t along, std::int32_t across, std::int32_t dAlong, std::int32_t dAcross, bool horizontal) {
  if (horizontal) return PointL{across + dAcross, along + dAlong};
  return PointL{along + dAlong, across - dAcross};
}

void KxHVMoveTo(std::int32_t along, std::int32_t across, std::int32_t dAlong, std::int32_t dAcross, bool horizontal) {
  const PointL p = KxHVPoint(along, across, dAlong, dAcross, horizontal);
  MoveTo(p.h, p.v);
}

void KxHVLineTo(std::int32_t along, std::int32_t across, std::int32_t dAlong, std::int32_t dAcross, bool horizontal) {
  const PointL p = KxHVPoint(along, across, dAlong, dAcross, horizontal);
  LineTo(p.h, p.v);
}

void KxHVSetRect(Rect& r, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d, bool horizontal) {
  if (horizontal)
    r = Rect{KxPinShort(b), KxPinShort(a), KxPinShort(d), KxPinShort(c)};
  else
    r = Rect{KxPinShort(a), KxPinShort(b), KxPinShort(c), KxPinShort(d)};
}

// ---- Scales -------------------------------------------------------------------------------------------

KxGageScale KxGageScaleOf(short type, std::int32_t charUnit, short formCharSize) {
  KxGageScale s;
  const std::int32_t chars = formCharSize > 0 ? std::int32_t(formCharSize) * 50 : std::max<std::int32_t>(1, charUnit);
  switch (type) {
    case kKxGageCentimetre:
      s = KxGageScale{KxDotPerScale100(0), 10, 5, 2};
      break;
    case kKxGageInch:
      s = KxGageScale{KxDotPerScale100(1), 10, 5, 1};
      break;
    case kKxGagePoint:
      s = KxGageScale{KxDotPerScale100(2), 4, 2, 40};
      break;
    case kKxGageMillimetre:
      s = KxGageScale{KxDotPerScale100(3), 10, 5, 20};
      break;
    case kKxGageDoubleChar:
      s = KxGageScale{std::int32_t(std::min<std::int64_t>(INT32_MAX / 4, std::int64_t(chars) * 2)), 10, 5, 10};
      break;
    case kKxGageChar:
    default:
      s = KxGageScale{chars, 10, 5, formCharSize > 0 ? 5 : 10};
      break;
  }
  s.unit = std::max<std::int32_t>(1, s.unit);
  return s;
}

std::int32_t KxGageMap::At(std::int64_t p) const {
  const std::int64_t px = std::int64_t(origin) + (p + 50) / 100;
  return std::int32_t(std::int64_t(start) + ScaledPx(px, scale) - scroll);
}

std::vector<KxGageTick> KxGageTicks(const KxGageScale& s, const KxGageMap& map, std::int32_t length,
                                    std::int32_t clipFrom, std::int32_t clipTo) {
  std::vector<KxGageTick> ticks;
  if (length <= 0 || clipFrom >= clipTo) return ticks;
  const std::int64_t unit = std::max<std::int32_t>(1, s.unit);
  const std::int64_t steps = std::max<std::int32_t>(1, s.steps);
  const std::int64_t major = unit * steps;
  const std::int64_t end = std::int64_t(length) * 100;
  // Whole major steps that end before the clip are skipped at once.
  std::int64_t k = 0;
  if (map.At(major) < clipFrom) {
    // Bisection keeps this quick for tiny units on long lines.
    std::int64_t lo = 0, hi = end / major + 1;
    while (lo < hi) {
      const std::int64_t mid = lo + (hi - lo + 1) / 2;
      if (map.At(mid * major) < clipFrom)
        lo = mid;
      else
        hi = mid - 1;
    }
    k = std::min(lo, end / major);
  }
  std::int64_t p = k * major;
  std::int64_t label = k * s.labelStep;
  std::int64_t minor = 0;   // index within the major step
  for (;;) {
    const bool atEnd = p >= end;
    const std::int32_t at = map.At(p);
    if (at >= clipTo) break;
    const bool isMajor = minor == 0;
    KxGageTick t;
    t.at = at;
    t.length = (isMajor || atEnd) ? kMajorTick : (minor == s.halfAt ? kHalfTick : kMinorTick);
    if (isMajor && !atEnd) t.label = std::int32_t(std::min<std::int64_t>(label, INT32_MAX));
    if (at >= clipFrom || t.label >= 0) ticks.push_back(t);
    if (atEnd) break;
    if (isMajor) label += s.labelStep;
    std::int64_t next = p + unit;
    if (next >= end) {
      next = p + kLastTickGap;
      if (next <= end) next = end;
      // The long last tick.
      const std::int32_t lastAt = map.At(next);
      if (lastAt < clipTo && next != end) {
        ticks.push_back(KxGageTick{lastAt, kMajorTick, -1});
        break;
      }
      if (next != end) break;
    }
    p = next;
    minor = (minor + 1) % steps;
  }
  // A label tick before the clip was kept only for its label.
  return ticks;
}

// ---- The ruler -----------------------------------------------------------------------------------------

CKXTextColmView* CKXTextColmView::sPopupRuler = nullptr;
std::int16_t CKXTextColmView::sPopupMenu = 0;

CKXTextColmView::CKXTextColmView() = default;
CKXTextColmView::CKXTextColmView(const KxLayoutPaneRecord& record) : LView(record) {}

CKXTextColmView::~CKXTextColmView() {
  if (sPopupRuler == this) ForgetPopup();
}

void CKXTextColmView::SetTextView(CKXTextView* view) {
  mTextView = view;
  CKXTextEngine* engine = view ? view->GetTextEngine() : nullptr;
  if (engine != mListening) {
    if (mListening) mListening->RemoveListener(this);
    mListening = engine;
    if (engine) engine->AddListener(this);
  }
  if (engine) {
    FixView();
    FixForm(false);
  }
}

CKXTextEngine* CKXTextColmView::GetEngine() const { return mTextView ? mTextView->GetTextEngine() : nullptr; }

bool CKXTextColmView::ReadOnly() const {
  CKXTextEngine* engine = GetEngine();
  return !engine || !engine->IsEditable();
}

short CKXTextColmView::TypeToItem(short type) {
  switch (type) {
    case kKxGageChar:
      return 1;
    case kKxGageCentimetre:
      return 2;
    case kKxGageInch:
      return 3;
    case kKxGagePoint:
      return 4;
    case kKxGageDoubleChar:
      return 5;
    default:
      return 2;
  }
}

short CKXTextColmView::ItemToType(short item) {
  switch (item) {
    case 1:
      return kKxGageChar;
    case 3:
      return kKxGageInch;
    case 4:
      return kKxGagePoint;
    case 5:
      return kKxGageDoubleChar;
    default:
      return kKxGageCentimetre;
  }
}

void CKXTextColmView::SetGageType(short type) {
  // Only the types the unit menu offers; anything else (a stored 3, 4 or
  // 7, say) is centimetres.
  const bool known = type == kKxGageCentimetre || type == kKxGageInch || type == kKxGagePoint ||
                     type == kKxGageChar || type == kKxGageDoubleChar;
  mGageType = known ? type : short(kKxGageCentimetre);
}

void CKXTextColmView::SetInvisible(bool hidden) {
  mHidden = hidden;
  if (hidden)
    Hide();
  else
    Show();
}

void CKXTextColmView::SetLeftIndent(short inset) {
  const std::int32_t stored = std::clamp<std::int32_t>(inset, 0, 1000) + 1;
  if (stored == mLeftInset) return;
  mLeftInset = stored;
  FixGage();
}

void CKXTextColmView::SetVertical(bool vertical) {
  mVertical = vertical;
  FixGage();
}

void CKXTextColmView::SetCharScale(short font, short size) {
  // 32 bits and at least 1: a cell wider than 327 px or a font too small to
  // measure still gives a scale that advances.
  const std::int64_t width = KxGetFontWidth(font, size, 1);
  mCharUnit = std::int32_t(std::clamp<std::int64_t>(width * 100, 1, INT32_MAX / 4));
  if (mGageType == kKxGageChar || mGageType == kKxGageDoubleChar) UpdateGage();
}

std::int32_t CKXTextColmView::GetGageHeight() const { return kKxGageDepth + (mFormShown ? mFormDepth : 0); }

void CKXTextColmView::SetFormShown(bool shown) {
  mWide = KxFormWideLayout();
  mFormDepth = mWide ? kKxFormDepthWide : kKxFormDepth;
  mFormShown = shown;
  FixGage();
}

// ---- Geometry -------------------------------------------------------------------------------------------

std::int32_t CKXTextColmView::Along() const {
  SDimension32 s;
  GetFrameSize(s);
  return mVertical ? s.height : s.width;
}

std::int32_t CKXTextColmView::Across() const {
  SDimension32 s;
  GetFrameSize(s);
  return mVertical ? s.width : s.height;
}

std::int32_t CKXTextColmView::GageTop() const { return mFormShown ? mFormDepth : 0; }

Rect CKXTextColmView::GageRect(std::int32_t a1, std::int32_t c1, std::int32_t a2, std::int32_t c2) const {
  RectL f;
  if (!CalcLocalFrameRect(f)) f = RectL{0, 0, 0, 0};
  Rect r;
  if (mVertical)
    KxHVSetRect(r, f.top + a1, f.right - c2, f.top + a2, f.right - c1, false);
  else
    KxHVSetRect(r, f.left + a1, f.top + c1, f.left + a2, f.top + c2, true);
  return r;
}

void CKXTextColmView::MoveAC(std::int32_t a, std::int32_t c) const {
  RectL f;
  if (!CalcLocalFrameRect(f)) return;
  if (mVertical)
    KxHVMoveTo(f.top + a, f.right - 1, 0, c, false);
  else
    KxHVMoveTo(f.left + a, f.top, 0, c, true);
}

void CKXTextColmView::LineAC(std::int32_t a, std::int32_t c) const {
  RectL f;
  if (!CalcLocalFrameRect(f)) return;
  if (mVertical)
    KxHVLineTo(f.top + a, f.right - 1, 0, c, false);
  else
    KxHVLineTo(f.left + a, f.top, 0, c, true);
}

std::int32_t CKXTextColmView::AlongOf(SPoint32 local) const {
  RectL f;
  if (!CalcLocalFrameRect(f)) return 0;
  return mVertical ? local.v - f.top : local.h - f.left;
}

std::int32_t CKXTextColmView::AcrossOf(SPoint32 local) const {
  RectL f;
  if (!CalcLocalFrameRect(f)) return 0;
  return mVertical ? f.right - 1 - local.h : local.v - f.top;
}

bool CKXTextColmView::Hit(const Rect& r, SPoint32 p) const {
  return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom;
}

void CKXTextColmView::ClearHits() {
  for (Rect& r : mIndentRect) r = Rect{0, 0, 0, 0};
  for (Rect& r : mTabRect) r = Rect{0, 0, 0, 0};
  for (Rect& r : mMarginRect) r = Rect{0, 0, 0, 0};
}

void CKXTextColmView::FixGage() {
  const std::int32_t w = Along();
  const std::int32_t g0 = GageTop();
  mUnitRect = GageRect(w - mRightReserve + 2, g0 + 1, w - mRightReserve + 15, g0 + 14);
  mLineRect = mLeftInset >= 19 ? GageRect(5, g0 + 1, 18, g0 + 14) : Rect{0, 0, 0, 0};
  mStripRect = GageRect(mLeftInset - 1, g0, w - mRightReserve, g0 + kKxGageDepth);
  // The format bar's controls; while it is hidden they take no clicks.
  FixFormRects();
  ClearHits();
}

void CKXTextColmView::ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) {
  LView::ResizeFrameBy(dw, dh, refresh);
  FixGage();
}

void CKXTextColmView::AdaptToSuperFrameSize(std::int32_t dw, std::int32_t dh, bool refresh) {
  if (mHidden != mLaidOutHidden) {
    // Out of the window (or back) by the ruler's own depth.
    mLaidOutHidden = mHidden;
    const std::int32_t sign = mHidden ? -1 : 1;
    const std::int32_t depth = GetGageHeight();
    if (mVertical)
      MoveBy(-sign * (depth + 15), 0, false);
    else
      MoveBy(0, sign * depth, false);
  }
  LView::AdaptToSuperFrameSize(dw, dh, false);
  FixGage();
  if (refresh) Refresh();
}

std::int16_t CKXTextColmView::ShownScale() const {
  CKXTextEngine* engine = GetEngine();
  return engine ? KXTE_GetShownScale(engine->GetEdit()) : mScale;
}

std::int32_t CKXTextColmView::Scroll() const {
  CKXTextEngine* engine = GetEngine();
  if (!engine) return 0;
  SPoint32 topLeft;
  SDimension32 size;
  engine->GetViewRect(topLeft, size);
  return mVertical ? topLeft.v : topLeft.h;
}

KxGageMap CKXTextColmView::MapFor(std::int32_t origin) const {
  KxGageMap map;
  map.start = mLeftInset - 1;
  map.origin = origin;
  map.scroll = Scroll();
  map.scale = ShownScale();
  return map;
}

void CKXTextColmView::FixView() {
  CKXTextEngine* engine = GetEngine();
  if (!engine) return;
  const KXEditHandle e = engine->GetEdit();
  const std::int16_t scale = ShownScale();
  SPoint32 topLeft;
  SDimension32 size;
  engine->GetDestRect(topLeft, size);
  mOrigin = KxScaleLong(mVertical ? topLeft.v : topLeft.h, scale, true);
  mLength = KxScaleLong(mVertical ? size.height : size.width, scale, true);
  Rect m{0, 0, 0, 0}, hard{0, 0, 0, 0};
  KXTE_GetPageMargin(e, m);
  KXTE_GetHardMargin(e, hard);
  const PointL paper = KXTE_GetPaperSize(e);
  short columns = 1, gap = 0;
  KXTE_GetPageColumn(e, columns, gap);
  columns = std::max<short>(1, columns);
  // Along the ruler: left and right margins, or top and bottom turned.
  const std::int32_t paperLength = mVertical ? paper.v : paper.h;
  const std::int32_t near = mVertical ? m.top : m.left;
  const std::int32_t far = mVertical ? m.bottom : m.right;
  // The hard margins come in the layout's own (turned) frame: its left and
  // right edges are the printed top and bottom in vertical writing.
  const std::int32_t hardNear = hard.left;
  const std::int32_t hardFar = hard.right;
  std::int32_t colWidth = paperLength - near - far;
  if (columns > 1) colWidth = (colWidth - std::int32_t(gap) * (columns - 1)) / columns;
  mColumn = Column{near, std::max<std::int32_t>(1, colWidth), gap, columns};
  auto pos = [](std::int64_t v) { return std::int16_t(std::clamp<std::int64_t>(v, -kMaxPosition, kMaxPosition)); };
  if (KXTE_GetPaperView(e)) {
    mMarginPos[0] = pos(std::int64_t(paperLength) - far);
    mMarginPos[1] = pos(std::int64_t(near) - 1);
    mMarginShown[0] = mMarginShown[1] = true;
    mMarginIn[0] = mMarginIn[1] = pos(mColumn.width / 4);
    mMarginOut[0] = pos(std::max<std::int64_t>(0, std::int64_t(far) - hardFar - 1));
    mMarginOut[1] = pos(std::max<std::int64_t>(0, std::int64_t(near) - hardNear - 1));
  } else {
    mMarginPos[0] = pos(mLength);
    mMarginShown[0] = KXTE_GetLineTurn(e) != 0;
    mMarginShown[1] = false;
    mMarginPos[1] = 0;
    mMarginIn[0] = pos(mLength / 2);
    mMarginOut[0] = pos(kMaxPosition - std::int64_t(mLength));
    mMarginIn[1] = mMarginOut[1] = 0;
  }
  mReadOnly = !engine->IsEditable();
}

void CKXTextColmView::FixForm(bool redraw) {
  CKXTextEngine* engine = GetEngine();
  if (!engine) return;
  SStyl styl{};
  engine->GetCurStyl(styl);
  SParaStyl para{};
  engine->GetCurParaStyl(para);
  // A style from anywhere may claim more tabs than there are slots.
  para.tabCount = std::uint8_t(std::min<int>(para.tabCount, kKxGageTabs));
  SKXFormStyl form{};
  engine->GetFormStyl(form);
  // A form with its own font lays every run out in it: the bar shows what
  // the text shows.
  if (form.fixedFont) {
    styl.font = form.font;
    if (form.size != 0) styl.size = form.size;
  }
  const bool flags[2] = {form.fixedLine != 0, form.fixedChar != 0};
  // The bar shows the form's name and pitches too: another form is a change.
  const bool changed = std::memcmp(&styl, &mStyl, sizeof styl) != 0 ||
                       std::memcmp(&para, &mPara, sizeof para) != 0 || flags[0] != mFormFlags[0] ||
                       flags[1] != mFormFlags[1] || form.formID != mFormID;
  mStyl = styl;
  mPara = para;
  mFormFlags[0] = flags[0];
  mFormFlags[1] = flags[1];
  mFormID = form.formID;
  mReadOnly = !engine->IsEditable();
  if (redraw && changed) {
    UpdateGage();
    UpdateForm(true);
  }
}

void CKXTextColmView::ListenToMessage(MessageT message, void*) {
  switch (message) {
    case kKxMsgViewSettingsChanged:
    case kKxMsgImageSizeChanged:
      if (mBusy) return;
      FixView();
      FixForm(false);
      UpdateGage();
      // A new page form changes what the bar shows too.
      UpdateForm(true);
      break;
    case kKxMsgStyleChanged:
    case kKxMsgSelectionChanged:
    case kKxMsgTextChanged:
      if (mBusy) return;
      FixForm(true);
      break;
    default:
      break;
  }
}

void CKXTextColmView::SetMacroBadge(bool on) {
  if (on == mMacroBadge) return;
  mMacroBadge = on;
  UpdateGage();
}

// ---- Invalidation and drawing ----------------------------------------------------------------------------

void CKXTextColmView::InvalPortRect(const RectL& portRect) {
  // Every area asked for is drawn: later ones join the earlier ones.
  if (!mInvalPending) {
    mInvalRect = portRect;
    mInvalPending = true;
  } else {
    mInvalRect.left = std::min(mInvalRect.left, portRect.left);
    mInvalRect.top = std::min(mInvalRect.top, portRect.top);
    mInvalRect.right = std::max(mInvalRect.right, portRect.right);
    mInvalRect.bottom = std::max(mInvalRect.bottom, portRect.bottom);
  }
  LView::InvalPortRect(portRect);
}

void CKXTextColmView::InvalPortRgn(RgnHandle portRgn) {
  Rect box{0, 0, 0, 0};
  if (portRgn) {
    GetRegionBounds(portRgn, &box);
    InvalPortRect(RectL{box.top, box.left, box.bottom, box.right});
    return;
  }
  LView::InvalPortRgn(portRgn);
}

void CKXTextColmView::Draw(RgnHandle portRgn) {
  StKxKeepFocus keep;
  LView::Draw(portRgn);
}

void CKXTextColmView::DrawSelf() {
  RectL f;
  if (!CalcLocalFrameRect(f)) return;
  // The port's clip is the window's update area, which holds every area
  // invalidated (the pending rectangle among them, whatever moved since):
  // the whole frame is drawn within it.
  mInvalPending = false;
  DrawGage(f);
}

void CKXTextColmView::DrawNow(const RectL* area) {
  StKxKeepFocus keep;
  if (mBusy || mHidden || !IsVisible() || !FocusDraw()) return;
  RectL f;
  if (!CalcLocalFrameRect(f)) return;
  RectL a = f;
  if (area && !KxSectRect(*area, f, a)) return;
  KxClipScope clip(a);
  DrawGage(a);
}

void CKXTextColmView::UpdateGage() {
  // The gauge row only: the format bar keeps its pixels.
  const Rect g = GageRect(0, GageTop(), Along(), GageTop() + kKxGageDepth);
  const RectL area{g.top, g.left, g.bottom, g.right};
  DrawNow(&area);
}

void CKXTextColmView::UpdateForm(bool redraw) {
  if (!redraw || !mFormShown) return;
  const Rect g = GageRect(0, 0, Along(), GageTop());
  const RectL area{g.top, g.left, g.bottom, g.right};
  DrawNow(&area);
}

void CKXTextColmView::ScrollGage(std::int32_t delta) {
  // The scale is placed from the scaled origin at every scroll; moving the
  // old pixels would keep the rounding of the old place, so the strip is
  // drawn again whole (it is one row of ticks).
  if (delta == 0) return;
  const RectL strip{mStripRect.top, mStripRect.left, mStripRect.bottom, mStripRect.right};
  DrawNow(&strip);
}

void CKXTextColmView::UpdateViews() {
  if (!mTextView) return;
  if (LWindow* w = LWindow::FetchWindowOf(this)) {
    if (LPane* info = w->FindPaneByID(kKxInfoViewID)) info->Refresh();
    for (PaneIDT id : {kKxLineViewID, kKxLineView2ID})
      if (LPane* lines = w->FindPaneByID(id)) lines->Refresh();
  }
  if (mDocument) mDocument->SetModified(true);
}

void CKXTextColmView::ActivateSelf() {
  if (IsVisible()) DrawNow(nullptr);
}

void CKXTextColmView::DeactivateSelf() {
  if (IsVisible()) DrawNow(nullptr);
}

void CKXTextColmView::DrawGageFrame(bool active) {
  RectL f;
  if (!CalcLocalFrameRect(f)) return;
  Rect whole;
  KxSetRect(whole, f);
  PenNormal();
  RGBForeColor(&UKXColor::sViewFaceColor);
  PaintRect(&whole);
  // A bevelled box of our own, whatever the desktop's theme.
  RGBColor gray = kFrameGray;
  if (!active) UKXColor::Lighten(gray, kFrameGray);
  RGBForeColor(&gray);
  FrameRect(&whole);
  if (active && whole.right - whole.left > 2 && whole.bottom - whole.top > 2) {
    RGBForeColor(&UKXColor::sWhiteColor);
    MoveTo(whole.left + 1, whole.bottom - 2);
    LineTo(whole.left + 1, whole.top + 1);
    LineTo(whole.right - 2, whole.top + 1);
    RGBForeColor(&UKXColor::sViewShadowColor);
    MoveTo(whole.right - 2, whole.top + 2);
    LineTo(whole.right - 2, whole.bottom - 2);
    LineTo(whole.left + 2, whole.bottom - 2);
  }
  if (mFormShown) {
    // The line between the format bar and the gauge.
    RGBForeColor(&gray);
    MoveAC(0, GageTop());
    LineAC(Along() - 1, GageTop());
  }
}

void CKXTextColmView::DrawIcons(bool active) {
  RGBColor text = UKXColor::sViewTextColor;
  if (!active) UKXColor::Lighten(text, UKXColor::sViewTextColor);
  const std::int32_t g0 = GageTop();
  // The unit icon: a small placard with the pop-up's triangle.
  if (mUnitRect.right > mUnitRect.left) {
    RGBForeColor(&text);
    FrameRect(&mUnitRect);
    const std::int32_t a = Along() - mRightReserve + 5;
    for (int row = 0; row < 4; ++row) {
      MoveAC(a + row, g0 + 5 + row);
      LineAC(a + 6 - row, g0 + 5 + row);
    }
  }
  // The line icon: a framed box with a line across (restarts).
  if (mLineRect.right > mLineRect.left) {
    RGBForeColor(&text);
    FrameRect(&mLineRect);
    MoveAC(8, g0 + 4);
    LineAC(14, g0 + 4);
    MoveAC(8, g0 + 7);
    LineAC(14, g0 + 7);
    MoveAC(8, g0 + 10);
    LineAC(12, g0 + 10);
  }
  RGBForeColor(&UKXColor::sBlackColor);
}

void CKXTextColmView::DrawBadge() {
  Str255 text{};
  GetIndString(text, kKxGageBadgeList, kKxGageBadgeIndex);
  if (text[0] == 0) return;
  TextFont(kBadgeFont);
  TextSize(kBadgeSize);
  TextFace(0);
  KxFontInfo info{};
  GetFontInfo(&info);
  const std::int32_t width = TextWidth(text + 1, 0, text[0]);
  const std::int32_t g0 = GageTop();
  const std::int32_t mid = (mLeftInset - 1 + Along() - mRightReserve) / 2;
  Rect box = GageRect(mid - width / 2 - 3, g0 + 1, mid + width / 2 + 4, g0 + 15);
  RGBForeColor(&UKXColor::sSilverGrayColor);
  PaintRect(&box);
  RGBForeColor(&UKXColor::sBlackColor);
  FrameRect(&box);
  if (mVertical) {
    KxDrawVerticalText(box.left + 1, box.top + 3, info.ascent, box.right - box.left - 2,
                       reinterpret_cast<const char*>(text + 1), text[0]);
  } else {
    MoveTo(box.left + 3, box.top + 1 + info.ascent);
    DrawText(text + 1, 0, text[0]);
  }
}

void CKXTextColmView::DrawGage(const RectL& clip) {
  const bool active = IsActive();
  DrawGageFrame(active);
  DrawIcons(active);
  DrawForm(active);
  ClearHits();
  const std::int16_t scale = ShownScale();
  CKXTextEngine* engine = GetEngine();
  const bool paper = engine && KXTE_GetPaperView(engine->GetEdit());
  {
    // The scale stays within its strip.
    RectL strip{mStripRect.top, mStripRect.left, mStripRect.bottom, mStripRect.right};
    RectL inside;
    if (KxSectRect(strip, clip, inside)) {
      KxClipScope scope(inside);
      if (paper && IndentMarksShown() && mColumn.count > 1) {
        std::int64_t origin = std::int64_t(mOrigin) + mColumn.left;
        for (int k = 0; k < mColumn.count; ++k) {
          DrawGageType(std::int32_t(origin), mColumn.width, inside, scale, k);
          origin += std::int64_t(mColumn.width) + mColumn.gap;
        }
      } else if (paper && IndentMarksShown()) {
        DrawGageType(mOrigin + mColumn.left, mColumn.width, inside, scale, 0);
      } else {
        DrawGageType(mOrigin, mLength, inside, scale, 0);
      }
    }
  }
  // The badge shows while a macro records (the text view redraws the
  // ruler when recording starts or stops).
  if (mMacroBadge || CKXMacroRecorder::Get().IsRecording()) DrawBadge();
  PenNormal();
  RGBForeColor(&UKXColor::sBlackColor);
}

void CKXTextColmView::DrawGageType(std::int32_t origin, std::int32_t length, const RectL& clip, std::int16_t scale,
                                   int column) {
  const KxGageScale s = KxGageScaleOf(mGageType, mCharUnit, 0);
  KxGageMap map = MapFor(origin);
  map.scale = scale;
  const std::int32_t clipFrom = mVertical ? clip.top : clip.left;
  const std::int32_t clipTo = mVertical ? clip.bottom : clip.right;
  RectL f;
  if (!CalcLocalFrameRect(f)) return;
  const std::int32_t base = mVertical ? f.top : f.left;
  const std::int32_t endAt = map.At(std::int64_t(length) * 100);
  const bool active = IsActive();
  RGBColor text = UKXColor::sViewTextColor;
  if (!active) UKXColor::Lighten(text, UKXColor::sViewTextColor);
  if (column > 0) UKXColor::Lightness(text, UKXColor::sViewTextColor, kOtherColumnLightness);
  const std::int32_t baseline = GageTop() + kKxGageDepth - 1;
  TextFont(kLabelFont);
  TextSize(kLabelSize);
  TextFace(0);
  KxFontInfo info{};
  GetFontInfo(&info);
  PenNormal();
  for (const KxGageTick& t : KxGageTicks(s, map, length, clipFrom - base, clipTo - base)) {
    RGBForeColor(&text);
    MoveAC(t.at, baseline);
    LineAC(t.at, baseline - (t.length - 1));
    if (active && UKXColor::sAppearanceTheme == 0) {
      RGBForeColor(&UKXColor::sViewLightColor);
      MoveAC(t.at + 1, baseline);
      LineAC(t.at + 1, baseline - (t.length - 1));
    }
    if (t.label < 0) continue;
    char digits[16];
    const short n = KxNumString(digits, sizeof digits, t.label, false);
    RGBForeColor(&text);
    if (mVertical) {
      const std::int32_t height = std::int32_t(n) * (info.ascent + info.descent);
      if (t.at + 4 + height > endAt || t.at + 4 + height < clipFrom - base) continue;
      const Rect spot = GageRect(t.at + 4, baseline - 3 - info.ascent - info.descent, t.at + 4 + height, baseline - 3);
      KxDrawVerticalText(spot.left, spot.top, info.ascent, spot.right - spot.left, digits, n);
    } else {
      const std::int32_t width = TextWidth(digits, 0, n);
      if (t.at + 4 + width > endAt || t.at + 4 + width < clipFrom - base) continue;
      MoveAC(t.at + 4, baseline - 4);
      DrawText(digits, 0, n);
    }
  }
  DrawMarks(map, length, column == 0, column > 0, clip);
}

void CKXTextColmView::DrawMarks(const KxGageMap& map, std::int32_t length, bool record, bool light, const RectL&) {
  const bool active = IsActive();
  RGBColor ink = UKXColor::sBlackColor;
  if (light) UKXColor::Lightness(ink, UKXColor::sBlackColor, kOtherColumnLightness);
  if (!active) UKXColor::Lighten(ink, ink);
  const std::int32_t cb = GageTop() + kKxGageDepth - 1;   // the baseline, next to the text
  PenNormal();
  // Offsets (along, inward from the baseline).
  auto line = [&](std::int32_t a, std::int32_t a1, std::int32_t d1, std::int32_t a2, std::int32_t d2) {
    MoveAC(a + a1, cb - d1);
    LineAC(a + a2, cb - d2);
  };
  auto bevel = [&](std::int32_t a, std::int32_t from, std::int32_t to) {
    if (!active || light) return;
    RGBForeColor(&UKXColor::sViewLightColor);
    line(a, -1, from, -1, to);
    RGBForeColor(&ink);
  };
  RGBForeColor(&ink);
  if (IndentMarksShown()) {
    const std::int32_t first = map.At(std::int64_t(mPara.firstIndent) * 100);
    const std::int32_t left = map.At(std::int64_t(mPara.leftIndent) * 100);
    const std::int32_t right = map.At((std::int64_t(length) - mPara.rightIndent) * 100);
    // First-line indent: a stem with a knob over its last 5 px.
    line(first, 0, 0, 0, 9);
    for (int d = 5; d <= 9; ++d) line(first, -2, d, 2, d);
    bevel(first, 0, 9);
    // Left and right indents: a stem on a filled triangle at the baseline.
    for (std::int32_t a : {left, right}) {
      line(a, 0, 0, 0, 9);
      line(a, -1, 1, 1, 1);
      line(a, -2, 2, 2, 2);
      line(a, -3, 3, 3, 3);
      bevel(a, 3, 9);
    }
    const int tabs = std::min<int>(mPara.tabCount, kKxGageTabs);
    for (int n = 1; n <= tabs; ++n) {
      const std::int16_t pos = mPara.tabPos[n - 1];
      if (pos < 1) continue;
      const std::int32_t a = map.At(std::int64_t(pos) * 100);
      const unsigned kind = (mPara.tabKinds >> (2 * n - 2)) & 3;
      line(a, 0, 0, -4, 4);
      line(a, -4, 4, 4, 4);
      line(a, 4, 4, 0, 0);
      switch (kind) {
        case 0:
          line(a, 0, 1, -3, 4);
          break;
        case 1:
          line(a, -3, 3, 3, 3);
          break;
        case 2:
          line(a, 0, 1, 3, 4);
          break;
        default:
          line(a, 0, 1, 0, 2);
          break;
      }
      if (record) mTabRect[n - 1] = GageRect(a - 4, cb - 15, a + 5, cb + 1);
    }
    if (record) {
      mIndentRect[0] = GageRect(first - 4, cb - 15, first + 5, cb + 3);
      // A left indent at the first-line indent takes only the clicks near
      // the baseline; the first-line mark takes those above.
      const bool close = std::abs(left - first) <= 3;
      const std::int32_t reach = close ? (mVertical ? 6 : 4) : 16;
      mIndentRect[1] = GageRect(left - 4, cb - reach + 1, left + 5, cb + 3);
      mIndentRect[2] = GageRect(right - 4, cb - 15, right + 5, cb + 3);
    }
  } else {
    for (int k = 0; k < 2; ++k) {
      if (!mMarginShown[k]) continue;
      const std::int32_t a = map.At(std::int64_t(mMarginPos[k]) * 100);
      // A margin mark: a bracket facing the text it bounds.
      const std::int32_t toward = k == 0 ? -3 : 3;
      line(a, 0, 0, 0, 10);
      line(a, 0, 10, toward, 10);
      line(a, 0, 0, toward, 0);
      bevel(a, 1, 9);
      if (record) mMarginRect[k] = GageRect(a - 5, cb - 15, a + 6, cb + 1);
    }
  }
}

// ---- The document window's gages ---------------------------------------------------------------------

CKXTextColmView* KxAddTextRuler(KxTextPanes& panes, bool vertical) {
  if (!panes.window || !panes.scroller[0] || !panes.view[0]) return nullptr;
  CKXTextScroller& s = *panes.scroller[0];
  const std::int32_t depth = kKxGageDepth;
  auto* ruler = new CKXTextColmView;
  ruler->SetPaneID(kKxColmViewID);
  ruler->SetVertical(vertical);
  auto* lines = dynamic_cast<CKXTextLineView*>(panes.window->FindPaneByID(kKxLineViewID));
  SBooleanRect bind;
  if (!vertical) {
    // Across the top of the window, the margin's corner included.
    SDimension32 size;
    panes.window->GetFrameSize(size);
    const RectL f = s.CalcPortFrameRect();
    ruler->PutInside(panes.window, 0, f.top);
    ruler->ResizeFrameTo(size.width, depth, false);
    bind.left = bind.top = bind.right = true;
    s.MoveBy(0, depth, false);
    s.ResizeFrameBy(0, -depth, false);
    if (lines) {
      lines->MoveBy(0, depth, false);
      lines->ResizeFrameBy(0, -depth, false);
    }
    ruler->SetLeftIndent(short(lines && lines->IsVisible() ? kLineInset : 0));
  } else {
    // Between the text and its right edge, along the whole height.
    const RectL v = panes.view[0]->CalcPortFrameRect();
    panes.view[0]->ResizeFrameBy(-depth, 0, false);
    if (LScrollBar* hbar = s.GetHScrollBar()) hbar->ResizeFrameBy(-depth, 0, false);
    ruler->PutInside(panes.window, v.right - depth, v.top);
    ruler->ResizeFrameTo(depth, v.bottom - v.top + 1, false);
    bind.top = bind.right = bind.bottom = true;
    ruler->SetLeftIndent(0);
  }
  ruler->SetFrameBinding(bind);
  ruler->FinishCreate();
  ruler->SetTextView(panes.view[0]);
  panes.view[0]->SetColmView(ruler);
  KxLinkTextGages(panes);
  panes.window->Refresh();
  return ruler;
}

void KxLinkTextGages(KxTextPanes& panes) {
  if (!panes.window) return;
  LPane* ruler = panes.window->FindPaneByID(kKxColmViewID);
  LPane* info = panes.window->FindPaneByID(kKxInfoViewID);
  const PaneIDT lineIDs[2] = {kKxLineViewID, kKxLineView2ID};
  for (int k = 0; k < 2; ++k) {
    CKXTextScroller* s = panes.scroller[k];
    LPane* lines = panes.window->FindPaneByID(lineIDs[k]);
    if (auto* margin = dynamic_cast<CKXTextLineView*>(lines); margin && k == 0) margin->SetTextColmView(ruler);
    if (!s) continue;
    if (k == 0) s->SetTextColmView(ruler);
    s->SetTextLineView(lines);
    if (k == 0) s->SetTextInfoView(info);
  }
}

void KxRelayoutTextWindow(KxTextPanes& panes, bool refresh) {
  if (!panes.window) return;
  // Each pane compares what should show with what it laid out last and
  // moves itself; nothing else changes size.
  const std::vector<LPane*> subs = panes.window->GetSubPanes();
  for (LPane* p : subs) p->AdaptToSuperFrameSize(0, 0, false);
  for (CKXTextView* v : panes.view)
    if (v) v->FixImage();
  if (refresh) panes.window->Refresh();
}

void KxSwitchFormBar(KxTextPanes& panes, bool show, bool redraw) {
  auto* ruler = panes.window ? dynamic_cast<CKXTextColmView*>(panes.window->FindPaneByID(kKxColmViewID)) : nullptr;
  if (!ruler || ruler->GetFormShown() == show) return;
  const bool wasHidden = ruler->GetInvisible();
  // Hidden while its depth changes: the panes beside it give the old depth
  // back, and take the new one when it shows again.
  if (!wasHidden) {
    ruler->SetInvisible(true);
    KxRelayoutTextWindow(panes, false);
  }
  const std::int32_t before = ruler->GetGageHeight();
  ruler->SetFormShown(show);
  const std::int32_t change = ruler->GetGageHeight() - before;
  if (ruler->IsVertical()) {
    ruler->ResizeFrameBy(change, 0, false);
  } else {
    ruler->MoveBy(0, -change, false);
    ruler->ResizeFrameBy(0, change, false);
  }
  if (!wasHidden) {
    ruler->SetInvisible(false);
    KxRelayoutTextWindow(panes, redraw);
  }
}
