// The custom page-form dialog: the form logic's numbered controls mapped to
// the panes of layout 3800, the add/delete list in its own modal loop, and
// the document (or the application's default form) it edits.
#include "document/custom_form.h"

#include <algorithm>
#include <cstring>

#include "app/app_commands.h"
#include "app/application.h"
#include "app/dynamic_menus.h"
#include "app/globals.h"
#include "document/text_doc.h"
#include "document/text_doc_para.h"
#include "engine/text_engine.h"
#include "layout/draw_toolkit.h"
#include "layout/kxte_api.h"
#include "platform/clock.h"
#include "platform/framework/list_box.h"
#include "platform/framework/menu.h"
#include "platform/framework/registrar.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "views/controls.h"
#include "views/edit_field.h"
#include "views/message_box.h"

namespace {

using Util = CKXTextFormUtil;

// The prompt of the colour chooser (STR# 200 item 5) and the unit captions
// (STR# 201 items 6 and 7).
constexpr short kPromptList = 200, kPromptItem = 5;
constexpr short kUnitList = 201, kInchItem = 6, kPointItem = 7;
// The popup items the form popup keeps, and the group boxes whose titles
// leave room for the check box placed on them.
constexpr std::int32_t kFormPopupKept = 2;
constexpr short kPaperGroup = 7, kViewGroup = 23;
constexpr std::int16_t kTitleSpaceInset = 8;
// The controls of the kind table, and the last that sends a command.
constexpr short kFirstControl = 2, kLastControl = 73, kLastCommand = 39;

std::vector<CKXTextCustomForm*>& Dialogs() {
  static std::vector<CKXTextCustomForm*> dialogs;
  return dialogs;
}

std::string PString(const unsigned char* p) {
  return p ? std::string(reinterpret_cast<const char*>(p + 1), p[0]) : std::string();
}

// The items of menu `menuID` as they stand in the menu bar.
std::vector<std::string> MenuItemTexts(std::int16_t menuID) {
  std::vector<std::string> items;
  const LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  const LMenu* menu = bar ? bar->FetchMenu(menuID) : nullptr;
  for (std::int16_t i = 1; menu && i <= menu->CountItems(); ++i) items.push_back(menu->GetItem(i)->text);
  return items;
}

// The number fields keep a read-only byte: paper sides of a standard paper
// are not typed.
class CKXFormField : public KXEditField {
 public:
  static constexpr OSType kClassID = FourCC("kxcf");
  explicit CKXFormField(const KxLayoutPaneRecord& record) : KXEditField(record) {}
  void SetStatic(bool on) { mStatic = on; }
  bool IsStatic() const { return mStatic; }
  bool HandleKeyPress(const EventRecord& event) override {
    if (!mStatic) return KXEditField::HandleKeyPress(event);
    // Tab, Return and Escape still reach the dialog; typing does nothing.
    const std::uint8_t key = KxEventKeyCode(event);
    if (key == kKxKeyTab || key == kKxKeyReturn || key == kKxKeyEnter || key == kKxKeyEscape)
      return LCommander::HandleKeyPress(event);
    return true;
  }

 private:
  bool mStatic = false;
};

LPane* CreateCustomForm(const KxLayoutPaneRecord& record) { return new CKXTextCustomForm(record); }
LPane* CreateFormField(const KxLayoutPaneRecord& record) { return new CKXFormField(record); }

}  // namespace

KxFormControlKind KxFormControlKindOf(short n) {
  using K = KxFormControlKind;
  switch (n) {
    case 6: case 8: case 9: case 16: case 18: case 24: case 25: case 26: case 27: case 29: case 31: case 32:
    case 34: case 35: case 36:
      return K::kValue;
    case 10: case 11: case 12: case 13: case 14: case 15: case 17: case 19: case 20: case 21: case 22: case 28:
    case 30:
      return K::kNumber;
    case 33: return K::kColour;
    case 37: return K::kFont;
    case 38: return K::kInteger;
    case 39: return K::kSize;
    case 50: return K::kUnit;
    case 68: case 70: return K::kCaption;
    default: break;
  }
  return n >= kFirstControl && n <= kLastControl ? K::kLabel : K::kNone;
}

