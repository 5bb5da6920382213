// The GTK host: windows, the translation of desktop input, and the loop.
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "platform/draw/port.h"
#include "platform/framework/input_method.h"
#include "platform/gtk/gtk_host_impl.h"
#include "platform/gtk/gtk_input_method.h"
#include "platform/keys.h"
#include "platform/toolbox/cursors.h"
#include "platform/toolbox/mouse.h"
#include "platform/url_open.h"

KxGtkHost::Impl* gKxGtkImpl = nullptr;

namespace {

constexpr int kTicksPerSecond = 60;
// Pending toolkit work handled per look without waiting; a flood of input
// cannot keep a look from returning.
constexpr int kMaxPumpIterations = 200;
// A focus change that the desktop reports this soon after the program
// brought another window forward is older than that request and is ignored.
constexpr std::uint32_t kStaleFocusTicks = 60;
// Update areas with more rectangles than this are drawn as their bounds.
constexpr int kMaxUpdateRects = 16;
// How long Flush waits for the screen at most.
constexpr gint64 kFlushLimitMicros = 5 * G_USEC_PER_SEC;
constexpr std::uint32_t kPixelMask = 0x00FFFFFF;   // the unused byte of RGB24
// A title bar's height, allowed for where no frame has been seen yet.
constexpr int kTitleAllowance = 32;
// The log domains of the toolkit and its libraries whose warnings count.
constexpr const char* kToolkitLogDomains[] = {"Gtk", "Gdk", "GLib-GObject", "GLib"};

std::int16_t Clamp16(long v) { return std::int16_t(std::clamp<long>(v, INT16_MIN, INT16_MAX)); }

std::string TitleText(const unsigned char* title) {
  return title ? KxGtkUtf8FromScript(title + 1, title[0]) : std::string();
}

// A document changed since it was saved shows a star before its title, as
// desktop editors mark one; the program's own title never carries it.
constexpr const char* kModifiedMark = "*";

void ShowTitle(KxGtkWindow& w, const unsigned char* title) {
  if (title) w.title = TitleText(title);
  const std::string shown = w.modified ? kModifiedMark + w.title : w.title;
  gtk_window_set_title(GTK_WINDOW(w.toplevel), shown.c_str());
}

void Pump() {
  for (int i = 0; i < kMaxPumpIterations && g_main_context_pending(nullptr); ++i)
    g_main_context_iteration(nullptr, FALSE);
}

// A frame wider than this on any side is no decoration but a misreading.
constexpr int kMaxDecoration = 200;

// Where a window of this kind is decorated alike.
int DecorationKind(const KxGtkWindow& w) {
  return gtk_window_get_type_hint(GTK_WINDOW(w.toplevel)) == GDK_WINDOW_TYPE_HINT_UTILITY ? 1 : 0;
}

// Mapped by the desktop (its frame around it), not only asked to show.
bool OnScreen(const KxGtkWindow& w) {
  GdkWindow* top = w.toplevel ? gtk_widget_get_window(w.toplevel) : nullptr;
  return top && gtk_widget_get_mapped(w.toplevel) && !(gdk_window_get_state(top) & GDK_WINDOW_STATE_WITHDRAWN);
}

// The menu bar's height above the content (0 without one).
int MenuHeight(const KxGtkWindow& w) {
  if (!w.menuBar) return 0;
  GtkWidget* holder = gtk_widget_get_ancestor(w.menuBar, GTK_TYPE_SCROLLED_WINDOW);
  int height = 0;
  gtk_widget_get_preferred_height(holder ? holder : w.menuBar, nullptr, &height);
  return height;
}

// Whether a row's colours differ from its copy; the copy takes the row
// either way. Most rows are unchanged byte for byte: a plain compare tells
// them at memory speed, and only a row that differs is looked at again
// with the unused byte masked off.
bool TakeRow(const unsigned char* row, std::uint32_t* copy, int width) {
  const std::size_t bytes = std::size_t(width) * 4;
  if (std::memcmp(row, copy, bytes) == 0) return false;
  std::uint32_t diff = 0;
  for (int x = 0; x < width; ++x) {
    std::uint32_t px;
    std::memcpy(&px, row + std::size_t(x) * 4, 4);
    diff |= (px ^ copy[x]) & kPixelMask;
  }
  std::memcpy(copy, row, bytes);
  return diff != 0;
}

// Time stamp of the last request to bring a window forward, and which.
struct Presentation {
  KxWindowID window = kKxNoWindow;
  std::uint32_t tick = 0;
} gPresented;

void Present(KxGtkWindow& w) {
  gPresented = {w.id, TickCount()};
  gtk_window_present(GTK_WINDOW(w.toplevel));
}

// Raises windows (front first in `ws`) on the desktop, keeping the order
// in which its window manager stacks them among themselves.
void RaiseInOrder(const std::vector<KxGtkWindow*>& ws) {
  if (ws.empty()) return;
  GList* stack = gdk_screen_get_window_stack(gdk_screen_get_default());
  // Its list runs bottom first; without it the list's own order holds.
  std::vector<std::pair<int, KxGtkWindow*>> ranked;
  for (auto w = ws.rbegin(); w != ws.rend(); ++w) {
    GdkWindow* gw = gtk_widget_get_window((*w)->toplevel);
    ranked.emplace_back(stack && gw ? g_list_index(stack, gw) : -1, *w);
  }
  if (stack) g_list_free_full(stack, g_object_unref);
  std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& r : ranked)
    if (GdkWindow* gw = gtk_widget_get_window(r.second->toplevel)) gdk_window_raise(gw);
}

// --- Toolkit handlers ----------------------------------------------------

gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  KxGtkWindow* w = impl ? impl->FindWidget(widget) : nullptr;
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgb(cr, 1, 1, 1);   // where the backing store does not reach
  cairo_paint(cr);
  if (!w) return TRUE;
  w->drawPending = false;
  KxPort* port = w->client ? w->client->HostPort() : nullptr;
  if (port && port->IsRaster()) {
    cairo_surface_flush(port->SurfaceToRead());
    cairo_set_source_surface(cr, port->SurfaceToRead(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, 0, 0, port->Width(), port->Height());
    cairo_fill(cr);
  }
  return TRUE;
}

void OnAreaAllocate(GtkWidget* widget, GdkRectangle* alloc, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  KxGtkWindow* w = impl ? impl->FindWidget(widget) : nullptr;
  if (!w) return;
  impl->RefreshOrigin(*w);
  const int width = alloc->width, height = alloc->height;
  if (width == w->bounds.right - w->bounds.left && height == w->bounds.bottom - w->bounds.top) return;
  w->bounds.right = Clamp16(long(w->bounds.left) + width);
  w->bounds.bottom = Clamp16(long(w->bounds.top) + height);
  w->drawPending = true;
  if (width == w->requestedWidth && height == w->requestedHeight) return;   // the program's own size
  w->requestedWidth = width;
  w->requestedHeight = height;
  KxGtkPending p;
  p.kind = KxGtkPending::kResized;
  p.window = w->id;
  p.bounds = w->bounds;
  impl->queue.push_back(p);
}

gboolean OnConfigure(GtkWidget* widget, GdkEvent*, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  if (KxGtkWindow* w = impl ? impl->FindWidget(widget) : nullptr) impl->RefreshOrigin(*w);
  return FALSE;
}

void OnAreaRealize(GtkWidget* widget, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  if (KxGtkWindow* w = impl ? impl->FindWidget(widget) : nullptr) {
    impl->RefreshOrigin(*w);
    impl->ApplyCursor(*w);
    if (w->im) gtk_im_context_set_client_window(w->im, gtk_widget_get_window(widget));
  }
}

void OnIMCommit(GtkIMContext*, const gchar* text, gpointer data) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  if (!impl || !text) return;
  if (impl->resettingIM) {
    impl->resetCommit += text;
    return;
  }
  if (impl->filteringKey) {
    impl->keyCommitted = true;
    impl->keyCommit += text;
    return;
  }
  KxGtkPending p;
  p.kind = KxGtkPending::kCommit;
  p.window = KxWindowID(GPOINTER_TO_UINT(data));
  p.text = text;
  p.leaving = impl->leavingIM == p.window;
  impl->queue.push_back(p);
}

void OnIMPreeditChanged(GtkIMContext* im, gpointer data) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  KxGtkWindow* w = impl ? impl->Find(KxWindowID(GPOINTER_TO_UINT(data))) : nullptr;
  if (!w) return;
  KxGtkPending p;
  p.kind = KxGtkPending::kPreedit;
  p.window = w->id;
  KxGtkReadPreedit(im, p.text, p.clauses, p.caret);
  w->imComposing = !p.text.empty();
  // The program ends its own composition as it resets the context.
  if (impl->resettingIM) return;
  impl->queue.push_back(p);
}

