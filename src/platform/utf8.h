// UTF-8 sequences: the one place that reads a lead byte's sequence into a
// code point. Pure; callers decide what a stray byte, an overlong form or a
// surrogate becomes.
#pragma once

#include <cstddef>
#include <string>

struct KxUtf8Sequence {
  // 1-4 by the lead byte; 0 when the byte leads no sequence or the
  // sequence runs past the end.
  int length = 0;
  // False when a continuation byte is not one (`length` still counts the
  // lead's sequence).
  bool wellFormed = false;
  char32_t cp = 0;   // the bits read, when `length` is not 0
};

inline KxUtf8Sequence KxUtf8SequenceAt(const std::string& s, std::size_t i) {
  KxUtf8Sequence q;
  if (i >= s.size()) return q;
  const auto b = static_cast<unsigned char>(s[i]);
  const int n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
  if (n == 0 || i + std::size_t(n) > s.size()) return q;
  q.length = n;
  q.wellFormed = true;
  q.cp = n == 1 ? b : char32_t(b & (0x7F >> n));
  for (int k = 1; k < n; ++k) {
    const auto t = static_cast<unsigned char>(s[i + std::size_t(k)]);
    q.wellFormed = q.wellFormed && (t & 0xC0) == 0x80;
    q.cp = (q.cp << 6) | (t & 0x3F);
  }
  return q;
}

// A well-formed sequence in its shortest form naming a scalar value (no
// surrogate, nothing past U+10FFFF).
inline bool KxUtf8IsScalar(const KxUtf8Sequence& q) {
  constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  return q.length > 0 && q.wellFormed && q.cp >= kLeast[q.length] && q.cp <= 0x10FFFF &&
         (q.cp < 0xD800 || q.cp > 0xDFFF);
}
