// The player: runs macro byte code against the front text view, with the
// line index, eight number and eight string registers, and jumps.
#include "macros/macro_exec.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "engine/macro_target.h"
#include "platform/bytefields.h"
#include "platform/exception.h"
#include "text/base/geometry.h"
#include "text/base/memory.h"
#include "text/codes/unichar.h"
#include "text/codes/unicode.h"

namespace {

KxMacroHost gDefaultHost;
KxMacroHost* gHost = &gDefaultHost;

bool PlatformEscape() { return KxEscapeKeyDown(); }
KxMacroEscapePoll gEscapePoll = PlatformEscape;

// Room for a large document's selection, twice over.
long gStringMost = 256L << 20;

bool IsStringRegister(int code) { return code >= kStringRegister1 && code < kStringRegister1 + 8; }
bool IsNumberRegister(int code) { return code >= kNumberRegister1 && code < kNumberRegister1 + 8; }

bool IsTextSubject(int code) {
  return code == kSubjectText || code == kSubjectChar || code == kSubjectLineText || code == kSubjectSelection ||
         IsStringRegister(code);
}

// Copies at most maxLength bytes into a length-prefixed string.
void MakeString(unsigned char* out, const char* text, long length, long maxLength) {
  if (!text || length < 0) length = 0;
  if (length > maxLength) length = maxLength;
  out[0] = std::uint8_t(length);
  if (length > 0) std::memcpy(out + 1, text, std::size_t(length));
}

std::int32_t Wrap(std::uint32_t value) { return std::int32_t(value); }

}  // namespace

void KxMacroSetHost(KxMacroHost* host) { gHost = host ? host : &gDefaultHost; }
KxMacroHost& KxMacroGetHost() { return *gHost; }
void KxMacroSetEscapePoll(KxMacroEscapePoll poll) { gEscapePoll = poll ? poll : PlatformEscape; }

// --- State ----------------------------------------------------------------

CKXTMacroExec::~CKXTMacroExec() {
  for (auto& handle : mStrings) KxMemHFree(handle);
}

void CKXTMacroExec::AnalyzeMacro(const char* code, long size) {
  mCode = code;
  mSize = size;
  mLines.DeleteAll();
  long pos = 0;
  while (pos < size) {
    auto op = std::uint8_t(code[pos]);
    if (op == kMacroEnd) break;
    long length = 3;
    if (op != kMacroCommand && op != kMacroKey) {
      if (size - pos < 3) break;
      length += KxGetU16BE(reinterpret_cast<const std::uint8_t*>(code + pos + 1));
    }
    if (op != kMacroRepeat && op != kMacroHeader) mLines.AddItem({std::uint32_t(pos), op});
    pos += length;
  }
}

long CKXTMacroExec::FindNumber(const char* text, short length) const {
  long line = UKXTextMacro::ReadNumber(text, length);
  if (line < 1 || line > GetLineCount()) return -1;
  SKXTMacroExec item;
  mLines.PeekItem(line, &item);
  return long(item.offset);
}

long CKXTMacroExec::FindLabel(const char* code, const char* name, short length) const {
  if (!code || !name || length < 1) return -1;
  SKXTMacroExec line;
  for (long i = 1; i <= mLines.GetCount(); ++i) {
    mLines.PeekItem(i, &line);
    if (line.opcode != kMacroLabel) continue;
    long at = long(line.offset);
    if (mSize - at < 4) continue;
    long n = std::uint8_t(code[at + 3]);
    if (n != length || mSize - at - 4 < n) continue;
    if (std::memcmp(code + at + 4, name, std::size_t(n)) == 0) return at;
  }
  return -1;
}

// --- Subjects -------------------------------------------------------------

