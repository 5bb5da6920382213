#include "document/file_tube.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "document/doc_records.h"
#include "platform/bytefields.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "platform/toolbox/pict.h"
#include "text/base/memory.h"

const OSType sTypePict[kKxPictKinds] = {FourCC("PICT"), FourCC("WBMP"), FourCC("WDIB"),
                                        FourCC("WMFP"), FourCC("WEMF"), FourCC("JPEG")};

namespace {

constexpr OSType kText = FourCC("TEXT");
constexpr OSType kPict = FourCC("PICT");

bool IsRecord(OSType t) {
  return t == kKxRecMPSR || t == kKxRecKXSR || t == kKxRecMARK || t == kKxRecRANK || t == kKxRecLINE ||
         t == kKxRecMTPR || t == kKxRecFORM;
}
bool IsRunFlavor(OSType t) {
  return t == FourCC("styl") || t == FourCC("styw") || t == FourCC("styx") || t == FourCC("styu") ||
         t == FourCC("styy");
}
bool IsPictKindType(OSType t) {
  return std::find(std::begin(sTypePict), std::end(sTypePict), t) != std::end(sTypePict);
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Messages go to alerts and drivers as UTF-8; the string list holds the
// system's own text.
std::string ReadFailureText() {
  const std::string text = KxScriptTextToUTF8(KxIndString(204, 1));
  return text.empty() ? "ファイルを読み込めませんでした。" : text;
}

// Why a file was not read: a file that is no text file at all, or one
// larger than a text can be, is named with its reason; other failures give
// the system's reason.
std::string OpenFailureText(const std::string& path, int err, EKXFileKind kind) {
  const std::string name = "\u300C" + BaseName(path) + "\u300D";
  if (err == EFBIG)
    return name + "は大きすぎて開けません。テキストは " + std::to_string(kKxMaxOffset) + " バイトまでです。";
  if (err == EINVAL) {
    switch (kind) {
      case EKXFileKind::kPipe: return name + "は名前付きパイプで、ファイルではないため開けません。";
      case EKXFileKind::kDevice: return name + "はデバイスで、ファイルではないため開けません。";
      case EKXFileKind::kSocket: return name + "はソケットで、ファイルではないため開けません。";
      case EKXFileKind::kOther: return name + "は通常のファイルではないため開けません。";
      default: break;
    }
  }
  return ReadFailureText() + " (" + KxErrorText(err) + ")";
}

// A save refused a temporary file in the target's folder could not write
// there at all: another folder is the way out.
std::string SaveFailureText(int err, bool folderRefused) {
  if (folderRefused)
    return "フォルダに書き込めません (" + KxErrorText(err) + ")。\u300C別名で保存\u300Dでほかのフォルダに保存してください。";
  return "ファイルを保存できませんでした (" + KxErrorText(err) + ")。";
}

// The container's footer says "KXTF" in either byte order with a version
// we know.
bool HasContainerFooter(const std::vector<std::uint8_t>& d) {
  if (d.size() < std::size_t(kKxResFootSize)) return false;
  const std::uint8_t* f = d.data() + d.size() - kKxResFootSize;
  const std::uint32_t magic = KxGetU32N(f + 16);
  const std::uint16_t version = KxGetU16N(f + 14);
  if (magic == kKxResMagic) return version == kKxResVersion || version == kKxResVersion2;
  if (magic == KxSwap32(kKxResMagic)) return version == KxSwap16(kKxResVersion) || version == KxSwap16(kKxResVersion2);
  return false;
}

std::int32_t GetI32LE(const std::uint8_t* p) {
  return std::int32_t(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
                      (std::uint32_t(p[3]) << 24));
}
std::int16_t FrameSide(std::int64_t v) {
  if (v < 0) v = -v;  // a bitmap stored top-down has a negative height
  return std::int16_t(std::min<std::int64_t>(v, 32767));
}
void SetFrame(std::uint8_t* pict, std::int16_t height, std::int16_t width) {
  KxPutU16BE(pict + 2, 0);
  KxPutU16BE(pict + 4, 0);
  KxPutU16BE(pict + 6, std::uint16_t(height));
  KxPutU16BE(pict + 8, std::uint16_t(width));
}
long Round16(long n) { return (n + 15) & ~15L; }

// "._name" backups follow the data file's: "._[k]name".
std::string SidecarBackupName(const std::string& name, int k) {
  if (name.rfind("._", 0) == 0) return "._" + KxBackupName(name.substr(2), k);
  return KxBackupName(name, k);
}

std::vector<std::uint8_t> JPEGForm(const std::vector<std::uint8_t>& preview, const std::uint8_t* jpeg, long size) {
  const long head = Round16(long(preview.size()));
  std::vector<std::uint8_t> out(std::size_t(head + 16 + size), 0);
  std::memcpy(out.data(), preview.data(), preview.size());
  std::memcpy(out.data() + head, sJPEGIDString, 16);
  if (size > 0) std::memcpy(out.data() + head + 16, jpeg, std::size_t(size));
  std::int16_t h = 0, w = 0;
  if (preview.size() >= 10) {
    h = std::int16_t(std::int16_t(KxGetU16BE(preview.data() + 6)) - std::int16_t(KxGetU16BE(preview.data() + 2)));
    w = std::int16_t(std::int16_t(KxGetU16BE(preview.data() + 8)) - std::int16_t(KxGetU16BE(preview.data() + 4)));
  }
  KxPutU16BE(out.data(), std::uint16_t(2 * kKxPictJPEG + 1));
  SetFrame(out.data(), h, w);
  return out;
}

// The preview of a JPEG form: empty when the JPEG does not decode into a
// picture, else the placeholder picture under the decoded picture's frame.
// The JPEG is decoded whole, so that only what UKXPict::GetPictureFromJPEG
// takes gets in (the same test, short of making its picture: a converter
// that decodes it, each side 1 to kKxPictMaxSide, at most kKxPictMaxPixels);
// but drawing and printing decode the JPEG itself and a save writes the JPEG
// alone, so no pixels are kept: a full-size preview held four bytes a pixel
// for every picture of every open document, and several copies more of the
// pixels while it was made.
std::vector<std::uint8_t> DecodePreview(const std::uint8_t* jpeg, long size) {
  const KxPictureConverter decode = KxGetPictureConverter(kKxPictureKindJPEG);
  if (!decode || !jpeg || size <= 0) return {};
  std::int32_t width = 0, height = 0;
  {
    // Printing's memory rules while the pixels are held, as for any decode.
    struct StMemPrinting {
      StMemPrinting() { KxMemPrinting(true); }
      ~StMemPrinting() { KxMemPrinting(false); }
    } printing;
    KxPicturePixels px;
    bool ok = false;
    try {
      ok = decode(jpeg, size, px);
    } catch (...) {
      ok = false;   // a decoder failure of any kind is a decoding failure
    }
    const std::int64_t pixels = std::int64_t(px.width) * std::int64_t(px.height);
    if (!ok || px.width <= 0 || px.height <= 0 || px.width > kKxPictMaxSide || px.height > kKxPictMaxSide ||
        pixels > kKxPictMaxPixels || std::int64_t(px.rgb.size()) != pixels * 3)
      return {};
    width = px.width;
    height = px.height;
  }
  std::vector<std::uint8_t> out = CKXTextFileTube::GetDummyPict();
  SetFrame(out.data(), std::int16_t(height), std::int16_t(width));
  return out;
}

}  // namespace

namespace {
// The CRC register over more bytes: start with 0xFFFFFFFF, end by
// inverting it.
std::uint32_t Crc32Run(std::uint32_t c, const std::uint8_t* p, std::size_t n) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  for (std::size_t i = 0; i < n; ++i) c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  return c;
}
}  // namespace

