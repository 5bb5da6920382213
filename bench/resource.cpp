// The resource container with thousands of resources of one type, written
// with ID 0 (the next free ID each time) and read back by ID: both must stay
// near-linear (sorted maps, bisection).
#include <benchmark/benchmark.h>

#include <string>

#include "document/facilities.h"
#include "document/resource.h"
#include "platform/core.h"
#include "text/base/memory.h"

namespace {

struct Init {
  Init() {
    KxDocumentFacilities();
    CoreInit();
  }
} gInit;

void BM_WriteAndReadPictures(benchmark::State& state) {
  const long n = state.range(0);
  std::string block(64, 'p');
  for (auto _ : state) {
    CKXMemResource w;
    for (long i = 0; i < n; ++i) w.WriteResource(block.data(), 64, FourCC("PICT"), 0);
    w.CloseResInfo();
    CKXMemResource r(w.Bytes());
    r.OpenResInfo();
    for (long id = 1; id <= n; ++id) {
      Handle h = r.ReadResource(FourCC("PICT"), static_cast<short>(id));
      KxMemHFree(h);
    }
    benchmark::DoNotOptimize(r.CountResources(FourCC("PICT")));
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_WriteAndReadPictures)->Arg(1000)->Arg(8000)->Arg(32000)->Complexity();

}  // namespace
