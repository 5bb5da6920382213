#include "app/services.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/flavor_exchange.h"
#include "engine/text_engine.h"
#include "engine/text_flavors.h"
#include "layout/draw_picture.h"
#include "layout/kxtext_api.h"
#include "platform/exception.h"
#include "platform/script.h"
#include "text/base/memory.h"
#include "text/codes/unicode.h"
#include "text/codes/unicode_types.h"
#include "text/runs/pictures.h"
#include "text/runs/runs.h"
#include "text/store/text.h"

KxEventHandlerRef UKXTextOSXServices::sHandlerRef = 0;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A scrap of an event as a clipboard tube: the flavor exchange reads and
// writes it as it does the clipboard (host-order "utxt", pictures carried),
// and a writing tube keeps only the types it is told.
class CKXScrapTube : public CKXDataTube {
 public:
  CKXScrapTube(KxClipboardStore& scrap, std::vector<OSType> writable)
      : mScrap(scrap), mWritable(std::move(writable)) {}
  short GetFlavorForType() override { return kKxTubeClipboard; }
  bool FlavorExists(OSType type) override {
    return mScrap.Find(type) != nullptr;
  }
  long GetFlavorSize(OSType type) override {
    const Bytes* data = mScrap.Find(type);
    return data ? static_cast<long>(data->size()) : 0;
  }
  long GetFlavorData(OSType type, void* buffer, long maxSize) override {
    const Bytes* data = mScrap.Find(type);
    if (!buffer || maxSize <= 0 || !data) return 0;
    const long n = std::min(maxSize, static_cast<long>(data->size()));
    if (n > 0) std::memcpy(buffer, data->data(), static_cast<std::size_t>(n));
    return n;
  }
  void SetFlavorData(OSType type, const void* data, long size, long maxSize) override {
    if (std::find(mWritable.begin(), mWritable.end(), type) == mWritable.end()) return;
    const long n = std::max(0L, std::min(size, maxSize));
    mScrap.Put(type, data, static_cast<std::size_t>(n));
  }

 private:
  KxClipboardStore& mScrap;
  std::vector<OSType> mWritable;
};

struct TextOwner {
  KXTextHandle h = KXText_New();
  TextOwner() = default;
  TextOwner(const TextOwner&) = delete;
  TextOwner& operator=(const TextOwner&) = delete;
  ~TextOwner() {
    if (h) KXText_Dispose(h);
  }
};

CKXText& TextOf(const CKXTextEngine& engine) {
  return *KXHandleAccess::Text(static_cast<KXTextHandle>(engine.GetEdit()));
}

void PutBe32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// When a "utxt" is the same text as a "TEXT" (the bridge makes exactly its
// bytes), the side entries it brings for characters the TEXT could only
// hold as placeholders, as a "styu"; false when it brings none or says
// something else, and the TEXT then goes in as it is.
bool SideEntriesFor(const Bytes& text, const Bytes& utxt, Bytes& styu) {
  std::vector<char16_t> units(utxt.size() / 2);
  for (std::size_t k = 0; k < units.size(); ++k)
    units[k] = static_cast<char16_t>(utxt[2 * k] | (utxt[2 * k + 1] << 8));
  if (units.empty() || !UKXUnicode::IsAvailable()) return false;
  std::vector<char16_t> composed(units.size());
  long count = 0;
  CKXUnicode::PreConvert(units.data(), static_cast<long>(units.size()), composed.data(), &count);
  composed.resize(static_cast<std::size_t>(std::clamp(count, 0L, static_cast<long>(units.size()))));
  StKxHandle bytes, sides;
  long length = 0, sideCount = 0;
  if (composed.empty() || !UKXUnicode::ConvertToText(composed.data(), static_cast<long>(composed.size()), nullptr,
                                                     bytes.h, length, sides.h, sideCount, kScriptJapanese))
    return false;
  if (!bytes.h || !sides.h || sideCount <= 0 || length != static_cast<long>(text.size()) ||
      length > KxMemHSize(bytes.h) || std::memcmp(*bytes.h, text.data(), text.size()) != 0)
    return false;
  const long n = std::min(sideCount, KxMemHSize(sides.h) / static_cast<long>(sizeof(SKXUniChar)));
  const auto* entries = reinterpret_cast<const SKXUniChar*>(*sides.h);
  styu.clear();
  PutBe32(styu, static_cast<std::uint32_t>(n));
  for (long k = 0; k < n; ++k) {
    PutBe32(styu, static_cast<std::uint32_t>(entries[k].offset));
    PutBe32(styu, entries[k].value);
  }
  return n > 0;
}

