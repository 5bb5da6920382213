// The line-number restart list that a document stores with its text.
//
// Input: the stored list as a document holds it (big-endian 32-bit line
// numbers). Properties: a list is taken only when its size is a whole
// number of entries and they rise from 2 on; a refused list leaves the old
// one; a taken list reads back as the same bytes; every line's shown number
// is at least 1 and the next restart lies after it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
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
  bool valid = size % 4 == 0;
  long last = 1;
  for (std::size_t k = 0; valid && k < size; k += 4) {
    const long v = std::int32_t(std::uint32_t(data[k]) << 24 | std::uint32_t(data[k + 1]) << 16 |
                                std::uint32_t(data[k + 2]) << 8 | std::uint32_t(data[k + 3]));
    valid = v > last;
    last = v;
  }
  if (layer.SetLnReStartData(bytes, long(size)) != valid) std::abort();
  std::vector<char> back(std::size_t(layer.GetLnReStartDataSize()));
  if (layer.GetLnReStartData(back.data(), long(back.size())) != long(back.size())) std::abort();
  if (valid) {
    if (back.size() != size || (size > 0 && std::memcmp(back.data(), bytes, size) != 0)) std::abort();
  } else if (back.size() != 4 || back[3] != 9) {
    std::abort();
  }
  for (long line = 1; line < 64; ++line) {
    long next = 0;
    const long shift = layer.GetLineReStart(line, next);
    if (line - shift < 1 || next <= line) std::abort();
  }
  return 0;
}
