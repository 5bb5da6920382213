// The text engine's paste of clipboard runs alone (style, ruler, both) over
// "styl", "styw" and "styx" from outside. Input: a sequence of flavors, each
// a type byte (0 "styl", 1 "styw", 2 "styx"), a 16-bit big-endian length and
// that many bytes; then the selection's start and length (a byte each).
//
// Whatever comes, the text must pass its own check, keep its bytes, and an
// undo of each paste must give its runs back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/facilities.h"
#include "engine/text_engine.h"
#include "engine/text_flavors.h"
#include "layout/text_edit.h"
#include "platform/core.h"
#include "platform/fonts.h"
#include "platform/host/host.h"

namespace {
constexpr OSType kTypes[] = {kKxFlavorStyl, kKxFlavorDeco, kKxFlavorPara};
const std::string kText = "alpha beta\rgamma \x82\xA0\x82\xA2\rdelta";

std::string Runs(const CKXTextEngine& e) {
  std::vector<SKXStyl> s(std::size_t(KXText_GetStylCount(e.GetEdit())));
  std::vector<SKXDeco> d(std::size_t(KXText_GetDecoCount(e.GetEdit())));
  std::vector<SKXPara> p(std::size_t(KXText_GetParaCount(e.GetEdit())));
  std::string bytes(std::size_t(KXText_GetLength(e.GetEdit())), '\0');
  KXText_GetText(e.GetEdit(), bytes.data(), long(bytes.size()), s.data(), std::int32_t(s.size()), d.data(),
                 std::int32_t(d.size()), p.data(), std::int32_t(p.size()), nullptr, 0);
  bytes.append(reinterpret_cast<const char*>(s.data()), s.size() * sizeof(SKXStyl));
  bytes.append(reinterpret_cast<const char*>(d.data()), d.size() * sizeof(SKXDeco));
  bytes.append(reinterpret_cast<const char*>(p.data()), p.size() * sizeof(SKXPara));
  return bytes;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxEngineFacilities();
  CoreInit();
  KxFontInstallBackend(KxSyntheticFontBackend());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  KxHost& host = KxCurrentHost();
  host.ClearClipboard();
  std::size_t k = 0;
  while (k + 3 <= size) {
    const OSType type = kTypes[data[k] % 3];
    const std::size_t n = std::min<std::size_t>(std::size_t(data[k + 1]) << 8 | data[k + 2], size - k - 3);
    host.PutClipboard(type, data + k + 3, n);
    k += 3 + n;
  }
  CKXTextEngine e(false);
  KXText_SetText(e.GetEdit(), kText.data(), long(kText.size()), nullptr, 0, nullptr, 0, nullptr, 0);
  KXTE_CalcText(e.GetEdit());
  KXTE_Activate(e.GetEdit());
  const long start = size >= 2 ? data[size - 2] % (kText.size() + 1) : 0;
  const long length = size >= 1 ? data[size - 1] % (kText.size() + 1 - std::size_t(start)) : 0;
  const std::string before = Runs(e);
  void (CKXTextEngine::*const pastes[])() = {&CKXTextEngine::DoPasteStyle, &CKXTextEngine::DoPasteRuler,
                                             &CKXTextEngine::DoPasteRulerStyle};
  for (auto paste : pastes) {
    e.SetSelectionRange({std::int32_t(start), std::int32_t(length)}, false);
    (e.*paste)();
    std::string bytes(kText.size(), '\0');
    if (KXText_GetLength(e.GetEdit()) != long(kText.size())) std::abort();
    KXText_GetText(e.GetEdit(), bytes.data(), long(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    if (bytes != kText) std::abort();
    const CKXTextEdit& edit = *KXHandleAccess::Edit(e.GetEdit());
    if (const char* broken = edit.Check()) {
      std::fprintf(stderr, "edit object: %s\n", broken);
      std::abort();
    }
    const std::string broken = static_cast<const CKXText&>(edit).Check();
    if (!broken.empty()) {
      std::fprintf(stderr, "text: %s\n", broken.c_str());
      std::abort();
    }
    if (e.GetAction() && e.GetAction()->CanUndo()) {
      e.Undo();
      if (Runs(e) != before) {
        std::fprintf(stderr, "undo left other runs\n");
        std::abort();
      }
    }
  }
  return 0;
}
