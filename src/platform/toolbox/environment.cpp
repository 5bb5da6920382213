#include "platform/toolbox/environment.h"

std::uint8_t UKXEnvironment::sHasMacOS71 = 0, UKXEnvironment::sHasMacOS8 = 0, UKXEnvironment::sHasMacOS9 = 0,
             UKXEnvironment::sHasMacOSX = 0, UKXEnvironment::sHasMacOSX102 = 0, UKXEnvironment::sHasMacOSX103 = 0,
             UKXEnvironment::sHasMacOSX104 = 0, UKXEnvironment::sHasMacOSX105 = 0,
             UKXEnvironment::sHasMacOSX106 = 0, UKXEnvironment::sHasAppearance = 0,
             UKXEnvironment::sHasWindowMgr2 = 0, UKXEnvironment::sHasCarbon = 1, UKXEnvironment::sHasUnicode = 0;

namespace {
constexpr std::uint16_t kMinAppearance = 0x0110;
}

void UKXEnvironment::InitEnvironment(std::uint16_t v, std::uint16_t appearanceVersion) {
  const bool appearance = appearanceVersion >= kMinAppearance;
  sHasAppearance = appearance;
  sHasMacOS71 = v < 0x0750;
  sHasMacOS8 = v < 0x0900 && appearance;
  sHasMacOS9 = v >= 0x0900 && v <= 0x0FFF;
  sHasMacOSX = v >= 0x1000;
  // Each "10.x" flag means that version or later.
  sHasMacOSX102 = v >= 0x1020;
  sHasMacOSX103 = v >= 0x1030;
  sHasMacOSX104 = v >= 0x1040;
  sHasMacOSX105 = v >= 0x1050;
  sHasMacOSX106 = v >= 0x1060;
  sHasWindowMgr2 = v >= 0x0860;   // our host windows do all that it offered
  sHasCarbon = 1;
  sHasUnicode = v >= 0x0860;
}
