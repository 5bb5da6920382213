#include "text/codes/jcode.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "platform/exception.h"
#include "platform/utf16.h"
#include "text/base/memory.h"
#include "text/codes/byte_steps.h"

short CKXJCode::sCodeType = kKxCodeAuto;
unsigned char CKXJCode::sUseUNICODE = 0;
unsigned char CKXJCode::sUseCVKANJI = 0;

namespace {

using uchar = unsigned char;

// Byte classes, one bit each.
enum : uchar {
  kSJISLead = 0x01,     // 81-9F, E0-EF: the leads of the JIS rows
  kSJISTrail = 0x02,    // 40-FC except 7F
  kKana = 0x04,         // A0-DF, the half-width kana range of the detectors
  kEUC = 0x08,          // A1-FE
  kJIS = 0x10,          // 21-7E
  kSJISExtLead = 0x20,  // F0-FC: CP932's user-defined (F0-F9) and IBM extension (FA-FC) rows
};

constexpr uchar ClassOf(int c) {
  uchar k = 0;
  if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF)) k |= kSJISLead;
  if (c >= 0xF0 && c <= 0xFC) k |= kSJISExtLead;
  if (c >= 0x40 && c <= 0xFC && c != 0x7F) k |= kSJISTrail;
  if (c >= 0xA0 && c <= 0xDF) k |= kKana;
  if (c >= 0xA1 && c <= 0xFE) k |= kEUC;
  if (c >= 0x21 && c <= 0x7E) k |= kJIS;
  return k;
}

struct ClassTable {
  uchar k[256];
  constexpr ClassTable() : k() {
    for (int c = 0; c < 256; ++c) k[c] = ClassOf(c);
  }
};
constexpr ClassTable kClass;

inline bool IsLead(uchar c) { return kClass.k[c] & kSJISLead; }
inline bool IsExtLead(uchar c) { return kClass.k[c] & kSJISExtLead; }
inline bool IsTrail(uchar c) { return kClass.k[c] & kSJISTrail; }
inline bool IsKana(uchar c) { return kClass.k[c] & kKana; }
inline bool IsEUC(uchar c) { return kClass.k[c] & kEUC; }
inline bool IsJIS(uchar c) { return kClass.k[c] & kJIS; }
// A real half-width katakana (or punctuation) character: what ESC ( I carries.
inline bool IsKanaChar(uchar c) { return c >= 0xA1 && c <= 0xDF; }

inline uchar Upper(uchar c) { return (c >= 'a' && c <= 'z') ? uchar(c - 0x20) : c; }

// 0 when p (at least 16 bytes) starts no MIME prefix, 1 for the BASE64
// form, 2 for the quoted form.
int MimePrefix(const uchar* p) {
  static const char kPrefix[] = "=?ISO-2022-JP?";
  for (int k = 0; k < 14; ++k)
    if (Upper(p[k]) != uchar(kPrefix[k])) return 0;
  if (p[15] != '?') return 0;
  uchar form = Upper(p[14]);
  return form == 'B' ? 1 : form == 'Q' ? 2 : 0;
}
constexpr long kMimePrefixLength = 16;

// JIS row and cell (both 21-7E) to a Shift_JIS pair.
inline void JISToSJISPair(uchar j1, uchar j2, uchar* out) {
  out[0] = uchar(j1 < 0x5F ? (j1 + 0xE1) >> 1 : (j1 + 0x161) >> 1);
  if (j1 & 1)
    out[1] = uchar(j2 < 0x60 ? j2 + 0x1F : j2 + 0x20);
  else
    out[1] = uchar(j2 + 0x7E);
}

inline void SJISToJISPair(uchar s1, uchar s2, uchar* out) {
  unsigned short a = s1, b = s2;
  sjis_to_jis(a, b);
  out[0] = uchar(a);
  out[1] = uchar(b);
}

#include "text/codes/jcode_tables.inc"

constexpr int kTrailsPerLead = 188;  // 40-FC without 7F

// Index of the IBM extension code (lead, trail), a valid pair, in the
// generated tables; -1 when it is no IBM code.
inline int IBMExtensionIndex(uchar lead, uchar trail) {
  const unsigned code = unsigned(lead) << 8 | trail;
  if (code < kIBMExtensionFirst || code > kIBMExtensionLast) return -1;
  return (lead - (kIBMExtensionFirst >> 8)) * kTrailsPerLead + trail - 0x40 - (trail > 0x7F);
}

// The IBM extension codes (FA40-FC4B) lie past the JIS rows. Each names a
// character that CP932 also holds inside them (a JIS X 0208 symbol, NEC row
// 13, or the NEC-selected copies ED40-EEFC in JIS rows 0x79-0x7C), and that
// code is what JIS gets, as Windows writes it; it reads back as the same
// character. 0 when (lead, trail), a valid pair, is no IBM code.
inline std::uint16_t IBMExtensionSubstitute(uchar lead, uchar trail) {
  const int index = IBMExtensionIndex(lead, trail);
  return index < 0 ? 0 : kIBMExtensionSubstitutes[index];
}

// EUC-JP gets them as EUC-JP-MS (iconv, nkf) writes them, which its readers
// take back: the JIS X 0208 code, else the JIS X 0212 code after SS3, else
// one of the supplementary rows F3-F4 that set leaves empty. The NEC-selected
// rows of the main set (F9-FC, where Windows' EUC-JP writes these) are
// user-defined characters there. 0 when (lead, trail) is no IBM code.
inline std::uint32_t IBMExtensionEUC(uchar lead, uchar trail) {
  const int index = IBMExtensionIndex(lead, trail);
  return index < 0 ? 0 : kIBMExtensionEUC[index];
}

