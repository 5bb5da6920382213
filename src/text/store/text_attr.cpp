// Attribute editing of the styled text: one style, decoration or paragraph
// style over a range, type codes applied run by run, and the upkeep that
// keeps paragraph runs on paragraph starts.
#include <algorithm>
#include <cstring>
#include <vector>

#include "text/runs/pictures.h"
#include "text/store/text.h"

namespace {

// Gives runs i..j one element, then merges run i with its neighbours.
void SetRunsElement(CKXPosArray* runs, long i, long j, const void* element) {
  if (j > i) runs->DeleteAt(i + 1, j - i);
  runs->SetElementAt(i, element);
  if (runs->IsSameAt(i, i + 1)) runs->DeleteAt(i + 1, 1);
  if (i > 1 && runs->IsSameAt(i - 1, i)) runs->DeleteAt(i, 1);
}

// An empty last run at the text end is dropped.
void DropEmptyEndRun(CKXPosArray* runs, long to, long len) {
  long n = runs->GetCount();
  if (to == len && to >= 1 && n > 1 && runs->GetOffsetAt(n) >= to) runs->DeleteAt(n, 1);
}

// Splits the runs at from and to; runs i..j-1 then cover from..to exactly.
void DivideRuns(CKXPosArray* runs, long from, long to, long& i, long& j) {
  runs->Divide(from, to);
  i = runs->GetArrayIndex(from);
  j = runs->GetArrayIndex(to);
  if (runs->GetOffsetAt(j) != to) j = runs->GetCount() + 1;  // to lies in no later run
}

// Applies a type code run by run over from..to and merges equal neighbours.
// An empty range changes nothing, except on an empty text: there it sets
// the one run, which new text then takes.
template <typename Apply>
void ApplyToRuns(CKXPosArray* runs, long from, long to, long len, Apply apply) {
  if (from == to) {
    if (len == 0 && runs->GetCount() == 1) apply(1);
    return;
  }
  long i, j;
  DivideRuns(runs, from, to, i, j);
  for (long k = i; k < j; ++k) apply(k);
  runs->MergeSameRuns(i, j);
  DropEmptyEndRun(runs, to, len);
}

}  // namespace

// ---- type codes (the records' own rules) -------------------------------------------------------

void CKXText::SetStylType(SStyl& s, short code, const SStyl& src) const { CKXStylArray::SetStylType(s, code, src); }
void CKXText::SetDecoType(SDeco& d, short code, const SDeco& src) const { CKXDecoArray::SetDecoType(d, code, src); }
void CKXText::SetParaType(SParaStyl& p, short mask, const SParaStyl& src) const {
  CKXParaArray::SetParaType(p, mask, src);
}

// ---- styles ---------------------------------------------------------------------------------------

void CKXText::SetStyl(long from, long to, const SStyl& styl) {
  Order(from, to);
  if (from == to) return;
  ClearScriptType();
  SStyl s = styl;
  KxNormalizeStyl(s);
  CKXStylArray::SetHeightAscent(s);
  long i, j;
  DivideRuns(mStyls, from, to, i, j);
  SetRunsElement(mStyls, i, j - 1, &s);
  DropEmptyEndRun(mStyls, to, GetLength());
}

void CKXText::SetStyl(long from, long to, short code, const SStyl& styl) {
  Order(from, to);
  ClearScriptType();
  auto apply = [&](long k) {
    SStyl s{};
    mStyls->GetStylAt(k, s);
    CKXStylArray::SetStylType(s, code, styl);
    if (s.height == 0) CKXStylArray::SetHeightAscent(s);
    mStyls->SetStylAt(k, s);
  };
  ApplyToRuns(mStyls, from, to, GetLength(), apply);
}

void CKXText::SetStylFont(long from, long to, short font) {
  SStyl s{};
  s.font = font;
  SetStyl(from, to, kKXStylTypeFont, s);
}

void CKXText::SetStylFace(long from, long to, unsigned char face, unsigned char set) {
  SStyl s{};
  s.face = face;
  SetStyl(from, to, set ? kKXStylTypeFaceOn : kKXStylTypeFace, s);
}

void CKXText::SetStylSize(long from, long to, short size) {
  SStyl s{};
  s.size = size;
  SetStyl(from, to, kKXStylTypeSize, s);
}

