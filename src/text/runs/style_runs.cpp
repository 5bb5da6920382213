#include "text/runs/runs.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/fonts.h"
#include "text/codes/script.h"
#include "text/runs/run_clean.h"

using kx_runs::CleanCopy;

namespace {

// Integer metrics of (font, size, face), from the font registry.
void FontMetrics(short font, short size, unsigned char face, short& ascent, short& descent, short& leading) {
  const KxFontInfo info = KxFontGetInfo(font, size, face);
  auto clamp = [](std::int32_t v) { return static_cast<short>(std::clamp<std::int32_t>(v, 0, 32767)); };
  ascent = clamp(info.ascent);
  descent = clamp(info.descent);
  leading = clamp(info.leading);
}

}  // namespace

// --- style runs --------------------------------------------------------------------------------

CKXStylArray::CKXStylArray() : CKXPosArray(sizeof(SKXStyl)) { InitStylArray(kKxApplicationFont, kKxDefaultFontSize, 0); }

void CKXStylArray::InitStylArray(short font, short size, unsigned char face) {
  DeleteAll();
  SKXStyl r;
  std::memset(&r, 0, sizeof r);
  r.styl.font = font == kKxApplicationFont ? KxGetAppFont() : font == kKxSystemFont ? KxGetSysFont() : font;
  r.styl.size = size;
  r.styl.face = face;
  SetHeightAscent(r.styl);
  InsertAt(1, &r);
}

void CKXStylArray::SetHeightAscent(SStyl& s) {
  short ascent, descent, leading;
  FontMetrics(s.font, s.size, s.face, ascent, descent, leading);
  s.height = static_cast<std::int16_t>(std::min(ascent + descent + leading, 32767));
  s.ascent = ascent;
}

void CKXStylArray::SetStylType(SStyl& s, short code, const SStyl& src) {
  auto toggle = [&s](std::uint8_t bits) {
    if (bits == 0) {
      s.face = 0;
    } else if (s.face & bits) {
      s.face = static_cast<std::uint8_t>(s.face & ~bits);
    } else {
      s.face = static_cast<std::uint8_t>(s.face | bits);
      if ((bits & kFaceCondense) && !(bits & kFaceExtend)) s.face &= static_cast<std::uint8_t>(~kFaceExtend);
      if ((bits & kFaceExtend) && !(bits & kFaceCondense)) s.face &= static_cast<std::uint8_t>(~kFaceCondense);
    }
  };
  switch (code) {
    case kKXStylTypeFont:
      s.font = src.font;
      s.height = 0;
      break;
    case kKXStylTypeFace:
      toggle(src.face);
      break;
    case kKXStylTypeFaceOn:
      s.face = static_cast<std::uint8_t>(s.face & ~src.face);
      toggle(src.face);
      break;
    case kKXStylTypeSize:
      s.size = src.size;
      s.height = 0;
      break;
    case kKXStylTypeColor:
      s.color = src.color;
      break;
    case kKXStylTypeHeight:
      s.height = src.height;
      break;
    case kKXStylTypeAscent:
      s.ascent = src.ascent;
      break;
    default:
      break;
  }
}

short CKXStylArray::GetScriptAt(long offset) const {
  SStyl s;
  GetStylAt(GetArrayIndex(offset), s);
  return KxFontToScriptType(s.font);
}

short CKXStylCutScript::At(const void* self, long offset) {
  auto* me = static_cast<const CKXStylCutScript*>(self);
  if (!me->mRuns || me->mCount < 1) return 1;
  long i = CKXPosArray::FindArrayIndex(offset, me->mRuns, sizeof(SKXStyl), me->mCount);
  return KxFontToScriptType(me->mRuns[i - 1].styl.font);
}

void CKXStylArray::GetTextStyls(SKXStyl* out, long n) const { GetItems(out, n); }
void CKXStylArray::GetTextStyls(long from, SKXStyl* out, long n) const { GetItems(from, out, n); }
void CKXStylArray::SetTextStyls(const SKXStyl* runs, long n) { SetItems(runs, n); }

void CKXStylArray::GetStylAt(long index, SStyl& s) const { GetElementAt(index, &s); }

void CKXStylArray::SetStylAt(long index, const SStyl& s) {
  SStyl copy = s;
  KxNormalizeStyl(copy);
  SetElementAt(index, &copy);
}

void CKXStylArray::InsertStylAt(long index, long offset, const SStyl& s) {
  SKXStyl r{static_cast<std::int32_t>(offset), s};
  KxNormalizeStyl(r.styl);
  InsertAt(index, &r);
}

void CKXStylArray::InsertStylAt(long index, long offset, const SStyl& s, long len, long limit) {
  SKXStyl r{static_cast<std::int32_t>(offset), s};
  KxNormalizeStyl(r.styl);
  CompareInsertAt(index, &r, len, limit);
}

void CKXStylArray::SetItems(const void* items, long n) {
  std::vector<SKXStyl> v = CleanCopy<SKXStyl>(items, n, -1);
  CKXPosArray::SetItems(v.data(), static_cast<long>(v.size()));
}

void CKXStylArray::Insert(long pos, const void* items, long n, long len) {
  std::vector<SKXStyl> v = CleanCopy<SKXStyl>(items, n, len);
  CKXPosArray::Insert(pos, v.data(), static_cast<long>(v.size()), len);
}

void CKXStylArray::Delete(long from, long to, long textLen) {
  if (from > to) std::swap(from, to);
  if (!KeepFirstRunOnly(from, to, textLen)) CKXPosArray::Delete(from, to, textLen);
}

std::vector<SKXScriptRun> KxScriptRunsOf(const SKXStyl* styls, long stylCount) {
  std::vector<SKXScriptRun> runs;
  for (long k = 0; styls && k < stylCount; ++k) runs.push_back({styls[k].offset, KxFontToScriptType(styls[k].styl.font)});
  return runs;
}
