// This platform's side of the RTF converter: fonts by name through the font
// registry (fontconfig families and PostScript names) with a built-in table
// of classic Mac names as the fallback, the character set of each script,
// line ends, progress, and the repair of double-byte codes that the
// Japanese set here leaves empty.
#include <algorithm>
#include <cstring>

#include "formats/rtf_convert.h"
#include "platform/core.h"
#include "platform/fonts.h"
#include "text/codes/script.h"
#include "text/codes/unicode.h"
#include "text/store/converters.h"

namespace {

struct FontName {
  short id;
  const char* name;
};

// Ordered by first letter; a name that begins with a shorter name of the
// table comes before it, so the first prefix match is the longest. Where a
// name occurs twice the first entry wins a look-up by name.
const FontName kMacFontIDName[] = {
    {3047, "AmericanTypewriter-CondensedLight"}, {3045, "AmericanTypewriter-Condensed"}, {3046, "AmericanTypewriter-Light"},
    {3044, "AmericanTypewriter"}, {-16896, "AndaleMono"}, {7102, "AndaleMono"},
    {-15965, "AppleGothic"}, {17410, "AppleGothic"}, {2311, "Apple-Chancery"},
    {-22496, "AppleSymbols"}, {-20992, "Arial-Black"}, {12077, "Arial-Black"},
    {-3680, "ArialNarrow-Bold"}, {-14880, "ArialNarrow-BoldItalic"}, {-21312, "ArialNarrow-Italic"},
    {-25408, "ArialNarrow"}, {2000, "ArialNarrow"}, {-13120, "ArialRoundedMTBold"},
    {3007, "ArialRoundedMTBold"}, {-6016, "ArialUnicodeMS"}, {-18233, "Arial-BoldMT"},
    {-31257, "Arial-BoldItalicMT"}, {-12729, "Arial-ItalicMT"}, {-18393, "ArialMT"},
    {2001, "Arial"}, {2425, "Baskerville-SemiBold"}, {2424, "Baskerville"},
    {2474, "BigCaslon-Medium"}, {2474, "BigCaslon"}, {-7072, "BrushScriptMT"},
    {3017, "BrushScriptMT"}, {2003, "CapitalsRegular"}, {2003, "Capitals"},
    {1792, "CenturyGothic"}, {-28928, "Chalkboard"}, {2002, "Charcoal"},
    {16383, "Chicago"}, {16707, "ChuGothicBBB-Medium-Mono"}, {16705, "ChuGothicBBB-Medium"},
    {14651, "Cochin"}, {-11296, "ComicSansMS-Bold"}, {-16288, "ComicSansMS"},
    {4513, "ComicSansMS"}, {4663, "CopperplateGothic-Bold"}, {3022, "CopperplateGothic-Light"},
    {2422, "Copperplate-Light"}, {2224, "Copperplate"}, {-1472, "CourierNewPS-BoldMT"},
    {-10880, "CourierNewPS-BoldItalicMT"}, {-3232, "CourierNewPS-ItalicMT"}, {-2240, "CourierNewPSMT"},
    {2005, "CourierNew"}, {22, "Courier"}, {16549, "DFKaiSho-Md-MP-RKSJ-H"},
    {16842, "DFMaruGothic-SB-MP-RKSJ-H"}, {16639, "DFSNGyoSho-W5-MP-RKSJ-H"}, {8916, "Didot"},
    {1025, "EdwardianScriptITC"}, {4061, "Futura-CondensedMedium"}, {4061, "Futura-Condensed"},
    {4060, "Futura-Medium"}, {4060, "Futura"}, {2307, "Gadget"},
    {3, "Geneva"}, {-30816, "Georgia-Bold"}, {-29408, "Georgia-BoldItalic"},
    {-17056, "Georgia-Italic"}, {-11904, "Georgia"}, {12171, "Georgia"},
    {4243, "GillSans-Light"}, {4242, "GillSans"}, {16640, "GothicBBB-Medium-83pv-RKSJ-H"},
    {16433, "GothicBBB-Medium-RKSJ-H"}, {16701, "HeiseiKakuGothic-W5"}, {16700, "HeiseiMincho-W3"},
    {4889, "HelveticaNeue-CondensedBlack"}, {4685, "HelveticaNeue-CondensedBold"}, {4688, "HelveticaNeue-UltraLight"},
    {4846, "HelveticaNeue-Light"}, {4684, "HelveticaNeue"}, {21, "Helvetica"},
    {4224, "Herculanum"}, {-31551, "HiraKakuPro-W3"}, {-31647, "HiraKakuPro-W6"},
    {-24831, "HiraKakuStd-W8"}, {-29759, "HiraMaruPro-W4"}, {-28671, "HiraMinPro-W3"},
    {-28767, "HiraMinPro-W6"}, {-17370, "HiraKakuPro-W3"}, {-17373, "HiraKakuPro-W6"},
    {-11512, "HiraKakuStd-W8"}, {-29602, "HiraMaruPro-W4"}, {-896, "HiraMinPro-W3"},
    {-899, "HiraMinPro-W6"}, {16506, "HiraKakuPro-W3"}, {16386, "HiraKakuPro-W6"},
    {16616, "HiraKakuStd-W8"}, {16523, "HiraMaruPro-W4"}, {16489, "HiraMinPro-W3"},
    {16385, "HiraMinPro-W6"}, {-14783, "HiraKakuProN-W3"}, {-14879, "HiraKakuProN-W6"},
    {-6463, "HiraKakuStdN-W8"}, {-15583, "HiraMaruProN-W4"}, {-5727, "HiraMinProN-W3"},
    {-5631, "HiraMinProN-W6"}, {2013, "HoeflerText-Regular"}, {2013, "HoeflerText"},
    {16396, "HonMincho-M"}, {-13248, "Impact"}, {2039, "Impact"},
    {-15039, "KozGoPro-Heavy"}, {-22998, "KozGoPro-Heavy"}, {-15199, "KozGoPro-Medium"},
    {-23003, "KozGoPro-Medium"}, {-9663, "KozGoStd-Bold"}, {-10542, "KozGoStd-Bold"},
    {-25503, "KozGoStd-ExtraLight"}, {-21277, "KozGoStd-ExtraLight"}, {-9855, "KozGoStd-Heavy"},
    {-10548, "KozGoStd-Heavy"}, {-9983, "KozGoStd-Light"}, {-10552, "KozGoStd-Light"},
    {-10015, "KozGoStd-Medium"}, {-10553, "KozGoStd-Medium"}, {-10175, "KozGoStd-Regular"},
    {-10558, "KozGoStd-Regular"}, {-29087, "KozMinPro-Bold"}, {-27533, "KozMinPro-Bold"},
    {-29407, "KozMinPro-Light"}, {-27543, "KozMinPro-Light"}, {-31487, "KozMinPro-Regular-Acro"},
    {-7208, "KozMinPro-Regular-Acro"}, {-12447, "KozMinStd-Bold"}, {-13947, "KozMinStd-Bold"},
    {-29439, "KozMinStd-ExtraLight"}, {-9112, "KozMinStd-ExtraLight"}, {-12255, "KozMinStd-Heavy"},
    {-13953, "KozMinStd-Heavy"}, {-12127, "KozMinStd-Light"}, {-13957, "KozMinStd-Light"},
    {-12095, "KozMinStd-Medium"}, {-13958, "KozMinStd-Medium"}, {-11935, "KozMinStd-Regular"},
    {-13963, "KozMinStd-Regular"}, {1024, "LucidaGrande"}, {2019, "LucidaHandwriting-Italic"},
    {2019, "LucidaHandwriting"}, {2020, "MarkerFelt-Thin"}, {2020, "MarkerFelt"},
    {16703, "MaruGothic-M"}, {-32448, "MicrosoftSansSerif"}, {4, "Monaco"},
    {2007, "MonotypeSports"}, {16593, "MS-Gothic"}, {16592, "MS-Mincho"},
    {2, "NewYork"}, {4154, "Optima-ExtraBlack"}, {6376, "Optima-Regular"},
    {6376, "Optima"}, {16436, "Osaka-Mono"}, {16384, "Osaka"},
    {16, "Palatino-Roman"}, {16, "Palatino"}, {5137, "Papyrus-Condensed"},
    {5136, "Papyrus"}, {16706, "Ryumin-Light-KL-Mono"}, {16704, "Ryumin-Light-KL"},
    {16641, "Ryumin-Light-83pv-RKSJ-H"}, {16435, "Ryumin-Light-RKSJ-H"}, {2004, "SandRegular"},
    {2004, "Sand"}, {2040, "Skia-Regular"}, {2040, "Skia"},
    {23, "Symbol"}, {-17888, "Tahoma-Bold"}, {-22905, "Tahoma"},
    {6583, "Tahoma"}, {2006, "Techno"}, {2305, "TextileRegular"},
    {2305, "Textile"}, {-7097, "TimesNewRomanPS-BoldMT"}, {-3481, "TimesNewRomanPS-BoldItalicMT"},
    {-30169, "TimesNewRomanPS-ItalicMT"}, {-4025, "TimesNewRomanPSMT"}, {2010, "TimesNewRoman"},
    {20, "Times-Roman"}, {20, "Times"}, {-19776, "TrebuchetMS-Bold"},
    {-17440, "TrebuchetMS-BoldItalic"}, {-16992, "TrebuchetMS-Italic"}, {-27968, "TrebuchetMS"},
    {1109, "Trebuchet"}, {-28288, "Verdana-Bold"}, {-24608, "Verdana-BoldItalic"},
    {-30240, "Verdana-Italic"}, {-15360, "Verdana"}, {7203, "Verdana"},
    {32525, "VT100"}, {-448, "Webdings"}, {14213, "Webdings"},
    {-14656, "Wingdings2"}, {2051, "Wingdings2"}, {-14688, "Wingdings3"},
    {2052, "Wingdings3"}, {-27808, "Wingdings-Regular"}, {2011, "Wingdings"},
    {1236, "ZapfDingbatsITC"}, {1236, "ZapfDingbats"}, {642, "Zapfino"},
};

// "\fcharset" values of the Mac scripts.
constexpr short kCharSetRoman = 77, kCharSetJapanese = 78, kCharSetTradChinese = 81, kCharSetKorean = 79,
                kCharSetSimpChinese = 80;
// Windows character sets that name the same scripts.
constexpr std::int32_t kWinShiftJIS = 128, kWinHangul = 129, kWinGB2312 = 134, kWinBig5 = 136;
// Script codes of the Chinese and Korean sets.
constexpr short kScriptTradChinese = 2, kScriptKorean = 3, kScriptSimpChinese = 25;
// Font numbers below this are the system font when no name identifies them.
constexpr std::int32_t kLowestOwnNumber = 800;
// Double-byte ranges that the Mac Japanese set leaves empty or that lie
// outside JIS X 0208: only these are tried under other code pages.
constexpr std::uint16_t kAnsiRanges[][2] = {
    {0x81AD, 0x81B7}, {0x81C0, 0x81C7}, {0x81CF, 0x81D9}, {0x81E9, 0x81EF}, {0x81F8, 0x81FB}, {0x8240, 0x824E},
    {0x8259, 0x825F}, {0x827A, 0x8280}, {0x829B, 0x829E}, {0x82F2, 0x82F9}, {0x8397, 0x839E}, {0x83B7, 0x83BE},
    {0x83D7, 0x83FC}, {0x8461, 0x846F}, {0x8492, 0x849E}, {0x84BF, 0x889E}, {0x9873, 0x989E}, {0xEAA5, 0xFCF4},
};

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithNoCase(const char* s, const char* prefix) {
  for (; *prefix; ++s, ++prefix)
    if (!*s || Upper(*s) != Upper(*prefix)) return false;
  return true;
}

// Shift_JIS bytes of a Japanese font name as UTF-8, for fontconfig.
std::string JapaneseNameToUTF8(const char* name) {
  std::string out;
  const auto* p = reinterpret_cast<const unsigned char*>(name);
  const std::size_t n = std::strlen(name);
  for (std::size_t i = 0; i < n;) {
    std::uint16_t code = p[i];
    std::size_t len = 1;
    if (KxTextCharFirst(p[i], kScriptJapanese) && i + 1 < n) {
      code = static_cast<std::uint16_t>(p[i] << 8 | p[i + 1]);
      len = 2;
    }
    char16_t u[2] = {0, 0};
    if (KxScriptToUTF16(code, kScriptJapanese, u) != 1) return {};
    const char32_t cp = u[0];
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | cp >> 6);
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | cp >> 12);
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    i += len;
  }
  return out;
}

