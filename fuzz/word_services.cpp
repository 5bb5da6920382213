// The spelling checkers' preference chunk ("WSrv") from outside: it must
// read without reading past the data, give names of at most 31 bytes that
// never end inside a double-byte character, and written back read the
// same.
#include <cstdint>
#include <cstdlib>

#include "app/facilities.h"
#include "app/word_services.h"
#include "platform/core.h"
#include "text/codes/script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (KxAppFacilities(), CoreInit(), true);
  (void)started;
  const std::vector<KxWordService> services = UWordServices::Decode(data, size);
  for (const KxWordService& s : services) {
    if (s.name.size() > 31 || s.kind != 1 || s.program.empty()) std::abort();
    if (!s.name.empty() && KxTextCharByte(s.name.data(), std::int32_t(s.name.size() - 1), 1) < 0) std::abort();
  }
  const std::vector<std::uint8_t> again = UWordServices::Encode(services);
  const std::vector<KxWordService> back = UWordServices::Decode(again.data(), again.size());
  if (back.size() != services.size()) std::abort();
  for (std::size_t i = 0; i < back.size(); ++i)
    if (back[i].name != services[i].name || back[i].program != services[i].program ||
        back[i].args != services[i].args || back[i].icon != services[i].icon)
      std::abort();
  return 0;
}
