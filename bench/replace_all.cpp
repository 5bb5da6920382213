// Replace-all in the editing layer: one match every 50 bytes (a million in
// 50 MB) replaced by a shorter text, then the one undo step and its redo.
// Each must cost time in proportion to the text: compare the 5, 10 and
// 50 MB rows (time per byte stays flat). The same with a regular expression
// and a group over text without a line end (one paragraph of 5 or 20 MB),
// where nothing done per match may grow with the paragraph. The same
// again with an emoji (a placeholder and its side entry) after every other
// word, as a UTF-8 file brings them. And with every match underlined (a
// markup, as "find and mark" leaves them) and every tenth one a mark, which
// the replacement cuts or takes out: edited match by match in the text.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "engine/facilities.h"
#include "engine/text_layer.h"
#include "platform/core.h"
#include "platform/fonts.h"
#include "text/find/find.h"

namespace {

// One match in this many bytes.
constexpr long kMatchEvery = 50;
const char kFind[] = "needle";
const char kRepl[] = "pin";
// The regular expression of the paragraph rows: the same matches, through a
// group.
const char kFindGroup[] = "ne(ed)le";
const char kReplGroup[] = "<\\1>";

struct Start {
  Start() {
    KxFontInstallBackend(KxSyntheticFontBackend());
    KxEngineFacilities();
    CoreInit();
  }
};

// The placeholder of a character outside Shift_JIS, and the value of its
// side entry (U+1F600).
const char kPlaceholder[] = "\x81\xFC";
constexpr std::uint32_t kEmojiValue = 0xD83DDE00u;

// Words and line ends with a match every kMatchEvery bytes; one paragraph
// without line ends when `lines` is false; with `emoji`, one after every
// other word.
std::string MakeText(long size, bool lines = true, std::vector<SKXUniChar>* emoji = nullptr) {
  static const char* const words[] = {"alpha ", "beta ", "gamma ", "delta ", "epsilon ", "zeta "};
  std::mt19937 rng(38);
  std::string t;
  t.reserve(std::size_t(size) + 64);
  long next = kMatchEvery;
  while (long(t.size()) < size) {
    if (long(t.size()) >= next) {
      t += kFind;
      next += kMatchEvery;
    } else {
      t += words[rng() % std::size(words)];
      if (emoji && rng() % 2 == 0) {
        emoji->push_back({std::int32_t(t.size()), kEmojiValue});
        t += kPlaceholder;
      }
    }
    if (lines && rng() % 8 == 0) t += '\r';
  }
  return t;
}

class BenchLayer : public CKXTextLayer {
 public:
  explicit BenchLayer(const std::string& text, const std::vector<SKXUniChar>& emoji = {}) {
    const RectL view{0, 0, 800, 600};
    Initialize(view, &view);
    KXText_SetTextWithUniChars(GetEdit(), text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0,
                               emoji.data(), std::int32_t(emoji.size()));
    KXTE_CalcText(GetEdit());
  }
};

enum Phase { kReplace, kUndo, kRedo, kExact, kParagraph, kParagraphExact, kEmoji, kEmojiExact, kEmojiRuby, kMarked };

void ReplaceAll(benchmark::State& state, Phase phase) {
  static Start start;
  const long size = state.range(0) << 20;
  const bool paragraph = phase == kParagraph || phase == kParagraphExact;
  std::vector<SKXUniChar> emoji;
  const bool withEmoji = phase == kEmoji || phase == kEmojiExact || phase == kEmojiRuby;
  const std::string text = MakeText(size, !paragraph, withEmoji ? &emoji : nullptr);
  long matches = 0;
  double seconds = 0;
  for (auto _ : state) {
    BenchLayer layer(text, emoji);
    if (phase == kExact || phase == kParagraphExact || phase == kEmojiExact)
      layer.SetReplaceAllPath(CKXTextLayer::kReplaceExact);
    // A ruby over the first match.
    if (phase == kEmojiRuby) {
      const long at = long(text.find(kFind));
      KXText_SetRuby(layer.GetEdit(), at, at + 2, reinterpret_cast<const unsigned char*>("r"), 1);
    }
    if (phase == kMarked) {
      long n = 0;
      const long len = long(sizeof kFind - 1);
      for (std::size_t p = text.find(kFind); p != std::string::npos; p = text.find(kFind, p + std::size_t(len))) {
        KXTE_InsertMarkup(layer.GetEdit(), long(p), long(p) + len);
        if (++n % 10 == 0) KXTE_InsertMark(layer.GetEdit(), long(p) + 1, long(p) + len + 2,
                                           reinterpret_cast<const unsigned char*>("\x01m"));
      }
    }
    using Clock = std::chrono::steady_clock;
    auto t0 = Clock::now();
    matches = paragraph ? layer.DoReplaceAll(kFindGroup, long(sizeof kFindGroup - 1), kReplGroup,
                                             long(sizeof kReplGroup - 1), kKXFindRegexp | CKXTextLayer::kReplaceRegexp)
                        : layer.DoReplaceAll(kFind, long(sizeof kFind - 1), kRepl, long(sizeof kRepl - 1), 0);
    auto t1 = Clock::now();
    if (phase == kUndo || phase == kRedo) {
      t0 = Clock::now();
      layer.Undo();
      t1 = Clock::now();
    }
    if (phase == kRedo) {
      t0 = Clock::now();
      layer.Redo();
      t1 = Clock::now();
    }
    const double s = std::chrono::duration<double>(t1 - t0).count();
    seconds += s;
    state.SetIterationTime(s);
  }
  state.counters["matches"] = double(matches);
  state.counters["emoji"] = double(emoji.size());
  state.counters["ns_per_byte"] = seconds * 1e9 / double(state.iterations()) / double(size);
  state.SetBytesProcessed(state.iterations() * size);
}

void Replace(benchmark::State& state) { ReplaceAll(state, kReplace); }
void Undo(benchmark::State& state) { ReplaceAll(state, kUndo); }
void Redo(benchmark::State& state) { ReplaceAll(state, kRedo); }
// The match-by-match edit in the text itself, for comparison: what texts
// take whose matches touch marks, or split or join paragraphs with runs.
void ReplaceExact(benchmark::State& state) { ReplaceAll(state, kExact); }

BENCHMARK(Replace)->Arg(5)->Arg(10)->Arg(50)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(Undo)->Arg(5)->Arg(10)->Arg(50)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(Redo)->Arg(5)->Arg(10)->Arg(50)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(ReplaceExact)->Arg(1)->Arg(5)->Arg(10)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
void Paragraph(benchmark::State& state) { ReplaceAll(state, kParagraph); }
void ParagraphExact(benchmark::State& state) { ReplaceAll(state, kParagraphExact); }
BENCHMARK(Paragraph)->Arg(5)->Arg(20)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(ParagraphExact)->Arg(1)->Arg(5)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
// Side entries between the matches: each edit in the text itself moves
// every entry after it. With a ruby over the first match every match is
// edited on its own, in a copy built a stretch at a time.
void Emoji(benchmark::State& state) { ReplaceAll(state, kEmoji); }
void EmojiExact(benchmark::State& state) { ReplaceAll(state, kEmojiExact); }
BENCHMARK(Emoji)->Arg(5)->Arg(20)->Arg(50)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(EmojiExact)->Arg(1)->Arg(2)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
void EmojiRuby(benchmark::State& state) { ReplaceAll(state, kEmojiRuby); }
BENCHMARK(EmojiRuby)->Arg(5)->Arg(20)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
void Marked(benchmark::State& state) { ReplaceAll(state, kMarked); }
BENCHMARK(Marked)->Arg(5)->Arg(10)->Arg(50)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
