// The host: what the framework needs of the desktop it runs on (events,
// windows, the clipboard, dialogs and file choices, beeps), behind one
// interface. The headless host serves tests and scripts; a GTK host serves
// the real program. The framework talks only to this interface.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/framework/events.h"
#include "platform/host/clipboard_store.h"
#include "platform/host/drag_data.h"
#include "platform/types.h"

// Pixels of an icon: width x height, 0x00RRGGBB a pixel, rows top first.
struct KxIconPixels {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> rgb;
};

class KxPort;
class KxPrintout;
struct KxPageSetup;
struct KxPrintRecord;
struct KxDialogRequest;
struct KxDialogReply;

using KxWindowID = std::uint32_t;   // 0: no window
constexpr KxWindowID kKxNoWindow = 0;

// What a host window reports to the framework object that owns it.
class KxWindowClient {
 public:
  virtual ~KxWindowClient() = default;
  virtual void HostActivate(bool active) = 0;
  // Part of the window must be drawn again.
  virtual void HostUpdate(const Rect&) {}
  // A mouse-down in the window; true when it went to one of the program's
  // own views, which asks for the fast event wait until the button is up.
  virtual bool HostMouseDown(const EventRecord&) { return false; }
  virtual void HostMouseUp(const EventRecord&) {}
  // The window's backing store: the program draws into it at once, and a
  // host that shows windows copies it to the screen (and nothing else).
  // Null while the window has none.
  virtual KxPort* HostPort() { return nullptr; }
  // The window's content was resized by the user (global bounds).
  virtual void HostResized(const Rect&) {}
  // The user asked to close the window (the close box).
  virtual void HostAttemptClose() {}
  // The scroll wheel turned over the window (a kKxWheelEvt event).
  virtual void HostWheel(const EventRecord&) {}
  // Data dropped on the window at a point in its content (every byte
  // already fetched); true when taken.
  virtual bool HostDrop(const KxDragData&, Point /*where*/) { return false; }
};

// An entry of a pop-up menu (the contextual menu): `parent` is the index of
// the entry whose submenu holds it, -1 for the top level.
struct KxPopupEntry {
  std::string text;   // Shift_JIS
  int parent = -1;
  bool separator = false;
  bool submenu = false;   // opens the entries whose parent it is
  bool enabled = true;
  std::uint16_t mark = 0;
  std::uint8_t style = 0;   // the faces the item is shown in (kFaceBold ...)
  std::int16_t icon = 0;    // a colour icon of the resources shown before the text, 0 none
};
// Choosing a pop-up entry posts a menu-choice event with this menu ID and
// the entry's index as the item.
constexpr std::int16_t kKxPopupMenuID = 0x7FFF;

// Answers of dialogs and file choosers.
enum class KxAnswer { kOK, kCancel, kSave, kDontSave };
enum class KxAlertKind { kNote, kCaution, kStop };
// How a print job ended; a cancel is no failure.
enum class KxPrintResult { kPrinted, kCancelled, kFailed };

class KxHost {
 public:
  virtual ~KxHost() = default;

  // Events. The next event, or false after waiting up to `sleepTicks` for
  // none (the event is then a null event stamped with the time).
  virtual bool WaitNextEvent(EventRecord& event, std::uint32_t sleepTicks) = 0;
  // Whether the user asked to stop (Escape, or command-period) since the
  // last look; the key is taken out of the queue.
  virtual bool PeekForEscape() = 0;
  // True when a scripted run has nothing more to give.
  virtual bool ShouldStop() const { return mScriptEnded; }

