#include "formats/jpeg.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "formats/jpeg_idct.h"
#include "platform/bytefields.h"
#include "text/base/memory.h"

#if KX_JPEG_VECTOR && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr int kSOI = 0xD8, kEOI = 0xD9, kSOS = 0xDA, kDQT = 0xDB, kDNL = 0xDC, kDRI = 0xDD;
constexpr int kSOF0 = 0xC0, kDHT = 0xC4, kAPP0 = 0xE0, kAPP14 = 0xEE, kCOM = 0xFE;

bool IsUnsupportedFrame(int m) {
  return (m >= 0xC1 && m <= 0xCF && m != kDHT && m != 0xC8 && m != 0xCC) || m == 0xDE || m == 0xDF;
}

// The standard's sign extension of an n-bit magnitude.
inline long Extend(long v, int n) { return v < (1L << (n - 1)) ? v - (1L << n) + 1 : v; }

// Whether one of the eight bytes is 0xFF (a zero byte of the complement).
inline bool HasFFByte(std::uint64_t w) {
  const std::uint64_t v = ~w;
  return ((v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull) != 0;
}

template <typename T>
T* Allocate(long count, long code) {
  long bytes = count * long(sizeof(T));
  T* p = reinterpret_cast<T*>(KxMemAlloc(bytes, false));
  if (!p) throw EKXJpegMemoryError(std::int32_t(bytes > kKxMaxOffset ? kKxMaxOffset : bytes), std::int32_t(code));
  return p;
}

}  // namespace

CKXJpegDecoder::CKXJpegDecoder() {
  std::memset(mCoef, 0, sizeof mCoef);
  std::memset(mSamples, 0, sizeof mSamples);
  std::memset(mQuant, 0, sizeof mQuant);
}

CKXJpegDecoder::~CKXJpegDecoder() {
  KxMemFree(reinterpret_cast<char*>(mHuffman));
  KxMemFree(mComment);
  delete mStream;
  DeleteDecode();
  DeleteRGB();
}

void CKXJpegDecoder::DeleteRGB() {
  KxMemFree(reinterpret_cast<char*>(mR));
  KxMemFree(reinterpret_cast<char*>(mG));
  KxMemFree(reinterpret_cast<char*>(mB));
  mR = mG = mB = nullptr;
}

void CKXJpegDecoder::DeleteDecode() {
  KxMemFree(reinterpret_cast<char*>(mBand));
  mBand = nullptr;
  KxMemFree(reinterpret_cast<char*>(mWide));
  mWide = nullptr;
  for (auto*& w : mWork) {
    KxMemFree(reinterpret_cast<char*>(w));
    w = nullptr;
  }
}

void CKXJpegDecoder::GetPictData(unsigned char** r, unsigned char** g, unsigned char** b, long& width,
                                 long& height) const {
  *r = mR;
  *g = mG;
  *b = mB;
  width = mWidth;
  height = mHeight;
}

CKXJpegDecoder::EError CKXJpegDecoder::GetLastError(long* code) const {
  if (code) *code = mLastCode;
  return mLastError;
}

void CKXJpegDecoder::Fail(EError kind, long code) {
  mLastError = kind;
  mLastCode = code;
}

// Called inside a catch block: records the decoder's error being handled and
// answers its kind. Any other exception goes on to the caller.
CKXJpegDecoder::EError CKXJpegDecoder::RecordError() {
  try {
    throw;
  } catch (const EKXJpegMemoryError& e) {
    Fail(kMemoryError, e.mCode);
  } catch (const std::bad_alloc&) {
    Fail(kMemoryError, 0);
  } catch (const EKXJpegBufferError& e) {
    Fail(kBufferError, e.mCode);
  } catch (const EKXJpegDataFormatError& e) {
    Fail(kDataFormatError, e.mCode);
  } catch (const EKXJpegIndexError& e) {
    Fail(kIndexError, e.mCode);
  } catch (const EKXJpegNotSupported& e) {
    Fail(kNotSupported, e.mMarker);
  }
  return mLastError;
}

// ---------------------------------------------------------------- analysis

long CKXJpegDecoder::SetJpegData(char* data, long length) {
  delete mStream;
  mStream = nullptr;
  mLastError = kNoError;
  mLastCode = 0;
  try {
    mStream = new CKXJpegDataStream(reinterpret_cast<const unsigned char*>(data), data ? length : 0);
    if (!mHuffman) mHuffman = Allocate<SKXJpegHuffman>(8, 5);
    ResetAnalysis();
    DoAnalysis();
    return 0;
  } catch (...) {
    return RecordError() == kMemoryError ? -1 : -2;
  }
}

// Nothing of an earlier picture carries over to the next one.
void CKXJpegDecoder::ResetAnalysis() {
  mFlags = 0;
  mState = 0;
  mFrameRead = false;
  mWidth = mHeight = 0;
  mComponentCount = 0;
  mScanCount = 0;
  mRestartInterval = 0;
  mJFIF = SKXJpegJFIF();
  mAdobeTransform = -1;
  KxMemFree(mComment);
  mComment = nullptr;
  std::memset(mQuant, 0, sizeof mQuant);
  for (int i = 0; i < 8; ++i) {
    SKXJpegHuffman& h = mHuffman[i];
    h.mCount = 0;
    std::memset(h.mFast, 0, sizeof h.mFast);
    std::memset(h.mFastAC, 0, sizeof h.mFastAC);
    for (int l = 0; l <= 16; ++l) h.mMaxCode[l] = -1, h.mValueOffset[l] = 0;
  }
}

// A segment's length, which must cover its own two bytes and what the
// segment is known to hold.
int CKXJpegDecoder::SegmentLength(int minimum) {
  long at = mStream->Position();
  int length = mStream->GetWord();
  if (length < minimum) throw EKXJpegDataFormatError(std::int32_t(at), 26);
  return length;
}

void CKXJpegDecoder::DoAnalysis() {
  while (mState == 0) {
    if (mStream->GetMarker() == kSOI) mState = 1;
  }
  for (;;) {
    long at = mStream->Position();
    int marker = mStream->GetMarker();
    switch (marker) {
      case kSOF0:
        ReadFrame(marker);
        break;
      case kDHT:
        ReadHuffmanTables();
        break;
      case kDQT:
        ReadQuantTables();
        break;
      case kSOS:
        ReadScanHeader();
        return;
      case kDRI: {
        int length = SegmentLength(4);
        mRestartInterval = mStream->GetWord();
        mStream->SkipByte(length - 4);
        break;
      }
      case kDNL: {
        int length = SegmentLength(4);
        mHeight = mStream->GetWord();
        mStream->SkipByte(length - 4);
        break;
      }
      case kAPP0:
        ReadAPP0();
        break;
      case kAPP14:
        ReadAPP14();
        break;
      case kCOM:
        ReadComment();
        break;
      case kEOI:
        return;
      default:
        if (marker >= 0xE1 && marker <= 0xEF) {
          mStream->SkipByte(SegmentLength(2) - 2);
        } else if (IsUnsupportedFrame(marker)) {
          throw EKXJpegNotSupported(marker, std::int32_t(at));
        } else {
          throw EKXJpegDataFormatError(std::int32_t(at), 1);
        }
    }
  }
}

