// The clipboard window: its display of the clipboard and its clip list.
#include <algorithm>

#include "app/app_commands.h"
#include "app/application.h"
#include "app/globals.h"
#include "app/prefs_records.h"
#include "document/clipboard_window.h"
#include "engine/flavor_exchange.h"
#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "layout/text_edit_ex.h"
#include "platform/draw/color.h"
#include "platform/draw/port.h"
#include "platform/framework/control.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/list_box.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "text/store/text.h"
#include "views/controls.h"
#include "views/text_window.h"

namespace {

// STR# 205: the proposed clip names for plain text, styled text, a picture.
constexpr short kClipNamesList = 205;
constexpr short kPlainNameItem = 4;
constexpr short kStyledNameItem = 6;
constexpr short kPictureNameItem = 7;
// Text margins of the display: left, top, right, bottom.
constexpr std::int16_t kMarginLeft = 4, kMarginTop = 2, kMarginRight = 4, kMarginBottom = 2;
// Where a first window goes: this far in from the left and bottom edges.
constexpr std::int16_t kFirstInset = 4;

template <typename T>
T* Pane(LWindow* w, PaneIDT id) {
  return w ? dynamic_cast<T*>(w->FindPaneByID(id)) : nullptr;
}

bool EmptyRect(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

// One row per clip, from the marks, so that row n is always clip n.
void FillClipList(LListBox& list) {
  list.RemoveAllRows();
  for (long k = 1; k <= CKXTextClipboard::CountClips(); ++k) list.AddRow(CKXTextClipboard::ClipName(k));
}

// Where the window may stand: the screen less the tool palette's strip and
// the function-key bar's row, as a zoomed document window leaves them.
Rect StandardBounds(const LWindow& window) {
  Rect bounds{};
  window.CalcStandardBounds(bounds);
  return KxLeaveRoomForToolBars(bounds);
}

}  // namespace

// ---- the tool window ----------------------------------------------------------------------------

bool CKXToolWindow::ObeyCommand(CommandT command, void* param) {
  if (command != kKxCmdClose) return LWindow::ObeyCommand(command, param);
  AttemptClose();
  return true;
}

void CKXToolWindow::FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                                      Str255 name) {
  if (command == kKxCmdClose) enabled = true;
  else LWindow::FindCommandStatus(command, enabled, usesMark, mark, name);
}

CKXToolWindow::~CKXToolWindow() {
  // LWindow's part takes the host window, and with it the bounds, before
  // the panes go: the clipboard view cannot read them in its destructor.
  CKXTextClipboard::WindowClosing(*this);
}

// ---- the display --------------------------------------------------------------------------------

CKXClipboardDisplay::CKXClipboardDisplay(LView& view) : mView(view), mEngine(std::make_unique<CKXTextEngine>(false)) {
  // Shown, never edited: no caret and no undo.
  mEngine->SetAttributes(mEngine->GetAttributes() & ~kKxEngineEditable);
  mEngine->SetTextMargins(Rect{kMarginTop, kMarginLeft, kMarginBottom, kMarginRight});
  mEngine->SetHandlerView(&mView);
}

CKXClipboardDisplay::~CKXClipboardDisplay() { mEngine->SetHandlerView(nullptr); }

void CKXClipboardDisplay::ReceiveClipboard() {
  CKXText text;
  short kind = 0;
  KxGetTextFromClipboard(KXHandleAccess::Wrap(&text), kind);
  mEngine->TextTakeText(KXHandleAccess::Wrap(&text));
  mEngine->SetSelectionRange(SKXRange{0, 0}, false);
  Fix(false);
}

