// The statement coder: decoding and encoding of single statements, number
// texts and synthetic command numbers.
#include <cstdint>
#include <cstring>

#include "macros/macro.h"
#include "platform/bytefields.h"
#include "platform/host/host.h"
#include "text/base/memory.h"

namespace {

// Reads the fields of one statement, never past its end; any overrun marks
// the statement bad.
struct FieldReader {
  const unsigned char* bytes;
  long pos;
  long end;
  bool bad = false;

  unsigned Byte() {
    if (pos >= end) {
      bad = true;
      return 0;
    }
    return bytes[pos++];
  }
  unsigned Word() {
    unsigned high = Byte();
    return (high << 8) | Byte();
  }
  // n bytes of text; null for none.
  char* Text(long n) {
    if (n > end - pos) {
      bad = true;
      return nullptr;
    }
    char* text = n > 0 ? const_cast<char*>(reinterpret_cast<const char*>(bytes + pos)) : nullptr;
    pos += n;
    return text;
  }
  // A one-byte length and its text.
  char* ShortText(std::int16_t& length) {
    long n = long(Byte());
    char* text = Text(n);
    length = text ? std::int16_t(n) : 0;
    return text;
  }
  // A jump target: its kind and, for kinds 1 and 2, a text.
  void Target(std::uint16_t& kind, std::int16_t& length, char*& text) {
    kind = std::uint16_t(Byte());
    if (kind == kMacroJumpLine || kind == kMacroJumpLabel) text = ShortText(length);
  }
};

unsigned ReadWord(const char* code, long at) { return KxGetU16BE(reinterpret_cast<const std::uint8_t*>(code + at)); }

bool CopyText(char*& text, std::int16_t& length) {
  if (!text || length < 1) {
    text = nullptr;
    length = 0;
    return true;
  }
  char* copy = KxMemAlloc(length, false);
  if (!copy) {
    text = nullptr;
    length = 0;
    return false;
  }
  std::memcpy(copy, text, std::size_t(length));
  text = copy;
  return true;
}

// Statement opcodes as bytes: what the encoder writes and sizes.
std::int8_t OpcodeByte(std::int16_t opcode) { return std::int8_t(std::uint8_t(opcode & 0xFF)); }

long ShortLength(std::int16_t length) { return length < 1 ? 0 : (length > 255 ? 255 : length); }

long TargetSize(std::uint16_t kind, std::int16_t length) {
  unsigned k = kind & 0xFF;
  return (k == kMacroJumpLine || k == kMacroJumpLabel) ? 2 + ShortLength(length) : 1;
}

struct Writer {
  char* out;
  long pos = 0;
  void Byte(unsigned b) { out[pos++] = char(std::uint8_t(b)); }
  void Word(unsigned w) {
    Byte(w >> 8);
    Byte(w);
  }
  void Bytes(const char* text, long n) {
    if (n > 0) std::memcpy(out + pos, text, std::size_t(n));
    pos += n;
  }
  void ShortText(const char* text, std::int16_t length) {
    long n = text ? ShortLength(length) : 0;
    Byte(unsigned(n));
    Bytes(text, n);
  }
  void Target(std::uint16_t kind, std::int16_t length, const char* text) {
    unsigned k = kind & 0xFF;
    Byte(k);
    if (k == kMacroJumpLine || k == kMacroJumpLabel) ShortText(text, length);
  }
};

}  // namespace

