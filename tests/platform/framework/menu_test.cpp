// The menu model from the compiled resources: lookups by command, item and
// key; refreshing from the target chain; submenus; layouts by pane ID; and
// every resource number the framework's code uses.
#include "platform/framework/menu.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/exception.h"
#include "platform/framework/layout.h"
#include "platform/framework/registrar.h"
#include "platform/framework/resource_uses.h"
#include "platform/framework/undoer.h"

namespace {

std::string Text(const unsigned char* s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); }

constexpr std::int16_t kEditMenu = 130;
constexpr std::int16_t kFormatMenu = 132;
constexpr std::int16_t kSizeMenu = 251;

TEST(MenuBar, FindsCommandsItemsAndKeys) {
  LMenuBar bar(kKxMenuBarID);
  EXPECT_EQ(LMenuBar::GetCurrentMenuBar(), &bar);
  ASSERT_NE(bar.FetchMenu(kSizeMenu), nullptr);   // submenus are installed too
  EXPECT_GE(bar.GetBarMenus().size(), 3u);
  EXPECT_EQ(bar.GetBarMenus()[1]->GetMenuID(), kEditMenu);

  struct Case {
    std::int16_t menu, item;
    CommandT command;
  };
  for (Case c : {Case{kEditMenu, 1, kKxCmdUndo}, Case{kEditMenu, 2, kKxCmdRedo},
                 Case{kEditMenu, 3, kKxCmdNothing},   // separator
                 Case{kEditMenu, 99, kKxCmdNothing}, Case{999, 1, kKxCmdNothing},
                 Case{kSizeMenu, 3, -(251 * 65536 + 3)}}) {
    EXPECT_EQ(bar.FindCommand(c.menu, c.item), c.command) << c.menu << "/" << c.item;
    if (c.command != kKxCmdNothing) {
      std::int16_t menuID = 0, item = 0;
      LMenu* menu = nullptr;
      ASSERT_TRUE(bar.FindMenuItem(c.command, menuID, menu, item));
      EXPECT_EQ(menuID, c.menu);
      EXPECT_EQ(item, c.item);
    }
  }
  std::int16_t menuID, item;
  LMenu* menu;
  EXPECT_FALSE(bar.FindMenuItem(kKxCmdRedoAlias, menuID, menu, item));

  struct Key {
    std::uint8_t ch;
    std::uint16_t mods;
    bool found;
    CommandT command;
  };
  for (Key k : {Key{'z', kKxEventCommandKey, true, kKxCmdUndo},
                Key{'Z', kKxEventCommandKey | kKxEventShiftKey, true, kKxCmdRedo},
                Key{'z', 0, false, 0},   // without the command key
                Key{'z', kKxEventCommandKey | kKxEventOptionKey, false, 0},
                Key{'!', kKxEventCommandKey, false, 0}}) {
    std::int16_t m = 0, i = 0;
    EXPECT_EQ(bar.FindKeyCommand(k.ch, k.mods, m, i), k.found) << k.ch << " " << k.mods;
    if (k.found) {
      EXPECT_EQ(bar.FindCommand(m, i), k.command);
    }
  }
}

class StatusTarget : public LCommander {
 public:
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override {
    std::int16_t menu, item;
    if (command == kKxCmdUndo) {
      enabled = true;
      name[0] = 4;
      std::memcpy(name + 1, "Undo", 4);
    } else if (LCommander::IsSyntheticCommand(command, menu, item) && menu == kSizeMenu) {
      enabled = item != 1;
      usesMark = true;
      mark = item == 3 ? kKxCheckMark : kKxNoMark;
    } else {
      LCommander::FindCommandStatus(command, enabled, usesMark, mark, name);
    }
  }
};

