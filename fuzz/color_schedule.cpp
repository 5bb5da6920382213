// Colour-schedule files: the container that holds the schedule and the
// entry walk over the schedule's bytes (the older file form is the bare
// entries).
//
// Input: a schedule file as it lies on disk, read both as the container and
// as the bare entries. Properties: only whole entries are kept; packing
// what was parsed gives back exactly the bytes kept; a container made from
// the kept entries gives them back.
#include <cstdint>
#include <cstdlib>

#include "app/color_schedule_file.h"
#include "document/facilities.h"
#include "platform/core.h"

namespace {

void Check(const std::uint8_t* data, std::size_t size) {
  KxSetColorScheduleData(data, size);
  const KxBlock kept = KxColorScheduleData();
  if (kept.size() > size || kept.size() != KxScheduleWholeLength(data, size)) std::abort();
  if (KxPackSchedule(KxParseSchedule(kept.data(), kept.size())) != kept) std::abort();
  (void)KxDumpColorSchedule();
  if (kept.empty()) return;
  KxBlock file, back;
  if (!KxTheScheduleContainer().Pack(kept, KxColorScheduleLabel(), file)) std::abort();
  if (!KxTheScheduleContainer().Unpack(file, back) || back != kept) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (KxDocumentFacilities(), CoreInit(), true);
  (void)started;
  const KxBlock file(data, data + size);
  KxBlock schedule;
  if (KxTheScheduleContainer().Unpack(file, schedule)) Check(schedule.data(), schedule.size());
  Check(data, size);
  return 0;
}
