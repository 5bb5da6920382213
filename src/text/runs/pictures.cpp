#include "text/runs/pictures.h"

#include <algorithm>

#include "platform/bytefields.h"
#include "text/base/memory.h"

CKXPictArray* gKXPictManager = nullptr;

namespace {

short ClampExtent(long v) { return static_cast<short>(std::clamp(v, 0L, 32767L)); }

}  // namespace

bool KxReadPictFrame(PicHandle pict, Rect& frame) {
  frame = Rect{0, 0, 0, 0};
  // Header: 16-bit picture size, then top, left, bottom, right.
  if (!pict || KxMemHSize(pict) < 10) return false;
  CKXLock lock(pict);
  const auto* p = reinterpret_cast<const unsigned char*>(lock.Ptr());
  frame.top = static_cast<std::int16_t>(KxGetU16BE(p + 2));
  frame.left = static_cast<std::int16_t>(KxGetU16BE(p + 4));
  frame.bottom = static_cast<std::int16_t>(KxGetU16BE(p + 6));
  frame.right = static_cast<std::int16_t>(KxGetU16BE(p + 8));
  return true;
}

CKXPictArray::CKXPictArray() : CKXPosArray(sizeof(SKXPict)) {}

CKXPictArray::~CKXPictArray() { CKXPictArray::DeleteAll(); }

void CKXPictArray::GetPictAt(long index, SKXPict& pict) const {
  if (!FetchItemAt(index, &pict)) pict = SKXPict{0, 0, nullptr};
}

void CKXPictArray::SetPictAt(long index, const SKXPict& pict) { SetAt(index, &pict); }

void CKXPictArray::InsertPictAt(long index, const SKXPict& pict) { InsertAt(index, &pict); }

long CKXPictArray::FindEmptyID() const {
  // IDs are unique and sorted, so entry k holds an ID of at least k; the
  // first gap is found by bisection.
  long lo = 1, hi = mCount + 1;
  while (lo < hi) {
    long mid = lo + (hi - lo) / 2;
    if (IDAt(mid) == mid)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo > kMaxPictureID ? 0 : lo;
}

short CKXPictArray::SetPicture(PicHandle pict) {
  if (!pict) return 0;
  long id = mLastID + 1;
  // Past the top, or already taken after an earlier wrap: the lowest free ID.
  if (id > kMaxPictureID || FindPictureIndex(static_cast<short>(id)) != 0) id = FindEmptyID();
  if (id == 0) return 0;
  long i = GetArrayIndex(id);
  long at = i < 1 ? 1 : (IDAt(i) < id ? i + 1 : i);
  SKXPict entry{static_cast<std::int32_t>(id), 0, pict};
  InsertAt(at, &entry);
  mLastID = id;
  return static_cast<short>(id);
}

PicHandle CKXPictArray::GetPicture(short id, short* width, short* height) const {
  if (width) *width = 0;
  if (height) *height = 0;
  long i = FindPictureIndex(id);
  if (i == 0) return nullptr;
  SKXPict entry;
  GetPictAt(i, entry);
  if (width || height) {
    Rect frame;
    if (KxReadPictFrame(entry.pict, frame)) {
      if (width) *width = ClampExtent(long(frame.right) - frame.left);
      if (height) *height = ClampExtent(long(frame.bottom) - frame.top);
    }
  }
  return entry.pict;
}

short CKXPictArray::DuplicatePicture(short id) {
  long i = FindPictureIndex(id);
  if (i == 0) return 0;
  SKXPict entry;
  GetPictAt(i, entry);
  long size = KxMemHSize(entry.pict);
  PicHandle copy = KxMemHAlloc(size, true);
  {
    CKXLock from(entry.pict);
    CKXLock to(copy);
    KxMemMove(from.Ptr(), to.Ptr(), size);
  }
  short newID = SetPicture(copy);
  if (newID == 0) KxMemHFree(copy);
  return newID;
}

void CKXPictArray::DeletePicture(short id) {
  long i = FindPictureIndex(id);
  if (i != 0) DeleteAt(i, 1);
}

long CKXPictArray::FindPictureIndex(short id) const {
  if (id < 1 || mCount == 0) return 0;
  long i = GetArrayIndex(id);
  return IDAt(i) == id ? i : 0;
}

void CKXPictArray::FreeElementsAt(long index, long n) {
  for (long k = index; k < index + n; ++k) {
    SKXPict entry;
    GetPictAt(k, entry);
    KxMemHFree(entry.pict);
  }
}

void CKXPictArray::DeleteAll() {
  mLastID = 0;
  if (mCount > 0) DeleteAt(1, mCount);
}
