#include "layout/fontstate.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <string>

#include "platform/script.h"
#include "platform/utf16.h"
#include "text/codes/unicode.h"

// ---------------------------------------------------------------------------
// Font numbers, heights, cells and scaled sizes

short HiraginoFontCheck(short font) {
  if (font == kKxSystemFont || KxFontIsKnown(font)) return font;
  if (font < 0 || (font >= 0x4000 && font <= 0x41FF)) return kKxApplicationFont;
  return font;
}

std::int32_t KxGetFontHeight(short font, short size) {
  const KxFontInfo info = KxFontGetInfo(HiraginoFontCheck(font), size, 0);
  return info.ascent + info.descent + info.leading;
}

std::int32_t KxGetFontWidth(short font, short size, std::int32_t count) {
  font = HiraginoFontCheck(font);
  const std::int64_t cell = KxFontScript(font) == kScriptJapanese
                                ? KxFontCharWidth(font, size, 0, kKxReferenceKanji) / 2
                                : KxFontCharWidth(font, size, 0, '0');
  return std::int32_t(std::clamp<std::int64_t>(cell * count, INT32_MIN, INT32_MAX));
}

short KxScaledFontSize(short size, short scale) {
  const int percent = scale <= 0 ? 100 : scale;
  if (size <= 0) size = 12;
  if (size == 9) {
    if (percent == 120 || percent == 125) return 10;
    if (percent == 133) return 11;
    if (percent == 150) return 13;
  } else if (size == 10) {
    if (percent == 125 || percent == 133) return 12;
    if (percent == 150) return 14;
  }
  return short(std::clamp((percent * size + 50) / 100, 1, 32767));
}

std::int32_t KxGetUnicodeTextWidth(const char16_t* text, std::int32_t count) {
  if (!text || count <= 0) return 0;
  const KxPortText& t = KxCurrentPortText();
  if (count == 2 && text[0] >= 16 && text[0] <= 31) return KxFontGlyphWidth(t.font, t.MeasureSize(), t.face, text[1]);
  return KxFontUTF16Width(t.font, t.MeasureSize(), t.face, text, count);
}

int KxUnpackUniChar(std::uint32_t value, char16_t units[2]) {
  const char16_t first = char16_t(value >> 16), second = char16_t(value & 0xFFFF);
  if (first == 0) {
    units[0] = second;
    return 1;
  }
  units[0] = first;
  units[1] = second;
  return second == 0 ? 1 : 2;   // the bridge packs a single unit as first << 16
}

int KxUniCharFallback(std::uint32_t value, short script, char bytes[2]) {
  char16_t units[2];
  KxUnpackUniChar(value, units);
  const unsigned short code = KxUnicodePlaceholderFor(units[0], script);
  if (code <= 0xFF) {
    bytes[0] = char(code);
    return 1;
  }
  bytes[0] = char(code >> 8);
  bytes[1] = char(code & 0xFF);
  return 2;
}

std::int32_t KxFallbackWidth(const char* bytes, int count, short size) {
  const KxPortText& t = KxCurrentPortText();
  const short script = KxFontScript(t.font);
  const std::uint8_t* lead = KxScriptParseTable(script);
  std::int64_t w = 0;
  for (int i = 0; i < count; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (lead[b] && i + 1 < count) {
      ++i;
      w += KxFontCharWidth(t.font, size, t.face, kKxReferenceKanji);
    } else {
      w += KxFontCharWidth(t.font, size, t.face, b);
    }
  }
  return std::int32_t(std::min<std::int64_t>(w, INT32_MAX));
}

