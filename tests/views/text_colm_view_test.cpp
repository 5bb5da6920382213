// The ruler: its turned drawing helpers, its scales at every size and
// scale, the stored unit items, and drags of its marks through a recording
// engine in a headless window.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "layout/draw_toolkit.h"
#include "layout/fontstate.h"
#include "layout/kxtext_api.h"
#include "layout/text_form.h"
#include "platform/resources.h"
#include "text_view_fixture.h"
#include "views/text_colm_view.h"

namespace {

// ---- Drawing helpers and scales ---------------------------------------------------------------------

TEST(ColmHelpers, VerticalIsTheSwapOfHorizontal) {
  std::mt19937 rng(65);
  std::uniform_int_distribution<int> any(-5000, 5000);
  for (long k = 0; k < KxRandomSteps(2000); ++k) {
    const int a = any(rng), c = any(rng), da = any(rng), dc = any(rng);
    const PointL h = KxHVPoint(a, c, da, dc, true);
    const PointL v = KxHVPoint(a, c, da, dc, false);
    ASSERT_EQ(h.h, a + da);
    ASSERT_EQ(h.v, c + dc);
    ASSERT_EQ(v.h, c - dc) << "across mirrors";
    ASSERT_EQ(v.v, h.h) << "along runs down";
    Rect rh, rv;
    KxHVSetRect(rh, a, c, a + std::abs(da), c + std::abs(dc), true);
    KxHVSetRect(rv, a, c, a + std::abs(da), c + std::abs(dc), false);
    ASSERT_EQ(rv.left, rh.top);
    ASSERT_EQ(rv.top, rh.left);
    ASSERT_EQ(rv.right, rh.bottom);
    ASSERT_EQ(rv.bottom, rh.right);
  }
}

// Every type, every size a text can have, every scale of the menus: the
// scale ends, and its last tick lies on the line end unless the tick
// before it is closer than 2 px.
TEST(ColmScale, EndsOnTheLineEndForEverySizeAndScale) {
  KxFontInstallBackend(KxSyntheticFontBackend());
  const short types[] = {kKxGageCentimetre, kKxGageInch, kKxGagePoint, kKxGageMillimetre, kKxGageChar,
                         kKxGageDoubleChar};
  const short scales[] = {25, 33, 50, 66, 75, 100, 120, 125, 133, 150, 200, 300, 400};
  const std::int32_t length = 173;
  for (short type : types)
    for (short size = 1; size < 5000; size = short(size < 40 ? size + 1 : size * 3 / 2 + 1)) {
      const std::int32_t unit = std::int32_t(std::max<std::int64_t>(1, std::int64_t(KxGetFontWidth(1, size, 1)) * 100));
      const KxGageScale s = KxGageScaleOf(type, unit, 0);
      ASSERT_GE(s.unit, 1);
      for (short scale : scales) {
        KxGageMap map{40, 4, 0, scale};
        const auto ticks = KxGageTicks(s, map, length, -100000, 100000);
        ASSERT_FALSE(ticks.empty());
        const std::int32_t end = map.At(std::int64_t(length) * 100);
        const KxGageTick& last = ticks.back();
        ASSERT_EQ(last.length, 13) << "type " << type << " size " << size;
        if (last.at != end) {
          // Only when the tick before it lies within 2 px of the end.
          ASSERT_GE(ticks.size(), 2u);
          const std::int64_t before = std::int64_t(length) * 100 - 200;
          ASSERT_GT(last.at, end) << "type " << type << " size " << size << " scale " << scale;
          ASSERT_GE(ticks[ticks.size() - 2].at, map.At(before)) << "type " << type << " size " << size;
        }
      }
    }
  // The size 4999 of the last iteration as well, at the extremes.
  const KxGageScale big = KxGageScaleOf(kKxGageDoubleChar, KxGetFontWidth(1, 4999, 1) * 100, 0);
  EXPECT_FALSE(KxGageTicks(big, KxGageMap{0, 0, 0, 400}, 10000, 0, 100000).empty());
}

TEST(ColmScale, ClipSkipsWholeMajorStepsButKeepsLabels) {
  const KxGageScale s = KxGageScaleOf(kKxGagePoint, 800, 0);   // 10 px a step, 40 px a major step
  const KxGageMap map{0, 0, 0, 0};
  const auto all = KxGageTicks(s, map, 1000, 0, 2000);
  const auto part = KxGageTicks(s, map, 1000, 500, 600);
  ASSERT_FALSE(part.empty());
  for (const KxGageTick& t : part) EXPECT_LT(t.at, 600);
  // The labels of the clipped part are those of the whole scale.
  for (const KxGageTick& t : part) {
    if (t.label < 0) continue;
    bool found = false;
    for (const KxGageTick& u : all) found |= u.at == t.at && u.label == t.label;
    EXPECT_TRUE(found) << t.at;
  }
}

TEST(ColmItems, StoredItemsAndPreferenceTypes) {
  for (short type : {kKxGageChar, kKxGageCentimetre, kKxGageInch, kKxGagePoint, kKxGageDoubleChar})
    EXPECT_EQ(CKXTextColmView::ItemToType(CKXTextColmView::TypeToItem(type)), type);
  // Items outside 1-5 (a stored byte's 0, 6, 7) are centimetres.
  for (short item : {0, 6, 7, -1}) EXPECT_EQ(CKXTextColmView::ItemToType(item), kKxGageCentimetre);
  CKXTextColmView ruler;
  for (short type : {3, 4, 7, 9, -2}) {
    ruler.SetGageType(type);
    EXPECT_EQ(ruler.GetGageType(), kKxGageCentimetre) << type;
  }
  ruler.SetGageType(kKxGageDoubleChar);
  EXPECT_EQ(ruler.GetGageType(), kKxGageDoubleChar);
}

TEST(ColmItems, CharacterUnitStaysPositive) {
  KxFontInstallBackend(KxSyntheticFontBackend());
  CKXTextColmView ruler;
  for (short size : {1, 2, 700, 4999}) {
    ruler.SetCharScale(1, size);
    EXPECT_GE(ruler.GetCharUnit(), 1) << size;
    EXPECT_GE(ruler.GetCharUnit(), std::int64_t(KxGetFontWidth(1, size, 1)) * 100 > 0 ? 1 : 1);
  }
  ruler.SetCharScale(1, 4999);
  EXPECT_GT(ruler.GetCharUnit(), 32767) << "a wide cell keeps its width";
}

// ---- The ruler in a window ----------------------------------------------------------------------------

class RecordingEngine : public kxtest::PaneEngine {
 public:
  void DoParaIndent(short first, short left, short right) override {
    calls.push_back("indent " + std::to_string(first) + " " + std::to_string(left) + " " + std::to_string(right));
    PaneEngine::DoParaIndent(first, left, right);
  }
  void DoParaTabInsert(short position, long kind) override {
    calls.push_back("insert " + std::to_string(position) + " " + std::to_string(kind));
    PaneEngine::DoParaTabInsert(position, kind);
  }
  void DoParaTabDelete(short position) override {
    calls.push_back("delete " + std::to_string(position));
    PaneEngine::DoParaTabDelete(position);
  }
  void DoParaTabMove(short from, short to, long kind) override {
    calls.push_back("move " + std::to_string(from) + " " + std::to_string(to) + " " + std::to_string(kind));
    PaneEngine::DoParaTabMove(from, to, kind);
  }
  void DoParaJustify(unsigned char kind) override {
    calls.push_back("justify " + std::to_string(kind));
    PaneEngine::DoParaJustify(kind);
  }
  std::vector<std::string> calls;
};

class ColmWindowTest : public kxtest::TextPaneTest {
 public:
  void OpenRuler(const std::vector<SKXPara>& paras = {}, bool indents = true, std::int32_t width = 500) {
    auto* e = new RecordingEngine;
    engine = e;
    recorder = e;
    const std::string text = kxtest::ManyLines(60);
    if (paras.empty())
      engine->SetText(text);
    else {
      KXText_SetText(engine->GetEdit(), text.data(), long(text.size()), nullptr, 0, nullptr, 0, paras.data(),
                     std::int32_t(paras.size()));
      KXTE_CalcText(engine->GetEdit());
    }
    KXTE_SetLineTurn(engine->GetEdit(), 0);
    engine->Activate();
    panes = KxMakeTextPanes(*engine, nullptr, width, 300, 0, false, nullptr);
    ruler = KxAddTextRuler(panes, false);
    ASSERT_NE(ruler, nullptr);
    if (indents) KxSwitchFormBar(panes, true, false);   // indent and tab marks take the clicks
    panes.window->UpdatePort();
  }
  // A press at `from`, moves 4 px apart and the release at `to`, all
  // waiting on the host before the press is handled (port coordinates).
  void Drag(SPoint32 from, SPoint32 to) {
    const int n = std::max(1, std::max(std::abs(to.h - from.h), std::abs(to.v - from.v)) / 4);
    for (int k = 1; k <= n; ++k) {
      EventRecord move;
      move.what = nullEvent;
      move.where = GlobalOf(SPoint32{from.h + (to.h - from.h) * k / n, from.v + (to.v - from.v) * k / n});
      host.PostEvent(move);
    }
    host.PostMouse(false, GlobalOf(to), kKxEventButtonState);
    EventRecord down;
    down.what = mouseDown;
    down.where = GlobalOf(from);
    down.when = TickCount() + 1000 * ++clicks;   // never a double click
    host.SetMouse(down.where);
    panes.window->HostMouseDown(down);
    EventRecord e;
    while (host.WaitNextEvent(e, 0))
      if (e.what == mouseUp) panes.window->HostMouseUp(e);
    panes.window->UpdatePort();
  }
  SPoint32 Centre(const Rect& local) {
    SPoint32 p{(local.left + local.right) / 2, (local.top + local.bottom) / 2};
    ruler->LocalToPortPoint(p);
    return p;
  }
  SParaStyl Para() {
    SParaStyl p{};
    engine->GetCurParaStyl(p);
    return p;
  }
  void TearDown() override {
    if (ruler) ruler->SetTextView(nullptr);
    ruler = nullptr;
    TextPaneTest::TearDown();
  }

