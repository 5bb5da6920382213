#include "macros/macro_editor.h"

#include <algorithm>
#include <cstring>

#include "app/app_commands.h"
#include "app/application.h"
#include "app/document.h"
#include "app/globals.h"
#include "app/nav_dialogs.h"
#include "macros/macro_file.h"
#include "platform/draw/color.h"
#include "platform/draw/port.h"
#include "platform/exception.h"
#include "platform/framework/control.h"
#include "platform/framework/periodical.h"
#include "platform/framework/registrar.h"
#include "platform/host/host.h"
#include "platform/keys.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "text/base/geometry.h"
#include "text/base/memory.h"
#include "views/edit_field.h"
#include "views/file_list_cell.h"
#include "views/message_box.h"
#include "views/window_fit.h"

using namespace kxme;

CKXTextMacroEditor* CKXTextMacroEditor::sMacroEditor = nullptr;
Rect CKXTextMacroEditor::sBoundsMacroEditor{0, 0, 0, 0};
bool CKXTextMacroEditor::sHasBounds = false;

namespace {

constexpr CommandT kEditorDisabled[] = {2, 3, 8, 19, 1003, 1004, 1020, 1108, 1109, 1121, 1148, 1149, 1210};
constexpr std::int16_t kReadFailure = 1;    // list 204
constexpr std::int16_t kWriteFailure = 9;
constexpr std::uint8_t kBackspace = 8;

template <class T>
LPane* Create(const KxLayoutPaneRecord& record) {
  return new T(record);
}

std::string NameOf(const SKXTMacro& m) {
  const std::size_t n = std::min<std::size_t>(m.name[0], kMacroNameMax);
  return std::string(reinterpret_cast<const char*>(m.name + 1), n);
}

void SetName(SKXTMacro& m, const std::string& name) {
  std::memset(m.name, 0, sizeof m.name);
  const std::size_t n = CutToCharBoundary(name.data(), name.size(), kMacroNameMax);
  m.name[0] = std::uint8_t(n);
  std::memcpy(m.name + 1, name.data(), n);
}

// The macro menu follows the list.
void UpdateMacroMenu() {
  if (auto* app = dynamic_cast<CKXTextApp*>(LApplication::GetApplication())) app->UpdateDynamicMenus();
}

// Finishes the close of an editor that was busy when asked, then goes.
class PendingClose : public LPeriodical {
 public:
  static void Start() {
    if (!sOne) {
      sOne = new PendingClose;
      sOne->StartIdling();
    }
  }
  static void Stop() {
    delete sOne;
    sOne = nullptr;
  }
  void SpendTime(const EventRecord&) override { CKXTextMacroEditor::FinishPendingClose(); }

 private:
  static PendingClose* sOne;
};
PendingClose* PendingClose::sOne = nullptr;

}  // namespace

void KxRegisterMacroEditorClasses() {
  URegistrar::RegisterClass(CKXTextMacroEditor::kClassID, Create<CKXTextMacroEditor>);
  URegistrar::RegisterClass(KXMacroListBox::kClassID, Create<KXMacroListBox>);
}

// ---- KXMacroListBox

bool KXMacroListBox::HandleKeyPress(const EventRecord& event) {
  CKXTextMacroEditor::StBusy busy(mEditor);
  if (KxEventChar(event) == kBackspace && !(event.modifiers & kKxEventCommandKey)) {
    if (GetSelectCount() > 0 && mEditor) mEditor->ClearMacro();
    return true;
  }
  return KXListBox::HandleKeyPress(event);
}

void KXMacroListBox::FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                                       Str255 name) {
  if (mCommandThrough) {
    enabled = true;
    return;
  }
  switch (command) {
    case kKxCmdCut:
    case kKxCmdCopy:
    case kKxCmdClear: enabled = GetSelectCount() > 0; return;
    case kKxCmdPaste: enabled = mEditor && mEditor->ClipboardHasLines(); return;
    default: KXListBox::FindCommandStatus(command, enabled, usesMark, mark, name);
  }
}

