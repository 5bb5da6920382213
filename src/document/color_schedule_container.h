// The colour schedule's file as a resource container: the document area
// installs this at start-up so that the application can read and write the
// schedule file without knowing the container's layout.
#pragma once

#include "app/color_schedule_file.h"

class KxResScheduleContainer : public KxScheduleContainer {
 public:
  // A container without a schedule resource holds an empty schedule; a
  // schedule resource that lies outside the bytes makes the file unreadable.
  bool Unpack(const KxBlock& file, KxBlock& schedule) const override;
  bool Pack(const KxBlock& schedule, const std::string& label, KxBlock& file) const override;
};

// Start-up and shut-down: install and remove the container.
void KxInstallScheduleContainer();
void KxRemoveScheduleContainer();