void CKXJpegDecoder::ReadFrame(int marker) {
  long at = mStream->Position();
  int length = SegmentLength(8);
  mPrecision = mStream->GetByte();
  mHeight = mStream->GetWord();
  mWidth = mStream->GetWord();
  int count = mStream->GetByte();
  if (count != 1 && count != 3) throw EKXJpegNotSupported(marker, std::int32_t(at));
  if (length < 8 + 3 * count) throw EKXJpegDataFormatError(std::int32_t(at), 26);
  if (mPrecision != 8) throw EKXJpegNotSupported(marker, std::int32_t(at));
  mFrameRead = false;
  mComponentCount = count;
  int hMax = 0, vMax = 0;
  for (int i = 0; i < count; ++i) {
    SComponent& c = mFrame[i];
    c.mId = mStream->GetByte();
    int hv = mStream->GetByte();
    c.mH = hv >> 4;
    c.mV = hv & 15;
    c.mTq = mStream->GetByte();
    if (c.mH < 1 || c.mH > 4 || c.mV < 1 || c.mV > 4) throw EKXJpegDataFormatError(std::int32_t(at), 27);
    if (c.mTq > 3) throw EKXJpegDataFormatError(std::int32_t(at), 28);
    for (int j = 0; j < i; ++j)
      if (mFrame[j].mId == c.mId) throw EKXJpegDataFormatError(std::int32_t(at), 29);
    if (c.mH > hMax) hMax = c.mH;
    if (c.mV > vMax) vMax = c.mV;
  }
  mStream->SkipByte(length - 8 - 3 * count);
  if (count == 1) {
    mDecH[0] = mDecV[0] = mDecHmax = mDecVmax = 1;
  } else {
    // Replication copies whole samples: each factor must divide the largest.
    for (int i = 0; i < count; ++i) {
      if (hMax % mFrame[i].mH || vMax % mFrame[i].mV) throw EKXJpegNotSupported(marker, std::int32_t(at));
      mDecH[i] = mFrame[i].mH;
      mDecV[i] = mFrame[i].mV;
    }
    mDecHmax = hMax;
    mDecVmax = vMax;
  }
  mFrameRead = true;
}

void CKXJpegDecoder::ReadHuffmanTables() {
  long left = SegmentLength(2) - 2;
  while (left > 0) {
    long at = mStream->Position();
    if (left < 17) throw EKXJpegDataFormatError(std::int32_t(at), 2);
    int tc = mStream->GetByte();
    int tableClass = tc >> 4, number = tc & 15;
    if (tableClass > 1) throw EKXJpegDataFormatError(std::int32_t(at), 3);
    if (number > 3) throw EKXJpegDataFormatError(std::int32_t(at), 4);
    int counts[17] = {0};
    int total = 0;
    for (int l = 1; l <= 16; ++l) total += counts[l] = mStream->GetByte();
    if (total > 256) throw EKXJpegIndexError(256, total, 8);
    if (left < 17 + total) throw EKXJpegDataFormatError(std::int32_t(at), 2);
    SKXJpegHuffman& h = mHuffman[tableClass * 4 + number];
    h.mCount = total;
    mStream->CopyByte(reinterpret_cast<char*>(h.mValues), total);
    // Canonical codes: each length starts at the previous code plus one,
    // doubled for the added bit. Codes that outgrow their length never match.
    std::memset(h.mFast, 0, sizeof h.mFast);
    std::memset(h.mFastAC, 0, sizeof h.mFastAC);
    std::uint32_t code = 0;
    int k = 0;
    for (int l = 1; l <= 16; ++l) {
      h.mValueOffset[l] = k - std::int32_t(code);
      h.mMaxCode[l] = counts[l] ? std::int32_t(code + counts[l] - 1) : -1;
      for (int i = 0; i < counts[l]; ++i, ++k, ++code) {
        h.mLengths[k] = std::uint8_t(l);
        h.mCodes[k] = code;
        if (l <= 9 && code < (1u << l)) {
          int shift = 9 - l;
          for (std::uint32_t j = 0; j < (1u << shift); ++j)
            h.mFast[(code << shift) | j] = std::uint16_t((l << 8) | h.mValues[k]);
        }
        const int run = h.mValues[k] >> 4, size = h.mValues[k] & 15;
        if (tableClass == 1 && size && l + size <= kKXJpegFastACBits && code < (1u << l)) {
          // Every value of the extra bits, then every filler after them.
          const int spare = kKXJpegFastACBits - l - size;
          for (std::uint32_t m = 0; m < (1u << size); ++m) {
            const std::int32_t entry =
                std::int32_t(std::uint32_t(Extend(long(m), size)) << 16) | (run << 5) | (l + size);
            const std::uint32_t first = ((code << size) | m) << spare;
            for (std::uint32_t j = 0; j < (1u << spare); ++j) h.mFastAC[first | j] = entry;
          }
        }
      }
      code <<= 1;
    }
    left -= 17 + total;
  }
  mFlags |= kHuffmanRead;
}

void CKXJpegDecoder::ReadQuantTables() {
  long left = SegmentLength(2) - 2;
  while (left > 0) {
    long at = mStream->Position();
    int pq = mStream->GetByte();
    int number = pq & 15;
    bool wide = (pq >> 4) != 0;
    if (number > 3) throw EKXJpegDataFormatError(std::int32_t(at), 28);
    if (left < (wide ? 129 : 65)) throw EKXJpegDataFormatError(std::int32_t(at), 26);
    for (int i = 0; i < 64; ++i)
      mQuant[number][kKXJpegZigzag[i]] = wide ? mStream->GetWord() : mStream->GetByte();
    left -= wide ? 129 : 65;
  }
  mFlags |= kQuantRead;
}