std::uint32_t KxCrc32(const std::uint8_t* p, std::size_t n) { return Crc32Run(0xFFFFFFFFu, p, n) ^ 0xFFFFFFFFu; }

// ---------------------------------------------------------------- byte-order hooks

void CKXTextResFile::InvertResource(ResType type, short id, void* buffer, long size) {
  KxInvertRecord(CKXTextFlavorFile::FileFlavorType(type, id), static_cast<std::uint8_t*>(buffer), size, true);
}

Boolean CKXTextResFile::AdjustResource(ResType type, short id, void* buffer, long size) {
  auto* p = static_cast<std::uint8_t*>(buffer);
  if (type == kKxRecMPSR && id == 1005) {
    // Window rectangles belong to the screen they were saved on.
    if (size > 38) std::memset(p + 38, 0, std::size_t(std::min<long>(size, 54) - 38));
  } else if (type == FourCC("styl") && id == 128 && size >= 2) {
    // Line heights and ascents are measured again: zero in either order.
    const long count = std::min<long>(KxGetU16N(p), (size - 2) / 20);
    for (long k = 0; k < count; ++k) std::memset(p + 2 + 20 * k + 4, 0, 4);
  }
  return true;
}

OSType CKXTextFlavorFile::FileFlavorType(OSType stored, short id) {
  if (stored == FourCC("deco") && id == 128) return FourCC("styw");
  if (stored == FourCC("para") && id == 128) return FourCC("styx");
  if (stored == kKxRecMPSR && id == 1007) return kKxRecMARK;
  if (stored == kKxRecKXSR) {
    switch (id) {
      case 1001: return kKxRecMTPR;
      case 1002: return kKxRecLINE;
      case 1003: return kKxRecFORM;
      case 1007: return kKxRecRANK;
      default: break;
    }
  }
  return stored;
}

void CKXTextFlavorFile::SwapIntFlavorFile(OSType flavor, std::uint8_t* data, long size, bool writing) {
  if (kKxNativeOrder == KxByteOrder::kBig || !IsRecord(flavor) || flavor == kKxRecRANK) return;
  KxInvertRecord(flavor, data, size, !writing);
}

// ---------------------------------------------------------------- names and types

OSType CKXTextFileTube::TextFileTypeCheck(OSType type, const std::string& path) {
  const std::string name = BaseName(path);
  if ((type == 0 || type == kText) && name.size() > 4) {
    std::string end4 = name.substr(name.size() - 4);
    for (char& c : end4)
      if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    static const struct { const char* end; OSType type; } k4[] = {
        {".aif", FourCC("AIFF")}, {".eps", FourCC("EPSF")}, {".jpe", FourCC("JPEG")}, {".jpg", FourCC("JPEG")},
        {".mov", FourCC("MooV")}, {".mpe", FourCC("MPEG")}, {".mpg", FourCC("MPEG")}, {".pcs", kPict},
        {".pic", kPict},          {".rtf", FourCC("RTF ")}, {".tif", FourCC("TIFF")}};
    for (const auto& e : k4)
      if (end4 == e.end) return e.type;
    if (name.size() >= 6 && name[name.size() - 5] == '.') {
      static const struct { const char* end; OSType type; } k5[] = {
          {"aiff", FourCC("AIFF")}, {"epsf", FourCC("EPSF")}, {"jpeg", FourCC("JPEG")}, {"moov", FourCC("MooV")},
          {"mpeg", FourCC("MPEG")}, {"pict", kPict},          {"tiff", FourCC("TIFF")}};
      for (const auto& e : k5)
        if (end4 == e.end) return e.type;
    }
  }
  static const OSType keep[] = {FourCC("MPEG"), FourCC("APPL"), FourCC(".WAV"), FourCC("AIFF"), FourCC(".KXT"),
                                FourCC("GIFf"), FourCC("JPEG"), FourCC("EPSF"), FourCC("MACR"), FourCC("TIFF"),
                                kPict,          FourCC("RTF "), FourCC("MooV"), kText,          FourCC("pref"),
                                FourCC("sEXT"), FourCC("WAVE"), FourCC("ttro")};
  for (OSType k : keep)
    if (type == k) return type;
  return kText;
}

