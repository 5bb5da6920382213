// kxapp's `print frames ID`: the window holding pane ID, one line per pane
// with a non-zero ID in ID order, `ID CLASS SHOWN L T R B` (SHOWN 1 when
// the pane and everything enclosing it are visible; the frame in window
// coordinates); `none` when no window holds it.
#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/framework/window.h"
#include "views/split_view.h"
#include "views/text_colm_view.h"
#include "views/text_info_view.h"
#include "views/text_line_view.h"
#include "views/text_scroller.h"
#include "views/text_view.h"

namespace kxapp_frames {

// The class ID a pane was made as, for the panes of text windows.
inline const char* ClassOf(const LPane* p) {
  if (dynamic_cast<const CKXTextColmView*>(p)) return "kxcv";
  if (dynamic_cast<const CKXTextLineView*>(p)) return "kxlv";
  if (dynamic_cast<const CKXTextInfoView*>(p)) return "kxiv";
  if (dynamic_cast<const CKXTextView*>(p)) return "kxtv";
  if (dynamic_cast<const CKXTextScroller*>(p)) return "kxsc";
  if (dynamic_cast<const CKXTextSplitView*>(p)) return "kxsv";
  if (dynamic_cast<const LWindow*>(p)) return "wind";
  if (dynamic_cast<const LView*>(p)) return "view";
  return "pane";
}

inline void Collect(LPane* p, std::vector<LPane*>& out) {
  if (p->GetPaneID() != 0) out.push_back(p);
  if (auto* v = dynamic_cast<LView*>(p))
    for (LPane* sub : v->GetSubPanes()) Collect(sub, out);
}

inline bool Shown(const LPane* p) {
  for (; p; p = p->GetSuperView())
    if (!p->IsVisible()) return false;
  return true;
}

inline void Print(LWindow* window) {
  if (!window) {
    std::printf("none\n");
    return;
  }
  std::vector<LPane*> panes;
  for (LPane* sub : window->GetSubPanes()) Collect(sub, panes);
  std::stable_sort(panes.begin(), panes.end(), [](LPane* a, LPane* b) { return a->GetPaneID() < b->GetPaneID(); });
  for (LPane* p : panes) {
    const RectL f = p->CalcPortFrameRect();
    std::printf("%d %s %d %d %d %d %d\n", int(p->GetPaneID()), ClassOf(p), Shown(p) ? 1 : 0, f.left, f.top, f.right,
                f.bottom);
  }
}

}  // namespace kxapp_frames
