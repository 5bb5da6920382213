#include "views/text_view.h"

#include "views/dialog_box.h"
#include "views/mark_list.h"
#include "views/message_box.h"
#include "views/text_colm_view.h"
#include "views/text_view_commands.h"

#include <algorithm>
#include <memory>

#include "engine/data_tube.h"
#include "engine/flavor_exchange.h"
#include "engine/macro_recorder.h"
#include "engine/text_event.h"
#include "engine/input_method_handler.h"
#include "layout/kxtext_api.h"
#include "layout/text_edit_ex.h"
#include "platform/clock.h"
#include "platform/draw/color.h"
#include "platform/draw/region.h"
#include "platform/exception.h"
#include "platform/framework/application.h"
#include "platform/framework/document.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/toolbox/cursors.h"
#include "text/codes/datetime.h"
#include "text/codes/script.h"

namespace {

bool EmptyL(const RectL& r) { return r.right <= r.left || r.bottom <= r.top; }
RectL SectL(const RectL& a, const RectL& b) {
  const RectL r{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
                std::min(a.right, b.right)};
  return EmptyL(r) ? RectL{0, 0, 0, 0} : r;
}
RectL UnionL(const RectL& a, const RectL& b) {
  return RectL{std::min(a.top, b.top), std::min(a.left, b.left), std::max(a.bottom, b.bottom),
               std::max(a.right, b.right)};
}

// Key characters that only move the caret: a read-only text takes them.
bool IsNavigationKey(unsigned char key) {
  switch (key) {
    case kKxCharHome:
    case kKxCharEnd:
    case kKxCharPageUp:
    case kKxCharPageDown:
    case kKxCharLeftArrow:
    case kKxCharRightArrow:
    case kKxCharUpArrow:
    case kKxCharDownArrow:
      return true;
    default:
      return false;
  }
}

// The modifier bits of a macro's key (1 shift, 2 command, 4 option).
std::uint16_t MacroModifiers(char modifiers) {
  std::uint16_t m = 0;
  if (modifiers & 1) m |= kKxEventShiftKey;
  if (modifiers & 2) m |= kKxEventCommandKey;
  if (modifiers & 4) m |= kKxEventOptionKey;
  return m;
}

// The edit object draws into the port of the pane that shows it.
void AttachDrawPort(CKXTextEngine& engine, const LPane& pane) {
  if (CKXTextEditEx* edit = KXHandleAccess::Edit(engine.GetEdit())) edit->SetDrawPort(pane.GetDrawPort());
}

// Whether the event loop has any window of the program left to wait for.
bool AnyWindowOpen() { return !KxCurrentHost().WindowList().empty(); }

}  // namespace

class CKXTextView::BorrowEngine {
 public:
  explicit BorrowEngine(CKXTextView& view) : mEngine(view.mTextEngine) {
    if (!mEngine || mEngine->GetHandlerView() == &view) {
      mEngine = nullptr;
      return;
    }
    mOld = mEngine->GetHandlerView();
    KXEditHandle e = mEngine->GetEdit();
    mActive = KXTE_GetActivate(e) != 0;
    if (mActive) KXTE_SetActivate(e, 0);
    mEngine->SetHandlerView(&view);
    AttachDrawPort(*mEngine, view);
  }
  ~BorrowEngine() {
    if (!mEngine) return;
    mEngine->SetHandlerView(mOld);
    if (mActive) KXTE_SetActivate(mEngine->GetEdit(), 1);
    if (mOld) mOld->FocusDraw();
  }
  BorrowEngine(const BorrowEngine&) = delete;
  BorrowEngine& operator=(const BorrowEngine&) = delete;

 private:
  CKXTextEngine* mEngine;
  LView* mOld = nullptr;
  bool mActive = false;
};

CKXTextView::CKXTextView() = default;
CKXTextView::CKXTextView(const KxLayoutPaneRecord& record) : CKXEventView(record) {}

CKXTextView::~CKXTextView() {
  if (IsCurrent()) mTextEngine->SetHandlerView(nullptr);
  SetTextEngine(nullptr);
}

// ---- Binding ---------------------------------------------------------------------------------------

void CKXTextView::SetTextEngine(CKXTextEngine* engine) {
  if (engine == mTextEngine) return;
  CKXTextEngine* old = mTextEngine;
  if (old) {
    old->RemoveListener(this);
    if (old->GetHandlerView() == this) old->SetHandlerView(nullptr);
  }
  mTextEngine = engine;
  if (engine) engine->AddUser(this);
  if (old) old->RemoveUser(this);
  if (engine) engine->AddListener(this);
}

bool CKXTextView::IsCurrent() const { return mTextEngine && mTextEngine->GetHandlerView() == this; }

bool CKXTextView::Vertical() const { return mTextEngine && KXTE_GetVertical(mTextEngine->GetEdit()) != 0; }

