#include "views/text_window.h"

#include <algorithm>
#include <utility>

#include "engine/text_undoer.h"
#include "platform/framework/commander.h"
#include "platform/framework/control.h"
#include "platform/host/host.h"
#include "platform/textconv.h"
#include "views/text_colm_view.h"
#include "views/text_info_view.h"
#include "views/text_scroller.h"
#include "views/text_view.h"

namespace {

KxTextWindowHooks sHooks;

// The fixed texts of the menu: copy path, own format, three line ends,
// the encoding prefix and three encodings.
enum InfoText { kCopyPath, kOwnFormat, kLineEnd0, kLineEnd1, kLineEnd2, kEncPrefix, kEnc0, kEnc1, kEnc2, kTextCount };
std::vector<std::string> sTexts = {"Copy Path", "Own Format", "CR",      "LF",    "CR+LF",
                                   "Code: ",    "Shift_JIS",  "EUC-JP", "JIS"};

// Bounds the loop of close-all: each turn closes one document, and a
// document that says it closed but stays must not hold the loop forever.
constexpr int kCloseAllLimit = 10000;

}  // namespace

void KxSetTextWindowHooks(KxTextWindowHooks hooks) { sHooks = std::move(hooks); }
const KxTextWindowHooks& KxGetTextWindowHooks() { return sHooks; }

Rect KxLeaveRoomForPalettes(Rect r, SDimension32 palette, bool hasBar, const Rect& bar) {
  std::int32_t keepW = std::max(0, palette.width);
  std::int32_t keepH = std::max(0, palette.height);
  if (hasBar) {
    const std::int32_t barHeight = std::int32_t(bar.bottom) - bar.top;
    if (bar.top < r.top && keepH == 0) {
      keepH = barHeight;   // the bar lies above: keep its height free at the top
    } else if (std::int32_t(r.bottom) - bar.bottom <= kKxFunctionBarReach &&
               std::int32_t(bar.bottom) - r.bottom <= kKxFunctionBarReach) {
      r.bottom = KxPinShort(std::int32_t(bar.bottom) - barHeight - kKxFunctionBarGap);
    } else if (keepW == 0 && keepH == 0) {
      return r;
    }
  }
  r.left = KxPinShort(std::int32_t(r.left) + keepW);
  r.top = KxPinShort(std::int32_t(r.top) + keepH);
  if (r.bottom < r.top) r.bottom = r.top;
  if (r.right < r.left) r.right = r.left;
  return r;
}

CKXTextWindow* CKXTextWindow::sMenuWindow = nullptr;

void CKXTextWindow::SetInfoTexts(std::vector<std::string> texts) {
  if (texts.size() == kTextCount) sTexts = std::move(texts);
}

CKXTextWindow::CKXTextWindow(const KxLayoutPaneRecord& record) : LWindow(record) { MakeUndoer(); }

CKXTextWindow::CKXTextWindow(const Rect& globalBounds, ConstStringPtr title, LCommander* super)
    : LWindow(globalBounds, title, super) {
  MakeUndoer();
}

CKXTextWindow::~CKXTextWindow() {
  if (sMenuWindow == this) sMenuWindow = nullptr;
}

void CKXTextWindow::MakeUndoer() {
  // Undo and redo of the window's text go through this attachment; it
  // lives as long as the window.
  mUndoer = new CKXTextUndoer;
  AddAttachment(mUndoer, nullptr, true);
}

void CKXTextWindow::RenewUndoer() {
  if (mUndoer) {
    RemoveAttachment(mUndoer);
    delete mUndoer;
    mUndoer = nullptr;
  }
  MakeUndoer();
}

CKXTextScroller* CKXTextWindow::FirstScroller() {
  if (!mScroller) mScroller = dynamic_cast<CKXTextScroller*>(FindPaneByID(kKxTextScrollerID));
  return mScroller;
}

bool CKXTextWindow::CloseAll() {
  CKXTextWindowDoc* doc = mWindowDoc;
  for (int turn = 0; doc && turn < kCloseAllLimit; ++turn) {
    if (!doc->AttemptCloseSelf()) return false;
    doc->Close();   // may delete this window: nothing of it is used below
    CKXTextWindowDoc* next = sHooks.firstDocument ? sHooks.firstDocument() : nullptr;
    if (next == doc) return false;   // it did not go: stop rather than ask again
    doc = next;
  }
  return doc == nullptr;
}

void CKXTextWindow::ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) {
  LWindow::ResizeFrameBy(dw, dh, refresh);
  CKXTextScroller* scroller = FirstScroller();
  if (!scroller || !mDocument || !scroller->GetTwinView()) return;
  SDimension32 size;
  scroller->GetFrameSize(size);
  const std::int32_t across = scroller->GetVertical() ? size.width : size.height;
  if (across > kKxSplitJoinExtent) return;
  const RectL frame = scroller->CalcPortFrameRect();
  mDocument->SplitWindow(SPoint32{frame.left, frame.top}, refresh);
}

Rect KxLeaveRoomForToolBars(Rect bounds) {
  const SDimension32 palette = sHooks.paletteExtent ? sHooks.paletteExtent() : SDimension32{0, 0};
  Rect bar{0, 0, 0, 0};
  const bool hasBar = sHooks.functionBarBounds && sHooks.functionBarBounds(bar);
  if (palette.width > 0 || palette.height > 0 || hasBar) bounds = KxLeaveRoomForPalettes(bounds, palette, hasBar, bar);
  return bounds;
}

