// The private run flavors: making them from a range, reading them back
// checked, and inserting a received text with its runs.
#include "engine/text_flavors.h"

#include <algorithm>
#include <cstring>

#include "platform/script.h"
#include "platform/toolbox/pict.h"
#include "text/base/flat.h"
#include "text/base/memory.h"
#include "text/codes/script.h"
#include "text/codes/unicode.h"
#include "text/runs/pictures.h"

namespace {

constexpr bool kBig = true;

// Count field and record size of each run flavor.
struct SFlavorLayout {
  long countSize;
  long recordSize;
};

bool LayoutOf(OSType type, SFlavorLayout& l) {
  switch (type) {
    case kKxFlavorStyl: l = {2, kKxStylRunFlatSize}; return true;
    case kKxFlavorDeco: l = {2, kKxDecoRunFlatSize}; return true;
    case kKxFlavorPara: l = {2, kKxParaRunFlatSize}; return true;
    case kKxFlavorUniChars: l = {4, kKxUniCharFlatSize}; return true;
    case kKxFlavorRubyInfo: l = {4, kKxRubyInfoFlatSize}; return true;
    default: return false;
  }
}

template <typename Run, typename Put>
void PutRecords(KxFlavorBytes& out, OSType type, const std::vector<Run>& runs, Put put) {
  SFlavorLayout l{};
  LayoutOf(type, l);
  const long n = static_cast<long>(runs.size());
  out.assign(static_cast<size_t>(l.countSize + n * l.recordSize), 0);
  if (l.countSize == 2)
    KxFlatPut16(out.data(), static_cast<std::uint16_t>(n), kBig);
  else
    KxFlatPut32(out.data(), static_cast<std::uint32_t>(n), kBig);
  for (long k = 0; k < n; ++k) put(out.data() + l.countSize + k * l.recordSize, runs[size_t(k)], kBig);
}

template <typename Run, typename Get>
std::vector<Run> GetRecords(const unsigned char* data, long countSize, long recordSize, long n, Get get) {
  std::vector<Run> runs(static_cast<size_t>(n));
  for (long k = 0; k < n; ++k) get(data + countSize + k * recordSize, runs[size_t(k)], kBig);
  return runs;
}

PicHandle CopyBlock(const char* bytes, long size) {
  if (!bytes || size < 1) return nullptr;
  PicHandle h = KxMemHAlloc(size, false);
  if (!h) return nullptr;
  std::memcpy(*h, bytes, static_cast<size_t>(size));
  return h;
}

// Run offsets from the transfer text (with inline ruby) to the plain text:
// first cleaned against the transfer text, so that they rise as moving
// them needs, then moved (an offset inside an inline part goes to the end
// of its base) and cleaned again against the plain text.
template <typename Run, typename Clean>
void ToPlain(std::vector<Run>& runs, long transferLen, const std::vector<SKXRuby>& rubys, long plainLen,
             Clean clean) {
  if (runs.empty()) return;
  runs.resize(static_cast<size_t>(clean(runs.data(), static_cast<long>(runs.size()), transferLen)));
  if (!rubys.empty() && !runs.empty())
    UKXRuby::DeleteRubyFromPos(0, rubys.data(), static_cast<long>(rubys.size()), runs.data(),
                               static_cast<long>(runs.size()), sizeof(Run));
  runs.resize(static_cast<size_t>(clean(runs.data(), static_cast<long>(runs.size()), plainLen)));
}

long CleanStyls(SKXStyl* r, long n, long len) { return KxCheckStylRuns(r, n, len); }
long CleanDecos(SKXDeco* r, long n, long len) { return KxCheckDecoRuns(r, n, len, nullptr); }
// Decoration runs before their pictures are resolved: in order as the
// others, but never merged, so that two picture runs naming one reference
// stay two runs (each gets a picture of its own).
long OrderDecos(SKXDeco* r, long n, long len) {
  long kept = 0;
  for (long k = 0; k < n; ++k) {
    SKXDeco d = r[k];
    KxNormalizeDeco(d);
    if (kept == 0)
      d.offset = 0;
    else if (d.offset <= r[kept - 1].offset || d.offset >= len)
      continue;
    r[kept++] = d;
  }
  return kept;
}
long CleanParas(SKXPara* r, long n, long len) { return KxCheckParaRuns(r, n, len); }
long CleanUniChars(SKXUniChar* r, long n, long len) { return KxCheckUniChars(r, n, len); }

}  // namespace

