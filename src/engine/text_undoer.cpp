#include "engine/text_undoer.h"

#include <utility>

#include "engine/text_action.h"
#include "engine/text_layer.h"
#include "platform/framework/menu.h"

namespace {
struct NameEntry {
  short first, last;
  std::int16_t list, index;
};
// Action types (done and undone alike) and the string item naming them.
constexpr NameEntry kNames[] = {
    {1, 2, 150, 3},    {3, 4, 150, 4},    {5, 6, 150, 5},    {7, 8, 150, 6},    {9, 10, 150, 8},
    {11, 14, 150, 7},  {15, 16, 152, 3},  {17, 18, 152, 1},  {19, 20, 152, 2},  {21, 22, 156, 10},
    {23, 24, 156, 1},  {25, 26, 156, 2},  {27, 28, 156, 3},  {29, 30, 156, 5},  {31, 32, 156, 6},
    {33, 34, 156, 7},  {35, 36, 156, 8},  {37, 38, 156, 9},  {39, 40, 156, 3},  {41, 42, 162, 1},
    {43, 44, 162, 2},  {45, 46, 162, 3},  {47, 48, 162, 4},  {49, 50, 162, 5},  {51, 52, 162, 6},
    {53, 54, 162, 7},  {55, 56, 156, 11}, {61, 62, 160, 1},  {63, 64, 160, 2},  {65, 66, 160, 5},
    {67, 68, 160, 6},  {69, 70, 160, 4},  {71, 72, 160, 3},  {73, 74, 160, 7},  {75, 76, 160, 8},
};
constexpr std::int16_t kEditMenuID = 130;
constexpr std::int16_t kRedoItem = 2;
constexpr std::uint16_t kShiftModifier = 0x0200;
}  // namespace

void KxActionName(short actionType, std::int16_t& listID, std::int16_t& index) {
  for (const NameEntry& e : kNames)
    if (actionType >= e.first && actionType <= e.last) {
      listID = e.list;
      index = e.index;
      return;
    }
  listID = 150;
  index = 2;
}

// ---- the post action -----------------------------------------------------------------------------------

CKXTextPostAction::CKXTextPostAction(CKXTextAction* action, std::int16_t listID, std::int16_t index,
                                     bool alreadyDone, KXLayerLink link)
    : LAction(listID, index, alreadyDone), mAction(action), mLink(std::move(link)) {}

CKXTextPostAction::~CKXTextPostAction() {
  Detach();
  delete mAction;
}

void CKXTextPostAction::Finalize() { Detach(); }

CKXTextLayer* CKXTextPostAction::GetTextLayer() const { return mLink ? mLink->layer : nullptr; }

void CKXTextPostAction::Detach() {
  CKXTextLayer* layer = GetTextLayer();
  if (layer && mAction && layer->GetAction() == mAction) layer->SetAction(nullptr);
}

void CKXTextPostAction::UndoRedoSelf() {
  // The text this action edited is gone with its engine: nothing to swap.
  if (mAction && GetTextLayer()) mAction->UndoRedoAction();
}

// ---- the window undoer -------------------------------------------------------------------------------------

CKXTextLayer* CKXTextUndoer::GetTextLayer(LAction* action) {
  auto* post = dynamic_cast<CKXTextPostAction*>(action);
  return post ? post->GetTextLayer() : nullptr;
}

void CKXTextUndoer::AdjustTextAction(CKXTextLayer* layer) {
  if (!layer) return;
  auto* post = dynamic_cast<CKXTextPostAction*>(GetUndoAction());
  // Another layer's action on top is no action of this layer.
  layer->SetAction(post && post->GetTextLayer() == layer ? post->GetTextAction() : nullptr);
}

void CKXTextUndoer::UndoAction() {
  LAction* top = GetUndoAction();
  if (!top || !top->CanUndo()) return;
  CKXTextLayer* layer = GetTextLayer(top);
  CKXUndoer::UndoAction();
  AdjustTextAction(layer);
}

void CKXTextUndoer::RedoAction() {
  LAction* top = GetRedoAction();
  if (!top || !top->CanRedo()) return;
  CKXTextLayer* layer = GetTextLayer(top);
  CKXUndoer::RedoAction();
  AdjustTextAction(layer);
}

namespace {
KxRedoKeySetter gRedoKeySetter = nullptr;
}  // namespace

void KxSetRedoKeySetter(KxRedoKeySetter setter) { gRedoKeySetter = setter; }

void CKXTextUndoer::FindRedoStatus(SCommandStatus* status) {
  CKXUndoer::FindRedoStatus(status);
  LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  LMenu* menu = bar ? bar->FetchMenu(kEditMenuID) : nullptr;
  const KxMenuItem* item = menu ? menu->GetItem(kRedoItem) : nullptr;
  if (!item) return;
  // The key of the redo command, remembered while the item goes without.
  static std::uint8_t sRedoKey = 'Z';
  static std::uint16_t sRedoModifiers = kShiftModifier;
  const bool enabled = *status->enabled;
  if (item->key != 0 && !enabled) {
    sRedoKey = item->key;
    sRedoModifiers = item->modifiers;
    menu->SetKey(kRedoItem, 0, 0);
  } else if (item->key == 0 && enabled) {
    // The user's key, which may be none: one the user took away stays away.
    if (gRedoKeySetter)
      gRedoKeySetter(*menu, kRedoItem);
    else
      menu->SetKey(kRedoItem, sRedoKey, sRedoModifiers);
  }
}
