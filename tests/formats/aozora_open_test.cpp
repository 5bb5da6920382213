// Opening files through the program's open dialog: the Aozora choice turns
// the notation into styled text in a new, untitled document, and the
// encoding popup forces how the bytes are read; either holds for one open.
#include <gtest/gtest.h>
#include <iconv.h>

#include <fstream>

#include "app/nav_extras.h"
#include "document/doc_app_fixture.h"
#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "text/codes/jcode.h"

namespace {

namespace fs = std::filesystem;

constexpr CommandT kOpen = 3, kClose = 4;

std::string Iconv(const std::string& in, const char* to, const char* from = "UTF-8") {
  iconv_t cd = iconv_open(to, from);
  std::string out(in.size() * 4 + 8, '\0');
  char* src = const_cast<char*>(in.data());
  char* dst = out.data();
  size_t inLeft = in.size(), outLeft = out.size();
  iconv(cd, &src, &inLeft, &dst, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

class AozoraOpenTest : public kxtest::DocAppTest {
 protected:
  void TearDown() override {
    KxSetCustomNavigation(false);
    kxtest::DocAppTest::TearDown();
  }
  fs::path Write(const std::string& name, const std::string& bytes) {
    const fs::path p = dir / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  // The open command answered with these files, format filter and
  // encoding popup item (-1: the popup left alone).
  void OpenChosen(const std::vector<fs::path>& files, int filter, int encodingItem = -1) {
    KxDialogReply reply;
    reply.answer = KxAnswer::kOK;
    for (const fs::path& p : files) reply.paths.push_back(p.string());
    reply.filter = filter;
    if (encodingItem >= 0) reply.choices = {encodingItem};
    host.QueueDialogReply(reply);
    app->ProcessCommand(kOpen, nullptr);
    Drain();
  }
  static long Rubys(CKXTextDocument* d) { return KXText_GetRubysCount(d->GetEngine()->GetEdit()); }
};

const std::string kNotation = "吾輩《わがはい》は猫である。\r\n｜名前《なまえ》はまだ無い。\r\n";

TEST_F(AozoraOpenTest, TheAozoraChoiceMakesANewModifiedStyledDocument) {
  const fs::path p = Write("neko.txt", Iconv(kNotation, "CP932"));
  OpenChosen({p}, kKxFilterAozora);
  CKXTextDocument* d = Front();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->TextBytes(), Iconv("吾輩は猫である。\n名前はまだ無い。\n", "CP932"));
  EXPECT_EQ(Rubys(d), 2);
  // Saving must not write the converted text over its source.
  EXPECT_FALSE(d->IsSpecified());
  EXPECT_TRUE(d->LDocument::IsModified());
  EXPECT_EQ(CKXJCode::sCodeType, kKxCodeAuto);

  // The next open reads the same file as it stands.
  host.QueueAnswer(KxAnswer::kDontSave);
  Command(kClose);
  OpenChosen({p}, kKxFilterReadable);
  d = Front();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->TextBytes(), Iconv("吾輩《わがはい》は猫である。\n｜名前《なまえ》はまだ無い。\n", "CP932"));
  EXPECT_EQ(Rubys(d), 0);
  EXPECT_TRUE(d->IsSpecified());
  EXPECT_FALSE(d->LDocument::IsModified());
}

TEST_F(AozoraOpenTest, EveryFileChosenTogetherIsConverted) {
  const fs::path a = Write("a.txt", Iconv("一《いち》\r\n", "CP932"));
  const fs::path b = Write("b.txt", Iconv("二《に》\r\n", "CP932"));
  OpenChosen({a, b}, kKxFilterAozora);
  const std::vector<CKXTextDocument*> docs = KxTextDocHooks::All();
  ASSERT_EQ(docs.size(), 2u);
  for (CKXTextDocument* d : docs) {
    EXPECT_EQ(Rubys(d), 1) << d->TitleText();
    EXPECT_FALSE(d->IsSpecified());
  }
  EXPECT_EQ(CKXJCode::sCodeType, kKxCodeAuto);
}

TEST_F(AozoraOpenTest, AStyledFileIgnoresTheAozoraChoice) {
  const fs::path p = Write("doc.rtf", "{\\rtf1\\ansi plain \\b bold\\b0  text}");
  OpenChosen({p}, kKxFilterAozora);
  CKXTextDocument* d = Front();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->TextBytes(), "plain bold text");
  EXPECT_EQ(Rubys(d), 0);
}

TEST_F(AozoraOpenTest, TheEncodingPopupForcesHowTheBytesAreRead) {
  // UTF-8 bytes read as Shift_JIS when the user says so, and as UTF-8 by
  // detection otherwise.
  const std::string utf8 = "かな漢字のテキストです。\n";
  const fs::path p = Write("u.txt", utf8);
  KxSetCustomNavigation(true);
  OpenChosen({p}, kKxFilterReadable, 1);   // item 1: Shift_JIS
  CKXTextDocument* d = Front();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->TextBytes(), utf8);
  EXPECT_EQ(d->GetFormat().encoding, kKxCodeSJIS);
  EXPECT_EQ(host.DialogRequests().back().choices.size(), 1u);
  host.QueueAnswer(KxAnswer::kDontSave);
  Command(kClose);

  OpenChosen({p}, kKxFilterReadable, 0);   // item 0: automatic
  d = Front();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->TextBytes(), Iconv(utf8, "CP932"));
  EXPECT_EQ(d->GetFormat().encoding, kKxCodeUTF8);
}

TEST_F(AozoraOpenTest, WithoutTheExtrasTheDialogOffersTheFiltersAlone) {
  const fs::path p = Write("n.txt", Iconv(kNotation, "CP932"));
  OpenChosen({p}, kKxFilterReadable);
  const KxDialogRequest& q = host.DialogRequests().back();
  EXPECT_EQ(q.filters.size(), std::size_t(kKxOpenFilterCount));
  EXPECT_TRUE(q.choices.empty());
  ASSERT_NE(Front(), nullptr);
  EXPECT_EQ(Rubys(Front()), 0);

  // A cancelled dialog opens nothing and forces nothing.
  KxDialogReply cancel;
  cancel.answer = KxAnswer::kCancel;
  cancel.filter = kKxFilterAozora;
  host.QueueDialogReply(cancel);
  app->ProcessCommand(kOpen, nullptr);
  Drain();
  EXPECT_EQ(KxTextDocHooks::All().size(), 1u);
  EXPECT_EQ(CKXJCode::sCodeType, kKxCodeAuto);
}

}  // namespace
