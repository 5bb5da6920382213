// Editing and formatting commands of the edit object. Each is one frame
// around one operation of the store: hide the highlight, change the store,
// lay out what changed, place the caret, show the highlight, answer the
// result word. Character formatting without a selection changes only the
// typing style.
#include <algorithm>

#include "layout/text_edit.h"
#include "text/find/find.h"

namespace {

// The code of a whole-record change in StylCommand and DecoCommand.
constexpr short kWhole = -1;

// The picture byte of the text.
constexpr char kPictureByte = char(0xCA);

// A paste of attributes alone: an even mode of 2 or more.
bool StyleOnly(short mode) { return mode >= 2 && mode % 2 == 0; }

}  // namespace

// ---- replacing the selection ------------------------------------------------------------------------

template <typename F>
std::uint16_t CKXTextEdit::ReplaceFrame(F insert) {
  mResult = 0;
  mPendingByte = 0;
  ViewSelection(0);
  const long deleted = DeleteSelection();
  const long caret = mSelEnd;
  const long before = GetLength();
  insert(caret);
  const long inserted = GetLength() - before;
  return RecalcAndRedraw(caret + inserted, inserted + deleted, 0);
}

std::uint16_t CKXTextEdit::Insert(const CKXText* source) {
  if (!source || (source->GetLength() == 0 && mSelAnchor == mSelEnd)) return mResult = 0;
  return ReplaceFrame([&](long at) { InsertText(at, source, kWhatAll); });
}

std::uint16_t CKXTextEdit::Insert(const char* bytes, long length, const SKXUniChar* uni, long count) {
  if (!bytes || length <= 0) {
    if (mSelAnchor == mSelEnd) return mResult = 0;
    length = 0;
  }
  return ReplaceFrame([&](long at) {
    if (length > 0) InsertString(at, bytes, length, &mCurStyl, &mCurDeco, uni, count);
  });
}

std::uint16_t CKXTextEdit::InsertPictID(short pictureID) {
  return ReplaceFrame([&](long at) {
    SDeco deco = mCurDeco;
    deco.pictID = pictureID;
    InsertString(at, &kPictureByte, 1, &mCurStyl, &deco, nullptr, 0);
  });
}

std::uint16_t CKXTextEdit::Replace(const char* bytes, long length, const SKXStyl* styls, long nStyls,
                                   const SKXDeco* decos, long nDecos, const SKXPara* paras, long nParas,
                                   const SKXUniChar* uni, long nUni, const SKXRuby* ruby, long nRuby) {
  if (!bytes) length = 0;
  if (length <= 0 && mSelAnchor == mSelEnd) return mResult = 0;
  return ReplaceFrame([&](long at) {
    if (length <= 0) return;
    InsertText(at, bytes, length, styls, nStyls, decos, nDecos, paras, nParas, uni, nUni);
    // Bytes that went inside a ruby base have joined that base: a ruby of
    // their own would overlap it.
    auto inBase = [&](long p) {
      long a = p, b = p, n = 0;
      unsigned char text[kKxRubyMaxText + 2];
      return GetRuby(a, b, text, n) && a <= p && b > p;
    };
    // The ruby goes in before the lines are laid out: a reading widens
    // the line it stands on.
    if (ruby && nRuby > 0 && !inBase(at) && !inBase(at + length - 1)) SetSelRubys(at, at + length, ruby, nRuby);
  });
}

std::uint16_t CKXTextEdit::Delete() {
  mResult = 0;
  if (mSelAnchor == mSelEnd) return 0;
  return ReplaceFrame([](long) {});
}

// ---- the clipboard ------------------------------------------------------------------------------------

std::uint16_t CKXTextEdit::Copy(CKXText* target, short mode) const {
  if (target && target != this) CopyText(mSelAnchor, mSelEnd, target, mode);
  return 0;
}

std::uint16_t CKXTextEdit::Cut(CKXText* target) {
  Copy(target, kWhatAll);
  return Delete();
}

std::uint16_t CKXTextEdit::Paste(const CKXText* source, short mode) {
  mResult = 0;
  mPendingByte = 0;
  if (!source) return 0;
  long low = std::min(mSelAnchor, mSelEnd), high = std::max(mSelAnchor, mSelEnd);
  if (StyleOnly(mode)) {
    // The text keeps its length: the old selection is laid out again and
    // stays selected.
    if (low == high) return 0;
    ViewSelection(0);
    PreCalcSelection(low, high);
    PasteText(low, high, source, mode);
    return RecalcAndRedraw(high, 0, 1);
  }
  ViewSelection(0);
  BlinkCaret(0);
  const long before = GetLength();
  PasteText(low, high, source, mode);
  const long delta = GetLength() - before;
  const long inserted = delta + (high - low);
  mSelAnchor = mSelEnd = low;
  return RecalcAndRedraw(low + inserted, delta, 0);
}