OSType CKXTextFileTube::GetFlavorTypeFromName(const std::string& path) {
  const std::string name = BaseName(path);
  if (name.size() < 5) return 0;
  std::string end4 = name.substr(name.size() - 4);
  for (char& c : end4)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  if (end4 == ".htm" || end4 == ".txt") return kText;
  if (name.size() >= 6 && name[name.size() - 5] == '.' && (end4 == "html" || end4 == "text")) return kText;
  const OSType t = TextFileTypeCheck(0, name);
  // TextFileTypeCheck answers "TEXT" for every ending it does not know.
  return t == kText ? 0 : t;
}

const std::vector<std::uint8_t>& CKXTextFileTube::GetDummyPict() {
  // Any small valid picture serves: one white pixel.
  static const std::vector<std::uint8_t> dummy = [] {
    const std::uint32_t white = 0xFFFFFF;
    return KxPictFromPixels(1, 1, &white);
  }();
  return dummy;
}

std::vector<std::uint8_t> CKXTextFileTube::GetPictureFromJPEG(const void* jpeg, long size) {
  if (!jpeg || size <= 0) return {};
  const auto* p = static_cast<const std::uint8_t*>(jpeg);
  std::vector<std::uint8_t> preview = DecodePreview(p, size);
  if (preview.empty()) return {};
  return JPEGForm(preview, p, size);
}

// ---------------------------------------------------------------- open and commit

int CKXTextFileTube::OpenRead(const std::string& path, std::string& message, bool deferText) {
  mPath = path;
  mWriting = false;
  OSType type = 0, creator = 0;
  KxGetFileTypeCreator(path, type, creator);
  mFileType = TextFileTypeCheck(type, path);
  mCreator = creator;
  int sidecarErr = -1;   // the sidecar not read yet
  // Refused before a byte is read: what is no regular file (a pipe would
  // wait for a writer forever), and what is larger than a text can be.
  auto file = std::make_unique<CKXFileReader>();
  if (int err = file->Open(path, std::size_t(kKxMaxOffset))) {
    message = OpenFailureText(path, err, file->Kind());
    return err;
  }
  if (deferText) {
    // A plain text is left in the file: no container footer, no sidecar.
    // Anything else is read whole below, from the file opened here.
    std::vector<std::uint8_t> foot(std::size_t(std::min<std::size_t>(file->Size(), kKxResFootSize)));
    std::size_t got = 0;
    if (file->ReadAt(file->Size() - foot.size(), foot.data(), foot.size(), got) == 0 && got == foot.size() &&
        !HasContainerFooter(foot)) {
      sidecarErr = KxReadSidecar(path, mSidecar);
      if (sidecarErr == ENOENT) {
        mLayout = EKXLayout::kClassic;
        mHadSidecar = false;
        mFile = std::move(file);
        return 0;
      }
    }
  }
  if (int err = file->ReadAll(mData)) {
    message = OpenFailureText(path, err, file->Kind());
    return err;
  }
  if (HasContainerFooter(mData)) {
    mRes = std::make_unique<CKXTextResFile>(std::move(mData));
    mData.clear();
    try {
      mRes->OpenResInfo();
    } catch (const LException&) {
      mRes->SetOpen(false);
    }
    if (!mRes->IsOpen()) {
      // Read as text, the next save would write that text over the document.
      message = ReadFailureText() + " (書類のリソースマップが壊れています)";
      return EBADMSG;
    }
    mLayout = EKXLayout::kContainer;
    return 0;
  }
  mLayout = EKXLayout::kClassic;
  const int err = sidecarErr >= 0 ? sidecarErr : KxReadSidecar(path, mSidecar);
  mHadSidecar = err != ENOENT;
  if (err == EBADMSG || (err == 0 && mSidecar.GetResourceFork(mFork) != 0)) {
    mSidecarDamaged = true;
    mFork.Clear();
    mNotice = "\u300C" + BaseName(path) + "\u300Dの付属ファイルが壊れています。テキストはスタイルなしで読み込みます。";
    return 0;
  }
  if (err != 0 && err != ENOENT) {
    mNotice = "\u300C" + BaseName(path) + "\u300Dの付属ファイルを読み込めませんでした。テキストはスタイルなしで読み込みます。";
    return 0;
  }
  if (const KxResForkItem* check = mFork.Find(kKxTextCheckType, kKxTextCheckID)) {
    bool same = check->data.size() == std::size_t(kKxTextCheckSize);
    if (same) {
      const std::uint64_t length = (std::uint64_t(KxGetU32BE(check->data.data())) << 32) | KxGetU32BE(check->data.data() + 4);
      same = length == mData.size() && KxGetU32BE(check->data.data() + 8) == KxCrc32(mData.data(), mData.size());
    }
    if (!same) {
      // Another program rewrote the text and left our sidecar behind.
      mStale = true;
      mFork.Clear();
      mNotice = "\u300C" + BaseName(path) + "\u300Dはほかのプログラムで変更されています。プレーンテキストとして読み込みます。";
    }
  }
  return 0;
}

