#include "engine/data_tube.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/host/host.h"
#include "platform/memory.h"

namespace {

[[noreturn]] void Fail(long err) { throw LException(err); }

// min(size, maxSize), never below 0.
long Span(long size, long maxSize) { return std::max(0L, std::min(size, maxSize)); }

long ClampLong(std::size_t n) { return static_cast<long>(std::min<std::size_t>(n, kKxWholeFlavor)); }

// The errno of a failed file call as an OS error for the tubes.
OSErr FileErr(int err) { return err == ENOENT ? fnfErr : ioErr; }

}  // namespace

// ---- the base: forwarding -----------------------------------------------------------

template <typename F>
auto CKXDataTube::Forward(F call) {
  struct Restore {
    CKXDataTube* tube;
    std::uint32_t item;
    ~Restore() { tube->mItem = item; }
  } restore{mInner, mInner->mItem};
  mInner->mItem = mItem;
  return call(*mInner);
}

short CKXDataTube::GetFlavorForType() {
  return mInner ? Forward([](CKXDataTube& t) { return t.GetFlavorForType(); }) : kKxTubeForward;
}

bool CKXDataTube::FlavorExists(OSType type) {
  return mInner && Forward([&](CKXDataTube& t) { return t.FlavorExists(type); });
}

long CKXDataTube::GetFlavorSize(OSType type) {
  return mInner ? Forward([&](CKXDataTube& t) { return t.GetFlavorSize(type); }) : 0;
}

long CKXDataTube::GetFlavorData(OSType type, void* buffer, long maxSize) {
  return mInner ? Forward([&](CKXDataTube& t) { return t.GetFlavorData(type, buffer, maxSize); }) : 0;
}

void CKXDataTube::AddFlavor(OSType) {}
void CKXDataTube::SetFlavorData(OSType, const void*, long, long) {}
void CKXDataTube::DeleteFlavorData(OSType) {}

long CKXDataTube::CountItems() {
  if (!mInner || mIsItem) return 0;
  return Forward([](CKXDataTube& t) { return t.CountItems(); });
}

CKXDataTube CKXDataTube::NthItem(long index, std::uint32_t* itemRef) {
  if (!mInner || mIsItem) {
    if (itemRef) *itemRef = 0;
    return CKXDataTube();
  }
  return Forward([&](CKXDataTube& t) { return t.NthItem(index, itemRef); });
}

CKXDataTube CKXDataTube::KeyedItem(std::uint32_t itemRef) {
  if (!mInner) return CKXDataTube();
  return Forward([&](CKXDataTube& t) { return t.KeyedItem(itemRef); });
}

long CKXDataTube::FlavorCount() {
  return mInner ? Forward([](CKXDataTube& t) { return t.FlavorCount(); }) : 0;
}

OSType CKXDataTube::NthFlavor(long index) {
  return mInner ? Forward([&](CKXDataTube& t) { return t.NthFlavor(index); }) : 0;
}

void CKXDataTube::GetFlavorHandle(OSType type, Handle h) {
  if (!h) Fail(kKxErrNilPointer);
  const long size = GetFlavorSize(type);
  SetHandleSize(h, static_cast<Size>(size));
  if (OSErr err = MemError()) Fail(err);
  HLock(h);
  long got = 0;
  try {
    got = size > 0 ? GetFlavorData(type, *h, size) : 0;
  } catch (...) {
    HUnlock(h);
    throw;
  }
  HUnlock(h);
  // A carrier that delivered less than it announced leaves no stale tail.
  if (got < size) SetHandleSize(h, static_cast<Size>(got));
}

void CKXDataTube::SetFlavorHandle(OSType type, Handle h) {
  if (!h) Fail(kKxErrNilPointer);
  HLock(h);
  try {
    SetFlavorData(type, *h, GetHandleSize(h), kKxWholeFlavor);
  } catch (...) {
    HUnlock(h);
    throw;
  }
  HUnlock(h);
}

void CKXDataTube::GetFlavorAsDesc(OSType type, AEDesc* desc) {
  if (!desc) Fail(kKxErrNilPointer);
  const long size = GetFlavorSize(type);
  if (size <= 0) {
    *desc = AEDesc();
    return;
  }
  std::vector<std::uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    Fail(memFullErr);
  }
  const long got = GetFlavorData(type, bytes.data(), size);
  desc->ReplaceData(type, bytes.data(), static_cast<std::size_t>(std::max(0L, got)));
}

