// A document file as a set of flavors. CKXTextFileTube maps each flavor to
// its place in one of two layouts:
//
//   classic:   the flavor equal to the file's own type (the text) is the
//              data file; every other flavor is a resource of the resource
//              fork, kept in the sidecar "._name"; records big-endian.
//   container: the data file is our resource container, the text is
//              "TEXT" 1 and every other flavor a resource of it; records in
//              the writer's byte order. No resource fork.
//
// A tube lives for one read or one write. A writing tube loads the old
// sidecar (so that a Mac's Finder information and foreign resources
// survive), keeps every put and delete in memory, and replaces the data
// file and the sidecar only in Commit, after everything has been written;
// a tube destroyed without Commit leaves the files as they were.
//
// Records leave and enter the tube in the machine's own byte order; the
// run flavors in their big-endian transfer form (engine/text_flavors.h).
// Pictures are handled in their in-memory form: every picture a PICT, a
// picture of another kind carrying 2 x kind + 1 in its size field:
//   JPEG:          a preview, padded to 16 bytes, "*JPEG-DATA-START", the JPEG;
//                  the preview is the dummy picture under the decoded
//                  picture's frame (only the JPEG is drawn, printed or saved);
//   WBMP, WDIB:    the dummy picture, then the Windows data;
//   WMFP, WEMF:    the dummy picture, an 8-byte "WSIZ", then the metafile.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/resource.h"
#include "engine/data_tube.h"
#include "layout/draw_picture.h"   // sJPEGIDString
#include "platform/appledouble.h"
#include "platform/files.h"
#include "platform/resfork.h"
#include "platform/types.h"

class CKXSafeBatch;

enum class EKXLayout { kClassic, kContainer };

// Picture kinds, in the order they are probed.
enum : short { kKxPictPICT = 0, kKxPictWBMP, kKxPictWDIB, kKxPictWMFP, kKxPictWEMF, kKxPictJPEG, kKxPictKinds };
extern const OSType sTypePict[kKxPictKinds];
constexpr long kKxPictFileHeader = 512;
constexpr OSType kKxTypeWSIZ = FourCC("WSIZ");
// The private resource of a sidecar we write: the text's length (64-bit)
// and CRC-32, big-endian, to notice a text rewritten by another program.
constexpr OSType kKxTextCheckType = FourCC("KXck");
constexpr short kKxTextCheckID = 0;
constexpr long kKxTextCheckSize = 12;
// Beside it, when the text is not written as the script's own bytes with
// CR line ends: how it was spelt (encoding code and line-end type, 16 bits
// each) and the length of the text before (64 bits), big-endian, so that
// the styles' offsets meet the text again once it is read back.
constexpr OSType kKxTextSpellingType = FourCC("KXtf");
constexpr short kKxTextSpellingID = 0;
constexpr long kKxTextSpellingSize = 12;

struct SKXTextSpelling {
  std::uint16_t encoding = 0;  // 0 Shift_JIS, 1 JIS, 2 EUC-JP
  std::int16_t lineEnd = 0;    // 0 CR, 1 CR LF, 2 LF
  std::uint64_t length = 0;    // of the text as the styles count it
};

std::uint32_t KxCrc32(const std::uint8_t* p, std::size_t n);

// The container with the document's byte-order hooks: a container written
// on a machine of the other byte order is converted record by record as it
// is read, and the window rectangles of "MPSR" and the line heights of
// "styl" are never kept.
class CKXTextResFile : public CKXMemResource {
 public:
  using CKXMemResource::CKXMemResource;
  using CKXResource::AdjustResource;
  using CKXResource::InvertResource;
  void InvertResource(ResType type, short id, void* buffer, long size) override;
  Boolean AdjustResource(ResType type, short id, void* buffer, long size) override;
};

class CKXTextFlavorFile {
 public:
  // The flavor whose bytes a stored type and ID hold.
  static OSType FileFlavorType(OSType stored, short id);
  // Converts the records between the machine's order and big-endian (the
  // resource fork); `writing` picks the direction. Other flavors pass.
  static void SwapIntFlavorFile(OSType flavor, std::uint8_t* data, long size, bool writing);
};

