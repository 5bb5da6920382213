#include "document/format_popups.h"

#include "app/dynamic_menus.h"
#include "platform/fonts.h"
#include "platform/framework/control.h"
#include "platform/framework/menu.h"
#include "views/edit_field.h"

std::vector<std::string> KxMenuItemTexts(std::int16_t menuID) {
  std::vector<std::string> out;
  const LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  const LMenu* menu = bar ? bar->FetchMenu(menuID) : nullptr;
  if (!menu) return out;
  for (std::int16_t i = 1; i <= menu->CountItems(); ++i)
    if (const KxMenuItem* item = menu->GetItem(i)) out.push_back(item->text);
  return out;
}

std::int16_t KxFontPopupItem(short font) {
  if (const std::int16_t item = UFontMenu::GetFontMenuItem(font); item > 0) return item;
  short installed = 0;
  return KxInstalledFamilyOf(font, installed) ? UFontMenu::GetFontMenuItem(installed) : 0;
}

void KxSetControlQuietly(LControl* control, std::int32_t value) {
  if (!control) return;
  control->StopBroadcasting();
  control->SetValue(value);
  control->StartBroadcasting();
}

void KxSetControlQuietly(LWindow* dialog, PaneIDT id, std::int32_t value) {
  KxSetControlQuietly(dynamic_cast<LControl*>(dialog->FindPaneByID(id)), value);
}

void KxFocusDialogField(LWindow* dialog, PaneIDT id) {
  auto* field = dynamic_cast<KXEditField*>(dialog->FindPaneByID(id));
  if (!field) return;
  dialog->SetLatentSub(field);
  LCommander::SwitchTarget(field);
  field->SelectAll();
}
