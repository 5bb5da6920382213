// Small controls of the program's window layouts: a list box that
// broadcasts selection changes and copies its selection, a group box that
// can leave its title to another control, an icon pane, tab buttons and a
// colour button. They draw in the program's bevelled style.
#pragma once

#include <cstdint>
#include <string>

#include "platform/framework/control.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/list_box.h"
#include "platform/framework/view.h"

// The message a tab broadcasts when it becomes the selected one.
constexpr MessageT kKxMsgTabSelected = 203;

class KXListBox : public LListBox {
 public:
  // attributes besides the list's: broadcast (1), copy (1), select (the
  // selection message; the double-click message by default).
  explicit KXListBox(const KxLayoutPaneRecord& record);
  void SetBroadcastOnChange(bool on) { mBroadcast = on; }
  void SetCopyAllowed(bool on) { mCopyAllowed = on; }
  MessageT GetSelectionMessage() const { return mSelectionMessage; }
  // Selects exactly these rows (from 0) as one choice of the user: one
  // selection broadcast when the list broadcasts.
  void ChooseRows(const std::vector<std::int32_t>& rows);

  void ClickSelf(const SMouseDownEvent& event) override;
  // A down arrow with nothing selected selects the first row.
  bool DoNavigationKey(const EventRecord& event) override;
  bool ObeyCommand(CommandT command, void* param) override;
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override;
  // Every selected row's text (at most 255 bytes each), each ended by a
  // CR, goes to the clipboard as TEXT.
  void CopyScrap();
  void DrawSelf() override;

 private:
  void BroadcastIfChanged(std::int32_t before);
  bool mBroadcast = true;
  bool mCopyAllowed = true;
  MessageT mSelectionMessage = 0;
};

class KXGroupBox : public LView {
 public:
  // attributes: title, titleSpace (0).
  explicit KXGroupBox(const KxLayoutPaneRecord& record);
  // Leaves `width` pixels of the title line to a control placed there; the
  // title is then not drawn.
  void SetTitleSpace(std::int16_t width);
  // The title's box (local): from the title's indent to its width + 6.
  Rect CalcTextBoxFrame() const;
  void DrawSelf() override;
  void GetDescriptor(Str255 out) const override;
  void SetDescriptor(ConstStringPtr title) override;

 protected:
  void DrawBorder(const Rect& r);
  void DrawTitleText(const Rect& box);
  void EnableSelf() override { Refresh(); }
  void DisableSelf() override { Refresh(); }

 private:
  std::string mTitle;
  std::int16_t mTitleSpace = 0;
};

// An icon: a picture of pixels (platform/toolbox/pict.h) drawn at the
// frame's top-left, or a grey box without one.
class KXIconPane : public LPane {
 public:
  explicit KXIconPane(const KxLayoutPaneRecord& record) : LPane(record) {}
  ~KXIconPane() override;
  // Takes the handle (ownership passes; null for none) and refreshes.
  void SetIconSuite(Handle icon);
  void DrawSelf() override;

 private:
  Handle mIcon = nullptr;
};

class KXTabButton : public LControl {
 public:
  explicit KXTabButton(const KxLayoutPaneRecord& record);
  // Broadcasts kKxMsgTabSelected for 1.
  void SetValue(std::int32_t value) override;
  void SetDescriptor(ConstStringPtr title) override;
  void SetTextTraitsID(std::int16_t id) { mTextTraitsID = id; }
  // The pressed look follows the mouse on an unselected tab; a release
  // inside selects it; the selected tab ignores clicks.
  void HotSpotAction(std::int16_t hotSpot, bool inside, bool wasInside) override;
  void HotSpotResult(std::int16_t) override {
    if (mValue == 0) SetValue(1);
  }
  void DrawSelf() override;

 private:
  std::int16_t mTextTraitsID = 0;
  bool mPressed = false;
};

class KXColButton : public LStdButton {
 public:
  explicit KXColButton(const KxLayoutPaneRecord& record);
  // The owner sets the fill before the button draws. Until the owner gives
  // the title a colour, it is black, or white on a dark fill.
  void SetFillColor(const RGBColor& c) { mFill = c; Refresh(); }
  void SetTitleColor(const RGBColor& c);
  const RGBColor& GetFillColor() const { return mFill; }
  const RGBColor& GetTitleColor() const { return mTitleColor; }
  void HotSpotAction(std::int16_t hotSpot, bool inside, bool wasInside) override;
  void DrawSelf() override;

 private:
  RGBColor mFill{0xFFFF, 0xFFFF, 0xFFFF};
  RGBColor mTitleColor{0, 0, 0};
  bool mTitleColorSet = false;
  bool mPressed = false;
};
