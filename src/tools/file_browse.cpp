#include "tools/file_browse.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>

#include "app/application.h"
#include "app/globals.h"
#include "document/text_doc.h"
#include "platform/ae/required_events.h"
#include "platform/bytefields.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/memory.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "platform/toolbox/pict.h"
#include "text/base/geometry.h"
#include "tools/file_info.h"
#include "tools/file_text.h"
#include "views/edit_field.h"
#include "views/message_box.h"
#include "views/preview.h"
#include "views/window_fit.h"

CKXTextFileBrowse* CKXTextFileBrowse::sFileBrowse = nullptr;

namespace {

constexpr std::int32_t kMinPreview = 80;
// The alert for a file that cannot be opened.
constexpr std::int16_t kCannotOpenMessage = 5;
constexpr std::int16_t kInfoIcon = 3153, kInfoName = 3154, kInfoType = 3155, kInfoCreator = 3156, kInfoKind = 3157,
                       kInfoSize = 3158, kInfoWhere = 3159, kInfoCreated = 3160, kInfoModified = 3161,
                       kInfoFirstBox = 3162, kInfoLock = 3169;
constexpr std::size_t kMaxWhere = 256;

std::string ListString(std::int16_t index) {
  Str255 s;
  GetIndString(s, kKxFileToolStrings, index);
  return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
}

std::string FourChars(OSType t) {
  if (t == 0) return {};
  std::string s(4, ' ');
  for (int i = 0; i < 4; ++i) s[std::size_t(i)] = char(t >> (24 - 8 * i));
  return s;
}

std::string DateText(std::int64_t seconds) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0;
  KxLocalTime(seconds, y, mo, d, h, mi);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d, %02d:%02d", y, mo, d, h, mi);
  return buf;
}

void SetCaption(LWindow* dialog, PaneIDT id, const std::string& sjis) {
  LPane* pane = dialog->FindPaneByID(id);
  if (!pane) return;
  Str255 s;
  s[0] = std::uint8_t(std::min<std::size_t>(sjis.size(), 255));
  std::memcpy(s + 1, sjis.data(), s[0]);
  pane->SetDescriptor(s);
}

bool Openable(OSType t) {
  return t == FourCC("TEXT") || t == FourCC("ttro") || t == FourCC(".KXT") || t == FourCC("PICT") ||
         t == FourCC("JPEG");
}

}  // namespace

SKXFileBrowsePref KxGetFileBrowsePref() {
  const std::uint8_t* h = gFileBrowse.head.data();
  SKXFileBrowsePref p;
  p.bounds = Rect{std::int16_t(KxGetU16BE(h)), std::int16_t(KxGetU16BE(h + 2)), std::int16_t(KxGetU16BE(h + 4)),
                  std::int16_t(KxGetU16BE(h + 6))};
  p.previewShown = std::int16_t(KxGetU16BE(h + 8));
  p.previewHeight = std::int16_t(KxGetU16BE(h + 10));
  return p;
}

void KxSetFileBrowsePref(const SKXFileBrowsePref& p) {
  std::uint8_t* h = gFileBrowse.head.data();
  KxPutU16BE(h, std::uint16_t(p.bounds.top));
  KxPutU16BE(h + 2, std::uint16_t(p.bounds.left));
  KxPutU16BE(h + 4, std::uint16_t(p.bounds.bottom));
  KxPutU16BE(h + 6, std::uint16_t(p.bounds.right));
  KxPutU16BE(h + 8, std::uint16_t(p.previewShown));
  KxPutU16BE(h + 10, std::uint16_t(p.previewHeight));
}

CKXTextFileBrowse::CKXTextFileBrowse(const KxLayoutPaneRecord& record) : CKXTextFileTool(record) {}

CKXTextFileBrowse::~CKXTextFileBrowse() {
  // What the next window opens with: the frame, the folder path.
  mPref.bounds = GetGlobalBounds();
  KxSetFileBrowsePref(mPref);
  gFileBrowse.list = KxPackFolderPath(DetachFolderMenu());
  gPrefModify = true;
  if (sFileBrowse == this) sFileBrowse = nullptr;
}

