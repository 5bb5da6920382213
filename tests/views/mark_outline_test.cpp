// The mark outline against a small tree model: random outlines under
// random clicks, folds, adds, deletes and moves; and its edge cases.
#include "views/mark_outline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "engine/engine_fixture.h"
#include "layout/kxte_api.h"
#include "text/runs/marks.h"

namespace {

// The hooks as a view would answer them, recording what the outline asks.
class FakeOutline : public CKXTextMarkUtil {
 public:
  explicit FakeOutline(CKXTextEngine* engine) : mEngine(engine) {}
  CKXTextEngine* GetTextEngine() override { return mEngine; }
  bool IsReadOnly() override { return readOnly; }
  void ExecuteMarkAt(long n) override {
    executed.push_back(n);
    mEngine->DoSelection(mEngine->GetMarkRange(n), false);
  }
  short GetMarkStringWidth(const unsigned char* name) override { return short(name[0] * 6); }
  void AlertBeep() override { ++beeps; }
  void EnableLeftButton(bool on) override { left = on; }
  void EnableRightButton(bool on) override { right = on; }
  void EnableDeleteButton(bool on) override { del = on; }
  void GetFrameRect(RectL& frame) override { frame = RectL{scroll, 0, scroll + 120, 200}; }
  void SetImagePos(long, long v, bool) override { scroll = std::int32_t(v); }
  void InitMarkView() override { ReCalcMark(12, 10); }   // rows 16 px

  bool readOnly = false;
  int beeps = 0;
  bool left = false, right = false, del = false;
  std::int32_t scroll = 0;
  std::vector<long> executed;

 private:
  CKXTextEngine* mEngine;
};

// A point inside row r's name, or its fold triangle.
PointL NameAt(const CKXTextMarkUtil& u, long row) {
  const SKXMarkRank* r = u.GetRow(row);
  return PointL{std::int32_t((row - 1) * u.GetRowHeight() + 4), r->level * kKxMarkLevelIndent + kKxMarkIconWidth + 2};
}
PointL IconAt(const CKXTextMarkUtil& u, long row) {
  const SKXMarkRank* r = u.GetRow(row);
  return PointL{std::int32_t((row - 1) * u.GetRowHeight() + 4), r->level * kKxMarkLevelIndent + 4};
}

// The text: kSlots lines "mark00" .. ; a mark covers one line's name.
constexpr int kSlots = 40;
constexpr int kSlotBytes = 7;
std::string SlotText() {
  std::string s;
  char line[16];
  for (int i = 0; i < kSlots; ++i) {
    std::snprintf(line, sizeof line, "mark%02d\r", i);
    s += line;
  }
  return s;
}
SKXRange SlotRange(int slot) { return SKXRange{std::int32_t(slot * kSlotBytes), kSlotBytes - 1}; }

// The model: marks in text order with their levels and fold flags.
struct Mark {
  int slot;
  short level;
  bool folded;   // kept only while the mark has children
};
struct Model {
  std::vector<Mark> marks;
  long anchor = 0, end = 0;

