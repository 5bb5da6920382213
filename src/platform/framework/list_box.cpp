#include "platform/framework/list_box.h"

#include <algorithm>

#include "platform/draw/color.h"
#include "platform/framework/layout.h"

LListBox::LListBox(const KxLayoutPaneRecord& record) : LView(record), LCommander(nullptr) {
  std::string items;
  KxLayout::GetAttribute(record, "items", items);
  std::size_t from = 0;
  while (!items.empty()) {
    const std::size_t bar = items.find('|', from);
    AddRow(items.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
    if (bar == std::string::npos) break;
    from = bar + 1;
  }
  mDoubleClickMessage = KxLayout::GetNumber(record, "message", 0);
  mRowHeight = std::clamp(KxLayout::GetNumber(record, "rowHeight", 16), 1, 1000);
  mMultiple = Flag(record, "multiple", true);
  if (Flag(record, "vbar", true) && mFrameSize.width > kKxListBarWidth) {
    mVBar = new LScrollBar(SDimension32{kKxListBarWidth, mFrameSize.height}, this);
    mVBar->PutInside(this, mFrameSize.width - kKxListBarWidth, 0);
    mVBar->SetFrameBinding(SBooleanRect{false, true, true, true});
  }
  AdjustScrollBar();
}

void LListBox::AddRow(const std::string& text) {
  mCells.push_back(text);
  mSelected.push_back(false);
  AdjustScrollBar();
  Refresh();
}

void LListBox::RemoveAllRows() {
  mCells.clear();
  mSelected.clear();
  mTopRow = 0;
  mAnchor = mLastClickRow = -1;
  AdjustScrollBar();
  Refresh();
}

std::int32_t LListBox::GetValue() const {
  for (std::size_t i = 0; i < mSelected.size(); ++i)
    if (mSelected[i]) return std::int32_t(i);
  return -1;
}

void LListBox::SetValue(std::int32_t row) { SelectOnly(row); }

bool LListBox::IsSelected(std::int32_t row) const {
  return row >= 0 && row < CountRows() && mSelected[std::size_t(row)];
}

std::vector<std::int32_t> LListBox::GetSelectedRows() const {
  std::vector<std::int32_t> rows;
  for (std::size_t i = 0; i < mSelected.size(); ++i)
    if (mSelected[i]) rows.push_back(std::int32_t(i));
  return rows;
}

void LListBox::SetSelectedRows(const std::vector<std::int32_t>& rows) {
  std::fill(mSelected.begin(), mSelected.end(), false);
  for (const std::int32_t row : rows) {
    if (row < 0 || row >= CountRows()) continue;
    mSelected[std::size_t(row)] = true;
    mAnchor = row;
    if (!mMultiple) break;
  }
  Refresh();
}

void LListBox::SelectAllCells() {
  if (!mMultiple) return;
  std::fill(mSelected.begin(), mSelected.end(), true);
  Refresh();
}

void LListBox::UnselectAllCells() {
  std::fill(mSelected.begin(), mSelected.end(), false);
  Refresh();
}

void LListBox::SelectOnly(std::int32_t row) {
  std::fill(mSelected.begin(), mSelected.end(), false);
  if (row >= 0 && row < CountRows()) {
    mSelected[std::size_t(row)] = true;
    mAnchor = row;
    ScrollToRow(row);
  }
  Refresh();
}

std::int32_t LListBox::VisibleRows() const { return std::max(1, (mFrameSize.height - 2) / mRowHeight); }

void LListBox::ScrollToRow(std::int32_t row) {
  const std::int32_t before = mTopRow;
  if (row < mTopRow) mTopRow = row;
  else if (row >= mTopRow + VisibleRows()) mTopRow = row - VisibleRows() + 1;
  mTopRow = std::max(0, mTopRow);
  AdjustScrollBar();
  if (mTopRow != before) Refresh();
}

bool LListBox::ScrollRowsBy(std::int32_t rows) {
  const std::int32_t before = mTopRow;
  mTopRow = std::int32_t(std::clamp<std::int64_t>(std::int64_t(mTopRow) + rows, 0, INT32_MAX));
  AdjustScrollBar();
  if (mTopRow == before) return false;
  Refresh();
  return true;
}

void LListBox::ScrollBarAction(LScrollBar* bar, std::int16_t part) {
  if (!bar || bar != mVBar) return;
  const std::int32_t page = std::max(1, VisibleRows() - 1);
  switch (part) {
    case kControlUpButtonPart: ScrollRowsBy(-1); break;
    case kControlDownButtonPart: ScrollRowsBy(1); break;
    case kControlPageUpPart: ScrollRowsBy(-page); break;
    case kControlPageDownPart: ScrollRowsBy(page); break;
    case kControlIndicatorPart: ScrollRowsBy(bar->GetValue() - mTopRow); break;
    default: break;
  }
}

void LListBox::AdjustScrollBar() {
  const std::int32_t last = std::max(0, CountRows() - VisibleRows());
  mTopRow = std::clamp(mTopRow, 0, last);
  if (!mVBar) return;
  mVBar->SetMinValue(0);
  mVBar->SetMaxValue(last);
  mVBar->SetValue(mTopRow);
  mVBar->Refresh();   // the thumb moves with the range too
  if (last > 0 && !mVBar->IsVisibleSelf()) {
    mVBar->Show();
    Refresh();   // the rows narrow
  } else if (last == 0 && mVBar->IsVisibleSelf()) {
    mVBar->Hide();
    Refresh();
  }
}

void LListBox::ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) {
  LView::ResizeFrameBy(dw, dh, refresh);
  AdjustScrollBar();
}

