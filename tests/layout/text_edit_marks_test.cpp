// Marks and markups of the edit object under random typing and deleting,
// against a list model of their rules: an insertion cuts the mark it falls
// inside and removes the markup it falls strictly inside, and moves what
// starts at or after it; a deletion cuts the mark running into it, removes
// the marks starting in it and every markup touching it, and moves the rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "layout/text_edit_ex.h"
#include "text_edit_fixture.h"

namespace {

long RandomSteps(long fallback) {
  const char* env = std::getenv("KX_RANDOM_STEPS");
  const long n = env ? std::strtol(env, nullptr, 10) : 0;
  return n > 0 ? n : fallback;
}

class MarkEdit : private kxtest::SyntheticFont, public CKXTextEditEx {
 public:
  MarkEdit() : CKXTextEditEx(RectL{0, 0, 0, 500}, RectL{0, 0, 400, 400}, KxDefaultPageStyl()) {}
  void SetString(const std::string& s) {
    SetText(s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    CalcText();
  }
  void ClearResult() { mResult = 0; }
};

struct Range {
  long start, length;
  friend bool operator==(const Range&, const Range&) = default;
};
using Ranges = std::vector<Range>;

Ranges Marks(const MarkEdit& e) {
  Ranges out;
  for (long k = 1; k <= e.GetMarkCount(); ++k) {
    long s = 0, t = 0;
    e.GetMarkRangeAt(k, s, t);
    out.push_back({s, t - s});
  }
  return out;
}

Ranges Markups(const MarkEdit& e) {
  Ranges out;
  for (long k = 1; k <= e.GetMarkupCount(); ++k) {
    long s = 0, t = 0;
    e.GetMarkupRangeAt(k, s, t);
    out.push_back({s, t - s});
  }
  return out;
}

void ModelInsert(Ranges& marks, Ranges& markups, long pos, long n) {
  for (Range& m : marks) {
    if (m.start >= pos)
      m.start += n;
    else if (m.start + m.length > pos)
      m.length = pos - m.start;
  }
  Ranges kept;
  for (Range m : markups) {
    if (m.start < pos && pos < m.start + m.length) continue;
    if (m.start >= pos) m.start += n;
    kept.push_back(m);
  }
  markups = kept;
}

// Answers whether a mark went.
bool ModelDelete(Ranges& marks, Ranges& markups, long from, long to) {
  const long n = to - from;
  Ranges kept;
  for (Range m : marks) {
    if (m.start < from) {
      m.length = std::min(m.length, from - m.start);
    } else if (m.start < to || (m.start == to && m.length == 0)) {
      continue;
    } else {
      m.start -= n;
    }
    kept.push_back(m);
  }
  const bool gone = kept.size() != marks.size();
  marks = kept;
  kept.clear();
  for (Range m : markups) {
    if (m.start + m.length >= from && m.start < to) continue;
    if (m.start >= to) m.start -= n;
    kept.push_back(m);
  }
  markups = kept;
  return gone;
}

TEST(EditMarks, RandomEditsAgainstListModel) {
  std::mt19937 rng(2123);
  const long rounds = RandomSteps(60);
  for (long round = 0; round < rounds; ++round) {
    MarkEdit e;
    std::string text(200, 'a');
    for (size_t k = 0; k < text.size(); k += 17) text[k] = '\r';
    e.SetString(text);
    Ranges marks, markups;
    // Disjoint ranges in order, some empty, some long.
    for (long at = long(rng() % 10); at < 190;) {
      const long len = (rng() % 4 == 0) ? 0 : long(rng() % 30);
      const long end = std::min(200L, at + len);
      const unsigned char name[] = {3, 'm', 'k', 'x'};
      if (rng() % 2) {
        e.InsertMark(at, end, name);
        marks.push_back({at, end - at});
      } else if (end > at) {
        e.InsertMarkup(at, end);
        markups.push_back({at, end - at});
      }
      at = end + 1 + long(rng() % 15);
    }
    ASSERT_EQ(Marks(e), marks);
    ASSERT_EQ(Markups(e), markups);
    for (int step = 0; step < 40; ++step) {
      const long len = e.GetLength();
      if (rng() % 2 && len > 0) {
        long from = long(rng() % size_t(len)), to = std::min(len, from + 1 + long(rng() % 20));
        e.ClearResult();
        e.DeleteString(from, to);
        const bool gone = ModelDelete(marks, markups, from, to);
        EXPECT_EQ((e.GetResult() & kKxEditMarks) != 0, gone) << "delete " << from << ".." << to;
      } else {
        const long pos = long(rng() % size_t(len + 1));
        const std::string bytes(1 + rng() % 5, 'b');
        e.InsertString(pos, bytes.data(), long(bytes.size()), nullptr, nullptr, nullptr, 0);
        ModelInsert(marks, markups, pos, long(bytes.size()));
      }
      ASSERT_EQ(Marks(e), marks) << "round " << round << " step " << step;
      ASSERT_EQ(Markups(e), markups) << "round " << round << " step " << step;
      ASSERT_EQ(e.CheckMarks(), "");
    }
  }
}

TEST(EditMarks, ArraysComeAndGo) {
  MarkEdit e;
  e.SetString("0123456789abcdefghij");
  EXPECT_EQ(e.GetMarkCount(), 0);
  EXPECT_EQ(e.GetMarkDataSize(), 0);
  EXPECT_EQ(e.GetRankDataSize(), 0);
  long s = -1, t = -1;
  EXPECT_FALSE(e.GetMarkup(3, s, t));
  const unsigned char name[] = {2, 'h', 'i'};
  e.InsertMark(15, 20, name);
  unsigned char out[256];
  e.GetMarkStringAt(1, out);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out + 1), out[0]).substr(0, 2), "hi");
  // Deleting the last mark's text removes it and says so.
  e.ClearResult();
  e.DeleteString(14, 20);
  EXPECT_EQ(e.GetMarkCount(), 0);
  EXPECT_NE(e.GetResult() & kKxEditMarks, 0);
  EXPECT_EQ(e.CheckMarks(), "");
  // Ranges past the text are clamped to it.
  e.InsertMarkup(5, 400);
  e.GetMarkupRangeAt(1, s, t);
  EXPECT_EQ(t, e.GetLength());
  EXPECT_TRUE(e.GetMarkup(6, s, t));
  e.DeleteMarkup(-10, 1000);
  EXPECT_EQ(e.GetMarkupCount(), 0);
  EXPECT_EQ(e.CheckMarks(), "");
}

