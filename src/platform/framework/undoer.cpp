#include "platform/framework/undoer.h"

#include <cstring>

#include "platform/framework/action.h"
#include "platform/resources.h"

void KxDeleteAction(LAction* action) noexcept {
  if (!action) return;
  try {
    action->Finalize();
  } catch (...) {
    // Finalising only lets go of what the action kept; the delete must happen.
  }
  delete action;
}

LUndoer::LUndoer() : LAttachment(kKxMsgAnyMessage, true) {}

LUndoer::~LUndoer() { KxDeleteAction(mAction); }

void LUndoer::ExecuteSelf(MessageT message, void* param) {
  switch (message) {
    case kKxMsgCommandStatus: {
      auto* status = static_cast<SCommandStatus*>(param);
      if (status->command == kKxCmdUndo) {
        FindUndoStatus(status);
        SetExecuteHost(false);
      }
      break;
    }
    case kKxMsgPostAction:
      SetExecuteHost(false);
      PostAction(static_cast<LAction*>(param));
      break;
    case kKxCmdUndo:
      SetExecuteHost(false);
      ToggleAction();
      break;
    default:
      break;
  }
}

void LUndoer::PostAction(LAction* action) {
  if (action && !action->IsPostable()) {
    KxDisposeAction(action);   // runs once; the kept action stays
    return;
  }
  LAction* old = mAction;
  mAction = action;
  KxDeleteAction(old);
}

void LUndoer::FindUndoStatus(SCommandStatus* status) {
  Str255 redo, undo;
  if (mAction) {
    mAction->GetDescription(redo, undo);
    *status->enabled = true;
    const unsigned char* text = mAction->CanUndo() ? undo : redo;
    std::memcpy(status->name, text, std::size_t(text[0]) + 1);
  } else {
    *status->enabled = false;
    GetIndString(status->name, kKxUndoStringsID, kKxNothingToDoIndex);
  }
}

void LUndoer::UndoAction() {
  if (mAction && mAction->CanUndo()) mAction->Undo();
}

void LUndoer::RedoAction() {
  if (mAction && mAction->CanRedo()) mAction->Redo();
}

void LUndoer::FindRedoStatus(SCommandStatus* status) {
  *status->enabled = false;
  GetIndString(status->name, kKxRedoStringsID, kKxNothingToDoIndex);
}

void LUndoer::ToggleAction() {
  if (!mAction) return;
  if (mAction->CanUndo())
    UndoAction();
  else
    RedoAction();
}