short UKXTextMacro::AnalyzeMacro(char* code, long size, long& position, SKXTMacroEdit& record,
                                 unsigned char copyTexts) {
  std::memset(&record, 0, sizeof record);
  if (position < 0 || (size > 0 && !code)) return -1;
  if (position >= size) {
    position = size;
    return 0;
  }
  const long at = position;
  const std::uint8_t op = std::uint8_t(code[at]);
  record.opcode = std::int8_t(op);
  if (op == kMacroEnd) {
    position = size;
    return 0;
  }
  if (size - at < 3) {
    record.opcode = 0;
    return -1;
  }
  if (op == kMacroCommand) {
    record.value = std::uint16_t(ReadWord(code, at + 1));
    position = at + 3;
    return 1;
  }
  if (op == kMacroKey) {
    record.value = std::uint8_t(code[at + 1]);
    record.option = std::uint8_t(code[at + 2]);
    long next = at + 3;
    if (next < size && std::uint8_t(code[next]) == kMacroRepeat) {
      if (size - next < 5) {
        std::memset(&record, 0, sizeof record);
        return -1;
      }
      long length = long(ReadWord(code, next + 1));
      if (length < 2 || length > size - next - 3) {
        std::memset(&record, 0, sizeof record);
        return -1;
      }
      unsigned repeat = ReadWord(code, next + 3);
      record.count = std::int16_t(repeat > kMacroMaxKeyCount ? kMacroMaxKeyCount : repeat);
      next += 3 + length;
    }
    position = next;
    return 1;
  }

  const long length = long(ReadWord(code, at + 1));
  if (length > size - at - 3) {
    record.opcode = 0;
    return -1;
  }
  FieldReader in{reinterpret_cast<const unsigned char*>(code), at + 3, at + 3 + length};
  switch (record.opcode) {
    case kMacroText:
    case kMacroUnicodeText:
      // A length that a signed 16-bit field cannot hold counts as no text.
      if (length <= kMacroMaxText) {
        record.text = in.Text(length);
        record.textLength = record.text ? std::int16_t(length) : 0;
      }
      break;
    case kMacroGoto:
      record.value = std::uint16_t(in.Byte());
      if (record.value <= kMacroJumpLabel) record.text = in.ShortText(record.textLength);
      break;
    case kMacroLabel:
      record.text = in.ShortText(record.textLength);
      break;
    case kMacroValue:
    case kMacroCompare:
      record.value = std::uint16_t(in.Byte());
      record.option = std::uint16_t(in.Byte());
      record.count = std::int16_t(in.Byte());
      if (record.count == 1) record.text = in.ShortText(record.textLength);
      break;
    case kMacroFind:
      record.value = std::uint16_t(in.Byte());
      record.option = std::uint16_t(in.Word());
      if (record.value == 1) record.text = in.ShortText(record.textLength);
      break;
    case kMacroDialog:
      record.value = std::uint16_t(in.Byte());
      record.count = std::int16_t(in.Byte());
      record.text = in.ShortText(record.textLength);
      break;
    case kMacroExtend:
      record.value = std::uint16_t(in.Byte());
      record.count = std::int16_t(in.Byte());
      break;
    case kMacroRepeat:
      record.value = std::uint16_t(in.Word());
      break;
    case kMacroHeader:
      record.value = std::uint16_t(in.Byte());
      record.option = std::uint16_t(in.Byte());
      record.count = std::int16_t(in.Byte());
      record.target1Kind = std::uint16_t(in.Byte());
      break;
    default:
      // No meaning: skipped whole, keeping its length.
      record.value = std::uint16_t(length);
      break;
  }
  if (record.opcode == kMacroCompare || record.opcode == kMacroFind || record.opcode == kMacroDialog) {
    in.Target(record.target1Kind, record.target1Length, record.target1Text);
    in.Target(record.target2Kind, record.target2Length, record.target2Text);
  }
  if (in.bad) {
    std::memset(&record, 0, sizeof record);
    return -1;
  }
  if (copyTexts) {
    bool ok = CopyText(record.text, record.textLength);
    ok = CopyText(record.target1Text, record.target1Length) && ok;
    ok = CopyText(record.target2Text, record.target2Length) && ok;
    (void)ok;  // a text that could not be copied is left out
  }
  position = at + 3 + length;
  return 1;
}

