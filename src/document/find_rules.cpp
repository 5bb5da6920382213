#include "document/find_rules.h"

KxHistoryChoice KxHistoryPopupChoice(int item, int count) {
  if (item <= 0) return KxHistoryChoice::kNothing;
  if (item <= count) return KxHistoryChoice::kEntry;
  // The fixed items follow the entries and a separator; an empty history
  // has neither, so its first fixed item is item 1.
  const int k = count > 0 ? item - count - 1 : item;
  if (k == 1) return KxHistoryChoice::kClear;
  if (k == 3) return KxHistoryChoice::kTab;
  return KxHistoryChoice::kReturn;
}

bool KxRegExpItemGoesToReplace(const std::string& item) {
  if (item == "&") return true;
  return item.size() == 2 && item[0] == '\\' && item[1] >= '1' && item[1] <= '9';
}
