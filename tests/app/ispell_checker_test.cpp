// Checker programs through the Ispell pipe protocol, against a stand-in
// checker (tests/data/checkers) that counts its offsets in bytes or in
// characters, hangs, dies or answers garbage.
#include "app/ispell_checker.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

std::string Checker(const std::string& mode) {
  const char* src = std::getenv("KX_SOURCE_DIR");
  return std::string(src ? src : ".") + "/tests/data/checkers/fake_" + mode;
}

struct Range {
  long start, end;
  std::string word;
  bool operator==(const Range& o) const { return start == o.start && end == o.end && word == o.word; }
};

std::vector<Range> Check(const std::string& mode, const std::string& line) {
  KxIspellChecker c;
  EXPECT_EQ(c.Start(Checker(mode), {}, 5000), KxCheckerError::kNone) << mode;
  std::vector<KxCheckerMiss> misses;
  EXPECT_EQ(c.CheckLine(line, misses), KxCheckerError::kNone) << mode;
  std::vector<Range> out;
  for (const KxCheckerMiss& m : misses) out.push_back({m.start, m.end, m.word});
  return out;
}

TEST(IspellChecker, ByteAndCharacterOffsetsGiveTheSameByteRanges) {
  // 日本語 (9 bytes), a space, then Latin words with an accented one; the
  // same misspelling twice.
  const std::string line = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E teh na\xC3\xAFve wrod, teh\tzzxq";
  const std::vector<Range> want{{10, 13, "teh"}, {21, 25, "wrod"}, {27, 30, "teh"}, {31, 35, "zzxq"}};
  EXPECT_EQ(Check("bytes", line), want);
  EXPECT_EQ(Check("chars", line), want);
  // A line that starts with a protocol character is data, not a command.
  EXPECT_EQ(Check("bytes", "*teh"), (std::vector<Range>{{1, 4, "teh"}}));
  EXPECT_TRUE(Check("bytes", "").empty());
}

TEST(IspellChecker, GuessesComeFromTheChecker) {
  KxIspellChecker c;
  ASSERT_EQ(c.Start(Checker("bytes"), {}, 5000), KxCheckerError::kNone);
  std::vector<std::string> guesses;
  ASSERT_EQ(c.Guesses("naive", guesses), KxCheckerError::kNone);
  EXPECT_EQ(guesses, (std::vector<std::string>{"na\xC3\xAFve", "native"}));
  ASSERT_EQ(c.Guesses("right", guesses), KxCheckerError::kNone);
  EXPECT_TRUE(guesses.empty());
}

TEST(IspellChecker, FailuresAreNamedAndLeaveNoChild) {
  KxIspellChecker::SetAnswerTimeout(300);
  std::vector<KxCheckerMiss> misses;
  {
    KxIspellChecker c;
    ASSERT_EQ(c.Start(Checker("hang"), {}, 5000), KxCheckerError::kNone);
    EXPECT_EQ(c.CheckLine("teh", misses), KxCheckerError::kTimeout);
    c.End();
    EXPECT_FALSE(c.IsRunning());
  }
  {
    KxIspellChecker c;
    ASSERT_EQ(c.Start(Checker("crash"), {}, 5000), KxCheckerError::kNone);
    EXPECT_EQ(c.CheckLine("teh", misses), KxCheckerError::kDied);
    EXPECT_EQ(c.CheckLine("teh", misses), KxCheckerError::kDied);
  }
  {
    KxIspellChecker c;
    ASSERT_EQ(c.Start(Checker("garbage"), {}, 5000), KxCheckerError::kNone);
    EXPECT_EQ(c.CheckLine("teh", misses), KxCheckerError::kGarbage);
  }
  KxIspellChecker::SetAnswerTimeout(kKxCheckerAnswerMs);
  KxWordService s;
  EXPECT_EQ(KxProbeChecker(Checker("silent"), s, 300), KxCheckerError::kTimeout);
  EXPECT_EQ(KxProbeChecker("/bin/true", s, 3000), KxCheckerError::kStart);
  EXPECT_EQ(KxProbeChecker("/nonexistent", s, 3000), KxCheckerError::kStart);
  // A program that answers, but no banner.
  EXPECT_EQ(KxProbeChecker("/bin/echo", s, 3000), KxCheckerError::kGarbage);
  EXPECT_NE(KxCheckerErrorText("Fake", KxCheckerError::kTimeout).find("Fake: "), std::string::npos);
}

TEST(IspellChecker, RegisteringTakesNameArgumentsAndIcon) {
  KxWordService s;
  ASSERT_EQ(KxProbeChecker(Checker("bytes"), s), KxCheckerError::kNone);
  EXPECT_EQ(s.name, "Fake Checker 1.0");
  EXPECT_EQ(s.program, Checker("bytes"));
  EXPECT_TRUE(s.args.empty());
  EXPECT_FALSE(UWordServices::HasIcon(s));
  if (KxProbeChecker("/usr/bin/hunspell", s) == KxCheckerError::kNone) {
    EXPECT_EQ(s.name.rfind("Hunspell ", 0), 0u) << s.name;
    EXPECT_EQ(s.args, (std::vector<std::string>{"-i", "utf-8"}));
    EXPECT_TRUE(UWordServices::HasIcon(s));
  }
}

TEST(IspellChecker, IconFilesAreReadStrictly) {
  std::vector<std::pair<std::string, std::array<std::uint8_t, 32>>> icons;
  std::string one = "# comment line\nfamily\n";
  for (int r = 0; r < 16; ++r) one += r == 0 ? "#..............#\n" : "................\n";
  ASSERT_TRUE(KxParseCheckerIcons(one, icons));
  ASSERT_EQ(icons.size(), 1u);
  EXPECT_EQ(icons[0].first, "family");
  EXPECT_EQ(icons[0].second[0], 0x80);
  EXPECT_EQ(icons[0].second[1], 0x01);
  EXPECT_EQ(icons[0].second[2], 0x00);
  EXPECT_FALSE(KxParseCheckerIcons(one.substr(0, one.size() - 17), icons));   // 15 rows
  std::string wide = one;
  wide.replace(wide.find("#.............."), 1, "x");
  EXPECT_FALSE(KxParseCheckerIcons(wide, icons));
  // The program's own file holds the three families.
  EXPECT_NE(KxCheckerFamilyIcon(KxCheckerFamily::kAspell), (std::array<std::uint8_t, 32>{}));
  EXPECT_EQ(KxCheckerFamilyIcon(KxCheckerFamily::kOther), (std::array<std::uint8_t, 32>{}));
}

}  // namespace
