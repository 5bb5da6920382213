#include "views/mark_list.h"

#include <algorithm>

#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "platform/draw/color.h"
#include "platform/draw/port.h"
#include "platform/fonts_port.h"
#include "platform/framework/control.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "views/text_view.h"

namespace {

// The rank icon: a triangle in a 10 px square, inset in its 16 px box.
constexpr int kIconInset = 3, kIconSize = 10;
constexpr RGBColor kIconLight{0xCCCC, 0xCCCC, 0xCCCC};
constexpr RGBColor kIconPressed{0x8888, 0x8888, 0x8888};
constexpr RGBColor kScrollerLine{0xBBBB, 0xBBBB, 0xBBBB};
constexpr RGBColor kBlack{0, 0, 0};
constexpr RGBColor kWhite{0xFFFF, 0xFFFF, 0xFFFF};
// Hiding the button row: the buttons go up out of sight, the toggle
// becomes a thin bar and the outline takes the room.
constexpr int kButtonsShift = 32;
constexpr int kToggleGrowH = 2, kToggleGrowV = -10, kToggleShift = 3;
constexpr int kScrollerGrow = 15;
// A new list beside its document.
constexpr int kPlacementGap = 10;

Rect ToRect(const RectL& r) {
  return Rect{KxPinShort(r.top), KxPinShort(r.left), KxPinShort(r.bottom), KxPinShort(r.right)};
}
bool Empty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }
bool Meets(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
bool Inside(const Rect& a, const Rect& b) {
  return a.left >= b.left && a.right <= b.right && a.top >= b.top && a.bottom <= b.bottom;
}
Rect Offset(const Rect& r, int dh, int dv) {
  return Rect{KxPinShort(long(r.top) + dv), KxPinShort(long(r.left) + dh), KxPinShort(long(r.bottom) + dv),
              KxPinShort(long(r.right) + dh)};
}

}  // namespace

// ---- the outline pane ------------------------------------------------------------------------------

CKXTextEngine* CKXTextMarkView::GetTextEngine() { return mDoc ? mDoc->GetDocEngine() : nullptr; }

bool CKXTextMarkView::IsReadOnly() { return !mDoc || mDoc->GetReadOnly(); }

void CKXTextMarkView::ExecuteMarkAt(long n) {
  CKXTextEngine* engine = GetTextEngine();
  if (!engine || n < 1 || n > KXTE_GetMarkCount(engine->GetEdit())) return;
  if (n <= kKxMarkCommandMarks) {
    if (auto* view = dynamic_cast<LCommander*>(engine->GetHandlerView())) {
      view->ObeyCommand(CommandT(kKxMarkCommandBase + n), nullptr);
      return;
    }
  }
  // The commands after mark 1000's belong to other menus: the text jumps
  // there through the layer itself.
  engine->DoSelection(engine->GetMarkRange(n), false);
}

void CKXTextMarkView::InitMarkView() {
  FocusDraw();
  TextFont(kApplicationFont);
  TextSize(mTextSize);
  TextFace(0);
  KxFontInfo info{};
  GetFontInfo(&info);
  ReCalcMark(short(info.ascent + info.descent + info.leading), short(info.ascent));
  if (mSavedAnchor >= 0) {
    // The record's selection, once the rows it names are there.
    SetSelection(mSavedAnchor, mSavedEnd);
    mSavedAnchor = -1;
    CheckButtons();
  }
}

short CKXTextMarkView::GetMarkStringWidth(const unsigned char* name) {
  return KxPinShort(TextWidth(name + 1, 0, name[0]));
}

void CKXTextMarkView::DrawSelf() {
  RectL frame;
  CalcLocalFrameRect(frame);
  RGBColor paper = kWhite;
  if (!mDoc || !mDoc->GetPaperColor(paper)) paper = kWhite;
  RGBBackColor(&paper);
  RGBForeColor(&kBlack);
  // Local coordinates are the list's image: past 32767 pixels with a
  // few thousand marks.
  KxEraseRectL(frame);
  if (!mDoc) return;
  TextFont(kApplicationFont);
  TextSize(mTextSize);
  TextFace(0);
  DrawMark(frame);
}

