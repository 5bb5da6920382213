// Counts the characters, paragraphs and words of a Shift_JIS file as the
// styled text counts them, for the script test that compares the counts
// with iconv and wc.
//
//   kxcount FILE     prints "chars singles doubles paras pictures words"
//
// Line feeds are taken as returns (the text's own line end); nothing else
// of the bytes changes.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/core.h"
#include "platform/exception.h"
#include "text/facilities.h"
#include "text/text.h"

namespace {

int Run(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kxcount FILE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "kxcount: cannot read %s\n", argv[1]);
    return 1;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (char& c : bytes)
    if (c == '\n') c = '\r';
  CKXText text;
  text.SetText(bytes.data(), static_cast<long>(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  long singles, doubles, paras, pictures, words;
  text.CalcWordCount(0, text.GetLength(), singles, doubles, paras, pictures, words);
  std::printf("%ld %ld %ld %ld %ld %ld\n", text.CalcCharCount(0, text.GetLength()), singles, doubles, paras,
              pictures, words);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  KxTextFacilities();
  CoreInit();
  int status;
  try {
    status = Run(argc, argv);
  } catch (const LException& e) {
    std::fprintf(stderr, "kxcount: error %ld\n", static_cast<long>(e.GetErrorCode()));
    status = 1;
  }
  CoreTerminate();
  return status;
}
