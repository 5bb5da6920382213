// The editing layer: one page-styled edit object, reached only through the
// procedural interface, and the commands that edit it. Every edit is a
// command (Do*) recorded as one undoable CKXTextAction; every command
// reaches the edit object through a few primitives (Text*). Drawing focus,
// redraw, scrolling and the clipboard are hooks that the text engine
// overrides; on its own the layer keeps one action (one level of undo).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/text_action.h"
#include "layout/kxtext_api.h"
#include "layout/text_edit_ex.h"
#include "layout/text_form.h"
#include "platform/types.h"
#include "text/base/range.h"
#include "text/codes/script.h"
#include "text/codes/unichar.h"

class CKXTextLayer {
 public:
  static const SKXRange sTextAll;        // {0, -1}: the whole text
  static const SKXRange sTextStart;      // {0, 0}
  static const SKXRange sTextEnd;        // {-1, 1}: caret at the end
  static const SKXRange sTextUndefined;  // {-1, 0}

  // Line-end types of plain text.
  static constexpr short kLineEndCR = 0, kLineEndCRLF = 1, kLineEndLF = 2;

  CKXTextLayer();
  virtual ~CKXTextLayer();
  CKXTextLayer(const CKXTextLayer&) = delete;
  CKXTextLayer& operator=(const CKXTextLayer&) = delete;

  // ---- Lifecycle -------------------------------------------------------------------
  // A page of the view's size; dest null: just the margins.
  virtual void Initialize(const RectL& view, const RectL* dest);
  virtual void Initialize(const SKXPageStyl& page, const RectL& view);
  virtual void Terminate();
  virtual void Activate();
  virtual void Deactivate();
  // Flushes held-back keys first.
  virtual void Idle();
  virtual void Click(long h, long v, char extend, short clicks, short modifiers);
  KXEditHandle GetEdit() const { return mEdit; }

  // ---- Commands ----------------------------------------------------------------------
  // modifiers: 1 shift, 2 command, 4 option.
  virtual void DoKey(unsigned short key, char modifiers);
  virtual void DoString(const char* text, long len);
  virtual void DoString(const char* text, long len, const SKXUniChar* uni, long nUni);
  virtual void DoString(KXTextHandle styledText);
  virtual void Undo();
  virtual void Redo();
  virtual void DoCut();
  virtual void DoCopy();
  // mode 0: what the scrap brings; else the content mask to take.
  virtual void DoPaste(short mode);
  virtual void DoDelete();
  virtual void DoInsert(KXTextHandle text);
  virtual void DoInsert(KXTextHandle text, short kind);
  virtual void DoInsert(const char* bytes, long len, const SKXStyl* styl, long nStyl, const SKXDeco* deco,
                        long nDeco, const SKXPara* para, long nPara, const SKXUniChar* uni, long nUni,
                        const SKXRuby* ruby, long nRuby);
  // Moves the text of `from` to `to` (a drag within the text).
  virtual void DoMove(const SKXRange& from, const SKXRange& to);
  // type 0: the plain drop type.
  virtual void DoDrop(const SKXRange& range, KXTextHandle text, short kind, short type);

  // ---- Settings ------------------------------------------------------------------------
  virtual void SetTextChanged(bool changed) { mTextChanged = changed; }
  virtual bool GetTextChanged() const { return mTextChanged; }
  virtual void SetTextMargins(const Rect& margins);
  virtual void GetTextMargins(Rect& margins) const;
  void SetSmartEdit(bool on) { mSmartEdit = on; }
  bool GetSmartEdit() const { return mSmartEdit; }
  void SetLineEndType(short type) { mLineEndType = type; }
  short GetLineEndType() const { return mLineEndType; }
  // Fonts for the layer's own script and for any other; other 0: both
  // become the edit style's font.
  void SetKeyScript(short own, short other);
  void GetKeyScript(short& own, short& other) const { own = mKeyFonts[0], other = mKeyFonts[1]; }
  // The bytes last removed by a delete key held with command.
  const std::string& GetDeletedText() const { return mDeleted; }