// One picture byte whose decoration run carries the picture, stored in the
// table. The text owns the picture once its run names it; a failure before
// that takes the picture out of the table again.
void ReceivePicture(const Bytes& record, CKXText& text) {
  PicHandle pict = KxMemHAlloc(static_cast<long>(record.size()), true);
  std::memcpy(*pict, record.data(), record.size());
  short id = 0;
  try {
    id = CKXDecoArray::SetPicture(pict);
  } catch (...) {
    KxMemHFree(pict);
    throw;
  }
  if (id <= 0) {
    KxMemHFree(pict);
    throw LException(memFullErr);
  }
  try {
    const char placeholder = static_cast<char>(kKxPictureByte);
    SKXDeco deco{};
    deco.deco.pictID = id;
    text.InsertText(0, &placeholder, 1, nullptr, 0, &deco, 1, nullptr, 0, nullptr, 0);
  } catch (...) {
    if (text.GetLength() < 1 || text.GetDecoPictID(0) != id) gKXPictManager->DeletePicture(id);
    throw;
  }
}

void GetTypes(CKXTextEngine& engine, KxTargetEvent& event) {
  const bool copyable = engine.GetSelectionRange().length > 0;
  const bool picture = copyable && UKXTextOSXServices::IsKXTextPictureSelect(engine);
  // Read-only text takes nothing.
  const bool pasteable = engine.IsEditable();
  for (OSType type : UKXTextOSXServices::DataTypes()) {
    if (pasteable) event.AppendType(kKxParamServicePasteTypes, type);
    if (copyable && (type == kKxFlavorPict) == picture) event.AppendType(kKxParamServiceCopyTypes, type);
  }
}

OSStatus Copy(CKXTextEngine& engine, KxClipboardStore* scrap) {
  const SKXRange sel = engine.GetSelectionRange();
  if (!scrap || sel.length <= 0) return noErr;
  const bool picture = UKXTextOSXServices::IsKXTextPictureSelect(engine);
  // Made aside first, so that a copy that fails leaves the scrap as it was.
  KxClipboardStore made;
  CKXScrapTube tube(made, picture ? std::vector<OSType>{kKxFlavorPict}
                                  : std::vector<OSType>{kKxFlavorText, kKxFlavorUtxt});
  CKXFlavorExchange exchange(&engine);
  try {
    if (picture) {
      // The decoration runs carry the picture itself on a clipboard tube.
      exchange.SendFlavorTo(kKxFlavorDeco, sel, tube);
    } else {
      exchange.SendFlavorTo(kKxFlavorText, sel, tube);
      // "utxt" comes with the side entries' flavor, from the bridge.
      exchange.SendFlavorTo(kKxFlavorUniChars, sel, tube);
    }
  } catch (const LException&) {
    return kKxEventNotHandled;
  } catch (const std::bad_alloc&) {
    return kKxEventNotHandled;
  }
  for (OSType type : made.Types()) {
    Bytes data;
    made.Get(type, data);
    scrap->Put(type, data.data(), data.size());
  }
  return noErr;
}

