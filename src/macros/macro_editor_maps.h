// The macro editor's tables: pane IDs of window layout 3300, the maps
// between pop-up items and the codes of the byte code, the row text of a
// line, and the line-list operations of paste and clear.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "macros/macro.h"

class CKXTMacroEditArray;

namespace kxme {

// Window layout 3300.
enum : std::int32_t {
  kLayout = 3300,
  kName = 3301,
  kMacroPopup = 3302,
  kNewPopup = 3303,
  kList = 3304,
  kHidden = 3305,
  kFunction = 3306,
  kFuncShift = 3307,
  kFuncOption = 3308,
  kFuncNumber = 3309,
  kStore = 3310,
  kRead = 3311,
  kWrite = 3312,
  kCommandField = 3323,
  kTextField = 3326,
  kKeyPopup = 3329,
  kKeyShift = 3330,
  kKeyCountCaption = 3331,
  kKeyCount = 3332,
  kGotoLine = 3334,
  kGotoLabel = 3335,
  kGotoStop = 3336,
  kGotoField = 3338,
  kLabelField = 3341,
  kValueRegister = 3344,
  kOperation = 3346,
  kSource = 3348,
  kSourceText = 3349,
  kLeftSubject = 3352,
  kOperator = 3354,
  kJump1 = 3358,
  kJump1Field = 3359,
  kJump2 = 3360,
  kJump2Field = 3361,
  kSearch = 3364,
  kSearchText = 3365,
  kIgnoreWidth = 3366,
  kIgnoreKana = 3367,
  kIgnoreCase = 3368,
  kBackward = 3369,
  kRegex = 3370,
  kDialogInput = 3374,
  kDialogNote = 3375,
  kPrompt = 3377,
  kRegister = 3381,
  kExtOperation = 3384,
  kFirstStepPane = 3321,
  kLastStepPane = 3384,
};

// Message list 206 (the words of list rows) and the texts of the
// editor's prompts.
constexpr std::int16_t kRowWords = 206;
constexpr std::int16_t kDialogTexts = 200;
constexpr std::int16_t kSavePromptItem = 1;
constexpr std::int16_t kBadLineNote = 7;   // of list 204

// Longest texts a line may hold: the one-byte lengths of statements 4-9
// and the 16-bit length of a text statement.
constexpr std::size_t kMaxShortText = 255;
constexpr std::size_t kMaxLongText = 32767;
constexpr std::int32_t kMaxRepeat = kMacroMaxKeyCount;
// Rows are length-prefixed strings; a text line's text keeps its row
// within 127 bytes.
constexpr std::size_t kMaxRow = 255;
constexpr std::size_t kMaxTextRow = 127;

// Subject pop-ups (3348, 3352, 3344, 3381, 3364, 3384): the item that shows
// a code (0 when the pop-up does not offer it) and the code of an item (0
// for an item that stands for none).
int KindIndex(std::int32_t popup, int code);
int IndexKind(std::int32_t popup, int item);
// The operation pop-up 3346.
int CalcIndex(int operation);
int IndexCalc(int item);
// The key pop-up 3329 (modifiers: bit 2 command, 4 option; shift ignored).
int KeyCodeIndex(unsigned char character, unsigned char modifiers);
// False for an item that sets nothing.
bool IndexKeyCode(int item, unsigned char& character, unsigned char& modifiers);
constexpr int kKeyItemCount = 27;
constexpr int kFirstNoShiftKeyItem = 14;
// The jump pop-ups 3358 and 3360.
int JumpIndex(int kind);
int IndexJump(int item);

// Cuts Shift_JIS text to at most `limit` bytes, never inside a two-byte
// character; answers the length kept.
std::size_t CutToCharBoundary(const char* text, std::size_t length, std::size_t limit);
// The script bytes a Unicode text line inserts, placeholders standing for
// what they have no code for: its text as the editor shows it.
std::string UnicodeLineText(const SKXTMacroEdit& record);

// What a row text is made of: pop-up item texts and control titles of the
// window, items of list 206 and command names.
struct RowWords {
  std::function<std::string(std::int32_t pane, int item)> item;   // "" for none
  std::function<std::string(std::int32_t pane)> title;
  std::function<std::string(int item)> word;                       // list 206
  std::function<std::string(long command)> command;                // "" for none
};

// The row of a line: its number in four columns, the kind's name, a space
// and a zero byte, then what the line does; at most kMaxRow bytes, cut on
// a character boundary.
std::string RowText(long line, const SKXTMacroEdit& record, const RowWords& words);

// Inserts the statements of `code` (decoded with copied texts) as lines
// from `position` on: the lines already there have their line-number
// targets at or after the position moved on by the count pasted, and the
// pasted lines keep theirs. Answers the number of lines inserted (0 for
// code that does not decode).
long PasteLines(CKXTMacroEditArray& lines, const char* code, long size, long position);
// Deletes these lines (numbers from 1, any order, duplicates ignored),
// each deletion moving the targets after it back by one.
void ClearLines(CKXTMacroEditArray& lines, std::vector<long> selected);

}  // namespace kxme