// The code inside the JIS rows that stands for the pair (lead, trail), a
// valid one: the pair itself or an IBM code's substitute; 0 for none.
inline std::uint16_t JISRowCode(uchar lead, uchar trail) {
  if (IsLead(lead)) return std::uint16_t(lead << 8 | trail);
  return IsExtLead(lead) ? IBMExtensionSubstitute(lead, trail) : 0;
}

// EUC-JP-MS writes CP932's user-defined rows F540-F9FC in the supplementary
// set (8F), rows F5-FE, which JIS X 0212 leaves empty: the pairs of leads
// EB-EF, ten leads down, give those rows. Its main-set rows F5-FE, for
// F040-F4FC, are where the JIS-row arithmetic already puts EB40-EFFC (the
// NEC-selected kanji among them), so F040-F4FC keep no EUC-JP form.
constexpr uchar kUserDefinedG3FirstLead = 0xF5;
constexpr uchar kUserDefinedG3LastLead = 0xF9;
constexpr uchar kUserDefinedG3Shift = 10;
constexpr uchar kUserDefinedG3FirstRow = 0xF5;  // JIS row 0x75 as an EUC byte
constexpr uchar kSS2 = 0x8E;
constexpr uchar kSS3 = 0x8F;

// The other way: the IBM code that EUC-JP-MS's supplementary-set code
// (row, cell) names, built from the tables at first use; 0 for none, and for
// the user-defined rows.
std::uint16_t IBMExtensionOfG3(uchar row, uchar cell) {
  constexpr int kCells = 94;
  constexpr uchar kFirst = 0xA1;  // the first EUC byte
  static const std::vector<std::uint16_t> table = [] {
    std::vector<std::uint16_t> t(std::size_t(kUserDefinedG3FirstRow - kFirst) * kCells, 0);
    auto put = [&t](std::uint32_t euc, std::uint16_t sjis) {
      if (euc >> 16 == kSS3) t[std::size_t(((euc >> 8 & 0xFF) - kFirst) * kCells + (euc & 0xFF) - kFirst)] = sjis;
    };
    for (int k = 0; k < int(std::size(kIBMExtensionEUC)); ++k) {
      const int lead = (kIBMExtensionFirst >> 8) + k / kTrailsPerLead, trail = 0x40 + k % kTrailsPerLead;
      put(kIBMExtensionEUC[k], std::uint16_t(lead << 8 | (trail + (trail >= 0x7F))));
    }
    for (const SIBMExtensionRead& r : kIBMExtensionEUCReadOnly) put(r.euc, r.sjis);
    return t;
  }();
  if (row < kFirst || row >= kUserDefinedG3FirstRow || !IsEUC(cell)) return 0;
  return table[std::size_t((row - kFirst) * kCells + cell - kFirst)];
}

// What the detectors take for a Shift_JIS pair: a JIS-row pair, and past the
// JIS rows (text written on Windows uses CP932's rows there: IBM extension
// kanji in names) a pair that EUC-JP cannot form, or an IBM extension code.
// A user-defined code whose trail is an EUC byte too still reads as EUC-JP:
// such pairs are kanji of JIS rows 0x70-0x74 there, far more common in text
// than user-defined characters.
inline bool IsSJISPair(uchar c, uchar d) {
  if (!IsTrail(d)) return false;
  if (IsLead(c)) return true;
  return IsExtLead(c) && (!IsEUC(d) || IBMExtensionSubstitute(c, d) != 0);
}

// The range the second byte of a UTF-8 sequence must lie in, and the
// sequence length, for lead byte c; length 0 for a byte that leads none.
struct Utf8Lead {
  uchar length, lo, hi;
};
inline Utf8Lead LeadOf(uchar c) {
  if (c < 0xC2) return {0, 0, 0};
  if (c <= 0xDF) return {2, 0x80, 0xBF};
  if (c == 0xE0) return {3, 0xA0, 0xBF};
  if (c == 0xED) return {3, 0x80, 0x9F};  // no encoded surrogates
  if (c <= 0xEF) return {3, 0x80, 0xBF};
  if (c == 0xF0) return {4, 0x90, 0xBF};
  if (c <= 0xF3) return {4, 0x80, 0xBF};
  if (c == 0xF4) return {4, 0x80, 0x8F};  // nothing above U+10FFFF
  return {0, 0, 0};
}

// Length of the ill-formed stretch at p that becomes one U+FFFD: the
// longest start of a well-formed sequence, at least one byte.
long InvalidUTF8Run(const uchar* p, long left) {
  Utf8Lead lead = LeadOf(p[0]);
  if (lead.length == 0 || left < 2 || p[1] < lead.lo || p[1] > lead.hi) return 1;
  long k = 2;
  while (k < lead.length && k < left && (p[k] & 0xC0) == 0x80) ++k;
  return k;
}

// Input is converted in chunks; room for a chunk's worst case is made
// before it, so that the inner loops write without checks.
constexpr long kChunk = 16384;

}  // namespace

void sjis_to_jis(unsigned short& s1, unsigned short& s2) {
  unsigned short lead = s1 <= 0x9F ? (unsigned short)(2 * s1 - 0xE1) : (unsigned short)(2 * s1 - 0x161);
  if (s2 > 0x9E) ++lead;
  unsigned short trail;
  if (s2 <= 0x7E)
    trail = (unsigned short)(s2 - 0x1F);
  else if (s2 <= 0x9E)
    trail = (unsigned short)(s2 - 0x20);
  else
    trail = (unsigned short)(s2 - 0x7E);
  s1 = lead;
  s2 = trail;
}

