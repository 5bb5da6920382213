// Dumps the character tables and answers of the script services, for the
// script tests that check them against Python's codecs and Unicode data.
//
//   charclass_dump tables              the character-class tables and sets
//   charclass_dump decode SCRIPT       "code units..." for every code with a character
//   charclass_dump encode SCRIPT       "codepoint code" for every code point with a code
//   charclass_dump bytes SCRIPT FILE   KxTextCharByte of every offset of the file
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/script.h"
#include "text/codes/charclass.h"
#include "text/codes/script.h"

namespace {

void DumpTables() {
  using namespace UKXText;
  for (int i = 0; i < 95; ++i) std::printf("zenascii %02X %04X\n", 0x20 + i, sZenAscii[i]);
  for (int i = 0; i < 64; ++i) std::printf("zenkana %02X %04X\n", 0xA0 + i, sZenKana[i]);
  for (int i = 0; sCharSetMacWin[i] != 0; i += 2)
    std::printf("macwin %02X %02X\n", sCharSetMacWin[i], sCharSetMacWin[i + 1]);
  for (unsigned c = 0x8140; c <= 0x84FF; ++c) {
    if (IsWordPunct(Code(c))) std::printf("punct %04X\n", c);
    if (IsWordKanaDaku(Code(c))) std::printf("daku %04X\n", c);
    if (IsWordKanaKigo(Code(c))) std::printf("kigo %04X\n", c);
    if (IsWordHiragana(Code(c))) std::printf("hira %04X %04X\n", c, ToWordKata(Code(c)));
    if (IsWordKatakana(Code(c))) std::printf("kata %04X %04X\n", c, ToWordHira(Code(c)));
  }
  for (int b = 0; b < 256; ++b)
    std::printf("single %02X %d %d %02X %02X %02X %d %d %02X %02X %02X\n", b,
                KxTextCharType(Code(b), 0), UKXText::GetCharType(Code(b), 0), KxTextCharUpper(Code(b), 0),
                KxTextCharLower(Code(b), 0), KxTextCharStrip(Code(b), 0), KxTextCharType(Code(b), 1),
                UKXText::GetCharType(Code(b), 1), KxTextCharUpper(Code(b), 1), KxTextCharLower(Code(b), 1),
                KxTextCharStrip(Code(b), 1));
}

void DumpDecode(short script) {
  char16_t u[2];
  for (unsigned code = 0; code <= 0xFFFF; ++code) {
    if (code > 0xFF && !KxTextCharFirst(std::uint16_t(code >> 8), script)) continue;
    int n = KxScriptToUTF16(std::uint16_t(code), script, u);
    if (n == 0) continue;
    std::printf("%04X", code);
    for (int i = 0; i < n; ++i) std::printf(" %04X", unsigned(u[i]));
    std::printf("\n");
  }
}

void DumpEncode(short script) {
  for (char32_t cp = 0; cp < 0x110000; ++cp) {
    std::int32_t code = KxScriptFromUnicode(cp, script);
    if (code >= 0) std::printf("%04X %04X\n", unsigned(cp), unsigned(code));
  }
}

int DumpBytes(short script, const char* path) {
  std::vector<std::uint8_t> text;
  if (KxReadFile(path, text)) {
    std::fprintf(stderr, "charclass_dump: cannot read %s\n", path);
    return 1;
  }
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    short t = KxTextCharByte(text.data(), std::int32_t(i), script);
    out += t == kByteFirst ? 'F' : t == kByteLast ? 'L' : 'S';
  }
  std::printf("%s\n", out.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "tables") == 0) {
    DumpTables();
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "decode") == 0) {
    DumpDecode(short(std::atoi(argv[2])));
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "encode") == 0) {
    DumpEncode(short(std::atoi(argv[2])));
    return 0;
  }
  if (argc >= 4 && std::strcmp(argv[1], "bytes") == 0) return DumpBytes(short(std::atoi(argv[2])), argv[3]);
  std::fprintf(stderr, "usage: charclass_dump tables | decode S | encode S | bytes S FILE\n");
  return 2;
}
