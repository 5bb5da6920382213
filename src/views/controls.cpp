#include "views/controls.h"

#include <algorithm>
#include <cstring>

#include "platform/draw/color.h"
#include "platform/framework/layout.h"
#include "platform/host/host.h"
#include "platform/memory.h"
#include "platform/toolbox/environment.h"
#include "platform/toolbox/pict.h"
#include "views/preview.h"

namespace {
constexpr std::size_t kMaxCellCopy = 255;
constexpr std::uint8_t kReturn = 13;
constexpr std::int16_t kGroupTitleIndent = 8;   // from the box's left edge to the title's box
constexpr std::int16_t kGroupTitlePad = 6;      // the title's box is this much wider than the title
constexpr std::int16_t kTabSlant = 4;           // a tab starts this far right of its frame
constexpr std::int16_t kTabCorner = 3;
constexpr std::int16_t kColTitleDrop = 2;       // the title sits this much below centre

Rect Inset(const Rect& r, int d) {
  return Rect{std::int16_t(r.top + d), std::int16_t(r.left + d), std::int16_t(r.bottom - d),
              std::int16_t(r.right - d)};
}

void Line(int h1, int v1, int h2, int v2) {
  MoveTo(h1, v1);
  LineTo(h2, v2);
}
}  // namespace

// ---- KXListBox

KXListBox::KXListBox(const KxLayoutPaneRecord& record) : LListBox(record) {
  mBroadcast = Flag(record, "broadcast", true);
  mCopyAllowed = Flag(record, "copy", true);
  // The layout's double-click message is the selection message, unless
  // "select" gives the selection one of its own.
  mSelectionMessage = KxLayout::GetNumber(record, "select", mDoubleClickMessage);
}

void KXListBox::BroadcastIfChanged(std::int32_t before) {
  if (mBroadcast && GetValue() != before) BroadcastMessage(mSelectionMessage, this);
}

void KXListBox::ChooseRows(const std::vector<std::int32_t>& rows) {
  SetSelectedRows(rows);
  if (mBroadcast) BroadcastMessage(mSelectionMessage, this);
}

void KXListBox::ClickSelf(const SMouseDownEvent& event) {
  const std::int32_t before = GetValue();
  LListBox::ClickSelf(event);
  BroadcastIfChanged(before);
}

bool KXListBox::DoNavigationKey(const EventRecord& event) {
  const std::int32_t before = GetValue();
  const bool handled = LListBox::DoNavigationKey(event);
  BroadcastIfChanged(before);
  return handled;
}

bool KXListBox::ObeyCommand(CommandT command, void* param) {
  if (command == kKxCmdCopy && mCopyAllowed) {
    CopyScrap();
    return true;
  }
  return LListBox::ObeyCommand(command, param);
}

void KXListBox::FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                                  Str255 name) {
  if (command == kKxCmdCopy && mCopyAllowed) {
    enabled = !GetSelectedRows().empty();
    return;
  }
  LListBox::FindCommandStatus(command, enabled, usesMark, mark, name);
}

void KXListBox::CopyScrap() {
  std::string text;
  try {
    for (std::int32_t row : GetSelectedRows()) {
      const std::string& cell = GetCell(row);
      text.append(cell, 0, std::min(cell.size(), kMaxCellCopy));
      text += char(kReturn);
    }
  } catch (const std::bad_alloc&) {
    return;   // nothing is put
  }
  KxHost& host = KxCurrentHost();
  host.ClearClipboard();
  host.PutClipboard(FourCC("TEXT"), text.data(), text.size());
}

void KXListBox::DrawSelf() {
  LListBox::DrawSelf();
  // The bevel on the frame's edge.
  const Rect r = CalcLocalFrameRect16();
  UKXColor::DrawFrameShadow(Inset(r, 1), IsEnabled());
  RGBForeColor(IsEnabled() ? &UKXColor::sBlackColor : &UKXColor::sGrayColor);
  PenNormal();
  const Rect outline = Inset(r, 1);
  FrameRect(&outline);
}

// ---- KXGroupBox

KXGroupBox::KXGroupBox(const KxLayoutPaneRecord& record) : LView(record) {
  KxLayout::GetAttribute(record, "title", mTitle);
  mTitleSpace = std::int16_t(std::clamp(KxLayout::GetNumber(record, "titleSpace", 0), 0, 32767));
}

void KXGroupBox::SetTitleSpace(std::int16_t width) {
  mTitleSpace = std::max<std::int16_t>(0, width);
  Refresh();
}

