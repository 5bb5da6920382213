#include "engine/flavor_exchange.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/text_flavors.h"
#include "engine/text_layer.h"
#include "layout/draw_picture.h"
#include "layout/pict_jpeg.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/script.h"
#include "platform/textconv.h"
#include "platform/utf16.h"
#include "text/base/memory.h"
#include "text/codes/jcode.h"
#include "text/codes/unicode.h"
#include "text/codes/unicode_types.h"
#include "text/runs/runs.h"
#include "text/store/converters.h"
#include "text/store/strarray.h"
#include "text/store/text.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

KxAozoraReader gAozoraReader = nullptr;

// A temporary styled text, disposed at the end of a scope.
struct TextGuard {
  KXTextHandle h;
  TextGuard() : h(KXText_New()) {
    if (!h) throw LException(memFullErr);
  }
  TextGuard(const TextGuard&) = delete;
  TextGuard& operator=(const TextGuard&) = delete;
  ~TextGuard() { KXText_Dispose(h); }
  CKXText& operator*() const { return *KXHandleAccess::Text(h); }
};

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
void PutBe32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// The side entries of a "styu" made by the writer (checked by the same
// rule as the reader's).
std::vector<SKXUniChar> UniCharsOf(const Bytes& styu) {
  std::vector<SKXUniChar> out;
  long count = 0;
  if (CKXTextFlavorData::CheckFlavorData(kKxFlavorUniChars, styu.data(), static_cast<long>(styu.size()), &count) !=
      EKXFlavorRead::kRead)
    return out;
  for (long k = 0; k < count; ++k) {
    const std::uint8_t* p = styu.data() + 4 + 8 * k;
    out.push_back({static_cast<std::int32_t>(Be32(p)), Be32(p + 4)});
  }
  return out;
}

// EUC-JP of Shift_JIS text whose JIS X 0212 characters (kept as
// placeholders with the character beside them, as an EUC-JP file's are
// read) are written in their own code after SS3, so that they come back.
Bytes EUCWithSides(const unsigned char* p, long n, const std::vector<SKXUniChar>& sides) {
  Bytes out;
  long from = 0;
  auto convert = [&](long to) {
    if (to <= from) return;
    CKXJCode conv;
    conv.SJIStoEUC(p + from, to - from);
    out.insert(out.end(), conv.GetTextPtr(), conv.GetTextPtr() + conv.GetTextSize());
  };
  if (!sides.empty()) out.reserve(std::size_t(n) + std::size_t(n) / 8);
  for (const SKXUniChar& u : sides) {
    std::uint8_t row = 0, cell = 0;
    if (u.offset < from || u.offset >= n || (u.value & 0xFFFF) != 0 ||
        !KxUnicodeToJISX0212(char16_t(u.value >> 16), row, cell) || !KxIsPlaceholderAt(p + u.offset, n - u.offset))
      continue;
    convert(u.offset);
    out.insert(out.end(), {0x8F, row, cell});
    from = u.offset + (p[u.offset] == CKXStrArray::kKxSingleBytePlaceholder ? 1 : 2);
  }
  convert(n);
  return out;
}

// The script changes of a "styl": each run's start and font.
std::vector<SKXScriptRun> ScriptsOf(const Bytes& styl) {
  std::vector<SKXStyl> runs;
  long count = 0;
  if (CKXTextFlavorData::CheckFlavorData(kKxFlavorStyl, styl.data(), static_cast<long>(styl.size()), &count) ==
      EKXFlavorRead::kRead) {
    for (long k = 0; k < count; ++k) {
      const std::uint8_t* p = styl.data() + 2 + 20 * k;
      SKXStyl r{};
      r.offset = static_cast<std::int32_t>(Be32(p));
      r.styl.font = static_cast<std::int16_t>((p[8] << 8) | p[9]);
      runs.push_back(r);
    }
  }
  return KxScriptRunsOf(runs.data(), static_cast<long>(runs.size()));
}

// A "styu" flavor of side entries, for the reader to check like any other.
Bytes StyuOf(const SKXUniChar* uni, long count) {
  Bytes out;
  PutBe32(out, static_cast<std::uint32_t>(count));
  for (long k = 0; k < count; ++k) {
    PutBe32(out, static_cast<std::uint32_t>(uni[k].offset));
    PutBe32(out, uni[k].value);
  }
  return out;
}

Bytes BytesOfHandle(Handle h, long size) {
  if (!h || size <= 0) return {};
  const auto* p = reinterpret_cast<const std::uint8_t*>(*h);
  return Bytes(p, p + std::min(size, KxMemHSize(h)));
}

// Units whose storage is not cleared when it is sized: a large text is
// written into it once, not zeroed first.
template <typename T>
struct UnclearedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UnclearedAllocator<U>;
  };
  template <typename U>
  void construct(U* at) noexcept {
    ::new (static_cast<void*>(at)) U;
  }
  template <typename U, typename... Args>
  void construct(U* at, Args&&... args) {
    ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
  }
};
using Units = std::vector<char16_t, UnclearedAllocator<char16_t>>;

// UTF-16 units of host-order bytes (an odd last byte is dropped).
Units UnitsOf(const Bytes& bytes) {
  Units units(bytes.size() / 2);
  for (std::size_t k = 0; k < units.size(); ++k)
    units[k] = static_cast<char16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8));
  return units;
}

// Half a surrogate pair from another program stands for no character: kept,
// two such halves pasted side by side would make up one nobody sent.
void ReplaceLoneSurrogates(Units& units) {
  for (std::size_t k = 0; k < units.size(); ++k) {
    if (!KxIsSurrogate(units[k])) continue;
    if (k + 1 < units.size() && KxJoinSurrogates(units[k], units[k + 1])) {
      ++k;
      continue;
    }
    units[k] = 0xFFFD;
  }
}

Bytes HostBytesOf(const char16_t* units, long count) {
  Bytes out;
  out.reserve(static_cast<std::size_t>(count) * 2);
  for (long k = 0; k < count; ++k) {
    out.push_back(static_cast<std::uint8_t>(units[k]));
    out.push_back(static_cast<std::uint8_t>(units[k] >> 8));
  }
  return out;
}

// The content mask of what came (see the layer's paste).
short MaskOf(bool styl, bool deco, bool para, bool ruby) {
  short mask = 0;
  if (styl && deco) mask = 0;
  else if (styl) mask = para ? 11 : 3;
  else if (deco) mask = para ? 13 : 5;
  else mask = para ? 9 : 1;
  if (ruby) mask = mask == 1 ? 5 : mask == 9 ? 13 : 0;
  return mask;
}

constexpr int kMaxDropDepth = 2;

// A picture file holds its picture record after a header of this many
// bytes, which the record knows nothing of.
constexpr std::size_t kPictFileHeaderBytes = 512;

// [from, to) of script run k of `runs` in a text of n bytes.
std::pair<long, long> RunSpan(const std::vector<SKXScriptRun>& runs, std::size_t k, long n) {
  const long from = std::clamp<long>(runs[k].offset, 0, n);
  const long to = k + 1 < runs.size() ? std::clamp<long>(runs[k + 1].offset, from, n) : n;
  return {from, to};
}

// A run in another script than Japanese, with a byte that is no ASCII:
// its bytes mean other characters in Shift_JIS than in its own script.
bool RunNeedsRespelling(const unsigned char* p, long n, const std::vector<SKXScriptRun>& runs, std::size_t k) {
  if (runs[k].script == kScriptJapanese) return false;
  const auto [from, to] = RunSpan(runs, k, n);
  return std::any_of(p + from, p + to, [](unsigned char b) { return b >= 0x80; });
}

