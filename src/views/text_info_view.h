// The status bar of a document window: the zoom (scale) button, the
// modified or read-only mark, the page number in paper view and the
// caret's line and column. Clicks pop up the scale menu or jump by pages
// and lines through the current text view's commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/framework/commander.h"
#include "platform/framework/view.h"

class CKXTextEngine;
class CKXTextView;

// Pane IDs of the status bar and the line-number margins.
constexpr PaneIDT kKxInfoViewID = 1004;
constexpr PaneIDT kKxLineViewID = 1003;
constexpr PaneIDT kKxLineView2ID = 1007;
// The scale pop-up's menu and the first of its commands (command = base + item).
constexpr std::int16_t kKxScaleMenuID = 1001;
constexpr CommandT kKxScaleCommandBase = 1420;
// Line and page jumps.
constexpr CommandT kKxCmdGotoLine = 1211;
constexpr CommandT kKxCmdFirstLine = 1212;
constexpr CommandT kKxCmdLastLine = 1213;
constexpr CommandT kKxCmdGotoPage = 1221;
constexpr CommandT kKxCmdPrevPage = 1222;
constexpr CommandT kKxCmdNextPage = 1223;
// Width the bar gains when shown, and how far it moves when the margin goes.
constexpr std::int32_t kKxInfoShownWidth = 130;
constexpr std::int32_t kKxInfoShift = 40;
// The status texts: a label of up to 7 bytes and a signed 32-bit number
// (11 characters with the sign) always fit.
constexpr std::size_t kKxStatusTextMax = 7 + 11;

// "label" + number, never longer than kKxStatusTextMax bytes; labels longer
// than 7 bytes are cut at a character boundary of their script.
std::string KxStatusText(const std::string& label, long number);
// The item of the scale menu for a scale (0 stands for 100 %), 0 for a
// scale not in the menu.
std::int16_t KxScaleMenuItem(short scale);
// The command a click in the page field sends (0: none), in paper view only.
CommandT KxPageJumpCommand(std::uint16_t modifiers);
// The command a click in the line field sends (0: none).
CommandT KxLineJumpCommand(std::uint16_t modifiers, int clicks);

class CKXTextInfoView : public LView {
 public:
  CKXTextInfoView();
  explicit CKXTextInfoView(const KxLayoutPaneRecord& record);
  ~CKXTextInfoView() override;

  // The text view whose engine the bar shows; null detaches.
  void SetTextView(CKXTextView* view) { mTextView = view; }
  CKXTextEngine* GetEngine() const;

  void ClickSelf(const SMouseDownEvent& event) override;
  // Pops up the scale menu; the host answers later with a choice that
  // ChooseScaleItem hands to the bar that asked.
  void DoInfoMenu();
  static bool ChooseScaleItem(std::int16_t item);
  // Whether a scale menu waits for its choice; forgetting it lets a later
  // pop-up's choice go elsewhere.
  static bool IsScaleMenuOpen() { return sPendingScaleMenu != nullptr; }
  static void ForgetScaleMenu() { sPendingScaleMenu = nullptr; }
  // The document window's information menu, from a click on the mark.
  void DoWindowInfoMenu();
  void DoPageJump(std::uint16_t modifiers);
  void DoLineJump(std::uint16_t modifiers, int clicks);

  void SetModified(bool modified);
  bool GetModified() const { return mModified; }
  bool GetReadOnly() const { return mReadOnly; }
  // Redraws the page, line and column fields.
  void UpdateGage();

  void SetHidden(bool hidden) { mHidden = hidden; }
  void SetLineHidden(bool hidden) { mLineHidden = hidden; }
  void AdaptToSuperFrameSize(std::int32_t dw, std::int32_t dh, bool refresh) override;

  void Draw(RgnHandle portRgn) override;
  void DrawSelf() override;
  // What the page and line fields show now ("" for no page outside paper view).
  std::string PageText() const;
  std::string LineText() const;
  // The caret's line as shown (restarts subtracted) and its column from 1.
  void GetShownLineColm(long& line, long& column) const;

  static void SetLabels(const std::string& page, const std::string& line, const std::string& column);

  const Rect& GetZoomRect() const { return mZoomRect; }
  const Rect& GetPageRect() const { return mPageRect; }
  const Rect& GetLineRect() const { return mLineRect; }

 protected:
  void ActivateSelf() override { DrawNow(); }
  void DeactivateSelf() override { DrawNow(); }

 private:
  void DrawNow();
  // Draws the part of the bar from x = `from` on at once.
  void RedrawFrom(std::int32_t from);
  void DrawInfo(const Rect& area);
  void DrawInfoArea(const Rect& area);
  void DrawInfoIcon(std::int16_t h, std::int16_t v, bool active);
  void SendCommand(CommandT command);

  static CKXTextInfoView* sPendingScaleMenu;
  CKXTextView* mTextView = nullptr;
  Rect mZoomRect{2, 5, 14, 18};   // top, left, bottom, right
  Rect mPageRect{2, 44, 14, 80};
  Rect mLineRect{2, 80, 14, 170};
  bool mModified = false;
  bool mReadOnly = false;
  bool mHidden = true;
  bool mShifted = false;
  bool mLaidOutHidden = true;
  bool mLineHidden = false;
};