bool CKXTextView::ShouldBeTarget() {
  if (mTextEngine && mTextEngine->GetHandlerView() != this) {
    // The caret leaves the old pane and appears in this one. The edit
    // object is switched directly: its activation result would be taken
    // as a request to scroll, and taking over a pane moves no text.
    KXEditHandle e = mTextEngine->GetEdit();
    const bool active = KXTE_GetActivate(e) != 0;
    if (active) {
      mTextEngine->Focus();
      KXTE_Deactivate(e);
    }
    mTextEngine->SetHandlerView(this);
    mTextEngine->ScrollView(0, 0, false);
    if (active) {
      mTextEngine->Focus();
      KXTE_Activate(e);
    }
  }
  return CKXEventView::ShouldBeTarget();
}

bool CKXTextView::AllowSubRemoval(LCommander* sub) { return sub ? LCommander::AllowSubRemoval(sub) : false; }

void CKXTextView::BeTarget() {
  CKXEventView::BeTarget();
  KxResetFindMemo();  // a failing find here beeps again
  if (IsCurrent()) {
    KXEditHandle e = mTextEngine->GetEdit();
    if (!KXTE_GetHilite(e)) KXTE_SetHilite(e, 1);
    if (mDocument) mDocument->BeTargetDocument();
    if (CKXMacroRecorder::Get().IsRecording()) SetMacroTartget(true);
  }
}

void CKXTextView::DontBeTarget() {
  CKXEventView::DontBeTarget();
  if (IsCurrent()) {
    KXEditHandle e = mTextEngine->GetEdit();
    if (KXTE_GetHilite(e)) KXTE_SetHilite(e, 0);
    if (CKXMacroRecorder::Get().IsRecording()) SetMacroTartget(false);
    if (mDocument) mDocument->DontBeTargetDocument();
  }
}

// ---- Geometry --------------------------------------------------------------------------------------

void CKXTextView::FixView() {
  if (!IsCurrent()) return;
  SPoint32 pos, at;
  SDimension32 size, frame;
  GetScrollPosition(pos);
  GetFrameSize(frame);
  mTextEngine->GetViewRect(at, size);
  if (at.h != pos.h || at.v != pos.v || size.width != frame.width || size.height != frame.height)
    mTextEngine->SetViewRect(pos, frame);
}

void CKXTextView::FixView(std::int32_t dh, std::int32_t dv) {
  if (!IsCurrent()) return;
  SPoint32 pos;
  GetScrollPosition(pos);
  mTextEngine->SetViewRect(pos, mFrameSize);
  if (IsVisible()) {
    auto bits = [](std::int32_t d, std::int32_t frame, std::int32_t image) {
      return d != 0 && std::abs(std::int64_t(d)) < frame && image > frame;
    };
    if (bits(dh, mFrameSize.width, mImageSize.width) || bits(dv, mFrameSize.height, mImageSize.height)) {
      UpdatePort();
      ScrollBits(dh, dv);
    } else {
      Refresh();
    }
  }
  UpdatePort();
}

void CKXTextView::ResizeImageBy(std::int32_t dw, std::int32_t dh, bool refresh) {
  LView::ResizeImageBy(dw, dh, refresh);
  if (mTextEngine) mTextEngine->SetImageSize(mImageSize);
}

void CKXTextView::MoveBy(std::int32_t dh, std::int32_t dv, bool refresh) {
  LView::MoveBy(dh, dv, refresh);
  FixView();
}

bool CKXTextView::FocusDraw() {
  // Focusing again is cheap and always right: the port's origin may have
  // been set by another pane since.
  const bool shown = LView::FocusDraw();
  // The edit follows the window's store even while nothing of this pane
  // shows (a resize passing through): a resize replaces the store, and the
  // engine draws its caret before the pane is revealed again.
  if (IsCurrent() && GetDrawPort()) AttachDrawPort(*mTextEngine, *this);
  if (!shown) return false;
  FixView();
  // The engine erases what it redraws after an edit with the port's colours,
  // which the panes drawn last (scroll bars, the ruler) may have left grey.
  RGBForeColor(&UKXColor::sBlackColor);
  RGBBackColor(&GetPaperColor());
  return true;
}

void CKXTextView::AdaptToSuperScroll(std::int32_t dh, std::int32_t dv) {
  LView::AdaptToSuperScroll(dh, dv);
  FixView();
}

void CKXTextView::SetWrapToFrame(bool on) {
  mWrapToFrame = on;
  FitImageToFrame();
}

bool KxFitLinesToColumn(CKXTextEngine& engine) {
  const KXEditHandle edit = engine.GetEdit();
  const CKXTextEditEx* ex = KXHandleAccess::Edit(edit);
  if (!ex || ex->LinesFitColumn()) return false;
  // The page style set again recomputes the page size, which lays the
  // lines out at the column width and cuts the pages afresh.
  SKXPageStyl style;
  KXTE_GetPageStyl(edit, style);
  engine.SetPageStyl(style);
  return true;
}

