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
// `text` as RTF through the installed converter; an errno value with
// `message` when there is none or it fails.
int KxExportRTF(const CKXText& text, std::vector<std::uint8_t>& out, std::string& message);
// The script whose character boundaries the document's offsets respect.
short KxDocumentScript(const SKXDocument& doc);
