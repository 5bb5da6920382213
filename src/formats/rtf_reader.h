// The RTF reader: a pull tokeniser over RTF bytes that builds the document's
// font table, colour table and style sheet and hands every other token to a
// virtual hook named after its class. Classes that turn RTF into styled text
// derive from it and override the hooks.
//
// Input comes either from a byte buffer given to RTFSetInput (read first,
// bounds-checked) or from the virtual RTFGetChar once that buffer is used up.
// Memory for list entries and names comes from the virtual RTFAlloc; a class
// that supplies RTFAlloc and RTFFree must call RTFTerm in its own destructor,
// because the base destructor can no longer reach the derived RTFFree.
#pragma once

#include <cstddef>
#include <cstdint>

// Token classes.
enum : int {
  rtfUnknown = 0,
  rtfGroup = 1,
  rtfText = 2,
  rtfControl = 3,
  rtfEOF = 4,
};

// Majors of group tokens.
enum : int {
  rtfBeginGroup = 0,
  rtfEndGroup = 1,
};

// Majors of control tokens: the keyword classes.
enum : int {
  rtfVersion = 0,
  rtfDefFont = 1,
  rtfCharSet = 2,
  rtfDestination = 3,
  rtfFontFamily = 4,
  rtfColorName = 5,
  rtfSpecialChar = 6,
  rtfStyleAttr = 7,
  rtfDocAttr = 8,
  rtfSectAttr = 9,
  rtfTblAttr = 10,
  rtfParAttr = 11,
  rtfCharAttr = 12,
  rtfPictAttr = 13,
  rtfBookmarkAttr = 14,
  rtfNeXTGrAttr = 15,
  rtfFieldAttr = 16,
  rtfTOCAttr = 17,
  rtfPosAttr = 18,
  rtfObjAttr = 19,
  rtfFNoteAttr = 20,
  rtfKeyCodeAttr = 21,
  rtfACharAttr = 22,
  rtfFontAttr = 23,
  rtfFileAttr = 24,
  rtfFileSource = 25,
  rtfDrawAttr = 26,
  rtfIndexAttr = 27,
  rtfUnicodeAttr = 28,
  rtfMaxClass = 28,
};

// Minors the reader itself acts on.
enum : int {
  rtfFontTbl = 0,      // destination
  rtfColorTbl = 6,     // destination
  rtfStyleSheet = 7,   // destination
  rtfInfo = 10,        // destination
  rtfPict = 44,        // destination
  rtfObject = 45,      // destination
  rtfPar = 28,         // special character
  rtfTab = 37,         // special character
  rtfOptDest = 52,     // special character "\*"
  rtfAdditive = 0,     // style attribute
  rtfBasedOn = 1,      // style attribute
  rtfNext = 2,         // style attribute
  rtfSectStyleNum = 4, // section attribute "\ds"
  rtfStyleNum = 1,     // paragraph attribute "\s"
  rtfFontNum = 10,     // character attribute "\f"
  rtfCharStyleNum = 32,// character attribute "\cs"
  rtfLanguage = 34,    // character attribute "\lang"
  rtfBinary = 21,      // picture attribute "\bin"
  rtfRed = 0,          // colour component
  rtfGreen = 1,
  rtfBlue = 2,
  rtfFontCharSet = 0,  // font attributes
  rtfFontPitch = 1,
  rtfFontCodePage = 2,
  rtfFTypeNil = 3,
  rtfFTypeTrueType = 4,
};

constexpr int rtfNoParam = -1000000;   // parameter of a control word written without one
constexpr int rtfBufSiz = 1024;        // token text buffer, terminator included
constexpr int rtfNoStyleNum = 222;     // "based on" of a style based on none

// Why a read ended early (RTFError). A "}" with no open group is not one:
// it is passed over (RTFStrayCloses counts them).
enum : int {
  rtfErrNone = 0,
  rtfErrUnbalanced = 1,    // no longer reported; kept for its number
  rtfErrEndInGroup = 2,    // the input ended inside a group
  rtfErrEndInEscape = 3,   // the input ended right after "\" or inside "\'"
};
constexpr int rtfReadError = -1;       // RTFRead's result when the read ended with an error

