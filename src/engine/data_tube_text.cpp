// The engine tubes and the clipboard primitives.
#include "engine/data_tube.h"

#include <algorithm>

#include "engine/text_flavors.h"
#include "platform/exception.h"
#include "platform/host/host.h"

namespace {

// The code a picture of a clipboard transfer travels under: "PICT" for
// the first, one above for each next.
bool IsPict(OSType type) { return type == kKxFlavorPict; }

}  // namespace

// ---- clipboard -------------------------------------------------------------------------------

CKXTextClipboardTube::CKXTextClipboardTube(CKXFlavorSender* engine, const SKXRange& range)
    : CKXClipboardTube(true), mEngine(engine), mRange(range) {
  if (mEngine) mEngine->AddFlavorTypesTo(mRange, *this);
}

CKXTextClipboardTube::CKXTextClipboardTube() : CKXClipboardTube() {}

bool CKXTextClipboardTube::FlavorExists(OSType type) {
  return CKXClipboardTube::FlavorExists(IsPict(type) ? PictureCode() : type);
}

long CKXTextClipboardTube::GetFlavorSize(OSType type) {
  return CKXClipboardTube::GetFlavorSize(IsPict(type) ? PictureCode() : type);
}

long CKXTextClipboardTube::GetFlavorData(OSType type, void* buffer, long maxSize) {
  if (!IsPict(type)) return CKXClipboardTube::GetFlavorData(type, buffer, maxSize);
  const long n = CKXClipboardTube::GetFlavorData(PictureCode(), buffer, maxSize);
  ++mPictCount;
  return n;
}

void CKXTextClipboardTube::SetFlavorData(OSType type, const void* data, long size, long maxSize) {
  if (!IsPict(type)) {
    CKXClipboardTube::SetFlavorData(type, data, size, maxSize);
    return;
  }
  CKXClipboardTube::SetFlavorData(PictureCode(), data, size, maxSize);
  ++mPictCount;
}

void CKXTextClipboardTube::AddFlavor(OSType type) {
  if (mEngine) mEngine->SendFlavorTo(type, mRange, *this);
}

// ---- drag ------------------------------------------------------------------------------------

CKXTextDragTube::CKXTextDragTube(KxDragData* drag, KxDragItemRef item, CKXFlavorSender* engine,
                                 const SKXRange& range)
    : CKXDragTube(drag, item), mEngine(engine), mRange(range) {
  if (!mDrag->FindItem(item)) mDrag->AddItem(item);
  if (mEngine) mEngine->AddFlavorTypesTo(mRange, *this);
}

CKXTextDragTube::CKXTextDragTube(KxDragData* drag, KxDragItemRef item) : CKXDragTube(drag, item) {}

void CKXTextDragTube::AddFlavor(OSType type) {
  CKXDragTube::AddFlavor(type);
  if (mEngine) mEngine->SendFlavorTo(type, mRange, *this);
}

// ---- descriptor -----------------------------------------------------------------------------

CKXTextDescTube::CKXTextDescTube(AEDesc* desc, CKXFlavorSender* engine, const SKXRange& range)
    : CKXDescTube(desc, true), mEngine(engine), mRange(range) {
  if (mEngine) mEngine->AddFlavorTypesTo(mRange, *this);
}

void CKXTextDescTube::AddFlavor(OSType type) {
  if (mEngine) mEngine->SendFlavorTo(type, mRange, *this);
}

// ---- the clipboard primitives ---------------------------------------------------------------

OSStatus UKXScrap::GetCurrentScrap(ScrapRef* scrap) {
  if (!scrap) return paramErr;
  *scrap = &KxCurrentHost();
  return noErr;
}

OSStatus UKXScrap::GetScrapFlavorSize(ScrapRef scrap, OSType type, long* size) {
  if (!scrap || !size) return paramErr;
  std::vector<std::uint8_t> bytes;
  if (!scrap->GetClipboard(type, bytes)) return -102;  // noTypeErr
  *size = static_cast<long>(std::min<std::size_t>(bytes.size(), kKxWholeFlavor));
  return noErr;
}

OSStatus UKXScrap::GetScrapFlavorData(ScrapRef scrap, OSType type, long* size, void* data) {
  if (!scrap || !size || (!data && *size > 0)) return paramErr;
  std::vector<std::uint8_t> bytes;
  if (!scrap->GetClipboard(type, bytes)) return -102;
  const long n = std::clamp(static_cast<long>(std::min<std::size_t>(bytes.size(), kKxWholeFlavor)), 0L,
                            std::max(0L, *size));
  if (n > 0) std::copy_n(bytes.data(), n, static_cast<std::uint8_t*>(data));
  *size = n;
  return noErr;
}

OSStatus UKXScrap::GetScrapFlavorCount(ScrapRef scrap, long* count) {
  if (!scrap || !count) return paramErr;
  *count = static_cast<long>(scrap->ClipboardTypes().size());
  return noErr;
}

OSStatus UKXScrap::GetScrapFlavorType(ScrapRef scrap, long n, OSType* type) {
  if (!scrap || !type) return paramErr;
  const std::vector<OSType> types = scrap->ClipboardTypes();
  if (n < 1 || n > static_cast<long>(types.size())) return paramErr;
  *type = types[static_cast<std::size_t>(n - 1)];
  return noErr;
}

OSStatus UKXScrap::ClearCurrentScrap() {
  KxCurrentHost().ClearClipboard();
  return noErr;
}

OSStatus UKXScrap::PutScrapFlavor(ScrapRef scrap, OSType type, long size, const void* data) {
  if (!scrap || size < 0 || (!data && size > 0)) return paramErr;
  scrap->PutClipboard(type, data, static_cast<std::size_t>(size));
  return noErr;
}

OSStatus UKXScrap::PutScrap(const void* data, OSType type, long size, bool clearFirst) {
  if (clearFirst) ClearCurrentScrap();
  ScrapRef scrap = nullptr;
  if (OSStatus err = GetCurrentScrap(&scrap)) return err;
  return PutScrapFlavor(scrap, type, size, data);
}

OSStatus UKXScrap::Snapshot(KxClipboardStore& out) {
  KxCurrentHost().GetClipboardSnapshot(out);
  return noErr;
}
