// The extras of the open and save dialogs: in the open dialog a format
// filter (one of which reads the file as Aozora notation) and an encoding
// forced for the files chosen; in the save dialog the document's output
// encoding and line ends. A preference decides whether they are shown.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/nav_dialogs.h"

// The open dialog's format filters, in their order.
enum KxOpenFilterChoice : int {
  kKxFilterReadable = 0,    // text, read-only, stationery and RTF files, and text names
  kKxFilterTextNames = 1,   // files with text names
  kKxFilterOwnDocuments = 2,
  kKxFilterReadOnly = 3,
  kKxFilterAozora = 4,      // ".txt" names, read as Aozora notation
  kKxFilterTextNames2 = 5,  // as 1
  kKxFilterAll = 6,
  kKxOpenFilterCount = 7,
};

// Output encodings of a text document (CKXJCode numbers) and line ends.
enum KxLineEnd : short { kKxLineEndCR = 0, kKxLineEndCRLF = 1, kKxLineEndLF = 2 };

// Whether a file name looks like a text file's, by its last four
// characters; with `onlyTxt` only ".txt" counts. Names of 3 bytes or less
// never do.
bool IsTextFileName(std::string_view name, bool onlyTxt);
bool IsTextFileName(ConstStringPtr name, bool onlyTxt);

// Whether the open dialog shows a file under a filter choice; the type and
// creator are the file's (sidecar, else name ending).
bool KxOpenFilterShows(int choice, const std::string& name, OSType type, OSType creator);

// Open: the format filters and, when the preference shows the extras, the
// encoding popup; accepting forces the chosen encoding (Aozora with its
// filter) on the files chosen, through CKXJCode::sCodeType.
class KxOpenNavExtras : public KxNavExtras {
 public:
  // Without Unicode services the encoding popup has no UTF-16 and UTF-8.
  explicit KxOpenNavExtras(bool unicode = true, bool encoding = true) : mUnicode(unicode), mEncoding(encoding) {}
  void Start(KxDialogRequest& request) override;
  void Accept(const KxDialogReply& reply) override;
  void Terminate(const KxDialogReply& reply) override;

 private:
  bool mUnicode;
  bool mEncoding;
};

// The output settings of the document being saved.
struct KxSaveTextSettings {
  short encoding = 0;   // 0 Shift_JIS, 1 JIS, 2 EUC-JP, 3 UTF-16, 4 UTF-8
  short lineEnd = kKxLineEndCR;
  bool chosen = false;  // set when the user accepted them under a text format
};

// Save: the encoding and line-end popups (when the preference shows the
// extras, `popups`), each enabled only for the formats that write what it
// chooses (or when there is no format choice): the line ends for every
// plain-text format, the encoding for "TEXT" alone, since the Unicode
// formats name their own; accepting stores what was enabled into the
// document's settings. The dialog starts in `folder` when one is given (the
// document's own).
class KxSaveNavExtras : public KxNavExtras {
 public:
  KxSaveNavExtras(KxSaveTextSettings* document, std::vector<NavMenuItemSpec> formats, std::string folder = {},
                  bool popups = true)
      : mDocument(document), mFormats(std::move(formats)), mFolder(std::move(folder)), mPopups(popups) {}
  void Start(KxDialogRequest& request) override;
  void Accept(const KxDialogReply& reply) override;

 private:
  KxSaveTextSettings* mDocument;   // null: no document
  std::vector<NavMenuItemSpec> mFormats;
  std::string mFolder;
  bool mPopups;
};

// The plain-text format's code among Save As format items; the Unicode
// formats ("utxt", "UTF8") write plain text too.
constexpr OSType kKxPlainTextFormat = FourCC("TEXT");
bool KxIsPlainTextFormat(OSType code);

// Whether the extras are shown (the file preference's dialog setting).
void KxSetCustomNavigation(bool on);
bool KxUseCustomNavigation();
// True when the open dialog's format choice was the Aozora filter.
bool KxIsSelectAozoraText();
