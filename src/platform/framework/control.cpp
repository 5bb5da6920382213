#include "platform/framework/control.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"
#include "platform/draw/color.h"
#include "platform/framework/layout.h"
#include "platform/framework/window.h"

namespace {
std::string Attribute(const KxLayoutPaneRecord& record, const char* key) {
  std::string value;
  KxLayout::GetAttribute(record, key, value);
  return value;
}
std::vector<std::string> SplitItems(const std::string& s) {
  std::vector<std::string> items;
  if (s.empty()) return items;
  std::size_t from = 0;
  for (;;) {
    const std::size_t bar = s.find('|', from);
    items.push_back(s.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
    if (bar == std::string::npos) break;
    from = bar + 1;
  }
  return items;
}
void ToPString(const std::string& s, Str255 out) {
  out[0] = std::uint8_t(std::min<std::size_t>(s.size(), 255));
  std::memcpy(out + 1, s.data(), out[0]);
}
SPoint32 LocalOf(const LPane& pane, Point global) {
  SPoint32 pt{global.h, global.v};
  if (const LWindow* window = LWindow::FetchWindowOf(&pane)) pt = window->GlobalToPortPoint(global);
  pane.PortToLocalPoint(pt);
  return pt;
}
bool InRect(const RectL& r, const SPoint32& p) { return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom; }
Rect Narrow(const RectL& r) {
  Rect out;
  KxSetRect(out, r);
  return out;
}
}  // namespace

// ---- LControl

LControl::LControl() = default;

LControl::LControl(const KxLayoutPaneRecord& record) : LPane(record) {
  mMinValue = KxLayout::GetNumber(record, "min", 0);
  mMaxValue = std::max(mMinValue, KxLayout::GetNumber(record, "max", 1));
  mValue = std::clamp(KxLayout::GetNumber(record, "value", 0), mMinValue, mMaxValue);
  mValueMessage = KxLayout::GetNumber(record, "message", 0);
  mTitle = Attribute(record, "title");
}

void LControl::SetValue(std::int32_t value) {
  value = std::clamp(value, mMinValue, mMaxValue);
  if (value == mValue) return;
  mValue = value;
  Refresh();
  BroadcastValueMessage();
}

void LControl::SetMinValue(std::int32_t v) {
  mMinValue = v;
  mMaxValue = std::max(mMaxValue, v);
  if (mValue < v) SetValue(v);
}

void LControl::SetMaxValue(std::int32_t v) {
  mMaxValue = std::max(v, mMinValue);
  if (mValue > mMaxValue) SetValue(mMaxValue);
}

void LControl::BroadcastValueMessage() {
  if (mValueMessage != msg_Nothing) BroadcastMessage(mValueMessage, &mValue);
}

void LControl::GetDescriptor(Str255 out) const { ToPString(mTitle, out); }

void LControl::SetDescriptor(ConstStringPtr title) {
  mTitle.assign(reinterpret_cast<const char*>(title + 1), title[0]);
  Refresh();
}

std::int16_t LControl::FindHotSpot(const SPoint32&) const { return 1; }

bool LControl::PointInHotSpot(const SPoint32& local, std::int16_t) const {
  RectL frame;
  return CalcLocalFrameRect(frame) && InRect(frame, local);
}

void LControl::HotSpotAction(std::int16_t, bool inside, bool wasInside) {
  if (inside == wasInside) return;
  mHilited = inside;
  Refresh();
}

void LControl::SimulateHotSpotClick(std::int16_t hotSpot) {
  if (!IsEnabled() || !IsActive()) return;
  HotSpotAction(hotSpot, true, false);
  HotSpotAction(hotSpot, false, true);
  HotSpotResult(hotSpot);
}

void LControl::ClickSelf(const SMouseDownEvent& event) {
  if (!IsActive()) return;
  mTracking = FindHotSpot(event.whereLocal);
  if (mTracking > 0) HotSpotAction(mTracking, true, false);
}

void LControl::EventMouseUp(const EventRecord& event) {
  const std::int16_t hotSpot = mTracking;
  if (hotSpot <= 0) return;
  mTracking = 0;
  const bool inside = PointInHotSpot(LocalOf(*this, event.where), hotSpot);
  HotSpotAction(hotSpot, false, true);
  if (inside) HotSpotResult(hotSpot);
}

void LControl::ApplyTextColor() const {
  const bool live = IsEnabled() && IsActive();
  RGBForeColor(live ? &UKXColor::sBlackColor : &UKXColor::sGrayColor);
}

void LControl::DrawTitle(const Rect& r, bool centred) const {
  KxFontInfo info;
  GetFontInfo(&info);
  const std::int32_t width = TextWidth(mTitle.data(), 0, std::int32_t(mTitle.size()));
  const std::int32_t h = centred ? r.left + (r.right - r.left - width) / 2 : r.left;
  const std::int32_t v = r.top + (r.bottom - r.top - (info.ascent + info.descent)) / 2 + info.ascent;
  MoveTo(h, v);
  DrawText(mTitle.data(), 0, std::int32_t(mTitle.size()));
}

// ---- LStdButton

void LStdButton::SetDefault(bool on) {
  if (mDefault == on) return;
  mDefault = on;
  Refresh();
}

void LStdButton::DrawSelf() {
  Rect r = CalcLocalFrameRect16();
  RGBBackColor(&UKXColor::sWhiteColor);
  EraseRoundRect(r);
  PenNormal();
  ApplyTextColor();
  if (mDefault) {
    PenSize(2, 2);
    FrameRoundRect(&r, 12, 12);
    PenNormal();
  } else {
    FrameRoundRect(&r, 10, 10);
  }
  Rect inner{std::int16_t(r.top + 2), std::int16_t(r.left + 2), std::int16_t(r.bottom - 2), std::int16_t(r.right - 2)};
  DrawTitle(inner, true);
  if (mHilited) InvertRect(&inner);
}

void LStdButton::EraseRoundRect(const Rect& r) {
  RGBColor saved;
  GetForeColor(&saved);
  RGBForeColor(&UKXColor::sWhiteColor);
  PaintRoundRect(&r, 10, 10);
  RGBForeColor(&saved);
}

// ---- LStdCheckBox

LStdCheckBox::LStdCheckBox(const KxLayoutPaneRecord& record) : LControl(record) {
  mMinValue = 0;
  mMaxValue = 1;
  mValue = std::clamp(mValue, 0, 1);
}

namespace {
constexpr std::int16_t kMarkSize = 12;   // the box of a check box, the circle of a radio button
Rect MarkRect(const Rect& frame) {
  const std::int16_t top = std::int16_t(frame.top + (frame.bottom - frame.top - kMarkSize) / 2);
  return Rect{top, frame.left, std::int16_t(top + kMarkSize), std::int16_t(frame.left + kMarkSize)};
}
Rect TitleRect(const Rect& frame) {
  return Rect{frame.top, std::int16_t(frame.left + kMarkSize + 4), frame.bottom, frame.right};
}
}  // namespace

void LStdCheckBox::DrawSelf() {
  const Rect frame = CalcLocalFrameRect16();
  RGBBackColor(&UKXColor::sViewFaceColor);
  EraseRect(&frame);
  PenNormal();
  ApplyTextColor();
  Rect box = MarkRect(frame);
  RGBBackColor(&UKXColor::sWhiteColor);
  EraseRect(&box);
  FrameRect(&box);
  if (mValue) {
    MoveTo(box.left + 2, box.top + 2);
    LineTo(box.right - 3, box.bottom - 3);
    MoveTo(box.right - 3, box.top + 2);
    LineTo(box.left + 2, box.bottom - 3);
  }
  if (mHilited) {
    PenSize(2, 2);
    FrameRect(&box);
    PenNormal();
  }
  DrawTitle(TitleRect(frame), false);
}

// ---- LStdRadioButton and LRadioGroup

LStdRadioButton::LStdRadioButton(const KxLayoutPaneRecord& record) : LControl(record) {
  mMinValue = 0;
  mMaxValue = 1;
  mValue = std::clamp(mValue, 0, 1);
}

void LStdRadioButton::SetValue(std::int32_t value) {
  const std::int32_t old = mValue;
  LControl::SetValue(value);
  if (mValue == 1 && old == 0 && mGroup) mGroup->RadioTurnedOn(this);
}

void LStdRadioButton::DrawSelf() {
  const Rect frame = CalcLocalFrameRect16();
  RGBBackColor(&UKXColor::sViewFaceColor);
  EraseRect(&frame);
  PenNormal();
  ApplyTextColor();
  Rect circle = MarkRect(frame);
  RGBColor fore;
  GetForeColor(&fore);
  RGBForeColor(&UKXColor::sWhiteColor);
  PaintRoundRect(&circle, kMarkSize, kMarkSize);
  RGBForeColor(&fore);
  FrameRoundRect(&circle, kMarkSize, kMarkSize);
  if (mHilited) FrameRoundRect(&circle, kMarkSize - 2, kMarkSize - 2);
  if (mValue) {
    Rect dot{std::int16_t(circle.top + 3), std::int16_t(circle.left + 3), std::int16_t(circle.bottom - 3),
             std::int16_t(circle.right - 3)};
    PaintRoundRect(&dot, 6, 6);
  }
  DrawTitle(TitleRect(frame), false);
}

LRadioGroup::LRadioGroup(const KxLayoutPaneRecord& record) : LPane(record) {
  mVisible = false;
  mButtonIDs = Attribute(record, "buttons");
}

LRadioGroup::~LRadioGroup() {
  for (LStdRadioButton* r : mRadios) r->mGroup = nullptr;
}

void LRadioGroup::FinishCreateSelf() {
  LWindow* window = LWindow::FetchWindowOf(this);
  if (!window) return;
  std::size_t from = 0;
  while (from < mButtonIDs.size()) {
    std::size_t comma = mButtonIDs.find(',', from);
    if (comma == std::string::npos) comma = mButtonIDs.size();
    const std::int32_t id = std::atoi(mButtonIDs.substr(from, comma - from).c_str());
    if (auto* radio = dynamic_cast<LStdRadioButton*>(window->FindPaneByID(id))) AddRadio(radio);
    from = comma + 1;
  }
}

void LRadioGroup::AddRadio(LStdRadioButton* radio) {
  if (std::find(mRadios.begin(), mRadios.end(), radio) != mRadios.end()) return;
  if (radio->mGroup) std::erase(radio->mGroup->mRadios, radio);
  radio->mGroup = this;
  mRadios.push_back(radio);
  if (radio->GetValue()) RadioTurnedOn(radio);
}

void LRadioGroup::RadioTurnedOn(LStdRadioButton* radio) {
  for (LStdRadioButton* r : mRadios)
    if (r != radio && r->GetValue()) r->SetValue(0);
}

PaneIDT LRadioGroup::GetCurrentRadioID() const {
  for (const LStdRadioButton* r : mRadios)
    if (r->GetValue()) return r->GetPaneID();
  return kKxNoPaneID;
}

// ---- LStdPopupMenu

LStdPopupMenu::LStdPopupMenu(const KxLayoutPaneRecord& record) : LControl(record) {
  SetItems(SplitItems(Attribute(record, "items")));
  mValue = std::clamp(KxLayout::GetNumber(record, "value", 1), mMinValue, mMaxValue);
}

LStdPopupMenu* LStdPopupMenu::sWaiting = nullptr;

LStdPopupMenu::~LStdPopupMenu() {
  if (sWaiting == this) sWaiting = nullptr;
}

void LStdPopupMenu::ClickSelf(const SMouseDownEvent&) {
  LWindow* window = LWindow::FetchWindowOf(this);
  if (!window || mItems.empty()) return;
  std::vector<KxPopupEntry> entries;
  for (std::size_t i = 0; i < mItems.size(); ++i) {
    KxPopupEntry e;
    e.separator = mItems[i] == "-";
    e.text = mItems[i];
    e.mark = std::int32_t(i + 1) == mValue ? std::uint16_t(kKxCheckMark) : std::uint16_t(0);
    e.enabled = IsItemEnabled(i);
    entries.push_back(std::move(e));
  }
  // Under the control's top left, in the host's coordinates.
  const RectL frame = CalcPortFrameRect();
  const Rect bounds = window->GetGlobalBounds();
  sWaiting = this;
  KxCurrentHost().PopUpMenu(entries, Point{KxPinShort(bounds.top + frame.bottom), KxPinShort(bounds.left + frame.left)});
}

bool LStdPopupMenu::ChooseWaiting(std::int16_t index) {
  LStdPopupMenu* popup = sWaiting;
  sWaiting = nullptr;
  if (!popup) return false;
  if (index >= 0 && std::size_t(index) < popup->mItems.size() && popup->mItems[std::size_t(index)] != "-" &&
      popup->IsItemEnabled(std::size_t(index)) &&
      popup->IsVisible() && popup->IsEnabled())
    popup->SetValue(index + 1);
  return true;
}

void LStdPopupMenu::SetItems(std::vector<std::string> items) {
  mItems = std::move(items);
  mDisabled.clear();
  mMinValue = 1;
  mMaxValue = std::max<std::int32_t>(1, std::int32_t(mItems.size()));
  mValue = std::clamp(mValue, mMinValue, mMaxValue);
  Refresh();
}

void LStdPopupMenu::SetItemEnabled(std::size_t index, bool enabled) {
  if (index >= mItems.size()) return;
  mDisabled.resize(mItems.size(), false);
  mDisabled[index] = !enabled;
}

bool LStdPopupMenu::IsItemEnabled(std::size_t index) const { return index >= mDisabled.size() || !mDisabled[index]; }

void LStdPopupMenu::DrawSelf() {
  Rect r = CalcLocalFrameRect16();
  RGBBackColor(&UKXColor::sWhiteColor);
  EraseRect(&r);
  PenNormal();
  ApplyTextColor();
  FrameRect(&r);
  // A drop shadow and the down triangle mark it as a pop-up.
  MoveTo(r.left + 1, r.bottom);
  LineTo(r.right, r.bottom);
  LineTo(r.right, r.top + 1);
  const std::int32_t mid = (r.top + r.bottom) / 2;
  for (int i = 0; i < 4; ++i) {
    MoveTo(r.right - 14 + i, mid - 2 + i);
    LineTo(r.right - 8 - i, mid - 2 + i);
  }
  if (mValue >= 1 && std::size_t(mValue) <= mItems.size()) {
    const std::string& text = mItems[mValue - 1];
    KxFontInfo info;
    GetFontInfo(&info);
    MoveTo(r.left + 6, r.top + (r.bottom - r.top - (info.ascent + info.descent)) / 2 + info.ascent);
    DrawText(text.data(), 0, std::int32_t(text.size()));
  }
  if (mHilited) {
    Rect inner{std::int16_t(r.top + 1), std::int16_t(r.left + 1), std::int16_t(r.bottom - 1), std::int16_t(r.right - 1)};
    InvertRect(&inner);
  }
}

// ---- LCaption

LCaption::LCaption(const KxLayoutPaneRecord& record) : LPane(record), mText(Attribute(record, "text")) {}

void LCaption::GetDescriptor(Str255 out) const { ToPString(mText, out); }

void LCaption::SetDescriptor(ConstStringPtr text) {
  mText.assign(reinterpret_cast<const char*>(text + 1), text[0]);
  Refresh();
}

void LCaption::DrawSelf() {
  const Rect r = CalcLocalFrameRect16();
  RGBForeColor(IsEnabled() ? &UKXColor::sBlackColor : &UKXColor::sGrayColor);
  KxFontInfo info;
  GetFontInfo(&info);
  const std::int32_t lineHeight = std::max<std::int32_t>(1, info.ascent + info.descent + info.leading);
  std::int32_t v = r.top + info.ascent;
  std::size_t from = 0;
  while (from <= mText.size() && v - info.ascent < r.bottom) {
    std::size_t cr = mText.find('\r', from);
    if (cr == std::string::npos) cr = mText.size();
    MoveTo(r.left, v);
    DrawText(mText.data(), std::int32_t(from), std::int32_t(cr - from));
    from = cr + 1;
    v += lineHeight;
  }
}

// ---- LScrollBar

LScrollBar::LScrollBar(const SDimension32& size, KxScrollBarOwner* owner) : mOwner(owner) { mFrameSize = size; }

LScrollBar::LScrollBar(const KxLayoutPaneRecord& record) : LControl(record) {}

std::int32_t LScrollBar::ArrowSize() const {
  const std::int32_t thick = IsVertical() ? mFrameSize.width : mFrameSize.height;
  const std::int32_t length = IsVertical() ? mFrameSize.height : mFrameSize.width;
  return std::min(thick, length / 2);
}

RectL LScrollBar::ThumbRect() const {
  RectL f;
  CalcLocalFrameRect(f);
  const std::int32_t arrow = ArrowSize();
  const bool vertical = IsVertical();
  const std::int32_t start = (vertical ? f.top : f.left) + arrow;
  const std::int32_t track = (vertical ? f.bottom : f.right) - arrow - start;
  const std::int32_t thumb = std::min(arrow, track);
  const std::int64_t range = std::int64_t(mMaxValue) - mMinValue;
  if (range <= 0 || track <= thumb) return RectL{0, 0, 0, 0};   // nothing to scroll: no thumb
  const std::int32_t at = start + std::int32_t((std::int64_t(mValue) - mMinValue) * (track - thumb) / range);
  return vertical ? RectL{at, f.left, at + thumb, f.right} : RectL{f.top, at, f.bottom, at + thumb};
}

std::int16_t LScrollBar::FindHotSpot(const SPoint32& local) const {
  RectL f;
  if (!CalcLocalFrameRect(f) || !InRect(f, local)) return 0;
  const std::int32_t arrow = ArrowSize();
  const bool vertical = IsVertical();
  const std::int32_t pos = vertical ? local.v : local.h;
  const std::int32_t lo = vertical ? f.top : f.left, hi = vertical ? f.bottom : f.right;
  if (pos < lo + arrow) return kControlUpButtonPart;
  if (pos >= hi - arrow) return kControlDownButtonPart;
  const RectL thumb = ThumbRect();
  if (thumb.right <= thumb.left) return 0;
  if (InRect(thumb, local)) return kControlIndicatorPart;
  return pos < (vertical ? thumb.top : thumb.left) ? kControlPageUpPart : kControlPageDownPart;
}

bool LScrollBar::PointInHotSpot(const SPoint32& local, std::int16_t hotSpot) const {
  // The thumb follows the mouse anywhere; the other parts need the mouse on them.
  if (hotSpot == kControlIndicatorPart) return true;
  return FindHotSpot(local) == hotSpot;
}

void LScrollBar::HotSpotAction(std::int16_t hotSpot, bool inside, bool wasInside) {
  LControl::HotSpotAction(hotSpot, inside, wasInside);
  // Arrows and page parts act as they are pressed.
  if (inside && !wasInside && hotSpot != kControlIndicatorPart && mOwner) mOwner->ScrollBarAction(this, hotSpot);
}

void LScrollBar::ClickSelf(const SMouseDownEvent& event) {
  LControl::ClickSelf(event);
  // The thumb follows the release (and the mouse, when live); the other
  // parts repeat while held.
  if (mTracking <= 0) return;
  if (mTracking == kControlIndicatorPart) {
    if (mOwner && mOwner->LiveThumb()) StartIdling();
    return;
  }
  mRepeatAt = TickCount() + kKxScrollRepeatDelay;
  StartIdling();
}

void LScrollBar::SpendTime(const EventRecord& event) {
  const bool up = (event.modifiers & kKxEventButtonState) != 0;
  if (mTracking == kControlIndicatorPart && !up && IsActive() && mOwner && mOwner->LiveThumb()) {
    const std::int32_t value = ValueAt(LocalOf(*this, event.where));
    if (value == mValue) return;
    SetValue(value);
    mOwner->ScrollBarAction(this, kControlIndicatorPart);
    return;
  }
  if (mTracking <= 0 || mTracking == kControlIndicatorPart || up || !IsActive()) {
    StopIdling();
    return;
  }
  const std::uint32_t now = TickCount();
  if (std::int32_t(now - mRepeatAt) < 0) return;
  mRepeatAt = now + kKxScrollRepeatTicks;
  if (mOwner && PointInHotSpot(LocalOf(*this, event.where), mTracking)) mOwner->ScrollBarAction(this, mTracking);
}

void LScrollBar::EventMouseUp(const EventRecord& event) {
  StopIdling();
  mReleaseAt = LocalOf(*this, event.where);
  LControl::EventMouseUp(event);
}

std::int32_t LScrollBar::ValueAt(const SPoint32& local) const {
  RectL f;
  CalcLocalFrameRect(f);
  const std::int32_t arrow = ArrowSize();
  const bool vertical = IsVertical();
  const std::int32_t start = (vertical ? f.top : f.left) + arrow;
  const std::int32_t track = (vertical ? f.bottom : f.right) - arrow - start;
  const std::int32_t thumb = std::min(arrow, track);
  if (track <= thumb) return mValue;
  const std::int64_t pos = std::clamp<std::int64_t>((vertical ? local.v : local.h) - start - thumb / 2, 0, track - thumb);
  return std::int32_t(mMinValue + pos * (std::int64_t(mMaxValue) - mMinValue) / (track - thumb));
}

void LScrollBar::HotSpotResult(std::int16_t hotSpot) {
  if (hotSpot != kControlIndicatorPart) return;
  SetValue(ValueAt(mReleaseAt));
  if (mOwner) mOwner->ScrollBarAction(this, kControlIndicatorPart);
}

void LScrollBar::DrawSelf() {
  RectL f;
  CalcLocalFrameRect(f);
  const Rect r = Narrow(f);
  RGBForeColor(&UKXColor::sBlackColor);
  RGBBackColor(&UKXColor::sSilverGrayColor);
  EraseRect(&r);
  PenNormal();
  FrameRect(&r);
  const std::int32_t arrow = ArrowSize();
  const bool vertical = IsVertical();
  const bool live = IsActive() && IsEnabled() && mMaxValue > mMinValue;
  // The two arrow boxes, each with a triangle pointing outwards.
  for (int end = 0; end < 2; ++end) {
    RectL box = vertical ? (end == 0 ? RectL{f.top, f.left, f.top + arrow, f.right}
                                     : RectL{f.bottom - arrow, f.left, f.bottom, f.right})
                         : (end == 0 ? RectL{f.top, f.left, f.bottom, f.left + arrow}
                                     : RectL{f.top, f.right - arrow, f.bottom, f.right});
    const Rect b = Narrow(box);
    RGBBackColor(&UKXColor::sWhiteColor);
    Rect inner{std::int16_t(b.top + 1), std::int16_t(b.left + 1), std::int16_t(b.bottom - 1), std::int16_t(b.right - 1)};
    EraseRect(&inner);
    FrameRect(&b);
    if (!live) continue;
    const std::int32_t ch = (box.left + box.right) / 2, cv = (box.top + box.bottom) / 2;
    for (int i = 0; i < 4; ++i) {
      const int row = end == 0 ? i : 3 - i;   // the point first at the near end
      if (vertical) {
        MoveTo(ch - row, cv - 2 + i);
        LineTo(ch + row, cv - 2 + i);
      } else {
        MoveTo(ch - 2 + i, cv - row);
        LineTo(ch - 2 + i, cv + row);
      }
    }
    if (mHilited && mTracking == (end == 0 ? kControlUpButtonPart : kControlDownButtonPart)) InvertRect(&inner);
  }
  if (live) {
    const Rect t = Narrow(ThumbRect());
    RGBBackColor(&UKXColor::sWhiteColor);
    EraseRect(&t);
    FrameRect(&t);
  }
}
