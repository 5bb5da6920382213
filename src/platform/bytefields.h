// Field-by-field access to byte layouts of outside data, in an explicit
// byte order. The fields are often unaligned, so they are always read and
// written a byte at a time (or through memcpy for the native order).
#pragma once

#include <cstdint>
#include <cstring>

inline std::uint16_t KxGetU16BE(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t KxGetU32BE(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
         std::uint32_t(p[3]);
}
inline std::uint32_t KxGetU24BE(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | std::uint32_t(p[2]);
}
inline void KxPutU16BE(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}
inline void KxPutU24BE(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 16);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v);
}
inline void KxPutU32BE(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

// Native byte order (formats stored in the writer's own order).
inline std::uint16_t KxGetU16N(const void* p) {
  std::uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline std::uint32_t KxGetU32N(const void* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void KxPutU16N(void* p, std::uint16_t v) { std::memcpy(p, &v, sizeof v); }
inline void KxPutU32N(void* p, std::uint32_t v) { std::memcpy(p, &v, sizeof v); }

inline std::uint16_t KxSwap16(std::uint16_t v) { return static_cast<std::uint16_t>((v >> 8) | (v << 8)); }
inline std::uint32_t KxSwap32(std::uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}