int CKXTextFileTube::OpenWrite(const std::string& path, OSType fileType, OSType creator, EKXLayout layout,
                               std::string& message) {
  (void)message;
  mPath = path;
  mWriting = true;
  mLayout = layout;
  mFileType = TextFileTypeCheck(fileType, path);
  mCreator = creator;
  const int err = KxReadSidecar(path, mSidecar);
  mHadSidecar = err != ENOENT;
  if (err == 0 && mSidecar.GetResourceFork(mFork) != 0) mFork.Clear();
  if (err != 0) mSidecar = KxAppleDouble();
  // What this save writes anew leaves the old fork: runs, pictures, the
  // text check. Records are deleted or replaced one by one; foreign
  // resources stay.
  std::vector<std::pair<OSType, std::int16_t>> drop;
  for (const KxResForkItem& item : mFork.Items())
    if (IsRunFlavor(item.type) || item.type == kKxTextCheckType || item.type == kKxTextSpellingType ||
        ((IsPictKindType(item.type) || item.type == kKxTypeWSIZ) && item.id >= 1000))
      drop.emplace_back(item.type, item.id);
  for (const auto& [t, id] : drop) mFork.Remove(t, id);
  if (layout == EKXLayout::kContainer) {
    mFork.Clear();  // the container file has no resource fork
    mRes = std::make_unique<CKXTextResFile>();
  }
  return 0;
}

bool CKXTextFileTube::GetTextSpelling(SKXTextSpelling& spelling) const {
  spelling = SKXTextSpelling{};
  const KxResForkItem* item = mLayout == EKXLayout::kClassic ? mFork.Find(kKxTextSpellingType, kKxTextSpellingID) : nullptr;
  if (!item || item->data.size() != std::size_t(kKxTextSpellingSize)) return false;
  const std::uint8_t* p = item->data.data();
  spelling.encoding = KxGetU16BE(p);
  spelling.lineEnd = std::int16_t(KxGetU16BE(p + 2));
  spelling.length = (std::uint64_t(KxGetU32BE(p + 4)) << 32) | KxGetU32BE(p + 8);
  return true;
}

int CKXTextFileTube::ReadDataFileAt(std::size_t at, void* buffer, std::size_t n, std::size_t& got) const {
  got = 0;
  return mFile ? mFile->ReadAt(at, buffer, n, got) : EBADF;
}

int CKXTextFileTube::ReadDeferred(std::string& message) const {
  if (!mFile) return 0;
  std::unique_ptr<CKXFileReader> file = std::move(mFile);
  // No text rather than part of one.
  if (int err = file->ReadAll(mData)) {
    message = ReadFailureText() + " (" + KxErrorText(err) + ")";
    return err;
  }
  return 0;
}

void CKXTextFileTube::LoadDeferred() const {
  std::string message;
  ReadDeferred(message);
}

int CKXTextFileTube::EachDataPiece(const std::function<int(const std::uint8_t*, std::size_t)>& put) const {
  if (!mSource) return mData.empty() ? 0 : put(mData.data(), mData.size());
  // One buffer for every piece: it stays in the cache, where a whole copy
  // of a large text would cost fresh memory.
  constexpr long kPiece = 1L << 20;
  std::vector<std::uint8_t> buffer(std::size_t(std::min(kPiece, std::max(mSourceSize, 1L))));
  for (long at = 0; at < mSourceSize;) {
    const long want = std::min(long(buffer.size()), mSourceSize - at);
    const long got = mSource(at, buffer.data(), want);
    if (got != want) return EIO;
    if (int err = put(buffer.data(), std::size_t(got))) return err;
    at += got;
  }
  return 0;
}

bool CKXTextFileTube::DataEndsAsContainer() const {
  const long size = DataSize();
  if (size < kKxResFootSize) return false;
  std::vector<std::uint8_t> tail(static_cast<std::size_t>(kKxResFootSize));
  if (!mSource)
    std::copy(mData.end() - kKxResFootSize, mData.end(), tail.begin());
  else if (mSource(size - kKxResFootSize, tail.data(), kKxResFootSize) != kKxResFootSize)
    return false;
  return HasContainerFooter(tail);
}

int CKXTextFileTube::GatherDataPieces(std::vector<std::uint8_t>& out) const {
  out.clear();
  out.reserve(std::size_t(DataSize()));
  const int err = EachDataPiece([&out](const std::uint8_t* p, std::size_t n) {
    out.insert(out.end(), p, p + n);
    return 0;
  });
  if (err) out.clear();
  return err;
}

void CKXTextFileTube::Fail(const std::string& message) {
  if (mError.empty()) mError = message;
}