long UKXTextMacro::GetMacroEditSize(const SKXTMacroEdit& r) {
  switch (OpcodeByte(r.opcode)) {
    case kMacroText:
    case kMacroUnicodeText:
      return 3 + (r.text && r.textLength > 0 ? r.textLength : 0);
    case kMacroKey:
      return r.count >= 2 ? 8 : 3;
    case kMacroGoto:
      return (r.value & 0xFF) <= kMacroJumpLabel ? 5 + (r.text ? ShortLength(r.textLength) : 0) : 4;
    case kMacroLabel:
      return 4 + (r.text ? ShortLength(r.textLength) : 0);
    case kMacroValue:
      return (r.count & 0xFF) == 1 ? 7 + (r.text ? ShortLength(r.textLength) : 0) : 6;
    case kMacroCompare:
    case kMacroFind:
    case kMacroDialog: {
      bool hasText = OpcodeByte(r.opcode) == kMacroCompare ? (r.count & 0xFF) == 1
                     : OpcodeByte(r.opcode) == kMacroFind  ? (r.value & 0xFF) == 1
                                                           : true;
      long base = OpcodeByte(r.opcode) == kMacroDialog ? 6 : (hasText ? 7 : 6);
      if (hasText && r.text) base += ShortLength(r.textLength);
      return base + TargetSize(r.target1Kind, r.target1Length) + TargetSize(r.target2Kind, r.target2Length);
    }
    case kMacroExtend:
    case kMacroRepeat:
      return 5;
    case kMacroHeader:
      return 7;
    default:
      return 3;
  }
}

long UKXTextMacro::CreateMacro(char* out, const SKXTMacroEdit& r) {
  Writer w{out};
  const std::int8_t op = OpcodeByte(r.opcode);
  const long total = GetMacroEditSize(r);
  if (op == kMacroCommand) {
    w.Byte(op);
    w.Word(r.value);
    return w.pos;
  }
  if (op == kMacroKey) {
    w.Byte(op);
    w.Byte(r.value);
    w.Byte(r.option);
    if (r.count >= 2) {
      w.Byte(kMacroRepeat);
      w.Word(2);
      w.Word(unsigned(r.count));
    }
    return w.pos;
  }
  // Every other statement: opcode, length of the fields, fields.
  w.Byte(std::uint8_t(op));
  w.Word(unsigned(total - 3));
  switch (op) {
    case kMacroText:
    case kMacroUnicodeText:
      w.Bytes(r.text, total - 3);
      break;
    case kMacroGoto:
      w.Byte(r.value);
      if ((r.value & 0xFF) <= kMacroJumpLabel) w.ShortText(r.text, r.textLength);
      break;
    case kMacroLabel:
      w.ShortText(r.text, r.textLength);
      break;
    case kMacroValue:
    case kMacroCompare:
      w.Byte(r.value);
      w.Byte(r.option);
      w.Byte(unsigned(r.count));
      if ((r.count & 0xFF) == 1) w.ShortText(r.text, r.textLength);
      break;
    case kMacroFind:
      w.Byte(r.value);
      w.Word(r.option);
      if ((r.value & 0xFF) == 1) w.ShortText(r.text, r.textLength);
      break;
    case kMacroDialog:
      w.Byte(r.value);
      w.Byte(unsigned(r.count));
      w.ShortText(r.text, r.textLength);
      break;
    case kMacroExtend:
      w.Byte(r.value);
      w.Byte(unsigned(r.count));
      break;
    case kMacroRepeat:
      w.Word(r.value);
      break;
    case kMacroHeader:
      w.Byte(r.value);
      w.Byte(r.option);
      w.Byte(unsigned(r.count));
      w.Byte(r.target1Kind);
      break;
    default:  // the end mark and statements of no meaning have no fields
      break;
  }
  if (op == kMacroCompare || op == kMacroFind || op == kMacroDialog) {
    w.Target(r.target1Kind, r.target1Length, r.target1Text);
    w.Target(r.target2Kind, r.target2Length, r.target2Text);
  }
  return w.pos;
}

