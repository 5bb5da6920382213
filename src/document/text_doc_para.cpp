// The paragraph dialog (layout 2650) of a text document: indents in the
// user's measuring unit, justification, line and character spacing, applied
// to the paragraphs of the selection as one undoable edit.
#include "document/text_doc_para.h"

#include <algorithm>

#include "app/globals.h"
#include "document/format_popups.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "layout/text_form_util.h"
#include "platform/framework/control.h"
#include "platform/fonts.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "text/runs/runs.h"
#include "views/controls.h"
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
  // Spacing adds room; a negative one would draw lines and characters over
  // each other.
  para.lineSpace = std::int16_t(std::clamp(Number(dialog, kLineSpaceField), 0, kMaxSpacing));
  para.charSpace = std::int16_t(std::clamp(Number(dialog, kCharSpaceField), 0, kMaxSpacing));
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

std::int32_t KxUnitStepsToField100(long steps, short unit) {
  // Millimetres come in tenths, inches and points in hundredths; a field
  // holds what its text can show.
  constexpr long kFieldMax = 99999999;
  return std::int32_t(std::clamp(Millimetres(unit) ? std::clamp(steps, -kFieldMax, kFieldMax) * 10 : steps,
                                 -kFieldMax, kFieldMax));
}

long KxField100ToUnitSteps(std::int32_t value100, short unit) { return Millimetres(unit) ? value100 / 10 : value100; }

void KxSetUnitField(KXEditField& field, std::int32_t points, short unit) {
  field.SetValue100(KxUnitStepsToField100(CKXTextFormUtil::PointsToUnit(points, unit), unit));
}

std::int32_t KxUnitFieldPoints(const KXEditField& field, short unit, bool positive) {
  std::int32_t value = std::int32_t(KxField100ToUnitSteps(field.GetValue100(), unit));
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
  KxFocusDialogField(dialog, focus);
}

// ---- the tabs dialog (layout 2670) ----------------------------------------------------------------

void KxTabEdit::Apply(std::int32_t position, int newKind, int newLeader, std::int32_t line) {
  position = std::clamp(position, 0, std::max(0, line));
  newKind = std::clamp(newKind, 0, 3);
  newLeader = std::clamp(newLeader, 0, 3);
  if (position == 0) return;
  // A tab where another already stands replaces that one: two at one place
  // (a position held to the line's end, say) would leave one unreachable.
  const int selected = index >= 1 && index <= count ? index - 1 : -1;
  for (int k = 0; k < count; ++k) {
    if (k == selected || pos[k] != position) continue;
    if (selected >= 0) {
      Delete({selected + 1});
      if (k > selected) --k;
    }
    if (kind[k] != newKind || leader[k] != newLeader || selected >= 0) modified = true;
    kind[k] = std::uint8_t(newKind);
    leader[k] = std::uint8_t(newLeader);
    index = k + 1;
    return;
  }
  if (index < 1 || index > count) {
    if (count >= kMax) return;
    pos[count] = position;
    kind[count] = std::uint8_t(newKind);
    leader[count] = std::uint8_t(newLeader);
    index = ++count;
    modified = true;
  } else {
    const int k = index - 1;
    if (pos[k] == position && kind[k] == newKind && leader[k] == newLeader) return;
    pos[k] = position;
    kind[k] = std::uint8_t(newKind);
    leader[k] = std::uint8_t(newLeader);
    modified = true;
  }
  // Into its place by adjacent swaps; the selection goes with it.
  auto swap = [this](int a, int b) {
    std::swap(pos[a], pos[b]);
    std::swap(kind[a], kind[b]);
    std::swap(leader[a], leader[b]);
  };
  int k = index - 1;
  while (k > 0 && pos[k - 1] > pos[k]) swap(k - 1, k), --k;
  while (k + 1 < count && pos[k + 1] < pos[k]) swap(k, k + 1), ++k;
  index = k + 1;
}

void KxTabEdit::Delete(const std::vector<int>& rows) {
  int kept = 0;
  for (int k = 0; k < count; ++k) {
    if (std::find(rows.begin(), rows.end(), k + 1) != rows.end()) {
      modified = true;
      continue;
    }
    pos[kept] = pos[k];
    kind[kept] = kind[k];
    leader[kept] = leader[k];
    ++kept;
  }
  for (int k = kept; k < count; ++k) pos[k] = kind[k] = leader[k] = 0;
  count = kept;
  // The selection named a tab that is gone or has moved.
  index = 0;
}

