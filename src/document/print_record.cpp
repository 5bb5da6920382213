#include "document/print_record.h"

#include "document/doc_records.h"
#include "platform/bytefields.h"

namespace {

constexpr std::int32_t kDpi = 72;

std::int32_t Get16(const std::vector<std::uint8_t>& r, long at) {
  return std::int16_t(KxGetU16BE(r.data() + at));
}

void Put16(std::vector<std::uint8_t>& r, long at, std::int32_t v) {
  KxPutU16BE(r.data() + at, std::uint16_t(std::int16_t(v)));
}

// A coordinate at `res` dots per inch in points.
std::int32_t ToPoints(std::int32_t v, std::int32_t res) { return std::int32_t(std::int64_t(v) * kDpi / res); }

}  // namespace

bool KxPageSetupFromMTPR(const std::vector<std::uint8_t>& r, KxPageSetup& setup) {
  if (r.size() != std::size_t(kKxMTPRSize)) return false;
  const std::int32_t vres = Get16(r, kKxMTPRVRes), hres = Get16(r, kKxMTPRHRes);
  if (vres <= 0 || hres <= 0) return false;
  const std::int32_t pageTop = ToPoints(Get16(r, kKxMTPRPage), vres), pageLeft = ToPoints(Get16(r, kKxMTPRPage + 2), hres);
  const std::int32_t pageBottom = ToPoints(Get16(r, kKxMTPRPage + 4), vres);
  const std::int32_t pageRight = ToPoints(Get16(r, kKxMTPRPage + 6), hres);
  const std::int32_t paperTop = ToPoints(Get16(r, kKxMTPRPaper), vres);
  const std::int32_t paperLeft = ToPoints(Get16(r, kKxMTPRPaper + 2), hres);
  const std::int32_t paperBottom = ToPoints(Get16(r, kKxMTPRPaper + 4), vres);
  const std::int32_t paperRight = ToPoints(Get16(r, kKxMTPRPaper + 6), hres);
  // The page must lie on the paper and both must have an area.
  if (paperBottom <= paperTop || paperRight <= paperLeft || pageBottom <= pageTop || pageRight <= pageLeft) return false;
  if (pageTop < paperTop || pageLeft < paperLeft || pageBottom > paperBottom || pageRight > paperRight) return false;
  KxPageSetup s;
  const std::int32_t w = paperRight - paperLeft, h = paperBottom - paperTop;
  s.landscape = w > h;
  s.paperWidth = s.landscape ? h : w;
  s.paperHeight = s.landscape ? w : h;
  s.hardTop = pageTop - paperTop, s.hardLeft = pageLeft - paperLeft;
  s.hardBottom = paperBottom - pageBottom, s.hardRight = paperRight - pageRight;
  if (!KxValidatePageSetup(s)) return false;
  setup = s;
  return true;
}

void KxWriteMTPRSetup(std::vector<std::uint8_t>& r, const KxPageSetup& setup) {
  if (r.size() != std::size_t(kKxMTPRSize)) return;
  const RectL page = setup.Page(), paper = setup.Paper();
  Put16(r, kKxMTPRVRes, kDpi);
  Put16(r, kKxMTPRHRes, kDpi);
  const std::int32_t fields[8] = {page.top,  page.left,  page.bottom,  page.right,
                                  paper.top, paper.left, paper.bottom, paper.right};
  for (int i = 0; i < 8; ++i) Put16(r, (i < 4 ? kKxMTPRPage : kKxMTPRPaper - 8) + 2 * i, fields[i]);
}