Boolean CKXTMacroExec::GetSubject(int code, char**& handle, char*& text, long& length, long& number,
                                  CKXPtrBlock& buffer) {
  handle = nullptr;
  text = nullptr;
  length = 0;
  number = 0;
  if (IsStringRegister(code)) {
    handle = mStrings[code - kStringRegister1];
    length = mStringLengths[code - kStringRegister1];
    return true;
  }
  if (IsNumberRegister(code)) {
    number = mNumbers[code - kNumberRegister1];
    return true;
  }
  switch (code) {
    case kSubjectChar: case kSubjectLineText: case kSubjectSelection:
    case kSubjectStartLine: case kSubjectStartColumn: case kSubjectLineChars:
    case kSubjectEndLine: case kSubjectEndColumn: case kSubjectSelChars: case kSubjectLineCount:
      break;
    default:
      return false;
  }
  CKXTextEngine* engine = mTarget ? mTarget->GetTextEdit() : nullptr;
  if (!engine) return true;
  KxMacroHost& host = KxMacroGetHost();
  long start = 0, end = 0;
  host.GetSelection(engine, start, end);
  if (end < start) std::swap(start, end);
  // Subjects read only what the text holds: past its end there is nothing
  // (the host would answer zero bytes there).
  const long textLength = host.GetTextLength(engine);
  auto copyRange = [&](long from, long count) {
    if (from < 0 || from >= textLength) return;
    count = std::min(count, textLength - from);
    if (count < 1 || !buffer.SetBlock(count)) return;
    host.GetText(engine, from, count, buffer.Block());
    text = buffer.Block();
    length = count;
  };
  auto column = [&](long offset) {
    long line = host.GetLineNumber(engine, offset);
    return offset - host.GetLineOffset(engine, line) + 1;
  };
  switch (code) {
    case kSubjectChar: {
      // At the end of the text there is no character: an empty text.
      if (start < 0 || start >= textLength) break;
      unsigned short c = host.GetChar(engine, start);
      char bytes[2] = {char(c >> 8), char(c & 0xFF)};
      if (c > 0xFF && start + 2 <= textLength) {
        if (buffer.SetBlock(2)) {
          std::memcpy(buffer.Block(), bytes, 2);
          text = buffer.Block();
          length = 2;
        }
      } else if (buffer.SetBlock(1)) {
        // A lead byte that ends the text stands alone.
        buffer.Block()[0] = c > 0xFF ? bytes[0] : bytes[1];
        text = buffer.Block();
        length = 1;
      }
      break;
    }
    case kSubjectLineText:
    case kSubjectLineChars: {
      long lineStart = start, lineLength = 0;
      host.GetLineRange(engine, start, lineStart, lineLength);
      if (code == kSubjectLineText)
        copyRange(lineStart, lineLength);
      else
        number = host.CalcCharCount(engine, lineStart, lineStart + (lineLength > 0 ? lineLength : 0));
      break;
    }
    case kSubjectSelection: copyRange(start, end - start); break;
    case kSubjectStartLine: number = host.GetLineNumber(engine, start); break;
    case kSubjectStartColumn: number = column(start); break;
    case kSubjectEndLine: number = host.GetLineNumber(engine, end); break;
    case kSubjectEndColumn: number = column(end); break;
    case kSubjectSelChars: number = host.CalcCharCount(engine, start, end); break;
    case kSubjectLineCount: number = host.GetLineCount(engine); break;
    default: break;
  }
  return true;
}

// --- Registers ------------------------------------------------------------

long CKXTMacroExec::SetStringMost(long most) {
  const long was = gStringMost;
  gStringMost = std::max(1L, most);
  return was;
}

void CKXTMacroExec::SetString(int index, const char* text, long length) {
  KxMemHFree(mStrings[index]);
  mStrings[index] = nullptr;
  mStringLengths[index] = 0;
  if (!text || length < 1 || length > gStringMost) return;
  char** handle = KxMemHAlloc(length, false);
  if (!handle) return;  // out of memory: the register is left empty
  std::memcpy(*handle, text, std::size_t(length));
  mStrings[index] = handle;
  mStringLengths[index] = length;
}

void CKXTMacroExec::AppendString(int index, const char* text, long length) {
  long old = mStringLengths[index];
  if (length < 1 || length > gStringMost - old) return;
  if (!KxMemHReAlloc(mStrings[index], old + length, false)) return;
  std::memcpy(*mStrings[index] + old, text, std::size_t(length));
  mStringLengths[index] = old + length;
}

