// Headers, footers, the document name, marks and markups of the edit
// object with pages, and the upkeep of marks and markups on edits.
#include <algorithm>
#include <cstring>

#include "layout/text_edit_ex.h"
#include "text/codes/script.h"
#include "text/runs/marks.h"

// ---- Headers and footers ----------------------------------------------------------------------------

bool CKXTextEditEx::SetHeaderStyle(short bandHeight, const char* text, long length, const SStyl& style,
                                   std::uint8_t alignment, std::uint8_t dateFormat, std::uint8_t timeFormat) {
  MakeHdFtStyl(mHeader, bandHeight, text, length, style, alignment, dateFormat, timeFormat);
  return !mHeader.tokens.empty();
}

bool CKXTextEditEx::SetFooterStyle(short bandHeight, const char* text, long length, const SStyl& style,
                                   std::uint8_t alignment, std::uint8_t dateFormat, std::uint8_t timeFormat) {
  MakeHdFtStyl(mFooter, bandHeight, text, length, style, alignment, dateFormat, timeFormat);
  return !mFooter.tokens.empty();
}

long CKXTextEditEx::MakeHdFtText(const SKXHdFtStyl& rec, char* out, long capacity, long pageNumber,
                                 std::vector<SKXUniChar>* sides) const {
  SKXHdFtValues values;
  values.page = pageNumber;
  values.pageCount = GetPageCount();
  values.name = mName.data();
  values.nameLength = long(mName.size());
  values.nameSides = mNameSides.data();
  values.nameSideCount = long(mNameSides.size());
  return KxExpandHdFt(rec, values, out, capacity, sides);
}

void CKXTextEditEx::SetName(const char* name, long length, const SKXUniChar* sides, long sideCount) {
  mNameSides.clear();
  if (name && length > 0)
    mName.assign(name, size_t(length));
  else
    mName.clear();
  if (sides && sideCount > 0 && !mName.empty()) {
    mNameSides.assign(sides, sides + sideCount);
    mNameSides.resize(size_t(KxCheckUniChars(mNameSides.data(), sideCount, long(mName.size()))));
    // An entry stands on a character's first byte.
    std::erase_if(mNameSides, [this](const SKXUniChar& u) {
      return KxTextCharByte(mName.data(), u.offset, kScriptJapanese) == 1;
    });
  }
}

long CKXTextEditEx::GetName(char* out) const {
  if (out && !mName.empty()) std::memcpy(out, mName.data(), mName.size());
  return long(mName.size());
}

// ---- Marks ------------------------------------------------------------------------------------------

long CKXTextEditEx::GetMarkCount() const { return mMarks ? mMarks->GetMarkCount() : 0; }

void CKXTextEditEx::InsertMark(long from, long to, const unsigned char* name) {
  const long len = GetLength();
  from = std::clamp(from, 0L, len);
  to = std::clamp(to, 0L, len);
  if (!mMarks) mMarks = new CKXMarkArray;
  mMarks->InsertMark(from, to, name);
}

void CKXTextEditEx::DeleteMarkAt(long index) {
  if (!mMarks || index < 1 || index > mMarks->GetMarkCount()) return;
  mMarks->DeleteAt(index, 1);
  mMarks->ReCalcRank();
  if (mMarks->GetMarkCount() == 0) {
    delete mMarks;
    mMarks = nullptr;
  }
}

void CKXTextEditEx::GetMarkStringAt(long index, unsigned char* out) const {
  if (!out) return;
  out[0] = 0;
  if (mMarks) mMarks->GetMarkStringAt(index, out);
}

void CKXTextEditEx::GetMarkRangeAt(long index, long& start, long& end) const {
  start = end = 0;
  if (mMarks && index >= 1 && index <= mMarks->GetMarkCount()) mMarks->GetMarkRangeAt(index, start, end);
}

short CKXTextEditEx::GetMarkRankAt(long index) const {
  return mMarks && index >= 1 && index <= mMarks->GetMarkCount() ? mMarks->GetRankAt(index) : 0;
}

void CKXTextEditEx::SetMarkRankAt(long index, short rank) {
  if (mMarks && index >= 1 && index <= mMarks->GetMarkCount()) mMarks->SetRankAt(index, rank);
}

long CKXTextEditEx::GetMarkDataSize() const { return mMarks ? mMarks->GetMarkDataSize() : 0; }

