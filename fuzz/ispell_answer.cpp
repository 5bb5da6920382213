// Answer lines of an external checker (Ispell pipe protocol): byte 0
// splits the input into the answer line and the checked line. Parsing must
// not read past either; a located word must lie inside the line and equal
// the reported word.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/ispell_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t split = std::min<std::size_t>(data[0], size - 1);
  const std::string answer(reinterpret_cast<const char*>(data + 1), split);
  const std::string line(reinterpret_cast<const char*>(data + 1 + split), size - 1 - split);
  KxIspellMiss miss;
  bool misspelled = false;
  if (KxIspellParseAnswer(answer, miss, misspelled) && misspelled) {
    const long at = KxIspellLocate(line, miss.word, miss.offset);
    if (at >= 0 && (std::size_t(at) + miss.word.size() > line.size() || line.compare(std::size_t(at), miss.word.size(), miss.word) != 0))
      std::abort();
  }
  KxIspellMenuName(answer);
  return 0;
}
