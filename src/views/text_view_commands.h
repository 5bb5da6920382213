// The text view's commands: one table gives, for every command number the
// view owns, what obeying it does, how its menu item is enabled and marked,
// and whether a read-only text disables it. The view's ObeyCommand and
// FindCommandStatus and the menu sweep all read this one table.
//
// The bodies act on a text engine; what they need of higher areas (the
// find strings and preferences, macros, name stamps, the clipboard history,
// word services, palettes, the font and size menus) is reached through
// CKXTextViewServices, whose defaults do nothing.
#pragma once

#include <cstdint>
#include <string>

#include "engine/text_engine.h"
#include "platform/framework/commander.h"

class CKXTextView;

// Menu marks.
constexpr std::uint16_t kKxMarkNone = 0;
constexpr std::uint16_t kKxMarkCheck = 18;
constexpr std::uint16_t kKxMarkMixed = 45;  // one of several values the selection carries

// Synthetic menus the view answers for.
constexpr std::int16_t kKxFontMenuID = 250;
constexpr std::int16_t kKxSizeMenuID = 251;

// Largest font size command 301 may still grow from.
constexpr short kKxLargestGrowableSize = 4998;

// Bits of the find options word handed to the layer.
constexpr short kKxFindBackward = 1;
constexpr short kKxFindRegExp = 16;

// Alert and note indices of the view's commands.
constexpr std::int16_t kKxStopModifiedReadOnly = 8;
constexpr std::int16_t kKxStopNoPicture = 10;
constexpr std::int16_t kKxNoteReplaced = 6;

// What the view needs from the application, the document and the tools.
// The application installs the real services; every default does nothing
// (or answers "none").
class CKXTextViewServices {
 public:
  CKXTextViewServices() = default;
  CKXTextViewServices(const CKXTextViewServices&) = delete;
  CKXTextViewServices& operator=(const CKXTextViewServices&) = delete;
  virtual ~CKXTextViewServices() = default;

  // The installed services (the do-nothing ones when none is); null
  // restores the defaults. Not owned.
  static void Install(CKXTextViewServices* services);
  static CKXTextViewServices& Get();

  // ---- Modal state ---------------------------------------------------------------------------------
  virtual bool IsDialogOpen() { return false; }
  // The document of `view` has an open or save sheet up.
  virtual bool IsSheetOpen(CKXTextView*) { return false; }
  virtual bool IsShiftDown() { return false; }
  virtual bool IsMacroRunning() { return false; }

  // ---- Find and replace ----------------------------------------------------------------------------
  // The find and replace strings (at most 255 bytes each).
  virtual std::string GetFindString() { return mFind; }
  virtual void SetFindString(const std::string& s) { mFind = s; }
  virtual std::string GetReplaceString() { return mRepl; }
  virtual void SetReplaceString(const std::string& s) { mRepl = s; }
  // The options word from the find preferences, Shift not yet applied.
  virtual short GetFindOptions() { return 0; }
  virtual void AddFindHistory(const std::string&) {}
  virtual void AddReplaceHistory(const std::string&) {}
  // The palettes' and tool windows' find fields follow the find string.
  virtual void ToolbarFindString(const std::string&) {}
  virtual void ToolsFindString(const std::string&) {}

  // ---- Settings of the application -----------------------------------------------------------------
  virtual bool GetInlineMode() { return mInline; }
  virtual void SetInlineMode(bool on) { mInline = on; }
  // The input method is switched off and on again after the mode changes.
  virtual void RestartInline(CKXTextView*) {}
  // The event handler of `view` holds an open composition.
  virtual bool IsInlineInput(CKXTextView*) { return false; }

  // ---- Pasting -------------------------------------------------------------------------------------
  // The name stamps; empty when there are none. The application's services
  // keep them in the preferences and show or hide the item that pastes them.
  virtual std::string GetNameStamps() { return mNameStamps; }
  virtual void SetNameStamps(const std::string& s) { mNameStamps = s; }
  virtual std::string GetDateText();
  virtual std::string GetTimeText();
  // Scrap-book clip n (1-based) with its styles, ruby, pictures and side
  // characters into `text`; false when missing or empty.
  virtual bool GetScrapText(long, KXTextHandle) { return false; }
  // Asks for a picture file and answers it as a picture index registered
  // with the text store; -1 when cancelled, -2 when the file is not a
  // picture the program reads.
  virtual long ChoosePicture() { return -1; }

