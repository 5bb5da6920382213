// One run of the stream editor window: the script and the targets taken
// from the window, the runs, and the outputs delivered to files (through
// one safe batch), windows (one undoable action each) or the clipboard.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/globals.h"
#include "document/clipboard_window.h"
#include "document/text_doc.h"
#include "engine/flavor_exchange.h"
#include "engine/text_engine.h"
#include "layout/kxtext_handle.h"
#include "platform/files.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "platform/toolbox/cursors.h"
#include "tools/file_text.h"
#include "tools/sed_history.h"
#include "tools/sed_window.h"
#include "tools/sed_window_model.h"
#include "tools/sed_window_parts.h"
#include "views/message_box.h"
#include "views/text_view_commands.h"

using namespace kxsedwin;

struct CKXTextStreamEditor::Target {
  std::string path;                  // a file target
  CKXTextDocument* doc = nullptr;    // a window target
  std::unique_ptr<SKXSedText> text;  // a window's text or selection, or the clipboard's
  SKXRange range{0, 0};              // what of the window the text is
  bool selection = false;
};

namespace {

// Bounds of one run the user starts, over all its targets, so that a script
// that never leaves its loop (":a;ba", ":a;p;ba", ":a;s/x/xx/;ba") ends
// with a note instead of taking the machine's memory or time. Real jobs
// stay far below them: a 50 MB file through "s/a/b/g" takes about a
// million steps (a line, a jump or 4,096 matcher attempts each).
constexpr long kRunSteps = 100000000;
// Bytes the outputs and the line buffers' units may hold, the outputs of
// the targets already done counted too while the run still holds them (for
// windows, the clipboard, the script's write files): twenty times a 50 MB
// text. An output written to its file holds nothing: a folder of any size
// goes through a plain substitution.
constexpr long kRunBytes = 1L << 30;
// Units of one line buffer: a 50 MB text joined into one line fits.
constexpr long kRunMaxLine = 1L << 26;

constexpr char kListComma[] = "\x81\x41";  // the ideographic comma, between names

std::string Joined(const std::vector<std::string>& parts, const char* between) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : between) + p;
  return out;
}

}  // namespace

// The target as a note names it (Shift_JIS).
std::string CKXTextStreamEditor::TargetName(const Target& t) const {
  if (!t.path.empty()) return KxUTF8ToScriptText(BaseName(t.path));
  if (t.doc && StillOpen(t.doc)) return KxUTF8ToScriptText(t.doc->TitleText());
  return KxIndString(kKxSEDMessages, kClipboardName);
}

