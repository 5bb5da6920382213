// The cost of side records in the stream editor: s/a/b/g over a 10 MB
// styled Aozora text (rubies, emphasis, paragraph styles) through the styled
// editor, against the plain editor over the same bytes. The "ratio" counter
// is styled time / plain time. The texts come from ../shared/realdata/aozora
// (KX_SHARED_DIR overrides), converted once and repeated up to 10 MB.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/aozora.h"
#include "platform/core.h"
#include "platform/files.h"
#include "tools/facilities.h"
#include "tools/sed_memory.h"
#include "tools/sed_text.h"

namespace {

struct Start {
  Start() {
    KxToolsFacilities();
    CoreInit();
  }
};

std::string Joined() {
  const char* env = std::getenv("KX_SHARED_DIR");
  const std::string dir = std::string(env ? env : "../shared") + "/realdata/aozora";
  std::string all;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    std::vector<std::uint8_t> raw;
    if (KxReadFile(entry.path().string(), raw) != 0) continue;
    for (size_t k = 0; k < raw.size(); ++k) {
      if (raw[k] == '\r' && k + 1 < raw.size() && raw[k + 1] == '\n') continue;
      all += raw[k] == '\n' ? '\r' : char(raw[k]);
    }
  }
  if (all.empty()) all = "\x8A\xBF\x8E\x9A\x81\x73\x82\xA9\x82\xF1\x82\xB6\x81\x74 abc\r";
  std::string big;
  while (big.size() < (10u << 20)) big += all;
  return big;
}

SKXSedText& Styled() {
  static Start start;
  static SKXSedText text = [] {
    SKXSedText t;
    const std::string big = Joined();
    ConvertAozoraTextWithTextRef(t.text.get(), big.data(), long(big.size()), nullptr);
    return t;
  }();
  return text;
}

void BM_SedSideRecordCost(benchmark::State& state) {
  SKXSedText& in = Styled();
  std::string bytes(size_t(in.text->GetLength()), '\0');
  in.text->CopyBytes(0, in.text->GetLength(), bytes.data(), long(bytes.size()));
  for (char& c : bytes)
    if (c == '\r') c = '\n';
  SKXSedText script;
  script.text->SetText("s/a/b/g", 7, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  double styled = 0, plain = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    CKXTextSED sed;
    sed.DoStreamEdit({SKXSedStream::Text(&script)}, {SKXSedStream::Text(&in)}, SKXSedStream(), false, false);
    benchmark::DoNotOptimize(sed.Output().text->GetLength());
    auto t1 = std::chrono::steady_clock::now();
    CSEDMemory memory;
    memory.Run("s/a/b/g", bytes);
    benchmark::DoNotOptimize(memory.Output().size());
    auto t2 = std::chrono::steady_clock::now();
    styled += std::chrono::duration<double>(t1 - t0).count();
    plain += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["rubies"] = double(in.text->GetRubysCount());
  state.counters["ratio"] = plain > 0 ? styled / plain : 0;
}
BENCHMARK(BM_SedSideRecordCost)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
