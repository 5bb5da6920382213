#include <cstring>

#include "formats/jpeg.h"
#include "platform/bytefields.h"

CKXJpegDataStream::CKXJpegDataStream(const unsigned char* data, long length)
    : mStart(data), mPtr(data), mEnd(data + (length > 0 ? length : 0)) {}

void CKXJpegDataStream::FillBits() {
  while (mBitCount <= 56) {
    if (mPtr >= mEnd) return;
    unsigned b = *mPtr;
    if (b == 0xFF) {
      // A 0xFF at the very end cannot be data: its stuffing byte is missing.
      if (mEnd - mPtr < 2) return;
      if (mPtr[1] != 0) {
        mMarkerAhead = true;
        return;
      }
      mPtr += 2;
    } else {
      ++mPtr;
    }
    mBits |= std::uint64_t(b) << (56 - mBitCount);
    mBitCount += 8;
  }
}

// Leaves the bit buffer: the partly read byte is finished and the whole bytes
// still buffered are given back (a buffered 0xFF came from two bytes, 0xFF
// 0x00, since filling stops in front of every other 0xFF).
void CKXJpegDataStream::AlignToByte() {
  int whole = mBitCount / 8;
  std::uint64_t bits = mBits << (mBitCount % 8);
  for (int i = whole - 1; i >= 0; --i) {
    unsigned b = unsigned(bits >> (56 - 8 * i)) & 0xFF;
    mPtr -= b == 0xFF ? 2 : 1;
  }
  mBits = 0;
  mBitCount = 0;
  mMarkerAhead = false;
}

int CKXJpegDataStream::GetByte() {
  if (mBitCount || mMarkerAhead) AlignToByte();
  if (mPtr >= mEnd) throw EKXJpegBufferError(std::int32_t(Position()), 22);
  return *mPtr++;
}

int CKXJpegDataStream::GetWord() {
  if (mBitCount || mMarkerAhead) AlignToByte();
  if (mEnd - mPtr < 2) throw EKXJpegBufferError(std::int32_t(Position()), 23);
  int w = KxGetU16BE(mPtr);
  mPtr += 2;
  return w;
}

void CKXJpegDataStream::SkipByte(long count) {
  if (mBitCount || mMarkerAhead) AlignToByte();
  if (count < 0 || mEnd - mPtr < count) throw EKXJpegBufferError(std::int32_t(Position()), 25);
  mPtr += count;
}

void CKXJpegDataStream::CopyByte(char* dest, long count) {
  if (mBitCount || mMarkerAhead) AlignToByte();
  if (count < 0 || mEnd - mPtr < count) throw EKXJpegBufferError(std::int32_t(Position()), 24);
  if (count > 0) std::memcpy(dest, mPtr, std::size_t(count));
  mPtr += count;
}

long CKXJpegDataStream::GetBits(int n) {
  if (n <= 0) return 0;
  if (mBitCount < n) FillBits();
  if (mBitCount < n) {
    if (mMarkerAhead) return -long(mPtr[1]);
    throw EKXJpegBufferError(std::int32_t(Position()), 22);
  }
  long value = long(mBits >> (64 - n));
  mBits <<= n;
  mBitCount -= n;
  return value;
}

int CKXJpegDataStream::GetMarker() {
  if (mBitCount || mMarkerAhead) AlignToByte();
  for (;;) {
    if (mPtr >= mEnd) throw EKXJpegBufferError(std::int32_t(Position()), 22);
    if (*mPtr++ != 0xFF) continue;
    // Fill bytes: a run of 0xFF stands for one.
    while (mPtr < mEnd && *mPtr == 0xFF) ++mPtr;
    if (mPtr >= mEnd) throw EKXJpegBufferError(std::int32_t(Position()), 22);
    int m = *mPtr++;
    if (m == 0) continue;
    return m >= 3 && m <= 191 ? 255 : m;
  }
}
