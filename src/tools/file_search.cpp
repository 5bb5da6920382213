#include "tools/file_search.h"

#include <algorithm>
#include <cstring>

#include "app/application.h"
#include "app/globals.h"
#include "app/histories.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/kxtext_handle.h"
#include "platform/ae/required_events.h"
#include "platform/bytefields.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/script.h"
#include "text/base/geometry.h"
#include "text/find/find.h"
#include "tools/file_text.h"
#include "views/edit_field.h"
#include "views/file_list_cell.h"
#include "views/message_box.h"
#include "views/text_view_commands.h"
#include "views/window_fit.h"

CKXTextFileSearch* CKXTextFileSearch::sFileSearch = nullptr;

namespace {

enum : PaneIDT {
  kFind = 3201, kOpen = 3202, kFolderPopup = 3203, kFolderList = 3204, kField = 3205, kHistory = 3206,
  kIgnoreWidth = 3207, kIgnoreKana = 3208, kIgnoreCase = 3209, kFolderOnly = 3210, kAllMatches = 3211,
  kResults = 3212, kCount = 3213, kRegexp = 3214, kSnippets = 3215,
};
constexpr std::int16_t kSnippetStrings = 209;
// gPreference's find options: width, kana, case, (palette, backward), regexp.
constexpr int kOptionBoxes[4][2] = {{kIgnoreWidth, 0}, {kIgnoreKana, 1}, {kIgnoreCase, 2}, {kRegexp, 5}};
constexpr std::int16_t kFullMessage = 4;
constexpr std::int16_t kCannotOpenMessage = 5;   // the file browser's, for a file gone
constexpr std::int16_t kTooComplexMessage = 13;   // the find's: the expression took too long
constexpr std::uint32_t kCheckTicks = 30;
constexpr char kReturn = 13, kTab = 9;
constexpr std::size_t kHistoryFixed = 3;   // clear, Return, Tab after the separator

// Whether a document of the file is open (its window still shows the text
// when the file has gone).
bool IsOpen(const std::string& path) {
  const std::vector<CKXTextDocument*> docs = KxTextDocHooks::All();
  return std::any_of(docs.begin(), docs.end(), [&](CKXTextDocument* d) { return d->Path() == path; });
}

LControl* Control(LWindow* w, PaneIDT id) { return dynamic_cast<LControl*>(w->FindPaneByID(id)); }

std::string Caption(const std::string& s) { return s; }

void SetText(LPane* pane, const std::string& sjis) {
  if (!pane) return;
  Str255 s;
  s[0] = std::uint8_t(std::min<std::size_t>(sjis.size(), 255));
  std::memcpy(s + 1, sjis.data(), s[0]);
  pane->SetDescriptor(s);
}

}  // namespace

// ---- KXFileResult

bool KXFileResult::ObeyCommand(CommandT command, void* param) {
  if (command == kKxCmdCopy) {
    CopyScrap();
    return true;
  }
  return KXFileListBox::ObeyCommand(command, param);
}

std::string KXFileResult::CopyText(const std::vector<std::string>& cells) {
  std::string text;
  for (const std::string& cell : cells) {
    std::string row = !cell.empty() && std::uint8_t(cell[0]) < kKxFileListIconKinds ? cell.substr(1) : cell;
    if (const std::size_t nul = row.find('\0'); nul != std::string::npos) row[nul] = kTab;
    text += row;
    text += kReturn;
  }
  return text;
}

void KXFileResult::CopyScrap() {
  std::vector<std::string> cells;
  for (std::int32_t row : GetSelectedRows()) cells.push_back(GetCell(row));
  const std::string text = CopyText(cells);
  KxHost& host = KxCurrentHost();
  host.ClearClipboard();
  host.PutClipboard(FourCC("TEXT"), text.data(), text.size());
}

// ---- CKXTextFileSearch

CKXTextFileSearch::CKXTextFileSearch(const KxLayoutPaneRecord& record) : CKXTextFileTool(record) {}

