// The GTK host's state, shared by its files (gtk_host.cpp: windows, events
// and the loop; gtk_menus.cpp: the menu bar; gtk_dialogs.cpp: dialogs,
// cursors and beeps). Private to this folder.
#pragma once

#include "platform/framework/input_method.h"

#include <gtk/gtk.h>

#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/gtk/gtk_host.h"
#include "platform/gtk/gtk_translate.h"
#include "platform/host/clipboard_store.h"
#include "platform/host/drag_data.h"

struct KxGtkMenuRef {
  std::int16_t menuID;
  std::int16_t item;   // 0: the title of a bar menu
  GtkWidget* widget;
};

// The desktop's frame around a toplevel: how far the toplevel's own window
// stands inside it on each side.
struct KxGtkDecoration {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool known = false;   // seen on the screen
};

struct KxGtkWindow {
  KxWindowID id = kKxNoWindow;
  KxWindowClient* client = nullptr;
  GtkWidget* toplevel = nullptr;
  GtkWidget* box = nullptr;
  GtkWidget* menuBar = nullptr;   // null while the program has none
  GtkWidget* area = nullptr;
  Rect bounds{0, 0, 0, 0};        // global content bounds, as last known
  int requestedWidth = 0;         // the size the program last set: its own
  int requestedHeight = 0;        // resizes are not reported back to it
  cairo_region_t* invalid = nullptr;   // content pixels to draw again
  std::vector<std::uint32_t> copiedOut;  // the backing store's pixels as last copied out
  int copiedWidth = 0, copiedHeight = 0;
  std::uint64_t copiedStamp = 0;          // the port's stamp when last copied out
  bool drawPending = false;       // a copy is queued and not yet done
  std::vector<KxGtkMenuRef> menuItems;
  GtkIMContext* im = nullptr;     // keys pass through it first
  bool imComposing = false;       // it shows a composition
  bool imInline = true;           // it leaves its compositions to the program to show
  bool floating = false;          // a utility window above the documents
  bool shown = true;
  bool noMenuBar = false;         // a dialog or palette: no menu bar of its own
  std::string title;              // UTF-8, as the program set it
  bool modified = false;          // the desktop shows the title marked as changed
  KxGtkDecoration frame;          // as last seen while on the screen
  // Placed before its decoration was known (PlaceFrame): where its content
  // was asked to go, and the decoration guessed for it.
  bool placedBlind = false;
  int wantLeft = 0, wantTop = 0;
  KxGtkDecoration guessed;
};

// What the toolkit's handlers leave for WaitNextEvent to hand out.
struct KxGtkPending {
  enum Kind { kEvent, kResized, kClose, kPreedit, kCommit } kind = kEvent;
  EventRecord event;
  KxWindowID window = kKxNoWindow;
  int clicks = 0;   // of a mouse-down: its click count
  Rect bounds{0, 0, 0, 0};
  std::string text;   // input-method text (UTF-8)
  std::vector<KxInputMethodClient::Clause> clauses;   // of a composition
  long caret = -1;                                     // of a composition (byte index)
  // A commit made as the window lost the keyboard: it ends the composition
  // still shown there, though the window is no longer the active one.
  bool leaving = false;
};

// Entries of the cursor table of gtk_dialogs.cpp (one made cursor each).
constexpr int kKxGtkCursorKinds = 7;

