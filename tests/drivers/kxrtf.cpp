// kxrtf FILE: reads an RTF file and prints its font table, colour table and
// style sheet, then the number of tokens of each class.
// kxrtf --import FILE: converts an RTF file into a styled text and prints
//   the text as UTF-8 (CR as a newline), then "styles", "decos" and "paras"
//   each followed by one run a line: the offset, then the record's fields
//   as decimal numbers in record order; then the page record when the file
//   gave one.
// kxrtf --export FILE [--encoding E] [--font NAME] -o OUT.rtf: writes a text
//   file as RTF, in the application font or the named one.
// kxrtf --demo -o OUT.rtf: writes a styled text built here, with every
//   attribute the writer carries, as RTF.
// Exit status: 0 after a clean read or write, 1 when the read ended with an
// error (a cut file: its text is still printed) or the output could not be
// written, 2 on bad usage or when the file cannot be read.
#include <cstdint>
#include <cstdio>
#include <vector>

#include <cstring>
#include <string>

#include "driver.h"
#include "formats/facilities.h"
#include "formats/rtf_convert.h"
#include "formats/rtf_reader.h"
#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/script.h"
#include "text/base/memory.h"
#include "text/codes/jcode.h"
#include "text/codes/unicode.h"
#include "text/codes/unicode_types.h"
#include "text/runs/runs.h"
#include "text/store/converters.h"
#include "text/store/text.h"

