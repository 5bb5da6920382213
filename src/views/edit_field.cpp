#include "views/edit_field.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/draw/color.h"
#include "platform/framework/action.h"
#include "platform/framework/dialog.h"
#include "platform/framework/layout.h"
#include "platform/host/host.h"
#include "platform/script.h"
#include "platform/textconv.h"
#include "platform/toolbox/cursors.h"
#include "platform/toolbox/environment.h"

namespace {
constexpr std::int32_t kMaxIntegerDigits = 5;   // the integer part of a value in hundredths
constexpr short kJapaneseScript = 1;

// How many user edits of fields are being answered now: their broadcasts
// run, or an undo puts a field back. What the listeners do to fields
// meanwhile is part of that edit.
int gAnswering = 0;
struct StAnswering {
  StAnswering() { ++gAnswering; }
  ~StAnswering() { --gAnswering; }
  StAnswering(const StAnswering&) = delete;
  StAnswering& operator=(const StAnswering&) = delete;
};
}  // namespace

// An edit of a field that undo takes back: the text and selection before
// and after. Snapshots are small (a field holds at most 32767 bytes) and
// make undo exact whatever the edit did to double-byte characters.
class KxFieldEditAction : public LAction {
 public:
  KxFieldEditAction(KXEditField* field, bool typing)
      : LAction(0, 0, true), mField(field), mBefore(Snapshot(field)), mAfter(mBefore), mTyping(typing) {
    Live().push_back(this);
  }
  ~KxFieldEditAction() override {
    std::erase(Live(), this);
    if (mField && mField->mTyping == this) mField->mTyping = nullptr;
  }
  void Record() { mAfter = Snapshot(mField); }
  bool Changed() const { return mAfter.text != mBefore.text; }
  bool IsTyping() const { return mTyping; }
  // Posted: its holder owns it (typing goes on into it). Open: an edit of
  // the field is being made into it (between BeginEdit and EndEdit).
  bool IsPosted() const { return mPosted; }
  void SetPosted() { mPosted = true; }
  void SetOpen(bool on) { mOpen = on; }
  // The field is going away: the action stays with its holder, inert.
  static void FieldGone(KXEditField* field) {
    for (KxFieldEditAction* a : Live())
      if (a->mField == field) a->mField = nullptr;
  }
  static bool IsLive(const KxFieldEditAction* a) { return std::find(Live().begin(), Live().end(), a) != Live().end(); }
  // Whether `a` is still an open edit of `field`: a listener of the edit's
  // broadcast can make the holder of a posted action delete it.
  static bool IsOpen(const KXEditField* field, const KxFieldEditAction* a) {
    return a && IsLive(a) && a->mField == field && a->mOpen;
  }

 protected:
  void UndoSelf() override { Put(mBefore); }
  void RedoSelf() override { Put(mAfter); }

 private:
  struct State {
    std::string text;
    std::size_t selStart, selEnd;
  };
  static std::vector<KxFieldEditAction*>& Live() {
    static std::vector<KxFieldEditAction*> live;
    return live;
  }
  static State Snapshot(const KXEditField* f) { return {f->GetText(), f->GetSelStart(), f->GetSelEnd()}; }
  void Put(const State& s) {
    if (!mField) return;
    mField->EndTyping();
    // The listeners' answer must not drop the history that runs this undo.
    StAnswering answering;
    mField->RestoreText(s.text, s.selStart, s.selEnd);
    mField->UserChangedText();
  }

  KXEditField* mField;
  State mBefore, mAfter;
  bool mTyping;
  bool mPosted = false, mOpen = false;
};

// ---- KXEditField

KXEditField::KXEditField(const KxLayoutPaneRecord& record) : LEditField(record) {
  mFocusBox = UKXEnvironment::sHasAppearance != 0;
}

KXEditField::~KXEditField() { KxFieldEditAction::FieldGone(this); }

void KXEditField::TextReplaced() {}

std::size_t KXEditField::GetText(char* buffer, std::size_t max) const {
  const std::string& text = LEditField::GetText();
  if (buffer) std::memcpy(buffer, text.data(), std::min(max, text.size()));
  return text.size();
}