  RecordingEngine* recorder = nullptr;
  CKXTextColmView* ruler = nullptr;
  int clicks = 0;
};

TEST_F(ColmWindowTest, IndentDragsSendOneCommand) {
  OpenRuler();
  const SPoint32 first = Centre(ruler->GetIndentRect(0));
  Drag(first, SPoint32{first.h + 60, first.v});
  ASSERT_EQ(recorder->calls.size(), 1u);
  EXPECT_EQ(Para().firstIndent, 60);
  // The left indent dragged past the start stops at 0, and takes the
  // first-line indent along without making it negative.
  recorder->calls.clear();
  const SPoint32 left = Centre(ruler->GetIndentRect(1));
  Drag(left, SPoint32{left.h + 30, left.v + 2});
  EXPECT_EQ(Para().leftIndent, 30);
  EXPECT_EQ(Para().firstIndent, 90);
  const SPoint32 left2 = Centre(ruler->GetIndentRect(1));
  Drag(left2, SPoint32{left2.h - 400, left2.v});
  EXPECT_EQ(Para().leftIndent, 0);
  EXPECT_EQ(Para().firstIndent, 60);
  ASSERT_EQ(recorder->calls.size(), 2u);
  // A press and release in place sends nothing.
  recorder->calls.clear();
  const SPoint32 right = Centre(ruler->GetIndentRect(2));
  Drag(right, right);
  EXPECT_TRUE(recorder->calls.empty());
  EXPECT_EQ(kxtest::TextPaneTest::OracleMismatch(), "");
}

TEST_F(ColmWindowTest, TabsMoveAndComeOffTheGauge) {
  OpenRuler();
  engine->DoParaTabInsert(100, 2);
  engine->DoParaTabInsert(200, 0);
  panes.window->UpdatePort();
  recorder->calls.clear();
  const SPoint32 tab = Centre(ruler->GetTabRect(0));
  Drag(tab, SPoint32{tab.h + 20, tab.v});
  ASSERT_EQ(recorder->calls, std::vector<std::string>{"move 100 120 2"});
  // Dragged off the gauge (far into the text): removed.
  recorder->calls.clear();
  const SPoint32 second = Centre(ruler->GetTabRect(1));
  Drag(second, SPoint32{second.h, second.v + 120});
  ASSERT_EQ(recorder->calls, std::vector<std::string>{"delete 200"});
  EXPECT_EQ(Para().tabCount, 1);
  EXPECT_EQ(Para().tabPos[0], 120);
  EXPECT_EQ(kxtest::TextPaneTest::OracleMismatch(), "");
}

TEST_F(ColmWindowTest, SeventeenthTabIsRefusedAndReadOnlyRefusesAll) {
  OpenRuler();
  short pos[16];
  for (int k = 0; k < 16; ++k) pos[k] = short(20 * (k + 1));
  engine->DoParaTabs(16, pos, 0, 0);
  panes.window->UpdatePort();
  recorder->calls.clear();
  const int beeps = host.Beeps();
  EventRecord down;
  down.where = GlobalOf(Centre(ruler->GetIndentRect(0)));
  ruler->DoClickFormTabsOrIndent(1, down, false);
  EXPECT_EQ(host.Beeps(), beeps + 1);
  EXPECT_TRUE(recorder->calls.empty());
  engine->SetAttributes(std::uint16_t(engine->GetAttributes() & ~kKxEngineEditable));
  const SPoint32 first = Centre(ruler->GetIndentRect(0));
  Drag(first, SPoint32{first.h + 50, first.v});
  EXPECT_TRUE(recorder->calls.empty());
}

// The restart pop-up of a read-only text offers nothing, and a choice
// that comes anyway (a pop-up opened before the text became read-only)
// changes nothing.
TEST_F(ColmWindowTest, ReadOnlyTextKeepsItsLineRestarts) {
  OpenRuler();
  const std::string text = kxtest::ManyLines(60);
  const long second = long(text.find('\r')) + 1;
  ASSERT_GT(second, 0);
  engine->Select(second, second);   // line 2: a restart can start there
  ruler->DoLineMenu();
  ASSERT_GE(CKXTextColmView::LastPopupEntries().size(), 3u);
  EXPECT_TRUE(CKXTextColmView::LastPopupEntries()[0].enabled);
  engine->SetAttributes(std::uint16_t(engine->GetAttributes() & ~kKxEngineEditable));
  EXPECT_TRUE(CKXTextColmView::ChoosePopupItem(1));
  EXPECT_EQ(engine->GetLnReStartDataSize(), 0) << "no restart stored";
  ruler->DoLineMenu();
  for (const KxPopupEntry& e : CKXTextColmView::LastPopupEntries()) EXPECT_FALSE(e.enabled) << e.text;
  CKXTextColmView::ForgetPopup();
  // Editable again, with a restart: the read-only text keeps it.
  engine->SetAttributes(std::uint16_t(engine->GetAttributes() | kKxEngineEditable));
  ruler->DoLineMenu();
  ASSERT_TRUE(CKXTextColmView::ChoosePopupItem(1));
  ASSERT_GT(engine->GetLnReStartDataSize(), 0);
  const long stored = engine->GetLnReStartDataSize();
  engine->SetAttributes(std::uint16_t(engine->GetAttributes() & ~kKxEngineEditable));
  for (std::int16_t item : {2, 3}) {
    ruler->DoLineMenu();
    CKXTextColmView::ChoosePopupItem(item);
    EXPECT_EQ(engine->GetLnReStartDataSize(), stored) << "item " << item;
  }
}

TEST_F(ColmWindowTest, RawStyleWithTooManyTabsIsClamped) {
  SKXPara para{};
  para.offset = 0;
  para.para.tabCount = 40;   // more than the slots
  for (int k = 0; k < kKxMaxTabs; ++k) para.para.tabPos[k] = std::int16_t(30 * (k + 1));
  OpenRuler({para});
  EXPECT_EQ(ruler->GetParaCopy().tabCount, kKxGageTabs);
  // Every slot has its rectangle; none beyond.
  for (int n = 0; n < kKxGageTabs; ++n) EXPECT_LT(ruler->GetTabRect(n).left, ruler->GetTabRect(n).right) << n;
}

TEST_F(ColmWindowTest, InvalidationsKeepTheirUnion) {
  OpenRuler();
  ruler->InvalPortRect(RectL{0, 10, 5, 20});
  ruler->InvalPortRect(RectL{2, 40, 6, 50});
  ruler->InvalPortRect(RectL{1, 30, 12, 35});
  ASSERT_TRUE(ruler->IsInvalPending());
  EXPECT_EQ(ruler->GetInvalRect().left, 10);
  EXPECT_EQ(ruler->GetInvalRect().right, 50);
  EXPECT_EQ(ruler->GetInvalRect().top, 0);
  EXPECT_EQ(ruler->GetInvalRect().bottom, 12);
}

TEST_F(ColmWindowTest, PixelsAfterScrollsEqualARedraw) {
  OpenRuler();
  engine->DoParaTabInsert(150, 1);
  for (short scale : {0, 150, 50}) {
    KXTE_SetEditScale(engine->GetEdit(), scale);
    panes.view[0]->FixImage();
    panes.window->Refresh();
    panes.window->UpdatePort();
    for (int k = 0; k < 3; ++k) {
      panes.view[0]->ScrollPinnedImageBy(37, 23, true);
      engine->Select(k * 50, k * 50 + 3);
      panes.window->UpdatePort();
      const RectL r = ruler->CalcPortFrameRect();
      const auto before = Pixels(r);
      panes.window->Refresh();
      panes.window->UpdatePort();
      ASSERT_EQ(before, Pixels(r)) << "scale " << scale << " step " << k;
    }
  }
}

TEST_F(ColmWindowTest, MarginDragIsHalvedAndHeldAtTheHardMargins) {
  OpenRuler({}, false, 900);
  KXTE_SetLineTurn(engine->GetEdit(), 1);
  KXTE_SetHardMargin(engine->GetEdit(), Rect{10, 10, 10, 10});
  engine->SetPageMargin(Rect{50, 50, 50, 50}, true);
  ruler->FixView();
  panes.window->Refresh();
  panes.window->UpdatePort();
  ASSERT_TRUE(ruler->MarginShown(0));
  // Without paper view the line end moves by the drag: both margins give
  // half of it.
  SPoint32 mark = Centre(ruler->GetMarginRect(0));
  Drag(mark, SPoint32{mark.h + 40, mark.v});
  Rect m{};
  KXTE_GetPageMargin(engine->GetEdit(), m);
  EXPECT_EQ(m.left, 30);
  EXPECT_EQ(m.right, 30);
  // Further than the left can give: it stops at its hard margin and the
  // right one takes the rest, down to its own.
  ruler->FixView();
  panes.window->UpdatePort();
  mark = Centre(ruler->GetMarginRect(0));
  Drag(mark, SPoint32{mark.h + 60, mark.v});
  KXTE_GetPageMargin(engine->GetEdit(), m);
  EXPECT_EQ(m.left, 10);
  EXPECT_EQ(m.right, 10);
}

}  // namespace