void CKXText::SetStylColor(long from, long to, RGBColor color) {
  SStyl s{};
  s.color = color;
  SetStyl(from, to, kKXStylTypeColor, s);
}

// ---- decorations ------------------------------------------------------------------------------------

bool CKXText::IsPictureByte(long from, long to) const {
  char c = 0;
  return to - from == 1 && CopyBytes(from, to, &c, 1) == 1 && static_cast<unsigned char>(c) == kKxPictureByte;
}

void CKXText::ReleasePictures(long i, long j, short keep) {
  // Runs about to lose their picture give it back to the table.
  if (mDecos->GetReferToPicture() || !gKXPictManager) return;
  for (long k = i; k <= j && k <= mDecos->GetCount(); ++k) {
    SDeco d{};
    mDecos->GetDecoAt(k, d);
    if (d.pictID != 0 && d.pictID != keep) gKXPictManager->DeletePicture(d.pictID);
  }
}

void CKXText::SetDeco(long from, long to, const SDeco& deco) {
  Order(from, to);
  if (from == to) return;
  SDeco d = deco;
  // A picture belongs to exactly one 0xCA byte: one ID over more text would
  // be released twice.
  if (d.pictID != 0 && !IsPictureByte(from, to)) d.pictID = 0;
  long i, j;
  DivideRuns(mDecos, from, to, i, j);
  ReleasePictures(i, j - 1, d.pictID);
  // The runs between are deleted (releasing nothing more); run i is overwritten.
  SKXDeco keep{};
  for (long k = i + 1; k < j; ++k) {
    mDecos->GetDecoAt(k, keep.deco);
    keep.deco.pictID = 0;
    mDecos->SetDecoAt(k, keep.deco);
  }
  SKXDeco element{};  // the element in the array is the decoration and its pad
  element.deco = d;
  SetRunsElement(mDecos, i, j - 1, &element.deco);
  DropEmptyEndRun(mDecos, to, GetLength());
}

void CKXText::SetDeco(long from, long to, short code, const SDeco& deco) {
  Order(from, to);
  SDeco src = deco;
  if (code == kKXDecoTypePicture && src.pictID != 0 && !IsPictureByte(from, to)) src.pictID = 0;
  auto apply = [&](long k) {
    SDeco d{};
    mDecos->GetDecoAt(k, d);
    short old = d.pictID;
    CKXDecoArray::SetDecoType(d, code, src);
    if (old != 0 && old != d.pictID) ReleasePictures(k, k, d.pictID);
    mDecos->SetDecoAt(k, d);
  };
  ApplyToRuns(mDecos, from, to, GetLength(), apply);
}

namespace {
SDeco LineDeco(unsigned short kind, int shift) {
  SDeco d{};
  d.lineBits = static_cast<std::uint16_t>((kind & 7) << shift);
  return d;
}
}  // namespace

// The line kinds are given as plain values (0-5); the type codes read them
// from the line-bits field.
void CKXText::SetDecoInterLine(long from, long to, unsigned short kind) {
  SDeco d{};
  d.lineBits = static_cast<std::uint16_t>(kind & 7);
  SetDeco(from, to, kKXDecoTypeInterLine, d);
}

void CKXText::SetDecoUnderLine(long from, long to, unsigned short kind, unsigned char set) {
  SetDeco(from, to, set ? kKXDecoTypeUnderLine + kKXDecoTypeSet : kKXDecoTypeUnderLine, LineDeco(kind, 0));
}

void CKXText::SetDecoCenterLine(long from, long to, unsigned short kind, unsigned char set) {
  SetDeco(from, to, set ? kKXDecoTypeCenterLine + kKXDecoTypeSet : kKXDecoTypeCenterLine, LineDeco(kind, 0));
}

void CKXText::SetDecoUpperLine(long from, long to, unsigned short kind, unsigned char set) {
  SetDeco(from, to, set ? kKXDecoTypeUpperLine + kKXDecoTypeSet : kKXDecoTypeUpperLine, LineDeco(kind, 0));
}

void CKXText::SetDecoLineColor(long from, long to, unsigned char color) {
  SDeco d{};
  d.lineBits = static_cast<std::uint16_t>(color & 15);
  SetDeco(from, to, kKXDecoTypeLineColor, d);
}

