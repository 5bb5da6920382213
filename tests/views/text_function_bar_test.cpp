// The function-key bar: the label block and its bound, how many keys show,
// the button rectangles, the modifier poll, what a click sends, relabelling
// on a dynamic menu's change, what the preferences keep, and the hiding
// scope over the bar and the palette.
#include "views/text_function_bar.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <map>
#include <vector>

#include "engine/keytables.h"
#include "engine/macro_recorder.h"
#include "platform/draw/port.h"
#include "platform/keys.h"
#include "views/message_box.h"
#include "views/palettes.h"
#include "views/text_toolbar.h"
#include "views/text_view_commands.h"
#include "views_fixture.h"

namespace {

constexpr int kShift = 0x38, kOption = 0x3A;

TEST(FunctionLabels, LongLabelsStayInsideTheBlockWhole) {
  KxFunctionLabels labels;
  // 48 labels of 100 double-byte bytes cannot all fit 3,072 bytes.
  std::string longName;
  for (int i = 0; i < 50; ++i) longName += "\x82\xA0";
  int stored = 0;
  for (int p = 0; p < kKxFunctionPlanes; ++p)
    for (int k = 1; k <= kKxFunctionKeys; ++k) stored += labels.Set(p, k, longName) ? 1 : 0;
  EXPECT_EQ(stored, int(kKxFunctionLabelBlock / 101));
  EXPECT_LE(labels.BlockSize(), kKxFunctionLabelBlock);
  EXPECT_TRUE(labels.Check());
  for (int p = 0; p < kKxFunctionPlanes; ++p)
    for (int k = 1; k <= kKxFunctionKeys; ++k) {
      const std::string got = labels.Get(p, k);
      EXPECT_TRUE(got.empty() || got == longName) << p << " " << k;
    }
  // A short one still finds room after a long one was refused.
  EXPECT_TRUE(labels.Set(3, 12, "ab"));
  EXPECT_EQ(labels.Get(3, 12), "ab");
  // Out of range and too long for one item.
  EXPECT_FALSE(labels.Set(4, 1, "x"));
  EXPECT_FALSE(labels.Set(0, 13, "x"));
  EXPECT_EQ(labels.Get(-1, 1), "");
  KxFunctionLabels fresh;
  EXPECT_FALSE(fresh.Set(0, 1, std::string(256, 'a')));
  EXPECT_EQ(fresh.Get(0, 1), "");
}

TEST(FunctionLabels, TheKeyCountFollowsTheLastLabelledKey) {
  KxFunctionLabels labels;
  EXPECT_EQ(KxFunctionKeyCount(labels), 8);
  labels.Set(2, 10, "x");
  EXPECT_EQ(KxFunctionKeyCount(labels), 10);
  labels.Set(3, 11, "y");
  EXPECT_EQ(KxFunctionKeyCount(labels), 12);
  labels.Set(3, 11, "");
  EXPECT_EQ(KxFunctionKeyCount(labels), 10);
}

TEST(FunctionLabels, ButtonsShareEdgesAndGroupsStandApart) {
  for (int count : {8, 10, 12})
    for (std::int32_t width : {300, 360, 641, 1017}) {
      SCOPED_TRACE(std::to_string(count) + " keys, " + std::to_string(width) + " px");
      const auto rects = KxFunctionKeyRects(width, 18, count);
      std::int32_t sum = 0;
      for (int k = 0; k < count; ++k) {
        const RectL& r = rects[std::size_t(k)];
        EXPECT_GE(r.left, 0);
        EXPECT_LE(r.right, width);
        EXPECT_EQ(r.bottom - r.top, 18);
        sum += r.right - r.left;
        if (k == 0) continue;
        const std::int32_t step = r.left - rects[std::size_t(k - 1)].right;
        EXPECT_EQ(step, k == 4 || k == 8 ? 3 : -1) << k;
        // Widths differ by one at most, the wider ones first.
        EXPECT_LE(r.right - r.left, rects[std::size_t(k - 1)].right - rects[std::size_t(k - 1)].left);
      }
      const int gaps = count > 8 ? 2 : 1;
      EXPECT_EQ(sum, width - (4 * gaps + 1));
      for (int k = count; k < kKxFunctionKeys; ++k)
        EXPECT_EQ(rects[std::size_t(k)].right - rects[std::size_t(k)].left, 0) << k;
    }
}

TEST(FunctionLabels, DynamicKindsCoverTheirRanges) {
  EXPECT_TRUE(KxFunctionCommandInKind(1150, kKxFunctionKindMacros));
  EXPECT_TRUE(KxFunctionCommandInKind(1199, kKxFunctionKindMacros));
  EXPECT_FALSE(KxFunctionCommandInKind(1200, kKxFunctionKindMacros));
  EXPECT_TRUE(KxFunctionCommandInKind(1610, kKxFunctionKindWindows));
  EXPECT_TRUE(KxFunctionCommandInKind(1999, kKxFunctionKindForms));
  EXPECT_FALSE(KxFunctionCommandInKind(1932, kKxFunctionKindForms));
  EXPECT_FALSE(KxFunctionCommandInKind(1150, 0));
  EXPECT_FALSE(KxFunctionCommandInKind(1150, 8));
}

// The live table, set slot by slot.
class Keys : public CKXFunctionKeys {
 public:
  std::int16_t Command(int plane, int key) const override {
    const auto it = table.find({plane, key});
    return it == table.end() ? 0 : it->second;
  }
  std::map<std::pair<int, int>, std::int16_t> table;
};

class Services : public CKXTextViewServices {
 public:
  std::string GetCommandMenuText(CommandT c) override {
    const auto it = texts.find(c);
    return it == texts.end() ? std::string() : it->second;
  }
  std::map<CommandT, std::string> texts;
};

class Target : public LCommander {
 public:
  Target() : LCommander(nullptr) {}
  bool ObeyCommand(CommandT command, void*) override {
    obeyed.push_back(command);
    return true;
  }
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean&, std::uint16_t&, Str255) override {
    enabled = command != disabled;
    ++queries;
  }
  CommandT disabled = 0;
  int queries = 0;
  std::vector<CommandT> obeyed;
};

