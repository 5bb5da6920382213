// Editing commands against the store: each command through the edit object
// must leave the same bytes and runs as the store operation on a plain copy,
// the same lines as a full layout of that copy, the expected selection and
// the result bits the command promises.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "layout/text_edit.h"
#include "text/find/find.h"
#include "text_edit_fixture.h"

using kxtest::TestEdit;

namespace {

const std::string kText = "first para " SJ_KAN SJ_A " words\rsecond \x82\x60\x82\x61\x82\x62 line\r\rlast";

// Everything a command may change in the store.
struct Snapshot {
  std::string bytes;
  std::vector<SKXStyl> styls;
  std::vector<SKXDeco> decos;
  std::vector<SKXPara> paras;
  std::vector<SKXRuby> rubys;
};

Snapshot Take(const CKXText& t) {
  Snapshot s;
  s.bytes.resize(size_t(t.GetLength()));
  t.CopyBytes(0, t.GetLength(), s.bytes.data(), t.GetLength());
  s.styls.resize(size_t(t.GetStylCount()));
  t.GetStyls(s.styls.data(), long(s.styls.size()));
  s.decos.resize(size_t(t.GetDecoCount()));
  t.GetDecos(s.decos.data(), long(s.decos.size()));
  s.paras.resize(size_t(t.GetParaCount()));
  t.GetParas(s.paras.data(), long(s.paras.size()));
  s.rubys.resize(size_t(t.GetRubysCount()));
  if (!s.rubys.empty()) t.GetRubys(s.rubys.data(), long(s.rubys.size()));
  return s;
}

template <typename T>
bool SameBytes(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// The first difference, or empty.
std::string Differ(const Snapshot& a, const Snapshot& b) {
  if (a.bytes != b.bytes) return "bytes: " + a.bytes + " / " + b.bytes;
  if (!SameBytes(a.styls, b.styls)) return "style runs";
  if (!SameBytes(a.decos, b.decos)) return "decoration runs";
  if (!SameBytes(a.paras, b.paras)) return "paragraph runs";
  if (!SameBytes(a.rubys, b.rubys)) return "ruby";
  return {};
}

const SParaStyl& Indented() {
  static SParaStyl p = [] {
    SParaStyl q{};
    q.firstIndent = 12;
    q.leftIndent = 6;
    return q;
  }();
  return p;
}

struct Row {
  const char* name;
  long anchor, active;  // the selection before
  std::function<std::uint16_t(TestEdit&)> command;
  // The store operation over the ordered selection; answers the selection
  // expected after it.
  std::function<std::pair<long, long>(CKXText&, long low, long high, const TestEdit& before)> store;
  std::uint16_t must;     // result bits that must be set
  std::uint16_t mustNot;  // and those that must not
};

CKXText& Source() {
  static CKXText* s = [] {
    auto* t = new CKXText;
    const std::string bytes = "pa" SJ_A "\rste";
    SKXStyl runs[2] = {{0, SStyl{0, 0, 1, 0, 0, 12, RGBColor{0, 0, 0}}}, {2, SStyl{0, 0, 1, 1, 0, 18, RGBColor{0, 0, 0}}}};
    t->SetText(bytes.data(), long(bytes.size()), runs, 2, nullptr, 0, nullptr, 0, nullptr, 0);
    return t;
  }();
  return *s;
}

constexpr std::uint16_t kChanged = kKxEditTextChanged, kSel = kKxEditSelChanged;

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      {"insert bytes over a selection", 6, 11, [](TestEdit& e) { return e.Insert("xy", 2, nullptr, 0); },
       [](CKXText& t, long lo, long hi, const TestEdit& b) {
         SStyl s;
         SDeco d;
         b.GetCurStyl(s);
         b.GetCurDeco(d);
         t.DeleteText(lo, hi);
         t.InsertString(lo, "xy", 2, &s, &d, nullptr, 0);
         return std::pair{lo + 2, lo + 2};
       },
       kChanged | kSel, 0},
      {"insert a text at the caret", 3, 3, [](TestEdit& e) { return e.Insert(&Source()); },
       [](CKXText& t, long lo, long, const TestEdit&) {
         t.InsertText(lo, &Source(), CKXText::kWhatAll);
         return std::pair{lo + Source().GetLength(), lo + Source().GetLength()};
       },
       kChanged | kSel, 0},
      {"picture", 22, 22, [](TestEdit& e) { return e.InsertPictID(7); },
       [](CKXText& t, long lo, long, const TestEdit& b) {
         SStyl s;
         SDeco d;
         b.GetCurStyl(s);
         b.GetCurDeco(d);
         d.pictID = 7;
         t.InsertString(lo, "\xca", 1, &s, &d, nullptr, 0);
         return std::pair{lo + 1, lo + 1};
       },
       kChanged | kSel, 0},
      {"replace with runs", 20, 27,
       [](TestEdit& e) {
         const SKXStyl r{0, SStyl{0, 0, 1, 2, 0, 9, RGBColor{0, 0, 0}}};
         return e.Replace("new\rbytes", 9, &r, 1, nullptr, 0, nullptr, 0, nullptr, 0);
       },
       [](CKXText& t, long lo, long hi, const TestEdit&) {
         const SKXStyl r{0, SStyl{0, 0, 1, 2, 0, 9, RGBColor{0, 0, 0}}};
         t.DeleteText(lo, hi);
         t.InsertText(lo, "new\rbytes", 9, &r, 1, nullptr, 0, nullptr, 0, nullptr, 0);
         return std::pair{lo + 9, lo + 9};
       },
       kChanged | kSel, 0},
      {"delete across paragraphs", 29, 5, [](TestEdit& e) { return e.Delete(); },
       [](CKXText& t, long lo, long hi, const TestEdit&) {
         t.DeleteText(lo, hi);
         return std::pair{lo, lo};
       },
       kChanged | kSel, 0},
      {"delete nothing", 9, 9, [](TestEdit& e) { return e.Delete(); },
       [](CKXText&, long lo, long, const TestEdit&) { return std::pair{lo, lo}; }, 0, 0xFFFF},
      {"paste over a selection", 0, 5, [](TestEdit& e) { return e.Paste(&Source(), CKXText::kWhatAll); },
       [](CKXText& t, long lo, long hi, const TestEdit&) {
         t.PasteText(lo, hi, &Source(), CKXText::kWhatAll);
         return std::pair{lo + Source().GetLength(), lo + Source().GetLength()};
       },
       kChanged | kSel, 0},
      {"paste styles only keeps the selection", 2, 9,
       [](TestEdit& e) { return e.Paste(&Source(), CKXText::kWhatStyl); },
       [](CKXText& t, long lo, long hi, const TestEdit&) {
         t.PasteText(lo, hi, &Source(), CKXText::kWhatStyl);
         return std::pair{lo, hi};
       },
       kChanged, 0},
      {"bold over a selection", 15, 4, [](TestEdit& e) { return e.SetTextFace(1, 1); },
       [](CKXText& t, long lo, long hi, const TestEdit&) {
         t.SetStylFace(lo, hi, 1, 1);
         return std::pair{lo, hi};
       },
       kKxEditStylChanged | kChanged, 0},
      {"underline stays selected", 4, 15, [](TestEdit& e) { return e.SetTextUnderLine(1, 1); },
       [](CKXText& t, long lo, long hi, const TestEdit&) {
         t.SetDecoUnderLine(lo, hi, 1, 1);
         return std::pair{lo, hi};
       },
       kKxEditDecoChanged | kChanged, 0},
      {"font size", 0, 9, [](TestEdit& e) { return e.SetTextSize(24); },
       [](CKXText& t, long lo, long hi, const TestEdit&) {
         t.SetStylSize(lo, hi, 24);
         return std::pair{lo, hi};
       },
       kKxEditStylChanged | kChanged, 0},
      {"net colour", 0, 9, [](TestEdit& e) { return e.SetTextNetColor(3); },
       [](CKXText& t, long lo, long hi, const TestEdit&) {
         t.SetDecoNetColor(lo, hi, 3);
         return std::pair{lo, hi};
       },
       kKxEditDecoChanged | kChanged, 0},
      {"ruby over a selection", 11, 15,
       [](TestEdit& e) { return e.SetTextRuby((const unsigned char*)"kanji", 5); },
       [](CKXText& t, long lo, long hi, const TestEdit&) {
         t.SetRuby(lo, hi, (const unsigned char*)"kanji", 5);
         return std::pair{lo, hi};
       },
       kKxEditDecoChanged | kChanged, 0},
      {"paragraph indent widens to the paragraph", 3, 3, [](TestEdit& e) { return e.SetTextParaIndent(12, 6, 0); },
       [](CKXText& t, long lo, long hi, const TestEdit&) {
         t.AdjustParaSelect(lo, hi);
         t.SetParaIndent(lo, hi, 12, 6, 0);
         return std::pair{lo, hi};
       },
       kKxEditParaChanged | kSel | kChanged, 0},
      {"paragraph style over two paragraphs", 25, 40,
       [](TestEdit& e) { return e.SetTextParaStyl(Indented(), 0); },
       [](CKXText& t, long lo, long hi, const TestEdit&) {
         t.AdjustParaSelect(lo, hi);
         t.SetPara(lo, hi, Indented());
         return std::pair{lo, hi};
       },
       kKxEditParaChanged | kSel | kChanged, 0},
      {"tab move", 3, 3,
       [](TestEdit& e) {
         e.SetTextParaTabInsert(40, 0);
         return e.SetTextParaTabMove(40, 80, 1);
       },
       [](CKXText& t, long lo, long hi, const TestEdit&) {
         t.AdjustParaSelect(lo, hi);
         t.SetParaTabInsert(lo, hi, 40, 0);
         t.SetParaTabDelete(lo, hi, 40);
         t.SetParaTabInsert(lo, hi, 80, 1);
         return std::pair{lo, hi};
       },
       kKxEditParaChanged | kChanged, 0},
  };
  return rows;
}

}  // namespace