// Writes into the output array through a locked pointer: room is reserved
// ahead (items inserted at the end, uninitialised), and what was not used
// is removed at the end.
class CKXJCode::Writer {
 public:
  Writer(TKXArray<unsigned char>& array, long expected) : mArray(array), mBase(array.GetCount()) {
    mOut = Reserve(nullptr, std::max<long>(expected, 64));
  }
  ~Writer() {
    try {
      Finish(mOut);
    } catch (...) {
    }
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  uchar* Begin() const { return mOut; }

  // At least `need` bytes of room from `out` on.
  uchar* Ensure(uchar* out, long need) {
    if (mEnd - out >= need) return out;
    return Reserve(out, need);
  }

  // Trims the unused room; returns the number of bytes written.
  long Finish(uchar* out) {
    if (mDone) return mUsed;
    mDone = true;
    mUsed = mStart ? long(out - mStart) : 0;
    if (mLocked) {
      mArray.Unlock();
      mLocked = false;
    }
    if (mReserved > mUsed) mArray.RemoveItemsAt((unsigned long)(mReserved - mUsed), mBase + mUsed + 1);
    mReserved = mUsed;
    return mUsed;
  }

 private:
  uchar* Reserve(uchar* out, long need) {
    long used = mStart ? long(out - mStart) : 0;
    mOut = out;  // what a failed allocation leaves behind
    long want = std::max(used + need, mReserved + mReserved / 2);
    if (mLocked) {
      mArray.Unlock();
      mLocked = false;
    }
    mArray.InsertItemsAt((unsigned long)(want - mReserved), mBase + mReserved + 1, nullptr);
    mReserved = want;
    mArray.Lock();
    mLocked = true;
    mStart = static_cast<uchar*>(mArray.GetItemPtr(mBase + 1));
    mEnd = mStart + mReserved;
    mOut = mStart + used;
    return mOut;
  }

  TKXArray<unsigned char>& mArray;
  long mBase;
  long mReserved = 0;
  long mUsed = 0;
  uchar* mStart = nullptr;
  uchar* mEnd = nullptr;
  uchar* mOut = nullptr;
  bool mLocked = false;
  bool mDone = false;
};

CKXJCode::CKXJCode() = default;

CKXJCode::~CKXJCode() {
  ReleaseTextPtr();
  try {
    mText.DeleteAll();
  } catch (...) {
  }
}

void CKXJCode::ReleaseTextPtr() {
  if (mTextLocked) {
    mText.Unlock();
    mTextLocked = false;
  }
}

unsigned char* CKXJCode::GetTextPtr() {
  if (!mTextLocked) {
    mText.Lock();
    mTextLocked = true;
  }
  return static_cast<unsigned char*>(mText.GetItemPtr(1));
}

// ---------------------------------------------------------------------------
// Detection

short CKXJCode::AutoCheck(const unsigned char* p, long n) {
  if (!p || n < 0) n = 0;
  if (sUseUNICODE) {
    if (n > 2 && ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE))) return kKxCodeUTF16;
    if (CheckUTF8(p, n)) return kKxCodeUTF8;
  }
  if (!sUseCVKANJI) return kKxCodeSJIS;
  if (CheckJIS(p, n)) return kKxCodeJIS;
  if (CheckEUC(p, n)) return kKxCodeEUC;
  return kKxCodeSJIS;
}

long CKXJCode::UTF8LeadLength(unsigned char c) { return LeadOf(c).length; }

long CKXJCode::IsUTF8Char(const unsigned char* p, long left) {
  if (!p || left < 1) return 0;
  uchar c = p[0];
  if (c < 0x80) return 1;
  Utf8Lead lead = LeadOf(c);
  if (lead.length == 0 || left < lead.length) return 0;
  if (p[1] < lead.lo || p[1] > lead.hi) return 0;
  for (long k = 2; k < lead.length; ++k)
    if ((p[k] & 0xC0) != 0x80) return 0;
  return lead.length;
}

Boolean CKXJCode::CheckUTF8(const unsigned char* p, long n) {
  if (!p || n < 1) return false;
  long multi = 0;
  long i = 0;
  while (i < n) {
    if (p[i] < 0x80 && sSkipAscii) {
      i = KxAsciiEnd(p, i, n);
      if (i >= n) break;
    }
    long len = IsUTF8Char(p + i, n - i);
    if (len == 0) return false;
    if (len == 4)
      multi += 2;
    else if (len > 1)
      multi += 1;
    i += len;
  }
  return multi > 0;
}

long CKXJCode::CountUndecodable(short code, const unsigned char* p, long n) {
  if (!p || n < 1 || (code != kKxCodeUTF8 && code != kKxCodeEUC)) return 0;
  long bad = 0;
  long i = 0;
  while (i < n) {
    if (n - i >= 8 && KxAllASCII8(p + i)) {
      i += 8;
      continue;
    }
    const uchar c = p[i];
    long len = 1;
    if (code == kKxCodeUTF8) {
      // As the reader steps: each ill-formed stretch becomes one U+FFFD.
      len = IsUTF8Char(p + i, n - i);
      if (len == 0) {
        len = InvalidUTF8Run(p + i, n - i);
        bad += len;
      }
    } else {
      // As EUCtoSJIS steps: a byte outside its pairs, triples and kana is
      // passed on as a Shift_JIS byte, which means another character.
      const uchar d = i + 1 < n ? p[i + 1] : 0;
      if (c == kSS3 && n - i > 2 && IsEUC(d) && IsEUC(p[i + 2])) len = 3;
      else if ((IsEUC(c) && IsEUC(d)) || (c == 0x8E && IsKana(d))) len = 2;
      else if (c >= 0x80) ++bad;
    }
    i += len;
  }
  return bad;
}

