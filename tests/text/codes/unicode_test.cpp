#include "text/codes/unicode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/script.h"
#include "text/base/memory.h"
#include "text/runs/runs.h"

namespace {

struct FromResult {
  bool ok = false;
  std::u16string units;
  std::vector<SKXGlyphRecord> glyphs;
};

FromResult From(short script, const std::string& bytes, const std::vector<SKXUniChar>& entries = {},
                const std::vector<SKXScriptRun>& runs = {}) {
  CKXUnicode uni(script, kKxUnicodeFromText);
  Handle units = nullptr, glyphs = nullptr;
  long count = -1;
  FromResult r;
  r.ok = uni.ConvertFromText(bytes.data(), long(bytes.size()), entries.data(), long(entries.size()), units, count,
                             glyphs, runs.empty() ? nullptr : runs.data(), long(runs.size()));
  if (units) {
    r.units.assign(reinterpret_cast<const char16_t*>(*units), std::size_t(count));
    KxMemHFree(units);
  }
  for (long k = 0; k < KxGlyphRecordCount(glyphs); ++k) {
    SKXGlyphRecord g;
    KxGetGlyphRecord(glyphs, k, g);
    r.glyphs.push_back(g);
  }
  if (glyphs) KxMemHFree(glyphs);
  return r;
}

struct ToResult {
  bool ok = false;
  std::string text;
  std::vector<SKXUniChar> entries;
};

ToResult To(short script, const std::u16string& units, Handle glyphs = nullptr) {
  CKXUnicode uni(script, kKxUnicodeToText);
  Handle text = nullptr, ucs = nullptr;
  long len = -1, n = -1;
  ToResult r;
  r.ok = uni.ConvertToText(units.data(), long(units.size()), glyphs, text, len, ucs, n, script);
  if (text) {
    r.text.assign(*text, std::size_t(len));
    KxMemHFree(text);
  }
  if (ucs) {
    r.entries.resize(std::size_t(n));
    std::memcpy(r.entries.data(), *ucs, std::size_t(n) * sizeof(SKXUniChar));
    KxMemHFree(ucs);
  }
  return r;
}

}  // namespace

TEST(UnicodeBridge, PlaceholdersAndSideEntries) {
  // Outside Shift_JIS: 0x81FC and the character in the high half.
  ToResult t = To(1, u"a\u4E02b");
  EXPECT_TRUE(t.ok);
  EXPECT_EQ(t.text, "a\x81\xFC" "b");
  ASSERT_EQ(t.entries.size(), 1u);
  EXPECT_EQ(t.entries[0].offset, 1);
  EXPECT_EQ(t.entries[0].value, 0x4E020000u);
  EXPECT_EQ(From(1, t.text, t.entries).units, u"a\u4E02b");
  // A pair is one entry; a character below U+2000 takes the byte 0xA0.
  t = To(1, u"\U00020B9F\u0101");
  EXPECT_EQ(t.text, "\x81\xFC\xA0");
  ASSERT_EQ(t.entries.size(), 2u);
  EXPECT_EQ(t.entries[0].value, 0xD842DF9Fu);
  EXPECT_EQ(t.entries[1].offset, 2);
  EXPECT_EQ(From(1, t.text, t.entries).units, u"\U00020B9F\u0101");
  // A lone letter and a mark without a code: one entry for both.
  t = To(0, u"q\u0301");
  EXPECT_EQ(t.text, "\xA0");
  ASSERT_EQ(t.entries.size(), 1u);
  EXPECT_EQ(t.entries[0].value, 0x00710301u);
  // More than two units: one entry per character, nothing cut.
  t = To(1, u"\u0101\U0001F600\u0301");
  EXPECT_EQ(t.entries.size(), 3u);
  EXPECT_EQ(From(1, t.text, t.entries).units, u"\u0101\U0001F600\u0301");
}

