#include "text/codes/unicode.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/core.h"
#include "platform/script.h"
#include "platform/utf16.h"
#include "text/base/memory.h"
#include "text/codes/jcode.h"
#include "text/codes/script.h"

unsigned char gAvailUnicodeConvert = 0;

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kGlyphStandInJapanese = 0xFF1F;  // full-width question mark
constexpr long kMapPiece = 16384;  // bytes or units per converter call when offsets are listed
constexpr long kMapPieceAfterStop = 64;  // the first piece after a code that stopped the converter

// A handle owned for a scope unless released.
class StHandle {
 public:
  StHandle() = default;
  ~StHandle() {
    if (mH) KxMemHFree(mH);
  }
  StHandle(const StHandle&) = delete;
  StHandle& operator=(const StHandle&) = delete;
  void Alloc(long size) { mH = KxMemHAlloc(std::max(size, 1L), true); }
  Handle Get() const { return mH; }
  Handle Release() {
    Handle h = mH;
    mH = nullptr;
    return h;
  }
  // Shrinks (or grows) to `size` bytes, keeping at least one byte allocated.
  void Resize(long size) { KxMemHReAlloc(mH, std::max(size, 1L), true); }

 private:
  Handle mH = nullptr;
};

template <typename T>
void PutField(char* p, T v) {
  std::memcpy(p, &v, sizeof v);
}
template <typename T>
T GetField(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

TextEncoding EncodingOfScript(short script) {
  if (script == 8 || script == 32) return kKxEncodingMacSymbol;
  if (script >= 0 && script < 32) return TextEncoding(script);
  return kKxEncodingMacRoman;
}

// Script runs from outside, made usable: starts ascending, the first at 0.
struct ScriptCursor {
  const SKXScriptRun* runs;
  long count;
  short fallback;
  long index = 0;
  short ScriptAt(long pos) {
    if (!runs || count <= 0) return fallback;
    while (index + 1 < count && runs[index + 1].offset <= pos) ++index;
    return runs[index].script;
  }
  // The next offset after pos at which the script differs (or `limit`);
  // remembered per run, so that many side entries in one run cost nothing.
  long cachedIndex = -1;
  long cachedChange = 0;
  long NextChange(long pos, long limit) {
    if (!runs || count <= 0) return limit;
    if (cachedIndex != index) {
      cachedIndex = index;
      cachedChange = kKxMaxOffset;
      for (long k = index + 1; k < count; ++k) {
        if (runs[k].script != runs[index].script) {
          cachedChange = runs[k].offset;
          break;
        }
      }
    }
    return cachedChange > pos && cachedChange < limit ? cachedChange : limit;
  }
};

// Maps caller offsets through an origin table (`origin[u]`: the source
// position of output unit u, never decreasing; `total` the source length):
// an offset goes to the first output of the character holding it.
void MapThroughOrigins(const std::vector<std::int32_t>& origin, long outCount, long total,
                       const long* offsets, long n, long* mapped, long scale) {
  for (long k = 0; k < n; ++k) {
    long off = offsets[k];
    long result;
    if (off >= total) {
      result = outCount;
    } else if (origin.empty() || off < origin.front()) {
      result = 0;
    } else {
      auto it = std::upper_bound(origin.begin(), origin.end(), std::int32_t(off));
      std::int32_t start = *(it - 1);
      result = long(std::lower_bound(origin.begin(), origin.end(), start) - origin.begin());
    }
    mapped[k] = result * scale;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Glyph records

long KxGlyphRecordCount(Handle glyphs) {
  if (!glyphs || !*glyphs) return 0;
  long size = KxMemHSize(glyphs);
  if (size < kKxGlyphHeaderSize) return 0;
  std::uint32_t n = GetField<std::uint32_t>(*glyphs);
  long fit = (size - kKxGlyphHeaderSize) / kKxGlyphRecordSize;
  return n > std::uint32_t(fit) ? fit : long(n);
}

bool KxGetGlyphRecord(Handle glyphs, long index, SKXGlyphRecord& r) {
  if (index < 0 || index >= KxGlyphRecordCount(glyphs)) return false;
  const char* p = *glyphs + kKxGlyphHeaderSize + index * kKxGlyphRecordSize;
  r.index = GetField<std::uint32_t>(p);
  r.length = GetField<std::uint32_t>(p + 4);
  r.fontRef = GetField<std::uint32_t>(p + 8);
  r.collection = GetField<std::uint16_t>(p + 12);
  r.glyphID = GetField<std::uint16_t>(p + 14);
  return true;
}

unsigned short KxUnicodePlaceholder(short script) {
  if (script == kScriptJapanese) return 0x81FC;
  if (script == 2 || script == 3 || script == 25) return 0xA3BF;
  return 0xA0;
}

unsigned short KxUnicodePlaceholderFor(std::uint16_t first, short script) {
  return first >= 0x20 && first <= 0x1FFF ? 0xA0 : KxUnicodePlaceholder(script);
}

unsigned short KxUnicodeSharedCode(std::uint32_t value, short script) {
  if ((value & 0xFFFF) != 0) return 0;   // one unit, in the high half
  const char32_t cp = value >> 16;
  if (!KxScriptIsOtherForm(cp, script)) return 0;
  const std::int32_t code = KxScriptFromUnicode(cp, script);
  return code > 0xFF && code <= 0xFFFF ? static_cast<unsigned short>(code) : 0;
}

bool KxUnicodeIsSharedCodeAt(const unsigned char* b, long avail, std::uint32_t value) {
  if (!b || avail < 2) return false;
  const unsigned short code = KxUnicodeSharedCode(value, kScriptJapanese);
  return code != 0 && b[0] == (code >> 8) && b[1] == (code & 0xFF);
}

// ---------------------------------------------------------------------------
// UUnicodeConvert

void UUnicodeConvert::Initialize() { gAvailUnicodeConvert = 1; }
void UUnicodeConvert::Terminate() { gAvailUnicodeConvert = 0; }

Boolean UUnicodeConvert::CreateInfo(SUnicodeConvertInfo& info, short script, short mode) {
  info = {};
  TextEncoding enc = EncodingOfScript(script);
  if (mode == kKxUnicodeBoth || mode == kKxUnicodeFromText) {
    if (CreateTextToUnicodeInfo(enc, &info.toUnicode) != noErr) return false;
  }
  if (mode == kKxUnicodeBoth || mode == kKxUnicodeToText) {
    if (CreateUnicodeToTextInfo(enc, &info.toText) != noErr) {
      DisposeTextToUnicodeInfo(&info.toUnicode);
      return false;
    }
  }
  return true;
}

void UUnicodeConvert::DisposeInfo(SUnicodeConvertInfo& info) {
  DisposeTextToUnicodeInfo(&info.toUnicode);
  DisposeUnicodeToTextInfo(&info.toText);
}

OSStatus UUnicodeConvert::FromText(const SUnicodeConvertInfo& info, const void* bytes, long length,
                                   KxConvOffsets* offsets, long outBytes, long* read, long* outLen,
                                   char16_t* out) {
  return ConvertFromTextToUnicode(info.toUnicode, length, bytes, offsets, outBytes, read, outLen, out);
}

OSStatus UUnicodeConvert::ToText(const SUnicodeConvertInfo& info, const char16_t* units, long byteLength,
                                 KxConvOffsets* offsets, long outBytes, long* read, long* outLen, void* out) {
  return ConvertFromUnicodeToText(info.toText, byteLength, units, offsets, outBytes, read, outLen, out);
}

Boolean UUnicodeConvert::IsSurrogate(const char16_t* units, long byteLength) {
  return units && byteLength >= 4 && KxIsHighSurrogate(units[0]) && KxIsLowSurrogate(units[1]);
}

Boolean UUnicodeConvert::IsJISX0213AdditionsSJIS(unsigned short code) {
  static constexpr unsigned short kRanges[][2] = {
      {0x81AD, 0x81B7}, {0x81C0, 0x81C7}, {0x81CF, 0x81D9}, {0x81E9, 0x81EF}, {0x81F8, 0x81FB},
      {0x8240, 0x824E}, {0x8259, 0x825F}, {0x827A, 0x8280}, {0x829B, 0x829E}, {0x82F2, 0x82F9},
      {0x8397, 0x839E}, {0x83B7, 0x83BE}, {0x83D7, 0x83FC}, {0x8461, 0x846F}, {0x8492, 0x849E},
      {0x84BF, 0x889E}, {0x9873, 0x989E}, {0xEAA5, 0xFCF4}};
  for (const auto& r : kRanges)
    if (code >= r[0] && code <= r[1]) return true;
  return false;
}

char16_t UUnicodeConvert::FromJISX0213AdditionsSJIS(unsigned short code) {
  return KxSJISX0213ToUnicode(code);
}

// ---------------------------------------------------------------------------
// CKXUnicode

CKXUnicode::CKXUnicode(short script, short mode) : mScript(script), mMode(mode), mInfoScript(script) {
  UUnicodeConvert::CreateInfo(mInfo, script, mode);
}

CKXUnicode::~CKXUnicode() { UUnicodeConvert::DisposeInfo(mInfo); }

bool CKXUnicode::Prepare(short script, short mode) {
  if (!gAvailUnicodeConvert) return false;
  if (mMode != kKxUnicodeBoth && mMode != mode) return false;
  if (script != mInfoScript) {
    UUnicodeConvert::DisposeInfo(mInfo);
    UUnicodeConvert::CreateInfo(mInfo, script, mMode);
    mInfoScript = script;
  }
  return mode == kKxUnicodeFromText ? mInfo.toUnicode != nullptr : mInfo.toText != nullptr;
}

Boolean CKXUnicode::ConvertFromText(const char* text, long length, const SKXUniChar* uniChars, long uniCount,
                                    Handle& units, long& unitCount, Handle& glyphs, const SKXScriptRun* runs,
                                    long runCount, const long* offsets, long offsetCount, long* mapped) {
  return FromTextImpl(text, length, uniChars, uniCount, units, unitCount, glyphs, runs, runCount, offsets,
                      offsetCount, mapped, nullptr, nullptr);
}

Boolean CKXUnicode::ConvertFromTextAndOffset(const char* text, long length, const SKXUniChar* uniChars,
                                             long uniCount, Handle& units, long& unitCount, Handle& glyphs,
                                             const SKXScriptRun* runs, long runCount, Handle& map,
                                             long& mapCount) {
  return FromTextImpl(text, length, uniChars, uniCount, units, unitCount, glyphs, runs, runCount, nullptr, 0,
                      nullptr, &map, &mapCount);
}

Boolean CKXUnicode::FromTextImpl(const char* text, long length, const SKXUniChar* uniChars, long uniCount,
                                 Handle& unitsOut, long& unitCount, Handle& glyphsOut, const SKXScriptRun* runs,
                                 long runCount, const long* offsets, long offsetCount, long* mapped,
                                 Handle* mapOut, long* mapCount) {
  unitsOut = nullptr;
  glyphsOut = nullptr;
  unitCount = 0;
  if (mapOut) *mapOut = nullptr;
  if (mapCount) *mapCount = 0;
  if (offsetCount < 0 || (offsetCount > 0 && (!offsets || !mapped))) offsetCount = 0;
  if (!text || length < 0) length = 0;
  if (!uniChars || uniCount < 0) uniCount = 0;
  const short baseScript = mScript;
  if (!Prepare(baseScript, kKxUnicodeFromText)) return false;

  const bool wantOrigins = mapOut || offsetCount > 0;
  std::vector<std::int32_t> origin;  // per output unit: the byte offset of its character
  const auto* p = reinterpret_cast<const unsigned char*>(text);

  StHandle out;
  out.Alloc((length + std::min(long(uniCount), length)) * 2);
  std::vector<SKXGlyphRecord> glyphRecords;
  long count = 0;
  {
    CKXLock lock(out.Get());
    auto* u = reinterpret_cast<char16_t*>(lock.Ptr());
    const long cap = length + std::min(long(uniCount), length);
    ScriptCursor cursor{runs, runCount, baseScript};
    long e = 0;  // next side entry
    long pos = 0;
    std::vector<long> starts, starts2;
    // Every piece lists its character starts, so a code that stops the
    // converter makes the next piece a short one, growing back while none
    // does: else a text full of such codes is listed a whole piece at a
    // time for each of them.
    long piece = kMapPiece;
    auto emit = [&](char16_t unit, long from) {
      if (count < cap) {
        u[count++] = unit;
        if (wantOrigins) origin.push_back(std::int32_t(from));
      }
    };
    while (pos < length) {
      short script = cursor.ScriptAt(pos);
      if (!Prepare(script, kKxUnicodeFromText)) return false;
      while (e < uniCount && uniChars[e].offset < pos) ++e;  // out of order, repeated or inside a character
      if (e < uniCount && uniChars[e].offset == pos) {
        std::uint32_t v = uniChars[e].value;
        ++e;
        long ph = 0;
        unsigned short holder = KxUnicodePlaceholder(script);
        if (p[pos] == 0xA0) {
          ph = 1;
        } else if (holder > 0xFF && pos + 1 < length && p[pos] == (holder >> 8) && p[pos + 1] == (holder & 0xFF)) {
          ph = 2;
        } else if (const unsigned short shared = KxUnicodeSharedCode(v, script);
                   shared != 0 && pos + 1 < length && p[pos] == (shared >> 8) && p[pos + 1] == (shared & 0xFF)) {
          ph = 2;
        }
        bool ignored = v == 0 || (v >= 0x10000 && v < kKxGlyphValueBase);
        if (ph && !ignored) {
          if (v >= kKxGlyphValueBase && v < kKxGlyphValueEnd) {
            std::uint16_t coll = std::uint16_t((v >> 16) & 15);
            glyphRecords.push_back({std::uint32_t(count), 1, kKxGlyphFontRef,
                                    coll == 15 ? kKxGlyphUnspecified : coll, std::uint16_t(v & 0xFFFF)});
            emit(script == kScriptRoman ? u'?' : kGlyphStandInJapanese, pos);
          } else {
            if (v > 0xFFFF) emit(char16_t(v >> 16), pos);
            if (v & 0xFFFF) emit(char16_t(v & 0xFFFF), pos);
          }
          pos += ph;
          continue;
        }
      }
      long segEnd = cursor.NextChange(pos, length);
      if (e < uniCount && uniChars[e].offset > pos && uniChars[e].offset < segEnd) segEnd = uniChars[e].offset;
      if (wantOrigins) segEnd = std::min(segEnd, pos + piece);

      // Every character start of the piece, to learn which units each made.
      KxConvOffsets conv;
      if (wantOrigins) {
        starts.clear();
        const std::uint8_t* parse = KxScriptParseTable(script);
        for (long k = pos; k < segEnd; k += 1 + parse[p[k]]) starts.push_back(k - pos);
        starts2.resize(starts.size());
        conv.count = long(starts.size());
        conv.in = starts.data();
        conv.out = starts2.data();
      }
      long read = 0, made = 0;
      OSStatus st = UUnicodeConvert::FromText(mInfo, p + pos, segEnd - pos, wantOrigins ? &conv : nullptr,
                                              (cap - count) * 2, &read, &made, u + count);
      made /= 2;
      if (wantOrigins) {
        for (long k = 0; k < conv.mapped; ++k) {
          long first = starts2[std::size_t(k)] / 2;
          long last = k + 1 < conv.mapped ? starts2[std::size_t(k + 1)] / 2 : made;
          for (long x = first; x < last; ++x) origin.push_back(std::int32_t(pos + starts[std::size_t(k)]));
        }
      }
      count += made;
      pos += read;
      piece = st == noErr ? std::min(piece * 2, kMapPiece) : kMapPieceAfterStop;
      if (st == noErr || st == kKxConvOutputFullErr) {
        if (st == kKxConvOutputFullErr) break;  // cannot happen: the output holds the worst case
        continue;
      }
      if (st == kKxConvIncompleteErr && pos + 1 < length && segEnd < length) {
        // The character runs past the piece (into a script change or onto a
        // side entry that sits on its second byte): convert it on its own.
        long r2 = 0, m2 = 0;
        OSStatus st2 =
            UUnicodeConvert::FromText(mInfo, p + pos, 2, nullptr, (cap - count) * 2, &r2, &m2, u + count);
        if (st2 == noErr && r2 == 2) {
          for (long x = 0; x < m2 / 2; ++x)
            if (wantOrigins) origin.push_back(std::int32_t(pos));
          count += m2 / 2;
          pos += 2;
          continue;
        }
      }
      // An unassigned code, a lead byte without its trail, or one at the end:
      // U+FFFD, and on past the code (a lead byte alone, so that what follows
      // it, such as a CR, is kept).
      const std::uint8_t* parse = KxScriptParseTable(script);
      long skip = parse[p[pos]] && pos + 1 < length && IsTrailByte(p[pos + 1]) ? 2 : 1;
      emit(kReplacement, pos);
      pos += skip;
    }
  }
  unitCount = count;
  out.Resize(count * 2);
  if (!glyphRecords.empty()) {
    StHandle g;
    g.Alloc(kKxGlyphHeaderSize + long(glyphRecords.size()) * kKxGlyphRecordSize);
    char* q = *g.Get();
    PutField<std::uint32_t>(q, std::uint32_t(glyphRecords.size()));
    q += kKxGlyphHeaderSize;
    for (const auto& r : glyphRecords) {
      PutField(q, r.index);
      PutField(q + 4, r.length);
      PutField(q + 8, r.fontRef);
      PutField(q + 12, r.collection);
      PutField(q + 14, r.glyphID);
      q += kKxGlyphRecordSize;
    }
    glyphsOut = g.Release();
  }
  if (offsetCount > 0) MapThroughOrigins(origin, count, length, offsets, offsetCount, mapped, 2);
  if (mapOut) {
    StHandle m;
    m.Alloc((count + 1) * 4);
    char* q = *m.Get();
    for (long k = 0; k < count; ++k) PutField<std::int32_t>(q + k * 4, origin[std::size_t(k)]);
    PutField<std::int32_t>(q + count * 4, std::int32_t(length));
    *mapOut = m.Release();
    *mapCount = count + 1;
  }
  unitsOut = out.Release();
  return count > 0;
}

Boolean CKXUnicode::ConvertToText(const char16_t* units, long unitCount, Handle glyphs, Handle& text,
                                  long& textLength, Handle& uniChars, long& uniCount, short script,
                                  const long* offsets, long offsetCount, long* mapped) {
  return ToTextImpl(units, unitCount, glyphs, text, textLength, uniChars, uniCount, script, offsets, offsetCount,
                    mapped, nullptr, nullptr);
}

Boolean CKXUnicode::ConvertToTextAndOffset(const char16_t* units, long unitCount, Handle glyphs, Handle& text,
                                           long& textLength, Handle& uniChars, long& uniCount, short script,
                                           Handle& map, long& mapCount) {
  return ToTextImpl(units, unitCount, glyphs, text, textLength, uniChars, uniCount, script, nullptr, 0, nullptr,
                    &map, &mapCount);
}

Boolean CKXUnicode::ToTextImpl(const char16_t* unitsIn, long unitCount, Handle glyphs, Handle& textOut,
                               long& textLength, Handle& uniCharsOut, long& uniCount, short script,
                               const long* offsets, long offsetCount, long* mapped, Handle* mapOut,
                               long* mapCount) {
  textOut = nullptr;
  uniCharsOut = nullptr;
  textLength = 0;
  uniCount = 0;
  if (mapOut) *mapOut = nullptr;
  if (mapCount) *mapCount = 0;
  if (offsetCount < 0 || (offsetCount > 0 && (!offsets || !mapped))) offsetCount = 0;
  if (!unitsIn || unitCount < 0) unitCount = 0;
  if (!Prepare(script, kKxUnicodeToText)) return false;
  mScript = script;

  // Composed form first, so that a letter and its marks find their code.
  std::vector<char16_t> norm;
  std::vector<std::int32_t> normMap;
  const bool wantOrigins = mapOut || offsetCount > 0;
  bool normalized = KxNormalizeNFC(unitsIn, unitCount, norm, &normMap, mInfo.toText);
  const char16_t* src = normalized ? norm.data() : unitsIn;
  const long n = normalized ? long(norm.size()) : unitCount;
  auto toNorm = [&](long i) -> long {
    if (!normalized) return i;
    return i >= unitCount ? n : normMap[std::size_t(i)];
  };

  // Glyph records: ascending, inside the text; a single record with glyph
  // ID 0 says there is none.
  struct GlyphMark {
    long index, length;
    std::uint32_t value;
  };
  std::vector<GlyphMark> marks;
  long recs = KxGlyphRecordCount(glyphs);
  SKXGlyphRecord r{};
  if (!(recs == 1 && KxGetGlyphRecord(glyphs, 0, r) && r.glyphID == 0)) {
    for (long k = 0; k < recs; ++k) {
      KxGetGlyphRecord(glyphs, k, r);
      if (r.index >= std::uint32_t(unitCount)) continue;
      long from = toNorm(long(r.index));
      long len = r.length == 0 ? 1 : long(std::min<std::uint32_t>(r.length, std::uint32_t(unitCount) - r.index));
      long to = std::max(toNorm(long(r.index) + len), from + 1);
      if (!marks.empty() && from < marks.back().index + marks.back().length) continue;
      std::uint16_t coll = r.collection == kKxGlyphUnspecified ? 15 : (r.collection & 15);
      marks.push_back({from, to - from, kKxGlyphValueBase + (std::uint32_t(coll) << 16) + r.glyphID});
    }
  }

  StHandle out;
  out.Alloc(n * 2);
  std::vector<SKXUniChar> entries;
  std::vector<std::int32_t> origin;  // per normalized unit: its byte offset in the text
  if (wantOrigins) origin.reserve(std::size_t(n));
  long len = 0;
  {
    CKXLock lock(out.Get());
    auto* q = reinterpret_cast<unsigned char*>(lock.Ptr());
    std::vector<long> starts, starts2;
    long pos = 0;
    long nextShared = -1;  // the next character that shares its code, from pos on
    std::size_t g = 0;
    auto placeholder = [&](std::uint16_t first) {
      unsigned short ph = KxUnicodePlaceholderFor(first, script);
      if (ph > 0xFF) q[len++] = static_cast<unsigned char>(ph >> 8);
      q[len++] = static_cast<unsigned char>(ph & 0xFF);
    };
    while (pos < n) {
      while (g < marks.size() && marks[g].index < pos) ++g;
      if (g < marks.size() && marks[g].index == pos) {
        long take = std::min(marks[g].length, n - pos);
        entries.push_back({std::int32_t(len), marks[g].value});
        if (wantOrigins) origin.insert(origin.end(), std::size_t(take), std::int32_t(len));
        placeholder(std::uint16_t(marks[g].value >> 16));
        pos += take;
        ++g;
        continue;
      }
      long limit = g < marks.size() ? marks[g].index : n;
      if (wantOrigins) limit = std::min(limit, pos + kMapPiece);
      // A character that shares its code goes alone, so that its entry
      // finds the code it became.
      const bool shared = KxScriptIsOtherForm(src[pos], script);
      if (shared) {
        limit = pos + 1;
      } else {
        if (nextShared < pos) {
          nextShared = pos;
          while (nextShared < n && !KxScriptIsOtherForm(src[nextShared], script)) ++nextShared;
        }
        limit = std::min(limit, nextShared);
      }
      const long lenBefore = len;
      KxConvOffsets conv;
      if (wantOrigins) {
        starts.resize(std::size_t(limit - pos));
        starts2.resize(starts.size());
        for (long k = 0; k < limit - pos; ++k) starts[std::size_t(k)] = k * 2;
        conv.count = long(starts.size());
        conv.in = starts.data();
        conv.out = starts2.data();
      }
      long read = 0, made = 0;
      OSStatus st = UUnicodeConvert::ToText(mInfo, src + pos, (limit - pos) * 2, wantOrigins ? &conv : nullptr,
                                            n * 2 - len, &read, &made, q + len);
      read /= 2;
      if (wantOrigins)
        for (long k = 0; k < read; ++k) origin.push_back(std::int32_t(len + starts2[std::size_t(k)]));
      len += made;
      pos += read;
      if (shared && read == 1 && made == 2) entries.push_back({std::int32_t(lenBefore), std::uint32_t(src[pos - 1]) << 16});
      if (st == noErr) continue;
      if (st == kKxConvOutputFullErr) return false;  // cannot happen: two bytes per unit at most
      // A character the script cannot hold: a placeholder and a side entry,
      // a surrogate pair in one entry, every other unit in its own.
      char16_t u = src[pos];
      if (KxIsHighSurrogate(u) && pos + 1 < n && KxIsLowSurrogate(src[pos + 1]) && pos + 1 != limit) {
        entries.push_back({std::int32_t(len), std::uint32_t(u) << 16 | src[pos + 1]});
        if (wantOrigins) origin.insert(origin.end(), 2, std::int32_t(len));
        placeholder(u);
        pos += 2;
      } else if (len == 1 && entries.empty() && u >= 0x300 && u <= 0x36F &&
                 ((q[0] >= 'A' && q[0] <= 'Z') || (q[0] >= 'a' && q[0] <= 'z'))) {
        // A lone letter and a mark that has no code together: one entry
        // that replaces the letter.
        entries.push_back({0, std::uint32_t(q[0]) << 16 | u});
        len = 0;
        placeholder(q[0]);
        if (wantOrigins) origin.push_back(0);
        pos += 1;
      } else {
        entries.push_back({std::int32_t(len), std::uint32_t(u) << 16});
        if (wantOrigins) origin.push_back(std::int32_t(len));
        placeholder(u);
        pos += 1;
      }
    }
  }
  textLength = len;
  out.Resize(len);
  if (!entries.empty()) {
    StHandle h;
    h.Alloc(long(entries.size()) * long(sizeof(SKXUniChar)));
    char* q = *h.Get();
    for (const auto& en : entries) {
      PutField(q, en.offset);
      PutField(q + 4, en.value);
      q += sizeof(SKXUniChar);
    }
    uniCount = long(entries.size());
    uniCharsOut = h.Release();
  }
  // Back to the caller's units: each one goes where its stretch went.
  std::vector<std::int32_t> unitOrigin;
  if (wantOrigins) {
    unitOrigin.resize(std::size_t(unitCount));
    for (long i = 0; i < unitCount; ++i) unitOrigin[std::size_t(i)] = origin[std::size_t(toNorm(i))];
  }
  if (offsetCount > 0) {
    for (long k = 0; k < offsetCount; ++k) {
      long idx = offsets[k] / 2;
      mapped[k] = offsets[k] < 0 ? 0 : idx >= unitCount ? len : unitOrigin[std::size_t(idx)];
    }
  }
  if (mapOut) {
    StHandle m;
    m.Alloc(unitCount * 4);
    char* q = *m.Get();
    for (long k = 0; k < unitCount; ++k) PutField<std::int32_t>(q + k * 4, unitOrigin[std::size_t(k)]);
    *mapOut = m.Release();
    *mapCount = unitCount;
  }
  textOut = out.Release();
  return unitCount == 0 || len > 0;
}

Boolean CKXUnicode::ConvertFromChar(unsigned short code, char16_t* units, long& unitCount) {
  long room = unitCount;
  unitCount = 0;
  if (!units || room <= 0 || !Prepare(mScript, kKxUnicodeFromText)) return false;
  unsigned char bytes[2];
  long n = 0;
  if (code > 0xFF) bytes[n++] = static_cast<unsigned char>(code >> 8);
  bytes[n++] = static_cast<unsigned char>(code & 0xFF);
  char16_t buf[128];
  long read = 0, made = 0;
  OSStatus st = UUnicodeConvert::FromText(mInfo, bytes, n, nullptr, sizeof buf, &read, &made, buf);
  if (st != noErr || read != n) return false;
  unitCount = std::min(room, made / 2);
  std::copy_n(buf, unitCount, units);
  return unitCount > 0;
}

Boolean CKXUnicode::ConvertToChar(const char16_t* units, long unitCount, unsigned short& code) {
  code = 0;
  if (!units || unitCount <= 0 || !Prepare(mScript, kKxUnicodeToText)) return false;
  unsigned char buf[256];
  long read = 0, made = 0;
  UUnicodeConvert::ToText(mInfo, units, std::min(unitCount, 128L) * 2, nullptr, sizeof buf, &read, &made, buf);
  if (made <= 0) return false;
  // One character: a lead byte takes the byte after it.
  const std::uint8_t* parse = KxScriptParseTable(mScript);
  code = parse[buf[0]] && made >= 2 ? static_cast<unsigned short>(buf[0] << 8 | buf[1]) : buf[0];
  return true;
}

long CKXUnicode::OffsetFromIndex(Handle map, long count, long index) {
  if (!map || !*map || count <= 0 || KxMemHSize(map) < count * 4 || index < 0 || index >= count) return 0;
  return GetField<std::int32_t>(*map + index * 4);
}

long CKXUnicode::OffsetToIndex(Handle map, long count, long offset) {
  if (!map || !*map || count <= 0 || KxMemHSize(map) < count * 4) return 0;
  const char* p = *map;
  if (offset >= GetField<std::int32_t>(p + (count - 1) * 4)) return count - 1;
  long lo = 0, hi = count - 1;  // the first entry at least `offset`
  while (lo < hi) {
    long mid = (lo + hi) / 2;
    if (GetField<std::int32_t>(p + mid * 4) < offset)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

namespace {

// Latin letters that take each combining mark, as the input methods send them.
struct LatinMarks {
  char16_t mark;
  const char* letters;
};
constexpr LatinMarks kLatinMarks[] = {
    {0x0300, "AEIOUaeiouNn"},
    {0x0301, "AEIOUYaeiouyCcLlNnRrSsZz"},
    {0x0302, "AEIOUaeiouCcGgHhJjSs"},
    {0x0303, "ANOanoIiUu"},
    {0x0304, "AaEeIiOoUu"},
    {0x0306, "AaUu"},
    {0x0307, "Zz"},
    {0x0308, "AEIOUaeiouyY"},
    {0x030A, "AaUu"},
    {0x030B, "OoUu"},
    {0x030C, "CcDdEeLlNnRrSsTtZzAaIiOoUu"},
    {0x0327, "CcSsTt"},
    {0x0328, "AaEe"},
};

char16_t ComposeLatin(char16_t letter, char16_t mark) {
  if (letter > 0x7F) return 0;
  for (const auto& m : kLatinMarks) {
    if (m.mark != mark || !std::strchr(m.letters, int(letter)) || letter == 0) continue;
    char16_t pair[2] = {letter, mark};
    std::vector<char16_t> out;
    if (KxNormalizeNFC(pair, 2, out, nullptr) && out.size() == 1) return out[0];
  }
  return 0;
}

bool IsVoicable(char16_t c) {
  static constexpr char16_t kKana[] = {0x304B, 0x304D, 0x304F, 0x3051, 0x3053, 0x3055, 0x3057,
                                       0x3059, 0x305B, 0x305D, 0x305F, 0x3061, 0x3064, 0x3066,
                                       0x3068, 0x306F, 0x3072, 0x3075, 0x3078, 0x307B};
  if (c >= 0x30A0) c = char16_t(c - 0x60);
  return std::find(std::begin(kKana), std::end(kKana), c) != std::end(kKana);
}

bool IsSemiVoicable(char16_t c) {
  if (c >= 0x30A0) c = char16_t(c - 0x60);
  return c == 0x306F || c == 0x3072 || c == 0x3075 || c == 0x3078 || c == 0x307B;
}

}  // namespace

Boolean CKXUnicode::PreConvert(const char16_t* units, long count, char16_t* out, long* outCount) {
  bool met = false;
  long o = 0;
  char16_t prev = 0;  // the last unit written; 0 after a composition
  auto replacePrev = [&](char16_t c) {
    if (out) out[o - 1] = c;
    prev = 0;
  };
  auto put = [&](char16_t c) {
    if (out) out[o] = c;
    ++o;
    prev = c;
  };
  for (long i = 0; units && i < count; ++i) {
    char16_t c = units[i];
    if (c == 0x3099) {
      met = true;
      if (prev && IsVoicable(prev)) {
        replacePrev(char16_t(prev + 1));
      } else if (prev == 0x3046) {
        replacePrev(0x3094);
      } else if (prev == 0x30A6) {
        replacePrev(0x30F4);
      } else {
        put(0x309B);
      }
    } else if (c == 0x309A) {
      met = true;
      if (prev && IsSemiVoicable(prev)) {
        replacePrev(char16_t(prev + 2));
      } else {
        put(0x309C);
      }
    } else if (c >= 0x0300 && c <= 0x036F) {
      met = true;
      char16_t composed = prev ? ComposeLatin(prev, c) : 0;
      if (composed) {
        replacePrev(composed);
      } else {
        put(c);
      }
    } else {
      put(c);
    }
  }
  if (outCount) *outCount = o;
  return met;
}

Boolean CKXUnicode::ConvertGlyphInfoToScrap(Handle glyphs) {
  if (!glyphs || !*glyphs) return false;
  long n = KxGlyphRecordCount(glyphs);
  char* p = *glyphs;
  for (long k = 0; k < n; ++k) {
    SKXGlyphRecord r{};
    KxGetGlyphRecord(glyphs, k, r);
    char* q = p + kKxGlyphHeaderSize + k * kKxGlyphRecordSize;
    PutField<std::uint32_t>(q, r.index * 2);
    PutField<std::uint32_t>(q + 4, (r.index + r.length) * 2);
    PutField<std::uint16_t>(q + 8, r.collection == 3 ? 1 : 0);
    PutField<std::uint16_t>(q + 10, r.glyphID);
    PutField<std::uint32_t>(q + 12, 0);
  }
  if (KxMemHSize(glyphs) >= kKxGlyphHeaderSize) {
    PutField<std::uint16_t>(p, 0x0100);
    PutField<std::uint16_t>(p + 2, std::uint16_t(std::min(n, 0xFFFFL)));
  }
  return true;
}

Boolean CKXUnicode::ConvertGlyphScrapToInfo(Handle glyphs) {
  if (!glyphs || !*glyphs) return false;
  long size = KxMemHSize(glyphs);
  if (size < kKxGlyphHeaderSize) return false;
  char* p = *glyphs;
  long n = std::min<long>(GetField<std::uint16_t>(p + 2), (size - kKxGlyphHeaderSize) / kKxGlyphRecordSize);
  long kept = 0;
  for (long k = 0; k < n; ++k) {
    const char* q = p + kKxGlyphHeaderSize + k * kKxGlyphRecordSize;
    std::uint32_t start = GetField<std::uint32_t>(q), end = GetField<std::uint32_t>(q + 4);
    std::uint16_t coll = GetField<std::uint16_t>(q + 8), gid = GetField<std::uint16_t>(q + 10);
    if (end < start || (start & 1) || (end & 1)) continue;  // not a unit range: dropped
    char* w = p + kKxGlyphHeaderSize + kept * kKxGlyphRecordSize;
    PutField<std::uint32_t>(w, start / 2);
    PutField<std::uint32_t>(w + 4, (end - start) / 2);
    PutField<std::uint32_t>(w + 8, kKxGlyphFontRef);
    PutField<std::uint16_t>(w + 12, coll == 1 ? 3 : kKxGlyphUnspecified);
    PutField<std::uint16_t>(w + 14, gid);
    ++kept;
  }
  PutField<std::uint32_t>(p, std::uint32_t(kept));
  return true;
}

// ---------------------------------------------------------------------------
// UKXUnicode

void UKXUnicode::Initialize() { UUnicodeConvert::Initialize(); }
void UKXUnicode::Terminate() { UUnicodeConvert::Terminate(); }
Boolean UKXUnicode::IsAvailable() { return gAvailUnicodeConvert; }

Boolean UKXUnicode::ConvertFromText(short script, const char* text, long length, const SKXUniChar* uniChars,
                                    long uniCount, Handle& units, long& unitCount, Handle& glyphs,
                                    const SKXScriptRun* runs, long runCount) {
  CKXUnicode u(script, kKxUnicodeFromText);
  return u.ConvertFromText(text, length, uniChars, uniCount, units, unitCount, glyphs, runs, runCount);
}

Boolean UKXUnicode::ConvertToText(const char16_t* units, long unitCount, Handle glyphs, Handle& text,
                                  long& textLength, Handle& uniChars, long& uniCount, short script) {
  CKXUnicode u(script, kKxUnicodeToText);
  return u.ConvertToText(units, unitCount, glyphs, text, textLength, uniChars, uniCount, script);
}

Boolean UKXUnicode::ConvertFromChar(short script, unsigned short code, char16_t* units, long& unitCount) {
  CKXUnicode u(script, kKxUnicodeFromText);
  return u.ConvertFromChar(code, units, unitCount);
}

Boolean UKXUnicode::ConvertToChar(short script, const char16_t* units, long unitCount, unsigned short& code) {
  CKXUnicode u(script, kKxUnicodeToText);
  return u.ConvertToChar(units, unitCount, code);
}

namespace {
KxUnicodeDrawingHooks gDrawingHooks;
}  // namespace

void KxSetUnicodeDrawingHooks(const KxUnicodeDrawingHooks& hooks) { gDrawingHooks = hooks; }

Boolean UKXUnicode::Draw(const char16_t* units, long count) {
  if (!units || count <= 0 || !gDrawingHooks.draw) return false;
  return gDrawingHooks.draw(units, count);
}

std::int32_t UKXUnicode::Width(const char16_t* units, long count) {
  if (!units || count <= 0 || !gDrawingHooks.width) return 0;
  return gDrawingHooks.width(units, count);
}

void KxTextUnicodeFacilities() {
  KxRegisterFacility(kRankUnicode, "unicode", UKXUnicode::Initialize, UKXUnicode::Terminate);
}

bool KxUTF8ToHeldText(const char* utf8, long length, std::string& bytes, std::vector<SKXUniChar>& sides) {
  bytes.clear();
  sides.clear();
  if (!utf8 || length <= 0) return true;
  // At most one unit a byte.
  std::vector<char16_t> units(static_cast<std::size_t>(length));
  units.resize(static_cast<std::size_t>(
      CKXJCode::UTF8toUnits(reinterpret_cast<const unsigned char*>(utf8), length, units.data())));
  if (units.empty()) return true;
  StKxHandle text, uni;
  long textLength = 0, uniCount = 0;
  if (!UKXUnicode::ConvertToText(units.data(), long(units.size()), nullptr, text.h, textLength, uni.h, uniCount,
                                 kScriptJapanese))
    return false;
  textLength = text.h ? std::clamp(textLength, 0L, KxMemHSize(text.h)) : 0;
  if (textLength > 0) bytes.assign(*text.h, std::size_t(textLength));
  uniCount = uni.h ? std::clamp(uniCount, 0L, KxMemHSize(uni.h) / long(sizeof(SKXUniChar))) : 0;
  if (uniCount > 0) {
    const auto* first = reinterpret_cast<const SKXUniChar*>(*uni.h);
    sides.assign(first, first + uniCount);
    sides.resize(std::size_t(KxCheckUniChars(sides.data(), long(sides.size()), textLength)));
  }
  return true;
}

bool KxHeldTextToUTF8(const char* bytes, long length, const SKXUniChar* sides, long count, std::string& utf8) {
  utf8.clear();
  if (!bytes || length <= 0) return true;
  StKxHandle units, glyphs;
  long unitCount = 0;
  if (!UKXUnicode::ConvertFromText(kScriptJapanese, bytes, length, sides, sides ? count : 0, units.h, unitCount,
                                   glyphs.h) ||
      !units.h)
    return false;
  const auto* u = reinterpret_cast<const char16_t*>(*units.h);
  utf8 = KxUTF16ToUTF8(std::u16string(u, u + std::clamp(unitCount, 0L, KxMemHSize(units.h) / 2)));
  return true;
}
