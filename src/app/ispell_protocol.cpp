#include "app/ispell_protocol.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/utf8.h"

namespace {

std::string CutUtf8(const std::string& s, std::size_t max) {
  if (s.size() <= max) return s;
  std::size_t n = max;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}

// Whether a character can continue a word for the whole-word test. The
// checkers cut an English word out of Japanese text, so kana, kanji,
// full-width forms and punctuation end a word; letters of other scripts
// (accented Latin, Greek, Cyrillic, ...) do not.
bool WordChar(char32_t c) {
  if (c < 0x80) return std::isalnum(static_cast<int>(c)) || c == '\'';
  if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;            // Latin-1 signs and punctuation
  if (c == 0x2019) return true;                                       // right single quote: an apostrophe
  if (c >= 0x2000 && c <= 0x2BFF) return false;                       // punctuation, symbols, arrows
  if (c >= 0x2E00 && c <= 0x9FFF) return false;                       // CJK punctuation, kana, kanji
  if (c >= 0xF900 && c <= 0xFAFF) return false;                       // compatibility kanji
  if (c >= 0xFE30 && c <= 0xFE4F) return false;                       // CJK compatibility forms
  if (c >= 0xFF00 && c <= 0xFFEF) return false;                       // full- and half-width forms
  if (c >= 0x20000 && c <= 0x3FFFF) return false;                     // kanji beyond the BMP
  return true;
}

// The character (UTF-8) that starts at byte i; a broken sequence is
// U+FFFD, which counts as a word character, as any such byte did before.
char32_t CharAt(const std::string& s, std::size_t i) {
  const KxUtf8Sequence q = KxUtf8SequenceAt(s, i);
  return q.length > 0 && q.wellFormed ? q.cp : 0xFFFD;
}

// The character that ends just before byte i.
char32_t CharBefore(const std::string& s, std::size_t i) {
  std::size_t k = i - 1;
  while (k > 0 && i - k < 4 && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80) --k;
  return CharAt(s, k);
}

bool Contains(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }

// The byte offset of character n of `s` (UTF-8), or -1 beyond its end.
long ByteOfChar(const std::string& s, long n) {
  long chars = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;
    if (chars == n) return long(i);
    ++chars;
  }
  return -1;
}

bool ParseLong(const std::string& s, long& out) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  out = std::atol(s.c_str());
  return true;
}

std::vector<std::string> SplitGuesses(const std::string& s) {
  std::vector<std::string> out;
  std::size_t from = 0;
  while (from < s.size()) {
    std::size_t comma = s.find(", ", from);
    if (comma == std::string::npos) comma = s.size();
    if (comma > from) out.push_back(s.substr(from, comma - from));
    from = comma + 2;
  }
  return out;
}

}  // namespace

std::string KxIspellMenuName(const std::string& banner) {
  if (banner.rfind("@(#) ", 0) != 0) return {};
  std::string name;
  const std::size_t really = banner.find("but really ");
  if (really != std::string::npos) {
    const std::size_t from = really + 11, close = banner.find(')', from);
    name = banner.substr(from, close == std::string::npos ? std::string::npos : close - from);
  } else {
    name = banner.substr(5);
  }
  while (!name.empty() && (name.back() == '\n' || name.back() == '\r' || name.back() == ' ')) name.pop_back();
  return CutUtf8(name, 31);
}

KxCheckerFamily KxIspellFamily(const std::string& banner) {
  const std::string name = KxIspellMenuName(banner);
  if (Contains(name, "Hunspell")) return KxCheckerFamily::kHunspell;
  if (Contains(name, "Aspell")) return KxCheckerFamily::kAspell;
  if (Contains(name, "Enchant")) return KxCheckerFamily::kEnchant;
  return KxCheckerFamily::kOther;
}

std::vector<std::string> KxIspellUtf8Args(KxCheckerFamily family) {
  switch (family) {
    case KxCheckerFamily::kHunspell: return {"-i", "utf-8"};
    case KxCheckerFamily::kAspell: return {"--encoding=utf-8"};
    default: return {};
  }
}

bool KxIspellParseAnswer(const std::string& line, KxIspellMiss& miss, bool& misspelled) {
  misspelled = false;
  if (line.empty()) return false;
  const char kind = line[0];
  if (kind == '*' || kind == '+' || kind == '-') return true;
  if (kind != '&' && kind != '?' && kind != '#') return false;
  if (line.size() < 3 || line[1] != ' ') return false;
  const std::string rest = line.substr(2);
  const std::size_t sp = rest.find(' ');
  if (sp == std::string::npos || sp == 0) return false;
  miss = KxIspellMiss{};
  miss.word = rest.substr(0, sp);
  const std::string after = rest.substr(sp + 1);
  if (kind == '#') {
    if (!ParseLong(after, miss.offset)) return false;
    misspelled = true;
    return true;
  }
  // "COUNT OFFSET: GUESSES"
  const std::size_t colon = after.find(':');
  if (colon == std::string::npos) return false;
  const std::string numbers = after.substr(0, colon);
  const std::size_t sp2 = numbers.find(' ');
  long count = 0;
  if (sp2 == std::string::npos || !ParseLong(numbers.substr(0, sp2), count) ||
      !ParseLong(numbers.substr(sp2 + 1), miss.offset))
    return false;
  if (colon + 2 <= after.size()) miss.guesses = SplitGuesses(after.substr(std::min(colon + 2, after.size())));
  misspelled = true;
  return true;
}

long KxIspellLocate(const std::string& line, const std::string& word, long reported) {
  if (word.empty() || word.size() > line.size()) return -1;
  // A checker that does not know Japanese reports a run of it, or a word
  // glued to it, as one word: never a word to mark.
  for (std::size_t i = 0; i < word.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(word[i]);
    if (b >= 0x80 && (b & 0xC0) != 0x80 && !WordChar(CharAt(word, i))) return -1;
  }
  auto wholeAt = [&](long at) {
    if (at < 0 || std::size_t(at) + word.size() > line.size()) return false;
    if (line.compare(std::size_t(at), word.size(), word) != 0) return false;
    const bool startOk = at == 0 || !WordChar(CharBefore(line, std::size_t(at)));
    const std::size_t end = std::size_t(at) + word.size();
    const bool endOk = end == line.size() || !WordChar(CharAt(line, end));
    return startOk && endOk;
  };
  // The readings of the offset, most likely first.
  const long candidates[] = {reported, reported - 1, ByteOfChar(line, reported), ByteOfChar(line, reported - 1)};
  for (long c : candidates)
    if (wholeAt(c)) return c;
  // Otherwise the nearest whole occurrence.
  long best = -1;
  for (std::size_t at = line.find(word); at != std::string::npos; at = line.find(word, at + 1))
    if (wholeAt(long(at)) && (best < 0 || std::labs(long(at) - reported) < std::labs(best - reported))) best = long(at);
  return best;
}