namespace {

class CountingReader : public CRTFBufferReader {
 public:
  using CRTFBufferReader::CRTFBufferReader;
  long counts[5] = {};
  void RTFReadHook() override {
    if (rtfClass >= 0 && rtfClass <= rtfEOF) ++counts[rtfClass];
  }
};

// Names are bytes in the font's character set: show anything but
// printable ASCII as \xHH.
void PrintName(const char* name) {
  std::putchar('"');
  for (const char* p = name ? name : ""; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\')
      std::putchar(c);
    else
      std::printf("\\x%02X", c);
  }
  std::putchar('"');
}

template <typename T, typename Next>
std::vector<T*> InOrder(T* list, Next next) {
  std::vector<T*> items;
  for (T* p = list; p; p = next(p)) items.push_back(p);
  return {items.rbegin(), items.rend()};
}

const char* ErrorName(int error) {
  switch (error) {
    case rtfErrNone: return "none";
    case rtfErrUnbalanced: return "unbalanced-close";
    case rtfErrEndInGroup: return "end-in-group";
    case rtfErrEndInEscape: return "end-in-escape";
    default: return "unknown";
  }
}

// The text as UTF-8 through the Unicode bridge, CR as a newline.
std::string TextUTF8(const CKXText& t) {
  const long n = t.GetLength();
  std::vector<char> bytes(static_cast<std::size_t>(n) + 1);
  std::vector<SKXStyl> styls(static_cast<std::size_t>(std::max(t.GetStylCount(), 1L)));
  std::vector<SKXUniChar> unis(static_cast<std::size_t>(t.GetUniCharsCount()) + 1);
  t.GetText(bytes.data(), n, styls.data(), long(styls.size()), nullptr, 0, nullptr, 0, unis.data(),
            long(unis.size()) - 1);
  std::vector<SKXScriptRun> runs = KxScriptRunsOf(styls.data(), long(styls.size()));
  StKxHandle units, glyphs;
  long count = 0;
  UKXUnicode::ConvertFromText(0, bytes.data(), n, unis.data(), t.GetUniCharsCount(), units.h, count, glyphs.h,
                              runs.data(), long(runs.size()));
  std::string out;
  const char16_t* u = units.h ? reinterpret_cast<const char16_t*>(*units.h) : nullptr;
  for (long k = 0; k < count; ++k) {
    char32_t cp = u[k];
    if (cp >= 0xD800 && cp < 0xDC00 && k + 1 < count && u[k + 1] >= 0xDC00 && u[k + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (u[k + 1] - 0xDC00);
      ++k;
    }
    KxDriverPutUTF8(out, cp == '\r' ? U'\n' : cp);
  }
  return out;
}

void PrintRuns(const CKXText& t) {
  std::vector<SKXStyl> styls(static_cast<std::size_t>(std::max(t.GetStylCount(), 1L)));
  styls.resize(static_cast<std::size_t>(t.GetStyls(styls.data(), long(styls.size()))));
  std::printf("styles %zu\n", styls.size());
  for (const SKXStyl& r : styls)
    std::printf("%d %d %d %d %d %d %d %u %u %u\n", r.offset, r.styl.height, r.styl.ascent, r.styl.font, r.styl.face,
                r.styl.filler, r.styl.size, r.styl.color.red, r.styl.color.green, r.styl.color.blue);
  std::vector<SKXDeco> decos(static_cast<std::size_t>(std::max(t.GetDecoCount(), 1L)));
  decos.resize(static_cast<std::size_t>(t.GetDecos(decos.data(), long(decos.size()))));
  std::printf("decos %zu\n", decos.size());
  for (const SKXDeco& r : decos)
    std::printf("%d %u %u %u %d\n", r.offset, r.deco.lineBits, r.deco.net, r.deco.flags, r.deco.pictID);
  std::vector<SKXPara> paras(static_cast<std::size_t>(t.GetParaCount()));
  if (!paras.empty()) paras.resize(static_cast<std::size_t>(t.GetParas(paras.data(), long(paras.size()))));
  std::printf("paras %zu\n", paras.size());
  for (const SKXPara& r : paras) {
    const SParaStyl& p = r.para;
    std::printf("%d %d %d %d %d %d %u %u %u", r.offset, p.firstIndent, p.leftIndent, p.rightIndent, p.lineSpace,
                p.charSpace, p.justify, p.tabCount, p.tabKinds);
    for (int i = 0; i < kKxMaxTabs; ++i) std::printf(" %d", p.tabPos[i]);
    std::printf(" %u\n", p.tabLeaders);
  }
}

void PrintDoc(const RTFKXDoc& d) {
  std::printf("page %d %d text %d %d %d %d columns %d %d\n", d.paperWidth, d.paperHeight, d.textLeft, d.textTop,
              d.textRight, d.textBottom, d.columns, d.columnGap);
  const struct {
    const char* name;
    const unsigned char* text;
    std::uint8_t justify;
  } hf[] = {{"header", d.headerText, d.headerJustify}, {"footer", d.footerText, d.footerJustify}};
  for (const auto& h : hf) {
    if (!h.text[0]) continue;
    CKXText t;
    t.InsertString(0, reinterpret_cast<const char*>(h.text + 1), h.text[0], nullptr, nullptr, nullptr, 0);
    std::string s = TextUTF8(t);
    for (char& c : s)
      if (c == '\n') c = '|';
    std::printf("%s %u %s\n", h.name, h.justify, s.c_str());
  }
}

int Import(const char* path) {
  std::vector<std::uint8_t> data;
  if (KxReadFile(path, data)) {
    std::fprintf(stderr, "kxrtf: cannot open %s\n", path);
    return 2;
  }
  CKXText text;
  RTFKXDoc doc;
  short flags = 0;
  CKXTextRTFMac rtf;
  if (!rtf.DoRTFtoTextRef(reinterpret_cast<const char*>(data.data()), long(data.size()), &text, &flags, &doc)) {
    std::fprintf(stderr, "kxrtf: %s: the import failed (out of memory)\n", path);
    return 1;
  }
  std::string s = TextUTF8(text);
  std::fwrite(s.data(), 1, s.size(), stdout);
  if (s.empty() || s.back() != '\n') std::putchar('\n');
  PrintRuns(text);
  if (doc.paperWidth || doc.headerText[0] || doc.footerText[0]) PrintDoc(doc);
  if (flags & kKxImportCut) {
    std::fprintf(stderr, "kxrtf: %s: line %d: the file ends inside a group; imported as far as it goes\n", path,
                 rtf.RTFLineNum());
    return 1;
  }
  return 0;
}

bool WriteOut(const char* path, const std::string& rtf) {
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool ok = rtf.empty() || std::fwrite(rtf.data(), 1, rtf.size(), f) == rtf.size();
  return std::fclose(f) == 0 && ok;
}

int Export(const char* path, const char* encoding, const char* font, const char* outPath) {
  std::vector<std::uint8_t> raw;
  if (KxReadFile(path, raw)) {
    std::fprintf(stderr, "kxrtf: cannot open %s\n", path);
    return 2;
  }
  static const char* const kNames[] = {"sjis", "jis", "euc", "utf16", "utf8"};
  short code = kKxCodeAuto;
  if (encoding) {
    for (short k = 0; k < 5; ++k)
      if (std::strcmp(encoding, kNames[k]) == 0) code = k;
    if (code == kKxCodeAuto && std::strcmp(encoding, "auto") != 0) {
      std::fprintf(stderr, "kxrtf: unknown encoding %s\n", encoding);
      return 2;
    }
  }
  if (code == kKxCodeAuto) {
    CKXJCode::sUseUNICODE = 1;
    CKXJCode::sUseCVKANJI = 1;
    code = CKXJCode::AutoCheck(raw.data(), long(raw.size()));
  }
  // Everything becomes Shift_JIS with side entries for what it cannot hold.
  std::vector<std::uint8_t> sjis;
  std::vector<SKXUniChar> sides;
  CKXJCode conv;
  if (code == kKxCodeJIS || code == kKxCodeEUC) {
    if (code == kKxCodeJIS) conv.JIStoSJIS(raw.data(), long(raw.size()));
    else conv.EUCtoSJIS(raw.data(), long(raw.size()));
    sjis.assign(conv.GetTextPtr(), conv.GetTextPtr() + conv.GetTextSize());
  } else if (code == kKxCodeUTF8 || code == kKxCodeUTF16) {
    const unsigned char* p = raw.data();
    long n = long(raw.size());
    bool big = true;
    if (code == kKxCodeUTF8) {
      conv.UTF8toUNICODE(p, n, false);
      p = conv.GetTextPtr();
      n = conv.GetTextSize();
    } else if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
      big = false;
    }
    if (n >= 2 && ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE))) {
      p += 2;
      n -= 2;
    }
    std::vector<char16_t> units(static_cast<std::size_t>(n / 2));
    for (long k = 0; k + 1 < n; k += 2)
      units[static_cast<std::size_t>(k / 2)] = big ? char16_t(p[k] << 8 | p[k + 1]) : char16_t(p[k + 1] << 8 | p[k]);
    StKxHandle text, entries;
    long len = 0, count = 0;
    if (!UKXUnicode::ConvertToText(units.data(), long(units.size()), nullptr, text.h, len, entries.h, count,
                                   kScriptJapanese)) {
      std::fprintf(stderr, "kxrtf: %s: cannot convert the text\n", path);
      return 1;
    }
    if (text.h) sjis.assign(reinterpret_cast<std::uint8_t*>(*text.h), reinterpret_cast<std::uint8_t*>(*text.h) + len);
    if (entries.h)
      sides.assign(reinterpret_cast<SKXUniChar*>(*entries.h), reinterpret_cast<SKXUniChar*>(*entries.h) + count);
  } else {
    sjis = raw;
  }
  // Line ends become CR; side entry offsets follow the bytes.
  std::string text;
  std::vector<SKXUniChar> moved;
  std::size_t next = 0;
  for (std::size_t i = 0; i < sjis.size(); ++i) {
    while (next < sides.size() && std::size_t(sides[next].offset) < i) ++next;
    if (next < sides.size() && std::size_t(sides[next].offset) == i)
      moved.push_back({std::int32_t(text.size()), sides[next].value});
    if (sjis[i] == '\r' && i + 1 < sjis.size() && sjis[i + 1] == '\n') continue;
    text += sjis[i] == '\n' ? '\r' : char(sjis[i]);
  }
  CKXText t;
  SStyl style{};
  style.font = kApplicationFont;
  style.size = 12;
  if (font && !KxFontNumberFromName(font, style.font)) {
    std::fprintf(stderr, "kxrtf: unknown font %s\n", font);
    return 2;
  }
  t.InsertString(0, text.data(), long(text.size()), &style, nullptr, moved.data(), long(moved.size()));
  std::string rtf;
  CKXTextRTFMac w;
  if (!w.DoRTFfromTextRef(rtf, &t, 0, 0, 0, nullptr)) {
    std::fprintf(stderr, "kxrtf: %s: the export failed\n", path);
    return 1;
  }
  if (!WriteOut(outPath, rtf)) {
    std::fprintf(stderr, "kxrtf: cannot write %s\n", outPath);
    return 1;
  }
  return 0;
}