void CKXTextFileBrowse::ShowFileBrowse(LCommander* super) {
  if (sFileBrowse) {
    sFileBrowse->Select();
    return;
  }
  LWindow* window = LWindow::CreateWindow(kKxFileBrowseLayout, super);
  auto* browse = dynamic_cast<CKXTextFileBrowse*>(window);
  if (!browse) {
    delete window;
    return;
  }
  sFileBrowse = browse;
  LPane* area = browse->FindPaneByID(kKxBrowsePreviewArea);
  SDimension32 areaSize{0, 0};
  if (area) area->GetFrameSize(areaSize);
  const std::int32_t layoutPreview = areaSize.height;
  if (browse->mPref.previewHeight > 0 && browse->mPref.previewHeight != areaSize.height && area) {
    area->ResizeFrameTo(areaSize.width, browse->mPref.previewHeight, false);
  } else if (browse->mPref.previewHeight <= 0) {
    browse->mPref.previewHeight = std::int16_t(std::clamp<std::int32_t>(areaSize.height, 0, 32767));
  }
  const std::int32_t h = browse->PreviewHeight();
  Rect r = browse->GetGlobalBounds();
  r.bottom = std::int16_t(r.bottom - layoutPreview);
  const Rect saved = browse->mPref.bounds;
  if (saved.bottom > saved.top && saved.right > saved.left) {
    r = saved;
    if (browse->mPref.previewShown) r.bottom = std::int16_t(r.bottom - h);
  }
  // Fitted into the standard bounds: cut to their size, then moved inside.
  r = KxFitToStandardBounds(*browse, r);
  browse->mLayoutMinMax = Rect{};
  browse->GetMinMaxSize(browse->mLayoutMinMax);
  browse->ApplyBounds(r);
  if (browse->mPref.previewShown) {
    r.bottom = std::int16_t(r.bottom + h);
    browse->ApplyBounds(r);
  }
  browse->SetPreviewMinimum();
  browse->ShowPreviewArea();
  browse->Select();
}

void CKXTextFileBrowse::CloseFileBrowse() {
  if (sFileBrowse) sFileBrowse->DoClose();
}

void CKXTextFileBrowse::FinishCreateSelf() {
  mPref = KxGetFileBrowsePref();
  SetFolderInfoID(kKxBrowseFolderPopup, kKxBrowseFolderList);
  SetFolderMenu(KxUnpackFolderPath(gFileBrowse.list));
  gFileBrowse.list.clear();
  CKXTextFileTool::FinishCreateSelf();
  for (PaneIDT id : {kKxBrowseOpen, kKxBrowseInfo, kKxBrowseTypePopup, kKxBrowseFileList, kKxBrowsePreviewBox})
    GetBroadcasterByID(id);
  if (auto* box = dynamic_cast<LControl*>(FindPaneByID(kKxBrowsePreviewBox))) {
    box->StopBroadcasting();
    box->SetValue(mPref.previewShown ? 1 : 0);
    box->StartBroadcasting();
  }
  UpdateTextList();
}

std::int32_t CKXTextFileBrowse::PreviewHeight() const {
  SDimension32 size{0, 0};
  if (const LPane* area = const_cast<CKXTextFileBrowse*>(this)->FindPaneByID(kKxBrowsePreviewArea))
    area->GetFrameSize(size);
  return size.height;
}

void CKXTextFileBrowse::ApplyBounds(const Rect& bounds) {
  mPreviewResize = true;
  try {
    DoSetBounds(bounds);
  } catch (...) {
    mPreviewResize = false;
    throw;
  }
  mPreviewResize = false;
}

void CKXTextFileBrowse::ShowPreviewArea() {
  // Hidden with the preview, so that no edge of it shows below the lists.
  if (LPane* area = FindPaneByID(kKxBrowsePreviewArea)) {
    if (mPref.previewShown) area->Show();
    else area->Hide();
  }
}