short KxUnicodeCharFont(short font, const char16_t* units, int count) {
  if (count <= 0 || (count == 2 && units[0] >= 16 && units[0] <= 31)) return font;
  auto has = [&](short f) {
    const KxFontFace* face = KxFontDrawingFace(f);
    if (!face) return false;
    for (int i = 0; i < count; ++i) {
      char32_t cp = units[i];
      if (const char32_t pair = i + 1 < count ? KxJoinSurrogates(units[i], units[i + 1]) : 0) {
        cp = pair;
        ++i;
      }
      if (face->GlyphOf(cp) == 0) return false;
    }
    return true;
  };
  if (has(font)) return font;
  if (font != kKxApplicationFont && has(kKxApplicationFont)) return kKxApplicationFont;
  // Neither has it (an emoji, a symbol): the first installed family that
  // does, as the desktop's own text drawing falls back. Remembered for the
  // fonts installed now; a character no family has stays in its font.
  static std::map<std::u16string, short> found;
  static std::uint32_t generation = 0;
  if (generation != KxFontGeneration() || found.size() > 4096) {
    found.clear();
    generation = KxFontGeneration();
  }
  const std::u16string key(units, std::size_t(count));
  auto it = found.find(key);
  if (it == found.end()) {
    // A glyph of no width (a joiner, a variation selector) draws nothing
    // there: the character keeps its font, and its placeholder shows.
    short other = font;
    for (short f : KxFontNumbers())
      if (has(f) && KxFontUTF16Width(f, kKxDefaultFontSize, 0, units, count) > 0) {
        other = f;
        break;
      }
    it = found.emplace(key, other).first;
  }
  return it->second;
}

std::int32_t KxGetUnicodeCharWidth(std::uint32_t value) {
  char16_t units[2];
  const int n = KxUnpackUniChar(value, units);
  // Measured in the font it draws in.
  KxPortText& port = KxCurrentPortText();
  const short own = port.font;
  port.font = KxUnicodeCharFont(own, units, n);
  const std::int32_t w = KxGetUnicodeTextWidth(units, n);
  port.font = own;
  if (w > 0) return w;
  char bytes[2];
  const KxPortText& t = KxCurrentPortText();
  const int count = KxUniCharFallback(value, KxFontScript(t.font), bytes);
  return KxFallbackWidth(bytes, count, t.MeasureSize());
}

std::int32_t KxGetUnicodeCharHeight() {
  KxFontInfo info;
  GetFontInfo(&info);
  return info.ascent + info.descent;
}

// ---------------------------------------------------------------------------
// CKXFontState

CKXFontState::CKXFontState() : mSaved(KxCurrentPortText()) {}

CKXFontState::~CKXFontState() { KxCurrentPortText() = mSaved; }

std::int32_t CKXFontState::GetWidth(unsigned char c) const { return ::CharWidth(c); }

std::int32_t CKXFontState::CharWidth(std::uint16_t code) const {
  const KxPortText& t = KxCurrentPortText();
  return KxFontCharWidth(t.font, t.MeasureSize(), t.face, code);
}

void CKXFontState::SetFont(short font, short size, unsigned char face, Boolean) {
  TextFont(HiraginoFontCheck(font));
  TextSize(size);
  TextFace(face);
}

void CKXFontState::GetFontInfo(short font, short size, unsigned char face, short& ascent, short& descent,
                               short& leading) {
  const KxFontInfo info = KxFontGetInfo(HiraginoFontCheck(font), size, face);
  ascent = short(info.ascent);
  descent = short(info.descent);
  leading = short(info.leading);
}

// ---------------------------------------------------------------------------
// CKXCharState

Boolean CKXCharState::sVerticalDrawing = 0;
Boolean CKXCharState::sFontUnderline = 0;
short CKXCharState::sFontScriptType = 0;

namespace {

// The memo shared by all character states: widths of (font, size, face),
// valid within one font generation.
struct SharedWidths {
  bool used = false;
  std::uint32_t generation = 0;
  short font = 0;
  unsigned char face = 0;
  short size = 0;
  std::int16_t doubleWidth = 0;
  std::int16_t uniformAscii = -1;
  std::int16_t widths[256] = {};
};

SharedWidths gShared[CKXCharState::kSharedEntries];

bool Matches(const SharedWidths& e, std::uint32_t generation, short font, short size, unsigned char face) {
  return e.used && e.generation == generation && e.font == font && e.size == size && e.face == face;
}

std::int16_t ToWidth(std::int32_t w) { return std::int16_t(std::clamp(w, 0, 32767)); }

}  // namespace

CKXCharState::CKXCharState() { std::memset(mWidths, 0, sizeof mWidths); }

CKXCharState::~CKXCharState() {
  if (mCacheModified) Store();
}

