// The stream editor window's script box: an edit field of several lines.
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/host/host.h"
#include "tools/sed_window.h"

namespace {
constexpr char kReturn = 13;
}  // namespace

namespace {
EKeyStatus ScriptBoxFilter(std::uint8_t keyCode, std::uint8_t& charCode, std::uint16_t modifiers) {
  if (!(modifiers & kKxEventCommandKey) &&
      (keyCode == kKxKeyReturn || keyCode == kKxKeyEnter || charCode == kReturn || charCode == 3)) {
    charCode = kReturn;
    return keyStatus_Input;
  }
  return UKeyFilters::PrintingCharField(keyCode, charCode, modifiers);
}

std::vector<std::pair<std::size_t, std::size_t>> Lines(const std::string& text) {
  std::vector<std::pair<std::size_t, std::size_t>> lines;
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = text.find(kReturn, at);
    lines.emplace_back(at, end == std::string::npos ? text.size() : end);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return lines;
}
}  // namespace

KXScriptBox::KXScriptBox(const KxLayoutPaneRecord& record) : KXEditJField(record) { SetKeyFilter(ScriptBoxFilter); }

bool KXScriptBox::ObeyCommand(CommandT command, void* param) {
  if (command != kKxCmdPaste || mPassEditCommands) return KXEditJField::ObeyCommand(command, param);
  // A script keeps its lines: every line end becomes CR.
  std::string data;
  if (!KxClipboardScriptText(data)) return true;
  std::string s;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '\n' && i > 0 && data[i - 1] == '\r') continue;
    s += data[i] == '\n' ? kReturn : char(data[i]);
  }
  if (mText.size() - (mSelEnd - mSelStart) + s.size() > mMaxChars) {
    KxCurrentHost().Beep();
    return true;
  }
  EndTyping();
  KxFieldEditAction* action = BeginEdit(false);
  ReplaceSelection(s);
  EndEdit(action);
  UserChangedText();
  return true;
}

void KXScriptBox::DrawSelf() {
  const Rect r = CalcLocalFrameRect16();
  ApplyForeAndBack();
  EraseRect(&r);
  PenNormal();
  DrawBox(r);
  ApplyForeAndBack();   // the box leaves its own colours
  KxFontInfo info;
  GetFontInfo(&info);
  const std::int32_t lineHeight = std::max(1, info.ascent + info.descent + info.leading);
  KxClipScope inside(RectL{r.top + 1, r.left + 1, r.bottom - 1, r.right - 1});
  std::int32_t base = r.top + 3 + info.ascent;
  const bool showSel = GetTarget() == this && IsActive();
  for (const auto& [from, to] : Lines(mText)) {
    if (base - info.ascent > r.bottom) break;
    MoveTo(TextLeft(), base);
    DrawText(mText.data(), std::int32_t(from), std::int32_t(to - from));
    if (showSel) {
      // The part of the selection (or the caret) on this line.
      const std::size_t a = std::clamp(mSelStart, from, to), b = std::clamp(mSelEnd, from, to);
      const bool caretHere = mSelStart == mSelEnd && mSelStart >= from && mSelStart <= to;
      if (caretHere || (a < b) || (mSelStart <= from && mSelEnd > to)) {
        const std::int32_t x1 = TextLeft() + TextWidth(mText.data(), std::int32_t(from), std::int32_t(a - from));
        std::int32_t x2 = TextLeft() + TextWidth(mText.data(), std::int32_t(from), std::int32_t(b - from));
        if (caretHere) x2 = x1 + 1;
        else if (mSelEnd > to) x2 += 4;   // the line end is selected too
        Rect sel{KxPinShort(base - info.ascent), KxPinShort(x1), KxPinShort(base + info.descent), KxPinShort(x2)};
        InvertRect(&sel);
      }
    }
    base += lineHeight;
  }
}

void KXScriptBox::ClickSelf(const SMouseDownEvent& event) {
  if (!IsOnDuty() || GetTarget() != this) SwitchTarget(this);
  if (FocusDraw()) ApplyForeAndBack();
  RectL f;
  CalcLocalFrameRect(f);
  KxFontInfo info;
  GetFontInfo(&info);
  const std::int32_t lineHeight = std::max(1, info.ascent + info.descent + info.leading);
  const auto lines = Lines(mText);
  const std::size_t n = std::size_t(std::clamp<std::int32_t>((event.whereLocal.v - f.top - 3) / lineHeight, 0,
                                                               std::int32_t(lines.size()) - 1));
  const auto [from, to] = lines[n];
  std::size_t at = from;
  std::int32_t h = TextLeft();
  while (at < to) {
    const std::size_t next = NextBoundary(at);
    const std::int32_t w = TextWidth(mText.data(), std::int32_t(at), std::int32_t(next - at));
    if (event.whereLocal.h < h + w / 2) break;
    h += w;
    at = next;
  }
  if (event.macEvent.modifiers & kKxEventShiftKey)
    SetSelection(std::min(mSelStart, at), std::max(mSelEnd, at));
  else
    SetSelection(at, at);
  Refresh();
}

