// The scripting model's parts of a range through the engine: characters
// counted as characters (a double-byte character is one), and the stepped
// enumeration checked against the edit object's own lookup by index over
// random texts, ranges, access orders and edits in between.
#include <cstdlib>
#include <random>

#include "common/test_main.h"
#include "engine_fixture.h"
#include "platform/exception.h"
#include "text/codes/script.h"

namespace {
using kxtest::EngineTest;
using kxtest::EngineWindow;
using kxtest::TestEngine;

std::string RandomText(std::mt19937& rng, long n) {
  std::string s;
  while (long(s.size()) < n) {
    switch (rng() % 9) {
      case 0: s += ' '; break;
      case 1: s += '\r'; break;
      case 2: s += "  "; break;
      case 3: case 4: s += char(0x82), s += char(0xA0 + rng() % 80); break;
      case 5: s += char(0x93), s += char(0x40 + rng() % 60); break;   // kanji
      default: s += char('a' + rng() % 26);
    }
  }
  return s;
}

// Character boundaries by the encoding's own rule.
std::vector<long> CharStarts(const std::string& s, long from, long to) {
  std::vector<long> starts;
  long p = 0;
  while (p < to) {
    if (p >= from) starts.push_back(p);
    p += KxTextCharFirst(static_cast<unsigned char>(s[std::size_t(p)]), kScriptJapanese) && p + 1 < long(s.size()) ? 2 : 1;
  }
  return starts;
}

struct Part {
  OSType kind;
  SKXRange range;
  bool operator==(const Part& o) const { return kind == o.kind && UKXRange::RangesSame(range, o.range); }
};

// The n-th part as the edit object finds it by index, from the range start.
Part Reference(TestEngine& e, const SKXRange& r, OSType kind, long code, long n) {
  if (kind == kKxPartKindChar) {
    const std::string text = e.Text();
    const auto starts = CharStarts(text, r.start, long(r.start) + r.length);
    if (n > long(starts.size())) return {kKxPartKindNull, {}};
    const long a = starts[std::size_t(n - 1)];
    const long b = n < long(starts.size()) ? starts[std::size_t(n)] : long(r.start) + r.length;
    return {kKxPartKindChar, {std::int32_t(a), std::int32_t(b - a)}};
  }
  long a = 0, b = 0;
  const long found = KXTE_GetPartInfo(e.GetEdit(), n, code, r.start, long(r.start) + r.length, a, b);
  static const OSType kinds[] = {kKxPartKindNull, kKxPartKindChar, kKxPartKindWord, kKxPartKindPara,
                                 kKxPartKindLine};
  if (found == 0) return {kKxPartKindNull, {}};
  return {kinds[found], {std::int32_t(a), std::int32_t(b - a)}};
}

class EnginePartsTest : public EngineTest {};

TEST_F(EnginePartsTest, SteppedEnumerationAgreesWithLookupByIndex) {
  EngineWindow w(Rect{40, 40, 440, 240});
  TestEngine& e = *w.engine;
  std::mt19937 rng(7u);
  const OSType kinds[] = {kKxPartKindChar, kKxPartKindWord, kKxPartKindPara, kKxPartKindLine};
  const long codes[] = {1, 2, 3, 4};
  for (long step = 0, steps = KxRandomSteps(60); step < steps; ++step) {
    if (step % 10 == 0) e.SetText(RandomText(rng, 300 + long(rng() % 300)));
    const std::string text = e.Text();
    const long len = long(text.size());
    const auto starts = CharStarts(text, 0, len);
    const long a = starts[rng() % starts.size()];
    const long b = std::min(len, a + long(rng() % 200));
    const SKXRange r{std::int32_t(a), std::int32_t(b - a)};
    const int k = int(rng() % 4);
    const long count = e.CountParts(r, kinds[k]);
    // Rising, then falling, then random order; an edit may come between.
    std::vector<long> order;
    for (long n = 1; n <= count + 1; ++n) order.push_back(n);
    for (long n = count; n >= 1; --n) order.push_back(n);
    for (int j = 0; j < 10 && count > 0; ++j) order.push_back(1 + long(rng() % std::uint32_t(count)));
    const bool edit = step % 3 == 0 && count > 2;
    long seen = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (edit && i == order.size() / 3) {
        // Typing inside the range (and through the engine) moves every part after it.
        e.Select(a, a);
        e.DoKey('q', 0);
        e.DoKey(' ', 0);
      }
      const SKXRange now = i > order.size() / 3 && edit ? SKXRange{r.start, r.length + 2} : r;
      SKXRange got{};
      const OSType kind = e.FindNthPart(now, kinds[k], order[i], &got);
      const Part want = Reference(e, now, kinds[k], codes[k], order[i]);
      ASSERT_TRUE((Part{kind, kind == kKxPartKindNull ? SKXRange{} : got} == want))
          << "kind " << k << " n " << order[i] << " step " << step << " got " << got.start << "+" << got.length
          << " want " << want.range.start << "+" << want.range.length;
      if (i < std::size_t(count) && kind != kKxPartKindNull) ++seen;
    }
    EXPECT_EQ(seen, count) << "the count and the enumeration disagree, kind " << k;
  }
}

