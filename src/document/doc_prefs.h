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
// character starts, marks outside it or out of order dropped, the rank
// kept only when it matches the marks read, an edit scale of 100 stored
// as 0.
void AdjustDocPref(SKXDocSettings& doc, const std::uint8_t* text, long length, short script);
// Gives `doc` the source's styles (line, edit, page and form, keyboard
// script and language, header and footer, view flags, vertical writing,
// line-number restarts), then applies them as after a read.
void SetDocumentStyles(SKXDocSettings& doc, const SKXDocSettings& source, const std::uint8_t* text, long length,
                       short script);
// Adds the document to the resume list when documents record themselves
// at quit (gFileResume); false when it did not.
bool SaveFileResume(const SKXRectL& bounds, const std::string& path, KxBlock& list, long max);

// The character start at or before each offset (sorted or not), in one pass.
void KxSnapToCharStarts(const std::uint8_t* text, long length, short script, std::vector<long*>& offsets);
