// Line layout over arbitrary text and the user's line-break lists from
// preferences. Byte 0: rule mode (bits 0-1), word wrap (bit 2), no wrapping
// (bit 3), lists from the input (bit 4); byte 1: the width; then, with bit 4,
// a head and a tail string with their length bytes; the rest is the text.
// Every line must take something, the lines must reach the end of the text,
// and every line must measure.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "layout/linebreak.h"
#include "platform/fonts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > 20000) return 0;
  static bool fonts = [] {
    KxFontInstallBackend(KxSyntheticFontBackend());
    return true;
  }();
  (void)fonts;
  const std::uint8_t flags = data[0];
  const long width = 1 + data[1] * 3;
  std::size_t at = 2;
  if (flags & 0x10) {
    // Strings as the preferences keep them; their length bytes may lie.
    unsigned char head[256] = {0}, tail[256] = {0};
    for (unsigned char* s : {head, tail}) {
      const std::size_t n = at < size ? std::min<std::size_t>(data[at], size - at - 1) : 0;
      if (at < size) std::memcpy(s, data + at, n + 1);
      at += n + 1;
    }
    char lists[kKxJWrapCharsSize];
    short used = 0;
    CKXTextLayout::JWrapCharsFromHeadTail(lists, &used, head, tail);
    if (used < 4 || used > kKxJWrapCharsSize) std::abort();
    CKXTextLayout::SetJWrapChars(lists, used);
  }
  std::vector<char> text(data + std::min(at, size), data + size);
  {
    CKXStrArray store;
    store.SetText(text.data(), long(text.size()));
    CKXStylArray styls;
    CKXDecoArray decos;
    CKXParaArray paras;
    CKXTextLayout layout(&store, &styls, &decos, &paras);
    SKXLineStyl style;
    style.mode = flags & 3;
    style.wordWrap = (flags >> 2) & 1;
    style.wrap = !(flags & 8);
    SKXLineCalc calc{};
    const long len = store.GetLength();
    std::vector<char> bytes(static_cast<std::size_t>(len) + 1);
    long n = len;
    store.GetText(bytes.data(), n);
    for (long start = 0; start < len;) {
      SKXLineInfo info;
      const long next = layout.CalcLineInfo(start, width, info, &style, &calc);
      if (next <= start || next > len + 1) std::abort();
      const long end = std::min(next, len);
      std::vector<long> pos(static_cast<std::size_t>(end - start) + 1);
      layout.GetMeasureText(start, end - start, width, bytes.data() + start, pos.data(), &style, nullptr, nullptr);
      start = next;
    }
  }
  CKXTextLayout::SetJWrapChars(nullptr, 0);
  return 0;
}
