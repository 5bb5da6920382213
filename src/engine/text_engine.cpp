// The text engine: binding, result words, undo posting, keys, clicks and
// inline input. Geometry and the scripting model's parts live in
// text_engine_parts.cpp.
#include "engine/text_engine.h"

#include "engine/flavor_exchange.h"

#include <algorithm>
#include <memory>
#include <new>

#include "engine/macro_recorder.h"
#include "engine/text_undoer.h"
#include "platform/draw/print.h"
#include "platform/exception.h"
#include "platform/framework/view.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "text/base/geometry.h"
#include "text/codes/script.h"

namespace {
constexpr unsigned short kKeyEnter = 3;
constexpr char kModOption = 4, kModCommandOption = 6;
constexpr std::uint16_t kShiftKey = 0x0200;
// A page break: form feed and the line end after it.
constexpr char kPageBreak[2] = {12, 13};
// The built-in page, tenths of a millimetre.
constexpr std::int32_t kPaperWidth = 2100, kPaperHeight = 3000, kPrintInset = 20, kTextInset = 120;
// How far a click held at a screen edge scrolls per turn.
constexpr std::int32_t kEdgeScroll = 64;
// Phases of a click in the edit object.
constexpr short kClickPress = 0, kClickRelease = 1, kClickTrack = 2;
// How far the selection is brought past the edge along the line.
constexpr std::int32_t kShowSelSlack = 32;
constexpr std::int32_t kNibbleScroll = 16;
// The low nibble of a result word: a scroll the edit object asks for.
constexpr unsigned kScrollUp = 1, kScrollDown = 2, kScrollLeft = 3, kScrollRight = 4, kScrollCentre = 5;

// Tenths of a millimetre to whole points.
std::int32_t TenthsMMToPoints(std::int32_t value) { return (KxUnitLToPointsL(value, 3) + 5) / 10; }

struct TextOwner {
  KXTextHandle h;
  ~TextOwner() {
    if (h) KXText_Dispose(h);
  }
};
}  // namespace

// ---- construction ------------------------------------------------------------------------------------

CKXTextEngine::CKXTextEngine() : CKXTextEngine(true) {}

CKXTextEngine::CKXTextEngine(bool usePrinter) : mLink(std::make_shared<SKXLayerLink>()) {
  mLink->layer = this;
  InitTextEngine(usePrinter);
}

CKXTextEngine::~CKXTextEngine() {
  // Actions that a window still keeps must not reach this engine any more.
  mLink->layer = nullptr;
  if (!mOwnsAction) mAction = nullptr;
}

void CKXTextEngine::InitTextEngine(bool usePrinter) {
  mView = nullptr;
  mAttributes = kKxEngineEditable;
  mSplit = false;
  mUsePrinter = usePrinter;
  mDragRange = sTextUndefined;
  mEncoding = kKxEncodingShiftJIS;

  SKXPageStyl page;
  PointL resolution{};
  RectL paper{}, printable{};
  if (usePrinter && KxGetPrinterInfo(resolution, paper, printable) && paper.right > paper.left &&
      paper.bottom > paper.top) {
    page.paperHeight = paper.bottom - paper.top;
    page.paperWidth = paper.right - paper.left;
    page.printArea = printable;
    page.textArea = printable;
  } else {
    const std::int32_t w = TenthsMMToPoints(kPaperWidth), h = TenthsMMToPoints(kPaperHeight);
    const std::int32_t p = TenthsMMToPoints(kPrintInset), t = TenthsMMToPoints(kTextInset);
    page.paperHeight = h;
    page.paperWidth = w;
    page.printArea = RectL{p, p, h - p, w - p};
    page.textArea = RectL{t, t, h - t, w - t};
  }
  page.columns = 1;
  const RectL view{0, 0, page.textArea.bottom - page.textArea.top, page.textArea.right - page.textArea.left};
  Initialize(page, view);
}

// ---- binding --------------------------------------------------------------------------------------------

void CKXTextEngine::SetHandlerView(LView* view) {
  if (view == mView) return;
  mView = view;
  ClearHiliteRgn();
  if (!view) return;
  SPoint32 pos{};
  SDimension32 size{};
  view->GetScrollPosition(pos);
  view->GetFrameSize(size);
  SetViewRect(pos, size);
}

void CKXTextEngine::Focus() {
  if (mView) mView->FocusDraw();
}

void CKXTextEngine::Activate() {
  ClearHiliteRgn();
  CKXTextLayer::Activate();
}

void CKXTextEngine::Deactivate() {
  ClearHiliteRgn();
  CKXTextLayer::Deactivate();
}

void CKXTextEngine::Idle() { CKXTextLayer::Idle(); }

