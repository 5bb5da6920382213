#include "platform/framework/edit_field.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/draw/color.h"
#include "platform/framework/layout.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/script.h"
#include "platform/toolbox/cursors.h"

namespace {
constexpr std::uint8_t kBackspace = 0x08, kDelete = 0x7F, kFirstPrinting = 0x20;
constexpr short kJapaneseScript = 1;   // field texts are Shift_JIS
constexpr std::int32_t kTextInset = 3;  // from the frame to the text
constexpr std::int32_t kMaxFieldBytes = 1 << 24;  // a bound on what a layout may ask

bool IsCursorKey(std::uint8_t keyCode) {
  return keyCode == kKxKeyLeft || keyCode == kKxKeyRight || keyCode == kKxKeyUp || keyCode == kKxKeyDown ||
         keyCode == kKxKeyHome || keyCode == kKxKeyEnd;
}

bool IsLeadByte(std::uint8_t byte) { return KxScriptParseTable(kJapaneseScript)[byte] != 0; }

// The longest start of `text` of at most `room` bytes (fewer than it has)
// that ends on a character boundary: a double-byte character cut by the
// field's end goes in whole or not at all.
std::size_t WholeCharacters(const std::string& text, std::size_t room) {
  if (text.size() <= room) return text.size();
  std::size_t n = 0;
  while (n < text.size()) {
    const std::size_t len = IsLeadByte(std::uint8_t(text[n])) ? 2 : 1;
    if (n + len > text.size() || n + len > room) break;
    n += len;
  }
  return n;
}

// A double-byte character comes as two key presses. The field that refused
// the first (no room for both bytes) refuses the second as well, or it would
// go in as a character of its own.
const LEditField* sRefusedLead = nullptr;
}  // namespace

// ---- Key filters

EKeyStatus UKeyFilters::PrintingCharField(std::uint8_t keyCode, std::uint8_t& charCode, std::uint16_t modifiers) {
  if (modifiers & kKxEventCommandKey) return keyStatus_PassUp;
  if (keyCode == kKxKeyBackspace || charCode == kBackspace) return keyStatus_TEDelete;
  if (keyCode == kKxKeyForwardDelete || charCode == kDelete) return keyStatus_ExtraEdit;
  if (IsCursorKey(keyCode)) return keyStatus_TECursor;
  if (charCode >= kFirstPrinting && charCode != kDelete) return keyStatus_Input;
  return keyStatus_PassUp;
}

EKeyStatus UKeyFilters::IntegerField(std::uint8_t keyCode, std::uint8_t& charCode, std::uint16_t modifiers) {
  const EKeyStatus s = PrintingCharField(keyCode, charCode, modifiers);
  if (s == keyStatus_Input && (charCode < '0' || charCode > '9')) return keyStatus_Reject;
  return s;
}

EKeyStatus UKeyFilters::NegativeIntegerField(std::uint8_t keyCode, std::uint8_t& charCode, std::uint16_t modifiers) {
  if (charCode == '-' && !(modifiers & kKxEventCommandKey)) return keyStatus_Input;
  return IntegerField(keyCode, charCode, modifiers);
}

EKeyStatus UKeyFilters::DecimalField(std::uint8_t keyCode, std::uint8_t& charCode, std::uint16_t modifiers) {
  if (charCode == '.' && !(modifiers & kKxEventCommandKey)) return keyStatus_Input;
  return IntegerField(keyCode, charCode, modifiers);
}

EKeyStatus UKeyFilters::NegativeDecimalField(std::uint8_t keyCode, std::uint8_t& charCode, std::uint16_t modifiers) {
  if (charCode == '-' && !(modifiers & kKxEventCommandKey)) return keyStatus_Input;
  return DecimalField(keyCode, charCode, modifiers);
}

KeyFilterFunc UKeyFilters::FindFilter(const std::string& name) {
  if (name == "printing") return PrintingCharField;
  if (name == "integer") return IntegerField;
  if (name == "negative") return NegativeIntegerField;
  if (name == "decimal") return DecimalField;
  if (name == "negative-decimal") return NegativeDecimalField;
  return nullptr;
}

// ---- LEditField