void CKXTextFileBrowse::SetPreviewMinimum() {
  Rect minMax = mLayoutMinMax;
  if (mPref.previewShown) {
    // The window manager may not make the preview smaller than 80 pixels.
    const Rect now = GetGlobalBounds();
    minMax.top = std::int16_t(std::max<int>(minMax.top, (now.bottom - now.top) - PreviewHeight() + kMinPreview));
  }
  if (minMax.bottom > 0) SetMinMaxSize(minMax);
}

void CKXTextFileBrowse::ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) {
  struct Binding {
    PaneIDT id;
    SBooleanRect b;
  };
  // While the preview is toggled every pane keeps its place (the window
  // shows or hides the area below); a user's resize gives the room to the
  // preview when it shows, else to the lists.
  const bool shown = mPref.previewShown != 0;
  const bool toggle = mPreviewResize;
  const SBooleanRect top{true, true, false, false}, topRight{false, true, true, false},
      wide{true, true, true, false}, all{true, true, true, true}, tall{true, true, false, true},
      bottom{true, false, false, true}, bottomRight{false, false, true, true}, wideBottom{true, false, true, true};
  const std::vector<Binding> bindings =
      toggle || shown
          ? std::vector<Binding>{{kKxBrowseFolderPopup, top}, {kKxBrowseFolderList, top},
                                 {kKxBrowseTypePopup, wide},  {kKxBrowseFileList, wide},
                                 {kKxBrowsePreviewBox, top},  {kKxBrowseOpen, topRight},
                                 {kKxBrowseInfo, topRight},   {kKxBrowsePreviewArea, toggle ? wide : all}}
          : std::vector<Binding>{{kKxBrowseFolderPopup, top}, {kKxBrowseFolderList, tall},
                                 {kKxBrowseTypePopup, wide},  {kKxBrowseFileList, all},
                                 {kKxBrowsePreviewBox, bottom}, {kKxBrowseOpen, bottomRight},
                                 {kKxBrowseInfo, bottomRight}, {kKxBrowsePreviewArea, wideBottom}};
  for (const Binding& b : bindings)
    if (LPane* p = FindPaneByID(b.id)) p->SetFrameBinding(b.b);
  CKXTextFileTool::ResizeFrameBy(dw, dh, refresh);
  if (shown && !toggle && FindPaneByID(kKxBrowsePreviewArea)) {
    mPref.previewHeight = std::int16_t(std::clamp<std::int32_t>(PreviewHeight(), 0, 32767));
    gPrefModify = true;
  }
}

void CKXTextFileBrowse::ListenToMessage(MessageT message, void* param) {
  const std::size_t depth = GetFolderMenu().size();
  const std::string where = depth ? GetFolderMenu().back().path + "\n" + GetFolderMenu().back().name : std::string();
  if (HandleFolderMessage(message)) {
    // A changed folder lists anew; the current one chosen again in the
    // path pop-up too, to show what it holds now (with the selection kept).
    const bool changed = GetFolderMenu().size() != depth ||
                         (depth && GetFolderMenu().back().path + "\n" + GetFolderMenu().back().name != where);
    if (changed) UpdateTextList();
    else if (message == kKxBrowseFolderPopup) UpdateTextList(true);
    return;
  }
  switch (message) {
    case kKxBrowseOpen:
      OpenTextFile();
      return;
    case kKxBrowseInfo:
      OpenFileInfo();
      return;
    case kKxBrowseTypePopup: {
      auto* popup = dynamic_cast<LControl*>(FindPaneByID(kKxBrowseTypePopup));
      const std::int32_t v = popup ? popup->GetValue() : 0;
      mFilter = v == 1 ? FourCC("TEXT") : v == 2 ? FourCC("PICT") : v == 3 ? FourCC("JPEG") : kKxTypeAll;
      UpdateTextList();
      return;
    }
    case kKxBrowseFileList:
      SetPreview();
      return;
    case kKxBrowsePreviewBox:
      TogglePreview();
      return;
    default:
      CKXTextFileTool::ListenToMessage(message, param);
  }
}

