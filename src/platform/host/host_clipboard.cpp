#include "platform/host/host.h"

void KxHost::GetClipboardSnapshot(KxClipboardStore& out) const {
  out.Clear();
  std::vector<std::uint8_t> bytes;
  for (OSType type : ClipboardTypes())
    if (GetClipboard(type, bytes)) out.Put(type, bytes.data(), bytes.size());
}

bool KxHost::StartDrag(KxWindowID /*window*/, const KxDragData& /*data*/) { return false; }