struct KxGtkHost::Impl {
  KxGtkHost* host = nullptr;
  KxPosixClock clock;
  std::vector<std::unique_ptr<KxGtkWindow>> windows;   // front first
  KxWindowID nextWindow = 1;
  KxWindowID active = kKxNoWindow;   // the window the program was last told is active
  // A window whose focus report came too soon after the program brought
  // another one forward: it is looked at again once that time is over.
  KxWindowID staleFocus = kKxNoWindow;
  std::deque<KxGtkPending> queue;
  KxClipboardStore clipboard;
  KxClickCounter clicks;
  KxWheelAccumulator wheel;
  std::set<unsigned> keysDown;     // hardware key codes: a second press is a repeat
  Point pointer{0, 0};             // global, as last seen
  // The window that took the mouse event just handed out, and its point:
  // the desktop gives a click to the window in front there, whatever else
  // overlaps it.
  KxWindowID eventWindow = kKxNoWindow;
  Point eventWhere{0, 0};
  unsigned gdkState = 0;           // modifier mask, as last seen
  bool buttonDown = false;
  // A primary press waits here until the mouse moves past a click or comes
  // up, so that the program knows which before it handles the press (a
  // press in a selection then starts a drag or places the caret).
  bool pressHeld = false;
  EventRecord heldPress{};
  KxWindowID heldWindow = kKxNoWindow;
  int heldClicks = 0;
  int eventClicks = 0;   // of the mouse-down last handed on
  guint pressTimer = 0;   // delivers a press held still (a held scroll arrow repeats)
  bool moved = false;              // the pointer moved: end the wait for cursor adjustment
  bool inUpdate = false;
  // While a key goes through an input-method context: what it committed.
  bool filteringKey = false;
  bool keyCommitted = false;
  std::string keyCommit;
  // While the program resets a context (ResetInputMethod): what it committed.
  bool resettingIM = false;
  std::string resetCommit;
  // The window whose context ends its composition as it loses the keyboard.
  KxWindowID leavingIM = kKxNoWindow;
  bool inlineInput = true;   // as the contexts were last told
  int beeps = 0;
  int cursorIndex = 0;   // in the cursor table of gtk_dialogs.cpp; 0 is the arrow
  std::int16_t cursorID = 0;   // the one the program asked for (the table shows several alike)
  GdkCursor* cursors[kKxGtkCursorKinds] = {};
  // Menus.
  std::vector<int> menuSignature;  // the model's shape the bars were built from
  bool menuOpen = false;
  bool menuRebuildPending = false;
  bool menuSyncing = false;        // our own changes to items: no choices
  bool popupOpen = false;          // a pop-up menu of ours holds the input
  GdkEvent* lastInput = nullptr;   // a copy of the last press or key, owned
  void KeepInput(const GdkEvent* e);

  KxGtkWindow* Find(KxWindowID id) const;
  KxGtkWindow* FindWidget(GtkWidget* toplevelOrArea) const;
  // A mouse event names the window that took it.
  void Post(const EventRecord& e, KxWindowID window = kKxNoWindow, int clicks = 0);
  // The shown floating windows holding `where`, front-most first as the
  // desktop stacks them (as they were shown where it does not tell).
  std::vector<const KxGtkWindow*> FloatingFrontFirst(Point where) const;
  void PostActivate(KxWindowID window, bool active);
  // Brings a window to the front of the list, with the deactivate and
  // activate events a change of the active window brings.
  void MakeActive(KxWindowID window);
  void UpdatePass();
  void CopyOutChanges();
  // Takes the content's place on the screen into `bounds` (and the frame's
  // widths into `frame`), while the window is on the screen only: the
  // place of a hidden window is where it shows next.
  void RefreshOrigin(KxGtkWindow& w);
  // Moves the window so that its content's top-left lands at (left, top):
  // the toolkit places the frame, which lies the decoration and the menu
  // bar further out.
  void PlaceFrame(KxGtkWindow& w, int left, int top);
  // The window's decoration as last seen, else that of the last window of
  // its kind seen on the screen (unknown before any has shown).
  KxGtkDecoration FrameOf(const KxGtkWindow& w) const;
  KxGtkDecoration lastFrame[2];   // by kind: 0 other windows, 1 utility windows
  std::uint16_t Modifiers() const;

