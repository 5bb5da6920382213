// A replace-all over an Aozora text in both writing directions: the lines
// the edit keeps afterwards are the lines a fresh layout of the result has,
// ruby that moved with its text included; a picture put in afterwards is
// brought into view with the caret.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/nav_extras.h"
#include "document/doc_app_fixture.h"
#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "layout/kxtext_api.h"
#include "platform/memory.h"
#include "views/text_view.h"

namespace {

namespace fs = std::filesystem;


class AozoraVerticalReplaceTest : public kxtest::DocAppTest {
 protected:
  CKXTextDocument* OpenAozora(const fs::path& p) {
    OpenChosen({p}, kKxFilterAozora);
    return Front();
  }
  static std::vector<std::pair<long, long>> Lines(KXEditHandle e) {
    std::vector<std::pair<long, long>> out;
    for (long i = 0, n = KXTE_GetLineCount(e); i < n; ++i)
      out.emplace_back(KXTE_GetLineOffset(e, i), KXTE_GetLineHeight(e, i));
    return out;
  }
  // The first line that differs, or -1.
  static long FirstDifference(const std::vector<std::pair<long, long>>& a,
                              const std::vector<std::pair<long, long>>& b) {
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
      if (a[i] != b[i]) return long(i);
    return a.size() == b.size() ? -1 : long(std::min(a.size(), b.size()));
  }
};

TEST_F(AozoraVerticalReplaceTest, ReplaceAllLeavesTheLinesOfAFreshLayout) {
  const fs::path source = fs::path(std::getenv("KX_SHARED_DIR") ? std::getenv("KX_SHARED_DIR") : "../shared") /
                          "realdata/aozora/haruto_shura.sjis.txt";
  if (!fs::exists(source)) GTEST_SKIP() << "no " << source;

  // わたくし or われわれ, each put in brackets; then a ruby base itself.
  const std::string find = "(\x82\xED\x82\xBD\x82\xAD\x82\xB5|\x82\xED\x82\xEA\x82\xED\x82\xEA)";
  const std::string repl = "\x81\x6B\\1\x81\x6C";
  for (const bool vertical : {true, false}) {
    SCOPED_TRACE(vertical ? "vertical" : "horizontal");
    const fs::path p = dir / (vertical ? "shura_v.txt" : "shura_h.txt");
    fs::copy_file(source, p);
    fs::permissions(p, fs::perms::owner_write, fs::perm_options::add);
    CKXTextDocument* d = OpenAozora(p);
    ASSERT_NE(d, nullptr);
    CKXTextEngine& engine = *d->GetEngine();
    const KXEditHandle edit = engine.GetEdit();
    ASSERT_GT(KXText_GetRubysCount(edit), 0);
    d->VerticalWindow(vertical, true);
    EXPECT_GT(engine.DoReplaceAll(find.data(), long(find.size()), repl.data(), long(repl.size()),
                                  CKXTextLayer::kReplaceRegexp),
              100);
    const auto after = Lines(edit);
    KXTE_CalcText(edit);
    const auto fresh = Lines(edit);
    const long diff = FirstDifference(after, fresh);
    EXPECT_EQ(diff, -1) << "line " << diff << " of " << fresh.size() << ": "
                        << (diff >= 0 && std::size_t(diff) < after.size() ? after[std::size_t(diff)].first : -1)
                        << "/" << (diff >= 0 && std::size_t(diff) < after.size() ? after[std::size_t(diff)].second : -1)
                        << " against "
                        << (diff >= 0 && std::size_t(diff) < fresh.size() ? fresh[std::size_t(diff)].first : -1)
                        << "/" << (diff >= 0 && std::size_t(diff) < fresh.size() ? fresh[std::size_t(diff)].second : -1);
  }
}

}  // namespace

namespace {

// A picture put in on the preface's line of the same text in vertical
// writing is brought into view with the caret after it.
TEST_F(AozoraVerticalReplaceTest, AnInsertedPictureIsBroughtIntoView) {
  const fs::path source = fs::path(std::getenv("KX_SHARED_DIR") ? std::getenv("KX_SHARED_DIR") : "../shared") /
                          "realdata/aozora/haruto_shura.sjis.txt";
  if (!fs::exists(source)) GTEST_SKIP() << "no " << source;
  const fs::path p = dir / "shura.txt";
  fs::copy_file(source, p);
  fs::permissions(p, fs::perms::owner_write, fs::perm_options::add);
  CKXTextDocument* d = OpenAozora(p);
  ASSERT_NE(d, nullptr);
  d->VerticalWindow(true, true);
  CKXTextEngine& engine = *d->GetEngine();
  // After a replace-all that moved ruby, as well as in the text as read.
  const std::string find = "(\x82\xED\x82\xBD\x82\xAD\x82\xB5|\x82\xED\x82\xEA\x82\xED\x82\xEA)";
  const std::string repl = "\x81\x6B\\1\x81\x6C";
  EXPECT_GT(engine.DoReplaceAll(find.data(), long(find.size()), repl.data(), long(repl.size()),
                                CKXTextLayer::kReplaceRegexp),
            100);
  d->GetWindow()->UpdatePort();
  CKXTextView* view = d->CurrentTextView();
  ASSERT_NE(view, nullptr);
  // 序, the preface's heading; then the far end of the text, and back.
  const std::string text = d->TextBytes();
  const std::size_t heading = text.find("\x8F\x98");
  ASSERT_NE(heading, std::string::npos);
  for (const long at : {long(heading), long(text.size()) / 2}) {
    SCOPED_TRACE("offset " + std::to_string(at));
    engine.SetSelectionRange({std::int32_t(at), 0}, true);
    d->GetWindow()->UpdatePort();
    PicHandle pict = NewHandle(14);
    std::memset(*pict, 0, 14);
    (*pict)[7] = 68, (*pict)[9] = 100;
    SKXDeco run{};
    run.deco.pictID = UKXText_SetPicture(pict);
    const char byte = char(0xCA);
    engine.DoInsert(&byte, 1, nullptr, 0, &run, 1, nullptr, 0, nullptr, 0, nullptr, 0);
    d->GetWindow()->UpdatePort();
    const RectL frame = view->CalcRevealedRect();
    for (const long offset : {at, at + 1}) {
      SPoint32 image;
      engine.Range2Image(SKXRange{std::int32_t(offset), 0}, true, image);
      SPoint32 port{image.h + 1, image.v + 2};
      view->LocalToPortPoint(port);
      EXPECT_TRUE(port.h >= frame.left && port.h < frame.right && port.v >= frame.top && port.v < frame.bottom)
          << "offset " << offset << " at " << port.h << "," << port.v << " frame " << frame.left << ","
          << frame.top << "-" << frame.right << "," << frame.bottom;
    }
  }
}

}  // namespace
