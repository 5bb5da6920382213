// RTF import and export over styled texts: import cases with the attributes
// they must give, the writer's exact output for small texts, the font glue,
// and a random round trip inside the subset that RTF carries.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "formats/rtf_convert.h"
#include "platform/fonts.h"
#include "platform/script.h"
#include "text/codes/script.h"
#include "text/store/converters.h"
#include "text/store/text.h"

namespace {

// The start of a document whose text is in a Roman font.
const std::string kRoman = "{\\rtf1{\\fonttbl\\f0\\fnil KX Synthetic Roman;}\\f0 ";

class RTFConvert : public ::testing::Test {
 protected:
  void SetUp() override { KxFontInstallBackend(KxSyntheticFontBackend()); }
  void TearDown() override { KxFontInstallBackend(nullptr); }

  short Import(const std::string& rtf, CKXText& t, RTFKXDoc* doc = nullptr, short* flags = nullptr) {
    CKXTextRTFMac r;
    return r.DoRTFtoTextRef(rtf.data(), long(rtf.size()), &t, flags, doc);
  }
  std::string Export(const CKXText& t, const RTFKXDoc* doc = nullptr, short paraFlag = 0) {
    CKXTextRTFMac w;
    std::string out;
    EXPECT_EQ(w.DoRTFfromTextRef(out, &t, 0, 0, paraFlag, doc), 1);
    return out;
  }
  static std::string Bytes(const CKXText& t) {
    std::string s(size_t(t.GetLength()), '\0');
    t.CopyBytes(0, t.GetLength(), s.data(), t.GetLength());
    return s;
  }
  static SStyl StylAt(const CKXText& t, long pos) {
    SKXStyl r{};
    t.GetSelStyls(pos, pos, &r, 1);
    return r.styl;
  }
  static SDeco DecoAt(const CKXText& t, long pos) {
    SKXDeco r{};
    t.GetSelDecos(pos, pos, &r, 1);
    return r.deco;
  }
  static std::vector<SKXUniChar> Unis(const CKXText& t) {
    std::vector<SKXUniChar> u(size_t(t.GetUniCharsCount()));
    if (!u.empty()) t.GetUniChars(u.data(), long(u.size()));
    return u;
  }
  static short Family(const char* name) {
    short id = 0;
    KxFontNumberFromName(name, id);
    return id;
  }
};

// ---------------------------------------------------------------------------
// Unicode characters and their fallbacks

TEST_F(RTFConvert, UnicodeFallbacksAreSkippedByTheUcCount) {
  struct Case {
    const char* rtf;
    const char* bytes;   // what the text must hold (Roman script, Mac Roman)
  } cases[] = {
      {"{\\rtf1\\uc1\\u8220\\'93x}", "\xD2x"},          // the quote once, not twice
      {"{\\rtf1\\u8220 ?x}", "\xD2x"},                  // uc 1 by default
      {"{\\rtf1\\uc0\\u65 B}", "AB"},                   // nothing to skip
      {"{\\rtf1\\uc2\\u65 \\'41\\par C}", "AC"},        // an escape and a word count one each
      {"{\\rtf1\\uc4{\\u65 xy}z}", "Az"},               // skipping stops at the group end
      {"{\\rtf1{\\uc2\\u66 xx}\\u67 yz}", "BCz"},       // a group's uc count ends with it
  };
  for (const Case& c : cases) {
    CKXText t;
    ASSERT_EQ(Import(kRoman + (c.rtf + 6), t), 1) << c.rtf;
    std::string got = Bytes(t);
    EXPECT_EQ(got, c.bytes) << c.rtf;
  }
}

TEST_F(RTFConvert, SurrogatesPairAndLoneHalvesBecomeReplacements) {
  CKXText t;
  ASSERT_EQ(Import("{\\rtf1\\u-10179?\\u-8704?x}", t), 1);
  auto u = Unis(t);
  ASSERT_EQ(u.size(), 1u);
  EXPECT_EQ(u[0].value, 0xD83DDE00u);
  EXPECT_EQ(Bytes(t).back(), 'x');

  CKXText old;  // the low half written where a fallback belongs
  ASSERT_EQ(Import("{\\rtf1\\u-10179 \\u-8704 ?x}", old), 1);
  ASSERT_EQ(Unis(old).size(), 1u);
  EXPECT_EQ(Unis(old)[0].value, 0xD83DDE00u);
  EXPECT_EQ(Bytes(old).back(), 'x');

  for (const char* lone : {"{\\rtf1\\u-10179?x}", "{\\rtf1\\u-8704?x}", "{\\rtf1\\u-10179?}"}) {
    CKXText l;
    ASSERT_EQ(Import(lone, l), 1);
    unsigned long v = 0;
    auto entries = Unis(l);
    if (!entries.empty()) v = entries[0].value;
    // U+FFFD either as a side entry or converted into the Japanese font.
    const bool replaced = v == 0xFFFD || l.GetUniChar(0) == 0xFFFD;
    EXPECT_TRUE(replaced) << lone;
  }
}

TEST_F(RTFConvert, GlyphGroupsAndSpecialCharacters) {
  CKXText t;
  ASSERT_EQ(Import(kRoman + "a{{}{\\*\\glid-2 ?\\glcol3}?}b\\emdash\\~c}", t), 1);
  auto u = Unis(t);
  ASSERT_FALSE(u.empty());
  EXPECT_EQ(u[0].value, 0x130000u + 65534u);
  const std::string b = Bytes(t);
  EXPECT_EQ(b.front(), 'a');
  EXPECT_NE(b.find("b\xD1\xCA" "c"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Attributes

TEST_F(RTFConvert, NumbersClampToTheirFields) {
  struct Case {
    const char* word;
    short size;
  } sizes[] = {{"\\fs0", 1}, {"\\fs-5", 1}, {"\\fs23", 12}, {"\\fs24", 12}, {"\\fs99999999999", 32767}};
  for (const Case& c : sizes) {
    CKXText t;
    ASSERT_EQ(Import(std::string("{\\rtf1") + c.word + " x}", t), 1);
    EXPECT_EQ(StylAt(t, 0).size, c.size) << c.word;
  }
  CKXText p;
  ASSERT_EQ(Import("{\\rtf1\\pard\\li99999999\\ri-40\\tx720\\tx360\\tx-1440\\tx9999999999 x\\par}", p), 1);
  SKXPara r{};
  ASSERT_EQ(p.GetParas(&r, 1), 1);
  EXPECT_EQ(r.para.leftIndent, 32767);
  EXPECT_EQ(r.para.rightIndent, 0);
  ASSERT_EQ(r.para.tabCount, 3);  // 36, then 72 (the absolute value), then the clamped one
  EXPECT_EQ(r.para.tabPos[0], 36);
  EXPECT_EQ(r.para.tabPos[1], 72);
  EXPECT_EQ(r.para.tabPos[2], 32767);
}

TEST_F(RTFConvert, ColorsAndFaces) {
  const std::string table = "{\\rtf1{\\colortbl;\\red255\\green255\\blue255;;\\red300\\green-4;}";
  struct Case {
    const char* words;
    RGBColor color;
    std::uint8_t face;
  } cases[] = {
      {"\\cf1", {0xFFFF, 0xFFFF, 0xFFFF}, 0},  // white stays white
      {"\\cf2", {0, 0, 0}, 0},                 // no components: automatic
      {"\\cf3", {0xFFFF, 0, 0}, 0},            // clamped, missing blue 0
      {"\\cf3\\cf0", {0, 0, 0}, 0},
      {"\\cf9", {0, 0, 0}, 0},                 // missing entry keeps black
      {"\\b\\i\\ul\\outl\\shad", {0, 0, 0}, 0x1F},
      {"\\b\\i\\plain", {0, 0, 0}, 0},
      {"\\expnd-4", {0, 0, 0}, kFaceCondense},
      {"\\expnd4", {0, 0, 0}, kFaceExtend},
      {"\\expnd-4\\expnd0", {0, 0, 0}, 0},     // both bits cleared
      {"\\expnd4\\expnd0", {0, 0, 0}, 0},
      {"\\ul\\ulnone", {0, 0, 0}, 0},
  };
  for (const Case& c : cases) {
    CKXText t;
    ASSERT_EQ(Import(table + c.words + " x}", t), 1) << c.words;
    const SStyl s = StylAt(t, 0);
    EXPECT_EQ(s.color.red, c.color.red) << c.words;
    EXPECT_EQ(s.color.green, c.color.green) << c.words;
    EXPECT_EQ(s.color.blue, c.color.blue) << c.words;
    EXPECT_EQ(s.face, c.face) << c.words;
  }
}

TEST_F(RTFConvert, DecorationWordsInEitherOrder) {
  struct Case {
    const char* words;
    std::uint16_t lineBits;
    std::uint8_t pos;
  } cases[] = {
      {"\\uld", 4 << 3, 0},          {"\\uldb\\uldb0", 0, 0},        {"\\ulw\\uldb", 2 << 3, 0},
      {"\\strike", 1 << 6, 0},       {"\\striked1", 2 << 6, 0},      {"\\striked1\\strike0", 0, 0},
      {"\\super", 0, 5},             {"\\super\\nosupersub\\up6", 0, 1}, {"\\super\\super0", 0, 0},
      {"\\up6\\dn6", 0, 3},          {"\\up6\\up0", 0, 0},
  };
  for (const Case& c : cases) {
    CKXText t;
    ASSERT_EQ(Import(std::string("{\\rtf1") + c.words + " x}", t), 1);
    const SDeco d = DecoAt(t, 0);
    EXPECT_EQ(d.lineBits, c.lineBits) << c.words;
    EXPECT_EQ(d.flags & 7, c.pos) << c.words;
  }
}

TEST_F(RTFConvert, GroupsRestoreAndStrayBracesAreIgnored) {
  CKXText t;
  short flags = 0;
  ASSERT_EQ(Import("{\\rtf1{\\b a}b}}c}", t, nullptr, &flags), 1);
  EXPECT_EQ(Bytes(t), "abc");
  EXPECT_EQ(StylAt(t, 0).face, kFaceBold);
  EXPECT_EQ(StylAt(t, 1).face, 0);
  EXPECT_FALSE(flags & kKxImportCut);

  CKXText cut;
  ASSERT_EQ(Import("{\\rtf1 abc{\\b def", cut, nullptr, &flags), 1);
  EXPECT_EQ(Bytes(cut), "abcdef");
  EXPECT_TRUE(flags & kKxImportCut);
  EXPECT_TRUE(flags & kKxImportStyles);
}

TEST_F(RTFConvert, WindowsBytesBecomeMacOnesInRomanRunsOnly) {
  CKXText t;
  ASSERT_EQ(Import(kRoman + "\\ansi \\'e9\\u233 ?}", t), 1);
  EXPECT_EQ(Bytes(t), "\x8E\x8E");  // the byte converted; the \u character already right
  CKXText m;
  ASSERT_EQ(Import(kRoman + "\\mac \\'8e}", m), 1);
  EXPECT_EQ(Bytes(m), "\x8E");
}

// A Windows-set document on a single-byte code page with no default font
// from its table is Western: text no font word reaches reads as Roman
// bytes (converted to the Mac set), in groups opened before it and in
// headers too, in the table's default font when that is a Roman one.
// Double-byte code pages, the Mac set, no set at all and a Japanese
// default font from the table keep the text's own (Japanese) font.
TEST_F(RTFConvert, WesternDocumentsWithoutAFontReadAsRoman) {
  struct Case {
    const char* rtf;
    const char* bytes;
  } western[] = {
      {"{\\rtf1\\ansi caf\\'e9 \\'93hi\\'94 end}", "caf\x8E \xD2hi\xD3 end"},
      {"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\b a}\\'e9\\'e8}", "a\x8E\x8F"},
      {"{\\rtf1\\ansi\\deff3{\\fonttbl{\\f0 KX Synthetic Roman;}}\\'e9x}", "\x8Ex"},  // \deff names nothing
      {"{\\rtf1\\pc\\ansicpg437 \\u233?\\'41}", "\x8E" "A"},
      {"{\\rtf1\\ansi\\f0 f\\'e9 {\\f2 g\\'e9}}", "f\x8E g\x8E"},  // fonts the table does not hold
      {"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 KX Synthetic Roman;}}caf\\'e9}", "caf\x8E"},
  };
  for (const Case& c : western) {
    CKXText t;
    ASSERT_EQ(Import(c.rtf, t), 1);
    EXPECT_EQ(Bytes(t), c.bytes) << c.rtf;
    for (long p = 0; p < t.GetLength(); ++p) EXPECT_EQ(t.GetScriptType(p), kScriptRoman) << c.rtf << " at " << p;
  }
  // A Roman default font from the table is the text's font.
  CKXText d;
  ASSERT_EQ(Import(western[5].rtf, d), 1);
  EXPECT_EQ(StylAt(d, 0).font, Family("KX Synthetic Roman"));
  CKXText h;
  RTFKXDoc doc{};
  ASSERT_EQ(Import("{\\rtf1\\ansi{\\header \\'e9h\\par}\\'e9b}", h, &doc), 1);
  EXPECT_EQ(Bytes(h), "\x8E" "b");
  EXPECT_EQ(KxFontScript(StylAt(h, 0).font), kScriptRoman);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(doc.headerText + 1), 2), "\x8E" "h");
  EXPECT_EQ(KxFontScript(doc.headerStyl.font), kScriptRoman);

  const char* japanese[] = {
      "{\\rtf1 \\'82\\'a0}",
      "{\\rtf1\\mac \\'82\\'a0}",
      "{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0}",
      "{\\rtf1\\ansi\\ansicpg1001 \\'82\\'a0}",
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 Nothing Like It;}}\\'82\\'a0}",
  };
  for (const char* rtf : japanese) {
    CKXText t;
    ASSERT_EQ(Import(rtf, t), 1);
    ASSERT_EQ(t.GetLength(), 2) << rtf;
    EXPECT_EQ(t.GetScriptType(0), kScriptJapanese) << rtf;
    EXPECT_EQ(t.GetChar(0), 0x82A0) << rtf;
  }
}

