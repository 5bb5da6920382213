// The ruler of a document window: a gauge along the edge of the text (at
// its right edge, turned, in vertical writing) with a scale in one of six
// units, the page margins or the paragraph's indents and tabs, and room for
// the format bar above it. Dragging a mark changes the paragraph or the
// page through the engine's undoable commands; double clicks open the
// document's dialogs. Everything is drawn in (along, across) coordinates
// through KxHVMoveTo / KxHVLineTo / KxHVSetRect, so that one drawing serves
// both orientations.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/framework/broadcaster.h"
#include "platform/framework/commander.h"
#include "platform/framework/view.h"
#include "platform/host/host.h"
#include "text/runs/runs.h"
#include "views/text_view.h"

class CKXTextEngine;
struct KxTextPanes;

// Pane ID and class of the ruler.
constexpr PaneIDT kKxColmViewID = 1002;
constexpr OSType kKxColmViewClass = FourCC("kxcv");
// Commands that show or hide the ruler, the line numbers, the status bar,
// and the ruler's format bar.
constexpr CommandT kKxCmdShowRuler = 1401;
constexpr CommandT kKxCmdShowLines = 1402;
constexpr CommandT kKxCmdShowStatus = 1403;
constexpr CommandT kKxCmdShowFormBar = 1409;
// Depths: the gauge row, and the format bar (normal, wide screens).
constexpr std::int32_t kKxGageDepth = 16;
constexpr std::int32_t kKxFormDepth = 15;
constexpr std::int32_t kKxFormDepthWide = 17;
// Pop-ups: the unit menu and the line-number restart menu.
constexpr std::int16_t kKxGageUnitMenuID = 1000;
constexpr std::int16_t kKxGageLineMenuID = 1002;
// The macro badge's text: STR# 201 item 14.
constexpr short kKxGageBadgeList = 201;
constexpr short kKxGageBadgeIndex = 14;
// Gauge types: centimetres, inches, points, millimetres, characters,
// double characters (4 is no type).
enum : short {
  kKxGageCentimetre = 0,
  kKxGageInch = 1,
  kKxGagePoint = 2,
  kKxGageMillimetre = 3,
  kKxGageChar = 5,
  kKxGageDoubleChar = 6
};
// The format bar's controls (index: font 16, size 17, style 18, indent
// mode 0, new tab of kind k 1 + k, justification k 5 + k, line spacing
// minus, plus, value 9-11, character spacing 12-14, page form 15), and how
// much lower they sit on a vertical ruler.
constexpr int kKxFormControls = 19;
enum : int {
  kKxFormIndentMode = 0,
  kKxFormTabKinds = 1,
  kKxFormJustify = 5,
  kKxFormLineMinus = 9,
  kKxFormLinePlus = 10,
  kKxFormLineValue = 11,
  kKxFormCharMinus = 12,
  kKxFormCharPlus = 13,
  kKxFormCharValue = 14,
  kKxFormPage = 15,
  kKxFormFont = 16,
  kKxFormSize = 17,
  kKxFormStyle = 18
};
constexpr std::int32_t kKxFormVerticalShift = 17;
// Whether the bar takes its wide layout: the main screen is wider than
// 1000 px, asked once (Forget asks again, for tests).
bool KxFormWideLayout();
void KxFormForgetLayout();
// The gap between the bar's groups for a bar `length` px long: -1 when
// there is no room, at most 2.
std::int32_t KxFormGap(std::int32_t length, bool wide);
// Where each control starts and ends along the bar.
void KxFormControlSpans(std::int32_t length, bool wide, std::int32_t from[kKxFormControls],
                        std::int32_t to[kKxFormControls]);
// The text of the menu-bar item bound to a command ("" when none has it).
std::string KxGetMenuString(CommandT command);
// A menu resource's items as pop-up entries.
std::vector<KxPopupEntry> KxMenuPopupEntries(std::int16_t menuID);

// Tabs a paragraph holds at most (hit rectangles are kept for each).
constexpr int kKxGageTabs = 16;

