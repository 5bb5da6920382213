// The GTK host's menu bars: one per window, built from the program's menu
// model. Statuses come from the target chain when a menu opens; choosing an
// item posts a menu-choice event, the path every menu command takes. Key
// equivalents only show in the labels (as Ctrl+...): the keys themselves go
// through the application's own lookup.
#include <gtk/gtk.h>

#include "platform/framework/application.h"
#include "platform/framework/menu.h"
#include "platform/gtk/gtk_host_impl.h"

namespace {

constexpr int kMaxMenuDepth = 8;   // as deep as the model nests submenus

// Items that never carry a mark: their check box takes no room and does
// not show.
constexpr char kNoMarkClass[] = "kx-nomark";
void InstallNoMarkStyle() {
  static bool installed = false;
  GdkScreen* screen = gdk_screen_get_default();
  if (installed || !screen) return;
  installed = true;
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css,
                                  "menuitem.kx-nomark check { min-width: 0; min-height: 0; margin: 0; padding: 0;"
                                  " border: none; background: none; box-shadow: none; opacity: 0;"
                                  " -gtk-icon-source: none; }",
                                  -1, nullptr);
  gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(css), GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);
}

std::uint32_t ItemCode(std::int16_t menuID, std::int16_t item) {
  return (std::uint32_t(std::uint16_t(menuID)) << 16) | std::uint16_t(item);
}

std::string ItemLabel(const KxMenuItem& item) {
  if (!item.unicodeText.empty()) return item.unicodeText;
  return KxGtkUtf8FromScript(reinterpret_cast<const unsigned char*>(item.text.data()), item.text.size());
}

void OnItemActivate(GtkMenuItem*, gpointer code) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  if (!impl || impl->menuSyncing) return;
  EventRecord e;
  e.what = kKxMenuChoiceEvt;
  e.message = std::uint32_t(GPOINTER_TO_UINT(code));
  e.where = impl->pointer;
  e.modifiers = impl->Modifiers();
  impl->Post(e);
}

// A bar menu opens: the statuses must be current before it shows.
void OnTitleSelect(GtkMenuItem*, gpointer) {
  KxGtkHost::Impl* impl = gKxGtkImpl;
  if (!impl) return;
  impl->menuOpen = true;
  if (LApplication* app = LApplication::GetApplication()) app->UpdateMenus();
}

void OnBarDeactivate(GtkMenuShell*, gpointer) {
  if (KxGtkHost::Impl* impl = gKxGtkImpl) impl->menuOpen = false;
}

void AddSignature(const LMenuBar& bar, const LMenu& menu, int depth, std::vector<int>& sig) {
  sig.push_back(-1);
  sig.push_back(menu.GetMenuID());
  sig.push_back(menu.CountItems());
  for (std::int16_t i = 1; i <= menu.CountItems(); ++i) {
    const KxMenuItem* it = menu.GetItem(i);
    sig.push_back(it->separator);
    sig.push_back(it->key);
    sig.push_back(it->modifiers);
    sig.push_back(it->submenuID);
    for (std::uint8_t b : it->smallIcon) sig.push_back(b);
    if (it->submenuID && depth < kMaxMenuDepth)
      if (const LMenu* sub = bar.FetchMenu(it->submenuID)) AddSignature(bar, *sub, depth + 1, sig);
  }
}

std::vector<int> Signature() {
  std::vector<int> sig;
  const LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  if (!bar) return sig;
  for (const LMenu* m : bar->GetBarMenus())
    if (m) AddSignature(*bar, *m, 0, sig);
  return sig;
}

// A "SICN" small icon: black where a bit is set, clear elsewhere.
GtkWidget* SmallIconImage(const std::vector<std::uint8_t>& bits) {
  constexpr int kSide = 16;
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, kSide, kSide);
  if (!pixbuf) return nullptr;
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      const bool on = (bits[std::size_t(y * 2 + x / 8)] >> (7 - x % 8)) & 1;
      guchar* p = pixels + y * stride + x * 4;
      p[0] = p[1] = p[2] = 0;
      p[3] = on ? 255 : 0;
    }
  GtkWidget* image = gtk_image_new_from_pixbuf(pixbuf);
  g_object_unref(pixbuf);
  return image;
}

// An item with a small icon: the icon, then its label, in a box.
void AddSmallIcon(GtkWidget* item, const KxMenuItem& it) {
  constexpr std::size_t kIconBytes = 32;
  if (it.smallIcon.size() != kIconBytes) return;
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(item));
  GtkWidget* image = SmallIconImage(it.smallIcon);
  if (!label || !image) return;
  g_object_ref(label);
  gtk_container_remove(GTK_CONTAINER(item), label);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_box_pack_start(GTK_BOX(box), image, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), label, TRUE, TRUE, 0);
  g_object_unref(label);
  gtk_container_add(GTK_CONTAINER(item), box);
}

