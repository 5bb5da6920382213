// The find dialogs of a text document: the find and replace dialog (2100),
// the find palette (2150), the find-assist entry dialogs (2160, 2170) and
// the find-and-mark dialog (2180). They edit the shared find and replace
// strings, their histories and the find flags; the searching is the text
// view's (its find commands 1202-1207).
#include <algorithm>
#include <vector>

#include "app/find_strings.h"
#include "app/globals.h"
#include "app/histories.h"
#include "document/find_rules.h"
#include "document/find_assist.h"
#include "document/format_popups.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "layout/kxtext_api.h"
#include "layout/kxtext_handle.h"
#include "layout/text_edit_ex.h"
#include "views/text_view_commands.h"
#include "platform/exception.h"
#include "platform/framework/control.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "text/find/find.h"
#include "text/find/regexp.h"
#include "views/edit_field.h"
#include "views/message_box.h"

namespace {

constexpr ResIDT kFindDialog = 2100;
constexpr PaneIDT kFindField = 2106, kReplField = 2107, kFindHist = 2108, kReplHist = 2109;
constexpr PaneIDT kRegExpBox = 2114, kRegExpPopup = 2115;
constexpr short kRegExpList = 209;
// Item of string list 204: a regular expression that its text makes too slow
// to match stopped a find.
constexpr std::int16_t kMessageFindTooComplex = 13;
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
  KxSetControlQuietly(popup, 0);
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
  KxSetControlQuietly(popup, 0);
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
  KxSetControlQuietly(popup, 0);
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
    if (LControl* c = Control(dialog, b.pane)) KxSetControlQuietly(c, KxGetFindFlag(b.flag) ? 1 : 0);
  FillRegExpPopup(dialog, kRegExpPopup, KxGetFindFlag(KxFindFlag::kRegExp));
  KxFocusDialogField(dialog, focusReplace ? kReplField : kFindField);
}

// ---- The find palette

namespace {

constexpr ResIDT kFindPalette = 2150;
constexpr MessageT kPaletteClose = -2151, kPaletteDialog = -2152;

LWindow* sFindPalette = nullptr;
CKXTextDocument* sFindPaletteOwner = nullptr;
Point sFindPalettePoint{0, 0};   // its last top-left; (0, 0) until first closed

// Forgets the palette, keeping its place; the caller closes the window.
LWindow* ForgetPalette() {
  LWindow* palette = sFindPalette;
  if (!palette) return nullptr;
  const Rect r = palette->GetGlobalBounds();
  sFindPalettePoint = Point{r.top, r.left};
  sFindPalette = nullptr;
  sFindPaletteOwner = nullptr;
  return palette;
}

void ClosePalette() {
  CKXTextDocument* owner = sFindPaletteOwner;
  if (LWindow* palette = ForgetPalette()) owner->CloseDocDialog(palette);
}

bool FindPaletteMessage(CKXTextDocument& doc, MessageT message, LWindow*) {
  static constexpr CommandT kCommands[] = {kKxCmdFindNext, kKxCmdReplaceFindNext, kKxCmdReplace, kKxCmdReplaceAll};
  if (message == kPaletteClose || message == kPaletteDialog) {
    ClosePalette();
    if (message == kPaletteDialog) doc.OpenFindDialog(false);
    return true;
  }
  if (message < -2156 || message > -2153) return true;
  const CommandT command = kCommands[-message - 2153];
  CKXTextView* view = doc.CurrentTextView();
  Boolean enabled = false, usesMark = false;
  std::uint16_t mark = 0;
  Str255 name{};
  if (view) view->ProcessCommandStatus(command, enabled, usesMark, mark, name);
  if (!enabled) {
    KxCurrentHost().Beep();
    return true;
  }
  // Replace all closes the palette before it runs.
  if (command == kKxCmdReplaceAll) ClosePalette();
  view->ProcessCommand(command, nullptr);
  return true;
}

}  // namespace

void CKXTextDocument::OpenFindPalette() {
  if (sFindPalette) {
    sFindPalette->Select();
    return;
  }
  LWindow* palette = OpenDocDialog(kFindPalette, &FindPaletteMessage, false);
  if (!palette) return;
  sFindPalette = palette;
  sFindPaletteOwner = this;
  if (sFindPalettePoint.h != 0 || sFindPalettePoint.v != 0) {
    const Rect r = palette->GetGlobalBounds();
    palette->DoSetBounds(Rect{sFindPalettePoint.v, sFindPalettePoint.h, std::int16_t(sFindPalettePoint.v + (r.bottom - r.top)),
                              std::int16_t(sFindPalettePoint.h + (r.right - r.left))});
  }
}

