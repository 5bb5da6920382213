// Copy and paste of a 10 MB styled range through the flavor exchange:
// every flavor (text with inline ruby, styles, decorations, paragraphs,
// side entries, ruby infos, and Unicode text) put on the clipboard through
// a clipboard tube, then read back from one snapshot into a new text; and
// the same through a drag. About 10^5 records, as bench_flavors builds
// them. Throughput counts the bytes of the range.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/flavor_exchange.h"
#include "engine/text_flavors.h"
#include "layout/facilities.h"
#include "platform/core.h"
#include "styled_source.h"
#include "platform/host/headless.h"
#include "text/store/text.h"

namespace {

using kxbench::kSize;

const CKXText& Source() { return kxbench::StyledSource(); }

void Check(benchmark::State& state, const CKXText& t, const CKXText& dest) {
  if (dest.GetLength() != t.GetLength() || dest.GetRubysCount() != t.GetRubysCount() ||
      dest.GetUniCharsCount() != t.GetUniCharsCount())
    state.SkipWithError("the paste lost text or runs");
}

void BM_CopyToClipboard(benchmark::State& state) {
  CKXText& t = const_cast<CKXText&>(Source());
  static KxHeadlessHost host;
  CKXFlavorExchange exchange(nullptr, &t);
  for (auto _ : state) {
    CKXTextClipboardTube tube(&exchange, SKXRange{0, -1});
    benchmark::DoNotOptimize(&tube);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * t.GetLength());
}
BENCHMARK(BM_CopyToClipboard)->Unit(benchmark::kMillisecond);

void BM_PasteFromClipboard(benchmark::State& state) {
  CKXText& t = const_cast<CKXText&>(Source());
  static KxHeadlessHost host;
  {
    CKXFlavorExchange exchange(nullptr, &t);
    CKXTextClipboardTube tube(&exchange, SKXRange{0, -1});
  }
  for (auto _ : state) {
    CKXText dest;
    short kind = 0;
    KxGetTextFromClipboard(KXHandleAccess::Wrap(&dest), kind);
    Check(state, t, dest);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * t.GetLength());
}
BENCHMARK(BM_PasteFromClipboard)->Unit(benchmark::kMillisecond);

void BM_DragAndDrop(benchmark::State& state) {
  CKXText& t = const_cast<CKXText&>(Source());
  CKXFlavorExchange sender(nullptr, &t);
  for (auto _ : state) {
    KxDragData drag;
    { CKXTextDragTube out(&drag, 1, &sender, SKXRange{0, -1}); }
    CKXText dest;
    CKXFlavorExchange receiver(nullptr, &dest);
    CKXTextDragTube in(&drag, 1);
    short mask = 0;
    receiver.ReceiveDataFrom(SKXRange{0, 0}, in, KXHandleAccess::Wrap(&dest), &mask);
    Check(state, t, dest);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * t.GetLength());
}
BENCHMARK(BM_DragAndDrop)->Unit(benchmark::kMillisecond);

}  // namespace
