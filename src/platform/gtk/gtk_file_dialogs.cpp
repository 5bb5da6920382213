// The GTK host's window-modal file choosers and document questions. Each
// dialog is shown and left running; its response is collected by a signal
// handler and handed out by PollDialog while the program's own loop turns.
// A dialog with a parent window gets a window group of its own shared with
// that window, so that its grab blocks only the window it belongs to.
#include <gtk/gtk.h>

#include <map>

#include "platform/files.h"
#include "platform/gtk/gtk_host_impl.h"

namespace {

struct DialogState {
  KxGtkHost::Impl* impl = nullptr;
  std::uint32_t id = 0;
  KxDialogRequest request;
  GtkWidget* dialog = nullptr;
  GtkWindow* parent = nullptr;
  GtkWindowGroup* group = nullptr;   // null: modal to the program
  std::vector<GtkFileFilter*> filters;
  std::vector<GtkWidget*> combos;
  bool done = false;
  bool destroying = false;   // the toolkit destroys it (with its parent window)
  // A save chooser runs the toolkit's own question before replacing a file.
  std::unique_ptr<KxGtkHoldShownDialogs> hold;
  KxDialogReply reply;
};

std::map<std::uint32_t, std::unique_ptr<DialogState>>& Dialogs() {
  static std::map<std::uint32_t, std::unique_ptr<DialogState>> dialogs;
  return dialogs;
}
std::uint32_t gNextDialog = 1;

bool IsChooser(KxDialogKind kind) {
  return kind == KxDialogKind::kOpen || kind == KxDialogKind::kSave || kind == KxDialogKind::kChooseFolder;
}

int FilterIndex(const DialogState& s) {
  GtkFileFilter* chosen = gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(s.dialog));
  for (std::size_t i = 0; i < s.filters.size(); ++i)
    if (s.filters[i] == chosen) return int(i);
  return s.request.filter;
}

// The popups can change only under the filters that allow it.
void UpdateChoices(DialogState& s) {
  if (s.combos.empty()) return;   // questions have neither popups nor filters
  const int f = FilterIndex(s);
  for (std::size_t i = 0; i < s.combos.size(); ++i)
    gtk_widget_set_sensitive(s.combos[i], s.request.ChoiceEnabled(i, f));
}

void OnFilterChanged(GObject*, GParamSpec*, gpointer data) { UpdateChoices(*static_cast<DialogState*>(data)); }

gboolean FilterAccepts(const GtkFileFilterInfo* info, gpointer data) {
  const auto* filter = static_cast<const KxFileFilter*>(data);
  if (!info->filename || !filter->accepts) return TRUE;
  return filter->accepts(info->filename) ? TRUE : FALSE;
}

// Takes the answer out of the dialog and closes it. `paths` (tests) stands
// for what the chooser shows as chosen.
void Finish(DialogState& s, gint response, const std::vector<std::string>* paths = nullptr) {
  if (s.done) return;
  KxDialogReply& r = s.reply;
  r.filter = s.request.filter;
  for (const KxDialogChoice& c : s.request.choices) r.choices.push_back(c.selected);
  if (IsChooser(s.request.kind)) {
    r.filter = FilterIndex(s);
    for (std::size_t i = 0; i < s.combos.size() && i < r.choices.size(); ++i) {
      const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(s.combos[i]));
      if (active >= 0) r.choices[i] = active;
    }
    if (response == GTK_RESPONSE_ACCEPT) {
      if (paths) {
        r.paths = *paths;
      } else {
        GSList* names = gtk_file_chooser_get_filenames(GTK_FILE_CHOOSER(s.dialog));
        for (GSList* n = names; n; n = n->next) {
          r.paths.emplace_back(static_cast<char*>(n->data));
          g_free(n->data);
        }
        g_slist_free(names);
      }
      r.answer = r.paths.empty() ? KxAnswer::kCancel : KxAnswer::kOK;
      // The chooser has asked before accepting a name that exists.
      if (s.request.kind == KxDialogKind::kSave && !r.paths.empty()) r.replacing = KxPathExists(r.paths.front());
    }
  } else if (s.request.kind == KxDialogKind::kSaveChanges) {
    r.answer = response == kKxGtkResponseSave       ? KxAnswer::kSave
               : response == kKxGtkResponseDontSave ? KxAnswer::kDontSave
                                                    : KxAnswer::kCancel;   // Escape and the close box too
  } else {
    r.answer = response == GTK_RESPONSE_ACCEPT ? KxAnswer::kOK : KxAnswer::kCancel;
  }
  s.done = true;
  for (GtkFileFilter* f : s.filters) g_object_unref(f);
  s.filters.clear();
  s.combos.clear();
  if (!s.destroying) gtk_widget_destroy(s.dialog);
  s.dialog = nullptr;
  if (s.group) {
    if (s.parent) gtk_window_group_remove_window(s.group, s.parent);
    g_object_unref(s.group);
    s.group = nullptr;
  }
  s.hold.reset();
}