void CKXTextView::FitImageToFrame() {
  if (!mWrapToFrame || !mTextEngine) return;
  const KXEditHandle edit = mTextEngine->GetEdit();
  if (KXTE_GetPaperView(edit)) {
    // The window's width would run the lines past the page's margin.
    if (KxFitLinesToColumn(*mTextEngine)) Refresh();
    return;
  }
  if (!KXTE_GetLineTurn(edit)) return;
  SPoint32 origin{};
  SDimension32 dest{}, image{};
  mTextEngine->GetDestRect(origin, dest);
  mTextEngine->GetImageSize(image);
  // The same margin after the text as before it; never narrower than a
  // few characters, however small the window.
  constexpr std::int32_t kNarrowest = 32;
  const bool vertical = Vertical();
  const std::int32_t along = vertical ? mFrameSize.height - 2 * origin.v : mFrameSize.width - 2 * origin.h;
  const std::int32_t extent = std::max(kNarrowest, along);
  if (extent == (vertical ? dest.height : dest.width)) return;
  mTextEngine->SetImageSize(vertical ? SDimension32{image.width, extent} : SDimension32{extent, 0});
  FixImage();
  Refresh();
}

void CKXTextView::ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) {
  // A window resizes by replacing its store: the engine draws into the new
  // one from here on, whichever pane shows it (or this one, when none does).
  if (mTextEngine) {
    const LView* shown = mTextEngine->GetHandlerView();
    AttachDrawPort(*mTextEngine, shown ? *shown : *this);
  }
  if (!Vertical()) {
    LView::ResizeFrameBy(dw, dh, refresh);
    FixView();
    FitImageToFrame();
    return;
  }
  // Vertical writing starts at the right: that edge of the text stays put.
  if (dw > 0) LView::ScrollPinnedImageBy(-dw, 0, false);
  LView::ResizeFrameBy(dw, dh, refresh && dw >= 0);
  FixView();
  if (dw < 0) {
    LView::ScrollPinnedImageBy(-dw, 0, false);
    if (refresh) Refresh();
  }
  FitImageToFrame();
}

void CKXTextView::FixImage() {
  if (!mTextEngine) return;
  SDimension32 size;
  mTextEngine->GetImageSize(size);
  const std::int32_t dw = size.width - mImageSize.width, dh = size.height - mImageSize.height;
  if (dw == 0 && dh == 0) return;
  const SDimension32 oldImage = mImageSize;
  ResizeImageBy(dw, dh, true);
  const RectL frame = CalcPortFrameRect();
  if (!Vertical()) {
    const std::int32_t imageTop = mImageLocation.v, imageBottom = mImageLocation.v + mImageSize.height;
    if (imageTop < frame.top && std::int64_t(imageBottom) + mFrameSize.height / 2 < frame.bottom)
      ScrollPinnedImageBy(0, imageBottom - frame.bottom, true);
    return;
  }
  if (dw != 0) {
    const std::int32_t delta = CalcPinnedScrollDelta(dw, frame.left, frame.right, mImageLocation.h,
                                                     mImageLocation.h + mImageSize.width);
    LView::ScrollPinnedImageBy(delta, 0, false);
    if (dw < 0 && delta != dw && mFrameSize.width <= oldImage.width) FixView(delta - dw, 0);
  }
  const std::int32_t imageLeft = mImageLocation.h, imageRight = mImageLocation.h + mImageSize.width;
  if (imageLeft < frame.left && std::int64_t(imageRight) + mFrameSize.width / 2 < frame.right)
    ScrollPinnedImageBy(imageRight - frame.right, 0, true);
}

// ---- Scrolling -------------------------------------------------------------------------------------

void CKXTextView::ScrollGage(LPane* pane, std::int32_t delta) {
  if (!pane || delta == 0) return;
  if (auto* gage = dynamic_cast<CKXTextGage*>(pane)) gage->ScrollGage(delta);
  FocusDraw();
}

void CKXTextView::RefreshPane(LPane* pane) {
  if (!pane) return;
  pane->Refresh();
  FocusDraw();
}

void CKXTextView::ScrollImageBy(std::int32_t dh, std::int32_t dv, bool refresh) {
  LView::ScrollImageBy(dh, dv, refresh);
  const bool current = IsCurrent();
  if (current) mTextEngine->ScrollView(dh, dv, refresh);
  if (!refresh) return;
  const bool vertical = Vertical();
  if (current) {
    ScrollGage(mColmView, vertical ? dv : dh);
    RefreshPane(mInfoView);
    const short scale = KXTE_GetEditScale(mTextEngine->GetEdit());
    if (scale != 0 && scale != 100 && mRedrawCount <= kKxRedrawCountLimit) ++mRedrawCount;
  }
  ScrollGage(mLineView, vertical ? dh : dv);
}

bool CKXTextView::ScrollPinnedImageBy(std::int32_t dh, std::int32_t dv, bool refresh) {
  if (mInvalPending) UpdatePort();
  return LView::ScrollPinnedImageBy(dh, dv, refresh);
}

bool CKXTextView::AutoScrollImage(const SPoint32& localPt) {
  constexpr std::int32_t kStep = 16;
  RectL frame;
  CalcLocalFrameRect(frame);
  const std::int32_t dh = localPt.h < frame.left ? -kStep : localPt.h > frame.right ? kStep : 0;
  const std::int32_t dv = localPt.v < frame.top ? -kStep : localPt.v > frame.bottom ? kStep : 0;
  if (dh == 0 && dv == 0) return false;
  return ScrollPinnedImageBy(dh, dv, true);
}

void CKXTextView::SetScrollPosition(const SPoint32& pos) {
  CKXEventView::SetScrollPosition(pos);
  FixView();
}

