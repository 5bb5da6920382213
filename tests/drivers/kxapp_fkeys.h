// kxapp's function-key bar and palette-preference steps, for its step table:
//
//   --screen W,H (option)
//       the headless main screen is W x H (default 1024,768); its work area
//       is the whole screen.
//   keys MODS|none
//       from now on the keyboard reports MODS (shift, option, shift+option)
//       as held, as the state the bar polls; no key event is sent.
//   print fkeys
//       nothing without the bar; else `fkeys COUNT PLANE`, then per shown
//       key `F<n> L T R B CMD LABEL` (bar coordinates; CMD 0 when unbound;
//       LABEL in UTF-8, with no space after CMD when it is empty).
//   print toolprefs
//       `palette BYTE` and `fkeys SHOWN L T R B` from the preferences in
//       memory.
#pragma once

#include <cstdlib>
#include <utility>
#include <string>
#include <vector>

#include "platform/framework/events.h"
#include "platform/keys.h"
#include "platform/textconv.h"
#include "views/text_function_bar.h"
#include "views/text_view_commands.h"

namespace kxapp_fkeys {

// `W,H` with both at least 100 px; false otherwise.
inline bool ParseScreen(const std::string& text, int& width, int& height) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  char* end = nullptr;
  const long w = std::strtol(text.c_str(), &end, 10);
  if (end != text.c_str() + comma) return false;
  const long h = std::strtol(text.c_str() + comma + 1, &end, 10);
  if (*end != 0 || w < 100 || h < 100 || w > 32000 || h > 32000) return false;
  width = int(w);
  height = int(h);
  return true;
}

// The keyboard the `keys` step sets: it stays installed to the end.
inline KxKeyState& HeldKeys() {
  static KxKeyState keys;
  return keys;
}

// `keys` with its words: modifiers joined by '+' (shift, option, control,
// command, capslock) or none; false on bad usage.
inline bool KeysStep(const std::vector<std::string>& args) {
  if (args.size() != 1) return false;
  static const std::pair<const char*, int> kNames[] = {
      {"shift", kKxKeyShift},     {"option", kKxKeyOption},      {"command", kKxKeyCommand},
      {"control", kKxKeyControl}, {"capslock", kKxKeyCapsLock}};
  std::vector<int> codes;
  if (args[0] != "none") {
    std::size_t from = 0;
    for (;;) {
      const std::size_t plus = args[0].find('+', from);
      const std::string word = args[0].substr(from, plus == std::string::npos ? std::string::npos : plus - from);
      int code = -1;
      for (const auto& [name, c] : kNames)
        if (word == name) code = c;
      if (code < 0) return false;
      codes.push_back(code);
      if (plus == std::string::npos) break;
      from = plus + 1;
    }
  }
  KxKeyState& keys = HeldKeys();
  keys.ReleaseAll();
  for (int code : codes) keys.SetKey(code, true);
  KxSetKeySource(&keys);
  return true;
}

inline std::string Rect4(const RectL& r) {
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
         std::to_string(r.bottom);
}

inline std::vector<std::string> FkeyLines() {
  std::vector<std::string> out;
  CKXTextFunctionBar* bar = CKXTextFunctionBar::Get();
  if (!bar) return out;
  out.push_back("fkeys " + std::to_string(bar->GetKeyCount()) + " " + std::to_string(bar->GetPlane()));
  for (int k = 0; k < bar->GetKeyCount(); ++k) {
    bool enabled = false;
    const CommandT cmd = bar->GetMenuCommand(k, enabled);
    const std::string label = KxScriptTextToUTF8(bar->GetLabels().Get(bar->GetPlane(), k + 1));
    std::string line = "F" + std::to_string(k + 1) + " " + Rect4(bar->GetRects()[std::size_t(k)]) + " " +
                       std::to_string(cmd);
    if (!label.empty()) line += " " + label;
    out.push_back(line);
  }
  return out;
}

inline std::vector<std::string> ToolPrefLines() {
  CKXTextViewServices& s = CKXTextViewServices::Get();
  const Rect b = s.GetFunctionBarBounds();
  return {"palette " + std::to_string(int(s.GetPaletteByte())),
          std::string("fkeys ") + (s.GetFunctionBarShown() ? "1 " : "0 ") +
              Rect4(RectL{b.top, b.left, b.bottom, b.right})};
}

}  // namespace kxapp_fkeys