TEST(UnicodeBridge, JISNamesOfSymbolsTakeTheirCodes) {
  // The JIS names of seven symbols (wave dash, double vertical line, minus,
  // dash, cent, pound, not) take the same codes as cp932's names; JIS-Roman's
  // yen sign and overline stay placeholders with side entries.
  const std::u16string jis = u"\u301C\u2016\u2212\u2014\u00A2\u00A3\u00AC\u00A5x\u203E";
  const std::string sjis = "\x81\x60\x81\x61\x81\x7C\x81\x5C\x81\x91\x81\x92\x81\xCA\xA0x\x81\xFC";
  ToResult t = To(1, jis);
  EXPECT_EQ(t.text, sjis);
  // Each JIS name keeps a side entry on its code, so that it comes back as
  // it went; the placeholders keep theirs.
  ASSERT_EQ(t.entries.size(), 9u);
  for (int k = 0; k < 7; ++k) {
    EXPECT_EQ(t.entries[std::size_t(k)].offset, 2 * k);
    EXPECT_EQ(t.entries[std::size_t(k)].value, std::uint32_t(jis[std::size_t(k)]) << 16);
  }
  EXPECT_EQ(t.entries[7].offset, 14);
  EXPECT_EQ(t.entries[7].value, 0x00A50000u);
  EXPECT_EQ(t.entries[8].offset, 16);
  EXPECT_EQ(t.entries[8].value, 0x203E0000u);
  EXPECT_EQ(From(1, t.text, t.entries).units, jis);
  // Without the entries the codes read as cp932's names, which go to the
  // same bytes with no entry of their own.
  const std::u16string cp932 = u"\uFF5E\u2225\uFF0D\u2015\uFFE0\uFFE1\uFFE2\u00A5x\u203E";
  std::vector<SKXUniChar> placeholders(t.entries.begin() + 7, t.entries.end());
  FromResult f = From(1, t.text, placeholders);
  EXPECT_EQ(f.units, cp932);
  ToResult again = To(1, f.units);
  EXPECT_EQ(again.text, sjis);
  ASSERT_EQ(again.entries.size(), 2u);
  EXPECT_EQ(again.entries[1].value, t.entries[8].value);
  // An entry of the wrong character on a shared code is passed over.
  EXPECT_EQ(From(1, "\x81\x60", {{0, 0x20160000u}}).units, u"\uFF5E");
  // Mixed with text that converts in one piece, and at the ends.
  const std::u16string mixed = u"\u301C\u3042\uFF5E\u301C\u301Cabc\u2016";
  t = To(1, mixed);
  EXPECT_EQ(t.text, "\x81\x60\x82\xA0\x81\x60\x81\x60\x81\x60" "abc\x81\x61");
  EXPECT_EQ(t.entries.size(), 4u);
  EXPECT_EQ(From(1, t.text, t.entries).units, mixed);
  unsigned short code = 0;
  EXPECT_TRUE(UKXUnicode::ConvertToChar(1, u"\u301C", 1, code));
  EXPECT_EQ(code, 0x8160);
  // In a Roman run the dash and the cent sign are Mac Roman's own.
  EXPECT_EQ(To(0, u"\u2014\u00A2").text, "\xD1\xA2");
}

TEST(UnicodeBridge, ComposedFormBeforeLookup) {
  EXPECT_EQ(To(0, u"e\u0301").text, "\x8E");  // é in Mac Roman
  EXPECT_EQ(To(1, u"\u304B\u3099").text, "\x82\xAA");  // が
  // A compatibility ideograph stays itself: a side entry, or its bytes
  // when the script holds it as it stands (cp932's IBM rows).
  ToResult t = To(1, u"\uF92A");
  EXPECT_EQ(t.entries.size(), 1u);
  EXPECT_EQ(From(1, t.text, t.entries).units, u"\uF92A");
  t = To(1, u"\uF929\u212B");
  EXPECT_TRUE(t.entries.empty());
  EXPECT_EQ(From(1, t.text).units, u"\uF929\u212B");
}

TEST(UnicodeBridge, ConvertToTextAnswers) {
  ToResult t = To(1, u"");
  EXPECT_TRUE(t.ok);
  EXPECT_TRUE(t.text.empty());
  gAvailUnicodeConvert = 0;
  EXPECT_FALSE(To(1, u"abc").ok);
  EXPECT_FALSE(From(1, "abc").ok);
  gAvailUnicodeConvert = 1;
  // A converter made for the other direction converts nothing.
  CKXUnicode from(1, kKxUnicodeFromText);
  Handle text = nullptr, ucs = nullptr;
  long len = 0, n = 0;
  EXPECT_FALSE(from.ConvertToText(u"a", 1, nullptr, text, len, ucs, n, 1));
  EXPECT_EQ(text, nullptr);
}