class Macros : public CKXMacroRecorder {
 public:
  bool IsRecording() const override { return true; }
  void AddMacroCommand(long command) override { recorded.push_back(command); }
  void RunFunctionMacro(short key, char mods) override { ran.push_back({key, mods}); }
  std::string FunctionMacroName(short key, char mods) const override {
    const auto it = names.find({key, mods});
    return it == names.end() ? std::string() : it->second;
  }
  std::vector<long> recorded;
  std::vector<std::pair<int, int>> ran;
  std::map<std::pair<int, int>, std::string> names;
};

class FunctionBarTest : public ViewsTest {
 protected:
  void SetUp() override {
    ViewsTest::SetUp();
    CKXFunctionKeys::Install(&keys);
    CKXTextViewServices::Install(&services);
    CKXMacroRecorder::Install(&macros);
    KxSetKeySource(&held);
    LCommander::SwitchTarget(&target);
    keys.table = {{{0, 1}, 2}, {{1, 1}, 5}, {{0, 2}, 1150}};
    services.texts = {{2, "New"}, {5, "Save"}, {1150, "Macro A"}};
  }
  void TearDown() override {
    CKXTextFunctionBar::CloseTextFunctionBar(false);
    CKXTextToolbar::CloseTextToolbar();
    LCommander::SwitchTarget(nullptr);
    KxSetKeySource(nullptr);
    CKXMacroRecorder::Install(nullptr);
    CKXTextViewServices::Install(nullptr);
    CKXFunctionKeys::Install(nullptr);
    ViewsTest::TearDown();
  }
  CKXTextFunctionBar& Open() {
    CKXTextFunctionBar::ShowTextFunctionBar(&target);
    EXPECT_NE(CKXTextFunctionBar::Get(), nullptr);
    return *CKXTextFunctionBar::Get();
  }
  // Idle turns until `ticks` have passed on the virtual clock.
  void Idle(std::uint32_t ticks) {
    for (std::uint32_t t = 0; t < ticks; ++t) {
      host.Clock().Advance(1);
      CKXTextFunctionBar::CheckFunctionKey();
    }
  }
  Keys keys;
  Services services;
  Macros macros;
  KxKeyState held;
  Target target;
};