long CKXTextEditEx::GetMarkData(char* buf, long size) const {
  return mMarks && buf ? mMarks->GetMarkData(buf, size) : 0;
}

bool CKXTextEditEx::SetMarkData(const char* buf, long size) {
  if (!buf || size <= 0) return false;
  if (!mMarks) mMarks = new CKXMarkArray;
  const bool ok = mMarks->SetMarkData(buf, size);
  // Marks from outside must lie inside this text, their ends as well as
  // their starts.
  bool inside = ok && mMarks->Check(GetLength(), false).empty();
  for (long k = 1; inside && k <= mMarks->GetMarkCount(); ++k) {
    long start = 0, end = 0;
    mMarks->GetMarkRangeAt(k, start, end);
    inside = end >= start && end <= GetLength();
  }
  if (ok && !inside) mMarks->DeleteAll();
  if (mMarks->GetMarkCount() == 0) {
    delete mMarks;
    mMarks = nullptr;
  }
  return ok && mMarks;
}

long CKXTextEditEx::GetRankDataSize() const { return mMarks && mMarks->IsRankExist() ? mMarks->GetMarkCount() : 0; }

void CKXTextEditEx::GetRankData(char* buf, long n) const {
  if (mMarks && buf && n > 0) mMarks->GetRankData(buf, n);
}

void CKXTextEditEx::SetRankData(const char* buf, long n) {
  if (mMarks && buf && n > 0) mMarks->SetRankData(buf, n);
}

// ---- Markups ----------------------------------------------------------------------------------------

long CKXTextEditEx::GetMarkupCount() const { return mMarkups ? mMarkups->GetMarkupCount() : 0; }

void CKXTextEditEx::InsertMarkup(long from, long to) {
  const long len = GetLength();
  from = std::clamp(from, 0L, len);
  to = std::clamp(to, 0L, len);
  if (!mMarkups) mMarkups = new CKXMarkupArray;
  mMarkups->InsertMarkup(from, to);
}

void CKXTextEditEx::DeleteMarkup(long from, long to) {
  if (!mMarkups) return;
  const long len = GetLength();
  mMarkups->Delete(std::clamp(from, 0L, len), std::clamp(to, 0L, len), 0);
  if (mMarkups->GetMarkupCount() == 0) {
    delete mMarkups;
    mMarkups = nullptr;
  }
}

bool CKXTextEditEx::GetMarkup(long pos, long& start, long& end) const {
  start = end = 0;
  return mMarkups && mMarkups->GetMarkupCount() > 0 && mMarkups->GetMarkup(pos, start, end);
}

long CKXTextEditEx::GetMarkupIndex(long offset) const { return mMarkups ? mMarkups->GetArrayIndex(offset) : 0; }

void CKXTextEditEx::DeleteMarkupAt(long index) {
  if (!mMarkups || index < 1 || index > mMarkups->GetMarkupCount()) return;
  mMarkups->DeleteAt(index, 1);
  if (mMarkups->GetMarkupCount() == 0) {
    delete mMarkups;
    mMarkups = nullptr;
  }
}

void CKXTextEditEx::GetMarkupRangeAt(long index, long& start, long& end) const {
  start = end = 0;
  if (mMarkups && index >= 1 && index <= mMarkups->GetMarkupCount()) mMarkups->GetMarkupRangeAt(index, start, end);
}

long CKXTextEditEx::GetMarkupLocs(long start, long length, long capacity, long* out) const {
  if (IsPrinting() || !mMarkups || mMarkups->GetMarkupCount() == 0)
    return CKXTextEdit::GetMarkupLocs(start, length, capacity, out);
  const long end = start + std::max(0L, length);
  long count = 0, first = 0;
  mMarkups->GetMarkupCountAndIndex(start, end, count, first);
  long written = 0;
  for (long k = 0; k < count; ++k) {
    long s = 0, e = 0;
    mMarkups->GetMarkupRangeAt(first + k, s, e);
    if (out && written + 2 <= capacity) {
      out[written++] = std::max(s, start) - start;
      out[written++] = std::min(e, end) - start;
    }
  }
  return 2 * count;
}

