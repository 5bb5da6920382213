// A whole document file read into a text with its runs, pictures and
// settings, and written back, through the file tube: the text, then its
// run flavors and pictures, then the settings records.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "document/doc_prefs.h"
#include "document/file_tube.h"
#include "platform/types.h"
#include "text/store/text.h"

// A document's page as printed (upright writing), in points: the paper,
// the text area's distances from its edges, the columns, and a header and
// footer (an empty text: none). The page of an RTF file.
struct SKXDocPage {
  std::int32_t paperHeight = 0;
  std::int32_t paperWidth = 0;
  Rect margins{};  // top, left, bottom, right
  std::int16_t columns = 1;
  std::int16_t gap = 0;
  SKXBandSettings header, footer;
  std::string headerText, footerText;  // script bytes, CR between lines, at most 255 bytes
};

struct SKXDocument {
  // The type it is written as. A document read through a converter (RTF,
  // a picture) is a styled text of ours: "TEXT"; `fileType` keeps what
  // the file was.
  OSType type = FourCC("TEXT");
  OSType fileType = FourCC("TEXT");
  OSType creator = 0;
  EKXLayout layout = EKXLayout::kClassic;  // the layout it was read in
  // Plain text: the classic layout writes the text alone, and no sidecar.
  bool plain = false;
  std::unique_ptr<CKXText> text = std::make_unique<CKXText>();
  SKXDocSettings settings;
  std::string notice;  // why part of the file was not used
  // A sidecar was there but not used (the notice says why): the text is
  // all there is.
  bool stale = false;
  // How a styled text beside its sidecar is spelt (Shift_JIS with CR
  // unless the sidecar says otherwise): read so, and written so again.
  SKXTextSpelling spelling;
  // An RTF file's page, checked against its paper (`settings` are a new
  // document's); none for other files.
  bool hasPage = false;
  SKXDocPage page;
  // An RTF file ended inside a group: `text` is what was read of it (the
  // notice says so).
  bool cut = false;
};

// 0, or an errno value with `message` saying what failed. Whatever the
// file holds, the runs, pictures, marks and selection that reach the text
// are checked against it.
// With `plainText` false a plain text is not read into `doc.text` (which
// stays empty): for callers that read it in an encoding of their own.
int KxReadDocument(const std::string& path, SKXDocument& doc, std::string& message, bool plainText = true);
// Writes the document in the given layout; nothing is replaced on failure.
// With a batch the files join it (see CKXTextFileTube::Commit).
int KxWriteDocument(const std::string& path, const SKXDocument& doc, EKXLayout layout, std::string& message,
                    int backupGenerations = 0, CKXSafeBatch* batch = nullptr);
// A file type whose data file is no text (RTF, pictures, anything not
// "TEXT", "ttro", "sEXT" or ".KXT"): such a file opens as an untitled copy.
bool KxIsForeignDocument(OSType type);
// `text` as RTF through the installed converter, with the page's paper,
// margins, columns, header and footer when one is given; an errno value
// with `message` when there is no converter or it fails.
int KxExportRTF(const CKXText& text, const SKXDocPage* page, std::vector<std::uint8_t>& out, std::string& message);
// The page that settings describe, as printed: a page stored in vertical
// writing's frame is turned back.
SKXDocPage KxDocPageOf(const SKXDocSettings& settings);
// The page put into settings as a document window takes it: the paper,
// text area, columns and any header or footer with text (its distance held
// to the room the page leaves), the hard margins kept on the new paper, in
// the frame of the settings' writing. KxDocPageOf gives it back.
void KxSetDocPage(SKXDocSettings& settings, const SKXDocPage& page);
// Whether `text` holds what the RTF writer has no words for: ruby,
// pictures, decorations other than its underlines (solid, double,
// dotted), strike-throughs (single, double) and raised, lowered, super-
// and subscript positions, or paragraph character spacing.
bool KxRTFLosesFromText(const CKXText& text);
// Whether the page's paper, margins or column gap lie beyond what RTF can
// hold (1638 pt), so that the RTF written would have them clamped.
bool KxRTFLosesPage(const SKXDocPage& page);
// Whether the file would be read as plain text (no container, no usable
// sidecar, a text file type): what the Aozora choice converts.
bool KxReadsAsPlainText(const std::string& path);
// The script whose character boundaries the document's offsets respect.
short KxDocumentScript(const SKXDocument& doc);