class CKXTextFileTube : public CKXDataTube {
 public:
  CKXTextFileTube() = default;
  ~CKXTextFileTube() override = default;
  CKXTextFileTube(const CKXTextFileTube&) = delete;
  CKXTextFileTube& operator=(const CKXTextFileTube&) = delete;

  // Reading: 0, or an errno value with `message` saying what failed. A
  // damaged or stale sidecar is no failure: the plain text is read and
  // Notice() says why.
  // With `deferText` a classic file without a sidecar (a plain text) is
  // held open unread, for ReadDataFileAt to read in pieces; whatever else
  // needs its bytes reads them whole first.
  int OpenRead(const std::string& path, std::string& message, bool deferText = false);
  bool IsDataFileDeferred() const { return mFile != nullptr; }
  // The deferred data file: its size, and up to n bytes from `at` on
  // (fewer only at its end).
  std::size_t DeferredDataFileSize() const { return mFile ? mFile->Size() : 0; }
  int ReadDataFileAt(std::size_t at, void* buffer, std::size_t n, std::size_t& got) const;
  // The deferred data file read whole now: 0, or an errno value with
  // `message` saying what failed (the tube then holds no data).
  int ReadDeferred(std::string& message) const;
  // Writing a new version of `path` (which need not exist yet).
  int OpenWrite(const std::string& path, OSType fileType, OSType creator, EKXLayout layout, std::string& message);
  // Writes the data file and the sidecar (or removes a sidecar that holds
  // nothing any more). Any put that failed makes the commit fail with its
  // message, and nothing is replaced.
  // With a batch, the files join it instead (no backups): they are
  // replaced when the batch commits.
  int Commit(std::string& message, int backupGenerations = 0, CKXSafeBatch* batch = nullptr);

  bool IsWriting() const { return mWriting; }
  // The file uses the container layout.
  bool ResourceExists() const { return mLayout == EKXLayout::kContainer; }
  bool IsInverted() const { return mRes && mRes->IsInverted(); }
  OSType GetFileType() const { return mFileType; }
  OSType GetCreator() const { return mCreator; }
  // Why the styles and settings of the sidecar were not used (empty when
  // they were).
  const std::string& Notice() const { return mNotice; }
  bool IsStale() const { return mStale; }
  // Writing: the spelling of the text the styles go with (the script's own
  // bytes with CR needs no record). Reading: the record found, if any.
  void SetTextSpelling(const SKXTextSpelling& spelling) { mTextSpelling = spelling; }
  bool GetTextSpelling(SKXTextSpelling& spelling) const;

  // A writing tube asks `engine` for the flavors of `range` (AddFlavor).
  void SetEngine(CKXFlavorSender* engine, const SKXRange& range) {
    mEngine = engine;
    mRange = range;
  }

  short GetFlavorForType() override { return kKxTubeFile; }
  bool FlavorExists(OSType type) override;
  long GetFlavorSize(OSType type) override;
  // Copies min(flavor size, maxSize) bytes and answers how many; with an
  // explicit size (not kKxWholeFlavor) the rest of the buffer is cleared.
  long GetFlavorData(OSType type, void* buffer, long maxSize) override;
  // The whole flavor; false (out empty) when there is none.
  bool GetFlavorData(OSType type, std::vector<std::uint8_t>& out);
  // The same, but the classic data file is moved out rather than copied:
  // the tube holds it no more, and a later read of it fails.
  bool TakeFlavorData(OSType type, std::vector<std::uint8_t>& out);
  // A put that cannot be stored makes Commit fail with its message.
  void SetFlavorData(OSType type, const void* data, long size, long maxSize) override;
  void SetFlavorBytes(OSType type, std::vector<std::uint8_t>&& bytes) override;
  bool TakeFlavor(OSType type, std::vector<std::uint8_t>& out) override;
  bool PutFlavor(OSType type, const void* data, long size);
  // The same, taking the bytes over (left empty) where they are stored as
  // they are (the classic data file).
  bool PutFlavor(OSType type, std::vector<std::uint8_t>&& data);
  // The flavor `type`, of `size` bytes, is read from `read` piece by piece
  // as the file is written, so that no copy of it is held; `read` must stay
  // valid until Commit. Only for the classic data file: false (nothing
  // put) for any other flavor, which the caller puts whole.
  bool PutDataFileFrom(OSType type, long size, PieceReader read);
  bool SetFlavorFrom(OSType type, long size, PieceReader read) override {
    return PutDataFileFrom(type, size, std::move(read));
  }
  void DeleteFlavorData(OSType type) override;
  void AddFlavor(OSType type) override;

