// Printing a 5 MB Japanese text: every page through the text printout into
// a PDF file, against drawing the same pages into page-sized images and
// writing them as PNG files, as `kxdraw --paper --page N` does for each.
// The text is laid out once, outside the timings. IPA Gothic when it is
// installed (the PDF then embeds it), else the synthetic box font.
// bench/print.sh prints the ratio of the two.
#include <benchmark/benchmark.h>

#include <cairo.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "layout/text_edit_ex.h"
#include "platform/core.h"
#include "platform/draw/color.h"
#include "platform/draw/port.h"
#include "platform/draw/print.h"
#include "platform/exception.h"
#include "platform/fonts.h"
#include "text/base/memory.h"
#include "views/facilities.h"
#include "views/text_printout.h"

namespace {

constexpr std::size_t kTextSize = 5 * 1024 * 1024;
constexpr long kBorder = 6;   // kxdraw --paper's surround around a sheet

// Paragraphs of Japanese prose in Shift_JIS, with some ASCII.
std::string MakeText(std::size_t size) {
  // 吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。
  const std::string para =
      "\x8C\xE1\x94\x79\x82\xCD\x94\x4C\x82\xC5\x82\xA0\x82\xE9\x81\x42\x96\xBC\x91\x4F\x82\xCD\x82\xDC\x82\xBE"
      "\x96\xB3\x82\xA2\x81\x42\x82\xC7\x82\xB1\x82\xC5\x90\xB6\x82\xEA\x82\xBD\x82\xA9\x82\xC6\x82\xF1\x82\xC6"
      "\x8C\xA9\x93\x96\x82\xAA\x82\xC2\x82\xA9\x82\xCA\x81\x42 Chapter 1. ";
  std::string t;
  t.reserve(size + para.size() * 3);
  for (int k = 0; t.size() < size; ++k) {
    t += para;
    if (k % 3 == 2) t += '\r';
  }
  return t;
}

struct Printed {
  bool ready = false;
  CKXTextEngine* engine = nullptr;
  long pages = 0;
  std::string dir;
};

Printed& Get() {
  static Printed p;
  if (p.ready) return p;
  KxViewsFacilities();
  CoreInit();
  try {
    KxFontInstallBackend(KxFreeTypeFontBackend(true, {}));
  } catch (const LException&) {
    KxFontInstallBackend(KxSyntheticFontBackend());
  }
  UKXColor::InitColorUtils();
  p.engine = new CKXTextEngine(false);
  CKXTextEditEx* edit = KXHandleAccess::Edit(p.engine->GetEdit());
  edit->SetPageStyl(KxDefaultPageStyl(), 1);
  const std::string text = MakeText(kTextSize);
  SKXStyl run{0, SStyl{0, 0, kKxApplicationFont, 0, 0, 12, RGBColor{0, 0, 0}}};
  edit->SetText(text.data(), long(text.size()), &run, 1, nullptr, 0, nullptr, 0, nullptr, 0);
  edit->SetPaperView(1);
  edit->RecalcPageSize();
  edit->CalcText();
  const PointL paper = edit->GetPaperSize();
  edit->SetViewRect(RectL{0, 0, paper.v, paper.h});
  p.pages = edit->GetPageCount();
  char tmpl[] = "/tmp/kx_bench_print_XXXXXX";
  p.dir = ::mkdtemp(tmpl) ? tmpl : "/tmp";
  p.ready = true;
  return p;
}

void PrintToPDF(benchmark::State& state) {
  Printed& p = Get();
  CKXTextPrintout printout;
  printout.SetTextEngine(p.engine);
  KxPageSetup sheet;
  sheet.hardTop = sheet.hardLeft = sheet.hardBottom = sheet.hardRight = 0;
  printout.SetPageSetup(sheet);
  const std::string path = p.dir + "/out.pdf";
  for (auto _ : state) {
    KxMemPrinting(1);
    std::int32_t printed = 0;
    if (printout.DoPrint(path, KxPrintRange{}, &printed) != 0) state.SkipWithError("the PDF was not written");
    KxMemPrinting(0);
    benchmark::DoNotOptimize(printed);
  }
  std::remove(path.c_str());
  state.counters["pages"] = double(p.pages);
}

void DrawPaperImages(benchmark::State& state) {
  Printed& p = Get();
  CKXTextEditEx* edit = KXHandleAccess::Edit(p.engine->GetEdit());
  const PointL paper = edit->GetPaperSize();
  const std::string path = p.dir + "/page.png";
  for (auto _ : state) {
    for (long page = 1; page <= p.pages; ++page) {
      const PointL at = edit->GetPagePoint(page);
      const RectL area{std::int32_t(at.v - kBorder), std::int32_t(at.h - kBorder),
                       std::int32_t(at.v + paper.v + kBorder), std::int32_t(at.h + paper.h + kBorder)};
      std::unique_ptr<KxPort> port = KxPort::NewImage(area.right - area.left, area.bottom - area.top);
      StKxPortSaver saver(port.get());
      edit->SetQDOffset(PointL{area.top, area.left});
      edit->SetDrawPort(port.get());
      edit->Draw(area);
      edit->SetDrawPort(nullptr);
      cairo_surface_flush(port->Surface());
      cairo_surface_write_to_png(port->Surface(), path.c_str());
    }
  }
  std::remove(path.c_str());
  state.counters["pages"] = double(p.pages);
}

BENCHMARK(PrintToPDF)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(DrawPaperImages)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
