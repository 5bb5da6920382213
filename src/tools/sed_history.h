// The stream editor window's script history: whole scripts (lines ended by
// CR), newest first, each stored as an unsigned 16-bit big-endian length
// and its bytes, back to back. An entry whose length runs past the block
// ends the list. At most 16 entries come from runs, plus the script box's
// text appended when the window closes. Also the stored record's texts and
// the names the window's outputs take.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "app/fspec.h"

constexpr short kKxSEDHistMax = 16;
constexpr std::size_t kKxSEDHistEntryMax = 0xFFFF;
// The popup shows at most this many bytes of an entry's first line.
constexpr std::size_t kKxSEDHistItemMax = 127;

namespace UKXSEDHistMenu {
// Walks up to entry n (1-based; 100 counts them all): the entries passed,
// and the offset of the last one's length field and its length. 0 for an
// empty history or n below 1.
short GetInfoHistHandle(long& offset, std::uint16_t& length, short n, const KxBlock& h);
short Count(const KxBlock& h);
// Entry n, at most `max` bytes; the count copied (0 when there is none).
long GetTextHistHandle(std::string& out, std::size_t max, short n, const KxBlock& h);
// Entry n and every later one go (1 empties); n beyond the count: nothing.
void DeleteHistHandle(short n, KxBlock& h);
// Moves entry n (2 or more, within the count) to the front.
void AdjustHistHandle(short n, KxBlock& h);
// Adds a script: at the front (an equal entry moves there instead; with
// 16 or more, the 16th and every older one go first), or appended at the
// end without either. False, and nothing recorded, for a script longer
// than 65,535 bytes.
bool InsertHistHandle(const std::string& text, KxBlock& h, bool append);
// The popup's entries: each entry's first line, cut at its first control
// character and to 127 bytes on a character boundary.
std::vector<std::string> MenuItems(const KxBlock& h);
}  // namespace UKXSEDHistMenu

// The title (at most 63 bytes) and the copy suffix (at most 95) of the
// stream editor's stored 256-byte record, their length bytes held to their
// fields.
std::string KxStreamEditorTitle(const std::array<std::uint8_t, 256>& record);
std::string KxStreamEditorSuffix(const std::array<std::uint8_t, 256>& record);

// Output kinds of the stream editor window.
enum KxSEDOutput : short { kKxSEDNewDocument = 0, kKxSEDCopy = 1, kKxSEDOverwrite = 2, kKxSEDClipboard = 3 };
// The name an output of `target` takes (UTF-8 names): the title (or "New"
// and the target's name) for a new document, the target's name with the
// suffix (".New" when empty) before its last "." for a copy, the target's
// own name when overwriting. Empty, with `why`, when the name is not one
// path component, is a target of the run (other than the one overwritten)
// or names a file the run already wrote. Names are never cut.
std::string KxSEDOutputName(short kind, const std::string& target, const std::string& title,
                            const std::string& suffix, const std::set<std::string>& targets,
                            const std::set<std::string>& written, std::string& why);
