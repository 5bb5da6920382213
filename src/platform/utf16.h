// UTF-16 surrogate pairs: the one place that joins a pair into a code point
// and splits a code point above U+FFFF into a pair. Pure; callers decide
// what an unpaired surrogate becomes.
#pragma once

#include <cstdint>

constexpr bool KxIsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool KxIsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
constexpr bool KxIsSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// The code point of a high and a low surrogate, or 0 when they are no pair.
constexpr char32_t KxJoinSurrogates(std::uint32_t high, std::uint32_t low) {
  if (!KxIsHighSurrogate(high) || !KxIsLowSurrogate(low)) return 0;
  return 0x10000 + ((char32_t(high) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
}

// The two units of a code point from U+10000 to U+10FFFF.
constexpr char16_t KxHighSurrogate(char32_t cp) { return char16_t(0xD800 + ((cp - 0x10000) >> 10)); }
constexpr char16_t KxLowSurrogate(char32_t cp) { return char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)); }
