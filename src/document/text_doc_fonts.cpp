// The registered-font dialog (2500): named combinations of style and
// decoration that the Format menu offers as commands. The list is the
// application's; adding and deleting are not undo steps of the text.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_commands.h"
#include "app/application.h"
#include "app/dynamic_menus.h"
#include "app/globals.h"
#include "document/fontreg_dialog.h"
#include "document/format_popups.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/draw_toolkit.h"
#include "platform/framework/control.h"
#include "platform/framework/list_box.h"
#include "platform/framework/menu.h"
#include "platform/host/host.h"
#include "text/codes/script.h"
#include "views/edit_field.h"

namespace {

constexpr ResIDT kFontregDialog = 2500;
constexpr PaneIDT kAdd = 2501, kCancel = 2502, kDelete = 2503, kFontPopup = 2504, kSizeField = 2505,
                  kSizePopup = 2506, kColourPopup = 2507, kLinePopup = 2508, kLineColourPopup = 2509,
                  kNetPopup = 2510, kNetColourPopup = 2511, kPlainBox = 2512, kFirstFaceBox = 2513,
                  kFirstPositionBox = 2520, kList = 2524, kNameField = 2525;
constexpr int kFaceBoxes = 7, kPositionBoxes = 4;
constexpr std::size_t kNameMax = 31;
constexpr short kSmallestSize = 1, kLargestSize = 5000, kShownWithoutSize = 12;
// The position codes of the boxes raised, lowered, superscript, subscript.
constexpr std::uint8_t kPositionCodes[kPositionBoxes] = {1, 2, 5, 6};
constexpr std::uint8_t kPositionMask = 7;
// Face bits that are each other's opposites.
constexpr std::uint8_t kCondense = 32, kExtend = 64;
constexpr int kLineKinds = 5;
// The factory copy of the registered fonts (the sixth factory slot, "TFRT").
constexpr std::size_t kFactoryFontregSlot = 5;


void Able(LWindow* dialog, PaneIDT id, bool on) {
  if (LPane* p = dialog->FindPaneByID(id)) {
    if (on) p->Enable();
    else p->Disable();
  }
}

void SetFieldText(LWindow* dialog, PaneIDT id, const std::string& text, bool selectAll) {
  if (auto* f = KxDialogPane<KXEditField>(dialog, id)) {
    f->SetText(text.data(), text.size());
    if (selectAll) f->SelectAll();
  }
}

// FontDialogSetting: every control from a style and a decoration.
void ShowStyle(LWindow* dialog, const SStyl& styl, const SDeco& deco) {
  const KxFontregShown shown = KxFontregShow(styl, deco);
  if (const std::int16_t item = KxFontPopupItem(shown.font); item > 0) KxSetControlQuietly(dialog, kFontPopup, item);
  SetFieldText(dialog, kSizeField, std::to_string(shown.size), false);
  if (const std::int16_t item = USizeMenu::GetSizeMenuItem(shown.size); item > 0) KxSetControlQuietly(dialog, kSizePopup, item);
  KxSetControlQuietly(dialog, kColourPopup, shown.colourItem);
  KxSetControlQuietly(dialog, kPlainBox, shown.plain ? 1 : 0);
  for (int b = 0; b < kFaceBoxes; ++b) KxSetControlQuietly(dialog, PaneIDT(kFirstFaceBox + b), (shown.face >> b) & 1);
  for (int b = 0; b < kPositionBoxes; ++b) KxSetControlQuietly(dialog, PaneIDT(kFirstPositionBox + b), shown.position == b + 1);
  KxSetControlQuietly(dialog, kLinePopup, shown.lineItem);
  KxSetControlQuietly(dialog, kLineColourPopup, shown.lineColourItem);
  KxSetControlQuietly(dialog, kNetPopup, shown.netItem);
  KxSetControlQuietly(dialog, kNetColourPopup, shown.netColourItem);
}

// What the controls show now.
KxFontregShown ReadControls(LWindow* dialog) {
  KxFontregShown s;
  s.font = std::max<short>(UFontMenu::GetFontNumber(std::int16_t(KxDialogValue(dialog, kFontPopup))), 0);
  const auto* field = KxDialogPane<KXEditField>(dialog, kSizeField);
  const std::int32_t size = field ? KXEditField::ParseValue100(field->GetText()) / 100 : 0;
  // A size the text cannot take would make the registered font unusable.
  s.size = size < kSmallestSize ? kShownWithoutSize : short(std::min<std::int32_t>(size, kLargestSize));
  s.colourItem = std::int16_t(KxDialogValue(dialog, kColourPopup));
  s.plain = KxDialogValue(dialog, kPlainBox) != 0;
  for (int b = 0; b < kFaceBoxes; ++b)
    if (KxDialogValue(dialog, PaneIDT(kFirstFaceBox + b))) s.face = std::uint8_t(s.face | (1u << b));
  for (int b = 0; b < kPositionBoxes; ++b)
    if (KxDialogValue(dialog, PaneIDT(kFirstPositionBox + b))) s.position = std::int16_t(b + 1);
  s.lineItem = std::int16_t(KxDialogValue(dialog, kLinePopup));
  s.lineColourItem = std::int16_t(KxDialogValue(dialog, kLineColourPopup));
  s.netItem = std::int16_t(KxDialogValue(dialog, kNetPopup));
  s.netColourItem = std::int16_t(KxDialogValue(dialog, kNetColourPopup));
  return s;
}

void FillList(LWindow* dialog) {
  auto* list = KxDialogPane<LListBox>(dialog, kList);
  if (!list) return;
  list->RemoveAllRows();
  std::string name;
  for (short n = 1; UFontregMenu::GetFontregName(n, name); ++n) list->AddRow(name);
}

const std::uint8_t* Record(short n) {
  if (n < 1 || n > gFontregCount || gFontregHandle.size() < std::size_t(n) * kKxFontregSize) return nullptr;
  return gFontregHandle.data() + std::size_t(n - 1) * kKxFontregSize;
}

void FaceBoxChanged(LWindow* dialog, PaneIDT box) {
  const std::uint8_t bit = std::uint8_t(1u << (box - kFirstFaceBox));
  if (KxDialogValue(dialog, box)) {
    if (bit == kCondense) KxSetControlQuietly(dialog, PaneIDT(kFirstFaceBox + 6), 0);
    if (bit == kExtend) KxSetControlQuietly(dialog, PaneIDT(kFirstFaceBox + 5), 0);
  }
  bool any = false;
  for (int b = 0; b < kFaceBoxes; ++b) any = any || KxDialogValue(dialog, PaneIDT(kFirstFaceBox + b)) != 0;
  KxSetControlQuietly(dialog, kPlainBox, any ? 0 : 1);
}

void PlainBoxChanged(LWindow* dialog) {
  if (KxDialogValue(dialog, kPlainBox)) {
    for (int b = 0; b < kFaceBoxes; ++b) KxSetControlQuietly(dialog, PaneIDT(kFirstFaceBox + b), 0);
    return;
  }
  // Plain stays on while no face box is.
  bool any = false;
  for (int b = 0; b < kFaceBoxes; ++b) any = any || KxDialogValue(dialog, PaneIDT(kFirstFaceBox + b)) != 0;
  if (!any) KxSetControlQuietly(dialog, kPlainBox, 1);
}

void RowsChosen(LWindow* dialog) {
  auto* list = KxDialogPane<LListBox>(dialog, kList);
  const std::vector<std::int32_t> rows = list ? list->GetSelectedRows() : std::vector<std::int32_t>{};
  Able(dialog, kDelete, !rows.empty());
  if (rows.empty()) return;
  if (const std::uint8_t* rec = Record(short(rows.front() + 1))) {
    std::string name;
    SStyl styl{};
    SDeco deco{};
    KxFontregReadRecord(rec, name, styl, deco);
    SetFieldText(dialog, kNameField, name, true);
    ShowStyle(dialog, styl, deco);
  }
}

void ListChanged() {
  UFontregMenu::UpdateMenu();
  CKXTextApp::SetUpdateCommandStatus(true);
}

void DeleteChosen(CKXTextDocument& doc, LWindow* dialog) {
  auto* list = KxDialogPane<LListBox>(dialog, kList);
  std::vector<std::int32_t> rows = list ? list->GetSelectedRows() : std::vector<std::int32_t>{};
  // From the last, so that the earlier rows keep their numbers.
  std::sort(rows.rbegin(), rows.rend());
  for (std::int32_t r : rows) UFontregMenu::DeleteFontreg(short(r + 1));
  if (gFontregCount <= 0) {
    const KxBlock& factory = gFactorySettingsData[kFactoryFontregSlot];
    const std::size_t n = std::min<std::size_t>(factory.size() / kKxFontregSize, std::size_t(kKxMaxFontreg));
    for (std::size_t i = 0; i < n; ++i) UFontregMenu::InsertFontreg(factory.data() + i * kKxFontregSize, kKxFontregSize);
  }
  ListChanged();
  doc.CloseDocDialog(dialog);
}

void Add(CKXTextDocument& doc, LWindow* dialog) {
  const auto* field = KxDialogPane<KXEditField>(dialog, kNameField);
  const std::string name = field ? field->GetText() : std::string();
  if (name.empty()) {
    KxCurrentHost().Beep();
    return;
  }
  if (gFontregCount >= kKxMaxFontreg) {
    // The list stays as it is and so does the dialog, so that the user can
    // delete one first.
    KxCurrentHost().Beep();
    KxCurrentHost().Alert(KxAlertKind::kCaution, "登録フォントはすでに " + std::to_string(kKxMaxFontreg) +
                                                     " 個あります。追加する前に 1 つ削除してください。");
    return;
  }
  std::uint8_t record[kKxFontregRecordSize];
  KxFontregMakeRecord(name, ReadControls(dialog), record);
  if (!UFontregMenu::InsertFontreg(record, sizeof record)) {
    KxCurrentHost().Beep();
    return;
  }
  ListChanged();
  doc.CloseDocDialog(dialog);
}

bool FontregDialogMessage(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  const PaneIDT pane = PaneIDT(-message);
  if (pane >= kFirstFaceBox && pane < kFirstFaceBox + kFaceBoxes) {
    FaceBoxChanged(dialog, pane);
    return true;
  }
  if (pane >= kFirstPositionBox && pane < kFirstPositionBox + kPositionBoxes) {
    if (KxDialogValue(dialog, pane))
      for (int b = 0; b < kPositionBoxes; ++b)
        if (PaneIDT(kFirstPositionBox + b) != pane) KxSetControlQuietly(dialog, PaneIDT(kFirstPositionBox + b), 0);
    return true;
  }
  switch (pane) {
    case kPlainBox: PlainBoxChanged(dialog); return true;
    case kSizePopup: {
      const int size = USizeMenu::GetFontSize(std::int16_t(KxDialogValue(dialog, kSizePopup)));
      const auto* field = KxDialogPane<KXEditField>(dialog, kSizeField);
      if (size > 0 && field && KXEditField::ParseValue100(field->GetText()) != size * 100)
        SetFieldText(dialog, kSizeField, std::to_string(size), true);
      return true;
    }
    case kList: RowsChosen(dialog); return true;
    case kDelete: DeleteChosen(doc, dialog); return true;
    case kAdd: Add(doc, dialog); return true;
    case kCancel: doc.CloseDocDialog(dialog); return true;
    default: return true;   // the fields' own messages
  }
}

}  // namespace