void CKXText::SetDecoNetStyle(long from, long to, unsigned char style) {
  SDeco d{};
  d.net = style;
  SetDeco(from, to, kKXDecoTypeNetStyle, d);
}

void CKXText::SetDecoNetColor(long from, long to, unsigned char color) {
  SDeco d{};
  d.net = color;
  SetDeco(from, to, kKXDecoTypeNetColor, d);
}

void CKXText::SetDecoStyle(long from, long to, unsigned char flags, unsigned char set) {
  SDeco d{};
  d.flags = flags;
  SetDeco(from, to, set ? kKXDecoTypeStyle + kKXDecoTypeSet : kKXDecoTypeStyle, d);
}

void CKXText::SetDecoPictID(long from, long to, short id) {
  SDeco d{};
  d.pictID = id;
  SetDeco(from, to, kKXDecoTypePicture, d);
}

short CKXText::GetDecoPictID(long pos) const {
  SDeco d{};
  mDecos->GetDecoAt(mDecos->GetArrayIndex(Clamp(pos)), d);
  return d.pictID;
}

void CKXText::SetReferToPicture(unsigned char flag) { mDecos->SetReferToPicture(flag); }

// ---- paragraphs -------------------------------------------------------------------------------------

void CKXText::GetParaStylDefault(SParaStyl& para) const { std::memset(&para, 0, sizeof para); }

void CKXText::AdjustParaSelect(long& from, long& to) const {
  Order(from, to);
  if (!IsParaStart(from)) from = PrevParaStart(from);
  const long len = GetLength();
  // A caret widens to its paragraph, also at a paragraph start.
  if (to < len && (to == from || !(to > 0 && IsParaStart(to)))) to = GetNextParaPos(to);
}

void CKXText::SetRunsOnPara(long from, long to, short code, const SParaStyl* para) {
  Order(from, to);
  EditParaStylStart();
  AdjustParaSelect(from, to);
  const long len = GetLength();
  const bool endsCR = len > 0 && IsParaStart(len);
  long i, j;  // runs i..j get the style
  if (to >= len) {
    // The run containing the end is set too; after a final return that is
    // the empty last paragraph's own run.
    mParas->Divide(from, endsCR ? len : from);
    i = mParas->GetArrayIndex(from);
    j = mParas->GetCount();
  } else {
    mParas->Divide(from, to);
    i = mParas->GetArrayIndex(from);
    j = mParas->GetArrayIndex(to) - 1;
  }
  if (code < 0) {
    SParaStyl p = *para;
    KxNormalizePara(p);
    SetRunsElement(mParas, i, j, &p);
  } else {
    for (long k = i; k <= j; ++k) {
      SParaStyl p{};
      mParas->GetParaAt(k, p);
      CKXParaArray::SetParaType(p, code, *para);
      KxNormalizePara(p);
      mParas->SetParaAt(k, p);
    }
    mParas->MergeSameRuns(i, j + 1);
  }
  if (!endsCR) DropEmptyEndRun(mParas, to, len);
  EditParaStylEnd(0, 0);
}

void CKXText::SetPara(long from, long to, const SParaStyl& para) { SetRunsOnPara(from, to, -1, &para); }

void CKXText::SetPara(long from, long to, short code, const SParaStyl& para) {
  if (code < 0) return;
  SetRunsOnPara(from, to, code, &para);
}

void CKXText::SetParaIndent(long from, long to, short first, short left, short right) {
  SParaStyl p{};
  p.firstIndent = first;
  p.leftIndent = left;
  p.rightIndent = right;
  SetPara(from, to, kKXParaTypeIndent, p);
}

void CKXText::SetParaLineSpace(long from, long to, short space) {
  SParaStyl p{};
  p.lineSpace = space;
  SetPara(from, to, kKXParaTypeLineSpace, p);
}

void CKXText::SetParaCharSpace(long from, long to, short space) {
  SParaStyl p{};
  p.charSpace = space;
  SetPara(from, to, kKXParaTypeCharSpace, p);
}

void CKXText::SetParaJustify(long from, long to, unsigned char justify) {
  SParaStyl p{};
  p.justify = justify;
  SetPara(from, to, kKXParaTypeJustify, p);
}

