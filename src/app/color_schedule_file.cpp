#include "app/color_schedule_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/prefs_file.h"
#include "platform/bytefields.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "platform/textconv.h"

namespace {

// Names of the files (string list 202).
constexpr short kFileNames = 202;
constexpr short kNameOldSchedule = 3;
constexpr short kNameSchedule = 5;

// Far more than any schedule the dialogs can make; a bigger file is no
// schedule.
constexpr std::size_t kFileMax = 16u << 20;

// The fixed part's reserved bytes, from here to its end.
constexpr std::size_t kReservedFrom = 16;

// The smallest entry: the fixed part and two empty texts.
constexpr std::size_t kEntryMin = kKxScheduleFixedSize + 2;

const KxScheduleContainer kNoContainer;
const KxScheduleContainer* gContainer = &kNoContainer;

KxBlock& Store() {
  static KxBlock store;
  return store;
}

std::string FileName(short index) {
  Str255 name;
  GetIndString(name, kFileNames, index);
  return std::string(reinterpret_cast<const char*>(name + 1), name[0]);
}

// The length of the whole entry at d (0 when it is not whole).
std::size_t EntryLength(const std::uint8_t* d, std::size_t left) {
  if (left < kEntryMin) return 0;
  const std::size_t title = d[kKxScheduleFixedSize];
  if (title > kKxScheduleTextMax || left - kEntryMin < title) return 0;
  const std::size_t message = d[kKxScheduleFixedSize + 1 + title];
  if (message > kKxScheduleTextMax || left - kEntryMin - title < message) return 0;
  return kEntryMin + title + message;
}

bool Exists(const std::string& path, int& err) {
  std::error_code ec;
  const bool there = std::filesystem::exists(std::filesystem::symlink_status(path, ec));
  err = ec && ec != std::errc::no_such_file_or_directory ? ec.value() : 0;
  return there;
}

int Remove(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  return ec ? ec.value() : 0;
}

}  // namespace

// ---- entries ---------------------------------------------------------------------------------

std::size_t KxScheduleWholeLength(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  while (at < size) {
    const std::size_t n = EntryLength(data + at, size - at);
    if (n == 0) break;
    at += n;
  }
  return at;
}

std::vector<KxScheduleEntry> KxParseSchedule(const std::uint8_t* data, std::size_t size) {
  std::vector<KxScheduleEntry> out;
  const std::size_t whole = KxScheduleWholeLength(data, size);
  for (std::size_t at = 0; at < whole;) {
    const std::uint8_t* d = data + at;
    KxScheduleEntry e;
    e.dayRule = d[0];
    e.timed = d[1];
    e.dayValue = std::int16_t(KxGetU16BE(d + 2));
    e.start = std::int16_t(KxGetU16BE(d + 4));
    e.end = std::int16_t(KxGetU16BE(d + 6));
    e.repetition = d[8];
    e.variation = d[9];
    for (int k = 0; k < 3; ++k) e.paper[k] = KxGetU16BE(d + 10 + 2 * k);
    const std::size_t title = d[kKxScheduleFixedSize];
    e.title.assign(reinterpret_cast<const char*>(d + kKxScheduleFixedSize + 1), title);
    const std::uint8_t* m = d + kKxScheduleFixedSize + 1 + title;
    e.message.assign(reinterpret_cast<const char*>(m + 1), m[0]);
    out.push_back(std::move(e));
    at += kEntryMin + title + m[0];
  }
  return out;
}

KxBlock KxPackSchedule(const std::vector<KxScheduleEntry>& entries) {
  KxBlock out;
  for (const KxScheduleEntry& e : entries) {
    std::uint8_t fixed[kKxScheduleFixedSize] = {};
    fixed[0] = e.dayRule;
    fixed[1] = e.timed;
    KxPutU16BE(fixed + 2, std::uint16_t(e.dayValue));
    KxPutU16BE(fixed + 4, std::uint16_t(e.start));
    KxPutU16BE(fixed + 6, std::uint16_t(e.end));
    fixed[8] = e.repetition;
    fixed[9] = e.variation;
    for (int k = 0; k < 3; ++k) KxPutU16BE(fixed + 10 + 2 * k, e.paper[k]);
    out.insert(out.end(), fixed, fixed + sizeof fixed);
    for (const std::string* s : {&e.title, &e.message}) {
      const std::size_t n = std::min(s->size(), kKxScheduleTextMax);
      out.push_back(std::uint8_t(n));
      out.insert(out.end(), s->begin(), s->begin() + std::ptrdiff_t(n));
    }
  }
  return out;
}

