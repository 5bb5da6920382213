// The readers of the private run flavors, over flavors and text from
// outside. Input: byte 0 picks the flavor (0 "styl", 1 "styw", 2 "styx",
// 3 "styu", 4 "styy", 5 "usro", 6 several); byte 1 the insertion point;
// bytes 2-3 the length L of the text (big-endian), then L bytes of text,
// then the flavor. With 6 the rest holds several flavors, each a type byte
// (0-4 as above), a 16-bit big-endian length and that many bytes.
//
// Whatever comes, the text it lands in must pass its own check, grow by
// exactly the bytes the reader reports, and keep its bytes on either side.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/text_flavors.h"
#include "layout/facilities.h"
#include "platform/core.h"
#include "text/base/memory.h"

namespace {

constexpr OSType kTypes[] = {kKxFlavorStyl, kKxFlavorDeco, kKxFlavorPara, kKxFlavorUniChars, kKxFlavorRubyInfo};

std::vector<KxFlavorBytes> Pictures() {
  // Two pictures with headers, one too short for a header.
  std::vector<KxFlavorBytes> p;
  p.push_back({0, 14, 0, 0, 0, 0, 0, 20, 0, 30, 1, 2, 3, 4});
  p.push_back({0, 12, 0, 0, 0, 0, 0, 8, 0, 8, 9, 9});
  p.push_back({1, 2, 3});
  return p;
}

std::string Bytes(const CKXText& t, long from, long to) {
  std::string s(static_cast<size_t>(std::max(to - from, 0L)), '\0');
  if (to > from) t.CopyBytes(from, to, s.data(), to - from);
  return s;
}

void Land(CKXTextFlavorReader& reader, std::size_t textLen, std::uint8_t at) {
  // A destination with every kind of run, so that the insertion meets them.
  CKXText dest;
  const char bytes[] = "ab\rc\xCA" "d\x81\xFC";
  SKXDeco decos[3] = {};
  decos[1].offset = 4;
  PicHandle pict = KxMemHAlloc(10, true);
  std::memset(*pict, 0, 10);
  decos[1].deco.pictID = CKXDecoArray::SetPicture(pict);
  decos[2].offset = 5;
  SKXPara paras[2] = {};
  paras[1].offset = 3;
  paras[1].para.justify = 2;
  SKXUniChar uni = {6, 0x4E000000u};
  dest.SetText(bytes, 8, nullptr, 0, decos, 3, paras, 2, &uni, 1);
  SKXRuby ruby{0, 2, 2, "rb"};
  dest.SetRubys(&ruby, 1);
  if (!dest.Check().empty()) std::abort();

  const long before = dest.GetLength();
  const long pos = at % (before + 1);
  const std::string head = Bytes(dest, 0, pos), tail = Bytes(dest, pos, before);
  const std::vector<KxFlavorBytes> pictures = Pictures();
  reader.SetPictureFetch(at & 0x80 ? KxPicturesFromTable() : KxPicturesFromList(pictures));
  const long n = reader.InsertInto(dest, pos);
  if (n < 0 || static_cast<std::size_t>(n) > textLen) std::abort();
  if (dest.GetLength() != before + n) std::abort();
  if (!dest.Check().empty()) std::abort();
  if (Bytes(dest, 0, pos) != head || Bytes(dest, pos + n, dest.GetLength()) != tail) std::abort();
}

void Read(CKXTextFlavorReader& reader, OSType type, const std::uint8_t* p, std::size_t n) {
  long count = -1;
  const EKXFlavorRead r = CKXTextFlavorData::CheckFlavorData(type, p, static_cast<long>(n), &count);
  if (reader.ReadFlavor(type, p, static_cast<long>(n)) != r) std::abort();
  // A flavor taken in holds its records within its bytes.
  if (r == EKXFlavorRead::kRead && (count < 1 || count > static_cast<long>(n))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxLayoutFacilities();
  CoreInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4 || size > 1 << 20) return 0;
  const int kind = data[0] % 7;
  const std::size_t textLen = std::min<std::size_t>(std::size_t(data[2]) << 8 | data[3], size - 4);
  const std::uint8_t* text = data + 4;
  const std::uint8_t* rest = text + textLen;
  const std::size_t restLen = size - 4 - textLen;

  if (kind == 5) {
    std::string path;
    if (CKXTextFlavorData::ReadLaunchInfo(rest, static_cast<long>(restLen), path)) {
      if (path.empty() || path.size() > static_cast<std::size_t>(kKxLaunchInfoMaxPath) || path.size() + 4 > restLen)
        std::abort();
      KxFlavorBytes again;
      std::string back;
      if (!CKXTextFlavorData::MakeLaunchInfo(path, again) ||
          !CKXTextFlavorData::ReadLaunchInfo(again.data(), static_cast<long>(again.size()), back) || back != path)
        std::abort();
    }
    return 0;
  }

  CKXTextFlavorReader reader;
  reader.SetText(text, static_cast<long>(textLen));
  if (kind < 5) {
    Read(reader, kTypes[kind], rest, restLen);
  } else {
    for (std::size_t at = 0; at + 3 <= restLen;) {
      const OSType type = kTypes[rest[at] % 5];
      const std::size_t n = std::min<std::size_t>(std::size_t(rest[at + 1]) << 8 | rest[at + 2], restLen - at - 3);
      Read(reader, type, rest + at + 3, n);
      at += 3 + n;
    }
  }
  Land(reader, textLen, data[1]);
  return 0;
}
