#include "platform/longrect.h"

void KxSetRect(Rect& out, const RectL& r) {
  out.top = KxPinShort(r.top);
  out.left = KxPinShort(r.left);
  out.bottom = KxPinShort(r.bottom);
  out.right = KxPinShort(r.right);
}

void KxSetPoint(Point& out, const PointL& p) {
  out.v = KxPinShort(p.v);
  out.h = KxPinShort(p.h);
}
