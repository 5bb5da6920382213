// The colour schedule's own file. Beside the preference file the schedule
// lives in a file of its own: a resource container holding "TEXT" 1 (a
// label) and "UCST" 1 (the packed schedule entries). An older form of the
// file holds the bare entries; it is read only when the container file is
// missing and is removed once the container has been written.
//
// The container format belongs to the document area, above this one, so
// the container is reached through KxScheduleContainer, which the document
// area installs at start-up; without it nothing can be read or written.
//
// The entries are kept in their stored form: each a 24-byte fixed part
// (16-bit fields big-endian) followed by a length-prefixed title and a
// length-prefixed message. Only whole entries are ever kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/fspec.h"
#include "platform/types.h"

constexpr std::size_t kKxScheduleFixedSize = 24;
constexpr std::size_t kKxScheduleTextMax = 127;   // longest title or message the store holds
constexpr OSType kKxScheduleResType = FourCC("UCST");
constexpr OSType kKxScheduleLabelType = FourCC("TEXT");
constexpr short kKxScheduleResID = 1;

struct KxScheduleEntry {
  std::uint8_t dayRule = 0;     // 0 every day, 1 a week day, 2 a calendar date
  std::uint8_t timed = 0;       // 1: only between start and end
  std::int16_t dayValue = 0;    // week day, or month x 100 + day
  std::int16_t start = 0;       // hhmm
  std::int16_t end = 0;         // hhmm
  std::uint8_t repetition = 0;  // 0 always, 1 once, 2 done
  std::uint8_t variation = 0;
  std::uint16_t paper[3] = {0, 0, 0};
  std::string title;
  std::string message;
};

// The length of the leading whole entries of a stored blob: an entry whose
// fixed part, title or message runs past the end, or whose title or message
// is longer than the store holds, ends the walk.
std::size_t KxScheduleWholeLength(const std::uint8_t* data, std::size_t size);
// The whole entries of a stored blob, in order.
std::vector<KxScheduleEntry> KxParseSchedule(const std::uint8_t* data, std::size_t size);
// The stored form of entries (titles and messages cut at the store's limit).
KxBlock KxPackSchedule(const std::vector<KxScheduleEntry>& entries);

// Puts the schedule into container bytes and takes it out again. The
// default does nothing and answers false.
class KxScheduleContainer {
 public:
  virtual ~KxScheduleContainer() = default;
  // The "UCST" 1 blob of a container; false when the bytes are no container
  // or hold no schedule.
  virtual bool Unpack(const KxBlock& file, KxBlock& schedule) const;
  // A container holding the label as "TEXT" 1 and the schedule as "UCST" 1.
  virtual bool Pack(const KxBlock& schedule, const std::string& label, KxBlock& file) const;
};
// Null puts back the do-nothing container.
void KxSetScheduleContainer(const KxScheduleContainer* container);
const KxScheduleContainer& KxTheScheduleContainer();

// The schedule now (stored form, whole entries only); the store's owner
// takes and gives it through these.
const KxBlock& KxColorScheduleData();
void KxSetColorScheduleData(const std::uint8_t* data, std::size_t size);

// The files in the preference folder.
std::string KxColorSchedulePath();
std::string KxOldColorSchedulePath();
// The label written as "TEXT" 1.
std::string KxColorScheduleLabel();

// Reads the schedule: the container file, else (when it is missing) the
// older file's bare entries. Both missing: an empty schedule and 0. A file
// that cannot be read or is no schedule container leaves the schedule empty
// and answers an errno value (EILSEQ for bytes that are no container);
// `failedPath` then gets the path of the file that failed.
int KxReadColorSchedule(const std::string& path, const std::string& oldPath, std::string* failedPath = nullptr);
// Writes the schedule: with entries, the container file through the safe
// writer, then the older file is removed; without, both files are removed.
// Answers 0 or an errno value; on failure the files on disk are untouched.
int KxWriteColorSchedule(const std::string& path, const std::string& oldPath);

// Every entry by field name, one per line.
std::string KxDumpColorSchedule();
