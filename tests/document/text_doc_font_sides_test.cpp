// A Western font given to text with characters kept beside it (é, €): the
// file written afterwards, in UTF-8 and in Shift_JIS, spells them as
// before the font changed.
#include <gtest/gtest.h>

#include <string>

#include "doc_app_fixture.h"
#include "engine/text_engine.h"

namespace {

namespace fs = std::filesystem;
using kxtest::Slurp;
using kxtest::Spit;

constexpr CommandT kSave = 5;

class FontSidesTest : public kxtest::DocAppTest {};

TEST_F(FontSidesTest, AWesternFontKeepsTheCharactersItsTextStandsFor) {
  short roman = 0;
  ASSERT_TRUE(KxFontNumberFromName("KX Synthetic Roman", roman));
  const fs::path p = dir / "w.txt";
  const std::string text = "caf\xC3\xA9 5\xE2\x82\xAC \xE6\x97\xA5\n";  // café 5€ 日
  Spit(p, text);
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  CKXTextEngine& e = *d->GetEngine();
  e.SetSelectionRange(e.GetTotalRange(), false);
  e.DoFontNumber(roman);
  e.SetSelectionRange({0, 0}, false);
  host.PostKey('x', 0);
  Drain();
  Command(kSave);
  EXPECT_EQ(Slurp(p), "x" + text);
}

}  // namespace
