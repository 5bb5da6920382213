#include "text/runs/runs.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/core.h"
#include "platform/exception.h"
#include "platform/fonts.h"
#include "text/base/flat.h"
#include "text/runs/pictures.h"
#include "text/codes/script.h"

// --- font services ---------------------------------------------------------------------
//
// Everything the runs ask of fonts goes through these few functions.

short KxStylFontScript(short font) { return KxFontToScriptType(font); }

namespace {

short AppFont() { return KxGetAppFont(); }
short SysFont() { return KxGetSysFont(); }

// Integer metrics of (font, size, face), from the font registry.
void FontMetrics(short font, short size, unsigned char face, short& ascent, short& descent, short& leading) {
  const KxFontInfo info = KxFontGetInfo(font, size, face);
  auto clamp = [](std::int32_t v) { return static_cast<short>(std::clamp<std::int32_t>(v, 0, 32767)); };
  ascent = clamp(info.ascent);
  descent = clamp(info.descent);
  leading = clamp(info.leading);
}

}  // namespace

// --- flat forms ---------------------------------------------------------------------------

void KxGetStylFlat(const unsigned char* p, SStyl& s, bool big) {
  s.height = static_cast<std::int16_t>(KxFlatGet16(p, big));
  s.ascent = static_cast<std::int16_t>(KxFlatGet16(p + 2, big));
  s.font = static_cast<std::int16_t>(KxFlatGet16(p + 4, big));
  s.face = p[6];
  s.filler = p[7];
  s.size = static_cast<std::int16_t>(KxFlatGet16(p + 8, big));
  s.color.red = KxFlatGet16(p + 10, big);
  s.color.green = KxFlatGet16(p + 12, big);
  s.color.blue = KxFlatGet16(p + 14, big);
}

void KxPutStylFlat(unsigned char* p, const SStyl& s, bool big) {
  KxFlatPut16(p, static_cast<std::uint16_t>(s.height), big);
  KxFlatPut16(p + 2, static_cast<std::uint16_t>(s.ascent), big);
  KxFlatPut16(p + 4, static_cast<std::uint16_t>(s.font), big);
  p[6] = s.face;
  p[7] = s.filler;
  KxFlatPut16(p + 8, static_cast<std::uint16_t>(s.size), big);
  KxFlatPut16(p + 10, s.color.red, big);
  KxFlatPut16(p + 12, s.color.green, big);
  KxFlatPut16(p + 14, s.color.blue, big);
}

void KxGetDecoFlat(const unsigned char* p, SDeco& d, bool big) {
  d.lineBits = KxFlatGet16(p, big);
  d.net = p[2];
  d.flags = p[3];
  d.pictID = static_cast<std::int16_t>(KxFlatGet16(p + 4, big));
}

void KxPutDecoFlat(unsigned char* p, const SDeco& d, bool big) {
  KxFlatPut16(p, d.lineBits, big);
  p[2] = d.net;
  p[3] = d.flags;
  KxFlatPut16(p + 4, static_cast<std::uint16_t>(d.pictID), big);
}

void KxGetParaFlat(const unsigned char* p, SParaStyl& s, bool big) {
  s.firstIndent = static_cast<std::int16_t>(KxFlatGet16(p, big));
  s.leftIndent = static_cast<std::int16_t>(KxFlatGet16(p + 2, big));
  s.rightIndent = static_cast<std::int16_t>(KxFlatGet16(p + 4, big));
  s.lineSpace = static_cast<std::int16_t>(KxFlatGet16(p + 6, big));
  s.charSpace = static_cast<std::int16_t>(KxFlatGet16(p + 8, big));
  s.justify = p[10];
  s.tabCount = p[11];
  s.tabKinds = KxFlatGet32(p + 12, big);
  for (int k = 0; k < kKxMaxTabs; ++k) s.tabPos[k] = static_cast<std::int16_t>(KxFlatGet16(p + 16 + 2 * k, big));
  s.tabLeaders = KxFlatGet32(p + 48, big);
  std::memcpy(s.reserved, p + 52, sizeof s.reserved);
}

