// Commanders: the chain of objects that receive commands and keys. One
// commander is the target; commands and keys go to it and climb through the
// super-commanders until one handles them. Each commander on the chain from
// the target up is "on duty"; a commander that is not on the chain may keep
// a latent sub-commander, the one that becomes the target when it next is.
//
// Commanders do not own their sub-commanders: panes, windows and documents
// are owned elsewhere, and a commander that dies only unlinks itself.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/framework/attachment.h"
#include "platform/framework/events.h"
#include "platform/types.h"

class LAction;

using CommandT = std::int32_t;

// Messages that commanders send to their attachments.
constexpr MessageT kKxMsgKeyPress = 812;       // param: const EventRecord*
constexpr MessageT kKxMsgCommandStatus = 815;  // param: SCommandStatus*
constexpr MessageT kKxMsgPostAction = 816;     // param: LAction* (ownership passes)

// Commands the framework itself knows.
constexpr CommandT kKxCmdNothing = 0;
constexpr CommandT kKxCmdUndo = 11;
// Editing commands.
constexpr CommandT kKxCmdCut = 12;
constexpr CommandT kKxCmdCopy = 13;
constexpr CommandT kKxCmdPaste = 14;
constexpr CommandT kKxCmdClear = 15;
constexpr CommandT kKxCmdSelectAll = 16;
constexpr CommandT kKxCmdRedo = 28;
constexpr CommandT kKxCmdRedoAlias = 1102;   // the program's own number for redo

// Command status as attachments see it: the command and where the answers go.
struct SCommandStatus {
  CommandT command;
  Boolean* enabled;
  Boolean* usesMark;
  std::uint16_t* mark;
  StringPtr name;   // Str255; left empty when the menu text stays
};

// Menu marks.
constexpr std::uint16_t kKxNoMark = 0;
constexpr std::uint16_t kKxCheckMark = 18;

class LCommander : public virtual LAttachable {
 public:
  explicit LCommander(LCommander* super = nullptr);
  ~LCommander() override;
  LCommander(const LCommander&) = delete;
  LCommander& operator=(const LCommander&) = delete;

  LCommander* GetSuperCommander() const { return mSuper; }
  // Moves this commander (and its subtree) under a new super; when it was on
  // duty the target moves to the old super first.
  void SetSuperCommander(LCommander* super);
  const std::vector<LCommander*>& GetSubCommanders() const { return mSubs; }
  bool IsOnDuty() const { return mOnDuty; }
  // True when `other` is this commander or one of its super-commanders.
  bool IsOnChainOf(const LCommander* other) const;

  // The target, or null.
  static LCommander* GetTarget() { return sTarget; }
  // Makes `newTarget` the target: DontBeTarget on the commanders that leave
  // the chain (the old target first, climbing), then BeTarget on those that
  // join it (the highest first, the new target last). False when a
  // commander on the old chain refuses to let go of its sub-commander.
  static bool SwitchTarget(LCommander* newTarget);

  // The latent sub-commander: the one to restore when this commander next
  // becomes (part of) the target chain.
  void SetLatentSub(LCommander* sub);
  LCommander* GetLatentSub() const { return mLatentSub; }
  // Makes the deepest latent sub-commander below this one the target (this
  // one when there is none). Windows call it when they are activated. The
  // walk stops above another window (a palette made under a view): that
  // one takes the target only when it is activated itself.
  bool RestoreTarget();
  // Whether this commander is a window, which the host activates on its own.
  virtual bool IsWindowCommander() const { return false; }

  // Commands: attachments first (an attachment can answer instead), then
  // ObeyCommand. True when someone handled the command.
  bool ProcessCommand(CommandT command, void* param = nullptr);
  void ProcessCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark,
                            std::uint16_t& mark, Str255 name);
  bool ProcessKeyPress(const EventRecord& event);

  // The base passes each request to the super-commander; at the top a
  // command is not handled and its status is disabled.
  virtual bool ObeyCommand(CommandT command, void* param);
  virtual void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark,
                                 std::uint16_t& mark, Str255 name);
  virtual bool HandleKeyPress(const EventRecord& event);
  // Whether this commander lets `sub`, its sub-commander on duty, leave the
  // target chain.
  virtual bool AllowSubRemoval(LCommander* sub);

  // Posts an undoable action up the chain from this commander. Ownership
  // passes with the call: an attachment (the undoer) keeps it, or the top
  // commander performs it when not yet done and deletes it.
  virtual void PostAction(LAction* action);
  // Posts to the target, or disposes of the action when there is none.
  static void PostAnAction(LAction* action);

  // Synthetic commands stand for a menu item without a command of its own:
  // -(menu * 65536 + item).
  static CommandT SyntheticCommandForMenuItem(std::int16_t menuID, std::int16_t item);
  static bool IsSyntheticCommand(CommandT command, std::int16_t& menuID, std::int16_t& item);

  // Set whenever a command ran; the application refreshes the menus from
  // idle time and clears it.
  static bool sUpdateCommandStatus;
  static void SetUpdateCommandStatus(bool update) { sUpdateCommandStatus = update; }

 protected:
  // Hooks of SwitchTarget: this commander became / stopped being the target.
  virtual void BeTarget() {}
  virtual void DontBeTarget() {}

  static LCommander* sTarget;

 private:
  void AddSub(LCommander* sub);
  void RemoveSub(LCommander* sub);

  LCommander* mSuper = nullptr;
  std::vector<LCommander*> mSubs;
  LCommander* mLatentSub = nullptr;
  bool mOnDuty = false;
};

// Performs an action that has not been done yet and deletes it; for actions
// that no undoer keeps.
void KxDisposeAction(LAction* action);
