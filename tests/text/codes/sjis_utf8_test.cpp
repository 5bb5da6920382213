// The direct converters of whole files against the way they replace:
// Shift_JIS through the Unicode bridge and UNICODEtoUTF8, and
// CKXJCode::SJIStoEUC.
#include "text/codes/sjis_utf8.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "platform/script.h"
#include "text/base/flat.h"
#include "text/base/memory.h"
#include "text/codes/jcode.h"
#include "text/codes/unicode.h"

namespace {

using Bytes = std::string;
using uchar = unsigned char;

const uchar* U(const Bytes& s) { return reinterpret_cast<const uchar*>(s.data()); }

// Shift_JIS to UTF-8 the way a file was converted before: the bridge's
// units behind a byte-order mark, then UNICODEtoUTF8.
Bytes ByUnits(const Bytes& s) {
  StKxHandle units, glyphs;
  long count = 0;
  UKXUnicode::ConvertFromText(kScriptJapanese, s.data(), long(s.size()), nullptr, 0, units.h, count, glyphs.h);
  std::vector<uchar> be(std::size_t(count) * 2 + 2);
  KxFlatPut16(be.data(), 0xFEFF, true);
  for (long k = 0; k < count; ++k)
    KxFlatPut16(be.data() + 2 + 2 * k, reinterpret_cast<const char16_t*>(*units.h)[k], true);
  CKXJCode conv;
  conv.UNICODEtoUTF8(be.data(), long(be.size()));
  return Bytes(reinterpret_cast<const char*>(conv.GetTextPtr()), std::size_t(conv.GetTextSize()));
}

Bytes Fast(const Bytes& s, std::vector<uchar>& buffer) {
  const long n = KxSJISToUTF8(U(s), long(s.size()), buffer);
  return Bytes(reinterpret_cast<const char*>(buffer.data()), std::size_t(n));
}

// Text of Shift_JIS's kinds of bytes: ASCII, kana, pairs with good and bad
// trails, codes without a character, lone lead bytes (at the end too).
Bytes RandomSJIS(std::mt19937& rng, std::size_t length) {
  Bytes s;
  auto pick = [&](int lo, int hi) { return char(std::uniform_int_distribution<int>(lo, hi)(rng)); };
  while (s.size() < length) {
    switch (std::uniform_int_distribution<int>(0, 9)(rng)) {
      case 0: case 1: case 2: s += pick(0x20, 0x7E); break;
      case 3: s += pick(0xA1, 0xDF); break;
      case 4: case 5: s += pick(0x88, 0x9F); s += pick(0x40, 0xFC); break;
      case 6: s += pick(0x81, 0x87); s += pick(0x40, 0xFC); break;
      case 7: s += pick(0xE0, 0xFC); s += pick(0x40, 0xFC); break;
      case 8: s += pick(0x81, 0xFC); s += pick(0x00, 0xFF); break;
      default: s += pick(0x00, 0xFF); break;
    }
  }
  return s;
}

// Every character alone, at the end of a text and before ASCII, and random
// texts, the same as before; both the table and the bridge are used.
TEST(SJISToUTF8, SameBytesAsThroughUnits) {
  const SKXSJISToUTF8Counts before = KxSJISToUTF8Counts();
  std::vector<uchar> buffer;
  for (int lead = 0; lead < 256; ++lead) {
    for (int trail = 0; trail < 256; ++trail) {
      const Bytes pair{char(lead), char(trail)};
      ASSERT_EQ(Fast(pair, buffer), ByUnits(pair)) << std::hex << lead << " " << trail;
      ASSERT_EQ(Fast(pair + "a\r", buffer), ByUnits(pair + "a\r")) << std::hex << lead << " " << trail;
    }
    const Bytes alone{char(lead)};
    ASSERT_EQ(Fast("x" + alone, buffer), ByUnits("x" + alone)) << std::hex << lead;
  }
  std::mt19937 rng(59);
  const long steps = KxRandomSteps(200);
  for (long step = 0; step < steps; ++step) {
    // Not empty: the reference's lone byte-order mark would read as a
    // character (a file's pieces are never empty).
    const Bytes s = RandomSJIS(rng, std::uniform_int_distribution<std::size_t>(1, 300)(rng));
    ASSERT_EQ(Fast(s, buffer), ByUnits(s)) << "step " << step;
    std::vector<uchar> bridged;
    KxSJISToUTF8ByBridge(U(s), long(s.size()), bridged);
    ASSERT_EQ(Bytes(bridged.begin(), bridged.end()), ByUnits(s)) << "step " << step;
  }
  const SKXSJISToUTF8Counts after = KxSJISToUTF8Counts();
  EXPECT_GT(after.tableChars, before.tableChars);
  EXPECT_GT(after.bridgeRuns, before.bridgeRuns);
}

// A buffer larger than the answer from an earlier piece keeps its size;
// only the count says what this piece made. Empty input makes nothing.
TEST(SJISToUTF8, BufferServesEveryPiece) {
  std::vector<uchar> buffer;
  EXPECT_EQ(KxSJISToUTF8(nullptr, 5, buffer), 0);
  EXPECT_EQ(KxSJISToUTF8(U("abc"), 0, buffer), 0);
  EXPECT_EQ(Fast(Bytes(1000, '\xB1'), buffer), ByUnits(Bytes(1000, '\xB1')));
  const std::size_t size = buffer.size();
  EXPECT_EQ(Fast("\x82\xA0", buffer), "\xE3\x81\x82");
  EXPECT_EQ(buffer.size(), size);
}

TEST(SJISToEUC, SameBytesAsTheConverter) {
  std::mt19937 rng(5959);
  std::vector<uchar> buffer;
  const long steps = KxRandomSteps(200);
  for (long step = 0; step < steps; ++step) {
    const Bytes s = RandomSJIS(rng, std::uniform_int_distribution<std::size_t>(0, 300)(rng));
    CKXJCode conv;
    conv.SJIStoEUC(U(s), long(s.size()));
    const Bytes want(reinterpret_cast<const char*>(conv.GetTextPtr()), std::size_t(conv.GetTextSize()));
    const long n = KxSJISToEUC(U(s), long(s.size()), buffer);
    ASSERT_EQ(Bytes(reinterpret_cast<const char*>(buffer.data()), std::size_t(n)), want) << "step " << step;
  }
}

// The Mac-only copyright and trade mark signs become three bytes each: a
// text of nothing else writes three times its length, through both
// converters, in pieces larger than a chunk.
TEST(SJISToEUC, ThreeBytesForEachSignFitTheOutput) {
  for (const std::size_t n : {std::size_t(1), std::size_t(7), std::size_t(40000)}) {
    Bytes s;
    for (std::size_t k = 0; k < n; ++k) s += k % 2 ? '\xFD' : '\xFE';
    CKXJCode conv;
    conv.SJIStoEUC(U(s), long(s.size()));
    ASSERT_EQ(conv.GetTextSize(), long(3 * n));
    const Bytes slow(reinterpret_cast<const char*>(conv.GetTextPtr()), std::size_t(conv.GetTextSize()));
    EXPECT_EQ(slow.substr(0, 3), "\x8F\xA2\xEF");
    std::vector<uchar> buffer;
    const long made = KxSJISToEUC(U(s), long(s.size()), buffer);
    EXPECT_EQ(Bytes(reinterpret_cast<const char*>(buffer.data()), std::size_t(made)), slow);
  }
}

}  // namespace