TEST_F(FunctionBarTest, ModifiersRelabelWithinAPollAndReleasingRestores) {
  CKXTextFunctionBar& bar = Open();
  EXPECT_EQ(bar.GetKeyCount(), 8);
  EXPECT_EQ(bar.GetLabels().Get(0, 1), "New");
  EXPECT_EQ(bar.GetLabels().Get(1, 1), "Save");
  held.SetKey(kShift, true);
  Idle(6);
  EXPECT_EQ(bar.GetPlane(), 1);
  bool enabled = false;
  EXPECT_EQ(bar.GetMenuCommand(0, enabled), 5);
  held.SetKey(kOption, true);
  Idle(6);
  EXPECT_EQ(bar.GetPlane(), 3);
  held.ReleaseAll();
  Idle(6);
  EXPECT_EQ(bar.GetPlane(), 0);
  EXPECT_EQ(bar.GetMenuCommand(0, enabled), 2);
}

TEST_F(FunctionBarTest, KeysBeyondEightShowOnlyWhenLabelled) {
  keys.table[{2, 12}] = 5;
  EXPECT_EQ(Open().GetKeyCount(), 12);
  CKXTextFunctionBar::CloseTextFunctionBar(false);
  // A command without menu text and no macro gives no label.
  keys.table.erase({2, 12});
  keys.table[{0, 9}] = 4321;
  EXPECT_EQ(Open().GetKeyCount(), 8);
  CKXTextFunctionBar::CloseTextFunctionBar(false);
  macros.names[{10, 4}] = "Opt macro";
  CKXTextFunctionBar& bar = Open();
  EXPECT_EQ(bar.GetKeyCount(), 10);
  EXPECT_EQ(bar.GetLabels().Get(2, 10), "Opt macro");
}

TEST_F(FunctionBarTest, ClicksSendCommandsRunMacrosOrDoNothing) {
  CKXTextFunctionBar& bar = Open();
  bar.ExecuteFunctionBar(0);
  EXPECT_EQ(target.obeyed, (std::vector<CommandT>{2}));
  EXPECT_EQ(macros.recorded, (std::vector<long>{2}));
  target.disabled = 2;
  bar.ExecuteFunctionBar(0);
  EXPECT_EQ(host.Beeps(), 1);
  EXPECT_EQ(target.obeyed.size(), 1u);
  // F5: no command; the key's macro slot runs (the player finds none).
  bar.ExecuteFunctionBar(4);
  EXPECT_EQ(macros.ran, (std::vector<std::pair<int, int>>{{5, 0}}));
  EXPECT_EQ(host.Beeps(), 1);
  EXPECT_EQ(target.obeyed.size(), 1u);
  held.SetKey(kShift, true);
  Idle(6);
  bar.ExecuteFunctionBar(6);
  EXPECT_EQ(macros.ran.back(), (std::pair<int, int>{7, 1}));
  // Outside the keys: nothing at all.
  bar.ExecuteFunctionBar(12);
  bar.ExecuteFunctionBar(-1);
  EXPECT_EQ(macros.ran.size(), 2u);
}

TEST_F(FunctionBarTest, AChangedDynamicMenuRelabelsKeysThatPointIntoIt) {
  CKXTextFunctionBar& bar = Open();
  EXPECT_EQ(bar.GetLabels().Get(0, 2), "Macro A");
  // The macro was deleted: its item is gone.
  services.texts.erase(1150);
  CKXTextFunctionBar::CheckUserMenu(kKxFunctionKindWindows);
  EXPECT_EQ(bar.GetLabels().Get(0, 2), "Macro A");   // not a window command
  CKXTextFunctionBar::CheckUserMenu(kKxFunctionKindMacros);
  EXPECT_EQ(bar.GetLabels().Get(0, 2), "");
}

// A key's dimmed look follows its command's status once the status is
// asked for again (a selection changed), and only then.
TEST_F(FunctionBarTest, KeysFollowTheCommandStatusAsTheMenusDo) {
  CKXTextFunctionBar& bar = Open();
  LWindow* w = LWindow::FetchWindowOf(&bar);
  w->UpdatePort();
  Idle(1);
  LCommander::SetUpdateCommandStatus(false);   // the menus took the opening's request
  Idle(6);
  const auto dimmedPixels = [&](int key) {
    cairo_surface_t* s = w->GetDrawPort()->Surface();
    cairo_surface_flush(s);
    const RectL r = bar.GetRects()[std::size_t(key)];
    int n = 0;
    for (std::int32_t v = r.top; v < r.bottom; ++v) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                               v * cairo_image_surface_get_stride(s));
      for (std::int32_t h = r.left; h < r.right; ++h) n += (row[h] & 0xFFFFFF) == 0x888888u;
    }
    return n;
  };
  ASSERT_EQ(dimmedPixels(0), 0);
  target.disabled = 2;
  target.queries = 0;
  Idle(60);
  EXPECT_EQ(target.queries, 0) << "no status asked while nothing changed";
  EXPECT_EQ(dimmedPixels(0), 0);
  LCommander::SetUpdateCommandStatus(true);
  Idle(1);
  LCommander::SetUpdateCommandStatus(false);   // the menus took it
  Idle(6);
  EXPECT_GT(dimmedPixels(0), 0);
  EXPECT_EQ(dimmedPixels(1), 0);
  target.disabled = 0;
  LCommander::SetUpdateCommandStatus(true);
  Idle(6);
  LCommander::SetUpdateCommandStatus(false);
  EXPECT_EQ(dimmedPixels(0), 0);
}

