// Plain find over Shift_JIS (and the other script encodings) byte buffers:
// a double-byte character is one unit, the script of each position comes from
// its style run, and case, width (full-width and half-width forms, with the
// half-width voiced marks) and kana kind can be folded. The search runs in two
// steps: a scan for the first pattern character, then a comparison of the
// whole pattern at the candidate.
#pragma once

#include <cstdint>
#include <vector>

#include "text/runs/pictures.h"

class CKXArrayL;
struct SKXDeco;
struct SKXStyl;

// Find options (shared with the regular-expression engine and the callers).
constexpr short kKXFindBackward = 1;
constexpr short kKXFindIgnoreCase = 2;
constexpr short kKXFindIgnoreWidth = 4;
constexpr short kKXFindIgnoreKana = 8;
constexpr short kKXFindRegexp = 16;

// Alternatives of one find character per kind. Every character of the
// Japanese set folds to at most three forms of one kind (ガ under width and
// kana folding: ガ, が and the half-width pair), which a test checks over all
// codes and options.
constexpr int kKXFindMaxAlt = 4;
// Room for the output of UKXFind::EnumFindChar.
constexpr int kKXFindEnumMax = 16;

// One pattern character with the forms a text character may take to match.
struct SKXFindChar {
  std::uint8_t singleCount;
  std::uint8_t doubleCount;
  std::uint8_t singles[kKXFindMaxAlt];
  std::uint16_t doubles[kKXFindMaxAlt];
};

// Script lookup context of a search: the locked style runs (or none), the
// offset in the whole text of byte 0 of the buffer being searched, and the
// run last looked up (relative to the buffer).
struct SKXFindStyl {
  const SKXStyl* runs;
  std::int32_t runCount;
  short defaultScript;
  std::int32_t base;
  std::int32_t cacheStart;
  std::int32_t cacheEnd;
  short cacheScript;
  // False while the buffer is one chunk of a longer text: a character cut at
  // its end then answers "text ends" rather than being read as a lone byte.
  bool textEnds;
  // The locked decoration runs (or none): a 0xCA byte whose run carries a
  // picture ID is an inline picture, which no pattern matches. The run last
  // looked up (whole-text offsets) and whether it carries a picture.
  const SKXDeco* decos;
  std::int32_t decoCount;
  std::int64_t decoStart, decoEnd;
  bool decoPicture;
  // What a regular-expression search keeps from one step to the next, in
  // offsets of the whole text (one search is one scope object).
  struct RegexpSearch {
    // Backtracking steps still allowed. A search starts with
    // kKXFindStepAllowance and earns kKXFindStepsPerByte for every byte from
    // a candidate to its buffer's end the first time a second step reaches
    // it (creditFrom..creditTo), so that any search ends in time
    // proportional to its text.
    std::int64_t stepsLeft;
    std::int64_t creditFrom, creditTo;
    // Starts known to begin no match (noMatchFrom..noMatchTo - 1), found by
    // the last failed second step: a forward first step skips them.
    std::int64_t noMatchFrom, noMatchTo;
    // The required bytes looked for from requiredFrom: at requiredAt, or
    // nowhere before requiredEnd (requiredAt -1).
    std::int64_t requiredFrom, requiredAt, requiredEnd;
    // What the automaton of a forward search found from filterFrom: no
    // match ends before filterEnd, in the line ending at filterLineEnd.
    // With filterChecks the starts before filterEnd are asked of it one by
    // one, while filterSteps (characters it may still read for them, earned
    // like the steps) last.
    std::int64_t filterFrom, filterEnd, filterLineEnd;
    bool filterChecks;
    std::int64_t filterSteps;
  } search;
};

constexpr std::int64_t kKXFindStepAllowance = 1000000;
constexpr std::int64_t kKXFindStepsPerByte = 32;
constexpr std::int64_t kKXFindFilterStepsPerByte = 8;

// Sets the buffer's offset in the whole text and drops the cached run.
void KxFindStylSetBase(SKXFindStyl& styl, std::int32_t base, bool textEnds);

// Scope object: locks the style runs (and the decoration runs, when given)
// for the life of a search.
class CKXFindStyl {
 public:
  CKXFindStyl(CKXArrayL* runs, short defaultScript, CKXArrayL* decoRuns = nullptr);
  ~CKXFindStyl();
  CKXFindStyl(const CKXFindStyl&) = delete;
  CKXFindStyl& operator=(const CKXFindStyl&) = delete;
  SKXFindStyl& Get() { return mStyl; }
  operator SKXFindStyl&() { return mStyl; }

