// Header and footer templates: the tokeniser against a scanner built on a
// regular expression over random templates, expansion on a fixed clock and
// for shown page numbers, and lines that never pass their capacity nor end
// inside a double-byte character.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "layout/hdft.h"
#include "layout/text_edit_ex.h"
#include "platform/clock.h"
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

}  // namespace