// One keyword: its class (major), minor, word without the backslash, and the
// sum of the word's bytes taken as signed 8-bit values.
struct RTFKey {
  std::int16_t rtfKMajor;
  std::int16_t rtfKMinor;
  const char* rtfKStr;
  std::int32_t rtfKHash;
};

constexpr int rtfKeyCount = 720;
// The keyword table in storage order, ended by an entry whose word is null.
extern const RTFKey rtfKey[rtfKeyCount + 1];

struct RTFFont {
  char* rtfFName;        // may be null
  std::int32_t rtfFSpare;
  std::int32_t rtfFNum;  // -1 until "\f" is seen
  std::int32_t rtfFFamily;
  std::int32_t rtfFCharSet;
  std::int32_t rtfFPitch;
  std::int32_t rtfFType;
  std::int32_t rtfFCodePage;
  std::int32_t rtfFID;   // font ID resolved by a derived class, 0 until then
  RTFFont* rtfNextFont;
};

struct RTFColor {
  std::int32_t rtfCNum;
  std::int32_t rtfCRed;  // -1 when the entry does not give the component
  std::int32_t rtfCGreen;
  std::int32_t rtfCBlue;
  RTFColor* rtfNextColor;
};

struct RTFStyleElt {
  std::int32_t rtfSEClass;
  std::int32_t rtfSEMajor;
  std::int32_t rtfSEMinor;
  std::int32_t rtfSEParam;
  char* rtfSEText;
  RTFStyleElt* rtfNextSE;
};

enum : int {
  rtfParStyle = 0,
  rtfCharStyle = 1,
  rtfSectStyle = 2,
};

struct RTFStyle {
  char* rtfSName;
  std::int32_t rtfSType;       // rtfParStyle, rtfCharStyle or rtfSectStyle
  std::int32_t rtfSAdditive;
  std::int32_t rtfSNum;
  std::int32_t rtfSBasedOn;    // rtfNoStyleNum when none
  std::int32_t rtfSNextPar;
  RTFStyleElt* rtfSSEList;     // in the order written
  std::int32_t rtfExpanding;
  RTFStyle* rtfNextStyle;
};

class CRTFReader {
 public:
  CRTFReader();
  virtual ~CRTFReader();
  CRTFReader(const CRTFReader&) = delete;
  CRTFReader& operator=(const CRTFReader&) = delete;

  virtual void RTFInit();
  virtual void RTFTerm();
  // Next input byte (0-255) once the RTFSetInput buffer is used up; any
  // other value is the end of input.
  virtual int RTFGetChar();
  // A block of at least size bytes aligned for any list entry, or null.
  virtual char* RTFAlloc(int size);
  virtual void RTFFree(char* block);
  virtual void RTFMsg(const char* message, const char* detail);
  virtual void RTFPanic(const char* message, int value, const char* detail);
  virtual void RTFReadHook();
  virtual void ReadFontTbl();
  virtual void ReadColorTbl();
  virtual void ReadStyleSheet();
  virtual void ReadInfoGroup();
  virtual void ReadPictGroup();
  virtual void ReadObjGroup();
  virtual void UnknownClass();
  virtual void TextClass();
  virtual void GroupClass();
  virtual void ControlClass();
  virtual void CharSet();
  virtual void Destination();
  virtual void SpecialChar();
  virtual void DocAttr();
  virtual void SectAttr();
  virtual void TblAttr();
  virtual void ParAttr();
  virtual void CharAttr();
  virtual void PictAttr();
  virtual void BookmarkAttr();
  virtual void NeXTGrAttr();
  virtual void FieldAttr();
  virtual void TOCAttr();
  virtual void PosAttr();
  virtual void ObjAttr();
  virtual void FNoteAttr();
  virtual void KeyCodeAttr();
  virtual void ACharAttr();
  virtual void FontAttr();
  virtual void FileAttr();
  virtual void FileSource();
  virtual void DrawAttr();
  virtual void IndexAttr();
  virtual void UnicodeAttr();
  virtual void SelectLanguage();