// Text of several scripts as Shift_JIS: its side entries (by the new
// offsets) and how many characters only a placeholder could stand for.
struct SRespelt {
  KxFlavorBytes bytes;
  std::vector<SKXUniChar> sides;
  long unwritten = 0;
};

// The runs of other scripts than Japanese that hold more than ASCII, spelt
// as their characters in Shift_JIS through Unicode (each with its own
// script's table); the Japanese runs and the rest go as they are. What
// Shift_JIS has no code for becomes its placeholder with the character
// beside it, as typed Japanese text keeps it, and is counted unless EUC-JP
// writes it in its JIS X 0212 code. A run whose script has no table stays
// as it was.
void Respell(const unsigned char* p, long n, const std::vector<SKXScriptRun>& runs,
             const std::vector<SKXUniChar>& sides, bool euc, SRespelt& out) {
  out.bytes.reserve(std::size_t(n) + std::size_t(n) / 4);
  std::size_t side = 0;
  auto keep = [&](long from, long to) {
    const long base = long(out.bytes.size());
    out.bytes.insert(out.bytes.end(), p + from, p + to);
    for (; side < sides.size() && sides[side].offset < to; ++side)
      if (sides[side].offset >= from)
        out.sides.push_back({std::int32_t(base + sides[side].offset - from), sides[side].value});
  };
  // Bytes before the first run are in no other script.
  if (!runs.empty()) keep(0, std::clamp<long>(runs.front().offset, 0, n));
  for (std::size_t k = 0; k < runs.size(); ++k) {
    const auto [from, to] = RunSpan(runs, k, n);
    if (!RunNeedsRespelling(p, n, runs, k)) {
      keep(from, to);
      continue;
    }
    std::vector<SKXUniChar> own;
    std::size_t next = side;
    for (; next < sides.size() && sides[next].offset < to; ++next)
      if (sides[next].offset >= from) own.push_back({std::int32_t(sides[next].offset - from), sides[next].value});
    StKxHandle units, glyphs, text, made;
    long count = 0, length = 0, madeCount = 0;
    if (!UKXUnicode::ConvertFromText(runs[k].script, reinterpret_cast<const char*>(p + from), to - from, own.data(),
                                     long(own.size()), units.h, count, glyphs.h) ||
        !units.h || count <= 0 ||
        !UKXUnicode::ConvertToText(reinterpret_cast<const char16_t*>(*units.h), count, glyphs.h, text.h, length,
                                   made.h, madeCount, kScriptJapanese) ||
        !text.h || length <= 0) {
      keep(from, to);
      continue;
    }
    side = next;
    const long base = long(out.bytes.size());
    const auto* q = reinterpret_cast<const unsigned char*>(*text.h);
    out.bytes.insert(out.bytes.end(), q, q + std::min(length, KxMemHSize(text.h)));
    const long written = long(out.bytes.size()) - base;
    const auto* entries = made.h ? reinterpret_cast<const SKXUniChar*>(*made.h) : nullptr;
    madeCount = entries ? std::min(madeCount, KxMemHSize(made.h) / long(sizeof(SKXUniChar))) : 0;
    for (long e = 0; e < madeCount; ++e) {
      const SKXUniChar u = entries[e];
      if (u.offset < 0 || u.offset >= written) continue;
      out.sides.push_back({std::int32_t(base + u.offset), u.value});
      std::uint8_t row = 0, cell = 0;
      if (euc && (u.value & 0xFFFF) == 0 && KxUnicodeToJISX0212(char16_t(u.value >> 16), row, cell)) continue;
      if (KxIsPlaceholderAt(q + u.offset, written - u.offset)) ++out.unwritten;
    }
  }
}

// The side entries of the text being written, by its offsets.
std::vector<SKXUniChar> SidesOf(const CKXTextFlavorWriter& writer) {
  KxFlavorBytes styu;
  return writer.MakeUniChars(styu) == EKXFlavorMake::kMade ? UniCharsOf(styu) : std::vector<SKXUniChar>{};
}

// A JIS or EUC-JP file of the text alone keeps no side entries: a
// one-byte placeholder there stands for nothing, and it is no character of
// either encoding, so other programs refuse the whole file. A question
// mark keeps the loss in sight and the file readable; what was lost is
// counted as before. (Shift_JIS keeps the byte: its own set reads it.) The
// JIS X 0212 characters EUC-JP writes in their own code keep their
// placeholders for it.
void WriteLostAsQuestionMarks(KxFlavorBytes& bytes, const std::vector<SKXUniChar>& sides, bool euc) {
  for (const SKXUniChar& u : sides) {
    if (u.offset < 0 || std::size_t(u.offset) >= bytes.size()) continue;
    auto& b = bytes[std::size_t(u.offset)];
    if (b != CKXStrArray::kKxSingleBytePlaceholder) continue;
    std::uint8_t row = 0, cell = 0;
    if (euc && (u.value & 0xFFFF) == 0 && KxUnicodeToJISX0212(char16_t(u.value >> 16), row, cell)) continue;
    b = '?';
  }
}

}  // namespace

// ---- the exchange ------------------------------------------------------------------------------

CKXFlavorExchange::CKXFlavorExchange(CKXTextLayer* layer, CKXText* source) : mLayer(layer), mSource(source) {}

CKXText& CKXFlavorExchange::Source() const {
  if (mSource) return *mSource;
  if (!mLayer) throw LException(kKxErrNilPointer);
  return *KXHandleAccess::Text(static_cast<KXTextHandle>(mLayer->GetEdit()));
}

short CKXFlavorExchange::GetLineEndType() const { return mLayer ? mLayer->GetLineEndType() : mLineEndType; }

void CKXFlavorExchange::SetLineEndType(short type) {
  if (mLayer) mLayer->SetLineEndType(type);
  mLineEndType = type;
}

SKXRange CKXFlavorExchange::Crop(const SKXRange& range) const {
  const long len = Source().GetLength();
  long from = range.start < 0 ? len : std::min<long>(range.start, len);
  long to = range.length < 0 ? len : std::min<long>(static_cast<long>(range.start) + range.length, len);
  from = std::max(0L, from);
  to = std::max(from, to);
  return {static_cast<std::int32_t>(from), static_cast<std::int32_t>(to - from)};
}

bool CKXFlavorExchange::UnicodeFile(CKXDataTube&, short kind) const {
  return kind == kKxTubeFile && (mEncoding == kKxCodeUTF16 || mEncoding == kKxCodeUTF8);
}

void CKXFlavorExchange::AddFlavorTypesTo(const SKXRange& range, CKXDataTube& tube) {
  const short kind = tube.GetFlavorForType();
  const SKXRange r = Crop(range);
  if (r.length == 0 && kind != kKxTubeFile) return;
  for (OSType type : {kKxFlavorText, kKxFlavorStyl, kKxFlavorDeco, kKxFlavorPara, kKxFlavorUniChars,
                      kKxFlavorRubyInfo})
    tube.AddFlavor(type);
  // Styled text for other programs, when the RTF converter is installed.
  // RTF files are written by the document with their page record.
  if ((kind == kKxTubeClipboard || kind == kKxTubeDrag) && KxConverterForFlavor(kKxFlavorRTF))
    tube.AddFlavor(kKxFlavorRTF);
  // A lone picture kept as its JPEG, for other programs, which read no
  // picture record of ours.
  if (kind == kKxTubeClipboard) tube.AddFlavor(kKxFlavorJPEG);
}

