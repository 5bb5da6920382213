#include "platform/draw/print.h"

#include <cairo-pdf.h>

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

}  // namespace

bool KxGetPrinterInfo(PointL& resolution, RectL& paper, RectL& page) {
  resolution = {kDpi, kDpi};
  paper = {-kMargin, -kMargin, kA4Height - kMargin, kA4Width - kMargin};
  page = {0, 0, kA4Height - 2 * kMargin, kA4Width - 2 * kMargin};
  return true;
}

int KxPrintToPDF(KxPrintout& printout, const std::string& path) {
  PointL resolution;
  RectL paper, page;
  if (!KxGetPrinterInfo(resolution, paper, page)) return EIO;
  const std::int32_t count = printout.CountPanels();
  if (count < 1) return EINVAL;
  std::vector<unsigned char> bytes;
  const std::int32_t width = paper.right - paper.left, height = paper.bottom - paper.top;
  {
    Surface pdf{cairo_pdf_surface_create_for_stream(Collect, &bytes, width, height)};
    if (cairo_surface_status(pdf.s) != CAIRO_STATUS_SUCCESS) return EIO;
    StKxPortSaver saver;
    for (std::int32_t n = 1; n <= count; ++n) {
      KxPort port(pdf.s, width, height);
      SetPort(&port);
      SetOrigin(paper.left, paper.top);
      KxClipRectL(page);
      printout.DrawPanel(n);
      SetPort(nullptr);
      cairo_surface_show_page(pdf.s);
    }
    cairo_surface_finish(pdf.s);
    if (cairo_surface_status(pdf.s) != CAIRO_STATUS_SUCCESS) return EIO;
  }
  return KxWriteFileSafely(path, bytes.data(), bytes.size());
}
