// The JPEG decoder over arbitrary bytes: analysis, decoding into planes and
// by rows; for small pictures the fast steps against the plain ones.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/facilities.h"
#include "formats/jpeg.h"
#include "platform/core.h"

namespace {

// Interleaved pixels of a decode by rows, or empty when it fails.
std::vector<unsigned char> Rows(std::vector<char>& bytes, bool plain) {
  std::vector<unsigned char> rgb;
  CKXJpegPixelRows d(rgb);
  d.SetPlainSteps(plain);
  if (d.SetJpegData(bytes.empty() ? nullptr : bytes.data(), long(bytes.size())) != 0 || d.DoDecodeRows() != 0)
    return {};
  return rgb;
}

}  // namespace

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
  // By rows, the planes' pixels interleaved; the plain steps (slow: small
  // pictures only) give the same bytes.
  const std::vector<unsigned char> fast = Rows(bytes, false);
  if (fast.size() != std::size_t(width * height * 3)) std::abort();
  for (long i = 0; i <= last; ++i)
    if (fast[std::size_t(i) * 3] != r[i] || fast[std::size_t(i) * 3 + 1] != g[i] || fast[std::size_t(i) * 3 + 2] != b[i])
      std::abort();
  if (width * height <= 4096 && Rows(bytes, true) != fast) std::abort();
  return 0;
}
