#include "app/find_strings.h"

#include "app/globals.h"
#include "text/codes/script.h"

namespace {
std::string gFindString, gReplString;
std::function<void(const std::string&)>& ToolbarHook() {
  static std::function<void(const std::string&)> hook;
  return hook;
}
constexpr short kFlagBits[] = {4, 8, 2, 0, 1, 16};
}  // namespace

std::string KxCutOnCharBoundary(const std::string& text, std::size_t max) {
  return text.substr(0, KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(text.data()), text.size(), max));
}

const std::string& KxGetFindString() { return gFindString; }
void KxSetFindString(const std::string& text) { gFindString = KxCutOnCharBoundary(text, kKxFindStringMax); }
const std::string& KxGetReplString() { return gReplString; }
void KxSetReplString(const std::string& text) { gReplString = KxCutOnCharBoundary(text, kKxFindStringMax); }

bool KxGetFindFlag(KxFindFlag flag) { return gPreference.findOptions[std::size_t(flag)] != 0; }
void KxSetFindFlag(KxFindFlag flag, bool on) { gPreference.findOptions[std::size_t(flag)] = on ? 1 : 0; }

short KxFindOptionsFromPrefs() {
  short options = 0;
  for (std::size_t i = 0; i < std::size(kFlagBits); ++i)
    if (gPreference.findOptions[i]) options = short(options | kFlagBits[i]);
  return options;
}

void KxSetToolbarFindHook(std::function<void(const std::string&)> hook) { ToolbarHook() = std::move(hook); }
void KxToolbarFindString(const std::string& text) {
  if (ToolbarHook()) ToolbarHook()(text);
}