  bool PictureExists();
  long GetPictureSize();
  long GetPictureData(void* buffer, long maxSize);
  bool SetPictureData(const void* data, long size);
  void DeletePictureData();

  // A stored resource, for listings.
  struct SStored {
    OSType type;
    short id;
    long size;
  };
  std::vector<SStored> ListStored() const;
  long GetDataForkSize() const {
    LoadDeferred();
    return long(mData.size());
  }
  // The classic data file as read (empty for a container, or once taken).
  const std::vector<std::uint8_t>& GetDataFork() const {
    LoadDeferred();
    return mData;
  }

  static OSType TextFileTypeCheck(OSType type, const std::string& name);
  static OSType GetFlavorTypeFromName(const std::string& name);
  static const std::vector<std::uint8_t>& GetDummyPict();
  static long GetDummyPictSize() { return long(GetDummyPict().size()); }
  // The JPEG form of a JPEG's bytes; empty when it does not decode. Its
  // size is the JPEG's and a few bytes, whatever the picture's pixels.
  static std::vector<std::uint8_t> GetPictureFromJPEG(const void* jpeg, long size);

 private:
  // The stored type and ID of a flavor.
  void MapFlavor(OSType flavor, OSType& stored, short& id) const;
  void Advance(OSType flavor);
  bool IsDataFork(OSType stored) const;
  // Whether the flavor is the classic layout's data file held as it is
  // (not a picture file behind its header, not a run record), which is
  // read and written without a copy; maps the flavor on the way.
  bool IsBareDataFile(OSType type, OSType& stored, short& id) const;
  bool StoredExists(OSType stored, short id) const;
  long StoredSize(OSType stored, short id) const;
  bool ReadStored(OSType stored, short id, std::vector<std::uint8_t>& out) const;
  bool WriteStored(OSType stored, short id, const std::uint8_t* data, long size);
  void DeleteStored(OSType stored, short id);
  short PictID() const { return short(mLayout == EKXLayout::kContainer ? mPictNumber - 999 : mPictNumber); }
  bool BuildPicture(std::vector<std::uint8_t>& out);
  void Fail(const std::string& message);
  long DataSize() const { return mSource ? mSourceSize : long(mData.size()); }
  // The data file's bytes in order, piece by piece; the first error of
  // `put`, or EIO when the source ends early.
  int EachDataPiece(const std::function<int(const std::uint8_t*, std::size_t)>& put) const;
  // The same pieces whole in `out` (left empty on an error).
  int GatherDataPieces(std::vector<std::uint8_t>& out) const;
  // Whether the data file would end as a container does.
  bool DataEndsAsContainer() const;

  CKXFlavorSender* mEngine = nullptr;
  SKXRange mRange{0, -1};
  std::string mPath;
  bool mWriting = false;
  EKXLayout mLayout = EKXLayout::kClassic;
  OSType mFileType = 0;
  OSType mCreator = 0;
  short mCurrentRef = 128;
  // The deferred data file read whole, for a use that needs it so.
  void LoadDeferred() const;

  mutable std::vector<std::uint8_t> mData;  // classic: the data file
  mutable std::unique_ptr<CKXFileReader> mFile;  // classic: the data file unread
  bool mDataTaken = false;          // moved out by TakeFlavorData
  PieceReader mSource;              // classic: the data file by pieces
  long mSourceSize = 0;
  KxResFork mFork;                  // classic: the resource fork
  KxAppleDouble mSidecar;
  bool mHadSidecar = false;
  bool mSidecarDamaged = false;
  std::unique_ptr<CKXTextResFile> mRes;
  long mPictNumber = 1000;
  short mPictKind = -1;
  long mPictHeader = 0;
  std::vector<std::uint8_t> mPreview;
  bool mStale = false;
  SKXTextSpelling mTextSpelling;
  std::string mNotice;
  std::string mError;
};