LEditField::LEditField(const KxLayoutPaneRecord& record) : LPane(record), LCommander(nullptr) {
  // The layout's own limit: a field of several lines (a script) may hold
  // far more than a line of text.
  mMaxChars = std::size_t(std::clamp(KxLayout::GetNumber(record, "maxChars", 255), 0, kMaxFieldBytes));
  mHasBox = Flag(record, "box", true);
  std::string text, filter;
  KxLayout::GetAttribute(record, "filter", filter);
  mKeyFilter = UKeyFilters::FindFilter(filter);
  KxLayout::GetAttribute(record, "text", text);
  SetText(text);
}

void LEditField::SetText(const std::string& text) {
  mText = text.substr(0, mMaxChars);
  // Never end inside a two-byte character.
  if (!mText.empty() && CharacterByteType(mText.data(), std::int32_t(mText.size() - 1), kJapaneseScript) < 0)
    mText.pop_back();
  mSelStart = mSelEnd = mText.size();
  Refresh();
}

void LEditField::RestoreText(const std::string& text, std::size_t selStart, std::size_t selEnd) {
  mText = text;
  mSelStart = std::min(selStart, mText.size());
  mSelEnd = std::min(std::max(selEnd, mSelStart), mText.size());
  Refresh();
}

void LEditField::GetDescriptor(Str255 out) const {
  out[0] = std::uint8_t(std::min<std::size_t>(mText.size(), 255));
  std::memcpy(out + 1, mText.data(), out[0]);
}

void LEditField::SetDescriptor(ConstStringPtr text) {
  SetText(std::string(reinterpret_cast<const char*>(text + 1), text[0]));
}

std::int32_t LEditField::GetValue() const {
  std::int32_t n = 0;
  const char* begin = mText.data();
  if (!mText.empty() && mText[0] == '+') ++begin;
  std::from_chars(begin, mText.data() + mText.size(), n);
  return n;
}

void LEditField::SetValue(std::int32_t value) { SetText(std::to_string(value)); }

void LEditField::SelectAll() { SetSelection(0, mText.size()); }

void LEditField::SetSelection(std::size_t start, std::size_t end) {
  start = std::min(start, mText.size());
  end = std::min(end, mText.size());
  if (start > end) std::swap(start, end);
  // Onto character boundaries.
  if (start > 0 && start < mText.size() && CharacterByteType(mText.data(), std::int32_t(start), kJapaneseScript) > 0)
    --start;
  if (end > 0 && end < mText.size() && CharacterByteType(mText.data(), std::int32_t(end), kJapaneseScript) > 0) ++end;
  mSelStart = start;
  mSelEnd = end;
  Refresh();
}

std::size_t LEditField::PrevBoundary(std::size_t offset) const {
  if (offset == 0) return 0;
  std::size_t p = offset - 1;
  if (p > 0 && CharacterByteType(mText.data(), std::int32_t(p), kJapaneseScript) > 0) --p;
  return p;
}

std::size_t LEditField::NextBoundary(std::size_t offset) const {
  if (offset >= mText.size()) return mText.size();
  const bool first = CharacterByteType(mText.data(), std::int32_t(offset), kJapaneseScript) < 0;
  return std::min(mText.size(), offset + (first ? 2 : 1));
}

void LEditField::ReplaceSelection(const std::string& with) {
  const std::size_t room = mMaxChars - std::min(mMaxChars, mText.size() - (mSelEnd - mSelStart));
  const std::string insert = with.substr(0, WholeCharacters(with, room));
  if (insert.size() < with.size()) KxCurrentHost().Beep();  // what did not fit is not there
  mText.replace(mSelStart, mSelEnd - mSelStart, insert);
  mSelStart = mSelEnd = mSelStart + insert.size();
  Refresh();
  UserChangedText();
}