bool KXMacroListBox::ObeyCommand(CommandT command, void* param) {
  CKXTextMacroEditor::StBusy busy(mEditor);
  if (mCommandThrough) {
    std::uint16_t stored = 0;
    if (!UKXTextMacro::EncodeCommand(command, stored)) return true;   // refused: the line keeps its command
    mCommand = stored;
    if (mEditor) mEditor->CommandCaptured();
    return true;
  }
  if (!mEditor) return KXListBox::ObeyCommand(command, param);
  switch (command) {
    case kKxCmdCut:
      mEditor->CopyMacro();
      mEditor->ClearMacro();
      return true;
    case kKxCmdCopy: mEditor->CopyMacro(); return true;
    case kKxCmdPaste: mEditor->PasteMacro(); return true;
    case kKxCmdClear: mEditor->ClearMacro(); return true;
    default: return KXListBox::ObeyCommand(command, param);
  }
}

void KXMacroListBox::SetRows(const std::vector<std::string>& rows) {
  mCells = rows;
  mSelected.resize(mCells.size(), false);
  if (mTopRow >= CountRows()) mTopRow = std::max(0, CountRows() - 1);
  Refresh();
}

void KXMacroListBox::DrawSelf() {
  KXListBox::DrawSelf();
  // Over the plain rows: each again with its note in blue.
  const Rect r = CalcLocalFrameRect16();
  const bool live = IsEnabled() && IsActive();
  KxClipScope inside(RectL{r.top + 1, r.left + 1, r.bottom - 1, r.right - 1});
  RGBBackColor(&UKXColor::sWhiteColor);
  RGBForeColor(live ? &UKXColor::sBlackColor : &UKXColor::sGrayColor);
  for (std::int32_t row = mTopRow; row < CountRows() && row < mTopRow + VisibleRows() + 1; ++row) {
    const std::int32_t top = r.top + 1 + (row - mTopRow) * mRowHeight;
    const Rect cell{KxPinShort(top), std::int16_t(r.left + 1), KxPinShort(top + mRowHeight), std::int16_t(r.right - 1)};
    const bool hilite = mSelected[std::size_t(row)] && live && GetTarget() == this;
    KXFileListDef(kKxListDefDraw, hilite, cell, mCells[std::size_t(row)]);
    if (mSelected[std::size_t(row)] && !hilite) FrameRect(&cell);
  }
}

// ---- CKXTextMacroEditor: life

CKXTextMacroEditor::CKXTextMacroEditor(const KxLayoutPaneRecord& record) : KXDialogBox(record) {
  sMacroEditor = this;
}

CKXTextMacroEditor::~CKXTextMacroEditor() {
  if (mClipboard) KxMemHFree(mClipboard);
  sBoundsMacroEditor = GetGlobalBounds();
  sHasBounds = true;
  if (sMacroEditor == this) sMacroEditor = nullptr;
  PendingClose::Stop();
  LCommander::SetUpdateCommandStatus(true);
}

bool CKXTextMacroEditor::ShowMacroEditor(LCommander* super) {
  if (sMacroEditor && sMacroEditor->mClosePending) return false;   // closing
  if (sMacroEditor) {
    sMacroEditor->Select();
    return true;
  }
  LWindow* window = nullptr;
  try {
    window = LWindow::CreateWindow(kLayout, super);
  } catch (const LException&) {
    sMacroEditor = nullptr;
    return false;
  }
  auto* editor = dynamic_cast<CKXTextMacroEditor*>(window);
  if (!editor) {
    delete window;
    return false;
  }
  editor->UndoSupport();
  // On the screen and clear of the tool palette, which would hide its
  // name field.
  editor->DoSetBounds(KxFitToStandardBounds(*editor, sHasBounds ? sBoundsMacroEditor : editor->GetGlobalBounds()));
  editor->Select();
  return true;
}

bool CKXTextMacroEditor::AllowLeaving() {
  return !sMacroEditor || sMacroEditor->mClosePending || sMacroEditor->CheckMacroModify();
}

void CKXTextMacroEditor::CloseEditor() {
  if (sMacroEditor) sMacroEditor->DoClose();
}

void CKXTextMacroEditor::DoClose() {
  if (mBusy > 0) {
    mClosePending = true;
    PendingClose::Start();
    return;
  }
  KXDialogBox::DoClose();
}