TEST_F(RTFConvert, LongDoubleByteRunsAreNeverSplit) {
  for (int lead : {0, 1}) {
    std::string rtf = "{\\rtf1{\\fonttbl\\f5\\fnil\\fcharset128 Nothing Like It;}\\f5 ";
    if (lead) rtf += "a";
    for (int i = 0; i < 6000; ++i) rtf += "\\'82\\'a0";
    rtf += "}";
    CKXText t;
    ASSERT_EQ(Import(rtf, t), 1);
    ASSERT_EQ(t.GetLength(), 12000 + lead);
    EXPECT_EQ(t.GetScriptType(lead), kScriptJapanese);
    for (long p = lead; p < t.GetLength(); p += 2) ASSERT_EQ(t.GetChar(p), 0x82A0) << p;
  }
}

TEST_F(RTFConvert, FontsResolveByNameAndJapaneseNeverFallsToRoman) {
  const short roman = Family("KX Synthetic Roman");
  ASSERT_NE(roman, 0);
  struct Case {
    const char* entry;
    bool japanese;
  } cases[] = {
      {"\\f3\\fnil KX Synthetic Roman;", false},
      {"\\f3\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;", true},  // unknown Japanese name
      {"\\f3\\fnil\\fcharset128 KX Synthetic Roman;", true},  // a Roman font for Japanese bytes
      {"\\f3\\fnil\\fcharset78 ;", true},
      {"\\f3\\froman\\fcharset0 No Such Font;", false},
  };
  for (const Case& c : cases) {
    CKXText t;
    ASSERT_EQ(Import(std::string("{\\rtf1{\\fonttbl") + c.entry + "}\\f3 x}", t), 1);
    EXPECT_EQ(KxFontScript(StylAt(t, 0).font) == kScriptJapanese, c.japanese) << c.entry;
  }
  CKXText r;
  ASSERT_EQ(Import("{\\rtf1{\\fonttbl{\\f2\\fswiss KX Synthetic Roman;}}\\f2 x}", r), 1);
  EXPECT_EQ(StylAt(r, 0).font, roman);
}