  // ---- Ranges and characters --------------------------------------------------------------
  SKXRange GetTotalRange() const;
  SKXRange GetSelectionRange() const;
  virtual void SetSelectionRange(const SKXRange& range, bool scroll);
  // Negative components become the text length, then the range is cropped.
  SKXRange CropRange(const SKXRange& range) const;
  long PrevCharSize(long offset) const;
  long ThisCharSize(long offset) const;
  std::uint16_t GetChar(long offset) const;
  void SetBeforeRange(const SKXRange& range);
  const SKXRange& GetBeforeRange() const { return mBeforeRange; }
  // What a backspace or forward delete at the caret removes (modifiers:
  // 2 line, 4 word); the selection itself when it is not empty.
  SKXRange GetLeftSelectionRange(char modifiers) const;
  SKXRange GetRightSelectionRange(char modifiers) const;
  // The start of the character that holds `offset`.
  long CharStart(long offset) const;

  // ---- Primitives: select the range, one edit-object call, its result word -------------------
  virtual void TextDelete(const SKXRange& range);
  virtual void TextInsert(const SKXRange& range, const char* text, long len, const SKXStyl* styl, long nStyl,
                          const SKXDeco* deco, long nDeco, const SKXPara* para, long nPara, const SKXUniChar* uni,
                          long nUni, const SKXRuby* ruby, long nRuby);
  virtual void TextInsert(const SKXRange& range, KXTextHandle text, short kind);
  virtual void TextPaste(const SKXRange& range, KXTextHandle text, short kind);
  virtual void TextCopy(const SKXRange& range, KXTextHandle text, short kind) const;
  virtual void TextMove(const SKXRange& from, const SKXRange& to);
  // Plain bytes of the range; answers how many were copied.
  long TextGetThruPtr(const SKXRange& range, char* buffer, long size) const;
  virtual void TextReplaceByPtr(const SKXRange& range, const char* bytes, long len);

  // ---- Actions ------------------------------------------------------------------------------
  // An action for this layer, started over the selection (flag: keep the
  // paragraph runs even of an empty range). Not yet posted.
  virtual CKXTextAction* MakeAction(short type, std::uint8_t flag);
  // The base layer keeps only the newest action.
  virtual void PostAction(CKXTextAction* action);
  CKXTextAction* GetAction() const { return mAction; }
  // Points at an action that the window undoer owns (an action the layer
  // kept itself goes).
  void SetAction(CKXTextAction* action) {
    if (mOwnsAction && mAction != action) delete mAction;
    mAction = action;
    mOwnsAction = false;
  }
  virtual CKXTextAction* CheckTyping(unsigned short key, char modifiers);
  virtual void CompleteTyping();
  virtual bool IsTypingAction() const;
  // Smart-space rules apply to the range.
  virtual bool CheckSmartEdit(const SKXRange& range) const;
  // Key type of the text store (0 ignored ... 4 forward delete).
  short GetKeyType(unsigned short key) const;

  // ---- Type-ahead ------------------------------------------------------------------------------
  // False when the key has been consumed or held back.
  virtual bool CheckKeyCode(unsigned short key, char modifiers);
  // After DoKey took a key into the text (not one consumed or held back).
  virtual void KeyTaken(unsigned short /*key*/, char /*modifiers*/) {}
  virtual bool CheckBufferKey(unsigned short key, char modifiers);
  // Inserts the held-back keys; true when there were any.
  virtual bool ExecBufferKey();

  // ---- Marks and markups ------------------------------------------------------------------------
  // The whole set, for actions to keep and put back. The edit object keeps
  // marks itself; until the procedural interface reaches them the base
  // layer knows none.
  virtual bool HasMarks() const { return false; }
  virtual void GetMarks(KXMarkSet& out) const { out.clear(); }
  virtual void SetMarks(const KXMarkSet&) {}

  // ---- Memory ----------------------------------------------------------------------------------
  // Drops the undo state of every layer: at once where no command runs,
  // else when the command returns (the running action may own the memory
  // being allocated). Answers whether anything was freed now.
  static bool PurgeUndoStates();

  // ---- Line ends of plain text ---------------------------------------------------------------------
  // Makes CR the only line end in place; removed = bytes to cut from the
  // end. Answers the type seen. Side entries (offsets ascending) move back
  // with the bytes they stand on.
  static short CheckTextType(char* bytes, long len, long& removed, SKXUniChar* entries = nullptr,
                             long count = 0);
  // From CR line ends to `type`; the string grows as it needs.
  static void ChangeTextType(std::string& bytes, short type, long& added);
  static void ChangeTextType(std::vector<std::uint8_t>& bytes, short type, long& added);
  // Every CR of the n bytes at p made LF, in place.
  static void CRsToLFs(std::uint8_t* p, std::size_t n);

