#include "tools/file_list.h"

#include <algorithm>
#include <unordered_set>

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "tools/file_text.h"

namespace {

constexpr std::size_t kMaxStoredPath = 255;
const std::string kSidecarPrefix = "._";

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string LastComponent(const std::string& path) {
  if (path == "/") return "/";
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ParentPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || path == "/") return {};
  return slash == 0 ? "/" : path.substr(0, slash);
}

unsigned char Fold(unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c; }

bool EndsWithFolded(const std::string& name, const std::string& suffix) {
  if (suffix.size() > name.size()) return false;
  const std::size_t at = name.size() - suffix.size();
  for (std::size_t i = 0; i < suffix.size(); ++i)
    if (Fold(static_cast<unsigned char>(name[at + i])) != Fold(static_cast<unsigned char>(suffix[i]))) return false;
  return true;
}

}  // namespace

std::uint16_t KxFolderFinderFlags(const std::string& path) {
  KxAppleDouble sidecar;
  if (KxReadSidecar(path, sidecar) != 0) return 0;
  const KxAppleDouble::Entry* info = sidecar.Find(KxAppleDouble::kFinderInfoID);
  if (!info || info->data.size() < 10) return 0;
  return std::uint16_t(info->data[8] << 8 | info->data[9]);
}

SKXFileEntry KxTopEntry() {
  Str255 title;
  GetIndString(title, kKxFileToolStrings, 1);
  SKXFileEntry top;
  top.kind = kKxKindTop;
  top.name = KxScriptTextToUTF8(std::string(reinterpret_cast<const char*>(title + 1), title[0]));
  return top;
}

SKXFileEntry KxParentEntry() {
  SKXFileEntry parent;
  parent.kind = kKxKindFolder;
  parent.name = kKxParentName;
  parent.flags = SKXFileEntry::kParent;
  return parent;
}

SKXFileEntry KxFolderEntry(const std::string& path, OSType kind) {
  SKXFileEntry e;
  e.kind = kind;
  e.path = path;
  e.name = LastComponent(path);
  return e;
}

OSType KxFileToolType(const std::string& path, const std::string& name, bool hasSidecar) {
  if (hasSidecar) {
    OSType type = 0, creator = 0;
    if (KxGetFileTypeCreator(path, type, creator) && type != 0) return type;
  }
  const OSType ending = KxTypeFromNameEnding(name);
  // RTF is text to the file tools: they preview and open it as a document.
  if (ending == FourCC("RTF ")) return kKxTypeText;
  if (ending != 0) return ending;
  return KxContentTypeIsText(KxGuessContentType(name)) ? kKxTypeText : 0;
}

bool KxTypeMatches(OSType fileType, OSType type) {
  if (fileType == 0 || type == kKxListFolders || type == kKxListFoldersOnly) return false;
  return type == kKxTypeAll || fileType == type || (type == kKxTypeText && fileType == FourCC("ttro"));
}

bool KxEntryNameLess(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = Fold(static_cast<unsigned char>(a[i])), y = Fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

void KxSortEntries(KxFileEntries& entries) {
  // One sort of an index, then one move of the entries.
  std::vector<std::uint32_t> order(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = std::uint32_t(i);
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t i, std::uint32_t j) {
    const SKXFileEntry& a = entries[i];
    const SKXFileEntry& b = entries[j];
    if (a.IsParent() != b.IsParent()) return a.IsParent();
    return KxEntryNameLess(a.name, b.name);
  });
  KxFileEntries sorted;
  sorted.reserve(entries.size());
  for (std::uint32_t i : order) sorted.push_back(std::move(entries[i]));
  entries.swap(sorted);
}

KxFileEntries KxCreateFileList(const SKXFileEntry& folder, bool withFolders, OSType type, const std::string& suffix) {
  if (folder.kind == kKxKindTop) return KxCreateVolList();
  KxFileEntries list;
  if (withFolders && type == kKxListFolders) list.push_back(KxParentEntry());
  std::vector<KxDirEntry> entries;
  if (folder.path.empty() || KxReadFolder(folder.path, entries) != 0) return list;
  // Sidecars are looked at only where one exists: no open per file.
  std::unordered_set<std::string> sidecars;
  for (const KxDirEntry& e : entries)
    if (e.name.size() > kSidecarPrefix.size() && e.name.compare(0, kSidecarPrefix.size(), kSidecarPrefix) == 0)
      sidecars.insert(e.name.substr(kSidecarPrefix.size()));
  const bool wantFiles = type != kKxListFolders && type != kKxListFoldersOnly;
  list.reserve(list.size() + entries.size());
  for (KxDirEntry& e : entries) {
    if (e.name.empty() || e.name[0] == '.') continue;
    if (!suffix.empty() && !EndsWithFolded(e.name, suffix)) continue;
    const std::string path = Join(folder.path, e.name);
    const bool hasSidecar = sidecars.count(e.name) != 0;
    if (e.kind == KxEntryKind::kFolder) {
      if (!withFolders || (hasSidecar && (KxFolderFinderFlags(path) & kKxFinderInvisible))) continue;
      list.push_back(SKXFileEntry{kKxKindFolder, path, std::move(e.name), 0});
    } else if (e.kind == KxEntryKind::kFile && wantFiles) {
      const OSType fileType = KxFileToolType(path, e.name, hasSidecar);
      if (!KxTypeMatches(fileType, type)) continue;
      list.push_back(SKXFileEntry{fileType, path, std::move(e.name), 0});
    }
  }
  KxSortEntries(list);
  return list;
}