Boolean CKXJCode::CheckUNICODEWin(const unsigned char* p, long n) {
  return p && n >= 3 && p[0] == 0xFF && p[1] == 0xFE;
}

void CKXJCode::InvertWORDHiLo(unsigned char* p, long n) {
  if (!p) return;
  for (long i = 0; i + 1 < n; i += 2) std::swap(p[i], p[i + 1]);
}

Boolean CKXJCode::CheckJIS(const unsigned char* p, long n) {
  if (!p || n < 1) return false;
  int state = 0;  // 0 ASCII, 1 kanji, 2 half-width kana
  long jisHits = 0, otherHits = 0;
  long i = 0;
  while (i < n && jisHits <= 100 && otherHits <= 100) {
    // Outside an escape only an escape, a MIME word or a byte from 0x80 up
    // counts: plain ASCII, all of a log file, is passed over in steps.
    if (state == 0 && sSkipAscii) {
      i = KxAsciiEnd(p, i, n, 0x1B, '=');
      if (i >= n) break;
    }
    uchar c = p[i];
    uchar d = i + 1 < n ? p[i + 1] : 0;
    uchar e = i + 2 < n ? p[i + 2] : 0;
    if (c == 0x1B && d == '$' && (e == 'B' || e == 0x40)) {
      state = 1, ++jisHits, i += 3;
    } else if (c == 0x1B && d == '(' && e == 'I') {
      state = 2, ++jisHits, i += 3;
    } else if (c == 0x1B && d == '(' && (e == 'B' || e == 'J')) {
      state = 0, ++jisHits, i += 3;
    } else if (state == 2 && c >= 0x20 && c <= 0x5F) {
      ++jisHits, i += 1;
    } else if (state == 1 && IsJIS(c) && IsJIS(d)) {
      ++jisHits, i += 2;
    } else if (c == '=' && d == '?' && n - i >= kMimePrefixLength && MimePrefix(p + i)) {
      ++jisHits, i += kMimePrefixLength;
    } else if (IsSJISPair(c, d) || IsKana(c)) {
      ++otherHits, i += 1;
    } else {
      i += 1;
    }
  }
  return jisHits > 0;
}

Boolean CKXJCode::CheckEUC(const unsigned char* p, long n) {
  if (!p || n < 1) return false;

  // Pass 1: pairs that only EUC-JP or only Shift_JIS allows.
  long sjisOnly = 0, eucOnly = 0, both = 0;
  bool lastWasEuc = false;
  long i = 0;
  while (i < n) {
    // Neither code has an ASCII byte in its pairs: passed over in steps.
    if (p[i] < 0x80 && sSkipAscii) {
      i = KxAsciiEnd(p, i, n);
      if (i >= n) break;
    }
    uchar c = p[i];
    uchar d = i + 1 < n ? p[i + 1] : 0;
    if (IsEUC(c) && IsEUC(d)) {
      i += 2;
      if (IsSJISPair(c, d)) {
        ++both;
      } else if (!IsKana(c) || !IsKana(d)) {
        ++eucOnly;
        lastWasEuc = true;
      } else {
        ++both;
      }
    } else if (c == 0x8E && IsKana(d)) {
      i += 2;
      ++both;
    } else if (c == 0x8F && IsEUC(d) && n - i > 2 && IsEUC(p[i + 2])) {
      i += 3;
      ++both;
    } else if (IsSJISPair(c, d)) {
      // Both bytes: read again, the trail could pair with the next lead
      // into an EUC-only pair (the trail of う before 髙) that then
      // decided a short text.
      i += 2;
      ++sjisOnly;
      lastWasEuc = false;
    } else if (IsKana(c)) {
      i += 1;
      ++sjisOnly;
      lastWasEuc = false;
    } else {
      i += 1;
    }
    if (eucOnly > 100 || sjisOnly > 100) break;
    if (both >= 101 && lastWasEuc) return true;
  }
  if (lastWasEuc) return true;
  if (sjisOnly > 100 || both < sjisOnly) return false;

  // Pass 2: runs of EUC pairs in the rows of full-width alphanumerics,
  // hiragana and katakana, which half-width kana text hardly ever forms.
  long run = 0, sjisHits = 0, pairRuns = 0;
  bool rowOpen[3] = {false, false, false};  // rows A3, A4, A5
  auto endRun = [&] {
    run = 0;
    rowOpen[0] = rowOpen[1] = rowOpen[2] = false;
  };
  i = 0;
  while (i < n && sjisHits <= 1000) {
    if (p[i] < 0x80 && sSkipAscii) {
      endRun();
      i = KxAsciiEnd(p, i, n);
      if (i >= n) break;
    }
    uchar c = p[i];
    uchar d = i + 1 < n ? p[i + 1] : 0;
    if (IsEUC(c) && IsEUC(d)) {
      i += 2;
      if (!IsKana(c) || !IsKana(d)) {
        endRun();
        continue;
      }
      bool inRow = c >= 0xA3 && c <= 0xA5;
      if (inRow && rowOpen[c - 0xA3] && d != c) {
        ++run;
        if (run == 2) ++pairRuns;
        if (run >= 4) return true;
      } else {
        endRun();
        if (inRow && d != c) {
          rowOpen[c - 0xA3] = true;
          run = 1;
        }
      }
      continue;
    }
    endRun();
    if (c == 0x8E && IsKana(d)) {
      i += 2;
    } else if (c == 0x8F && IsEUC(d) && n - i > 2 && IsEUC(p[i + 2])) {
      i += 3;
    } else {
      if (IsSJISPair(c, d) || IsKana(c)) ++sjisHits;
      i += 1;
    }
  }
  return pairRuns > 3;
}