// ---- Drawing ---------------------------------------------------------------------------------------

void CKXTextView::InvalPortRect(const RectL& portRect) {
  if (!EmptyL(portRect)) {
    // Every area invalidated before the next draw is kept: the union.
    mInvalRect = mInvalPending ? UnionL(mInvalRect, portRect) : portRect;
    mInvalPending = true;
  }
  CKXEventView::InvalPortRect(portRect);
}

void CKXTextView::InvalPortRgn(RgnHandle portRgn) {
  const RectL bounds = KxRegionBoundsL(portRgn);
  if (!EmptyL(bounds)) {
    mInvalRect = mInvalPending ? UnionL(mInvalRect, bounds) : bounds;
    mInvalPending = true;
  }
  CKXEventView::InvalPortRgn(portRgn);
}

void CKXTextView::DrawSelf() {
  if (!mTextEngine) return;
  mInvalPending = false;
  // The area to paint is what the update clipped us to: that holds every
  // invalidation, whoever made it (the window, a neighbour, the scroll of
  // bits), so nothing invalidated is left unpainted.
  SPoint32 pos;
  GetScrollPosition(pos);
  RectL area{pos.v, pos.h, pos.v + mFrameSize.height, pos.h + mFrameSize.width};
  {
    StKxRegion clip;
    GetClip(clip);
    const RectL bounds = KxRegionBoundsL(clip);
    area = SectL(area, bounds);
  }
  if (EmptyL(area)) return;
  const SPoint32 topLeft{area.left, area.top};
  const SDimension32 size{area.right - area.left, area.bottom - area.top};
  // The ground is the text's own, whatever the panes drawn before left set.
  RGBForeColor(&UKXColor::sBlackColor);
  RGBBackColor(&GetPaperColor());
  if (IsCurrent()) {
    mTextEngine->DrawArea(topLeft, size);
    if (mLatentShown) CKXEventView::MutateSelection(true);
  } else {
    BorrowEngine borrow(*this);
    mTextEngine->DrawArea(topLeft, size);
  }
}

void CKXTextView::UpdateAnotherView() {
  if (!mTextEngine || IsCurrent() || !IsVisible()) return;
  // The whole visible area, drawn now: what the other pane changed may
  // reach anywhere below its first visible line.
  if (!FocusDraw()) return;
  BorrowEngine borrow(*this);
  FocusDraw();
  SPoint32 pos;
  GetScrollPosition(pos);
  RGBForeColor(&UKXColor::sBlackColor);
  RGBBackColor(&GetPaperColor());
  mTextEngine->DrawArea(pos, mFrameSize);
}

bool CKXTextView::CheckAnotherView() const {
  if (!mTextEngine) return false;
  const SKXRange para = mTextEngine->GetParagSelectionRange(mTextEngine->GetSelectionRange());
  SPoint32 start, end, pos;
  mTextEngine->Range2Image(para, true, start);
  mTextEngine->Range2Image(para, false, end);
  GetScrollPosition(pos);
  if (Vertical()) {
    // Lines run right to left: the start lies right of the end.
    return start.h >= pos.h && end.h <= pos.h + mFrameSize.width;
  }
  return start.v <= pos.v + mFrameSize.height && end.v >= pos.v;
}

void CKXTextView::MutateSelection(bool active) {
  if (!IsCurrent()) return;
  if (!active != mLatentShown) DrawLatent(!active);
}

void CKXTextView::DrawLatent(bool on) {
  FocusDraw();
  CKXEventView::MutateSelection(on);
  mLatentShown = on;
}

bool CKXTextView::GetPresentHiliteRgn(RgnHandle rgn, bool inactive, std::int16_t h, std::int16_t v) const {
  if (!rgn || !mTextEngine) return false;
  const SKXRange sel = mTextEngine->GetSelectionRange();
  if (sel.length == 0) return false;
  mTextEngine->GetViewHiliteRgn(rgn);
  ShapeHiliteRgn(rgn, inactive, h, v);
  return true;
}

void CKXTextView::AdjustMouseSelf(const SPoint32& localPt, const EventRecord&) {
  std::int16_t cursor = kKxArrowCursor;
  if (IsCurrent()) {
    if (PtInDragArea(localPt))
      cursor = kKxDragCursor;
    else
      cursor = Vertical() ? kKxVerticalIBeamCursor : kKxIBeamCursor;
  }
  UCursors::Set(cursor);
}

// ---- Idle and broadcasts ---------------------------------------------------------------------------

void CKXTextView::SpendTime(const EventRecord& event) {
  if (!IsCurrent()) return;
  CKXEventView::SpendTime(event);
  if (mDocument) {
    mDocument->DoAutoSave();
    mDocument->DoIdleSpellChecking();
  }
  if (mRedrawCount != 0) {
    if (mRedrawCount > kKxRedrawAfterIdles) {
      mRedrawCount = 0;
      UpdateView();
    } else {
      ++mRedrawCount;
    }
  }
}

