// What the desktop shows of the framework's windows beyond their content
// (under Xvfb): the modified mark beside a document's title, and modeless
// dialogs without a menu bar whose menu keys still reach the application.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/fonts.h"
#include "platform/framework/application.h"
#include "platform/framework/window.h"
#include "platform/gtk/gtk_host.h"

namespace {

constexpr const char* kIpaGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
constexpr CommandT kCmdNew = 2;   // File > New (resources/menus/129.txt)
constexpr int kMaxTurns = 200;

Rect R(int left, int top, int right, int bottom) {
  return Rect{std::int16_t(top), std::int16_t(left), std::int16_t(bottom), std::int16_t(right)};
}

class KeysApp : public LApplication {
 public:
  std::vector<CommandT> obeyed;
  void Build() {
    MakeMenuBar();
    UpdateMenus();
  }
  bool ObeyCommand(CommandT command, void* param) override {
    if (command > 0) {
      obeyed.push_back(command);
      return true;
    }
    return LApplication::ObeyCommand(command, param);
  }
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean&, std::uint16_t&, Str255) override {
    enabled = command > 0;
  }
};

class GtkWindowKindsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string why;
    sHost = KxGtkHost::Open(&why).release();
    ASSERT_NE(sHost, nullptr) << why;
  }
  static void TearDownTestSuite() {
    delete sHost;
    sHost = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(sHost, nullptr);
    KxFontInstallBackend(KxFreeTypeFontBackend(false, {kIpaGothic}));
    app = std::make_unique<KeysApp>();
    app->SetFastWait(true);
    app->Build();
  }
  void TearDown() override {
    for (LWindow* w : windows) delete w;
    for (KxWindowID id : sHost->WindowList()) sHost->DestroyWindow(id);
    app.reset();
    KxFontInstallBackend(nullptr);
  }
  LWindow* NewWindow(const Rect& bounds, const char* title) {
    unsigned char pascal[256];
    pascal[0] = static_cast<unsigned char>(std::string(title).size());
    std::copy(title, title + pascal[0], pascal + 1);
    windows.push_back(new LWindow(bounds, pascal, app.get()));
    return windows.back();
  }
  bool Turns(const std::function<bool()>& done, int turns = kMaxTurns) {
    for (int i = 0; i < turns; ++i) {
      if (done()) return true;
      app->ProcessNextEvent();
    }
    return done();
  }

  static KxGtkHost* sHost;
  std::unique_ptr<KeysApp> app;
  std::vector<LWindow*> windows;
};

KxGtkHost* GtkWindowKindsTest::sHost = nullptr;

// The star is the desktop's alone: the program reads its title back as it
// set it, marked or not, and a new title keeps the mark.
TEST_F(GtkWindowKindsTest, TheModifiedMarkShowsOnlyInTheDesktopsTitle) {
  LWindow* w = NewWindow(R(60, 90, 380, 290), "notes.txt");
  const KxWindowID id = w->GetHostWindow();
  EXPECT_EQ(sHost->ShownTitle(id), "notes.txt");
  w->SetModifiedMark(true);
  EXPECT_EQ(sHost->ShownTitle(id), "*notes.txt");
  const unsigned char renamed[] = "\x09other.txt";
  w->SetDescriptor(renamed);
  EXPECT_EQ(sHost->ShownTitle(id), "*other.txt");
  Str255 title;
  w->GetDescriptor(title);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(title + 1), title[0]), "other.txt");
  w->SetModifiedMark(true);   // again: nothing changes
  EXPECT_EQ(sHost->ShownTitle(id), "*other.txt");
  w->SetModifiedMark(false);
  EXPECT_EQ(sHost->ShownTitle(id), "other.txt");
  EXPECT_TRUE(sHost->Flush());
}

// A modeless dialog loses the bar, keeps its place and stays an ordinary
// window (neither modal nor kept above the others); its menu keys go
// through the application's own lookup as before.
TEST_F(GtkWindowKindsTest, AModelessDialogHasNoMenuBarAndItsKeysStillWork) {
  NewWindow(R(60, 90, 380, 290), "doc.txt");
  const Rect place = R(420, 120, 700, 320);
  LWindow* dialog = NewWindow(place, "dialog");
  const KxWindowID id = dialog->GetHostWindow();
  ASSERT_TRUE(sHost->HasMenuBar(id));
  sHost->SetWindowModeless(id);
  EXPECT_FALSE(sHost->HasMenuBar(id));
  EXPECT_FALSE(sHost->IsModal(id));
  EXPECT_FALSE(sHost->IsUtilityWindow(id));
  EXPECT_EQ(sHost->TransientFor(id), kKxNoWindow);
  ASSERT_TRUE(sHost->Flush());
  const Rect now = sHost->GetWindowBounds(id);
  EXPECT_EQ(now.right - now.left, place.right - place.left);
  EXPECT_EQ(now.bottom - now.top, place.bottom - place.top);
  // The bar stays away when the menus are rebuilt.
  sHost->MenuBarChanged();
  Turns([] { return false; }, 5);
  EXPECT_FALSE(sHost->HasMenuBar(id));

  dialog->Select();
  ASSERT_TRUE(sHost->Flush());
  app->obeyed.clear();
  sHost->SynthesizeKey(id, 'n', kKxEventCommandKey);
  ASSERT_TRUE(Turns([&] { return !app->obeyed.empty(); }));
  EXPECT_EQ(app->obeyed, std::vector<CommandT>{kCmdNew});
}

}  // namespace
