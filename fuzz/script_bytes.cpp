// Script services over arbitrary bytes: the first byte picks the script (its
// low bit), the rest is text. Byte types must agree with a plain forward scan,
// conversions must stay inside the text, and every character that decodes to
// Unicode must encode back to a code with the same character.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/script.h"
#include "platform/utf16.h"
#include "text/codes/charclass.h"
#include "text/codes/script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 30000) return 0;
  short script = short(data[0] & 1);
  std::vector<std::uint8_t> text(data + 1, data + size);   // exact size: overreads show
  const std::int32_t n = std::int32_t(text.size());

  std::int32_t i = 0;
  while (i < n) {
    bool first = KxTextCharFirst(text[std::size_t(i)], script);
    if (KxTextCharByte(text.data(), i, script) != (first ? kByteFirst : kByteSingle)) std::abort();
    if (first && i + 1 < n && KxTextCharByte(text.data(), i + 1, script) != kByteLast) std::abort();
    std::uint16_t code = text[std::size_t(i)];
    if (first && i + 1 < n) code = std::uint16_t(code << 8 | text[std::size_t(i) + 1]);
    i += first ? 2 : 1;

    char16_t u[2], back[2];
    int units = KxScriptToUTF16(code, script, u);
    char32_t cp = units == 2 ? KxJoinSurrogates(u[0], u[1]) : u[0];
    if (units > 0) {
      std::int32_t again = KxScriptFromUnicode(cp, script);
      if (again < 0 || KxScriptToUTF16(std::uint16_t(again), script, back) != units || back[0] != u[0])
        std::abort();
    }
    UKXText::Code w = UKXText::ByteToWord(code, 1);
    (void)UKXText::WordToByte(w);
    (void)UKXText::GetCharType(code, script);
    (void)KxTextCharStrip(code, script);
  }
  UppercaseText(text.data(), n, script);
  LowercaseText(text.data(), n, script);
  StripDiacritics(text.data(), n, script);
  return 0;
}
