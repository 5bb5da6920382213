#include "macros/macro_editor_maps.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "macros/macro_list.h"
#include "platform/script.h"
#include "text/codes/unichar.h"
#include "text/codes/unicode.h"

namespace kxme {

namespace {

// The master subject list: item, code. Items not listed stand for none.
constexpr int kMaster[][2] = {
    {1, 0},   {2, 1},   {4, 11},  {5, 12},  {6, 13},  {8, 21},  {9, 22},  {10, 23}, {11, 31}, {12, 32},
    {13, 33}, {14, 41}, {16, 51}, {17, 52}, {18, 53}, {19, 54}, {20, 55}, {21, 56}, {22, 57}, {23, 58},
    {25, 61}, {26, 62}, {27, 63}, {28, 64}, {29, 65}, {30, 66}, {31, 67}, {32, 68}, {43, 73}, {44, 74},
    {45, 75}, {47, 76}, {48, 77}, {50, 78}, {51, 79}, {53, 81}, {54, 82},
};

int MasterCode(int item) {
  for (const auto& e : kMaster)
    if (e[0] == item) return e[1];
  return -1;
}

int MasterItem(int code) {
  for (const auto& e : kMaster)
    if (e[1] == code) return e[0];
  return 0;
}

// How far each pop-up's items lie before the master list's.
int Offset(std::int32_t popup) {
  switch (popup) {
    case kLeftSubject: return 1;
    case kValueRegister:
    case kRegister:
    case kSearch: return 13;
    case kExtOperation: return 40;
    default: return 0;
  }
}

// Pop-ups whose first item is "none" (code 0) and that offer no text.
bool NoneFirst(std::int32_t popup) { return popup == kLeftSubject || popup == kValueRegister || popup == kRegister; }

struct KeyItem {
  int item;
  unsigned char character;
  unsigned char modifiers;
};
constexpr KeyItem kKeys[] = {
    {1, 28, 0},  {2, 29, 0},  {3, 30, 0},  {4, 31, 0},  {5, 28, 4},   {6, 29, 4},   {7, 28, 2},   {8, 29, 2},
    {9, 11, 0},  {10, 12, 0}, {11, 1, 0},  {12, 4, 0},  {14, 28, 6},  {15, 29, 6},  {16, 30, 6},  {17, 31, 6},
    {19, 8, 0},  {20, 127, 0}, {21, 8, 4}, {22, 127, 4}, {23, 8, 2},  {24, 127, 2}, {25, 127, 6}, {27, 3, 6},
};

constexpr unsigned char kCommandBit = 2;
constexpr unsigned char kOptionBit = 4;

// Appends to a row that may not pass its limit, cutting on characters.
class Row {
 public:
  explicit Row(std::size_t limit) : mLimit(limit) {}
  void Add(const std::string& text) { Add(text.data(), text.size()); }
  void Add(const char* text, std::size_t length) {
    if (!text || length == 0 || mText.size() >= mLimit) return;
    mText.append(text, CutToCharBoundary(text, length, mLimit - mText.size()));
  }
  void Byte(char c) {
    if (mText.size() < mLimit) mText += c;
  }
  std::size_t Size() const { return mText.size(); }
  std::string Take() { return std::move(mText); }

