// The user's ten named colour preference sets: colour variation 10 + n - 1
// draws the views with set n. The store keeps the ten records and the
// list of names; the preference file keeps the sets that differ from the
// built-in default ("UCPT") and the names ("UCNT").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/fspec.h"
#include "platform/types.h"

struct SKXColorPreference {
  RGBColor text{};         // the views' text colour
  RGBColor face{};         // light and shadow are derived from it
  RGBColor tabMark{};
  RGBColor returnMark{};
  RGBColor spaceMark{};
  RGBColor accent{};
  std::uint8_t theme = 0;    // 0 own face colour; 1 and 2 kept for files (no desktop themes here)
  std::uint8_t changed = 0;  // 0 when equal to the default set
  std::int16_t number = 0;   // 1-10
};

constexpr std::size_t kKxColorPrefSize = 40;   // a stored record
constexpr short kKxColorPrefSets = 10;
constexpr std::size_t kKxColorPrefNameMax = 31;   // bytes of a name
// The general preferences dialog's working copy keeps one record of this
// size per edited set: the 40-byte set, then its name in 32 bytes.
constexpr std::size_t kKxColorPrefWorkSize = 72;

namespace UKXColorPreference {

void Initialize();
void Terminate();

SKXColorPreference Default();
// n is held to 1-10. SetAt stores n in the record and whether it differs
// from the default.
void GetAt(short n, SKXColorPreference& out);
void SetAt(short n, const SKXColorPreference& in);

// The name of set n (Shift_JIS); false when the list has none.
bool GetColorPrefNameAt(short n, std::string& name);
// Replaces any name of set n by this one, at the end of the list; the name
// is cut to 31 bytes on a character boundary.
void SetColorPrefNameAt(short n, const std::string& name);

// "UCPT": the differing sets in set order, 40 bytes each.
std::size_t GetColorPreferenceSize();
// Writes the records that fit whole; answers the bytes written.
std::size_t GetColorPreferenceData(std::uint8_t* buffer, std::size_t size);
// Every set back to the default, then each whole record with a set number
// of 1-10 stored; the rest is skipped.
void SetColorPreferenceData(const std::uint8_t* data, std::size_t size);
// "UCNT": {u8 set number; u8 length; name} entries in the order of naming.
KxBlock GetColorPrefNameData();
// Keeps whole entries of sets 1-10 (a name over 31 bytes cut on a
// character boundary, one entry per set, the last wins); an entry that does
// not fit or names another set ends the list.
void SetColorPrefNameData(const std::uint8_t* data, std::size_t size);

// A record in its stored (big-endian) form and back.
void WriteRecord(const SKXColorPreference& in, std::uint8_t* out);
SKXColorPreference ReadRecord(const std::uint8_t* in);

// The chunks by field, for the preference dump: one line per stored set,
// one per name.
std::string DumpSets();
std::string DumpNames();

}  // namespace UKXColorPreference

// How a colour button shows a colour and how its choice is stored, for the
// colours whose (0, 0, 0) means "the default" (the paper, the start-up text
// colour, the mark colours): shown, (0, 0, 0) is white and (1, 1, 1) black;
// stored, white is (0, 0, 0) and black (1, 1, 1). Other colours (a set's
// text colour) are shown and stored as they are. Answers the colour's index
// in the colour table, -1 for none.
short CheckColor(RGBColor& colour, bool forDisplay);
