#include "platform/framework/window.h"

#include "platform/framework/document.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/draw/color.h"
#include "platform/exception.h"
#include "platform/framework/layout.h"
#include "platform/framework/registrar.h"

LCommander* LWindow::sLayoutCommander = nullptr;

namespace {
std::int32_t Width(const Rect& r) { return std::max(0, r.right - r.left); }
std::int32_t Height(const Rect& r) { return std::max(0, r.bottom - r.top); }
bool SameRect(const Rect& a, const Rect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}
// The layout's title attribute as a length-prefixed string.
void TitleOf(const KxLayoutPaneRecord& record, Str255 out) {
  std::string title;
  KxLayout::GetAttribute(record, "title", title);
  out[0] = std::uint8_t(std::min<std::size_t>(title.size(), 255));
  std::memcpy(out + 1, title.data(), out[0]);
}
}  // namespace

LWindow::LWindow(const Rect& globalBounds, ConstStringPtr title, LCommander* super) : LCommander(super) {
  mUpdateRgn = std::make_unique<KxRegion>();
  mActive = false;   // until the host activates it
  MakeHostWindow(globalBounds, title);
}

LWindow::LWindow(const KxLayoutPaneRecord& record) : LView(record), LCommander(sLayoutCommander) {
  mUpdateRgn = std::make_unique<KxRegion>();
  mActive = false;
  mMinMax = Rect{KxPinShort(KxLayout::GetNumber(record, "minHeight", mMinMax.top)),
                 KxPinShort(KxLayout::GetNumber(record, "minWidth", mMinMax.left)),
                 KxPinShort(KxLayout::GetNumber(record, "maxHeight", mMinMax.bottom)),
                 KxPinShort(KxLayout::GetNumber(record, "maxWidth", mMinMax.right))};
  mStandardSize = {KxLayout::GetNumber(record, "standardWidth", mStandardSize.width),
                   KxLayout::GetNumber(record, "standardHeight", mStandardSize.height)};
  mFloating = KxLayout::GetNumber(record, "floating", 0) != 0;
  Str255 title;
  TitleOf(record, title);
  MakeHostWindow(record.frame, title);
  if (mFloating) mActive = true;
}

void LWindow::ShowFloating(bool shown) {
  if (mFloating) KxCurrentHost().ShowFloatingWindow(mHostWindow, shown);
}

bool LWindow::IsWindowShown() const { return KxCurrentHost().IsWindowShown(mHostWindow); }

void LWindow::MakeHostWindow(const Rect& bounds, ConstStringPtr title) {
  std::memcpy(mTitle, title ? title : reinterpret_cast<ConstStringPtr>(""), title ? title[0] + 1 : 1);
  mFrameLocation = {0, 0};
  mFrameSize = {0, 0};
  mImageLocation = {0, 0};
  SetContentSize(Width(bounds), Height(bounds));
  mUserBounds = bounds;
  mHostWindow = mFloating ? KxCurrentHost().CreateFloatingWindow(this, bounds, mTitle)
                          : KxCurrentHost().CreateWindow(this, bounds, mTitle);
  // The whole content waits for its first update.
  InvalPortRect(RectL{0, 0, mFrameSize.height, mFrameSize.width});
}

namespace {
std::vector<LWindow*>& ClosedWindows() {
  static std::vector<LWindow*> windows;
  return windows;
}
}  // namespace

LWindow::~LWindow() {
  std::erase(ClosedWindows(), this);
  if (mHostWindow != kKxNoWindow) KxCurrentHost().DestroyWindow(mHostWindow);
  // The panes go while the window is still whole: commanders among them
  // unlink from the window's commander part, which dies before the view.
  while (!GetSubPanes().empty()) delete GetSubPanes().back();
  if (KxGetPort() == mPort.get()) SetPort(nullptr);
  OutOfFocus(nullptr);
}

