// The GTK host's dialogs, file choosers, cursors and beep. The dialogs are
// the toolkit's plain ones, each run in a nested loop that holds it until
// the caller has read its answer, however it was closed.
#include <gtk/gtk.h>

#include <algorithm>

#include "platform/gtk/gtk_host_impl.h"
#include "platform/toolbox/cursors.h"

namespace {

GtkWindow* Parent(const KxGtkHost::Impl& impl) {
  return impl.windows.empty() ? nullptr : GTK_WINDOW(impl.windows.front()->toplevel);
}

struct CursorName {
  const char* name;
  GdkCursorType fallback;
};
// The cursors the desktop draws for us, by the group of a cursor ID
// (platform/toolbox/cursors.h): arrow, I-beam, vertical I-beam, cross, plus,
// watch (every frame).
struct CursorKind {
  std::int16_t id;
  CursorName look;
};
constexpr CursorKind kCursors[] = {
    {kKxArrowCursor, {"default", GDK_LEFT_PTR}},    {kKxIBeamCursor, {"text", GDK_XTERM}},
    {kKxVerticalIBeamCursor, {"vertical-text", GDK_XTERM}}, {kKxCrossCursor, {"crosshair", GDK_CROSSHAIR}},
    {kKxPlusCursor, {"cell", GDK_PLUS}},              {kKxWatchCursor, {"wait", GDK_WATCH}},
    {kKxHiddenCursor, {"none", GDK_BLANK_CURSOR}},
};
constexpr int kCursorKinds = int(sizeof(kCursors) / sizeof(kCursors[0]));
static_assert(kCursorKinds == kKxGtkCursorKinds, "one made cursor per table entry");

// The index in kCursors that shows `id`: the ID itself, else its group;
// anything else is the arrow.
int CursorIndex(std::int16_t id) {
  for (int i = 0; i < kCursorKinds; ++i)
    if (kCursors[i].id == id) return i;
  const std::int16_t base = std::int16_t(id & kKxCursorGroupMask);
  for (int i = 0; i < kCursorKinds; ++i)
    if (kCursors[i].id == base) return i;
  if (base == kKxDragCursor) return 4;
  return 0;
}

// The widget that emits a signal, in an emission hook.
GObject* Emitter(guint count, const GValue* params) {
  if (count == 0 || !G_VALUE_HOLDS_OBJECT(&params[0])) return nullptr;
  return static_cast<GObject*>(g_value_get_object(&params[0]));
}
}  // namespace

std::int16_t KxGtkCursorID(int index) { return kCursors[index >= 0 && index < kCursorKinds ? index : 0].id; }

// --- Modal runs ----------------------------------------------------------------

KxGtkModalDialog::KxGtkModalDialog(GtkWidget* dialog) : mDialog(dialog) {
  g_object_ref(mDialog);
  g_signal_connect(mDialog, "response", G_CALLBACK(+[](GtkDialog*, gint response, gpointer p) {
                     auto* self = static_cast<KxGtkModalDialog*>(p);
                     self->mResponse = response;
                     self->mAnswered = true;
                   }),
                   this);
  // The dialog's own handler has answered GTK_RESPONSE_DELETE_EVENT by now;
  // the toolkit would destroy it next, under the caller that reads it.
  g_signal_connect(mDialog, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer p) -> gboolean {
                     auto* self = static_cast<KxGtkModalDialog*>(p);
                     if (!self->mAnswered) self->mResponse = GTK_RESPONSE_DELETE_EVENT;
                     self->mAnswered = true;
                     return TRUE;
                   }),
                   this);
  g_signal_connect(mDialog, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer p) {
                     auto* self = static_cast<KxGtkModalDialog*>(p);
                     self->mDestroyed = true;
                     self->mAnswered = true;   // unanswered, it keeps GTK_RESPONSE_NONE
                   }),
                   this);
}

KxGtkModalDialog::~KxGtkModalDialog() {
  // Destroying it runs (and then drops) our handlers while `this` lives.
  if (!mDestroyed) gtk_widget_destroy(mDialog);
  g_object_unref(mDialog);
}

namespace {
int gModalDepth = 0;  // modal dialogs turning the main loop, nested
int gAlertDepth = 0;  // of them, alerts

// One level of a nesting count, for as long as it lives.
struct StDepth {
  explicit StDepth(int& n) : count(n) { ++count; }
  ~StDepth() { --count; }
  StDepth(const StDepth&) = delete;
  StDepth& operator=(const StDepth&) = delete;
  int& count;
};
}  // namespace