// Gives the key to the window's input-method context first; true when the
// context took it. A plain key that the context just hands back as its own
// character stays a key press (with its key code, repeats and the menu
// lookup); anything else it commits goes to the target as input-method text.
bool FilterThroughInputMethod(KxGtkHost::Impl& impl, KxGtkWindow& w, GdkEventKey* e) {
  if (!w.im) return false;
  const bool wasComposing = w.imComposing;
  impl.filteringKey = true;
  impl.keyCommitted = false;
  impl.keyCommit.clear();
  const bool taken = gtk_im_context_filter_keypress(w.im, e);
  impl.filteringKey = false;
  if (!taken) return false;
  if (impl.keyCommitted && e->type == GDK_KEY_PRESS && !wasComposing && !w.imComposing) {
    const gunichar own = gdk_keyval_to_unicode(e->keyval);
    gchar buf[8] = {};
    if (own != 0) g_unichar_to_utf8(own, buf);
    if (own != 0 && impl.keyCommit == buf) return false;
  }
  if (impl.keyCommitted) {
    KxGtkPending p;
    p.kind = KxGtkPending::kCommit;
    p.window = w.id;
    p.text = impl.keyCommit;
    impl.queue.push_back(p);
  }
  return true;
}

gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* e, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  KxGtkWindow* w = impl ? impl->FindWidget(widget) : nullptr;
  if (!w) return FALSE;
  // The desktop sends keys to the window it gave the focus: that window is
  // the active one, even when its focus report came too soon after another
  // window was brought forward and was set aside as stale.
  if (!w->floating && impl->active != w->id) {
    gPresented = {};
    impl->MakeActive(w->id);
  }
  impl->gdkState = e->state;
  impl->KeepInput(reinterpret_cast<GdkEvent*>(e));
  if (FilterThroughInputMethod(*impl, *w, e)) return TRUE;
  const std::uint16_t mods = impl->Modifiers();
  KxGtkKey key;
  // Every key stops here: the toolkit's own key bindings (the menu bar's
  // F10, mnemonics) never see them, and menu keys go through the
  // application's lookup.
  if (!KxGtkTranslateKey(e->keyval, mods, key)) {
    // A character no key code of ours carries (Greek, Cyrillic, kana
    // layouts, or a key mapped to any character) is typed as text, as the
    // input method's commit would be; with the command key it is no menu key.
    const gunichar ch = gdk_keyval_to_unicode(e->keyval);
    if (ch >= 0x20 && ch != 0x7F && g_unichar_validate(ch) && !(mods & kKxEventCommandKey)) {
      gchar buf[8] = {};
      g_unichar_to_utf8(ch, buf);
      KxGtkPending p;
      p.kind = KxGtkPending::kCommit;
      p.window = w->id;
      p.text = buf;
      impl->queue.push_back(p);
    }
    return TRUE;
  }
  KxHostKeyState().SetKey(key.keyCode, true);
  if (key.modifierKey) return TRUE;
  const bool repeat = !impl->keysDown.insert(e->hardware_keycode).second;
  EventRecord ev;
  ev.what = repeat ? autoKey : keyDown;
  ev.message = KxKeyMessage(key.charCode, key.keyCode);
  ev.where = impl->pointer;
  ev.modifiers = mods;
  impl->Post(ev);
  return TRUE;
}

gboolean OnKeyRelease(GtkWidget* widget, GdkEventKey* e, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  KxGtkWindow* w = impl ? impl->FindWidget(widget) : nullptr;
  if (!w) return FALSE;
  impl->gdkState = e->state;
  impl->keysDown.erase(e->hardware_keycode);
  KxGtkKey key;
  if (KxGtkTranslateKey(e->keyval, 0, key)) KxHostKeyState().SetKey(key.keyCode, false);
  FilterThroughInputMethod(*impl, *w, e);   // some compositions end on a release
  return TRUE;
}

gboolean OnFocusIn(GtkWidget* widget, GdkEventFocus*, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  KxGtkWindow* w = impl ? impl->FindWidget(widget) : nullptr;
  if (!w || w->floating) return FALSE;
  if (w->im) gtk_im_context_focus_in(w->im);
  if (impl->active == w->id) return FALSE;
  const bool stale = gPresented.window != kKxNoWindow && gPresented.window != w->id &&
                     TickCount() - gPresented.tick < kStaleFocusTicks;
  impl->staleFocus = stale ? w->id : kKxNoWindow;
  if (!stale) impl->MakeActive(w->id);
  return FALSE;
}

// A focus report set aside as stale may have been the user's own choice (a
// click on a title bar just after the program brought a window forward):
// once the time is over, the window the desktop still gives the keyboard
// becomes the active one, as any other window the desktop activates.
void FollowStaleFocus(KxGtkHost::Impl& impl) {
  if (impl.staleFocus == kKxNoWindow || TickCount() - gPresented.tick < kStaleFocusTicks) return;
  KxGtkWindow* w = impl.Find(impl.staleFocus);
  impl.staleFocus = kKxNoWindow;
  if (w && !w->floating && impl.active != w->id && gtk_window_is_active(GTK_WINDOW(w->toplevel)))
    impl.MakeActive(w->id);
}

gboolean OnFocusOut(GtkWidget* widget, GdkEventFocus*, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  KxGtkWindow* w = impl ? impl->FindWidget(widget) : nullptr;
  if (!w) return FALSE;
  if (w->im) {
    // What the context commits as it lets go stands for the composition
    // the program still shows; the program removes whatever else remains
    // as the window deactivates.
    impl->leavingIM = w->id;
    gtk_im_context_focus_out(w->im);
    gtk_im_context_reset(w->im);
    impl->leavingIM = kKxNoWindow;
  }
  // Keys released in another program's window never come back here.
  impl->keysDown.clear();
  KxHostKeyState().ReleaseAll();
  // Our own pop-up menu took the focus: the window stays the active one.
  if (impl->popupOpen) return FALSE;
  if (impl->active == w->id) {
    impl->PostActivate(w->id, false);
    impl->active = kKxNoWindow;
  }
  return FALSE;
}

Point GlobalPoint(const KxGtkWindow& w, double x, double y) {
  return Point{Clamp16(long(w.bounds.top) + long(std::floor(y))), Clamp16(long(w.bounds.left) + long(std::floor(x)))};
}

constexpr unsigned kPrimaryButton = 1;
constexpr unsigned kSecondaryButton = 3;   // the contextual click: a control-click

void DeliverHeldPress(KxGtkHost::Impl* impl, bool moved);
// How long a press may stay still and still become a drag, away from a
// selection.
constexpr guint kPressHoldMs = 300;

// The program shows the drag cursor where a press may start a drag; a
// control-press there asks for the contextual menu instead.
bool PressMayDrag(const KxGtkHost::Impl& impl, std::uint16_t mods) {
  return (mods & kKxEventControlKey) == 0 && impl.cursorID == kKxDragCursor;
}

gboolean OnButton(GtkWidget* widget, GdkEventButton* e, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  KxGtkWindow* w = impl ? impl->FindWidget(widget) : nullptr;
  if (!w) return FALSE;
  // The toolkit's own double- and triple-click events repeat a press that
  // came already; clicks are counted here.
  if (e->type != GDK_BUTTON_PRESS && e->type != GDK_BUTTON_RELEASE) return TRUE;
  if (e->button != kPrimaryButton && e->button != kSecondaryButton) return FALSE;
  const bool down = e->type == GDK_BUTTON_PRESS;
  impl->gdkState = e->state;
  if (down) impl->RefreshOrigin(*w);
  const Point where = GlobalPoint(*w, e->x, e->y);
  impl->pointer = where;
  std::uint16_t mods = KxGtkModifiers(e->state) & ~kKxEventButtonState;
  if (!down) mods |= kKxEventButtonState;
  if (e->button == kSecondaryButton) mods |= kKxEventControlKey;
  int clicks = 0;   // of this press, counted now; a press still held back keeps its own
  if (down) {
    impl->KeepInput(reinterpret_cast<GdkEvent*>(e));
    gPresented = {};
    // The desktop brought the window forward with the press.
    // A floating window takes the press and leaves the active one as it is.
    if (!w->floating && (impl->active != w->id || impl->windows.front().get() != w)) impl->MakeActive(w->id);
    clicks = impl->clicks.Press(e->time, where.h, where.v, e->button);
    impl->lastPress.reset(gdk_event_copy(reinterpret_cast<GdkEvent*>(e)));
  } else if (!impl->buttonDown) {
    return TRUE;   // the press went elsewhere (a menu, another program)
  }
  impl->buttonDown = down;
  EventRecord ev;
  ev.what = down ? mouseDown : mouseUp;
  ev.where = where;
  ev.modifiers = mods;
  if (down && e->button == kPrimaryButton) {
    DeliverHeldPress(impl, false);
    impl->heldPress = ev;
    impl->heldClicks = clicks;
    impl->heldWindow = w->id;
    impl->pressHeld = true;
    // A press held still is a press, not the start of a drag: after a moment
    // it goes on, so that what repeats while the button is down does. Where
    // the program shows the drag cursor (over a selection) nothing repeats
    // and a drag may start however long the press was held: it waits for
    // the mouse to move or come up.
    if (!PressMayDrag(*impl, mods))
      impl->pressTimer = g_timeout_add(kPressHoldMs, [](gpointer) -> gboolean {
        if (gKxGtkImpl) {
          gKxGtkImpl->pressTimer = 0;
          DeliverHeldPress(gKxGtkImpl, false);
        }
        return G_SOURCE_REMOVE;
      }, nullptr);
    return TRUE;
  }
  DeliverHeldPress(impl, false);
  if (down) UMouseUtils::SetMovedAtPress(false);
  impl->Post(ev, w->id, clicks);
  return TRUE;
}

