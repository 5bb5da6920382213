// The styled text: the character store with its style, decoration and
// paragraph run arrays (the decoration array also owns the ruby runs, the
// store the Unicode side entries), behind one interface through which
// everything else edits text. Every insertion and deletion is applied to the
// bytes and to every run array, so that they stay in step; paragraph runs
// always start at paragraph starts (offset 0 or just after a carriage
// return) and the paragraph array is empty while every paragraph has the
// default style.
//
// Positions are byte offsets 0..length. Positions handed in are clamped to
// the text and pairs are ordered here: callers include scripts, macros and
// files. Lists handed in are taken for what their counts say; a null list
// counts as empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"
#include "text/runs/runs.h"
#include "text/runs/ruby.h"
#include "text/store/strarray.h"

// The page form's grid that the layout engine reports to the line layout;
// all zero for a plain text. Five 16-bit fields, 10 bytes.
struct SKXLineExtStyl {
  std::int16_t linePitch = 0;  // fixed line height; 0 none
  std::int16_t charPitch = 0;  // every advance becomes this; 0 none
  std::int16_t font = 0;       // replaces every run's font; 0 keep
  std::int16_t size = 0;       // replaces every run's size with the font; 0 keep
  std::int16_t tabCells = 0;   // character cells per tab stop
};
static_assert(sizeof(SKXLineExtStyl) == 10);

class CKXText {
 public:
  // Bits of the `what` argument of InsertText, CopyText and PasteText.
  static constexpr short kWhatAll = 0;
  static constexpr short kWhatText = 1;
  static constexpr short kWhatStyl = 2;
  static constexpr short kWhatDeco = 4;
  static constexpr short kWhatPara = 8;

  CKXText();
  virtual ~CKXText();
  CKXText(const CKXText&) = delete;
  CKXText& operator=(const CKXText&) = delete;

  // Start-up and shut-down of the store and the run arrays (the decoration
  // array's create and destroy the picture table).
  static void Initialize();
  static void Terminate();

  // ---- Whole text -------------------------------------------------------
  virtual void SetText(const char* text, long len, const SKXStyl* styls, long nStyls, const SKXDeco* decos,
                       long nDecos, const SKXPara* paras, long nParas, const SKXUniChar* uni, long nUni);
  // Copies up to bufLen bytes and up to the given number of records of each
  // list; answers the number of bytes copied.
  virtual long GetText(char* buf, long bufLen, SKXStyl* styls, long nStyls, SKXDeco* decos, long nDecos,
                       SKXPara* paras, long nParas, SKXUniChar* uni, long nUni) const;
  virtual void SetText(const CKXText* src);
  // The same, taking `src`'s characters rather than copying them; `src` is
  // left an empty text.
  void TakeText(CKXText* src);
  virtual long GetText(CKXText* dest) const;
  virtual void SetStyls(const SKXStyl* styls, long n);
  virtual long GetStyls(SKXStyl* out, long n) const;
  virtual void SetDecos(const SKXDeco* decos, long n);
  virtual long GetDecos(SKXDeco* out, long n) const;
  virtual void SetParas(const SKXPara* paras, long n);
  virtual long GetParas(SKXPara* out, long n) const;

  // ---- Selections (run offsets relative to `from`) ------------------------
  virtual long GetSelText(long from, long to, char* buf, long bufLen, SKXStyl* styls, long nStyls,
                          SKXDeco* decos, long nDecos, SKXPara* paras, long nParas, SKXUniChar* uni,
                          long nUni) const;
  virtual void GetSelText(long from, long to, CKXText* dest) const;
  virtual void SetSelStyls(long from, long to, const SKXStyl* runs, long n);
  virtual void SetSelDecos(long from, long to, const SKXDeco* runs, long n);
  virtual void SetSelParas(long from, long to, const SKXPara* runs, long n);
  virtual long GetSelStyls(long from, long to, SKXStyl* out, long n) const;
  virtual long GetSelDecos(long from, long to, SKXDeco* out, long n) const;
  virtual long GetSelParas(long from, long to, SKXPara* out, long n) const;