void CKXTextFileBrowse::ActivateSelf() {
  CKXTextFileTool::ActivateSelf();
  // Back in the window: the folders and files as they are now (made,
  // removed or renamed meanwhile, by this program or another).
  if (!mListed) return;
  ChangeFolderMenu(long(GetFolderMenu().size()));
  UpdateTextList(true);
}

void CKXTextFileBrowse::UpdateTextList(bool keepSelection) {
  SKXFileEntry folder;
  if (!GetCurFolder(folder)) return;
  auto* list = dynamic_cast<KXListBox*>(FindPaneByID(kKxBrowseFileList));
  std::set<std::string> selected;
  std::int32_t top = 0;
  if (keepSelection && list) {
    for (std::int32_t row : list->GetSelectedRows())
      if (std::size_t(row) < mFiles.size()) selected.insert(mFiles[std::size_t(row)].path);
    top = list->GetTopRow();
  }
  // At the top the desktop's files show, as on a desktop.
  mFiles = folder.kind == kKxKindTop ? KxCreateFileList(KxFolderEntry(KxDesktopFolder()), false, mFilter)
                                     : KxCreateFileList(folder, false, mFilter);
  mListed = true;
  if (list) {
    list->StopBroadcasting();
    list->UnselectAllCells();
    list->RemoveAllRows();
    std::vector<std::int32_t> rows;
    for (const SKXFileEntry& e : mFiles) {
      if (selected.count(e.path)) rows.push_back(list->CountRows());
      list->AddRow(KxEntryCell(e));
    }
    if (!rows.empty()) {
      list->ScrollRowsBy(top - list->GetTopRow());
      list->SetSelectedRows(rows);
    } else if (!mFiles.empty()) {
      list->SetValue(0);
    }
    list->StartBroadcasting();
  }
  mLastPreviewed = -2;
  SetPreview();
  for (PaneIDT id : {kKxBrowseOpen, kKxBrowseInfo})
    if (LPane* b = FindPaneByID(id)) {
      if (mFiles.empty()) b->Disable();
      else b->Enable();
    }
}

void CKXTextFileBrowse::SetPreview() {
  auto* list = dynamic_cast<LListBox*>(FindPaneByID(kKxBrowseFileList));
  const std::int32_t row = list ? list->GetValue() : -1;
  // A changed selection only previews: opening is the double click's.
  mLastPreviewed = row;
  if (!mPref.previewShown) return;
  auto* pane = dynamic_cast<KXPreview*>(FindPaneByID(kKxBrowsePreview));
  if (!pane) return;
  if (row < 0 || std::size_t(row) >= mFiles.size()) {
    pane->SetPreview(nullptr, 0);
    return;
  }
  const SKXFileEntry& e = mFiles[std::size_t(row)];
  OSType type = 0;
  std::vector<std::uint8_t> data;
  KxLoadPreview(e.path, e.name, e.kind, type, data);
  if (type == 0) {
    pane->SetPreview(nullptr, e.kind);
    return;
  }
  Handle h = NewHandle(Size(data.size()));
  if (!h) {
    pane->SetPreview(nullptr, e.kind);
    return;
  }
  if (!data.empty()) std::memcpy(*h, data.data(), data.size());
  pane->SetPreview(h, type);
}

void CKXTextFileBrowse::TogglePreview() {
  auto* box = dynamic_cast<LControl*>(FindPaneByID(kKxBrowsePreviewBox));
  const std::int16_t on = box && box->GetValue() ? 1 : 0;
  if (on != mPref.previewShown) {
    mPref.previewShown = on;
    gPrefModify = true;
    Rect r = GetGlobalBounds();
    const std::int32_t h = PreviewHeight();
    // The minimum follows first, so that the smaller window is allowed.
    SetMinMaxSize(mLayoutMinMax.bottom > 0 ? mLayoutMinMax : Rect{32, 64, 32767, 32767});
    r.bottom = std::int16_t(on ? r.bottom + h : r.bottom - h);
    ApplyBounds(r);
    SetPreviewMinimum();
    ShowPreviewArea();
  }
  mLastPreviewed = -2;
  SetPreview();
}

