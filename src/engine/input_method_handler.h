// Input methods: the generic handler that owns one input-method document
// per text, and the text's own handler, which shows the active (not yet
// confirmed) input inline with its clause underlines, confirms text, maps
// offsets to positions and answers questions about the text around the
// selection.
//
// Offsets that the input method gives and takes are UTF-16 unit indices;
// offsets into the text are bytes. The active area is kept in bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "layout/kxtext_api.h"
#include "platform/textconv.h"
#include "platform/types.h"
#include "text/base/range.h"

class CKXTextEvent;
class CKXTextEngine;

constexpr OSErr kKxTSMParamErr = -50;
constexpr OSErr kKxTSMNoAnswer = -9874;       // nothing to answer with
constexpr OSErr kKxTSMOffsetOutside = -1800;  // an offset outside the text
constexpr OSErr kKxTSMPointOutside = -1801;   // the point lies outside the view

// Kinds of the hilite ranges of an update.
constexpr short kKxHiliteCaret = 1;
constexpr short kKxHiliteRaw = 2;
constexpr short kKxHiliteSelectedRaw = 3;
constexpr short kKxHiliteConverted = 4;
constexpr short kKxHiliteSelectedConverted = 5;

struct SKXHiliteRange {
  long start;  // UTF-16 units into the update's text
  long end;
  short kind;
};

// One update of the active input area.
struct SKXInputUpdate {
  std::u16string text;
  // Units at the front that are confirmed; -1: all of them.
  long fixedLength = 0;
  std::vector<SKXHiliteRange> hilites;
  bool hasPin = false;
  long pinStart = 0, pinEnd = 0;
};

// The answer of an offset-to-position query.
struct SKXOffsetPos {
  Point where{0, 0};  // in the view's local coordinates
  short lineHeight = 0;
  short ascent = 0;
  short angle = 90;   // 90 horizontal writing, 180 vertical
};

class CTSMHandler {
 public:
  static constexpr OSType kSignature = FourCC("tsvc");

  explicit CTSMHandler(void* owner);
  virtual ~CTSMHandler();
  CTSMHandler(const CTSMHandler&) = delete;
  CTSMHandler& operator=(const CTSMHandler&) = delete;

  virtual void Activate(bool inlineMode);
  // Ends any active text (EndActiveArea) and stops taking input.
  virtual void Deactivate();
  // Ends any active text and goes on taking input: what a save or a
  // command that must see the text as it stands calls first.
  void EndComposition();
  virtual OSErr DoUpdateActiveInputArea(const SKXInputUpdate&) { return kKxTSMParamErr; }
  virtual OSErr DoOffset2Pos(long /*offset*/, SKXOffsetPos&) { return 0; }
  // region: 1 outside the view, 2 the text, 3 the active area.
  virtual OSErr DoPos2Offset(Point /*local*/, long& offset, short& region) {
    offset = -1;
    region = 1;
    return 0;
  }
  virtual OSErr DoGetText(std::u16string& text) {
    text.clear();
    return 0;
  }
  // Document access, valid while locked.
  virtual OSErr GetLength(long&) { return kKxTSMNoAnswer; }
  virtual OSErr GetSelectedRange(long&, long&) { return kKxTSMNoAnswer; }
  virtual OSErr GetCharacters(long /*start*/, long /*count*/, char16_t*) { return kKxTSMNoAnswer; }
  virtual OSErr LockDocument(long&) { return kKxTSMNoAnswer; }
  virtual OSErr UnlockDocument(long&) { return kKxTSMNoAnswer; }
  virtual OSErr ReplaceRange(long /*start*/, long /*end*/) { return kKxTSMNoAnswer; }

  OSType GetSignature() const { return mSignature; }
  void* GetOwner() const { return mOwner; }
  bool IsActive() const { return mActive; }
  bool HasActiveArea() const { return mActiveStart >= 0; }
  long GetActiveStart() const { return mActiveStart; }
  long GetActiveEnd() const { return mActiveEnd; }
  bool IsInActiveArea(long offset) const {
    return mActiveStart >= 0 && offset >= mActiveStart && offset <= mActiveEnd;
  }

 protected:
  // Confirms the active text as it stands; the base has none.
  virtual void FixActiveArea() {}
  // Ends the active text as the program leaves it; the base confirms it.
  virtual void EndActiveArea() { FixActiveArea(); }
  void ClearActiveArea() {
    mActiveStart = mActiveEnd = -1;
    mOffsets.clear();
  }