void CKXTextView::ListenToMessage(MessageT message, void* param) {
  if (!mTextEngine) return;
  const bool current = IsCurrent();
  switch (message) {
    case kKxMsgImageSizeChanged:
      FixImage();
      if (!current) UpdateAnotherView();
      RefreshPane(mLineView);
      break;
    case kKxMsgViewSettingsChanged:
      if (current) {
        FixView();
        RefreshPane(mColmView);
      }
      UpdateView();
      RefreshPane(mLineView);
      break;
    case kKxMsgTextChanged:
      if (!current && CheckAnotherView()) UpdateAnotherView();
      break;
    case kKxMsgModifiedChanged:
      if (current && param) {
        const bool modified = *static_cast<const unsigned char*>(param) != 0;
        if (mDocument) mDocument->SetModified(modified);
        RefreshPane(mInfoView);
      }
      break;
    case kKxMsgMarksChanged:
      if (current && CKXTextMarkList::IsMarkList()) {
        CKXTextDoc* bound = CKXTextMarkList::Get()->GetTextDoc();
        if (bound && bound->GetDocEngine() == mTextEngine) CKXTextMarkList::UpdateMarkList();
      }
      if (current && mDocument) mDocument->MarksChanged();
      break;
    case kKxMsgStyleChanged:
      if (current) RefreshPane(mColmView);
      break;
    case kKxMsgSelectionChanged:
      if (current) {
        RefreshPane(mInfoView);
        LCommander::SetUpdateCommandStatus(true);
        if (CKXTextLayer::IsKeyScriptCheck(CKXTextLayer::kKeyScriptSelection)) mTextEngine->CheckFontScript();
      }
      if (mDocument) mDocument->CheckAsYouType();
      break;
    default:
      CKXEventView::ListenToMessage(message, param);
      break;
  }
}

// ---- Drag and drop ---------------------------------------------------------------------------------

bool CKXTextView::PtInDragArea(SPoint32 pt) const {
  if (!mTextEngine) return false;
  const SKXRange sel = mTextEngine->GetSelectionRange();
  if (sel.length == 0) return false;
  PointL point;
  mTextEngine->LocalToPoint(pt.h, pt.v, point);
  return mTextEngine->PointInRange(point, sel);
}

void CKXTextView::MakeDragFlavor(DragReference drag) {
  if (!drag || !mTextEngine) return;
  const SKXRange sel = mTextEngine->GetSelectionRange();
  if (sel.length <= 0) return;
  // Every flavor the exchange writes for a drag: the text with its runs,
  // ruby, side characters and pictures, and Unicode text for other programs.
  KxDragData data;
  CKXFlavorExchange exchange(mTextEngine);
  CKXTextDragTube tube(&data, 1, &exchange, sel);
  KxAddDragItems(*drag, data);
  drag->sender = mTextEngine;
  mTextEngine->SetDragRange(sel);
}

void CKXTextView::DeleteDragArea() {
  // A drag to the trash deletes only what may be changed.
  if (IsEditable()) mTextEngine->DoDelete();
}

bool CKXTextView::CheckDragItem(DragReference drag, ItemReference item) const {
  if (!drag || item < 1 || item > drag->items.size()) return false;
  const KxDragItem& it = drag->items[item - 1];
  for (OSType t : {kKxFlavorText, kKxFlavorUtxt, kKxFlavorStyl, kKxFlavorStyw, kKxFlavorPict, kKxFlavorJPEG,
                   kKxFlavorHfs})
    if (it.Find(t)) return true;
  return false;
}

void CKXTextView::ShowDragCaret(DragReference drag, SPoint32 pt) {
  if (!mTextEngine) return;
  PointL point;
  mTextEngine->LocalToPoint(pt.h, pt.v, point);
  const std::int32_t offset = mTextEngine->PointToRange(point).start;
  if (offset == mDragCaretOffset && mDragCaretOffset >= 0) {
    if (TickCount() - mCaretTicks < GetCaretTime()) return;
    InvertDragCaret();
    mCaretShown = !mCaretShown;
    mCaretTicks = TickCount();
    return;
  }
  HideDragCaret();
  const SKXRange sel = mTextEngine->GetSelectionRange();
  const bool overOwnSelection = CheckIfViewIsAlsoSender(drag) && drag && drag->sender == mTextEngine &&
                                sel.length > 0 && mTextEngine->PointInRange(point, sel);
  // No caret where nothing may be dropped: over the dragged selection
  // itself, or anywhere in a text that may not change.
  if (overOwnSelection || !IsEditable()) {
    mDragCaretOffset = -1;
    return;
  }
  mDragCaretOffset = offset;
  InvertDragCaret();
  CKXDragView::ShowDragCaret(drag, pt);
}

void CKXTextView::HideDragCaret() {
  if (mCaretShown) InvertDragCaret();
  CKXDragView::HideDragCaret();
}

void CKXTextView::InvertDragCaret() {
  if (!mTextEngine || mDragCaretOffset < 0) return;
  BorrowEngine borrow(*this);
  if (!FocusDraw()) return;
  StKxRegion rgn;
  mTextEngine->GetRangeRgn(SKXRange{mDragCaretOffset, 0}, rgn);
  PenState saved;
  GetPenState(&saved);
  PenNormal();
  InvertRgn(rgn);
  SetPenState(&saved);
}

