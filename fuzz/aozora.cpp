// The Aozora conversion over arbitrary bytes, into a styled text; the
// result's annotations must fit the text it made.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formats/aozora.h"
#include "formats/facilities.h"
#include "platform/core.h"
#include "platform/fonts.h"
#include "text/store/text.h"

#include "sound.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxFormatsFacilities();
  CoreInit();
  KxFontInstallBackend(KxSyntheticFontBackend());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks whether Unicode side entries may be made.
  const bool unicode = size == 0 || data[0] & 1;
  SKXAozoraText t;
  t.bytes.assign(reinterpret_cast<const char*>(data), size);
  KxAozoraConvert(t, 12, unicode);
  const long n = static_cast<long>(t.bytes.size());
  long last = -1;
  for (const SKXUniChar& u : t.uniChars) {
    if (u.offset <= last || u.offset + 1 >= n) std::abort();
    last = u.offset;
  }
  last = 0;
  for (const SKXRuby& r : t.rubys) {
    if (r.pos < last || r.baseLen == 0 || r.baseLen > 127 || r.rubyLen > 30 || r.pos + r.baseLen > n) std::abort();
    last = r.pos + r.baseLen;
  }
  for (const SKXAozoraSpan& s : t.tateChuYoko)
    if (s.start < 0 || s.end > n || s.end <= s.start) std::abort();
  KxAozoraParaRuns(t);

  CKXText text;
  ConvertAozoraTextWithTextRef(&text, reinterpret_cast<const char*>(data), static_cast<long>(size), nullptr);
  KxFuzzRequireSound(text.Check(), "converted text");
  return 0;
}
