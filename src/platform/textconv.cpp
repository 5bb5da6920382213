#include "platform/textconv.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <vector>

#include "platform/script.h"
#include "platform/utf16.h"
#include "platform/utf8.h"

namespace {

struct NfcClass {
  char32_t cp;
  std::uint8_t ccc;
};
struct NfcDecomp {
  char32_t cp;
  std::uint16_t start;
  std::uint8_t len;
};
struct NfcCompose {
  char32_t first;
  char32_t second;
  char32_t composed;
};

#include "platform/textconv_tables.inc"

constexpr char16_t kNone = 0xFFFF;  // decode: no character
constexpr char16_t kWide = 0xFFFE;  // decode: two units (from the script tables)

// Flat per-script lookups, built once from the script tables: decoding by
// code (single bytes and lead * 256 + trail) and strict encoding of the BMP.
struct ScriptMaps {
  short script;
  const std::uint8_t* parse;
  std::unique_ptr<char16_t[]> decode;   // 65536 entries
  std::unique_ptr<std::uint16_t[]> encode;  // 65536 entries; 0 = none (except U+0000)
};

short ScriptOfEncoding(TextEncoding e) { return e == kKxEncodingMacJapanese ? kScriptJapanese : kScriptRoman; }

const ScriptMaps& Maps(short script) {
  static std::array<std::unique_ptr<ScriptMaps>, 2> maps;
  auto& slot = maps[script == kScriptJapanese ? 1 : 0];
  if (!slot) {
    auto m = std::make_unique<ScriptMaps>();
    m->script = script;
    m->parse = KxScriptParseTable(script);
    m->decode = std::make_unique<char16_t[]>(65536);
    m->encode = std::make_unique<std::uint16_t[]>(65536);
    std::fill_n(m->decode.get(), 65536, kNone);
    char16_t u[2];
    for (std::uint32_t code = 0; code < 65536; ++code) {
      if (code > 0xFF && !m->parse[code >> 8]) continue;
      if (code <= 0xFF && m->parse[code]) continue;  // a lead byte alone is no character
      int n = KxScriptToUTF16(std::uint16_t(code), script, u);
      if (n == 1) {
        m->decode[code] = u[0];
      } else if (n == 2) {
        m->decode[code] = kWide;
      }
    }
    for (char32_t cp = 1; cp < 0x10000; ++cp) {
      if (KxIsSurrogate(cp)) continue;
      std::int32_t code = KxScriptFromUnicode(cp, script);
      // Only codes that read back as the same character, or as another name
      // of it: a one-way best fit would change the text on its way back.
      if (code > 0 && (m->decode[code] == char16_t(cp) || KxScriptIsOtherForm(cp, script)))
        m->encode[cp] = std::uint16_t(code);
    }
    slot = std::move(m);
  }
  return *slot;
}

// Maps every caller offset below `limit` (the end of the character being
// written) to `outPos`, where that character's output begins.
inline void MapOffsets(KxConvOffsets* o, long limit, long outPos) {
  while (o->mapped < o->count && o->in[o->mapped] < limit) o->out[o->mapped++] = outPos;
}

}  // namespace

struct KxTextToUnicodeRec {
  const ScriptMaps* maps;
};
struct KxUnicodeToTextRec {
  const ScriptMaps* maps;
};

OSStatus CreateTextToUnicodeInfo(TextEncoding encoding, TextToUnicodeInfo* info) {
  if (!info) return paramErr;
  *info = nullptr;
  if (encoding >= kKxEncodingUnicodeDefault) return kKxConvNoPathErr;
  *info = new KxTextToUnicodeRec{&Maps(ScriptOfEncoding(encoding))};
  return noErr;
}

OSStatus CreateUnicodeToTextInfo(TextEncoding encoding, UnicodeToTextInfo* info) {
  if (!info) return paramErr;
  *info = nullptr;
  if (encoding >= kKxEncodingUnicodeDefault) return kKxConvNoPathErr;
  *info = new KxUnicodeToTextRec{&Maps(ScriptOfEncoding(encoding))};
  return noErr;
}

OSStatus DisposeTextToUnicodeInfo(TextToUnicodeInfo* info) {
  if (!info) return paramErr;
  delete *info;
  *info = nullptr;
  return noErr;
}

OSStatus DisposeUnicodeToTextInfo(UnicodeToTextInfo* info) {
  if (!info) return paramErr;
  delete *info;
  *info = nullptr;
  return noErr;
}

