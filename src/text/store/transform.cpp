// Settings of the whole-text commands, the break-check hooks, shift,
// character-type and character-set conversion. Reform is in
// transform_reform.cpp.
#include "text/store/transform.h"

#include <algorithm>
#include <cstring>

#include "platform/script.h"
#include "platform/unichar_class.h"
#include "platform/utf16.h"
#include "text/codes/script.h"
#include "text/codes/unicode.h"
#include "text/store/text.h"
#include "text/store/transform_rebuild.h"

namespace UKXText {

namespace {

short sShiftType = kShiftTab;
unsigned char sShiftString[kShiftStringSize] = {2, '>', '>'};
long sWidthCount = 76;
short sKinsoku = 0;
unsigned char sWordwrap = 0;
unsigned char sIndent = 1;
unsigned char sRemoveAll = 1;

SKXBreakChecks sChecks;

long NoJWrap(const CKXText&, long, long, short) { return 0; }

}  // namespace

void GetShiftType(short& type, unsigned char* string) {
  type = sShiftType;
  if (string) std::memcpy(string, sShiftString, kShiftStringSize);
}

void SetShiftType(short type, const unsigned char* string) {
  sShiftType = type >= kShiftTab && type <= kShiftCustom ? type : kShiftTab;
  if (!string) return;
  std::memcpy(sShiftString, string, kShiftStringSize);
  sShiftString[0] = std::min<unsigned char>(sShiftString[0], kShiftStringSize - 1);
}

void GetReformMode(long* width, short* kinsoku, unsigned char* wordwrap, unsigned char* indent,
                   unsigned char* removeAll) {
  if (width) *width = sWidthCount;
  if (kinsoku) *kinsoku = sKinsoku;
  if (wordwrap) *wordwrap = sWordwrap;
  if (indent) *indent = sIndent;
  if (removeAll) *removeAll = sRemoveAll;
}

void SetReformMode(long width, short kinsoku, unsigned char wordwrap, unsigned char indent,
                   unsigned char removeAll) {
  sWidthCount = std::max(width, 1L);
  sKinsoku = kinsoku;
  sWordwrap = wordwrap;
  sIndent = indent;
  sRemoveAll = removeAll;
}

SKXBreakChecks SetBreakChecks(const SKXBreakChecks& checks) {
  SKXBreakChecks old = sChecks;
  sChecks = checks;
  return old;
}

long CheckJWrap(const CKXText& text, long lineStart, long breakAt, short mode) {
  return (sChecks.jwrap ? sChecks.jwrap : NoJWrap)(text, lineStart, breakAt, mode);
}

long CheckWordwrap(const CKXText& text, long lineStart, long breakAt) {
  return (sChecks.wordwrap ? sChecks.wordwrap : DefaultWordwrapCheck)(text, lineStart, breakAt);
}

namespace {

// The styled text as the word-wrap rule reads it.
struct TextReader {
  const CKXText& text;
  long Length() const { return text.GetLength(); }
  short ClassAt(long pos) const { return text.GetCharType(pos); }
  Code CharBefore(long pos, long& first) const {
    first = text.GetPrevCharPos(pos);
    return text.GetChar(first);
  }
  short ScriptAt(long pos) const { return text.GetScriptType(pos); }
};

}  // namespace

long DefaultWordwrapCheck(const CKXText& text, long lineStart, long b) {
  return WordwrapAdjust(TextReader{text}, lineStart, b);
}

void KXTextPieces::Add(const SKXTextPiece& piece) {
  if (!list.empty() && !exact.empty()) {
    SKXTextPiece& last = list.back();
    // Run together unless an offset asked for lies within both, ends
    // included: an insertion at an end places a start and an end apart.
    const auto at = std::lower_bound(exact.begin(), exact.end(), last.from);
    if (at == exact.end() || *at > piece.to) {
      last.to = piece.to;
      last.count = piece.out + piece.count - last.out;
      return;
    }
  }
  list.push_back(piece);
}

long MapOffset(const KXTextPieces& pieces, long pos, bool end) {
  // The last piece that starts before pos: for a start also one that starts
  // at it, so that an insertion there comes before the start.
  const std::vector<SKXTextPiece>& list = pieces.list;
  const auto after = end ? std::lower_bound(list.begin(), list.end(), pos,
                                            [](const SKXTextPiece& p, long q) { return p.from < q; })
                         : std::upper_bound(list.begin(), list.end(), pos,
                                            [](long q, const SKXTextPiece& p) { return q < p.from; });
  if (after == list.begin()) return pos;
  const SKXTextPiece& p = *(after - 1);
  if (pos < p.to) return end ? p.out + p.count : p.out;
  return pos - p.to + p.out + p.count;
}

// ---- shift ---------------------------------------------------------------------

bool ShiftKXText(CKXText* text, bool left, KXTextPieces* pieces) {
  if (pieces) pieces->list.clear();
  if (!text) return false;
  char unit[kShiftStringSize];
  long n = 1;
  unit[0] = sShiftType == kShiftSpace ? ' ' : '\t';
  if (sShiftType == kShiftCustom) {
    n = std::min<long>(sShiftString[0], kShiftStringSize - 1);
    std::memcpy(unit, sShiftString + 1, size_t(n));
  }
  if (n == 0) return false;
  CKXTextRebuild r(*text);
  r.RecordPieces(pieces);
  const long len = r.Length();
  const unsigned char* bytes = r.Bytes();
  long pos = 0;
  do {
    r.Keep(pos);
    if (!left) {
      r.Put(pos, unit, n);
    } else if (pos + n <= len && std::memcmp(bytes + pos, unit, size_t(n)) == 0) {
      // A picture or a placeholder with a side entry is not the unit's byte.
      bool same = true;
      for (long k = pos; k < pos + n && same; ++k) same = !r.IsPicture(k) && !r.HasSideEntry(k);
      if (same) r.Put(pos + n, nullptr, 0);
    }
    const void* cr = pos < len ? std::memchr(bytes + pos, '\r', size_t(len - pos)) : nullptr;
    pos = cr ? static_cast<const unsigned char*>(cr) - bytes + 1 : len;
  } while (pos < len);
  return r.Apply(*text);
}

// ---- character type ---------------------------------------------------------------

namespace {

// One character of the text being converted.
struct Char {
  long pos;
  long len;  // 1 or 2
  Code code;
  short script;
  bool fixed;  // a picture or a placeholder with a side entry: only case changes
  char32_t side;  // the character of its side entry, 0 when none
};

// The character a side entry names (its first one, when it names two), or 0.
char32_t SideChar(unsigned long v) {
  if (KxSideValueIsNoCharacter(std::uint32_t(v))) return 0;
  if (v <= 0xFFFF) return char32_t(v);
  const char32_t hi = char32_t(v >> 16), lo = char32_t(v & 0xFFFF);
  if (hi >= 0xD800 && hi <= 0xDBFF && lo >= 0xDC00 && lo <= 0xDFFF)
    return 0x10000 + ((hi - 0xD800) << 10) + (lo - 0xDC00);
  return hi;
}

class CharWalk {
 public:
  CharWalk(CKXTextRebuild& r, const CKXText& src) : mR(r), mSrc(src) {}
  bool Next(Char& c) {
    if (mPos >= mR.Length()) return false;
    const unsigned char* b = mR.Bytes();
    c.pos = mPos;
    c.script = mR.ScriptAt(mPos);
    c.len = KxTextCharFirst(b[mPos], c.script) && mPos + 1 < mR.Length() ? 2 : 1;
    c.code = c.len == 2 ? Code(b[mPos] << 8 | b[mPos + 1]) : b[mPos];
    const bool side = mR.HasSideEntry(mPos);
    c.fixed = side || (c.len == 2 && mR.HasSideEntry(mPos + 1)) || mR.IsPicture(mPos);
    c.side = side ? SideChar(mSrc.GetUniChar(mPos)) : 0;
    mPos += c.len;
    return true;
  }
  // The byte after the current character, when it is a single byte (-1 else).
  int PeekByte() {
    if (mPos >= mR.Length() || mR.HasSideEntry(mPos)) return -1;
    const unsigned char b = mR.Bytes()[mPos];
    const short script = mR.ScriptAt(mPos);
    return script != kScriptJapanese || KxTextCharFirst(b, script) ? -1 : b;
  }
  void Skip() { ++mPos; }

