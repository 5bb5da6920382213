#include "text/runs/ruby.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/bytefields.h"
#include "text/base/flat.h"

namespace {

long InlineLen(const SKXRuby& r) { return long(r.rubyLen) + 2; }

// Plain offset (relative to the range) where a ruby's base ends.
long BaseEnd(long base, const SKXRuby& r) { return long(r.pos) - base + r.baseLen; }

std::int32_t RecordAt(const char* p) { return static_cast<std::int32_t>(KxGetU32N(p)); }

void SetRecord(char* p, long v) { KxPutU32N(p, static_cast<std::uint32_t>(v)); }

}  // namespace

// --- flat forms and checks -------------------------------------------------------------

void KxGetRubyFlat(const unsigned char* p, SKXRuby& r, bool bigEndian) {
  r.pos = static_cast<std::int32_t>(KxFlatGet32(p, bigEndian));
  r.baseLen = p[4];
  r.rubyLen = p[5];
  std::memcpy(r.text, p + 6, sizeof r.text);
}

void KxPutRubyFlat(unsigned char* p, const SKXRuby& r, bool bigEndian) {
  KxFlatPut32(p, static_cast<std::uint32_t>(r.pos), bigEndian);
  p[4] = r.baseLen;
  p[5] = r.rubyLen;
  std::memcpy(p + 6, r.text, sizeof r.text);
}

void KxGetRubyInfoFlat(const unsigned char* p, SKXRubyInfo& r, bool bigEndian) {
  r.pos = static_cast<std::int32_t>(KxFlatGet32(p, bigEndian));
  r.baseLen = p[4];
  r.inlineLen = p[5];
  r.pad = 0;
}

void KxPutRubyInfoFlat(unsigned char* p, const SKXRubyInfo& r, bool bigEndian) {
  KxFlatPut32(p, static_cast<std::uint32_t>(r.pos), bigEndian);
  p[4] = r.baseLen;
  p[5] = r.inlineLen;
}

long KxCheckRubys(SKXRuby* rubys, long n, long textLen) {
  if (!rubys || n < 1) return 0;
  long kept = 0;
  long prevEnd = 0;
  for (long k = 0; k < n; ++k) {
    SKXRuby r = rubys[k];
    if (r.baseLen < 1 || r.baseLen > kKxRubyMaxBase || r.rubyLen > kKxRubyMaxText) continue;
    if (r.pos < prevEnd) continue;
    if (textLen >= 0 && long(r.pos) + r.baseLen > textLen) continue;
    std::memset(r.text + r.rubyLen, 0, sizeof r.text - r.rubyLen);
    rubys[kept++] = r;
    prevEnd = long(r.pos) + r.baseLen;
  }
  return kept;
}

// --- the ruby array ------------------------------------------------------------------------

void CKXRubyArray::SetRubys(const SKXRuby* items, long n) {
  if (!items || n < 1) {
    DeleteAll();
    return;
  }
  std::vector<SKXRuby> checked(items, items + n);
  n = KxCheckRubys(checked.data(), n, -1);
  SetItems(checked.data(), n);
}

void CKXRubyArray::GetRubys(SKXRuby* out, long n) const {
  if (out) GetItems(out, n);
}

long CKXRubyArray::GetRubys(long from, SKXRuby* out, long n) const { return GetPointsFrom(from, out, n); }

long CKXRubyArray::GetRubyCount(long from, long to, long* first) const { return CountInRange(from, to, first); }

namespace {

// The range's entries with their stored (absolute) positions.
std::vector<SKXRuby> RangeRubys(const CKXRubyArray& a, long from, long to) {
  if (from > to) std::swap(from, to);
  long first = 0;
  long n = a.GetRubyCount(from, to, &first);
  std::vector<SKXRuby> out(static_cast<size_t>(std::max(n, 0L)));
  for (long k = 0; k < n; ++k) a.GetRubyAt(first + k, out[size_t(k)]);
  return out;
}

}  // namespace

