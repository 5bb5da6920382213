// Files as the file tools read them: plain text decoded the way opening a
// document decodes it, and the data a preview pane shows of a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"
#include "text/codes/unicode.h"

// Plain-text bytes as the text's Shift_JIS with line ends made CR: the
// encoding detected as opening detects it (byte-order mark, UTF-8, JIS,
// EUC-JP, else Shift_JIS). Characters outside Shift_JIS become the
// placeholder, with their Unicode value in `sides` when it is given.
// False when memory or the conversion failed.
bool KxDecodePlainText(const std::uint8_t* p, std::size_t n, std::string& sjis,
                       std::vector<SKXUniChar>* sides = nullptr, short* code = nullptr);
// The same in a known encoding (kKxCode...), for the later pieces of a file.
bool KxDecodePlainTextAs(short code, const std::uint8_t* p, std::size_t n, std::string& sjis);
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
