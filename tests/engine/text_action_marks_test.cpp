// What an action keeps of the marks: the edit object moves them as
// KxMarkAfterSwap says; taking an edit back gives back the marks it changed
// and leaves those added, removed or changed later elsewhere as they stand.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "engine_fixture.h"
#include "layout/kxte_api.h"

namespace {
using kxtest::EngineTest;
using kxtest::EngineWindow;
using kxtest::TestEngine;

class ActionMarksTest : public EngineTest {};

SKXSavedMark Mark(long start, long length, const std::string& name, short rank = 0) {
  SKXSavedMark m;
  m.start = std::int32_t(start);
  m.length = std::int32_t(length);
  m.rank = rank;
  m.name.push_back(std::uint8_t(name.size()));
  m.name.insert(m.name.end(), name.begin(), name.end());
  return m;
}

std::string Show(const KXMarkSet& marks) {
  std::string out;
  for (const SKXSavedMark& m : marks)
    out += std::to_string(m.start) + "+" + std::to_string(m.length) + ":" +
           std::string(m.name.begin() + (m.name.empty() ? 0 : 1), m.name.end()) + "/" + std::to_string(m.rank) + " ";
  return out;
}

std::string Marks(TestEngine& e) {
  KXMarkSet marks;
  e.GetMarks(marks);
  return Show(marks);
}

void AddMark(TestEngine& e, long from, long to, const std::string& name, short rank = 0) {
  const std::string pascal = char(name.size()) + name;
  e.InsertMark({std::int32_t(from), std::int32_t(to - from)}, reinterpret_cast<const unsigned char*>(pascal.data()));
  long s = 0, t = 0;
  for (long k = 1; k <= KXTE_GetMarkCount(e.GetEdit()); ++k)
    if (KXTE_GetMarkRange(e.GetEdit(), k, s, t), s == from) KXTE_SetMarkRank(e.GetEdit(), k, rank);
}

}  // namespace

// The edit object's own upkeep, over random marks (empty ones too) and
// random replacements and moves, is what the actions take it to be.
TEST_F(ActionMarksTest, TheEditObjectMovesMarksAsTheSwapSays) {
  std::mt19937 rng(7);
  auto pick = [&](long lo, long hi) { return std::uniform_int_distribution<long>(lo, hi)(rng); };
  for (int round = 0; round < 400; ++round) {
    EngineWindow w;
    TestEngine& e = *w.engine;
    e.SetText(std::string(40, 'a'));
    for (long at = pick(0, 6); at < 40; at += pick(1, 9)) {
      const long end = std::min(40L, at + pick(0, 6));
      KXTE_InsertMark(e.GetEdit(), at, end, reinterpret_cast<const unsigned char*>("\x01m"));
      at = end;
    }
    KXMarkSet before, after;
    e.GetMarks(before);
    const long from = pick(0, 40), to = std::min(40L, from + pick(0, 8)), count = pick(0, 5);
    SKXTextSwap swap{from, to, from, count};
    const std::string bytes(std::size_t(count), 'b');
    KXTE_SetSelect(e.GetEdit(), from, to);
    if (to > from) KXTE_Delete(e.GetEdit());
    if (pick(0, 1)) swap.at = pick(0, 40 - (to - from));  // a move: the text goes in elsewhere
    KXTE_SetSelect(e.GetEdit(), swap.at, swap.at);
    if (count > 0) KXTE_InsertText(e.GetEdit(), bytes.data(), count);
    e.GetMarks(after);
    KXMarkSet model;
    for (const SKXSavedMark& m : before)
      if (SKXSavedMark out; KxMarkAfterSwap(m, swap, out)) model.push_back(out);
    ASSERT_EQ(Show(after), Show(model)) << "round " << round << " from " << Show(before) << " swap " << from << ".."
                                        << to << " at " << swap.at << " +" << count;
  }
}

