// The key customisation dialog's capture on the application: while it
// shows the menu-key page every command but 1 and the synthetic ones is
// enabled and picked instead of run, and every way the dialog ends (close
// box, quit) ends the capture; OK keeps one entry per command.
#include <gtest/gtest.h>

#include "app/app_commands.h"
#include "app/app_dialog.h"
#include "app/application.h"
#include "app/customize_dialog.h"
#include "app/globals.h"
#include "app/menu_keys.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/menu.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"
#include "views/dialog_box.h"
#include "views/view_classes.h"

namespace {

class CustomizeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KxRegisterFrameworkClasses();
    KxRegisterViewClasses();
  }
  void TearDown() override {
    KxModelessDialog::CloseAll();
    KxModelessDialog::DeleteClosed();
    KxSetGlobalDefaults();
  }
  bool Enabled(CKXTextApp& app, CommandT command) {
    Boolean enabled = false, usesMark = false;
    std::uint16_t mark = 0;
    Str255 name{};
    app.FindCommandStatus(command, enabled, usesMark, mark, name);
    return enabled;
  }
  // The key and modifiers of the menu item of a command.
  static std::pair<std::uint8_t, std::uint16_t> KeyOf(CommandT command) {
    LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
    std::int16_t menuID = 0, item = 0;
    LMenu* menu = nullptr;
    if (!bar || !bar->FindMenuItem(command, menuID, menu, item) || !menu) return {0, 0};
    const KxMenuItem* entry = menu->GetItem(item);
    return entry ? std::make_pair(entry->key, std::uint16_t(entry->modifiers)) : std::make_pair(std::uint8_t(0), std::uint16_t(0));
  }
  KxHeadlessHost host;
  KxAppHooks hooks;
};

}  // namespace

TEST_F(CustomizeTest, CaptureLastsExactlyAsLongAsTheDialog) {
  CKXTextApp app(&hooks);
  app.Prepare();
  ASSERT_TRUE(app.ProcessCommand(1109));
  ASSERT_TRUE(KxCustomizeCapturing());
  EXPECT_TRUE(Enabled(app, 2));   // though a dialog is open
  EXPECT_TRUE(Enabled(app, 10));
  EXPECT_FALSE(Enabled(app, 1));
  EXPECT_FALSE(Enabled(app, LCommander::SyntheticCommandForMenuItem(239, 3)));
  const std::size_t windows = host.WindowList().size();
  EXPECT_TRUE(app.ProcessCommand(2));   // picked, not run
  EXPECT_EQ(host.WindowList().size(), windows);

  // The close box.
  LWindow::FetchFrontWindow()->AttemptClose();
  EXPECT_FALSE(KxCustomizeCapturing());
  EXPECT_FALSE(gDialogOpen);
  // Quit closes what is open.
  ASSERT_TRUE(app.ProcessCommand(1503));
  EXPECT_TRUE(KxCustomizeCapturing());
  KxModelessDialog::CloseAll();
  EXPECT_FALSE(KxCustomizeCapturing());
}

TEST_F(CustomizeTest, OkKeepsTheLaterEntryOfACommand) {
  CKXTextApp app(&hooks);
  app.Prepare();
  UCustomMenu::SetUserKeys({{2, 'K', 0}, {3, 'P', 0}, {2, 'L', 1}});
  ASSERT_TRUE(app.ProcessCommand(1109));
  ASSERT_TRUE(app.ProcessCommand(-2901));
  const std::vector<SMenukey> keys = UCustomMenu::UserKeys();
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].command, 3);
  EXPECT_EQ(keys[1].command, 2);
  EXPECT_EQ(keys[1].key, 'L');
  EXPECT_EQ(keys[1].modifiers, 1);
  EXPECT_FALSE(KxCustomizeCapturing());
  EXPECT_EQ(KeyOf(2), std::make_pair(std::uint8_t('L'), std::uint16_t(0x0200)));

  // Reset to the defaults: the entries go, and so do their keys in the menus.
  ASSERT_TRUE(app.ProcessCommand(1109));
  ASSERT_TRUE(app.ProcessCommand(-2903));
  ASSERT_TRUE(app.ProcessCommand(-2901));
  EXPECT_TRUE(UCustomMenu::UserKeys().empty());
  EXPECT_EQ(KeyOf(2), std::make_pair(std::uint8_t('N'), std::uint16_t(0)));
  EXPECT_EQ(KeyOf(3), std::make_pair(std::uint8_t('O'), std::uint16_t(0)));
}

// The preferences and key-settings dialogs open with their frames clear of
// the tool palette's room at the top of the screen, and on the screen.
TEST_F(CustomizeTest, DialogsOpenClearOfThePalette) {
  static constexpr std::int16_t kRoom = 300;
  const KxPaletteSpaceFn before = KxSetPaletteSpaceHook([] { return Point{kRoom, 0}; });
  CKXTextApp app(&hooks);
  app.Prepare();
  const Rect screen = host.GetScreenBounds();
  for (CommandT command : {kKxCmdPrefDialog, kKxCmdCustomizeKeys}) {
    SCOPED_TRACE(command);
    ASSERT_TRUE(app.ProcessCommand(command));
    LWindow* dialog = LWindow::FetchFrontWindow();
    ASSERT_NE(dialog, nullptr);
    const Rect r = dialog->GetGlobalBounds();
    EXPECT_GE(r.top, screen.top + kRoom);
    EXPECT_LE(r.bottom, screen.bottom);
    EXPECT_GE(r.left, screen.left);
    EXPECT_LE(r.right, screen.right);
    KxModelessDialog::CloseAll();
    KxModelessDialog::DeleteClosed();
  }
  KxSetPaletteSpaceHook(before);
}

