#include "document/doc_records.h"

#include <algorithm>
#include <cstring>

#include "platform/bytefields.h"
#include "text/runs/runs.h"
#include "text/runs/ruby.h"
#include "text/store/strarray.h"

namespace {

std::uint16_t Get16(const std::uint8_t* p, KxByteOrder o) {
  return o == KxByteOrder::kBig ? KxGetU16BE(p) : std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t Get32(const std::uint8_t* p, KxByteOrder o) {
  if (o == KxByteOrder::kBig) return KxGetU32BE(p);
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
void Put16(std::uint8_t* p, std::uint16_t v, KxByteOrder o) {
  if (o == KxByteOrder::kBig) {
    KxPutU16BE(p, v);
  } else {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
  }
}
void Put32(std::uint8_t* p, std::uint32_t v, KxByteOrder o) {
  if (o == KxByteOrder::kBig) {
    KxPutU32BE(p, v);
  } else {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
  }
}
std::int16_t GetS16(const std::uint8_t* p, KxByteOrder o) { return std::int16_t(Get16(p, o)); }

void GetRect(const std::uint8_t* p, KxByteOrder o, Rect& r) {
  r.top = GetS16(p, o);
  r.left = GetS16(p + 2, o);
  r.bottom = GetS16(p + 4, o);
  r.right = GetS16(p + 6, o);
}
void PutRect(std::uint8_t* p, const Rect& r, KxByteOrder o) {
  Put16(p, std::uint16_t(r.top), o);
  Put16(p + 2, std::uint16_t(r.left), o);
  Put16(p + 4, std::uint16_t(r.bottom), o);
  Put16(p + 6, std::uint16_t(r.right), o);
}

// Header and footer blocks: 16-bit words at 0, 2, 6..14, bytes at 4, 5, 16, 17.
void GetHdFt(const std::uint8_t* p, KxByteOrder o, SKXHdFtBlock& b) {
  b.word0 = GetS16(p, o);
  b.textLength = Get16(p + 2, o);
  b.byte4 = p[4];
  b.byte5 = p[5];
  for (int i = 0; i < 5; ++i) b.words[i] = GetS16(p + 6 + 2 * i, o);
  b.byte16 = p[16];
  b.byte17 = p[17];
}
void PutHdFt(std::uint8_t* p, const SKXHdFtBlock& b, std::uint16_t length, KxByteOrder o) {
  Put16(p, std::uint16_t(b.word0), o);
  Put16(p + 2, length, o);
  p[4] = b.byte4;
  p[5] = b.byte5;
  for (int i = 0; i < 5; ++i) Put16(p + 6 + 2 * i, std::uint16_t(b.words[i]), o);
  p[16] = b.byte16;
  p[17] = b.byte17;
}

// In-place conversions that never reach past the record.
void Swap16(std::uint8_t* p, long size, long at) {
  if (at >= 0 && at + 2 <= size) std::swap(p[at], p[at + 1]);
}
void Swap32(std::uint8_t* p, long size, long at) {
  if (at >= 0 && at + 4 <= size) {
    std::swap(p[at], p[at + 3]);
    std::swap(p[at + 1], p[at + 2]);
  }
}
void SwapHdFt(std::uint8_t* p, long size, long at) {
  Swap16(p, size, at);
  Swap16(p, size, at + 2);
  for (long k = 6; k <= 14; k += 2) Swap16(p, size, at + k);
}

// The resource-fork form's coordinates are signed 16-bit.
constexpr std::int32_t kMinCoord = -32768, kMaxCoord = 32767;

constexpr KxByteOrder kOther = kKxNativeOrder == KxByteOrder::kBig ? KxByteOrder::kLittle : KxByteOrder::kBig;

// The record's count in the machine's order, read before or after the
// conversion.
std::uint32_t NativeCount16(const std::uint8_t* p, bool swapped) {
  return Get16(p, swapped ? kOther : kKxNativeOrder);
}
std::uint32_t NativeCount32(const std::uint8_t* p, bool swapped) {
  return Get32(p, swapped ? kOther : kKxNativeOrder);
}

// Run flavors: each whole run is read in one order and written in the other.
template <typename Run, typename GetFn, typename PutFn>
void InvertRuns(std::uint8_t* p, long size, long head, long count, long runSize, bool fromBig, GetFn get, PutFn put) {
  for (long k = 0; k < count; ++k) {
    const long at = head + k * runSize;
    if (at + runSize > size) break;
    Run r{};
    get(p + at, r, fromBig);
    std::memset(p + at, 0, std::size_t(runSize));
    put(p + at, r, !fromBig);
  }
}

}  // namespace

// ---------------------------------------------------------------- MPSR

void KxWriteMPSR(const SKXWindowRec& rec, KxByteOrder order, std::vector<std::uint8_t>& out) {
  out.assign(kKxMPSRSize, 0);
  std::uint8_t* p = out.data();
  Put16(p, std::uint16_t(rec.fontSize), order);
  const std::size_t n = std::min<std::size_t>(rec.fontName.size(), 31);
  std::memcpy(p + 2, rec.fontName.data(), n);
  Put16(p + 34, std::uint16_t(rec.spaceWidth), order);
  Put16(p + 36, std::uint16_t(rec.tabWidth), order);
  PutRect(p + 38, rec.stdState, order);
  PutRect(p + 46, rec.bounds, order);
  Put32(p + 54, rec.saveTime, order);
  Put32(p + 58, rec.selStart, order);
  Put32(p + 62, rec.selEnd, order);
  Put32(p + 66, rec.topLeft, order);
  p[70] = rec.autoIndent;
  p[71] = rec.controlView;
}

bool KxReadMPSR(const std::uint8_t* p, long size, KxByteOrder order, SKXWindowRec& rec) {
  if (!p || size != kKxMPSRSize) return false;
  rec.fontSize = GetS16(p, order);
  // The name ends at its terminator or after 31 bytes, whatever the file says.
  std::size_t n = 0;
  while (n < 31 && p[2 + n] != 0) ++n;
  rec.fontName.assign(reinterpret_cast<const char*>(p + 2), n);
  rec.spaceWidth = GetS16(p + 34, order);
  rec.tabWidth = GetS16(p + 36, order);
  GetRect(p + 38, order, rec.stdState);
  GetRect(p + 46, order, rec.bounds);
  rec.saveTime = Get32(p + 54, order);
  rec.selStart = Get32(p + 58, order);
  rec.selEnd = Get32(p + 62, order);
  rec.topLeft = Get32(p + 66, order);
  rec.autoIndent = p[70];
  rec.controlView = p[71];
  return true;
}

// ---------------------------------------------------------------- KXSR

long KxDocPrefSize(const SDocPref& pref) {
  if (!pref.headerText.empty() || !pref.footerText.empty())
    return 80 + long(pref.headerText.size()) + long(pref.footerText.size());
  if (pref.scale != 0) return 80;
  if (pref.firstPage != 0) return 60;
  return 40;
}

std::string KxWriteKXSR(const SDocPref& pref, KxByteOrder order, std::vector<std::uint8_t>& out) {
  if (pref.headerText.size() > 255 || pref.footerText.size() > 255)
    return "ヘッダまたはフッタのテキストが 255 バイトを超えています。";
  const long size = KxDocPrefSize(pref);
  if (size > kKxKXSRMaxSize) return "ヘッダとフッタのテキストが長すぎて保存できません。";
  out.assign(std::size_t(size), 0);
  std::uint8_t* p = out.data();
  Put16(p, std::uint16_t(pref.lineSpace), order);
  Put16(p + 2, std::uint16_t(pref.charSpace), order);
  p[4] = pref.mode;
  p[5] = pref.justify;
  p[6] = pref.wrap;
  p[7] = pref.wordWrap;
  p[8] = pref.paperView;
  p[9] = pref.guideView;
  Put16(p + 10, std::uint16_t(pref.paperV), order);
  Put16(p + 12, std::uint16_t(pref.paperH), order);
  PutRect(p + 14, pref.textArea, order);
  PutRect(p + 22, pref.printArea, order);
  Put16(p + 30, std::uint16_t(pref.columns), order);
  Put16(p + 32, std::uint16_t(pref.gap), order);
  Put16(p + 34, std::uint16_t(pref.keyScript), order);
  Put16(p + 36, std::uint16_t(pref.keyLanguage), order);
  p[38] = pref.vertical;
  p[39] = pref.viewFlags;
  if (size >= 60) {
    PutHdFt(p + 40, pref.header, std::uint16_t(pref.headerText.size()), order);
    Put16(p + 58, std::uint16_t(pref.firstPage), order);
  }
  if (size >= 80) {
    PutHdFt(p + 60, pref.footer, std::uint16_t(pref.footerText.size()), order);
    Put16(p + 78, std::uint16_t(pref.scale), order);
    std::memcpy(p + 80, pref.headerText.data(), pref.headerText.size());
    std::memcpy(p + 80 + pref.headerText.size(), pref.footerText.data(), pref.footerText.size());
  }
  return {};
}

bool KxReadKXSR(const std::uint8_t* p, long size, KxByteOrder order, SDocPref& pref) {
  if (!p || size < kKxKXSRMinSize) return false;
  // Everything past what is read stays cleared, never the caller's old state.
  SDocPref r;
  const long n = std::min(size, kKxKXSRMaxSize);
  r.lineSpace = GetS16(p, order);
  r.charSpace = GetS16(p + 2, order);
  r.mode = p[4];
  r.justify = p[5];
  r.wrap = p[6];
  r.wordWrap = p[7];
  r.paperView = p[8];
  r.guideView = p[9];
  r.paperV = GetS16(p + 10, order);
  r.paperH = GetS16(p + 12, order);
  GetRect(p + 14, order, r.textArea);
  GetRect(p + 22, order, r.printArea);
  r.columns = GetS16(p + 30, order);
  r.gap = GetS16(p + 32, order);
  r.keyScript = GetS16(p + 34, order);
  r.keyLanguage = GetS16(p + 36, order);
  r.vertical = p[38];
  r.viewFlags = p[39];
  if (n > 59) {
    GetHdFt(p + 40, order, r.header);
    r.firstPage = GetS16(p + 58, order);
  }
  if (n > 79) {
    GetHdFt(p + 60, order, r.footer);
    r.scale = GetS16(p + 78, order);
    // Each text gets what the record really holds of it, at most 255 bytes.
    long at = 80;
    const long hl = std::min<long>({r.header.textLength, 255, n - at});
    r.headerText.assign(reinterpret_cast<const char*>(p + at), std::size_t(hl));
    at += r.header.textLength;
    const long fl = at < n ? std::min<long>({r.footer.textLength, 255, n - at}) : 0;
    if (fl > 0) r.footerText.assign(reinterpret_cast<const char*>(p + at), std::size_t(fl));
    r.header.textLength = std::uint16_t(r.headerText.size());
    r.footer.textLength = std::uint16_t(r.footerText.size());
  } else {
    r.header.textLength = 0;
  }
  pref = std::move(r);
  return true;
}

// ---------------------------------------------------------------- MARK

std::string KxWriteMARK(const std::vector<SKXMarkRec>& marks, KxByteOrder order, std::vector<std::uint8_t>& out) {
  if (marks.size() > 0xFFFF) return "書類のマークが、ファイルに入る数 (65535) を超えています。";
  out.assign(2, 0);
  Put16(out.data(), std::uint16_t(marks.size()), order);
  for (const SKXMarkRec& m : marks) {
    if (m.name.size() > 255) return "マークの名前が 255 バイトを超えています。";
    const std::size_t len = m.name.size();
    const std::size_t at = out.size();
    out.resize(at + 8 + 1 + (len | 1), 0);
    Put32(out.data() + at, std::uint32_t(m.start), order);
    Put32(out.data() + at + 4, std::uint32_t(m.end), order);
    out[at + 8] = std::uint8_t(len);
    std::memcpy(out.data() + at + 9, m.name.data(), len);
  }
  return {};
}

void KxReadMARK(const std::uint8_t* p, long size, KxByteOrder order, std::vector<SKXMarkRec>& marks) {
  marks.clear();
  if (!p || size < 2) return;
  const long count = Get16(p, order);
  long at = 2;
  for (long k = 0; k < count; ++k) {
    if (at + 9 > size) break;
    const long len = p[at + 8];
    const long step = 8 + 1 + (len | 1);
    if (at + step > size) break;
    SKXMarkRec m;
    m.start = std::int32_t(Get32(p + at, order));
    m.end = std::int32_t(Get32(p + at + 4, order));
    long nameLen = len;
    // A pad counted in an even length belongs to an odd name.
    if (nameLen > 0 && nameLen % 2 == 0 && p[at + 8 + nameLen] == 0) --nameLen;
    m.name.assign(reinterpret_cast<const char*>(p + at + 9), std::size_t(nameLen));
    marks.push_back(std::move(m));
    at += step;
  }
}

// ---------------------------------------------------------------- RANK

std::string KxWriteRANK(const SKXRankRec& rank, KxByteOrder order, std::vector<std::uint8_t>& out) {
  if (rank.levels.size() > 0x7FFF) return "書類のマークが、マークリストに保存できる数 (32767) を超えています。";
  out.assign(std::size_t(kKxRankHeadSize) + rank.levels.size(), 0);
  std::uint8_t* p = out.data();
  for (int i = 0; i < 4; ++i) Put32(p + 4 * i, std::uint32_t(rank.rect[i]), order);
  Put32(p + 16, std::uint32_t(rank.point[0]), order);
  Put32(p + 20, std::uint32_t(rank.point[1]), order);
  Put32(p + 24, rank.state[0], order);
  Put32(p + 28, rank.state[1], order);
  p[32] = rank.shown;
  p[33] = rank.flag2;
  Put16(p + 34, std::uint16_t(rank.levels.size()), order);
  for (std::size_t i = 0; i < rank.levels.size(); ++i) p[36 + i] = std::uint8_t(rank.levels[i]);
  return {};
}

bool KxReadRANK(const std::uint8_t* p, long size, KxByteOrder order, SKXRankRec& rank) {
  if (!p || size < kKxRankHeadSize) return false;
  const long count = GetS16(p + 34, order);
  if (count < 0 || size < kKxRankHeadSize + count) return false;
  for (int i = 0; i < 4; ++i) rank.rect[i] = std::int32_t(Get32(p + 4 * i, order));
  rank.point[0] = std::int32_t(Get32(p + 16, order));
  rank.point[1] = std::int32_t(Get32(p + 20, order));
  rank.state[0] = Get32(p + 24, order);
  rank.state[1] = Get32(p + 28, order);
  rank.shown = p[32];
  rank.flag2 = p[33];
  rank.levels.assign(reinterpret_cast<const std::int8_t*>(p + 36), reinterpret_cast<const std::int8_t*>(p + 36 + count));
  return true;
}

std::string KxWriteClassicRANK(const SKXRankRec& rank, std::vector<std::uint8_t>& out) {
  std::string err = KxWriteRANK(rank, KxByteOrder::kBig, out);
  if (!err.empty()) return err;
  // The list's window must lie where the fields reach; its scroll position
  // only says what it showed, and a long list scrolls past them: it is
  // kept as far as they go, never a reason to refuse the save.
  const std::int32_t coords[6] = {rank.rect[0], rank.rect[1], rank.rect[2], rank.rect[3],
                                  std::clamp<std::int32_t>(rank.point[0], kMinCoord, kMaxCoord),
                                  std::clamp<std::int32_t>(rank.point[1], kMinCoord, kMaxCoord)};
  for (int i = 0; i < 6; ++i) {
    if (coords[i] < kMinCoord || coords[i] > kMaxCoord)
      return "マークリストの位置が、ファイルに書ける座標の範囲外です。";
    KxPutU16BE(out.data() + 4 * i, std::uint16_t(coords[i]));
    out[4 * i + 2] = 0;
    out[4 * i + 3] = 0;
  }
  return {};
}

bool KxReadClassicRANK(const std::uint8_t* p, long size, SKXRankRec& rank) {
  if (!KxReadRANK(p, size, KxByteOrder::kBig, rank)) return false;
  // Coordinates are signed 16-bit: a list left of or above the screen's
  // origin stays there.
  for (int i = 0; i < 4; ++i) rank.rect[i] = std::int16_t(KxGetU16BE(p + 4 * i));
  rank.point[0] = std::int16_t(KxGetU16BE(p + 16));
  rank.point[1] = std::int16_t(KxGetU16BE(p + 20));
  return true;
}

// ---------------------------------------------------------------- LINE, FORM

void KxWriteLINE(const std::vector<std::int32_t>& values, KxByteOrder order, std::vector<std::uint8_t>& out) {
  out.assign(values.size() * 4, 0);
  for (std::size_t i = 0; i < values.size(); ++i) Put32(out.data() + 4 * i, std::uint32_t(values[i]), order);
}

void KxReadLINE(const std::uint8_t* p, long size, KxByteOrder order, std::vector<std::int32_t>& values) {
  values.clear();
  if (!p) return;
  for (long at = 0; at + 4 <= size; at += 4) values.push_back(std::int32_t(Get32(p + at, order)));
}

void KxConvertFORM(std::uint8_t* p, long size) {
  for (long base = 0; base < 2 * kKxFormRecSize; base += kKxFormRecSize) {
    for (long k = 0; k <= 26; k += 2) Swap16(p, size, base + k);
    for (long k = 34; k <= 46; k += 2) Swap16(p, size, base + k);
    Swap16(p, size, base + 48);
  }
}

// ---------------------------------------------------------------- conversion

bool KxInvertRecord(OSType type, std::uint8_t* p, long size, bool countIsSwapped) {
  if (!p || size <= 0) return type == kKxRecMPSR || type == kKxRecKXSR;
  // The order the stored fields are in now.
  const bool fromBig = (countIsSwapped ? kOther : kKxNativeOrder) == KxByteOrder::kBig;
  switch (type) {
    case kKxRecMPSR:
      Swap16(p, size, 0);
      for (long k = 34; k <= 52; k += 2) Swap16(p, size, k);
      for (long k = 54; k <= 66; k += 4) Swap32(p, size, k);
      return true;
    case kKxRecKXSR: {
      Swap16(p, size, 0);
      Swap16(p, size, 2);
      for (long k = 10; k <= 36; k += 2) Swap16(p, size, k);
      if (size > 59) {
        SwapHdFt(p, size, 40);
        Swap16(p, size, 58);
      }
      if (size > 79) {
        SwapHdFt(p, size, 60);
        Swap16(p, size, 78);
      }
      return true;
    }
    case kKxRecMARK: {
      if (size < 2) return true;
      const long count = long(NativeCount16(p, countIsSwapped));
      Swap16(p, size, 0);
      long at = 2;
      for (long k = 0; k < count && at + 9 <= size; ++k) {
        Swap32(p, size, at);
        Swap32(p, size, at + 4);
        at += 8 + 1 + (long(p[at + 8]) | 1);
      }
      return true;
    }
    case kKxRecRANK:
      // Across byte orders the mark list's place and state are not kept,
      // only the count and the levels.
      std::memset(p, 0, std::size_t(std::min<long>(size, 32)));
      Swap16(p, size, 34);
      return true;
    case kKxRecLINE:
      for (long at = 0; at + 4 <= size; at += 4) Swap32(p, size, at);
      return true;
    case kKxRecFORM:
      KxConvertFORM(p, size);
      return true;
    case kKxRecMTPR:
      return true;
    case FourCC("styl"): {
      if (size < 2) return true;
      const long count = long(NativeCount16(p, countIsSwapped));
      Swap16(p, size, 0);
      for (long k = 0; k < count; ++k) {
        const long at = 2 + k * kKxStylRunFlatSize;
        if (at + kKxStylRunFlatSize > size) break;
        Swap32(p, size, at);
        for (long f : {4L, 6L, 8L, 12L, 14L, 16L, 18L}) Swap16(p, size, at + f);
      }
      return true;
    }
    case FourCC("styw"): {
      if (size < 2) return true;
      const long count = long(NativeCount16(p, countIsSwapped));
      Swap16(p, size, 0);
      InvertRuns<SKXDeco>(p, size, 2, count, kKxDecoRunFlatSize, fromBig, KxGetDecoRunFlat, KxPutDecoRunFlat);
      return true;
    }
    case FourCC("styx"): {
      if (size < 2) return true;
      const long count = long(NativeCount16(p, countIsSwapped));
      Swap16(p, size, 0);
      InvertRuns<SKXPara>(p, size, 2, count, kKxParaRunFlatSize, fromBig, KxGetParaRunFlat, KxPutParaRunFlat);
      return true;
    }
    case FourCC("styu"): {
      if (size < 4) return true;
      const long count = long(std::min<std::uint32_t>(NativeCount32(p, countIsSwapped), std::uint32_t(size)));
      Swap32(p, size, 0);
      InvertRuns<SKXUniChar>(p, size, 4, count, kKxUniCharFlatSize, fromBig, KxGetUniCharFlat, KxPutUniCharFlat);
      return true;
    }
    case FourCC("styy"): {
      if (size < 4) return true;
      const long count = long(std::min<std::uint32_t>(NativeCount32(p, countIsSwapped), std::uint32_t(size)));
      Swap32(p, size, 0);
      InvertRuns<SKXRubyInfo>(p, size, 4, count, kKxRubyInfoFlatSize, fromBig, KxGetRubyInfoFlat, KxPutRubyInfoFlat);
      return true;
    }
    case kKxRecUCST: {
      // 24-byte entries, each followed by two length-prefixed strings.
      long at = 0;
      while (at + 24 <= size) {
        for (long f : {2L, 4L, 6L, 10L, 12L, 14L}) Swap16(p, size, at + f);
        at += 24;
        for (int s = 0; s < 2 && at < size; ++s) at += 1 + long(p[at]);
      }
      return true;
    }
    default:
      return false;
  }
}