OSStatus ConvertFromTextToUnicode(TextToUnicodeInfo info, long srcLen, const void* src,
                                  KxConvOffsets* offsets, long outBytes, long* srcRead,
                                  long* outLen, char16_t* out) {
  if (srcRead) *srcRead = 0;
  if (outLen) *outLen = 0;
  if (offsets) offsets->mapped = 0;
  if (!info || srcLen < 0 || (srcLen > 0 && !src) || outBytes < 0 || (outBytes > 0 && !out))
    return paramErr;
  const auto* p = static_cast<const std::uint8_t*>(src);
  const ScriptMaps& m = *info->maps;
  const std::uint8_t* parse = m.parse;
  const char16_t* dec = m.decode.get();
  const long room = outBytes / 2;
  long i = 0, o = 0;
  OSStatus status = noErr;
  while (i < srcLen) {
    std::uint32_t code = p[i];
    long width = 1;
    if (parse[code]) {
      if (i + 1 >= srcLen) {
        status = kKxConvIncompleteErr;
        break;
      }
      code = code << 8 | p[i + 1];
      width = 2;
    }
    char16_t u = dec[code];
    if (u == kNone) {
      status = kKxConvUnmappableErr;
      break;
    }
    if (u == kWide) {
      char16_t two[2];
      if (KxScriptToUTF16(std::uint16_t(code), m.script, two) != 2) {
        status = kKxConvUnmappableErr;
        break;
      }
      if (room - o < 2) {
        status = kKxConvOutputFullErr;
        break;
      }
      if (offsets) MapOffsets(offsets, i + width, o * 2);
      out[o++] = two[0];
      out[o++] = two[1];
    } else {
      if (o >= room) {
        status = kKxConvOutputFullErr;
        break;
      }
      if (offsets) MapOffsets(offsets, i + width, o * 2);
      out[o++] = u;
    }
    i += width;
  }
  if (offsets && i == srcLen) MapOffsets(offsets, srcLen + 1, o * 2);
  if (srcRead) *srcRead = i;
  if (outLen) *outLen = o * 2;
  return status;
}

OSStatus ConvertFromUnicodeToText(UnicodeToTextInfo info, long srcBytes, const char16_t* src,
                                  KxConvOffsets* offsets, long outBytes, long* srcRead,
                                  long* outLen, void* out) {
  if (srcRead) *srcRead = 0;
  if (outLen) *outLen = 0;
  if (offsets) offsets->mapped = 0;
  if (!info || srcBytes < 0 || (srcBytes > 1 && !src) || outBytes < 0 || (outBytes > 0 && !out))
    return paramErr;
  const long n = srcBytes / 2;
  auto* q = static_cast<std::uint8_t*>(out);
  const ScriptMaps& m = *info->maps;
  const std::uint16_t* enc = m.encode.get();
  long i = 0, o = 0;
  OSStatus status = noErr;
  while (i < n) {
    char16_t u = src[i];
    long width = 1;
    std::int32_t code;
    if (u == 0) {
      code = 0;
    } else if (KxIsSurrogate(u)) {
      if (KxIsHighSurrogate(u) && i + 1 >= n) {
        status = kKxConvIncompleteErr;
        break;
      }
      if (!KxIsHighSurrogate(u) || !KxIsLowSurrogate(src[i + 1])) {
        status = kKxConvUnmappableErr;
        break;
      }
      char32_t cp = KxJoinSurrogates(u, src[i + 1]);
      code = KxScriptFromUnicode(cp, m.script);
      char16_t back[2];
      if (code <= 0 || KxScriptToUTF16(std::uint16_t(code), m.script, back) != 2 || back[0] != u ||
          back[1] != src[i + 1])
        code = -1;
      width = 2;
    } else {
      code = enc[u] ? enc[u] : -1;
    }
    if (code < 0) {
      status = kKxConvUnmappableErr;
      break;
    }
    long bytes = code > 0xFF ? 2 : 1;
    if (outBytes - o < bytes) {
      status = kKxConvOutputFullErr;
      break;
    }
    if (offsets) MapOffsets(offsets, (i + width) * 2, o);
    if (bytes == 2) q[o++] = std::uint8_t(code >> 8);
    q[o++] = std::uint8_t(code);
    i += width;
  }
  if (offsets && i == n) MapOffsets(offsets, srcBytes + 1, o);
  if (srcRead) *srcRead = i * 2;
  if (outLen) *outLen = o;
  return status;
}

