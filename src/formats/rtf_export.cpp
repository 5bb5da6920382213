// The writing side of CKXTextRTF: a range of a styled text as RTF. Attribute
// words are written only where attributes change; every word that turns
// something off comes before the words that turn something on, so that a
// reader applying them in order ends in the new state.
#include <algorithm>
#include <climits>
#include <cstring>

#include "formats/rtf_convert.h"
#include "platform/fonts.h"
#include "text/codes/script.h"
#include "text/runs/pictures.h"

namespace {

constexpr long kChunk = 4096;
constexpr std::uint16_t kUnderShift = 3, kCenterShift = 6, kKindMask = 7;
constexpr std::uint8_t kPosMask = 7;
constexpr std::uint32_t kGlyphFirst = 0x100001, kGlyphLast = 0x1FFFFF;
// A measure above 1638 points does not fit RTF's 16-bit twips.
constexpr std::int64_t kTwipsMax = INT16_MAX, kTwipsMin = INT16_MIN;

const char kDateStamp[] = "<DATE>";
const char kTimeStamp[] = "<TIME>";
const char kPageStamp[] = "<PAGE>";
constexpr int kStampLength = 6;

bool SameColor(const RGBColor& a, const RGBColor& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// Whether the byte at `at` begins a character (is no second byte of a
// double-byte one).
bool IsCharStart(KXConstTextRef text, long at) {
  return at <= 0 || KxRTFText::NextCharPos(text, at - 1) != at + 1;
}

}  // namespace

short CKXTextRTF::DoRTFfromTextRef(std::string& out, KXConstTextRef text, long start, long end, short paraFlag,
                                   const RTFKXDoc* doc) {
  out.clear();
  if (!text) return 0;
  const long length = KxRTFText::Length(text);
  if (end < 1 || end > length) end = length;
  start = std::clamp(start, 0L, length);
  if (end < start) std::swap(start, end);
  mSource = text;
  mStart = start;
  mEnd = end;
  mParaFlag = paraFlag;
  mWriteDoc = doc;
  try {
    mOut.clear();
    mOut.reserve(static_cast<std::size_t>(end - start) + kChunk);
    mFonts.clear();
    mColors.clear();
    RTFWrite();
  } catch (...) {
    // Nothing half-written is handed back.
    mOut.clear();
    mOut.shrink_to_fit();
    return 0;
  }
  out.swap(mOut);
  mOut.clear();
  return 1;
}

void CKXTextRTF::WriteData(const char* bytes, std::size_t n) { mOut.append(bytes, n); }
void CKXTextRTF::WriteData(const char* s) { mOut.append(s); }

void CKXTextRTF::WriteChar(unsigned value) {
  static const char kHex[] = "0123456789abcdef";
  if (value > 0xFF) {
    WriteChar(value >> 8 & 0xFF);
    WriteChar(value & 0xFF);
    return;
  }
  if (value >= 32 && value <= 126 && value != '{' && value != '}' && value != '\\') {
    mOut.push_back(static_cast<char>(value));
    return;
  }
  const char esc[4] = {'\\', '\'', kHex[value >> 4], kHex[value & 15]};
  mOut.append(esc, 4);
}

void CKXTextRTF::WriteStr(const char* bytes, std::size_t n) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 127 && c != '{' && c != '}' && c != '\\') continue;
    WriteData(bytes + run, i - run);
    WriteChar(c);
    run = i + 1;
  }
  WriteData(bytes + run, n - run);
}

void CKXTextRTF::WriteName(const std::string& name) {
  // ";" ends a name in a font table and control bytes are not text: both
  // go as escapes.
  static const char kHex[] = "0123456789abcdef";
  for (unsigned char c : name) {
    if (c == ';' || c < 32) {
      const char esc[4] = {'\\', '\'', kHex[c >> 4], kHex[c & 15]};
      mOut.append(esc, 4);
    } else {
      WriteStr(reinterpret_cast<const char*>(&c), 1);
    }
  }
}

void CKXTextRTF::WriteSymbol(const char* word) {
  mOut.push_back('\\');
  mOut.append(word);
}

