// Find over the character store: the store's chunks are searched in place
// (a match that may run into the next chunk is compared again over bytes
// copied out of the store), a selection is tested against a pattern, and a
// regular-expression replacement text is expanded.
//
// These are the store's find operations; the store and the styled text
// forward to them with their style runs (or null) and a default script, and
// their decoration runs (or null): an inline picture is never matched. The
// options are those of text/find.h; lengths are 32-bit.
#pragma once

#include <cstdint>
#include <vector>

#include "text/codes/unichar.h"

class CKXArrayL;
class CKXStrArray;

// The next match from pos (backward with option 1; a regular expression with
// option 16): its length, 0 when there is none; found gets its offset.
std::int32_t KxStrFind(const CKXStrArray& store, long pos, const char* pattern, long patLen, long& found,
                       short options, short script, CKXArrayL* styleRuns, CKXArrayL* decoRuns = nullptr);
std::int32_t KxStrFindRegexp(const CKXStrArray& store, long pos, const char* pattern, long patLen,
                             long& found, short options, short script, CKXArrayL* styleRuns,
                             CKXArrayL* decoRuns = nullptr);
// The length of the match anchored at the start of from..to (0 when the
// range does not start with one); callers compare it with the range's length.
// A regular expression is matched as the search matches it there, in its
// line: it answers the range's length when that match covers it exactly,
// else 0.
std::int32_t KxStrCheckFind(const CKXStrArray& store, long from, long to, const char* pattern, long patLen,
                            short options, short script, CKXArrayL* styleRuns, CKXArrayL* decoRuns = nullptr);
// Expands repl for the match of the regular expression at from..to into out
// ("&" the selected text, "\1"-"\9" a group, other escapes one character);
// answers the bytes written, kKxReplacedByNothing when the expansion is
// empty (groups that took no part), or 0 when repl is to be used as it
// stands (no match covers from..to exactly, as the search finds it in its
// line, or repl holds nothing to expand).
// With `sides`, the side entries of the characters copied from the text,
// at their offsets in out (when the answer is above 0).
constexpr long kKxReplacedByNothing = -1;
long KxStrCheckReplaceRE(const CKXStrArray& store, long from, long to, const char* pattern, long patLen,
                         short options, const char* repl, long replLen, char**& out, short script,
                         CKXArrayL* styleRuns, CKXArrayL* decoRuns = nullptr,
                         std::vector<SKXUniChar>* sides = nullptr);
// The compiled expression is kept from one search to the next with the same
// pattern and script; this drops it (tests compare with a fresh one).
void KxStrForgetRegexp();
// A regular-expression candidate whose line leaves its chunk is matched over
// a copied window of the line, from this many bytes (default 4096), doubled
// while the matcher reaches the window's end. Tests make it small to try
// every widening; answers the value it replaces.
long KxStrSetFirstRegexpWindow(long bytes);