void CKXTextFileBrowse::OpenTextFile() {
  auto* list = dynamic_cast<LListBox*>(FindPaneByID(kKxBrowseFileList));
  const std::vector<std::int32_t> rows = list ? list->GetSelectedRows() : std::vector<std::int32_t>{};
  if (rows.empty()) {
    KxCurrentHost().Beep();
    return;
  }
  const KxFileEntries files = mFiles;   // opening may list anew
  bool first = true;
  for (std::int32_t row : rows) {
    if (!first && KxCurrentHost().PeekForEscape()) break;
    first = false;
    if (std::size_t(row) >= files.size()) continue;
    const SKXFileEntry& e = files[std::size_t(row)];
    if (!Openable(e.kind) || !KxIsRegularFile(e.path)) {
      KXMessageBox::Stop(kCannotOpenMessage);
      continue;
    }
    if (CKXTextApp* app = CKXTextApp::GetTextApp()) app->HandleAppleEvent(AEMakeOpenDocuments({e.path}));
  }
}

void CKXTextFileBrowse::OpenFileInfo() {
  auto* list = dynamic_cast<LListBox*>(FindPaneByID(kKxBrowseFileList));
  const std::vector<std::int32_t> rows = list ? list->GetSelectedRows() : std::vector<std::int32_t>{};
  if (rows.empty()) {
    KxCurrentHost().Beep();
    return;
  }
  const KxFileEntries files = mFiles;
  bool changed = false, first = true;
  for (std::int32_t row : rows) {
    if (!first && KxCurrentHost().PeekForEscape()) break;
    first = false;
    if (std::size_t(row) < files.size() && FileInfoDialog(files[std::size_t(row)])) changed = true;
  }
  if (changed) UpdateTextList();
}

