// The text printout: panels from the engine's pages, pages drawn on the
// sheet as paper view draws them but without the window's selection or
// caret, and the edit object given back its port and its screen mode.
#include "views/text_printout.h"

#include <cairo.h>

#include <filesystem>
#include <fstream>

#include "layout/text_edit_ex.h"
#include "platform/draw/print.h"
#include "text_view_fixture.h"

namespace {

// A page as a picture: drawn onto a vector surface (as a print is) and
// replayed into an image.
std::vector<std::uint32_t> Render(CKXTextPrintout& printout, std::int32_t n, const KxPageSetup& setup) {
  printout.SetPageSetup(setup);
  const cairo_rectangle_t extents{0, 0, double(setup.Width()), double(setup.Height())};
  cairo_surface_t* page = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
  KxDrawPrintPanel(printout, n, page, setup);
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, setup.Width(), setup.Height());
  cairo_t* cr = cairo_create(image);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_surface(cr, page, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(image);
  std::vector<std::uint32_t> px;
  const int stride = cairo_image_surface_get_stride(image);
  for (int y = 0; y < setup.Height(); ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(image) + y * stride);
    for (int x = 0; x < setup.Width(); ++x) px.push_back(row[x] & 0xFFFFFF);
  }
  cairo_surface_destroy(image);
  cairo_surface_destroy(page);
  return px;
}

long Ink(const std::vector<std::uint32_t>& px) {
  long n = 0;
  for (std::uint32_t p : px) n += p != 0xFFFFFF;
  return n;
}

KxPageSetup A4(std::int32_t margin) {
  KxPageSetup s;
  s.hardTop = s.hardLeft = s.hardBottom = s.hardRight = margin;
  return s;
}

class TextPrintoutTest : public kxtest::TextPaneTest {};

TEST_F(TextPrintoutTest, WithoutAnEngineOnePanelAndAnEmptyPage) {
  CKXTextPrintout printout;
  std::int32_t across = 0, down = 0;
  printout.CountPanels(across, down);
  EXPECT_EQ(across, 1);
  EXPECT_EQ(down, 1);
  EXPECT_EQ(Ink(Render(printout, 1, A4(18))), 0);
  const std::string pdf = (std::filesystem::temp_directory_path() / "kx_printout_empty.pdf").string();
  std::int32_t printed = 0;
  EXPECT_EQ(printout.DoPrint(pdf, KxPrintRange{}, &printed), 0);
  EXPECT_EQ(printed, 1);
  std::filesystem::remove(pdf);
}

TEST_F(TextPrintoutTest, PanelsArePagesAndNothingPastTheLast) {
  Open(kxtest::ManyLines(200), 400, 300);
  CKXTextPrintout printout;
  printout.SetTextEngine(engine);
  const long pages = KXTE_GetPageCount(engine->GetEdit());
  ASSERT_GT(pages, 1);
  EXPECT_EQ(static_cast<KxPrintout&>(printout).CountPanels(), pages);
  EXPECT_GT(Ink(Render(printout, 1, A4(0))), 0);
  EXPECT_GT(Ink(Render(printout, std::int32_t(pages), A4(0))), 0);
  EXPECT_EQ(Ink(Render(printout, std::int32_t(pages + 1), A4(0))), 0);
  // A range past the last page prints only the pages there are.
  const std::string pdf = (std::filesystem::temp_directory_path() / "kx_printout_range.pdf").string();
  std::int32_t printed = 0;
  EXPECT_EQ(printout.DoPrint(pdf, KxPrintRange{std::int32_t(pages - 1), std::int32_t(pages + 5), 1}, &printed), 0);
  EXPECT_EQ(printed, 2);
  EXPECT_EQ(printout.DoPrint(pdf, KxPrintRange{std::int32_t(pages + 1), std::int32_t(pages + 5), 1}, &printed),
            ERANGE);
  EXPECT_EQ(printed, 0);
  std::filesystem::remove(pdf);
}

// The hard margins clip: a page printed with them has no ink where the
// printer cannot print, and the same ink inside as without them.
TEST_F(TextPrintoutTest, HardMarginsClipButDoNotMoveThePage) {
  Open(kxtest::ManyLines(60), 400, 300);
  CKXTextPrintout printout;
  printout.SetTextEngine(engine);
  const std::vector<std::uint32_t> whole = Render(printout, 1, A4(0));
  const std::vector<std::uint32_t> clipped = Render(printout, 1, A4(40));
  ASSERT_EQ(whole.size(), clipped.size());
  for (int y = 0; y < 842; ++y)
    for (int x = 0; x < 595; ++x) {
      const std::size_t i = std::size_t(y) * 595 + std::size_t(x);
      const bool inside = x >= 40 && x < 555 && y >= 40 && y < 802;
      ASSERT_EQ(clipped[i], inside ? whole[i] : 0xFFFFFFu) << x << "," << y;
    }
}

