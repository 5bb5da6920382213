// One undoable edit of an editing layer. An action keeps no list of
// operations: it keeps the content the edit removed (a styled text) and
// where the result stands; undo and redo are one operation that swaps the
// kept content with what stands in the text now, so the same object serves
// any number of cycles. Typing is coalesced into one action per run.
#pragma once

#include <cstdint>
#include <vector>

#include "layout/kxtext_api.h"
#include "platform/framework/action.h"
#include "text/base/range.h"

class CKXTextLayer;

// A mark or markup as an action keeps it: its range, and for a mark its
// name (length-prefixed) and outline rank.
struct SKXSavedMark {
  std::int32_t start = 0;
  std::int32_t length = 0;
  std::int16_t rank = 0;
  bool markup = false;
  std::vector<unsigned char> name;  // length byte first; empty for a markup
  friend bool operator==(const SKXSavedMark&, const SKXSavedMark&) = default;
};
using KXMarkSet = std::vector<SKXSavedMark>;

// Where an edit changed the text: the bytes from..to taken out, then
// `count` bytes put in at `at` (an offset in the text without them).
struct SKXTextSwap {
  long from = 0, to = 0, at = 0, count = 0;
};

// What an edit did to the marks, as much as taking it back needs: the
// marks it changed or took out, as they stood, in runs, each to go back in
// front of the mark that followed it then; and the marks it left in their
// place, which go when it is taken back. Marks it left alone are not kept:
// they may change or go later, and taking the edit back leaves them so.
struct SKXMarkRun {
  bool anchored = false;  // false: the run stood last
  SKXSavedMark anchor;    // the mark after the run
  KXMarkSet marks;
};
struct SKXMarkEdit {
  std::vector<SKXMarkRun> runs;
  KXMarkSet left;
  bool Empty() const { return runs.empty() && left.empty(); }
};

// The mark as the edit object leaves it after `swap`: one that starts in
// the removed bytes (or stands empty at their end) goes, one over their
// start or over the insertion point is cut there, later ones move. False
// when it goes.
bool KxMarkAfterSwap(const SKXSavedMark& mark, const SKXTextSwap& swap, SKXSavedMark& out);
// What an edit of `swap` did to the marks, from the set before it and the
// set after it. A mark counts as left alone when it stands after the edit
// as `KxMarkAfterSwap` moves it, unchanged.
SKXMarkEdit KxMarkEditOf(const KXMarkSet& before, const KXMarkSet& after, const SKXTextSwap& swap);
// The marks after `swap` takes `edit` back, from those standing now: the
// marks the edit left go, every other one is moved (or cut, or taken out)
// by `swap`, and the kept runs come back. With `reverse`, what doing it
// again needs.
KXMarkSet KxMarksTakenBack(const KXMarkSet& now, const SKXTextSwap& swap, const SKXMarkEdit& edit,
                           SKXMarkEdit* reverse);

// Action types (odd; type + 1 reports the same action standing undone).
constexpr short kKxActCut = 1, kKxActPlain = 3, kKxActPaste = 5, kKxActClear = 7, kKxActInsert = 9,
                kKxActTyping = 11, kKxActTypingDone = 13, kKxActDrop = 15, kKxActDropOther = 17,
                kKxActMove = 19;
// Save kinds: which parts of a text are kept (the text store's content
// mask: 1 text, 2 style, 4 decoration, 8 paragraph runs; 0 text with style
// and decoration runs).
constexpr short kKxSaveText = 0, kKxSaveDeco = 4, kKxSavePara = 8, kKxSaveAll = 15;
// Smart-space flags.
constexpr std::uint8_t kKxSmartBefore = 1, kKxSmartAfter = 2, kKxSmartAddedBefore = 16, kKxSmartAddedAfter = 32;
// Key types of the text store.
constexpr short kKxKeyIgnored = 0, kKxKeyMove = 1, kKxKeyInsert = 2, kKxKeyBack = 3, kKxKeyForward = 4;

class CKXTextAction : public LAction {
 public:
  explicit CKXTextAction(CKXTextLayer* layer);
  ~CKXTextAction() override;

  // Starts the action over the layer's selection (type 0: empties it).
  virtual void NewAction(short type, short saveKind);
  virtual void DisposeAction();
  // After the command's primitives: the result's range; the action is done.
  virtual void AfterAction();
  // Undo and redo alike: swaps the kept content with the text's.
  virtual void UndoRedoAction();
  virtual short GetActionType() const;
  virtual void BeforeTyping(unsigned short key, char modifiers);
  virtual void AfterTyping();
  virtual void CompleteTyping();
  virtual bool IsTypingAction() const;
  virtual bool IsCompleted() const;
  // An open typing step that an input method's composition stands in: the
  // step kept what the composition replaced, and fixing the composition
  // ends it. Completing the step clears the mark.
  void SetComposing(bool composing) { mComposing = composing && mType == kKxActTyping; }
  bool IsComposing() const { return mComposing; }
  // Whether `r` ends where the open run of typing ends, within what the run
  // takes out on undo: text put over it goes on with the run.
  bool RunEndsWith(const SKXRange& r) const;
  // Paste and drop: adds the smart spaces the text needs around `range`
  // to `styledText` and answers the flags (16 before, 32 after).
  virtual std::uint8_t CheckSmartEdit(const SKXRange& range, KXTextHandle styledText);

