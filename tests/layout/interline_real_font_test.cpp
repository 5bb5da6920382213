// Interline kinds (the clause lines of an inline composition among them)
// drawn by an edit object in IPA Gothic at 12 points, lines as tight as the
// font makes them: each kind must leave ink below the glyphs (beside the
// column in vertical writing), where no glyph of the text reaches.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "layout/text_edit.h"
#include "platform/draw/color.h"
#include "platform/draw/draw_fixture.h"
#include "platform/draw/port.h"
#include "platform/fonts.h"

namespace {

const char* GothicPath() {
  static const char* const paths[] = {"/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
                                      "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf"};
  for (const char* p : paths)
    if (FILE* f = std::fopen(p, "rb")) {
      std::fclose(f);
      return p;
    }
  return nullptr;
}

constexpr int kSide = 200;
constexpr std::uint32_t kWhite = 0xFFFFFF;

class InterlineRealFont : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* path = GothicPath();
    if (!path) GTEST_SKIP() << "IPA Gothic is not installed";
    KxFontInstallBackend(KxFreeTypeFontBackend(false, {path}));
    ASSERT_TRUE(KxFontNumberFromName("IPAGothic", font));
    port = KxPort::NewImage(kSide, kSide);
    SetPort(port.get());
    UKXColor::InitColorUtils();
  }
  void TearDown() override {
    CKXTextEdit::SetScreenScale(100);
    SetPort(nullptr);
    port.reset();
    KxFontInstallBackend(KxSyntheticFontBackend());
  }
  std::uint32_t Px(long x, long y) const {
    if (x < 0 || y < 0 || x >= kSide || y >= kSide) return kWhite;
    cairo_surface_flush(port->Surface());
    const unsigned char* d = cairo_image_surface_get_data(port->Surface());
    const int stride = cairo_image_surface_get_stride(port->Surface());
    return reinterpret_cast<const std::uint32_t*>(d + y * stride)[x] & 0xFFFFFF;
  }
  std::vector<std::uint32_t> Pixels() const {
    std::vector<std::uint32_t> out;
    for (long y = 0; y < kSide; ++y)
      for (long x = 0; x < kSide; ++x) out.push_back(Px(x, y));
    return out;
  }

  // Draws `text` in a fresh edit object, the interline kind `inter` over
  // bytes [from, to) (none when 0); the view's port rectangle is kSide
  // square at the port's corner.
  void Draw(const std::string& text, long from, long to, int inter, bool vertical, short screen = 100) {
    CKXTextEdit::SetScreenScale(screen);
    Rect all = MakeRect(0, 0, kSide, kSide);
    EraseRect(&all);
    CKXTextEdit edit(RectL{0, 0, 0, kSide}, RectL{0, 0, kSide, kSide});
    SKXStyl run{0, SStyl{0, 0, font, 0, 0, 12, RGBColor{0, 0, 0}}};
    edit.SetText(text.data(), long(text.size()), &run, 1, nullptr, 0, nullptr, 0, nullptr, 0);
    if (inter) edit.SetDecoInterLine(from, to, std::uint16_t(inter));
    SKXLineStyl style = edit.GetLineStyl();
    style.vertical = vertical ? 1 : 0;
    edit.SetLineStyl(style, 0);
    const RectL view{0, 0, kSide, kSide};
    edit.Resize(view, &view);
    RectL shown = view;
    edit.SetQDViewRect(shown, Point{0, 0});
    edit.GetViewRect(shown);
    edit.SetDrawPort(port.get());
    edit.CalcText();
    edit.Draw(shown);
    if (std::getenv("KX_TEST_PNG")) {
      const std::string name = std::string(std::getenv("KX_TEST_PNG")) + "-" + std::to_string(inter) +
                               (vertical ? "v" : "h") + std::to_string(screen) + ".png";
      cairo_surface_write_to_png(port->Surface(), name.c_str());
    }
  }
  short font = 0;
  std::unique_ptr<KxPort> port;
};

// Counts the pixels a decoration inks where the plain drawing left white.
TEST_F(InterlineRealFont, EveryKindShowsBelowTheTextBothWaysAndScaled) {
  // "u4あい xyz": the first four characters decorated, as a composition's
  // clause is; 133 % is what a 96 dpi screen shows.
  const std::string text = "u4\x82\xa0\x82\xa2 xyz";
  for (bool vertical : {false, true})
    for (short screen : {100, 133}) {
      Draw(text, 0, 6, 0, vertical, screen);
      const std::vector<std::uint32_t> plain = Pixels();
      for (int inter = 1; inter <= 5; ++inter) {
        Draw(text, 0, 6, inter, vertical, screen);
        const std::vector<std::uint32_t> lined = Pixels();
        long added = 0, removed = 0;
        for (size_t i = 0; i < lined.size(); ++i) {
          if (lined[i] != kWhite && plain[i] == kWhite) ++added;
          if (lined[i] == kWhite && plain[i] != kWhite) ++removed;
        }
        // The four characters span 36 points; even the dotted kind (a
        // quarter net) must add a fifth of that in pixels of its own.
        const long span = 36 * screen / 100;
        EXPECT_GE(added, span / 5) << "kind " << inter << (vertical ? " vertical " : " ") << screen;
        EXPECT_EQ(removed, 0) << "kind " << inter;
      }
    }
}

}  // namespace
