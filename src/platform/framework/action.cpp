#include "platform/framework/action.h"

#include <cstring>

#include "platform/resources.h"

namespace {
std::uint64_t gNextActionSerial = 1;
}

LAction::LAction(std::int16_t stringListID, std::int16_t stringIndex, bool alreadyDone)
    : mStringListID(stringListID), mStringIndex(stringIndex), mIsDone(alreadyDone),
      mSerial(gNextActionSerial++) {}

void LAction::Undo() {
  if (!CanUndo()) return;
  UndoSelf();
  mIsDone = false;
}

void LAction::Redo() {
  if (!CanRedo()) return;
  RedoSelf();
  mIsDone = true;
}

void LAction::GetDescription(Str255 outRedoString, Str255 outUndoString) const {
  GetIndString(outUndoString, mStringListID, mStringIndex);
  std::memcpy(outRedoString, outUndoString, std::size_t(outUndoString[0]) + 1);
}