void CKXTextRTF::WriteInt(const char* word, std::int64_t n) {
  WriteSymbol(word);
  char buf[24];
  mOut.append(strcpy_num(buf, static_cast<int>(std::clamp<std::int64_t>(n, INT_MIN, INT_MAX))));
}

void CKXTextRTF::WriteSymbolNum(const char* word, std::int64_t n) {
  WriteInt(word, std::clamp(n, kTwipsMin, kTwipsMax));
}

void CKXTextRTF::WriteUnicode(std::uint32_t u) {
  if (u >= kGlyphFirst && u <= kGlyphLast) {
    WriteData("{{}{\\*");
    WriteInt("glid", static_cast<std::int16_t>(u & 0xFFFF));
    WriteData(" ?");
    WriteInt("glcol", u >> 16 & 15);
    WriteData("}?}");
    return;
  }
  if (u > 0xFFFF) {
    // Each unit with its own fallback, so that a reader that skips one
    // fallback unit after each "\u" keeps both halves.
    WriteInt("u", static_cast<std::int16_t>(u >> 16));
    mOut.push_back('?');
    if (u & 0xFFFF) {
      WriteInt("u", static_cast<std::int16_t>(u & 0xFFFF));
      mOut.push_back('?');
    }
    return;
  }
  WriteInt("u", static_cast<std::int16_t>(u));
  WriteData(" ?");
}

void CKXTextRTF::WriteOSInfo() { WriteSymbol("mac"); }
void CKXTextRTF::WriteReturn() { mOut.push_back('\n'); }

void CKXTextRTF::RTFWrite() {
  WriteFirstInfo();
  WriteFontTbl();
  WriteColorTbl();
  WritePageLayout();
  WriteHeader();
  WriteFooter();
  WriteText();
  mOut.push_back('}');
}

void CKXTextRTF::WriteFirstInfo() {
  WriteData("{");
  WriteSymbol("rtf1");
  WriteOSInfo();
  mOut.push_back(' ');
}

// ---------------------------------------------------------------------------
// Tables

void CKXTextRTF::AddFont(short id) {
  if (static_cast<int>(mFonts.size()) >= kMaxFonts) return;
  for (const FontEntry& f : mFonts)
    if (f.id == id) return;
  std::int32_t num = GetFontNumFromID(id);
  // Fonts X and -X share a number; the second one of such a pair gets a
  // number of its own, above every 16-bit ID.
  bool taken = false;
  std::int32_t highest = INT16_MAX + 1;
  for (const FontEntry& f : mFonts) {
    if (f.num == num) taken = true;
    highest = std::max(highest, f.num);
  }
  if (taken) num = highest + 1;
  mFonts.push_back({id, num});
}

std::int32_t CKXTextRTF::FontNumber(short id) const {
  for (const FontEntry& f : mFonts)
    if (f.id == id) return f.num;
  return const_cast<CKXTextRTF*>(this)->GetFontNumFromID(id);
}

void CKXTextRTF::AddColor(const RGBColor& c) {
  if (static_cast<int>(mColors.size()) >= kMaxColors) return;
  for (const RGBColor& k : mColors)
    if (SameColor(k, c)) return;
  mColors.push_back(c);
}

int CKXTextRTF::ColorIndex(const RGBColor& c) const {
  // List entry 0 is black, written as the automatic colour 0; entry i
  // (i >= 1) has index i + 1, after the fixed white at 1.
  for (std::size_t i = 0; i < mColors.size(); ++i)
    if (SameColor(mColors[i], c)) return i == 0 ? 0 : static_cast<int>(i) + 1;
  return 0;
}