// ---------------------------------------------------------------------------
// Shift_JIS and JIS

Boolean CKXJCode::SJIStoJIS(const unsigned char* p, long n) {
  ReleaseTextPtr();
  mText.DeleteAll();
  if (!p || n < 1) return false;
  Boolean result = false;
  int state = 0;  // 0 ASCII, 1 half-width kana, 2 kanji; the text starts in ASCII unannounced
  bool loneTrail = false;  // p[i] is the trail of a pair that has no JIS form
  Writer w(mText, n + n / 4 + 16);
  uchar* o = w.Begin();
  long i = 0;
  while (i < n) {
    long end = std::min(n, i + kChunk);
    // At worst an escape before every byte, and a pair may cross the chunk's end.
    o = w.Ensure(o, (end - i + 1) * 4 + 8);
    while (i < end) {
      uchar c = p[i];
      if (c < 0x80) {
        if (state != 0) *o++ = 0x1B, *o++ = '(', *o++ = 'B', state = 0;
        *o++ = c;
        ++i;
        loneTrail = false;
        continue;
      }
      result = true;
      const bool trail = loneTrail;  // p[i] goes as it is, whatever it is
      const bool pair = !loneTrail && i + 1 < n && IsTrail(p[i + 1]);
      loneTrail = false;
      if (const std::uint16_t code = pair ? JISRowCode(c, p[i + 1]) : 0) {
        if (state != 2) *o++ = 0x1B, *o++ = '$', *o++ = 'B', state = 2;
        SJISToJISPair(uchar(code >> 8), uchar(code), o);
        o += 2;
        i += 2;
      } else if (IsKanaChar(c)) {
        if (state != 1) *o++ = 0x1B, *o++ = '(', *o++ = 'I', state = 1;
        *o++ = uchar(c & 0x7F);
        ++i;
      } else if (!trail && (c == 0x80 || c == 0xFF)) {
        // The Mac's backslash and ellipsis have JIS codes of their own.
        if (c == 0x80) {
          if (state != 0) *o++ = 0x1B, *o++ = '(', *o++ = 'B', state = 0;
          *o++ = 0x5C;
        } else {
          if (state != 2) *o++ = 0x1B, *o++ = '$', *o++ = 'B', state = 2;
          *o++ = 0x21, *o++ = 0x44;
        }
        ++i;
      } else {
        // No JIS form (a lone lead byte, A0, FD, FE, a user-defined
        // code): kept as it is rather than turned into another character
        // under ESC ( I. The trail of such a pair goes alone, never as the
        // lead of the character after it.
        if (state != 0) *o++ = 0x1B, *o++ = '(', *o++ = 'B', state = 0;
        *o++ = c;
        ++i;
        loneTrail = pair && IsExtLead(c);
      }
    }
  }
  if (state != 0) {
    o = w.Ensure(o, 3);
    *o++ = 0x1B, *o++ = '(', *o++ = 'B';
  }
  w.Finish(o);
  return result;
}

Boolean CKXJCode::JIStoSJIS(const unsigned char* p, long n) {
  ReleaseTextPtr();
  mText.DeleteAll();
  if (!p || n < 1) return false;

  // 1. MIME encoded words are decoded into a work buffer first.
  const uchar* src = p;
  long len = n;
  CKXPtrBlock work;
  long first = -1;
  for (long i = 0; i + kMimePrefixLength <= n; ++i) {
    if (p[i] == '=' && p[i + 1] == '?' && MimePrefix(p + i)) {
      first = i;
      break;
    }
  }
  if (first >= 0) {
    // Decoding never lengthens the text: the input's length is enough.
    uchar* buf = reinterpret_cast<uchar*>(work.SetBlock(n));
    if (!buf) throw LException(memFullErr);
    std::memcpy(buf, p, size_t(first));
    long w = first;
    long i = first;
    while (i < n) {
      int form = 0;
      if (p[i] == '=' && n - i >= kMimePrefixLength) form = MimePrefix(p + i);
      if (!form) {
        buf[w++] = p[i++];
        continue;
      }
      long start = i + kMimePrefixLength;
      long j = start;
      while (j + 1 < n && !(p[j] == '?' && p[j + 1] == '=')) ++j;
      if (j + 1 < n) {
        w += form == 1 ? DecodeBASE64(p + start, j - start, buf + w) : DecodeQuoted(p + start, j - start, buf + w);
        i = j + 2;
      } else {
        // Left open at the end: the rest stays undecoded.
        std::memcpy(buf + w, p + start, size_t(n - start));
        w += n - start;
        i = n;
      }
    }
    src = buf;
    len = w;
  }

  // 2. Escapes. Nothing here lengthens the text either.
  Boolean result = false;
  int state = 0;  // 0 ASCII, 1 kanji, 2 half-width kana
  Writer out(mText, len);
  uchar* o = out.Ensure(out.Begin(), len);
  long i = 0;
  while (i < len) {
    uchar c = src[i];
    if (c == 0x1B && len - i >= 3) {
      uchar d = src[i + 1], e = src[i + 2];
      int next = -1;
      if (d == '$' && (e == 'B' || e == 0x40))
        next = 1;
      else if (d == '(' && e == 'I')
        next = 2;
      else if (d == '(' && (e == 'B' || e == 'J'))
        next = 0;
      if (next >= 0) {
        state = next;
        result = true;
        i += 3;
        continue;
      }
    }
    if (state == 1 && IsJIS(c) && i + 1 < len && IsJIS(src[i + 1])) {
      JISToSJISPair(c, src[i + 1], o);
      o += 2;
      i += 2;
    } else if (state == 2 && c >= 0x21 && c <= 0x5F) {
      // 0x20 stays a space: ISO 2022 keeps it whatever set is designated.
      *o++ = uchar(c | 0x80);
      ++i;
    } else {
      *o++ = c;
      ++i;
    }
  }
  out.Finish(o);
  return result;
}