  // gtk_menus.cpp
  void BuildMenuBar(KxGtkWindow& w);
  // Takes the menu bar away for good (dialogs and palettes), the window
  // keeping its content size.
  void DropMenuBar(KxGtkWindow& w);
  // Makes the window stay above the frontmost other window.
  void OwnByFront(KxGtkWindow& w);
  void SyncMenus();
  void MenuModelChanged();
  void RebuildMenusIfPending();
  // gtk_dialogs.cpp
  void ApplyCursor(KxGtkWindow& w);
  KxGtkHost::ShownColourChooser colourChooser;
  GtkWidget* messageDialog = nullptr;   // the question or alert running now
  // What the next dialog of the toolkit gets once it shows (tests): a
  // KxGtkHost::Dismissal, else a key (GDK symbol and modifier mask).
  struct NextDialogInput {
    bool waiting = false;
    int dismissal = -1;
    unsigned keyval = 0;
    unsigned state = 0;
  } nextDialogInput;
  gulong nextDialogHook = 0;         // on the "show" signal while one waits
  int toolkitComplaints = 0;         // warnings and criticals the toolkit logged
  std::vector<guint> logHandlers;    // counting them, by log domain
  bool colourAnswerQueued = false;   // a scripted answer for the next colour chooser
  bool colourAnswerOK = false;
  RGBColor colourAnswer{};
  // gtk_clipboard.cpp: the desktop clipboard, served from `clipboard` (what
  // the program put, every flavor, as it was at the copy) while we own it.
  bool clipboardOwned = false;
  bool clipboardClaiming = false;  // our own claim replaces our last one
  bool clipboardReading = false;   // a read runs a nested loop: no second
  KxClipboardStore clipboardLastRead;
  // What the desktop's clipboard held when last read, kept until its owner
  // changes (when the display reports owner changes).
  bool clipboardWatched = false;
  bool clipboardCached = false;
  std::uint32_t clipboardChanges = 0;   // ClipboardChangeCount
  KxClipboardStore clipboardCache;
  KxDragData dragOut;              // what our drag offers
  // The last press, kept for a drag that the program starts after the
  // toolkit's handler returned (it handles events from its own queue).
  std::unique_ptr<GdkEvent, void (*)(GdkEvent*)> lastPress{nullptr, gdk_event_free};
  struct Drop {
    GdkDragContext* context = nullptr;
    KxWindowID window = kKxNoWindow;
    Point where{0, 0};
    std::uint32_t time = 0;
    int pending = 0;               // data requested and not yet come
    KxDragData data;
  } drop;
  void ClaimClipboard();
  void WatchClipboard();
  void UnwatchClipboard();
  void SetUpDrops(KxGtkWindow& w);
};

enum KxGtkQuestionResponse { kKxGtkResponseSave = 1, kKxGtkResponseDontSave = 2 };

// The save-changes question (gtk_file_dialogs.cpp), in the program's
// language, its buttons with mnemonics (Alt+N: don't save): Save answers
// kKxGtkResponseSave, Don't Save kKxGtkResponseDontSave, Cancel, Escape and
// the close box GTK_RESPONSE_CANCEL or GTK_RESPONSE_DELETE_EVENT.
// `nameUtf8` is the document's name.
GtkWidget* KxGtkNewSaveChangesQuestion(GtkWindow* parent, const std::string& nameUtf8, bool quitting);

// A toolkit dialog run to its answer in a loop of ours (gtk_dialogs.cpp).
// The run holds a reference to the dialog, so that nothing frees it under
// the caller: Escape and the close box answer GTK_RESPONSE_DELETE_EVENT
// and leave the dialog whole for the caller to read; a dialog destroyed
// from outside (its window killed by another program) ends the loop with
// GTK_RESPONSE_NONE. The destructor destroys the dialog.
class KxGtkModalDialog {
 public:
  explicit KxGtkModalDialog(GtkWidget* dialog);
  ~KxGtkModalDialog();
  KxGtkModalDialog(const KxGtkModalDialog&) = delete;
  KxGtkModalDialog& operator=(const KxGtkModalDialog&) = delete;
  // Shows the dialog and turns the main loop until it is answered. While
  // it is on the screen, `turn` (when given) runs between looks at the
  // toolkit's queue instead of a wait for it, until `turn` answers false.
  gint Run(std::function<bool()> turn = nullptr);
  GtkWidget* Widget() const { return mDialog; }
  // Not destroyed: its values may be read.
  bool Alive() const { return !mDestroyed; }

 private:
  GtkWidget* mDialog;
  gint mResponse = GTK_RESPONSE_NONE;
  bool mAnswered = false;
  bool mDestroyed = false;
};

// While one exists, every dialog that the toolkit shows is held by a
// reference until it ends (gtk_dialogs.cpp). Printing runs the toolkit's
// own dialog loops, which destroy their dialog once their loop returns: a
// dialog destroyed from outside ends the loop and would be freed first.
class KxGtkHoldShownDialogs {
 public:
  KxGtkHoldShownDialogs();
  ~KxGtkHoldShownDialogs();
  KxGtkHoldShownDialogs(const KxGtkHoldShownDialogs&) = delete;
  KxGtkHoldShownDialogs& operator=(const KxGtkHoldShownDialogs&) = delete;

 private:
  static gboolean OnShow(GSignalInvocationHint*, guint count, const GValue* params, gpointer self);
  guint mSignal = 0;
  gulong mHook = 0;
  std::vector<GtkWidget*> mHeld;
};

// The one host the toolkit's handlers report to.
extern KxGtkHost::Impl* gKxGtkImpl;

// The cursor ID that the cursor table's entry `index` shows.
std::int16_t KxGtkCursorID(int index);
