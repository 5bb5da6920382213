// Laid-out lines drawn through an edit object: a screenful (50 lines of 80
// columns of mixed Japanese) in both writings, and the end of one unwrapped
// line of 1 MB beside a short line and beside measuring the long line
// alone: drawing the end of the long line should cost about a short line
// plus the measuring. IPA Gothic when installed, else the synthetic font.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "layout/facilities.h"
#include "layout/text_draw_line.h"
#include "layout/text_edit.h"
#include "platform/core.h"
#include "platform/draw/port.h"
#include "platform/fonts.h"

namespace {

constexpr int kLines = 50;
constexpr int kColumns = 80;

std::string Screen() {
  const char* const pieces[] = {"\x82\xA0", "\x82\xA2", "\x88\xA4", "\x93\xFA", "\x96\x7B", "\x81\x42",
                                "\x81\x41", "\x83\x40", "\x83\x4A", "\x81\x75", "\x81\x76", "A",
                                "b",        "c",        "1",        " ",        "\x82\xC1", "\x81\x5B"};
  std::string text;
  unsigned seed = 29;
  for (int l = 0; l < kLines; ++l) {
    for (int c = 0; c < kColumns;) {
      seed = seed * 1103515245u + 12345u;
      const std::string p = pieces[(seed >> 16) % (sizeof pieces / sizeof *pieces)];
      text += p;
      c += int(p.size());
    }
    text += '\r';
  }
  return text;
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

std::unique_ptr<CKXTextEdit> NewEdit(const std::string& text, bool vertical, bool wrap) {
  auto edit = std::make_unique<CKXTextEdit>(RectL{0, 0, 0, 1000}, RectL{0, 0, 1000, 1000});
  SKXLineStyl style;
  style.vertical = vertical ? 1 : 0;
  style.wrap = wrap ? 1 : 0;
  edit->SetLineStyl(style, 0);
  edit->SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  const RectL dest = vertical ? RectL{0, 0, 1000, 1000} : RectL{0, 0, 1000, 1000};
  edit->Resize(dest, nullptr);
  return edit;
}

void DrawScreen(benchmark::State& state, bool vertical) {
  Setup();
  auto edit = NewEdit(Screen(), vertical, true);
  auto port = KxPort::NewImage(1000, 1000);
  const RectL view{0, 0, 1000, 1000};
  edit->SetViewRect(view);
  edit->SetDrawPort(port.get());
  for (auto _ : state) edit->Draw(view);
  edit->SetDrawPort(nullptr);
}

void BM_DrawLineScreenHorizontal(benchmark::State& state) { DrawScreen(state, false); }
void BM_DrawLineScreenVertical(benchmark::State& state) { DrawScreen(state, true); }

std::string LongLine(long bytes) {
  std::string s;
  s.reserve(size_t(bytes));
  const char* words[] = {"log ", "entry ", "\x93\xFA\x96\x7B ", "12345 ", "value=", "\x82\xA0\x82\xA2 "};
  unsigned seed = 3;
  while (long(s.size()) < bytes) {
    seed = seed * 1103515245u + 12345u;
    s += words[(seed >> 16) % 6];
  }
  s.resize(size_t(bytes));
  return s;
}

// The last 1000 points of line 1 of a text, drawn into a 1000-wide port.
void DrawEnd(benchmark::State& state, long bytes) {
  Setup();
  auto edit = NewEdit(LongLine(bytes), false, false);
  auto port = KxPort::NewImage(1000, 40);
  StKxPortSaver saver(port.get());
  const long length = edit->GetLength();
  const long end = edit->GetColumnToSizeAt(1, length);
  const PointL origin{0, std::int32_t(1000 - end)};
  const RectL clip{0, 0, 40, 1000};
  for (auto _ : state)
    KxDrawLineText(edit->Layout(), edit.get(), origin, 0, length, 1000, 20, edit->GetLineStyl(), 0, &clip);
  state.counters["bytes"] = double(length);
}

void BM_DrawLineEndOf1MB(benchmark::State& state) { DrawEnd(state, 1 << 20); }
void BM_DrawLineShort(benchmark::State& state) { DrawEnd(state, 160); }

void BM_MeasureLine1MB(benchmark::State& state) {
  Setup();
  auto edit = NewEdit(LongLine(1 << 20), false, false);
  const long length = edit->GetLength();
  std::vector<char> text(static_cast<size_t>(length));
  long got = length;
  edit->Layout().Text()->GetSelText(0, length, text.data(), got);
  std::vector<long> pos(static_cast<size_t>(length) + 1);
  for (auto _ : state) {
    // What drawing the line needs before any pixel: its bytes and positions.
    edit->Layout().Text()->GetSelText(0, length, text.data(), got);
    edit->Layout().GetMeasureText(0, length, 1000, text.data(), pos.data(), &edit->GetLineStyl(), nullptr, nullptr);
    benchmark::DoNotOptimize(pos.data());
  }
}

}  // namespace

BENCHMARK(BM_DrawLineScreenHorizontal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawLineScreenVertical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawLineShort)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MeasureLine1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawLineEndOf1MB)->Unit(benchmark::kMillisecond);
