// Data tubes: the one interface through which the text engine reads and
// writes flavored data, whatever carries it: the clipboard, one item of a
// drag, an Apple-event descriptor record, or a file (its data plus its
// resources). A flavor is addressed by a four-character type within the
// tube's current item. A tube may forward to an inner tube, which lets one
// item of a drag be handed around as a tube of its own.
//
// Every size is checked against what the carrier really holds; reads and
// writes move the smaller of the flavor's size and the caller's maximum and
// answer the bytes really moved. Errors arrive as LException (an OS error,
// or 'nilP' for a missing file, handle, pointer or clipboard).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ae/desc.h"
#include "platform/host/clipboard_store.h"
#include "platform/host/drag_data.h"
#include "platform/resfork.h"
#include "platform/types.h"
#include "text/base/range.h"

// Kinds answered by GetFlavorForType.
constexpr short kKxTubeClipboard = 0;
constexpr short kKxTubeDrag = 1;
constexpr short kKxTubeFile = 2;
constexpr short kKxTubeDesc = 3;
constexpr short kKxTubeForward = 4;

// The error code of a missing file, handle, pointer or clipboard.
constexpr long kKxErrNilPointer = 0x6E696C50;  // 'nilP'
// Callers pass this as the maximum size when the whole flavor is meant.
constexpr long kKxWholeFlavor = 0x7fffffff;
// The item of a file tube that holds the data fork and the resources.
constexpr std::uint32_t kKxFileTubeItem = 129;
// "****": any flavor at all.
constexpr OSType kKxFlavorAny = FourCC("****");
constexpr OSType kKxFlavorNull = FourCC("null");

class CKXDataTube {
 public:
  CKXDataTube() = default;
  // An item tube: forwards to `inner` with `item` as the inner tube's item
  // for the length of each call. It reports no items of its own, so that a
  // search through items ends.
  CKXDataTube(CKXDataTube* inner, std::uint32_t item) : mInner(inner), mItem(item), mIsItem(inner != nullptr) {}
  virtual ~CKXDataTube() = default;
  CKXDataTube(const CKXDataTube&) = default;
  CKXDataTube& operator=(const CKXDataTube&) = default;

  virtual short GetFlavorForType();
  virtual bool FlavorExists(OSType type);
  virtual long GetFlavorSize(OSType type);
  // Copies min(flavor size, maxSize) bytes; answers how many.
  virtual long GetFlavorData(OSType type, void* buffer, long maxSize);
  // Announces a flavor the tube will be given (engine tubes make it now).
  virtual void AddFlavor(OSType type);
  // Writes min(size, maxSize) bytes as the flavor.
  virtual void SetFlavorData(OSType type, const void* data, long size, long maxSize);
  // Writes the whole of `bytes` as the flavor; a tube that can keep them
  // takes them over (left empty) instead of copying.
  virtual void SetFlavorBytes(OSType type, std::vector<std::uint8_t>&& bytes) {
    SetFlavorData(type, bytes.data(), static_cast<long>(bytes.size()), kKxWholeFlavor);
  }
  // Copies up to n bytes from offset `from` of a flavor's source into buf;
  // answers how many (fewer only at its end).
  using PieceReader = std::function<long(long from, std::uint8_t* buf, long n)>;
  // The flavor, of `size` bytes, read from `read` piece by piece when the
  // carrier writes it, so that no whole copy is made; `read` must stay valid
  // until then. False (nothing put) where the carrier takes flavors only
  // whole: the caller puts it so.
  virtual bool SetFlavorFrom(OSType type, long size, PieceReader read) {
    (void)type, (void)size, (void)read;
    return false;
  }
  // Removes a flavor where the carrier can (files); nothing elsewhere.
  virtual void DeleteFlavorData(OSType type);
  virtual long CountItems();
  // Items from 1; the reference is answered through itemRef when given.
  virtual CKXDataTube NthItem(long index, std::uint32_t* itemRef);
  virtual CKXDataTube KeyedItem(std::uint32_t itemRef);
  virtual long FlavorCount();
  virtual OSType NthFlavor(long index);

  // The handle is resized to the flavor and filled ('nilP' for a null one).
  virtual void GetFlavorHandle(OSType type, Handle h);
  virtual void GetFlavorAsDesc(OSType type, AEDesc* desc);
  virtual void SetFlavorHandle(OSType type, Handle h);

  // The whole flavor into `out`; false (out empty) when the tube has none.
  bool ReadFlavor(OSType type, std::vector<std::uint8_t>& out);
  // The same for a flavor read once: a tube that holds the bytes may hand
  // them over instead of copying them (it has them no more).
  virtual bool TakeFlavor(OSType type, std::vector<std::uint8_t>& out) { return ReadFlavor(type, out); }