void CKXCharState::SetStyl(short font, short size, unsigned char face) {
  // Text handed over with a style starts at a character boundary: a first
  // byte left over from earlier text must not pair with it.
  mPending = false;
  if (font != mStylFont || size != mSize || face != mFace) {
    if (mCacheModified) Store();
    mStylFont = font;
    mFont = HiraginoFontCheck(font);
    mSize = size;
    mFace = face;
    mScript = KxFontScript(mFont);
    Load();
  }
  // The port gets the style; the underline is drawn by our own code.
  TextFont(mFont);
  TextSize(mSize);
  TextFace(mFace & unsigned(~kFaceUnderline));
  TextMode(srcOr);
  sFontUnderline = (mFace & kFaceUnderline) ? 1 : 0;
  sFontScriptType = mScript;
}

void CKXCharState::Load() {
  mUniformAscii = -1;
  const std::uint32_t generation = KxFontGeneration();
  for (int i = 0; i < kSharedEntries; ++i) {
    if (!Matches(gShared[i], generation, mFont, mSize, mFace)) continue;
    const SharedWidths hit = gShared[i];
    std::move_backward(gShared, gShared + i, gShared + i + 1);
    gShared[0] = hit;
    std::memcpy(mWidths, hit.widths, sizeof mWidths);
    mDoubleWidth = hit.doubleWidth;
    mUniformAscii = hit.uniformAscii;
    mCacheModified = false;
    return;
  }
  std::memset(mWidths, 0, sizeof mWidths);
  mDoubleWidth = 0;
  mCacheModified = false;
}

void CKXCharState::Store() {
  mCacheModified = false;
  if (mStylFont == -32768) return;
  const std::uint32_t generation = KxFontGeneration();
  int at = kSharedEntries - 1;   // the least recent entry is dropped
  for (int i = 0; i < kSharedEntries; ++i)
    if (Matches(gShared[i], generation, mFont, mSize, mFace)) at = i;
  std::move_backward(gShared, gShared + at, gShared + at + 1);
  SharedWidths& e = gShared[0];
  e.used = true;
  e.generation = generation;
  e.font = mFont;
  e.size = mSize;
  e.face = mFace;
  e.doubleWidth = mDoubleWidth;
  e.uniformAscii = mUniformAscii;
  std::memcpy(e.widths, mWidths, sizeof mWidths);
}

std::int32_t CKXCharState::MeasureByte(unsigned char c) {
  if (mWidths[c] < 0 || KxScriptParseTable(mScript)[c]) {
    mWidths[c] = -1;
    mPending = true;
    return 0;
  }
  std::int32_t w;
  if (c == 13) {
    w = 1;
  } else if (c < 0x20 && (c < 17 || c > 20)) {
    // Control bytes measure as the letter that shows them.
    w = KxFontCharWidth(mFont, mSize, mFace, c == 12 ? 'A' : std::uint16_t(c + 64));
  } else {
    w = KxFontCharWidth(mFont, mSize, mFace, c);
  }
  mWidths[c] = ToWidth(w);
  mCacheModified = true;
  return mWidths[c];
}

void CKXCharState::MeasureDouble() {
  // One reference character for every double-byte character: the width
  // never depends on which character happened to be measured first.
  mDoubleWidth = ToWidth(KxFontCharWidth(mFont, mSize, mFace, kKxReferenceKanji));
  mCacheModified = true;
}

void CKXCharState::MeasureAscii() {
  const std::uint8_t* parse = KxScriptParseTable(mScript);
  std::int16_t shared = 0;
  for (int c = 0x20; c <= 0x7E; ++c) {
    // A byte that leads in this script is no single character.
    if (parse[c]) {
      shared = 0;
      break;
    }
    if (mWidths[c] <= 0) MeasureByte(std::uint8_t(c));
    if (c == 0x20) shared = mWidths[c];
    else if (mWidths[c] != shared) shared = 0;
    if (shared <= 0) break;
  }
  mUniformAscii = std::max<std::int16_t>(shared, 0);
  mCacheModified = true;
}

std::int32_t CKXCharState::GetFontInfo(short& ascent, short& descent) const {
  const KxFontInfo info = KxFontGetInfo(mFont, mSize, mFace);
  ascent = short(info.ascent);
  descent = short(info.descent);
  return info.ascent + info.descent + info.leading;
}

void CKXCharState::SetVertical(Boolean vertical) {
  mVertical = vertical;
  sVerticalDrawing = vertical;
}

void CKXCharState::ScaleOn(short scale) { KxTextSizeScaled(mSize, KxScaledFontSize(mSize, scale)); }

void CKXCharState::ScaleOff() { TextSize(mSize); }
