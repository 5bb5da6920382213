// Lays a Shift_JIS text out in lines with the synthetic font (12 points:
// 6 per single byte, 12 per double-byte character) and prints each line's
// start offset and height code.
//
//   kxbreak [--width N] [--mode M] [--wordwrap] FILE
//
// Paragraphs may end in CR, LF or CR LF; they are laid out as CR. Offsets
// are those of the text after that change.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver.h"
#include "layout/facilities.h"
#include "layout/linebreak.h"
#include "platform/files.h"
#include "platform/fonts.h"

int main(int argc, char** argv) {
  long width = 600;
  SKXLineStyl style;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--width") && i + 1 < argc) {
      width = std::strtol(argv[++i], nullptr, 10);
    } else if (!std::strcmp(argv[i], "--mode") && i + 1 < argc) {
      style.mode = std::uint8_t(std::strtol(argv[++i], nullptr, 10));
    } else if (!std::strcmp(argv[i], "--wordwrap")) {
      style.wordWrap = 1;
    } else if (argv[i][0] != '-' && !path) {
      path = argv[i];
    } else {
      path = nullptr;
      break;
    }
  }
  if (!path) {
    std::fprintf(stderr, "usage: kxbreak [--width N] [--mode M] [--wordwrap] FILE\n");
    return 2;
  }
  std::vector<std::uint8_t> raw;
  if (KxReadFile(path, raw)) {
    std::fprintf(stderr, "kxbreak: cannot read %s\n", path);
    return 1;
  }
  const std::string text = KxDriverLinesToCR(raw);

  KxLayoutFacilities();
  CoreInit();
  KxFontInstallBackend(KxSyntheticFontBackend());
  int rc = 0;
  {
    CKXStrArray store;
    store.SetText(text.data(), long(text.size()));
    CKXStylArray styls;
    CKXDecoArray decos;
    CKXParaArray paras;
    CKXTextLayout layout(&store, &styls, &decos, &paras);
    SKXLineCalc calc{};
    const long len = store.GetLength();
    for (long start = 0;;) {
      SKXLineInfo info;
      const long next = layout.CalcLineInfo(start, width, info, &style, &calc);
      if (start == len && next == len) break;
      std::printf("%ld %u\n", start, unsigned(info.height));
      if (next > len) break;
      if (next <= start) {
        std::fprintf(stderr, "kxbreak: no progress at %ld\n", start);
        rc = 1;
        break;
      }
      start = next;
    }
  }
  CoreTerminate();
  return rc;
}
