// Line layout over a styled text: where each line ends and how tall it is
// (CalcLineInfo), the Japanese line-break rules and word wrap, tab stops,
// the height ruby adds to a line, and the pen position of every byte of a
// line (GetMeasureText, with justification and character grids).
//
// CKXTextLayout reads the text only through the character store and the
// style, decoration (with ruby and pictures) and paragraph run arrays it is
// given, plus two hooks that a text object overrides: the page form's grid
// and the default paragraph style. Offsets are byte offsets; pen positions
// and columns are at least 32-bit so that unwrapped lines of any length
// measure in full.
#pragma once

#include <cstdint>

#include "layout/fontstate.h"
#include "text/runs/runs.h"
#include "text/store/text.h"

// Default tab spacing in points, where a style gives none.
constexpr long kKxDefaultTabInterval = 36;

// The line layout settings of an edit object.
struct SKXLineStyl {
  std::int16_t tabInterval = 0;  // default tab spacing in points; 0 means kKxDefaultTabInterval
  std::int16_t lineSpace = 0;    // added below every line (texts without paragraph runs)
  std::int16_t charSpace = 0;    // added after every character; kKxCharSpaceGrid asks for the grid
  std::uint8_t mode = 0;         // line-break rules: 0 off, 1 hang, 2 push back
  std::uint8_t justify = 0;      // 0 left, 1 centre, 2 right, 3 justified (texts without paragraph runs)
  std::uint8_t wrap = 1;         // non-zero: lines break at the layout width
  std::uint8_t wordWrap = 0;     // non-zero: runs of single-byte letters are not split
  std::uint8_t controlView = 0;  // drawing only
  std::uint8_t vertical = 0;     // vertical writing: advances run along the column
};

// Character space value that means "a page form supplies the grid".
constexpr std::int16_t kKxCharSpaceGrid = std::int16_t(0x8000);


// One laid-out line.
struct SKXLineInfo {
  std::int32_t width = 0;  // the width the line was laid out for
  std::uint16_t height = 0;  // height code: kKxLineHeightMask | kKxLinePageBreak
};
constexpr std::uint16_t kKxLineHeightMask = 0x3FFF;
constexpr std::uint16_t kKxLinePageBreak = 0x4000;

// A run as the layout last saw it: the run [start, end) is entry `index`.
struct SKXLineRun {
  long start = 0;
  long end = 0;
  long index = 0;
};

// What the line-break rules looked up last, kept from one line to the
// next, whose break usually falls in the same places: the style run whose
// script is `script`, and the store's chunk.
struct SKXLineLookups {
  long runStart = 0, runEnd = 0;
  short script = 0;
  long chunkStart = 0, chunkEnd = 0;
};

// The cache a relayout hands from one CalcLineInfo to the next so that
// bytes are read in blocks and runs are looked up only when a line leaves
// the cached one: laying out a whole text reads each run once. Start it
// value-initialised ({}) and start afresh after the text changes.
struct SKXLineCalc {
  long textLength = 0;   // 0: not yet initialised
  char* buffer = nullptr;  // the caller's read buffer, or null for the built-in one
  long capacity = 0;
  long bufStart = 0;     // text offset of buffer[0]
  long bufLen = 0;
  SStyl styl{};
  SKXLineRun stylRun;
  SDeco deco{};
  SKXLineRun decoRun;
  SParaStyl para{};
  SKXLineRun paraRun;
  SKXLineLookups lookups;
  CKXCharState* state = nullptr;  // kept alive by the caller across calls, or null
  // Out, of the line last laid out: the text from `reach` on played no part
  // in it (neither in where it breaks nor in the advance of a tab that
  // measures the text after it); past the text's end when text added there
  // could join the line.
  long reach = 0;
  // Out: settings of the line's paragraph under which an earlier line of it
  // can read further than a later one: tab stops that measure the text
  // after the tab, and a first line with more room than the rest.
  bool measuredTabs = false;
  bool roomierFirstLine = false;
  char ownBuffer[1024];
};

class CKXTextLayout {
 public:
  CKXTextLayout(const CKXStrArray* text, const CKXStylArray* styls, const CKXDecoArray* decos,
                const CKXParaArray* paras);
  virtual ~CKXTextLayout() = default;

