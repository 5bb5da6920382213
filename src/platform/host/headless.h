// The headless host: an in-memory window list, a scripted event queue on a
// virtual tick clock, an in-memory clipboard, scripted answers for dialogs
// and file choosers, and counted beeps. Tests and the script drivers run the
// whole program on it.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/draw/print.h"
#include "platform/framework/input_method.h"
#include "platform/host/clipboard_store.h"
#include "platform/host/host.h"
#include "platform/host/host_dialogs.h"

class KxHeadlessHost : public KxHost {
 public:
  // Installs its clock (and, with `install`, itself as the host).
  explicit KxHeadlessHost(bool install = true);
  ~KxHeadlessHost() override;

  // The script. Events come in the order posted; when none waits, a window
  // with invalidated areas gets an update event (front window first), as
  // a desktop sends updates only when input has been taken.
  void PostEvent(const EventRecord& event);
  void PostKey(std::uint8_t ch, std::uint8_t keyCode, std::uint16_t modifiers = 0);
  void PostMouse(bool down, Point where, std::uint16_t modifiers = 0);
  // The mouse moved to `where` (global) with the button as it is: a turn of
  // idle time with that point, a tick after what went before, as tracking
  // panes and loops see a move on a desktop.
  void PostMouseMove(Point where, std::uint16_t modifiers = 0);
  void PostMenuChoice(std::int16_t menuID, std::int16_t item);
  // A scripted input method: a composition (clauses as UTF-8 byte ranges,
  // the caret a byte index, -1 at the end) or a commit reaches the target
  // in its turn among the posted events.
  void PostPreedit(const std::string& utf8, const std::vector<KxInputMethodClient::Clause>& clauses = {},
                   long caret = -1);
  void PostCommit(const std::string& utf8);
  // The mouse's last known position (global): every event handed out
  // carries it, as a desktop's events do. Mouse, wheel and mouse-moved
  // events taken from the queue move it; a posted null event is a move; a
  // driver that delivers a press itself tells the host here.
  void SetMouse(Point where) { mMouse = where; }
  Point GetMouse() const { return mMouse; }
  std::size_t PendingEvents() const { return mQueue.size(); }
  // With a limit, ShouldStop answers true once the queue is empty and that
  // many idle turns have passed; 0 (the default) never stops.
  void SetIdleLimit(std::uint32_t turns) { mIdleLimit = turns; }
  // Answers for the next dialogs and file choosers, in order. With none
  // queued a save question is cancelled (nothing closes unasked), an alert
  // is acknowledged and a file choice cancelled; but while a script feeds
  // the host, a question or alert runs its own loop in which the script's
  // next steps answer it (a script that ends there cancels it).
  void QueueAnswer(KxAnswer answer, std::string path = "");
  // The answer of the next colour chooser (QueueAnswer(kCancel) cancels it;
  // a chooser with any other answer first, or none, is cancelled).
  void QueueColourAnswer(const RGBColor& colour);
  std::size_t PendingAnswers() const { return mAnswers.size(); }

  KxFakeClock& Clock() { return mClock; }
  // The main screen (global coordinates); 1024 x 768 unless set.
  void SetScreenBounds(const Rect& r) { mScreen = r; }
  Rect GetScreenBounds() const override { return mScreen; }
  std::uint32_t LastSleep() const { return mLastSleep; }
  int Beeps() const { return mBeeps; }
  struct ShownAlert {
    KxAlertKind kind;
    std::string text;
  };
  const std::vector<ShownAlert>& Alerts() const { return mAlerts; }
  // An alert or save question is up, waiting for the script's answer: the
  // desktop's menus are out of reach meanwhile.
  bool AlertUp() const { return mAlertLoops > 0; }
  // Closes the alert that is up, as if it went unanswered, once the step
  // running inside it returns.
  void DismissAlert() { mDismiss = mAlertLoops > 0; }
  std::string GetWindowTitle(KxWindowID window) const;
  // The UTF-8 title as last set (SetWindowTitleUTF8), empty when none.
  std::string GetWindowTitleUTF8(KxWindowID window) const;
  // The modified mark as last set (SetWindowModified); the title keeps none.
  bool IsWindowModified(KxWindowID window) const;
  int CountInvalidations(KxWindowID window) const;
  // The cursor ID shown last (0 before any).
  std::int16_t GetCursor() const { return mCursor; }
  void SetCursor(std::int16_t cursorID) override { mCursor = cursorID; }
  // Drags (headless_drag.cpp): a drag the program starts is kept, to be
  // dropped by the script on a window of its choice; a drop reaches the
  // window's client as the desktop would hand it over.
  bool StartDrag(KxWindowID window, const KxDragData& data) override;
  const KxDragData* LastDrag() const { return mHasDrag ? &mLastDrag : nullptr; }
  bool Drop(KxWindowID window, const KxDragData& data, Point where);

  bool WaitNextEvent(EventRecord& event, std::uint32_t sleepTicks) override;
  bool PeekForEscape() override;
  bool ShouldStop() const override;

  KxWindowID CreateWindow(KxWindowClient* client, const Rect& bounds, const unsigned char* title) override;
  void DestroyWindow(KxWindowID window) override;
  void SelectWindow(KxWindowID window) override;
  void SetWindowBounds(KxWindowID window, const Rect& bounds) override;
  Rect GetWindowBounds(KxWindowID window) const override;
  void SetWindowTitle(KxWindowID window, const unsigned char* title) override;
  void SetWindowTitleUTF8(KxWindowID window, const std::string& title) override;
  void SetWindowModified(KxWindowID window, bool modified) override;
  void InvalidateWindow(KxWindowID window, const Rect& area) override;
  std::vector<KxWindowID> WindowList() const override;
  KxWindowClient* GetWindowClient(KxWindowID window) const override;
  KxWindowID FindWindow(Point where) const override;
  KxWindowID CreateFloatingWindow(KxWindowClient* client, const Rect& bounds, const unsigned char* title) override;
  std::vector<KxWindowID> FloatingWindowList() const override;
  // The window stays in the window list but takes the mouse above every
  // document window, as a utility window does on the desktop.
  void SetWindowFloating(KxWindowID window) override;
  bool IsUtilityWindow(KxWindowID window) const override;
  void ShowFloatingWindow(KxWindowID window, bool shown) override;
  bool IsWindowShown(KxWindowID window) const override;