void KXEditField::SetText(const char* text, std::size_t length) {
  EndTyping();
  // Undo of earlier typing would now put back a text the program replaced;
  // but a replacement that answers the user's edit (a value kept in range
  // as it is typed) belongs to that edit, which records it.
  if (gAnswering == 0) PostAction(nullptr);
  LEditField::SetText(text ? std::string(text, length) : std::string());
  TextReplaced();
}

void KXEditField::SetDescriptor(ConstStringPtr text) {
  SetText(text ? reinterpret_cast<const char*>(text + 1) : nullptr, text ? text[0] : 0);
}

void KXEditField::SetEmpty() { SetText(nullptr, 0); }

std::int32_t KXEditField::ParseValue100(const std::string& text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::int32_t whole = 0, digits = 0, fraction = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    if (digits < kMaxIntegerDigits) {
      whole = whole * 10 + (text[i] - '0');
      ++digits;
    }
  if (i < text.size() && text[i] == '.') {
    ++i;
    if (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      fraction = (text[i++] - '0') * 10;
      if (i < text.size() && text[i] >= '0' && text[i] <= '9') fraction += text[i] - '0';
    }
  }
  const std::int32_t value = whole * 100 + fraction;   // at most 9999999
  return negative ? -value : value;
}

std::int32_t KXEditField::GetValue100() const { return ParseValue100(LEditField::GetText()); }

std::string KXEditField::FormatValue100(std::int32_t value) {
  const std::int64_t magnitude = value < 0 ? -std::int64_t(value) : value;
  std::string text = (value < 0 ? "-" : "") + std::to_string(magnitude / 100);
  const std::int64_t fraction = magnitude % 100;
  if (fraction != 0) {
    text += '.';
    text += char('0' + fraction / 10);
    if (fraction % 10 != 0) text += char('0' + fraction % 10);
  }
  return text;
}

void KXEditField::SetValue100(std::int32_t value) {
  const std::string text = FormatValue100(value);
  SetText(text.data(), text.size());
}

void KXEditField::SetFocusBox(bool on) { mFocusBox = on && UKXEnvironment::sHasAppearance; }

void KXEditField::UserChangedText() { BroadcastMessage(MessageT(-mPaneID), this); }

void KXEditField::EndTyping() { mTyping = nullptr; }

KxFieldEditAction* KXEditField::BeginEdit(bool typing) {
  KxFieldEditAction* action = typing && mTyping ? mTyping : new KxFieldEditAction(this, typing);
  action->SetOpen(true);
  return action;
}

void KXEditField::EndEdit(KxFieldEditAction* action) {
  // Gone meanwhile (its holder let go of the history): nothing to record.
  if (!KxFieldEditAction::IsOpen(this, action)) return;
  action->SetOpen(false);
  action->Record();
  if (action->IsPosted()) return;   // typing that joined it: its holder has it
  if (!action->Changed()) {
    delete action;
    return;
  }
  const bool typing = action->IsTyping();
  action->SetPosted();
  PostAction(action);
  // The chain may have run and deleted it (no undoer): then there is none to join.
  if (typing && KxFieldEditAction::IsLive(action)) mTyping = action;
}

void KXEditField::AbandonEdit(KxFieldEditAction* action) {
  if (!KxFieldEditAction::IsOpen(this, action)) return;
  if (action->IsPosted()) action->SetOpen(false);
  else delete action;
}

bool KXEditField::HandleKeyPress(const EventRecord& event) {
  if (!IsEnabled()) return LEditField::HandleKeyPress(event);
  std::uint8_t ch = KxEventChar(event);
  const EKeyStatus status =
      (mKeyFilter ? mKeyFilter : UKeyFilters::PrintingCharField)(KxEventKeyCode(event), ch, event.modifiers);
  if (status == keyStatus_Input || status == keyStatus_TEDelete || status == keyStatus_ExtraEdit) {
    KxFieldEditAction* action = BeginEdit(true);
    bool handled;
    try {
      StAnswering answering;
      handled = LEditField::HandleKeyPress(event);
    } catch (...) {
      AbandonEdit(action);
      throw;
    }
    EndEdit(action);
    return handled;
  }
  if (status == keyStatus_TECursor) EndTyping();
  return LEditField::HandleKeyPress(event);
}

