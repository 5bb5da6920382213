#include "macros/macro_list.h"

#include <cstring>

#include "platform/bytefields.h"
#include "text/base/memory.h"
#include "text/codes/script.h"

CKXTMacroArray* gKXTextMacros = nullptr;

namespace {

void PutLong(char* out, std::int32_t value) {
  KxPutU32BE(reinterpret_cast<std::uint8_t*>(out), std::uint32_t(value));
}

std::uint32_t GetLong(const char* in) { return KxGetU32BE(reinterpret_cast<const std::uint8_t*>(in)); }

}  // namespace

// --- CKXTMacroArray ------------------------------------------------------

CKXTMacroArray::~CKXTMacroArray() { DeleteAll(); }

Boolean CKXTMacroArray::GetAt(long n, SKXTMacro& macro) const {
  if (FetchItemAt(n, &macro)) return true;
  std::memset(&macro, 0, sizeof macro);
  return false;
}

void CKXTMacroArray::SetAt(long n, const SKXTMacro& macro) {
  SKXTMacro item;
  if (!FetchItemAt(n, &item)) return;
  if (item.code != macro.code) KxMemHFree(item.code);
  SetItemAt(n, &macro);
}

void CKXTMacroArray::InsertAt(long n, const SKXTMacro& macro) { InsertItemsAt(1, n, &macro); }

void CKXTMacroArray::DeleteAt(long n) {
  SKXTMacro item;
  if (!FetchItemAt(n, &item)) return;
  KxMemHFree(item.code);
  RemoveItemsAt(1, n);
}

void CKXTMacroArray::DeleteAll() {
  SKXTMacro item;
  for (long n = 1; n <= GetCount(); ++n) {
    PeekItem(n, &item);
    KxMemHFree(item.code);
  }
  RemoveItemsAt(static_cast<unsigned long>(GetCount()), 1);
}

long CKXTMacroArray::GetDataSize() const {
  long total = 0;
  SKXTMacro item;
  for (long n = 1; n <= GetCount(); ++n) {
    PeekItem(n, &item);
    if (item.code) total += kBlobHeaderSize + (item.size > 0 ? item.size : 0);
  }
  return total;
}

long CKXTMacroArray::GetData(char* buffer, long bufferSize) const {
  if (!buffer || bufferSize < 1) return 0;
  std::memset(buffer, 0, std::size_t(bufferSize));
  long pos = 0;
  SKXTMacro item;
  for (long n = 1; n <= GetCount(); ++n) {
    PeekItem(n, &item);
    if (!item.code) continue;
    long size = item.size > 0 ? item.size : 0;
    if (size > KxMemHSize(item.code)) size = KxMemHSize(item.code);
    if (kBlobHeaderSize + size > bufferSize - pos) break;
    std::memcpy(buffer + pos, item.name, kBlobNameSize);
    PutLong(buffer + pos + kBlobNameSize, std::int32_t(size));
    if (size > 0) std::memcpy(buffer + pos + kBlobHeaderSize, *item.code, std::size_t(size));
    pos += kBlobHeaderSize + size;
  }
  return pos;
}

OSErr CKXTMacroArray::SetData(const char* blob, long size) {
  DeleteAll();
  if (!blob) return size > 0 ? kMacroBadCodeErr : noErr;
  long pos = 0;
  while (pos < size) {
    if (size - pos < kBlobHeaderSize) return kMacroBadCodeErr;
    std::uint32_t length = GetLong(blob + pos + kBlobNameSize);
    if (length > std::uint32_t(kKxMaxOffset) || long(length) > size - pos - kBlobHeaderSize) return kMacroBadCodeErr;
    SKXTMacro macro;
    std::memcpy(macro.name, blob + pos, kBlobNameSize);
    // A long stored name loses whole characters only. A lead byte in the
    // last place of the field has its second byte outside it: cut as if
    // one followed, so that it goes too (only the first 31 bytes are read).
    const std::size_t stored = macro.name[0];
    macro.name[0] = std::uint8_t(KxCutToCharBoundary(macro.name + 1, stored >= 31 ? 32 : stored, 31));
    macro.size = std::int32_t(length);
    macro.code = nullptr;
    if (length > 0) macro.code = KxMemHAlloc(long(length), false);
    if (macro.code) {
      std::memcpy(*macro.code, blob + pos + kBlobHeaderSize, length);
      InsertAt(kAppend, macro);
    }
    pos += kBlobHeaderSize + long(length);
  }
  return noErr;
}

