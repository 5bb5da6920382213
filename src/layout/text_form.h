// Page forms: the named presets of a whole page setup (paper, margins,
// columns, writing direction, a fixed line and character grid, guides), the
// table of standard paper sizes, and the process-wide list of forms the
// form menu offers (UKXTextForm) with its eight built-in forms.
//
// Forms cross into documents and the preference file as 64-byte records
// (96 with the name); they are read and written field by field in an
// explicit byte order and validated on the way in.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/longrect.h"
#include "platform/types.h"

// A page form. Equality is field by field (the record is compared whole).
struct SKXFormStyl {
  std::int16_t formID = 0;       // 0: no form (plain page setup)
  std::int16_t paperKind = 0;    // index into the paper table; kKxPaperOther = other size
  std::int16_t paperHeight = 0;  // kKxFormPaperLong: use paperHeightL
  std::int16_t paperWidth = 0;   // kKxFormPaperLong: use paperWidthL
  std::int16_t marginTop = 0, marginLeft = 0, marginBottom = 0, marginRight = 0;
  std::int16_t centerGap = 0;  // only honoured with the fixed line pitch
  std::int16_t columns = 0;
  std::int16_t columnGap = 0;
  std::int16_t firstIndent = 0, leftIndent = 0, rightIndent = 0;  // default paragraph indents
  std::uint8_t vertical = 0, paperView = 0, fixedLine = 0, fixedChar = 0, fixedFont = 0, guideView = 0;
  std::int16_t linePitch = 0, charPitch = 0;
  std::int16_t font = 0, size = 0;  // replace every run's font and size with fixedFont
  std::int16_t guideStyle = 0;      // 0 none, 1-10
  RGBColor guideColor{0, 0, 0};
  std::uint8_t guideFlag1 = 0, guideFlag2 = 0;
  std::uint8_t reserved1 = 0, reserved2 = 0;  // travel with the view settings
  std::uint8_t docPaper = 0;  // paper, margins, gap, columns and indents come from the document
  std::uint8_t docView = 0;   // view and grid settings come from the document
  std::int32_t paperHeightL = 0, paperWidthL = 0;
};
// The record has no padding, so the whole-record comparison is byte by byte.
static_assert(sizeof(SKXFormStyl) == 64 && offsetof(SKXFormStyl, vertical) == 28 &&
              offsetof(SKXFormStyl, linePitch) == 34 && offsetof(SKXFormStyl, guideColor) == 44 &&
              offsetof(SKXFormStyl, guideFlag1) == 50 && offsetof(SKXFormStyl, paperHeightL) == 56);
bool operator==(const SKXFormStyl& a, const SKXFormStyl& b);

// Stored sizes.
constexpr long kKxFormStylSize = 64;
constexpr long kKxTextFormSize = 96;
// A name is a length byte and at most 31 bytes in 32.
constexpr int kKxFormNameField = 32;
constexpr int kKxFormNameMax = kKxFormNameField - 1;
// Built-in names are at most 19 bytes (20 with the length byte).
constexpr int kKxFormDefaultNameMax = 19;

// A form with its name (length-prefixed, rest zero).
struct SKXTextForm {
  SKXFormStyl form;
  unsigned char name[kKxFormNameField] = {};
};

// A stored name's text (script bytes), its length byte held to the field.
inline std::string KxFormNameText(const unsigned char* name32) {
  return std::string(reinterpret_cast<const char*>(name32 + 1),
                     std::min<std::size_t>(name32[0], std::size_t(kKxFormNameMax)));
}

// Paper side value that sends the reader to the 32-bit field.
constexpr std::int16_t kKxFormPaperLong = 32767;
// Papers are 1..kKxPaperMax points on each side.
constexpr long kKxPaperMax = 32766;
// Paper kinds 0-11 are standard sizes; kKxPaperOther is a custom size.
constexpr short kKxPaperKinds = 13;
constexpr short kKxPaperOther = 12;
// A size within this many points of a table entry is that kind of paper.
constexpr long kKxPaperTolerance = 5;
// At most five columns.
constexpr short kKxMaxColumns = 5;
// The form menu numbers user forms 1932 + n up to 1999: 67 at most.
constexpr long kKxMaxUserForms = 67;
// Eight built-in forms; the list is seeded with built-ins 2-7.
constexpr short kKxBuiltinForms = 8;
constexpr short kKxSeededForms = 6;
// String list of the built-in names (items 3-10 name forms 1-8).
constexpr short kKxFormNameList = 208;
constexpr short kKxFormNameFirstItem = 3;

