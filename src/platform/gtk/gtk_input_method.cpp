#include "platform/gtk/gtk_input_method.h"

#include <algorithm>


namespace {

gboolean OnRetrieveSurrounding(GtkIMContext* im, gpointer) {
  KxInputMethodClient* client = KxInputMethodTarget();
  std::string text;
  long caret = 0;
  if (!client || !client->InputMethodSurrounding(text, caret)) return FALSE;
  caret = std::clamp<long>(caret, 0, long(text.size()));
  gtk_im_context_set_surrounding(im, text.data(), gint(text.size()), gint(caret));
  return TRUE;
}

gboolean OnDeleteSurrounding(GtkIMContext*, gint offset, gint count, gpointer) {
  KxInputMethodClient* client = KxInputMethodTarget();
  return client && client->InputMethodDeleteSurrounding(offset, count) ? TRUE : FALSE;
}

}  // namespace

void KxGtkReadPreedit(GtkIMContext* im, std::string& utf8, std::vector<KxInputMethodClient::Clause>& clauses,
                      long& caret) {
  gchar* text = nullptr;
  PangoAttrList* attrs = nullptr;
  gint cursor = -1;
  gtk_im_context_get_preedit_string(im, &text, &attrs, &cursor);
  utf8 = text ? text : "";
  clauses.clear();
  const long size = long(utf8.size());
  if (attrs) {
    PangoAttrIterator* it = pango_attr_list_get_iterator(attrs);
    do {
      gint start = 0, end = 0;
      pango_attr_iterator_range(it, &start, &end);
      start = std::clamp<gint>(start, 0, gint(size));
      end = std::clamp<gint>(end, start, gint(size));
      if (end <= start) continue;
      const bool underline = pango_attr_iterator_get(it, PANGO_ATTR_UNDERLINE) != nullptr;
      // The clause being converted is drawn with a background or reversed.
      const bool selected = pango_attr_iterator_get(it, PANGO_ATTR_BACKGROUND) != nullptr ||
                            pango_attr_iterator_get(it, PANGO_ATTR_FOREGROUND) != nullptr;
      if (underline || selected) clauses.push_back({start, end, selected});
    } while (pango_attr_iterator_next(it));
    pango_attr_iterator_destroy(it);
    pango_attr_list_unref(attrs);
  }
  // The context counts its caret in characters.
  caret = -1;
  if (text && cursor >= 0 && g_utf8_validate(text, -1, nullptr)) {
    const glong chars = g_utf8_strlen(text, -1);
    if (cursor <= chars) caret = long(g_utf8_offset_to_pointer(text, cursor) - text);
  }
  g_free(text);
}

void KxGtkConnectSurrounding(GtkIMContext* im) {
  g_signal_connect(im, "retrieve-surrounding", G_CALLBACK(OnRetrieveSurrounding), nullptr);
  g_signal_connect(im, "delete-surrounding", G_CALLBACK(OnDeleteSurrounding), nullptr);
}

void KxGtkPlaceCursor(GtkIMContext* im) {
  KxInputMethodClient* client = KxInputMethodTarget();
  Rect r{};
  if (!im || !client || !client->InputMethodCaretRect(r)) return;
  GdkRectangle area{r.left, r.top, std::max(1, r.right - r.left), std::max(1, r.bottom - r.top)};
  gtk_im_context_set_cursor_location(im, &area);
}
