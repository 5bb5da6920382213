#include "text/base/posarray.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <random>
#include <utility>
#include <vector>

namespace {

// A run of the test arrays: offset and a 4-byte element.
struct TRun {
  std::int32_t offset;
  std::int32_t value;
  bool operator==(const TRun&) const = default;
};

class RunArray : public CKXPosArray {
 public:
  RunArray() : CKXPosArray(sizeof(TRun)) {}
  explicit RunArray(const std::vector<TRun>& runs) : CKXPosArray(sizeof(TRun)) {
    SetItems(runs.data(), static_cast<long>(runs.size()));
  }
  std::vector<TRun> Runs() const {
    std::vector<TRun> out(static_cast<size_t>(GetCount()));
    GetItems(out.data(), GetCount());
    return out;
  }
};

// Per-byte elements of the text that the runs describe.
std::vector<int> Expand(const std::vector<TRun>& runs, long textLen) {
  std::vector<int> bytes(static_cast<size_t>(textLen), -1);
  for (size_t k = 0; k < runs.size(); ++k) {
    long end = k + 1 < runs.size() ? runs[k + 1].offset : textLen;
    for (long b = std::max<long>(runs[k].offset, 0); b < end && b < textLen; ++b) bytes[size_t(b)] = runs[k].value;
  }
  return bytes;
}

TEST(RunSearch, IndexAndStartOfTheRunContainingAnOffset) {
  RunArray a({{0, 1}, {10, 2}, {20, 3}});
  long start = -1;
  EXPECT_EQ(RunArray().GetArrayIndexAndPos(5, start), 0);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(a.GetArrayIndexAndPos(15, start), 2);
  EXPECT_EQ(start, 10);
  EXPECT_EQ(a.GetOffsetAt(99), 20);
  EXPECT_EQ(a.GetOffsetAt(0), 0);
}

TEST(RunSearch, SpanOfTheRunContainingAnOffsetAlwaysMovesOn) {
  RunArray a({{0, 1}, {10, 2}, {20, 3}});
  struct Case {
    long offset, lastEnd;
    SKXRunSpan span;
  } cases[] = {
      {0, 30, {1, 0, 10}},  {9, 30, {1, 0, 10}},   {10, 30, {2, 10, 20}}, {25, 30, {3, 20, 30}},
      {25, 25, {3, 20, 26}},  // the last run ends before the offset: one byte on
      {40, 30, {3, 20, 41}},  // past the text
  };
  for (const Case& c : cases) {
    const SKXRunSpan s = a.GetRunSpan(c.offset, c.lastEnd);
    EXPECT_EQ(s.index, c.span.index) << c.offset;
    EXPECT_EQ(s.start, c.span.start) << c.offset;
    EXPECT_EQ(s.end, c.span.end) << c.offset;
  }
  const SKXRunSpan none = RunArray().GetRunSpan(5, 3);
  EXPECT_EQ(none.index, 0);
  EXPECT_EQ(none.end, 6);
}

TEST(RunCheck, NamesTheFirstBrokenRule) {
  struct Case {
    std::vector<TRun> runs;
    long textLen;
    bool distinct;
    const char* broken;  // start of the answer; "" when sound
  } cases[] = {
      {{{0, 1}, {10, 2}, {20, 1}}, 30, true, ""},
      {{}, 0, true, ""},
      {{{0, 1}, {10, 1}}, 30, true, "entry 2 at 10: equal"},
      {{{0, 1}, {10, 1}}, 30, false, ""},
      {{{0, 1}, {10, 2}, {10, 3}}, 30, true, "entry 3 at 10: offsets not rising"},
      {{{0, 1}, {40, 2}}, 30, true, "entry 2 at 40: outside"},
      {{{-1, 1}}, 30, true, "entry 1 at -1: outside"},
  };
  for (const Case& c : cases) {
    RunArray a;
    a.SetItems(c.runs.data(), long(c.runs.size()));
    const std::string got = a.Check(c.textLen, c.distinct);
    EXPECT_EQ(got.substr(0, std::strlen(c.broken)), c.broken) << got;
    EXPECT_EQ(got.empty(), *c.broken == 0) << got;
  }
}

// Records what the element hooks are told.
class HookedArray : public RunArray {
 public:
  using RunArray::RunArray;
  void FreeElementsAt(long index, long n) override {
    for (long k = index; k < index + n; ++k) {
      TRun r{};
      GetAt(k, &r);
      freed.push_back(r.value);
    }
  }
  std::vector<int> freed;
};

TEST(RunHooks, EveryRemovalFreesExactlyTheEntriesThatGo) {
  HookedArray a({{0, 1}, {10, 2}, {20, 3}, {30, 4}});
  a.DeleteAt(3, 99);  // cut to the end
  EXPECT_EQ(a.freed, std::vector<int>({3, 4}));
  a.DeleteAt(5, 1);  // nothing there
  a.DeleteAt(1, 0);
  EXPECT_EQ(a.freed.size(), 2u);
  a.Delete(5, 15, 40);  // run 2 shrinks, nothing goes
  EXPECT_EQ(a.freed.size(), 2u);
  a.DeleteAll();
  EXPECT_EQ(a.freed, std::vector<int>({3, 4, 1, 2}));
}

TEST(RunMerge, OnePassMatchesDeletingEqualRunsOneByOne) {
  // The reference deletes each run equal to its left neighbour from the
  // last run back, one DeleteAt at a time; the one pass must leave the same
  // runs and free the same entries in the same order.
  std::mt19937 rng(11);
  auto pick = [&](long lo, long hi) { return lo + static_cast<long>(rng() % static_cast<unsigned long>(hi - lo + 1)); };
  long severalWithTail = 0;
  for (int round = 0; round < 2000; ++round) {
    std::vector<TRun> runs;
    const long count = pick(0, 40);
    const int values = static_cast<int>(pick(1, 3));  // few values: long groups of equal runs
    for (long k = 0; k < count; ++k)
      runs.push_back({static_cast<std::int32_t>(k * 3), static_cast<int>(pick(1, values))});
    const long first = pick(-1, count + 2), last = pick(first - 1, count + 3);
    HookedArray want(runs), got(runs);
    long deleted = 0;
    for (long k = std::min(last, want.GetCount()); k >= std::max(first, 2L); --k) {
      if (!want.IsSameAt(k - 1, k)) continue;
      want.DeleteAt(k, 1);
      ++deleted;
    }
    const std::string where = "round " + std::to_string(round) + " " + std::to_string(first) + ".." +
                              std::to_string(last) + " of " + std::to_string(count);
    ASSERT_EQ(got.MergeSameRuns(first, last), deleted) << where;
    ASSERT_EQ(got.Runs(), want.Runs()) << where;
    ASSERT_EQ(got.freed, want.freed) << where;
    severalWithTail += deleted >= 2 && last < count;
  }
  EXPECT_GT(severalWithTail, 200) << "the rounds rarely merge several runs ahead of a tail";
}

TEST(RunSearch, BisectionAgreesWithLinearScanOnLongArrays) {
  std::mt19937 rng(7);
  for (int count : {1, 2, 7, 8, 9, 15, 16, 17, 100, 1000, 4097}) {
    std::vector<TRun> runs;
    std::int32_t off = 0;
    for (int k = 0; k < count; ++k) {
      runs.push_back({off, k});
      off += static_cast<std::int32_t>(rng() % 3);  // repeats give equal offsets
    }
    for (long probe = -2; probe <= off + 2; ++probe) {
      long expect = 1;
      for (long k = 1; k <= count; ++k)
        if (runs[size_t(k - 1)].offset <= probe) expect = k;
      long got = CKXPosArray::FindArrayIndex(probe, runs.data(), sizeof(TRun), count);
      ASSERT_EQ(got, expect) << "count " << count << " probe " << probe;
    }
  }
}

TEST(RunInsert, IntoEmptyArrayAtPositionAboveZero) {
  RunArray a;
  TRun r[2] = {{0, 4}, {2, 5}};
  a.Insert(6, r, 2, 4);
  EXPECT_EQ(a.Runs(), (std::vector<TRun>{{6, 4}, {8, 5}}));
}

TEST(RunInsert, FromItself) {
  RunArray a({{0, 1}, {4, 2}});
  a.Insert(8, &a, 8);
  EXPECT_EQ(Expand(a.Runs(), 16), (std::vector<int>{1, 1, 1, 1, 2, 2, 2, 2, 1, 1, 1, 1, 2, 2, 2, 2}));
}

TEST(RunDelete, DeletingTheWholeTextLeavesNoRuns) {
  RunArray whole({{0, 1}, {3, 2}});
  whole.Delete(0, 5, 5);
  EXPECT_EQ(whole.GetCount(), 0);
}

TEST(RunCopyPaste, EmptySourceAndPastingRecords) {
  RunArray dest({{0, 1}});
  RunArray().Copy(0, 5, &dest);  // an empty source leaves dest alone
  EXPECT_EQ(dest.Runs(), (std::vector<TRun>{{0, 1}}));

  RunArray p({{0, 1}, {10, 2}, {20, 3}});
  TRun items[2] = {{0, 5}, {1, 6}};
  p.Paste(5, 8, items, 2, 30);
  EXPECT_EQ(p.Runs(), (std::vector<TRun>{{0, 1}, {5, 5}, {6, 6}, {8, 1}, {10, 2}, {20, 3}}));
}

TEST(RunCompareInsert, PutsAPieceOverPartOfARun) {
  RunArray a({{0, 1}, {10, 2}, {20, 3}});
  TRun same{12, 2};
  a.CompareInsertAt(2, &same, 3, 20);
  EXPECT_EQ(a.GetCount(), 3);

  TRun head{10, 7};
  a.CompareInsertAt(2, &head, 4, 20);
  EXPECT_EQ(a.Runs(), (std::vector<TRun>{{0, 1}, {10, 7}, {14, 2}, {20, 3}}));

  TRun grows{14, 7};  // the run before already has it: it grows
  a.CompareInsertAt(3, &grows, 2, 20);
  EXPECT_EQ(a.Runs(), (std::vector<TRun>{{0, 1}, {10, 7}, {16, 2}, {20, 3}}));

  TRun inner{17, 8};
  a.CompareInsertAt(3, &inner, 1, 20);
  EXPECT_EQ(a.Runs(), (std::vector<TRun>{{0, 1}, {10, 7}, {16, 2}, {17, 8}, {18, 2}, {20, 3}}));

  TRun whole{20, 4};
  a.CompareInsertAt(6, &whole, 10, 30);
  EXPECT_EQ(a.Runs().back(), (TRun{20, 4}));

  TRun append{30, 5};
  a.CompareInsertAt(99, &append, 1, 31);
  EXPECT_EQ(a.Runs().back(), (TRun{30, 5}));
}

// The run array against a per-byte model under random edits.
class RunModel {
 public:
  explicit RunModel(std::uint32_t seed) : rng_(seed) {}

