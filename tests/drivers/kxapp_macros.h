// kxapp's macro steps, for its step table:
//
//   print macros
//       `0 HEX` for the last recorded macro (`0 -` when nothing is
//       recorded), then one line per macro of the macro list, `N NAME HEX`:
//       its number from 1, its name as UTF-8, its code in lower-case
//       hexadecimal (`-` for no code).
#pragma once

#include <cstdio>
#include <string>

#include "macros/macro.h"
#include "macros/macro_list.h"
#include "platform/textconv.h"
#include "text/base/memory.h"

namespace kxapp_macros {

inline std::string Hex(char** code, long size) {
  if (!code || size <= 0) return "-";
  size = std::min(size, KxMemHSize(code));
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (long i = 0; i < size; ++i) {
    const auto b = std::uint8_t((*code)[i]);
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out.empty() ? "-" : out;
}

inline void PrintMacros() {
  std::printf("0 %s\n", Hex(UKXTextMacro::mMacroData, UKXTextMacro::mMacroSize).c_str());
  if (!gKXTextMacros) return;
  SKXTMacro m;
  for (long n = 1; n <= gKXTextMacros->GetCount(); ++n) {
    if (!gKXTextMacros->GetAt(n, m)) continue;
    const std::string name(reinterpret_cast<const char*>(m.name + 1), std::min<std::size_t>(m.name[0], 31));
    std::printf("%ld %s %s\n", n, KxScriptTextToUTF8(name).c_str(), Hex(m.code, m.size).c_str());
  }
}

}  // namespace kxapp_macros
