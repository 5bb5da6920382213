// The mark outline: a text's marks as rows of an outline, with the
// operations of the mark list (select, extend, fold, jump, add, delete,
// shift left and right). It holds no drawing or window code: every view
// operation is a hook that the mark list's pane implements; here they do
// nothing.
//
// A mark's rank (stored per mark in the text) encodes its place: level =
// |rank| / 2, |rank| odd = the next mark is its first child, negative =
// its children are folded away. Files store a rank as one signed byte, so
// levels up to 64 arrive; rows and moves treat anything above
// kKxMarkMaxLevel as that level.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/longrect.h"
#include "text/base/range.h"

class CKXTextEngine;

constexpr short kKxMarkMaxLevel = 62;
constexpr short kKxMarkRowMinHeight = 16;
constexpr short kKxMarkLevelIndent = 10;   // pixels a level
constexpr short kKxMarkIconWidth = 16;     // the fold triangle's box left of a name
constexpr short kKxMarkNameSlack = 10;     // the clickable name runs this far past its end
constexpr long kKxMarkNameLimit = 64;      // a name taken from the text is shorter
// Click modifiers as the outline takes them.
constexpr short kKxMarkClickShift = 1;
constexpr short kKxMarkClickOption = 4;

// One visible row.
struct SKXMarkRank {
  long index = 0;      // the mark, from 1
  short level = 0;
  short width = 0;     // of the name, pixels
  bool children = false;
  bool folded = false;
};

// The level, children and folded bits of a rank.
short KxMarkRankLevel(short rank);
inline bool KxMarkRankChildren(short rank) { return (rank < 0 ? -rank : rank) & 1; }
inline bool KxMarkRankFolded(short rank) { return rank < 0; }

class CKXTextMarkUtil {
 public:
  CKXTextMarkUtil() = default;
  CKXTextMarkUtil(const CKXTextMarkUtil&) = delete;
  CKXTextMarkUtil& operator=(const CKXTextMarkUtil&) = delete;
  virtual ~CKXTextMarkUtil() = default;

  // The view rebuilds its rows (ReCalcMark with its font's metrics).
  virtual void InitMarkView() { ReCalcMark(0, 0); }
  virtual void MoveLeft();
  virtual void MoveRight();
  virtual void AddMark();
  virtual void DelMark();
  virtual void CheckButtons();
  // Rebuilds the rows: `height` is the font's line height, `ascent` its ascent.
  virtual void ReCalcMark(short height, short ascent);
  // Draws the rows meeting `rect` (image coordinates).
  virtual void DrawMark(const RectL& rect);
  // A click at an image point; modifiers kKxMarkClickShift, kKxMarkClickOption.
  virtual void ClickMark(const PointL& where, short modifiers);
  // The marks of the selection as a block: the first mark, the last (over
  // the whole branch of each selected row) and the anchor: the previous
  // sibling of the first row with `sibling`, else its parent. False when
  // there is no selection or no such anchor.
  virtual bool GetRangeIndex(long& first, long& last, long& anchor, bool sibling);
  // The nearest row before `row` at `level`; 0 when none.
  virtual long FindPrevIndex(long row, short level) const;
  virtual void SetMarkChanged();

  // ---- hooks ----
  virtual CKXTextEngine* GetTextEngine() { return nullptr; }
  virtual bool IsReadOnly() { return false; }
  // The text jumps to mark n.
  virtual void ExecuteMarkAt(long /*n*/) {}
  virtual short GetMarkStringWidth(const unsigned char* /*name*/) { return 0; }
  virtual void DrawMarkString(long /*h*/, long /*v*/, const unsigned char* /*name*/) {}
  virtual void DrawRankIcon(long /*h*/, long /*v*/, bool /*folded*/, bool /*pressed*/) {}
  virtual void EraseMarkRect(const RectL&) {}
  virtual void InvertMarkRect(const RectL&) {}
  virtual void RefreshMark() {}
  virtual void RefreshMarkList() {}
  virtual void EnableLeftButton(bool) {}
  virtual void EnableRightButton(bool) {}
  virtual void EnableDeleteButton(bool) {}
  virtual void AlertBeep() {}
  virtual void SetImageSize(long /*width*/, long /*height*/) {}
  virtual void GetImageSize(long& width, long& height) { width = height = 0; }
  virtual void SetImagePos(long /*h*/, long /*v*/, bool /*refresh*/) {}
  // The part of the image the frame shows (image coordinates).
  virtual void GetFrameRect(RectL& frame) { frame = RectL{0, 0, 0, 0}; }
  // While the button is down: true, with the mouse in image coordinates.
  virtual bool StillDown(PointL& /*where*/) { return false; }

  // ---- state ----
  long CountRows() const { return long(mRows.size()); }
  // Row n from 1; null outside.
  const SKXMarkRank* GetRow(long row) const;
  // The row of mark n; 0 when hidden or missing.
  long FindRowOfMark(long mark) const;
  long GetAnchor() const { return mAnchor; }
  long GetEnd() const { return mEnd; }
  // Sets the row selection (as a restored record would); held to the rows.
  void SetSelection(long anchor, long end);
  bool IsRowSelected(long row) const;
  short GetRowHeight() const { return mRowHeight; }
  // What CheckButtons enables now.
  struct Buttons {
    bool left = false, right = false, del = false;
  };
  Buttons CalcButtons() const;

 protected:
  // The selected rows in order (first <= last); false without a selection.
  bool SelectedRows(long& first, long& last) const;
  // The mark rectangle of a row (image coordinates): its name area.
  RectL NameRect(long row) const;
  void InvertSelection();
  // The row is selected alone; CheckButtons, scrolled into view, the text
  // jumps to it when its range is not the selection.
  void SelectRowAndShow(long row);
  // Unfolds the rows that hide mark n; answers its row (0 when missing).
  long RevealMark(long mark);

 private:
  std::vector<SKXMarkRank> mRows;
  long mAnchor = 0;   // 0: no selection
  long mEnd = 0;      // 0 or less: only the anchor
  short mRowHeight = kKxMarkRowMinHeight;
  short mAscent = 0;
};
