// File references over paths: a file is named by its folder's path and
// its name. Types come from the file layer (sidecar, else the name's
// ending).
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

struct FSSpec {
  std::string folder;   // the enclosing folder's path ("/" for the root)
  std::string name;     // the name inside it (empty: the folder itself)
  std::string Path() const;
};

constexpr OSType kKxFolderType = FourCC("FDIR");
constexpr OSType kKxAnyType = FourCC("****");

class UFSSpec {
 public:
  // The type a name's ending implies, for names of at least 5 bytes, by the
  // last four characters in lower case: ".txt" ".rtf" ".htm" and "text"
  // "html" after a "." give TEXT; ".pic" ".pct" and "pict" after a "." PICT;
  // ".jpg" ".jpe" and "jpeg" after a "." JPEG; anything else 0.
  static OSType GetMacOSXFileType(ConstStringPtr name);
  static OSType GetMacOSXFileType(const std::string& name);
  // A short name made from a longer one holds "#" or "?".
  static bool IsUnicodeFileName(ConstStringPtr name);
  // The reference of a path (made absolute, trailing slashes dropped).
  static FSSpec MakeFSSpec(const std::string& path);
  static bool IsDirectory(const FSSpec& fileRef);
  // The folder holding fileRef; false at the root.
  static bool GetParentFSSpec(const FSSpec& fileRef, FSSpec& parent);

  // A folder scan: files whose type matches (TEXT also takes "ttro"; "****"
  // any typed file; a file without a type gets one from its name), and,
  // when asked, visible folders (answered with type "FDIR"). Names in byte
  // order; sidecars and hidden entries are skipped.
  struct Scan {
    FSSpec folder;
    std::vector<std::string> names;
    std::size_t index = 0;
    OSType type = 0;
    bool folders = false;
  };
  // Starts a scan of `folder` and answers the first match's type (0: none).
  static OSType FindFSSpec(const FSSpec& folder, OSType type, bool folders, Scan& scan, FSSpec& found);
  static OSType NextFSSpec(Scan& scan, FSSpec& found);
};