bool KXEditField::ObeyCommand(CommandT command, void* param) {
  if (mPassEditCommands && command >= kKxCmdCut && command <= kKxCmdSelectAll)
    return LCommander::ObeyCommand(command, param);
  switch (command) {
    case kKxCmdCut:
    case kKxCmdPaste:
    case kKxCmdClear: {
      EndTyping();
      KxFieldEditAction* action = BeginEdit(false);
      bool handled;
      try {
        StAnswering answering;
        handled = LEditField::ObeyCommand(command, param);
      } catch (...) {
        AbandonEdit(action);
        throw;
      }
      EndEdit(action);
      return handled;
    }
    case kKxCmdUndo:
      EndTyping();
      return LEditField::ObeyCommand(command, param);
    default:
      return LEditField::ObeyCommand(command, param);
  }
}

void KXEditField::FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                                    Str255 name) {
  if (mPassEditCommands && command >= kKxCmdCut && command <= kKxCmdSelectAll)
    LCommander::FindCommandStatus(command, enabled, usesMark, mark, name);
  else
    LEditField::FindCommandStatus(command, enabled, usesMark, mark, name);
}

void KXEditField::DrawBox(const Rect& frame) {
  // Bevel on the frame's edge, the outline inside it, a white rim within.
  const Rect outline{std::int16_t(frame.top + 1), std::int16_t(frame.left + 1), std::int16_t(frame.bottom - 1),
                     std::int16_t(frame.right - 1)};
  UKXColor::DrawFrameShadow(outline, IsEnabled());
  PenNormal();
  RGBForeColor(IsEnabled() ? &UKXColor::sBlackColor : &UKXColor::sGrayColor);
  FrameRect(&outline);
  const Rect rim{std::int16_t(outline.top + 1), std::int16_t(outline.left + 1), std::int16_t(outline.bottom - 1),
                 std::int16_t(outline.right - 1)};
  RGBForeColor(&UKXColor::sWhiteColor);
  FrameRect(&rim);
}

void KXEditField::DrawSelf() {
  mDrawn = true;
  const Rect r = CalcLocalFrameRect16();
  ApplyForeAndBack();
  EraseRect(&r);
  PenNormal();
  const std::int16_t inset = mHasBox ? 3 : 0;
  if (mHasBox) DrawBox(r);
  DrawContents(Rect{std::int16_t(r.top + inset), std::int16_t(r.left + inset), std::int16_t(r.bottom - inset),
                    std::int16_t(r.right - inset)});
}

// ---- KXEditSField

KXEditSField::KXEditSField(const KxLayoutPaneRecord& record) : KXEditField(record) {
  mLocked = Flag(record, "locked", true);
}

void KXEditSField::SetLocked(bool on) {
  mLocked = on;
  Refresh();
}

bool KXEditSField::HandleKeyPress(const EventRecord& event) {
  return mLocked ? LCommander::HandleKeyPress(event) : KXEditField::HandleKeyPress(event);
}

bool KXEditSField::ObeyCommand(CommandT command, void* param) {
  return mLocked ? LCommander::ObeyCommand(command, param) : KXEditField::ObeyCommand(command, param);
}

void KXEditSField::FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                                     Str255 name) {
  if (mLocked)
    LCommander::FindCommandStatus(command, enabled, usesMark, mark, name);
  else
    KXEditField::FindCommandStatus(command, enabled, usesMark, mark, name);
}

void KXEditSField::ClickSelf(const SMouseDownEvent& event) {
  if (!mLocked) return KXEditField::ClickSelf(event);
  if (GetTarget() != this) SwitchTarget(this);
}

void KXEditSField::AdjustMouseSelf(const SPoint32& localPt, const EventRecord& event) {
  if (mLocked)
    UCursors::Set(kKxArrowCursor);
  else
    KXEditField::AdjustMouseSelf(localPt, event);
}

// ---- KXEditJField

KXEditJField::KXEditJField(const KxLayoutPaneRecord& record) : KXEditField(record) {}

KXEditJField::~KXEditJField() { AbandonEdit(mCompAction); }

void KXEditJField::TextReplaced() {
  // The program's text replaces the composition too; its edit ends there.
  if (!mComposing) return;
  mComposing = false;
  mCompStart = mCompLength = 0;
  AbandonEdit(std::exchange(mCompAction, nullptr));
}