  // Windows, front to back. A new window comes to the front; a change of
  // the front window sends deactivate and activate events.
  virtual KxWindowID CreateWindow(KxWindowClient* client, const Rect& bounds, const unsigned char* title) = 0;
  virtual void DestroyWindow(KxWindowID window) = 0;
  virtual void SelectWindow(KxWindowID window) = 0;
  virtual void SetWindowBounds(KxWindowID window, const Rect& bounds) = 0;
  virtual Rect GetWindowBounds(KxWindowID window) const = 0;
  virtual void SetWindowTitle(KxWindowID window, const unsigned char* title) = 0;
  // The title in UTF-8, for a name Shift_JIS cannot carry: a host that
  // shows windows shows it in place of the title until SetWindowTitle
  // comes again. What the program reads back stays the Shift_JIS title.
  virtual void SetWindowTitleUTF8(KxWindowID /*window*/, const std::string& /*title*/) {}
  // Whether the window shows its document as changed since it was saved. A
  // host that shows windows marks what the desktop shows of the title; the
  // title itself (SetWindowTitle, and what the program reads back) stays.
  virtual void SetWindowModified(KxWindowID /*window*/, bool /*modified*/) {}
  // `area` is in the window's content pixels, (0, 0) at its top-left (the
  // backing store's own coordinates); a host that shows windows has the
  // client draw it again (HostUpdate) before it copies it out.
  virtual void InvalidateWindow(KxWindowID window, const Rect& area) = 0;
  virtual std::vector<KxWindowID> WindowList() const = 0;
  virtual KxWindowClient* GetWindowClient(KxWindowID window) const = 0;
  // The window under a global point, or kKxNoWindow.
  virtual KxWindowID FindWindow(Point where) const = 0;
  KxWindowID FrontWindow() const;
  // Floating windows (palettes, the mark list): they stand above the
  // document windows, take clicks but never the keyboard, and are never
  // the front window nor activated; WindowList and FrontWindow leave them
  // out, FloatingWindowList lists them (oldest first) and FindWindow finds
  // a shown one before any other. They are made hidden. A host without
  // them makes a plain window.
  virtual KxWindowID CreateFloatingWindow(KxWindowClient* client, const Rect& bounds, const unsigned char* title) {
    return CreateWindow(client, bounds, title);
  }
  virtual std::vector<KxWindowID> FloatingWindowList() const { return {}; }
  bool IsFloatingWindow(KxWindowID window) const;
  // A window made floating with SetWindowFloating: it stays in the window
  // list, but takes its clicks where it stands, as a floating window does.
  virtual bool IsUtilityWindow(KxWindowID /*window*/) const { return false; }
  virtual void ShowFloatingWindow(KxWindowID /*window*/, bool /*shown*/) {}
  virtual bool IsWindowShown(KxWindowID /*window*/) const { return true; }
  // The window (just made, in front) runs as a modal dialog: a host that
  // shows windows keeps it above the window behind it, which takes no input
  // while it is open.
  virtual void SetWindowModal(KxWindowID /*window*/) {}
  // The window (just made, in front) is a floating palette or a dialog
  // that leaves the loop running: a host that shows windows keeps it above
  // the window behind it, without a menu bar of its own; every window
  // still takes input.
  virtual void SetWindowFloating(KxWindowID /*window*/) {}
  // The window (just made) is a modeless dialog of the program: a host that
  // shows windows gives it no menu bar of its own; it is neither modal nor
  // kept above the other windows, and its keys still reach the program's
  // menu-key lookup.
  virtual void SetWindowModeless(KxWindowID /*window*/) {}

  // The clipboard: bytes by four-character type.
  virtual void ClearClipboard() = 0;
  virtual void PutClipboard(OSType type, const void* data, std::size_t size) = 0;
  // False when the clipboard holds no data of this type.
  virtual bool GetClipboard(OSType type, std::vector<std::uint8_t>& data) const = 0;
  virtual std::vector<OSType> ClipboardTypes() const = 0;
  // Counts the changes of the clipboard's contents (the program's own and
  // another program's), so that a window showing them knows when to read
  // them again.
  virtual std::uint32_t ClipboardChangeCount() const { return 0; }
  // Every flavor of the clipboard at once (host_clipboard.cpp): a paste
  // reads one snapshot, so that it never mixes two copies.
  virtual void GetClipboardSnapshot(KxClipboardStore& out) const;
  // A drag the program starts from `window` with its data; a host that
  // shows windows runs it on the desktop. Answers whether it started.
  virtual bool StartDrag(KxWindowID window, const KxDragData& data);
  // True when the pointer is live between events (a desktop), so that a
  // press where a drag may start waits to see whether the mouse moves;
  // scripted hosts say so before they deliver the press instead.
  virtual bool WaitsForMouseMoves() const { return false; }
  // The clicks of the mouse-down last handed to the program (2 for a double
  // click), counted from when its presses happened; 0 when the host leaves
  // the counting to the program (it counts as the presses arrive).
  virtual int EventClickCount() const { return 0; }
  // True while a modal dialog of the host turns the main loop: whatever
  // asked for it still holds its objects on the stack below.
  virtual bool ShowingModal() const { return false; }

  // Dialogs and file choosers.
  virtual KxAnswer AskSaveChanges(const std::string& documentName) = 0;
  virtual KxAnswer Alert(KxAlertKind kind, const std::string& text) = 0;
  // A file to open; false when the user cancelled.
  virtual bool ChooseFile(std::string& path) = 0;
  // Where to save; false when the user cancelled.
  virtual bool ChooseSaveFile(const std::string& defaultName, std::string& path) = 0;
  virtual void Beep() = 0;
  // The menu model changed its items; hosts that show menus rebuild them.
  virtual void MenuBarChanged() {}
  // Shows a pop-up menu at a global point and returns at once: a choice
  // arrives later as a menu-choice event (kKxPopupMenuID).
  virtual void PopUpMenu(const std::vector<KxPopupEntry>& /*entries*/, Point /*where*/) {}