TEST(TextEditCmds, CommandsMatchTheStoreAndAFullLayout) {
  for (const Row& row : Rows()) {
    for (const bool vertical : {false, true}) {
      TestEdit e(90);
      e.SetString(kText);
      e.SetStylSize(6, 11, 18);  // a second style run
      e.CalcText();
      if (vertical) e.SetVertical(1);
      e.Activate();
      e.SetSelect(row.anchor, row.active);
      CKXText plain;
      plain.SetText(&e);
      plain.SetReferToPicture(1);
      const std::uint16_t result = row.command(e);
      const auto [a, b] = row.store(plain, std::min(row.anchor, row.active), std::max(row.anchor, row.active), e);
      const std::string where = std::string(row.name) + (vertical ? " (vertical)" : "");
      EXPECT_EQ(Differ(Take(e), Take(plain)), "") << where;
      TestEdit fresh(90);
      fresh.SetText(&plain);
      if (vertical) fresh.SetVertical(1);
      fresh.CalcText();
      EXPECT_EQ(e.Lines(), fresh.Lines()) << where;
      long sa, sb;
      e.GetSelect(sa, sb);
      EXPECT_EQ(std::min(sa, sb), std::min(a, b)) << where;
      EXPECT_EQ(std::max(sa, sb), std::max(a, b)) << where;
      EXPECT_EQ(result & row.must, row.must) << where << " result " << std::hex << result;
      EXPECT_EQ(result & row.mustNot, 0) << where << " result " << std::hex << result;
      EXPECT_EQ(e.Check(), nullptr) << where;
    }
  }
}