// ---- the mapping between styles and the controls

KxFontregShown KxFontregShow(const SStyl& styl, const SDeco& deco) {
  KxFontregShown s;
  s.font = styl.font;
  s.size = styl.size > 0 ? styl.size : kShownWithoutSize;
  const short type = KxGetRGBColorType(styl.color);
  s.colourItem = std::int16_t(type >= 0 ? type + 1 : 1);
  s.face = std::uint8_t(styl.face & 0x7F);
  s.plain = s.face == 0;
  const std::uint8_t pos = deco.flags & kPositionMask;
  if (pos & 1) s.position = (pos & 4) ? 3 : 1;
  else if (pos & 2) s.position = (pos & 4) ? 4 : 2;
  const int under = (deco.lineBits >> 3) & 7, centre = (deco.lineBits >> 6) & 7, upper = (deco.lineBits >> 9) & 7;
  // Kinds the pop-up has no item for show as none rather than as another line.
  const auto item = [](int kind, int base) { return kind <= kLineKinds ? std::int16_t(kind + base) : std::int16_t(1); };
  s.lineItem = under ? item(under, 11) : centre ? item(centre, 6) : upper ? item(upper, 1) : std::int16_t(1);
  s.lineColourItem = std::int16_t(((deco.lineBits >> 12) & 15) + 1);
  const int net = deco.net & 15;
  s.netItem = std::int16_t(net < kKxFontregNetItems ? net + 1 : 1);
  s.netColourItem = std::int16_t(((deco.net >> 4) & 15) + 1);
  return s;
}