void CKXTextRTF::WriteFontTbl() {
  const long n = mEnd > mStart ? std::max(KxRTFText::StylCount(mSource, mStart, mEnd), 1L) : 0;
  std::vector<SKXStyl> runs(static_cast<std::size_t>(n));
  const long got = n > 0 ? KxRTFText::Styls(mSource, mStart, mEnd, runs.data(), n) : 0;
  for (long i = 0; i < got; ++i) AddFont(runs[static_cast<std::size_t>(i)].styl.font);
  if (mWriteDoc) {
    if (mWriteDoc->headerText[0] && mWriteDoc->headerStyl.font) AddFont(mWriteDoc->headerStyl.font);
    if (mWriteDoc->footerText[0] && mWriteDoc->footerStyl.font) AddFont(mWriteDoc->footerStyl.font);
  }
  static const char* const kFamilies[] = {"fnil", "froman", "fswiss", "fmodern", "fscript", "fdecor", "ftech"};
  WriteData("{");
  WriteSymbol("fonttbl");
  std::string name;
  for (const FontEntry& f : mFonts) {
    WriteInt("f", f.num);
    const short family = GetFontFamilyFromID(f.id);
    WriteSymbol(kFamilies[family >= 0 && family < 7 ? family : 0]);
    WriteInt("fcharset", GetFontCharSetFromID(f.id));
    mOut.push_back(' ');
    GetFontNameFromID(name, f.id);
    WriteName(name);
    mOut.push_back(';');
  }
  WriteData("}");
  WriteReturn();
}

void CKXTextRTF::WriteColorTbl() {
  mColors.push_back(RGBColor{0, 0, 0});
  const long n = mEnd > mStart ? std::max(KxRTFText::StylCount(mSource, mStart, mEnd), 1L) : 0;
  std::vector<SKXStyl> runs(static_cast<std::size_t>(n));
  const long got = n > 0 ? KxRTFText::Styls(mSource, mStart, mEnd, runs.data(), n) : 0;
  for (long i = 0; i < got; ++i) AddColor(runs[static_cast<std::size_t>(i)].styl.color);
  if (mWriteDoc) {
    if (mWriteDoc->headerText[0]) AddColor(mWriteDoc->headerStyl.color);
    if (mWriteDoc->footerText[0]) AddColor(mWriteDoc->footerStyl.color);
  }
  WriteData("{");
  WriteSymbol("colortbl");
  WriteData(";\\red255\\green255\\blue255;");
  for (std::size_t i = 1; i < mColors.size(); ++i) {
    WriteInt("red", mColors[i].red >> 8);
    WriteInt("green", mColors[i].green >> 8);
    WriteInt("blue", mColors[i].blue >> 8);
    mOut.push_back(';');
  }
  WriteData("}");
  WriteReturn();
}

void CKXTextRTF::WritePageLayout() {
  const RTFKXDoc* d = mWriteDoc;
  if (!d || d->paperWidth < 1 || d->paperHeight < 1) return;
  WriteSymbolNum("paperw", std::int64_t{d->paperWidth} * 20);
  WriteSymbolNum("paperh", std::int64_t{d->paperHeight} * 20);
  mOut.push_back(' ');
  if (d->textRight - d->textLeft > 0 && d->textBottom - d->textTop >= 1) {
    WriteSymbolNum("margl", std::int64_t{d->textLeft} * 20);
    WriteSymbolNum("margr", (std::int64_t{d->paperWidth} - d->textRight) * 20);
    WriteSymbolNum("margt", std::int64_t{d->textTop} * 20);
    WriteSymbolNum("margb", (std::int64_t{d->paperHeight} - d->textBottom) * 20);
    mOut.push_back(' ');
  }
  if (d->columns > 1) {
    WriteSymbol("sectd");
    WriteSymbolNum("cols", d->columns);
    WriteSymbolNum("colsx", std::int64_t{d->columnGap} * 20);
    mOut.push_back(' ');
  }
  WriteReturn();
}

void CKXTextRTF::WriteHeader() {
  if (mWriteDoc && mWriteDoc->headerText[0])
    WriteHF("header", mWriteDoc->headerText, mWriteDoc->headerStyl, mWriteDoc->headerJustify);
}

void CKXTextRTF::WriteFooter() {
  if (mWriteDoc && mWriteDoc->footerText[0])
    WriteHF("footer", mWriteDoc->footerText, mWriteDoc->footerStyl, mWriteDoc->footerJustify);
}

void CKXTextRTF::WriteHF(const char* word, const unsigned char* text, const SStyl& styl, std::uint8_t justify) {
  WriteData("{");
  WriteSymbol(word);
  mOut.push_back(' ');
  if (justify == 2)
    WriteData("\\qr ");
  else if (justify == 3)
    WriteData("\\qj ");
  else if (justify != 0)
    WriteData("\\qc ");
  mCurStyl = SStyl{};
  mFontNamed = false;
  WriteCharAttr(styl);
  WriteHFString(text + 1, text[0]);
  WriteData("}");
  WriteReturn();
}

