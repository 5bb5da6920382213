// Menu keys: the user's list over the built-in defaults over the menus,
// what the menus show after the user's list, command names, and cutting
// names on a character boundary.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "app/app_commands.h"
#include "app/globals.h"
#include "app/menu_keys.h"
#include "app/recent_menu.h"
#include "platform/framework/dialog.h"
#include "platform/framework/menu.h"
#include "platform/framework/resource_uses.h"
#include "platform/script.h"
#include "platform/textconv.h"

namespace {

class MenuKeysTest : public ::testing::Test {
 protected:
  void SetUp() override { KxSetGlobalDefaults(); }
  void TearDown() override { KxSetGlobalDefaults(); }

  std::string Name(CommandT command, bool plain) {
    Str255 s;
    if (!UCustomMenu::GetMenuString(command, s, plain)) return "(none)";
    return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
  }
  LMenuBar bar{kKxMenuBarID};
};

struct KeyCase {
  CommandT command;
  bool found;
  std::uint8_t key;
  std::uint8_t modifiers;
};

TEST_F(MenuKeysTest, UserKeysOverDefaultsOverMenus) {
  // The preferences item has no built-in key: the menu's says.
  LMenu* edit = bar.FetchMenu(kKxEditMenu);
  edit->SetKey(edit->IndexFromCommand(kKxCmdPrefDialog), ',', kKxEventOptionKey);
  UCustomMenu::SetUserKeys({{kKxCmdNew, 'M', kKxMenukeyShift},   // replaces N
                            {kKxCmdCut, 0, 0},                   // removes X
                            {kKxCmdCut, 'Q', 0},                 // second entry: not the one asked
                            {kKxCmdClear, 'K', kKxMenukeyOption}});
  const KeyCase cases[] = {
      {kKxCmdNew, true, 'M', kKxMenukeyShift},
      {kKxCmdCut, false, 0, 0},
      {kKxCmdClear, true, 'K', kKxMenukeyOption},
      {kKxCmdOpen, true, 'O', 0},
      {kKxCmdRedo, true, 'Z', kKxMenukeyShift},
      {kKxWindowCommands.first + 8, true, '9', 0},
      {kKxWindowCommands.first + 9, false, 0, 0},
      {kKxCmdPrefDialog, true, ',', kKxMenukeyOption},
      {kKxCmdAbout, false, 0, 0},   // never has one
      {kKxCmdOptionPrefs, false, 0, 0},
  };
  for (const KeyCase& c : cases) {
    SMenukey k;
    EXPECT_EQ(UCustomMenu::GetMenuKey(c.command, k), c.found) << c.command;
    if (c.found) {
      EXPECT_EQ(k.key, c.key) << c.command;
      EXPECT_EQ(k.modifiers, c.modifiers) << c.command;
    }
  }
}

TEST_F(MenuKeysTest, TheUserListIsAppliedInOrderAndOldRedoNumbersBecomeRedo) {
  UCustomMenu::SetUserKeys({{kKxCmdCopy, 'J', 0}, {kKxCmdCopy, 'K', kKxMenukeyShift}, {kKxCmdRedoAlias, 'Y', 0}});
  UCustomMenu::UpdateMenu();
  LMenu* edit = bar.FetchMenu(kKxEditMenu);
  const KxMenuItem* copy = edit->GetItem(edit->IndexFromCommand(kKxCmdCopy));
  EXPECT_EQ(copy->key, 'K');   // the last entry is what the menu shows
  EXPECT_EQ(copy->modifiers, kKxEventShiftKey);
  const KxMenuItem* redo = edit->GetItem(edit->IndexFromCommand(kKxCmdRedo));
  EXPECT_EQ(redo->key, 'Y');
  EXPECT_EQ(redo->modifiers, 0);
  // A stored list with a torn last entry gives its whole entries only.
  gMenukeyHandle = {0, 2, 'N', 0, 0, 3};
  EXPECT_EQ(UCustomMenu::UserKeys().size(), 1u);
}

// Every built-in key shows in the menus and is the key that chooses its
// item, whatever the menu resources say; the user's keys still win.
TEST_F(MenuKeysTest, EveryBuiltInKeyReachesItsItemUnderTheUsersKeys) {
  constexpr CommandT kNextDocument = 1604;
  auto item = [&](CommandT command) -> const KxMenuItem* {
    std::int16_t menuID = 0, index = 0;
    LMenu* menu = nullptr;
    return bar.FindMenuItem(command, menuID, menu, index) ? menu->GetItem(index) : nullptr;
  };
  // As menus without the keys would stand.
  for (const SMenukey& k : UCustomMenu::DefaultKeys())
    if (!kKxWindowCommands.Contains(k.command)) {
      ASSERT_NE(item(k.command), nullptr) << "no menu item carries " << k.command;
      UCustomMenu::SetMenuKey(SMenukey{k.command, 0, 0});
    }
  UCustomMenu::SetUserKeys({{kKxCmdTextFormatDialog, 'Q', kKxMenukeyShift}, {kNextDocument, 0, 0}});
  UCustomMenu::UpdateMenu();
  for (const SMenukey& k : UCustomMenu::DefaultKeys()) {
    if (kKxWindowCommands.Contains(k.command)) continue;   // the documents' items come and go
    SCOPED_TRACE(k.command);
    const KxMenuItem* it = item(k.command);
    std::int16_t menuID = 0, index = 0;
    if (k.command == kKxCmdTextFormatDialog) {
      EXPECT_EQ(it->key, 'Q');
      EXPECT_EQ(it->modifiers, kKxEventShiftKey);
    } else if (k.command == kNextDocument) {
      EXPECT_EQ(it->key, 0);
    } else {
      EXPECT_EQ(it->key, k.key);
      EXPECT_EQ(it->modifiers, k.modifiers ? kKxEventShiftKey : 0);
      ASSERT_TRUE(bar.FindKeyCommand(k.key, std::uint16_t(kKxEventCommandKey | it->modifiers), menuID, index));
      EXPECT_EQ(bar.FindCommand(menuID, index), k.command);
    }
  }
}

TEST_F(MenuKeysTest, CommandNames) {
  struct NameCase {
    CommandT command;
    bool plain;
    std::string name;   // UTF-8 of the expected Shift_JIS
  };
  const NameCase cases[] = {
      {kKxMacroCommands.first, false, "マクロ-1"},
      {kKxWindowCommands.last, false, "ウインドウ-90"},
      {kKxFormCommands.last, false, "用紙フォーム-67"},
      {kKxMarkCommands.first + 9, false, "マーク-10"},
      {kKxCmdNothing, false, "(none)"},
      {kKxCmdPrefDialog, false, "環境設定…"},
      {kKxCmdClearRecent, true, "最近使った項目-履歴を消去"},
      // Undo and redo by their own names, not an action's.
      {kKxCmdRedo, false, "やり直し"},
      {kKxCmdRedoAlias, false, "やり直し"},
      {kKxCmdUndo, false, "取り消し"},
      {12345, false, "(none)"},
      {LCommander::SyntheticCommandForMenuItem(kKxSizeMenu, 3), true, "サイズ-12"},
  };
  for (const NameCase& c : cases) EXPECT_EQ(KxScriptTextToUTF8(Name(c.command, c.plain)), c.name) << c.command;
}

// Random Shift_JIS text: cuts never split a double-byte character, stay
// within the limit, and lose at most one byte to the boundary.
TEST(MenuKeysCut, CutsKeepWholeCharacters) {
  const std::uint8_t* lead = KxScriptParseTable(kScriptJapanese);
  std::mt19937 rng(47);
  const int steps = std::getenv("KX_RANDOM_STEPS") ? std::atoi(std::getenv("KX_RANDOM_STEPS")) : 2000;
  for (int step = 0; step < steps; ++step) {
    std::string text;
    const int chars = int(rng() % 300);
    for (int i = 0; i < chars; ++i) {
      if (rng() % 2) {
        text += char(0x81 + rng() % 0x1F);   // a lead byte
        text += char(0x40 + rng() % 0xBC);
      } else {
        text += char(0x20 + rng() % 0x5F);
      }
    }
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t limit = rng() % 300;
    const std::size_t n = KxCutToCharBoundary(p, text.size(), limit);
    ASSERT_LE(n, std::min(limit, text.size()));
    ASSERT_GE(n + 1, std::min(limit, text.size()));
    std::size_t i = 0;   // n must be a character start
    while (i < n) i += lead[p[i]] ? 2 : 1;
    ASSERT_EQ(i, n) << "split at " << n;
  }
}

TEST(MenuKeysCut, NamesAreCutTo255Bytes) {
  std::string name(200, 'a');
  for (int i = 0; i < 40; ++i) name += "\x82\xA0";   // hiragana a, 2 bytes each
  Str255 out;
  KxSetNameCut(out, name);
  EXPECT_EQ(out[0], 254);   // 200 + 27 * 2: the 28th character would end at 256
}

}  // namespace

namespace {
TEST(AppResources, EveryMenuCommandAndStringTheAreaUsesResolves) {
  std::size_t count = 0;
  const KxResourceUse* uses = KxAppResourceUses(count);
  EXPECT_GT(count, 0u);
  for (const std::string& line : KxUnresolvedResources(uses, count)) ADD_FAILURE() << line;
}
}  // namespace