  // Hooks of the text object: the page form's grid (false and all zero when
  // none), and the style of paragraphs without a paragraph run.
  virtual bool GetLineExtStyl(SKXLineExtStyl& grid) const;
  virtual void GetParaStylDefault(SParaStyl& para) const;

  // Lays out the line beginning at `start` in `width` points and answers
  // where the next line begins: past the text length when the line is the
  // empty last line after a final CR (or of an empty text). `style` and
  // `calc` may be null.
  virtual long CalcLineInfo(long start, long width, SKXLineInfo& info, const SKXLineStyl* style,
                            SKXLineCalc* calc) const;
  // The line-break rules at a break before `breakAt`: positive moves the
  // break back by that many bytes, negative moves it forward (hanging), 0
  // keeps it. Modes 1 hang, 2 push back; 3 and 4 the same but never after a CR.
  long CheckJWrap(long lineStart, long breakAt, short mode) const;
  // Word wrap at a break before `breakAt`; result as for CheckJWrap.
  long CheckWordwrap(long lineStart, long breakAt) const;
  // The advance of the tab at `offset` with the pen at `x`; writes the
  // leader (".", "-" or "_") into marks[markIndex] when marks is given, and
  // into *reach (when given) where the text stops mattering to the answer
  // (past the text's end when measuring ran into it).
  long GetTabWidthExt(long x, long offset, short interval, const SParaStyl& para, const SKXLineStyl* style,
                      char* marks = nullptr, long markIndex = 0, long* reach = nullptr) const;
  // The line height and ascent that the ruby inside the range needs (0 and
  // 0 without ruby). `state` is used for measuring and left on the ruby style.
  void GetRubyLineHeight(long start, long length, short& lineHeight, short& ascent, CKXCharState* state,
                         short font, short size) const;

  // Pen positions of a line's `length` bytes (in `text`): positions gets
  // length + 1 entries; inside (when given, length + 1 entries) gets 1 for
  // an entry inside a character, which is no caret stop. marks (one per
  // byte) and baseline may be null.
  void GetMeasureText(long start, long length, long width, const char* text, long* positions,
                      const SKXLineStyl* style, char* marks, short* baseline, char* inside = nullptr) const;
  // Spreads `spare` points over the part of the line after its last tab;
  // an entry inside a character (inside may be null) moves with the
  // character's start.
  void SpaceMeasureText(long* positions, const char* inside, long length, long spare, const char* text,
                        char* marks) const;
  // Pen position of byte index `column` of the line (clamped to it).
  virtual long GetColumnToSize(long start, long length, long width, long column, const SKXLineStyl& style) const;
  // Byte index of the caret stop nearest to pen position `x`.
  virtual long GetSizeToColumn(long start, long length, long width, long x, const SKXLineStyl& style) const;

  // The user's line-break lists: four consecutive NUL-terminated lists
  // (full-width head, half-width head, full-width tail, half-width tail) in
  // at most `size` bytes; null restores the defaults. A list cut off by the
  // end of the block ends there.
  static void SetJWrapChars(const char* lists, long size);
  // The lists as two strings with a leading length byte (the defaults when
  // lists is null): head = full then half-width head list, tail likewise.
  static void JWrapCharsToHeadTail(const char* lists, long size, unsigned char* head, unsigned char* tail);
  // Splits the two strings back into the four lists (room for
  // kKxJWrapCharsSize bytes); size gets the bytes used including the four
  // NULs. Answers 1 when any list differs from its default.
  static short JWrapCharsFromHeadTail(char* lists, short* size, const unsigned char* head,
                                      const unsigned char* tail);
  // Membership in the current lists: head = may not begin a line, tail =
  // may not end one. Codes above 256 are full-width.
  static bool IsHeadChar(std::uint16_t code);
  static bool IsTailChar(std::uint16_t code);

