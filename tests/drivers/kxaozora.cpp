// kxaozora [-p] IN: converts an Aozora-notation text (Shift_JIS, any line
// ends) and prints the result as UTF-8, ruby inline as base(ruby), page
// breaks as form feeds, then a summary. With -p each paragraph begins with
// its setting: {first,left} in full-width characters when indented, {>} when
// right-aligned. Indents are measured with the synthetic test font.
// Exit status: 0 after a conversion, 2 when the file cannot be read.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver.h"
#include "formats/aozora.h"
#include "formats/facilities.h"
#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/script.h"
#include "platform/utf16.h"

namespace {

void PutUnits(std::string& out, char16_t a, char16_t b) {
  if (const char32_t cp = KxJoinSurrogates(a, b))
    KxDriverPutUTF8(out, cp);
  else {
    KxDriverPutUTF8(out, a);
    if (b) KxDriverPutUTF8(out, b);
  }
}

// Shift_JIS bytes to UTF-8; `uni` (ascending side entries) and `next` give
// the values of placeholders.
void Decode(std::string& out, const std::string& s, long from, long to, const SKXAozoraText* t, size_t* next) {
  const std::uint8_t* lead = KxScriptParseTable(kScriptJapanese);
  for (long i = from; i < to;) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const long len = lead[c] && i + 1 < to ? 2 : 1;
    if (t && next) {
      while (*next < t->uniChars.size() && t->uniChars[*next].offset < i) ++*next;
      if (*next < t->uniChars.size() && t->uniChars[*next].offset == i) {
        const std::uint32_t v = t->uniChars[*next].value;
        if (v > 0xFFFF) PutUnits(out, static_cast<char16_t>(v >> 16), static_cast<char16_t>(v & 0xFFFF));
        else KxDriverPutUTF8(out, v);
        i += len;
        continue;
      }
    }
    if (c == 13) {
      out += '\n';
    } else if (c < 0x20) {
      out += static_cast<char>(c);
    } else {
      char16_t u[2] = {0, 0};
      const std::uint16_t code = len == 2 ? static_cast<std::uint16_t>(c << 8 | static_cast<unsigned char>(s[i + 1])) : c;
      if (KxScriptToUTF16(code, kScriptJapanese, u) > 0) PutUnits(out, u[0], u[1]);
      else out += "\xEF\xBF\xBD";
    }
    i += len;
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool showParas = argc == 3 && std::strcmp(argv[1], "-p") == 0;
  if (argc != 2 && !showParas) {
    std::fprintf(stderr, "usage: kxaozora [-p] IN\n");
    return 2;
  }
  std::vector<std::uint8_t> raw;
  if (KxReadFile(argv[argc - 1], raw)) {
    std::fprintf(stderr, "kxaozora: cannot read %s\n", argv[argc - 1]);
    return 2;
  }
  KxFormatsFacilities();
  CoreInit();
  KxFontInstallBackend(KxSyntheticFontBackend());

  SKXAozoraText t;
  t.bytes = KxDriverLinesToCR(raw);
  const long unit = KxAozoraIndentUnit(1, 12);
  const bool converted = KxAozoraConvert(t, unit, true);
  const std::vector<SKXPara> paras = KxAozoraParaRuns(t);

  std::string out;
  size_t next = 0, ruby = 0, para = 0;
  long indented = 0, right = 0, breaks = 0, paragraphs = 1;
  const long n = static_cast<long>(t.bytes.size());
  for (long i = 0; i <= n;) {
    if (i == 0 || t.bytes[i - 1] == '\r') {
      while (para + 1 < paras.size() && paras[para + 1].offset <= i) ++para;
      if (!paras.empty() && i < n) {
        const SParaStyl& p = paras[para].para;
        if (p.firstIndent || p.leftIndent) ++indented;
        if (p.justify == 2) ++right;
        if (showParas && (p.firstIndent || p.leftIndent))
          out += "{" + std::to_string(p.firstIndent / unit) + "," + std::to_string(p.leftIndent / unit) + "}";
        if (showParas && p.justify == 2) out += "{>}";
      }
    }
    if (i == n) break;
    long end = n;
    if (ruby < t.rubys.size()) end = std::min<long>(end, t.rubys[ruby].pos);
    const long cr = static_cast<long>(t.bytes.find('\r', i));
    if (cr >= 0) end = std::min(end, cr + 1);
    if (end > i) {
      Decode(out, t.bytes, i, end, &t, &next);
      if (end == cr + 1) {
        ++paragraphs;
        if (cr > 0 && t.bytes[cr - 1] == '\f') ++breaks;
      }
      i = end;
      continue;
    }
    const SKXRuby& r = t.rubys[ruby++];
    Decode(out, t.bytes, i, i + r.baseLen, &t, &next);
    out += '(';
    Decode(out, std::string(r.text, r.rubyLen), 0, r.rubyLen, nullptr, nullptr);
    out += ')';
    i += r.baseLen;
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::printf("\n--\nconverted: %s\nparagraphs: %ld\nruby: %zu\nemphasis: %ld\nindented: %ld\n"
              "right-aligned: %ld\nbreaks: %ld\nhorizontal-in-vertical: %zu\nside-entries: %zu\n",
              converted ? "yes" : "no", paragraphs, t.rubys.size(), t.emphasisNotes, indented, right, breaks,
              t.tateChuYoko.size(), t.uniChars.size());
  CoreTerminate();
  return 0;
}
