// The paragraph dialog (layout 2650) of a text document: indents in the
// user's measuring unit, justification, line and character spacing, applied
// to the paragraphs of the selection as one undoable edit.
#include "document/text_doc_para.h"

#include <algorithm>

#include "app/globals.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "layout/text_form_util.h"
#include "platform/framework/control.h"
#include "platform/framework/window.h"
#include "platform/resources.h"
#include "text/runs/runs.h"
#include "views/edit_field.h"
#include "views/text_view.h"

namespace {

constexpr ResIDT kParaDialog = 2650;
constexpr PaneIDT kParaOK = 2651, kParaCancel = 2652;
constexpr PaneIDT kLeftField = 2653, kFirstField = 2654, kRightField = 2655;
constexpr PaneIDT kFirstUnitLabel = 2656, kLastUnitLabel = 2658;
constexpr PaneIDT kJustifyPopup = 2659, kLineSpaceField = 2660, kCharSpaceField = 2661;
constexpr std::int32_t kMaxSpacing = 100;
constexpr short kUnitLabels = 201, kInchLabel = 6, kPointLabel = 7;
constexpr short kParaMask = kKXParaTypeIndent | kKXParaTypeLineSpace | kKXParaTypeCharSpace | kKXParaTypeJustify;

bool Millimetres(short unit) { return unit == 0 || unit == 3; }

// Takes up to half of `excess` from `a` (the larger half) and the rest from
// `b`; what one cannot give, the other gives.
void Shrink(std::int32_t& a, std::int32_t& b, std::int32_t excess) {
  if (excess <= 0) return;
  std::int32_t fromA = excess - excess / 2, fromB = excess / 2;
  if (fromA > a) {
    fromB += fromA - a;
    fromA = a;
  }
  if (fromB > b) {
    fromA = std::min(a, fromA + fromB - b);
    fromB = b;
  }
  a -= fromA;
  b -= fromB;
}

KXEditField* Field(LWindow* dialog, PaneIDT id) { return dynamic_cast<KXEditField*>(dialog->FindPaneByID(id)); }

short Unit() { return gPreference.measureUnit; }

// The unit labels: the layout's own (millimetres) for unit 0.
void SetUnitLabels(LWindow* dialog, PaneIDT first, PaneIDT last) {
  const short unit = Unit();
  if (unit <= 0) return;
  Str255 label;
  GetIndString(label, kUnitLabels, unit == 1 ? kInchLabel : kPointLabel);
  for (PaneIDT id = first; id <= last; ++id)
    if (LPane* p = dialog->FindPaneByID(id)) p->SetDescriptor(label);
}

void SetNumber(LWindow* dialog, PaneIDT id, std::int32_t value) {
  if (KXEditField* f = Field(dialog, id)) f->SetValue100(value * 100);
}
std::int32_t Number(LWindow* dialog, PaneIDT id) {
  const KXEditField* f = Field(dialog, id);
  return f ? f->GetValue100() / 100 : 0;
}

// The line the indents share: the page's width, its height in vertical
// writing.
std::int32_t LineLength(const CKXTextEngine& engine) {
  const KXEditHandle edit = engine.GetEdit();
  const PointL page = KXTE_GetPageSize(edit);
  return KXTE_GetVertical(edit) ? page.v : page.h;
}

bool ParaDialogMessage(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  if (message == -kParaCancel) {
    doc.CloseDocDialog(dialog);
    return true;
  }
  if (message != -kParaOK) return true;   // the fields' own messages
  CKXTextEngine& engine = *doc.GetEngine();
  SParaStyl now{};
  engine.GetCurParaStyl(now);
  SParaStyl para = now;
  const short unit = Unit();
  KxIndents in;
  if (KXEditField* f = Field(dialog, kLeftField)) in.left = KxUnitFieldPoints(*f, unit);
  if (KXEditField* f = Field(dialog, kFirstField)) in.first = KxUnitFieldPoints(*f, unit);
  if (KXEditField* f = Field(dialog, kRightField)) in.right = KxUnitFieldPoints(*f, unit);
  const KxIndents fit = KxFitIndents(in, LineLength(engine));
  para.firstIndent = std::int16_t(fit.first);
  para.leftIndent = std::int16_t(fit.left);
  para.rightIndent = std::int16_t(fit.right);
  if (auto* popup = dynamic_cast<LControl*>(dialog->FindPaneByID(kJustifyPopup)))
    para.justify = std::uint8_t(std::clamp<std::int32_t>(popup->GetValue() - 1, 0, 3));
  para.lineSpace = std::int16_t(std::clamp(Number(dialog, kLineSpaceField), -kMaxSpacing, kMaxSpacing));
  para.charSpace = std::int16_t(std::clamp(Number(dialog, kCharSpaceField), -kMaxSpacing, kMaxSpacing));
  doc.CloseDocDialog(dialog);
  if (para.firstIndent == now.firstIndent && para.leftIndent == now.leftIndent &&
      para.rightIndent == now.rightIndent && para.justify == now.justify && para.lineSpace == now.lineSpace &&
      para.charSpace == now.charSpace)
    return true;
  if (CKXTextView* view = doc.CurrentTextView()) {
    if (LWindow* w = LWindow::FetchWindowOf(view)) w->UpdatePort();
    view->Refresh();
  }
  engine.DoParaStyl(para, kParaMask);
  return true;
}

}  // namespace