// The distance a held press may wander and still be a click.
constexpr int kClickSlop = 3;

void DeliverHeldPress(KxGtkHost::Impl* impl, bool moved) {
  if (impl->pressTimer) {
    g_source_remove(impl->pressTimer);
    impl->pressTimer = 0;
  }
  if (!impl->pressHeld) return;
  impl->pressHeld = false;
  UMouseUtils::SetMovedAtPress(moved);
  // Counted when it happened: a press held back still makes a double click.
  impl->Post(impl->heldPress, impl->heldWindow, impl->heldClicks);
}

}  // namespace

// The pointer moved (the toolkit's motion, or a script's): a held press
// that wandered past a click goes to the program as the start of a drag.
static void PointerMoved(KxGtkHost::Impl* impl) {
  impl->moved = true;
  if (impl->pressHeld && (std::abs(impl->pointer.h - impl->heldPress.where.h) > kClickSlop ||
                          std::abs(impl->pointer.v - impl->heldPress.where.v) > kClickSlop))
    DeliverHeldPress(impl, true);
}

namespace {

gboolean OnMotion(GtkWidget* widget, GdkEventMotion* e, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  KxGtkWindow* w = impl ? impl->FindWidget(widget) : nullptr;
  if (!w) return FALSE;
  impl->gdkState = e->state;
  impl->pointer = GlobalPoint(*w, e->x, e->y);
  PointerMoved(impl);
  return TRUE;
}

gboolean OnScroll(GtkWidget* widget, GdkEventScroll* e, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  KxGtkWindow* w = impl ? impl->FindWidget(widget) : nullptr;
  if (!w) return FALSE;
  double dx = 0, dy = 0;
  switch (e->direction) {
    case GDK_SCROLL_UP: dy = -1; break;
    case GDK_SCROLL_DOWN: dy = 1; break;
    case GDK_SCROLL_LEFT: dx = -1; break;
    case GDK_SCROLL_RIGHT: dx = 1; break;
    case GDK_SCROLL_SMOOTH: gdk_event_get_scroll_deltas(reinterpret_cast<GdkEvent*>(e), &dx, &dy); break;
  }
  int right = 0, down = 0;
  impl->wheel.AddSmooth(dx, dy, right, down);
  impl->gdkState = e->state;
  impl->pointer = GlobalPoint(*w, e->x, e->y);
  if (right == 0 && down == 0) return TRUE;
  EventRecord ev;
  ev.what = kKxWheelEvt;
  ev.message = KxWheelMessage(std::int16_t(down), std::int16_t(right));
  ev.where = impl->pointer;
  ev.modifiers = impl->Modifiers();
  impl->Post(ev, w->id);
  return TRUE;
}

gboolean OnDelete(GtkWidget* widget, GdkEvent*, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  if (KxGtkWindow* w = impl ? impl->FindWidget(widget) : nullptr) {
    KxGtkPending p;
    p.kind = KxGtkPending::kClose;
    p.window = w->id;
    impl->queue.push_back(p);
  }
  return TRUE;   // the program decides whether the window goes
}

// Another program destroyed the window on the desktop. The toolkit would
// destroy its widgets too, under the record that holds them: they stay and
// are made a desktop window again at once, and the program hears of it as
// of the close box (a dialog's loop ends as by its cancel button).
gboolean OnDestroyedOutside(GtkWidget* widget, GdkEvent* e, gpointer data) {
  OnDelete(widget, e, data);
  KxGtkHost::Impl* impl = gKxGtkImpl;
  KxGtkWindow* w = impl ? impl->FindWidget(widget) : nullptr;
  if (!w) return FALSE;
  gtk_widget_hide(w->toplevel);
  gtk_widget_unrealize(w->toplevel);
  if (w->shown) {
    impl->PlaceFrame(*w, w->bounds.left, w->bounds.top);
    gtk_window_resize(GTK_WINDOW(w->toplevel), w->requestedWidth, w->requestedHeight + MenuHeight(*w));
    gtk_widget_show(w->toplevel);
    w->drawPending = true;
  }
  return TRUE;
}

}  // namespace

// --- Impl ----------------------------------------------------------------

KxGtkWindow* KxGtkHost::Impl::Find(KxWindowID id) const {
  for (const auto& w : windows)
    if (w->id == id) return w.get();
  return nullptr;
}

KxGtkWindow* KxGtkHost::Impl::FindWidget(GtkWidget* widget) const {
  for (const auto& w : windows)
    if (w->toplevel == widget || w->area == widget) return w.get();
  return nullptr;
}

void KxGtkHost::Impl::Post(const EventRecord& e, KxWindowID window, int clicks) {
  KxGtkPending p;
  p.event = e;
  p.window = window;
  p.clicks = clicks;
  p.event.when = TickCount();
  queue.push_back(p);
}

void KxGtkHost::Impl::PostActivate(KxWindowID window, bool isActive) {
  EventRecord e;
  e.what = activateEvt;
  e.message = window;
  e.modifiers = isActive ? kKxEventActiveFlag : 0;
  Post(e);
}

void KxGtkHost::Impl::KeepInput(const GdkEvent* e) {
  if (lastInput) gdk_event_free(lastInput);
  lastInput = e ? gdk_event_copy(e) : nullptr;
}

void KxGtkHost::Impl::MakeActive(KxWindowID window) {
  auto it = std::find_if(windows.begin(), windows.end(), [window](const auto& w) { return w->id == window; });
  if (it == windows.end() || (*it)->floating) return;
  std::rotate(windows.begin(), it, it + 1);
  // The floating windows follow the window in front. The desktop may have
  // raised that one over them before they moved to it (a click on its title
  // bar): the shown ones are raised again.
  GtkWindow* front = GTK_WINDOW(windows.front()->toplevel);
  std::vector<KxGtkWindow*> moved;
  for (const auto& f : windows)
    if (f->floating && gtk_window_get_transient_for(GTK_WINDOW(f->toplevel)) != front) {
      gtk_window_set_transient_for(GTK_WINDOW(f->toplevel), front);
      if (f->shown && OnScreen(*f)) moved.push_back(f.get());
    }
  RaiseInOrder(moved);
  if (active == window) return;
  if (active != kKxNoWindow && Find(active)) PostActivate(active, false);
  active = window;
  PostActivate(window, true);
}

std::uint16_t KxGtkHost::Impl::Modifiers() const {
  std::uint16_t m = KxGtkModifiers(gdkState) & ~kKxEventButtonState;
  if (!buttonDown) m |= kKxEventButtonState;
  return m;
}

void KxGtkHost::Impl::RefreshOrigin(KxGtkWindow& w) {
  GdkWindow* gw = w.area ? gtk_widget_get_window(w.area) : nullptr;
  // Before the desktop maps it, a window reads where its frame was asked
  // to go; once hidden, it keeps where it last stood.
  if (!gw || !gtk_widget_get_realized(w.area) || !OnScreen(w)) return;
  GdkWindow* top = gtk_widget_get_window(w.toplevel);
  GdkRectangle frame{};
  gdk_window_get_frame_extents(top, &frame);
  gint topX = 0, topY = 0;
  gdk_window_get_origin(top, &topX, &topY);
  const KxGtkDecoration d{topX - frame.x, topY - frame.y, frame.x + frame.width - topX - gdk_window_get_width(top),
                          frame.y + frame.height - topY - gdk_window_get_height(top), true};
  const int narrowest = std::min({d.left, d.top, d.right, d.bottom});
  const int widest = std::max({d.left, d.top, d.right, d.bottom});
  if (narrowest >= 0 && widest <= kMaxDecoration) {
    w.frame = d;
    lastFrame[DecorationKind(w)] = d;
    // The first window of its kind was placed by a guess: it goes where it
    // was asked to, now that its frame is known. No frame at all may only
    // mean that the desktop has not framed it yet.
    if (w.placedBlind && widest > 0) {
      w.placedBlind = false;
      if (d.left != w.guessed.left || d.top != w.guessed.top) {
        PlaceFrame(w, w.wantLeft, w.wantTop);
        const long width = long(w.bounds.right) - w.bounds.left, height = long(w.bounds.bottom) - w.bounds.top;
        w.bounds = Rect{Clamp16(w.wantTop), Clamp16(w.wantLeft), Clamp16(w.wantTop + height),
                        Clamp16(w.wantLeft + width)};
        return;
      }
    }
  }
  gint x = 0, y = 0;
  gdk_window_get_origin(gw, &x, &y);
  const long width = long(w.bounds.right) - w.bounds.left, height = long(w.bounds.bottom) - w.bounds.top;
  w.bounds.left = Clamp16(x);
  w.bounds.top = Clamp16(y);
  w.bounds.right = Clamp16(x + width);
  w.bounds.bottom = Clamp16(y + height);
}