 protected:
  // ---- Hooks -------------------------------------------------------------------------------------
  virtual void Focus() {}
  virtual void TextEditResult(std::uint16_t /*result*/) {}
  virtual void TextPutScrap(KXTextHandle /*text*/, short /*kind*/) {}
  // Fills text from the scrap; kind = content mask of what came.
  virtual void TextGetScrap(KXTextHandle /*text*/, short& kind) { kind = 0; }
  // Bytes from..from+removed became `inserted` bytes.
  virtual void TextChanged(long /*from*/, long /*removed*/, long /*inserted*/) {}

  // A styled text object, with one retry after memory recovery.
  static KXTextHandle NewText();
  // Runs the edit-object call `edit` over `range` as a text change.
  template <typename F>
  void EditRange(const SKXRange& range, F edit);
  // The same over the selection as it stands: setting it again would take
  // the typing style from the text before the caret.
  template <typename F>
  void EditSelection(F edit);
  // The bytes of the range become the deleted-text buffer.
  void SetDeleted(const SKXRange& range);

  // Commands nest (a paste calls primitives, a key may call DoDelete);
  // a purge waits for the outermost to return.
  class Command {
   public:
    explicit Command(CKXTextLayer& layer);
    ~Command();
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

   private:
    CKXTextLayer& mLayer;
  };
  void DropAction();

  KXEditHandle mEdit;
  Rect mMargins{0, 0, 4, 4};
  bool mTextChanged = false;
  bool mSmartEdit = false;
  short mLineEndType = kLineEndCR;
  std::string mTypeAhead;
  std::string mDeleted;
  SKXRange mBeforeRange{0, 0};
  CKXTextAction* mAction = nullptr;
  // Whether the layer keeps mAction itself (no undoer took it).
  bool mOwnsAction = true;
  short mKeyFonts[2] = {0, 0};
  int mCommandDepth = 0;
  bool mPurgePending = false;

  // =====================================================================================
  // Formatting, find and replace, selection services, transforms, geometry
  // and settings (text_layer_format.cpp, _find.cpp, _select.cpp, _geometry.cpp).
  // =====================================================================================
 public:
  // Masks of what varies over a range.
  static constexpr short kStylFont = 1, kStylFace = 2, kStylSize = 4, kStylColor = 8, kStylAll = 15;
  static constexpr short kDecoUnder = 1, kDecoCenter = 2, kDecoUpper = 4, kDecoLineColor = 8, kDecoNetStyle = 16,
                         kDecoNetColor = 32, kDecoStyle = 64, kDecoAll = 127;
  // Find option that makes replace-all build each replacement from the
  // regular expression's groups.
  static constexpr long kReplaceRegexp = 16;
  // Line number that no restart reaches.
  static constexpr long kNoRestart = 0x7FFFFFFF;

