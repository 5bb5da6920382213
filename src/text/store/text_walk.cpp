#include "text/store/text_walk.h"

#include <algorithm>

#include "text/codes/script.h"
#include "text/store/text.h"

short KxGetKeyType(unsigned char key) {
  switch (key) {
    case 3: case 9: case 13: case 27: return 2;
    case 1: case 4: case 11: case 12: case 28: case 29: case 30: case 31: return 1;
    case 8: return 3;
    case 127: return 4;
    default: return key >= 32 ? 2 : 0;
  }
}

void CKXWordCounter::WordChar(bool digit) {
  // A digit that follows "1," or "1:" continues the number.
  if (!mInWord && !(digit && mNumberKept)) ++mCounts.words;
  mInWord = true;
  mLastDigit = digit;
  mNumberKept = false;
}

void CKXWordCounter::OtherChar(std::uint16_t ch) {
  if ((ch == ',' || ch == ':') && mInWord && mLastDigit) {
    mInWord = false;
    mNumberKept = true;
  } else if ((ch == '\'' || ch == '.' || ch == '-') && mInWord) {
    mLastDigit = false;
    mNumberKept = false;
  } else {
    mInWord = false;
    mNumberKept = false;
  }
}

void CKXWordCounter::Add(std::uint16_t ch, short script, bool picture, unsigned long uni) {
  mLastCR = false;
  if (ch > 0xFF) {
    ++mCounts.doubles;
    OtherChar(ch);
    return;
  }
  if (ch == '\r') {
    ++mCounts.paras;
    mLastCR = true;
    OtherChar(ch);
    return;
  }
  if (ch == kKxPictureByte && picture) {
    ++mCounts.pictures;
    OtherChar(ch);
    return;
  }
  ++mCounts.singles;
  if ((ch >= '0' && ch <= '9')) {
    WordChar(true);
  } else if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z')) {
    WordChar(false);
  } else if (ch == 0xA0 && uni >= 0x200000 && uni <= 0x1FFFFFFF) {
    WordChar(false);
  } else if (ch >= 0x80 && KxTextCharType(ch, script) == kCharExtAscii) {
    WordChar(false);
  } else {
    OtherChar(ch);
  }
}

void CKXWordCounter::Finish() {
  if (!mLastCR) ++mCounts.paras;
}

CKXBufferd::CKXBufferd(const CKXText* text) : mText(text) {
  mBuf = SetBlock(2048);
  mCapacity = 2048;
  if (!mBuf) {
    mBuf = SetBlock(256);
    mCapacity = 256;
  }
}

bool CKXBufferd::Fill(long pos) {
  mStart = pos;
  mValid = 0;
  if (!mText || !mBuf || pos < 0 || pos >= mText->GetLength()) return false;
  mValid = mText->CopyBytes(pos, std::min(mText->GetLength(), pos + mCapacity), mBuf, mCapacity);
  return mValid > 0;
}

int CKXBufferd::ByteAt(long pos) {
  if (pos < mStart || pos >= mStart + mValid) {
    if (!Fill(pos)) return -1;
  }
  return static_cast<unsigned char>(mBuf[pos - mStart]);
}

std::uint16_t CKXBufferd::GetChar(long pos) {
  int b = ByteAt(pos);
  if (b < 0) return 0;
  if (!KxTextCharFirst(static_cast<std::uint16_t>(b), GetScriptType(pos))) return static_cast<std::uint16_t>(b);
  if (pos + 1 >= mStart + mValid) {
    // The second byte lies beyond the buffer: start the buffer at the lead.
    if (!Fill(pos)) return 0;
  }
  if (pos + 1 >= mStart + mValid) return static_cast<std::uint16_t>(b);  // a lead byte at the text end
  return static_cast<std::uint16_t>(b * 256 + static_cast<unsigned char>(mBuf[pos + 1 - mStart]));
}

short CKXBufferd::GetScriptType(long pos) {
  if (pos < 0 || !mText) return 0;
  if (pos >= mRunStart && pos < mRunEnd) return mRunScript;
  mRunScript = mText->GetScriptRun(pos, mRunStart, mRunEnd);
  return mRunScript;
}
