// The key settings pick commands from a document window's menus: while
// the dialog's menu-key page shows, a user who brings the document window
// forward finds its menus offering every command, and a choice there is
// picked for the dialog, never run, not even what the window would answer
// itself (undo) or what the document obeys (close).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/app_dialog.h"
#include "app/customize_dialog.h"
#include "doc_app_fixture.h"
#include "document/text_doc.h"
#include "platform/framework/control.h"
#include "platform/framework/menu.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"

namespace {

constexpr CommandT kClose = 4, kUndo = 11, kFirstLine = 1212, kCustomize = 1109;
constexpr PaneIDT kCommandPopup = 2906;

class KeyPickTest : public kxtest::DocAppTest {
 protected:
  void TearDown() override {
    KxModelessDialog::CloseAll();
    KxModelessDialog::DeleteClosed();
    kxtest::DocAppTest::TearDown();
  }
  // The shown status of a command's menu item, and its choice as the
  // desktop posts it.
  bool ItemEnabled(CommandT command) {
    std::int16_t menuID = 0, item = 0;
    LMenu* menu = nullptr;
    LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
    return bar && bar->FindMenuItem(command, menuID, menu, item) && menu && menu->IsItemEnabled(item);
  }
  void Choose(CommandT command) {
    std::int16_t menuID = 0, item = 0;
    LMenu* menu = nullptr;
    ASSERT_TRUE(LMenuBar::GetCurrentMenuBar()->FindMenuItem(command, menuID, menu, item));
    host.PostMenuChoice(menuID, item);
    Drain();
  }
  LStdPopupMenu* Popup() {
    for (KxWindowID id : host.WindowList())
      if (auto* w = dynamic_cast<LWindow*>(host.GetWindowClient(id)))
        if (auto* p = dynamic_cast<LStdPopupMenu*>(w->FindPaneByID(kCommandPopup))) return p;
    return nullptr;
  }
};

}  // namespace

TEST_F(KeyPickTest, ADocumentWindowsMenusPickInsteadOfRunning) {
  const std::filesystem::path p = dir / "doc.txt";
  std::ofstream(p, std::ios::binary) << "doc";
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  host.PostKey('Q', 0);
  Drain();
  ASSERT_EQ(d->TextBytes(), "Qdoc");

  Command(kCustomize);
  ASSERT_TRUE(KxCustomizeCapturing());
  LWindow* dialog = LWindow::FetchFrontWindow();
  ASSERT_NE(dialog, d->GetWindow());
  // It stays over the document while that window's menus are used.
  EXPECT_TRUE(host.IsUtilityWindow(dialog->GetHostWindow()));
  ASSERT_NE(Popup(), nullptr);
  const std::size_t rows = Popup()->GetItems().size();

  // A click on the document brings it forward; its menus refresh.
  host.SelectWindow(d->GetWindow()->GetHostWindow());
  Drain();
  ASSERT_TRUE(LCommander::GetTarget() && LCommander::GetTarget()->IsOnChainOf(d->GetWindow()));
  app->UpdateMenus();
  for (CommandT c : {kFirstLine, kUndo, kClose}) EXPECT_TRUE(ItemEnabled(c)) << c;

  for (CommandT c : {kFirstLine, kUndo, kClose}) Choose(c);
  EXPECT_EQ(d->TextBytes(), "Qdoc");   // not undone
  EXPECT_EQ(KxTextDocHooks::All().size(), 1u);   // not closed
  EXPECT_TRUE(KxCustomizeCapturing());
  ASSERT_NE(Popup(), nullptr);
  EXPECT_EQ(Popup()->GetItems().size(), rows + 3);
  EXPECT_EQ(Popup()->GetValue(), std::int32_t(rows + 3));   // the last one picked shows

  // The document's own chain picks too (a command sent to the target).
  Command(kFirstLine);
  EXPECT_EQ(Popup()->GetValue(), std::int32_t(rows + 1));

  // The dialog gone, the same choice runs again.
  KxModelessDialog::CloseAll();
  Drain();
  app->UpdateMenus();
  Choose(kUndo);
  EXPECT_EQ(d->TextBytes(), "doc");
}