 private:
  std::size_t mLimit;
  std::string mText;
};

// A text of one return or one tab shows as its word.
void AddShownText(Row& row, const char* text, std::int16_t length, const RowWords& words) {
  if (!text || length < 1) return;
  if (length == 1 && text[0] == '\r') row.Add(words.word(20));
  else if (length == 1 && text[0] == '\t') row.Add(words.word(21));
  else row.Add(text, std::size_t(length));
}

void AddTarget(Row& row, std::uint16_t kind, const char* text, std::int16_t length, int labelWord,
               const RowWords& words) {
  if (kind == 0) return;
  row.Add(words.word(labelWord));
  if (kind == kMacroJumpLine) row.Add(words.word(1));
  else if (kind == kMacroJumpLabel) row.Add(words.word(2));
  else row.Add(words.item(kJump1, JumpIndex(kind)));
  if (text && length > 0) row.Add(text, std::size_t(length));
}

void AddTargets(Row& row, const SKXTMacroEdit& r, int firstWord, const RowWords& words) {
  AddTarget(row, r.target1Kind, r.target1Text, r.target1Length, firstWord, words);
  AddTarget(row, r.target2Kind, r.target2Text, r.target2Length, firstWord + 1, words);
}

}  // namespace

std::size_t CutToCharBoundary(const char* text, std::size_t length, std::size_t limit) {
  if (length <= limit) return length;
  const std::uint8_t* lead = KxScriptParseTable(kScriptJapanese);
  std::size_t i = 0;
  while (i < limit) {
    const std::size_t n = (lead[std::uint8_t(text[i])] && i + 1 < length) ? 2 : 1;
    if (i + n > limit) break;
    i += n;
  }
  return i;
}

std::string UnicodeLineText(const SKXTMacroEdit& r) {
  std::string text;
  std::vector<SKXUniChar> uni;
  if (r.opcode == kMacroUnicodeText && r.text && r.textLength > 0) KxUTF8ToHeldText(r.text, r.textLength, text, uni);
  return text;
}

int KindIndex(std::int32_t popup, int code) {
  if (popup == kSearch && (code == 0 || code == 1)) return 1;
  if (NoneFirst(popup)) {
    if (code == 0) return 1;
    if (code == 1) return 0;   // the statement's text is no register or left subject
  }
  const int master = MasterItem(code);
  if (master == 0 && code != 0) return 0;
  const int item = (code == 0 ? 1 : master) - Offset(popup);
  return item >= 1 ? item : 0;
}

int IndexKind(std::int32_t popup, int item) {
  if (popup == kSearch && item <= 1) return 1;
  if (item < 1) return 0;
  // "None" stays none both ways (adding the offset would give a register).
  if (NoneFirst(popup) && item == 1) return 0;
  const int code = MasterCode(item + Offset(popup));
  return code < 0 ? 0 : code;
}

int CalcIndex(int operation) {
  switch (operation) {
    case 0:
    case kMacroValueClear: return 1;
    case kMacroValueInsert: return 2;
    default: return operation >= kMacroValueSet && operation <= kMacroValueRemainder ? operation - 7 : 0;
  }
}

int IndexCalc(int item) {
  if (item == 1) return kMacroValueClear;
  if (item == 2) return kMacroValueInsert;
  if (item >= 4 && item <= 9) return item + 7;
  return 0;
}

int KeyCodeIndex(unsigned char character, unsigned char modifiers) {
  const unsigned char mods = modifiers & (kCommandBit | kOptionBit);
  if ((character == 30 || character == 31) && (mods == kCommandBit || mods == kOptionBit)) return character - 27;
  if (character == 8 && mods == (kCommandBit | kOptionBit)) return 19;
  if (character == 3 && mods != (kCommandBit | kOptionBit)) return 0;
  for (const KeyItem& k : kKeys)
    if (k.character == character && k.modifiers == mods) return k.item;
  return 0;
}

bool IndexKeyCode(int item, unsigned char& character, unsigned char& modifiers) {
  for (const KeyItem& k : kKeys)
    if (k.item == item) {
      character = k.character;
      modifiers = k.modifiers;
      return true;
    }
  return false;
}

int JumpIndex(int kind) {
  switch (kind) {
    case kMacroJumpNext: return 1;
    case kMacroJumpLine: return 3;
    case kMacroJumpLabel: return 4;
    default: return 6;
  }
}

int IndexJump(int item) {
  switch (item) {
    case 3: return kMacroJumpLine;
    case 4: return kMacroJumpLabel;
    case 6: return kMacroJumpStop;
    default: return kMacroJumpNext;
  }
}

std::string RowText(long line, const SKXTMacroEdit& r, const RowWords& words) {
  Row row(kMaxRow);
  std::string number = std::to_string(line < 0 ? 0 : line).substr(0, 4);
  number.resize(4, ' ');
  row.Add(number);
  // A Unicode text line is a text line to the user.
  row.Add(words.item(kNewPopup, r.opcode == kMacroUnicodeText ? int(kMacroText) : int(r.opcode)));
  row.Byte(' ');
  row.Byte('\0');
  switch (r.opcode) {
    case kMacroCommand:
      row.Add(words.command(UKXTextMacro::DecodeCommand(r.value)));
      break;
    case kMacroText:
      if (r.text && r.textLength > 0 && row.Size() < kMaxTextRow)
        row.Add(r.text, CutToCharBoundary(r.text, std::size_t(r.textLength), kMaxTextRow - row.Size()));
      break;
    case kMacroUnicodeText: {
      const std::string text = UnicodeLineText(r);
      if (!text.empty() && row.Size() < kMaxTextRow)
        row.Add(text.data(), CutToCharBoundary(text.data(), text.size(), kMaxTextRow - row.Size()));
      break;
    }
    case kMacroKey:
      row.Add(words.item(kKeyPopup, KeyCodeIndex(std::uint8_t(r.value), std::uint8_t(r.option))));
      if (r.option & 1) {
        row.Byte('+');
        row.Add(words.title(kKeyShift));
      }
      if (r.count >= 2) {
        row.Add(words.title(kKeyCountCaption));
        row.Add(std::to_string(r.count));
      }
      break;
    case kMacroGoto:
      if (r.value <= kMacroJumpLine) row.Add(words.word(1));
      else if (r.value == kMacroJumpLabel) row.Add(words.word(2));
      else row.Add(words.item(kJump1, JumpIndex(r.value)));
      AddShownText(row, r.text, r.textLength, words);
      break;
    case kMacroLabel:
      AddShownText(row, r.text, r.textLength, words);
      break;
    case kMacroValue:
      row.Add(words.item(kValueRegister, KindIndex(kValueRegister, r.value)));
      if (r.value == 0) break;
      if (r.option == 0 || r.option == kMacroValueClear || r.option == kMacroValueInsert) {
        row.Add(words.item(kOperation, CalcIndex(r.option)));
        break;
      }
      row.Add(words.word(r.option >= kMacroValueSet && r.option < kMacroValueRemainder ? r.option - 2 : 14));
      if (r.count == 1) row.Add(r.text ? r.text : "", std::size_t(std::max<std::int16_t>(r.textLength, 0)));
      else row.Add(words.item(kSource, KindIndex(kSource, r.count)));
      break;
    case kMacroCompare: {
      row.Add(words.item(kLeftSubject, KindIndex(kLeftSubject, r.value)));
      if (r.value == 0) break;
      static const char* const kOperators[] = {" == ", " != ", " >= ", " <= ", " > ", " < "};
      row.Add(kOperators[r.option <= 5 ? r.option : 5]);
      if (r.count == 1) row.Add(r.text ? r.text : "", std::size_t(std::max<std::int16_t>(r.textLength, 0)));
      else row.Add(words.item(kSource, KindIndex(kSource, r.count)));
      AddTargets(row, r, 3, words);
      break;
    }
    case kMacroFind: {
      if (r.value > 1) row.Add(words.item(kSearch, KindIndex(kSearch, r.value)));
      else AddShownText(row, r.text, r.textLength, words);
      static const std::uint16_t kBits[] = {4, 8, 2, 1, 16};
      if (r.option & (4 | 8 | 2 | 1 | 16)) {
        row.Byte('+');
        for (int i = 0; i < 5; ++i)
          if (r.option & kBits[i]) row.Add(words.word(15 + i));
      }
      AddTargets(row, r, 5, words);
      break;
    }
    case kMacroDialog:
      row.Add(words.title(r.value == 0 ? kDialogInput : kDialogNote));
      if (r.text && r.textLength > 0) {
        row.Byte('[');
        row.Add(r.text, std::size_t(r.textLength));
        row.Byte(']');
      }
      if (r.count != 0) {
        row.Byte('+');
        row.Add(words.item(kRegister, KindIndex(kRegister, r.count)));
      }
      if (r.value == 0) AddTargets(row, r, 7, words);
      break;
    case kMacroExtend:
      row.Add(words.item(kExtOperation, KindIndex(kExtOperation, r.value)));
      if (r.count != 0) {
        row.Byte('+');
        row.Add(words.item(kRegister, KindIndex(kRegister, r.count)));
      }
      break;
    default:
      break;
  }
  return row.Take();
}

long PasteLines(CKXTMacroEditArray& lines, const char* code, long size, long position) {
  if (!code || size <= 0) return 0;
  std::vector<char> copy(code, code + size);
  CKXTMacroEditArray pasted;
  if (pasted.AnalyzeMacro(copy.data(), size) != noErr) return 0;
  const long count = pasted.GetCount();
  if (count == 0) return 0;
  position = std::clamp(position, 1L, lines.GetCount() + 1);
  // The lines already there move on by the whole count at once; the
  // pasted lines keep the numbers they were copied with.
  lines.RenumMacro(position, count);
  for (long i = 1; i <= count; ++i) {
    SKXTMacroEdit line;
    pasted.GetAt(i, line);
    lines.InsertAt(position + i - 1, line);
    // The texts now belong to `lines`.
    line.text = line.target1Text = line.target2Text = nullptr;
    line.textLength = line.target1Length = line.target2Length = 0;
    pasted.SetAt(i, line);
  }
  return count;
}

void ClearLines(CKXTMacroEditArray& lines, std::vector<long> selected) {
  // From the last line up: each deletion leaves the numbers of the lines
  // still to delete as they were.
  std::sort(selected.begin(), selected.end(), std::greater<long>());
  selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
  for (long n : selected) {
    if (n < 1 || n > lines.GetCount()) continue;
    lines.RenumMacro(n + 1, -1);
    lines.DeleteAt(n);
  }
}

}  // namespace kxme