void CKXJpegDecoder::ReadScanHeader() {
  long at = mStream->Position();
  int length = SegmentLength(6);
  int count = mStream->GetByte();
  if (length < 6 + 2 * count) throw EKXJpegDataFormatError(std::int32_t(at), 26);
  if (!mFrameRead || mWidth <= 0 || mHeight <= 0) throw EKXJpegDataFormatError(std::int32_t(at), 32);
  // One scan with every component: the only layout decoded here.
  if (count != mComponentCount) throw EKXJpegNotSupported(kSOS, std::int32_t(at));
  bool used[3] = {false, false, false};
  for (int i = 0; i < count; ++i) {
    int selector = mStream->GetByte();
    int t = mStream->GetByte();
    int frameIndex = -1;
    for (int j = 0; j < mComponentCount; ++j)
      if (mFrame[j].mId == selector && !used[j]) frameIndex = j;
    if (frameIndex < 0) throw EKXJpegDataFormatError(std::int32_t(at), 29);
    used[frameIndex] = true;
    mScan[i].mFrameIndex = frameIndex;
    mScan[i].mTd = t >> 4;
    mScan[i].mTa = t & 15;
    if (mScan[i].mTd > 2) throw EKXJpegIndexError(2, mScan[i].mTd, 9);
    if (mScan[i].mTa > 2) throw EKXJpegIndexError(2, mScan[i].mTa, 10);
  }
  mScanCount = count;
  mSpectralStart = mStream->GetByte();
  mSpectralEnd = mStream->GetByte();
  mApprox = mStream->GetByte();
  mStream->SkipByte(length - 6 - 2 * count);
  mFlags |= kScanReached;
}

void CKXJpegDecoder::ReadAPP0() {
  int length = SegmentLength(2);
  if (length - 2 < 5) {
    mStream->SkipByte(length - 2);
    return;
  }
  long at = mStream->Position();
  char id[5];
  mStream->CopyByte(id, 5);
  if (std::memcmp(id, "JFIF", 5) == 0) {
    if (length < 16) throw EKXJpegDataFormatError(std::int32_t(at), 26);
    mJFIF.mKind = 1;
    mJFIF.mVersionMajor = mStream->GetByte();
    mJFIF.mVersionMinor = mStream->GetByte();
    mJFIF.mDensityUnit = mStream->GetByte();
    mJFIF.mXDensity = mStream->GetWord();
    mJFIF.mYDensity = mStream->GetWord();
    mJFIF.mThumbWidth = mStream->GetByte();
    mJFIF.mThumbHeight = mStream->GetByte();
    mFlags |= kJFIFRead;
    mStream->SkipByte(length - 16);
  } else if (std::memcmp(id, "JFXX", 5) == 0) {
    if (length < 8) throw EKXJpegDataFormatError(std::int32_t(at), 26);
    mJFIF.mKind = 2;
    mJFIF.mExtension = mStream->GetByte();
    mStream->SkipByte(length - 8);
  } else {
    mStream->SkipByte(length - 7);
  }
}

void CKXJpegDecoder::ReadAPP14() {
  // Adobe's: "Adobe", version, two flag words, then the colour transform
  // (0 none: the samples are red, green and blue).
  const int length = SegmentLength(2);
  if (length - 2 < 12) {
    mStream->SkipByte(length - 2);
    return;
  }
  char id[5];
  mStream->CopyByte(id, 5);
  if (std::memcmp(id, "Adobe", 5) != 0) {
    mStream->SkipByte(length - 7);
    return;
  }
  mStream->SkipByte(6);
  mAdobeTransform = mStream->GetByte();
  mStream->SkipByte(length - 14);
}

bool CKXJpegDecoder::SamplesAreRGB() const {
  // As libjpeg reads it: JFIF's marker means YCbCr; else three components
  // are red, green and blue when Adobe's marker says no transform, or,
  // without it, when they are named R, G and B.
  if (mComponentCount != 3 || (mFlags & kJFIFRead)) return false;
  if (mAdobeTransform >= 0) return mAdobeTransform == 0;
  return mFrame[0].mId == 'R' && mFrame[1].mId == 'G' && mFrame[2].mId == 'B';
}

void CKXJpegDecoder::ReadComment() {
  long length = SegmentLength(2) - 2;
  char* text = Allocate<char>(length + 1, 33);
  try {
    mStream->CopyByte(text, length);
  } catch (...) {
    KxMemFree(text);
    throw;
  }
  text[length] = 0;
  KxMemFree(mComment);
  mComment = text;
  mFlags |= kCommentRead;
}

// ---------------------------------------------------------------- decoding

long CKXJpegDecoder::DoDecode() { return RunDecode(false); }

long CKXJpegDecoder::DoDecodeRows() { return RunDecode(true); }

// Both ways of decoding: the headers must have come; a failure frees what
// the decode held and answers -2 for bad or unsupported data, else -1.
long CKXJpegDecoder::RunDecode(bool rows) {
  mLastError = kNoError;
  mLastCode = 0;
  const long needed = kHuffmanRead | kQuantRead | kScanReached;
  if (!mStream || (mFlags & needed) != needed) {
    Fail(kDataFormatError, 32);
    return -2;
  }
  try {
    Decode(rows);
    return 0;
  } catch (...) {
    const EError kind = RecordError();
    DeleteDecode();
    DeleteRGB();
    return kind == kDataFormatError || kind == kNotSupported ? -2 : -1;
  }
}

void CKXJpegDecoder::Decode(bool rows) {
  DeleteRGB();
  DeleteDecode();
  const long mcuColumns = ((mWidth + 7) / 8 + mDecHmax - 1) / mDecHmax;
  const long mcuRows = ((mHeight + 7) / 8 + mDecVmax - 1) / mDecVmax;
  // Sizes in 64 bits: 65535 x 65535 would not fit in 32.
  const long long pixels = static_cast<long long>(mWidth) * mHeight;
  if (pixels > kKXJpegMaxPixels) throw EKXJpegMemoryError(kKxMaxOffset, 11);
  if (rows) {
    // One MCU row at a time: the whole picture is never held.
    mBand = reinterpret_cast<unsigned char*>(Allocate<char>(mWidth * 3 * mDecVmax * 8, 11));
  } else {
    mR = reinterpret_cast<unsigned char*>(Allocate<char>(long(pixels), 11));
    mG = reinterpret_cast<unsigned char*>(Allocate<char>(long(pixels), 12));
    mB = reinterpret_cast<unsigned char*>(Allocate<char>(long(pixels), 13));
  }
  // Every sample of these planes is written by the blocks of its MCU row
  // before it is read: no filling.
  for (int i = 0; i < mComponentCount; ++i) {
    mStride[i] = mcuColumns * mDecH[i] * 8;
    mWork[i] = Allocate<std::int32_t>(mStride[i] * mDecV[i] * 8, 14 + i);
  }
  if (mComponentCount == 3 && !HalfChroma() &&
      (mDecH[0] != mDecHmax || mDecH[1] != mDecHmax || mDecH[2] != mDecHmax))
    mWide = Allocate<std::int32_t>(3 * mcuColumns * mDecHmax * 8, 34);
  mDCPred[0] = mDCPred[1] = mDCPred[2] = 0;
  std::memset(mCoef, 0, sizeof mCoef);  // a failed decode may have left some

  long sinceRestart = 0;
  for (long row = 0; row < mcuRows; ++row) {
    for (long column = 0; column < mcuColumns; ++column) {
      DecodeMCU(row, column);
      bool last = row == mcuRows - 1 && column == mcuColumns - 1;
      if (mRestartInterval && !last && ++sinceRestart == mRestartInterval) {
        int marker = mStream->GetMarker();
        if (marker >= 0xD0 && marker <= 0xD7) mDCPred[0] = mDCPred[1] = mDCPred[2] = 0;
        sinceRestart = 0;
      }
    }
    ConvertBand(row);
    if (mBand) {
      const long top = row * mDecVmax * 8;
      RowsDecoded(mBand, top, std::min<long>(mDecVmax * 8, mHeight - top));
    }
  }
  // Complete data ends the scan with a marker; data that stops inside it was
  // cut short.
  mStream->GetMarker();
  DeleteDecode();
}