OSType CKXFlavorExchange::PickFlavorFrom(CKXDataTube& tube) {
  // Run flavors only describe a text. Beside another program's "utxt"
  // (and no "TEXT") that text is what a read takes, dropping runs that do
  // not fit: answered first, they hid it, and Paste stayed off.
  const bool unicode = tube.FlavorExists(kKxFlavorUtxt);
  for (OSType type : {kKxFlavorText, kKxFlavorPict, kKxFlavorStyl, kKxFlavorDeco, kKxFlavorPara, kKxFlavorUniChars,
                      kKxFlavorRubyInfo, kKxFlavorRTF}) {
    if (unicode && CKXTextFlavorData::IsRunFlavor(type)) continue;
    if (tube.FlavorExists(type) && (type != kKxFlavorRTF || KxConverterForFlavor(kKxFlavorRTF))) return type;
  }
  // Text from other programs arrives as Unicode alone, pictures as JPEG;
  // files as "hfs ".
  for (OSType type : {kKxFlavorUtxt, kKxFlavorJPEG, kKxFlavorHFS})
    if (tube.FlavorExists(type)) return type;
  const long items = tube.CountItems();
  for (long k = 1; k <= items; ++k) {
    CKXDataTube item = tube.NthItem(k, nullptr);
    const OSType type = PickFlavorFrom(item);
    if (type != kKxFlavorNull) return type;
  }
  return kKxFlavorNull;
}

bool CKXFlavorExchange::SendFlavorTo(OSType type, const SKXRange& range, CKXDataTube& tube) {
  const short kind = tube.GetFlavorForType();
  const SKXRange r = Crop(range);
  if (type == kKxFlavorText) {
    SendText(r, tube, kind);
  } else if (type == kKxFlavorDeco) {
    SendDecos(r, tube, kind);
  } else if (type == kKxFlavorStyl || type == kKxFlavorPara || type == kKxFlavorUniChars ||
             type == kKxFlavorRubyInfo) {
    SendRuns(type, r, tube, kind);
  } else if (type == kKxFlavorRTF) {
    SendRTF(r, tube, kind);
  } else if (type == kKxFlavorJPEG) {
    SendJPEG(r, tube, kind);
  } else {
    return false;
  }
  return true;
}

bool CKXFlavorExchange::StreamText(const CKXTextFlavorWriter& writer, const SKXRange& r, CKXDataTube& tube) {
  const short lineEnd = GetLineEndType();
  if (UnicodeFile(tube, kKxTubeFile) || mEncoding == kKxCodeJIS || mEncoding == kKxCodeEUC || writer.HasRuby() ||
      (lineEnd != CKXTextLayer::kLineEndCR && lineEnd != CKXTextLayer::kLineEndLF))
    return false;
  const CKXText& text = Source();
  const long from = r.start, to = r.start + r.length;
  if (mTextAlone) {
    // A run in another script with a byte past ASCII is respelt, which
    // only the whole copy does.
    KxFlavorBytes styl;
    std::vector<SKXScriptRun> scripts;
    if (writer.MakeStyl(styl) == EKXFlavorMake::kMade) scripts = ScriptsOf(styl);
    for (std::size_t k = 0; k < scripts.size(); ++k) {
      const auto [a, b] = RunSpan(scripts, k, to - from);
      if (scripts[k].script != kScriptJapanese && !text.IsAsciiRange(from + a, from + b)) return false;
    }
  }
  const bool lf = lineEnd == CKXTextLayer::kLineEndLF;
  if (!tube.SetFlavorFrom(kKxFlavorText, to - from, [&text, from, to, lf](long at, std::uint8_t* buf, long n) {
        const long got =
            text.CopyBytes(from + at, std::min(to, from + at + n), reinterpret_cast<char*>(buf), n);
        if (lf && got > 0) CKXTextLayer::CRsToLFs(buf, std::size_t(got));
        return got;
      }))
    return false;
  mUnwritten = 0;
  return true;
}

