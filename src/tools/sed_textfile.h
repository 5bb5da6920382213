// Texts of the stream editor and their files: a text in memory with its
// marks, read from and written to files the way the text document opens
// and saves them (the container, the classic layout with its sidecar, RTF,
// plain text with its encoding, byte-order mark and line ends).
#pragma once

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/doc_file.h"
#include "document/doc_prefs.h"
#include "document/file_tube.h"
#include "engine/flavor_exchange.h"
#include "text/store/text.h"

// A mark: lengths 32-bit; rank 0 when the text has no rank data.
struct SKXSedMark {
  std::int32_t start = 0;
  std::int32_t length = 0;
  std::int16_t rank = 0;
  std::string name;
};

struct SKXSedText {
  std::unique_ptr<CKXText> text = std::make_unique<CKXText>();
  std::vector<SKXSedMark> marks;
  bool ranks = false;  // the marks carry outline ranks
};

// How a file was read, so that it is written back the same way.
struct SKXSedFormat {
  bool document = false;  // read as a document (container, styled classic); else plain text
  bool rtf = false;       // read from RTF, written back as RTF
  EKXLayout layout = EKXLayout::kClassic;
  OSType type = FourCC("TEXT");
  OSType creator = FourCC("KXTE");
  short encoding = 0;  // kKxCode...
  // How a Unicode file spelt itself (byte order, byte-order mark), when it
  // was read as one.
  bool hasUnicodeForm = false;
  CKXFlavorExchange::SUnicodeForm unicodeForm{};
  short lineEnd = 0;  // CKXTextLayer::kLineEnd...
  SKXDocSettings settings;
  // An RTF file's page (paper, margins, columns, header and footer).
  bool hasPage = false;
  SKXDocPage page;
};

// 0, or an errno value with `message`. A file that cannot be read whole
// fails; nothing is kept of it then. `encoding` forces the encoding of
// plain text (kKxCodeAuto or negative: detected).
int KxSedReadFile(const std::string& path, short encoding, SKXSedText& text, SKXSedFormat& format,
                  std::string& message);
// Whether two texts are the same: bytes, style and decoration runs (as
// the characters see them), paragraph styles, side characters, rubies and
// marks. A run that gives back the text it read leaves its file alone.
bool KxSedSameText(const SKXSedText& a, const SKXSedText& b);
// What KxSedWriteFile answers for a plain text that holds characters its
// encoding cannot write.
constexpr int kKxSedUnwritable = EILSEQ;
// Writes `text` in `format`; with `withInfo` the format's records (an RTF
// file's page) go along (the marks are the text's). Nothing is replaced on
// failure. With a batch the file is replaced when the batch commits. A
// plain text is never written with characters lost to its encoding: it
// fails with kKxSedUnwritable, their count in `unwritable` when given.
int KxSedWriteFile(const std::string& path, const SKXSedText& text, const SKXSedFormat& format, bool withInfo,
                   std::string& message, CKXSafeBatch* batch = nullptr, long* unwritable = nullptr);