void CKXText::SetParaTabs(long from, long to, short count, const short* positions, long kinds, long leaders) {
  SParaStyl p{};
  long n = positions ? std::clamp<long>(count, 0, kKxMaxTabs) : 0;
  p.tabCount = static_cast<std::uint8_t>(n);
  for (long k = 0; k < n; ++k) p.tabPos[k] = positions[k];
  p.tabKinds = static_cast<std::uint32_t>(kinds);
  p.tabLeaders = static_cast<std::uint32_t>(leaders);
  KxNormalizePara(p);
  SetPara(from, to, kKXParaTypeTabs, p);
}

void CKXText::SetParaTabInsert(long from, long to, short position, long kind) {
  SParaStyl p{};
  p.tabCount = 1;
  p.tabPos[0] = position;
  p.tabKinds = static_cast<std::uint32_t>(kind & 3);
  SetPara(from, to, kKXParaTypeTabInsert, p);
}

void CKXText::SetParaTabDelete(long from, long to, short position) {
  SParaStyl p{};
  p.tabCount = 1;
  p.tabPos[0] = position;
  SetPara(from, to, kKXParaTypeTabDelete, p);
}

namespace {
bool SameParaFields(const SParaStyl& a, const SParaStyl& b, short mask) {
  if ((mask & kKXParaTypeIndent) &&
      (a.firstIndent != b.firstIndent || a.leftIndent != b.leftIndent || a.rightIndent != b.rightIndent))
    return false;
  if ((mask & kKXParaTypeLineSpace) && a.lineSpace != b.lineSpace) return false;
  if ((mask & kKXParaTypeCharSpace) && a.charSpace != b.charSpace) return false;
  if ((mask & kKXParaTypeJustify) && a.justify != b.justify) return false;
  if (mask & kKXParaTypeTabs) {
    if (a.tabCount != b.tabCount || a.tabKinds != b.tabKinds || a.tabLeaders != b.tabLeaders) return false;
    for (int k = 0; k < a.tabCount && k < kKxMaxTabs; ++k)
      if (a.tabPos[k] != b.tabPos[k]) return false;
  }
  return true;
}
}  // namespace

bool CKXText::ReplacePara(long from, long to, short mask, const SParaStyl& find, const SParaStyl& repl) {
  mask &= 31;
  if (mParas->GetCount() == 0 || mask == 0) return false;
  AdjustParaSelect(from, to);
  const long len = GetLength();
  struct Piece {
    long from, to;
  };
  std::vector<Piece> pieces;
  const long last = mParas->GetCount();
  for (long k = mParas->GetArrayIndex(from); k <= last; ++k) {
    long start = std::max(mParas->GetOffsetAt(k), from);
    long end = std::min(k < last ? mParas->GetOffsetAt(k + 1) : len, to);
    if (start > to || (start == to && !(to == len && start == mParas->GetOffsetAt(k)))) break;
    if (start > end) continue;
    SParaStyl p{};
    mParas->GetParaAt(k, p);
    if (SameParaFields(p, find, mask)) pieces.push_back({start, end});
  }
  for (const Piece& piece : pieces) SetPara(piece.from, piece.to, mask, repl);
  return !pieces.empty();
}

// ---- paragraph upkeep -----------------------------------------------------------------------------------

void CKXText::EditParaStylStart() {
  if (mParas->GetCount() > 0) return;
  SParaStyl def;
  GetParaStylDefault(def);
  mParas->InsertParaAt(1, 0, def);
}

