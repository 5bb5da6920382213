// The GTK 3 host: real windows on the desktop behind the host interface.
//
// Each host window is a toplevel with the program's menu bar above one
// drawing area. The program draws into the window's backing store at once
// (its client's HostPort); the drawing area's draw handler copies that store
// to the screen and nothing else draws there. Invalid areas collect until
// the next turn of the loop, which has the client draw them (HostUpdate) and
// then queues the copy of just the rows that changed.
//
// Desktop input becomes EventRecords in one queue that WaitNextEvent hands
// out; the GLib main loop runs inside WaitNextEvent, so nested loops (modal
// dialogs, Escape polls) work through the same call. Key equivalents are not
// toolkit accelerators: keys reach the application, which looks them up in
// its own menus. User resizes and the close box reach the window client from
// WaitNextEvent, never from inside a toolkit handler.
//
// Only the files of this folder include the toolkit's headers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/host/host.h"
#include "platform/host/host_dialogs.h"

class KxPort;
struct KxPrintRange;

class KxGtkHost : public KxHost {
 public:
  // Opens the display and installs the host (and a clock with the desktop's
  // double-click and blink times). Null when no display can be opened, with
  // the reason in `why`. One host at a time.
  static std::unique_ptr<KxGtkHost> Open(std::string* why = nullptr);
  ~KxGtkHost() override;
  KxGtkHost(const KxGtkHost&) = delete;
  KxGtkHost& operator=(const KxGtkHost&) = delete;

  bool WaitNextEvent(EventRecord& event, std::uint32_t sleepTicks) override;
  bool PeekForEscape() override;

  KxWindowID CreateWindow(KxWindowClient* client, const Rect& bounds, const unsigned char* title) override;
  void DestroyWindow(KxWindowID window) override;
  void SelectWindow(KxWindowID window) override;
  void SetWindowBounds(KxWindowID window, const Rect& bounds) override;
  Rect GetWindowBounds(KxWindowID window) const override;
  void SetWindowTitle(KxWindowID window, const unsigned char* title) override;
  void SetWindowTitleUTF8(KxWindowID window, const std::string& title) override;
  // The desktop shows a modified window's title after a star.
  void SetWindowModified(KxWindowID window, bool modified) override;
  void InvalidateWindow(KxWindowID window, const Rect& area) override;
  std::vector<KxWindowID> WindowList() const override;
  KxWindowClient* GetWindowClient(KxWindowID window) const override;
  KxWindowID FindWindow(Point where) const override;
  // Utility windows, transient for the active document window (and moved
  // to the next one that becomes active), out of the taskbar and pager,
  // never taking the keyboard focus. The desktop's window manager keeps
  // them above; under Wayland the compositor places them.
  KxWindowID CreateFloatingWindow(KxWindowClient* client, const Rect& bounds, const unsigned char* title) override;
  std::vector<KxWindowID> FloatingWindowList() const override;
  void ShowFloatingWindow(KxWindowID window, bool shown) override;
  bool IsWindowShown(KxWindowID window) const override;
  // Transient for the window behind it, and modal.
  void SetWindowModal(KxWindowID window) override;
  void SetWindowFloating(KxWindowID window) override;
  // Without its menu bar; otherwise a window like any other.
  void SetWindowModeless(KxWindowID window) override;
  bool IsUtilityWindow(KxWindowID window) const override;
  // The main monitor's work area (without the desktop's panels), less room
  // for a window's title bar and menu bar: the content bounds a window may
  // take.
  Rect GetScreenBounds() const override;
  // The main monitor's work area, and a window's frame as the window
  // manager drew it (its content bounds until it is on the screen).
  Rect GetWorkArea() const override;
  Rect GetWindowFrame(KxWindowID window) const override;
  bool ContentTypeIcon(const std::string& contentType, std::int32_t size, KxIconPixels& out) override;
  // The desktop's font resolution (Xft.dpi; 96 when it sets none) and
  // whether it smooths its fonts (Xft.antialias; on when it says nothing).
  double FontResolution() const;
  bool FontSmoothing() const;