long CKXJpegDecoder::ReceiveBits(int n, int errorCode) {
  CKXJpegDataStream& s = *mStream;
  if (s.mBitCount < n) {
    s.FillBits();
    if (s.mBitCount < n) {
      if (s.mMarkerAhead) throw EKXJpegDataFormatError(std::int32_t(s.Position()), errorCode);
      throw EKXJpegBufferError(std::int32_t(s.Position()), 22);
    }
  }
  long v = long(s.mBits >> (64 - n));
  s.mBits <<= n;
  s.mBitCount -= n;
  return v;
}

int CKXJpegDecoder::Decode1HuffmanCode(const SKXJpegHuffman& table, int errorCode) {
  CKXJpegDataStream& s = *mStream;
  if (s.mBitCount < 16) s.FillBits();
  int entry = table.mFast[s.mBits >> (64 - 9)];
  int length = entry >> 8;
  if (entry && length <= s.mBitCount) {
    s.mBits <<= length;
    s.mBitCount -= length;
    return entry & 0xFF;
  }
  // Longer codes: the first length whose codes reach this prefix.
  const std::uint32_t peek = std::uint32_t(s.mBits >> 48);
  int found = 0;
  for (int l = 1; l <= 16; ++l) {
    if (table.mMaxCode[l] >= 0 && std::int32_t(peek >> (16 - l)) <= table.mMaxCode[l]) {
      found = l;
      break;
    }
  }
  if (found && found <= s.mBitCount) {
    int index = table.mValueOffset[found] + std::int32_t(peek >> (16 - found));
    s.mBits <<= found;
    s.mBitCount -= found;
    return table.mValues[index];
  }
  // Bit by bit, the data would have run out before a code matched.
  if (s.mBitCount < 16) {
    if (s.mMarkerAhead) throw EKXJpegDataFormatError(std::int32_t(s.Position()), errorCode);
    throw EKXJpegBufferError(std::int32_t(s.Position()), 22);
  }
  throw EKXJpegDataFormatError(std::int32_t(s.Position()), 21);
}

void CKXJpegDecoder::DecodeHuffmanBlock(int scanIndex) {
  // mCoef is all zeros here: KxJpegDequantise leaves it so.
  const SScanComponent& sc = mScan[scanIndex];
  int size = Decode1HuffmanCode(mHuffman[sc.mTd], 17);
  if (size > 16) throw EKXJpegDataFormatError(std::int32_t(mStream->Position()), 30);
  long dc = mDCPred[sc.mFrameIndex];
  if (size) dc += Extend(ReceiveBits(size, 17), size);
  if (dc < -32768 || dc > 32767) throw EKXJpegDataFormatError(std::int32_t(mStream->Position()), 31);
  mDCPred[sc.mFrameIndex] = std::int32_t(dc);
  mCoef[0] = std::int32_t(dc);
  const SKXJpegHuffman& ac = mHuffman[4 + sc.mTa];
  CKXJpegDataStream& stream = *mStream;
  // The bit buffer stays in registers through the loop; the stream's copy
  // is brought up to date around every call that reads it.
  std::uint64_t bits = stream.mBits;
  int count = stream.mBitCount;
  for (int k = 1; k < 64;) {
    if (count < 32) {
      // Whole bytes, as many as fit, when the next eight hold no 0xFF (no
      // stuffing, no marker): what filling byte by byte would take.
      std::uint64_t word;
      if (stream.mEnd - stream.mPtr >= 8 &&
          !HasFFByte(word = std::uint64_t(KxGetU32BE(stream.mPtr)) << 32 | KxGetU32BE(stream.mPtr + 4))) {
        const int n = (64 - count) >> 3;
        bits |= (word & (~std::uint64_t(0) << (64 - 8 * n))) >> count;
        count += 8 * n;
        stream.mPtr += n;
      } else {
        stream.mBits = bits;
        stream.mBitCount = count;
        stream.FillBits();
        bits = stream.mBits;
        count = stream.mBitCount;
      }
    }
    // Most coefficients: code and extra bits together in one look-up.
    const std::int32_t fast = ac.mFastAC[bits >> (64 - kKXJpegFastACBits)];
    const int taken = fast & 31;
    if (fast && taken <= count) {
      k += (fast >> 5) & 15;
      if (k > 63) throw EKXJpegDataFormatError(std::int32_t(stream.Position()), 20);
      bits <<= taken;
      count -= taken;
      mCoef[kKXJpegZigzag[k]] = fast >> 16;
      ++k;
      continue;
    }
    // Other short codes: with 32 bits at hand, a code of the 9-bit table
    // and its at most 16 further bits need no more checks. Anything else
    // goes the long way below, which decides the same and reports errors.
    if (count >= 32) {
      const int entry = ac.mFast[bits >> (64 - 9)];
      if (entry) {
        const int length = entry >> 8, rs = entry & 0xFF;
        const int run = rs >> 4, size = rs & 15;
        if (size) {
          k += run;
          if (k > 63) throw EKXJpegDataFormatError(std::int32_t(stream.Position()), 20);
          bits <<= length;
          const long v = long(bits >> (64 - size));
          bits <<= size;
          count -= length + size;
          mCoef[kKXJpegZigzag[k]] = std::int32_t(Extend(v, size));
          ++k;
          continue;
        }
        if (run == 0) {
          bits <<= length;
          count -= length;
          break;
        }
      }
    }
    stream.mBits = bits;
    stream.mBitCount = count;
    const int rs = Decode1HuffmanCode(ac, 18);
    const int run = rs >> 4, s = rs & 15;
    long v = 0;
    if (s) {
      k += run;
      if (k > 63) throw EKXJpegDataFormatError(std::int32_t(stream.Position()), 20);
      v = ReceiveBits(s, 18);
    }
    bits = stream.mBits;
    count = stream.mBitCount;
    if (s == 0) {
      if (run == 0) break;
      if (run != 15) throw EKXJpegDataFormatError(std::int32_t(stream.Position()), 19);
      if (k + 16 > 64) throw EKXJpegDataFormatError(std::int32_t(stream.Position()), 20);
      k += 16;
      continue;
    }
    mCoef[kKXJpegZigzag[k]] = std::int32_t(Extend(v, s));
    ++k;
  }
  stream.mBits = bits;
  stream.mBitCount = count;
}

