// Several posted actions that undo and redo as one step: while the group
// is open and on top of a multi-level undoer, the actions posted there
// join it instead of the history. Undo takes them back newest first; redo
// does them again in order.
//
// Ownership: the group owns the actions that joined it; the undoer owns
// the group. Whoever opened it learns that it is gone through Life().
#pragma once

#include <memory>
#include <vector>

#include "platform/framework/action.h"

class LActionGroup : public LAction {
 public:
  LActionGroup(std::int16_t stringListID, std::int16_t stringIndex);
  ~LActionGroup() override;

  void SetOpen(bool open) { mOpen = open; }
  bool IsOpen() const { return mOpen; }
  // Takes ownership of a done action.
  void Join(LAction* action);
  std::size_t Count() const { return mActions.size(); }
  // Expires when the group is deleted.
  std::weak_ptr<void> Life() const { return mLife; }

 protected:
  void UndoSelf() override;
  void RedoSelf() override;

 private:
  std::vector<LAction*> mActions;   // owned, oldest first
  bool mOpen = true;
  std::shared_ptr<void> mLife = std::make_shared<int>(0);
};