KxGtkDecoration KxGtkHost::Impl::FrameOf(const KxGtkWindow& w) const {
  return w.frame.known ? w.frame : lastFrame[DecorationKind(w)];
}

void KxGtkHost::Impl::PlaceFrame(KxGtkWindow& w, int left, int top) {
  // The toolkit moves the frame's corner; the content lies the decoration
  // and the menu bar inside it. A frame above the screen's top is held at
  // it, its title bar within reach.
  const KxGtkDecoration d = FrameOf(w);
  w.placedBlind = !w.frame.known;
  w.wantLeft = left;
  w.wantTop = top;
  w.guessed = d;
  gtk_window_move(GTK_WINDOW(w.toplevel), left - d.left, std::max(0, top - MenuHeight(w) - d.top));
}

void KxGtkHost::Impl::UpdatePass() {
  if (inUpdate) return;
  inUpdate = true;
  // By ID: a client's drawing may close windows.
  std::vector<KxWindowID> ids;
  for (const auto& w : windows) ids.push_back(w->id);
  for (KxWindowID id : ids) {
    KxGtkWindow* w = Find(id);
    if (!w || !w->invalid || cairo_region_is_empty(w->invalid)) continue;
    cairo_region_t* region = w->invalid;
    w->invalid = cairo_region_create();
    std::vector<cairo_rectangle_int_t> rects;
    const int n = cairo_region_num_rectangles(region);
    if (n > kMaxUpdateRects) {
      rects.resize(1);
      cairo_region_get_extents(region, &rects[0]);
    } else {
      rects.resize(std::size_t(n));
      for (int i = 0; i < n; ++i) cairo_region_get_rectangle(region, i, &rects[std::size_t(i)]);
    }
    for (const cairo_rectangle_int_t& r : rects) {
      w = Find(id);
      if (!w || !w->client) break;
      const Rect area{Clamp16(r.y), Clamp16(r.x), Clamp16(long(r.y) + r.height), Clamp16(long(r.x) + r.width)};
      w->client->HostUpdate(area);
    }
    if ((w = Find(id)) != nullptr) {
      gtk_widget_queue_draw_region(w->area, region);
      w->drawPending = true;
    }
    cairo_region_destroy(region);
  }
  inUpdate = false;
}

void KxGtkHost::Impl::CopyOutChanges() {
  // The program draws at once into the backing store (carets, typing,
  // tracking), outside any update: the rows that changed since the last
  // copy are queued to be copied out again.
  for (const auto& wp : windows) {
    KxGtkWindow& w = *wp;
    KxPort* port = w.client ? w.client->HostPort() : nullptr;
    if (!port || !port->IsRaster()) {
      w.copiedOut.clear();
      w.copiedWidth = w.copiedHeight = 0;
      continue;
    }
    cairo_surface_t* s = port->SurfaceToRead();
    cairo_surface_flush(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const int width = cairo_image_surface_get_width(s), height = cairo_image_surface_get_height(s);
    if (!data || width <= 0 || height <= 0) continue;
    const bool fresh = w.copiedWidth != width || w.copiedHeight != height;
    if (!fresh && port->Stamp() == w.copiedStamp) continue;   // not drawn into since
    w.copiedStamp = port->Stamp();
    if (fresh) {
      w.copiedWidth = w.copiedHeight = 0;
      try {
        w.copiedOut.assign(std::size_t(width) * std::size_t(height), 0);
        w.copiedWidth = width;
        w.copiedHeight = height;
      } catch (const std::bad_alloc&) {
        // No room for a copy: the whole window goes out every time.
        w.copiedOut.clear();
      }
    }
    const bool kept = w.copiedWidth == width;
    int runStart = -1;
    for (int y = 0; y <= height; ++y) {
      bool changed = false;
      if (y < height) {
        const unsigned char* row = data + std::size_t(y) * std::size_t(stride);
        changed = !kept || TakeRow(row, w.copiedOut.data() + std::size_t(y) * std::size_t(width), width) || fresh;
      }
      if (changed && runStart < 0) runStart = y;
      if (!changed && runStart >= 0) {
        gtk_widget_queue_draw_area(w.area, 0, runStart, width, y - runStart);
        w.drawPending = true;
        runStart = -1;
      }
    }
  }
}

// --- The host --------------------------------------------------------------

namespace {
// The key map follows the keyboard's modifier state as the desktop reports
// it, also for presses and releases that went to another window.
void SyncModifierKeys() {
  // Once a tick is enough for a poll every 6 ticks.
  static std::uint32_t last = 0;
  const std::uint32_t now = TickCount();
  if (now == last) return;
  last = now;
  GdkDisplay* display = gdk_display_get_default();
  GdkKeymap* keymap = display ? gdk_keymap_get_for_display(display) : nullptr;
  if (!keymap) return;
  const guint state = gdk_keymap_get_modifier_state(keymap);
  KeyMap map{};
  KxHostKeyState().GetKeys(map);
  auto down = [&map](int code) { return ((map[code >> 3] >> (code & 7)) & 1) != 0; };
  auto sync = [&](bool held, int left, int right) {
    if (held && !down(left) && !down(right)) KxHostKeyState().SetKey(left, true);
    if (!held) {
      KxHostKeyState().SetKey(left, false);
      KxHostKeyState().SetKey(right, false);
    }
  };
  sync((state & GDK_SHIFT_MASK) != 0, kKxKeyShift, kKxKeyRightShift);
  sync((state & GDK_MOD1_MASK) != 0, kKxKeyOption, kKxKeyRightOption);
  sync((state & GDK_CONTROL_MASK) != 0, kKxKeyCommand, kKxKeyRightCommand);
  sync((state & (GDK_SUPER_MASK | GDK_MOD4_MASK)) != 0, kKxKeyControl, kKxKeyRightControl);
  // Locked, not pressed: the key's own press and release only toggle it.
  KxHostKeyState().SetKey(kKxKeyCapsLock, gdk_keymap_get_caps_lock_state(keymap) != 0);
}
}  // namespace

KxGtkHost::KxGtkHost() : mImpl(std::make_unique<Impl>()) { mImpl->host = this; }

std::unique_ptr<KxGtkHost> KxGtkHost::Open(std::string* why) {
  if (gKxGtkImpl) {
    if (why) *why = "a GTK host is open already";
    return nullptr;
  }
  if (!gtk_init_check(nullptr, nullptr)) {
    if (why) *why = "cannot open the display";
    return nullptr;
  }
  std::unique_ptr<KxGtkHost> host(new KxGtkHost());
  Impl& impl = *host->mImpl;
  GtkSettings* settings = gtk_settings_get_default();
  gint doubleClick = 400, blink = 1200, distance = 5;
  if (settings) {
    g_object_get(settings, "gtk-double-click-time", &doubleClick, "gtk-cursor-blink-time", &blink,
                 "gtk-double-click-distance", &distance, nullptr);
    // The menu bar opens with the mouse only: F10 is one of the program's keys.
    // No key at all rather than an empty one, which the toolkit's dialogs
    // read (and leak) on every key press.
    g_object_set(settings, "gtk-menu-bar-accel", nullptr, nullptr);
  }
  doubleClick = std::clamp(doubleClick, 100, 5000);
  blink = std::clamp(blink, 200, 10000);
  impl.clock.SetIntervals(std::uint32_t(doubleClick * kTicksPerSecond / 1000),
                          std::uint32_t(blink / 2 * kTicksPerSecond / 1000));
  impl.clicks.SetLimits(std::uint32_t(doubleClick), std::clamp(distance, 0, 100));
  KxSetClock(&impl.clock);
  KxSetHost(host.get());
  gKxGtkImpl = &impl;
  // The toolkit's complaints are counted on their way to stderr.
  for (const char* domain : kToolkitLogDomains)
    impl.logHandlers.push_back(g_log_set_handler(
        domain, GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
        [](const gchar* logDomain, GLogLevelFlags level, const gchar* message, gpointer) {
          if (gKxGtkImpl) ++gKxGtkImpl->toolkitComplaints;
          g_log_default_handler(logDomain, level, message, nullptr);
        },
        nullptr));
  impl.WatchClipboard();
  // Links open through GIO's default application for their scheme.
  KxSetURLOpener([](const std::string& url) {
    // Checked again here: nothing but the three schemes reaches the desktop.
    if (!KxIsOpenableURL(url)) return false;
    GError* error = nullptr;
    const gboolean ok = g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error);
    if (error) g_error_free(error);
    return ok == TRUE;
  });
  return host;
}