void CKXJpegDecoder::DecodeMCU(long mcuRow, long mcuColumn) {
  for (int si = 0; si < mScanCount; ++si) {
    const int ci = mScan[si].mFrameIndex;
    const int h = mDecH[ci], v = mDecV[ci];
    const std::int32_t* q = mQuant[mFrame[ci].mTq];
    const long stride = mStride[ci];
    std::int32_t* plane = mWork[ci] + mcuColumn * h * 8;
    // Blocks that hold picture samples, for BlockDecoded.
    const long blocksWide = ((mWidth * h + mDecHmax - 1) / mDecHmax + 7) / 8;
    const long blocksHigh = ((mHeight * v + mDecVmax - 1) / mDecVmax + 7) / 8;
    for (int b = 0; b < v; ++b) {
      for (int a = 0; a < h; ++a) {
        DecodeHuffmanBlock(si);
        const long blockRow = mcuRow * v + b, blockColumn = mcuColumn * h + a;
        if (blockRow < blocksHigh && blockColumn < blocksWide) BlockDecoded(ci, blockRow, blockColumn, mCoef);
        std::int32_t f[64];
        KxJpegDequantise(mCoef, q, f);  // at most 32768 x 65535: fits
        // At the component's own resolution: ConvertBand replicates.
        std::int32_t* origin = plane + long(b) * 8 * stride + long(a) * 8;
        bool fits;
        if (mPlain) {
          fits = KxJpegInverseDCTDirect(f, mSamples);
          for (int y = 0; fits && y < 8; ++y)
            std::memcpy(origin + y * stride, mSamples + y * 8, 8 * sizeof(std::int32_t));
        } else {
          fits = KxJpegInverseDCTInto(f, origin, stride);
        }
        if (!fits) throw EKXJpegDataFormatError(std::int32_t(mStream->Position()), 31);
      }
    }
  }
}