void KxFontregMakeRecord(const std::string& name, const KxFontregShown& shown, std::uint8_t* record) {
  std::memset(record, 0, kKxFontregRecordSize);
  const auto* bytes = reinterpret_cast<const unsigned char*>(name.data());
  const std::size_t n = KxCutToCharBoundary(bytes, name.size(), kNameMax);
  record[0] = std::uint8_t(n);
  std::memcpy(record + 1, bytes, n);
  SStyl styl{};
  styl.font = shown.font;
  styl.size = shown.size;
  styl.face = shown.plain ? 0 : shown.face;
  KxGetRGBColor(std::clamp<int>(shown.colourItem, 1, kKxFontregColourItems) - 1, styl.color);
  SDeco deco{};
  if (shown.position >= 1 && shown.position <= kPositionBoxes) deco.flags = kPositionCodes[shown.position - 1];
  const int line = shown.lineItem;
  if (line >= 2 && line <= 6) deco.lineBits = std::uint16_t((line - 1) << 9);
  else if (line >= 7 && line <= 11) deco.lineBits = std::uint16_t((line - 6) << 6);
  else if (line >= 12 && line <= kKxFontregLineItems) deco.lineBits = std::uint16_t((line - 11) << 3);
  // Each colour index must fit its four bits; a larger one would spill into
  // the neighbouring field.
  if (shown.lineColourItem > 1 && shown.lineColourItem <= kKxFontregDecoColourItems)
    deco.lineBits = std::uint16_t(deco.lineBits | ((shown.lineColourItem - 1) << 12));
  if (shown.netItem > 1 && shown.netItem <= kKxFontregNetItems) deco.net = std::uint8_t(shown.netItem - 1);
  if (shown.netColourItem > 1 && shown.netColourItem <= kKxFontregDecoColourItems)
    deco.net = std::uint8_t(deco.net | ((shown.netColourItem - 1) << 4));
  KxPutStylFlat(record + 32, styl, true);
  KxPutDecoFlat(record + 48, deco, true);
}