// Text in font 0 (the system font) reads back the same at the start of a
// document as after other text: the first run names its font too, where a
// reader would otherwise give it its own default (here the application
// font of a new document).
TEST_F(RTFConvert, TheFirstRunNamesItsFont) {
  const short roman = Family("KX Synthetic Roman");
  short zeroBack[2] = {-1, -1};  // what font 0 reads back as, first and second
  for (const bool zeroFirst : {true, false}) {
    CKXText t;
    SStyl a{}, b{};
    a.font = zeroFirst ? short(0) : roman;
    b.font = zeroFirst ? roman : short(0);
    a.size = b.size = 12;
    t.InsertString(0, "ab", 2, &a, nullptr, nullptr, 0);
    t.InsertString(2, "cd", 2, &b, nullptr, nullptr, 0);
    CKXText back;
    SStyl app{};
    app.font = kApplicationFont;
    app.size = 12;
    back.InsertString(0, "x", 1, &app, nullptr, nullptr, 0);
    back.DeleteString(0, 1);
    ASSERT_EQ(Import(Export(t), back), 1);
    zeroBack[zeroFirst ? 0 : 1] = StylAt(back, zeroFirst ? 0 : 2).font;
    EXPECT_EQ(StylAt(back, zeroFirst ? 2 : 0).font, roman);
  }
  EXPECT_EQ(zeroBack[0], zeroBack[1]);
}

