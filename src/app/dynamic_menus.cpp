#include "app/dynamic_menus.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "app/app_commands.h"
#include "app/globals.h"
#include "app/menu_keys.h"
#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/framework/menu.h"
#include "platform/resources.h"
#include "platform/script.h"
#include "platform/textconv.h"
#include "platform/utf8.h"
#include "views/text_function_bar.h"

namespace {

// Menus never hold more items than a menu can (the item number is a byte in
// synthetic commands of the original and in stored key lists).
constexpr int kMaxMenuItems = 255;
constexpr int kMaxMacros = 50;

std::map<std::pair<std::int16_t, std::int16_t>, std::uint16_t>& Icons() {
  static std::map<std::pair<std::int16_t, std::int16_t>, std::uint16_t> icons;
  return icons;
}

LMenu* Menu(std::int16_t menuID) {
  const LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  return bar ? bar->FetchMenu(menuID) : nullptr;
}

void ToPString(const std::string& s, Str255 out) { KxSetNameCut(out, s); }

// Removes every item after the first `keep`.
void CutAfter(LMenu& menu, std::int16_t keep) {
  while (menu.CountItems() > keep) menu.DeleteItem(menu.CountItems());
  for (auto it = Icons().begin(); it != Icons().end();)
    it = (it->first.first == menu.GetMenuID() && it->first.second > keep) ? Icons().erase(it) : std::next(it);
}

// Appends `entries` after the fixed items as commands range.first + index:
// a separator first when fixed items precede them. Entries with empty names
// are skipped but keep their numbers; numbers past the range are dropped.
void AppendFamily(LMenu& menu, const std::vector<KxMenuEntry>& entries, const KxCommandRange& range, int limit) {
  const int count = std::min<int>({int(entries.size()), range.Size(), limit});
  bool any = false;
  for (int i = 0; i < count; ++i) any = any || !entries[std::size_t(i)].name.empty();
  if (!any) return;
  if (menu.CountItems() > 0) menu.InsertSeparator(menu.CountItems());
  for (int i = 0; i < count && menu.CountItems() < kMaxMenuItems; ++i) {
    const KxMenuEntry& e = entries[std::size_t(i)];
    if (e.name.empty()) continue;
    Str255 text;
    ToPString(e.name, text);
    const CommandT command = range.first + i;
    menu.InsertItem(text, menu.CountItems(), command);
    const std::int16_t item = menu.CountItems();
    if (!e.unicodeName.empty()) menu.SetItemUnicodeText(item, e.unicodeName);
    SMenukey key;
    if (UCustomMenu::GetMenuKey(command, key)) UCustomMenu::SetCmdKey(menu, item, key.key, key.modifiers);
    if (e.icon != kKxIconNone) KxSetMenuItemIcon(menu.GetMenuID(), item, e.icon);
  }
}

std::vector<KxMenuEntry> Entries(const std::vector<std::string>& names) {
  std::vector<KxMenuEntry> out;
  out.reserve(names.size());
  for (const std::string& n : names) out.push_back({n, kKxIconNone});
  return out;
}

}  // namespace

std::int16_t KxFixedItemCount(std::int16_t menuID) {
  const KxMenuRecord* rec = KxFindMenuRecord(menuID);
  return rec ? std::int16_t(rec->itemCount) : 0;
}

std::uint16_t KxMenuItemIcon(std::int16_t menuID, std::int16_t item) {
  const auto it = Icons().find({menuID, item});
  return it == Icons().end() ? kKxIconNone : it->second;
}

void KxSetMenuItemIcon(std::int16_t menuID, std::int16_t item, std::uint16_t icon) {
  if (icon == kKxIconNone)
    Icons().erase({menuID, item});
  else
    Icons()[{menuID, item}] = icon;
}

std::string KxMenuTextFromUTF8(const std::string& utf8) {
  std::string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const KxUtf8Sequence q = KxUtf8SequenceAt(utf8, i);
    i += q.length > 0 && q.wellFormed ? std::size_t(q.length) : 1;
    if (q.length == 0 || !q.wellFormed) continue;
    const std::int32_t code = KxScriptFromUnicode(q.cp, kScriptJapanese);
    if (code < 0) continue;
    if (code > 0xFF) out += char(code >> 8);
    out += char(code & 0xFF);
  }
  const std::size_t n = KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(out.data()), out.size(),
                                            kKxMaxNameBytes);
  out.resize(n);
  return out;
}

