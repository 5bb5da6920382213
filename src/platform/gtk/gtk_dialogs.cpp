// The GTK host's dialogs, file choosers, cursors and beep. The dialogs are
// the toolkit's plain ones for now; each runs its own nested loop.
#include <gtk/gtk.h>

#include "platform/gtk/gtk_host_impl.h"

namespace {

GtkWindow* Parent(const KxGtkHost::Impl& impl) {
  return impl.windows.empty() ? nullptr : GTK_WINDOW(impl.windows.front()->toplevel);
}

// Runs a dialog to its answer and destroys it.
gint Run(GtkWidget* dialog) {
  const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  return response;
}

enum Response { kResponseSave = 1, kResponseDontSave = 2 };

struct CursorName {
  const char* name;
  GdkCursorType fallback;
};
// By cursor group (platform/toolbox/cursors.h): arrow, I-beam, cross, plus, watch.
constexpr CursorName kCursors[] = {
    {"default", GDK_LEFT_PTR}, {"text", GDK_XTERM}, {"crosshair", GDK_CROSSHAIR}, {"cell", GDK_PLUS}, {"wait", GDK_WATCH},
};

// The host's cursor of an ID: that of its group, 0 (the arrow) for an ID
// of no standard group.
int CursorIndex(short id) {
  switch (static_cast<std::int16_t>(id & kKxCursorGroupMask)) {
    case kKxIBeamCursor: return 1;
    case kKxCrossCursor: return 2;
    case kKxPlusCursor: return 3;
    case kKxWatchCursor: return 4;
    default: return 0;
  }
}

}  // namespace

KxAnswer KxGtkHost::AskSaveChanges(const std::string& documentName) {
  GtkWidget* dialog = gtk_message_dialog_new(Parent(*mImpl), GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING, GTK_BUTTONS_NONE,
                                             "Save changes to \u201C%s\u201D before closing?",
                                             KxGtkUtf8FromText(documentName).c_str());
  gtk_dialog_add_buttons(GTK_DIALOG(dialog), "Do_n't Save", kResponseDontSave, "_Cancel", GTK_RESPONSE_CANCEL, "_Save",
                         kResponseSave, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), kResponseSave);
  switch (Run(dialog)) {
    case kResponseSave: return KxAnswer::kSave;
    case kResponseDontSave: return KxAnswer::kDontSave;
    default: return KxAnswer::kCancel;   // Escape and the close box too
  }
}

KxAnswer KxGtkHost::Alert(KxAlertKind kind, const std::string& text) {
  const GtkMessageType type = kind == KxAlertKind::kStop      ? GTK_MESSAGE_ERROR
                              : kind == KxAlertKind::kCaution ? GTK_MESSAGE_WARNING
                                                              : GTK_MESSAGE_INFO;
  GtkWidget* dialog = gtk_message_dialog_new(Parent(*mImpl), GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s",
                                             KxGtkUtf8FromText(text).c_str());
  Run(dialog);
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

void KxGtkHost::SetCursor(short cursorID) {
  if (CursorIndex(cursorID) == 0) cursorID = kKxArrowCursor;
  if (cursorID == mImpl->cursorID) return;
  mImpl->cursorID = cursorID;
  for (const auto& w : mImpl->windows) mImpl->ApplyCursor(*w);
}

void KxGtkHost::Impl::ApplyCursor(KxGtkWindow& w) {
  GdkWindow* gw = w.area ? gtk_widget_get_window(w.area) : nullptr;
  if (!gw) return;
  const int index = CursorIndex(cursorID);
  GdkCursor*& cursor = cursors[index];
  if (!cursor) {
    GdkDisplay* display = gdk_window_get_display(gw);
    cursor = gdk_cursor_new_from_name(display, kCursors[index].name);
    if (!cursor) cursor = gdk_cursor_new_for_display(display, kCursors[index].fallback);
  }
  gdk_window_set_cursor(gw, cursor);
}
