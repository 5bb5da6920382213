// The text document's page set-up and printing: the host's page set-up and
// print dialogs over the document's print record, the text printout of
// layout 1500, and the note when the printer's paper is not the text's.
#include <cstdlib>
#include <memory>
#include <new>

#include "document/print_record.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "engine/text_event.h"
#include "layout/kxtext_api.h"
#include "layout/text_form.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/framework/dialog.h"
#include "platform/framework/window.h"
#include "platform/resources.h"
#include "platform/toolbox/cursors.h"
#include "text/base/memory.h"
#include "views/message_box.h"
#include "views/text_printout.h"

namespace {

// Message list 208: the paper note (items 11-14); menu 1272: paper kinds.
constexpr short kPaperNoteList = 208;
constexpr short kNoteBefore = 11, kNoteAfter = 12, kNoteSizeBefore = 13, kNoteSizeBetween = 14;
constexpr short kPaperKindMenu = 1272;
// Papers closer than this on both sides need no note.
constexpr long kPaperNoteSlack = 30;

std::string PaperKindName(short kind) {
  const KxMenuRecord* menu = KxFindMenuRecord(kPaperKindMenu);
  if (!menu || kind < 0 || kind >= menu->itemCount) return {};
  const KxMenuItemRecord& item = KxMenuItemAt(menu->firstItem + kind);
  return std::string(item.text, item.length);
}

long Millimetres(long points) { return (points * 254 + 360) / 720; }

// Inline input is fixed for the dialog's time and taken up again after, and
// the palettes are hidden meanwhile.
class StDialogScope {
 public:
  explicit StDialogScope(CKXEventHandler* handler) : mEvents(dynamic_cast<CKXTextEvent*>(handler)) {
    if (mEvents) mEvents->Deactivate();
  }
  ~StDialogScope() {
    if (mEvents && mEvents->GetTextEngine() && KXTE_GetActivate(mEvents->GetTextEngine()->GetEdit()))
      mEvents->Activate();
  }
  StDialogScope(const StDialogScope&) = delete;
  StDialogScope& operator=(const StDialogScope&) = delete;

 private:
  StKXTextToolbarHide mHide;
  CKXTextEvent* mEvents;
};

// The memory layer gives its reserve to a print job and takes it back
// however the job ends.
class StMemPrinting {
 public:
  StMemPrinting() { KxMemPrinting(1); }
  ~StMemPrinting() { KxMemPrinting(0); }
  StMemPrinting(const StMemPrinting&) = delete;
  StMemPrinting& operator=(const StMemPrinting&) = delete;
};

// A print job lays the lines out at the column width it prints them in;
// afterwards the views put back the width they show the text at (a
// window's, outside paper view), however the job ends.
class StColumnLayout {
 public:
  StColumnLayout(CKXTextEngine& engine, const KxTextPanes& panes)
      : mPanes(panes), mRelaid(KxFitLinesToColumn(engine)) {}
  ~StColumnLayout() {
    if (!mRelaid) return;
    try {
      for (CKXTextView* v : mPanes.view)
        if (v) v->FitImageToFrame();
    } catch (...) {
      // The lines stay at the column width: whole, only narrower.
    }
  }
  StColumnLayout(const StColumnLayout&) = delete;
  StColumnLayout& operator=(const StColumnLayout&) = delete;

 private:
  const KxTextPanes& mPanes;
  bool mRelaid;
};

class StWatchCursor {
 public:
  StWatchCursor() { StCursors watch(kKxWatchCursor); }
  ~StWatchCursor() { StCursors arrow(kKxArrowCursor); }
  StWatchCursor(const StWatchCursor&) = delete;
  StWatchCursor& operator=(const StWatchCursor&) = delete;
};

}  // namespace

KxPageSetup CKXTextDocument::CurrentPageSetup() const {
  const KXEditHandle e = mEngine->GetEdit();
  const PointL paper = KXTE_GetPaperSize(e);
  Rect hard;
  KXTE_GetHardMargin(e, hard);
  KxPageSetup s;
  // A paper wider than tall is an upright paper turned.
  s.landscape = paper.h > paper.v;
  s.paperWidth = s.landscape ? paper.v : paper.h;
  s.paperHeight = s.landscape ? paper.h : paper.v;
  s.hardTop = hard.top, s.hardLeft = hard.left, s.hardBottom = hard.bottom, s.hardRight = hard.right;
  KxValidatePageSetup(s);
  return s;
}

void CKXTextDocument::SetStoredPrintRecord(const std::vector<std::uint8_t>& record) {
  mStoredPrintRecord = record;
  KxPageSetup setup;
  if (KxPageSetupFromMTPR(record, setup)) {
    mPrintRecord.setup = setup;
    mHasPrintRecord = true;
  }
}