int CKXTextFileTube::Commit(std::string& message, int backupGenerations, CKXSafeBatch* batch) {
  if (!mWriting) {
    message = "書類は書き込み用に開かれていませんでした。";
    return EINVAL;
  }
  if (!mError.empty()) {
    message = mError;
    return EINVAL;
  }
  if (mLayout == EKXLayout::kContainer && !mRes->CloseResInfo()) {
    message = "書類のリソースを書き込めませんでした。";
    return EIO;
  }
  if (mLayout != EKXLayout::kContainer && DataEndsAsContainer()) {
    // Read again it would be taken for a damaged container and refused.
    message = "テキストの末尾が書類の入れ物の終わりを示すバイトと同じため、テキストファイルとしては"
              "開き直せなくなります。書類として保存してください。";
    return EINVAL;
  }
  // Written from where it is held: a copy of a large text costs as much as
  // writing it.
  const std::vector<std::uint8_t>& data = mLayout == EKXLayout::kContainer ? mRes->Bytes() : mData;
  const bool bySource = mLayout == EKXLayout::kClassic && mSource;
  const std::size_t dataSize = bySource ? std::size_t(mSourceSize) : data.size();
  if (mLayout != EKXLayout::kContainer) {
    mFork.Remove(kKxTextCheckType, kKxTextCheckID);
    mFork.Remove(kKxTextSpellingType, kKxTextSpellingID);
    if (!mFork.Empty() && (mTextSpelling.encoding != 0 || mTextSpelling.lineEnd != 0)) {
      std::uint8_t record[kKxTextSpellingSize];
      KxPutU16BE(record, mTextSpelling.encoding);
      KxPutU16BE(record + 2, std::uint16_t(mTextSpelling.lineEnd));
      KxPutU32BE(record + 4, std::uint32_t(mTextSpelling.length >> 32));
      KxPutU32BE(record + 8, std::uint32_t(mTextSpelling.length));
      mFork.Put(kKxTextSpellingType, kKxTextSpellingID, record, sizeof record);
    }
    if (!mFork.Empty()) {
      std::uint32_t crc = 0xFFFFFFFFu;
      if (int err = EachDataPiece([&crc](const std::uint8_t* p, std::size_t n) {
            crc = Crc32Run(crc, p, n);
            return 0;
          })) {
        message = SaveFailureText(err, false);
        return err;
      }
      std::uint8_t check[kKxTextCheckSize];
      KxPutU32BE(check, std::uint32_t(std::uint64_t(dataSize) >> 32));
      KxPutU32BE(check + 4, std::uint32_t(dataSize));
      KxPutU32BE(check + 8, crc ^ 0xFFFFFFFFu);
      mFork.Put(kKxTextCheckType, kKxTextCheckID, check, sizeof check);
    }
  }
  if (int err = mSidecar.SetResourceFork(mFork)) {
    message = "スタイルと設定が大きすぎて保存できません。";
    return err;
  }
  mSidecar.SetTypeCreator(mFileType, mCreator);
  // The sidecar is needed for a resource fork, for anything foreign in it,
  // and for a type the name does not imply.
  bool needed = !mFork.Empty();
  for (const KxAppleDouble::Entry& e : mSidecar.Entries()) {
    if (e.id == KxAppleDouble::kResourceForkID) continue;
    if (e.id == KxAppleDouble::kFinderInfoID) {
      for (std::size_t i = 8; i < e.data.size(); ++i) needed = needed || e.data[i] != 0;
    } else if (!e.data.empty()) {
      needed = true;
    }
  }
  OSType implied = KxTypeFromNameEnding(BaseName(mPath));
  if (implied == 0) implied = kText;
  needed = needed || mFileType != implied;

  if (batch) {
    // The batch takes whole files: a text put by pieces is gathered here.
    std::vector<std::uint8_t> gathered;
    if (bySource) {
      if (int err = GatherDataPieces(gathered)) {
        message = SaveFailureText(err, false);
        return err;
      }
    }
    const std::vector<std::uint8_t>& whole = bySource ? gathered : data;
    int err = batch->Add(mPath, whole.data(), whole.size());
    const std::string sidePath = KxSidecarPathOf(mPath);
    if (!err && needed) {
      const std::vector<std::uint8_t> side = mSidecar.Build();
      err = batch->Add(sidePath, side.data(), side.size());
    } else if (!err && mHadSidecar) {
      batch->RemoveAfterCommit(sidePath);
    }
    if (err) {
      message = SaveFailureText(err, false);
      return err;
    }
    mWriting = false;
    return 0;
  }
  CKXSafeWriter dataWriter(mPath);
  int err = dataWriter.Open();
  if (!err && bySource)
    err = EachDataPiece([&dataWriter](const std::uint8_t* p, std::size_t n) { return dataWriter.Write(p, n); });
  else if (!err)
    err = dataWriter.Write(data.data(), data.size());
  std::vector<std::uint8_t> side;
  const std::string sidePath = KxSidecarPathOf(dataWriter.Target().empty() ? mPath : dataWriter.Target());
  CKXSafeWriter sideWriter(sidePath);
  if (!err && needed) {
    side = mSidecar.Build();
    err = sideWriter.Open();
    if (!err) err = sideWriter.Write(side.data(), side.size());
  }
  if (err) {
    message = SaveFailureText(err, dataWriter.FolderRefused() || sideWriter.FolderRefused());
    return err;
  }
  if (backupGenerations > 0 && !needed) KxRotateBackups(sidePath, backupGenerations, SidecarBackupName);
  if (backupGenerations > 0 && needed && !mHadSidecar) {
    // The previous version had no sidecar: its backup must have none either.
    KxRotateBackups(sidePath, backupGenerations, SidecarBackupName);
    const std::string dir = sidePath.substr(0, sidePath.size() - BaseName(sidePath).size());
    std::remove((dir + SidecarBackupName(BaseName(sidePath), 1)).c_str());
  }
  if ((err = dataWriter.Commit(backupGenerations))) {
    message = SaveFailureText(err, false);
    return err;
  }
  if (needed) {
    err = sideWriter.Commit(mHadSidecar ? backupGenerations : 0, SidecarBackupName);
    if (err) {
      message = "スタイルと設定を保存できませんでした (" + KxErrorText(err) + ")。";
      return err;
    }
  } else if (mHadSidecar) {
    if (backupGenerations > 0) {
      const std::string dir = sidePath.substr(0, sidePath.size() - BaseName(sidePath).size());
      std::rename(sidePath.c_str(), (dir + SidecarBackupName(BaseName(sidePath), 1)).c_str());
    }
    KxRemoveSidecar(dataWriter.Target());
  }
  mWriting = false;
  return 0;
}

// ---------------------------------------------------------------- the flavor map

