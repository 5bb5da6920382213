// The macro list as the application's macro dialog reaches it, and the
// list's place in the preference file.
#include <algorithm>
#include <cstring>

#include "app/globals.h"
#include "app/prefs_file.h"
#include "macros/macro.h"
#include "macros/macro_list.h"
#include "macros/program_hooks.h"
#include "text/codes/script.h"

namespace {

// The factory copy of the macro list ("KMRT", slot 4 of the factory slots).
constexpr std::size_t kFactoryMacroSlot = 4;
constexpr OSType kMacroTag = FourCC("KMRT");

class MacroChunk : public KxPrefChunkOwner {
 public:
  KxBlock GetChunkData() const override {
    if (!gKXTextMacros) return {};
    KxBlock out(std::size_t(std::max(gKXTextMacros->GetDataSize(), 0L)));
    if (out.empty()) return out;
    out.resize(std::size_t(gKXTextMacros->GetData(reinterpret_cast<char*>(out.data()), long(out.size()))));
    return out;
  }
  void SetChunkData(const std::uint8_t* data, std::size_t size) override {
    if (gKXTextMacros) gKXTextMacros->SetData(reinterpret_cast<const char*>(data), long(size));
  }
};
MacroChunk gMacroChunk;

}  // namespace

void KxInstallMacroChunk(bool install) { KxSetPrefChunkOwner(kMacroTag, install ? &gMacroChunk : nullptr); }

namespace {
// Macro n's name in row n; with `listedOnly`, empty for a macro whose header
// keeps it out of the macro menu.
std::vector<std::string> Names(bool listedOnly) {
  std::vector<std::string> names;
  for (long n = 1; gKXTextMacros && n <= gKXTextMacros->GetCount(); ++n) {
    unsigned char name[32] = {0};
    const bool listed = gKXTextMacros->GetNameAt(n, name);
    if (listedOnly && !listed)
      names.emplace_back();
    else
      names.emplace_back(reinterpret_cast<const char*>(name + 1), std::min<std::size_t>(name[0], 31));
  }
  return names;
}
}  // namespace

std::vector<std::string> KxProgramHooks::MacroListNames() { return Names(false); }

std::vector<std::string> KxProgramHooks::MacroNames() { return Names(true); }

void KxProgramHooks::DeleteMacro(long n) {
  if (!gKXTextMacros || n < 1 || n > gKXTextMacros->GetCount()) return;
  gKXTextMacros->DeleteAt(n);
  gKXTextMacros->mChanged = 1;
}

bool KxProgramHooks::SaveRecordedMacro(const std::string& name) {
  if (!gKXTextMacros || !UKXTextMacro::mMacroData || UKXTextMacro::mMacroSize <= 0) return false;
  SKXTMacro macro{};
  macro.name[0] = std::uint8_t(
      KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(name.data()), name.size(), 31));
  std::memcpy(macro.name + 1, name.data(), macro.name[0]);
  macro.size = UKXTextMacro::mMacroSize;
  macro.code = UKXTextMacro::mMacroData;
  gKXTextMacros->InsertAt(CKXTMacroArray::kAppend, macro);
  // The list owns the code now.
  UKXTextMacro::SetMacroData(nullptr, 0);
  gKXTextMacros->mChanged = 1;
  return true;
}

bool KxProgramHooks::ReloadFactoryMacros() {
  const KxBlock& factory = gFactorySettingsData[kFactoryMacroSlot];
  if (!gKXTextMacros || factory.empty()) return false;
  gKXTextMacros->SetData(reinterpret_cast<const char*>(factory.data()), long(factory.size()));
  gKXTextMacros->mChanged = 1;
  return gKXTextMacros->GetCount() > 0;
}