void CKXTextRTF::WriteHFString(const unsigned char* text, int n) {
  const char* p = reinterpret_cast<const char*>(text);
  int run = 0;
  auto flush = [&](int i) {
    WriteStr(p + run, static_cast<std::size_t>(i - run));
  };
  for (int i = 0; i < n;) {
    const char c = p[i];
    const char* word = nullptr;
    int skip = 1;
    if (c == '\r') {
      word = "par";
    } else if (c == '\n') {
      word = "";
    } else if (n - i >= kStampLength) {
      if (std::memcmp(p + i, kDateStamp, kStampLength) == 0) word = "chdate";
      if (std::memcmp(p + i, kTimeStamp, kStampLength) == 0) word = "chtime";
      if (std::memcmp(p + i, kPageStamp, kStampLength) == 0) word = "chpgn";
      if (word) skip = kStampLength;
    }
    if (!word) {
      ++i;
      continue;
    }
    flush(i);
    if (*word) {
      WriteSymbol(word);
      mOut.push_back(' ');
    }
    i += skip;
    run = i;
  }
  flush(n);
}

// ---------------------------------------------------------------------------
// Attributes

void CKXTextRTF::WriteCharAttr(const SStyl& s) {
  bool wrote = false;
  // The first run names its font whatever it is: a reader puts text before
  // any font word in a default of its own.
  if (!mFontNamed || s.font != mCurStyl.font) {
    mFontNamed = true;
    WriteInt("f", FontNumber(s.font));
    wrote = true;
  }
  if (s.size != mCurStyl.size) {
    WriteSymbolNum("fs", std::int64_t{s.size} * 2);
    wrote = true;
  }
  if (!SameColor(s.color, mCurStyl.color)) {
    if (wrote) mOut.push_back(' ');
    WriteInt("cf", ColorIndex(s.color));
    wrote = true;
  }
  if (s.face != mCurStyl.face) {
    if (wrote) mOut.push_back(' ');
    struct Bit {
      std::uint8_t bit;
      const char* word;
    };
    static const Bit kBits[] = {{kFaceBold, "b"},       {kFaceItalic, "i"},   {kFaceUnderline, "ul"},
                                {kFaceOutline, "outl"}, {kFaceShadow, "shad"}, {kFaceCondense, "expnd"},
                                {kFaceExtend, "expnd"}};
    const std::uint8_t changed = static_cast<std::uint8_t>(s.face ^ mCurStyl.face);
    for (int pass = 0; pass < 2; ++pass) {
      const bool turningOn = pass == 1;
      for (const Bit& b : kBits) {
        if (!(changed & b.bit) || ((s.face & b.bit) != 0) != turningOn) continue;
        if (turningOn) {
          WriteSymbol(b.word);
          if (b.bit == kFaceCondense) WriteData("-6");
          if (b.bit == kFaceExtend) WriteData("6");
        } else {
          WriteInt(b.word, 0);
        }
        if (b.bit == kFaceOutline) WriteInt("strokewidth", turningOn ? 60 : 0);
        mOut.push_back(' ');
      }
    }
  } else if (wrote) {
    mOut.push_back(' ');
  }
  mCurStyl = s;
}

