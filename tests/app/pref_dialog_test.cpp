// The general preferences dialog driven as a user would, on the headless
// host: each control stores exactly its own field on OK, cancel stores
// nothing, typed numbers and margins stay in their ranges, the pages slide
// back into place, and the modal dialogs it opens work on its copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_dialog.h"
#include "app/application.h"
#include "app/color_prefs.h"
#include "app/color_schedule.h"
#include "app/color_schedule_file.h"
#include "app/globals.h"
#include "app/nav_extras.h"
#include "app/pref_values.h"
#include "app/prefs_file.h"
#include "layout/fontstate.h"
#include "platform/draw/color.h"
#include "platform/fonts.h"
#include "platform/framework/control.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/list_box.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"
#include "platform/keys.h"
#include "platform/textconv.h"
#include "views/controls.h"
#include "views/scroller.h"
#include "views/view_classes.h"

namespace {

// ---- what the fields make of typed text ----

TEST(PrefValuesTest, TypedNumbersSaturateInsteadOfWrapping) {
  EXPECT_EQ(KxFieldNumber("  42x"), 42);
  EXPECT_EQ(KxFieldNumber("-7"), -7);
  EXPECT_EQ(KxFieldNumber(""), 0);
  EXPECT_EQ(KxFieldNumber("abc"), 0);
  EXPECT_EQ(KxFieldNumber("99999999999999999999999"), kKxFieldNumberTop);
  EXPECT_EQ(KxFieldNumber("-99999999999999999999999"), -kKxFieldNumberTop);
}

TEST(PrefValuesTest, MarginFieldsKeepBothValuesInRange) {
  struct Case {
    const char* text;
    std::int16_t first, second;
  };
  const Case cases[] = {
      {"120", 34, 0},          // 12 mm
      {"100, 100", 28, 0},     // equal values: no second margin
      {"100, 50", 28, 14},
      {"10000", 34, 0},        // above 9999: 12 mm
      {"10000, 50", 34, 0},    // ... and the second value goes with it
      {"-5, 50", 34, 0},
      {"100, 99999", 28, 0},   // a second value out of range is 0
      {"100, -50", 28, 0},
      {"100,  50", 28, 14},    // two blanks after the comma are skipped
      {"100,   50", 28, 0},    // a third is not
      {"100,", 28, 0},
      {"99999999999999999999, 50", 34, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::int16_t first = -1, second = -1;
    ASSERT_TRUE(KxMarginFieldPoints(c.text, first, second));
    EXPECT_EQ(first, c.first);
    EXPECT_EQ(second, c.second);
  }
  EXPECT_EQ(KxMarginSecondValue("100,  50"), 50);
  EXPECT_EQ(KxMarginSecondValue("100,   50"), 0);
  EXPECT_EQ(KxMarginSecondValue("100 50"), 0);
  // What the field shows for stored points reads back as the same points.
  for (std::int16_t points : {0, 1, 14, 28, 34, 57, 2834})
    EXPECT_EQ(KxMarginToPoints(KxMarginFromPoints(points)), points) << points;
}

// ---- the dialog ----

class PrefHooks : public KxAppHooks {
 public:
  bool FrontDocumentFrame(std::int32_t& width, std::int32_t& height) override {
    if (!front) return false;
    width = 500;
    height = 300;
    return true;
  }
  void PreferencesChanged() override { ++changes; }
  bool front = false;
  int changes = 0;
};

using Step = std::function<void(LWindow&)>;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::string Snapshot() { return KxDumpPreferences() + KxDumpColorSchedule(); }

// The lines of `after` that differ from `before` (the dumps list the same
// fields in the same order).
std::vector<std::string> Changed(const std::string& before, const std::string& after) {
  const std::vector<std::string> a = Lines(before), b = Lines(after);
  std::vector<std::string> out;
  for (std::size_t i = 0; i < b.size(); ++i)
    if (i >= a.size() || a[i] != b[i]) out.push_back(b[i]);
  return out;
}

class PrefDialogTest : public ::testing::Test {
 public:
  void SetUp() override {
    KxRegisterFrameworkClasses();
    KxRegisterViewClasses();
    KxSetGlobalDefaults();
    host.SetScriptFeeder([this] {
      if (steps.empty()) return KxHost::ScriptTurn::kEnded;
      auto* front = dynamic_cast<LWindow*>(host.GetWindowClient(host.FrontWindow()));
      Step step = std::move(steps.front());
      steps.pop_front();
      if (front) step(*front);
      return KxHost::ScriptTurn::kStep;
    });
  }
  void TearDown() override {
    host.SetScriptFeeder(nullptr);
    // Back on the first page for the next test, which the dialog remembers.
    if (!Open()) OpenDialog();
    Click(2091);
    Click(2002);
    KxModelessDialog::DeleteClosed();
    UKXColorPreference::SetColorPreferenceData(nullptr, 0);
    UKXColorPreference::SetColorPrefNameData(nullptr, 0);
    UKXColorSchedule::DeleteAll();
    KxSetGlobalDefaults();
  }

 public:
  LWindow* Open() {
    for (KxWindowID id : host.WindowList())
      if (auto* w = dynamic_cast<LWindow*>(host.GetWindowClient(id)); w && w->FindPaneByID(2001)) return w;
    return nullptr;
  }
  LWindow& Dialog() {
    if (!Open()) OpenDialog();
    return *Open();
  }
  // Opens the dialog active, as the desktop gives it the focus.
  void OpenDialog() {
    app.OpenPrefDialog();
    if (LWindow* w = Open(); w && !w->IsActive()) w->HostActivate(true);
  }
  LPane* Pane(PaneIDT id) { return Dialog().FindPaneByID(id); }
  void Set(PaneIDT id, std::int32_t v) { Pane(id)->SetValue(v); }
  void Type(PaneIDT id, const std::string& text) { dynamic_cast<LEditField*>(Pane(id))->SetText(text); }
  void Click(PaneIDT id) {
    if (LWindow* w = Open()) {
      // Back in front after a modal dialog, as the desktop does it.
      if (!w->IsActive()) w->HostActivate(true);
      dynamic_cast<LControl*>(w->FindPaneByID(id))->SimulateHotSpotClick(1);
    }
    KxModelessDialog::DeleteClosed();   // as after each event
  }
  std::string Text(PaneIDT id) { return dynamic_cast<LEditField*>(Pane(id))->GetText(); }
  RectL Frame(PaneIDT id) { return Pane(id)->CalcPortFrameRect(); }

  KxHeadlessHost host;
  PrefHooks hooks;
  CKXTextApp app{&hooks};
  std::deque<Step> steps;
};

// One row per control: what the user does, and every line of the stored
// settings that changes because of it (nothing else may).
TEST_F(PrefDialogTest, EachControlStoresExactlyItsOwnField) {
  const auto tabInterval = [](short font, short size, short width) {
    return "KXTP.tab interval = " + std::to_string(KxGetFontWidth(font, size, width));
  };
  struct Row {
    const char* name;
    std::function<void(PrefDialogTest&)> act;
    std::vector<std::string> expected;
  };
  const short font = gPreference.font;
  const std::vector<Row> rows = {
      {"2003", [](auto& t) { t.Set(2003, 4); }, {"KXTP.startup action = 3"}},
      {"2004", [](auto& t) { t.Set(2004, 3); }, {"KXTP.measure unit = 2"}},
      {"2005", [](auto& t) { t.Set(2005, 1); }, {"KXTP.gauge type = 5"}},
      {"2005b", [](auto& t) { t.Set(2005, 5); }, {"KXTP.gauge type = 6"}},
      {"2006", [](auto& t) { t.Set(2006, 4); }, {"KXTP.justification = 3"}},
      {"2007", [](auto& t) { t.Set(2007, 3); }, {"KXTP.line break mode = 2"}},
      {"2011", [](auto& t) { t.Type(2011, "18"); }, {"KXTP.size = 18", tabInterval(font, 18, 4)}},
      {"2009", [](auto& t) { t.Set(2009, 6); }, {"KXTP.size = 24", tabInterval(font, 24, 4)}},
      {"2012", [](auto& t) { t.Type(2012, "8"); }, {"KXTP.tab width = 8", tabInterval(font, 12, 8)}},
      {"2013", [](auto& t) { t.Type(2013, "3"); }, {"KXTP.line spacing = 3"}},
      {"2014", [](auto& t) { t.Type(2014, "100, 50"); }, {"KXTP.margin first = 28", "KXTP.margin bottom = 14"}},
      {"2015", [](auto& t) { t.Type(2015, "200"); }, {"KXTP.margin second = 57"}},
      {"2016", [](auto& t) { t.Set(2016, 1); }, {"KXTP.word wrap = 1"}},
      {"2017", [](auto& t) { t.Set(2017, 0); }, {"KXTP.inline input = 0"}},
      {"2018", [](auto& t) { t.Set(2018, 1); }, {"KXTP.auto indent = 1"}},
      {"2019", [](auto& t) { t.Set(2019, 1); }, {"KXTP.caret line = 1"}},
      {"2020", [](auto& t) { t.Set(2020, 1); }, {"KXTP.flags = 15"}},
      {"2021", [](auto& t) { t.Set(2021, 0); }, {"KXTP.show ruler = 0"}},
      {"2022", [](auto& t) { t.Set(2022, 1); }, {"KXTP.show line view = 1"}},
      {"2023", [](auto& t) { t.Set(2023, 0); }, {"KXTP.show info view = 0"}},
      {"2024", [](auto& t) { t.Set(2024, 1); }, {"KXTP.control view = 1"}},
      {"2025", [](auto& t) { t.Set(2025, 0); }, {"KXTP.wrap at width = 0"}},
      {"2026", [](auto& t) { t.Set(2026, 0); }, {"KXTP.guide view = 0"}},
      {"2027", [](auto& t) { t.Set(2027, 1); }, {"KXTP.paper view = 1"}},
      {"2028", [](auto& t) { t.Set(2028, 1); }, {"KXTP.vertical = 1"}},
      {"2029", [](auto& t) { t.Set(2029, 0); }, {"KXP2.ruler tools = 0"}},
      {"2047", [](auto& t) { t.Set(2047, 1); }, {"KXTP.use stored size = 1"}},
      {"2051", [](auto& t) { t.Set(2051, 1); }, {"KXTP.script check = 1"}},
      {"2052", [](auto& t) { t.Set(2052, 1); }, {"KXTP.script check = 3"}},   // checks 2051 too
      {"2058", [](auto& t) { t.Set(2058, 2); }, {"KXP2.inline option = 1"}},
      {"2059", [](auto& t) { t.Set(2059, 0); }, {"KXP2.ime position = 1"}},
      {"2062", [](auto& t) { t.Set(2062, 0); }, {"KXTP.flags = 6"}},
      {"2063", [](auto& t) { t.Set(2063, 0); }, {"KXTP.flags = 5"}},
      {"2064", [](auto& t) { t.Set(2064, 1); }, {"FPRF.auto save = 1"}},
      {"2065", [](auto& t) { t.Set(2065, 1); }, {"FPRF.backup = 1"}},
      {"2069", [](auto& t) { t.Type(2069, "90"); }, {"FPRF.auto save seconds = 3600"}},
      {"2069b", [](auto& t) { t.Type(2069, "0"); }, {"FPRF.auto save seconds = 60"}},
      {"2070", [](auto& t) { t.Type(2070, "99999999999999999999"); }, {"FPRF.backup generations = 50"}},
      {"2071", [](auto& t) { t.Type(2071, "45"); }, {"FPRF.recent files = 30"}},
      {"2071b", [](auto& t) { t.Type(2071, "0"); }, {"FPRF.recent files = 0"}},
      {"2072", [](auto& t) { t.Type(2072, "-3"); }, {"FPRF.recent folders = 0"}},
      {"2073", [](auto& t) { t.Set(2073, 1); }, {"FPRF.own dialogs = 1"}},
      {"2074", [](auto& t) { t.Set(2074, 0); }, {"KXTP.flags = 23"}},
      {"2076", [](auto& t) { t.Set(2076, 5); }, {"KXP2.color variation = 4"}},
      {"2083", [](auto& t) { t.Set(2083, 0); }, {"KXP2.open urls = 0"}},
      {"2085", [](auto& t) { t.Set(2085, 1); }, {"KXP2.quartz = 1"}},
      {"2086", [](auto& t) { t.Set(2086, 13); }, {"KXP2.smoothing size = 16"}},
      {"2049", [](auto& t) { t.host.QueueColourAnswer({0xFFFF, 0, 0}); t.Click(2049); },
       {"KXTP.paper color = 65535 0 0"}},
      // Black is kept apart from the default white, white is the default.
      {"2049 black", [](auto& t) { t.host.QueueColourAnswer({0, 0, 0}); t.Click(2049); },
       {"KXTP.paper color = 1 1 1"}},
      {"2010", [](auto& t) { t.host.QueueColourAnswer({0, 0, 0xFFFF}); t.Click(2010); },
       {"KXP2.startup color on = 1", "KXP2.startup color = 0 0 65535"}},
      {"nothing", [](auto&) {}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    KxSetGlobalDefaults();
    const std::string before = Snapshot();
    OpenDialog();
    row.act(*this);
    Click(2001);
    ASSERT_EQ(Open(), nullptr);
    KxModelessDialog::DeleteClosed();
    std::vector<std::string> changed = Changed(before, Snapshot());
    EXPECT_EQ(changed, row.expected);
  }
  // White chosen for the paper is stored as the default.
  gPreference.paperColor = {0xFFFF, 0, 0};
  OpenDialog();
  host.QueueColourAnswer({0xFFFF, 0xFFFF, 0xFFFF});
  Click(2049);
  Click(2001);
  EXPECT_EQ(gPreference.paperColor.red, 0);
  EXPECT_EQ(gPreference.paperColor.green, 0);
  EXPECT_EQ(gPreference.paperColor.blue, 0);
}

TEST_F(PrefDialogTest, ControlsShowTheStoredSettings) {
  gPreference.marginFirst = 28;
  gPreference.marginBottom = 14;
  gPreference.gaugeType = 6;
  gPreference.paperColor = {1, 1, 1};
  gFilePref.autoSaveSeconds = 600;
  gPreference2.smoothingSize = 3;
  OpenDialog();
  EXPECT_EQ(Text(2014), "100, 50");
  EXPECT_EQ(Text(2015), "120");
  EXPECT_EQ(Pane(2005)->GetValue(), 5);
  EXPECT_EQ(Text(2069), "10");
  EXPECT_EQ(Pane(2086)->GetValue(), 1);
  EXPECT_FALSE(Pane(2086)->IsEnabled());   // antialiasing is off
  const RGBColor paper = dynamic_cast<KXColButton*>(Pane(2049))->GetFillColor();
  EXPECT_EQ(paper.red + paper.green + paper.blue, 0);   // (1, 1, 1) is shown black
  EXPECT_FALSE(Pane(2060)->IsVisible());
  // OK without a change stores the same margins again.
  const std::string before = Snapshot();
  Click(2001);
  EXPECT_EQ(Changed(before, Snapshot()), std::vector<std::string>{});
}

// Stored numbers the program would not take show, and are stored on an
// untouched OK, as the program reads them at start (never as another
// setting); numbers it takes that the controls cannot show are kept.
TEST_F(PrefDialogTest, AnUntouchedOKStoresNoOtherSettingThanTheProgramUses) {
  const std::vector<short> fonts = KxFontNumbers();
  ASSERT_GE(fonts.size(), 2u);
  constexpr short kNotInstalled = 32000;
  ASSERT_EQ(std::find(fonts.begin(), fonts.end(), kNotInstalled), fonts.end());
  gPreference.startupAction = 99;
  gPreference.measureUnit = 99;
  gPreference.gaugeType = 7;
  gPreference.justification = 200;
  gPreference.lineBreakMode = 9;
  gPreference.size = -5;
  gPreference.font = kNotInstalled;
  gPreference.romanScriptFont = kNotInstalled;
  OpenDialog();
  EXPECT_EQ(Pane(2003)->GetValue(), 1);   // a new document
  EXPECT_EQ(Pane(2004)->GetValue(), 1);
  EXPECT_EQ(Text(2011), "12");
  Click(2001);
  EXPECT_EQ(gPreference.startupAction, kKxStartupNew);
  EXPECT_EQ(gPreference.measureUnit, 0);
  EXPECT_EQ(gPreference.gaugeType, 0);
  EXPECT_EQ(gPreference.justification, 0);
  EXPECT_EQ(gPreference.lineBreakMode, 0);
  EXPECT_EQ(gPreference.size, 12);
  EXPECT_EQ(gPreference.font, kNotInstalled);
  EXPECT_EQ(gPreference.romanScriptFont, kNotInstalled);

  // Taken by the program, beyond what the controls show.
  gPreference.measureUnit = 3;
  gPreference.size = 5000;
  gPreference2.inlineOption = 5;
  OpenDialog();
  Click(2001);
  EXPECT_EQ(gPreference.measureUnit, 3);
  EXPECT_EQ(gPreference.size, 5000);
  EXPECT_EQ(gPreference2.inlineOption, 5);

  // Another item or number chosen is stored.
  OpenDialog();
  Set(2008, 2);
  Set(2004, 3);
  Type(2011, "20");
  Click(2001);
  EXPECT_EQ(gPreference.font, fonts[1]);
  EXPECT_EQ(gPreference.measureUnit, 2);
  EXPECT_EQ(gPreference.size, 20);
}

TEST_F(PrefDialogTest, CancelStoresNothingAtAll) {
  UKXColorSchedule::SetAt(1, UKXColorSchedule::GetAt(0));
  const std::string before = Snapshot();
  const std::uint8_t jwrapBefore = gJWrapChars[0];
  OpenDialog();
  for (PaneIDT id : {2016, 2021, 2062, 2064, 2073, 2085}) Set(id, !Pane(id)->GetValue());
  Type(2011, "30");
  Type(2014, "500, 10");
  host.QueueColourAnswer({0, 0xFFFF, 0});
  Click(2049);
  // A colour set, a schedule entry and the line-break lists, each confirmed.
  steps = {[](LWindow& w) { dynamic_cast<LEditField*>(w.FindPaneByID(3504))->SetText("mine"); },
           [](LWindow& w) { dynamic_cast<LControl*>(w.FindPaneByID(900))->SimulateHotSpotClick(1); }};
  Set(2076, 12);
  steps = {[](LWindow& w) { dynamic_cast<LControl*>(w.FindPaneByID(900))->SimulateHotSpotClick(1); }};
  Click(2079);
  EXPECT_EQ(dynamic_cast<LListBox*>(Pane(2078))->CountRows(), 2);
  steps = {[](LWindow& w) { dynamic_cast<LEditField*>(w.FindPaneByID(3534))->SetText("x"); },
           [](LWindow& w) { dynamic_cast<LControl*>(w.FindPaneByID(900))->SimulateHotSpotClick(1); }};
  Click(2082);
  Click(2002);
  EXPECT_EQ(Open(), nullptr);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(gJWrapChars[0], jwrapBefore);
  EXPECT_EQ(hooks.changes, 0);
  // The next opening starts from the store again.
  OpenDialog();
  EXPECT_EQ(dynamic_cast<LListBox*>(Pane(2078))->CountRows(), 1);
  EXPECT_EQ(dynamic_cast<LStdPopupMenu*>(Pane(2076))->GetItems()[11], KxUTF8ToScriptText("カラー2"));
}

TEST_F(PrefDialogTest, TheColourSetOfAVariationItemIsStoredOnOK) {
  OpenDialog();
  std::string shownName;
  steps = {[&](LWindow& w) { shownName = dynamic_cast<LEditField*>(w.FindPaneByID(3504))->GetText(); },
           [](LWindow& w) { dynamic_cast<LEditField*>(w.FindPaneByID(3504))->SetText("Night"); },
           [](LWindow& w) { dynamic_cast<LControl*>(w.FindPaneByID(900))->SimulateHotSpotClick(1); }};
  host.QueueColourAnswer({0x1000, 0x2000, 0x3000});
  steps.insert(steps.begin() + 1,
               [](LWindow& w) { dynamic_cast<LControl*>(w.FindPaneByID(3510))->SimulateHotSpotClick(1); });
  Set(2076, 13);
  EXPECT_TRUE(steps.empty());
  EXPECT_EQ(shownName, KxUTF8ToScriptText("カラー3"));
  EXPECT_EQ(dynamic_cast<LStdPopupMenu*>(Pane(2076))->GetItems()[12], "Night");
  std::string name;
  EXPECT_FALSE(UKXColorPreference::GetColorPrefNameAt(3, name));   // not before OK
  Click(2001);
  ASSERT_TRUE(UKXColorPreference::GetColorPrefNameAt(3, name));
  EXPECT_EQ(name, "Night");
  SKXColorPreference set;
  UKXColorPreference::GetAt(3, set);
  EXPECT_EQ(set.text.red, 0x1000);
  EXPECT_EQ(set.text.blue, 0x3000);
  EXPECT_EQ(gPreference2.colorVariation, 12);
  EXPECT_EQ(UKXColor::sColorVariation, 12);
  EXPECT_TRUE(gPrefModify);
  // The named set shows under its name the next time.
  OpenDialog();
  EXPECT_EQ(dynamic_cast<LStdPopupMenu*>(Pane(2076))->GetItems()[12], "Night");
  EXPECT_EQ(Pane(2076)->GetValue(), 13);
}

TEST_F(PrefDialogTest, PagesSlideBackAndEnableTheirOwnFields) {
  OpenDialog();
  std::map<PaneIDT, RectL> start;
  for (PaneIDT id = 2003; id <= 2086; ++id)
    if (Pane(id)) start[id] = Frame(id);
  const auto enabled = [this](PaneIDT id) { return Pane(id)->IsEnabled(); };
  EXPECT_TRUE(enabled(2011) && enabled(2015));
  EXPECT_FALSE(enabled(2069) || enabled(2072) || enabled(2078));
  Click(2094);
  EXPECT_EQ(Frame(2078).left, start[2078].left - 3 * 400);
  EXPECT_EQ(Frame(2011).left, start[2011].left - 3 * 400);
  EXPECT_TRUE(enabled(2078));
  EXPECT_FALSE(enabled(2011) || enabled(2069));
  EXPECT_EQ(LCommander::GetTarget(), dynamic_cast<LCommander*>(Pane(2078)));
  EXPECT_EQ(Pane(2091)->GetValue() + Pane(2092)->GetValue() + Pane(2093)->GetValue(), 0);
  Click(2093);
  EXPECT_TRUE(enabled(2069) && enabled(2072));
  EXPECT_FALSE(enabled(2078) || enabled(2013));
  EXPECT_EQ(LCommander::GetTarget(), dynamic_cast<LCommander*>(Pane(2069)));
  Click(2092);   // page 1 leaves the fields as they were
  EXPECT_TRUE(enabled(2069));
  Click(2091);
  for (const auto& [id, frame] : start) {
    EXPECT_EQ(Frame(id).left, frame.left) << id;
    EXPECT_EQ(Frame(id).top, frame.top) << id;
  }
  EXPECT_TRUE(enabled(2011));
  EXPECT_FALSE(enabled(2069));
  // The page shown last is shown again on the next opening.
  Click(2093);
  Click(2002);
  KxModelessDialog::DeleteClosed();
  OpenDialog();
  EXPECT_EQ(Pane(2093)->GetValue(), 1);
  EXPECT_EQ(Pane(2091)->GetValue(), 0);
  EXPECT_EQ(Frame(2064).left, start[2064].left - 2 * 400);
  EXPECT_TRUE(enabled(2069));
  EXPECT_FALSE(enabled(2011));
}

// Tab moves between the fields of the page shown, wherever the page has slid.
TEST_F(PrefDialogTest, TabStaysAmongTheFieldsOfThePageShown) {
  OpenDialog();
  const auto tab = [] {
    EventRecord e{};
    e.what = keyDown;
    e.message = '\t' | std::uint32_t(kKxKeyTab) << 8;
    LCommander::GetTarget()->ProcessKeyPress(e);
    return LCommander::GetTarget();
  };
  const auto field = [this](PaneIDT id) { return dynamic_cast<LCommander*>(Pane(id)); };
  LCommander::SwitchTarget(field(2011));
  for (PaneIDT id : {2012, 2013, 2014, 2015, 2011}) EXPECT_EQ(tab(), field(id)) << id;
  Click(2093);
  ASSERT_EQ(LCommander::GetTarget(), field(2069));
  for (PaneIDT id : {2070, 2071, 2072, 2069}) EXPECT_EQ(tab(), field(id)) << id;
  EXPECT_EQ(Frame(2069).left, Frame(2064).left + 278);   // beside its caption, as on the page
  EXPECT_EQ(Text(2069).find('\t'), std::string::npos);
}

TEST_F(PrefDialogTest, LinkedControls) {
  OpenDialog();
  // The size pop-up writes its size into the field.
  Set(2009, 5);
  EXPECT_EQ(Text(2011), "18");
  // The font check needs the keyboard check, both ways.
  Set(2052, 1);
  EXPECT_EQ(Pane(2051)->GetValue(), 1);
  Set(2051, 0);
  EXPECT_EQ(Pane(2052)->GetValue(), 0);
  // The smoothing size follows the antialiasing box.
  Set(2085, 1);
  EXPECT_TRUE(Pane(2086)->IsEnabled());
  Set(2085, 0);
  EXPECT_FALSE(Pane(2086)->IsEnabled());
  // The schedule's edit and delete need a selected row.
  steps = {[](LWindow& w) { dynamic_cast<LControl*>(w.FindPaneByID(900))->SimulateHotSpotClick(1); }};
  Click(2079);
  EXPECT_FALSE(Pane(2080)->IsEnabled());
  dynamic_cast<KXListBox*>(Pane(2078))->ChooseRows({0});
  EXPECT_TRUE(Pane(2080)->IsEnabled() && Pane(2081)->IsEnabled());
  Click(2081);
  EXPECT_EQ(dynamic_cast<LListBox*>(Pane(2078))->CountRows(), 0);
  EXPECT_FALSE(Pane(2080)->IsEnabled() || Pane(2081)->IsEnabled());
}

TEST_F(PrefDialogTest, TheWindowSizeComesFromTheDocumentInFrontWhenAsked) {
  OpenDialog();
  EXPECT_FALSE(Pane(2048)->IsEnabled());
  Set(2047, 1);
  EXPECT_FALSE(Pane(2048)->IsEnabled());   // no document window
  hooks.front = true;
  Set(2047, 0);
  Set(2047, 1);
  EXPECT_TRUE(Pane(2048)->IsEnabled());
  // The window closes while the dialog stays open: the button takes nothing.
  hooks.front = false;
  Click(2048);
  EXPECT_FALSE(Pane(2048)->IsEnabled());
  Click(2001);
  EXPECT_EQ(gPreference.windowWidth, 0);
  EXPECT_EQ(gPreference.windowHeight, 0);
  hooks.front = true;
  OpenDialog();
  Click(2048);
  Click(2001);
  EXPECT_EQ(gPreference.windowWidth, 500);
  EXPECT_EQ(gPreference.windowHeight, 300);
  EXPECT_EQ(hooks.changes, 2);   // each OK hands the documents their settings
}

TEST_F(PrefDialogTest, TheOpenDialogExtrasFollowTheBox) {
  OpenDialog();
  Set(2073, 1);
  Click(2001);
  EXPECT_TRUE(KxUseCustomNavigation());
  OpenDialog();
  EXPECT_EQ(Pane(2073)->GetValue(), 1);
  Set(2073, 0);
  Click(2001);
  EXPECT_FALSE(KxUseCustomNavigation());
}

TEST_F(PrefDialogTest, LiveScrollingFollowsTheBoxOnOKAndAtStartUp) {
  OpenDialog();
  Set(2062, 0);
  Click(2001);
  EXPECT_FALSE(CKXScroller::GetLiveScrolling());
  OpenDialog();
  Set(2062, 1);
  Click(2002);   // cancel changes nothing
  EXPECT_FALSE(CKXScroller::GetLiveScrolling());
  OpenDialog();
  Set(2062, 1);
  Click(2001);
  EXPECT_TRUE(CKXScroller::GetLiveScrolling());
  // A program that starts with the setting off scrolls on release.
  gPreference.flags = std::uint8_t(gPreference.flags & ~kKxPrefFlagLiveScroll);
  app.Prepare();
  EXPECT_FALSE(CKXScroller::GetLiveScrolling());
}

}  // namespace
