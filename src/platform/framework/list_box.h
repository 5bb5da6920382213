// List boxes: rows of text, one or more selected, in a pane that takes keys
// as a commander. A double click (or Return) broadcasts the double-click
// message with the list box as parameter. A vertical scroll bar along the
// right edge shows while there are more rows than fit.
#pragma once

#include <string>
#include <vector>

#include "platform/framework/broadcaster.h"
#include "platform/framework/commander.h"
#include "platform/framework/control.h"
#include "platform/framework/view.h"

// The list's scroll bar: as wide as a scroller's, overlapping the frame's
// right, top and bottom lines.
constexpr std::int32_t kKxListBarWidth = 15;

// A view only so that its scroll bar can be a pane inside it (drawn over
// the rows, clicked, shown and resized with it); its image never scrolls:
// the rows move by mTopRow.
class LListBox : public LView, public LCommander, public LBroadcaster, public KxScrollBarOwner {
 public:
  // attributes: items=A|B|C, message (the double-click message), rowHeight
  // (16), multiple (0: one row at a time), vbar (0: never a scroll bar).
  explicit LListBox(const KxLayoutPaneRecord& record);

  std::int32_t CountRows() const { return std::int32_t(mCells.size()); }
  const std::string& GetCell(std::int32_t row) const { return mCells.at(std::size_t(row)); }
  void AddRow(const std::string& text);
  void RemoveAllRows();
  // The first selected row, -1 for none.
  std::int32_t GetValue() const override;
  // Selects just that row (-1 or out of range: none).
  void SetValue(std::int32_t row) override;
  bool IsSelected(std::int32_t row) const;
  std::vector<std::int32_t> GetSelectedRows() const;
  // Selects exactly these rows (from 0; rows out of range are ignored; a
  // single-selection list keeps the first).
  void SetSelectedRows(const std::vector<std::int32_t>& rows);
  void SelectAllCells();
  void UnselectAllCells();
  MessageT GetDoubleClickMessage() const { return mDoubleClickMessage; }
  // The row under a local point, -1 for none.
  std::int32_t RowAt(const SPoint32& local) const;
  void ScrollToRow(std::int32_t row);
  std::int32_t GetTopRow() const { return mTopRow; }
  // Moves the first visible row by `rows` (positive: down), held to the
  // rows there are; true when it moved. Used by the wheel.
  bool ScrollRowsBy(std::int32_t rows);
  // Null when the layout asked for none; hidden while every row fits.
  LScrollBar* GetVScrollBar() const { return mVBar; }

  // Arrows move a row, the page parts a screenful less one row, the thumb
  // (live) puts its value as the first visible row.
  void ScrollBarAction(LScrollBar* bar, std::int16_t part) override;
  bool LiveThumb() const override { return true; }
  void ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) override;

  void ClickSelf(const SMouseDownEvent& event) override;
  bool HandleKeyPress(const EventRecord& event) override;
  // Up and down keys move the selection; true when the key was one.
  virtual bool DoNavigationKey(const EventRecord& event);
  void DrawSelf() override;

 protected:
  // One row in its cell (inside the frame); `keys` while the box is live
  // and has the keys.
  virtual void DrawRow(std::int32_t row, const Rect& cell, bool keys);
  void BeTarget() override { Refresh(); }
  void DontBeTarget() override { Refresh(); }
  void SelectOnly(std::int32_t row);
  std::int32_t VisibleRows() const;
  // The frame inside its lines, less the scroll bar while it shows (local).
  RectL RowsRect() const;
  // Holds the first row to what can show and brings the bar up to date:
  // its range, value, and shown only while some rows do not fit.
  void AdjustScrollBar();

  std::vector<std::string> mCells;
  std::vector<bool> mSelected;
  MessageT mDoubleClickMessage = 0;
  std::int32_t mRowHeight = 16;
  std::int32_t mTopRow = 0;
  std::int32_t mAnchor = -1;        // where shift-clicks extend from
  std::int32_t mLastClickRow = -1;  // for double clicks
  std::uint32_t mLastClickWhen = 0;
  bool mMultiple = true;
  LScrollBar* mVBar = nullptr;   // a sub-pane (owned as such)
};

// The ticks within which a second click counts as a double click.
constexpr std::uint32_t kKxDoubleClickTicks = 30;
