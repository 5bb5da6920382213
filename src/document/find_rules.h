// The small rules of the find dialogs, kept apart from the windows so that
// they can be tested on their own.
#pragma once

#include <string>

// What choosing item `item` of a history pop-up does, given `count`
// entries: the entries come first, then the fixed items (clear the
// history, -, Tab, Return).
enum class KxHistoryChoice { kNothing, kEntry, kClear, kTab, kReturn };
KxHistoryChoice KxHistoryPopupChoice(int item, int count);

// An item of the regular-expression list that belongs in the replace
// field: a backslash and a digit 1 to 9, or "&".
bool KxRegExpItemGoesToReplace(const std::string& item);

// The items that follow the entries of a history pop-up.
constexpr int kKxHistoryFixedItems = 3;

// Buttons of the find dialog (2100).
constexpr long kKxFindButton = 2101;
constexpr long kKxFindCancelButton = 2102;
constexpr long kKxFindStoreButton = 2103;
constexpr long kKxFindAssistButton = 2117;
// The view's find commands.
constexpr long kKxCmdFind = 1201;
constexpr long kKxCmdFindNext = 1202;
constexpr long kKxCmdReplace = 1205;
constexpr long kKxCmdReplaceFindNext = 1206;
constexpr long kKxCmdReplaceAll = 1207;
constexpr long kKxCmdFindReplace = 1209;
constexpr long kKxCmdFindAndMark = 1257;