OSStatus Paste(CKXTextEngine& engine, KxClipboardStore* scrap) {
  if (!scrap) return noErr;
  if (!engine.IsEditable()) return kKxEventNotHandled;
  // The first data type the scrap holds with data.
  OSType type = 0;
  Bytes data;
  for (OSType t : UKXTextOSXServices::DataTypes())
    if (scrap->Get(t, data) && !data.empty()) {
      type = t;
      break;
    }
  if (type == 0) return kKxEventNotHandled;
  if (type == kKxFlavorPict && !KxServicesIsPicture(data.data(), data.size())) return kKxEventNotHandled;
  try {
    // Read whole into a text of its own, then inserted at once: a paste
    // that fails leaves no part of itself, and the pictures of a text that
    // goes go with it.
    TextOwner received;
    if (!received.h) return kKxEventNotHandled;
    short mask = 0;
    if (type == kKxFlavorPict) {
      ReceivePicture(data, *KXHandleAccess::Text(received.h));
      mask = CKXText::kWhatText | CKXText::kWhatDeco;
    } else {
      // What the exchange is given: the chosen type and what goes with it.
      KxClipboardStore given;
      given.Put(type, data.data(), data.size());
      Bytes extra, styu;
      if (type == kKxFlavorText && scrap->Get(kKxFlavorStyl, extra) && !extra.empty())
        given.Put(kKxFlavorStyl, extra.data(), extra.size());
      if (type == kKxFlavorText && scrap->Get(kKxFlavorUtxt, extra) && SideEntriesFor(data, extra, styu))
        given.Put(kKxFlavorUniChars, styu.data(), styu.size());
      CKXScrapTube tube(given, {});
      CKXFlavorExchange exchange(&engine);
      exchange.ReceiveDataFrom(engine.GetSelectionRange(), tube, received.h, &mask);
    }
    if (KXText_GetLength(received.h) <= 0 || !KXHandleAccess::Text(received.h)->Check().empty())
      return kKxEventNotHandled;
    engine.DoInsert(received.h, mask);
  } catch (const LException&) {
    return kKxEventNotHandled;
  } catch (const std::bad_alloc&) {
    return kKxEventNotHandled;
  }
  return noErr;
}

}  // namespace

bool KxServicesIsPicture(const std::uint8_t* data, std::size_t size) {
  const long length = static_cast<long>(size);
  std::uint16_t sizeWord = 0;
  Rect frame{};
  if (!KXPictPtrGetSize(data, length, sizeWord) || !KXPictPtrGetRect(data, length, frame)) return false;
  // The size word holds the record's length (its low 16 bits when longer)
  // or a small kind number; either way never more than the bytes there are.
  return sizeWord <= length && frame.bottom > frame.top && frame.right > frame.left;
}

const std::vector<OSType>& UKXTextOSXServices::DataTypes() {
  static const std::vector<OSType> types{kKxFlavorText, kKxFlavorUtxt, kKxFlavorPict};
  return types;
}

void UKXTextOSXServices::Initialize() {
  if (sHandlerRef) return;
  sHandlerRef = KxAppEventTarget::Install(ServicesMenuEventHandler,
                                          {{kKxEventClassService, kKxEventServiceGetTypes},
                                           {kKxEventClassService, kKxEventServiceCopy},
                                           {kKxEventClassService, kKxEventServicePaste}},
                                          nullptr);
}

void UKXTextOSXServices::Terminate() {
  if (!sHandlerRef) return;
  KxAppEventTarget::Remove(sHandlerRef);
  sHandlerRef = 0;
}

bool UKXTextOSXServices::IsKXTextPictureSelect(const CKXTextEngine& engine) {
  const SKXRange sel = engine.GetSelectionRange();
  if (sel.length != 1) return false;
  const CKXTextFlavorWriter writer(TextOf(engine), sel.start, sel.start + 1);
  return writer.IsLonePicture();
}

OSStatus UKXTextOSXServices::ServicesMenuEventHandler(void*, KxTargetEvent& event, void*) {
  if (event.GetEventClass() != kKxEventClassService) return kKxEventNotHandled;
  const std::uint32_t kind = event.GetKind();
  if (kind != kKxEventServiceCopy && kind != kKxEventServicePaste && kind != kKxEventServiceGetTypes)
    return kKxEventNotHandled;
  CKXTextEngine* engine = KxServicesTargetEngine();
  if (!engine) return noErr;
  switch (kind) {
    case kKxEventServiceGetTypes:
      GetTypes(*engine, event);
      return noErr;
    case kKxEventServiceCopy:
      return Copy(*engine, event.GetScrap(kKxParamScrapRef));
    default:
      return Paste(*engine, event.GetScrap(kKxParamScrapRef));
  }
}