bool CKXDataTube::ReadFlavor(OSType type, std::vector<std::uint8_t>& out) {
  out.clear();
  if (!FlavorExists(type)) return false;
  const long size = GetFlavorSize(type);
  if (size <= 0) return true;
  out.resize(static_cast<std::size_t>(size));
  const long got = GetFlavorData(type, out.data(), size);
  out.resize(static_cast<std::size_t>(std::clamp(got, 0L, size)));
  return true;
}

// ---- the clipboard --------------------------------------------------------------------

CKXClipboardTube::CKXClipboardTube() {
  if (OSStatus err = UKXScrap::Snapshot(mSnapshot)) Fail(err);
}

CKXClipboardTube::CKXClipboardTube(bool write) : mWriting(write) {
  if (write) {
    if (OSStatus err = UKXScrap::ClearCurrentScrap()) Fail(err);
  } else if (OSStatus err = UKXScrap::Snapshot(mSnapshot)) {
    Fail(err);
  }
}

bool CKXClipboardTube::FlavorExists(OSType type) { return GetFlavorSize(type) > 0; }

long CKXClipboardTube::GetFlavorSize(OSType type) {
  if (mWriting) {
    long size = 0;
    return UKXScrap::GetScrapFlavorSize(&KxCurrentHost(), type, &size) == noErr ? size : 0;
  }
  const std::vector<std::uint8_t>* bytes = mSnapshot.Find(type);
  return bytes ? ClampLong(bytes->size()) : 0;
}

long CKXClipboardTube::GetFlavorData(OSType type, void* buffer, long maxSize) {
  if (!buffer || maxSize < 1) return 0;
  std::vector<std::uint8_t> read;
  const std::vector<std::uint8_t>* bytes = &read;
  if (mWriting) {
    KxCurrentHost().GetClipboard(type, read);
  } else if (const std::vector<std::uint8_t>* kept = mSnapshot.Find(type)) {
    bytes = kept;
  }
  const long n = Span(ClampLong(bytes->size()), maxSize);
  if (n > 0) std::memcpy(buffer, bytes->data(), static_cast<std::size_t>(n));
  return n;
}

void CKXClipboardTube::SetFlavorData(OSType type, const void* data, long size, long maxSize) {
  if (!data && size > 0) Fail(kKxErrNilPointer);
  if (OSStatus err = UKXScrap::PutScrapFlavor(&KxCurrentHost(), type, Span(size, maxSize), data)) Fail(err);
  if (!mWriting) mSnapshot.Put(type, data, static_cast<std::size_t>(Span(size, maxSize)));
}

CKXDataTube CKXClipboardTube::NthItem(long, std::uint32_t* itemRef) {
  if (itemRef) *itemRef = 0;
  return CKXDataTube();
}

long CKXClipboardTube::FlavorCount() {
  if (mWriting) {
    long count = 0;
    return UKXScrap::GetScrapFlavorCount(&KxCurrentHost(), &count) == noErr ? count : 0;
  }
  return static_cast<long>(mSnapshot.Types().size());
}

OSType CKXClipboardTube::NthFlavor(long index) {
  if (mWriting) {
    OSType type = 0;
    return UKXScrap::GetScrapFlavorType(&KxCurrentHost(), index, &type) == noErr ? type : 0;
  }
  const std::vector<OSType> types = mSnapshot.Types();
  return index >= 1 && index <= static_cast<long>(types.size()) ? types[static_cast<std::size_t>(index - 1)] : 0;
}

// ---- one item of a drag ---------------------------------------------------------------------

CKXDragTube::CKXDragTube(KxDragData* drag, KxDragItemRef item) : mDrag(drag) {
  if (!drag) Fail(kKxErrNilPointer);
  mItem = item;
}

const KxDragData::Item& CKXDragTube::CurrentItem() const {
  const KxDragData::Item* item = mDrag->FindItem(mItem);
  if (!item) Fail(badDragItemErr);
  return *item;
}

bool CKXDragTube::FlavorExists(OSType type) {
  // Only a missing flavor is "no"; a missing item is an error.
  return KxDragData::FindFlavor(CurrentItem(), type) != nullptr;
}

long CKXDragTube::GetFlavorSize(OSType type) {
  const KxDragData::Item* item = mDrag->FindItem(mItem);
  const KxDragData::Flavor* f = item ? KxDragData::FindFlavor(*item, type) : nullptr;
  return f ? ClampLong(f->bytes.size()) : 0;
}