void CKXTextDocument::HideFindPalette() {
  if (sFindPaletteOwner == this) ClosePalette();
}

void CKXTextDocument::ForgetFindPalette() {
  // The document is going: its dialogs, the palette among them, go with it.
  if (sFindPaletteOwner == this) ForgetPalette();
}

void CKXTextDocument::FindPaletteToTarget() {
  // The palette works on the document that opened it: it goes when
  // another document takes over.
  if (sFindPaletteOwner && sFindPaletteOwner != this) sFindPaletteOwner->HideFindPalette();
}

// ---- The find-assist entry dialog

namespace {

constexpr ResIDT kAssistFind = 2160, kAssistRepl = 2170;
constexpr PaneIDT kAssistField = 2163, kAssistHist = 2164;
constexpr MessageT kAssistOK = -2161, kAssistCancel = -2162;

bool AssistEntryMessage(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  const bool isFind = doc.FindDocDialog(kAssistFind) == dialog;
  switch (message) {
    case -kAssistHist:
      HistoryPopupMessage(dialog, kAssistHist, kAssistField, isFind ? gFindHistHandle : gReplHistHandle);
      return true;
    case kAssistCancel: doc.CloseDocDialog(dialog); return true;
    case kAssistOK: break;
    default: return true;
  }
  const std::string text = KxCutOnCharBoundary(FieldText(dialog, kAssistField), kKxFindAssistMax);
  doc.CloseDocDialog(dialog);
  if (CKXTextView* view = doc.CurrentTextView()) LCommander::SwitchTarget(view);
  // A palette closed meanwhile takes nothing.
  if (CKXTextFindAssist* palette = CKXTextFindAssist::Get()) palette->SetString(text);
  return true;
}

}  // namespace

void CKXTextDocument::OpenFindAssist(bool isFind, const std::string& text) {
  if (FindDocDialog(kAssistFind) || FindDocDialog(kAssistRepl)) return;
  LWindow* dialog = OpenDocDialog(isFind ? kAssistFind : kAssistRepl, &AssistEntryMessage);
  if (!dialog) return;
  SetField(dialog, kAssistField, KxCutOnCharBoundary(text, kKxFindAssistMax));
  FillHistoryPopup(dialog, kAssistHist, isFind ? gFindHistHandle : gReplHistHandle);
  KxFocusDialogField(dialog, kAssistField);
}

void CKXTextDocument::ShowFindAssistPalette() { CKXTextFindAssist::ShowFindAssist(LCommander::GetTarget()); }

// ---- Find and mark

namespace {

constexpr ResIDT kMarkDialog = 2180;
constexpr PaneIDT kMarkField = 2183, kMarkHist = 2184, kMarkCase = 2185, kMarkRegExp = 2186, kMarkRegExpPopup = 2187;
constexpr MessageT kMarkOK = -2181, kMarkCancel = -2182, kMarkClear = -2188;

bool FindMarkMessage(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  switch (message) {
    case -kMarkHist: HistoryPopupMessage(dialog, kMarkHist, kMarkField, gFindHistHandle); return true;
    case -kMarkRegExpPopup: RegExpPopupMessage(dialog, kMarkRegExpPopup, kMarkField, 0); return true;
    case -kMarkRegExp: {
      LControl* box = Control(dialog, kMarkRegExp);
      ShowRegExpPopup(dialog, kMarkRegExpPopup, box && box->GetValue() != 0);
      return true;
    }
    case kMarkCancel: doc.CloseDocDialog(dialog); return true;
    case kMarkClear:
      doc.CloseDocDialog(dialog);
      if (CKXTextView* view = doc.CurrentTextView()) LCommander::SwitchTarget(view);
      doc.RefreshMarkup();
      return true;
    case kMarkOK: break;
    default: return true;
  }
  const std::string find = FieldText(dialog, kMarkField);
  RecordFind(find);
  LControl* ignoreCase = Control(dialog, kMarkCase);
  LControl* regExp = Control(dialog, kMarkRegExp);
  const bool caseOn = ignoreCase && ignoreCase->GetValue() != 0, reOn = regExp && regExp->GetValue() != 0;
  KxSetFindFlag(KxFindFlag::kCase, caseOn);
  KxSetFindFlag(KxFindFlag::kRegExp, reOn);
  gPrefModify = true;
  KxToolbarFindString(KxGetFindString());
  doc.CloseDocDialog(dialog);
  if (find.empty()) return true;
  if (CKXTextView* view = doc.CurrentTextView()) LCommander::SwitchTarget(view);
  const std::string& pattern = KxGetFindString();
  doc.DoFindAllAndMarkup(pattern.data(), long(pattern.size()), short((caseOn ? 2 : 0) | (reOn ? 16 : 0)));
  return true;
}

}  // namespace

