#include "platform/gtk/gtk_translate.h"

#include <gdk/gdk.h>
#include <gdk/gdkkeysyms.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/framework/events.h"
#include "platform/script.h"
#include "platform/textconv.h"

namespace {

// Character codes the program expects from keys that type no letter.
constexpr std::uint8_t kCharHome = 0x01;
constexpr std::uint8_t kCharEnter = 0x03;
constexpr std::uint8_t kCharEnd = 0x04;
constexpr std::uint8_t kCharHelp = 0x05;
constexpr std::uint8_t kCharBackspace = 0x08;
constexpr std::uint8_t kCharTab = 0x09;
constexpr std::uint8_t kCharPageUp = 0x0B;
constexpr std::uint8_t kCharPageDown = 0x0C;
constexpr std::uint8_t kCharReturn = 0x0D;
constexpr std::uint8_t kCharFunctionKey = 0x10;
constexpr std::uint8_t kCharForwardDelete = 0x7F;
constexpr std::uint8_t kCharControlMask = 0x1F;   // control + letter types letter & 0x1F

// Key codes of keys without an entry in events.h.
constexpr std::uint8_t kKeyHelp = 0x72;

struct Special {
  unsigned keyval;
  std::uint8_t keyCode;
  std::uint8_t charCode;
};

// Keys that type a fixed character (or none) whatever the layout.
constexpr Special kSpecial[] = {
    {GDK_KEY_Return, kKxKeyReturn, kCharReturn},
    {GDK_KEY_KP_Enter, kKxKeyEnter, kCharEnter},
    {GDK_KEY_ISO_Enter, kKxKeyEnter, kCharEnter},
    {GDK_KEY_Tab, kKxKeyTab, kCharTab},
    {GDK_KEY_ISO_Left_Tab, kKxKeyTab, kCharTab},
    {GDK_KEY_KP_Tab, kKxKeyTab, kCharTab},
    {GDK_KEY_BackSpace, kKxKeyBackspace, kCharBackspace},
    {GDK_KEY_Escape, kKxKeyEscape, kKxCharEscape},
    {GDK_KEY_Delete, kKxKeyForwardDelete, kCharForwardDelete},
    {GDK_KEY_KP_Delete, kKxKeyForwardDelete, kCharForwardDelete},
    {GDK_KEY_Home, kKxKeyHome, kCharHome},
    {GDK_KEY_KP_Home, kKxKeyHome, kCharHome},
    {GDK_KEY_End, kKxKeyEnd, kCharEnd},
    {GDK_KEY_KP_End, kKxKeyEnd, kCharEnd},
    {GDK_KEY_Page_Up, kKxKeyPageUp, kCharPageUp},
    {GDK_KEY_KP_Page_Up, kKxKeyPageUp, kCharPageUp},
    {GDK_KEY_Page_Down, kKxKeyPageDown, kCharPageDown},
    {GDK_KEY_KP_Page_Down, kKxKeyPageDown, kCharPageDown},
    {GDK_KEY_Left, kKxKeyLeft, kKxCharLeftArrow},
    {GDK_KEY_KP_Left, kKxKeyLeft, kKxCharLeftArrow},
    {GDK_KEY_Right, kKxKeyRight, kKxCharRightArrow},
    {GDK_KEY_KP_Right, kKxKeyRight, kKxCharRightArrow},
    {GDK_KEY_Up, kKxKeyUp, kKxCharUpArrow},
    {GDK_KEY_KP_Up, kKxKeyUp, kKxCharUpArrow},
    {GDK_KEY_Down, kKxKeyDown, kKxCharDownArrow},
    {GDK_KEY_KP_Down, kKxKeyDown, kKxCharDownArrow},
    {GDK_KEY_Help, kKeyHelp, kCharHelp},
    {GDK_KEY_Insert, kKeyHelp, kCharHelp},   // the help key sat where PC keyboards have Insert
    {GDK_KEY_F1, kKxKeyF1, kCharFunctionKey},
    {GDK_KEY_F2, kKxKeyF2, kCharFunctionKey},
    {GDK_KEY_F3, kKxKeyF3, kCharFunctionKey},
    {GDK_KEY_F4, kKxKeyF4, kCharFunctionKey},
    {GDK_KEY_F5, kKxKeyF5, kCharFunctionKey},
    {GDK_KEY_F6, kKxKeyF6, kCharFunctionKey},
    {GDK_KEY_F7, kKxKeyF7, kCharFunctionKey},
    {GDK_KEY_F8, kKxKeyF8, kCharFunctionKey},
    {GDK_KEY_F9, kKxKeyF9, kCharFunctionKey},
    {GDK_KEY_F10, kKxKeyF10, kCharFunctionKey},
    {GDK_KEY_F11, kKxKeyF11, kCharFunctionKey},
    {GDK_KEY_F12, kKxKeyF12, kCharFunctionKey},
    {GDK_KEY_F13, kKxKeyF13, kCharFunctionKey},
    {GDK_KEY_F14, kKxKeyF14, kCharFunctionKey},
    {GDK_KEY_F15, kKxKeyF15, kCharFunctionKey},
    {GDK_KEY_Menu, kKxKeyContextMenu, kCharFunctionKey},
    {GDK_KEY_Shift_L, kKxKeyShift, 0},
    {GDK_KEY_Shift_R, kKxKeyRightShift, 0},
    {GDK_KEY_Control_L, kKxKeyCommand, 0},
    {GDK_KEY_Control_R, kKxKeyRightCommand, 0},
    {GDK_KEY_Alt_L, kKxKeyOption, 0},
    {GDK_KEY_Alt_R, kKxKeyRightOption, 0},
    {GDK_KEY_ISO_Level3_Shift, kKxKeyRightOption, 0},
    {GDK_KEY_Super_L, kKxKeyControl, 0},
    {GDK_KEY_Super_R, kKxKeyRightControl, 0},
    {GDK_KEY_Caps_Lock, kKxKeyCapsLock, 0},
};

bool IsModifierKeyCode(std::uint8_t code) {
  return code == kKxKeyCommand || code == kKxKeyRightCommand || (code >= kKxKeyShift && code <= kKxKeyRightControl);
}

// Key codes of the printing keys of the US layout, by their unshifted
// character; the code names the key, not the character, as on the keyboard
// the program was written for.
std::uint8_t PrintingKeyCode(char32_t c) {
  static constexpr std::uint8_t kLetters[26] = {
      0x00, 0x0B, 0x08, 0x02, 0x0E, 0x03, 0x05, 0x04, 0x22, 0x26, 0x28, 0x25, 0x2E,   // a-m
      0x2D, 0x1F, 0x23, 0x0C, 0x0F, 0x01, 0x11, 0x20, 0x09, 0x0D, 0x07, 0x10, 0x06};  // n-z
  static constexpr std::uint8_t kDigits[10] = {0x1D, 0x12, 0x13, 0x14, 0x15, 0x17, 0x16, 0x1A, 0x1C, 0x19};
  if (c >= 'a' && c <= 'z') return kLetters[c - 'a'];
  if (c >= 'A' && c <= 'Z') return kLetters[c - 'A'];
  if (c >= '0' && c <= '9') return kDigits[c - '0'];
  switch (c) {
    case '=': case '+': return 0x18;
    case '-': case '_': return 0x1B;
    case ']': case '}': return 0x1E;
    case '[': case '{': return 0x21;
    case '\'': case '"': return 0x27;
    case ';': case ':': return 0x29;
    case '\\': case '|': return 0x2A;
    case ',': case '<': return 0x2B;
    case '/': case '?': return 0x2C;
    case '.': case '>': return 0x2F;
    case '`': case '~': return 0x32;
    case ' ': return kKxKeySpace;
    case '!': return 0x12;
    case '@': return 0x13;
    case '#': return 0x14;
    case '$': return 0x15;
    case '%': return 0x17;
    case '^': return 0x16;
    case '&': return 0x1A;
    case '*': return 0x1C;
    case '(': return 0x19;
    case ')': return 0x1D;
    default: return 0;
  }
}

// Keypad keys keep their own codes, so that the program can tell them apart.
std::uint8_t KeypadKeyCode(unsigned keyval) {
  switch (keyval) {
    case GDK_KEY_KP_Decimal: return 0x41;
    case GDK_KEY_KP_Multiply: return 0x43;
    case GDK_KEY_KP_Add: return 0x45;
    case GDK_KEY_KP_Divide: return 0x4B;
    case GDK_KEY_KP_Subtract: return 0x4E;
    case GDK_KEY_KP_Equal: return 0x51;
    case GDK_KEY_KP_0: return 0x52;
    case GDK_KEY_KP_1: return 0x53;
    case GDK_KEY_KP_2: return 0x54;
    case GDK_KEY_KP_3: return 0x55;
    case GDK_KEY_KP_4: return 0x56;
    case GDK_KEY_KP_5: return 0x57;
    case GDK_KEY_KP_6: return 0x58;
    case GDK_KEY_KP_7: return 0x59;
    case GDK_KEY_KP_8: return 0x5B;
    case GDK_KEY_KP_9: return 0x5C;
    default: return 0;
  }
}

}  // namespace