  // The desktop clipboard (gtk_clipboard.cpp): what the program puts is
  // offered under MIME targets; reads take one snapshot of every flavor.
  void ClearClipboard() override;
  void PutClipboard(OSType type, const void* data, std::size_t size) override;
  bool GetClipboard(OSType type, std::vector<std::uint8_t>& data) const override;
  std::vector<OSType> ClipboardTypes() const override;
  std::uint32_t ClipboardChangeCount() const override;
  void GetClipboardSnapshot(KxClipboardStore& out) const override;
  // A desktop drag of the data from the window, while the button that
  // starts it is down; drops on windows reach their clients (HostDrop)
  // with every byte fetched.
  bool StartDrag(KxWindowID window, const KxDragData& data) override;
  bool WaitsForMouseMoves() const override { return true; }
  bool ShowingModal() const override;

  KxAnswer AskSaveChanges(const std::string& documentName) override;
  KxAnswer Alert(KxAlertKind kind, const std::string& text) override;
  bool ChooseFile(std::string& path) override;
  bool ChooseSaveFile(const std::string& defaultName, std::string& path) override;
  // GtkColorChooserDialog, modal to the window.
  bool ChooseColour(KxWindowID parent, const std::string& title, RGBColor& colour) override;
  void Beep() override;
  void SetCursor(std::int16_t cursorID) override;
  void MenuBarChanged() override;
  // Asynchronous: the choice comes as an event (gtk_popup.cpp).
  void PopUpMenu(const std::vector<KxPopupEntry>& entries, Point where) override;
  // gtk_im_context_reset on the window's context, its commits caught.
  bool ResetInputMethod(KxWindowID window, std::string& committed) override;

  // Printing (gtk_print.cpp): the toolkit's page set-up dialog, and a print
  // operation with its print dialog over the record, run synchronously.
  bool RunPageSetup(KxPageSetup& setup) override;
  KxPrintResult RunPrint(KxPrintout& printout, KxPrintRecord& record, std::string& why) override;

  // --- For drivers and tests -------------------------------------------
  // Prints the panels of `range` on the sheet through a print operation
  // that exports a PDF (no dialog), put in place at `path` only once whole.
  // 0, ERANGE when the range holds no panel, or another errno value with
  // the reason in `why`.
  int ExportPDF(KxPrintout& printout, const KxPageSetup& setup, const KxPrintRange& range, const std::string& path,
                std::int32_t* printed, std::string* why);
  // Runs the loop until every window is on the screen with its latest
  // drawing (or a few seconds have passed); false when some is not.
  bool Flush();
  // Hands the toolkit's queued input to the handlers, then answers how many
  // entries wait for WaitNextEvent.
  std::size_t PendingEvents();
  // What the screen shows of the window's content, read back from the
  // display into a new image; null when the window is not shown.
  std::unique_ptr<KxPort> Screenshot(KxWindowID window);
  // Input put into the toolkit's own queue, as the desktop delivers it.
  // Key symbols are the toolkit's (X11) values; modifiers are event bits.
  void SynthesizeKey(KxWindowID window, unsigned keyval, std::uint16_t modifiers);
  // A press or release at a point of the window's content; `timeMs` is the
  // desktop's event time (click counting reads it).
  void SynthesizeButton(KxWindowID window, Point local, bool down, std::uint32_t timeMs, unsigned button = 1,
                        std::uint16_t modifiers = 0);
  // The pointer moved to a point of the window's content (the first button
  // held or not).
  void SynthesizeMotion(KxWindowID window, Point local, bool buttonDown, std::uint16_t modifiers = 0);
  void SynthesizeScroll(KxWindowID window, Point local, double dx, double dy);
  // The user dragging the frame to a content size, and clicking the close box.
  void SynthesizeResize(KxWindowID window, int width, int height);
  void SynthesizeClose(KxWindowID window);
  // The desktop's report that another program destroyed the window.
  void SynthesizeDestroyed(KxWindowID window);
  // Opens a menu of the bar (as a click on its title does) and closes it.
  bool OpenMenu(std::int16_t menuID);
  void CloseMenus();
  // Chooses an item as a click on it does; false when the front window's
  // bar does not show it.
  bool ActivateMenuItem(std::int16_t menuID, std::int16_t item);
  // What the front window's menu bar shows of an item.
  struct ShownItem {
    std::string label;   // UTF-8
    std::string accel;   // the shortcut as the label shows it ("Ctrl+N"), empty for none
    bool enabled = false;
    bool checked = false;
  };
  bool GetShownItem(std::int16_t menuID, std::int16_t item, ShownItem& shown) const;
  bool MenuOpen() const;
  // Whether a pop-up menu shows.
  bool PopupShown() const;
  // Whether the desktop holds the window as a modal dialog, and the window
  // it stays above (kKxNoWindow for none).
  bool IsModal(KxWindowID window) const;
  KxWindowID TransientFor(KxWindowID window) const;
  // The title as the desktop shows it (UTF-8), and whether the window has
  // a menu bar of its own.
  std::string ShownTitle(KxWindowID window) const;
  bool HasMenuBar(KxWindowID window) const;
  std::int16_t CurrentCursor() const;
  // Clicks of the last press (2 for a double click).
  int ClickCount() const;
  int EventClickCount() const override;
  int Beeps() const;
  // Whether the window's input-method context leaves its compositions to
  // the program (use-preedit) rather than showing them in its own window.
  bool InputMethodInline(KxWindowID window) const;

