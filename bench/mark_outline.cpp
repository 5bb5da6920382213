// The mark list's outline with the most marks a text can save (65,535):
// rebuilding every row and clicking the last one, beside reading the ranks
// once through the procedural interface. The "ratio" counter is the
// rebuild-and-click time over the plain read: the outline's own cost per
// mark on top of reaching the marks at all.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "platform/fonts.h"
#include "views/mark_outline.h"

namespace {

constexpr long kMarks = 65535;

struct Outline : CKXTextMarkUtil {
  explicit Outline(CKXTextEngine* e) : engine(e) {}
  CKXTextEngine* GetTextEngine() override { return engine; }
  short GetMarkStringWidth(const unsigned char* name) override { return short(name[0] * 6); }
  void ExecuteMarkAt(long n) override { engine->DoSelection(engine->GetMarkRange(n), false); }
  CKXTextEngine* engine;
};

CKXTextEngine& Engine() {
  static std::unique_ptr<CKXTextEngine> engine = [] {
    KxFontInstallBackend(KxSyntheticFontBackend());
    auto e = std::make_unique<CKXTextEngine>(false);
    const std::string text(std::size_t(kMarks) * 2, 'm');
    KXText_SetText(e->GetEdit(), text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0);
    const unsigned char name[] = "\x04" "mark";
    for (long i = 0; i < kMarks; ++i) {
      KXTE_InsertMark(e->GetEdit(), i * 2, i * 2 + 1, name);
      KXTE_SetMarkRank(e->GetEdit(), i + 1, short((i % 3) * 2 + (i % 3 < 2 ? 1 : 0)));
    }
    return e;
  }();
  return *engine;
}

long ReadRanks(CKXTextEngine& e) {
  long sum = 0;
  for (long i = 1; i <= kMarks; ++i) sum += KXTE_GetMarkRank(e.GetEdit(), i);
  return sum;
}

void BM_ReadRanks(benchmark::State& state) {
  CKXTextEngine& e = Engine();
  for (auto _ : state) benchmark::DoNotOptimize(ReadRanks(e));
  state.SetItemsProcessed(state.iterations() * kMarks);
}
BENCHMARK(BM_ReadRanks)->Unit(benchmark::kMillisecond);

void BM_RebuildAndClickLast(benchmark::State& state) {
  CKXTextEngine& e = Engine();
  Outline outline(&e);
  // The plain read, timed here so that the ratio compares like with like.
  constexpr int kReads = 5;
  const auto t0 = std::chrono::steady_clock::now();
  for (int k = 0; k < kReads; ++k) benchmark::DoNotOptimize(ReadRanks(e));
  const double read = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / kReads;
  double spent = 0;
  for (auto _ : state) {
    const auto t = std::chrono::steady_clock::now();
    outline.ReCalcMark(12, 10);
    const long last = outline.CountRows();
    outline.ClickMark(PointL{std::int32_t((last - 1) * outline.GetRowHeight() + 2),
                             outline.GetRow(last)->level * kKxMarkLevelIndent + kKxMarkIconWidth + 1},
                      0);
    spent += std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
  }
  state.counters["rows"] = double(outline.CountRows());
  state.counters["ratio"] = read > 0 ? spent / double(state.iterations()) / read : 0;
}
BENCHMARK(BM_RebuildAndClickLast)->Unit(benchmark::kMillisecond);

}  // namespace