void OnResponse(GtkDialog*, gint response, gpointer data) { Finish(*static_cast<DialogState*>(data), response); }

// A dialog destroyed unanswered (its window went away) counts as cancelled,
// so that the loop waiting for it ends.
void OnDestroy(GtkWidget*, gpointer data) {
  auto& s = *static_cast<DialogState*>(data);
  if (s.done) return;
  s.destroying = true;
  Finish(s, GTK_RESPONSE_CANCEL);
}

GtkWidget* MakeChooser(DialogState& s, GtkWindow* parent) {
  const KxDialogRequest& q = s.request;
  GtkFileChooserAction action = GTK_FILE_CHOOSER_ACTION_OPEN;
  const char* title = q.prompt.empty() ? "Open" : q.prompt.c_str();
  const char* accept = "_Open";
  if (q.kind == KxDialogKind::kSave) {
    action = GTK_FILE_CHOOSER_ACTION_SAVE;
    title = "Save As";
    accept = "_Save";
  } else if (q.kind == KxDialogKind::kChooseFolder) {
    action = GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER;
    title = q.title.empty() ? "Choose a Folder" : q.title.c_str();
    accept = "_Choose";
  }
  GtkWidget* dialog = gtk_file_chooser_dialog_new(title, parent, action, "_Cancel", GTK_RESPONSE_CANCEL, accept,
                                                  GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  if (q.kind == KxDialogKind::kOpen) gtk_file_chooser_set_select_multiple(chooser, q.multiple ? TRUE : FALSE);
  if (q.kind == KxDialogKind::kSave) {
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    gtk_file_chooser_set_current_name(chooser, q.name.c_str());
  }
  if (!q.folder.empty()) gtk_file_chooser_set_current_folder(chooser, q.folder.c_str());
  for (const KxFileFilter& f : q.filters) {
    GtkFileFilter* filter = gtk_file_filter_new();
    g_object_ref_sink(filter);
    gtk_file_filter_set_name(filter, f.name.c_str());
    gtk_file_filter_add_custom(filter, GTK_FILE_FILTER_FILENAME, FilterAccepts, const_cast<KxFileFilter*>(&f), nullptr);
    gtk_file_chooser_add_filter(chooser, filter);
    s.filters.push_back(filter);
  }
  if (q.filter >= 0 && std::size_t(q.filter) < s.filters.size())
    gtk_file_chooser_set_filter(chooser, s.filters[std::size_t(q.filter)]);
  if (!q.choices.empty()) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    for (const KxDialogChoice& c : q.choices) {
      gtk_box_pack_start(GTK_BOX(box), gtk_label_new(c.label.c_str()), FALSE, FALSE, 0);
      GtkWidget* combo = gtk_combo_box_text_new();
      for (const std::string& item : c.items) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), item.c_str());
      if (c.selected >= 0 && std::size_t(c.selected) < c.items.size())
        gtk_combo_box_set_active(GTK_COMBO_BOX(combo), c.selected);
      gtk_box_pack_start(GTK_BOX(box), combo, FALSE, FALSE, 0);
      s.combos.push_back(combo);
    }
    gtk_widget_show_all(box);
    gtk_file_chooser_set_extra_widget(chooser, box);
  }
  g_signal_connect(dialog, "notify::filter", G_CALLBACK(OnFilterChanged), &s);
  return dialog;
}

// The questions speak the program's language, as the rest of its
// interface does; each button has a mnemonic.
constexpr char kSaveBeforeClosing[] = "書類「%s」の変更内容を保存しますか？";
constexpr char kSaveBeforeQuitting[] = "終了する前に、書類「%s」の変更内容を保存しますか？";
constexpr char kChangesLost[] = "保存しないと、変更内容は失われます。";
constexpr char kDontSaveButton[] = "保存しない(_N)";
constexpr char kCancelButton[] = "キャンセル(_C)";
constexpr char kSaveButton[] = "保存(_S)";
constexpr char kRevertQuestion[] = "書類「%s」を保存時の状態に戻しますか？";
constexpr char kRevertLoses[] = "現在の変更内容は失われます。";
constexpr char kRevertButton[] = "戻す(_R)";