bool KxGtkHost::ShowingModal() const { return gModalDepth > 0; }
bool KxGtkHost::AlertShown() const { return gAlertDepth > 0 && mImpl->messageDialog; }

gint KxGtkModalDialog::Run(std::function<bool()> turn) {
  const StDepth depth(gModalDepth);
  gtk_widget_show(mDialog);
  while (!mAnswered) {
    if (turn && gtk_widget_get_mapped(mDialog)) {
      while (!mAnswered && g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
      if (!mAnswered && !turn()) turn = nullptr;
      continue;
    }
    g_main_context_iteration(nullptr, TRUE);
  }
  return mResponse;
}

KxGtkHoldShownDialogs::KxGtkHoldShownDialogs() : mSignal(g_signal_lookup("show", GTK_TYPE_WIDGET)) {
  mHook = g_signal_add_emission_hook(mSignal, 0, OnShow, this, nullptr);
}

KxGtkHoldShownDialogs::~KxGtkHoldShownDialogs() {
  g_signal_remove_emission_hook(mSignal, mHook);
  for (GtkWidget* dialog : mHeld) g_object_unref(dialog);
}

gboolean KxGtkHoldShownDialogs::OnShow(GSignalInvocationHint*, guint count, const GValue* params, gpointer self) {
  auto* hold = static_cast<KxGtkHoldShownDialogs*>(self);
  GObject* shown = Emitter(count, params);
  if (shown && GTK_IS_DIALOG(shown) &&
      std::find(hold->mHeld.begin(), hold->mHeld.end(), GTK_WIDGET(shown)) == hold->mHeld.end())
    hold->mHeld.push_back(GTK_WIDGET(g_object_ref(shown)));
  return TRUE;   // stays for the next one
}

// --- Input for the next dialog (tests) -------------------------------------------

namespace {

using NextDialogInput = KxGtkHost::Impl::NextDialogInput;

// An event of the toolkit's own queue for the dialog's window, as the
// desktop delivers it.
void PutDialogEvent(GtkWidget* dialog, GdkEventType type, unsigned keyval = 0, unsigned state = 0) {
  GdkWindow* gw = gtk_widget_get_window(dialog);
  if (!gw) return;
  GdkEvent* e = gdk_event_new(type);
  e->any.window = GDK_WINDOW(g_object_ref(gw));
  e->any.send_event = TRUE;
  if (type == GDK_KEY_PRESS || type == GDK_KEY_RELEASE) {
    // The toolkit's key bindings look keys up by their hardware code.
    GdkKeymapKey* keys = nullptr;
    gint n = 0;
    GdkDisplay* display = gdk_window_get_display(gw);
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &n) && n > 0)
      e->key.hardware_keycode = guint16(keys[0].keycode);
    g_free(keys);
    e->key.time = GDK_CURRENT_TIME;
    e->key.keyval = keyval;
    e->key.state = state;
    if (GdkSeat* seat = gdk_display_get_default_seat(display))
      if (GdkDevice* keyboard = gdk_seat_get_keyboard(seat)) gdk_event_set_device(e, keyboard);
  }
  gdk_event_put(e);
  gdk_event_free(e);
}

gboolean GiveInput(gpointer data) {
  auto* dialog = static_cast<GtkWidget*>(data);
  const auto* input = static_cast<const NextDialogInput*>(g_object_get_data(G_OBJECT(dialog), "kx-input"));
  if (!input) return G_SOURCE_REMOVE;
  switch (input->dismissal) {
    case int(KxGtkHost::Dismissal::kCloseBox): PutDialogEvent(dialog, GDK_DELETE); break;
    case int(KxGtkHost::Dismissal::kDestroyed): PutDialogEvent(dialog, GDK_DESTROY); break;
    default:
      PutDialogEvent(dialog, GDK_KEY_PRESS, input->keyval, input->state);
      PutDialogEvent(dialog, GDK_KEY_RELEASE, input->keyval, input->state);
      break;
  }
  return G_SOURCE_REMOVE;
}

gboolean OnInputMapped(GtkWidget* dialog, GdkEvent*, gpointer) {
  g_signal_handlers_disconnect_by_func(dialog, reinterpret_cast<gpointer>(OnInputMapped), nullptr);
  // Once the toolkit has finished showing it.
  g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, GiveInput, g_object_ref(dialog), g_object_unref);
  return FALSE;
}