std::uint16_t KxGtkModifiers(unsigned gdkState) {
  std::uint16_t m = 0;
  if (gdkState & kKxGdkControlMask) m |= kKxEventCommandKey;
  if (gdkState & kKxGdkShiftMask) m |= kKxEventShiftKey;
  if (gdkState & kKxGdkAltMask) m |= kKxEventOptionKey;
  if (gdkState & kKxGdkSuperMask) m |= kKxEventControlKey;
  if (gdkState & kKxGdkLockMask) m |= kKxEventAlphaLock;
  if (!(gdkState & kKxGdkButton1Mask)) m |= kKxEventButtonState;
  return m;
}

unsigned KxGtkMaskFromModifiers(std::uint16_t modifiers) {
  unsigned m = 0;
  if (modifiers & kKxEventCommandKey) m |= kKxGdkControlMask;
  if (modifiers & kKxEventShiftKey) m |= kKxGdkShiftMask;
  if (modifiers & kKxEventOptionKey) m |= kKxGdkAltMask;
  if (modifiers & kKxEventControlKey) m |= kKxGdkSuperMask;
  return m;
}

bool KxGtkTranslateKey(unsigned keyval, std::uint16_t modifiers, KxGtkKey& key) {
  key = KxGtkKey{};
  for (const Special& s : kSpecial) {
    if (s.keyval != keyval) continue;
    key.keyCode = s.keyCode;
    key.charCode = s.charCode;
    key.modifierKey = IsModifierKeyCode(s.keyCode);
    return true;
  }
  const char32_t cp = gdk_keyval_to_unicode(keyval);
  if (cp == 0 || cp == 0x7F || cp < 0x20) return false;
  std::uint8_t code = KeypadKeyCode(keyval);
  if (code == 0) code = PrintingKeyCode(cp);
  // A character past ASCII is typed as text (the window's input-method
  // commit), which the text converts for the script it lands in: as a key
  // its byte would be read in the text's own code, where a Mac Roman é is
  // the first byte of a kanji.
  if (cp >= 0x80) return false;
  std::int32_t ch = std::int32_t(cp);
  // The control key types control characters from letters and the
  // bracket keys, as the keyboard the program was written for did.
  const bool controllable = (ch >= '@' && ch <= '_') || (ch >= 'a' && ch <= 'z');
  if ((modifiers & kKxEventControlKey) && controllable) ch &= kCharControlMask;
  key.keyCode = code;
  key.charCode = std::uint8_t(ch);
  return true;
}

