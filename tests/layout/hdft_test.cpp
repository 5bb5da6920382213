// Header and footer templates: the tokeniser against a scanner built on a
// regular expression over random templates, expansion on a fixed clock and
// for shown page numbers, and lines that never pass their capacity nor end
// inside a double-byte character.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "layout/fontstate.h"
#include "layout/hdft.h"
#include "layout/text_edit_ex.h"
#include "platform/clock.h"
#include "platform/textconv.h"
#include "text_edit_fixture.h"

namespace {

long RandomSteps(long fallback) {
  const char* env = std::getenv("KX_RANDOM_STEPS");
  const long n = env ? std::strtol(env, nullptr, 10) : 0;
  return n > 0 ? n : fallback;
}

using Tokens = std::vector<std::uint8_t>;

// Leftmost non-overlapping matches, literal runs between them, no tokens
// at all without a match.
Tokens ReferenceTokens(const std::string& t) {
  static const std::regex kPlaceholder("<DATE>|<TIME>|<PAGE>|<NAME>|<PMAX>");
  const std::string kinds = "DTPNM";  // second letters: DATE TIME PAGE NAME PMAX
  Tokens out;
  size_t at = 0;
  for (auto it = std::sregex_iterator(t.begin(), t.end(), kPlaceholder); it != std::sregex_iterator(); ++it) {
    const size_t pos = size_t(it->position());
    if (pos > at) out.insert(out.end(), {std::uint8_t(pos - at), 0});
    const char key = it->str()[1] == 'P' && it->str()[2] == 'M' ? 'M' : it->str()[1];
    out.insert(out.end(), {6, std::uint8_t(kinds.find(key) + 1)});
    at = pos + 6;
  }
  if (!out.empty() && at < t.size()) out.insert(out.end(), {std::uint8_t(t.size() - at), 0});
  return out;
}

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Whether s splits no double-byte character at its end.
bool EndsOnBoundary(const std::string& s) {
  size_t k = 0;
  while (k < s.size()) k += IsLead(static_cast<unsigned char>(s[k])) ? 2 : 1;
  return k == s.size();
}

std::string Expand(const SKXHdFtStyl& rec, const SKXHdFtValues& v, long capacity) {
  std::vector<char> buf(size_t(capacity) + 16, '#');
  const long n = KxExpandHdFt(rec, v, buf.data(), capacity);
  for (size_t k = size_t(std::max(0L, capacity)); k < buf.size(); ++k) EXPECT_EQ(buf[k], '#') << "wrote past capacity";
  return std::string(buf.data(), size_t(n));
}

SKXHdFtStyl Template(const std::string& t) {
  SKXHdFtStyl rec;
  MakeHdFtStyl(rec, 20, t.data(), long(t.size()), SStyl{}, kKxHdFtCenter, 1, 1);
  return rec;
}

TEST(HdFtTokens, FixedTemplates) {
  struct Case {
    std::string text;
    Tokens tokens;
  };
  const Case cases[] = {
      {"Page <PAGE> of <PMAX>", {5, 0, 6, 3, 4, 0, 6, 5}},
      {"<PAGE>", {6, 3}},
      {"<PAGE", {}},
      {"<page> and <date>", {}},
      {"no placeholder here", {}},
      {"<<NAME>>", {1, 0, 6, 4, 1, 0}},
      {"<DATE><TIME>", {6, 1, 6, 2}},
      {"<PMAX>PAGE>", {6, 5, 5, 0}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(KxHdFtTokens(c.text.data(), long(c.text.size())), c.tokens) << c.text;
}

TEST(HdFtTokens, RandomTemplatesAgainstReference) {
  // Pieces that make whole, partial, lower-case and overlapping placeholders.
  const std::vector<std::string> pieces = {"<DATE>", "<TIME>", "<PAGE>", "<NAME>", "<PMAX>", "<DAT", "<PAG",
                                           "E>",     "AGE>",   "<date>", "<",      ">",      "x",    "\x82\xA0",
                                           "<P",     "MAX>",   " ",      "<<",     "NAME>"};
  std::mt19937 rng(34);
  const long steps = RandomSteps(2000);
  for (long step = 0; step < steps; ++step) {
    std::string t;
    const int n = int(rng() % 60);
    for (int k = 0; k < n; ++k) t += pieces[rng() % pieces.size()];
    if (t.size() > 255) t.resize(255);
    const Tokens got = KxHdFtTokens(t.data(), long(t.size()));
    ASSERT_EQ(got, ReferenceTokens(t)) << t;
    long covered = 0;
    for (size_t k = 0; k < got.size(); k += 2) covered += got[k];
    if (!got.empty()) {
      EXPECT_EQ(covered, long(t.size()));
    }
  }
}

class HdFtClock : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.now = {2005, 4, 1, 9, 5, 0, 6};
    KxSetClock(&clock);
  }
  void TearDown() override { KxSetClock(nullptr); }
  KxFakeClock clock;
};

TEST_F(HdFtClock, Expansion) {
  const std::string name = "Report";
  struct Case {
    std::string text;
    long page;
    std::string want;
  };
  const Case cases[] = {
      {"Page <PAGE> of <PMAX>", 2, "Page 2 of 7"},
      {"<DATE>|<TIME>", 1, " 4/ 1/05| 9:05"},
      {"<NAME>: <PAGE>", 12, "Report: 12"},
      {"<name> <Page>", 3, "<name> <Page>"},
      {"<PAGE>", -1, "-1"},
      {"plain", 4, "plain"},
  };
  for (const Case& c : cases) {
    SKXHdFtValues v{c.page, 7, name.data(), long(name.size())};
    EXPECT_EQ(Expand(Template(c.text), v, kKxHdFtMaxLine), c.want) << c.text;
  }
}

TEST(HdFtCapacity, LongNamesStayInside) {
  // 42 names and three literal bytes make the longest template.
  std::string t;
  for (int k = 0; k < 42; ++k) t += "<NAME>";
  t += "end";
  ASSERT_EQ(t.size(), 255u);
  std::string name;
  for (int k = 0; k < 100; ++k) name += (k % 3 == 0) ? "\x93\xFA" : "a";
  const SKXHdFtStyl rec = Template(t);
  SKXHdFtValues v{1, 1, name.data(), long(name.size())};
  const std::string full = Expand(rec, v, 1 << 16);
  ASSERT_EQ(full.size(), 42 * name.size() + 3);
  std::mt19937 rng(7);
  for (long capacity : {0L, 1L, 2L, 3L, 511L, kKxHdFtMaxLine, 513L}) {
    const std::string cut = Expand(rec, v, capacity);
    EXPECT_LE(long(cut.size()), capacity);
    EXPECT_EQ(full.compare(0, cut.size(), cut), 0);
    EXPECT_TRUE(EndsOnBoundary(cut)) << capacity;
    EXPECT_GE(long(cut.size()), capacity - 1) << "cut more than one character short";
  }
  for (int k = 0; k < 200; ++k) {
    const long capacity = long(rng() % 3000);
    const std::string cut = Expand(rec, v, capacity);
    ASSERT_LE(long(cut.size()), capacity);
    ASSERT_TRUE(EndsOnBoundary(cut));
  }
}

class HdFtEdit : private kxtest::SyntheticFont, public CKXTextEditEx {
 public:
  HdFtEdit() : CKXTextEditEx(RectL{0, 0, 0, 500}, RectL{0, 0, 400, 400}, KxDefaultPageStyl()) {}
};

TEST(HdFtEditObject, NamePagesAndHiddenBands) {
  HdFtEdit e;
  const std::string t = "<NAME> <PAGE>/<PMAX>";
  EXPECT_TRUE(e.SetHeaderStyle(12, t.data(), long(t.size()), SStyl{}, kKxHdFtRight, 0, 0));
  EXPECT_FALSE(e.SetFooterStyle(12, "footer", 6, SStyl{}, kKxHdFtLeft, 0, 0));
  e.SetName("Doc", 3);
  char buf[64];
  EXPECT_EQ(e.GetName(buf), 3);
  e.SetPageStartNumber(2);
  long n = e.MakeHdFtText(e.GetHeaderStyle(), buf, sizeof buf, e.GetShownPageNumber(1));
  EXPECT_EQ(std::string(buf, size_t(n)), "Doc 3/" + std::to_string(e.GetPageCount()));
  // An offset of -1 hides the first page's bands and numbers the second 1.
  e.SetPageStartNumber(-1);
  EXPECT_FALSE(e.IsHdFtShown(1));
  EXPECT_TRUE(e.IsHdFtShown(2));
  EXPECT_EQ(e.GetShownPageNumber(2), 1);
  e.SetPageStartNumber(0);
  EXPECT_TRUE(e.IsHdFtShown(1));
  // An empty template and no name.
  e.SetHeaderStyle(12, nullptr, 0, SStyl{}, 0, 0, 0);
  EXPECT_EQ(e.GetHeaderStyle().Length(), 0);
  EXPECT_TRUE(e.GetHeaderStyle().tokens.empty());
  e.SetName(nullptr, 0);
  EXPECT_EQ(e.GetName(nullptr), 0);
}

// ---- names with characters Shift_JIS lacks ------------------------------------------------------------

using Sides = std::vector<SKXUniChar>;

// Entries as (offset, value) pairs, to compare and print.
using Pairs = std::vector<std::pair<long, std::uint32_t>>;
Pairs P(const Sides& sides) {
  Pairs out;
  for (const SKXUniChar& u : sides) out.emplace_back(u.offset, u.value);
  return out;
}

// "ab", a placeholder for U+20AC, "c", a placeholder for U+1F600.
const std::string kName = "ab\x81\xFC" "c\x81\xFC";
const Sides kNameSides = {{2, 0x20AC}, {5, 0xD83DDE00}};

std::string ExpandWithSides(const SKXHdFtStyl& rec, const SKXHdFtValues& v, long capacity, Sides& sides) {
  std::vector<char> buf(size_t(std::max(0L, capacity)) + 1);
  const long n = KxExpandHdFt(rec, v, buf.data(), capacity, &sides);
  return std::string(buf.data(), size_t(n));
}

TEST(HdFtNameSides, FollowTheNameWhereItLands) {
  SKXHdFtValues v{12, 34, kName.data(), long(kName.size()), kNameSides.data(), long(kNameSides.size())};
  Sides sides{{99, 1}};
  // Placeholders before the name move its entries by what they expanded to.
  EXPECT_EQ(ExpandWithSides(Template("p<PAGE>/<PMAX> <NAME>|"), v, kKxHdFtMaxLine, sides), "p12/34 " + kName + "|");
  EXPECT_EQ(P(sides), (Pairs{{9, 0x20AC}, {12, 0xD83DDE00}}));
  EXPECT_EQ(ExpandWithSides(Template("<NAME><NAME>"), v, kKxHdFtMaxLine, sides), kName + kName);
  EXPECT_EQ(P(sides), (Pairs{{2, 0x20AC}, {5, 0xD83DDE00}, {9, 0x20AC}, {12, 0xD83DDE00}}));
  // Without a name placeholder there is nothing to carry.
  EXPECT_EQ(ExpandWithSides(Template("<PAGE>"), v, kKxHdFtMaxLine, sides), "12");
  EXPECT_TRUE(sides.empty());
  // Without sides asked for, the line is the same.
  EXPECT_EQ(Expand(Template("x<NAME>"), v, kKxHdFtMaxLine), "x" + kName);
}

TEST(HdFtNameSides, CutNameKeepsOnlyWrittenCharacters) {
  SKXHdFtValues v{1, 1, kName.data(), long(kName.size()), kNameSides.data(), long(kNameSides.size())};
  const SKXHdFtStyl rec = Template("12<NAME>");
  Sides sides;
  // Capacity ends inside the last placeholder: it is not written, nor its entry.
  for (long capacity = 0; capacity <= 9; ++capacity) {
    const std::string line = ExpandWithSides(rec, v, capacity, sides);
    ASSERT_TRUE(EndsOnBoundary(line)) << capacity;
    Sides want;
    for (const SKXUniChar& u : kNameSides)
      if (2 + u.offset + 2 <= long(line.size())) want.push_back({2 + u.offset, u.value});
    EXPECT_EQ(P(sides), P(want)) << capacity;
  }
  EXPECT_EQ(ExpandWithSides(rec, v, 8, sides), "12ab\x81\xFC" "c");
  EXPECT_EQ(P(sides), (Pairs{{4, 0x20AC}}));
}

TEST(HdFtNameSides, BadEntriesArePassedOver) {
  // Out of order, repeated, negative and past the name.
  const Sides bad = {{2, 0x20AC}, {2, 0x41}, {-1, 0x42}, {0, 0x43}, {5, 0xD83DDE00}, {7, 0x44}, {99, 0x45}};
  SKXHdFtValues v{1, 1, kName.data(), long(kName.size()), bad.data(), long(bad.size())};
  Sides sides;
  ExpandWithSides(Template("-<NAME>"), v, kKxHdFtMaxLine, sides);
  EXPECT_EQ(P(sides), (Pairs{{3, 0x20AC}, {6, 0xD83DDE00}}));
  v.nameSides = nullptr;
  v.nameSideCount = 5;
  ExpandWithSides(Template("-<NAME>"), v, kKxHdFtMaxLine, sides);
  EXPECT_TRUE(sides.empty());
}

// The units of a side entry's value.
std::u16string Units(std::uint32_t value) {
  char16_t u[2];
  return std::u16string(u, size_t(KxUnpackUniChar(value, u)));
}

TEST(HdFtNameSides, FromUTF8) {
  std::string bytes;
  Sides sides;
  // The characters Shift_JIS lacks are placeholders with their values.
  ASSERT_TRUE(KxHdFtNameFromUTF8("caf\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80.txt", 16, bytes, sides));
  ASSERT_EQ(sides.size(), 3u);
  EXPECT_EQ(bytes.substr(0, 3), "caf");
  EXPECT_EQ(bytes.substr(bytes.size() - 4), ".txt");
  EXPECT_EQ(Units(sides[0].value), u"\u00E9");
  EXPECT_EQ(Units(sides[1].value), u"\u20AC");
  EXPECT_EQ(Units(sides[2].value), u"\U0001F600");
  EXPECT_EQ(sides[0].offset, 3);
  EXPECT_LT(sides[1].offset, sides[2].offset);
  EXPECT_LT(sides[2].offset, long(bytes.size()) - 4);
  // What Shift_JIS holds converts as the title does, with no entry.
  const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E_a~.txt";
  ASSERT_TRUE(KxHdFtNameFromUTF8(japanese.data(), long(japanese.size()), bytes, sides));
  EXPECT_EQ(bytes, KxUTF8ToScriptText(japanese));
  EXPECT_TRUE(sides.empty());
  // A long name is cut to 255 bytes between characters, its entries with it.
  std::string name;
  for (int k = 0; k < 200; ++k) name += k % 2 ? "\xE2\x82\xAC" : "\xE6\x97\xA5";
  ASSERT_TRUE(KxHdFtNameFromUTF8(name.data(), long(name.size()), bytes, sides));
  EXPECT_LE(long(bytes.size()), kKxHdFtMaxName);
  EXPECT_GE(long(bytes.size()), kKxHdFtMaxName - 1);
  EXPECT_TRUE(EndsOnBoundary(bytes));
  ASSERT_FALSE(sides.empty());
  EXPECT_LT(sides.back().offset, long(bytes.size()));
  // Malformed bytes, an empty name and no name.
  ASSERT_TRUE(KxHdFtNameFromUTF8("a\xFF\xC3", 3, bytes, sides));
  EXPECT_EQ(bytes.substr(0, 1), "a");
  EXPECT_TRUE(KxHdFtNameFromUTF8("", 0, bytes, sides));
  EXPECT_TRUE(bytes.empty() && sides.empty());
  EXPECT_TRUE(KxHdFtNameFromUTF8(nullptr, 7, bytes, sides));
  EXPECT_TRUE(bytes.empty() && sides.empty());
}

TEST(HdFtEditObject, NameKeepsItsSideEntries) {
  HdFtEdit e;
  const std::string t = "<PAGE> <NAME>";
  e.SetHeaderStyle(12, t.data(), long(t.size()), SStyl{}, kKxHdFtLeft, 0, 0);
  // Entries past the name or out of order are dropped as the name is set.
  const Sides given = {{2, 0x20AC}, {1, 0x41}, {5, 0xD83DDE00}, {6, 0x42}};
  e.SetName(kName.data(), long(kName.size()), given.data(), long(given.size()));
  char buf[64];
  Sides sides;
  const long n = e.MakeHdFtText(e.GetHeaderStyle(), buf, sizeof buf, 3, &sides);
  EXPECT_EQ(std::string(buf, size_t(n)), "3 " + kName);
  EXPECT_EQ(P(sides), (Pairs{{4, 0x20AC}, {7, 0xD83DDE00}}));
  // A name set again without entries has none.
  e.SetName("Doc", 3);
  e.MakeHdFtText(e.GetHeaderStyle(), buf, sizeof buf, 3, &sides);
  EXPECT_TRUE(sides.empty());
}

}  // namespace