void KXGroupBox::GetDescriptor(Str255 out) const {
  out[0] = std::uint8_t(std::min<std::size_t>(mTitle.size(), 255));
  std::memcpy(out + 1, mTitle.data(), out[0]);
}

void KXGroupBox::SetDescriptor(ConstStringPtr title) {
  mTitle.assign(reinterpret_cast<const char*>(title + 1), title[0]);
  Refresh();
}

Rect KXGroupBox::CalcTextBoxFrame() const {
  const Rect f = CalcLocalFrameRect16();
  StKxPortSaver saver(GetDrawPort());
  KxFontInfo info;
  GetFontInfo(&info);
  const std::int32_t width = mTitleSpace > 0 ? mTitleSpace : TextWidth(mTitle.data(), 0, std::int32_t(mTitle.size()));
  const std::int16_t left = std::int16_t(f.left + kGroupTitleIndent);
  return Rect{f.top, left, std::int16_t(f.top + info.ascent + info.descent + info.leading),
              KxPinShort(left + width + kGroupTitlePad)};
}

void KXGroupBox::DrawBorder(const Rect& r) {
  PenNormal();
  if (r.bottom - r.top <= 1 || r.right - r.left <= 1) {
    // A separator.
    RGBForeColor(&UKXColor::sGrayColor);
    Line(r.left, r.top, r.right - 1, r.bottom - 1);
    return;
  }
  // Etched: grey, and white (silver when disabled) one pixel down and right.
  const Rect dark{r.top, r.left, std::int16_t(r.bottom - 1), std::int16_t(r.right - 1)};
  const Rect light{std::int16_t(r.top + 1), std::int16_t(r.left + 1), r.bottom, r.right};
  RGBForeColor(IsEnabled() ? &UKXColor::sWhiteColor : &UKXColor::sSilverGrayColor);
  FrameRect(&light);
  RGBForeColor(&UKXColor::sGrayColor);
  FrameRect(&dark);
}

void KXGroupBox::DrawTitleText(const Rect& box) {
  KxFontInfo info;
  GetFontInfo(&info);
  RGBForeColor(IsEnabled() ? &UKXColor::sBlackColor : &UKXColor::sGrayColor);
  MoveTo(box.left + 3, box.top + info.ascent + info.leading / 2);
  DrawText(mTitle.data(), 0, std::int32_t(mTitle.size()));
}

void KXGroupBox::DrawSelf() {
  const Rect f = CalcLocalFrameRect16();
  const Rect box = CalcTextBoxFrame();
  const std::int16_t middle = std::int16_t((box.top + box.bottom) / 2);
  DrawBorder(Rect{middle, f.left, f.bottom, f.right});
  // The title's box covers the border line.
  RGBBackColor(&UKXColor::sViewFaceColor);
  EraseRect(&box);
  if (mTitleSpace == 0) DrawTitleText(box);
}

// ---- KXIconPane

KXIconPane::~KXIconPane() {
  if (mIcon) DisposeHandle(mIcon);
}

void KXIconPane::SetIconSuite(Handle icon) {
  if (mIcon && mIcon != icon) DisposeHandle(mIcon);
  mIcon = icon;
  Refresh();
}

void KXIconPane::DrawSelf() {
  const Rect f = CalcLocalFrameRect16();
  KxPictPixels pixels;
  if (mIcon && *mIcon &&
      KxPictToPixels(reinterpret_cast<const std::uint8_t*>(*mIcon), std::size_t(std::max<Size>(0, GetHandleSize(mIcon))),
                     pixels)) {
    KxClipScope clip(RectL{f.top, f.left, f.bottom, f.right});
    KxDrawPictPixels(pixels, f.left, f.top);
    return;
  }
  RGBForeColor(&UKXColor::sBlackColor);
  FillRect(&f, &kKxGrayPat);
  PenNormal();
  FrameRect(&f);
}

// ---- KXTabButton

KXTabButton::KXTabButton(const KxLayoutPaneRecord& record) : LControl(record) {
  mMinValue = 0;
  mMaxValue = 1;
  mValue = std::clamp(mValue, 0, 1);
  mTextTraitsID = std::int16_t(KxLayout::GetNumber(record, "traits", 0));
}

void KXTabButton::SetValue(std::int32_t value) {
  const std::int32_t before = mValue;
  LControl::SetValue(value);
  if (mValue != before) Refresh();
  if (value == 1) BroadcastMessage(kKxMsgTabSelected, this);
}

void KXTabButton::SetDescriptor(ConstStringPtr title) {
  LControl::SetDescriptor(title);
  Refresh();
}