void CKXTextDocument::HandlePageSetup() {
  KxPageSetup setup = CurrentPageSetup();
  bool accepted = false;
  {
    StDialogScope scope(mHandler);
    try {
      accepted = KxCurrentHost().RunPageSetup(setup);
    } catch (...) {
      accepted = false;   // a failing dialog is a cancelled one
    }
  }
  if (!accepted) return;
  mPrintRecord.setup = setup;
  mHasPrintRecord = true;
  KxWriteMTPRSetup(mStoredPrintRecord, setup);
  PageSetupChanged();
}

void CKXTextDocument::PageSetupChanged() {
  const KxPageSetup& s = mPrintRecord.setup;
  const KXEditHandle e = mEngine->GetEdit();
  const PointL paper{s.Height(), s.Width()};
  const PointL was = KXTE_GetPaperSize(e);
  bool changed = false;
  if (paper.v != was.v || paper.h != was.h) {
    mEngine->SetPaperSize(paper, true);
    changed = true;
  }
  const Rect hard{std::int16_t(s.hardTop), std::int16_t(s.hardLeft), std::int16_t(s.hardBottom),
                  std::int16_t(s.hardRight)};
  Rect hardWas;
  KXTE_GetHardMargin(e, hardWas);
  if (hard.top != hardWas.top || hard.left != hardWas.left || hard.bottom != hardWas.bottom ||
      hard.right != hardWas.right) {
    KXTE_SetHardMargin(e, hard);
    changed = true;
  }
  if (!changed) return;
  // The new page size laid the lines out in its column: a window that
  // wraps at its own width takes its width back (paper view keeps the
  // column).
  for (CKXTextView* v : mPanes.view)
    if (v) v->FitImageToFrame();
  SetModified(true);
  mPanes.window->Refresh();
}

void CKXTextDocument::CheckFormPaper() {
  const KXEditHandle e = mEngine->GetEdit();
  const PointL paper = KXTE_GetPaperSize(e);
  const KxPageSetup printer = mHasPrintRecord ? mPrintRecord.setup : KxPrinterPageSetup();
  const PointL sheet{printer.Height(), printer.Width()};
  const short kind = KXTE_GetFormStylPaperType(e, paper);
  if (kind == KXTE_GetFormStylPaperType(e, sheet)) return;
  if (std::labs(long(paper.h) - sheet.h) <= kPaperNoteSlack && std::labs(long(paper.v) - sheet.v) <= kPaperNoteSlack)
    return;
  std::string note = KxIndString(kPaperNoteList, kNoteBefore) + PaperKindName(kind);
  if (kind == kKxPaperOther)
    note += KxIndString(kPaperNoteList, kNoteSizeBefore) + std::to_string(Millimetres(paper.h)) +
            KxIndString(kPaperNoteList, kNoteSizeBetween) + std::to_string(Millimetres(paper.v));
  note += KxIndString(kPaperNoteList, kNoteAfter);
  {
    StDialogScope scope(mHandler);
    KXMessageBox::StrNote(note);
  }
  mPanes.window->UpdatePort();
}

void CKXTextDocument::HandlePrint() {
  CheckFormPaper();
  StWatchCursor watch;
  DoPrint();
}

KxPrintResult CKXTextDocument::DoPrint() {
  StDialogScope scope(mHandler);
  KxPrintResult result = KxPrintResult::kFailed;
  std::string why;
  try {
    StMemPrinting printing;
    std::unique_ptr<CKXTextPrintout> printout(CKXTextPrintout::CreateCKXTextPrintout(kKxTextPrintoutLayout));
    if (!printout) {
      KxCurrentHost().Alert(KxAlertKind::kStop, "書類\u300C" + TitleText() + "\u300Dを印刷できませんでした。");
      return KxPrintResult::kFailed;
    }
    StColumnLayout columns(*mEngine, mPanes);
    printout->SetTextEngine(mEngine);
    // The job prints on the document's own paper (a page laid out for B5
    // is printed whole); the record keeps the dialog's settings.
    KxPrintRecord job = mPrintRecord;
    job.setup = CurrentPageSetup();
    printout->SetPageSetup(job.setup);
    // The job runs to its end before this returns: the text cannot change
    // between its pages.
    result = KxCurrentHost().RunPrint(*printout, job, why);
    mPrintRecord.settings = job.settings;
  } catch (const LException& e) {
    result = KxPrintResult::kFailed;
    why = e.GetErrorCode() > 0 ? KxErrorText(int(e.GetErrorCode())) : "エラー " + std::to_string(e.GetErrorCode());
  } catch (const std::bad_alloc&) {
    result = KxPrintResult::kFailed;
    why = "メモリが足りません";
  }
  // The views show the text again as they had it.
  mPanes.window->Refresh();
  if (result == KxPrintResult::kFailed)
    KxCurrentHost().Alert(KxAlertKind::kStop, "書類\u300C" + TitleText() + "\u300Dを印刷できませんでした" +
                                                  (why.empty() ? std::string("。") : " (" + why + ")。"));
  return result;
}
