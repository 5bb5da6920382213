#include "text/runs/runs.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "text/runs/run_clean.h"

using kx_runs::CleanCopy;

// --- paragraph runs --------------------------------------------------------------------------------

CKXParaArray::CKXParaArray() : CKXPosArray(sizeof(SKXPara)) {}

bool CKXParaArray::IsSamePara(const SParaStyl& a, const SParaStyl& b) {
  return std::memcmp(&a, &b, sizeof(SParaStyl)) == 0;
}

bool CKXParaArray::IsSameAt(long i, long j) const { return CKXPosArray::IsSameAt(i, j); }

long CKXParaArray::GetParaTabType(long kinds, short n) {
  if (n < 1 || n > kKxMaxTabs) return 0;
  return (static_cast<unsigned long>(kinds) >> (2 * (n - 1))) & 3;
}

void CKXParaArray::SetParaTabType(long& kinds, short n, long kind) {
  if (n < 1 || n > kKxMaxTabs) return;
  auto k = static_cast<std::uint32_t>(kinds);
  int shift = 2 * (n - 1);
  k = (k & ~(3u << shift)) | ((static_cast<std::uint32_t>(kind) & 3u) << shift);
  kinds = static_cast<long>(k);
}

void CKXParaArray::SetParaType(SParaStyl& p, short mask, const SParaStyl& src) {
  KxNormalizePara(p);
  if (mask == kKXParaTypeTabInsert || mask == kKXParaTypeTabDelete) {
    const long x = src.tabPos[0];
    const long kind = GetParaTabType(src.tabKinds, 1);
    long kinds = p.tabKinds;
    int count = p.tabCount;
    int k = 0;  // 1-based; 0 = none
    for (int t = 1; t <= count; ++t) {
      if (p.tabPos[t - 1] >= x - 2) {
        k = t;
        break;
      }
    }
    const bool insert = mask == kKXParaTypeTabInsert;
    if (k == 0) {
      if (insert && count < kKxMaxTabs) {
        p.tabPos[count] = static_cast<std::int16_t>(x);
        SetParaTabType(kinds, static_cast<short>(count + 1), kind);
        ++count;
      }
    } else if (p.tabPos[k - 1] > x + 2) {
      if (insert && count < kKxMaxTabs) {
        for (int t = count; t >= k; --t) {
          p.tabPos[t] = p.tabPos[t - 1];
          SetParaTabType(kinds, static_cast<short>(t + 1), GetParaTabType(kinds, static_cast<short>(t)));
        }
        p.tabPos[k - 1] = static_cast<std::int16_t>(x);
        SetParaTabType(kinds, static_cast<short>(k), kind);
        ++count;
      }
    } else if (insert) {
      p.tabPos[k - 1] = static_cast<std::int16_t>(x);
      SetParaTabType(kinds, static_cast<short>(k), kind);
    } else {
      for (int t = k; t < count; ++t) {
        p.tabPos[t - 1] = p.tabPos[t];
        SetParaTabType(kinds, static_cast<short>(t), GetParaTabType(kinds, static_cast<short>(t + 1)));
      }
      p.tabPos[count - 1] = 0;
      SetParaTabType(kinds, static_cast<short>(count), 0);
      --count;
    }
    p.tabKinds = static_cast<std::uint32_t>(kinds);
    p.tabCount = static_cast<std::uint8_t>(count);
    KxNormalizePara(p);
    return;
  }
  if (mask & kKXParaTypeIndent) {
    p.firstIndent = src.firstIndent;
    p.leftIndent = src.leftIndent;
    p.rightIndent = src.rightIndent;
  }
  if (mask & kKXParaTypeLineSpace) p.lineSpace = src.lineSpace;
  if (mask & kKXParaTypeCharSpace) p.charSpace = src.charSpace;
  if (mask & kKXParaTypeJustify) p.justify = src.justify;
  if (mask & kKXParaTypeTabs) {
    p.tabCount = std::min<std::uint8_t>(src.tabCount, kKxMaxTabs);
    p.tabKinds = src.tabKinds;
    for (int t = 0; t < kKxMaxTabs; ++t) p.tabPos[t] = t < p.tabCount ? src.tabPos[t] : 0;
    p.tabLeaders = src.tabLeaders;
  }
  KxNormalizePara(p);
}