  // Ends the composition of the window's input-method context, as the
  // program ends its own (a click elsewhere, a command, a save): the
  // context is reset and `committed` gets exactly what it commits while it
  // resets (often nothing), which then stands for the composition; nothing
  // of the composition is kept otherwise. False when the host has no
  // context for the window: the program then keeps its composition as
  // text.
  virtual bool ResetInputMethod(KxWindowID /*window*/, std::string& /*committed*/) { return false; }

  // The colour chooser, modal to `parent` (kKxNoWindow: to the program):
  // true with the colour chosen in `colour` (which it starts from), false
  // when the user cancelled. `title` is UTF-8.
  virtual bool ChooseColour(KxWindowID /*parent*/, const std::string& /*title*/, RGBColor& /*colour*/) {
    return false;
  }

  // Shows the cursor of a cursor ID (platform/toolbox/cursors.h): hosts
  // without a pointer do nothing.
  virtual void SetCursor(std::int16_t /*cursorID*/) {}
  // The area windows may take (zooming): the main screen, global
  // coordinates.
  virtual Rect GetScreenBounds() const { return Rect{0, 0, 768, 1024}; }
  // The whole work area, decorations included (GetScreenBounds is where a
  // window's content may go), and a window's outer frame with its
  // decorations: a host without decorations answers the content.
  virtual Rect GetWorkArea() const { return GetScreenBounds(); }
  virtual Rect GetWindowFrame(KxWindowID window) const { return GetWindowBounds(window); }
  // The desktop's icon of a content type at `size` pixels a side; false
  // when the host has none (the headless host never has).
  virtual bool ContentTypeIcon(const std::string& /*contentType*/, std::int32_t /*size*/, KxIconPixels& /*out*/) {
    return false;
  }

  // Window-modal file choosers and document questions
  // (platform/host/host_dialogs.h): BeginDialog shows one and returns at
  // once (0: it could not be shown); PollDialog answers true, with the
  // reply, once the user has answered. The base answers at once through
  // the plain choosers above.
  virtual std::uint32_t BeginDialog(const KxDialogRequest& request);
  virtual bool PollDialog(std::uint32_t dialog, KxDialogReply& reply);

  // Printing (host_print.cpp): the desktop's page set-up dialog over
  // `setup`, true with the new set-up when accepted; and its print dialog
  // over `record`, printing the panels the user chose on the record's
  // sheet, run to the end before it returns (`why` says what failed; what
  // the printout throws is passed on). The record keeps the user's choices.
  // The base has no dialogs and cancels both.
  virtual bool RunPageSetup(KxPageSetup& setup);
  virtual KxPrintResult RunPrint(KxPrintout& printout, KxPrintRecord& record, std::string& why);

  // A scripted run (the drivers): the script's source of input, called by
  // the host's event wait when it has nothing else to hand out, so that
  // the script's next step runs inside whichever loop waits, the
  // application's or a modal dialog's nested one.
  enum class ScriptTurn {
    kStep,    // a step ran: its events (if any) come next
    kIdle,    // an idle turn on the clock is owed
    kEnded,   // the script has no more steps
  };
  using ScriptFeeder = std::function<ScriptTurn()>;
  void SetScriptFeeder(ScriptFeeder feeder);
  // Once the feeder has ended, ShouldStop answers true, so that dialogs
  // still open end cancelled and every loop unwinds.
  bool ScriptEnded() const { return mScriptEnded; }
  bool HasScript() const { return bool(mFeeder); }

 protected:
  // Runs the feeder once (kEnded without one). The feeder may run nested
  // loops that wait here again: each call takes the next step.
  ScriptTurn FeedScript();

 private:
  ScriptFeeder mFeeder;
  bool mScriptEnded = false;
};

// Whether compositions show inline in the text (true) or in the input
// method's own window: the program's setting, asked by a host that shows
// windows whenever it may have changed. True until a query is set.
using KxInlineInputQuery = std::function<bool()>;
void KxSetInlineInputQuery(KxInlineInputQuery query);
bool KxInlineInputWanted();

// The installed host (not owned); without one, a headless host answers.
void KxSetHost(KxHost* host);
KxHost& KxCurrentHost();

// The clipboard's text as Shift_JIS bytes, for fields: the program's own
// "TEXT", else what another program offered ("utxt"), its characters
// without a Shift_JIS form as the placeholder. False when it holds no text.
bool KxClipboardScriptText(std::string& out);
// Whether it holds text in either form (no conversion).
bool KxClipboardHasText();
