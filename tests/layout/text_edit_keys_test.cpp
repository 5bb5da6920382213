// Keys of the edit object: the lead byte waiting for its second byte, word
// and line units, held-key acceleration, and random key streams that must
// never leave the caret inside a character or store a broken code.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "layout/text_edit.h"
#include "platform/clock.h"
#include "text/codes/script.h"
#include "text_edit_fixture.h"

using kxtest::TestEdit;

namespace {

long RandomSteps(long fallback) {
  const char* env = std::getenv("KX_RANDOM_STEPS");
  const long n = env ? std::strtol(env, nullptr, 10) : 0;
  return n > 0 ? n : fallback;
}

// The first broken rule of the bytes: a lead byte without a valid second
// byte. Empty when there is none.
std::string BrokenCode(const std::string& s) {
  for (size_t k = 0; k < s.size(); ++k) {
    const auto c = (unsigned char)s[k];
    if (!KxTextCharFirst(c, kScriptJapanese)) continue;
    if (k + 1 >= s.size() || !KxTextCharSecond((unsigned char)s[k + 1], kScriptJapanese))
      return "lead byte without its second at " + std::to_string(k);
    ++k;
  }
  return {};
}

bool OnBoundary(const TestEdit& e, long pos) {
  if (pos <= 0 || pos >= e.GetLength()) return true;
  long p = 0;
  while (p < pos) p = e.GetNextCharPos(p);
  return p == pos;
}

}  // namespace

// A lead byte waits for its second; anything but a valid second byte drops
// it and is handled as a key of its own.
TEST(TextEditKeys, PendingLeadByte) {
  struct Case {
    unsigned char second;
    const char* expect;  // the text after the two keys
    long caret;
  } const cases[] = {
      {0xA0, SJ_A "xy", 2},            // joins: あ
      {kKxCharReturn, "\rxy", 1},        // Return alone
      {' ', " xy", 1},                  // a space is no second byte
      {kKxCharRightArrow, "xy", 1},           // a movement key moves
      {kKxCharBackspace, "xy", 0},       // nothing before the caret
      {0x7F, "y", 0},                   // forward Delete deletes
  };
  for (const Case& c : cases) {
    TestEdit e;
    e.SetString("xy");
    EXPECT_EQ(e.KeyIn(0x82, 0), 0) << int(c.second);
    EXPECT_EQ(e.GetPendingByte(), 0x82);
    EXPECT_EQ(e.Text(), "xy");
    e.KeyIn(c.second, 0);
    EXPECT_EQ(e.GetPendingByte(), 0);
    EXPECT_EQ(e.Text(), c.expect) << int(c.second);
    long a, b;
    e.GetSelect(a, b);
    EXPECT_EQ(b, c.caret) << int(c.second);
  }
}

TEST(TextEditKeys, UnitsOfDeletionAndMovement) {
  struct Case {
    const char* text;
    long caret;
    unsigned char key;
    char mods;
    const char* after;  // null: unchanged
    long caretAfter;
  } const cases[] = {
      {"hello world", 8, kKxCharBackspace, kKxModWord, "hello rld", 6},
      {"one two\rthree", 2, kKxCharDelete, kKxModLine, "on\rthree", 2},
      {"one two\rthree", 2, kKxCharDelete, kKxModLine | kKxModWord, "onthree", 2},
      {"one two\rthree", 10, kKxCharDelete, kKxModLine, "one two\rth", 10},
      {"one two\rthree", 10, kKxCharBackspace, kKxModLine, "one two\rree", 8},
      {"one two\rthree", 8, kKxCharBackspace, kKxModLine, nullptr, 8},
      {"ab " SJ_A SJ_A, 7, kKxCharBackspace, 0, "ab " SJ_A, 5},
      {"ab " SJ_A SJ_A, 3, kKxCharDelete, kKxModWord, "ab ", 3},
      {"  ..abc", 7, kKxCharLeftArrow, kKxModWord, nullptr, 4},
      {"  ..abc", 4, kKxCharLeftArrow, kKxModWord, nullptr, 0},  // the text starts with gaps
      {"abc..  ", 0, kKxCharRightArrow, kKxModWord, nullptr, 7},  // and ends with them
      {"abc..  ", 7, kKxCharRightArrow, kKxModWord, nullptr, 7},
      {"ab\rcd", 4, kKxCharLeftArrow, kKxModLine, nullptr, 3},
      {"ab\rcd", 0, kKxCharRightArrow, kKxModLine, nullptr, 2},
      {"ab\rcd", 3, kKxCharRightArrow, kKxModLine, nullptr, 5},
  };
  for (const Case& c : cases) {
    TestEdit e;
    e.SetString(c.text);
    e.SetSelect(c.caret, c.caret);
    e.KeyIn(c.key, c.mods);
    EXPECT_EQ(e.Text(), c.after ? c.after : c.text) << c.text << " key " << int(c.key);
    long a, b;
    e.GetSelect(a, b);
    EXPECT_EQ(b, c.caretAfter) << c.text << " key " << int(c.key) << " mods " << int(c.mods);
  }
}

