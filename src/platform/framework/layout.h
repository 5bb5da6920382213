// Window layouts: the panes of a window or dialog, read from the program's
// layout resources by number, the window first and each pane after the pane
// that encloses it. Panes are found by pane ID.
#pragma once

#include <cstdint>
#include <string>

#include "platform/resources.h"

class KxLayout {
 public:
  // Layout `layoutID`; Exists() is false when there is none.
  explicit KxLayout(std::int16_t layoutID);
  bool Exists() const { return mCount > 0; }
  std::int16_t GetID() const { return mID; }
  int CountPanes() const { return mCount; }
  // Panes are numbered from 0 (the window); null outside.
  const KxLayoutPaneRecord* GetPane(int index) const;
  const KxLayoutPaneRecord* GetWindow() const { return GetPane(0); }
  // The first pane with this ID; null for 0 or an unknown ID.
  const KxLayoutPaneRecord* FindPaneByID(std::int32_t paneID) const;
  // The value (Shift_JIS bytes) of a pane's attribute; false when absent.
  static bool GetAttribute(const KxLayoutPaneRecord& pane, const char* key, std::string& value);
  // The number an attribute holds, or `fallback` when it is absent or not
  // a decimal number within 32 bits.
  static std::int32_t GetNumber(const KxLayoutPaneRecord& pane, const char* key, std::int32_t fallback);

 private:
  std::int16_t mID;
  const KxLayoutPaneRecord* mPanes = nullptr;
  int mCount = 0;
};
