#include "platform/draw/print.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "draw_fixture.h"
#include "platform/exception.h"

namespace {

// Pages drawn with the port calls; what each panel saw is kept.
class Pages : public KxPrintout {
 public:
  explicit Pages(std::int32_t count, std::int32_t failAt = 0) : mCount(count), mFailAt(failAt) {}
  std::int32_t CountPanels() override { return mCount; }
  void DrawPanel(std::int32_t n) override {
    if (n == mFailAt) throw LException(memFullErr);
    drawn.push_back(n);
    Rect bounds;
    GetPortBounds(KxGetPort(), &bounds);
    portLeft = bounds.left;
    const Rect frame = MakeRect(0, 0, 200, 100 * n);
    PenSize(2, 2);
    FrameRect(&frame);
    MoveTo(10, 40);
    DrawString(reinterpret_cast<const unsigned char*>("\x04Page"));
    PenMode(patXor);   // paper takes no XOR: nothing is drawn
    InvertRect(&frame);
  }
  std::vector<std::int32_t> drawn;
  int portLeft = 0;

 private:
  std::int32_t mCount, mFailAt;
};

std::string TempPath(const char* name) {
  return std::string(::testing::TempDir()) + "/" + name + "-" + std::to_string(::getpid()) + ".pdf";
}

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    ::pclose(p);
  }
  return out;
}

TEST(Print, PrinterRecordIsA4At72Dpi) {
  PointL res;
  RectL paper, page;
  ASSERT_TRUE(KxGetPrinterInfo(res, paper, page));
  EXPECT_EQ(res.h, 72);
  EXPECT_EQ(paper.right - paper.left, 595);
  EXPECT_EQ(paper.bottom - paper.top, 842);
  EXPECT_EQ(page.left, 0);
  EXPECT_EQ(page.top, 0);
  // The page lies on the paper.
  EXPECT_LE(paper.left, page.left);
  EXPECT_LE(page.right, paper.right);
  EXPECT_LE(page.bottom, paper.bottom);
}

TEST(Print, EachPanelIsOnePage) {
  KxFontInstallBackend(KxSyntheticFontBackend());
  const std::string path = TempPath("two-pages");
  Pages pages(2);
  ASSERT_EQ(KxPrintToPDF(pages, path), 0);
  EXPECT_EQ(pages.drawn, (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(pages.portLeft, -18);   // local coordinates are the page's
  EXPECT_EQ(KxGetPort(), nullptr);
  const std::string info = Output("pdfinfo '" + path + "'");
  const std::size_t at = info.find("Pages:");
  ASSERT_NE(at, std::string::npos) << info;
  EXPECT_EQ(std::atoi(info.c_str() + at + 6), 2) << info;
  EXPECT_NE(info.find("595 x 842 pts"), std::string::npos) << info;
  std::remove(path.c_str());
}

// A printout without panels or one that fails writes nothing and leaves an
// old file alone.
TEST(Print, FailuresLeaveTheOldFile) {
  const std::string path = TempPath("kept");
  { std::ofstream(path) << "old"; }
  Pages none(0);
  EXPECT_EQ(KxPrintToPDF(none, path), EINVAL);
  Pages failing(3, 2);
  EXPECT_THROW(KxPrintToPDF(failing, path), LException);
  EXPECT_EQ(KxGetPort(), nullptr);
  std::ifstream in(path);
  std::string text;
  in >> text;
  EXPECT_EQ(text, "old");
  std::remove(path.c_str());
}

// Ranges are clamped to the panels; an empty one writes nothing; copies
// repeat the range; the sheet comes from the set-up.
TEST(Print, RangesCopiesAndTheSheet) {
  KxFontInstallBackend(KxSyntheticFontBackend());
  const std::string path = TempPath("range");
  KxPageSetup b5;
  b5.paperWidth = 516, b5.paperHeight = 729, b5.landscape = true;
  Pages pages(5);
  std::int32_t printed = -1;
  ASSERT_EQ(KxPrintToPDF(pages, path, b5, KxPrintRange{4, 99, 2}, &printed), 0);
  EXPECT_EQ(printed, 4);
  EXPECT_EQ(pages.drawn, (std::vector<std::int32_t>{4, 5, 4, 5}));
  const std::string info = Output("pdfinfo '" + path + "'");
  EXPECT_NE(info.find("Pages:           4"), std::string::npos) << info;
  EXPECT_NE(info.find("729 x 516 pts"), std::string::npos) << info;
  for (const KxPrintRange& empty : {KxPrintRange{6, 9, 1}, KxPrintRange{3, 2, 1}}) {
    pages.drawn.clear();
    EXPECT_EQ(KxPrintToPDF(pages, path, b5, empty, &printed), ERANGE);
    EXPECT_EQ(printed, 0);
    EXPECT_TRUE(pages.drawn.empty());
  }
  std::remove(path.c_str());
}

TEST(Print, PageSetupsAreBroughtIntoRange) {
  KxPageSetup s;
  EXPECT_TRUE(KxValidatePageSetup(s));
  EXPECT_EQ(s.Page().right, 595 - 36);
  EXPECT_EQ(s.Paper().left, -18);
  s.paperWidth = 0, s.paperHeight = 99999, s.hardLeft = -5, s.hardRight = 40;
  EXPECT_FALSE(KxValidatePageSetup(s));
  EXPECT_EQ(s.paperWidth, 1);
  EXPECT_EQ(s.paperHeight, kKxPrintPaperMax);
  EXPECT_EQ(s.hardLeft, 0);
  EXPECT_EQ(s.hardRight, 0);   // nothing printable would be left
  s = KxPageSetup{};
  s.landscape = true, s.hardTop = 500, s.hardBottom = 500;
  KxValidatePageSetup(s);
  EXPECT_GE(s.Page().bottom, 1);   // at least a point of the turned sheet
}

// Paper cannot show XOR or inversion: drawn onto a vector surface they
// leave nothing, while plain paint shows.
TEST(Print, XorAndInversionStayOffPaper) {
  KxFontInstallBackend(KxSyntheticFontBackend());
  struct Marks : KxPrintout {
    bool paint = false;
    std::int32_t CountPanels() override { return 1; }
    void DrawPanel(std::int32_t) override {
      const Rect r = MakeRect(10, 10, 60, 60);
      InvertRect(&r);
      PenMode(patXor);
      PaintRect(&r);
      TextMode(srcXor);
      MoveTo(10, 40);
      DrawString(reinterpret_cast<const unsigned char*>("\x04XORs"));
      PenNormal();
      TextMode(srcOr);
      if (paint) PaintRect(&r);
    }
  } marks;
  KxPageSetup sheet;
  auto inked = [&] {
    const cairo_rectangle_t extents{0, 0, 595, 842};
    cairo_surface_t* page = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
    KxDrawPrintPanel(marks, 1, page, sheet);
    double x, y, w, h;
    cairo_recording_surface_ink_extents(page, &x, &y, &w, &h);
    cairo_surface_destroy(page);
    return w * h;
  };
  EXPECT_EQ(inked(), 0.0);
  marks.paint = true;
  EXPECT_GT(inked(), 0.0);
}

}  // namespace