bool LEditField::HandleKeyPress(const EventRecord& event) {
  // A greyed field still holds the target after its page or its option
  // turned it off: the keys go on to the dialog, not into a value the user
  // cannot see being changed.
  if (!IsEnabled()) return LCommander::HandleKeyPress(event);
  std::uint8_t ch = KxEventChar(event);
  const std::uint8_t keyCode = KxEventKeyCode(event);
  const EKeyStatus status = (mKeyFilter ? mKeyFilter : UKeyFilters::PrintingCharField)(keyCode, ch, event.modifiers);
  const bool afterRefusedLead = std::exchange(sRefusedLead, nullptr) == this;
  switch (status) {
    case keyStatus_Input: {
      if (afterRefusedLead) return true;   // the second byte of a refused character
      const std::size_t kept = mText.size() - (mSelEnd - mSelStart);
      const std::size_t needs = IsLeadByte(ch) ? 2 : 1;
      if (kept + needs > mMaxChars) {
        KxCurrentHost().Beep();   // full
        if (needs == 2) sRefusedLead = this;
        return true;
      }
      ReplaceSelection(std::string(1, char(ch)));
      return true;
    }
    case keyStatus_TEDelete:
      if (mSelStart == mSelEnd) mSelStart = PrevBoundary(mSelStart);
      if (mSelStart != mSelEnd) ReplaceSelection("");
      return true;
    case keyStatus_ExtraEdit:
      if (mSelStart == mSelEnd) mSelEnd = NextBoundary(mSelEnd);
      if (mSelStart != mSelEnd) ReplaceSelection("");
      return true;
    case keyStatus_TECursor: {
      const bool extend = (event.modifiers & kKxEventShiftKey) != 0;
      std::size_t caret = mSelEnd;
      if (keyCode == kKxKeyLeft) caret = (!extend && mSelStart != mSelEnd) ? mSelStart : PrevBoundary(mSelStart);
      else if (keyCode == kKxKeyRight) caret = (!extend && mSelStart != mSelEnd) ? mSelEnd : NextBoundary(mSelEnd);
      else if (keyCode == kKxKeyUp || keyCode == kKxKeyHome) caret = 0;
      else caret = mText.size();
      if (extend)
        SetSelection(std::min(mSelStart, caret), std::max(mSelEnd, caret));
      else
        SetSelection(caret, caret);
      return true;
    }
    case keyStatus_Reject:
      KxCurrentHost().Beep();
      return true;
    case keyStatus_PassUp:
    default:
      return LCommander::HandleKeyPress(event);
  }
}

bool LEditField::ObeyCommand(CommandT command, void* param) {
  KxHost& host = KxCurrentHost();
  const OSType text = FourCC("TEXT");
  switch (command) {
    case kKxCmdCut:
    case kKxCmdCopy:
      if (mSelStart == mSelEnd) return true;
      host.ClearClipboard();
      host.PutClipboard(text, mText.data() + mSelStart, mSelEnd - mSelStart);
      if (command == kKxCmdCut) ReplaceSelection("");
      return true;
    case kKxCmdPaste: {
      std::string s;
      if (!KxClipboardScriptText(s)) return true;
      // One line: a paste ends at the first line end.
      s = s.substr(0, s.find_first_of("\r\n"));
      if (mKeyFilter) {
        // A number field takes from a paste what it would take typed.
        std::string kept;
        for (char c : s) {
          std::uint8_t ch = std::uint8_t(c);
          if (mKeyFilter(0, ch, 0) == keyStatus_Input) kept.push_back(char(ch));
        }
        if (kept.size() < s.size()) host.Beep();
        s.swap(kept);
      }
      ReplaceSelection(s);
      return true;
    }
    case kKxCmdClear:
      if (mSelStart != mSelEnd) ReplaceSelection("");
      return true;
    case kKxCmdSelectAll:
      SelectAll();
      return true;
    default:
      return LCommander::ObeyCommand(command, param);
  }
}

void LEditField::FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                                   Str255 name) {
  switch (command) {
    case kKxCmdCut:
    case kKxCmdCopy:
    case kKxCmdClear:
      enabled = mSelStart != mSelEnd;
      return;
    case kKxCmdPaste:
      enabled = KxClipboardHasText();
      return;
    case kKxCmdSelectAll:
      enabled = !mText.empty();
      return;
    default:
      LCommander::FindCommandStatus(command, enabled, usesMark, mark, name);
  }
}

std::int32_t LEditField::TextLeft() const {
  RectL f;
  CalcLocalFrameRect(f);
  return f.left + kTextInset;
}

std::size_t LEditField::OffsetAt(std::int32_t localH) const {
  std::int32_t h = TextLeft();
  std::size_t at = 0;
  while (at < mText.size()) {
    const std::size_t next = NextBoundary(at);
    const std::int32_t w = TextWidth(mText.data(), std::int32_t(at), std::int32_t(next - at));
    if (localH < h + w / 2) break;
    h += w;
    at = next;
  }
  return at;
}

