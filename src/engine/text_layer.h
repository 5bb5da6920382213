// The editing layer: one page-styled edit object, reached only through the
// procedural interface, and the commands that edit it. Every edit is a
// command (Do*) recorded as one undoable CKXTextAction; every command
// reaches the edit object through a few primitives (Text*). Drawing focus,
// redraw, scrolling and the clipboard are hooks that the text engine
// overrides; on its own the layer keeps one action (one level of undo).
#pragma once

#include <cstdint>
#include <string>

#include "engine/text_action.h"
#include "layout/kxtext_api.h"
#include "layout/text_edit_ex.h"
#include "platform/types.h"
#include "text/base/range.h"

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
  virtual void SetTextMargins(const Rect& margins) { mMargins = margins; }
  virtual void GetTextMargins(Rect& margins) const { margins = mMargins; }
  void SetSmartEdit(bool on) { mSmartEdit = on; }
  bool GetSmartEdit() const { return mSmartEdit; }
  void SetLineEndType(short type) { mLineEndType = type; }
  short GetLineEndType() const { return mLineEndType; }
  void SetKeyScript(short roman, short japanese) { mKeyFonts[0] = roman, mKeyFonts[1] = japanese; }
  void GetKeyScript(short& roman, short& japanese) const { roman = mKeyFonts[0], japanese = mKeyFonts[1]; }
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
  // Replaces the pointer without deleting anything (the window undoer).
  void SetAction(CKXTextAction* action) { mAction = action; }
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
  // end. Answers the type seen.
  static short CheckTextType(char* bytes, long len, long& removed);
  // From CR line ends to `type`; the string grows as it needs.
  static void ChangeTextType(std::string& bytes, short type, long& added);

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
  short mKeyFonts[2] = {0, 0};
  int mCommandDepth = 0;
  bool mPurgePending = false;

  friend class CKXTextAction;
};

// Paragraph flag of a paste or drop: whether the action keeps paragraph
// runs even for an empty range.
std::uint8_t KxParaFlag(KXTextHandle text, short kind);
