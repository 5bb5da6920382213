// kxprefs: reads a preference file the way the program does at start-up and
// shows or writes what it holds.
//
//   kxprefs [--factory FILE] [--schedule FILE] [--dump] [--write OUT]
//           [--write-schedule OUT] [FILE]
//
// Without FILE the settings are the program's defaults. --factory merges a
// factory-settings file; --schedule reads a colour-schedule file (the
// container, or the older bare form); --dump prints every record field,
// chunk and schedule entry by name; --write writes the whole preference
// stream to OUT and --write-schedule the schedule file (both through the
// safe writer; an empty schedule removes OUT). A file whose chunk walk
// stopped early is read as far as it goes and noted on stderr. Exit status: 0 done, 1 a file could not be read or
// written, 2 bad usage.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/color_schedule_file.h"
#include "app/globals.h"
#include "app/prefs_file.h"
#include "document/facilities.h"
#include "driver.h"
#include "platform/files.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: kxprefs [--factory FILE] [--schedule FILE] [--dump] [--write OUT] [--write-schedule OUT] [FILE]\n");
  return 2;
}

int Run(int argc, char** argv) {
  std::string factory, out, in, schedule, scheduleOut;
  bool dump = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--factory" && i + 1 < argc) factory = argv[++i];
    else if (a == "--write" && i + 1 < argc) out = argv[++i];
    else if (a == "--schedule" && i + 1 < argc) schedule = argv[++i];
    else if (a == "--write-schedule" && i + 1 < argc) scheduleOut = argv[++i];
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
    if (!complete) std::fprintf(stderr, "kxprefs: %s: the last chunk is cut short; read up to the end of the file\n", in.c_str());
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
  if (!schedule.empty()) {
    // The named file is read as the schedule file; its older form is
    // recognised by not being a container.
    std::vector<std::uint8_t> bytes;
    int err = KxReadFile(schedule, bytes);
    if (err == 0) {
      err = KxReadColorSchedule(schedule, "");
      if (err == EILSEQ) err = KxReadColorSchedule("", schedule);
    }
    if (err) {
      std::fprintf(stderr, "kxprefs: %s: %s\n", schedule.c_str(), KxErrorText(err).c_str());
      return 1;
    }
  }
  if (dump) {
    std::fputs(KxDumpPreferences().c_str(), stdout);
    std::fputs(KxDumpColorSchedule().c_str(), stdout);
  }
  if (!out.empty()) {
    if (int err = KxWritePreference(out, true)) {
      std::fprintf(stderr, "kxprefs: %s: %s\n", out.c_str(), KxErrorText(err).c_str());
      return 1;
    }
  }
  if (!scheduleOut.empty()) {
    if (int err = KxWriteColorSchedule(scheduleOut, "")) {
      std::fprintf(stderr, "kxprefs: %s: %s\n", scheduleOut.c_str(), KxErrorText(err).c_str());
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return KxDriverMain("kxprefs", KxDocumentFacilities, [&] { return Run(argc, argv); });
}