  std::uint32_t GetItem() const { return mItem; }
  void SetItem(std::uint32_t item) { mItem = item; }
  CKXDataTube* GetInner() const { return mInner; }

 protected:
  // Runs `call` on the inner tube with this tube's item, restoring the
  // inner tube's own item afterwards, also when the call throws.
  template <typename F>
  auto Forward(F call);

  CKXDataTube* mInner = nullptr;
  std::uint32_t mItem = 0;
  bool mIsItem = false;
};

// The clipboard through UKXScrap. A reading tube takes one snapshot of
// every flavor when it is made, so that a paste sees one clipboard even
// when the desktop's changes meanwhile; a writing tube clears the
// clipboard and puts each flavor as it comes.
class CKXClipboardTube : public CKXDataTube {
 public:
  CKXClipboardTube();                    // reading
  explicit CKXClipboardTube(bool write); // writing: clears the clipboard
  short GetFlavorForType() override { return kKxTubeClipboard; }
  bool FlavorExists(OSType type) override;
  long GetFlavorSize(OSType type) override;
  long GetFlavorData(OSType type, void* buffer, long maxSize) override;
  void SetFlavorData(OSType type, const void* data, long size, long maxSize) override;
  long CountItems() override { return 0; }
  CKXDataTube NthItem(long index, std::uint32_t* itemRef) override;
  long FlavorCount() override;
  OSType NthFlavor(long index) override;

 protected:
  bool mWriting = false;
  KxClipboardStore mSnapshot;
};

// One item of a drag.
class CKXDragTube : public CKXDataTube {
 public:
  // 'nilP' for a null drag.
  CKXDragTube(KxDragData* drag, KxDragItemRef item);
  short GetFlavorForType() override { return kKxTubeDrag; }
  bool FlavorExists(OSType type) override;
  long GetFlavorSize(OSType type) override;
  long GetFlavorData(OSType type, void* buffer, long maxSize) override;
  void SetFlavorData(OSType type, const void* data, long size, long maxSize) override;
  long CountItems() override;
  CKXDataTube NthItem(long index, std::uint32_t* itemRef) override;
  CKXDataTube KeyedItem(std::uint32_t itemRef) override;
  long FlavorCount() override;
  OSType NthFlavor(long index) override;
  KxDragData* GetDrag() const { return mDrag; }

 protected:
  // The current item; badDragItemErr when the drag has none of that ref.
  const KxDragData::Item& CurrentItem() const;
  KxDragData* mDrag;
};

// A descriptor: a flavor is the keyword of a record item, or the
// descriptor itself when the type is the descriptor's own.
class CKXDescTube : public CKXDataTube {
 public:
  CKXDescTube(AEDesc* desc, bool onlyRequired);
  short GetFlavorForType() override { return kKxTubeDesc; }
  bool FlavorExists(OSType type) override;
  long GetFlavorSize(OSType type) override;
  long GetFlavorData(OSType type, void* buffer, long maxSize) override;
  void SetFlavorData(OSType type, const void* data, long size, long maxSize) override;
  long CountItems() override { return 0; }
  CKXDataTube NthItem(long index, std::uint32_t* itemRef) override;
  long FlavorCount() override;
  OSType NthFlavor(long index) override;
  bool GetOnlyReqdFlavors() const { return mOnlyRequired; }
  AEDesc* GetDesc() const { return mDesc; }

 protected:
  AEDesc* mDesc;
  bool mOnlyRequired;
};

// Open permissions of a file tube.
constexpr short kKxFileRead = 1;
constexpr short kKxFileReadWrite = 3;

// A file: the flavor whose type is the file's type (item 129) is its data
// fork; every other flavor is the resource of that type whose ID is the
// item, in the file's resources (the AppleDouble sidecar). The data fork is
// read from offset 0 and written whole through the safe writer; resources
// are written back (safely) by Close, and only when they changed.
class CKXFileTube : public CKXDataTube {
 public:
  // The file type comes from the sidecar or the name ending; 'nilP' for an
  // empty path.
  CKXFileTube(const std::string& path, short permission);
  // Closes without throwing; writers call Close themselves to learn errors.
  ~CKXFileTube() override;
  CKXFileTube(const CKXFileTube&) = delete;
  CKXFileTube& operator=(const CKXFileTube&) = delete;

  short GetFlavorForType() override { return kKxTubeFile; }
  bool FlavorExists(OSType type) override;
  long GetFlavorSize(OSType type) override;
  long GetFlavorData(OSType type, void* buffer, long maxSize) override;
  void SetFlavorData(OSType type, const void* data, long size, long maxSize) override;
  void DeleteFlavorData(OSType type) override;
  long CountItems() override { return 0; }
  CKXDataTube NthItem(long index, std::uint32_t* itemRef) override;

