// The GTK host's floating windows where they overlap (under Xvfb, with a
// window manager): a click goes to the window the desktop gave it to, and
// a point asked for without a click answers the one stacked in front.
#include "platform/gtk/gtk_host.h"

#include <gtest/gtest.h>
#include <glib.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

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

}  // namespace
