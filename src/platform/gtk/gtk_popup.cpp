// The GTK host's pop-up menus (the contextual menu). The toolkit shows them
// asynchronously: PopUpMenu returns at once, a choice arrives as a
// menu-choice event of kKxPopupMenuID with the entry's index, and the menu
// is forgotten when it closes, chosen or not.
#include <gtk/gtk.h>

#include "platform/gtk/gtk_host_impl.h"
#include "platform/resources.h"

namespace {

GtkWidget* gPopup = nullptr;   // the menu shown, until it closes
constexpr int kMaxPopupDepth = 8;

void OnPopupActivate(GtkMenuItem*, gpointer index) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  if (!impl) return;
  EventRecord e;
  e.what = kKxMenuChoiceEvt;
  e.message = (std::uint32_t(std::uint16_t(kKxPopupMenuID)) << 16) | std::uint16_t(GPOINTER_TO_UINT(index));
  e.where = impl->pointer;
  e.modifiers = impl->Modifiers();
  impl->Post(e);
}

// An item shown in faces: bold, italic, underline and the spacing through
// the label's attributes; outline and shadow through its style.
void ApplyFaces(GtkWidget* item, std::uint8_t faces) {
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(item));
  if (faces == 0 || !label || !GTK_IS_LABEL(label)) return;
  PangoAttrList* attrs = pango_attr_list_new();
  if (faces & kFaceBold) pango_attr_list_insert(attrs, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
  if (faces & kFaceItalic) pango_attr_list_insert(attrs, pango_attr_style_new(PANGO_STYLE_ITALIC));
  if (faces & kFaceUnderline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  if (faces & kFaceCondense) pango_attr_list_insert(attrs, pango_attr_letter_spacing_new(-PANGO_SCALE));
  if (faces & kFaceExtend) pango_attr_list_insert(attrs, pango_attr_letter_spacing_new(PANGO_SCALE));
  gtk_label_set_attributes(GTK_LABEL(label), attrs);
  pango_attr_list_unref(attrs);
  if (!(faces & (kFaceOutline | kFaceShadow))) return;
  static GtkCssProvider* css = nullptr;
  if (!css) {
    css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css,
                                    "label.kx-outline { color: white; text-shadow: 1px 0 black, -1px 0 black,"
                                    " 0 1px black, 0 -1px black; }"
                                    " label.kx-shadow { text-shadow: 1px 1px gray; }"
                                    " label.kx-outline.kx-shadow { text-shadow: 1px 0 black, -1px 0 black,"
                                    " 0 1px black, 0 -1px black, 2px 2px gray; }",
                                    -1, nullptr);
  }
  GtkStyleContext* context = gtk_widget_get_style_context(label);
  gtk_style_context_add_provider(context, GTK_STYLE_PROVIDER(css), GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  if (faces & kFaceOutline) gtk_style_context_add_class(context, "kx-outline");
  if (faces & kFaceShadow) gtk_style_context_add_class(context, "kx-shadow");
}

// The resources' colour icon before the item's text.
void ApplyIcon(GtkWidget* item, std::int16_t iconID) {
  int w = 0, h = 0;
  const std::uint32_t* pixels = iconID ? KxFindIcon(iconID, w, h) : nullptr;
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(item));
  if (!pixels || w <= 0 || h <= 0 || !label) return;
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
  if (!pixbuf) return;
  guchar* row = gdk_pixbuf_get_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < h; ++y, row += stride)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t p = pixels[y * w + x];
      row[x * 3] = guchar(p >> 16);
      row[x * 3 + 1] = guchar(p >> 8);
      row[x * 3 + 2] = guchar(p);
    }
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  g_object_ref(label);
  gtk_container_remove(GTK_CONTAINER(item), label);
  gtk_box_pack_start(GTK_BOX(box), gtk_image_new_from_pixbuf(pixbuf), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
  g_object_unref(label);
  g_object_unref(pixbuf);
  gtk_container_add(GTK_CONTAINER(item), box);
}

