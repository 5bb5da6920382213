#include "platform/framework/commander.h"

#include <algorithm>
#include <memory>

#include "platform/framework/action.h"

LCommander* LCommander::sTarget = nullptr;
bool LCommander::sUpdateCommandStatus = false;

namespace {
// Synthetic commands: the menu ID in the high word, the item in the low
// word, negated. Menu IDs are positive 16-bit numbers.
constexpr std::uint32_t kSyntheticMenuShift = 16;
constexpr std::uint32_t kSyntheticItemMask = 0xFFFF;
constexpr std::uint32_t kMaxMenuID = 0x7FFF;

// The lowest commander on both chains (each chain climbs from its start).
LCommander* CommonAncestor(LCommander* a, LCommander* b) {
  for (LCommander* x = a; x; x = x->GetSuperCommander())
    if (b && b->IsOnChainOf(x)) return x;
  return nullptr;
}
}  // namespace

LCommander::LCommander(LCommander* super) {
  if (super) super->AddSub(this);
}

LCommander::~LCommander() {
  if (mOnDuty) {
    // The target is this commander or below it. Those below stay alive but
    // leave the chain; the super-commander takes over as target. Virtual
    // hooks of this commander cannot run any more.
    LCommander* oldTarget = sTarget;
    for (LCommander* c = oldTarget; c && c != this; c = c->mSuper) c->mOnDuty = false;
    mOnDuty = false;
    sTarget = mSuper;
    if (oldTarget != this && oldTarget) oldTarget->DontBeTarget();
    if (mSuper) mSuper->BeTarget();
  }
  for (LCommander* sub : mSubs) sub->mSuper = nullptr;
  mSubs.clear();
  if (mSuper) mSuper->RemoveSub(this);
}

void LCommander::AddSub(LCommander* sub) {
  sub->mSuper = this;
  mSubs.push_back(sub);
}

void LCommander::RemoveSub(LCommander* sub) {
  std::erase(mSubs, sub);
  if (mLatentSub == sub) mLatentSub = nullptr;
  sub->mSuper = nullptr;
}

void LCommander::SetSuperCommander(LCommander* super) {
  if (super == mSuper) return;
  if (mOnDuty && mSuper) SwitchTarget(mSuper);
  if (mSuper) mSuper->RemoveSub(this);
  if (super) super->AddSub(this);
}

bool LCommander::IsOnChainOf(const LCommander* other) const {
  for (const LCommander* c = this; c; c = c->mSuper)
    if (c == other) return true;
  return false;
}

bool LCommander::SwitchTarget(LCommander* newTarget) {
  LCommander* oldTarget = sTarget;
  if (newTarget == oldTarget) return true;
  LCommander* common = CommonAncestor(oldTarget, newTarget);

  // Everything that may refuse, before the first change: each commander
  // that loses its on-duty sub-commander is asked.
  for (LCommander* c = oldTarget; c && c != common; c = c->mSuper)
    if (c->mSuper && !c->mSuper->AllowSubRemoval(c)) return false;

  if (oldTarget) oldTarget->DontBeTarget();
  // Each commander leaving the chain remembers the sub-commander that was
  // on duty below it, to come back to it later.
  LCommander* below = nullptr;
  for (LCommander* c = oldTarget; c && c != common; c = c->mSuper) {
    c->mOnDuty = false;
    if (below) c->mLatentSub = below;
    below = c;
  }
  for (LCommander* c = newTarget; c && c != common; c = c->mSuper) c->mOnDuty = true;
  sTarget = newTarget;
  if (newTarget) newTarget->BeTarget();
  return true;
}

void LCommander::SetLatentSub(LCommander* sub) {
  if (!sub) {
    mLatentSub = nullptr;
    return;
  }
  if (!sub->IsOnChainOf(this) || sub == this) return;   // not below this commander
  // Each link on the way down points at the next, so RestoreTarget finds it.
  for (LCommander* x = sub; x != this; x = x->mSuper) x->mSuper->mLatentSub = x;
}

bool LCommander::RestoreTarget() {
  LCommander* c = this;
  while (c->mLatentSub && c->mLatentSub->mSuper == c && !c->mLatentSub->IsWindowCommander()) c = c->mLatentSub;
  return SwitchTarget(c);
}

bool LCommander::ProcessCommand(CommandT command, void* param) {
  if (!ExecuteAttachments(command, param)) return true;
  return ObeyCommand(command, param);
}

void LCommander::ProcessCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark,
                                      std::uint16_t& mark, Str255 name) {
  SCommandStatus status{command, &enabled, &usesMark, &mark, name};
  if (ExecuteAttachments(kKxMsgCommandStatus, &status))
    FindCommandStatus(command, enabled, usesMark, mark, name);
}

bool LCommander::ProcessKeyPress(const EventRecord& event) {
  if (!ExecuteAttachments(kKxMsgKeyPress, const_cast<EventRecord*>(&event))) return true;
  return HandleKeyPress(event);
}

bool LCommander::ObeyCommand(CommandT command, void* param) {
  return mSuper ? mSuper->ProcessCommand(command, param) : false;
}

void LCommander::FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark,
                                   std::uint16_t& mark, Str255 name) {
  if (mSuper)
    mSuper->ProcessCommandStatus(command, enabled, usesMark, mark, name);
  else
    enabled = false;
}

bool LCommander::HandleKeyPress(const EventRecord& event) {
  return mSuper ? mSuper->ProcessKeyPress(event) : false;
}

bool LCommander::AllowSubRemoval(LCommander*) { return true; }

void LCommander::PostAction(LAction* action) {
  // An attachment that answers the post message owns the action from then on.
  if (!ExecuteAttachments(kKxMsgPostAction, action)) return;
  if (mSuper)
    mSuper->PostAction(action);
  else
    KxDisposeAction(action);
}

void LCommander::PostAnAction(LAction* action) {
  if (sTarget)
    sTarget->PostAction(action);
  else
    KxDisposeAction(action);
}

CommandT LCommander::SyntheticCommandForMenuItem(std::int16_t menuID, std::int16_t item) {
  if (menuID <= 0) return kKxCmdNothing;
  const std::uint32_t code = (std::uint32_t(std::uint16_t(menuID)) << kSyntheticMenuShift) |
                             std::uint16_t(item);
  return -CommandT(code);
}

bool LCommander::IsSyntheticCommand(CommandT command, std::int16_t& menuID, std::int16_t& item) {
  if (command >= 0) return false;
  // Negate in unsigned arithmetic: the lowest value has no positive twin.
  const std::uint32_t code = 0u - std::uint32_t(command);
  const std::uint32_t menu = code >> kSyntheticMenuShift;
  if (menu == 0 || menu > kMaxMenuID) return false;   // dialog messages have no menu part
  menuID = std::int16_t(menu);
  item = std::int16_t(code & kSyntheticItemMask);
  return true;
}

void KxDisposeAction(LAction* action) {
  if (!action) return;
  std::unique_ptr<LAction> owned(action);
  struct Finalizer {
    LAction* a;
    ~Finalizer() {
      try {
        a->Finalize();
      } catch (...) {
        // Finalising only lets go of what the action kept; nothing to report.
      }
    }
  } finalize{action};
  if (action->CanRedo()) action->Redo();
}
