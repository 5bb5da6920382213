// Generated menus: each keeps its resource's items, generates the rest
// inside its command range (a longer list shows its first items), and a
// rebuild replaces what the last one made.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_commands.h"
#include "app/dynamic_menus.h"
#include "app/globals.h"
#include "app/menu_keys.h"
#include "platform/framework/menu.h"
#include "platform/framework/resource_uses.h"

namespace {

class DynamicMenusTest : public ::testing::Test {
 protected:
  void SetUp() override { KxSetGlobalDefaults(); }
  void TearDown() override { KxSetGlobalDefaults(); }
  LMenu& Menu(std::int16_t id) { return *bar.FetchMenu(id); }

  // Checks what every rebuild must give: the fixed items untouched, one
  // separator between them and the generated ones (none without generated
  // items), commands in the range, increasing.
  void CheckFamily(std::int16_t menuID, const KxCommandRange& range, std::size_t expected) {
    LMenu& m = Menu(menuID);
    const std::int16_t fixed = KxFixedItemCount(menuID);
    const std::int16_t extra = std::int16_t(m.CountItems() - fixed);
    if (expected == 0) {
      EXPECT_EQ(extra, 0) << menuID;
      return;
    }
    ASSERT_EQ(std::size_t(extra), expected + (fixed > 0 ? 1 : 0)) << menuID;
    if (fixed > 0) {
      EXPECT_TRUE(m.GetItem(std::int16_t(fixed + 1))->separator);
    }
    CommandT last = range.first - 1;
    for (std::int16_t i = std::int16_t(fixed + (fixed > 0 ? 2 : 1)); i <= m.CountItems(); ++i) {
      const CommandT c = m.GetItem(i)->command;
      EXPECT_TRUE(range.Contains(c)) << menuID << " item " << i << " command " << c;
      EXPECT_GT(c, last);
      last = c;
    }
  }

  static std::vector<std::string> Names(int n, const std::string& stem = "n") {
    std::vector<std::string> v;
    for (int i = 1; i <= n; ++i) v.push_back(stem + std::to_string(i));
    return v;
  }

  LMenuBar bar{kKxMenuBarID};
};

TEST_F(DynamicMenusTest, FamiliesStayInsideTheirRanges) {
  struct Case {
    int count;
    std::size_t shownWindows, shownMarks, shownMacros, shownForms;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0}, {1, 1, 1, 1, 1}, {50, 50, 50, 50, 50}, {67, 67, 67, 50, 67}, {90, 90, 90, 50, 67},
      {91, 90, 91, 50, 67}, {400, 90, 0, 50, 67},   // marks: as many as a menu holds
  };
  for (const Case& c : cases) {
    std::vector<UWindowMenu::Document> docs;
    for (const std::string& n : Names(c.count)) docs.push_back({n, false, false});
    UWindowMenu::UpdateMenu(docs);
    UMarkMenu::UpdateMenu(true, false, Names(c.count));
    UMacroMenu::UpdateMenu(Names(c.count));
    UFormMenu::UpdateMenu(Names(c.count));
    CheckFamily(kKxWindowMenu, kKxWindowCommands, c.shownWindows);
    CheckFamily(kKxMacroMenu, kKxMacroCommands, c.shownMacros);
    CheckFamily(kKxFormMenu, kKxFormCommands, c.shownForms);
    if (c.count <= 200) {
      CheckFamily(kKxMarkMenu, kKxMarkCommands, c.shownMarks);
    } else {
      EXPECT_LE(Menu(kKxMarkMenu).CountItems(), 255);
      EXPECT_LE(Menu(kKxMarkMenu).GetItem(Menu(kKxMarkMenu).CountItems())->command, kKxMarkCommands.last);
    }
  }
}

TEST_F(DynamicMenusTest, WindowItemsShowTheDocumentsStateAndFirstNineKeys) {
  UWindowMenu::UpdateMenu({{"a", false, false}, {"b", true, false}, {"c", false, true}, {"d", true, true}});
  const std::int16_t first = std::int16_t(KxFixedItemCount(kKxWindowMenu) + 2);
  const std::uint16_t icons[] = {kKxIconText, kKxIconModified, kKxIconReadOnly, kKxIconModified};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(KxMenuItemIcon(kKxWindowMenu, std::int16_t(first + i)), icons[i]) << i;
    EXPECT_EQ(Menu(kKxWindowMenu).GetItem(std::int16_t(first + i))->key, '1' + i);
  }
  // A rebuild with fewer documents leaves no stale items or icons.
  UWindowMenu::UpdateMenu({{"a", true, false}});
  CheckFamily(kKxWindowMenu, kKxWindowCommands, 1);
  EXPECT_EQ(KxMenuItemIcon(kKxWindowMenu, first), kKxIconModified);
  EXPECT_EQ(KxMenuItemIcon(kKxWindowMenu, std::int16_t(first + 1)), kKxIconNone);
}