LWindow* LWindow::CreateWindow(ResIDT layoutID, LCommander* super) {
  KxLayout layout(layoutID);
  if (!layout.Exists()) throw LException(paramErr);
  struct CommanderScope {
    LCommander* saved = sLayoutCommander;
    ~CommanderScope() { sLayoutCommander = saved; }
  } scope;
  sLayoutCommander = super;
  std::unique_ptr<LPane> made(URegistrar::CreateObject(*layout.GetWindow()));
  auto* window = dynamic_cast<LWindow*>(made.get());
  if (!window) throw LException(paramErr);
  std::map<PaneIDT, LPane*> byID{{kKxNoPaneID, window}};
  std::vector<LPane*> built;
  for (int i = 1; i < layout.CountPanes(); ++i) {
    const KxLayoutPaneRecord& record = *layout.GetPane(i);
    auto found = byID.find(record.superID);
    LView* super = found == byID.end() ? nullptr : dynamic_cast<LView*>(found->second);
    if (!super) throw LException(paramErr);
    std::unique_ptr<LPane> pane(URegistrar::CreateObject(record));
    if (!pane) throw LException(paramErr);
    pane->PutInside(super, record.frame.left, record.frame.top);
    LPane* p = pane.release();   // the superview owns it now
    if (record.paneID != kKxNoPaneID) byID[record.paneID] = p;
    if (auto* commander = dynamic_cast<LCommander*>(p)) {
      for (LPane* s = super; s; s = s->GetSuperView())
        if (auto* sc = dynamic_cast<LCommander*>(s)) {
          commander->SetSuperCommander(sc);
          break;
        }
    }
    built.push_back(p);
  }
  for (LPane* p : built) p->FinishCreate();
  window->FinishCreate();
  made.release();
  return window;
}

LWindow* LWindow::FetchWindowOf(const LPane* pane) {
  while (pane && pane->GetSuperView()) pane = pane->GetSuperView();
  return dynamic_cast<LWindow*>(const_cast<LPane*>(pane));
}

void LWindow::Select() {
  if (!mFloating) KxCurrentHost().SelectWindow(mHostWindow);
}

bool LWindow::IsFront() const { return KxCurrentHost().FrontWindow() == mHostWindow; }

LWindow* LWindow::FetchFrontWindow() {
  KxHost& host = KxCurrentHost();
  return dynamic_cast<LWindow*>(host.GetWindowClient(host.FrontWindow()));
}

Rect LWindow::GetGlobalBounds() const { return KxCurrentHost().GetWindowBounds(mHostWindow); }

Rect LWindow::HoldToMinMax(const Rect& bounds) const {
  const std::int32_t w = std::clamp<std::int32_t>(Width(bounds), mMinMax.left, std::max(mMinMax.left, mMinMax.right));
  const std::int32_t h = std::clamp<std::int32_t>(Height(bounds), mMinMax.top, std::max(mMinMax.top, mMinMax.bottom));
  return Rect{bounds.top, bounds.left, KxPinShort(std::int64_t(bounds.top) + h),
              KxPinShort(std::int64_t(bounds.left) + w)};
}

void LWindow::SetMinMaxSize(const Rect& minMax) {
  mMinMax = minMax;
  mMinMax.top = std::max<std::int16_t>(1, mMinMax.top);
  mMinMax.left = std::max<std::int16_t>(1, mMinMax.left);
}

void LWindow::DoSetBounds(const Rect& globalBounds) {
  const Rect held = HoldToMinMax(globalBounds);
  KxCurrentHost().SetWindowBounds(mHostWindow, held);
  SetContentSize(Width(held), Height(held));
}

void LWindow::SetContentSize(std::int32_t width, std::int32_t height) {
  if (mPort && width == mFrameSize.width && height == mFrameSize.height) return;
  // Everything that can fail first: the new store.
  std::unique_ptr<KxPort> port = KxPort::NewImage(std::max(1, width), std::max(1, height));
  if (KxGetPort() == mPort.get()) SetPort(nullptr);
  mPort = std::move(port);
  OutOfFocus(nullptr);
  ResizeFrameBy(width - mFrameSize.width, height - mFrameSize.height, false);
  mImageSize = mFrameSize;
  SetEmptyRgn(mUpdateRgn.get());
  InvalPortRect(RectL{0, 0, height, width});
}

