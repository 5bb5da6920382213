#include "text/store/findstore.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/exception.h"
#include "platform/script.h"
#include "text/find/find.h"
#include "text/find/regexp.h"
#include "text/base/memory.h"
#include "text/codes/script.h"
#include "text/store/strarray.h"

namespace {

using Matches = std::vector<std::pair<long, long>>;

// A store whose chunks are cut where the test says (never inside a
// double-byte character, as the store itself keeps them).
class ChoppedStore : public CKXStrArray {
 public:
  void Chop(const std::string& text, std::mt19937& rng) {
    DeleteAll();
    long at = 0, index = 1;
    const long n = long(text.size());
    while (at < n) {
      long take = 1 + long(rng() % 6);
      if (at + take > n) take = n - at;
      long end = at + take;
      // Do not end on the first byte of a double-byte character.
      if (end < n && KxTextCharByte(text.data(), std::int32_t(end - 1), kScriptJapanese) == kByteFirst) ++end;
      SKXStr s{KxMemHAlloc(kBlockStep, true), std::int16_t(kBlockStep), std::int16_t(end - at)};
      std::copy(text.begin() + at, text.begin() + end, *s.bytes);
      InsertAt(index++, s);
      at = end;
    }
    CalcTextSize();
  }
};

Matches FindAll(const CKXStrArray& store, const std::string& pattern, short options) {
  Matches out;
  bool back = options & kKXFindBackward;
  long pos = back ? store.GetLength() : 0;
  for (int guard = 0; guard < 1000000; ++guard) {
    long found = -1;
    std::int32_t r = KxStrFind(store, pos, pattern.data(), long(pattern.size()), found, options, 1, nullptr);
    if (r <= 0) break;
    out.emplace_back(found, r);
    pos = back ? found : found + r;
    if (back && pos == 0) break;
  }
  return out;
}

std::string RandomText(std::mt19937& rng, int chars) {
  static const char* const kPieces[] = {"a", "b", "A", "B", " ", "\r", "\x82\xA0", "\x83\x41", "\x82\x60",
                                        "\x82\x81", "\xB1", "\xB6", "\xDE", "\x83\x4B", "\x82\xAA", "\xB6\xDE",
                                        // A trail byte that looks like a kana, and a semi-voiced pair.
                                        "\x83\xB6", "\xCA\xDF", "\xDF"};
  std::string t;
  for (int i = 0; i < chars; ++i) t += kPieces[rng() % (sizeof kPieces / sizeof kPieces[0])];
  return t;
}

TEST(FindStore, TinyChunksFindWhatOneBufferFinds) {
  std::mt19937 rng(5);
  const std::vector<std::pair<std::string, short>> cases = {
      {"ab", 0}, {"ab", 2}, {"aB ", 2}, {"\xB6\xDE", 4}, {"\x83\x4B", 12}, {"\x82\xA0\x83\x41", 8},
      {"a", 6}, {"\xB6", 4}, {"A\x82\xA0", 14}, {"ab", 1}, {"\x83\x41", 9},
      {"a.b", 16}, {"[ab]+", 16}, {"^b", 16}, {"a$", 16}, {"(a|b) ", 18}, {"\xB6+", 16},
      {"\x82\xA0.", 16}, {"\\s\\S", 16}, {"b.*a", 16}, {"a", 17}, {"[^a]+", 24},
      // Expressions holding a run of literals, which the first step looks
      // for before anything else.
      {"ab", 16}, {"ab", 17}, {"a b", 16}, {"b ?ab", 17}, {"\x82\xA0\x83\x41", 16},
      {"\x82\xA0\x83\x41", 17}, {"(a|b)\xB6\xDE", 16}, {"a.*ba", 16}, {"ab+a", 17}, {"ba[^\r]*\r", 16},
      // Width folding reads a half-width kana and its voiced mark as one
      // character even where a chunk's end falls between them: the pair
      // matches its full-width form, and its mark alone matches nothing.
      {"\x83\x4B", 5}, {"\xDE", 4}, {"\xDF", 5}, {"\x83\x70", 4}, {"\x83\x4B", 20}, {"\x83\x4B", 21},
      {"\xDE", 20}, {"\xDE", 21}, {"\x83\x70", 20}, {"\x83\x70", 21}, {"\xB6", 21}, {"[\xB6\x83\x4B]", 20},
      {"\x83\x4B+[ab]?", 20}, {"\x83\x4B+[ab]?", 21}, {"(\x83\x4B|\xDF)a", 28}};
  for (int round = 0; round < 20; ++round) {
    std::string text = RandomText(rng, 400);
    CKXStrArray whole;
    whole.SetText(text.data(), long(text.size()));
    ChoppedStore chopped;
    chopped.Chop(text, rng);
    ASSERT_GT(chopped.GetCount(), 50);
    ASSERT_EQ(long(text.size()), chopped.GetLength());
    for (const auto& [pattern, options] : cases) {
      Matches expect = FindAll(whole, pattern, options);
      ASSERT_EQ(expect, FindAll(chopped, pattern, options)) << pattern << " " << options << " round " << round;
    }
  }
}

TEST(FindStore, RegexpWhoseLiteralsCrossAChunkEnd) {
  // The first chunk holds 16,320 bytes: the literals start 3 bytes before its end.
  std::string text = std::string(16317, '.') + "abcdef" + std::string(300, '.');
  const std::string pair = "\x82\xA0\x83\x41";
  std::string kana = std::string(16317, '.') + pair + std::string(300, '.');
  for (const auto& [subject, pattern, length] : std::vector<std::tuple<std::string, std::string, long>>{
           {text, "abcdef", 6}, {text, "a.cdef", 6}, {text, "ab+cdef", 6}, {text, "\\.abc", 4},
           {text, "bcdef\\.+", 305}, {kana, pair, 4}, {kana, pair + "\\.", 5}}) {
    CKXStrArray store;
    store.SetText(subject.data(), long(subject.size()));
    ASSERT_GT(store.GetCount(), 1);
    const long at = pattern[0] == '\\' ? 16316 : pattern[0] == 'b' ? 16318 : 16317;
    EXPECT_EQ((Matches{{at, length}}), FindAll(store, pattern, 16)) << pattern;
    EXPECT_EQ((Matches{{at, length}}), FindAll(store, pattern, 17)) << pattern;
  }
}

TEST(FindStore, MatchesAcrossTheBoundaryOfFullChunks) {
  std::string text(40000, 'x');
  text.replace(16317, 6, "needle");
  text.replace(32700, 4, "ab\rc");
  CKXStrArray store;
  store.SetText(text.data(), long(text.size()));
  ASSERT_GT(store.GetCount(), 1);
  EXPECT_EQ((Matches{{16317, 6}}), FindAll(store, "needle", 0));
  EXPECT_EQ((Matches{{16317, 6}}), FindAll(store, "NEEDLE", 2));
  EXPECT_EQ((Matches{{16317, 6}}), FindAll(store, "n[a-z]+e", 16));
  EXPECT_EQ((Matches{{16317, 6}}), FindAll(store, "ne+dle", 17));
  // The long line ends at the CR: no match goes past it.
  EXPECT_EQ((Matches{{0, 32702}}), FindAll(store, "^x.*b$", 16));
  EXPECT_EQ(Matches{}, FindAll(store, "b\\sc", 16));
  long found = -1;
  EXPECT_EQ(0, KxStrFind(store, 0, "x", 1, found, 1, 1, nullptr));
  EXPECT_EQ(1, KxStrFind(store, 16320, "x", 1, found, 1, 1, nullptr));
  EXPECT_EQ(16316, found);
}

TEST(FindStore, CheckFindAndReplacement) {
  CKXStrArray store;
  const std::string text = "xaab yy";
  store.SetText(text.data(), long(text.size()));
  EXPECT_EQ(3, KxStrCheckFind(store, 1, 4, "(a*)b", 5, 16, 1, nullptr));
  EXPECT_EQ(3, KxStrCheckFind(store, 4, 1, "AAB", 3, 2, 1, nullptr));
  EXPECT_EQ(0, KxStrCheckFind(store, 1, 4, "ab", 2, 0, 1, nullptr));
  EXPECT_EQ(0, KxStrCheckFind(store, 2, 2, "a", 1, 0, 1, nullptr));

  char** out = KxMemHAlloc(1, true);
  long n = KxStrCheckReplaceRE(store, 1, 4, "(a*)b", 5, 16, "[\\1]&", 5, out, 1, nullptr);
  ASSERT_EQ(7, n);
  EXPECT_EQ("[aa]aab", std::string(*out, std::size_t(n)));
  EXPECT_EQ(0, KxStrCheckReplaceRE(store, 1, 4, "(a*)b", 5, 16, "x", 1, out, 1, nullptr));
  EXPECT_EQ(0, KxStrCheckReplaceRE(store, 1, 4, "(a*)b", 5, 0, "&", 1, out, 1, nullptr));
  EXPECT_EQ(0, KxStrCheckReplaceRE(store, 5, 7, "(a*)b", 5, 16, "&", 1, out, 1, nullptr));
  // Escapes give one character; a double-byte value two bytes; unset groups nothing.
  n = KxStrCheckReplaceRE(store, 1, 2, "a(x)?", 5, 16, "\\t\\x8140\\2\\1-\x83\x5C", 15, out, 1, nullptr);
  ASSERT_EQ(6, n);
  EXPECT_EQ(std::string("\t\x81\x40-\x83\x5C"), std::string(*out, std::size_t(n)));
  KxMemHFree(out);
}

// The text with every match of pattern replaced through its groups, as
// replace-all builds it: each match found, then its replacement built.
std::string ReplaceEach(const CKXStrArray& store, const std::string& text, const std::string& pattern,
                        const std::string& repl) {
  char** out = KxMemHAlloc(1, true);
  std::string all;
  long p = 0;
  for (const auto& [at, n] : FindAll(store, pattern, kKXFindRegexp)) {
    const long k = KxStrCheckReplaceRE(store, at, at + n, pattern.data(), long(pattern.size()), kKXFindRegexp,
                                       repl.data(), long(repl.size()), out, 1, nullptr);
    all.append(text, std::size_t(p), std::size_t(at - p));
    if (k != kKxReplacedByNothing) all.append(k > 0 ? std::string(*out, std::size_t(k)) : "?");
    p = at + n;
  }
  KxMemHFree(out);
  return all.append(text, std::size_t(p));
}

// A selection is matched where it stands: "^" sees whether a line starts
// there and "$" the rest of its line, so a check takes only what a search
// takes there, and a replacement the groups of that match.
TEST(FindStore, CheckFindAndReplacementReadTheSelectionInItsLine) {
  CKXStrArray store;
  std::string text = "ab\rba\rxaay";
  store.SetText(text.data(), long(text.size()));
  EXPECT_EQ("[|a]b\rb[a|]\rx[|a][|a]y", ReplaceEach(store, text, "(a)$|(a)", "[\\1|\\2]"));
  EXPECT_EQ("<a|>b\rb<|a>\rx<|a><|a>y", ReplaceEach(store, text, "(^a)|(a)", "<\\1|\\2>"));
  EXPECT_EQ(0, KxStrCheckFind(store, 7, 8, "a$", 2, kKXFindRegexp, 1, nullptr));
  EXPECT_EQ(1, KxStrCheckFind(store, 4, 5, "a$", 2, kKXFindRegexp, 1, nullptr));
  EXPECT_EQ(0, KxStrCheckFind(store, 4, 5, "^a", 2, kKXFindRegexp, 1, nullptr));
  EXPECT_EQ(1, KxStrCheckFind(store, 0, 1, "^a", 2, kKXFindRegexp, 1, nullptr));
  // Only a match that covers the selection exactly is one.
  EXPECT_EQ(0, KxStrCheckFind(store, 7, 8, "a+", 2, kKXFindRegexp, 1, nullptr));
  EXPECT_EQ(2, KxStrCheckFind(store, 7, 9, "a+", 2, kKXFindRegexp, 1, nullptr));
  char** out = KxMemHAlloc(1, true);
  EXPECT_EQ(0, KxStrCheckReplaceRE(store, 7, 9, "(a)$|(a)", 8, kKXFindRegexp, "&", 1, out, 1, nullptr));
  // A replacement that comes to nothing removes the match; it is not the
  // replacement string as it stands.
  EXPECT_EQ(kKxReplacedByNothing,
            KxStrCheckReplaceRE(store, 7, 8, "(a)$|(a)", 8, kKXFindRegexp, "\\1", 2, out, 1, nullptr));
  KxMemHFree(out);

  // Full-width spaces trimmed at both ends of each line.
  const std::string sp = "\x81\x40";
  text = sp + sp + "x" + sp + "y" + sp + "\r" + sp + "z";
  store.SetText(text.data(), long(text.size()));
  const std::string trim = "^(" + sp + "+)|(" + sp + "+)$";
  EXPECT_EQ(sp + sp + "x" + sp + "y\r" + sp + "z", ReplaceEach(store, text, trim, "\\1"));

  // Whether the match is longer than the selection, or "$" holds, shows only
  // far past the selection, over a line of many chunks or one that ends the
  // text: the check reads on until it knows.
  for (const std::string& tail : {std::string(50000, 'b') + "\r", std::string(50000, 'b'),
                                  std::string(50000, 'b') + "c"}) {
    text = "xa" + tail;
    store.SetText(text.data(), long(text.size()));
    const bool c = tail.back() == 'c';
    EXPECT_EQ(c ? 0 : 1, KxStrCheckFind(store, 1, 2, "ab*c|a", 6, kKXFindRegexp, 1, nullptr));
    EXPECT_EQ(c ? 50002 : 0, KxStrCheckFind(store, 1, 50003, "ab*c|a", 6, kKXFindRegexp, 1, nullptr));
    EXPECT_EQ(c ? "x[|a]" + tail : "x[a|]" + tail.substr(50000),
              ReplaceEach(store, text, "(a)b*$|(a)", "[\\1|\\2]"));
  }
}

// The expression kept from one search to the next answers as a freshly
// compiled one would, whatever came before it: other patterns, other fold
// options and directions, checks of single matches and group replacements.
TEST(FindStore, AKeptExpressionFindsWhatAFreshOneFinds) {
  std::mt19937 rng(11);
  const std::vector<std::string> patterns = {"[ab]+", "a.b", "(a|b) ", "\x82\xA0+", "\xB6\xDE?",
                                             "^b", "a$", "(a)(b)?", "[^a\r]+"};
  const short options[] = {16, 17, 18, 20, 24, 30, 31};
  const std::string text = RandomText(rng, 600);
  CKXStrArray store;
  store.SetText(text.data(), long(text.size()));
  char** out = KxMemHAlloc(1, true);
  auto replaced = [&](const std::string& pattern, short opt, const Matches& matches) {
    std::string all;
    for (const auto& [at, n] : matches) {
      const long k = KxStrCheckReplaceRE(store, at, at + n, pattern.data(), long(pattern.size()), opt, "<\\1&>", 5,
                                         out, 1, nullptr);
      all.append(*out, std::size_t(std::max(k, 0L))).append("|");
    }
    return all;
  };
  for (int step = 0; step < 60; ++step) {
    const std::string& pattern = patterns[rng() % patterns.size()];
    const short opt = options[rng() % (sizeof options / sizeof options[0])];
    const Matches kept = FindAll(store, pattern, opt);
    std::vector<std::int32_t> checks;
    for (const auto& [at, n] : kept)
      checks.push_back(KxStrCheckFind(store, at, at + n, pattern.data(), long(pattern.size()), opt, 1, nullptr));
    const std::string keptRepl = replaced(pattern, opt, kept);
    KxStrForgetRegexp();
    const Matches fresh = FindAll(store, pattern, opt);
    ASSERT_EQ(fresh, kept) << pattern << " " << opt << " step " << step;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
      KxStrForgetRegexp();
      EXPECT_EQ(KxStrCheckFind(store, fresh[i].first, fresh[i].first + fresh[i].second, pattern.data(),
                               long(pattern.size()), opt, 1, nullptr),
                checks[i])
          << pattern << " " << opt << " at " << fresh[i].first;
    }
    KxStrForgetRegexp();
    EXPECT_EQ(replaced(pattern, opt, fresh), keptRepl) << pattern << " " << opt;
  }
  KxMemHFree(out);
}

