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
#include "views/text_view_commands.h"

CKXTextStreamEditor* CKXTextStreamEditor::sStreamEditor = nullptr;

namespace {

enum : PaneIDT {
  kRun = 3901, kOutputGroup = 3903, kSourceGroup = 3911, kScriptList = 3912, kScriptFolderPopup = 3913,
  kScriptFolderList = 3914, kFindField = 3916, kFindHistory = 3917, kReplaceField = 3919,
  kReplaceHistory = 3920, kScriptHistory = 3923, kScriptBox = 3924, kScriptSnippets = 3925,
  kExprSnippets = 3927, kPattern = 3928, kTargetKind = 3931, kTargetList = 3932, kTargetFolderPopup = 3933,
  kTargetFolderList = 3934, kClipView = 3936, kSelectionOnly = 3937, kOutputKind = 3941, kTitle = 3942,
  kSuffix = 3944, kChangedOnly = 3945,
};
// The navigators' keys (parent, open) and the lists' double clicks.
constexpr MessageT kScriptParent = 3950, kScriptOpen = 3951, kTargetParent = 3952, kTargetOpen = 3953,
                   kScriptListOpen = 3954, kTargetListOpen = 3955;
// Panes whose enabling follows the choices.
constexpr PaneIDT kRuledFirst = 3912, kRuledLast = 3945;
// Items of message list 210.
constexpr std::int16_t kEmptyFind = 2, kEmptyScript = 3, kNoScript = 4, kNoTarget = 5, kEmptyClipboard = 6,
                       kReadOnly = 7, kBadName = 8, kCannotWrite = 19;
// The stream editor's errors are items code + 10.
constexpr short kErrorBase = 11;
constexpr std::int16_t kScriptSnippetStrings = 212, kExprSnippetStrings = 209;
constexpr char kReturn = 13, kTab = 9;
// Items of the field histories after the separator: clear, Return, Tab.
constexpr long kHistoryFixed = 3;
const std::string kHistoryTitle = "\x97\x9A\x97\xF0";                           // 履歴
const std::string kHistoryClear = "\x97\x9A\x97\xF0\x82\xF0\x8F\xC1\x8B\x8E";   // 履歴を消去
// Whole texts with every kind of run.
constexpr short kAllRuns = 15;

LControl* Control(LWindow* w, PaneIDT id) { return dynamic_cast<LControl*>(w->FindPaneByID(id)); }

std::string IndString(std::int16_t list, std::int16_t n) {
  Str255 s;
  GetIndString(s, list, n);
  return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
}

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

}  // namespace

// ---- KXScriptBox

namespace {
EKeyStatus ScriptBoxFilter(std::uint8_t keyCode, std::uint8_t& charCode, std::uint16_t modifiers) {
  if (!(modifiers & kKxEventCommandKey) &&
      (keyCode == kKxKeyReturn || keyCode == kKxKeyEnter || charCode == kReturn || charCode == 3)) {
    charCode = kReturn;
    return keyStatus_Input;
  }
  return UKeyFilters::PrintingCharField(keyCode, charCode, modifiers);
}

std::vector<std::pair<std::size_t, std::size_t>> Lines(const std::string& text) {
  std::vector<std::pair<std::size_t, std::size_t>> lines;
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = text.find(kReturn, at);
    lines.emplace_back(at, end == std::string::npos ? text.size() : end);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return lines;
}
}  // namespace

KXScriptBox::KXScriptBox(const KxLayoutPaneRecord& record) : KXEditJField(record) { SetKeyFilter(ScriptBoxFilter); }

bool KXScriptBox::ObeyCommand(CommandT command, void* param) {
  if (command != kKxCmdPaste || mPassEditCommands) return KXEditJField::ObeyCommand(command, param);
  // A script keeps its lines: every line end becomes CR.
  std::vector<std::uint8_t> data;
  if (!KxCurrentHost().GetClipboard(FourCC("TEXT"), data)) return true;
  std::string s;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '\n' && i > 0 && data[i - 1] == '\r') continue;
    s += data[i] == '\n' ? kReturn : char(data[i]);
  }
  if (mText.size() - (mSelEnd - mSelStart) + s.size() > mMaxChars) {
    KxCurrentHost().Beep();
    return true;
  }
  EndTyping();
  KxFieldEditAction* action = BeginEdit(false);
  ReplaceSelection(s);
  EndEdit(action);
  UserChangedText();
  return true;
}