void CKXTextMarkView::DrawMarkString(long h, long v, const unsigned char* name) {
  KxFontInfo info{};
  GetFontInfo(&info);
  RGBForeColor(&kBlack);
  MoveTo(std::int32_t(h), std::int32_t(v + info.ascent));
  DrawString(name);
}

void CKXTextMarkView::DrawRankIcon(long h, long v, bool folded, bool pressed) {
  FocusDraw();
  const int left = int(h) + kIconInset, top = int(v) + kIconInset;
  const int half = kIconSize / 2;
  // Filled in the light colour (darker while pressed), then outlined.
  for (int pass = 0; pass < 2; ++pass) {
    RGBForeColor(pass == 0 ? (pressed ? &kIconPressed : &kIconLight) : &kBlack);
    if (folded) {   // pointing right
      if (pass == 0) {
        for (int i = 1; i < half; ++i) {
          MoveTo(left + i, top + i + 1);
          LineTo(left + i, top + kIconSize - i - 1);
        }
      } else {
        MoveTo(left, top);
        LineTo(left, top + kIconSize);
        LineTo(left + half, top + half);
        LineTo(left, top);
      }
    } else {   // pointing down
      if (pass == 0) {
        for (int i = 1; i < half; ++i) {
          MoveTo(left + i + 1, top + i);
          LineTo(left + kIconSize - i - 1, top + i);
        }
      } else {
        MoveTo(left, top);
        LineTo(left + kIconSize, top);
        LineTo(left + half, top + half);
        LineTo(left, top);
      }
    }
  }
}

void CKXTextMarkView::EraseMarkRect(const RectL& r) {
  FocusDraw();
  KxEraseRectL(r);
}

void CKXTextMarkView::InvertMarkRect(const RectL& r) {
  FocusDraw();
  KxInvertRectL(r);
}

void CKXTextMarkView::RefreshMarkList() {
  if (LWindow* w = LWindow::FetchWindowOf(this)) w->Refresh();
}

void CKXTextMarkView::AlertBeep() { KxCurrentHost().Beep(); }

void CKXTextMarkView::EnableButton(PaneIDT id, bool on) {
  LWindow* w = LWindow::FetchWindowOf(this);
  LPane* b = w ? w->FindPaneByID(id) : nullptr;
  if (!b || b->IsEnabled() == on) return;
  if (on) b->Enable();
  else b->Disable();
  b->Refresh();
}

void CKXTextMarkView::SetImageSize(long width, long height) {
  ResizeImageTo(std::int32_t(width), std::int32_t(height), true);
}

void CKXTextMarkView::GetImageSize(long& width, long& height) {
  SDimension32 size;
  LView::GetImageSize(size);
  width = size.width;
  height = size.height;
}

void CKXTextMarkView::SetImagePos(long h, long v, bool refresh) {
  ScrollImageTo(std::int32_t(h), std::int32_t(v), refresh);
}

void CKXTextMarkView::GetFrameRect(RectL& frame) { CalcLocalFrameRect(frame); }

bool CKXTextMarkView::StillDown(PointL& where) {
  KxHost& host = KxCurrentHost();
  if (host.ShouldStop()) return false;
  EventRecord e;
  const bool got = host.WaitNextEvent(e, 1);
  if (LWindow* w = LWindow::FetchWindowOf(this)) {
    SPoint32 p = w->GlobalToPortPoint(e.where);
    PortToLocalPoint(p);
    where = PointL{p.v, p.h};
  }
  if (got) return e.what != mouseUp;
  return (e.modifiers & kKxEventButtonState) == 0;
}

void CKXTextMarkView::ClickSelf(const SMouseDownEvent& event) {
  short mods = 0;
  if (event.macEvent.modifiers & kKxEventShiftKey) mods |= kKxMarkClickShift;
  if (event.macEvent.modifiers & kKxEventOptionKey) mods |= kKxMarkClickOption;
  ClickMark(PointL{event.whereLocal.v, event.whereLocal.h}, mods);
}

// ---- the scroller ------------------------------------------------------------------------------------

void CKXTextMarkScroller::DrawSelf() {
  RectL frame;
  CalcLocalFrameRect(frame);
  RGBForeColor(&kScrollerLine);
  MoveTo(frame.left, frame.top);
  LineTo(frame.right - 1, frame.top);
  RGBForeColor(&kBlack);
}

// ---- the window --------------------------------------------------------------------------------------