CKXTextFileSearch::~CKXTextFileSearch() {
  std::uint8_t* h = gFileSearch.head.data();
  const Rect r = GetGlobalBounds();
  KxPutU16BE(h, std::uint16_t(r.top));
  KxPutU16BE(h + 2, std::uint16_t(r.left));
  KxPutU16BE(h + 4, std::uint16_t(r.bottom));
  KxPutU16BE(h + 6, std::uint16_t(r.right));
  gFileSearch.list = KxPackFolderPath(DetachFolderMenu());
  gPrefModify = true;
  if (sFileSearch == this) sFileSearch = nullptr;
}

void CKXTextFileSearch::ShowFileSearch(LCommander* super) {
  if (sFileSearch) {
    sFileSearch->Select();
    return;
  }
  LWindow* window = LWindow::CreateWindow(kKxFileSearchLayout, super);
  auto* search = dynamic_cast<CKXTextFileSearch*>(window);
  if (!search) {
    delete window;
    return;
  }
  sFileSearch = search;
  search->UndoSupport();
  const std::uint8_t* h = gFileSearch.head.data();
  Rect r{std::int16_t(KxGetU16BE(h)), std::int16_t(KxGetU16BE(h + 2)), std::int16_t(KxGetU16BE(h + 4)),
         std::int16_t(KxGetU16BE(h + 6))};
  if (r.bottom <= r.top || r.right <= r.left) r = search->GetGlobalBounds();
  r = KxFitToStandardBounds(*search, r);
  search->DoSetBounds(r);
  search->Select();
}

void CKXTextFileSearch::CloseFileSearch() {
  if (sFileSearch) sFileSearch->DoClose();
}

void CKXTextFileSearch::FindString() {
  if (!sFileSearch) return;
  sFileSearch->mFindStringChanged = true;
  if (sFileSearch->IsActive()) sFileSearch->ActivateSelf();
}

void CKXTextFileSearch::FinishCreateSelf() {
  if (LPane* open = FindPaneByID(kOpen)) open->Disable();
  const std::string find = CKXTextViewServices::Get().GetFindString();
  if (auto* field = dynamic_cast<LEditField*>(FindPaneByID(kField)); field && !find.empty()) {
    field->SetText(find);
    field->SelectAll();
  }
  FillHistory();
  FillSnippets();
  for (const auto& [id, at] : kOptionBoxes)
    if (LControl* box = Control(this, id)) box->SetValue(gPreference.findOptions[std::size_t(at)] ? 1 : 0);
  const std::uint8_t* h = gFileSearch.head.data();
  if (LControl* box = Control(this, kFolderOnly)) box->SetValue(KxGetU16BE(h + 8) ? 1 : 0);
  if (LControl* box = Control(this, kAllMatches)) box->SetValue(KxGetU16BE(h + 10) ? 1 : 0);
  if (auto* list = dynamic_cast<KXListBox*>(FindPaneByID(kResults))) list->SetBroadcastOnChange(false);
  SetFolderInfoID(kFolderPopup, kFolderList);
  SetFolderMenu(KxUnpackFolderPath(gFileSearch.list));
  gFileSearch.list.clear();
  CKXTextFileTool::FinishCreateSelf();
  for (PaneIDT id : {kFind, kOpen, kField, kHistory, kResults, kRegexp, kSnippets}) GetBroadcasterByID(id);
  ShowSnippets();
  if (auto* field = dynamic_cast<LEditField*>(FindPaneByID(kField))) LCommander::SwitchTarget(field);
}

void CKXTextFileSearch::ActivateSelf() {
  CKXTextFileTool::ActivateSelf();
  if (!mFindStringChanged) return;
  mFindStringChanged = false;
  if (auto* field = dynamic_cast<LEditField*>(FindPaneByID(kField))) {
    field->SetText(CKXTextViewServices::Get().GetFindString());
    field->SelectAll();
  }
}

