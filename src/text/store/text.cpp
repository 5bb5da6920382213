// The styled text: construction, whole-text and selection transfer, byte
// editing with the run arrays kept in step, and the transfer operations.
#include "text/store/text.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/exception.h"
#include "platform/fonts.h"
#include "text/base/memory.h"
#include "text/codes/byte_steps.h"
#include "text/codes/charclass.h"
#include "text/codes/script.h"
#include "text/codes/unicode.h"

namespace {

// Allocates one member of the text: on failure the memory layer's recovery
// runs and the allocation is tried once more.
template <typename T>
std::unique_ptr<T> MakeMember() {
  try {
    return std::make_unique<T>();
  } catch (const std::bad_alloc&) {
  } catch (const LException&) {
  }
  KxMemRecovery();
  try {
    return std::make_unique<T>();
  } catch (const std::bad_alloc&) {
    throw LException(memFullErr);
  }
}

template <typename T>
long CountOf(const T* list, long n) {
  return list && n > 0 ? n : 0;
}

}  // namespace

// ---- construction ---------------------------------------------------------------

CKXText::CKXText() {
  auto text = MakeMember<CKXStrArray>();
  auto styls = MakeMember<CKXStylArray>();
  auto decos = MakeMember<CKXDecoArray>();
  auto paras = MakeMember<CKXParaArray>();
  mText = text.release();
  mStyls = styls.release();
  mDecos = decos.release();
  mParas = paras.release();
}

CKXText::~CKXText() {
  delete mParas;
  delete mDecos;
  delete mStyls;
  delete mText;
  mParas = nullptr;
  mDecos = nullptr;
  mStyls = nullptr;
  mText = nullptr;
}

void CKXText::Initialize() {
  CKXStrArray::Initialize();
  CKXStylArray::Initialize();
  CKXDecoArray::Initialize();
  CKXParaArray::Initialize();
}

void CKXText::Terminate() {
  CKXParaArray::Terminate();
  CKXDecoArray::Terminate();
  CKXStylArray::Terminate();
  CKXStrArray::Terminate();
}

// ---- positions ----------------------------------------------------------------------

long CKXText::Clamp(long pos) const { return std::clamp(pos, 0L, mText->GetLength()); }

void CKXText::Order(long& from, long& to) const {
  from = Clamp(from);
  to = Clamp(to);
  if (from > to) std::swap(from, to);
}

void CKXText::AdjustSelect(long& a, long& b) const { Order(a, b); }

long CKXText::CopyBytes(long from, long to, char* buf, long bufLen) const {
  Order(from, to);
  if (!buf || bufLen <= 0 || from == to) return 0;
  long n = bufLen;
  mText->GetSelText(from, to, buf, n);
  return n;
}

bool CKXText::IsAsciiOnly() const { return GetUniCharsCount() == 0 && IsAsciiRange(0, GetTextSize()); }

bool CKXText::IsAsciiRange(long from, long to) const {
  char block[1 << 16];
  for (long at = from; at < to;) {
    const long n = CopyBytes(at, std::min(to, at + long(sizeof block)), block, long(sizeof block));
    if (n <= 0) return false;
    if (KxAsciiEnd(reinterpret_cast<const unsigned char*>(block), 0, n) < n) return false;
    at += n;
  }
  return true;
}

SKXCutScript CKXText::CutScriptAt(long pos) const {
  SKXCutScript cut;
  cut.script = GetScriptType(pos);
  return cut;
}

// ---- whole text ------------------------------------------------------------------------

void CKXText::SetText(const char* text, long len, const SKXStyl* styls, long nStyls, const SKXDeco* decos,
                      long nDecos, const SKXPara* paras, long nParas, const SKXUniChar* uni, long nUni) {
  if (!text || len < 0) len = 0;
  nStyls = CountOf(styls, nStyls);
  nDecos = CountOf(decos, nDecos);
  nParas = CountOf(paras, nParas);
  nUni = CountOf(uni, nUni);

  // Lists from outside are cleaned on copies before anything changes.
  std::vector<SKXStyl> s(styls, styls + nStyls);
  std::vector<SKXPara> p(paras, paras + nParas);
  std::vector<SKXUniChar> u(uni, uni + nUni);
  nStyls = KxCheckStylRuns(s.data(), nStyls, len);
  nParas = KxCheckParaRuns(p.data(), nParas, len);
  nUni = KxCheckUniChars(u.data(), nUni, len);

  if (nStyls == 0 && mStyls->GetCount() != 1) mStyls->InitStylArray(kKxApplicationFont, kKxDefaultFontSize, 0);
  if (nDecos == 0) {
    SDeco d{};
    if (mDecos->GetCount() == 1) mDecos->GetDecoAt(1, d);
    // A kept run never carries a picture over to text that is not its byte.
    if (mDecos->GetCount() != 1 || d.pictID != 0) mDecos->InitDecoArray(0, 0, 0);
  }
  if (nParas == 0 && mParas->GetCount() != 0) mParas->InitParaArray();

  if (nStyls > 0) {
    CKXStylCutScript cut(s.data(), nStyls);
    mText->SetText(text, len, cut.Get());
  } else {
    mText->SetText(text, len, CutScriptAt(0));
  }
  if (nUni > 0) {
    mText->SetUniChars(u.data(), nUni);
    mText->AdjustUniChars(0, 0);
  }
  if (nStyls > 0) mStyls->SetTextStyls(s.data(), nStyls);
  if (nDecos > 0) {
    std::vector<SKXDeco> d(decos, decos + nDecos);
    nDecos = KxCheckDecoRuns(d.data(), nDecos, len, mText);
    mDecos->SetTextDecos(d.data(), nDecos);
  }
  if (nParas > 0) {
    mParas->SetTextParas(p.data(), nParas);
    if (!CheckParaRanges(0, 0) && !RecoverParaRanges(0, 0)) mParas->InitParaArray();
    EditParaStylEnd(0, 0);
  }
  ClearScriptType();
}

