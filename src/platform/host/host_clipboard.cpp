#include "platform/host/host.h"

#include <cstring>

#include "platform/textconv.h"

void KxHost::GetClipboardSnapshot(KxClipboardStore& out) const {
  out.Clear();
  std::vector<std::uint8_t> bytes;
  for (OSType type : ClipboardTypes())
    if (GetClipboard(type, bytes)) out.Put(type, bytes.data(), bytes.size());
}

bool KxHost::StartDrag(KxWindowID /*window*/, const KxDragData& /*data*/) { return false; }

bool KxClipboardScriptText(std::string& out) {
  const KxHost& host = KxCurrentHost();
  std::vector<std::uint8_t> bytes;
  if (host.GetClipboard(FourCC("TEXT"), bytes)) {
    out.assign(bytes.begin(), bytes.end());
    return true;
  }
  // Other programs' text arrives only as UTF-16.
  if (!host.GetClipboard(FourCC("utxt"), bytes)) return false;
  std::u16string units(bytes.size() / 2, u'\0');
  if (!units.empty()) std::memcpy(units.data(), bytes.data(), units.size() * sizeof(char16_t));
  out = KxUTF8ToScriptText(KxUTF16ToUTF8(units));
  return true;
}

bool KxClipboardHasText() {
  for (OSType type : KxCurrentHost().ClipboardTypes())
    if (type == FourCC("TEXT") || type == FourCC("utxt")) return true;
  return false;
}