bool CKXTextWindow::CalcStandardBounds(Rect& bounds) const {
  LWindow::CalcStandardBounds(bounds);
  bounds = KxLeaveRoomForToolBars(bounds);
  const Rect now = GetGlobalBounds();
  return bounds.top == now.top && bounds.left == now.left && bounds.bottom == now.bottom && bounds.right == now.right;
}

std::vector<KxInfoItem> CKXTextWindow::InfoMenuItems() const {
  std::vector<KxInfoItem> items;
  Str255 title;
  GetDescriptor(title);
  KxInfoItem head;
  head.kind = KxInfoItem::kTitle;
  head.text = KxScriptTextToUTF8(std::string(reinterpret_cast<const char*>(title + 1), title[0]));
  head.icon = kKxIconDocument;
  if (mWindowDoc && mWindowDoc->IsModified())
    head.icon = kKxIconModified;
  else if (mWindowDoc && mWindowDoc->IsReadOnly())
    head.icon = kKxIconReadOnly;
  items.push_back(head);
  const std::string path = mWindowDoc ? mWindowDoc->GetFilePath() : std::string();
  if (!path.empty()) {
    // Every enclosing folder, innermost first, up to the root; the whole
    // path goes to the clipboard however long it is.
    std::string rest = path;
    while (rest.size() > 1 && rest.back() == '/') rest.pop_back();
    std::size_t cut = rest.rfind('/');
    while (cut != std::string::npos) {
      rest.resize(cut);
      KxInfoItem folder;
      folder.kind = KxInfoItem::kFolder;
      if (rest.empty()) {
        folder.text = "/";
        folder.icon = kKxIconVolume;
        items.push_back(folder);
        break;
      }
      const std::size_t slash = rest.rfind('/');
      folder.text = rest.substr(slash == std::string::npos ? 0 : slash + 1);
      folder.icon = kKxIconPathFolder;
      if (!folder.text.empty()) items.push_back(folder);
      cut = slash;
    }
    items.push_back(KxInfoItem{KxInfoItem::kSeparator, {}, 0, false, 0});
    items.push_back(KxInfoItem{KxInfoItem::kCopyPath, sTexts[kCopyPath], 0, false, 0});
  }
  if (!mWindowDoc) return items;
  items.push_back(KxInfoItem{KxInfoItem::kSeparator, {}, 0, false, 0});
  items.push_back(KxInfoItem{KxInfoItem::kOwnFormat, sTexts[kOwnFormat], 0, mWindowDoc->GetOwnFormat(), 0});
  items.push_back(KxInfoItem{KxInfoItem::kSeparator, {}, 0, false, 0});
  for (short k = 0; k < 3; ++k)
    items.push_back(
        KxInfoItem{KxInfoItem::kLineEnd, sTexts[kLineEnd0 + k], 0, mWindowDoc->GetLineEnd() == k, k});
  if (sHooks.codeConversion) {
    items.push_back(KxInfoItem{KxInfoItem::kSeparator, {}, 0, false, 0});
    for (short k = 0; k < 3; ++k)
      items.push_back(KxInfoItem{KxInfoItem::kEncoding, sTexts[kEncPrefix] + sTexts[kEnc0 + k], 0,
                                 mWindowDoc->GetEncoding() == k, k});
  }
  return items;
}

void CKXTextWindow::ChooseInfoItem(const KxInfoItem& item) {
  if (!mWindowDoc) return;
  switch (item.kind) {
    case KxInfoItem::kCopyPath:
      if (sHooks.putClipboardText) sHooks.putClipboardText(mWindowDoc->GetFilePath());
      return;
    case KxInfoItem::kOwnFormat:
      mWindowDoc->SetOwnFormat(!mWindowDoc->GetOwnFormat());
      break;
    case KxInfoItem::kLineEnd:
      mWindowDoc->SetLineEnd(item.value);
      break;
    case KxInfoItem::kEncoding:
      mWindowDoc->SetEncoding(item.value);
      break;
    default:
      return;   // the title and the folders only show where the file is
  }
  LCommander::SetUpdateCommandStatus(true);
}

void CKXTextWindow::InfoMenus(Point where) {
  mShownItems = InfoMenuItems();
  std::vector<KxPopupEntry> entries;
  for (const KxInfoItem& item : mShownItems) {
    KxPopupEntry e;
    e.separator = item.kind == KxInfoItem::kSeparator;
    e.text = KxUTF8ToScriptText(item.text);   // the pop-up shows script text
    e.enabled = item.kind != KxInfoItem::kTitle && item.kind != KxInfoItem::kFolder;
    e.mark = item.checked ? kKxCheckMark : 0;
    entries.push_back(e);
  }
  // One pop-up at a time: the choice to come is this menu's.
  CKXTextInfoView::ForgetScaleMenu();
  CKXTextColmView::ForgetPopup();
  sMenuWindow = this;
  LStdPopupMenu::ForgetWaiting();
  KxCurrentHost().PopUpMenu(entries, where);
}

bool CKXTextWindow::ChooseInfoMenu(std::int16_t index) {
  CKXTextWindow* w = sMenuWindow;
  sMenuWindow = nullptr;
  if (!w || index < 0 || std::size_t(index) >= w->mShownItems.size()) return false;
  w->ChooseInfoItem(w->mShownItems[std::size_t(index)]);
  return true;
}