namespace {

// 0 below 0, 255 above 255, otherwise truncated toward zero.
inline unsigned char ClampSample(double v) {
  v = v < 0.0 ? 0.0 : v;
  v = v > 255.0 ? 255.0 : v;
  return static_cast<unsigned char>(static_cast<int>(v));
}

// One pixel; r, g and b are `step` bytes apart from one pixel to the next.
inline void ConvertPixel(std::int32_t y, std::int32_t pb, std::int32_t pr, unsigned char* r, unsigned char* g,
                         unsigned char* b) {
  const double yy = double(y);
  const double cb = double(pb) - 128.0, cr = double(pr) - 128.0;
  *r = ClampSample(yy + 1.402 * cr);
  *g = ClampSample(yy - 0.3441 * cb - 0.7139 * cr);
  *b = ClampSample(yy + 1.7718 * cb);
}

void ConvertRowScalar(const std::int32_t* py, const std::int32_t* pb, const std::int32_t* pr, unsigned char* r,
                      unsigned char* g, unsigned char* b, long step, long columns) {
  for (long x = 0; x < columns; ++x) ConvertPixel(py[x], pb[x], pr[x], r + x * step, g + x * step, b + x * step);
}

#if KX_JPEG_VECTOR
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

typedef double V2 __attribute__((vector_size(16)));
typedef double V4 __attribute__((vector_size(32)));
typedef std::int32_t I2 __attribute__((vector_size(8)));
typedef std::int32_t I4 __attribute__((vector_size(16)));

// The last steps of ConvertPixel on L pixels from x on: clamped, truncated
// and stored.
template <typename V, typename I, int L>
__attribute__((always_inline)) inline void StoreLanes(V vr, V vg, V vb, unsigned char* r, unsigned char* g,
                                                      unsigned char* b, long step, long x) {
  constexpr bool kPacked = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
  const V zero = V{} * 0.0, top = zero + 255.0;
  vr = vr < zero ? zero : vr;
  vg = vg < zero ? zero : vg;
  vb = vb < zero ? zero : vb;
  vr = vr > top ? top : vr;
  vg = vg > top ? top : vg;
  vb = vb > top ? top : vb;
  const I nr = __builtin_convertvector(vr, I), ng = __builtin_convertvector(vg, I), nb = __builtin_convertvector(vb, I);
  if (kPacked && step == 3 && g == r + 1 && b == r + 2) {
    // Red, green, blue in the low bytes of a word a pixel, each word stored
    // 3 bytes after the last: its fourth byte is overwritten by the next
    // pixel. The last pixel's three go alone, so nothing is written beyond.
    const I words = nr | (ng << 8) | (nb << 16);
    for (int l = 0; l < L - 1; ++l) {
      const std::int32_t word = words[l];  // clang takes no element's address
      std::memcpy(r + (x + l) * 3, &word, 4);
    }
    unsigned char* last = r + (x + L - 1) * 3;
    last[0] = static_cast<unsigned char>(nr[L - 1]);
    last[1] = static_cast<unsigned char>(ng[L - 1]);
    last[2] = static_cast<unsigned char>(nb[L - 1]);
  } else {
    for (int l = 0; l < L; ++l) {
      const long at = (x + l) * step;
      r[at] = static_cast<unsigned char>(nr[l]);
      g[at] = static_cast<unsigned char>(ng[l]);
      b[at] = static_cast<unsigned char>(nb[l]);
    }
  }
}

// Each chroma sample twice, side by side: lanes 0 0 1 1 (half 0) or 2 2 3 3.
__attribute__((always_inline)) inline V2 Spread(V2 v, int half) {
#if defined(__clang__)
  return half ? __builtin_shufflevector(v, v, 1, 1) : __builtin_shufflevector(v, v, 0, 0);
#else
  typedef long long M2 __attribute__((vector_size(16)));
  return half ? __builtin_shuffle(v, M2{1, 1}) : __builtin_shuffle(v, M2{0, 0});
#endif
}

__attribute__((always_inline)) inline V4 Spread(V4 v, int half) {
#if defined(__clang__)
  return half ? __builtin_shufflevector(v, v, 2, 2, 3, 3) : __builtin_shufflevector(v, v, 0, 0, 1, 1);
#else
  typedef long long M4 __attribute__((vector_size(32)));
  return half ? __builtin_shuffle(v, M4{2, 2, 3, 3}) : __builtin_shuffle(v, M4{0, 0, 1, 1});
#endif
}

// ConvertPixel on L pixels at once, the same operations in every lane. With
// repH 2, pb and pr hold one sample for every two pixels: each chroma term
// is worked out once and used for both (the same value either way).
template <typename V, typename I, int L>
__attribute__((always_inline)) inline void ConvertRowLanes(const std::int32_t* py, const std::int32_t* pb,
                                                           const std::int32_t* pr, unsigned char* r,
                                                           unsigned char* g, unsigned char* b, long step,
                                                           long columns, int repH) {
  long x = 0;
  if (repH == 2) {
    for (; x + 2 * L <= columns; x += 2 * L) {
      I ib, ir;
      std::memcpy(&ib, pb + x / 2, sizeof ib);
      std::memcpy(&ir, pr + x / 2, sizeof ir);
      const V cb = __builtin_convertvector(ib, V) - 128.0, cr = __builtin_convertvector(ir, V) - 128.0;
      const V tr = 1.402 * cr, tg1 = 0.3441 * cb, tg2 = 0.7139 * cr, tb = 1.7718 * cb;
      for (int half = 0; half < 2; ++half) {
        I iy;
        std::memcpy(&iy, py + x + half * L, sizeof iy);
        const V yy = __builtin_convertvector(iy, V);
        StoreLanes<V, I, L>(yy + Spread(tr, half), yy - Spread(tg1, half) - Spread(tg2, half), yy + Spread(tb, half),
                            r, g, b, step, x + half * L);
      }
    }
    for (; x < columns; ++x) ConvertPixel(py[x], pb[x / 2], pr[x / 2], r + x * step, g + x * step, b + x * step);
    return;
  }
  for (; x + L <= columns; x += L) {
    I iy, ib, ir;
    std::memcpy(&iy, py + x, sizeof iy);
    std::memcpy(&ib, pb + x, sizeof ib);
    std::memcpy(&ir, pr + x, sizeof ir);
    const V yy = __builtin_convertvector(iy, V);
    const V cb = __builtin_convertvector(ib, V) - 128.0, cr = __builtin_convertvector(ir, V) - 128.0;
    StoreLanes<V, I, L>(yy + 1.402 * cr, yy - 0.3441 * cb - 0.7139 * cr, yy + 1.7718 * cb, r, g, b, step, x);
  }
  ConvertRowScalar(py + x, pb + x, pr + x, r + x * step, g + x * step, b + x * step, step, columns - x);
}

#if defined(__x86_64__) && !defined(__AVX2__)
__attribute__((target("avx2"), noinline)) void ConvertRowAvx2(const std::int32_t* py, const std::int32_t* pb,
                                                              const std::int32_t* pr, unsigned char* r,
                                                              unsigned char* g, unsigned char* b, long step,
                                                              long columns, int repH) {
  ConvertRowLanes<V4, I4, 4>(py, pb, pr, r, g, b, step, columns, repH);
}

void ConvertRowSse2(const std::int32_t* py, const std::int32_t* pb, const std::int32_t* pr, unsigned char* r,
                    unsigned char* g, unsigned char* b, long step, long columns, int repH) {
  ConvertRowLanes<V2, I2, 2>(py, pb, pr, r, g, b, step, columns, repH);
}

using ConvertFunction = void (*)(const std::int32_t*, const std::int32_t*, const std::int32_t*, unsigned char*,
                                 unsigned char*, unsigned char*, long, long, int);
const ConvertFunction sConvertRow = __builtin_cpu_supports("avx2") ? ConvertRowAvx2 : ConvertRowSse2;
#endif
#endif

// repH: 1, or 2 when pb and pr hold a sample for every two pixels.
void ConvertRow(const std::int32_t* py, const std::int32_t* pb, const std::int32_t* pr, unsigned char* r,
                unsigned char* g, unsigned char* b, long step, long columns, int repH) {
#if !KX_JPEG_VECTOR
  if (repH == 2) {
    for (long x = 0; x < columns; ++x)
      ConvertPixel(py[x], pb[x / 2], pr[x / 2], r + x * step, g + x * step, b + x * step);
  } else {
    ConvertRowScalar(py, pb, pr, r, g, b, step, columns);
  }
#elif defined(__x86_64__) && !defined(__AVX2__)
  sConvertRow(py, pb, pr, r, g, b, step, columns, repH);
#elif defined(__AVX__)
  ConvertRowLanes<V4, I4, 4>(py, pb, pr, r, g, b, step, columns, repH);
#else
  ConvertRowLanes<V2, I2, 2>(py, pb, pr, r, g, b, step, columns, repH);
#endif
}

}  // namespace


namespace {

// Where one row of pixels goes: interleaved (step 3, g = r + 1, b = r + 2)
// or into three planes (step 1).
struct SRowOut {
  unsigned char* r;
  unsigned char* g;
  unsigned char* b;
  long step;
};

void GreyRowScalar(const std::int32_t* py, const SRowOut& o, long from, long columns) {
  for (long x = from; x < columns; ++x)
    o.r[x * o.step] = o.g[x * o.step] = o.b[x * o.step] = ClampSample(double(py[x]));
}

#if KX_JPEG_VECTOR && defined(__x86_64__)

// ConvertPixel over a row from pixel `from` on; with half, the chroma rows
// hold one sample for every two pixels.
void ColourRowScalar(const std::int32_t* py, const std::int32_t* pb, const std::int32_t* pr, const SRowOut& o,
                     long from, long columns, bool half) {
  for (long x = from; x < columns; ++x) {
    const long c = half ? x / 2 : x;
    ConvertPixel(py[x], pb[c], pr[c], o.r + x * o.step, o.g + x * o.step, o.b + x * o.step);
  }
}

// Eight pixels of each colour, as two vectors of four doubles each, stored.
// Above 255 becomes 255 here; below 0 the truncated value is negative (or
// the out-of-range 0x80000000) and the saturating packs make it 0, so the
// bytes are ClampSample's.
template <bool kPlanar>
__attribute__((target("avx2"), always_inline)) inline void Store8(__m256d r0, __m256d r1, __m256d g0, __m256d g1,
                                                                  __m256d b0, __m256d b1, const SRowOut& o,
                                                                  long x) {
  const __m256d top = _mm256_set1_pd(255.0);
  const __m128i r = _mm_packs_epi32(_mm256_cvttpd_epi32(_mm256_min_pd(r0, top)),
                                    _mm256_cvttpd_epi32(_mm256_min_pd(r1, top)));
  const __m128i g = _mm_packs_epi32(_mm256_cvttpd_epi32(_mm256_min_pd(g0, top)),
                                    _mm256_cvttpd_epi32(_mm256_min_pd(g1, top)));
  const __m128i b = _mm_packs_epi32(_mm256_cvttpd_epi32(_mm256_min_pd(b0, top)),
                                    _mm256_cvttpd_epi32(_mm256_min_pd(b1, top)));
  const __m128i rg = _mm_packus_epi16(r, g), bb = _mm_packus_epi16(b, b);
  if (kPlanar) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o.r + x), rg);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o.g + x), _mm_srli_si128(rg, 8));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o.b + x), bb);
  } else {
    // r0 g0 b0 r1 ... r5 from rg and bb, then g5 b5 ... b7.
    const __m128i a0 = _mm_setr_epi8(0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5);
    const __m128i a1 = _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
    const __m128i b0m = _mm_setr_epi8(13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i b1m = _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1, -1, -1, -1);
    unsigned char* p = o.r + 3 * x;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_or_si128(_mm_shuffle_epi8(rg, a0), _mm_shuffle_epi8(bb, a1)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 16),
                     _mm_or_si128(_mm_shuffle_epi8(rg, b0m), _mm_shuffle_epi8(bb, b1m)));
  }
}