// A text with every attribute the writer carries.
int Demo(const char* outPath) {
  CKXText t;
  auto add = [&](const char* s, short font, short size, std::uint8_t face, RGBColor color, std::uint16_t lines,
                 std::uint8_t pos) {
    SStyl st{};
    st.font = font;
    st.size = size;
    st.face = face;
    st.color = color;
    SDeco d{};
    d.lineBits = lines;
    d.flags = pos;
    t.InsertString(t.GetLength(), s, long(std::strlen(s)), &st, &d, nullptr, 0);
  };
  short roman = 0, japanese = 1;
  KxFontNumberFromName("Times", roman);
  const RGBColor black{0, 0, 0}, red{0xFFFF, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
  add("Plain, ", roman, 12, 0, black, 0, 0);
  add("bold, ", roman, 12, kFaceBold, black, 0, 0);
  add("italic, ", roman, 14, kFaceItalic, black, 0, 0);
  add("underlined, ", roman, 12, kFaceUnderline, black, 0, 0);
  add("outlined, ", roman, 12, kFaceOutline, black, 0, 0);
  add("shadowed, ", roman, 12, kFaceShadow, black, 0, 0);
  add("condensed, ", roman, 12, kFaceCondense, black, 0, 0);
  add("extended, ", roman, 12, kFaceExtend, red, 0, 0);
  add("white", roman, 12, 0, white, 0, 0);
  add(" {braces} \\ and tab\there.\r", roman, 12, 0, black, 0, 0);
  add("word underline ", roman, 12, 0, black, 1 << 3, 0);
  add("double underline ", roman, 12, 0, black, 2 << 3, 0);
  add("dotted underline ", roman, 12, 0, black, 4 << 3, 0);
  add("strike ", roman, 12, 0, black, 1 << 6, 0);
  add("double strike ", roman, 12, 0, black, 2 << 6, 0);
  add("raised ", roman, 12, 0, black, 0, 1);
  add("lowered ", roman, 12, 0, black, 0, 2);
  add("super", roman, 12, 0, black, 0, 5);
  add("sub", roman, 12, 0, black, 0, 6);
  add("\r\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6\x8f\xcd\r", japanese, 12, 0, black, 0, 0);
  SStyl js{};
  js.font = japanese;
  js.size = 12;
  t.InsertUniChar(t.GetLength(), 0xD83DDE00, &js, nullptr);  // a pair
  t.InsertUniChar(t.GetLength(), 0x00E9, &js, nullptr);      // no Shift_JIS code
  t.InsertUniChar(t.GetLength(), 0x13000A, &js, nullptr);    // a glyph
  add("\f\rCentred with tabs\tA\tB\r", roman, 12, 0, black, 0, 0);
  SParaStyl p{};
  p.justify = 1;
  p.leftIndent = 18;
  p.firstIndent = 36;
  p.rightIndent = 9;
  p.lineSpace = 4;
  p.tabCount = 2;
  p.tabPos[0] = 72;
  p.tabPos[1] = 144;
  p.tabKinds = 1u | 2u << 2;
  p.tabLeaders = 1u | 3u << 2;
  const long at = t.GetLength() - 20;
  t.SetPara(at, at, p);
  RTFKXDoc doc;
  doc.paperWidth = 595;
  doc.paperHeight = 842;
  doc.textLeft = 72;
  doc.textTop = 72;
  doc.textRight = 523;
  doc.textBottom = 770;
  doc.columns = 2;
  doc.columnGap = 18;
  const char header[] = "Page <PAGE>";
  doc.headerText[0] = sizeof header - 1;
  std::memcpy(doc.headerText + 1, header, sizeof header - 1);
  doc.headerStyl.font = roman;
  doc.headerStyl.size = 10;
  doc.headerJustify = 1;
  const char footer[] = "<DATE> <TIME>";
  doc.footerText[0] = sizeof footer - 1;
  std::memcpy(doc.footerText + 1, footer, sizeof footer - 1);
  doc.footerStyl.font = roman;
  doc.footerStyl.size = 9;
  doc.footerJustify = 2;
  std::string rtf;
  CKXTextRTFMac w;
  if (!w.DoRTFfromTextRef(rtf, &t, 0, 0, 0, &doc)) {
    std::fprintf(stderr, "kxrtf: the export failed\n");
    return 1;
  }
  if (!WriteOut(outPath, rtf)) {
    std::fprintf(stderr, "kxrtf: cannot write %s\n", outPath);
    return 1;
  }
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: kxrtf FILE\n"
               "       kxrtf --import FILE\n"
               "       kxrtf --export FILE [--encoding sjis|jis|euc|utf16|utf8|auto] [--font NAME] -o OUT.rtf\n"
               "       kxrtf --demo -o OUT.rtf\n");
  return 2;
}