  void ClearClipboard() override;
  void PutClipboard(OSType type, const void* data, std::size_t size) override;
  bool GetClipboard(OSType type, std::vector<std::uint8_t>& data) const override;
  std::vector<OSType> ClipboardTypes() const override;
  void GetClipboardSnapshot(KxClipboardStore& out) const override { out = mClipboard; }
  std::uint32_t ClipboardChangeCount() const override { return mClipboardChanges; }

  KxAnswer AskSaveChanges(const std::string& documentName) override;
  KxAnswer Alert(KxAlertKind kind, const std::string& text) override;
  bool ChooseFile(std::string& path) override;
  bool ChooseSaveFile(const std::string& defaultName, std::string& path) override;
  void Beep() override { ++mBeeps; }
  // Pop-up menus are recorded; a script chooses with PostMenuChoice.
  void PopUpMenu(const std::vector<KxPopupEntry>& entries, Point where) override {
    mPopup = entries;
    mPopupWhere = where;
    ++mPopups;
  }
  const std::vector<KxPopupEntry>& LastPopup() const { return mPopup; }
  int Popups() const { return mPopups; }

  // Window-modal dialogs (headless_dialogs.cpp), answered at once: by the
  // next queued reply, else by the next queued answer (a path chooses that
  // file), else cancelled. Every request shown is kept for the test to read.
  void QueueDialogReply(KxDialogReply reply);
  const std::vector<KxDialogRequest>& DialogRequests() const { return mDialogRequests; }
  std::uint32_t BeginDialog(const KxDialogRequest& request) override;
  bool PollDialog(std::uint32_t dialog, KxDialogReply& reply) override;
  bool ChooseColour(KxWindowID parent, const std::string& title, RGBColor& colour) override;

  // Printing (headless_print.cpp): the page set-up dialog takes the next
  // queued set-up, else it is cancelled; the print dialog the next queued
  // answer: a path prints into that PDF file, anything else (or nothing
  // queued) cancels.
  void QueuePageSetup(const KxPageSetup& setup);
  bool RunPageSetup(KxPageSetup& setup) override;
  KxPrintResult RunPrint(KxPrintout& printout, KxPrintRecord& record, std::string& why) override;

 private:
  struct Window {
    KxWindowID id;
    KxWindowClient* client;
    Rect bounds;
    std::string title;
    int invalidations;
    bool updatePending;   // an update event is owed
    bool floating = false;
    bool shown = true;
    bool above = false;   // a window kept above the documents (SetWindowFloating)
    bool modified = false;   // its modified mark (SetWindowModified)
    std::string titleUTF8 = {};   // shown in place of the title (SetWindowTitleUTF8)
  };
  struct Answer {
    KxAnswer answer;
    std::string path;
    bool colour = false;   // for a colour chooser: `rgb`
    RGBColor rgb{};
  };
  // A save question's or an alert's answer: the queued one, else the
  // script's from inside the alert's loop (`onReturn` for Return), else
  // `unanswered`.
  KxAnswer RunModalAnswer(KxAnswer onReturn, KxAnswer unanswered);
  int mAlertLoops = 0;
  bool mDismiss = false;
  // The queued reply or answer of a dialog; false when none is queued.
  bool TakeQueuedReply(const KxDialogRequest& request, KxDialogReply& reply);
  const Window* Find(KxWindowID window) const;
  Window* Find(KxWindowID window);
  // Queues the deactivate and activate events for a change of front window;
  // they go ahead of the script, as a desktop delivers them.
  void FrontChanged(KxWindowID oldFront);

  KxFakeClock mClock;
  bool mInstalled;
  std::deque<EventRecord> mQueue;
  struct InputMethodStep {
    bool commit = false;
    std::string text;
    std::vector<KxInputMethodClient::Clause> clauses;
    long caret = -1;
  };
  std::deque<InputMethodStep> mInputMethodSteps;   // in the order of their marks in mQueue
  std::vector<Window> mWindows;   // front first
  KxWindowID mNextWindow = 1;
  KxClipboardStore mClipboard;
  Rect mScreen{0, 0, 768, 1024};
  std::uint32_t mClipboardChanges = 0;
  std::deque<Answer> mAnswers;
  std::vector<ShownAlert> mAlerts;
  std::uint32_t mLastSleep = 0;
  std::uint32_t mIdleTurns = 0;
  std::uint32_t mIdleLimit = 0;
  bool mButtonDown = false;
  Point mMouse{0, 0};
  int mBeeps = 0;
  std::int16_t mCursor = 0;
  std::deque<KxDialogReply> mDialogReplies;
  std::vector<KxDialogRequest> mDialogRequests;
  std::map<std::uint32_t, KxDialogReply> mDialogsAnswered;
  std::map<std::uint32_t, KxDialogRequest> mDialogsOpen;   // waiting for a script's answer
  std::uint32_t mNextDialog = 1;
  KxDragData mLastDrag;
  bool mHasDrag = false;
  std::vector<KxPopupEntry> mPopup;
  std::deque<KxPageSetup> mPageSetups;
  Point mPopupWhere{};
  int mPopups = 0;
};