void CKXTextView::ReceiveDragItem(DragReference drag, std::uint32_t, ItemReference item, const RectL&) {
  FocusDraw();
  // Refused: no place to drop, or a text that may not change.
  if (!mTextEngine || !drag || mDragCaretOffset < 0 || !IsEditable()) throw LException(kKxUserCanceled);
  if (item < 1 || item > drag->items.size()) throw LException(kKxUserCanceled);
  const bool fromHere = CheckIfViewIsAlsoSender(drag) && drag->sender == mTextEngine;
  const short kind = !fromHere ? kKxDropFromOutside : CheckForOptionKey(drag) ? kKxDropCopy : kKxDropMove;
  const SKXRange at{mDragCaretOffset, 0};
  if (kind == kKxDropMove) {
    mTextEngine->DoMove(mTextEngine->GetSelectionRange(), at);
    return;
  }
  // A copy within the window and a drop from elsewhere read the item's
  // flavors alike; the engine takes them as one undoable drop.
  KxDragData data = KxDragDataOf(*drag, item);
  CKXTextDragTube tube(&data, item);
  const bool inactive = kind == kKxDropFromOutside && !IsActive();
  const std::int32_t before = mTextEngine->GetTotalRange().length;
  if (inactive) MutateSelection(true);
  try {
    mTextEngine->DoDragDrop(at, tube, kind);
  } catch (...) {
    if (inactive) MutateSelection(false);
    throw;
  }
  if (inactive) MutateSelection(false);
  // Items dropped together (several files) follow one another: the next
  // goes after what this one put in, which the drop leaves selected.
  if (mTextEngine->GetTotalRange().length != before) {
    const SKXRange in = mTextEngine->GetSelectionRange();
    mDragCaretOffset = in.start + in.length;
  }
}

// ---- Macro target ----------------------------------------------------------------------------------

Boolean CKXTextView::CheckEscapeKey(unsigned long& nextCheck) {
  constexpr unsigned long kEscapeEvery = 30;
  if (nextCheck != 0) {
    const unsigned long now = KxGetTime();
    if (now < nextCheck) return false;
    nextCheck = now + kEscapeEvery;
  }
  return KxCurrentHost().PeekForEscape();
}

CKXTMacroTarget* CKXTextView::WaitSwitchWindow() {
  // The event loop may close this view: from here on only the address is
  // compared, no member is touched.
  const void* self = this;
  CKXTMacroTarget* found = GetTextView();
  const std::uint32_t deadline = TickCount() + kKxSwitchWindowTicks;
  LApplication* app = LApplication::GetApplication();
  while (found == self && app && TickCount() < deadline && !KxCurrentHost().ShouldStop()) {
    app->ProcessNextEvent();
    found = GetTextView();
  }
  return found;
}

CKXTextView* CKXTextView::GetTextView() {
  const std::uint32_t deadline = TickCount() + kKxSwitchWindowTicks;
  LApplication* app = LApplication::GetApplication();
  for (;;) {
    if (auto* view = dynamic_cast<CKXTextView*>(LCommander::GetTarget())) return view;
    if (!AnyWindowOpen() || !app || TickCount() >= deadline || KxCurrentHost().ShouldStop()) return nullptr;
    app->ProcessNextEvent();
    if (KxCurrentHost().PeekForEscape()) return nullptr;
  }
}

void CKXTextView::SetMacroTartget(Boolean) {
  RefreshPane(mColmView);
  LCommander::SetUpdateCommandStatus(true);
}

void CKXTextView::MenuCommand(long command) {
  Boolean enabled = false, usesMark = false;
  std::uint16_t mark = 0;
  Str255 name{};
  ProcessCommandStatus(command, enabled, usesMark, mark, name);
  if (!enabled) return;
  ProcessCommand(command);
  // New, open and the window list bring another window forward. This view
  // may be gone by now: nothing of it is touched after the command.
  constexpr long kCmdNew = 2, kCmdOpen = 3, kCmdWindowFirst = 1610, kCmdWindowLast = 1699;
  if (command == kCmdNew || command == kCmdOpen || (command >= kCmdWindowFirst && command <= kCmdWindowLast)) {
    if (CKXTextView* target = GetTextView()) target->WaitSwitchWindow();
  }
}

void CKXTextView::InsertString(char* text, long length) {
  if (!mTextEngine || !text || length <= 0) return;
  if (!IsEditable()) {
    KxCurrentHost().Beep();
    return;
  }
  // Macros and preference strings come from outside in the program's
  // Japanese encoding: a lead byte left without its second byte at the end
  // would take the text's next character with it.
  long whole = 0;
  for (long k = 0; k < length;) {
    k += KxTextCharFirst(static_cast<unsigned char>(text[k]), kScriptJapanese) ? 2 : 1;
    if (k <= length) whole = k;
  }
  if (whole > 0) mTextEngine->InsertString(text, whole);
}