void CKXFlavorExchange::SendText(const SKXRange& r, CKXDataTube& tube, short kind) {
  const CKXTextFlavorWriter writer(Source(), r.start, r.start + r.length);
  if (kind == kKxTubeClipboard && writer.IsLonePicture()) return;
  // A plain Shift_JIS file goes from the store to the disk piece by piece:
  // a whole copy of a large text costs more than writing it.
  if (kind == kKxTubeFile && StreamText(writer, r, tube)) return;
  KxFlavorBytes bytes;
  try {
    writer.MakeText(bytes);
  } catch (const std::bad_alloc&) {
    if (kind == kKxTubeFile) EmergencyWriteText(tube, r);
    return;
  }
  if (kind != kKxTubeFile) {
    tube.SetFlavorData(kKxFlavorText, bytes.data(), static_cast<long>(bytes.size()), kKxWholeFlavor);
    return;
  }
  const bool unicode = UnicodeFile(tube, kind);
  mUnwritten = 0;
  // A file that holds the text alone in a Japanese encoding: runs of other
  // scripts are spelt in it as their characters. Without such runs the
  // bytes go as they are, uncopied.
  std::vector<SKXUniChar> respeltSides;
  bool respelt = false;
  if (mTextAlone && !unicode) {
    KxFlavorBytes styl;
    std::vector<SKXScriptRun> scripts;
    if (writer.MakeStyl(styl) == EKXFlavorMake::kMade) scripts = ScriptsOf(styl);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const long n = static_cast<long>(bytes.size());
    bool other = false;
    for (std::size_t k = 0; k < scripts.size() && !other; ++k) other = RunNeedsRespelling(p, n, scripts, k);
    if (other) {
      KxFlavorBytes styu;
      std::vector<SKXUniChar> sides;
      if (writer.MakeUniChars(styu) == EKXFlavorMake::kMade) sides = UniCharsOf(styu);
      SRespelt out;
      Respell(p, n, scripts, sides, mEncoding == kKxCodeEUC, out);
      bytes.swap(out.bytes);
      respeltSides.swap(out.sides);
      mUnwritten = out.unwritten;
      respelt = true;
    }
    if (mEncoding == kKxCodeJIS || mEncoding == kKxCodeEUC)
      WriteLostAsQuestionMarks(bytes, respelt ? respeltSides : SidesOf(writer), mEncoding == kKxCodeEUC);
  }
  // Every encoding keeps the text's line ends: a CR LF file stays CR LF.
  const short lineEnd = GetLineEndType();
  if (!unicode && mEncoding != kKxCodeJIS && mEncoding != kKxCodeEUC) {
    // The script's own bytes: the transfer's text goes to the file without
    // a copy of it, however large it is.
    long added = 0;
    CKXTextLayer::ChangeTextType(bytes, lineEnd, added);
    tube.SetFlavorBytes(kKxFlavorText, std::move(bytes));
    return;
  }
  std::vector<SKXUniChar> uni;
  std::vector<SKXScriptRun> scripts;
  const bool euc = !unicode && mEncoding == kKxCodeEUC;
  if (unicode || euc) {
    // Side entries and scripts by the transfer's offsets: the line ends of
    // a Unicode or EUC-JP file change after the conversion.
    KxFlavorBytes styu, styl;
    if (respelt)
      uni.swap(respeltSides);
    else if (writer.MakeUniChars(styu) == EKXFlavorMake::kMade)
      uni = UniCharsOf(styu);
    if (unicode && writer.MakeStyl(styl) == EKXFlavorMake::kMade) scripts = ScriptsOf(styl);
  }
  if (lineEnd != CKXTextLayer::kLineEndCR && !unicode && !euc) {
    long added = 0;
    CKXTextLayer::ChangeTextType(bytes, lineEnd, added);
  }
  // Each stage lets go of the one before as soon as it has been read: a
  // large text is held about twice at any one time, not once a stage.
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const long n = static_cast<long>(bytes.size());
  Bytes out;
  switch (mEncoding) {
    case kKxCodeJIS: {
      // The answer says only whether anything changed: ASCII comes out as
      // it went in, and an empty text as nothing. Either is the file.
      CKXJCode conv;
      conv.SJIStoJIS(p, n);
      KxFlavorBytes().swap(bytes);
      out.assign(conv.GetTextPtr(), conv.GetTextPtr() + conv.GetTextSize());
      break;
    }
    case kKxCodeEUC: {
      out = EUCWithSides(p, n, uni);
      KxFlavorBytes().swap(bytes);
      // EUC-JP bytes are never 13 but in a line end.
      if (lineEnd != CKXTextLayer::kLineEndCR) {
        long added = 0;
        CKXTextLayer::ChangeTextType(out, lineEnd, added);
      }
      break;
    }
    case kKxCodeUTF16:
    case kKxCodeUTF8: {
      // UTF-16 in the host's order with its byte-order mark first; the
      // file's own spelling below.
      out = {0xFF, 0xFE};
      {
        StKxHandle units, glyphs;
        long count = 0;
        if (n > 0 && !UKXUnicode::ConvertFromText(kScriptJapanese, reinterpret_cast<const char*>(p), n, uni.data(),
                                                  static_cast<long>(uni.size()), units.h, count, glyphs.h,
                                                  scripts.empty() ? nullptr : scripts.data(),
                                                  static_cast<long>(scripts.size())))
          // Nothing may be saved in an encoding that lost the text.
          throw LException(paramErr);
        KxFlavorBytes().swap(bytes);
        if (units.h && count > 0) {
          const auto* u = reinterpret_cast<const char16_t*>(*units.h);
          // A byte text's CR is only ever a line end (no trail byte is 13).
          const bool crlf = lineEnd == CKXTextLayer::kLineEndCRLF;
          long size = count;
          if (crlf)
            for (long k = 0; k < count; ++k) size += u[k] == u'\r';
          out.reserve(2 + 2 * static_cast<std::size_t>(size));
          auto put = [&out](char16_t c) {
            out.push_back(static_cast<std::uint8_t>(c));
            out.push_back(static_cast<std::uint8_t>(c >> 8));
          };
          for (long k = 0; k < count; ++k) {
            if (u[k] != u'\r' || lineEnd == CKXTextLayer::kLineEndCR) {
              put(u[k]);
            } else {
              if (crlf) put(u'\r');
              put(u'\n');
            }
          }
        }
      }
      if (mEncoding == kKxCodeUTF8) {
        // Piece by piece, each with the mark that gives its order (a piece
        // never ends between the halves of a pair): the UTF-8 grows beside
        // the UTF-16 with no third whole copy between them. An empty text
        // makes an empty file.
        constexpr std::size_t kPieceBytes = std::size_t(1) << 17;
        // Room for the most it can come to (three bytes a unit): pages
        // never written are never taken, and the text is never moved.
        Bytes utf8;
        utf8.reserve(3 + (out.size() - 2) / 2 * 3);
        if (mFormSet && mForm.mark) utf8.insert(utf8.end(), {0xEF, 0xBB, 0xBF});
        Bytes piece;
        for (std::size_t at = 2; at < out.size();) {
          std::size_t end = std::min(out.size(), at + kPieceBytes);
          if (end < out.size() && KxIsHighSurrogate(out[end - 2] | (out[end - 1] << 8))) end -= 2;
          piece.assign({0xFF, 0xFE});
          piece.insert(piece.end(), out.begin() + long(at), out.begin() + long(end));
          CKXJCode conv;
          if (!conv.UNICODEtoUTF8(piece.data(), static_cast<long>(piece.size()))) throw LException(paramErr);
          utf8.insert(utf8.end(), conv.GetTextPtr(), conv.GetTextPtr() + conv.GetTextSize());
          at = end;
        }
        out.swap(utf8);
      } else if (mFormSet) {
        // Little-endian with its mark as made above; the file may say
        // otherwise.
        const bool hostLittle = out.size() >= 2 && out[0] == 0xFF;
        if (mForm.bigEndian == hostLittle) CKXJCode::InvertWORDHiLo(out.data(), static_cast<long>(out.size()));
        if (!mForm.mark) out.erase(out.begin(), out.begin() + 2);
      }
      break;
    }
    default:
      out.assign(p, p + n);
      break;
  }
  tube.SetFlavorBytes(kKxFlavorText, std::move(out));
}

void CKXFlavorExchange::SendRTF(const SKXRange& r, CKXDataTube& tube, short kind) {
  // Without a converter, for an empty range or for a file (the document
  // writes RTF files itself, with their page record) nothing is written.
  KxTextConverter* rtf = KxConverterForFlavor(kKxFlavorRTF);
  if (!rtf || r.length == 0 || kind == kKxTubeFile) return;
  const CKXTextFlavorWriter writer(Source(), r.start, r.start + r.length);
  if (kind == kKxTubeClipboard && writer.IsLonePicture()) return;
  // No page record, and no paragraph attributes: a paste takes none.
  constexpr short kLeaveParagraphsOut = 3;
  std::string out;
  if (!rtf->Export(Source(), r.start, long(r.start) + r.length, kLeaveParagraphsOut, nullptr, out) || out.empty())
    return;
  tube.SetFlavorData(kKxFlavorRTF, out.data(), static_cast<long>(out.size()), kKxWholeFlavor);
}

void CKXFlavorExchange::SendJPEG(const SKXRange& r, CKXDataTube& tube, short kind) {
  if (kind != kKxTubeClipboard || r.length != 1) return;
  const CKXTextFlavorWriter writer(Source(), r.start, r.start + r.length);
  if (!writer.IsLonePicture()) return;
  short width = 0, height = 0;
  PicHandle pict = CKXDecoArray::GetPicture(Source().GetDecoPictID(r.start), width, height);
  if (!pict) return;
  // The JPEG itself follows the record's marker; a picture of pixels has
  // none and goes as the record alone.
  const long size = KxMemHSize(pict);
  const long at = KxPictJPEGDataOffset(*pict, size);
  if (at < 0 || size - at < 2 || static_cast<unsigned char>((*pict)[at]) != 0xFF ||
      static_cast<unsigned char>((*pict)[at + 1]) != 0xD8)
    return;
  tube.SetFlavorData(kKxFlavorJPEG, *pict + at, size - at, kKxWholeFlavor);
}

