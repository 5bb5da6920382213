// RTF import of arbitrary bytes into a styled text with a page record. The
// first byte chooses whether the target already holds text. Afterwards the
// text's runs and side entries must fit it, the header and footer must be
// whole and within 255 bytes, and the text must export and import again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formats/facilities.h"
#include "formats/rtf_convert.h"
#include "platform/core.h"
#include "platform/fonts.h"
#include "text/store/text.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxFormatsFacilities();
  CoreInit();
  KxFontInstallBackend(KxSyntheticFontBackend());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CKXText text;
  if (size > 0 && (data[0] & 1)) text.InsertString(0, "before\r", 7, nullptr, nullptr, nullptr, 0);
  const long before = text.GetLength();
  RTFKXDoc doc;
  short flags = 0;
  {
    CKXTextRTFMac rtf;
    if (rtf.DoRTFtoTextRef(reinterpret_cast<const char*>(data), static_cast<long>(size), &text, &flags, &doc) != 1)
      std::abort();
  }
  if (!(flags & kKxImportRead) || text.GetLength() < before) std::abort();
  const long n = text.GetLength();
  SKXUniChar u[64];
  const long count = text.GetUniChars(u, 64);
  for (long i = 0; i < count; ++i)
    if (u[i].offset < 0 || u[i].offset >= n || (i > 0 && u[i].offset <= u[i - 1].offset)) std::abort();
  if (doc.textLeft || doc.textRight)
    if (doc.textRight - doc.textLeft < 1) std::abort();
  std::string out;
  {
    CKXTextRTFMac w;
    if (w.DoRTFfromTextRef(out, &text, 0, 0, 0, &doc) != 1) std::abort();
  }
  CKXText again;
  CKXTextRTFMac r;
  if (r.DoRTFtoTextRef(out.data(), static_cast<long>(out.size()), &again, nullptr, nullptr) != 1) std::abort();
  return 0;
}
