#include "app/services_event.h"

#include <algorithm>

#include "platform/exception.h"

namespace {

struct Installed {
  KxEventHandlerRef ref;
  KxEventHandlerProc handler;
  std::vector<KxEventTypeSpec> specs;
  void* userData;
};

std::vector<Installed>& Handlers() {
  static std::vector<Installed> handlers;
  return handlers;
}

KxEventHandlerRef gNextRef = 1;

}  // namespace

KxClipboardStore& KxTargetEvent::AddScrap(AEKeyword key) {
  mScraps.emplace_back();
  const std::uint32_t n = static_cast<std::uint32_t>(mScraps.size());
  const std::uint8_t be[4] = {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)};
  PutParamDesc(key, AEDesc(kKxTypeScrapRef, be, sizeof be));
  return mScraps.back();
}

KxClipboardStore* KxTargetEvent::GetScrap(AEKeyword key) {
  const AEDesc* d = GetParams().FindKey(key);
  if (!d || d->GetKind() != AEDesc::Kind::kScalar || d->GetType() != kKxTypeScrapRef || d->GetDataSize() != 4)
    return nullptr;
  const auto b = d->GetData();
  const std::uint32_t n = (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) | b[3];
  if (n < 1 || n > mScraps.size()) return nullptr;
  return &mScraps[n - 1];
}

void KxTargetEvent::AddTypeList(AEKeyword key) { PutParamDesc(key, AEDesc::MakeList()); }

bool KxTargetEvent::AppendType(AEKeyword key, OSType type) {
  const AEDesc* d = GetParams().FindKey(key);
  if (!d || !d->IsList()) return false;
  AEDesc list = *d;
  list.Append(AEDesc::FromCode(typeType, type));
  PutParamDesc(key, list);
  return true;
}

std::vector<OSType> KxTargetEvent::GetTypes(AEKeyword key) const {
  std::vector<OSType> out;
  const AEDesc* d = GetParams().FindKey(key);
  if (!d || !d->IsList()) return out;
  for (long k = 1; k <= d->CountItems(); ++k) {
    try {
      out.push_back(d->GetNth(k).AsCode());
    } catch (const LException&) {
      // an item that is no type code is no type
    }
  }
  return out;
}

KxEventHandlerRef KxAppEventTarget::Install(KxEventHandlerProc handler, const std::vector<KxEventTypeSpec>& specs,
                                            void* userData) {
  if (!handler) return 0;
  const KxEventHandlerRef ref = gNextRef++;
  Handlers().push_back({ref, handler, specs, userData});
  return ref;
}

void KxAppEventTarget::Remove(KxEventHandlerRef ref) {
  auto& all = Handlers();
  all.erase(std::remove_if(all.begin(), all.end(), [ref](const Installed& h) { return h.ref == ref; }), all.end());
}

OSStatus KxAppEventTarget::Send(KxTargetEvent& event) {
  // Newest first, as handlers installed later stand in front on a target.
  const auto all = Handlers();   // a handler may install or remove others
  for (auto it = all.rbegin(); it != all.rend(); ++it)
    for (const KxEventTypeSpec& type : it->specs)
      if (type.eventClass == event.GetEventClass() && type.eventKind == event.GetKind()) {
        const OSStatus answer = it->handler(nullptr, event, it->userData);
        if (answer != kKxEventNotHandled) return answer;
        break;
      }
  return kKxEventNotHandled;
}