  // ---- Unicode side entries ----------------------------------------------
  virtual void SetUniChars(const SKXUniChar* items, long n);
  virtual long GetUniChars(SKXUniChar* out, long max) const;
  virtual void SetSelUniChars(long from, long to, const SKXUniChar* items, long n);
  virtual long GetSelUniChars(long from, long to, SKXUniChar* out, long max) const;
  virtual void AdjustUniChars(long from, long to);

  // ---- Ruby ---------------------------------------------------------------
  virtual void SetRubys(const SKXRuby* items, long n);
  virtual long GetRubys(SKXRuby* out, long max) const;
  virtual bool GetRubyAtNumber(long index, SKXRuby* out) const;
  virtual void SetSelRubys(long from, long to, const SKXRuby* items, long n);
  virtual long GetSelRubys(long from, long to, SKXRuby* out, long max) const;
  virtual long GetSelRubysInfo(long from, long to, SKXRubyInfo* out, long max) const;

  // ---- Counts -------------------------------------------------------------
  virtual long GetLength() const;
  virtual long GetTextSize() const;
  virtual long GetStylCount() const;
  virtual long GetDecoCount() const;
  virtual long GetParaCount() const;
  virtual long GetSelStylCount(long from, long to) const;
  virtual long GetSelDecoCount(long from, long to) const;
  virtual long GetSelParaCount(long from, long to) const;
  virtual long GetUniCharsCount() const;
  virtual long GetSelUniCharsCount(long from, long to) const;
  virtual bool IsUniCharExist(long from, long to) const;
  virtual long GetRubysCount() const;
  virtual long GetSelRubysCount(long from, long to) const;
  virtual bool IsRubyExist(long from, long to) const;
  virtual long GetSelRubysFirstNumber(long from, long to) const;
  virtual long GetSelRubysInsertSize(long from, long to) const;
  virtual void GetSelRubysInsertText(long from, long to, char* buf, long& len) const;
  virtual void GetSelRubysInsertPos(long from, long to, SKXPos* positions, long n, long stride) const;

  // ---- Editing bytes --------------------------------------------------------
  // Style and decoration are optional (null: the new bytes join the run at
  // `pos`; typed text never takes over a picture ID). When memory runs out
  // the text is left as it was.
  virtual void InsertChar(long pos, unsigned short ch, const SStyl* styl, const SDeco* deco);
  virtual void InsertString(long pos, const char* bytes, long n, const SStyl* styl, const SDeco* deco,
                            const SKXUniChar* uni, long nUni);
  virtual void DeleteChar(long pos);
  // When memory runs out the text is left as it was.
  virtual void DeleteString(long from, long to);
  virtual void InsertUniChar(long pos, unsigned long value, const SStyl* styl, const SDeco* deco);

  // ---- Attributes over a range -----------------------------------------------
  virtual void SetStyl(long from, long to, const SStyl& styl);
  virtual void SetStyl(long from, long to, short code, const SStyl& styl);
  virtual void SetStylType(SStyl& s, short code, const SStyl& src) const;
  virtual void SetStylFont(long from, long to, short font);
  virtual void SetStylFace(long from, long to, unsigned char face, unsigned char set);
  virtual void SetStylSize(long from, long to, short size);
  virtual void SetStylColor(long from, long to, RGBColor color);
  virtual void SetDeco(long from, long to, const SDeco& deco);
  virtual void SetDeco(long from, long to, short code, const SDeco& deco);
  virtual void SetDecoType(SDeco& d, short code, const SDeco& src) const;
  virtual void SetDecoInterLine(long from, long to, unsigned short kind);
  virtual void SetDecoUnderLine(long from, long to, unsigned short kind, unsigned char set);
  virtual void SetDecoCenterLine(long from, long to, unsigned short kind, unsigned char set);
  virtual void SetDecoUpperLine(long from, long to, unsigned short kind, unsigned char set);
  virtual void SetDecoLineColor(long from, long to, unsigned char color);
  virtual void SetDecoNetStyle(long from, long to, unsigned char style);
  virtual void SetDecoNetColor(long from, long to, unsigned char color);
  virtual void SetDecoStyle(long from, long to, unsigned char flags, unsigned char set);
  virtual void SetDecoPictID(long from, long to, short id);
  virtual short GetDecoPictID(long pos) const;
  virtual void SetReferToPicture(unsigned char flag);
  virtual void SetPara(long from, long to, const SParaStyl& para);
  virtual void SetPara(long from, long to, short code, const SParaStyl& para);
  virtual void SetParaType(SParaStyl& p, short mask, const SParaStyl& src) const;
  virtual void SetParaIndent(long from, long to, short first, short left, short right);
  virtual void SetParaLineSpace(long from, long to, short space);
  virtual void SetParaCharSpace(long from, long to, short space);
  virtual void SetParaJustify(long from, long to, unsigned char justify);
  virtual void SetParaTabs(long from, long to, short count, const short* positions, long kinds, long leaders);
  virtual void SetParaTabInsert(long from, long to, short position, long kind);
  virtual void SetParaTabDelete(long from, long to, short position);
  virtual bool ReplacePara(long from, long to, short mask, const SParaStyl& find, const SParaStyl& repl);