bool LWindow::CalcStandardBounds(Rect& bounds) const {
  const Rect screen = KxCurrentHost().GetScreenBounds();
  const Rect now = GetGlobalBounds();
  const std::int32_t w = std::clamp<std::int32_t>(std::min(mStandardSize.width, Width(screen)), mMinMax.left,
                                                  std::max(mMinMax.left, mMinMax.right));
  const std::int32_t h = std::clamp<std::int32_t>(std::min(mStandardSize.height, Height(screen)), mMinMax.top,
                                                  std::max(mMinMax.top, mMinMax.bottom));
  // From the window's top-left, moved back inside the screen when needed.
  std::int32_t left = std::max<std::int32_t>(screen.left, std::min<std::int32_t>(now.left, screen.right - w));
  std::int32_t top = std::max<std::int32_t>(screen.top, std::min<std::int32_t>(now.top, screen.bottom - h));
  bounds = Rect{KxPinShort(top), KxPinShort(left), KxPinShort(std::int64_t(top) + h), KxPinShort(std::int64_t(left) + w)};
  return SameRect(bounds, now);
}

bool LWindow::IsZoomed() const {
  Rect standard;
  return CalcStandardBounds(standard);
}

void LWindow::DoSetZoom(bool toStandard) {
  if (toStandard) {
    Rect standard;
    if (CalcStandardBounds(standard)) return;
    mUserBounds = GetGlobalBounds();
    DoSetBounds(standard);
  } else {
    DoSetBounds(mUserBounds);
  }
}

void LWindow::GetDescriptor(Str255 out) const { std::memcpy(out, mTitle, mTitle[0] + 1); }

void LWindow::SetDescriptor(ConstStringPtr title) {
  std::memcpy(mTitle, title, title[0] + 1);
  mUnicodeTitle.clear();
  KxCurrentHost().SetWindowTitle(mHostWindow, mTitle);
}

void LWindow::SetUnicodeTitle(const std::string& title) {
  if (title == mUnicodeTitle) return;
  mUnicodeTitle = title;
  if (title.empty())
    KxCurrentHost().SetWindowTitle(mHostWindow, mTitle);
  else
    KxCurrentHost().SetWindowTitleUTF8(mHostWindow, title);
}

void LWindow::SetModifiedMark(bool modified) {
  if (modified == mModifiedMark) return;
  mModifiedMark = modified;
  KxCurrentHost().SetWindowModified(mHostWindow, modified);
}

void LWindow::AttemptClose() {
  // A document's window closes with its document, which asks first.
  if (auto* document = dynamic_cast<LSingleDoc*>(GetSuperCommander()); document && document->GetWindow() == this) {
    document->AttemptClose();
    return;
  }
  if (AttemptCloseSelf()) DoClose();
}

void LWindow::DoClose() { delete this; }

void LWindow::DeleteLater() {
  auto& closed = ClosedWindows();
  if (std::find(closed.begin(), closed.end(), this) == closed.end()) closed.push_back(this);
  // Off the screen at once; the object waits for the event to end.
  if (mHostWindow != kKxNoWindow) KxCurrentHost().DestroyWindow(mHostWindow);
  mHostWindow = kKxNoWindow;
}

void LWindow::DeleteClosedWindows() {
  auto& closed = ClosedWindows();
  while (!closed.empty()) {
    LWindow* w = closed.back();
    closed.pop_back();
    delete w;
  }
}

void LWindow::InvalPortRect(const RectL& portRect) {
  const RectL r{std::max(0, portRect.top), std::max(0, portRect.left), std::min(mFrameSize.height, portRect.bottom),
                std::min(mFrameSize.width, portRect.right)};
  if (r.right <= r.left || r.bottom <= r.top) return;
  StKxRegion add;
  KxRectRgnL(add, r);
  UnionRgn(mUpdateRgn.get(), add, mUpdateRgn.get());
  Rect narrow;
  KxSetRect(narrow, r);
  if (mHostWindow != kKxNoWindow) KxCurrentHost().InvalidateWindow(mHostWindow, narrow);
}

void LWindow::InvalPortRgn(RgnHandle portRgn) {
  for (const RectL& r : KxRegionRects(portRgn)) InvalPortRect(r);
}

void LWindow::ValidPortRect(const RectL& portRect) {
  StKxRegion valid;
  KxRectRgnL(valid, portRect);
  DiffRgn(mUpdateRgn.get(), valid, mUpdateRgn.get());
}

