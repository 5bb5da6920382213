#include "platform/framework/multi_level_undoer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "platform/framework/action.h"
#include "platform/framework/action_group.h"
#include "platform/resources.h"
#include "platform/script.h"

namespace {
constexpr std::size_t kMaxStringBytes = 255;
}

void KxUndoMenuText(const unsigned char* description, std::size_t count, Str255 out) {
  const std::string digits = std::to_string(count);
  std::size_t n = std::min<std::size_t>(description[0], kMaxStringBytes - digits.size());
  // A cut must not leave the first byte of a double-byte character behind.
  if (n < description[0] && n > 0 &&
      CharacterByteType(description + 1, std::int32_t(n - 1), kScriptJapanese) == kByteFirst)
    --n;
  std::memcpy(out + 1, description + 1, n);
  std::memcpy(out + 1 + n, digits.data(), digits.size());
  out[0] = static_cast<unsigned char>(n + digits.size());
}

CKXUndoer::~CKXUndoer() {
  ClearStack(mRedoStack);
  ClearStack(mUndoStack);
}

void CKXUndoer::ClearStack(std::vector<LAction*>& stack) noexcept {
  // Take the actions off first: a Finalize that posts or asks must see an
  // empty stack, never a half-deleted one.
  std::vector<LAction*> doomed;
  doomed.swap(stack);
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) KxDeleteAction(*it);
}

bool CKXUndoer::Holds(const LAction* action) const {
  return std::find(mUndoStack.begin(), mUndoStack.end(), action) != mUndoStack.end() ||
         std::find(mRedoStack.begin(), mRedoStack.end(), action) != mRedoStack.end();
}

void CKXUndoer::ExecuteSelf(MessageT message, void* param) {
  switch (message) {
    case kKxMsgCommandStatus: {
      auto* status = static_cast<SCommandStatus*>(param);
      if (status->command == kKxCmdUndo) {
        SetExecuteHost(false);
        FindUndoStatus(status);
      } else if (status->command == kKxCmdRedo || status->command == kKxCmdRedoAlias) {
        SetExecuteHost(false);
        FindRedoStatus(status);
      }
      break;
    }
    case kKxMsgPostAction:
      SetExecuteHost(false);
      PostAction(static_cast<LAction*>(param));
      break;
    case kKxCmdUndo:
      SetExecuteHost(false);
      UndoAction();
      break;
    case kKxCmdRedo:
    case kKxCmdRedoAlias:
      SetExecuteHost(false);
      RedoAction();
      break;
    default:
      break;
  }
}

void CKXUndoer::PostAction(LAction* action) {
  // The same action posted again already has its owner: keeping it twice
  // would delete it twice.
  if (action && Holds(action)) return;
  if (action && !action->IsPostable()) {
    // It runs once and is gone; the history, redo side included, stays as
    // it was, since nothing was recorded that could invalidate it.
    LUndoer::PostAction(action);
    return;
  }
  std::unique_ptr<LAction, void (*)(LAction*)> owned(action, [](LAction* a) { KxDeleteAction(a); });
  // An open group on top takes what is done meanwhile: one step for all.
  auto* group = dynamic_cast<LActionGroup*>(GetUndoAction());
  if (action && group && group != action && group->IsOpen() && group->IsDone() && action->IsDone()) {
    group->Join(owned.get());
    owned.release();
    ClearStack(mRedoStack);
    return;
  }
  // Everything that can fail, before the first change.
  if (action) mUndoStack.reserve(mUndoStack.size() + 1);
  // Nothing below allocates.
  ClearStack(mRedoStack);
  if (action)
    mUndoStack.push_back(owned.release());
  else
    ClearStack(mUndoStack);
}

void CKXUndoer::UndoAction() {
  LAction* top = GetUndoAction();
  if (!top || !top->CanUndo()) return;
  mRedoStack.reserve(mRedoStack.size() + 1);
  top->Undo();   // when this throws the action stays on the undo stack
  mUndoStack.pop_back();
  mRedoStack.push_back(top);
}

void CKXUndoer::RedoAction() {
  LAction* top = GetRedoAction();
  if (!top || !top->CanRedo()) return;
  mUndoStack.reserve(mUndoStack.size() + 1);
  top->Redo();   // when this throws the action stays on the redo stack
  mRedoStack.pop_back();
  mUndoStack.push_back(top);
}

void CKXUndoer::FindStatus(SCommandStatus* status, const std::vector<LAction*>& stack, bool undo,
                           MenuTextCache& cache, std::int16_t emptyListID) {
  LAction* top = stack.empty() ? nullptr : stack.back();
  if (top && (undo ? top->CanUndo() : top->CanRedo())) {
    *status->enabled = true;
    if (cache.serial != top->GetSerial() || cache.count != stack.size()) {
      Str255 redoText, undoText;
      top->GetDescription(redoText, undoText);
      KxUndoMenuText(undo ? undoText : redoText, stack.size(), cache.text);
      cache.serial = top->GetSerial();
      cache.count = stack.size();
    }
    std::memcpy(status->name, cache.text, std::size_t(cache.text[0]) + 1);
  } else {
    *status->enabled = false;
    GetIndString(status->name, emptyListID, kKxNothingToDoIndex);
  }
}

void CKXUndoer::FindUndoStatus(SCommandStatus* status) {
  FindStatus(status, mUndoStack, true, mUndoText, kKxUndoStringsID);
}

void CKXUndoer::FindRedoStatus(SCommandStatus* status) {
  FindStatus(status, mRedoStack, false, mRedoText, kKxRedoStringsID);
}
