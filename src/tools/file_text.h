// Files as the file tools read them: plain text decoded the way opening a
// document decodes it, and the data a preview pane shows of a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"
#include "text/codes/unicode.h"

// The encoding (kKxCode...) opening detects for plain-text bytes: a
// byte-order mark, UTF-8, JIS, EUC-JP, else Shift_JIS; without `unicode`
// only the last three. With `whole` clear the bytes are the start of a
// longer file: a last character cut short by that end is left out, as it
// would otherwise make UTF-8 text look like none.
short KxDetectPlainCode(const std::uint8_t* p, std::size_t n, bool whole = true, bool unicode = true);
// How much of UTF-8 bytes ends on a character: n, less a last lead byte and
// the continuation bytes after it when they are fewer than it leads.
std::size_t KxUTF8CompleteLength(const std::uint8_t* p, std::size_t n);

// Whether a file read piece by piece is UTF-8 as detection takes it: valid
// throughout (a character may cross from one piece to the next) and with
// at least one character beyond ASCII.
class CKXUTF8Scan {
 public:
  // The next piece; false once the bytes so far are no UTF-8 (the rest
  // need not be read).
  bool Add(const std::uint8_t* p, std::size_t n);
  // After the last piece.
  bool IsUTF8() const { return !mFailed && mCarry.empty() && mMulti; }

 private:
  std::string mCarry;   // a character begun at the end of the last piece
  bool mFailed = false;
  bool mMulti = false;
};

// Plain-text bytes as the text's Shift_JIS with line ends made CR: the
// encoding detected as opening detects it (KxDetectPlainCode). Characters
// outside Shift_JIS become the placeholder, with their Unicode value in
// `sides` when it is given. False when memory or the conversion failed.
bool KxDecodePlainText(const std::uint8_t* p, std::size_t n, std::string& sjis,
                       std::vector<SKXUniChar>* sides = nullptr, short* code = nullptr);
// The same in a known encoding (kKxCode...), for the later pieces of a file.
// With `fileStart` the bytes begin the file: a byte-order mark there is
// dropped, as opening drops it; a later piece keeps every character (UTF-16
// without a mark then reads big-endian).
bool KxDecodePlainTextAs(short code, const std::uint8_t* p, std::size_t n, std::string& sjis, bool fileStart = true);
// A name of the file system (any bytes, UTF-8 or not) as the file tools
// show it: in the program's encoding, composed, with the geta mark (0x81AC)
// for each character the encoding has no code for and for each sequence of
// bytes that is no UTF-8, so that no name shows empty or cut short.
std::string KxNameToScriptText(const std::string& name);
// The name (UTF-8) that a file called `name` takes when the text it shows
// as (KxNameToScriptText) is edited into `edited`: what the edit left in
// place keeps its own bytes, so that a character the shown text could not
// hold exactly (a geta mark, a composed form) is never rewritten. False
// when the edit puts a geta mark where one such character was replaced:
// it could stand for that character or for itself.
bool KxEditedName(const std::string& name, const std::string& edited, std::string& out);

// The longest start of Shift_JIS text of at most `max` bytes that ends on
// a character boundary.
std::size_t KxSJISCut(const std::string& sjis, std::size_t max);
// The first character boundary of Shift_JIS text at or after `at` (at most
// the text's size), walking from `from`, itself a boundary. Linear in
// at - from.
std::size_t KxSJISBoundary(const std::string& sjis, std::size_t from, std::size_t at);

// The most text bytes a preview holds (after decoding).
constexpr std::size_t kKxPreviewTextMax = 32767;
// The bytes before a picture file's picture record.
constexpr std::size_t kKxPictFileHeaderBytes = 512;

// What the preview pane shows of a file listed as `type`: text cut to
// kKxPreviewTextMax bytes, RTF as its whole plain text, JPEG decoded into
// a picture, a picture file's record when its header and frame are there.
// `outType` is 0 and `data` empty when there is nothing to show.
void KxLoadPreview(const std::string& path, const std::string& name, OSType type, OSType& outType,
                   std::vector<std::uint8_t>& data);
