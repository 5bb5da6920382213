// Regular expressions (and plain find) over arbitrary patterns and text: byte
// 0 holds the options and the script, byte 1 the pattern's length, then the
// pattern and the text. Every match must lie inside the text, start where the
// search allows, take at least one byte and never cross a CR; the anchored
// match at a reported start must give the same length. The whole search
// shares one allowance of steps that grows only with the bytes it reaches.
// The search with the automaton that rules out starts and the literal
// prefilter finds exactly what the matcher alone finds, and gives up only
// where the matcher alone does.
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/exception.h"
#include "text/find/find.h"
#include "text/find/regexp.h"

namespace {

using Matches = std::vector<std::pair<long, std::int32_t>>;

// Every match of a search, checked as it comes; false when it gave up.
bool Search(CKXRegexp& re, const unsigned char* t, long len, short options, short script, Matches& out) {
  CKXFindStyl styl(nullptr, script);
  bool back = options & kKXFindBackward;
  long pos = back ? len : 0;
  try {
    for (int guard = 0; guard < 1000; ++guard) {
      long found = -1;
      short w = re.Find1stStep(t, pos, len, options, found, styl);
      if (w == 0) break;
      if (w < 1 || w > 2 || found < 0 || found >= len) std::abort();
      if (back ? found >= pos : found < pos) std::abort();
      std::int32_t r = re.Find2ndStep(t, found, len, options, styl);
      if (r < 0 || found + r > len) std::abort();
      for (long k = found; k < found + r; ++k)
        if (t[k] == 13) std::abort();
      if (r > 0 && re.Find2ndStep(t, found, len, options, styl) != r) std::abort();
      if (r > 0) out.emplace_back(found, r);
      pos = back ? found : found + (r > 0 ? r : w);
      if (back && pos == 0) break;
    }
  } catch (const LException& e) {
    if (e.GetErrorCode() != kKXFindTooComplex) std::abort();
    return false;
  }
  const SKXFindStyl::RegexpSearch& spent = static_cast<SKXFindStyl&>(styl).search;
  if (spent.creditTo - spent.creditFrom > len || spent.stepsLeft > kKXFindStepAllowance + kKXFindStepsPerByte * len)
    std::abort();
  return true;
}

void Run(const std::uint8_t* data, std::size_t size) {
  short options = short(data[0] & 15);
  short script = short((data[0] >> 4) & 1);
  std::size_t patLen = data[1] % 48;
  if (2 + patLen > size) return;
  std::vector<unsigned char> pattern(data + 2, data + 2 + patLen);   // exact sizes: overreads show
  std::vector<unsigned char> text(data + 2 + patLen, data + size);
  const long len = long(text.size());
  const unsigned char* t = text.empty() ? nullptr : text.data();

  CKXRegexp re(pattern.data(), long(patLen), script);
  Matches filtered, plain;
  const bool ended = Search(re, t, len, options, script, filtered);
  CKXRegexp alone(pattern.data(), long(patLen), script);
  alone.UseAutomaton(false);
  alone.UsePrefilter(false);
  const bool endedAlone = Search(alone, t, len, options, script, plain);
  if (endedAlone && (!ended || filtered != plain)) std::abort();
  long at = 0;
  (void)CKXRegexp::GetEscapeSequence(pattern.data(), long(patLen), at);

  std::vector<SKXFindChar> fc(patLen + 1);
  long n = UKXFind::MakeFindChar(fc.data(), pattern.data(), long(patLen), options, script);
  if (n != UKXFind::CountFindChar(pattern.data(), long(patLen), options, script)) std::abort();
  CKXFindStyl styl(nullptr, script);
  const bool back = options & kKXFindBackward;
  long pos = back ? len : 0;
  for (int guard = 0; n > 0 && guard < 1000; ++guard) {
    long found = -1;
    short w = UKXFind::Find1stStep(t, pos, len, fc.data(), n, options, found, styl);
    if (w == 0) break;
    if (found < 0 || found >= len) std::abort();
    std::int32_t r = UKXFind::Find2ndStep(t, found, len, fc.data(), n, options, styl);
    if (r <= 0 || found + r > len) std::abort();   // the whole text: only real matches
    pos = back ? found : found + r;
    if (back && pos == 0) break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > 300) return 0;
  Run(data, size);
  return 0;
}
