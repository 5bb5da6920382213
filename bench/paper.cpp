// Paper view drawing: a screenful of vertical manuscript paper (built-in
// form 2: cells, centre gap, fold marks, header and footer bands), the
// same screenful of a plain horizontal page, and a jump to page 1,000 of a
// 5 MB text (finding the page's lines and drawing it), all with the
// synthetic fonts into an off-screen image.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

#include "layout/text_edit_ex.h"
#include "layout/text_form.h"
#include "platform/draw/color.h"
#include "platform/draw/port.h"
#include "platform/fonts.h"

namespace {

constexpr std::size_t kTextSize = 5 * 1024 * 1024;
constexpr std::int32_t kScreenW = 1200, kScreenH = 800;

std::string MakeText(std::size_t size) {
  static const char* const pieces[] = {"\x82\xB1\x82\xEA\x82\xCD", "\x93\xFA\x96\x7B\x8C\xEA", "\x81\x42",
                                       "\x8E\x84\x82\xCD", "\x83\x65\x83\x4C\x83\x58\x83\x67"};
  std::mt19937 rng(7);
  std::string t;
  t.reserve(size + 16);
  while (t.size() < size) {
    t += pieces[rng() % std::size(pieces)];
    if (rng() % 30 == 0) t += '\r';
  }
  return t;
}

struct Paper {
  std::unique_ptr<CKXTextEditEx> edit;
  std::unique_ptr<KxPort> port;
};

// One edit object per kind, laid out once: 0 vertical form 2, 1 plain.
Paper& Get(int kind) {
  static Paper papers[2];
  Paper& p = papers[kind];
  if (p.edit) return p;
  KxFontInstallBackend(KxSyntheticFontBackend());
  UKXColor::InitColorUtils();
  p.edit = std::make_unique<CKXTextEditEx>(RectL{0, 0, 0, 500}, RectL{0, 0, kScreenH, kScreenW}, KxDefaultPageStyl());
  const std::string text = MakeText(kTextSize);
  SKXStyl run{0, SStyl{0, 0, 1, 0, 0, 12, RGBColor{0, 0, 0}}};
  p.edit->SetText(text.data(), long(text.size()), &run, 1, nullptr, 0, nullptr, 0, nullptr, 0);
  if (kind == 0) p.edit->SetFormStyl(UKXTextForm::GetDefaultForm(2), 1);
  p.edit->SetPaperView(1);
  p.edit->SetGuideView(1);
  const SStyl band{0, 0, 1, 0, 0, 12, RGBColor{0, 0, 0}};
  p.edit->SetHeaderStyle(20, "<PAGE> / <PMAX>", 15, band, kKxHdFtCenter, 0, 0);
  p.edit->SetFooterStyle(20, "<PAGE>", 6, band, kKxHdFtCenter, 0, 0);
  p.edit->RecalcPageSize();
  p.edit->CalcText();
  p.port = KxPort::NewImage(kScreenW, kScreenH);
  return p;
}

// A view over the sheets up to `page`: in vertical writing they run right
// to left, so that the last of them lies near the view's left edge and its
// coordinates stay small.
void ViewUpTo(CKXTextEditEx& e, long page) {
  const PointL paper = e.GetPaperSize();
  if (e.GetLineStyl().vertical)
    e.SetViewRect(RectL{0, 0, paper.v, std::int32_t(page * (paper.h + kKxPageSpacing))});
  else
    e.SetViewRect(RectL{0, 0, std::int32_t(page * (paper.v + kKxPageSpacing)), paper.h});
}

// The screen's rectangle in shown space with page `page` at its start.
RectL ScreenAt(CKXTextEditEx& e, long page) {
  const PointL at = e.GetPagePoint(page);
  const bool vertical = e.GetLineStyl().vertical != 0;
  const PointL paper = e.GetPaperSize();
  // Vertical pages run right to left: the screen ends at the page's right.
  const std::int32_t left = vertical ? std::int32_t(at.h + paper.h - kScreenW) : at.h;
  return RectL{at.v, left, std::int32_t(at.v + kScreenH), std::int32_t(left + kScreenW)};
}

void DrawScreen(benchmark::State& state, int kind) {
  Paper& p = Get(kind);
  CKXTextEditEx& e = *p.edit;
  const long pages = e.GetPageCount();
  ViewUpTo(e, 4);
  const RectL screen = ScreenAt(e, 3);
  StKxPortSaver saver(p.port.get());
  e.SetDrawPort(p.port.get());
  for (auto _ : state) {
    SetOrigin(screen.left, screen.top);
    e.Draw(screen);
    SetOrigin(0, 0);
  }
  e.SetDrawPort(nullptr);
  state.counters["pages"] = double(pages);
}

void VerticalManuscriptScreen(benchmark::State& state) { DrawScreen(state, 0); }
BENCHMARK(VerticalManuscriptScreen)->Unit(benchmark::kMillisecond);

void PlainPageScreen(benchmark::State& state) { DrawScreen(state, 1); }
BENCHMARK(PlainPageScreen)->Unit(benchmark::kMillisecond);

// Page 1,000: where it lies, the line at the screen's top, and the drawing.
void JumpToPage1000(benchmark::State& state) {
  Paper& p = Get(0);
  CKXTextEditEx& e = *p.edit;
  if (e.GetPageCount() < 1000) {
    state.SkipWithError("the text has fewer than 1,000 pages");
    return;
  }
  ViewUpTo(e, 1001);
  StKxPortSaver saver(p.port.get());
  e.SetDrawPort(p.port.get());
  for (auto _ : state) {
    const RectL screen = ScreenAt(e, 1000);
    PointL at{};
    benchmark::DoNotOptimize(e.GetDrawLineEx(at, screen));
    SetOrigin(screen.left, screen.top);
    e.Draw(screen);
    SetOrigin(0, 0);
  }
  e.SetDrawPort(nullptr);
}
BENCHMARK(JumpToPage1000)->Unit(benchmark::kMillisecond);

}  // namespace