class RTFConverter : public KxTextConverter {
 public:
  bool Import(const void* data, long length, CKXText& text, short* flags, RTFKXDoc* doc) override {
    CKXTextRTFMac rtf;
    return rtf.DoRTFtoTextRef(static_cast<const char*>(data), length, &text, flags, doc) == 1;
  }
  bool Export(const CKXText& text, long start, long end, short paraFlag, const RTFKXDoc* doc,
              std::string& out) override {
    CKXTextRTFMac rtf;
    return rtf.DoRTFfromTextRef(out, &text, start, end, paraFlag, doc) == 1;
  }
};

RTFConverter gConverter;

void InstallConverter() { KxRegisterConverter(FourCC("RTF "), ".rtf", &gConverter); }
void RemoveConverter() { KxRegisterConverter(FourCC("RTF "), nullptr, nullptr); }

}  // namespace

short KxRTFCharSetScript(std::int32_t charset) {
  switch (charset) {
    case kCharSetJapanese:
    case kWinShiftJIS: return kScriptJapanese;
    case kCharSetTradChinese:
    case kWinBig5: return kScriptTradChinese;
    case kCharSetKorean:
    case kWinHangul: return kScriptKorean;
    case kCharSetSimpChinese:
    case kWinGB2312: return kScriptSimpChinese;
    default: return -1;
  }
}