void CKXTextEngine::SetSelectionRange(const SKXRange& range, bool scroll) {
  const SKXRange before = GetSelectionRange();
  CKXTextLayer::SetSelectionRange(range, scroll);
  if (!UKXRange::RangesSame(before, GetSelectionRange())) ClearHiliteRgn();
}

void CKXTextEngine::SetTextChanged(bool changed) {
  if (changed == mTextChanged) return;
  mTextChanged = changed && IsEditable();
  BroadcastMessage(kKxMsgModifiedChanged, &mTextChanged);
}

// ---- the result word ------------------------------------------------------------------------------------------

void CKXTextEngine::TextEditResult(std::uint16_t result) {
  // Words and lines may have moved: the part enumeration starts afresh.
  if (result & (kKxResultTextChanged | kKxResultViewChanged | kKxResultImageChanged)) ForgetParts();
  if (result & kKxResultTextChanged) {
    SetTextChanged(true);
    if (mSplit && !(result & (kKxResultViewChanged | kKxResultImageChanged))) BroadcastMessage(kKxMsgTextChanged);
  }
  if (result & (kKxResultStyleChanged | kKxResultParaChanged)) BroadcastMessage(kKxMsgStyleChanged);
  if (result & kKxResultSelChanged) BroadcastMessage(kKxMsgSelectionChanged);
  if (result & kKxResultViewChanged) BroadcastMessage(kKxMsgViewSettingsChanged);
  if (result & kKxResultImageChanged) BroadcastMessage(kKxMsgImageSizeChanged);
  if (result & kKxResultMarksChanged) BroadcastMessage(kKxMsgMarksChanged);
  if (!mView) return;
  const unsigned nibble = result & kKxResultScrollMask;
  if (result & kKxResultShowSel) {
    const PointL d = KXTE_GetSelView(mEdit, nibble == kScrollCentre ? 1 : 0);
    std::int32_t dh = d.h, dv = d.v;
    auto widen = [](std::int32_t x) { return x > 0 ? x + kShowSelSlack : x < 0 ? x - kShowSelSlack : 0; };
    if (KXTE_GetVertical(mEdit))
      dv = widen(dv);
    else
      dh = widen(dh);
    ScrollPinned(-dh, -dv);
  }
  switch (nibble) {
    case kScrollUp:
      ScrollPinned(0, -kNibbleScroll);
      break;
    case kScrollDown:
      ScrollPinned(0, kNibbleScroll);
      break;
    case kScrollLeft:
      ScrollPinned(-kNibbleScroll, 0);
      break;
    case kScrollRight:
      ScrollPinned(kNibbleScroll, 0);
      break;
    default:
      break;
  }
}

void CKXTextEngine::ScrollPinned(std::int32_t h, std::int32_t v) {
  if (mView && (h != 0 || v != 0)) mView->ScrollPinnedImageBy(h, v, true);
}

void CKXTextEngine::TextChanged(long from, long removed, long inserted) {
  ForgetParts();
  CKXTextLayer::TextChanged(from, removed, inserted);
}

// ---- undo posting ----------------------------------------------------------------------------------------------

LCommander* CKXTextEngine::GetPostCommander() const {
  if (!mView) return nullptr;
  if (auto* commander = dynamic_cast<LCommander*>(mView)) return commander;
  // A view that takes no commands: its own window's history, never the
  // history of whatever window is in front.
  return LWindow::FetchWindowOf(mView);
}

void CKXTextEngine::PostAction(CKXTextAction* action) {
  // A typing run ends with any post: later keys never join it.
  if (mAction && mAction != action) mAction->CompleteTyping();
  LCommander* target = GetPostCommander();
  if (!target) {
    if (!mOwnsAction) mAction = nullptr;   // the window's history is not ours to delete
    CKXTextLayer::PostAction(action);
    return;
  }
  if (mAction == action && !mOwnsAction) return;   // already kept
  SetAction(action);
  CKXTextPostAction* post = nullptr;
  if (action) {
    std::int16_t list = 0, index = 0;
    KxActionName(action->GetActionType(), list, index);
    try {
      post = new CKXTextPostAction(action, list, index, true, mLink);
    } catch (...) {
      SetAction(nullptr);
      delete action;
      throw;
    }
  }
  // From here on the chain owns it; whoever deletes it clears our pointer.
  target->PostAction(post);
}

