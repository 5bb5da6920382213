#include "views/colour_popup.h"

#include "layout/draw_toolkit.h"
#include "platform/draw/port.h"

namespace {
// The swatch: square to the height of the text, left of the arrow.
constexpr std::int16_t kInset = 4, kArrowRoom = 20, kSwatchWidth = 22;
}  // namespace

void KXColourPopup::DrawSelf() {
  LStdPopupMenu::DrawSelf();
  if (GetValue() < 1 || std::size_t(GetValue()) > GetItems().size()) return;
  const Rect r = CalcLocalFrameRect16();
  const Rect swatch{std::int16_t(r.top + kInset), std::int16_t(r.right - kArrowRoom - kSwatchWidth),
                    std::int16_t(r.bottom - kInset), std::int16_t(r.right - kArrowRoom)};
  RGBColor colour{};
  KxGetRGBColor(GetValue() - 1, colour);
  RGBForeColor(&colour);
  PaintRect(&swatch);
  ApplyTextColor();
  FrameRect(&swatch);
}
