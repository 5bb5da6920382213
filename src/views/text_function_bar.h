// The function-key bar: one floating window per program with a button per
// function key. Each button shows what its key does with the modifier keys
// held now (none, shift, option, both) and sends that when clicked: the
// command bound in the live function-key table, or for an empty slot the
// macro bound to the key. The bar polls the modifiers at idle time and
// relabels itself when a dynamic menu that a key points into changes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/framework/commander.h"
#include "platform/framework/periodical.h"
#include "platform/framework/view.h"
#include "platform/framework/window.h"
#include "platform/longrect.h"

constexpr int kKxFunctionKeys = 12;     // F1-F12
constexpr int kKxFunctionPlanes = 4;    // none, shift, option, shift+option
constexpr PaneIDT kKxFunctionBarPane = 4051;
constexpr ResIDT kKxFunctionBarLayout = 4050;
constexpr ResIDT kKxFunctionBarThemedLayout = 4060;   // with the appearance theme
// The labels of all planes live in one block of this many bytes.
constexpr std::size_t kKxFunctionLabelBlock = 3072;

// The labels of the 48 slots (plane-major), stored as length-prefixed
// strings one after another in a block of at most kKxFunctionLabelBlock
// bytes. A label that would pass the block is stored empty, never cut.
class KxFunctionLabels {
 public:
  KxFunctionLabels();
  void Clear();
  // Stores `text` (script bytes) for a slot; false (and stored empty) when
  // it is too long for an item or would pass the block.
  bool Set(int plane, int key, const std::string& text);
  // Key 1-12; empty outside.
  std::string Get(int plane, int key) const;
  std::size_t BlockSize() const { return mBlock.size(); }
  bool operator==(const KxFunctionLabels& other) const;
  // The block holds exactly what the slots point at: offsets inside it,
  // each string whole.
  bool Check() const;

 private:
  std::vector<std::uint8_t> mBlock;
  std::array<std::int32_t, kKxFunctionPlanes * kKxFunctionKeys> mAt{};   // -1: empty
};

// Where the labels come from: the menu text of a command ("" when none)
// and the name of the macro bound to function key `key` (1-12) with
// modifier code `mods` (shift 1, option 4).
struct KxFunctionLabelSources {
  std::function<std::string(CommandT)> menuText;
  std::function<std::string(int key, int mods)> macroName;
};
KxFunctionLabels KxBuildFunctionLabels(const KxFunctionLabelSources& sources);
// The modifier code of a plane: 0, 1, 4, 5.
int KxFunctionPlaneModifiers(int plane);
// 12 when any plane labels F11 or F12, else 10 for F9 or F10, else 8.
int KxFunctionKeyCount(const KxFunctionLabels& labels);
// The button rectangles of a bar `width` x `height` showing `count` keys;
// keys beyond the count get empty rectangles.
std::array<RectL, kKxFunctionKeys> KxFunctionKeyRects(std::int32_t width, std::int32_t height, int count);
// The dynamic menus whose change may relabel keys.
constexpr int kKxFunctionKindWindows = 1, kKxFunctionKindFontreg = 2, kKxFunctionKindMarks = 3,
              kKxFunctionKindMacros = 4, kKxFunctionKindClips = 5, kKxFunctionKindCheckers = 6,
              kKxFunctionKindForms = 7;
// Whether a command lies in the range of a dynamic menu kind (1-7).
bool KxFunctionCommandInKind(CommandT command, int kind);

class CKXTextFunctionBar : public LView, public LPeriodical {
 public:
  static constexpr OSType kClassID = FourCC("kxff");
  explicit CKXTextFunctionBar(const KxLayoutPaneRecord& record) : LView(record) {}
  ~CKXTextFunctionBar() override;

  // ---- the one bar ----
  static void ShowTextFunctionBar(LCommander* commander);
  static void HideTextFunctionBar();
  // Closes it; the preferences then keep `shown` as the shown flag.
  static void CloseTextFunctionBar(bool shown);
  static bool IsTextFunctionBar() { return sBar != nullptr; }
  static bool IsShowTextFunctionBar();
  static bool IsHideTextFunctionBar();
  static CKXTextFunctionBar* Get() { return sBar; }
  // The bar's global bounds, or the saved ones when it is closed.
  static void GetFunctionBounds(Rect& bounds);
  // A dynamic menu of `kind` changed: keys that point into it relabel.
  static void CheckUserMenu(int kind);
  // The modifier poll, at most once every 6 ticks; it also redraws the
  // keys whose command was enabled or disabled since, as the menus follow
  // the command status.
  static void CheckFunctionKey();
  // The plane of the modifier keys held now.
  static int CurrentKeyPlane();

  // The command of key 0-11 in the current plane (0 none) and whether the
  // target enables it.
  CommandT GetMenuCommand(int key, bool& enabled) const;
  void ExecuteFunctionBar(int key);
  int GetKeyCount() const { return mCount; }
  int GetPlane() const { return mPlane; }
  const std::array<RectL, kKxFunctionKeys>& GetRects() const { return mRects; }
  const KxFunctionLabels& GetLabels() const { return mLabels; }
  // The key under a bar point (0-11, -1 none).
  int FindKey(const SPoint32& local) const;

  void ClickSelf(const SMouseDownEvent& event) override;
  void DrawSelf() override;
  void ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) override;
  void SpendTime(const EventRecord& event) override;

 private:
  void InitTextFunctionBar();
  void StringTextFunctionBar();
  void ResizeTextFunctionBar();
  void CheckTextFunctionBar();
  void DrawButton(int key, bool pressed);
  void RememberBounds();

  KxFunctionLabels mLabels;
  std::array<RectL, kKxFunctionKeys> mRects{};
  int mCount = 8;
  int mPlane = 0;
  bool mWide = false;
  std::uint32_t mLastPoll = 0;
  // The look each key was last drawn with (0 none that follows a status,
  // 1 dimmed, 2 enabled), and whether a command status may have changed
  // since the last poll.
  std::array<std::int8_t, kKxFunctionKeys> mDrawnEnabled{};
  bool mStatusStale = false;
  Rect mBounds{0, 0, 0, 0};   // the window's global bounds, as last seen

  static CKXTextFunctionBar* sBar;
};
