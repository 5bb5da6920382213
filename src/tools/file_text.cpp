#include "tools/file_text.h"

#include <algorithm>
#include <new>

#include "formats/rtf_convert.h"
#include "layout/pict_jpeg.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/memory.h"
#include "platform/textconv.h"
#include "platform/toolbox/pict.h"
#include "text/base/memory.h"
#include "text/codes/jcode.h"
#include "text/codes/script.h"
#include "text/store/text.h"

namespace {

constexpr std::uint8_t kCR = 13, kLF = 10;
// Read for a text preview: enough bytes in any encoding for the cut.
constexpr std::size_t kPreviewReadMax = 4 * kKxPreviewTextMax + 16;
// Reading whole files for RTF and JPEG previews stops here.
constexpr std::size_t kPreviewWholeMax = std::size_t(64) << 20;

// With `start` the bytes begin a file, whose byte-order mark (either
// encoding's) opening drops: no character of the text, it must not move
// the offsets of what follows.
std::vector<char16_t> UnitsOf(short code, const std::uint8_t* p, long n, bool start) {
  CKXJCode conv;
  bool little = false;
  if (code == kKxCodeUTF8) {
    if (start && n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
      p += 3;
      n -= 3;
    }
    conv.UTF8toUNICODE(p, n, false);
    p = conv.GetTextPtr();
    n = conv.GetTextSize();
    little = false;
  } else if (start && n >= 2 && ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE))) {
    little = p[0] == 0xFF;
    p += 2;
    n -= 2;
  }
  std::vector<char16_t> u(std::size_t(n / 2));
  for (long k = 0; k + 1 < n; k += 2)
    u[std::size_t(k / 2)] = little ? char16_t(p[k] | p[k + 1] << 8) : char16_t(p[k] << 8 | p[k + 1]);
  return u;
}

bool HasPrefix(const std::string& name, const char* ending) {
  const std::size_t n = std::char_traits<char>::length(ending);
  if (name.size() <= 4) return false;
  std::string end = name.substr(name.size() - n);
  for (char& c : end)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return end == ending;
}


}  // namespace

namespace {
bool Decode(short code, const std::uint8_t* p, std::size_t n, std::string& text, std::vector<SKXUniChar>* sides,
            bool start = true);
}  // namespace

std::size_t KxUTF8CompleteLength(const std::uint8_t* p, std::size_t n) {
  constexpr std::size_t kMaxTail = 3;   // continuation bytes a lead byte may have
  std::size_t k = n;
  while (k > 0 && n - k < kMaxTail && (p[k - 1] & 0xC0) == 0x80) --k;
  if (k == 0) return n;
  const std::size_t want = std::size_t(CKXJCode::UTF8LeadLength(p[k - 1]));
  // Anything else is left for the check to judge.
  return want > n - (k - 1) ? k - 1 : n;
}

short KxDetectPlainCode(const std::uint8_t* p, std::size_t n, bool whole, bool unicode) {
  const std::size_t m = whole ? n : KxUTF8CompleteLength(p, n);
  short code;
  if (unicode) {
    CKXJCode::sUseUNICODE = 1;
    CKXJCode::sUseCVKANJI = 1;
    code = CKXJCode::AutoCheck(p, long(m));
  } else {
    // AutoCheck's order past Unicode, without turning its switches.
    code = CKXJCode::CheckJIS(p, long(m)) ? kKxCodeJIS : CKXJCode::CheckEUC(p, long(m)) ? kKxCodeEUC : kKxCodeSJIS;
  }
  return code < kKxCodeSJIS || code > kKxCodeUTF8 ? kKxCodeSJIS : code;
}

