// Character and paragraph commands of the editing layer, and the masks of
// what varies over a range against a character-by-character oracle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
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

// ---- The selection queries against a read of every run ---------------------------------------------------

// The queries as they were first written: every run of the range copied out
// in one read, then scanned.
bool RefRange(const TestLayer& layer, const SKXRange& range, long& from, long& to) {
  const SKXRange r = layer.CropRange(range);
  from = r.start;
  to = long(r.start) + r.length;
  if (r.length > 0) return true;
  long anchor = 0, active = 0;
  KXTE_GetSelect(layer.GetEdit(), anchor, active);
  const long len = layer.GetTotalRange().length;
  if (len == 0 || r.start == active) return false;
  if (from >= len) from = len - layer.PrevCharSize(len);
  to = from + std::max(1L, layer.ThisCharSize(from));
  return true;
}

// The runs one read gives, or the typing style's alone (caret: true).
bool RefStyls(const TestLayer& layer, const SKXRange& range, std::vector<SKXStyl>& runs) {
  long from = 0, to = 0;
  runs.assign(1, SKXStyl{});
  if (!RefRange(layer, range, from, to)) {
    KXTE_GetCurStyl(layer.GetEdit(), runs[0].styl);
    return true;
  }
  runs.resize(std::size_t(std::max(1, KXText_GetSelStylCount(layer.GetEdit(), from, to))));
  runs.resize(std::size_t(KXText_GetSelStyls(layer.GetEdit(), from, to, runs.data(), std::int32_t(runs.size()))));
  return false;
}

bool RefDecos(const TestLayer& layer, const SKXRange& range, std::vector<SKXDeco>& runs) {
  long from = 0, to = 0;
  runs.assign(1, SKXDeco{});
  if (!RefRange(layer, range, from, to)) {
    KXTE_GetCurDeco(layer.GetEdit(), runs[0].deco);
    return true;
  }
  runs.resize(std::size_t(std::max(1, KXText_GetSelDecoCount(layer.GetEdit(), from, to))));
  runs.resize(std::size_t(KXText_GetSelDecos(layer.GetEdit(), from, to, runs.data(), std::int32_t(runs.size()))));
  return false;
}

short RefGetTextStyl(const TestLayer& layer, const SKXRange& range, SStyl& out) {
  std::vector<SKXStyl> runs;
  RefStyls(layer, range, runs);
  out = runs[0].styl;
  short mask = 0;
  for (std::size_t k = 1; k < runs.size(); ++k) {
    const SStyl& s = runs[k].styl;
    if (s.font != out.font) out.font = 0, mask |= 1;
    if (s.face != out.face) out.face &= s.face, mask |= 2;
    if (s.size != out.size) out.size = 0, mask |= 4;
    if (!SameColor(s.color, out.color)) out.color = {0, 0, 0}, mask |= 8;
  }
  return mask;
}

short RefGetTextDeco(const TestLayer& layer, const SKXRange& range, SDeco& out) {
  std::vector<SKXDeco> runs;
  RefDecos(layer, range, runs);
  out = runs[0].deco;
  out.lineBits &= 0xFFF8;
  out.pictID = 0;
  short mask = 0;
  const std::uint16_t lines[4] = {0x0038, 0x01C0, 0x0E00, 0xF000};
  for (std::size_t k = 1; k < runs.size(); ++k) {
    const SDeco& d = runs[k].deco;
    for (int g = 0; g < 4; ++g)
      if (!(mask & (1 << g)) && (d.lineBits & lines[g]) != (out.lineBits & lines[g]))
        out.lineBits &= std::uint16_t(~lines[g]), mask |= short(1 << g);
    if (!(mask & 16) && (d.net & 15) != (out.net & 15)) out.net &= 0xF0, mask |= 16;
    if (!(mask & 32) && (d.net >> 4) != (out.net >> 4)) out.net &= 0x0F, mask |= 32;
    if (!(mask & 64) && (d.flags & 15) != (out.flags & 15)) out.flags &= 0xF0, mask |= 64;
  }
  return mask;
}

bool RefCheckTextStyl(const TestLayer& layer, const SKXRange& range, const SStyl& v, short which) {
  std::vector<SKXStyl> runs;
  RefStyls(layer, range, runs);
  return std::any_of(runs.begin(), runs.end(), [&](const SKXStyl& r) {
    const SStyl& s = r.styl;
    return (!(which & 1) || s.font == v.font) && (!(which & 2) || (s.face & v.face) != 0) &&
           (!(which & 4) || s.size == v.size) && (!(which & 8) || SameColor(s.color, v.color));
  });
}

