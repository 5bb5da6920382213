// Loads arbitrary bytes as a font file through the FreeType backend and asks
// the registry everything it answers: names, scripts, metrics and widths at
// extreme sizes, so that odd tables (zero or negative metrics, huge advances,
// few glyphs) stay within bounds.
//
// Then the same file beside the installed families that fontconfig lists,
// as the program runs: the file's family takes precedence over an installed
// one of the same name (even as the application font), classic numbers are
// matched through fontconfig, and every family's number, name and PostScript
// name must lead back to each other. The file itself is never handed to
// fontconfig: it lies outside the font folders, and files named by path are
// read through FreeType alone, because fontconfig's own query of a file
// mishandles some malformed name tables.
#include <strings.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/fonts.h"

namespace {

// Everything the registry answers about one font number.
unsigned Measure(short font) {
  unsigned sink = 0;
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
  return sink;
}

// The file's family as a backend of its own sees it.
struct Family {
  std::string name, postScript;
  short script = 0;
};

}  // namespace

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
  std::vector<Family> own;
  for (short font : KxFontNumbers()) {
    Family f;
    if (!KxFontFamilyName(font, f.name)) std::abort();
    KxFontPostScriptName(font, f.postScript);
    f.script = KxFontScript(font);
    own.push_back(f);
    sink += Measure(font);
  }
  if (own.size() > 1) std::abort();   // one file, one face

  // Starting fontconfig costs far more than the rest: only files that give
  // a family go on to meet the installed ones.
  if (!own.empty()) KxFontInstallBackend(KxFreeTypeFontBackend(true, {path}));
  const std::vector<short> numbers = own.empty() ? std::vector<short>{} : KxFontNumbers();
  for (short font : numbers) {
    std::string family, ps;
    if (!KxFontFamilyName(font, family)) std::abort();
    // The name leads to a family of that name (ASCII case aside: the first
    // of two such families keeps the name).
    short back = -1;
    std::string again;
    if (!KxFontNumberFromName(family, back) || !KxFontFamilyName(back, again) ||
        strcasecmp(again.c_str(), family.c_str()) != 0)
      std::abort();
    if (KxFontPostScriptName(font, ps)) {
      if (!KxFontNumberFromPostScriptName(ps, back) || !KxFontPostScriptName(back, again) || again != ps)
        std::abort();
    }
    for (const Family& f : own) {
      if (family != f.name) continue;
      // The file wins over an installed family of its name.
      if (ps != f.postScript) std::abort();
      if (KxFontScript(font) != f.script) std::abort();
      sink += Measure(font);
    }
  }
  for (short font : {kKxApplicationFont, kKxSystemFont, short(2), short(20), short(22), short(16384)}) {
    if (numbers.empty()) break;
    if (!KxFontFamilyName(font, name)) std::abort();
    sink += unsigned(KxFontScript(font));
  }
  KxFontInstallBackend(KxSyntheticFontBackend());
  std::remove(path.c_str());
  return int(sink & 0);
}
