// Tokenising, importing and exporting RTF: a generated 10 MB document of
// styled Western and Japanese paragraphs with a font table, colour table and
// style sheet. Bytes per second are those of the RTF.
#include <benchmark/benchmark.h>

#include <string>

#include "formats/facilities.h"
#include "formats/rtf_convert.h"
#include "formats/rtf_reader.h"
#include "platform/core.h"

namespace {

std::string MakeDocument(std::size_t size) {
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
      "{\\f1\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}}"
      "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;}"
      "{\\stylesheet{\\s0\\f0\\fs24 Normal;}{\\s1\\sbasedon0\\snext0\\b\\fs36 Heading 1;}}\n";
  static const char* const paragraphs[] = {
      "\\pard\\plain\\s1\\b\\fs36 A heading with {\\i italic} words\\par\n",
      "\\pard\\plain\\s0\\f0\\fs24 The quick brown fox jumps over the lazy dog, {\\b bold}, "
      "{\\cf2 red} and \\'e9t\\'e9 with braces \\{ \\} and a tab\\tab here.\\par\n",
      "\\pard\\plain\\s0\\f1\\fs21 \\u21566\\'8c\\'e1\\u36649\\'94\\'79\\u12399\\'82\\'cd"
      "\\u29483\\'94\\'4c\\u12391\\'82\\'c5\\u12354\\'82\\'a0\\u12427\\'82\\'e9\\u12290\\'81\\'42\\par\n",
  };
  std::size_t i = 0;
  while (rtf.size() < size) rtf += paragraphs[i++ % 3];
  rtf += "}";
  return rtf;
}

const std::string& Document() {
  static const std::string doc = MakeDocument(10u << 20);
  return doc;
}

void BM_RtfTokenise(benchmark::State& state) {
  const std::string& doc = Document();
  long tokens = 0;
  for (auto _ : state) {
    CRTFBufferReader r(doc.data(), doc.size());
    r.RTFInit();
    while (r.RTFGetToken() != rtfEOF) ++tokens;
    benchmark::DoNotOptimize(tokens);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_RtfTokenise)->Unit(benchmark::kMillisecond);

// Tokenising and routing every token to its (empty) hook, tables included.
void BM_RtfRead(benchmark::State& state) {
  const std::string& doc = Document();
  for (auto _ : state) {
    CRTFBufferReader r(doc.data(), doc.size());
    r.RTFInit();
    benchmark::DoNotOptimize(r.RTFRead());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_RtfRead)->Unit(benchmark::kMillisecond);

// The converter needs the library started once.
void StartUp() {
  static const bool started = [] {
    KxFormatsFacilities();
    CoreInit();
    return true;
  }();
  (void)started;
}

void BM_RtfImport(benchmark::State& state) {
  StartUp();
  const std::string& doc = Document();
  for (auto _ : state) {
    CKXText text;
    CKXTextRTFMac rtf;
    benchmark::DoNotOptimize(rtf.DoRTFtoTextRef(doc.data(), static_cast<long>(doc.size()), &text, nullptr, nullptr));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_RtfImport)->Unit(benchmark::kMillisecond);

void BM_RtfExport(benchmark::State& state) {
  StartUp();
  const std::string& doc = Document();
  CKXText text;
  CKXTextRTFMac rtf;
  rtf.DoRTFtoTextRef(doc.data(), static_cast<long>(doc.size()), &text, nullptr, nullptr);
  std::size_t written = 0;
  for (auto _ : state) {
    std::string out;
    CKXTextRTFMac w;
    w.DoRTFfromTextRef(out, &text, 0, 0, 0, nullptr);
    written = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(written));
}
BENCHMARK(BM_RtfExport)->Unit(benchmark::kMillisecond);

}  // namespace
