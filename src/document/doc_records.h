// The per-document settings records that a document file keeps beside its
// text: window and selection ("MPSR"), view, page, header and footer
// ("KXSR"), marks ("MARK"), mark-list state and outline levels ("RANK"),
// line-number restarts ("LINE"), the print record ("MTPR") and the page
// forms ("FORM").
//
// Every record is read and written field by field in an explicit byte
// order. The file tube hands records over in the machine's own order: it
// converts the big-endian records of a resource fork and the records of a
// container written on a machine of the other order (KxInvertRecord).
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "layout/text_form.h"
#include "platform/types.h"

constexpr KxByteOrder kKxNativeOrder = std::endian::native == std::endian::big ? KxByteOrder::kBig : KxByteOrder::kLittle;

constexpr OSType kKxRecMPSR = FourCC("MPSR");
constexpr OSType kKxRecKXSR = FourCC("KXSR");
constexpr OSType kKxRecMARK = FourCC("MARK");
constexpr OSType kKxRecRANK = FourCC("RANK");
constexpr OSType kKxRecLINE = FourCC("LINE");
constexpr OSType kKxRecMTPR = FourCC("MTPR");
constexpr OSType kKxRecFORM = FourCC("FORM");
constexpr OSType kKxRecUCST = FourCC("UCST");

constexpr long kKxMPSRSize = 72;
constexpr long kKxKXSRMinSize = 40;
constexpr long kKxKXSRMaxSize = 592;
constexpr long kKxRankHeadSize = 36;
constexpr long kKxMTPRSize = 120;
constexpr long kKxFormRecSize = 64;
constexpr long kKxFORMSize = 128;

// "MPSR": window, font and selection (72 bytes).
struct SKXWindowRec {
  std::int16_t fontSize = 0;
  std::string fontName;  // at most 31 bytes are stored
  std::int16_t spaceWidth = 0;
  std::int16_t tabWidth = 0;
  Rect stdState{};
  Rect bounds{};
  std::uint32_t saveTime = 0;
  std::uint32_t selStart = 0;
  std::uint32_t selEnd = 0;
  std::uint32_t topLeft = 0;
  std::uint8_t autoIndent = 0;
  std::uint8_t controlView = 0;
};
void KxWriteMPSR(const SKXWindowRec& rec, KxByteOrder order, std::vector<std::uint8_t>& out);
// False unless the record is exactly 72 bytes.
bool KxReadMPSR(const std::uint8_t* p, long size, KxByteOrder order, SKXWindowRec& rec);

// The 18-byte header or footer settings block of "KXSR".
struct SKXHdFtBlock {
  std::int16_t word0 = 0;
  std::uint16_t textLength = 0;
  std::uint8_t byte4 = 0;
  std::uint8_t byte5 = 0;
  std::int16_t words[5] = {};  // at 6, 8, 10, 12, 14
  std::uint8_t byte16 = 0;
  std::uint8_t byte17 = 0;
};

// "KXSR": the view, page, header and footer settings.
struct SDocPref {
  std::int16_t lineSpace = 0;
  std::int16_t charSpace = 0;
  std::uint8_t mode = 0;
  std::uint8_t justify = 0;
  std::uint8_t wrap = 0;
  std::uint8_t wordWrap = 0;
  std::uint8_t paperView = 0;
  std::uint8_t guideView = 0;
  std::int16_t paperV = 0;  // paper size as a short point
  std::int16_t paperH = 0;
  Rect textArea{};
  Rect printArea{};
  std::int16_t columns = 0;
  std::int16_t gap = 0;
  std::int16_t keyScript = 0;
  std::int16_t keyLanguage = 0;
  std::uint8_t vertical = 0;
  std::uint8_t viewFlags = 0;
  SKXHdFtBlock header;
  std::int16_t firstPage = 0;
  SKXHdFtBlock footer;
  std::int16_t scale = 0;
  std::string headerText;
  std::string footerText;
};
// View flag bits.
constexpr std::uint8_t kKxViewStatusHidden = 16;
constexpr std::uint8_t kKxViewLineNumbersHidden = 32;
constexpr std::uint8_t kKxViewRulerHidden = 64;
constexpr std::uint8_t kKxViewRulerTools = 128;

// 40, 60, 80 or 80 + both texts, as the content asks.
long KxDocPrefSize(const SDocPref& pref);
// Empty string, or why the record cannot be stored (a text longer than 255
// bytes or a record beyond 592 bytes). The texts' lengths are written from
// the texts themselves.
std::string KxWriteKXSR(const SDocPref& pref, KxByteOrder order, std::vector<std::uint8_t>& out);
// False (and `pref` untouched) for a record under 40 bytes. At most 592
// bytes are read; the header fields only when the record is longer than 59
// bytes, the footer fields only beyond 79; each text only as far as the
// record really holds it.
bool KxReadKXSR(const std::uint8_t* p, long size, KxByteOrder order, SDocPref& pref);

// "MARK": one named range of text.
struct SKXMarkRec {
  std::int32_t start = 0;
  std::int32_t end = 0;
  std::string name;  // at most 255 bytes
};
// Empty string, or why the marks cannot be stored (more than the 16-bit
// count holds, a name over 255 bytes).
std::string KxWriteMARK(const std::vector<SKXMarkRec>& marks, KxByteOrder order, std::vector<std::uint8_t>& out);
// The whole marks the record really holds, at most its count.
void KxReadMARK(const std::uint8_t* p, long size, KxByteOrder order, std::vector<SKXMarkRec>& marks);

// "RANK": the mark list's place and state, and one outline level per mark.
struct SKXRankRec {
  std::int32_t rect[4] = {};  // top, left, bottom, right
  std::int32_t point[2] = {};
  std::uint32_t state[2] = {};
  std::uint8_t shown = 0;
  std::uint8_t flag2 = 0;
  std::vector<std::int8_t> levels;  // the count is their number
};
// Empty string, or why it cannot be stored (more levels than an i16 count).
std::string KxWriteRANK(const SKXRankRec& rank, KxByteOrder order, std::vector<std::uint8_t>& out);
// False for a record shorter than 36 + its count, or a negative count.
bool KxReadRANK(const std::uint8_t* p, long size, KxByteOrder order, SKXRankRec& rank);
// The resource-fork form: the six coordinates as 16-bit values and two
// zero bytes each, big-endian. A window place that does not fit 16 bits
// refuses; the scroll position is clamped to them.
std::string KxWriteClassicRANK(const SKXRankRec& rank, std::vector<std::uint8_t>& out);
bool KxReadClassicRANK(const std::uint8_t* p, long size, SKXRankRec& rank);

// "LINE": 32-bit values; bytes after the last whole value are ignored.
void KxWriteLINE(const std::vector<std::int32_t>& values, KxByteOrder order, std::vector<std::uint8_t>& out);
void KxReadLINE(const std::uint8_t* p, long size, KxByteOrder order, std::vector<std::int32_t>& values);

// "FORM": two 64-byte page-form records, kept in memory in the big-endian
// form of the page forms; `order` is the order of the stored record.
void KxConvertFORM(std::uint8_t* p, long size);  // one conversion between the orders

// Converts one stored flavor between the two byte orders in place, field
// by field, touching no byte past `size`. `type` is the flavor (after
// FileFlavorType). `countIsSwapped` says that the record's counts are
// currently in the other order than the machine's (reading a foreign
// record); when false they are read before the conversion (writing).
// Answers false for a type that has no conversion.
bool KxInvertRecord(OSType type, std::uint8_t* p, long size, bool countIsSwapped);