  OSType mSignature;
  void* mOwner;
  bool mActive = false;
  bool mInlineMode = true;
  long mActiveStart = -1;
  long mActiveEnd = -1;
  // Byte offset (from the area's start) of each UTF-16 unit of the active text.
  std::vector<std::uint32_t> mOffsets;
};

class CKXTextTSMHandler : public CTSMHandler {
 public:
  explicit CKXTextTSMHandler(CKXTextEvent* owner);
  ~CKXTextTSMHandler() override;

  OSErr DoUpdateActiveInputArea(const SKXInputUpdate& update) override;
  OSErr DoOffset2Pos(long offset, SKXOffsetPos& answer) override;
  OSErr DoPos2Offset(Point local, long& offset, short& region) override;
  OSErr DoGetText(std::u16string& text) override;
  OSErr GetLength(long& length) override;
  OSErr GetSelectedRange(long& start, long& end) override;
  OSErr GetCharacters(long start, long count, char16_t* out) override;
  OSErr LockDocument(long& count) override;
  OSErr UnlockDocument(long& count) override;
  OSErr ReplaceRange(long start, long end) override;

  // What a host's input method works with: a composition in UTF-8 with its
  // clauses (byte ranges of the UTF-8, one of them selected) and the caret
  // (a UTF-8 byte index, -1 at the end); a commit of UTF-8 text.
  struct Clause {
    long start, end;
    bool selected;
  };
  OSErr Preedit(const std::string& utf8, const std::vector<Clause>& clauses, long caret);
  OSErr Commit(const std::string& utf8);
  // The text around the selection as UTF-8 and the caret's byte index in
  // it; false when there is nothing to give.
  bool Surrounding(std::string& utf8, long& caret);
  // Deletes `count` characters from `offset` characters after the caret
  // (negative: before it); false when that leaves the snapshot.
  bool DeleteSurrounding(long offset, long count);
  // The caret's rectangle in the view's local coordinates.
  bool CaretRect(Rect& local);
  // The edit changes the text where the composition stands: confirm it
  // first, so that the next update cannot replace the wrong bytes. The
  // input method asks for such edits itself, inside its own signals: its
  // context is left alone.
  void FixBeforeEdit() {
    if (HasActiveArea()) FixActiveArea();
    ClearActiveArea();
    mActive = false;
  }

  bool IsDocumentLocked() const { return mLockCount > 0; }
  bool HasSnapshot() const { return mSetup; }

  // From the preferences: the colour index (0 to 15; 0 the text's own) of
  // the active inline text's underline, and whether the input method's
  // window goes below the line at 90 degrees in vertical writing too,
  // rather than beside it.
  static void SetInlineColour(std::uint8_t colour) { sInlineColour = std::uint8_t(colour & 15); }
  static void SetInputWindowBelow(bool below) { sInputWindowBelow = below; }

 protected:
  void FixActiveArea() override;
  // When the host's input method for the text's window composed it, the
  // host resets that input method and the text takes exactly what it
  // commits then, the composition gone otherwise (the input method would
  // commit it again, or hold what it never meant as text); elsewhere the
  // composition is confirmed.
  void EndActiveArea() override;

 private:
  CKXTextEngine* Engine() const;
  // The area still holds what was put there; an edit from elsewhere
  // invalidates it.
  bool AreaIntact() const;
  bool SetupTSMDocumentAccess();
  void FinishTSMDocumentAccess();

  std::string mActiveBytes;               // the active text as the engine holds it
  std::vector<SKXUniChar> mActiveUni;     // its side entries, from the area's start

  static std::uint8_t sInlineColour;
  static bool sInputWindowBelow;

  long mLockCount = 0;
  bool mSetup = false;
  long mParaStart = 0;
  std::u16string mSnapshot;
  long mSelStart = 0, mSelEnd = 0;        // in units
  std::vector<long> mSnapMap;             // unit index -> byte offset from mParaStart (size + 1 entries)
};

// UTF-8 to UTF-16 (malformed input is replaced, never read past); back
// with KxUTF16ToUTF8 of platform/textconv.h.
std::u16string KxUTF8ToUTF16(const std::string& utf8);
