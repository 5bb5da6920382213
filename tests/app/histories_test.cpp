// Find, replace and header/footer histories and their pop-ups.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/histories.h"
#include "platform/framework/menu.h"

namespace {

struct P {
  Str255 s;
  explicit P(const std::string& t) {
    s[0] = static_cast<unsigned char>(t.size());
    std::memcpy(s + 1, t.data(), t.size());
  }
};

std::string Entry(const KxBlock& h, unsigned short n) {
  unsigned char s[256];
  if (!UFindReplMenu::GetHistString(n, h, s)) return "<none>";
  return std::string(reinterpret_cast<char*>(s + 1), s[0]);
}

TEST(FindHistory, NewestFirstAtMostSixteenNoSeparators) {
  KxBlock h;
  UFindReplMenu::InsertHistHandle(P("-x").s, h);
  EXPECT_TRUE(h.empty());
  for (int k = 0; k < 17; ++k) UFindReplMenu::InsertHistHandle(P("t" + std::to_string(k)).s, h);
  EXPECT_EQ(UFindReplMenu::CountHistHandle(h), 16);
  EXPECT_EQ(Entry(h, 1), "t16");
  EXPECT_EQ(Entry(h, 16), "t1");   // t0 dropped
  const KxBlock before = h;
  UFindReplMenu::InsertHistHandle(P("t16").s, h);
  EXPECT_EQ(h, before);
  UFindReplMenu::InsertHistHandle(P("t5").s, h);
  EXPECT_EQ(Entry(h, 1), "t5");
  EXPECT_EQ(UFindReplMenu::CountHistHandle(h), 16);
  UFindReplMenu::AdjustHistHandle(3, h);
  EXPECT_EQ(Entry(h, 1), "t15");
  UFindReplMenu::AdjustHistHandle(40, h);
  UFindReplMenu::DeleteHistHandle(3, h);
  EXPECT_EQ(UFindReplMenu::CountHistHandle(h), 2);
  UFindReplMenu::DeleteHistHandle(9, h);
  EXPECT_EQ(UFindReplMenu::CountHistHandle(h), 2);
}

TEST(FindHistory, ABlockFromOutsideIsCutAtItsLastCompleteEntry) {
  KxBlock h = {2, 'a', 'b', 5, 'c'};
  EXPECT_EQ(UFindReplMenu::CountHistHandle(h), 1);
  UFindReplMenu::InsertHistHandle(P("z").s, h);
  EXPECT_EQ(h, (KxBlock{1, 'z', 2, 'a', 'b'}));
}

// A block read from outside holds only what the fields could have recorded:
// no entry a pop-up would show as a separator, no lead byte that begins no
// character.
TEST(FindHistory, ABlockFromOutsideKeepsWhatTheProgramRecords) {
  KxBlock h = {1, '-', 2, '-', 'x', 2, 'a', 0x82,   // a lead byte at the end
               3, 0x82, 0, 'b',                     // and one before a byte that cannot follow it
               4, 0x82, 0xA0, 'c', '\r', 0};
  UFindReplMenu::Truncate(h);
  EXPECT_EQ(h, (KxBlock{1, 'a', 2, 0, 'b', 4, 0x82, 0xA0, 'c', '\r', 0}));
}

TEST(FindHistory, ThePopupKeepsItsFixedItems) {
  LMenu popup(1, P("find").s);
  for (const char* t : {"clear", "edit", "more"}) popup.InsertItem(P(t).s, popup.CountItems());
  KxBlock h;
  UFindReplMenu::UpdateMenu(popup, h);
  EXPECT_EQ(popup.CountItems(), 3);
  EXPECT_FALSE(popup.IsItemEnabled(1));
  UFindReplMenu::InsertHistHandle(P("(a;b)").s, h);
  UFindReplMenu::InsertHistHandle(P("x").s, h);
  UFindReplMenu::UpdateMenu(popup, h);
  ASSERT_EQ(popup.CountItems(), 6);
  EXPECT_TRUE(popup.GetItem(3)->separator);
  EXPECT_EQ(popup.GetItem(2)->text, "(a;b)");   // meta-characters shown as they are
  UFindReplMenu::UpdateMenu(popup, KxBlock{});
  EXPECT_EQ(popup.CountItems(), 3);
}

TEST(HeadFootHistory, HyphensSpacesAndNewHeads) {
  KxBlock h;
  SHFHist head;
  head.alignment = 1;
  UHeadFootMenu::InsertHistHandle(head, P("").s, h);
  EXPECT_TRUE(h.empty());
  UHeadFootMenu::InsertHistHandle(head, P("-").s, h);
  UHeadFootMenu::InsertHistHandle(head, P("-" + std::string(254, 'y')).s, h);   // would need 256 bytes
  UHeadFootMenu::InsertHistHandle(head, P("page").s, h);
  EXPECT_EQ(UHeadFootMenu::CountHistHandle(h), 2);
  SHFHist got;
  unsigned char text[256];
  ASSERT_TRUE(UHeadFootMenu::GetHistString(2, h, got, text));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(text + 1), text[0]), " -");
  head.alignment = 2;
  head.distance = -7;
  UHeadFootMenu::InsertHistHandle(head, P(" -").s, h);
  ASSERT_TRUE(UHeadFootMenu::GetHistString(1, h, got, text));
  EXPECT_EQ(got.alignment, 2);
  EXPECT_EQ(got.distance, -7);
  EXPECT_EQ(UHeadFootMenu::CountHistHandle(h), 2);
  for (int k = 0; k < 20; ++k) UHeadFootMenu::InsertHistHandle(head, P("h" + std::to_string(k)).s, h);
  EXPECT_EQ(UHeadFootMenu::CountHistHandle(h), 16);
  EXPECT_FALSE(UHeadFootMenu::GetHistString(17, h, got, text));
  KxBlock cut(h.begin(), h.end() - 1);
  EXPECT_EQ(UHeadFootMenu::CountHistHandle(cut), 15);

  // From outside: "-" as the program records it, the lone lead byte gone,
  // the heads kept.
  KxBlock stored;
  for (const std::string& t : {std::string("-"), std::string(), std::string("\x82"), std::string("x\x82")}) {
    KxBlock entry(kKxHFHistHead, 0);
    entry[0] = 0x12;
    entry.back() = std::uint8_t(t.size());
    entry.insert(entry.end(), t.begin(), t.end());
    stored.insert(stored.end(), entry.begin(), entry.end());
  }
  UHeadFootMenu::Truncate(stored);
  ASSERT_EQ(UHeadFootMenu::CountHistHandle(stored), 4);
  const char* expected[] = {" -", "", "", "x"};
  for (unsigned short n = 1; n <= 4; ++n) {
    ASSERT_TRUE(UHeadFootMenu::GetHistString(n, stored, got, text));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(text + 1), text[0]), expected[n - 1]);
    EXPECT_EQ(got.distance, 0x1200);
  }
}

}  // namespace