TEST_F(RTFConvert, FontGlueTables) {
  EXPECT_EQ(CKXTextRTFMac::GetFontIDFromPSName("HiraMinPro-W3"), -28671);
  EXPECT_EQ(CKXTextRTFMac::GetFontIDFromPSName("TimesNewRomanPS-BoldMT-Extra"), -7097);
  EXPECT_EQ(CKXTextRTFMac::GetFontIDFromPSName("timesnewromanps-boldmt"), -7097);
  EXPECT_EQ(CKXTextRTFMac::GetFontIDFromPSName("Zzz"), 0);
  EXPECT_EQ(CKXTextRTFMac::GetFontIDFromPSName("AmericanTypewriter-CondensedLight"), 3047);
  CKXTextRTFMac g;
  EXPECT_EQ(g.GetFontIDFromName("Helvetica-Oblique"), g.GetFontIDFromName("Helvetica"));
  EXPECT_EQ(g.GetFontFamilyFromID(22), 3);
  EXPECT_EQ(g.GetFontFamilyFromID(3), 0);
  EXPECT_EQ(g.GetFontNumFromID(-28671), 28671);
  EXPECT_EQ(g.GetFontIDFromNum(12), KxGetSysFont());
  const short expected[][2] = {{0, 77}, {1, 78}, {2, 81}, {3, 79}, {25, 80}};
  for (const auto& e : expected) EXPECT_EQ(KxRTFCharSetOfScript(e[0]), e[1]);
  for (const auto& e : expected) EXPECT_EQ(KxRTFCharSetScript(e[1]), e[0] == 0 ? -1 : e[0]);
}

