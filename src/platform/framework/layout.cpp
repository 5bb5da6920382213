#include "platform/framework/layout.h"

#include <charconv>
#include <cstring>

KxLayout::KxLayout(std::int16_t layoutID) : mID(layoutID) { mPanes = KxFindLayoutPanes(layoutID, mCount); }

const KxLayoutPaneRecord* KxLayout::GetPane(int index) const {
  return (index >= 0 && index < mCount) ? &mPanes[index] : nullptr;
}

const KxLayoutPaneRecord* KxLayout::FindPaneByID(std::int32_t paneID) const {
  if (paneID == 0) return nullptr;
  for (int i = 0; i < mCount; ++i)
    if (mPanes[i].paneID == paneID) return &mPanes[i];
  return nullptr;
}

bool KxLayout::GetAttribute(const KxLayoutPaneRecord& pane, const char* key, std::string& value) {
  for (int i = 0; i < pane.attributeCount; ++i) {
    const KxPaneAttribute& a = KxPaneAttributeAt(pane.firstAttribute + i);
    if (std::strcmp(a.key, key) == 0) {
      value.assign(a.value, a.length);
      return true;
    }
  }
  return false;
}

std::int32_t KxLayout::GetNumber(const KxLayoutPaneRecord& pane, const char* key, std::int32_t fallback) {
  std::string text;
  if (!GetAttribute(pane, key, text)) return fallback;
  std::int32_t n = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  return (ec == std::errc() && end == text.data() + text.size()) ? n : fallback;
}