KxGtkHost::~KxGtkHost() {
  while (!mImpl->windows.empty()) DestroyWindow(mImpl->windows.front()->id);
  for (GdkCursor*& c : mImpl->cursors)
    if (c) {
      g_object_unref(c);
      c = nullptr;
    }
  Pump();
  mImpl->KeepInput(nullptr);
  mImpl->UnwatchClipboard();
  KxSetURLOpener(nullptr);
  if (mImpl->pressTimer) g_source_remove(mImpl->pressTimer);
  mImpl->pressTimer = 0;
  if (mImpl->nextDialogHook)
    g_signal_remove_emission_hook(g_signal_lookup("show", GTK_TYPE_WIDGET), mImpl->nextDialogHook);
  for (std::size_t i = 0; i < mImpl->logHandlers.size(); ++i)
    g_log_remove_handler(kToolkitLogDomains[i], mImpl->logHandlers[i]);
  gKxGtkImpl = nullptr;
  KxSetHost(nullptr);
  KxSetClock(nullptr);
}

namespace {

// Every context shows its compositions through the program (inline), or in
// the input method's own window, as the program's setting says.
void FollowInlineInput(KxGtkHost::Impl& impl) {
  const bool wanted = KxInlineInputWanted();
  if (wanted == impl.inlineInput) return;
  impl.inlineInput = wanted;
  for (const auto& w : impl.windows) {
    if (!w->im || w->imInline == wanted) continue;
    w->imInline = wanted;
    gtk_im_context_set_use_preedit(w->im, wanted);
  }
}

}  // namespace

bool KxGtkHost::ResetInputMethod(KxWindowID window, std::string& committed) {
  committed.clear();
  Impl& impl = *mImpl;
  KxGtkWindow* w = impl.Find(window);
  if (!w || !w->im) return false;
  // A reset inside another's signals has nothing more to end.
  if (impl.resettingIM) return true;
  impl.resettingIM = true;
  impl.resetCommit.clear();
  gtk_im_context_reset(w->im);
  impl.resettingIM = false;
  committed = std::move(impl.resetCommit);
  impl.resetCommit.clear();
  // Compositions still waiting for the window were the context's before the
  // reset: none of them stands any more.
  std::erase_if(impl.queue, [window](const KxGtkPending& p) {
    return p.kind == KxGtkPending::kPreedit && p.window == window;
  });
  return true;
}

bool KxGtkHost::InputMethodInline(KxWindowID window) const {
  const KxGtkWindow* w = mImpl->Find(window);
  return w && w->imInline;
}

bool KxGtkHost::WaitNextEvent(EventRecord& event, std::uint32_t sleepTicks) {
  Impl& impl = *mImpl;
  impl.eventWindow = kKxNoWindow;
  impl.RebuildMenusIfPending();
  impl.UpdatePass();
  impl.CopyOutChanges();
  if (KxGtkWindow* w = impl.Find(impl.active)) KxGtkPlaceCursor(w->im);
  FollowInlineInput(impl);
  Pump();
  FollowStaleFocus(impl);
  SyncModifierKeys();
  // A script's next step runs here, inside whichever loop waits; its input
  // goes through the toolkit's queue like the desktop's.
  if (impl.queue.empty() && HasScript() && !ScriptEnded() && FeedScript() == ScriptTurn::kStep) {
    if (PendingEvents() == 0) {
      event = EventRecord{};
      event.when = TickCount();
      event.where = impl.pointer;
      return false;
    }
  }
  if (impl.queue.empty() && sleepTicks > 0 && !impl.moved) {
    struct Wake {
      bool fired = false;
    } wake;
    const guint ms = guint(sleepTicks * 1000u / kTicksPerSecond);
    const guint source = g_timeout_add(ms, [](gpointer p) -> gboolean {
      static_cast<Wake*>(p)->fired = true;
      return G_SOURCE_REMOVE;
    }, &wake);
    while (impl.queue.empty() && !wake.fired && !impl.moved) g_main_context_iteration(nullptr, TRUE);
    if (!wake.fired) g_source_remove(source);
  }
  impl.moved = false;
  while (!impl.queue.empty()) {
    KxGtkPending p = impl.queue.front();
    impl.queue.pop_front();
    if (p.kind == KxGtkPending::kEvent) {
      event = p.event;
      // Every event carries the mouse's last known position (activations
      // and keys too), so that a tracking loop may read it from any event.
      if (event.what != mouseDown && event.what != mouseUp && event.what != kKxWheelEvt) {
        event.where = impl.pointer;
      } else {
        impl.eventWindow = p.window;
        impl.eventWhere = event.where;
        if (event.what == mouseDown) impl.eventClicks = p.clicks;
      }
      return true;
    }
    // Window requests and input-method text reach the program from here,
    // outside the toolkit's handlers, so that it may open dialogs or close
    // the window.
    KxGtkWindow* w = impl.Find(p.window);
    if (!w || !w->client) continue;
    if (p.kind == KxGtkPending::kPreedit || p.kind == KxGtkPending::kCommit) {
      // Text composed for a window that is no longer active has no target
      // there, save what ended its composition as it went.
      if (impl.active != p.window && !p.leaving) continue;
      if (p.leaving) {
        KxInputMethodClient* target = KxInputMethodTarget();
        if (!target || !target->InputMethodComposing()) continue;
      }
      if (p.kind == KxGtkPending::kPreedit)
        KxDeliverInputMethodPreeditClauses(p.text, p.clauses, p.caret);
      else
        KxDeliverInputMethodCommit(p.text);
      impl.UpdatePass();
      continue;
    }
    if (p.kind == KxGtkPending::kResized)
      w->client->HostResized(p.bounds);
    else
      w->client->HostAttemptClose();
    impl.UpdatePass();
  }
  event = EventRecord{};
  event.when = TickCount();
  event.where = impl.pointer;
  event.modifiers = impl.Modifiers();
  return false;
}

bool KxGtkHost::PeekForEscape() {
  // A long operation peeks now and then: what it drew since (a search's
  // rows, a macro's typing) shows on the desktop meanwhile.
  mImpl->CopyOutChanges();
  Pump();
  for (auto it = mImpl->queue.begin(); it != mImpl->queue.end(); ++it) {
    if (it->kind != KxGtkPending::kEvent || it->event.what != keyDown) continue;
    const EventRecord& e = it->event;
    const bool escape = KxEventKeyCode(e) == kKxKeyEscape || KxEventChar(e) == kKxCharEscape;
    const bool commandPeriod = KxEventChar(e) == '.' && (e.modifiers & kKxEventCommandKey);
    if (escape || commandPeriod) {
      mImpl->queue.erase(it);
      return true;
    }
  }
  return false;
}

namespace {

// A window's record before its toolkit widgets: the size asked for, at
// least one pixel each way.
std::unique_ptr<KxGtkWindow> NewWindowRecord(KxWindowID id, KxWindowClient* client, const Rect& bounds) {
  auto w = std::make_unique<KxGtkWindow>();
  w->id = id;
  w->client = client;
  w->requestedWidth = std::max(1, bounds.right - bounds.left);
  w->requestedHeight = std::max(1, bounds.bottom - bounds.top);
  w->bounds = Rect{bounds.top, bounds.left, Clamp16(long(bounds.top) + w->requestedHeight),
                   Clamp16(long(bounds.left) + w->requestedWidth)};
  w->invalid = cairo_region_create();
  return w;
}

// The drawing area every window draws in, with the events both kinds of
// window take from it and from their top level.
void AddDrawingArea(KxGtkWindow& w) {
  w.box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_container_add(GTK_CONTAINER(w.toplevel), w.box);
  w.area = gtk_drawing_area_new();
  gtk_widget_add_events(w.area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                                    GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK);
  gtk_box_pack_end(GTK_BOX(w.box), w.area, TRUE, TRUE, 0);
  g_signal_connect(w.toplevel, "delete-event", G_CALLBACK(OnDelete), nullptr);
  g_signal_connect(w.toplevel, "destroy-event", G_CALLBACK(OnDestroyedOutside), nullptr);
  g_signal_connect(w.toplevel, "configure-event", G_CALLBACK(OnConfigure), nullptr);
  g_signal_connect(w.toplevel, "map-event", G_CALLBACK(OnConfigure), nullptr);   // now framed
  g_signal_connect(w.area, "draw", G_CALLBACK(OnDraw), nullptr);
  g_signal_connect(w.area, "size-allocate", G_CALLBACK(OnAreaAllocate), nullptr);
  g_signal_connect(w.area, "realize", G_CALLBACK(OnAreaRealize), nullptr);
  g_signal_connect(w.area, "button-press-event", G_CALLBACK(OnButton), nullptr);
  g_signal_connect(w.area, "button-release-event", G_CALLBACK(OnButton), nullptr);
  g_signal_connect(w.area, "motion-notify-event", G_CALLBACK(OnMotion), nullptr);
  g_signal_connect(w.area, "scroll-event", G_CALLBACK(OnScroll), nullptr);
}

}  // namespace