void KxPutParaFlat(unsigned char* p, const SParaStyl& s, bool big) {
  KxFlatPut16(p, static_cast<std::uint16_t>(s.firstIndent), big);
  KxFlatPut16(p + 2, static_cast<std::uint16_t>(s.leftIndent), big);
  KxFlatPut16(p + 4, static_cast<std::uint16_t>(s.rightIndent), big);
  KxFlatPut16(p + 6, static_cast<std::uint16_t>(s.lineSpace), big);
  KxFlatPut16(p + 8, static_cast<std::uint16_t>(s.charSpace), big);
  p[10] = s.justify;
  p[11] = s.tabCount;
  KxFlatPut32(p + 12, s.tabKinds, big);
  for (int k = 0; k < kKxMaxTabs; ++k) KxFlatPut16(p + 16 + 2 * k, static_cast<std::uint16_t>(s.tabPos[k]), big);
  KxFlatPut32(p + 48, s.tabLeaders, big);
  std::memcpy(p + 52, s.reserved, sizeof s.reserved);
}

void KxGetStylRunFlat(const unsigned char* p, SKXStyl& r, bool big) {
  r.offset = static_cast<std::int32_t>(KxFlatGet32(p, big));
  KxGetStylFlat(p + 4, r.styl, big);
}

void KxPutStylRunFlat(unsigned char* p, const SKXStyl& r, bool big) {
  KxFlatPut32(p, static_cast<std::uint32_t>(r.offset), big);
  KxPutStylFlat(p + 4, r.styl, big);
}

void KxGetDecoRunFlat(const unsigned char* p, SKXDeco& r, bool big) {
  r.offset = static_cast<std::int32_t>(KxFlatGet32(p, big));
  KxGetDecoFlat(p + 4, r.deco, big);
  r.pad = 0;
}

void KxPutDecoRunFlat(unsigned char* p, const SKXDeco& r, bool big) {
  KxFlatPut32(p, static_cast<std::uint32_t>(r.offset), big);
  KxPutDecoFlat(p + 4, r.deco, big);
}

void KxGetParaRunFlat(const unsigned char* p, SKXPara& r, bool big) {
  r.offset = static_cast<std::int32_t>(KxFlatGet32(p, big));
  KxGetParaFlat(p + 4, r.para, big);
}

void KxPutParaRunFlat(unsigned char* p, const SKXPara& r, bool big) {
  KxFlatPut32(p, static_cast<std::uint32_t>(r.offset), big);
  KxPutParaFlat(p + 4, r.para, big);
}

// --- checks ---------------------------------------------------------------------------------

void KxNormalizeStyl(SStyl& s) { s.filler = 0; }

void KxNormalizeDeco(SKXDeco& d) { d.pad = 0; }

void KxNormalizePara(SParaStyl& p) {
  if (p.tabCount > kKxMaxTabs) p.tabCount = kKxMaxTabs;
  for (int k = p.tabCount; k < kKxMaxTabs; ++k) p.tabPos[k] = 0;
  std::uint32_t used = p.tabCount >= kKxMaxTabs ? 0xFFFFFFFFu : (1u << (2 * p.tabCount)) - 1;
  p.tabKinds &= used;
  p.tabLeaders &= used;
  std::memset(p.reserved, 0, sizeof p.reserved);
}

