// The option preferences (layout 3000): the shift unit of the shift
// commands and the settings of paragraph reformatting.
#include <algorithm>
#include <cstring>

#include "app/app_dialog.h"
#include "app/application.h"
#include "app/globals.h"
#include "platform/framework/control.h"
#include "platform/host/host.h"
#include "text/codes/script.h"
#include "text/store/transform.h"

namespace {

constexpr ResIDT kOptPrefLayout = 3000;
constexpr PaneIDT kShiftTab = 3004, kShiftSpace = 3005, kShiftCustom = 3006;
constexpr PaneIDT kShiftString = 3007;
constexpr PaneIDT kWidth = 3009, kRuleLevel = 3010, kWordWrap = 3011, kIndent = 3012, kRemoveAll = 3013;
constexpr CommandT kOK = -3021;

KxModelessDialog gOptPref;

}  // namespace

void CKXTextApp::OpenOptPrefDialog() {
  if (gOptPref.IsOpen()) {
    gOptPref.Show();
    return;
  }
  if (!gOptPref.Open(kOptPrefLayout, this)) {
    KxCurrentHost().Beep();
    return;
  }
  short type = 0;
  unsigned char string[UKXText::kShiftStringSize] = {0};
  UKXText::GetShiftType(type, string);
  const PaneIDT radio = type == UKXText::kShiftCustom  ? kShiftCustom
                        : type == UKXText::kShiftSpace ? kShiftSpace
                                                       : kShiftTab;
  gOptPref.SetValue(radio, 1);
  gOptPref.SetText(kShiftString, std::string(reinterpret_cast<const char*>(string + 1),
                                             std::min<std::size_t>(string[0], UKXText::kShiftStringSize - 1)));
  long width = 0;
  short level = 0;
  unsigned char wordWrap = 0, indent = 0, removeAll = 0;
  UKXText::GetReformMode(&width, &level, &wordWrap, &indent, &removeAll);
  gOptPref.SetValue(kWidth, std::int32_t(width));
  gOptPref.SetValue(kRuleLevel, level + 1);
  gOptPref.SetValue(kWordWrap, wordWrap ? 1 : 0);
  gOptPref.SetValue(kIndent, indent ? 1 : 0);
  gOptPref.SetValue(kRemoveAll, removeAll ? 1 : 0);
  gOptPref.Show();
}

bool CKXTextApp::OptPrefDialogCommand(CommandT message, void*) {
  if (!gOptPref.IsOpen()) return false;
  if (message != kOK) {
    gOptPref.Close();
    return true;
  }
  const short type = gOptPref.Value(kShiftCustom)  ? UKXText::kShiftCustom
                     : gOptPref.Value(kShiftSpace) ? UKXText::kShiftSpace
                                                   : UKXText::kShiftTab;
  // The stored string holds 31 bytes: a longer one loses whole characters.
  const std::string text = gOptPref.Text(kShiftString);
  const std::size_t n = KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                                            UKXText::kShiftStringSize - 1);
  const std::int32_t width = gOptPref.Value(kWidth);
  if ((type == UKXText::kShiftCustom && n == 0) || width < 1) {
    KxCurrentHost().Beep();
    return true;
  }
  unsigned char string[UKXText::kShiftStringSize] = {0};
  string[0] = std::uint8_t(n);
  std::memcpy(string + 1, text.data(), n);
  UKXText::SetShiftType(type, string);
  UKXText::SetReformMode(width, short(std::max(gOptPref.Value(kRuleLevel), 1) - 1),
                         gOptPref.Value(kWordWrap) ? 1 : 0, gOptPref.Value(kIndent) ? 1 : 0,
                         gOptPref.Value(kRemoveAll) ? 1 : 0);
  gPrefModify = true;
  gOptPref.Close();
  return true;
}
