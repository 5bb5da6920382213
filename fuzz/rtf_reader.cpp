// Reads arbitrary bytes as RTF, routing every token so that the font,
// colour and style tables are built, then walks the tables and the
// look-ups a converter would use.
#include <cstddef>
#include <cstdint>

#include "formats/rtf_reader.h"

namespace {

class FuzzReader : public CRTFBufferReader {
 public:
  using CRTFBufferReader::CRTFBufferReader;
  unsigned sink = 0;
  void TextClass() override { sink += static_cast<unsigned>(rtfMajor); }
  void ControlClass() override {
    sink += static_cast<unsigned>(rtfParam);
    // Peeking and pushing back, as converters do.
    if (rtfMajor == rtfUnicodeAttr && RTFPeekToken() == rtfText) RTFGetToken();
    CRTFReader::ControlClass();
  }
  void Destination() override { RTFSkipGroup(); RTFRouteToken(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzReader r(data, size);
  r.RTFInit();
  r.RTFRead();
  for (RTFFont* f = r.RTFFontList(); f; f = f->rtfNextFont) r.sink += f->rtfFName ? f->rtfFName[0] : 0;
  for (RTFStyle* s = r.RTFStyleList(); s; s = s->rtfNextStyle)
    for (RTFStyleElt* e = s->rtfSSEList; e; e = e->rtfNextSE) r.sink += e->rtfSEText ? e->rtfSEText[0] : 0;
  if (RTFColor* c = r.RTFGetColor(1)) r.sink += static_cast<unsigned>(c->rtfCRed);
  return 0;
}
