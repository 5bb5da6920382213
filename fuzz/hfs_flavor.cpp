// The "hfs " record of a dropped file, as a drag from outside brings it:
// a record that is read names a path of at most kKxHFSMaxPath bytes
// without a NUL, and writing it back gives the same record.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/flavor_exchange.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  OSType type = 0;
  std::string path;
  if (!KxReadHFSFlavor(data, static_cast<long>(size), type, path)) return 0;
  if (path.empty() || path.size() > static_cast<std::size_t>(kKxHFSMaxPath) ||
      path.find('\0') != std::string::npos)
    std::abort();
  const std::vector<std::uint8_t> again = KxMakeHFSFlavor(type, 0, path);
  OSType type2 = 0;
  std::string back;
  if (!KxReadHFSFlavor(again.data(), static_cast<long>(again.size()), type2, back) || back != path || type2 != type)
    std::abort();
  return 0;
}