// ---------------------------------------------------------------------------
// Page record, header and footer

TEST_F(RTFConvert, PageRecordAndHeaders) {
  std::string longHeader(254, 'h');
  longHeader += "\\'82\\'a0\\'82\\'a0";  // 258 bytes: cut before the first double-byte character
  const std::string rtf = "{\\rtf1{\\fonttbl\\f1\\fnil\\fcharset128 ;}\\paperw11900\\paperh16840\\margl1440"
                          "\\margr1440\\margt720\\margb720\\sectd\\cols3\\colsx360 "
                          "{\\header \\qc Page \\chpgn\\par}{\\footer \\f1 " + longHeader + "}body}";
  CKXText t;
  RTFKXDoc doc;
  ASSERT_EQ(Import(rtf, t, &doc), 1);
  EXPECT_EQ(Bytes(t), "body");
  EXPECT_EQ(doc.paperWidth, 595);
  EXPECT_EQ(doc.paperHeight, 842);
  EXPECT_EQ(doc.textLeft, 72);
  EXPECT_EQ(doc.textRight, 595 - 72);
  EXPECT_EQ(doc.textBottom, 842 - 36);
  EXPECT_EQ(doc.columns, 3);
  EXPECT_EQ(doc.columnGap, 18);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(doc.headerText + 1), doc.headerText[0]), "Page <PAGE>\r");
  EXPECT_EQ(doc.headerJustify, 1);
  EXPECT_EQ(doc.headerDistance, 17);
  EXPECT_EQ(doc.footerText[0], 254);

  RTFKXDoc none;  // margins that leave no text area are dropped
  CKXText n;
  ASSERT_EQ(Import("{\\rtf1\\paperw2000\\paperh2000\\margl1200\\margr1200 x}", n, &none), 1);
  EXPECT_EQ(none.paperWidth, 100);
  EXPECT_EQ(none.textLeft, 0);
  EXPECT_EQ(none.textRight, 0);

  // A record that holds a page already (the document's): a new paper keeps
  // the distances of the far edges, whichever comes first.
  const struct {
    const char* words;
    std::int32_t right;
  } kCases[] = {{"\\paperw16838\\paperh11906 ", 842 - 34}, {"\\margr1440\\paperw16838\\paperh11906 ", 842 - 72}};
  for (const auto& c : kCases) {
    const char* words = c.words;
    RTFKXDoc page;
    page.paperWidth = 595, page.paperHeight = 842;
    page.textLeft = page.textTop = 34, page.textRight = 561, page.textBottom = 808;
    CKXText p;
    ASSERT_EQ(Import(std::string("{\\rtf1") + words + "x}", p, &page), 1);
    EXPECT_EQ(page.paperWidth, 842);
    EXPECT_EQ(page.textRight, c.right) << words;
    EXPECT_EQ(page.textBottom, 595 - 34) << words;
  }
}

// ---------------------------------------------------------------------------
// The writer

TEST_F(RTFConvert, WriterOutputForSmallTexts) {
  CKXText empty;
  EXPECT_EQ(Export(empty),
            "{\\rtf1\\mac\\ansicpg1001\\cocoartf102 {\\fonttbl}\n{\\colortbl;\\red255\\green255\\blue255;}\n\n}");

  CKXText t;
  SStyl s{};
  s.font = 22;
  s.size = 12;
  t.InsertString(0, "a{b}\\c\r", 7, &s, nullptr, nullptr, 0);
  const std::string out = Export(t, nullptr, 3);
  EXPECT_NE(out.find("\\f22\\fmodern\\fcharset77 Courier;"), std::string::npos) << out;
  EXPECT_NE(out.find("\\f22\\fs24 a\\'7bb\\'7d\\'5cc\\par \n"), std::string::npos) << out;
  EXPECT_EQ(out.find("\\pard"), std::string::npos);
  EXPECT_EQ(out.find("\\cf"), std::string::npos);

  // X and -X: the second gets its own entry.
  CKXText pair;
  SStyl a = s, b = s;
  a.font = -28671;
  b.font = 28671;
  pair.InsertString(0, "x", 1, &a, nullptr, nullptr, 0);
  pair.InsertString(1, "y", 1, &b, nullptr, nullptr, 0);
  const std::string po = Export(pair);
  EXPECT_NE(po.find("\\f28671\\fnil\\fcharset78 HiraMinPro-W3;"), std::string::npos) << po;
  EXPECT_NE(po.find("\\f32769\\fnil\\fcharset77 ;"), std::string::npos) << po;
  CKXText back;
  ASSERT_EQ(Import(po, back), 1);
  EXPECT_EQ(StylAt(back, 0).font, -28671);
  EXPECT_NE(StylAt(back, 1).font, -28671);
}

