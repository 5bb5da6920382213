#include "platform/core.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/fonts.h"

namespace {
struct Facility {
  int rank;
  const char* name;
  KxFacilityFn init;
  KxFacilityFn terminate;
};

std::vector<Facility>& Facilities() {
  static std::vector<Facility> list;
  return list;
}

bool gInitialized = false;
}  // namespace

void KxRegisterFacility(int rank, const char* name, KxFacilityFn init, KxFacilityFn terminate) {
  auto& list = Facilities();
  for (const Facility& f : list)
    if (std::strcmp(f.name, name) == 0) return;
  list.push_back({rank, name, init, terminate});
  std::stable_sort(list.begin(), list.end(),
                   [](const Facility& a, const Facility& b) { return a.rank < b.rank; });
}

void CoreInit() {
  if (gInitialized) return;
  gInitialized = true;
  for (const Facility& f : Facilities())
    if (f.init) f.init();
}

void CoreTerminate() {
  if (!gInitialized) return;
  auto& list = Facilities();
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (it->terminate) it->terminate();
  gInitialized = false;
}

bool CoreIsInitialized() { return gInitialized; }

std::vector<std::string> KxFacilityOrder() {
  std::vector<std::string> names;
  for (const Facility& f : Facilities()) names.emplace_back(f.name);
  return names;
}

void KxPlatformFacilities() { KxFontsFacilities(); }
