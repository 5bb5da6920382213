// Loads arbitrary bytes as a font file through the FreeType backend and asks
// the registry everything it answers: names, scripts, metrics and widths at
// extreme sizes, so that odd tables (zero or negative metrics, huge advances,
// few glyphs) stay within bounds.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/fonts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = "/tmp/kx_fuzz_font_" + std::to_string(getpid()) + ".ttf";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  } else {
    return 0;
  }
  KxFontInstallBackend(KxFreeTypeFontBackend(false, {path}));
  unsigned sink = 0;
  std::string name;
  for (short font : KxFontNumbers()) {
    sink += KxFontFamilyName(font, name) + KxFontPostScriptName(font, name);
    for (short target : {font, kKxApplicationFont, kKxSystemFont, short(22)}) {
      sink += unsigned(KxFontScript(target));
      for (short size : {short(1), short(12), short(32767)}) {
        const KxFontInfo info = KxFontGetInfo(target, size, 0x7F);
        sink += unsigned(info.ascent + info.descent + info.leading);
        for (std::uint16_t code : {0x20, 0x41, 0xB1, 0x88A4, 0x82A0, 0xFFFF})
          sink += unsigned(KxFontCharWidth(target, size, 0x7F, code));
        const char16_t text[] = {u'A', 0xD842, 0xDFB7, 0xDC00, u'\u4E9C'};
        sink += unsigned(KxFontUTF16Width(target, size, 0x01, text, 5));
        for (std::uint16_t g : {0, 1, 2, 100, 0xFFFF}) sink += unsigned(KxFontGlyphWidth(target, size, 0, g));
      }
    }
  }
  KxFontInstallBackend(KxSyntheticFontBackend());
  std::remove(path.c_str());
  return int(sink & 0);
}