void CKXText::EditParaStylEnd(long a, long b) {
  if (mParas->GetCount() == 0) return;
  const long len = GetLength();
  for (long x : {a, b}) {
    if (x <= 0 || IsParaStart(x)) continue;
    long k = mParas->GetArrayIndex(x);
    if (mParas->GetOffsetAt(k) != x) continue;
    long next = GetNextParaPos(x);
    bool atEnd = next >= len && !(next == len && IsParaStart(len));
    if (atEnd || (k < mParas->GetCount() && mParas->GetOffsetAt(k + 1) <= next)) {
      mParas->DeleteAt(k, 1);
      --k;
    } else {
      mParas->SetOffsetAt(k, next);
    }
    mParas->MergeSameRuns(std::max(k, 1L), k + 1);
  }
  // A run at the end of a text that does not end with a return starts no
  // paragraph (cutting runs at the end can leave one).
  while (mParas->GetCount() > 1 && mParas->GetOffsetAt(mParas->GetCount()) >= len &&
         !(mParas->GetOffsetAt(mParas->GetCount()) == len && len > 0 && IsParaStart(len)))
    mParas->DeleteAt(mParas->GetCount(), 1);
  if (mParas->GetCount() == 1) {
    SParaStyl p{}, def;
    mParas->GetParaAt(1, p);
    GetParaStylDefault(def);
    if (CKXParaArray::IsSamePara(p, def)) mParas->InitParaArray();
  }
}

bool CKXText::IsParaRunStartValid(long k) const {
  long off = mParas->GetOffsetAt(k);
  if (k == 1) return off == 0;
  const long len = GetLength();
  if (off > len || off <= mParas->GetOffsetAt(k - 1)) return false;
  return IsParaStart(off);
}

bool CKXText::CheckParaRanges(long from, long to) const {
  const long n = mParas->GetCount();
  if (n == 0) return true;
  long i = mParas->GetArrayIndex(Clamp(from));
  long j = to == 0 ? n : mParas->GetArrayIndex(Clamp(to));
  // The run after j is looked at too: its start may be what an edit broke.
  j = std::min(j + 1, n);
  for (long k = std::max(i - 1, 1L); k <= j; ++k)
    if (!IsParaRunStartValid(k)) return false;
  return true;
}

bool CKXText::RecoverParaRanges(long from, long to) {
  if (mParas->GetCount() == 0) return true;
  const long len = GetLength();
  long i = std::max(mParas->GetArrayIndex(Clamp(from)) - 1, 1L);
  long j = to == 0 ? mParas->GetCount() : std::min(mParas->GetArrayIndex(Clamp(to)) + 1, mParas->GetCount());
  for (long k = i; k <= j && k <= mParas->GetCount();) {
    if (IsParaRunStartValid(k)) {
      ++k;
      continue;
    }
    long off = mParas->GetOffsetAt(k);
    if (k == 1) {
      mParas->SetOffsetAt(1, 0);
      ++k;
      continue;
    }
    long prevRun = mParas->GetOffsetAt(k - 1);
    bool endStart = IsParaStart(len);
    if (off >= len && !(off == len && endStart)) {
      mParas->DeleteAt(k, 1);
      --j;
      continue;
    }
    long next = GetNextParaPos(off);
    bool nextOk = next < len || (next == len && endStart);
    long following = k < mParas->GetCount() ? mParas->GetOffsetAt(k + 1) : kKxMaxOffset;
    if (following < len && !IsParaStart(following)) following = GetNextParaPos(following);
    long prev = PrevParaStart(std::min(off, len));
    if (nextOk && next < following && next - off <= off - prev && next > prevRun) {
      mParas->SetOffsetAt(k, next);
      ++k;
    } else if (prev > prevRun) {
      mParas->SetOffsetAt(k, prev);
      ++k;
    } else {
      mParas->DeleteAt(k, 1);
      --j;
    }
  }
  mParas->MergeSameRuns(1, mParas->GetCount());
  EditParaStylEnd(0, 0);
  return true;
}

void CKXText::CheckParaStylDelete(long pos) {
  const long n = mParas->GetCount();
  if (n == 0) return;
  pos = Clamp(pos);
  long k = mParas->GetArrayIndex(pos);
  if (k <= 1 || k >= n || mParas->GetOffsetAt(k) != pos) return;
  if (mParas->GetOffsetAt(k + 1) != GetNextParaPos(pos)) return;
  mParas->DeleteAt(k, 1);
  if (mParas->IsSameAt(k - 1, k)) mParas->DeleteAt(k, 1);
}

void CKXText::RepairParasAfter(long from, long to) {
  if (CheckParaRanges(from, to)) return;
  EditParaStylStart();
  mParas->DeletePart(from, to);
  EditParaStylEnd(0, 0);
  // Whatever the cut left off a paragraph start is moved onto one.
  if (!CheckParaRanges(0, 0)) RecoverParaRanges(0, 0);
}
