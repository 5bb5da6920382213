// Edit fields: one line of text entry in a pane that is also a commander
// (it takes keys while it is the target), and tab groups that move the
// target between the fields they hold.
#pragma once

#include <string>

#include "platform/framework/commander.h"
#include "platform/framework/view.h"

// What a key filter makes of a key.
enum EKeyStatus : std::int16_t {
  keyStatus_Input = 0,      // a character to insert
  keyStatus_TEDelete = 1,   // backspace
  keyStatus_TECursor = 2,   // caret movement
  keyStatus_ExtraEdit = 3,  // forward delete
  keyStatus_Reject = 4,     // refused with a beep
  keyStatus_PassUp = 5,     // for the super commander (Tab, Return, Escape ...)
};

// A filter may change the character it is given.
using KeyFilterFunc = EKeyStatus (*)(std::uint8_t keyCode, std::uint8_t& charCode, std::uint16_t modifiers);

class UKeyFilters {
 public:
  // Editing keys and printing characters (Shift_JIS bytes included); the
  // rest passes up.
  static EKeyStatus PrintingCharField(std::uint8_t keyCode, std::uint8_t& charCode, std::uint16_t modifiers);
  // As above, but only digits are input; other printing characters are
  // rejected.
  static EKeyStatus IntegerField(std::uint8_t keyCode, std::uint8_t& charCode, std::uint16_t modifiers);
  // Digits and a leading minus.
  static EKeyStatus NegativeIntegerField(std::uint8_t keyCode, std::uint8_t& charCode, std::uint16_t modifiers);
  // Digits and a decimal point: lengths in a unit with fractions.
  static EKeyStatus DecimalField(std::uint8_t keyCode, std::uint8_t& charCode, std::uint16_t modifiers);
  // As DecimalField, with a leading minus.
  static EKeyStatus NegativeDecimalField(std::uint8_t keyCode, std::uint8_t& charCode, std::uint16_t modifiers);
  // By name for layouts: "printing", "integer", "negative", "decimal",
  // "negative-decimal"; null otherwise.
  static KeyFilterFunc FindFilter(const std::string& name);
};

class LEditField : public LPane, public LCommander {
 public:
  // attributes: text, maxChars (255), box (1), filter (see FindFilter).
  explicit LEditField(const KxLayoutPaneRecord& record);

  // The text (Shift_JIS bytes).
  const std::string& GetText() const { return mText; }
  // Replaces the text (cut to the maximum), selects nothing at its end.
  void SetText(const std::string& text);
  void GetDescriptor(Str255 out) const override;
  void SetDescriptor(ConstStringPtr text) override;
  // The text as a decimal number (0 when it is none or out of range).
  std::int32_t GetValue() const override;
  void SetValue(std::int32_t value) override;
  std::size_t GetMaxChars() const { return mMaxChars; }
  void SetKeyFilter(KeyFilterFunc filter) { mKeyFilter = filter; }
  KeyFilterFunc GetKeyFilter() const { return mKeyFilter; }

  void SelectAll();
  // Byte offsets, start <= end, on character boundaries.
  void SetSelection(std::size_t start, std::size_t end);
  std::size_t GetSelStart() const { return mSelStart; }
  std::size_t GetSelEnd() const { return mSelEnd; }

  bool HandleKeyPress(const EventRecord& event) override;
  bool ObeyCommand(CommandT command, void* param) override;
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override;
  void ClickSelf(const SMouseDownEvent& event) override;
  void AdjustMouseSelf(const SPoint32& localPt, const EventRecord& event) override;
  void DrawSelf() override;

 protected:
  // The user changed the text (typing, cutting, pasting).
  virtual void UserChangedText() {}
  void BeTarget() override { Refresh(); }
  void DontBeTarget() override { Refresh(); }
  void DisableSelf() override;
  void EnableSelf() override { Refresh(); }

 protected:
  // Shared with the program's own fields, which draw, filter and record
  // undo around these.
  void ApplyForeAndBack() const;
  // The character (one or two bytes) before / at an offset.
  std::size_t PrevBoundary(std::size_t offset) const;
  std::size_t NextBoundary(std::size_t offset) const;
  void ReplaceSelection(const std::string& with);
  std::int32_t TextLeft() const;
  std::size_t OffsetAt(std::int32_t localH) const;
  // Drawing in two parts: the box around the frame, and the text with the
  // caret or selection inside `inner`.
  virtual void DrawBox(const Rect& frame);
  void DrawContents(const Rect& inner);
  // Whether the caret shows while the field is the target.
  virtual bool ShowsCaret() const { return true; }
  // Sets text and selection as they stand, unfiltered (undo, input methods).
  void RestoreText(const std::string& text, std::size_t selStart, std::size_t selEnd);

  std::string mText;
  std::size_t mSelStart = 0, mSelEnd = 0;
  std::size_t mMaxChars = 255;
  KeyFilterFunc mKeyFilter = nullptr;
  bool mHasBox = true;
};

// Moves the target between the commanders it holds: Tab to the next,
// shift-Tab to the previous, wrapping; disabled or hidden panes are
// skipped. A view without drawing of its own.
class LTabGroup : public LView, public LCommander {
 public:
  explicit LTabGroup(const KxLayoutPaneRecord& record) : LView(record) {}
  bool HandleKeyPress(const EventRecord& event) override;
  // The next (or previous) commander after `from` that can take the target.
  LCommander* FindNext(LCommander* from, bool backward) const;

 protected:
  // The first field becomes the latent target of the window.
  void FinishCreateSelf() override;
};
