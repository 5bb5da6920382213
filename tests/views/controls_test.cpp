// The program's controls: list box broadcasts and copying, the group box's
// title space, tabs, the colour button's title, the preview's checks, the
// thumb mapping, finding broadcasters.
#include "views/controls.h"

#include <cairo.h>

#include <cstring>
#include <random>

#include "platform/memory.h"
#include "views/preview.h"
#include "views/scroller.h"
#include "views_fixture.h"

namespace {

constexpr PaneIDT kGroup = 3965, kList = 3967, kTabGeneral = 3968, kTabColor = 3969, kScroller = 3972,
                  kPreview = 3973, kColourButton = 3970;

struct Ear : LListener {
  std::vector<std::pair<MessageT, void*>> heard;
  void ListenToMessage(MessageT m, void* p) override { heard.emplace_back(m, p); }
};

class ControlsTest : public ViewsTest {};

TEST_F(ControlsTest, ListBoxBroadcastsOnlyChangesAndCopiesItsSelection) {
  KXModalDialog h(kProgramControls, nullptr);
  auto& list = Pane<KXListBox>(h, kList);
  Ear ear;
  list.AddListener(&ear);
  Click(h, kList, 5, 3);        // row 0
  Click(h, kList, 5, 3 + 32);   // later: row 2 (a double click needs time between)
  host.Clock().Advance(100);
  Click(h, kList, 5, 3 + 32);   // the same row again: nothing
  ASSERT_EQ(ear.heard.size(), 2u);
  EXPECT_EQ(ear.heard[0].first, 3967);
  EXPECT_EQ(ear.heard[0].second, &list);
  list.UnselectAllCells();
  ear.heard.clear();
  LCommander::SwitchTarget(&list);
  host.PostKey(kKxCharDownArrow, kKxKeyDown);   // nothing selected: the first row
  Drain(h);
  EXPECT_EQ(list.GetValue(), 0);
  EXPECT_EQ(ear.heard.size(), 1u);

  list.SelectAllCells();
  list.ProcessCommand(kKxCmdCopy);
  std::vector<std::uint8_t> clip;
  ASSERT_TRUE(host.GetClipboard(FourCC("TEXT"), clip));
  EXPECT_EQ(std::string(clip.begin(), clip.end()), "Alpha\rBeta\rGamma\rDelta\r");
}

TEST_F(ControlsTest, GroupBoxTitleSpaceAndBroadcasterLookup) {
  KXModalDialog h(kProgramControls, nullptr);
  auto& group = Pane<KXGroupBox>(h, kGroup);
  group.SetTitleSpace(80);
  const Rect box = group.CalcTextBoxFrame();
  EXPECT_EQ(box.right - box.left, 86);
  auto& dialog = Dialog(h);
  EXPECT_EQ(dialog.GetBroadcasterByID(12345), nullptr);
  EXPECT_EQ(dialog.GetBroadcasterByID(0), nullptr);
  LPane* list = dialog.GetBroadcasterByID(kList);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(dynamic_cast<LBroadcaster*>(list)->HasListener(&dialog));
  EXPECT_EQ(dialog.GetBroadcasterByID(kGroup), &group);   // found, though it does not broadcast
}

TEST_F(ControlsTest, ATabSelectsOnReleaseAndTheSelectedOneIgnoresClicks) {
  KXModalDialog h(kProgramControls, nullptr);
  auto& general = Pane<KXTabButton>(h, kTabGeneral);
  auto& color = Pane<KXTabButton>(h, kTabColor);
  Ear ear;
  general.AddListener(&ear);
  color.AddListener(&ear);
  Click(h, kTabGeneral, 20, 5);
  EXPECT_TRUE(ear.heard.empty());
  Click(h, kTabColor, 20, 5);
  EXPECT_EQ(color.GetValue(), 1);
  ASSERT_FALSE(ear.heard.empty());
  EXPECT_EQ(ear.heard.back().first, kKxMsgTabSelected);
  EXPECT_EQ(ear.heard.back().second, &color);
}

Handle HandleOf(const std::vector<std::uint8_t>& bytes) {
  Handle h = NewHandle(Size(bytes.size()));
  std::copy(bytes.begin(), bytes.end(), reinterpret_cast<std::uint8_t*>(*h));
  return h;
}

// A colour button's title shows on any fill: black on a light one, white
// on a dark one; a title colour the owner gives (a sample) stays.
TEST_F(ControlsTest, AColourButtonsTitleShowsOnItsFill) {
  struct Case {
    RGBColor fill;
    bool ownTitle;
    std::uint32_t title;   // the title's pixels
  } cases[] = {
      {{0xFFFF, 0xFFFF, 0xFFFF}, false, 0x000000},
      {{0, 0, 0}, false, 0xFFFFFF},
      {{0, 0, 0x9000}, false, 0xFFFFFF},       // navy
      {{0xFFFF, 0xFFFF, 0x3000}, false, 0x000000},   // yellow
      {{0, 0, 0}, true, 0xFF0000},
  };
  for (const Case& c : cases) {
    KXModalDialog h(kProgramControls, nullptr);
    Drain(h);
    auto& button = Pane<KXColButton>(h, kColourButton);
    ASSERT_TRUE(button.IsActive());
    button.SetFillColor(c.fill);
    if (c.ownTitle) button.SetTitleColor(RGBColor{0xFFFF, 0, 0});
    h.GetDialog()->UpdatePort();
    KxPort& port = *h.GetDialog()->HostPort();
    cairo_surface_t* s = port.Surface();
    cairo_surface_flush(s);
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    const RectL f = button.CalcPortFrameRect();
    const std::uint32_t fill = (std::uint32_t(c.fill.red >> 8) << 16) | (std::uint32_t(c.fill.green >> 8) << 8) |
                               std::uint32_t(c.fill.blue >> 8);
    int titlePixels = 0, others = 0;
    for (std::int32_t v = f.top + 3; v < f.bottom - 3; ++v)
      for (std::int32_t x = f.left + 3; x < f.right - 3; ++x) {
        std::uint32_t px;
        std::memcpy(&px, data + std::size_t(v) * std::size_t(stride) + std::size_t(x) * 4, 4);
        px &= 0x00FFFFFF;
        if (px == c.title) ++titlePixels;
        else if (px != fill) ++others;
      }
    EXPECT_GT(titlePixels, 20) << std::hex << fill << " " << c.ownTitle;
    EXPECT_EQ(others, 0) << std::hex << fill << " " << c.ownTitle;
  }
}

TEST_F(ControlsTest, PreviewTakesItsImageFromCheckedData) {
  KXModalDialog h(kProgramControls, nullptr);
  auto& preview = Pane<KXPreview>(h, kPreview);
  SDimension32 frame, image;
  preview.GetFrameSize(frame);
  const std::uint32_t px[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0, 0xFFFFFF, 0x123456};
  const std::vector<std::uint8_t> good = KxPictFromPixels(3, 2, px);
  std::vector<std::uint8_t> lying = good;
  lying.resize(lying.size() - 6);   // pixels promised that never come
  struct Case {
    std::vector<std::uint8_t> data;
    bool null;
    OSType type;
    bool hasData;
    std::int32_t width, height;
  } cases[] = {
      {{}, true, kKxPreviewPICT, false, frame.width, frame.height},
      {good, false, kKxPreviewPICT, true, 3, 2},
      {std::vector<std::uint8_t>(good.begin(), good.begin() + 9), false, kKxPreviewPICT, false, frame.width,
       frame.height},
      {lying, false, kKxPreviewPICT, false, frame.width, frame.height},
      {{'h', 'i'}, false, kKxPreviewTEXT, true, kKxPreviewTextImage, kKxPreviewTextImage},
      {{'h', 'i'}, false, FourCC("JPEG"), false, frame.width, frame.height},
  };
  for (const Case& c : cases) {
    preview.SetPreview(c.null ? nullptr : HandleOf(c.data), c.type);
    preview.GetImageSize(image);
    EXPECT_EQ(preview.HasData(), c.hasData);
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    h.GetDialog()->UpdatePort();   // draws without reading past the data
  }
}

TEST(ThumbMapping, CoversTheWholeRangeInOrder) {
  struct Range {
    std::int32_t min, max;
  } ranges[] = {{0, 100}, {-50, 20000}, {0, 65000}, {0, 100000}, {-2000000000, 2000000000}, {10, 40000}};
  for (const Range& r : ranges) {
    const std::int16_t bottom = KxThumbControlValue(r.min, r.min, r.max);
    const std::int16_t top = KxThumbControlValue(r.max, r.min, r.max);
    EXPECT_EQ(KxThumbLongValue(bottom, r.min, r.max), r.min);
    EXPECT_EQ(KxThumbLongValue(top, r.min, r.max), r.max);
    std::int32_t last = r.min;
    for (std::int32_t c = bottom; c <= top; c += 97) {
      const std::int32_t v = KxThumbLongValue(std::int16_t(c), r.min, r.max);
      ASSERT_GE(v, last);
      ASSERT_LE(v, r.max);
      // The control value that shows v maps back no further than one step.
      ASSERT_LE(std::abs(KxThumbControlValue(v, r.min, r.max) - c), 1);
      last = v;
    }
  }
  // Half way covers half the range: a factor truncated first would not.
  EXPECT_EQ(KxThumbLongValue(16384, 0, 65000), 32500);
  EXPECT_EQ(KxThumbLongValue(32767, 0, 100000), 100000);
  EXPECT_EQ(KxThumbLongValue(16383, 0, 100000), 49998);
}

TEST_F(ControlsTest, LiveThumbScrollingMovesTheView) {
  KXModalDialog h(kProgramControls, nullptr);
  auto& scroller = Pane<CKXScroller>(h, kScroller);
  auto& preview = Pane<KXPreview>(h, kPreview);
  preview.ResizeImageTo(100, 70000, false);
  scroller.AdjustScrollBars();
  LScrollBar* bar = scroller.GetVScrollBar();
  ASSERT_NE(bar, nullptr);
  scroller.HandleThumbScroll(bar, 32767);
  EXPECT_EQ(bar->GetValue(), bar->GetMaxValue());
  SPoint32 pos;
  preview.GetScrollPosition(pos);
  SDimension32 frame;
  preview.GetFrameSize(frame);
  EXPECT_EQ(pos.v, 70000 - frame.height);
  EXPECT_EQ(scroller.GetTrackedBar(), nullptr);
}

}  // namespace
