// Undoable actions. An action is created done or not done; Undo and Redo
// flip it and call the subclass's UndoSelf and RedoSelf. Its menu name is an
// item of a string list.
//
// Ownership: whoever created an action hands it to PostAction and from then
// on exactly one holder owns it (an undoer, or the top commander, which runs
// and deletes it). Nothing else deletes a posted action.
#pragma once

#include <cstdint>

#include "platform/types.h"

class LAction {
 public:
  // `stringListID`/`stringIndex` name the action in menus.
  LAction(std::int16_t stringListID = 0, std::int16_t stringIndex = 0, bool alreadyDone = false);
  virtual ~LAction() = default;
  LAction(const LAction&) = delete;
  LAction& operator=(const LAction&) = delete;

  // Each changes the done state only when its Self part returned normally:
  // an action whose undo throws is still done.
  virtual void Undo();
  virtual void Redo();
  virtual bool CanUndo() const { return mIsDone; }
  virtual bool CanRedo() const { return !mIsDone; }
  bool IsDone() const { return mIsDone; }
  // A postable action goes on the undo history; one that is not runs once.
  virtual bool IsPostable() const { return true; }
  // Called once before the action is deleted by its holder.
  virtual void Finalize() {}

  // The menu names for redo and undo (both the action's name item).
  virtual void GetDescription(Str255 outRedoString, Str255 outUndoString) const;

  // A number no other action of this run has had: unlike the address, it
  // is never reused, so caches can be keyed by it.
  std::uint64_t GetSerial() const { return mSerial; }

 protected:
  virtual void UndoSelf() {}
  virtual void RedoSelf() {}

  std::int16_t mStringListID;
  std::int16_t mStringIndex;
  bool mIsDone;

 private:
  std::uint64_t mSerial;
};