void KXScriptBox::DrawSelf() {
  const Rect r = CalcLocalFrameRect16();
  ApplyForeAndBack();
  EraseRect(&r);
  PenNormal();
  DrawBox(r);
  ApplyForeAndBack();   // the box leaves its own colours
  KxFontInfo info;
  GetFontInfo(&info);
  const std::int32_t lineHeight = std::max(1, info.ascent + info.descent + info.leading);
  KxClipScope inside(RectL{r.top + 1, r.left + 1, r.bottom - 1, r.right - 1});
  std::int32_t base = r.top + 3 + info.ascent;
  const bool showSel = GetTarget() == this && IsActive();
  for (const auto& [from, to] : Lines(mText)) {
    if (base - info.ascent > r.bottom) break;
    MoveTo(TextLeft(), base);
    DrawText(mText.data(), std::int32_t(from), std::int32_t(to - from));
    if (showSel) {
      // The part of the selection (or the caret) on this line.
      const std::size_t a = std::clamp(mSelStart, from, to), b = std::clamp(mSelEnd, from, to);
      const bool caretHere = mSelStart == mSelEnd && mSelStart >= from && mSelStart <= to;
      if (caretHere || (a < b) || (mSelStart <= from && mSelEnd > to)) {
        const std::int32_t x1 = TextLeft() + TextWidth(mText.data(), std::int32_t(from), std::int32_t(a - from));
        std::int32_t x2 = TextLeft() + TextWidth(mText.data(), std::int32_t(from), std::int32_t(b - from));
        if (caretHere) x2 = x1 + 1;
        else if (mSelEnd > to) x2 += 4;   // the line end is selected too
        Rect sel{KxPinShort(base - info.ascent), KxPinShort(x1), KxPinShort(base + info.descent), KxPinShort(x2)};
        InvertRect(&sel);
      }
    }
    base += lineHeight;
  }
}

void KXScriptBox::ClickSelf(const SMouseDownEvent& event) {
  if (!IsOnDuty() || GetTarget() != this) SwitchTarget(this);
  if (FocusDraw()) ApplyForeAndBack();
  RectL f;
  CalcLocalFrameRect(f);
  KxFontInfo info;
  GetFontInfo(&info);
  const std::int32_t lineHeight = std::max(1, info.ascent + info.descent + info.leading);
  const auto lines = Lines(mText);
  const std::size_t n = std::size_t(std::clamp<std::int32_t>((event.whereLocal.v - f.top - 3) / lineHeight, 0,
                                                               std::int32_t(lines.size()) - 1));
  const auto [from, to] = lines[n];
  std::size_t at = from;
  std::int32_t h = TextLeft();
  while (at < to) {
    const std::size_t next = NextBoundary(at);
    const std::int32_t w = TextWidth(mText.data(), std::int32_t(at), std::int32_t(next - at));
    if (event.whereLocal.h < h + w / 2) break;
    h += w;
    at = next;
  }
  if (event.macEvent.modifiers & kKxEventShiftKey)
    SetSelection(std::min(mSelStart, at), std::max(mSelEnd, at));
  else
    SetSelection(at, at);
  Refresh();
}

// ---- CKXTextStreamEditor