void LEditField::ClickSelf(const SMouseDownEvent& event) {
  if (!IsOnDuty() || GetTarget() != this) SwitchTarget(this);
  if (FocusDraw()) ApplyForeAndBack();
  const std::size_t at = OffsetAt(event.whereLocal.h);
  if (event.macEvent.modifiers & kKxEventShiftKey)
    SetSelection(std::min(mSelStart, at), std::max(mSelEnd, at));
  else
    SetSelection(at, at);
}

void LEditField::AdjustMouseSelf(const SPoint32&, const EventRecord&) { UCursors::Set(kKxIBeamCursor); }

void LEditField::DisableSelf() {
  // A disabled field cannot keep the keys.
  if (IsOnDuty() && GetSuperCommander()) SwitchTarget(GetSuperCommander());
  Refresh();
}

void LEditField::ApplyForeAndBack() const {
  RGBForeColor(IsEnabled() ? &UKXColor::sBlackColor : &UKXColor::sGrayColor);
  RGBBackColor(&UKXColor::sWhiteColor);
}

void LEditField::DrawSelf() {
  const Rect r = CalcLocalFrameRect16();
  ApplyForeAndBack();
  EraseRect(&r);
  PenNormal();
  if (mHasBox) DrawBox(r);
  DrawContents(Rect{std::int16_t(r.top + 1), std::int16_t(r.left + 1), std::int16_t(r.bottom - 1),
                    std::int16_t(r.right - 1)});
}

void LEditField::DrawBox(const Rect& frame) { FrameRect(&frame); }

void LEditField::DrawContents(const Rect& inner) {
  ApplyForeAndBack();
  KxFontInfo info;
  GetFontInfo(&info);
  const std::int32_t base =
      inner.top - 1 + (inner.bottom - inner.top + 2 - (info.ascent + info.descent)) / 2 + info.ascent;
  // The text stays inside the box.
  KxClipScope inside(RectL{inner.top, inner.left, inner.bottom, inner.right});
  MoveTo(TextLeft(), base);
  DrawText(mText.data(), 0, std::int32_t(mText.size()));
  if (GetTarget() == this && IsActive() && (ShowsCaret() || mSelStart != mSelEnd)) {
    const std::int32_t from = TextLeft() + TextWidth(mText.data(), 0, std::int32_t(mSelStart));
    const std::int32_t to = TextLeft() + TextWidth(mText.data(), 0, std::int32_t(mSelEnd));
    Rect sel{KxPinShort(base - info.ascent), KxPinShort(from), KxPinShort(base + info.descent),
             KxPinShort(mSelStart == mSelEnd ? from + 1 : to)};
    InvertRect(&sel);
  }
}

// ---- LTabGroup

LCommander* LTabGroup::FindNext(LCommander* from, bool backward) const {
  const std::vector<LCommander*>& subs = GetSubCommanders();
  if (subs.empty()) return nullptr;
  const std::ptrdiff_t n = std::ptrdiff_t(subs.size());
  std::ptrdiff_t at = std::find(subs.begin(), subs.end(), from) - subs.begin();
  if (at == n) at = backward ? 0 : n - 1;   // from none: the first (or last)
  for (std::ptrdiff_t step = 1; step <= n; ++step) {
    LCommander* c = subs[std::size_t(((at + (backward ? -step : step)) % n + n) % n)];
    auto* pane = dynamic_cast<LPane*>(c);
    if (!pane || (pane->IsVisible() && pane->IsEnabled())) return c;
  }
  return nullptr;
}

bool LTabGroup::HandleKeyPress(const EventRecord& event) {
  const bool tab = KxEventKeyCode(event) == kKxKeyTab || KxEventChar(event) == '\t';
  if (!tab || (event.modifiers & (kKxEventCommandKey | kKxEventOptionKey | kKxEventControlKey)))
    return LCommander::HandleKeyPress(event);
  // The sub-commander on duty, if any.
  LCommander* current = nullptr;
  for (LCommander* c : GetSubCommanders())
    if (c->IsOnDuty()) current = c;
  if (LCommander* next = FindNext(current, (event.modifiers & kKxEventShiftKey) != 0)) {
    SwitchTarget(next);
    if (auto* field = dynamic_cast<LEditField*>(next)) field->SelectAll();
  }
  return true;
}

void LTabGroup::FinishCreateSelf() {
  LWindow* window = LWindow::FetchWindowOf(this);
  if (!window || window->GetLatentSub()) return;
  if (LCommander* first = FindNext(nullptr, false)) window->SetLatentSub(first);
}