// Whatever a text's upkeep did (here one that stretches marks over the
// edit instead of cutting them), taking the edit back and doing it again
// give the marks back exactly; a mark added far from the edit meanwhile
// stays, and one removed meanwhile stays away.
TEST(ActionMarks, TakingAnEditBackIsExactAndLeavesLaterMarksAlone) {
  std::mt19937 rng(11);
  auto pick = [&](long lo, long hi) { return std::uniform_int_distribution<long>(lo, hi)(rng); };
  for (int round = 0; round < 2000; ++round) {
    KXMarkSet before;
    for (long at = pick(0, 5); at < 60; at += pick(1, 8)) {
      before.push_back(Mark(at, pick(0, 5), std::string(1, char('a' + before.size() % 26)), short(pick(0, 3))));
      at += before.back().length;
    }
    const long from = pick(0, 60), to = std::min(60L, from + pick(0, 10)), count = pick(0, 6);
    const SKXTextSwap swap{from, to, from, count}, back{from, from + count, from, to - from};
    KXMarkSet after;
    for (const SKXSavedMark& m : before) {
      const long s = m.start, e = long(m.start) + m.length;
      if (to > from && s >= from && e <= to && m.length > 0) continue;
      auto map = [&](long p) { return p <= from ? p : p >= to ? p + count - (to - from) : from; };
      SKXSavedMark n = m;
      n.start = std::int32_t(map(s));
      n.length = std::int32_t(std::max(0L, map(e) - n.start));
      after.push_back(n);
    }
    const SKXMarkEdit edit = KxMarkEditOf(before, after, swap);
    SKXMarkEdit redo, undo;
    const KXMarkSet undone = KxMarksTakenBack(after, back, edit, &redo);
    ASSERT_EQ(Show(undone), Show(before)) << "round " << round << " after " << Show(after);
    ASSERT_EQ(Show(KxMarksTakenBack(undone, swap, redo, &undo)), Show(after)) << "round " << round;
    ASSERT_EQ(Show(KxMarksTakenBack(after, back, undo, nullptr)), Show(before)) << "round " << round;

    // Later: a mark added past the others, and the first one, which the
    // edit left alone, taken out.
    KXMarkSet later = after, want = before;
    later.push_back(Mark(200, 3, "L"));
    if (!before.empty() && long(before[0].start) + before[0].length < from && after[0] == before[0]) {
      later.erase(later.begin());
      want.erase(want.begin());
    }
    KXMarkSet got = KxMarksTakenBack(later, back, edit, nullptr);
    const auto l = std::find(got.begin(), got.end(), Mark(200 - count + (to - from), 3, "L"));
    ASSERT_NE(l, got.end()) << "round " << round << " " << Show(got);
    got.erase(l);
    ASSERT_EQ(Show(got), Show(want)) << "round " << round;
  }
}

// Undo gives back the marks an edit cut or took, and the group their
// removal took from the mark they hung under, and leaves the marks added or
// removed after it as they stand; a move gives back the mark it took and
// the one it cut where its text went in. An edit away from every mark
// keeps none.
TEST_F(ActionMarksTest, UndoGivesBackWhatTheEditChangedAndNothingElse) {
  EngineWindow w;
  TestEngine& e = *w.engine;
  e.SetText("aaaa bbbb cccc dddd eeee");
  AddMark(e, 0, 4, "Z");
  AddMark(e, 5, 9, "A", 1);  // opens a group of two
  AddMark(e, 10, 14, "B", 2);
  AddMark(e, 15, 19, "C", 2);
  const std::string all = Marks(e);
  e.Select(22, 22);
  e.Type("x");
  EXPECT_TRUE(e.GetAction()->GetMarkEdit().Empty());
  e.Undo();
  e.Select(7, 19);
  e.DoDelete();
  ASSERT_EQ(Marks(e), "0+4:Z/0 5+2:A/0 ");
  e.DoSelection({8, 4}, false);
  AddMark(e, 8, 12, "L", 2);
  KXTE_DeleteMark(e.GetEdit(), 1);  // "Z"
  // The outline no longer holds "L" under "A", which opens no group: it
  // stands at level 0, and undo and redo keep it there.
  ASSERT_EQ(Marks(e), "5+2:A/0 8+4:L/0 ");
  e.Undo();
  EXPECT_EQ(e.Text(), "aaaa bbbb cccc dddd eeee");
  EXPECT_EQ(Marks(e), "5+4:A/1 10+4:B/2 15+4:C/2 20+4:L/0 ");
  e.Redo();
  EXPECT_EQ(Marks(e), "5+2:A/0 8+4:L/0 ");
  e.Undo();
  KXTE_DeleteMark(e.GetEdit(), 4);  // "L"
  AddMark(e, 0, 4, "Z");

  // "cccc" into the middle of "dddd".
  e.DoMove({10, 4}, {17, 0});
  EXPECT_EQ(Marks(e), "0+4:Z/0 5+4:A/1 11+2:C/2 ");
  e.Undo();
  EXPECT_EQ(Marks(e), all);
}
