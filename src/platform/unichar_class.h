// Letters and their case by Unicode's character data (through GLib): for
// characters a script's bytes cannot hold, which the text keeps beside its
// placeholders.
#pragma once

struct KxUnicharClass {
  bool letter = false;   // a letter, or a mark that goes with one
  bool upper = false;    // upper or title case
  bool lower = false;
};
KxUnicharClass KxUnicharClassOf(char32_t cp);

// The simple (one character to one) upper, lower or title case of a
// character; the character itself when it has none.
enum class KxUnicharCase { kUpper, kLower, kTitle };
char32_t KxUnicharToCase(char32_t cp, KxUnicharCase to);
