// The literal prefilter of the forward search: the run of bytes every match
// holds is found wherever it stands in the expression, and a search that
// looks only at lines holding it finds exactly what the matcher alone finds.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/exception.h"
#include "platform/script.h"
#include "common/test_main.h"
#include "text/find/find.h"
#include "text/find/regexp.h"

namespace {

using Bytes = std::string;
using Matches = std::vector<std::pair<long, long>>;

const unsigned char* U(const Bytes& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// Every forward match, in blocks of whole lines of at least `block` bytes
// (0: one buffer) sharing one search state; gaveUp when the matcher did.
Matches Forward(CKXRegexp& re, const Bytes& text, short options, long block, bool& gaveUp) {
  CKXFindStyl styl(nullptr, kScriptJapanese);
  Matches out;
  const long len = long(text.size());
  try {
    for (long base = 0, end = len; base < len; base = end) {
      const std::size_t cr = block > 0 ? text.find('\r', std::size_t(std::min(len - 1, base + block))) : Bytes::npos;
      end = cr != Bytes::npos ? long(cr) + 1 : len;
      KxFindStylSetBase(styl, std::int32_t(base), true);
      for (long pos = 0, found = -1; short w = re.Find1stStep(U(text) + base, pos, end - base, options, found, styl);) {
        const std::int32_t r = re.Find2ndStep(U(text) + base, found, end - base, options, styl);
        if (r > 0) out.emplace_back(base + found, r);
        pos = found + (r > 0 ? r : w);
      }
    }
  } catch (const LException& e) {
    if (e.GetErrorCode() != kKXFindTooComplex) throw;
    gaveUp = true;
  }
  return out;
}

// The matches with prefilter and automaton, which must equal the matcher's
// alone; adds the lines the prefilter opened to `windows`.
Matches Compare(const Bytes& pattern, const Bytes& text, short options, long block, long* windows = nullptr) {
  CKXRegexp fast(U(pattern), long(pattern.size()), kScriptJapanese);
  CKXRegexp slow(U(pattern), long(pattern.size()), kScriptJapanese);
  slow.UsePrefilter(false);
  slow.UseAutomaton(false);
  bool slowGaveUp = false, fastGaveUp = false;
  const Matches want = Forward(slow, text, options, block, slowGaveUp);
  const Matches got = Forward(fast, text, options, block, fastGaveUp);
  if (windows) *windows += fast.GetFilterCounts().windows;
  EXPECT_FALSE(fastGaveUp && !slowGaveUp) << pattern;
  if (!slowGaveUp && !fastGaveUp) {
    EXPECT_EQ(want, got) << "pattern " << pattern << " options " << options << " block " << block << " text " << text;
  }
  return got;
}

const Bytes kA = "\x82\xA0";       // あ
const Bytes kAKata = "\x83\x41";   // ア: its trail byte is "A"
const Bytes kKaHalf = "\xB6";      // ｶ
const Bytes kMark = "\xDE";        // ﾞ

TEST(RegexpPrefilter, FindsTheRunEveryMatchHolds) {
  const std::vector<std::pair<Bytes, long>> cases = {
      {"[a-z]+ code [0-9]+", 6},        // in the middle
      {"([a-z]+)( code )([0-9]+)", 6},  // across groups
      {"\\d+ (err(or))+ \\w", 6},       // a repeated group begins and ends with its run
      {"(ab){2}x*", 4},                 // counted out
      {"x*^abc$", 3},                   // anchors take no byte
      {"\\d " + kA + kA, 5},            // double-byte characters whole
      {"(ab|cd)ef", 2},                 // alternatives hold nothing in common here
      {"(foo code|bar code) \\d", 6},   // but they end alike here
      {"a|bcd", 0},
      {"(abc)?d*", 0},                  // may be left out
      {"a\\rb", 0},                     // a CR is never matched: one common byte each side
      {"[a-z]+@[a-z]+", 1},             // a lone byte when it is rare
      {"[a-z]+Q[0-9]", 1},              // a capital letter is rare enough
      {"[a-z]+e[a-z]+", 0},             // not when it is common
      {"[a-z]+5[a-z]", 0},              // nor a digit
  };
  for (const auto& [pattern, length] : cases) {
    CKXRegexp re(U(pattern), long(pattern.size()), kScriptJapanese);
    EXPECT_EQ(length, re.GetRequiredLength()) << pattern;
  }
}

TEST(RegexpPrefilter, HitsInsideCharactersAndFoldedSearches) {
  // "AB" after ア's lead byte is no match of "[0-9]AB"; the line's real one is.
  EXPECT_EQ((Matches{{5, 3}}), Compare("[0-9]AB", "1" + kAKata + "B 2AB\r", 0, 0));
  // The rarest byte everywhere but the run itself only at the end (the search changes ways).
  Bytes many;
  for (int k = 0; k < 40; ++k) many += "1A ";
  EXPECT_EQ((Matches{{120, 3}}), Compare("[0-9]AB", many + "2AB", 0, 0));
  // A match before the hit in its line, one in a line of its own, one at the text's end.
  EXPECT_EQ((Matches{{0, 7}, {10, 7}, {18, 6}}), Compare("[a-z]+ code", "xy code q\rab code\rz code", 0, 0));
  // Folding: no byte run is asked of the text, and the folded forms match.
  EXPECT_EQ((Matches{{0, 7}}), Compare("[a-z]+ code", "ab CODE", 2, 0));
  EXPECT_EQ((Matches{{0, 4}}), Compare("x" + kA + "y", "x" + kAKata + "y", 8, 0));
  EXPECT_EQ((Matches{{1, 3}}), Compare("1\x83\x4B", "x1" + kKaHalf + kMark, 4, 0));
  // Alternatives that end alike inside a character: their common end plus
  // "B" is the run, and it begins on a second byte, where the match is.
  const Bytes kOtherA = Bytes("\x84") + "A";  // another character whose trail byte is "A"
  EXPECT_EQ((Matches{{1, 3}}), Compare("(" + kAKata + "|" + kOtherA + ")B", "x" + kAKata + "B\r", 0, 0));
  // A run that begins a character is passed over inside one: only the
  // last "Q" is a character of its own.
  const Bytes kQTrail = "\x82Q";
  EXPECT_EQ((Matches{{4, 3}}), Compare("(" + kA + "*)*Q", kQTrail + kQTrail + kA + "Q", 0, 0));
  // Blocks: a line cut by a block's end holds its run in the next.
  for (long block : {1L, 3L, 7L}) Compare("[a-z]+ code [0-9]", "a co\rxy code 1\rcode 2 zz code 3", 0, block);
}

// Random expressions around a literal run every match must hold, over
// random lines that now and then hold the run (or its bytes inside
// double-byte characters): the prefiltered search finds what the matcher
// alone finds.
TEST(RegexpPrefilter, RandomMiddleLiteralsFindTheSame) {
  std::mt19937 rng(29);
  auto pick = [&](const std::vector<Bytes>& from) { return from[rng() % from.size()]; };
  const std::vector<Bytes> atoms = {"[a-z]", "\\d", "\\w", ".", "[^ ]", "a", "b", " ", "[ab]", kA, "[" + kA + "-\x82\xF1]",
                                    "(a|bc)", "(\\d|x)", "^", "$", "\\s"};
  const std::vector<Bytes> quantifiers = {"", "", "+", "*", "?", "{2}", "{1,3}", "+?"};
  // Each with a text it matches; the alternatives end alike inside a character.
  const std::vector<std::pair<Bytes, Bytes>> literals = {
      {"AB", "AB"}, {"code", "code"}, {" co", " co"}, {"ab", "ab"}, {kAKata + "B", kAKata + "B"}, {kA + "a", kA + "a"},
      {"x" + kA, "x" + kA}, {"1-2", "1-2"}, {"A", "A"}, {"@", "@"}, {kKaHalf, kKaHalf},
      {"(" + kAKata + "|\x84" "A)B", kAKata + "B"}, {"(\x84" "A|" + kAKata + ")B", "\x84" "AB"},
      {"(\x82\xF1|" + kA + ")", kA}};
  const std::vector<Bytes> pieces = {"a", "b", "c", "o", "d", "e", " ", "1", "2", "-", "x", "A", "B", "\r", "\r", kA,
                                     kAKata, "\x82\xF1", kKaHalf, kMark, "\x84" "A", "\x89\x82"};
  const long patterns = KxRandomSteps(1500);
  long windows = 0, matches = 0;
  for (long n = 0; n < patterns && !HasFailure(); ++n) {
    auto side = [&] {
      Bytes s;
      for (unsigned k = rng() % 3; k > 0; --k) s += pick(atoms) + pick(quantifiers);
      return s;
    };
    const auto& [literal, instance] = literals[rng() % literals.size()];
    Bytes pattern = side() + "(" + literal + ")" + side();
    if (rng() % 4 == 0) pattern = "(" + side() + literal + side() + ")+" + side();
    Bytes text;
    for (unsigned k = rng() % 60; k > 0; --k) text += rng() % 6 == 0 ? instance : pick(pieces);
    static const short kOptions[] = {0, 0, 0, 2, 4, 8};
    const short options = kOptions[rng() % 6];
    matches += long(Compare(pattern, text, options, long(rng() % 3) * 6, &windows).size());
  }
  // The prefilter ran, and the searches found things.
  EXPECT_GT(windows, patterns / 4);
  EXPECT_GT(matches, patterns / 4);
}

}  // namespace