TEST_F(DynamicMenusTest, UnnamedMacrosKeepTheirNumbers) {
  UMacroMenu::UpdateMenu({"one", "", "three"});
  LMenu& m = Menu(kKxMacroMenu);
  const std::int16_t first = std::int16_t(KxFixedItemCount(kKxMacroMenu) + 2);
  ASSERT_EQ(m.CountItems(), first + 1);
  EXPECT_EQ(m.GetItem(first)->command, kKxMacroCommands.first);
  EXPECT_EQ(m.GetItem(first + 1)->command, kKxMacroCommands.first + 2);
  // Only unnamed ones: nothing, not even a separator.
  UMacroMenu::UpdateMenu({"", ""});
  CheckFamily(kKxMacroMenu, kKxMacroCommands, 0);
}

TEST_F(DynamicMenusTest, MarksHideWhileTheMarkListShows) {
  UMarkMenu::UpdateMenu(true, true, Names(3));
  CheckFamily(kKxMarkMenu, kKxMarkCommands, 0);
  UMarkMenu::UpdateMenu(false, false, Names(3));
  CheckFamily(kKxMarkMenu, kKxMarkCommands, 0);
  UMarkMenu::UpdateMenu(true, false, Names(3));
  CheckFamily(kKxMarkMenu, kKxMarkCommands, 3);
}

TEST_F(DynamicMenusTest, RegisteredFontsStopAtTwenty) {
  std::vector<std::uint8_t> entry(kKxFontregSize, 0);
  for (int i = 1; i <= 21; ++i) {
    const std::string name = "font" + std::to_string(i);
    entry.assign(kKxFontregSize, 0);
    entry[0] = std::uint8_t(name.size());
    std::copy(name.begin(), name.end(), entry.begin() + 1);
    EXPECT_EQ(UFontregMenu::InsertFontreg(entry.data(), entry.size()), i <= kKxMaxFontreg) << i;
  }
  EXPECT_FALSE(UFontregMenu::InsertFontreg(entry.data(), kKxFontregSize - 1));
  UFontregMenu::UpdateMenu();
  CheckFamily(kKxFormatMenu, kKxFontregCommands, 20);
  EXPECT_TRUE(UFontregMenu::DeleteFontreg(20));
  EXPECT_FALSE(UFontregMenu::DeleteFontreg(20));
  std::string name;
  EXPECT_TRUE(UFontregMenu::GetFontregName(19, name));
  EXPECT_EQ(name, "font19");
  // A count that claims more than the block holds reads only what is there.
  gFontregCount = 40;
  UFontregMenu::UpdateMenu();
  CheckFamily(kKxFormatMenu, kKxFontregCommands, 19);
}

TEST_F(DynamicMenusTest, HelpListsTextFilesButNoWebPages) {
  const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "kx_help_test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "sub");
  for (const char* name : {"b.txt", "a.txt", "c.htm", "d.HTML", "._a.txt"}) std::ofstream(dir / name) << "x";
  UHelpMenu::UpdateMenu(dir.string());
  LMenu& m = Menu(kKxHelpMenu);
  // About and its separator lead, as the resource has them.
  ASSERT_EQ(m.CountItems(), 6);
  EXPECT_EQ(m.GetItem(1)->command, kKxCmdAbout);
  EXPECT_TRUE(m.GetItem(2)->separator);
  EXPECT_EQ(m.GetItem(3)->text, "a.txt");
  EXPECT_EQ(m.GetItem(3)->command, kKxHelpCommands.first);
  EXPECT_EQ(m.GetItem(4)->text, "b.txt");
  EXPECT_EQ(m.GetItem(4)->command, kKxHelpCommands.first + 1);
  EXPECT_TRUE(m.GetItem(5)->separator);
  EXPECT_EQ(m.GetItem(6)->command, kKxCmdHelpInformation);
  EXPECT_EQ(UKXFSpec::GetCount(gHelpFInfoHandle), 2);
  // Without the folder only the fixed items stay, About first and the
  // information item last, again and again.
  UHelpMenu::UpdateMenu((dir / "missing").string());
  UHelpMenu::UpdateMenu((dir / "missing").string());
  ASSERT_EQ(m.CountItems(), 3);
  EXPECT_EQ(m.GetItem(1)->command, kKxCmdAbout);
  EXPECT_EQ(m.GetItem(3)->command, kKxCmdHelpInformation);
  std::filesystem::remove_all(dir);
}

TEST(DynamicMenusText, Utf8BecomesMenuText) {
  EXPECT_EQ(KxMenuTextFromUTF8("IPA\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF"), "IPA\x83\x53\x83\x56\x83\x62\x83\x4E");
  EXPECT_EQ(KxMenuTextFromUTF8("a\xFF\xC3"), "a");   // broken sequences are left out
  EXPECT_LE(KxMenuTextFromUTF8(std::string(600, 'x')).size(), kKxMaxNameBytes);
}

}  // namespace