GtkWidget* MakeQuestion(const KxDialogRequest& q, GtkWindow* parent) {
  GtkWidget* dialog;
  if (q.kind == KxDialogKind::kSaveChanges) {
    dialog = KxGtkNewSaveChangesQuestion(parent, q.name, q.quitting);
  } else {
    dialog = gtk_message_dialog_new(parent, GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_WARNING, GTK_BUTTONS_NONE,
                                    kRevertQuestion, q.name.c_str());
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", kRevertLoses);
    gtk_dialog_add_buttons(GTK_DIALOG(dialog), kCancelButton, GTK_RESPONSE_CANCEL, kRevertButton, GTK_RESPONSE_ACCEPT,
                           nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
  }
  if (!q.title.empty()) gtk_window_set_title(GTK_WINDOW(dialog), q.title.c_str());
  return dialog;
}

DialogState* Shown() {
  for (auto it = Dialogs().rbegin(); it != Dialogs().rend(); ++it)
    if (!it->second->done) return it->second.get();
  return nullptr;
}

}  // namespace

GtkWidget* KxGtkNewSaveChangesQuestion(GtkWindow* parent, const std::string& nameUtf8, bool quitting) {
  GtkWidget* dialog = gtk_message_dialog_new(parent, GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_WARNING,
                                             GTK_BUTTONS_NONE, quitting ? kSaveBeforeQuitting : kSaveBeforeClosing,
                                             nameUtf8.c_str());
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", kChangesLost);
  gtk_dialog_add_buttons(GTK_DIALOG(dialog), kDontSaveButton, kKxGtkResponseDontSave, kCancelButton,
                         GTK_RESPONSE_CANCEL, kSaveButton, kKxGtkResponseSave, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), kKxGtkResponseSave);
  return dialog;
}

std::uint32_t KxGtkHost::BeginDialog(const KxDialogRequest& request) {
  auto state = std::make_unique<DialogState>();
  DialogState& s = *state;
  s.impl = mImpl.get();
  s.id = gNextDialog++;
  s.request = request;
  KxGtkWindow* owner = request.parent != kKxNoWindow ? mImpl->Find(request.parent) : nullptr;
  if (!owner && !mImpl->windows.empty()) owner = mImpl->windows.front().get();
  s.parent = owner ? GTK_WINDOW(owner->toplevel) : nullptr;
  if (request.kind == KxDialogKind::kSave) s.hold = std::make_unique<KxGtkHoldShownDialogs>();
  s.dialog = IsChooser(request.kind) ? MakeChooser(s, s.parent) : MakeQuestion(s.request, s.parent);
  gtk_window_set_modal(GTK_WINDOW(s.dialog), TRUE);
  gtk_window_set_destroy_with_parent(GTK_WINDOW(s.dialog), TRUE);
  if (request.parent != kKxNoWindow && s.parent) {
    // Window-modal: the grab holds inside the group of the window and its dialog.
    s.group = gtk_window_group_new();
    gtk_window_group_add_window(s.group, s.parent);
    gtk_window_group_add_window(s.group, GTK_WINDOW(s.dialog));
  }
  g_signal_connect(s.dialog, "response", G_CALLBACK(OnResponse), &s);
  g_signal_connect(s.dialog, "destroy", G_CALLBACK(OnDestroy), &s);
  UpdateChoices(s);
  gtk_widget_show(s.dialog);
  gtk_window_present(GTK_WINDOW(s.dialog));
  const std::uint32_t id = s.id;
  Dialogs()[id] = std::move(state);
  return id;
}

bool KxGtkHost::PollDialog(std::uint32_t dialog, KxDialogReply& reply) {
  auto it = Dialogs().find(dialog);
  if (it == Dialogs().end()) {
    reply = KxDialogReply{};
    return true;
  }
  // A script that ended while the dialog was up cancels it, as the
  // headless host does, so that no loop waits for a user.
  if (!it->second->done && HasScript() && ScriptEnded()) Finish(*it->second, GTK_RESPONSE_CANCEL);
  if (!it->second->done) return false;
  reply = std::move(it->second->reply);
  Dialogs().erase(it);
  return true;
}