TEST_F(FunctionBarTest, ThePreferencesKeepTheFlagAndTheBounds) {
  Open();
  EXPECT_TRUE(services.GetFunctionBarShown());
  Rect b;
  CKXTextFunctionBar::GetFunctionBounds(b);
  // On the bottom edge of the screen, 2 px in.
  EXPECT_EQ(b.bottom, 768);
  EXPECT_EQ(b.left, 2);
  EXPECT_EQ(b.bottom - b.top, 18);
  // Moved by the user, then destroyed by way of its window.
  LWindow* w = LWindow::FetchWindowOf(CKXTextFunctionBar::Get());
  w->DoSetBounds(Rect{100, 50, 118, 450});
  CKXTextFunctionBar::CheckFunctionKey();
  host.Clock().Advance(7);
  CKXTextFunctionBar::CheckFunctionKey();
  delete w;
  EXPECT_FALSE(CKXTextFunctionBar::IsTextFunctionBar());
  EXPECT_FALSE(services.GetFunctionBarShown());
  const Rect saved = services.GetFunctionBarBounds();
  EXPECT_EQ(saved.top, 100);
  EXPECT_EQ(saved.left, 50);
  EXPECT_EQ(saved.right, 450);
  // It comes back where it was; the end of the program keeps it shown.
  Open();
  CKXTextFunctionBar::GetFunctionBounds(b);
  EXPECT_EQ(b.top, 100);
  EXPECT_EQ(b.left, 50);
  CKXTextFunctionBar::CloseTextFunctionBar(true);
  EXPECT_TRUE(services.GetFunctionBarShown());
  // Saved bounds off the desktop are not used.
  services.SetFunctionBarBounds(Rect{-500, -900, -482, -500});
  Open();
  CKXTextFunctionBar::GetFunctionBounds(b);
  EXPECT_EQ(b.bottom, 768);
}

TEST_F(FunctionBarTest, HidingScopesNestAndOnlyTheOutermostShowsAgain) {
  Open();
  CKXTextToolbar::ShowTextToolbar(&target);
  {
    StKXTextToolbarHide outer;
    EXPECT_FALSE(CKXTextFunctionBar::IsShowTextFunctionBar());
    EXPECT_TRUE(CKXTextFunctionBar::IsHideTextFunctionBar());
    EXPECT_FALSE(CKXTextToolbar::IsShowTextToolbar());
    {
      StKXTextToolbarHide inner;   // an alert over the dialog
    }
    EXPECT_FALSE(CKXTextFunctionBar::IsShowTextFunctionBar());
    EXPECT_FALSE(CKXTextToolbar::IsShowTextToolbar());
  }
  EXPECT_TRUE(CKXTextFunctionBar::IsShowTextFunctionBar());
  EXPECT_TRUE(CKXTextToolbar::IsShowTextToolbar());
  // Hidden before the scope: shown after it all the same.
  CKXTextFunctionBar::HideTextFunctionBar();
  CKXTextToolbar::HideTextToolbar();
  { StKXTextToolbarHide scope; }
  EXPECT_TRUE(CKXTextFunctionBar::IsShowTextFunctionBar());
  EXPECT_TRUE(CKXTextToolbar::IsShowTextToolbar());
  // Closed inside the scope: nothing comes back.
  {
    StKXTextToolbarHide scope;
    CKXTextFunctionBar::CloseTextFunctionBar(false);
  }
  EXPECT_FALSE(CKXTextFunctionBar::IsTextFunctionBar());
}

}  // namespace