CKXTextAction* CKXTextEngine::CheckTyping(unsigned short key, char /*modifiers*/) {
  const short kind = GetKeyType(key);
  const bool edits = kind == kKxKeyInsert || kind == kKxKeyBack || kind == kKxKeyForward;
  if (mAction && mAction->IsTypingAction()) {
    if (!edits) return mAction;   // its BeforeTyping completes the run
    const SKXRange sel = GetSelectionRange();
    const SKXRange& after = mAction->GetAfterRange();
    const bool atEnd = sel.length == 0 && sel.start == after.start + after.length;
    if (!mAction->IsCompleted() && mAction->CanUndo() && atEnd) return mAction;
    mAction->CompleteTyping();
  }
  if (!edits) return nullptr;
  CKXTextAction* action = MakeAction(kKxActTyping, 0);
  PostAction(action);
  // A post that nobody kept has deleted the action.
  return mAction == action ? action : nullptr;
}

bool CKXTextEngine::ProcessUndoCommand(std::int32_t command) {
  LCommander* target = GetPostCommander();
  if (!target) return false;
  target->ProcessCommand(command, nullptr);
  return true;
}

void CKXTextEngine::Undo() {
  Command command(*this);
  ExecBufferKey();
  if (!ProcessUndoCommand(kKxCmdUndo)) CKXTextLayer::Undo();
}

void CKXTextEngine::Redo() {
  Command command(*this);
  ExecBufferKey();
  if (!ProcessUndoCommand(kKxCmdRedo)) CKXTextLayer::Redo();
}

// ---- keys and strings ----------------------------------------------------------------------------------------

void CKXTextEngine::KeyTaken(unsigned short key, char modifiers) {
  CKXMacroRecorder& recorder = CKXMacroRecorder::Get();
  if (recorder.IsRecording()) recorder.AddMacroKeyCode(static_cast<unsigned char>(key & 0xFF), modifiers);
}

bool CKXTextEngine::CheckKeyCode(unsigned short key, char modifiers) {
  // Held-back keys that go in now take this key with them.
  if ((key & 0xFF) != kKeyEnter) return CKXTextLayer::CheckKeyCode(key, modifiers) && !ExecBufferKey();
  ExecBufferKey();
  if (modifiers == kModCommandOption) {
    const std::string again = GetDeletedText();
    if (!again.empty()) InsertString(again.data(), long(again.size()));
    CKXMacroRecorder& recorder = CKXMacroRecorder::Get();
    if (recorder.IsRecording()) recorder.AddMacroKeyCode(kKeyEnter, kModCommandOption);
  } else if (modifiers == kModOption) {
    DoPastePageBreak();
  }
  return false;
}

void CKXTextEngine::DoString(const char* text, long len) {
  CKXTextLayer::DoString(text, len);
  CKXMacroRecorder& recorder = CKXMacroRecorder::Get();
  if (text && len > 0 && recorder.IsRecording()) recorder.AddMacroString(text, len);
}

void CKXTextEngine::InsertString(const char* text, long len) { CKXTextLayer::DoString(text, len); }

void CKXTextEngine::InsertText(KXTextHandle styledText) { CKXTextLayer::DoString(styledText); }

void CKXTextEngine::DoPastePageBreak() { DoString(kPageBreak, 2); }

// ---- inline input ----------------------------------------------------------------------------------------------

void CKXTextEngine::KeyInline(KXTextHandle text, const SKXRange& range, const SKXRange& selection,
                              bool startTyping) {
  Command command(*this);
  // The typing step opens where the composition starts and stays open
  // until the composition is fixed.
  if (startTyping) {
    if (CKXTextAction* action = CheckTyping(32, 0)) {
      action->BeforeTyping(32, 0);
      action->AfterTyping();
    }
  }
  // The open step holds the composition until it is fixed or taken out.
  CKXTextAction* open = mAction && mAction->IsTypingAction() && !mAction->IsCompleted() ? mAction : nullptr;
  const bool withdrawn = open && !text && open->IsComposing();
  if (open) open->SetComposing(text != nullptr);
  if (text)
    TextPaste(range, text, 0);
  else
    TextDelete(range);
  SetSelectionRange(selection, true);
  // A composition taken out leaves what it replaced gone, as a commit of
  // nothing would: the step's result ends at the caret again, so that
  // undo puts back only what the step kept, where it stood.
  if (withdrawn) {
    open->BeforeTyping(32, 0);
    open->AfterTyping();
  }
}