void CKXTMacroExec::RegisterText(int reg, unsigned char* out, long maxLength) const {
  out[0] = 0;
  if (IsStringRegister(reg)) {
    int i = reg - kStringRegister1;
    CKXLock lock(mStrings[i]);
    MakeString(out, lock.Ptr(), mStringLengths[i], maxLength);
  } else if (IsNumberRegister(reg) && mNumbers[reg - kNumberRegister1] != 0) {
    char digits[12];
    short n = UKXTextMacro::NumberText(mNumbers[reg - kNumberRegister1], digits);
    MakeString(out, digits, n, maxLength);
  }
}

bool CKXTMacroExec::RegisterLine(int reg, long& line) const {
  line = 0;
  if (IsStringRegister(reg)) {
    int i = reg - kStringRegister1;
    if (!mStrings[i] || mStringLengths[i] < 1) return false;
    CKXLock lock(mStrings[i]);
    line = UKXTextMacro::ReadNumber(lock.Ptr(), mStringLengths[i]);
  } else if (IsNumberRegister(reg)) {
    line = mNumbers[reg - kNumberRegister1];
  }
  return true;
}

void CKXTMacroExec::StoreText(int reg, const unsigned char* text, std::int32_t number) {
  if (IsStringRegister(reg))
    SetString(reg - kStringRegister1, reinterpret_cast<const char*>(text + 1), text[0]);
  else if (IsNumberRegister(reg))
    mNumbers[reg - kNumberRegister1] = number;
}

// --- Statements -------------------------------------------------------------

void CKXTMacroExec::Value(const SKXTMacroEdit& r) {
  const int reg = r.value, operation = r.option, source = r.count;
  const bool toString = IsStringRegister(reg);
  if (!toString && !IsNumberRegister(reg)) return;
  const int index = toString ? reg - kStringRegister1 : reg - kNumberRegister1;

  if (operation == kMacroValueClear) {
    if (toString)
      SetString(index, nullptr, 0);
    else
      mNumbers[index] = 0;
    return;
  }
  if (operation == kMacroValueInsert) {
    if (!mTarget) return;
    if (toString) {
      if (!mStrings[index] || mStringLengths[index] < 1) return;
      CKXLock lock(mStrings[index]);
      mTarget->InsertString(lock.Ptr(), mStringLengths[index]);
    } else {
      char digits[12];
      short n = UKXTextMacro::NumberText(mNumbers[index], digits);
      mTarget->InsertString(digits, n);
    }
    return;
  }

  // The source, as bytes (sourceText) or as a number.
  CKXPtrBlock buffer;
  char** handle = nullptr;
  char* text = nullptr;
  long length = 0, number = 0;
  bool isText = true;
  if (source == kSubjectText) {
    text = r.text;
    length = r.text ? r.textLength : 0;
  } else {
    if (!GetSubject(source, handle, text, length, number, buffer)) return;
    isText = IsTextSubject(source);
    if (handle) {
      // A private copy: the register may be the one that changes.
      if (length > 0 && buffer.SetBlock(length)) {
        std::memcpy(buffer.Block(), *handle, std::size_t(length));
        text = buffer.Block();
      } else {
        text = nullptr;
        length = 0;
      }
    }
  }

  if (toString) {
    char digits[12];
    if (!isText) {
      length = UKXTextMacro::NumberText(std::int32_t(number), digits);
      text = digits;
    }
    if (operation == kMacroValueSet) {
      if (source == reg) return;
      SetString(index, text, length);
    } else if (operation == kMacroValueAdd) {
      if (length < 1) return;
      if (mStrings[index] && mStringLengths[index] > 0)
        AppendString(index, text, length);
      else
        SetString(index, text, length);
    }
    return;
  }

  const std::int32_t operand = isText ? UKXTextMacro::ReadNumber(text, length) : std::int32_t(number);
  std::int32_t& target = mNumbers[index];
  const auto a = std::uint32_t(target), b = std::uint32_t(operand);
  switch (operation) {
    case kMacroValueSet: target = operand; break;
    case kMacroValueAdd: target = Wrap(a + b); break;
    case kMacroValueSubtract: target = Wrap(a - b); break;
    case kMacroValueMultiply: target = Wrap(a * b); break;
    case kMacroValueDivide:
      if (operand == 0) break;
      target = (target == INT32_MIN && operand == -1) ? INT32_MIN : target / operand;
      break;
    case kMacroValueRemainder:
      if (operand == 0) break;
      target = (target == INT32_MIN && operand == -1) ? 0 : target % operand;
      break;
    default: break;
  }
}