  // ---- Character commands (a change at a caret sets the typing style, no undo step) ----
  virtual void DoTextStyl(const SStyl* styl, const SDeco* deco);
  virtual void DoFontNumber(short font);
  virtual void DoFontSize(short size);
  virtual void DoFontStyle(short face);
  virtual void DoFontColor(const RGBColor& color);
  // 0 no lines; 1-5 upper, 6-10 centre, 11-15 under line kinds.
  virtual void DoLineType(unsigned short kind);
  virtual void DoLineColor(unsigned short color);
  virtual void DoNetStyle(unsigned char style);
  virtual void DoNetColor(unsigned char color);
  virtual void DoExtStyle(unsigned char style);
  // ---- Paragraph commands (always one undo step over whole paragraphs) ----
  virtual void DoParaStyl(const SParaStyl& para, short mask);
  virtual void DoParaIndent(short first, short left, short right);
  virtual void DoParaLineSpace(short space);
  virtual void DoParaCharSpace(short space);
  virtual void DoParaJustify(unsigned char justify);
  virtual void DoParaTabs(short count, const short* positions, long kinds, long leaders);
  virtual void DoParaTabInsert(short position, long kind);
  virtual void DoParaTabDelete(short position);
  virtual void DoParaTabMove(short from, short to, long kind);
  void ReplaceParaStyl(const SKXRange& range, short mask, const SParaStyl& from, const SParaStyl& to);
  long GetParaStylCount(const SKXRange& range) const;
  long GetParaStyl(const SKXRange& range, SKXPara* out, long n) const;
  void GetCurParaStyl(SParaStyl& out) const;
  // ---- Mixed-value queries: the mask of what varies (0 uniform) ----
  short GetTextStyl(const SKXRange& range, SStyl& out) const;
  short GetTextDeco(const SKXRange& range, SDeco& out) const;
  // which: kStyl* / kDeco* bits; true when a run touched by the range has the value.
  bool CheckTextStyl(const SKXRange& range, const SStyl& styl, short which) const;
  bool CheckTextDeco(const SKXRange& range, const SDeco& deco, short which) const;
  short GetCurFontNumber() const;  // -1 mixed
  short GetCurFontSize() const;    // -1 mixed
  short GetCurFontStyle() const;   // 256 mixed with no common bit
  short GetCurFontColor() const;   // -2 mixed
  void GetCurStyl(SStyl& out) const;
  short GetCurLineStyle() const;  // line bits 3-11; -1 mixed
  short GetCurLineColor() const;
  short GetCurNetStyle() const;
  short GetCurNetColor() const;
  short GetCurDecoStyle() const;
  bool CheckCurFontNumber(short font) const;
  bool CheckCurFontSize(short size) const;
  bool CheckCurFontStyle(unsigned char face) const;
  bool CheckCurFontColor(short colorIndex) const;
  // group 1 under, 2 centre, 4 upper line.
  bool CheckCurLineStyle(short group, short value) const;
  bool CheckCurLineColor(short color) const;
  bool CheckCurNetStyle(short style) const;
  bool CheckCurNetColor(short color) const;
  bool CheckCurDecoStyle(short style) const;
  // While `batch` is the same non-zero number the Cur queries above keep
  // what one pass over the selection's runs found and answer every later
  // value from it (a menu asks them item by item); 0 keeps nothing. The
  // caller promises that neither the text nor the selection changes while a
  // number stays: a menu's status pass.
  void SetQueryBatch(std::uint32_t batch) const { mQueryBatch = batch; }

  // ---- Find and replace ----
  bool FindText(const char* find, long len, short options);
  virtual bool DoFind(const char* find, long len, short options);
  bool IsFindSelection() const;
  bool IsReplSelection(const char* find, long len, short options);
  // The span from the first match to the end of the last.
  bool IsFindAllSelection(const char* find, long len, short options, SKXRange& out) const;
  // `sides`: the side entries of characters the replacement copies from
  // the text (offsets within repl).
  void ReplaceText(const char* repl, long len, const std::vector<SKXUniChar>* sides = nullptr);
  virtual void DoReplace(const char* repl, long len);
  virtual void DoReplaceRE(const char* find, long flen, const char* repl, long rlen, short options);
  // One undo step; answers the number of replacements. options: find bits,
  // kReplaceRegexp for group replacements.
  virtual long DoReplaceAll(const char* find, long flen, const char* repl, long rlen, long options);
  virtual void DoReplaceExt(const SKXRange& range, KXTextHandle text, short kind);
  // Replace-all builds its result in one pass where the matches cut into
  // nothing but style and decoration runs; kReplaceExact makes it edit
  // match by match in the text itself, as it does where a match touches a
  // mark or a markup or paragraphs with runs split or join.
  static constexpr short kReplaceAuto = 0, kReplaceExact = 1;
  void SetReplaceAllPath(short path) { mReplaceAllPath = path; }
  // Where it edits match by match in a copy, the copy is built a stretch
  // of about this many bytes at a time; answers the length before (tests
  // take it down to a byte).
  static long SetReplaceAllStretch(long bytes);

