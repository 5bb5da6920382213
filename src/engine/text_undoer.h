// Multi-level undo of texts: each action of a text engine travels to the
// window's undoer wrapped in a CKXTextPostAction, and the window's
// CKXTextUndoer keeps the engine's current action (the one that typing
// joins) equal to the newest of its actions still in effect.
//
// Ownership: the post action owns the wrapped text action, the undoer owns
// the post action. The layer only points at its current action; a post
// action that dies clears that pointer when it still names its action. An
// engine may die before the window that keeps its history: the post action
// then knows (through a shared link the engine cuts) and does nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/framework/action.h"
#include "platform/framework/multi_level_undoer.h"

class CKXTextAction;
class CKXTextLayer;
class LMenu;

// The live link between posted actions and their layer; the layer's owner
// sets `layer` null when the layer goes.
struct SKXLayerLink {
  CKXTextLayer* layer = nullptr;
};
using KXLayerLink = std::shared_ptr<SKXLayerLink>;

// The menu name of an action type: a string list and an item.
void KxActionName(short actionType, std::int16_t& listID, std::int16_t& index);

class CKXTextPostAction : public LAction {
 public:
  // Takes ownership of `action` (which may be null).
  CKXTextPostAction(CKXTextAction* action, std::int16_t listID, std::int16_t index, bool alreadyDone,
                    KXLayerLink link);
  ~CKXTextPostAction() override;

  void Finalize() override;
  CKXTextAction* GetTextAction() const { return mAction; }
  // The layer of the wrapped action; null when it is gone.
  CKXTextLayer* GetTextLayer() const;

 protected:
  void UndoSelf() override { UndoRedoSelf(); }
  void RedoSelf() override { UndoRedoSelf(); }
  virtual void UndoRedoSelf();

 private:
  // Clears the layer's pointer when it names the wrapped action.
  void Detach();

  CKXTextAction* mAction;   // owned
  KXLayerLink mLink;
};

// Puts the user's key for redo (command 28) on the redo item; set by the
// program, which keeps the user's keys. Without it the key the item last
// carried comes back.
using KxRedoKeySetter = void (*)(LMenu& menu, std::int16_t item);
void KxSetRedoKeySetter(KxRedoKeySetter setter);

class CKXTextUndoer : public CKXUndoer {
 public:
  CKXTextUndoer() = default;

  void UndoAction() override;
  void RedoAction() override;
  // The redo item's command key follows whether redo is possible.
  void FindRedoStatus(SCommandStatus* status) override;

  // The layer of a text post action, else null.
  static CKXTextLayer* GetTextLayer(LAction* action);
  // The layer's current action becomes the wrapped action on top of the
  // undo stack, or null when that is no text post action of this layer.
  void AdjustTextAction(CKXTextLayer* layer);
};
