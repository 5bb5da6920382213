// The page engine on a 5 MB text: a full cut into column-pages, and the
// repagination after an edit at the top that changes the line count (a
// return typed into the first line), which cuts only the pages up to where
// the old pages line up again and moves the rest.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

#include "layout/text_edit_ex.h"
#include "platform/fonts.h"

namespace {

constexpr std::size_t kTextSize = 5 * 1024 * 1024;

std::string MakeText(std::size_t size) {
  static const char* const pieces[] = {"\x82\xB1\x82\xEA\x82\xCD", "\x93\xFA\x96\x7B\x8C\xEA", "\x81\x42",
                                       "text ", "word-wrap ", "\x83\x65\x83\x4C\x83\x58\x83\x67"};
  std::mt19937 rng(11);
  std::string t;
  t.reserve(size + 16);
  while (t.size() < size) {
    t += pieces[rng() % std::size(pieces)];
    if (rng() % 40 == 0) t += '\r';
    if (rng() % 20000 == 0) t += "\x0c\r";
  }
  return t;
}

CKXTextEditEx& Edit(short columns) {
  static std::unique_ptr<CKXTextEditEx> edits[2];
  auto& e = edits[columns > 1 ? 1 : 0];
  if (!e) {
    KxFontInstallBackend(KxSyntheticFontBackend());
    SKXPageStyl s = KxDefaultPageStyl();
    s.columns = columns;
    s.gap = 20;
    e = std::make_unique<CKXTextEditEx>(RectL{0, 0, 0, 500}, RectL{0, 0, 800, 500}, s);
    const std::string text = MakeText(kTextSize);
    e->SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    e->CalcText();
  }
  return *e;
}

void FullCut(benchmark::State& state) {
  CKXTextEditEx& e = Edit(short(state.range(0)));
  for (auto _ : state) e.RecalcPage(0);
  state.counters["pages"] = double(e.GetPageCount());
  state.counters["lines"] = double(e.GetLineCount());
}
BENCHMARK(FullCut)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// A return typed at offset 3 and taken out again: two relayouts, each
// followed by its repagination.
void ReturnAtTop(benchmark::State& state) {
  CKXTextEditEx& e = Edit(short(state.range(0)));
  long first = 0;
  for (auto _ : state) {
    e.InsertString(3, "\r", 1, nullptr, nullptr, nullptr, 0);
    e.RecalcText(3, 1, 1, first);
    e.DeleteString(3, 4);
    e.RecalcText(3, 0, -1, first);
  }
  state.counters["pages"] = double(e.GetPageCount());
}
BENCHMARK(ReturnAtTop)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