// A search that gives up leaves nothing half done for the next one with the
// same pattern: it finds what a freshly compiled expression finds.
TEST(FindStore, ASearchThatGivesUpLeavesTheNextOneSound) {
  const std::string pattern = "((a*)*)*c|a";
  CKXStrArray hard;
  const std::string many(40, 'a');
  hard.SetText(many.data(), long(many.size()));
  long found = -1;
  try {
    KxStrFind(hard, 0, pattern.data(), long(pattern.size()), found, 16, 1, nullptr);
    ADD_FAILURE() << "the search did not give up";
  } catch (const LException& e) {
    EXPECT_EQ(e.GetErrorCode(), kKXFindTooComplex);
  }
  CKXStrArray easy;
  const std::string text = "xaxc aac\rca";
  easy.SetText(text.data(), long(text.size()));
  const Matches after = FindAll(easy, pattern, 16);
  KxStrForgetRegexp();
  EXPECT_EQ(FindAll(easy, pattern, 16), after);
  EXPECT_FALSE(after.empty());
}

// Every match of the expression over the text held in one buffer, forward
// from 0 or backward from the end, each search going on where the last
// match left off as FindAll's do: what the store must find, whatever its
// chunks and however it copies a long line out.
Matches FindInOneBuffer(const std::string& text, const std::string& pattern, short options) {
  CKXRegexp re(reinterpret_cast<const unsigned char*>(pattern.data()), long(pattern.size()), 1);
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  const long n = long(text.size());
  const bool back = options & kKXFindBackward;
  Matches out;
  long pos = back ? n : 0;
  CKXFindStyl styl(nullptr, 1);
  for (;;) {
    long p = pos, found = -1;
    std::int32_t r = 0;
    for (;;) {
      long at = -1;
      const short w = re.Find1stStep(t, p, n, options, at, styl);
      if (w == 0) break;
      if ((r = re.Find2ndStep(t, at, n, options, styl)) > 0) {
        found = at;
        break;
      }
      p = back ? at : at + w;
    }
    if (r <= 0) break;
    out.emplace_back(found, r);
    pos = back ? found : found + r;
    if (back && pos == 0) break;
  }
  return out;
}

