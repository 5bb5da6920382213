// Word wrap keeps curly quotes and the apostrophe, double-byte characters
// in Shift_JIS, with the Latin word they stand by; beside Japanese text
// they break as any other double-byte character.
#include <gtest/gtest.h>

#include "layout/linebreak_fixture.h"

using namespace kxtest;

namespace {

#define SJ_LSQ "\x81\x65"  // ‘
#define SJ_RSQ "\x81\x66"  // ’
#define SJ_LDQ "\x81\x67"  // “
#define SJ_RDQ "\x81\x68"  // ”

TEST(LineBreakQuotes, QuotesStayWithTheirWords) {
  struct Case {
    const char* name;
    std::string text;
    long width;
    int mode;
    std::vector<long> starts;
  };
  // 6 points a byte, 12 a double-byte character.
  const Case cases[] = {
      {"closing apostrophe at the break", "ab friend" SJ_RSQ "s", 60, 0, {0, 3}},
      {"inside a word, after the apostrophe", "ab aujourd" SJ_RSQ "hui", 78, 0, {0, 3}},
      {"opening quote before its word", "and " SJ_LSQ "single" SJ_RSQ, 66, 0, {0, 4}},
      {"closing double quote", "ab " SJ_LDQ "quoted" SJ_RDQ, 78, 0, {0, 3}},
      {"closing quote under the push-back rule", "ab " SJ_LSQ "quotes" SJ_RSQ, 72, 2, {0, 3}},
      {"closing quote under the hanging rule", "ab " SJ_LSQ "quotes" SJ_RSQ, 72, 1, {0, 3}},
      {"nested quotes", "ab " SJ_LDQ SJ_LSQ "xy" SJ_RSQ SJ_RDQ, 72, 0, {0, 3}},
      {"a placeholder letter before the apostrophe", "ab caf\xA0" SJ_RSQ "s", 54, 0, {0, 3}},
      {"the spaces after a closing quote stay", "abcd" SJ_RDQ " x", 48, 0, {0, 7}},
      {"a quote as long as the line is split", SJ_LSQ "abcdefgh" SJ_RSQ, 60, 0, {0, 9}},
      // Beside Japanese text nothing changes.
      {"after kana", SJ_A SJ_I SJ_U SJ_RSQ SJ_E, 40, 0, {0, 6}},
      {"after kana, hanging", SJ_A SJ_I SJ_U SJ_RDQ SJ_E, 40, 1, {0, 8}},
      {"opening quote before kana", "abcde" SJ_LDQ SJ_A, 40, 0, {0, 5}},
      {"opening quote before kana, push-back", SJ_A SJ_I SJ_LSQ SJ_U SJ_E, 40, 2, {0, 4}},
      {"opening quote after a word, before a space", "abcdef" SJ_LDQ " ", 40, 0, {0, 6}},
  };
  const long kMoved = 8;  // the cases above the spaces' one move the break
  for (const bool shortWays : {true, false}) {
    CKXTextLayout::sShortWays = shortWays;
    for (const auto& c : cases) {
      Doc d(c.text);
      EXPECT_EQ(d.Starts(c.width, Style(c.mode, true)), c.starts) << c.name << (shortWays ? "" : ", the long way");
      // Without word wrap the quotes break where they fall.
      if (&c - cases < kMoved && c.mode == 0) {
        EXPECT_NE(d.Starts(c.width, Style(0, false)), c.starts) << c.name << ", no word wrap";
      }
    }
  }
  CKXTextLayout::sShortWays = true;
}

// Japanese text holds no single-byte word, so word wrap changes none of its
// breaks, quotes or not.
TEST(LineBreakQuotes, JapaneseBreaksAsWithoutWordWrap) {
  // 彼は「それは‘夢’だ」と“本当に”言った’。 twice.
  const std::string sentence =
      "\x94\xDE\x82\xCD\x81\x75\x82\xBB\x82\xEA\x82\xCD" SJ_LSQ "\x96\xB2" SJ_RSQ "\x82\xBE\x81\x76\x82\xC6" SJ_LDQ
      "\x96\x7B\x93\x96\x82\xC9" SJ_RDQ "\x8C\xBE\x82\xC1\x82\xBD" SJ_RSQ "\x81\x42";
  Doc d(sentence + sentence + "\r" + sentence);
  for (const int mode : {0, 1, 2, 3, 4})
    for (long width = 20; width <= 200; width += 7)
      EXPECT_EQ(d.Starts(width, Style(mode, true)), d.Starts(width, Style(mode, false)))
          << "mode " << mode << ", width " << width;
}

}  // namespace
