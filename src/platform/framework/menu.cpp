#include "platform/framework/menu.h"

#include <algorithm>
#include <cstring>

#include "platform/exception.h"
#include "platform/resources.h"

namespace {
constexpr std::size_t kMaxItemBytes = 255;
constexpr int kMaxMenuNesting = 8;   // deeper submenus are a resource error
constexpr int kMaxBarMenus = 64;
constexpr std::uint16_t kItemModifierMask = kKxEventShiftKey | kKxEventOptionKey | kKxEventControlKey;

std::string FromPString(const unsigned char* s) {
  return s ? std::string(reinterpret_cast<const char*>(s + 1), s[0]) : std::string();
}

std::uint8_t UpperAscii(std::uint8_t c) { return (c >= 'a' && c <= 'z') ? std::uint8_t(c - 'a' + 'A') : c; }
}  // namespace

LMenu::LMenu(std::int16_t menuID) : mMenuID(menuID) {
  const KxMenuRecord* rec = KxFindMenuRecord(menuID);
  if (!rec) throw LException(kKxResNotFound);
  mTitle.assign(rec->title, rec->titleLength);
  for (int i = 0; i < rec->itemCount; ++i) {
    const KxMenuItemRecord& r = KxMenuItemAt(rec->firstItem + i);
    KxMenuItem item;
    item.command = r.command;
    item.text.assign(r.text, r.length);
    item.key = r.key;
    item.modifiers = r.modifiers;
    item.submenuID = r.submenuID;
    item.enabled = r.enabled && !r.separator;
    item.separator = r.separator;
    mItems.push_back(std::move(item));
  }
}

LMenu::LMenu(std::int16_t menuID, const unsigned char* title) : mMenuID(menuID), mTitle(FromPString(title)) {}

const KxMenuItem* LMenu::GetItem(std::int16_t index) const {
  if (index < 1 || index > CountItems()) return nullptr;
  return &mItems[std::size_t(index - 1)];
}

KxMenuItem* LMenu::Item(std::int16_t index) { return const_cast<KxMenuItem*>(GetItem(index)); }

CommandT LMenu::CommandFromIndex(std::int16_t index) const {
  const KxMenuItem* item = GetItem(index);
  if (!item || item->separator) return kKxCmdNothing;
  if (item->command != kKxCmdNothing) return item->command;
  return LCommander::SyntheticCommandForMenuItem(mMenuID, index);
}

std::int16_t LMenu::IndexFromCommand(CommandT command) const {
  if (command == kKxCmdNothing) return 0;
  for (std::int16_t i = 1; i <= CountItems(); ++i)
    if (CommandFromIndex(i) == command) return i;
  return 0;
}

void LMenu::SetCommand(std::int16_t index, CommandT command) {
  if (KxMenuItem* item = Item(index)) item->command = command;
}

void LMenu::GetItemText(std::int16_t index, Str255 out) const {
  out[0] = 0;
  if (const KxMenuItem* item = GetItem(index)) {
    const std::size_t n = std::min(item->text.size(), kMaxItemBytes);
    out[0] = static_cast<unsigned char>(n);
    std::memcpy(out + 1, item->text.data(), n);
  }
}

void LMenu::SetItemText(std::int16_t index, const unsigned char* text) {
  if (KxMenuItem* item = Item(index)) {
    item->text = FromPString(text);
    item->unicodeText.clear();
  }
}

void LMenu::SetItemUnicodeText(std::int16_t index, const std::string& text) {
  if (KxMenuItem* item = Item(index); item && !item->separator) item->unicodeText = text;
}

void LMenu::SetSubmenu(std::int16_t index, std::int16_t submenuID) {
  if (KxMenuItem* item = Item(index)) item->submenuID = submenuID;
}

void LMenu::SetSmallIcon(std::int16_t index, const std::vector<std::uint8_t>& icon) {
  constexpr std::size_t kIconBytes = 32;
  if (KxMenuItem* item = Item(index)) item->smallIcon = icon.size() == kIconBytes ? icon : std::vector<std::uint8_t>{};
}

void LMenu::EnableItem(std::int16_t index, bool enabled) {
  if (KxMenuItem* item = Item(index)) item->enabled = enabled && !item->separator;
}

bool LMenu::IsItemEnabled(std::int16_t index) const {
  const KxMenuItem* item = GetItem(index);
  return item && item->enabled;
}

void LMenu::SetMark(std::int16_t index, std::uint16_t mark) {
  if (KxMenuItem* item = Item(index)) {
    item->mark = mark;
    item->usesMark = true;
  }
}

void LMenu::SetKey(std::int16_t index, std::uint8_t key, std::uint16_t modifiers) {
  if (KxMenuItem* item = Item(index)) {
    item->key = UpperAscii(key);
    item->modifiers = modifiers & kItemModifierMask;
  }
}

void LMenu::Insert(KxMenuItem item, std::int16_t after) {
  if (mItems.size() >= std::size_t(INT16_MAX)) throw LException(paramErr);
  const std::size_t at = after <= 0 ? 0 : std::min<std::size_t>(std::size_t(after), mItems.size());
  mItems.insert(mItems.begin() + std::ptrdiff_t(at), std::move(item));
}