void CKXTextEngine::FixInline(const char* text, long len, const SKXRange& range, const SKXUniChar* uni,
                              long nUni) {
  Command command(*this);
  const SKXRange r = CropRange(range);
  // The style and decoration that stand over the whole composition.
  SKXStyl styl{};
  SKXDeco deco{};
  bool hasStyl = false, hasDeco = false;
  if (r.length > 0) {
    TextOwner runs{NewText()};
    TextCopy(r, runs.h, 2 | 4);
    if (KXText_GetStylCount(runs.h) == 1) hasStyl = KXText_GetStyls(runs.h, &styl, 1) == 1;
    if (KXText_GetDecoCount(runs.h) == 1) hasDeco = KXText_GetDecos(runs.h, &deco, 1) == 1;
    styl.offset = deco.offset = 0;
    // The clause underlines belong to the composition, not to the text.
    deco.deco.lineBits = 0;
  }
  Focus();
  // The step the composition opened, while it is still the newest one: it
  // kept what the composition replaced. A commit over the end of the run of
  // typing (a combining mark joining the letter just typed) goes on with
  // that run.
  CKXTextAction* action = mAction;
  const bool open = mAction && !mAction->IsCompleted() && mAction->CanUndo();
  if (!(open && (mAction->IsComposing() || mAction->RunEndsWith(r)))) {
    // Any other commit with no composition before it (a dead key, a
    // character picked from a palette) replaces the range itself: the
    // typing step opens over that range, so that it keeps what the text
    // loses.
    SetSelectionRange(r, false);
    action = CheckTyping(32, 0);
  }
  if (action) action->BeforeTyping(32, 0);
  TextInsert(r, text, len, hasStyl ? &styl : nullptr, hasStyl ? 1 : 0, hasDeco ? &deco : nullptr, hasDeco ? 1 : 0,
             nullptr, 0, uni, nUni, nullptr, 0);
  if (action) {
    action->AfterTyping();
    action->CompleteTyping();
  }
  // Characters the bytes hold only as placeholders go with their side
  // entries, so that the macro types them again.
  CKXMacroRecorder& recorder = CKXMacroRecorder::Get();
  if (text && len > 0 && recorder.IsRecording()) recorder.AddMacroUnicodeString(text, len, uni, nUni);
}

// ---- mouse -------------------------------------------------------------------------------------------------------

void CKXTextEngine::Click(const SPoint32& local, const EventRecord& event, short clickCount) {
  Command command(*this);
  ExecBufferKey();
  std::int32_t h = local.h, v = local.v;
  const bool shift = (event.modifiers & kShiftKey) != 0;
  short phase = kClickPress;
  std::uint16_t fallback = 0;
  if (clickCount == -1) {
    phase = kClickTrack;
    // Held at a screen edge: reach past it, so the text scrolls that way.
    SPoint32 global = local;
    if (mView) {
      mView->LocalToPortPoint(global);
      if (LWindow* window = LWindow::FetchWindowOf(mView)) {
        const Rect bounds = window->GetGlobalBounds();
        global.h += bounds.left;
        global.v += bounds.top;
      }
    }
    const Rect screen = KxCurrentHost().GetScreenBounds();
    if (global.h <= screen.left) {
      h -= kEdgeScroll;
      fallback = kScrollLeft;
    } else if (global.h >= screen.right - 1) {
      h += kEdgeScroll;
      fallback = kScrollRight;
    }
    if (global.v <= screen.top) {
      v -= kEdgeScroll;
      fallback |= kScrollUp;
    } else if (global.v >= screen.bottom - 1) {
      v += kEdgeScroll;
      fallback |= kScrollDown;
    }
  } else if (clickCount < -1) {
    phase = kClickRelease;
  }
  Focus();
  PointL point{};
  LocalToPoint(h, v, point);
  if (IsTypingAction()) CompleteTyping();
  const std::uint16_t result =
      KXTE_Click(mEdit, point, shift ? 1 : 0, phase, short(clickCount >= 0 ? clickCount : 0));
  TextEditResult(result != 0 ? result : fallback);
}

// ---- fonts -----------------------------------------------------------------------------------------------------

short CKXTextEngine::GetStylFontScriptType(const SKXStyl* runs, long count) {
  if (!runs || count <= 0) return KxGetSysScriptType();
  const short script = KxFontToScriptType(runs[0].styl.font);
  for (long k = 1; k < count; ++k)
    if (KxFontToScriptType(runs[k].styl.font) != script) return KxGetSysScriptType();
  return script;
}

void CKXTextEngine::TextPutScrap(KXTextHandle text, short) { KxPutTextOnClipboard(text); }

void CKXTextEngine::TextGetScrap(KXTextHandle text, short& kind) {
  // Text from another program takes the style of the selection.
  SStyl here{};
  GetCurStyl(here);
  KxPasteTextFromClipboard(text, kind, KxFontToScriptType(here.font));
}

long CKXTextEngine::DoReplaceAll(const char* find, long flen, const char* repl, long rlen, long options) {
  const long count = CKXTextLayer::DoReplaceAll(find, flen, repl, rlen, options);
  if (count == 0) KxCurrentHost().Beep();
  return count;
}