// Lines of tens of kilobytes over several chunks, with runs that matches
// follow for thousands of bytes: the store matches a candidate in its chunk,
// or over a window of its line copied out and widened while the matcher
// reaches its end. Windows from one byte on try every widening, and
// patterns that reach the line's end ("$", "[^x]*", ".*"), back-references
// and folding take the same matches as over the whole text.
// A character outside the text's encoding is a placeholder with a side
// entry: a placeholder in the pattern does not match it, a wildcard does,
// in short lines and in lines too long to copy out whole.
TEST(FindStore, PlaceholdersOfOtherCharactersMatchOnlyWildcards) {
  const std::string circle = "\x81\xFC";  // the placeholder's own character
  for (long rest : {10L, 300000L}) {
    const std::string text = "x" + circle + "b" + circle + std::string(std::size_t(rest), 'a') + "\r";
    CKXStrArray store;
    store.SetText(text.data(), long(text.size()));
    const SKXUniChar emoji{1, 0xD83DDE00u};  // stands at the first
    store.SetUniChars(&emoji, 1);
    if (rest < 1000) {
      // A set that leaves out the placeholder's character still takes an
      // emoji after what the bytes matched.
      const std::string more = "x" + circle + "b" + circle + circle + "a\r";
      CKXStrArray two;
      two.SetText(more.data(), long(more.size()));
      const SKXUniChar emojis[] = {{1, 0xD83DDE00u}, {4, 0xD83DDE01u}};
      two.SetUniChars(emojis, 2);
      const std::string set = ".b[^" + circle + "]*";
      long at = -1;
      EXPECT_EQ(KxStrFind(two, 0, set.data(), long(set.size()), at, kKXFindRegexp, 1, nullptr), 5);
      EXPECT_EQ(at, 1);
    }
    long found = -1;
    EXPECT_EQ(KxStrFind(store, 0, ".b", 2, found, kKXFindRegexp, 1, nullptr), 3) << rest;
    EXPECT_EQ(found, 1) << rest;
    if (rest < 1000) {
      // The real one only; a line too long to copy keeps the bytes' answer.
      EXPECT_EQ(KxStrFind(store, 0, circle.data(), 2, found, kKXFindRegexp, 1, nullptr), 2);
      EXPECT_EQ(found, 4);
    }
    EXPECT_EQ(KxStrFind(store, 0, circle.data(), 2, found, 0, 1, nullptr), 2) << rest;
    EXPECT_EQ(found, 4) << rest;
  }
}

