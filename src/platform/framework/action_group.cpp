#include "platform/framework/action_group.h"

#include "platform/framework/undoer.h"

LActionGroup::LActionGroup(std::int16_t stringListID, std::int16_t stringIndex)
    : LAction(stringListID, stringIndex, true) {}

LActionGroup::~LActionGroup() {
  for (auto it = mActions.rbegin(); it != mActions.rend(); ++it) KxDeleteAction(*it);
}

void LActionGroup::Join(LAction* action) {
  if (!action) return;
  mActions.reserve(mActions.size() + 1);
  mActions.push_back(action);
}

void LActionGroup::UndoSelf() {
  for (auto it = mActions.rbegin(); it != mActions.rend(); ++it) (*it)->Undo();
}

void LActionGroup::RedoSelf() {
  for (LAction* a : mActions) a->Redo();
}