void CKXClipboardDisplay::Fix(bool refresh) {
  SPoint32 pos{};
  SDimension32 frame{};
  mView.GetScrollPosition(pos);
  mView.GetFrameSize(frame);
  mEngine->SetViewRect(pos, frame);
  // The engine's image size is its destination, which lies inside the
  // margins: the lines get the frame less both side margins, and the view's
  // image is the laid-out height with the margins above and below.
  mEngine->SetImageSize(SDimension32{std::max(0, frame.width - kMarginLeft - kMarginRight), 0});
  SDimension32 laid{};
  mEngine->GetImageSize(laid);
  SDimension32 image{};
  mView.GetImageSize(image);
  const std::int32_t height = std::max(laid.height + kMarginTop + kMarginBottom, frame.height);
  if (image.height != height || image.width != frame.width) mView.ResizeImageTo(frame.width, height, refresh);
}

void CKXClipboardDisplay::Draw(bool erase) {
  SPoint32 pos{};
  SDimension32 frame{};
  mView.GetScrollPosition(pos);
  mView.GetFrameSize(frame);
  RGBForeColor(&UKXColor::sBlackColor);
  RGBBackColor(&UKXColor::sWhiteColor);
  if (erase) {
    const Rect r{std::int16_t(pos.v), std::int16_t(pos.h), std::int16_t(pos.v + frame.height),
                 std::int16_t(pos.h + frame.width)};
    EraseRect(&r);
  }
  // The edit object draws into the port of the view that shows it.
  if (CKXTextEditEx* edit = KXHandleAccess::Edit(mEngine->GetEdit())) edit->SetDrawPort(mView.GetDrawPort());
  mEngine->SetViewRect(pos, frame);
  mEngine->DrawArea(pos, frame);
}

// ---- the list-less view ---------------------------------------------------------------------------

CKXTextClipboardView::CKXTextClipboardView(const KxLayoutPaneRecord& record) : LView(record), mDisplay(*this) {
  ReceiveClipboard();
}

CKXTextClipboardView::~CKXTextClipboardView() = default;

void CKXTextClipboardView::ReceiveClipboard() { mDisplay.ReceiveClipboard(); }

void CKXTextClipboardView::FixClipboard(bool refresh) { mDisplay.Fix(refresh); }

void CKXTextClipboardView::UpdateNow() {
  ReceiveClipboard();
  Refresh();
}

void CKXTextClipboardView::DrawSelf() { mDisplay.Draw(true); }

void CKXTextClipboardView::ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) {
  LView::ResizeFrameBy(dw, dh, refresh);
  FixClipboard(refresh);
}

// ---- the window's view ----------------------------------------------------------------------------

CKXTextClipboard::CKXTextClipboard(const KxLayoutPaneRecord& record) : LView(record), mDisplay(*this) {
  InitializeScrap(false);
  sTextClipboard = this;
}

CKXTextClipboard::~CKXTextClipboard() {
  if (sTextClipboard == this) sTextClipboard = nullptr;
  // A scrap book that could not be written stays loaded, so that quitting
  // tries again rather than losing its clips.
  if (UpdateScrap() && !KeepScrapBook()) TerminateScrap();
  UpdateMenu();
}

void CKXTextClipboard::FinishCreateSelf() {
  mWindow = LWindow::FetchWindowOf(this);
  mClipboardSeen = KxCurrentHost().ClipboardChangeCount();
  ReceiveClipboard();
  StartIdling();
}

void CKXTextClipboard::SpendTime(const EventRecord&) {
  if (KxCurrentHost().ClipboardChangeCount() != mClipboardSeen) UpdateClipboard();
}

void CKXTextClipboard::ReceiveClipboard() { mDisplay.ReceiveClipboard(); }

void CKXTextClipboard::FixClipboard(bool refresh) { mDisplay.Fix(refresh); }

void CKXTextClipboard::DrawSelf() { mDisplay.Draw(true); }

void CKXTextClipboard::ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) {
  LView::ResizeFrameBy(dw, dh, refresh);
  FixClipboard(refresh);
}

