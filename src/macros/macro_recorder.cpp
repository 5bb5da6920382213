// The recorder: menu commands, typed keys and inserted text become byte code
// in one growing buffer, which after the recording is the last recorded
// macro. Consecutive text merges into one statement; a key pressed again
// gets a repeat count.
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/macro_target.h"
#include "macros/macro.h"
#include "macros/macro_list.h"
#include "platform/bytefields.h"
#include "text/base/memory.h"
#include "text/codes/unichar.h"
#include "text/codes/unicode.h"

unsigned char UKXTextMacro::mMacroRecording = 0;
unsigned char UKXTextMacro::mMacroRecType = 0;
std::int32_t UKXTextMacro::mMacroRecPos = 0;
std::int32_t UKXTextMacro::mMacroRecSize = 0;
char** UKXTextMacro::mMacroData = nullptr;
std::int32_t UKXTextMacro::mMacroSize = 0;
CKXTMacroExec* UKXTextMacro::mMacroExec = nullptr;
std::uint32_t UKXTextMacro::mMacroGeneration = 0;

namespace {

constexpr long kCommandRecord = 1146;  // the record command itself
constexpr long kSlack = 35;            // room added at each growth
// A text statement grows while its length stays below this.
constexpr long kTextMergeLimit = kMacroMaxText;

void ClearState() {
  UKXTextMacro::mMacroRecording = 0;
  UKXTextMacro::mMacroRecType = 0;
  UKXTextMacro::mMacroRecPos = 0;
  UKXTextMacro::mMacroRecSize = 0;
  UKXTextMacro::mMacroSize = 0;
  ++UKXTextMacro::mMacroGeneration;
}

void ShowRecordingMark(Boolean on) {
  if (CKXTMacroTarget* view = KxMacroGetHost().GetTextView()) view->SetMacroTartget(on);
}

}  // namespace

void UKXTextMacro::Initialize() {
  ClearState();
  mMacroData = nullptr;
  mMacroExec = nullptr;
  delete gKXTextMacros;
  gKXTextMacros = new CKXTMacroArray;
}

void UKXTextMacro::Terminate() {
  KxMemHFree(mMacroData);
  mMacroData = nullptr;
  ClearState();
  delete gKXTextMacros;
  gKXTextMacros = nullptr;
}

void UKXTextMacro::StartRecording() {
  KxMemHFree(mMacroData);
  mMacroData = nullptr;
  mMacroSize = mMacroRecSize = mMacroRecPos = 0;
  mMacroRecType = 0;
  mMacroRecording = 1;
  ++mMacroGeneration;
  ShowRecordingMark(1);
}

void UKXTextMacro::StopRecording() {
  mMacroRecording = 0;
  mMacroSize = mMacroRecSize;
  mMacroRecSize = mMacroRecPos = 0;
  mMacroRecType = 0;
  ++mMacroGeneration;
  ShowRecordingMark(0);
}

char** UKXTextMacro::SetMacroData(char** code, long size) {
  char** previous = mMacroData;
  mMacroData = code;
  mMacroSize = code ? std::int32_t(size < 0 ? 0 : size) : 0;
  ++mMacroGeneration;
  return previous;
}

void UKXTextMacro::AddMacroKeyCode(unsigned char character, char modifiers) {
  switch (character) {
    case 27:  // Escape stops a recording and leaves no trace
      return;
    case 1: case 3: case 4: case 8: case 11: case 12:
    case 28: case 29: case 30: case 31: case 127: {
      char data[2] = {char(character), modifiers};
      AddMacroData(kMacroKey, data, 2);
      return;
    }
    default: {
      char data = char(character);
      AddMacroData(kMacroText, &data, 1);
      return;
    }
  }
}

void UKXTextMacro::AddMacroString(char* text, long length) { AddMacroData(kMacroText, text, length); }

void UKXTextMacro::AddMacroUnicodeString(const char* text, long length, const SKXUniChar* uni, long nUni) {
  if (!text || length < 1) return;
  std::string utf8;
  if (!KxMacroHasUniChar(uni, nUni, length) || !KxHeldTextToUTF8(text, length, uni, nUni, utf8) || utf8.empty()) {
    AddMacroString(const_cast<char*>(text), length);
    return;
  }
  // Split as text statements are, but only between characters.
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
  long from = 0;
  const long size = long(utf8.size());
  while (from < size) {
    long to = std::min(size, from + kTextMergeLimit - 1);
    while (to < size && to > from && (bytes[to] & 0xC0) == 0x80) --to;
    if (to == from) to = std::min(size, from + kTextMergeLimit - 1);
    AddText(kMacroUnicodeText, utf8.data() + from, to - from);
    from = to;
  }
}