gboolean DestroyLater(gpointer menu) {
  gtk_widget_destroy(GTK_WIDGET(menu));
  g_object_unref(menu);
  return G_SOURCE_REMOVE;
}

// The item's activation comes after the menu's deactivation: the widgets
// go once both are done.
void OnPopupDeactivate(GtkMenuShell* menu, gpointer) {
  if (gPopup == GTK_WIDGET(menu)) {
    gPopup = nullptr;
    if (gKxGtkImpl) gKxGtkImpl->popupOpen = false;
  }
  g_idle_add(DestroyLater, menu);
}

GtkWidget* BuildLevel(const std::vector<KxPopupEntry>& entries, int parent, int depth) {
  GtkWidget* menu = gtk_menu_new();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const KxPopupEntry& e = entries[i];
    if (e.parent != parent) continue;
    GtkWidget* item;
    if (e.separator) {
      item = gtk_separator_menu_item_new();
    } else if (e.submenu) {
      item = gtk_menu_item_new_with_label(
          KxGtkUtf8FromScript(reinterpret_cast<const unsigned char*>(e.text.data()), e.text.size()).c_str());
      if (depth < kMaxPopupDepth) gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), BuildLevel(entries, int(i), depth + 1));
    } else {
      // Built for one showing: only a marked item needs a check box.
      const std::string label =
          KxGtkUtf8FromScript(reinterpret_cast<const unsigned char*>(e.text.data()), e.text.size());
      if (e.mark != 0) {
        item = gtk_check_menu_item_new_with_label(label.c_str());
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), TRUE);
      } else {
        item = gtk_menu_item_new_with_label(label.c_str());
      }
      gtk_widget_set_sensitive(item, e.enabled);
      ApplyFaces(item, e.style);
      ApplyIcon(item, e.icon);
      g_signal_connect(item, "activate", G_CALLBACK(OnPopupActivate), GUINT_TO_POINTER(unsigned(i)));
    }
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  }
  return menu;
}

}  // namespace

void KxGtkHost::PopUpMenu(const std::vector<KxPopupEntry>& entries, Point where) {
  if (entries.empty() || mImpl->windows.empty()) return;
  if (gPopup) gtk_menu_shell_deactivate(GTK_MENU_SHELL(gPopup));
  KxGtkWindow& w = *mImpl->windows.front();
  GdkWindow* gw = gtk_widget_get_window(w.area);
  if (!gw) return;
  GtkWidget* menu = BuildLevel(entries, -1, 0);
  g_object_ref_sink(menu);
  gtk_menu_attach_to_widget(GTK_MENU(menu), w.area, nullptr);
  g_signal_connect(menu, "deactivate", G_CALLBACK(OnPopupDeactivate), nullptr);
  gtk_widget_show_all(menu);
  gPopup = menu;
  // The menu's grab takes the focus from the window for as long as it
  // shows; the window stays active, so that the choice reaches its target.
  mImpl->popupOpen = true;
  const GdkRectangle at{where.h - w.bounds.left, where.v - w.bounds.top, 1, 1};
  // The click or key that asked has been handled already: the toolkit gets
  // a copy of it as its trigger, for the menu's grab (a grab needs the
  // desktop's time and device of real input); failing one, a press of the
  // pointer device.
  GdkEvent* trigger = mImpl->lastInput ? gdk_event_copy(mImpl->lastInput) : nullptr;
  if (!trigger) {
    trigger = gdk_event_new(GDK_BUTTON_PRESS);
    trigger->button.window = GDK_WINDOW(g_object_ref(gw));
    trigger->button.time = GDK_CURRENT_TIME;
    if (GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(gw)))
      gdk_event_set_device(trigger, gdk_seat_get_pointer(seat));
  }
  gtk_menu_popup_at_rect(GTK_MENU(menu), gw, &at, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, trigger);
  gdk_event_free(trigger);
}

bool KxGtkHost::PopupShown() const { return gPopup != nullptr && gtk_widget_get_visible(gPopup); }