TEST(MenuBar, UpdateAsksTheTargetChainForEveryItem) {
  LMenuBar bar(kKxMenuBarID);
  StatusTarget target;
  LMenu* edit = bar.FetchMenu(kEditMenu);
  LMenu* size = bar.FetchMenu(kSizeMenu);
  LMenu* format = bar.FetchMenu(kFormatMenu);
  bar.UpdateMenus(&target);
  Str255 text;
  edit->GetItemText(1, text);
  EXPECT_EQ(Text(text), "Undo");
  EXPECT_TRUE(edit->IsItemEnabled(1));
  EXPECT_FALSE(edit->IsItemEnabled(2));
  EXPECT_FALSE(edit->IsItemEnabled(3));   // separators never
  EXPECT_FALSE(size->IsItemEnabled(1));
  EXPECT_TRUE(size->IsItemEnabled(2));
  EXPECT_EQ(size->GetItem(3)->mark, kKxCheckMark);
  EXPECT_TRUE(format->IsItemEnabled(2));    // size submenu has enabled items
  EXPECT_FALSE(format->IsItemEnabled(1));   // the font menu is empty
  // A disabled item is still found by its key (the application swallows it).
  std::int16_t m, i;
  EXPECT_TRUE(bar.FindKeyCommand('Z', kKxEventCommandKey | kKxEventShiftKey, m, i));
  EXPECT_FALSE(bar.FetchMenu(m)->IsItemEnabled(i));
  bar.UpdateMenus(nullptr);
  EXPECT_FALSE(edit->IsItemEnabled(1));
}

// A submenu no resource hangs anywhere (a recent folder's) is installed on
// demand, once; an item that carries it then shows it through the bar.
TEST(MenuBar, InstallsASubmenuNoResourceCarries) {
  constexpr std::int16_t kFolderMenu = 221, kRecentMenu = 220;
  LMenuBar bar(kKxMenuBarID);
  EXPECT_EQ(bar.FetchMenu(kFolderMenu), nullptr);
  LMenu* folder = bar.InstallSubmenu(kFolderMenu);
  ASSERT_NE(folder, nullptr);
  EXPECT_EQ(bar.FetchMenu(kFolderMenu), folder);
  EXPECT_EQ(bar.InstallSubmenu(kFolderMenu), folder);                     // once
  EXPECT_EQ(bar.InstallSubmenu(kRecentMenu), bar.FetchMenu(kRecentMenu));   // a bar resource's own
  EXPECT_EQ(bar.InstallSubmenu(31000), nullptr);
  const unsigned char name[] = "\x01" "a";
  folder->InsertItem(name, 0, 4000);
  LMenu* recent = bar.FetchMenu(kRecentMenu);
  recent->InsertItem(name, 0);
  recent->SetSubmenu(1, kFolderMenu);
  struct Target : LCommander {
    void FindCommandStatus(CommandT command, Boolean& enabled, Boolean&, std::uint16_t&, Str255) override {
      enabled = command == 4000;
    }
  } target;
  bar.UpdateMenus(&target);
  EXPECT_TRUE(recent->IsItemEnabled(1));   // enabled through its submenu's item
}

TEST(Menu, ItemsCanBeInsertedAndDeletedAtAnyPosition) {
  LMenu menu(kSizeMenu);
  const unsigned char big[] = "\x02" "36";
  const unsigned char top[] = "\x03" "top";
  menu.InsertItem(big, 100);   // past the end: appended
  menu.InsertItem(top, 0, 4000);
  menu.InsertSeparator(1);
  EXPECT_EQ(menu.CountItems(), 9);
  EXPECT_EQ(menu.CommandFromIndex(1), 4000);
  EXPECT_EQ(menu.CommandFromIndex(2), kKxCmdNothing);
  EXPECT_EQ(menu.IndexFromCommand(4000), 1);
  Str255 text;
  menu.GetItemText(9, text);
  EXPECT_EQ(Text(text), "36");
  menu.DeleteItem(1);
  menu.DeleteItem(0);
  menu.DeleteItem(50);
  EXPECT_EQ(menu.CountItems(), 8);
  EXPECT_EQ(menu.IndexFromCommand(4000), 0);
  EXPECT_THROW(LMenu missing(31000), LException);
  EXPECT_THROW(LMenuBar missingBar(31000), LException);
}

