// The Aozora conversion of a 2 MB novel with 20,000 rubies, emphasis and
// layout notes: each pass reads the text once, so the whole conversion must
// stay well under a second.
#include <benchmark/benchmark.h>

#include <string>

#include "formats/aozora.h"
#include "formats/facilities.h"
#include "platform/core.h"
#include "platform/fonts.h"
#include "text/store/text.h"

namespace {

// Shift_JIS pieces: 漢字《かんじ》, ｜本当《ほんとう》, 可能［＃「可能」に傍点］,
// ※［＃「てへん＋劣」、第3水準1-84-77］, ［＃ここから２字下げ］, ［＃ここで字下げ終わり］,
// ［＃改ページ］, and plain kana.
const char kRuby[] = "\x8A\xBF\x8E\x9A\x81\x73\x82\xA9\x82\xF1\x82\xB6\x81\x74";
const char kBarRuby[] = "\x81\x62\x96\x7B\x93\x96\x81\x73\x82\xD9\x82\xF1\x82\xC6\x82\xA4\x81\x74";
const char kEmphasis[] = "\x89\xC2\x94\x5C\x81\x6D\x81\x94\x81\x75\x89\xC2\x94\x5C\x81\x76\x82\xC9\x96\x54\x93\x5F\x81\x6E";
const char kCharNote[] = "\x81\xA6\x81\x6D\x81\x94\x81\x75\x82\xC4\x82\xD6\x82\xF1\x81\x7B\x97\xF2\x81\x76\x81\x41"
                         "\x91\xE6\x33\x90\x85\x8F\x80\x31\x2D\x38\x34\x2D\x37\x37\x81\x6E";
const char kBlockStart[] = "\x81\x6D\x81\x94\x82\xB1\x82\xB1\x82\xA9\x82\xE7\x82\x51\x8E\x9A\x89\xBA\x82\xB0\x81\x6E\r";
const char kBlockEnd[] = "\x81\x6D\x81\x94\x82\xB1\x82\xB1\x82\xC5\x8E\x9A\x89\xBA\x82\xB0\x8F\x49\x82\xED\x82\xE8\x81\x6E\r";
const char kBreak[] = "\x81\x6D\x81\x94\x89\xFC\x83\x79\x81\x5B\x83\x57\x81\x6E\r";
const char kKana[] = "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9\x82\xAB\x82\xAD\x82\xAF\x82\xB1";

const std::string& Novel() {
  static const std::string text = [] {
    std::string s;
    for (long para = 0; s.size() < 2u << 20; ++para) {
      if (para % 50 == 0) s += kBlockStart;
      for (int k = 0; k < 10; ++k) {
        s += kKana;
        s += k % 2 ? kRuby : kBarRuby;
      }
      if (para % 3 == 0) s += kEmphasis;
      if (para % 7 == 0) s += kCharNote;
      s += kKana;
      s += kKana;
      s += "\r";
      if (para % 50 == 49) s += kBlockEnd;
      if (para % 400 == 399) s += kBreak;
    }
    return s;
  }();
  return text;
}

void Setup() {
  static bool done = false;
  if (done) return;
  done = true;
  KxFormatsFacilities();
  CoreInit();
  KxFontInstallBackend(KxSyntheticFontBackend());
}

void BM_Convert(benchmark::State& state) {
  Setup();
  long rubies = 0;
  for (auto _ : state) {
    SKXAozoraText t;
    t.bytes = Novel();
    KxAozoraConvert(t, 12, true);
    rubies = static_cast<long>(t.rubys.size());
  }
  state.counters["rubies"] = static_cast<double>(rubies);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Novel().size()));
}
BENCHMARK(BM_Convert)->Unit(benchmark::kMillisecond);

void BM_ConvertIntoText(benchmark::State& state) {
  Setup();
  for (auto _ : state) {
    CKXText text;
    ConvertAozoraTextWithTextRef(&text, Novel().data(), static_cast<long>(Novel().size()), nullptr);
    benchmark::DoNotOptimize(text.GetRubysCount());
  }
}
BENCHMARK(BM_ConvertIntoText)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
