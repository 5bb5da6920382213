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
#include "formats/jpeg.h"
#include "platform/files.h"
#include "text/facilities.h"

namespace {

class CCoefficientDump : public CKXJpegDecoder {
 public:
  bool mOn = false;
  std::string mText;
  FILE* mOut = nullptr;  // pixels: rows are written as they are decoded
  bool mWriteFailed = false;

 protected:
  void RowsDecoded(const unsigned char* rgb, long top, long count) override {
    if (top == 0) {
      unsigned char *r, *g, *b;
      long width, height;
      GetPictData(&r, &g, &b, width, height);
      std::fprintf(mOut, "P6\n%ld %ld\n255\n", width, height);
      mRowWidth = width;
    }
    const size_t bytes = size_t(mRowWidth) * 3 * size_t(count);
    if (std::fwrite(rgb, 1, bytes, mOut) != bytes) mWriteFailed = true;
  }

  void BlockDecoded(int component, long row, long column, const std::int32_t* c) override {
    if (!mOn) return;
    mText += std::to_string(component) + ' ' + std::to_string(row) + ' ' + std::to_string(column);
    for (int i = 0; i < 64; ++i) {
      mText += ' ';
      mText += std::to_string(c[i]);
    }
    mText += '\n';
  }

 private:
  long mRowWidth = 0;
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
  FILE* o = nullptr;
  if (decoder.SetJpegData(reinterpret_cast<char*>(data.data()), long(data.size())) == 0) {
    o = std::fopen(out, "wb");
    if (!o) {
      std::fprintf(stderr, "kxjpeg: cannot write %s\n", out);
      return 1;
    }
    decoder.mOut = o;
    if ((coefficients ? decoder.DoDecode() : decoder.DoDecodeRows()) == 0) {
      if (coefficients) std::fwrite(decoder.mText.data(), 1, decoder.mText.size(), o);
      return std::fclose(o) == 0 && !decoder.mWriteFailed ? 0 : 1;
    }
    // Nothing is left of a picture that could not be decoded.
    std::fclose(o);
    std::remove(out);
  }
  int kind = decoder.GetLastError(&code);
  std::fprintf(stderr, "kxjpeg: %s: error kind %d, code %ld\n", in, kind, code);
  return Status(decoder);
}

}  // namespace

int main(int argc, char** argv) {
  bool coefficients = argc == 4 && std::strcmp(argv[1], "--coefficients") == 0;
  if (argc != 3 && !coefficients) {
    std::fprintf(stderr, "usage: kxjpeg [--coefficients] IN.jpg OUT\n");
    return 3;
  }
  // The decoder needs memory only: no fonts or pictures are set up.
  return KxDriverMain("kxjpeg", KxTextFacilities,
                      [&] { return Run(coefficients, argv[argc - 2], argv[argc - 1]); });
}