Boolean CKXTMacroExec::Compare(const SKXTMacroEdit& r) {
  const int left = r.value, right = r.count;
  CKXPtrBlock leftBuffer, rightBuffer;
  char** leftHandle = nullptr;
  char* leftText = nullptr;
  long leftLength = 0, leftNumber = 0;
  bool leftOk = GetSubject(left, leftHandle, leftText, leftLength, leftNumber, leftBuffer);

  char** rightHandle = nullptr;
  char* rightText = nullptr;
  long rightLength = 0, rightNumber = 0;
  bool rightIsText = true;
  if (right == kSubjectText) {
    rightText = r.text;
    rightLength = r.text ? r.textLength : 0;
  } else {
    bool rightOk = GetSubject(right, rightHandle, rightText, rightLength, rightNumber, rightBuffer);
    // No subject compares as an empty text and 0.
    rightIsText = !rightOk || IsTextSubject(right);
  }
  CKXLock leftLock(leftHandle), rightLock(rightHandle);
  if (leftHandle) leftText = leftLock.Ptr();
  if (rightHandle) rightText = rightLock.Ptr();

  int outcome;
  if (left == kSubjectChar || left == kSubjectLineText || left == kSubjectSelection || IsStringRegister(left)) {
    char digits[12];
    if (!rightIsText) {
      rightLength = UKXTextMacro::NumberText(std::int32_t(rightNumber), digits);
      rightText = digits;
    }
    outcome = KxMemCompare(leftText, leftText ? leftLength : 0, rightText, rightText ? rightLength : 0, 0);
  } else {
    long a = (leftOk && !IsTextSubject(left)) ? leftNumber : 0;
    long b = rightIsText ? UKXTextMacro::ReadNumber(rightText, rightLength) : rightNumber;
    outcome = a < b ? -1 : (a > b ? 1 : 0);
  }
  switch (r.option) {
    case 0: return outcome == 0;
    case 1: return outcome != 0;
    case 2: return outcome >= 0;
    case 3: return outcome <= 0;
    case 4: return outcome > 0;
    case 5: return outcome < 0;
    default: return false;
  }
}

Boolean CKXTMacroExec::Find(const SKXTMacroEdit& r) {
  if (!mTarget) return false;
  static char empty[1] = {0};
  char** handle = nullptr;
  char* text = empty;
  long length = 0;
  if (r.value == 0 || r.value == 1) {
    if (r.text && r.textLength > 0) {
      text = r.text;
      length = r.textLength;
    }
  } else if (IsStringRegister(r.value)) {
    handle = mStrings[r.value - kStringRegister1];
    length = handle ? mStringLengths[r.value - kStringRegister1] : 0;
  }
  CKXLock lock(handle);
  if (handle) text = lock.Ptr();
  if (length > 255) length = 255;
  return mTarget->FindText(text, short(length), short(r.option));
}

short CKXTMacroExec::Dialog(const SKXTMacroEdit& r) {
  int operation = r.value;
  if (r.value == 0) operation = kMacroExtInputDialog;
  if (r.value == 1) operation = kMacroExtNoteAlert;
  return ExtendOperation(operation, r.count, r.text ? r.text : "", r.text ? r.textLength : 0);
}

short CKXTMacroExec::Extend(const SKXTMacroEdit& r) { return ExtendOperation(r.value, r.count, nullptr, 0); }

