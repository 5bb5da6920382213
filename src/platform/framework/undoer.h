// The framework's single-step undoer: an attachment of a commander (a
// window, a dialog) that keeps the last posted action and answers the undo
// command by undoing or redoing it. The multi-level undoer derives from it.
#pragma once

#include "platform/framework/attachment.h"
#include "platform/framework/commander.h"

class LAction;

// String lists of the undo and redo menu texts; item 1 is the text shown
// when there is nothing to redo (list 150) or to undo (list 151).
constexpr std::int16_t kKxRedoStringsID = 150;
constexpr std::int16_t kKxUndoStringsID = 151;
constexpr std::int16_t kKxNothingToDoIndex = 1;

class LUndoer : public LAttachment {
 public:
  LUndoer();
  ~LUndoer() override;   // finalises and deletes the kept action

  // Takes ownership of `action` (which may be null: forget the last one).
  virtual void PostAction(LAction* action);
  virtual void FindUndoStatus(SCommandStatus* status);
  virtual void UndoAction();
  virtual void RedoAction();
  virtual void FindRedoStatus(SCommandStatus* status);
  // Undoes a done action, redoes an undone one.
  virtual void ToggleAction();

 protected:
  void ExecuteSelf(MessageT message, void* param) override;

  LAction* mAction = nullptr;   // owned
};

// Finalises and deletes an action that its holder lets go of; Finalize's
// own failures are dropped so that the delete always happens.
void KxDeleteAction(LAction* action) noexcept;