// ---------------------------------------------------------------------------
// Shift_JIS and EUC-JP

namespace {

// Every Shift_JIS pair's EUC-JP bytes (high << 8 | low), 0 where the second
// byte cannot trail: one look-up instead of the arithmetic of each pair.
struct SEUCPairs {
  std::uint16_t t[48][256];
  // The row of each lead byte, null for other bytes: one look-up for both.
  const std::uint16_t* rows[256];
  static int Slot(uchar lead) { return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31; }
  SEUCPairs() : t(), rows() {
    for (int lead = 0x81; lead <= 0xEF; ++lead) {
      if (!IsLead(uchar(lead))) continue;
      rows[lead] = t[Slot(uchar(lead))];
      for (int trail = 0; trail < 256; ++trail) {
        if (!IsTrail(uchar(trail))) continue;
        uchar out[2];
        SJISToJISPair(uchar(lead), uchar(trail), out);
        t[Slot(uchar(lead))][trail] = std::uint16_t((out[0] | 0x80) << 8 | (out[1] | 0x80));
      }
    }
  }
};
const SEUCPairs kEUCPairs;

inline uchar* PutEUCPair(std::uint16_t pair, uchar* o) {
  o[0] = uchar(pair >> 8);
  o[1] = uchar(pair);
  return o + 2;
}

// A pair led by F0-FC to EUC-JP at o: three bytes at most.
uchar* ExtPairToEUC(uchar lead, uchar trail, uchar* o) {
  if (const std::uint32_t ibm = IBMExtensionEUC(lead, trail)) {
    if (ibm > 0xFFFF) *o++ = kSS3;
    return PutEUCPair(std::uint16_t(ibm), o);
  }
  if (lead >= kUserDefinedG3FirstLead && lead <= kUserDefinedG3LastLead) {
    *o++ = kSS3;
    return PutEUCPair(kEUCPairs.t[SEUCPairs::Slot(uchar(lead - kUserDefinedG3Shift))][trail], o);
  }
  // No EUC-JP form. Kept as it is where that reads back as the same code:
  // the lead then meets no EUC byte, and the trail goes alone (a kana byte
  // behind SS2). A trail that would pair with the lead (E0-FC) or shift the
  // next character away (SS2, SS3) gives the placeholder instead.
  if (trail >= 0xE0 || trail == kSS2 || trail == kSS3)
    return PutEUCPair(kEUCPairs.t[SEUCPairs::Slot(kKxSJISPlaceholder >> 8)][kKxSJISPlaceholder & 0xFF], o);
  *o++ = lead;
  if (IsKana(trail)) *o++ = kSS2;
  *o++ = trail;
  return o;
}

// The single bytes of the Mac character set that EUC-JP holds as other
// codes: the backslash (80, ASCII 5C there), the copyright and trade mark
// signs (FD, FE: JIS X 0212 after SS3) and the ellipsis (FF); 0 for the rest.
std::uint32_t MacOnlyToEUC(uchar c) {
  switch (c) {
    case 0x80: return 0x5C;
    case 0xFD: return 0x8FA2ED;
    case 0xFE: return 0x8FA2EF;
    case 0xFF: return 0xA1C4;
    default: return 0;
  }
}

// Converts p[at, end) (a pair may reach p[end], up to n) to EUC-JP at o,
// three bytes at most for each (the Mac-only signs FD and FE become
// three-byte codes); answers the new output end and moves `at` past
// what was read. `converted` becomes true when anything was not ASCII.
uchar* SJISToEUCRun(const uchar* p, long& at, long end, long n, uchar* o, bool& converted) {
  // Locals, not the references: the bytes written through `o` could be them
  // for all the compiler knows, and it would reload them for every byte.
  long i = at;
  bool result = false;
  while (i < end) {
    uchar c = p[i];
    if (c < 0x80) {
      if (end - i >= 8 && KxAllASCII8(p + i)) {
        std::memcpy(o, p + i, 8);
        o += 8;
        i += 8;
        continue;
      }
      *o++ = c;
      ++i;
      continue;
    }
    if (const std::uint16_t* row = kEUCPairs.rows[c]; row && i + 1 < n) {
      const std::uint16_t pair = row[p[i + 1]];
      if (pair) {
        o = PutEUCPair(pair, o);
        i += 2;
        result = true;
        continue;
      }
    } else if (IsExtLead(c) && i + 1 < n && IsTrail(p[i + 1])) {
      o = ExtPairToEUC(c, p[i + 1], o);
      i += 2;
      result = true;
      continue;
    }
    if (IsKana(c)) {
      *o++ = 0x8E;
      *o++ = c;
      ++i;
      result = true;
    } else if (const std::uint32_t euc = MacOnlyToEUC(c)) {
      // Copied, FD and FE would read back as a pair of the user-defined
      // rows: the copyright and trade mark signs were lost.
      if (euc > 0xFFFF) *o++ = uchar(euc >> 16);
      if (euc > 0xFF) *o++ = uchar(euc >> 8);
      *o++ = uchar(euc);
      ++i;
      result = true;
    } else {
      *o++ = c;
      ++i;
    }
  }
  at = i;
  converted = converted || result;
  return o;
}

}  // namespace

