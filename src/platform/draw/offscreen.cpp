#include "platform/draw/offscreen.h"

#include "platform/exception.h"

KxOffscreen::KxOffscreen(const RectL& local) : mParent(KxGetPort()), mRect(local) {
  if (!mParent) throw LException(paramErr);
  const std::int64_t w = std::int64_t(local.right) - local.left, h = std::int64_t(local.bottom) - local.top;
  if (w < 1 || h < 1 || w > INT32_MAX || h > INT32_MAX) throw LException(paramErr);
  mPort = KxPort::NewImage(std::int32_t(w), std::int32_t(h));
  KxPort& p = *mPort;
  p.mOrigin = {local.top, local.left};
  p.mPen = mParent->mPen;
  p.mPenHidden = mParent->mPenHidden;
  p.mFore = mParent->mFore;
  p.mBack = mParent->mBack;
  p.mHilite = mParent->mHilite;
  p.mText = mParent->mText;
  if (mParent->IsRaster()) {
    SetPort(mPort.get());
    KxCopyPortBits(mParent, local, {local.top, local.left});
  }
  SetPort(mPort.get());
}

KxOffscreen::~KxOffscreen() {
  SetPort(mParent);
  try {
    KxCopyPortBits(mPort.get(), mRect, {mRect.top, mRect.left});
  } catch (const LException&) {
    // Out of memory while cutting the clip: the drawing is lost, the port
    // stays as it was.
  }
  // Text settings changed while offscreen stay with the offscreen.
}
