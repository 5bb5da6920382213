// The custom page-form dialog's rules: paper, margins, columns, indents
// and fixed pitches kept usable, the per-page counts, which controls are
// enabled, and the form menu's load, save and factory-settings actions.
#include "layout/text_form_util.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/host/host.h"
#include "text/base/geometry.h"

namespace {

// Guide-style menu item that means "no guide".
constexpr long kNoGuideItem = 1;

// Labels beside the controls, enabled and disabled with them.
constexpr short kPaperLabelsFirst = 51, kPaperLabelsLast = 62;
constexpr short kIndentLabelsFirst = 63, kIndentLabelsLast = 66;
constexpr short kLinePitchLabels[] = {67, 68};
constexpr short kCharPitchLabels[] = {69, 70};
constexpr short kFontLabelsFirst = 71, kFontLabelsLast = 73;

// Menu items 1 and 2: no form, and the document's own setup.
constexpr short kItemNoForm = 1;
constexpr short kItemDocument = 2;

}  // namespace

CKXTextFormUtil::CKXTextFormUtil(short unit) : mUnit(unit) {}

long CKXTextFormUtil::UnitToPoints(long value, short unit) {
  return (long(KxUnitLToPointsL(std::int32_t(std::clamp(value, -long(kKxMaxPointsL), long(kKxMaxPointsL))), unit)) +
          5) /
         10;
}

long CKXTextFormUtil::PointsToUnit(long points, short unit) {
  const long tenths = std::clamp(points * 10, -long(kKxMaxPointsL), long(kKxMaxPointsL));
  return KxAdjustUnitL(KxPointsLToUnitL(std::int32_t(tenths), unit), unit);
}

bool CKXTextFormUtil::FitPitches(SKXFormStyl& f) {
  const PointL paper = KxFormEffectivePaper(f);
  long height = long(paper.v) - f.marginTop - f.marginBottom;
  long width = long(paper.h) - f.marginLeft - f.marginRight;
  if (f.vertical) std::swap(height, width);
  if (f.fixedLine && f.centerGap > 0) height -= f.centerGap;
  const long columns = std::clamp<long>(f.columns, 1, kKxMaxColumns);
  width = (width - std::max<long>(0, f.columnGap) * (columns - 1)) / columns;
  bool fitted = true;
  // A pitch beyond its room puts each line or character on a page of its
  // own, outside the text area: every page would come out blank.
  auto fit = [&](std::uint8_t on, std::int16_t& pitch, long room) {
    room = std::clamp(room, 1L, 32767L);
    if (on && pitch > room) {
      pitch = std::int16_t(room);
      fitted = false;
    }
  };
  fit(f.fixedLine, f.linePitch, height);
  fit(f.fixedChar, f.charPitch, width);
  return fitted;
}

long CKXTextFormUtil::ToPoints(long value) const { return UnitToPoints(value, mUnit); }
long CKXTextFormUtil::FromPoints(long points) const { return PointsToUnit(points, mUnit); }

bool CKXTextFormUtil::DiffersFromBuiltin(const SKXFormStyl& f) const {
  return f.formID >= 0 && f.formID < kKxBuiltinForms && !(f == UKXTextForm::GetDefaultForm(f.formID));
}

// ---- opening and closing -------------------------------------------------------------------------

void CKXTextFormUtil::OpenCustomForm() {
  mBusy = 1;
  UpdateFormPopup();
  CustomFormSetItems();
  SetValueControl(kFormMenu, UKXTextForm::FindFormItem(mForm.formID));
  mBusy = 0;
}

void CKXTextFormUtil::CloseCustomForm(std::uint8_t /*apply*/) {
  CustomFormGetItems();
  if (mForm.formID == 1) return;
  SKXFormStyl stored;
  if (!UKXTextForm::GetFormStyl(UKXTextForm::FindFormItem(mForm.formID), stored)) return;
  if (mChanged && !(stored == mForm)) {
    // Unsaved changes apply to this document only.
    mForm.formID = 1;
    return;
  }
  mForm = stored;
}