// ConvertPixel on eight pixels of a row whose chroma terms are given, each
// term for the same pixels as the luma vectors lo and hi.
template <bool kPlanar>
__attribute__((target("avx2"), always_inline)) inline void Colour8(const std::int32_t* py, __m256d trLo, __m256d trHi,
                                                                   __m256d tg1Lo, __m256d tg1Hi, __m256d tg2Lo,
                                                                   __m256d tg2Hi, __m256d tbLo, __m256d tbHi,
                                                                   const SRowOut& o, long x) {
  const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(py + x));
  const __m256d lo = _mm256_cvtepi32_pd(_mm256_castsi256_si128(y));
  const __m256d hi = _mm256_cvtepi32_pd(_mm256_extracti128_si256(y, 1));
  Store8<kPlanar>(_mm256_add_pd(lo, trLo), _mm256_add_pd(hi, trHi), _mm256_sub_pd(_mm256_sub_pd(lo, tg1Lo), tg2Lo),
                  _mm256_sub_pd(_mm256_sub_pd(hi, tg1Hi), tg2Hi), _mm256_add_pd(lo, tbLo), _mm256_add_pd(hi, tbHi), o, x);
}

// One or two rows (py1 null: one) that share their chroma rows, eight
// pixels at a time; each chroma term is worked out once for every pixel
// that uses it, in ConvertPixel's operations.
template <bool kPlanar>
__attribute__((target("avx2"), noinline)) void ColourRowsAvx2(const std::int32_t* py0, const std::int32_t* py1,
                                                              const std::int32_t* pb, const std::int32_t* pr,
                                                              const SRowOut& o0, const SRowOut& o1, long columns,
                                                              bool half) {
  const __m256d centre = _mm256_set1_pd(128.0);
  const __m256d kr = _mm256_set1_pd(1.402), kg1 = _mm256_set1_pd(0.3441), kg2 = _mm256_set1_pd(0.7139),
                kb = _mm256_set1_pd(1.7718);
  long x = 0;
  for (; x + 8 <= columns; x += 8) {
    __m256d cbLo, cbHi, crLo, crHi;
    if (half) {
      const __m256d cb = _mm256_sub_pd(
          _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pb + x / 2))), centre);
      const __m256d cr = _mm256_sub_pd(
          _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pr + x / 2))), centre);
      const __m256d tr = _mm256_mul_pd(kr, cr), tg1 = _mm256_mul_pd(kg1, cb), tg2 = _mm256_mul_pd(kg2, cr),
                    tb = _mm256_mul_pd(kb, cb);
      // Lanes 0 0 1 1 and 2 2 3 3: each term for its two pixels.
      const __m256d trLo = _mm256_permute4x64_pd(tr, 0x50), trHi = _mm256_permute4x64_pd(tr, 0xFA);
      const __m256d tg1Lo = _mm256_permute4x64_pd(tg1, 0x50), tg1Hi = _mm256_permute4x64_pd(tg1, 0xFA);
      const __m256d tg2Lo = _mm256_permute4x64_pd(tg2, 0x50), tg2Hi = _mm256_permute4x64_pd(tg2, 0xFA);
      const __m256d tbLo = _mm256_permute4x64_pd(tb, 0x50), tbHi = _mm256_permute4x64_pd(tb, 0xFA);
      Colour8<kPlanar>(py0, trLo, trHi, tg1Lo, tg1Hi, tg2Lo, tg2Hi, tbLo, tbHi, o0, x);
      if (py1) Colour8<kPlanar>(py1, trLo, trHi, tg1Lo, tg1Hi, tg2Lo, tg2Hi, tbLo, tbHi, o1, x);
      continue;
    }
    const __m256i b8 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pb + x));
    const __m256i r8 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pr + x));
    cbLo = _mm256_sub_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(b8)), centre);
    cbHi = _mm256_sub_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(b8, 1)), centre);
    crLo = _mm256_sub_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(r8)), centre);
    crHi = _mm256_sub_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(r8, 1)), centre);
    const __m256d trLo = _mm256_mul_pd(kr, crLo), trHi = _mm256_mul_pd(kr, crHi);
    const __m256d tg1Lo = _mm256_mul_pd(kg1, cbLo), tg1Hi = _mm256_mul_pd(kg1, cbHi);
    const __m256d tg2Lo = _mm256_mul_pd(kg2, crLo), tg2Hi = _mm256_mul_pd(kg2, crHi);
    const __m256d tbLo = _mm256_mul_pd(kb, cbLo), tbHi = _mm256_mul_pd(kb, cbHi);
    Colour8<kPlanar>(py0, trLo, trHi, tg1Lo, tg1Hi, tg2Lo, tg2Hi, tbLo, tbHi, o0, x);
    if (py1) Colour8<kPlanar>(py1, trLo, trHi, tg1Lo, tg1Hi, tg2Lo, tg2Hi, tbLo, tbHi, o1, x);
  }
  ColourRowScalar(py0, pb, pr, o0, x, columns, half);
  if (py1) ColourRowScalar(py1, pb, pr, o1, x, columns, half);
}

template <bool kPlanar>
__attribute__((target("avx2"), noinline)) void GreyRowAvx2(const std::int32_t* py, const SRowOut& o, long columns) {
  long x = 0;
  for (; x + 8 <= columns; x += 8) {
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(py + x));
    // Saturation to 16 bits, then to 0-255: ClampSample of a whole number.
    const __m128i w = _mm_packs_epi32(_mm256_castsi256_si128(y), _mm256_extracti128_si256(y, 1));
    const __m128i v = _mm_packus_epi16(w, w);
    if (kPlanar) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(o.r + x), v);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(o.g + x), v);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(o.b + x), v);
    } else {
      unsigned char* p = o.r + 3 * x;
      const __m128i m0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
      const __m128i m1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, -1, -1, -1, -1, -1, -1, -1, -1);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_shuffle_epi8(v, m0));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 16), _mm_shuffle_epi8(v, m1));
    }
  }
  GreyRowScalar(py, o, x, columns);
}

