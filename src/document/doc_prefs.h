// The state a document file keeps besides its text and runs, written after
// the text through the file tube and read before it (WriteDocPref,
// ReadDocPref), then applied once the text is in place (AdjustDocPref).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/fspec.h"
#include "document/doc_records.h"
#include "text/runs/runs.h"

class CKXTextFileTube;

struct SKXDocSettings {
  bool hasWindow = false;
  SKXWindowRec window;
  bool hasPref = false;  // a "KXSR" of at least 40 bytes was read
  SDocPref pref;
  std::vector<SKXMarkRec> marks;
  bool hasRank = false;
  SKXRankRec rank;
  std::vector<std::int32_t> lineRestarts;
  std::vector<std::uint8_t> printRecord;  // 120 bytes, or empty for none
  bool usesForm = false;
  std::array<std::uint8_t, kKxFORMSize> forms{};  // current form, then the default form (big-endian)
};

struct SKXPreference;

// The preferences as a new document takes them. The file may hold any
// number; each setting is brought into what the dialogs accept (size up to
// 5000 points, tab width up to 999 characters, line spacing 0-999,
// character spacing 0-100) and the tab interval measured again when it
// does not fit them. A size or tab width of 0 or less still means "none".
SKXPreference KxUsablePreference(const SKXPreference& p);

// What a new document starts with: the edit, line and page styles of the
// preferences (the factory ones while none are loaded), the font named and
// measured. A file without records reads as these.
SKXDocSettings KxNewDocumentSettings();

// Writes the records into a writing tube; for an RTF file deletes every
// record and run flavor instead. A window record without a font size takes
// the edit style of a new document: no record says size 0. Empty, or why the save must fail (a count
// or a length that its record's field cannot hold).
std::string WriteDocPref(CKXTextFileTube& tube, const SKXDocSettings& doc);
// Deletes every record and run flavor of a writing tube's file.
void DeleteDocPref(CKXTextFileTube& tube);
// Reads the records of a reading tube over `defaults`. Records of the wrong
// size are ignored.
void ReadDocPref(CKXTextFileTube& tube, SKXDocSettings& doc, const SKXDocSettings& defaults = SKXDocSettings());
// Once the text (`length` bytes, of the given script) is in place: marks,
// the selection and the scroll offset are clamped to it and moved back to
// character starts, marks outside it or out of order dropped (and the
// ranks of the rest levelled again), control bytes in mark names made
// spaces, the rank kept only when it matches the marks read, an edit
// scale of 100 stored as 0.
void AdjustDocPref(SKXDocSettings& doc, const std::uint8_t* text, long length, short script);
// Gives `doc` the source's styles (line, edit, page and form, keyboard
// script and language, header and footer, view flags, vertical writing,
// line-number restarts), then applies them as after a read. The source's
// edit style comes with its window record, so `doc` then has one.
void SetDocumentStyles(SKXDocSettings& doc, const SKXDocSettings& source, const std::uint8_t* text, long length,
                       short script);
// A header's or footer's settings as the edit object keeps them, and their
// place in the 18-byte block of "KXSR": the band's distance at 0, the text
// length at 2, the face at 4, the alignment at 5, the font, size and the
// three colour components at 6 to 14, the date and time formats at 16, 17.
struct SKXBandSettings {
  std::int16_t bandHeight = 0;
  SStyl style{};
  std::uint8_t alignment = 0;
  std::uint8_t dateFormat = 0;
  std::uint8_t timeFormat = 0;
};
SKXHdFtBlock KxBandToBlock(const SKXBandSettings& band, std::size_t textLength);
// The line height and ascent of the style are left 0 (measured when drawn).
SKXBandSettings KxBandFromBlock(const SKXHdFtBlock& block);

// "LINE" values to the engine's restart data (big-endian 32-bit entries)
// and back.
std::vector<char> KxRestartsToData(const std::vector<std::int32_t>& values);
std::vector<std::int32_t> KxRestartsFromData(const char* data, long size);

// Adds the document to the resume list when documents record themselves
// at quit (gFileResume); false when it did not.
bool SaveFileResume(const SKXRectL& bounds, const std::string& path, KxBlock& list, long max);

// The character start at or before each offset (sorted or not), in one pass.
void KxSnapToCharStarts(const std::uint8_t* text, long length, short script, std::vector<long*>& offsets);