Boolean CKXJCode::SJIStoEUC(const unsigned char* p, long n) {
  ReleaseTextPtr();
  mText.DeleteAll();
  if (!p || n < 1) return false;
  bool result = false;
  Writer w(mText, n + n / 8 + 16);
  uchar* o = w.Begin();
  long i = 0;
  while (i < n) {
    long end = std::min(n, i + kChunk);
    o = w.Ensure(o, (end - i + 1) * 3);
    o = SJISToEUCRun(p, i, end, n, o, result);
  }
  w.Finish(o);
  return result;
}

long KxSJISToEUC(const unsigned char* p, long n, std::vector<unsigned char>& buffer) {
  if (!p || n < 1) return 0;
  // Three bytes at most for each; a pair may be read past the end of the
  // last chunk.
  const std::size_t room = std::size_t(n) * 3 + 4;
  if (buffer.size() < room) buffer.resize(room);
  bool result = false;
  long i = 0;
  return long(SJISToEUCRun(p, i, n, n, buffer.data(), result) - buffer.data());
}

Boolean CKXJCode::EUCtoSJIS(const unsigned char* p, long n) {
  ReleaseTextPtr();
  mText.DeleteAll();
  if (!p || n < 1) return false;
  Boolean result = false;
  Writer w(mText, n);
  uchar* o = w.Ensure(w.Begin(), n);  // never longer than the input
  uchar* const start = o;
  long i = 0;
  while (i < n) {
    if (n - i >= 8 && KxAllASCII8(p + i)) {
      std::memcpy(o, p + i, 8);
      o += 8;
      i += 8;
      continue;
    }
    uchar c = p[i];
    uchar d = i + 1 < n ? p[i + 1] : 0;
    if (c == kSS3 && n - i > 2 && IsEUC(d) && IsEUC(p[i + 2]) && d >= kUserDefinedG3FirstRow) {
      // CP932's user-defined F540-F9FC, where EUC-JP-MS puts them.
      JISToSJISPair(uchar(d & 0x7F), uchar(p[i + 2] & 0x7F), o);
      o[0] = uchar(o[0] + kUserDefinedG3Shift);
      o += 2;
      i += 3;
      result = true;
    } else if (c == kSS3 && n - i > 2 && IsEUC(d) && IsEUC(p[i + 2])) {
      if (const std::uint16_t ibm = IBMExtensionOfG3(d, p[i + 2])) {
        // A character CP932 holds as an IBM extension (EUC-JP-MS).
        *o++ = uchar(ibm >> 8);
        *o++ = uchar(ibm);
      } else {
        // The rest of JIS X 0212 has no Shift_JIS form: the placeholder,
        // never an unrelated JIS X 0208 character.
        if (mJIS0212Hook) mJIS0212Hook(mJIS0212Context, long(o - start), d, p[i + 2]);
        *o++ = uchar(kKxSJISPlaceholder >> 8);
        *o++ = uchar(kKxSJISPlaceholder & 0xFF);
      }
      i += 3;
      result = true;
    } else if (IsEUC(c) && IsEUC(d)) {
      JISToSJISPair(uchar(c & 0x7F), uchar(d & 0x7F), o);
      o += 2;
      i += 2;
      result = true;
    } else if (c == 0x8E && IsKana(d)) {
      *o++ = d;
      i += 2;
      result = true;
    } else {
      *o++ = c;
      ++i;
    }
  }
  w.Finish(o);
  return result;
}

// ---------------------------------------------------------------------------
// UTF-16 and UTF-8

namespace {
inline uchar* PutUnit(uchar* o, std::uint32_t u) {
  *o++ = uchar(u >> 8);
  *o++ = uchar(u);
  return o;
}

constexpr std::uint32_t kReplacement = 0xFFFD;
}  // namespace

Boolean CKXJCode::UNICODEtoUTF8(const unsigned char* p, long n) {
  ReleaseTextPtr();
  if (!p || n < 1) return true;
  bool little = false;
  long i = 0;
  if (n > 2) {
    if (p[0] == 0xFE && p[1] == 0xFF) {
      i = 2;
    } else if (p[0] == 0xFF && p[1] == 0xFE) {
      i = 2;
      little = true;
    }
  }
  Writer w(mText, n + n / 2 + 8);
  uchar* o = w.Begin();
  // The byte order is fixed for the whole text: one loop for each.
  auto convert = [&](auto littleOrder) {
    constexpr bool kLittle = decltype(littleOrder)::value;
    auto unit = [&](long k) -> std::uint32_t {
      return kLittle ? std::uint32_t(p[k] | (p[k + 1] << 8)) : std::uint32_t((p[k] << 8) | p[k + 1]);
    };
    while (i + 1 < n) {
      long end = std::min(n - 1, i + kChunk);
      o = w.Ensure(o, (end - i + 2) / 2 * 3 + 8);
      while (i < end) {
        std::uint32_t u = unit(i);
        i += 2;
        if (u < 0x80) {
          *o++ = uchar(u);
        } else if (KxIsSurrogate(u)) {
          const char32_t cp = KxJoinSurrogates(u, i + 1 < n ? unit(i) : 0);
          if (cp != 0) {
            o = KxPutUTF8(o, cp);
            i += 2;
          } else {
            // An unpaired surrogate has no UTF-8 form.
            o = KxPutUTF8(o, kReplacement);
          }
        } else {
          o = KxPutUTF8(o, u);
        }
      }
    }
  };
  if (little)
    convert(std::true_type{});
  else
    convert(std::false_type{});
  if (i < n) {
    // Half a unit at the end.
    o = w.Ensure(o, 3);
    o = KxPutUTF8(o, kReplacement);
  }
  w.Finish(o);
  return true;
}

