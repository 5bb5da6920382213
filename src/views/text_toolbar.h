// The tool palette: one floating window per program with 28 command
// buttons and an orientation toggle, as a strip along the top of the screen
// or a narrow column. A button sends its command to the current target as
// the menu would (and into a macro being recorded); buttons 10 and 12 show
// the find and replace strings; a help line names the button under the
// mouse (string list 207).
#pragma once

#include <array>
#include <cstdint>

#include "platform/framework/commander.h"
#include "platform/framework/periodical.h"
#include "platform/framework/view.h"
#include "platform/framework/window.h"
#include "platform/longrect.h"

constexpr int kKxToolbarButtons = 28;   // rectangles 1-28; 0 is the toggle
constexpr PaneIDT kKxToolbarPane = 4001;
constexpr ResIDT kKxToolbarLayout = 4000;
constexpr ResIDT kKxToolbarHelpList = 207;
// Button n shows colour icon kKxToolbarIconBase + n.
constexpr short kKxToolbarIconBase = 4000;
// The palette byte of the preferences.
constexpr std::uint8_t kKxPaletteClosed = 0, kKxPaletteHorizontal = 1, kKxPaletteVertical = 2;

// The palette's layout for a screen: the width class, the button size, the
// 29 rectangles (palette coordinates), the help line and the palette's size.
struct SKXToolbarLayout {
  short widthClass = 640;
  short button = 22;
  std::array<RectL, kKxToolbarButtons + 1> rects{};
  RectL help{0, 0, 0, 0};
  std::int32_t width = 0, height = 0;
};
// The width class of a screen `screenWidth` px wide (the standard bounds,
// outset by 3 px on each side, decide).
short KxToolbarWidthClass(std::int32_t screenWidth);
SKXToolbarLayout KxToolbarLayout(short widthClass, bool vertical);
// The command of button n (1-28) before its fallback; with `shift` button 5
// is redo.
CommandT KxToolbarCommand(int button, bool shift);
// The command a disabled command falls back to (0: none).
CommandT KxToolbarFallback(CommandT command);

class CKXTextToolbar : public LView, public LPeriodical {
 public:
  static constexpr OSType kClassID = FourCC("kxtt");
  explicit CKXTextToolbar(const KxLayoutPaneRecord& record) : LView(record) {}
  ~CKXTextToolbar() override;

  // ---- the one palette ----
  static void ShowTextToolbar(LCommander* commander);
  static void HideTextToolbar();
  // Closes it; unless `keepPreference` (the program ending) the
  // preferences then keep it closed.
  static void CloseTextToolbar(bool keepPreference = false);
  static bool IsTextToolbar() { return sToolbar != nullptr; }
  static bool IsShowTextToolbar();
  static CKXTextToolbar* Get() { return sToolbar; }
  // The room the palette takes: v its height along the top, h its width
  // along the left (0 when closed).
  static Point SizeTextToolbar();
  // The find or replace string changed: buttons 10 and 12 are drawn again.
  static void FindString();
  // The help line follows a global mouse point.
  static void Messages(Point global);

  // The command button n sends now (after its fallbacks, 0 for the toggle
  // or none) and whether it is enabled.
  CommandT GetMenuCommand(int button, bool& enabled) const;
  void ExecuteToolbar(int button);
  bool IsVertical() const { return sVertical; }
  const SKXToolbarLayout& GetLayout() const { return mLayout; }
  int GetHelpButton() const { return mHelp; }
  // The button under a palette point (0 the toggle, -1 none).
  int FindButton(const SPoint32& local) const;

  void ClickSelf(const SMouseDownEvent& event) override;
  void DrawSelf() override;
  // The help line follows the pointer as the host last saw it.
  void SpendTime(const EventRecord& event) override;

 private:
  // Lays the palette out for the screen and puts its window in place.
  void InitTextToolbar();
  void DrawButton(int button, bool pressed);
  void DrawMessage();
  void CheckMessages(const SPoint32& local);

  SKXToolbarLayout mLayout;
  int mHelp = 0;

  static CKXTextToolbar* sToolbar;
  static bool sVertical;
};