KxIndents KxFitIndents(KxIndents in, std::int32_t line) {
  KxIndents out;
  if (line < kKxMinLineLeft) return out;   // no room for any indent
  auto sane = [line](std::int32_t v) { return v < 0 || v > line ? 0 : v; };
  out.first = sane(in.first);
  out.left = sane(in.left);
  out.right = sane(in.right);
  Shrink(out.left, out.right, out.left + out.right + kKxMinLineLeft - line);
  Shrink(out.first, out.right, out.first + out.right + kKxMinLineLeft - line);
  return out;
}

void KxSetUnitField(KXEditField& field, std::int32_t points, short unit) {
  const long value = CKXTextFormUtil::PointsToUnit(points, unit);
  // Millimetres come in tenths, inches and points in hundredths.
  field.SetValue100(std::int32_t(Millimetres(unit) ? value * 10 : value));
}

std::int32_t KxUnitFieldPoints(const KXEditField& field, short unit, bool positive) {
  std::int32_t value = field.GetValue100();
  if (Millimetres(unit)) value /= 10;
  if (positive && value < 0) value = 0;
  return std::int32_t(CKXTextFormUtil::UnitToPoints(value, unit));
}

void CKXTextDocument::OpenParagraphDialog(short field) {
  if (FindDocDialog(kParaDialog)) return;
  LWindow* dialog = OpenDocDialog(kParaDialog, &ParaDialogMessage);
  if (!dialog) return;
  SParaStyl para{};
  mEngine->GetCurParaStyl(para);
  const short unit = Unit();
  if (KXEditField* f = Field(dialog, kLeftField)) KxSetUnitField(*f, para.leftIndent, unit);
  if (KXEditField* f = Field(dialog, kFirstField)) KxSetUnitField(*f, para.firstIndent, unit);
  if (KXEditField* f = Field(dialog, kRightField)) KxSetUnitField(*f, para.rightIndent, unit);
  SetUnitLabels(dialog, kFirstUnitLabel, kLastUnitLabel);
  if (auto* popup = dynamic_cast<LControl*>(dialog->FindPaneByID(kJustifyPopup))) {
    popup->StopBroadcasting();
    popup->SetValue(std::min<std::int32_t>(para.justify, 3) + 1);
    popup->StartBroadcasting();
  }
  SetNumber(dialog, kLineSpaceField, para.lineSpace);
  SetNumber(dialog, kCharSpaceField, para.charSpace);
  // The ruler asks for the field the user clicked.
  PaneIDT focus = kLeftField;
  switch (field) {
    case 2: focus = kFirstField; break;
    case 3: focus = kRightField; break;
    case 5: focus = kLineSpaceField; break;
    case 6: focus = kCharSpaceField; break;
    default: break;
  }
  if (KXEditField* f = Field(dialog, focus)) {
    f->SelectAll();
    LCommander::SwitchTarget(f);
  }
}