bool CKXUTF8Scan::Add(const std::uint8_t* p, std::size_t n) {
  if (mFailed) return false;
  std::size_t i = 0;
  if (!mCarry.empty()) {
    // The character the last piece began, completed from this one.
    const std::size_t want = std::size_t(CKXJCode::UTF8LeadLength(std::uint8_t(mCarry[0])));
    while (mCarry.size() < want && i < n) mCarry += char(p[i++]);
    if (mCarry.size() < want) return true;
    if (CKXJCode::IsUTF8Char(reinterpret_cast<const unsigned char*>(mCarry.data()), long(want)) != long(want)) {
      mFailed = true;
      return false;
    }
    mMulti = true;
    mCarry.clear();
  }
  const std::size_t end = i + KxUTF8CompleteLength(p + i, n - i);
  if (CKXJCode::CheckUTF8(p + i, long(end - i))) {
    mMulti = true;
  } else if (std::any_of(p + i, p + end, [](std::uint8_t b) { return b >= 0x80; })) {
    // Not ASCII alone, and not UTF-8 either.
    mFailed = true;
    return false;
  }
  mCarry.assign(reinterpret_cast<const char*>(p + end), n - end);
  return true;
}

bool KxDecodePlainText(const std::uint8_t* p, std::size_t n, std::string& text, std::vector<SKXUniChar>* sides,
                       short* codeOut) {
  const short code = KxDetectPlainCode(p, n);
  if (codeOut) *codeOut = code;
  return Decode(code, p, n, text, sides);
}

bool KxDecodePlainTextAs(short code, const std::uint8_t* p, std::size_t n, std::string& text, bool fileStart) {
  return Decode(code, p, n, text, nullptr, fileStart);
}

namespace {
bool Decode(short code, const std::uint8_t* p, std::size_t n, std::string& text, std::vector<SKXUniChar>* sides,
            bool start) {
  text.clear();
  if (sides) sides->clear();
  try {
    const long length = long(n);
    std::string sjis;
    std::vector<SKXUniChar> side;
    if (code == kKxCodeUTF8 || code == kKxCodeUTF16) {
      const std::vector<char16_t> units = UnitsOf(code, p, length, start);
      StKxHandle t, e;
      long len = 0, count = 0;
      if (!UKXUnicode::ConvertToText(units.data(), long(units.size()), nullptr, t.h, len, e.h, count,
                                     kScriptJapanese))
        return false;
      sjis.assign(t.h && len > 0 ? *t.h : "", t.h ? std::size_t(len) : 0);
      if (e.h && count > 0) {
        const auto* s = reinterpret_cast<const SKXUniChar*>(*e.h);
        side.assign(s, s + count);
      }
    } else if (code == kKxCodeSJIS) {
      sjis.assign(reinterpret_cast<const char*>(p), n);
    } else {
      CKXJCode conv;
      if (code == kKxCodeJIS) conv.JIStoSJIS(p, length);
      else conv.EUCtoSJIS(p, length);
      sjis.assign(reinterpret_cast<const char*>(conv.GetTextPtr()), std::size_t(conv.GetTextSize()));
    }
    // CR LF and LF become CR; side entries move with their characters.
    text.reserve(sjis.size());
    std::size_t s = 0;
    long removed = 0;
    for (std::size_t k = 0; k < sjis.size(); ++k) {
      while (s < side.size() && std::size_t(side[s].offset) < k) side[s++].offset -= removed;
      if (std::uint8_t(sjis[k]) == kCR && k + 1 < sjis.size() && std::uint8_t(sjis[k + 1]) == kLF) {
        ++removed;
        continue;
      }
      text += std::uint8_t(sjis[k]) == kLF ? char(kCR) : sjis[k];
    }
    while (s < side.size()) side[s++].offset -= removed;
    if (sides) *sides = std::move(side);
    return true;
  } catch (const std::bad_alloc&) {
    text.clear();
    return false;
  }
}

// The length of the character that starts at `at`, a character boundary: a
// lead byte takes its trail with it. The parse table is read directly, as
// the byte-type call would walk the text from its start at every step.
std::size_t SJISCharLength(const std::uint8_t* parse, const std::string& sjis, std::size_t at) {
  return at + 1 < sjis.size() && parse[std::uint8_t(sjis[at])] ? 2 : 1;
}
}  // namespace