// ---- the rules -------------------------------------------------------------------------------------

long CKXTextFormUtil::GetPageHeight(bool grid) {
  long h = On(kVertical) ? Points(kPaperWidth) - Points(kMarginLeft) - Points(kMarginRight)
                         : Points(kPaperHeight) - Points(kMarginTop) - Points(kMarginBottom);
  if (grid && On(kCenterGapOn) && On(kFixedLineOn)) h -= Points(kCenterGap);
  return h;
}

long CKXTextFormUtil::GetPageWidth(bool grid) {
  long w = On(kVertical) ? Points(kPaperHeight) - Points(kMarginTop) - Points(kMarginBottom)
                         : Points(kPaperWidth) - Points(kMarginLeft) - Points(kMarginRight);
  if (grid) {
    const long columns = std::max(1L, GetValueControl(kColumns));
    w = (w - Points(kColumnGap) * (columns - 1)) / columns;
  }
  return w;
}

void CKXTextFormUtil::CheckPaperSize(short control) {
  const long v = Points(control);
  if (v > kMaxPaperSide) SetPoints(control, kMaxPaperSide);
  else if (v < 1) SetPoints(control, 1);
}

void CKXTextFormUtil::HoldPaperToMargins() {
  // Only a paper of the form's own size is typed; the standard ones hold
  // their margins (CheckMargin gives way on them).
  if (!On(kOwnPaper) || GetValueControl(kPaperKind) - 1 < kKxPaperOther) return;
  const bool vertical = On(kVertical);
  const long gap = On(kCenterGapOn) && On(kFixedLineOn) ? std::max(0L, Points(kCenterGap)) : 0;
  bool refused = false;
  auto hold = [&](short side, short first, short second, bool gapHere) {
    const long least = std::min(kMaxPaperSide, std::max(0L, Points(first)) + std::max(0L, Points(second)) +
                                                   (gapHere ? gap : 0) + kMinUsable);
    if (Points(side) >= least) return;
    // The unit's step may show a little less than was set.
    for (long p = least; p <= least + 10 && Points(side) < least; ++p) SetPoints(side, p);
    refused = true;
  };
  hold(kPaperHeight, kMarginTop, kMarginBottom, !vertical);
  hold(kPaperWidth, kMarginLeft, kMarginRight, vertical);
  if (refused) KxCurrentHost().Beep();
}

void CKXTextFormUtil::CheckMargin(short which) {
  const bool vertical = On(kVertical);
  const bool gapOn = On(kCenterGapOn) && On(kFixedLineOn);
  const long gap0 = gapOn ? Points(kCenterGap) : 0;
  long gap = gap0;
  long m[5] = {0, Points(kMarginTop), Points(kMarginBottom), Points(kMarginLeft), Points(kMarginRight)};
  const long old[5] = {0, m[1], m[2], m[3], m[4]};
  // What a margin cannot give passes to the other of its pair.
  auto take = [](long& margin, long amount) {
    const long t = std::clamp(amount, 0L, std::max(0L, margin));
    margin -= t;
    return amount - t;
  };
  auto settle = [&](long extent, short first, short second, bool gapHere) {
    long d = kMinUsable - (extent - m[first] - m[second] - (gapHere ? gap : 0));
    if (d <= 0) return;
    if (gapHere && which >= kGap) {
      const long g = std::min(d, gap);
      gap -= g;
      d -= g;
    }
    if (which == first) {
      take(m[second], take(m[first], d));
    } else if (which == second) {
      take(m[first], take(m[second], d));
    } else {
      const long half = (d + 1) / 2;
      const long rest = d - half + take(m[first], half);
      take(m[first], take(m[second], rest));
    }
  };
  settle(Points(kPaperHeight), kTop, kBottom, !vertical);
  settle(Points(kPaperWidth), kLeft, kRight, vertical);
  static constexpr short kIds[5] = {0, kMarginTop, kMarginBottom, kMarginLeft, kMarginRight};
  for (int k = 1; k <= 4; ++k)
    if (m[k] != old[k]) SetPoints(kIds[k], m[k]);
  if (gap != gap0) SetPoints(kCenterGap, gap);
}

