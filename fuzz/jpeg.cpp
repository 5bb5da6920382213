// The JPEG decoder over arbitrary bytes: analysis, decoding and the planes.
#include <cstdint>
#include <vector>

#include "formats/facilities.h"
#include "formats/jpeg.h"
#include "platform/core.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxFormatsFacilities();
  CoreInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The decoder reads from exactly these bytes; a copy keeps them writable
  // as its interface asks, and exactly sized so that overreads show.
  std::vector<char> bytes(data, data + size);
  CKXJpegDecoder decoder;
  if (decoder.SetJpegData(bytes.empty() ? nullptr : bytes.data(), long(bytes.size())) != 0) return 0;
  if (decoder.DoDecode() != 0) return 0;
  unsigned char *r, *g, *b;
  long width, height;
  decoder.GetPictData(&r, &g, &b, width, height);
  // Touch the corners of every plane.
  volatile unsigned sum = r[0] + g[0] + b[0];
  long last = width * height - 1;
  sum = sum + r[last] + g[last] + b[last];
  (void)sum;
  return 0;
}