namespace {

constexpr ResIDT kTabsDialog = 2670;
constexpr PaneIDT kTabsOK = 2671, kTabsCancel = 2672, kTabDelete = 2673, kTabList = 2674, kTabField = 2675;
constexpr PaneIDT kTabUnitLabel = 2676, kFirstKindRadio = 2677, kFirstLeaderRadio = 2681;

KxTabEdit sTabs;
bool sShowing = false;   // the dialog is being filled: its own broadcasts are ignored

std::string UnitLabel(LWindow* dialog) {
  Str255 label{};
  if (LPane* p = dialog->FindPaneByID(kTabUnitLabel)) p->GetDescriptor(label);
  return std::string(reinterpret_cast<const char*>(label + 1), label[0]);
}

int RadioOn(LWindow* dialog, PaneIDT first) {
  for (int k = 0; k < 4; ++k)
    if (auto* c = dynamic_cast<LControl*>(dialog->FindPaneByID(first + k)); c && c->GetValue() != 0) return k;
  return 0;
}

void SetRadio(LWindow* dialog, PaneIDT first, int on) {
  if (auto* c = dynamic_cast<LControl*>(dialog->FindPaneByID(first + std::clamp(on, 0, 3)))) c->SetValue(1);
}

// The list, the selection, the fields and the delete button as the state
// says; `kind` is shown when nothing is selected.
// `alsoSelected`: positions of more tabs kept selected beside the current
// one (an extended selection, which Delete removes whole).
void ShowTabs(LWindow* dialog, int kind, const std::vector<std::int32_t>& alsoSelected = {}) {
  sShowing = true;
  const short unit = Unit();
  if (auto* list = dynamic_cast<KXListBox*>(dialog->FindPaneByID(kTabList))) {
    list->RemoveAllRows();
    const std::string label = UnitLabel(dialog);
    for (int k = 0; k < sTabs.count; ++k) {
      const long value = CKXTextFormUtil::PointsToUnit(sTabs.pos[k], unit);
      list->AddRow(KXEditField::FormatValue100(std::int32_t(Millimetres(unit) ? value * 10 : value)) + " " + label);
    }
    std::vector<std::int32_t> rows;
    if (sTabs.index > 0) rows.push_back(sTabs.index - 1);
    for (std::int32_t p : alsoSelected)
      for (int k = 0; k < sTabs.count; ++k)
        if (sTabs.pos[k] == p && k + 1 != sTabs.index) {
          rows.push_back(k);
          break;
        }
    std::sort(rows.begin(), rows.end());
    list->SetSelectedRows(rows);
  }
  const int k = sTabs.index - 1;
  if (KXEditField* f = Field(dialog, kTabField)) KxSetUnitField(*f, k >= 0 ? sTabs.pos[k] : 0, unit);
  SetRadio(dialog, kFirstKindRadio, k >= 0 ? sTabs.kind[k] : kind);
  SetRadio(dialog, kFirstLeaderRadio, k >= 0 ? sTabs.leader[k] : 0);
  if (LPane* del = dialog->FindPaneByID(kTabDelete)) {
    if (k >= 0)
      del->Enable();
    else
      del->Disable();
  }
  sShowing = false;
}

void ApplyFields(CKXTextDocument& doc, LWindow* dialog) {
  const KXEditField* f = Field(dialog, kTabField);
  const std::int32_t points = f ? KxUnitFieldPoints(*f, Unit()) : 0;
  sTabs.Apply(points, RadioOn(dialog, kFirstKindRadio), RadioOn(dialog, kFirstLeaderRadio),
              LineLength(*doc.GetEngine()));
}

bool TabsDialogMessage(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  if (sShowing) return true;
  switch (message) {
    case -kTabsCancel: doc.CloseDocDialog(dialog); return true;
    case -kTabList: {
      auto* list = dynamic_cast<KXListBox*>(dialog->FindPaneByID(kTabList));
      const std::vector<std::int32_t> rows = list ? list->GetSelectedRows() : std::vector<std::int32_t>{};
      const int chosen = rows.empty() ? 0 : rows.front() + 1;
      const int before = sTabs.index;
      const std::int32_t chosenPos = chosen >= 1 && chosen <= sTabs.count ? sTabs.pos[chosen - 1] : 0;
      std::vector<std::int32_t> others;
      for (std::size_t r = 1; r < rows.size(); ++r)
        if (rows[r] >= 0 && rows[r] < sTabs.count) others.push_back(sTabs.pos[rows[r]]);
      ApplyFields(doc, dialog);
      // The row chosen names a tab of the list as it was: find it again
      // after the fields moved the one selected before.
      int now = 0;
      if (chosen == before) {
        now = sTabs.index;
      } else if (chosen >= 1) {
        for (int k = 0; k < sTabs.count && now == 0; ++k)
          if (sTabs.pos[k] == chosenPos && k + 1 != sTabs.index) now = k + 1;
        if (now == 0) now = std::min(chosen, sTabs.count);
      }
      sTabs.index = now;
      ShowTabs(dialog, 0, others);
      return true;
    }
    case -kTabDelete: {
      auto* list = dynamic_cast<KXListBox*>(dialog->FindPaneByID(kTabList));
      std::vector<int> rows;
      if (list)
        for (std::int32_t r : list->GetSelectedRows()) rows.push_back(r + 1);
      sTabs.Delete(rows);
      ShowTabs(dialog, 0);
      return true;
    }
    case -kTabsOK: break;
    default: return true;   // the field's own messages
  }
  ApplyFields(doc, dialog);
  doc.CloseDocDialog(dialog);
  if (!sTabs.modified) return true;
  short positions[KxTabEdit::kMax] = {};
  long kinds = 0, leaders = 0;
  for (int k = 0; k < sTabs.count; ++k) {
    positions[k] = std::int16_t(sTabs.pos[k]);
    CKXParaArray::SetParaTabType(kinds, short(k + 1), sTabs.kind[k]);
    CKXParaArray::SetParaTabType(leaders, short(k + 1), sTabs.leader[k]);
  }
  if (CKXTextView* view = doc.CurrentTextView()) {
    if (LWindow* w = LWindow::FetchWindowOf(view)) w->UpdatePort();
    view->Refresh();
  }
  doc.GetEngine()->DoParaTabs(short(sTabs.count), positions, kinds, leaders);
  return true;
}

}  // namespace

