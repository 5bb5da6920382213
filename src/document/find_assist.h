// The find-assist palette: a floating window of ten buttons, each with one
// string; the first five are find strings, the last five replace strings.
// A click runs the string in the front document at once. At most one
// palette exists; it remembers its place while the program runs.
#pragma once

#include <array>
#include <string>

#include "views/dialog_box.h"

constexpr std::size_t kKxFindAssistMax = 127;   // bytes of one slot
constexpr ResIDT kKxFindAssistLayout = 3450;
constexpr PaneIDT kKxFindAssistFirstButton = 3401;

class CKXTextFindAssist : public KXDialogBox {
 public:
  explicit CKXTextFindAssist(const KxLayoutPaneRecord& record);
  ~CKXTextFindAssist() override;

  // Shows the palette (made under `commander` when there is none yet).
  static void ShowFindAssist(LCommander* commander);
  static CKXTextFindAssist* Get() { return sFindAssist; }
  // A document is closing: a palette made under it moves to the
  // application, so that nothing keeps the closed document.
  static void CommanderClosing(LCommander* closing);

  // The entry dialog's result: into the slot that opened it, and run when
  // not empty.
  void SetString(const std::string& text);
  void DoFind(const std::string& text);
  void DoReplace(const std::string& text);
  // The target runs `command` when it is enabled (recorded into a macro
  // being recorded); a disabled command beeps.
  void ExecuteCommand(long command);

  const std::string& Slot(int i) const { return mSlots.at(std::size_t(i)); }
  int CurrentSlot() const { return mCurrentSlot; }

  void ListenToMessage(MessageT message, void* param) override;
  bool HostMouseDown(const EventRecord& event) override;

  // The commander whose commands the palette's strings run.
  LCommander* CommandTarget() const;

 protected:
  void FinishCreateSelf() override;
  void ActivateSelf() override;
  void DeactivateSelf() override;

 private:
  void Click(int slot);
  void SetSlot(int slot, const std::string& text);

  std::array<std::string, 10> mSlots;
  int mCurrentSlot = 0;
  std::uint16_t mClickModifiers = 0;

  static CKXTextFindAssist* sFindAssist;
  static Rect sBounds;
};

void KxRegisterFindAssistClass();