TEST(Layout, PanesAreFoundByIDWithTheirAttributes) {
  KxLayout doc(1000);
  ASSERT_TRUE(doc.Exists());
  EXPECT_EQ(doc.GetWindow()->classID, FourCC("aewn"));
  const KxLayoutPaneRecord* view = doc.FindPaneByID(1001);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->classID, FourCC("kxtv"));
  EXPECT_EQ(view->superID, 1005);
  ASSERT_NE(doc.FindPaneByID(view->superID), nullptr);
  EXPECT_EQ(doc.FindPaneByID(0), nullptr);
  EXPECT_EQ(doc.FindPaneByID(4242), nullptr);
  std::string title;
  EXPECT_TRUE(KxLayout::GetAttribute(*doc.GetWindow(), "title", title));
  EXPECT_FALSE(title.empty());
  EXPECT_EQ(KxLayout::GetNumber(*doc.GetWindow(), "title", -7), -7);   // not a number
  EXPECT_FALSE(KxLayout(31000).Exists());
  EXPECT_EQ(KxLayout(31000).GetPane(0), nullptr);
  // Every pane's enclosing pane comes before it.
  for (int i = 1; i < doc.CountPanes(); ++i) {
    const std::int32_t super = doc.GetPane(i)->superID;
    if (super == 0) continue;
    bool earlier = false;
    for (int j = 0; j < i; ++j) earlier = earlier || doc.GetPane(j)->paneID == super;
    EXPECT_TRUE(earlier) << i;
  }
}

LPane* MakeNothing(const KxLayoutPaneRecord&) { return nullptr; }
int gMade = 0;
LPane* CountMade(const KxLayoutPaneRecord&) {
  ++gMade;
  return nullptr;
}

TEST(Registrar, ClassIDsMapToTheirCreators) {
  const std::size_t before = URegistrar::CountClasses();
  URegistrar::RegisterClass(FourCC("kxtv"), MakeNothing);
  URegistrar::RegisterClass(FourCC("kxtv"), CountMade);   // replaces
  EXPECT_EQ(URegistrar::FindClass(FourCC("kxtv")), &CountMade);
  EXPECT_EQ(URegistrar::FindClass(FourCC("nope")), nullptr);
  KxLayout doc(1000);
  for (int i = 0; i < doc.CountPanes(); ++i) URegistrar::CreateObject(*doc.GetPane(i));
  EXPECT_EQ(gMade, 1);
  URegistrar::UnregisterClass(FourCC("kxtv"));
  EXPECT_EQ(URegistrar::CountClasses(), before);
}

TEST(Resources, EveryNumberTheFrameworkUsesResolves) {
  std::size_t count = 0;
  const KxResourceUse* uses = KxFrameworkResourceUses(count);
  EXPECT_GT(count, 0u);
  EXPECT_TRUE(KxUnresolvedResources(uses, count).empty());
  // The check itself notices what is missing.
  const KxResourceUse bad[] = {
      {KxResourceKind::kStringItem, kKxUndoStringsID, 999, "a"},
      {KxResourceKind::kMenu, 31000, 0, "b"},
      {KxResourceKind::kMenuBar, 31000, 0, "c"},
      {KxResourceKind::kCommand, kKxCmdRedoAlias, kKxMenuBarID, "d"},
      {KxResourceKind::kMenuItem, kEditMenu, 99, "e"},
      {KxResourceKind::kLayoutPane, 1000, 4242, "f"},
      {KxResourceKind::kLayoutPane, 31000, 0, "g"},
  };
  EXPECT_EQ(KxUnresolvedResources(bad, std::size(bad)).size(), std::size(bad));
  const KxResourceUse good[] = {
      {KxResourceKind::kCommand, -(251 * 65536 + 1), kKxMenuBarID, "synthetic"},
      {KxResourceKind::kMenuItem, kEditMenu, 2, "redo item"},
      {KxResourceKind::kLayoutPane, 1000, 1001, "text view"},
  };
  // Synthetic commands are not carried by items: only the plain ones count.
  EXPECT_EQ(KxUnresolvedResources(good, std::size(good)).size(), 1u);
}

}  // namespace