void CKXTextFileTube::MapFlavor(OSType flavor, OSType& stored, short& id) const {
  const bool c = mLayout == EKXLayout::kContainer;
  stored = flavor;
  id = mCurrentRef;
  if (flavor == kPict) {
    stored = sTypePict[mPictKind >= 0 ? mPictKind : 0];
    id = PictID();
    return;
  }
  if (flavor == mFileType) {
    if (c && mFileType == kText) id = 1;
    return;
  }
  switch (flavor) {
    case kText:
      if (c) {
        id = 1;
      } else if (mFileType == FourCC("ttro") || mFileType == FourCC("sEXT")) {
        stored = mFileType;
      }
      return;
    case FourCC("styl"):
    case FourCC("styu"):
    case FourCC("styy"):
      id = 128;
      return;
    case FourCC("styw"):
      stored = c ? FourCC("deco") : flavor;
      id = 128;
      return;
    case FourCC("styx"):
      id = 128;
      // A container of the other byte order names its paragraphs "para";
      // one that still says "styx" is read too.
      if (c && IsInverted() && (mRes->IsResExist(FourCC("para"), 128) || !mRes->IsResExist(flavor, 128)))
        stored = FourCC("para");
      return;
    case FourCC("usro"):
      id = 0;
      return;
    case kKxRecKXSR:
      if (id != 1001 && id != 1002 && id != 1003 && id != 1007) id = 1000;
      return;
    case kKxRecMTPR: stored = kKxRecKXSR; id = 1001; return;
    case kKxRecLINE: stored = kKxRecKXSR; id = 1002; return;
    case kKxRecFORM: stored = kKxRecKXSR; id = 1003; return;
    case kKxRecRANK: stored = kKxRecKXSR; id = 1007; return;
    case kKxRecMPSR:
      if (id != 1007) id = 1005;
      return;
    case kKxRecMARK: stored = kKxRecMPSR; id = 1007; return;
    default:
      return;
  }
}

void CKXTextFileTube::Advance(OSType flavor) {
  if (flavor != kPict) return;
  ++mPictNumber;
  mPictKind = -1;
  mPictHeader = 0;
  mPreview.clear();
}

bool CKXTextFileTube::IsDataFork(OSType stored) const {
  if (mLayout != EKXLayout::kClassic || stored != mFileType) return false;
  // A picture file (PICT, JPEG, ...) holds one picture: the first. Without
  // this every later picture number would find the same data file again.
  return !IsPictKindType(stored) || mPictNumber == 1000;
}

bool CKXTextFileTube::IsBareDataFile(OSType type, OSType& stored, short& id) const {
  MapFlavor(type, stored, id);
  return type != kPict && stored != kPict && !IsRecord(type) && IsDataFork(stored);
}

bool CKXTextFileTube::StoredExists(OSType stored, short id) const {
  if (mLayout == EKXLayout::kContainer) return mRes->IsResExist(stored, id);
  if (IsDataFork(stored)) {
    LoadDeferred();
    return stored != kPict || DataSize() > kKxPictFileHeader;
  }
  return mFork.Find(stored, id) != nullptr;
}

long CKXTextFileTube::StoredSize(OSType stored, short id) const {
  if (mLayout == EKXLayout::kContainer) return mRes->GetResSize(stored, id);
  if (IsDataFork(stored)) {
    LoadDeferred();
    // A picture file under its 512-byte header holds no picture.
    if (stored == kPict) return DataSize() > kKxPictFileHeader ? DataSize() - kKxPictFileHeader : 0;
    return DataSize();
  }
  const KxResForkItem* item = mFork.Find(stored, id);
  return item ? long(item->data.size()) : 0;
}

bool CKXTextFileTube::ReadStored(OSType stored, short id, std::vector<std::uint8_t>& out) const {
  out.clear();
  if (mLayout == EKXLayout::kContainer) {
    const long size = mRes->GetResSize(stored, id);
    if (size <= 0) return mRes->IsResExist(stored, id);
    out.resize(std::size_t(size));
    if (!mRes->ReadResource(out.data(), size, stored, id)) {
      out.clear();
      return false;
    }
    return true;
  }
  if (IsDataFork(stored)) {
    LoadDeferred();
    if (mDataTaken) return false;
    if (mSource) {
      // Only the text goes by pieces, never a picture file.
      return GatherDataPieces(out) == 0;
    }
    if (stored == kPict) {
      if (mData.size() <= std::size_t(kKxPictFileHeader)) return false;
      out.assign(mData.begin() + kKxPictFileHeader, mData.end());
    } else {
      out = mData;
    }
    return true;
  }
  const KxResForkItem* item = mFork.Find(stored, id);
  if (!item) return false;
  out = item->data;
  return true;
}

bool CKXTextFileTube::WriteStored(OSType stored, short id, const std::uint8_t* data, long size) {
  if (!mWriting) return false;
  if (mLayout == EKXLayout::kContainer) {
    std::vector<std::uint8_t> copy(data, data + size);
    // An empty text is a resource of no bytes, not a missing buffer.
    std::uint8_t none = 0;
    if (!mRes->WriteResource(size > 0 ? copy.data() : &none, size, stored, id)) {
      Fail("リソース " + KxTypeText(stored) + " を書き込めませんでした。");
      return false;
    }
    return true;
  }
  if (IsDataFork(stored)) {
    mSource = nullptr;
    mSourceSize = 0;
    if (stored == kPict) {
      mData.assign(std::size_t(kKxPictFileHeader), 0);
      mData.insert(mData.end(), data, data + size);
    } else {
      mData.assign(data, data + size);
    }
    return true;
  }
  mFork.Put(stored, id, data, std::size_t(size));
  return true;
}

void CKXTextFileTube::DeleteStored(OSType stored, short id) {
  if (mLayout == EKXLayout::kClassic && !IsDataFork(stored)) mFork.Remove(stored, id);
}

// ---------------------------------------------------------------- flavors

bool CKXTextFileTube::FlavorExists(OSType type) {
  if (type == kPict) return PictureExists();
  OSType stored;
  short id;
  MapFlavor(type, stored, id);
  return StoredExists(stored, id);
}

long CKXTextFileTube::GetFlavorSize(OSType type) {
  if (type == kPict) return GetPictureSize();
  OSType stored;
  short id;
  MapFlavor(type, stored, id);
  return StoredSize(stored, id);
}