  bool Children(std::size_t i) const { return i + 1 < marks.size() && marks[i + 1].level == marks[i].level + 1; }
  std::vector<long> Rows() const {   // mark indexes from 1
    std::vector<long> rows;
    short hide = -1;
    for (std::size_t i = 0; i < marks.size(); ++i) {
      if (hide >= 0 && marks[i].level > hide) continue;
      hide = -1;
      rows.push_back(long(i) + 1);
      if (marks[i].folded && Children(i)) hide = marks[i].level;
    }
    return rows;
  }
  void Normalize() {
    for (std::size_t i = 0; i < marks.size(); ++i) marks[i].folded = marks[i].folded && Children(i);
  }
  short Rank(std::size_t i) const {
    const short a = short(marks[i].level * 2 + (Children(i) ? 1 : 0));
    return marks[i].folded ? short(-a) : a;
  }
  bool Selected(long& first, long& last) const {
    if (!anchor) return false;
    first = std::min(anchor, end > 0 ? end : anchor);
    last = std::max(anchor, end > 0 ? end : anchor);
    return true;
  }
};

// Ranks as the marks' own repair leaves them.
std::vector<short> Repaired(const std::vector<short>& ranks) {
  CKXMarkArray a;
  const unsigned char name[] = "\x01x";
  for (std::size_t i = 0; i < ranks.size(); ++i) a.InsertMarkAt(long(i) + 1, long(i) * 2, 1, name);
  for (std::size_t i = 0; i < ranks.size(); ++i) a.SetRankAt(long(i) + 1, ranks[i]);
  a.ReCalcRank();
  std::vector<short> out;
  for (std::size_t i = 0; i < ranks.size(); ++i) out.push_back(a.GetRankAt(long(i) + 1));
  return out;
}

class MarkOutlineTest : public ::testing::Test {
 protected:
  void SetUp() override { engine.SetText(SlotText()); }
  KXEditHandle Edit() { return engine.GetEdit(); }
  void AddMarkRaw(int slot, short rank) {
    const SKXRange r = SlotRange(slot);
    unsigned char name[16] = {6};
    std::snprintf(reinterpret_cast<char*>(name + 1), 8, "mark%02d", slot);
    KXTE_InsertMark(Edit(), r.start, r.start + r.length, name);
    for (long i = 1; i <= KXTE_GetMarkCount(Edit()); ++i) {
      long s = 0, t = 0;
      KXTE_GetMarkRange(Edit(), i, s, t);
      if (s == r.start) KXTE_SetMarkRank(Edit(), i, rank);
    }
  }
  std::vector<short> Ranks() {
    std::vector<short> v;
    for (long i = 1; i <= KXTE_GetMarkCount(Edit()); ++i) v.push_back(KXTE_GetMarkRank(Edit(), i));
    return v;
  }
  void Load(const Model& m) {
    for (std::size_t i = 0; i < m.marks.size(); ++i) AddMarkRaw(m.marks[i].slot, m.Rank(i));
  }
  // The outline matches the model: rows, levels, flags, selection, and the
  // ranks stay what the marks' own repair would leave.
  void Expect(const Model& m, FakeOutline& u, const std::string& where) {
    const std::vector<long> rows = m.Rows();
    ASSERT_EQ(u.CountRows(), long(rows.size())) << where;
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const SKXMarkRank& r = *u.GetRow(long(k) + 1);
      const std::size_t i = std::size_t(rows[k] - 1);
      ASSERT_EQ(r.index, rows[k]) << where << " row " << k + 1;
      ASSERT_EQ(r.level, m.marks[i].level) << where << " row " << k + 1;
      ASSERT_EQ(r.children, m.Children(i)) << where << " row " << k + 1;
      ASSERT_EQ(r.folded, m.marks[i].folded) << where << " row " << k + 1;
      ASSERT_LE(r.level, kKxMarkMaxLevel);
    }
    ASSERT_EQ(u.GetAnchor(), m.anchor) << where;
    ASSERT_EQ(u.GetAnchor() ? u.GetEnd() : 0, m.anchor ? m.end : 0) << where;
    const std::vector<short> ranks = Ranks();
    ASSERT_EQ(ranks.size(), m.marks.size()) << where;
    for (std::size_t i = 0; i < ranks.size(); ++i) ASSERT_EQ(ranks[i], m.Rank(i)) << where << " mark " << i + 1;
    ASSERT_EQ(Repaired(ranks), ranks) << where;
  }

  kxtest::TestEngine engine;
};

// ---- the model's operations ----------------------------------------------------------------------

// The block of a move: from the first selected mark over every mark below
// the first row's level; the anchor a previous sibling or the parent.
bool Block(const Model& m, bool sibling, std::size_t& first, std::size_t& last, std::size_t& anchor) {
  long r1 = 0, r2 = 0;
  if (!m.Selected(r1, r2) || r1 == 1) return false;
  const std::vector<long> rows = m.Rows();
  first = std::size_t(rows[std::size_t(r1 - 1)] - 1);
  const short level = m.marks[first].level;
  for (long r = r1; r <= r2; ++r)
    if (m.marks[std::size_t(rows[std::size_t(r - 1)] - 1)].level < level) return false;
  last = std::size_t(rows[std::size_t(r2 - 1)] - 1);
  while (last + 1 < m.marks.size() && m.marks[last + 1].level > level) ++last;
  // The previous sibling: the nearest mark not deeper, if at the level;
  // the parent: the nearest shallower one.
  for (std::size_t j = first; j-- > 0;)
    if (m.marks[j].level <= level - (sibling ? 0 : 1)) {
      if (m.marks[j].level != (sibling ? level : level - 1)) return false;
      anchor = j;
      return true;
    }
  return false;
}

