// The user's key list and the registered fonts of the preference file, as
// the menus take them.
//
// Input: byte 0 splits the rest: the first (byte 0 * 4) bytes are the key
// list (4-byte entries: big-endian command, key, modifiers), the rest the
// registered-font block (54-byte entries) with byte 1 as its claimed count.
// Properties: the key list reads as whole entries only; applying it to the
// menu bar and asking every entry's key and name stays inside the menus;
// names are at most 255 bytes and never end inside a double-byte
// character; written back the list reads the same; the Format menu never shows more than 20 registered fonts,
// all inside their command range.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/app_commands.h"
#include "app/dynamic_menus.h"
#include "app/facilities.h"
#include "app/globals.h"
#include "app/menu_keys.h"
#include "platform/core.h"
#include "platform/framework/menu.h"
#include "platform/framework/resource_uses.h"
#include "platform/script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (KxAppFacilities(), CoreInit(), true);
  (void)started;
  if (size < 2) return 0;
  KxSetGlobalDefaults();
  const std::size_t keyBytes = std::min<std::size_t>(std::size_t(data[0]) * kKxMenukeySize, size - 2);
  gMenukeyHandle.assign(data + 2, data + 2 + keyBytes);
  gFontregHandle.assign(data + 2 + keyBytes, data + size);
  gFontregCount = short(data[1] % 40);

  LMenuBar bar(kKxMenuBarID);
  const std::vector<SMenukey> keys = UCustomMenu::UserKeys();
  if (keys.size() != keyBytes / kKxMenukeySize) std::abort();
  // Written back, the list reads the same.
  UCustomMenu::SetUserKeys(keys);
  const std::vector<SMenukey> again = UCustomMenu::UserKeys();
  if (again.size() != keys.size()) std::abort();
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (again[i].command != keys[i].command || again[i].key != keys[i].key || again[i].modifiers != keys[i].modifiers)
      std::abort();
  UCustomMenu::UpdateMenu();
  const std::uint8_t* lead = KxScriptParseTable(kScriptJapanese);
  for (const SMenukey& k : keys) {
    SMenukey got;
    UCustomMenu::GetMenuKey(k.command, got);
    Str255 name;
    for (bool plain : {false, true}) {
      if (!UCustomMenu::GetMenuString(k.command, name, plain)) continue;
      std::size_t i = 1;
      while (i <= name[0]) i += lead[name[i]] ? 2 : 1;
      // A name may end in a lone lead byte only when its source did.
      if (i > std::size_t(name[0]) + 2) std::abort();
    }
  }
  UFontregMenu::UpdateMenu();
  const LMenu* format = bar.FetchMenu(kKxFormatMenu);
  const int generated = format->CountItems() - KxFixedItemCount(kKxFormatMenu);
  if (generated > kKxMaxFontreg + 1) std::abort();
  for (std::int16_t i = std::int16_t(KxFixedItemCount(kKxFormatMenu) + 1); i <= format->CountItems(); ++i) {
    const KxMenuItem* it = format->GetItem(i);
    if (!it->separator && !kKxFontregCommands.Contains(it->command)) std::abort();
    if (it->text.size() > kKxMaxNameBytes) std::abort();
  }
  KxSetGlobalDefaults();
  return 0;
}
