// The Services paste event: a scrap of random "TEXT", "styl", "utxt" and
// "PICT" flavors (and one the exchange does not take) pasted into a text
// view. Input: byte 0 picks the selection (bits 0-2 its start, bits 3-5
// its length, in bytes of the text "ab\x82\xA0" "cd\r") and read-only
// text (bit 6); then records of a type byte (an index into kTypes), a 16-bit
// big-endian length and that many bytes (cut to what is left).
//
// Whatever comes: get types offers paste types exactly when the text is
// editable; the paste answers 0 or -9874; a refused paste leaves the text as
// it was; the text passes its own check and copies out whole (a lone
// picture as its picture); one undo takes a paste back; and once the
// window is gone no picture it brought stays in the picture table.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/facilities.h"
#include "app/services.h"
#include "engine/text_undoer.h"
#include "layout/kxtext_api.h"
#include "platform/core.h"
#include "platform/fonts.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"
#include "text/runs/pictures.h"
#include "text/store/text.h"
#include "views/split_view.h"
#include "views/text_view.h"
#include "views/view_classes.h"

namespace {

constexpr OSType kTypes[] = {FourCC("TEXT"), FourCC("styl"), FourCC("utxt"), FourCC("PICT"), FourCC("styw")};
const std::string kStart = "ab\x82\xA0" "cd\r";

std::string TextOf(CKXTextEngine& engine) {
  std::string s(static_cast<std::size_t>(KXText_GetLength(engine.GetEdit())), '\0');
  KXText_GetText(engine.GetEdit(), s.data(), static_cast<long>(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr,
                 0);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxAppFacilities();
  CoreInit();
  static KxHeadlessHost host;
  KxFontInstallBackend(KxSyntheticFontBackend());
  KxRegisterFrameworkClasses();
  KxRegisterViewClasses();
  UKXTextOSXServices::Initialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 1 << 20) return 0;
  KxTargetEvent event(kKxEventClassService, kKxEventServicePaste);
  KxClipboardStore& scrap = event.AddScrap(kKxParamScrapRef);
  for (std::size_t at = 1; at + 3 <= size;) {
    const OSType type = kTypes[data[at] % (sizeof kTypes / sizeof kTypes[0])];
    const std::size_t n = std::min<std::size_t>((std::size_t(data[at + 1]) << 8) | data[at + 2], size - at - 3);
    scrap.Put(type, data + at + 3, n);
    at += 3 + n;
  }

  const long pictures = gKXPictManager ? gKXPictManager->GetCount() : 0;
  {
    auto* engine = new CKXTextEngine(false);
    engine->AddUser(engine);
    KXText_SetText(engine->GetEdit(), kStart.data(), static_cast<long>(kStart.size()), nullptr, 0, nullptr, 0, nullptr,
                   0);
    KXTE_CalcText(engine->GetEdit());
    engine->Activate();
    KxTextPanes panes = KxMakeTextPanes(*engine, nullptr, 200, 100, 0, false, nullptr);
    panes.window->AddAttachment(new CKXTextUndoer, nullptr, true);
    LCommander::SwitchTarget(panes.view[0]);
    const std::int32_t from = std::min<std::int32_t>(data[0] & 7, std::int32_t(kStart.size()));
    const std::int32_t length = std::min<std::int32_t>((data[0] >> 3) & 7, std::int32_t(kStart.size()) - from);
    engine->SetSelectionRange({from, length}, false);
    if (data[0] & 0x40) engine->SetAttributes(0);
    const std::string before = TextOf(*engine);
    KxTargetEvent types(kKxEventClassService, kKxEventServiceGetTypes);
    types.AddTypeList(kKxParamServicePasteTypes);
    if (KxAppEventTarget::Send(types) != 0 || types.GetTypes(kKxParamServicePasteTypes).empty() != bool(data[0] & 0x40))
      std::abort();

    const OSStatus answer = KxAppEventTarget::Send(event);
    if (answer != 0 && answer != kKxEventNotHandled) std::abort();
    if (answer != 0 && TextOf(*engine) != before) std::abort();
    if ((data[0] & 0x40) && answer == 0) std::abort();
    if (!KXHandleAccess::Text(static_cast<KXTextHandle>(engine->GetEdit()))->Check().empty()) std::abort();
    // What went in copies out again, with the bytes it has in the text.
    if (answer == 0) {
      KxTargetEvent copy(kKxEventClassService, kKxEventServiceCopy);
      KxClipboardStore& out = copy.AddScrap(kKxParamScrapRef);
      engine->SetSelectionRange({0, std::int32_t(KXText_GetLength(engine->GetEdit()))}, false);
      std::vector<std::uint8_t> text;
      // A selection that is one picture copies as the picture alone.
      const OSType copied = UKXTextOSXServices::IsKXTextPictureSelect(*engine) ? FourCC("PICT") : FourCC("TEXT");
      if (KxAppEventTarget::Send(copy) != 0 || !out.Get(copied, text)) std::abort();
      engine->Undo();
    }
    if (TextOf(*engine) != before) std::abort();

    LCommander::SwitchTarget(nullptr);
    delete panes.window;
    engine->RemoveUser(engine);
  }
  if (gKXPictManager && gKXPictManager->GetCount() != pictures) std::abort();
  return 0;
}
