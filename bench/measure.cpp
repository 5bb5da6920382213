// Measuring 50 MB of Japanese text through the character state, as line
// layout does: a style per run, one GetWidth per byte.
#include <benchmark/benchmark.h>

#include <fstream>
#include <random>
#include <string>

#include "layout/fontstate.h"
#include "platform/script.h"

namespace {

constexpr const char* kIpaGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
constexpr const char* kIpaPGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";
constexpr std::size_t kTextSize = 50u << 20;
constexpr std::size_t kRunLength = 400;   // bytes per style run

struct Styl {
  short height = 0, ascent = 0, font = kKxApplicationFont;
  unsigned char face = 0;
  short size = 12;
};

// Shift_JIS text: mostly kana and kanji, some ASCII words and line ends.
const std::string& Text() {
  static const std::string text = [] {
    static const char* const pieces[] = {"\x82\xB1\x82\xEA\x82\xCD", "\x93\xFA\x96\x7B\x8C\xEA",
                                         "\x95\xB6\x8F\xCD", "\x81\x42", "\x81\x41", "text ", "\r",
                                         "\x83\x65\x83\x4C\x83\x58\x83\x67", "\xB6\xC5"};
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::string t;
    t.reserve(kTextSize + 16);
    while (t.size() < kTextSize) t += pieces[pick(rng)];
    return t;
  }();
  return text;
}

void BM_MeasureJapaneseText(benchmark::State& state) {
  if (std::ifstream(kIpaGothic).good() && std::ifstream(kIpaPGothic).good())
    KxFontInstallBackend(KxFreeTypeFontBackend(false, {kIpaGothic, kIpaPGothic}));
  else
    KxFontInstallBackend(KxSyntheticFontBackend());
  const std::string& text = Text();
  const Styl styles[] = {{0, 0, kKxApplicationFont, 0, 12},
                         {0, 0, kKxSystemFont, 0, 12},
                         {0, 0, kKxApplicationFont, kFaceBold, 18}};
  for (auto _ : state) {
    CKXCharState cs;
    std::int64_t total = 0;
    std::size_t run = 0, at = 0;
    const std::uint8_t* lead = KxScriptParseTable(kScriptJapanese);
    while (at < text.size()) {
      Styl s = styles[run++ % std::size(styles)];
      cs.SetStyl(s);
      // A run ends at a character boundary.
      const std::size_t end = std::min(text.size(), at + kRunLength);
      bool second = false;
      for (; at < end || (second && at < text.size()); ++at) {
        const auto c = static_cast<unsigned char>(text[at]);
        second = !second && lead[c];
        total += cs.GetWidth(c);
      }
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_MeasureJapaneseText)->Unit(benchmark::kMillisecond);

}  // namespace