RectL LListBox::RowsRect() const {
  RectL f;
  CalcLocalFrameRect(f);
  const bool bar = mVBar && mVBar->IsVisibleSelf();
  return RectL{f.top + 1, f.left + 1, f.bottom - 1, bar ? f.right - kKxListBarWidth : f.right - 1};
}

std::int32_t LListBox::RowAt(const SPoint32& local) const {
  RectL f;
  if (!CalcLocalFrameRect(f)) return -1;
  const RectL rows = RowsRect();
  // The frame's side lines still pick a row; the scroll bar does not.
  const std::int32_t right = mVBar && mVBar->IsVisibleSelf() ? rows.right : f.right;
  if (local.h < f.left || local.h >= right || local.v < rows.top || local.v >= rows.bottom) return -1;
  const std::int32_t row = mTopRow + (local.v - rows.top) / mRowHeight;
  return row < CountRows() ? row : -1;
}

void LListBox::ClickSelf(const SMouseDownEvent& event) {
  if (GetTarget() != this) SwitchTarget(this);
  const std::int32_t row = RowAt(event.whereLocal);
  const std::uint16_t mods = event.macEvent.modifiers;
  const bool doubleClick =
      row >= 0 && row == mLastClickRow && event.macEvent.when - mLastClickWhen <= kKxDoubleClickTicks;
  mLastClickRow = row;
  mLastClickWhen = event.macEvent.when;
  if (row < 0) return;
  if (mMultiple && (mods & kKxEventCommandKey)) {
    mSelected[std::size_t(row)] = !mSelected[std::size_t(row)];
    mAnchor = row;
    Refresh();
  } else if (mMultiple && (mods & kKxEventShiftKey) && mAnchor >= 0) {
    std::fill(mSelected.begin(), mSelected.end(), false);
    for (std::int32_t r = std::min(mAnchor, row); r <= std::max(mAnchor, row); ++r) mSelected[std::size_t(r)] = true;
    Refresh();
  } else {
    SelectOnly(row);
  }
  if (doubleClick && mDoubleClickMessage != 0) BroadcastMessage(mDoubleClickMessage, this);
}

bool LListBox::DoNavigationKey(const EventRecord& event) {
  const std::uint8_t key = KxEventKeyCode(event);
  if (key != kKxKeyUp && key != kKxKeyDown) return false;
  if (CountRows() == 0) return true;
  const std::vector<std::int32_t> sel = GetSelectedRows();
  std::int32_t row;
  if (key == kKxKeyUp)
    row = sel.empty() ? CountRows() - 1 : std::max(0, sel.front() - 1);
  else
    row = sel.empty() ? 0 : std::min(CountRows() - 1, sel.back() + 1);
  SelectOnly(row);
  return true;
}

bool LListBox::HandleKeyPress(const EventRecord& event) {
  if (!(event.modifiers & kKxEventCommandKey) && DoNavigationKey(event)) return true;
  return LCommander::HandleKeyPress(event);
}

void LListBox::DrawSelf() {
  const Rect r = CalcLocalFrameRect16();
  const bool live = IsEnabled() && IsActive();
  RGBForeColor(live ? &UKXColor::sBlackColor : &UKXColor::sGrayColor);
  RGBBackColor(&UKXColor::sWhiteColor);
  EraseRect(&r);
  PenNormal();
  FrameRect(&r);
  const RectL rows = RowsRect();
  KxClipScope inside(rows);
  for (std::int32_t row = mTopRow; row < CountRows() && row < mTopRow + VisibleRows() + 1; ++row) {
    const std::int32_t top = rows.top + (row - mTopRow) * mRowHeight;
    const Rect cell{KxPinShort(top), KxPinShort(rows.left), KxPinShort(top + mRowHeight), KxPinShort(rows.right)};
    DrawRow(row, cell, live && GetTarget() == this);
  }
}

void LListBox::DrawRow(std::int32_t row, const Rect& cell, bool keys) {
  KxFontInfo info;
  GetFontInfo(&info);
  const std::string& text = mCells[std::size_t(row)];
  MoveTo(cell.left + 3, cell.top + (mRowHeight - (info.ascent + info.descent)) / 2 + info.ascent);
  DrawText(text.data(), 0, std::int32_t(text.size()));
  if (mSelected[std::size_t(row)]) {
    if (keys)
      InvertRect(&cell);
    else
      FrameRect(&cell);   // an outline while another pane has the keys
  }
}