KxWindowID KxGtkHost::CreateWindow(KxWindowClient* client, const Rect& bounds, const unsigned char* title) {
  Impl& impl = *mImpl;
  auto w = NewWindowRecord(impl.nextWindow++, client, bounds);
  w->drawPending = true;   // the first exposure

  w->toplevel = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  ShowTitle(*w, title);
  AddDrawingArea(*w);
  gtk_widget_set_can_focus(w->area, TRUE);
  g_signal_connect(w->toplevel, "key-press-event", G_CALLBACK(OnKeyPress), nullptr);
  g_signal_connect(w->toplevel, "key-release-event", G_CALLBACK(OnKeyRelease), nullptr);
  g_signal_connect(w->toplevel, "focus-in-event", G_CALLBACK(OnFocusIn), nullptr);
  g_signal_connect(w->toplevel, "focus-out-event", G_CALLBACK(OnFocusOut), nullptr);
  mImpl->SetUpDrops(*w);
  // The desktop's input method (GTK_IM_MODULE or the desktop's settings);
  // without one, the toolkit's built-in context (dead keys, compose
  // sequences, code-point entry).
  w->im = gtk_im_multicontext_new();
  FollowInlineInput(impl);
  w->imInline = impl.inlineInput;
  gtk_im_context_set_use_preedit(w->im, w->imInline);
  g_signal_connect(w->im, "commit", G_CALLBACK(OnIMCommit), GUINT_TO_POINTER(guint(w->id)));
  g_signal_connect(w->im, "preedit-changed", G_CALLBACK(OnIMPreeditChanged), GUINT_TO_POINTER(guint(w->id)));
  KxGtkConnectSurrounding(w->im);

  KxGtkWindow& ref = *w;
  const KxWindowID id = w->id;
  impl.windows.insert(impl.windows.begin(), std::move(w));
  impl.BuildMenuBar(ref);
  gtk_window_set_default_size(GTK_WINDOW(ref.toplevel), ref.requestedWidth, ref.requestedHeight + MenuHeight(ref));
  impl.PlaceFrame(ref, bounds.left, bounds.top);
  gtk_widget_show_all(ref.toplevel);
  impl.MakeActive(id);
  Present(ref);
  return id;
}

void KxGtkHost::DestroyWindow(KxWindowID window) {
  Impl& impl = *mImpl;
  auto it = std::find_if(impl.windows.begin(), impl.windows.end(), [window](const auto& w) { return w->id == window; });
  if (it == impl.windows.end()) return;
  std::unique_ptr<KxGtkWindow> w = std::move(*it);
  impl.windows.erase(it);
  // Nothing waiting for the window has anyone to go to.
  std::erase_if(impl.queue, [window](const KxGtkPending& p) {
    if (p.kind != KxGtkPending::kEvent) return p.window == window;
    return (p.event.what == activateEvt || p.event.what == updateEvt) && p.event.message == window;
  });
  const bool wasActive = impl.active == window;
  if (wasActive) impl.active = kKxNoWindow;
  if (gPresented.window == window) gPresented = {};
  if (w->im) {
    gtk_im_context_set_client_window(w->im, nullptr);
    g_object_unref(w->im);
  }
  gtk_widget_destroy(w->toplevel);
  if (w->invalid) cairo_region_destroy(w->invalid);
  if (wasActive && !impl.windows.empty() && !impl.windows.front()->floating) impl.MakeActive(impl.windows.front()->id);
}

void KxGtkHost::SelectWindow(KxWindowID window) {
  Impl& impl = *mImpl;
  KxGtkWindow* w = impl.Find(window);
  if (!w) return;
  impl.MakeActive(window);
  Present(*w);
}

void KxGtkHost::SetWindowBounds(KxWindowID window, const Rect& bounds) {
  KxGtkWindow* w = mImpl->Find(window);
  if (!w) return;
  const int width = std::max(1, bounds.right - bounds.left), height = std::max(1, bounds.bottom - bounds.top);
  w->requestedWidth = width;
  w->requestedHeight = height;
  mImpl->PlaceFrame(*w, bounds.left, bounds.top);
  // A floating window is not resizable: its content's request is its size,
  // so it has to follow or the window could never shrink.
  if (w->floating && w->area) {
    gtk_widget_set_size_request(w->area, width, height);
    gtk_window_set_default_size(GTK_WINDOW(w->toplevel), width, height);
  }
  gtk_window_resize(GTK_WINDOW(w->toplevel), width, height + MenuHeight(*w));
  w->bounds = Rect{bounds.top, bounds.left, Clamp16(long(bounds.top) + height), Clamp16(long(bounds.left) + width)};
}

double KxGtkHost::FontResolution() const {
  constexpr double kDefaultResolution = 96;
  GdkScreen* screen = gdk_screen_get_default();
  const double dpi = screen ? gdk_screen_get_resolution(screen) : -1;
  // A resolution beyond any real screen is a broken setting.
  return dpi >= 36 && dpi <= 384 ? dpi : kDefaultResolution;
}

bool KxGtkHost::FontSmoothing() const {
  GtkSettings* settings = gtk_settings_get_default();
  gint antialias = -1;
  if (settings) g_object_get(settings, "gtk-xft-antialias", &antialias, nullptr);
  return antialias != 0;
}

bool KxGtkHost::ContentTypeIcon(const std::string& contentType, std::int32_t size, KxIconPixels& out) {
  if (contentType.empty() || size <= 0) return false;
  GIcon* icon = g_content_type_get_icon(contentType.c_str());
  if (!icon) return false;
  GtkIconInfo* info = gtk_icon_theme_lookup_by_gicon(gtk_icon_theme_get_default(), icon, size, GTK_ICON_LOOKUP_FORCE_SIZE);
  g_object_unref(icon);
  if (!info) return false;
  GdkPixbuf* pixbuf = gtk_icon_info_load_icon(info, nullptr);
  g_object_unref(info);
  if (!pixbuf) return false;
  const int w = gdk_pixbuf_get_width(pixbuf), h = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf), stride = gdk_pixbuf_get_rowstride(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  const guchar* px = gdk_pixbuf_read_pixels(pixbuf);
  if (w <= 0 || h <= 0 || channels < 3 || gdk_pixbuf_get_bits_per_sample(pixbuf) != 8) {
    g_object_unref(pixbuf);
    return false;
  }
  out.width = w;
  out.height = h;
  out.rgb.assign(std::size_t(w) * std::size_t(h), 0xFFFFFF);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const guchar* p = px + std::ptrdiff_t(y) * stride + std::ptrdiff_t(x) * channels;
      // Over the dialog's white: the icon's edges blend in.
      const unsigned a = alpha ? p[3] : 255u;
      auto over = [a](unsigned c) { return (c * a + 255u * (255u - a)) / 255u; };
      out.rgb[std::size_t(y) * std::size_t(w) + std::size_t(x)] = over(p[0]) << 16 | over(p[1]) << 8 | over(p[2]);
    }
  g_object_unref(pixbuf);
  return true;
}

