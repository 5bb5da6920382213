// The tool palette and the function-key bar with the program's documents:
// commands 1501 and 1502 and their check marks, and a zoomed document
// leaving room for both.
#include <gtest/gtest.h>

#include <cairo.h>

#include <fstream>
#include <vector>

#include "doc_app_fixture.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "platform/draw/port.h"
#include "views/text_function_bar.h"
#include "views/text_toolbar.h"

namespace {

constexpr CommandT kPalette = 1501, kFunctionBar = 1502;
constexpr std::uint16_t kCheck = 18;

// The preferences outlive each test: every test starts with the palette
// shown and the bar closed, as the factory settings have them, and leaves
// them so.
class PalettesDocTest : public kxtest::DocAppTest {
 protected:
  void SetUp() override {
    DocAppTest::SetUp();
    if (!CKXTextToolbar::IsTextToolbar()) Command(kPalette);
    if (CKXTextFunctionBar::IsTextFunctionBar()) Command(kFunctionBar);
  }
  void TearDown() override {
    if (!CKXTextToolbar::IsTextToolbar()) Command(kPalette);
    if (CKXTextFunctionBar::IsTextFunctionBar()) Command(kFunctionBar);
    DocAppTest::TearDown();
  }
  std::uint16_t Mark(CommandT c) {
    Boolean enabled = false, usesMark = false;
    std::uint16_t mark = 0;
    Str255 name = {0};
    LCommander::GetTarget()->ProcessCommandStatus(c, enabled, usesMark, mark, name);
    EXPECT_TRUE(enabled) << c;
    return mark;
  }
};

TEST_F(PalettesDocTest, CommandsShowAndCloseWithTheirCheckMarks) {
  std::ofstream(dir / "a.txt", std::ios::binary) << "one\r";
  ASSERT_NE(Open(dir / "a.txt"), nullptr);
  EXPECT_TRUE(CKXTextToolbar::IsTextToolbar());
  EXPECT_EQ(Mark(kPalette), kCheck);
  EXPECT_NE(Mark(kFunctionBar), kCheck);
  Command(kFunctionBar);
  EXPECT_TRUE(CKXTextFunctionBar::IsShowTextFunctionBar());
  EXPECT_EQ(Mark(kFunctionBar), kCheck);
  Command(kPalette);
  EXPECT_FALSE(CKXTextToolbar::IsTextToolbar());
  EXPECT_NE(Mark(kPalette), kCheck);
  Command(kFunctionBar);
  EXPECT_FALSE(CKXTextFunctionBar::IsTextFunctionBar());
  EXPECT_NE(Mark(kFunctionBar), kCheck);
}

TEST_F(PalettesDocTest, AZoomedDocumentLeavesRoomForThePaletteAndTheBar) {
  std::ofstream(dir / "a.txt", std::ios::binary) << "one\r";
  CKXTextDocument* d = Open(dir / "a.txt");
  ASSERT_NE(d, nullptr);
  Command(kFunctionBar);
  ASSERT_TRUE(CKXTextToolbar::IsShowTextToolbar());
  ASSERT_TRUE(CKXTextFunctionBar::IsShowTextFunctionBar());
  Rect bar;
  CKXTextFunctionBar::GetFunctionBounds(bar);
  const Rect palette = LWindow::FetchWindowOf(CKXTextToolbar::Get())->GetGlobalBounds();
  d->GetWindow()->DoSetZoom(true);
  const Rect zoomed = d->GetWindow()->GetGlobalBounds();
  EXPECT_GE(zoomed.top, palette.bottom);
  EXPECT_LE(zoomed.bottom, bar.top);
  // Without them the zoom takes the whole screen's height again.
  d->GetWindow()->DoSetZoom(false);
  Command(kFunctionBar);
  Command(kPalette);
  d->GetWindow()->DoSetZoom(true);
  const Rect whole = d->GetWindow()->GetGlobalBounds();
  EXPECT_LT(whole.top, zoomed.top);
  EXPECT_GT(whole.bottom, zoomed.bottom);
}

// The pixels of the palette's rectangle n as its window holds them.
std::vector<std::uint32_t> ButtonPixels(int n) {
  CKXTextToolbar* bar = CKXTextToolbar::Get();
  const RectL& r = bar->GetLayout().rects[std::size_t(n)];
  cairo_surface_t* s = LWindow::FetchWindowOf(bar)->GetDrawPort()->Surface();
  cairo_surface_flush(s);
  std::vector<std::uint32_t> out;
  for (std::int32_t v = r.top; v < r.bottom; ++v) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                             v * cairo_image_surface_get_stride(s));
    for (std::int32_t h = r.left; h < r.right; ++h) out.push_back(row[h] & 0xFFFFFF);
  }
  return out;
}

TEST_F(PalettesDocTest, ANewFindStringShowsInThePaletteAtOnce) {
  std::ofstream(dir / "a.txt", std::ios::binary) << "needle and thread\r";
  CKXTextDocument* d = Open(dir / "a.txt");
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(CKXTextToolbar::IsTextToolbar());
  d->GetEngine()->SetSelectionRange(SKXRange{0, 6}, false);
  ASSERT_TRUE(CKXTextToolbar::Get()->FocusDraw());
  CKXTextToolbar::Get()->DrawSelf();
  const std::vector<std::uint32_t> before = ButtonPixels(10);
  Command(1204);   // the selection becomes the find string
  EXPECT_NE(ButtonPixels(10), before);
}

}  // namespace