// Whatever the window shows (a selection, a caret), the printed page is
// the same; printing gives the edit object back its port and screen mode.
TEST_F(TextPrintoutTest, SelectionAndCaretAreNeverPrinted) {
  Open(kxtest::ManyLines(60), 400, 300);
  CKXTextPrintout printout;
  printout.SetTextEngine(engine);
  engine->Deactivate();
  engine->Select(0, 0);
  const std::vector<std::uint32_t> plain = Render(printout, 1, A4(18));
  engine->Activate();
  engine->Select(3, 180);
  panes.window->UpdatePort();
  CKXTextEditEx* edit = KXHandleAccess::Edit(engine->GetEdit());
  KxPort* port = edit->GetDrawPort();
  EXPECT_EQ(Render(printout, 1, A4(18)), plain);
  engine->Select(5, 5);   // a caret
  EXPECT_EQ(Render(printout, 1, A4(18)), plain);
  EXPECT_FALSE(edit->IsPrinting());
  EXPECT_EQ(edit->GetDrawPort(), port);
  EXPECT_TRUE(KXTE_GetActivate(engine->GetEdit()));
  // The window shows its text as before.
  const std::vector<std::uint32_t> shown = Pixels(RectL{0, 0, 280, 380});
  panes.window->Refresh();
  panes.window->UpdatePort();
  EXPECT_EQ(Pixels(RectL{0, 0, 280, 380}), shown);
}

TEST_F(TextPrintoutTest, TwoColumnsPrintOnePagePerSheet) {
  Open(kxtest::ManyLines(400, 2), 400, 300);
  SKXPageStyl page;
  KXTE_GetPageStyl(engine->GetEdit(), page);
  page.columns = 2;
  page.gap = 20;
  engine->SetPageStyl(page);
  CKXTextPrintout printout;
  printout.SetTextEngine(engine);
  const long pages = KXTE_GetPageCount(engine->GetEdit());
  ASSERT_GT(pages, 1);
  EXPECT_EQ(static_cast<KxPrintout&>(printout).CountPanels(), pages);
  // Both columns of a full page have ink.
  const std::vector<std::uint32_t> px = Render(printout, 1, A4(0));
  long left = 0, right = 0;
  for (std::size_t i = 0; i < px.size(); ++i)
    if (px[i] != 0xFFFFFF) (i % 595 < 297 ? left : right)++;
  EXPECT_GT(left, 0);
  EXPECT_GT(right, 0);
}

// A page whose drawing fails half-way: the edit object leaves printing
// mode and gets its port back, and the PDF's old file stays.
TEST_F(TextPrintoutTest, AFailingPageLeavesTheEditAsItWas) {
  struct Failing : kxtest::PaneEngine {
    bool PrintPage(long, const RectL&) override {
      KXTE_SetPrinting(GetEdit(), 1);
      throw LException(memFullErr);
    }
  };
  auto* failing = new Failing;
  failing->SetText(kxtest::ManyLines(20));
  CKXTextEditEx* edit = KXHandleAccess::Edit(failing->GetEdit());
  CKXTextPrintout printout;
  printout.SetTextEngine(failing);
  const std::string pdf = (std::filesystem::temp_directory_path() / "kx_printout_failing.pdf").string();
  { std::ofstream(pdf) << "old"; }
  EXPECT_THROW(printout.DoPrint(pdf), LException);
  EXPECT_FALSE(edit->IsPrinting());
  EXPECT_EQ(edit->GetDrawPort(), nullptr);
  std::ifstream in(pdf);
  std::string old;
  in >> old;
  EXPECT_EQ(old, "old");
  std::filesystem::remove(pdf);
  failing->RemoveUser(failing);
}

// CreateCKXTextPrintout builds layout 1500's printout, and nothing from a
// layout that is not one.
TEST_F(TextPrintoutTest, CreatedFromItsLayout) {
  std::unique_ptr<CKXTextPrintout> made(CKXTextPrintout::CreateCKXTextPrintout(kKxTextPrintoutLayout));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->GetTextEngine(), nullptr);
  EXPECT_EQ(CKXTextPrintout::CreateCKXTextPrintout(kKxTextWindowLayout), nullptr);
  EXPECT_EQ(CKXTextPrintout::CreateCKXTextPrintout(12345), nullptr);
}

}  // namespace