TEST(UnicodeBridge, BadBytesBecomeReplacementCharacters) {
  // An unassigned code, a lead byte before a CR, a lead byte at the end.
  EXPECT_EQ(From(1, "a\x82\x40" "b").units, u"a\uFFFDb");
  EXPECT_EQ(From(1, "\x81\x0D" "x").units, u"\uFFFD\rx");
  EXPECT_EQ(From(1, "ab\x81").units, u"ab\uFFFD");
  EXPECT_TRUE(From(1, "\x81").ok);
}

TEST(UnicodeBridge, SideEntriesFromOutsideAreChecked) {
  const std::string text = "\x82\xA0\x81\xFC" "A\xA0";  // あ, placeholder, A, 0xA0
  // Out of order, repeated, past the end, on a second byte, on a real
  // character, and with values that carry nothing: all passed over.
  std::vector<SKXUniChar> bad = {{2, 0x4E020000}, {0, 0x4E030000}, {2, 0x4E040000}, {1, 0x4E050000},
                                 {4, 0x4E060000}, {5, 0},          {9, 0x4E070000}};
  EXPECT_EQ(From(1, text, bad).units, u"\u3042\u4E02A\u00A0");
  // A value of 0x10000-0xFFFFF is ignored: the bytes as they stand.
  EXPECT_EQ(From(1, text, {{2, 0x00050000}}).units, u"\u3042\u25EFA\u00A0");
}

TEST(UnicodeBridge, ScriptRuns) {
  // Bytes 0x8E in a Roman run are é; in the Japanese run a lead byte.
  std::vector<SKXScriptRun> runs = {{0, 0}, {2, 1}, {4, 1}};
  EXPECT_EQ(From(1, "\x8E" "a\x82\xA0", {}, runs).units, u"\u00E9a\u3042");
  // From style runs: the script of each run's font.
  SKXStyl styls[2] = {};
  styls[0].styl.font = 3;  // a Roman font
  styls[1].offset = 1;
  styls[1].styl.font = kApplicationFont;  // Japanese
  runs = KxScriptRunsOf(styls, 2);
  EXPECT_EQ(From(1, "\x8E\x82\xA0", {}, runs).units, u"\u00E9\u3042");
  // A run boundary inside a double-byte character: the character belongs
  // to the run where it starts.
  runs = {{0, 1}, {1, 0}};
  EXPECT_EQ(From(1, "\x82\xA0" "a", {}, runs).units, u"\u3042a");
}

TEST(UnicodeBridge, GlyphsBothWays) {
  std::vector<SKXUniChar> entries = {{0, 0x131234}};  // collection 3, glyph 0x1234
  FromResult f = From(1, "\x81\xFC", entries);
  EXPECT_EQ(f.units, u"\uFF1F");
  ASSERT_EQ(f.glyphs.size(), 1u);
  EXPECT_EQ(f.glyphs[0].collection, 3);
  EXPECT_EQ(f.glyphs[0].glyphID, 0x1234);
  EXPECT_EQ(f.glyphs[0].fontRef, kKxGlyphFontRef);
  EXPECT_EQ(From(0, "\xA0", {{0, 0x1F0001}}).units, u"?");

  // Memory form -> clipboard form -> memory form.
  Handle g = KxMemHAlloc(4 + 2 * 16, true);
  auto put32 = [&](long at, std::uint32_t v) { std::memcpy(*g + at, &v, 4); };
  auto put16 = [&](long at, std::uint16_t v) { std::memcpy(*g + at, &v, 2); };
  put32(0, 2);
  put32(4, 1), put32(8, 2), put32(12, kKxGlyphFontRef), put16(16, 3), put16(18, 77);
  put32(20, 5), put32(24, 1), put32(28, kKxGlyphFontRef), put16(32, 255), put16(34, 78);
  ToResult t = To(1, u"a\u4E00\u4E01b", g);
  ASSERT_EQ(t.entries.size(), 1u);
  EXPECT_EQ(t.entries[0].value, 0x13004Du);  // the record past the end is dropped
  EXPECT_EQ(t.text, "a\x81\xFC" "b");
  EXPECT_TRUE(CKXUnicode::ConvertGlyphInfoToScrap(g));
  std::uint16_t head[2];
  std::memcpy(head, *g, 4);
  EXPECT_EQ(head[0], 0x0100);
  EXPECT_EQ(head[1], 2);
  EXPECT_TRUE(CKXUnicode::ConvertGlyphScrapToInfo(g));
  SKXGlyphRecord r;
  ASSERT_TRUE(KxGetGlyphRecord(g, 0, r));
  EXPECT_EQ(r.index, 1u);
  EXPECT_EQ(r.length, 2u);
  EXPECT_EQ(r.collection, 3);
  ASSERT_TRUE(KxGetGlyphRecord(g, 1, r));
  EXPECT_EQ(r.collection, kKxGlyphUnspecified);
  // A clipboard form claiming more records than it holds reads what is there.
  EXPECT_TRUE(CKXUnicode::ConvertGlyphInfoToScrap(g));
  put16(2, 60000);
  EXPECT_TRUE(CKXUnicode::ConvertGlyphScrapToInfo(g));
  EXPECT_EQ(KxGlyphRecordCount(g), 2);
  EXPECT_FALSE(CKXUnicode::ConvertGlyphScrapToInfo(nullptr));
  KxMemHFree(g);
}