std::string KxNameToScriptText(const std::string& name) {
  constexpr char kGeta[] = "\x81\xAC";
  std::string text;
  std::vector<SKXUniChar> sides;
  // A name has no byte-order mark: every character of it shows.
  if (!Decode(kKxCodeUTF8, reinterpret_cast<const std::uint8_t*>(name.data()), name.size(), text, &sides, false))
    return std::string();
  // Each placeholder the conversion wrote, from the end so that the
  // offsets before it hold; a code shared with another character is the
  // character itself.
  for (auto it = sides.rbegin(); it != sides.rend(); ++it) {
    const std::uint32_t value = it->value;
    if (KxUnicodeSharedCode(value, kScriptJapanese) != 0) continue;
    const unsigned short placeholder = KxUnicodePlaceholderFor(std::uint16_t(value >> 16), kScriptJapanese);
    const std::size_t at = std::size_t(std::max<std::int32_t>(0, it->offset));
    const std::size_t width = placeholder > 0xFF ? 2 : 1;
    if (at + width <= text.size()) text.replace(at, width, kGeta, 2);
  }
  return text;
}

bool KxEditedName(const std::string& name, const std::string& edited, std::string& out) {
  constexpr std::uint16_t kGeta = 0x81AC;
  const std::string shown = KxNameToScriptText(name);
  // The places where the name may be cut so that each side shows as its
  // part of the shown text, with where that is in the shown text; names
  // are short (a path component), so each place is simply tried.
  std::vector<std::size_t> cuts{0}, shownAt{0};
  for (std::size_t i = 1; i < name.size(); ++i) {
    if ((std::uint8_t(name[i]) & 0xC0) == 0x80) continue;   // inside a character
    const std::string head = KxNameToScriptText(name.substr(0, i));
    if (head.size() > shown.size() || shown.compare(0, head.size(), head) != 0 ||
        KxNameToScriptText(name.substr(i)) != shown.substr(head.size()))
      continue;
    cuts.push_back(i);
    shownAt.push_back(head.size());
  }
  cuts.push_back(name.size());
  shownAt.push_back(shown.size());
  const std::size_t pieces = cuts.size() - 1;
  std::vector<bool> exact(pieces);
  bool allExact = true;
  for (std::size_t k = 0; k < pieces; ++k) {
    const std::string piece = name.substr(cuts[k], cuts[k + 1] - cuts[k]);
    exact[k] = KxScriptTextToUTF8(KxNameToScriptText(piece)) == piece;
    allExact = allExact && exact[k];
  }
  if (allExact) {
    out = KxScriptTextToUTF8(edited);
    return true;
  }
  // What the edit left alone: the longest start and end it shares with the
  // shown text, each taken back to a place where the name may be cut.
  std::size_t same = 0;
  while (same < shown.size() && same < edited.size() && shown[same] == edited[same]) ++same;
  std::size_t a = 0;
  while (a + 1 <= pieces && shownAt[a + 1] <= same) ++a;
  const std::size_t from = shownAt[a];   // a character boundary of both texts
  std::size_t tail = 0;
  while (tail < shown.size() - from && tail < edited.size() - from &&
         shown[shown.size() - 1 - tail] == edited[edited.size() - 1 - tail])
    ++tail;
  std::size_t b = a, to = edited.size();
  for (; b < pieces; ++b) {
    if (shownAt[b] < shown.size() - tail) continue;
    // The same bytes from the end need not start a character of the edit.
    to = edited.size() - (shown.size() - shownAt[b]);
    if (KxSJISBoundary(edited, from, to) == to) break;
  }
  if (b == pieces) to = edited.size();
  const std::string middle = edited.substr(from, to - from);
  bool replacesInexact = false;
  for (std::size_t k = a; k < b; ++k) replacesInexact = replacesInexact || !exact[k];
  if (replacesInexact) {
    const std::uint8_t* parse = KxScriptParseTable(kScriptJapanese);
    for (std::size_t i = 0; i < middle.size();) {
      const std::size_t len = SJISCharLength(parse, middle, i);
      if (len == 2 && (std::uint16_t(std::uint8_t(middle[i]) << 8 | std::uint8_t(middle[i + 1]))) == kGeta)
        return false;
      i += len;
    }
  }
  out = name.substr(0, cuts[a]) + KxScriptTextToUTF8(middle) + name.substr(cuts[b]);
  return true;
}