short KxRTFCharSetOfScript(short script) {
  switch (script) {
    case kScriptJapanese: return kCharSetJapanese;
    case kScriptTradChinese: return kCharSetTradChinese;
    case kScriptKorean: return kCharSetKorean;
    case kScriptSimpChinese: return kCharSetSimpChinese;
    default: return kCharSetRoman;
  }
}

void KxRTFFacilities() { KxRegisterFacility(kRankFormats, "RTF converter", InstallConverter, RemoveConverter); }

CKXTextRTFMac::CKXTextRTFMac() { mCharSetFlag = 1; }

bool CKXTextRTFMac::GetFontPSNameFromID(std::string& out, short id) {
  out.clear();
  if (id == 0) return false;
  for (const FontName& f : kMacFontIDName) {
    if (f.id == id) {
      out = f.name;
      return true;
    }
  }
  return false;
}

short CKXTextRTFMac::GetFontIDFromPSName(const char* name) {
  if (!name || !*name) return 0;
  const char first = Upper(name[0]);
  for (const FontName& f : kMacFontIDName) {
    if (first < Upper(f.name[0])) break;
    if (StartsWithNoCase(name, f.name)) return f.id;
  }
  return 0;
}

short CKXTextRTFMac::GetFontIDFromName(const char* name) {
  if (!name || !*name) return 0;
  short id = 0;
  if (KxFontNumberFromName(name, id) && id != 0) return id;
  if (KxFontNumberFromPostScriptName(name, id) && id != 0) return id;
  // Names of Japanese fonts come in Shift_JIS; the registry's are Unicode.
  for (const char* p = name; *p; ++p) {
    if (static_cast<unsigned char>(*p) < 0x80) continue;
    const std::string utf8 = JapaneseNameToUTF8(name);
    if (!utf8.empty() && KxFontNumberFromName(utf8, id) && id != 0) return id;
    break;
  }
  // "Helvetica-Oblique" is Helvetica leaning.
  const std::size_t n = std::strlen(name);
  static const char kOblique[] = "Oblique";
  const std::size_t k = sizeof kOblique - 1;
  if (n > 8 && std::strcmp(name + n - k, kOblique) == 0) {
    std::string cut(name, n - k);
    if (!cut.empty() && cut.back() == '-') cut.pop_back();
    if (!cut.empty()) return GetFontIDFromName(cut.c_str());
  }
  return GetFontIDFromPSName(name);
}

