// A lazily built deterministic automaton for a regular expression without
// back-references, which the forward search uses as a filter. Over one line
// it tells where the first match from a position can end at the earliest,
// and whether a match starts at a given position. It knows nothing of
// captures or of the order of alternatives: the backtracking matcher still
// makes every match, the automaton only rules out lines and starts where
// none can begin.
//
// Characters are read as the matcher reads them (double-byte characters,
// half-width kana with their voiced marks under width folding) and tested
// with the matcher's tests, gathered into classes of characters that pass
// the same tests. A state is a set of positions in a nondeterministic
// automaton made from the expression's tree; states are made as the text
// needs them. When they outgrow their room they are dropped and made again,
// and an automaton that keeps outgrowing it stops answering: the caller then
// goes on with the matcher alone.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct SKXFindStyl;
struct SKXRegexp;

// The character the matcher reads at pos (pos < length, text[pos] no CR): a
// double-byte character as lead * 256 + trail, except that a lead byte just
// before a CR stands alone (a match never takes the CR); width gets its byte
// count.
std::uint16_t KxRegexpReadChar(const unsigned char* text, long length, long pos, short options,
                               short script, int& width);
// Whether the node tests one character, and whether the character passes
// that test under the folding options.
bool KxRegexpIsTest(const SKXRegexp& node);
bool KxRegexpTest(const SKXRegexp& node, std::uint16_t code, short options);

class CKXRegexpAutomaton {
 public:
  enum class Answer : std::uint8_t { kNo, kYes, kUnknown };

  // One line of a buffer: the buffer is text[0..length), the line ends at
  // `end` (a CR, or the buffer's end when that is the text's end). One
  // script holds over the line; joins marks the bytes that are not a
  // character by themselves in it. styl (when given) tells the inline
  // pictures, which the automaton reads as the byte's character standing
  // alone: no mark joins it, and it passes tests that the matcher's
  // "nothing takes a picture" fails, so that nothing is ruled out wrongly.
  struct Line {
    const unsigned char* text;
    long length;
    long end;
    short script;
    short options;
    const bool* joins;
    SKXFindStyl* styl = nullptr;
  };

  // False (and never usable) with back-references, or when the expression
  // would take more room than the automaton is allowed.
  explicit CKXRegexpAutomaton(const SKXRegexp& root);
  bool Usable() const { return mUsable; }
  // Drops what was made for other folding options.
  void Reset(short foldOptions);

  // The earliest end of a match starting at a character start in
  // from..line.end (characters counted from `from`); lineStart: "^" holds at
  // from. kNo when no match starts there. With kYes, clear gets a character
  // start before which (from `from` on) no match starts at all.
  Answer EarliestEnd(const Line& line, long from, bool lineStart, long& end, long& clear);
  // Whether a match starts at `at`; steps grows by the bytes read.
  Answer StartsAt(const Line& line, long at, bool lineStart, std::int64_t& steps);

 private:
  enum Kind : std::uint8_t { kTest, kSplit, kLineStart, kLineEnd, kMatch };
  struct Node {
    Kind kind;
    std::int32_t out, out2;   // next nodes (a split has two)
    std::int32_t test;        // kTest: index in mTests
  };
  // The states of one automaton: each a sorted set of nodes (those that test
  // a character, the match and "$" still to be passed).
  struct Dfa {
    bool floating = false;   // a match may start before every character
    std::vector<std::int32_t> sets, setStart = std::vector<std::int32_t>(1, 0);
    std::vector<std::uint8_t> flags;
    // By state * mWidth + class: -1 not made yet, else the next state's row
    // (state * mWidth), or -2 - row when that state ends a run (a match
    // ends there, or the anchored automaton can match no more).
    std::vector<std::int32_t> next;
    std::vector<std::int32_t> slots;  // the states by their sets' hash (open addressing; -1 free)
    std::int32_t start[2] = {-1, -1};   // by lineStart
    // The floating automaton's state with nothing under way (not at a line's
    // start), or -1 while it is not made.
    std::int32_t idle = -1;
  };

  std::int32_t Add(Kind kind, std::int32_t out, std::int32_t out2 = -1, std::int32_t test = -1);
  std::int32_t Build(const SKXRegexp& n, std::int32_t next);
  void Close(std::int32_t node, bool lineStart, bool lineEnd, std::vector<std::int32_t>& out);
  std::int32_t Intern(Dfa& d, const std::vector<std::int32_t>& set, bool lineStart);
  std::size_t Slot(const Dfa& d, const std::int32_t* set, std::size_t size, bool lineStart) const;
  void Flush(Dfa& d);
  std::int32_t Start(Dfa& d, bool lineStart);
  std::int32_t Step(Dfa& d, std::int32_t s, std::int32_t cls);
  std::int32_t Encode(const Dfa& d, std::int32_t id) const;
  std::int32_t ClassOf(std::uint16_t code);
  std::int32_t SlowClass(const Line& line, long pos, int& width);
  void PrepareLine(const Line& line);
  void PrepareSkip(Dfa& d, const Line& line);
  template <bool kFloating>
  Answer Run(Dfa& d, const Line& line, long from, bool lineStart, long& end, long& clear, std::int64_t& steps);

  bool mUsable = true;
  std::vector<Node> mNodes;
  std::int32_t mStart = -1;
  std::vector<const SKXRegexp*> mTests;   // distinct test nodes of the tree
  std::unordered_map<const SKXRegexp*, std::int32_t> mTestIndex;   // while building
  std::vector<std::int32_t> mInject[2];   // the start closed over, by lineStart
  std::vector<std::uint32_t> mMark;
  std::uint32_t mGeneration = 0;
  std::vector<std::int32_t> mStack, mSet, mScratch;

  // Classes of characters for the folding options: a class per distinct
  // answer of the tests (mPasses[class * tests + test]).
  short mFoldOptions = -1;
  std::vector<std::uint8_t> mPasses;
  std::unordered_map<std::string, std::int32_t> mClassIndex;
  std::int32_t mByteClass[256];
  std::vector<std::int32_t> mWordClass;   // 65536, made for the first double-byte code
  std::int32_t mWidth = 0;                // columns of the transition tables, 1 << mShift
  int mShift = 0;
  // The class of each byte that is a character by itself in the line's
  // script under its options, -1 where the character needs a closer look.
  std::int32_t mFast[256];
  short mFastScript = -32768, mFastOptions = -1;
  // Bytes of one character that leave the floating automaton's idle state
  // as it is: a run of them is passed over without the tables. Kept for the
  // last few scripts and options (style runs may change them line by line);
  // mSkip is the line's once mSkipReady.
  static constexpr int kSkipTables = 4;
  bool mSkipTables[kSkipTables][256];
  short mSkipScript[kSkipTables], mSkipOptions[kSkipTables];
  int mSkipTablesMade = 0;
  const bool* mSkip = nullptr;
  bool mSkipReady = false;

  Dfa mFloating, mAnchored;
  int mFlushes = 0;
};
