#include "platform/host/drag_data.h"

namespace {

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

}  // namespace

std::vector<std::uint8_t> KxMakeHFSFlavor(OSType type, OSType creator, const std::string& path) {
  std::vector<std::uint8_t> out;
  PutBe32(out, type);
  PutBe32(out, creator);
  out.push_back(0);
  out.push_back(0);
  out.insert(out.end(), path.begin(), path.end());
  return out;
}

bool KxReadHFSFlavor(const std::uint8_t* data, long size, OSType& type, std::string& path) {
  if (!data || size <= kKxHFSHeader || size - kKxHFSHeader > kKxHFSMaxPath) return false;
  type = Be32(data);
  path.assign(reinterpret_cast<const char*>(data + kKxHFSHeader), static_cast<std::size_t>(size - kKxHFSHeader));
  // A path with a NUL would name another file than it shows.
  return path.find('\0') == std::string::npos;
}
