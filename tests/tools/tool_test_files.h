// What the tool tests share: scratch folders, files as bytes, and a stream
// editor run that keeps its notes instead of showing them.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "tools/sed_text.h"

namespace tooltest {

// An empty folder of this process under the temporary folder.
inline std::string TempDir(const std::string& name) {
  const std::string dir =
      (std::filesystem::temp_directory_path() / (name + "_" + std::to_string(getpid()))).string();
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// "<none>" when the file cannot be read.
inline std::string ReadBytes(const std::string& path) {
  std::vector<std::uint8_t> raw;
  if (KxReadFile(path, raw) != 0) return "<none>";
  return std::string(raw.begin(), raw.end());
}

class QuietRunSED : public CKXTextRunSED {
 public:
  std::vector<std::string> notes;

 protected:
  void ShowNote(const std::string& text) override { notes.push_back(text); }
};

}  // namespace tooltest
