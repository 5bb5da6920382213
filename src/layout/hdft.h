// Header and footer lines: a template of at most 255 bytes with the
// placeholders <DATE> <TIME> <PAGE> <NAME> <PMAX>, parsed once into
// two-byte tokens (bytes covered, kind) and expanded for each page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "text/codes/unichar.h"
#include "text/runs/runs.h"

// Token kinds.
enum KxHdFtKind : std::uint8_t {
  kKxHdFtLiteral = 0,
  kKxHdFtDate = 1,
  kKxHdFtTime = 2,
  kKxHdFtPage = 3,
  kKxHdFtName = 4,
  kKxHdFtPageMax = 5,
};
constexpr long kKxHdFtPlaceholderSize = 6;
constexpr long kKxHdFtMaxTemplate = 255;
// Longest expanded line drawn in a band.
constexpr long kKxHdFtMaxLine = 512;
// Longest name <NAME> stands for, as a title holds it.
constexpr long kKxHdFtMaxName = 255;
// Band alignments.
enum KxHdFtAlign : std::uint8_t { kKxHdFtLeft = 0, kKxHdFtCenter = 1, kKxHdFtRight = 2 };

struct SKXHdFtStyl {
  std::string text;                  // the template bytes
  std::vector<std::uint8_t> tokens;  // pairs (bytes covered, kind); empty without placeholders
  SStyl style{};
  std::int16_t bandHeight = 0;  // outward from the text area's edge
  std::uint8_t alignment = kKxHdFtLeft;
  std::uint8_t dateFormat = 0;
  std::uint8_t timeFormat = 0;
  std::uint8_t Length() const { return std::uint8_t(text.size()); }
};

// The tokens of a template: empty when it holds no placeholder.
std::vector<std::uint8_t> KxHdFtTokens(const char* text, long length);

// Stores the settings and parses the template (cut to 255 bytes; a
// negative length counts as 0).
void MakeHdFtStyl(SKXHdFtStyl& rec, short bandHeight, const char* text, long length, const SStyl& style,
                  std::uint8_t alignment, std::uint8_t dateFormat, std::uint8_t timeFormat);

// What the placeholders of one page stand for.
struct SKXHdFtValues {
  long page = 0;
  long pageCount = 0;
  const char* name = nullptr;
  long nameLength = 0;
  // Side entries of the name's characters Shift_JIS lacks: offsets into
  // the name, rising; any other entry is passed over.
  const SKXUniChar* nameSides = nullptr;
  long nameSideCount = 0;
};

// The expanded line for one page, at most `capacity` bytes and no
// terminator. A piece that does not fit is cut on a character boundary
// and nothing after it is written. Answers the length. With `sides`, it
// becomes the side entries of the name's characters written (offsets into
// the line, rising).
long KxExpandHdFt(const SKXHdFtStyl& rec, const SKXHdFtValues& values, char* out, long capacity,
                  std::vector<SKXUniChar>* sides = nullptr);

// A UTF-8 name (a file name: malformed bytes read as U+FFFD) as Shift_JIS
// bytes with side entries for the characters Shift_JIS lacks, the way
// pasted text is stored; cut to kKxHdFtMaxName bytes on a character
// boundary. False when the Unicode bridge cannot convert it.
bool KxHdFtNameFromUTF8(const char* utf8, long length, std::string& bytes, std::vector<SKXUniChar>& sides);
