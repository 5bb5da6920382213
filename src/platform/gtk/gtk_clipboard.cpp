// The desktop clipboard and drag and drop of the GTK host. What the
// program puts on the clipboard is kept (every flavor, as it was at the
// copy) and offered under the targets of gtk_flavors.h; a read takes one
// snapshot of every flavor the desktop's clipboard holds. Drops are fetched
// whole before the window's client sees them.
#include <gtk/gtk.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <memory>
#include <string>
#include <vector>

#include "platform/framework/commander.h"
#include "platform/gtk/gtk_flavors.h"
#include "platform/gtk/gtk_host.h"
#include "platform/gtk/gtk_host_impl.h"

namespace {

GtkClipboard* Board() { return gtk_clipboard_get(GDK_SELECTION_CLIPBOARD); }

std::string AtomName(GdkAtom atom) {
  gchar* name = gdk_atom_name(atom);
  std::string s = name ? name : "";
  g_free(name);
  return s;
}

// Targets for a list of flavors, in order, each once.
std::vector<std::string> TargetsOf(const std::vector<OSType>& types) {
  std::vector<std::string> names;
  for (OSType type : types)
    for (const std::string& t : KxGtkTargetsOf(type))
      if (std::find(names.begin(), names.end(), t) == names.end()) names.push_back(t);
  return names;
}

std::vector<GtkTargetEntry> Entries(const std::vector<std::string>& names) {
  std::vector<GtkTargetEntry> entries;
  for (const std::string& n : names)
    entries.push_back(GtkTargetEntry{const_cast<gchar*>(n.c_str()), 0, 0});
  return entries;
}

void Serve(GtkSelectionData* selection, const KxClipboardStore& store) {
  const GdkAtom targetAtom = gtk_selection_data_get_target(selection);
  const std::string target = AtomName(targetAtom);
  const OSType type = KxGtkFlavorOfTarget(target);
  std::vector<std::uint8_t> bytes, out;
  if (!type || !store.Get(type, bytes) || !KxGtkExport(target, type, bytes, out)) return;
  gtk_selection_data_set(selection, targetAtom, 8, out.data(), static_cast<gint>(out.size()));
}

void OnClipboardGet(GtkClipboard*, GtkSelectionData* selection, guint, gpointer) {
  if (gKxGtkImpl) Serve(selection, gKxGtkImpl->clipboard);
}

void OnClipboardClear(GtkClipboard*, gpointer) {
  if (gKxGtkImpl && !gKxGtkImpl->clipboardClaiming) gKxGtkImpl->clipboardOwned = false;
}

// How long an owner may take to hand over one target's data. The
// toolkit's own wait is about 30 seconds a target: an owner that stopped
// answering held the program for minutes, over a menu refresh alone. A
// transfer of tens of megabytes on the desktop takes a second or two.
constexpr guint kOwnerPatienceMs = 10000;

// One request's answer; the toolkit answers a request it was given up on
// later (at its own timeout), and its callback then frees it.
template <typename T>
struct Pending {
  bool done = false, abandoned = false;
  T value{};
};

// Runs the main loop until `r` is answered or the owner's patience runs
// out; false when it ran out (`r` is then its callback's to free).
template <typename T>
bool Await(Pending<T>* r) {
  bool expired = false;
  const guint timer = g_timeout_add(
      kOwnerPatienceMs, [](gpointer e) -> gboolean { return *static_cast<bool*>(e) = true, G_SOURCE_REMOVE; },
      &expired);
  while (!r->done && !expired) g_main_context_iteration(nullptr, TRUE);
  if (!expired) g_source_remove(timer);
  if (!r->done) r->abandoned = true;
  return r->done;
}

// The request behind a callback's pointer, or null when it was given up on
// (and is freed here).
template <typename T>
Pending<T>* Answered(gpointer p) {
  auto* r = static_cast<Pending<T>*>(p);
  if (!r->abandoned) return r;
  delete r;
  return nullptr;
}

void OnContents(GtkClipboard*, GtkSelectionData* data, gpointer p) {
  if (auto* r = Answered<GtkSelectionData*>(p)) {
    r->value = data && gtk_selection_data_get_length(data) >= 0 ? gtk_selection_data_copy(data) : nullptr;
    r->done = true;
  }
}

// The target's data, or null; `gaveUp` when the owner did not answer in time.
GtkSelectionData* WaitForContents(GdkAtom atom, bool& gaveUp) {
  auto* r = new Pending<GtkSelectionData*>;
  gtk_clipboard_request_contents(Board(), atom, OnContents, r);
  gaveUp = !Await(r);
  if (gaveUp) return nullptr;
  GtkSelectionData* data = r->value;
  delete r;
  return data;
}

void OnTargets(GtkClipboard*, GdkAtom* atoms, gint count, gpointer p) {
  if (auto* r = Answered<std::vector<GdkAtom>>(p)) {
    if (atoms && count > 0) r->value.assign(atoms, atoms + count);
    r->done = true;
  }
}

// The owner's targets; none when it did not answer in time.
std::vector<GdkAtom> WaitForTargets() {
  auto* r = new Pending<std::vector<GdkAtom>>;
  gtk_clipboard_request_targets(Board(), OnTargets, r);
  if (!Await(r)) return {};
  std::vector<GdkAtom> atoms = std::move(r->value);
  delete r;
  return atoms;
}

// Reads one target's data into the snapshot; false when it brought
// nothing usable (`gaveUp` when the owner did not answer).
bool ReadTarget(GdkAtom atom, KxClipboardStore& out, bool& gaveUp) {
  const std::string target = AtomName(atom);
  GtkSelectionData* data = WaitForContents(atom, gaveUp);
  if (!data) return false;
  const gint length = gtk_selection_data_get_length(data);
  const guchar* bytes = gtk_selection_data_get_data(data);
  std::vector<std::vector<std::uint8_t>> records;
  bool read = false;
  // TEXT comes in the form the owner chose: read it as that form.
  std::string form = target;
  gchar* converted = nullptr;
  if (target == "TEXT") {
    const std::string type = AtomName(gtk_selection_data_get_data_type(data));
    if (type == "STRING" || type == "UTF8_STRING") {
      form = type;
    } else if (type == "COMPOUND_TEXT") {
      converted = reinterpret_cast<gchar*>(gtk_selection_data_get_text(data));
      form = "UTF8_STRING";
    }
  }
  if (converted) {
    read = KxGtkImport(form, reinterpret_cast<const std::uint8_t*>(converted), std::strlen(converted), records);
    g_free(converted);
  } else if (length >= 0) {
    read = KxGtkImport(form, bytes, static_cast<std::size_t>(length), records);
  }
  if (read && !records.empty()) out.Put(KxGtkFlavorOfTarget(target), records.front().data(), records.front().size());
  gtk_selection_data_free(data);
  return read && !records.empty();
}

// The desktop's clipboard changed hands: what we read of it is stale, and
// the paste items follow at the next menu refresh.
void OnOwnerChange(GtkClipboard*, GdkEvent*, gpointer) {
  if (!gKxGtkImpl) return;
  gKxGtkImpl->clipboardCached = false;
  // Our own claims were counted when they were made.
  if (!gKxGtkImpl->clipboardOwned) ++gKxGtkImpl->clipboardChanges;
  LCommander::SetUpdateCommandStatus(true);
}

// ---- drags and drops --------------------------------------------------------------------

// Every target a drop may bring: the program's own flavors and the
// desktop's text and file lists.
std::vector<std::string> DropTargets() {
  return TargetsOf({FourCC("TEXT"), FourCC("styl"), FourCC("styw"), FourCC("styx"), FourCC("styu"), FourCC("styy"),
                    FourCC("utxt"), FourCC("GIDR"), FourCC("PICT"), FourCC("RTF "), FourCC("JPEG"), FourCC("hfs ")});
}

// The site's own list of targets, as SetUpDrops gives it.
GtkTargetList* DropTargetList() {
  static const std::vector<std::string> names = DropTargets();
  std::vector<GtkTargetEntry> entries = Entries(names);
  return gtk_target_list_new(entries.data(), static_cast<guint>(entries.size()));
}

// The toolkit hands on only the data of targets on the drop site's list.
// A drop asks for every flavor the source offers, and another copy of the
// program offers more of its own (its drag's pictures, one code each):
// those join the list until the drop has all its data.
void ListDropTargets(GtkWidget* widget, const std::vector<GdkAtom>& atoms) {
  GtkTargetList* list = gtk_drag_dest_get_target_list(widget);
  if (!list) return;
  for (GdkAtom atom : atoms) {
    guint info = 0;
    if (!gtk_target_list_find(list, atom, &info)) gtk_target_list_add(list, atom, 0, 0);
  }
}

void UnlistDropTargets(GtkWidget* widget) {
  GtkTargetList* list = DropTargetList();
  gtk_drag_dest_set_target_list(widget, list);
  gtk_target_list_unref(list);
}

gboolean OnDragDrop(GtkWidget* widget, GdkDragContext* context, gint x, gint y, guint time, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  KxGtkWindow* w = impl ? impl->FindWidget(widget) : nullptr;
  if (!w || impl->drop.pending > 0) return FALSE;
  // Of each flavor the first target the source offers, the private one
  // before the desktop's.
  std::vector<GdkAtom> wanted;
  std::vector<OSType> seen;
  for (int pass = 0; pass < 2; ++pass)
    for (GList* t = gdk_drag_context_list_targets(context); t; t = t->next) {
      const GdkAtom atom = GDK_POINTER_TO_ATOM(t->data);
      bool isPrivate = false;
      const OSType type = KxGtkFlavorOfTarget(AtomName(atom), &isPrivate);
      if (!type || isPrivate != (pass == 0) || std::find(seen.begin(), seen.end(), type) != seen.end()) continue;
      seen.push_back(type);
      wanted.push_back(atom);
    }
  if (wanted.empty()) return FALSE;
  impl->drop = KxGtkHost::Impl::Drop{};
  impl->drop.context = context;
  impl->drop.window = w->id;
  impl->drop.where = Point{static_cast<std::int16_t>(y), static_cast<std::int16_t>(x)};
  impl->drop.time = time;
  impl->drop.pending = static_cast<int>(wanted.size());
  impl->drop.data.AddItem(1);
  impl->drop.data.fromThisProgram = gtk_drag_get_source_widget(context) != nullptr;
  ListDropTargets(widget, wanted);
  for (GdkAtom atom : wanted) gtk_drag_get_data(widget, context, atom, time);
  return TRUE;
}

void OnDragDataReceived(GtkWidget* widget, GdkDragContext* context, gint, gint, GtkSelectionData* selection, guint,
                        guint, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  if (!impl || impl->drop.context != context || impl->drop.pending <= 0) return;
  const std::string target = AtomName(gtk_selection_data_get_target(selection));
  const gint length = gtk_selection_data_get_length(selection);
  std::vector<std::vector<std::uint8_t>> records;
  if (length >= 0 &&
      KxGtkImport(target, gtk_selection_data_get_data(selection), static_cast<std::size_t>(length), records)) {
    const OSType type = KxGtkFlavorOfTarget(target);
    // Files: one item each, after the item of the other flavors.
    for (std::size_t k = 0; k < records.size(); ++k) {
      KxDragItemRef ref = 1;
      if (type == kKxGtkHFS && k > 0) {
        ref = static_cast<KxDragItemRef>(impl->drop.data.CountItems() + 1);
        impl->drop.data.AddItem(ref);
      }
      impl->drop.data.SetFlavor(ref, type, records[k].data(), records[k].size());
    }
  }
  if (--impl->drop.pending > 0) return;
  UnlistDropTargets(widget);
  // Everything came: the client takes it (or not), then the source hears.
  bool taken = false;
  KxGtkWindow* w = impl->Find(impl->drop.window);
  if (w && w->client) taken = w->client->HostDrop(impl->drop.data, impl->drop.where);
  gtk_drag_finish(context, taken, FALSE, impl->drop.time);
  impl->drop = KxGtkHost::Impl::Drop{};
}

void OnDragDataGet(GtkWidget*, GdkDragContext*, GtkSelectionData* selection, guint, guint, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  if (!impl) return;
  const std::string target = AtomName(gtk_selection_data_get_target(selection));
  const OSType type = KxGtkFlavorOfTarget(target);
  if (type == kKxGtkHFS && target == "text/uri-list") {
    // Every item's file, one URI a line.
    std::string list;
    for (const KxDragData::Item& item : impl->dragOut.Items()) {
      const KxDragData::Flavor* f = KxDragData::FindFlavor(item, kKxGtkHFS);
      std::vector<std::uint8_t> line;
      if (f && KxGtkExport(target, type, f->bytes, line)) list.append(line.begin(), line.end());
    }
    gtk_selection_data_set(selection, gtk_selection_data_get_target(selection), 8,
                           reinterpret_cast<const guchar*>(list.data()), static_cast<gint>(list.size()));
    return;
  }
  KxClipboardStore first;
  if (const KxDragData::Item* item = impl->dragOut.NthItem(1))
    for (const KxDragData::Flavor& f : item->flavors) first.Put(f.type, f.bytes.data(), f.bytes.size());
  Serve(selection, first);
}

}  // namespace