void KxRegisterCustomFormClasses() {
  URegistrar::RegisterClass(CKXTextCustomForm::kClassID, CreateCustomForm);
  URegistrar::RegisterClass(CKXFormField::kClassID, CreateFormField);
}

// ---- life ------------------------------------------------------------------------------------------

CKXTextCustomForm::CKXTextCustomForm(const KxLayoutPaneRecord& record) : KXDialogBox(record) {}

CKXTextCustomForm::~CKXTextCustomForm() {
  auto& d = Dialogs();
  d.erase(std::remove(d.begin(), d.end(), this), d.end());
  // The form table may have changed: the preferences are written at quit.
  gPrefModify = true;
}

void CKXTextCustomForm::FinishCreateSelf() {
  KXDialogBox::FinishCreateSelf();
  mBusy = 0;
  mChanged = 0;
  mUnit = gPreference.measureUnit;
  // The font and size popups offer what the Format menu offers.
  using Popup = std::pair<short, std::int16_t>;
  for (auto [n, menuID] : {Popup{Util::kFontMenu, kKxFontMenu}, Popup{Util::kSizeMenu, kKxSizeMenu}})
    if (auto* popup = dynamic_cast<LStdPopupMenu*>(Control(n)); popup && popup->GetItems().empty())
      popup->SetItems(MenuItemTexts(menuID));
  for (short group : {kPaperGroup, kViewGroup}) {
    auto* box = dynamic_cast<KXGroupBox*>(Control(group));
    LPane* check = Control(short(group + 1));
    if (!box || !check) continue;
    SDimension32 size;
    check->GetFrameSize(size);
    box->SetTitleSpace(std::int16_t(std::clamp<std::int32_t>(size.width - kTitleSpaceInset, 0, 32767)));
  }
}

const std::vector<CKXTextCustomForm*>& CKXTextCustomForm::OpenDialogs() { return Dialogs(); }

void CKXTextCustomForm::CloseAll() {
  const std::vector<CKXTextCustomForm*> open = Dialogs();
  for (CKXTextCustomForm* d : open) {
    d->mDoc = nullptr;
    d->mClosing = true;
    delete d;
  }
  if (!open.empty()) SetDialogOpen(false);
}

CKXTextCustomForm* CKXTextCustomForm::ShowCustomForm(CKXTextDocument* doc) {
  LCommander* super = CKXTextApp::GetTextApp();
  if (!super) super = doc;
  LWindow* window = LWindow::CreateWindow(kKxCustomFormLayout, super);
  auto* dialog = dynamic_cast<CKXTextCustomForm*>(window);
  if (!dialog) {
    delete window;
    return nullptr;
  }
  Dialogs().push_back(dialog);
  dialog->UndoSupport();
  dialog->SetTextDoc(doc);
  // Modal in effect, as the document's dialogs: the commands are off until
  // it closes.
  KxCurrentHost().SetWindowModal(dialog->GetHostWindow());
  SetDialogOpen(true);
  dialog->OpenCustomForm();
  return dialog;
}

void CKXTextCustomForm::DocumentClosing(CKXTextDocument* doc) {
  // What the user typed stays; OK then stores it as the default form.
  for (CKXTextCustomForm* d : Dialogs()) {
    if (d->mDoc == doc) d->mDoc = nullptr;
    if (d->GetSuperCommander() == doc) d->SetSuperCommander(doc->GetSuperCommander());
  }
}

void CKXTextCustomForm::SetTextDoc(CKXTextDocument* doc) {
  mDoc = doc;
  if (doc && doc->GetEngine()) {
    SKXFormStyl form;
    doc->GetEngine()->GetFormStylDefault(form);
    form.formID = 0;
    UKXTextForm::SetDefaultForm(form);
    doc->GetEngine()->GetFormStyl(form);
    SetForm(form);
  } else {
    // The application's default form.
    SKXFormStyl form = UKXTextForm::GetDefaultForm(0);
    SetForm(form);
  }
}

// ---- opening and closing -----------------------------------------------------------------------------

