#include "text/codes/sjis_utf8.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include "platform/script.h"
#include "platform/utf16.h"
#include "text/codes/byte_steps.h"
#include "text/base/memory.h"
#include "text/codes/unicode.h"

namespace {

using uchar = unsigned char;

std::atomic<long> gTableChars{0};
std::atomic<long> gBridgeRuns{0};

// UTF-16 units to UTF-8 as UNICODEtoUTF8 writes them: surrogate pairs
// joined, a lone surrogate as U+FFFD.
void AppendUnits(const char16_t* u, long count, std::vector<uchar>& out) {
  uchar tmp[4];
  for (long k = 0; k < count; ++k) {
    char32_t v = u[k];
    if (KxIsSurrogate(v)) {
      const char32_t cp = KxJoinSurrogates(v, k + 1 < count ? u[k + 1] : 0);
      if (cp != 0) {
        v = cp;
        ++k;
      } else {
        v = 0xFFFD;
      }
    }
    out.insert(out.end(), tmp, KxPutUTF8(tmp, v));
  }
}

// Each character's UTF-8 (one byte, or a lead byte * 256 + its trail),
// made by the bridge itself: up to three bytes, little end first, with
// their count in the top byte; 0 for a character the table leaves to the
// bridge (no code, two units, a surrogate).
struct STable {
  std::uint32_t entry[65536] = {};
  bool asciiSame = true;  // every byte below 0x80 stands for itself

  STable() {
    const std::uint8_t* parse = KxScriptParseTable(kScriptJapanese);
    CKXUnicode bridge(kScriptJapanese, kKxUnicodeFromText);
    // One batch for the single bytes, one for each lead byte's pairs: the
    // bridge stops at every code without a character, and a short batch
    // keeps each stop cheap.
    std::vector<uchar> singles;
    for (int c = 0; c < 256; ++c)
      if (!parse[c]) singles.push_back(uchar(c));
    if (!AddBatch(bridge, singles, 1)) {
      asciiSame = false;
      return;
    }
    for (int lead = 0; lead < 256; ++lead) {
      if (!parse[lead]) continue;
      std::vector<uchar> pairs;
      for (int t = 0x40; t <= 0xFC; ++t) {
        if (t == 0x7F) continue;
        pairs.push_back(uchar(lead));
        pairs.push_back(uchar(t));
      }
      AddBatch(bridge, pairs, 2);
    }
    for (int c = 0; c < 0x80; ++c)
      if (entry[c] != ((1u << 24) | std::uint32_t(c))) asciiSame = false;
  }

  // Table entries for the characters of `text`, each `width` bytes; false
  // when the bridge gave nothing to go by (their entries stay 0).
  bool AddBatch(CKXUnicode& bridge, const std::vector<uchar>& text, long width) {
    StKxHandle units, glyphs, map;
    long count = 0, mapCount = 0;
    bridge.ConvertFromTextAndOffset(reinterpret_cast<const char*>(text.data()), long(text.size()), nullptr, 0,
                                    units.h, count, glyphs.h, nullptr, 0, map.h, mapCount);
    if (!units.h || !map.h || mapCount != count + 1) return false;
    const auto* u = reinterpret_cast<const char16_t*>(*units.h);
    auto origin = [&](long k) {
      std::int32_t v;
      std::memcpy(&v, *map.h + k * 4, 4);
      return long(v);
    };
    // Units come in text order, each marked with the start of the
    // character that made it.
    long k = 0;
    for (long start = 0; start < long(text.size()); start += width) {
      const long first = k;
      while (k < count && origin(k) < start + width) ++k;
      const bool whole = k - first == 1 && origin(first) == start && !KxIsSurrogate(u[first]);
      std::uint32_t e = 0;
      if (whole) {
        uchar bytes[4];
        const long len = KxPutUTF8(bytes, u[first]) - bytes;
        e = std::uint32_t(len) << 24;
        for (long b = 0; b < len; ++b) e |= std::uint32_t(bytes[b]) << (8 * b);
      }
      const std::uint32_t code = width == 1 ? text[std::size_t(start)] : std::uint32_t(text[std::size_t(start)]) << 8 | text[std::size_t(start) + 1];
      entry[code] = e;
    }
    return true;
  }
};

const STable& Table() {
  static const STable* table = new STable();  // kept to the end of the process
  return *table;
}

}  // namespace

void KxSJISToUTF8ByBridge(const unsigned char* p, long n, std::vector<unsigned char>& out) {
  if (!p || n < 1) return;
  StKxHandle units, glyphs;
  long count = 0;
  UKXUnicode::ConvertFromText(kScriptJapanese, reinterpret_cast<const char*>(p), n, nullptr, 0, units.h, count,
                              glyphs.h);
  if (units.h) AppendUnits(reinterpret_cast<const char16_t*>(*units.h), count, out);
}

long KxSJISToUTF8(const unsigned char* p, long n, std::vector<unsigned char>& buffer) {
  if (!p || n < 1) return 0;
  const STable& t = Table();
  const std::uint8_t* parse = KxScriptParseTable(kScriptJapanese);
  // No character makes more than three bytes a byte: a kana or U+FFFD of
  // one byte, two units or a pair of surrogates of two.
  const std::size_t room = std::size_t(n) * 3 + 8;
  if (buffer.size() < room) buffer.resize(room);
  uchar* o = buffer.data();
  std::vector<uchar> bridged;
  long tableChars = 0;
  long i = 0;
  while (i < n) {
    if (t.asciiSame && p[i] < 0x80) {
      while (n - i >= 8 && KxAllASCII8(p + i)) {
        std::memcpy(o, p + i, 8);
        o += 8;
        i += 8;
      }
      while (i < n && p[i] < 0x80) *o++ = p[i++];
      continue;
    }
    const unsigned c = p[i];
    long width = 1;
    std::uint32_t e;
    if (parse[c]) {
      width = 2;
      e = i + 1 < n ? t.entry[c << 8 | p[i + 1]] : 0;
    } else {
      e = t.entry[c];
    }
    if (e) {
      o[0] = uchar(e);
      o[1] = uchar(e >> 8);
      o[2] = uchar(e >> 16);
      o += e >> 24;
      i += width;
      ++tableChars;
      continue;
    }
    // Through the bridge up to and with the next byte below 0x40, which
    // is neither half of a pair: there the bridge's reading of the text
    // is the same whether or not it started here.
    long end = i + 1;
    while (end < n && p[end] >= 0x40) ++end;
    if (end < n) ++end;
    bridged.clear();
    KxSJISToUTF8ByBridge(p + i, end - i, bridged);
    // The bound above holds for the table's characters; the bridge's are
    // given room as they come.
    const std::size_t used = std::size_t(o - buffer.data());
    const std::size_t need = used + bridged.size() + std::size_t(n - end) * 3 + 8;
    if (buffer.size() < need) buffer.resize(need);
    o = buffer.data() + used;
    std::memcpy(o, bridged.data(), bridged.size());
    o += bridged.size();
    i = end;
    gBridgeRuns.fetch_add(1, std::memory_order_relaxed);
  }
  gTableChars.fetch_add(tableChars, std::memory_order_relaxed);
  return long(o - buffer.data());
}

SKXSJISToUTF8Counts KxSJISToUTF8Counts() {
  return SKXSJISToUTF8Counts{gTableChars.load(std::memory_order_relaxed), gBridgeRuns.load(std::memory_order_relaxed)};
}
