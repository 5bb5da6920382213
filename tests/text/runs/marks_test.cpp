#include "text/runs/marks.h"

#include "text/base/memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/test_main.h"

namespace {

// A length-prefixed name.
struct PName {
  explicit PName(const std::string& s) {
    bytes[0] = static_cast<unsigned char>(s.size());
    std::memcpy(bytes + 1, s.data(), s.size());
  }
  unsigned char bytes[256];
};

std::string NameAt(const CKXMarkArray& a, long i) {
  unsigned char out[256];
  a.GetMarkStringAt(i, out);
  return std::string(reinterpret_cast<char*>(out + 1), out[0]);
}

struct Range {
  long start, end;
  bool operator==(const Range&) const = default;
};

std::vector<Range> Ranges(const CKXMarkArray& a) {
  std::vector<Range> out;
  for (long i = 1; i <= a.GetMarkCount(); ++i) {
    Range r{};
    a.GetMarkRangeAt(i, r.start, r.end);
    out.push_back(r);
  }
  return out;
}

std::vector<std::string> Names(const CKXMarkArray& a) {
  std::vector<std::string> out;
  for (long i = 1; i <= a.GetMarkCount(); ++i) out.push_back(NameAt(a, i));
  return out;
}

TEST(Marks, NamesArePaddedToEvenSizeAndReadBackWhole) {
  CKXMarkArray a;
  a.InsertMark(10, 20, PName("abcd").bytes);
  EXPECT_EQ(KxMemHSize(a.GetNamesBlock()), 6);
  EXPECT_EQ((*a.GetNamesBlock())[0], 5);
  EXPECT_EQ((*a.GetNamesBlock())[5], 0);
  EXPECT_EQ(NameAt(a, 1), "abcd");
  a.InsertMark(0, 5, PName("xyz").bytes);
  a.InsertMark(30, 30, nullptr);
  EXPECT_EQ(Names(a), (std::vector<std::string>{"xyz", "abcd", ""}));
  EXPECT_EQ(KxMemHSize(a.GetNamesBlock()), 4 + 6 + 2);
  a.DeleteAt(2, 1);
  EXPECT_EQ(Names(a), (std::vector<std::string>{"xyz", ""}));
  a.DeleteAll();
  EXPECT_EQ(a.GetNamesBlock(), nullptr);
  EXPECT_EQ(NameAt(a, 1), "");
}

TEST(Marks, InsertingOverARangeCutsAndRemoves) {
  CKXMarkArray a;
  a.InsertMark(0, 10, PName("one").bytes);
  a.InsertMark(12, 15, PName("two").bytes);
  a.InsertMark(20, 30, PName("three").bytes);
  a.InsertMark(5, 20, PName("new").bytes);
  EXPECT_EQ(Ranges(a), (std::vector<Range>{{0, 5}, {5, 20}, {20, 30}}));
  EXPECT_EQ(Names(a), (std::vector<std::string>{"one", "new", "three"}));
}

TEST(Marks, DeletingTextRemovesCoveredMarksAndShiftsLaterOnes) {
  CKXMarkArray a;
  a.InsertMark(0, 4, PName("a").bytes);
  a.InsertMark(10, 12, PName("b").bytes);
  a.InsertMark(20, 25, PName("c").bytes);
  a.Delete(8, 14, 1);
  EXPECT_EQ(Ranges(a), (std::vector<Range>{{0, 4}, {14, 19}}));
  EXPECT_EQ(Names(a), (std::vector<std::string>{"a", "c"}));
  a.Delete(5, 7, 1);  // before the mark: it moves back
  EXPECT_EQ(Ranges(a), (std::vector<Range>{{0, 4}, {12, 17}}));
  a.Delete(9, 9, 1);  // empty with shift: nothing
  EXPECT_EQ(Ranges(a), (std::vector<Range>{{0, 4}, {12, 17}}));
  a.Delete(3, 12, 1);  // a mark starting at `to` stays
  EXPECT_EQ(Ranges(a), (std::vector<Range>{{0, 3}, {3, 8}}));
}

TEST(Marks, LongRangesKeepTheirLength) {
  CKXMarkArray a;
  a.InsertMark(100, 100 + 200000, PName("big").bytes);
  long s = 0, e = 0;
  a.GetMarkRangeAt(1, s, e);
  EXPECT_EQ(e - s, 200000);
  std::vector<char> flat(static_cast<size_t>(a.GetMarkDataSize()));
  a.GetMarkData(flat.data(), long(flat.size()));
  CKXMarkArray b;
  ASSERT_TRUE(b.SetMarkData(flat.data(), long(flat.size())));
  b.GetMarkRangeAt(1, s, e);
  EXPECT_EQ(e - s, 200000);
}

TEST(MarkData, FlatFormRoundTrips) {
  CKXMarkArray a;
  a.InsertMark(0, 3, PName("ab").bytes);
  a.InsertMark(5, 9, PName("heading").bytes);
  a.InsertMark(9, 9, PName("").bytes);
  a.SetRankAt(2, 3);
  long size = a.GetMarkDataSize();
  EXPECT_EQ(size, KxMemHSize(a.GetNamesBlock()) + 8 * 3 + 2);
  std::vector<char> flat(static_cast<size_t>(size));
  EXPECT_EQ(a.GetMarkData(flat.data(), size), 3);
  std::uint16_t count;
  std::memcpy(&count, flat.data(), 2);
  EXPECT_EQ(count, 3);

  CKXMarkArray b;
  b.InsertMark(40, 50, PName("old").bytes);
  ASSERT_TRUE(b.SetMarkData(flat.data(), size));
  EXPECT_EQ(Ranges(b), Ranges(a));
  EXPECT_EQ(Names(b), Names(a));
  EXPECT_FALSE(b.IsRankExist());  // ranks travel separately
  char ranks[3];
  a.GetRankData(ranks, 3);
  b.SetRankData(ranks, 3);
  EXPECT_EQ(b.GetRankAt(2), 3);
  std::vector<char> again(static_cast<size_t>(size));
  b.GetMarkData(again.data(), size);
  EXPECT_EQ(again, flat);
}

TEST(MarkData, SmallBufferCountsOnlyWrittenRecords) {
  CKXMarkArray a;
  a.InsertMark(0, 3, PName("ab").bytes);     // 8 + 4
  a.InsertMark(5, 9, PName("cdef").bytes);   // 8 + 6
  std::vector<char> flat(2 + 12 + 13, 0x55);
  EXPECT_EQ(a.GetMarkData(flat.data(), long(flat.size())), 1);
  std::uint16_t count;
  std::memcpy(&count, flat.data(), 2);
  EXPECT_EQ(count, 1);
  CKXMarkArray b;
  ASSERT_TRUE(b.SetMarkData(flat.data(), long(flat.size())));
  EXPECT_EQ(Names(b), (std::vector<std::string>{"ab"}));
  EXPECT_EQ(a.GetMarkData(flat.data(), 1), 0);
}

TEST(MarkData, BadBlocksAreRefusedAndLeaveMarksAlone) {
  CKXMarkArray a;
  a.InsertMark(1, 2, PName("keep").bytes);
  auto put32 = [](std::vector<char>& v, std::int32_t x) {
    char b[4];
    std::memcpy(b, &x, 4);
    v.insert(v.end(), b, b + 4);
  };
  auto block = [&](std::uint16_t count, std::vector<std::pair<std::int32_t, std::int32_t>> ranges,
                   unsigned char nameLen) {
    std::vector<char> v(2);
    std::memcpy(v.data(), &count, 2);
    for (auto [s, e] : ranges) {
      put32(v, s);
      put32(v, e);
      v.push_back(static_cast<char>(nameLen));
      v.insert(v.end(), nameLen | 1, 'n');
    }
    return v;
  };
  std::vector<std::vector<char>> bad = {
      block(2, {{0, 5}}, 3),            // count beyond the data
      block(1, {{5, 4}}, 3),            // end before start
      block(1, {{-1, 4}}, 3),           // negative start
      block(2, {{0, 5}, {3, 8}}, 3),    // overlapping
      block(2, {{6, 8}, {0, 2}}, 3),    // out of order
      block(2, {{3, 3}, {3, 3}}, 3),    // two empty marks at one offset
      block(2, {{3, 3}, {3, 6}}, 3),    // an empty mark and another at its offset
  };
  std::vector<char> cut = block(1, {{0, 5}}, 9);
  cut.resize(cut.size() - 3);  // name runs past the end
  bad.push_back(cut);
  bad.push_back({1});
  for (const auto& v : bad) {
    EXPECT_FALSE(a.SetMarkData(v.data(), long(v.size())));
    EXPECT_EQ(Names(a), (std::vector<std::string>{"keep"}));
  }
  std::vector<char> good = block(2, {{0, 5}, {5, 8}}, 4);  // even length: a pad follows
  ASSERT_TRUE(a.SetMarkData(good.data(), long(good.size())));
  EXPECT_EQ(Names(a), (std::vector<std::string>{"nnnn", "nnnn"}));
  // What is read passes the array's own check.
  std::vector<char> touching = block(3, {{0, 5}, {5, 5}, {6, 6}}, 1);
  ASSERT_TRUE(a.SetMarkData(touching.data(), long(touching.size())));
  EXPECT_EQ(a.Check(100, false), "");
  EXPECT_TRUE(a.SetMarkData(nullptr, 0));
  EXPECT_EQ(a.GetMarkCount(), 0);
}

std::vector<short> Ranks(const CKXMarkArray& a) {
  std::vector<short> out;
  for (long i = 1; i <= a.GetMarkCount(); ++i) out.push_back(a.GetRankAt(i));
  return out;
}

CKXMarkArray* WithRanks(CKXMarkArray& a, const std::vector<short>& ranks) {
  for (size_t k = 0; k < ranks.size(); ++k) a.InsertMark(long(k) * 10, long(k) * 10 + 5, nullptr);
  for (size_t k = 0; k < ranks.size(); ++k) a.SetRankAt(long(k) + 1, ranks[k]);
  return &a;
}

TEST(MarkRanks, ReCalcRankTables) {
  struct Case {
    std::vector<short> in, out;
  };
  const Case cases[] = {
      {{1, 2, 3, 4, 2, 0}, {1, 2, 3, 4, 2, 0}},    // a sound outline stays
      {{0, 4, 4}, {0, 0, 0}},                      // too deep, no opener above
      {{1, 4, 0}, {0, 0, 0}},                      // opener without children
      {{0, -5, 6, 6, 0}, {0, -1, 2, 2, 0}},        // collapsed group lifted whole
      {{0, 6, 8, 4, 2, 0}, {0, 0, 0, 0, 0, 0}},    // lifted step by step
      {{3, 4, 0}, {1, 2, 0}},                      // first group too deep
      {{3, 4}, {1, 2}},                            // ... also when it ends the list
      {{2, 5, 6, 2}, {0, 1, 2, 0}},                // lifted twice
  };
  for (const Case& c : cases) {
    CKXMarkArray a;
    WithRanks(a, c.in)->ReCalcRank();
    EXPECT_EQ(Ranks(a), c.out) << "case starting " << c.in[0] << "," << c.in[1];
  }
}

TEST(MarkRanks, NewMarkTakesRankOfMarkBefore) {
  CKXMarkArray a;
  WithRanks(a, {0, 3});
  a.InsertMark(30, 35, nullptr);
  EXPECT_EQ(a.GetRankAt(3), 4);  // first child of the opener
  a.InsertMark(40, 45, nullptr);
  EXPECT_EQ(a.GetRankAt(4), 4);
  // Deleting the group opener re-levels its children.
  a.DeleteAt(2, 1);
  a.Delete(100, 101, 1);  // removes nothing: no re-levelling
  EXPECT_EQ(Ranks(a), (std::vector<short>{0, 4, 4}));
  a.Delete(30, 32, 0);  // removes the mark at 30
  EXPECT_EQ(Ranks(a), (std::vector<short>{0, 0}));
  char buf[4] = {9, 9, 9, 9};
  a.GetRankData(buf, 4);
  EXPECT_EQ(buf[2], 9);
}

TEST(Markups, InsertDeleteAndQuery) {
  CKXMarkupArray m;
  m.InsertMarkup(10, 20);
  m.InsertMarkup(30, 40);
  m.InsertMarkup(0, 5);
  long s = 0, e = 0;
  EXPECT_TRUE(m.GetMarkup(12, s, e));
  EXPECT_EQ(s, 10);
  EXPECT_EQ(e, 20);
  EXPECT_FALSE(m.GetMarkup(25, s, e));
  EXPECT_EQ(s, 10);
  long count = 0, first = 0;
  m.GetMarkupCountAndIndex(15, 35, count, first);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(first, 2);
  m.GetMarkupCountAndIndex(21, 29, count, first);
  EXPECT_EQ(count, 0);
  // A new markup over others replaces them whole.
  m.InsertMarkup(18, 32);
  EXPECT_EQ(m.GetMarkupCount(), 2);
  m.GetMarkupRangeAt(2, s, e);
  EXPECT_EQ(s, 18);
  EXPECT_EQ(e, 32);
  m.Delete(6, 8, 1);
  m.GetMarkupRangeAt(2, s, e);
  EXPECT_EQ(s, 16);
  m.Delete(5, 5, 1);
  EXPECT_EQ(m.GetMarkupCount(), 2);
  m.Delete(4, 4, 0);  // an empty range removes what it touches
  EXPECT_EQ(m.GetMarkupCount(), 1);
}


// A batch of edits in text order gives what the same edits one by one
// give: Delete with the shift flag, then the insertion rule, ReCalcRank's
// pass after every edit that took a mark out. Ranks are drawn at random,
// outlines that do not fit included, so that the passes lift and close
// groups; marks sit on, across and at the ends of the edits, empty ones
// too, and some batches are out of order (edited one by one).
TEST(MarkSplice, ABatchOfEditsGivesWhatEditingOneByOneGives) {
  std::mt19937 rng(1106);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const long steps = KxRandomSteps(3000);
  for (long step = 0; step < steps; ++step) {
    long textLen = pick(0, 60);
    CKXMarkArray marks[2];
    CKXMarkupArray markups[2];
    for (long at = pick(0, 4); at <= textLen; at += pick(1, 6)) {
      const long len = std::min<long>(pick(0, 5), textLen - at);
      const std::string name(std::size_t(pick(0, 3)), char('a' + at % 26));
      const short rank = short(pick(-7, 7));
      for (CKXMarkArray& a : marks) {
        a.InsertMarkAt(a.GetMarkCount() + 1, at, len, PName(name).bytes);
        a.SetRankAt(a.GetMarkCount(), rank);
      }
      if (pick(0, 2) > 0)
        for (CKXMarkupArray& m : markups) m.InsertMarkupAt(m.GetMarkupCount() + 1, at, len);
      at += len;
    }
    std::vector<SKXSplice> edits;
    const bool ordered = pick(0, 9) > 0;
    for (long pos = pick(0, 5), len = textLen; pos <= len && edits.size() < 12;) {
      SKXSplice e{pos, std::min<long>(pick(0, 4), len - pos), pick(0, 3) * pick(0, 1)};
      edits.push_back(e);
      len += e.inserted - e.removed;
      pos = ordered ? e.pos + e.inserted + pick(0, 1) * pick(0, 6) : pick(0, int(len));
    }
    for (const SKXSplice& e : edits) textLen += e.inserted - e.removed;
    const std::string where = "step " + std::to_string(step);
    const long before = marks[0].GetMarkCount();
    for (const SKXSplice& e : edits) {
      if (e.removed > 0) marks[0].Delete(e.pos, e.pos + e.removed, 1);
      marks[0].Inserted(e.pos, e.inserted);
      if (e.removed > 0) markups[0].Delete(e.pos, e.pos + e.removed, 1);
      markups[0].Inserted(e.pos, e.inserted);
    }
    EXPECT_EQ(marks[1].Splice(edits), marks[0].GetMarkCount() != before) << where;
    markups[1].Splice(edits);
    ASSERT_EQ(Ranges(marks[1]), Ranges(marks[0])) << where;
    ASSERT_EQ(Names(marks[1]), Names(marks[0])) << where;
    ASSERT_EQ(Ranks(marks[1]), Ranks(marks[0])) << where;
    EXPECT_EQ(marks[1].Check(textLen, false), "") << where;
    EXPECT_EQ(KxMemHSize(marks[1].GetNamesBlock()), KxMemHSize(marks[0].GetNamesBlock())) << where;
    ASSERT_EQ(markups[1].GetMarkupCount(), markups[0].GetMarkupCount()) << where;
    for (long k = 1; k <= markups[0].GetMarkupCount(); ++k) {
      long s[2], e[2];
      for (int w = 0; w < 2; ++w) markups[w].GetMarkupRangeAt(k, s[w], e[w]);
      EXPECT_EQ(s[1], s[0]) << where << " markup " << k;
      EXPECT_EQ(e[1], e[0]) << where << " markup " << k;
    }
  }
}

}  // namespace