// ---- the clipboard -----------------------------------------------------------------------

void KxGtkHost::Impl::ClaimClipboard() {
  const std::vector<std::string> names = TargetsOf(clipboard.Types());
  std::vector<GtkTargetEntry> entries = Entries(names);
  clipboardClaiming = true;
  const gboolean ok = entries.empty() ? FALSE
                                      : gtk_clipboard_set_with_data(Board(), entries.data(),
                                                                    static_cast<guint>(entries.size()),
                                                                    OnClipboardGet, OnClipboardClear, nullptr);
  clipboardClaiming = false;
  clipboardOwned = ok;
}

std::uint32_t KxGtkHost::ClipboardChangeCount() const { return mImpl->clipboardChanges; }

void KxGtkHost::ClearClipboard() {
  ++mImpl->clipboardChanges;
  mImpl->clipboard.Clear();
  if (mImpl->clipboardOwned) gtk_clipboard_clear(Board());
  mImpl->clipboardOwned = false;
}

void KxGtkHost::PutClipboard(OSType type, const void* data, std::size_t size) {
  // The flavors of one copy come one by one: each claim offers all so far.
  if (!mImpl->clipboardOwned) mImpl->clipboard.Clear();
  mImpl->clipboard.Put(type, data, size);
  ++mImpl->clipboardChanges;
  mImpl->ClaimClipboard();
}

