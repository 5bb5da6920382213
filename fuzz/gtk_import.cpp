// What the desktop's clipboard and drops bring, turned into flavors: text
// (any bytes as UTF-8; STRING and TEXT also as Latin-1), file lists and private flavors. Input: byte 0
// picks the target, the rest is the data. Text comes out as whole UTF-16
// units that survive a trip out and back; every file record reads.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/gtk/gtk_flavors.h"
#include "platform/host/drag_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 1 << 20) return 0;
  static const char* const kTargets[] = {"UTF8_STRING", "text/plain;charset=utf-8", "text/uri-list",
                                         "application/x-kxtext-styl", "application/x-kxtext-RTF%20", "text/html",
                                         "text/plain", "STRING", "TEXT"};
  const std::string target = kTargets[data[0] % (sizeof kTargets / sizeof kTargets[0])];
  std::vector<std::vector<std::uint8_t>> records;
  if (!KxGtkImport(target, data + 1, size - 1, records)) return 0;
  const OSType type = KxGtkFlavorOfTarget(target);
  for (const std::vector<std::uint8_t>& r : records) {
    if (type == kKxGtkUtxt) {
      if (r.size() % 2 != 0) std::abort();
      const std::string out = KxGtkUtxtToUtf8(r);
      const std::vector<std::uint8_t> back =
          KxGtkUtf8ToUtxt(reinterpret_cast<const std::uint8_t*>(out.data()), out.size());
      if (back != r) std::abort();
    } else if (type == kKxGtkHFS) {
      OSType fileType = 1;
      std::string path;
      if (!KxReadHFSFlavor(r.data(), static_cast<long>(r.size()), fileType, path) || fileType != 0) std::abort();
    } else if (r != std::vector<std::uint8_t>(data + 1, data + size)) {
      std::abort();
    }
  }
  return 0;
}