void LMenu::InsertItem(const unsigned char* text, std::int16_t after, CommandT command) {
  KxMenuItem item;
  item.text = FromPString(text);
  item.command = command;
  Insert(std::move(item), after);
}

void LMenu::InsertSeparator(std::int16_t after) {
  KxMenuItem item;
  item.separator = true;
  item.enabled = false;
  Insert(std::move(item), after);
}

void LMenu::DeleteItem(std::int16_t index) {
  if (index >= 1 && index <= CountItems()) mItems.erase(mItems.begin() + (index - 1));
}

LMenuBar* LMenuBar::sMenuBar = nullptr;
std::uint32_t LMenuBar::sStatusPass = 0, LMenuBar::sLastStatusPass = 0;

LMenuBar::LMenuBar(std::int16_t menuBarID) {
  short ids[kMaxBarMenus];
  const int count = KxMenuBarMenus(menuBarID, ids, kMaxBarMenus);
  if (count == 0 || count > kMaxBarMenus) throw LException(kKxResNotFound);
  for (int i = 0; i < count; ++i) {
    Install(ids[i], 0);
    mBarMenus.push_back(FetchMenu(ids[i]));
  }
  sMenuBar = this;
}

LMenuBar::~LMenuBar() {
  if (sMenuBar == this) sMenuBar = nullptr;
}

void LMenuBar::Install(std::int16_t menuID, int depth) {
  if (FetchMenu(menuID)) return;   // each menu once: shared or circular submenus
  if (depth > kMaxMenuNesting) throw LException(kKxResNotFound);
  mMenus.push_back(std::make_unique<LMenu>(menuID));
  LMenu& menu = *mMenus.back();
  for (std::int16_t i = 1; i <= menu.CountItems(); ++i)
    if (std::int16_t sub = menu.GetItem(i)->submenuID) Install(sub, depth + 1);
}

LMenu* LMenuBar::InstallSubmenu(std::int16_t menuID) {
  if (LMenu* menu = FetchMenu(menuID)) return menu;
  if (!KxFindMenuRecord(menuID)) return nullptr;
  Install(menuID, 1);
  return FetchMenu(menuID);
}

LMenu* LMenuBar::FetchMenu(std::int16_t menuID) const {
  for (const auto& m : mMenus)
    if (m->GetMenuID() == menuID) return m.get();
  return nullptr;
}

CommandT LMenuBar::FindCommand(std::int16_t menuID, std::int16_t item) const {
  const LMenu* menu = FetchMenu(menuID);
  return menu ? menu->CommandFromIndex(item) : kKxCmdNothing;
}

bool LMenuBar::FindMenuItem(CommandT command, std::int16_t& menuID, LMenu*& menu,
                            std::int16_t& item) const {
  // Bar menus first, then the submenus in the order they were installed.
  for (const auto& m : mMenus) {
    if (std::int16_t i = m->IndexFromCommand(command)) {
      menuID = m->GetMenuID();
      menu = m.get();
      item = i;
      return true;
    }
  }
  return false;
}

bool LMenuBar::FindKeyCommand(std::uint8_t ch, std::uint16_t modifiers, std::int16_t& menuID,
                              std::int16_t& item) const {
  if (!(modifiers & kKxEventCommandKey) || ch == 0) return false;
  const std::uint8_t key = UpperAscii(ch);
  const std::uint16_t mods = modifiers & kItemModifierMask;
  for (const auto& m : mMenus) {
    for (std::int16_t i = 1; i <= m->CountItems(); ++i) {
      const KxMenuItem* it = m->GetItem(i);
      if (it->key == key && it->modifiers == mods && !it->separator) {
        menuID = m->GetMenuID();
        item = i;
        return true;
      }
    }
  }
  return false;
}

LMenuBar::StStatusPass::StStatusPass() : mOuter(sStatusPass) {
  if (++sLastStatusPass == 0) ++sLastStatusPass;   // 0 stands for no pass
  sStatusPass = sLastStatusPass;
}

void LMenuBar::UpdateMenus(LCommander* target) {
  StStatusPass pass;
  for (LMenu* m : mBarMenus) UpdateMenu(*m, target, 0);
}

bool LMenuBar::UpdateMenu(LMenu& menu, LCommander* target, int depth) {
  bool any = false;
  for (std::int16_t i = 1; i <= menu.CountItems(); ++i) {
    const KxMenuItem* it = menu.GetItem(i);
    if (it->separator) continue;
    Boolean enabled = false;
    if (it->submenuID != 0) {
      LMenu* sub = FetchMenu(it->submenuID);
      enabled = sub && depth < kMaxMenuNesting && UpdateMenu(*sub, target, depth + 1);
    } else if (target) {
      Boolean usesMark = false;
      std::uint16_t mark = kKxNoMark;
      Str255 name;
      name[0] = 0;
      target->ProcessCommandStatus(menu.CommandFromIndex(i), enabled, usesMark, mark, name);
      if (usesMark) menu.SetMark(i, mark);
      if (name[0] != 0) menu.SetItemText(i, name);
    }
    menu.EnableItem(i, enabled);
    any = any || enabled;
  }
  return any;
}
