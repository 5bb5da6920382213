// Printing: a printout is a number of panels (pages), each drawn through the
// ordinary port calls onto one page of a PDF file.
#pragma once

#include <cstdint>
#include <string>

#include "platform/longrect.h"

// The printer's record at 72 dots per inch: the page is the printable area
// with its top-left at (0, 0); the paper is the whole sheet in the same
// coordinates, so its top-left is negative. Until a print dialog chooses a
// printer this answers an A4 sheet (595 x 842) with a quarter inch (18)
// unprintable all round, at 72 x 72 dpi. True when a record was answered.
bool KxGetPrinterInfo(PointL& resolution, RectL& paper, RectL& page);

class KxPrintout {
 public:
  virtual ~KxPrintout() = default;
  // How many panels there are; each becomes one page.
  virtual std::int32_t CountPanels() = 0;
  // Draws panel n (1-based) into the current port, whose local coordinates
  // are those of the page rectangle and whose clip is the page rectangle.
  virtual void DrawPanel(std::int32_t n) = 0;
};

// Prints every panel into a PDF file written through the safe writer (the
// old file stays when anything fails). Results are errno values: EINVAL for
// a printout without panels, EIO when the PDF cannot be made; what DrawPanel
// throws is passed on, with nothing written.
int KxPrintToPDF(KxPrintout& printout, const std::string& path);
