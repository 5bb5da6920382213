// The character store over a 50 MB text: random character reads must stay
// well under a microsecond (the chunk starts are indexed, not walked), and a
// typed character inserted and deleted at a random place costs one chunk's
// bytes, not the text's.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "text/store/strarray.h"

namespace {

constexpr long kSize = 50L << 20;

// Shift_JIS-like text: pairs, ASCII and line ends.
const std::string& Text() {
  static const std::string text = [] {
    std::mt19937 rng(1);
    std::string s;
    s.reserve(size_t(kSize) + 2);
    while (long(s.size()) < kSize) {
      unsigned r = rng();
      if (r % 3 == 0) {
        s += char(0x81 + r % 0x1F);
        s += char(0x40 + (r >> 8) % 0x3F);
      } else {
        s += (r >> 8) % 60 == 0 ? '\r' : char(0x20 + (r >> 8) % 0x5F);
      }
    }
    return s;
  }();
  return text;
}

CKXStrArray& Store() {
  static CKXStrArray* store = [] {
    auto* s = new CKXStrArray;
    s->SetText(Text().data(), long(Text().size()));
    return s;
  }();
  return *store;
}

void BM_RandomGetChar(benchmark::State& state) {
  CKXStrArray& s = Store();
  std::mt19937 rng(2);
  std::vector<long> at(1 << 16);
  for (auto& a : at) a = long(rng() % unsigned(s.GetLength()));
  size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.GetChar(at[k], 1));
    k = (k + 1) & (at.size() - 1);
  }
}
BENCHMARK(BM_RandomGetChar);

void BM_TypedInsertAndDelete(benchmark::State& state) {
  CKXStrArray& s = Store();
  std::mt19937 rng(3);
  for (auto _ : state) {
    long pos = long(rng() % unsigned(s.GetLength()));
    if (s.GetCharByte(pos, 1) == 1) --pos;
    s.Insert(pos, "a", 1);
    s.Delete(pos, pos + 1);
  }
  if (s.GetLength() != long(Text().size())) state.SkipWithError("length changed");
}
BENCHMARK(BM_TypedInsertAndDelete)->Unit(benchmark::kMicrosecond);

void BM_SetText50MB(benchmark::State& state) {
  for (auto _ : state) {
    CKXStrArray s;
    s.SetText(Text().data(), long(Text().size()));
    benchmark::DoNotOptimize(s.GetLength());
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}
BENCHMARK(BM_SetText50MB)->Unit(benchmark::kMillisecond);

}  // namespace
