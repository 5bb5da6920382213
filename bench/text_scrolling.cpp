// Scrolling a text pane through its scroller: an arrow step, a page step
// and 1,000 thumb jumps, each drawn at once as on the screen, at the start,
// the middle and the end of a 50 KB and a 50 MB text. The goal: the cost
// of a step does not grow with the position in the text; the "ratio"
// counter says how a place compares with the start of the same text (the
// start must run first).
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "platform/fonts.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"
#include "views/split_view.h"
#include "views/text_scroller.h"
#include "views/text_view.h"
#include "views/view_classes.h"

namespace {

std::string MakeText(std::size_t size) {
  static const char* const pieces[] = {"\x93\xFA\x96\x7B\x8C\xEA", "text ", "scrolling ", "\x81\x42", "words "};
  std::mt19937 rng(11);
  std::string t;
  t.reserve(size + 16);
  while (t.size() < size) {
    t += pieces[rng() % std::size(pieces)];
    if (rng() % 12 == 0) t += '\r';
  }
  return t;
}

struct Setup {
  explicit Setup(std::size_t size) {
    KxFontInstallBackend(KxSyntheticFontBackend());
    KxRegisterFrameworkClasses();
    KxRegisterViewClasses();
    engine = new CKXTextEngine(false);
    engine->AddUser(engine);
    const std::string text = MakeText(size);
    KXText_SetText(engine->GetEdit(), text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0);
    KXTE_CalcText(engine->GetEdit());
    KXTE_Activate(engine->GetEdit());
    panes = KxMakeTextPanes(*engine, nullptr, 615, 600, 0, false, nullptr);
  }
  ~Setup() {
    delete panes.window;
    engine->RemoveUser(engine);
  }
  Setup(const Setup&) = delete;
  Setup& operator=(const Setup&) = delete;

  // Puts the pane at a place: 0 start, 1 middle, 2 end.
  void GoTo(long place) {
    SDimension32 image, frame;
    panes.view[0]->GetImageSize(image);
    panes.view[0]->GetFrameSize(frame);
    const std::int32_t last = std::max(0, image.height - frame.height);
    const std::int32_t v = place == 0 ? 0 : place == 1 ? last / 2 : last;
    panes.view[0]->ScrollImageTo(0, v, true);
    panes.window->UpdatePort();
  }

  CKXTextEngine* engine = nullptr;
  KxTextPanes panes;
};

KxHeadlessHost& Host() {
  static KxHeadlessHost host;
  return host;
}

Setup& SetupOf(std::size_t size) {
  Host();
  static std::map<std::size_t, std::unique_ptr<Setup>> setups;
  auto& s = setups[size];
  if (!s) s = std::make_unique<Setup>(size);
  return *s;
}

// Microseconds per step at the start of each text, by benchmark and size.
std::map<std::pair<int, std::size_t>, double> gStart;

template <typename Step>
void Run(benchmark::State& state, int kind, Step step) {
  const std::size_t size = std::size_t(state.range(0));
  Setup& s = SetupOf(size);
  s.GoTo(state.range(1));
  double total = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    step(s);
    s.panes.window->UpdatePort();
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    total += t;
    state.SetIterationTime(t);
  }
  const double per = state.iterations() ? total / double(state.iterations()) * 1e6 : 0;
  if (state.range(1) == 0)
    gStart[{kind, size}] = per;
  else if (gStart.count({kind, size}) && gStart[{kind, size}] > 0)
    state.counters["ratio"] = per / gStart[{kind, size}];
}

// Down and back up: the place stays, and no two steps in a row repeat a
// part, so nothing accelerates.
void ArrowStep(benchmark::State& state) {
  Run(state, 0, [](Setup& s) {
    s.panes.scroller[0]->VertScroll(kControlDownButtonPart);
    s.panes.scroller[0]->VertScroll(kControlUpButtonPart);
  });
}

void PageStep(benchmark::State& state) {
  Run(state, 1, [](Setup& s) {
    s.panes.scroller[0]->VertScroll(kControlPageDownPart);
    s.panes.scroller[0]->VertScroll(kControlPageUpPart);
  });
}

// 1,000 thumb jumps within a few screens of the place.
void ThumbJumps(benchmark::State& state) {
  std::mt19937 rng(5);
  Run(state, 2, [&rng](Setup& s) {
    LScrollBar* bar = s.panes.scroller[0]->GetVScrollBar();
    const std::int32_t at = bar->GetValue();
    for (int k = 0; k < 1000; ++k) {
      const std::int32_t to = std::clamp<std::int32_t>(at + std::int32_t(rng() % 4000) - 2000, bar->GetMinValue(),
                                                       bar->GetMaxValue());
      bar->SetValue(to);
      s.panes.scroller[0]->VertScroll(kControlIndicatorPart);
    }
    bar->SetValue(at);
    s.panes.scroller[0]->VertScroll(kControlIndicatorPart);
  });
}

BENCHMARK(ArrowStep)
    ->ArgsProduct({{50 << 10, 50 << 20}, {0, 1, 2}})
    ->ArgNames({"bytes", "place"})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(PageStep)
    ->ArgsProduct({{50 << 10, 50 << 20}, {0, 1, 2}})
    ->ArgNames({"bytes", "place"})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(ThumbJumps)
    ->ArgsProduct({{50 << 10, 50 << 20}, {0, 1, 2}})
    ->ArgNames({"bytes", "place"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