// Drawing in (along, across) coordinates; `horizontal` false turns them: a
// point goes to (across - dAcross, along + dAlong), a rectangle swaps its
// axes.
void KxHVMoveTo(std::int32_t along, std::int32_t across, std::int32_t dAlong, std::int32_t dAcross, bool horizontal);
void KxHVLineTo(std::int32_t along, std::int32_t across, std::int32_t dAlong, std::int32_t dAcross, bool horizontal);
void KxHVSetRect(Rect& r, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d, bool horizontal);
// The pen position the two calls above move to (for checks).
PointL KxHVPoint(std::int32_t along, std::int32_t across, std::int32_t dAlong, std::int32_t dAcross, bool horizontal);

// One gauge type's scale: the minor step in hundredths of a pixel, minor
// steps per major step, the half tick, and the label's step.
struct KxGageScale {
  std::int32_t unit = 1;
  std::int32_t steps = 10;
  std::int32_t halfAt = 5;
  std::int32_t labelStep = 1;
};
// The scale of `type`; `charUnit` is the character unit (hundredths of a
// pixel) and `formCharSize` a page form's character size (0: none). Every
// unit is at least 1, so a scale always advances.
KxGageScale KxGageScaleOf(short type, std::int32_t charUnit, short formCharSize);

// One tick of a drawn scale: its place along the ruler (local pixels), its
// length (13, 4 or 2) and its label (-1 for none).
struct KxGageTick {
  std::int32_t at = 0;
  std::int16_t length = 0;
  std::int32_t label = -1;
};
// Where a position p (hundredths of a pixel from the line origin) shows:
// start + scaled(origin + (p + 50) / 100 - scroll).
struct KxGageMap {
  std::int32_t start = 0;    // the strip's first pixel (inset - 1)
  std::int32_t origin = 0;   // unscaled document pixels
  std::int32_t scroll = 0;   // unscaled document pixels
  std::int16_t scale = 0;    // percent; 0 means 100
  std::int32_t At(std::int64_t p) const;
};
// The ticks of a scale over `length` unscaled pixels that fall within
// [clipFrom, clipTo). The scale ends with a long tick on the line end, or
// 2 px past the previous tick when that lies closer to the end than that.
std::vector<KxGageTick> KxGageTicks(const KxGageScale& scale, const KxGageMap& map, std::int32_t length,
                                    std::int32_t clipFrom, std::int32_t clipTo);

// What the ruler asks of the document besides CKXTextDoc's calls; kept
// here so that the drivers' stand-in documents can answer too.
class CKXTextColmView : public LView, public CKXTextGage, public LListener {
 public:
  CKXTextColmView();
  explicit CKXTextColmView(const KxLayoutPaneRecord& record);
  ~CKXTextColmView() override;

  // ---- Wiring -------------------------------------------------------------------------------------
  void SetDocument(CKXTextDoc* doc) { mDocument = doc; }
  // The text view whose engine the ruler follows (the window's first).
  void SetTextView(CKXTextView* view);
  CKXTextView* GetTextView() const { return mTextView; }
  CKXTextEngine* GetEngine() const;
  void SetGageType(short type);
  short GetGageType() const { return mGageType; }
  void SetPercent(short scale) { mScale = scale; }
  // The requested inset before the strip (40 beside line numbers, else 0).
  void SetLeftIndent(short inset);
  std::int32_t GetLeftInset() const { return mLeftInset; }
  // Hidden panes take no room: the pane hides at once, and the next
  // re-layout moves it and the panes beside it.
  void SetInvisible(bool hidden);
  bool GetInvisible() const { return mHidden; }
  void SetVertical(bool vertical);
  bool IsVertical() const { return mVertical; }
  // The character unit from a font's cell (hundredths of a pixel, >= 1).
  void SetCharScale(short font, short size);
  std::int32_t GetCharUnit() const { return mCharUnit; }
  // 16, plus the format bar's depth while it shows.
  std::int32_t GetGageHeight() const override;
  void SetFormShown(bool shown);
  bool GetFormShown() const { return mFormShown; }
  void SetIndentMode(bool on) { mIndentMode = on; }
  bool GetIndentMode() const { return mIndentMode; }
  std::int32_t GetFormDepth() const { return mFormDepth; }

  // ---- Geometry and state from the text -----------------------------------------------------------
  void FixGage();
  void FixView();
  // Copies the selection's styles; redraws the gauge when they changed.
  void FixForm(bool redraw);
  void UpdateGage();
  void UpdateForm(bool redraw);
  // Status bar and line numbers after a restart change; the document is
  // marked modified.
  void UpdateViews();
  void ScrollGage(std::int32_t delta) override;
  void ListenToMessage(MessageT message, void* param) override;