void CKXTextCustomForm::OpenCustomForm() {
  CKXTextFormUtil::OpenCustomForm();
  if (mUnit > 0) {
    Str255 label;
    GetIndString(label, kUnitList, mUnit == 1 ? kInchItem : kPointItem);
    if (LPane* caption = Control(50)) caption->SetDescriptor(label);
  }
  Show();
  Select();
}

void CKXTextCustomForm::CloseCustomForm(std::uint8_t apply) {
  if (mClosing) return;
  mClosing = true;
  CKXTextFormUtil::CloseCustomForm(apply);
  const SKXFormStyl form = GetForm();
  CKXTextDocument* doc = mDoc;
  auto& d = Dialogs();
  d.erase(std::remove(d.begin(), d.end(), this), d.end());
  if (d.empty()) SetDialogOpen(false);
  DeleteLater();
  if (apply && !doc) {
    SKXFormStyl f = form;
    f.formID = 0;
    UKXTextForm::SetDefaultForm(f);
  }
  if (doc) {
    if (LWindow* w = doc->GetWindow()) {
      w->Select();
      w->RestoreTarget();
      w->UpdatePort();
    }
    if (apply) doc->ApplyUserForm(form);
  }
}

void CKXTextCustomForm::AttemptClose() {
  // The close box cancels.
  CloseCustomForm(0);
}

void CKXTextCustomForm::HostAttemptClose() { AttemptClose(); }

void CKXTextCustomForm::ListenToMessage(MessageT message, void* param) {
  if (mClosing) return;
  if (message == -MessageT(kKxCustomFormOK)) {
    CloseCustomForm(1);
    return;
  }
  if (message == -MessageT(kKxCustomFormCancel)) {
    CloseCustomForm(0);
    return;
  }
  // The other controls' messages are the form logic's control numbers.
  if (message <= -MessageT(kKxCustomFormBase + Util::kAddDelete) &&
      message >= -MessageT(kKxCustomFormBase + kLastCommand)) {
    CustomFormCommand(short(-MessageT(kKxCustomFormBase) - message));
    return;
  }
  KXDialogBox::ListenToMessage(message, param);
}

// ---- the controls ------------------------------------------------------------------------------------

LPane* CKXTextCustomForm::Control(short n) {
  if (KxFormControlKindOf(n) == KxFormControlKind::kNone) return nullptr;
  return FindPaneByID(PaneIDT(kKxCustomFormBase + n));
}

void CKXTextCustomForm::EnableControl(short n, std::uint8_t enable, std::uint8_t refresh) {
  LPane* pane = Control(n);
  if (!pane) return;
  if (enable) pane->Enable();
  else pane->Disable();
  if (refresh) pane->Refresh();
}

std::uint8_t CKXTextCustomForm::IsEnableControl(short n) {
  if (n != Util::kCenterGap && n != Util::kLeftIndent) return 0;
  LPane* pane = Control(n);
  return pane && pane->IsEnabled() ? 1 : 0;
}

void CKXTextCustomForm::SetValueControl(short n, long value) {
  LPane* pane = Control(n);
  if (!pane) return;
  const std::int32_t v = std::int32_t(std::clamp(value, -2147483647L, 2147483647L));
  switch (KxFormControlKindOf(n)) {
    case KxFormControlKind::kValue: pane->SetValue(v); break;
    case KxFormControlKind::kNumber:
      if (auto* field = dynamic_cast<KXEditField*>(pane)) field->SetValue100(KxUnitStepsToField100(value, mUnit));
      break;
    case KxFormControlKind::kFont: {
      pane->SetValue(std::max<std::int32_t>(1, UFontMenu::GetFontMenuItem(short(v))));
      break;
    }
    case KxFormControlKind::kInteger:
      pane->SetValue(v);
      if (auto* field = dynamic_cast<KXEditField*>(pane)) field->SelectAll();
      break;
    case KxFormControlKind::kSize: {
      pane->SetValue(std::max<std::int32_t>(1, USizeMenu::GetSizeMenuItem(int(v))));
      break;
    }
    default: break;
  }
}