// Searching a text that holds characters outside its encoding finds what
// searching the same text finds with each of them written as a code no
// pattern names: the model of the rule above, through plain and regular
// finds forward and backward.
TEST(FindStore, OtherCharactersFindAsCodesNoPatternNames) {
  std::mt19937 rng(11);
  const std::string circle = "\x81\xFC";
  const std::vector<std::pair<std::string, short>> cases = {
      {circle, 0}, {circle, 1}, {"a" + circle, 0}, {circle, 16}, {circle, 17}, {"." + circle, 16},
      {circle + ".", 16}, {"b.*" + circle, 16},
      {"(a|" + circle + ")+", 16}, {".", 16}, {"..b", 17}, {"[a" + circle + "]+b", 16}, {circle + "+$", 16}};
  for (int round = 0; round < 40; ++round) {
    std::string text, masked;
    std::vector<SKXUniChar> sides;
    for (int i = 0; i < 60; ++i) {
      switch (rng() % 6) {
        case 0: text += "a"; masked += "a"; break;
        case 1: text += "b"; masked += "b"; break;
        case 2: text += "\r"; masked += "\r"; break;
        case 3: text += circle; masked += circle; break;  // a real one
        default:
          sides.push_back(SKXUniChar{std::int32_t(text.size()), 0xD83DDE00u + std::uint32_t(rng() % 4)});
          text += circle;
          masked += "\xEF\x40";
      }
    }
    CKXStrArray store, model;
    store.SetText(text.data(), long(text.size()));
    if (!sides.empty()) store.SetUniChars(sides.data(), long(sides.size()));
    model.SetText(masked.data(), long(masked.size()));
    for (const auto& [pattern, options] : cases)
      EXPECT_EQ(FindAll(store, pattern, options), FindAll(model, pattern, options))
          << pattern << " " << options << " round " << round;
  }
}