// ---- layouts ------------------------------------------------------------------------------

bool CKXTextFlavorData::IsRunFlavor(OSType type) {
  SFlavorLayout l{};
  return LayoutOf(type, l);
}

EKXFlavorRead CKXTextFlavorData::CheckFlavorData(OSType type, const unsigned char* data, long size, long* count) {
  SFlavorLayout l{};
  if (!LayoutOf(type, l)) return EKXFlavorRead::kUnknown;
  if (!data || size < l.countSize) return EKXFlavorRead::kBroken;
  const std::int64_t n = l.countSize == 2 ? std::int64_t{static_cast<std::int16_t>(KxFlatGet16(data, kBig))}
                                          : std::int64_t{KxFlatGet32(data, kBig)};
  if (n < 0 || l.countSize + n * l.recordSize > std::int64_t{size}) return EKXFlavorRead::kBroken;
  if (count) *count = static_cast<long>(n);
  return n == 0 ? EKXFlavorRead::kEmpty : EKXFlavorRead::kRead;
}

bool CKXTextFlavorData::MakeLaunchInfo(const std::string& path, KxFlavorBytes& out) {
  const long len = static_cast<long>(path.size());
  if (len < 1 || len > kKxLaunchInfoMaxPath) return false;
  out.assign(kKxLaunchInfoSize, 0);
  KxFlatPut32(out.data(), static_cast<std::uint32_t>(len), false);
  std::memcpy(out.data() + 4, path.data(), path.size());
  return true;
}

bool CKXTextFlavorData::ReadLaunchInfo(const unsigned char* data, long size, std::string& path) {
  if (!data || size < 4) return false;
  const std::uint32_t len = KxFlatGet32(data, false);
  if (len < 1 || len > kKxLaunchInfoMaxPath || std::int64_t{len} + 4 > std::int64_t{size}) return false;
  path.assign(reinterpret_cast<const char*>(data) + 4, len);
  return true;
}

// ---- writing ----------------------------------------------------------------------------------

CKXTextFlavorWriter::CKXTextFlavorWriter(const CKXText& text, long from, long to)
    : mText(text), mFrom(from), mTo(to) {
  text.AdjustSelect(mFrom, mTo);
  if (mFrom == mTo || !text.IsRubyExist(mFrom, mTo)) return;
  long n = text.GetSelRubysCount(mFrom, mTo);
  if (n < 1) return;
  mRubys.resize(static_cast<size_t>(n));
  mRubys.resize(static_cast<size_t>(text.GetSelRubys(mFrom, mTo, mRubys.data(), n)));
  // Each base as the inline text will hold it: within the range, before
  // its first control byte and on a character boundary of the fonts' script;
  // a base cut to nothing has no place to go.
  struct BaseAt {
    const CKXText* text;
    long start;
  };
  const KxCutScriptFn scriptAt = [](const void* c, long offset) -> short {
    const auto* at = static_cast<const BaseAt*>(c);
    return at->text->GetScriptType(at->start + offset);
  };
  char base[kKxRubyMaxBase];
  for (SKXRuby& r : mRubys) {
    const BaseAt at{&mText, mFrom + r.pos};
    long got = mText.CopyBytes(at.start, std::min(at.start + r.baseLen, mTo), base, sizeof base);
    UKXRuby::AdjustRubyTarget(r.pos, &r, 1, base, got, SKXCutScript{1, scriptAt, &at});
  }
  std::erase_if(mRubys, [](const SKXRuby& r) { return r.baseLen == 0; });
}

bool CKXTextFlavorWriter::IsLonePicture() const {
  if (mTo - mFrom != 1) return false;
  char b = 0;
  short width = 0, height = 0;
  return mText.CopyBytes(mFrom, mTo, &b, 1) == 1 && static_cast<unsigned char>(b) == kKxPictureByte &&
         CKXDecoArray::GetPicture(mText.GetDecoPictID(mFrom), width, height) != nullptr;
}

template <typename Run>
void CKXTextFlavorWriter::ToTransfer(std::vector<Run>& runs) const {
  if (mRubys.empty() || runs.empty()) return;
  UKXRuby::InsertRubyToPos(0, mRubys.data(), static_cast<long>(mRubys.size()), runs.data(),
                           static_cast<long>(runs.size()), sizeof(Run));
}

