// Typing latency through the text engine: one key through DoKey (the
// typing action, the edit object, the result word, the broadcasts and the
// view's scrolling) at the start, middle and end of a 50 KB and a 50 MB
// text shown in a headless window with its undoer. The goal: a key in 50 MB
// costs at most 1.5 times one in 50 KB; the "ratio" counter of the 50 MB
// runs says how far (the 50 KB run of the same place must come first).
// EditObjectKeystroke times the same key in the edit object alone.
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "engine/text_engine.h"
#include "engine/text_undoer.h"
#include "platform/fonts.h"
#include "platform/framework/view.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"

namespace {

std::string MakeText(std::size_t size, unsigned seed) {
  static const char* const pieces[] = {"\x82\xB1\x82\xEA\x82\xCD", "\x93\xFA\x96\x7B\x8C\xEA", "\x95\xB6\x8F\xCD",
                                       "\x81\x42", "\x81\x41", "text ", "word-wrap ", "\x81\x75", "\x81\x76",
                                       "\x83\x65\x83\x4C\x83\x58\x83\x67", "\xB6\xC5"};
  std::mt19937 rng(seed);
  std::string t;
  t.reserve(size + 16);
  while (t.size() < size) {
    t += pieces[rng() % std::size(pieces)];
    if (rng() % 60 == 0) t += '\r';
  }
  return t;
}

class Counter : public LListener {
 public:
  void ListenToMessage(MessageT, void*) override { ++heard; }
  long heard = 0;
};

class View : public LView, public LCommander {
 public:
  View(CKXTextEngine& engine, LWindow& window) : LCommander(&window), mEngine(engine) {
    mFrameSize = {600, 800};
    mImageSize = {600, 800};
    PutInside(&window, 0, 0);
    engine.SetHandlerView(this);
  }
  ~View() override { mEngine.SetHandlerView(nullptr); }
  View(const View&) = delete;
  View& operator=(const View&) = delete;
  void ScrollImageBy(std::int32_t dh, std::int32_t dv, bool refresh) override {
    LView::ScrollImageBy(dh, dv, refresh);
    mEngine.ScrollView(dh, dv, refresh);
  }

 private:
  CKXTextEngine& mEngine;
};

struct Setup {
  explicit Setup(std::size_t size) {
    KxFontInstallBackend(KxSyntheticFontBackend());
    engine = std::make_unique<CKXTextEngine>(false);
    const std::string text = MakeText(size, 7);
    KXText_SetText(engine->GetEdit(), text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0);
    SKXLineStyl style{};
    KXTE_GetLineStyl(engine->GetEdit(), style);
    style.mode = 1;
    style.wordWrap = 1;
    KXTE_SetLineStyl(engine->GetEdit(), style, 0);
    KXTE_CalcText(engine->GetEdit());
    KXTE_Activate(engine->GetEdit());
    window = new LWindow(Rect{0, 0, 800, 600}, reinterpret_cast<ConstStringPtr>("\x05""bench"), nullptr);
    window->AddAttachment(new CKXTextUndoer, nullptr, true);
    view = new View(*engine, *window);
    engine->AddListener(&counter);
  }
  ~Setup() {
    delete window;
    engine.reset();
  }
  Setup(const Setup&) = delete;
  Setup& operator=(const Setup&) = delete;

  std::unique_ptr<CKXTextEngine> engine;
  LWindow* window = nullptr;
  View* view = nullptr;
  Counter counter;
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

// Microseconds per key of the small text, by place.
std::map<long, double> gSmall;

void Keystroke(benchmark::State& state) {
  const std::size_t size = std::size_t(state.range(0));
  Setup& s = SetupOf(size);
  CKXTextEngine& e = *s.engine;
  const long len = KXText_GetLength(e.GetEdit());
  long at = state.range(1) == 0 ? 0 : state.range(1) == 1 ? len / 2 : len;
  at = KXText_GetPrevCharPos(e.GetEdit(), KXText_GetNextCharPos(e.GetEdit(), at));
  e.SetSelectionRange({std::int32_t(at), 0}, true);
  double total = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    e.DoKey('a', 0);
    const auto t1 = std::chrono::steady_clock::now();
    e.DoKey(8, 0);
    const double t = std::chrono::duration<double>(t1 - t0).count();
    total += t;
    state.SetIterationTime(t);
  }
  const double perKey = state.iterations() ? total / double(state.iterations()) * 1e6 : 0;
  if (size < (1u << 20))
    gSmall[state.range(1)] = perKey;
  else if (gSmall.count(state.range(1)) && gSmall[state.range(1)] > 0)
    state.counters["ratio"] = perKey / gSmall[state.range(1)];
  state.counters["broadcasts"] = double(s.counter.heard);
}
BENCHMARK(Keystroke)
    ->ArgsProduct({{50 << 10, 50 << 20}, {0, 1, 2}})
    ->ArgNames({"bytes", "place"})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// The same key straight into the edit object, without the engine: what
// the engine adds is the difference.
void EditObjectKeystroke(benchmark::State& state) {
  Setup& s = SetupOf(std::size_t(state.range(0)));
  const KXEditHandle edit = s.engine->GetEdit();
  const long len = KXText_GetLength(edit);
  long at = state.range(1) == 0 ? 0 : state.range(1) == 1 ? len / 2 : len;
  at = KXText_GetPrevCharPos(edit, KXText_GetNextCharPos(edit, at));
  KXTE_SetSelect(edit, at, at);
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    KXTE_KeyIn(edit, 'a', 0);
    const auto t1 = std::chrono::steady_clock::now();
    KXTE_KeyIn(edit, 8, 0);
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
}
BENCHMARK(EditObjectKeystroke)
    ->ArgsProduct({{50 << 10, 50 << 20}, {0, 1, 2}})
    ->ArgNames({"bytes", "place"})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
