// Text files for the drivers that lay text out: bytes in any of the
// Japanese encodings (detected unless named) become the text's own
// Shift_JIS with side entries for what it cannot hold, line ends CR.
#pragma once

#include <string>
#include <vector>

#include "text/base/memory.h"
#include "text/codes/jcode.h"
#include "text/codes/script.h"
#include "text/codes/unicode.h"

namespace kxdriver {

using HandleOwner = StKxHandle;

// UTF-16 units of UTF-8 or UTF-16 bytes (a byte-order mark chooses the order).
inline std::vector<char16_t> Units(short code, const unsigned char* p, long n) {
  CKXJCode conv;
  bool little = false;
  if (code == kKxCodeUTF8) {
    // The byte-order mark is no character of the text, as the program reads it.
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) p += 3, n -= 3;
    conv.UTF8toUNICODE(p, n, false);
    p = conv.GetTextPtr();
    n = conv.GetTextSize();
  } else if (n >= 2 && ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE))) {
    little = p[0] == 0xFF;
    p += 2;
    n -= 2;
  }
  std::vector<char16_t> u(size_t(n / 2));
  for (long k = 0; k + 1 < n; k += 2)
    u[size_t(k / 2)] = little ? char16_t(p[k] | p[k + 1] << 8) : char16_t(p[k] << 8 | p[k + 1]);
  return u;
}

inline bool FromUnits(const std::vector<char16_t>& units, std::string& text, std::vector<SKXUniChar>& sides) {
  HandleOwner t, e;
  long len = 0, count = 0;
  if (!UKXUnicode::ConvertToText(units.data(), long(units.size()), nullptr, t.h, len, e.h, count, kScriptJapanese))
    return false;
  text.assign(t.h ? *t.h : nullptr, t.h ? size_t(len) : 0);
  sides.clear();
  if (e.h && count > 0) {
    const auto* s = reinterpret_cast<const SKXUniChar*>(*e.h);
    sides.assign(s, s + count);
  }
  return true;
}

// Encoding names of the --encoding option; -2 for an unknown name.
inline short EncodingCode(const std::string& name) {
  if (name == "auto") return kKxCodeAuto;
  static const char* const kCodes[] = {"sjis", "jis", "euc", "utf16", "utf8"};
  for (short k = 0; k < 5; ++k)
    if (name == kCodes[k]) return k;
  return -2;
}

// File bytes as the text's Shift_JIS with side entries, line ends CR.
inline bool DecodeText(const std::vector<unsigned char>& raw, short code, std::string& text,
                       std::vector<SKXUniChar>& sides) {
  const unsigned char* p = raw.data();
  const long n = long(raw.size());
  if (code == kKxCodeAuto) {
    CKXJCode::sUseUNICODE = 1;
    CKXJCode::sUseCVKANJI = 1;
    code = CKXJCode::AutoCheck(p, n);
  }
  // Shift_JIS is read where it stands: a large file is not held three
  // times over.
  std::string converted;
  CKXJCode conv;
  const char* src = reinterpret_cast<const char*>(p);
  size_t len = size_t(n);
  sides.clear();
  if (code == kKxCodeUTF8 || code == kKxCodeUTF16) {
    if (!FromUnits(Units(code, p, n), converted, sides)) return false;
    src = converted.data(), len = converted.size();
  } else if (code != kKxCodeSJIS) {
    if (code == kKxCodeJIS)
      conv.JIStoSJIS(p, n);
    else
      conv.EUCtoSJIS(p, n);
    src = reinterpret_cast<const char*>(conv.GetTextPtr()), len = size_t(conv.GetTextSize());
  }
  // Line ends become CR; side entries follow their characters, each moved
  // back by the line feeds dropped before it.
  text.clear();
  text.reserve(len);
  size_t side = 0;
  std::int32_t dropped = 0;
  for (size_t k = 0; k < len; ++k) {
    while (side < sides.size() && size_t(sides[side].offset) < k) sides[side++].offset -= dropped;
    if (src[k] == '\r' && k + 1 < len && src[k + 1] == '\n') {
      ++dropped;
      continue;
    }
    text += src[k] == '\n' ? '\r' : src[k];
  }
  while (side < sides.size()) sides[side++].offset -= dropped;
  return true;
}

}  // namespace kxdriver
