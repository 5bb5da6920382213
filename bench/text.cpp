// Costs of the styled text on large texts: setting 50 MB of text, giving a
// range one style in a text of 1,000,000 style runs, bold over a whole text
// of many runs, counting the words of 50 MB, and typing into and deleting
// from 50 MB. None may grow faster than the text (or the run count) itself.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/core.h"
#include "text/facilities.h"
#include "text/store/text.h"

namespace {

struct Start {
  Start() {
    KxTextFacilities();
    CoreInit();
  }
};

// Mixed Japanese and Western lines, about `size` bytes.
std::string MakeText(long size) {
  static const std::string line =
      "It's 1,000 cats and 2:30 dogs. \x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x95\xB6\x8F\xCD\x82\xC5\x82\xB7\x81\x42"
      " hello-world\r";
  std::string s;
  s.reserve(static_cast<size_t>(size) + line.size());
  while (static_cast<long>(s.size()) < size) s += line;
  return s;
}

void Set(CKXText& t, const std::string& s) {
  t.SetText(s.data(), static_cast<long>(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
}

void BM_SetText(benchmark::State& state) {
  static Start start;
  const std::string s = MakeText(state.range(0) << 20);
  CKXText t;
  for (auto _ : state) {
    Set(t, s);
    benchmark::DoNotOptimize(t.GetLength());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(s.size()));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SetText)->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// A text whose style runs alternate plain and bold every 8 bytes; the face
// is toggled over 1000 bytes in the middle, off the run starts, so that runs
// are split at both ends and merged again every other time.
void BM_SetStylInManyRuns(benchmark::State& state) {
  static Start start;
  const long runs = state.range(0);
  const std::string s(static_cast<size_t>(runs * 8), 'a');
  std::vector<SKXStyl> list(static_cast<size_t>(runs));
  for (long k = 0; k < runs; ++k) {
    list[size_t(k)].offset = static_cast<std::int32_t>(k * 8);
    list[size_t(k)].styl.font = 1;
    list[size_t(k)].styl.size = 12;
    list[size_t(k)].styl.face = static_cast<std::uint8_t>(k & 1);
    CKXStylArray::SetHeightAscent(list[size_t(k)].styl);
  }
  CKXText t;
  t.SetText(s.data(), static_cast<long>(s.size()), list.data(), runs, nullptr, 0, nullptr, 0, nullptr, 0);
  if (t.GetStylCount() != runs) state.SkipWithError("runs were merged");
  SStyl bold{};
  bold.face = 1;
  const long mid = runs * 4 + 3;
  for (auto _ : state) {
    t.SetStyl(mid, mid + 1000, 2, bold);
    benchmark::DoNotOptimize(t.GetStylCount());
  }
  state.SetComplexityN(runs);
}
BENCHMARK(BM_SetStylInManyRuns)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);

// Bold over the whole of a text whose runs cycle plain, bold, italic
// every 20 bytes, as a styled export reads in: each plain run merges with
// the bold one after it, and the bold italic runs between stay, so every
// merge has runs behind it. Timed at `runs` and four times as many (the
// text rebuilt, untimed, before each); `ratio` is the second time over the
// first, about 4 while the merge stays linear (16 if it were quadratic).
double BoldWholeText(long runs) {
  const long kRunBytes = 20;
  const std::string s(static_cast<size_t>(runs * kRunBytes), 'a');
  std::vector<SKXStyl> list(static_cast<size_t>(runs));
  for (long k = 0; k < runs; ++k) {
    list[size_t(k)].offset = static_cast<std::int32_t>(k * kRunBytes);
    list[size_t(k)].styl.font = 1;
    list[size_t(k)].styl.size = 12;
    list[size_t(k)].styl.face = static_cast<std::uint8_t>(k % 3);  // plain, bold, italic
    CKXStylArray::SetHeightAscent(list[size_t(k)].styl);
  }
  CKXText t;
  t.SetText(s.data(), static_cast<long>(s.size()), list.data(), runs, nullptr, 0, nullptr, 0, nullptr, 0);
  const auto t0 = std::chrono::steady_clock::now();
  t.SetStylFace(0, t.GetLength(), 1, 1);
  const auto t1 = std::chrono::steady_clock::now();
  if (t.GetStylCount() != 2 * (runs / 3) + (runs % 3 != 0)) return -1;
  return std::chrono::duration<double>(t1 - t0).count();
}

void BM_BoldWholeTextOfManyRuns(benchmark::State& state) {
  static Start start;
  const long runs = state.range(0);
  double small = 0, large = 0;
  for (auto _ : state) {
    const double a = BoldWholeText(runs), b = BoldWholeText(4 * runs);
    if (a < 0 || b < 0) {
      state.SkipWithError("bold left other runs than expected");
      return;
    }
    small += a;
    large += b;
    state.SetIterationTime(a + b);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["small_ms"] = 1000 * small / n;
  state.counters["large_ms"] = 1000 * large / n;
  state.counters["ratio"] = small > 0 ? large / small : 0;
}
BENCHMARK(BM_BoldWholeTextOfManyRuns)->Arg(262143)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_CalcWordCount(benchmark::State& state) {
  static Start start;
  const std::string s = MakeText(state.range(0) << 20);
  CKXText t;
  Set(t, s);
  for (auto _ : state) {
    long singles, doubles, paras, pictures, words;
    t.CalcWordCount(0, t.GetLength(), singles, doubles, paras, pictures, words);
    benchmark::DoNotOptimize(words);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(s.size()));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CalcWordCount)->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// One character typed at a spread of places in 50 MB and deleted again.
void BM_TypeAndDelete(benchmark::State& state) {
  static Start start;
  const std::string s = MakeText(50L << 20);
  CKXText t;
  Set(t, s);
  const long len = t.GetLength();
  SStyl bold{};
  bold.font = 1;
  bold.size = 12;
  bold.face = 1;
  long pos = 12345;
  for (auto _ : state) {
    pos = (pos * 7919 + 104729) % len;
    t.InsertString(pos, "x", 1, &bold, nullptr, nullptr, 0);
    t.DeleteString(pos, pos + 1);
  }
}
BENCHMARK(BM_TypeAndDelete)->Unit(benchmark::kMicrosecond);

}  // namespace
