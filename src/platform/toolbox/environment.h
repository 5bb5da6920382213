// Environment flags: what the platform offers, set once at start-up. The
// program asks these instead of the system. This platform answers as the
// newest system the flags know, without the appearance theme (the program
// draws its own bevels, see platform/draw/color.h).
#pragma once

#include <cstdint>

// The system version the flags are answered for (BCD, as 0x1060).
constexpr std::uint16_t kKxSystemVersion = 0x1060;

class UKXEnvironment {
 public:
  static std::uint8_t sHasMacOS71, sHasMacOS8, sHasMacOS9, sHasMacOSX, sHasMacOSX102, sHasMacOSX103,
      sHasMacOSX104, sHasMacOSX105, sHasMacOSX106, sHasAppearance, sHasWindowMgr2, sHasCarbon, sHasUnicode;

  // Sets every flag from a BCD system version and whether a theme (the
  // appearance manager, version 0x0110 or later) runs.
  static void InitEnvironment(std::uint16_t systemVersion = kKxSystemVersion, std::uint16_t appearanceVersion = 0);
};