KxFileEntries KxCreateVolList() {
  KxFileEntries list;
  std::unordered_set<std::string> seen;
  auto addVolume = [&](const std::string& path, const std::string& name) {
    if (int(list.size()) >= kKxMaxVolumes || path.empty() || !seen.insert(path).second) return;
    SKXFileEntry e = KxFolderEntry(path, kKxKindVolume);
    if (!name.empty()) e.name = name;
    list.push_back(std::move(e));
  };
  addVolume("/", "/");
  addVolume(KxHomeFolder(), "");
  for (const KxMount& m : KxUserMounts()) addVolume(m.path, m.name);
  // The desktop's folders after the volumes, as the desktop shows them.
  KxFileEntries desktop = KxCreateFileList(KxFolderEntry(KxDesktopFolder()), true, kKxListFoldersOnly);
  for (SKXFileEntry& e : desktop) list.push_back(std::move(e));
  return list;
}

KxFileEntries KxStartPath() {
  KxFileEntries path{KxTopEntry(), KxFolderEntry("/", kKxKindVolume)};
  const std::string home = KxHomeFolder();
  std::string at;
  for (std::size_t from = 1; from < home.size();) {
    std::size_t slash = home.find('/', from);
    if (slash == std::string::npos) slash = home.size();
    if (slash > from) {
      at += "/" + home.substr(from, slash - from);
      path.push_back(KxFolderEntry(at));
    }
    from = slash + 1;
  }
  return path;
}

std::int16_t KxGetLDEFIconID(OSType kind) {
  switch (kind) {
    case FourCC("FTOP"): return 1;
    case FourCC("FVOL"): return 2;
    case FourCC("FDIR"): return 4;
    case FourCC("TEXT"):
    case FourCC(".KXT"): return 5;
    case FourCC("PICT"): return 6;
    case FourCC("APPL"): return 7;
    case FourCC("FNDR"): case FourCC("CLIP"): case FourCC("INIT"): case FourCC("PRER"): case FourCC("LTMC"):
    case FourCC("FFIL"): case FourCC("ZSYS"): case FourCC("zsys"): case FourCC("cdev"): case FourCC("fext"):
    case FourCC("appe"): case FourCC("fbit"): case FourCC("fdef"): case FourCC("dbgr"): case FourCC("scri"):
    case FourCC("npdt"): case FourCC("sbkt"): case FourCC("thng"): return 8;
    case FourCC("ttro"): return 10;
    default: return 9;
  }
}

std::string KxDisplayName(const SKXFileEntry& entry) { return KxNameToScriptText(entry.name); }

std::string KxEntryCell(const SKXFileEntry& entry) {
  return std::string(1, char(KxGetLDEFIconID(entry.kind))) + KxDisplayName(entry);
}

KxBlock KxPackFolderPath(const KxFileEntries& path) {
  KxBlock block;
  for (const SKXFileEntry& e : path) {
    const std::string& stored = e.kind == kKxKindTop ? e.name : e.path;
    if (stored.empty() || stored.size() > kMaxStoredPath) break;
    SKXFSpec entry;
    entry.kind = e.kind;
    entry.name[0] = std::uint8_t(stored.size());
    std::copy(stored.begin(), stored.end(), entry.name + 1);
    if (!UKXFSpec::AddFSpec(entry, block, INT16_MAX)) break;
  }
  return block;
}

KxFileEntries KxUnpackFolderPath(const KxBlock& block) {
  KxFileEntries path;
  const short count = UKXFSpec::GetCount(block);
  for (short i = 1; i <= count; ++i) {
    SKXFSpec entry;
    if (!UKXFSpec::GetFSpec(i, entry, block)) break;
    const std::string stored(reinterpret_cast<const char*>(entry.name + 1), entry.name[0]);
    if (i == 1) {
      if (entry.kind != kKxKindTop) return {};
      path.push_back(KxTopEntry());
      continue;
    }
    if (stored.empty() || stored[0] != '/' || stored.find('\0') != std::string::npos) break;
    if (i == 2 && (entry.kind == kKxKindVolume || entry.kind == kKxKindFolder)) {
      // A volume, or a folder of the desktop that the top level lists.
      path.push_back(KxFolderEntry(stored, entry.kind));
    } else if (entry.kind == kKxKindFolder && i > 2 && ParentPath(stored) == path.back().path &&
               LastComponent(stored) != "." && LastComponent(stored) != "..") {
      path.push_back(KxFolderEntry(stored));
    } else {
      break;
    }
  }
  return path;
}
