// Coded style and decoration changes against a reference that does what the
// store did before the merge became one pass: split the runs at the range
// ends, apply the code run by run, then delete each run that equals its
// left neighbour one at a time, from the last run of the range back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "text/store/text.h"

namespace {

template <typename Run>
bool SameElement(const Run& a, const Run& b) {
  return std::memcmp(reinterpret_cast<const char*>(&a) + 4, reinterpret_cast<const char*>(&b) + 4,
                     sizeof(Run) - 4) == 0;
}

// The runs as text: offset, then the element's bytes in hex.
template <typename Run>
std::string Dump(const std::vector<Run>& runs) {
  std::string s;
  for (const Run& r : runs) {
    s += std::to_string(r.offset) + ":";
    const auto* b = reinterpret_cast<const unsigned char*>(&r) + 4;
    for (size_t k = 0; k + 4 < sizeof(Run); ++k) {
      s += "0123456789abcdef"[b[k] >> 4];
      s += "0123456789abcdef"[b[k] & 15];
    }
    s += " ";
  }
  return s;
}

// The reference on a plain list (0-based; the store's run k is runs[k - 1]).
// Answers how many runs the merge deleted.
template <typename Run, typename Apply>
long ReferenceApply(std::vector<Run>& runs, long from, long to, long len, Apply apply) {
  if (from > to) std::swap(from, to);
  if (from == to) {
    if (len == 0 && runs.size() == 1) apply(runs[0]);
    return 0;
  }
  auto indexOf = [&](long x) {  // the store's GetArrayIndex, 1-based
    long i = 1;
    while (i < static_cast<long>(runs.size()) && runs[size_t(i)].offset <= x) ++i;
    return i;
  };
  for (long x : {from, to}) {
    long i = indexOf(x);
    if (x > runs[size_t(i - 1)].offset) {
      Run copy = runs[size_t(i - 1)];
      copy.offset = static_cast<std::int32_t>(x);
      runs.insert(runs.begin() + i, copy);
    }
  }
  const long i = indexOf(from);
  long j = indexOf(to);
  if (runs[size_t(j - 1)].offset != to) j = static_cast<long>(runs.size()) + 1;
  for (long k = i; k < j; ++k) apply(runs[size_t(k - 1)]);
  long merged = 0;
  for (long k = std::min<long>(j, static_cast<long>(runs.size())); k >= std::max(i, 2L); --k) {
    if (!SameElement(runs[size_t(k - 2)], runs[size_t(k - 1)])) continue;
    runs.erase(runs.begin() + (k - 1));
    ++merged;
  }
  const long n = static_cast<long>(runs.size());
  if (to == len && to >= 1 && n > 1 && runs.back().offset >= to) runs.pop_back();
  return merged;
}

std::vector<SKXStyl> Styls(const CKXText& t) {
  std::vector<SKXStyl> v(static_cast<size_t>(t.GetStylCount()));
  t.GetStyls(v.data(), static_cast<long>(v.size()));
  return v;
}

std::vector<SKXDeco> Decos(const CKXText& t) {
  std::vector<SKXDeco> v(static_cast<size_t>(t.GetDecoCount()));
  t.GetDecos(v.data(), static_cast<long>(v.size()));
  return v;
}

// A text of `len` bytes whose runs change every few bytes among a few
// looks, so that a change over a range leaves many neighbours equal.
void RandomText(CKXText& t, std::mt19937& rng, long len) {
  auto pick = [&](long n) { return static_cast<long>(rng() % static_cast<unsigned long>(n)); };
  std::string bytes(size_t(len), 'a');
  for (char& c : bytes) c = static_cast<char>('a' + pick(26));
  std::vector<SKXStyl> styls;
  std::vector<SKXDeco> decos;
  for (long at = 0; at < len; at += 1 + pick(4)) {
    SKXStyl s{};
    s.offset = static_cast<std::int32_t>(at);
    s.styl.size = static_cast<std::int16_t>(pick(4) ? 12 : 10);
    s.styl.face = static_cast<std::uint8_t>(pick(4));  // bold and italic bits
    s.styl.color.red = static_cast<std::uint16_t>(pick(5) ? 0 : 0xFFFF);
    if (pick(4)) CKXStylArray::SetHeightAscent(s.styl);  // as read from a file; else not yet measured
    styls.push_back(s);
  }
  for (long at = 0; at < len; at += 1 + pick(4)) {
    SKXDeco d{};
    d.offset = static_cast<std::int32_t>(at);
    d.deco.lineBits = static_cast<std::uint16_t>(pick(3) << 3);  // underline none, solid, double
    d.deco.flags = static_cast<std::uint8_t>(pick(3) ? 0 : 0x08);
    decos.push_back(d);
  }
  t.SetText(bytes.data(), len, styls.data(), static_cast<long>(styls.size()), decos.data(),
            static_cast<long>(decos.size()), nullptr, 0, nullptr, 0);
}

TEST(TextAttr, CodedChangesMatchTheRunByRunReference) {
  // KX_TEXT_ATTR_SEED picks another walk when run by hand.
  const char* seed = std::getenv("KX_TEXT_ATTR_SEED");
  std::mt19937 rng(seed ? static_cast<unsigned>(std::atoi(seed)) : 20261209u);
  auto pick = [&](long n) { return static_cast<long>(rng() % static_cast<unsigned long>(n)); };
  static const short kStylCodes[] = {kKXStylTypeFace, kKXStylTypeFaceOn, kKXStylTypeSize, kKXStylTypeColor};
  static const short kDecoCodes[] = {kKXDecoTypeUnderLine, kKXDecoTypeUnderLine + kKXDecoTypeSet, kKXDecoTypeStyle,
                                     kKXDecoTypeStyle + kKXDecoTypeSet};
  long manyMerged = 0;  // changes whose merge took out several runs with runs behind them
  for (int round = 0; round < 300; ++round) {
    CKXText t;
    RandomText(t, rng, pick(5) == 0 ? pick(3) : 1 + pick(160));
    for (int step = 0; step < 12; ++step) {
      const long len = t.GetLength();
      long from = pick(len + 1), to = pick(5) == 0 ? from : pick(len + 1);
      if (pick(4) == 0) from = 0, to = len;  // the whole text, as Select All
      const std::string where = "round " + std::to_string(round) + " step " + std::to_string(step) + " " +
                                std::to_string(from) + ".." + std::to_string(to);
      long merged = 0;
      bool tail = false;
      if (pick(2)) {
        const short code = kStylCodes[pick(4)];
        SStyl src{};
        src.face = static_cast<std::uint8_t>(pick(3) == 0 ? 2 : 1);
        src.size = static_cast<std::int16_t>(pick(2) ? 12 : 10);
        src.color.red = static_cast<std::uint16_t>(pick(2) ? 0xFFFF : 0);
        std::vector<SKXStyl> want = Styls(t);
        merged = ReferenceApply(want, from, to, len, [&](SKXStyl& r) {
          CKXStylArray::SetStylType(r.styl, code, src);
          if (r.styl.height == 0) CKXStylArray::SetHeightAscent(r.styl);
          KxNormalizeStyl(r.styl);
        });
        tail = std::max(from, to) < len && want.back().offset > std::max(from, to);
        t.SetStyl(from, to, code, src);
        ASSERT_EQ(Dump(Styls(t)), Dump(want)) << where << " style code " << code;
      } else {
        const short code = kDecoCodes[pick(4)];
        SDeco src{};
        src.lineBits = static_cast<std::uint16_t>(1 + pick(2));
        src.flags = 0x08;
        std::vector<SKXDeco> want = Decos(t);
        merged = ReferenceApply(want, from, to, len, [&](SKXDeco& r) {
          CKXDecoArray::SetDecoType(r.deco, code, src);
          r.pad = 0;
        });
        tail = std::max(from, to) < len && want.back().offset > std::max(from, to);
        t.SetDeco(from, to, code, src);
        ASSERT_EQ(Dump(Decos(t)), Dump(want)) << where << " decoration code " << code;
      }
      ASSERT_EQ(t.Check(), "") << where;
      manyMerged += merged >= 2 && tail;
    }
  }
  // The one-pass merge must have been exercised where it matters: several
  // runs going at once while runs behind them move down.
  EXPECT_GT(manyMerged, 300) << "the walk rarely merges several runs";
}

TEST(TextAttr, JustifyOverAlternatingParagraphsLeavesOneRun) {
  // Paragraph runs go through the same merge; every other paragraph right-aligned.
  CKXText t;
  std::string bytes;
  for (int k = 0; k < 30; ++k) bytes += "ab\r";
  t.SetText(bytes.data(), static_cast<long>(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  for (int k = 0; k < 30; k += 2) t.SetParaJustify(k * 3, k * 3, 2);
  ASSERT_EQ(t.GetParaCount(), 30);
  t.SetParaJustify(4, 50, 2);  // widens to paragraphs 1..16 (from 0): 0..16 now alike
  EXPECT_EQ(t.GetParaCount(), 14);  // 0..16 in one run, 17..29 still alternate
  EXPECT_EQ(t.Check(), "");
  t.SetParaJustify(0, static_cast<long>(bytes.size()), 1);
  EXPECT_EQ(t.GetParaCount(), 1);
  EXPECT_EQ(t.Check(), "");
}

}  // namespace
