// The multi-level undoer of document windows: every posted action goes on
// an undo stack, every undone one on a redo stack, with no depth limit.
// It answers the undo command (11), the redo commands (28, 1102), their
// status, and the post message.
//
// Ownership: the undoer owns every action on its stacks; an action is on
// at most one of them, once. Undo and redo are all-or-nothing: an action
// whose Undo or Redo throws stays where it was.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/framework/undoer.h"

class CKXUndoer : public LUndoer {
 public:
  CKXUndoer() = default;
  ~CKXUndoer() override;   // clears both stacks, finalising each action

  // Null clears the whole history.
  void PostAction(LAction* action) override;
  void FindUndoStatus(SCommandStatus* status) override;
  void UndoAction() override;
  void RedoAction() override;
  void FindRedoStatus(SCommandStatus* status) override;

  // The tops of the stacks (null when empty).
  LAction* GetUndoAction() const { return mUndoStack.empty() ? nullptr : mUndoStack.back(); }
  LAction* GetRedoAction() const { return mRedoStack.empty() ? nullptr : mRedoStack.back(); }
  std::size_t CountUndo() const { return mUndoStack.size(); }
  std::size_t CountRedo() const { return mRedoStack.size(); }
  // Whether the action is held on either stack.
  bool Holds(const LAction* action) const;

 protected:
  void ExecuteSelf(MessageT message, void* param) override;

 private:
  // The menu text built for one action and one stack count; keyed by the
  // action's serial number, which, unlike its address, is never reused.
  struct MenuTextCache {
    std::uint64_t serial = 0;
    std::size_t count = 0;
    Str255 text{};
  };
  static void FindStatus(SCommandStatus* status, const std::vector<LAction*>& stack, bool undo,
                         MenuTextCache& cache, std::int16_t emptyListID);
  static void ClearStack(std::vector<LAction*>& stack) noexcept;

  std::vector<LAction*> mUndoStack;   // owned; the top is the back
  std::vector<LAction*> mRedoStack;   // owned; the top is the back
  MenuTextCache mUndoText;
  MenuTextCache mRedoText;
};

// The menu text of an action: its description followed directly by the
// decimal count, the description cut (at a character boundary of the
// program's Japanese encoding) so that both fit in 255 bytes.
void KxUndoMenuText(const unsigned char* description, std::size_t count, Str255 out);
