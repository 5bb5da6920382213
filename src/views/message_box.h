// Alerts through which the program tells the user of errors and results:
// texts from string list 204 shown in alert 205. While an alert is up the
// tool palettes are hidden and the other windows inactive; both come back
// when it ends, also when it ends by an exception.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/framework/window.h"

constexpr std::int16_t kKxMessageStringsID = 204;
constexpr ResIDT kKxMessageAlertID = 205;
// Alert texts travel as length-prefixed strings.
constexpr std::size_t kKxMaxMessageBytes = 255;

enum KxMessageKind : std::int16_t {
  kKxAlertPlain = 0,
  kKxAlertStop = 1,
  kKxAlertCaution = 2,
  kKxAlertNote = 3,
};

class KXMessageBox {
 public:
  // Item `index` of list 204 (empty when missing) as a stop (1), caution
  // (2), note (3) or plain (any other kind) alert.
  static void Alert(std::int16_t kind, std::int16_t index);
  static void Stop(std::int16_t index) { Alert(kKxAlertStop, index); }
  // A note showing `text` (Shift_JIS).
  static void StrNote(const std::string& text);
  // A note showing the decimal number followed directly by item `index`.
  static void NumNote(std::int16_t index, long number);
  // The text of item `index` of list 204.
  static std::string MessageText(std::int16_t index);
  // Cut to 255 bytes, never inside a double-byte character.
  static std::string CutMessage(const std::string& text);

 private:
  static void Show(std::int16_t kind, const std::string& text);
};

// Hides the tool palettes for a scope (nested scopes hide once). The
// palettes install the function that hides (true) and shows them (false).
using KxPaletteHideFn = void (*)(bool hide);
KxPaletteHideFn KxSetPaletteHideHook(KxPaletteHideFn hook);
class StKXTextToolbarHide {
 public:
  StKXTextToolbarHide();
  ~StKXTextToolbarHide();
  StKXTextToolbarHide(const StKXTextToolbarHide&) = delete;
  StKXTextToolbarHide& operator=(const StKXTextToolbarHide&) = delete;
  static int Depth();
};

// Deactivates every active window for a scope and activates again those
// that still exist at its end.
class StDesktopDeactivator {
 public:
  StDesktopDeactivator();
  ~StDesktopDeactivator();
  StDesktopDeactivator(const StDesktopDeactivator&) = delete;
  StDesktopDeactivator& operator=(const StDesktopDeactivator&) = delete;

 private:
  std::vector<KxWindowID> mDeactivated;
};
