#include "formats/rtf_reader.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "formats/rtf_keywords.h"

namespace {

bool IsLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(int c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Names are collected here up to rtfBufSiz - 1 bytes; the rest is cut.
struct NameBuffer {
  char text[rtfBufSiz];
  int length = 0;
  NameBuffer() { text[0] = '\0'; }
  void Add(int c) {
    if (length < rtfBufSiz - 1) {
      text[length++] = static_cast<char>(c);
      text[length] = '\0';
    }
  }
};

}  // namespace

CRTFReader::CRTFReader() = default;

// Lists allocated through a derived RTFAlloc are freed by that class's
// destructor (through RTFTerm); the base RTFAlloc never allocates.
CRTFReader::~CRTFReader() = default;

void CRTFReader::RTFSetInput(const void* data, std::size_t size) {
  rtfInPos = static_cast<const std::uint8_t*>(data);
  rtfInEnd = rtfInPos ? rtfInPos + size : nullptr;
  rtfInputEnded = false;
}

void CRTFReader::RTFInit() {
  rtfTextBuf[0] = '\0';
  rtfTextLen = 0;
  rtfPushedTextBuf[0] = '\0';
  rtfPushedTextLen = 0;
  RTFKeyIndexInit();
  rtfClass = -1;
  rtfPushedClass = -1;
  rtfPushedChar = -1;
  rtfLineNum = 0;
  rtfLinePos = 0;
  rtfPrevChar = -1;
  rtfNewLine = false;
  rtfDepth = 0;
  rtfStrayCloses = 0;
  rtfError = rtfErrNone;
}

void CRTFReader::RTFTerm() { FreeLists(); }

void CRTFReader::FreeLists() {
  while (RTFFont* f = rtfFontList) {
    rtfFontList = f->rtfNextFont;
    if (f->rtfFName) RTFFree(f->rtfFName);
    RTFFree(reinterpret_cast<char*>(f));
  }
  while (RTFColor* c = rtfColorList) {
    rtfColorList = c->rtfNextColor;
    RTFFree(reinterpret_cast<char*>(c));
  }
  while (RTFStyle* s = rtfStyleList) {
    rtfStyleList = s->rtfNextStyle;
    while (RTFStyleElt* e = s->rtfSSEList) {
      s->rtfSSEList = e->rtfNextSE;
      if (e->rtfSEText) RTFFree(e->rtfSEText);
      RTFFree(reinterpret_cast<char*>(e));
    }
    if (s->rtfSName) RTFFree(s->rtfSName);
    RTFFree(reinterpret_cast<char*>(s));
  }
}

int CRTFReader::RTFGetChar() { return -1; }
char* CRTFReader::RTFAlloc(int) { return nullptr; }
void CRTFReader::RTFFree(char*) {}
void CRTFReader::RTFMsg(const char*, const char*) {}
void CRTFReader::RTFPanic(const char*, int, const char*) {}
void CRTFReader::RTFReadHook() {}
void CRTFReader::UnknownClass() {}
void CRTFReader::TextClass() {}
void CRTFReader::GroupClass() {}
void CRTFReader::CharSet() {}
void CRTFReader::Destination() {}
void CRTFReader::SpecialChar() {}
void CRTFReader::DocAttr() {}
void CRTFReader::SectAttr() {}
void CRTFReader::TblAttr() {}
void CRTFReader::ParAttr() {}
void CRTFReader::CharAttr() {}
void CRTFReader::PictAttr() {}
void CRTFReader::BookmarkAttr() {}
void CRTFReader::NeXTGrAttr() {}
void CRTFReader::FieldAttr() {}
void CRTFReader::TOCAttr() {}
void CRTFReader::PosAttr() {}
void CRTFReader::ObjAttr() {}
void CRTFReader::FNoteAttr() {}
void CRTFReader::KeyCodeAttr() {}
void CRTFReader::ACharAttr() {}
void CRTFReader::FontAttr() {}
void CRTFReader::FileAttr() {}
void CRTFReader::FileSource() {}
void CRTFReader::DrawAttr() {}
void CRTFReader::IndexAttr() {}
void CRTFReader::UnicodeAttr() {}
void CRTFReader::SelectLanguage() {}

// ---------------------------------------------------------------------------
// Characters

int CRTFReader::NextByte() {
  if (rtfInPos != rtfInEnd) return *rtfInPos++;
  if (rtfInputEnded) return -1;
  int c = RTFGetChar();
  if (c < 0 || c > 255) {
    // Once ended, stay ended: a source that would go on after its end
    // must not keep a read alive.
    rtfInputEnded = true;
    return -1;
  }
  return c;
}

void CRTFReader::AppendText(int c) {
  if (rtfTextLen < rtfBufSiz - 1) {
    rtfTextBuf[rtfTextLen++] = static_cast<char>(c);
    rtfTextBuf[rtfTextLen] = '\0';
  }
}

void CRTFReader::CutText(std::int32_t length) {
  if (length < rtfTextLen) {
    rtfTextLen = length;
    rtfTextBuf[length] = '\0';
  }
}

int CRTFReader::GetChar() {
  int c = NextByte();
  if (c == -1) return -1;
  AppendText(c);
  if (rtfPrevChar == -1) {
    rtfLineNum = 1;
    rtfLinePos = 0;
  } else if (rtfNewLine && !(c == '\n' && rtfPrevChar == '\r')) {
    if (rtfLineNum < INT32_MAX) ++rtfLineNum;
    rtfLinePos = 0;
    rtfNewLine = false;
  }
  if (c == '\r' || c == '\n') rtfNewLine = true;
  if (rtfLinePos < INT32_MAX) ++rtfLinePos;
  rtfPrevChar = c;
  return c;
}

// A ";" written as itself ends a table entry; one written "\'3b" is part
// of a name.
bool CRTFReader::IsRawSemicolon() const { return rtfClass == rtfText && rtfMajor == ';' && rtfTextBuf[0] == ';'; }

void CRTFReader::Fail(int error) {
  if (rtfError == rtfErrNone) rtfError = error;
}

// ---------------------------------------------------------------------------
// Tokens

int CRTFReader::RTFGetToken() {
  for (;;) {
    GetToken1();
    // Raw line ends and NUL bytes are layout of the RTF text, not content;
    // the same bytes written as "\'0d" are content and go on.
    if (rtfClass == rtfText && rtfTextLen == 1 &&
        (rtfMajor == '\n' || rtfMajor == '\r' || rtfMajor == 0))
      continue;
    break;
  }
  RTFReadHook();
  return rtfClass;
}

int CRTFReader::RTFPeekToken() {
  GetToken1();
  RTFUngetToken();
  return rtfClass;
}

void CRTFReader::RTFUngetToken() {
  if (rtfPushedClass >= 0) RTFPanic("cannot push back a second token", rtfPushedClass, nullptr);
  if (rtfClass < 0) RTFPanic("no token to push back", rtfClass, nullptr);
  rtfPushedClass = rtfClass;
  rtfPushedMajor = rtfMajor;
  rtfPushedMinor = rtfMinor;
  rtfPushedParam = rtfParam;
  std::memcpy(rtfPushedTextBuf, rtfTextBuf, static_cast<std::size_t>(rtfTextLen) + 1);
  rtfPushedTextLen = rtfTextLen;
}

void CRTFReader::GetToken1() {
  if (rtfPushedClass >= 0) {
    rtfClass = rtfPushedClass;
    rtfMajor = rtfPushedMajor;
    rtfMinor = rtfPushedMinor;
    rtfParam = rtfPushedParam;
    std::memcpy(rtfTextBuf, rtfPushedTextBuf, static_cast<std::size_t>(rtfPushedTextLen) + 1);
    rtfTextLen = rtfPushedTextLen;
    rtfPushedClass = -1;
    return;
  }
  do {
    rtfStrayToken = false;
    GetToken2();
  } while (rtfStrayToken);
}

void CRTFReader::GetToken2() {
  rtfClass = rtfUnknown;
  rtfMajor = 0;
  rtfMinor = 0;
  rtfParam = rtfNoParam;
  rtfTextLen = 0;
  rtfTextBuf[0] = '\0';

  // After an error the read is over: every later token is the end.
  if (rtfError != rtfErrNone) {
    rtfClass = rtfEOF;
    return;
  }

  int c;
  if (rtfPushedChar != -1) {
    c = rtfPushedChar;
    rtfPushedChar = -1;
    AppendText(c);
  } else {
    c = GetChar();
  }
  if (c == -1) {
    rtfClass = rtfEOF;
    if (rtfDepth > 0) Fail(rtfErrEndInGroup);
    return;
  }
  if (c == '{') {
    if (rtfDepth < INT32_MAX) ++rtfDepth;
    rtfClass = rtfGroup;
    rtfMajor = rtfBeginGroup;
    return;
  }
  if (c == '}') {
    if (rtfDepth == 0) {
      // A stray "}" at the outer level: counted and passed over, so that
      // the text after it is still read.
      if (rtfStrayCloses < INT32_MAX) ++rtfStrayCloses;
      RTFMsg("stray \"}\" at the outer level", nullptr);
      rtfStrayToken = true;
      return;
    }
    --rtfDepth;
    rtfClass = rtfGroup;
    rtfMajor = rtfEndGroup;
    return;
  }
  if (c != '\\') {
    if (c == '\t') {
      rtfClass = rtfControl;
      rtfMajor = rtfSpecialChar;
      rtfMinor = rtfTab;
    } else {
      rtfClass = rtfText;
      rtfMajor = c;
    }
    return;
  }

  c = GetChar();
  if (c == -1) {
    Fail(rtfErrEndInEscape);
    return;
  }
  if (IsLetter(c)) {
    ReadControlWord(c);
    return;
  }
  if (c == '\'') {
    // Two hexadecimal digits. A byte that is not one is left for the next
    // token, so that "\'" before a brace cannot swallow the brace.
    int value = 0;
    for (int i = 0; i < 2; ++i) {
      std::int32_t mark = rtfTextLen;
      int d = GetChar();
      if (d == -1) {
        Fail(rtfErrEndInEscape);
        return;
      }
      if (!IsHexDigit(d)) {
        CutText(mark);
        rtfPushedChar = d;
        return;   // class stays unknown
      }
      value = value * 16 + RTFCharToHex(d);
    }
    rtfClass = rtfText;
    rtfMajor = value;
    return;
  }
  if (c == ':' || c == '{' || c == '}' || c == '\\') {
    rtfClass = rtfText;
    rtfMajor = c;
    return;
  }
  char symbol = static_cast<char>(c);
  Lookup(&symbol, 1);
}

void CRTFReader::ReadControlWord(int c) {
  // The word goes into the text buffer up to its size; letters beyond it
  // are read and dropped, so an endless word cannot overrun anything.
  // mark is always the text length before the last character read, so
  // that the delimiter can be taken off again.
  const std::int32_t wordStart = rtfTextLen - 1;   // the first letter
  std::int32_t mark = rtfTextLen;
  c = GetChar();
  while (IsLetter(c)) {
    mark = rtfTextLen;
    c = GetChar();
  }
  Lookup(rtfTextBuf + wordStart, static_cast<std::size_t>(mark - wordStart));

  int sign = 1;
  if (c == '-') {
    sign = -1;
    mark = rtfTextLen;
    c = GetChar();
  }
  if (IsDigit(c)) {
    // Saturates at the int range instead of overflowing.
    std::int64_t value = 0;
    const std::int64_t limit = sign > 0 ? INT32_MAX : -static_cast<std::int64_t>(INT32_MIN);
    while (IsDigit(c)) {
      value = value * 10 + (c - '0');
      if (value > limit) value = limit;
      mark = rtfTextLen;
      c = GetChar();
    }
    rtfParam = static_cast<std::int32_t>(sign * value);
  }
  // The delimiter is not part of the word's text; a space is consumed,
  // anything else starts the next token.
  CutText(mark);
  if (c != -1 && c != ' ') rtfPushedChar = c;
  if (rtfClass == rtfControl && rtfMajor == rtfPictAttr && rtfMinor == rtfBinary && rtfParam > 0)
    SkipBinary(rtfParam);
}

void CRTFReader::SkipBinary(std::int32_t count) {
  // "\binN" is followed by N raw bytes that are not RTF; they may hold
  // braces and backslashes. The pushed-back delimiter is the first of them.
  if (rtfPushedChar != -1) {
    rtfPushedChar = -1;
    --count;
  }
  std::size_t left = static_cast<std::size_t>(count);
  std::size_t inBuffer = static_cast<std::size_t>(rtfInEnd - rtfInPos);
  std::size_t take = left < inBuffer ? left : inBuffer;
  rtfInPos += take;
  left -= take;
  while (left > 0 && NextByte() != -1) --left;
}

void CRTFReader::Lookup(const char* word, std::size_t length) {
  const RTFKey* key = RTFLookupKey(word, length);
  if (!key) return;   // class stays unknown
  rtfClass = rtfControl;
  rtfMajor = key->rtfKMajor;
  rtfMinor = key->rtfKMinor;
}

int CRTFReader::RTFRead() {
  while (RTFGetToken() != rtfEOF) RTFRouteToken();
  return rtfError == rtfErrNone ? rtfEOF : rtfReadError;
}

void CRTFReader::RTFSkipGroup() {
  int level = 1;
  while (RTFGetToken() != rtfEOF) {
    if (rtfClass == rtfGroup) {
      if (rtfMajor == rtfBeginGroup)
        ++level;
      else if (--level < 1)
        break;
    }
  }
}

void CRTFReader::RTFRouteToken() {
  if (rtfClass > rtfEOF) RTFPanic("unknown token class", rtfClass, rtfTextBuf);
  switch (rtfClass) {
    case rtfUnknown:
      UnknownClass();
      break;
    case rtfGroup:
      GroupClass();
      break;
    case rtfText:
      TextClass();
      break;
    case rtfControl:
      if (rtfMajor == rtfDestination) {
        switch (rtfMinor) {
          case rtfFontTbl:
            ReadFontTbl();
            return;
          case rtfColorTbl:
            ReadColorTbl();
            return;
          case rtfStyleSheet:
            ReadStyleSheet();
            return;
          case rtfInfo:
            ReadInfoGroup();
            return;
          case rtfPict:
            ReadPictGroup();
            return;
          case rtfObject:
            ReadObjGroup();
            return;
          default:
            break;
        }
      }
      ControlClass();
      break;
    default:
      break;
  }
}

void CRTFReader::ControlClass() {
  switch (rtfMajor) {
    case rtfCharSet: CharSet(); break;
    case rtfDestination: Destination(); break;
    case rtfSpecialChar: SpecialChar(); break;
    case rtfDocAttr: DocAttr(); break;
    case rtfSectAttr: SectAttr(); break;
    case rtfTblAttr: TblAttr(); break;
    case rtfParAttr: ParAttr(); break;
    case rtfCharAttr:
      if (rtfMinor == rtfLanguage)
        SelectLanguage();
      else
        CharAttr();
      break;
    case rtfPictAttr: PictAttr(); break;
    case rtfBookmarkAttr: BookmarkAttr(); break;
    case rtfNeXTGrAttr: NeXTGrAttr(); break;
    case rtfFieldAttr: FieldAttr(); break;
    case rtfTOCAttr: TOCAttr(); break;
    case rtfPosAttr: PosAttr(); break;
    case rtfObjAttr: ObjAttr(); break;
    case rtfFNoteAttr: FNoteAttr(); break;
    case rtfKeyCodeAttr: KeyCodeAttr(); break;
    case rtfACharAttr: ACharAttr(); break;
    case rtfFontAttr: FontAttr(); break;
    case rtfFileAttr: FileAttr(); break;
    case rtfFileSource: FileSource(); break;
    case rtfDrawAttr: DrawAttr(); break;
    case rtfIndexAttr: IndexAttr(); break;
    case rtfUnicodeAttr: UnicodeAttr(); break;
    default: break;   // version, default font, families, colour and style words
  }
}

// ---------------------------------------------------------------------------
// Tables

RTFFont* CRTFReader::NewFont() {
  char* block = RTFAlloc(static_cast<int>(sizeof(RTFFont)));
  if (!block) {
    RTFPanic("cannot allocate font entry", 0, nullptr);
    return nullptr;
  }
  RTFFont* f = new (block) RTFFont{};
  f->rtfFNum = -1;
  f->rtfNextFont = rtfFontList;
  rtfFontList = f;
  return f;
}

RTFColor* CRTFReader::NewColor(int index) {
  char* block = RTFAlloc(static_cast<int>(sizeof(RTFColor)));
  if (!block) {
    RTFPanic("cannot allocate colour entry", index, nullptr);
    return nullptr;
  }
  RTFColor* c = new (block) RTFColor{index, -1, -1, -1, rtfColorList};
  rtfColorList = c;
  return c;
}

RTFStyle* CRTFReader::NewStyle() {
  char* block = RTFAlloc(static_cast<int>(sizeof(RTFStyle)));
  if (!block) {
    RTFPanic("cannot allocate style entry", 0, nullptr);
    return nullptr;
  }
  RTFStyle* s = new (block) RTFStyle{};
  s->rtfSType = rtfParStyle;
  s->rtfSNum = -1;
  s->rtfSBasedOn = rtfNoStyleNum;
  s->rtfSNextPar = -1;
  s->rtfNextStyle = rtfStyleList;
  rtfStyleList = s;
  return s;
}

void CRTFReader::ReadFontTbl() {
  RTFFont* last = nullptr;
  for (;;) {
    RTFGetToken();
    if (rtfClass == rtfEOF) break;
    if (rtfClass == rtfGroup && rtfMajor == rtfEndGroup) break;   // end of the table

    // An entry is either a group of its own or runs from "\f" to ";".
    bool braced = rtfClass == rtfGroup && rtfMajor == rtfBeginGroup;
    if (braced) {
      RTFGetToken();
    } else if (!(rtfClass == rtfControl && rtfMajor == rtfCharAttr && rtfMinor == rtfFontNum)) {
      RTFPanic("font table: stray token where an entry begins", rtfClass, rtfTextBuf);
    }
    RTFFont* f = NewFont();
    if (f) last = f;
    NameBuffer name;
    bool tableEnded = false;
    bool named = false;
    while (rtfClass != rtfEOF) {
      if (rtfClass == rtfGroup) {
        if (rtfMajor == rtfEndGroup) {
          // The entry's own "}", or, without braces, the table's.
          if (!named) RTFMsg("font table: entry without \";\"", rtfTextBuf);
          if (!braced) tableEnded = true;
          break;
        }
        RTFSkipGroup();
      } else if (rtfClass == rtfText) {
        if (IsRawSemicolon()) {
          named = true;
          if (!braced) break;
        } else if (!named) {
          name.Add(rtfMajor);
        }
      } else if (rtfClass == rtfControl && f) {
        switch (rtfMajor) {
          case rtfFontFamily:
            f->rtfFFamily = rtfMinor;
            break;
          case rtfCharAttr:
            if (rtfMinor == rtfFontNum)
              f->rtfFNum = rtfParam;
            else
              RTFMsg("font table: unexpected word", rtfTextBuf);
            break;
          case rtfFontAttr:
            switch (rtfMinor) {
              case rtfFontCharSet: f->rtfFCharSet = rtfParam; break;
              case rtfFontPitch: f->rtfFPitch = rtfParam; break;
              case rtfFontCodePage: f->rtfFCodePage = rtfParam; break;
              case rtfFTypeNil:
              case rtfFTypeTrueType: f->rtfFType = rtfParam; break;
              default: break;
            }
            break;
          default:
            RTFMsg("font table: unexpected word", rtfTextBuf);
            break;
        }
      }
      RTFGetToken();
    }
    if (f) f->rtfFName = RTFStrSave(name.text);
    if (tableEnded || rtfClass == rtfEOF) break;
  }
  if (last && last->rtfFNum == -1) RTFPanic("font table: entry without a number", 0, last->rtfFName);
  RTFRouteToken();
}

void CRTFReader::ReadColorTbl() {
  int index = 0;
  for (;;) {
    RTFGetToken();
    if (rtfClass == rtfEOF) break;
    if (rtfClass == rtfGroup && rtfMajor == rtfEndGroup) break;
    RTFColor* c = NewColor(index);
    if (index < INT32_MAX) ++index;
    // Components up to ";". Other words inside an entry are passed over
    // rather than taken as the start of a new entry, which would shift
    // every later index.
    bool ended = false;
    while (rtfClass != rtfEOF) {
      if (IsRawSemicolon()) break;
      if (rtfClass == rtfGroup) {
        if (rtfMajor == rtfEndGroup) {
          RTFPanic("colour table: entry without \";\"", index - 1, nullptr);
          ended = true;
          break;
        }
        RTFSkipGroup();
      } else if (rtfClass == rtfControl && rtfMajor == rtfColorName && c) {
        switch (rtfMinor) {
          case rtfRed: c->rtfCRed = rtfParam; break;
          case rtfGreen: c->rtfCGreen = rtfParam; break;
          case rtfBlue: c->rtfCBlue = rtfParam; break;
          default: break;
        }
      } else {
        RTFMsg("colour table: unexpected token", rtfTextBuf);
      }
      RTFGetToken();
    }
    if (ended || rtfClass == rtfEOF) break;
  }
  RTFRouteToken();
}

bool CRTFReader::AddStyleElement(RTFStyle* style, RTFStyleElt** tail) {
  char* block = RTFAlloc(static_cast<int>(sizeof(RTFStyleElt)));
  if (!block) {
    RTFPanic("cannot allocate style element", 0, rtfTextBuf);
    return false;
  }
  RTFStyleElt* e = new (block) RTFStyleElt{rtfClass, rtfMajor, rtfMinor, rtfParam, nullptr, nullptr};
  // Linked before the text is copied, so that RTFTerm frees it whatever
  // the allocator does next.
  if (*tail)
    (*tail)->rtfNextSE = e;
  else
    style->rtfSSEList = e;
  *tail = e;
  e->rtfSEText = RTFStrSave(rtfTextBuf);
  return true;
}

void CRTFReader::ReadStyleSheet() {
  for (;;) {
    RTFGetToken();
    if (rtfClass == rtfEOF) break;
    if (rtfClass == rtfGroup && rtfMajor == rtfEndGroup) break;
    if (!(rtfClass == rtfGroup && rtfMajor == rtfBeginGroup)) {
      RTFPanic("style sheet: stray token where a style begins", rtfClass, rtfTextBuf);
      continue;
    }
    RTFStyle* s = NewStyle();
    RTFStyleElt* tail = nullptr;
    NameBuffer name;
    bool named = false;
    while (RTFGetToken() != rtfEOF) {
      if (rtfClass == rtfGroup) {
        if (rtfMajor == rtfEndGroup) break;
        RTFSkipGroup();
        continue;
      }
      if (rtfClass == rtfText) {
        if (IsRawSemicolon())
          named = true;
        else if (!named)
          name.Add(rtfMajor);
        continue;
      }
      if (rtfClass != rtfControl || !s) continue;
      if (rtfMajor == rtfParAttr && rtfMinor == rtfStyleNum) {
        s->rtfSType = rtfParStyle;
        s->rtfSNum = rtfParam;
      } else if (rtfMajor == rtfCharAttr && rtfMinor == rtfCharStyleNum) {
        s->rtfSType = rtfCharStyle;
        s->rtfSNum = rtfParam;
      } else if (rtfMajor == rtfSectAttr && rtfMinor == rtfSectStyleNum) {
        s->rtfSType = rtfSectStyle;
        s->rtfSNum = rtfParam;
      } else if (rtfMajor == rtfStyleAttr) {
        switch (rtfMinor) {
          case rtfAdditive: s->rtfSAdditive = 1; break;
          case rtfBasedOn: s->rtfSBasedOn = rtfParam; break;
          case rtfNext: s->rtfSNextPar = rtfParam; break;
          default: break;
        }
      } else if (rtfMajor == rtfSpecialChar && rtfMinor == rtfOptDest) {
        // "\*" before a style entry marks it optional; nothing to keep.
      } else {
        AddStyleElement(s, &tail);
      }
    }
    if (!s) {
      if (rtfClass == rtfEOF) break;
      continue;
    }
    s->rtfSName = RTFStrSave(name.text);
    if (s->rtfSNum < 0) {
      bool standard = std::strcmp(name.text, "Normal") == 0 || std::strcmp(name.text, "Standard") == 0;
      if (!standard) RTFPanic("style sheet: style without a number", 0, name.text);
      s->rtfSNum = 0;
    }
    if (s->rtfSNextPar == -1) s->rtfSNextPar = s->rtfSNum;
    if (rtfClass == rtfEOF) break;
  }
  RTFRouteToken();
}

void CRTFReader::ReadInfoGroup() {
  RTFSkipGroup();
  RTFRouteToken();
}

void CRTFReader::ReadPictGroup() {
  RTFSkipGroup();
  RTFRouteToken();
}

void CRTFReader::ReadObjGroup() {
  RTFSkipGroup();
  RTFRouteToken();
}

// ---------------------------------------------------------------------------
// Look-ups and helpers

RTFFont* CRTFReader::RTFGetFont(int num) const {
  if (num == -1) return rtfFontList;
  for (RTFFont* f = rtfFontList; f; f = f->rtfNextFont)
    if (f->rtfFNum == num) return f;
  return nullptr;
}

RTFColor* CRTFReader::RTFGetColor(int num) const {
  if (num == -1) return rtfColorList;
  for (RTFColor* c = rtfColorList; c; c = c->rtfNextColor)
    if (c->rtfCNum == num) return c;
  return nullptr;
}

const char* CRTFReader::RTFGetSymbol(int major, int minor) { return RTFKeySymbol(major, minor); }

char* CRTFReader::RTFStrSave(const char* s) {
  if (!s) s = "";
  std::size_t length = std::strlen(s);
  if (length >= static_cast<std::size_t>(INT_MAX)) return nullptr;
  char* copy = RTFAlloc(static_cast<int>(length + 1));
  if (copy) std::memcpy(copy, s, length + 1);
  return copy;
}

int CRTFReader::RTFCharToHex(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

char* strcpy_num(char* buf, int n) {
  char digits[12];
  int count = 0;
  // Work in unsigned so that INT_MIN has a magnitude.
  unsigned magnitude = n < 0 ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n);
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  char* p = buf;
  if (n < 0) *p++ = '-';
  while (count > 0) *p++ = digits[--count];
  *p = '\0';
  return buf;
}

// ---------------------------------------------------------------------------

CRTFBufferReader::CRTFBufferReader(const void* data, std::size_t size) { RTFSetInput(data, size); }

CRTFBufferReader::~CRTFBufferReader() { RTFTerm(); }

char* CRTFBufferReader::RTFAlloc(int size) {
  if (size <= 0) return nullptr;
  return static_cast<char*>(std::malloc(static_cast<std::size_t>(size)));
}

void CRTFBufferReader::RTFFree(char* block) { std::free(block); }