bool KxGtkHost::GetShownDialog(ShownDialog& shown) {
  DialogState* s = Shown();
  if (!s) return false;
  GtkWindow* w = GTK_WINDOW(s->dialog);
  shown.mapped = gtk_widget_get_mapped(s->dialog);
  shown.modal = gtk_window_get_modal(w);
  shown.transientFor = kKxNoWindow;
  GtkWindow* parent = gtk_window_get_transient_for(w);
  for (const auto& win : mImpl->windows)
    if (parent && GTK_WINDOW(win->toplevel) == parent) shown.transientFor = win->id;
  GtkWindowGroup* group = gtk_window_get_group(w);
  shown.windowModal = parent && gtk_window_has_group(w) && gtk_window_get_group(parent) == group;
  shown.title = gtk_window_get_title(w) ? gtk_window_get_title(w) : "";
  if (IsChooser(s->request.kind)) {
    shown.overwriteConfirmation = gtk_file_chooser_get_do_overwrite_confirmation(GTK_FILE_CHOOSER(s->dialog));
    GSList* list = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(s->dialog));
    shown.filters = int(g_slist_length(list));
    g_slist_free(list);
  }
  shown.choices = int(s->combos.size());
  shown.choicesSensitive = !s->combos.empty() && gtk_widget_get_sensitive(s->combos.front());
  shown.choiceSensitive.clear();
  for (GtkWidget* combo : s->combos) shown.choiceSensitive.push_back(gtk_widget_get_sensitive(combo));
  return true;
}

bool KxGtkHost::WaitDialogShown() {
  DialogState* s = Shown();
  if (!s) return false;
  const gint64 end = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
  while (!gtk_widget_get_mapped(s->dialog) && g_get_monotonic_time() < end) g_main_context_iteration(nullptr, FALSE);
  if (!gtk_widget_get_mapped(s->dialog)) return false;
  // Let it draw (a chooser fills its list in the background).
  const gint64 settle = g_get_monotonic_time() + G_USEC_PER_SEC / 2;
  while (g_get_monotonic_time() < settle) {
    while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
    g_usleep(10000);
  }
  return true;
}

bool KxGtkHost::SaveDialogScreenshot(const std::string& pngPath) {
  DialogState* s = Shown();
  if (!s || !gtk_widget_get_mapped(s->dialog)) return false;
  GdkWindow* gw = gtk_widget_get_window(s->dialog);
  const int width = gdk_window_get_width(gw), height = gdk_window_get_height(gw);
  GdkPixbuf* shot = width > 0 && height > 0 ? gdk_pixbuf_get_from_window(gw, 0, 0, width, height) : nullptr;
  if (!shot) return false;
  const gboolean ok = gdk_pixbuf_save(shot, pngPath.c_str(), "png", nullptr, nullptr);
  g_object_unref(shot);
  return ok;
}

bool KxGtkHost::ChooseShownFilter(int filter) {
  DialogState* s = Shown();
  if (!s || filter < 0 || std::size_t(filter) >= s->filters.size()) return false;
  gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(s->dialog), s->filters[std::size_t(filter)]);
  return true;
}

bool KxGtkHost::AnswerShownDialog(const KxDialogReply& reply) {
  if (GtkWidget* message = mImpl->messageDialog) {
    gint response = GTK_RESPONSE_CANCEL;
    if (reply.answer == KxAnswer::kSave) response = kKxGtkResponseSave;
    if (reply.answer == KxAnswer::kDontSave) response = kKxGtkResponseDontSave;
    if (reply.answer == KxAnswer::kOK) response = GTK_RESPONSE_OK;
    gtk_dialog_response(GTK_DIALOG(message), response);
    return true;
  }
  DialogState* s = Shown();
  if (!s) return false;
  if (IsChooser(s->request.kind)) {
    if (reply.filter >= 0 && std::size_t(reply.filter) < s->filters.size())
      gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(s->dialog), s->filters[std::size_t(reply.filter)]);
    for (std::size_t i = 0; i < s->combos.size() && i < reply.choices.size(); ++i)
      gtk_combo_box_set_active(GTK_COMBO_BOX(s->combos[i]), reply.choices[i]);
    // The chooser's own file list loads in the background; the paths stand
    // for what the user picked there.
    Finish(*s, reply.answer == KxAnswer::kOK ? GTK_RESPONSE_ACCEPT : GTK_RESPONSE_CANCEL, &reply.paths);
    return true;
  }
  gint response = GTK_RESPONSE_CANCEL;
  if (reply.answer == KxAnswer::kSave) response = kKxGtkResponseSave;
  if (reply.answer == KxAnswer::kDontSave) response = kKxGtkResponseDontSave;
  if (reply.answer == KxAnswer::kOK) response = GTK_RESPONSE_ACCEPT;
  gtk_dialog_response(GTK_DIALOG(s->dialog), response);
  return true;
}