void CKXTextView::KeyEvent(unsigned char character, char modifiers) {
  if (!mTextEngine) return;
  if (!IsEditable() && !IsNavigationKey(character)) {
    KxCurrentHost().Beep();
    return;
  }
  // A macro's key was recorded after the key tables mapped it: it goes
  // straight to the handler's KeyEvent, past the tables, or a second
  // mapping would change it (End recorded, end of line replayed).
  auto* handler = dynamic_cast<CKXTextEvent*>(mEventHandler);
  if (handler && handler->GetTextEngine() == mTextEngine) {
    EventRecord event;
    event.what = keyDown;
    event.message = character;
    event.when = TickCount();
    event.modifiers = MacroModifiers(modifiers);
    try {
      handler->KeyEvent(event);
    } catch (...) {
      // As on the event path: no exception leaves a view's key.
    }
    return;
  }
  mTextEngine->DoKey(character, modifiers);
}

void CKXTextView::GotoLine(long line) {
  if (!mTextEngine || line < 1) return;
  mTextEngine->DoJump(std::min(line, KXTE_GetLineCount(mTextEngine->GetEdit())), 0);
}

void CKXTextView::SetDocName(unsigned char* name) {
  if (!name || !mDocument) return;
  Str255 copy{};
  std::copy(name, name + 1 + name[0], copy);
  if (copy[0] > 0 && copy[copy[0]] == kKxCharReturn) --copy[0];
  mDocument->SetDescriptor(copy);
}

void CKXTextView::GetDocName(unsigned char* name) {
  if (!name) return;
  name[0] = 0;
  if (mDocument) mDocument->GetDescriptor(name);
}

Boolean CKXTextView::FindText(char* text, short length, short options) {
  // An empty search text finds nothing.
  if (!mTextEngine || !text || length < 1) return false;
  return mTextEngine->DoFind(text, length, options);
}

namespace {
// The layout of a macro's input dialog: prompt, answer field, OK, Cancel.
constexpr ResIDT kInputDialogLayout = 3350;
constexpr PaneIDT kInputPromptID = 3353;
constexpr PaneIDT kInputFieldID = 3354;

KxMacroDocumentHooks& DocumentHooks() {
  static KxMacroDocumentHooks hooks;
  return hooks;
}

std::string PString(const unsigned char* s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); }

// The open document whose name is `name`; the oldest when several are.
LDocument* NamedDocument(const std::string& name) {
  for (LDocument* doc : LDocument::GetDocumentList()) {
    Str255 title{};
    doc->GetDescriptor(title);
    if (KxEqualDocName(PString(title), name)) return doc;
  }
  return nullptr;
}
}  // namespace

void KxSetMacroDocumentHooks(KxMacroDocumentHooks hooks) { DocumentHooks() = std::move(hooks); }
const KxMacroDocumentHooks& KxGetMacroDocumentHooks() { return DocumentHooks(); }

bool KxEqualDocName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    const auto x = static_cast<unsigned char>(a[k]), y = static_cast<unsigned char>(b[k]);
    if (KxTextCharFirst(x, kScriptJapanese)) {
      // A double-byte character compares byte for byte: its second byte
      // may look like a letter.
      if (x != y) return false;
      ++k;
      if (k < a.size() && a[k] != b[k]) return false;
      continue;
    }
    if (KxTextCharUpper(x, kScriptJapanese) != KxTextCharUpper(y, kScriptJapanese)) return false;
  }
  return true;
}

void CKXTextView::FindDocument(const unsigned char* name, Boolean backward) {
  if (!name) return;
  auto* mine = dynamic_cast<LDocument*>(mDocument);
  LDocument* found = nullptr;
  if (name[0] > 0) {
    found = NamedDocument(PString(name));
    // Not open: a recent file of that name opens and comes forward.
    if (!found) {
      FindRecentDocument(name);
      return;
    }
  } else if (mine && DocumentHooks().nextDocument) {
    found = DocumentHooks().nextDocument(mine, backward);
  }
  if (!found) return;
  found->MakeCurrent();
  if (found != mine) WaitSwitchWindow();
}

Boolean CKXTextView::FindRecentDocument(const unsigned char* name) {
  if (!name || name[0] == 0 || !DocumentHooks().recentNames) return false;
  const std::string wanted = PString(name);
  for (const KxRecentName& recent : DocumentHooks().recentNames()) {
    if (!KxEqualDocName(recent.name, wanted)) continue;
    // The command may bring another window forward, even close this one:
    // nothing of this view is touched after it.
    CKXTMacroTarget* self = this;
    ProcessCommand(recent.command);
    if (CKXTextView* target = GetTextView()) {
      if (target == self) target->WaitSwitchWindow();
    }
    return true;
  }
  return false;
}

long CKXTextView::GetDate(unsigned char* text) {
  DateTimeRec now{};
  ::GetTime(now);
  if (text) {
    Str255 s{};
    DateString(now, abbrevDate, s);
    std::copy(s, s + 1 + s[0], text);
  }
  return long(now.year) * 100000 + long(now.month) * 1000 + long(now.day) * 10 + now.dayOfWeek;
}

long CKXTextView::GetTime(unsigned char* text) {
  DateTimeRec now{};
  ::GetTime(now);
  if (text) {
    Str255 s{};
    TimeString(now, false, s);
    std::copy(s, s + 1 + s[0], text);
  }
  return long(now.hour) * 10000 + long(now.minute) * 100 + now.second;
}