CKXTextMarkList* CKXTextMarkList::sMarkList = nullptr;
Rect CKXTextMarkList::sBounds{0, 0, 0, 0};
bool CKXTextMarkList::sKeepHidden = false;
CKXTextMarkList::MenuHook CKXTextMarkList::sMenuHook = nullptr;

void CKXTextMarkList::FinishCreateSelf() {
  KXDialogBox::FinishCreateSelf();
  mView = dynamic_cast<CKXTextMarkView*>(FindPaneByID(kKxMarkListView));
  mScroller = dynamic_cast<CKXTextMarkScroller*>(FindPaneByID(kKxMarkListScroller));
  for (PaneIDT id = kKxMarkListLeft; id <= kKxMarkListToggle; ++id)
    mButtons[id - kKxMarkListLeft] = GetBroadcasterByID(id);
}

CKXTextMarkList::~CKXTextMarkList() {
  UpdateInfo(false);
  if (sMarkList == this) sMarkList = nullptr;
  // The Mark menu lists the marks again.
  if (sMenuHook) sMenuHook();
  LCommander::SetUpdateCommandStatus(true);
}

CKXTextDoc* CKXTextMarkList::GetTextDoc() const { return mView ? mView->GetTextDoc() : nullptr; }

bool CKXTextMarkList::IsShowMarkList() { return sMarkList && sMarkList->IsWindowShown(); }

Rect CKXTextMarkList::PlaceFor(CKXTextDoc* doc) const {
  const Rect screen = KxCurrentHost().GetScreenBounds();
  if (!Empty(sBounds) && Meets(sBounds, screen)) return sBounds;
  const Rect own = GetGlobalBounds();
  const int width = own.right - own.left, height = own.bottom - own.top;
  const Rect plain = Offset(own, kPlacementGap, kPlacementGap);
  LWindow* docWindow = doc ? doc->GetDocWindow() : nullptr;
  if (!docWindow) return plain;
  const Rect d = docWindow->GetGlobalBounds();
  const Rect beside{d.top, KxPinShort(long(d.right) + kPlacementGap), KxPinShort(long(d.top) + height),
                    KxPinShort(long(d.right) + kPlacementGap + width)};
  if (Inside(beside, screen)) return beside;
  const Rect within{d.top, KxPinShort(long(d.right) - kPlacementGap - width), KxPinShort(long(d.top) + height),
                    KxPinShort(long(d.right) - kPlacementGap)};
  if (Inside(within, screen)) return within;
  return plain;
}

void CKXTextMarkList::ShowMarkList(CKXTextDoc* doc) {
  if (!sMarkList) {
    LWindow* docWindow = doc ? doc->GetDocWindow() : nullptr;
    LCommander* top = docWindow;
    while (top && top->GetSuperCommander()) top = top->GetSuperCommander();
    auto* list = dynamic_cast<CKXTextMarkList*>(LWindow::CreateWindow(kKxMarkListLayout, top));
    if (!list) return;
    sMarkList = list;
    list->SetTextDoc(doc);
    list->DoSetBounds(list->PlaceFor(doc));
    if (!sKeepHidden) list->ShowFloating(true);
    return;
  }
  if (!sKeepHidden) {
    sMarkList->ShowFloating(true);
    sMarkList->Refresh();
  }
}

void CKXTextMarkList::CloseMarkList(bool keepInfo) {
  CKXTextMarkList* list = sMarkList;
  if (!list) return;
  if (!keepInfo) {
    list->UpdateInfo(true);
    list->SetTextDoc(nullptr);
  }
  list->DoClose();
}

void CKXTextMarkList::HideMarkList() {
  if (!sMarkList) return;
  sMarkList->UpdateInfo(true);
  sMarkList->ShowFloating(false);
}

void CKXTextMarkList::UpdateMarkList() {
  if (!sMarkList || !sMarkList->mView) return;
  sMarkList->mView->InitMarkView();
  sMarkList->mView->Refresh();
}

void CKXTextMarkList::UpdateReadOnly() {
  if (!sMarkList) return;
  CKXTextDoc* doc = sMarkList->GetTextDoc();
  sMarkList->ShowButtonsFor(doc && doc->GetReadOnly());
}

void CKXTextMarkList::MarkListInfo() {
  if (sMarkList) sMarkList->UpdateInfo(true);
}