void CKXTextFormUtil::CheckColumn() {
  const long given = GetValueControl(kColumns);
  long columns = std::clamp(given, 1L, long(kKxMaxColumns));
  const long givenGap = Points(kColumnGap);
  long gap = std::max(0L, givenGap);
  if (columns > 1 && gap == 0) gap = kDefaultColumnGap;
  const long width = GetPageWidth(false);
  if (columns > 1 && (width - gap * (columns - 1)) / columns < kMinUsable) {
    columns = 1;
    gap = 0;
  }
  if (columns != given) SetValueControl(kColumns, columns);
  if (gap != givenGap) SetPoints(kColumnGap, gap);
}

void CKXTextFormUtil::CheckIndent(short which) {
  if (On(kFixedCharOn)) return;
  const long column = GetPageWidth(true);
  long left = Points(kLeftIndent), first = Points(kFirstIndent), right = Points(kRightIndent);
  auto width = [&] { return column - std::max(left, first) - right; };
  if (width() >= kMinUsable) return;
  long* edited = which == kIndentLeft ? &left : which == kIndentFirst ? &first : which == kIndentRight ? &right : nullptr;
  if (edited) *edited = std::max(0L, *edited - (kMinUsable - width()));
  if (width() < kMinUsable) left = first = right = 0;
  SetPoints(kLeftIndent, left);
  SetPoints(kFirstIndent, first);
  SetPoints(kRightIndent, right);
}

namespace {
void SetCount(CKXTextFormUtil& util, short control, long n) {
  char text[32];
  const int len = std::snprintf(text, sizeof text, "%ld", n);
  unsigned char pstr[33] = {};
  pstr[0] = std::uint8_t(std::clamp(len, 0, 31));
  std::memcpy(pstr + 1, text, pstr[0]);
  util.SetStringControl(control, pstr);
}
}  // namespace

void CKXTextFormUtil::FitPitch(short control, long room) {
  room = std::max(1L, room);
  // The unit's step may show a little more than was set: what the field
  // shows is what the form gets.
  for (long p = room; p >= 1 && Points(control) > room; --p) SetPoints(control, p);
}

void CKXTextFormUtil::CalcFixedLineHeight() {
  if (!On(kFixedLineOn)) return;
  const long height = GetPageHeight(true);
  FitPitch(kLinePitch, height);
  const long pitch = Points(kLinePitch);
  SetCount(*this, kLinesText, pitch > 0 && height > 0 ? height / pitch : 0);
}

void CKXTextFormUtil::CalcFixedCharWidth() {
  if (!On(kFixedCharOn)) return;
  const long width = GetPageWidth(true);
  FitPitch(kCharPitch, width);
  const long pitch = Points(kCharPitch);
  SetCount(*this, kCharsText, pitch > 0 && width > 0 ? width / pitch : 0);
}

void CKXTextFormUtil::CheckPageLayout() {
  const bool paper = On(kOwnPaper), view = On(kOwnView);
  const bool fixedLine = On(kFixedLineOn), fixedChar = On(kFixedCharOn), fixedFont = On(kFixedFontOn);
  auto enable = [&](short first, short last, bool on) {
    for (short id = first; id <= last; ++id) EnableControl(id, on ? 1 : 0, 1);
  };
  enable(kPaperKind, kMarginRight, paper);
  enable(kColumns, kColumnGap, paper);
  enable(kPaperLabelsFirst, kPaperLabelsLast, paper);
  const bool gapOn = paper && view && fixedLine;
  EnableControl(kCenterGapOn, gapOn, 1);
  EnableControl(kCenterGap, gapOn && On(kCenterGapOn), 1);
  const bool indents = paper && !(fixedChar && view);
  enable(kLeftIndent, kRightIndent, indents);
  enable(kIndentLabelsFirst, kIndentLabelsLast, indents);
  enable(kVertical, kFixedLineOn, view);
  EnableControl(kFixedCharOn, view, 1);
  EnableControl(kFixedFontOn, view, 1);
  EnableControl(kLinePitch, view && fixedLine, 1);
  for (short id : kLinePitchLabels) EnableControl(id, view && fixedLine, 1);
  EnableControl(kCharPitch, view && fixedChar, 1);
  for (short id : kCharPitchLabels) EnableControl(id, view && fixedChar, 1);
  enable(kFontMenu, kSizeMenu, view && fixedFont);
  enable(kFontLabelsFirst, kFontLabelsLast, view && fixedFont);
  const bool guide = On(kGuideView);
  EnableControl(kGuideStyle, guide, 1);
  enable(kGuideColor, kGuideFlag2, guide && GetValueControl(kGuideStyle) > kNoGuideItem);
}

