// Selection services of the editing layer: the line-number restart list
// against a set model, paragraph ranges and jumps, the paragraph transforms
// and line duplication with exact undo.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "layer_fixture.h"
#include "text/store/transform.h"

namespace {
using kxtest::Diff;
using kxtest::Snapshot;
using kxtest::Take;
using kxtest::TestLayer;

void SetText(TestLayer& layer, const std::string& s) {
  KXText_SetText(layer.GetEdit(), s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0);
  KXTE_CalcText(layer.GetEdit());
  layer.SetSelectionRange({0, 0}, false);
}

std::string Text(const TestLayer& layer) { return Take(layer).bytes; }

TEST(TextLayerSelect, RestartListFollowsASetModel) {
  std::mt19937 rng(106);
  auto pick = [&](long lo, long hi) { return std::uniform_int_distribution<long>(lo, hi)(rng); };
  TestLayer layer;
  std::set<long> model;
  const long steps = KxRandomSteps(2000);
  for (long step = 0; step < steps; ++step) {
    const long line = pick(-2, 30);
    const bool on = pick(0, 1) != 0;
    bool want = false;
    if (line >= 2) {
      if (on) {
        want = model.insert(line).second;
      } else {
        auto at = model.upper_bound(line);
        if (at != model.begin()) model.erase(std::prev(at)), want = true;
      }
    }
    if (line == 0) continue;  // the caret's line: not part of the model
    ASSERT_EQ(layer.SetLineReStart(line, on), want) << "step " << step << " line " << line << " on " << on;
    for (long l = 1; l <= 32; ++l) {
      // The number shown for line l: l minus the offset of its restart.
      auto at = model.upper_bound(l);
      const long wantNext = at == model.end() ? CKXTextLayer::kNoRestart : *at;
      const long wantShift = at == model.begin() ? 0 : *std::prev(at) - 1;
      long next = 0;
      ASSERT_EQ(layer.GetLineReStart(l, next), wantShift) << "step " << step << " line " << l;
      ASSERT_EQ(next, wantNext);
    }
    // The stored form reads back as the same list.
    std::vector<char> data(std::size_t(layer.GetLnReStartDataSize()));
    ASSERT_EQ(layer.GetLnReStartData(data.data(), long(data.size())), long(data.size()));
    TestLayer other;
    ASSERT_TRUE(other.SetLnReStartData(data.data(), long(data.size())));
    ASSERT_EQ(other.GetLnReStartDataSize(), layer.GetLnReStartDataSize());
  }
}

TEST(TextLayerSelect, RestartsShowTheNumbersOfTheirSections) {
  TestLayer layer;
  ASSERT_TRUE(layer.SetLineReStart(5, true));
  ASSERT_TRUE(layer.SetLineReStart(10, true));
  EXPECT_FALSE(layer.SetLineReStart(10, true));
  EXPECT_FALSE(layer.SetLineReStart(1, true));
  long next = 0;
  EXPECT_EQ(7 - layer.GetLineReStart(7, next), 3);
  EXPECT_EQ(next, 10);
  EXPECT_EQ(4 - layer.GetLineReStart(4, next), 4);
  EXPECT_EQ(next, 5);
  EXPECT_EQ(10 - layer.GetLineReStart(10, next), 1);
  EXPECT_EQ(next, CKXTextLayer::kNoRestart);
}

// Stored lists come from files: the list takes size / 4 entries, sorted,
// without repeats and without lines below 2, so that what the user set is
// kept whatever order or leftovers the file holds.
TEST(TextLayerSelect, StoredRestartListsAreCleanedUp) {
  auto be = [](std::initializer_list<std::uint32_t> values) {
    std::string s;
    for (std::uint32_t v : values)
      for (int shift = 24; shift >= 0; shift -= 8) s += char((v >> shift) & 0xFF);
    return s;
  };
  const struct {
    std::string data;
    std::string kept;
  } kCases[] = {
      {be({3, 7, 40}), be({3, 7, 40})},
      {be({}), be({})},
      {be({7, 3}), be({3, 7})},
      {be({3, 3}), be({3})},
      {be({1, 5}), be({5})},
      {be({0}), be({})},
      {be({0x80000000u, 9}), be({9})},
      {be({3, 7}).substr(0, 6), be({3})},   // a 6-byte list keeps one entry
      {be({40, 2, 0, 40, 2, 1, 17}), be({2, 17, 40})},
  };
  for (const auto& c : kCases) {
    TestLayer layer;
    ASSERT_TRUE(layer.SetLineReStart(20, true));
    EXPECT_TRUE(layer.SetLnReStartData(c.data.data(), long(c.data.size()))) << c.data.size();
    std::string got(std::size_t(layer.GetLnReStartDataSize()), '\0');
    layer.GetLnReStartData(got.data(), long(got.size()));
    EXPECT_EQ(got, c.kept) << c.data.size();
  }
  TestLayer layer;
  ASSERT_TRUE(layer.SetLineReStart(20, true));
  EXPECT_FALSE(layer.SetLnReStartData(nullptr, 8));
  EXPECT_FALSE(layer.SetLnReStartData("abcd", -4));
  EXPECT_EQ(layer.GetLnReStartDataSize(), 4);
  // The numbering follows the cleaned list.
  const std::string list = be({12, 5});
  ASSERT_TRUE(layer.SetLnReStartData(list.data(), long(list.size())));
  long next = 0;
  EXPECT_EQ(layer.GetLineReStart(7, next), 4);
  EXPECT_EQ(next, 12);
}

TEST(TextLayerSelect, ParagraphRangesJumpsAndCounts) {
  TestLayer layer;
  SetText(layer, "one\rtwo\rthree");
  const struct {
    SKXRange in, want;
  } kParas[] = {
      {{1, 0}, {0, 4}},  {{0, 4}, {0, 4}},   // ends right after a CR: that paragraph only
      {{2, 3}, {0, 8}},  {{9, 0}, {8, 5}},   // the last paragraph has no CR
      {{13, 0}, {8, 5}}, {{0, -1}, {0, 13}},
  };
  for (const auto& c : kParas) {
    const SKXRange r = layer.GetParagSelectionRange(c.in);
    EXPECT_EQ(r.start, c.want.start) << c.in.start << "," << c.in.length;
    EXPECT_EQ(r.length, c.want.length) << c.in.start << "," << c.in.length;
  }
  EXPECT_EQ(layer.GetParagraphCount(CKXTextLayer::sTextAll), 2);
  EXPECT_EQ(layer.GetParagraphCount({4, 3}), 0);
  layer.DoJump(0, 0);
  EXPECT_EQ(layer.GetSelectionRange().start, 0);
  layer.DoJump(-1, 2);
  EXPECT_EQ(layer.GetSelectionRange().start, 10);
  EXPECT_EQ(layer.GetBeforeRange().start, 0);
  layer.DoJump(2, 99);  // clamped to the text
  EXPECT_EQ(layer.GetSelectionRange().start, 13);
  EXPECT_EQ(layer.GetWordSelectionRange(5).start, 4);
  EXPECT_EQ(layer.GetWordSelectionRange(5).length, 3);
}

TEST(TextLayerSelect, LineDuplicationPutsEachCopyOnItsOwnLine) {
  const struct {
    const char* text;
    SKXRange sel;
    const char* want;
    long caret;
  } kCases[] = {
      {"abc", {1, 0}, "abc\rabc", 4},            // no final CR: one is added
      {"a\rb", {2, 0}, "a\rb\rb", 4},
      {"a\rb\r", {0, 3}, "a\rb\ra\rb\r", 4},     // two paragraphs, final CR kept
      {"one\rtwo\r", {4, 0}, "one\rtwo\rtwo\r", 8},
  };
  for (const auto& c : kCases) {
    TestLayer layer;
    SetText(layer, c.text);
    layer.SetSelectionRange(c.sel, false);
    const Snapshot before = Take(layer);
    layer.DoLineDup();
    EXPECT_EQ(Text(layer), c.want) << c.text;
    EXPECT_EQ(layer.GetSelectionRange().start, c.caret) << c.text;
    const Snapshot after = Take(layer);
    layer.Undo();
    EXPECT_EQ(Diff(Take(layer), before), "") << c.text;
    layer.Redo();
    EXPECT_EQ(Diff(Take(layer), after), "") << c.text;
  }
}

// Conversions rewrite the bytes and keep the runs, ruby and marks around
// them; undo gives back exactly what stood.
TEST(TextLayerSelect, ConversionsKeepRunsRubyAndMarksWithExactUndo) {
  const std::pair<const char*, void (*)(TestLayer&)> kCommands[] = {
      {"upper case", [](TestLayer& l) { l.DoCharType(9); }},
      {"full width", [](TestLayer& l) { l.DoCharType(7); }},
      {"kana", [](TestLayer& l) { l.DoCharType(8); }},
      {"capitals", [](TestLayer& l) { l.DoCharType(20); }},
      {"shift left", [](TestLayer& l) { l.DoCharShift(true); }},
      {"shift right", [](TestLayer& l) { l.DoCharShift(false); }},
      {"reform", [](TestLayer& l) { l.DoLineReform(true); }},
      {"join", [](TestLayer& l) { l.DoLineReform(false); }},
  };
  for (const auto& [name, command] : kCommands) {
    TestLayer layer;
    const std::string text = "alpha beta\r  gamma \x82\xa0\x82\xa2 delta\rend";
    const SKXStyl styls[2] = {{0, {0, 0, 0, 0, 0, 12, {0, 0, 0}}}, {6, {0, 0, 0, 1, 0, 12, {0, 0, 0}}}};
    const SKXDeco decos[2] = {{0, {0, 0, 0, 0}, 0}, {13, {0x0008, 0, 0, 0}, 0}};
    KXText_SetText(layer.GetEdit(), text.data(), long(text.size()), styls, 2, decos, 2, nullptr, 0);
    KXText_SetRuby(layer.GetEdit(), 0, 5, reinterpret_cast<const unsigned char*>("ar"), 2);
    KXTE_CalcText(layer.GetEdit());
    layer.mMarkSet.push_back({30, 3, 0, false, {1, 'e'}});
    layer.SetSelectionRange({2, 20}, false);
    const Snapshot before = Take(layer);
    command(layer);
    ASSERT_NE(layer.GetAction(), nullptr) << name;
    const Snapshot after = Take(layer);
    EXPECT_FALSE(after.rubys.empty()) << name << ": the ruby went";
    // Shifting left and reforming find nothing to do here: still one step.
    const bool idle = std::string(name) == "shift left" || std::string(name) == "reform";
    EXPECT_EQ(after.bytes == before.bytes, idle) << name;
    layer.Undo();
    EXPECT_EQ(Diff(Take(layer), before), "") << name << ": undo";
    layer.Redo();
    EXPECT_EQ(Diff(Take(layer), after), "") << name << ": redo";
  }
}

// Letters kept in side entries change case with the rest; undo gives their
// entries back.
TEST(TextLayerSelect, CaseOfSideEntryLettersUndoes) {
  TestLayer layer;
  SetText(layer, "caf cole");
  KXText_InsertUniChar(layer.GetEdit(), 3, 0x00E90000, nullptr, nullptr);  // é
  KXText_InsertUniChar(layer.GetEdit(), 5, 0x00C90000, nullptr, nullptr);  // É
  KXTE_CalcText(layer.GetEdit());
  layer.SetSelectionRange({0, 10}, false);
  const Snapshot before = Take(layer);
  ASSERT_EQ(before.uni.size(), 2u);
  layer.DoCharType(5);
  const Snapshot after = Take(layer);
  EXPECT_EQ(after.bytes, "CAF\xA0 \xA0" "COLE");
  ASSERT_EQ(after.uni.size(), 2u);
  EXPECT_EQ(after.uni[0].value, 0x00C90000u);
  EXPECT_EQ(after.uni[1].value, 0x00C90000u);
  layer.Undo();
  EXPECT_EQ(Diff(Take(layer), before), "");
  layer.Redo();
  EXPECT_EQ(Diff(Take(layer), after), "");
  layer.DoCharType(6);
  EXPECT_EQ(Take(layer).uni[1].value, 0x00E90000u);
}

// Marks inside a converted range stay on their text, their ends moved where
// the conversion put it (a mark byte joined into a kana takes the mark's
// end with it); undo and redo give each set back exactly.
TEST(TextLayerSelect, ConversionsKeepTheMarksInsideTheirRange) {
  struct Case {
    const char* name;
    void (*command)(TestLayer&);
    KXMarkSet after;
  };
  // "ab" ｶﾞ "c" CR "de": marks on b, on ﾞ (inside ｶﾞ), empty before c, on "de", over the range's end.
  const std::string text = "ab\xB6\xDE" "c\rde\rxyz";
  const KXMarkSet marks = {{1, 1, 0, false, {1, 'b'}},  {3, 1, 0, false, {1, 'm'}}, {4, 0, 0, false, {1, 'e'}},
                           {6, 2, 0, false, {1, 'd'}},  {7, 4, 0, false, {1, 'x'}}};
  const Case cases[] = {
      {"full width", [](TestLayer& l) { l.DoCharType(7); },
       {{2, 2, 0, false, {1, 'b'}}, {4, 2, 0, false, {1, 'm'}}, {6, 0, 0, false, {1, 'e'}},
        {9, 4, 0, false, {1, 'd'}}, {11, 5, 0, false, {1, 'x'}}}},
      {"shift right", [](TestLayer& l) { l.DoCharShift(false); },
       {{2, 1, 0, false, {1, 'b'}}, {4, 1, 0, false, {1, 'm'}}, {5, 0, 0, false, {1, 'e'}},
        {8, 2, 0, false, {1, 'd'}}, {9, 4, 0, false, {1, 'x'}}}},
      {"join", [](TestLayer& l) { l.DoLineReform(false); },
       {{1, 1, 0, false, {1, 'b'}}, {3, 1, 0, false, {1, 'm'}}, {4, 0, 0, false, {1, 'e'}},
        {5, 2, 0, false, {1, 'd'}}, {6, 4, 0, false, {1, 'x'}}}},
  };
  for (const Case& c : cases) {
    TestLayer layer;
    SetText(layer, text);
    layer.mMarkSet = marks;
    layer.SetSelectionRange({0, 9}, false);
    const Snapshot before = Take(layer);
    c.command(layer);
    const Snapshot after = Take(layer);
    ASSERT_NE(after.bytes, before.bytes) << c.name;
    EXPECT_EQ(layer.mMarkSet, c.after) << c.name;
    layer.Undo();
    EXPECT_EQ(Diff(Take(layer), before), "") << c.name << ": undo";
    layer.Redo();
    EXPECT_EQ(Diff(Take(layer), after), "") << c.name << ": redo";
  }
}

// A conversion over part of a ruby's base keeps the whole base under the
// ruby, grown or shrunk by what the conversion did inside it; undo and redo
// give each state back exactly.
TEST(TextLayerSelect, ConversionsOverPartOfABaseKeepTheWholeRuby) {
  struct Case {
    const char* name;
    SKXRange base, range, after;
  };
  // ｱｲｳ東京ｴｵ大阪 CR "second": half-width kana grow to two bytes each.
  const std::string text = "\xB1\xB2\xB3\x93\x8C\x8B\x9E\xB4\xB5\x91\xE5\x8D\xE3\rsecond";
  const Case cases[] = {
      {"base from the range's start on", {0, 3}, {0, 2}, {0, 5}},
      {"base up to inside the range", {0, 3}, {2, 7}, {0, 4}},
      {"base from inside the range on", {5, 4}, {0, 8}, {8, 5}},
      {"range inside the base", {0, 7}, {1, 1}, {0, 8}},
  };
  for (const Case& c : cases) {
    TestLayer layer;
    SetText(layer, text);
    KXText_SetRuby(layer.GetEdit(), c.base.start, c.base.start + c.base.length,
                   reinterpret_cast<const unsigned char*>("ab"), 2);
    KXText_SetRuby(layer.GetEdit(), 11, 13, reinterpret_cast<const unsigned char*>("k"), 1);  // untouched: 阪
    KXTE_CalcText(layer.GetEdit());
    layer.SetSelectionRange(c.range, false);
    const Snapshot before = Take(layer);
    layer.DoCharType(UKXText::kCharTypeFull);
    const Snapshot after = Take(layer);
    ASSERT_NE(after.bytes, before.bytes) << c.name;
    ASSERT_EQ(after.rubys.size(), 2u) << c.name;
    EXPECT_EQ(after.rubys[0].pos, c.after.start) << c.name;
    EXPECT_EQ(after.rubys[0].baseLen, c.after.length) << c.name;
    EXPECT_EQ(std::string(after.rubys[0].text, after.rubys[0].rubyLen), "ab") << c.name;
    EXPECT_EQ(after.rubys[1].pos, long(after.bytes.find("\x8D\xE3"))) << c.name;
    EXPECT_EQ(after.rubys[1].baseLen, 2) << c.name;
    layer.Undo();
    EXPECT_EQ(Diff(Take(layer), before), "") << c.name << ": undo";
    layer.Redo();
    EXPECT_EQ(Diff(Take(layer), after), "") << c.name << ": redo";
  }

  // A base that would pass the longest one a ruby takes loses its ruby,
  // as it does when typing makes it too long; no piece of it stays behind.
  TestLayer layer;
  SetText(layer, std::string(100, '\xB1') + "x");
  KXText_SetRuby(layer.GetEdit(), 0, 100, reinterpret_cast<const unsigned char*>("ab"), 2);
  KXTE_CalcText(layer.GetEdit());
  layer.SetSelectionRange({0, 50}, false);
  layer.DoCharType(UKXText::kCharTypeFull);
  EXPECT_TRUE(Take(layer).rubys.empty());
}

TEST(TextLayerSelect, RubyAndKeyScripts) {
  TestLayer layer;
  SetText(layer, "kanji here");
  layer.SetSelectionRange({0, 5}, false);
  EXPECT_TRUE(layer.CheckCurRuby());
  const Snapshot before = Take(layer);
  layer.DoSetRuby({0, 5}, "kj", 2);
  SKXRange r{};
  char text[kKxRubyMaxText] = {};
  long len = 0;
  layer.SetSelectionRange({1, 0}, false);
  ASSERT_TRUE(layer.GetCurRuby(r, text, len));
  EXPECT_EQ(std::string(text, std::size_t(len)), "kj");
  EXPECT_EQ(r.start, 0);
  EXPECT_EQ(r.length, 5);
  EXPECT_TRUE(layer.CheckCurRuby()) << "a caret inside the base stands on the ruby";
  layer.SetSelectionRange({7, 0}, false);
  EXPECT_FALSE(layer.CheckCurRuby()) << "a caret elsewhere has nothing to edit";
  layer.Undo();
  EXPECT_EQ(Diff(Take(layer), before), "");
  SetText(layer, "a\tb");
  layer.SetSelectionRange({0, 3}, false);
  EXPECT_FALSE(layer.CheckCurRuby());  // a control byte: no ruby over it

  layer.SetKeyScript(5, 0);  // other 0: both fonts become the edit style's
  short own = -1, other = -1;
  layer.GetKeyScript(own, other);
  SKXEditStyl edit{};
  KXTE_GetEditStyl(layer.GetEdit(), edit);
  EXPECT_EQ(own, edit.font);
  EXPECT_EQ(other, edit.font);
}

}  // namespace
