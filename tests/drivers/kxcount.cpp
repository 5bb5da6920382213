// Counts the characters, paragraphs and words of a Shift_JIS file as the
// styled text counts them, for the script test that compares the counts
// with iconv and wc.
//
//   kxcount FILE     prints "chars singles doubles paras pictures words"
//
// Line feeds are taken as returns (the text's own line end); nothing else
// of the bytes changes.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "driver.h"
#include "platform/files.h"
#include "text/facilities.h"
#include "text/store/text.h"

namespace {

int Run(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kxcount FILE\n");
    return 2;
  }
  std::vector<std::uint8_t> bytes;
  if (KxReadFile(argv[1], bytes)) {
    std::fprintf(stderr, "kxcount: cannot read %s\n", argv[1]);
    return 1;
  }
  for (std::uint8_t& c : bytes)
    if (c == '\n') c = '\r';
  CKXText text;
  text.SetText(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()), nullptr, 0, nullptr, 0,
               nullptr, 0, nullptr, 0);
  long singles, doubles, paras, pictures, words;
  text.CalcWordCount(0, text.GetLength(), singles, doubles, paras, pictures, words);
  std::printf("%ld %ld %ld %ld %ld %ld\n", text.CalcCharCount(0, text.GetLength()), singles, doubles, paras,
              pictures, words);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return KxDriverMain("kxcount", KxTextFacilities, [&] { return Run(argc, argv); });
}