void CKXFlavorExchange::SendRuns(OSType type, const SKXRange& r, CKXDataTube& tube, short kind) {
  const CKXTextFlavorWriter writer(Source(), r.start, r.start + r.length);
  if (type == kKxFlavorStyl && kind == kKxTubeClipboard && writer.IsLonePicture()) return;
  KxFlavorBytes bytes;
  const bool unicode = UnicodeFile(tube, kind);
  // More runs than a 16-bit count holds leave the flavor out (kTooMany).
  const EKXFlavorMake made = unicode ? EKXFlavorMake::kNothing : writer.MakeFlavor(type, bytes);
  if (made == EKXFlavorMake::kMade)
    tube.SetFlavorData(type, bytes.data(), static_cast<long>(bytes.size()), kKxWholeFlavor);
  else if (kind == kKxTubeFile && tube.FlavorExists(type))
    tube.DeleteFlavorData(type);
  if (type == kKxFlavorUniChars && (kind == kKxTubeClipboard || kind == kKxTubeDrag) && !writer.IsLonePicture())
    SendUnicode(r, tube);
}

namespace {

// The stretches of [from, to) between inline pictures: a picture's
// placeholder byte is no character to another program (read as text it
// would be the katakana it shares a code with).
std::vector<std::pair<long, long>> StretchesBetweenPictures(const CKXText& text, long from, long to) {
  std::vector<std::pair<long, long>> out;
  const long count = text.GetSelDecoCount(from, to);
  std::vector<SKXDeco> runs(static_cast<std::size_t>(std::max(count, 1L)));
  const long n = text.GetSelDecos(from, to, runs.data(), long(runs.size()));
  long at = from;
  for (long k = 0; k < n; ++k) {
    const SKXDeco& run = runs[static_cast<std::size_t>(k)];
    const long runStart = std::max(long(run.offset), from);
    const long runEnd = k + 1 < n ? std::min(long(runs[static_cast<std::size_t>(k + 1)].offset), to) : to;
    if (run.deco.pictID == 0 || runStart >= runEnd) continue;
    if (at < runStart) out.emplace_back(at, runStart);
    at = std::max(at, runEnd);
  }
  if (at < to) out.emplace_back(at, to);
  return out;
}

}  // namespace

void CKXFlavorExchange::SendUnicode(const SKXRange& r, CKXDataTube& tube) {
  if (!UKXUnicode::IsAvailable() || r.length == 0) return;
  const long from = r.start, to = long(r.start) + r.length;
  const std::vector<std::pair<long, long>> stretches = StretchesBetweenPictures(Source(), from, to);
  if (stretches.empty()) return;
  // Without its pictures the range is one text: a copy of it with the
  // pictures taken out, so that a ruby whose base holds one still follows
  // its whole base. The copy names the pictures of the table, and owns none.
  const bool pictures = stretches.size() > 1 || stretches.front() != std::pair<long, long>{from, to};
  std::optional<TextGuard> copy;
  if (pictures) {
    CKXText& c = *copy.emplace();
    c.SetReferToPicture(1);
    Source().CopyText(from, to, &c, CKXText::kWhatText | CKXText::kWhatStyl | CKXText::kWhatDeco);
    for (std::size_t k = stretches.size(); k-- > 0;) {
      const long gapEnd = k + 1 < stretches.size() ? stretches[k + 1].first : to;
      if (stretches[k].second < gapEnd) c.DeleteText(stretches[k].second - from, gapEnd - from);
    }
    if (stretches.front().first > from) c.DeleteText(0, stretches.front().first - from);
  }
  const CKXText& source = pictures ? **copy : Source();
  const CKXTextFlavorWriter writer(source, pictures ? 0 : from, pictures ? source.GetLength() : to);
  KxFlavorBytes text, styu, styl;
  writer.MakeText(text);
  std::vector<SKXUniChar> uni;
  std::vector<SKXScriptRun> scripts;
  if (writer.MakeUniChars(styu) == EKXFlavorMake::kMade) uni = UniCharsOf(styu);
  if (writer.MakeStyl(styl) == EKXFlavorMake::kMade) scripts = ScriptsOf(styl);
  StKxHandle units, glyphs;
  long count = 0;
  if (!UKXUnicode::ConvertFromText(kScriptJapanese, reinterpret_cast<const char*>(text.data()),
                                   static_cast<long>(text.size()), uni.data(), static_cast<long>(uni.size()),
                                   units.h, count, glyphs.h, scripts.empty() ? nullptr : scripts.data(),
                                   static_cast<long>(scripts.size())) ||
      !units.h)
    return;
  const Bytes utxt = HostBytesOf(reinterpret_cast<const char16_t*>(*units.h), count);
  if (utxt.empty()) return;
  Bytes gidr;
  if (glyphs.h && KxMemHSize(glyphs.h) > 0 && CKXUnicode::ConvertGlyphInfoToScrap(glyphs.h))
    gidr = BytesOfHandle(glyphs.h, KxMemHSize(glyphs.h));
  tube.SetFlavorData(kKxFlavorUtxt, utxt.data(), static_cast<long>(utxt.size()), kKxWholeFlavor);
  if (!gidr.empty()) tube.SetFlavorData(kKxFlavorGlyphs, gidr.data(), static_cast<long>(gidr.size()), kKxWholeFlavor);
}

namespace {
// A drag item holds one flavor of a code: its pictures go under "PICT",
// "PICT"+1, ... (n from 1), the codes the clipboard gives them.
OSType DragPictureCode(long n) { return FourCC("PICS") + static_cast<OSType>(n); }
}  // namespace

void CKXFlavorExchange::SendDecos(const SKXRange& r, CKXDataTube& tube, short kind) {
  const CKXTextFlavorWriter writer(Source(), r.start, r.start + r.length);
  const bool unicode = UnicodeFile(tube, kind);
  // Clipboards, files and drags carry the pictures (a drag may end in
  // another copy of the program, whose table IDs name other pictures);
  // descriptors stay in the program and name the table's pictures.
  const bool carries = kind == kKxTubeClipboard || kind == kKxTubeFile || kind == kKxTubeDrag;
  KxFlavorBytes bytes;
  std::vector<KxFlavorBytes> pictures;
  const EKXFlavorMake made = unicode ? EKXFlavorMake::kNothing
                                     : writer.MakeDeco(bytes, carries ? EKXPictureRefs::kSequence
                                                                      : EKXPictureRefs::kTableID,
                                                       carries ? &pictures : nullptr);
  if (made != EKXFlavorMake::kMade) {
    if (kind == kKxTubeFile && tube.FlavorExists(kKxFlavorDeco)) tube.DeleteFlavorData(kKxFlavorDeco);
    return;
  }
  if (kind == kKxTubeFile)
    while (tube.FlavorExists(kKxFlavorPict) && tube.GetFlavorSize(kKxFlavorPict) > 0) {
      const long before = tube.GetFlavorSize(kKxFlavorPict);
      tube.DeleteFlavorData(kKxFlavorPict);
      // A tube that cannot delete would be asked forever.
      if (tube.FlavorExists(kKxFlavorPict) && tube.GetFlavorSize(kKxFlavorPict) == before) break;
    }
  for (std::size_t k = 0; k < pictures.size(); ++k)
    tube.SetFlavorData(kind == kKxTubeDrag ? DragPictureCode(long(k) + 1) : kKxFlavorPict, pictures[k].data(),
                       static_cast<long>(pictures[k].size()), kKxWholeFlavor);
  // One run only: a lone picture on the clipboard goes as the picture
  // alone, and a run that decorates nothing is not worth a flavor.
  long count = 0;
  CKXTextFlavorData::CheckFlavorData(kKxFlavorDeco, bytes.data(), static_cast<long>(bytes.size()), &count);
  if (count == 1) {
    const std::uint8_t* run = bytes.data() + 2;
    const bool plain = run[4] == 0 && run[5] == 0 && run[6] == 0 && run[7] == 0;
    const bool pict = run[8] != 0 || run[9] != 0;
    if (kind == kKxTubeFile && plain && !pict) {
      if (tube.FlavorExists(kKxFlavorDeco)) tube.DeleteFlavorData(kKxFlavorDeco);
      return;
    }
    if (kind == kKxTubeClipboard && (pict || plain)) return;
  }
  tube.SetFlavorData(kKxFlavorDeco, bytes.data(), static_cast<long>(bytes.size()), kKxWholeFlavor);
}