  // ---- Selection services ----
  SKXRange GetWordSelectionRange(long offset) const;
  SKXRange GetParagSelectionRange(const SKXRange& range) const;
  SKXRange GetLineSelectionRange(long line) const;
  SKXRange GetMarkRange(long n) const;
  void InsertMark(const SKXRange& range, const unsigned char* name);
  void SetCurSelection(const SKXRange& range, bool backwards);
  virtual void DoSelection(const SKXRange& range, bool backwards);
  // line 0: the first; negative: the last.
  void SetCurLine(long line, short offset);
  virtual void DoJump(long line, short offset);
  bool GetCurRuby(SKXRange& range, char* text, long& len) const;
  bool CheckCurRuby() const;
  virtual void DoSetRuby(const SKXRange& range, const char* text, long len);
  long GetParagraphCount(const SKXRange& range) const;
  // ---- Transforms of the selected paragraphs ----
  virtual void DoCharShift(bool left);
  virtual void DoCharType(short type);
  virtual void DoLineReform(bool wrap);
  virtual void DoLineDup();
  // ---- Line-number restarts ----
  void InitLnReStart() { mRestarts.clear(); }
  void AddLnReStart(long line);
  void DelLnReStart(long line);
  // line 0: the caret's line. False when refused.
  bool SetLineReStart(long line, bool on);
  // The amount to subtract from display line `line`; next = the next restart.
  long GetLineReStart(long line, long& next) const;
  long GetLnReStartDataSize() const { return long(mRestarts.size()) * 4; }
  long GetLnReStartData(char* buffer, long max) const;
  // Stored bytes (big-endian 32-bit entries); refused unless sorted, without
  // repeats, every entry 2 or more and the size a multiple of 4.
  bool SetLnReStartData(const char* data, long size);
  // ---- Key scripts ----
  // The user's key-script checks, one setting for every text: with
  // kKeyScriptTyping, typing and input-method text take the key-script font
  // of the keyboard script (CheckKeyScript); with kKeyScriptSelection, a
  // new selection switches the keyboard to its font's script
  // (CheckFontScript). Off by default.
  static constexpr std::uint8_t kKeyScriptTyping = 1, kKeyScriptSelection = 2;
  static void SetKeyScriptCheck(std::uint8_t checks) { sKeyScriptCheck = checks; }
  static bool IsKeyScriptCheck(std::uint8_t check) { return (sKeyScriptCheck & check) != 0; }
  void ChangeKeyScript(short font);
  void CheckKeyScript();
  void CheckKeyScript(short script);
  void CheckFontScript();
  void CheckFontScript(short font);
  // The key-script fonts trade places when the script changes, so that the
  // first stays the font of the layer's own script.
  void SetScriptTypeFromFont(short font);
  short GetScriptType() const { return mScriptType; }
  virtual void FontScriptExtend(short /*font*/) {}

  // ---- Geometry ----
  void SetImageSize(long width, long height);
  void GetImageSize(long& width, long& height) const;
  virtual void SetDestRect(const RectL& rect);
  void GetDestRect(RectL& rect) const;
  virtual void SetViewRect(const RectL& rect);
  void GetViewRect(RectL& rect) const;
  virtual void LocalToPoint(long h, long v, PointL& point) const;
  virtual void PointToLocal(const PointL& point, long& h, long& v) const;
  void RangeToPoint(const SKXRange& range, PointL& point) const;
  SKXRange PointToRange(const PointL& point) const;
  bool PointInRange(const PointL& point, const SKXRange& range) const;
  virtual void ScrollViewBy(long dh, long dv);
  // False for pages below 1 or beyond the count.
  bool SetCurPage(long page);
  virtual void DrawArea(const RectL& rect);
  virtual void DrawLineRange(long first, long last, const RectL& rect);
  // False for pages below 1 or beyond the count.
  virtual bool PrintPage(long page, const RectL& rect);
  // ---- Styles and settings ----
  void SetStartup(const SKXLineStyl& line, const SKXEditStyl& edit, const SKXPageStyl* page,
                  const SKXFormStyl* form);
  void SetStartupStyl(const SKXLineStyl& line, const SKXEditStyl& edit, const RGBColor& color);
  void SetStartupColor(const RGBColor& color);
  void SetEditStyl(const SKXLineStyl& line, const SKXEditStyl& edit, bool lineFirst);
  void SetPageStyl(const SKXPageStyl& page);
  // Breaks every line again: something the breaks follow changed outside
  // the text (the line-break characters).
  void LayOutAgain();
  void GetFormStyl(SKXFormStyl& form) const;
  void SetFormStyl(const SKXFormStyl& form);
  void SetFormStylDefault(const SKXFormStyl& form) { mFormDefault = form; }
  void GetFormStylDefault(SKXFormStyl& form) const;
  void SetVertical(bool vertical);
  void SetEditScale(short percent);
  void SetAutoView(bool on);
  void SetCtrlView(bool on);
  void SetLineTurn(bool on);
  void SetPaperView(bool on);
  void SetGuideView(bool on);
  void SetCaretLine(bool on);
  void SetPaperSize(const PointL& size, bool recalc);
  void SetPageMargin(const Rect& margins, bool recalc);
  void SetDescriptor(const unsigned char* pascalName);
  // The name <NAME> prints: the title's bytes when they spell the whole
  // name, else the name with side entries for what Shift_JIS lacks.
  void SetDescriptor(const unsigned char* pascalName, const std::string& utf8Name);
  // ---- Text access ----
  void TextGetThruHandle(const SKXRange& range, Handle& handle) const;
  void TextReplaceByHandle(const SKXRange& range, Handle handle);
  void TextSetText(const char* bytes, long len, const SKXStyl* styl, long nStyl, const SKXDeco* deco, long nDeco,
                   const SKXPara* para, long nPara, const SKXUniChar* uni, long nUni, const SKXRuby* ruby,
                   long nRuby);
  void TextSetText(KXTextHandle text);
  // The same, taking the text's characters rather than copying them (for a
  // text about to be discarded, such as a document just read).
  void TextTakeText(KXTextHandle text);
  long GetUniCharsCount(const SKXRange& range) const;
  long GetUniChars(const SKXRange& range, SKXUniChar* out, long n) const;

