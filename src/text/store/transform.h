// Whole-text commands over a styled text: shift (indent or unindent every
// paragraph), reform (break long paragraphs at a width, or join lines),
// character-type conversion (width, kana, case) and conversion of high
// bytes between the Mac and Windows Latin character sets.
//
// Every command rebuilds the text in one pass: the new bytes are put
// together from the old ones and the style, decoration, paragraph, ruby and
// Unicode side-entry runs are carried over to them, so that a 50 MB text
// costs one copy instead of one edit per changed character. Inline pictures
// and characters that carry a side entry are never converted or removed,
// except that the case commands change the case of a letter in a side entry.
// Marks and markups belong to the edit object and are not touched here;
// the commands say where the changed bytes went, so that their owner can
// move them.
#pragma once

#include <cstdint>
#include <vector>

#include "text/codes/charclass.h"
#include "text/runs/runs.h"

class CKXText;

namespace UKXText {

// ---- settings (set by the application from its preferences) ----------------

// Shift unit: 0 TAB, 1 space, 2 the custom string.
constexpr short kShiftTab = 0;
constexpr short kShiftSpace = 1;
constexpr short kShiftCustom = 2;
// The custom string is length-prefixed in 32 bytes (at most 31 bytes).
constexpr int kShiftStringSize = 32;

// Copies the shift type and the 32-byte string (string may be null).
void GetShiftType(short& type, unsigned char* string);
// A type outside 0-2 counts as 0; a length byte beyond 31 is cut to 31.
void SetShiftType(short type, const unsigned char* string);
// Any pointer may be null. Width 0 or less is taken as 1.
void GetReformMode(long* width, short* kinsoku, unsigned char* wordwrap, unsigned char* indent,
                   unsigned char* removeAll);
void SetReformMode(long width, short kinsoku, unsigned char wordwrap, unsigned char indent,
                   unsigned char removeAll);

// ---- line-break checks ----------------------------------------------------------

// The two break checks of the line layout, over `text` with the line
// starting at lineStart and the break before `breakAt`: positive moves the
// break back by that many bytes, negative forward, 0 keeps it. The layout
// area installs its own at start-up; until then word wrap follows the same
// rule (UKXText::WordwrapAdjust) over the styled text's own characters and
// the line-break rules do nothing.
using KxJWrapCheck = long (*)(const CKXText& text, long lineStart, long breakAt, short mode);
using KxWordwrapCheck = long (*)(const CKXText& text, long lineStart, long breakAt);
struct SKXBreakChecks {
  KxJWrapCheck jwrap = nullptr;
  KxWordwrapCheck wordwrap = nullptr;
};
// Installs the checks (a null member restores its default); answers the
// previous ones.
SKXBreakChecks SetBreakChecks(const SKXBreakChecks& checks);
long DefaultWordwrapCheck(const CKXText& text, long lineStart, long breakAt);
// The installed checks.
long CheckJWrap(const CKXText& text, long lineStart, long breakAt, short mode);
long CheckWordwrap(const CKXText& text, long lineStart, long breakAt);

// ---- whole-text commands (true when the text changed) ------------------------

// Where a command put the bytes it changed, so that the caller can keep
// what points into the text (marks) on it: the source bytes from..to (none:
// an insertion at `from`) were replaced by `count` bytes at `out` of the
// new text. Pieces come in source order; bytes between them were kept.
struct SKXTextPiece {
  long from, to, out, count;
};
// `exact`, set by the caller, lists the old offsets it will ask for
// (ascending); pieces with none of them inside or at their ends run together into
// one, so that the list grows with those offsets, not with the changes (a
// conversion of a whole 50 MB text changes millions of characters). Empty,
// every piece is kept.
struct KXTextPieces {
  std::vector<long> exact;
  std::vector<SKXTextPiece> list;
  bool empty() const { return list.empty(); }
  // Notes that old bytes from..to became `count` new bytes at `out`.
  void Add(const SKXTextPiece& piece);
};
// The new place of source offset `pos`. A kept byte moves with the pieces
// before it. Inside replaced bytes, a start goes to the start of what
// replaced them and an end to its end, so that a range covers the whole
// conversion of what it touched; at an insertion a start goes after the
// inserted bytes and an end stays before them.
long MapOffset(const KXTextPieces& pieces, long pos, bool end);

// Each command, given `pieces`, fills in its list (emptied first).
bool ShiftKXText(CKXText* text, bool left, KXTextPieces* pieces = nullptr);
// With wrap, long paragraphs are broken at the reform width; without, the
// width is unlimited and lines are only joined.
bool ReformKXText(CKXText* text, bool wrap, KXTextPieces* pieces = nullptr);

// Character-type modes.
constexpr short kCharTypeHalf = 1;
constexpr short kCharTypeFull = 2;
constexpr short kCharTypeKata = 3;
constexpr short kCharTypeHira = 4;
constexpr short kCharTypeUpper = 5;
constexpr short kCharTypeLower = 6;
constexpr short kCharTypeToggleWidth = 7;
constexpr short kCharTypeToggleKana = 8;
constexpr short kCharTypeToggleCase = 9;
constexpr short kCharTypeCapitalize = 20;
bool CharTypeKXText(CKXText* text, short mode, KXTextPieces* pieces = nullptr);

bool CharSetKXText(CKXText* text, bool macToWin);
// The same over bytes with their style and decoration runs (as read from a
// file: runs out of order or outside the bytes are ignored); bytes under a
// picture run are left alone. True when a byte changed.
bool CharSetConvert(bool macToWin, char* bytes, long length, const SKXStyl* styls, long stylCount,
                    const SKXDeco* decos, long decoCount);

}  // namespace UKXText