void CKXTextView::SetLineReStart(long line, Boolean on) {
  if (!mTextEngine || !mTextEngine->SetLineReStart(line, on)) return;
  if (auto* ruler = dynamic_cast<CKXTextColmView*>(mColmView)) {
    ruler->UpdateViews();
  } else {
    RefreshPane(mInfoView);
    RefreshPane(mLineView);
    if (mDocument) mDocument->SetModified(true);
  }
}

void CKXTextView::NoteAlert(unsigned char* message) {
  if (!message) return;
  KXMessageBox::StrNote(PString(message));
  if (LWindow* window = LWindow::FetchWindowOf(this)) window->UpdatePort();
}

short CKXTextView::InputDialog(unsigned char* prompt, unsigned char* answer) {
  if (!answer) return 0;
  short ok = 0;
  {
    KXModalDialog handler(kInputDialogLayout, this);
    LWindow* dialog = handler.GetDialog();
    auto* field = dialog ? dynamic_cast<LEditField*>(dialog->FindPaneByID(kInputFieldID)) : nullptr;
    if (!field) return 0;
    if (LPane* caption = dialog->FindPaneByID(kInputPromptID)) {
      Str255 empty{};
      caption->SetDescriptor(prompt ? prompt : empty);
    }
    field->SetText(PString(answer));
    field->SelectAll();
    dialog->Select();
    LCommander::SwitchTarget(field);
    for (;;) {
      const MessageT m = handler.DoDialog();
      if (m == msg_Cancel) break;
      if (m == msg_OK) {
        KxSetNameCut(answer, field->GetText());
        ok = 1;
        break;
      }
    }
  }
  if (LWindow* window = LWindow::FetchWindowOf(this)) window->UpdatePort();
  return ok;
}

// ---- Input methods -----------------------------------------------------------------------------------

namespace {
CKXTextTSMHandler* InputHandlerOf(CKXEventHandler* handler) {
  auto* events = dynamic_cast<CKXTextEvent*>(handler);
  return events ? &events->GetTSMHandler() : nullptr;
}
}  // namespace

void CKXTextView::InputMethodPreedit(const std::string& utf8) { InputMethodPreeditClauses(utf8, {}, -1); }

void CKXTextView::InputMethodPreeditClauses(const std::string& utf8, const std::vector<Clause>& clauses, long caret) {
  CKXTextTSMHandler* tsm = InputHandlerOf(mEventHandler);
  if (!tsm || !IsEditable()) return;
  std::vector<CKXTextTSMHandler::Clause> c;
  c.reserve(clauses.size());
  for (const Clause& k : clauses) c.push_back({k.start, k.end, k.selected});
  FocusDraw();
  tsm->Preedit(utf8, c, caret);
}

void CKXTextView::InputMethodCommit(const std::string& utf8) {
  CKXTextTSMHandler* tsm = InputHandlerOf(mEventHandler);
  if (!tsm || !IsEditable()) return;
  FocusDraw();
  tsm->Commit(utf8);
}

bool CKXTextView::InputMethodComposing() const {
  CKXTextTSMHandler* tsm = InputHandlerOf(mEventHandler);
  return tsm && tsm->HasActiveArea();
}

void CKXTextView::InputMethodFocus(bool in) {
  // Losing the keyboard confirms a composition (the handler's deactivation).
  if (auto* events = dynamic_cast<CKXTextEvent*>(mEventHandler)) {
    if (in)
      events->ActivateInline();
    else
      events->DeactivateInline();
  }
}

void CKXTextView::EndComposition() {
  CKXTextTSMHandler* tsm = InputHandlerOf(mEventHandler);
  if (!tsm || !tsm->HasActiveArea()) return;
  FocusDraw();
  tsm->EndComposition();
}

bool CKXTextView::InputMethodCaretRect(Rect& inWindow) {
  CKXTextTSMHandler* tsm = InputHandlerOf(mEventHandler);
  Rect local;
  if (!tsm || !tsm->CaretRect(local)) return false;
  // The handler answers in the view's own coordinates; the host wants the
  // window's.
  SPoint32 topLeft{local.left, local.top}, botRight{local.right, local.bottom};
  LocalToPortPoint(topLeft);
  LocalToPortPoint(botRight);
  inWindow = Rect{std::int16_t(topLeft.v), std::int16_t(topLeft.h), std::int16_t(botRight.v), std::int16_t(botRight.h)};
  return true;
}

bool CKXTextView::InputMethodSurrounding(std::string& utf8, long& caret) {
  CKXTextTSMHandler* tsm = InputHandlerOf(mEventHandler);
  return tsm && tsm->Surrounding(utf8, caret);
}

bool CKXTextView::InputMethodDeleteSurrounding(long offset, long count) {
  CKXTextTSMHandler* tsm = InputHandlerOf(mEventHandler);
  if (!tsm || !IsEditable()) return false;
  return tsm->DeleteSurrounding(offset, count);
}

namespace {
RGBColor gPaperColor{0xFFFF, 0xFFFF, 0xFFFF};
}  // namespace

void CKXTextView::SetPaperColor(const RGBColor& colour) { gPaperColor = colour; }
const RGBColor& CKXTextView::GetPaperColor() { return gPaperColor; }