// ---- controls and the form ------------------------------------------------------------------------

void CKXTextFormUtil::CustomFormGetItems() {
  HoldPaperToMargins();
  CheckMargin(kNone);
  CheckColumn();
  CheckIndent(kIndentAny);
  if (On(kFixedLineOn)) FitPitch(kLinePitch, GetPageHeight(true));
  if (On(kFixedCharOn)) FitPitch(kCharPitch, GetPageWidth(true));
  SKXFormStyl& f = mForm;
  f.docPaper = On(kOwnPaper) ? 0 : 1;
  f.paperKind = std::int16_t(std::clamp(GetValueControl(kPaperKind) - 1, 0L, long(kKxPaperOther)));
  f.paperHeight = std::int16_t(std::clamp(Points(kPaperHeight), 1L, kKxPaperMax));
  f.paperWidth = std::int16_t(std::clamp(Points(kPaperWidth), 1L, kKxPaperMax));
  f.paperHeightL = f.paperWidthL = 0;
  auto pts = [&](short id) { return std::int16_t(std::clamp(Points(id), -32767L, 32767L)); };
  f.marginTop = pts(kMarginTop), f.marginBottom = pts(kMarginBottom);
  f.marginLeft = pts(kMarginLeft), f.marginRight = pts(kMarginRight);
  f.centerGap = On(kCenterGapOn) ? pts(kCenterGap) : 0;
  f.columns = std::int16_t(std::clamp(GetValueControl(kColumns), 1L, long(kKxMaxColumns)));
  f.columnGap = f.columns > 1 ? pts(kColumnGap) : 0;
  f.leftIndent = pts(kLeftIndent), f.firstIndent = pts(kFirstIndent), f.rightIndent = pts(kRightIndent);
  f.docView = On(kOwnView) ? 0 : 1;
  f.vertical = On(kVertical), f.paperView = On(kPaperView);
  f.fixedLine = On(kFixedLineOn), f.fixedChar = On(kFixedCharOn), f.fixedFont = On(kFixedFontOn);
  f.guideView = On(kGuideView);
  f.linePitch = pts(kLinePitch);
  if (f.linePitch <= 0) f.linePitch = std::int16_t(kDefaultLinePitch);
  f.charPitch = pts(kCharPitch);
  if (f.charPitch <= 0) f.charPitch = std::int16_t(kDefaultCharPitch);
  if (!f.fixedLine || f.docView) f.centerGap = 0;
  if (f.fixedChar && !f.docView) f.leftIndent = f.firstIndent = f.rightIndent = 0;
  f.guideStyle = std::int16_t(std::clamp(GetValueControl(kGuideStyle) - 1, 0L, 10L));
  if (f.guideStyle == 0) {
    f.guideFlag1 = f.guideFlag2 = 0;
    f.guideColor = RGBColor{0, 0, 0};
  } else {
    f.guideFlag1 = On(kGuideFlag1), f.guideFlag2 = On(kGuideFlag2);
    GetColorControl(kGuideColor, f.guideColor);
  }
  if (f.fixedFont) {
    f.font = std::int16_t(std::clamp(GetValueControl(kFontMenu), -32768L, 32767L));
    f.size = std::int16_t(std::clamp(GetValueControl(kFontSize), 0L, 32767L));
  } else {
    f.font = f.size = 0;
  }
}

