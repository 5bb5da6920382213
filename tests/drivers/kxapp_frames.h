// kxapp's `print frames ID`: the window holding pane ID, one line per pane
// with a non-zero ID in ID order, `ID CLASS SHOWN L T R B` (SHOWN 1 when
// the pane and everything enclosing it are visible; the frame in window
// coordinates); `none` when no window holds it.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "document/char_code.h"
#include "document/clipboard_window.h"
#include "macros/macro_editor.h"
#include "platform/framework/control.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/list_box.h"
#include "platform/framework/scroller.h"
#include "platform/framework/window.h"
#include "tools/file_search.h"
#include "tools/file_tool.h"
#include "tools/sed_window.h"
#include "views/colour_popup.h"
#include "views/controls.h"
#include "views/edit_field.h"
#include "views/mark_list.h"
#include "views/preview.h"
#include "views/scroller.h"
#include "views/split_view.h"
#include "views/text_colm_view.h"
#include "views/text_function_bar.h"
#include "views/text_info_view.h"
#include "views/text_line_view.h"
#include "views/text_scroller.h"
#include "views/text_toolbar.h"
#include "views/text_view.h"

namespace kxapp_frames {

// The class ID a pane was made as: the registered class of its C++ type,
// the most derived first (a mark-list button is a push button too).
template <class T>
bool Is(const LPane* p) {
  return dynamic_cast<const T*>(p) != nullptr;
}
// The custom form's number fields are a class of its own file, known here
// by its type's name only.
inline bool IsFormField(const LPane* p) {
  const std::string name = typeid(*p).name();
  const std::string tail = "12CKXFormFieldE";
  return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}
inline const char* ClassOf(const LPane* p) {
  using Test = bool (*)(const LPane*);
  static const std::pair<Test, const char*> kClasses[] = {
      {Is<CKXTextColmView>, "kxcv"},      {Is<CKXTextLineView>, "kxlv"},      {Is<CKXTextInfoView>, "kxiv"},
      {Is<CKXTextView>, "kxtv"},          {Is<CKXTextScroller>, "kxsc"},      {Is<CKXTextSplitView>, "kxsv"},
      {Is<CKXTextMarkView>, "kxm2"},      {Is<CKXTextMarkScroller>, "kxm3"},  {Is<CKXTextMarkButton>, "kxm4"},
      {Is<CKXTextToolbar>, "kxtt"},       {Is<CKXTextFunctionBar>, "kxff"},   {Is<CKXScroller>, "kxsc"},
      {Is<KXPreview>, "kxpv"},            {Is<CKXTextClipboardView>, "kxcl"}, {Is<CKXTextClipboard>, "kxcb"},
      {Is<CKXTextCharView>, "kxc2"},      {Is<KXFileResult>, "kxf2"},         {Is<KXFileListBox>, "kxfl"},
      {Is<KXMacroListBox>, "kxml"},       {Is<KXListBox>, "kxlb"},            {Is<LListBox>, "lbox"},
      {IsFormField, "kxcf"},              {Is<KXScriptBox>, "kxsb"},          {Is<KXEditJField>, "kxej"},
      {Is<KXEditSField>, "kxes"},         {Is<KXEditField>, "kxef"},          {Is<LEditField>, "edit"},
      {Is<KXColourPopup>, "kxcp"},        {Is<LStdPopupMenu>, "popm"},        {Is<KXColButton>, "kxbu"},
      {Is<LStdButton>, "pbut"},           {Is<KXTabButton>, "kxtb"},          {Is<LStdCheckBox>, "cbox"},
      {Is<LStdRadioButton>, "rbut"},      {Is<LRadioGroup>, "radg"},          {Is<LScrollBar>, "sbar"},
      {Is<LCaption>, "capt"},             {Is<KXGroupBox>, "kxgb"},           {Is<KXIconPane>, "kxip"},
      {Is<LTabGroup>, "tabg"},            {Is<LScroller>, "scrl"},            {Is<LWindow>, "wind"},
      {Is<LView>, "view"},
  };
  for (const auto& [test, id] : kClasses)
    if (test(p)) return id;
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