void CKXTextRTF::WriteCharDeco(const SDeco& d) {
  const int oldUnder = mCurDeco.lineBits >> kUnderShift & kKindMask;
  const int newUnder = d.lineBits >> kUnderShift & kKindMask;
  const int oldCenter = mCurDeco.lineBits >> kCenterShift & kKindMask;
  const int newCenter = d.lineBits >> kCenterShift & kKindMask;
  const int oldPos = mCurDeco.flags & kPosMask;
  const int newPos = d.flags & kPosMask;
  struct Kind {
    int value;
    const char* on;
    const char* off;
  };
  static const Kind kUnder[] = {{1, "\\ulw ", "\\ulw0 "}, {2, "\\uldb ", "\\uldb0 "}, {4, "\\uld ", "\\uld0 "}};
  static const Kind kCenter[] = {{1, "\\strike ", "\\strike0 "}, {2, "\\striked1 ", "\\striked0 "}};
  static const Kind kPos[] = {{1, "\\up6 ", "\\up0 "},
                              {2, "\\dn6 ", "\\dn0 "},
                              {5, "\\super ", "\\nosupersub "},
                              {6, "\\sub ", "\\nosupersub "}};
  auto change = [&](const Kind* kinds, std::size_t n, int from, int to) {
    if (from == to) return;
    for (std::size_t i = 0; i < n; ++i)
      if (kinds[i].value == from) WriteData(kinds[i].off);
    for (std::size_t i = 0; i < n; ++i)
      if (kinds[i].value == to) WriteData(kinds[i].on);
  };
  change(kUnder, 3, oldUnder, newUnder);
  change(kCenter, 2, oldCenter, newCenter);
  change(kPos, 4, oldPos, newPos);
  mCurDeco = d;
}

void CKXTextRTF::WriteParaAttr(const SParaStyl& p) {
  if (mParaFlag != 0 || std::memcmp(&p, &mCurPara, sizeof p) == 0) {
    mCurPara = p;
    return;
  }
  WriteData("\\pard ");
  if (p.leftIndent != 0) WriteSymbolNum("li", std::int64_t{p.leftIndent} * 20);
  if (p.firstIndent != 0 || p.leftIndent != 0)
    WriteSymbolNum("fi", (std::int64_t{p.firstIndent} - p.leftIndent) * 20);
  if (p.rightIndent != 0) WriteSymbolNum("ri", std::int64_t{p.rightIndent} * 20);
  if (p.lineSpace != 0) WriteSymbolNum("slleading", std::int64_t{p.lineSpace} * 20);
  const int tabs = std::min<int>(p.tabCount, kKxMaxTabs);
  for (int i = 0; i < tabs; ++i) {
    static const char* const kKinds[] = {nullptr, "tqc", "tqr", "tqdec"};
    static const char* const kLeaders[] = {nullptr, "tldot", "tlhyph", "tlul"};
    const char* kind = kKinds[p.tabKinds >> (2 * i) & 3];
    const char* leader = kLeaders[p.tabLeaders >> (2 * i) & 3];
    if (kind) WriteSymbol(kind);
    if (leader) WriteSymbol(leader);
    WriteSymbolNum("tx", std::int64_t{p.tabPos[i]} * 20);
  }
  static const char* const kJustify[] = {"ql", "qc", "qr", "qj"};
  WriteSymbol(kJustify[p.justify & 3]);
  WriteReturn();
  mCurPara = p;
}

// ---------------------------------------------------------------------------
// Text