void CKXTextDocument::OpenTabsDialog(short tab, short kind) {
  if (FindDocDialog(kTabsDialog)) return;
  LWindow* dialog = OpenDocDialog(kTabsDialog, &TabsDialogMessage);
  if (!dialog) return;
  SParaStyl para{};
  mEngine->GetCurParaStyl(para);
  sTabs = KxTabEdit{};
  sTabs.count = std::clamp<int>(para.tabCount, 0, KxTabEdit::kMax);
  for (int k = 0; k < sTabs.count; ++k) {
    sTabs.pos[k] = para.tabPos[k];
    sTabs.kind[k] = std::uint8_t(CKXParaArray::GetParaTabType(long(para.tabKinds), short(k + 1)));
    sTabs.leader[k] = std::uint8_t(CKXParaArray::GetParaTabType(long(para.tabLeaders), short(k + 1)));
  }
  sTabs.index = tab >= 1 && tab <= sTabs.count ? tab : 0;
  SetUnitLabels(dialog, kTabUnitLabel, kTabUnitLabel);
  ShowTabs(dialog, std::clamp<int>(kind, 0, 3));
  KxFocusDialogField(dialog, kTabField);
}

// ---- the go-to-page dialog (layout 2300) --------------------------------------------------------

namespace {

constexpr ResIDT kPageDialog = 2300;
constexpr PaneIDT kPageOK = 2301, kPageCancel = 2302, kPageField = 2303;

bool PageDialogMessage(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  if (message == -kPageCancel) {
    doc.CloseDocDialog(dialog);
    return true;
  }
  if (message != -kPageOK) return true;
  const std::int32_t shown = Number(dialog, kPageField);
  doc.CloseDocDialog(dialog);
  // The pages are numbered from the first page number; the layer counts
  // from 1.
  const long first = KXTE_GetPageStartNumber(doc.GetEngine()->GetEdit());
  // A page past the last goes to the last, as a line past the last does.
  const long last = std::max<long>(1, KXTE_GetPageCount(doc.GetEngine()->GetEdit()));
  doc.GetEngine()->SetCurPage(std::clamp<long>(first != 0 ? long(shown) - first : shown, 1, last));
  return true;
}

}  // namespace