void CKXTextFileSearch::FillHistory() {
  auto* popup = dynamic_cast<LStdPopupMenu*>(FindPaneByID(kHistory));
  if (!popup) return;
  // Item 1 names the pop-up; the entries, a line, then clear, Return, Tab.
  std::vector<std::string> items{"\x97\x9A\x97\xF0"};   // 履歴
  const short count = UFindReplMenu::CountHistHandle(gFindHistHandle);
  for (short n = 1; n <= count; ++n) {
    Str255 s;
    if (!UFindReplMenu::GetHistString(std::uint16_t(n), gFindHistHandle, s)) break;
    const std::string entry(reinterpret_cast<const char*>(s + 1), s[0]);
    items.push_back(entry.substr(0, KxSJISCut(entry, 127)));
  }
  items.push_back("-");
  items.push_back("\x97\x9A\x97\xF0\x82\xF0\x8F\xC1\x8B\x8E");   // 履歴を消去
  items.push_back("\x89\xFC\x8D\x73");                           // 改行
  items.push_back("\x83\x5E\x83\x75");                           // タブ
  const bool was = popup->IsBroadcasting();
  popup->StopBroadcasting();
  popup->SetItems(std::move(items));
  popup->SetValue(1);
  if (was) popup->StartBroadcasting();
}

void CKXTextFileSearch::ChooseHistory() {
  auto* popup = dynamic_cast<LStdPopupMenu*>(FindPaneByID(kHistory));
  auto* field = dynamic_cast<LEditField*>(FindPaneByID(kField));
  if (!popup || !field) return;
  const long v = popup->GetValue();
  const long count = long(popup->GetItems().size());
  const long entries = count - 2 - long(kHistoryFixed);   // less the title and the line
  if (v >= 2 && v < 2 + entries) {
    Str255 s;
    if (UFindReplMenu::GetHistString(std::uint16_t(v - 1), gFindHistHandle, s)) {
      field->SetText(std::string(reinterpret_cast<const char*>(s + 1), s[0]));
      field->SelectAll();
      UFindReplMenu::AdjustHistHandle(short(v - 1), gFindHistHandle);
    }
  } else if (v == count - 2) {
    UFindReplMenu::DeleteHistHandle(1, gFindHistHandle);
    gPrefModify = true;
  } else if (v == count - 1 || v == count) {
    std::string text = field->GetText();
    const std::size_t a = field->GetSelStart(), b = field->GetSelEnd();
    text.replace(a, b - a, 1, v == count - 1 ? kReturn : kTab);
    field->SetText(text);
    field->SetSelection(a + 1, a + 1);
  }
  FillHistory();
}

void CKXTextFileSearch::FillSnippets() {
  auto* popup = dynamic_cast<LStdPopupMenu*>(FindPaneByID(kSnippets));
  if (!popup) return;
  // Item 1 names the pop-up; the snippets follow.
  std::vector<std::string> items{"\x83\x70\x83\x5E\x81\x5B\x83\x93"};   // パターン
  for (std::int16_t n = 1; KxHasIndString(kSnippetStrings, n); ++n) {
    Str255 s;
    GetIndString(s, kSnippetStrings, n);
    items.emplace_back(reinterpret_cast<const char*>(s + 1), s[0]);
  }
  popup->StopBroadcasting();
  popup->SetItems(std::move(items));
  popup->SetValue(1);
  popup->StartBroadcasting();
}

void CKXTextFileSearch::ShowSnippets() {
  // The snippets are regular-expression syntax: only with the box on.
  LPane* popup = FindPaneByID(kSnippets);
  if (!popup) return;
  const bool on = Control(this, kRegexp) && Control(this, kRegexp)->GetValue() != 0;
  if (on) {
    popup->Enable();
    popup->Show();
  } else {
    popup->Disable();
    popup->Hide();
  }
}