struct CKXTextStreamEditor::Target {
  std::string path;                  // a file target
  CKXTextDocument* doc = nullptr;    // a window target
  std::unique_ptr<SKXSedText> text;  // a window's text or selection, or the clipboard's
  SKXRange range{0, 0};              // what of the window the text is
  bool selection = false;
};

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
  // The box's text survives closing as the history's last entry.
  UKXSEDHistMenu::InsertHistHandle(FieldText(kScriptBox), gStreamEditor.scriptBytes, true);
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
  Rect standard;
  if (editor->CalcStandardBounds(standard)) {
    const int w = std::min(r.right - r.left, standard.right - standard.left);
    const int ht = std::min(r.bottom - r.top, standard.bottom - standard.top);
    const int left = std::clamp<int>(r.left, standard.left, standard.right - w);
    const int top = std::clamp<int>(r.top, standard.top, standard.bottom - ht);
    r = Rect{std::int16_t(top), std::int16_t(left), std::int16_t(top + ht), std::int16_t(left + w)};
  }
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
    script.push_back(IndString(kScriptSnippetStrings, n));
  SetPopupItems(dynamic_cast<LStdPopupMenu*>(FindPaneByID(kScriptSnippets)), std::move(script));
  std::vector<std::string> expr{"\x83\x70\x83\x5E\x81\x5B\x83\x93"};   // パターン
  for (std::int16_t n = 1; KxHasIndString(kExprSnippetStrings, n); ++n)
    expr.push_back(IndString(kExprSnippetStrings, n));
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

void CKXTextStreamEditor::Note(std::int16_t item, const std::string& arg) {
  std::string text = IndString(kKxSEDMessages, item);
  if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, arg);
  if (const std::size_t at = text.find("%s"); at != std::string::npos) text.erase(at, 2);
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

// ---- a run