Boolean CKXTMacroArray::GetNameAt(long n, unsigned char* name) const {
  SKXTMacro macro;
  if (!GetAt(n, macro)) {
    if (name) name[0] = 0;
    return false;
  }
  if (name) std::memcpy(name, macro.name, 32);
  if (!macro.code || macro.size < 4 || KxMemHSize(macro.code) < 4) return true;
  const char* code = *macro.code;
  return std::uint8_t(code[0]) != kMacroHeader || code[3] == 0;
}

long CKXTMacroArray::FindFunction(char key, char modifiers) const {
  SKXTMacro macro;
  for (long n = 1; n <= GetCount(); ++n) {
    PeekItem(n, &macro);
    if (!macro.code || macro.size < 7 || KxMemHSize(macro.code) < 7) continue;
    const char* code = *macro.code;
    if (std::uint8_t(code[0]) == kMacroHeader && code[4] != 0 && code[5] == key && code[6] == modifiers)
      return n;
  }
  return 0;
}

// --- CKXTMacroEditArray -------------------------------------------------

CKXTMacroEditArray::~CKXTMacroEditArray() { DeleteAll(); }

Boolean CKXTMacroEditArray::GetAt(long n, SKXTMacroEdit& line) const {
  if (FetchItemAt(n, &line)) return true;
  std::memset(&line, 0, sizeof line);
  return false;
}

void CKXTMacroEditArray::SetAt(long n, const SKXTMacroEdit& line) { SetItemAt(n, &line); }

void CKXTMacroEditArray::InsertAt(long n, const SKXTMacroEdit& line) { InsertItemsAt(1, n, &line); }

void CKXTMacroEditArray::DeleteAt(long n) {
  SKXTMacroEdit line;
  if (!FetchItemAt(n, &line)) return;
  UKXTextMacro::FreeTexts(line);
  RemoveItemsAt(1, n);
}

void CKXTMacroEditArray::DeleteAll() {
  SKXTMacroEdit line;
  for (long n = 1; n <= GetCount(); ++n) {
    PeekItem(n, &line);
    UKXTextMacro::FreeTexts(line);
  }
  RemoveItemsAt(static_cast<unsigned long>(GetCount()), 1);
}

OSErr CKXTMacroEditArray::AnalyzeMacro(char* code, long size) {
  std::memset(mHeader, 0, sizeof mHeader);
  DeleteAll();
  long position = 0;
  while (position < size) {
    SKXTMacroEdit line;
    short result = UKXTextMacro::AnalyzeMacro(code, size, position, line, true);
    if (result == 0) break;
    if (result < 0) {
      std::memset(mHeader, 0, sizeof mHeader);
      DeleteAll();
      return kMacroBadCodeErr;
    }
    if (line.opcode == kMacroRepeat) continue;  // belongs to no key
    if (line.opcode == kMacroHeader) {
      mHeader[0] = std::uint8_t(line.value);
      mHeader[1] = std::uint8_t(line.option);
      mHeader[2] = std::uint8_t(line.count);
      mHeader[3] = std::uint8_t(line.target1Kind);
      continue;
    }
    try {
      InsertAt(kAppend, line);
    } catch (...) {
      UKXTextMacro::FreeTexts(line);
      throw;
    }
  }
  return noErr;
}

long CKXTMacroEditArray::GetMacroSize() const {
  long total = HasHeader() ? 7 : 0;
  SKXTMacroEdit line;
  for (long n = 1; n <= GetCount(); ++n) {
    PeekItem(n, &line);
    total += UKXTextMacro::GetMacroEditSize(line);
  }
  return total;
}