  short GetSaveKind() const { return mSaveKind; }
  std::uint8_t GetSmartFlags() const { return mSmartFlags; }
  const SKXRange& GetAfterRange() const { return mAfter; }
  const SKXRange& GetBeforeRange() const { return mBefore; }
  KXTextHandle GetSavedText() const { return mSaved; }
  // A move: the paragraphs at the point the text goes to, before it goes
  // there (taking the text out again merges them back).
  void KeepMoveSite(const SKXRange& point) { mMoveSite = GetParaSpan(point); }
  // Where the result stands, when the command knows better than the caret.
  void SetAfterRange(const SKXRange& r);
  // What the edit did to the marks; empty when it touched none.
  const SKXMarkEdit& GetMarkEdit() const { return mMarkEdit; }

 protected:
  void UndoSelf() override { UndoRedoAction(); }
  void RedoSelf() override { UndoRedoAction(); }
  // The saved text, made when first needed.
  KXTextHandle EnsureSaved();
  // Copies layer bytes from..to in front of (or behind) the saved text.
  void SaveAround(const SKXRange& r, bool front);
  // The range grown to whole characters, and to whole ruby bases where a
  // base crosses its ends: an edit cuts such a ruby, and only its whole
  // base can bring it back.
  SKXRange RubyWiden(const SKXRange& r) const;
  // Whether offset p falls inside a two-byte character of the text.
  bool InsideChar(long p) const;
  // The range grown over a lone lead byte just before it (a truncated last
  // character, or one at the end of a run of its script): whatever comes to
  // stand after that byte joins it into one character, and only the byte
  // kept with the range lets undo part them again. A ruby base the byte
  // ends is kept whole.
  SKXRange LeadWiden(const SKXRange& r) const;
  // The new text ends where the kept range's end went, since the bytes
  // outside it stand as they stood. A caret can stop short of there: when
  // the new text's last byte is a lone lead that took the byte after it
  // (or shifted how a chain of such bytes pairs). The after range reaches
  // that end.
  void ReachNewEnd();
  // The range grown to whole characters, the saved text over the bytes it
  // grew by (see UndoRedoAction).
  SKXRange CharWiden(const SKXRange& r);

  // The paragraph runs of the whole paragraphs a range touches: a removed
  // line end merges the paragraphs around it, and putting the bytes back
  // splits them again without telling which style each part had. Bytes
  // outside the range stand where they stood, so the span is found again
  // from its start and from its distance to the text end.
  struct ParaSpan {
    std::int32_t start = 0;   // first paragraph's start
    std::int32_t length = 0;  // up to the end of the last paragraph
    std::int32_t tail = 0;    // bytes after the span
    std::vector<SKXPara> runs;  // offsets from start
    // The empty paragraph at the text end (after a final line end, or of an
    // empty text), when the span reaches it: it has a style but no bytes.
    bool lastEmpty = false;
    SParaStyl last{};
    bool kept = false;
  };
  ParaSpan GetParaSpan(const SKXRange& r) const;
  // Gives the span's paragraphs back their runs.
  void SetParaSpan(const ParaSpan& span);
  // Grows the kept span over the paragraphs of `r` (a typing run reaching
  // text it had not touched yet).
  void GrowParaSpan(const SKXRange& r);
  // The runs of an empty text as `kept` (empty too) holds them.
  void SetEmptyRuns(KXTextHandle kept);

  CKXTextLayer* mLayer;
  KXTextHandle mSaved;
  ParaSpan mParaSpan, mMoveSite;
  std::uint16_t mType = 0;
  short mSaveKind = 0;
  SKXRange mAfter;
  SKXRange mBefore;
  std::uint8_t mSmartFlags = 0;
  std::uint16_t mTypingKind = 0;
  bool mComposing = false;
  // Bytes kept in the saved text that the edit leaves standing around the
  // result: they belong to the after range, before and after it.
  std::int32_t mLeftKeep = 0, mRightKeep = 0;
  long mTotalBefore = 0;  // the text's length when the action began
  // Marks. An edit of attributes alone leaves them where they are.
  bool KeepsMarks() const { return !(mSaveKind >= 2 && (mSaveKind & 1) == 0); }
  // The edit as it stands while it is open (before its first undo).
  SKXTextSwap OpenSwap() const;
  // What the open edit did to the marks, from the set it began with.
  void SettleMarks();
  void CloseMarks();

  SKXMarkEdit mMarkEdit;
  // While the edit is open and the text had marks when it began: the set
  // then.
  bool mMarksOpen = false;
  KXMarkSet mMarksBefore;
};
