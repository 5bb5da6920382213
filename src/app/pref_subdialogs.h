// The two modal dialogs that the general preferences dialog opens over its
// working copies: a colour preference set (layout 3500) and the line-break
// characters (layout 3530). Nothing here touches the stored settings: the
// general dialog stores its copies when it is confirmed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/color_prefs.h"
#include "app/fspec.h"

// The working copy of the colour sets: 72-byte records (the stored set,
// then its name, length-prefixed, in 32 bytes), at most one per set.
namespace UKXColorPrefCopy {
// Set n's record in the copy; false when the copy has none (a record cut
// short counts as none).
bool Find(const KxBlock& copy, short n, SKXColorPreference& set, std::string& name);
// Replaces set n's record, or appends one; the name is cut to 31 bytes on
// a character boundary.
void Put(KxBlock& copy, short n, const SKXColorPreference& set, const std::string& name);
}  // namespace UKXColorPrefCopy

// The line-break editor's working copy: at most 200 bytes of the four
// lists; empty means the built-in lists.
constexpr std::size_t kKxJWrapCopyMax = 200;
// The head and tail texts the editor shows for a copy.
void KxJWrapTexts(const KxBlock& copy, std::string& head, std::string& tail);
// What the editor's OK makes of the two texts: the head cut to 127 bytes
// and the tail to 63, on character boundaries; the built-in lists leave the
// copy empty.
void KxJWrapStore(const std::string& head, const std::string& tail, KxBlock& copy);