  static short TypeToItem(short type);
  // Items 1-5; anything else gives type 0.
  static short ItemToType(short item);

  // ---- Pane behaviour -----------------------------------------------------------------------------
  void ClickSelf(const SMouseDownEvent& event) override;
  void DrawSelf() override;
  void Draw(RgnHandle portRgn) override;
  void ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) override;
  void AdaptToSuperFrameSize(std::int32_t dw, std::int32_t dh, bool refresh) override;
  void InvalPortRect(const RectL& portRect) override;
  void InvalPortRgn(RgnHandle portRgn) override;
  bool IsInvalPending() const { return mInvalPending; }
  const RectL& GetInvalRect() const { return mInvalRect; }

  // ---- Clicks (text_colm_click.cpp) ---------------------------------------------------------------
  // Codes: 0-3 a new tab of that kind, 5/6/7 first/left/right indent,
  // 10 + n tab n + 1.
  void DoClickFormTabsOrIndent(short code, const EventRecord& event, bool twice);
  void DoResizeColm(short mark, const EventRecord& event);
  // The format bar (text_colm_form.cpp).
  void DoClickFormAt(int index, const EventRecord& event, bool twice);
  void DoClickFormJustify(int kind, bool twice);
  void DoClickFormLineSpace(int index, const EventRecord& event, bool twice);
  void DoClickFormCharSpace(int index, const EventRecord& event, bool twice);
  void DoClickFormFont();
  void DoClickFormSize();
  void DoClickFormStyle();
  void DoClickFormCustom();
  bool GetWideLayout() const { return mWide; }
  void DoUnitMenu();
  void DoLineMenu();
  // A pop-up's choice (items from 1), as the application hands it on;
  // false when no ruler pop-up waits.
  static bool ChoosePopupItem(std::int16_t item);
  static bool IsPopupOpen() { return sPopupRuler != nullptr; }
  static void ForgetPopup() { sPopupRuler = nullptr; sPopupMenu = 0; }
  // The entries of the last ruler pop-up shown.
  static const std::vector<KxPopupEntry>& LastPopupEntries();
  void SetMacroBadge(bool on);

  // ---- What the ruler shows now (for checks and the drivers) --------------------------------------
  std::int32_t GetLineOrigin() const { return mOrigin; }
  std::int32_t GetLineLength() const { return mLength; }
  const SParaStyl& GetParaCopy() const { return mPara; }
  // The character style shown: a page form's own font and size replace the text's.
  const SStyl& GetStylCopy() const { return mStyl; }
  const Rect& GetUnitRect() const { return mUnitRect; }
  const Rect& GetLineRect() const { return mLineRect; }
  bool MarginShown(int k) const { return mMarginShown[k]; }
  const Rect& GetMarginRect(int k) const { return mMarginRect[k]; }
  // 0 first-line, 1 left, 2 right.
  const Rect& GetIndentRect(int k) const { return mIndentRect[k]; }
  const Rect& GetTabRect(int n) const { return mTabRect[n]; }
  const Rect& GetFormRect(int k) const { return mFormRect[k]; }
  // Whether the marks taking clicks are the indents and tabs.
  bool IndentMarksShown() const { return mIndentMode && mFormShown; }
  std::int16_t GetMarginPos(int k) const { return mMarginPos[k]; }

 protected:
  void ActivateSelf() override;
  void DeactivateSelf() override;

 private:
  friend class CKXColmTrack;
  struct Column {
    std::int32_t left = 0, width = 0, gap = 0, count = 1;
  };
  void DrawNow(const RectL* area);
  void DrawGage(const RectL& clip);
  void DrawGageFrame(bool active);
  void DrawGageType(std::int32_t origin, std::int32_t length, const RectL& clip, std::int16_t scale, int column);
  void DrawMarks(const KxGageMap& map, std::int32_t length, bool record, bool light, const RectL& clip);
  void DrawIcons(bool active);
  void DrawBadge();
  void DrawForm(bool active);
  void FixFormRects();
  void StepSpacing(int part, bool chars, const EventRecord& event, bool twice);
  bool ChooseFormItem(std::int16_t menu, std::int16_t item);
  void ClearHits();
  // Where the gauge row starts across the ruler.
  std::int32_t GageTop() const;
  std::int32_t Along() const;   // the frame's length along the ruler
  std::int32_t Across() const;  // its depth
  std::int16_t ShownScale() const;
  std::int32_t Scroll() const;
  KxGageMap MapFor(std::int32_t origin) const;
  // A rectangle in (along, across-from-the-outer-edge) terms.
  Rect GageRect(std::int32_t a1, std::int32_t c1, std::int32_t a2, std::int32_t c2) const;
  void MoveAC(std::int32_t a, std::int32_t c) const;
  void LineAC(std::int32_t a, std::int32_t c) const;
  // The along coordinate of a local point.
  std::int32_t AlongOf(SPoint32 local) const;
  std::int32_t AcrossOf(SPoint32 local) const;
  bool Hit(const Rect& r, SPoint32 local) const;
  bool TwiceClicked(const EventRecord& event, SPoint32 local);
  void PopUp(std::int16_t menuID, const std::vector<KxPopupEntry>& entries, SPoint32 localCorner);
  void ChooseUnit(std::int16_t item);
  void ChooseLine(std::int16_t item);
  long SelectionLine() const;
  bool ReadOnly() const;

  CKXTextDoc* mDocument = nullptr;
  CKXTextView* mTextView = nullptr;
  CKXTextEngine* mListening = nullptr;   // the engine heard
  std::int32_t mOrigin = 4;
  std::int32_t mLength = 1000;
  short mGageType = 0;
  std::int32_t mCharUnit = 800;   // hundredths of a pixel, never below 1
  short mScale = 0;
  std::int32_t mLeftInset = 41;   // requested + 1
  std::int32_t mRightReserve = 16;
  Rect mUnitRect{0, 0, 0, 0};
  Rect mLineRect{0, 0, 0, 0};
  bool mHidden = false;
  bool mLaidOutHidden = false;
  bool mReadOnly = false;
  RectL mInvalRect{0, 0, 0, 0};
  bool mInvalPending = false;
  bool mBusy = false;
  bool mVertical = false;
  bool mMacroBadge = false;
  std::int16_t mMarginPos[2] = {0, 0};
  std::int16_t mMarginIn[2] = {0, 0};
  std::int16_t mMarginOut[2] = {0, 0};
  Rect mMarginRect[2] = {};
  bool mMarginShown[2] = {false, false};
  std::int32_t mFormDepth = kKxFormDepth;
  bool mFormShown = false;
  bool mWide = false;
  bool mIndentMode = true;
  Rect mStripRect{0, 0, 0, 0};
  Rect mFormRect[19] = {};
  Rect mIndentRect[3] = {};
  Rect mTabRect[kKxGageTabs] = {};
  SStyl mStyl{};
  SParaStyl mPara{};
  bool mFormFlags[2] = {false, false};
  std::int16_t mFormID = 0;   // the page form the bar shows
  Column mColumn;
  std::vector<short> mPopupValues;   // the fonts or sizes of the bar's pop-up shown
  bool mLineVertical = false;   // laid out with the margin's 40 px along
  std::uint32_t mLastClickTick = 0;
  SPoint32 mLastClickAt{-1000, -1000};

  static CKXTextColmView* sPopupRuler;
  static std::int16_t sPopupMenu;
};

// Adds the ruler above the first text pane (at its right edge in vertical
// writing), as the document window places it: the text pane and its line
// margin make room; the scrollers and margins are told of it so that
// showing and hiding re-lay them out. The line margin, when present,
// reserves the ruler's first 40 px.
CKXTextColmView* KxAddTextRuler(KxTextPanes& panes, bool vertical);
// Links the scrollers and margins of a window to its ruler, margins and
// status bar (found by pane ID), for re-layout when any is shown or hidden.
void KxLinkTextGages(KxTextPanes& panes);
// Places every pane of the window again after a bar was shown or hidden.
void KxRelayoutTextWindow(KxTextPanes& panes, bool refresh);
// Shows or hides the ruler's format bar: the ruler takes its new depth and
// the panes beside it make room.
void KxSwitchFormBar(KxTextPanes& panes, bool show, bool redraw);