void CKXTextFormUtil::CustomFormSetItems() {
  const SKXFormStyl f = mForm;
  SetValueControl(kOwnPaper, !f.docPaper);
  SetValueControl(kPaperKind, f.paperKind + 1);
  const PointL paper = KxFormEffectivePaper(f);
  SetPoints(kPaperHeight, paper.v);
  SetPoints(kPaperWidth, paper.h);
  SetStaticControl(kPaperHeight, f.paperKind != kKxPaperOther);
  SetStaticControl(kPaperWidth, f.paperKind != kKxPaperOther);
  SetPoints(kMarginTop, f.marginTop);
  SetPoints(kMarginBottom, f.marginBottom);
  SetPoints(kMarginLeft, f.marginLeft);
  SetPoints(kMarginRight, f.marginRight);
  SetValueControl(kCenterGapOn, f.centerGap > 0);
  SetPoints(kCenterGap, f.centerGap);
  SetValueControl(kColumns, std::max<long>(1, f.columns));
  SetPoints(kColumnGap, f.columnGap);
  SetPoints(kLeftIndent, f.leftIndent);
  SetPoints(kFirstIndent, f.firstIndent);
  SetPoints(kRightIndent, f.rightIndent);
  SetValueControl(kOwnView, !f.docView);
  SetValueControl(kVertical, f.vertical);
  SetValueControl(kPaperView, f.paperView);
  SetValueControl(kFixedLineOn, f.fixedLine);
  SetPoints(kLinePitch, f.linePitch);
  SetValueControl(kFixedCharOn, f.fixedChar);
  SetPoints(kCharPitch, f.charPitch);
  SetValueControl(kGuideView, f.guideView);
  SetValueControl(kGuideStyle, f.guideStyle + 1);
  RGBColor color = f.guideColor;
  SetColorControl(kGuideColor, color);
  SetValueControl(kGuideFlag1, f.guideFlag1);
  SetValueControl(kGuideFlag2, f.guideFlag2);
  SetValueControl(kFixedFontOn, f.fixedFont);
  SetValueControl(kFontMenu, f.font);
  SetValueControl(kFontSize, f.size);
  CalcFixedLineHeight();
  CalcFixedCharWidth();
  CheckPageLayout();
  EnableControl(kSave, 0, 1);
  EnableControl(kFactory, DiffersFromBuiltin(f), 1);
}

void CKXTextFormUtil::LoadItem(short item) {
  if (item == kItemDocument) {
    // The document's own setup is never stored: the controls stay.
    mForm.formID = 1;
    EnableControl(kSave, 0, 1);
    EnableControl(kFactory, 0, 1);
    return;
  }
  SKXFormStyl f;
  if (!UKXTextForm::GetFormStyl(item == kItemNoForm ? kItemNoForm : item, f)) return;
  mForm = f;
  CustomFormSetItems();
}

void CKXTextFormUtil::SaveChangesForm() {
  if (mChanged) {
    CustomFormGetItems();
    if (mForm.formID > 1) {
      if (!UKXTextForm::HasList()) UKXTextForm::MakeDefaultFormArray();
      const short item = UKXTextForm::FindFormItem(mForm.formID);
      SKXFormStyl stored;
      if (item > kItemDocument && (!UKXTextForm::GetFormStyl(item, stored) || !(stored == mForm)))
        UKXTextForm::SetFormStyl(item, mForm);
    }
  }
  EnableControl(kSave, 0, 1);
  EnableControl(kFactory, DiffersFromBuiltin(mForm), 1);
}

void CKXTextFormUtil::FactorySettingForm() {
  if (mForm.formID >= 0 && mForm.formID < kKxBuiltinForms) {
    mForm = UKXTextForm::GetDefaultForm(mForm.formID);
    const short item = UKXTextForm::FindFormItem(mForm.formID);
    if (item > kItemDocument && UKXTextForm::HasList()) UKXTextForm::SetFormStyl(item, mForm);
    UKXTextForm::CheckDeleteFormArray();
    CustomFormSetItems();
  }
  EnableControl(kFactory, 0, 1);
  EnableControl(kSave, 0, 1);
}

