// kxprefs: reads a preference file the way the program does at start-up and
// shows or writes what it holds.
//
//   kxprefs [--factory FILE] [--dump] [--write OUT] [FILE]
//
// Without FILE the settings are the program's defaults. --factory merges a
// factory-settings file; --dump prints every record field and chunk by
// name; --write writes the whole preference stream to OUT (through the safe
// writer). A file whose chunk walk stopped early is read as far as it goes
// and noted on stderr. Exit status: 0 done, 1 a file could not be read or
// written, 2 bad usage.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/prefs_file.h"
#include "document/facilities.h"
#include "driver.h"
#include "platform/files.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: kxprefs [--factory FILE] [--dump] [--write OUT] [FILE]\n");
  return 2;
}

int Run(int argc, char** argv) {
  std::string factory, out, in;
  bool dump = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--factory" && i + 1 < argc) factory = argv[++i];
    else if (a == "--write" && i + 1 < argc) out = argv[++i];
    else if (a == "--dump") dump = true;
    else if (a.rfind("--", 0) == 0 || !in.empty()) return Usage();
    else in = a;
  }
  bool userRead = false;
  if (!in.empty()) {
    std::vector<std::uint8_t> stream;
    if (int err = KxReadFile(in, stream)) {
      std::fprintf(stderr, "kxprefs: %s: %s\n", in.c_str(), KxErrorText(err).c_str());
      return 1;
    }
    bool complete = true;
    KxParsePrefChunks(stream.data(), stream.size(), &complete);
    if (!complete) std::fprintf(stderr, "kxprefs: %s: the last chunk does not fit; read up to it\n", in.c_str());
    KxApplyPreferenceStream(stream.data(), stream.size());
    userRead = true;
  }
  if (!factory.empty()) {
    std::vector<std::uint8_t> stream;
    if (int err = KxReadFile(factory, stream)) {
      std::fprintf(stderr, "kxprefs: %s: %s\n", factory.c_str(), KxErrorText(err).c_str());
      return 1;
    }
    KxApplyFactoryStream(stream.data(), stream.size(), userRead);
  }
  if (dump) std::fputs(KxDumpPreferences().c_str(), stdout);
  if (!out.empty()) {
    if (int err = KxWritePreference(out, true)) {
      std::fprintf(stderr, "kxprefs: %s: %s\n", out.c_str(), KxErrorText(err).c_str());
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return KxDriverMain("kxprefs", KxDocumentFacilities, [&] { return Run(argc, argv); });
}
