// The state of one macro run: the line index and the registers.
#pragma once

#include <cstdint>
#include "macros/macro.h"
#include "text/base/array.h"

class CKXPtrBlock;

struct SKXTMacroExec {
  std::uint32_t offset;  // of the statement in the code
  std::uint8_t opcode;
};

// Subject codes a statement reads.
enum : int {
  kSubjectText = 1,
  kSubjectChar = 11,
  kSubjectLineText = 12,
  kSubjectSelection = 13,
  kSubjectStartLine = 21,
  kSubjectStartColumn = 22,
  kSubjectLineChars = 23,
  kSubjectEndLine = 31,
  kSubjectEndColumn = 32,
  kSubjectSelChars = 33,
  kSubjectLineCount = 41,
  kStringRegister1 = 51,
  kNumberRegister1 = 61,
};

class CKXTMacroExec {
 public:
  static constexpr int kRegisters = 8;

  CKXTMacroExec() = default;
  ~CKXTMacroExec();
  CKXTMacroExec(const CKXTMacroExec&) = delete;
  CKXTMacroExec& operator=(const CKXTMacroExec&) = delete;

  // Builds the line index (statements other than repeat and header).
  void AnalyzeMacro(const char* code, long size);
  long GetLineCount() const { return mLines.GetCount(); }
  // Offset of the line whose number the text holds, or -1.
  long FindNumber(const char* text, short length) const;
  // Offset of the first label statement with this name, or -1.
  long FindLabel(const char* code, const char* name, short length) const;

  // Reads a subject. A string register yields its handle (text null), a
  // text subject a text in buffer, a number subject its number; false for a
  // code that is no subject (everything empty or 0).
  Boolean GetSubject(int code, char**& handle, char*& text, long& length, long& number, CKXPtrBlock& buffer);

  void Value(const SKXTMacroEdit& record);
  Boolean Compare(const SKXTMacroEdit& record);
  Boolean Find(const SKXTMacroEdit& record);
  short Dialog(const SKXTMacroEdit& record);
  short Extend(const SKXTMacroEdit& record);

  // The text view the current statement acts on (null: none).
  CKXTMacroTarget* mTarget = nullptr;

  // A string register holds at most this many bytes: a set or append that
  // would go past it is refused as when memory runs out, so that a loop
  // doubling a register stops there instead of exhausting the machine.
  // Answers the old bound (tests set a small one).
  static long SetStringMost(long most);

  // Register contents, for the editor's display and for tests.
  std::int32_t GetNumber(int n) const { return n >= 1 && n <= kRegisters ? mNumbers[n - 1] : 0; }
  long GetStringLength(int n) const { return n >= 1 && n <= kRegisters ? mStringLengths[n - 1] : 0; }
  char** GetString(int n) const { return n >= 1 && n <= kRegisters ? mStrings[n - 1] : nullptr; }

 private:
  short ExtendOperation(int operation, int reg, const char* text, long textLength);
  void SetString(int index, const char* text, long length);
  void AppendString(int index, const char* text, long length);
  // A register's value as a length-prefixed string of at most maxLength bytes.
  void RegisterText(int reg, unsigned char* out, long maxLength) const;
  // A register read as a line number; false for an empty string register.
  bool RegisterLine(int reg, long& line) const;
  // Stores a length-prefixed answer into a register.
  void StoreText(int reg, const unsigned char* text, std::int32_t number);

  TKXArray<SKXTMacroExec> mLines;
  const char* mCode = nullptr;
  long mSize = 0;
  std::int32_t mNumbers[kRegisters] = {};
  char** mStrings[kRegisters] = {};
  long mStringLengths[kRegisters] = {};
};
