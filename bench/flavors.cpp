// The run flavors of a 10 MB styled range: making every flavor (text with
// inline ruby, styles, decorations, paragraphs, side entries, ruby infos)
// and reading them back into a text that receives the range. About 10^5
// records: 30000 style, 30000 decoration and 10000 paragraph runs (the
// 16-bit flavors hold at most 32767), 20000 side entries and 10000 rubies.
// Throughput counts the bytes of the range.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/text_flavors.h"
#include "layout/facilities.h"
#include "platform/core.h"
#include "styled_source.h"

namespace {

using kxbench::kSize;

const CKXText& Source() { return kxbench::StyledSource(); }

struct Flavors {
  KxFlavorBytes text, styl, deco, para, uni, ruby;
  std::vector<KxFlavorBytes> pictures;
};

void Make(const CKXText& t, Flavors& f) {
  CKXTextFlavorWriter w(t, 0, t.GetLength());
  w.MakeText(f.text);
  w.MakeStyl(f.styl);
  w.MakeDeco(f.deco, EKXPictureRefs::kSequence, &f.pictures);
  w.MakePara(f.para);
  w.MakeUniChars(f.uni);
  w.MakeRubyInfo(f.ruby);
}

void BM_MakeFlavors(benchmark::State& state) {
  const CKXText& t = Source();
  for (auto _ : state) {
    Flavors f;
    Make(t, f);
    benchmark::DoNotOptimize(f.text.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * t.GetLength());
}
BENCHMARK(BM_MakeFlavors)->Unit(benchmark::kMillisecond);

void BM_ReadAndInsertFlavors(benchmark::State& state) {
  const CKXText& t = Source();
  Flavors f;
  Make(t, f);
  for (auto _ : state) {
    CKXText dest;
    dest.SetText("receiving\r", 10, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    CKXTextFlavorReader r;
    r.SetText(f.text.data(), long(f.text.size()));
    r.ReadFlavor(kKxFlavorStyl, f.styl.data(), long(f.styl.size()));
    r.ReadFlavor(kKxFlavorDeco, f.deco.data(), long(f.deco.size()));
    r.ReadFlavor(kKxFlavorPara, f.para.data(), long(f.para.size()));
    r.ReadFlavor(kKxFlavorUniChars, f.uni.data(), long(f.uni.size()));
    r.ReadFlavor(kKxFlavorRubyInfo, f.ruby.data(), long(f.ruby.size()));
    r.SetPictureFetch(KxPicturesFromList(f.pictures));
    benchmark::DoNotOptimize(r.InsertInto(dest, 10));
    if (dest.GetRubysCount() != t.GetRubysCount() || dest.GetUniCharsCount() != t.GetUniCharsCount())
      state.SkipWithError(("runs lost on the way: ruby " + std::to_string(dest.GetRubysCount()) + " of " +
                           std::to_string(t.GetRubysCount()) + ", side entries " +
                           std::to_string(dest.GetUniCharsCount()) + " of " + std::to_string(t.GetUniCharsCount()))
                              .c_str());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * t.GetLength());
}
BENCHMARK(BM_ReadAndInsertFlavors)->Unit(benchmark::kMillisecond);

}  // namespace