bool CKXTextFileTube::GetFlavorData(OSType type, std::vector<std::uint8_t>& out) {
  out.clear();
  if (type == kPict) {
    const bool ok = BuildPicture(out);
    Advance(type);
    return ok;
  }
  OSType stored;
  short id;
  MapFlavor(type, stored, id);
  if (!ReadStored(stored, id, out)) return false;
  if (mLayout == EKXLayout::kContainer) {
    // The run flavors leave the tube big-endian.
    if (IsRunFlavor(type) && kKxNativeOrder == KxByteOrder::kLittle)
      KxInvertRecord(type, out.data(), long(out.size()), false);
  } else if (type == kKxRecRANK) {
    SKXRankRec rank;
    if (KxReadClassicRANK(out.data(), long(out.size()), rank)) {
      KxWriteRANK(rank, kKxNativeOrder, out);
    } else {
      out.clear();
    }
  } else {
    CKXTextFlavorFile::SwapIntFlavorFile(type, out.data(), long(out.size()), false);
  }
  return true;
}

bool CKXTextFileTube::TakeFlavorData(OSType type, std::vector<std::uint8_t>& out) {
  OSType stored;
  short id;
  if (mWriting || !IsBareDataFile(type, stored, id)) return GetFlavorData(type, out);
  LoadDeferred();
  if (mDataTaken) {
    out.clear();
    return false;
  }
  out = std::move(mData);
  mData.clear();
  mDataTaken = true;
  return true;
}

long CKXTextFileTube::GetFlavorData(OSType type, void* buffer, long maxSize) {
  if (!buffer || maxSize < 0) return 0;
  OSType stored;
  short id;
  std::vector<std::uint8_t> bytes;
  const std::uint8_t* from = bytes.data();
  long size = 0;
  if (!mWriting && !mDataTaken && IsBareDataFile(type, stored, id)) {
    // The data file as it is, without a copy of it in between.
    LoadDeferred();
    from = mData.data();
    size = long(mData.size());
  } else {
    GetFlavorData(type, bytes);
    from = bytes.data();
    size = long(bytes.size());
  }
  const long n = std::min<long>(maxSize, size);
  if (n > 0) std::memcpy(buffer, from, std::size_t(n));
  if (maxSize != kKxWholeFlavor) std::memset(static_cast<char*>(buffer) + n, 0, std::size_t(maxSize - n));
  return n;
}

void CKXTextFileTube::SetFlavorData(OSType type, const void* data, long size, long maxSize) {
  if (!PutFlavor(type, data, std::min(size, maxSize)) && mError.empty())
    Fail("データ " + KxTypeText(type) + " を書き込めませんでした。");
}

bool CKXTextFileTube::TakeFlavor(OSType type, std::vector<std::uint8_t>& out) {
  out.clear();
  if (!FlavorExists(type)) return false;
  TakeFlavorData(type, out);
  return true;
}

void CKXTextFileTube::SetFlavorBytes(OSType type, std::vector<std::uint8_t>&& bytes) {
  if (!PutFlavor(type, std::move(bytes)) && mError.empty())
    Fail("データ " + KxTypeText(type) + " を書き込めませんでした。");
}

void CKXTextFileTube::AddFlavor(OSType type) {
  if (mEngine) mEngine->SendFlavorTo(type, mRange, *this);
}

bool CKXTextFileTube::PutFlavor(OSType type, std::vector<std::uint8_t>&& data) {
  OSType stored;
  short id;
  // The data file of the classic layout takes the bytes as they are: no
  // byte-order swap, no copy.
  if (!mWriting || !IsBareDataFile(type, stored, id)) return PutFlavor(type, data.data(), long(data.size()));
  mSource = nullptr;
  mSourceSize = 0;
  mData = std::move(data);
  data.clear();
  return true;
}

bool CKXTextFileTube::PutDataFileFrom(OSType type, long size, PieceReader read) {
  OSType stored;
  short id;
  if (!mWriting || !IsBareDataFile(type, stored, id) || size < 0 || !read) return false;
  mData.clear();
  mData.shrink_to_fit();
  mSource = std::move(read);
  mSourceSize = size;
  return true;
}

