#include "tools/sed_window.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "app/globals.h"
#include "app/histories.h"
#include "document/clipboard_window.h"
#include "document/text_doc.h"
#include "engine/flavor_exchange.h"
#include "engine/text_engine.h"
#include "layout/kxtext_handle.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/framework/registrar.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "platform/toolbox/cursors.h"
#include "tools/file_text.h"
#include "tools/sed_history.h"
#include "tools/sed_window_model.h"
#include "tools/sed_window_parts.h"
#include "views/text_view_commands.h"
#include "views/window_fit.h"

CKXTextStreamEditor* CKXTextStreamEditor::sStreamEditor = nullptr;

namespace {
// Items of the field histories after the separator: clear, Return, Tab.
constexpr long kHistoryFixed = 3;
const std::string kHistoryTitle = "\x97\x9A\x97\xF0";                           // 履歴
const std::string kHistoryClear = "\x97\x9A\x97\xF0\x82\xF0\x8F\xC1\x8B\x8E";   // 履歴を消去
}  // namespace

namespace kxsedwin {

LControl* Control(LWindow* w, PaneIDT id) { return dynamic_cast<LControl*>(w->FindPaneByID(id)); }

void SetPopupItems(LStdPopupMenu* popup, std::vector<std::string> items) {
  if (!popup) return;
  const bool was = popup->IsBroadcasting();
  popup->StopBroadcasting();
  popup->SetItems(std::move(items));
  popup->SetValue(1);
  if (was) popup->StartBroadcasting();
}

bool StillOpen(CKXTextDocument* doc) {
  const std::vector<CKXTextDocument*> all = KxTextDocHooks::All();
  return doc && std::find(all.begin(), all.end(), doc) != all.end();
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The document's text (or its selection) with its marks, for a run.
std::unique_ptr<SKXSedText> CopyOfDocument(CKXTextDocument* doc, bool selectionOnly, SKXRange& range) {
  CKXTextEngine* engine = doc->GetEngine();
  auto out = std::make_unique<SKXSedText>();
  range = engine->GetTotalRange();
  const SKXRange sel = engine->GetSelectionRange();
  if (selectionOnly && sel.length > 0) range = sel;
  engine->TextCopy(range, KXHandleAccess::Wrap(out->text.get()), kAllRuns);
  KXMarkSet marks;
  engine->GetMarks(marks);
  for (const SKXSavedMark& m : marks) {
    if (m.markup || m.start < range.start || m.start + m.length > range.start + range.length) continue;
    SKXSedMark s;
    s.start = m.start - range.start;
    s.length = m.length;
    s.rank = m.rank;
    if (!m.name.empty()) s.name.assign(reinterpret_cast<const char*>(m.name.data()) + 1, m.name.size() - 1);
    out->ranks = out->ranks || m.rank != 0;
    out->marks.push_back(std::move(s));
  }
  return out;
}

}  // namespace kxsedwin

using namespace kxsedwin;

// ---- CKXTextStreamEditor

CKXTextStreamEditor::CKXTextStreamEditor(const KxLayoutPaneRecord& record) : CKXTextFileTool(record) {}

CKXTextStreamEditor::~CKXTextStreamEditor() {
  SaveSettings();
  if (sStreamEditor == this) sStreamEditor = nullptr;
}

void CKXTextStreamEditor::SaveSettings() {
  SKXSEDSettings s = KxSEDReadSettings(gStreamEditor.record.data());
  s.bounds = GetGlobalBounds();
  s.source = mSource;
  s.target = mTarget;
  s.output = mOutput;
  s.selectionOnly = Option(kSelectionOnly);
  s.changedOnly = Option(kChangedOnly);
  s.pattern = std::uint8_t(std::max(Kind(kPattern), short(0)));
  s.title = FieldText(kTitle);
  s.suffix = FieldText(kSuffix);
  KxSEDWriteSettings(s, gStreamEditor.record.data());
  // The box's text survives closing as the history's last entry. One too
  // long for an entry leaves an empty entry instead, so that opening again
  // never takes an entry of the history for the box's text.
  const std::string box = FieldText(kScriptBox);
  UKXSEDHistMenu::InsertHistHandle(box.size() > kKxSEDHistEntryMax ? std::string() : box, gStreamEditor.scriptBytes,
                                   true);
  SetTargetFolderInfo();
  gStreamEditor.list192 = KxPackFolderPath(DetachFolderMenu());
  gStreamEditor.list196 = KxPackFolderPath(mOtherPath);
  gPrefModify = true;
}

void CKXTextStreamEditor::ShowStreamEditor(LCommander* super) {
  if (sStreamEditor) {
    sStreamEditor->Select();
    return;
  }
  LWindow* window = LWindow::CreateWindow(kKxStreamEditorLayout, super);
  auto* editor = dynamic_cast<CKXTextStreamEditor*>(window);
  if (!editor) {
    delete window;
    return;
  }
  sStreamEditor = editor;
  editor->UndoSupport();
  Rect r = KxSEDReadSettings(gStreamEditor.record.data()).bounds;
  if (r.bottom <= r.top || r.right <= r.left) r = editor->GetGlobalBounds();
  r = KxFitToStandardBounds(*editor, r);
  editor->DoSetBounds(r);
  editor->Select();
}

void CKXTextStreamEditor::CloseStreamEditor() {
  if (sStreamEditor) sStreamEditor->DoClose();
}

void CKXTextStreamEditor::FindString() {
  if (!sStreamEditor) return;
  sStreamEditor->mFindStringChanged = true;
  if (sStreamEditor->IsActive()) sStreamEditor->ActivateSelf();
}

void CKXTextStreamEditor::FinishCreateSelf() {
  const SKXSEDSettings s = KxSEDReadSettings(gStreamEditor.record.data());
  mSource = s.source;
  mTarget = s.target;
  mOutput = s.output;
  // The script side first, then the target side, each from its saved path.
  SetFolderInfoID(kScriptFolderPopup, kScriptFolderList);
  SetFolderMenu(KxUnpackFolderPath(gStreamEditor.list196));
  CKXTextFileTool::FinishCreateSelf();
  KxFileEntries noFolders;
  mOtherPath = KxUnpackFolderPath(gStreamEditor.list192);
  SwapFolderSide(kTargetFolderPopup, kTargetFolderList, mOtherPath, noFolders);
  mOtherFolders = std::move(noFolders);
  mScriptSide = false;
  CreateFolderInfo(this);
  gStreamEditor.list192.clear();
  gStreamEditor.list196.clear();

  for (PaneIDT id = kRun; id <= kRuledLast; ++id) GetBroadcasterByID(id);
  for (PaneIDT id : {3905, 3906, 3907, 3908}) GetBroadcasterByID(id);
  if (auto* group = dynamic_cast<LRadioGroup*>(FindPaneByID(kSourceGroup))) {
    const auto& radios = group->GetRadios();
    if (std::size_t(mSource) < radios.size()) {
      radios[std::size_t(mSource)]->StopBroadcasting();
      radios[std::size_t(mSource)]->SetValue(1);
      radios[std::size_t(mSource)]->StartBroadcasting();
    }
  }
  auto setValue = [this](PaneIDT id, std::int32_t v) {
    if (LControl* c = Control(this, id)) {
      c->StopBroadcasting();
      c->SetValue(v);
      c->StartBroadcasting();
    }
  };
  setValue(kTargetKind, mTarget + 1);
  setValue(kOutputKind, mOutput + 1);
  setValue(kSelectionOnly, s.selectionOnly ? 1 : 0);
  setValue(kChangedOnly, KxSEDChangedOnly(s.changedOnly, mOutput) ? 1 : 0);
  setValue(kPattern, s.pattern + 1);
  if (auto* f = dynamic_cast<KXEditField*>(FindPaneByID(kTitle))) f->SetText(s.title.data(), s.title.size());
  if (auto* f = dynamic_cast<KXEditField*>(FindPaneByID(kSuffix))) f->SetText(s.suffix.data(), s.suffix.size());

  // The box gets the text it had when the window closed; that entry leaves
  // the history.
  KxBlock& history = gStreamEditor.scriptBytes;
  const short count = UKXSEDHistMenu::Count(history);
  if (count > 0) {
    std::string last;
    UKXSEDHistMenu::GetTextHistHandle(last, kKxSEDHistEntryMax, count, history);
    UKXSEDHistMenu::DeleteHistHandle(count, history);
    if (auto* box = dynamic_cast<KXEditField*>(FindPaneByID(kScriptBox))) box->SetText(last.data(), last.size());
  }
  auto& services = CKXTextViewServices::Get();
  const std::string find = services.GetFindString(), replace = services.GetReplaceString();
  if (auto* f = dynamic_cast<KXEditField*>(FindPaneByID(kFindField))) f->SetText(find.data(), find.size());
  if (auto* f = dynamic_cast<KXEditField*>(FindPaneByID(kReplaceField)))
    f->SetText(replace.data(), replace.size());
  FillFindHistories();
  FillScriptHistory();
  FillSnippets();
  UpdateEnabling();
  UpdateScriptList();
  UpdateTargetList();
}

void CKXTextStreamEditor::ActivateSelf() {
  CKXTextFileTool::ActivateSelf();
  // Back in the window: folders and files made, removed or renamed
  // meanwhile, by this program or another.
  UpdateFolderLists();
  UpdateScriptList();
  UpdateTargetList();
  if (mTarget == kKxSEDTargetClipboard)
    if (auto* view = dynamic_cast<CKXTextClipboardView*>(FindPaneByID(kClipView))) view->UpdateNow();
  if (!mFindStringChanged) return;
  mFindStringChanged = false;
  if (auto* field = dynamic_cast<KXEditField*>(FindPaneByID(kFindField))) {
    const std::string find = CKXTextViewServices::Get().GetFindString();
    field->SetText(find.data(), find.size());
    field->SelectAll();
  }
}

bool CKXTextStreamEditor::TakeFolderList(PaneIDT listID) {
  if (listID == kScriptFolderList) SetScriptFolderInfo();
  else if (listID == kTargetFolderList) SetTargetFolderInfo();
  else return false;
  return true;
}

void CKXTextStreamEditor::SetScriptFolderInfo() {
  if (mScriptSide) return;
  SwapFolderSide(kScriptFolderPopup, kScriptFolderList, mOtherPath, mOtherFolders);
  mScriptSide = true;
}

void CKXTextStreamEditor::SetTargetFolderInfo() {
  if (!mScriptSide) return;
  SwapFolderSide(kTargetFolderPopup, kTargetFolderList, mOtherPath, mOtherFolders);
  mScriptSide = false;
}

void CKXTextStreamEditor::UpdateFolderLists() {
  const bool scriptSide = mScriptSide;
  for (bool script : {true, false}) {
    if (script) SetScriptFolderInfo();
    else SetTargetFolderInfo();
    SKXFileEntry folder;
    auto* list = dynamic_cast<LListBox*>(FindPaneByID(GetFolderListID()));
    if (!list || !GetCurFolder(folder)) continue;
    std::vector<std::string> oldCells, cells;
    for (const SKXFileEntry& e : GetFolderList()) oldCells.push_back(KxEntryCell(e));
    KxFileEntries folders = KxCreateFileList(folder, true, kKxListFolders);
    for (const SKXFileEntry& e : folders) cells.push_back(KxEntryCell(e));
    bool same = false;
    const std::vector<std::int32_t> rows = KxSEDReselect(oldCells, list->GetSelectedRows(), cells, same);
    if (same) continue;
    KxFileEntries path = GetFolderMenu();
    SwapFolderSide(script ? kScriptFolderPopup : kTargetFolderPopup, GetFolderListID(), path, folders);
    UpdateFolderList();
    // A selection made by the program enters nothing.
    auto* broadcaster = dynamic_cast<LBroadcaster*>(list);
    const bool was = broadcaster && broadcaster->IsBroadcasting();
    if (broadcaster) broadcaster->StopBroadcasting();
    list->SetSelectedRows(rows);
    if (was) broadcaster->StartBroadcasting();
  }
  if (scriptSide) SetScriptFolderInfo();
  else SetTargetFolderInfo();
}

short CKXTextStreamEditor::Kind(PaneIDT id) const {
  auto* c = dynamic_cast<LControl*>(const_cast<CKXTextStreamEditor*>(this)->FindPaneByID(id));
  return c ? short(c->GetValue() - 1) : 0;
}

bool CKXTextStreamEditor::Option(PaneIDT id) const {
  auto* c = dynamic_cast<LControl*>(const_cast<CKXTextStreamEditor*>(this)->FindPaneByID(id));
  return c && c->GetValue() != 0;
}

std::string CKXTextStreamEditor::FieldText(PaneIDT id) {
  auto* f = dynamic_cast<LEditField*>(FindPaneByID(id));
  return f ? f->GetText() : std::string();
}

void CKXTextStreamEditor::UpdateEnabling() {
  for (PaneIDT id = kRuledFirst; id <= kRuledLast; ++id) {
    LPane* pane = FindPaneByID(id);
    if (!pane) continue;
    if (KxSEDPaneEnabled(id, mSource, mTarget, mOutput)) pane->Enable();
    else pane->Disable();
  }
  // With the clipboard as target the output can be nothing else.
  if (LControl* kind = Control(this, kOutputKind)) {
    kind->StopBroadcasting();
    kind->SetValue(KxSEDEffectiveOutput(mTarget, mOutput) + 1);
    kind->StartBroadcasting();
  }
  if (mOutput == kKxSEDOverwrite)
    if (LControl* box = Control(this, kChangedOnly)) {
      box->StopBroadcasting();
      box->SetValue(0);
      box->StartBroadcasting();
    }
  Refresh();
}

void CKXTextStreamEditor::FillList(PaneIDT listID, std::vector<std::string>& names,
                                   const std::vector<std::string>& cells) {
  auto* list = dynamic_cast<LListBox*>(FindPaneByID(listID));
  if (!list) return;
  bool same = false;
  const std::vector<std::int32_t> rows = KxSEDReselect(names, list->GetSelectedRows(), cells, same);
  if (same) return;
  names = cells;
  auto* broadcaster = dynamic_cast<LBroadcaster*>(list);
  const bool was = broadcaster && broadcaster->IsBroadcasting();
  if (broadcaster) broadcaster->StopBroadcasting();
  list->UnselectAllCells();
  list->RemoveAllRows();
  for (const std::string& cell : cells) list->AddRow(cell);
  list->SetSelectedRows(rows);
  if (was) broadcaster->StartBroadcasting();
}

namespace {
// The open documents with windows, by name: rows, cells and documents.
void WindowRows(std::vector<std::string>& cells, std::vector<CKXTextDocument*>& docs,
                std::vector<std::string>& paths) {
  std::vector<CKXTextDocument*> all = KxTextDocHooks::All();
  std::vector<std::pair<std::string, CKXTextDocument*>> named;
  for (CKXTextDocument* d : all)
    if (d->GetEngine()) named.emplace_back(d->TitleText(), d);
  std::stable_sort(named.begin(), named.end(),
                   [](const auto& a, const auto& b) { return KxEntryNameLess(a.first, b.first); });
  for (const auto& [title, d] : named) {
    SKXFileEntry e;
    e.kind = kKxTypeText;
    e.name = title;
    e.path = d->Path();
    cells.push_back(KxEntryCell(e));
    docs.push_back(d);
    paths.push_back(e.path);
  }
}

void FileRows(const SKXFileEntry& folder, bool known, const std::string& suffix, std::vector<std::string>& cells,
              std::vector<std::string>& paths) {
  if (!known || folder.kind == kKxKindTop) return;
  KxFileEntries entries;
  if (suffix.empty()) {
    entries = KxCreateFileList(folder, false, kKxTypeText);
  } else {
    // Scripts named by their ending are text whatever type the desktop
    // gives (or does not give) such a name.
    std::vector<KxDirEntry> all;
    if (KxReadFolder(folder.path, all) != 0) return;
    for (KxDirEntry& d : all)
      if (d.kind == KxEntryKind::kFile && !d.name.empty() && d.name[0] != '.' &&
          KxSEDPatternMatches(d.name, suffix))
        entries.push_back(SKXFileEntry{kKxTypeText, folder.path == "/" ? "/" + d.name : folder.path + "/" + d.name,
                                       d.name, 0});
    KxSortEntries(entries);
  }
  for (const SKXFileEntry& e : entries) {
    if (e.IsFolder() || e.IsParent()) continue;
    cells.push_back(KxEntryCell(e));
    paths.push_back(e.path);
  }
}
}  // namespace

void CKXTextStreamEditor::UpdateScriptList() {
  std::vector<std::string> cells, paths;
  std::vector<CKXTextDocument*> docs;
  if (mSource == kKxSEDFromWindows) {
    WindowRows(cells, docs, paths);
  } else if (mSource == kKxSEDFromFiles) {
    SKXFileEntry folder;
    const bool known = mScriptSide ? GetCurFolder(folder) : !mOtherPath.empty();
    if (!mScriptSide && known) folder = mOtherPath.back();
    std::string suffix;
    if (auto* popup = dynamic_cast<LStdPopupMenu*>(FindPaneByID(kPattern))) {
      const std::int32_t v = popup->GetValue();
      if (v >= 1 && std::size_t(v) <= popup->GetItems().size()) suffix = popup->GetItems()[std::size_t(v - 1)];
      if (suffix.empty() || suffix[0] != '.' || suffix == ".*") suffix.clear();
    }
    FileRows(folder, known, suffix, cells, paths);
  }
  FillList(kScriptList, mScriptNames, cells);
  mScriptPaths = paths;
  mScriptDocs = docs;
}

void CKXTextStreamEditor::UpdateTargetList() {
  std::vector<std::string> cells, paths;
  std::vector<CKXTextDocument*> docs;
  if (mTarget == kKxSEDTargetWindows) {
    WindowRows(cells, docs, paths);
  } else if (mTarget == kKxSEDTargetFiles) {
    SKXFileEntry folder;
    const bool known = !mScriptSide ? GetCurFolder(folder) : !mOtherPath.empty();
    if (mScriptSide && known) folder = mOtherPath.back();
    FileRows(folder, known, {}, cells, paths);
  }
  FillList(kTargetList, mTargetNames, cells);
  mTargetPaths = paths;
  mTargetDocs = docs;
}

void CKXTextStreamEditor::FillFindHistories() {
  for (const auto& [id, block] : {std::pair<PaneIDT, KxBlock*>{kFindHistory, &gFindHistHandle},
                                  std::pair<PaneIDT, KxBlock*>{kReplaceHistory, &gReplHistHandle}}) {
    std::vector<std::string> items{kHistoryTitle};
    const short count = UFindReplMenu::CountHistHandle(*block);
    for (short n = 1; n <= count; ++n) {
      Str255 s;
      if (!UFindReplMenu::GetHistString(std::uint16_t(n), *block, s)) break;
      const std::string entry(reinterpret_cast<const char*>(s + 1), s[0]);
      items.push_back(entry.substr(0, KxSJISCut(entry, kKxSEDHistItemMax)));
    }
    items.push_back("-");
    items.push_back(kHistoryClear);
    items.push_back("\x89\xFC\x8D\x73");   // 改行
    items.push_back("\x83\x5E\x83\x75");   // タブ
    SetPopupItems(dynamic_cast<LStdPopupMenu*>(FindPaneByID(id)), std::move(items));
  }
}

void CKXTextStreamEditor::FillScriptHistory() {
  std::vector<std::string> items{kHistoryTitle};
  const std::vector<std::string> entries = UKXSEDHistMenu::MenuItems(gStreamEditor.scriptBytes);
  items.insert(items.end(), entries.begin(), entries.end());
  if (!entries.empty()) items.push_back("-");
  items.push_back(kHistoryClear);
  SetPopupItems(dynamic_cast<LStdPopupMenu*>(FindPaneByID(kScriptHistory)), std::move(items));
}

void CKXTextStreamEditor::FillSnippets() {
  std::vector<std::string> script;
  for (std::int16_t n = 1; KxHasIndString(kScriptSnippetStrings, n); ++n)
    script.push_back(KxIndString(kScriptSnippetStrings, n));
  SetPopupItems(dynamic_cast<LStdPopupMenu*>(FindPaneByID(kScriptSnippets)), std::move(script));
  std::vector<std::string> expr{"\x83\x70\x83\x5E\x81\x5B\x83\x93"};   // パターン
  for (std::int16_t n = 1; KxHasIndString(kExprSnippetStrings, n); ++n)
    expr.push_back(KxIndString(kExprSnippetStrings, n));
  SetPopupItems(dynamic_cast<LStdPopupMenu*>(FindPaneByID(kExprSnippets)), std::move(expr));
}

void CKXTextStreamEditor::ChooseFieldHistory(PaneIDT popupID, PaneIDT fieldID, bool replace) {
  auto* popup = dynamic_cast<LStdPopupMenu*>(FindPaneByID(popupID));
  auto* field = dynamic_cast<KXEditField*>(FindPaneByID(fieldID));
  if (!popup || !field) return;
  KxBlock& block = replace ? gReplHistHandle : gFindHistHandle;
  const long v = popup->GetValue();
  const long count = long(popup->GetItems().size());
  const long entries = count - 2 - kHistoryFixed;   // less the title and the line
  if (v >= 2 && v < 2 + entries) {
    Str255 s;
    if (UFindReplMenu::GetHistString(std::uint16_t(v - 1), block, s)) {
      field->SetText(reinterpret_cast<const char*>(s + 1), s[0]);
      field->SelectAll();
      UFindReplMenu::AdjustHistHandle(short(v - 1), block);
      gPrefModify = true;
    }
  } else if (v == count - 2) {
    UFindReplMenu::DeleteHistHandle(1, block);
    gPrefModify = true;
  } else if (v == count - 1 || v == count) {
    std::string text = field->GetText();
    const std::size_t a = std::min(field->GetSelStart(), text.size()), b = std::min(field->GetSelEnd(), text.size());
    text.replace(a, b - a, 1, v == count - 1 ? kReturn : kTab);
    field->SetText(text.data(), text.size());
    field->SetSelection(a + 1, a + 1);
  }
  FillFindHistories();
}

void CKXTextStreamEditor::ChooseScriptHistory() {
  auto* popup = dynamic_cast<LStdPopupMenu*>(FindPaneByID(kScriptHistory));
  auto* box = dynamic_cast<KXEditField*>(FindPaneByID(kScriptBox));
  if (!popup || !box) return;
  KxBlock& history = gStreamEditor.scriptBytes;
  const long v = popup->GetValue();
  const long count = long(popup->GetItems().size());
  const short entries = UKXSEDHistMenu::Count(history);
  if (v >= 2 && v < 2 + entries) {
    std::string text;
    UKXSEDHistMenu::GetTextHistHandle(text, kKxSEDHistEntryMax, short(v - 1), history);
    box->SetText(text.data(), text.size());
    box->SelectAll();
    UKXSEDHistMenu::AdjustHistHandle(short(v - 1), history);
    gPrefModify = true;
  } else if (v == count && v > 1) {
    UKXSEDHistMenu::DeleteHistHandle(1, history);
    gPrefModify = true;
  }
  FillScriptHistory();
}

void CKXTextStreamEditor::InsertSnippet(PaneIDT popupID) {
  auto* popup = dynamic_cast<LStdPopupMenu*>(FindPaneByID(popupID));
  if (!popup) return;
  const std::int32_t v = popup->GetValue();
  if (v >= 2 && std::size_t(v) <= popup->GetItems().size()) {
    const std::string snippet = KxSEDSnippetText(popup->GetItems()[std::size_t(v - 1)]);
    PaneIDT into = kScriptBox;
    if (popupID == kExprSnippets && mSource != kKxSEDFromBox)
      into = KxSEDSnippetForReplace(snippet) ? kReplaceField : kFindField;
    if (auto* field = dynamic_cast<KXEditField*>(FindPaneByID(into))) {
      std::string text = field->GetText();
      const std::size_t a = std::min(field->GetSelStart(), text.size());
      const std::size_t b = std::min(field->GetSelEnd(), text.size());
      text.replace(a, b - a, snippet);
      field->SetText(text.data(), text.size());
      field->SetSelection(a + snippet.size(), a + snippet.size());
      LCommander::SwitchTarget(field);
    }
  }
  FillSnippets();
}

void CKXTextStreamEditor::OpenSelected(PaneIDT listID) {
  auto* list = dynamic_cast<LListBox*>(FindPaneByID(listID));
  const std::vector<std::int32_t> rows = list ? list->GetSelectedRows() : std::vector<std::int32_t>{};
  if (rows.empty()) {
    KxCurrentHost().Beep();
    return;
  }
  const bool script = listID == kScriptList;
  const std::vector<std::string> paths = script ? mScriptPaths : mTargetPaths;
  const std::vector<CKXTextDocument*> docs = script ? mScriptDocs : mTargetDocs;
  bool first = true;
  for (std::int32_t row : rows) {
    if (!first && KxCurrentHost().PeekForEscape()) break;
    first = false;
    const std::size_t r = std::size_t(row);
    if (r < docs.size()) {
      if (StillOpen(docs[r])) docs[r]->SelectWindow();
    } else if (r < paths.size()) {
      KxTextDocHooks hooks;
      hooks.OpenDocument(paths[r]);
    }
  }
}

std::string kxsedwin::KxSEDItemText(std::int16_t item, const std::string& arg, long number) {
  std::string text = KxIndString(kKxSEDMessages, item);
  if (const std::size_t at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(number));
  if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, arg);
  return text;
}

