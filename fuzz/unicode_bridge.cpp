// Styled bytes with hostile side entries, script runs and glyph records,
// as they may arrive from files and the clipboard, through the Unicode
// bridge: every unit must be accounted for, the map must stay inside the
// text, and what comes out must convert back to text.
//
// Input: u8 script; u8 run count (at most 8), each u16 offset + u8 script;
// u8 entry count, each u32 offset + u32 value (little endian); u8 glyph
// record count, each 12 bytes of the clipboard form; the rest is the text.
// The whole input also goes through the direct converters of whole files
// as Shift_JIS.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/core.h"
#include "text/facilities.h"
#include "text/base/memory.h"
#include "text/codes/jcode.h"
#include "text/codes/sjis_utf8.h"
#include "text/codes/unicode.h"

namespace {

struct Reader {
  const std::uint8_t* p;
  std::size_t n;
  std::size_t at = 0;
  bool Has(std::size_t k) const { return n - at >= k; }
  std::uint32_t Get(int bytes) {
    std::uint32_t v = 0;
    for (int k = 0; k < bytes; ++k) v |= std::uint32_t(p[at + std::size_t(k)]) << (8 * k);
    at += std::size_t(bytes);
    return v;
  }
};

void Check(bool ok) {
  if (!ok) std::abort();
}

void Free(Handle h) {
  if (h) KxMemHFree(h);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxTextFacilities();
  CoreInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  if (data && size > 0) {
    // The whole input as Shift_JIS: the direct converters of whole files
    // say what the bridge and the EUC-JP converter say.
    std::vector<unsigned char> fast, bridged;
    const long made = KxSJISToUTF8(data, long(size), fast);
    KxSJISToUTF8ByBridge(data, long(size), bridged);
    Check(made == long(bridged.size()) && (made == 0 || std::memcmp(fast.data(), bridged.data(), bridged.size()) == 0));
    CKXJCode euc;
    euc.SJIStoEUC(data, long(size));
    const long eucMade = KxSJISToEUC(data, long(size), fast);
    Check(eucMade == euc.GetTextSize() &&
          (eucMade == 0 || std::memcmp(fast.data(), euc.GetTextPtr(), std::size_t(eucMade)) == 0));
  }
  Reader r{data, size};
  if (!r.Has(4)) return 0;
  short script = short(r.Get(1) & 1);
  std::vector<SKXScriptRun> runs;
  for (std::uint32_t k = r.Get(1) & 7; k > 0 && r.Has(3); --k) {
    SKXScriptRun run;
    run.offset = std::int32_t(r.Get(2));
    run.script = std::int16_t(r.Get(1) % 4);  // 2 and 3 have no tables of their own
    runs.push_back(run);
  }
  std::vector<SKXUniChar> entries;
  for (std::uint32_t k = r.Has(1) ? r.Get(1) : 0; k > 0 && r.Has(8); --k) {
    SKXUniChar u;
    u.offset = std::int32_t(r.Get(4) & 0x800000FF);  // small, or negative
    u.value = r.Get(4);
    entries.push_back(u);
  }
  std::uint32_t glyphCount = r.Has(1) ? r.Get(1) % 8 : 0;
  Handle scrap = KxMemHAlloc(long(4 + 16 * glyphCount), true);
  std::memset(*scrap, 0, std::size_t(4 + 16 * glyphCount));
  (*scrap)[0] = 1;
  (*scrap)[2] = char(glyphCount);
  for (std::uint32_t k = 0; k < glyphCount && r.Has(12); ++k)
    for (int b = 0; b < 12; ++b) (*scrap)[4 + 16 * k + std::uint32_t(b)] = char(r.Get(1));
  // The text in an exact-size copy, so that reading past it is caught.
  std::vector<char> text(data + r.at, data + size);
  const long length = long(text.size());

  CKXUnicode uni(script, kKxUnicodeBoth);
  Handle units = nullptr, glyphs = nullptr, map = nullptr;
  long count = 0, mapCount = 0;
  bool got = uni.ConvertFromTextAndOffset(text.data(), length, entries.data(), long(entries.size()), units, count,
                                          glyphs, runs.empty() ? nullptr : runs.data(), long(runs.size()), map,
                                          mapCount);
  Check(got == (count > 0));
  Check(count <= length + long(entries.size()));
  Check(length == 0 || count > 0);  // every byte gives something
  Check(mapCount == count + 1 || (!map && count == 0 && length == 0));
  long prev = 0;
  for (long i = 0; i < mapCount; ++i) {
    long off = CKXUnicode::OffsetFromIndex(map, mapCount, i);
    Check(off >= prev && off <= length);
    prev = off;
  }
  Check(mapCount == 0 || prev == length);

  // Back to text, with the glyph records from the clipboard form.
  CKXUnicode::ConvertGlyphScrapToInfo(scrap);
  Handle back = nullptr, ucs = nullptr;
  long backLen = 0, ucCount = 0;
  const char16_t* u = units ? reinterpret_cast<const char16_t*>(*units) : nullptr;
  Check(uni.ConvertToText(u, count, scrap, back, backLen, ucs, ucCount, script));
  // NFC may write a character out in full (up to three times as many units).
  Check(backLen <= 6 * count && ucCount <= 3 * count);
  for (long k = 0; k < ucCount; ++k) {
    SKXUniChar e;
    std::memcpy(&e, *ucs + k * long(sizeof e), sizeof e);
    Check(e.offset >= 0 && e.offset < backLen);
  }
  for (Handle h : {units, glyphs, map, back, ucs, scrap}) Free(h);
  return 0;
}