// text is null for extended statements and the prompt for dialog statements.
short CKXTMacroExec::ExtendOperation(int operation, int reg, const char* text, long textLength) {
  if (!mTarget) return 0;
  const bool isString = IsStringRegister(reg);
  const int index = isString ? reg - kStringRegister1 : 0;
  unsigned char name[256];
  long line = 0;
  switch (operation) {
    case kMacroExtInputDialog:
    case kMacroExtNoteAlert: {
      unsigned char current[256], prompt[256], answer[256];
      RegisterText(reg, current, 127);
      if (text) {
        MakeString(prompt, text, textLength, 255);
        std::memcpy(answer, current, 256);
      } else {
        std::memcpy(prompt, current, 256);
        answer[0] = 0;
      }
      if (operation == kMacroExtNoteAlert) {
        mTarget->NoteAlert(prompt);
        return 0;
      }
      if (!mTarget->InputDialog(prompt, answer)) return 0;
      StoreText(reg, answer, UKXTextMacro::ReadNumber(reinterpret_cast<char*>(answer + 1), answer[0]));
      return 1;
    }
    case kMacroExtFindDocument:
    case kMacroExtFindDocumentFlagged:
      if (isString && (!mStrings[index] || mStringLengths[index] < 1)) return 0;
      name[0] = 0;
      if (isString) RegisterText(reg, name, 255);
      mTarget->FindDocument(name, operation == kMacroExtFindDocumentFlagged);
      return 0;
    case kMacroExtGotoLine:
      if (!RegisterLine(reg, line)) return 0;
      mTarget->GotoLine(line);
      return 0;
    case kMacroExtSetDocName:
      if (!isString || !mStrings[index] || mStringLengths[index] < 1) return 0;
      RegisterText(reg, name, 255);
      mTarget->SetDocName(name);
      return 0;
    case kMacroExtGetDocName:
    case kMacroExtGetDate:
    case kMacroExtGetTime: {
      std::memset(name, 0, sizeof name);
      long number = 0;
      if (operation == kMacroExtGetDocName)
        mTarget->GetDocName(name);
      else
        number = operation == kMacroExtGetDate ? mTarget->GetDate(name) : mTarget->GetTime(name);
      StoreText(reg, name, std::int32_t(number));
      return 0;
    }
    case kMacroExtSetLineRestart:
    case kMacroExtClearLineRestart:
      RegisterLine(reg, line);
      mTarget->SetLineReStart(line, operation == kMacroExtSetLineRestart);
      return 0;
    default:
      return 0;
  }
}

// --- Running ----------------------------------------------------------------

Boolean UKXTextMacro::InitExecMacro(char* code, long size) {
  auto* exec = new (std::nothrow) CKXTMacroExec;
  if (!exec) return false;
  try {
    exec->AnalyzeMacro(code, size);
  } catch (const LException&) {
    delete exec;
    return false;
  }
  mMacroExec = exec;
  return true;
}

void UKXTextMacro::TermExecMacro() {
  delete mMacroExec;
  mMacroExec = nullptr;
}

namespace {

// The position a jump target leads to: next (unchanged), a line, a label, or
// -1 to stop.
long Jump(const CKXTMacroExec& exec, const char* code, std::uint16_t kind, const char* text, short length,
          long next) {
  switch (kind) {
    case kMacroJumpLine: return exec.FindNumber(text, length);
    case kMacroJumpLabel: return exec.FindLabel(code, text, length);
    case kMacroJumpStop: return -1;
    default: return next;
  }
}

struct EndRun {
  ~EndRun() { UKXTextMacro::TermExecMacro(); }
};

// Recorded text goes in as it was typed. A typed Return indents the new
// line when auto-indent is on, which inserting the byte would not: each
// Return then goes as the key.
void PlayText(CKXTMacroTarget& target, char* text, long length) {
  constexpr char kReturn = 13;
  if (!KxMacroGetHost().GetAutoIndent(target.GetTextEdit()) || !std::memchr(text, kReturn, std::size_t(length))) {
    target.InsertString(text, length);
    return;
  }
  long from = 0;
  for (long at = 0; at < length; ++at) {
    if (text[at] != kReturn) continue;
    if (at > from) target.InsertString(text + from, at - from);
    target.KeyEvent(std::uint8_t(kReturn), 0);
    from = at + 1;
  }
  if (from < length) target.InsertString(text + from, length - from);
}

// A Unicode text statement: its characters as script bytes with the side
// entries of those the bytes hold only as placeholders.
void PlayUnicodeText(CKXTMacroTarget& target, const char* utf8, long length) {
  std::string text;
  std::vector<SKXUniChar> uni;
  if (!KxUTF8ToHeldText(utf8, length, text, uni) || text.empty()) return;
  KxMacroGetHost().InsertUnicodeText(&target, text.data(), long(text.size()), uni.empty() ? nullptr : uni.data(),
                                     long(uni.size()));
}

}  // namespace