TEST_F(EnginePartsTest, CharactersAreCountedAsCharacters) {
  TestEngine e;
  // "a", two kana, "b": 6 bytes, 4 characters.
  e.SetText("a\x82\xA0\x82\xA2" "b");
  EXPECT_EQ(e.CountParts(CKXTextLayer::sTextAll, kKxPartKindChar), 4);
  EXPECT_EQ(e.CountParts({0, 0}, kKxPartKindChar), 0);
  SKXRange part{};
  EXPECT_EQ(e.FindNthPart(CKXTextLayer::sTextAll, kKxPartKindChar, 3, &part), kKxPartKindChar);
  EXPECT_EQ(part.start, 3);
  EXPECT_EQ(part.length, 2);
  EXPECT_EQ(e.FindNthPart(CKXTextLayer::sTextAll, kKxPartKindChar, 5, &part), kKxPartKindNull);
  // An empty range grows by one character, two bytes for a kana.
  EXPECT_EQ(e.FindPart(CKXTextLayer::sTextAll, kKxPartKindChar, {1, 0}, &part), kKxPartKindChar);
  EXPECT_EQ(part.length, 2);
  EXPECT_EQ(e.FindPart({0, 3}, kKxPartKindChar, {4, 1}, &part), kKxPartKindNull);
  long first = 0, last = 0;
  EXPECT_EQ(e.FindSubRangePartIndices(CKXTextLayer::sTextAll, kKxPartKindChar, {1, 4}, first, last),
            kKxPartKindChar);
  EXPECT_EQ(first, 2);
  EXPECT_EQ(last, 3);
  EXPECT_EQ(e.FindSubRangePartIndices(CKXTextLayer::sTextAll, kKxPartKindChar, {5, 0}, first, last),
            kKxPartKindChar);
  EXPECT_EQ(first, 4);
  EXPECT_EQ(last, 4);
}

TEST_F(EnginePartsTest, OtherKindsAreRefused) {
  TestEngine e;
  e.SetText("text");
  for (const OSType kind : {FourCC("docu"), FourCC("null"), OSType(0)}) {
    try {
      e.CountParts(CKXTextLayer::sTextAll, kind);
      ADD_FAILURE() << "no exception";
    } catch (const LException& x) {
      EXPECT_EQ(x.GetErrorCode(), kKxErrBadPartKind);
    }
    EXPECT_THROW(e.FindNthPart(CKXTextLayer::sTextAll, kind, 1, nullptr), LException);
  }
}

TEST_F(EnginePartsTest, LinesFollowAChangeOfWidth) {
  TestEngine e;
  std::string text;
  for (int k = 0; k < 40; ++k) text += "word ";
  e.SetText(text);
  const long before = e.CountParts(CKXTextLayer::sTextAll, kKxPartKindLine);
  SKXRange last{};
  ASSERT_NE(e.FindNthPart(CKXTextLayer::sTextAll, kKxPartKindLine, before, &last), kKxPartKindNull);
  SDimension32 size{};
  e.GetImageSize(size);
  e.SetImageSize(SDimension32{size.width / 2, 0});
  const long after = e.CountParts(CKXTextLayer::sTextAll, kKxPartKindLine);
  ASSERT_GT(after, before);
  SKXRange part{};
  // The part last found first: a kept enumeration must not answer it.
  std::vector<long> order{before};
  for (long n = 1; n <= after; ++n) order.push_back(n);
  for (const long n : order) {
    ASSERT_NE(e.FindNthPart(CKXTextLayer::sTextAll, kKxPartKindLine, n, &part), kKxPartKindNull) << n;
    long a = 0, b = 0;
    KXTE_GetPartInfo(e.GetEdit(), n, 4, 0, long(text.size()), a, b);
    ASSERT_EQ(part.start, a) << n;
  }
}

}  // namespace
