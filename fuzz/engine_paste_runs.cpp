// The text engine's paste of clipboard runs alone (style, ruler, both) over
// "styl", "styw" and "styx" from outside, then a whole paste of everything
// the clipboard holds and a copy of the result. Input: a sequence of
// flavors, each a type byte (modulo 7: "styl", "styw", "styx", "styu",
// "styy", "TEXT", "PICT"; the order of the text_flavors target), a 16-bit
// big-endian length and that many bytes;
// then the selection's start and length (a byte each).
//
// Whatever comes, the text must pass its own check; the runs-only pastes
// keep its bytes, and an undo of each paste must give its runs back; the
// whole paste is read through the flavor reader and undone to the text (or,
// for a picture alone that cannot be read, fails and leaves it as it was).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "engine/facilities.h"
#include "engine/flavor_exchange.h"
#include "engine/text_engine.h"
#include "engine/text_flavors.h"
#include "layout/text_edit.h"
#include "platform/core.h"
#include "platform/exception.h"
#include "platform/fonts.h"
#include "platform/host/host.h"

namespace {
constexpr OSType kTypes[] = {kKxFlavorStyl,     kKxFlavorDeco, kKxFlavorPara, kKxFlavorUniChars,
                             kKxFlavorRubyInfo, kKxFlavorText, kKxFlavorPict};
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
    const OSType type = kTypes[data[k] % std::size(kTypes)];
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
  // Everything the clipboard holds, through the flavor reader, then copied
  // out through the writer and undone.
  e.SetSelectionRange({std::int32_t(start), std::int32_t(length)}, false);
  const std::string beforePaste = Runs(e);
  try {
    e.DoPaste(0);
  } catch (const LException& err) {
    // A picture alone that cannot be read fails the paste, which then
    // changes nothing.
    if (err.GetErrorCode() != kKxErrPictureUnreadable) throw;
    if (Runs(e) != beforePaste) {
      std::fprintf(stderr, "a failed paste changed the text\n");
      std::abort();
    }
    return 0;
  }
  const CKXTextEdit& edit = *KXHandleAccess::Edit(e.GetEdit());
  if (const char* broken = edit.Check()) {
    std::fprintf(stderr, "edit object after a paste: %s\n", broken);
    std::abort();
  }
  if (const std::string broken = static_cast<const CKXText&>(edit).Check(); !broken.empty()) {
    std::fprintf(stderr, "text after a paste: %s\n", broken.c_str());
    std::abort();
  }
  e.SetSelectionRange({0, std::int32_t(KXText_GetLength(e.GetEdit()))}, false);
  e.DoCopy();
  if (e.GetAction() && e.GetAction()->CanUndo()) {
    e.Undo();
    std::string bytes(std::size_t(KXText_GetLength(e.GetEdit())), '\0');
    KXText_GetText(e.GetEdit(), bytes.data(), long(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    if (bytes != kText) {
      std::fprintf(stderr, "undo of the paste left other bytes\n");
      std::abort();
    }
  }
  return 0;
}