void CKXTextFlavorWriter::MakeText(KxFlavorBytes& out) const {
  const long len = mTo - mFrom;
  const long added = UKXRuby::ToRubyInfo(0, mRubys.data(), static_cast<long>(mRubys.size()), nullptr);
  out.assign(static_cast<size_t>(len + added), 0);
  char* buf = reinterpret_cast<char*>(out.data());
  long got = mText.CopyBytes(mFrom, mTo, buf, len);
  UKXRuby::InsertRubyToText(0, mRubys.data(), static_cast<long>(mRubys.size()), buf, got);
  out.resize(static_cast<size_t>(got));
}

EKXFlavorMake CKXTextFlavorWriter::MakeFlavor(OSType type, KxFlavorBytes& out) const {
  switch (type) {
    case kKxFlavorStyl: return MakeStyl(out);
    case kKxFlavorDeco: return MakeDeco(out, EKXPictureRefs::kTableID, nullptr);
    case kKxFlavorPara: return MakePara(out);
    case kKxFlavorUniChars: return MakeUniChars(out);
    case kKxFlavorRubyInfo: return MakeRubyInfo(out);
    default: return EKXFlavorMake::kNothing;
  }
}

EKXFlavorMake CKXTextFlavorWriter::MakeStyl(KxFlavorBytes& out) const {
  if (mFrom == mTo) return EKXFlavorMake::kNothing;
  long n = std::max(mText.GetSelStylCount(mFrom, mTo), 1L);
  if (n > kKxFlavorMaxRuns16) return EKXFlavorMake::kTooMany;
  std::vector<SKXStyl> runs(static_cast<size_t>(n));
  runs.resize(static_cast<size_t>(mText.GetSelStyls(mFrom, mTo, runs.data(), n)));
  ToTransfer(runs);
  PutRecords(out, kKxFlavorStyl, runs, KxPutStylRunFlat);
  return EKXFlavorMake::kMade;
}

EKXFlavorMake CKXTextFlavorWriter::MakeDeco(KxFlavorBytes& out, EKXPictureRefs refs,
                                            std::vector<KxFlavorBytes>* pictures) const {
  if (mFrom == mTo) return EKXFlavorMake::kNothing;
  long n = std::max(mText.GetSelDecoCount(mFrom, mTo), 1L);
  if (n > kKxFlavorMaxRuns16) return EKXFlavorMake::kTooMany;
  std::vector<SKXDeco> runs(static_cast<size_t>(n));
  runs.resize(static_cast<size_t>(mText.GetSelDecos(mFrom, mTo, runs.data(), n)));
  for (SKXDeco& r : runs) {
    if (r.deco.pictID == 0) continue;
    short width = 0, height = 0;
    PicHandle pict = CKXDecoArray::GetPicture(r.deco.pictID, width, height);
    if (!pict || (refs == EKXPictureRefs::kSequence && !pictures)) {
      r.deco.pictID = 0;
      continue;
    }
    if (refs == EKXPictureRefs::kSequence) {
      const long size = KxMemHSize(pict);
      pictures->emplace_back(*pict, *pict + size);
      r.deco.pictID = static_cast<std::int16_t>(pictures->size());
    }
  }
  ToTransfer(runs);
  PutRecords(out, kKxFlavorDeco, runs, KxPutDecoRunFlat);
  return EKXFlavorMake::kMade;
}

EKXFlavorMake CKXTextFlavorWriter::MakePara(KxFlavorBytes& out) const {
  // An empty paragraph array means every paragraph has the default style.
  if (mFrom == mTo || mText.GetParaCount() == 0) return EKXFlavorMake::kNothing;
  long n = std::max(mText.GetSelParaCount(mFrom, mTo), 1L);
  if (n > kKxFlavorMaxRuns16) return EKXFlavorMake::kTooMany;
  std::vector<SKXPara> runs(static_cast<size_t>(n));
  runs.resize(static_cast<size_t>(mText.GetSelParas(mFrom, mTo, runs.data(), n)));
  ToTransfer(runs);
  PutRecords(out, kKxFlavorPara, runs, KxPutParaRunFlat);
  return EKXFlavorMake::kMade;
}

EKXFlavorMake CKXTextFlavorWriter::MakeUniChars(KxFlavorBytes& out) const {
  long n = mFrom == mTo ? 0 : mText.GetSelUniCharsCount(mFrom, mTo);
  if (n < 1) return EKXFlavorMake::kNothing;
  std::vector<SKXUniChar> items(static_cast<size_t>(n));
  items.resize(static_cast<size_t>(mText.GetSelUniChars(mFrom, mTo, items.data(), n)));
  ToTransfer(items);
  PutRecords(out, kKxFlavorUniChars, items, KxPutUniCharFlat);
  return EKXFlavorMake::kMade;
}

