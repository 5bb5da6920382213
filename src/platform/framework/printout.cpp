#include "platform/framework/printout.h"

#include <algorithm>

namespace {
std::int32_t Panels(std::int32_t image, std::int32_t frame) {
  if (frame <= 0 || image <= frame) return 1;
  return std::int32_t((std::int64_t(image) + frame - 1) / frame);
}
}  // namespace

LPrintout::LPrintout() { SetPageSetup(KxPrinterPageSetup()); }

void LPrintout::SetPageSetup(const KxPageSetup& setup) {
  mSetup = setup;
  KxValidatePageSetup(mSetup);
  const RectL page = mSetup.Page();
  mFrameLocation = {page.left, page.top};
  mFrameSize = {page.right - page.left, page.bottom - page.top};
  mImageLocation = mFrameLocation;
  mImageSize = mFrameSize;
}

LPrintout::LPrintout(const KxLayoutPaneRecord&) : LPrintout() {}

LView* LPrintout::GetPrintedView() const {
  if (mPrintedView) return mPrintedView;
  for (LPane* sub : GetSubPanes())
    if (auto* view = dynamic_cast<LView*>(sub)) return view;
  return nullptr;
}

void LPrintout::CountPanels(std::int32_t& horiz, std::int32_t& vert) {
  horiz = vert = 1;
  if (LView* view = GetPrintedView()) {
    SDimension32 image, frame;
    view->GetImageSize(image);
    view->GetFrameSize(frame);
    horiz = Panels(image.width, frame.width);
    vert = Panels(image.height, frame.height);
  }
}

std::int32_t LPrintout::CountPanels() {
  CountPanels(mHoriz, mVert);
  mHoriz = std::max(1, mHoriz);
  mVert = std::max(1, mVert);
  const std::int64_t n = std::int64_t(mHoriz) * mVert;
  return std::int32_t(std::min<std::int64_t>(n, INT32_MAX));
}

void LPrintout::PrintPanelSelf(const PanelSpec& panel) {
  LView* view = GetPrintedView();
  if (!view) return;
  SDimension32 frame;
  view->GetFrameSize(frame);
  view->ScrollImageTo(std::int32_t(std::int64_t(panel.horizIndex - 1) * frame.width),
                      std::int32_t(std::int64_t(panel.vertIndex - 1) * frame.height), false);
  Draw(nullptr);
}

void LPrintout::DrawPanel(std::int32_t n) {
  mPrintPort = KxGetPort();
  struct Clear {
    GrafPtr& port;
    ~Clear() {
      port = nullptr;
      LView::OutOfFocus(nullptr);
    }
  } clear{mPrintPort};
  // Port coordinates are the surface's pixels; the page's local (0, 0)
  // lies where the printing port's origin puts it.
  const PointL origin = KxGetOrigin();
  MoveBy(-origin.h - mFrameLocation.h, -origin.v - mFrameLocation.v, false);
  const std::int32_t index = n - 1;
  PrintPanelSelf(PanelSpec{n, index % mHoriz + 1, index / mHoriz + 1});
}

int LPrintout::DoPrint(const std::string& pdfPath, const KxPrintRange& range, std::int32_t* printed) {
  StKxPortSaver saver;
  return KxPrintToPDF(*this, pdfPath, mSetup, range, printed);
}