long CKXDragTube::GetFlavorData(OSType type, void* buffer, long maxSize) {
  const KxDragData::Flavor* f = KxDragData::FindFlavor(CurrentItem(), type);
  if (!f) Fail(badDragFlavorErr);
  if (!buffer) return 0;
  const long n = Span(ClampLong(f->bytes.size()), maxSize);
  if (n > 0) std::memcpy(buffer, f->bytes.data(), static_cast<std::size_t>(n));
  return n;
}

void CKXDragTube::SetFlavorData(OSType type, const void* data, long size, long maxSize) {
  if (!data && size > 0) Fail(kKxErrNilPointer);
  if (!mDrag->FindItem(mItem)) mDrag->AddItem(mItem);
  if (OSErr err = mDrag->SetFlavor(mItem, type, data, static_cast<std::size_t>(Span(size, maxSize)))) Fail(err);
}

long CKXDragTube::CountItems() { return mIsItem ? 0 : mDrag->CountItems(); }

CKXDataTube CKXDragTube::NthItem(long index, std::uint32_t* itemRef) {
  const KxDragData::Item* item = mDrag->NthItem(index);
  if (!item) Fail(badDragItemErr);
  if (itemRef) *itemRef = item->ref;
  return KeyedItem(item->ref);
}

CKXDataTube CKXDragTube::KeyedItem(std::uint32_t itemRef) { return CKXDataTube(this, itemRef); }

long CKXDragTube::FlavorCount() { return static_cast<long>(CurrentItem().flavors.size()); }

OSType CKXDragTube::NthFlavor(long index) {
  const KxDragData::Item& item = CurrentItem();
  if (index < 1 || index > static_cast<long>(item.flavors.size())) Fail(badDragFlavorErr);
  return item.flavors[static_cast<std::size_t>(index - 1)].type;
}

// ---- a descriptor ------------------------------------------------------------------------

CKXDescTube::CKXDescTube(AEDesc* desc, bool onlyRequired) : mDesc(desc), mOnlyRequired(onlyRequired) {
  if (!desc) Fail(kKxErrNilPointer);
}

bool CKXDescTube::FlavorExists(OSType type) {
  if (type == kKxFlavorAny) return !mDesc->IsNull();
  if (type == mDesc->GetType()) return true;
  return mDesc->IsRecord() && mDesc->HasKey(type);
}

long CKXDescTube::GetFlavorSize(OSType type) {
  if (type == mDesc->GetType()) return ClampLong(mDesc->GetDataSize());
  const AEDesc* item = mDesc->IsRecord() ? mDesc->FindKey(type) : nullptr;
  return item ? ClampLong(item->GetDataSize()) : 0;
}

long CKXDescTube::GetFlavorData(OSType type, void* buffer, long maxSize) {
  if (!buffer) return 0;
  const AEDesc* item = type == mDesc->GetType() ? mDesc : (mDesc->IsRecord() ? mDesc->FindKey(type) : nullptr);
  if (!item) return 0;
  const long n = Span(ClampLong(item->GetDataSize()), maxSize);
  if (n > 0) std::memcpy(buffer, item->GetData().data(), static_cast<std::size_t>(n));
  return n;
}

void CKXDescTube::SetFlavorData(OSType type, const void* data, long size, long maxSize) {
  if (!data && size > 0) Fail(kKxErrNilPointer);
  if (!mDesc->IsRecord()) {
    if (!mDesc->IsNull()) Fail(errAEWrongDataType);
    *mDesc = AEDesc::MakeRecord();
  }
  mDesc->PutKeyPtr(type, type, data, static_cast<std::size_t>(Span(size, maxSize)));
}

CKXDataTube CKXDescTube::NthItem(long, std::uint32_t* itemRef) {
  if (itemRef) *itemRef = 0;
  return CKXDataTube();
}

long CKXDescTube::FlavorCount() { return mDesc->IsNull() ? 0 : mDesc->CountItems(); }

OSType CKXDescTube::NthFlavor(long index) {
  AEKeyword key = 0;
  mDesc->GetNth(index, &key);
  return key;
}

// ---- a file --------------------------------------------------------------------------------