void CKXTextMacroEditor::FinishPendingClose() {
  CKXTextMacroEditor* editor = sMacroEditor;
  if (!editor || !editor->mClosePending) {
    PendingClose::Stop();
    return;
  }
  if (editor->mBusy > 0) return;
  PendingClose::Stop();
  editor->KXDialogBox::DoClose();
}

void CKXTextMacroEditor::FinishCreateSelf() {
  KXDialogBox::FinishCreateSelf();
  for (std::int32_t id = kName; id <= kWrite; ++id) GetBroadcasterByID(id);
  for (std::int32_t id = kFirstStepPane; id <= kLastStepPane; ++id) {
    LPane* pane = GetBroadcasterByID(id);
    if (!pane) continue;
    pane->Hide();
    if (auto* popup = dynamic_cast<LStdPopupMenu*>(pane)) popup->SetMinValue(0);
    if (auto* field = dynamic_cast<LEditField*>(pane)) field->Disable();
  }
  for (std::int32_t id : {std::int32_t(kMacroPopup), std::int32_t(kNewPopup)})
    if (auto* popup = Pane<LStdPopupMenu>(id)) {
      popup->SetMinValue(0);
      SetValueControl(id, 0, true);
    }
  if (KXMacroListBox* list = List()) list->SetEditor(this);
  EnableButton(kStore, false);
  EnableButton(kWrite, false);
  BuildMacroTitle();
  OpenStoredOrRecorded(0);
}

// ---- messages and commands

void CKXTextMacroEditor::ListenToMessage(MessageT message, void* param) {
  StBusy busy(this);
  switch (message) {
    case -kWrite: MacroFileWriteButton(); return;
    case -kRead: MacroFileReadButton(); return;
    case -kStore: MacroRenewalButton(); return;
    case -kList: MacroCommandList(); return;
    case -kNewPopup: MacroNewCommand(); return;
    case -kMacroPopup: MacroSetting(); return;
    default: break;
  }
  if (message >= -3399 && message <= -3301) {
    auto* control = Pane<LControl>(-message);
    CheckMacroEdit(-message, control ? control->GetValue() : 0);
    return;
  }
  KXDialogBox::ListenToMessage(message, param);
}

bool CKXTextMacroEditor::ObeyCommand(CommandT command, void* param) {
  StBusy busy(this);
  if (command == kKxCmdClose) {
    AttemptClose();
    return true;
  }
  return KXDialogBox::ObeyCommand(command, param);
}

void CKXTextMacroEditor::FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark,
                                           std::uint16_t& mark, Str255 name) {
  std::int16_t menu = 0, item = 0;
  if (LCommander::IsSyntheticCommand(command, menu, item) ||
      std::find(std::begin(kEditorDisabled), std::end(kEditorDisabled), command) != std::end(kEditorDisabled)) {
    enabled = false;
    return;
  }
  if (command == kKxCmdClose) {
    enabled = true;
    return;
  }
  KXDialogBox::FindCommandStatus(command, enabled, usesMark, mark, name);
}

bool CKXTextMacroEditor::AttemptCloseSelf() { return CheckMacroModify(); }

bool CKXTextMacroEditor::HandleKeyPress(const EventRecord& event) { return KXDialogBox::HandleKeyPress(event); }

void CKXTextMacroEditor::ActivateSelf() {
  KXDialogBox::ActivateSelf();
  if (!gKXTextMacros) return;
  if (!gKXTextMacros->mChanged && !ShowsOlderRecording()) return;
  gKXTextMacros->mChanged = 0;
  BuildMacroTitle();
  // The list changed elsewhere: the macro edited is found again by its
  // name. Unstored edits stay, with their flag: when the macro is gone they
  // become a new macro that the next store appends.
  long found = 0;
  if (mMacroNumber != 0) {
    SKXTMacro m;
    for (long n = 1; n <= gKXTextMacros->GetCount() && !found; ++n)
      if (gKXTextMacros->GetAt(n, m) && NameOf(m) == mEditedName) found = n;
  }
  // Unstored edits of a last recorded macro that a new recording replaced
  // stay too; storing them then needs a name (MacroRenewalButton).
  if (mModified) {
    if (mMacroNumber != 0) mMacroNumber = found ? found : -1;
    SetValueControl(kMacroPopup, mMacroNumber > 0 ? mMacroNumber + 2 : 0, true);
    return;
  }
  RestoreMacroEdit();
  CloseMacro();
  OpenStoredOrRecorded(found);
}