// ---- find ---------------------------------------------------------------------------------------------

std::uint16_t CKXTextEdit::Find(const char* pattern, long length, short options, short script) {
  mResult = 0;
  if (!pattern || length <= 0) return 0;
  long low = 0, high = 0;
  PreCalcSelection(low, high);
  mResult = 0;
  long found = 0;
  const std::int32_t matched =
      FindText((options & kKXFindBackward) ? low : high, pattern, length, found, options, script);
  if (matched <= 0) return 0;
  // The store's match length: folded and expression matches differ in
  // length from the pattern.
  std::uint16_t result = SetSelect(found, found + matched);
  result |= SetSelView(1);
  return mResult = result;
}

// ---- character formatting ---------------------------------------------------------------------------------

std::uint16_t CKXTextEdit::StylCommand(short code, const SStyl& styl) {
  long low = std::min(mSelAnchor, mSelEnd), high = std::max(mSelAnchor, mSelEnd);
  if (low == high) {
    if (code == kWhole)
      mCurStyl = styl;
    else
      SetStylType(mCurStyl, code, styl);
    if (code == kWhole || code == kKXStylTypeFont || code == kKXStylTypeFace || code == kKXStylTypeFaceOn ||
        code == kKXStylTypeSize)
      CKXStylArray::SetHeightAscent(mCurStyl);
    return mResult = kKxEditStylChanged;
  }
  mResult = 0;
  ViewSelection(0);
  PreCalcSelection(low, high);
  mResult |= kKxEditStylChanged;
  if (code == kWhole)
    SetStyl(low, high, styl);
  else
    SetStyl(low, high, code, styl);
  return RecalcAndRedraw(high, 0, 1);
}

std::uint16_t CKXTextEdit::DecoCommand(short code, const SDeco& deco) {
  long low = std::min(mSelAnchor, mSelEnd), high = std::max(mSelAnchor, mSelEnd);
  if (low == high) {
    if (code == kWhole)
      mCurDeco = deco;
    else
      SetDecoType(mCurDeco, code, deco);
    mCurDeco.pictID = 0;  // typing never makes a picture
    return mResult = kKxEditDecoChanged;
  }
  mResult = 0;
  ViewSelection(0);
  PreCalcSelection(low, high);
  mResult |= kKxEditDecoChanged;
  if (code == kWhole)
    SetDeco(low, high, deco);
  else
    SetDeco(low, high, code, deco);
  return RecalcAndRedraw(high, 0, 1);
}

std::uint16_t CKXTextEdit::SetTextStyl(const SStyl& styl) { return StylCommand(kWhole, styl); }

std::uint16_t CKXTextEdit::SetTextFont(short font) {
  SStyl s{};
  s.font = font;
  return StylCommand(kKXStylTypeFont, s);
}

std::uint16_t CKXTextEdit::SetTextSize(short size) {
  SStyl s{};
  s.size = size;
  return StylCommand(kKXStylTypeSize, s);
}

std::uint16_t CKXTextEdit::SetTextFace(unsigned char face, unsigned char set) {
  SStyl s{};
  s.face = face;
  return StylCommand(set ? kKXStylTypeFaceOn : kKXStylTypeFace, s);
}

std::uint16_t CKXTextEdit::SetTextColor(const RGBColor& color) {
  SStyl s{};
  s.color = color;
  return StylCommand(kKXStylTypeColor, s);
}

std::uint16_t CKXTextEdit::SetTextDeco(const SDeco& deco) { return DecoCommand(kWhole, deco); }

namespace {
SDeco LineKind(unsigned short kind) {
  SDeco d{};
  d.lineBits = std::uint16_t(kind & 7);
  return d;
}
}  // namespace

std::uint16_t CKXTextEdit::SetTextInterLine(unsigned short kind) {
  return DecoCommand(kKXDecoTypeInterLine, LineKind(kind));
}

std::uint16_t CKXTextEdit::SetTextUnderLine(unsigned short kind, unsigned char set) {
  return DecoCommand(short(kKXDecoTypeUnderLine + (set ? kKXDecoTypeSet : 0)), LineKind(kind));
}

