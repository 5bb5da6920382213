#include "platform/host/headless.h"

bool KxHeadlessHost::StartDrag(KxWindowID window, const KxDragData& data) {
  if (!GetWindowClient(window) || data.CountItems() == 0) return false;
  mLastDrag = data;
  mHasDrag = true;
  return true;
}

bool KxHeadlessHost::Drop(KxWindowID window, const KxDragData& data, Point where) {
  KxWindowClient* client = GetWindowClient(window);
  return client && client->HostDrop(data, where);
}