EKXFlavorMake CKXTextFlavorWriter::MakeRubyInfo(KxFlavorBytes& out) const {
  if (mRubys.empty()) return EKXFlavorMake::kNothing;
  std::vector<SKXRubyInfo> infos(mRubys.size());
  UKXRuby::ToRubyInfo(0, mRubys.data(), static_cast<long>(mRubys.size()), infos.data());
  PutRecords(out, kKxFlavorRubyInfo, infos, KxPutRubyInfoFlat);
  return EKXFlavorMake::kMade;
}

// ---- pictures -----------------------------------------------------------------------------------

KxPictureFetch KxPicturesFromTable() {
  return [](long ref) -> PicHandle {
    if (ref < 1 || ref > CKXPictArray::kMaxPictureID) return nullptr;
    short width = 0, height = 0;
    PicHandle pict = CKXDecoArray::GetPicture(static_cast<short>(ref), width, height);
    return pict ? CopyBlock(*pict, KxMemHSize(pict)) : nullptr;
  };
}

KxPictureFetch KxPicturesFromList(const std::vector<KxFlavorBytes>& pictures, bool stored) {
  return [&pictures, stored](long ref) -> PicHandle {
    if (ref < 1 || ref > static_cast<long>(pictures.size())) return nullptr;
    const KxFlavorBytes& b = pictures[size_t(ref - 1)];
    // These bytes come from outside: a record without a whole header, or
    // whose frame is empty, turned over or larger than any picture we make,
    // would stand in the text as an invisible or a window-filling picture.
    std::int32_t width = 0, height = 0;
    if (!stored && !KxPictFrameSize(b.data(), b.size(), width, height)) return nullptr;
    return CopyBlock(reinterpret_cast<const char*>(b.data()), static_cast<long>(b.size()));
  };
}

// ---- reading -------------------------------------------------------------------------------------

void CKXTextFlavorReader::SetText(const unsigned char* bytes, long n) {
  if (!bytes || n < 1)
    mBytes.clear();
  else
    mBytes.assign(bytes, bytes + n);
}

void CKXTextFlavorReader::SetText(KxFlavorBytes&& bytes) {
  mBytes = std::move(bytes);
  bytes.clear();
}

EKXFlavorRead CKXTextFlavorReader::ReadFlavor(OSType type, const unsigned char* data, long size) {
  long n = 0;
  const EKXFlavorRead result = CKXTextFlavorData::CheckFlavorData(type, data, size, &n);
  if (result == EKXFlavorRead::kBroken || result == EKXFlavorRead::kUnknown) return result;
  SFlavorLayout l{};
  LayoutOf(type, l);
  switch (type) {
    case kKxFlavorStyl: mStyls = GetRecords<SKXStyl>(data, l.countSize, l.recordSize, n, KxGetStylRunFlat); break;
    case kKxFlavorDeco: mDecos = GetRecords<SKXDeco>(data, l.countSize, l.recordSize, n, KxGetDecoRunFlat); break;
    case kKxFlavorPara: mParas = GetRecords<SKXPara>(data, l.countSize, l.recordSize, n, KxGetParaRunFlat); break;
    case kKxFlavorUniChars:
      mUniChars = GetRecords<SKXUniChar>(data, l.countSize, l.recordSize, n, KxGetUniCharFlat);
      break;
    case kKxFlavorRubyInfo:
      mRubyInfos = GetRecords<SKXRubyInfo>(data, l.countSize, l.recordSize, n, KxGetRubyInfoFlat);
      break;
    default: break;
  }
  return result;
}