void KxGtkHost::GetClipboardSnapshot(KxClipboardStore& out) const {
  Impl& impl = *mImpl;
  // Another program may have taken the clipboard before the toolkit told
  // us: the owner the display names is the one that counts.
  if (impl.clipboardOwned && !gdk_selection_owner_get(GDK_SELECTION_CLIPBOARD)) impl.clipboardOwned = false;
  if (impl.clipboardOwned) {
    out = impl.clipboard;
    return;
  }
  // Reading runs a nested loop; a read asked for from inside it answers
  // what the last one found.
  if (impl.clipboardReading) {
    out = impl.clipboardLastRead;
    return;
  }
  // Read once per owner while the display tells us of every change.
  if (impl.clipboardCached) {
    out = impl.clipboardCache;
    return;
  }
  impl.clipboardReading = true;
  KxClipboardStore snapshot;
  const std::vector<GdkAtom> atoms = WaitForTargets();
  const gint count = gint(atoms.size());
  if (count > 0) {
    // Of each flavor the best-ranked target the owner offers (the
    // program's own first); a target that brings nothing gives way to the
    // next.
    std::vector<std::pair<int, gint>> order;
    for (gint k = 0; k < count; ++k) {
      const int rank = KxGtkTargetRank(AtomName(atoms[k]));
      if (KxGtkFlavorOfTarget(AtomName(atoms[k]))) order.emplace_back(rank, k);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<OSType> seen;
    for (const auto& entry : order) {
      const OSType type = KxGtkFlavorOfTarget(AtomName(atoms[entry.second]));
      if (std::find(seen.begin(), seen.end(), type) != seen.end()) continue;
      bool gaveUp = false;
      if (ReadTarget(atoms[entry.second], snapshot, gaveUp)) seen.push_back(type);
      // An owner that does not answer one request answers no other: what
      // was read stands until the clipboard changes hands.
      if (gaveUp) break;
    }
  }
  impl.clipboardReading = false;
  impl.clipboardLastRead = snapshot;
  if (impl.clipboardWatched) {
    impl.clipboardCache = snapshot;
    impl.clipboardCached = true;
  }
  out = std::move(snapshot);
}

void KxGtkHost::Impl::WatchClipboard() {
  // Without the display's notices a read could go stale: read every time.
  clipboardWatched = gdk_display_supports_selection_notification(gdk_display_get_default());
  g_signal_connect(Board(), "owner-change", G_CALLBACK(OnOwnerChange), nullptr);
}

void KxGtkHost::Impl::UnwatchClipboard() {
  g_signal_handlers_disconnect_by_func(Board(), reinterpret_cast<gpointer>(OnOwnerChange), nullptr);
}

bool KxGtkHost::GetClipboard(OSType type, std::vector<std::uint8_t>& data) const {
  KxClipboardStore snapshot;
  GetClipboardSnapshot(snapshot);
  return snapshot.Get(type, data);
}

std::vector<OSType> KxGtkHost::ClipboardTypes() const {
  KxClipboardStore snapshot;
  GetClipboardSnapshot(snapshot);
  return snapshot.Types();
}

// ---- drags ---------------------------------------------------------------------------------

void KxGtkHost::Impl::SetUpDrops(KxGtkWindow& w) {
  gtk_drag_dest_set(w.area, GtkDestDefaults(GTK_DEST_DEFAULT_MOTION | GTK_DEST_DEFAULT_HIGHLIGHT), nullptr, 0,
                    GdkDragAction(GDK_ACTION_COPY | GDK_ACTION_MOVE));
  UnlistDropTargets(w.area);
  g_signal_connect(w.area, "drag-drop", G_CALLBACK(OnDragDrop), nullptr);
  g_signal_connect(w.area, "drag-data-received", G_CALLBACK(OnDragDataReceived), nullptr);
  g_signal_connect(w.area, "drag-data-get", G_CALLBACK(OnDragDataGet), nullptr);
}

bool KxGtkHost::StartDrag(KxWindowID window, const KxDragData& data) {
  KxGtkWindow* w = mImpl->Find(window);
  const KxDragData::Item* first = data.NthItem(1);
  if (!w || !first) return false;
  std::vector<OSType> types;
  for (const KxDragData::Flavor& f : first->flavors) types.push_back(f.type);
  const std::vector<std::string> names = TargetsOf(types);
  std::vector<GtkTargetEntry> entries = Entries(names);
  // A desktop drag starts from the press that began it, which the toolkit
  // is no longer handling when the program asks (it works from its queue).
  GdkEvent* event = gtk_get_current_event();
  if (!event && mImpl->buttonDown && mImpl->lastPress) event = gdk_event_copy(mImpl->lastPress.get());
  if (!event) return false;
  mImpl->dragOut = data;
  GtkTargetList* list = gtk_target_list_new(entries.data(), static_cast<guint>(entries.size()));
  GdkDragContext* context = gtk_drag_begin_with_coordinates(
      w->area, list, GdkDragAction(GDK_ACTION_COPY | GDK_ACTION_MOVE), 1, event, -1, -1);
  gtk_target_list_unref(list);
  gdk_event_free(event);
  return context != nullptr;
}
