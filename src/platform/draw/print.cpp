#include "platform/draw/print.h"

#include <cairo-pdf.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/draw/port.h"
#include "platform/files.h"

namespace {

// A4 in points, and the unprintable margin of the answered printer.
constexpr std::int32_t kA4Width = 595;
constexpr std::int32_t kA4Height = 842;
constexpr std::int32_t kMargin = 18;
constexpr std::int16_t kDpi = 72;

// The PDF gathers in memory; the safe writer puts it in place at the end.
cairo_status_t Collect(void* closure, const unsigned char* data, unsigned int length) {
  auto* bytes = static_cast<std::vector<unsigned char>*>(closure);
  try {
    bytes->insert(bytes->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    return CAIRO_STATUS_NO_MEMORY;
  }
  return CAIRO_STATUS_SUCCESS;
}

struct Surface {
  cairo_surface_t* s;
  ~Surface() { cairo_surface_destroy(s); }
};

// One margin pair of a side: each at least 0, together leaving a point.
void ClampPair(std::int32_t side, std::int32_t& a, std::int32_t& b) {
  a = std::clamp(a, 0, side - 1);
  b = std::clamp(b, 0, side - 1 - a);
}

}  // namespace

bool KxGetPrinterInfo(PointL& resolution, RectL& paper, RectL& page) {
  resolution = {kDpi, kDpi};
  paper = {-kMargin, -kMargin, kA4Height - kMargin, kA4Width - kMargin};
  page = {0, 0, kA4Height - 2 * kMargin, kA4Width - 2 * kMargin};
  return true;
}

RectL KxPageSetup::Page() const {
  return RectL{0, 0, Height() - hardTop - hardBottom, Width() - hardLeft - hardRight};
}

RectL KxPageSetup::Paper() const { return RectL{-hardTop, -hardLeft, Height() - hardTop, Width() - hardLeft}; }

bool KxValidatePageSetup(KxPageSetup& s) {
  const KxPageSetup before = s;
  s.paperWidth = std::clamp(s.paperWidth, 1, kKxPrintPaperMax);
  s.paperHeight = std::clamp(s.paperHeight, 1, kKxPrintPaperMax);
  ClampPair(s.Height(), s.hardTop, s.hardBottom);
  ClampPair(s.Width(), s.hardLeft, s.hardRight);
  return s == before;
}

KxPageSetup KxPrinterPageSetup() {
  PointL resolution;
  RectL paper, page;
  KxPageSetup s;
  if (!KxGetPrinterInfo(resolution, paper, page)) return s;
  s.paperWidth = paper.right - paper.left;
  s.paperHeight = paper.bottom - paper.top;
  s.hardTop = -paper.top, s.hardLeft = -paper.left;
  s.hardBottom = paper.bottom - page.bottom, s.hardRight = paper.right - page.right;
  KxValidatePageSetup(s);
  return s;
}

void KxDrawPrintPanel(KxPrintout& printout, std::int32_t n, cairo_surface_t* surface, const KxPageSetup& setup) {
  const RectL paper = setup.Paper();
  StKxPortSaver saver;
  KxPort port(surface, setup.Width(), setup.Height());
  struct Unset {
    ~Unset() { SetPort(nullptr); }
  } unset;
  SetPort(&port);
  SetOrigin(paper.left, paper.top);
  KxClipRectL(setup.Page());
  printout.DrawPanel(n);
}

int KxPrintToPDF(KxPrintout& printout, const std::string& path) {
  return KxPrintToPDF(printout, path, KxPrinterPageSetup(), KxPrintRange{});
}

int KxPrintToPDF(KxPrintout& printout, const std::string& path, const KxPageSetup& sheet, const KxPrintRange& range,
                 std::int32_t* printed) {
  if (printed) *printed = 0;
  KxPageSetup setup = sheet;
  KxValidatePageSetup(setup);
  const std::int32_t count = printout.CountPanels();
  if (count < 1) return EINVAL;
  const std::int32_t first = std::max(1, range.first), last = std::min(count, range.last);
  if (first > last) return ERANGE;
  const std::int32_t copies = std::clamp(range.copies, 1, 999);
  std::vector<unsigned char> bytes;
  {
    Surface pdf{cairo_pdf_surface_create_for_stream(Collect, &bytes, setup.Width(), setup.Height())};
    if (cairo_surface_status(pdf.s) != CAIRO_STATUS_SUCCESS) return EIO;
    for (std::int32_t copy = 0; copy < copies; ++copy)
      for (std::int32_t n = first; n <= last; ++n) {
        KxDrawPrintPanel(printout, n, pdf.s, setup);
        cairo_surface_show_page(pdf.s);
      }
    cairo_surface_finish(pdf.s);
    if (cairo_surface_status(pdf.s) != CAIRO_STATUS_SUCCESS) return EIO;
  }
  if (const int err = KxWriteFileSafely(path, bytes.data(), bytes.size())) return err;
  if (printed) *printed = (last - first + 1) * copies;
  return 0;
}