namespace {

void Normalize(SKXStyl& r) { KxNormalizeStyl(r.styl); }
void Normalize(SKXDeco& r) { KxNormalizeDeco(r); }
void Normalize(SKXPara& r) { KxNormalizePara(r.para); }

template <typename Run>
bool SameElement(const Run& a, const Run& b) {
  return std::memcmp(reinterpret_cast<const char*>(&a) + 4, reinterpret_cast<const char*>(&b) + 4,
                     sizeof(Run) - 4) == 0;
}

// The common cleaning of a run list: offsets within 0..limit (limit < 0: no
// limit), ascending, the first at 0; equal neighbours merged.
template <typename Run>
long CleanRuns(Run* runs, long n, long limit) {
  if (!runs || n < 1) return 0;
  long kept = 0;
  for (long k = 0; k < n; ++k) {
    Run r = runs[k];
    Normalize(r);
    if (kept == 0) {
      r.offset = 0;
    } else {
      if (r.offset <= runs[kept - 1].offset || (limit >= 0 && r.offset >= limit)) continue;
      if (SameElement(r, runs[kept - 1])) continue;
    }
    runs[kept++] = r;
  }
  return kept;
}

template <typename Run>
std::vector<Run> CleanCopy(const void* items, long n, long limit) {
  std::vector<Run> v;
  if (!items || n < 1) return v;
  v.resize(static_cast<size_t>(n));
  std::memcpy(v.data(), items, static_cast<size_t>(n) * sizeof(Run));
  v.resize(static_cast<size_t>(CleanRuns(v.data(), n, limit)));
  return v;
}

// Sets a flag for a scope.
class StFlag {
 public:
  StFlag(unsigned char* flag) : mFlag(flag), mOld(flag ? *flag : 0) {
    if (mFlag) *mFlag = 1;
  }
  ~StFlag() {
    if (mFlag) *mFlag = mOld;
  }
  StFlag(const StFlag&) = delete;
  StFlag& operator=(const StFlag&) = delete;

 private:
  unsigned char* mFlag;
  unsigned char mOld;
};

}  // namespace

long KxCheckStylRuns(SKXStyl* runs, long n, long textLen) { return CleanRuns(runs, n, textLen); }

long KxCheckParaRuns(SKXPara* runs, long n, long textLen) { return CleanRuns(runs, n, textLen); }

long KxCheckDecoRuns(SKXDeco* runs, long n, long textLen, const CKXStrArray* text) {
  // Pictures first: merging must not join a picture run with its neighbour.
  // The first run starts at 0 whatever the list says, so its span is
  // judged from there; an ID that came before names one picture only once.
  if (runs && n > 0) runs[0].offset = 0;
  std::vector<bool> seen;
  for (long k = 0; runs && text && k < n; ++k) {
    const short id = runs[k].deco.pictID;
    if (id == 0) continue;
    long start = runs[k].offset;
    long end = k + 1 < n ? runs[k + 1].offset : textLen;
    seen.resize(size_t(CKXPictArray::kMaxPictureID) + 1);
    if (end - start != 1 || text->GetChar(start, 0) != kKxPictureByte || id < 0 || seen[size_t(id)])
      runs[k].deco.pictID = 0;
    else
      seen[size_t(id)] = true;
  }
  return CleanRuns(runs, n, textLen);
}

// --- style runs --------------------------------------------------------------------------------

CKXStylArray::CKXStylArray() : CKXPosArray(sizeof(SKXStyl)) { InitStylArray(kKxApplicationFont, kKxDefaultFontSize, 0); }

void CKXStylArray::InitStylArray(short font, short size, unsigned char face) {
  DeleteAll();
  SKXStyl r;
  std::memset(&r, 0, sizeof r);
  r.styl.font = font == kKxApplicationFont ? AppFont() : font == kKxSystemFont ? SysFont() : font;
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
  return KxStylFontScript(s.font);
}