void CKXTextDocument::OpenFindSpelling() {
  if (FindDocDialog(kMarkDialog)) return;
  // A find match selected becomes the find string (a long one is cut on a
  // character boundary).
  if (mEngine->IsFindSelection()) {
    const SKXRange sel = mEngine->GetSelectionRange();
    std::string bytes(std::size_t(std::max<std::int32_t>(sel.length, 0)), '\0');
    CKXTextEditEx& edit = *KXHandleAccess::Edit(mEngine->GetEdit());
    if (!bytes.empty()) edit.CopyBytes(sel.start, long(sel.start) + sel.length, bytes.data(), long(bytes.size()));
    RecordFind(bytes);
    KxToolbarFindString(KxGetFindString());
  }
  LWindow* dialog = OpenDocDialog(kMarkDialog, &FindMarkMessage);
  if (!dialog) return;
  SetField(dialog, kMarkField, KxGetFindString());
  FillHistoryPopup(dialog, kMarkHist, gFindHistHandle);
  if (LControl* c = Control(dialog, kMarkCase)) KxSetControlQuietly(c, KxGetFindFlag(KxFindFlag::kCase) ? 1 : 0);
  if (LControl* c = Control(dialog, kMarkRegExp)) KxSetControlQuietly(c, KxGetFindFlag(KxFindFlag::kRegExp) ? 1 : 0);
  FillRegExpPopup(dialog, kMarkRegExpPopup, KxGetFindFlag(KxFindFlag::kRegExp));
  if (LPane* clear = dialog->FindPaneByID(-kMarkClear)) {
    if (KXTE_GetMarkupCount(mEngine->GetEdit()) > 0)
      clear->Enable();
    else
      clear->Disable();
  }
  KxFocusDialogField(dialog, kMarkField);
}

void CKXTextDocument::DoFindAllAndMarkup(const char* text, long length, short options) {
  const KXEditHandle edit = mEngine->GetEdit();
  const long size = KXHandleAccess::Edit(mEngine->GetEdit())->GetLength();
  // Every match is found before the marks change, as replace-all finds its
  // matches: Escape stops the search with the marks as they were.
  std::vector<SKXRange> found;
  bool tooComplex = false;
  try {
    StFindEscape escape;
    for (long pos = 0; pos < size;) {
      long at = 0;
      const std::int32_t n = KXText_FindText(edit, pos, text, length, at, short(options & ~kKxFindBackward),
                                             mEngine->GetScriptType());
      if (n <= 0 || at < pos) break;
      found.push_back(SKXRange{std::int32_t(at), n});
      pos = at + n;
    }
  } catch (const LException& e) {
    if (e.GetErrorCode() == kKXFindCancelled) return;
    // An expression that takes too long over the text stops the search as
    // the find command's does: the matches found so far are marked, shown
    // before the user is told that the rest were not looked for.
    if (e.GetErrorCode() != kKXFindTooComplex) throw;
    tooComplex = true;
  }
  const bool changed = KXTE_GetMarkupCount(edit) > 0 || !found.empty();
  KXTE_DeleteMarkup(edit, 0, size);
  for (const SKXRange& m : found) KXTE_InsertMarkup(edit, m.start, long(m.start) + m.length);
  if (changed) RedrawTextViews();
  if (tooComplex) {
    if (mPanes.window) mPanes.window->UpdatePort();
    KXMessageBox::Stop(kMessageFindTooComplex);
  }
}

void CKXTextDocument::RefreshMarkup() {
  const KXEditHandle edit = mEngine->GetEdit();
  const bool had = KXTE_GetMarkupCount(edit) > 0;
  KXTE_DeleteMarkup(edit, 0, KXHandleAccess::Edit(mEngine->GetEdit())->GetLength());
  if (had) RedrawTextViews();
}

void CKXTextDocument::RedrawTextViews() {
  for (CKXTextView* v : mPanes.view)
    if (v) v->Refresh();
}