// ---- opening, closing and encoding

void CKXTextMacroEditor::OpenMacro(char** code, long size) {
  CloseMacro();
  long bad = 0;
  if (code && *code && size > 0) {
    CKXLock lock(code);
    const long whole = std::min(size, KxMemHSize(code));
    if (mLines.AnalyzeMacro(lock.Ptr(), whole) != noErr) bad = UKXTextMacro::BadMacroLine(lock.Ptr(), whole);
  }
  DrawMacroList();
  SetMacroOption(true);
  // Code that does not decode shows no lines: said so, or storing the empty
  // list would silently replace it.
  if (bad > 0) KXMessageBox::NumNote(kBadLineNote, bad);
}

void CKXTextMacroEditor::CloseMacro() {
  if (mShownLine) ShowGroup(mShownOpcode, false);
  if (KXMacroListBox* list = List()) list->SetCommandThrough(false);
  mLines.DeleteAll();
  std::memset(mLines.mHeader, 0, sizeof mLines.mHeader);
  if (KXMacroListBox* list = List()) list->RemoveAllRows();
  mShownLine = 0;
  mShownOpcode = 0;
  SetMacroOption(false);
}

long CKXTextMacroEditor::SaveMacro(char**& code, long oldSize) {
  if (mLines.GetCount() == 0) {
    if (code) KxMemHFree(code);
    code = nullptr;
    return 0;
  }
  const long size = mLines.GetMacroSize();
  if (!code) code = KxMemHAlloc(size, true);
  else if (size != oldSize || KxMemHSize(code) < size) KxMemHReAlloc(code, size, true);
  CKXLock lock(code);
  return mLines.CreateMacro(lock.Ptr(), size);
}

void CKXTextMacroEditor::BuildMacroTitle() {
  auto* popup = Pane<LStdPopupMenu>(kMacroPopup);
  if (!popup) return;
  std::vector<std::string> items;
  items.push_back(popup->GetItems().empty() ? std::string() : popup->GetItems().front());
  if (gKXTextMacros && gKXTextMacros->GetCount() > 0) {
    items.push_back("-");
    SKXTMacro m;
    for (long n = 1; n <= gKXTextMacros->GetCount(); ++n) {
      gKXTextMacros->GetAt(n, m);
      items.push_back(NameOf(m));
    }
  }
  const bool was = mFilling;
  mFilling = true;
  popup->StopBroadcasting();
  popup->SetItems(std::move(items));
  popup->SetMinValue(0);   // no item: the last recorded macro
  popup->SetValue(0);
  popup->StartBroadcasting();
  mFilling = was;
}

void CKXTextMacroEditor::SetMacroOption(bool fromHeader) {
  const std::uint8_t* h = mLines.mHeader;
  const bool on = fromHeader && h[1] != 0;
  SetValueControl(kHidden, fromHeader && h[0] ? 1 : 0, true);
  SetValueControl(kFunction, on ? 1 : 0, true);
  SetValueControl(kFuncShift, fromHeader && h[3] == 1 ? 1 : 0, on);
  SetValueControl(kFuncOption, fromHeader && h[3] == 4 ? 1 : 0, on);
  const std::string number = fromHeader && h[2] ? std::to_string(h[2]) : std::string();
  SetFieldText(kFuncNumber, number.data(), long(number.size()), on);
}

void CKXTextMacroEditor::OpenStoredOrRecorded(long number) {
  const bool was = mFilling;
  mFilling = true;
  SKXTMacro m{};
  if (number > 0 && gKXTextMacros && gKXTextMacros->GetAt(number, m)) {
    mMacroNumber = number;
    mEditedName = NameOf(m);
    OpenMacro(m.code, m.size);
    SetFieldText(kName, mEditedName.data(), long(mEditedName.size()), true);
    if (auto* field = Pane<LEditField>(kName)) field->SelectAll();
    SetValueControl(kMacroPopup, number + 2, true);
    EnableButton(kWrite, m.code != nullptr && m.size > 0);
  } else {
    mMacroNumber = 0;
    mEditedName.clear();
    mRecordedGeneration = UKXTextMacro::mMacroGeneration;
    OpenMacro(UKXTextMacro::mMacroData, UKXTextMacro::mMacroSize);
    SetFieldText(kName, "", 0, true);
    SetValueControl(kMacroPopup, 0, true);
    EnableButton(kWrite, false);
  }
  EnableButton(kStore, false);
  mModified = false;
  mFilling = was;
}