// ---------------------------------------------------------------------------
// Normalization Form C

namespace {

constexpr char32_t kSBase = 0xAC00, kLBase = 0x1100, kVBase = 0x1161, kTBase = 0x11A7;
constexpr char32_t kLCount = 19, kVCount = 21, kTCount = 28;
constexpr char32_t kNCount = kVCount * kTCount, kSCount = kLCount * kNCount;

bool Unstable(char32_t cp) {
  if (cp < 0x10000) return (kNfcUnstableBmp[cp >> 5] >> (cp & 31)) & 1;
  const auto* end = kNfcUnstableAstral + std::size(kNfcUnstableAstral);
  const auto* it = std::upper_bound(kNfcUnstableAstral, end, cp,
                                    [](char32_t c, const std::uint32_t (&r)[2]) { return c < r[0]; });
  return it != kNfcUnstableAstral && cp <= (*(it - 1))[1];
}

std::uint8_t CombiningClass(char32_t cp) {
  const auto* end = kNfcClasses + std::size(kNfcClasses);
  const auto* it = std::lower_bound(kNfcClasses, end, cp, [](const NfcClass& c, char32_t v) { return c.cp < v; });
  return it != end && it->cp == cp ? it->ccc : 0;
}

void Decompose(char32_t cp, std::vector<char32_t>& d) {
  if (cp >= kSBase && cp < kSBase + kSCount) {
    char32_t s = cp - kSBase;
    d.push_back(kLBase + s / kNCount);
    d.push_back(kVBase + (s % kNCount) / kTCount);
    if (s % kTCount) d.push_back(kTBase + s % kTCount);
    return;
  }
  const auto* end = kNfcDecomps + std::size(kNfcDecomps);
  const auto* it = std::lower_bound(kNfcDecomps, end, cp, [](const NfcDecomp& c, char32_t v) { return c.cp < v; });
  if (it != end && it->cp == cp) {
    d.insert(d.end(), kNfcDecompPool + it->start, kNfcDecompPool + it->start + it->len);
  } else {
    d.push_back(cp);
  }
}

char32_t Compose(char32_t a, char32_t b) {
  if (a >= kLBase && a < kLBase + kLCount && b >= kVBase && b < kVBase + kVCount)
    return kSBase + ((a - kLBase) * kVCount + (b - kVBase)) * kTCount;
  if (a >= kSBase && a < kSBase + kSCount && (a - kSBase) % kTCount == 0 && b > kTBase && b < kTBase + kTCount)
    return a + (b - kTBase);
  const auto* end = kNfcComposes + std::size(kNfcComposes);
  const auto* it = std::lower_bound(kNfcComposes, end, std::pair{a, b}, [](const NfcCompose& c, std::pair<char32_t, char32_t> v) {
    return c.first < v.first || (c.first == v.first && c.second < v.second);
  });
  return it != end && it->first == a && it->second == b ? it->composed : 0;
}

inline char32_t ReadCp(const char16_t* in, long n, long i, long& width) {
  char16_t u = in[i];
  if (char32_t cp = i + 1 < n ? KxJoinSurrogates(u, in[i + 1]) : 0) {
    width = 2;
    return cp;
  }
  width = 1;
  return u;  // a lone surrogate passes through as it is
}

void PutCp(std::vector<char16_t>& out, char32_t cp) {
  if (cp >= 0x10000) {
    out.push_back(KxHighSurrogate(cp));
    out.push_back(KxLowSurrogate(cp));
  } else {
    out.push_back(char16_t(cp));
  }
}

// Decomposes, orders and recomposes one stretch of code points.
void NormalizeStretch(std::vector<char32_t>& d, std::vector<char16_t>& out) {
  // Canonical order: a stable insertion sort of each run of non-starters.
  for (std::size_t i = 1; i < d.size(); ++i) {
    std::uint8_t c = CombiningClass(d[i]);
    if (c == 0) continue;
    std::size_t j = i;
    while (j > 0) {
      std::uint8_t pc = CombiningClass(d[j - 1]);
      if (pc <= c) break;
      std::swap(d[j - 1], d[j]);
      --j;
    }
  }
  if (!d.empty()) {
    std::size_t starter = 0, kept = 1;
    int lastClass = CombiningClass(d[0]) ? 256 : 0;
    for (std::size_t i = 1; i < d.size(); ++i) {
      char32_t ch = d[i];
      int cls = CombiningClass(ch);
      char32_t c = Compose(d[starter], ch);
      if (c && (lastClass < cls || lastClass == 0)) {
        d[starter] = c;
        continue;
      }
      if (cls == 0) starter = kept;
      lastClass = cls;
      d[kept++] = ch;
    }
    d.resize(kept);
  }
  for (char32_t cp : d) PutCp(out, cp);
}

// Starters that the composed form replaces with other characters on their
// own: singletons (compatibility ideographs, the Angstrom and Ohm signs, the
// Greek question mark) and composition exclusions (Devanagari nukta
// letters). They are distinct characters a text may mean as written, and
// the converter keeps them as side entries. Built once.
bool ReplacedAlone(char32_t cp) {
  static const std::vector<char32_t> replaced = [] {
    std::vector<char32_t> list, d;
    std::vector<char16_t> out;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
      if (KxIsSurrogate(c) || !Unstable(c) || CombiningClass(c) != 0) continue;
      d.clear();
      out.clear();
      Decompose(c, d);
      NormalizeStretch(d, out);
      std::vector<char16_t> self;
      PutCp(self, c);
      if (out != self) list.push_back(c);
    }
    return list;
  }();
  return std::binary_search(replaced.begin(), replaced.end(), cp);
}

}  // namespace