// ---- the container ------------------------------------------------------------------------

bool KxScheduleContainer::Unpack(const KxBlock&, KxBlock&) const { return false; }
bool KxScheduleContainer::Pack(const KxBlock&, const std::string&, KxBlock&) const { return false; }

void KxSetScheduleContainer(const KxScheduleContainer* container) { gContainer = container ? container : &kNoContainer; }
const KxScheduleContainer& KxTheScheduleContainer() { return *gContainer; }

// ---- the store and the files -------------------------------------------------------------

const KxBlock& KxColorScheduleData() { return Store(); }

void KxSetColorScheduleData(const std::uint8_t* data, std::size_t size) {
  const std::size_t whole = data ? KxScheduleWholeLength(data, size) : 0;
  KxBlock& store = Store();
  store.assign(data, data + whole);
  // The fixed part ends in 8 reserved bytes that no field reads and the
  // packer writes as zeros: kept as zeros, so that what is read and what is
  // written again agree.
  for (std::size_t at = 0; at < whole; at += EntryLength(store.data() + at, whole - at))
    std::fill(store.begin() + std::ptrdiff_t(at + kReservedFrom), store.begin() + std::ptrdiff_t(at + kKxScheduleFixedSize), 0);
}

std::string KxColorSchedulePath() { return KxPreferenceFolder() + "/" + FileName(kNameSchedule); }
std::string KxOldColorSchedulePath() { return KxPreferenceFolder() + "/" + FileName(kNameOldSchedule); }
std::string KxColorScheduleLabel() { return FileName(kNameOldSchedule); }

int KxReadColorSchedule(const std::string& path, const std::string& oldPath, std::string* failedPath) {
  KxSetColorScheduleData(nullptr, 0);
  const auto failed = [failedPath](const std::string& p, int e) {
    if (failedPath) *failedPath = p;
    return e;
  };
  KxBlock file;
  int err = KxReadFile(path, file, kFileMax);
  if (err == 0) {
    KxBlock schedule;
    if (!KxTheScheduleContainer().Unpack(file, schedule)) return failed(path, EILSEQ);
    KxSetColorScheduleData(schedule.data(), schedule.size());
    return 0;
  }
  if (err != ENOENT) return failed(path, err);
  err = KxReadFile(oldPath, file, kFileMax);
  if (err == ENOENT) return 0;
  if (err) return failed(oldPath, err);
  KxSetColorScheduleData(file.data(), file.size());
  return 0;
}

int KxWriteColorSchedule(const std::string& path, const std::string& oldPath) {
  const KxBlock& schedule = KxColorScheduleData();
  int err = 0;
  if (schedule.empty()) {
    // Both go, or the older file would bring the entries back next time.
    if (Exists(path, err))
      if (int e = Remove(path)) return e;
    if (err) return err;
  } else {
    KxBlock file;
    if (!KxTheScheduleContainer().Pack(schedule, KxColorScheduleLabel(), file)) return ENOTSUP;
    const std::string folder = std::filesystem::path(path).parent_path().string();
    std::error_code ec;
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    if (ec) return ec.value();
    if (int e = KxWriteFileSafely(path, file.data(), file.size())) return e;
  }
  if (Exists(oldPath, err)) return Remove(oldPath);
  return err;
}

std::string KxDumpColorSchedule() {
  std::string out;
  const KxBlock& s = KxColorScheduleData();
  int n = 0;
  for (const KxScheduleEntry& e : KxParseSchedule(s.data(), s.size())) {
    // The entry's texts are the script's; the dump is UTF-8.
    const std::string title = KxScriptTextToUTF8(e.title), message = KxScriptTextToUTF8(e.message);
    char line[1024];
    std::snprintf(line, sizeof line,
                  "UCST[%d] = rule %u timed %u day %d start %04d end %04d repeat %u variation %u paper %04X %04X %04X "
                  "title \"%s\" message \"%s\"\n",
                  ++n, e.dayRule, e.timed, e.dayValue, e.start, e.end, e.repetition, e.variation, e.paper[0], e.paper[1],
                  e.paper[2], title.c_str(), message.c_str());
    out += line;
  }
  return out;
}