void KXTabButton::HotSpotAction(std::int16_t, bool inside, bool) {
  const bool pressed = inside && mValue == 0;
  if (pressed == mPressed) return;
  mPressed = pressed;
  Refresh();
}

void KXTabButton::DrawSelf() {
  const Rect f = CalcLocalFrameRect16();
  const bool selected = mValue == 1 || mPressed;
  const int left = f.left + kTabSlant, right = f.right - 1, top = f.top, base = f.bottom - 1;
  RGBBackColor(&UKXColor::sViewFaceColor);
  const Rect body{f.top, std::int16_t(left), f.bottom, f.right};
  EraseRect(&body);
  if (selected) {
    // The selected tab stands out in white.
    RGBForeColor(&UKXColor::sWhiteColor);
    const Rect inner{std::int16_t(top + 1), std::int16_t(left + 1), std::int16_t(base + 1), std::int16_t(right)};
    PaintRect(&inner);
  }
  PenNormal();
  const bool live = IsEnabled() && IsActive();
  RGBForeColor(live ? &UKXColor::sBlackColor : &UKXColor::sGrayColor);
  MoveTo(left, base);
  LineTo(left, top + kTabCorner);
  LineTo(left + kTabCorner, top);
  LineTo(right - kTabCorner, top);
  LineTo(right, top + kTabCorner);
  LineTo(right, base);
  Line(f.left, base, left, base);
  if (!selected) Line(left, base, right, base);
  // Bevel: white inside the left and top, dark grey inside the right.
  RGBForeColor(&UKXColor::sWhiteColor);
  Line(left + 1, base - (selected ? 0 : 1), left + 1, top + kTabCorner);
  Line(left + kTabCorner, top + 1, right - kTabCorner, top + 1);
  RGBForeColor(&UKXColor::sDarkGrayColor);
  Line(right - 1, top + kTabCorner, right - 1, base - (selected ? 0 : 1));
  ApplyTextColor();
  DrawTitle(Rect{std::int16_t(top + 1), std::int16_t(left), std::int16_t(base), std::int16_t(right)}, true);
}

// ---- KXColButton

namespace {
// Darker than middle grey by the eye's weights (ITU-R BT.601).
bool IsDarkColour(const RGBColor& c) {
  return 299L * c.red + 587L * c.green + 114L * c.blue < 1000L * 0x8000;
}
}  // namespace

KXColButton::KXColButton(const KxLayoutPaneRecord& record) : LStdButton(record) {}

void KXColButton::SetTitleColor(const RGBColor& c) {
  mTitleColor = c;
  mTitleColorSet = true;
  Refresh();
}

void KXColButton::HotSpotAction(std::int16_t, bool inside, bool) {
  if (inside == mPressed) return;
  mPressed = inside;
  Refresh();
}

void KXColButton::DrawSelf() {
  const Rect f = CalcLocalFrameRect16();
  const bool enabled = IsEnabled() && IsActive();
  RGBColor outline = UKXColor::sBlackColor;
  if (!enabled) UKXColor::Lighten(outline, outline);
  PenNormal();
  RGBForeColor(&outline);
  FrameRect(&f);
  const Rect bevel = Inset(f, 1);
  if (enabled) {
    RGBForeColor(&UKXColor::sWhiteColor);
    UKXColor::TopLeftSide(bevel, 0, 0, 1, 1);
    RGBForeColor(&UKXColor::sDarkGrayColor);
    UKXColor::BottomRightSide(bevel, 0, 0, 0, 0);
  }
  RGBForeColor(&UKXColor::sSilverGrayColor);
  const Rect silver = Inset(f, 2);
  FrameRect(&silver);
  RGBColor fill = mFill;
  if (!enabled) UKXColor::Lighten(fill, fill);
  RGBForeColor(&fill);
  const Rect inside = Inset(f, 3);
  PaintRect(&inside);
  // A title that is only a name must show on any fill: white on a dark
  // one. A colour the owner gave is a sample and stays.
  RGBColor title = IsDarkColour(fill) ? UKXColor::sWhiteColor : UKXColor::sBlackColor;
  if (mTitleColorSet) title = mTitleColor;
  if (!enabled) UKXColor::Lighten(title, title);
  RGBForeColor(&title);
  DrawTitle(Rect{std::int16_t(f.top + kColTitleDrop), f.left, std::int16_t(f.bottom + kColTitleDrop), f.right}, true);
  if (mPressed) InvertRect(&inside);
}
