#include "text/find/find.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/test_main.h"
#include "platform/script.h"
#include "text/base/array.h"
#include "text/runs/runs.h"

namespace {

using Bytes = std::string;
using Matches = std::vector<std::pair<long, long>>;

// Shift_JIS of the characters the cases use.
const Bytes kGa = "\x83\x4B";        // ガ
const Bytes kGaHira = "\x82\xAA";    // が
const Bytes kKaHalfDaku = "\xB6\xDE";   // ｶﾞ
const Bytes kA = "\x82\xA0";         // あ
const Bytes kAKata = "\x83\x41";     // ア
const Bytes kAWide = "\x82\x60";     // Ａ

// Every match of a forward (or backward) search, searching on past each one.
Matches FindAll(const Bytes& text, const Bytes& pattern, short options, CKXArrayL* runs = nullptr,
                CKXArrayL* decos = nullptr) {
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  const auto* p = reinterpret_cast<const unsigned char*>(pattern.data());
  std::vector<SKXFindChar> fc(pattern.size() + 1);
  long n = UKXFind::MakeFindChar(fc.data(), p, long(pattern.size()), options, kScriptJapanese);
  EXPECT_EQ(n, UKXFind::CountFindChar(p, long(pattern.size()), options, kScriptJapanese));
  CKXFindStyl styl(runs, kScriptJapanese, decos);
  Matches out;
  const long len = long(text.size());
  bool back = options & kKXFindBackward;
  long pos = back ? -1 : 0;
  for (;;) {
    long found = -1;
    short w = UKXFind::Find1stStep(t, pos, len, fc.data(), n, options, found, styl);
    if (!w) break;
    std::int32_t r = UKXFind::Find2ndStep(t, found, len, fc.data(), n, options, styl);
    if (r > 0) out.emplace_back(found, r);
    pos = back ? found : found + (r > 0 ? r : w);
    if (back && pos == 0) break;
  }
  return out;
}

// Style runs of fonts: 0 is Japanese, 3 Roman.
void AddRun(CKXArrayL& runs, std::int32_t offset, std::int16_t font) {
  SKXStyl entry{};
  entry.offset = offset;
  entry.styl.font = font;
  runs.InsertItemsAt(1, runs.GetCount() + 1, &entry);
}

TEST(Find, FoldedFormsFitTheAlternativesOfEveryCode) {
  for (short options : {2, 4, 8, 6, 10, 12, 14}) {
    for (std::uint32_t code = 0; code < 0x10000; ++code) {
      std::uint16_t alts[kKXFindEnumMax];
      int k = UKXFind::EnumFindChar(std::uint16_t(code), options, alts);
      int singles = 0;
      for (int i = 0; i < k; ++i) singles += alts[i] < 257;
      ASSERT_LE(singles, kKXFindMaxAlt) << code << " " << options;
      ASSERT_LE(k - singles, kKXFindMaxAlt) << code << " " << options;
    }
  }
  // ガ under width and kana folding: ガ, が and the half-width pair.
  SKXFindChar fc;
  ASSERT_EQ(1, UKXFind::MakeFindChar(&fc, reinterpret_cast<const unsigned char*>(kGa.data()), 2, 12, 1));
  EXPECT_EQ(3, fc.doubleCount);
  EXPECT_TRUE(UKXFind::MatchFindChar(fc, 0x82AA));
}

TEST(Find, WidthFoldingJoinsHalfWidthKanaAndVoicedMark) {
  const Bytes text = "x" + kGa + "y" + kKaHalfDaku + "z\xB6" "a";
  EXPECT_EQ((Matches{{1, 2}, {4, 2}}), FindAll(text, kKaHalfDaku, 4));
  EXPECT_EQ((Matches{{1, 2}, {4, 2}}), FindAll(text, kGa, 4));
  EXPECT_EQ((Matches{{4, 2}}), FindAll(text, kKaHalfDaku, 0));
  // A lone ｶ is not the ｶ of ｶﾞ under width folding.
  EXPECT_EQ((Matches{{7, 1}}), FindAll(text, "\xB6", 4));
  EXPECT_EQ((Matches{{1, 2}, {4, 2}}), FindAll(text, kGaHira, 12));
}

TEST(Find, NoMatchStartsOnTheMarkOfAJoinedPair) {
  const Bytes mark = "\xDE", markWide = "\x81\x4A";   // ﾞ and ゛
  // ｶﾞ is one character under width folding: its mark starts nothing,
  // forward or backward, whatever folds to it.
  for (short back : {0, 1}) {
    EXPECT_EQ(Matches{}, FindAll(kKaHalfDaku, mark, short(4 | back)));
    EXPECT_EQ(Matches{}, FindAll(kKaHalfDaku, markWide, short(4 | back)));
    EXPECT_EQ(Matches{}, FindAll("x" + kKaHalfDaku + "y", mark + "y", short(4 | back)));
    // Without width folding the two bytes are two characters.
    EXPECT_EQ((Matches{{1, 1}}), FindAll(kKaHalfDaku, mark, back));
    // A mark after no kana, after a joined pair, after the trail byte of a
    // double-byte character (83 B6) or in a pair it cannot join stands alone.
    const Bytes text = "x" + mark + kKaHalfDaku + mark + "\x83\xB6" + mark + "\xB1" + mark;
    Matches alone{{1, 1}, {4, 1}, {7, 1}, {9, 1}};
    if (back) alone = {{9, 1}, {7, 1}, {4, 1}, {1, 1}};
    EXPECT_EQ(alone, FindAll(text, mark, short(4 | back)));
  }
  // A picture takes no mark: the mark after it is a character.
  CKXArrayL decos(sizeof(SKXDeco));
  SKXDeco runs[3] = {{0, {}, 0}, {1, {}, 0}, {2, {}, 0}};
  runs[1].deco.pictID = 1;
  for (const SKXDeco& run : runs) decos.InsertItemsAt(1, decos.GetCount() + 1, &run);
  EXPECT_EQ((Matches{{2, 1}}), FindAll("a\xCA" + mark, mark, 4, nullptr, &decos));
  EXPECT_EQ((Matches{{2, 1}}), FindAll("a\xCA" + mark, mark, 5, nullptr, &decos));
  EXPECT_EQ(Matches{}, FindAll("a\xCA" + mark, mark, 4));
}

TEST(Find, KanaAndCaseFolding) {
  EXPECT_EQ((Matches{{0, 2}}), FindAll(kAKata, kA, 8));
  EXPECT_EQ(Matches{}, FindAll(kAKata, kA, 0));
  // "a" finds Ａ only when width folding joins case folding.
  EXPECT_EQ(Matches{}, FindAll(kAWide, "a", 2));
  EXPECT_EQ((Matches{{0, 2}}), FindAll(kAWide, "a", 6));
  EXPECT_EQ((Matches{{0, 3}, {4, 3}}), FindAll("AbC aBc", "abc", 2));
}

TEST(Find, MatchesStartOnCharacterBoundaries) {
  // ア is 83 41: its trail byte is "A" but no character of its own.
  const Bytes text = kAKata + "A" + kAKata + kAKata + "\x41\x83";
  EXPECT_EQ((Matches{{2, 1}, {7, 1}}), FindAll(text, "A", 0));
  EXPECT_EQ((Matches{{2, 1}, {7, 1}}), FindAll(text, "a", 2));
  EXPECT_EQ((Matches{{3, 4}}), FindAll(text, kAKata + kAKata, 0));
  // The text ends on a lead byte: read as a byte of its own.
  EXPECT_EQ((Matches{{8, 1}}), FindAll(text, "\x83", 0));
}

// Plain patterns without folding are looked for as bytes (their rarest
// bytes first) and then held to character starts: random texts of
// characters whose bytes overlap the pattern's find what a walk from
// character to character finds.
TEST(Find, ExactBytesFindWhatACharacterWalkFinds) {
  std::mt19937 rng(11);
  const std::vector<Bytes> pieces = {"A", "B", "a", " ", "\r", kA, kAKata, "\x83" "B", "\x82" "A", kGa, "\xB6"};
  const long rounds = KxRandomSteps(400);
  for (long round = 0; round < rounds && !HasFailure(); ++round) {
    Bytes text, pattern;
    for (unsigned k = rng() % 200; k > 0; --k) text += pieces[rng() % pieces.size()];
    for (unsigned k = 1 + rng() % 3; k > 0; --k) pattern += pieces[rng() % pieces.size()];
    if (pattern.find('\r') != Bytes::npos) continue;
    Matches want;
    std::vector<bool> starts(text.size() + 1, false);
    for (std::size_t q = 0; q < text.size();) {
      starts[q] = true;
      q += KxTextCharFirst(static_cast<unsigned char>(text[q]), kScriptJapanese) && q + 1 < text.size() ? 2 : 1;
    }
    for (std::size_t q = 0; q + pattern.size() <= text.size();) {
      if (starts[q] && text.compare(q, pattern.size(), pattern) == 0) {
        want.emplace_back(long(q), long(pattern.size()));
        q += pattern.size();
      } else {
        ++q;
      }
    }
    EXPECT_EQ(want, FindAll(text, pattern, 0)) << "round " << round;
  }
}

TEST(Find, BackwardSearch) {
  const Bytes text = "ab" + kA + "ab" + kA + "ab";
  EXPECT_EQ((Matches{{8, 2}, {4, 2}, {0, 2}}), FindAll(text, "ab", 1));
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  SKXFindChar fc[2];
  long n = UKXFind::MakeFindChar(fc, reinterpret_cast<const unsigned char*>("ab"), 2, 1, 1);
  CKXFindStyl styl(nullptr, 1);
  long found = -1;
  EXPECT_EQ(0, UKXFind::Find1stStep(t, 0, long(text.size()), fc, n, 1, found, styl));
  // From inside the second "ab": the one that starts before.
  EXPECT_EQ(1, UKXFind::Find1stStep(t, 5, long(text.size()), fc, n, 1, found, styl));
  EXPECT_EQ(4, found);
  // Characters whose bytes could all lead: stepping back keeps their pairs.
  Bytes kanji(20000, '\x88');   // 88 88 ... pairs: every byte could lead
  kanji = "ab" + kanji + "ab";
  EXPECT_EQ((Matches{{20002, 2}, {0, 2}}), FindAll(kanji, "ab", 1));
  EXPECT_EQ((Matches{{0, 2}, {20002, 2}}), FindAll(kanji, "ab", 0));
}

TEST(Find, TextEndingInsideThePattern) {
  const Bytes text = "xxab";
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  SKXFindChar fc[3];
  long n = UKXFind::MakeFindChar(fc, reinterpret_cast<const unsigned char*>("abc"), 3, 0, 1);
  CKXFindStyl styl(nullptr, 1);
  EXPECT_EQ(-1, UKXFind::Find2ndStep(t, 2, 4, fc, n, 0, styl));
  EXPECT_EQ(0, UKXFind::Find2ndStep(t, 1, 4, fc, n, 0, styl));
  long found = -1;
  // The whole text: no match. One chunk of a longer text: a candidate.
  EXPECT_EQ(0, UKXFind::Find1stStep(t, 0, 4, fc, n, 0, found, styl));
  KxFindStylSetBase(styl, 0, false);
  EXPECT_EQ(1, UKXFind::Find1stStep(t, 0, 4, fc, n, 0, found, styl));
  EXPECT_EQ(2, found);
  // ｶ at a chunk's end may be joined by a mark in the next chunk.
  const Bytes kana = "x\xB6";
  SKXFindChar ka;
  UKXFind::MakeFindChar(&ka, reinterpret_cast<const unsigned char*>("\xB6"), 1, 4, 1);
  EXPECT_EQ(-1, UKXFind::Find2ndStep(reinterpret_cast<const unsigned char*>(kana.data()), 1, 2, &ka, 1, 4, styl));
}

TEST(Find, ScriptOfEachStyleRun) {
  // ア ア: the second in a Roman run, where 83 and 41 are two characters.
  const Bytes text = kAKata + kAKata;
  CKXArrayL runs(sizeof(SKXStyl));
  AddRun(runs, 0, 0);
  AddRun(runs, 2, 3);
  EXPECT_EQ((Matches{{3, 1}}), FindAll(text, "A", 0, &runs));
  EXPECT_EQ((Matches{{3, 1}}), FindAll(text, "a", 2, &runs));
  EXPECT_EQ(0, runs.GetLockCount());

  // More runs than a 16-bit count holds, alternating scripts.
  CKXArrayL many(sizeof(SKXStyl));
  Bytes big;
  for (int i = 0; i < 40000; ++i) {
    AddRun(many, std::int32_t(big.size()), std::int16_t(i % 2 ? 3 : 0));
    big += kAKata;
  }
  Matches expect;
  for (long i = 1; i < 40000; i += 2) expect.emplace_back(i * 2 + 1, 1);
  EXPECT_EQ(expect, FindAll(big, "A", 0, &many));
  EXPECT_EQ(expect, FindAll(big, "A", 4, &many));
  CKXFindStyl styl(&many, 1);
  styl.Get().base = 70000;
  EXPECT_EQ(1, UKXFind::ScriptType(5000, styl));   // run 37500: Japanese
  EXPECT_EQ(0, UKXFind::ScriptType(5002, styl));   // run 37501: Roman
}

}  // namespace
