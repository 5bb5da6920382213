// Byte steps the code converters share.
#pragma once

#include <cstdint>
#include <cstring>

// Whether the 8 bytes at p are all ASCII.
inline bool KxAllASCII8(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return (v & 0x8080808080808080ULL) == 0;
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