void ModelLeft(Model& m) {
  std::size_t first, last, anchor;
  if (!Block(m, false, first, last, anchor)) return;
  for (std::size_t i = first; i <= last; ++i) --m.marks[i].level;
  m.Normalize();
}

bool ModelRight(Model& m) {   // false: it beeps
  std::size_t first, last, anchor;
  if (!Block(m, true, first, last, anchor)) return true;
  for (std::size_t i = first; i <= last; ++i)
    if (m.marks[i].level >= kKxMarkMaxLevel) return false;
  const bool had = m.Children(anchor);
  for (std::size_t i = first; i <= last; ++i) ++m.marks[i].level;
  if (!had) m.marks[anchor].folded = false;
  else if (m.marks[anchor].folded) m.anchor = m.end = 0;
  m.Normalize();
  return true;
}

void ModelAdd(Model& m, int slot) {
  std::size_t at = 0;
  while (at < m.marks.size() && m.marks[at].slot < slot) ++at;
  short level = 0;
  if (at > 0) level = short(m.marks[at - 1].level + (m.Children(at - 1) ? 1 : 0));
  m.marks.insert(m.marks.begin() + long(at), Mark{slot, level, false});
  // Every folded group above it opens.
  short cur = level;
  for (std::size_t j = at; j-- > 0;)
    if (m.marks[j].level < cur) {
      m.marks[j].folded = false;
      cur = m.marks[j].level;
    }
  m.Normalize();
  const std::vector<long> rows = m.Rows();
  m.anchor = long(std::find(rows.begin(), rows.end(), long(at) + 1) - rows.begin()) + 1;
  m.end = 0;
}

void ModelDelete(Model& m) {
  long r1 = 0, r2 = 0;
  if (!m.Selected(r1, r2)) return;
  const std::vector<long> rows = m.Rows();
  const std::size_t first = std::size_t(rows[std::size_t(r1 - 1)] - 1);
  std::size_t last = std::size_t(rows[std::size_t(r2 - 1)] - 1);
  if (m.marks[last].folded && m.Children(last)) {
    const short level = m.marks[last].level;
    while (last + 1 < m.marks.size() && m.marks[last + 1].level > level) ++last;
  }
  m.marks.erase(m.marks.begin() + long(first), m.marks.begin() + long(last) + 1);
  if (m.anchor > r1) m.anchor = r1;
  m.end = 0;
}

}  // namespace