void CKXParaArray::GetTextParas(SKXPara* out, long n) const { GetItems(out, n); }
void CKXParaArray::GetTextParas(long from, SKXPara* out, long n) const { GetItems(from, out, n); }
void CKXParaArray::SetTextParas(const SKXPara* runs, long n) { SetItems(runs, n); }

void CKXParaArray::GetParaAt(long index, SParaStyl& p) const { GetElementAt(index, &p); }

void CKXParaArray::SetParaAt(long index, const SParaStyl& p) {
  SParaStyl copy = p;
  KxNormalizePara(copy);
  SetElementAt(index, &copy);
}

void CKXParaArray::InsertParaAt(long index, long offset, const SParaStyl& p) {
  SKXPara r{static_cast<std::int32_t>(offset), p};
  KxNormalizePara(r.para);
  InsertAt(index, &r);
}

void CKXParaArray::InsertParaAt(long index, long offset, const SParaStyl& p, long len, long limit) {
  SKXPara r{static_cast<std::int32_t>(offset), p};
  KxNormalizePara(r.para);
  CompareInsertAt(index, &r, len, limit);
}

void CKXParaArray::SetItems(const void* items, long n) {
  std::vector<SKXPara> v = CleanCopy<SKXPara>(items, n, -1);
  CKXPosArray::SetItems(v.data(), static_cast<long>(v.size()));
}

void CKXParaArray::Copy(long from, long to, CKXPosArray* dest) const {
  if (!dest) return;
  if (mCount == 0) {
    dest->DeleteAll();
    return;
  }
  CKXPosArray::Copy(from, to, dest);
}

void CKXParaArray::Insert(long pos, const CKXPosArray* src, long len) { CKXPosArray::Insert(pos, src, len); }

void CKXParaArray::Insert(long pos, const void* items, long n, long len) {
  std::vector<SKXPara> v = CleanCopy<SKXPara>(items, n, len == 0 ? -1 : len);
  if (v.empty()) return;
  if (len != 0) {
    CKXPosArray::Insert(pos, v.data(), static_cast<long>(v.size()), len);
    return;
  }
  // A style for an insertion point: the run there takes it.
  if (mCount == 0) {
    SKXPara def;
    std::memset(&def, 0, sizeof def);
    InsertAt(1, &def);
  }
  long i = GetArrayIndex(pos);
  if (pos > GetOffsetAt(i)) {
    DivideAt(i, pos);
    ++i;
  }
  SetElementAt(i, &v[0].para);
  if (IsSameAt(i, i + 1)) DeleteAt(i + 1, 1);
  if (i > 1 && IsSameAt(i - 1, i)) DeleteAt(i, 1);
}

void CKXParaArray::Delete(long from, long to, long textLen) {
  if (from > to) std::swap(from, to);
  if (!KeepFirstRunOnly(from, to, textLen)) CKXPosArray::Delete(from, to, textLen);
}

void CKXParaArray::DeletePart(long from, long to) {
  if (mCount == 0) return;
  if (from > to) std::swap(from, to);
  long i = GetArrayIndex(from);
  long j = GetArrayIndex(to);
  if (i < j && GetOffsetAt(j) == to) {
    --j;
  } else if (to > GetOffsetAt(j)) {
    DivideAt(j, to);
  }
  DeleteAt(i, j - i + 1);
  if (mCount == 0) return;
  if (i == 1) {
    SetOffsetAt(1, 0);
  } else if (i <= mCount && IsSameAt(i - 1, i)) {
    DeleteAt(i, 1);
  }
}
