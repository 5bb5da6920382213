// The Japanese line-break rules, word wrap and the user's line-break lists.
#include <algorithm>
#include <bitset>
#include <cstring>

#include "layout/linebreak.h"
#include "platform/script.h"
#include "text/codes/charclass.h"
#include "text/codes/script.h"

namespace {

// Defaults: characters that may not begin a line (full-width, then
// half-width) and that may not end one. Full-width entries are Shift_JIS
// codes, high byte first; 0x5C is the yen sign of the Mac Japanese set.
constexpr char kZenHead[] =
    "\x81\x41\x81\x42\x81\x43\x81\x44\x81\x48\x81\x4A\x81\x4B\x81\x66\x81\x68"
    "\x81\x6A\x81\x6C\x81\x6E\x81\x70\x81\x72\x81\x74\x81\x76\x81\x78\x81\x7A";
constexpr char kHanHead[] = ",.)]}?\xA3\xDE\xDF\xA4\xA1";
constexpr char kZenTail[] =
    "\x81\x65\x81\x67\x81\x69\x81\x6B\x81\x6D\x81\x6F\x81\x71\x81\x73\x81\x75\x81\x77\x81\x79\x81\x8F";
constexpr char kHanTail[] = "([{\xA2\x5C";

const char* const kDefaults[4] = {kZenHead, kHanHead, kZenTail, kHanTail};

// The installed lists: the defaults, or lists inside the user's block.
char gJWrapChars[kKxJWrapCharsSize + 1];
long gJWrapCharSize = 0;
const char* gLists[4] = {kZenHead, kHanHead, kZenTail, kHanTail};

// Splits a block of up to `size` bytes into four NUL-terminated lists; a
// list cut off by the end of the block ends there and the lists after it
// are empty. `block` must hold a NUL at block[size].
void SplitLists(const char* block, long size, const char* out[4]) {
  static const char kEmpty[] = "";
  long at = 0;
  for (int i = 0; i < 4; ++i) {
    if (at >= size) {
      out[i] = kEmpty;
      continue;
    }
    out[i] = block + at;
    at += long(std::strlen(block + at)) + 1;
  }
}

bool InNarrow(const char* list, std::uint16_t code) {
  if (code == 0) return false;
  for (const char* p = list; *p; ++p)
    if (std::uint8_t(*p) == code) return true;
  return false;
}

// Appends a list to a string with a leading length byte (at most 255 bytes).
void AppendPascal(unsigned char* s, const char* list) {
  for (const char* p = list; *p && s[0] < 255; ++p) s[1 + s[0]++] = std::uint8_t(*p);
}

// The installed lists as sets of codes, built when first asked for after
// the lists change: every laid-out line asks about the characters at its
// break.
struct CodeSets {
  bool built = false;
  std::bitset<65536> head, tail;
};
CodeSets gSets;

const CodeSets& Sets() {
  if (!gSets.built) {
    gSets.head.reset();
    gSets.tail.reset();
    // Codes below 257 are looked up in the single-byte lists; a pair of
    // non-zero bytes is always 257 or more.
    for (std::uint16_t code = 0; code < 256; ++code) {
      gSets.head[code] = InNarrow(gLists[1], code);
      gSets.tail[code] = InNarrow(gLists[3], code);
    }
    auto wide = [](const char* list, std::bitset<65536>& set) {
      for (const char* p = list; p[0] && p[1]; p += 2) set[std::uint8_t(p[0]) << 8 | std::uint8_t(p[1])] = true;
    };
    wide(gLists[0], gSets.head);
    wide(gLists[2], gSets.tail);
    gSets.built = true;
  }
  return gSets;
}

}  // namespace

bool CKXTextLayout::IsHeadChar(std::uint16_t code) { return Sets().head[code]; }

bool CKXTextLayout::IsTailChar(std::uint16_t code) { return Sets().tail[code]; }