TEST(UnicodeBridge, OffsetsAndMaps) {
  CKXUnicode uni(1, kKxUnicodeBoth);
  const std::string text = "a\x82\xA0\x81\xFC" "b";
  std::vector<SKXUniChar> entries = {{3, 0xD83DDE00}};
  Handle units = nullptr, glyphs = nullptr, map = nullptr;
  long count = 0, mapCount = 0;
  ASSERT_TRUE(uni.ConvertFromTextAndOffset(text.data(), long(text.size()), entries.data(), 1, units, count, glyphs,
                                           nullptr, 0, map, mapCount));
  ASSERT_EQ(count, 5);
  ASSERT_EQ(mapCount, 6);
  const long want[] = {0, 1, 3, 3, 5, 6};
  for (long i = 0; i < 6; ++i) EXPECT_EQ(CKXUnicode::OffsetFromIndex(map, mapCount, i), want[i]) << i;
  EXPECT_EQ(CKXUnicode::OffsetFromIndex(map, mapCount, 9), 0);
  EXPECT_EQ(CKXUnicode::OffsetToIndex(map, mapCount, 2), 2);
  EXPECT_EQ(CKXUnicode::OffsetToIndex(map, mapCount, 99), 5);
  EXPECT_EQ(CKXUnicode::OffsetToIndex(nullptr, 3, 1), 0);
  // Caller offsets, either way and in any order.
  const long in[] = {6, 2, 0, 3};
  long out[4];
  Handle u2 = nullptr, g2 = nullptr;
  long c2 = 0;
  uni.ConvertFromText(text.data(), long(text.size()), entries.data(), 1, u2, c2, g2, nullptr, 0, in, 4, out);
  EXPECT_EQ(out[0], 10);
  EXPECT_EQ(out[1], 2);
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(out[3], 4);
  for (Handle h : {units, map, u2}) KxMemHFree(h);
}

// The map of where each unit came from is built piece by piece; the units
// must be those of a conversion without it, and the map must rise through
// the text, whatever the text holds: here long stretches of good text, codes
// the converter stops at every few bytes, lone lead bytes and line ends,
// and characters cut by any piece boundary.
TEST(UnicodeBridge, MapOfALongTextWithManyBadCodes) {
  static const char* const kPieces[] = {"\x82\xA0\x93\xFA", "abc", "\x82\x40", "\xEB\x40", "\x81\r",
                                        "\x85\x40", "\x81\x20", "\r", "\x88\x9F\x88\xA0"};
  std::uint32_t seed = 7;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  std::string text;
  while (text.size() < 300000) {
    // Runs of good text longer than a piece, then runs of bad codes.
    const bool good = next() % 2;
    const long n = long(next() % (good ? 12000 : 3000));
    for (long i = 0; i < n; ++i) text += good ? kPieces[next() % 2] : kPieces[2 + next() % 7];
  }
  CKXUnicode uni(1, kKxUnicodeBoth);
  Handle units = nullptr, glyphs = nullptr, map = nullptr, plain = nullptr, glyphs2 = nullptr;
  long count = 0, mapCount = 0, plainCount = 0;
  ASSERT_TRUE(uni.ConvertFromTextAndOffset(text.data(), long(text.size()), nullptr, 0, units, count, glyphs,
                                           nullptr, 0, map, mapCount));
  ASSERT_TRUE(uni.ConvertFromText(text.data(), long(text.size()), nullptr, 0, plain, plainCount, glyphs2, nullptr,
                                  0, nullptr, 0, nullptr));
  ASSERT_EQ(count, plainCount);
  EXPECT_EQ(std::memcmp(*units, *plain, std::size_t(count) * 2), 0);
  ASSERT_EQ(mapCount, count + 1);
  long previous = 0;
  for (long i = 0; i < mapCount; ++i) {
    const long at = CKXUnicode::OffsetFromIndex(map, mapCount, i);
    ASSERT_GE(at, previous) << i;
    ASSERT_LE(at, long(text.size())) << i;
    previous = at;
  }
  for (Handle h : {units, map, plain}) KxMemHFree(h);
}