  // ---- Ruby over a range -------------------------------------------------------
  virtual bool GetRuby(long& from, long& to, unsigned char* text, long& rubyLen) const;
  virtual void SetRuby(long from, long to, const unsigned char* text, long len);

  // ---- Transfer ----------------------------------------------------------------
  virtual void CutText(long from, long to, CKXText* dest);
  virtual void CopyText(long from, long to, CKXText* dest, short what) const;
  virtual void PasteText(long from, long to, const CKXText* src, short what);
  virtual void DeleteText(long from, long to);
  virtual void InsertText(long pos, const CKXText* src, short what);
  virtual void InsertText(long pos, const char* bytes, long n, const SKXStyl* styls, long nStyls,
                          const SKXDeco* decos, long nDecos, const SKXPara* paras, long nParas,
                          const SKXUniChar* uni, long nUni);

  // ---- Find (matching is the store's) ------------------------------------------
  // Lengths are 32-bit; 0 means no match.
  virtual std::int32_t FindText(long pos, const char* pattern, long patLen, long& found, short options,
                                short script) const;
  virtual void ReplaceText(long from, long to, const char* bytes, long n);
  virtual std::int32_t CheckFind(long from, long to, const char* pattern, long patLen, short options,
                                 short script) const;
  // With `sides`, the side entries of what the expansion copies from the
  // text, at their offsets in out (when the answer is above 0).
  virtual long CheckReplaceRE(long from, long to, const char* pattern, long patLen, short options,
                              const char* repl, long replLen, char**& out, short script,
                              std::vector<SKXUniChar>* sides = nullptr) const;

  // ---- Character access ----------------------------------------------------------
  virtual std::uint16_t GetChar(long pos) const;
  virtual short GetCharByte(long pos) const;
  virtual short GetCharType(long pos) const;
  virtual short GetKeyType(unsigned char key) const;
  virtual unsigned long GetUniChar(long pos) const;
  virtual short GetScriptType(long pos) const;
  // Drops cached script information; the layout engine overrides it.
  virtual void ClearScriptType();
  virtual void Get1WordPos(long pos, long& start, long& end) const;
  virtual void Get1ParaPos(long pos, long& start, long& end) const;
  virtual long GetPrevCharPos(long pos) const;
  virtual long GetNextCharPos(long pos) const;
  virtual long GetNextParaPos(long pos) const;
  virtual long CalcCharCount(long from, long to) const;
  virtual void CalcWordCount(long from, long to, long& singles, long& doubles, long& paras, long& pictures,
                             long& words) const;

  // ---- Paragraph runs ---------------------------------------------------------------
  virtual void GetParaStylDefault(SParaStyl& para) const;
  virtual void EditParaStylStart();
  virtual void EditParaStylEnd(long a, long b);
  virtual void CheckParaStylDelete(long pos);
  virtual bool CheckParaRanges(long from, long to) const;
  virtual bool RecoverParaRanges(long from, long to);