long CKXTMacroEditArray::CreateMacro(char* out, long size) const {
  long pos = 0;
  if (HasHeader()) {
    if (size < 7) return 0;
    SKXTMacroEdit header{};
    header.opcode = kMacroHeader;
    header.value = mHeader[0];
    header.option = mHeader[1];
    header.count = mHeader[2];
    header.target1Kind = mHeader[3];
    pos += UKXTextMacro::CreateMacro(out, header);
  }
  SKXTMacroEdit line;
  for (long n = 1; n <= GetCount(); ++n) {
    PeekItem(n, &line);
    if (UKXTextMacro::GetMacroEditSize(line) > size - pos) break;
    pos += UKXTextMacro::CreateMacro(out + pos, line);
  }
  return pos;
}

long CKXTMacroEditArray::FindLabel(const char* name, short length) const {
  if (!name || length < 1) return 0;
  SKXTMacroEdit line;
  for (long n = 1; n <= GetCount(); ++n) {
    PeekItem(n, &line);
    if (line.opcode == kMacroLabel && line.text && line.textLength == length &&
        std::memcmp(line.text, name, std::size_t(length)) == 0)
      return n;
  }
  return 0;
}

namespace {

// Renumbers one line-number text; answers whether it changed.
bool Renumber(char*& text, std::int16_t& length, long from, long delta) {
  if (!text || length < 1) return false;
  long number = UKXTextMacro::ReadNumber(text, length);
  if (number < from) return false;
  long renumbered = number + delta;
  if (renumbered > INT32_MAX) renumbered = INT32_MAX;
  if (renumbered < INT32_MIN) renumbered = INT32_MIN;
  char digits[12];
  short n = UKXTextMacro::NumberText(std::int32_t(renumbered), digits);
  return UKXTextMacro::CopyString(digits, n, text, length) != 0;
}

bool HasTargets(std::int16_t opcode) {
  return opcode == kMacroCompare || opcode == kMacroFind || opcode == kMacroDialog;
}

}  // namespace

void CKXTMacroEditArray::RenumMacro(long from, long delta) {
  SKXTMacroEdit line;
  for (long n = 1; n <= GetCount(); ++n) {
    PeekItem(n, &line);
    bool changed = false;
    if (line.opcode == kMacroGoto && line.value <= kMacroJumpLine) {
      changed = Renumber(line.text, line.textLength, from, delta);
    } else if (HasTargets(line.opcode)) {
      if (line.target1Kind == kMacroJumpLine) changed |= Renumber(line.target1Text, line.target1Length, from, delta);
      if (line.target2Kind == kMacroJumpLine) changed |= Renumber(line.target2Text, line.target2Length, from, delta);
    }
    if (changed) SetAt(n, line);
  }
}

bool CKXTMacroEditArray::LineNumberOk(const char* text, short length) const {
  long number = UKXTextMacro::ReadNumber(text, length);
  return number >= 1 && number <= GetCount();
}

long CKXTMacroEditArray::CheckMacro() const {
  auto targetOk = [this](std::uint16_t kind, const char* text, short length) {
    if (kind != kMacroJumpLine && kind != kMacroJumpLabel) return true;
    if (!text || length < 1) return false;
    return kind == kMacroJumpLine ? LineNumberOk(text, length) : FindLabel(text, length) != 0;
  };
  SKXTMacroEdit line;
  for (long n = 1; n <= GetCount(); ++n) {
    PeekItem(n, &line);
    bool ok = true;
    if (line.opcode == kMacroGoto && line.value <= kMacroJumpLabel) {
      std::uint16_t kind = line.value == kMacroJumpLabel ? kMacroJumpLabel : kMacroJumpLine;
      ok = targetOk(kind, line.text, line.textLength);
    } else if (HasTargets(line.opcode)) {
      ok = targetOk(line.target1Kind, line.target1Text, line.target1Length) &&
           targetOk(line.target2Kind, line.target2Text, line.target2Length);
    }
    if (!ok) return n;
  }
  return 0;
}
