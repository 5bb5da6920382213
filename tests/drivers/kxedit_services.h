// kxedit --window: the Services exchange's events, sent to the
// application's event target with the window's text view as the target.
//   services types                 "copy:" and "paste:", each with the types
//                                  the handler added, in order
//   services copy                  the copy event into a fresh scrap: one
//                                  "TYPE HEX" line per flavor put, in order
//   services paste TYPE=DATA ...   the paste event from a scrap holding those
//                                  flavors in order; DATA is hexadecimal
//                                  without spaces, or @FILE for FILE's bytes
//   services kind N                an event of class "serv" and kind N
//                                  without parameters
// Each but `types` ends with "result N", the handler's answer (0 handled,
// -9874 not handled). Without --window: exit 2.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/services.h"
#include "platform/files.h"
#include "platform/framework/commander.h"
#include "views/split_view.h"
#include "views/text_view.h"

namespace kxservices {

inline std::string TypeText(OSType type) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) s += char((type >> shift) & 0xFF);
  return s;
}

// A four-character code; a shorter one is padded with spaces ("RTF").
inline bool ParseType(const std::string& text, OSType& type) {
  if (text.empty() || text.size() > 4) return false;
  std::string code = text;
  code.resize(4, ' ');
  type = 0;
  for (char c : code) type = (type << 8) | static_cast<unsigned char>(c);
  return true;
}

inline bool ParseHex(const std::string& text, std::vector<std::uint8_t>& out) {
  if (text.size() % 2) return false;
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  out.clear();
  for (std::size_t k = 0; k < text.size(); k += 2) {
    const int hi = digit(text[k]), lo = digit(text[k + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(std::uint8_t(hi * 16 + lo));
  }
  return true;
}

// The bytes as `clipboard TYPE` prints them.
inline std::string HexLine(const std::vector<std::uint8_t>& bytes) {
  std::string line;
  char hex[4];
  for (std::size_t k = 0; k < bytes.size(); ++k) {
    std::snprintf(hex, sizeof hex, k ? " %02x" : "%02x", bytes[k]);
    line += hex;
  }
  return line;
}

// 0 done, 1 bad input (why says what), 2 no window.
inline int Step(const std::vector<std::string>& args, KxTextPanes* panes, std::string& why) {
  if (!panes) {
    std::fprintf(stderr, "kxedit: services needs --window\n");
    return 2;
  }
  const char* usage = "services types|copy|paste TYPE=DATA...|kind N";
  if (args.empty()) return why = usage, 1;
  UKXTextOSXServices::Initialize();
  // The window's text view is the target (a click may have chosen the
  // other pane of a split window).
  LCommander* target = LCommander::GetTarget();
  if (!target || (target != panes->view[0] && target != panes->view[1])) LCommander::SwitchTarget(panes->view[0]);

  const std::string& what = args[0];
  if (what == "types") {
    if (args.size() != 1) return why = "services types", 1;
    KxTargetEvent event(kKxEventClassService, kKxEventServiceGetTypes);
    event.AddTypeList(kKxParamServiceCopyTypes);
    event.AddTypeList(kKxParamServicePasteTypes);
    KxAppEventTarget::Send(event);
    std::string copy = "copy:", paste = "paste:";
    for (OSType t : event.GetTypes(kKxParamServiceCopyTypes)) copy += " " + TypeText(t);
    for (OSType t : event.GetTypes(kKxParamServicePasteTypes)) paste += " " + TypeText(t);
    std::printf("%s\n%s\n", copy.c_str(), paste.c_str());
    return 0;
  }
  if (what == "copy") {
    if (args.size() != 1) return why = "services copy", 1;
    KxTargetEvent event(kKxEventClassService, kKxEventServiceCopy);
    KxClipboardStore& scrap = event.AddScrap(kKxParamScrapRef);
    const OSStatus result = KxAppEventTarget::Send(event);
    for (OSType t : scrap.Types()) {
      std::vector<std::uint8_t> bytes;
      scrap.Get(t, bytes);
      const std::string hex = HexLine(bytes);
      std::printf("%s%s%s\n", TypeText(t).c_str(), hex.empty() ? "" : " ", hex.c_str());
    }
    std::printf("result %d\n", int(result));
    return 0;
  }
  if (what == "paste") {
    KxTargetEvent event(kKxEventClassService, kKxEventServicePaste);
    KxClipboardStore& scrap = event.AddScrap(kKxParamScrapRef);
    for (std::size_t k = 1; k < args.size(); ++k) {
      const std::size_t eq = args[k].find('=');
      OSType type = 0;
      if (eq == std::string::npos || !ParseType(args[k].substr(0, eq), type))
        return why = "services paste TYPE=DATA (TYPE a four-character code): " + args[k], 1;
      const std::string data = args[k].substr(eq + 1);
      std::vector<std::uint8_t> bytes;
      if (!data.empty() && data[0] == '@') {
        std::vector<unsigned char> file;
        if (KxReadFile(data.substr(1).c_str(), file)) return why = "cannot read " + data.substr(1), 1;
        bytes.assign(file.begin(), file.end());
      } else if (!ParseHex(data, bytes)) {
        return why = "services paste: DATA is hexadecimal without spaces, or @FILE: " + args[k], 1;
      }
      scrap.Put(type, bytes.data(), bytes.size());
    }
    std::printf("result %d\n", int(KxAppEventTarget::Send(event)));
    return 0;
  }
  if (what == "kind") {
    char* end = nullptr;
    const unsigned long long n = args.size() == 2 ? std::strtoull(args[1].c_str(), &end, 10) : 0;
    if (args.size() != 2 || args[1].empty() || args[1][0] == '-' || !end || *end || n > 0xFFFFFFFFull)
      return why = "services kind N (0 to 4294967295)", 1;
    KxTargetEvent event(kKxEventClassService, std::uint32_t(n));
    std::printf("result %d\n", int(KxAppEventTarget::Send(event)));
    return 0;
  }
  return why = usage, 1;
}

}  // namespace kxservices
