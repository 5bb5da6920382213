// Growth and editing costs of the handle and run arrays. Appending line
// starts must stay linear in the number of lines (the handle keeps
// geometric spare room under the 128-byte steps), and inserting a run at
// the front must cost one move of the entries behind it, not more.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "text/runs/linearray.h"
#include "text/base/posarray.h"

namespace {

void BM_AppendLineStarts(benchmark::State& state) {
  const long n = state.range(0);
  for (auto _ : state) {
    CKXLineArray lines;
    for (long k = 1; k < n; ++k) lines.InsertLineAt(k + 1, k * 40);
    benchmark::DoNotOptimize(lines.GetCount());
  }
  state.SetComplexityN(n);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AppendLineStarts)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

struct Run {
  std::int32_t offset;
  std::int32_t value;
};

class RunArray : public CKXPosArray {
 public:
  RunArray() : CKXPosArray(sizeof(Run)) {}
};

// One run inserted at the front of n runs and deleted again: both move the
// n entries behind it once.
void BM_InsertRunAtFront(benchmark::State& state) {
  const long n = state.range(0);
  std::vector<Run> runs(static_cast<size_t>(n));
  for (long k = 0; k < n; ++k) runs[size_t(k)] = {static_cast<std::int32_t>(k * 8), static_cast<std::int32_t>(k & 1)};
  RunArray a;
  a.SetItems(runs.data(), n);
  long textLen = n * 8;
  Run front{0, 7};
  for (auto _ : state) {
    a.Insert(0, &front, 1, 3);
    a.Delete(0, 3, textLen + 3);
  }
  if (a.GetCount() != n) state.SkipWithError("array changed");
  state.SetComplexityN(n);
}
BENCHMARK(BM_InsertRunAtFront)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);

}  // namespace
