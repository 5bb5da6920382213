#include "text/find/find.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/exception.h"
#include "text/base/array.h"
#include "text/codes/charclass.h"
#include "text/runs/runs.h"
#include "text/codes/script.h"
#include "text/find/regexp_program.h"

namespace {

constexpr std::int32_t kOpenEnd = 0x7FFFFFFF;

bool Has(short options, short bit) { return (options & bit) != 0; }

// A half-width kana that may take a voiced or semi-voiced mark after it.
bool TakesMark(unsigned char b) { return UKXText::IsByteUseDaku(b) || b == 0xB3; }

// The character at offset. Returns -1 when the character is cut by the end
// of a buffer that is not the end of the text (the caller must look at more
// text to know what the character is).
std::int32_t ReadChar(const unsigned char* text, long length, long offset, short options,
                      short script, bool textEnds, int& width) {
  unsigned char b = text[offset];
  width = 1;
  if (KxTextCharFirst(b, script)) {
    if (offset + 1 < length) {
      width = 2;
      return b << 8 | text[offset + 1];
    }
    return textEnds ? b : -1;
  }
  if (Has(options, kKXFindIgnoreWidth) && script == kScriptJapanese && TakesMark(b)) {
    if (offset + 1 >= length) return textEnds ? b : -1;
    if (const std::uint16_t composed = UKXFind::ComposedKana(b, text[offset + 1])) {
      width = 2;
      return composed;
    }
  }
  return b;
}

void AddAlt(std::uint16_t out[kKXFindEnumMax], int& n, std::uint16_t value, std::uint16_t from) {
  if (value == from) return;
  for (int i = 0; i < n; ++i)
    if (out[i] == value) return;
  if (n < kKXFindEnumMax) out[n++] = value;
}

// Bytes that can begin a text character matching fc in the script.
void FirstBytes(const SKXFindChar& fc, short options, short script, bool table[256]) {
  std::memset(table, 0, 256);
  for (int i = 0; i < fc.singleCount; ++i) table[fc.singles[i]] = true;
  for (int i = 0; i < fc.doubleCount; ++i) {
    std::uint16_t d = fc.doubles[i];
    if (KxTextCharFirst(std::uint16_t(d >> 8), script)) table[d >> 8] = true;
    if (Has(options, kKXFindIgnoreWidth) && script == kScriptJapanese) {
      for (int k = 0xA1; k <= 0xDF; ++k)
        if (TakesMark(std::uint8_t(k)) &&
            (UKXText::ByteToWord(std::uint16_t(k), 1) == d || UKXText::ByteToWord(std::uint16_t(k), 2) == d))
          table[k] = true;
    }
  }
}

// The pattern's bytes when every find character has exactly one form (no
// folding applies): a match is then that byte string at a character start.
bool ExactBytes(const SKXFindChar* fc, long count, std::vector<unsigned char>& bytes) {
  bytes.clear();
  for (long i = 0; i < count; ++i) {
    if (fc[i].singleCount + fc[i].doubleCount != 1) return false;
    if (fc[i].singleCount) {
      bytes.push_back(fc[i].singles[0]);
    } else {
      bytes.push_back(std::uint8_t(fc[i].doubles[0] >> 8));
      bytes.push_back(std::uint8_t(fc[i].doubles[0]));
    }
  }
  return true;
}

// Without style runs one script holds everywhere: cache it for all offsets.
void CacheDefaultScript(SKXFindStyl& styl) {
  styl.cacheStart = INT32_MIN;
  styl.cacheEnd = kOpenEnd;
  styl.cacheScript = styl.defaultScript;
}

KxFindCancelCheck gCancelCheck = nullptr;

}  // namespace

namespace kx_find {
std::uint32_t gWorkDone = 0;
}

KxFindCancelCheck KxSetFindCancelCheck(KxFindCancelCheck check) {
  const KxFindCancelCheck was = gCancelCheck;
  gCancelCheck = check;
  return was;
}

void KxFindPollCancel() {
  if (gCancelCheck && gCancelCheck()) throw LException(kKXFindCancelled);
}

void KxFindStylSetBase(SKXFindStyl& styl, std::int32_t base, bool textEnds) {
  styl.base = base;
  styl.textEnds = textEnds;
  styl.cacheStart = 0;
  styl.cacheEnd = 0;
  if (!styl.runs || styl.runCount <= 0) CacheDefaultScript(styl);
}

