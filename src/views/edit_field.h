// The program's edit fields: KXEditField (bevelled box, values in
// hundredths, a broadcast on every change the user makes, undoable typing),
// KXEditJField (inline input from an input method, passed through the key
// filter) and KXEditSField (selectable text that can be locked).
#pragma once

#include <cstdint>
#include <string>

#include "platform/framework/broadcaster.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/input_method.h"

class KxFieldEditAction;

class KXEditField : public LEditField, public LBroadcaster {
 public:
  explicit KXEditField(const KxLayoutPaneRecord& record);
  ~KXEditField() override;

  // Copies min(length, max) bytes (none for a null buffer); answers the
  // text's length.
  std::size_t GetText(char* buffer, std::size_t max) const;
  const std::string& GetText() const { return LEditField::GetText(); }
  // Ends the open typing action, then replaces the text. Undo history goes,
  // unless the replacement answers an edit the user is making in a field
  // (from its broadcast): that edit records the result.
  void SetText(const char* text, std::size_t length);
  void SetDescriptor(ConstStringPtr text) override;
  void SetEmpty();

  // A decimal in hundredths: "12.5" is 1250, "-0.05" is -5. The sign comes
  // from the text, the integer part keeps its first 5 digits, the fraction
  // its first two; any other character ends the number there.
  std::int32_t GetValue100() const;
  static std::int32_t ParseValue100(const std::string& text);
  // The text of value / 100 with the fraction's digits ("12.05", "-3.25",
  // "12"); GetValue100 gives the value back whenever |value| < 10^7.
  void SetValue100(std::int32_t value);
  static std::string FormatValue100(std::int32_t value);

  // The editing commands 12-16 go to the super commander instead.
  void SetPassEditCommands(bool on) { mPassEditCommands = on; }
  // The focus ring needs a theme; this platform draws none.
  void SetFocusBox(bool on);
  bool WantsFocusBox() const { return mFocusBox; }

  bool HandleKeyPress(const EventRecord& event) override;
  bool ObeyCommand(CommandT command, void* param) override;
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override;
  void DrawSelf() override;

  // Ends the typing action being recorded: the next key starts another.
  void EndTyping();

 protected:
  // Broadcasts minus the pane ID with the field as parameter.
  void UserChangedText() override;
  void DrawBox(const Rect& frame) override;
  // Records the text before a change that undo can take back; the action
  // goes to the commander chain (the dialog's undoer keeps it). With
  // `typing`, keys that follow join the same action.
  KxFieldEditAction* BeginEdit(bool typing);
  // Records and posts it; nothing when it is gone meanwhile (a listener of
  // the change had its holder let go of it).
  void EndEdit(KxFieldEditAction* action);
  // An edit that did not happen: deleted unless posted.
  void AbandonEdit(KxFieldEditAction* action);
  // After the program replaced the text.
  virtual void TextReplaced();

  bool mPassEditCommands = false;
  bool mFocusBox = false;
  bool mDrawn = false;

  friend class KxFieldEditAction;
  KxFieldEditAction* mTyping = nullptr;   // owned by whoever holds the posted action
};

// Selectable text; while locked, keys and commands go to the commander
// chain, a click only makes it the target, no caret shows and the cursor
// stays the arrow.
class KXEditSField : public KXEditField {
 public:
  explicit KXEditSField(const KxLayoutPaneRecord& record);
  void SetLocked(bool on);
  bool IsLocked() const { return mLocked; }
  bool HandleKeyPress(const EventRecord& event) override;
  bool ObeyCommand(CommandT command, void* param) override;
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override;
  void ClickSelf(const SMouseDownEvent& event) override;
  void AdjustMouseSelf(const SPoint32& localPt, const EventRecord& event) override;

 protected:
  bool ShowsCaret() const override { return !mLocked; }

 private:
  bool mLocked = true;
};

// Inline input. The composition shows selected in the field; committed
// text goes through the key filter byte by byte, so a digits-only field
// takes only digits from an input method too. A commit that the filter
// passes up, or that does not fit, is taken back with a beep.
class KXEditJField : public KXEditField, public KxInputMethodClient {
 public:
  explicit KXEditJField(const KxLayoutPaneRecord& record);
  ~KXEditJField() override;

  void InputMethodPreedit(const std::string& utf8) override;
  void InputMethodCommit(const std::string& utf8) override;
  bool InputMethodComposing() const override { return mComposing; }
  // Confirms the composition as it stands.
  void FixInput();
  // A hook for host events of the input method: true when handled.
  virtual bool HandleTSMEvent(const EventRecord&) { return false; }

  bool HandleKeyPress(const EventRecord& event) override;
  bool ObeyCommand(CommandT command, void* param) override;
  void ClickSelf(const SMouseDownEvent& event) override;
  void AdjustMouseSelf(const SPoint32& localPt, const EventRecord& event) override;

 protected:
  void DontBeTarget() override;
  void TextReplaced() override;
  // Script text (Shift_JIS) confirmed in place of the composition.
  void CommitScriptText(const std::string& text);

 private:
  bool mComposing = false;
  std::size_t mCompStart = 0, mCompLength = 0;
  KxFieldEditAction* mCompAction = nullptr;   // the edit the composition is part of
};
