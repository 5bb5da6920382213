// Panes of a window as the drivers print them (kxapp's `print window`,
// `print items`, `print cells`): one line per pane with an ID, in layout
// order, `ID KIND ENABLED SHOWN VALUE TEXT`; list rows with their icon
// byte and selection. Texts are the panes' Shift_JIS bytes as UTF-8.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "document/char_code.h"
#include "platform/framework/control.h"
#include "platform/framework/dialog.h"
#include "platform/framework/edit_field.h"
#include "platform/textconv.h"
#include "platform/framework/list_box.h"
#include "platform/framework/window.h"
#include "views/controls.h"
#include "views/edit_field.h"
#include "views/text_view.h"

namespace kxdriver {

inline std::string PaneUtf8(const std::string& sjis) { return KxScriptTextToUTF8(sjis); }

// A list cell as UTF-8, its first zero byte shown as one TAB.
inline std::string CellText(const std::string& bytes) {
  const std::size_t zero = bytes.find('\0');
  if (zero == std::string::npos) return PaneUtf8(bytes);
  return PaneUtf8(bytes.substr(0, zero)) + "\t" + PaneUtf8(bytes.substr(zero + 1));
}

// A cell's first byte is an icon number when below 32.
inline bool CellHasIcon(const std::string& cell) { return !cell.empty() && std::uint8_t(cell[0]) < 32; }

// A row's text: the bytes after an icon byte, else all of them.
inline std::string RowText(const std::string& cell) { return CellText(CellHasIcon(cell) ? cell.substr(1) : cell); }

inline bool IsSeparatorItem(const std::string& item) { return item == "-" || item == "(-"; }

// Every pane of a view in layout order (depth first, the view first).
inline void CollectPanes(LPane* p, std::vector<LPane*>& out) {
  out.push_back(p);
  if (auto* v = dynamic_cast<LView*>(p))
    for (LPane* sub : v->GetSubPanes()) CollectPanes(sub, out);
}

// `ID KIND ENABLED SHOWN VALUE TEXT`; with no text the line ends after VALUE.
inline void PrintPaneLine(LPane* p) {
  std::string kind = "other", value = "0", text;
  Str255 title{};
  p->GetDescriptor(title);
  const std::string titleText = PaneUtf8(std::string(reinterpret_cast<const char*>(title + 1), title[0]));
  if (auto* field = dynamic_cast<LEditField*>(p)) {
    kind = "field";
    auto* kx = dynamic_cast<KXEditField*>(p);
    value = std::to_string(kx ? kx->GetValue100() : field->GetValue());
    text = PaneUtf8(field->GetText());
  } else if (auto* list = dynamic_cast<LListBox*>(p)) {
    // The selected rows from 1, joined by commas; 0 for none.
    kind = "list";
    std::string joined;
    for (std::int32_t r : list->GetSelectedRows()) joined += (joined.empty() ? "" : ",") + std::to_string(r + 1);
    if (!joined.empty()) value = joined;
  } else if (dynamic_cast<KXColButton*>(p) || dynamic_cast<KXTabButton*>(p) || dynamic_cast<LScrollBar*>(p)) {
    value = std::to_string(static_cast<LControl*>(p)->GetValue());   // buttons of other kinds
  } else if (auto* popup = dynamic_cast<LStdPopupMenu*>(p)) {
    kind = "popup";
    const std::int32_t chosen = popup->GetValue();
    value = std::to_string(chosen);
    if (chosen >= 1 && std::size_t(chosen) <= popup->GetItems().size())
      text = PaneUtf8(popup->GetItems()[std::size_t(chosen - 1)]);
  } else if (dynamic_cast<LStdButton*>(p) || dynamic_cast<LStdCheckBox*>(p) || dynamic_cast<LStdRadioButton*>(p)) {
    kind = dynamic_cast<LStdButton*>(p) ? "button" : dynamic_cast<LStdCheckBox*>(p) ? "check" : "radio";
    value = std::to_string(p->GetValue());
    text = titleText;
  } else if (dynamic_cast<LCaption*>(p)) {
    kind = "caption";
    text = titleText;
  } else if (dynamic_cast<CKXTextView*>(p)) {
    kind = "view";
  } else if (auto* grid = dynamic_cast<CKXTextCharView*>(p)) {
    // The character table: its cell size, and its enabled codes as
    // hexadecimal ranges.
    kind = "grid";
    value = std::to_string(grid->GetCellSize());
    text = titleText;
  } else if (dynamic_cast<KXGroupBox*>(p)) {
    text = titleText;
  } else if (auto* control = dynamic_cast<LControl*>(p)) {
    value = std::to_string(control->GetValue());
  }
  std::printf("%ld %s %d %d %s%s%s\n", long(p->GetPaneID()), kind.c_str(), p->IsEnabled() ? 1 : 0,
              p->IsVisible() ? 1 : 0, value.c_str(), text.empty() ? "" : " ", text.c_str());
}

// `window TITLE`, then a line per pane with an ID.
inline void PrintWindowPanes(LWindow& window) {
  Str255 title;
  window.GetDescriptor(title);
  std::printf("window %s\n", PaneUtf8(std::string(reinterpret_cast<const char*>(title + 1), title[0])).c_str());
  std::vector<LPane*> panes;
  CollectPanes(&window, panes);
  for (LPane* p : panes)
    if (p != &window && p->GetPaneID() != 0) PrintPaneLine(p);
}

// `N TEXT` per item of a pop-up or row of a list (`N -` for a separator);
// false for a pane of another kind.
inline bool PrintItems(LPane& pane) {
  if (auto* popup = dynamic_cast<LStdPopupMenu*>(&pane)) {
    int n = 0;
    for (const std::string& item : popup->GetItems()) {
      ++n;
      if (IsSeparatorItem(item)) std::printf("%d -\n", n);
      else std::printf("%d %s\n", n, PaneUtf8(item).c_str());
    }
    return true;
  }
  if (auto* list = dynamic_cast<LListBox*>(&pane)) {
    for (std::int32_t r = 0; r < list->CountRows(); ++r) std::printf("%d %s\n", r + 1, RowText(list->GetCell(r)).c_str());
    return true;
  }
  return false;
}

// `N S ICON TEXT` per row: `*` for a selected row, the icon byte in
// decimal or `-`.
inline void PrintCells(LListBox& list) {
  for (std::int32_t r = 0; r < list.CountRows(); ++r) {
    const std::string& cell = list.GetCell(r);
    const std::string icon = CellHasIcon(cell) ? std::to_string(unsigned(std::uint8_t(cell[0]))) : "-";
    std::printf("%d %c %s %s\n", r + 1, list.IsSelected(r) ? '*' : '-', icon.c_str(), RowText(cell).c_str());
  }
}

}  // namespace kxdriver