enum class KxByteOrder { kBig, kLittle };

// One paper table entry (height, width) in points.
struct SKXPaperSize {
  std::int16_t height;
  std::int16_t width;
};
extern const SKXPaperSize gKXFormPaperSize[kKxPaperKinds];

// The entry of `kind` (kind outside 0-12 gives entry 0), as v = height, h = width.
PointL KxFormPaperSize(short kind);
// The first of kinds 0-11 whose sides are both within 5 points of `size`
// (compared as 32-bit values); kKxPaperOther when none is.
short KxFormPaperType(const PointL& size);
// The form's paper as v = height, h = width (the long fields when either
// short says so).
PointL KxFormEffectivePaper(const SKXFormStyl& f);

// Brings a form from outside into range: paper 1..32766 on each side (the
// short and long fields agreeing), margins inside the paper, columns 1-5,
// gaps, pitches and the centre gap not negative, flags 0 or 1, kinds and
// styles in their tables. Answers whether the form was valid already.
bool KxValidateFormStyl(SKXFormStyl& f);
// Clamps a margin pair so that both are >= 0 and leave at least one point
// of `extent`; the second gives way first.
void KxClampMarginPair(long extent, long& first, long& second);

// Record layouts. `p` holds at least the stored size. Reading validates.
void KxReadFormStyl(const std::uint8_t* p, SKXFormStyl& f, KxByteOrder order);
void KxWriteFormStyl(const SKXFormStyl& f, std::uint8_t* p, KxByteOrder order);
// A name length byte above 31 is cut to 31 (the bytes past it are ignored).
void KxReadTextForm(const std::uint8_t* p, SKXTextForm& f, KxByteOrder order);
void KxWriteTextForm(const SKXTextForm& f, std::uint8_t* p, KxByteOrder order);

class TKXFormArray;

// The process-wide list of forms offered in the form menu.
//
// Menu items are numbered from 1: items 1 and 2 are always built-ins 0 and
// 1; items 3 and up are the list's entries 1 and up, or without a list
// built-ins 2 to 7. The list (when it exists) holds at most 67 entries.
class UKXTextForm {
 public:
  static void Initialize();
  static void Terminate();
  // Names built-in n - 1 (n = 1..8), cut to 19 bytes.
  static void SetFormDefaultName(short n, const unsigned char* pstr);
  // Names the built-ins from string list 208, items 3-10.
  static void LoadDefaultNames();
  static const SKXFormStyl& GetDefaultForm(short index);
  // The form of menu item 1 (built-in 0): the plain setup of the document
  // the form dialog edits, or the application's own. Validated; ID 0.
  static void SetDefaultForm(const SKXFormStyl& f);
  // Creates the list if missing and seeds it with built-ins 2-7.
  static void MakeDefaultFormArray();
  // Replaces the list by the records of a preference blob (96 bytes each,
  // big-endian, no header; a partial record at the end is dropped, records
  // past the 67th are ignored, each record is validated).
  static void SetFormData(const char* blob, long size);
  // Writes min(size / 96, count) records; answers the bytes written.
  static long GetFormData(char* buffer, long size);
  static long GetFormSize();
  // Number of menu items: 8 without a list or with an empty one, else count + 2.
  static short GetFormCount();
  static short FindFormItem(short id);
  static bool GetFormStyl(short item, SKXFormStyl& f);
  // `name32` receives a length-prefixed name in 32 zeroed bytes.
  static bool GetFormName(short item, unsigned char* name32);
  // Stores a form into the list entry of menu item `item` (3 and up);
  // false when there is no such entry.
  static bool SetFormStyl(short item, const SKXFormStyl& f);
  // Appends a user form; false (and nothing added) when the list is full.
  static bool AddForm(const SKXFormStyl& f, const unsigned char* pstr);
  // Removes list entry `index` (1-based).
  static bool DeleteForm(long index);
  static long GetListCount();
  static bool HasList();
  // Drops the list when it is empty or holds exactly built-ins 2-7.
  static void CheckDeleteFormArray();

 private:
  static TKXFormArray* sFormArray;
  static SKXFormStyl sDefaultForm[kKxBuiltinForms];
  static unsigned char sDefaultName[kKxBuiltinForms][kKxFormDefaultNameMax + 1];
};
