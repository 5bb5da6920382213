// Decoration runs, with the ruby and the pictures they carry.
#include "text/runs/runs.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/exception.h"
#include "text/runs/pictures.h"
#include "text/runs/run_clean.h"

using kx_runs::CleanCopy;
using kx_runs::StFlag;

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
  if (FetchAt(index, &r))
    d = r.deco;
  else
    d = SDeco{0, 0, 0, 0};
}

void CKXDecoArray::SetDecoAt(long index, const SDeco& d) {
  SKXDeco r;
  if (!FetchAt(index, &r)) return;
  r.deco = d;
  r.pad = 0;
  SetAt(index, &r);
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
