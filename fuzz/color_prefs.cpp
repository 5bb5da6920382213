// The colour preference chunks: "UCPT" (the sets) and "UCNT" (the names).
//
// Input: one byte saying where to split, then the bytes of the two chunks.
// Properties: every name entry read back is whole, of a set 1-10 and at
// most 31 bytes, one per set; the sets and names written read back to the
// same bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "app/color_prefs.h"
#include "app/facilities.h"
#include "platform/core.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (KxAppFacilities(), CoreInit(), true);
  (void)started;
  if (size < 1) return 0;
  const std::size_t split = std::min<std::size_t>(data[0] * 4u, size - 1);
  const std::uint8_t* sets = data + 1;
  const std::uint8_t* names = data + 1 + split;
  using namespace UKXColorPreference;
  SetColorPreferenceData(sets, split);
  SetColorPrefNameData(names, size - 1 - split);

  const KxBlock list = GetColorPrefNameData();
  std::set<int> seen;
  for (std::size_t at = 0; at < list.size();) {
    if (at + 2 > list.size()) std::abort();
    const int set = list[at];
    const std::size_t length = list[at + 1];
    if (set < 1 || set > 10 || length > kKxColorPrefNameMax || at + 2 + length > list.size()) std::abort();
    if (!seen.insert(set).second) std::abort();
    std::string name;
    if (!GetColorPrefNameAt(short(set), name) || name.size() != length) std::abort();
    at += 2 + length;
  }
  KxBlock written(GetColorPreferenceSize());
  if (GetColorPreferenceData(written.data(), written.size()) != written.size()) std::abort();
  SetColorPreferenceData(written.data(), written.size());
  SetColorPrefNameData(list.data(), list.size());
  KxBlock again(GetColorPreferenceSize());
  GetColorPreferenceData(again.data(), again.size());
  if (again != written || GetColorPrefNameData() != list) std::abort();
  (void)DumpSets();
  (void)DumpNames();
  return 0;
}
