// Errors 1-25 of the stream editor, each provoked once. What compiled
// scripts do is compared with GNU sed by sed_diff_test.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "tools/sed_memory.h"

namespace {

// Runs a script over a small input and returns the first error reported.
int ErrorOf(const std::string& script, const std::string& input = "a\n") {
  CSEDMemory sed;
  sed.Run(script, input);
  return sed.FirstError();
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int k = 0; k < n; ++k) out += s;
  return out;
}

// Reaches engine state that scripts cannot reach within the other limits.
class CSEDProbe : public CSEDMemory {
 public:
  void FillNumbers() { mNumberCount = kSedMaxNumbers; }
  void MatchOps(const std::vector<SEDunit>& re) {
    Len(kPat) = 1;
    Line(kPat)[0] = 'a';
    match(re.data(), 0);
  }
};

int MainError(std::vector<const char*> args) {
  CSEDMemory sed;
  try {
    sed.main(int(args.size()), const_cast<char**>(args.data()));
  } catch (const SEDExit&) {
  }
  return sed.FirstError();
}

}  // namespace

// {script, first error}: malformed addresses (1), commands (2, 13, 20),
// addresses a command does not take (4, 5), and scripts that must compile.
TEST(SedCompile, ScriptErrors) {
  const std::pair<const char*, int> cases[] = {
      {"/abc", 1},          {"1,p", 1},         {"/\\(a/p", 1},       {"1:a", 4},          {"/x/}", 4},
      {"/x/,/y/=", 5},      {"1,2q", 5},        {"1,2r f", 5},         {"s/a/b", 2},        {"s", 2},
      {"s/[a/b/", 2},       {"s/\\(a\\)*//", 2}, {"s/\\(a\\)\\{2\\}//", 2}, {"s/\\(*a\\)//", 2},
      {"s/x/\\2/", 2},      {"s/\\(x\\)/\\1\\1/", 0}, {"s/a\\{0,0\\}//", 2}, {"s/a\\{99999999999,5\\}//", 0},
      {"s/\\1\\(a\\)//", 2}, {"s/a\\)//", 2},     {"s/a/b/0", 2},        {"y/abc/xy/", 2},    {"y/abc/xyzw/", 2},
      {"y/\\n/ /", 0},      {"s/a*//", 0},      {"s/*a//", 0},         {"p x", 20},         {"k", 13},
      {"1", 13},            {"/a/{p", 11},      {"}", 14},             {":a\n:a", 15},      {"b nowhere", 10},
      {"b later\n:later", 0}, {"s//x/", 12},    {"/a/s//x/", 0},
  };
  for (const auto& [script, error] : cases) EXPECT_EQ(ErrorOf(script), error) << script;
  EXPECT_EQ(ErrorOf(Repeat("{", 20) + Repeat("}", 20)), 0);
  EXPECT_EQ(ErrorOf(Repeat("{", 21) + Repeat("}", 21)), 11);
}

TEST(SedCompile, PoolLimits) {
  // Text pool: long texts fill the 30000 bytes.
  std::string texts;
  for (int k = 0; k < 20; ++k) texts += "a\\\n" + Repeat("x", 2000) + "\n";
  EXPECT_EQ(ErrorOf(texts), 3);
  // 254 commands fit, the 255th does not.
  EXPECT_EQ(ErrorOf(Repeat("h\n", 254)), 0);
  EXPECT_EQ(ErrorOf(Repeat("h\n", 255)), 6);
  // 48 labels fit, the 49th name does not.
  std::string labels;
  for (int k = 0; k < 48; ++k) labels += ":l" + std::to_string(k) + "\n";
  EXPECT_EQ(ErrorOf(labels), 0);
  EXPECT_EQ(ErrorOf(labels + ":l48\n"), 16);
  // An expression passing 256 units.
  EXPECT_EQ(ErrorOf("s/" + Repeat("a", 126) + "//"), 0);
  EXPECT_EQ(ErrorOf("s/" + Repeat("a", 130) + "//"), 18);
  // The line-number table is full before the command pool only by hand.
  CSEDProbe sed;
  sed.initialize();
  sed.FillNumbers();
  try {
    sed.e_compile("1p");
  } catch (const SEDExit&) {
  }
  EXPECT_EQ(sed.FirstError(), 19);
}

TEST(SedCompile, Files) {
  std::string writes;
  for (int k = 1; k <= 9; ++k) writes += "w f" + std::to_string(k) + "\n";
  EXPECT_EQ(ErrorOf(writes), 0);
  EXPECT_EQ(ErrorOf(writes + "w f10\n"), 17);
  // A write file that cannot be created (real files).
  CSEDHost host;
  host.initialize();
  try {
    host.e_compile("w /nonexistent-dir/kxsed/out");
  } catch (const SEDExit& e) {
    EXPECT_EQ(e.code, 2);
  }
  EXPECT_EQ(host.FirstError(), 9);
  host.terminate();
}

TEST(SedCompile, Options) {
  EXPECT_EQ(MainError({"kxsed", "-f", "missing-script"}), 7);
  EXPECT_EQ(MainError({"kxsed", "-f"}), 7);
  EXPECT_EQ(MainError({"kxsed", "-z", "p"}), 8);
}

TEST(SedCompile, RunTimeCodes) {
  // 21: an input file that cannot be opened contributes no lines.
  EXPECT_EQ(MainError({"kxsed", "p", "no-such-input"}), 21);
  // 22: a line longer than the line buffers may grow.
  {
    CSEDMemory sed;
    sed.SetMaxLine(4000);
    EXPECT_NE(sed.Run("p", std::string(5000, 'x') + "\n"), 0);
    EXPECT_EQ(sed.FirstError(), 22);
  }
  // 23 and 24: the append queue holds 20 entries per cycle.
  EXPECT_EQ(ErrorOf(Repeat("a\\\nx\n", 20)), 0);
  EXPECT_EQ(ErrorOf(Repeat("a\\\nx\n", 21)), 23);
  EXPECT_EQ(ErrorOf(Repeat("r f\n", 21)), 24);
  // A full queue is reported once, with the line number; the run goes on
  // with the texts that fit.
  {
    CSEDMemory sed;
    EXPECT_EQ(sed.Run(Repeat("a\\\nx\n", 21) + "s/2/two/", "1\n2\n"), 0);
    EXPECT_EQ(sed.FirstError(), 23);
    EXPECT_EQ(sed.FirstFailure(), 0);
    EXPECT_EQ(sed.Output(), "1\n" + Repeat("x\n", 20) + "two\n" + Repeat("x\n", 20));
    EXPECT_EQ(std::count(sed.Messages().begin(), sed.Messages().end(), '\n'), 1) << sed.Messages();
  }
  // 25: an opcode the matcher does not know (a star on a group start).
  CSEDProbe sed;
  sed.initialize();
  try {
    sed.MatchOps({0, kSedBRA | kSedSTAR, 0, kSedEND});
  } catch (const SEDExit& e) {
    EXPECT_EQ(e.code, 1);
  }
  EXPECT_EQ(sed.FirstError(), 25);
}