void KxSetAozoraReader(KxAozoraReader reader) { gAozoraReader = reader; }

void CKXFlavorExchange::EmergencyWriteText(CKXDataTube&, const SKXRange&) { throw LException(memFullErr); }

void CKXFlavorExchange::EmergencyReadText(CKXDataTube&, const SKXRange&) { throw LException(memFullErr); }

// ---- receiving -----------------------------------------------------------------------------------

void CKXFlavorExchange::ReceiveDataFrom(const SKXRange& range, CKXDataTube& tube, KXTextHandle text, short* mask) {
  mPictureRefused = false;
  const long before = text ? KXHandleAccess::Text(text)->GetLength() : 0;
  try {
    ReceiveInto(range, tube, text, mask, 0);
  } catch (const LException&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw LException(memFullErr);
  }
  // A paste or drop of nothing but a picture that cannot be read is no
  // paste or drop of nothing: the user hears of it, and a drag's source
  // that the drop was not taken.
  const short kind = tube.GetFlavorForType();
  if (mPictureRefused && (kind == kKxTubeClipboard || kind == kKxTubeDrag) &&
      (!text || KXHandleAccess::Text(text)->GetLength() == before))
    throw LException(kKxErrPictureUnreadable);
}

void CKXFlavorExchange::Deliver(const SKXRange& range, short kind, CKXText& received, KXTextHandle text,
                                short* mask, short gotMask) {
  if (text) {
    CKXText& dest = *KXHandleAccess::Text(text);
    dest.InsertText(dest.GetLength(), &received, CKXText::kWhatAll);
    if (mask) *mask = gotMask;
    return;
  }
  if (!mLayer) throw LException(kKxErrNilPointer);
  const bool whole = kind == kKxTubeFile && range.start == 0 && range.length < 0;
  const SKXRange target = whole ? mLayer->CropRange(CKXTextLayer::sTextAll) : mLayer->CropRange(range);
  mLayer->TextPaste(target, KXHandleAccess::Wrap(&received), gotMask);
  if (whole) mLayer->SetSelectionRange(CKXTextLayer::sTextStart, false);
}

void CKXFlavorExchange::ReceivePicture(const SKXRange& range, short kind, OSType type, Bytes data, KXTextHandle text,
                                       short* mask) {
  PicHandle picture = nullptr;
  if (type == kKxFlavorJPEG) {
    if (!data.empty()) picture = reinterpret_cast<PicHandle>(KxMakeJPEGPicture(data.data(), long(data.size())));
  } else {
    std::vector<KxFlavorBytes> list;
    list.push_back(std::move(data));
    picture = KxPicturesFromList(list)(1);
  }
  InsertPicture(range, kind, picture, text, mask);
}

void CKXFlavorExchange::InsertPicture(const SKXRange& range, short kind, PicHandle picture, KXTextHandle text,
                                      short* mask) {
  const short id = picture ? CKXDecoArray::SetPicture(picture) : short(0);
  if (id <= 0) {
    if (picture) KxMemHFree(reinterpret_cast<Handle>(picture));  // no picture ID free: the handle stays ours
    mPictureRefused = true;
    return;
  }
  const char placeholder = static_cast<char>(0xCA);
  SKXDeco deco{};
  deco.deco.pictID = id;
  TextGuard received;
  (*received).InsertText(0, &placeholder, 1, nullptr, 0, &deco, 1, nullptr, 0, nullptr, 0);
  Deliver(range, kind, *received, text, mask, 5);
}

