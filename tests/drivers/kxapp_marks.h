// kxapp's mark list and floating window steps, for its step table:
//
//   print marklist
//       nothing while the mark list is closed (a hidden list still prints);
//       else one line per visible row, `ROW MARK LEVEL C F S NAME` (C 1 when
//       the row has children, F 1 when folded, S 1 when selected; NAME in
//       UTF-8), then `buttons L R D H` (1 when the left, right and delete
//       buttons are enabled; H 1 when the button row is hidden).
//   print toolbar
//       nothing without a palette; else `toolbar horizontal|vertical CLASS B
//       HELP`, then per rectangle 0-28 `N L T R B CMD E` (palette
//       coordinates; CMD what the button sends now, 0 for the toggle; E 1
//       when enabled).
//   print floats
//       one line per floating window that exists, in the order palette,
//       fkeys, marklist: `NAME SHOWN L T R B` (global content bounds).
#pragma once

#include <string>
#include <vector>

#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "platform/textconv.h"
#include "views/mark_list.h"
#include "views/text_function_bar.h"
#include "views/text_toolbar.h"

namespace kxapp_marks {

inline std::vector<std::string> MarkListLines() {
  std::vector<std::string> out;
  CKXTextMarkList* list = CKXTextMarkList::Get();
  if (!list || !list->GetMarkView()) return out;
  CKXTextMarkView& view = *list->GetMarkView();
  CKXTextEngine* engine = view.GetTextEngine();
  for (long row = 1; row <= view.CountRows(); ++row) {
    const SKXMarkRank& r = *view.GetRow(row);
    unsigned char name[256] = {};
    if (engine) KXTE_GetMarkString(engine->GetEdit(), r.index, name);
    const std::string text = KxScriptTextToUTF8(std::string(reinterpret_cast<char*>(name + 1), name[0]));
    out.push_back(std::to_string(row) + " " + std::to_string(r.index) + " " + std::to_string(r.level) + " " +
                  (r.children ? "1" : "0") + " " + (r.folded ? "1" : "0") + " " +
                  (view.IsRowSelected(row) ? "1" : "0") + " " + text);
  }
  auto on = [list](PaneIDT id) {
    LPane* p = list->FindPaneByID(id);
    return p && p->IsEnabled() ? "1" : "0";
  };
  out.push_back(std::string("buttons ") + on(kKxMarkListLeft) + " " + on(kKxMarkListRight) + " " +
                on(kKxMarkListDelete) + " " + (list->AreButtonsHidden() ? "1" : "0"));
  return out;
}

inline std::vector<std::string> ToolbarLines() {
  std::vector<std::string> out;
  CKXTextToolbar* bar = CKXTextToolbar::Get();
  if (!bar) return out;
  const SKXToolbarLayout& l = bar->GetLayout();
  out.push_back(std::string("toolbar ") + (bar->IsVertical() ? "vertical " : "horizontal ") +
                std::to_string(l.widthClass) + " " + std::to_string(l.button) + " " +
                std::to_string(bar->GetHelpButton()));
  for (int n = 0; n <= kKxToolbarButtons; ++n) {
    const RectL& r = l.rects[std::size_t(n)];
    bool enabled = false;
    const CommandT cmd = n == 0 ? 0 : bar->GetMenuCommand(n, enabled);
    out.push_back(std::to_string(n) + " " + std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                  std::to_string(r.right) + " " + std::to_string(r.bottom) + " " + std::to_string(cmd) + " " +
                  (n == 0 || enabled ? "1" : "0"));
  }
  return out;
}

inline std::string FloatLine(const char* name, const LWindow* w) {
  const Rect b = w->GetGlobalBounds();
  return std::string(name) + " " + (w->IsWindowShown() ? "1" : "0") + " " + std::to_string(b.left) + " " +
         std::to_string(b.top) + " " + std::to_string(b.right) + " " + std::to_string(b.bottom);
}

inline std::vector<std::string> FloatLines() {
  std::vector<std::string> out;
  if (CKXTextToolbar* bar = CKXTextToolbar::Get())
    if (const LWindow* w = LWindow::FetchWindowOf(bar)) out.push_back(FloatLine("palette", w));
  if (CKXTextFunctionBar* bar = CKXTextFunctionBar::Get())
    if (const LWindow* w = LWindow::FetchWindowOf(bar)) out.push_back(FloatLine("fkeys", w));
  if (CKXTextMarkList* list = CKXTextMarkList::Get()) out.push_back(FloatLine("marklist", list));
  return out;
}

}  // namespace kxapp_marks
