#include "layout/hdft.h"

#include <algorithm>
#include <cstring>

#include "text/base/geometry.h"
#include "text/codes/datetime.h"
#include "text/codes/script.h"
#include "text/codes/unicode.h"

namespace {

constexpr const char* kPlaceholders[] = {"<DATE>", "<TIME>", "<PAGE>", "<NAME>", "<PMAX>"};

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Appends what fits of bytes[0..n) on a character boundary; false when cut.
bool Append(char* out, long capacity, long& used, const char* bytes, long n) {
  long k = 0;
  while (k < n) {
    const long size = (IsLeadByte(static_cast<unsigned char>(bytes[k])) && k + 1 < n) ? 2 : 1;
    if (used + size > capacity) return false;
    std::memcpy(out + used, bytes + k, size_t(size));
    used += size;
    k += size;
  }
  return true;
}

}  // namespace

std::vector<std::uint8_t> KxHdFtTokens(const char* text, long length) {
  std::vector<std::uint8_t> tokens;
  if (!text || length < kKxHdFtPlaceholderSize) return tokens;
  length = std::min(length, kKxHdFtMaxTemplate);
  long run = 0, p = 0;
  while (p <= length - kKxHdFtPlaceholderSize) {
    std::uint8_t kind = 0;
    for (std::uint8_t k = 0; k < 5 && !kind; ++k)
      if (std::memcmp(text + p, kPlaceholders[k], kKxHdFtPlaceholderSize) == 0) kind = std::uint8_t(k + 1);
    if (!kind) {
      ++run;
      ++p;
      continue;
    }
    if (run > 0) tokens.insert(tokens.end(), {std::uint8_t(run), kKxHdFtLiteral});
    tokens.insert(tokens.end(), {std::uint8_t(kKxHdFtPlaceholderSize), kind});
    run = 0;
    p += kKxHdFtPlaceholderSize;
  }
  // The last five bytes can never start a placeholder.
  run += length - p;
  if (run > 0 && !tokens.empty()) tokens.insert(tokens.end(), {std::uint8_t(run), kKxHdFtLiteral});
  return tokens;
}

void MakeHdFtStyl(SKXHdFtStyl& rec, short bandHeight, const char* text, long length, const SStyl& style,
                  std::uint8_t alignment, std::uint8_t dateFormat, std::uint8_t timeFormat) {
  length = text ? std::clamp(length, 0L, kKxHdFtMaxTemplate) : 0;
  rec.bandHeight = bandHeight;
  rec.style = style;
  rec.alignment = alignment;
  rec.dateFormat = dateFormat;
  rec.timeFormat = timeFormat;
  rec.text.assign(text ? text : "", size_t(length));
  rec.tokens = KxHdFtTokens(rec.text.data(), length);
}

long KxExpandHdFt(const SKXHdFtStyl& rec, const SKXHdFtValues& values, char* out, long capacity,
                  std::vector<SKXUniChar>* sides) {
  if (sides) sides->clear();
  if (!out || capacity <= 0) return 0;
  long used = 0;
  const long length = long(rec.text.size());
  if (rec.tokens.empty()) {
    Append(out, capacity, used, rec.text.data(), length);
    return used;
  }
  long src = 0;
  char piece[256];
  for (size_t t = 0; t + 1 < rec.tokens.size(); t += 2) {
    const long covers = rec.tokens[t];
    long n = 0;
    const char* bytes = piece;
    switch (rec.tokens[t + 1]) {
      case kKxHdFtLiteral:
        bytes = rec.text.data() + std::min(src, length);
        n = std::clamp(length - src, 0L, covers);
        break;
      case kKxHdFtDate:
        n = KxGetDateStamp(piece, sizeof piece, rec.dateFormat);
        break;
      case kKxHdFtTime:
        n = KxGetTimeStamp(piece, sizeof piece, rec.timeFormat);
        break;
      case kKxHdFtPage:
        n = KxNumString(piece, sizeof piece, std::int32_t(values.page), false);
        break;
      case kKxHdFtName:
        bytes = values.name;
        n = values.name ? std::max(0L, values.nameLength) : 0;
        break;
      case kKxHdFtPageMax:
        n = KxNumString(piece, sizeof piece, std::int32_t(values.pageCount), false);
        break;
      default:
        break;
    }
    src += covers;
    const long at = used;
    const bool whole = Append(out, capacity, used, bytes, n);
    if (sides && rec.tokens[t + 1] == kKxHdFtName && values.nameSides) {
      // Entries of the characters written, where the name landed.
      long last = -1;
      for (long k = 0; k < values.nameSideCount; ++k) {
        const SKXUniChar& u = values.nameSides[k];
        if (u.offset <= last || u.offset >= used - at) continue;
        last = u.offset;
        sides->push_back(SKXUniChar{std::int32_t(at + u.offset), u.value});
      }
    }
    if (!whole) break;
  }
  return used;
}

bool KxHdFtNameFromUTF8(const char* utf8, long length, std::string& bytes, std::vector<SKXUniChar>& sides) {
  if (!KxUTF8ToHeldText(utf8, length, bytes, sides)) return false;
  const long kept = long(KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                             std::size_t(kKxHdFtMaxName)));
  bytes.resize(std::size_t(kept));
  sides.resize(std::size_t(KxCheckUniChars(sides.data(), long(sides.size()), kept)));
  return true;
}
