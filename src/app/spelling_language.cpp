#include "app/spelling_language.h"

#include "app/globals.h"
#include "app/prefs_file.h"
#include "app/spelling_panel.h"
#include "platform/toolbox/speller.h"

namespace {

std::string gLanguage;

bool NameChar(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '.' || c == '@';
}

bool IsName(const std::string& name) {
  if (name.empty() || name.size() > kKxSpellLanguageMax) return false;
  for (char c : name)
    if (!NameChar(static_cast<unsigned char>(c))) return false;
  return true;
}

class LanguageChunk : public KxPrefChunkOwner {
 public:
  KxBlock GetChunkData() const override { return KxEncodeSpellLanguage(gLanguage); }
  void SetChunkData(const std::uint8_t* data, std::size_t size) override {
    gLanguage = KxDecodeSpellLanguage(data, size);
    // A dictionary that is no longer there leaves the one found by $LANG.
    if (!gLanguage.empty()) KxHunspellSpeller().SetLanguage(gLanguage);
  }
};

void LanguageChosen(const std::string& name) { KxChooseSpellLanguage(name); }

}  // namespace

std::vector<std::uint8_t> KxEncodeSpellLanguage(const std::string& name) {
  if (!IsName(name)) return {};
  std::vector<std::uint8_t> out{std::uint8_t(name.size())};
  out.insert(out.end(), name.begin(), name.end());
  return out;
}

std::string KxDecodeSpellLanguage(const std::uint8_t* data, std::size_t size) {
  if (!data || size < 1 || std::size_t(data[0]) != size - 1) return {};
  std::string name(reinterpret_cast<const char*>(data + 1), size - 1);
  return IsName(name) ? name : std::string();
}

std::string KxDumpSpellLanguage(const std::uint8_t* data, std::size_t size) {
  const std::string name = KxDecodeSpellLanguage(data, size);
  return name.empty() ? std::string() : "SPLG.language = " + name + "\n";
}

const std::string& KxSpellLanguage() { return gLanguage; }

void KxChooseSpellLanguage(const std::string& name) {
  if (!IsName(name) || name == gLanguage) return;
  gLanguage = name;
  gPrefModify = true;
}

void KxInstallSpellLanguage(bool install) {
  static LanguageChunk owner;
  gLanguage.clear();
  KxSetPrefChunkOwner(FourCC("SPLG"), install ? &owner : nullptr);
  CKXSpellingPanel::SetLanguageHook(install ? &LanguageChosen : nullptr);
}
