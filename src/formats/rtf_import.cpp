// The reading side of CKXTextRTF: RTF tokens become bytes appended to a
// styled text with the attributes in force, and the page record.
//
// Numbers arrive as 32-bit parameters (the reader saturates longer ones);
// they are computed in 64 bits here and clamped to the field they go into.
#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <string>

#include "formats/rtf_convert.h"
#include "platform/fonts.h"
#include "text/base/memory.h"
#include "text/codes/script.h"
#include "text/codes/unicode.h"

namespace {

// Minors of the words acted on here, by keyword class.
enum : int { kCsAnsi = 0, kCsMac = 1, kCsPc = 2, kCsPca = 3 };
enum : int {
  kDestKeyCode = 8, kDestHeader = 30, kDestFooter = 31, kDestField = 65, kDestFldRslt = 67, kDestUpr = 106,
};
enum : int {
  kSpChDate = 16, kSpChTime = 19, kSpChPgn = 20, kSpRow = 27, kSpPar = 28, kSpSect = 29, kSpPage = 30,
  kSpLine = 32, kSpTab = 37, kSpEmDash = 38, kSpEnDash = 39, kSpBullet = 42, kSpLQuote = 43, kSpRQuote = 44,
  kSpLDblQuote = 45, kSpRDblQuote = 46, kSpNbSpace = 49, kSpOptDest = 52,
};
enum : int { kDocPaperW = 40, kDocPaperH = 41, kDocMargL = 43, kDocMargR = 44, kDocMargT = 45, kDocMargB = 46 };
enum : int { kSectCols = 10, kSectColsX = 11 };
enum : int {
  kParPard = 0, kParInTbl = 3, kParQl = 11, kParQr = 12, kParQj = 13, kParQc = 14, kParFi = 15, kParLi = 16,
  kParRi = 17, kParTx = 25, kParTql = 26, kParTqr = 27, kParTqc = 28, kParTqDec = 29, kParTlDot = 31,
  kParTlHyph = 32, kParTlUl = 33, kParSlLeading = 104,
};
enum : int {
  kChPlain = 0, kChBold = 1, kChDn = 4, kChSub = 5, kChNoSuperSub = 6, kChExpnd = 7, kChFont = 10, kChSize = 11,
  kChItalic = 12, kChOutline = 13, kChShadow = 18, kChStrike = 19, kChUl = 20, kChUlDotted = 21,
  kChUlDouble = 22, kChUlNone = 23, kChUlWord = 24, kChUp = 25, kChSuper = 26, kChColor = 28, kChStrikeD = 36,
};
enum : int { kUniAnsiCpg = 0, kUniU = 1, kUniUc = 2, kUniGlid = 4 };

// Decoration fields.
constexpr std::uint16_t kUnderShift = 3, kCenterShift = 6, kKindMask = 7;
constexpr std::uint8_t kPosMask = 7;
constexpr std::uint8_t kPosRaised = 1, kPosLowered = 2, kPosSuper = 5, kPosSub = 6;

// The header and footer distance given to a record that has none (6 mm).
constexpr std::int16_t kDefaultHFDistance = 17;
// Header and footer texts of the record hold at most this many bytes.
constexpr long kHFTextMax = 255;
// Group states kept at most; deeper groups share the innermost state.
constexpr std::size_t kMaxGroupStates = 1u << 16;
// The font for single-byte text whose font is unknown here (Helvetica).
constexpr short kRomanFallbackFont = 21;
// Code pages whose upper-half bytes lead double-byte characters.
constexpr std::int32_t kDoubleByteCodePages[] = {932, 936, 949, 950, 1361, 1001, 10001, 10002, 10003, 10008};
// Glyph references are kept as collection 3 side entries.
constexpr std::uint32_t kGlyphCollection3 = 0x130000;

#include "formats/tables/rtf_codepages.inc"

// Code pages of the Windows and PC sets when "\ansicpg" names none of ours.
constexpr std::int32_t kCodePageAnsi = 1252, kCodePagePc = 437, kCodePagePca = 850;
// Bytes under this code page are the Mac set's already.
constexpr std::int32_t kCodePageMacRoman = 10000;
// "\fcharset" values that name a single-byte code page of their own; the
// others (0 ANSI, 1 default, 2 symbol, ...) follow the document's.
constexpr std::int32_t kCharSetCodePages[][2] = {
    {77, kCodePageMacRoman}, {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255},
    {178, 1256},             {186, 1257}, {204, 1251}, {222, 874},  {238, 1250},
};

// The upper half of a code page as Unicode; null when it is not one of ours.
const char16_t* CodePageUpper(std::int32_t cpg) {
  for (const RTFCodePage& p : kRTFCodePages)
    if (p.number == cpg) return p.upper;
  return nullptr;
}

// The code of `unit` in `script`, only when it reads back as `unit`: the
// converters fit look-alikes (U+2014 to the code of U+2015), which would
// change the text.
bool ExactCode(short script, char16_t unit, unsigned short& code) {
  if (!UKXUnicode::ConvertToChar(script, &unit, 1, code)) return false;
  char16_t back[2] = {0, 0};
  long count = 2;
  return UKXUnicode::ConvertFromChar(script, code, back, count) && count == 1 && back[0] == unit;
}

const char kDateStamp[] = "<DATE>";
const char kTimeStamp[] = "<TIME>";
const char kPageStamp[] = "<PAGE>";

std::int16_t Clamp16(std::int64_t v) {
  return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, INT16_MIN, INT16_MAX));
}
std::int32_t Clamp32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}
// Twips to the nearest point, halves upward.
std::int64_t Pt(std::int64_t twips) {
  std::int64_t t = twips + 10;
  return t >= 0 ? t / 20 : -((-t + 19) / 20);
}

