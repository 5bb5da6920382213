#include "platform/framework/application.h"

#include <exception>

#include "platform/framework/periodical.h"
#include "platform/framework/window.h"
#include "platform/framework/resource_uses.h"
#include "platform/host/host.h"

LApplication* LApplication::sApplication = nullptr;

LApplication::LApplication() {
  sApplication = this;
  SwitchTarget(this);
}

LApplication::~LApplication() {
  LWindow::DeleteClosedWindows();
  if (sApplication == this) sApplication = nullptr;
}

std::uint32_t LApplication::GetSleepTime() const {
  return mMouseHeldInView ? kKxFastSleepTicks : mSleepTime;
}

void LApplication::MakeMenuBar() { mMenuBar = std::make_unique<LMenuBar>(kKxMenuBarID); }

void LApplication::Run() {
  MakeMenuBar();
  Initialize();
  UpdateMenus();
  mRunning = true;
  while (mRunning && !KxCurrentHost().ShouldStop()) ProcessNextEvent();
  mRunning = false;
}

void LApplication::ProcessNextEvent() {
  EventRecord event;
  try {
    if (KxCurrentHost().WaitNextEvent(event, GetSleepTime())) {
      mCursorStale = true;
      DispatchEvent(event);
    } else {
      UseIdleTime(event);
      AdjustCursor(event);
    }
    LWindow::DeleteClosedWindows();
  } catch (const std::exception&) {
    LWindow::DeleteClosedWindows();
    // A failure that no commander caught ends with its event; the loop
    // goes on. Views report their own failures where they happen.
  }
}

void LApplication::DispatchEvent(const EventRecord& event) {
  switch (event.what) {
    case keyDown:
      EventKeyDown(event);
      break;
    case autoKey:
      EventAutoKey(event);
      break;
    case mouseDown:
      EventMouseDown(event);
      break;
    case mouseUp:
      EventMouseUp(event);
      break;
    case activateEvt:
      EventActivate(event);
      break;
    case updateEvt:
      if (KxWindowClient* client = KxCurrentHost().GetWindowClient(event.message)) client->HostUpdate(Rect{0, 0, 0, 0});
      break;
    case kKxWheelEvt:
      EventWheel(event);
      break;
    case kKxMenuChoiceEvt:
      EventMenuChoice(std::int16_t(event.message >> 16), std::int16_t(event.message & 0xFFFF));
      break;
    default:
      break;
  }
}

void LApplication::EventKeyDown(const EventRecord& event) {
  if ((event.modifiers & kKxEventCommandKey) && mMenuBar) {
    // The enabling must be current before a key chooses an item: typing or
    // posting may have changed it since the last refresh.
    UpdateMenus();
    std::int16_t menuID = 0, item = 0;
    if (mMenuBar->FindKeyCommand(KxEventChar(event), event.modifiers, menuID, item)) {
      // A disabled item's key does nothing; it is not typed either.
      if (const LMenu* menu = mMenuBar->FetchMenu(menuID); menu && menu->IsItemEnabled(item))
        ProcessMenuCommand(menuID, item);
      return;
    }
  }
  if (LCommander* target = GetTarget()) target->ProcessKeyPress(event);
}

void LApplication::EventMenuChoice(std::int16_t menuID, std::int16_t item) {
  if (mMenuBar) ProcessMenuCommand(menuID, item);
}

void LApplication::ProcessMenuCommand(std::int16_t menuID, std::int16_t item) {
  const CommandT command = mMenuBar->FindCommand(menuID, item);
  if (command == kKxCmdNothing) return;
  sUpdateCommandStatus = true;
  std::int32_t choice = (std::int32_t(menuID) << 16) | std::uint16_t(item);
  if (LCommander* target = MenuTarget()) target->ProcessCommand(command, &choice);
}

void LApplication::EventMouseDown(const EventRecord& event) {
  KxHost& host = KxCurrentHost();
  const KxWindowID window = host.FindWindow(event.where);
  if (window == kKxNoWindow) return;
  // A floating window takes its clicks where it stands and leaves the
  // front window and the target as they are.
  mFloatPressed = host.IsFloatingWindow(window) || host.IsUtilityWindow(window) ? window : kKxNoWindow;
  if (window != host.FrontWindow() && mFloatPressed == kKxNoWindow) {
    host.SelectWindow(window);   // a click in a back window only brings it forward
    return;
  }
  if (KxWindowClient* client = host.GetWindowClient(window)) mMouseHeldInView = client->HostMouseDown(event);
}

void LApplication::EventMouseUp(const EventRecord& event) {
  mMouseHeldInView = false;
  KxHost& host = KxCurrentHost();
  const KxWindowID window = mFloatPressed != kKxNoWindow ? mFloatPressed : host.FrontWindow();
  mFloatPressed = kKxNoWindow;
  if (KxWindowClient* client = host.GetWindowClient(window)) client->HostMouseUp(event);
}

void LApplication::EventWheel(const EventRecord& event) {
  // The wheel scrolls the window under the pointer, front or not.
  KxHost& host = KxCurrentHost();
  if (KxWindowClient* client = host.GetWindowClient(host.FindWindow(event.where))) client->HostWheel(event);
}

void LApplication::EventActivate(const EventRecord& event) {
  if (KxWindowClient* client = KxCurrentHost().GetWindowClient(event.message)) {
    client->HostActivate((event.modifiers & kKxEventActiveFlag) != 0);
    sUpdateCommandStatus = true;
  }
}

void LApplication::UseIdleTime(const EventRecord& event) {
  LPeriodical::DevoteTimeToIdlers(event);
  if (sUpdateCommandStatus) UpdateMenus();
}

void LApplication::AdjustCursor(const EventRecord& event) {
  if ((event.modifiers & kKxEventButtonState) == 0) return;   // the button is down
  if (!mCursorStale && event.where.h == mCursorWhere.h && event.where.v == mCursorWhere.v) return;
  mCursorStale = false;
  mCursorWhere = event.where;
  KxHost& host = KxCurrentHost();
  if (auto* window = dynamic_cast<LWindow*>(host.GetWindowClient(host.FindWindow(event.where))))
    window->AdjustCursor(event);
}

void LApplication::UpdateMenus() {
  sUpdateCommandStatus = false;
  if (!mMenuBar) return;
  mMenuBar->UpdateMenus(MenuTarget());
  KxCurrentHost().MenuBarChanged();
}
