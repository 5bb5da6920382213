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
    PenMode(patXor);   // no exact XOR on paper: painted as "or"
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

}  // namespace