void CKXFlavorExchange::ReceiveAozora(const SKXRange& range, const Bytes& data, KXTextHandle text, short* mask) {
  // In the style a text without runs shows in, so that the indents are
  // whole characters of it.
  SStyl style{};
  short lineSpace = 0;
  if (mLayer) {
    SKXEditStyl edit{};
    KXTE_GetEditStyl(mLayer->GetEdit(), edit);
    style.font = edit.font;
    style.size = edit.size;
    SKXLineStyl line{};
    KXTE_GetLineStyl(mLayer->GetEdit(), line);
    lineSpace = line.lineSpace;
  }
  TextGuard converted;
  CKXText& t = *converted;
  const bool ok = gAozoraReader(t, reinterpret_cast<const char*>(data.data()), long(data.size()), style);
  // The converted paragraphs keep the document's line spacing.
  if (lineSpace > 0) {
    std::vector<char> bytes(std::size_t(t.GetLength()));
    t.GetText(bytes.data(), long(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    if (std::memchr(bytes.data(), 13, bytes.size())) t.SetParaLineSpace(0, t.GetLength(), lineSpace);
  }
  if (text) {
    CKXText& dest = *KXHandleAccess::Text(text);
    if (dest.GetLength() == 0)
      dest.TakeText(&t);
    else
      dest.InsertText(dest.GetLength(), &t, CKXText::kWhatAll);
  } else {
    Deliver(range, kKxTubeFile, t, nullptr, nullptr,
            MaskOf(t.GetStylCount() > 0, t.GetDecoCount() > 0, t.GetParaCount() > 0, t.GetRubysCount() > 0));
  }
  if (mask) *mask = ok ? 0 : kKxMaskText;
}

bool CKXFlavorExchange::ReceiveRTF(const SKXRange& range, CKXDataTube& tube, short kind, KXTextHandle text,
                                   short* mask) {
  KxTextConverter* rtf = KxConverterForFlavor(kKxFlavorRTF);
  if (!rtf || !tube.FlavorExists(kKxFlavorRTF)) return false;
  // The program's own copies are read through its own flavors, which say
  // more than RTF does: RTF names fonts 0 and 1 by their families and keeps
  // the high byte of each colour component only. Its "TEXT" marks them; no
  // other program offers that flavor here.
  const bool transfer = kind == kKxTubeClipboard || kind == kKxTubeDrag;
  if (transfer)
    for (OSType own : {kKxFlavorText, kKxFlavorDeco, kKxFlavorPara, kKxFlavorUniChars})
      if (tube.FlavorExists(own)) return false;
  Bytes data;
  try {
    if (!tube.ReadFlavor(kKxFlavorRTF, data)) return false;
  } catch (const std::bad_alloc&) {
    return false;  // no room for it: the other flavors may still fit
  }
  TextGuard received;
  short flags = 0;
  // The converter reads no further than the bytes that came.
  const bool read = rtf->Import(data.data(), static_cast<long>(data.size()), *received, &flags, nullptr);
  Bytes().swap(data);
  // RTF that gave no text (or none that could be read) gives way to what
  // else came: a picture, or the plain text beside it.
  if (!read || (*received).GetLength() == 0) return false;
  // A paste or drop takes the characters' attributes, never paragraph
  // attributes of another program; a dropped file brings its own.
  short got = kKxMaskText;
  if (flags & kKxImportStyles) got |= kKxMaskStyl;
  if (flags & kKxImportDecos) got |= kKxMaskDeco;
  if ((flags & kKxImportParas) && !transfer) got |= kKxMaskPara;
  // Over the range even for a dropped file: it lands where it was dropped.
  Deliver(range, kKxTubeDrag, *received, text, mask, got);
  return true;
}

void CKXFlavorExchange::ReceiveInto(const SKXRange& range, CKXDataTube& tube, KXTextHandle text, short* mask,
                                    int depth) {
  const short kind = tube.GetFlavorForType();
  // Another program's styled text comes first.
  if ((kind == kKxTubeClipboard || kind == kKxTubeDrag) && ReceiveRTF(range, tube, kind, text, mask)) return;
  CKXTextFlavorReader reader;
  Bytes bytes;

  // Runs. The decoration runs' count bounds the pictures asked for, so
  // that a tube answering "PICT" forever is asked a finite number of times.
  long decoCount = 0;
  for (OSType type : {kKxFlavorStyl, kKxFlavorDeco, kKxFlavorPara})
    if (tube.ReadFlavor(type, bytes)) {
      reader.ReadFlavor(type, bytes.data(), static_cast<long>(bytes.size()));
      if (type == kKxFlavorDeco)
        CKXTextFlavorData::CheckFlavorData(type, bytes.data(), static_cast<long>(bytes.size()), &decoCount);
    }

  // Which text flavor.
  const bool hasText = tube.FlavorExists(kKxFlavorText);
  const bool hasUtxt = tube.FlavorExists(kKxFlavorUtxt);
  if (hasText || hasUtxt) {
    OSType textType = kKxFlavorText;
    bool dropDecoPara = false;
    if (hasText && tube.FlavorExists(kKxFlavorUniChars)) {
      if (tube.ReadFlavor(kKxFlavorUniChars, bytes))
        reader.ReadFlavor(kKxFlavorUniChars, bytes.data(), static_cast<long>(bytes.size()));
    } else if ((kind == kKxTubeClipboard || kind == kKxTubeDrag) && hasUtxt && UKXUnicode::IsAvailable()) {
      textType = kKxFlavorUtxt;
      dropDecoPara = true;
    } else if (!hasText) {
      textType = kKxFlavorUtxt;
    }
    Bytes data;
    tube.TakeFlavor(textType, data);
    Units decoded;  // a UTF-8 file's units, read straight from its bytes
    bool haveUnits = false;
    // Side entries made from Unicode units, read after the line ends
    // settle: CR LF turning into CR moves them with their bytes.
    std::vector<SKXUniChar> sideEntries;

    // Files: the plain-text encoding. Aozora notation is Shift_JIS.
    bool aozora = false;
    if (kind == kKxTubeFile && textType == kKxFlavorText) {
      short code = mEncoding;
      aozora = code == kKxCodeAozora || CKXJCode::sCodeType == kKxCodeAozora;
      if (aozora) {
        code = kKxCodeSJIS;
      } else if (code == kKxCodeSJIS && (CKXJCode::sUseCVKANJI || CKXJCode::sUseUNICODE)) {
        code = CKXJCode::sCodeType;
        if (code == kKxCodeAuto) code = CKXJCode::AutoCheck(data.data(), static_cast<long>(data.size()));
      }
      CKXJCode conv;
      // JIS X 0212 characters have no Shift_JIS code: each stays as the
      // placeholder with its character beside it, as from Unicode.
      conv.SetJIS0212Hook(
          [](void* context, long offset, unsigned char row, unsigned char cell) {
            if (const char16_t u = KxJISX0212ToUnicode(row, cell))
              static_cast<std::vector<SKXUniChar>*>(context)->push_back(
                  SKXUniChar{static_cast<std::int32_t>(offset), std::uint32_t(u) << 16});
          },
          &sideEntries);
      if ((code == kKxCodeJIS && conv.JIStoSJIS(data.data(), static_cast<long>(data.size()))) ||
          (code == kKxCodeEUC && conv.EUCtoSJIS(data.data(), static_cast<long>(data.size())))) {
        data.assign(conv.GetTextPtr(), conv.GetTextPtr() + conv.GetTextSize());
      } else if (code == kKxCodeUTF16) {
        // Only a real byte-order mark leaves the text; without one the
        // units are big-endian.
        bool little = false;
        mForm = SUnicodeForm{true, false};
        if (data.size() >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
          little = true;
          mForm = SUnicodeForm{false, true};
          data.erase(data.begin(), data.begin() + 2);
        } else if (data.size() >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
          mForm = SUnicodeForm{true, true};
          data.erase(data.begin(), data.begin() + 2);
        }
        mFormSet = true;
        if (!little) CKXJCode::InvertWORDHiLo(data.data(), static_cast<long>(data.size()));
        textType = kKxFlavorUtxt;
      } else if (code == kKxCodeUTF8) {
        mForm = SUnicodeForm{false, data.size() >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF};
        mFormSet = true;
        // Straight into units: at most one a byte. A UTF-8 byte-order mark
        // is no character of the text.
        const long skip = mForm.mark ? 3 : 0;
        decoded.resize(data.size() - std::size_t(skip));
        decoded.resize(std::size_t(CKXJCode::UTF8toUnits(data.data() + skip, long(decoded.size()), decoded.data())));
        haveUnits = true;
        textType = kKxFlavorUtxt;
      }
    }

    if (textType == kKxFlavorUtxt) {
      // Each stage lets go of the one before once it has been read: a large
      // file is held about twice at any one time, not once a stage.
      Units units = haveUnits ? std::move(decoded) : UnitsOf(data);
      Bytes().swap(data);
      // A file keeps its units as they are, to be written back unchanged.
      if (kind != kKxTubeFile) ReplaceLoneSurrogates(units);
      StKxHandle glyphs;
      Bytes gidr;
      if (kind != kKxTubeFile && tube.ReadFlavor(kKxFlavorGlyphs, gidr) && !gidr.empty()) {
        glyphs.h = KxMemHAlloc(static_cast<long>(gidr.size()), false);
        if (glyphs.h) {
          std::memcpy(*glyphs.h, gidr.data(), gidr.size());
          if (!CKXUnicode::ConvertGlyphScrapToInfo(glyphs.h)) {
            KxMemHFree(glyphs.h);
            glyphs.h = nullptr;
          }
        }
      }
      if (!glyphs.h && !units.empty()) {
        long outCount = 0;
        Units composed(units.size());
        CKXUnicode::PreConvert(units.data(), static_cast<long>(units.size()), composed.data(), &outCount);
        composed.resize(static_cast<std::size_t>(std::clamp(outCount, 0L, static_cast<long>(units.size()))));
        units = std::move(composed);
      }
      // Text without style runs of its own takes the style where it lands:
      // spelt in another script, its bytes would read as other characters
      // there (a dash pasted into Roman text came out as "Å\").
      short script = kScriptJapanese;
      if (kind != kKxTubeFile && !reader.HasStyls()) {
        if (mLandingScript >= 0) {
          script = mLandingScript;
        } else if (mLayer) {
          SStyl here{};
          mLayer->GetCurStyl(here);
          script = KxFontToScriptType(here.font);
        }
      }
      StKxHandle converted, sides;
      long length = 0, sideCount = 0;
      const bool ok = !units.empty() && UKXUnicode::ConvertToText(units.data(), static_cast<long>(units.size()),
                                                                  glyphs.h, converted.h, length, sides.h,
                                                                  sideCount, script);
      Units().swap(units);
      Bytes textBytes;
      // The tube's "TEXT" is in the system script: it stands for the
      // characters only where they are spelt in that script.
      if (kind != kKxTubeFile && hasText && script == kScriptJapanese && (!ok || sideCount == 0)) {
        // The script's own bytes say the same: take them with every run.
        tube.ReadFlavor(kKxFlavorText, textBytes);
        dropDecoPara = false;
      } else if (ok) {
        textBytes = BytesOfHandle(converted.h, length);
        if (sides.h && sideCount > 0) {
          const auto* first = reinterpret_cast<const SKXUniChar*>(*sides.h);
          sideEntries.assign(first, first + std::min(sideCount, KxMemHSize(sides.h) / long(sizeof(SKXUniChar))));
        }
      }
      // Otherwise nothing could be made of the units: nothing comes.
      data = std::move(textBytes);
    }
    if (dropDecoPara) {
      const Bytes empty16{0, 0};
      reader.ReadFlavor(kKxFlavorDeco, empty16.data(), 2);
      reader.ReadFlavor(kKxFlavorPara, empty16.data(), 2);
    }

    if (kind == kKxTubeFile && !data.empty()) {
      long removed = 0;
      const short seen = CKXTextLayer::CheckTextType(reinterpret_cast<char*>(data.data()), static_cast<long>(data.size()),
                                                     removed, sideEntries.data(), long(sideEntries.size()));
      data.resize(data.size() - static_cast<std::size_t>(std::clamp(removed, 0L, static_cast<long>(data.size()))));
      SetLineEndType(seen);
    }
    if (!sideEntries.empty()) {
      const Bytes styu = StyuOf(sideEntries.data(), long(sideEntries.size()));
      reader.ReadFlavor(kKxFlavorUniChars, styu.data(), static_cast<long>(styu.size()));
    }

    // Ruby.
    if (tube.ReadFlavor(kKxFlavorRubyInfo, bytes))
      reader.ReadFlavor(kKxFlavorRubyInfo, bytes.data(), static_cast<long>(bytes.size()));

    // Aozora notation, in a text that came without runs of its own.
    if (aozora && !data.empty() && gAozoraReader && !reader.HasStyls() && !reader.HasDecos() && !reader.HasParas() &&
        sideEntries.empty() && !reader.HasRubyInfo()) {
      ReceiveAozora(range, data, text, mask);
      return;
    }

    // Pictures of the decoration runs.
    std::vector<KxFlavorBytes> pictures;
    if (reader.HasDecos()) {
      if (kind == kKxTubeClipboard || kind == kKxTubeFile) {
        for (long k = 0; k < decoCount && tube.FlavorExists(kKxFlavorPict); ++k) {
          KxFlavorBytes pict;
          if (!tube.ReadFlavor(kKxFlavorPict, pict)) break;
          pictures.push_back(std::move(pict));
        }
        reader.SetPictureFetch(KxPicturesFromList(pictures));
      } else if (kind == kKxTubeDrag) {
        // Never the table: a drop from another copy of the program names
        // its own table's pictures.
        for (long k = 1; k <= decoCount && tube.FlavorExists(DragPictureCode(k)); ++k) {
          KxFlavorBytes pict;
          if (!tube.ReadFlavor(DragPictureCode(k), pict)) break;
          pictures.push_back(std::move(pict));
        }
        reader.SetPictureFetch(KxPicturesFromList(pictures));
      } else {
        reader.SetPictureFetch(KxPicturesFromTable());
      }
    }
    reader.SetText(std::move(data));
    reader.SetWholeText(kind == kKxTubeFile);
    const short got = MaskOf(reader.HasStyls(), reader.HasDecos(), reader.HasParas(), reader.HasRubyInfo());
    if (kind == kKxTubeFile && text && KXHandleAccess::Text(text)->GetLength() == 0) {
      // A file read into an empty text goes there directly: a second copy
      // of a large text costs as much as the first.
      reader.InsertInto(*KXHandleAccess::Text(text), 0);
      if (mask) *mask = got;
      return;
    }
    TextGuard received;
    reader.InsertInto(*received, 0);
    Deliver(range, kind, *received, text, mask, got);
    return;
  }

  // No text: a picture, files, or the items of the tube. A JPEG from
  // another program becomes a picture of the same kind as Insert JPEG makes.
  for (OSType type : {kKxFlavorPict, kKxFlavorJPEG}) {
    Bytes picture;
    if (tube.ReadFlavor(type, picture) && !picture.empty()) {
      ReceivePicture(range, kind, type, std::move(picture), text, mask);
      return;
    }
  }
  Bytes hfs;
  if (tube.ReadFlavor(kKxFlavorHFS, hfs)) {
    OSType type = 0;
    std::string path;
    if (depth >= kMaxDropDepth || !KxReadHFSFlavor(hfs.data(), static_cast<long>(hfs.size()), type, path) ||
        !KxIsRegularFile(path))
      return;
    if (type == 0) type = KxTypeFromNameEnding(path);
    if (type != kKxFlavorText && type != kKxFlavorRTF && type != kKxFlavorPict && type != kKxFlavorJPEG) return;
    CKXFileTube file(path, kKxFileRead);
    if (type == kKxFlavorRTF) {
      ReceiveRTF(range, file, kKxTubeFile, text, mask);
    } else if (type == kKxFlavorText) {
      ReceiveInto(range, file, text, mask, depth + 1);
    } else {
      // A picture file lands as the picture it holds, as a pasted one does.
      Bytes data = file.DataFork();
      if (type == kKxFlavorPict)
        data.erase(data.begin(), data.begin() + long(std::min(data.size(), kPictFileHeaderBytes)));
      ReceivePicture(range, kind, type, std::move(data), text, mask);
    }
    return;
  }
  const long items = tube.CountItems();
  for (long k = 1; k <= items; ++k) {
    CKXDataTube item = tube.NthItem(k, nullptr);
    ReceiveInto(range, item, text, mask, depth + 1);
  }
}

// ---- the layer's scrap hooks -----------------------------------------------------------------

void KxPutTextOnClipboard(KXTextHandle text) {
  if (!text) return;
  CKXFlavorExchange exchange(nullptr, KXHandleAccess::Text(text));
  CKXTextClipboardTube tube(&exchange, SKXRange{0, -1});
}

void KxPasteTextFromClipboard(KXTextHandle text, short& kind, short landingScript) {
  kind = 0;
  if (!text) return;
  CKXTextClipboardTube tube;
  CKXFlavorExchange exchange(nullptr, KXHandleAccess::Text(text));
  exchange.SetLandingScript(landingScript);
  if (exchange.PickFlavorFrom(tube) == kKxFlavorNull) return;
  exchange.ReceiveDataFrom(SKXRange{0, -1}, tube, text, &kind);
}

void KxGetTextFromClipboard(KXTextHandle text, short& kind, short landingScript) {
  try {
    KxPasteTextFromClipboard(text, kind, landingScript);
  } catch (const LException& e) {
    // Shown rather than pasted, a picture that cannot be read is nothing.
    if (e.GetErrorCode() != kKxErrPictureUnreadable) throw;
    kind = 0;
  }
}
