// A preview picture from a file or the clipboard: the picture-of-pixels
// reader over arbitrary bytes. A picture it reads has the size its frame
// says, within the limits, and writes back to the same pixels (a colour
// picture wider than a 32-bit row can hold, in strips).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/toolbox/pict.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  KxPictPixels px;
  std::int32_t w = 0, h = 0;
  const bool framed = KxPictFrameSize(bytes.data(), bytes.size(), w, h);
  if (!KxPictToPixels(bytes.data(), bytes.size(), px)) return 0;
  if (!framed || px.width != w || px.height != h) std::abort();
  if (std::int64_t(px.width) * px.height > kKxPictMaxPixels) std::abort();
  if (px.rgb.size() != std::size_t(px.width) * std::size_t(px.height)) std::abort();
  const std::vector<std::uint8_t> again = KxPictFromPixels(px.width, px.height, px.rgb.data());
  KxPictPixels back;
  if (!KxPictToPixels(again.data(), again.size(), back) || back.rgb != px.rgb) std::abort();
  return 0;
}
