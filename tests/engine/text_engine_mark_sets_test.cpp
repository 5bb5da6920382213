// Whole mark sets put back into a text (undo, conversions, replace-all):
// an empty mark that stands at the start or the end of another mark comes
// back with it, each with its own rank.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "layout/kxte_api.h"

namespace {
using kxtest::EngineTest;
using kxtest::EngineWindow;
using kxtest::TestEngine;

class EngineMarkSetsTest : public EngineTest {};

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

void Mark(TestEngine& e, long from, long to, const std::string& name, short rank) {
  unsigned char n[256] = {std::uint8_t(name.size())};
  std::copy(name.begin(), name.end(), n + 1);
  KXTE_InsertMark(e.GetEdit(), from, to, n);
  for (long k = 1; k <= KXTE_GetMarkCount(e.GetEdit()); ++k) {
    long s = 0, t = 0;
    KXTE_GetMarkRange(e.GetEdit(), k, s, t);
    if (s == from && t == to) KXTE_SetMarkRank(e.GetEdit(), k, rank);
  }
}

// Marks as a user makes them: "Top" empty at the start of "One", "Gap"
// empty at its end where "Two" starts, a folded group.
void UserMarks(TestEngine& e) {
  e.SetText("Chapter One\rtext\rChapter Two\rmore");
  Mark(e, 0, 11, "One", -1);
  Mark(e, 0, 0, "Top", 0);
  Mark(e, 17, 28, "Two", 2);
  Mark(e, 17, 17, "Gap", 2);
  Mark(e, 33, 33, "End", 0);
}

constexpr const char* kUserMarks = "0-0:Top/0 0-11:One/-1 17-17:Gap/2 17-28:Two/2 33-33:End/0 ";

TEST_F(EngineMarkSetsTest, EmptyMarksBesideOthersComeBackWithThem) {
  EngineWindow w;
  TestEngine& e = *w.engine;
  UserMarks(e);
  ASSERT_EQ(Marks(e), kUserMarks);
  KXMarkSet set;
  e.GetMarks(set);
  // In any order the set is given, and over marks that stand there now.
  for (int round = 0; round < 3; ++round) {
    KXMarkSet given = set;
    if (round == 1) std::reverse(given.begin(), given.end());
    if (round == 2) std::rotate(given.begin(), given.begin() + 2, given.end());
    e.SetMarks(given);
    EXPECT_EQ(Marks(e), kUserMarks) << "round " << round;
  }
  // Deleting the text under them all, then undo; redo, and undo again.
  e.Select(0, 33);
  e.DoKey(8, 0);
  EXPECT_EQ(Marks(e), "");
  e.Undo();
  EXPECT_EQ(Marks(e), kUserMarks);
  e.Redo();
  e.Undo();
  EXPECT_EQ(Marks(e), kUserMarks);
  // A conversion over the marked text keeps them where they were.
  e.Select(0, 28);
  e.DoCharType(9);
  EXPECT_EQ(Marks(e), kUserMarks);
  e.Undo();
  EXPECT_EQ(Marks(e), kUserMarks);
}

}  // namespace