// ---- the Part's buttons

void CKXTextMacroEditor::MacroSetting() {
  if (mFilling) return;
  auto* popup = Pane<LStdPopupMenu>(kMacroPopup);
  const std::int32_t chosen = popup ? popup->GetValue() : 0;
  if (!CheckMacroModify()) {
    SetValueControl(kMacroPopup, mMacroNumber > 0 ? mMacroNumber + 2 : 0, true);
    return;
  }
  CloseMacro();
  OpenStoredOrRecorded(chosen >= 3 ? chosen - 2 : 0);
}

std::string CKXTextMacroEditor::NameField() const {
  auto* field = const_cast<CKXTextMacroEditor*>(this)->Pane<LEditField>(kName);
  const std::string text = field ? field->GetText() : std::string();
  return text.substr(0, CutToCharBoundary(text.data(), text.size(), kMacroNameMax));
}

bool CKXTextMacroEditor::MacroRenewalButton() {
  RestoreMacroEdit();
  const long bad = mLines.CheckMacro();
  SelectRow(bad);
  if (bad) {
    SetupMacroEdit(bad);
    KXMessageBox::NumNote(kBadLineNote, bad);
    return false;
  }
  if (!gKXTextMacros) return false;
  const std::string name = NameField();
  // Edits of a last recorded macro that has since been recorded over never
  // replace the new recording: they are stored only under a name.
  const bool older = ShowsOlderRecording();
  if (older && name.empty()) {
    KxCurrentHost().Beep();
    if (auto* field = Pane<LEditField>(kName)) {
      field->SelectAll();
      LCommander::SwitchTarget(field);
    }
    return false;
  }
  SKXTMacro stored{};
  const bool editingStored = mMacroNumber > 0 && gKXTextMacros->GetAt(mMacroNumber, stored);
  const bool toList = (editingStored || mMacroNumber < 0 || older) && !name.empty();
  // The last recorded macro is the recorder's buffer while it records:
  // replacing it then would leave the recorder writing into another one.
  if (!toList && UKXTextMacro::mMacroRecording) {
    KxCurrentHost().Beep();
    return false;
  }
  EnableButton(kStore, false);
  if (toList) {
    char** code = nullptr;
    const long size = SaveMacro(code, 0);
    if (editingStored && name == NameOf(stored)) {
      stored.code = code;
      stored.size = std::int32_t(size);
      gKXTextMacros->SetAt(mMacroNumber, stored);   // frees the old code
      // The header may now hide the macro from the menu, or show it again.
      UpdateMacroMenu();
    } else {
      SKXTMacro added{};
      SetName(added, name);
      added.code = code;
      added.size = std::int32_t(size);
      gKXTextMacros->InsertAt(CKXTMacroArray::kAppend, added);
      mMacroNumber = gKXTextMacros->GetCount();
      mEditedName = NameOf(added);
      BuildMacroTitle();
      SetValueControl(kMacroPopup, mMacroNumber + 2, true);
      UpdateMacroMenu();
    }
  } else {
    char** code = nullptr;
    long size = SaveMacro(code, 0);
    if (!name.empty() && size > 0) {
      SKXTMacro added{};
      SetName(added, name);
      added.code = code;
      added.size = std::int32_t(size);
      gKXTextMacros->InsertAt(CKXTMacroArray::kAppend, added);
      code = nullptr;
      size = 0;
      mMacroNumber = gKXTextMacros->GetCount();
      mEditedName = NameOf(added);
      BuildMacroTitle();
      SetValueControl(kMacroPopup, mMacroNumber + 2, true);
      UpdateMacroMenu();
    } else if (mMacroNumber != 0) {
      mMacroNumber = 0;
      mEditedName.clear();
      SetValueControl(kMacroPopup, 0, true);
    }
    char** old = UKXTextMacro::SetMacroData(code, size);
    if (old && old != code) KxMemHFree(old);
    mRecordedGeneration = UKXTextMacro::mMacroGeneration;
  }
  gPrefModify = true;
  mModified = false;
  return true;
}