void CKXTextRTFMac::GetFontNameFromID(std::string& out, short id) {
  out.clear();
  std::string family;
  short back = 0;
  // A family that reads back as this very number names it best; a classic
  // number is named as the table names it, so that it comes back as itself.
  if (KxFontFamilyName(id, family) && KxFontNumberFromName(family, back) && back == id) {
    out = family;
    return;
  }
  if (GetFontPSNameFromID(out, id)) return;
  if (!family.empty()) out = family;
}

short CKXTextRTFMac::GetFontCharSetFromID(short id) { return KxRTFCharSetOfScript(KxFontToScriptType(id)); }

short CKXTextRTFMac::GetFontFamilyFromID(short id) {
  switch (id) {
    case 16:
    case 20:
    case 2010: return 1;  // froman
    case 21:
    case 1792:
    case 2001:
    case 2039:
    case 4154:
    case 6376:
    case 12077: return 2;  // fswiss
    case 22:
    case 2005: return 3;  // fmodern
    case 3017: return 4;  // fscript
    default: return 0;    // fnil
  }
}

std::int32_t CKXTextRTFMac::GetFontNumFromID(short id) { return id < 0 ? -std::int32_t{id} : id; }

short CKXTextRTFMac::GetFontIDFromNum(std::int32_t num) {
  if (num >= 0 && num <= kLowestOwnNumber) return KxGetSysFont();
  if (num > INT16_MAX || num < -INT16_MAX) return KxGetSysFont();
  std::string name;
  const short id = static_cast<short>(num);
  GetFontNameFromID(name, id);
  if (!name.empty()) return id;
  GetFontNameFromID(name, static_cast<short>(-id));
  if (!name.empty()) return static_cast<short>(-id);
  return id;
}