void KxFontregReadRecord(const std::uint8_t* record, std::string& name, SStyl& styl, SDeco& deco) {
  name.assign(reinterpret_cast<const char*>(record + 1), std::min<std::size_t>(record[0], kNameMax));
  KxGetStylFlat(record + 32, styl, true);
  KxGetDecoFlat(record + 48, deco, true);
}

// ---- the document's side

void CKXTextDocument::OpenFontregDialog() {
  if (FindDocDialog(kFontregDialog)) return;
  LWindow* dialog = OpenDocDialog(kFontregDialog, &FontregDialogMessage);
  if (!dialog) return;
  if (auto* fonts = KxDialogPane<LStdPopupMenu>(dialog, kFontPopup)) fonts->SetItems(KxMenuItemTexts(kKxFontMenu));
  if (auto* sizes = KxDialogPane<LStdPopupMenu>(dialog, kSizePopup)) sizes->SetItems(KxMenuItemTexts(kKxSizeMenu));
  FillList(dialog);
  Able(dialog, kDelete, false);
  const SKXRange sel = mEngine->GetSelectionRange();
  SStyl styl{};
  SDeco deco{};
  const bool uniform = mEngine->GetTextStyl(sel, styl) == 0;
  mEngine->GetTextDeco(sel, deco);
  if (!uniform) {
    // Nothing to show of a mixed style but a plain one.
    mEngine->GetCurStyl(styl);
    styl.face = 0;
    deco = SDeco{};
  }
  ShowStyle(dialog, styl, deco);
  KxFocusDialogField(dialog, kNameField);
}
