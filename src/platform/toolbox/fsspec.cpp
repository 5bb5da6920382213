#include "platform/toolbox/fsspec.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include "platform/files.h"

std::string FSSpec::Path() const {
  if (name.empty()) return folder;
  return folder == "/" ? "/" + name : folder + "/" + name;
}

OSType UFSSpec::GetMacOSXFileType(ConstStringPtr name) {
  return name ? GetMacOSXFileType(std::string(reinterpret_cast<const char*>(name + 1), name[0])) : 0;
}

OSType UFSSpec::GetMacOSXFileType(const std::string& name) {
  constexpr std::size_t kMinName = 5;
  if (name.size() < kMinName) return 0;
  std::string end = name.substr(name.size() - 4);
  for (char& c : end) c = char(std::tolower(static_cast<unsigned char>(c)));
  const bool dotBefore = name[name.size() - 5] == '.';
  if (end == ".txt" || end == ".rtf" || end == ".htm" || (dotBefore && (end == "text" || end == "html")))
    return FourCC("TEXT");
  if (end == ".pic" || end == ".pct" || (dotBefore && end == "pict")) return FourCC("PICT");
  if (end == ".jpg" || end == ".jpe" || (dotBefore && end == "jpeg")) return FourCC("JPEG");
  return 0;
}

bool UFSSpec::IsUnicodeFileName(ConstStringPtr name) {
  if (!name) return false;
  return std::memchr(name + 1, '#', name[0]) || std::memchr(name + 1, '?', name[0]);
}

FSSpec UFSSpec::MakeFSSpec(const std::string& path) {
  std::string p = path;
  if (p.empty() || p[0] != '/') {
    std::unique_ptr<char, decltype(&free)> cwd(getcwd(nullptr, 0), &free);
    p = std::string(cwd ? cwd.get() : "/") + "/" + p;
  }
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (p == "/") return FSSpec{"/", ""};
  const std::size_t slash = p.rfind('/');
  return FSSpec{slash == 0 ? "/" : p.substr(0, slash), p.substr(slash + 1)};
}

bool UFSSpec::IsDirectory(const FSSpec& fileRef) {
  struct stat st;
  return stat(fileRef.Path().c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool UFSSpec::GetParentFSSpec(const FSSpec& fileRef, FSSpec& parent) {
  if (fileRef.name.empty()) {
    if (fileRef.folder == "/") return false;
    parent = MakeFSSpec(fileRef.folder);
    parent = MakeFSSpec(parent.folder);
    return true;
  }
  parent = MakeFSSpec(fileRef.folder);
  return true;
}

OSType UFSSpec::FindFSSpec(const FSSpec& folder, OSType type, bool folders, Scan& scan, FSSpec& found) {
  scan = Scan{};
  scan.folder = MakeFSSpec(folder.Path());
  scan.type = type;
  scan.folders = folders;
  if (DIR* dir = opendir(scan.folder.Path().c_str())) {
    while (const dirent* e = readdir(dir))
      if (e->d_name[0] != '.') scan.names.emplace_back(e->d_name);   // hidden entries and sidecars
    closedir(dir);
  }
  std::sort(scan.names.begin(), scan.names.end());
  return NextFSSpec(scan, found);
}

OSType UFSSpec::NextFSSpec(Scan& scan, FSSpec& found) {
  const std::string base = scan.folder.Path();
  while (scan.index < scan.names.size()) {
    FSSpec fileRef{base, scan.names[scan.index++]};
    const std::string path = fileRef.Path();
    struct stat st;
    if (stat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      if (!scan.folders) continue;
      found = fileRef;
      return kKxFolderType;
    }
    if (!S_ISREG(st.st_mode)) continue;
    OSType fileType = 0, creator = 0;
    KxGetFileTypeCreator(path, fileType, creator);
    if (fileType == 0) fileType = GetMacOSXFileType(fileRef.name);
    if (fileType == 0) continue;
    const bool match = scan.type == kKxAnyType || fileType == scan.type ||
                       (scan.type == FourCC("TEXT") && fileType == FourCC("ttro"));
    if (!match) continue;
    found = fileRef;
    return fileType;
  }
  return 0;
}