short CKXStylCutScript::At(const void* self, long offset) {
  auto* me = static_cast<const CKXStylCutScript*>(self);
  if (!me->mRuns || me->mCount < 1) return 1;
  long i = CKXPosArray::FindArrayIndex(offset, me->mRuns, sizeof(SKXStyl), me->mCount);
  return KxStylFontScript(me->mRuns[i - 1].styl.font);
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

// --- decoration runs -------------------------------------------------------------------------------

CKXDecoArray::CKXDecoArray() : CKXPosArray(sizeof(SKXDeco)) { InitDecoArray(0, 0, 0); }

CKXDecoArray::~CKXDecoArray() { CKXDecoArray::DeleteAll(); }

void CKXDecoArray::Initialize() {
  if (!gKXPictManager) gKXPictManager = new CKXPictArray;
  CKXRubyArray::Initialize();
}

void CKXDecoArray::Terminate() {
  CKXRubyArray::Terminate();
  delete gKXPictManager;
  gKXPictManager = nullptr;
}

void CKXDecoArray::InitDecoArray(unsigned short lineBits, unsigned char net, unsigned char flags) {
  DeleteAll();
  SKXDeco r{0, SDeco{lineBits, net, flags, 0}, 0};
  InsertAt(1, &r);
}

void CKXDecoArray::SetDecoType(SDeco& d, short code, const SDeco& src) {
  const unsigned v = src.lineBits;
  auto kind = [&d](int shift) { return (d.lineBits >> shift) & 7u; };
  auto setKind = [&d](int shift, unsigned k) {
    d.lineBits = static_cast<std::uint16_t>((d.lineBits & ~(7u << shift)) | ((k & 7u) << shift));
  };
  switch (code) {
    case kKXDecoTypeInterLine:
      if (v == 0)
        d.lineBits = static_cast<std::uint16_t>(d.lineBits & ~0x0FF8u);
      else
        d.lineBits = static_cast<std::uint16_t>((d.lineBits & ~7u) | v);
      break;
    case kKXDecoTypeUnderLine: setKind(3, kind(3) == v ? 0 : v); break;
    case kKXDecoTypeCenterLine: setKind(6, kind(6) == v ? 0 : v); break;
    case kKXDecoTypeUpperLine: setKind(9, kind(9) == v ? 0 : v); break;
    case kKXDecoTypeSet + kKXDecoTypeUnderLine: setKind(3, v); break;
    case kKXDecoTypeSet + kKXDecoTypeCenterLine: setKind(6, v); break;
    case kKXDecoTypeSet + kKXDecoTypeUpperLine: setKind(9, v); break;
    case kKXDecoTypeLineColor:
      d.lineBits = static_cast<std::uint16_t>((d.lineBits & 0x0FFFu) | ((v & 15u) << 12));
      break;
    case kKXDecoTypeNetStyle: d.net = static_cast<std::uint8_t>((d.net & 0xF0) | (src.net & 0x0F)); break;
    case kKXDecoTypeNetColor: d.net = static_cast<std::uint8_t>((d.net & 0x0F) | ((src.net & 0x0F) << 4)); break;
    case kKXDecoTypeStyle: d.flags = d.flags == src.flags ? 0 : src.flags; break;
    case kKXDecoTypeSet + kKXDecoTypeStyle: d.flags = src.flags; break;
    case kKXDecoTypePicture: d.pictID = src.pictID; break;
    default: break;
  }
}

void CKXDecoArray::GetTextDecos(SKXDeco* out, long n) const { GetItems(out, n); }
void CKXDecoArray::GetTextDecos(long from, SKXDeco* out, long n) const { GetItems(from, out, n); }
void CKXDecoArray::SetTextDecos(const SKXDeco* runs, long n) { SetItems(runs, n); }

void CKXDecoArray::GetDecoAt(long index, SDeco& d) const {
  SKXDeco r;
  if (FetchItemAt(index, &r))
    d = r.deco;
  else
    d = SDeco{0, 0, 0, 0};
}

void CKXDecoArray::SetDecoAt(long index, const SDeco& d) {
  SKXDeco r;
  if (!FetchItemAt(index, &r)) return;
  r.deco = d;
  r.pad = 0;
  SetItemAt(index, &r);
}

void CKXDecoArray::InsertDecoAt(long index, long offset, const SDeco& d) {
  SKXDeco r{static_cast<std::int32_t>(offset), d, 0};
  InsertAt(index, &r);
}

void CKXDecoArray::InsertDecoAt(long index, long offset, const SDeco& d, long len, long limit) {
  SKXDeco r{static_cast<std::int32_t>(offset), d, 0};
  CompareInsertAt(index, &r, len, limit);
}

PicHandle CKXDecoArray::GetPictureAt(long index, short& width, short& height) const {
  SDeco d;
  GetDecoAt(index, d);
  return GetPicture(d.pictID, width, height);
}

// Pictures.

short CKXDecoArray::SetPicture(PicHandle pict) { return gKXPictManager ? gKXPictManager->SetPicture(pict) : 0; }

PicHandle CKXDecoArray::GetPicture(short id, short& width, short& height) {
  width = height = 0;
  return gKXPictManager && id != 0 ? gKXPictManager->GetPicture(id, &width, &height) : nullptr;
}

short CKXDecoArray::DuplicatePicture(short id) {
  return gKXPictManager && id != 0 ? gKXPictManager->DuplicatePicture(id) : 0;
}

PicHandle CKXDecoArray::GetPictureSize(short id, short& a, short& b, bool swap) {
  PicHandle p = GetPicture(id, a, b);
  if (swap) std::swap(a, b);
  return p;
}

void CKXDecoArray::ReleasePicture(short id) const {
  if (id != 0 && !mReferToPicture && gKXPictManager) gKXPictManager->DeletePicture(id);
}

void CKXDecoArray::FreeElementsAt(long index, long n) {
  for (long k = index; k < index + n; ++k) {
    SDeco d;
    GetDecoAt(k, d);
    ReleasePicture(d.pictID);
  }
}

void CKXDecoArray::DivideAt(long index, long offset) {
  CKXPosArray::DivideAt(index, offset);
  SDeco d;
  GetDecoAt(index + 1, d);
  if (d.pictID != 0) {
    d.pictID = 0;
    SetDecoAt(index + 1, d);
  }
}

void CKXDecoArray::NewElementsAt(long index, long n) {
  if (!mCopyingElements || mReferToPicture) return;
  for (long k = index; k < index + n && k <= mCount; ++k) {
    SDeco d;
    GetDecoAt(k, d);
    if (d.pictID == 0) continue;
    // A copy owns a picture of its own; without one it shows none.
    d.pictID = DuplicatePicture(d.pictID);
    SetDecoAt(k, d);
  }
}

void CKXDecoArray::DeleteAll() {
  CKXPosArray::DeleteAll();
  DisposeRubys();
}

void CKXDecoArray::SetItems(const void* items, long n) {
  // Replacing the runs keeps the ruby: it belongs to the text, not the runs.
  std::vector<SKXDeco> v = CleanCopy<SKXDeco>(items, n, -1);
  if (mCount > 0) DeleteAt(1, mCount);
  if (v.empty()) return;
  InsertEntries(1, v.data(), static_cast<long>(v.size()));
  NewElementsAt(1, static_cast<long>(v.size()));
}

void CKXDecoArray::SetItems(const CKXPosArray* other) {
  if (!other || other == this) return;
  if (other->GetEntrySize() != GetEntrySize()) throw LException(paramErr);
  std::vector<SKXDeco> v(static_cast<size_t>(other->GetCount()));
  other->GetItems(v.data(), other->GetCount());
  {
    StFlag copying(&mCopyingElements);
    SetItems(v.data(), static_cast<long>(v.size()));
  }
  auto* deco = dynamic_cast<const CKXDecoArray*>(other);
  if (deco && deco->mRubys && deco->mRubys->GetCount() > 0) {
    NewRubys();
    mRubys->SetItems(deco->mRubys);
  } else {
    DisposeRubys();
  }
}

void CKXDecoArray::Copy(long from, long to, CKXPosArray* dest) const {
  if (!dest || dest == this) return;
  auto* deco = dynamic_cast<CKXDecoArray*>(dest);
  {
    StFlag copying(deco ? &deco->mCopyingElements : nullptr);
    CKXPosArray::Copy(from, to, dest);
  }
  CopyRubys(from, to, dest);
}

void CKXDecoArray::Paste(long from, long to, const CKXPosArray* src, long textLen) {
  DeleteRubys(from, to, textLen);
  CKXPosArray::Paste(from, to, src, textLen);
}

void CKXDecoArray::Paste(long from, long to, const void* items, long n, long textLen) {
  DeleteRubys(from, to, textLen);
  CKXPosArray::Paste(from, to, items, n, textLen);
}

void CKXDecoArray::Insert(long pos, const CKXPosArray* src, long len) {
  if (!src || len == 0) return;
  {
    StFlag copying(&mCopyingElements);
    CKXPosArray::Insert(pos, src, len);
  }
  InsertRubys(pos, src, len);
}

void CKXDecoArray::Insert(long pos, const void* items, long n, long len) {
  if (len == 0) return;
  std::vector<SKXDeco> v = CleanCopy<SKXDeco>(items, n, len);
  CKXPosArray::Insert(pos, v.data(), static_cast<long>(v.size()), len);
  InsertRubys(pos, len);
}

void CKXDecoArray::Delete(long from, long to, long textLen) {
  if (from > to) std::swap(from, to);
  DeleteRubys(from, to, textLen);
  if (!KeepFirstRunOnly(from, to, textLen)) {
    CKXPosArray::Delete(from, to, textLen);
    return;
  }
  SDeco d;
  GetDecoAt(1, d);
  ReleasePicture(d.pictID);
  d.pictID = 0;
  d.lineBits = static_cast<std::uint16_t>(d.lineBits & ~7u);
  SetDecoAt(1, d);
}

// Ruby.

void CKXDecoArray::NewRubys() {
  if (mRubys)
    mRubys->DeleteAll();
  else
    mRubys = new CKXRubyArray;
}

void CKXDecoArray::DisposeRubys() {
  delete mRubys;
  mRubys = nullptr;
}

void CKXDecoArray::InsertRubys(long pos, long len) {
  if (mRubys) mRubys->Insert(pos, nullptr, 0, len);
}

void CKXDecoArray::InsertRubys(long pos, const CKXPosArray* src, long len) {
  if (!src) {
    InsertRubys(pos, len);
    return;
  }
  auto* deco = dynamic_cast<const CKXDecoArray*>(src);
  if (!deco || !deco->mRubys || deco->mRubys->GetCount() == 0 || len == 0) return;
  // Only rubies that lie wholly inside the inserted bytes come along.
  std::vector<SKXRuby> v(static_cast<size_t>(deco->mRubys->GetCount()));
  deco->mRubys->GetRubys(v.data(), static_cast<long>(v.size()));
  v.resize(static_cast<size_t>(KxCheckRubys(v.data(), static_cast<long>(v.size()), len)));
  if (v.empty()) return;
  if (!mRubys) mRubys = new CKXRubyArray;
  mRubys->Paste(pos, pos + len, v.data(), static_cast<long>(v.size()), kKxMaxOffset);
}

void CKXDecoArray::DeleteRubys(long from, long to, long textLen) {
  if (!mRubys || from == to) return;
  mRubys->Delete(from, to, textLen);
  if (mRubys->GetCount() == 0) DisposeRubys();
}

void CKXDecoArray::CopyRubys(long from, long to, CKXPosArray* dest) const {
  auto* deco = dynamic_cast<CKXDecoArray*>(dest);
  if (!deco) return;
  if (!mRubys || mRubys->GetRubyCount(from, to, nullptr) == 0) return;
  deco->NewRubys();
  mRubys->Copy(from, to, deco->mRubys);
  // A base reaching past the end of the range is cut to it.
  std::vector<SKXRuby> v(static_cast<size_t>(deco->mRubys->GetCount()));
  deco->mRubys->GetRubys(v.data(), static_cast<long>(v.size()));
  long span = std::abs(to - from);
  for (auto& r : v) r.baseLen = static_cast<unsigned char>(std::min<long>(r.baseLen, span - r.pos));
  deco->mRubys->SetRubys(v.data(), static_cast<long>(v.size()));
  if (deco->mRubys->GetCount() == 0) deco->DisposeRubys();
}

void CKXDecoArray::SetRubys(const SKXRuby* items, long n) {
  if (!items || n < 1) return;
  NewRubys();
  mRubys->SetRubys(items, n);
  if (mRubys->GetCount() == 0) DisposeRubys();
}

long CKXDecoArray::GetRubys(SKXRuby* out, long max) const {
  if (!mRubys || !out) return 0;
  long n = std::min(max, mRubys->GetCount());
  if (n > 0) mRubys->GetRubys(out, n);
  return std::max(n, 0L);
}

long CKXDecoArray::GetRubysCount() const { return mRubys ? mRubys->GetCount() : 0; }

bool CKXDecoArray::GetRubyAt(long index, SKXRuby& ruby) const { return mRubys && mRubys->GetRubyAt(index, ruby); }

bool CKXDecoArray::IsRubyExist(long from, long to) const {
  if (!mRubys) return false;
  if (to == 0) return true;
  return mRubys->GetRubyCount(from, to, nullptr) > 0;
}

void CKXDecoArray::SetRuby(long from, long to, const unsigned char* text, long len) {
  if (!mRubys) mRubys = new CKXRubyArray;
  mRubys->SetRuby(from, to, text, len);
  if (mRubys->GetCount() == 0) DisposeRubys();
}

bool CKXDecoArray::GetRuby(long& from, long& to, unsigned char* text, long& len) const {
  return mRubys && mRubys->GetRuby(from, to, text, len);
}

long CKXDecoArray::GetSelRubysCount(long from, long to) const {
  return mRubys ? mRubys->GetRubyCount(from, to, nullptr) : 0;
}

long CKXDecoArray::GetSelRubysFirstNumber(long from, long to) const {
  long first = 0;
  if (mRubys) mRubys->GetRubyCount(from, to, &first);
  return first;
}

long CKXDecoArray::GetSelRubys(long from, long to, SKXRuby* out, long max) const {
  if (!mRubys || !out) return 0;
  if (from > to) std::swap(from, to);
  long n = std::min(max, mRubys->GetRubyCount(from, to, nullptr));
  return n > 0 ? mRubys->GetRubys(from, out, n) : 0;
}

void CKXDecoArray::SetSelRubys(long from, long to, const SKXRuby* items, long n, long textLen) {
  if (from > to) std::swap(from, to);
  std::vector<SKXRuby> v;
  if (items && n > 0) v.assign(items, items + n);
  v.resize(static_cast<size_t>(KxCheckRubys(v.data(), static_cast<long>(v.size()), to - from)));
  if (!mRubys) mRubys = new CKXRubyArray;
  mRubys->Paste(from, to, v.data(), static_cast<long>(v.size()), textLen);
  if (mRubys->GetCount() == 0) DisposeRubys();
}

long CKXDecoArray::GetSelRubysInfo(long from, long to, SKXRubyInfo* out, long max) const {
  return mRubys ? mRubys->GetRubyInfo(from, to, out, max) : 0;
}

long CKXDecoArray::GetSelRubysInsertSize(long from, long to) const {
  return mRubys ? mRubys->GetRubyInsertSize(from, to) : 0;
}

void CKXDecoArray::GetSelRubysInsertText(long from, long to, char* buf, long& len) const {
  if (mRubys) mRubys->GetRubyInsertText(from, to, buf, len);
}

void CKXDecoArray::GetSelRubysInsertPos(long from, long to, void* positions, long n, long stride) const {
  if (mRubys) mRubys->GetRubyInsertPos(from, to, positions, n, stride);
}

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

// --- start-up ---------------------------------------------------------------------------------------

void KxTextRunsFacilities() {
  KxRegisterFacility(
      kRankText, "text runs",
      [] {
        CKXStrArray::Initialize();
        CKXStylArray::Initialize();
        CKXDecoArray::Initialize();
        CKXParaArray::Initialize();
      },
      [] {
        CKXParaArray::Terminate();
        CKXDecoArray::Terminate();
        CKXStylArray::Terminate();
        CKXStrArray::Terminate();
      });
}
