// Baseline sequential JPEG (Huffman coded, SOF0, 8-bit samples, one or three
// components) decoded from memory into three 8-bit planes of red, green and
// blue. Inline pictures and pasted JPEG data are shown through it.
#pragma once

#include <cstdint>
#include <vector>

// Errors inside the decoder. Each carries a data position (or a size) and
// the number of the place that threw it:
//  buffer       22 byte, 23 word, 24 copy, 25 skip read past the end
//  memory       5 Huffman tables; 11, 12, 13 red, green, blue plane; 14, 15,
//               16 work planes; 33 the comment; 34 the rows of replicated
//               chroma
//  data format  1 a marker that is not handled; 2 a Huffman table that its
//               segment cannot hold; 3 Huffman class above 1; 4 Huffman table
//               number above 3; 17 a marker or bad data where a DC code is
//               due; 18 the same for an AC code; 19 a zero size with a run
//               other than 15; 20 a run that passes coefficient 63; 21 no
//               code matches within 16 bits; 26 a segment length below what
//               the segment holds; 27 a sampling factor of 0 or above 4;
//               28 a quantisation table number above 3; 29 a scan component
//               that is not in the frame (or a component named twice);
//               30 a DC size above 16; 31 a coefficient or sample outside
//               the range it is held in; 32 no frame, or an empty one
//  index        8 more Huffman values than 256; 9 scan DC table above 2;
//               10 scan AC table above 2
//  not supported: another frame kind, a component count other than 1 or 3,
//               a precision other than 8, a scan that does not hold every
//               component, sampling factors that are not whole multiples
class EKXJpegBufferError {
 public:
  EKXJpegBufferError(std::int32_t position, std::int32_t code) : mPosition(position), mCode(code) {}
  std::int32_t mPosition;
  std::int32_t mCode;
};

class EKXJpegMemoryError {
 public:
  EKXJpegMemoryError(std::int32_t size, std::int32_t code) : mSize(size), mCode(code) {}
  std::int32_t mSize;
  std::int32_t mCode;
};

class EKXJpegDataFormatError {
 public:
  EKXJpegDataFormatError(std::int32_t position, std::int32_t code) : mPosition(position), mCode(code) {}
  std::int32_t mPosition;
  std::int32_t mCode;
};

class EKXJpegIndexError {
 public:
  EKXJpegIndexError(std::int32_t limit, std::int32_t value, std::int32_t code)
      : mLimit(limit), mValue(value), mCode(code) {}
  std::int32_t mLimit;
  std::int32_t mValue;
  std::int32_t mCode;
};

class EKXJpegNotSupported {
 public:
  EKXJpegNotSupported(std::int32_t marker, std::int32_t position) : mMarker(marker), mPosition(position) {}
  std::int32_t mMarker;
  std::int32_t mPosition;
};

// Largest picture decoded (pixels); larger ones fail as a memory error.
constexpr long kKXJpegMaxPixels = 1L << 28;

// The byte and bit reader over the JPEG data. Entropy-coded data is read
// through a 64-bit buffer of bits that stops in front of a marker (0xFF
// followed by a byte other than 0x00) and at the end of the data.
class CKXJpegDataStream {
 public:
  CKXJpegDataStream(const unsigned char* data, long length);

  // Byte reads first finish a partly read byte.
  int GetByte();
  int GetWord();  // big-endian
  void SkipByte(long count);
  void CopyByte(char* dest, long count);
  // Reads n bits (0-16) most significant first. At a marker it answers the
  // negative of the marker byte; at the end of the data it throws.
  long GetBits(int n);
  // Next marker byte: skips bytes up to a 0xFF followed by a byte other than
  // 0x00 or 0xFF (0xFF fill bytes may stand before a marker). Marker bytes
  // 3 to 191 are answered as 255.
  int GetMarker();

  long Position() const { return mPtr - mStart; }
  bool DataLeft() const { return mPtr < mEnd; }