bool KxNormalizeNFC(const char16_t* in, long n, std::vector<char16_t>& out, std::vector<std::int32_t>* map,
                    UnicodeToTextInfo keepFor) {
  if (!in || n <= 0) return false;
  const std::uint16_t* held = keepFor ? keepFor->maps->encode.get() : nullptr;
  // Kept: a starter that the converter writes as it stands.
  auto kept = [held](char32_t cp) {
    return CombiningClass(cp) == 0 && ((held && cp < 0x10000 && held[cp]) || ReplacedAlone(cp));
  };
  auto Unstable = [&](char32_t cp) { return ::Unstable(cp) && !kept(cp); };
  auto Decompose = [&](char32_t cp, std::vector<char32_t>& d) {
    if (kept(cp))
      d.push_back(cp);
    else
      ::Decompose(cp, d);
  };
  long first = 0;
  for (long w; first < n; first += w)
    if (Unstable(ReadCp(in, n, first, w))) break;
  if (first == n) return false;

  out.clear();
  out.reserve(std::size_t(n));
  if (map) map->assign(std::size_t(n) + 1, 0);
  std::vector<char32_t> d;
  long i = 0;
  while (i < n) {
    // The next unstable code point at or after i, and the start of the code
    // point before it (a stable starter may compose with what follows).
    long j = i, prev = i, w;
    while (j < n) {
      char32_t cp = ReadCp(in, n, j, w);
      if (Unstable(cp)) break;
      prev = j;
      j += w;
    }
    long s = j == n ? n : (j > i ? prev : j);
    for (long k = i; k < s; ++k) {
      if (map) (*map)[std::size_t(k)] = std::int32_t(out.size());
      out.push_back(in[k]);
    }
    if (s == n) break;
    // The stretch ends at the next stable code point after j.
    long e = j;
    ReadCp(in, n, e, w);
    e += w;
    while (e < n && Unstable(ReadCp(in, n, e, w))) e += w;
    d.clear();
    for (long k = s; k < e; k += w) Decompose(ReadCp(in, n, k, w), d);
    std::size_t start = out.size();
    NormalizeStretch(d, out);
    // A stretch that came out unchanged keeps its units' own places.
    bool same = long(out.size() - start) == e - s && std::equal(in + s, in + e, out.begin() + long(start));
    if (map)
      for (long k = s; k < e; ++k) (*map)[std::size_t(k)] = std::int32_t(same ? start + std::size_t(k - s) : start);
    i = e;
  }
  if (map) (*map)[std::size_t(n)] = std::int32_t(out.size());
  return true;
}

char16_t KxSJISX0213ToUnicode(std::uint16_t code) {
  const auto* end = kX0213Codes + std::size(kX0213Codes);
  const auto* it = std::lower_bound(kX0213Codes, end, code);
  return it != end && *it == code ? kX0213Units[it - kX0213Codes] : 0;
}

char16_t KxJISX0212ToUnicode(std::uint8_t row, std::uint8_t cell) {
  if (row < 0xA1 || row > 0xFE || cell < 0xA1 || cell > 0xFE) return 0;
  return kJISX0212Units[(row - 0xA1) * 94 + (cell - 0xA1)];
}