// The NEC and IBM extension characters (code page 932's rows 13 and
// 0xFA-0xFC) go out as their codes under code page 1001 and come back as
// the same codes, with no side entries; so do codes that code page 932
// leaves empty but the JIS X 0213 additions fill.
TEST_F(RTFConvert, ExtensionCharactersSurviveExportAndImport) {
  CKXText t;
  SStyl s{};
  s.font = -28671;
  s.size = 12;
  const std::string bytes = "\x87\x40\x87\x54\x87\x8D\xFB\xFC\xFA\x40\xED\x40x\r";
  t.InsertString(0, bytes.data(), long(bytes.size()), &s, nullptr, nullptr, 0);
  const std::string out = Export(t);
  ASSERT_EQ(out.rfind("{\\rtf1\\mac\\ansicpg1001\\cocoartf102 ", 0), 0u) << out;
  CKXText back;
  ASSERT_EQ(Import(out, back), 1);
  EXPECT_EQ(Bytes(back), bytes);
  EXPECT_TRUE(Unis(back).empty());
  CKXText empty;
  ASSERT_EQ(Import("{\\rtf1\\mac\\ansicpg1001\\cocoartf102 {\\fonttbl\\f0\\fnil\\fcharset78 HiraMinPro-W3;}\\f0 "
                   "\\'81\\'ad}",
                   empty),
            1);
  EXPECT_TRUE(Unis(empty).empty());
}

// An inline picture (0xCA carrying a picture ID) is left out: the reader
// takes no pictures from RTF, and the byte alone would come back as the
// katakana ha. A plain ha, and a double-byte character ending in 0xCA even
// under a picture ID, go out as before, and so do the runs around them.
TEST_F(RTFConvert, PicturesAreLeftOutAndTheirByteKeptElsewhere) {
  CKXText t;
  SStyl s{};
  s.font = -28671;
  s.size = 12;
  SStyl bold = s;
  bold.face = kFaceBold;
  t.InsertString(0, "a\xCA\xCA\x82\xCA", 5, &s, nullptr, nullptr, 0);
  t.InsertString(5, "b\r", 2, &bold, nullptr, nullptr, 0);
  t.SetReferToPicture(1);  // IDs of no picture table
  t.SetDecoPictID(1, 2, 7);
  t.SetDecoPictID(4, 5, 8);
  const std::string out = Export(t);
  EXPECT_NE(out.find("a\\'ca\\'82\\'ca\\b b\\par"), std::string::npos) << out;
  CKXText back;
  ASSERT_EQ(Import(out, back), 1);
  EXPECT_EQ(Bytes(back), "a\xCA\x82\xCA" "b\r");
  EXPECT_EQ(StylAt(back, 1).face, 0);
  EXPECT_EQ(StylAt(back, 2).font, -28671);
  EXPECT_EQ(StylAt(back, 4).face, kFaceBold);
  EXPECT_EQ(DecoAt(back, 1).pictID, 0);
}

class NamedWriter : public CKXTextRTFMac {
 public:
  void GetFontNameFromID(std::string& out, short) override { out = "Bad;Name\x01{x}"; }
};

class FailingWriter : public CKXTextRTFMac {
 public:
  void WriteReturn() override { throw std::bad_alloc(); }
};

TEST_F(RTFConvert, WriterEscapesNamesClampsRangesAndFailsCleanly) {
  CKXText t;
  t.InsertString(0, "hello", 5, nullptr, nullptr, nullptr, 0);
  NamedWriter w;
  std::string out;
  ASSERT_EQ(w.DoRTFfromTextRef(out, &t, 0, 0, 3, nullptr), 1);
  EXPECT_NE(out.find(" Bad\\'3bName\\'01\\'7bx\\'7d;"), std::string::npos) << out;
  CRTFBufferReader r(out.data(), out.size());
  r.RTFInit();
  r.RTFRead();
  ASSERT_NE(r.RTFFontList(), nullptr);
  EXPECT_STREQ(r.RTFFontList()->rtfFName, "Bad;Name\x01{x}");

  CKXTextRTFMac clamp;
  ASSERT_EQ(clamp.DoRTFfromTextRef(out, &t, 100, 0, 3, nullptr), 1);
  EXPECT_EQ(out.find("hello"), std::string::npos);

  FailingWriter f;
  out = "old";
  EXPECT_EQ(f.DoRTFfromTextRef(out, &t, 0, 0, 0, nullptr), 0);
  EXPECT_TRUE(out.empty());
}

