// Offscreen drawing: a raster port the size of a rectangle of the current
// port, with the same local coordinates, colours, pen and text, and the
// current port's pixels under it to begin with. While it lives it is the
// current port; when it ends its pixels go back into the port it came from
// (through that port's clip) and that port is current again.
#pragma once

#include <memory>

#include "platform/draw/port.h"

class KxOffscreen {
 public:
  // Throws LException (memFullErr, paramErr for an empty or too large
  // rectangle) with nothing changed. Needs a current port.
  explicit KxOffscreen(const RectL& local);
  ~KxOffscreen();
  KxOffscreen(const KxOffscreen&) = delete;
  KxOffscreen& operator=(const KxOffscreen&) = delete;

  GrafPtr Port() const { return mPort.get(); }

 private:
  GrafPtr mParent;
  RectL mRect;
  std::unique_ptr<KxPort> mPort;
};