TEST(FindStore, LongLinesFindWhatOneBufferFinds) {
  std::mt19937 rng(23);
  const char* const pieces[] = {"a", "b", "x", " ", "\x82\xA0", "\x83\x41", "\xB6", "\xDE", "\x83\x4B"};
  auto text = [&] {
    std::string t;
    while (t.size() < 50000) {
      const unsigned roll = rng() % 1000;
      if (roll < 2) t += '\r';
      else if (roll < 8) t.append(std::size_t(rng() % 9000), "ab\x82\xA0"[rng() % 3]);   // a long run
      else t += pieces[rng() % std::size(pieces)];
    }
    return t;
  };
  const std::vector<std::pair<std::string, short>> cases = {
      {"a+b", 16}, {"b+$", 16}, {"x[^x]*", 16}, {"[^x\r]*$", 16}, {"x.*", 16}, {"(a|b)x\\1", 16},
      {"(b|a)\\1+", 16}, {"x.*?b", 16}, {"\x82\xA0{3,}x", 16}, {"\xB6\xDE+", 20}, {"\x83\x4B[^x]*$", 28},
      {"^a+", 16}, {"b+", 17}, {"x[^x]*$", 17}, {"(x|b)\\1", 17}, {"\x82\xA0+b?", 18}};
  const long was = KxStrSetFirstRegexpWindow(4096);
  for (int round = 0; round < 2; ++round) {
    const std::string t = text();
    CKXStrArray store;
    store.SetText(t.data(), long(t.size()));
    ASSERT_GT(store.GetCount(), 3);
    for (const auto& [pattern, options] : cases) {
      const Matches expect = FindInOneBuffer(t, pattern, options);
      for (const long window : {1L, 3L, 700L, 4096L}) {
        KxStrSetFirstRegexpWindow(window);
        ASSERT_EQ(expect, FindAll(store, pattern, options))
            << pattern << " " << options << " window " << window << " round " << round;
      }
    }
  }
  KxStrSetFirstRegexpWindow(was);
}

