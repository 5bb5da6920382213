#include "app/recent_menu.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "app/dynamic_menus.h"
#include "app/globals.h"
#include "platform/files.h"
#include "platform/framework/menu.h"
#include "text/codes/script.h"

namespace {

URecentMenu::MenuSource& Source() {
  static URecentMenu::MenuSource source;
  return source;
}

LMenu* Menu(std::int16_t id) {
  if (Source()) return Source()(id);
  LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  return bar ? bar->FetchMenu(id) : nullptr;
}

// A folder's submenu, to hang under its item: the bar's resources hang
// none of 221-230 anywhere, so the bar installs it when it is first needed.
LMenu* FolderMenu(std::int16_t id) {
  if (Source()) return Source()(id);
  LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  return bar ? bar->InstallSubmenu(id) : nullptr;
}

// A file name (UTF-8 on disk) as menu text, which is in the script's
// encoding like every menu of the program; never cut inside a character.
void ToPString(const std::string& s, Str255 out) {
  const std::string text = KxMenuTextFromUTF8(s);
  out[0] = static_cast<unsigned char>(
      KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(text.data()), text.size(), 255));
  std::memcpy(out + 1, text.data(), out[0]);
}

void Empty(LMenu& menu) {
  while (menu.CountItems() > 0) menu.DeleteItem(menu.CountItems());
}

bool IsTextFile(const std::filesystem::path& path) {
  OSType type = 0, creator = 0;
  KxGetFileTypeCreator(path.string(), type, creator);
  return type == FourCC("TEXT") || type == FourCC("ttro");
}

// The text files of a folder, by name (the listing order of the file
// system says nothing).
KxBlock FolderFiles(const std::string& folder) {
  std::vector<std::string> paths;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind("._", 0) == 0) continue;   // sidecars
    std::error_code fec;
    if (it->is_regular_file(fec) && IsTextFile(it->path())) paths.push_back(it->path().string());
  }
  std::sort(paths.begin(), paths.end());
  KxBlock list;
  SKXFSpec fileRef;
  for (const std::string& p : paths)
    if (UKXFSpec::MakeFromPath(fileRef, p)) UKXFSpec::AddFSpec(fileRef, list, INT16_MAX);
  return list;
}

bool FolderOf(const SKXFSpec& file, SKXFSpec& folder) {
  const std::filesystem::path p(UKXFSpec::PathOf(file));
  const std::string parent = p.parent_path().string();
  return !parent.empty() && parent != UKXFSpec::PathOf(file) && UKXFSpec::MakeFromPath(folder, parent);
}

void Recount() {
  gRecentFileCount = UKXFSpec::GetCount(gRecentFileHandle);
  gRecentDirCount = UKXFSpec::GetCount(gRecentDirHandle);
  for (std::size_t i = std::size_t(std::max<short>(gRecentDirCount, 0)); i < gRecentSubHandle.size(); ++i)
    gRecentSubHandle[i] = {};
}

}  // namespace

void URecentMenu::SetMenuSource(MenuSource source) { Source() = std::move(source); }

void URecentMenu::SetRecent(const SKXFSpec& fileRef) {
  const short fileLimit = short(KxPrefRecentFileLimit(gFilePref));
  const short folderLimit = short(KxPrefRecentFolderLimit(gFilePref));
  SKXFSpec first;
  if (UKXFSpec::GetFSpec(1, first, gRecentFileHandle) && UKXFSpec::SameFile(first, fileRef)) return;
  if (fileLimit > 0) UKXFSpec::SetFSpec(fileRef, gRecentFileHandle, fileLimit);
  SKXFSpec folder;
  if (FolderOf(fileRef, folder)) {
    const short at = UKXFSpec::Find(folder, gRecentDirHandle);
    if (at > 1) {
      UKXFSpec::SetFSpec(folder, gRecentDirHandle, kKxMaxRecentFolders);
      if (at <= short(gRecentSubHandle.size()))
        std::rotate(gRecentSubHandle.begin(), gRecentSubHandle.begin() + (at - 1), gRecentSubHandle.begin() + at);
    } else if (at == 0 && folderLimit > 0) {
      KxBlock files = FolderFiles(UKXFSpec::PathOf(folder));
      UKXFSpec::SetFSpec(folder, gRecentDirHandle, folderLimit);
      // The list never holds more than the ten submenus can show.
      UKXFSpec::Truncate(gRecentDirHandle, kKxMaxRecentFolders);
      std::move_backward(gRecentSubHandle.begin(), gRecentSubHandle.end() - 1, gRecentSubHandle.end());
      gRecentSubHandle[0] = std::move(files);
    }
  }
  Recount();
  UpdateMenu();
  gPrefModify = true;
}

