// The shared MIME database readers over arbitrary bytes: globs2 lines and a
// type's XML comments. Every glob kept must be one the matcher can use.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/mime_types.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const std::vector<KxMimeGlob> globs = KxParseMimeGlobs(text, size);
  for (const KxMimeGlob& g : globs)
    if (g.type.empty() || g.pattern.empty() || g.weight < 0 || g.weight > 999) std::abort();
  for (const char* name : {"a.txt", "", "README", "x.TXT", "*"}) KxMatchMimeGlobs(globs, name);
  KxMimeComment(text, size, "ja");
  KxMimeComment(text, size, "");
  return 0;
}
