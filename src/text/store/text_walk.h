// Character access helpers of the styled text: the classification of typed
// key bytes, the word and character counter, and the buffered reader that
// walks a text character by character without one store read per byte.
#pragma once

#include <cstdint>

#include "text/base/memory.h"

class CKXText;

// 2 printable keys (and Enter, Tab, Return, Escape), 1 caret movement,
// 3 Backspace, 4 Delete, 0 anything else.
short KxGetKeyType(unsigned char key);

// The tallies of CKXText::CalcWordCount.
struct SKXWordCount {
  long singles = 0;
  long doubles = 0;
  long paras = 0;
  long pictures = 0;
  long words = 0;
};

// Counts characters, paragraphs, pictures and words from a stream of
// characters in text order. Only ASCII letters and digits (and the upper
// half letters of a script) make words; an apostrophe, full stop or hyphen
// inside a word does not end it, and a comma or colon after a digit keeps
// the number going, so "1,000" is one word.
class CKXWordCounter {
 public:
  // `ch` is the character (lead * 256 + trail for a double-byte one), in
  // `script`; `picture` is set for a 0xCA byte that carries a picture;
  // `uni` is the side entry value at the character, or 0.
  void Add(std::uint16_t ch, short script, bool picture, unsigned long uni);
  // The closing paragraph: counted unless the last character was a return.
  void Finish();
  const SKXWordCount& Counts() const { return mCounts; }

 private:
  void WordChar(bool digit);
  void OtherChar(std::uint16_t ch);

  SKXWordCount mCounts;
  bool mInWord = false;
  bool mLastDigit = false;
  bool mNumberKept = false;
  bool mLastCR = false;
};

// Reads a text through a 2048-byte buffer (256 bytes when 2048 cannot be
// had) and caches the script of the style run last asked for. Positions are
// expected to increase; a position outside the buffer refills it.
class CKXBufferd : public CKXPtrBlock {
 public:
  explicit CKXBufferd(const CKXText* text);

  // The whole character starting at `pos` (its second byte is read when the
  // first is a lead byte of the script at `pos`); 0 outside the text.
  std::uint16_t GetChar(long pos);
  short GetScriptType(long pos);

 private:
  bool Fill(long pos);
  // The byte at `pos`, refilling when needed; -1 outside the text.
  int ByteAt(long pos);

  const CKXText* mText;
  char* mBuf = nullptr;
  long mCapacity = 0;
  long mStart = 0;
  long mValid = 0;
  long mRunStart = 0;
  long mRunEnd = 0;
  short mRunScript = 0;
};
