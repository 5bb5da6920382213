// The binding of a window's GtkIMContext to the input-method client of the
// target: clauses and caret of a composition, the caret rectangle for the
// candidate window, and the text around the caret for input methods that
// read or delete it. Also the desktop's opener of links.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "platform/framework/input_method.h"

// The composition now: its text, clauses (underlined stretches, the one
// drawn highlighted selected) and caret, as UTF-8 byte indices.
void KxGtkReadPreedit(GtkIMContext* im, std::string& utf8, std::vector<KxInputMethodClient::Clause>& clauses,
                      long& caret);
// "retrieve-surrounding" and "delete-surrounding" answered by the target.
void KxGtkConnectSurrounding(GtkIMContext* im);
// Tells the context where the target's caret stands (content coordinates).
void KxGtkPlaceCursor(GtkIMContext* im);
