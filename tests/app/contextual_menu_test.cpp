// The contextual menu: its items for a given status table, separators only
// between items, the target rule, the keys that open it, and a choice
// reaching the target.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>

#include "app/app_commands.h"
#include "app/application.h"
#include "app/contextual_menu.h"
#include "app/globals.h"
#include "platform/framework/dialog.h"
#include "platform/framework/menu.h"
#include "platform/framework/resource_uses.h"
#include "platform/host/headless.h"
#include "platform/textconv.h"

namespace {

// A commander whose command status comes from a table; records commands.
class TableTarget : public LCommander {
 public:
  explicit TableTarget(LCommander* super = nullptr) : LCommander(super) {}
  std::map<CommandT, std::uint16_t> enabled;   // command -> mark
  std::vector<CommandT> obeyed;
  void FindCommandStatus(CommandT command, Boolean& isEnabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255) override {
    const auto it = enabled.find(command);
    isEnabled = it != enabled.end();
    usesMark = isEnabled && it->second != kKxNoMark;
    mark = isEnabled ? it->second : kKxNoMark;
  }
  bool ObeyCommand(CommandT command, void*) override {
    obeyed.push_back(command);
    return true;
  }
};

// The menu as lines: "TEXT", "-" for a separator, "  TEXT" inside a submenu.
std::vector<std::string> Lines(const KxContextualMenu& m) {
  std::vector<std::string> out;
  for (const KxPopupEntry& e : m.entries) {
    std::string line = e.parent >= 0 ? "  " : "";
    line += e.separator ? "-" : KxScriptTextToUTF8(e.text);
    if (e.mark == kKxCheckMark) line += " *";
    out.push_back(line);
  }
  return out;
}

// The rules every built menu keeps; the first broken one, empty when none.
std::string Check(const KxContextualMenu& m, const TableTarget& t) {
  if (m.entries.size() != m.commands.size()) return "entries and commands differ in number";
  std::map<int, std::vector<std::size_t>> levels;
  for (std::size_t i = 0; i < m.entries.size(); ++i) {
    const KxPopupEntry& e = m.entries[i];
    if (e.parent >= int(i)) return "entry " + std::to_string(i) + " comes before its submenu";
    if (e.parent >= 0 && !m.entries[std::size_t(e.parent)].submenu) return "parent is not a submenu";
    levels[e.parent].push_back(i);
    const bool item = !e.separator && !e.submenu;
    if (item && !t.enabled.count(m.commands[i])) return "disabled command " + std::to_string(m.commands[i]) + " shown";
    if (!item && m.commands[i] != kKxCmdNothing) return "a separator or submenu carries a command";
  }
  for (const auto& [parent, idx] : levels) {
    for (std::size_t k = 0; k < idx.size(); ++k) {
      if (!m.entries[idx[k]].separator) continue;
      if (k == 0) return "leading separator under " + std::to_string(parent);
      if (k + 1 == idx.size()) return "trailing separator under " + std::to_string(parent);
      if (m.entries[idx[k - 1]].separator) return "doubled separator under " + std::to_string(parent);
    }
  }
  return "";
}

class ContextualMenuTest : public ::testing::Test {
 protected:
  void SetUp() override { KxSetGlobalDefaults(); }
  KxHeadlessHost host;
  LMenuBar bar{kKxMenuBarID};
  const std::vector<CommandT> editing{kKxCmdCut, kKxCmdCopy, kKxCmdPaste, kKxCmdClear};
};

TEST_F(ContextualMenuTest, ItemsForStatusTables) {
  struct Case {
    std::map<CommandT, std::uint16_t> enabled;
    std::vector<std::string> lines;
  };
  const std::int16_t sizeItem3 = 3;
  const Case cases[] = {
      // Nothing enabled: the submenus stay, empty.
      {{}, {"その他のペースト", "変換", "マクロ", "スペル", "-", "フォント", "サイズ", "スタイル", "用紙フォーム"}},
      {{{kKxCmdCopy, 0}, {kKxCmdMacroEditor, 0}},
       {"コピー", "-", "その他のペースト", "変換", "マクロ", "  マクロエディタ", "スペル", "-", "フォント", "サイズ",
        "スタイル", "用紙フォーム"}},
      {{{kKxCmdCut, 0}, {kKxCmdClear, 0}, {LCommander::SyntheticCommandForMenuItem(kKxSizeMenu, sizeItem3), kKxCheckMark}},
       {"カット", "消去", "-", "その他のペースト", "変換", "マクロ", "スペル", "-", "フォント", "サイズ", "  12 *",
        "スタイル", "用紙フォーム"}},
  };
  for (const Case& c : cases) {
    TableTarget t;
    t.enabled = c.enabled;
    const KxContextualMenu m = CKXTextContextualMenu::PopulateMenu(bar, &t, editing);
    EXPECT_EQ(Lines(m), c.lines);
    EXPECT_EQ(Check(m, t), "");
  }
}

// Every submenu is a menu the user reaches in the bar: a menu ID that
// drifted from the bar's would silently drop out.
TEST_F(ContextualMenuTest, SubmenusAreTheBarsOwn) {
  std::map<std::string, const LMenu*> linked;
  std::vector<const LMenu*> open(bar.GetBarMenus().begin(), bar.GetBarMenus().end());
  for (const LMenu* menu : open) linked[menu->GetTitle()] = menu;
  while (!open.empty()) {
    const LMenu* menu = open.back();
    open.pop_back();
    for (std::int16_t i = 1; i <= menu->CountItems(); ++i)
      if (const std::int16_t id = menu->GetItem(i)->submenuID)
        if (const LMenu* sub = bar.FetchMenu(id); sub && !linked.count(sub->GetTitle())) {
          linked[sub->GetTitle()] = sub;
          open.push_back(sub);
        }
  }
  TableTarget t;
  const CommandT shiftLeft = 1113;   // first item of the convert menu
  t.enabled[shiftLeft] = kKxNoMark;
  const KxContextualMenu m = CKXTextContextualMenu::PopulateMenu(bar, &t, editing);
  int submenus = 0;
  for (std::size_t i = 0; i < m.entries.size(); ++i) {
    if (!m.entries[i].submenu) continue;
    ++submenus;
    ASSERT_TRUE(linked.count(m.entries[i].text)) << KxScriptTextToUTF8(m.entries[i].text);
  }
  EXPECT_EQ(submenus, 8);
  const std::vector<std::string> lines = Lines(m);
  const auto convert = std::find(lines.begin(), lines.end(), "変換");
  ASSERT_NE(convert, lines.end());
  ASSERT_NE(convert + 1, lines.end());
  EXPECT_EQ(convert[1], "  左へシフト");
}

TEST_F(ContextualMenuTest, SeparatorsOnlyBetweenItemsForAnyTable) {
  // Every command the bar's menus carry, plus synthetic ones of the menus
  // whose items have none.
  std::vector<CommandT> all = editing;
  for (std::int16_t id : {kKxMacroMenu, kKxFontMenu, kKxSizeMenu, kKxFormMenu, kKxEditMenu})
    if (const LMenu* menu = bar.FetchMenu(id))
      for (std::int16_t i = 1; i <= menu->CountItems(); ++i) all.push_back(menu->CommandFromIndex(i));
  // Separators inside a submenu come from a menu that has them.
  LMenu* macros = bar.FetchMenu(kKxMacroMenu);
  macros->InsertSeparator(1);
  macros->InsertSeparator(0);
  macros->InsertSeparator(macros->CountItems());
  std::mt19937 rng(119);
  const int steps = std::getenv("KX_RANDOM_STEPS") ? std::atoi(std::getenv("KX_RANDOM_STEPS")) : 300;
  for (int step = 0; step < steps; ++step) {
    TableTarget t;
    for (CommandT c : all)
      if (c != kKxCmdNothing && rng() % 3 == 0) t.enabled[c] = (rng() % 4 == 0) ? kKxCheckMark : kKxNoMark;
    const KxContextualMenu m = CKXTextContextualMenu::PopulateMenu(bar, &t, editing);
    ASSERT_EQ(Check(m, t), "") << "step " << step;
  }
}

TEST_F(ContextualMenuTest, OnlyTheTargetViewShowsItsMenu) {
  TableTarget view, other;
  view.enabled[kKxCmdCopy] = kKxNoMark;
  auto* menu = new CKXTextContextualMenu(&view);
  view.AddAttachment(menu);
  EventRecord click{};
  click.what = mouseDown;
  click.modifiers = kKxEventControlKey;
  LCommander::SwitchTarget(&other);
  EXPECT_TRUE(view.ExecuteAttachments(kKxMsgContextClick, &click));   // lets the click through
  EXPECT_EQ(host.Popups(), 0);
  LCommander::SwitchTarget(&view);
  EXPECT_FALSE(view.ExecuteAttachments(kKxMsgContextClick, &click));
  ASSERT_EQ(host.Popups(), 1);
  EXPECT_EQ(KxScriptTextToUTF8(host.LastPopup().front().text), "コピー");
  EXPECT_EQ(CKXTextContextualMenu::CommandOfChoice(0), kKxCmdCopy);
  EXPECT_EQ(CKXTextContextualMenu::CommandOfChoice(-1), kKxCmdNothing);
  EXPECT_EQ(CKXTextContextualMenu::CommandOfChoice(999), kKxCmdNothing);
  LCommander::SwitchTarget(nullptr);
  CKXTextContextualMenu::Forget();
}

TEST(ContextualMenuKeys, MenuKeyAndShiftF10) {
  struct Case {
    std::uint8_t code;
    std::uint16_t mods;
    bool opens;
  };
  const Case cases[] = {
      {kKxKeyContextMenu, 0, true},
      {kKxKeyContextMenu, kKxEventShiftKey, true},
      {kKxKeyF10, kKxEventShiftKey, true},
      {kKxKeyF10, 0, false},
      {kKxKeyF10, kKxEventShiftKey | kKxEventCommandKey, false},
      {kKxKeyF9, kKxEventShiftKey, false},
  };
  for (const Case& c : cases) {
    EventRecord e{};
    e.what = keyDown;
    e.message = KxKeyMessage(0x10, c.code);
    e.modifiers = std::uint16_t(c.mods | kKxEventButtonState);
    EXPECT_EQ(CKXTextContextualMenu::IsMenuKey(e), c.opens) << int(c.code) << " " << c.mods;
  }
}

// The whole path on the application: a contextual click opens the menu of
// the target view, and choosing an entry runs its command on the target.
TEST(ContextualMenuApp, AChoiceRunsItsCommandOnTheTarget) {
  KxHeadlessHost host;
  struct Client : KxWindowClient {
    void HostActivate(bool) override {}
  } client;
  struct QuietHooks : KxAppHooks {
    void ReadPreference() override {}
    void WritePreference() override {}
  } quiet;
  CKXTextApp app(&quiet);
  app.Prepare();
  TableTarget view(&app);
  view.enabled[kKxCmdPaste] = kKxNoMark;
  view.AddAttachment(new CKXTextContextualMenu(&view));
  LCommander::SwitchTarget(&view);
  host.CreateWindow(&client, Rect{0, 0, 200, 200}, nullptr);
  while (host.PendingEvents()) app.ProcessNextEvent();
  host.PostMouse(true, Point{50, 50}, kKxEventControlKey);
  while (host.PendingEvents()) app.ProcessNextEvent();
  ASSERT_EQ(host.Popups(), 1);
  host.PostMenuChoice(kKxPopupMenuID, 0);
  while (host.PendingEvents()) app.ProcessNextEvent();
  EXPECT_EQ(view.obeyed, std::vector<CommandT>{kKxCmdPaste});
  LCommander::SwitchTarget(&app);
  KxSetGlobalDefaults();
}

}  // namespace