bool RefCheckTextDeco(const TestLayer& layer, const SKXRange& range, const SDeco& v, short which) {
  std::vector<SKXDeco> runs;
  RefDecos(layer, range, runs);
  const std::uint16_t lines[4] = {0x0038, 0x01C0, 0x0E00, 0xF000};
  return std::any_of(runs.begin(), runs.end(), [&](const SKXDeco& r) {
    const SDeco& d = r.deco;
    for (int g = 0; g < 4; ++g)
      if ((which & (1 << g)) && (d.lineBits & lines[g]) != (v.lineBits & lines[g])) return false;
    return (!(which & 16) || (d.net & 15) == (v.net & 15)) && (!(which & 32) || (d.net >> 4) == (v.net >> 4)) &&
           (!(which & 64) || (d.flags & 15) == (v.flags & 15));
  });
}

// Every Cur answer at the selection against the reference; "" when all agree.
std::string CurDisagreement(const TestLayer& layer, const std::vector<short>& fonts, const std::vector<short>& sizes) {
  const SKXRange sel = layer.GetSelectionRange();
  SStyl rs{};
  SDeco rd{};
  const short ms = RefGetTextStyl(layer, sel, rs), md = RefGetTextDeco(layer, sel, rd);
  if (KXTE_GetFormStylID(layer.GetEdit()) != 0) return "a page form answers instead";
  if (layer.GetCurFontNumber() != ((ms & 1) ? -1 : rs.font)) return "GetCurFontNumber";
  if (layer.GetCurFontSize() != ((ms & 4) ? -1 : rs.size)) return "GetCurFontSize";
  if (layer.GetCurFontStyle() != ((ms & 2) && rs.face == 0 ? 256 : rs.face)) return "GetCurFontStyle";
  if (layer.GetCurFontColor() != ((ms & 8) ? -2 : KxGetRGBColorType(rs.color))) return "GetCurFontColor";
  SStyl cur{}, want = rs;
  layer.GetCurStyl(cur);
  if (ms != 0) KXTE_GetCurStyl(layer.GetEdit(), want);
  if (std::memcmp(&cur, &want, sizeof cur) != 0) return "GetCurStyl";
  const short lineKinds = short(rd.lineBits & 0x0FF8);
  if (layer.GetCurLineStyle() != ((md & 7) && lineKinds == 0 ? -1 : lineKinds)) return "GetCurLineStyle";
  if (layer.GetCurLineColor() != ((md & 8) ? -1 : rd.lineBits >> 12)) return "GetCurLineColor";
  if (layer.GetCurNetStyle() != ((md & 16) ? -1 : rd.net & 15)) return "GetCurNetStyle";
  if (layer.GetCurNetColor() != ((md & 32) ? -1 : rd.net >> 4)) return "GetCurNetColor";
  if (layer.GetCurDecoStyle() != ((md & 64) ? -1 : rd.flags & 15)) return "GetCurDecoStyle";
  for (const short f : fonts) {
    SStyl v{};
    v.font = f;
    if (layer.CheckCurFontNumber(f) != RefCheckTextStyl(layer, sel, v, 1)) return "CheckCurFontNumber " + std::to_string(f);
  }
  for (const short z : sizes) {
    SStyl v{};
    v.size = z;
    if (layer.CheckCurFontSize(z) != RefCheckTextStyl(layer, sel, v, 4)) return "CheckCurFontSize " + std::to_string(z);
  }
  for (int face = 0; face < 256; face += 1 + face / 3) {
    SStyl v{};
    v.face = std::uint8_t(face);
    if (layer.CheckCurFontStyle(std::uint8_t(face)) != RefCheckTextStyl(layer, sel, v, 2))
      return "CheckCurFontStyle " + std::to_string(face);
  }
  for (short c = 0; c <= 10; ++c) {
    SStyl v{};
    KxGetRGBColor(c, v.color);
    if (layer.CheckCurFontColor(c) != RefCheckTextStyl(layer, sel, v, 8)) return "CheckCurFontColor " + std::to_string(c);
  }
  for (short value = 0; value <= 8; ++value) {
    const short shifts[3] = {3, 6, 9}, groups[3] = {1, 2, 4};
    for (int g = 0; g < 3; ++g) {
      SDeco v{};
      v.lineBits = std::uint16_t(value << shifts[g]);
      if (layer.CheckCurLineStyle(groups[g], value) != RefCheckTextDeco(layer, sel, v, groups[g]))
        return "CheckCurLineStyle " + std::to_string(groups[g]) + " " + std::to_string(value);
    }
  }
  for (short n = 0; n <= 16; ++n) {
    SDeco lc{}, ns{}, nc{}, ds{};
    lc.lineBits = std::uint16_t(n << 12);
    ns.net = std::uint8_t(n & 15);
    nc.net = std::uint8_t((n & 15) << 4);
    ds.flags = std::uint8_t(n & 15);
    if (layer.CheckCurLineColor(n) != RefCheckTextDeco(layer, sel, lc, 8)) return "CheckCurLineColor " + std::to_string(n);
    if (layer.CheckCurNetStyle(n) != RefCheckTextDeco(layer, sel, ns, 16)) return "CheckCurNetStyle " + std::to_string(n);
    if (layer.CheckCurNetColor(n) != RefCheckTextDeco(layer, sel, nc, 32)) return "CheckCurNetColor " + std::to_string(n);
    if (layer.CheckCurDecoStyle(n) != RefCheckTextDeco(layer, sel, ds, 64)) return "CheckCurDecoStyle " + std::to_string(n);
  }
  return {};
}

