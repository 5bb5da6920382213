// Dialogs: a window built from a layout whose controls it listens to, the
// modal loop over it, and alerts with parameter texts.
#pragma once

#include <string>

#include "platform/framework/broadcaster.h"
#include "platform/framework/control.h"
#include "platform/framework/window.h"

class LDialogBox : public LWindow, public LListener {
 public:
  // attributes besides the window's: default and cancel (button pane IDs).
  explicit LDialogBox(const KxLayoutPaneRecord& record);

  // The button that Return and Enter press (0: none); it gets the
  // heavier outline.
  void SetDefaultButton(PaneIDT id);
  PaneIDT GetDefaultButton() const { return mDefaultButtonID; }
  // The button that Escape and command-period press.
  void SetCancelButton(PaneIDT id) { mCancelButtonID = id; }
  PaneIDT GetCancelButton() const { return mCancelButtonID; }

  // Messages of the controls go up the commander chain as commands.
  void ListenToMessage(MessageT message, void* param) override;
  bool HandleKeyPress(const EventRecord& event) override;
  void ApplyForeAndBackColors() const override;

 protected:
  void FinishCreateSelf() override;

 private:
  bool PressButton(PaneIDT id);

  PaneIDT mDefaultButtonID = 0;
  PaneIDT mCancelButtonID = 0;
};

// The modal loop: builds the dialog of a layout under itself, listens to
// every control in it, and DoDialog processes one event at a time,
// answering the message of the control that was hit (0 while none was).
// Only the dialog takes clicks; clicks elsewhere beep. When a scripted host
// has nothing more to give, DoDialog answers msg_Cancel so that no loop
// waits forever.
class StDialogHandler : public LCommander, public LListener {
 public:
  StDialogHandler(ResIDT layoutID, LCommander* super);
  ~StDialogHandler() override;

  LWindow* GetDialog() const { return mDialog; }
  MessageT DoDialog();
  void ListenToMessage(MessageT message, void* param) override;

 protected:
  virtual void DispatchEvent(const EventRecord& event);

 private:
  LWindow* mDialog = nullptr;
  MessageT mMessage = msg_Nothing;
};

// Parameter texts ^0 .. ^3 of the next alerts (length-prefixed; null for
// none).
void ParamText(ConstStringPtr p0, ConstStringPtr p1, ConstStringPtr p2, ConstStringPtr p3);
// An alert's text with the parameter texts put in.
std::string KxAlertText(ResIDT alertID);

// Alerts from layouts: the window record's text attribute is the message
// (with ^0 .. ^3), shown by the host. The answer: 1 for OK, 2 for cancel.
class UModalAlerts {
 public:
  static std::int16_t Alert(ResIDT alertID);
  static std::int16_t StopAlert(ResIDT alertID);
  static std::int16_t CautionAlert(ResIDT alertID);
  static std::int16_t NoteAlert(ResIDT alertID);
};
constexpr std::int16_t kKxAlertOK = 1;
constexpr std::int16_t kKxAlertCancel = 2;
