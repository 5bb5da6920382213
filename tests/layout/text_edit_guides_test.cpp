// Guide rules drawn under lines: in the form's colour along each line's far
// edge (bottom in horizontal writing, left in vertical), only with guide
// view on and a style that rules lines, and for lines one point high too.
#include <gtest/gtest.h>

#include <cairo.h>

#include <memory>
#include <vector>
#include <string>

#include "platform/draw/color.h"
#include "layout/text_edit_ex.h"
#include "platform/draw/port.h"
#include "text_edit_fixture.h"

namespace {

constexpr int kSide = 120;

class GuideEdit : private kxtest::SyntheticFont, public CKXTextEditEx {
 public:
  GuideEdit() : CKXTextEditEx(RectL{0, 0, 0, 100}, RectL{0, 0, kSide, kSide}, KxDefaultPageStyl()) {}
};

struct Drawn {
  long redPixels = 0;
  long redRows = 0, redColumns = 0;  // rows and columns holding red
};

Drawn DrawWith(short style, bool guideView, bool vertical) {
  std::unique_ptr<KxPort> port = KxPort::NewImage(kSide, kSide);
  UKXColor::InitColorUtils();
  GuideEdit e;
  const std::string text = "ab cd\ref\rgh";
  e.SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  SKXLineStyl ls = e.GetLineStyl();
  ls.vertical = vertical ? 1 : 0;
  e.SetLineStyl(ls, 0);
  SKXFormStyl form;
  form.formID = 1;
  form.guideStyle = style;
  form.guideColor = RGBColor{0xFFFF, 0, 0};
  e.SetFormStyl(form, 0);
  e.SetGuideView(guideView ? 1 : 0);
  const RectL view{0, 0, kSide, kSide};
  e.Resize(vertical ? RectL{0, 0, 100, kSide} : RectL{0, 0, kSide, 100}, &view);
  e.SetDrawPort(port.get());
  e.Draw(view);
  e.SetDrawPort(nullptr);
  cairo_surface_flush(port->Surface());
  const unsigned char* d = cairo_image_surface_get_data(port->Surface());
  const int stride = cairo_image_surface_get_stride(port->Surface());
  Drawn out;
  std::vector<bool> cols(kSide, false);
  for (int y = 0; y < kSide; ++y) {
    bool rowRed = false;
    const auto* row = reinterpret_cast<const std::uint32_t*>(d + y * stride);
    for (int x = 0; x < kSide; ++x)
      if ((row[x] & 0xFFFFFF) == 0xFF0000) {
        ++out.redPixels;
        rowRed = true;
        cols[size_t(x)] = true;
      }
    out.redRows += rowRed;
  }
  for (bool c : cols) out.redColumns += c;
  return out;
}

TEST(EditGuides, RulesFollowStyleViewAndWriting) {
  // Horizontal writing: three lines 13 high give rules on long rows.
  const Drawn h = DrawWith(4, true, false);
  EXPECT_GT(h.redPixels, 200);
  EXPECT_GE(h.redColumns, 90);
  const Drawn v = DrawWith(4, true, true);
  EXPECT_GT(v.redPixels, 200);
  EXPECT_GE(v.redRows, 90);
  // Guide view off, no style, or the box style: nothing under the lines.
  EXPECT_EQ(DrawWith(4, false, false).redPixels, 0);
  EXPECT_EQ(DrawWith(0, true, false).redPixels, 0);
  EXPECT_EQ(DrawWith(5, true, false).redPixels, 0);
  // The hand-drawn rule wanders across a few rows.
  EXPECT_GT(DrawWith(10, true, false).redRows, DrawWith(6, true, false).redRows);
}

}  // namespace