std::uint16_t CKXTextEdit::SetTextCenterLine(unsigned short kind, unsigned char set) {
  return DecoCommand(short(kKXDecoTypeCenterLine + (set ? kKXDecoTypeSet : 0)), LineKind(kind));
}

std::uint16_t CKXTextEdit::SetTextUpperLine(unsigned short kind, unsigned char set) {
  return DecoCommand(short(kKXDecoTypeUpperLine + (set ? kKXDecoTypeSet : 0)), LineKind(kind));
}

std::uint16_t CKXTextEdit::SetTextLineColor(short color) {
  SDeco d{};
  d.lineBits = std::uint16_t(color & 15);  // the low byte names a colour index
  return DecoCommand(kKXDecoTypeLineColor, d);
}

std::uint16_t CKXTextEdit::SetTextNetStyle(unsigned char style) {
  SDeco d{};
  d.net = style;
  return DecoCommand(kKXDecoTypeNetStyle, d);
}

std::uint16_t CKXTextEdit::SetTextNetColor(unsigned char color) {
  SDeco d{};
  d.net = color;
  return DecoCommand(kKXDecoTypeNetColor, d);
}

std::uint16_t CKXTextEdit::SetTextExtFace(unsigned char flags, unsigned char set) {
  SDeco d{};
  d.flags = flags;
  return DecoCommand(short(kKXDecoTypeStyle + (set ? kKXDecoTypeSet : 0)), d);
}

std::uint16_t CKXTextEdit::SetTextRuby(const unsigned char* text, long length) {
  long low = std::min(mSelAnchor, mSelEnd), high = std::max(mSelAnchor, mSelEnd);
  if (low == high) return mResult = 0;
  mResult = 0;
  ViewSelection(0);
  PreCalcSelection(low, high);
  mResult |= kKxEditDecoChanged;
  SetRuby(low, high, text, text ? std::max(length, 0L) : 0);
  return RecalcAndRedraw(high, 0, 1);
}

// ---- paragraph formatting ------------------------------------------------------------------------------------

template <typename F>
std::uint16_t CKXTextEdit::ParaFrame(F apply) {
  long low = 0, high = 0;
  PreCalcParaSelection(low, high);
  ViewSelection(0);
  apply(low, high);
  return RecalcAndRedraw(high, 0, 1);
}

std::uint16_t CKXTextEdit::SetTextParaStyl(const SParaStyl& para, short mask) {
  return ParaFrame([&](long a, long b) {
    if (mask)
      SetPara(a, b, mask, para);
    else
      SetPara(a, b, para);
  });
}

std::uint16_t CKXTextEdit::SetTextParaIndent(short first, short left, short right) {
  return ParaFrame([&](long a, long b) { SetParaIndent(a, b, first, left, right); });
}

std::uint16_t CKXTextEdit::SetTextParaLineSpace(short space) {
  return ParaFrame([&](long a, long b) { SetParaLineSpace(a, b, space); });
}

std::uint16_t CKXTextEdit::SetTextParaCharSpace(short space) {
  return ParaFrame([&](long a, long b) { SetParaCharSpace(a, b, space); });
}

std::uint16_t CKXTextEdit::SetTextParaJustify(unsigned char justify) {
  return ParaFrame([&](long a, long b) { SetParaJustify(a, b, justify); });
}

std::uint16_t CKXTextEdit::SetTextParaTabs(short count, const short* positions, long kinds, long leaders) {
  return ParaFrame([&](long a, long b) { SetParaTabs(a, b, count, positions, kinds, leaders); });
}

std::uint16_t CKXTextEdit::SetTextParaTabInsert(short position, long kind) {
  return ParaFrame([&](long a, long b) { SetParaTabInsert(a, b, position, kind); });
}

std::uint16_t CKXTextEdit::SetTextParaTabDelete(short position) {
  return ParaFrame([&](long a, long b) { SetParaTabDelete(a, b, position); });
}

std::uint16_t CKXTextEdit::SetTextParaTabMove(short from, short to, long kind) {
  return ParaFrame([&](long a, long b) {
    SetParaTabDelete(a, b, from);
    SetParaTabInsert(a, b, to, kind);
  });
}

std::uint16_t CKXTextEdit::ReplaceTextPara(long start, long end, short mask, const SParaStyl& old,
                                           const SParaStyl& repl) {
  mResult = 0;
  ViewSelection(0);
  if (ReplacePara(start, end, mask, old, repl)) {
    CalcText();
    SetSelPoint(mSelEnd, 1, 0);
    UpdateView();
    mResult |= kKxEditTextChanged;
  }
  ViewSelection(1);
  return mResult;
}
