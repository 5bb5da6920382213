// kxapp's mark list and floating window steps, for its step table:
//
//   print marklist
//       nothing while the mark list is closed (a hidden list still prints);
//       else one line per visible row, `ROW MARK LEVEL C F S NAME` (C 1 when
//       the row has children, F 1 when folded, S 1 when selected; NAME in
//       UTF-8), then `buttons L R D H` (1 when the left, right and delete
//       buttons are enabled; H 1 when the button row is hidden).
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

inline std::vector<std::string> FloatLines() {
  std::vector<std::string> out;
  if (CKXTextMarkList* list = CKXTextMarkList::Get()) {
    const Rect b = list->GetGlobalBounds();
    out.push_back(std::string("marklist ") + (list->IsWindowShown() ? "1" : "0") + " " + std::to_string(b.left) +
                  " " + std::to_string(b.top) + " " + std::to_string(b.right) + " " + std::to_string(b.bottom));
  }
  return out;
}

}  // namespace kxapp_marks