void CKXTextFileSearch::InsertSnippet() {
  auto* popup = dynamic_cast<LStdPopupMenu*>(FindPaneByID(kSnippets));
  auto* field = dynamic_cast<LEditField*>(FindPaneByID(kField));
  if (!popup || !field) return;
  const std::int32_t v = popup->GetValue();
  if (v >= 2 && std::size_t(v) <= popup->GetItems().size()) {
    const std::string snippet = popup->GetItems()[std::size_t(v - 1)];
    std::string text = field->GetText();
    const std::size_t a = std::min(field->GetSelStart(), text.size()), b = std::min(field->GetSelEnd(), text.size());
    text.replace(a, b - a, snippet);
    field->SetText(text);
    field->SetSelection(a + snippet.size(), a + snippet.size());
  }
  FillSnippets();
}

void CKXTextFileSearch::ListenToMessage(MessageT message, void* param) {
  switch (message) {
    case kFind:
      DoFileSearch();
      return;
    case kOpen:
    case kResults:
      OpenTextFile();
      return;
    case kHistory:
      ChooseHistory();
      return;
    case kSnippets:
      InsertSnippet();
      return;
    case kRegexp:
      ShowSnippets();
      return;
    case kField:
    case -kField:
    case kIgnoreWidth:
    case kIgnoreKana:
    case kIgnoreCase:
    case kFolderOnly:
    case kAllMatches:
      return;
    default:
      if (!HandleFolderMessage(message)) CKXTextFileTool::ListenToMessage(message, param);
  }
}

void CKXTextFileSearch::SetCount() {
  char number[32];
  KxNumString(number, sizeof number, std::int32_t(std::min<std::size_t>(mRows.size(), INT32_MAX)), true);
  SetText(FindPaneByID(kCount), Caption(number));
}

void CKXTextFileSearch::DoFileSearch() {
  auto* field = dynamic_cast<LEditField*>(FindPaneByID(kField));
  const std::string pattern = field ? field->GetText() : std::string();
  if (pattern.empty()) {
    KxCurrentHost().Beep();
    return;
  }
  CKXTextViewServices::Get().SetFindString(pattern);
  Str255 entry;
  entry[0] = std::uint8_t(std::min<std::size_t>(pattern.size(), 255));
  std::memcpy(entry + 1, pattern.data(), entry[0]);
  UFindReplMenu::InsertHistHandle(entry, gFindHistHandle);
  FillHistory();
  short options = 0;
  const short bits[4] = {kKXFindIgnoreWidth, kKXFindIgnoreKana, kKXFindIgnoreCase, kKXFindRegexp};
  for (int i = 0; i < 4; ++i) {
    const bool on = Control(this, kOptionBoxes[i][0]) && Control(this, kOptionBoxes[i][0])->GetValue();
    gPreference.findOptions[std::size_t(kOptionBoxes[i][1])] = on ? 1 : 0;
    if (on) options = short(options | bits[i]);
  }
  const bool folderOnly = Control(this, kFolderOnly) && Control(this, kFolderOnly)->GetValue();
  const bool allMatches = Control(this, kAllMatches) && Control(this, kAllMatches)->GetValue();
  KxPutU16BE(gFileSearch.head.data() + 8, folderOnly ? 1 : 0);
  KxPutU16BE(gFileSearch.head.data() + 10, allMatches ? 1 : 0);
  gPrefModify = true;

  auto* list = dynamic_cast<LListBox*>(FindPaneByID(kResults));
  mRows.clear();
  if (list) {
    list->UnselectAllCells();
    list->RemoveAllRows();
  }
  SetCount();
  SKXFileEntry folder;
  if (!GetCurFolder(folder) || folder.path.empty()) return;
  SKXSearchQuery query{pattern, options, !folderOnly, allMatches};
  // One deadline for the whole search; the check only peeks at the keys.
  std::uint32_t deadline = 0;
  auto cancel = [this, &deadline] {
    const std::uint32_t now = TickCount();
    if (now < deadline) return false;
    deadline = now + kCheckTicks;
    // The count and the rows found so far are drawn while the search goes
    // on; the peek shows them.
    UpdatePort();
    return KxCurrentHost().PeekForEscape();
  };
  bool full = false;
  auto row = [&](SKXSearchRow&& r) {
    if (mRows.size() >= kKxSearchMaxRows) {
      full = true;
      return false;
    }
    if (list) list->AddRow(r.cell);
    mRows.push_back(std::move(r));
    SetCount();
    return true;
  };
  CKXFileSearcher searcher(query, cancel, row);
  // A pattern that can find nothing is told as an empty one is, and as
  // the find dialog tells a find that found nothing.
  if (!searcher.Run(folder.path)) KxCurrentHost().Beep();
  if (full)
    KXMessageBox::Stop(kFullMessage);
  else if (searcher.TooComplex())
    KXMessageBox::Stop(kTooComplexMessage);
  if (!mRows.empty()) {
    if (list) list->SetValue(0);
    if (LPane* open = FindPaneByID(kOpen)) open->Enable();
    SetDefaultButton(kOpen);
  } else {
    if (LPane* open = FindPaneByID(kOpen)) open->Disable();
    SetDefaultButton(kFind);
  }
}