short CKXTextRTFMac::GetFontIDFromSystem() {
  if (KxFontToScriptType(KxGetAppFont()) == kScriptJapanese) return KxGetAppFont();
  if (KxFontToScriptType(KxGetSysFont()) == kScriptJapanese) return KxGetSysFont();
  return GetFontIDFromName("HiraMinPro-W3");
}

// Code page 1001 (the Mac Japanese set) tells readers, our own among them,
// that double-byte codes are code page 932's with the Mac additions, so the
// NEC and IBM extension characters read back as they were written.
void CKXTextRTFMac::WriteOSInfo() {
  WriteSymbol("mac");
  WriteSymbol("ansicpg1001");
  WriteSymbol("cocoartf102");
}
void CKXTextRTFMac::WriteReturn() { mOut.push_back('\n'); }

void CKXTextRTFMac::ParWait() {
  // Every tenth paragraph gives the host a turn.
  if (++mCallCount % 10 == 0 && mProgress) mProgress();
}

void CKXTextRTFMac::RTFReadFinished() { CKXTextRTF::RTFReadFinished(); }

void CKXTextRTFMac::CheckAnsiCPGChar() {
  if (mPendingCount < 2 || !mLastWasTrail) return;
  SStyl scratch;
  if (KxFontToScriptType(EffectiveStyl(scratch)->font) != kScriptJapanese) return;
  const auto lead = static_cast<unsigned char>(mPending[mPendingCount - 2]);
  const auto trail = static_cast<unsigned char>(mPending[mPendingCount - 1]);
  const std::uint16_t code = static_cast<std::uint16_t>(lead << 8 | trail);
  bool listed = false;
  for (const auto& r : kAnsiRanges)
    if (code >= r[0] && code <= r[1]) listed = true;
  if (!listed) return;
  // The Japanese set here is code page 932 with the Mac additions: what it
  // holds stays as bytes. Under other code pages the bytes may be Shift_JIS
  // X0213; its one-unit characters become side entries.
  char16_t units[2] = {0, 0};
  if (KxScriptToUTF16(code, kScriptJapanese, units) > 0) return;
  if (mAnsiCodePage == 932 || mAnsiCodePage == 1001) return;
  const char16_t unit = UUnicodeConvert::FromJISX0213AdditionsSJIS(code);
  if (!unit) return;
  mPendingCount -= 2;
  mLastWasTrail = false;
  mPendingLead = false;
  InsertUnicode(unit);
}