 private:
  // The entropy decoder reads the bit buffer directly.
  friend class CKXJpegDecoder;
  void FillBits();
  void AlignToByte();
  std::uint64_t mBits = 0;  // left-aligned
  int mBitCount = 0;
  bool mMarkerAhead = false;  // filling stopped at a marker, not at the end
  const unsigned char* mStart;
  const unsigned char* mPtr;
  const unsigned char* mEnd;
};

constexpr int kKXJpegFastACBits = 10;

// One Huffman table in canonical form, with a 9-bit lookup for short codes.
struct SKXJpegHuffman {
  int mCount = 0;                // number of codes (0: not defined)
  unsigned char mLengths[256];   // code length of each value, in code order
  std::uint32_t mCodes[256];
  unsigned char mValues[256];
  // Per length 1-16: largest code (-1: none) and index of its first value
  // minus its first code.
  std::int32_t mMaxCode[17];
  std::int32_t mValueOffset[17];
  std::uint16_t mFast[512];      // (length << 8) | value; 0 when longer than 9 bits
  // AC tables: a code of run and size whose code and extra bits take at
  // most kKXJpegFastACBits, by those bits: (coefficient << 16) | (run << 5)
  // | bits taken; 0 otherwise.
  std::int32_t mFastAC[1 << kKXJpegFastACBits];
};

struct SKXJpegJFIF {
  int mKind = 0;  // 1 JFIF, 2 JFXX
  int mVersionMajor = 0, mVersionMinor = 0;
  int mDensityUnit = 0;
  int mXDensity = 0, mYDensity = 0;
  int mThumbWidth = 0, mThumbHeight = 0;
  int mExtension = 0;
};

class CKXJpegDecoder {
 public:
  enum EError { kNoError, kBufferError, kMemoryError, kDataFormatError, kIndexError, kNotSupported };
  enum { kHuffmanRead = 1, kQuantRead = 2, kJFIFRead = 4, kCommentRead = 8, kScanReached = 16 };

  CKXJpegDecoder();
  virtual ~CKXJpegDecoder();
  CKXJpegDecoder(const CKXJpegDecoder&) = delete;
  CKXJpegDecoder& operator=(const CKXJpegDecoder&) = delete;

  // Reads the markers up to the scan header. 0 when the analysis reached the
  // scan header or EOI, -1 after a memory error, -2 after any other error.
  // The data must stay valid until decoding ends.
  long SetJpegData(char* data, long length);
  // Decodes the scan into the planes: 0, -1 (memory, index or buffer error)
  // or -2 (data format, not supported, or no scan to decode). The planes are
  // freed on every error.
  long DoDecode();
  // Decodes like DoDecode, but hands the picture to RowsDecoded one MCU row
  // (a band of rows) at a time, red, green and blue interleaved, instead of
  // keeping whole planes (GetPictData then answers none).
  long DoDecodeRows();
  void GetPictData(unsigned char** r, unsigned char** g, unsigned char** b, long& width, long& height) const;
  void DeleteRGB();
  void DeleteDecode();

  // What the last failing call met, and the number of its throw site.
  EError GetLastError(long* code = nullptr) const;
  long GetAnalysisFlags() const { return mFlags; }
  const char* GetComment() const { return mComment; }
  const SKXJpegJFIF& GetJFIF() const { return mJFIF; }
  int GetRestartInterval() const { return mRestartInterval; }
  // Decodes through the plain steps instead (the IDCT's direct sum, the
  // colour pixel by pixel): slow, and the same bytes; for comparisons.
  void SetPlainSteps(bool on) { mPlain = on; }

 protected:
  // Sees the quantised coefficients (natural order) of every block that
  // holds samples of the picture, as they are decoded; the padding blocks of
  // the last MCU row and column are left out.
  virtual void BlockDecoded(int /*component*/, long /*blockRow*/, long /*blockColumn*/,
                            const std::int32_t* /*coefficients*/) {}
  // DoDecodeRows: rows top to top + count - 1 of the picture, 3 bytes a
  // pixel, width * 3 bytes a row; valid during the call only.
  virtual void RowsDecoded(const unsigned char* /*rgb*/, long /*top*/, long /*count*/) {}

 private:
  struct SComponent {
    int mId = 0;
    int mH = 0, mV = 0;  // sampling as read
    int mTq = 0;
  };
  struct SScanComponent {
    int mFrameIndex = 0;
    int mTd = 0, mTa = 0;
  };