bool CKXTextStreamEditor::DoStreamEditor() {
  CKXTextRunSED sed;
  sed.SetMessageList(kKxSEDMessages, kErrorBase);
  SKXFileEntry targetFolder;
  if (mScriptSide) {
    if (!mOtherPath.empty()) targetFolder = mOtherPath.back();
  } else {
    GetCurFolder(targetFolder);
  }
  if (!targetFolder.path.empty()) sed.SetStdioFolder(targetFolder.path);

  // The script.
  const bool changedOption = Option(kChangedOnly);
  std::vector<SKXSedStream> scripts;
  std::vector<std::unique_ptr<SKXSedText>> scriptTexts;
  auto scriptText = [&](const std::string& sjis) {
    auto t = std::make_unique<SKXSedText>();
    t->text->SetText(sjis.data(), long(sjis.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    scripts.push_back(SKXSedStream::Text(t.get()));
    scriptTexts.push_back(std::move(t));
  };
  const std::string find = FieldText(kFindField), replace = FieldText(kReplaceField);
  const std::string box = FieldText(kScriptBox);
  if (mSource == kKxSEDFromFields) {
    if (find.empty()) return Note(kEmptyFind), false;
    scriptText(KxSEDFieldCommand(find, replace, changedOption));
  } else if (mSource == kKxSEDFromBox) {
    if (box.empty()) return Note(kEmptyScript), false;
    scriptText(box);
  } else {
    auto* list = dynamic_cast<LListBox*>(FindPaneByID(kScriptList));
    const std::vector<std::int32_t> rows = list ? list->GetSelectedRows() : std::vector<std::int32_t>{};
    if (rows.empty()) return Note(kNoScript), false;
    for (std::int32_t row : rows) {
      const std::size_t r = std::size_t(row);
      if (mSource == kKxSEDFromFiles && r < mScriptPaths.size() && KxPathExists(mScriptPaths[r])) {
        scripts.push_back(SKXSedStream::File(mScriptPaths[r]));
      } else if (mSource == kKxSEDFromWindows && r < mScriptDocs.size() && StillOpen(mScriptDocs[r])) {
        SKXRange range;
        scriptTexts.push_back(CopyOfDocument(mScriptDocs[r], false, range));
        scripts.push_back(SKXSedStream::Text(scriptTexts.back().get()));
      }
    }
    if (scripts.empty()) return KxCurrentHost().Beep(), false;
  }

  // The targets.
  std::vector<Target> targets;
  if (mTarget == kKxSEDTargetClipboard) {
    Target t;
    t.text = std::make_unique<SKXSedText>();
    short kind = 0;
    KxGetTextFromClipboard(KXHandleAccess::Wrap(t.text->text.get()), kind);
    if (t.text->text->GetLength() == 0) return Note(kEmptyClipboard), false;
    targets.push_back(std::move(t));
  } else {
    auto* list = dynamic_cast<LListBox*>(FindPaneByID(kTargetList));
    const std::vector<std::int32_t> rows = list ? list->GetSelectedRows() : std::vector<std::int32_t>{};
    if (rows.empty()) return Note(kNoTarget), false;
    const bool selectionOnly = Option(kSelectionOnly);
    for (std::int32_t row : rows) {
      const std::size_t r = std::size_t(row);
      Target t;
      if (mTarget == kKxSEDTargetFiles && r < mTargetPaths.size() && KxPathExists(mTargetPaths[r])) {
        t.path = mTargetPaths[r];
      } else if (mTarget == kKxSEDTargetWindows && r < mTargetDocs.size() && StillOpen(mTargetDocs[r])) {
        t.doc = mTargetDocs[r];
        t.text = CopyOfDocument(t.doc, selectionOnly, t.range);
        t.selection = t.range.length != t.doc->GetEngine()->GetTotalRange().length;
      } else {
        continue;
      }
      targets.push_back(std::move(t));
    }
    if (targets.empty()) return KxCurrentHost().Beep(), false;
  }
  const short output = KxSEDEffectiveOutput(mTarget, mOutput);
  // Changed lines only is a no-print run whatever the source; never while
  // the targets are overwritten.
  const bool noPrint = KxSEDChangedOnly(changedOption, output);

  LPane* group = FindPaneByID(kOutputGroup);
  if (group) group->Disable();
  UCursors::Set(kKxWatchCursor);
  CKXSafeBatch batch;
  sed.SetBatch(&batch);
  std::set<std::string> written;
  mRunTargets.clear();
  for (const Target& t : targets)
    if (!t.path.empty()) mRunTargets.insert(BaseName(t.path));
  bool ok = true;
  auto streamOf = [](Target& t) {
    return t.text ? SKXSedStream::Text(t.text.get()) : SKXSedStream::File(t.path);
  };
  if (KxSEDRunsPerTarget(targets.size(), output)) {
    for (Target& t : targets) {
      if (!(ok = DoOutput(sed, output, t, written, scripts, {streamOf(t)}, noPrint))) break;
    }
  } else {
    std::vector<SKXSedStream> inputs;
    for (Target& t : targets) inputs.push_back(streamOf(t));
    ok = DoOutput(sed, output, targets.front(), written, scripts, inputs, noPrint);
  }
  if (int err = batch.Commit()) {
    Note(kCannotWrite, KxErrorText(err));
    ok = false;
  }
  UCursors::Set(kKxArrowCursor);
  if (group) group->Enable();
  UpdateEnabling();
  if (!ok) return false;

  UpdateScriptList();
  UpdateTargetList();
  if (mSource == kKxSEDFromBox) {
    if (UKXSEDHistMenu::InsertHistHandle(box, gStreamEditor.scriptBytes, false)) gPrefModify = true;
    FillScriptHistory();
  } else if (mSource == kKxSEDFromFields) {
    auto& services = CKXTextViewServices::Get();
    services.SetFindString(find);
    services.SetReplaceString(replace);
    services.AddFindHistory(find);
    services.AddReplaceHistory(replace);
    FillFindHistories();
  }
  if (mTarget == kKxSEDTargetClipboard)
    if (auto* view = dynamic_cast<CKXTextClipboardView*>(FindPaneByID(kClipView))) view->UpdateNow();
  return true;
}

namespace {
// The title of a window output, by the same rules as a file's name.
std::string OutputTitle(short output, const std::string& target, const std::string& title,
                        const std::string& suffix) {
  if (output == kKxSEDNewDocument) return title.empty() ? "New" + target : title;
  const std::string add = suffix.empty() ? ".New" : suffix;
  const std::size_t dot = target.rfind('.');
  return dot == std::string::npos || dot == 0 ? target + add : target.substr(0, dot) + add + target.substr(dot);
}
}  // namespace

bool CKXTextStreamEditor::DoOutput(CKXTextRunSED& sed, short output, Target& first, std::set<std::string>& written,
                                   const std::vector<SKXSedStream>& scripts,
                                   const std::vector<SKXSedStream>& inputs, bool noPrint) {
  if (!first.path.empty() && output != kKxSEDClipboard) {
    // A file target: the output is a file beside it, written in the first
    // input's form with its records.
    const std::string title = KxScriptTextToUTF8(FieldText(kTitle));
    const std::string suffix = KxScriptTextToUTF8(FieldText(kSuffix));
    std::string why;
    const std::string name = KxSEDOutputName(output, BaseName(first.path), title, suffix, mRunTargets, written, why);
    if (name.empty()) {
      Note(kBadName, KxUTF8ToScriptText(why));
      return false;
    }
    const std::string path = DirName(first.path) + "/" + name;
    if (!sed.DoStreamEdit(scripts, inputs, SKXSedStream::File(path), noPrint, false) || sed.Broken()) return false;
    written.insert(name);
    return true;
  }
  SKXSedText out;
  if (!sed.DoStreamEdit(scripts, inputs, SKXSedStream::Text(&out), noPrint, false) || sed.Broken()) return false;
  if (output == kKxSEDClipboard || !first.doc) {
    KxPutTextOnClipboard(KXHandleAccess::Wrap(out.text.get()));
    return true;
  }
  return DeliverToWindow(out, output, first);
}

bool CKXTextStreamEditor::DeliverToWindow(SKXSedText& out, short output, Target& target) {
  if (!StillOpen(target.doc)) return false;
  CKXTextDocument* into = target.doc;
  SKXRange range = into->GetEngine()->GetTotalRange();
  if (output == kKxSEDOverwrite) {
    if (target.selection) range = into->GetEngine()->GetSelectionRange();
  } else {
    // Only a document this window made for an earlier run, still untitled
    // and with that title, is written again; never one found by its name.
    const std::string title = OutputTitle(output, target.doc->TitleText(), KxScriptTextToUTF8(FieldText(kTitle)),
                                          KxScriptTextToUTF8(FieldText(kSuffix)));
    Str255 wanted;
    const std::string sjis = KxUTF8ToScriptText(title);
    wanted[0] = std::uint8_t(KxSJISCut(sjis, 255));
    std::memcpy(wanted + 1, sjis.data(), wanted[0]);
    into = nullptr;
    for (CKXTextDocument* d : mMadeDocs) {
      if (!StillOpen(d) || !d->Path().empty()) continue;
      Str255 now{};
      if (LWindow* w = d->GetDocWindow()) w->GetDescriptor(now);
      if (now[0] == wanted[0] && std::memcmp(now + 1, wanted + 1, now[0]) == 0) into = d;
    }
    if (!into) {
      KxTextDocHooks hooks;
      if (!hooks.NewDocument()) return false;
      into = KxTextDocHooks::All().back();
      into->SetDescriptor(wanted);
      mMadeDocs.push_back(into);
    }
    range = into->GetEngine()->GetTotalRange();
  }
  if (!into->IsEditable()) {
    Note(kReadOnly, KxUTF8ToScriptText(into->TitleText()));
    return false;
  }
  CKXTextEngine* engine = into->GetEngine();
  const bool whole = range.start == 0 && range.length == engine->GetTotalRange().length;
  const long added = out.text->GetLength();
  // One action: the text, then the marks, which the action keeps with it.
  engine->DoReplaceExt(range, KXHandleAccess::Wrap(out.text.get()), kAllRuns);
  KXMarkSet marks;
  if (!whole) {
    KXMarkSet standing;
    engine->GetMarks(standing);
    for (SKXSavedMark& m : standing)
      if (!m.markup && (m.start + m.length <= range.start || m.start >= range.start + added)) marks.push_back(m);
  }
  for (const SKXSedMark& m : out.marks) {
    SKXSavedMark s;
    s.start = std::int32_t(range.start + m.start);
    s.length = m.length;
    s.rank = out.ranks ? m.rank : 0;
    const std::size_t n = std::min<std::size_t>(m.name.size(), 255);
    s.name.push_back(std::uint8_t(n));
    s.name.insert(s.name.end(), m.name.begin(), m.name.begin() + std::ptrdiff_t(n));
    marks.push_back(std::move(s));
  }
  std::stable_sort(marks.begin(), marks.end(), [](const SKXSavedMark& a, const SKXSavedMark& b) { return a.start < b.start; });
  engine->SetMarks(marks);
  into->SelectWindow();
  return true;
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
