// Byte steps the code converters share.
#pragma once

#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Whether the 8 bytes at p are all ASCII.
inline bool KxAllASCII8(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return (v & 0x8080808080808080ULL) == 0;
}

// The first index from i on (short of n) whose byte is not ASCII or is one
// of the two marks; n when there is none. Sixteen bytes a step.
inline long KxAsciiEnd(const unsigned char* p, long i, long n, unsigned char markA = 0x80,
                       unsigned char markB = 0x80) {
#if defined(__SSE2__)
  const __m128i a = _mm_set1_epi8(char(markA)), b = _mm_set1_epi8(char(markB));
  for (; n - i >= 16; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const int stops = _mm_movemask_epi8(_mm_or_si128(v, _mm_or_si128(_mm_cmpeq_epi8(v, a), _mm_cmpeq_epi8(v, b))));
    if (stops) return i + __builtin_ctz(unsigned(stops));
  }
#endif
  for (; i < n; ++i)
    if (p[i] >= 0x80 || p[i] == markA || p[i] == markB) return i;
  return n;
}

// A code point as UTF-8 at o (1 to 4 bytes); answers the end.
inline unsigned char* KxPutUTF8(unsigned char* o, char32_t v) {
  if (v < 0x80) {
    *o++ = static_cast<unsigned char>(v);
  } else if (v < 0x800) {
    *o++ = static_cast<unsigned char>(0xC0 | (v >> 6));
    *o++ = static_cast<unsigned char>(0x80 | (v & 0x3F));
  } else if (v < 0x10000) {
    *o++ = static_cast<unsigned char>(0xE0 | (v >> 12));
    *o++ = static_cast<unsigned char>(0x80 | ((v >> 6) & 0x3F));
    *o++ = static_cast<unsigned char>(0x80 | (v & 0x3F));
  } else {
    *o++ = static_cast<unsigned char>(0xF0 | (v >> 18));
    *o++ = static_cast<unsigned char>(0x80 | ((v >> 12) & 0x3F));
    *o++ = static_cast<unsigned char>(0x80 | ((v >> 6) & 0x3F));
    *o++ = static_cast<unsigned char>(0x80 | (v & 0x3F));
  }
  return o;
}