  void DoAnalysis();
  void ReadFrame(int marker);
  void ReadHuffmanTables();
  void ReadQuantTables();
  void ReadScanHeader();
  void ReadAPP0();
  void ReadAPP14();
  // Whether the three components are red, green and blue, not YCbCr.
  bool SamplesAreRGB() const;
  void ReadComment();
  int SegmentLength(int minimum);
  void Decode(bool rows);
  long RunDecode(bool rows);
  void DecodeMCU(long mcuRow, long mcuColumn);
  void DecodeHuffmanBlock(int scanIndex);
  int Decode1HuffmanCode(const SKXJpegHuffman& table, int errorCode);
  long ReceiveBits(int n, int errorCode);
  void ConvertBand(long mcuRow);
  // The usual 4:2:0 and 4:2:2: full luma, chroma every second column.
  bool HalfChroma() const {
    return mComponentCount == 3 && mDecH[0] == mDecHmax && mDecH[1] * 2 == mDecHmax && mDecH[2] * 2 == mDecHmax;
  }
  void ConvertPlainRow(long y, unsigned char* r, unsigned char* g, unsigned char* b, long step);
  void Fail(EError kind, long code);
  EError RecordError();
  void ResetAnalysis();

  CKXJpegDataStream* mStream = nullptr;
  unsigned char* mR = nullptr;
  unsigned char* mG = nullptr;
  unsigned char* mB = nullptr;
  unsigned char* mBand = nullptr;  // DoDecodeRows: the rows of one MCU row
  // Y, Cb and Cr of one MCU row, each at its own resolution, mStride
  // samples a row.
  std::int32_t* mWork[3] = {nullptr, nullptr, nullptr};
  long mStride[3] = {0, 0, 0};
  std::int32_t* mWide = nullptr;  // chroma rows replicated to full width
  std::int32_t mDCPred[3] = {0, 0, 0};
  std::int32_t mCoef[64];
  std::int32_t mSamples[64];
  std::int32_t mQuant[4][64];
  SKXJpegHuffman* mHuffman = nullptr;  // [class * 4 + number]
  long mFlags = 0;
  long mWidth = 0, mHeight = 0;
  int mComponentCount = 0;
  int mPrecision = 0;
  bool mFrameRead = false;
  SKXJpegJFIF mJFIF;
  int mAdobeTransform = -1;  // from Adobe's marker; -1 without one
  SComponent mFrame[3];
  // Sampling used for decoding: a single component is its own MCU of one
  // block whatever its factors say, as the JPEG standard has it. Otherwise
  // the factors as read, and the largest of them.
  int mDecH[3] = {0, 0, 0}, mDecV[3] = {0, 0, 0};
  int mDecHmax = 0, mDecVmax = 0;
  int mScanCount = 0;
  SScanComponent mScan[3];
  int mSpectralStart = 0, mSpectralEnd = 0, mApprox = 0;
  char* mComment = nullptr;
  int mRestartInterval = 0;
  int mState = 0;
  EError mLastError = kNoError;
  long mLastCode = 0;
  bool mPlain = false;
};

// A decoder whose rows, as DoDecodeRows hands them over, are appended to
// `rgb` as interleaved red, green and blue: the whole picture in one
// buffer, with no planes to interleave afterwards.
class CKXJpegPixelRows : public CKXJpegDecoder {
 public:
  explicit CKXJpegPixelRows(std::vector<std::uint8_t>& rgb) : mRgb(rgb) {}

 protected:
  void RowsDecoded(const unsigned char* rgb, long top, long count) override;

 private:
  std::vector<std::uint8_t>& mRgb;
};

// The colour conversion of one row into interleaved red, green and blue, by
// the vector path or (scalar) pixel by pixel; both give the same bytes. With
// halfChroma, cb and cr hold one sample for every two pixels.
void KxJpegConvertRow(const std::int32_t* y, const std::int32_t* cb, const std::int32_t* cr, unsigned char* rgb,
                      long columns, bool halfChroma, bool scalar);
