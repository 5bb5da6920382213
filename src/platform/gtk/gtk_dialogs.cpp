// The GTK host's dialogs, file choosers, cursors and beep. The dialogs are
// the toolkit's plain ones for now; each runs its own nested loop.
#include <gtk/gtk.h>

#include <algorithm>

#include "platform/gtk/gtk_host_impl.h"
#include "platform/toolbox/cursors.h"

namespace {

GtkWindow* Parent(const KxGtkHost::Impl& impl) {
  return impl.windows.empty() ? nullptr : GTK_WINDOW(impl.windows.front()->toplevel);
}

enum Response { kResponseSave = 1, kResponseDontSave = 2 };

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
}  // namespace

std::int16_t KxGtkCursorID(int index) { return kCursors[index >= 0 && index < kCursorKinds ? index : 0].id; }

namespace {

}  // namespace

int KxGtkHost::RunMessageDialog(void* widget) {
  GtkWidget* dialog = static_cast<GtkWidget*>(widget);
  if (!HasScript()) {
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    return response;
  }
  // A scripted run: the script's next steps run inside the question's loop
  // once it shows, and answer it (AnswerShownDialog); a script that ends
  // there cancels it.
  struct Running {
    gint response = GTK_RESPONSE_NONE;
  } running;
  g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog*, gint response, gpointer p) {
                     static_cast<Running*>(p)->response = response;
                   }),
                   &running);
  gtk_widget_show(dialog);
  GtkWidget* outer = mImpl->messageDialog;
  mImpl->messageDialog = dialog;
  constexpr gulong kIdleTurnMicroseconds = 50000;
  while (running.response == GTK_RESPONSE_NONE) {
    while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
    if (running.response != GTK_RESPONSE_NONE) break;
    if (!gtk_widget_get_mapped(dialog)) {
      g_main_context_iteration(nullptr, TRUE);
      continue;
    }
    if (ScriptEnded() || FeedScript() == ScriptTurn::kEnded) {
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
      break;
    }
    g_usleep(kIdleTurnMicroseconds);   // a turn of the question's loop
  }
  mImpl->messageDialog = outer;
  gtk_widget_destroy(dialog);
  return running.response;
}

KxAnswer KxGtkHost::AskSaveChanges(const std::string& documentName) {
  GtkWidget* dialog = gtk_message_dialog_new(Parent(*mImpl), GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING, GTK_BUTTONS_NONE,
                                             "Save changes to \u201C%s\u201D before closing?",
                                             KxGtkUtf8FromText(documentName).c_str());
  gtk_dialog_add_buttons(GTK_DIALOG(dialog), "Do_n't Save", kResponseDontSave, "_Cancel", GTK_RESPONSE_CANCEL, "_Save",
                         kResponseSave, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), kResponseSave);
  switch (RunMessageDialog(dialog)) {
    case kResponseSave: return KxAnswer::kSave;
    case kResponseDontSave: return KxAnswer::kDontSave;
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
  GtkWidget* dialog = gtk_color_chooser_dialog_new(title.c_str(), window);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  const GdkRGBA start = ToRGBA(colour);
  gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(dialog), &start);
  gtk_color_chooser_set_use_alpha(GTK_COLOR_CHOOSER(dialog), FALSE);
  struct Running {
    gint response = GTK_RESPONSE_NONE;
  } running;
  g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog*, gint response, gpointer p) {
                     static_cast<Running*>(p)->response = response;
                   }),
                   &running);
  gtk_widget_show(dialog);
  impl.colourChooser = ShownColourChooser{true, gtk_window_get_modal(GTK_WINDOW(dialog)) != FALSE,
                                          owner ? owner->id : kKxNoWindow, title};
  // Our own loop, as the program's modal dialogs run theirs; a scripted
  // answer is given once the dialog is on the screen, as a user would.
  bool scripted = impl.colourAnswerQueued;
  impl.colourAnswerQueued = false;
  while (running.response == GTK_RESPONSE_NONE) {
    if (scripted && gtk_widget_get_mapped(dialog)) {
      scripted = false;
      if (impl.colourAnswerOK) {
        const GdkRGBA chosen = ToRGBA(impl.colourAnswer);
        gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(dialog), &chosen);
      }
      gtk_dialog_response(GTK_DIALOG(dialog), impl.colourAnswerOK ? GTK_RESPONSE_OK : GTK_RESPONSE_CANCEL);
      break;
    }
    g_main_context_iteration(nullptr, TRUE);
  }
  GdkRGBA chosen{};
  gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(dialog), &chosen);
  gtk_widget_destroy(dialog);
  impl.colourChooser.shown = false;
  if (running.response != GTK_RESPONSE_OK) return false;
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
  GtkWidget* dialog = gtk_message_dialog_new(Parent(*mImpl), GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s",
                                             KxGtkUtf8FromText(text).c_str());
  RunMessageDialog(dialog);
  return KxAnswer::kOK;
}

bool KxGtkHost::ChooseFile(std::string& path) {
  GtkWidget* dialog = gtk_file_chooser_dialog_new("Open", Parent(*mImpl), GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
                                                  GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr);
  bool chosen = false;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    if (gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))) {
      path = name;
      chosen = true;
      g_free(name);
    }
  }
  gtk_widget_destroy(dialog);
  return chosen;
}

bool KxGtkHost::ChooseSaveFile(const std::string& defaultName, std::string& path) {
  GtkWidget* dialog = gtk_file_chooser_dialog_new("Save", Parent(*mImpl), GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel",
                                                  GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT, nullptr);
  gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(dialog), TRUE);
  gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), KxGtkUtf8FromText(defaultName).c_str());
  bool chosen = false;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    if (gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))) {
      path = name;
      chosen = true;
      g_free(name);
    }
  }
  gtk_widget_destroy(dialog);
  return chosen;
}

void KxGtkHost::Beep() {
  ++mImpl->beeps;
  gdk_display_beep(gdk_display_get_default());
}

void KxGtkHost::SetCursor(std::int16_t cursorID) {
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
