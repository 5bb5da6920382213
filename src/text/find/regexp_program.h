// Private to the regular-expression files: what the parser hands on, the
// program's instructions and CKXRegexp::Program, which regexp_program.cpp
// builds and regexp.cpp runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "text/find/regexp.h"
#include "text/find/regexp_automaton.h"

namespace kx_regexp {

constexpr std::uint8_t kCR = 13;
constexpr std::uint8_t kLF = 10;

// The first phase: the pattern's text to a tree of nodes. It never fails:
// what it cannot read becomes literal characters. With `composeMarks` (a
// search folding width) a half-width kana and the voiced mark after it are
// one literal, the composed kana, as the text's pair is read then.
SKXRegexp Parse(const unsigned char* p, long len, short script, int& groupCount, bool composeMarks = false);
// One escape at p[i] == '\\'. Sets node to a literal, a class or a
// back-reference and advances i.
void ParseEscape(const unsigned char* p, long len, long& i, short script, SKXRegexp& node,
                 bool composeMarks = false);
bool IsTestNode(const SKXRegexp& n);

// ---------------------------------------------------------------------------
// The matching program: the tree flattened into instructions for a
// backtracking machine whose choice points live on a heap stack.

enum Op : std::uint8_t {
  kOpTest,      // x: test index; one character
  kOpStar,      // x: test index; a run of min..max characters
  kOpLineStart,
  kOpLineEnd,
  kOpSplit,     // try x, then y
  kOpJump,      // x
  kOpSave,      // x: capture slot
  kOpBackRef,   // x: group
  kOpRepInit,   // x: loop
  kOpRepHead,   // x: loop, y: exit
  kOpRepEnter,  // x: loop
  kOpRepTail,   // x: loop, y: head
  kOpMatch,
};

struct Inst {
  Op op;
  bool greedy;
  std::int32_t x, y;
  std::int32_t min, max;
};

enum Kind : std::uint8_t {
  kChoice,      // a: pc, b: pos
  kSlot,        // a: slot, b: old value
  kLoop,        // a: loop, b: old count, c: old start
  kGiveBack,    // a: pc after a greedy run of single bytes, b: pos, c: lowest pos
  kTakeMore,    // a: star instruction, b: pos, c: count
};

struct Entry {
  Kind kind;
  std::int32_t a, b, c;
};

// The places of a run's two least common bytes (the same place for a run of
// one byte), which NextRequired compares first.
void PickKeys(const std::vector<unsigned char>& run, std::size_t& key, std::size_t& key2);
// Offset of the next occurrence of the required run at or after from; length
// when none. key and key2 are two different places in the run (its rarest
// bytes), compared first; with a run of one byte both are 0.
long NextRequired(const std::vector<unsigned char>& required, std::size_t key, std::size_t key2,
                  const unsigned char* text, long from, long length);
// The node's test under the options' folding.
bool FoldTest(const SKXRegexp& n, std::uint16_t code, short options);

}  // namespace kx_regexp

struct CKXRegexp::Program {
  std::vector<kx_regexp::Inst> code;
  std::vector<const SKXRegexp*> tests;
  int loops = 0;
  // The tests one of which the first character of any match passes; `any`
  // when some match may begin with any character.
  std::vector<const SKXRegexp*> first;
  bool any = false;
  // Bytes every match contains (a run of literals anywhere in the
  // expression that no match can do without): without folding only lines
  // holding them are looked at.
  std::vector<unsigned char> required;
  std::size_t requiredKey = 0, requiredKey2 = 0;   // its two least common bytes, looked for first
  // Whether every match has a character start where the run begins: then
  // an occurrence inside a double-byte character is passed over.
  bool requiredAtStart = false;
  bool usePrefilter = true;

  // Per-options caches, filled as codes come (0 unknown, 1 no, 2 yes): the
  // single-byte answers of every test, and whether a code can begin a match.
  short cachedOptions = -1;
  std::vector<std::uint8_t> testBytes;   // tests.size() * 256
  std::uint8_t firstByte[256];
  std::vector<std::uint8_t> firstWord;   // 65536, allocated for the first double-byte code
  // Bytes the first step looks at closely, for one script and options.
  bool look[256];
  short lookScript = -32768, lookOptions = -1;
  // Bytes that are not a whole character by themselves in one script under
  // the options: lead bytes, and half-width kana that a voiced mark may join.
  bool joins[256];
  short joinsScript = -32768, joinsOptions = -1;

  // The unbounded run every match starts with (after captures that nothing
  // refers back to), or -1. When the match at p fails, so does the match at
  // any later start inside the run from p: its ways to go on are a subset.
  std::int32_t leadRun = -1;

  // Rules out lines and starts before the matcher is asked (null with
  // back-references or beyond its size), and what it ruled out.
  std::unique_ptr<CKXRegexpAutomaton> automaton;
  bool useAutomaton = true;
  CKXRegexp::FilterCounts filtered;

  // Matching state, kept between calls to save allocations.
  std::vector<kx_regexp::Entry> stack;
  std::vector<std::int32_t> counts, starts;

  // The second phase: the tree to instructions, and the first tests.
  void Build(const SKXRegexp& root);
  void Emit(const SKXRegexp& n, int depth);
  // The third phase: the best run of bytes every match holds.
  void FindRequired(const SKXRegexp& root);
  void Prepare(short options);
  bool Test(int t, std::uint16_t code, short options);
  // The joins table for the script and options (options as passed in).
  const bool* Joins(short script, short options);
  bool First(std::uint16_t code);
};
