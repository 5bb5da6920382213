// Laying out a whole 5 MB Japanese text in lines of 600 points, with the
// hanging line-break rules and word wrap, as a relayout does: one cache
// handed from line to line. The goal is under 0.5 s for 5 MB. The time per
// line of the prose text is what typing at the start of a long paragraph
// pays for every line in view.
#include <benchmark/benchmark.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "layout/linebreak.h"

namespace {

constexpr const char* kIpaGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
constexpr std::size_t kTextSize = 5u << 20;

// kTextSize bytes of pieces picked at random, with a line end after about
// one piece in `paragraph` (0: none).
std::string Generate(const std::vector<const char*>& pieces, unsigned paragraph) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::string t;
  t.reserve(kTextSize + 16);
  while (t.size() < kTextSize) {
    t += pieces[pick(rng)];
    if (paragraph && rng() % paragraph == 0) t += '\r';
  }
  return t;
}

// Shift_JIS: kana and kanji with punctuation, some ASCII words, paragraphs
// of a few hundred bytes; or (`prose`) one paragraph of double-byte
// characters only, as a Japanese novel is, where no line break falls on a
// space and every line is laid out character by character.
const std::string& Text(bool prose = false) {
  static const std::string mixed =
      Generate({"\x82\xB1\x82\xEA\x82\xCD", "\x93\xFA\x96\x7B\x8C\xEA", "\x95\xB6\x8F\xCD", "\x81\x42",
                "\x81\x41", "text ", "word-wrap ", "\x81\x75", "\x81\x76", "\x83\x65\x83\x4C\x83\x58\x83\x67",
                "\xB6\xC5"},
               60);
  static const std::string japanese =
      Generate({"\x82\xB1\x82\xEA\x82\xCD", "\x93\xFA\x96\x7B\x8C\xEA", "\x95\xB6\x8F\xCD", "\x81\x42",
                "\x81\x41", "\x81\x75", "\x81\x76", "\x83\x65\x83\x4C\x83\x58\x83\x67"},
               0);
  return prose ? japanese : mixed;
}

void LayOut(benchmark::State& state, bool ipa, bool prose = false) {
  if (ipa && !std::ifstream(kIpaGothic).good()) {
    state.SkipWithError("IPA Gothic is not installed");
    return;
  }
  if (ipa)
    KxFontInstallBackend(KxFreeTypeFontBackend(false, {kIpaGothic}));
  else
    KxFontInstallBackend(KxSyntheticFontBackend());
  const std::string& text = Text(prose);
  CKXStrArray store;
  store.SetText(text.data(), long(text.size()));
  CKXStylArray styls;
  CKXDecoArray decos;
  CKXParaArray paras;
  CKXTextLayout layout(&store, &styls, &decos, &paras);
  SKXLineStyl style;
  style.mode = 1;
  style.wordWrap = 1;
  long lines = 0;
  for (auto _ : state) {
    CKXCharState cs;
    SKXLineCalc calc{};
    calc.state = &cs;
    lines = 0;
    const long len = store.GetLength();
    for (long start = 0; start < len;) {
      SKXLineInfo info;
      start = layout.CalcLineInfo(start, 600, info, &style, &calc);
      ++lines;
    }
  }
  state.counters["lines"] = double(lines);
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
  KxFontInstallBackend(KxSyntheticFontBackend());
}

void BM_LayOut5MBSynthetic(benchmark::State& state) { LayOut(state, false); }
void BM_LayOut5MBIpaGothic(benchmark::State& state) { LayOut(state, true); }
void BM_LayOut5MBProseIpaGothic(benchmark::State& state) { LayOut(state, true, true); }

BENCHMARK(BM_LayOut5MBSynthetic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayOut5MBIpaGothic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayOut5MBProseIpaGothic)->Unit(benchmark::kMillisecond);

}  // namespace
