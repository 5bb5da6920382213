#include "views/file_list_cell.h"

#include "platform/draw/color.h"
#include "platform/draw/port.h"

namespace {
constexpr RGBColor kNoteBlue{0x0000, 0x0000, 0xD400};
constexpr std::int32_t kTextGap = 3;   // after the icon
constexpr std::int32_t kCellInset = 2;

void Highlight(const Rect& r) {
  LMSetHiliteMode(LMGetHiliteMode() & std::uint8_t(~kHiliteModeOff));
  InvertRect(&r);
}
}  // namespace

void KXFileListDef(std::int16_t message, bool selected, const Rect& cellRect, const std::string& cell) {
  if (message == kKxListDefHilite) {
    Highlight(cellRect);
    return;
  }
  if (message != kKxListDefDraw) return;
  PenState pen;
  GetPenState(&pen);
  RGBColor fore;
  GetForeColor(&fore);
  EraseRect(&cellRect);
  {
    KxClipScope clip(RectL{cellRect.top, cellRect.left + kCellInset, cellRect.bottom, cellRect.right - kCellInset});
    std::int32_t h = cellRect.left + kCellInset;
    std::size_t from = 0;
    if (!cell.empty() && std::uint8_t(cell[0]) < kKxFileListIconKinds) {
      // The kind's icon slot (the icons themselves are the host's to show).
      h += kKxFileListIconWidth + kTextGap;
      from = 1;
    }
    const std::size_t nul = cell.find('\0', from);
    const std::string name = cell.substr(from, nul == std::string::npos ? std::string::npos : nul - from);
    const std::string note = nul == std::string::npos ? std::string() : cell.substr(nul + 1);
    KxFontInfo info;
    GetFontInfo(&info);
    const std::int32_t all = TextWidth(name.data(), 0, std::int32_t(name.size())) +
                             TextWidth(note.data(), 0, std::int32_t(note.size()));
    if (h + all > cellRect.right - kCellInset) TextFace(kFaceCondense);
    MoveTo(h, cellRect.top + (cellRect.bottom - cellRect.top - info.ascent - info.descent) / 2 + info.ascent);
    DrawText(name.data(), 0, std::int32_t(name.size()));
    RGBForeColor(&kNoteBlue);
    DrawText(note.data(), 0, std::int32_t(note.size()));
    TextFace(0);
  }
  RGBForeColor(&fore);
  SetPenState(&pen);
  if (selected) Highlight(cellRect);
}
