// Encoding detection and every converter over arbitrary bytes; converting
// clean text there and back must give it back unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "text/codes/jcode.h"

namespace {

using uchar = unsigned char;

bool Same(CKXJCode& j, const uchar* p, long n) {
  return j.GetTextSize() == n && (n == 0 || std::memcmp(j.GetTextPtr(), p, size_t(n)) == 0);
}

// Only ASCII, half-width kana and whole Shift_JIS pairs; for JIS also
// nothing that reads as an escape or an encoded word.
bool CleanSJIS(const uchar* p, long n, bool forJIS) {
  for (long i = 0; i < n; ++i) {
    uchar c = p[i];
    if (c < 0x80) {
      if (forJIS && (c == 0x1B || c == '=')) return false;
    } else if (c >= 0xA1 && c <= 0xDF) {
    } else if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF)) && i + 1 < n && p[i + 1] >= 0x40 &&
               p[i + 1] <= 0xFC && p[i + 1] != 0x7F) {
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const uchar* p = data;
  long n = long(size);
  static const uchar kEmpty = 0;
  if (!p) p = &kEmpty;

  CKXJCode::sUseUNICODE = 1;
  CKXJCode::sUseCVKANJI = 1;
  short code = CKXJCode::AutoCheck(p, n);
  Check(code >= 0 && code <= 4);
  CKXJCode::CheckJIS(p, n);
  CKXJCode::CheckEUC(p, n);
  CKXJCode::CheckUNICODEWin(p, n);
  bool utf8 = true;
  for (long i = 0; i < n;) {
    long len = CKXJCode::IsUTF8Char(p + i, n - i);
    Check(len >= 0 && len <= 4 && len <= n - i);
    if (len == 0) {
      utf8 = false;
      break;
    }
    i += len;
  }
  bool nonASCII = false;
  for (long i = 0; i < n; ++i) nonASCII |= p[i] >= 0x80;
  Check(CKXJCode::CheckUTF8(p, n) == (utf8 && nonASCII));

  std::vector<uchar> buf(p, p + n);
  CKXJCode::InvertWORDHiLo(buf.data(), n);
  Check(CKXJCode::DecodeBASE64(p, n, buf.data()) <= n);
  Check(CKXJCode::DecodeQuoted(p, n, buf.data()) <= n);

  CKXJCode a, b;
  a.SJIStoJIS(p, n);
  b.JIStoSJIS(a.GetTextPtr(), a.GetTextSize());
  if (CleanSJIS(p, n, true)) Check(Same(b, p, n));
  a.JIStoSJIS(p, n);
  Check(a.GetTextSize() <= n);
  a.SJIStoEUC(p, n);
  b.EUCtoSJIS(a.GetTextPtr(), a.GetTextSize());
  if (CleanSJIS(p, n, false)) Check(Same(b, p, n));
  a.EUCtoSJIS(p, n);
  Check(a.GetTextSize() <= n);

  CKXJCode u16, u8;
  u16.UTF8toUNICODE(p, n, false);
  // Straight to units, the same reading.
  {
    std::vector<char16_t> units(std::size_t(n) + 1);
    const long count = CKXJCode::UTF8toUnits(p, n, units.data());
    Check(count >= 0 && count <= n && 2 * count == u16.GetTextSize());
    const uchar* b = u16.GetTextPtr();
    for (long k = 0; k < count; ++k) Check(units[std::size_t(k)] == char16_t(b[2 * k] << 8 | b[2 * k + 1]));
  }
  u8.UNICODEtoUTF8(u16.GetTextPtr(), u16.GetTextSize());
  // Well-formed text comes back as it was; text that starts with U+FEFF or
  // U+FFFE is left out, as its UTF-16 form starts with a byte-order mark.
  bool marked = n >= 3 && p[0] == 0xEF && ((p[1] == 0xBB && p[2] == 0xBF) || (p[1] == 0xBF && p[2] == 0xBE));
  if (utf8 && !marked) Check(Same(u8, p, n));
  CKXJCode w;
  w.UNICODEtoUTF8(p, n);
  // Whatever UTF-16 gives, its UTF-8 form is well-formed.
  const uchar* t = w.GetTextPtr();
  for (long i = 0, m = w.GetTextSize(); i < m;) {
    long len = CKXJCode::IsUTF8Char(t + i, m - i);
    Check(len > 0);
    i += len;
  }
  return 0;
}
