// RTF to styled text and back. CKXTextRTF reads RTF into a styled text by
// overriding the reader's hooks (rtf_import.cpp) and writes a range of a
// styled text as RTF (rtf_export.cpp); CKXTextRTFMac supplies the fonts,
// character sets, line ends and progress of this platform (rtf_fonts.cpp).
// One object runs one conversion.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formats/rtf_reader.h"
#include "formats/rtf_textref.h"
#include "text/store/converters.h"

// The attributes that groups save and restore.
struct SRTFAttr {
  SStyl styl{};
  SDeco deco{};
  std::int16_t script = 0;
  SParaStyl para{};
  std::int32_t ucCount = 1;  // fallback units after "\u" ("\uc")
  std::int32_t codePage = 0; // of the font's "\cpg" or "\fcharset"; 0: the document's
  bool operator==(const SRTFAttr& o) const;
};

class CKXTextRTF : public CRTFReader {
 public:
  // Bytes wait here before they are appended; flushed at 4096.
  static constexpr int kPendingSize = 4112;
  static constexpr int kPendingFlush = 4096;
  // Limits of what the writer puts in its tables.
  static constexpr int kMaxFonts = 512;
  static constexpr int kMaxColors = 170;

  CKXTextRTF();
  ~CKXTextRTF() override;

  // Appends the RTF's text to the end of `text`; fills `doc` when given.
  // 1 when the input was read (to its end, or as far as it went when it was
  // cut: see the kKxImportCut flag), 0 when reading threw.
  short DoRTFtoTextRef(const char* data, long length, KXTextRef text, short* flags, RTFKXDoc* doc);
  // Writes [start, end) of `text` (end below 1: the text's end) as RTF into
  // `out`. 1 on success; 0 on failure, with `out` empty.
  short DoRTFfromTextRef(std::string& out, KXConstTextRef text, long start, long end, short paraFlag,
                         const RTFKXDoc* doc);

  // Platform hooks (defaults here; CKXTextRTFMac overrides them).
  virtual void CheckAnsiCPGChar();
  virtual void SetSpecialChar(int minor);
  virtual void WriteOSInfo();
  virtual void WriteReturn();
  virtual short GetFontIDFromName(const char* name);
  virtual void GetFontNameFromID(std::string& out, short id);
  virtual short GetFontCharSetFromID(short id);
  virtual short GetFontFamilyFromID(short id);
  virtual std::int32_t GetFontNumFromID(short id);
  virtual short GetFontIDFromNum(std::int32_t num);
  virtual short GetFontIDFromSystem();
  virtual void ParWait();
  virtual void RTFReadFinished();

  // Reader plumbing.
  void RTFInit() override;
  void RTFTerm() override;
  char* RTFAlloc(int size) override;
  void RTFFree(char* block) override;

 protected:
  // Reader hooks.
  void UnknownClass() override;
  void TextClass() override;
  void GroupClass() override;
  void ControlClass() override;
  void CharSet() override;
  void Destination() override;
  void SpecialChar() override;
  void DocAttr() override;
  void SectAttr() override;
  void ParAttr() override;
  void CharAttr() override;
  void UnicodeAttr() override;

  // ---- reading ----
  void ReadAll();
  void PutChar(int byte);
  void FlashText(bool force);
  void AppendPending(long n);
  void AppendDecoded(long n, const char16_t* upper, const SStyl* styl, const SDeco* deco);
  std::int32_t ByteCodePage() const;
  void StartCharChange();
  void SetCharFontNum(std::int32_t num);
  void SettleBaseFont();
  short ResolveFont(RTFFont* f, std::int32_t num);
  static std::int32_t FontCodePage(const RTFFont* f);
  void SetCharColor(std::int32_t num);
  void SetUnicodeChar(std::int32_t n);
  void InsertUnicode(std::uint32_t value);
  void FlushLoneSurrogate();
  void SetGlyphIDChar(std::int32_t n);
  void InsertStamp(const char* stamp);
  void OpenCapture(int dest);
  void CloseCapture();
  void PushGroup();
  void PopGroup();
  bool CurrentScriptIsDouble() const;
  const SStyl* EffectiveStyl(SStyl& scratch) const;

  // Input and target.
  const char* mInData = nullptr;
  long mInLength = 0;
  KXTextRef mTarget = nullptr;     // where text goes now (the body, or a header/footer)
  KXTextRef mBody = nullptr;
  std::unique_ptr<CKXText> mCapture;
  RTFKXDoc* mDoc = nullptr;
  long mAppendStart = 0;           // length of the body before this import

