// kxjpeg IN.jpg OUT.ppm: decodes a JPEG file into a binary PPM.
// kxjpeg --coefficients IN.jpg OUT.txt: writes the quantised coefficients
// instead, one block a line: "component row column c0 ... c63" (natural
// order), for comparison with other decoders.
// Exit status: 0 done, 1 damaged or unreadable file, 2 a kind of JPEG that
// is not decoded (progressive, arithmetic, extended, ...), 3 usage.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver.h"
#include "formats/facilities.h"
#include "formats/jpeg.h"
#include "platform/files.h"

namespace {

class CCoefficientDump : public CKXJpegDecoder {
 public:
  bool mOn = false;
  std::string mText;

 protected:
  void BlockDecoded(int component, long row, long column, const std::int32_t* c) override {
    if (!mOn) return;
    mText += std::to_string(component) + ' ' + std::to_string(row) + ' ' + std::to_string(column);
    for (int i = 0; i < 64; ++i) {
      mText += ' ';
      mText += std::to_string(c[i]);
    }
    mText += '\n';
  }
};

int Status(const CKXJpegDecoder& d) { return d.GetLastError() == CKXJpegDecoder::kNotSupported ? 2 : 1; }

int Run(bool coefficients, const char* in, const char* out) {
  std::vector<std::uint8_t> data;
  if (KxReadFile(in, data)) {
    std::fprintf(stderr, "kxjpeg: cannot read %s\n", in);
    return 1;
  }
  CCoefficientDump decoder;
  decoder.mOn = coefficients;
  long code = 0;
  if (decoder.SetJpegData(reinterpret_cast<char*>(data.data()), long(data.size())) != 0 || decoder.DoDecode() != 0) {
    int kind = decoder.GetLastError(&code);
    std::fprintf(stderr, "kxjpeg: %s: error kind %d, code %ld\n", in, kind, code);
    return Status(decoder);
  }
  FILE* o = std::fopen(out, "wb");
  if (!o) {
    std::fprintf(stderr, "kxjpeg: cannot write %s\n", out);
    return 1;
  }
  if (coefficients) {
    std::fwrite(decoder.mText.data(), 1, decoder.mText.size(), o);
  } else {
    unsigned char *r, *g, *b;
    long width, height;
    decoder.GetPictData(&r, &g, &b, width, height);
    std::fprintf(o, "P6\n%ld %ld\n255\n", width, height);
    std::vector<unsigned char> row(std::size_t(width) * 3);
    for (long y = 0; y < height; ++y) {
      for (long x = 0; x < width; ++x) {
        row[std::size_t(x) * 3] = r[y * width + x];
        row[std::size_t(x) * 3 + 1] = g[y * width + x];
        row[std::size_t(x) * 3 + 2] = b[y * width + x];
      }
      std::fwrite(row.data(), 1, row.size(), o);
    }
  }
  return std::fclose(o) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool coefficients = argc == 4 && std::strcmp(argv[1], "--coefficients") == 0;
  if (argc != 3 && !coefficients) {
    std::fprintf(stderr, "usage: kxjpeg [--coefficients] IN.jpg OUT\n");
    return 3;
  }
  return KxDriverMain("kxjpeg", KxFormatsFacilities,
                      [&] { return Run(coefficients, argv[argc - 2], argv[argc - 1]); });
}