gboolean OnNextDialogShow(GSignalInvocationHint*, guint count, const GValue* params, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  GObject* shown = Emitter(count, params);
  if (!impl || !impl->nextDialogInput.waiting) return FALSE;
  if (!shown || !GTK_IS_DIALOG(shown)) return TRUE;
  g_object_set_data_full(shown, "kx-input", new NextDialogInput(impl->nextDialogInput),
                         [](gpointer p) { delete static_cast<NextDialogInput*>(p); });
  impl->nextDialogInput = NextDialogInput{};
  impl->nextDialogHook = 0;
  g_signal_connect(shown, "map-event", G_CALLBACK(OnInputMapped), nullptr);
  return FALSE;   // one dialog only
}

void WaitForNextDialog(KxGtkHost::Impl& impl, const NextDialogInput& input) {
  impl.nextDialogInput = input;
  impl.nextDialogInput.waiting = true;
  if (!impl.nextDialogHook)
    impl.nextDialogHook =
        g_signal_add_emission_hook(g_signal_lookup("show", GTK_TYPE_WIDGET), 0, OnNextDialogShow, nullptr, nullptr);
}

}  // namespace

void KxGtkHost::DismissNextDialog(Dismissal how) {
  NextDialogInput input;
  input.dismissal = int(how);
  if (how == Dismissal::kEscape) input.keyval = GDK_KEY_Escape;
  WaitForNextDialog(*mImpl, input);
}

void KxGtkHost::PressKeyInNextDialog(unsigned keyval, std::uint16_t modifiers) {
  NextDialogInput input;
  input.keyval = keyval;
  input.state = KxGtkMaskFromModifiers(modifiers);
  WaitForNextDialog(*mImpl, input);
}

// --- The dialogs ------------------------------------------------------------------

int KxGtkHost::RunMessageDialog(void* widget) {
  KxGtkModalDialog dialog(static_cast<GtkWidget*>(widget));
  // A scripted run: the script's next steps run inside the question's loop
  // once it shows, and answer it (AnswerShownDialog); a script that ends
  // there cancels it.
  std::function<bool()> turn;
  if (HasScript())
    turn = [this, &dialog] {
      if (ScriptEnded() || FeedScript() == ScriptTurn::kEnded) {
        gtk_dialog_response(GTK_DIALOG(dialog.Widget()), GTK_RESPONSE_CANCEL);
        return false;
      }
      constexpr gulong kIdleTurnMicroseconds = 50000;
      g_usleep(kIdleTurnMicroseconds);   // a turn of the question's loop
      return true;
    };
  GtkWidget* outer = mImpl->messageDialog;
  mImpl->messageDialog = dialog.Widget();
  const gint response = dialog.Run(std::move(turn));
  mImpl->messageDialog = outer;
  return response;
}

KxAnswer KxGtkHost::AskSaveChanges(const std::string& documentName) {
  GtkWidget* dialog = KxGtkNewSaveChangesQuestion(Parent(*mImpl), KxGtkUtf8FromText(documentName), false);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  switch (RunMessageDialog(dialog)) {
    case kKxGtkResponseSave: return KxAnswer::kSave;
    case kKxGtkResponseDontSave: return KxAnswer::kDontSave;
    default: return KxAnswer::kCancel;   // Escape and the close box too
  }
}

namespace {
constexpr double kFullComponent = 65535.0;
GdkRGBA ToRGBA(const RGBColor& c) {
  return GdkRGBA{c.red / kFullComponent, c.green / kFullComponent, c.blue / kFullComponent, 1.0};
}
std::uint16_t Component(double v) { return std::uint16_t(std::clamp(v, 0.0, 1.0) * kFullComponent + 0.5); }
}  // namespace