void CKXTextRTF::WriteText() {
  mCurStyl = SStyl{};
  mFontNamed = false;
  mCurDeco = SDeco{};
  mCurPara = SParaStyl{};
  const long length = mEnd - mStart;

  std::vector<SKXStyl> styls(static_cast<std::size_t>(std::max(KxRTFText::StylCount(mSource, mStart, mEnd), 1L)));
  styls.resize(static_cast<std::size_t>(
      KxRTFText::Styls(mSource, mStart, mEnd, styls.data(), static_cast<long>(styls.size()))));
  std::vector<SKXDeco> decos(static_cast<std::size_t>(std::max(KxRTFText::DecoCount(mSource, mStart, mEnd), 1L)));
  decos.resize(static_cast<std::size_t>(
      KxRTFText::Decos(mSource, mStart, mEnd, decos.data(), static_cast<long>(decos.size()))));
  std::vector<SKXPara> paras;
  if (mParaFlag == 0) {
    if (KxRTFText::WholeParaCount(mSource) > 0) {
      paras.resize(static_cast<std::size_t>(std::max(KxRTFText::ParaCount(mSource, mStart, mEnd), 1L)));
      paras.resize(static_cast<std::size_t>(
          KxRTFText::Paras(mSource, mStart, mEnd, paras.data(), static_cast<long>(paras.size()))));
      // A first paragraph in the plain style is still written.
      if (!paras.empty() && std::memcmp(&paras[0].para, &mCurPara, sizeof mCurPara) == 0) mCurPara.justify = 4;
    } else {
      SParaStyl def = mWriteDoc ? mWriteDoc->defaultPara : SParaStyl{};
      static const SParaStyl kZero{};
      if (std::memcmp(&def, &kZero, sizeof def) != 0) paras.push_back({0, def});
    }
  }
  std::vector<SKXUniChar> unis(static_cast<std::size_t>(KxRTFText::UniCount(mSource, mStart, mEnd)));
  if (!unis.empty())
    unis.resize(static_cast<std::size_t>(
        KxRTFText::UniChars(mSource, mStart, mEnd, unis.data(), static_cast<long>(unis.size()))));

  std::size_t si = 0, di = 0, pi = 0, ui = 0;
  std::vector<char> buf(static_cast<std::size_t>(kChunk) + 1);
  long pos = 0;
  while (pos < length) {
    // Attributes of the runs starting here.
    if (pi < paras.size() && paras[pi].offset <= pos) {
      while (pi + 1 < paras.size() && paras[pi + 1].offset <= pos) ++pi;
      WriteParaAttr(paras[pi].para);
      ++pi;
    }
    if (si < styls.size() && styls[si].offset <= pos) {
      while (si + 1 < styls.size() && styls[si + 1].offset <= pos) ++si;
      WriteCharAttr(styls[si].styl);
      ++si;
    }
    if (di < decos.size() && decos[di].offset <= pos) {
      while (di + 1 < decos.size() && decos[di + 1].offset <= pos) ++di;
      WriteCharDeco(decos[di].deco);
      ++di;
    }
    long segEnd = length;
    if (pi < paras.size()) segEnd = std::min<long>(segEnd, paras[pi].offset);
    if (si < styls.size()) segEnd = std::min<long>(segEnd, styls[si].offset);
    if (di < decos.size()) segEnd = std::min<long>(segEnd, decos[di].offset);
    if (segEnd <= pos) segEnd = pos + 1;

    // The segment's bytes, a chunk at a time; a double-byte character cut by
    // a chunk end is fetched again with the next chunk.
    while (pos < segEnd) {
      const long want = std::min(kChunk, segEnd - pos);
      const long got = KxRTFText::Bytes(mSource, mStart + pos, mStart + pos + want, buf.data(), want);
      if (got <= 0) {
        pos = segEnd;
        break;
      }
      const char* b = buf.data();
      long run = 0, i = 0;
      auto flush = [&](long upTo) {
        WriteStr(b + run, static_cast<std::size_t>(upTo - run));
      };
      for (; i < got;) {
        const unsigned char c = static_cast<unsigned char>(b[i]);
        while (ui < unis.size() && unis[ui].offset < pos + i) ++ui;
        if (ui < unis.size() && unis[ui].offset == pos + i) {
          long width = 1;
          if (c == 0x81 || c == 0xA3) width = 2;
          else if (c != 0xA0) width = 0;
          if (width > 0) {
            if (i + width > got) break;  // finish it with the next chunk
            flush(i);
            WriteUnicode(unis[ui].value);
            i += width;
            run = i;
            ++ui;
            continue;
          }
        }
        if (c == kKxPictureByte && mCurDeco.pictID != 0 && IsCharStart(mSource, mStart + pos + i)) {
          // A picture: the reader takes no pictures from RTF, and its byte
          // alone would come back as a katakana in the text.
          flush(i);
          ++i;
          run = i;
          continue;
        }
        if (c >= 32) {
          ++i;
          continue;
        }
        flush(i);
        if (c == '\r') {
          WriteData("\\par ");
          WriteReturn();
          ParWait();
        } else if (c == '\t') {
          WriteData("\\tab ");
        } else if (c == '\f') {
          WriteData("\\page ");
        } else {
          WriteChar(c);
        }
        ++i;
        run = i;
      }
      flush(i);
      pos += i;
      if (i == 0) {
        // A character longer than what is left: write its bytes as they are.
        WriteStr(b, static_cast<std::size_t>(got));
        pos += got;
      }
    }
  }
  WriteReturn();
}