bool CKXTextStreamEditor::DoStreamEditor() {
  CKXTextRunSED sed;
  sed.SetMessageList(kKxSEDMessages, kErrorBase);
  sed.SetMaxLine(kRunMaxLine);
  sed.SetSeriesLimits(kRunSteps, kRunBytes);
  sed.StartSeries();
  // The notes wait for the end of the series, which tells where it stood.
  sed.HoldNotes(true);
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
    if (KxSEDFieldHasPlaceholder(find) || KxSEDFieldHasPlaceholder(replace)) return Note(kFieldPlaceholder), false;
    scriptText(KxSEDFieldCommand(find, replace, changedOption));
  } else if (mSource == kKxSEDFromBox) {
    if (box.empty()) return Note(kEmptyScript), false;
    if (KxSEDFieldHasPlaceholder(box)) return Note(kFieldPlaceholder), false;
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
  std::vector<std::string> targetFiles;
  for (const Target& t : targets) {
    if (t.path.empty()) continue;
    mRunTargets.insert(BaseName(t.path));
    targetFiles.push_back(t.path);
  }
  // A write file of the script never replaces a target of the series.
  sed.ProtectFiles(targetFiles);
  bool ok = true;
  auto streamOf = [](Target& t) {
    return t.text ? SKXSedStream::Text(t.text.get()) : SKXSedStream::File(t.path);
  };
  // The targets delivered before the series stopped, and where it stopped.
  std::vector<std::string> done;
  const Target* stoppedAt = nullptr;
  // Targets refused for characters their encoding lacks, with the count,
  // and the notes of the runs so far.
  std::vector<std::string> refusedNames, notes;
  // A file refused for characters its encoding lacks has its own note; the
  // other targets go on.
  auto refused = [&sed] { return sed.Unwritable() > 0 && !sed.Broken() && !sed.Limited(); };
  mCollectNotes = true;
  mCollected.clear();
  if (KxSEDRunsPerTarget(targets.size(), output)) {
    for (Target& t : targets) {
      mDelivered.clear();
      if (DoOutput(sed, output, t, written, scripts, {streamOf(t)}, noPrint)) {
        done.push_back(mDelivered.empty() ? TargetName(t) : mDelivered);
        continue;
      }
      ok = false;
      std::vector<std::string> held = sed.TakeNotes();
      if (refused()) {
        // Its note is the last; several such files are told in one list.
        refusedNames.push_back(TargetName(t) + " (" + std::to_string(sed.Unwritable()) + ")");
        if (!held.empty()) held.pop_back();
        notes.insert(notes.end(), held.begin(), held.end());
        continue;
      }
      notes.insert(notes.end(), held.begin(), held.end());
      if (sed.InputLine() > 0 || sed.Broken() || sed.Limited() || !done.empty()) stoppedAt = &t;
      break;
    }
  } else {
    std::vector<SKXSedStream> inputs;
    for (Target& t : targets) inputs.push_back(streamOf(t));
    ok = DoOutput(sed, output, targets.front(), written, scripts, inputs, noPrint);
    // A script that did not compile stopped at no target.
    if (!ok && !refused() && (sed.InputLine() > 0 || sed.Broken() || sed.Limited()))
      stoppedAt = &targets[std::size_t(std::clamp(sed.InputIndex(), 0, int(targets.size()) - 1))];
  }
  // The script's write files as the last run that finished made them. They
  // were opened when the script compiled; one that still cannot be written
  // fails the runs that made it, so no file of the batch is replaced (the
  // batch drops its temporaries).
  bool committed = false;
  if (!sed.WriteHeldFiles()) {
    ok = false;
  } else if (int err = batch.Commit()) {
    Note(kCannotWrite, KxErrorText(err));
    ok = false;
  } else {
    committed = true;
  }
  mCollectNotes = false;
  UCursors::Set(kKxArrowCursor);
  if (group) group->Enable();
  UpdateEnabling();
  // One note says what went wrong, where the series stopped, and what it
  // had already written.
  for (std::string& n : sed.TakeNotes()) notes.push_back(std::move(n));
  notes.insert(notes.end(), mCollected.begin(), mCollected.end());
  mCollected.clear();
  if (stoppedAt && (sed.Broken() || sed.Limited())) {
    // A bound reached reads as the stop it is, not as the line buffer's
    // error it came through.
    notes.clear();
    notes.push_back(KxSEDItemText(sed.Broken() ? kStoppedByUser : kStoppedAtLimit, TargetName(*stoppedAt),
                             sed.InputLine()));
  } else if (stoppedAt && (!notes.empty() || !done.empty())) {
    notes.push_back(KxSEDItemText(kStoppedAt, TargetName(*stoppedAt)));
  }
  if (!refusedNames.empty())
    notes.insert(notes.begin(), KxSEDItemText(kUnwritableTargets, Joined(refusedNames, kListComma)));
  if (committed && stoppedAt && !done.empty())
    notes.push_back(KxSEDItemText(kAlreadyWritten, Joined(done, kListComma)));
  if (!notes.empty()) KXMessageBox::StrNote(KXMessageBox::CutMessage(Joined(notes, " ")));
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
    // A new document is new: a file already there under its name is the
    // user's, never replaced without a word.
    if (output == kKxSEDNewDocument && KxPathExists(path)) {
      Note(kBadName, KxUTF8ToScriptText("\u300C" + name + "\u300Dはすでにあります"));
      return false;
    }
    if (!sed.DoStreamEdit(scripts, inputs, SKXSedStream::File(path), noPrint, false) || sed.Broken()) return false;
    written.insert(name);
    mDelivered = KxUTF8ToScriptText(name);
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
      // The output is laid out as the text it was made from.
      into->TakeDocumentStyles(*target.doc);
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