  // ---- Tools and panes -----------------------------------------------------------------------------
  // The tool palette's byte of the preferences (0 closed, 1 horizontal,
  // 2 vertical); setting it marks the preferences changed.
  virtual std::uint8_t GetPaletteByte() { return mPalette; }
  virtual void SetPaletteByte(std::uint8_t value) { mPalette = value; }
  // The function-key bar's shown flag and saved global bounds in the
  // preferences; setting them marks the preferences changed.
  virtual bool GetFunctionBarShown() { return mBarShown; }
  virtual void SetFunctionBarShown(bool shown) { mBarShown = shown; }
  virtual Rect GetFunctionBarBounds() { return mBarBounds; }
  virtual void SetFunctionBarBounds(const Rect& bounds) { mBarBounds = bounds; }
  // The menu text of a command, dynamic menus included ("" when none).
  virtual std::string GetCommandMenuText(CommandT) { return {}; }
  virtual long CountWordServices() { return 0; }
  virtual void ExecuteWordServices(long, CKXTextView*) {}
  virtual bool IsMarkListOpen() { return false; }
  // Ruler (1401), line numbers (1402), status bar (1403): whether the pane
  // exists and is hidden.
  // By default the view's own window is asked.
  virtual bool IsPaneHidden(CKXTextView* view, long cmd);
  // Whether the ruler is shown (or absent), and whether its format bar is.
  virtual bool IsRulerShown(CKXTextView* view);
  virtual bool IsFormatBarShown(CKXTextView* view);
  // The page-form menu item of a form ID, 0 when none.
  virtual std::int16_t FindCustomFormItem(short) { return 0; }
  // Registered font n (1-based); false when missing.
  virtual bool GetFontreg(long, SStyl&, SDeco&) { return false; }
  virtual void SetEditScale(CKXTextEngine& engine, short percent) { engine.SetEditScale(percent); }
  virtual void FixColmForm(CKXTextView*) {}
  virtual void UpdateInfoView(CKXTextView*) {}

  // ---- Font and size menus -------------------------------------------------------------------------
  // The font number or size of a menu item; -1 when the item has none.
  virtual short GetFontNumber(std::int16_t) { return -1; }
  virtual short GetFontSize(std::int16_t) { return -1; }

 private:
  std::string mFind, mRepl, mNameStamps;
  bool mInline = true;
  std::uint8_t mPalette = 0;
  bool mBarShown = false;
  Rect mBarBounds{0, 0, 0, 0};
};

// The status of one command.
struct KxTextCommandStatus {
  Boolean enabled = false;
  Boolean usesMark = false;
  std::uint16_t mark = kKxMarkNone;
};

// What a command acts on: the engine, and the view when there is one.
struct KxTextCommandTarget {
  CKXTextEngine& engine;
  CKXTextView* view = nullptr;
};

enum class KxTextCommandOutcome { kPassUp, kDone };

// One row of the table: the commands first..last.
struct KxTextCommandRow {
  long first, last;
  // Null: passed up the commander chain.
  void (*obey)(KxTextCommandTarget&, long cmd);
  void (*status)(KxTextCommandTarget&, long cmd, KxTextCommandStatus&);
  bool readOnlyOff;  // disabled (and not obeyed) while the text is read-only
  bool refits;       // every view refits and redraws afterwards
};

// The row of a command; null when the view does not own it.
const KxTextCommandRow* KxFindTextCommand(long cmd);
// The whole table, in ascending order of command.
const KxTextCommandRow* KxTextCommandTable(std::size_t& count);

// Obeys a command of the table. A read-only text swallows the commands the
// filter disables, since macros and keys reach here without the menus.
KxTextCommandOutcome KxObeyTextCommand(KxTextCommandTarget& target, long cmd);
// The table's status with the read-only filter; kPassUp when not owned.
KxTextCommandOutcome KxTextCommandStatusOf(KxTextCommandTarget& target, long cmd, KxTextCommandStatus& status);

// Synthetic font and size menu items: the status and the command.
KxTextCommandOutcome KxObeySyntheticCommand(KxTextCommandTarget& target, std::int16_t menu, std::int16_t item);
KxTextCommandOutcome KxSyntheticCommandStatus(KxTextCommandTarget& target, std::int16_t menu, std::int16_t item,
                                              KxTextCommandStatus& status);

// While one lives, Escape (or command-period) stops a search, of a find
// command or of find-and-mark: it ends with kKXFindCancelled.
class StFindEscape {
 public:
  StFindEscape();
  ~StFindEscape();
  StFindEscape(const StFindEscape&) = delete;
  StFindEscape& operator=(const StFindEscape&) = delete;

 private:
  static bool Pressed();
  static inline std::uint32_t sNextLook = 0;
  bool (*mWas)();   // the check it replaced, put back at its end
};

// Forgets the place of the last failing find, so that the next failure
// beeps (the view does so when it becomes the target).
void KxResetFindMemo();