CKXFindStyl::CKXFindStyl(CKXArrayL* runs, short defaultScript, CKXArrayL* decoRuns)
    : mRuns(runs), mDecoRuns(decoRuns) {
  std::memset(&mStyl, 0, sizeof mStyl);
  mStyl.defaultScript = defaultScript;
  if (mRuns && mRuns->GetCount() > 0) {
    mRuns->Lock();
    mStyl.runs = static_cast<const SKXStyl*>(mRuns->GetItemPtr(1));
    mStyl.runCount = std::int32_t(mRuns->GetCount());
  } else {
    mRuns = nullptr;
  }
  if (mDecoRuns && mDecoRuns->GetCount() > 0 && mDecoRuns->GetItemSize() == sizeof(SKXDeco)) {
    mDecoRuns->Lock();
    mStyl.decos = static_cast<const SKXDeco*>(mDecoRuns->GetItemPtr(1));
    mStyl.decoCount = std::int32_t(mDecoRuns->GetCount());
  } else {
    mDecoRuns = nullptr;
  }
  mStyl.decoStart = mStyl.decoEnd = -1;
  KxFindStylSetBase(mStyl, 0, true);
  mStyl.search.stepsLeft = kKXFindStepAllowance;
  mStyl.search.noMatchFrom = mStyl.search.noMatchTo = -1;
  mStyl.search.requiredFrom = mStyl.search.requiredEnd = -1;
  mStyl.search.filterFrom = mStyl.search.filterEnd = mStyl.search.filterLineEnd = -1;
  mStyl.search.filterSteps = kKXFindStepAllowance;
}

CKXFindStyl::~CKXFindStyl() {
  if (mRuns) mRuns->Unlock();
  if (mDecoRuns) mDecoRuns->Unlock();
}