std::string KxMenuTextUnicode(const std::string& utf8) {
  if (KxScriptTextToUTF8(KxMenuTextFromUTF8(utf8)) == utf8) return {};
  // File names are bytes: what is no UTF-8 shows as U+FFFD, as the desktop
  // takes nothing else.
  std::string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const KxUtf8Sequence q = KxUtf8SequenceAt(utf8, i);
    if (KxUtf8IsScalar(q)) {
      out.append(utf8, i, std::size_t(q.length));
      i += std::size_t(q.length);
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}

// ---- whole menus ------------------------------------------------------------

void UTextMenusBase::XAble(std::int16_t menuID, bool enable) { XAbleEveryItem(menuID, enable, false); }

void UTextMenusBase::XAbleEveryItem(std::int16_t menuID, bool enable, bool clearMarks) {
  LMenu* menu = Menu(menuID);
  if (!menu) return;
  for (std::int16_t i = 1; i <= menu->CountItems(); ++i) {
    menu->EnableItem(i, enable && !menu->GetItem(i)->separator);
    if (clearMarks) menu->SetMark(i, kKxNoMark);
  }
}

// ---- fonts ------------------------------------------------------------------

namespace {
std::vector<short>& FontItems() {   // font number of each item of menu 250
  static std::vector<short> fonts;
  return fonts;
}
}  // namespace

void UFontMenu::Initialize(bool enable) {
  LMenu* menu = Menu(kKxFontMenu);
  if (!menu) return;
  CutAfter(*menu, 0);
  FontItems().clear();
  std::vector<std::pair<std::string, short>> fonts;
  for (short f : KxFontNumbers()) {
    std::string family;
    if (!KxFontFamilyName(f, family)) continue;
    const std::string text = KxMenuTextFromUTF8(family);
    if (!text.empty()) fonts.emplace_back(text, f);
  }
  std::sort(fonts.begin(), fonts.end());
  fonts.erase(std::unique(fonts.begin(), fonts.end(),
                          [](const auto& a, const auto& b) { return a.first == b.first; }),
              fonts.end());
  for (const auto& [text, f] : fonts) {
    if (menu->CountItems() >= kMaxMenuItems) break;
    Str255 s;
    ToPString(text, s);
    menu->InsertItem(s, menu->CountItems());
    FontItems().push_back(f);
  }
  UTextMenusBase::XAble(kKxFontMenu, enable);
}

short UFontMenu::GetFontNumber(std::int16_t item) {
  if (item < 1 || std::size_t(item) > FontItems().size()) return -1;
  return FontItems()[std::size_t(item - 1)];
}

std::int16_t UFontMenu::GetFontMenuItem(short fontNumber) {
  for (std::size_t i = 0; i < FontItems().size(); ++i)
    if (FontItems()[i] == fontNumber) return std::int16_t(i + 1);
  return 0;
}

int UFontMenu::GetFontCount() { return int(FontItems().size()); }

void UFontMenu::AdjustMenu(short fontNumber) {
  LMenu* menu = Menu(kKxFontMenu);
  if (!menu) return;
  for (std::int16_t i = 1; i <= menu->CountItems(); ++i) {
    menu->EnableItem(i, true);
    menu->SetMark(i, GetFontNumber(i) == fontNumber ? kKxCheckMark : kKxNoMark);
  }
}

void UFontMenu::EnableEveryItem() { UTextMenusBase::XAbleEveryItem(kKxFontMenu, true, true); }
void UFontMenu::DisableEveryItem() { UTextMenusBase::XAbleEveryItem(kKxFontMenu, false, true); }

// ---- sizes ------------------------------------------------------------------

void USizeMenu::Initialize(int /*reservedItems*/, bool enable) { UTextMenusBase::XAble(kKxSizeMenu, enable); }

int USizeMenu::GetFontSize(std::int16_t item) {
  const LMenu* menu = Menu(kKxSizeMenu);
  const KxMenuItem* it = menu ? menu->GetItem(item) : nullptr;
  if (!it) return 0;
  int size = 0;
  for (char c : it->text) {
    if (c < '0' || c > '9' || size > 9999) break;
    size = size * 10 + (c - '0');
  }
  return size;
}

std::int16_t USizeMenu::GetSizeMenuItem(int size) {
  const LMenu* menu = Menu(kKxSizeMenu);
  if (!menu) return 0;
  for (std::int16_t i = 1; i <= menu->CountItems(); ++i)
    if (GetFontSize(i) == size && size > 0) return i;
  return 0;
}

void USizeMenu::DisableEveryItem() { UTextMenusBase::XAbleEveryItem(kKxSizeMenu, false, true); }

// ---- registered fonts ---------------------------------------------------------

bool UFontregMenu::GetFontregName(short n, std::string& name) {
  const std::size_t count = std::min<std::size_t>(std::size_t(std::max<short>(gFontregCount, 0)),
                                                  gFontregHandle.size() / kKxFontregSize);
  if (n < 1 || std::size_t(n) > count) return false;
  const std::uint8_t* e = gFontregHandle.data() + std::size_t(n - 1) * kKxFontregSize;
  const std::size_t len = std::min<std::size_t>(e[0], kNameBytes - 1);
  name.assign(reinterpret_cast<const char*>(e + 1), len);
  return true;
}

bool UFontregMenu::InsertFontreg(const std::uint8_t* entry, std::size_t size) {
  if (size < kKxFontregSize || gFontregCount >= kKxMaxFontreg) return false;
  gFontregHandle.resize(std::size_t(std::max<short>(gFontregCount, 0)) * kKxFontregSize);
  gFontregHandle.insert(gFontregHandle.end(), entry, entry + kKxFontregSize);
  ++gFontregCount;
  gPrefModify = true;
  return true;
}

bool UFontregMenu::DeleteFontreg(short n) {
  if (n < 1 || n > gFontregCount || gFontregHandle.size() < std::size_t(n) * kKxFontregSize) return false;
  const auto at = gFontregHandle.begin() + std::ptrdiff_t(std::size_t(n - 1) * kKxFontregSize);
  gFontregHandle.erase(at, at + std::ptrdiff_t(kKxFontregSize));
  --gFontregCount;
  gPrefModify = true;
  return true;
}

void UFontregMenu::UpdateMenu() {
  LMenu* menu = Menu(kKxFormatMenu);
  if (!menu) return;
  CutAfter(*menu, KxFixedItemCount(kKxFormatMenu));
  std::vector<KxMenuEntry> entries;
  std::string name;
  for (short n = 1; GetFontregName(n, name); ++n) entries.push_back({name.empty() ? std::string("-") : name, 0});
  AppendFamily(*menu, entries, kKxFontregCommands, kKxMaxFontreg);
  CKXTextFunctionBar::CheckUserMenu(kKxFunctionKindFontreg);
}

// ---- windows, marks, macros, forms ------------------------------------------------

void UWindowMenu::UpdateMenu(const std::vector<Document>& documents) {
  LMenu* menu = Menu(kKxWindowMenu);
  if (!menu) return;
  CutAfter(*menu, KxFixedItemCount(kKxWindowMenu));
  std::vector<KxMenuEntry> entries;
  for (const Document& d : documents)
    entries.push_back({d.title.empty() ? std::string("-") : d.title,
                       std::uint16_t(d.modified ? kKxIconModified : d.readOnly ? kKxIconReadOnly : kKxIconText),
                       d.unicodeTitle});
  AppendFamily(*menu, entries, kKxWindowCommands, kMaxMenuItems);
  CKXTextFunctionBar::CheckUserMenu(kKxFunctionKindWindows);
}

void UMarkMenu::UpdateMenu(bool show, bool markListOpen, const std::vector<std::string>& marks) {
  LMenu* menu = Menu(kKxMarkMenu);
  if (!menu) return;
  CutAfter(*menu, KxFixedItemCount(kKxMarkMenu));
  if (show && !markListOpen) AppendFamily(*menu, Entries(marks), kKxMarkCommands, kMaxMenuItems);
  CKXTextFunctionBar::CheckUserMenu(kKxFunctionKindMarks);
}

void UMacroMenu::UpdateMenu(const std::vector<std::string>& names) {
  LMenu* menu = Menu(kKxMacroMenu);
  if (!menu) return;
  CutAfter(*menu, KxFixedItemCount(kKxMacroMenu));
  AppendFamily(*menu, Entries(names), kKxMacroCommands, kMaxMacros);
  CKXTextFunctionBar::CheckUserMenu(kKxFunctionKindMacros);
}

void UFormMenu::UpdateMenu(const std::vector<std::string>& names) {
  LMenu* menu = Menu(kKxFormMenu);
  if (!menu) return;
  CutAfter(*menu, KxFixedItemCount(kKxFormMenu));
  AppendFamily(*menu, Entries(names), kKxFormCommands, kMaxMenuItems);
  CKXTextFunctionBar::CheckUserMenu(kKxFunctionKindForms);
}

void UEditMenu::UpdateClipboardMenu(const std::vector<std::string>& clipNames) {
  LMenu* menu = Menu(kKxEditMenu);
  if (!menu) return;
  CutAfter(*menu, KxFixedItemCount(kKxEditMenu));
  AppendFamily(*menu, Entries(clipNames), kKxClipHistoryCommands, kMaxMenuItems);
  CKXTextFunctionBar::CheckUserMenu(kKxFunctionKindClips);
}

void UEditMenu::AppendMorePasteMenu() {
  LMenu* menu = Menu(kKxMorePasteMenu);
  if (!menu) return;
  constexpr short kItemTexts = 205, kNameItem = 11, kDateItem = 12, kTimeItem = 13;
  CutAfter(*menu, KxFixedItemCount(kKxMorePasteMenu));
  const std::vector<KxMenuEntry> items = {
      {gNameStampHandle.empty() ? std::string() : KxIndString(kItemTexts, kNameItem), kKxIconNone},
      {KxIndString(kItemTexts, kDateItem), kKxIconNone},
      {KxIndString(kItemTexts, kTimeItem), kKxIconNone}};
  AppendFamily(*menu, items, kKxStampCommands, kMaxMenuItems);
}

// ---- help ---------------------------------------------------------------------

namespace {
bool EndsWithNoCase(const std::string& s, const std::string& end) {
  if (s.size() < end.size()) return false;
  for (std::size_t i = 0; i < end.size(); ++i) {
    char c = s[s.size() - end.size() + i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != end[i]) return false;
  }
  return true;
}
}  // namespace

void UHelpMenu::UpdateMenu(const std::string& folder) {
  LMenu* menu = Menu(kKxHelpMenu);
  if (!menu) return;
  // The resource's items before the information item (About and its
  // separator) stay where they are.
  const std::int16_t fixed = std::int16_t(std::max(0, KxFixedItemCount(kKxHelpMenu) - 1));
  Str255 kept = {0};
  if (menu->CountItems() > fixed) menu->GetItemText(menu->CountItems(), kept);
  CutAfter(*menu, fixed);
  gHelpFInfoHandle.clear();
  std::vector<std::string> paths;
  std::error_code ec;
  if (!folder.empty())
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name.rfind("._", 0) == 0 || EndsWithNoCase(name, ".htm") || EndsWithNoCase(name, ".html")) continue;
      std::error_code fec;
      OSType type = 0, creator = 0;
      if (!it->is_regular_file(fec)) continue;
      KxGetFileTypeCreator(it->path().string(), type, creator);
      if (type == FourCC("TEXT") || type == FourCC("ttro")) paths.push_back(it->path().string());
    }
  std::sort(paths.begin(), paths.end());
  const int limit = std::min(kKxHelpCommands.Size(), kMaxMenuItems - 2 - fixed);
  SKXFSpec ref;
  for (const std::string& p : paths) {
    const int listed = menu->CountItems() - fixed;
    if (listed >= limit || !UKXFSpec::MakeFromPath(ref, p)) continue;
    const CommandT command = kKxHelpCommands.first + listed;
    Str255 text;
    ToPString(KxMenuTextFromUTF8(std::filesystem::path(p).filename().string()), text);
    menu->InsertItem(text, menu->CountItems(), command);
    KxSetMenuItemIcon(kKxHelpMenu, menu->CountItems(), kKxIconText);
    UKXFSpec::AddFSpec(ref, gHelpFInfoHandle, INT16_MAX);
  }
  if (menu->CountItems() > fixed) menu->InsertSeparator(menu->CountItems());
  menu->InsertItem(kept, menu->CountItems(), kKxCmdHelpInformation);
}
