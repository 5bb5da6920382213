// The GTK host's floating windows where they overlap (under Xvfb, with a
// window manager): a click goes to the window the desktop gave it to, a
// point asked for without a click answers the one stacked in front, and
// they stay above a document that the desktop activates itself.
#include "platform/gtk/gtk_host.h"

#include <gtest/gtest.h>
#include <glib.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/draw/port.h"
#include "platform/framework/application.h"

namespace {

class PressClient : public KxWindowClient {
 public:
  explicit PressClient(int width, int height) : port(KxPort::NewImage(width, height)) {}
  std::unique_ptr<KxPort> port;
  int downs = 0;
  void HostActivate(bool) override {}
  void HostUpdate(const Rect&) override {}
  bool HostMouseDown(const EventRecord&) override {
    ++downs;
    return true;
  }
  KxPort* HostPort() override { return port.get(); }
};

Rect R(int left, int top, int right, int bottom) {
  return Rect{std::int16_t(top), std::int16_t(left), std::int16_t(bottom), std::int16_t(right)};
}

// A window manager for the test's span, so that the desktop stacks the
// windows and reports its stacking.
struct WindowManager {
  pid_t pid = -1;
  WindowManager() {
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    char name[] = "openbox";
    char* argv[] = {name, nullptr};
    if (posix_spawnp(&pid, name, &quiet, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&quiet);
  }
  ~WindowManager() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
};

class GtkFloatingTest : public ::testing::Test {
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
  bool Turns(const std::function<bool()>& done, int turns = 200) {
    for (int i = 0; i < turns; ++i) {
      if (done()) return true;
      app.ProcessNextEvent();
    }
    return done();
  }
  void Click(KxWindowID window, Point local) {
    sHost->SynthesizeButton(window, local, true, mTime += 1000);
    sHost->SynthesizeButton(window, local, false, mTime + 50);
  }
  static KxGtkHost* sHost;
  LApplication app;
  std::uint32_t mTime = 1000;
};
KxGtkHost* GtkFloatingTest::sHost = nullptr;

TEST_F(GtkFloatingTest, ClicksWhereFloatingWindowsOverlapGoToTheOneThatTookThem) {
  WindowManager wm;
  ASSERT_GT(wm.pid, 0) << "openbox missing (scripts/setup installs it)";
  app.SetFastWait(true);
  const unsigned char docTitle[] = "\x03" "doc", paletteTitle[] = "\x0A" "kx-palette", listTitle[] = "\x07" "kx-list";
  PressClient doc(500, 400), palette(600, 30), list(200, 280);
  const KxWindowID docID = sHost->CreateWindow(&doc, R(20, 200, 520, 600), docTitle);
  // The palette's right end lies under the list's top rows.
  const KxWindowID paletteID = sHost->CreateFloatingWindow(&palette, R(20, 100, 620, 130), paletteTitle);
  const KxWindowID listID = sHost->CreateFloatingWindow(&list, R(500, 60, 700, 340), listTitle);
  sHost->ShowFloatingWindow(paletteID, true);
  sHost->ShowFloatingWindow(listID, true);
  ASSERT_TRUE(sHost->Flush());
  Turns([] { return false; }, 20);   // the desktop's moves come back
  const Rect p = sHost->GetWindowBounds(paletteID), l = sHost->GetWindowBounds(listID);
  const Point overlap{std::int16_t((std::max(p.top, l.top) + std::min(p.bottom, l.bottom)) / 2),
                      std::int16_t((std::max(p.left, l.left) + std::min(p.right, l.right)) / 2)};
  ASSERT_LT(std::max(p.top, l.top), std::min(p.bottom, l.bottom)) << "they do not overlap";
  ASSERT_LT(std::max(p.left, l.left), std::min(p.right, l.right)) << "they do not overlap";
  auto local = [&](const Rect& b) { return Point{std::int16_t(overlap.v - b.top), std::int16_t(overlap.h - b.left)}; };

  // The list, shown last, is in front: a point asked for answers it.
  EXPECT_EQ(sHost->FindWindow(overlap), listID);
  // The desktop gives the click there to the list: the list takes it.
  Click(listID, local(l));
  ASSERT_TRUE(Turns([&] { return list.downs + palette.downs == 1; }));
  EXPECT_EQ(list.downs, 1);
  EXPECT_EQ(palette.downs, 0);
  // A click the desktop gave the palette at the same point is the palette's.
  Click(paletteID, local(p));
  ASSERT_TRUE(Turns([&] { return list.downs + palette.downs == 2; }));
  EXPECT_EQ(palette.downs, 1);
  EXPECT_EQ(doc.downs, 0);
  // Once other events came, the point answers the window in front again.
  Turns([] { return false; }, 3);
  EXPECT_EQ(sHost->FindWindow(overlap), listID);

  // Raised on the desktop, the palette stands in front of the list.
  gchar* xdotool = g_find_program_in_path("xdotool");
  g_free(xdotool);
  if (xdotool) {
    gint status = -1;
    ASSERT_TRUE(g_spawn_command_line_sync("xdotool search --name ^kx-palette$ windowraise", nullptr, nullptr,
                                          &status, nullptr));
    EXPECT_TRUE(Turns([&] { return sHost->FindWindow(overlap) == paletteID; }, 100));
  }
  // Shown again, the list is mapped in front.
  sHost->ShowFloatingWindow(listID, false);
  ASSERT_TRUE(sHost->Flush());
  EXPECT_EQ(sHost->FindWindow(overlap), paletteID);
  sHost->ShowFloatingWindow(listID, true);
  ASSERT_TRUE(sHost->Flush());
  EXPECT_TRUE(Turns([&] { return sHost->FindWindow(overlap) == listID; }, 100));

  sHost->DestroyWindow(listID);
  sHost->DestroyWindow(paletteID);
  sHost->DestroyWindow(docID);
}

// The desktop's stacking, bottom first, as X window ids.
std::vector<std::string> DesktopStack() {
  gchar* out = nullptr;
  gint status = -1;
  std::vector<std::string> ids;
  if (!g_spawn_command_line_sync("xprop -root _NET_CLIENT_LIST_STACKING", &out, nullptr, &status, nullptr)) return ids;
  const std::string text = out ? out : "";
  g_free(out);
  for (std::size_t at = text.find("0x"); at != std::string::npos; at = text.find("0x", at + 2))
    ids.push_back(std::to_string(std::stoul(text.substr(at), nullptr, 16)));
  return ids;
}

// The X window id of our window with this title.
std::string DesktopWindow(const std::string& title) {
  gchar* out = nullptr;
  gint status = -1;
  const std::string command = "xdotool search --name ^" + title + "$";
  if (!g_spawn_command_line_sync(command.c_str(), &out, nullptr, &status, nullptr)) return {};
  std::string id = out ? out : "";
  g_free(out);
  return id.substr(0, id.find('\n'));
}

TEST_F(GtkFloatingTest, APaletteStaysAboveADocumentTheDesktopActivates) {
  gchar* tools[] = {g_find_program_in_path("xdotool"), g_find_program_in_path("xprop")};
  const bool haveTools = tools[0] && tools[1];
  g_free(tools[0]);
  g_free(tools[1]);
  if (!haveTools) GTEST_SKIP() << "xdotool and xprop missing (scripts/setup installs them)";
  WindowManager wm;
  ASSERT_GT(wm.pid, 0) << "openbox missing (scripts/setup installs it)";
  app.SetFastWait(true);
  const unsigned char backTitle[] = "\x07" "kx-back", frontTitle[] = "\x08" "kx-front";
  const unsigned char paletteTitle[] = "\x0A" "kx-palette";
  PressClient back(500, 400), front(500, 400), palette(300, 40);
  const KxWindowID backID = sHost->CreateWindow(&back, R(20, 100, 520, 500), backTitle);
  const KxWindowID frontID = sHost->CreateWindow(&front, R(60, 140, 560, 540), frontTitle);
  const KxWindowID paletteID = sHost->CreateFloatingWindow(&palette, R(100, 300, 400, 340), paletteTitle);
  sHost->ShowFloatingWindow(paletteID, true);
  ASSERT_TRUE(sHost->Flush());
  Turns([] { return false; }, 20);
  const std::string backX = DesktopWindow("kx-back"), paletteX = DesktopWindow("kx-palette");
  ASSERT_FALSE(backX.empty());
  ASSERT_FALSE(paletteX.empty());
  auto above = [&](const std::string& upper, const std::string& lower) {
    const std::vector<std::string> stack = DesktopStack();
    const auto u = std::find(stack.begin(), stack.end(), upper), l = std::find(stack.begin(), stack.end(), lower);
    return u != stack.end() && l != stack.end() && u > l;
  };
  ASSERT_TRUE(Turns([&] { return above(paletteX, backX); }, 100));
  // The desktop raises and focuses the back window (a click on its title
  // bar, a switch by keyboard) while the palette still belongs to the front
  // one, and so soon after the program brought that one forward that its
  // report first looks stale: the back window still becomes the active one,
  // and the palette stands above it again.
  sHost->SelectWindow(frontID);
  ASSERT_TRUE(sHost->Flush());   // the request reaches the desktop first
  gint status = -1;
  const std::string activate = "xdotool windowactivate " + backX;
  ASSERT_TRUE(g_spawn_command_line_sync(activate.c_str(), nullptr, nullptr, &status, nullptr));
  ASSERT_TRUE(Turns([&] { return sHost->FrontWindow() == backID; }, 200));
  EXPECT_EQ(sHost->TransientFor(paletteID), backID);
  EXPECT_TRUE(Turns([&] {
    sHost->Flush();
    return above(paletteX, backX);
  }, 100)) << "the palette stayed behind the document";

  sHost->DestroyWindow(paletteID);
  sHost->DestroyWindow(frontID);
  sHost->DestroyWindow(backID);
}

}  // namespace
