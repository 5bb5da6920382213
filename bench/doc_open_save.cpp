// Writing and reading a 10 MB styled document (about 10^5 run records, side
// entries and rubies) through the file tube in both layouts, beside copying
// the same text store in memory: the cost of a save or an open as a multiple
// of touching the data once. The plain-text half is bench/open_save.sh.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "styled_source.h"
#include "document/doc_file.h"

namespace {

std::string DocPath(EKXLayout layout) {
  return (std::filesystem::temp_directory_path() /
          ("kx_bench_doc_" + std::to_string(getpid()) + (layout == EKXLayout::kClassic ? ".txt" : ".kxt")))
      .string();
}

SKXDocument StyledDocument() {
  SKXDocument doc;
  doc.text->SetText(&kxbench::StyledSource());
  doc.creator = FourCC("KXTE");
  doc.settings.window.fontSize = 12;
  doc.settings.window.fontName = "IPAGothic";
  return doc;
}

void BM_SaveStyled(benchmark::State& state) {
  const EKXLayout layout = EKXLayout(state.range(0));
  const SKXDocument doc = StyledDocument();
  const std::string path = DocPath(layout);
  std::string message;
  for (auto _ : state)
    if (KxWriteDocument(path, doc, layout, message) != 0) state.SkipWithError(message.c_str());
  state.SetBytesProcessed(state.iterations() * doc.text->GetLength());
  std::filesystem::remove(path);
  std::filesystem::remove(std::filesystem::path(path).parent_path() /
                          ("._" + std::filesystem::path(path).filename().string()));
}
BENCHMARK(BM_SaveStyled)->Arg(int(EKXLayout::kClassic))->Arg(int(EKXLayout::kContainer))->Unit(benchmark::kMillisecond);

void BM_OpenStyled(benchmark::State& state) {
  const EKXLayout layout = EKXLayout(state.range(0));
  const std::string path = DocPath(layout);
  std::string message;
  {
    const SKXDocument doc = StyledDocument();
    if (KxWriteDocument(path, doc, layout, message) != 0) state.SkipWithError(message.c_str());
  }
  for (auto _ : state) {
    SKXDocument doc;
    if (KxReadDocument(path, doc, message) != 0) state.SkipWithError(message.c_str());
    benchmark::DoNotOptimize(doc.text->GetLength());
  }
  state.SetBytesProcessed(state.iterations() * kxbench::StyledSource().GetLength());
  std::filesystem::remove(path);
  std::filesystem::remove(std::filesystem::path(path).parent_path() /
                          ("._" + std::filesystem::path(path).filename().string()));
}
BENCHMARK(BM_OpenStyled)->Arg(int(EKXLayout::kClassic))->Arg(int(EKXLayout::kContainer))->Unit(benchmark::kMillisecond);

// The floor: one copy of the same styled text in memory.
void BM_CopyStyledInMemory(benchmark::State& state) {
  for (auto _ : state) {
    CKXText copy;
    copy.SetText(&kxbench::StyledSource());
    benchmark::DoNotOptimize(copy.GetLength());
  }
  state.SetBytesProcessed(state.iterations() * kxbench::StyledSource().GetLength());
}
BENCHMARK(BM_CopyStyledInMemory)->Unit(benchmark::kMillisecond);

}  // namespace
