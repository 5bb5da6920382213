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

char32_t KxUnicharToCase(char32_t cp, KxUnicharCase to) {
  const gunichar u = gunichar(cp);
  if (!g_unichar_validate(u)) return cp;
  switch (to) {
    case KxUnicharCase::kUpper: return char32_t(g_unichar_toupper(u));
    case KxUnicharCase::kLower: return char32_t(g_unichar_tolower(u));
    case KxUnicharCase::kTitle: return char32_t(g_unichar_totitle(u));
  }
  return cp;
}
