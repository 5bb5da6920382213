// A pop-up of the program's colour table (item = colour index + 1) that
// shows a swatch of the chosen colour beside its name.
#pragma once

#include "platform/framework/control.h"
#include "platform/types.h"

class KXColourPopup : public LStdPopupMenu {
 public:
  static constexpr OSType kClassID = FourCC("kxcp");
  explicit KXColourPopup(const KxLayoutPaneRecord& record) : LStdPopupMenu(record) {}
  void DrawSelf() override;
};
