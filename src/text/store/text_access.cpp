// Character access of the styled text: characters and their classes, steps
// by character, word and paragraph, and the character and word counts.
#include <algorithm>

#include "text/codes/charclass.h"
#include "text/codes/script.h"
#include "text/store/text.h"
#include "text/store/text_walk.h"

namespace {
// How many style runs back a character boundary is looked for.
constexpr int kScriptRunsLooked = 64;
}  // namespace

short CKXText::GetScriptRun(long pos, long& start, long& end) const {
  long i = mStyls->GetArrayIndex(pos);
  start = mStyls->GetOffsetAt(i);
  end = i < mStyls->GetCount() ? mStyls->GetOffsetAt(i + 1) : kKxMaxOffset;
  SStyl s{};
  mStyls->GetStylAt(i, s);
  return KxFontToScriptType(s.font);
}

short CKXText::GetScriptType(long pos) const {
  if (pos < 0) return 0;
  long start, end;
  return GetScriptRun(pos, start, end);
}

long CKXText::CharFloor(long pos, short script) const {
  // A character never runs across a change of script: a Roman 0x9C before
  // Japanese text is a whole character, not the lead byte of the next one.
  // Only a byte before pos that may lead a character makes the question
  // arise; then the scan stops at the nearest run of another script.
  if (pos == 0 || !KxTextCharFirst(std::uint8_t(mText->GetChar(pos - 1, kScriptRoman)), script)) return 0;
  // Back from run to run by index: the run before one is found without a
  // search of them all.
  long i = mStyls->GetArrayIndex(pos);
  long start = mStyls->GetOffsetAt(i);
  for (int runs = 0; start > 0 && runs < kScriptRunsLooked; ++runs) {
    // The run containing start - 1: offsets rise strictly, so the one before.
    i = std::max(i - 1, 1L);
    SStyl s{};
    mStyls->GetStylAt(i, s);
    if (KxFontToScriptType(s.font) != script) return start;
    start = mStyls->GetOffsetAt(i);
  }
  return 0;
}

std::uint16_t CKXText::GetChar(long pos) const {
  if (pos < 0 || pos >= GetLength()) return 0;
  const short script = GetScriptType(pos);
  return mText->GetChar(pos, script, CharFloor(pos, script));
}

short CKXText::GetCharByte(long pos) const {
  if (pos < 0 || pos >= GetLength()) return 0;
  const short script = GetScriptType(pos);
  return mText->GetCharByte(pos, script, CharFloor(pos, script));
}

short CKXText::GetCharType(long pos) const { return UKXText::GetCharType(GetChar(pos), GetScriptType(pos)); }

short CKXText::GetKeyType(unsigned char key) const { return KxGetKeyType(key); }

unsigned long CKXText::GetUniChar(long pos) const {
  if (pos < 0 || pos >= GetLength()) return 0;
  return mText->GetUniChar(pos);
}

long CKXText::GetPrevCharPos(long pos) const {
  pos = Clamp(pos);
  if (pos == 0) return 0;
  return GetCharByte(pos - 1) == kByteLast ? std::max(pos - 2, 0L) : pos - 1;
}

long CKXText::GetNextCharPos(long pos) const {
  const long len = GetLength();
  if (pos >= len) return len;
  if (pos < 0) return 0;
  return GetCharByte(pos + 1) == kByteLast ? std::min(pos + 2, len) : pos + 1;
}

short CKXText::AdjustOffset(long& pos, bool forward) const {
  if (GetCharByte(pos) != kByteLast) return 0;
  if (forward) {
    ++pos;
    return 1;
  }
  --pos;
  return -1;
}

long CKXText::GetNextParaPos(long pos) const {
  const long len = GetLength();
  if (pos >= len) return len;
  long cr = mText->GetNextCR(std::max(pos, 0L));
  return cr < len ? cr + 1 : len;
}

bool CKXText::IsParaStart(long pos) const {
  if (pos <= 0) return true;
  if (pos > GetLength()) return false;
  char c = 0;
  return CopyBytes(pos - 1, pos, &c, 1) == 1 && c == '\r';
}

long CKXText::PrevParaStart(long pos) const {
  // A carriage return is never the second byte of a double-byte character
  // in any of the scripts, so the bytes can be scanned backwards.
  return mText->GetPrevCR(Clamp(pos)) + 1;
}

void CKXText::Get1ParaPos(long pos, long& start, long& end) const {
  pos = Clamp(pos);
  start = PrevParaStart(pos);
  end = GetNextParaPos(pos);
}

void CKXText::Get1WordPos(long pos, long& start, long& end) const {
  const long len = GetLength();
  if (pos >= len) {
    start = end = len;
    return;
  }
  pos = std::max(pos, 0L);
  AdjustOffset(pos, false);
  const short t = GetCharType(pos);
  start = pos;
  end = GetNextCharPos(pos);
  // CR, punctuation, controls and other bytes are words of one character.
  using namespace UKXText;
  if (t == kClassCR || t == kClassPunct || t == kClassControl || t == kClassOtherByte) return;
  while (start > 0) {
    long prev = GetPrevCharPos(start);
    if (GetCharType(prev) != t) break;
    start = prev;
  }
  while (end < len && GetCharType(end) == t) end = GetNextCharPos(end);
}

long CKXText::CalcCharCount(long from, long to) const {
  Order(from, to);
  CKXBufferd reader(this);
  long count = 0;
  for (long p = from; p < to; ++count) p += reader.GetChar(p) > 0xFF ? 2 : 1;
  return count;
}

void CKXText::CalcWordCount(long from, long to, long& singles, long& doubles, long& paras, long& pictures,
                            long& words) const {
  Order(from, to);
  CKXBufferd reader(this);
  CKXWordCounter counter;
  const bool sideEntries = mText->GetUniCharsCount() > 0;
  for (long p = from; p < to;) {
    std::uint16_t ch = reader.GetChar(p);
    short script = reader.GetScriptType(p);
    bool picture = ch == kKxPictureByte && GetDecoPictID(p) != 0;
    unsigned long uni = ch == 0xA0 && sideEntries ? mText->GetUniChar(p) : 0;
    counter.Add(ch, script, picture, uni);
    p += ch > 0xFF ? 2 : 1;
  }
  counter.Finish();
  const SKXWordCount& c = counter.Counts();
  singles = c.singles;
  doubles = c.doubles;
  paras = c.paras;
  pictures = c.pictures;
  words = c.words;
}
