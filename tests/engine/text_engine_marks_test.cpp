// Actions keep the edit object's marks: undo gives a text back the marks
// it had (names and ranks), also when the edit replaced them all, and
// redo the ones the edit left.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_fixture.h"
#include "layout/kxte_api.h"

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
