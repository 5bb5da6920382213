#include "tools/file_tool.h"

#include <algorithm>

#include "app/app_commands.h"
#include "platform/draw/color.h"
#include "platform/framework/layout.h"
#include "platform/host/host.h"
#include "platform/folders.h"
#include "views/file_list_cell.h"

namespace {
Rect Inset(const Rect& r, int d) {
  return Rect{std::int16_t(r.top + d), std::int16_t(r.left + d), std::int16_t(r.bottom - d), std::int16_t(r.right - d)};
}
}  // namespace

// ---- KXFileListBox

KXFileListBox::KXFileListBox(const KxLayoutPaneRecord& record) : KXListBox(record) {
  mParentMessage = KxLayout::GetNumber(record, "parent", kKxMsgFolderParent);
  mOpenMessage = KxLayout::GetNumber(record, "openKey", kKxMsgFolderOpen);
  mNavigation = Flag(record, "navigation", false);
  // A double click can tell itself apart from a changed selection.
  mDoubleClickMessage = KxLayout::GetNumber(record, "open", mDoubleClickMessage);
}

bool KXFileListBox::HandleKeyPress(const EventRecord& event) {
  // Ctrl with an arrow is the navigator's, not a menu key.
  const std::uint8_t key = KxEventKeyCode(event);
  if ((event.modifiers & kKxEventCommandKey) && (key == kKxKeyUp || key == kKxKeyDown) && DoNavigationKey(event))
    return true;
  return KXListBox::HandleKeyPress(event);
}

bool KXFileListBox::DoNavigationKey(const EventRecord& event) {
  if (!mNavigation) return KXListBox::DoNavigationKey(event);
  const std::uint8_t key = KxEventKeyCode(event);
  const bool command = (event.modifiers & kKxEventCommandKey) != 0;
  const std::int32_t s = GetValue();
  if (key == kKxKeyUp) {
    if (command) BroadcastMessage(mParentMessage, this);
    else if (s == 0) SetValue(-1);
    else return LListBox::DoNavigationKey(event);
    return true;
  }
  if (key == kKxKeyDown) {
    if (command && s >= 0) BroadcastMessage(mOpenMessage, this);
    else if (s < 0) SetValue(0);
    else if (!command) return LListBox::DoNavigationKey(event);
    return true;
  }
  return LListBox::DoNavigationKey(event);
}

void KXFileListBox::DrawRow(std::int32_t row, const Rect& cell, bool keys) {
  const bool selected = mSelected[std::size_t(row)];
  KXFileListDef(kKxListDefDraw, selected && keys, cell, mCells[std::size_t(row)]);
  if (selected && !keys) FrameRect(&cell);   // an outline while another pane has the keys
}

void KXFileListBox::DrawSelf() {
  LListBox::DrawSelf();
  const Rect r = CalcLocalFrameRect16();
  UKXColor::DrawFrameShadow(Inset(r, 1), IsEnabled());
  RGBForeColor(IsEnabled() ? &UKXColor::sBlackColor : &UKXColor::sGrayColor);
  PenNormal();
  const Rect outline = Inset(r, 1);
  FrameRect(&outline);
}

// ---- CKXTextFileTool

CKXTextFileTool::CKXTextFileTool(const KxLayoutPaneRecord& record) : KXDialogBox(record) {}

void CKXTextFileTool::SetFolderInfoID(PaneIDT popupID, PaneIDT listID) {
  mPopupID = popupID;
  mListID = listID;
}

void CKXTextFileTool::SetFolderMenu(KxFileEntries path) {
  mPath = std::move(path);
  mHavePath = !mPath.empty();
}

KxFileEntries CKXTextFileTool::DetachFolderMenu() {
  KxFileEntries out = std::move(mPath);
  mPath.clear();
  mHavePath = false;
  return out;
}

bool CKXTextFileTool::GetCurFolder(SKXFileEntry& out) const {
  if (mPath.empty()) return false;
  out = mPath.back();
  return true;
}

void CKXTextFileTool::ReplaceFolderList(const SKXFileEntry& folder) {
  mFolders = KxCreateFileList(folder, true, kKxListFolders);
}

void CKXTextFileTool::AddFolderMenu(const SKXFileEntry& entry) {
  mPath.push_back(entry);
  ReplaceFolderList(entry);
  UpdateFolderMenu();
  UpdateFolderList();
}

void CKXTextFileTool::ChangeFolderMenu(long n) {
  if (n < 1 || mPath.empty()) return;
  mPath.resize(std::min<std::size_t>(mPath.size(), std::size_t(n)));
  ReplaceFolderList(mPath.back());
  UpdateFolderMenu();
  UpdateFolderList();
}

void CKXTextFileTool::UpdateFolderMenu() {
  auto* popup = dynamic_cast<LStdPopupMenu*>(FindPaneByID(mPopupID));
  if (!popup) return;
  std::vector<std::string> items;
  items.reserve(mPath.size());
  // Item 1 is the current folder, the last item the top.
  for (auto e = mPath.rbegin(); e != mPath.rend(); ++e) items.push_back(KxDisplayName(*e));
  const bool was = popup->IsBroadcasting();
  popup->StopBroadcasting();
  popup->SetItems(std::move(items));
  popup->SetValue(1);
  if (was) popup->StartBroadcasting();
}