long CKXTextCustomForm::GetValueControl(short n) {
  LPane* pane = Control(n);
  if (!pane) return 0;
  switch (KxFormControlKindOf(n)) {
    case KxFormControlKind::kValue:
    case KxFormControlKind::kInteger: return pane->GetValue();
    case KxFormControlKind::kNumber:
      if (auto* field = dynamic_cast<KXEditField*>(pane)) return KxField100ToUnitSteps(field->GetValue100(), mUnit);
      return 0;
    case KxFormControlKind::kFont: return UFontMenu::GetFontNumber(std::int16_t(pane->GetValue()));
    case KxFormControlKind::kSize: return USizeMenu::GetFontSize(std::int16_t(pane->GetValue()));
    default: return 0;
  }
}

void CKXTextCustomForm::SetColorControl(short n, RGBColor& color) {
  if (n != Util::kGuideColor) return;
  mGuideColor = color;
  // The button paints a colour of the program's table when the colour is one.
  RGBColor drawn = color;
  if (const short type = KxGetRGBColorType(color); type >= 0) KxGetRGBColor(type, drawn);
  if (auto* button = dynamic_cast<KXColButton*>(Control(n))) button->SetFillColor(drawn);
}

void CKXTextCustomForm::GetColorControl(short n, RGBColor& color) {
  if (n == Util::kGuideColor) color = mGuideColor;
}

void CKXTextCustomForm::SetStringControl(short n, unsigned char* text) {
  if (n != Util::kLinePitch && n != Util::kCharPitch && n != Util::kLinesText && n != Util::kCharsText) return;
  if (LPane* pane = Control(n); pane && text) pane->SetDescriptor(text);
}

void CKXTextCustomForm::SetStaticControl(short n, std::uint8_t on) {
  if (n != Util::kPaperHeight && n != Util::kPaperWidth) return;
  if (auto* field = dynamic_cast<CKXFormField*>(Control(n))) field->SetStatic(on != 0);
}

std::uint8_t CKXTextCustomForm::IsStaticControl(short n) {
  if (n != Util::kPaperHeight && n != Util::kPaperWidth) return 0;
  const auto* field = dynamic_cast<CKXFormField*>(Control(n));
  return field && field->IsStatic() ? 1 : 0;
}

std::uint8_t CKXTextCustomForm::SetGuidelineColor() {
  Str255 prompt;
  GetIndString(prompt, kPromptList, kPromptItem);
  RGBColor colour = mGuideColor;
  bool chosen = false;
  {
    StDesktopDeactivator deactivator;
    chosen = KxCurrentHost().ChooseColour(GetHostWindow(), KxScriptTextToUTF8(PString(prompt)), colour);
  }
  if (chosen) SetColorControl(Util::kGuideColor, colour);
  if (LPane* button = Control(Util::kGuideColor)) button->Refresh();
  return chosen ? 1 : 0;
}

void CKXTextCustomForm::UpdateFormPopup() {
  auto* popup = dynamic_cast<LStdPopupMenu*>(Control(Util::kFormMenu));
  if (!popup) return;
  std::vector<std::string> items = popup->GetItems();
  items.resize(std::size_t(kFormPopupKept));
  for (short n = 1; n <= kFormPopupKept; ++n) {
    unsigned char name[kKxFormNameField] = {};
    std::string& item = items[std::size_t(n - 1)];
    if (item.empty() && UKXTextForm::GetFormName(n, name)) item = PString(name);
  }
  for (short n = kFormPopupKept + 1; n <= UKXTextForm::GetFormCount(); ++n) {
    unsigned char name[kKxFormNameField] = {};
    UKXTextForm::GetFormName(n, name);
    const std::string text = PString(name);
    items.push_back(text.empty() ? std::string(" ") : text);
  }
  const std::int32_t value = popup->GetValue();
  popup->StopBroadcasting();
  popup->SetItems(std::move(items));
  popup->SetMaxValue(std::int32_t(popup->GetItems().size()));
  popup->SetValue(std::clamp<std::int32_t>(value, 1, popup->GetMaxValue()));
  popup->StartBroadcasting();
}

PointL CKXTextCustomForm::GetFormPaperSize(short kind) {
  if (mDoc && mDoc->GetEngine()) return KXTE_GetFormStylPaperSize(mDoc->GetEngine()->GetEdit(), kind);
  // Without a document, the paper table's entry (never 0 by 0, which no
  // margin or column would fit).
  return KxFormPaperSize(kind);
}

