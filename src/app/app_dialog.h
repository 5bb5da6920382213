// The application's modeless dialogs: a window built from a layout under
// the application, whose controls send their messages up to it as
// commands. The dialog-open state is held for exactly as long as the
// window lives, however it ends (its buttons, the close box, quit).
#pragma once

#include <cstdint>
#include <string>

#include "platform/framework/window.h"

class KXDialogBox;
class LPane;

class KxModelessDialog {
 public:
  KxModelessDialog() = default;
  ~KxModelessDialog();
  KxModelessDialog(const KxModelessDialog&) = delete;
  KxModelessDialog& operator=(const KxModelessDialog&) = delete;

  // Builds layout `layoutID` under `super`, gives its fields undo, holds
  // the dialog-open state; false (nothing open) when it cannot be built.
  bool Open(ResIDT layoutID, LCommander* super);
  bool IsOpen() const { return mWindow != nullptr; }
  KXDialogBox* Window() const { return mWindow; }
  // Shows the window in front (once its controls are filled).
  void Show();
  // Ends the dialog now: the open state is cleared at once; the window
  // goes once the event that closed it has been handled, since the control
  // that sent the message is still on the stack.
  void Close();

  // Pane helpers; a missing pane reads as 0 or empty and takes nothing.
  LPane* Pane(std::int32_t id) const;
  std::int32_t Value(std::int32_t id) const;
  void SetValue(std::int32_t id, std::int32_t value) const;
  // The text of a field or caption as its Shift_JIS bytes.
  std::string Text(std::int32_t id) const;
  void SetText(std::int32_t id, const std::string& sjis) const;
  void Enable(std::int32_t id, bool on) const;

  // Deletes the windows of closed dialogs; the application calls it
  // between events. Quit closes every open dialog.
  static void DeleteClosed();
  static void CloseAll();

 private:
  class Life;
  friend class Life;
  KXDialogBox* mWindow = nullptr;
  Life* mLife = nullptr;
};