void KXEditJField::InputMethodPreedit(const std::string& utf8) {
  const std::string text = KxUTF8ToScriptText(utf8);
  if (!mComposing) {
    if (text.empty()) return;
    // The composition replaces the selection; the edit that the commit
    // ends starts here, so undo goes back to the text before it.
    mCompAction = BeginEdit(true);
    mText.erase(mSelStart, mSelEnd - mSelStart);
    mSelEnd = mSelStart;
    mComposing = true;
    mCompStart = mSelStart;
    mCompLength = 0;
  }
  mText.replace(mCompStart, mCompLength, text);
  mCompLength = text.size();
  mSelStart = mCompStart;
  mSelEnd = mCompStart + mCompLength;
  Refresh();
  if (text.empty()) {
    // Given up: what the composition replaced stays deleted.
    mComposing = false;
    KxFieldEditAction* action = std::exchange(mCompAction, nullptr);
    {
      StAnswering answering;
      UserChangedText();
    }
    EndEdit(action);
  }
}

void KXEditJField::InputMethodCommit(const std::string& utf8) { CommitScriptText(KxUTF8ToScriptText(utf8)); }

void KXEditJField::FixInput() {
  if (mComposing) CommitScriptText(mText.substr(mCompStart, mCompLength));
}

void KXEditJField::CommitScriptText(const std::string& text) {
  KxFieldEditAction* action = mCompAction ? std::exchange(mCompAction, nullptr) : BeginEdit(true);
  const std::size_t at = mComposing ? mCompStart : mSelStart;
  const std::size_t removed = mComposing ? mCompLength : mSelEnd - mSelStart;
  mText.erase(at, removed);
  mSelStart = mSelEnd = at;
  mComposing = false;
  mCompLength = 0;

  // Through the key filter a character at a time: a double-byte character
  // goes in whole or not at all.
  std::string accepted;
  bool refused = false, failed = false;
  for (std::size_t i = 0; i < text.size() && !failed;) {
    const std::size_t len =
        (i + 1 < text.size() && CharacterByteType(text.data(), std::int32_t(i), kJapaneseScript) < 0) ? 2 : 1;
    std::string ch = text.substr(i, len);
    i += len;
    if (!mKeyFilter) {
      accepted += ch;
      continue;
    }
    bool keep = true;
    for (char& b : ch) {
      std::uint8_t byte = std::uint8_t(b);
      const EKeyStatus status = mKeyFilter(0, byte, 0);
      if (status == keyStatus_Input) {
        b = char(byte);
      } else if (status == keyStatus_Reject) {
        keep = false;
      } else {
        failed = true;   // a key for someone else: the whole commit is refused
        break;
      }
    }
    if (!keep) refused = true;
    if (keep && !failed) accepted += ch;
  }
  if (failed || mText.size() + accepted.size() > mMaxChars) {
    accepted.clear();
    refused = true;
  }
  if (refused) KxCurrentHost().Beep();
  mText.insert(at, accepted);
  mSelStart = mSelEnd = at + accepted.size();
  Refresh();
  if (!accepted.empty() || removed != 0) {
    StAnswering answering;
    UserChangedText();
  }
  EndEdit(action);
}

bool KXEditJField::HandleKeyPress(const EventRecord& event) {
  if (HandleTSMEvent(event)) return true;
  FixInput();
  return KXEditField::HandleKeyPress(event);
}

bool KXEditJField::ObeyCommand(CommandT command, void* param) {
  if (command == kKxCmdUndo) FixInput();
  return KXEditField::ObeyCommand(command, param);
}

void KXEditJField::ClickSelf(const SMouseDownEvent& event) {
  if (HandleTSMEvent(event.macEvent)) return;
  FixInput();
  KXEditField::ClickSelf(event);
}

void KXEditJField::AdjustMouseSelf(const SPoint32& localPt, const EventRecord& event) {
  if (!HandleTSMEvent(event)) KXEditField::AdjustMouseSelf(localPt, event);
}

void KXEditJField::DontBeTarget() {
  FixInput();
  KXEditField::DontBeTarget();
}