GtkWidget* BuildMenu(KxGtkWindow& w, const LMenuBar& bar, const LMenu& menu, int depth) {
  GtkWidget* gm = gtk_menu_new();
  for (std::int16_t i = 1; i <= menu.CountItems(); ++i) {
    const KxMenuItem* it = menu.GetItem(i);
    GtkWidget* item;
    if (it->separator) {
      item = gtk_separator_menu_item_new();
    } else if (it->submenuID) {
      item = gtk_menu_item_new_with_label(ItemLabel(*it).c_str());
      const LMenu* sub = bar.FetchMenu(it->submenuID);
      if (sub && depth < kMaxMenuDepth) gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), BuildMenu(w, bar, *sub, depth + 1));
    } else {
      // Every item can take a mark; only one that carries marks shows the
      // room for it (SyncMenus), so that no rebuild is needed when an item
      // first takes one while its menu is open.
      item = gtk_check_menu_item_new_with_label(ItemLabel(*it).c_str());
      if (it->key) {
        const guint keyval = gdk_keyval_to_lower(gdk_unicode_to_keyval(it->key));
        GtkWidget* label = gtk_bin_get_child(GTK_BIN(item));
        if (GTK_IS_ACCEL_LABEL(label))
          gtk_accel_label_set_accel(GTK_ACCEL_LABEL(label), keyval,
                                    GdkModifierType(KxGtkMaskFromModifiers(it->modifiers | kKxEventCommandKey)));
      }
      AddSmallIcon(item, *it);
      g_signal_connect(item, "activate", G_CALLBACK(OnItemActivate),
                       GUINT_TO_POINTER(ItemCode(menu.GetMenuID(), i)));
    }
    gtk_menu_shell_append(GTK_MENU_SHELL(gm), item);
    w.menuItems.push_back({menu.GetMenuID(), i, item});
  }
  return gm;
}

}  // namespace

void KxGtkHost::Impl::BuildMenuBar(KxGtkWindow& w) {
  if (w.menuBar) {
    // The bar sits in its holder (below) and goes with it.
    GtkWidget* holder = gtk_widget_get_ancestor(w.menuBar, GTK_TYPE_SCROLLED_WINDOW);
    gtk_widget_destroy(holder ? holder : w.menuBar);
  }
  w.menuBar = nullptr;
  if (w.floating) return;   // palettes have no menu bar
  w.menuItems.clear();
  if (w.noMenuBar) return;
  const LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  menuSignature = Signature();
  if (!bar) return;
  InstallNoMarkStyle();
  w.menuBar = gtk_menu_bar_new();
  g_signal_connect(w.menuBar, "deactivate", G_CALLBACK(OnBarDeactivate), nullptr);
  for (const LMenu* m : bar->GetBarMenus()) {
    if (!m) continue;
    const std::string title = KxGtkUtf8FromScript(reinterpret_cast<const unsigned char*>(m->GetTitle().data()),
                                                  m->GetTitle().size());
    GtkWidget* top = gtk_menu_item_new_with_label(title.c_str());
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), BuildMenu(w, *bar, *m, 0));
    g_signal_connect(top, "select", G_CALLBACK(OnTitleSelect), nullptr);
    gtk_menu_shell_append(GTK_MENU_SHELL(w.menuBar), top);
    w.menuItems.push_back({m->GetMenuID(), 0, top});
  }
  // The program sizes its windows itself: a window narrower than its menus
  // clips the bar instead of growing (a holder that takes no width of its
  // child).
  GtkWidget* holder = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(holder), GTK_POLICY_EXTERNAL, GTK_POLICY_NEVER);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(holder), GTK_SHADOW_NONE);
  gtk_container_add(GTK_CONTAINER(holder), w.menuBar);   // inside a viewport the toolkit adds
  if (GtkWidget* viewport = gtk_bin_get_child(GTK_BIN(holder)); viewport && GTK_IS_VIEWPORT(viewport))
    gtk_viewport_set_shadow_type(GTK_VIEWPORT(viewport), GTK_SHADOW_NONE);
  gtk_box_pack_start(GTK_BOX(w.box), holder, FALSE, FALSE, 0);
  gtk_box_reorder_child(GTK_BOX(w.box), holder, 0);
  // Shown now, even in a window not yet shown: a hidden bar measures no height.
  gtk_widget_show_all(holder);
  SyncMenus();
}