  // The bytes to read first; the reader keeps the pointer, not a copy.
  void RTFSetInput(const void* data, std::size_t size);

  // Routes every token until the end of input: rtfEOF after a clean end,
  // rtfReadError when the input ended inside a group or an escape (what
  // came before was routed all the same).
  int RTFRead();
  int RTFGetToken();
  int RTFPeekToken();
  void RTFUngetToken();
  void RTFSkipGroup();
  void RTFRouteToken();

  RTFFont* RTFGetFont(int num) const;
  RTFColor* RTFGetColor(int num) const;
  static const char* RTFGetSymbol(int major, int minor);
  char* RTFStrSave(const char* s);
  static int RTFCharToHex(int c);

  int RTFError() const { return rtfError; }
  int RTFStrayCloses() const { return rtfStrayCloses; }
  int RTFClass() const { return rtfClass; }
  int RTFMajor() const { return rtfMajor; }
  int RTFMinor() const { return rtfMinor; }
  int RTFParam() const { return rtfParam; }
  const char* RTFText() const { return rtfTextBuf; }
  int RTFTextLen() const { return rtfTextLen; }
  int RTFLineNum() const { return rtfLineNum; }
  int RTFLinePos() const { return rtfLinePos; }
  RTFFont* RTFFontList() const { return rtfFontList; }
  RTFColor* RTFColorList() const { return rtfColorList; }
  RTFStyle* RTFStyleList() const { return rtfStyleList; }

 protected:
  // The current token.
  std::int32_t rtfClass = -1;
  std::int32_t rtfMajor = 0;
  std::int32_t rtfMinor = 0;
  std::int32_t rtfParam = rtfNoParam;
  char rtfTextBuf[rtfBufSiz] = {};
  std::int32_t rtfTextLen = 0;

  std::int32_t rtfLineNum = 0;
  std::int32_t rtfLinePos = 0;

 private:
  int NextByte();
  int GetChar();
  void AppendText(int c);
  void CutText(std::int32_t length);
  void GetToken1();
  void GetToken2();
  void ReadControlWord(int c);
  void Lookup(const char* word, std::size_t length);
  void SkipBinary(std::int32_t count);
  void Fail(int error);
  bool IsRawSemicolon() const;
  void FreeLists();
  RTFFont* NewFont();
  RTFColor* NewColor(int index);
  RTFStyle* NewStyle();
  bool AddStyleElement(RTFStyle* style, RTFStyleElt** tail);

  // Input.
  const std::uint8_t* rtfInPos = nullptr;
  const std::uint8_t* rtfInEnd = nullptr;
  bool rtfInputEnded = false;

  std::int32_t rtfPushedChar = -1;
  std::int32_t rtfPrevChar = -1;
  bool rtfNewLine = false;

  // The pushed-back token.
  std::int32_t rtfPushedClass = -1;
  std::int32_t rtfPushedMajor = 0;
  std::int32_t rtfPushedMinor = 0;
  std::int32_t rtfPushedParam = rtfNoParam;
  char rtfPushedTextBuf[rtfBufSiz] = {};
  std::int32_t rtfPushedTextLen = 0;

  std::int32_t rtfDepth = 0;   // open groups, for the balance check
  std::int32_t rtfError = rtfErrNone;
  std::int32_t rtfStrayCloses = 0;
  bool rtfStrayToken = false;   // the token just read is to be passed over

  RTFFont* rtfFontList = nullptr;
  RTFColor* rtfColorList = nullptr;
  RTFStyle* rtfStyleList = nullptr;
};

// A reader over one byte buffer with list memory from the heap.
class CRTFBufferReader : public CRTFReader {
 public:
  CRTFBufferReader(const void* data, std::size_t size);
  ~CRTFBufferReader() override;
  char* RTFAlloc(int size) override;
  void RTFFree(char* block) override;
};

// Writes n in decimal ("-" first when negative) and a NUL; returns buf,
// which must hold 12 bytes.
char* strcpy_num(char* buf, int n);
