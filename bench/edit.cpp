// The edit object: one keystroke (typing a character, with relayout and
// caret placement) at the start, middle and end of 50 KB, 1 MB and 5 MB
// texts; a full layout of 5 MB in both writings; a 1 MB paste into 5 MB.
// The goal: a keystroke in 5 MB costs at most 1.5 times one in 50 KB.
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "layout/text_edit.h"
#include "platform/fonts.h"

namespace {

constexpr long kWidth = 600;

// Shift_JIS: kana and kanji with punctuation, some ASCII words, paragraphs
// of a few hundred bytes.
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

std::unique_ptr<CKXTextEdit> MakeEdit(const std::string& text, bool vertical) {
  KxFontInstallBackend(KxSyntheticFontBackend());
  auto e = std::make_unique<CKXTextEdit>(RectL{0, 0, 0, kWidth}, RectL{0, 0, 800, kWidth});
  SKXLineStyl style;
  style.mode = 1;
  style.wordWrap = 1;
  style.vertical = vertical;
  e->SetLineStyl(style, 0);
  e->SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  e->CalcText();
  return e;
}

// One laid-out edit object per size, kept across benchmarks.
CKXTextEdit& EditOf(std::size_t size) {
  static std::map<std::size_t, std::unique_ptr<CKXTextEdit>> edits;
  auto& e = edits[size];
  if (!e) e = MakeEdit(MakeText(size, 7), false);
  return *e;
}

// Types one character at a place (0 start, 1 middle, 2 end); Backspace
// puts the text back outside the timed part.
void Keystroke(benchmark::State& state) {
  CKXTextEdit& e = EditOf(std::size_t(state.range(0)));
  long at = state.range(1) == 0 ? 0 : state.range(1) == 1 ? e.GetLength() / 2 : e.GetLength();
  e.AdjustOffset(at, false);
  e.SetSelect(at, at);
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    e.TypeChar('a');
    const auto t1 = std::chrono::steady_clock::now();
    e.KeyIn(kKxCharBackspace, 0);
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  state.counters["lines"] = double(e.GetLineCount());
}
BENCHMARK(Keystroke)
    ->ArgsProduct({{50 << 10, 1 << 20, 5 << 20}, {0, 1, 2}})
    ->ArgNames({"bytes", "place"})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void FullLayout(benchmark::State& state) {
  auto e = MakeEdit(MakeText(5u << 20, 7), state.range(0) != 0);
  for (auto _ : state) e->CalcText();
  state.SetBytesProcessed(std::int64_t(state.iterations()) * e->GetLength());
  state.counters["lines"] = double(e->GetLineCount());
}
BENCHMARK(FullLayout)->Arg(0)->Arg(1)->ArgName("vertical")->Unit(benchmark::kMillisecond);

// A 1 MB paste into the middle of 5 MB; deleted again outside the timed part.
void Paste(benchmark::State& state) {
  CKXTextEdit& e = EditOf(5u << 20);
  const std::string paste = MakeText(1u << 20, 11);
  long at = e.GetLength() / 2;
  e.AdjustOffset(at, false);
  for (auto _ : state) {
    e.SetSelect(at, at);
    const auto t0 = std::chrono::steady_clock::now();
    e.Insert(paste.data(), long(paste.size()), nullptr, 0);
    const auto t1 = std::chrono::steady_clock::now();
    e.SetSelect(at, at + long(paste.size()));
    e.KeyIn(kKxCharBackspace, 0);
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
}
BENCHMARK(Paste)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