  std::int32_t mDest = 0;          // 0 body, 1 header, 2 footer
  std::uint8_t mCharSetFlag = 0;   // 1 Mac, 0 Windows
  std::int32_t mAnsiCodePage = 0;
  std::int32_t mSetCodePage = 0;   // of "\ansi", "\pc" or "\pca"
  bool mWindowsSet = false;        // "\ansi", "\pc" or "\pca" was read
  bool mDefFontGiven = false;      // "\deff" was read, naming mDefFont
  std::int32_t mDefFont = 0;
  bool mBaseFontSettled = false;   // SettleBaseFont has decided
  bool mWesternBase = false;       // ...that the text's own font is Roman

  std::unique_ptr<char[]> mPending;
  long mPendingCount = 0;
  bool mPendingLead = false;       // the last pending byte starts a double-byte character
  bool mLastWasTrail = false;      // the last pending byte ends one

  SRTFAttr mAttr;
  SParaStyl mDefaultPara{};
  std::int32_t mRawFirstIndent = 0;
  std::uint8_t mTabKind = 0, mTabLeader = 0;
  bool mIgnorable = false, mStylUsed = false, mDecoUsed = false, mParaChanged = false;
  bool mAnyStyl = false, mAnyDeco = false;
  std::int32_t mSkipLeft = 0;      // fallback units still to drop after "\u"
  std::uint16_t mHighSurrogate = 0;

  struct GroupEntry {
    SRTFAttr attr;
    std::int32_t dest;
    std::int32_t count;
  };
  std::vector<GroupEntry> mGroups;

  // ---- writing ----
  void RTFWrite();
  void WriteData(const char* bytes, std::size_t n);
  void WriteData(const char* s);
  void WriteChar(unsigned value);
  void WriteStr(const char* bytes, std::size_t n);
  void WriteName(const std::string& name);
  void WriteSymbol(const char* word);
  void WriteSymbolNum(const char* word, std::int64_t n);
  void WriteInt(const char* word, std::int64_t n);
  void WriteUnicode(std::uint32_t u);
  void WriteFirstInfo();
  void WriteFontTbl();
  void WriteColorTbl();
  void WritePageLayout();
  void WriteHeader();
  void WriteFooter();
  void WriteHF(const char* word, const unsigned char* text, const SStyl& styl, std::uint8_t justify);
  void WriteHFString(const unsigned char* text, int n);
  void WriteText();
  void WriteCharAttr(const SStyl& s);
  void WriteCharDeco(const SDeco& d);
  void WriteParaAttr(const SParaStyl& p);
  void AddFont(short id);
  void AddColor(const RGBColor& c);
  std::int32_t FontNumber(short id) const;
  int ColorIndex(const RGBColor& c) const;

  std::string mOut;
  KXConstTextRef mSource = nullptr;
  long mStart = 0, mEnd = 0;
  std::int16_t mParaFlag = 0;
  const RTFKXDoc* mWriteDoc = nullptr;
  SStyl mCurStyl{};
  bool mFontNamed = false;  // a font word has been written since mCurStyl was reset
  SDeco mCurDeco{};
  SParaStyl mCurPara{};
  struct FontEntry {
    short id;
    std::int32_t num;
  };
  std::vector<FontEntry> mFonts;
  std::vector<RGBColor> mColors;
};

class CKXTextRTFMac : public CKXTextRTF {
 public:
  CKXTextRTFMac();

  void CheckAnsiCPGChar() override;
  void WriteOSInfo() override;
  void WriteReturn() override;
  short GetFontIDFromName(const char* name) override;
  void GetFontNameFromID(std::string& out, short id) override;
  short GetFontCharSetFromID(short id) override;
  short GetFontFamilyFromID(short id) override;
  std::int32_t GetFontNumFromID(short id) override;
  short GetFontIDFromNum(std::int32_t num) override;
  short GetFontIDFromSystem() override;
  void ParWait() override;
  void RTFReadFinished() override;

  // The name of the first entry of the built-in table with this ID (empty
  // when none); the ID of the longest table name that starts the given
  // name, ASCII case ignored (0 when none).
  static bool GetFontPSNameFromID(std::string& out, short id);
  static short GetFontIDFromPSName(const char* name);

  // Called from ParWait now and then during long conversions.
  std::function<void()> mProgress;

 private:
  std::int32_t mCallCount = 0;
};

// The script whose fonts a font table's "\fcharset" calls for (-1: none in
// particular), and the "\fcharset" written for a script.
short KxRTFCharSetScript(std::int32_t charset);
short KxRTFCharSetOfScript(short script);

// Installs the RTF converter for the "RTF " flavor and ".rtf" files.
void KxRTFFacilities();
