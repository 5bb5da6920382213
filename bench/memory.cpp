// Growing a handle 128 bytes at a time, as the run and character arrays do.
// The time per byte must stay flat from 1 MB to 50 MB: the handles' spare
// capacity keeps the growth linear.
//
// The C library is told to grow its heap in large steps and to keep freed
// memory: otherwise it hands blocks above 32 MB straight back to the system
// and every 50 MB round pays for faulting in fresh pages, which hides the
// growth being measured (about six times the cost per byte of the 10 MB
// round, for that reason alone).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include "platform/memory.h"
#include "text/base/memory.h"

namespace {

constexpr long kStep = 128;

const bool kHeapKept = [] {
  mallopt(M_TOP_PAD, 128 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  return true;
}();

void BM_KxMemHReAllocGrowth(benchmark::State& state) {
  const long target = state.range(0);
  KxMemInitialize();
  for (auto _ : state) {
    char** h = KxMemHAlloc(0, false);
    for (long size = kStep; size <= target; size += kStep)
      if (!KxMemHReAlloc(h, size, false)) state.SkipWithError("allocation failed");
    benchmark::DoNotOptimize(*h);
    KxMemHFree(h);
  }
  KxMemTerminate();
  state.SetBytesProcessed(state.iterations() * target);
  state.SetComplexityN(target);
}

void BM_SetHandleSizeGrowth(benchmark::State& state) {
  const long target = state.range(0);
  for (auto _ : state) {
    Handle h = NewHandle(0);
    for (long size = kStep; size <= target; size += kStep) SetHandleSize(h, Size(size));
    benchmark::DoNotOptimize(*h);
    DisposeHandle(h);
  }
  state.SetBytesProcessed(state.iterations() * target);
  state.SetComplexityN(target);
}

constexpr long kMB = 1024 * 1024;
BENCHMARK(BM_KxMemHReAllocGrowth)
    ->Arg(1 * kMB)->Arg(10 * kMB)->Arg(50 * kMB)
    ->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_SetHandleSizeGrowth)
    ->Arg(1 * kMB)->Arg(10 * kMB)->Arg(50 * kMB)
    ->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