void CKXTextMarkList::UpdateInfo(bool open) {
  sBounds = GetGlobalBounds();
  CKXTextDoc* doc = GetTextDoc();
  if (!doc) return;
  SKXMarkListRecord rec;
  doc->GetMarkListRecord(rec);
  rec.bounds = RectL{sBounds.top, sBounds.left, sBounds.bottom, sBounds.right};
  rec.open = open;
  rec.buttonsHidden = mUserHidden;
  if (open && mView) {
    SPoint32 pos;
    mView->GetScrollPosition(pos);
    rec.scroll = PointL{pos.v, pos.h};
    rec.values[0] = std::int32_t(mView->GetAnchor());
    rec.values[1] = std::int32_t(mView->GetEnd());
  } else {
    rec.scroll = PointL{0, 0};
    rec.values[0] = rec.values[1] = 0;
  }
  doc->SetMarkListRecord(rec);
}

void CKXTextMarkList::SetTextDoc(CKXTextDoc* doc) {
  if (!mView) return;
  mView->SetTextDoc(doc);
  bool readOnly = false;
  SKXMarkListRecord rec;
  if (doc) {
    doc->GetMarkListRecord(rec);
    sBounds = ToRect(rec.bounds);
    mView->RestoreSelection(rec.values[0], rec.values[1]);
    readOnly = doc->GetReadOnly();
  }
  mUserHidden = rec.buttonsHidden;
  mView->InitMarkView();
  if (doc && (rec.scroll.h != 0 || rec.scroll.v != 0)) {
    // The position comes from the document's file: held to the image.
    SDimension32 image, frame;
    mView->LView::GetImageSize(image);
    mView->GetFrameSize(frame);
    const std::int32_t h = std::clamp<std::int32_t>(rec.scroll.h, 0, std::max(0, image.width - frame.width));
    const std::int32_t v = std::clamp<std::int32_t>(rec.scroll.v, 0, std::max(0, image.height - frame.height));
    mView->ScrollImageTo(h, v, true);
  }
  ShowButtonsFor(readOnly);
  Refresh();
}

void CKXTextMarkList::ShowButtonsFor(bool readOnly) {
  SetButtonsHidden(readOnly || mUserHidden);
  if (LPane* toggle = mButtons[kKxMarkListToggle - kKxMarkListLeft]) {
    if (readOnly) toggle->Disable();
    else toggle->Enable();
  }
}

void CKXTextMarkList::SetButtonsHidden(bool hidden) {
  if (hidden == mButtonsHidden) return;
  mButtonsHidden = hidden;
  const int sign = hidden ? 1 : -1;
  for (PaneIDT id = kKxMarkListLeft; id <= kKxMarkListDelete; ++id)
    if (LPane* b = mButtons[id - kKxMarkListLeft]) b->MoveBy(0, -sign * kButtonsShift, false);
  if (LPane* toggle = mButtons[kKxMarkListToggle - kKxMarkListLeft]) {
    toggle->ResizeFrameBy(sign * kToggleGrowH, sign * kToggleGrowV, false);
    toggle->MoveBy(0, -sign * kToggleShift, false);
  }
  if (mScroller) {
    mScroller->MoveBy(0, -sign * kScrollerGrow, false);
    mScroller->ResizeFrameBy(0, sign * kScrollerGrow, false);
  }
  Refresh();
}

void CKXTextMarkList::ListenToMessage(MessageT message, void* param) {
  if (message < 0) {
    KXDialogBox::ListenToMessage(message, param);
    return;
  }
  if (!mView) return;
  switch (message) {
    case kKxMarkListLeft:
      mView->MoveLeft();
      break;
    case kKxMarkListRight:
      mView->MoveRight();
      break;
    case kKxMarkListAdd:
      mView->AddMark();
      break;
    case kKxMarkListDelete:
      mView->DelMark();
      break;
    case kKxMarkListToggle: {
      // Refused past the disabled toggle, as the toggle is.
      CKXTextDoc* doc = GetTextDoc();
      if (doc && doc->GetReadOnly()) break;
      mUserHidden = !mButtonsHidden;
      SetButtonsHidden(mUserHidden);
      break;
    }
    default:
      KXDialogBox::ListenToMessage(message, param);
      break;
  }
}