void CKXTextClipboard::InitClipList() {
  if (auto* list = Pane<LListBox>(mWindow, kKxClipList)) FillClipList(*list);
  for (PaneIDT id : {kKxClipList, kKxClipStore, kKxClipDelete, kKxClipKeep})
    if (auto* b = Pane<LBroadcaster>(mWindow, id)) b->AddListener(this);
  if (auto* keep = Pane<LControl>(mWindow, kKxClipKeep)) {
    StopListening();
    keep->SetValue(KeepScrapBook() ? 1 : 0);
    StartListening();
  }
}

void CKXTextClipboard::UpdateClipboardItems() {
  auto* list = Pane<LListBox>(mWindow, kKxClipList);
  if (list) {
    StopListening();
    list->UnselectAllCells();
    StartListening();
  }
  const short type = GetClipboardType();
  if (auto* store = Pane<LPane>(mWindow, kKxClipStore)) {
    if (type != kKxClipNone) store->Enable();
    else store->Disable();
  }
  if (auto* del = Pane<LPane>(mWindow, kKxClipDelete)) del->Disable();
  auto* name = Pane<LEditField>(mWindow, kKxClipName);
  if (!name) return;
  if (type == kKxClipNone) {
    // Nothing to store: no name left over from what was there before.
    name->SetText("");
    return;
  }
  const short item = type == kKxClipPlain ? kPlainNameItem : type == kKxClipStyled ? kStyledNameItem
                                                                                   : kPictureNameItem;
  name->SetText(KxIndString(kClipNamesList, item));
  name->SelectAll();
}

void CKXTextClipboard::ListenToMessage(MessageT message, void* /*param*/) {
  switch (message) {
    case kKxClipList:
      ChangeClipboardScrap();
      break;
    case kKxClipStore:
      AddClipboardScrap();
      break;
    case kKxClipDelete:
      DeleteClipboardScrap();
      break;
    case kKxClipKeep:
      MenuClipboardScrap();
      break;
    default:
      break;
  }
}

void CKXTextClipboard::ChangeClipboardScrap() {
  auto* list = Pane<LListBox>(mWindow, kKxClipList);
  if (!list) return;
  const std::vector<std::int32_t> rows = list->GetSelectedRows();
  auto* store = Pane<LPane>(mWindow, kKxClipStore);
  auto* del = Pane<LPane>(mWindow, kKxClipDelete);
  if (rows.empty()) {
    if (del) del->Disable();
    return;
  }
  const long n = rows.front() + 1;
  if (store) store->Disable();
  if (del) del->Enable();
  if (auto* name = Pane<LEditField>(mWindow, kKxClipName)) {
    name->SetText(ClipName(n));
    name->SelectAll();
  }
  PutClipOnClipboard(n);
  // The clip now on the clipboard is the one chosen, not news to follow.
  mClipboardSeen = KxCurrentHost().ClipboardChangeCount();
  ReceiveClipboard();
  Refresh();
  CKXTextApp::SetUpdateCommandStatus(true);
}

void CKXTextClipboard::AddClipboardScrap() {
  auto* name = Pane<LEditField>(mWindow, kKxClipName);
  const std::string text = name ? name->GetText() : std::string();
  if (text.empty() || !sTextScrap) {
    KxCurrentHost().Beep();
    return;
  }
  CKXText contents;
  mDisplay.Engine().TextCopy(mDisplay.Engine().GetTotalRange(), KXHandleAccess::Wrap(&contents), kKxSaveAll);
  if (!AddClip(text, KXHandleAccess::Wrap(&contents))) {
    KxCurrentHost().Beep();
    return;
  }
  // Written now, not only at quit: a crash or a logout keeps the clip.
  UpdateScrap();
  if (auto* list = Pane<LListBox>(mWindow, kKxClipList)) {
    // Made again from the marks, as after a delete: rows and clips agree
    // whatever the book did with marks it already held.
    StopListening();
    FillClipList(*list);
    list->SetValue(list->CountRows() - 1);
    StartListening();
    list->ScrollToRow(list->CountRows() - 1);
  }
  if (auto* store = Pane<LPane>(mWindow, kKxClipStore)) store->Disable();
  if (auto* del = Pane<LPane>(mWindow, kKxClipDelete)) del->Enable();
}