short UKXTextMacro::CopyString(const char* text, short length, char*& owned, short& ownedLength) {
  if (length < 1 || !text) {
    if (ownedLength < 1 && !owned) return 0;
    KxMemFree(owned);
    owned = nullptr;
    ownedLength = 0;
    return 1;
  }
  if (owned && ownedLength == length && std::memcmp(owned, text, std::size_t(length)) == 0) return 0;
  char* copy = KxMemAlloc(length, false);
  if (copy) std::memcpy(copy, text, std::size_t(length));
  KxMemFree(owned);
  owned = copy;
  ownedLength = copy ? length : 0;
  return 1;
}

void UKXTextMacro::FreeTexts(SKXTMacroEdit& r) {
  KxMemFree(r.text);
  KxMemFree(r.target1Text);
  KxMemFree(r.target2Text);
  r.text = r.target1Text = r.target2Text = nullptr;
  r.textLength = r.target1Length = r.target2Length = 0;
}

OSErr UKXTextMacro::CheckMacroCode(const char* code, long size, long* badPosition) {
  long position = 0;
  SKXTMacroEdit record;
  for (;;) {
    long at = position;
    short result = AnalyzeMacro(const_cast<char*>(code), size, position, record, false);
    if (result == 0) return noErr;
    if (result < 0) {
      if (badPosition) *badPosition = at;
      return kMacroBadCodeErr;
    }
  }
}

long UKXTextMacro::BadMacroLine(const char* code, long size) {
  if (!code || size <= 0) return 0;
  long position = 0, line = 0;
  SKXTMacroEdit record;
  for (;;) {
    const short result = AnalyzeMacro(const_cast<char*>(code), size, position, record, false);
    if (result == 0) return 0;
    if (result < 0) return line + 1;
    if (record.opcode != kMacroRepeat && record.opcode != kMacroHeader) ++line;
  }
}

std::int32_t UKXTextMacro::ReadNumber(const char* text, long length) {
  if (!text) return 0;
  std::int64_t number = 0;
  bool negative = false;
  long limit = length < 10 ? length : 10;
  for (long i = 0; i < limit; ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      number = number * 10 + (c - '0');
    } else if (c == '-' && i == 0) {
      negative = true;
    } else if (c == ' ' && number == 0) {
      continue;
    } else {
      break;
    }
  }
  if (negative) number = -number;
  if (number > INT32_MAX) return INT32_MAX;
  if (number < INT32_MIN) return INT32_MIN;
  return std::int32_t(number);
}

short UKXTextMacro::NumberText(std::int32_t number, char* out) {
  char digits[12];
  short n = 0;
  std::int64_t value = number;
  bool negative = value < 0;
  if (negative) value = -value;
  do {
    digits[n++] = char('0' + value % 10);
    value /= 10;
  } while (value > 0);
  short length = 0;
  if (negative) out[length++] = '-';
  while (n > 0) out[length++] = digits[--n];
  return length;
}

std::uint16_t UKXTextMacro::EncodeCommand(long command) {
  if (command >= 0) return std::uint16_t(command & 0xFFFF);
  unsigned long synthetic = 0UL - static_cast<unsigned long>(command);
  unsigned menu = unsigned(synthetic >> 16) & 0xFF;
  unsigned item = unsigned(synthetic) & 0xFF;
  return std::uint16_t((menu << 8) | item);
}

bool UKXTextMacro::EncodeCommand(long command, std::uint16_t& stored) {
  constexpr long kLastPlain = 0x7FFF, kFirstMenu = 128, kLastByte = 255;
  bool fits;
  if (command >= 0) {
    fits = command <= kLastPlain;
  } else {
    const unsigned long synthetic = 0UL - static_cast<unsigned long>(command);
    const unsigned long menu = synthetic >> 16, item = synthetic & 0xFFFF;
    fits = menu >= kFirstMenu && menu <= kLastByte && item <= kLastByte;
  }
  if (!fits) {
    KxCurrentHost().Beep();
    return false;
  }
  stored = EncodeCommand(command);
  return true;
}

long UKXTextMacro::DecodeCommand(std::uint16_t stored) {
  if (!(stored & 0x8000)) return long(stored);
  return -(long(stored >> 8) * 65536 + long(stored & 0xFF));
}