void CKXTextLayout::SetJWrapChars(const char* lists, long size) {
  gSets.built = false;
  if (!lists || size <= 0) {
    std::copy(kDefaults, kDefaults + 4, gLists);
    gJWrapCharSize = 0;
    return;
  }
  size = std::min(size, kKxJWrapCharsSize);
  std::memcpy(gJWrapChars, lists, size_t(size));
  gJWrapChars[size] = 0;
  gJWrapCharSize = size;
  SplitLists(gJWrapChars, size, gLists);
}

void CKXTextLayout::JWrapCharsToHeadTail(const char* lists, long size, unsigned char* head, unsigned char* tail) {
  const char* parts[4];
  char block[kKxJWrapCharsSize + 1];
  if (!lists || size <= 0) {
    std::copy(kDefaults, kDefaults + 4, parts);
  } else {
    size = std::min(size, kKxJWrapCharsSize);
    std::memcpy(block, lists, size_t(size));
    block[size] = 0;
    SplitLists(block, size, parts);
  }
  if (head) {
    head[0] = 0;
    AppendPascal(head, parts[0]);
    AppendPascal(head, parts[1]);
  }
  if (tail) {
    tail[0] = 0;
    AppendPascal(tail, parts[2]);
    AppendPascal(tail, parts[3]);
  }
}

short CKXTextLayout::JWrapCharsFromHeadTail(char* lists, short* size, const unsigned char* head,
                                            const unsigned char* tail) {
  // Each string splits into its double-byte characters and single bytes; a
  // lead byte without a second byte, and NULs, are dropped.
  auto split = [](const unsigned char* s, long n, char* wide, long& nw, char* narrow, long& nn) {
    nw = nn = 0;
    for (long i = 0; s && i < n; ++i) {
      const unsigned char b = s[1 + i];
      if (b == 0) continue;
      if (KxTextCharFirst(b, kScriptJapanese)) {
        if (i + 1 < n && s[2 + i] != 0) {
          wide[nw++] = char(b);
          wide[nw++] = char(s[2 + i]);
        }
        ++i;
        continue;
      }
      narrow[nn++] = char(b);
    }
  };
  long headLen = head ? head[0] : 0;
  if (headLen & 0x80) headLen = 127;
  long tailLen = tail ? tail[0] : 0;
  if (tailLen > 63) tailLen = 63;
  char parts[4][128];
  long n[4];
  split(head, headLen, parts[0], n[0], parts[1], n[1]);
  split(tail, tailLen, parts[2], n[2], parts[3], n[3]);
  long at = 0;
  short differs = 0;
  for (int i = 0; i < 4; ++i) {
    if (lists) {
      std::memcpy(lists + at, parts[i], size_t(n[i]));
      lists[at + n[i]] = 0;
    }
    at += n[i] + 1;
    if (long(std::strlen(kDefaults[i])) != n[i] || std::memcmp(kDefaults[i], parts[i], size_t(n[i])) != 0)
      differs = 1;
  }
  if (size) *size = short(at);
  return differs;
}

long CKXTextLayout::CheckJWrap(long lineStart, long b, short mode) const {
  const long len = TextLength();
  if (b < 0 || b > len) return 0;
  if (mode < 1 || mode > 4) return 0;
  long n = 0;
  const std::uint16_t at = b < len ? CharAt(b, n) : 0;
  const bool headAt = b < len && IsHeadChar(at);
  if (!headAt && b >= 2) {
    // The character before the break is its last byte alone or that byte
    // with the one before it. When neither can be a tail character (nor
    // the byte a CR) no rule applies, whichever it is: the usual line
    // needs no parse back to a character boundary.
    const int last = ByteAt(b - 1), lead = ByteAt(b - 2);
    if (last >= 0 && last != 13 && !IsTailChar(std::uint16_t(last)) &&
        !(lead >= 0 && IsTailChar(std::uint16_t(lead << 8 | last))))
      return 0;
  }
  long before = b;
  const std::uint16_t prev = b > 0 ? CharBefore(b, before) : 0;
  if (mode == 3 || mode == 4) {
    if (b > 0 && prev == 13) return 0;
    mode = short(mode - 2);
  }
  const bool tailBefore = b > 0 && IsTailChar(prev);
  if (mode == 1) {
    if (headAt) {
      long r = -n, n2;
      if (b + n < len && CharAt(b + n, n2) == 13) --r;  // the CR comes onto the line too
      return r;
    }
    if (tailBefore) return before > lineStart ? b - before : 0;
    return 0;
  }
  if (tailBefore || headAt) return b > 0 && before > lineStart ? b - before : 0;
  return 0;
}