void KxGtkHost::Impl::SyncMenus() {
  const LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  if (!bar) return;
  menuSyncing = true;
  for (const auto& w : windows) {
    for (const KxGtkMenuRef& ref : w->menuItems) {
      if (ref.item == 0) continue;
      const LMenu* menu = bar->FetchMenu(ref.menuID);
      const KxMenuItem* it = menu ? menu->GetItem(ref.item) : nullptr;
      if (!it || it->separator) continue;
      gtk_widget_set_sensitive(ref.widget, it->enabled);
      const std::string label = ItemLabel(*it);
      const gchar* shown = gtk_menu_item_get_label(GTK_MENU_ITEM(ref.widget));
      if (!shown || label != shown) gtk_menu_item_set_label(GTK_MENU_ITEM(ref.widget), label.c_str());
      if (GTK_IS_CHECK_MENU_ITEM(ref.widget)) {
        GtkStyleContext* style = gtk_widget_get_style_context(ref.widget);
        if (it->usesMark)
          gtk_style_context_remove_class(style, kNoMarkClass);
        else
          gtk_style_context_add_class(style, kNoMarkClass);
        GtkCheckMenuItem* check = GTK_CHECK_MENU_ITEM(ref.widget);
        gtk_check_menu_item_set_draw_as_radio(check, it->mark != kKxNoMark && it->mark != kKxCheckMark);
        gtk_check_menu_item_set_active(check, it->mark != kKxNoMark);
      }
    }
  }
  menuSyncing = false;
}

void KxGtkHost::Impl::MenuModelChanged() {
  if (Signature() != menuSignature) {
    if (menuOpen) {
      // Never pull a bar away while it is open: rebuild when it closes.
      menuRebuildPending = true;
    } else {
      for (const auto& w : windows) BuildMenuBar(*w);
      menuSignature = Signature();
      menuRebuildPending = false;
    }
  }
  SyncMenus();
}

void KxGtkHost::Impl::RebuildMenusIfPending() {
  if (menuRebuildPending && !menuOpen) MenuModelChanged();
}

void KxGtkHost::MenuBarChanged() { mImpl->MenuModelChanged(); }

namespace {
const KxGtkMenuRef* FrontRef(const KxGtkHost::Impl& impl, std::int16_t menuID, std::int16_t item) {
  if (impl.windows.empty()) return nullptr;
  for (const KxGtkMenuRef& ref : impl.windows.front()->menuItems)
    if (ref.menuID == menuID && ref.item == item) return &ref;
  return nullptr;
}
}  // namespace

bool KxGtkHost::OpenMenu(std::int16_t menuID) {
  const KxGtkMenuRef* ref = FrontRef(*mImpl, menuID, 0);
  if (!ref) return false;
  gtk_menu_shell_select_item(GTK_MENU_SHELL(mImpl->windows.front()->menuBar), ref->widget);
  return true;
}

void KxGtkHost::CloseMenus() {
  for (const auto& w : mImpl->windows)
    if (w->menuBar) gtk_menu_shell_deactivate(GTK_MENU_SHELL(w->menuBar));
  mImpl->menuOpen = false;
}

bool KxGtkHost::ActivateMenuItem(std::int16_t menuID, std::int16_t item) {
  const KxGtkMenuRef* ref = item > 0 ? FrontRef(*mImpl, menuID, item) : nullptr;
  if (!ref || !gtk_widget_get_sensitive(ref->widget)) return false;
  gtk_menu_item_activate(GTK_MENU_ITEM(ref->widget));
  return true;
}

bool KxGtkHost::GetShownItem(std::int16_t menuID, std::int16_t item, ShownItem& shown) const {
  const KxGtkMenuRef* ref = FrontRef(*mImpl, menuID, item);
  if (!ref) return false;
  shown = ShownItem{};
  if (const gchar* label = gtk_menu_item_get_label(GTK_MENU_ITEM(ref->widget))) shown.label = label;
  shown.enabled = gtk_widget_get_sensitive(ref->widget);
  shown.checked = GTK_IS_CHECK_MENU_ITEM(ref->widget) && gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(ref->widget));
  GtkWidget* child = gtk_bin_get_child(GTK_BIN(ref->widget));
  if (child && GTK_IS_ACCEL_LABEL(child)) {
    guint key = 0;
    GdkModifierType mods = GdkModifierType(0);
    gtk_accel_label_get_accel(GTK_ACCEL_LABEL(child), &key, &mods);
    if (key) {
      gchar* text = gtk_accelerator_get_label(key, mods);
      shown.accel = text ? text : "";
      g_free(text);
    }
  }
  return true;
}