bool CKXTextFileTube::PutFlavor(OSType type, const void* data, long size) {
  if (!mWriting || size < 0 || (!data && size > 0)) return false;
  if (type == kPict) return SetPictureData(data, size);
  OSType stored;
  short id;
  // Stored as it is: one copy.
  if (IsBareDataFile(type, stored, id)) return WriteStored(stored, id, static_cast<const std::uint8_t*>(data), size);
  std::vector<std::uint8_t> bytes(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
  if (mLayout == EKXLayout::kContainer) {
    if (IsRunFlavor(type) && kKxNativeOrder == KxByteOrder::kLittle)
      KxInvertRecord(type, bytes.data(), size, true);
  } else if (type == kKxRecRANK) {
    SKXRankRec rank;
    if (!KxReadRANK(bytes.data(), size, kKxNativeOrder, rank)) {
      Fail("マークリストの記録が壊れています。");
      return false;
    }
    const std::string err = KxWriteClassicRANK(rank, bytes);
    if (!err.empty()) {
      Fail(err);
      return false;
    }
  } else {
    CKXTextFlavorFile::SwapIntFlavorFile(type, bytes.data(), size, true);
  }
  return WriteStored(stored, id, bytes.data(), long(bytes.size()));
}

void CKXTextFileTube::DeleteFlavorData(OSType type) {
  if (type == kPict) {
    DeletePictureData();
    return;
  }
  if (mLayout != EKXLayout::kClassic || type == mFileType) return;
  OSType stored;
  short id;
  MapFlavor(type, stored, id);
  DeleteStored(stored, id);
}

std::vector<CKXTextFileTube::SStored> CKXTextFileTube::ListStored() const {
  std::vector<SStored> out;
  if (mLayout == EKXLayout::kContainer) {
    for (short t = 1; t <= mRes->CountResTypes(); ++t) {
      const ResType type = mRes->GetIndResType(t);
      for (short k = 1; k <= mRes->CountResources(type); ++k) {
        const short id = mRes->GetIndResID(type, k);
        out.push_back({type, id, mRes->GetResSize(type, id)});
      }
    }
    return out;
  }
  for (const KxResForkItem& item : mFork.Items()) out.push_back({item.type, item.id, long(item.data.size())});
  return out;
}

// ---------------------------------------------------------------- pictures

bool CKXTextFileTube::PictureExists() {
  if (mPictKind >= 0) return true;
  for (short kind = 0; kind < kKxPictKinds; ++kind) {
    if (StoredExists(sTypePict[kind], PictID())) {
      mPictKind = kind;
      return true;
    }
  }
  return false;
}

long CKXTextFileTube::GetPictureSize() {
  if (!PictureExists()) return 0;
  const OSType stored = sTypePict[mPictKind];
  const long size = StoredSize(stored, PictID());
  if (mPictKind == kKxPictPICT) return size;
  if (mPictHeader == 0) {
    if (mPictKind == kKxPictJPEG) {
      std::vector<std::uint8_t> jpeg;
      ReadStored(stored, PictID(), jpeg);
      mPreview = DecodePreview(jpeg.data(), long(jpeg.size()));
      // A JPEG we cannot decode keeps its bytes behind a placeholder, so
      // that the next save writes it back unchanged.
      if (mPreview.empty()) mPreview = GetDummyPict();
      mPictHeader = Round16(long(mPreview.size())) + 16;
    } else {
      mPictHeader = GetDummyPictSize();
    }
  }
  const bool meta = mPictKind == kKxPictWMFP || mPictKind == kKxPictWEMF;
  return size + mPictHeader + (meta ? 8 : 0);
}

bool CKXTextFileTube::BuildPicture(std::vector<std::uint8_t>& out) {
  out.clear();
  if (!PictureExists()) return false;
  const short kind = mPictKind;
  std::vector<std::uint8_t> stored;
  if (!ReadStored(sTypePict[kind], PictID(), stored)) return false;
  if (kind == kKxPictPICT) {
    out = std::move(stored);
    return true;
  }
  if (kind == kKxPictJPEG) {
    if (mPictHeader == 0) GetPictureSize();
    out = JPEGForm(mPreview, stored.data(), long(stored.size()));
    return true;
  }
  const std::vector<std::uint8_t>& dummy = GetDummyPict();
  out = dummy;
  std::int64_t width = 0, height = 0;
  if (kind == kKxPictWMFP || kind == kKxPictWEMF) {
    std::vector<std::uint8_t> wsiz;
    ReadStored(kKxTypeWSIZ, PictID(), wsiz);
    wsiz.resize(8, 0);
    out.insert(out.end(), wsiz.begin(), wsiz.end());
    width = GetI32LE(wsiz.data()) / 20;
    height = GetI32LE(wsiz.data() + 4) / 20;
  } else {
    // A bitmap file has its 14-byte file header before the info header.
    const std::size_t at = kind == kKxPictWBMP ? 14 : 0;
    if (stored.size() >= at + 12) {
      width = GetI32LE(stored.data() + at + 4);
      height = GetI32LE(stored.data() + at + 8);
    }
  }
  out.insert(out.end(), stored.begin(), stored.end());
  KxPutU16BE(out.data(), std::uint16_t(2 * kind + 1));
  SetFrame(out.data(), FrameSide(height), FrameSide(width));
  return true;
}

long CKXTextFileTube::GetPictureData(void* buffer, long maxSize) {
  return GetFlavorData(kPict, buffer, maxSize);
}

bool CKXTextFileTube::SetPictureData(const void* data, long size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  // The size field names a kind only for data of that kind's form; any
  // other picture (a PICT of 3, 5, 7, 9 or 11 bytes by its old size field)
  // is stored whole as a PICT.
  short kind = kKxPictPICT;
  if (p && size >= 2) {
    const std::uint16_t field = KxGetU16BE(p);
    if (field == 3 || field == 5 || field == 7 || field == 9 || field == 11) kind = short(field / 2);
  }
  long head = 0;
  if (kind == kKxPictJPEG) {
    // The marker stands at a 16-byte boundary after the preview.
    head = -1;
    for (long at = 16; at + 16 <= size; at += 16) {
      if (std::memcmp(p + at, sJPEGIDString, 16) == 0) {
        head = at + 16;
        break;
      }
    }
    if (head < 0) {
      kind = kKxPictPICT;
      head = 0;
    }
  } else if (kind != kKxPictPICT) {
    // The Windows kinds start with the dummy picture (its size field and
    // frame rewritten).
    const std::vector<std::uint8_t>& dummy = GetDummyPict();
    head = long(dummy.size());
    const bool meta = kind == kKxPictWMFP || kind == kKxPictWEMF;
    constexpr long kHeaderFields = 10;
    if (size < head + (meta ? 8 : 0) || head < kHeaderFields ||
        std::memcmp(p + kHeaderFields, dummy.data() + kHeaderFields, std::size_t(head - kHeaderFields)) != 0) {
      kind = kKxPictPICT;
      head = 0;
    }
  }
  bool ok = true;
  mPictKind = kind;
  if (kind == kKxPictWMFP || kind == kKxPictWEMF) {
    ok = WriteStored(kKxTypeWSIZ, PictID(), p + head, 8);
    head += 8;
  }
  ok = WriteStored(sTypePict[kind], PictID(), p + head, size - head) && ok;
  Advance(kPict);
  return ok;
}

void CKXTextFileTube::DeletePictureData() {
  if (PictureExists()) {
    DeleteStored(sTypePict[mPictKind], PictID());
    if (mPictKind == kKxPictWMFP || mPictKind == kKxPictWEMF) DeleteStored(kKxTypeWSIZ, PictID());
  }
  Advance(kPict);
}
