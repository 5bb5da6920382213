// The GTK host's state, shared by its files (gtk_host.cpp: windows, events
// and the loop; gtk_menus.cpp: the menu bar; gtk_dialogs.cpp: dialogs,
// cursors and beeps). Private to this folder.
#pragma once

#include "platform/framework/input_method.h"

#include <gtk/gtk.h>

#include <deque>
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
  bool floating = false;          // a utility window above the documents
  bool shown = true;
  bool noMenuBar = false;         // a dialog or palette: no menu bar of its own
};

// What the toolkit's handlers leave for WaitNextEvent to hand out.
struct KxGtkPending {
  enum Kind { kEvent, kResized, kClose, kPreedit, kCommit } kind = kEvent;
  EventRecord event;
  KxWindowID window = kKxNoWindow;
  Rect bounds{0, 0, 0, 0};
  std::string text;   // input-method text (UTF-8)
  std::vector<KxInputMethodClient::Clause> clauses;   // of a composition
  long caret = -1;                                     // of a composition (byte index)
};

// Entries of the cursor table of gtk_dialogs.cpp (one made cursor each).
constexpr int kKxGtkCursorKinds = 7;

struct KxGtkHost::Impl {
  KxGtkHost* host = nullptr;
  KxPosixClock clock;
  std::vector<std::unique_ptr<KxGtkWindow>> windows;   // front first
  KxWindowID nextWindow = 1;
  KxWindowID active = kKxNoWindow;   // the window the program was last told is active
  std::deque<KxGtkPending> queue;
  KxClipboardStore clipboard;
  KxClickCounter clicks;
  KxWheelAccumulator wheel;
  std::set<unsigned> keysDown;     // hardware key codes: a second press is a repeat
  Point pointer{0, 0};             // global, as last seen
  unsigned gdkState = 0;           // modifier mask, as last seen
  bool buttonDown = false;
  // A primary press waits here until the mouse moves past a click or comes
  // up, so that the program knows which before it handles the press (a
  // press in a selection then starts a drag or places the caret).
  bool pressHeld = false;
  EventRecord heldPress{};
  guint pressTimer = 0;   // delivers a press held still (a held scroll arrow repeats)
  bool moved = false;              // the pointer moved: end the wait for cursor adjustment
  bool inUpdate = false;
  // While a key goes through an input-method context: what it committed.
  bool filteringKey = false;
  bool keyCommitted = false;
  std::string keyCommit;
  int beeps = 0;
  int cursorIndex = 0;   // in the cursor table of gtk_dialogs.cpp; 0 is the arrow
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
  void Post(const EventRecord& e);
  void PostActivate(KxWindowID window, bool active);
  // Brings a window to the front of the list, with the deactivate and
  // activate events a change of the active window brings.
  void MakeActive(KxWindowID window);
  void UpdatePass();
  void CopyOutChanges();
  void RefreshOrigin(KxGtkWindow& w);
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

// The one host the toolkit's handlers report to.
extern KxGtkHost::Impl* gKxGtkImpl;

// The cursor ID that the cursor table's entry `index` shows.
std::int16_t KxGtkCursorID(int index);