Rect KxGtkHost::GetScreenBounds() const {
  // A frame's title bar and the program's menu bar lie outside the content
  // bounds; their heights are known only once a window is shown, so these
  // allow for the common ones.
  constexpr int kMenuAllowance = 28, kEdgeAllowance = 4;
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
  if (!monitor && display && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
  if (!monitor) return KxHost::GetScreenBounds();
  GdkRectangle area{};
  gdk_monitor_get_workarea(monitor, &area);
  // A window's content goes where its bounds say, its title bar and menu
  // bar above it.
  const int top = area.y + kTitleAllowance + kMenuAllowance, left = area.x + kEdgeAllowance;
  const int bottom = area.y + area.height - kEdgeAllowance, right = area.x + area.width - kEdgeAllowance;
  if (bottom - top < 100 || right - left < 100) return KxHost::GetScreenBounds();
  return Rect{Clamp16(top), Clamp16(left), Clamp16(bottom), Clamp16(right)};
}

Rect KxGtkHost::GetWorkArea() const {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
  if (!monitor && display && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
  if (!monitor) return KxHost::GetWorkArea();
  GdkRectangle area{};
  gdk_monitor_get_workarea(monitor, &area);
  return Rect{Clamp16(area.y), Clamp16(area.x), Clamp16(long(area.y) + area.height), Clamp16(long(area.x) + area.width)};
}

Rect KxGtkHost::GetWindowFrame(KxWindowID window) const {
  const KxGtkWindow* w = mImpl->Find(window);
  if (!w) return Rect{0, 0, 0, 0};
  GdkWindow* gw = gtk_widget_get_window(w->toplevel);
  if (!gw || !gtk_widget_get_mapped(w->toplevel)) {
    // Not on the screen: framed as it was last, or as its kind is, else
    // with a title bar's room above.
    KxGtkDecoration d = mImpl->FrameOf(*w);
    if (!d.known) d.top = kTitleAllowance;
    const Rect& b = w->bounds;
    return Rect{Clamp16(long(b.top) - MenuHeight(*w) - d.top), Clamp16(long(b.left) - d.left),
                Clamp16(long(b.bottom) + d.bottom), Clamp16(long(b.right) + d.right)};
  }
  GdkRectangle frame{};
  gdk_window_get_frame_extents(gw, &frame);
  const Rect& b = w->bounds;
  // The frame holds the content at least.
  return Rect{Clamp16(std::min<long>(frame.y, b.top)), Clamp16(std::min<long>(frame.x, b.left)),
              Clamp16(std::max<long>(long(frame.y) + frame.height, b.bottom)),
              Clamp16(std::max<long>(long(frame.x) + frame.width, b.right))};
}

Rect KxGtkHost::GetWindowBounds(KxWindowID window) const {
  const KxGtkWindow* w = mImpl->Find(window);
  return w ? w->bounds : Rect{0, 0, 0, 0};
}

void KxGtkHost::SetWindowTitle(KxWindowID window, const unsigned char* title) {
  if (KxGtkWindow* w = mImpl->Find(window)) ShowTitle(*w, title);
}

void KxGtkHost::SetWindowTitleUTF8(KxWindowID window, const std::string& title) {
  KxGtkWindow* w = mImpl->Find(window);
  if (!w || title.empty() || !g_utf8_validate(title.data(), gssize(title.size()), nullptr)) return;
  w->title = title;
  ShowTitle(*w, nullptr);
}

void KxGtkHost::SetWindowModified(KxWindowID window, bool modified) {
  KxGtkWindow* w = mImpl->Find(window);
  if (!w || w->modified == modified) return;
  w->modified = modified;
  ShowTitle(*w, nullptr);
}

std::string KxGtkHost::ShownTitle(KxWindowID window) const {
  const KxGtkWindow* w = mImpl->Find(window);
  const char* title = w ? gtk_window_get_title(GTK_WINDOW(w->toplevel)) : nullptr;
  return title ? title : "";
}

void KxGtkHost::InvalidateWindow(KxWindowID window, const Rect& area) {
  KxGtkWindow* w = mImpl->Find(window);
  if (!w || area.right <= area.left || area.bottom <= area.top) return;
  const cairo_rectangle_int_t r{area.left, area.top, area.right - area.left, area.bottom - area.top};
  cairo_region_union_rectangle(w->invalid, &r);
}

std::vector<KxWindowID> KxGtkHost::WindowList() const {
  std::vector<KxWindowID> ids;
  for (const auto& w : mImpl->windows)
    if (!w->floating) ids.push_back(w->id);
  return ids;
}

std::vector<KxWindowID> KxGtkHost::FloatingWindowList() const {
  std::vector<KxWindowID> ids;
  for (const auto& w : mImpl->windows)
    if (w->floating) ids.push_back(w->id);
  std::sort(ids.begin(), ids.end());
  return ids;
}

KxWindowID KxGtkHost::CreateFloatingWindow(KxWindowClient* client, const Rect& bounds, const unsigned char* title) {
  Impl& impl = *mImpl;
  auto w = NewWindowRecord(impl.nextWindow++, client, bounds);
  w->floating = true;
  w->shown = false;
  w->toplevel = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* top = GTK_WINDOW(w->toplevel);
  ShowTitle(*w, title);
  gtk_window_set_type_hint(top, GDK_WINDOW_TYPE_HINT_UTILITY);
  gtk_window_set_skip_taskbar_hint(top, TRUE);
  gtk_window_set_skip_pager_hint(top, TRUE);
  // Typing stays in the document while the palette's buttons are clicked.
  gtk_window_set_accept_focus(top, FALSE);
  gtk_window_set_focus_on_map(top, FALSE);
  gtk_window_set_resizable(top, FALSE);
  AddDrawingArea(*w);
  gtk_widget_set_size_request(w->area, w->requestedWidth, w->requestedHeight);
  for (const auto& other : impl.windows)
    if (!other->floating) {
      gtk_window_set_transient_for(top, GTK_WINDOW(other->toplevel));
      break;
    }
  gtk_window_set_default_size(top, w->requestedWidth, w->requestedHeight);
  impl.PlaceFrame(*w, bounds.left, bounds.top);
  const KxWindowID id = w->id;
  impl.windows.push_back(std::move(w));   // behind the documents: never the front one
  return id;
}

void KxGtkHost::ShowFloatingWindow(KxWindowID window, bool shown) {
  KxGtkWindow* w = mImpl->Find(window);
  if (!w || !w->floating || w->shown == shown) return;
  w->shown = shown;
  if (shown) {
    // The desktop maps it above the floating windows already shown.
    auto& windows = mImpl->windows;
    const auto it = std::find_if(windows.begin(), windows.end(), [w](const auto& o) { return o.get() == w; });
    const auto first = std::find_if(windows.begin(), windows.end(), [](const auto& o) { return o->floating; });
    std::rotate(first, it, it + 1);
    mImpl->PlaceFrame(*w, w->bounds.left, w->bounds.top);
    w->drawPending = true;
    gtk_widget_show_all(w->toplevel);
  } else {
    gtk_widget_hide(w->toplevel);
    w->drawPending = false;
  }
}

bool KxGtkHost::IsWindowShown(KxWindowID window) const {
  const KxGtkWindow* w = mImpl->Find(window);
  return w && w->shown;
}

KxWindowClient* KxGtkHost::GetWindowClient(KxWindowID window) const {
  const KxGtkWindow* w = mImpl->Find(window);
  return w ? w->client : nullptr;
}

namespace {
bool Holds(const Rect& b, Point where) {
  return where.v >= b.top && where.v < b.bottom && where.h >= b.left && where.h < b.right;
}
}  // namespace

std::vector<const KxGtkWindow*> KxGtkHost::Impl::FloatingFrontFirst(Point where) const {
  std::vector<const KxGtkWindow*> shown;
  for (const auto& w : windows)
    if (w->floating && w->shown && Holds(w->bounds, where)) shown.push_back(w.get());
  // Asked on every idle turn for the cursor: the desktop is asked only
  // where windows overlap.
  if (shown.size() < 2) return shown;
  // The desktop's own stacking, where its window manager reports it: a
  // floating window clicked or raised there stands in front.
  GList* stack = gdk_screen_get_window_stack(gdk_screen_get_default());
  if (!stack) return shown;
  // Its list runs bottom first; a window not in it (not yet mapped) goes behind.
  std::vector<std::pair<int, const KxGtkWindow*>> ranked;
  for (const KxGtkWindow* w : shown) {
    GdkWindow* gw = gtk_widget_get_window(w->toplevel);
    ranked.emplace_back(gw ? g_list_index(stack, gw) : -1, w);
  }
  g_list_free_full(stack, g_object_unref);
  std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (std::size_t k = 0; k < ranked.size(); ++k) shown[k] = ranked[k].second;
  return shown;
}

KxWindowID KxGtkHost::FindWindow(Point where) const {
  const Impl& impl = *mImpl;
  // A mouse event goes to the window the desktop gave it to: the one in
  // front at its point.
  if (where.h == impl.eventWhere.h && where.v == impl.eventWhere.v)
    if (const KxGtkWindow* w = impl.Find(impl.eventWindow); w && w->shown && Holds(w->bounds, where))
      return w->id;
  // Shown floating windows stand above the documents.
  if (const auto front = impl.FloatingFrontFirst(where); !front.empty()) return front.front()->id;
  for (const auto& w : impl.windows)
    if (!w->floating && Holds(w->bounds, where)) return w->id;
  return kKxNoWindow;
}

void KxGtkHost::Impl::OwnByFront(KxGtkWindow& w) {
  // The owner is the frontmost other window: the one the dialog came in front of.
  for (const auto& other : windows)
    if (other.get() != &w) {
      gtk_window_set_transient_for(GTK_WINDOW(w.toplevel), GTK_WINDOW(other->toplevel));
      break;
    }
}

void KxGtkHost::Impl::DropMenuBar(KxGtkWindow& w) {
  w.noMenuBar = true;
  if (!w.menuBar) return;
  BuildMenuBar(w);   // takes the old bar away and builds none
  gtk_window_resize(GTK_WINDOW(w.toplevel), w.requestedWidth, w.requestedHeight);
  // The frame closes up round the content, which stays where it was put.
  PlaceFrame(w, w.bounds.left, w.bounds.top);
}

void KxGtkHost::SetWindowModal(KxWindowID window) {
  Impl& impl = *mImpl;
  KxGtkWindow* w = impl.Find(window);
  if (!w) return;
  impl.OwnByFront(*w);
  impl.DropMenuBar(*w);
  gtk_window_set_modal(GTK_WINDOW(w->toplevel), TRUE);
}

void KxGtkHost::SetWindowModeless(KxWindowID window) {
  Impl& impl = *mImpl;
  if (KxGtkWindow* w = impl.Find(window)) impl.DropMenuBar(*w);
}

bool KxGtkHost::HasMenuBar(KxWindowID window) const {
  const KxGtkWindow* w = mImpl->Find(window);
  return w && w->menuBar;
}

void KxGtkHost::SetWindowFloating(KxWindowID window) {
  Impl& impl = *mImpl;
  KxGtkWindow* w = impl.Find(window);
  if (!w) return;
  impl.OwnByFront(*w);
  gtk_window_set_type_hint(GTK_WINDOW(w->toplevel), GDK_WINDOW_TYPE_HINT_UTILITY);
  impl.DropMenuBar(*w);   // placed as a utility window is framed
}

bool KxGtkHost::IsUtilityWindow(KxWindowID window) const {
  const KxGtkWindow* w = mImpl->Find(window);
  return w && gtk_window_get_type_hint(GTK_WINDOW(w->toplevel)) == GDK_WINDOW_TYPE_HINT_UTILITY;
}

bool KxGtkHost::IsModal(KxWindowID window) const {
  const KxGtkWindow* w = mImpl->Find(window);
  return w && gtk_window_get_modal(GTK_WINDOW(w->toplevel));
}

KxWindowID KxGtkHost::TransientFor(KxWindowID window) const {
  const KxGtkWindow* w = mImpl->Find(window);
  GtkWindow* owner = w ? gtk_window_get_transient_for(GTK_WINDOW(w->toplevel)) : nullptr;
  const KxGtkWindow* o = owner ? mImpl->FindWidget(GTK_WIDGET(owner)) : nullptr;
  return o ? o->id : kKxNoWindow;
}

int KxGtkHost::ClickCount() const { return mImpl->clicks.Count(); }
int KxGtkHost::EventClickCount() const { return mImpl->eventClicks; }
int KxGtkHost::Beeps() const { return mImpl->beeps; }
int KxGtkHost::ToolkitComplaints() const { return mImpl->toolkitComplaints; }
std::int16_t KxGtkHost::CurrentCursor() const { return KxGtkCursorID(mImpl->cursorIndex); }
bool KxGtkHost::MenuOpen() const { return mImpl->menuOpen; }

// --- For drivers and tests ---------------------------------------------------

bool KxGtkHost::Flush() {
  Impl& impl = *mImpl;
  impl.RebuildMenusIfPending();
  impl.UpdatePass();
  impl.CopyOutChanges();
  const gint64 limit = g_get_monotonic_time() + kFlushLimitMicros;
  auto waiting = [&impl] {
    for (const auto& w : impl.windows)
      if (w->shown && (w->drawPending || !gtk_widget_get_mapped(w->area))) return true;
    return false;
  };
  while (g_get_monotonic_time() < limit) {
    Pump();
    if (!waiting()) {
      gdk_display_sync(gdk_display_get_default());
      Pump();
      if (!waiting()) return true;
    }
    bool fired = false;
    const guint source = g_timeout_add(
        20, [](gpointer p) -> gboolean {
          *static_cast<bool*>(p) = true;
          return G_SOURCE_REMOVE;
        },
        &fired);
    while (!fired && waiting()) g_main_context_iteration(nullptr, TRUE);
    if (!fired) g_source_remove(source);
  }
  return false;
}

std::size_t KxGtkHost::PendingEvents() {
  gdk_display_sync(gdk_display_get_default());
  Pump();
  return mImpl->queue.size();
}

std::unique_ptr<KxPort> KxGtkHost::Screenshot(KxWindowID window) {
  Flush();
  KxGtkWindow* w = mImpl->Find(window);
  if (!w || !gtk_widget_get_mapped(w->area)) return nullptr;
  GdkWindow* gw = gtk_widget_get_window(w->area);
  const int width = gtk_widget_get_allocated_width(w->area), height = gtk_widget_get_allocated_height(w->area);
  if (!gw || width <= 0 || height <= 0) return nullptr;
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(gw, 0, 0, width, height);
  if (!shot) return nullptr;
  std::unique_ptr<KxPort> port = KxPort::NewImage(width, height);
  cairo_t* cr = cairo_create(port->Surface());
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  gdk_cairo_set_source_pixbuf(cr, shot, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(port->Surface());
  g_object_unref(shot);
  return port;
}

namespace {
void PutEvent(GdkEvent* e, bool keyboard) {
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  if (GdkDevice* device = seat ? (keyboard ? gdk_seat_get_keyboard(seat) : gdk_seat_get_pointer(seat)) : nullptr)
    gdk_event_set_device(e, device);
  gdk_event_put(e);
  gdk_event_free(e);
}
}  // namespace

void KxGtkHost::SynthesizeKey(KxWindowID window, unsigned keyval, std::uint16_t modifiers) {
  KxGtkWindow* w = mImpl->Find(window);
  GdkWindow* gw = w ? gtk_widget_get_window(w->toplevel) : nullptr;
  if (!gw) return;
  guint16 hardware = 0;
  GdkKeymapKey* keys = nullptr;
  gint n = 0;
  if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), keyval, &keys, &n) &&
      n > 0)
    hardware = guint16(keys[0].keycode);
  g_free(keys);
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* e = gdk_event_new(type);
    e->key.window = GDK_WINDOW(g_object_ref(gw));
    e->key.send_event = TRUE;
    e->key.time = GDK_CURRENT_TIME;
    e->key.keyval = keyval;
    e->key.state = KxGtkMaskFromModifiers(modifiers);
    e->key.hardware_keycode = hardware;
    PutEvent(e, true);
  }
}