  virtual void CheckDataFork();
  virtual void CheckResourceFork();
  virtual bool HasResourceFork();
  virtual void AddResourceFork();
  virtual void MakeResourceForkCurrent() {}

  // Writes changed resources; throws the error of a failed write (the old
  // sidecar then stays as it was).
  virtual void Close();

  const std::string& GetPath() const { return mPath; }
  OSType GetFileType() const { return mFileType; }
  OSType GetCreator() const { return mCreator; }
  short GetPermission() const { return mPermission; }
  // The data fork's bytes (read on first use).
  const std::vector<std::uint8_t>& DataFork();

 protected:
  bool IsDataFork(OSType type) const { return type == mFileType && mItem == kKxFileTubeItem; }
  void CheckWritable() const;

  std::string mPath;
  short mPermission;
  OSType mFileType = 0;
  OSType mCreator = 0;
  bool mDataLoaded = false;
  std::vector<std::uint8_t> mData;
  bool mForkLoaded = false;
  bool mForkExists = false;
  bool mForkChanged = false;
  KxResFork mFork;
};

// What engine tubes ask of the engine that binds them: the text engine
// answers through its flavor exchange.
class CKXFlavorSender {
 public:
  virtual ~CKXFlavorSender() = default;
  virtual void AddFlavorTypesTo(const SKXRange& range, CKXDataTube& tube) = 0;
  virtual bool SendFlavorTo(OSType type, const SKXRange& range, CKXDataTube& tube) = 0;
};

// The engine tubes: a tube bound to an engine (null when reading) and a
// range. Writing ones announce every flavor of the range when made;
// AddFlavor makes that flavor at once. The private flavors travel in the
// big-endian layouts of text_flavors.h as they are: the reader checks them
// against their real sizes, so nothing is swapped in place.
class CKXTextClipboardTube : public CKXClipboardTube {
 public:
  CKXTextClipboardTube(CKXFlavorSender* engine, const SKXRange& range);  // writing
  CKXTextClipboardTube();                                              // reading, whole range
  bool FlavorExists(OSType type) override;
  long GetFlavorSize(OSType type) override;
  long GetFlavorData(OSType type, void* buffer, long maxSize) override;
  void SetFlavorData(OSType type, const void* data, long size, long maxSize) override;
  void AddFlavor(OSType type) override;
  // Pictures go under "PICT", "PICT"+1, ...: the code of the next one.
  OSType PictureCode() const { return FourCC("PICS") + static_cast<OSType>(mPictCount); }
  void ResetPictures() { mPictCount = 1; }

 private:
  CKXFlavorSender* mEngine = nullptr;
  SKXRange mRange{0, -1};
  long mPictCount = 1;
};

class CKXTextDragTube : public CKXDragTube {
 public:
  CKXTextDragTube(KxDragData* drag, KxDragItemRef item, CKXFlavorSender* engine, const SKXRange& range);
  CKXTextDragTube(KxDragData* drag, KxDragItemRef item);
  void AddFlavor(OSType type) override;

 private:
  CKXFlavorSender* mEngine = nullptr;
  SKXRange mRange{0, -1};
};

class CKXTextDescTube : public CKXDescTube {
 public:
  CKXTextDescTube(AEDesc* desc, CKXFlavorSender* engine, const SKXRange& range);
  void AddFlavor(OSType type) override;

 private:
  CKXFlavorSender* mEngine = nullptr;
  SKXRange mRange{0, -1};
};

// The clipboard primitives over the host's clipboard.
class KxHost;
using ScrapRef = KxHost*;
constexpr OSErr kKxScrapNoList = -102;

class UKXScrap {
 public:
  static OSStatus GetCurrentScrap(ScrapRef* scrap);
  static OSStatus GetScrapFlavorSize(ScrapRef scrap, OSType type, long* size);
  // Copies min(*size, flavor size) bytes and answers that count in *size.
  static OSStatus GetScrapFlavorData(ScrapRef scrap, OSType type, long* size, void* data);
  static OSStatus GetScrapFlavorCount(ScrapRef scrap, long* count);
  // paramErr for n outside 1..count.
  static OSStatus GetScrapFlavorType(ScrapRef scrap, long n, OSType* type);
  static OSStatus ClearCurrentScrap();
  static OSStatus PutScrapFlavor(ScrapRef scrap, OSType type, long size, const void* data);
  static OSStatus PutScrap(const void* data, OSType type, long size, bool clearFirst);
  // Every flavor at once (one read of the desktop's clipboard).
  static OSStatus Snapshot(KxClipboardStore& out);
};