bool LWindow::GetPendingUpdate(RgnHandle out) const {
  CopyRgn(mUpdateRgn.get(), out);
  return true;
}

void LWindow::UpdatePort() {
  if (EmptyRgn(mUpdateRgn.get())) return;
  StKxRegion area;
  CopyRgn(mUpdateRgn.get(), area);
  SetEmptyRgn(mUpdateRgn.get());
  StKxPortSaver saver;
  Draw(area);
  OutOfFocus(nullptr);
}

void LWindow::ApplyForeAndBackColors() const {
  RGBForeColor(&UKXColor::sBlackColor);
  RGBBackColor(&UKXColor::sWhiteColor);
}

void LWindow::DrawSelf() {
  ApplyForeAndBackColors();
  RectL frame;
  CalcLocalFrameRect(frame);
  Rect r;
  KxSetRect(r, frame);
  EraseRect(&r);
}

SPoint32 LWindow::GlobalToPortPoint(Point global) const {
  const Rect bounds = GetGlobalBounds();
  return SPoint32{std::int32_t(global.h) - bounds.left, std::int32_t(global.v) - bounds.top};
}

void LWindow::AdjustCursor(const EventRecord& event) {
  const SPoint32 pt = GlobalToPortPoint(event.where);
  if (Contains(pt.h, pt.v)) AdjustMouse(pt, event);
}

void LWindow::HostActivate(bool active) {
  if (active) {
    // Panes are built active inside a window that is not active yet: on the
    // first activation they are brought in line first, so that it reaches
    // each of them (a text view's engine starts inactive and takes no
    // clicks until its view's ActivateSelf).
    if (!mActive)
      for (LPane* sub : GetSubPanes()) sub->Deactivate();
    Activate();
  } else {
    Deactivate();
  }
}

void LWindow::ActivateSelf() {
  if (!mFloating) RestoreTarget();
  // Panes inside keep their own flags, so only a redraw of the whole window
  // shows them active (a window drawn before its first activation would
  // otherwise keep its controls dimmed).
  Refresh();
}

void LWindow::DeactivateSelf() {
  // The target leaves the window; it comes back as the latent sub-commander.
  if (!mFloating && IsOnDuty() && GetSuperCommander()) SwitchTarget(GetSuperCommander());
  Refresh();
}

void LWindow::HostUpdate(const Rect& area) {
  if (area.right > area.left && area.bottom > area.top) {
    StKxRegion add;
    RectRgn(add, &area);
    UnionRgn(mUpdateRgn.get(), add, mUpdateRgn.get());
  }
  UpdatePort();
}

bool LWindow::HostMouseDown(const EventRecord& event) {
  SMouseDownEvent down{event, GlobalToPortPoint(event.where), {0, 0}};
  down.whereLocal = down.wherePort;
  Click(down);
  return true;
}

void LWindow::HostMouseUp(const EventRecord& event) {
  LPane* pane = GetLastPaneClicked();
  if (pane && FetchWindowOf(pane) == this) pane->EventMouseUp(event);
}

void LWindow::HostResized(const Rect& globalBounds) {
  const Rect held = HoldToMinMax(globalBounds);
  if (!SameRect(held, globalBounds)) KxCurrentHost().SetWindowBounds(mHostWindow, held);
  SetContentSize(Width(held), Height(held));
}

void LWindow::HostAttemptClose() { AttemptClose(); }

namespace {
LWindow::WheelHook& WheelHookSlot() {
  static LWindow::WheelHook hook;
  return hook;
}
}  // namespace

void LWindow::SetWheelHook(WheelHook hook) { WheelHookSlot() = std::move(hook); }

void LWindow::HostWheel(const EventRecord& event) {
  if (WheelHookSlot()) WheelHookSlot()(this, event);
}

namespace {
LWindow::DropHook& DropHookSlot() {
  static LWindow::DropHook hook;
  return hook;
}
}  // namespace

void LWindow::SetDropHook(DropHook hook) { DropHookSlot() = std::move(hook); }

bool LWindow::HostDrop(const KxDragData& data, Point where) {
  return DropHookSlot() && DropHookSlot()(this, data, where);
}