void CKXTextStreamEditor::Note(std::int16_t item, const std::string& arg) {
  std::string text = KxSEDItemText(item, arg);
  if (const std::size_t at = text.find("%s"); at != std::string::npos) text.erase(at, 2);
  // During a run the note joins the run's one note at its end.
  if (mCollectNotes) {
    mCollected.push_back(text);
    return;
  }
  KXMessageBox::StrNote(KXMessageBox::CutMessage(text));
}

void CKXTextStreamEditor::ListenToMessage(MessageT message, void* param) {
  switch (message) {
    case kRun:
      DoStreamEditor();
      return;
    case kSourceGroup:
      if (auto* group = dynamic_cast<LRadioGroup*>(FindPaneByID(kSourceGroup))) {
        const auto& radios = group->GetRadios();
        for (std::size_t i = 0; i < radios.size(); ++i)
          if (radios[i]->GetValue()) mSource = short(i);
      }
      UpdateEnabling();
      UpdateScriptList();
      return;
    case kTargetKind:
      mTarget = std::clamp<short>(Kind(kTargetKind), 0, 2);
      UpdateEnabling();
      UpdateTargetList();
      if (mTarget == kKxSEDTargetClipboard)
        if (auto* view = dynamic_cast<CKXTextClipboardView*>(FindPaneByID(kClipView))) view->UpdateNow();
      return;
    case kOutputKind:
      if (mTarget != kKxSEDTargetClipboard) mOutput = std::clamp<short>(Kind(kOutputKind), 0, 3);
      UpdateEnabling();
      return;
    case kPattern:
      UpdateScriptList();
      return;
    case kFindHistory:
      ChooseFieldHistory(kFindHistory, kFindField, false);
      return;
    case kReplaceHistory:
      ChooseFieldHistory(kReplaceHistory, kReplaceField, true);
      return;
    case kScriptHistory:
      ChooseScriptHistory();
      return;
    case kScriptSnippets:
    case kExprSnippets:
      InsertSnippet(PaneIDT(message));
      return;
    case kScriptListOpen:
      OpenSelected(kScriptList);
      return;
    case kTargetListOpen:
      OpenSelected(kTargetList);
      return;
    case kScriptFolderPopup:
    case kScriptFolderList:
    case kScriptParent:
    case kScriptOpen:
      SetScriptFolderInfo();
      HandleFolderMessage(message == kScriptParent ? kKxMsgFolderParent
                          : message == kScriptOpen ? kKxMsgFolderOpen
                                                   : message);
      UpdateScriptList();
      return;
    case kTargetFolderPopup:
    case kTargetFolderList:
    case kTargetParent:
    case kTargetOpen:
      SetTargetFolderInfo();
      HandleFolderMessage(message == kTargetParent ? kKxMsgFolderParent
                          : message == kTargetOpen ? kKxMsgFolderOpen
                                                   : message);
      UpdateTargetList();
      return;
    default:
      if (message >= kRuledFirst && message <= kRuledLast) return;   // fields, boxes, list selections
      if (-message >= kRuledFirst && -message <= kRuledLast) return;
      CKXTextFileTool::ListenToMessage(message, param);
  }
}

// ---- classes

namespace {
template <class T>
LPane* Create(const KxLayoutPaneRecord& record) {
  return new T(record);
}
}  // namespace

void KxRegisterStreamEditorClasses() {
  URegistrar::RegisterClass(KXScriptBox::kClassID, Create<KXScriptBox>);
  URegistrar::RegisterClass(CKXTextStreamEditor::kClassID, Create<CKXTextStreamEditor>);
}