void URecentMenu::SetRecentPath(const std::string& path) {
  SKXFSpec ref;
  if (UKXFSpec::MakeFromPath(ref, path)) SetRecent(ref);
}

bool URecentMenu::GetRecent(std::int16_t menu, std::int16_t item, SKXFSpec& out) {
  if (menu == kKxRecentMenu) return UKXFSpec::GetFSpec(item, out, gRecentFileHandle);
  const int sub = menu - kKxRecentSubmenu;
  if (sub < 0 || sub >= int(gRecentSubHandle.size())) return false;
  return UKXFSpec::GetFSpec(item, out, gRecentSubHandle[std::size_t(sub)]);
}

void URecentMenu::DeleteRecent(std::int16_t menu, std::int16_t item) {
  if (menu != kKxRecentMenu || item < 1 || item > gRecentFileCount) return;
  UKXFSpec::DeleteFSpec(item, gRecentFileHandle);
  Recount();
  UpdateMenu();
  gPrefModify = true;
}

void URecentMenu::ClearRecent() {
  gRecentFileHandle = {};
  gRecentDirHandle = {};
  Recount();
  UpdateMenu();
  gPrefModify = true;
}

void URecentMenu::UpdateRecent() {
  for (KxBlock& sub : gRecentSubHandle) sub = {};
  UKXFSpec::Truncate(gRecentDirHandle, kKxMaxRecentFolders);
  SKXFSpec folder;
  for (short i = UKXFSpec::GetCount(gRecentDirHandle); i >= 1; --i) {
    UKXFSpec::GetFSpec(i, folder, gRecentDirHandle);
    std::error_code ec;
    if (!std::filesystem::is_directory(UKXFSpec::PathOf(folder), ec)) UKXFSpec::DeleteFSpec(i, gRecentDirHandle);
  }
  Recount();
  for (short i = 1; i <= gRecentDirCount; ++i) {
    UKXFSpec::GetFSpec(i, folder, gRecentDirHandle);
    gRecentSubHandle[std::size_t(i - 1)] = FolderFiles(UKXFSpec::PathOf(folder));
  }
}

void URecentMenu::UpdateMenu() {
  LMenu* menu = Menu(kKxRecentMenu);
  if (!menu) return;
  Str255 clearText = {0};
  if (menu->CountItems() > 0) menu->GetItemText(menu->CountItems(), clearText);
  Empty(*menu);
  Str255 name;
  SKXFSpec fileRef;
  for (short i = 1; UKXFSpec::GetFSpec(i, fileRef, gRecentFileHandle); ++i) {
    ToPString(UKXFSpec::LeafName(fileRef), name);
    menu->InsertItem(name, menu->CountItems());
    menu->SetItemUnicodeText(menu->CountItems(), KxMenuTextUnicode(UKXFSpec::LeafName(fileRef)));
  }
  const short files = menu->CountItems();
  for (short i = 1; i <= std::min<short>(gRecentDirCount, kKxMaxRecentFolders); ++i) {
    if (!UKXFSpec::GetFSpec(i, fileRef, gRecentDirHandle)) break;
    if (i == 1 && files > 0) menu->InsertSeparator(menu->CountItems());
    ToPString(UKXFSpec::LeafName(fileRef), name);
    menu->InsertItem(name, menu->CountItems());
    menu->SetItemUnicodeText(menu->CountItems(), KxMenuTextUnicode(UKXFSpec::LeafName(fileRef)));
    const std::int16_t subID = std::int16_t(kKxRecentSubmenu + i - 1);
    menu->SetSubmenu(menu->CountItems(), subID);
    if (LMenu* sub = FolderMenu(subID)) {
      Empty(*sub);
      SKXFSpec file;
      for (short k = 1; UKXFSpec::GetFSpec(k, file, gRecentSubHandle[std::size_t(i - 1)]); ++k) {
        ToPString(UKXFSpec::LeafName(file), name);
        sub->InsertItem(name, sub->CountItems());
        sub->SetItemUnicodeText(sub->CountItems(), KxMenuTextUnicode(UKXFSpec::LeafName(file)));
      }
    }
  }
  for (short i = std::max<short>(gRecentDirCount, 0) + 1; i <= kKxMaxRecentFolders; ++i)
    if (LMenu* sub = Menu(std::int16_t(kKxRecentSubmenu + i - 1))) Empty(*sub);
  if (menu->CountItems() > 0) menu->InsertSeparator(menu->CountItems());
  menu->InsertItem(clearText, menu->CountItems(), kKxCmdClearRecent);
}

void URecentMenu::EnableMenu(LMenu& menu) {
  for (std::int16_t i = 1; i <= menu.CountItems(); ++i)
    menu.EnableItem(i, !(menu.GetMenuID() == kKxRecentMenu && i == gRecentFileCount + 1));
}
