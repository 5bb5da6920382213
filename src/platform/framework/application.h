// The application: the top commander and the event loop. It takes events
// from the host, turns menu choices and command-key equivalents into
// commands for the target, hands other keys to the target, routes window
// events to the windows' owners, and gives idle time to the idlers.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/framework/commander.h"
#include "platform/framework/menu.h"
#include "platform/host/host.h"

// The event wait in ticks: normally, and while the mouse is held in one of
// the program's views or a dialog of the program is open.
constexpr std::uint32_t kKxNormalSleepTicks = 12;
constexpr std::uint32_t kKxFastSleepTicks = 3;

class LApplication : public LCommander {
 public:
  LApplication();
  ~LApplication() override;

  // The application object, or null.
  static LApplication* GetApplication() { return sApplication; }

  // Builds the menu bar, initialises, then processes events until quit (or
  // until the host has nothing more to give).
  void Run();
  // One turn of the loop: an event, or idle time. Also the primitive of
  // nested loops (modal dialogs). Errors of a turn end there.
  void ProcessNextEvent();
  virtual void DispatchEvent(const EventRecord& event);

  void SendQuit() { mRunning = false; }
  bool IsRunning() const { return mRunning; }

  // The normal event wait; SetFastWait chooses the short one.
  void SetSleepTime(std::uint32_t ticks) { mSleepTime = ticks; }
  std::uint32_t GetSleepTime() const;
  void SetFastWait(bool fast) { mSleepTime = fast ? kKxFastSleepTicks : kKxNormalSleepTicks; }

  LMenuBar* GetMenuBar() const { return mMenuBar.get(); }
  // Refreshes the menus from the target chain now.
  virtual void UpdateMenus();

 protected:
  virtual void MakeMenuBar();
  virtual void Initialize() {}
  virtual void EventKeyDown(const EventRecord& event);
  virtual void EventAutoKey(const EventRecord& event) { EventKeyDown(event); }
  virtual void EventMouseDown(const EventRecord& event);
  virtual void EventMouseUp(const EventRecord& event);
  virtual void EventActivate(const EventRecord& event);
  virtual void EventWheel(const EventRecord& event);
  virtual void EventMenuChoice(std::int16_t menuID, std::int16_t item);
  virtual void UseIdleTime(const EventRecord& event);
  // Between events, the window under the mouse sets the cursor for what a
  // press there would do (an I-beam over text, the drag cursor over a
  // selection); only when the mouse or the window's contents may have
  // changed since, and never while the button is down.
  virtual void AdjustCursor(const EventRecord& event);
  // The commander that menu statuses and menu choices go to: the target.
  virtual LCommander* MenuTarget() { return GetTarget(); }

  std::unique_ptr<LMenuBar> mMenuBar;

 private:
  // Sends a command found in the menus to the target.
  void ProcessMenuCommand(std::int16_t menuID, std::int16_t item);

  static LApplication* sApplication;
  std::uint32_t mSleepTime = kKxNormalSleepTicks;
  bool mRunning = false;
  bool mMouseHeldInView = false;   // fast wait until the button is up
  KxWindowID mFloatPressed = kKxNoWindow;   // a floating window took the press
  Point mCursorWhere{-32768, -32768};   // where the cursor was last adjusted
  bool mCursorStale = true;             // an event came since
};
