// The macro dialog (layout 2360): saves the macro just recorded under a
// name and deletes stored macros. The list itself belongs to the macros
// area, reached through the application's hooks.
#include <algorithm>
#include <vector>

#include "app/app_dialog.h"
#include "app/application.h"
#include "app/globals.h"
#include "engine/macro_recorder.h"
#include "platform/framework/list_box.h"
#include "platform/host/host.h"
#include "text/codes/script.h"
#include "views/dialog_box.h"

namespace {

constexpr ResIDT kMacroLayout = 2360;
constexpr PaneIDT kSaveButton = 2361, kDeleteButton = 2363, kList = 2364, kName = 2365;
constexpr CommandT kSave = -2361, kDelete = -2363, kListChanged = -2364, kNameTyped = -2365;
constexpr std::size_t kMaxNameBytes = 31;

KxModelessDialog gMacroDialog;

LListBox* List() { return dynamic_cast<LListBox*>(gMacroDialog.Pane(kList)); }

// Save is the choice with nothing selected (and something recorded),
// delete with a selection.
void AdjustButtons() {
  LListBox* list = List();
  const bool selected = list && !list->GetSelectedRows().empty();
  gMacroDialog.Enable(kSaveButton, !selected && CKXMacroRecorder::Get().HasRecordedMacro());
  gMacroDialog.Enable(kDeleteButton, selected);
  gMacroDialog.Window()->SetDefaultButton(selected ? kDeleteButton : kSaveButton);
}

}  // namespace

void CKXTextApp::OpenMacroDialog() {
  if (gMacroDialog.IsOpen()) {
    gMacroDialog.Show();
    return;
  }
  if (!gMacroDialog.Open(kMacroLayout, this)) {
    KxCurrentHost().Beep();
    return;
  }
  if (LListBox* list = List())
    for (const std::string& name : Hooks().MacroListNames()) list->AddRow(name);
  AdjustButtons();
  // Typing goes to the name at once, and Return saves under it.
  if (auto* field = dynamic_cast<LCommander*>(gMacroDialog.Pane(kName))) {
    gMacroDialog.Window()->SetLatentSub(field);   // what the window's activation restores
    LCommander::SwitchTarget(field);
  }
  gMacroDialog.Show();
}

bool CKXTextApp::MacroDialogCommand(CommandT message, void*) {
  if (!gMacroDialog.IsOpen()) return false;
  switch (message) {
    case kNameTyped:   // the name field tells of every change
      return true;
    case kListChanged:
      AdjustButtons();
      return true;
    case kDelete: {
      std::vector<std::int32_t> rows = List() ? List()->GetSelectedRows() : std::vector<std::int32_t>{};
      // From the last row up: the rows after a deleted one move up.
      std::sort(rows.begin(), rows.end(), std::greater<>());
      for (std::int32_t row : rows) Hooks().DeleteMacro(row + 1);
      if (!rows.empty()) gPrefModify = true;
      if (Hooks().MacroListNames().empty()) Hooks().ReloadFactoryMacros();
      UpdateDynamicMenus();
      gMacroDialog.Close();
      return true;
    }
    case kSave: {
      const std::string name = gMacroDialog.Text(kName);
      const std::size_t n =
          KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(name.data()), name.size(), kMaxNameBytes);
      if (n == 0 || !Hooks().SaveRecordedMacro(name.substr(0, n))) {
        KxCurrentHost().Beep();
        return true;
      }
      gPrefModify = true;
      UpdateDynamicMenus();
      gMacroDialog.Close();
      return true;
    }
    default:
      gMacroDialog.Close();
      return true;
  }
}