bool CKXTextMacroEditor::CheckMacroModify() {
  StBusy busy(this);
  RestoreMacroEdit();
  if (!mModified) return true;
  std::int16_t answer;
  {
    StKXTextToolbarHide hide;
    StDesktopDeactivator deactivate;
    std::string name = NameField();
    if (name.empty())
      if (auto* popup = Pane<LStdPopupMenu>(kMacroPopup); popup && !popup->GetItems().empty())
        name = popup->GetItems().front();
    answer = UNavigationServices::AskSaveChanges(GetHostWindow(), KxScriptTextToUTF8(name), KxApplicationName(),
                                                 false);
  }
  if (answer == 1) return MacroRenewalButton();
  return answer != 2;
}

void CKXTextMacroEditor::MacroFileWriteButton() {
  if (!CheckMacroModify()) return;
  SKXTMacro m{};
  char** code = UKXTextMacro::mMacroData;
  long size = UKXTextMacro::mMacroSize;
  if (mMacroNumber > 0 && gKXTextMacros && gKXTextMacros->GetAt(mMacroNumber, m)) {
    code = m.code;
    size = m.size;
  }
  if (!code || size <= 0) return;
  FSSpec file;
  bool replacing = false, stationery = false;
  const OSErr chosen = UNavigationServices::SaveFileDialog(
      GetHostWindow(), KxScriptTextToUTF8(NameField()), KxApplicationName(), FourCC("MACR"), FourCC("KXTE"),
      nullptr, file, replacing, stationery, {}, nullptr);
  if (chosen == kKxUserCanceled) return;
  const OSErr err = chosen != noErr ? chosen : KxWriteMacroFileTo(file.Path(), code, size);
  if (err != noErr) {
    // The file is not there: said so, and the button stays for another try.
    KXMessageBox::Stop(kWriteFailure);
    return;
  }
  EnableButton(kWrite, false);
}

void CKXTextMacroEditor::MacroFileReadButton() {
  if (!CheckMacroModify() || !gKXTextMacros) return;
  FSSpec file;
  OSType type = 0;
  if (UNavigationServices::OpenFileDialog(KxApplicationName(), FourCC("KXTE"), {FourCC("MACR")}, nullptr, file, type,
                                          true) != noErr)
    return;
  SKXTMacro read{};
  if (KxReadMacroFile(file.Path(), read) != noErr) {
    KXMessageBox::Stop(kReadFailure);
    return;
  }
  gKXTextMacros->InsertAt(CKXTMacroArray::kAppend, read);
  BuildMacroTitle();
  UpdateMacroMenu();
  gPrefModify = true;
  CloseMacro();
  OpenStoredOrRecorded(gKXTextMacros->GetCount());
}

bool CKXTextMacroEditor::ShiftHeld() const {
  return KxShiftKeyDown();
}

long CKXTextMacroEditor::InsertPosition(long line) const {
  const bool shift = ShiftHeld();
  if (line <= 0) return shift ? 1 : mLines.GetCount() + 1;
  return shift ? line : line + 1;
}

void CKXTextMacroEditor::MacroNewCommand() {
  auto* popup = Pane<LStdPopupMenu>(kNewPopup);
  if (!popup || mFilling) return;
  const int kind = popup->GetValue();
  SetValueControl(kNewPopup, 0, true);
  if (kind < kMacroCommand || kind > kMacroExtend) return;
  const long shown = mShownLine;
  RestoreMacroEdit();
  const long position = InsertPosition(shown);
  mLines.RenumMacro(position, 1);
  SKXTMacroEdit line{};
  line.opcode = std::int16_t(kind);
  mLines.InsertAt(position, line);
  DrawMacroList();
  SelectRow(position);
  SetupMacroEdit(position);
  Changed();
}