std::size_t KxSJISCut(const std::string& sjis, std::size_t max) {
  if (sjis.size() <= max) return sjis.size();
  const std::uint8_t* parse = KxScriptParseTable(kScriptJapanese);
  std::size_t at = 0;
  while (at < max) {
    const std::size_t len = SJISCharLength(parse, sjis, at);
    if (at + len > max) break;
    at += len;
  }
  return at;
}

std::size_t KxSJISBoundary(const std::string& sjis, std::size_t from, std::size_t at) {
  const std::uint8_t* parse = KxScriptParseTable(kScriptJapanese);
  while (from < at && from < sjis.size()) from += SJISCharLength(parse, sjis, from);
  return std::min(from, sjis.size());
}

void KxLoadPreview(const std::string& path, const std::string& name, OSType type, OSType& outType,
                   std::vector<std::uint8_t>& data) {
  outType = 0;
  data.clear();
  std::vector<std::uint8_t> raw;
  try {
    if (type == FourCC("TEXT") || type == FourCC("ttro") || type == FourCC(".KXT")) {
      if (HasPrefix(name, ".rtf")) {
        if (KxReadFileStart(path, kPreviewWholeMax, raw) != 0) return;
        CKXText text;
        short flags = 0;
        CKXTextRTFMac rtf;
        if (!rtf.DoRTFtoTextRef(reinterpret_cast<const char*>(raw.data()), long(raw.size()), &text, &flags, nullptr))
          return;
        // The whole plain text: an RTF preview is not cut.
        const long size = text.GetTextSize();
        std::string bytes(std::size_t(std::max(0L, size)), '\0');
        if (size > 0) text.CopyBytes(0, size, bytes.data(), size);
        data.assign(bytes.begin(), bytes.end());
        outType = FourCC("TEXT");
        return;
      }
      std::int64_t size = 0;
      if (KxReadFileAt(path, 0, kPreviewReadMax, raw, size) != 0) return;
      // Only the file's start is read: a character it cuts in two is no
      // reason to take UTF-8 for another encoding, nor decoded.
      const bool whole = size <= std::int64_t(raw.size());
      const short code = KxDetectPlainCode(raw.data(), raw.size(), whole);
      const std::size_t n = !whole && code == kKxCodeUTF8 ? KxUTF8CompleteLength(raw.data(), raw.size()) : raw.size();
      std::string sjis;
      if (!KxDecodePlainTextAs(code, raw.data(), n, sjis)) return;
      sjis.resize(KxSJISCut(sjis, kKxPreviewTextMax));
      data.assign(sjis.begin(), sjis.end());
      outType = type;
      return;
    }
    if (type == FourCC("PICT")) {
      if (KxReadFileStart(path, kPreviewWholeMax, raw) != 0) return;
      std::int32_t w = 0, h = 0;
      // Only a file with its header and the picture's frame has a picture.
      if (raw.size() <= kKxPictFileHeaderBytes ||
          !KxPictFrameSize(raw.data() + kKxPictFileHeaderBytes, raw.size() - kKxPictFileHeaderBytes, w, h))
        return;
      data.assign(raw.begin() + std::ptrdiff_t(kKxPictFileHeaderBytes), raw.end());
      outType = FourCC("PICT");
      return;
    }
    if (type == FourCC("JPEG")) {
      if (KxReadFileStart(path, kPreviewWholeMax, raw) != 0) return;
      Handle pict = UKXPict::GetPictureFromJPEG(raw.data(), long(raw.size()));
      if (!pict) return;
      const Size size = GetHandleSize(pict);
      try {
        if (size > 0 && *pict)
          data.assign(reinterpret_cast<const std::uint8_t*>(*pict), reinterpret_cast<const std::uint8_t*>(*pict) + size);
      } catch (...) {
        DisposeHandle(pict);
        throw;
      }
      DisposeHandle(pict);
      outType = FourCC("PICT");
    }
  } catch (const std::bad_alloc&) {
    data.clear();
    outType = 0;
  }
}
