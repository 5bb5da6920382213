// Classifying Japanese text: 50 MB of Shift_JIS (kanji, kana, ASCII and line
// ends) walked character by character as the layout and find code walk it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/script.h"
#include "text/codes/charclass.h"
#include "text/codes/script.h"

namespace {

constexpr std::size_t kTextSize = 50u << 20;

const std::vector<std::uint8_t>& JapaneseText() {
  static const std::vector<std::uint8_t> text = [] {
    std::vector<std::uint8_t> t;
    t.reserve(kTextSize + 2);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pick(0, 99);
    while (t.size() < kTextSize) {
      int r = pick(rng);
      if (r < 40) {   // kanji, JIS level 1 and 2
        int lead = 0x88 + int(rng() % 0x18);
        int trail = 0x40 + int(rng() % 0xBC);
        if (trail == 0x7F) trail = 0x80;
        t.push_back(std::uint8_t(lead));
        t.push_back(std::uint8_t(trail));
      } else if (r < 75) {   // hiragana
        t.push_back(0x82);
        t.push_back(std::uint8_t(0x9F + rng() % 0x53));
      } else if (r < 85) {   // katakana
        t.push_back(0x83);
        t.push_back(std::uint8_t(0x40 + rng() % 0x3F));
      } else if (r < 98) {   // ASCII
        t.push_back(std::uint8_t(0x20 + rng() % 0x5F));
      } else {
        t.push_back('\r');
      }
    }
    t.resize(kTextSize);
    return t;
  }();
  return text;
}

// Character boundaries through the cached parse table.
void BM_WalkCharFirst(benchmark::State& state) {
  const auto& text = JapaneseText();
  for (auto _ : state) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++chars)
      i += KxTextCharFirst(text[i], kScriptJapanese) ? 2 : 1;
    benchmark::DoNotOptimize(chars);
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_WalkCharFirst)->Unit(benchmark::kMillisecond);

// The byte type of every byte of the text in one pass.
void BM_ByteTypesOfEveryByte(benchmark::State& state) {
  const auto& text = JapaneseText();
  std::vector<std::int8_t> types(text.size());
  const std::uint8_t* parse = KxScriptParseTable(kScriptJapanese);
  for (auto _ : state) {
    std::uint8_t inChar = 0;   // 1 after a first byte
    for (std::size_t i = 0; i < text.size(); ++i) {
      std::uint8_t first = std::uint8_t(parse[text[i]] & (inChar ^ 1));
      types[i] = std::int8_t(inChar - first);   // 1 second byte, -1 first byte, 0 single
      inChar = first;
    }
    benchmark::DoNotOptimize(types.data());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_ByteTypesOfEveryByte)->Unit(benchmark::kMillisecond);

// Boundaries and the word-boundary class of every character.
void BM_WalkCharType(benchmark::State& state) {
  const auto& text = JapaneseText();
  for (auto _ : state) {
    std::size_t sum = 0;
    for (std::size_t i = 0; i + 1 < text.size();) {
      std::uint16_t code = text[i];
      if (KxTextCharFirst(code, kScriptJapanese)) {
        code = std::uint16_t(code << 8 | text[i + 1]);
        i += 2;
      } else {
        ++i;
      }
      sum += std::size_t(UKXText::GetCharType(code, kScriptJapanese));
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_WalkCharType)->Unit(benchmark::kMillisecond);

// The byte type at random offsets (how chunk splitting and backward find ask).
void BM_CharByteRandomOffsets(benchmark::State& state) {
  const auto& text = JapaneseText();
  std::mt19937 rng(11);
  std::vector<std::int32_t> offsets(1 << 16);
  for (auto& o : offsets) o = std::int32_t(rng() % text.size());
  for (auto _ : state) {
    int sum = 0;
    for (std::int32_t o : offsets) sum += KxTextCharByte(text.data(), o, kScriptJapanese);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(offsets.size()));
}
BENCHMARK(BM_CharByteRandomOffsets);

// Decoding every character to UTF-16 through the tables.
void BM_DecodeToUTF16(benchmark::State& state) {
  const auto& text = JapaneseText();
  for (auto _ : state) {
    std::size_t units = 0;
    char16_t u[2];
    for (std::size_t i = 0; i + 1 < text.size();) {
      std::uint16_t code = text[i];
      if (KxTextCharFirst(code, kScriptJapanese)) {
        code = std::uint16_t(code << 8 | text[i + 1]);
        i += 2;
      } else {
        ++i;
      }
      units += std::size_t(KxScriptToUTF16(code, kScriptJapanese, u));
    }
    benchmark::DoNotOptimize(units);
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_DecodeToUTF16)->Unit(benchmark::kMillisecond);

}  // namespace