bool KxUnicodeToJISX0212(char16_t u, std::uint8_t& row, std::uint8_t& cell) {
  // Each unit with its cell's index, sorted by unit: built once.
  static const std::vector<std::uint32_t> byUnit = [] {
    std::vector<std::uint32_t> v;
    for (std::size_t k = 0; k < std::size(kJISX0212Units); ++k)
      if (kJISX0212Units[k]) v.push_back(std::uint32_t(kJISX0212Units[k]) << 16 | std::uint32_t(k));
    std::sort(v.begin(), v.end());
    return v;
  }();
  if (u == 0) return false;
  const auto it = std::lower_bound(byUnit.begin(), byUnit.end(), std::uint32_t(u) << 16);
  if (it == byUnit.end() || (*it >> 16) != u) return false;
  const std::uint32_t k = *it & 0xFFFF;
  row = std::uint8_t(0xA1 + k / 94);
  cell = std::uint8_t(0xA1 + k % 94);
  return true;
}

std::string KxScriptTextToUTF8(const std::string& text) {
  constexpr TextEncoding kJapanese = 1;
  TextToUnicodeInfo info = nullptr;
  if (text.empty() || CreateTextToUnicodeInfo(kJapanese, &info) != noErr) return text;
  std::vector<char16_t> u16(text.size() * 2 + 4);
  long read = 0, outLen = 0;
  const OSStatus err = ConvertFromTextToUnicode(info, long(text.size()), text.data(), nullptr,
                                                long(u16.size() * sizeof(char16_t)), &read, &outLen, u16.data());
  DisposeTextToUnicodeInfo(&info);
  if (err != noErr) return text;
  return KxUTF16ToUTF8(std::u16string(u16.data(), std::size_t(outLen) / sizeof(char16_t)));
}

std::string KxUTF8ToScriptText(const std::string& utf8) {
  std::vector<char16_t> u16;
  u16.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const KxUtf8Sequence q = KxUtf8SequenceAt(utf8, i);
    if (q.length == 0) break;   // malformed: the rest is dropped
    const char32_t c = q.cp;
    i += std::size_t(q.length);
    if (!q.wellFormed || c > 0x10FFFF || KxIsSurrogate(c)) continue;
    if (c >= 0x10000) {
      u16.push_back(KxHighSurrogate(c));
      u16.push_back(KxLowSurrogate(c));
    } else {
      u16.push_back(char16_t(c));
    }
  }
  constexpr TextEncoding kJapanese = 1;
  UnicodeToTextInfo info = nullptr;
  if (u16.empty() || CreateUnicodeToTextInfo(kJapanese, &info) != noErr) return std::string();
  std::string out(u16.size() * 2 + 4, '\0');
  long done = 0;     // bytes of out written
  std::size_t at = 0;  // units of u16 read
  while (at < u16.size()) {
    long read = 0, outLen = 0;
    const OSStatus err = ConvertFromUnicodeToText(info, long((u16.size() - at) * sizeof(char16_t)), u16.data() + at,
                                                  nullptr, long(out.size()) - done, &read, &outLen, out.data() + done);
    done += outLen;
    at += std::size_t(read) / sizeof(char16_t);
    if (err == noErr || at >= u16.size()) break;
    if (err != kKxConvUnmappableErr && err != kKxConvIncompleteErr) break;
    // A character Shift_JIS lacks (a whole surrogate pair, or a lone unit)
    // becomes the placeholder, in the two bytes its units leave room for;
    // the text after it goes on.
    at += KxIsHighSurrogate(u16[at]) && at + 1 < u16.size() && KxIsLowSurrogate(u16[at + 1]) ? 2 : 1;
    out[std::size_t(done++)] = char(0x81);
    out[std::size_t(done++)] = char(0xFC);
  }
  DisposeUnicodeToTextInfo(&info);
  out.resize(std::size_t(done));
  return out;
}

std::string KxUTF16ToUTF8(const std::u16string& u) {
  std::string out;
  out.reserve(u.size());
  for (std::size_t k = 0; k < u.size(); ++k) {
    std::uint32_t cp = u[k];
    if (cp >= 0xD800 && cp <= 0xDBFF && k + 1 < u.size() && u[k + 1] >= 0xDC00 && u[k + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (u[k + 1] - 0xDC00);
      ++k;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xC0 | (cp >> 6)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(char(0xE0 | (cp >> 12)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (cp >> 18)));
      out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}
