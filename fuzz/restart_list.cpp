// The line-number restart list that a document stores with its text.
//
// Input: the stored list as a document holds it (big-endian 32-bit line
// numbers). Properties: every list is taken, as size / 4 entries, sorted,
// without repeats and without lines below 2 (what a model of that rule
// keeps); the kept list reads back in that form; every line's shown number
// is at least 1 and the next restart lies after it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "engine/facilities.h"
#include "engine/text_layer.h"
#include "platform/core.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (KxEngineFacilities(), CoreInit(), true);
  (void)started;
  CKXTextLayer layer;
  if (!layer.SetLineReStart(9, true)) std::abort();
  const char* bytes = reinterpret_cast<const char*>(data);
  std::set<std::int32_t> model;
  for (std::size_t k = 0; k + 4 <= size; k += 4) {
    const std::int32_t v = std::int32_t(std::uint32_t(data[k]) << 24 | std::uint32_t(data[k + 1]) << 16 |
                                        std::uint32_t(data[k + 2]) << 8 | std::uint32_t(data[k + 3]));
    if (v >= 2 && v < 0x7FFFFFFF) model.insert(v);
  }
  if (!layer.SetLnReStartData(bytes, long(size))) std::abort();
  std::vector<char> back(std::size_t(layer.GetLnReStartDataSize()));
  if (layer.GetLnReStartData(back.data(), long(back.size())) != long(back.size())) std::abort();
  if (back.size() != model.size() * 4) std::abort();
  std::size_t at = 0;
  for (const std::int32_t v : model) {
    for (int shift = 24; shift >= 0; shift -= 8)
      if (std::uint8_t(back[at++]) != std::uint8_t(std::uint32_t(v) >> shift)) std::abort();
  }
  for (long line = 1; line < 64; ++line) {
    long next = 0;
    const long shift = layer.GetLineReStart(line, next);
    if (line - shift < 1 || next <= line) std::abort();
  }
  return 0;
}
