#include "text/find/regexp_automaton.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/exception.h"
#include "platform/script.h"
#include "text/find/find.h"
#include "text/find/regexp.h"
#include "text/base/array.h"
#include "text/runs/runs.h"

namespace {

using Bytes = std::string;
using Matches = std::vector<std::pair<long, long>>;

const unsigned char* U(const Bytes& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

struct Outcome {
  Matches matches;
  bool gaveUp = false;   // the matcher ran out of steps
};

// Every forward match, the text searched in blocks of whole lines of at
// least `block` bytes (0: one buffer) with one search state, as a driver
// reads a file.
Outcome SearchAll(CKXRegexp& re, const Bytes& text, short options, CKXArrayL* runs, long block) {
  CKXFindStyl styl(runs, kScriptJapanese);
  Outcome out;
  const long len = long(text.size());
  try {
    for (long base = 0; base < len;) {
      long end = len;
      if (block > 0) {
        const std::size_t cr = text.find('\r', std::size_t(std::min(len - 1, base + block)));
        if (cr != Bytes::npos) end = long(cr) + 1;
      }
      const unsigned char* bytes = U(text) + base;
      KxFindStylSetBase(styl, std::int32_t(base), true);
      for (long pos = 0;;) {
        long found = -1;
        short w = re.Find1stStep(bytes, pos, end - base, options, found, styl);
        if (w == 0) break;
        std::int32_t r = re.Find2ndStep(bytes, found, end - base, options, styl);
        if (r > 0) out.matches.emplace_back(base + found, r);
        pos = found + (r > 0 ? r : w);
      }
      base = end;
    }
  } catch (const LException& e) {
    if (e.GetErrorCode() != kKXFindTooComplex) throw;
    out.gaveUp = true;
  }
  return out;
}

// Style runs of fonts: 0 is Japanese, 3 Roman.
void AddRun(CKXArrayL& runs, std::int32_t offset, std::int16_t font) {
  SKXStyl entry{};
  entry.offset = offset;
  entry.styl.font = font;
  runs.InsertItemsAt(1, runs.GetCount() + 1, &entry);
}

// The same search with and without the automaton: the same matches, and no
// giving up that the matcher alone would not also come to.
void ExpectSameWithAndWithout(const Bytes& pattern, const Bytes& text, short options, CKXArrayL* runs = nullptr,
                              long block = 0, CKXRegexp::FilterCounts* counts = nullptr) {
  CKXRegexp plain(U(pattern), long(pattern.size()), kScriptJapanese);
  plain.UseAutomaton(false);
  CKXRegexp filtered(U(pattern), long(pattern.size()), kScriptJapanese);
  const Outcome expect = SearchAll(plain, text, options, runs, block);
  const Outcome got = SearchAll(filtered, text, options, runs, block);
  if (counts) {
    counts->lines += filtered.GetFilterCounts().lines;
    counts->starts += filtered.GetFilterCounts().starts;
  }
  EXPECT_FALSE(got.gaveUp && !expect.gaveUp) << "pattern " << pattern << " options " << options;
  if (!expect.gaveUp && !got.gaveUp) {
    EXPECT_EQ(expect.matches, got.matches) << "pattern " << pattern << " options " << options << " block " << block
                                           << " runs " << (runs != nullptr) << " text " << text;
  }
}

const Bytes kA = "\x82\xA0";      // あ
const Bytes kGa = "\x82\xAA";     // が
const Bytes kAKata = "\x83\x41";  // ア
const Bytes kGaKata = "\x83\x4B"; // ガ
const Bytes kKaHalf = "\xB6";     // ｶ
const Bytes kMark = "\xDE";       // ﾞ

TEST(RegexpAutomaton, RulesOutWhatCannotMatchAndKeepsEveryMatch) {
  struct Case {
    Bytes pattern, text;
    short options;
    Matches expect;
  };
  const std::vector<Case> cases = {
      // Leftmost, and the first alternative that matches there.
      {"[0-9]{2} [a-z]+", "ab 1 x 12 cd 345 e\r99 z", 0, {{7, 5}, {14, 4}, {19, 4}}},
      {"(a|ab)(c|bcd)", "xabcd", 0, {{1, 4}}},
      {"b|ab", "ab", 0, {{0, 2}}},
      // Empty matches count as none; a longer one at the same place does.
      {"a*", "bab", 0, {{1, 1}}},
      {"x?$", "ab\rx", 0, {{3, 1}}},
      {"^$|b", "\r\rb", 0, {{2, 1}}},
      // "^" and "$" hold at CR and at the buffer's ends only.
      {"^\\d+$", "12\r3a\r45", 0, {{0, 2}, {6, 2}}},
      {"a$", "a\ra", 0, {{0, 1}, {2, 1}}},
      // No match takes a CR; a lead byte just before one stands alone.
      {"\\S+", "ab\rcd", 0, {{0, 2}, {3, 2}}},
      {".\\r", "\x82\rb", 0, {}},
      {"x[\\x80-\\xff]$", "x\x82\rb", 0, {{0, 2}}},
      // Double-byte characters are one, and never matched from their second byte.
      {"\\x41", kAKata + "A", 0, {{2, 1}}},
      {"[^a]b", kA + "b", 0, {{0, 3}}},
      {".{2}$", "x" + kA, 0, {{0, 3}}},
      // Folding: case, width (a half-width kana and its mark as one), kana kind.
      {"AB+", "xabbb", 2, {{1, 4}}},
      {kGaKata + "+", kKaHalf + kMark + kGaKata + kKaHalf, 4, {{0, 4}}},
      {kGa + "[^x]", kKaHalf + kMark + kGaKata, 12, {{0, 4}}},
      {"[" + kA + "-" + kGa + "]{2}", kAKata + kGaKata, 8, {{0, 4}}},
      // Counted repeats written out, nested and lazy.
      {"(a{2,3}b){2}", "aabaaab aab ab", 0, {{0, 7}}},
      {"(ab?){3,}?c", "abaabc", 0, {{0, 6}}},
  };
  for (const Case& c : cases) {
    CKXRegexp re(U(c.pattern), long(c.pattern.size()), kScriptJapanese);
    ASSERT_TRUE(re.HasAutomaton()) << c.pattern;
    EXPECT_EQ(c.expect, SearchAll(re, c.text, c.options, nullptr, 0).matches) << c.pattern;
    ExpectSameWithAndWithout(c.pattern, c.text, c.options);
  }
  // Back-references, expressions written out too large and those of too
  // many tests go to the matcher alone.
  for (const Bytes& pattern : {Bytes("(a)\\1"), Bytes("(a{200}){200}"), Bytes("((a|b){100}c){100}"), Bytes(600, 'a')}) {
    CKXRegexp re(U(pattern), long(pattern.size()), kScriptJapanese);
    EXPECT_FALSE(re.HasAutomaton()) << pattern;
  }
}

TEST(RegexpAutomaton, ExpressionsWithoutLiteralsAreFiltered) {
  // Lines of words and numbers, one in four holding two numbers of five
  // digits around a word.
  Bytes text;
  std::mt19937 rng(3);
  for (int line = 0; line < 400; ++line) {
    for (int word = 0; word < 8; ++word) text += rng() % 3 ? "word " : std::to_string(rng() % 1000) + " ";
    if (line % 4 == 0) text += "12345 abc 67890";
    text += "\r";
  }
  for (const Bytes pattern : {"[0-9]{5} [a-z]+ [0-9]{5}", "\\d+ \\w+ \\d{5}$", "(\\d\\d\\d\\d\\d|x) [a-z]+ \\d{5}"}) {
    CKXRegexp re(U(pattern), long(pattern.size()), kScriptJapanese);
    const Outcome out = SearchAll(re, text, 0, nullptr, 0);
    EXPECT_EQ(100u, out.matches.size()) << pattern;
    // Lines without a match are passed over whole, false starts one by one.
    EXPECT_GE(re.GetFilterCounts().lines, 300) << pattern;
    EXPECT_GT(re.GetFilterCounts().starts, 100) << pattern;
    ExpectSameWithAndWithout(pattern, text, 0);
    ExpectSameWithAndWithout(pattern, text, 0, nullptr, 200);
  }
}

TEST(RegexpAutomaton, StyleRunsAndBlocks) {
  // ア ア|b: the second ア in a Roman run, where 83 and 41 are two
  // characters; a line that changes script is left to the matcher.
  const Bytes text = kAKata + kAKata + "b\r" + kAKata + "A\rA" + kAKata;
  CKXArrayL runs(sizeof(SKXStyl));
  AddRun(runs, 0, 0);
  AddRun(runs, 2, 3);
  AddRun(runs, 5, 0);
  AddRun(runs, 10, 3);
  for (const Bytes pattern : {"A", "Ab", "^\\x83", "[\\x41-\\x83]$", ".A", "\\x8341"})
    for (long block : {0L, 1L, 4L}) ExpectSameWithAndWithout(pattern, text, 0, &runs, block);
  CKXRegexp re(U("Ab"), 2, kScriptJapanese);
  EXPECT_EQ((Matches{{3, 2}}), SearchAll(re, text, 0, &runs, 0).matches);
}

TEST(RegexpAutomaton, MemoryAndStepsStayBounded) {
  // An automaton of 2^13 states outgrows its room again and again and
  // stops answering: the search goes on with the matcher alone.
  std::mt19937 rng(9);
  Bytes ab;
  for (int i = 1; i <= 60000; ++i) ab += i % 1000 == 0 ? Bytes("c\r") : Bytes(1, "ab"[rng() % 2]);
  CKXRegexp re(U("[ab]*a[ab]{12}c"), 15, kScriptJapanese);
  ASSERT_TRUE(re.HasAutomaton());
  EXPECT_GT(SearchAll(re, ab, 0, nullptr, 0).matches.size(), 10u);
  ExpectSameWithAndWithout("[ab]*a[ab]{12}c", ab, 0);
  // Starts that each read to the line's end use up what the search may
  // spend on them; the matcher then decides, and gives up as before.
  ExpectSameWithAndWithout("a[^\r]*b|c", Bytes(3000, 'a') + "c", 0);
}

// Random expressions over a part of the dialect the automaton reads, and
// texts of ASCII, double-byte and half-width kana with CRs.
class Generator {
 public:
  explicit Generator(unsigned seed) : mRng(seed) {}

  Bytes Pattern() {
    mGroups = 0;
    return Alternation(0);
  }

  Bytes Text() {
    static const char* const kPieces[] = {"a", "b", "A", "B", "1", "2", " ", "-", "\r", "\r", "\n", "\x82\xA0",
                                          "\x83\x41", "\x82\x60", "\x82\x81", "\xB1", "\xB6", "\xDE", "\x83\x4B",
                                          "\x82\xAA", "\xB6\xDE", "\x82\r", "\x81\x40"};
    Bytes t;
    const int n = int(mRng() % 40);
    for (int i = 0; i < n; ++i) t += kPieces[mRng() % (sizeof kPieces / sizeof kPieces[0])];
    return t;
  }

  unsigned Next(unsigned n) { return unsigned(mRng() % n); }

 private:
  Bytes Atom(int depth) {
    static const char* const kAtoms[] = {"a", "b", "A", "1", " ", "-", ".", "\\d", "\\w", "\\s", "\\W", "\\S",
                                         "\x82\xA0", "\x83\x41", "\x82\x60", "\xB1", "\xB6", "\xDE", "\x83\x4B",
                                         "\x82\xAA", "[ab]", "[^a]", "[a-c1]", "[\x82\x9F-\x82\xF1]", "[^\x83\x41" "b]",
                                         "[\xB1-\xDF]", "\\x82", "\\r", "^", "$"};
    const unsigned r = Next(100);
    if (r < 15 && depth < 3) {
      ++mGroups;
      return "(" + Alternation(depth + 1) + ")";
    }
    if (r < 17 && mGroups > 0) return "\\1";
    return kAtoms[Next(sizeof kAtoms / sizeof kAtoms[0])];
  }

  Bytes Quantified(int depth) {
    Bytes a = Atom(depth);
    if (a == "^" || a == "$") return a;
    static const char* const kQuantifiers[] = {"*", "+", "?", "{2}", "{1,3}", "{2,}", "{0,2}"};
    if (Next(100) < 40) {
      a += kQuantifiers[Next(sizeof kQuantifiers / sizeof kQuantifiers[0])];
      if (Next(4) == 0) a += "?";
    }
    return a;
  }

  Bytes Alternation(int depth) {
    Bytes out;
    const unsigned alternatives = 1 + (Next(4) == 0 ? Next(3) : 0);
    for (unsigned k = 0; k < alternatives; ++k) {
      if (k) out += "|";
      const unsigned n = 1 + Next(4);
      for (unsigned i = 0; i < n; ++i) out += Quantified(depth);
    }
    return out;
  }

  std::mt19937 mRng;
  int mGroups = 0;
};

TEST(RegexpAutomaton, RandomExpressionsFindTheSameWithAndWithout) {
  long patterns = 3000;
  if (const char* env = std::getenv("KX_RANDOM_STEPS")) patterns = std::max(1L, std::atol(env));
  Generator gen(17);
  CKXRegexp::FilterCounts counts;
  long withAutomaton = 0;
  for (long n = 0; n < patterns; ++n) {
    const Bytes pattern = gen.Pattern();
    static const short kOptions[] = {0, 0, 2, 4, 8, 14};
    const short options = kOptions[gen.Next(6)];
    CKXArrayL runs(sizeof(SKXStyl));
    const bool styled = gen.Next(5) == 0;
    Bytes text;
    for (int k = 0; k < 4; ++k) text += gen.Text();
    if (styled)
      for (std::int32_t at = 0; at < std::int32_t(text.size()); at += std::int32_t(1 + gen.Next(12)))
        AddRun(runs, at, std::int16_t(gen.Next(2) ? 3 : 0));
    withAutomaton += CKXRegexp(U(pattern), long(pattern.size()), kScriptJapanese).HasAutomaton();
    ExpectSameWithAndWithout(pattern, text, options, styled ? &runs : nullptr, long(gen.Next(3)) * 8, &counts);
    if (HasFailure()) break;
  }
  // The automaton was there for most expressions, and ruled things out.
  EXPECT_GT(withAutomaton, patterns / 2);
  EXPECT_GT(counts.lines, patterns / 2);
  EXPECT_GT(counts.starts, patterns / 2);
}

}  // namespace