  // Characters as the layout sees them: a lead byte followed by CR, or at
  // the end of the text, stands alone. `len` gets 1 or 2.
  std::uint16_t CharAt(long offset, long& len) const;
  // The character that ends just before `offset` and its first byte.
  std::uint16_t CharBefore(long offset, long& first) const;
  // The position reached from offset back over bytes at hand that are
  // ASCII word characters (not a hyphen) standing alone, not before
  // lineStart: where the word-wrap rule's steps through CharBefore would
  // come to, one at a time.
  long PlainWordStart(long offset, long lineStart) const;
  short CharTypeAt(long offset) const;
  // The script of the style run at offset; the run last found answers
  // without a call (the break rules ask for every character they pass).
  short ScriptAt(long offset) const {
    const SKXLineLookups* last = mPeek ? mPeek->last : nullptr;
    if (last && offset >= last->runStart && offset < last->runEnd) return last->script;
    return LookUpScript(offset);
  }
  long TextLength() const;

  // Line layout's short ways (plain characters straight from the read
  // buffer, the break rules reading from it) give the answers of the long
  // way, byte by byte through the store; tests turn them off to compare.
  static inline bool sShortWays = true;
  // Bytes the plain stretches have taken, for tests to see that they run.
  static inline long sShortWayBytes = 0;

  const CKXStrArray* Text() const { return mText; }
  const CKXStylArray* Styls() const { return mStyls; }
  const CKXDecoArray* Decos() const { return mDecos; }
  const CKXParaArray* Paras() const { return mParas; }

  // The settings of the line that begins at `start`, shared by layout and
  // measuring.
  struct Setup {
    SKXLineStyl style;
    SKXLineExtStyl grid;
    bool usePara = false;  // tabs go through the paragraph's stops
    SParaStyl para;  // set by GetSetup, and read, only when usePara
    long lineSpace = 0, charSpace = 0;
    int justify = 0;
    long avail = 0;  // width less the right indent
    long pen = 0;    // the start indent
  };
  // `paraRun` (optional) caches the paragraph run across calls.
  void GetSetup(long start, long width, const SKXLineStyl* style, Setup& s, SParaStyl* cachedPara,
                SKXLineRun* paraRun) const;
  // The style of run `index` with the grid's font and size applied.
  void GridStyl(SStyl& styl, const SKXLineExtStyl& grid) const;

 private:
  int ByteAt(long offset) const;

  // While the line-break rules look around the break of a line being laid
  // out, the bytes the line calculation has read and what it looked up
  // last: the rules read character by character, and the store and run
  // arrays are slow to ask one byte at a time. Set only for the length of
  // those checks, so that nothing stale outlives them.
  struct Peek {
    const char* bytes = nullptr;
    long start = 0, end = 0;  // text offsets of bytes[0] and past the last
    SKXLineLookups* last = nullptr;  // the calculation's, brought up to date
    // The line's measure read [wordFrom, wordEnd) as printable ASCII that
    // is neither a space nor a hyphen (empty when wordEnd <= wordFrom).
    long wordFrom = 0, wordEnd = 0;
  };
  // The store's GetCharByte, from the bytes at hand when they hold all it reads.
  short CharByteAt(long offset) const;
  // ScriptAt past the run last found: looks the run up and keeps it.
  short LookUpScript(long offset) const;
  class PeekScope;

  const CKXStrArray* mText;
  const CKXStylArray* mStyls;
  const CKXDecoArray* mDecos;
  const CKXParaArray* mParas;
  mutable Peek* mPeek = nullptr;
};

// The layout of a styled text object: its store and run arrays, with the
// grid and default paragraph style that the object reports.
class CKXTextLayoutOf : public CKXTextLayout {
 public:
  explicit CKXTextLayoutOf(const CKXText& text);
  bool GetLineExtStyl(SKXLineExtStyl& grid) const override;
  void GetParaStylDefault(SParaStyl& para) const override;

 private:
  const CKXText& mOwner;
};

// The size of the block that holds the user's line-break lists.
constexpr long kKxJWrapCharsSize = 224;

// Trims the leading of a ruby style measured in `state`; answers size / 6.
short AdjustRubyHeight(CKXCharState* state, SStyl& rubyStyl);

// Pitch rounding of indents and tab stops: pitch * ((v + pitch/3) / pitch).
inline long KxPitchRound(long v, long pitch) { return pitch > 0 ? pitch * ((v + pitch / 3) / pitch) : v; }