// Texts of up to a few thousand runs (several of the blocks a query reads
// at a time), random ranges and values; the Cur queries asked outside a
// batch and in one, and again after each edit in the next batch: an answer
// kept from before an edit or for another selection shows as a difference.
TEST(TextLayerFormat, SelectionQueriesAgreeWithAReadOfEveryRunAcrossEdits) {
  std::mt19937 rng(3105);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const std::vector<short> fonts = {0, 1, 3, 4, -2, 300}, sizes = {9, 10, 12, 0, -1, 600};
  const long steps = KxRandomSteps(10);
  std::uint32_t batch = 0;
  for (long step = 0; step < steps; ++step) {
    const int n = pick(0, 1) ? pick(1, 6000) : pick(1, 30);
    const int runLen = pick(1, 4);
    std::vector<SKXStyl> sruns;
    std::vector<SKXDeco> druns;
    // Few values per field, so that runs repeat and merge, sometimes one
    // value; or (sparse) one value everywhere but in a rare run, the face
    // alternating so that the runs stay apart: a run passed over where a
    // query's reads meet then changes an answer.
    const int variety = pick(0, 3);
    const bool sparse = pick(0, 2) == 0;
    int alternate = 0;
    for (int at = 0; at < n; at += pick(1, runLen)) {
      auto v = [&](int k) { return sparse ? (pick(0, 150) == 0 ? pick(0, k) : 0) : pick(0, std::min(k, variety)); };
      const std::uint8_t face = sparse ? std::uint8_t(alternate++ & 1) : std::uint8_t(v(3) * 3 + v(1));
      SStyl s{0, 0, fonts[std::size_t(v(5))], face, 0, sizes[std::size_t(v(5))], {0, 0, 0}};
      KxGetRGBColor(v(10), s.color);
      SDeco d{std::uint16_t(v(5) << 3 | v(5) << 6 | v(5) << 9 | v(15) << 12), std::uint8_t(v(15) | v(15) << 4),
              std::uint8_t(v(15)), 0};
      sruns.push_back({at, s});
      druns.push_back({at, d, 0});
    }
    TestLayer layer;
    SetText(layer, std::string(std::size_t(n), 'x'), sruns, druns);
    for (int q = 0; q < 12; ++q) {
      // Ranged queries with any `which`.
      int a = pick(0, n), b = pick(0, n);
      if (a > b) std::swap(a, b);
      const SKXRange r{a, b - a};
      const std::string where = "step " + std::to_string(step) + " query " + std::to_string(q) + " range " +
                                std::to_string(a) + "-" + std::to_string(b) + " of " + std::to_string(n);
      SStyl gs{}, ws{};
      SDeco gd{}, wd{};
      ASSERT_EQ(layer.GetTextStyl(r, gs), RefGetTextStyl(layer, r, ws)) << where;
      ASSERT_EQ(std::memcmp(&gs, &ws, sizeof gs), 0) << where;
      ASSERT_EQ(layer.GetTextDeco(r, gd), RefGetTextDeco(layer, r, wd)) << where;
      ASSERT_EQ(std::memcmp(&gd, &wd, sizeof gd), 0) << where;
      const SStyl ps = sruns[std::size_t(pick(0, int(sruns.size()) - 1))].styl;
      const SDeco pd = druns[std::size_t(pick(0, int(druns.size()) - 1))].deco;
      const short ws1 = short(pick(1, 15)), wd1 = short(pick(1, 127));
      ASSERT_EQ(layer.CheckTextStyl(r, ps, ws1), RefCheckTextStyl(layer, r, ps, ws1)) << where << " which " << ws1;
      ASSERT_EQ(layer.CheckTextDeco(r, pd, wd1), RefCheckTextDeco(layer, r, pd, wd1)) << where << " which " << wd1;

      // The Cur queries at a selection: without a batch, in a fresh one,
      // then the same batch number at another selection.
      layer.SetSelectionRange({a, b - a}, false);
      ASSERT_EQ(CurDisagreement(layer, fonts, sizes), "") << where << " no batch";
      layer.SetQueryBatch(++batch);
      ASSERT_EQ(CurDisagreement(layer, fonts, sizes), "") << where << " batch";
      ASSERT_EQ(CurDisagreement(layer, fonts, sizes), "") << where << " batch, kept";
      const int c = pick(0, n);
      layer.SetSelectionRange({c, pick(0, n - c)}, false);
      ASSERT_EQ(CurDisagreement(layer, fonts, sizes), "") << where << " batch, another selection";
      // An edit between batches, most often over the selection itself.
      layer.SetQueryBatch(0);
      if (pick(0, 3) > 0) layer.SetSelectionRange({a, b - a}, false);
      switch (pick(0, 7)) {
        case 0: layer.DoFontNumber(fonts[std::size_t(pick(0, 5))]); break;
        case 1: layer.DoFontSize(sizes[std::size_t(pick(0, 2))]); break;
        case 2: layer.DoFontStyle(short(1 << pick(0, 6))); break;
        case 3: {
          RGBColor color{};
          KxGetRGBColor(pick(0, 10), color);
          layer.DoFontColor(color);
          break;
        }
        case 4: layer.DoLineType(std::uint16_t(pick(0, 15))); break;
        case 5: layer.DoNetColor(std::uint8_t(pick(0, 15))); break;
        case 6: layer.DoExtStyle(std::uint8_t(pick(1, 6))); break;
        default: layer.Undo(); break;
      }
      layer.SetQueryBatch(++batch);
      ASSERT_EQ(CurDisagreement(layer, fonts, sizes), "") << where << " after an edit";
      layer.SetQueryBatch(0);
    }
  }
}

}  // namespace

