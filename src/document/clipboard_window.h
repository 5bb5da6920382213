// The clipboard window and the scrap book. The window shows what is on the
// clipboard (styled text or a picture) through a display engine and keeps
// a list of named clips; the clips are one styled text held by an engine
// without a window, each clip a range named by a mark, stored as a
// container document in the preference folder with a factory copy in the
// program's data folder. CKXTextClipboardView is the same display without
// the list, for other tool windows.
//
// The scrap-book half (class-wide state and operations) is in
// clipboard_scrap.cpp, the window half in clipboard_window.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "layout/kxtext_handle.h"
#include "platform/framework/broadcaster.h"
#include "platform/framework/periodical.h"
#include "platform/framework/view.h"
#include "platform/framework/window.h"
#include "platform/types.h"

class CKXTextEngine;
class LCommander;
class LWindow;

// Pane IDs of the clipboard window (layout 1110).
constexpr std::int16_t kKxClipboardLayout = 1110;
constexpr PaneIDT kKxClipList = 1103;
constexpr PaneIDT kKxClipName = 1104;
constexpr PaneIDT kKxClipStore = 1105;
constexpr PaneIDT kKxClipDelete = 1106;
constexpr PaneIDT kKxClipKeep = 1107;
constexpr PaneIDT kKxClipDisplay = 1108;

// A clip name holds at most this many bytes (a length byte in 32).
constexpr std::size_t kKxClipNameBytes = 31;
// The Edit menu lists at most this many clips (commands 1520-1599).
constexpr int kKxClipMenuMax = 80;

// How a scrap book file was read: not there, there but nothing of it
// usable, some clips read but not all, or every clip as stored.
enum class KxScrapRead { kMissing, kUnreadable, kPartial, kWhole };

// What the clipboard holds, as GetClipboardType answers it.
enum KxClipboardType : short { kKxClipNone = 0, kKxClipPlain = 1, kKxClipStyled = 2, kKxClipPicture = 3 };

// A tool window that the Close command closes ("kxtw").
class CKXToolWindow : public LWindow {
 public:
  static constexpr OSType kClassID = FourCC("kxtw");
  explicit CKXToolWindow(const KxLayoutPaneRecord& record) : LWindow(record) {}
  ~CKXToolWindow() override;
  bool ObeyCommand(CommandT command, void* param) override;
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override;
};

// The display both views share: an engine without a document that shows
// the clipboard's contents in the view's frame.
class CKXClipboardDisplay {
 public:
  explicit CKXClipboardDisplay(LView& view);
  ~CKXClipboardDisplay();
  CKXClipboardDisplay(const CKXClipboardDisplay&) = delete;
  CKXClipboardDisplay& operator=(const CKXClipboardDisplay&) = delete;

  CKXTextEngine& Engine() const { return *mEngine; }
  // The clipboard's contents replace the engine's text; then Fix(false).
  void ReceiveClipboard();
  // The engine's view rectangle follows the frame; the view's image takes
  // the laid-out height.
  void Fix(bool refresh);
  // Draws the part of the text the frame shows (white ground when `erase`).
  void Draw(bool erase);

 private:
  LView& mView;
  std::unique_ptr<CKXTextEngine> mEngine;
};

// The list-less view ("kxcl").
class CKXTextClipboardView : public LView {
 public:
  static constexpr OSType kClassID = FourCC("kxcl");
  explicit CKXTextClipboardView(const KxLayoutPaneRecord& record);
  ~CKXTextClipboardView() override;

  virtual void ReceiveClipboard();
  virtual void FixClipboard(bool refresh);
  // Re-reads the clipboard and redraws.
  void UpdateNow();
  CKXTextEngine& GetDisplayEngine() const { return mDisplay.Engine(); }

  void DrawSelf() override;
  void ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) override;

 private:
  CKXClipboardDisplay mDisplay;
};

// The clipboard window's view ("kxcb"): the display, and the owner of the
// window's list, name field and buttons.
class CKXTextClipboard : public LView, public LListener, public LPeriodical {
 public:
  static constexpr OSType kClassID = FourCC("kxcb");
  explicit CKXTextClipboard(const KxLayoutPaneRecord& record);
  ~CKXTextClipboard() override;