 protected:
  // TextSetText and TextTakeText: the whole text replaced by `text`.
  void ReplaceWholeText(KXTextHandle text, bool take);
  // Whether a replacement holds characters of the layer's script that the
  // style it lands in may not show, and the font it is then given.
  bool ReplacementFont(const char* repl, long len, bool typingStyle, short& font) const;
  // A character command: an action only when the selection holds text.
  template <typename F>
  void CharCommand(short type, F edit);
  // A paragraph command: always one action over whole paragraphs.
  template <typename F>
  void ParaCommand(short type, F edit);
  // Runs a conversion over the range as one action of `type`.
  template <typename F>
  void ConvertRange(const SKXRange& range, short type, F convert);
  // Replaces every match (offsets of the text as it stands) by its
  // replacement (ends[k]..ends[k + 1] of `repls`); answers the result word.
  // `sides` (sideEnds[k]..sideEnds[k + 1]) the side entries of what
  // replacement k copies from its match, offsets within the replacement;
  // null when none copies any.
  std::uint16_t ReplaceAllText(const std::vector<SKXRange>& matches, const std::string& repls,
                               const std::vector<long>& ends, const std::vector<SKXUniChar>* sides = nullptr,
                               const std::vector<std::size_t>* sideEnds = nullptr);
  // Its ways (text_layer_find.cpp): the span built anew in one pass; the
  // store's edits match by match in a copy built a stretch at a time; the
  // store's edits match by match in the text itself.
  struct ReplaceAllPlan;
  std::uint16_t ReplaceInOnePass(ReplaceAllPlan& plan);
  std::uint16_t ReplaceInStretches(ReplaceAllPlan& plan);
  std::uint16_t ReplaceInPlace(ReplaceAllPlan& plan);
  // Whether the one pass can carry the paragraph runs (it then keeps them
  // at their new places in the plan).
  bool CarriesParas(ReplaceAllPlan& plan) const;
  // Match k replaced in `text` at `at`; answers the change in length.
  long ReplaceOneMatch(ReplaceAllPlan& plan, KXTextHandle text, long at, std::size_t k);
  // A replacement's style given a font that shows it, when it needs one.
  bool Restyle(const ReplaceAllPlan& plan, std::size_t k, SStyl& styl) const;

  short mScriptType = KxGetSysScriptType();
  static std::uint8_t sKeyScriptCheck;
  std::vector<std::int32_t> mRestarts;  // sorted, no repeats, each >= 2
  SKXFormStyl mFormDefault{};
  short mReplaceAllPath = kReplaceAuto;
  // What the Cur queries of one batch share (text_layer_format.cpp).
  struct SelStylAnswers;
  struct SelDecoAnswers;
  const SelStylAnswers& SelStyl() const;
  const SelDecoAnswers& SelDeco() const;
  // The selection's GetTextStyl (GetTextDeco) answer, kept in a batch.
  short CurStyl(SStyl& out) const;
  short CurDeco(SDeco& out) const;
  mutable std::uint32_t mQueryBatch = 0;
  mutable std::shared_ptr<SelStylAnswers> mSelStyl;
  mutable std::shared_ptr<SelDecoAnswers> mSelDeco;

  friend class CKXTextAction;
};

// Paragraph flag of a paste or drop: whether the action keeps paragraph
// runs even for an empty range.
std::uint8_t KxParaFlag(KXTextHandle text, short kind);
