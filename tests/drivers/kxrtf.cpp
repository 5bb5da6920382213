// kxrtf FILE: reads an RTF file and prints its font table, colour table and
// style sheet, then the number of tokens of each class.
// Exit status: 0 after a clean read, 1 when the read ended with an error,
// 2 when the file cannot be read.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "formats/rtf_reader.h"
#include "platform/files.h"

namespace {

class CountingReader : public CRTFBufferReader {
 public:
  using CRTFBufferReader::CRTFBufferReader;
  long counts[5] = {};
  void RTFReadHook() override {
    if (rtfClass >= 0 && rtfClass <= rtfEOF) ++counts[rtfClass];
  }
};

// Names are bytes in the font's character set: show anything but
// printable ASCII as \xHH.
void PrintName(const char* name) {
  std::putchar('"');
  for (const char* p = name ? name : ""; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\')
      std::putchar(c);
    else
      std::printf("\\x%02X", c);
  }
  std::putchar('"');
}

template <typename T, typename Next>
std::vector<T*> InOrder(T* list, Next next) {
  std::vector<T*> items;
  for (T* p = list; p; p = next(p)) items.push_back(p);
  return {items.rbegin(), items.rend()};
}

const char* ErrorName(int error) {
  switch (error) {
    case rtfErrNone: return "none";
    case rtfErrUnbalanced: return "unbalanced-close";
    case rtfErrEndInGroup: return "end-in-group";
    case rtfErrEndInEscape: return "end-in-escape";
    default: return "unknown";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kxrtf FILE\n");
    return 2;
  }
  std::vector<std::uint8_t> data;
  if (KxReadFile(argv[1], data)) {
    std::fprintf(stderr, "kxrtf: cannot open %s\n", argv[1]);
    return 2;
  }

  CountingReader reader(data.data(), data.size());
  reader.RTFInit();
  int result = reader.RTFRead();

  auto fonts = InOrder(reader.RTFFontList(), [](RTFFont* f) { return f->rtfNextFont; });
  std::printf("fonts %zu\n", fonts.size());
  for (RTFFont* f : fonts) {
    std::printf("  f%d family=%d charset=%d pitch=%d type=%d cpg=%d name=", f->rtfFNum, f->rtfFFamily,
                f->rtfFCharSet, f->rtfFPitch, f->rtfFType, f->rtfFCodePage);
    PrintName(f->rtfFName);
    std::putchar('\n');
  }
  auto colours = InOrder(reader.RTFColorList(), [](RTFColor* c) { return c->rtfNextColor; });
  std::printf("colours %zu\n", colours.size());
  for (RTFColor* c : colours)
    std::printf("  %d red=%d green=%d blue=%d\n", c->rtfCNum, c->rtfCRed, c->rtfCGreen, c->rtfCBlue);
  auto styles = InOrder(reader.RTFStyleList(), [](RTFStyle* s) { return s->rtfNextStyle; });
  std::printf("styles %zu\n", styles.size());
  static const char* const kinds[] = {"s", "cs", "ds"};
  for (RTFStyle* s : styles) {
    int elements = 0;
    for (RTFStyleElt* e = s->rtfSSEList; e; e = e->rtfNextSE) ++elements;
    std::printf("  %s%d additive=%d basedon=%d next=%d elements=%d name=",
                kinds[s->rtfSType >= 0 && s->rtfSType <= 2 ? s->rtfSType : 0], s->rtfSNum, s->rtfSAdditive,
                s->rtfSBasedOn, s->rtfSNextPar, elements);
    PrintName(s->rtfSName);
    std::putchar('\n');
  }
  std::printf("tokens unknown=%ld group=%ld text=%ld control=%ld end=%ld\n", reader.counts[0], reader.counts[1],
              reader.counts[2], reader.counts[3], reader.counts[4]);
  std::printf("error %s\n", ErrorName(reader.RTFError()));
  return result == rtfEOF ? 0 : 1;
}
