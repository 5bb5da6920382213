#include "document/color_schedule_container.h"

#include "document/resource.h"
#include "text/base/memory.h"

// The entries are kept big-endian inside the container whatever order the
// container itself was written in, so the blob is never converted here.
bool KxResScheduleContainer::Unpack(const KxBlock& file, KxBlock& schedule) const {
  schedule.clear();
  CKXMemResource container(file);
  container.OpenResInfo();
  if (!container.IsOpen()) return false;
  if (!container.IsResExist(kKxScheduleResType, kKxScheduleResID)) return true;
  Handle h = container.ReadResource(kKxScheduleResType, kKxScheduleResID);
  if (!h) return container.GetResSize(kKxScheduleResType, kKxScheduleResID) == 0;
  const long size = KxMemHSize(h);
  if (size > 0) schedule.assign(*h, *h + size);
  KxMemHFree(h);
  return true;
}

bool KxResScheduleContainer::Pack(const KxBlock& schedule, const std::string& label, KxBlock& file) const {
  CKXMemResource container;
  std::string text = label;
  KxBlock data = schedule;
  if (!container.WriteResource(text.data(), long(text.size()), kKxScheduleLabelType, kKxScheduleResID)) return false;
  if (!container.WriteResource(data.data(), long(data.size()), kKxScheduleResType, kKxScheduleResID)) return false;
  if (!container.CloseResInfo()) return false;
  file = container.Bytes();
  return true;
}

namespace {
const KxResScheduleContainer kContainer;
}

void KxInstallScheduleContainer() { KxSetScheduleContainer(&kContainer); }
void KxRemoveScheduleContainer() { KxSetScheduleContainer(nullptr); }
