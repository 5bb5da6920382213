#include "platform/unichar_class.h"

#include <glib.h>

KxUnicharClass KxUnicharClassOf(char32_t cp) {
  KxUnicharClass c;
  const gunichar u = gunichar(cp);
  if (!g_unichar_validate(u)) return c;
  c.letter = g_unichar_isalpha(u) || g_unichar_ismark(u);
  c.upper = g_unichar_isupper(u) || g_unichar_istitle(u);
  c.lower = g_unichar_islower(u);
  return c;
}