int KxClickCounter::Press(std::uint32_t timeMs, int h, int v, unsigned button) {
  const bool again = mCount > 0 && button == mLastButton && timeMs - mLastTime <= mInterval &&
                     std::abs(h - mLastH) <= mSlop && std::abs(v - mLastV) <= mSlop;
  mCount = again ? mCount + 1 : 1;
  mLastTime = timeMs;
  mLastH = h;
  mLastV = v;
  mLastButton = button;
  return mCount;
}

void KxWheelAccumulator::AddSmooth(double dx, double dy, int& linesRight, int& linesDown) {
  if (!std::isfinite(dx)) dx = 0;
  if (!std::isfinite(dy)) dy = 0;
  mX += dx * kLinesPerSmoothUnit;
  mY += dy * kLinesPerSmoothUnit;
  const double bound = kMaxLines;
  if (mX > bound) mX = bound;
  if (mX < -bound) mX = -bound;
  if (mY > bound) mY = bound;
  if (mY < -bound) mY = -bound;
  linesRight = int(std::trunc(mX));
  linesDown = int(std::trunc(mY));
  mX -= linesRight;
  mY -= linesDown;
}

std::string KxGtkUtf8FromScript(const unsigned char* bytes, std::size_t length, short script) {
  std::string out;
  if (!bytes || length == 0) return out;
  TextToUnicodeInfo info = nullptr;
  if (CreateTextToUnicodeInfo(TextEncoding(script), &info) != noErr) {
    info = nullptr;
    CreateTextToUnicodeInfo(kKxEncodingMacRoman, &info);
  }
  std::vector<char16_t> units(length * 2 + 2);
  std::size_t at = 0;
  std::u16string text;
  while (at < length) {
    long read = 0, written = 0;
    const OSStatus s =
        ConvertFromTextToUnicode(info, long(length - at), bytes + at, nullptr, long(units.size() * sizeof(char16_t)),
                                 &read, &written, units.data());
    text.append(units.data(), std::size_t(written) / sizeof(char16_t));
    at += std::size_t(read);
    if (s == noErr || read < 0) break;
    // A byte that is no character stands as the replacement character.
    text.push_back(u'\uFFFD');
    ++at;
  }
  DisposeTextToUnicodeInfo(&info);
  gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text.data()), glong(text.size()), nullptr,
                                nullptr, nullptr);
  if (utf8) {
    out = utf8;
    g_free(utf8);
  }
  return out;
}

std::string KxGtkUtf8FromText(const std::string& text) {
  if (g_utf8_validate(text.data(), gssize(text.size()), nullptr)) return text;
  return KxGtkUtf8FromScript(reinterpret_cast<const unsigned char*>(text.data()), text.size(), 1);
}