long CKXRubyArray::GetRubyInfo(long from, long to, SKXRubyInfo* out, long max) const {
  if (!out || max < 1) return 0;
  if (from > to) std::swap(from, to);
  std::vector<SKXRuby> r = RangeRubys(*this, from, to);
  long n = std::min(max, static_cast<long>(r.size()));
  UKXRuby::ToRubyInfo(from, r.data(), n, out);
  return n;
}

long CKXRubyArray::GetRubyInsertSize(long from, long to) const {
  std::vector<SKXRuby> r = RangeRubys(*this, from, to);
  return UKXRuby::ToRubyInfo(0, r.data(), static_cast<long>(r.size()), nullptr);
}

void CKXRubyArray::GetRubyInsertText(long from, long to, char* buf, long& len) const {
  if (!buf) return;
  if (from > to) std::swap(from, to);
  // A copy: cutting bases to the exported bytes must not touch our own.
  std::vector<SKXRuby> r = RangeRubys(*this, from, to);
  UKXRuby::AdjustRubyTarget(from, r.data(), static_cast<long>(r.size()), buf, len);
  UKXRuby::InsertRubyToText(from, r.data(), static_cast<long>(r.size()), buf, len);
}

void CKXRubyArray::GetRubyInsertPos(long from, long to, void* positions, long n, long stride) const {
  if (from > to) std::swap(from, to);
  std::vector<SKXRuby> r = RangeRubys(*this, from, to);
  UKXRuby::InsertRubyToPos(from, r.data(), static_cast<long>(r.size()), positions, n, stride);
}

void CKXRubyArray::SetRubyAt(long index, const SKXRuby& ruby) { SetAt(index, &ruby); }

bool CKXRubyArray::GetRubyAt(long index, SKXRuby& ruby) const { return FetchAt(index, &ruby); }

void CKXRubyArray::InsertRubyAt(long index, long pos, unsigned char baseLen, unsigned char rubyLen,
                                const unsigned char* text) {
  SKXRuby r{};
  r.pos = static_cast<std::int32_t>(pos);
  r.baseLen = static_cast<unsigned char>(std::min<long>(baseLen, kKxRubyMaxBase));
  r.rubyLen = static_cast<unsigned char>(std::min<long>(rubyLen, kKxRubyMaxText));
  if (text) std::memcpy(r.text, text, r.rubyLen);
  InsertAt(index, &r);
}

void CKXRubyArray::SetRuby(long from, long to, const unsigned char* text, long rubyLen) {
  if (from > to) std::swap(from, to);
  if (from < 0) from = 0;
  if (to <= from) return;
  const long end = from + std::min(to - from, kKxRubyMaxBase);
  // Every ruby whose base overlaps from..end goes; a base is at most 127
  // bytes, so only entries from there on can reach `from`.
  long lo = FirstIndexAtOrAfter(from - kKxRubyMaxBase + 1);
  long hi = FirstIndexAtOrAfter(end) - 1;
  for (long i = hi; i >= lo; --i) {
    SKXRuby r;
    GetRubyAt(i, r);
    if (long(r.pos) + r.baseLen > from) DeleteAt(i, 1);
  }
  long len = std::clamp(rubyLen, 0L, kKxRubyMaxText);
  if (len < 1) return;
  InsertRubyAt(FirstIndexAtOrAfter(from), from, static_cast<unsigned char>(end - from),
               static_cast<unsigned char>(len), text);
}

bool CKXRubyArray::GetRuby(long& from, long& to, unsigned char* text, long& rubyLen) const {
  // The last entry starting at or before `from` whose base still covers it.
  long i = FirstIndexAtOrAfter(from + 1) - 1;
  for (; i >= 1; --i) {
    SKXRuby r;
    GetRubyAt(i, r);
    if (r.pos < from - kKxRubyMaxBase) break;
    if (long(r.pos) + r.baseLen > from) {
      from = r.pos;
      to = long(r.pos) + r.baseLen;
      rubyLen = r.rubyLen;
      if (text) std::memcpy(text, r.text, sizeof r.text);
      return true;
    }
  }
  return false;
}

