// Controls: panes with a value that broadcast a message when the user
// changes it. Clicks are tracked without a nested loop: the mouse-down
// presses a hot spot, the mouse-up (which the window sends to the pane that
// took the mouse-down) releases it, and only a release inside the same hot
// spot counts.
//
// Each control draws itself in one method (DrawSelf) so that its look can
// be replaced on its own.
#pragma once

#include <string>
#include <vector>

#include "platform/framework/broadcaster.h"
#include "platform/framework/pane.h"
#include "platform/framework/periodical.h"

// Dialog messages by convention.
constexpr MessageT msg_OK = 900;
constexpr MessageT msg_Cancel = 901;
constexpr MessageT msg_Nothing = 0;

class LControl : public LPane, public LBroadcaster {
 public:
  LControl();
  // attributes: value, min, max, message, title
  explicit LControl(const KxLayoutPaneRecord& record);

  std::int32_t GetValue() const override { return mValue; }
  // Held to min..max; a change refreshes and broadcasts.
  void SetValue(std::int32_t value) override;
  std::int32_t GetMinValue() const { return mMinValue; }
  std::int32_t GetMaxValue() const { return mMaxValue; }
  void SetMinValue(std::int32_t v);
  void SetMaxValue(std::int32_t v);
  MessageT GetValueMessage() const { return mValueMessage; }
  void SetValueMessage(MessageT m) { mValueMessage = m; }
  // The value message with the value as parameter (nothing for message 0).
  virtual void BroadcastValueMessage();

  void GetDescriptor(Str255 out) const override;
  void SetDescriptor(ConstStringPtr title) override;
  const std::string& GetTitle() const { return mTitle; }

  // Hot spots: numbered parts of the control (1 for the whole).
  virtual std::int16_t FindHotSpot(const SPoint32& local) const;
  virtual bool PointInHotSpot(const SPoint32& local, std::int16_t hotSpot) const;
  // Pressed (inside) or released; the base highlights and redraws.
  virtual void HotSpotAction(std::int16_t hotSpot, bool inside, bool wasInside);
  // A release inside the hot spot.
  virtual void HotSpotResult(std::int16_t) {}
  // As if the user clicked the hot spot (keys for default buttons).
  void SimulateHotSpotClick(std::int16_t hotSpot);
  bool IsHilited() const { return mHilited; }

  void ClickSelf(const SMouseDownEvent& event) override;
  void EventMouseUp(const EventRecord& event) override;

 protected:
  void ActivateSelf() override { Refresh(); }
  void DeactivateSelf() override { Refresh(); }
  void EnableSelf() override { Refresh(); }
  void DisableSelf() override { Refresh(); }
  // Text drawing shared by the controls: black, or grey when inactive or
  // disabled; the title centred vertically at `left`, or centred.
  void ApplyTextColor() const;
  void DrawTitle(const Rect& r, bool centred) const;

  std::int32_t mValue = 0;
  std::int32_t mMinValue = 0;
  std::int32_t mMaxValue = 0;
  MessageT mValueMessage = msg_Nothing;
  std::string mTitle;   // Shift_JIS bytes
  std::int16_t mTracking = 0;   // the pressed hot spot
  bool mHilited = false;
};

// A push button; broadcasts its message when released inside. The default
// button has a heavier outline.
class LStdButton : public LControl {
 public:
  explicit LStdButton(const KxLayoutPaneRecord& record) : LControl(record) {}
  LStdButton() = default;
  void SetDefault(bool on);
  bool IsDefault() const { return mDefault; }
  void HotSpotResult(std::int16_t) override { BroadcastValueMessage(); }
  void DrawSelf() override;

 private:
  static void EraseRoundRect(const Rect& r);
  bool mDefault = false;
};

// A check box: value 0 or 1, toggled by a click.
class LStdCheckBox : public LControl {
 public:
  explicit LStdCheckBox(const KxLayoutPaneRecord& record);
  void HotSpotResult(std::int16_t) override { SetValue(mValue ? 0 : 1); }
  void DrawSelf() override;
};

class LRadioGroup;

// A radio button: a click turns it on; its group turns the others off.
class LStdRadioButton : public LControl {
 public:
  explicit LStdRadioButton(const KxLayoutPaneRecord& record);
  void SetValue(std::int32_t value) override;
  void HotSpotResult(std::int16_t) override {
    if (mValue == 0) SetValue(1);
  }
  void DrawSelf() override;

 private:
  friend class LRadioGroup;
  LRadioGroup* mGroup = nullptr;
};

