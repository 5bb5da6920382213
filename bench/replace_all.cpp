// Replace-all in the editing layer: one match every 50 bytes (a million in
// 50 MB) replaced by a shorter text, then the one undo step and its redo.
// Each must cost time in proportion to the text: compare the 5, 10 and
// 50 MB rows (time per byte stays flat). The same with a regular expression
// and a group over text without a line end (one paragraph of 5 or 20 MB),
// where nothing done per match may grow with the paragraph.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <string>

#include "engine/facilities.h"
#include "engine/text_layer.h"
#include "platform/core.h"
#include "platform/fonts.h"
#include "text/find/find.h"

namespace {

// One match in this many bytes.
constexpr long kMatchEvery = 50;
const char kFind[] = "needle";
const char kRepl[] = "pin";
// The regular expression of the paragraph rows: the same matches, through a
// group.
const char kFindGroup[] = "ne(ed)le";
const char kReplGroup[] = "<\\1>";

struct Start {
  Start() {
    KxFontInstallBackend(KxSyntheticFontBackend());
    KxEngineFacilities();
    CoreInit();
  }
};

// Words and line ends with a match every kMatchEvery bytes; one paragraph
// without line ends when `lines` is false.
std::string MakeText(long size, bool lines = true) {
  static const char* const words[] = {"alpha ", "beta ", "gamma ", "delta ", "epsilon ", "zeta "};
  std::mt19937 rng(38);
  std::string t;
  t.reserve(std::size_t(size) + 64);
  long next = kMatchEvery;
  while (long(t.size()) < size) {
    if (long(t.size()) >= next) {
      t += kFind;
      next += kMatchEvery;
    } else {
      t += words[rng() % std::size(words)];
    }
    if (lines && rng() % 8 == 0) t += '\r';
  }
  return t;
}

class BenchLayer : public CKXTextLayer {
 public:
  explicit BenchLayer(const std::string& text) {
    const RectL view{0, 0, 800, 600};
    Initialize(view, &view);
    KXText_SetText(GetEdit(), text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0);
    KXTE_CalcText(GetEdit());
  }
};

enum Phase { kReplace, kUndo, kRedo, kExact, kParagraph, kParagraphExact };

void ReplaceAll(benchmark::State& state, Phase phase) {
  static Start start;
  const long size = state.range(0) << 20;
  const bool paragraph = phase == kParagraph || phase == kParagraphExact;
  const std::string text = MakeText(size, !paragraph);
  long matches = 0;
  double seconds = 0;
  for (auto _ : state) {
    BenchLayer layer(text);
    if (phase == kExact || phase == kParagraphExact) layer.SetReplaceAllPath(CKXTextLayer::kReplaceExact);
    using Clock = std::chrono::steady_clock;
    auto t0 = Clock::now();
    matches = paragraph ? layer.DoReplaceAll(kFindGroup, long(sizeof kFindGroup - 1), kReplGroup,
                                             long(sizeof kReplGroup - 1), kKXFindRegexp | CKXTextLayer::kReplaceRegexp)
                        : layer.DoReplaceAll(kFind, long(sizeof kFind - 1), kRepl, long(sizeof kRepl - 1), 0);
    auto t1 = Clock::now();
    if (phase == kUndo || phase == kRedo) {
      t0 = Clock::now();
      layer.Undo();
      t1 = Clock::now();
    }
    if (phase == kRedo) {
      t0 = Clock::now();
      layer.Redo();
      t1 = Clock::now();
    }
    const double s = std::chrono::duration<double>(t1 - t0).count();
    seconds += s;
    state.SetIterationTime(s);
  }
  state.counters["matches"] = double(matches);
  state.counters["ns_per_byte"] = seconds * 1e9 / double(state.iterations()) / double(size);
  state.SetBytesProcessed(state.iterations() * size);
}

void Replace(benchmark::State& state) { ReplaceAll(state, kReplace); }
void Undo(benchmark::State& state) { ReplaceAll(state, kUndo); }
void Redo(benchmark::State& state) { ReplaceAll(state, kRedo); }
// The match-by-match path that texts with paragraph runs, ruby, marks or
// side entries take, for comparison.
void ReplaceExact(benchmark::State& state) { ReplaceAll(state, kExact); }

BENCHMARK(Replace)->Arg(5)->Arg(10)->Arg(50)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(Undo)->Arg(5)->Arg(10)->Arg(50)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(Redo)->Arg(5)->Arg(10)->Arg(50)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(ReplaceExact)->Arg(1)->Arg(5)->Arg(10)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
void Paragraph(benchmark::State& state) { ReplaceAll(state, kParagraph); }
void ParagraphExact(benchmark::State& state) { ReplaceAll(state, kParagraphExact); }
BENCHMARK(Paragraph)->Arg(5)->Arg(20)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(ParagraphExact)->Arg(1)->Arg(5)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