bool CKXTextFileBrowse::FileInfoDialog(const SKXFileEntry& file) {
  KxFileFacts facts;
  if (KxGetFileFacts(file.path, facts) != 0) {
    KxCurrentHost().Beep();
    return false;
  }
  const SKXFinderInfo info = KxReadFinderInfo(file.path);
  KXModalDialog handler(kKxFileInfoLayout, this);
  LWindow* dialog = handler.GetDialog();
  if (!dialog) return false;
  // The fields' typing is undone in the dialog, not in the browser.
  if (auto* box = dynamic_cast<KXDialogBox*>(dialog)) box->UndoSupport();
  const std::string shownName = KxDisplayName(file);
  const std::string contentType = KxGuessContentType(file.name);
  if (auto* icon = dynamic_cast<KXIconPane*>(dialog->FindPaneByID(kInfoIcon))) {
    KxIconPixels pixels;
    if (KxCurrentHost().ContentTypeIcon(contentType, 32, pixels)) {
      const std::vector<std::uint8_t> pict = KxPictFromPixels(pixels.width, pixels.height, pixels.rgb.data());
      if (!pict.empty())
        if (Handle h = NewHandle(Size(pict.size()))) {
          std::memcpy(*h, pict.data(), pict.size());
          icon->SetIconSuite(h);
        }
    }
  }
  if (auto* f = dynamic_cast<LEditField*>(dialog->FindPaneByID(kInfoName))) {
    f->SetText(shownName);
    f->SelectAll();
    LCommander::SwitchTarget(f);
  }
  if (auto* f = dynamic_cast<LEditField*>(dialog->FindPaneByID(kInfoType))) f->SetText(FourChars(info.type));
  if (auto* f = dynamic_cast<LEditField*>(dialog->FindPaneByID(kInfoCreator))) f->SetText(FourChars(info.creator));
  std::string kind = KxUTF8ToScriptText(KxContentTypeDescription(contentType));
  if (kind.empty()) {
    const bool text = info.type == FourCC("TEXT") || info.type == FourCC("ttro") || info.type == FourCC(".KXT");
    kind = info.type == FourCC("APPL") ? ListString(2) : text ? ListString(4) + ListString(3) : ListString(3);
  }
  SetCaption(dialog, kInfoKind, kind);
  char number[40];
  KxNumString(number, sizeof number,
              std::int32_t(std::min<std::int64_t>(facts.dataSize + KxResourceForkSize(file.path), INT32_MAX)), true);
  SetCaption(dialog, kInfoSize, std::string(number) + " " + ListString(5));
  std::string where;
  const KxFileEntries& path = GetFolderMenu();
  for (std::size_t i = 1; i < path.size(); ++i) {
    const std::string next = KxDisplayName(path[i]) + ": ";
    if (where.size() + next.size() >= kMaxWhere) break;
    where += next;
  }
  SetCaption(dialog, kInfoWhere, where);
  SetCaption(dialog, kInfoCreated, DateText(facts.created));
  SetCaption(dialog, kInfoModified, DateText(facts.modified));
  for (int i = 0; i < 7; ++i)
    if (auto* box = dynamic_cast<LControl*>(dialog->FindPaneByID(PaneIDT(kInfoFirstBox + i))))
      box->SetValue((info.flags & kKxFinderBoxFlags[i]) ? 1 : 0);
  if (auto* box = dynamic_cast<LControl*>(dialog->FindPaneByID(kInfoLock))) box->SetValue(facts.locked ? 1 : 0);
  dialog->Select();
  MessageT message = msg_Nothing;
  while (message != msg_OK && message != msg_Cancel) message = handler.DoDialog();
  if (message != msg_OK) return false;

  SKXInfoEdit edit;
  if (auto* f = dynamic_cast<LEditField*>(dialog->FindPaneByID(kInfoType))) edit.type = f->GetText();
  if (auto* f = dynamic_cast<LEditField*>(dialog->FindPaneByID(kInfoCreator))) edit.creator = f->GetText();
  for (int i = 0; i < 7; ++i)
    if (auto* box = dynamic_cast<LControl*>(dialog->FindPaneByID(PaneIDT(kInfoFirstBox + i))); box && box->GetValue())
      edit.boxes = std::uint16_t(edit.boxes | kKxFinderBoxFlags[i]);
  if (auto* box = dynamic_cast<LControl*>(dialog->FindPaneByID(kInfoLock))) edit.locked = box->GetValue() != 0;
  // A name the field could not show exactly is never rewritten blindly:
  // an edit that leaves unclear which of its characters a geta mark
  // stands for renames nothing, and beeps as a refused rename does.
  bool refused = false;
  if (auto* f = dynamic_cast<LEditField*>(dialog->FindPaneByID(kInfoName)); f && f->GetText() != shownName)
    refused = !KxEditedName(file.name, f->GetText(), edit.name);
  if (refused) edit.name.clear();
  // The windows showing the file, found while it still has its name: a
  // rename moves them to the new one, as Save As does, or their next save
  // would bring back the old file. The same name in the same folder (links
  // followed) is the same entry; a window on another hard link of the file
  // keeps its own name.
  const std::filesystem::path renamed(file.path);
  auto sameEntry = [&renamed](const std::string& at) {
    const std::filesystem::path open(at);
    return open.filename() == renamed.filename() &&
           KxSameFile(open.parent_path().string(), renamed.parent_path().string());
  };
  std::vector<CKXTextDocument*> showing;
  for (CKXTextDocument* d : KxTextDocHooks::All())
    if (const std::string at = d->Path(); !at.empty() && sameEntry(at)) showing.push_back(d);
  const SKXInfoResult result = KxApplyFileInfo(file.path, info, facts.locked, edit);
  if (result.path != file.path)
    for (CKXTextDocument* d : showing) d->FileRenamed(result.path);
  if (result.failed || refused) KxCurrentHost().Beep();
  return result.changed;
}
