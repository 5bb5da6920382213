// Whole-text transforms on large texts: conversion to full width (every
// character changes) and reform at width 40, at 1 MB and 10 MB. Both rebuild
// the text once, so the time grows with the text.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/core.h"
#include "layout/facilities.h"
#include "text/store/text.h"
#include "text/store/transform.h"

namespace {

struct Start {
  Start() {
    KxLayoutFacilities();  // reform then uses the layout's break checks
    CoreInit();
  }
};

// Paragraphs of Western words and half-width kana, about `size` bytes.
std::string MakeText(long size) {
  static const std::string para =
      "The quick brown fox jumps over the lazy dog, 1,234 times. \xB6\xDE\xB2\xBC\xDE\xDD \xCA\xDF\xDD "
      "Lorem ipsum dolor sit amet, consectetur adipiscing elit; sed do eiusmod tempor.\r";
  std::string s;
  s.reserve(size_t(size) + para.size());
  while (long(s.size()) < size) s += para;
  return s;
}

void Set(CKXText& t, const std::string& s) {
  t.SetText(s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
}

void BM_ToFullWidth(benchmark::State& state) {
  static Start start;
  const std::string s = MakeText(state.range(0) << 20);
  CKXText t;
  for (auto _ : state) {
    state.PauseTiming();
    Set(t, s);
    state.ResumeTiming();
    benchmark::DoNotOptimize(UKXText::CharTypeKXText(&t, UKXText::kCharTypeFull));
  }
  state.SetBytesProcessed(state.iterations() * long(s.size()));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ToFullWidth)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// range(1): word wrap and the line-break rules on (the checks run per line).
void BM_Reform40(benchmark::State& state) {
  static Start start;
  const std::string s = MakeText(state.range(0) << 20);
  UKXText::SetReformMode(40, state.range(1) ? 1 : 0, state.range(1) ? 1 : 0, 1, 1);
  CKXText t;
  for (auto _ : state) {
    state.PauseTiming();
    Set(t, s);
    state.ResumeTiming();
    benchmark::DoNotOptimize(UKXText::ReformKXText(&t, true));
  }
  state.SetBytesProcessed(state.iterations() * long(s.size()));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Reform40)
    ->Args({1, 0})
    ->Args({10, 0})
    ->Args({1, 1})
    ->Args({10, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