// Without a selection character formatting changes only what the next
// typed character gets.
TEST(TextEditCmds, TypingStyleWithoutASelection) {
  TestEdit e;
  e.SetString("abc");
  e.SetSelect(1, 1);
  e.drawCount = 0;
  const Snapshot before = Take(e);
  EXPECT_EQ(e.SetTextFace(1, 1), kKxEditStylChanged);
  EXPECT_EQ(e.SetTextUnderLine(2, 1), kKxEditDecoChanged);
  EXPECT_EQ(e.SetTextRuby((const unsigned char*)"r", 1), 0);
  EXPECT_EQ(Differ(Take(e), before), "");
  EXPECT_EQ(e.drawCount, 0);  // nothing redrawn
  e.KeyIn('x', 0);
  SStyl s;
  SDeco d;
  e.GetCurStyl(s);
  e.GetCurDeco(d);
  EXPECT_EQ(s.face & 1, 1);
  EXPECT_GT(s.height, 0);  // measured again
  EXPECT_EQ((d.lineBits >> 3) & 7, 2);
  SKXStyl runs[3];
  ASSERT_EQ(e.GetStyls(runs, 3), 3);
  EXPECT_EQ(runs[1].offset, 1);
  EXPECT_EQ(runs[1].styl.face & 1, 1);
}

