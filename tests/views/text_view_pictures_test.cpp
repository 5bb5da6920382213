// Pictures from other programs through the text view: a paste of one that
// cannot be read is told as Insert JPEG Picture tells it and changes
// nothing; JPEG data dragged in is taken, or the drop refused.
#include <cstring>
#include <vector>

#include "common/styled_sample.h"
#include "engine/flavor_exchange.h"
#include "layout/pict_jpeg.h"
#include "text_view_fixture.h"

namespace {

using TextViewPictures = kxtest::TextPaneTest;

const std::vector<std::uint8_t> kJPEG = {0xFF, 0xD8, 0xFF, 0xE0, 'o', 'k'};   // the one JPEG that decodes

Handle FakeMaker(const void* jpeg, long size) {
  return size == long(kJPEG.size()) && std::memcmp(jpeg, kJPEG.data(), kJPEG.size()) == 0
             ? reinterpret_cast<Handle>(kxtest::MakePict(2))
             : nullptr;
}

TEST_F(TextViewPictures, PicturesFromOtherProgramsArePastedAndDroppedOrRefused) {
  KxSetJPEGPictureMaker(FakeMaker);
  Open("abcdef", 400, 200);
  const std::vector<std::uint8_t> progressive = {0xFF, 0xD8, 0xFF, 0xC2};
  for (const auto& bytes : {progressive, kJPEG}) {
    host.ClearClipboard();
    host.PutClipboard(kKxFlavorJPEG, bytes.data(), bytes.size());
    engine->Select(1, 3);
    const std::size_t alerts = host.Alerts().size();
    EXPECT_TRUE(panes.view[0]->ObeyCommand(14, nullptr));
    const bool reads = bytes == kJPEG;
    EXPECT_EQ(engine->Text(), reads ? "a\xCA" "def" : "abcdef");
    EXPECT_EQ(engine->GetSelectionRange().length, reads ? 0 : 2);
    ASSERT_EQ(host.Alerts().size(), alerts + (reads ? 0 : 1));
    if (!reads) {
      EXPECT_EQ(host.Alerts().back().kind, KxAlertKind::kStop);
    }
  }
  for (const auto& bytes : {progressive, kJPEG}) {
    KxDragData data;
    data.AddItem(1);
    data.SetFlavor(1, kKxFlavorJPEG, bytes.data(), bytes.size());
    const SPoint32 at = PortOfOffset(0, 0);
    EXPECT_EQ(CKXDragView::ReceiveHostDrop(panes.window, data, Point{std::int16_t(at.v), std::int16_t(at.h)}),
              bytes == kJPEG);
  }
  EXPECT_EQ(engine->Text(), "\xCA" "a\xCA" "def");
  EXPECT_EQ(OracleMismatch(), "");
  KxSetJPEGPictureMaker(nullptr);
  host.ClearClipboard();
}

}  // namespace