void CKXTextDocument::OpenPageDialog() {
  if (FindDocDialog(kPageDialog)) return;
  LWindow* dialog = OpenDocDialog(kPageDialog, &PageDialogMessage);
  if (!dialog) return;
  const KXEditHandle edit = mEngine->GetEdit();
  const long page = std::max<long>(1, KXTE_GetCurPage(edit));
  const long first = KXTE_GetPageStartNumber(edit);
  SetNumber(dialog, kPageField, std::int32_t(first != 0 ? page + first : page));
  KxFocusDialogField(dialog, kPageField);
}

// ---- the page layout dialog (layout 2700) -------------------------------------------------------

namespace {

constexpr ResIDT kLayoutDialog = 2700;
constexpr PaneIDT kLayoutOK = 2701, kLayoutCancel = 2702;
constexpr PaneIDT kTopField = 2704, kBottomField = 2705, kLeftMargin = 2706, kRightMargin = 2707;
constexpr PaneIDT kColumnsField = 2708, kGapField = 2709, kColumnWidth = 2710, kTextWidth = 2711,
                  kTextHeight = 2712, kCharsField = 2713, kLinesField = 2723, kStartField = 2724;
constexpr PaneIDT kFirstLayoutLabel = 2714, kLastLayoutLabel = 2722;
constexpr std::int32_t kMaxColumns = 5, kDefaultGap = 15;
// A full-width character, whose advance is the default font's character width.
constexpr std::uint16_t kFullWidthChar = 0x82A0;

bool sCalculating = false;   // derived fields being set: their messages are ours

std::int32_t UnitPoints(LWindow* dialog, PaneIDT id) {
  const KXEditField* f = Field(dialog, id);
  return f ? KxUnitFieldPoints(*f, Unit()) : 0;
}
// The fields this dialog fills change while another one is being typed
// into: they are set without touching the undo of that typing.
void SetQuietly(LWindow* dialog, PaneIDT id, std::int32_t value100) {
  if (KXEditField* f = Field(dialog, id)) f->LEditField::SetText(KXEditField::FormatValue100(value100));
}
void SetUnitPoints(LWindow* dialog, PaneIDT id, std::int32_t points) {
  const long value = CKXTextFormUtil::PointsToUnit(points, Unit());
  SetQuietly(dialog, id, std::int32_t(Millimetres(Unit()) ? value * 10 : value));
}
void SetCount(LWindow* dialog, PaneIDT id, std::int32_t n) { SetQuietly(dialog, id, n * 100); }

// The default font's character width and line pitch (height plus the line
// style's spacing), in points, at least 1 each, so that the derived counts
// never divide by 0 or by a negative pitch.
void FontMetrics(const CKXTextEngine& engine, std::int32_t& width, std::int32_t& pitch) {
  const KXEditHandle edit = engine.GetEdit();
  SKXEditStyl style{};
  KXTE_GetEditStyl(edit, style);
  SKXLineStyl line{};
  KXTE_GetLineStyl(edit, line);
  const std::int32_t size = style.size > 0 ? style.size : 12;
  std::int32_t w = KxFontCharWidth(style.font, std::int16_t(size), 0, kFullWidthChar);
  if (w <= 0) w = size;
  width = std::max(1, w);
  pitch = std::max(1, size + line.lineSpace);
}

struct PageValues {
  std::int32_t columnWidth = 0, textWidth = 0, textHeight = 0, chars = 1, lines = 1;
};

PageValues Derive(const CKXTextEngine& engine, LWindow* dialog) {
  const KXEditHandle edit = engine.GetEdit();
  const PointL paper = KXTE_GetPaperSize(edit);
  const bool vertical = KXTE_GetVertical(edit) != 0;
  PageValues v;
  v.textWidth = paper.h - UnitPoints(dialog, kLeftMargin) - UnitPoints(dialog, kRightMargin);
  v.textHeight = paper.v - UnitPoints(dialog, kTopField) - UnitPoints(dialog, kBottomField);
  const std::int32_t columns = std::max(1, Number(dialog, kColumnsField));   // a count below 1 counts as 1
  const std::int32_t gap = UnitPoints(dialog, kGapField);
  const std::int32_t divided = vertical ? v.textHeight : v.textWidth;
  const std::int32_t other = vertical ? v.textWidth : v.textHeight;
  v.columnWidth = (divided - (columns - 1) * gap) / columns;
  std::int32_t width = 1, pitch = 1;
  FontMetrics(engine, width, pitch);
  v.chars = std::max(1, v.columnWidth / width);
  v.lines = std::max(1, other / pitch);
  return v;
}

void ShowDerived(const CKXTextEngine& engine, LWindow* dialog) {
  const PageValues v = Derive(engine, dialog);
  sCalculating = true;
  SetUnitPoints(dialog, kColumnWidth, v.columnWidth);
  SetUnitPoints(dialog, kTextWidth, v.textWidth);
  SetUnitPoints(dialog, kTextHeight, v.textHeight);
  if (Number(dialog, kCharsField) != v.chars) SetCount(dialog, kCharsField, v.chars);
  if (Number(dialog, kLinesField) != v.lines) SetCount(dialog, kLinesField, v.lines);
  sCalculating = false;
}

// A margin within the printer's reach: below the hard margin, or beyond the
// paper less it, it becomes the hard margin.
// True when the margin was out of range and replaced.
bool CheckMargin(LWindow* dialog, PaneIDT id, std::int32_t hard, std::int32_t extent) {
  const std::int32_t m = UnitPoints(dialog, id);
  if (m >= hard && m <= extent - hard) return false;
  SetUnitPoints(dialog, id, hard);
  return true;
}

// True when a margin was out of range and replaced (a column count or gap
// put right is what the user asked for in effect).
bool CheckAll(const CKXTextEngine& engine, LWindow* dialog) {
  const KXEditHandle edit = engine.GetEdit();
  Rect hard{};
  KXTE_GetHardMargin(edit, hard);
  const PointL paper = KXTE_GetPaperSize(edit);
  sCalculating = true;
  bool changed = CheckMargin(dialog, kTopField, hard.top, paper.v);
  changed |= CheckMargin(dialog, kBottomField, hard.bottom, paper.v);
  changed |= CheckMargin(dialog, kLeftMargin, hard.left, paper.h);
  changed |= CheckMargin(dialog, kRightMargin, hard.right, paper.h);
  const std::int32_t columns = Number(dialog, kColumnsField);
  if (columns < 1 || columns > kMaxColumns) SetCount(dialog, kColumnsField, columns < 6 ? 1 : kMaxColumns);
  if (Number(dialog, kColumnsField) >= 2 && UnitPoints(dialog, kGapField) < 1)
    SetUnitPoints(dialog, kGapField, kDefaultGap);
  sCalculating = false;
  return changed;
}

// A count typed into characters per line (lines per column) moves the two
// margins across (along) the lines by half the difference each.
void Inverse(const CKXTextEngine& engine, LWindow* dialog, bool chars) {
  const bool vertical = KXTE_GetVertical(engine.GetEdit()) != 0;
  const PageValues v = Derive(engine, dialog);
  std::int32_t width = 1, pitch = 1;
  FontMetrics(engine, width, pitch);
  const std::int32_t n = std::max(1, Number(dialog, chars ? kCharsField : kLinesField));
  std::int32_t d = 0;
  PaneIDT a = 0, b = 0;
  if (chars) {
    d = (v.columnWidth - n * width - (2 * width) / 3) / 2;
    a = vertical ? kTopField : kLeftMargin;
    b = vertical ? kBottomField : kRightMargin;
  } else {
    d = ((vertical ? v.textWidth : v.textHeight) - n * pitch) / 2;
    a = vertical ? kLeftMargin : kTopField;
    b = vertical ? kRightMargin : kBottomField;
  }
  if (d == 0) return;
  sCalculating = true;
  SetUnitPoints(dialog, a, UnitPoints(dialog, a) + d);
  SetUnitPoints(dialog, b, UnitPoints(dialog, b) + d);
  sCalculating = false;
  CheckAll(engine, dialog);
}

bool LayoutDialogMessage(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  if (sCalculating) return true;
  CKXTextEngine& engine = *doc.GetEngine();
  switch (message) {
    case -kLayoutCancel: doc.CloseDocDialog(dialog); return true;
    case -kCharsField: Inverse(engine, dialog, true); break;
    case -kLinesField: Inverse(engine, dialog, false); break;
    case -kLayoutOK: break;
    default:
      // Margins, columns and the gap: the derived values follow as typed;
      // they are checked against the printer when OK is pressed.
      if (message <= -kTopField && message >= -kGapField) ShowDerived(engine, dialog);
      return true;
  }
  if (message != -kLayoutOK) {
    ShowDerived(engine, dialog);
    return true;
  }
  // A margin put right is shown before it is applied: a margin too wide
  // for the paper becomes the printer's narrowest, never unseen.
  const bool corrected = CheckAll(engine, dialog);
  const PageValues v = Derive(engine, dialog);
  if (corrected || v.columnWidth <= 0 || v.textWidth <= 0 || v.textHeight <= 0) {
    ShowDerived(engine, dialog);
    KxCurrentHost().Beep();   // the dialog stays open
    return true;
  }
  const Rect margins{std::int16_t(UnitPoints(dialog, kTopField)), std::int16_t(UnitPoints(dialog, kLeftMargin)),
                     std::int16_t(UnitPoints(dialog, kBottomField)), std::int16_t(UnitPoints(dialog, kRightMargin))};
  const short columns = short(std::clamp(Number(dialog, kColumnsField), 1, kMaxColumns));
  const short gap = short(std::clamp(UnitPoints(dialog, kGapField), 0, 32767));
  const short start = short(std::clamp(Number(dialog, kStartField), -32768, 32767));
  doc.CloseDocDialog(dialog);
  // The layout as it stands: OK without a change leaves the document alone.
  const KXEditHandle edit = engine.GetEdit();
  Rect oldMargins{};
  KXTE_GetPageMargin(edit, oldMargins);
  short oldColumns = 1, oldGap = 0;
  KXTE_GetPageColumn(edit, oldColumns, oldGap);
  if (oldMargins.top == margins.top && oldMargins.left == margins.left && oldMargins.bottom == margins.bottom &&
      oldMargins.right == margins.right && std::max<short>(1, oldColumns) == columns && oldGap == gap &&
      KXTE_GetPageStartNumber(edit) == start)
    return true;
  if (CKXTextView* view = doc.CurrentTextView())
    if (LWindow* w = LWindow::FetchWindowOf(view)) w->UpdatePort();
  KXTE_SetPageColumn(edit, columns, gap);
  KXTE_SetPageStartNumber(edit, start);
  engine.SetPageMargin(margins, true);
  engine.SetTextChanged(true);
  if (CKXTextView* view = doc.CurrentTextView()) {
    // The new margins laid the lines out in the column: a window that
    // wraps at its own width takes its width back (paper view keeps it).
    view->FitImageToFrame();
    view->FixImage();
    view->Refresh();
  }
  return true;
}

}  // namespace

void CKXTextDocument::OpenPageLayoutDialog() {
  if (FindDocDialog(kLayoutDialog)) return;
  LWindow* dialog = OpenDocDialog(kLayoutDialog, &LayoutDialogMessage);
  if (!dialog) return;
  const KXEditHandle edit = mEngine->GetEdit();
  Rect margins{};
  KXTE_GetPageMargin(edit, margins);
  short columns = 1, gap = 0;
  KXTE_GetPageColumn(edit, columns, gap);
  sCalculating = true;
  SetUnitPoints(dialog, kTopField, margins.top);
  SetUnitPoints(dialog, kBottomField, margins.bottom);
  SetUnitPoints(dialog, kLeftMargin, margins.left);
  SetUnitPoints(dialog, kRightMargin, margins.right);
  SetCount(dialog, kColumnsField, std::max<short>(1, columns));
  SetUnitPoints(dialog, kGapField, gap);
  SetCount(dialog, kStartField, KXTE_GetPageStartNumber(edit));
  sCalculating = false;
  SetUnitLabels(dialog, kFirstLayoutLabel, kLastLayoutLabel);
  ShowDerived(*mEngine, dialog);
  KxFocusDialogField(dialog, kTopField);
}