long CKXText::GetText(char* buf, long bufLen, SKXStyl* styls, long nStyls, SKXDeco* decos, long nDecos,
                      SKXPara* paras, long nParas, SKXUniChar* uni, long nUni) const {
  long n = 0;
  if (buf && bufLen > 0) {
    n = bufLen;
    mText->GetText(buf, n);
  }
  if (CountOf(styls, nStyls) > 0) GetStyls(styls, nStyls);
  if (CountOf(decos, nDecos) > 0) GetDecos(decos, nDecos);
  if (CountOf(paras, nParas) > 0) GetParas(paras, nParas);
  if (CountOf(uni, nUni) > 0) GetUniChars(uni, nUni);
  return n;
}

void CKXText::TakeText(CKXText* src) {
  if (!src || src == this) return;
  mText->InitStrArray();  // the old characters go now: the source receives none of them
  if (!mText->SwapContents(*src->mText)) {
    SetText(src);
    return;
  }
  SetRunsOf(src);
  // The source is left an empty text, sound for its owner to discard.
  src->SetText(static_cast<const char*>(nullptr), 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
}

void CKXText::SetText(const CKXText* src) {
  if (!src || src == this) return;
  mText->SetItems(src->mText);
  SetRunsOf(src);
}

void CKXText::SetRunsOf(const CKXText* src) {
  mStyls->SetItems(src->mStyls);
  mDecos->SetItems(src->mDecos);
  mParas->SetItems(src->mParas);
  if (!CheckParaRanges(0, 0) && !RecoverParaRanges(0, 0)) mParas->InitParaArray();
  ClearScriptType();
}

long CKXText::GetText(CKXText* dest) const {
  if (dest) dest->SetText(this);
  return GetLength();
}

void CKXText::SetStyls(const SKXStyl* styls, long n) {
  n = CountOf(styls, n);
  if (n == 0) return;
  std::vector<SKXStyl> s(styls, styls + n);
  n = KxCheckStylRuns(s.data(), n, GetLength());
  mStyls->SetTextStyls(s.data(), n);
  ClearScriptType();
}

long CKXText::GetStyls(SKXStyl* out, long n) const {
  n = std::min(CountOf(out, n), mStyls->GetCount());
  if (n > 0) mStyls->GetTextStyls(out, n);
  return n;
}

void CKXText::SetDecos(const SKXDeco* decos, long n) {
  n = CountOf(decos, n);
  if (n == 0) return;
  std::vector<SKXDeco> d(decos, decos + n);
  n = KxCheckDecoRuns(d.data(), n, GetLength(), mText);
  mDecos->SetTextDecos(d.data(), n);
}

long CKXText::GetDecos(SKXDeco* out, long n) const {
  n = std::min(CountOf(out, n), mDecos->GetCount());
  if (n > 0) mDecos->GetTextDecos(out, n);
  return n;
}

void CKXText::SetParas(const SKXPara* paras, long n) {
  n = CountOf(paras, n);
  std::vector<SKXPara> p(paras, paras + n);
  n = KxCheckParaRuns(p.data(), n, GetLength());
  if (n == 0) {
    mParas->InitParaArray();
    return;
  }
  mParas->SetTextParas(p.data(), n);
  if (!CheckParaRanges(0, 0) && !RecoverParaRanges(0, 0)) mParas->InitParaArray();
  EditParaStylEnd(0, 0);
}

long CKXText::GetParas(SKXPara* out, long n) const {
  n = CountOf(out, n);
  if (n == 0) return 0;
  if (mParas->GetCount() == 0) {
    out[0].offset = 0;
    GetParaStylDefault(out[0].para);
    return 1;
  }
  n = std::min(n, mParas->GetCount());
  mParas->GetTextParas(out, n);
  return n;
}

// ---- selections -------------------------------------------------------------------------

long CKXText::GetSelText(long from, long to, char* buf, long bufLen, SKXStyl* styls, long nStyls,
                         SKXDeco* decos, long nDecos, SKXPara* paras, long nParas, SKXUniChar* uni,
                         long nUni) const {
  Order(from, to);
  long n = CopyBytes(from, to, buf, bufLen);
  if (CountOf(styls, nStyls) > 0) GetSelStyls(from, to, styls, nStyls);
  if (CountOf(decos, nDecos) > 0) GetSelDecos(from, to, decos, nDecos);
  if (CountOf(paras, nParas) > 0) GetSelParas(from, to, paras, nParas);
  if (CountOf(uni, nUni) > 0) GetSelUniChars(from, to, uni, nUni);
  return n;
}

void CKXText::GetSelText(long from, long to, CKXText* dest) const {
  if (!dest || dest == this) return;
  Order(from, to);
  mText->Copy(from, to, dest->mText);
  mStyls->Copy(from, to, dest->mStyls);
  mDecos->Copy(from, to, dest->mDecos);
  mParas->Copy(from, to, dest->mParas);
  dest->EditParaStylEnd(0, 0);
  dest->ClearScriptType();
}

void CKXText::SetSelStyls(long from, long to, const SKXStyl* runs, long n) {
  Order(from, to);
  n = CountOf(runs, n);
  if (n == 0 || from == to) return;
  std::vector<SKXStyl> s(runs, runs + n);
  n = KxCheckStylRuns(s.data(), n, to - from);
  mStyls->Paste(from, to, s.data(), n, GetLength());
  TrimEndRuns();
  ClearScriptType();
}

void CKXText::SetSelDecos(long from, long to, const SKXDeco* runs, long n) {
  Order(from, to);
  n = CountOf(runs, n);
  if (n == 0 || from == to) return;
  std::vector<SKXDeco> d(runs, runs + n);
  // Picture IDs are checked against the bytes of the range.
  CKXStrArray range;
  mText->Copy(from, to, &range);
  n = KxCheckDecoRuns(d.data(), n, to - from, &range);
  mDecos->Paste(from, to, d.data(), n, GetLength());
  TrimEndRuns();
}

void CKXText::SetSelParas(long from, long to, const SKXPara* runs, long n) {
  Order(from, to);
  n = CountOf(runs, n);
  if (n == 0 || from == to) return;
  std::vector<SKXPara> p(runs, runs + n);
  n = KxCheckParaRuns(p.data(), n, to - from);
  EditParaStylStart();
  mParas->Paste(from, to, p.data(), n, GetLength());
  EditParaStylEnd(from, to);
  RepairParasAfter(from, to);
}

long CKXText::GetSelStyls(long from, long to, SKXStyl* out, long n) const {
  Order(from, to);
  n = std::min(std::max(GetSelStylCount(from, to), 1L), CountOf(out, n));
  if (n > 0) mStyls->GetTextStyls(from, out, n);
  return n;
}

long CKXText::GetSelDecos(long from, long to, SKXDeco* out, long n) const {
  Order(from, to);
  n = std::min(std::max(GetSelDecoCount(from, to), 1L), CountOf(out, n));
  if (n > 0) mDecos->GetTextDecos(from, out, n);
  return n;
}

long CKXText::GetSelParas(long from, long to, SKXPara* out, long n) const {
  Order(from, to);
  n = CountOf(out, n);
  if (n == 0) return 0;
  if (mParas->GetCount() == 0) {
    out[0].offset = 0;
    GetParaStylDefault(out[0].para);
    return 1;
  }
  n = std::min(std::max(GetSelParaCount(from, to), 1L), n);
  mParas->GetTextParas(from, out, n);
  return n;
}

// ---- side entries and ruby --------------------------------------------------------------------

void CKXText::SetUniChars(const SKXUniChar* items, long n) {
  n = CountOf(items, n);
  if (n == 0) return;
  std::vector<SKXUniChar> u(items, items + n);
  n = KxCheckUniChars(u.data(), n, GetLength());
  if (n > 0) mText->SetUniChars(u.data(), n);
}

long CKXText::GetUniChars(SKXUniChar* out, long max) const {
  max = std::min(CountOf(out, max), mText->GetUniCharsCount());
  if (max > 0) mText->GetUniChars(out, max);
  return max;
}

void CKXText::SetSelUniChars(long from, long to, const SKXUniChar* items, long n) {
  Order(from, to);
  n = CountOf(items, n);
  if (n == 0) return;
  std::vector<SKXUniChar> u(items, items + n);
  n = KxCheckUniChars(u.data(), n, to - from);
  if (n > 0) mText->SetSelUniChars(from, to, u.data(), n);
}

long CKXText::GetSelUniChars(long from, long to, SKXUniChar* out, long max) const {
  Order(from, to);
  if (CountOf(out, max) == 0) return 0;
  return mText->GetSelUniChars(from, to, out, max);
}

void CKXText::AdjustUniChars(long from, long to) {
  if (to != 0) Order(from, to);
  mText->AdjustUniChars(Clamp(from), to);
}

void CKXText::SetRubys(const SKXRuby* items, long n) {
  n = CountOf(items, n);
  if (n == 0) return;
  std::vector<SKXRuby> r(items, items + n);
  n = KxCheckRubys(r.data(), n, GetLength());
  if (n > 0) mDecos->SetRubys(r.data(), n);
}

long CKXText::GetRubys(SKXRuby* out, long max) const {
  if (CountOf(out, max) == 0) return 0;
  return mDecos->GetRubys(out, max);
}

bool CKXText::GetRubyAtNumber(long index, SKXRuby* out) const {
  SKXRuby r{};
  if (!mDecos->GetRubyAt(index, r)) return false;
  if (out) *out = r;
  return true;
}

void CKXText::SetSelRubys(long from, long to, const SKXRuby* items, long n) {
  Order(from, to);
  n = CountOf(items, n);
  if (n == 0) return;
  std::vector<SKXRuby> r(items, items + n);
  n = KxCheckRubys(r.data(), n, to - from);
  if (n > 0) mDecos->SetSelRubys(from, to, r.data(), n, GetTextSize());
}

long CKXText::GetSelRubys(long from, long to, SKXRuby* out, long max) const {
  Order(from, to);
  if (CountOf(out, max) == 0) return 0;
  return mDecos->GetSelRubys(from, to, out, max);
}

long CKXText::GetSelRubysInfo(long from, long to, SKXRubyInfo* out, long max) const {
  Order(from, to);
  if (CountOf(out, max) == 0) return 0;
  return mDecos->GetSelRubysInfo(from, to, out, max);
}

long CKXText::GetRubysCount() const { return mDecos->GetRubysCount(); }

long CKXText::GetSelRubysCount(long from, long to) const {
  Order(from, to);
  return mDecos->GetSelRubysCount(from, to);
}

bool CKXText::IsRubyExist(long from, long to) const {
  if (to != 0) Order(from, to);
  return mDecos->IsRubyExist(from, to);
}

long CKXText::GetSelRubysFirstNumber(long from, long to) const {
  Order(from, to);
  return mDecos->GetSelRubysFirstNumber(from, to);
}

long CKXText::GetSelRubysInsertSize(long from, long to) const {
  Order(from, to);
  return mDecos->GetSelRubysInsertSize(from, to);
}

void CKXText::GetSelRubysInsertText(long from, long to, char* buf, long& len) const {
  Order(from, to);
  if (!buf) return;
  mDecos->GetSelRubysInsertText(from, to, buf, len);
}

void CKXText::GetSelRubysInsertPos(long from, long to, SKXPos* positions, long n, long stride) const {
  Order(from, to);
  if (!positions || n <= 0 || stride < static_cast<long>(sizeof(SKXPos))) return;
  mDecos->GetSelRubysInsertPos(from, to, positions, n, stride);
}

bool CKXText::GetRuby(long& from, long& to, unsigned char* text, long& rubyLen) const {
  from = Clamp(from);
  return mDecos->GetRuby(from, to, text, rubyLen);
}

void CKXText::SetRuby(long from, long to, const unsigned char* text, long len) {
  Order(from, to);
  if (!text) len = 0;
  mDecos->SetRuby(from, to, text, std::max(len, 0L));
}

// ---- counts ----------------------------------------------------------------------------

long CKXText::GetLength() const { return mText->GetLength(); }
long CKXText::GetTextSize() const { return mText->GetLength(); }
long CKXText::GetStylCount() const { return mStyls->GetCount(); }
long CKXText::GetDecoCount() const { return mDecos->GetCount(); }
long CKXText::GetParaCount() const { return mParas->GetCount(); }

namespace {
long SelRunCount(const CKXPosArray* runs, long from, long to) {
  if (runs->GetCount() == 0) return 0;
  long i = runs->GetArrayIndex(from);
  long j = runs->GetArrayIndex(to);
  long n = j - i + 1;
  if (runs->GetOffsetAt(j) == to) --n;
  return n;
}
}  // namespace

long CKXText::GetSelStylCount(long from, long to) const {
  Order(from, to);
  return SelRunCount(mStyls, from, to);
}

long CKXText::GetSelDecoCount(long from, long to) const {
  Order(from, to);
  return SelRunCount(mDecos, from, to);
}

long CKXText::GetSelParaCount(long from, long to) const {
  Order(from, to);
  return SelRunCount(mParas, from, to);
}

long CKXText::GetUniCharsCount() const { return mText->GetUniCharsCount(); }

long CKXText::GetSelUniCharsCount(long from, long to) const {
  Order(from, to);
  return mText->GetSelUniCharsCount(from, to);
}

bool CKXText::IsUniCharExist(long from, long to) const {
  if (to != 0) Order(from, to);
  return mText->IsUniCharExist(from, to);
}

// ---- editing bytes ------------------------------------------------------------------------

void CKXText::ReserveRunEdits(bool paras) {
  // A run put over new bytes splits at most one run: two entries more.
  // (The arrays refit only past a granule of slack, so the room stays.)
  mStyls->ReAllocItemCount(static_cast<unsigned long>(mStyls->GetCount() + 2));
  mDecos->ReAllocItemCount(static_cast<unsigned long>(mDecos->GetCount() + 2));
  // Paragraph upkeep after a deletion splits at most one run.
  if (paras && mParas->GetCount() > 0)
    mParas->ReAllocItemCount(static_cast<unsigned long>(mParas->GetCount() + 2));
}

void CKXText::InsertChar(long pos, unsigned short ch, const SStyl* styl, const SDeco* deco) {
  char bytes[2];
  InsertString(pos, bytes, KxTextCodeBytes(ch, bytes), styl, deco, nullptr, 0);
}

void CKXText::InsertUniChar(long pos, unsigned long value, const SStyl* styl, const SDeco* deco) {
  pos = Clamp(pos);
  short script = styl ? KxFontToScriptType(styl->font) : GetScriptType(pos);
  unsigned short ph = CKXStrArray::GetUnicodeChar(script);
  if (value >= 0x200000 && value <= 0x1FFFFFFF) ph = 0xA0;
  if (const unsigned short shared = KxUnicodeSharedCode(static_cast<std::uint32_t>(value), script)) ph = shared;
  char bytes[2];
  SKXUniChar u{0, static_cast<std::uint32_t>(value)};
  InsertString(pos, bytes, KxTextCodeBytes(ph, bytes), styl, deco, &u, 1);
}

void CKXText::InsertString(long pos, const char* bytes, long n, const SStyl* styl, const SDeco* deco,
                           const SKXUniChar* uni, long nUni) {
  if (!bytes || n <= 0) return;
  pos = Clamp(pos);
  nUni = CountOf(uni, nUni);
  std::vector<SKXUniChar> u(uni, uni + nUni);
  nUni = KxCheckUniChars(u.data(), nUni, n);

  SStyl s{};
  if (styl) {
    s = *styl;
    KxNormalizeStyl(s);
    if (s.height == 0) CKXStylArray::SetHeightAscent(s);
  }
  // Everything that can run out of memory happens before the text changes:
  // room for the run edits, then the bytes (with their side entries).
  ReserveRunEdits(false);
  SKXCutScript cut;
  cut.script = styl ? KxFontToScriptType(s.font) : GetScriptType(pos);
  const bool created = nUni > 0 && mText->ReserveUniChars(nUni);
  try {
    mText->Insert(pos, bytes, n, cut);
  } catch (...) {
    if (created) mText->DisposeUniChars();
    throw;
  }
  // From here on nothing allocates.
  if (nUni > 0) mText->SetSelUniChars(pos, pos + n, u.data(), nUni);

  // Styles: the new bytes join the run containing pos, unless a style is given.
  long i = mStyls->GetArrayIndex(pos);
  mStyls->CalcOffsetAt(i + 1, n);
  if (styl) {
    long limit = i < mStyls->GetCount() ? mStyls->GetOffsetAt(i + 1) : GetLength();
    mStyls->InsertStylAt(i, pos, s, n, limit);
  }
  JoinDecoRun(pos, n, deco);
  if (mParas->GetCount() > 0) mParas->CalcOffsetAt(mParas->GetArrayIndex(pos) + 1, n);
  ClearScriptType();
}

void CKXText::DeleteChar(long pos) {
  pos = Clamp(pos);
  if (pos >= GetLength()) return;
  AdjustOffset(pos, false);
  DeleteString(pos, pos + (GetChar(pos) > 0xFF ? 2 : 1));
}

void CKXText::DeleteString(long from, long to) {
  Order(from, to);
  if (from == to) return;
  const long before = GetLength();
  ReserveRunEdits(true);
  mText->Delete(from, to);
  // From here on nothing allocates.
  mStyls->Delete(from, to, before);
  mDecos->Delete(from, to, before);
  // A run that began inside the deleted stretch and reached past it may be
  // left empty at the new end.
  TrimEndRuns();
  if (mParas->GetCount() > 0) {
    EditParaStylStart();
    mParas->Delete(from, to, before);
    EditParaStylEnd(0, 0);
    if (!CheckParaRanges(from, from)) {
      // The deletion joined two paragraphs: the joined one keeps the style
      // of the paragraph the deletion started in.
      EditParaStylStart();
      mParas->DeletePart(from, GetNextParaPos(from));
      EditParaStylEnd(0, 0);
    }
  }
  ClearScriptType();
}

void CKXText::DeleteText(long from, long to) { DeleteString(from, to); }

void CKXText::ReplaceText(long from, long to, const char* bytes, long n) {
  Order(from, to);
  if (from == to) return;
  DeleteString(from, to);
  InsertString(from, bytes, n, nullptr, nullptr, nullptr, 0);
}

void CKXText::TrimEndRuns() {
  const long len = GetLength();
  for (CKXPosArray* runs : {static_cast<CKXPosArray*>(mStyls), static_cast<CKXPosArray*>(mDecos)})
    while (runs->GetCount() > 1 && runs->GetOffsetAt(runs->GetCount()) >= len) runs->DeleteAt(runs->GetCount(), 1);
}

// ---- transfer ---------------------------------------------------------------------------------

void CKXText::JoinDecoRun(long pos, long n, const SDeco* deco) {
  long i = mDecos->GetArrayIndex(pos);
  mDecos->CalcOffsetAt(i + 1, n);
  mDecos->InsertRubys(pos, n);
  SDeco d{};
  if (deco) {
    d = *deco;
  } else {
    mDecos->GetDecoAt(i, d);
    if (d.pictID == 0) return;
    d.pictID = 0;
  }
  long limit = i < mDecos->GetCount() ? mDecos->GetOffsetAt(i + 1) : GetLength();
  mDecos->InsertDecoAt(i, pos, d, n, limit);
}

void CKXText::JoinAttributes(long pos, long n, bool styls, bool decos, bool paras) {
  if (styls) mStyls->CalcOffsetAt(mStyls->GetArrayIndex(pos) + 1, n);
  if (decos) JoinDecoRun(pos, n, nullptr);
  if (paras && mParas->GetCount() > 0) mParas->CalcOffsetAt(mParas->GetArrayIndex(pos) + 1, n);
}

void CKXText::InsertText(long pos, const char* bytes, long n, const SKXStyl* styls, long nStyls,
                         const SKXDeco* decos, long nDecos, const SKXPara* paras, long nParas,
                         const SKXUniChar* uni, long nUni) {
  if (!bytes || n <= 0) return;
  if (GetLength() == 0) {
    SetText(bytes, n, styls, nStyls, decos, nDecos, paras, nParas, uni, nUni);
    return;
  }
  pos = Clamp(pos);
  // Every list is cleaned and checked on a copy of the new bytes, with the
  // side entries, before the text changes.
  CKXText piece;
  piece.SetText(bytes, n, styls, nStyls, decos, nDecos, paras, nParas, uni, nUni);
  short what = kWhatText;
  if (CountOf(styls, nStyls) > 0) what |= kWhatStyl;
  if (CountOf(decos, nDecos) > 0) what |= kWhatDeco;
  if (CountOf(paras, nParas) > 0) what |= kWhatPara;
  InsertText(pos, &piece, what);
}

void CKXText::InsertText(long pos, const CKXText* src, short what) {
  if (!src || src->GetLength() == 0) return;
  if (src == this) {
    CKXText copy;
    copy.SetText(this);
    InsertText(pos, &copy, what);
    return;
  }
  pos = Clamp(pos);
  const long n = src->GetLength();
  const bool all = what == kWhatAll;
  const bool styls = all || (what & kWhatStyl);
  const bool decos = all || (what & kWhatDeco);
  const bool paras = (all || (what & kWhatPara)) && src->mParas->GetCount() > 0;

  if (styls) {
    // Chunk cuts follow the fonts of the runs that come with the bytes.
    std::vector<SKXStyl> runs(static_cast<size_t>(src->mStyls->GetCount()));
    src->mStyls->GetTextStyls(runs.data(), static_cast<long>(runs.size()));
    CKXStylCutScript cut(runs.data(), static_cast<long>(runs.size()));
    mText->Insert(pos, src->mText, cut.Get());
  } else {
    mText->Insert(pos, src->mText, CutScriptAt(pos));
  }
  if (styls) mStyls->Insert(pos, src->mStyls, n);
  if (decos) {
    // Ruby that comes with the bytes must not land inside another ruby's
    // base: that base now ends where the new text begins.
    if (src->GetRubysCount() > 0) CutRubyAt(pos);
    mDecos->Insert(pos, src->mDecos, n);
  }
  JoinAttributes(pos, n, !styls, !decos, !paras);
  TrimEndRuns();
  if (paras) {
    EditParaStylStart();
    mParas->Insert(pos, src->mParas, n);
    EditParaStylEnd(pos, pos + n);
    RepairParasAfter(pos, pos + n);
  }
  ClearScriptType();
}

void CKXText::CopyText(long from, long to, CKXText* dest, short what) const {
  if (!dest || dest == this) return;
  Order(from, to);
  const bool all = what == kWhatAll;
  if (all || (what & kWhatText)) mText->Copy(from, to, dest->mText);
  if (all || (what & kWhatStyl)) mStyls->Copy(from, to, dest->mStyls);
  if (all || (what & kWhatDeco)) mDecos->Copy(from, to, dest->mDecos);
  if (what & kWhatPara) {
    if (mParas->GetCount() == 0) {
      // Asked for explicitly: the copy gets one explicit default run.
      dest->mParas->InitParaArray();
      SParaStyl def;
      GetParaStylDefault(def);
      dest->mParas->InsertParaAt(1, 0, def);
    } else {
      mParas->Copy(from, to, dest->mParas);
    }
  } else if (all) {
    mParas->Copy(from, to, dest->mParas);
  }
  if (all || (what & kWhatText)) {
    // Runs the copy left beyond the copied bytes start nothing.
    dest->TrimEndRuns();
    if (!(what & kWhatPara)) dest->EditParaStylEnd(0, 0);
  }
  dest->ClearScriptType();
}

void CKXText::CutRubyAt(long pos) {
  long from = pos, to = pos, len = 0;
  unsigned char text[kKxRubyMaxText] = {};
  if (!mDecos->GetRuby(from, to, text, len) || from >= pos || to <= pos) return;
  mDecos->SetRuby(from, pos, text, len);
}

void CKXText::PasteDecoRuns(long from, long to, const CKXText* src) {
  // The runs land on other bytes than their own: a picture ID is kept only
  // where it lands on one 0xCA byte, and then as a picture of our own.
  std::vector<SKXDeco> runs(static_cast<size_t>(src->mDecos->GetCount()));
  long n = src->GetDecos(runs.data(), static_cast<long>(runs.size()));
  CKXStrArray range;
  mText->Copy(from, to, &range);
  n = KxCheckDecoRuns(runs.data(), n, to - from, &range);
  for (long k = 0; k < n; ++k)
    if (runs[size_t(k)].deco.pictID != 0)
      runs[size_t(k)].deco.pictID = mDecos->GetReferToPicture()
                                        ? runs[size_t(k)].deco.pictID
                                        : CKXDecoArray::DuplicatePicture(runs[size_t(k)].deco.pictID);
  mDecos->Paste(from, to, runs.data(), n, GetLength());
  // The ruby of the source comes along, as far as it fits the range.
  std::vector<SKXRuby> rubys(static_cast<size_t>(src->GetRubysCount()));
  long nr = src->GetRubys(rubys.data(), static_cast<long>(rubys.size()));
  nr = KxCheckRubys(rubys.data(), nr, to - from);
  if (nr > 0) {
    CutRubyAt(from);
    mDecos->SetSelRubys(from, to, rubys.data(), nr, GetLength());
  }
}

void CKXText::CutText(long from, long to, CKXText* dest) {
  Order(from, to);
  CopyText(from, to, dest, kWhatAll);
  DeleteText(from, to);
}

void CKXText::PasteText(long from, long to, const CKXText* src, short what) {
  if (!src) return;
  Order(from, to);
  if (src == this) {
    CKXText copy;
    copy.SetText(this);
    PasteText(from, to, &copy, what);
    return;
  }
  if (what == kWhatAll) {
    if (from != to) DeleteText(from, to);
    InsertText(from, src, kWhatAll);
    return;
  }
  if (what == kWhatText) {
    if (from == to) {
      InsertText(from, src, kWhatText);
      return;
    }
    // Keep the look of the replaced text; a picture the deletion released
    // is never put back on the new bytes.
    SStyl s{};
    SDeco d{};
    mStyls->GetStylAt(mStyls->GetArrayIndex(from), s);
    mDecos->GetDecoAt(mDecos->GetArrayIndex(from), d);
    d.pictID = 0;
    DeleteText(from, to);
    InsertText(from, src, kWhatText);
    const long end = from + src->GetLength();
    SetStyl(from, end, s);
    SetDeco(from, end, d);
    return;
  }
  if (!(what & kWhatText)) {
    if (from == to) return;
    const long len = GetLength();
    if (what & kWhatStyl) {
      mStyls->Paste(from, to, src->mStyls, len);
      ClearScriptType();
    }
    if (what & kWhatDeco) PasteDecoRuns(from, to, src);
    TrimEndRuns();
    if ((what & kWhatPara) && src->mParas->GetCount() > 0) {
      EditParaStylStart();
      mParas->Paste(from, to, src->mParas, len);
      EditParaStylEnd(from, to);
      RepairParasAfter(from, to);
    }
    return;
  }
  if (from != to) DeleteText(from, to);
  InsertText(from, src, what);
}

// ---- find ----------------------------------------------------------------------------------------
// Matching is the store's; the style runs give each position's script, the
// decoration runs the inline pictures, which no pattern matches.

std::int32_t CKXText::FindText(long pos, const char* pattern, long patLen, long& found, short options,
                               short script) const {
  found = 0;
  return mText->Find(Clamp(pos), pattern, patLen, found, options, script, mStyls, mDecos);
}

std::int32_t CKXText::CheckFind(long from, long to, const char* pattern, long patLen, short options,
                                short script) const {
  Order(from, to);
  if (from == to) return 0;
  return mText->CheckFind(from, to, pattern, patLen, options, script, mStyls, mDecos);
}

long CKXText::CheckReplaceRE(long from, long to, const char* pattern, long patLen, short options,
                             const char* repl, long replLen, char**& out, short script,
                             std::vector<SKXUniChar>* sides) const {
  Order(from, to);
  if (from == to) return 0;
  return mText->CheckReplaceRE(from, to, pattern, patLen, options, repl, replLen, out, script, mStyls, mDecos,
                               sides);
}

// ---- layout hooks ---------------------------------------------------------------------------------

void CKXText::ClearScriptType() {}

short CKXText::GetLineExtStyl(SKXLineExtStyl& ext) const {
  ext = SKXLineExtStyl{};
  return 0;
}

long CKXText::GetMarkupLocs(long a, long b, long n, long* out) const {
  (void)a, (void)b;
  if (out && n > 0) std::fill(out, out + n, 0L);
  return 0;
}

bool CKXText::CheckSmartEdit(long from, long to) const {
  Order(from, to);
  if (from == to) return false;
  return UKXText::IsByteWordClass(GetCharType(from)) && UKXText::IsByteWordClass(GetCharType(GetPrevCharPos(to)));
}

// ---- invariants ---------------------------------------------------------------------

std::string CKXText::Check() const {
  if (std::string broken = mText->Check(); !broken.empty()) return "store: " + broken;
  const long len = GetLength();
  auto byteAt = [this](long pos) {
    char c = 0;
    CopyBytes(pos, pos + 1, &c, 1);
    return static_cast<unsigned char>(c);
  };
  // Runs that cover the text: one at 0, the others inside it.
  auto covering = [len](const CKXPosArray& runs, const char* what) -> std::string {
    if (std::string broken = runs.Check(len); !broken.empty()) return std::string(what) + ": " + broken;
    if (runs.GetCount() == 0 || runs.GetOffsetAt(1) != 0) return std::string(what) + ": no run at 0";
    if (runs.GetCount() > 1 && runs.GetOffsetAt(runs.GetCount()) >= len) return std::string(what) + ": a run past the text";
    return "";
  };
  if (std::string broken = covering(*mStyls, "style runs"); !broken.empty()) return broken;
  if (std::string broken = covering(*mDecos, "decoration runs"); !broken.empty()) return broken;

  std::vector<short> ids;
  for (long i = 1; i <= mDecos->GetCount(); ++i) {
    SDeco d{};
    mDecos->GetDecoAt(i, d);
    if (d.pictID == 0) continue;
    const SKXRunSpan run = mDecos->GetRunSpan(mDecos->GetOffsetAt(i), len);
    const std::string where = "picture " + std::to_string(d.pictID) + " at " + std::to_string(run.start);
    if (run.end - run.start != 1 || byteAt(run.start) != kKxPictureByte) return where + ": not on one picture byte";
    if (std::find(ids.begin(), ids.end(), d.pictID) != ids.end()) return where + ": ID used twice";
    ids.push_back(d.pictID);
    if (!gKXPictManager || gKXPictManager->FindPictureIndex(d.pictID) == 0) return where + ": not in the picture table";
  }

  if (mParas->GetCount() > 0) {
    if (std::string broken = mParas->Check(len); !broken.empty()) return "paragraph runs: " + broken;
    SParaStyl first{}, def{};
    mParas->GetParaAt(1, first);
    if (mParas->GetCount() == 1 && std::memcmp(&first, &def, sizeof def) == 0) return "paragraph runs: a lone default run kept";
    if (mParas->GetOffsetAt(1) != 0) return "paragraph runs: no run at 0";
    for (long i = 2; i <= mParas->GetCount(); ++i)
      if (byteAt(mParas->GetOffsetAt(i) - 1) != '\r')
        return "paragraph runs: run " + std::to_string(i) + " off a paragraph start";
  }

  std::vector<SKXRuby> rubys(static_cast<size_t>(GetRubysCount()));
  GetRubys(rubys.data(), static_cast<long>(rubys.size()));
  long rubyEnd = 0;
  for (const SKXRuby& r : rubys) {
    if (r.pos < rubyEnd || r.baseLen <= 0 || r.pos + r.baseLen > len)
      return "ruby at " + std::to_string(r.pos) + ": outside the text or overlapping";
    rubyEnd = r.pos + r.baseLen;
  }
  return "";
}