void UKXTextMacro::AddMacroCommand(long command) {
  if (command == kCommandRecord) return;
  std::uint16_t stored = 0;
  if (!EncodeCommand(command, stored)) return;   // no stored form: not recorded
  std::uint8_t data[2];
  KxPutU16BE(data, stored);
  AddMacroData(kMacroCommand, reinterpret_cast<char*>(data), 2);
}

// Makes room for length more bytes (and a statement head); false when the
// first buffer cannot be had. A failed growth throws.
Boolean UKXTextMacro::EnsureRoom(long length) {
  long need = long(mMacroRecSize) + length;
  if (!mMacroData) {
    mMacroData = KxMemHAlloc(need + kSlack, false);
    if (!mMacroData) {
      mMacroSize = 0;
      return false;
    }
  } else if (KxMemHSize(mMacroData) < need + 3) {
    KxMemHReAlloc(mMacroData, need + kSlack, true);
  } else {
    return true;
  }
  mMacroSize = std::int32_t(KxMemHSize(mMacroData));
  KxMemClear(*mMacroData + mMacroRecSize, mMacroSize - mMacroRecSize);
  return true;
}

// Appends to the text statement (kMacroText or kMacroUnicodeText) being
// recorded, or starts one of that kind.
void UKXTextMacro::AddText(unsigned char kind, const char* data, long length) {
  if (!EnsureRoom(length)) return;
  char* code = *mMacroData;
  auto* bytes = reinterpret_cast<std::uint8_t*>(code);
  bool grown = false;
  if (mMacroRecType == kind) {
    long current = KxGetU16BE(bytes + mMacroRecPos);
    if (current + length < kTextMergeLimit) {
      KxPutU16BE(bytes + mMacroRecPos, std::uint16_t(current + length));
      grown = true;
    }
  }
  long end = mMacroRecSize;
  if (!grown) {
    code[end] = char(kind);
    KxPutU16BE(bytes + end + 1, std::uint16_t(length));
    mMacroRecPos = std::int32_t(end + 1);
    mMacroRecType = kind;
    end += 3;
  }
  std::memcpy(code + end, data, std::size_t(length));
  mMacroRecSize = std::int32_t(end + length);
}

void UKXTextMacro::AddKey(const char* data) {
  if (!EnsureRoom(2)) return;
  char* code = *mMacroData;
  long end = mMacroRecSize;
  if (mMacroRecType == kMacroKey && code[mMacroRecPos] == data[0] && code[mMacroRecPos + 1] == data[1]) {
    long after = mMacroRecPos + 2;  // just past the key statement
    if (end == after) {
      const char repeat[5] = {char(kMacroRepeat), 0, 2, 0, 2};
      std::memcpy(code + end, repeat, 5);
      mMacroRecSize = std::int32_t(end + 5);
      return;
    }
    auto* count = reinterpret_cast<std::uint8_t*>(code + after + 3);
    if (KxGetU16BE(count) < kMacroMaxRepeat) {
      KxPutU16BE(count, std::uint16_t(KxGetU16BE(count) + 1));
      return;
    }
  }
  code[end] = kMacroKey;
  code[end + 1] = data[0];
  code[end + 2] = data[1];
  mMacroRecPos = std::int32_t(end + 1);
  mMacroRecType = kMacroKey;
  mMacroRecSize = std::int32_t(end + 3);
}

void UKXTextMacro::AddMacroData(unsigned char kind, char* data, long length) {
  if (length < 0 || (length > 0 && !data)) return;
  if (kind == kMacroText) {
    // A text statement holds at most 32766 bytes: longer texts are split.
    while (length > 0) {
      long piece = length < kTextMergeLimit - 1 ? length : kTextMergeLimit - 1;
      AddText(kMacroText, data, piece);
      data += piece;
      length -= piece;
    }
    return;
  }
  if (kind == kMacroKey) {
    if (length == 2) AddKey(data);
    return;
  }
  if (!EnsureRoom(length + 1)) return;
  char* code = *mMacroData;
  code[mMacroRecSize] = char(kind);
  if (length > 0) std::memcpy(code + mMacroRecSize + 1, data, std::size_t(length));
  mMacroRecSize += std::int32_t(length + 1);
  mMacroRecPos = 0;
  mMacroRecType = 0;
}

UKXTextMacroDisableRecording::UKXTextMacroDisableRecording() : mWasRecording(UKXTextMacro::mMacroRecording) {
  UKXTextMacro::mMacroRecording = 0;
}

UKXTextMacroDisableRecording::~UKXTextMacroDisableRecording() {
  if (mWasRecording == 1) UKXTextMacro::mMacroRecording = 1;
}
