#include "platform/toolbox/speller.h"

#include <algorithm>

#include "platform/textconv.h"
#include "platform/utf16.h"
#include "platform/utf8.h"

namespace {

char32_t At(const std::u16string& t, std::size_t i, std::size_t& width) {
  if (const char32_t pair = i + 1 < t.size() ? KxJoinSurrogates(t[i], t[i + 1]) : 0) {
    width = 2;
    return pair;
  }
  width = 1;
  return t[i];
}

bool IsJapanese(char32_t c) {
  return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x31F0 && c <= 0x31FF) ||
         (c >= 0x20000 && c <= 0x3FFFF) || (c >= 0x3000 && c <= 0x303F);
}

bool IsDigit(char32_t c) { return (c >= '0' && c <= '9'); }

bool IsApostrophe(char32_t c) { return c == '\'' || c == 0x2019; }

}  // namespace

bool KxSpellWordChar(char32_t c) {
  if (IsJapanese(c)) return false;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c)) return true;
  // Letters of the alphabetic scripts: Latin-1 and Latin extended, Greek,
  // Cyrillic (punctuation and symbols of those blocks excluded).
  if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
  if (c >= 0x370 && c <= 0x52F) return c != 0x37E && c != 0x387;
  if (c >= 0x1E00 && c <= 0x1FFF) return true;
  return false;
}

namespace {

// The next token at or after i, with i moved past it; false at the end.
bool NextToken(const std::u16string& text, std::size_t& i, KxSpellRange& token) {
  while (i < text.size()) {
    std::size_t w = 1;
    const char32_t c = At(text, i, w);
    if (!KxSpellWordChar(c)) {
      i += w;
      continue;
    }
    const std::size_t from = i;
    std::size_t end = i;   // after the last word character
    bool digit = false;
    while (i < text.size()) {
      const char32_t d = At(text, i, w);
      if (KxSpellWordChar(d)) {
        digit = digit || IsDigit(d);
        i += w;
        end = i;
        continue;
      }
      // An apostrophe counts only between word characters.
      std::size_t w2 = 1;
      if (IsApostrophe(d) && i + w < text.size() && KxSpellWordChar(At(text, i + w, w2))) {
        i += w;
        continue;
      }
      break;
    }
    i = std::max(i, end);
    if (i == from) ++i;
    if (!digit) {
      token = {long(from), long(end - from)};
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<KxSpellRange> KxSpellTokens(const std::u16string& text, long start) {
  std::vector<KxSpellRange> out;
  std::size_t i = std::size_t(std::max<long>(start, 0));
  for (KxSpellRange r; NextToken(text, i, r);) out.push_back(r);
  return out;
}

std::u16string KxUtf8ToUtf16(const std::string& s) {
  std::u16string out;
  for (std::size_t i = 0; i < s.size();) {
    const KxUtf8Sequence q = KxUtf8SequenceAt(s, i);
    const char32_t c = q.cp;
    i += q.length > 0 && q.wellFormed ? std::size_t(q.length) : 1;
    if (q.length == 0 || !q.wellFormed || c > 0x10FFFF || KxIsSurrogate(c)) {
      out += u'\uFFFD';
    } else if (c >= 0x10000) {
      out += KxHighSurrogate(c);
      out += KxLowSurrogate(c);
    } else {
      out += char16_t(c);
    }
  }
  return out;
}

KxSpellRange KxSpeller::Check(const std::u16string& text, long start, bool wrap, int tag) {
  if (!Available()) return {};
  // Whole words only: one that begins before the start is not looked at
  // from its middle. The words are read from just after the last separator
  // before the start (any unit that is neither a word character nor an
  // apostrophe, a Japanese one too; never inside a token), and only up to
  // the word found: a caller that walks a long text word by word reads it
  // once, not once a word.
  std::size_t from = std::size_t(std::clamp<long>(start, 0, long(text.size())));
  while (from > 0) {
    const char16_t c = text[from - 1];
    if (!KxSpellWordChar(c) && !IsApostrophe(c)) break;
    --from;
  }
  for (KxSpellRange r; NextToken(text, from, r);)
    if (r.location >= start &&
        !CheckWord(KxUTF16ToUTF8(text.substr(std::size_t(r.location), std::size_t(r.length))), tag))
      return r;
  std::size_t i = 0;
  if (wrap)
    for (KxSpellRange r; NextToken(text, i, r) && r.location < start;)
      if (!CheckWord(KxUTF16ToUTF8(text.substr(std::size_t(r.location), std::size_t(r.length))), tag)) return r;
  return {};
}