namespace {
// Decodes p[i..end) into UTF-16 units handed to put one by one; a sequence
// may run past end, never past n. An ill-formed sequence gives one
// replacement character for its longest start, instead of going silently.
// Answers where it stopped.
template <class Put>
long DecodeUTF8(const uchar* p, long n, long i, long end, Put&& put) {
  while (i < end) {
    const uchar c = p[i];
    if (c < 0x80) {
      put(c);
      ++i;
      continue;
    }
    long len = CKXJCode::IsUTF8Char(p + i, n - i);
    switch (len) {
      case 2:
        put((std::uint32_t(c & 0x1F) << 6) | (p[i + 1] & 0x3F));
        break;
      case 3:
        put((std::uint32_t(c & 0x0F) << 12) | (std::uint32_t(p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F));
        break;
      case 4: {
        const std::uint32_t v = (std::uint32_t(c & 0x07) << 18) | (std::uint32_t(p[i + 1] & 0x3F) << 12) |
                                (std::uint32_t(p[i + 2] & 0x3F) << 6) | (p[i + 3] & 0x3F);
        put(KxHighSurrogate(v));
        put(KxLowSurrogate(v));
        break;
      }
      default:
        len = InvalidUTF8Run(p + i, n - i);
        put(kReplacement);
        break;
    }
    i += len;
  }
  return i;
}
}  // namespace

Boolean CKXJCode::UTF8toUNICODE(const unsigned char* p, long n, unsigned char withMark) {
  ReleaseTextPtr();
  if (!p || n < 0) n = 0;
  Writer w(mText, 2 * n + 2);
  uchar* o = w.Ensure(w.Begin(), 2);
  if (withMark) *o++ = 0xFE, *o++ = 0xFF;
  long i = 0;
  while (i < n) {
    const long end = std::min(n, i + kChunk);
    // A sequence of up to 4 bytes may cross the chunk's end; each byte
    // gives at most 2 bytes.
    o = w.Ensure(o, (end - i + 4) * 2);
    i = DecodeUTF8(p, n, i, end, [&o](std::uint32_t u) { o = PutUnit(o, u); });
  }
  w.Finish(o);
  return true;
}

long CKXJCode::UTF8toUnits(const unsigned char* p, long n, char16_t* out) {
  if (!p || !out || n <= 0) return 0;
  long k = 0;
  DecodeUTF8(p, n, 0, n, [out, &k](std::uint32_t u) { out[k++] = char16_t(u); });
  return k;
}

long KxSJISCharBoundary(const unsigned char* p, long n) {
  if (!p) return 0;
  for (long i = n - 1; i >= 0; --i)
    if (p[i] < 0x40) return i + 1;
  return 0;
}

// ---------------------------------------------------------------------------
// MIME encoded-word bodies

long CKXJCode::DecodeBASE64(const unsigned char* src, long n, unsigned char* dst) {
  if (!src || !dst || n < 1) return 0;
  static const char kCode[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  // A character outside the alphabet counts as 0 and still takes its place.
  static const struct Values {
    uchar v[256];
    Values() : v() {
      for (int k = 0; k < 64; ++k) v[uchar(kCode[k])] = uchar(k);
    }
  } kValues;
  long len = 0;
  while (len < n && src[len] != '=') ++len;
  long out = 0;
  long i = 0;
  for (; i + 4 <= len; i += 4) {
    std::uint32_t v = (std::uint32_t(kValues.v[src[i]]) << 18) | (std::uint32_t(kValues.v[src[i + 1]]) << 12) |
                      (std::uint32_t(kValues.v[src[i + 2]]) << 6) | kValues.v[src[i + 3]];
    dst[out++] = uchar(v >> 16);
    dst[out++] = uchar(v >> 8);
    dst[out++] = uchar(v);
  }
  long rest = len - i;
  if (rest > 0) {
    std::uint32_t v = 0;
    for (long k = 0; k < rest; ++k) v |= std::uint32_t(kValues.v[src[i + k]]) << (18 - 6 * k);
    long bytes = rest * 6 / 8;
    for (long b = 0; b < bytes; ++b) dst[out++] = uchar(v >> (16 - 8 * b));
  }
  return out;
}

long CKXJCode::DecodeQuoted(const unsigned char* src, long n, unsigned char* dst) {
  if (!src || !dst || n < 1) return 0;
  auto hex = [](uchar c) -> uchar {
    if (c >= '0' && c <= '9') return uchar(c - '0');
    if (c >= 'A' && c <= 'F') return uchar(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return uchar(c - 'a' + 10);
    return 0;
  };
  long out = 0;
  long i = 0;
  while (i < n) {
    uchar c = src[i];
    if (c == '_') {
      dst[out++] = ' ';
      ++i;
    } else if (c == '=' && n - i >= 3) {
      dst[out++] = uchar((hex(src[i + 1]) << 4) | hex(src[i + 2]));
      i += 3;
    } else {
      // Includes an "=" too near the end to carry two digits.
      dst[out++] = c;
      ++i;
    }
  }
  return out;
}
