// The scroller of a text pane: arrow, page and wheel steps that speed up
// while repeated, the other pane of a split window kept on the same
// columns (rows in vertical writing), and room made for the ruler, the
// line-number margin and the status bar as they are shown or hidden.
#pragma once

#include <cstdint>

#include "views/scroller.h"

class CKXTextView;

// One arrow step, in pixels at 100 %.
constexpr std::int32_t kKxTextScrollStep = 16;
// The parts of the end of a wheel burst (the arrow parts + 100).
constexpr std::int16_t kKxPartWheelEndUp = 120;
constexpr std::int16_t kKxPartWheelEndDown = 121;
// Widths of the panes the scroller makes room for.
constexpr std::int32_t kKxLineMarginWidth = 40;
constexpr std::int32_t kKxStatusBarWidth = 130;
constexpr std::int32_t kKxStatusBarWideWidth = 170;   // without the margin, or in vertical writing

class CKXTextScroller : public CKXScroller {
 public:
  explicit CKXTextScroller(const KxLayoutPaneRecord& record);
  ~CKXTextScroller() override = default;

  void ScrollBarAction(LScrollBar* bar, std::int16_t part) override;
  virtual void VertScroll(std::int16_t part);
  virtual void HorizScroll(std::int16_t part);
  void SubImageChanged(LView* view) override;
  void AdaptToSuperFrameSize(std::int32_t dw, std::int32_t dh, bool refresh) override;

  void SetTwinView(CKXTextView* twin) { mTwinView = twin; }
  CKXTextView* GetTwinView() const { return mTwinView; }
  void SetVertical(bool vertical) { mVertical = vertical; }
  bool GetVertical() const { return mVertical; }
  void SetTextColmView(LPane* pane);
  void SetTextLineView(LPane* pane);
  void SetTextInfoView(LPane* pane);

  // The arrow step's multiplier after `repeats` steps in a row.
  static std::int32_t Acceleration(bool vertical, std::uint16_t repeats);
  std::uint16_t GetRepeatCount() const { return mRepeatCount; }

 private:
  void Scroll(bool vertical, std::int16_t part);
  // Scrolls the twin by the difference of the two positions on the shared
  // axis, so both panes show the same columns (rows).
  void SyncTwin();

  std::uint16_t mRepeatCount = 0;
  std::uint16_t mRepeatPart = 0;
  std::uint32_t mRepeatDeadline = 0;
  CKXTextView* mTwinView = nullptr;
  LPane* mColmView = nullptr;
  LPane* mLineView = nullptr;
  LPane* mInfoView = nullptr;
  bool mColmHidden = false;
  bool mLineHidden = false;
  bool mInfoHidden = true;
  bool mVertical = false;
  bool mSyncing = false;
};