// Keeps at most one of its radio buttons on. An invisible pane; the
// attribute buttons=ID,ID,... names the buttons (found in its window).
class LRadioGroup : public LPane {
 public:
  explicit LRadioGroup(const KxLayoutPaneRecord& record);
  ~LRadioGroup() override;
  void AddRadio(LStdRadioButton* radio);
  // The pane ID of the button that is on, 0 for none.
  PaneIDT GetCurrentRadioID() const;
  std::int32_t GetValue() const override { return GetCurrentRadioID(); }
  void RadioTurnedOn(LStdRadioButton* radio);
  // The buttons in the order the attribute names them.
  const std::vector<LStdRadioButton*>& GetRadios() const { return mRadios; }

 protected:
  void FinishCreateSelf() override;

 private:
  std::string mButtonIDs;
  std::vector<LStdRadioButton*> mRadios;
};

// A pop-up menu: value 1..n, the item's text shown. attributes:
// items=A|B|C ("-" a separator). A click shows the items in the host's
// pop-up menu; the choice comes back through the application
// (ChooseWaiting). Scripts and programs set the value.
class LStdPopupMenu : public LControl {
 public:
  explicit LStdPopupMenu(const KxLayoutPaneRecord& record);
  ~LStdPopupMenu() override;
  const std::vector<std::string>& GetItems() const { return mItems; }
  void SetItems(std::vector<std::string> items);
  // An item (from 0) shown dimmed, never chosen; all are enabled again by
  // SetItems.
  void SetItemEnabled(std::size_t index, bool enabled);
  bool IsItemEnabled(std::size_t index) const;
  void ClickSelf(const SMouseDownEvent& event) override;
  void DrawSelf() override;

  // The choice (an entry's index from 0) of the pop-up menu a click showed:
  // false when none waits. Whoever shows another pop-up menu forgets the
  // waiting one first, so that at most one waits.
  static bool ChooseWaiting(std::int16_t index);
  static void ForgetWaiting() { sWaiting = nullptr; }

 private:
  std::vector<std::string> mItems;
  std::vector<bool> mDisabled;   // by item, empty when all are enabled
  static LStdPopupMenu* sWaiting;
};

// Static text, one line per CR, from the attribute text.
class LCaption : public LPane {
 public:
  explicit LCaption(const KxLayoutPaneRecord& record);
  void GetDescriptor(Str255 out) const override;
  void SetDescriptor(ConstStringPtr text) override;
  void DrawSelf() override;

 private:
  std::string mText;
};

// Scroll bar parts (hot spots).
constexpr std::int16_t kControlUpButtonPart = 20;
constexpr std::int16_t kControlDownButtonPart = 21;
constexpr std::int16_t kControlPageUpPart = 22;
constexpr std::int16_t kControlPageDownPart = 23;
constexpr std::int16_t kControlIndicatorPart = 129;

class LScrollBar;
// What a scroll bar's owner does for a part: the arrows and page parts act
// when pressed; the thumb when released, with the bar's new value.
class KxScrollBarOwner {
 public:
  virtual ~KxScrollBarOwner() = default;
  virtual void ScrollBarAction(LScrollBar* bar, std::int16_t part) = 0;
  // Live scrolling: the thumb also acts while it is dragged, each time the
  // bar's value under the mouse changes.
  virtual bool LiveThumb() const { return false; }
};

// A held arrow or page part acts again after this many ticks, then every
// kKxScrollRepeatTicks while the button stays down on it.
constexpr std::uint32_t kKxScrollRepeatDelay = 18;
constexpr std::uint32_t kKxScrollRepeatTicks = 2;

// A scroll bar, vertical when taller than wide. The arrows take a square of
// the bar's width at each end; the thumb is a square placed by the value.
// A held arrow or page part repeats on idle time.
class LScrollBar : public LControl, public LPeriodical {
 public:
  LScrollBar(const SDimension32& size, KxScrollBarOwner* owner);
  explicit LScrollBar(const KxLayoutPaneRecord& record);
  bool IsVertical() const { return mFrameSize.height >= mFrameSize.width; }
  void SetOwner(KxScrollBarOwner* owner) { mOwner = owner; }
  std::int16_t FindHotSpot(const SPoint32& local) const override;
  bool PointInHotSpot(const SPoint32& local, std::int16_t hotSpot) const override;
  void HotSpotAction(std::int16_t hotSpot, bool inside, bool wasInside) override;
  void HotSpotResult(std::int16_t hotSpot) override;
  void ClickSelf(const SMouseDownEvent& event) override;
  void EventMouseUp(const EventRecord& event) override;
  // While a part is held: acts again once the delay is over, as long as
  // the mouse stays on the part; the button's release stops it.
  void SpendTime(const EventRecord& event) override;
  // The thumb's rectangle (local) for the current value.
  RectL ThumbRect() const;
  void DrawSelf() override;

 private:
  std::int32_t ArrowSize() const;
  std::int32_t ValueAt(const SPoint32& local) const;

  KxScrollBarOwner* mOwner = nullptr;
  SPoint32 mReleaseAt{0, 0};   // where the thumb was let go (local)
  std::uint32_t mRepeatAt = 0;  // tick of the next repeat of a held part
};