// Lines that cross chunk ends, as a text of real lines lies in the store:
// such a line is searched over one copy holding its CR, as over one buffer.
// Candidates matched one by one there would read the line to its end each,
// which over lines of thousands of candidates gives up as too complex.
TEST(FindStore, LinesAcrossChunkEndsFindWhatOneBufferFinds) {
  const std::string no = "\x82\xCC", ha = "\x82\xCD", ga = "\x82\xAA", kata = "\x83\x6E", half = "\xCA";
  const char* const pieces[] = {"\x82\xCC", "\x82\xCD", "\x82\xAA", "\x83\x6E", "\xCA", "\x88\x9F", "a", " "};
  std::mt19937 rng(31);
  // The first line ends on the first chunk's last byte: the next starts a chunk.
  std::string t = std::string(CKXStrArray::kFillChunk - 1, 'a') + "\r";
  while (t.size() < 70000) {
    const unsigned roll = rng() % 100;
    // Short lines, lines of thousands of bytes, and lines longer than a chunk.
    const std::size_t n = roll < 70 ? 20 + rng() % 400 : roll < 95 ? 2000 + rng() % 4000 : 17000;
    std::string line;
    while (line.size() < n) line += roll % 7 == 0 ? no : pieces[rng() % std::size(pieces)];
    if (rng() % 5 == 0) line.insert(line.size() / 2, "Q");
    t += line + "\r";
  }
  // Backward searches match each candidate on its own, over the store as
  // over one buffer: only patterns that stay cheap that way go backward too.
  const std::pair<std::string, bool> cases[] = {{"(" + no + "|" + ha + "|" + ga + ").*Q", false},
                                                {ha + "[^Q\r]*Q", false},
                                                {"^(" + no + "|" + ha + ").*" + ga + "$", false},
                                                {"(" + no + ")\\1" + ha, true},
                                                {"Q.*" + kata + "$", true},
                                                {half + "+a", true},
                                                {"(" + ha + "|a)[^\r]{300}", false}};
  CKXStrArray store;
  store.SetText(t.data(), long(t.size()));
  ASSERT_GT(store.GetCount(), 4);
  SKXStr first;
  store.GetAt(1, first);
  ASSERT_EQ(CKXStrArray::kFillChunk, first.len);
  for (const auto& [pattern, backward] : cases) {
    for (const short options : {16, 20, 24, 28})
      ASSERT_EQ(FindInOneBuffer(t, pattern, options), FindAll(store, pattern, options)) << pattern << " " << options;
    if (backward) {
      EXPECT_EQ(FindInOneBuffer(t, pattern, 17), FindAll(store, pattern, 17)) << pattern;
    }
  }
}

// A pattern the matcher finds hard, over lines that cross chunk ends: the
// first step passes over each such line whole (its copy holds no "b"), where
// matching its candidates in place spent the search's whole allowance again
// at every chunk. The search's work, counted by its polls, stays in
// proportion to the text, and the one match at the end is found.
long gPolls = 0;
bool CountPoll() {
  ++gPolls;
  return false;
}

TEST(FindStore, AHardPatternOverLinesAcrossChunkEndsWorksInProportion) {
  std::string t;
  while (t.size() < 300000) t += std::string(1000, 'a') + "\r";
  const long match = long(t.size()) + 1;
  t += "xaaab\r";
  CKXStrArray store;
  store.SetText(t.data(), long(t.size()));
  ASSERT_GT(store.GetCount(), 10);
  gPolls = 0;
  const KxFindCancelCheck was = KxSetFindCancelCheck(&CountPoll);
  const Matches found = FindAll(store, "(a*)*b", 16);
  KxSetFindCancelCheck(was);
  EXPECT_EQ(Matches({{match, 4}}), found);
  EXPECT_LT(gPolls * long(kKXFindPollEvery), 4 * long(t.size())) << gPolls << " polls";
}

}  // namespace
