// Execution of the stream editor: the mended faults, long lines and the
// matcher's cost on ordinary patterns.
#include <gtest/gtest.h>

#include <string>

#include "platform/memory.h"
#include "tools/sed_memory.h"

namespace {

std::string Sed(const std::string& script, const std::string& input, bool noPrint = false) {
  CSEDMemory sed;
  sed.SetStepBudget(100000);
  int code = sed.Run(script, input, noPrint);
  EXPECT_EQ(code, 0) << script;
  EXPECT_EQ(sed.FirstError(), 0) << sed.Messages();
  return sed.Output();
}

}  // namespace

TEST(SedRun, EmptyExpressionIsTheLastOneUsed) {
  // Bound at compile time "//" would be /b/, which always matches, and the
  // t loop would never end; the last expression used is /a/.
  CSEDMemory sed;
  sed.SetStepBudget(1000);
  EXPECT_EQ(sed.Run("/b/bx\n:y\ns//b/\nty\nb\n:x\n/a/by", "ab\n"), 0);
  EXPECT_FALSE(sed.BudgetSpent());
  EXPECT_EQ(sed.Output(), "bb\n");
  EXPECT_EQ(Sed("/a/ba\ns/b/X/\n:a\ns//A/", "a\n"), "A\n");
}

// An anchor holds whatever the expression starts with: no skip to a first
// character may move an anchored attempt off the start of the pattern space,
// and "^" never matches after an embedded LF.
TEST(SedRun, AnchorsHoldForEveryFirstAtom) {
  struct Case {
    const char* script;
    const char* input;
    const char* expected;
  };
  const Case cases[] = {
      {"s/^ab/Z/", "xab\nab\n", "xab\nZ\n"},
      {"s/^a/Z/g", "xa\naab\n", "xa\nZab\n"},
      {"s/^[ab]/Z/", "xab\nba\n", "xab\nZa\n"},
      {"s/^[^x]/Z/g", "xab\nyy\n", "xab\nZy\n"},
      {"s/^\\(a\\)b/Z\\1/", "xab\nab\n", "xab\nZa\n"},
      {"s/^.b/Z/", "xxab\nab\n", "xxab\nZ\n"},
      {"s/^a*b/Z/g", "xab\naab\n", "xab\nZ\n"},
      {"s/^a\\{2\\}/Z/", "xaa\naab\n", "xaa\nZb\n"},
      {"s/^\\(a\\)\\1/Z/", "xaa\naab\n", "xaa\nZb\n"},
      {"s/ab$/Z/", "abx\nxab\n", "abx\nxZ\n"},
      {"s/[ab]$/Z/g", "ba\n", "bZ\n"},
      // After N the anchor stays at the start of the pattern space.
      {"N;s/^ab/Z/g", "x\nab\n", "x\nab\n"},
      {"N;s/^[a]/Z/", "ab\nab\n", "Zb\nab\n"},
      {"N;s/^\\(a\\)/Z/g", "x\na\n", "x\na\n"},
      {"N;s/^./Z/g", "\na\n", "Za\n"},
      {"N;s/a$/Z/", "a\nb\n", "a\nb\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Sed(c.script, c.input), c.expected) << c.script;
  // The same anchors in addresses.
  EXPECT_EQ(Sed("/^aa/p", "=aa\naa\n", true), "aa\n");
  EXPECT_EQ(Sed("/^[a]a/p", "=aa\naa\n", true), "aa\n");
  EXPECT_EQ(Sed("/^\\(a\\)a/p", "=aa\naa\n", true), "aa\n");
  EXPECT_EQ(Sed("/^.a/p", "==aa\n=a\n", true), "=a\n");
  EXPECT_EQ(Sed("$!N;/^b/p", "a\nb\n", true), "");
  EXPECT_EQ(Sed("/^a/,/^b/p", "ca\na\ncb\nb\nx\n", true), "a\ncb\nb\n");
}

// The t flag, empty matches, numbered substitutions, N at the end and
// double-byte groups are compared with GNU sed by sed_diff_test.py.
TEST(SedRun, SubstitutionEdges) {
  EXPECT_EQ(Sed("s/a/[&]/3", "aaaa\n"), "aa[a]a\n");
  EXPECT_EQ(Sed("s/a/\\n\\t/", "a\n"), "\n\t\n");
  EXPECT_EQ(Sed("s/a/\\x26/", "a\n"), "&\n");
  EXPECT_EQ(Sed("s/\\(a\\)\\1*/X/", "aaab\n"), "Xb\n");
  EXPECT_EQ(Sed("s/a\\+/X/", "baaa\n"), "bX\n");
  EXPECT_EQ(Sed("s/ba\\?c/X/g", "bcbacbaac\n"), "XXbaac\n");
}

TEST(SedRun, ShiftJisUnits) {
  // A lead byte without a valid trail stays a unit of its own.
  EXPECT_EQ(Sed("s/./X/g", "\x82!\x82\xa0\n"), "XXX\n");
  // A trail byte that looks like a backslash is part of its character.
  EXPECT_EQ(Sed("s/\x95\x5c/T/", "\x95\x5c\x5c\n"), "T\\\n");
  EXPECT_EQ(Sed("y/\x82\xa0/a/", "\x82\xa0\x82\xa2\n"), "a\x82\xa2\n");
}

TEST(SedRun, SeveralInputsAreOneStream) {
  // Several inputs form one stream; N at the end of one reads on in the next.
  CSEDMemory sed;
  sed.mReadable["one"] = "a\nb\nc\n";
  sed.mReadable["two"] = "d\n";
  const char* args[] = {"kxsed", "N;s/\\n/+/", "one", "two"};
  try {
    sed.main(4, const_cast<char**>(args));
  } catch (const SEDExit&) {
  }
  EXPECT_EQ(sed.Output(), "a+b\nc+d\n");
  // "$" is the last line of the stream: inputs after it that are empty or
  // missing add no lines.
  for (const char* later : {"empty", "missing", "two"}) {
    CSEDMemory last;
    last.mReadable["one"] = "a\nb\n";
    last.mReadable["empty"] = "";
    last.mReadable["two"] = "c\n";
    const char* argv[] = {"kxsed", "-n", "$p", "one", later, "empty"};
    try {
      last.main(6, const_cast<char**>(argv));
    } catch (const SEDExit&) {
    }
    EXPECT_EQ(last.Output(), std::string(later) == "two" ? "c\n" : "b\n") << later;
  }
}

TEST(SedRun, WriteFiles) {
  CSEDMemory sed;
  EXPECT_EQ(sed.Run("s/a/A/w out\n/b/w out\nlw list", "a\nb\n\x01\n"), 0);
  EXPECT_EQ(sed.mWritten["out"], "A\nb\n");
  EXPECT_EQ(sed.mWritten["list"], "A\nb\n\\01\n");
}

TEST(SedRun, OverflowEndsTheRun) {
  // The hold space doubles each turn; it must end with code 22, not cut.
  CSEDMemory sed;
  sed.SetMaxLine(10000);
  EXPECT_NE(sed.Run("h\n:a\nG\nh\nba", "abcdefgh\n"), 0);
  EXPECT_EQ(sed.FirstError(), 22);
  EXPECT_EQ(sed.Output(), "");
  // A substitution whose result passes the limit.
  CSEDMemory sub;
  sub.SetMaxLine(4000);
  EXPECT_NE(sub.Run("s/a/aaaa/g", std::string(1500, 'a') + "\n"), 0);
  EXPECT_EQ(sub.FirstError(), 22);
}

TEST(SedRun, FailedGrowthEndsTheRun) {
  CSEDMemory sed;
  sed.initialize();
  kx_memtest::FailAll(true);
  int code = sed.Run("p", std::string(8000, 'x') + "\n");
  kx_memtest::Reset();
  EXPECT_NE(code, 0);
  EXPECT_EQ(sed.FirstError(), 22);
  EXPECT_EQ(sed.Output(), "");
}

TEST(SedRun, LongLinesStayLinear) {
  // 10 MB on one line: reading, a failing search with stars and a global
  // substitution must neither exhaust the stack nor go quadratic.
  std::string line;
  line.reserve(10 << 20);
  while (line.size() < (10u << 20)) line += "ab ";
  CSEDMemory sed;
  sed.SetMaxLine(1L << 24);
  EXPECT_EQ(sed.Run("s/ *$//\ns/\\(.*\\)x/\\1/\ns/a*c//\ns/b/B/g", line + "\n"), 0);
  EXPECT_EQ(sed.FirstError(), 0);
  ASSERT_EQ(sed.Output().size(), line.size());
  EXPECT_EQ(sed.Output().substr(0, 9), "aB aB aB ");
}

TEST(SedRun, StepBudgetBoundsTheWholeRun) {
  // A loop of jumps over one line.
  CSEDMemory loop;
  loop.SetStepBudget(500);
  EXPECT_NE(loop.Run(":a\nba", "a\n"), 0);
  EXPECT_TRUE(loop.BudgetSpent());
  // One search that backtracks through cubic many attempts, without a line
  // read or a jump.
  CSEDMemory search;
  search.SetStepBudget(20);
  EXPECT_NE(search.Run("s/\\(a*\\)\\(a*\\)\\(a*\\)\\1\\2\\3x//", std::string(400, 'a') + "\n"), 0);
  EXPECT_TRUE(search.BudgetSpent());
  // The budget is the run's, not each line's: many cheap lines spend it too.
  std::string lines;
  for (int k = 0; k < 300; ++k) lines += "ab\n";
  CSEDMemory many;
  many.SetStepBudget(200);
  EXPECT_NE(many.Run("s/b/c/", lines), 0);
  EXPECT_TRUE(many.BudgetSpent());
  EXPECT_EQ(many.Output().size(), 200u * 3);
}