void CKXRubyArray::Insert(long pos, const void* items, long n, long len) {
  // Bases never overlap, so only the last entry before `pos` can hold it.
  const long before = len > 0 ? FirstIndexAtOrAfter(pos) - 1 : 0;
  SKXRuby r;
  if (before >= 1 && GetRubyAt(before, r) && long(r.pos) + r.baseLen > pos) {
    if (long(r.baseLen) + len <= kKxRubyMaxBase && (n < 1 || !items)) {
      r.baseLen = static_cast<unsigned char>(r.baseLen + len);
      SetRubyAt(before, r);
    } else {
      DeleteAt(before, 1);
    }
  }
  CKXPointArray::Insert(pos, items, n, len);
}

void CKXRubyArray::Delete(long from, long to, long textLen) {
  if (from > to) std::swap(from, to);
  if (from == to || mCount == 0) return;
  if (to - from < textLen) {
    long lo = FirstIndexAtOrAfter(from - kKxRubyMaxBase + 1);
    long hi = FirstIndexAtOrAfter(from) - 1;
    for (long i = lo; i <= hi; ++i) {
      SKXRuby r;
      GetRubyAt(i, r);
      long end = long(r.pos) + r.baseLen;
      if (end > from) {
        r.baseLen = static_cast<unsigned char>(r.baseLen - (std::min(end, to) - from));
        SetRubyAt(i, r);
      }
    }
  }
  CKXPointArray::Delete(from, to, textLen);
}

// --- conversions ----------------------------------------------------------------------------------

long UKXRuby::ToRubyInfo(long base, const SKXRuby* rubys, long n, SKXRubyInfo* infos) {
  long added = 0;
  for (long k = 0; rubys && k < n; ++k) {
    if (infos) {
      infos[k].pos = static_cast<std::int32_t>(added + rubys[k].pos - base);
      infos[k].baseLen = rubys[k].baseLen;
      infos[k].inlineLen = static_cast<unsigned char>(InlineLen(rubys[k]));
      infos[k].pad = 0;
    }
    added += InlineLen(rubys[k]);
  }
  return added;
}

bool UKXRuby::AdjustRubyTarget(long base, SKXRuby* rubys, long n, const char* text, long len,
                               const SKXCutScript& script) {
  bool cut = false;
  for (long k = 0; rubys && k < n; ++k) {
    SKXRuby& r = rubys[k];
    long start = long(r.pos) - base;
    long end = std::min(start + r.baseLen, len);
    if (start < 0 || start >= len) end = start = 0;
    for (long i = start; text && i < end; ++i) {
      if (static_cast<unsigned char>(text[i]) < 32) {
        end = i;
        break;
      }
    }
    // A base never ends on the first byte of a character.
    if (text && end > start && end > 0 &&
        KxTextCharByte(text, static_cast<std::int32_t>(end - 1), script.At(end - 1)) == kByteFirst)
      --end;
    long keep = std::max(end - start, 0L);
    if (keep != r.baseLen) {
      r.baseLen = static_cast<unsigned char>(keep);
      cut = true;
    }
  }
  return cut;
}

void UKXRuby::InsertRubyToText(long base, const SKXRuby* rubys, long n, char* text, long& len) {
  if (!rubys || !text || n < 1) return;
  // Where each inline part goes, in plain offsets; parts that would land
  // outside the text or out of order are left out.
  std::vector<std::pair<long, long>> at;  // (offset, ruby index)
  long added = 0, last = 0;
  for (long k = 0; k < n; ++k) {
    long e = BaseEnd(base, rubys[k]);
    if (e < last || e > len) continue;
    at.emplace_back(e, k);
    added += InlineLen(rubys[k]);
    last = e;
  }
  // From the back, so that every byte moves once.
  long src = len, dst = len + added;
  for (auto it = at.rbegin(); it != at.rend(); ++it) {
    const SKXRuby& r = rubys[it->second];
    long seg = src - it->first;
    dst -= seg;
    std::memmove(text + dst, text + it->first, static_cast<size_t>(seg));
    dst -= InlineLen(r);
    text[dst] = '(';
    std::memcpy(text + dst + 1, r.text, r.rubyLen);
    text[dst + 1 + r.rubyLen] = ')';
    src = it->first;
  }
  len += added;
}

