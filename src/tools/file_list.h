// Entries of the file tools' lists: the folder path of a navigator, the
// folders it can enter and the files a tool lists. An entry keeps the
// exact name and path the file system has (up to 255 bytes a name); only
// what a control shows is converted or cut. The packed SKXFSpec form is
// used only for the preference chunk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/fspec.h"
#include "platform/types.h"

constexpr OSType kKxKindTop = FourCC("FTOP");
constexpr OSType kKxKindVolume = FourCC("FVOL");
constexpr OSType kKxKindFolder = FourCC("FDIR");
// List types that match no file: folders with the parent entry first, and
// folders alone.
constexpr OSType kKxListFolders = FourCC("....");
constexpr OSType kKxListFoldersOnly = FourCC("...-");
constexpr OSType kKxTypeText = FourCC("TEXT");
constexpr OSType kKxTypeAll = FourCC("****");

// The file tools' string list: item 1 names the top of the file system.
constexpr std::int16_t kKxFileToolStrings = 205;
// The volumes the top level lists, at most.
constexpr int kKxMaxVolumes = 16;
// The name of a folder list's parent entry.
inline constexpr char kKxParentName[] = "  ^";

struct SKXFileEntry {
  enum Flags : std::uint32_t { kParent = 1 };
  OSType kind = 0;
  std::string path;   // absolute; empty for the top and the parent entry
  std::string name;   // the last component as the file system spells it (the top: its title)
  std::uint32_t flags = 0;
  bool IsParent() const { return (flags & kParent) != 0; }
  bool IsFolder() const { return kind == kKxKindFolder || kind == kKxKindVolume; }
};
using KxFileEntries = std::vector<SKXFileEntry>;

SKXFileEntry KxTopEntry();
SKXFileEntry KxParentEntry();
// A folder entry for an absolute path (its last component as the name).
SKXFileEntry KxFolderEntry(const std::string& path, OSType kind = kKxKindFolder);

// The type of a file: its sidecar's (when `hasSidecar`), else the name's
// ending (".rtf" as "TEXT"), else "TEXT" for a name the desktop takes for
// text; 0 when none.
OSType KxFileToolType(const std::string& path, const std::string& name, bool hasSidecar);

// A folder's Finder flags, from its sidecar (0 without one).
constexpr std::uint16_t kKxFinderNameLocked = 0x1000, kKxFinderInvisible = 0x4000;
std::uint16_t KxFolderFinderFlags(const std::string& path);
// Whether a file of `fileType` is listed under `type`: "TEXT" takes "ttro"
// too, "****" any typed file, "...." and "...-" none.
bool KxTypeMatches(OSType fileType, OSType type);

// The entries of `folder`: folders (with `withFolders`; the parent entry
// first when type is "....") and files of `type`, names beginning with "."
// never, links as what they point to, only regular files and folders; with
// a suffix only names ending with it (ASCII case folded). Sorted by name.
// The top entry gives the top-level list. A folder that cannot be read
// gives the parent entry alone (when asked for).
KxFileEntries KxCreateFileList(const SKXFileEntry& folder, bool withFolders, OSType type,
                               const std::string& suffix = {});
// The top level: the root, the home folder and the user's mounts (at most
// 16 volumes), then the folders of the desktop folder.
KxFileEntries KxCreateVolList();
// Where a new navigator starts: the top, "/", and the folders down to the
// home folder.
KxFileEntries KxStartPath();
// By name: bytes unsigned with a-z folded to A-Z, a prefix first, equal
// names by their bytes; the parent entry first.
void KxSortEntries(KxFileEntries& entries);
bool KxEntryNameLess(const std::string& a, const std::string& b);

// The list cell's icon number of a kind.
std::int16_t KxGetLDEFIconID(OSType kind);
// The name as the lists show it: the program's text encoding, whatever
// bytes the name has (KxNameToScriptText).
std::string KxDisplayName(const SKXFileEntry& entry);
// A list cell: the icon byte, then the shown name.
std::string KxEntryCell(const SKXFileEntry& entry);

// The folder path in its stored form: the top's name, then each folder's
// full path; saved up to the deepest entry whose path fits 255 bytes.
KxBlock KxPackFolderPath(const KxFileEntries& path);
// The stored form read back: the top first, then each folder inside the one
// before; anything else ends the path there. Empty for no usable path.
KxFileEntries KxUnpackFolderPath(const KxBlock& block);
