// The find dialogs of a text document: the find and replace dialog (2100),
// the find palette (2150), the find-assist entry dialogs (2160, 2170) and
// the find-and-mark dialog (2180). They edit the shared find and replace
// strings, their histories and the find flags; the searching is the text
// view's (its find commands 1202-1207).
#include <algorithm>

#include "app/find_strings.h"
#include "app/globals.h"
#include "app/histories.h"
#include "document/find_rules.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "platform/framework/control.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "views/edit_field.h"

namespace {

constexpr ResIDT kFindDialog = 2100;
constexpr PaneIDT kFindField = 2106, kReplField = 2107, kFindHist = 2108, kReplHist = 2109;
constexpr PaneIDT kRegExpBox = 2114, kRegExpPopup = 2115;
constexpr short kRegExpList = 209;
// Check boxes of the find dialog and the flag each stands for.
constexpr struct {
  PaneIDT pane;
  KxFindFlag flag;
} kFindBoxes[] = {
    {2110, KxFindFlag::kWidth},    {2111, KxFindFlag::kKana},   {2112, KxFindFlag::kCase},
    {2113, KxFindFlag::kBackward}, {2114, KxFindFlag::kRegExp}, {2116, KxFindFlag::kPalette},
};

KXEditField* Field(LWindow* dialog, PaneIDT id) { return dynamic_cast<KXEditField*>(dialog->FindPaneByID(id)); }
LControl* Control(LWindow* dialog, PaneIDT id) { return dynamic_cast<LControl*>(dialog->FindPaneByID(id)); }

std::string FieldText(LWindow* dialog, PaneIDT id) {
  KXEditField* f = Field(dialog, id);
  return f ? f->GetText() : std::string();
}

void SetField(LWindow* dialog, PaneIDT id, const std::string& text) {
  if (KXEditField* f = Field(dialog, id)) {
    f->SetText(text.data(), text.size());
    f->SelectAll();
  }
}

// Puts `text` at the field's insertion point (over its selection).
void InsertIntoField(LWindow* dialog, PaneIDT id, const std::string& text) {
  KXEditField* f = Field(dialog, id);
  if (!f) return;
  const std::string old = f->GetText();
  const std::size_t from = std::min(f->GetSelStart(), old.size()), to = std::clamp(f->GetSelEnd(), from, old.size());
  const std::string now = old.substr(0, from) + text + old.substr(to);
  f->SetText(now.data(), now.size());
  f->SetSelection(from + text.size(), from + text.size());
}

void SetValueQuietly(LControl* c, std::int32_t value) {
  c->StopBroadcasting();
  c->SetValue(value);
  c->StartBroadcasting();
}

std::string HistEntry(const KxBlock& history, int n) {
  Str255 p{};
  if (!UFindReplMenu::GetHistString(static_cast<unsigned short>(n), history, p)) return {};
  return std::string(reinterpret_cast<const char*>(p + 1), p[0]);
}

// The entries, a separator, and the fixed items; value 0.
void FillHistoryPopup(LWindow* dialog, PaneIDT id, const KxBlock& history) {
  auto* popup = dynamic_cast<LStdPopupMenu*>(dialog->FindPaneByID(id));
  if (!popup) return;
  // The fixed items are the layout's, kept at the end of the list.
  const std::vector<std::string>& old = popup->GetItems();
  const std::size_t fixed = std::min<std::size_t>(kKxHistoryFixedItems, old.size());
  std::vector<std::string> items;
  const int n = UFindReplMenu::CountHistHandle(history);
  for (int i = 1; i <= n; ++i) items.push_back(HistEntry(history, i));
  if (n > 0) items.push_back("-");
  items.insert(items.end(), old.end() - std::ptrdiff_t(fixed), old.end());
  popup->SetItems(std::move(items));
  popup->SetMinValue(0);
  SetValueQuietly(popup, 0);
}

void HistoryPopupMessage(LWindow* dialog, PaneIDT popupID, PaneIDT fieldID, KxBlock& history) {
  LControl* popup = Control(dialog, popupID);
  if (!popup) return;
  const int item = popup->GetValue();
  const int n = UFindReplMenu::CountHistHandle(history);
  switch (KxHistoryPopupChoice(item, n)) {
    case KxHistoryChoice::kNothing: return;
    case KxHistoryChoice::kEntry:
      SetField(dialog, fieldID, HistEntry(history, item));
      UFindReplMenu::AdjustHistHandle(short(item), history);
      break;
    case KxHistoryChoice::kClear:
      UFindReplMenu::DeleteHistHandle(1, history);
      gPrefModify = true;
      break;
    case KxHistoryChoice::kTab: InsertIntoField(dialog, fieldID, "\t"); break;
    case KxHistoryChoice::kReturn: InsertIntoField(dialog, fieldID, "\r"); break;
  }
  FillHistoryPopup(dialog, popupID, history);
}

void RegExpPopupMessage(LWindow* dialog, PaneIDT popupID, PaneIDT findID, PaneIDT replID) {
  LControl* popup = Control(dialog, popupID);
  if (!popup) return;
  const int item = popup->GetValue();
  if (item > 0 && KxHasIndString(kRegExpList, short(item))) {
    Str255 s;
    GetIndString(s, kRegExpList, short(item));
    const std::string text(reinterpret_cast<const char*>(s + 1), s[0]);
    InsertIntoField(dialog, replID != 0 && KxRegExpItemGoesToReplace(text) ? replID : findID, text);
  }
  SetValueQuietly(popup, 0);
}

void ShowRegExpPopup(LWindow* dialog, PaneIDT popupID, bool on) {
  LPane* popup = dialog->FindPaneByID(popupID);
  if (!popup) return;
  if (on) {
    popup->Enable();
    popup->Show();
  } else {
    popup->Disable();
    popup->Hide();
  }
}

void FillRegExpPopup(LWindow* dialog, PaneIDT popupID, bool on) {
  auto* popup = dynamic_cast<LStdPopupMenu*>(dialog->FindPaneByID(popupID));
  if (!popup) return;
  std::vector<std::string> items;
  Str255 s;
  for (short i = 1; KxHasIndString(kRegExpList, i); ++i) {
    GetIndString(s, kRegExpList, i);
    items.emplace_back(reinterpret_cast<const char*>(s + 1), s[0]);
  }
  popup->SetItems(std::move(items));
  popup->SetMinValue(0);
  SetValueQuietly(popup, 0);
  ShowRegExpPopup(dialog, popupID, on);
}

void RecordFind(const std::string& text) {
  KxSetFindString(text);
  if (text.empty()) return;
  Str255 p;
  const std::string& cut = KxGetFindString();
  p[0] = static_cast<unsigned char>(cut.size());
  std::copy(cut.begin(), cut.end(), p + 1);
  UFindReplMenu::InsertHistHandle(p, gFindHistHandle);
}

void RecordRepl(const std::string& text) {
  KxSetReplString(text);
  if (text.empty()) return;
  Str255 p;
  const std::string& cut = KxGetReplString();
  p[0] = static_cast<unsigned char>(cut.size());
  std::copy(cut.begin(), cut.end(), p + 1);
  UFindReplMenu::InsertHistHandle(p, gReplHistHandle);
}

// The text view becomes the target and obeys `command`.
void SendToView(CKXTextDocument& doc, CommandT command) {
  CKXTextView* view = doc.CurrentTextView();
  if (!view) return;
  LCommander::SwitchTarget(view);
  if (LWindow* w = LWindow::FetchWindowOf(view)) w->UpdatePort();
  view->ProcessCommand(command, nullptr);
}

bool FindDialogMessage(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  switch (message) {
    case -kFindHist: HistoryPopupMessage(dialog, kFindHist, kFindField, gFindHistHandle); return true;
    case -kReplHist: HistoryPopupMessage(dialog, kReplHist, kReplField, gReplHistHandle); return true;
    case -kRegExpPopup: RegExpPopupMessage(dialog, kRegExpPopup, kFindField, kReplField); return true;
    case -kRegExpBox: {
      LControl* box = Control(dialog, kRegExpBox);
      ShowRegExpPopup(dialog, kRegExpPopup, box && box->GetValue() != 0);
      return true;
    }
    case -kKxFindButton:
    case -kKxFindStoreButton:
    case -kKxFindAssistButton: break;
    case -kKxFindCancelButton: doc.CloseDocDialog(dialog); return true;
    default: return true;   // the fields' and boxes' own messages
  }
  const std::string find = FieldText(dialog, kFindField);
  RecordFind(find);
  RecordRepl(FieldText(dialog, kReplField));
  for (const auto& b : kFindBoxes)
    if (LControl* c = Control(dialog, b.pane)) KxSetFindFlag(b.flag, c->GetValue() != 0);
  gPrefModify = true;
  KxToolbarFindString(KxGetFindString());
  doc.CloseDocDialog(dialog);
  if (message == -kKxFindButton && !find.empty()) {
    SendToView(doc, kKxCmdFindNext);
    if (KxGetFindFlag(KxFindFlag::kPalette)) doc.OpenFindPalette();
  } else if (message == -kKxFindAssistButton) {
    doc.ShowFindAssistPalette();
  }
  return true;
}

}  // namespace

void CKXTextDocument::OpenFindDialog(bool focusReplace) {
  if (FindDocDialog(kFindDialog)) return;
  LWindow* dialog = OpenDocDialog(kFindDialog, &FindDialogMessage);
  if (!dialog) return;
  SetField(dialog, kFindField, KxGetFindString());
  SetField(dialog, kReplField, KxGetReplString());
  FillHistoryPopup(dialog, kFindHist, gFindHistHandle);
  FillHistoryPopup(dialog, kReplHist, gReplHistHandle);
  for (const auto& b : kFindBoxes)
    if (LControl* c = Control(dialog, b.pane)) SetValueQuietly(c, KxGetFindFlag(b.flag) ? 1 : 0);
  FillRegExpPopup(dialog, kRegExpPopup, KxGetFindFlag(KxFindFlag::kRegExp));
  if (KXEditField* f = Field(dialog, focusReplace ? kReplField : kFindField)) LCommander::SwitchTarget(f);
}

void CKXTextDocument::OpenFindPalette() {}

void CKXTextDocument::ShowFindAssistPalette() {}
