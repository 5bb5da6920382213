// The line-number margin of a text pane: beside the text (above it in
// vertical writing) it shows the number of every visible line, counting
// again after each line-number restart; dragging in it selects whole lines.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/framework/view.h"
#include "views/text_view.h"

class CKXTextInfoView;

// The margin's width (its height in vertical writing) and the number column.
constexpr std::int32_t kKxLineViewWidth = 40;
constexpr std::int32_t kKxLineNumberWidth = 36;
// The margin's font: font 4 at 9 points.
constexpr short kKxLineNumberFont = 4;
constexpr short kKxLineNumberSize = 9;
// The line-menu button at the far end in vertical writing.
constexpr std::int32_t kKxLineButtonWidth = 15;

// One number the margin shows: the display line, the number drawn, and
// where the line lies along the margin (from its start edge: the top, or
// the right end in vertical writing) and how long it is, scaled.
struct KxLineMark {
  long line = 0;
  long number = 0;
  std::int32_t pos = 0;
  std::int32_t length = 0;
  bool operator==(const KxLineMark&) const = default;
};

// The numbers shown for the text area `shown` (the text's scaled image
// coordinates) at `scale` percent (0: 100) with a number font
// `fontHeight` tall, through paper-view columns. A line shorter than the
// font carries its number only when its index is odd. Bounded by the
// visible extent: never walks more lines than can show.
std::vector<KxLineMark> KxCollectLineMarks(CKXTextEngine& engine, const RectL& shown, short scale,
                                           std::int32_t fontHeight);

class CKXTextLineView : public LView, public CKXTextGage {
 public:
  CKXTextLineView();
  explicit CKXTextLineView(const KxLayoutPaneRecord& record);
  ~CKXTextLineView() override = default;

  void SetTextView(CKXTextView* view) { mTextView = view; }
  void SetTextColmView(LPane* ruler);
  void SetInfoView(CKXTextInfoView* info) { mInfoView = info; }
  // Turning the text also moves or removes the line-menu button.
  void SetVertical(bool vertical);
  void SetInvisible(bool hidden);
  bool GetInvisible() const { return mHidden; }

  void AdaptToSuperFrameSize(std::int32_t dw, std::int32_t dh, bool refresh) override;
  void ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) override;
  void ClickSelf(const SMouseDownEvent& event) override;
  void AdjustMouseSelf(const SPoint32& localPt, const EventRecord& event) override;

  // Selects whole lines from the mouse while its button is down.
  void DoLineSelect(const EventRecord& event);

  void Draw(RgnHandle portRgn) override;
  void DrawSelf() override;
  void UpdateGage();
  // The text scrolled by `delta` across its lines: the numbers follow.
  // A move as long as the margin or longer redraws all of it.
  void ScrollGage(std::int32_t delta) override;
  std::int32_t GetGageHeight() const override { return kKxLineViewWidth; }
  // What the last drawing showed (local positions), for checks.
  const std::vector<KxLineMark>& GetDrawnMarks() const { return mDrawnMarks; }
  std::int32_t GetButtonWidth() const { return mButtonWidth; }
  // Scrolls done by moving pixels (the rest were full redraws).
  int GetPixelScrolls() const { return mPixelScrolls; }

 private:
  void FixGage();
  // The button's width for the writing direction and the ruler's state.
  std::int32_t ButtonWidth() const;
  // Where the text's first column starts (local h, vertical writing).
  std::int32_t TextRightEdge(const RectL& frame) const;
  // The area the numbers take (local): the frame inset, less the button.
  RectL InsideRect() const;
  void DrawLine(const RectL& area);
  void DrawLineNumbers(const RectL& clip);
  // The text area the margin faces, in the text's scaled image coordinates.
  bool ShownRect(RectL& shown) const;

  CKXTextView* mTextView = nullptr;
  LPane* mColmView = nullptr;
  CKXTextInfoView* mInfoView = nullptr;
  std::int32_t mButtonWidth = 0;
  RectL mButtonRect{0, 0, 0, 0};
  bool mHidden = false;
  bool mLaidOutHidden = false;
  bool mDrawn = false;
  bool mColmHidden = true;
  bool mVertical = false;
  std::vector<KxLineMark> mDrawnMarks;
  int mPixelScrolls = 0;
};