 private:
  CKXTextRebuild& mR;
  const CKXText& mSrc;  // the text being rebuilt, as it stood
  long mPos = 0;
};

bool IsJapanese(const Char& c) { return c.script == kScriptJapanese; }
bool IsWide(const Char& c) { return c.len == 2 && IsJapanese(c); }

// Letters of words: ASCII letters, accented single-byte letters outside
// Japanese, full-width letters, and letters the script cannot hold.
bool IsLetter(const Char& c) {
  if (c.side) return KxUnicharClassOf(c.side).letter;
  if (c.len == 2) return IsJapanese(c) && IsWordAlpha(c.code);
  if (IsByteAlpha(c.code)) return true;
  return !IsJapanese(c) && c.code >= 0x80 && KxTextCharType(c.code, c.script) == kCharExtAscii;
}

// Case of a letter; accented letters are judged by their stripped form.
bool IsUpperLetter(const Char& c) {
  if (c.side) return KxUnicharClassOf(c.side).upper;
  if (c.len == 2) return c.code >= 0x8260 && c.code <= 0x8279;
  return IsByteUpper(c.code < 0x80 ? c.code : KxTextCharStrip(c.code, c.script));
}
bool IsLowerLetter(const Char& c) {
  if (c.side) return KxUnicharClassOf(c.side).lower;
  if (c.len == 2) return c.code >= 0x8281 && c.code <= 0x829A;
  return IsByteLower(c.code < 0x80 ? c.code : KxTextCharStrip(c.code, c.script));
}

Code ToUpper(const Char& c) {
  if (c.len == 2) return IsJapanese(c) ? ToWordUpper(c.code) : c.code;
  if (c.code < 0x80) return ToByteUpper(c.code);
  return IsJapanese(c) ? c.code : KxTextCharUpper(c.code, c.script);
}
Code ToLower(const Char& c) {
  if (c.len == 2) return IsJapanese(c) ? ToWordLower(c.code) : c.code;
  if (c.code < 0x80) return ToByteLower(c.code);
  return IsJapanese(c) ? c.code : KxTextCharLower(c.code, c.script);
}

// Modes 7, 8 and 9 choose by the first character that decides; 0 when none does.
short ChooseMode(CKXTextRebuild& r, const CKXText& src, short mode) {
  CharWalk w(r, src);
  Char c;
  while (w.Next(c)) {
    // A letter in a side entry changes case too, so it decides as well.
    if (c.fixed && !(mode == kCharTypeToggleCase && c.side)) continue;
    if (mode == kCharTypeToggleWidth && IsJapanese(c)) {
      if (c.len == 2 && (IsWordAscii(c.code) || IsWordKana(c.code))) return kCharTypeHalf;
      if (c.len == 1 && ByteToWord(c.code) != c.code) return kCharTypeFull;
    } else if (mode == kCharTypeToggleKana && IsWide(c)) {
      if (IsWordHiragana(c.code)) return kCharTypeKata;
      if (IsWordKatakana(c.code)) return kCharTypeHira;
    } else if (mode == kCharTypeToggleCase && IsLetter(c)) {
      if (IsUpperLetter(c)) return kCharTypeLower;
      if (IsLowerLetter(c)) return kCharTypeUpper;
    }
  }
  return 0;
}

// Capitalising is worth doing when a word starts in lower case or holds two
// capitals in a row.
bool NeedsCapitalize(CKXTextRebuild& r, const CKXText& src) {
  CharWalk w(r, src);
  Char c;
  bool inWord = false, lastUpper = false;
  while (w.Next(c)) {
    if (!IsLetter(c)) {
      inWord = lastUpper = false;
      continue;
    }
    const bool upper = IsUpperLetter(c);
    if (!inWord && IsLowerLetter(c)) return true;
    if (inWord && upper && lastUpper) return true;
    inWord = true;
    lastUpper = upper;
  }
  return false;
}

void PutCode(CKXTextRebuild& r, long to, Code code) {
  char b[2];
  r.Put(to, b, KxTextCodeBytes(code, b));
}

// Changes the case of a letter kept beside a placeholder, one character for
// one: the new character keeps the placeholder when it needs the same one,
// or takes the script's own code when the script holds it (ı to I). A
// change that could do neither (one character becoming two, a different
// placeholder) is not made.
void CaseSideEntry(CKXTextRebuild& r, const CKXText& src, const Char& c, KxUnicharCase to) {
  const std::uint32_t v = std::uint32_t(src.GetUniChar(c.pos));
  const char32_t hi = char32_t(v >> 16), lo = char32_t(v & 0xFFFF);
  const bool pair = KxJoinSurrogates(hi, lo) != 0;
  const bool alone = v <= 0xFFFF || lo == 0 || pair;  // no second character follows
  const char32_t m = KxUnicharToCase(c.side, to);
  if (m == c.side || m == 0 || (m > 0xFFFF) != (c.side > 0xFFFF)) return;
  const std::uint16_t first = std::uint16_t(v <= 0xFFFF ? v : hi);
  if (c.code != KxUnicodePlaceholderFor(first, c.script)) return;  // a shared code, not a placeholder
  if (alone) {
    const std::int32_t own = KxScriptFromUnicode(m, c.script);
    if (own >= 0 && own <= 0xFFFF && !KxScriptIsOtherForm(m, c.script)) {
      r.Keep(c.pos);
      PutCode(r, c.pos + c.len, Code(own));
      return;
    }
  }
  std::uint32_t value;
  if (pair) {
    value = std::uint32_t(KxHighSurrogate(m)) << 16 | KxLowSurrogate(m);
  } else {
    value = v <= 0xFFFF ? std::uint32_t(m) : std::uint32_t(m) << 16 | std::uint32_t(lo);
  }
  const std::uint16_t newFirst = std::uint16_t(value <= 0xFFFF ? value : value >> 16);
  if (KxUnicodePlaceholderFor(newFirst, c.script) != c.code || KxSideValueIsNoCharacter(value)) return;
  r.SetSideEntry(c.pos, value);
}

}  // namespace

bool CharTypeKXText(CKXText* text, short mode, KXTextPieces* pieces) {
  if (pieces) pieces->list.clear();
  if (!text) return false;
  CKXTextRebuild r(*text);
  r.RecordPieces(pieces);
  if (mode == kCharTypeToggleWidth || mode == kCharTypeToggleKana || mode == kCharTypeToggleCase)
    mode = ChooseMode(r, *text, mode);
  else if (mode == kCharTypeCapitalize && !NeedsCapitalize(r, *text))
    return false;
  if (mode < kCharTypeHalf || (mode > kCharTypeLower && mode != kCharTypeCapitalize)) return false;

  if (mode == kCharTypeFull) r.Reserve(2 * r.Length());
  CharWalk w(r, *text);
  Char c;
  bool inWord = false;
  while (w.Next(c)) {
    const bool letter = mode == kCharTypeCapitalize && IsLetter(c);
    const bool first = letter && !inWord;
    inWord = letter;
    if (c.fixed) {
      if (!c.side || !IsLetter(c)) continue;
      if (mode == kCharTypeUpper) CaseSideEntry(r, *text, c, KxUnicharCase::kUpper);
      if (mode == kCharTypeLower) CaseSideEntry(r, *text, c, KxUnicharCase::kLower);
      if (mode == kCharTypeCapitalize)
        CaseSideEntry(r, *text, c, first ? KxUnicharCase::kTitle : KxUnicharCase::kLower);
      continue;
    }
    Code to = c.code;
    long end = c.pos + c.len;
    switch (mode) {
      case kCharTypeHalf: {
        if (!IsWide(c)) break;
        const Code h = WordToByte(c.code);
        if ((h >> 8) == kDakuMark || (h >> 8) == kHandakuMark) {
          // The kana and then its mark.
          const char b[2] = {static_cast<char>(h & 0xFF), static_cast<char>(h >> 8)};
          r.Keep(c.pos);
          r.Put(end, b, 2);
          continue;
        }
        // A hiragana without a half-width form (ゐ ゑ ゎ) gives its katakana;
        // anything else without one stays.
        to = h;
        break;
      }
      case kCharTypeFull: {
        if (c.len != 1 || !IsJapanese(c)) break;
        int mark = 0;
        const int next = w.PeekByte();
        if (next >= 0) mark = CheckDakuType(c.code, Code(next));
        to = ByteToWord(c.code, mark);
        if (mark != 0 && to != ByteToWord(c.code, 0)) {
          w.Skip();  // the mark is absorbed
          ++end;
        }
        break;
      }
      case kCharTypeKata: to = IsWide(c) ? ToWordKata(c.code) : c.code; break;
      case kCharTypeHira: to = IsWide(c) ? ToWordHira(c.code) : c.code; break;
      case kCharTypeUpper: to = ToUpper(c); break;
      case kCharTypeLower: to = ToLower(c); break;
      case kCharTypeCapitalize:
        if (letter) to = first ? ToUpper(c) : ToLower(c);
        break;
    }
    if (to == c.code && end == c.pos + c.len) continue;
    r.Keep(c.pos);
    PutCode(r, end, to);
  }
  return r.Apply(*text);
}

// ---- character set -----------------------------------------------------------------

namespace {

// The partner of a high byte in the other set, or the byte itself.
struct CharSetTable {
  unsigned char map[2][256];
  CharSetTable() {
    for (int k = 0; k < 256; ++k) map[0][k] = map[1][k] = static_cast<unsigned char>(k);
    for (int k = 0; sCharSetMacWin[k] != 0; k += 2) {
      map[1][sCharSetMacWin[k]] = sCharSetMacWin[k + 1];
      map[0][sCharSetMacWin[k + 1]] = sCharSetMacWin[k];
    }
  }
};
const CharSetTable& Table() {
  static const CharSetTable t;
  return t;
}

bool IsMultiByteScript(short script) { return script == 1 || script == 2 || script == 3 || script == 25; }

}  // namespace

bool CharSetKXText(CKXText* text, bool macToWin) {
  if (!text) return false;
  const unsigned char* map = Table().map[macToWin ? 1 : 0];
  CKXTextRebuild r(*text);
  const unsigned char* b = r.Bytes();
  for (long pos = 0; pos < r.Length(); ++pos) {
    if (b[pos] < 0x80) continue;
    const short script = r.ScriptAt(pos);
    if (IsMultiByteScript(script)) continue;
    if (KxTextCharFirst(b[pos], script)) {
      ++pos;  // a double-byte character is skipped whole
      continue;
    }
    const unsigned char to = map[b[pos]];
    if (to == b[pos] || r.IsPicture(pos) || r.HasSideEntry(pos)) continue;
    r.Keep(pos);
    r.Put(pos + 1, reinterpret_cast<const char*>(&to), 1);
  }
  return r.Apply(*text);
}

bool CharSetConvert(bool macToWin, char* bytes, long length, const SKXStyl* styls, long stylCount,
                    const SKXDeco* decos, long decoCount) {
  if (!bytes || length <= 0) return false;
  if (!styls) stylCount = 0;
  if (!decos) decoCount = 0;
  const unsigned char* map = Table().map[macToWin ? 1 : 0];
  auto* b = reinterpret_cast<unsigned char*>(bytes);
  bool changed = false;
  // Runs are taken in order; one that does not start after the one before
  // is ignored, and the bytes before the first run count as script 0.
  long s = -1, d = -1;
  short script = 0;
  bool picture = false;
  long lastStyl = -1, lastDeco = -1;
  for (long pos = 0; pos < length; ++pos) {
    while (s + 1 < stylCount && styls[s + 1].offset <= pos) {
      ++s;
      if (styls[s].offset <= lastStyl) continue;
      lastStyl = styls[s].offset;
      script = KxFontToScriptType(styls[s].styl.font);
    }
    while (d + 1 < decoCount && decos[d + 1].offset <= pos) {
      ++d;
      if (decos[d].offset <= lastDeco) continue;
      lastDeco = decos[d].offset;
      picture = decos[d].deco.pictID != 0;
    }
    if (b[pos] < 0x80 || IsMultiByteScript(script) || picture) continue;
    if (KxTextCharFirst(b[pos], script)) {
      ++pos;
      continue;
    }
    if (map[b[pos]] != b[pos]) {
      b[pos] = map[b[pos]];
      changed = true;
    }
  }
  return changed;
}

}  // namespace UKXText