TEST_F(MarkOutlineTest, RandomOutlinesMatchTheTreeModel) {
  std::mt19937 rng(7301);
  const long rounds = KxRandomSteps(6);
  for (long round = 0; round < rounds; ++round) {
    SetUp();
    while (KXTE_GetMarkCount(Edit()) > 0) KXTE_DeleteMark(Edit(), 1);
    Model m;
    // A random consistent outline on a random subset of the slots.
    short level = 0;
    for (int slot = 0; slot < kSlots; ++slot) {
      if (rng() % 3 == 0) continue;
      if (!m.marks.empty()) level = short(std::uniform_int_distribution<int>(0, m.marks.back().level + 1)(rng));
      m.marks.push_back(Mark{slot, level, rng() % 3 == 0});
    }
    m.Normalize();
    Load(m);
    FakeOutline u(&engine);
    u.InitMarkView();
    Expect(m, u, "start");
    const long steps = KxRandomSteps(60);
    for (long step = 0; step < steps; ++step) {
      const std::string where = "round " + std::to_string(round) + " step " + std::to_string(step);
      const long rows = u.CountRows();
      const int op = int(rng() % 8);
      if (rows > 0 && op <= 1) {   // a click, or a shift-click that extends
        const long row = long(rng() % std::uint32_t(rows)) + 1;
        const bool shift = op == 1;
        u.ClickMark(NameAt(u, row), shift ? kKxMarkClickShift : 0);
        if (shift && m.anchor) m.end = row;
        else m.anchor = row, m.end = 0;
      } else if (rows > 0 && op == 2) {   // the fold triangle
        const long row = long(rng() % std::uint32_t(rows)) + 1;
        if (!u.GetRow(row)->children) continue;
        u.ClickMark(IconAt(u, row), 0);
        const std::size_t i = std::size_t(m.Rows()[std::size_t(row - 1)] - 1);
        m.marks[i].folded = !m.marks[i].folded;
        m.anchor = m.end = 0;
      } else if (op == 3) {
        u.MoveLeft();
        ModelLeft(m);
      } else if (op == 4) {
        const int before = u.beeps;
        const bool moved = ModelRight(m);
        u.MoveRight();
        ASSERT_EQ(u.beeps - before, moved ? 0 : 1) << where;
      } else if (op == 5) {
        std::vector<int> free;
        for (int s = 0; s < kSlots; ++s)
          if (std::none_of(m.marks.begin(), m.marks.end(), [s](const Mark& k) { return k.slot == s; })) free.push_back(s);
        if (free.empty()) continue;
        const int slot = free[rng() % free.size()];
        engine.SetSelectionRange(SlotRange(slot), false);
        u.AddMark();
        ModelAdd(m, slot);
      } else if (op == 6) {
        // Deleting: the model takes the marks left as they are stored now
        // (the marks' own repair runs on every deletion).
        u.DelMark();
        const std::vector<short> ranks = Ranks();
        ModelDelete(m);
        ASSERT_EQ(m.marks.size(), ranks.size()) << where;
        for (std::size_t i = 0; i < ranks.size(); ++i) {
          long start = 0, end = 0;
          KXTE_GetMarkRange(Edit(), long(i) + 1, start, end);
          ASSERT_EQ(start, SlotRange(m.marks[i].slot).start) << where << " mark " << i + 1;
          m.marks[i].level = KxMarkRankLevel(ranks[i]);
          m.marks[i].folded = ranks[i] < 0;
        }
        m.Normalize();
        if (m.anchor > long(m.Rows().size())) m.anchor = m.end = 0;
      } else {
        continue;
      }
      Expect(m, u, where + " op " + std::to_string(op));
      if (HasFatalFailure()) return;
      // The buttons: left and right only where a move does something.
      long first = 0, last = 0;
      ASSERT_EQ(u.del, m.Selected(first, last)) << where;
    }
  }
}

TEST_F(MarkOutlineTest, NamesComeFromShortSingleLineSelections) {
  FakeOutline u(&engine);
  engine.SetText(std::string(63, 'a') + "b\tc" + std::string(100, 'd'));
  engine.SetSelectionRange(SKXRange{0, 63}, false);
  u.AddMark();
  ASSERT_EQ(KXTE_GetMarkCount(Edit()), 1);
  unsigned char name[256] = {};
  KXTE_GetMarkString(Edit(), 1, name);
  EXPECT_EQ(name[0], 63);
  EXPECT_EQ(u.GetAnchor(), 1);
  EXPECT_TRUE(u.executed.empty());   // the text already shows it
  engine.SetSelectionRange(SKXRange{66, 64}, false);
  u.AddMark();
  engine.SetSelectionRange(SKXRange{63, 3}, false);   // "b\tc"
  u.AddMark();
  EXPECT_EQ(u.beeps, 2);
  EXPECT_EQ(KXTE_GetMarkCount(Edit()), 1);
  // An empty selection after a mark selects it and the text jumps there.
  engine.SetSelectionRange(SKXRange{120, 0}, false);
  u.ClickMark(PointL{200, 0}, 0);   // below the rows, left of the name: clears
  EXPECT_EQ(u.GetAnchor(), 0);
  u.AddMark();
  EXPECT_EQ(u.GetAnchor(), 1);
  EXPECT_EQ(u.executed, std::vector<long>{1});
  // Read-only text takes nothing.
  u.readOnly = true;
  engine.SetSelectionRange(SKXRange{70, 5}, false);
  u.AddMark();
  EXPECT_EQ(KXTE_GetMarkCount(Edit()), 1);
}

