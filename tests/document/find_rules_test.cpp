// The history pop-ups' arithmetic and where a regular-expression item goes.
#include <gtest/gtest.h>

#include "document/find_rules.h"

namespace {

TEST(FindRules, HistoryPopupItems) {
  using C = KxHistoryChoice;
  struct Case {
    int item, count;
    C want;
  } cases[] = {
      {0, 0, C::kNothing}, {-1, 3, C::kNothing},
      // An empty history: the fixed items are items 1-3.
      {1, 0, C::kClear},   {2, 0, C::kReturn},  {3, 0, C::kTab},
      // Three entries, a separator (4), then the fixed items 5-7.
      {1, 3, C::kEntry},   {3, 3, C::kEntry},   {5, 3, C::kClear}, {6, 3, C::kReturn}, {7, 3, C::kTab},
      // Sixteen entries.
      {16, 16, C::kEntry}, {18, 16, C::kClear}, {20, 16, C::kTab},
  };
  for (const Case& c : cases) EXPECT_EQ(KxHistoryPopupChoice(c.item, c.count), c.want) << c.item << "/" << c.count;
}

TEST(FindRules, RegExpItemsToReplaceOnlyBackreferencesAndAmpersand) {
  for (char d = '1'; d <= '9'; ++d) EXPECT_TRUE(KxRegExpItemGoesToReplace(std::string("\\") + d)) << d;
  EXPECT_TRUE(KxRegExpItemGoesToReplace("&"));
  for (const char* s : {"\\0", "\\a", "\\d", ".", "&&", "\\10", "\\", "", "[]"})
    EXPECT_FALSE(KxRegExpItemGoesToReplace(s)) << s;
}

}  // namespace
