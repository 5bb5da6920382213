// Actions keep the edit object's marks: undo gives a text back the marks
// it had (names and ranks), also when the edit replaced them all, and
// redo the ones the edit left.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/test_main.h"
#include "engine_fixture.h"
#include "layout/kxte_api.h"
#include "layout/kxtext_handle.h"
#include "layout/text_edit_ex.h"

namespace {
using kxtest::EngineTest;
using kxtest::EngineWindow;
using kxtest::TestEngine;

class EngineMarksTest : public EngineTest {};

std::string Marks(TestEngine& e) {
  std::string out;
  for (long k = 1; k <= KXTE_GetMarkCount(e.GetEdit()); ++k) {
    long start = 0, end = 0;
    KXTE_GetMarkRange(e.GetEdit(), k, start, end);
    unsigned char name[256] = {};
    KXTE_GetMarkString(e.GetEdit(), k, name);
    out += std::to_string(start) + "-" + std::to_string(end) + ":" +
           std::string(reinterpret_cast<char*>(name + 1), name[0]) + "/" +
           std::to_string(KXTE_GetMarkRank(e.GetEdit(), k)) + " ";
  }
  return out;
}

std::string Text(TestEngine& e) {
  const SKXRange all = e.GetTotalRange();
  std::string s(std::size_t(all.length), '\0');
  e.TextGetThruPtr(all, s.data(), all.length);
  return s;
}
}  // namespace