CKXFileTube::CKXFileTube(const std::string& path, short permission) : mPath(path), mPermission(permission) {
  if (path.empty()) Fail(kKxErrNilPointer);
  mItem = kKxFileTubeItem;
  if (!KxGetFileTypeCreator(path, mFileType, mCreator)) mFileType = KxTypeFromNameEnding(path, &mCreator);
}

CKXFileTube::~CKXFileTube() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; writers call Close themselves.
  }
}

void CKXFileTube::CheckWritable() const {
  if (mPermission != kKxFileReadWrite) Fail(-61);  // wrPermErr
}

const std::vector<std::uint8_t>& CKXFileTube::DataFork() {
  CheckDataFork();
  return mData;
}

void CKXFileTube::CheckDataFork() {
  if (mDataLoaded) return;
  std::vector<std::uint8_t> bytes;
  const int err = KxReadFile(mPath, bytes);
  if (err == ENOENT && mPermission == kKxFileReadWrite) {
    bytes.clear();  // a file about to be written
  } else if (err != 0) {
    Fail(FileErr(err));
  }
  mData = std::move(bytes);
  mDataLoaded = true;
}

void CKXFileTube::CheckResourceFork() {
  if (mForkLoaded) return;
  KxResFork fork;
  const int err = KxReadResourceFork(mPath, fork);
  // A damaged sidecar reads as no resources; writing replaces it.
  mFork = err == 0 ? std::move(fork) : KxResFork();
  mForkExists = err == 0 && !mFork.Empty();
  mForkLoaded = true;
}

bool CKXFileTube::HasResourceFork() {
  CheckResourceFork();
  return mForkExists;
}

void CKXFileTube::AddResourceFork() {
  CheckResourceFork();
  mForkExists = true;
}

bool CKXFileTube::FlavorExists(OSType type) {
  if (type == kKxFlavorAny || IsDataFork(type)) return true;
  if (!HasResourceFork()) return false;
  return mFork.Find(type, static_cast<std::int16_t>(mItem)) != nullptr;
}

long CKXFileTube::GetFlavorSize(OSType type) {
  if (IsDataFork(type)) return ClampLong(DataFork().size());
  if (!HasResourceFork()) return 0;
  const KxResForkItem* r = mFork.Find(type, static_cast<std::int16_t>(mItem));
  return r ? ClampLong(r->data.size()) : 0;
}

long CKXFileTube::GetFlavorData(OSType type, void* buffer, long maxSize) {
  if (!buffer) return 0;
  const std::vector<std::uint8_t>* bytes = nullptr;
  if (IsDataFork(type)) {
    bytes = &DataFork();
  } else if (HasResourceFork()) {
    if (const KxResForkItem* r = mFork.Find(type, static_cast<std::int16_t>(mItem))) bytes = &r->data;
  }
  if (!bytes) return 0;
  const long n = Span(ClampLong(bytes->size()), maxSize);
  if (n > 0) std::memcpy(buffer, bytes->data(), static_cast<std::size_t>(n));
  return n;
}

void CKXFileTube::SetFlavorData(OSType type, const void* data, long size, long maxSize) {
  if (!data && size > 0) Fail(kKxErrNilPointer);
  CheckWritable();
  const long n = Span(size, maxSize);
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (IsDataFork(type)) {
    // Written whole at once: a failure leaves the old file as it was.
    if (int err = KxWriteFileSafely(mPath, data, static_cast<std::size_t>(n))) Fail(FileErr(err));
    mData.assign(p, p + n);
    mDataLoaded = true;
    return;
  }
  CheckResourceFork();
  if (static_cast<std::size_t>(n) > KxResFork::kMaxDataArea) Fail(memFullErr);
  mFork.Put(type, static_cast<std::int16_t>(mItem), data, static_cast<std::size_t>(n));
  mForkExists = true;
  mForkChanged = true;
}

void CKXFileTube::DeleteFlavorData(OSType type) {
  if (IsDataFork(type)) return;
  CheckResourceFork();
  if (mFork.Remove(type, static_cast<std::int16_t>(mItem))) mForkChanged = true;
}

CKXDataTube CKXFileTube::NthItem(long, std::uint32_t* itemRef) {
  if (itemRef) *itemRef = 0;
  return CKXDataTube();
}

void CKXFileTube::Close() {
  if (!mForkChanged) return;
  mForkChanged = false;
  const int err = KxWriteResourceFork(mPath, mFork);
  if (err) {
    mForkChanged = true;
    Fail(FileErr(err));
  }
}