TEST(UnicodeBridge, SingleCharacters) {
  char16_t u[4];
  long n = 4;
  EXPECT_TRUE(UKXUnicode::ConvertFromChar(1, 0x82A0, u, n));
  EXPECT_EQ(n, 1);
  EXPECT_EQ(u[0], u'\u3042');
  n = 4;
  EXPECT_TRUE(UKXUnicode::ConvertFromChar(1, 0x8591, u, n));  // the Mac-only "0." beyond the BMP
  EXPECT_EQ(n, 2);
  n = 4;
  EXPECT_FALSE(UKXUnicode::ConvertFromChar(1, 0x8240, u, n));
  unsigned short code = 0;
  EXPECT_TRUE(UKXUnicode::ConvertToChar(1, u"\u3042", 1, code));
  EXPECT_EQ(code, 0x82A0);
  EXPECT_TRUE(UKXUnicode::ConvertToChar(0, u"\u00E9", 1, code));
  EXPECT_EQ(code, 0x8E);
  EXPECT_FALSE(UKXUnicode::ConvertToChar(1, u"\u4E02", 1, code));
}

TEST(UnicodeBridge, PreConvert) {
  auto pre = [](const std::u16string& s, bool* met = nullptr) {
    std::u16string out(s.size(), 0);
    long n = 0;
    bool m = CKXUnicode::PreConvert(s.data(), long(s.size()), out.data(), &n);
    if (met) *met = m;
    long counted = 0;
    CKXUnicode::PreConvert(s.data(), long(s.size()), nullptr, &counted);
    EXPECT_EQ(counted, n);
    return out.substr(0, std::size_t(n));
  };
  bool met = false;
  EXPECT_EQ(pre(u"\u304B\u3099", &met), u"\u304C");
  EXPECT_TRUE(met);
  EXPECT_EQ(pre(u"\u30A6\u3099\u3046\u3099"), u"\u30F4\u3094");
  EXPECT_EQ(pre(u"\u3099a"), u"\u309Ba");
  EXPECT_EQ(pre(u"\u30CF\u309A\u304B\u309A"), u"\u30D1\u304B\u309C");
  EXPECT_EQ(pre(u"\u304B\u3099\u3099"), u"\u304C\u309B");  // nothing before the second mark
  EXPECT_EQ(pre(u"e\u0301q\u0301"), u"\u00E9q\u0301");
  EXPECT_EQ(pre(u"Z\u0307c\u030C"), u"\u017B\u010D");
  EXPECT_EQ(pre(u"abc", &met), u"abc");
  EXPECT_FALSE(met);
}

TEST(UnicodeBridge, JISX0213Additions) {
  EXPECT_TRUE(UUnicodeConvert::IsJISX0213AdditionsSJIS(0x81AD));
  EXPECT_TRUE(UUnicodeConvert::IsJISX0213AdditionsSJIS(0xFCF4));
  EXPECT_FALSE(UUnicodeConvert::IsJISX0213AdditionsSJIS(0x82A0));
  EXPECT_EQ(UUnicodeConvert::FromJISX0213AdditionsSJIS(0x81AD), u'\uFF07');
  EXPECT_EQ(UUnicodeConvert::FromJISX0213AdditionsSJIS(0x82F5), 0);  // か with semi-voiced mark: two units
  EXPECT_TRUE(UUnicodeConvert::IsSurrogate(u"\U0001F600", 4));
  EXPECT_FALSE(UUnicodeConvert::IsSurrogate(u"\U0001F600", 2));
}