std::string CKXTextEditEx::CheckMarks() const {
  const long len = GetLength();
  for (const CKXPosArray* a : {static_cast<const CKXPosArray*>(mMarks), static_cast<const CKXPosArray*>(mMarkups)}) {
    if (!a) continue;
    if (a->GetCount() == 0) return "an empty array is kept";
    std::string why = a->Check(len, false);
    if (!why.empty()) return why;
    long prevEnd = 0;
    for (long k = 1; k <= a->GetCount(); ++k) {
      long s = 0, e = 0;
      if (a == mMarks)
        mMarks->GetMarkRangeAt(k, s, e);
      else
        mMarkups->GetMarkupRangeAt(k, s, e);
      if (e < s || e > len) return "a range runs past the text";
      if (s < prevEnd) return "ranges overlap";
      prevEnd = e;
    }
  }
  return {};
}

// ---- Upkeep on edits ----------------------------------------------------------------------------------

void CKXTextEditEx::MarksInserted(long pos, long length) {
  if (length <= 0) return;
  if (mMarksHeld) {
    // An insertion where the deletion before it took bytes out joins it.
    if (!mSplices.empty() && mSplices.back().pos == pos && mSplices.back().inserted == 0)
      mSplices.back().inserted = length;
    else
      mSplices.push_back({pos, 0, length});
    return;
  }
  if (mMarks) mMarks->Inserted(pos, length);
  if (mMarkups) {
    mMarkups->Inserted(pos, length);
    if (mMarkups->GetMarkupCount() == 0) {
      delete mMarkups;
      mMarkups = nullptr;
    }
  }
}

void CKXTextEditEx::MarksDeleted(long from, long to) {
  if (mMarksHeld) {
    mSplices.push_back({from, to - from, 0});
    return;
  }
  if (mMarks) {
    const long before = mMarks->GetMarkCount();
    mMarks->Delete(from, to, 1);
    if (mMarks->GetMarkCount() != before) mResult |= kKxEditMarks;
    if (mMarks->GetMarkCount() == 0) {
      delete mMarks;
      mMarks = nullptr;
    }
  }
  if (mMarkups) {
    mMarkups->Delete(from, to, 1);
    if (mMarkups->GetMarkupCount() == 0) {
      delete mMarkups;
      mMarkups = nullptr;
    }
  }
}

void CKXTextEditEx::HoldMarks() {
  if (mMarksHeld) return;
  mSplices.clear();
  mMarksHeld = (mMarks && mMarks->GetMarkCount() > 0) || (mMarkups && mMarkups->GetMarkupCount() > 0);
}

void CKXTextEditEx::SettleMarks() {
  if (!mMarksHeld) return;
  mMarksHeld = false;
  const std::vector<SKXSplice> edits = std::move(mSplices);
  mSplices.clear();
  if (mMarks && mMarks->Splice(edits)) mResult |= kKxEditMarks;
  if (mMarks && mMarks->GetMarkCount() == 0) {
    delete mMarks;
    mMarks = nullptr;
  }
  if (mMarkups) mMarkups->Splice(edits);
  if (mMarkups && mMarkups->GetMarkupCount() == 0) {
    delete mMarkups;
    mMarkups = nullptr;
  }
}

void CKXTextEditEx::InsertString(long pos, const char* bytes, long n, const SStyl* styl, const SDeco* deco,
                                 const SKXUniChar* uni, long nUni) {
  const long before = GetLength();
  ++mEditDepth;
  try {
    CKXTextEdit::InsertString(pos, bytes, n, styl, deco, uni, nUni);
  } catch (...) {
    --mEditDepth;
    throw;
  }
  --mEditDepth;
  if (mEditDepth == 0) MarksInserted(std::clamp(pos, 0L, before), GetLength() - before);
}

void CKXTextEditEx::InsertText(long pos, const CKXText* src, short what) {
  const long before = GetLength();
  ++mEditDepth;
  try {
    CKXTextEdit::InsertText(pos, src, what);
  } catch (...) {
    --mEditDepth;
    throw;
  }
  --mEditDepth;
  if (mEditDepth == 0) MarksInserted(std::clamp(pos, 0L, before), GetLength() - before);
}

void CKXTextEditEx::DeleteString(long from, long to) {
  const long len = GetLength();
  if (from > to) std::swap(from, to);
  from = std::clamp(from, 0L, len);
  to = std::clamp(to, 0L, len);
  ++mEditDepth;
  try {
    CKXTextEdit::DeleteString(from, to);
  } catch (...) {
    --mEditDepth;
    throw;
  }
  --mEditDepth;
  // Only when the text really lost the bytes.
  if (mEditDepth == 0 && GetLength() == len - (to - from) && to > from) MarksDeleted(from, to);
}
