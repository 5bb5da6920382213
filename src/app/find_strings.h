// The find and replace strings every find shares (the find dialogs, the
// palettes, the text views' find commands, the toolbar), at most 255 bytes
// each, and the find options word built from the find bytes of the main
// preference record.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

constexpr std::size_t kKxFindStringMax = 255;

// `text` (script bytes of the system script) cut to at most `max` bytes,
// never inside a double-byte character.
std::string KxCutOnCharBoundary(const std::string& text, std::size_t max);

// The current strings; setting cuts them to kKxFindStringMax bytes.
const std::string& KxGetFindString();
void KxSetFindString(const std::string& text);
const std::string& KxGetReplString();
void KxSetReplString(const std::string& text);

// The find flags of gPreference, in record order.
enum class KxFindFlag { kWidth = 0, kKana, kCase, kPalette, kBackward, kRegExp };
bool KxGetFindFlag(KxFindFlag flag);
void KxSetFindFlag(KxFindFlag flag, bool on);
// The option bits of the flags (width 4, kana 8, case 2, backward 1,
// regular expression 16); the palette flag has none.
short KxFindOptionsFromPrefs();

// The toolbar's find field follows the find string; the toolbar installs
// its hook (none: nothing to tell).
void KxSetToolbarFindHook(std::function<void(const std::string&)> hook);
void KxToolbarFindString(const std::string& text);
