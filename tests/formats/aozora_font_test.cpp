// Aozora notation is Shift_JIS: the converted text shows in the default
// font of the preferences only when that font writes Japanese. A Roman
// default would read its bytes as Mac Roman characters.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/globals.h"
#include "app/nav_extras.h"
#include "document/doc_app_fixture.h"
#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "platform/fonts.h"
#include "text/codes/script.h"

namespace {

namespace fs = std::filesystem;

constexpr CommandT kOpen = 3;
constexpr short kJapanese = 1;

class AozoraFontTest : public kxtest::DocAppTest {
 protected:
  void SetUp() override {
    kxtest::DocAppTest::SetUp();
    savedFont = gPreference.font;
  }
  void TearDown() override {
    gPreference.font = savedFont;
    kxtest::DocAppTest::TearDown();
  }
  CKXTextDocument* OpenAozora(const fs::path& p) {
    KxDialogReply reply;
    reply.answer = KxAnswer::kOK;
    reply.paths.push_back(p.string());
    reply.filter = kKxFilterAozora;
    host.QueueDialogReply(reply);
    app->ProcessCommand(kOpen, nullptr);
    Drain();
    return Front();
  }
  static std::vector<SKXStyl> Runs(CKXTextDocument* d) {
    const KXEditHandle edit = d->GetEngine()->GetEdit();
    std::vector<SKXStyl> runs(std::size_t(std::max<std::int32_t>(KXText_GetStylCount(edit), 0)));
    runs.resize(std::size_t(KXText_GetStyls(edit, runs.data(), std::int32_t(runs.size()))));
    return runs;
  }
  short savedFont = 0;
};

TEST_F(AozoraFontTest, TheDefaultFontIsTakenOnlyWhenItWritesJapanese) {
  short roman = 0, gothic = 0;
  ASSERT_TRUE(KxFontNumberFromName("KX Synthetic Roman", roman));
  ASSERT_TRUE(KxFontNumberFromName("KX Synthetic Gothic", gothic));
  ASSERT_NE(KxFontToScriptType(roman), kJapanese);
  ASSERT_EQ(KxFontToScriptType(gothic), kJapanese);
  const fs::path source = fs::path(std::getenv("KX_SHARED_DIR") ? std::getenv("KX_SHARED_DIR") : "../shared") /
                          "realdata/aozora/oto.sjis.txt";
  if (!fs::exists(source)) GTEST_SKIP() << "no " << source;
  const fs::path p = dir / "oto.txt";
  fs::copy_file(source, p);

  std::string shown;
  for (short font : {gothic, roman}) {
    gPreference.font = font;
    CKXTextDocument* d = OpenAozora(p);
    ASSERT_NE(d, nullptr);
    EXPECT_GT(KXText_GetRubysCount(d->GetEngine()->GetEdit()), 0);
    const std::vector<SKXStyl> runs = Runs(d);
    ASSERT_FALSE(runs.empty());
    for (const SKXStyl& r : runs) {
      EXPECT_EQ(KxFontToScriptType(r.styl.font), kJapanese) << "default font " << font << " at " << r.offset;
      if (font == gothic) {
        EXPECT_EQ(r.styl.font, gothic);
      }
    }
    // The same characters either way.
    if (font == gothic) {
      shown = d->TextBytes();
    } else {
      EXPECT_EQ(d->TextBytes(), shown);
    }
  }
}

}  // namespace