void KxGtkHost::SynthesizeButton(KxWindowID window, Point local, bool down, std::uint32_t timeMs, unsigned button,
                                 std::uint16_t modifiers) {
  KxGtkWindow* w = mImpl->Find(window);
  GdkWindow* gw = w ? gtk_widget_get_window(w->area) : nullptr;
  if (!gw) return;
  GdkEvent* e = gdk_event_new(down ? GDK_BUTTON_PRESS : GDK_BUTTON_RELEASE);
  e->button.window = GDK_WINDOW(g_object_ref(gw));
  e->button.send_event = TRUE;
  e->button.time = timeMs;
  e->button.x = local.h;
  e->button.y = local.v;
  e->button.x_root = w->bounds.left + local.h;
  e->button.y_root = w->bounds.top + local.v;
  e->button.button = button;
  e->button.state = KxGtkMaskFromModifiers(modifiers) | (down ? 0 : kKxGdkButton1Mask);
  PutEvent(e, false);
}

void KxGtkHost::SynthesizeMotion(KxWindowID window, Point local, bool buttonDown, std::uint16_t modifiers) {
  // The toolkit holds motion back until its next frame (and merges it), so
  // a scripted move is taken here as the motion handler takes one.
  KxGtkWindow* w = mImpl->Find(window);
  if (!w) return;
  mImpl->gdkState = KxGtkMaskFromModifiers(modifiers) | (buttonDown ? kKxGdkButton1Mask : 0);
  mImpl->pointer = GlobalPoint(*w, local.h, local.v);
  PointerMoved(mImpl.get());
}

void KxGtkHost::SynthesizeScroll(KxWindowID window, Point local, double dx, double dy) {
  KxGtkWindow* w = mImpl->Find(window);
  GdkWindow* gw = w ? gtk_widget_get_window(w->area) : nullptr;
  if (!gw) return;
  GdkEvent* e = gdk_event_new(GDK_SCROLL);
  e->scroll.window = GDK_WINDOW(g_object_ref(gw));
  e->scroll.send_event = TRUE;
  e->scroll.time = GDK_CURRENT_TIME;
  e->scroll.x = local.h;
  e->scroll.y = local.v;
  e->scroll.direction = GDK_SCROLL_SMOOTH;
  e->scroll.delta_x = dx;
  e->scroll.delta_y = dy;
  PutEvent(e, false);
}

void KxGtkHost::SynthesizeResize(KxWindowID window, int width, int height) {
  KxGtkWindow* w = mImpl->Find(window);
  if (!w) return;
  const int extraW = gtk_widget_get_allocated_width(w->toplevel) - gtk_widget_get_allocated_width(w->area);
  const int extraH = gtk_widget_get_allocated_height(w->toplevel) - gtk_widget_get_allocated_height(w->area);
  gtk_window_resize(GTK_WINDOW(w->toplevel), std::max(1, width + extraW), std::max(1, height + extraH));
}

namespace {
// An event for the window's top level, as the desktop reports it.
void PutToplevelEvent(const KxGtkHost::Impl& impl, KxWindowID window, GdkEventType type) {
  KxGtkWindow* w = impl.Find(window);
  GdkWindow* gw = w ? gtk_widget_get_window(w->toplevel) : nullptr;
  if (!gw) return;
  GdkEvent* e = gdk_event_new(type);
  e->any.window = GDK_WINDOW(g_object_ref(gw));
  e->any.send_event = TRUE;
  gdk_event_put(e);
  gdk_event_free(e);
}
}  // namespace

void KxGtkHost::SynthesizeClose(KxWindowID window) { PutToplevelEvent(*mImpl, window, GDK_DELETE); }
void KxGtkHost::SynthesizeDestroyed(KxWindowID window) { PutToplevelEvent(*mImpl, window, GDK_DESTROY); }
