// View printouts: panels counted from the printed view's image, each drawn
// on its own PDF page.
#include "platform/framework/printout.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "window_fixture.h"

namespace {

class Marked : public LView {
 public:
  Marked(std::int32_t w, std::int32_t h, std::int32_t iw, std::int32_t ih) {
    mFrameSize = {w, h};
    mImageSize = {iw, ih};
  }
  void DrawSelf() override {
    SPoint32 pos;
    GetScrollPosition(pos);
    shown.push_back(pos);
    Rect r{10, 10, 40, 40};
    r.top = std::int16_t(r.top + pos.v);
    r.bottom = std::int16_t(r.bottom + pos.v);
    PaintRect(&r);
  }
  std::vector<SPoint32> shown;
};

std::string Output(const std::string& cmd) {
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

TEST(Printout, PanelsAreCountedFromTheImage) {
  struct Case {
    std::int32_t imageW, imageH, want;
  } cases[] = {{100, 100, 1}, {500, 800, 1}, {500, 801, 2}, {1001, 1600, 6}, {0, 0, 1}};
  for (const Case& c : cases) {
    LPrintout printout;
    auto* view = new Marked(500, 800, c.imageW, c.imageH);
    view->PutInside(&printout);
    EXPECT_EQ(static_cast<KxPrintout&>(printout).CountPanels(), c.want) << c.imageW << "x" << c.imageH;
  }
}

TEST(Printout, TwoPanelsMakeATwoPagePDF) {
  KxFontInstallBackend(KxSyntheticFontBackend());
  LPrintout printout;
  SDimension32 page;
  printout.GetFrameSize(page);
  EXPECT_EQ(page.width, 595 - 36);
  auto* view = new Marked(page.width, 400, page.width, 800);
  view->PutInside(&printout);
  const std::string path = (std::filesystem::temp_directory_path() / "kx_view_printout.pdf").string();
  ASSERT_EQ(printout.DoPrint(path), 0);
  ASSERT_EQ(view->shown.size(), 2u);
  EXPECT_EQ(view->shown[0].v, 0);
  EXPECT_EQ(view->shown[1].v, 400);   // the second panel shows the image's second half
  EXPECT_EQ(printout.GetDrawPort(), nullptr) << "the page is not kept after printing";
  const std::string info = Output("pdfinfo '" + path + "' 2>&1");
  const std::size_t at = info.find("Pages:");
  ASSERT_NE(at, std::string::npos) << info;
  EXPECT_EQ(std::atoi(info.c_str() + at + 6), 2) << info;
  std::filesystem::remove(path);
}

}  // namespace
