// Input methods: composed text reaches the target commander. A host turns
// its input method's signals (GTK: the window's GtkIMContext "preedit-changed"
// and "commit") into these calls; scripts call them directly.
//
// A target that edits text inline implements KxInputMethodClient. Any other
// target gets committed text as key presses, one byte at a time.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

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

  // A client that shows clauses and the composition's own caret takes this
  // form; clauses are byte ranges of the UTF-8, caret a byte index (-1: at
  // the end).
  struct Clause {
    long start, end;
    bool selected;
  };
  virtual void InputMethodPreeditClauses(const std::string& utf8, const std::vector<Clause>& clauses, long caret) {
    (void)clauses;
    (void)caret;
    InputMethodPreedit(utf8);
  }
  // The window gained or lost the keyboard; losing it confirms a composition.
  virtual void InputMethodFocus(bool in) { (void)in; }
  // Where the caret stands, in the window's content coordinates, so that
  // the input method can place its candidate list; false when unknown.
  virtual bool InputMethodCaretRect(Rect& inWindow) {
    (void)inWindow;
    return false;
  }
  // The text around the caret (UTF-8) and the caret's byte index in it.
  virtual bool InputMethodSurrounding(std::string& utf8, long& caret) {
    (void)utf8;
    (void)caret;
    return false;
  }
  // Deletes `count` characters from `offset` characters after the caret.
  virtual bool InputMethodDeleteSurrounding(long offset, long count) {
    (void)offset;
    (void)count;
    return false;
  }
};

// The current target when it edits text inline, else null.
KxInputMethodClient* KxInputMethodTarget();

// To the current target; false when there is none.
bool KxDeliverInputMethodPreedit(const std::string& utf8);
bool KxDeliverInputMethodCommit(const std::string& utf8);
bool KxDeliverInputMethodPreeditClauses(const std::string& utf8, const std::vector<KxInputMethodClient::Clause>& clauses,
                                        long caret);