  // Window-modal file choosers and questions (gtk_file_dialogs.cpp): a
  // dialog with a parent shares a window group with it, so that it blocks
  // that window only; the caller's loop runs until it is answered.
  std::uint32_t BeginDialog(const KxDialogRequest& request) override;
  bool PollDialog(std::uint32_t dialog, KxDialogReply& reply) override;
  // For tests: the dialog begun last that is still open, as the desktop
  // holds it.
  struct ShownDialog {
    bool mapped = false;
    bool modal = false;
    bool windowModal = false;        // its own window group, shared with its parent only
    KxWindowID transientFor = kKxNoWindow;
    bool overwriteConfirmation = false;
    int filters = 0;
    int choices = 0;
    bool choicesSensitive = false;          // the first popup's
    std::vector<bool> choiceSensitive;      // each popup's
    std::string title;
  };
  bool GetShownDialog(ShownDialog& shown);
  // Runs the loop until that dialog is on the screen (false after a few
  // seconds), then saves what it shows as a PNG.
  bool WaitDialogShown();
  bool SaveDialogScreenshot(const std::string& pngPath);
  // Answers it as the user would: a question by its button, a chooser by
  // choosing the filter and popup items of `reply` and accepting its paths
  // (or cancelling). A save question or alert shown modal to the program
  // (AskSaveChanges, Alert) is answered first, by its button.
  bool AnswerShownDialog(const KxDialogReply& reply);
  // An alert (not a question) is showing: AnswerShownDialog answers it.
  bool AlertShown() const;
  // Chooses a filter of the shown chooser, as its filter popup does.
  bool ChooseShownFilter(int filter);
  // The colour chooser: the next one, once it shows, is answered as the
  // user would, with `colour` chosen (null: cancelled); and how the last
  // one showed (`shown` while it is open).
  void AnswerNextColourChooser(const RGBColor* colour);
  struct ShownColourChooser {
    bool shown = false;
    bool modal = false;
    KxWindowID transientFor = kKxNoWindow;
    std::string title;
  };
  ShownColourChooser LastColourChooser() const;
  // The next dialog of the toolkit that shows (a colour chooser, question,
  // alert, file chooser or print dialog) is closed, once on the screen,
  // other than by a button: by Escape, by its close box, or by its window
  // going away under it (as the toolkit takes the desktop's report that
  // another program destroyed it).
  enum class Dismissal { kEscape, kCloseBox, kDestroyed };
  void DismissNextDialog(Dismissal how);
  // The same dialog gets a key instead (an X11 key symbol, modifiers as
  // event bits: the option key is Alt, which presses a button by its
  // mnemonic).
  void PressKeyInNextDialog(unsigned keyval, std::uint16_t modifiers);
  // Warnings and criticals that the toolkit has logged (they still reach
  // stderr) since the host opened.
  int ToolkitComplaints() const;

  struct Impl;

 private:
  KxGtkHost();
  // Runs a question or alert of the toolkit (a GtkDialog) to its response,
  // inside which a script's steps run; destroys it.
  int RunMessageDialog(void* dialog);
  std::unique_ptr<Impl> mImpl;
};
