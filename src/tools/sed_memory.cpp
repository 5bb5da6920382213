#include "tools/sed_memory.h"

void CSEDMemory::initialize() {
  for (Stream& s : mStreams) s = Stream{};
  mStreams[1].open = true;
  mStreams[2].open = true;
  mStreams[2].write = true;
  mOut.clear();
  CSEDHost::initialize();
}

void CSEDMemory::terminate() {
  for (long k = 3; k <= kSedMaxFiles; ++k) mStreams[k] = Stream{};
  mWCount = 1;
}

int CSEDMemory::Run(const std::string& script, const std::string& input, bool noPrint) {
  int code = 0;
  try {
    initialize();
    mStreams[1].text = input;
    SetNoPrint(noPrint);
    SetInputCount(0);
    e_compile(script.c_str());
    resolve();
    execute(nullptr);
  } catch (const SEDExit& e) {
    code = e.code;
  }
  terminate();
  return code;
}

long CSEDMemory::fopen(const char* name, const char* mode) {
  bool write = mode && mode[0] == 'w';
  std::string key = name ? name : "";
  if (!write && !mReadable.count(key)) return 0;
  for (long h = 3; h <= kSedMaxFiles; ++h) {
    Stream& s = mStreams[h];
    if (s.open) continue;
    s = Stream{};
    s.open = true;
    s.write = write;
    s.name = key;
    if (write)
      mWritten[key].clear();
    else
      s.text = mReadable[key];
    return h;
  }
  return 0;
}

long CSEDMemory::freopen(const char* name, const char* mode, long file) {
  if (file < 1 || file > kSedMaxFiles) return 0;
  mStreams[file] = Stream{};
  if (file == 1) mPushBack = -1;
  std::string key = name ? name : "";
  bool write = mode && mode[0] == 'w';
  if (!write && !mReadable.count(key)) return 0;
  Stream& s = mStreams[file];
  s.open = true;
  s.write = write;
  s.name = key;
  if (!write) s.text = mReadable[key];
  return file;
}

void CSEDMemory::fclose(long file) {
  if (file >= 3 && file <= kSedMaxFiles) mStreams[file] = Stream{};
}

int CSEDMemory::fgetc(long file) {
  if (file < 1 || file > kSedMaxFiles) return -1;
  Stream& s = mStreams[file];
  if (!s.open || s.write || s.pos >= s.text.size()) return -1;
  return static_cast<unsigned char>(s.text[s.pos++]);
}

void CSEDMemory::fputc(int c, long file) {
  if (file == 2) {
    mOut += char(c);
    return;
  }
  if (file < 3 || file > kSedMaxFiles) return;
  Stream& s = mStreams[file];
  if (s.open && s.write) mWritten[s.name] += char(c);
}
