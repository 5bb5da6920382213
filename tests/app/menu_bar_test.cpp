// The program's menu bar against the commands that exist: every command the
// text view carries out has an item (so a command built later without one
// fails here), the default keys are on their items, and only items that
// carry marks show room for one.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/application.h"
#include "app/application_hooks.h"
#include "app/globals.h"
#include "platform/framework/menu.h"
#include "platform/host/headless.h"
#include "views/text_view_commands.h"

namespace {

struct Item {
  std::uint8_t key;
  std::uint16_t modifiers;
};

void Collect(const LMenuBar& bar, const LMenu& menu, int depth, std::map<CommandT, Item>& out) {
  for (std::int16_t i = 1; i <= menu.CountItems(); ++i) {
    const KxMenuItem* it = menu.GetItem(i);
    if (it->separator) continue;
    if (it->command != kKxCmdNothing) out[it->command] = {it->key, it->modifiers};
    if (it->submenuID && depth < 8)
      if (const LMenu* sub = bar.FetchMenu(it->submenuID)) Collect(bar, *sub, depth + 1, out);
  }
}

// Commands of the view's table whose items are not the bar's fixed ones:
// generated families (macros, marks, registered fonts, the clipboard
// history, spelling checkers), the name stamp (shown only with a stamp),
// and the commands of the find, mark-list and pane windows, which their
// own menus bring.
bool ElsewhereOrLater(long c) {
  return (c >= 1150 && c <= 1199) || (c >= 1230 && c <= 1249) || (c >= 1371 && c <= 1399) ||
         (c >= 1520 && c <= 1599) || (c >= 1901 && c <= 1930) || c >= 3000 || c == 1138 ||
         (c >= 1201 && c <= 1221) || c == 1229 || (c >= 1401 && c <= 1403);
}

class MenuBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KxSetGlobalDefaults();
    app = std::make_unique<CKXTextApp>(&hooks);
    app->Prepare();
    Collect(*LMenuBar::GetCurrentMenuBar(), 0);
  }
  void Collect(const LMenuBar& bar, int) {
    for (const LMenu* m : bar.GetBarMenus())
      if (m) ::Collect(bar, *m, 0, items);
  }
  KxHeadlessHost host;
  KxAppHooks hooks;
  std::unique_ptr<CKXTextApp> app;
  std::map<CommandT, Item> items;
};

TEST_F(MenuBarTest, EveryBuiltCommandOfTheTextViewHasAnItem) {
  std::size_t count = 0;
  const KxTextCommandRow* table = KxTextCommandTable(count);
  std::set<long> missing;
  for (std::size_t r = 0; r < count; ++r) {
    if (!table[r].obey) continue;   // passed up: the document's or the application's
    for (long c = table[r].first; c <= table[r].last; ++c)
      if (!ElsewhereOrLater(c) && !items.count(CommandT(c))) missing.insert(c);
  }
  std::string list;
  for (long c : missing) list += " " + std::to_string(c);
  EXPECT_TRUE(missing.empty()) << "commands without a menu item:" << list;
  // And the application's own.
  for (CommandT c : {2, 3, 4, 5, 6, 7, 10, 11, 28})
    EXPECT_TRUE(items.count(c)) << c;
}

// A command stands once in a menu: a second item would show its key twice
// and answer to one check mark.
TEST_F(MenuBarTest, NoMenuListsACommandTwice) {
  for (const LMenu* m : LMenuBar::GetCurrentMenuBar()->GetBarMenus()) {
    if (!m) continue;
    std::set<CommandT> seen;
    for (std::int16_t i = 1; i <= m->CountItems(); ++i) {
      const KxMenuItem* it = m->GetItem(i);
      if (it->separator || it->command == kKxCmdNothing) continue;
      EXPECT_TRUE(seen.insert(it->command).second) << "menu " << m->GetMenuID() << " item " << i << ": " << it->command;
    }
  }
}

TEST_F(MenuBarTest, DefaultKeysSitOnTheirItems) {
  const std::uint16_t shift = 0x0200;
  const struct {
    CommandT command;
    char key;
    std::uint16_t modifiers;
  } keys[] = {{2, 'N', 0},    {3, 'O', 0},    {4, 'W', 0},    {5, 'S', 0},    {10, 'Q', 0},   {11, 'Z', 0},
              {28, 'Z', shift}, {12, 'X', 0}, {13, 'C', 0},   {14, 'V', 0},   {16, 'A', 0},   {1113, '[', 0},
              {1114, ']', 0}, {1115, 'J', 0}, {1116, 'K', 0}, {1117, 'L', 0}, {1118, ';', 0}, {401, 'T', 0},
              {402, 'B', 0},  {403, 'I', 0},  {404, 'U', 0}};
  for (const auto& k : keys) {
    ASSERT_TRUE(items.count(k.command)) << k.command;
    EXPECT_EQ(items[k.command].key, std::uint8_t(k.key)) << k.command;
    EXPECT_EQ(items[k.command].modifiers, k.modifiers) << k.command;
  }
}

// Without a text, the window's tools not built, nothing is enabled that
// would do nothing; an item shows room for a mark once it has carried one.
TEST_F(MenuBarTest, ToolItemsWithoutTheirWindowAreDisabledAndMarksAreSticky) {
  app->UpdateMenus();
  LMenuBar& bar = *LMenuBar::GetCurrentMenuBar();
  // (The key settings dialog, 1109 and 1503, and the preferences, 1108,
  // belong to the application itself and are always there.)
  for (CommandT c : {1004, 1148, 1501, 1502, 19, 1210, 1228}) {
    std::int16_t menuID = 0, item = 0;
    LMenu* menu = nullptr;
    ASSERT_TRUE(bar.FindMenuItem(c, menuID, menu, item)) << c;
    EXPECT_FALSE(menu->IsItemEnabled(item)) << c;
  }
  std::int16_t menuID = 0, item = 0;
  LMenu* edit = nullptr;
  ASSERT_TRUE(bar.FindMenuItem(12, menuID, edit, item));
  EXPECT_FALSE(edit->GetItem(item)->usesMark);
  edit->SetMark(item, kKxNoMark);
  EXPECT_TRUE(edit->GetItem(item)->usesMark);
}

}  // namespace