TEST_F(RTFConvert, ConverterIsRegisteredForTheFlavorAndFiles) {
  KxTextConverter* c = KxConverterForFlavor(FourCC("RTF "));
  ASSERT_NE(c, nullptr);
  OSType flavor = 0;
  EXPECT_EQ(KxConverterForFileName("Letter.RTF", &flavor), c);
  EXPECT_EQ(flavor, FourCC("RTF "));
  EXPECT_EQ(KxConverterForFileName("rtf"), nullptr);
  CKXText t;
  short flags = 0;
  ASSERT_TRUE(c->Import("{\\rtf1 hi}", 10, t, &flags, nullptr));
  std::string out;
  ASSERT_TRUE(c->Export(t, 0, 0, 0, nullptr, out));
  EXPECT_NE(out.find("hi"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Round trip. Inside the subset RTF carries, import(export(T)) == T and the
// second export is byte for byte the first. Left out because RTF does not
// carry them here: pictures, ruby and marks; thick and emphasis underlines
// and upper lines, line colours and nets; character spacing of paragraphs;
// the low byte of colour components; fonts 0 and 1 (written under the name
// of the family they stand for); side entries that convert into their run's
// script; a letter followed by a combining mark.

struct Model {
  std::string bytes;
  std::vector<SKXStyl> styls;
  std::vector<SKXDeco> decos;
  std::vector<SKXPara> paras;
  std::vector<SKXUniChar> unis;
};

Model Snapshot(const CKXText& t) {
  Model m;
  m.bytes.resize(size_t(t.GetLength()));
  t.CopyBytes(0, t.GetLength(), m.bytes.data(), t.GetLength());
  m.styls.resize(size_t(std::max(t.GetStylCount(), 1L)));
  m.styls.resize(size_t(t.GetStyls(m.styls.data(), long(m.styls.size()))));
  m.decos.resize(size_t(std::max(t.GetDecoCount(), 1L)));
  m.decos.resize(size_t(t.GetDecos(m.decos.data(), long(m.decos.size()))));
  m.paras.resize(size_t(t.GetParaCount()));
  if (!m.paras.empty()) m.paras.resize(size_t(t.GetParas(m.paras.data(), long(m.paras.size()))));
  m.unis.resize(size_t(t.GetUniCharsCount()));
  if (!m.unis.empty()) t.GetUniChars(m.unis.data(), long(m.unis.size()));
  return m;
}

// The first difference, or "".
std::string Diff(const Model& a, const Model& b) {
  if (a.bytes != b.bytes) {
    size_t i = 0;
    while (i < a.bytes.size() && i < b.bytes.size() && a.bytes[i] == b.bytes[i]) ++i;
    return "bytes differ at " + std::to_string(i);
  }
  if (a.styls.size() != b.styls.size()) return "style run counts differ";
  for (size_t i = 0; i < a.styls.size(); ++i)
    if (std::memcmp(&a.styls[i], &b.styls[i], sizeof a.styls[i]) != 0) return "style run " + std::to_string(i);
  if (a.decos.size() != b.decos.size()) return "decoration run counts differ";
  for (size_t i = 0; i < a.decos.size(); ++i)
    if (std::memcmp(&a.decos[i], &b.decos[i], sizeof a.decos[i]) != 0) return "decoration run " + std::to_string(i);
  if (a.paras.size() != b.paras.size()) return "paragraph run counts differ";
  for (size_t i = 0; i < a.paras.size(); ++i)
    if (std::memcmp(&a.paras[i], &b.paras[i], sizeof a.paras[i]) != 0) return "paragraph run " + std::to_string(i);
  if (a.unis.size() != b.unis.size()) return "side entry counts differ";
  for (size_t i = 0; i < a.unis.size(); ++i)
    if (a.unis[i].offset != b.unis[i].offset || a.unis[i].value != b.unis[i].value)
      return "side entry " + std::to_string(i);
  return "";
}

long RandomSteps() {
  const char* s = std::getenv("KX_RANDOM_STEPS");
  const long n = s ? std::atol(s) : 0;
  return n > 0 ? n : 60;
}

TEST_F(RTFConvert, RandomTextsSurviveTheRoundTrip) {
  const short fonts[] = {Family("KX Synthetic Roman"), Family("KX Synthetic Gothic"), 20, 16384, -28671};
  const std::uint16_t levels[] = {0, 0x8080, 0xFFFF, 0x1212};
  const std::uint16_t unders[] = {0, 1, 2, 4}, centres[] = {0, 1, 2};
  const std::uint8_t positions[] = {0, 1, 2, 5, 6};
  const char* const kanji[] = {"\x82\xa0", "\x8a\xbf", "\x87\x40", "\xb1", "\x81\x5c"};
  const long steps = RandomSteps();
  for (long step = 0; step < steps; ++step) {
    std::mt19937 rng(static_cast<unsigned>(step));
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    CKXText t;
    const int segments = 1 + pick(12);
    for (int s = 0; s < segments; ++s) {
      SStyl st{};
      st.font = fonts[pick(5)];
      st.size = short(1 + pick(99));
      st.face = std::uint8_t(pick(128));
      if ((st.face & 0x60) == 0x60) st.face &= 0x3F;  // condense and extend together are not a state
      st.color = RGBColor{levels[pick(4)], levels[pick(4)], levels[pick(4)]};
      SDeco d{};
      d.lineBits = std::uint16_t(unders[pick(4)] << 3 | centres[pick(3)] << 6);
      d.flags = positions[pick(5)];
      const bool japanese = KxFontScript(st.font) == kScriptJapanese;
      const int chars = 1 + pick(30);
      for (int c = 0; c < chars; ++c) {
        const long at = t.GetLength();
        const int kind = pick(20);
        if (kind == 0) {
          t.InsertString(at, "\r", 1, &st, &d, nullptr, 0);
        } else if (kind == 1) {
          t.InsertString(at, "\t", 1, &st, &d, nullptr, 0);
        } else if (kind == 2) {
          t.InsertString(at, "\f\r", 2, &st, &d, nullptr, 0);
        } else if (kind == 3) {
          const unsigned long values[] = {japanese ? 0xE9ul : 0x100ul, 0xD83DDE00ul, 0x130000ul + unsigned(pick(70000) % 65536)};
          t.InsertUniChar(at, values[pick(3)], &st, &d);
        } else if (kind == 4 && japanese) {
          const char* k = kanji[pick(5)];
          t.InsertString(at, k, long(std::strlen(k)), &st, &d, nullptr, 0);
        } else if (kind == 5) {
          const char odd[] = {'{', '}', '\\', ';', '\x0b', '\x01'};
          t.InsertString(at, &odd[pick(6)], 1, &st, &d, nullptr, 0);
        } else {
          char ch = char(japanese ? 0x21 + pick(94) : 0x20 + pick(224));
          if (ch == 0x7F) ch = 'z';
          t.InsertString(at, &ch, 1, &st, &d, nullptr, 0);
        }
      }
    }
    t.InsertString(t.GetLength(), "!", 1, nullptr, nullptr, nullptr, 0);  // the last paragraph is not empty
    // Paragraph styles on a few paragraphs.
    for (int k = pick(4); k > 0; --k) {
      SParaStyl p{};
      p.leftIndent = short(pick(200));
      p.firstIndent = short(pick(100));
      p.rightIndent = short(pick(200));
      p.lineSpace = short(pick(50));
      p.justify = std::uint8_t(pick(4));
      p.tabCount = std::uint8_t(pick(17));
      short pos = 0;
      for (int i = 0; i < p.tabCount; ++i) {
        pos = short(pos + 1 + pick(60));
        p.tabPos[i] = pos;
        p.tabKinds |= std::uint32_t(pick(4)) << (2 * i);
        p.tabLeaders |= std::uint32_t(pick(4)) << (2 * i);
      }
      const long at = pick(int(t.GetLength()));
      t.SetPara(at, at, p);
    }
    RTFKXDoc doc;
    const bool withDoc = pick(2) == 0;
    if (withDoc) {
      doc.paperWidth = 300 + pick(1300);  // wider than any first-line indent made here
      doc.paperHeight = 200 + pick(1400);
      doc.textLeft = pick(90);
      doc.textTop = pick(90);
      doc.textRight = doc.paperWidth - pick(90);
      doc.textBottom = doc.paperHeight - pick(90);
      doc.columns = short(pick(2) ? 0 : 2 + pick(4));
      doc.columnGap = short(doc.columns ? pick(50) : 0);
      const std::string header = "Page <PAGE> of\r<DATE> " + std::to_string(step);
      doc.headerText[0] = std::uint8_t(header.size());
      std::memcpy(doc.headerText + 1, header.data(), header.size());
      doc.headerStyl.font = fonts[pick(2)];
      doc.headerStyl.size = short(6 + pick(20));
      doc.headerJustify = std::uint8_t(pick(4));
      doc.headerDistance = 17;
    }
    const Model before = Snapshot(t);
    const std::string first = Export(t, withDoc ? &doc : nullptr);
    CKXText back;
    RTFKXDoc doc2;
    ASSERT_EQ(Import(first, back, withDoc ? &doc2 : nullptr), 1);
    const std::string diff = Diff(before, Snapshot(back));
    ASSERT_EQ(diff, "") << "step " << step << "\n" << first;
    if (withDoc) {
      EXPECT_EQ(doc2.paperWidth, doc.paperWidth);
      EXPECT_EQ(doc2.textRight, doc.textRight);
      EXPECT_EQ(doc2.textBottom, doc.textBottom);
      EXPECT_EQ(doc2.columns, doc.columns);
      EXPECT_EQ(doc2.columnGap, doc.columnGap);
      EXPECT_EQ(std::memcmp(doc2.headerText, doc.headerText, 256), 0);
      EXPECT_EQ(doc2.headerJustify, doc.headerJustify);
      EXPECT_EQ(doc2.headerStyl.font, doc.headerStyl.font);
      EXPECT_EQ(doc2.headerStyl.size, doc.headerStyl.size);
    }
    ASSERT_EQ(Export(back, withDoc ? &doc2 : nullptr), first) << "step " << step;
  }
}

}  // namespace