void UKXRuby::DeleteRubyFromText(long base, const SKXRuby* rubys, long n, char* text, long& len) {
  if (!rubys || !text || n < 1) return;
  long r = 0, w = 0, removed = 0;
  for (long k = 0; k < n; ++k) {
    long s = BaseEnd(base, rubys[k]) + removed;
    long il = InlineLen(rubys[k]);
    if (s < r || s + il > len) continue;
    std::memmove(text + w, text + r, static_cast<size_t>(s - r));
    w += s - r;
    r = s + il;
    removed += il;
  }
  std::memmove(text + w, text + r, static_cast<size_t>(len - r));
  len = w + (len - r);
}

void UKXRuby::InsertRubyToPos(long base, const SKXRuby* rubys, long n, void* positions, long count, long stride) {
  if (!rubys || n < 1 || !positions || count < 1 || stride < 4) return;
  char* p = static_cast<char*>(positions);
  if (count == 1 && RecordAt(p) == 0) return;
  long k = 0, shift = 0;
  for (long i = 0; i < count; ++i, p += stride) {
    long rec = RecordAt(p);
    while (k < n && BaseEnd(base, rubys[k]) <= rec) shift += InlineLen(rubys[k++]);
    SetRecord(p, rec + shift);
  }
}

void UKXRuby::DeleteRubyFromPos(long base, const SKXRuby* rubys, long n, void* positions, long count, long stride) {
  if (!rubys || n < 1 || !positions || count < 1 || stride < 4) return;
  char* p = static_cast<char*>(positions);
  if (count == 1 && RecordAt(p) == 0) return;
  long k = 0, shift = 0;
  for (long i = 0; i < count; ++i, p += stride) {
    long rec = RecordAt(p);
    // Skip every inline part that ends at or before the record.
    while (k < n && BaseEnd(base, rubys[k]) + shift + InlineLen(rubys[k]) <= rec) shift += InlineLen(rubys[k++]);
    long partStart = k < n ? BaseEnd(base, rubys[k]) + shift : rec;
    // A record inside an inline part goes to the end of its base.
    SetRecord(p, (rec > partStart ? partStart : rec) - shift);
  }
}

long UKXRuby::FromRubyInfo(const SKXRubyInfo* infos, long n, const char* text, long textLen, SKXRuby* rubys,
                           long* count) {
  long removed = 0, produced = 0, nextMin = 0;
  for (long k = 0; infos && text && k < n; ++k) {
    const long p = infos[k].pos;
    const long b = infos[k].baseLen;
    const long il = infos[k].inlineLen;
    if (p < nextMin) continue;
    if (b < 1 || b > kKxRubyMaxBase || il < 2 || il > kKxRubyMaxText + 2) continue;
    if (p + b + il > textLen) continue;
    if (text[p + b] != '(' || text[p + b + il - 1] != ')') continue;
    if (rubys) {
      SKXRuby& r = rubys[produced];
      std::memset(&r, 0, sizeof r);
      r.pos = static_cast<std::int32_t>(p - removed);
      r.baseLen = static_cast<unsigned char>(b);
      r.rubyLen = static_cast<unsigned char>(il - 2);
      std::memcpy(r.text, text + p + b + 1, static_cast<size_t>(il - 2));
    }
    ++produced;
    removed += il;
    nextMin = p + b + il;
  }
  if (count) *count = produced;
  return removed;
}

// ---- ruby on plain arrays ----------------------------------------------------------------------------------

long UKXRuby_FromRubyInfo(const SKXRubyInfo* infos, std::int32_t n, const char* text, long textLen, SKXRuby* rubys,
                          long* count) {
  return UKXRuby::FromRubyInfo(infos, n, text, textLen, rubys, count);
}
void UKXRuby_DeleteRubyFromText(long base, const SKXRuby* rubys, std::int32_t n, char* text, long& length) {
  UKXRuby::DeleteRubyFromText(base, rubys, n, text, length);
}
void UKXRuby_DeleteRubyFromPos(long base, const SKXRuby* rubys, std::int32_t n, void* positions, long count,
                               long stride) {
  UKXRuby::DeleteRubyFromPos(base, rubys, n, positions, count, stride);
}
