// The histories of the find and replace fields (length-prefixed strings)
// and of the header and footer fields (a 22-byte head and the text), each a
// block of entries newest first, at most kKxHistoryMax entries, with the
// pop-up menus that offer them. Blocks hold the stored form (big-endian);
// an entry that would run past the end of its block ends the list.
#pragma once

#include <cstdint>

#include "app/fspec.h"

class LMenu;

constexpr int kKxHistoryMax = 16;

namespace UFindReplMenu {
// Records `text` (length-prefixed) as the newest entry; a text that begins
// with "-" is not recorded (it would read as a separator).
void InsertHistHandle(const unsigned char* text, KxBlock& history);
// Moves entry n to the front (nothing for n < 2 or beyond the list).
void AdjustHistHandle(short n, KxBlock& history);
// Removes entry n and every older one.
void DeleteHistHandle(unsigned short n, KxBlock& history);
short CountHistHandle(const KxBlock& history);
// Entry n as a length-prefixed string; false when there is none.
bool GetHistString(unsigned short n, const KxBlock& history, unsigned char* out);
// Rebuilds the pop-up: the last `fixedItems` items stay, the entries go
// above them followed by a separator; item 1 is disabled when empty.
void UpdateMenu(LMenu& popup, const KxBlock& history, short fixedItems = 3);
// Cuts a block read from outside after its last complete entry and after
// kKxHistoryMax entries.
void Truncate(KxBlock& history);
}  // namespace UFindReplMenu

// The head of a header or footer entry.
struct SHFHist {
  std::int16_t distance = 0;                 // points from the band to the text area
  std::uint8_t styl[16] = {0};               // the character style, as stored
  std::uint8_t alignment = 0;
  std::uint8_t dateFormat = 0;
  std::uint8_t timeFormat = 0;
  std::uint8_t length = 0;                   // text length
};
constexpr std::size_t kKxHFHistHead = 22;

namespace UHeadFootMenu {
// Records head and text (length-prefixed); an empty text is not recorded, a
// text beginning with "-" gets a space in front (one longer than 254 bytes
// is not recorded); an existing text moves to the front with the new head.
void InsertHistHandle(const SHFHist& head, const unsigned char* text, KxBlock& history);
void AdjustHistHandle(short n, KxBlock& history);
void DeleteHistHandle(unsigned short n, KxBlock& history);
short CountHistHandle(const KxBlock& history);
// Entry n's head and text (length-prefixed); false when there is none.
bool GetHistString(unsigned short n, const KxBlock& history, SHFHist& outHead, unsigned char* outText);
void UpdateMenu(LMenu& popup, const KxBlock& history, short fixedItems = 2);
void Truncate(KxBlock& history);
}  // namespace UHeadFootMenu