namespace UKXFind {

std::uint16_t GetFindChar(const unsigned char* text, long length, long offset, short options,
                          short script, int* width) {
  int w = 0;
  std::int32_t code = offset < length ? ReadChar(text, length, offset, options, script, true, w) : 0;
  if (width) *width = w;
  return std::uint16_t(code);
}

std::uint16_t ComposedKana(unsigned char kana, unsigned char mark) {
  if (!TakesMark(kana)) return 0;
  const int kind = UKXText::CheckDakuType(kana, mark);
  return kind > 0 ? std::uint16_t(UKXText::ByteToWord(kana, kind)) : 0;
}

long CountFindChar(const unsigned char* pattern, long length, short options, short script) {
  long n = 0;
  for (long i = 0; i < length; ++n) {
    int w;
    ReadChar(pattern, length, i, options, script, true, w);
    i += w;
  }
  return n;
}

int EnumFindChar(std::uint16_t ch, short options, std::uint16_t out[kKXFindEnumMax]) {
  using namespace UKXText;
  int n = 0;
  out[n++] = ch;
  bool icase = Has(options, kKXFindIgnoreCase);
  bool kana = Has(options, kKXFindIgnoreKana);
  if (ch < 257) {
    if (icase) {
      AddAlt(out, n, ToByteLower(ch), ch);
      AddAlt(out, n, ToByteUpper(ch), ch);
    }
    if (Has(options, kKXFindIgnoreWidth)) {
      Code w = ByteToWord(ch, 0);
      if (w != ch) {
        AddAlt(out, n, w, ch);
        if (kana) {
          AddAlt(out, n, ToWordHira(w), w);
          AddAlt(out, n, ToWordKata(w), w);
        }
        if (icase) {
          AddAlt(out, n, ToWordLower(w), w);
          AddAlt(out, n, ToWordUpper(w), w);
        }
      }
    }
  } else {
    if (kana) {
      AddAlt(out, n, ToWordHira(ch), ch);
      AddAlt(out, n, ToWordKata(ch), ch);
    }
    if (icase) {
      AddAlt(out, n, ToWordLower(ch), ch);
      AddAlt(out, n, ToWordUpper(ch), ch);
    }
    // Half-width kana are katakana: a hiragana reaches them only when kana
    // folding is on too, width folding alone folds width alone.
    if (Has(options, kKXFindIgnoreWidth) && (kana || !IsWordHiragana(ch))) {
      Code b = WordToByte(ch);
      if (b != ch) {
        AddAlt(out, n, b, ch);
        if (icase) {
          AddAlt(out, n, ToByteLower(b), b);
          AddAlt(out, n, ToByteUpper(b), b);
        }
      }
    }
  }
  return n;
}

long MakeFindChar(SKXFindChar* out, const unsigned char* pattern, long length, short options,
                  short script) {
  long n = 0;
  for (long i = 0; i < length;) {
    int w;
    std::uint16_t code = std::uint16_t(ReadChar(pattern, length, i, options, script, true, w));
    i += w;
    std::uint16_t alts[kKXFindEnumMax];
    int k = EnumFindChar(code, options, alts);
    SKXFindChar& fc = out[n++];
    std::memset(&fc, 0, sizeof fc);
    for (int j = 0; j < k; ++j) {
      if (alts[j] < 257) {
        if (fc.singleCount < kKXFindMaxAlt) fc.singles[fc.singleCount++] = std::uint8_t(alts[j]);
      } else if (fc.doubleCount < kKXFindMaxAlt) {
        fc.doubles[fc.doubleCount++] = alts[j];
      }
    }
  }
  return n;
}

bool MatchFindChar(const SKXFindChar& fc, std::uint16_t code) {
  if (code < 257) {
    for (int i = 0; i < fc.singleCount; ++i)
      if (fc.singles[i] == code) return true;
  } else {
    for (int i = 0; i < fc.doubleCount; ++i)
      if (fc.doubles[i] == code) return true;
  }
  return false;
}

short ScriptType(long offset, SKXFindStyl& styl) {
  if (offset >= styl.cacheStart && offset < styl.cacheEnd) return styl.cacheScript;
  if (!styl.runs || styl.runCount <= 0) {
    CacheDefaultScript(styl);
    return styl.cacheScript;
  }
  // The run holding the offset (the first run also takes what lies before it).
  long i = CKXPosArray::FindArrayIndex(styl.base + offset, styl.runs, sizeof(SKXStyl), styl.runCount) - 1;
  const SKXStyl& run = styl.runs[i];
  styl.cacheStart = i == 0 ? INT32_MIN : run.offset - styl.base;
  styl.cacheEnd = i + 1 < styl.runCount ? styl.runs[i + 1].offset - styl.base : kOpenEnd;
  styl.cacheScript = KxFontToScriptType(run.styl.font);
  return styl.cacheScript;
}

bool IsPictureRun(long offset, SKXFindStyl& styl) {
  const std::int64_t at = std::int64_t(styl.base) + offset;
  if (at < styl.decoStart || at >= styl.decoEnd) {
    // The run holding the offset, as the script's run is found.
    const long i =
        CKXPosArray::FindArrayIndex(long(at), styl.decos, sizeof(SKXDeco), styl.decoCount) - 1;
    if (i < 0 || i >= styl.decoCount) return false;
    const SKXDeco& run = styl.decos[i];
    styl.decoStart = i == 0 ? INT64_MIN : run.offset;
    styl.decoEnd = i + 1 < styl.decoCount ? styl.decos[i + 1].offset : INT64_MAX;
    styl.decoPicture = run.deco.pictID != 0;
  }
  return styl.decoPicture;
}

bool IsCharStart(const unsigned char* text, long known, long offset, short script) {
  long s = offset;
  while (s > known && KxTextCharFirst(text[s - 1], script)) --s;
  // Every byte of s..offset - 1 starts a double-byte character: they pair up.
  return ((offset - s) & 1) == 0;
}

long CharStartsBefore(const unsigned char* text, long p, SKXFindStyl& styl, short& script,
                      std::vector<long>& starts) {
  script = ScriptType(p - 1, styl);
  long segStart = styl.cacheStart > 0 ? styl.cacheStart : 0;
  if (segStart >= p) segStart = p - 1;
  // Every byte of q..p - 2 starts a double-byte character, so the
  // characters of q..p pair up from q.
  long q = p - 1;
  while (q > segStart && KxTextCharFirst(text[q - 1], script)) --q;
  starts.clear();
  for (long x = q; x < p;) {
    starts.push_back(x);
    x += (KxTextCharFirst(text[x], script) && x + 1 < p) ? 2 : 1;
  }
  return q;
}

std::int32_t Find2ndStep(const unsigned char* text, long offset, long length,
                         const SKXFindChar* findChars, long count, short options,
                         SKXFindStyl& styl) {
  long pos = offset;
  for (long i = 0; i < count; ++i) {
    if (pos >= length) return -1;
    if (IsPicture(text, pos, styl)) return 0;
    int w;
    std::int32_t code = ReadChar(text, length, pos, options, ScriptType(pos, styl), styl.textEnds, w);
    if (code < 0) return -1;
    if (!MatchFindChar(findChars[i], std::uint16_t(code))) return 0;
    pos += w;
  }
  return std::int32_t(pos - offset);
}

namespace {

// Whether q, a character start by the double-byte rule with `from` (<= q)
// known to start one, is rather the voiced mark that width folding reads
// with the half-width kana before it: no match starts inside that pair. A
// picture takes no mark.
bool IsJoinedMark(const unsigned char* text, long from, long q, short options, short script,
                  SKXFindStyl& styl) {
  if (q <= from || !Has(options, kKXFindIgnoreWidth) || script != kScriptJapanese) return false;
  if (!ComposedKana(text[q - 1], text[q])) return false;
  return IsCharStart(text, from, q - 1, script) && !IsPicture(text, q - 1, styl);
}

// Decides the candidate at q (a character start); true when it is the answer.
bool TryCandidate(const unsigned char* text, long q, long length, const SKXFindChar* fc, long count,
                  short options, short script, SKXFindStyl& styl, int& width) {
  KxFindTick();
  if (IsPicture(text, q, styl)) {
    width = 1;
    return false;
  }
  std::int32_t code = ReadChar(text, length, q, options, script, styl.textEnds, width);
  if (code < 0) {
    // Cut by the buffer's end: the caller compares again over more text.
    return Find2ndStep(text, q, length, fc, count, options, styl) != 0;
  }
  if (!MatchFindChar(fc[0], std::uint16_t(code))) return false;
  if (count == 1) return true;
  std::int32_t r = Find2ndStep(text, q, length, fc, count, options, styl);
  return r > 0 || (r < 0 && !styl.textEnds);
}

short FindForward(const unsigned char* text, long p, long length, const SKXFindChar* fc, long count,
                  short options, long& found, SKXFindStyl& styl) {
  std::vector<unsigned char> exact;
  bool useExact = ExactBytes(fc, count, exact);
  std::size_t key = 0, key2 = 0;   // the run's rarest bytes, compared first
  if (useExact) kx_regexp::PickKeys(exact, key, key2);
  long nextHit = -1;   // exact mode: next occurrence of the bytes at or after p
  bool table[256];
  short tableScript = -32768;
  int single = -1;     // the only byte of the table, when there is one
  long known = p;
  while (p < length) {
    short script = ScriptType(p, styl);
    long segEnd = styl.cacheEnd < length ? styl.cacheEnd : length;
    if (segEnd <= p) segEnd = p + 1;   // runs out of order: one byte at a time
    if (known < p && styl.cacheStart > known) known = styl.cacheStart < p ? styl.cacheStart : p;
    if (!useExact && script != tableScript) {
      FirstBytes(fc[0], options, script, table);
      tableScript = script;
      int n = 0;
      for (int b = 0; b < 256; ++b)
        if (table[b]) { single = b; ++n; }
      if (n != 1) single = -1;
      if (n == 0) { p = known = segEnd; continue; }
    }
    while (p < segEnd) {
      long q;
      if (useExact) {
        if (nextHit < p) {
          nextHit = exact.empty() ? p : kx_regexp::NextRequired(exact, key, key2, text, p, length);
        }
        q = nextHit;
        if (q >= length && !styl.textEnds) {
          // No whole occurrence; one may still begin in the last bytes and
          // go on in the next chunk: look at those one by one.
          useExact = false;
          tableScript = -32768;
          long tail = length - long(exact.size()) + 1;
          if (tail > p) p = tail;
          break;
        }
        if (q >= segEnd) { p = known = segEnd; break; }
      } else if (single >= 0) {
        const void* hit = std::memchr(text + p, single, std::size_t(segEnd - p));
        if (!hit) { p = known = segEnd; break; }
        q = static_cast<const unsigned char*>(hit) - text;
      } else {
        q = p;
        while (q < segEnd && !table[text[q]]) ++q;
        if (q >= segEnd) { p = known = segEnd; break; }
      }
      if (!IsCharStart(text, known, q, script) || IsJoinedMark(text, known, q, options, script, styl)) {
        known = p = q + 1;   // q is the second byte of a character (or of a joined pair)
        continue;
      }
      int width;
      if (TryCandidate(text, q, length, fc, count, options, script, styl, width)) {
        found = q;
        return short(width);
      }
      known = p = q + width;
    }
  }
  return 0;
}

short FindBackward(const unsigned char* text, long p, long length, const SKXFindChar* fc, long count,
                   short options, long& found, SKXFindStyl& styl) {
  std::vector<long> starts;
  bool table[256];
  short tableScript = -32768;
  while (p > 0) {
    short script;
    long q = CharStartsBefore(text, p, styl, script, starts);
    if (script != tableScript) {
      FirstBytes(fc[0], options, script, table);
      tableScript = script;
    }
    // The run's first byte, from which character starts are known.
    const long runStart = styl.cacheStart > 0 ? std::min<long>(styl.cacheStart, q) : 0;
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
      long x = *it;
      if (!table[text[x]] || IsJoinedMark(text, runStart, x, options, script, styl)) continue;
      int width;
      if (TryCandidate(text, x, length, fc, count, options, script, styl, width)) {
        found = x;
        return short(width);
      }
    }
    p = q;
  }
  return 0;
}

}  // namespace

short Find1stStep(const unsigned char* text, long start, long length, const SKXFindChar* findChars,
                  long count, short options, long& found, SKXFindStyl& styl) {
  if (!text || count <= 0 || length <= 0) return 0;
  long p = start < 0 || start > length ? length : start;
  if (Has(options, kKXFindBackward)) return FindBackward(text, p, length, findChars, count, options, found, styl);
  return FindForward(text, p, length, findChars, count, options, found, styl);
}

}  // namespace UKXFind