  // ---- the window -------------------------------------------------------------------------------
  // Brings the window forward, or makes it.
  static void ShowClipboard(LCommander* super);
  static bool IsTextClipboard() { return sTextClipboard != nullptr; }
  static CKXTextClipboard* GetTextClipboard() { return sTextClipboard; }
  // The window's list and display follow the clipboard (after a copy, a
  // resume, another program's copy).
  static void UpdateClipboard();
  // Closes the window when open.
  static void CloseClipboard();
  // The window is about to go: its bounds are kept for the next opening.
  static void WindowClosing(const LWindow& window);

  // ---- the scrap book ---------------------------------------------------------------------------
  // Where the scrap book lives: the preference folder and the program's
  // data folder (the factory copy is in its "factory" folder).
  static void SetFolders(const std::string& preferenceFolder, const std::string& dataFolder);
  static std::string ScrapPath();
  static std::string EarlierScrapPath();
  static std::string FactoryScrapPath();
  // Loads the scrap book (once); with onlyIfKept only while the
  // keep-scrap-book option is on. A file that is there but not read whole
  // is moved aside before the first write, never written over.
  static void InitializeScrap(bool onlyIfKept);
  // Writes the scrap book when changed, then drops it.
  static void TerminateScrap();
  // Writes the scrap book when changed; false when the write failed (the
  // old file stays, the scrap book stays changed, the user is told once).
  // A damaged file read at start-up goes first to a free name beside it
  // (".damaged", ".damaged 2", ...), with a note naming it. With no clips
  // left the file goes; the factory clips come back at once, or with
  // `factoryLater` at the next update (the book stays changed till then).
  static bool UpdateScrap(bool factoryLater = false);
  static bool ReadFactorySettings();
  static bool IsScrapLoaded() { return sTextScrap != nullptr; }
  static bool IsScrapChanged() { return sTextScrapChanged; }
  static CKXTextEngine* GetScrapEngine() { return sTextScrap; }
  // Clip n (1-based) with its styles into `text`; false without a scrap
  // book, past the clip count, or for an empty clip.
  static bool GetScrapText(long n, KXTextHandle text);
  // The Edit menu's clip items (none unless the option is on and the
  // scrap book is loaded).
  static void UpdateMenu();
  static std::vector<std::string> MenuClipNames();
  static short GetClipboardType();

  // Clips: names as stored (Shift_JIS).
  static long CountClips();
  static std::string ClipName(long n);
  // Appends `text` as a clip named `name` (cut to 31 bytes on a character
  // boundary); false for an empty name or text, or without a scrap book.
  static bool AddClip(const std::string& name, KXTextHandle text);
  static bool DeleteClip(long n);
  // Clip n onto the clipboard.
  static bool PutClipOnClipboard(long n);
  static bool KeepScrapBook();

  // ---- the view ---------------------------------------------------------------------------------
  void ListenToMessage(MessageT message, void* param) override;
  void DrawSelf() override;
  void ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) override;
  void FinishCreateSelf() override;
  // Follows the clipboard when anyone changed it.
  void SpendTime(const EventRecord& event) override;
  virtual void ReceiveClipboard();
  virtual void FixClipboard(bool refresh);
  CKXTextEngine& GetDisplayEngine() const { return mDisplay.Engine(); }

 private:
  void InitClipList();
  void UpdateClipboardItems();
  void ChangeClipboardScrap();
  void AddClipboardScrap();
  void DeleteClipboardScrap();
  void MenuClipboardScrap();
  static KxScrapRead ReadScrapFile(const std::string& path);

  CKXClipboardDisplay mDisplay;
  LWindow* mWindow = nullptr;
  std::uint32_t mClipboardSeen = 0;   // the host's change count last shown

  // A plain pointer: a scrap book still loaded at exit must not be torn
  // down after the engine registry it belongs to.
  static CKXTextEngine* sTextScrap;
  static bool sTextScrapChanged;
  static CKXTextClipboard* sTextClipboard;
  static Rect sBoundsClipboard;
};