// A Roman font over Japanese text: ASCII and the one-byte placeholders of
// side-entry characters (é) take it; kanji and a lone 0xA0 without a side
// entry keep their font; undo gives the old runs back.
TEST(TextLayerFormat, ARomanFontTakesSideEntryPlaceholdersButNotKanji) {
  TestLayer layer;
  const std::string text = "caf\xA0\x93\xFA\xA0";  // café, 日, a bare 0xA0
  const SKXUniChar e{3, 0x00E90000u};
  KXText_SetTextWithUniChars(layer.GetEdit(), text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0,
                             &e, 1);
  KXTE_CalcText(layer.GetEdit());
  const Snapshot before = Take(layer);
  const short japanese = before.styls.front().styl.font;
  layer.SetSelectionRange({0, std::int32_t(text.size())}, false);
  layer.DoFontNumber(3);
  const Snapshot after = Take(layer);
  auto fontAt = [&](long p) {
    short f = 0;
    for (const SKXStyl& r : after.styls)
      if (r.offset <= p) f = r.styl.font;
    return f;
  };
  EXPECT_EQ(fontAt(0), 3);
  EXPECT_EQ(fontAt(3), 3);          // é
  EXPECT_EQ(fontAt(4), japanese);   // 日
  EXPECT_EQ(fontAt(6), japanese);   // 0xA0 standing for nothing
  EXPECT_EQ(after.uni.size(), 1u);
  layer.Undo();
  EXPECT_EQ(Diff(Take(layer), before), "");
}