void CKXTextFileTool::UpdateFolderList() {
  auto* list = dynamic_cast<LListBox*>(FindPaneByID(mListID));
  if (!list) return;
  auto* broadcaster = dynamic_cast<LBroadcaster*>(list);
  const bool was = broadcaster && broadcaster->IsBroadcasting();
  if (broadcaster) broadcaster->StopBroadcasting();
  list->UnselectAllCells();
  list->RemoveAllRows();
  for (const SKXFileEntry& e : mFolders) list->AddRow(KxEntryCell(e));
  if (was) broadcaster->StartBroadcasting();
}

void CKXTextFileTool::CreateFolderInfo(LListener* listener) {
  if (mPopupID == 0 || mListID == 0) return;
  if (auto* popup = dynamic_cast<LBroadcaster*>(FindPaneByID(mPopupID))) popup->AddListener(listener);
  if (auto* list = dynamic_cast<KXFileListBox*>(FindPaneByID(mListID))) {
    list->AddListener(listener);
    list->SetNavigation(true);
  }
  if (mHavePath && !mPath.empty()) {
    ReplaceFolderList(mPath.back());
  } else {
    mPath = KxStartPath();
    mHavePath = true;
    ReplaceFolderList(mPath.back());
  }
  UpdateFolderMenu();
  UpdateFolderList();
}

void CKXTextFileTool::FinishCreateSelf() {
  KXDialogBox::FinishCreateSelf();
  CreateFolderInfo(this);
}

bool CKXTextFileTool::HandleFolderMessage(MessageT message) {
  if (mListID != 0 && (message == mListID || message == kKxMsgFolderOpen)) {
    auto* list = dynamic_cast<LListBox*>(FindPaneByID(mListID));
    const std::int32_t row = list ? list->GetValue() : -1;
    if (row < 0 || std::size_t(row) >= mFolders.size()) return true;
    const SKXFileEntry entry = mFolders[std::size_t(row)];
    if (entry.IsParent()) return HandleFolderMessage(kKxMsgFolderParent);
    if (entry.IsFolder()) AddFolderMenu(entry);
    return true;
  }
  if (mPopupID != 0 && (message == mPopupID || message == kKxMsgFolderParent)) {
    auto* popup = dynamic_cast<LControl*>(FindPaneByID(mPopupID));
    const long v = message == kKxMsgFolderParent ? 2 : (popup ? popup->GetValue() : 0);
    const long m = long(mPath.size());
    if (v < 1 || v > m) return true;
    ChangeFolderMenu(m - v + 1);
    return true;
  }
  return false;
}

void CKXTextFileTool::ListenToMessage(MessageT message, void* param) {
  if (!HandleFolderMessage(message)) KXDialogBox::ListenToMessage(message, param);
}

bool CKXTextFileTool::ObeyCommand(CommandT command, void* param) {
  if (command != kKxCmdClose) return KXDialogBox::ObeyCommand(command, param);
  AttemptClose();
  return true;
}

void CKXTextFileTool::FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                                        Str255 name) {
  if (command == kKxCmdClose) enabled = true;
  else KXDialogBox::FindCommandStatus(command, enabled, usesMark, mark, name);
}

bool CKXTextFileTool::GoToFolder(const std::string& target) {
  std::string path = target;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty() || path[0] != '/' || !KxCanEnterFolder(path)) return false;
  auto* list = dynamic_cast<KXListBox*>(FindPaneByID(mListID));
  if (!list) return false;
  // To the top, then the volume with the longest path that holds PATH.
  ChangeFolderMenu(1);
  auto inside = [&](const std::string& folder) {
    return folder == "/" || path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                                              path[folder.size()] == '/');
  };
  std::int32_t best = -1;
  for (std::size_t i = 0; i < mFolders.size(); ++i)
    if (mFolders[i].kind == kKxKindVolume && inside(mFolders[i].path) &&
        (best < 0 || mFolders[i].path.size() > mFolders[std::size_t(best)].path.size()))
      best = std::int32_t(i);
  if (best < 0) return false;
  auto enter = [&](std::int32_t row) {
    list->ChooseRows({row});
    // A list that does not broadcast is entered as Ctrl+Down would.
    if (!list->IsBroadcasting()) HandleFolderMessage(mListID);
  };
  enter(best);
  while (!mPath.empty() && mPath.back().path != path) {
    const std::string& at = mPath.back().path;
    const std::size_t from = at == "/" ? 1 : at.size() + 1;
    const std::size_t slash = path.find('/', from);
    const std::string name = path.substr(from, slash == std::string::npos ? std::string::npos : slash - from);
    std::int32_t row = -1;
    for (std::size_t i = 0; i < mFolders.size(); ++i)
      if (!mFolders[i].IsParent() && mFolders[i].kind == kKxKindFolder && mFolders[i].name == name) row = std::int32_t(i);
    if (row < 0) return false;
    enter(row);
  }
  return !mPath.empty() && mPath.back().path == path;
}

CKXTextFileTool* CKXTextFileTool::FindByFolderList(PaneIDT listID) {
  for (KxWindowID w : KxCurrentHost().WindowList())
    if (auto* tool = dynamic_cast<CKXTextFileTool*>(KxCurrentHost().GetWindowClient(w)))
      if (tool->TakeFolderList(listID)) return tool;
  return nullptr;
}

void CKXTextFileTool::SwapFolderSide(PaneIDT popupID, PaneIDT listID, KxFileEntries& path, KxFileEntries& folders) {
  mPopupID = popupID;
  mListID = listID;
  std::swap(mPath, path);
  std::swap(mFolders, folders);
  mHavePath = !mPath.empty();
}
