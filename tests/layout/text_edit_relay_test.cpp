// Relayout after a key that changes a line well before the caret's: a line
// whose break depended on text far past it is laid out again, as a full
// layout lays it out.
#include <gtest/gtest.h>

#include <string>

#include "text_edit_fixture.h"

using kxtest::TestEdit;

namespace {

std::string Starts(const TestEdit& e) {
  std::string s;
  for (const TestEdit::Line& l : e.Lines()) s += std::to_string(l.start) + " ";
  return s;
}

}  // namespace

TEST(TextEditRelay, LinesThatReadFarPastTheirBreakAreRelaid) {
  struct Case {
    const char* name;
    long width;
    std::uint8_t mode, wordWrap;
    SKXPara run;  // all zero: no paragraph run
    std::string text;
    long at;  // where the key goes: more than a few bytes into line 3 or later
    std::uint16_t key;
  };
  SKXPara indents{}, rightTab{};
  indents.para.leftIndent = 200;
  rightTab.para.tabCount = 1;
  rightTab.para.tabPos[0] = 400;
  rightTab.para.tabKinds = 2;  // right
  const Case cases[] = {
      // 「 may not end a line, nor the word after it be split: あ漢, 「 alone,
      // then the word split where it is. Line 1 first broke 15 letters into
      // the word; a space typed before that lets it take the word's start.
      {"kinsoku with a wrapped word", 130, 2, 1, {}, SJ_A SJ_KAN SJ_KAGI + std::string(30, 'a') + " end", 19, ' '},
      // The first line has 300 points, the rest 100: its break first fell
      // 47 letters into the word wrapped away from it.
      {"a first line with more room", 300, 0, 1, indents, "xx " + std::string(80, 'a'), 48, ' '},
      // A right tab past the line's end takes off the width of all 63
      // letters after it: one more anywhere among them moves line 1's break.
      {"a right tab measuring what follows", 130, 0, 0, rightTab, "ab\t" + std::string(63, 'c') + "\r", 60, 'c'},
  };
  for (const Case& c : cases) {
    auto load = [&](TestEdit& e, const std::string& text) {
      SKXLineStyl style;
      style.mode = c.mode;
      style.wordWrap = c.wordWrap;
      e.SetLineStyl(style, 0);
      const bool run = c.run.para.leftIndent || c.run.para.tabCount;
      e.SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, &c.run, run ? 1 : 0, nullptr, 0);
      e.CalcText();
    };
    TestEdit e(c.width);
    load(e, c.text);
    const long line2 = e.GetLineOffsetAt(2);
    ASSERT_GT(c.at, e.GetLineOffsetAt(3) + 12) << c.name;
    e.Activate();
    e.SetSelect(c.at, c.at);
    e.TypeChar(c.key);

    TestEdit fresh(c.width);
    load(fresh, e.Text());
    ASSERT_NE(fresh.GetLineOffsetAt(2), line2) << c.name << ": the key moves line 1's break";
    EXPECT_EQ(Starts(e), Starts(fresh)) << c.name;
    EXPECT_TRUE(e.Lines() == fresh.Lines()) << c.name;
    EXPECT_EQ(e.Check(), nullptr) << c.name;
  }
}
