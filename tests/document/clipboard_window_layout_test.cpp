// The clipboard window's panes keep clear of each other at every size the
// window takes, down to its minimum.
#include <string>
#include <vector>

#include "app/app_commands.h"
#include "doc_app_fixture.h"
#include "document/clipboard_window.h"

namespace {

using ClipboardWindowLayout = kxtest::DocAppTest;

bool Overlap(const RectL& a, const RectL& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST_F(ClipboardWindowLayout, NoPaneOverlapsAnotherAtAnySize) {
  Command(kKxCmdShowClipboard);
  LWindow* window = nullptr;
  for (KxWindowID w : host.WindowList())
    if (auto* lw = dynamic_cast<LWindow*>(host.GetWindowClient(w)); lw && lw->FindPaneByID(kKxClipList))
      window = lw;
  ASSERT_NE(window, nullptr);
  Rect minMax;
  window->GetMinMaxSize(minMax);
  const Rect start = window->GetGlobalBounds();
  constexpr PaneIDT kScroller = 1109, kNameCaption = 1110;   // the layout's own, unnamed in the program
  const PaneIDT panes[] = {kScroller, kKxClipList, kNameCaption, kKxClipName, kKxClipStore, kKxClipDelete, kKxClipKeep};
  const std::pair<int, int> sizes[] = {{minMax.left, minMax.top}, {minMax.left, 500}, {900, minMax.top}, {900, 600}};
  for (auto [width, height] : sizes) {
    window->DoSetBounds(
        Rect{start.top, start.left, std::int16_t(start.top + height), std::int16_t(start.left + width)});
    const Rect now = window->GetGlobalBounds();
    ASSERT_EQ(now.right - now.left, width);
    ASSERT_EQ(now.bottom - now.top, height);
    std::vector<RectL> frames;
    for (PaneIDT id : panes) {
      LPane* p = window->FindPaneByID(id);
      ASSERT_NE(p, nullptr) << id;
      frames.push_back(p->CalcPortFrameRect());
      const RectL& f = frames.back();
      EXPECT_TRUE(f.left >= 0 && f.top >= 0 && f.left < f.right && f.right <= width && f.bottom <= height)
          << id << " at " << width << "x" << height;
    }
    for (std::size_t i = 0; i < frames.size(); ++i)
      for (std::size_t j = i + 1; j < frames.size(); ++j)
        EXPECT_FALSE(Overlap(frames[i], frames[j]))
            << panes[i] << " and " << panes[j] << " at " << width << "x" << height;
  }
}

}  // namespace
