// Regular expressions over Shift_JIS (and the other script encodings) byte
// buffers, with the folding options of plain find.
//
// The dialect: literals (double-byte characters of the pattern's script are
// single elements), "." (any character but CR and LF), "^" and "$" (at the
// buffer's ends and at CR), groups "( )" that capture (numbered by their
// opening parenthesis, nine recorded), alternation "|", the quantifiers
// "* + ? {n} {n,} {n,m}" and their lazy forms with a following "?", sets
// "[...]" and "[^...]" with ranges and classes, and the escapes \d \s \w
// \D \S \W \a \b \f \n \r \t \cX \xHH \xHHHH \1-\9. The compiler never fails:
// a construct it cannot read is taken as literal characters.
//
// Under width folding a half-width kana and the voiced mark after it are one
// character of the pattern, as they are of the text. An inline picture (see
// SKXFindStyl) is no character: nothing in a pattern matches it.
//
// A match is searched in two steps: a scan for a character that can begin a
// match, then a backtracking match at the candidate. The matcher keeps its
// choice points on a heap stack, so the input's size never deepens the call
// stack. A match never reaches past the next CR, and an empty match counts as
// no match: the matcher then looks for a longer one at the same place.
// Before the matcher is asked, an automaton may rule the candidate out
// (regexp_automaton.h).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "text/find/find.h"

// Node types of a compiled expression.
enum : std::uint8_t {
  kKXReLiteral = 0,
  kKXReAny = 1,
  kKXReSet = 2,
  kKXReRange = 3,
  kKXReLineStart = 4,
  kKXReLineEnd = 5,
  kKXReGroup = 6,
  kKXReAlternation = 7,
  kKXReWord = 8,
  kKXReSpace = 9,
  kKXReDigit = 10,
  kKXReRepeat = 11,     // one child, repeated min..max times
  kKXReBackRef = 22,
};

// One node of the compiled expression.
struct SKXRegexp {
  std::uint8_t type;
  bool negated;      // \W \S \D [^...]
  bool greedy;       // repeats
  std::uint8_t capture;   // group number 1-255 for a capturing group, else 0
  std::uint16_t ch;       // literal, range low bound, back-reference number
  std::uint16_t hi;       // range high bound
  std::int32_t min;       // repeat bounds; max < 0: no maximum
  std::int32_t max;
  std::vector<SKXRegexp> children;
};

// Thrown (as an LException) by a match that would take too long: a pattern
// whose ways to fail grow exponentially with the text.
constexpr long kKXFindTooComplex = 0x72786378;   // 'rxcx'

class CKXRegexp {
 public:
  static constexpr int kMaxGroups = 9;

  CKXRegexp(const unsigned char* pattern, long length, short script);
  virtual ~CKXRegexp();
  CKXRegexp(const CKXRegexp&) = delete;
  CKXRegexp& operator=(const CKXRegexp&) = delete;

  // Scans from start (negative: the text's length) forward, or backward with
  // option 1, for a position whose character can begin a match. 0 when there
  // is none, else the width of that character.
  short Find1stStep(const unsigned char* text, long start, long length, short options, long& found,
                    SKXFindStyl& styl);
  // The length of the match starting at offset; 0 when none. Throws
  // kKXFindTooComplex when backtracking would take too long.
  std::int32_t Find2ndStep(const unsigned char* text, long offset, long length, short options,
                           SKXFindStyl& styl);
  // Whether the last second step read the buffer's last byte or looked past
  // its end: only then can its answer change when the buffer goes on, so a
  // caller that matched over a window of a longer line widens the window.
  bool ReachedEnd() const { return mReachedEnd; }

  // The character value of the escape at text[pos] ("\n" 10, "\x41" 0x41,
  // "\d" the letter d), advancing pos past it; 0 when text[pos] is no "\".
  static std::uint16_t GetEscapeSequence(const unsigned char* text, long length, long& pos);
  // Compares capture n (1-9) of the last match byte for byte with text at
  // pos and advances pos past it; false when it differs or is unset.
  bool FindGroupRef(int n, const unsigned char* text, long length, long& pos) const;
  // Capture n (1-9) of the last match as an offset in its buffer and a length;
  // false when the group took no part in it.
  bool GetCapture(int n, std::int32_t& start, std::int32_t& length) const;
  // Number of capturing groups in the pattern.
  int GetGroupCount() const { return mGroupCount; }
  const SKXRegexp& GetRoot() const { return mRoot; }
  short GetScript() const { return mScript; }

  // A forward first step rules out, by a lazily built automaton, lines and
  // starts where no match can begin (expressions without back-references);
  // the matcher still makes every match. On by default; tests turn it off to
  // compare both ways, and count what it ruled out.
  bool HasAutomaton() const;
  void UseAutomaton(bool on);
  struct FilterCounts {
    long lines = 0;    // lines (or their rests) passed over whole
    long starts = 0;   // candidates the matcher was not asked about
    long windows = 0;  // lines looked at for holding the required bytes
  };
  FilterCounts GetFilterCounts() const;
  // Without folding, a forward first step looks only at lines holding a run
  // of bytes that every match holds (found anywhere in the expression; its
  // length here, 0 when there is none). On by default; tests turn it off.
  void UsePrefilter(bool on);
  long GetRequiredLength() const;

  struct Program;

 private:
  void Compile(bool composeMarks);
  // Width folding reads a half-width kana and its voiced mark as one
  // character; the pattern is read the same way for a search that folds
  // width (compiled again when a search changes that).
  void FoldPatternFor(short options);

  std::vector<unsigned char> mPattern;
  bool mHasMarkPairs = false;   // the pattern holds a pair that width folding joins
  bool mComposed = false;       // compiled with those pairs joined
  SKXRegexp mRoot;
  short mScript;
  int mGroupCount = 0;
  std::unique_ptr<Program> mProgram;
  // Captures of the last match: start and end offsets (-1 unset).
  const unsigned char* mCaptureText = nullptr;
  bool mReachedEnd = false;
  std::int32_t mCaptures[2 * (kMaxGroups + 1)];
};