namespace {

// Curly quotes and the apostrophe arrive as double-byte characters. Beside
// a Latin letter or digit (a placeholder of a Latin side entry is one too)
// they belong to its word: ’ and ” close the word before them (’ inside a
// word joins its halves), ‘ and “ open the word after them; quotes nest.
constexpr std::uint16_t kOpenSingle = 0x8165, kCloseSingle = 0x8166, kOpenDouble = 0x8167,
                        kCloseDouble = 0x8168;

bool IsQuote(std::uint16_t code) { return code >= kOpenSingle && code <= kCloseDouble; }
bool IsClosing(std::uint16_t code) { return code == kCloseSingle || code == kCloseDouble; }

bool QuoteInWord(const CKXTextLayout& layout, long pos, std::uint16_t code) {
  if (layout.ScriptAt(pos) != kScriptJapanese) return false;
  const bool closing = IsClosing(code);
  long len = 2;
  // Through a few nested quotes at most to the letter they stand by.
  for (int k = 0; k < 8; ++k) {
    long at = pos + len, n = 0;
    std::uint16_t c;
    if (closing) {
      c = layout.CharBefore(pos, at);
      n = pos - at;
    } else {
      c = layout.CharAt(at, n);
    }
    if (n == 1) return UKXText::GetCharType(c, layout.ScriptAt(at)) == UKXText::kClassWord;
    if (n != 2 || !IsQuote(c) || IsClosing(c) != closing) return false;
    pos = at;
    len = n;
  }
  return false;
}

// The layout's text as the word-wrap rule reads it: a quote that belongs
// to a word reads as the ASCII apostrophe, a character of words.
struct LayoutReader {
  const CKXTextLayout& layout;
  long Length() const { return layout.TextLength(); }
  short ClassAt(long pos) const {
    long n;
    const std::uint16_t c = layout.CharAt(pos, n);
    if (n == 2 && IsQuote(c) && QuoteInWord(layout, pos, c)) return UKXText::kClassPunct;
    return UKXText::GetCharType(c, layout.ScriptAt(pos));
  }
  UKXText::Code CharBefore(long pos, long& first) const {
    const std::uint16_t c = layout.CharBefore(pos, first);
    return pos - first == 2 && IsQuote(c) && QuoteInWord(layout, first, c) ? UKXText::Code('\'') : c;
  }
  long PlainWordStart(long pos, long lineStart) const { return layout.PlainWordStart(pos, lineStart); }
  short ScriptAt(long pos) const { return layout.ScriptAt(pos); }
};

}  // namespace

long CKXTextLayout::CheckWordwrap(long lineStart, long b) const {
  // A double-byte character at the break belongs to no single-byte word, so
  // the rule never moves it: the usual case in Japanese text, answered from
  // the bytes at hand. Quotes may belong to a word and are asked about.
  if (mPeek && b >= mPeek->start && b + 1 < mPeek->end) {
    const auto lead = static_cast<unsigned char>(mPeek->bytes[b - mPeek->start]);
    const auto trail = static_cast<unsigned char>(mPeek->bytes[b + 1 - mPeek->start]);
    if (trail != 13 && KxTextCharFirst(lead, ScriptAt(b)) && !IsQuote(std::uint16_t(lead << 8 | trail))) return 0;
  }
  return UKXText::WordwrapAdjust(LayoutReader{*this}, lineStart, b);
}
