#include "text/find/regexp.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/exception.h"
#include "platform/script.h"

namespace {

using Bytes = std::string;
using Matches = std::vector<std::pair<long, long>>;

const unsigned char* U(const Bytes& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// Every match of a search; `automaton` false: the matcher alone.
Matches Search(const Bytes& pattern, const Bytes& text, short options = 0, bool automaton = true) {
  CKXRegexp re(U(pattern), long(pattern.size()), kScriptJapanese);
  re.UseAutomaton(automaton);
  CKXFindStyl styl(nullptr, kScriptJapanese);
  Matches out;
  const long len = long(text.size());
  bool back = options & kKXFindBackward;
  long pos = back ? -1 : 0;
  for (;;) {
    long found = -1;
    short w = re.Find1stStep(U(text), pos, len, options, found, styl);
    if (!w) break;
    std::int32_t r = re.Find2ndStep(U(text), found, len, options, styl);
    if (r > 0) out.emplace_back(found, r);
    pos = back ? found : found + (r > 0 ? r : w);
    if (back && pos == 0) break;
  }
  return out;
}

// Length of the match anchored at 0, and the captures it left.
std::int32_t Anchored(CKXRegexp& re, const Bytes& text, short options = 0) {
  CKXFindStyl styl(nullptr, kScriptJapanese);
  return re.Find2ndStep(U(text), 0, long(text.size()), options, styl);
}

Bytes Group(const CKXRegexp& re, const Bytes& text, int n) {
  std::int32_t s, len;
  if (!re.GetCapture(n, s, len)) return "<unset>";
  return text.substr(std::size_t(s), std::size_t(len));
}

TEST(Regexp, BacktrackingIntoGroupsAndAlternatives) {
  EXPECT_EQ((Matches{{0, 3}}), Search("(a|ab)c", "abc"));
  EXPECT_EQ((Matches{{0, 5}}), Search("(xa*)ab", "xaaab"));
  EXPECT_EQ((Matches{{0, 7}}), Search("(a|b)*abb", "babaabb"));
  // Captures are numbered by their opening parenthesis.
  CKXRegexp re(U("((a)(b))(c|d)"), 13, 1);
  ASSERT_EQ(3, Anchored(re, "abdx"));
  EXPECT_EQ("ab", Group(re, "abdx", 1));
  EXPECT_EQ("a", Group(re, "abdx", 2));
  EXPECT_EQ("b", Group(re, "abdx", 3));
  EXPECT_EQ("d", Group(re, "abdx", 4));
  EXPECT_EQ(4, re.GetGroupCount());
  // A group left by backtracking is unset again.
  CKXRegexp alt(U("(a)x|ab"), 7, 1);
  ASSERT_EQ(2, Anchored(alt, "ab"));
  EXPECT_EQ("<unset>", Group(alt, "ab", 1));
}

TEST(Regexp, FirstStepSeesPastOptionalStarts) {
  EXPECT_EQ((Matches{{2, 1}}), Search("(a?b)", "xxb"));
  EXPECT_EQ((Matches{{1, 1}}), Search("(x*y|z)", "ay"));
  EXPECT_EQ((Matches{{0, 2}}), Search("^?b", "?b"));   // "?" after "^" is a literal
  EXPECT_EQ((Matches{{2, 2}}), Search("(^|c)?d", "abcd"));
  EXPECT_EQ((Matches{{1, 2}}), Search("(a|)*\\1?bc", "xbc"));
}

TEST(Regexp, QuantifiersNest) {
  EXPECT_EQ((Matches{{0, 6}}), Search("(a{2}){3}", "aaaaaaa"));
  EXPECT_EQ(Matches{}, Search("(a{2}){3}", "aaaaa"));
  EXPECT_EQ((Matches{{0, 4}}), Search("(a+)?b", "aaab"));
  EXPECT_EQ((Matches{{0, 1}}), Search("(a+)?b", "b"));
  EXPECT_EQ((Matches{{0, 8}}), Search("((ab){1,2}){2}", "abababab"));
  EXPECT_EQ((Matches{{0, 3}}), Search("(a*)*b", "aab"));
}

TEST(Regexp, LazyForms) {
  EXPECT_EQ((Matches{{0, 3}, {3, 3}}), Search("a.+?b", "axbaxbb"));
  EXPECT_EQ((Matches{{0, 4}, {4, 3}}), Search("<.{1,5}?>", "<ab><c>"));
  // An empty match counts as none, so the lazy forms take one more.
  EXPECT_EQ((Matches{{0, 1}, {1, 1}}), Search("a*?", "aa"));
  EXPECT_EQ((Matches{{0, 1}}), Search("a??", "a"));
  EXPECT_EQ(Matches{}, Search("x*", "yyy"));
}

TEST(Regexp, BufferEndAndLines) {
  EXPECT_EQ((Matches{{2, 1}}), Search("ab?", "xxa"));
  EXPECT_EQ((Matches{{0, 1}}), Search("a(bc)?d?", "ab"));
  // A match never crosses a CR; ^ and $ hold at CR.
  EXPECT_EQ(Matches{}, Search("a\\sb", "a\rb"));
  EXPECT_EQ((Matches{{0, 2}, {3, 2}}), Search("^..$", "ab\rcd"));
  EXPECT_EQ((Matches{{1, 1}}), Search("b$", "ab\rb c"));
  EXPECT_EQ((Matches{{0, 2}}), Search("[^x]+", "ab\r"));
  EXPECT_EQ((Matches{{3, 1}}), Search("^*", "ab\r*"));
}

TEST(Regexp, LongLinesNeedNoDeepStack) {
  Bytes line(10 * 1024 * 1024, 'a');
  EXPECT_EQ((Matches{{0, long(line.size())}}), Search(".*", line));
  line.resize(1024 * 1024);
  EXPECT_EQ((Matches{{0, long(line.size())}}), Search("a*?$", line));
  Bytes pairs;
  for (int i = 0; i < 200000; ++i) pairs += "ab";
  EXPECT_EQ((Matches{{0, long(pairs.size())}}), Search("(ab)*", pairs));
  EXPECT_EQ((Matches{{0, long(pairs.size())}}), Search("(a|b)+$", pairs));
  Bytes kana;
  for (int i = 0; i < 100000; ++i) kana += "\x82\xA0";
  EXPECT_EQ((Matches{{0, long(kana.size())}}), Search(".*\x82\xA0", kana));
}

TEST(Regexp, CountedRepeatsAndLiteralBraces) {
  CKXRegexp big(U("a{300}"), 6, 1);
  ASSERT_EQ(kKXReRepeat, big.GetRoot().type);
  EXPECT_EQ(255, big.GetRoot().min);
  EXPECT_EQ(-1, big.GetRoot().max);
  CKXRegexp upper(U("a{2,300}"), 8, 1);
  EXPECT_EQ(2, upper.GetRoot().min);
  EXPECT_EQ(-1, upper.GetRoot().max);
  EXPECT_EQ((Matches{{0, 2}}), Search("a{", "a{"));
  EXPECT_EQ((Matches{{0, 4}}), Search("a{x}", "a{x}"));
  EXPECT_EQ((Matches{{0, 4}}), Search("a{0}", "a{0}"));
  EXPECT_EQ((Matches{{0, 4}}), Search("*abc", "*abc"));
  EXPECT_EQ((Matches{{0, 3}}), Search("a{1,2}?c", "aac"));
  EXPECT_EQ((Matches{{0, 2}}), Search("a{2,1}", "aaa"));   // the maximum rises to the minimum
  EXPECT_EQ((Matches{{1, 3}}), Search(")]}", "x)]}"));
}

TEST(Regexp, Sets) {
  EXPECT_EQ((Matches{{0, 1}}), Search("[a-]", "a-"));
  EXPECT_EQ((Matches{{1, 1}}), Search("[-a]", "-a"));
  EXPECT_EQ((Matches{{0, 2}}), Search("[]a]", "a]"));   // "[]" is dropped
  EXPECT_EQ((Matches{{1, 3}}), Search("[a-c-e]+", "xbde"));
  EXPECT_EQ((Matches{{0, 2}}), Search("[\\d_]+", "1_x"));
  EXPECT_EQ((Matches{{1, 1}}), Search("[^\\w]", "a-"));
  EXPECT_EQ((Matches{{0, 1}, {2, 1}}), Search("[^a-c]", "xay"));
  EXPECT_EQ((Matches{{2, 2}}), Search("[\x82\x9F-\x82\xF1]", "ab\x82\xA0"));   // hiragana
}

TEST(Regexp, Escapes) {
  EXPECT_EQ((Matches{{1, 2}}), Search("\\t\\x41", "x\tA"));
  EXPECT_EQ((Matches{{0, 2}}), Search("\\x8140", "\x81\x40"));
  EXPECT_EQ((Matches{{0, 1}}), Search("\\cA", "\x01"));
  EXPECT_EQ((Matches{{0, 2}}), Search("\\c1", "c1"));
  EXPECT_EQ((Matches{{0, 2}}), Search("a\\", "a\\"));
  EXPECT_EQ((Matches{{0, 3}}), Search("\\D\\S\\W", "a.-"));
  EXPECT_EQ((Matches{{0, 2}}), Search("\\.\\*", ".*"));
  const Bytes esc = "\\n\\x41\\x8140\\d\\";
  long pos = 0;
  EXPECT_EQ(10, CKXRegexp::GetEscapeSequence(U(esc), long(esc.size()), pos));
  EXPECT_EQ(0x41, CKXRegexp::GetEscapeSequence(U(esc), long(esc.size()), pos));
  EXPECT_EQ(0x8140, CKXRegexp::GetEscapeSequence(U(esc), long(esc.size()), pos));
  EXPECT_EQ('d', CKXRegexp::GetEscapeSequence(U(esc), long(esc.size()), pos));
  EXPECT_EQ('\\', CKXRegexp::GetEscapeSequence(U(esc), long(esc.size()), pos));
  EXPECT_EQ(long(esc.size()), pos);
  EXPECT_EQ(0, CKXRegexp::GetEscapeSequence(U(esc), long(esc.size()), pos));
}

TEST(Regexp, BackReferences) {
  EXPECT_EQ((Matches{{0, 2}, {6, 2}}), Search("(a|b)\\1", "aa ab bb"));
  // Exact bytes, even when case is folded.
  EXPECT_EQ((Matches{{3, 2}}), Search("(a)\\1", "aA aa", 2));
  EXPECT_EQ(Matches{}, Search("(x)?\\1y", "y"));   // an unset group matches nothing
  CKXRegexp re(U("(a+)b"), 5, 1);
  const Bytes subject = "aab";   // the captures point into it
  ASSERT_EQ(3, Anchored(re, subject));
  const Bytes text = "xaab";
  long pos = 1;
  EXPECT_TRUE(re.FindGroupRef(1, U(text), long(text.size()), pos));
  EXPECT_EQ(3, pos);
  EXPECT_FALSE(re.FindGroupRef(1, U(text), long(text.size()), pos));
  EXPECT_FALSE(re.FindGroupRef(2, U(text), long(text.size()), pos));
}

TEST(Regexp, FoldingAndDoubleByteCharacters) {
  const Bytes a = "\x82\xA0", aKata = "\x83\x41", aWide = "\x82\x60";
  EXPECT_EQ((Matches{{1, 2}}), Search(a, "x" + aKata, 8));
  EXPECT_EQ(Matches{}, Search(a, "x" + aKata, 0));
  EXPECT_EQ((Matches{{0, 2}}), Search("a", aWide, 6));
  EXPECT_EQ((Matches{{0, 3}}), Search("[a-c]+", "AbC", 2));
  EXPECT_EQ(Matches{}, Search("[^a]", "A", 2));
  EXPECT_EQ((Matches{{0, 5}}), Search("x..", "x" + a + aKata));
  EXPECT_EQ((Matches{{0, 4}}), Search(aKata + "+", aKata + aKata));
  // ア's trail byte is "A", but no character of its own.
  EXPECT_EQ((Matches{{2, 1}}), Search("A", aKata + "A"));
  EXPECT_EQ((Matches{{2, 2}}), Search("\\w+", "\x83" "Aab"));   // 83 41 is ア
  EXPECT_EQ((Matches{{0, 2}}), Search("\xB6\xDE", "\xB6\xDE", 0));
  EXPECT_EQ((Matches{{0, 2}}), Search("\\x834B", "\xB6\xDE", 4));   // ｶﾞ is read as ガ
}

// Every match of a plain pattern, the model of what each folding option
// lets match.
Matches PlainSearch(const Bytes& pattern, const Bytes& text, short options) {
  const long count = UKXFind::CountFindChar(U(pattern), long(pattern.size()), options, kScriptJapanese);
  std::vector<SKXFindChar> fc(std::size_t(count) + 1);
  const long n = UKXFind::MakeFindChar(fc.data(), U(pattern), long(pattern.size()), options, kScriptJapanese);
  CKXFindStyl styl(nullptr, kScriptJapanese);
  Matches out;
  const long len = long(text.size());
  for (long pos = 0;;) {
    long found = -1;
    const short w = UKXFind::Find1stStep(U(text), pos, len, fc.data(), n, options, found, styl);
    if (!w) break;
    const std::int32_t r = UKXFind::Find2ndStep(U(text), found, len, fc.data(), n, options, styl);
    if (r > 0) out.emplace_back(found, r);
    pos = found + (r > 0 ? r : w);
  }
  return out;
}

// A character as a regular expression matches what it matches as a plain
// pattern, under every folding: width folding folds width only (a
// half-width kana is a katakana, never a hiragana), kana folding kana only.
TEST(Regexp, FoldingMatchesWhatPlainFindMatches) {
  const Bytes forms[] = {"\x82\xCD", "\x83\x6E", "\xCA",                 // は ハ ﾊ
                         "\x82\xCE", "\x83\x6F", "\xCA\xDE",             // ば バ ﾊﾞ
                         "\x82\xCF", "\x83\x70", "\xCA\xDF",             // ぱ パ ﾊﾟ
                         "\x82\xA0", "\x83\x41", "\xB1",                 // あ ア ｱ
                         "a",          "A",          "\x82\x81", "\x82\x60"};   // a A ａ Ａ
  Bytes text;
  for (const Bytes& f : forms) text += f + " ";
  for (const short options : {0, 2, 4, 8, 6, 10, 12, 14}) {
    for (const Bytes& f : forms) {
      EXPECT_EQ(PlainSearch(f, text, options), Search(f, text, options))
          << "options " << options << " pattern " << std::hex << int(std::uint8_t(f[0]));
    }
  }
  // The reported case: ﾊ under width folding alone is no は.
  EXPECT_EQ((Matches{{3, 2}, {6, 1}}), Search("\xCA", text.substr(0, 8), 4));
}

TEST(Regexp, BackwardSearch) {
  EXPECT_EQ((Matches{{6, 2}, {3, 2}, {0, 2}}), Search("a\\d", "a1 a2 a3", 1));
  CKXRegexp re(U("a"), 1, 1);
  CKXFindStyl styl(nullptr, 1);
  long found = -1;
  EXPECT_EQ(0, re.Find1stStep(U("aaa"), 0, 3, 1, found, styl));
}

TEST(Regexp, ExponentialBacktrackingGivesUp) {
  auto givesUp = [](const Bytes& pattern, const Bytes& text, bool automaton) {
    try {
      Search(pattern, text, 0, automaton);
      ADD_FAILURE() << pattern << ": no exception over " << text.size() << " bytes";
    } catch (const LException& e) {
      EXPECT_EQ(kKXFindTooComplex, e.GetErrorCode());
    }
  };
  givesUp("((a*)*)*b", std::string(40, 'a'), false);
  // The automaton sees at once that no "b" follows; where a match does
  // start, the matcher may still spend too long on the alternatives before it.
  EXPECT_EQ(Matches{}, Search("((a*)*)*b", std::string(40, 'a')));
  givesUp("((a*)*)*c|a", std::string(40, 'a'), true);
  // The steps belong to the whole search, not to each candidate: every line
  // of 18 "a" costs about half a million steps to fail, which no single
  // candidate could spend alone, but a text of such lines ends the search
  // after the allowance and what its bytes earn.
  std::string lines;
  for (int i = 0; i < 4; ++i) lines += std::string(18, 'a') + "\r";
  std::string many;
  while (many.size() < 4000) many += lines;
  for (const std::string& text : {lines, many}) {
    givesUp("(a*)*b", text, false);
    EXPECT_EQ(Matches{}, Search("(a*)*b", text));
  }
  // With a match in every line the automaton leaves each start to the
  // matcher, and the allowance runs out as before.
  std::string ending;
  while (ending.size() < 4000) ending += std::string(18, 'a') + "-\r";
  givesUp("(a*)*c|a+-", ending, true);
  EXPECT_EQ(Matches{}, Search("(a*)*b", std::string(17, 'a')));
  // A failed run of "a" is not tried again from each of its bytes.
  EXPECT_EQ(Matches{}, Search("a+b", std::string(300000, 'a')));
  EXPECT_EQ((Matches{{1, 300000}}), Search("(.*)b", "\r" + std::string(299999, 'a') + "b"));
  // Stacked quantifiers collapse into one loop: fast to fail.
  EXPECT_EQ(Matches{}, Search("a*******b", std::string(500, 'a')));
  EXPECT_EQ((Matches{{0, 3}}), Search("a+*?c", "aac"));
}

TEST(Regexp, DeepOrOddPatternsCompile) {
  EXPECT_EQ((Matches{{0, 1}}), Search(Bytes(150, '(') + "a" + Bytes(150, ')'), "a"));
  // Beyond 200 levels the parentheses are literal characters.
  const Bytes literal = Bytes(800, '(') + "a" + Bytes(800, ')');
  EXPECT_EQ((Matches{{0, 1601}}), Search(Bytes(1000, '(') + "a" + Bytes(1000, ')'), literal));
  // Eight quantifiers stack on one item; the rest are literal characters.
  Bytes stacked = "a", literal1 = "a";
  for (int i = 0; i < 100; ++i) stacked += "{1}";
  for (int i = 0; i < 92; ++i) literal1 += "{1}";
  EXPECT_FALSE(Search(stacked, literal1).empty());
  EXPECT_EQ((Matches{{0, 2}, {2, 2}}), Search("(ab", "abab"));
  EXPECT_EQ(Matches{}, Search("()", "abc"));
  EXPECT_EQ(Matches{}, Search("^$", "\r\r"));
  EXPECT_EQ((Matches{{0, 1}}), Search("a|", "a"));
  EXPECT_EQ((Matches{{0, 1}}), Search("|a", "a"));
}

// A caller matching over a window of a longer line trusts an answer the
// matcher gives without reaching the window's end. So wherever it did not,
// the answer and the captures over every prefix of the line equal those
// over the whole line (each prefix in a buffer of its own size, so that a
// read past it is caught).
TEST(Regexp, AnAnswerThatDidNotReachTheBufferEndHoldsForAnyLongerBuffer) {
  std::mt19937 rng(17);
  const std::vector<std::pair<Bytes, short>> cases = {
      {"a+b", 0}, {"[^x]*", 0}, {"b$", 0}, {"a.*$", 0}, {"(a|b)\\1", 0}, {"(ab*)\\1", 0},
      {"a.*?b", 0}, {"a{2,3}b?", 0}, {"\x82\xA0+", 0}, {"\xB6\xDE", 4}, {"\x83\x4B+", 12},
      {"[^a]+", 2}, {"x[^x]*x", 0}, {"^b+", 0}, {"(a|\x82\xA0)+$", 8}, {"\\w+\\s", 0}};
  const char* const pieces[] = {"a", "b", "A", "x", " ", "\r", "\x82\xA0", "\x83\x41", "\xB6", "\xDE", "\x83\x4B"};
  long trusted = 0, widened = 0;
  for (int round = 0; round < 30; ++round) {
    Bytes text;
    for (int i = 0; i < 40; ++i) text += pieces[rng() % std::size(pieces)];
    const long n = long(text.size());
    for (const auto& [pattern, options] : cases) {
      CKXRegexp re(U(pattern), long(pattern.size()), kScriptJapanese);
      for (long at = 0; at < n; ++at) {
        CKXFindStyl whole(nullptr, kScriptJapanese);
        const std::int32_t want = re.Find2ndStep(U(text), at, n, options, whole);
        std::vector<Bytes> groups;
        for (int g = 0; g <= 2; ++g) groups.push_back(Group(re, text, g));
        for (long end = at + 1; end < n; ++end) {
          const std::vector<unsigned char> prefix(text.begin(), text.begin() + end);
          CKXFindStyl part(nullptr, kScriptJapanese);
          const std::int32_t got = re.Find2ndStep(prefix.data(), at, end, options, part);
          if (re.ReachedEnd()) {
            ++widened;
            continue;
          }
          ++trusted;
          ASSERT_EQ(want, got) << pattern << " at " << at << " cut at " << end << " round " << round;
          for (int g = 0; g <= 2; ++g)
            ASSERT_EQ(groups[std::size_t(g)], Group(re, text, g)) << pattern << " group " << g;
        }
      }
    }
  }
  EXPECT_GT(trusted, 0);
  EXPECT_GT(widened, 0);
}

}  // namespace