bool KxGtkHost::ChooseColour(KxWindowID parent, const std::string& title, RGBColor& colour) {
  Impl& impl = *mImpl;
  KxGtkWindow* owner = impl.Find(parent);
  GtkWindow* window = owner ? GTK_WINDOW(owner->toplevel) : Parent(impl);
  KxGtkModalDialog modal(gtk_color_chooser_dialog_new(title.c_str(), window));
  GtkWidget* dialog = modal.Widget();
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  const GdkRGBA start = ToRGBA(colour);
  gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(dialog), &start);
  gtk_color_chooser_set_use_alpha(GTK_COLOR_CHOOSER(dialog), FALSE);
  impl.colourChooser = ShownColourChooser{true, gtk_window_get_modal(GTK_WINDOW(dialog)) != FALSE,
                                          owner ? owner->id : kKxNoWindow, title};
  // Our own loop, as the program's modal dialogs run theirs; a scripted
  // answer is given once the dialog is on the screen, as a user would.
  std::function<bool()> scripted;
  if (impl.colourAnswerQueued)
    scripted = [&impl, dialog] {
      if (impl.colourAnswerOK) {
        const GdkRGBA chosen = ToRGBA(impl.colourAnswer);
        gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(dialog), &chosen);
      }
      gtk_dialog_response(GTK_DIALOG(dialog), impl.colourAnswerOK ? GTK_RESPONSE_OK : GTK_RESPONSE_CANCEL);
      return false;
    };
  impl.colourAnswerQueued = false;
  const gint response = modal.Run(std::move(scripted));
  impl.colourChooser.shown = false;
  if (response != GTK_RESPONSE_OK || !modal.Alive()) return false;
  GdkRGBA chosen{};
  gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(dialog), &chosen);
  colour = RGBColor{Component(chosen.red), Component(chosen.green), Component(chosen.blue)};
  return true;
}

void KxGtkHost::AnswerNextColourChooser(const RGBColor* colour) {
  mImpl->colourAnswerQueued = true;
  mImpl->colourAnswerOK = colour != nullptr;
  if (colour) mImpl->colourAnswer = *colour;
}

KxGtkHost::ShownColourChooser KxGtkHost::LastColourChooser() const { return mImpl->colourChooser; }

KxAnswer KxGtkHost::Alert(KxAlertKind kind, const std::string& text) {
  const GtkMessageType type = kind == KxAlertKind::kStop      ? GTK_MESSAGE_ERROR
                              : kind == KxAlertKind::kCaution ? GTK_MESSAGE_WARNING
                                                              : GTK_MESSAGE_INFO;
  // What the program drew just before (a command's result) shows behind the
  // alert rather than after it.
  mImpl->CopyOutChanges();
  const StDepth alert(gAlertDepth);
  RunMessageDialog(gtk_message_dialog_new(Parent(*mImpl), GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s",
                                          KxGtkUtf8FromText(text).c_str()));
  return KxAnswer::kOK;
}

namespace {
// Runs a file chooser to its answer: the chosen path, if any.
bool RunChooser(GtkWidget* chooser, std::string& path) {
  KxGtkModalDialog modal(chooser);
  gtk_window_set_modal(GTK_WINDOW(chooser), TRUE);
  // The chooser runs its own question before replacing a file.
  KxGtkHoldShownDialogs hold;
  if (modal.Run() != GTK_RESPONSE_ACCEPT || !modal.Alive()) return false;
  gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
  if (!name) return false;
  path = name;
  g_free(name);
  return true;
}
}  // namespace

bool KxGtkHost::ChooseFile(std::string& path) {
  return RunChooser(gtk_file_chooser_dialog_new("Open", Parent(*mImpl), GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
                                                GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr),
                    path);
}

bool KxGtkHost::ChooseSaveFile(const std::string& defaultName, std::string& path) {
  GtkWidget* dialog = gtk_file_chooser_dialog_new("Save", Parent(*mImpl), GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel",
                                                  GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT, nullptr);
  gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(dialog), TRUE);
  gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), KxGtkUtf8FromText(defaultName).c_str());
  return RunChooser(dialog, path);
}

void KxGtkHost::Beep() {
  ++mImpl->beeps;
  gdk_display_beep(gdk_display_get_default());
}

void KxGtkHost::SetCursor(std::int16_t cursorID) {
  mImpl->cursorID = cursorID;
  const int index = CursorIndex(cursorID);
  if (index == mImpl->cursorIndex) return;
  mImpl->cursorIndex = index;
  for (const auto& w : mImpl->windows) mImpl->ApplyCursor(*w);
}

void KxGtkHost::Impl::ApplyCursor(KxGtkWindow& w) {
  GdkWindow* gw = w.area ? gtk_widget_get_window(w.area) : nullptr;
  if (!gw) return;
  GdkCursor*& cursor = cursors[cursorIndex];
  if (!cursor) {
    GdkDisplay* display = gdk_window_get_display(gw);
    cursor = gdk_cursor_new_from_name(display, kCursors[cursorIndex].look.name);
    if (!cursor) cursor = gdk_cursor_new_for_display(display, kCursors[cursorIndex].look.fallback);
  }
  gdk_window_set_cursor(gw, cursor);
}
