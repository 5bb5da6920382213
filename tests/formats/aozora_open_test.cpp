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

constexpr CommandT kOpen = 3, kClose = 4, kSave = 5, kSaveAs = 6, kRevert = 7;

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
  void Type(const std::string& s) {
    for (char c : s) host.PostKey(std::uint8_t(c), 0);
    Drain();
  }
  std::size_t Notes() const {
    std::size_t n = 0;
    for (const auto& a : host.Alerts()) n += a.kind == KxAlertKind::kNote;
    return n;
  }
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

// An encoding forced on opening holds for the file's later reads: a revert
// reads it so again (half-width kana alone look like Shift_JIS kanji) and
// a save writes it so.
TEST_F(AozoraOpenTest, RevertReadsInTheEncodingTheFileWasOpenedIn) {
  const std::string euc = "\x8e\xb1\x8e\xb2\x8e\xb3\x8e\xb4\x8e\xb5\n";
  const fs::path p = Write("kana.txt", euc);
  KxSetCustomNavigation(true);
  OpenChosen({p}, kKxFilterReadable, 3);   // item 3: EUC-JP
  CKXTextDocument* d = Front();
  ASSERT_NE(d, nullptr);
  const std::string kana = "\xb1\xb2\xb3\xb4\xb5\n";
  ASSERT_EQ(d->TextBytes(), kana);
  Type("X");
  host.QueueAnswer(KxAnswer::kOK);   // discard the change
  Command(kRevert);
  EXPECT_EQ(d->TextBytes(), kana);
  EXPECT_EQ(d->GetFormat().encoding, kKxCodeEUC);
  EXPECT_FALSE(d->LDocument::IsModified());
  Type("X");
  Command(kSave);
  std::ifstream in(p, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "X" + euc);
}

// The Aozora choice over a file that a window shows as it stands opens the
// converted copy beside it; a file it does not convert comes to the front.
TEST_F(AozoraOpenTest, TheAozoraChoiceConvertsAFileAlreadyOpen) {
  const fs::path p = Write("oto.txt", Iconv(kNotation, "CP932"));
  OpenChosen({p}, kKxFilterReadable);
  CKXTextDocument* raw = Front();
  ASSERT_NE(raw, nullptr);
  OpenChosen({p}, kKxFilterAozora);
  ASSERT_EQ(KxTextDocHooks::All().size(), 2u);
  CKXTextDocument* copy = Front();
  ASSERT_NE(copy, raw);
  EXPECT_EQ(Rubys(copy), 2);
  EXPECT_FALSE(copy->IsSpecified());
  EXPECT_EQ(Rubys(raw), 0);
  EXPECT_TRUE(raw->IsSpecified());

  const fs::path rtf = Write("doc.rtf", "{\\rtf1\\ansi text}");
  OpenChosen({rtf}, kKxFilterReadable);
  ASSERT_EQ(KxTextDocHooks::All().size(), 3u);
  CKXTextDocument* styled = Front();
  const fs::path kxt = dir / "doc.KXT";
  KxDialogReply save;
  save.answer = KxAnswer::kOK;
  save.paths = {kxt.string()};
  save.filter = 1;   // the program's own documents
  host.QueueDialogReply(save);
  Command(kSaveAs);
  ASSERT_TRUE(styled->IsSpecified());
  OpenChosen({p}, kKxFilterReadable);
  OpenChosen({kxt}, kKxFilterAozora);
  EXPECT_EQ(KxTextDocHooks::All().size(), 3u);
  EXPECT_EQ(Front(), styled);
}

// A save as RTF tells what RTF cannot hold (here the ruby) once the file
// is written; a text RTF holds whole saves without a word.
TEST_F(AozoraOpenTest, SavingAsRTFTellsWhatItCannotKeep) {
  const fs::path p = Write("neko.txt", Iconv(kNotation, "CP932"));
  OpenChosen({p}, kKxFilterAozora);
  ASSERT_EQ(Rubys(Front()), 2);
  std::size_t notes = Notes();
  KxDialogReply save;
  save.answer = KxAnswer::kOK;
  save.paths = {(dir / "neko.rtf").string()};
  host.QueueDialogReply(save);
  host.QueueAnswer(KxAnswer::kOK);
  Command(kSaveAs);
  ASSERT_TRUE(fs::exists(dir / "neko.rtf"));
  ASSERT_EQ(Notes(), notes + 1);
  EXPECT_NE(host.Alerts().back().text.find("RTF"), std::string::npos);

  const fs::path plain = Write("styled.rtf", "{\\rtf1\\ansi plain \\b bold\\b0 \\uld dotted\\uld0 \\super 2\\nosupersub}");
  OpenChosen({plain}, kKxFilterReadable);
  notes = Notes();
  save.paths = {(dir / "styled2.rtf").string()};
  host.QueueDialogReply(save);
  Command(kSaveAs);
  ASSERT_TRUE(fs::exists(dir / "styled2.rtf"));
  EXPECT_EQ(Notes(), notes);
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