bool IsDoubleByteCodePage(std::int32_t cpg) {
  return std::find(std::begin(kDoubleByteCodePages), std::end(kDoubleByteCodePages), cpg) !=
         std::end(kDoubleByteCodePages);
}

bool IsHigh(std::uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(std::uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
bool IsAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

bool SRTFAttr::operator==(const SRTFAttr& o) const {
  return std::memcmp(&styl, &o.styl, sizeof styl) == 0 && std::memcmp(&deco, &o.deco, sizeof deco) == 0 &&
         script == o.script && std::memcmp(&para, &o.para, sizeof para) == 0 && ucCount == o.ucCount &&
         codePage == o.codePage;
}

CKXTextRTF::CKXTextRTF() = default;

CKXTextRTF::~CKXTextRTF() {
  // Nothing is appended from here: the target may be gone.
  mPendingCount = 0;
  mTarget = nullptr;
  mCapture.reset();
  CRTFReader::RTFTerm();
}

char* CKXTextRTF::RTFAlloc(int size) { return size > 0 ? KxMemAlloc(size, true) : nullptr; }
void CKXTextRTF::RTFFree(char* block) {
  if (block) KxMemFree(block);
}

// ---------------------------------------------------------------------------
// Conversion

short CKXTextRTF::DoRTFtoTextRef(const char* data, long length, KXTextRef text, short* flags, RTFKXDoc* doc) {
  if (!text) return 0;
  mInData = data;
  mInLength = data && length > 0 ? length : 0;
  mTarget = mBody = text;
  mDoc = doc;
  mAppendStart = KxRTFText::Length(text);
  short result = 1;
  try {
    RTFSetInput(mInData, static_cast<std::size_t>(mInLength));
    RTFInit();
    ReadAll();
    FlushLoneSurrogate();
    RTFTerm();
    RTFReadFinished();
  } catch (...) {
    mPendingCount = 0;
    mHighSurrogate = 0;
    try {
      RTFTerm();
    } catch (...) {
    }
    result = 0;
  }
  mTarget = mBody;
  if (flags) {
    short f = kKxImportRead;
    if (mAnyStyl) f |= kKxImportStyles;
    if (mAnyDeco) f |= kKxImportDecos;
    if (KxRTFText::WholeParaCount(text) > 0) f |= kKxImportParas;
    if (RTFError() != rtfErrNone) f |= kKxImportCut;
    *flags = f;
  }
  return result;
}

void CKXTextRTF::RTFInit() {
  CRTFReader::RTFInit();
  if (!mPending) mPending.reset(new char[kPendingSize]);
  mPendingCount = 0;
  mPendingLead = false;
  mAttr = SRTFAttr{};
  mDefaultPara = SParaStyl{};
  mRawFirstIndent = 0;
  mTabKind = mTabLeader = 0;
  mIgnorable = mStylUsed = mDecoUsed = mParaChanged = false;
  mAnyStyl = mAnyDeco = false;
  mSkipLeft = 0;
  mHighSurrogate = 0;
  mGroups.clear();
  mDest = 0;
  mWindowsSet = mDefFontGiven = mBaseFontSettled = mWesternBase = false;
  mDefFont = 0;
  if (mTarget) {
    SKXStyl s{};
    if (KxRTFText::Styls(mTarget, 0, 0, &s, 1) == 1) {
      mAttr.styl = s.styl;
      mAttr.script = KxFontToScriptType(s.styl.font);
    }
    SKXDeco d{};
    if (KxRTFText::Decos(mTarget, 0, 0, &d, 1) == 1) mAttr.deco = d.deco;
    SKXPara p{};
    if (KxRTFText::WholeParaCount(mTarget) > 0 && KxRTFText::Paras(mTarget, 0, 0, &p, 1) == 1) {
      mAttr.para = p.para;
      mDefaultPara = p.para;
    }
  }
  if (mDoc) mDefaultPara = mDoc->defaultPara;
}

void CKXTextRTF::RTFTerm() {
  FlashText(true);
  if (mCapture) {
    mCapture.reset();
    mTarget = mBody;
    mDest = 0;
  }
  mGroups.clear();
  mGroups.shrink_to_fit();
  CRTFReader::RTFTerm();
}

void CKXTextRTF::RTFReadFinished() {
  if (!mDoc) return;
  RTFKXDoc& d = *mDoc;
  // A text area that leaves nothing to write in is no text area.
  const bool any = d.textLeft || d.textTop || d.textRight || d.textBottom;
  if (any && (d.textRight - d.textLeft < 1 || d.textBottom - d.textTop < 1 || d.textLeft < 0 || d.textTop < 0 ||
              (d.paperWidth > 0 && d.textRight > d.paperWidth) ||
              (d.paperHeight > 0 && d.textBottom > d.paperHeight)))
    d.textLeft = d.textTop = d.textRight = d.textBottom = 0;
}

void CKXTextRTF::ReadAll() {
  while (RTFGetToken() != rtfEOF) {
    const bool isU = rtfClass == rtfControl && rtfMajor == rtfUnicodeAttr && rtfMinor == kUniU;
    if (mSkipLeft > 0) {
      if (rtfClass == rtfGroup) {
        mSkipLeft = 0;  // fallback text never reaches past its group
      } else if (isU && mHighSurrogate && IsLow(static_cast<std::uint16_t>(rtfParam))) {
        // "\uH\uL?": the low half was written where a fallback belongs.
        mSkipLeft = 0;
      } else {
        --mSkipLeft;
        continue;
      }
    }
    if (mHighSurrogate && !isU) FlushLoneSurrogate();
    RTFRouteToken();
  }
}

// ---------------------------------------------------------------------------
// Pending bytes


bool CKXTextRTF::CurrentScriptIsDouble() const {
  SStyl scratch;
  return KxFontToScriptType(EffectiveStyl(scratch)->font) != kScriptRoman;
}

const SStyl* CKXTextRTF::EffectiveStyl(SStyl& scratch) const {
  if (mStylUsed) return &mAttr.styl;
  SKXStyl run{};
  const long end = KxRTFText::Length(mTarget);
  KxRTFText::Styls(mTarget, end, end, &run, 1);
  scratch = run.styl;
  return &scratch;
}

void CKXTextRTF::PutChar(int byte) {
  SettleBaseFont();
  if (mPendingCount >= kPendingSize) FlashText(true);
  const unsigned char c = static_cast<unsigned char>(byte);
  mPending[mPendingCount++] = static_cast<char>(c);
  if (mPendingLead) {
    mPendingLead = false;
    mLastWasTrail = true;
  } else {
    mLastWasTrail = false;
    SStyl scratch;
    mPendingLead = KxTextCharFirst(c, KxFontToScriptType(EffectiveStyl(scratch)->font));
  }
  CheckAnsiCPGChar();
  FlashText(false);
}

void CKXTextRTF::FlashText(bool force) {
  if (mPendingCount == 0 || !mTarget) return;
  if (!force) {
    if (mPendingCount < kPendingFlush) return;
    // Cut after the last whole character, counted from the buffer's start
    // (which is always a character start).
    AppendPending(mPendingLead ? mPendingCount - 1 : mPendingCount);
    return;
  }
  AppendPending(mPendingCount);
  mPendingLead = false;
  mLastWasTrail = false;
}

void CKXTextRTF::AppendPending(long n) {
  if (n <= 0) return;
  SStyl scratch;
  const SStyl* styl = mStylUsed ? &mAttr.styl : nullptr;
  const SDeco* deco = mDecoUsed ? &mAttr.deco : nullptr;
  // Windows bytes of a Roman run are read in their code page; bytes of
  // double-byte runs stay as they are.
  const char16_t* upper = nullptr;
  if (mCharSetFlag == 0 && KxFontToScriptType(EffectiveStyl(scratch)->font) == kScriptRoman)
    upper = CodePageUpper(ByteCodePage());
  const long from = KxRTFText::Length(mTarget);
  if (upper)
    AppendDecoded(n, upper, styl, deco);
  else
    KxRTFText::AppendBytes(mTarget, mPending.get(), n, styl, deco);
  if (mParaChanged) {
    KxRTFText::SetPara(mTarget, from, KxRTFText::Length(mTarget), mAttr.para);
    mParaChanged = false;
  }
  std::memmove(mPending.get(), mPending.get() + n, static_cast<std::size_t>(mPendingCount - n));
  mPendingCount -= n;
}

// Each upper-half byte becomes its character: the Mac Roman byte when that
// set holds it, else a side entry, as Unicode text from outside is kept.
void CKXTextRTF::AppendDecoded(long n, const char16_t* upper, const SStyl* styl, const SDeco* deco) {
  constexpr int kUnknown = -1, kNoByte = -2;
  int roman[128];
  std::fill(std::begin(roman), std::end(roman), kUnknown);
  const bool unicode = UKXUnicode::IsAvailable();
  std::string run;
  run.reserve(static_cast<std::size_t>(n));
  for (long i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(mPending[i]);
    if (b < 0x80) {
      run.push_back(static_cast<char>(b));
      continue;
    }
    const char16_t u = upper[b - 0x80];
    int& r = roman[b - 0x80];
    if (r == kUnknown) {
      unsigned short code = 0;
      r = unicode && ExactCode(kScriptRoman, u, code) && code <= 0xFF ? code : kNoByte;
    }
    if (r != kNoByte) {
      run.push_back(static_cast<char>(r));
      continue;
    }
    if (!run.empty()) KxRTFText::AppendBytes(mTarget, run.data(), static_cast<long>(run.size()), styl, deco);
    run.clear();
    KxRTFText::AppendUniChar(mTarget, u, styl, deco);
  }
  if (!run.empty()) KxRTFText::AppendBytes(mTarget, run.data(), static_cast<long>(run.size()), styl, deco);
}

// The code page of the bytes now read: the font's, else the document's
// when it is one of ours, else that of the document's set.
std::int32_t CKXTextRTF::ByteCodePage() const {
  if (mAttr.codePage > 0) return mAttr.codePage;
  if (mAnsiCodePage == kCodePageMacRoman || CodePageUpper(mAnsiCodePage)) return mAnsiCodePage;
  return mSetCodePage > 0 ? mSetCodePage : kCodePageAnsi;
}

// ---------------------------------------------------------------------------
// Hooks

void CKXTextRTF::UnknownClass() {
  if (!mIgnorable) return;
  mIgnorable = false;
  RTFSkipGroup();
  RTFRouteToken();
}

void CKXTextRTF::TextClass() {
  mIgnorable = false;
  PutChar(rtfMajor);
}

void CKXTextRTF::GroupClass() {
  mSkipLeft = 0;
  if (rtfMajor == rtfBeginGroup) {
    PushGroup();
  } else {
    mIgnorable = false;
    PopGroup();
  }
}

void CKXTextRTF::PushGroup() {
  if (!mGroups.empty()) {
    GroupEntry& top = mGroups.back();
    if ((top.attr == mAttr && top.dest == mDest) || mGroups.size() >= kMaxGroupStates) {
      if (top.count < INT32_MAX) ++top.count;
      return;
    }
  }
  mGroups.push_back({mAttr, mDest, 0});
}

void CKXTextRTF::PopGroup() {
  if (mGroups.empty()) return;
  GroupEntry& top = mGroups.back();
  if (top.dest == 0 && mDest != 0) CloseCapture();
  if (!(top.attr == mAttr)) FlashText(true);
  mAttr = top.attr;
  mDest = top.dest;
  if (top.count == 0)
    mGroups.pop_back();
  else
    --top.count;
}

void CKXTextRTF::ControlClass() {
  if (rtfMajor == rtfDefFont && rtfParam != rtfNoParam) {
    mDefFontGiven = true;
    mDefFont = rtfParam;
  }
  CRTFReader::ControlClass();
}

void CKXTextRTF::CharSet() {
  switch (rtfMinor) {
    case kCsMac:
      mCharSetFlag = 1;
      mWindowsSet = false;
      break;
    case kCsAnsi:
    case kCsPc:
    case kCsPca:
      mCharSetFlag = 0;
      mWindowsSet = true;
      mSetCodePage = rtfMinor == kCsPc ? kCodePagePc : rtfMinor == kCsPca ? kCodePagePca : kCodePageAnsi;
      break;
    default: break;
  }
}

void CKXTextRTF::Destination() {
  mIgnorable = false;
  switch (rtfMinor) {
    case kDestHeader:
    case kDestFooter:
      if (mDest == 0) OpenCapture(rtfMinor == kDestHeader ? 1 : 2);
      return;
    case kDestKeyCode:
    case kDestField:
    case kDestFldRslt:
    case kDestUpr:
      return;
    default:
      RTFSkipGroup();
      RTFRouteToken();
      return;
  }
}

void CKXTextRTF::OpenCapture(int dest) {
  FlashText(true);
  mCapture = KxRTFText::New();
  mTarget = mCapture.get();
  mDest = dest;
}

void CKXTextRTF::CloseCapture() {
  FlashText(true);
  const int which = mDest;
  mDest = 0;
  if (mDoc && mCapture) {
    KXTextRef t = mCapture.get();
    const long length = KxRTFText::Length(t);
    // Whole characters only.
    long cut = 0;
    while (cut < length) {
      const long next = KxRTFText::NextCharPos(t, cut);
      if (next <= cut || next > kHFTextMax) break;
      cut = next;
    }
    unsigned char* text = which == 1 ? mDoc->headerText : mDoc->footerText;
    text[0] = static_cast<unsigned char>(KxRTFText::Bytes(t, 0, cut, reinterpret_cast<char*>(text + 1), cut));
    SKXStyl s{};
    KxRTFText::Styls(t, 0, 0, &s, 1);
    SKXPara p{};
    std::uint8_t justify = 0;
    if (KxRTFText::WholeParaCount(t) > 0 && KxRTFText::Paras(t, 0, 0, &p, 1) == 1) justify = p.para.justify;
    if (which == 1) {
      mDoc->headerStyl = s.styl;
      mDoc->headerJustify = justify;
      if (mDoc->headerDistance < 1) mDoc->headerDistance = kDefaultHFDistance;
    } else {
      mDoc->footerStyl = s.styl;
      mDoc->footerJustify = justify;
      if (mDoc->footerDistance < 1) mDoc->footerDistance = kDefaultHFDistance;
    }
  }
  mCapture.reset();
  mTarget = mBody;
}

void CKXTextRTF::InsertStamp(const char* stamp) {
  for (const char* p = stamp; *p; ++p) PutChar(static_cast<unsigned char>(*p));
}

void CKXTextRTF::SpecialChar() {
  switch (rtfMinor) {
    case kSpPar:
    case kSpSect:
    case kSpRow:
    case kSpLine:
      PutChar('\r');
      ParWait();
      break;
    case kSpPage: PutChar('\f'); break;
    case kSpTab: PutChar('\t'); break;
    case kSpChDate: InsertStamp(kDateStamp); break;
    case kSpChTime: InsertStamp(kTimeStamp); break;
    case kSpChPgn: InsertStamp(kPageStamp); break;
    case kSpEmDash:
    case kSpEnDash:
    case kSpBullet:
    case kSpLQuote:
    case kSpRQuote:
    case kSpLDblQuote:
    case kSpRDblQuote:
    case kSpNbSpace:
      SetSpecialChar(rtfMinor);
      break;
    case kSpOptDest: mIgnorable = true; break;
    default: break;
  }
}

void CKXTextRTF::SetSpecialChar(int minor) {
  // Through Unicode, so that the character is right in any script.
  std::uint32_t u = 0;
  switch (minor) {
    case kSpEmDash: u = 0x2014; break;
    case kSpEnDash: u = 0x2013; break;
    case kSpBullet: u = 0x2022; break;
    case kSpLQuote: u = 0x2018; break;
    case kSpRQuote: u = 0x2019; break;
    case kSpLDblQuote: u = 0x201C; break;
    case kSpRDblQuote: u = 0x201D; break;
    case kSpNbSpace: u = 0x00A0; break;
    default: return;
  }
  InsertUnicode(u);
}

void CKXTextRTF::DocAttr() {
  if (!mDoc || rtfParam == rtfNoParam) return;
  RTFKXDoc& d = *mDoc;
  const std::int32_t v = Clamp32(Pt(rtfParam));
  // Margins are distances from the paper's edges: a far edge placed on the
  // paper the record had keeps its distance on the new one.
  switch (rtfMinor) {
    case kDocPaperW:
      if (d.paperWidth > 0 && d.textRight > 0) d.textRight = Clamp32(std::int64_t{v} - d.paperWidth + d.textRight);
      d.paperWidth = v;
      break;
    case kDocPaperH:
      if (d.paperHeight > 0 && d.textBottom > 0)
        d.textBottom = Clamp32(std::int64_t{v} - d.paperHeight + d.textBottom);
      d.paperHeight = v;
      break;
    case kDocMargL: d.textLeft = v; break;
    case kDocMargT: d.textTop = v; break;
    case kDocMargR:
      if (d.paperWidth > 0) d.textRight = Clamp32(std::int64_t{d.paperWidth} - v);
      break;
    case kDocMargB:
      if (d.paperHeight > 0) d.textBottom = Clamp32(std::int64_t{d.paperHeight} - v);
      break;
    default: break;
  }
}

void CKXTextRTF::SectAttr() {
  if (!mDoc || rtfParam == rtfNoParam) return;
  RTFKXDoc& d = *mDoc;
  if (rtfMinor == kSectCols) {
    if (rtfParam >= 2 && rtfParam <= 5)
      d.columns = d.columns > 1 && d.columns != rtfParam ? 1 : static_cast<std::int16_t>(rtfParam);
  } else if (rtfMinor == kSectColsX) {
    if (d.columns > 1) d.columnGap = Clamp16(Pt(rtfParam));
  }
}

void CKXTextRTF::ParAttr() {
  if (rtfMinor == kParInTbl) {
    PutChar('\t');
    return;
  }
  const bool has = rtfParam != rtfNoParam;
  const std::int64_t t = has ? rtfParam : 0;
  SParaStyl p = mAttr.para;
  switch (rtfMinor) {
    case kParPard:
      p = mDefaultPara;
      mRawFirstIndent = 0;
      mTabKind = mTabLeader = 0;
      break;
    case kParQl: p.justify = 0; break;
    case kParQc: p.justify = 1; break;
    case kParQr: p.justify = 2; break;
    case kParQj: p.justify = 3; break;
    case kParFi: {
      mRawFirstIndent = Clamp16(t);
      std::int64_t first = p.leftIndent + Pt(mRawFirstIndent);
      const std::int64_t width = mDoc ? std::int64_t{mDoc->textRight} - mDoc->textLeft : 0;
      if (first < 0 || (width >= 1 && first >= width)) first = 0;
      p.firstIndent = Clamp16(first);
      break;
    }
    case kParLi: {
      const std::int64_t twips = std::max<std::int64_t>(t, 0);
      const std::int16_t left = Clamp16(Pt(twips));
      if (left != p.leftIndent) {
        p.leftIndent = left;
        p.firstIndent = Clamp16(std::max<std::int64_t>(Pt(twips + mRawFirstIndent), 0));
      }
      break;
    }
    case kParRi: p.rightIndent = t < 0 ? 0 : Clamp16(Pt(t)); break;
    case kParSlLeading: p.lineSpace = t < 0 ? 0 : Clamp16(Pt(t)); break;
    case kParTql: mTabKind = 0; return;
    case kParTqc: mTabKind = 1; return;
    case kParTqr: mTabKind = 2; return;
    case kParTqDec: mTabKind = 3; return;
    case kParTlDot: mTabLeader = 1; return;
    case kParTlHyph: mTabLeader = 2; return;
    case kParTlUl: mTabLeader = 3; return;
    case kParTx: {
      const std::int16_t pos = Clamp16(Pt(t < 0 ? -t : t));
      const int n = p.tabCount;
      const std::uint8_t kind = mTabKind, leader = mTabLeader;
      mTabKind = mTabLeader = 0;
      if (pos <= 0 || n >= kKxMaxTabs || (n > 0 && pos <= p.tabPos[n - 1])) return;
      p.tabPos[n] = pos;
      p.tabKinds |= std::uint32_t{kind} << (2 * n);
      p.tabLeaders |= std::uint32_t{leader} << (2 * n);
      p.tabCount = static_cast<std::uint8_t>(n + 1);
      break;
    }
    default: return;
  }
  FlashText(true);
  mAttr.para = p;
  mParaChanged = true;
}

void CKXTextRTF::StartCharChange() {
  FlashText(true);
  mAnyStyl = true;
}

void CKXTextRTF::CharAttr() {
  const bool has = rtfParam != rtfNoParam;
  const bool on = !has || rtfParam != 0;
  SStyl s = mAttr.styl;
  SDeco d = mAttr.deco;
  auto face = [&](std::uint8_t bit) { s.face = static_cast<std::uint8_t>(on ? s.face | bit : s.face & ~bit); };
  auto under = [&](std::uint16_t kind) {
    d.lineBits = static_cast<std::uint16_t>((d.lineBits & ~(kKindMask << kUnderShift)) | ((on ? kind : 0) << kUnderShift));
  };
  auto center = [&](std::uint16_t kind) {
    d.lineBits =
        static_cast<std::uint16_t>((d.lineBits & ~(kKindMask << kCenterShift)) | ((on ? kind : 0) << kCenterShift));
  };
  auto pos = [&](std::uint8_t bits, bool set, bool replace) {
    std::uint8_t p = d.flags & kPosMask;
    p = set ? (replace ? bits : static_cast<std::uint8_t>(p | bits)) : static_cast<std::uint8_t>(p & ~bits);
    d.flags = static_cast<std::uint8_t>((d.flags & ~kPosMask) | p);
  };
  bool stylWord = true;
  switch (rtfMinor) {
    case kChPlain: s.face = 0; break;
    case kChBold: face(kFaceBold); break;
    case kChItalic: face(kFaceItalic); break;
    case kChUl: face(kFaceUnderline); break;
    case kChOutline: face(kFaceOutline); break;
    case kChShadow: face(kFaceShadow); break;
    case kChExpnd:
      if (!on)
        s.face = static_cast<std::uint8_t>(s.face & ~(kFaceCondense | kFaceExtend));
      else if (has && rtfParam < 0)
        s.face = static_cast<std::uint8_t>((s.face & ~kFaceExtend) | kFaceCondense);
      else
        s.face = static_cast<std::uint8_t>((s.face & ~kFaceCondense) | kFaceExtend);
      break;
    case kChFont:
      if (has) SetCharFontNum(rtfParam);
      return;
    case kChSize:
      if (!has) return;
      s.size = rtfParam <= 0 ? 1 : Clamp16((std::int64_t{rtfParam} + 1) / 2);
      break;
    case kChColor:
      if (has) SetCharColor(rtfParam);
      return;
    case kChUlNone:
      s.face = static_cast<std::uint8_t>(s.face & ~kFaceUnderline);
      d.lineBits = static_cast<std::uint16_t>(d.lineBits & ~(kKindMask << kUnderShift));
      break;
    default:
      stylWord = false;
      break;
  }
  if (stylWord) {
    if (rtfMinor == kChUlNone || std::memcmp(&s, &mAttr.styl, sizeof s) != 0) {
      StartCharChange();
      if (s.size != mAttr.styl.size || s.face != mAttr.styl.face) s.height = s.ascent = 0;
      mAttr.styl = s;
      mStylUsed = true;
    }
    if (rtfMinor != kChUlNone) return;
  }
  switch (rtfMinor) {
    case kChUlNone: break;
    case kChStrike: center(1); break;
    case kChStrikeD: center(2); break;
    case kChUlDotted: under(4); break;
    case kChUlDouble: under(2); break;
    case kChUlWord: under(1); break;
    case kChUp: pos(kPosRaised, on, false); break;
    case kChDn: pos(kPosLowered, on, false); break;
    case kChSuper: pos(kPosSuper, on, true); break;
    case kChSub: pos(kPosSub, on, true); break;
    case kChNoSuperSub: pos(kPosMask, false, false); break;
    default: return;
  }
  FlashText(true);
  mAnyDeco = true;
  mAttr.deco = d;
  mDecoUsed = true;
}

void CKXTextRTF::SetCharFontNum(std::int32_t num) {
  SettleBaseFont();
  RTFFont* f = num == -1 ? nullptr : RTFGetFont(num);
  // In a Western document a font number its table does not hold stays Roman.
  const short id = f ? ResolveFont(f, num) : mWesternBase ? kRomanFallbackFont : Clamp16(num);
  const std::int32_t cpg = FontCodePage(f);
  if (cpg != mAttr.codePage) {
    FlashText(true);
    mAttr.codePage = cpg;
  }
  if (mStylUsed && id == mAttr.styl.font) return;
  if (!mStylUsed && id == mAttr.styl.font) {
    // The text's own style continues; nothing changes.
    return;
  }
  StartCharChange();
  mAttr.styl.font = id;
  mAttr.styl.height = mAttr.styl.ascent = 0;
  mAttr.script = KxFontToScriptType(id);
  mStylUsed = true;
}

std::int32_t CKXTextRTF::FontCodePage(const RTFFont* f) {
  if (!f) return 0;
  if (f->rtfFCodePage > 0) return f->rtfFCodePage;
  std::int32_t cpg = 0;
  for (const auto& c : kCharSetCodePages)
    if (c[0] == f->rtfFCharSet) cpg = c[1];
  return cpg;
}

// Text that no font word reaches takes the text's own font, here usually a
// Japanese one. A Windows-set document with a single-byte code page is
// Western, though, unless its table's default font is a Japanese one: read
// as Shift_JIS its upper-half bytes would swallow the byte after them. Its
// text then takes the table's (Roman) default font, or a Roman one when the
// table gives none. Decided once, before the first text or font word, when
// the header words have all been read.
void CKXTextRTF::SettleBaseFont() {
  if (mBaseFontSettled) return;
  mBaseFontSettled = true;
  if (!mWindowsSet || IsDoubleByteCodePage(mAnsiCodePage)) return;
  short base = kRomanFallbackFont;
  std::int32_t cpg = 0;
  if (RTFFont* f = mDefFontGiven ? RTFGetFont(mDefFont) : nullptr) {
    base = ResolveFont(f, mDefFont);
    if (KxFontToScriptType(base) != kScriptRoman) return;
    cpg = FontCodePage(f);
  }
  SStyl scratch;
  if (KxFontToScriptType(EffectiveStyl(scratch)->font) == kScriptRoman) return;
  StartCharChange();
  auto toRoman = [base, cpg](SRTFAttr& a) {
    a.styl.font = base;
    a.styl.height = a.styl.ascent = 0;
    a.script = kScriptRoman;
    a.codePage = cpg;
  };
  mWesternBase = true;
  toRoman(mAttr);
  // Groups opened so far hold the old font and would bring it back.
  for (GroupEntry& g : mGroups) toRoman(g.attr);
  mStylUsed = true;
}

short CKXTextRTF::ResolveFont(RTFFont* f, std::int32_t num) {
  if (f->rtfFID != 0) return static_cast<short>(f->rtfFID);
  short id;
  const short want = KxRTFCharSetScript(f->rtfFCharSet);
  if (f->rtfFName && f->rtfFName[0]) {
    id = GetFontIDFromName(f->rtfFName);
    // A double-byte name that names nothing here, or names a font of
    // another script, gets a font of its own script: never one that would
    // show its bytes as something else.
    if (want > kScriptRoman && (id == 0 || KxFontToScriptType(id) != want))
      id = GetFontIDFromSystem();
    else if (id == 0) {
      id = GetFontIDFromNum(num);
      // Nor do single-byte names go to a double-byte font.
      if (KxFontToScriptType(id) != kScriptRoman) id = kRomanFallbackFont;
    }
  } else {
    id = Clamp16(num);
    if (want > kScriptRoman && KxFontToScriptType(id) != want) id = GetFontIDFromSystem();
  }
  if (id != 0) f->rtfFID = id;
  return id;
}

void CKXTextRTF::SetCharColor(std::int32_t num) {
  RGBColor c{0, 0, 0};
  if (num != 0) {
    RTFColor* e = num == -1 ? nullptr : RTFGetColor(num);
    if (!e) return;  // a missing entry keeps the current colour
    // An entry without components is the automatic colour (black); a
    // component an entry leaves out is 0.
    if (e->rtfCRed >= 0 || e->rtfCGreen >= 0 || e->rtfCBlue >= 0) {
      auto comp = [](std::int32_t v) {
        return static_cast<std::uint16_t>(std::clamp<std::int32_t>(v, 0, 255) * 257);
      };
      c = RGBColor{comp(e->rtfCRed), comp(e->rtfCGreen), comp(e->rtfCBlue)};
    }
  }
  const RGBColor& old = mAttr.styl.color;
  if (mStylUsed && old.red == c.red && old.green == c.green && old.blue == c.blue) return;
  StartCharChange();
  mAttr.styl.color = c;
  mStylUsed = true;
}

void CKXTextRTF::UnicodeAttr() {
  if (rtfParam == rtfNoParam) return;
  switch (rtfMinor) {
    case kUniAnsiCpg: mAnsiCodePage = rtfParam; break;
    case kUniUc: mAttr.ucCount = std::max(rtfParam, 0); break;
    case kUniU: SetUnicodeChar(rtfParam); break;
    case kUniGlid: SetGlyphIDChar(rtfParam); break;
    default: break;
  }
}

void CKXTextRTF::SetUnicodeChar(std::int32_t n) {
  // RTF writes units above 32767 as negative numbers.
  std::uint32_t u = n >= INT16_MIN && n <= 0xFFFF ? static_cast<std::uint16_t>(n) : 0xFFFD;
  if (mHighSurrogate) {
    if (IsLow(u)) {
      const std::uint32_t pair = std::uint32_t{mHighSurrogate} << 16 | u;
      mHighSurrogate = 0;
      InsertUnicode(pair);
      mSkipLeft = mAttr.ucCount;
      return;
    }
    FlushLoneSurrogate();
  }
  if (IsHigh(u)) {
    mHighSurrogate = static_cast<std::uint16_t>(u);
    mSkipLeft = mAttr.ucCount;
    return;
  }
  if (IsLow(u)) u = 0xFFFD;
  if (u >= 0x300 && u <= 0x36F && mPendingCount > 0 && !mLastWasTrail &&
      IsAsciiLetter(static_cast<unsigned char>(mPending[mPendingCount - 1])) && UKXUnicode::IsAvailable()) {
    // A letter and a combining mark: one composed character when there is one.
    const char16_t pair[2] = {static_cast<char16_t>(static_cast<unsigned char>(mPending[mPendingCount - 1])),
                              static_cast<char16_t>(u)};
    --mPendingCount;
    mPendingLead = false;
    char16_t out[2] = {0, 0};
    long count = 0;
    CKXUnicode::PreConvert(pair, 2, out, &count);
    if (count == 1)
      InsertUnicode(out[0]);
    else
      InsertUnicode(std::uint32_t{pair[0]} << 16 | pair[1]);
  } else {
    InsertUnicode(u);
  }
  mSkipLeft = mAttr.ucCount;
}

void CKXTextRTF::FlushLoneSurrogate() {
  if (!mHighSurrogate) return;
  mHighSurrogate = 0;
  InsertUnicode(0xFFFD);
}

void CKXTextRTF::InsertUnicode(std::uint32_t value) {
  SettleBaseFont();
  FlashText(true);
  SStyl scratch;
  const SStyl base = *EffectiveStyl(scratch);
  const short script = KxFontToScriptType(base.font);
  const SDeco* deco = mDecoUsed ? &mAttr.deco : nullptr;
  const SStyl* styl = mStylUsed ? &mAttr.styl : nullptr;
  if (value <= 0xFFFF && UKXUnicode::IsAvailable()) {
    // A font takes what its set holds as itself; from U+0370 on, what a
    // Roman font cannot hold goes to a Japanese font when that set holds it,
    // exactly or on a code it shares with a look-alike.
    const char16_t unit = static_cast<char16_t>(value);
    unsigned short code = 0;
    if (ExactCode(script, unit, code)) {
      KxRTFText::AppendChar(mTarget, code, styl, deco);
      return;
    }
    if (script == kScriptRoman && value >= 0x370) {
      const bool exact = ExactCode(kScriptJapanese, unit, code);
      if (exact || KxUnicodeSharedCode(value, kScriptJapanese)) {
        SStyl s = base;
        s.font = GetFontIDFromSystem();
        s.height = s.ascent = 0;
        mAnyStyl = true;
        if (exact)
          KxRTFText::AppendChar(mTarget, code, &s, deco);
        else
          KxRTFText::AppendUniChar(mTarget, value, &s, deco);
        return;
      }
    }
  }
  KxRTFText::AppendUniChar(mTarget, value, styl, deco);
}

void CKXTextRTF::SetGlyphIDChar(std::int32_t n) {
  std::int64_t glyph = n < 0 && n >= INT16_MIN ? std::int64_t{n} + 65536 : n;
  glyph = std::clamp<std::int64_t>(glyph, 0, 0xFFFF);
  InsertUnicode(kGlyphCollection3 + static_cast<std::uint32_t>(glyph));
  // The rest of "{{}{\*\glid N ?\glcol C}?}": this group, then the one
  // holding the fallback.
  RTFSkipGroup();
  RTFRouteToken();
  const int next = RTFPeekToken();
  if (next == rtfText || next == rtfUnknown || (next == rtfControl && rtfMajor == rtfUnicodeAttr)) {
    RTFGetToken();
    RTFSkipGroup();
    RTFRouteToken();
  }
}

// ---------------------------------------------------------------------------
// Defaults of the platform hooks

void CKXTextRTF::CheckAnsiCPGChar() {}
void CKXTextRTF::ParWait() {}
short CKXTextRTF::GetFontIDFromName(const char*) { return 0; }
void CKXTextRTF::GetFontNameFromID(std::string& out, short) { out.clear(); }
short CKXTextRTF::GetFontCharSetFromID(short) { return 0; }
short CKXTextRTF::GetFontFamilyFromID(short) { return 0; }
std::int32_t CKXTextRTF::GetFontNumFromID(short id) { return id; }
short CKXTextRTF::GetFontIDFromNum(std::int32_t num) {
  return num > 1000 && num <= 0xFFFF ? static_cast<short>(static_cast<std::uint16_t>(num)) : KxGetSysFont();
}
short CKXTextRTF::GetFontIDFromSystem() { return KxGetSysFont(); }
