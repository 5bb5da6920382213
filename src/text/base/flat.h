// Field-by-field access to records in flat byte blocks, in an explicit byte
// order (big-endian on the clipboard and in resource files, the writer's own
// order in the program's container).
#pragma once

#include <cstdint>

inline std::uint16_t KxFlatGet16(const unsigned char* p, bool big) {
  return big ? std::uint16_t(p[0] << 8 | p[1]) : std::uint16_t(p[1] << 8 | p[0]);
}

inline std::uint32_t KxFlatGet32(const unsigned char* p, bool big) {
  return big ? (std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3])
             : (std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0]);
}

inline void KxFlatPut16(unsigned char* p, std::uint16_t v, bool big) {
  p[big ? 0 : 1] = static_cast<unsigned char>(v >> 8);
  p[big ? 1 : 0] = static_cast<unsigned char>(v);
}

inline void KxFlatPut32(unsigned char* p, std::uint32_t v, bool big) {
  for (int k = 0; k < 4; ++k) p[big ? 3 - k : k] = static_cast<unsigned char>(v >> (8 * k));
}
