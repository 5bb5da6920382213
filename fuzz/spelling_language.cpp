// The spelling language chunk ("SPLG") from outside: a name comes back only
// when the length byte covers exactly the rest, within the limit, in the
// allowed characters; written back it reads the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/spelling_language.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string name = KxDecodeSpellLanguage(data, size);
  if (name.empty()) {
    if (!KxDumpSpellLanguage(data, size).empty()) std::abort();
    return 0;
  }
  if (name.size() > kKxSpellLanguageMax || size != name.size() + 1 || data[0] != name.size()) std::abort();
  const auto again = KxEncodeSpellLanguage(name);
  if (KxDecodeSpellLanguage(again.data(), again.size()) != name) std::abort();
  if (KxDumpSpellLanguage(data, size) != "SPLG.language = " + name + "\n") std::abort();
  return 0;
}