std::vector<long> CKXTextMacroEditor::SelectedLines() const {
  std::vector<long> lines;
  if (auto* list = const_cast<CKXTextMacroEditor*>(this)->List())
    for (std::int32_t row : list->GetSelectedRows()) lines.push_back(long(row) + 1);
  return lines;
}

void CKXTextMacroEditor::SelectRow(long line) {
  KXMacroListBox* list = List();
  if (!list) return;
  if (line < 1 || line > list->CountRows()) {
    list->UnselectAllCells();
    return;
  }
  list->SetSelectedRows({std::int32_t(line - 1)});
  list->ScrollToRow(std::int32_t(line - 1));
}

void CKXTextMacroEditor::MacroCommandList() {
  if (mFilling) return;
  RestoreMacroEdit();
  const std::vector<long> selected = SelectedLines();
  if (!selected.empty()) SetupMacroEdit(selected.front());
}

void CKXTextMacroEditor::CopyMacro() {
  const long shown = mShownLine;
  RestoreMacroEdit();
  const std::vector<long> selected = SelectedLines();
  if (selected.empty()) return;
  long size = 0;
  SKXTMacroEdit line;
  for (long n : selected)
    if (mLines.GetAt(n, line)) size += UKXTextMacro::GetMacroEditSize(line);
  char** code = KxMemHAlloc(size, true);
  {
    CKXLock lock(code);
    long at = 0;
    for (long n : selected)
      if (mLines.GetAt(n, line)) at += UKXTextMacro::CreateMacro(lock.Ptr() + at, line);
  }
  if (mClipboard) KxMemHFree(mClipboard);
  mClipboard = code;
  mClipboardSize = size;
  if (shown) SetupMacroEdit(shown);
}

void CKXTextMacroEditor::PasteMacro() {
  if (!ClipboardHasLines()) return;
  RestoreMacroEdit();
  const std::vector<long> selected = SelectedLines();
  const bool shift = ShiftHeld();
  long position;
  if (selected.empty()) position = shift ? 1 : mLines.GetCount() + 1;
  else position = shift ? selected.front() : selected.front() + 1;
  long count;
  {
    CKXLock lock(mClipboard);
    count = PasteLines(mLines, lock.Ptr(), mClipboardSize, position);
  }
  if (count == 0) return;
  DrawMacroList();
  SelectRow(position + count - 1);
  mModified = true;
  Changed();
}

void CKXTextMacroEditor::ClearMacro() {
  RestoreMacroEdit();
  const std::vector<long> selected = SelectedLines();
  if (selected.empty()) return;
  ClearLines(mLines, selected);
  DrawMacroList();
  if (KXMacroListBox* list = List()) list->UnselectAllCells();
  // Deleting lines is a change even when none are left.
  mModified = true;
  Changed();
}

void CKXTextMacroEditor::Changed() {
  if (mFilling) return;
  if (mLines.GetCount() > 0 || mModified) {
    mModified = true;
    EnableButton(kStore, true);
    EnableButton(kWrite, true);
  }
}

// ---- small pane helpers

void CKXTextMacroEditor::SetValueControl(std::int32_t id, std::int32_t value, bool enabled, bool quiet) {
  auto* control = Pane<LControl>(id);
  if (!control) return;
  const bool was = mFilling;
  if (quiet) {
    mFilling = true;
    control->StopBroadcasting();
  }
  if (value != 2147483647) control->SetValue(value);
  if (enabled) control->Enable();
  else control->Disable();
  if (quiet) {
    control->StartBroadcasting();
    mFilling = was;
  }
}

void CKXTextMacroEditor::SetFieldText(std::int32_t id, const char* text, long length, bool enabled) {
  auto* field = Pane<LEditField>(id);
  if (!field) return;
  std::string value(text ? text : "", text && length > 0 ? std::size_t(length) : 0);
  if (auto* kx = dynamic_cast<KXEditField*>(field)) kx->SetText(value.data(), value.size());
  else field->SetText(value);
  if (enabled) field->Enable();
  else field->Disable();
}

void CKXTextMacroEditor::EnableButton(std::int32_t id, bool on) {
  if (LPane* pane = FindPaneByID(id)) {
    if (on) pane->Enable();
    else pane->Disable();
  }
}
