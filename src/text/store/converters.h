// Converters between styled texts and outside document formats, reached by
// flavor (a four-character code such as "RTF ") or by a file name's ending.
//
// The converters themselves live in a higher area (formats); it installs them
// at start-up. Until one is installed for a flavor, that flavor is neither
// offered nor read: the look-ups answer null.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"
#include "text/runs/runs.h"

class CKXText;

// The page record a converter fills on import and reads on export. Measures
// are points; the text area is given from the paper's top-left corner.
struct RTFKXDoc {
  std::int32_t paperHeight = 0;
  std::int32_t paperWidth = 0;
  std::int32_t textTop = 0, textLeft = 0, textBottom = 0, textRight = 0;
  std::int32_t printTop = 0, printLeft = 0, printBottom = 0, printRight = 0;
  std::int16_t columns = 0;
  std::int16_t columnGap = 0;
  std::int16_t firstPage = 0;
  SParaStyl defaultPara{};
  // Header and footer: distance from the paper edge, the text (length byte
  // first, at most 255 bytes, CR between lines), its style and
  // justification (0 left, 1 centre, 2 right, 3 justified).
  std::int16_t headerDistance = 0;
  unsigned char headerText[256] = {};
  SStyl headerStyl{};
  std::uint8_t headerJustify = 0;
  std::int16_t footerDistance = 0;
  unsigned char footerText[256] = {};
  SStyl footerStyl{};
  std::uint8_t footerJustify = 0;
};

// Result bits of an import.
constexpr short kKxImportRead = 1;      // always set after an import ran
constexpr short kKxImportStyles = 2;    // character attributes were set
constexpr short kKxImportDecos = 4;     // decorations were set
constexpr short kKxImportParas = 8;     // the text has paragraph runs
constexpr short kKxImportCut = 16;      // the data ended early (open groups)

class KxTextConverter {
 public:
  virtual ~KxTextConverter() = default;
  // Appends the data's text to the end of `text` and fills `doc` when given.
  // False when the import failed (what was appended so far stays).
  virtual bool Import(const void* data, long length, CKXText& text, short* flags, RTFKXDoc* doc) = 0;
  // Writes [start, end) of `text` (end below 1: to the text's end) into
  // `out`. paraFlag non-zero leaves paragraph attributes out. On failure
  // `out` is empty and the answer false.
  virtual bool Export(const CKXText& text, long start, long end, short paraFlag, const RTFKXDoc* doc,
                      std::string& out) = 0;
};

// Installs (or with null removes) the converter of a flavor; `extension` is
// the file-name ending it reads (".rtf"), case ignored. The converter must
// outlive its registration.
void KxRegisterConverter(OSType flavor, const char* extension, KxTextConverter* converter);
// The converter of a flavor, or null.
KxTextConverter* KxConverterForFlavor(OSType flavor);
// The converter for a file name by its ending, or null; `flavor` (optional)
// receives its flavor.
KxTextConverter* KxConverterForFileName(const std::string& name, OSType* flavor = nullptr);
// The flavors with a converter, in order of registration.
std::vector<OSType> KxConverterFlavors();
