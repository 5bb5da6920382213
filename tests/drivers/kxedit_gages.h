// kxedit --window --lines --status: the line-number margin beside each
// text pane (above it in vertical writing) and the status bar at the left
// end of the first pane's horizontal scroll bar, placed as the document
// window places them.
#pragma once

#include "views/split_view.h"

namespace kxgages {

inline void Add(KxTextPanes& panes, bool lines, bool status, bool vertical) {
  KxAddTextGages(panes, lines, status, vertical);
}

}  // namespace kxgages
