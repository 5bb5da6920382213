// A screenful of mixed Japanese text (50 lines of 80 characters: kana,
// kanji, punctuation and Roman letters) drawn in horizontal and in vertical
// writing, in IPA Gothic when it is installed, else in the synthetic font.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "layout/draw_text.h"
#include "layout/facilities.h"
#include "layout/fontstate.h"
#include "platform/core.h"
#include "platform/draw/port.h"
#include "platform/fonts.h"

namespace {

constexpr int kLines = 50;
constexpr int kColumns = 80;
constexpr short kSize = 12;

std::vector<std::string> ScreenLines() {
  // Pieces of one column each (single bytes) or two (double-byte).
  const char* const pieces[] = {"\x82\xA0", "\x82\xA2", "\x88\xA4", "\x93\xFA", "\x96\x7B", "\x81\x42",
                                "\x81\x41", "\x83\x40", "\x83\x4A", "\x81\x75", "\x81\x76", "A",
                                "b",        "c",        "1",        " ",        "\x82\xC1", "\x81\x5B"};
  std::vector<std::string> lines;
  unsigned seed = 29;
  for (int l = 0; l < kLines; ++l) {
    std::string line;
    for (int c = 0; c < kColumns;) {
      seed = seed * 1103515245u + 12345u;
      const std::string p = pieces[(seed >> 16) % (sizeof pieces / sizeof *pieces)];
      line += p;
      c += int(p.size());
    }
    lines.push_back(line);
  }
  return lines;
}

void Setup() {
  static bool done = false;
  if (done) return;
  done = true;
  KxLayoutFacilities();
  CoreInit();
  const char* path = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
  if (FILE* f = std::fopen(path, "rb")) {
    std::fclose(f);
    KxFontInstallBackend(KxFreeTypeFontBackend(false, {path}));
  } else {
    KxFontInstallBackend(KxSyntheticFontBackend());
  }
}

void DrawScreen(benchmark::State& state, bool vertical) {
  Setup();
  const std::vector<std::string> lines = ScreenLines();
  auto port = KxPort::NewImage(1000, 1000);
  StKxPortSaver saver(port.get());
  CKXCharState cs;
  cs.SetStyl(kKxApplicationFont, kSize, 0);
  cs.SetVertical(vertical);
  short ascent, descent;
  const std::int32_t height = cs.GetFontInfo(ascent, descent);
  for (auto _ : state) {
    std::int64_t total = 0;
    for (int l = 0; l < kLines; ++l) {
      const std::string& t = lines[size_t(l)];
      const std::int32_t x = vertical ? 990 - l * height : 4, top = vertical ? 4 : 4 + l * height;
      total += KxTextDrawText(vertical ? x : x, top, ascent, height, t.data(), 0, std::int32_t(t.size()), 0);
    }
    benchmark::DoNotOptimize(total);
  }
  cs.SetVertical(0);
}

void BM_DrawScreenHorizontal(benchmark::State& state) { DrawScreen(state, false); }
void BM_DrawScreenVertical(benchmark::State& state) { DrawScreen(state, true); }

}  // namespace

BENCHMARK(BM_DrawScreenHorizontal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawScreenVertical)->Unit(benchmark::kMillisecond);