void CKXTextFileSearch::OpenTextFile() {
  auto* list = dynamic_cast<LListBox*>(FindPaneByID(kResults));
  const std::vector<std::int32_t> selected = list ? list->GetSelectedRows() : std::vector<std::int32_t>{};
  if (selected.empty()) {
    KxCurrentHost().Beep();
    return;
  }
  const std::vector<SKXSearchRow> rows = mRows;
  bool first = true;
  for (std::int32_t r : selected) {
    if (!first && KxCurrentHost().PeekForEscape()) break;
    first = false;
    if (std::size_t(r) >= rows.size()) continue;
    const SKXSearchRow& row = rows[std::size_t(r)];
    CKXTextApp* app = CKXTextApp::GetTextApp();
    if (!app) return;
    CKXTextDocument* doc = CopyOpenedFrom(row.path);
    if (doc) {
      doc->MakeCurrent();
    } else if (!KxIsRegularFile(row.path) && !IsOpen(row.path)) {
      // Gone (or replaced by a folder) since the search: opening it would
      // make an empty document that a save brings back.
      KXMessageBox::Stop(kCannotOpenMessage);
      continue;
    } else {
      const std::vector<CKXTextDocument*> before = KxTextDocHooks::All();
      app->HandleAppleEvent(AEMakeOpenDocuments({row.path}));
      const std::vector<CKXTextDocument*> after = KxTextDocHooks::All();
      for (CKXTextDocument* d : after)
        if (!doc && d->Path() == row.path) doc = d;
      if (!doc) {
        // A file read as a copy (RTF) has no path: its window is the one
        // the open made, remembered for the next open of the file.
        for (CKXTextDocument* d : after)
          if (d->Path().empty() && std::find(before.begin(), before.end(), d) == before.end()) doc = d;
        if (doc) mCopies[row.path] = {doc, doc->TitleText()};
      }
    }
    if (!doc || !doc->GetEngine()) continue;
    // The file or the document may have changed since: held to the text
    // and to character boundaries.
    const std::string text = doc->TextBytes();
    const std::int64_t length = std::int64_t(text.size());
    const std::int64_t at = std::clamp<std::int64_t>(row.offset, 0, length);
    const std::int64_t to = std::clamp<std::int64_t>(row.offset + row.length, at, length);
    // One walk from the start for both ends.
    const std::size_t start = KxSJISBoundary(text, 0, std::size_t(at));
    const std::size_t end = KxSJISBoundary(text, start, std::size_t(to));
    doc->GetEngine()->DoSelection(SKXRange{std::int32_t(start), std::int32_t(end - start)}, false);
  }
}

CKXTextDocument* CKXTextFileSearch::CopyOpenedFrom(const std::string& path) {
  const auto it = mCopies.find(path);
  if (it == mCopies.end()) return nullptr;
  // Still open, and still the untitled copy it was (not saved under a
  // name, not a later document in the same memory).
  for (CKXTextDocument* d : KxTextDocHooks::All())
    if (d == it->second.doc && d->Path().empty() && d->TitleText() == it->second.title) return d;
  mCopies.erase(it);
  return nullptr;
}
