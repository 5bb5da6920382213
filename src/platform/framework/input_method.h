// Input methods: composed text reaches the target commander. A host turns
// its input method's signals (GTK: the window's GtkIMContext "preedit-changed"
// and "commit") into these calls; scripts call them directly.
//
// A target that edits text inline implements KxInputMethodClient. Any other
// target gets committed text as key presses, one byte at a time.
#pragma once

#include <string>

class KxInputMethodClient {
 public:
  virtual ~KxInputMethodClient() = default;
  // The composition in progress (UTF-8), shown inline and selected; empty
  // ends it without text.
  virtual void InputMethodPreedit(const std::string& utf8) = 0;
  // Confirmed text (UTF-8) replaces the composition, or the selection when
  // there is none.
  virtual void InputMethodCommit(const std::string& utf8) = 0;
  // Whether a composition is in progress.
  virtual bool InputMethodComposing() const = 0;
};

// To the current target; false when there is none.
bool KxDeliverInputMethodPreedit(const std::string& utf8);
bool KxDeliverInputMethodCommit(const std::string& utf8);