long CKXTextFlavorReader::InsertInto(CKXText& text, long pos) const {
  if (mBytes.empty()) return 0;
  const long transferLen = static_cast<long>(mBytes.size());
  const char* transfer = reinterpret_cast<const char*>(mBytes.data());

  // Ruby: the inline parts that the infos describe (and only those, found
  // where the infos say, within the limits of a ruby) leave the text. Only
  // then is the text copied: a whole file's text is large.
  std::vector<SKXRuby> rubys;
  if (!mRubyInfos.empty()) {
    long count = 0;
    rubys.resize(mRubyInfos.size());
    UKXRuby::FromRubyInfo(mRubyInfos.data(), static_cast<long>(mRubyInfos.size()), transfer, transferLen,
                          rubys.data(), &count);
    rubys.resize(static_cast<size_t>(count));
  }
  long len = transferLen;
  std::vector<char> withoutRuby;
  if (!rubys.empty()) {
    withoutRuby.assign(transfer, transfer + transferLen);
    UKXRuby::DeleteRubyFromText(0, rubys.data(), static_cast<long>(rubys.size()), withoutRuby.data(), len);
    transfer = withoutRuby.data();
  }
  if (len < 1) return 0;
  const auto* plain = reinterpret_cast<const unsigned char*>(transfer);

  // Runs: rising offsets inside the text, the first at 0, no equal
  // neighbours, tab counts of at most 16.
  std::vector<SKXStyl> styls = mStyls;
  std::vector<SKXDeco> decos = mDecos;
  std::vector<SKXPara> paras = mParas;
  std::vector<SKXUniChar> uni = mUniChars;
  ToPlain(styls, transferLen, rubys, len, CleanStyls);
  ToPlain(decos, transferLen, rubys, len, OrderDecos);
  ToPlain(paras, transferLen, rubys, len, CleanParas);
  ToPlain(uni, transferLen, rubys, len, CleanUniChars);

  // The text ends on a whole character: a lone lead byte at its end would
  // join the byte after the insertion point into one character, which no
  // undo could take apart again. A whole file keeps its bytes: nothing
  // follows its end, and its bytes may not yet be the script's.
  if (!mWholeText) {
    pos = std::clamp(pos, 0L, text.GetLength());
    long from = 0;
    short script = text.GetScriptType(pos);
    for (const SKXStyl& r : styls)
      if (r.offset <= len - 1) {
        from = r.offset;
        script = KxFontToScriptType(r.styl.font);
      }
    const std::uint8_t* parse = KxScriptParseTable(script);
    long last = from;
    for (long k = from; k < len; k += 1 + parse[plain[k]]) last = k;
    if (last + 1 + parse[plain[last]] > len) {
      len = last;
      if (len < 1) return 0;
      styls.resize(static_cast<size_t>(CleanStyls(styls.data(), static_cast<long>(styls.size()), len)));
      paras.resize(static_cast<size_t>(CleanParas(paras.data(), static_cast<long>(paras.size()), len)));
      uni.resize(static_cast<size_t>(CleanUniChars(uni.data(), static_cast<long>(uni.size()), len)));
      std::erase_if(decos, [&](const SKXDeco& r) { return r.offset >= len; });
      std::erase_if(rubys, [&](const SKXRuby& r) { return r.pos + r.baseLen > len; });
    }
  }

  // A side entry stands on a placeholder or on the code its character
  // shares, else the byte is what it says.
  std::erase_if(uni, [&](const SKXUniChar& u) {
    return !KxIsPlaceholderAt(plain + u.offset, len - u.offset) &&
           !KxUnicodeIsSharedCodeAt(plain + u.offset, len - u.offset, u.value);
  });

  // Pictures: a reference counts only on a run that is exactly one picture
  // byte, and each becomes a picture of the table of its own (so that two
  // runs naming one reference never share an ID). The text's insertion
  // takes the new IDs over.
  for (size_t k = 0; k < decos.size(); ++k) {
    SKXDeco& r = decos[k];
    const long ref = r.deco.pictID;
    if (ref == 0) continue;
    r.deco.pictID = 0;
    const long end = k + 1 < decos.size() ? decos[k + 1].offset : len;
    if (ref < 0 || !mFetch || end - r.offset != 1 || plain[r.offset] != kKxPictureByte) continue;
    PicHandle pict = mFetch(ref);
    Rect frame{};
    if (!pict) continue;
    if (KxReadPictFrame(pict, frame)) r.deco.pictID = CKXDecoArray::SetPicture(pict);
    if (r.deco.pictID == 0) KxMemHFree(pict);
  }
  decos.resize(static_cast<size_t>(CleanDecos(decos.data(), static_cast<long>(decos.size()), len)));

  pos = std::clamp(pos, 0L, text.GetLength());
  text.InsertText(pos, reinterpret_cast<const char*>(plain), len, styls.data(), static_cast<long>(styls.size()), decos.data(),
                  static_cast<long>(decos.size()), paras.data(), static_cast<long>(paras.size()), uni.data(),
                  static_cast<long>(uni.size()));
  if (!rubys.empty()) text.SetSelRubys(pos, pos + len, rubys.data(), static_cast<long>(rubys.size()));
  return len;
}