TEST_F(EngineMarksTest, ReplacedTextAndMarksComeBackInOneUndo) {
  EngineWindow w;
  TestEngine& e = *w.engine;
  e.SetText("alpha\rbeta\rgamma");
  KXTE_InsertMark(e.GetEdit(), 0, 5, reinterpret_cast<const unsigned char*>("\x01" "A"));
  KXTE_InsertMark(e.GetEdit(), 11, 16, reinterpret_cast<const unsigned char*>("\x01" "G"));
  KXTE_SetMarkRank(e.GetEdit(), 2, 2);
  const std::string before = Marks(e);
  ASSERT_EQ(before, "0-5:A/0 11-16:G/2 ");
  // The whole text replaced, then the new marks set: one step back.
  std::unique_ptr<CKXText> out = std::make_unique<CKXText>();
  out->SetText("one\rtwo", 7, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  e.DoReplaceExt(e.GetTotalRange(), KXHandleAccess::Wrap(out.get()), 15);
  KXMarkSet marks(1);
  marks[0].start = 4;
  marks[0].length = 3;
  marks[0].rank = 1;
  marks[0].name = {2, 'T', 'w'};
  e.SetMarks(marks);
  EXPECT_EQ(Text(e), "one\rtwo");
  EXPECT_EQ(Marks(e), "4-7:Tw/1 ");
  EXPECT_EQ(w.undoer->CountUndo(), 1u);
  e.Undo();
  EXPECT_EQ(Text(e), "alpha\rbeta\rgamma");
  EXPECT_EQ(Marks(e), before);
  e.Redo();
  EXPECT_EQ(Text(e), "one\rtwo");
  EXPECT_EQ(Marks(e), "4-7:Tw/1 ");
  // A text without marks gets none back either.
  e.Undo();
  KXMarkSet none;
  e.SetMarks(none);
  EXPECT_EQ(Marks(e), "");
}

TEST_F(EngineMarksTest, MarksOutOfTheTextAreHeldToIt) {
  EngineWindow w;
  TestEngine& e = *w.engine;
  e.SetText("short");
  KXMarkSet marks(2);
  marks[0].start = 3;
  marks[0].length = 100;
  marks[0].name = {9, 'x'};   // a length byte past its bytes
  marks[1].start = -5;
  marks[1].length = 2;
  e.SetMarks(marks);
  EXPECT_EQ(Marks(e), "0-0:/0 3-5:x/0 ");
}

// Every mark put back takes its own rank: a level-0 mark after a deeper one
// stays at level 0 (the edit object gives a new mark the rank before it),
// whether the set is put directly or undo puts it back.
TEST_F(EngineMarksTest, PutBackMarksKeepTheirOwnLevels) {
  EngineWindow w;
  TestEngine& e = *w.engine;
  e.SetText("one\rtwo\rthree\rfour\rfive");
  const auto add = [&](long from, long to, const char* name, short rank) {
    KXTE_InsertMark(e.GetEdit(), from, to, reinterpret_cast<const unsigned char*>(name));
    KXTE_SetMarkRank(e.GetEdit(), KXTE_GetMarkCount(e.GetEdit()), rank);
  };
  add(0, 3, "\x01" "A", 1);
  add(4, 7, "\x01" "B", 3);
  add(8, 13, "\x01" "C", 4);
  add(14, 18, "\x01" "D", 0);
  const std::string all = Marks(e);
  ASSERT_EQ(all, "0-3:A/1 4-7:B/3 8-13:C/4 14-18:D/0 ");
  KXMarkSet marks;
  e.GetMarks(marks);
  e.SetMarks(marks);
  EXPECT_EQ(Marks(e), all);

  e.SetSelectionRange({9, 15}, false);
  e.DoDelete();
  ASSERT_EQ(Marks(e), "0-3:A/1 4-7:B/3 8-9:C/4 ");
  e.Undo();
  EXPECT_EQ(Marks(e), all);
}

namespace {
std::string Markups(TestEngine& e) {
  std::string out;
  const CKXTextEditEx& edit = *KXHandleAccess::Edit(e.GetEdit());
  for (long k = 1; k <= edit.GetMarkupCount(); ++k) {
    long start = 0, end = 0;
    edit.GetMarkupRangeAt(k, start, end);
    out += std::to_string(start) + "-" + std::to_string(end) + " ";
  }
  return out;
}
}  // namespace

// Replace-all over marks and markups that its matches meet (on a match,
// across one's start or end, empty at its end, nested outline levels)
// gives the text, marks, levels and markups that editing each match in
// turn in the edit object gives; undo brings back the text and its marks,
// redo the result.
TEST_F(EngineMarksTest, ReplaceAllMovesMarksAsEditingMatchByMatchDoes) {
  std::mt19937 rng(2123);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const char kAlphabet[] = "ab\rc";
  const long steps = KxRandomSteps(150);
  for (long step = 0; step < steps; ++step) {
    std::string text, find, repl;
    for (int n = pick(1, 50); n > 0; --n) text += kAlphabet[pick(0, 3)];
    for (int n = pick(1, 2); n > 0; --n) find += kAlphabet[pick(0, 1)];
    for (int n = pick(0, 3); n > 0; --n) repl += kAlphabet[pick(0, 3)];
    std::vector<long> at;  // the matches in the text as given
    for (std::size_t p = text.find(find); p != std::string::npos; p = text.find(find, p + find.size()))
      at.push_back(long(p));
    EngineWindow w[2];
    for (EngineWindow& x : w) x.engine->SetText(text);
    // Marks start at or near matches; levels follow an outline, a group
    // opened now and then.
    short level = 0;
    for (long from = 0, k = 0; k < long(at.size()); ++k) {
      const long start = std::max(from, at[std::size_t(k)] + pick(-2, 2));
      const long end = std::min<long>(long(text.size()), start + pick(0, 1) * pick(0, 4));
      if (start > long(text.size()) || pick(0, 2) == 0) continue;
      const short rank = short(pick(0, 3) == 0 ? level + 1 : level);
      level = short(rank & 1 ? rank + 1 : pick(0, 1) ? std::max(0, level - 2) : level);
      const unsigned char name[] = {1, std::uint8_t('a' + k % 26)};
      for (EngineWindow& x : w) {
        KXTE_InsertMark(x.engine->GetEdit(), start, end, name);
        KXTE_SetMarkRank(x.engine->GetEdit(), KXTE_GetMarkCount(x.engine->GetEdit()), rank);
        if (pick(0, 1) == 0 && end > start) KXTE_InsertMarkup(x.engine->GetEdit(), start, end);
      }
      from = end + 1;
    }
    // The same markups in both: drawn once, put in each.
    std::vector<std::pair<long, long>> markups;
    for (long k = 0; k < long(at.size()); ++k)
      if (pick(0, 1)) markups.push_back({at[std::size_t(k)] + pick(-1, 1), at[std::size_t(k)] + pick(1, 3)});
    for (EngineWindow& x : w) {
      KXTE_DeleteMarkup(x.engine->GetEdit(), 0, long(text.size()));
      for (const auto& m : markups)
        KXTE_InsertMarkup(x.engine->GetEdit(), std::max(0L, m.first), std::min<long>(m.second, long(text.size())));
      KXTE_CalcText(x.engine->GetEdit());
    }
    const std::string where = "step " + std::to_string(step) + " " + find + "->" + repl;
    const std::string marksBefore = Marks(*w[0].engine);
    ASSERT_EQ(Marks(*w[1].engine), marksBefore) << where;
    long delta = 0;
    for (long p : at) {
      KXText_Delete(w[1].engine->GetEdit(), p + delta, p + delta + long(find.size()));
      KXText_InsertText(w[1].engine->GetEdit(), p + delta, repl.data(), long(repl.size()), nullptr, 0, nullptr, 0,
                        nullptr, 0);
      delta += long(repl.size()) - long(find.size());
    }
    TestEngine& e = *w[0].engine;
    EXPECT_EQ(e.DoReplaceAll(find.data(), long(find.size()), repl.data(), long(repl.size()), 0), long(at.size()));
    const std::string text1 = Text(e), marks1 = Marks(e), markups1 = Markups(e);
    ASSERT_EQ(text1, Text(*w[1].engine)) << where;
    ASSERT_EQ(marks1, Marks(*w[1].engine)) << where;
    ASSERT_EQ(markups1, Markups(*w[1].engine)) << where;
    EXPECT_EQ(KXHandleAccess::Edit(e.GetEdit())->CheckMarks(), "") << where;
    if (at.empty()) continue;
    e.Undo();
    EXPECT_EQ(Text(e), text) << where;
    EXPECT_EQ(Marks(e), marksBefore) << where;
    e.Redo();
    EXPECT_EQ(Text(e), text1) << where;
    EXPECT_EQ(Marks(e), marks1) << where;
  }
}