OSErr UKXTextMacro::ExecuteMacro(char** code, long size) {
  if (!code || !*code) return noErr;
  if (size > KxMemHSize(code)) size = KxMemHSize(code);
  if (size <= 0) return noErr;
  // The handle is copied and let go before the first statement: a statement
  // may free or resize it (a new recording frees the last recorded macro, the
  // editor or the macro dialog store over or delete a listed one).
  CKXPtrBlock copy(size);
  if (!copy.Block()) return memFullErr;
  {
    CKXLock lock(code);
    std::memcpy(copy.Block(), lock.Ptr(), std::size_t(size));
  }
  return Play(copy.Block(), size);
}

OSErr UKXTextMacro::ExecuteMacro(char* code, long size) {
  if (!code || size <= 0) return noErr;
  if (mMacroExec) return paramErr;  // one run at a time
  CKXPtrBlock copy(size);
  if (!copy.Block()) return memFullErr;
  std::memcpy(copy.Block(), code, std::size_t(size));
  return Play(copy.Block(), size);
}

// Runs code the player owns, so that nothing a statement does reaches it.
OSErr UKXTextMacro::Play(char* run, long size) {
  if (mMacroExec) return paramErr;  // one run at a time
  if (CheckMacroCode(run, size) != noErr) return kMacroBadCodeErr;

  UKXTextMacroDisableRecording disable;
  if (!InitExecMacro(run, size)) return memFullErr;
  EndRun end;
  CKXTMacroExec& exec = *mMacroExec;
  unsigned long nextCheck = 0;
  long position = 0;
  bool first = true;
  while (position < size) {
    CKXTMacroTarget* target = KxMacroGetHost().GetTextView();
    if (!target) break;
    // Asked of the view in front now: the previous statement may have closed
    // the one it ran on.
    if (!first && (target->CheckEscapeKey(nextCheck) || gEscapePoll())) break;
    first = false;
    exec.mTarget = target;

    SKXTMacroEdit r;
    if (AnalyzeMacro(run, size, position, r, false) <= 0) break;
    switch (r.opcode) {
      case kMacroCommand:
        target->MenuCommand(DecodeCommand(r.value));
        break;
      case kMacroText:
        if (r.textLength > 0) PlayText(*target, r.text, r.textLength);
        break;
      case kMacroUnicodeText:
        if (r.textLength > 0) PlayUnicodeText(*target, r.text, r.textLength);
        break;
      case kMacroKey: {
        const long times = r.count < 1 ? 1 : r.count;
        for (long i = 0; i < times; ++i) {
          target->KeyEvent(std::uint8_t(r.value), char(r.option));
          unsigned long now = 0;
          if (i + 1 < times && (target->CheckEscapeKey(now) || gEscapePoll())) {
            position = -1;
            break;
          }
        }
        break;
      }
      case kMacroGoto:
        if (r.value <= kMacroJumpLine)
          position = exec.FindNumber(r.text, r.textLength);
        else if (r.value == kMacroJumpLabel)
          position = exec.FindLabel(run, r.text, r.textLength);
        else
          position = -1;
        break;
      case kMacroValue:
        exec.Value(r);
        break;
      case kMacroExtend:
        exec.Extend(r);
        break;
      case kMacroCompare:
      case kMacroFind:
      case kMacroDialog: {
        bool result = r.opcode == kMacroCompare ? exec.Compare(r)
                      : r.opcode == kMacroFind  ? exec.Find(r)
                                                : exec.Dialog(r) != 0;
        position = result ? Jump(exec, run, r.target1Kind, r.target1Text, r.target1Length, position)
                          : Jump(exec, run, r.target2Kind, r.target2Text, r.target2Length, position);
        break;
      }
      default:  // labels, statements of no meaning
        break;
    }
    if (position < 0) break;
  }
  return noErr;
}