TEST(EditMarks, MarkOverThirtyTwoKilobytes) {
  MarkEdit e;
  e.SetString(std::string(70000, 'x'));
  e.InsertMark(10, 69990, nullptr);
  e.InsertString(5, "yy", 2, nullptr, nullptr, nullptr, 0);
  long s = 0, t = 0;
  e.GetMarkRangeAt(1, s, t);
  EXPECT_EQ(s, 12);
  EXPECT_EQ(t, 69992);
}

TEST(EditMarks, MarkupLocationsOfALine) {
  MarkEdit e;
  e.SetString("0123456789abcdefghij");
  e.InsertMarkup(2, 5);
  e.InsertMarkup(8, 12);
  e.InsertMarkup(15, 18);
  struct Case {
    long start, length, capacity;
    long answer;
    std::vector<long> locs;
  };
  const Case cases[] = {
      {0, 20, 16, 6, {2, 5, 8, 12, 15, 18}},
      {4, 6, 16, 4, {0, 1, 4, 6}},
      {10, 10, 16, 4, {0, 2, 5, 8}},
      {5, 3, 16, 0, {}},
      {0, 20, 2, 6, {2, 5}},  // the answer counts all, the buffer takes what fits
  };
  for (const Case& c : cases) {
    std::vector<long> out(size_t(c.capacity) + 2, -7);
    EXPECT_EQ(e.GetMarkupLocs(c.start, c.length, c.capacity, out.data()), c.answer) << c.start;
    const size_t written = std::min(size_t(c.answer), size_t(c.capacity));
    EXPECT_EQ(std::vector<long>(out.begin(), out.begin() + long(written)), c.locs) << c.start;
    EXPECT_EQ(out[size_t(c.capacity)], -7) << "wrote past capacity";
  }
}

}  // namespace