// Both units scroll without moving: 1 up, 2 down, 3 left, 4 right.
TEST(TextEditKeys, BothUnitsScrollOnly) {
  TestEdit e;
  e.SetString("one\rtwo\rthree");
  e.SetSelect(2, 6);
  const unsigned char keys[] = {kKxCharUpArrow, kKxCharDownArrow, kKxCharLeftArrow, kKxCharRightArrow};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(e.KeyIn(keys[k], kKxModLine | kKxModWord), k + 1);
    long a, b;
    e.GetSelect(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 6);
  }
}

// A held Down key moves 1 line per key up to ten repeats, then 2, 4 and 8;
// a pause longer than the blink interval starts again.
TEST(TextEditKeys, HeldDownAccelerates) {
  KxFakeClock clock;
  KxSetClock(&clock);
  std::string text;
  for (int i = 0; i < 400; ++i) text += "a\r";
  TestEdit e;
  e.SetString(text);
  long line = 1;
  for (int press = 1; press <= 60; ++press) {
    e.KeyIn(kKxCharDownArrow, 0);
    clock.Advance(1);
    line += press <= 10 ? 1 : press <= 30 ? 2 : press <= 50 ? 4 : 8;
    long a, b;
    e.GetSelect(a, b);
    ASSERT_EQ(e.GetLineNo(b), line) << "press " << press;
  }
  clock.Advance(clock.blink + 1);
  e.KeyIn(kKxCharDownArrow, 0);
  long a, b;
  e.GetSelect(a, b);
  EXPECT_EQ(e.GetLineNo(b), line + 1);
  KxSetClock(nullptr);
}

// Up then Down through a short line comes back to the starting column.
TEST(TextEditKeys, RememberedColumn) {
  TestEdit e(600);
  e.SetString("a long first line\rab\ranother long line");
  for (const long start : {9L, 14L}) {
    e.SetSelect(start, start);
    e.KeyIn(kKxCharDownArrow, 0);
    e.KeyIn(kKxCharDownArrow, 0);
    e.KeyIn(kKxCharUpArrow, 0);
    e.KeyIn(kKxCharUpArrow, 0);
    long a, b;
    e.GetSelect(a, b);
    EXPECT_EQ(b, start);
    e.KeyIn(kKxCharLeftArrow, 0);  // other keys forget it
    EXPECT_EQ(e.GetRememberedX(), 0);
  }
}

// Random keys: double-byte typing (also broken off by other keys), arrows
// with every modifier, deletion by every unit. The caret stays on character
// boundaries, no broken code is stored, and the line table matches a fresh
// layout.
TEST(TextEditKeys, RandomKeyStreamsKeepCharactersWhole) {
  const long steps = RandomSteps(1500);
  const unsigned char moves[] = {kKxCharHome,  kKxCharEnd,   kKxCharPageUp, kKxCharPageDown,
                                 kKxCharLeftArrow,  kKxCharRightArrow, kKxCharUpArrow,     kKxCharDownArrow};
  const char* const typed[] = {SJ_A, SJ_KAN, SJ_BAR, SJ_MARU, "a", " ", "\r", "\t", "\xb1", "."};
  for (const bool vertical : {false, true}) {
    std::mt19937 rng(vertical ? 7 : 3);
    TestEdit e(100, RectL{0, 0, 60, 100});
    e.SetString("start " SJ_KAN SJ_A "\rline two\r\r  indent " SJ_A);
    if (vertical) e.SetVertical(1);
    e.SetAutoIndent(1);
    e.Activate();
    for (long i = 0; i < steps; ++i) {
      const int kind = int(rng() % 10);
      const char mods = char(rng() % 8);
      std::string step;
      if (kind < 4) {
        const std::string t = typed[rng() % std::size(typed)];
        for (size_t k = 0; k < t.size(); ++k) {
          // Now and then a lead byte is broken off by another key.
          if (k == 1 && rng() % 6 == 0) {
            e.KeyIn(moves[rng() % std::size(moves)], mods);
            break;
          }
          e.KeyIn((unsigned char)t[k], 0);
        }
        step = "type";
      } else if (kind < 8) {
        e.KeyIn(moves[rng() % std::size(moves)], mods);
        step = "move";
      } else {
        e.KeyIn(rng() % 2 ? kKxCharBackspace : kKxCharDelete, mods);
        step = "delete";
      }
      long a, b;
      e.GetSelect(a, b);
      const std::string text = e.Text();
      ASSERT_TRUE(OnBoundary(e, a) && OnBoundary(e, b)) << step << " step " << i << ": " << a << " " << b;
      ASSERT_EQ(BrokenCode(text), "") << step << " step " << i;
      ASSERT_EQ(e.Check(), nullptr) << step << " step " << i;
      if (i % 50 == 0) {
        TestEdit fresh(100, RectL{0, 0, 60, 100});
        fresh.SetText(&e);
        if (vertical) fresh.SetVertical(1);
        fresh.CalcText();
        ASSERT_EQ(e.Lines(), fresh.Lines()) << step << " step " << i;
      }
    }
  }
}
