#include "text/store/converters.h"

#include <algorithm>

namespace {

struct Entry {
  OSType flavor;
  std::string extension;  // lower case, with the dot
  KxTextConverter* converter;
};

std::vector<Entry>& Entries() {
  static std::vector<Entry> entries;
  return entries;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

void KxRegisterConverter(OSType flavor, const char* extension, KxTextConverter* converter) {
  auto& entries = Entries();
  entries.erase(std::remove_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.flavor == flavor; }),
                entries.end());
  if (converter) entries.push_back({flavor, Lower(extension ? extension : ""), converter});
}

KxTextConverter* KxConverterForFlavor(OSType flavor) {
  for (const Entry& e : Entries())
    if (e.flavor == flavor) return e.converter;
  return nullptr;
}

KxTextConverter* KxConverterForFileName(const std::string& name, OSType* flavor) {
  const std::string lower = Lower(name);
  for (const Entry& e : Entries()) {
    if (e.extension.empty() || lower.size() <= e.extension.size()) continue;
    if (lower.compare(lower.size() - e.extension.size(), e.extension.size(), e.extension) == 0) {
      if (flavor) *flavor = e.flavor;
      return e.converter;
    }
  }
  return nullptr;
}

std::vector<OSType> KxConverterFlavors() {
  std::vector<OSType> flavors;
  for (const Entry& e : Entries()) flavors.push_back(e.flavor);
  return flavors;
}
