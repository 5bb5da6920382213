// What the GTK host translates without a display: key symbols to the
// program's key codes and characters, toolkit modifier masks to event
// modifier bits, click counting, wheel steps, and the program's menu and
// title texts (script bytes) to UTF-8. Key symbols and masks are passed as
// plain numbers, so this header stays free of the toolkit's headers.
#pragma once

#include <cstdint>
#include <string>

// Modifier masks of the toolkit (the X11 values GDK uses).
constexpr unsigned kKxGdkShiftMask = 1u << 0;
constexpr unsigned kKxGdkLockMask = 1u << 1;
constexpr unsigned kKxGdkControlMask = 1u << 2;
constexpr unsigned kKxGdkAltMask = 1u << 3;      // Mod1
constexpr unsigned kKxGdkButton1Mask = 1u << 8;
constexpr unsigned kKxGdkSuperMask = 1u << 26;

// Event modifier bits for a toolkit mask: Ctrl is the command key, Alt
// option, Super control, Shift shift; Caps Lock is alpha lock. The button
// bit is set while button 1 is up.
std::uint16_t KxGtkModifiers(unsigned gdkState);
// The toolkit mask that shows an item's key equivalent with these bits.
unsigned KxGtkMaskFromModifiers(std::uint16_t modifiers);

struct KxGtkKey {
  std::uint8_t keyCode = 0;   // the program's virtual key code
  std::uint8_t charCode = 0;  // the character, in script 0 for letters past ASCII
  bool modifierKey = false;   // Shift, Ctrl, Alt, Super, Caps Lock themselves
};

// Translates a key symbol pressed with the given event modifiers. False for
// keys that carry nothing the program reads (a character of no single-byte
// script, a dead key, an unknown function key); modifier keys answer true
// with `modifierKey` set and only a key code (for the key map).
bool KxGtkTranslateKey(unsigned keyval, std::uint16_t modifiers, KxGtkKey& key);

// Counts clicks: a press within the double-click time of the last one, near
// it and of the same button, counts one more; anything else starts again.
class KxClickCounter {
 public:
  // Times in milliseconds, `slop` in pixels each way.
  KxClickCounter(std::uint32_t doubleClickMs = 400, int slop = 5) : mInterval(doubleClickMs), mSlop(slop) {}
  void SetLimits(std::uint32_t doubleClickMs, int slop) {
    mInterval = doubleClickMs;
    mSlop = slop;
  }
  // The count of this press (1 for a single click).
  int Press(std::uint32_t timeMs, int h, int v, unsigned button);
  int Count() const { return mCount; }

 private:
  std::uint32_t mInterval;
  int mSlop;
  int mCount = 0;
  std::uint32_t mLastTime = 0;
  int mLastH = 0, mLastV = 0;
  unsigned mLastButton = 0;
};

// Collects wheel movement: discrete steps count one line each, smooth
// deltas add up until they make whole lines. Lines beyond +-kMaxLines in
// one turn are held at it.
class KxWheelAccumulator {
 public:
  static constexpr int kMaxLines = 1000;
  static constexpr double kLinesPerSmoothUnit = 3.0;   // one smooth unit is one notch
  // Adds a movement; answers the whole lines it completes.
  void AddSmooth(double dx, double dy, int& linesRight, int& linesDown);
  void Reset() { mX = mY = 0; }

 private:
  double mX = 0, mY = 0;
};

// The UTF-8 text of script bytes (Shift_JIS with the Mac extensions for
// script 1); a byte that is no character becomes U+FFFD, never dropped.
std::string KxGtkUtf8FromScript(const unsigned char* bytes, std::size_t length, short script = 1);
// The program's own texts for dialogs: UTF-8 as they stand, else script 1.
std::string KxGtkUtf8FromText(const std::string& text);