 private:
  CKXArrayL* mRuns;
  CKXArrayL* mDecoRuns;
  SKXFindStyl mStyl;
};

// Thrown (as an LException) by a search that the user stopped: see
// KxSetFindCancelCheck.
constexpr long kKXFindCancelled = 0x72786361;   // 'rxca'

// A search that runs long asks `check` now and then (every few thousand
// candidates or backtracking steps) whether the user wants it to stop; when
// it answers true the search ends with kKXFindCancelled. The check must be
// cheap or keep its own time. Null (the default) never stops a search.
// Answers the check it replaces.
using KxFindCancelCheck = bool (*)();
KxFindCancelCheck KxSetFindCancelCheck(KxFindCancelCheck check);
// Asks the installed check; throws kKXFindCancelled when it says stop.
void KxFindPollCancel();
// One unit of a search's work (a candidate, a backtracking step): every
// kKXFindPollEvery of them ask the check.
constexpr std::uint32_t kKXFindPollEvery = 4096;
namespace kx_find {
extern std::uint32_t gWorkDone;
}
inline void KxFindTick() {
  if ((++kx_find::gWorkDone & (kKXFindPollEvery - 1)) == 0) KxFindPollCancel();
}

namespace UKXFind {

// The find character code at offset (a double-byte character as lead * 256 +
// trail; with width folding in the Japanese script a half-width kana and its
// voiced mark as the composed full-width kana); width gets its byte count.
std::uint16_t GetFindChar(const unsigned char* text, long length, long offset, short options,
                          short script, int* width = nullptr);
long CountFindChar(const unsigned char* pattern, long length, short options, short script);
// The full-width kana that a half-width kana and the voiced or semi-voiced
// mark after it make together (what width folding in the Japanese script
// reads them as); 0 when the two bytes make none.
std::uint16_t ComposedKana(unsigned char kana, unsigned char mark);
// Writes the code and its folded alternatives (first the code itself);
// returns their number (at most kKXFindEnumMax).
int EnumFindChar(std::uint16_t code, short options, std::uint16_t out[kKXFindEnumMax]);
// One entry per find character of the pattern; returns the number written.
// out must have room for CountFindChar entries.
long MakeFindChar(SKXFindChar* out, const unsigned char* pattern, long length, short options,
                  short script);
// True when the text code matches the find character.
bool MatchFindChar(const SKXFindChar& fc, std::uint16_t code);
// Script of the style run holding base + offset.
short ScriptType(long offset, SKXFindStyl& styl);
// True when text[offset] (base + offset in the whole text) is an inline
// picture: the byte 0xCA in a decoration run with a picture ID.
bool IsPictureRun(long offset, SKXFindStyl& styl);
inline bool IsPicture(const unsigned char* text, long offset, SKXFindStyl& styl) {
  return text[offset] == kKxPictureByte && styl.decoCount > 0 && IsPictureRun(offset, styl);
}

// First step: from start (negative: the text's length) forward, or backward
// with option 1, to the next position where the pattern matches or where the
// text ends inside a partial match. 0 when there is none, else the width of
// the character at found.
short Find1stStep(const unsigned char* text, long start, long length, const SKXFindChar* findChars,
                  long count, short options, long& found, SKXFindStyl& styl);
// Second step: matched byte length at offset, 0 on a mismatch, -1 when the
// text ends before the pattern does.
std::int32_t Find2ndStep(const unsigned char* text, long offset, long length,
                         const SKXFindChar* findChars, long count, short options,
                         SKXFindStyl& styl);

// True when offset starts a character, given that `known` (<= offset) does:
// bytes that cannot start a double-byte character end one.
bool IsCharStart(const unsigned char* text, long known, long offset, short script);
// For a backward scan: the character starts before p, first to last, from
// the nearest byte before p known to start one within the style run of
// p - 1 (0 < p); script gets that run's script. Returns the first start,
// where the scan goes on.
long CharStartsBefore(const unsigned char* text, long p, SKXFindStyl& styl, short& script,
                      std::vector<long>& starts);

}  // namespace UKXFind