// ---- adding and deleting -------------------------------------------------------------------------------

namespace {

void FillFormList(LListBox& list) {
  list.RemoveAllRows();
  for (long n = 1; n <= UKXTextForm::GetListCount(); ++n) {
    unsigned char name[kKxFormNameField] = {};
    UKXTextForm::GetFormName(short(n + 2), name);
    list.AddRow(PString(name));
  }
  list.UnselectAllCells();
}

void SetButtons(LDialogBox& dialog, bool rowSelected) {
  LPane* ok = dialog.FindPaneByID(kKxFormListOK);
  LPane* del = dialog.FindPaneByID(kKxFormListDelete);
  if (ok) rowSelected ? ok->Disable() : ok->Enable();
  if (del) rowSelected ? del->Enable() : del->Disable();
  dialog.SetDefaultButton(rowSelected ? kKxFormListDelete : kKxFormListOK);
}

}  // namespace

std::uint8_t CKXTextCustomForm::DoFormAddDelete() {
  if (!UKXTextForm::HasList()) UKXTextForm::MakeDefaultFormArray();
  CustomFormGetItems();
  long popupValue = GetValueControl(Util::kFormMenu);
  for (PaneIDT id : {kKxCustomFormOK, kKxCustomFormCancel, PaneIDT(kKxCustomFormBase + Util::kAddDelete)})
    if (LPane* p = FindPaneByID(id)) p->Disable();

  bool changed = false;
  {
    KXModalDialog handler(kKxFormListLayout, this);
    auto* dialog = dynamic_cast<LDialogBox*>(handler.GetDialog());
    auto* list = dialog ? dynamic_cast<LListBox*>(dialog->FindPaneByID(kKxFormListRows)) : nullptr;
    if (dialog && list) {
      if (auto* box = dynamic_cast<KXDialogBox*>(dialog)) box->UndoSupport();
      FillFormList(*list);
      SetButtons(*dialog, false);
      dialog->Show();
      dialog->Select();
      if (LPane* name = dialog->FindPaneByID(kKxFormListName)) {
        if (auto* field = dynamic_cast<LCommander*>(name)) LCommander::SwitchTarget(field);
      }
      for (;;) {
        const MessageT message = handler.DoDialog();
        if (message == msg_Cancel) break;
        if (message == -MessageT(kKxFormListRows)) {
          SetButtons(*dialog, !list->GetSelectedRows().empty());
        } else if (message == -MessageT(kKxFormListDelete)) {
          std::vector<long> rows;
          for (std::int32_t r : list->GetSelectedRows()) rows.push_back(long(r) + 1);
          if (rows.empty()) continue;
          UKXTextCustomForm::DeleteRows(rows);
          popupValue = std::min(popupValue, UKXTextForm::GetListCount() + 2);
          changed = true;
          break;
        } else if (message == msg_OK) {
          std::string name;
          if (auto* field = dynamic_cast<KXEditField*>(dialog->FindPaneByID(kKxFormListName))) name = field->GetText();
          if (!name.empty()) {
            DateTimeRec today{};
            GetTime(today);
            if (!UKXTextCustomForm::AddNamedForm(GetForm(), name, today.month, today.day)) {
              // The table is full: say so and let the user delete some.
              Str255 text;
              GetIndString(text, kKxFormTextList, kKxFormTextFull);
              KXMessageBox::StrNote(PString(text));
              dialog->Select();
              continue;
            }
            popupValue = UKXTextForm::GetListCount() + 2;
          }
          changed = true;
          break;
        }
      }
    }
  }
  Refresh();
  for (PaneIDT id : {kKxCustomFormOK, kKxCustomFormCancel, PaneIDT(kKxCustomFormBase + Util::kAddDelete)})
    if (LPane* p = FindPaneByID(id)) p->Enable();
  Select();
  if (!changed) return 0;
  UKXTextCustomForm::SettleTable();
  UKXTextCustomForm::UpdateMenu();
  UpdateFormPopup();
  SetValueControl(Util::kFormMenu, std::clamp<long>(popupValue, 1, UKXTextForm::GetFormCount()));
  return 1;
}
