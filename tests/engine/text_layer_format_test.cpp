// Character and paragraph commands of the editing layer, and the masks of
// what varies over a range against a character-by-character oracle.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "layer_fixture.h"
#include "layout/draw_toolkit.h"

namespace {
using kxtest::Diff;
using kxtest::Snapshot;
using kxtest::Take;
using kxtest::TestLayer;

void SetText(TestLayer& layer, const std::string& s, const std::vector<SKXStyl>& styls = {},
             const std::vector<SKXDeco>& decos = {}) {
  KXText_SetText(layer.GetEdit(), s.data(), long(s.size()), styls.empty() ? nullptr : styls.data(),
                 std::int32_t(styls.size()), decos.empty() ? nullptr : decos.data(), std::int32_t(decos.size()),
                 nullptr, 0);
  KXTE_CalcText(layer.GetEdit());
  layer.SetSelectionRange({0, 0}, false);
}

bool SameColor(const RGBColor& a, const RGBColor& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// Random run layouts: each character's attributes in a model, the runs
// made from it; every range's masks from the model.
TEST(TextLayerFormat, MixedValueMasksMatchACharacterByCharacterOracle) {
  std::mt19937 rng(104);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const long steps = KxRandomSteps(60);
  for (long step = 0; step < steps; ++step) {
    const int n = pick(1, 40);
    std::vector<SStyl> styl(static_cast<std::size_t>(n));
    std::vector<SDeco> deco(static_cast<std::size_t>(n));
    std::vector<SKXStyl> sruns;
    std::vector<SKXDeco> druns;
    for (int at = 0; at < n;) {
      const int len = pick(1, 6);
      SStyl s{0, 0, std::int16_t(pick(0, 2) * 3), std::uint8_t(pick(0, 7)), 0, std::int16_t(10 + 2 * pick(0, 1)),
              {std::uint16_t(pick(0, 1) ? 0xFFFF : 0), 0, 0}};
      SDeco d{std::uint16_t(pick(0, 1) << 3 | pick(0, 1) << 6 | pick(0, 1) << 9 | pick(0, 1) << 12),
              std::uint8_t(pick(0, 1) | pick(0, 1) << 4), std::uint8_t(pick(0, 1)), 0};
      sruns.push_back({at, s});
      druns.push_back({at, d, 0});
      for (int k = at; k < n && k < at + len; ++k) styl[std::size_t(k)] = s, deco[std::size_t(k)] = d;
      at += len;
    }
    TestLayer layer;
    SetText(layer, std::string(std::size_t(n), 'x'), sruns, druns);
    layer.SetSelectionRange({std::int32_t(n), 0}, false);  // the caret elsewhere than the ranges asked
    for (int q = 0; q < 20; ++q) {
      int a = pick(0, n), b = pick(0, n);
      if (a > b) std::swap(a, b);
      if (a == n && b == n && pick(0, 1)) a = b = n;  // the empty range at the end reads the last character
      int from = a, to = b;
      if (from == to) {
        if (from == n) {
          // At the caret the typing style answers; elsewhere the last character.
          layer.SetSelectionRange({0, 0}, false);
          from = n - 1;
        }
        to = from + 1;
      }
      short wantS = 0, wantD = 0;
      SStyl ws = styl[std::size_t(from)];
      SDeco wd = deco[std::size_t(from)];
      wd.lineBits &= 0xFFF8;
      for (int k = from + 1; k < to; ++k) {
        const SStyl& s = styl[std::size_t(k)];
        const SDeco& d = deco[std::size_t(k)];
        if (s.font != ws.font) ws.font = 0, wantS |= 1;
        if (s.face != ws.face) ws.face &= s.face, wantS |= 2;
        if (s.size != ws.size) ws.size = 0, wantS |= 4;
        if (!SameColor(s.color, ws.color)) ws.color = {0, 0, 0}, wantS |= 8;
        const std::uint16_t groups[4] = {0x0038, 0x01C0, 0x0E00, 0xF000};
        for (int g = 0; g < 4; ++g)
          if ((d.lineBits & groups[g]) != (wd.lineBits & groups[g]) && !(wantD & (1 << g)))
            wd.lineBits &= std::uint16_t(~groups[g]), wantD |= short(1 << g);
        if ((d.net & 15) != (wd.net & 15) && !(wantD & 16)) wd.net &= 0xF0, wantD |= 16;
        if ((d.net >> 4) != (wd.net >> 4) && !(wantD & 32)) wd.net &= 0x0F, wantD |= 32;
        if ((d.flags & 15) != (wd.flags & 15) && !(wantD & 64)) wd.flags &= 0xF0, wantD |= 64;
      }
      SStyl gs{};
      SDeco gd{};
      const SKXRange r{a, b - a};
      const std::string where = "step " + std::to_string(step) + " range " + std::to_string(a) + "-" + std::to_string(b);
      ASSERT_EQ(layer.GetTextStyl(r, gs), wantS) << where;
      EXPECT_EQ(gs.font, ws.font) << where;
      EXPECT_EQ(gs.face, ws.face) << where;
      EXPECT_EQ(gs.size, ws.size) << where;
      EXPECT_TRUE(SameColor(gs.color, ws.color)) << where;
      ASSERT_EQ(layer.GetTextDeco(r, gd), wantD) << where;
      EXPECT_EQ(gd.lineBits, wd.lineBits) << where;
      EXPECT_EQ(gd.net, wd.net) << where;
      EXPECT_EQ(gd.flags & 15, wd.flags & 15) << where;
      EXPECT_EQ(gd.pictID, 0) << where;
      // Membership: some character of the range has the value.
      const SStyl probe = styl[std::size_t(pick(0, n - 1))];
      bool has = false;
      for (int k = from; k < to; ++k) has = has || styl[std::size_t(k)].size == probe.size;
      EXPECT_EQ(layer.CheckTextStyl(r, probe, CKXTextLayer::kStylSize), has) << where;
      layer.SetSelectionRange({std::int32_t(n), 0}, false);
    }
  }
}

TEST(TextLayerFormat, ACaretChangeSetsTheTypingStyleWithoutAnUndoStep) {
  TestLayer layer;
  SetText(layer, "abc");
  layer.SetSelectionRange({1, 0}, false);
  const std::pair<const char*, void (*)(TestLayer&)> kCommands[] = {
      {"font", [](TestLayer& l) { l.DoFontNumber(3); }},
      {"size", [](TestLayer& l) { l.DoFontSize(18); }},
      {"face", [](TestLayer& l) { l.DoFontStyle(1); }},
      {"colour", [](TestLayer& l) { l.DoFontColor({0xFFFF, 0, 0}); }},
      {"line", [](TestLayer& l) { l.DoLineType(12); }},
      {"net", [](TestLayer& l) { l.DoNetStyle(3); }},
  };
  const Snapshot before = Take(layer);
  for (const auto& [name, command] : kCommands) {
    command(layer);
    EXPECT_EQ(layer.GetAction(), nullptr) << name;
    EXPECT_EQ(Diff(Take(layer), before), "") << name;
  }
  SStyl cur{};
  KXTE_GetCurStyl(layer.GetEdit(), cur);
  EXPECT_EQ(cur.font, 3);
  EXPECT_EQ(cur.size, 18);
  EXPECT_EQ(cur.face & 1, 1);
  EXPECT_EQ(layer.GetCurFontNumber(), 3);
  EXPECT_EQ(layer.GetCurLineStyle(), 2 << 3);
}

// Each command over a selection is one step that undoes exactly.
TEST(TextLayerFormat, CommandsOverASelectionUndoExactly) {
  const std::pair<const char*, void (*)(TestLayer&)> kCommands[] = {
      {"styl", [](TestLayer& l) {
         const SStyl s{0, 0, 3, 2, 0, 14, {0, 0xFFFF, 0}};
         const SDeco d{0x0208, 0x21, 1, 0};
         l.DoTextStyl(&s, &d);
       }},
      {"font", [](TestLayer& l) { l.DoFontNumber(3); }},
      {"size", [](TestLayer& l) { l.DoFontSize(20); }},
      {"face", [](TestLayer& l) { l.DoFontStyle(4); }},
      {"colour", [](TestLayer& l) { l.DoFontColor({0, 0, 0xFFFF}); }},
      {"upper", [](TestLayer& l) { l.DoLineType(2); }},
      {"centre", [](TestLayer& l) { l.DoLineType(7); }},
      {"under", [](TestLayer& l) { l.DoLineType(15); }},
      {"no lines", [](TestLayer& l) { l.DoLineType(0); }},
      {"line colour", [](TestLayer& l) { l.DoLineColor(5); }},
      {"net", [](TestLayer& l) { l.DoNetStyle(4); }},
      {"net colour", [](TestLayer& l) { l.DoNetColor(2); }},
      {"deco style", [](TestLayer& l) { l.DoExtStyle(2); }},
      {"indent", [](TestLayer& l) { l.DoParaIndent(10, 20, 30); }},
      {"line space", [](TestLayer& l) { l.DoParaLineSpace(6); }},
      {"char space", [](TestLayer& l) { l.DoParaCharSpace(2); }},
      {"justify", [](TestLayer& l) { l.DoParaJustify(1); }},
      {"tab", [](TestLayer& l) { l.DoParaTabInsert(48, 1); }},
  };
  for (const auto& [name, command] : kCommands) {
    TestLayer layer;
    const std::vector<SKXStyl> styls = {{0, {0, 0, 0, 1, 0, 12, {0, 0, 0}}}, {6, {0, 0, 0, 3, 0, 12, {0, 0, 0}}}};
    const std::vector<SKXDeco> decos = {{0, {0x0010, 0, 0, 0}, 0}, {8, {0x0080, 0x10, 0, 0}, 0}};
    SetText(layer, "one two\rthree four", styls, decos);
    layer.SetSelectionRange({4, 7}, false);
    const Snapshot before = Take(layer);
    command(layer);
    ASSERT_NE(layer.GetAction(), nullptr) << name;
    const Snapshot after = Take(layer);
    EXPECT_NE(Diff(after, before), "") << name << " changed nothing";
    layer.Undo();
    EXPECT_EQ(Diff(Take(layer), before), "") << name << ": undo";
    layer.Redo();
    EXPECT_EQ(Diff(Take(layer), after), "") << name << ": redo";
  }
}

TEST(TextLayerFormat, LineTypesAndFacesAsMenusReadThem) {
  TestLayer layer;
  const std::vector<SKXStyl> styls = {{0, {0, 0, 0, 1, 0, 12, {0, 0, 0}}}, {3, {0, 0, 0, 3, 0, 12, {0, 0, 0}}}};
  SetText(layer, "abcdef", styls);
  layer.SetSelectionRange({0, 6}, false);
  EXPECT_EQ(layer.GetCurFontStyle(), 1);  // bold and bold-italic: bold is common
  EXPECT_TRUE(layer.CheckCurFontStyle(2));
  layer.DoLineType(7);
  EXPECT_EQ(layer.GetCurLineStyle(), 2 << 6);
  layer.DoLineType(13);
  EXPECT_EQ(layer.GetCurLineStyle(), (2 << 6) | (3 << 3));
  layer.DoLineType(0);
  EXPECT_EQ(layer.GetCurLineStyle(), 0);
  layer.DoLineType(16);  // no such kind: nothing changes
  EXPECT_EQ(layer.GetCurLineStyle(), 0);

  const std::vector<SKXStyl> plainItalic = {{0, {0, 0, 0, 0, 0, 12, {0, 0, 0}}}, {3, {0, 0, 0, 2, 0, 14, {0xFFFF, 0, 0}}}};
  SetText(layer, "abcdef", plainItalic);
  layer.SetSelectionRange({0, 6}, false);
  EXPECT_EQ(layer.GetCurFontStyle(), 256);
  EXPECT_EQ(layer.GetCurFontSize(), -1);
  EXPECT_TRUE(layer.CheckCurFontSize(14));
  EXPECT_FALSE(layer.CheckCurFontSize(13));
  EXPECT_EQ(layer.GetCurFontColor(), -2);
  layer.SetSelectionRange({0, 3}, false);
  EXPECT_EQ(layer.GetCurFontColor(), KxGetRGBColorType(RGBColor{0, 0, 0}));
}

TEST(TextLayerFormat, JustifyingLeavesTheFinalCROutsideTheSelection) {
  TestLayer layer;
  SetText(layer, "para one\rpara two\r");
  layer.SetSelectionRange({0, 9}, false);
  layer.DoParaJustify(2);
  EXPECT_EQ(layer.GetSelectionRange().length, 8);
  SParaStyl p{};
  layer.GetCurParaStyl(p);
  EXPECT_EQ(p.justify, 2);
}

}  // namespace
