// The stream editor's script history, its stored texts and the names of
// its outputs.
#include <gtest/gtest.h>

#include <string>

#include "tools/sed_history.h"

namespace {
std::vector<std::string> All(const KxBlock& h) {
  std::vector<std::string> out;
  std::string text;
  for (short n = 1; n <= UKXSEDHistMenu::Count(h); ++n) {
    UKXSEDHistMenu::GetTextHistHandle(text, 70000, n, h);
    out.push_back(text);
  }
  return out;
}
}  // namespace

TEST(SEDHistory, InsertMoveDeleteAndLimits) {
  KxBlock h;
  EXPECT_EQ(UKXSEDHistMenu::Count(h), 0);
  for (int i = 1; i <= 17; ++i) UKXSEDHistMenu::InsertHistHandle("s/" + std::to_string(i) + "/x/", h, false);
  // Sixteen from runs: the oldest went.
  ASSERT_EQ(UKXSEDHistMenu::Count(h), 16);
  EXPECT_EQ(All(h).front(), "s/17/x/");
  EXPECT_EQ(All(h).back(), "s/2/x/");
  // The same script again moves to the front.
  UKXSEDHistMenu::InsertHistHandle("s/5/x/", h, false);
  EXPECT_EQ(All(h).front(), "s/5/x/");
  EXPECT_EQ(UKXSEDHistMenu::Count(h), 16);
  // The close-time entry is appended beyond the limit...
  UKXSEDHistMenu::InsertHistHandle("box text", h, true);
  EXPECT_EQ(UKXSEDHistMenu::Count(h), 17);
  // ...and a block of more than 16 (read from a file) shrinks to 16 before
  // the next insert.
  UKXSEDHistMenu::InsertHistHandle("new", h, false);
  EXPECT_EQ(UKXSEDHistMenu::Count(h), 16);
  EXPECT_EQ(All(h).front(), "new");
  // Adjust and delete past the count leave the block alone.
  const KxBlock before = h;
  UKXSEDHistMenu::AdjustHistHandle(17, h);
  UKXSEDHistMenu::DeleteHistHandle(17, h);
  UKXSEDHistMenu::AdjustHistHandle(0, h);
  EXPECT_EQ(h, before);
  UKXSEDHistMenu::DeleteHistHandle(3, h);
  EXPECT_EQ(UKXSEDHistMenu::Count(h), 2);
  UKXSEDHistMenu::DeleteHistHandle(1, h);
  EXPECT_TRUE(h.empty());
}

TEST(SEDHistory, LengthsAndMenu) {
  KxBlock h;
  // Over 32,767 bytes: recorded whole (lengths are unsigned); over 65,535:
  // not recorded.
  const std::string big(40000, 'a');
  EXPECT_TRUE(UKXSEDHistMenu::InsertHistHandle(big, h, false));
  EXPECT_FALSE(UKXSEDHistMenu::InsertHistHandle(std::string(70000, 'b'), h, false));
  UKXSEDHistMenu::InsertHistHandle("", h, false);
  EXPECT_EQ(All(h), (std::vector<std::string>{"", big}));
  // The popup: the first line, cut at a control character and at 127 bytes
  // without splitting a double-byte character.
  KxBlock m;
  std::string sjis = "a";
  for (int i = 0; i < 100; ++i) sjis += "\x93\xFA";
  UKXSEDHistMenu::InsertHistHandle(sjis + "\rsecond", m, false);
  UKXSEDHistMenu::InsertHistHandle("s/a/b/\tg\rp", m, false);
  const auto items = UKXSEDHistMenu::MenuItems(m);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0], "s/a/b/");
  EXPECT_EQ(items[1].size(), 127u);
  // A block cut short shows the entries before the cut.
  KxBlock cut{0, 2, 'a', 'b', 0, 9, 'c'};
  EXPECT_EQ(All(cut), (std::vector<std::string>{"ab"}));
}

TEST(SEDHistory, RecordTextsAndOutputNames) {
  std::array<std::uint8_t, 256> r{};
  r[32] = 200;   // runs past the title's field and the suffix's
  r[96] = 255;
  EXPECT_EQ(KxStreamEditorTitle(r).size(), 63u);
  EXPECT_EQ(KxStreamEditorSuffix(r).size(), 95u);
  const std::set<std::string> targets{"a.txt", "a.New.txt", "b"};
  std::set<std::string> written;
  std::string why;
  EXPECT_EQ(KxSEDOutputName(kKxSEDCopy, "b", "", "", {"b"}, written, why), "b.New");
  EXPECT_EQ(KxSEDOutputName(kKxSEDCopy, "x.tar.gz", "", "_new", {}, written, why), "x.tar_new.gz");
  EXPECT_EQ(KxSEDOutputName(kKxSEDCopy, "日本.txt", "", "_新", {}, written, why), "日本_新.txt");
  EXPECT_EQ(KxSEDOutputName(kKxSEDNewDocument, "a.txt", "", "", {}, written, why), "Newa.txt");
  EXPECT_EQ(KxSEDOutputName(kKxSEDOverwrite, "a.txt", "", "", targets, written, why), "a.txt");
  // Refused: a copy onto another target, a title naming a target, names
  // that leave the folder, a name the run already wrote.
  EXPECT_EQ(KxSEDOutputName(kKxSEDCopy, "a.txt", "", "", targets, written, why), "");
  EXPECT_EQ(KxSEDOutputName(kKxSEDNewDocument, "b", "a.txt", "", targets, written, why), "");
  for (const char* bad : {"../x", "a/b", "..", "."})
    EXPECT_EQ(KxSEDOutputName(kKxSEDNewDocument, "b", bad, "", {}, written, why), "") << bad;
  EXPECT_EQ(KxSEDOutputName(kKxSEDCopy, "b", "", "/..", {}, written, why), "");
  written.insert("Newb");
  EXPECT_EQ(KxSEDOutputName(kKxSEDNewDocument, "b", "", "", {}, written, why), "");
  EXPECT_FALSE(why.empty());
  // Never cut: a name past 255 bytes is refused whole.
  EXPECT_EQ(KxSEDOutputName(kKxSEDCopy, std::string(252, 'n') + ".txt", "", "", {}, {}, why), "");
}
