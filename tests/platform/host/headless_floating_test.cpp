// The headless host's floating windows where they overlap: the one shown
// last stands in front, as a desktop maps it.
#include "platform/host/headless.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Quiet : KxWindowClient {
  void HostActivate(bool) override {}
};

TEST(HeadlessFloating, OverlappingFloatingWindowsAnswerTheOneInFront) {
  KxHeadlessHost host;
  Quiet q;
  const unsigned char t[] = "\x01" "A";
  const KxWindowID doc = host.CreateWindow(&q, Rect{0, 0, 300, 300}, t);
  const KxWindowID palette = host.CreateFloatingWindow(&q, Rect{60, 0, 90, 300}, t);
  const KxWindowID list = host.CreateFloatingWindow(&q, Rect{30, 200, 280, 280}, t);
  host.ShowFloatingWindow(palette, true);
  host.ShowFloatingWindow(list, true);
  const Point overlap{70, 220};
  EXPECT_EQ(host.FindWindow(overlap), list);
  EXPECT_EQ(host.FindWindow(Point{70, 20}), palette);
  EXPECT_EQ(host.FindWindow(Point{150, 220}), list);
  EXPECT_EQ(host.FindWindow(Point{150, 20}), doc);
  // Hidden, the list lets the palette take its point; shown again, it is
  // in front again. Showing a shown window changes nothing.
  host.ShowFloatingWindow(list, false);
  EXPECT_EQ(host.FindWindow(overlap), palette);
  host.ShowFloatingWindow(list, true);
  EXPECT_EQ(host.FindWindow(overlap), list);
  host.ShowFloatingWindow(palette, false);
  host.ShowFloatingWindow(palette, true);
  EXPECT_EQ(host.FindWindow(overlap), palette);
  host.ShowFloatingWindow(list, true);
  EXPECT_EQ(host.FindWindow(overlap), palette);
  // The documents' order and the floating windows' list stay as they were.
  const KxWindowID doc2 = host.CreateWindow(&q, Rect{0, 0, 300, 300}, t);
  EXPECT_EQ(host.WindowList(), (std::vector<KxWindowID>{doc2, doc}));
  EXPECT_EQ(host.FloatingWindowList(), (std::vector<KxWindowID>{palette, list}));
  EXPECT_EQ(host.FindWindow(overlap), palette);
  EXPECT_EQ(host.FindWindow(Point{150, 20}), doc2);
}

}  // namespace