TEST_F(MarkOutlineTest, LevelsStayWithinTheOutline) {
  // Ranks from files reach 126-128: level 62 at most, and a level-62 mark
  // does not move right.
  AddMarkRaw(0, 0);
  AddMarkRaw(1, 0);
  AddMarkRaw(2, -128);
  FakeOutline u(&engine);
  u.InitMarkView();
  ASSERT_EQ(u.CountRows(), 3);
  EXPECT_EQ(u.GetRow(3)->level, kKxMarkMaxLevel);
  KXTE_SetMarkRank(Edit(), 2, 124);   // level 62
  KXTE_SetMarkRank(Edit(), 3, 124);
  u.InitMarkView();
  u.ClickMark(NameAt(u, 3), kKxMarkClickOption);
  EXPECT_TRUE(u.right);
  const std::vector<short> before = Ranks();
  u.MoveRight();
  EXPECT_EQ(u.beeps, 1);
  EXPECT_EQ(Ranks(), before);
  // Left past a disabled button: the first row at level 0 has no parent.
  u.ClickMark(NameAt(u, 1), kKxMarkClickOption);
  u.ClickMark(NameAt(u, 2), kKxMarkClickShift);
  EXPECT_FALSE(u.left);
  u.MoveLeft();
  EXPECT_EQ(Ranks(), before);
  for (short r : Ranks()) EXPECT_GE(r, 0);
}

TEST_F(MarkOutlineTest, DeletingAFoldedRowTakesItsHiddenBranch) {
  AddMarkRaw(0, 1);    // opener
  AddMarkRaw(1, 3);    // child, opener
  AddMarkRaw(2, 4);    // grandchild
  AddMarkRaw(3, 2);    // child
  AddMarkRaw(4, 0);
  FakeOutline u(&engine);
  u.InitMarkView();
  ASSERT_EQ(u.CountRows(), 5);
  u.ClickMark(IconAt(u, 1), 0);   // fold the first
  ASSERT_EQ(u.CountRows(), 2);
  EXPECT_TRUE(u.GetRow(1)->folded);
  u.ClickMark(NameAt(u, 1), 0);
  u.DelMark();
  ASSERT_EQ(KXTE_GetMarkCount(Edit()), 1);
  unsigned char name[256] = {};
  KXTE_GetMarkString(Edit(), 1, name);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), "mark04");
  EXPECT_EQ(u.GetAnchor(), 1);   // the row after takes the selection
}

TEST_F(MarkOutlineTest, AddingInsideAFoldedBranchOpensIt) {
  AddMarkRaw(0, -1);   // folded opener
  AddMarkRaw(2, 2);
  AddMarkRaw(4, 0);
  FakeOutline u(&engine);
  u.InitMarkView();
  ASSERT_EQ(u.CountRows(), 2);
  engine.SetSelectionRange(SlotRange(3), false);
  u.AddMark();
  ASSERT_EQ(u.CountRows(), 4);
  EXPECT_EQ(Ranks(), (std::vector<short>{1, 2, 2, 0}));
  EXPECT_EQ(u.GetAnchor(), 3);
  // A selected row far down is scrolled to the middle of the frame.
  for (int s = 5; s < kSlots; ++s) AddMarkRaw(s, 0);
  u.InitMarkView();
  u.ClickMark(NameAt(u, 30), 0);
  u.SetSelection(0, 0);
  engine.SetSelectionRange(SKXRange{SlotRange(35).start, 2}, false);
  u.AddMark();   // covered by mark 35's range: its row is selected
  EXPECT_EQ(u.GetAnchor(), u.FindRowOfMark(35));
  EXPECT_EQ(u.scroll, std::int32_t((u.GetAnchor() - 1) * 16 - (120 - 16) / 2));
}