  // ---- Layout hooks (the layout engine overrides them) ----------------------------------
  virtual short GetLineExtStyl(SKXLineExtStyl& ext) const;
  virtual long GetMarkupLocs(long a, long b, long n, long* out) const;

  // Whether the first and last characters of the range are both letters,
  // digits or single-byte punctuation (UKXText::IsByteWordClass).
  bool CheckSmartEdit(long from, long to) const;
  // Orders the pair (and clamps it to the text).
  void AdjustSelect(long& a, long& b) const;
  // Moves `pos` off a second byte: one byte forward or back; answers 1, -1
  // or 0 when it did not move.
  short AdjustOffset(long& pos, bool forward) const;
  // Widens the range to whole paragraphs.
  void AdjustParaSelect(long& from, long& to) const;

  // The rules above as code, for tests, memory-failure sweeps and fuzz
  // targets: the store's own rules; style and decoration runs cover the
  // text from 0 without equal neighbours; a picture ID sits alone on one
  // picture byte, once, and is in the picture table; paragraph runs sit on
  // paragraph starts, and a lone default run is not kept; rubies lie inside
  // the text without overlapping. Answers a description of the first broken
  // rule, "" when sound.
  std::string Check() const;

  // Read access for the layout and find code.
  const CKXStrArray* GetStrArray() const { return mText; }
  const CKXStylArray* GetStylArray() const { return mStyls; }
  const CKXDecoArray* GetDecoArray() const { return mDecos; }
  const CKXParaArray* GetParaArray() const { return mParas; }
  // Bytes from..to into buf (at most bufLen); answers the number copied.
  long CopyBytes(long from, long to, char* buf, long bufLen) const;
  // Whether every character is ASCII (no byte from 0x80 on, no side
  // entry): such a text reads the same in every script.
  bool IsAsciiOnly() const;
  // Whether bytes from..to hold none from 0x80 on.
  bool IsAsciiRange(long from, long to) const;
  // The script of the style run containing `pos` and that run's bounds.
  short GetScriptRun(long pos, long& start, long& end) const;
  // Where the scan for the character at pos may start: the start of the
  // nearest run of another script before it, or 0.
  long CharFloor(long pos, short script) const;
  // Whether a paragraph starts at pos: the text's start, or just after a
  // line end, told by its byte (a lead byte before it does not pair with it).
  bool IsParaStart(long pos) const;

 protected:
  long Clamp(long pos) const;
  void Order(long& from, long& to) const;
  long PrevParaStart(long pos) const;
  // Cut rule of the store: the script of the style run at each cut.
  SKXCutScript CutScriptAt(long base) const;
  // Reserves room so that the run edits of an insertion or deletion cannot
  // run out of memory once the bytes have changed.
  void ReserveRunEdits(bool paras);
  void JoinAttributes(long pos, long n, bool styls, bool decos, bool paras);
  // The new bytes pos..pos + n join the decoration run and ruby at `pos`,
  // or take `deco` when one is given; joined bytes never take over a
  // picture ID.
  void JoinDecoRun(long pos, long n, const SDeco* deco);
  void RepairParasAfter(long from, long to);
  // Run insertion at the text end leaves an empty last run: dropped here.
  void TrimEndRuns();
  void PasteDecoRuns(long from, long to, const CKXText* src);
  // Ends the base of the ruby that reaches over `pos` at `pos`.
  void CutRubyAt(long pos);
  bool IsParaRunStartValid(long index) const;
  // True when from..to is the one byte 0xCA of an inline picture.
  bool IsPictureByte(long from, long to) const;
  // Gives the pictures of decoration runs i..j back to the table (all but
  // `keep`), unless the runs only refer to pictures.
  void ReleasePictures(long i, long j, short keep);
  void SetRunsOnPara(long from, long to, short code, const SParaStyl* para);
  // The runs of `src` over characters already taken from it.
  void SetRunsOf(const CKXText* src);

  CKXStrArray* mText = nullptr;
  CKXStylArray* mStyls = nullptr;
  CKXDecoArray* mDecos = nullptr;
  CKXParaArray* mParas = nullptr;
};