// ---- control messages ------------------------------------------------------------------------------

void CKXTextFormUtil::CustomFormCommand(short control) {
  if (mBusy) return;
  mBusy = 1;
  bool changed = true;
  switch (control) {
    case kAddDelete:
      if (DoFormAddDelete()) {
        LoadItem(short(GetValueControl(kFormMenu)));
        changed = false;
      }
      break;
    case kSave:
      SaveChangesForm();
      changed = false;
      break;
    case kFactory:
      FactorySettingForm();
      changed = false;
      break;
    case kFormMenu:
      LoadItem(short(GetValueControl(kFormMenu)));
      changed = false;
      break;
    case kOwnPaper:
    case kOwnView:
    case kCenterGapOn:
    case kGuideView:
    case kGuideStyle:
    case kFixedFontOn:
      CheckPageLayout();
      if (control == kCenterGapOn) {
        CheckMargin(kNone);
        CalcFixedLineHeight();
      }
      break;
    case kPaperKind: {
      const long kind = GetValueControl(kPaperKind) - 1;
      const bool standard = kind >= 0 && kind < kKxPaperOther;
      if (standard) {
        const PointL size = GetFormPaperSize(short(kind));
        SetPoints(kPaperHeight, size.v);
        SetPoints(kPaperWidth, size.h);
      }
      SetStaticControl(kPaperHeight, standard);
      SetStaticControl(kPaperWidth, standard);
      CheckMargin(kNone);
      CheckColumn();
      CheckIndent(kIndentAny);
      CalcFixedLineHeight();
      CalcFixedCharWidth();
      break;
    }
    case kPaperHeight:
    case kPaperWidth:
      CheckPaperSize(control);
      CalcFixedLineHeight();
      CalcFixedCharWidth();
      break;
    case kMarginTop:
    case kMarginBottom:
    case kMarginLeft:
    case kMarginRight:
    case kVertical:
      CheckMargin(control == kVertical ? short(kNone) : short(control - kMarginTop + kTop));
      CheckColumn();
      CheckIndent(kIndentAny);
      CalcFixedLineHeight();
      CalcFixedCharWidth();
      break;
    case kCenterGap:
      CheckMargin(kTop);
      CalcFixedLineHeight();
      break;
    case kColumns:
    case kColumnGap:
      CheckColumn();
      CalcFixedCharWidth();
      break;
    case kLeftIndent:
    case kFirstIndent:
    case kRightIndent:
      CheckIndent(short(control - kLeftIndent + kIndentLeft));
      break;
    case kFixedLineOn:
      if (On(kFixedLineOn) && Points(kLinePitch) == 0) SetPoints(kLinePitch, kDefaultLinePitch);
      CheckPageLayout();
      CalcFixedLineHeight();
      break;
    case kLinePitch:
      CalcFixedLineHeight();
      break;
    case kFixedCharOn:
      if (On(kFixedCharOn) && Points(kCharPitch) == 0) SetPoints(kCharPitch, kDefaultCharPitch);
      CheckPageLayout();
      CalcFixedCharWidth();
      break;
    case kCharPitch:
      CalcFixedCharWidth();
      break;
    case kGuideColor:
      changed = SetGuidelineColor() != 0;
      break;
    case kSizeMenu: {
      const long size = GetValueControl(kSizeMenu);
      if (size >= 1 && size != GetValueControl(kFontSize)) SetValueControl(kFontSize, size);
      break;
    }
    default:
      break;
  }
  if (changed != (mChanged != 0)) mChanged = changed ? 1 : 0;
  const long item = GetValueControl(kFormMenu);
  if (mChanged && item == kItemNoForm) {
    SetValueControl(kFormMenu, kItemDocument);
    mForm.formID = 1;
  } else if (item > kItemDocument) {
    EnableControl(kSave, mChanged, 1);
  }
  mBusy = 0;
}