const bool sAvx2 = __builtin_cpu_supports("avx2");

#endif

// Rows py0 and (when not null) py1 with the chroma rows they share.
void ColourRows(const std::int32_t* py0, const std::int32_t* py1, const std::int32_t* pb, const std::int32_t* pr,
                const SRowOut& o0, const SRowOut& o1, long columns, bool half) {
#if KX_JPEG_VECTOR && defined(__x86_64__)
  if (sAvx2) {
    if (o0.step == 1) {
      ColourRowsAvx2<true>(py0, py1, pb, pr, o0, o1, columns, half);
    } else {
      ColourRowsAvx2<false>(py0, py1, pb, pr, o0, o1, columns, half);
    }
    return;
  }
#endif
  ConvertRow(py0, pb, pr, o0.r, o0.g, o0.b, o0.step, columns, half ? 2 : 1);
  if (py1) ConvertRow(py1, pb, pr, o1.r, o1.g, o1.b, o1.step, columns, half ? 2 : 1);
}

void GreyRow(const std::int32_t* py, const SRowOut& o, long columns) {
#if KX_JPEG_VECTOR && defined(__x86_64__)
  if (sAvx2) {
    if (o.step == 1) {
      GreyRowAvx2<true>(py, o, columns);
    } else {
      GreyRowAvx2<false>(py, o, columns);
    }
    return;
  }
#endif
  GreyRowScalar(py, o, 0, columns);
}

}  // namespace

void KxJpegConvertRow(const std::int32_t* y, const std::int32_t* cb, const std::int32_t* cr, unsigned char* rgb,
                      long columns, bool halfChroma, bool scalar) {
  if (!scalar) {
    const SRowOut o{rgb, rgb + 1, rgb + 2, 3};
    ColourRows(y, nullptr, cb, cr, o, o, columns, halfChroma);
  } else if (!halfChroma) {
    ConvertRowScalar(y, cb, cr, rgb, rgb + 1, rgb + 2, 3, columns);
  } else {
    for (long x = 0; x < columns; ++x)
      ConvertPixel(y[x], cb[x / 2], cr[x / 2], rgb + 3 * x, rgb + 3 * x + 1, rgb + 3 * x + 2);
  }
}

// The reference: every pixel on its own, each component's sample found by
// its sampling factors.
void CKXJpegDecoder::ConvertPlainRow(long y, unsigned char* r, unsigned char* g, unsigned char* b, long step) {
  const std::int32_t* source[3] = {nullptr, nullptr, nullptr};
  int repH[3] = {1, 1, 1};
  const bool rgb = SamplesAreRGB();
  for (int c = 0; c < mComponentCount; ++c) {
    repH[c] = mDecHmax / mDecH[c];
    source[c] = mWork[c] + (y / (mDecVmax / mDecV[c])) * mStride[c];
  }
  for (long x = 0; x < mWidth; ++x) {
    const long at = x * step;
    if (mComponentCount == 1) {
      r[at] = g[at] = b[at] = ClampSample(double(source[0][x]));
    } else if (rgb) {
      r[at] = ClampSample(double(source[0][x / repH[0]]));
      g[at] = ClampSample(double(source[1][x / repH[1]]));
      b[at] = ClampSample(double(source[2][x / repH[2]]));
    } else {
      ConvertPixel(source[0][x / repH[0]], source[1][x / repH[1]], source[2][x / repH[2]], r + at, g + at, b + at);
    }
  }
}

// The pixels of one MCU row from the planes, row by row, into the band or
// the picture's planes.
void CKXJpegDecoder::ConvertBand(long mcuRow) {
  const long top = mcuRow * mDecVmax * 8;
  const long rows = std::min<long>(mDecVmax * 8, mHeight - top);
  auto out = [&](long y) {
    if (mBand) {
      unsigned char* p = mBand + y * mWidth * 3;
      return SRowOut{p, p + 1, p + 2, 3};
    }
    const long at = (top + y) * mWidth;
    return SRowOut{mR + at, mG + at, mB + at, 1};
  };
  // Red, green and blue samples (seldom met) go pixel by pixel.
  if (mPlain || SamplesAreRGB()) {
    for (long y = 0; y < rows; ++y) {
      const SRowOut o = out(y);
      ConvertPlainRow(y, o.r, o.g, o.b, o.step);
    }
    return;
  }
  if (mComponentCount == 1) {
    for (long y = 0; y < rows; ++y) GreyRow(mWork[0] + y * mStride[0], out(y), mWidth);
    return;
  }
  int repV[3];
  for (int c = 0; c < 3; ++c) repV[c] = mDecVmax / mDecV[c];
  auto row = [&](int c, long y) { return mWork[c] + (y / repV[c]) * mStride[c]; };
  if (!mWide) {
    // Chroma at full or half width: straight from the planes, two rows at a
    // time where they share their chroma rows.
    const bool half = HalfChroma();
    for (long y = 0; y < rows;) {
      const bool pair = y + 1 < rows && y / repV[1] == (y + 1) / repV[1] && y / repV[2] == (y + 1) / repV[2];
      const SRowOut o0 = out(y), o1 = pair ? out(y + 1) : o0;
      ColourRows(row(0, y), pair ? row(0, y + 1) : nullptr, row(1, y), row(2, y), o0, o1, mWidth, half);
      y += pair ? 2 : 1;
    }
    return;
  }
  // Other samplings: each component's row replicated to full width first.
  const long wide = mStride[0] * (mDecHmax / mDecH[0]);
  for (long y = 0; y < rows; ++y) {
    const std::int32_t* full[3];
    for (int c = 0; c < 3; ++c) {
      const int repH = mDecHmax / mDecH[c];
      const std::int32_t* source = row(c, y);
      if (repH == 1) {
        full[c] = source;
        continue;
      }
      std::int32_t* to = mWide + c * wide;
      for (long x = 0; x < mWidth; ++x) to[x] = source[x / repH];
      full[c] = to;
    }
    const SRowOut o = out(y);
    ColourRows(full[0], nullptr, full[1], full[2], o, o, mWidth, false);
  }
}

void CKXJpegPixelRows::RowsDecoded(const unsigned char* rgb, long, long count) {
  unsigned char *r, *g, *b;
  long width, height;
  GetPictData(&r, &g, &b, width, height);
  mRgb.insert(mRgb.end(), rgb, rgb + width * 3 * count);
}
