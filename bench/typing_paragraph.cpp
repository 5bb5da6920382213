// The edit object alone: one key typed at the start, middle and end of a
// text without line ends (10 and 50 MB) and of 1 MB lines (10 MB: Japanese
// text, and numbers with commas), against
// one key at the same place of 50 KB of short lines. Each benchmark
// reports `ratio`, its time per key over the short text's (goal: 1.5 or
// less); bench/typing.sh measures the same through the text engine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "layout/text_edit.h"
#include "platform/fonts.h"

namespace {

constexpr long kWidth = 600;

// Shift_JIS kana and kanji with punctuation and a few ASCII words; a line
// end after every `line` bytes (0: none).
std::string MakeText(std::size_t size, std::size_t line) {
  static const char* const pieces[] = {"\x82\xB1\x82\xEA\x82\xCD", "\x93\xFA\x96\x7B\x8C\xEA", "\x95\xB6\x8F\xCD",
                                       "\x81\x42", "\x81\x41", "text ", "\x81\x75", "\x81\x76",
                                       "\x83\x65\x83\x4C\x83\x58\x83\x67"};
  std::mt19937 rng(7);
  std::string t;
  t.reserve(size + 16);
  std::size_t since = 0;
  while (t.size() < size) {
    const std::string p = pieces[rng() % std::size(pieces)];
    t += p;
    since += p.size();
    if (line && since >= line) {
      t += '\r';
      since = 0;
    }
  }
  return t;
}

// Numbers and commas without spaces in lines of `line` bytes: one word a
// line long, which word wrap must break between characters.
std::string MakeCsv(std::size_t size, std::size_t line) {
  std::mt19937 rng(7);
  std::string t;
  t.reserve(size + 16);
  std::size_t since = 0;
  while (t.size() < size) {
    const std::string n = std::to_string(rng() % 100000) + ",";
    t += n;
    since += n.size();
    if (since >= line) {
      t += '\r';
      since = 0;
    }
  }
  return t;
}

// kMixed: 10 MB of short lines in runs of two font sizes, so that the lines
// differ in height every few lines. kCsv: 10 MB of 1 MB lines of numbers.
// kRuby: 10 MB of short lines with a ruby on the first character of every
// third line, as a text in Aozora notation has them.
enum Kind { kShort, kPara10, kPara50, kLines, kMixed, kCsv, kRuby };

// Calls put(start, line) for the first, fourth, seventh... line of `text`
// (lines counted from 1).
template <typename Put>
void EveryThirdLine(const std::string& text, Put put) {
  long line = 0;
  for (std::size_t at = 0; at < text.size();) {
    if (line++ % 3 == 0) put(at, line);
    const std::size_t cr = text.find('\r', at);
    if (cr == std::string::npos) break;
    at = cr + 1;
  }
}

// Style runs switching between two sizes every three lines of `text`.
std::vector<SKXStyl> TwoSizes(const std::string& text) {
  std::vector<SKXStyl> runs;
  EveryThirdLine(text, [&](std::size_t at, long line) {
    SKXStyl run{};
    run.offset = std::int32_t(at);
    run.styl.size = std::int16_t(line % 2 ? 12 : 18);
    runs.push_back(run);
  });
  return runs;
}

// A ruby of one kana over the first two bytes of every third line.
std::vector<SKXRuby> Rubies(const std::string& text) {
  std::vector<SKXRuby> rubies;
  EveryThirdLine(text, [&](std::size_t at, long) {
    if (at + 2 >= text.size()) return;
    SKXRuby r{};
    r.pos = std::int32_t(at);
    r.baseLen = 2;
    r.rubyLen = 2;
    r.text[0] = '\x82';
    r.text[1] = '\xA0';
    rubies.push_back(r);
  });
  return rubies;
}

CKXTextEdit& EditOf(Kind kind) {
  static std::map<Kind, std::unique_ptr<CKXTextEdit>> edits;
  auto& e = edits[kind];
  if (!e) {
    KxFontInstallBackend(KxSyntheticFontBackend());
    const std::string text = kind == kShort    ? MakeText(50 << 10, 60)
                             : kind == kPara10 ? MakeText(10 << 20, 0)
                             : kind == kPara50 ? MakeText(50 << 20, 0)
                             : kind == kMixed || kind == kRuby ? MakeText(10 << 20, 60)
                             : kind == kCsv    ? MakeCsv(10 << 20, 1 << 20)
                                               : MakeText(10 << 20, 1 << 20);
    const std::vector<SKXStyl> runs = kind == kMixed ? TwoSizes(text) : std::vector<SKXStyl>{};
    e = std::make_unique<CKXTextEdit>(RectL{0, 0, 0, kWidth}, RectL{0, 0, 800, kWidth});
    SKXLineStyl style;
    style.mode = 1;
    style.wordWrap = 1;
    e->SetLineStyl(style, 0);
    e->SetText(text.data(), long(text.size()), runs.empty() ? nullptr : runs.data(), long(runs.size()), nullptr, 0,
               nullptr, 0, nullptr, 0);
    if (kind == kRuby) {
      const std::vector<SKXRuby> rubies = Rubies(text);
      e->SetRubys(rubies.data(), long(rubies.size()));
    }
    e->CalcText();
  }
  return *e;
}

// Seconds per key at a place (0 start, 1 middle, 2 end): `keys` keys typed,
// then as many Backspaces outside the timed part.
double PerKey(Kind kind, int place, int keys) {
  CKXTextEdit& e = EditOf(kind);
  long at = place == 0 ? 0 : place == 1 ? e.GetLength() / 2 : e.GetLength();
  e.AdjustOffset(at, false);
  e.SetSelect(at, at);
  const auto t0 = std::chrono::steady_clock::now();
  for (int k = 0; k < keys; ++k) e.TypeChar('a');
  const auto t1 = std::chrono::steady_clock::now();
  for (int k = 0; k < keys; ++k) e.KeyIn(kKxCharBackspace, 0);
  return std::chrono::duration<double>(t1 - t0).count() / keys;
}

void Keys(benchmark::State& state) {
  const Kind kind = Kind(state.range(0));
  const int place = int(state.range(1));
  constexpr int kKeys = 200;
  // The best of the runs of each: the machine's noise only ever adds.
  double ours = 1e9, ref = 1e9;
  for (auto _ : state) {
    const double t = PerKey(kind, place, kKeys);
    ours = std::min(ours, t);
    ref = std::min(ref, PerKey(kShort, place, kKeys));
    state.SetIterationTime(t * kKeys);
  }
  state.counters["us_per_key"] = ours * 1e6;
  state.counters["short_us_per_key"] = ref * 1e6;
  state.counters["ratio"] = ours / ref;
}
BENCHMARK(Keys)
    ->ArgsProduct({{kPara10, kPara50, kLines, kMixed, kCsv, kRuby}, {0, 1, 2}})
    ->ArgNames({"text", "place"})
    ->UseManualTime()
    ->Iterations(7)
    ->Unit(benchmark::kMillisecond);

}  // namespace