void CKXTextClipboard::DeleteClipboardScrap() {
  auto* list = Pane<LListBox>(mWindow, kKxClipList);
  if (!list) return;
  const std::vector<std::int32_t> rows = list->GetSelectedRows();
  if (rows.empty()) return;
  const long n = rows.front() + 1;
  if (!DeleteClip(n)) return;
  // Written now, as after a store. With the last clip gone the list stays
  // empty: the factory clips come back when the window closes.
  UpdateScrap(true);
  // The list is made again from the marks, so that rows and clips agree.
  StopListening();
  FillClipList(*list);
  list->UnselectAllCells();
  StartListening();
  if (auto* store = Pane<LPane>(mWindow, kKxClipStore)) store->Enable();
  if (auto* del = Pane<LPane>(mWindow, kKxClipDelete)) del->Disable();
}

void CKXTextClipboard::MenuClipboardScrap() {
  auto* keep = Pane<LControl>(mWindow, kKxClipKeep);
  if (!keep) return;
  const bool on = keep->GetValue() != 0;
  if (on == KeepScrapBook()) return;
  gPreference.flags = std::uint8_t(on ? gPreference.flags | kKxPrefFlagScrapBook : gPreference.flags & ~kKxPrefFlagScrapBook);
  gPrefModify = true;
  UpdateMenu();
}

// ---- class-wide window operations ------------------------------------------------------------------

void CKXTextClipboard::ShowClipboard(LCommander* super) {
  if (sTextClipboard && sTextClipboard->mWindow) {
    sTextClipboard->mWindow->Select();
    return;
  }
  LWindow* window = LWindow::CreateWindow(kKxClipboardLayout, super);
  CKXTextClipboard* view = sTextClipboard;
  if (!view) {
    delete window;
    return;
  }
  view->mWindow = window;
  view->InitClipList();
  view->UpdateClipboardItems();
  Rect bounds = window->GetGlobalBounds();
  if (EmptyRect(sBoundsClipboard)) {
    // The first time: at the bottom left of the window's standard bounds,
    // which leave the tool palette and the function-key bar free (the bar
    // at the screen's foot would cover the window's last row).
    const std::int16_t w = std::int16_t(bounds.right - bounds.left), h = std::int16_t(bounds.bottom - bounds.top);
    const Rect standard = StandardBounds(*window);
    bounds.left = std::int16_t(standard.left + kFirstInset);
    bounds.bottom = std::int16_t(standard.bottom - kFirstInset);
    bounds.right = std::int16_t(bounds.left + w);
    bounds.top = std::int16_t(std::max<int>(standard.top, bounds.bottom - h));
    bounds.bottom = std::int16_t(bounds.top + h);
  } else {
    bounds = sBoundsClipboard;
  }
  window->DoSetBounds(bounds);
  view->FixClipboard(false);
  window->Show();
  window->Select();
  UpdateMenu();
}

void CKXTextClipboard::UpdateClipboard() {
  if (!sTextClipboard) return;
  sTextClipboard->mClipboardSeen = KxCurrentHost().ClipboardChangeCount();
  sTextClipboard->UpdateClipboardItems();
  sTextClipboard->ReceiveClipboard();
  sTextClipboard->Refresh();
}

void CKXTextClipboard::WindowClosing(const LWindow& window) {
  if (!sTextClipboard || sTextClipboard->mWindow != &window) return;
  // A window already off the screen has no bounds to give: keep the last.
  const Rect bounds = window.GetGlobalBounds();
  if (!EmptyRect(bounds)) sBoundsClipboard = bounds;
}

void CKXTextClipboard::CloseClipboard() {
  if (sTextClipboard && sTextClipboard->mWindow) sTextClipboard->mWindow->DoClose();
}