// Find selects what the store matched: folded and expression matches are
// not as long as the pattern; backward searches start at the lower end.
TEST(TextEditCmds, FindSelectsTheMatch) {
  struct Case {
    const char* pattern;
    short options;
    long anchor, active;
    long start, end;  // expected selection; start -1: not found
  } const cases[] = {
      {"ABC", kKXFindIgnoreWidth, 0, 0, 29, 35},
      {"B", kKXFindIgnoreWidth | kKXFindBackward, 39, 37, 31, 33},  // from the lower end
      {"w.rds", kKXFindRegexp, 0, 0, 16, 21},
      {"l[a-z]+", kKXFindRegexp, 0, 0, 36, 40},
      {"first", 0, 3, 3, -1, -1},
      {"para", kKXFindBackward, 30, 30, 6, 10},
  };
  for (const Case& c : cases) {
    TestEdit e;
    e.SetString(kText);
    e.SetSelect(c.anchor, c.active);
    const std::uint16_t r = e.Find(c.pattern, long(std::strlen(c.pattern)), c.options, 1);
    long a, b;
    e.GetSelect(a, b);
    if (c.start < 0) {
      EXPECT_EQ(r, 0) << c.pattern;
      EXPECT_EQ(a, c.anchor) << c.pattern;
      continue;
    }
    EXPECT_TRUE(r & kKxEditSelChanged) << c.pattern;
    EXPECT_EQ(std::min(a, b), c.start) << c.pattern;
    EXPECT_EQ(std::max(a, b), c.end) << c.pattern;
  }
}

TEST(TextEditCmds, CutCopyAndAutoIndent) {
  TestEdit e;
  e.SetString("\t " SJ_A "\x81\x40x\rnext");
  CKXText scrap;
  e.SetSelect(4, 7);
  e.Copy(&scrap, CKXText::kWhatAll);
  EXPECT_EQ(scrap.GetLength(), 3);
  e.Cut(&scrap);
  EXPECT_EQ(e.Text(), "\t " SJ_A "\rnext");
  EXPECT_EQ(scrap.GetLength(), 3);
  // Return repeats tab, space and the full-width space, not the kana.
  e.SetString("\t \x81\x40" SJ_A "x\rnext");
  e.SetAutoIndent(1);
  e.SetSelect(6, 7);
  e.KeyIn(kKxCharReturn, 0);
  EXPECT_EQ(e.Text(), "\t \x81\x40" SJ_A "\r\t \x81\x40\rnext");
  long a, b;
  e.GetSelect(a, b);
  EXPECT_EQ(b, 11);
}