int Tables(const char* path);

}  // namespace

int main(int argc, char** argv) {
  const char* import = nullptr;
  const char* exportFrom = nullptr;
  const char* out = nullptr;
  const char* encoding = nullptr;
  const char* font = nullptr;
  bool demo = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--import" && i + 1 < argc) import = argv[++i];
    else if (a == "--export" && i + 1 < argc) exportFrom = argv[++i];
    else if (a == "-o" && i + 1 < argc) out = argv[++i];
    else if (a == "--encoding" && i + 1 < argc) encoding = argv[++i];
    else if (a == "--font" && i + 1 < argc) font = argv[++i];
    else if (a == "--demo") demo = true;
    else if (argc == 2 && a[0] != '-') return KxDriverMain("kxrtf", KxFormatsFacilities, [&] { return Tables(argv[1]); });
    else return Usage();
  }
  if (int(!!import) + int(!!exportFrom) + int(demo) != 1) return Usage();
  if ((exportFrom || demo) && !out) return Usage();
  return KxDriverMain("kxrtf", KxFormatsFacilities, [&] {
    if (import) return Import(import);
    if (exportFrom) return Export(exportFrom, encoding, font, out);
    return Demo(out);
  });
}

namespace {

int Tables(const char* path) {
  std::vector<std::uint8_t> data;
  if (KxReadFile(path, data)) {
    std::fprintf(stderr, "kxrtf: cannot open %s\n", path);
    return 2;
  }

  CountingReader reader(data.data(), data.size());
  reader.RTFInit();
  int result = reader.RTFRead();

  auto fonts = InOrder(reader.RTFFontList(), [](RTFFont* f) { return f->rtfNextFont; });
  std::printf("fonts %zu\n", fonts.size());
  for (RTFFont* f : fonts) {
    std::printf("  f%d family=%d charset=%d pitch=%d type=%d cpg=%d name=", f->rtfFNum, f->rtfFFamily,
                f->rtfFCharSet, f->rtfFPitch, f->rtfFType, f->rtfFCodePage);
    PrintName(f->rtfFName);
    std::putchar('\n');
  }
  auto colors = InOrder(reader.RTFColorList(), [](RTFColor* c) { return c->rtfNextColor; });
  std::printf("colours %zu\n", colors.size());
  for (RTFColor* c : colors)
    std::printf("  %d red=%d green=%d blue=%d\n", c->rtfCNum, c->rtfCRed, c->rtfCGreen, c->rtfCBlue);
  auto styles = InOrder(reader.RTFStyleList(), [](RTFStyle* s) { return s->rtfNextStyle; });
  std::printf("styles %zu\n", styles.size());
  static const char* const kinds[] = {"s", "cs", "ds"};
  for (RTFStyle* s : styles) {
    int elements = 0;
    for (RTFStyleElt* e = s->rtfSSEList; e; e = e->rtfNextSE) ++elements;
    std::printf("  %s%d additive=%d basedon=%d next=%d elements=%d name=",
                kinds[s->rtfSType >= 0 && s->rtfSType <= 2 ? s->rtfSType : 0], s->rtfSNum, s->rtfSAdditive,
                s->rtfSBasedOn, s->rtfSNextPar, elements);
    PrintName(s->rtfSName);
    std::putchar('\n');
  }
  std::printf("tokens unknown=%ld group=%ld text=%ld control=%ld end=%ld\n", reader.counts[0], reader.counts[1],
              reader.counts[2], reader.counts[3], reader.counts[4]);
  std::printf("error %s\n", ErrorName(reader.RTFError()));
  if (reader.RTFStrayCloses()) std::printf("stray-closes %d\n", reader.RTFStrayCloses());
  return result == rtfEOF ? 0 : 1;
}

}  // namespace
