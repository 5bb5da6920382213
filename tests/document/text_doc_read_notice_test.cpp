// A file read in an encoding its bytes do not fit (forced in the open
// dialog) tells the user, before a save would write other bytes in their
// place; a file read in its own encoding says nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/nav_extras.h"
#include "doc_app_fixture.h"
#include "document/text_doc.h"
#include "platform/host/host_dialogs.h"
#include "text/codes/jcode.h"

namespace {

namespace fs = std::filesystem;


class ReadNoticeTest : public kxtest::DocAppTest {
 protected:
  void SetUp() override {
    DocAppTest::SetUp();
    CKXJCode::sUseUNICODE = 1;
    CKXJCode::sUseCVKANJI = 1;
  }
  void TearDown() override {
    CKXJCode::sUseUNICODE = 0;
    CKXJCode::sUseCVKANJI = 0;
    CKXJCode::sCodeType = kKxCodeAuto;
    DocAppTest::TearDown();
  }
  fs::path Write(const std::string& name, const std::string& bytes) {
    const fs::path p = dir / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  // The open dialog answered with `p` and encoding item `item` (0 automatic).
  std::vector<std::string> OpenAs(const fs::path& p, int item) {
    const std::size_t before = host.Alerts().size();
    OpenChosen({p}, kKxFilterReadable, {item});
    std::vector<std::string> notes;
    for (std::size_t i = before; i < host.Alerts().size(); ++i)
      if (host.Alerts()[i].kind == KxAlertKind::kNote) notes.push_back(host.Alerts()[i].text);
    return notes;
  }
};

// "日本語" in Shift_JIS: 93FA 967B 8CEA.
const std::string kSJIS = "\x93\xfa\x96\x7b\x8c\xea\n";

TEST_F(ReadNoticeTest, BytesThatAreNoCharacterInTheChosenEncodingAreTold) {
  KxSetCustomNavigation(true);
  const fs::path p = Write("sjis.txt", kSJIS);
  std::vector<std::string> notes = OpenAs(p, 5);   // UTF-8
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("\u300Csjis.txt\u300Dの 5 バイトは UTF-8 の文字になりません"), std::string::npos) << notes[0];
  ASSERT_NE(Front(), nullptr);
  Front()->AttemptClose();
  Drain();

  // 93 and 96 are no EUC-JP lead; FA96, 7B and 8C are read as other bytes.
  notes = OpenAs(p, 3);   // EUC-JP
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("EUC-JP の文字になりません"), std::string::npos) << notes[0];
  KxSetCustomNavigation(false);
}

TEST_F(ReadNoticeTest, FilesInTheirOwnEncodingSayNothing) {
  KxSetCustomNavigation(true);
  const struct {
    const char* name;
    std::string bytes;
    int item;
  } files[] = {
      {"u8.txt", "\xe6\x97\xa5\xe6\x9c\xac\n", 0},
      {"u8forced.txt", "\xef\xbb\xbf\xe6\x97\xa5\xf0\x9f\x98\x80\n", 5},
      {"euc.txt", "\xc6\xfc\xcb\xdc\xb8\xec\x8e\xb1\x8f\xb0\xa1\n", 3},
      {"sjis.txt", kSJIS, 0},
  };
  for (const auto& f : files) EXPECT_TRUE(OpenAs(Write(f.name, f.bytes), f.item).empty()) << f.name;
  KxSetCustomNavigation(false);
}

// The count is of bytes, in the steps the readers take.
TEST(CountUndecodable, CountsTheBytesEachReaderCannotRead) {
  auto count = [](short code, const std::string& s) {
    return CKXJCode::CountUndecodable(code, reinterpret_cast<const unsigned char*>(s.data()), long(s.size()));
  };
  EXPECT_EQ(count(kKxCodeUTF8, ""), 0);
  EXPECT_EQ(count(kKxCodeUTF8, "plain ascii text, long enough for the fast path"), 0);
  EXPECT_EQ(count(kKxCodeUTF8, "\xe6\x97"), 2);               // cut short at the end
  EXPECT_EQ(count(kKxCodeUTF8, "a\xc0\xaf" "b"), 2);          // overlong
  EXPECT_EQ(count(kKxCodeUTF8, "\xed\xa0\x80"), 3);           // an encoded surrogate
  EXPECT_EQ(count(kKxCodeUTF8, "\xe6\x97\xa5\xff"), 1);
  EXPECT_EQ(count(kKxCodeEUC, "\xc6\xfc\x8e\xb1\x8f\xb0\xa1"), 0);
  EXPECT_EQ(count(kKxCodeEUC, "\x80\xc6"), 2);                // a stray byte, a lone lead at the end
  EXPECT_EQ(count(kKxCodeSJIS, "\xff\xff"), 0);
  // Linear: a large buffer of stray bytes is counted in one pass.
  const std::string big(8 << 20, '\x80');
  EXPECT_EQ(count(kKxCodeUTF8, big), long(big.size()));
  EXPECT_EQ(count(kKxCodeEUC, big), long(big.size()));
}

}  // namespace
