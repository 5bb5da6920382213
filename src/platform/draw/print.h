// Printing: a printout is a number of panels (pages), each drawn through the
// ordinary port calls onto one page of a PDF file or of the desktop's print
// job.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/longrect.h"

// The printer's record at 72 dots per inch: the page is the printable area
// with its top-left at (0, 0); the paper is the whole sheet in the same
// coordinates, so its top-left is negative. Until a print dialog chooses a
// printer this answers an A4 sheet (595 x 842) with a quarter inch (18)
// unprintable all round, at 72 x 72 dpi. True when a record was answered.
bool KxGetPrinterInfo(PointL& resolution, RectL& paper, RectL& page);

// A sheet and its unprintable edges, in points (72 dots per inch). The
// paper is named upright (width <= height for the standard sizes);
// `landscape` turns it, so the sheet lies Width() x Height(). The hard
// margins are measured on the sheet as it lies.
struct KxPageSetup {
  std::int32_t paperWidth = 595, paperHeight = 842;
  bool landscape = false;
  std::int32_t hardTop = 18, hardLeft = 18, hardBottom = 18, hardRight = 18;

  std::int32_t Width() const { return landscape ? paperHeight : paperWidth; }
  std::int32_t Height() const { return landscape ? paperWidth : paperHeight; }
  // The printable area with its top-left at (0, 0), and the whole sheet in
  // the same coordinates.
  RectL Page() const;
  RectL Paper() const;
  friend bool operator==(const KxPageSetup&, const KxPageSetup&) = default;
};
// Sides larger than any paper (points).
constexpr std::int32_t kKxPrintPaperMax = 32766;
// Brings a set-up from outside into range: sides 1 to kKxPrintPaperMax,
// margins at least 0 and leaving at least one point printable each way.
// Answers whether it was valid already.
bool KxValidatePageSetup(KxPageSetup& setup);
// The printer's paper of KxGetPrinterInfo as a set-up.
KxPageSetup KxPrinterPageSetup();

// Which panels a job prints and how often (collated copies).
struct KxPrintRange {
  std::int32_t first = 1, last = INT32_MAX;
  std::int32_t copies = 1;
};

// What a document keeps of the print system between its dialogs: the page
// set-up and the print dialog's own settings (printer, range, copies, ...)
// as name and value pairs that only the host reads.
struct KxPrintRecord {
  KxPageSetup setup;
  std::vector<std::pair<std::string, std::string>> settings;
};

class KxPrintout {
 public:
  virtual ~KxPrintout() = default;
  // How many panels there are; each becomes one page.
  virtual std::int32_t CountPanels() = 0;
  // Draws panel n (1-based) into the current port, whose local coordinates
  // are those of the page rectangle and whose clip is the page rectangle.
  virtual void DrawPanel(std::int32_t n) = 0;
};

// Draws panel n onto a vector surface whose (0, 0) is the sheet's top-left
// corner, in points: the port's local (0, 0) lies at the printable area's
// corner, and drawing is clipped to it. Used by the PDF writer and by the
// hosts' print jobs alike.
void KxDrawPrintPanel(KxPrintout& printout, std::int32_t n, cairo_surface_t* surface, const KxPageSetup& setup);

// Prints every panel into a PDF file written through the safe writer (the
// old file stays when anything fails). Results are errno values: EINVAL for
// a printout without panels, EIO when the PDF cannot be made; what DrawPanel
// throws is passed on, with nothing written.
int KxPrintToPDF(KxPrintout& printout, const std::string& path);
// The same on the given sheet for the panels of `range` (clamped to the
// panel count); ERANGE, with nothing written, when the range holds no
// panel. `printed` answers the number of pages written.
int KxPrintToPDF(KxPrintout& printout, const std::string& path, const KxPageSetup& setup, const KxPrintRange& range,
                 std::int32_t* printed = nullptr);