  std::vector<TRun> RandomRuns(long len) {
    std::vector<TRun> runs;
    long off = 0;
    while (off < len) {
      std::int32_t v = static_cast<std::int32_t>(rng_() % 3);
      if (!runs.empty() && runs.back().value == v) v = (v + 1) % 3;
      runs.push_back({static_cast<std::int32_t>(off), v});
      off += 1 + static_cast<long>(rng_() % 6);
    }
    return runs;
  }
  long Pick(long lo, long hi) { return lo + static_cast<long>(rng_() % std::uint32_t(hi - lo + 1)); }
  std::pair<long, long> Range(long textLen) {
    long a = Pick(0, textLen), b = Pick(0, textLen);
    return {std::min(a, b), std::max(a, b)};
  }
  std::mt19937 rng_;
};

void CheckInvariants(const RunArray& a, const std::vector<int>& model, const char* op) {
  std::vector<TRun> runs = a.Runs();
  long textLen = static_cast<long>(model.size());
  if (textLen > 0) {
    ASSERT_FALSE(runs.empty()) << op;
    ASSERT_EQ(runs[0].offset, 0) << op;
  }

  for (size_t k = 1; k < runs.size(); ++k) {
    ASSERT_LE(runs[k - 1].offset, runs[k].offset) << op;
    ASSERT_NE(runs[k - 1].value, runs[k].value) << op << " equal neighbours at " << k;
  }
  if (!runs.empty()) {
    ASSERT_LE(runs.back().offset, textLen) << op;
  }
  ASSERT_EQ(Expand(runs, textLen), model) << op;
}

TEST(RunModelTest, RandomEditsMatchPerByteModel) {
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    RunModel m(seed);
    std::vector<TRun> init = m.RandomRuns(30);
    RunArray a(init);
    std::vector<int> model = Expand(init, 30);
    for (int step = 0; step < 400; ++step) {
      long textLen = static_cast<long>(model.size());
      switch (m.Pick(0, 6)) {
        case 0: {  // insert runs
          long len = m.Pick(1, 12), pos = m.Pick(0, textLen);
          std::vector<TRun> items = m.RandomRuns(len);
          a.Insert(pos, items.data(), long(items.size()), len);
          std::vector<int> ins = Expand(items, len);
          model.insert(model.begin() + pos, ins.begin(), ins.end());
          CheckInvariants(a, model, "insert");
          break;
        }
        case 1: {  // delete text
          auto [from, to] = m.Range(textLen);
          a.Delete(from, to, textLen);
          model.erase(model.begin() + from, model.begin() + to);
          CheckInvariants(a, model, "delete");
          break;
        }
        case 2: {  // divide (on a copy: dividing leaves equal neighbours by design)
          auto [from, to] = m.Range(textLen);
          RunArray b;
          b.SetItems(&a);
          b.Divide(from, to);
          std::vector<TRun> runs = b.Runs();
          ASSERT_EQ(Expand(runs, textLen), model) << "divide";
          if (!runs.empty()) {
            for (long x : {from, to}) {
              bool found = false;
              for (const TRun& r : runs) found |= r.offset == x;
              ASSERT_TRUE(found) << "divide at " << x;
            }
          }
          break;
        }
        case 3: {  // copy
          auto [from, to] = m.Range(textLen);
          RunArray dest({{0, 99}});
          a.Copy(from, to, &dest);
          if (textLen > 0) {
            ASSERT_EQ(dest.Runs()[0].offset, 0);
            ASSERT_EQ(Expand(dest.Runs(), to - from),
                      std::vector<int>(model.begin() + from, model.begin() + to));
          }
          break;
        }
        case 4: {  // paste runs over a range, from another array
          auto [from, to] = m.Range(textLen);
          if (from == to) break;
          RunArray src(m.RandomRuns(to - from));
          a.Paste(from, to, &src, textLen);
          std::vector<int> put = Expand(src.Runs(), to - from);
          std::copy(put.begin(), put.end(), model.begin() + from);
          CheckInvariants(a, model, "paste");
          break;
        }
        case 5: {  // the offsets left behind by the edits, as every query sees them
          const std::vector<TRun> runs = a.Runs();
          const long n = static_cast<long>(runs.size());
          for (long off = -1; off <= textLen + 1; ++off) {
            long want = n == 0 ? 0 : 1;
            for (long k = 2; k <= n; ++k)
              if (runs[size_t(k - 1)].offset <= off) want = k;
            ASSERT_EQ(a.GetArrayIndex(off), want) << off;
          }
          for (long k = 1; k <= n; ++k) {
            ASSERT_EQ(a.GetOffsetAt(k), runs[size_t(k - 1)].offset);
            TRun r{};
            ASSERT_TRUE(a.FetchAt(k, &r));
            ASSERT_EQ(r, runs[size_t(k - 1)]);
          }
          break;
        }
        case 6: {  // a read of the block itself moves every offset first
          const std::vector<TRun> runs = a.Runs();
          StKXArrayLock lock(a);
          for (size_t k = 0; k < runs.size(); ++k) {
            TRun r;
            std::memcpy(&r, a.GetItemPtr(long(k) + 1), sizeof r);
            ASSERT_EQ(r, runs[k]) << "block entry " << k + 1;
          }
          break;
        }
      }
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

}  // namespace