namespace {

// ---- The format bar -------------------------------------------------------------------------------------

// Every bar length in both layouts: the controls lie in the table's order,
// neighbours in a group overlap by exactly 1 px, the groups stand the
// formula's gap apart, and the last control ends before the unit icon.
TEST(FormBar, GeometryForEveryLength) {
  const int order[kKxFormControls] = {16, 17, 18, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  const bool gapBefore[kKxFormControls] = {false, false, false, true,  false, false, false, false, true, false,
                                           false, false, true,  false, false, true,  false, false, true};
  for (bool wide : {false, true})
    for (std::int32_t length = 300; length <= 2000; ++length) {
      std::int32_t from[kKxFormControls], to[kKxFormControls];
      KxFormControlSpans(length, wide, from, to);
      const std::int32_t gap = KxFormGap(length, wide);
      const std::int32_t fit = wide ? 632 : 564;
      ASSERT_EQ(gap == -1, length < fit) << length;
      ASSERT_LE(gap, 2);
      ASSERT_EQ(from[order[0]], -1);
      for (int k = 1; k < kKxFormControls; ++k) {
        const int a = order[k - 1], b = order[k];
        ASSERT_EQ(from[b], gapBefore[k] ? to[a] + gap : to[a] - 1) << "length " << length << " control " << b;
        ASSERT_GT(to[b], from[b]);
      }
      if (gap >= 0) {
        ASSERT_LE(to[15], length - 14) << length;
      }
    }
}

class FormBarTest : public ColmWindowTest {};

TEST_F(FormBarTest, HiddenBarTakesNoClicksAndVerticalSitsLower) {
  KxFormForgetLayout();
  OpenRuler({}, false);
  for (int k = 0; k < kKxFormControls; ++k) EXPECT_EQ(ruler->GetFormRect(k).right, ruler->GetFormRect(k).left) << k;
  KxSwitchFormBar(panes, true, false);
  const Rect h = ruler->GetFormRect(kKxFormJustify);
  EXPECT_GT(h.right, h.left);
  ruler->SetVertical(true);
  const Rect v = ruler->GetFormRect(kKxFormJustify);
  // Turned: along runs down, 17 px lower than the horizontal's along.
  EXPECT_EQ(v.top, h.left + kKxFormVerticalShift);
  EXPECT_EQ(v.bottom, h.right + kKxFormVerticalShift);
}

TEST_F(FormBarTest, SizesTheFontHasAreOutlinedAndStylesShowInTheirFaces) {
  OpenRuler();
  KxSwitchFormBar(panes, true, false);
  engine->Select(0, 3);
  ruler->DoClickFormSize();
  std::vector<KxPopupEntry> entries = CKXTextColmView::LastPopupEntries();
  ASSERT_GT(entries.size(), 5u);
  for (std::size_t i = 0; i < entries.size(); ++i)
    EXPECT_EQ(entries[i].style, i + 5 < entries.size() ? kFaceOutline : 0) << i << " " << entries[i].text;
  // Two fonts in the selection: no size is the font's own.
  const std::vector<short> fonts = KxFontNumbers();
  ASSERT_GE(fonts.size(), 2u);
  engine->DoFontNumber(fonts[0] == engine->GetCurFontNumber() ? fonts[1] : fonts[0]);
  engine->Select(0, 20);
  ASSERT_LT(engine->GetCurFontNumber(), 0);
  ruler->DoClickFormSize();
  for (const KxPopupEntry& e : CKXTextColmView::LastPopupEntries()) EXPECT_EQ(e.style, 0) << e.text;
  // The style pop-up: plain, then each face item in its own face.
  ruler->DoClickFormStyle();
  entries = CKXTextColmView::LastPopupEntries();
  ASSERT_GT(entries.size(), 8u);
  EXPECT_EQ(entries[0].style, 0);
  for (int bit = 0; bit < 7; ++bit) EXPECT_EQ(entries[std::size_t(bit + 1)].style, 1 << bit) << bit;
  EXPECT_EQ(entries[8].style, 0);
  // Then the ten colours with their swatches and another colour's icon,
  // each an icon of the resources.
  ASSERT_EQ(entries.size(), 20u);
  for (int k = 0; k <= 10; ++k) {
    EXPECT_EQ(entries[std::size_t(9 + k)].icon, 270 + k) << k;
    int w = 0, h = 0;
    const std::uint32_t* pixels = KxFindIcon(std::int16_t(270 + k), w, h);
    ASSERT_NE(pixels, nullptr) << k;
    if (k < 10) {
      // The swatch's middle is the colour it stands for.
      RGBColor rgb{};
      KxGetRGBColor(k, rgb);
      EXPECT_EQ(pixels[(h / 2) * w + w / 2] & 0xFFFFFFu, std::uint32_t((rgb.red >> 8) << 16 | (rgb.green >> 8) << 8 | rgb.blue >> 8)) << k;
    }
  }
  CKXTextColmView::ForgetPopup();
}

// A colour set with a dark face and white text: the labels, frames and
// icons of the bar are drawn in the set's text colour, never black.
TEST_F(FormBarTest, LabelsTakeTheColourSetsText) {
  const KxUserColorSchemeFn before = KxSetUserColorSchemeHook([](short n, KxUserColorScheme& out) {
    if (n != 1) return false;
    out = KxUserColorScheme{};
    out.text = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    out.face = RGBColor{0x2000, 0x2000, 0x3000};
    return true;
  });
  UKXColor::ColorVariation(10);
  OpenRuler();
  KxSwitchFormBar(panes, true, false);
  panes.window->Refresh();
  panes.window->UpdatePort();
  RGBColor ink = UKXColor::sViewTextColor;
  if (!ruler->IsActive()) UKXColor::Lighten(ink, UKXColor::sViewTextColor);
  const std::uint32_t inkPixel = std::uint32_t(ink.red >> 8) << 16 | std::uint32_t(ink.green >> 8) << 8 | ink.blue >> 8;
  for (int k : {kKxFormFont, kKxFormSize, kKxFormLineValue, kKxFormJustify}) {
    const Rect local = ruler->GetFormRect(k);
    SPoint32 a{local.left, local.top}, b{local.right, local.bottom};
    ruler->LocalToPortPoint(a);
    ruler->LocalToPortPoint(b);
    const std::vector<std::uint32_t> px = Pixels(RectL{a.v, a.h, b.v, b.h});
    EXPECT_EQ(std::count(px.begin(), px.end(), 0u), 0) << "control " << k;
    EXPECT_GT(std::count(px.begin(), px.end(), inkPixel), 10) << "control " << k;
  }
  KxSetUserColorSchemeHook(before);
  UKXColor::ResetScheme();
}

// A page form that fixes the line pitch: the line-spacing stepper is
// dimmed and takes no clicks, the character spacing still steps; a form
// with its own font shows that font and size on the bar.
TEST_F(FormBarTest, APageFormsFixedPitchAndFontRuleTheBar) {
  OpenRuler();
  engine->Select(0, 0);
  auto portOf = [&](int k) {
    const Rect r = ruler->GetFormRect(k);
    SPoint32 a{r.left, r.top}, b{r.right, r.bottom};
    ruler->LocalToPortPoint(a);
    ruler->LocalToPortPoint(b);
    return RectL{a.v, a.h, b.v, b.h};
  };
  auto press = [&](int k) {
    const SPoint32 at = Centre(ruler->GetFormRect(k));
    Drag(at, at);
  };
  const std::vector<std::uint32_t> plusBefore = Pixels(portOf(kKxFormLinePlus));
  SKXFormStyl form{};
  ASSERT_TRUE(UKXTextForm::GetFormStyl(5, form));   // a horizontal one with a fixed line pitch
  ASSERT_TRUE(form.fixedLine && !form.fixedChar && !form.fixedFont);
  engine->SetFormStyl(form);
  panes.window->UpdatePort();
  ASSERT_NE(KXTE_GetFormStylID(engine->GetEdit()), 0);
  EXPECT_NE(Pixels(portOf(kKxFormLinePlus)), plusBefore) << "the fixed stepper is dimmed";
  press(kKxFormLinePlus);
  EXPECT_EQ(Para().lineSpace, 0);
  press(kKxFormCharPlus);
  EXPECT_EQ(Para().charSpace, 1);
  // Both fixed, and the form's own font and size.
  const std::vector<short> fonts = KxFontNumbers();
  ASSERT_FALSE(fonts.empty());
  form.fixedChar = form.fixedFont = 1;
  form.font = fonts.back() == engine->GetCurFontNumber() ? fonts.front() : fonts.back();
  form.size = 37;
  engine->SetFormStyl(form);
  panes.window->UpdatePort();
  press(kKxFormCharMinus);
  EXPECT_EQ(Para().charSpace, 1);
  EXPECT_EQ(ruler->GetStylCopy().font, form.font);
  EXPECT_EQ(ruler->GetStylCopy().size, 37);
}

TEST_F(FormBarTest, JustificationSendsOnlyWhenSomethingDiffers) {
  OpenRuler();
  engine->Select(0, 200);   // several paragraphs, all left-justified
  ruler->FixForm(false);
  recorder->calls.clear();
  ruler->DoClickFormJustify(0, false);
  EXPECT_TRUE(recorder->calls.empty());
  // One paragraph of another kind: the click sends the command.
  engine->Select(0, 2);
  engine->DoParaJustify(2);
  engine->Select(0, 200);
  ruler->FixForm(false);
  recorder->calls.clear();
  ruler->DoClickFormJustify(0, false);
  EXPECT_EQ(recorder->calls, std::vector<std::string>{"justify 0"});
  SKXPara paras[4];
  ASSERT_GE(engine->GetParaStyl(engine->GetSelectionRange(), paras, 4), 1);
  EXPECT_EQ(paras[0].para.justify, 0);
  // Another kind is sent at once; read-only text sends nothing.
  recorder->calls.clear();
  ruler->DoClickFormJustify(3, false);
  EXPECT_EQ(recorder->calls, std::vector<std::string>{"justify 3"});
  engine->SetAttributes(std::uint16_t(engine->GetAttributes() & ~kKxEngineEditable));
  recorder->calls.clear();
  ruler->DoClickFormJustify(1, false);
  EXPECT_TRUE(recorder->calls.empty());
}

}  // namespace
