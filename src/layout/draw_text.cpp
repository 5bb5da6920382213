#include "layout/draw_text.h"

#include <algorithm>
#include <vector>

#include "layout/draw_toolkit.h"
#include "layout/draw_unicode.h"
#include "layout/fontstate.h"
#include "platform/draw/glyph_choice.h"
#include "platform/draw/port.h"
#include "platform/script.h"

namespace {

constexpr unsigned char kCR = 13;
constexpr unsigned char kFormFeed = 12;
constexpr unsigned char kSpace = 0x20;
constexpr unsigned char kFirstDrawnControl = 17, kLastDrawnControl = 20;   // the command-key symbols

bool IsControl(unsigned char c) { return c < 0x20 && (c < kFirstDrawnControl || c > kLastDrawnControl); }

// The advance of a control byte as CKXCharState measures it, at the drawing size.
std::int32_t ControlAdvance(const KxPortText& t, unsigned char c) {
  if (c == kCR) return 1;
  return KxFontCharWidth(t.font, t.size, t.face, c == kFormFeed ? 'A' : std::uint16_t(c + 64));
}

std::int32_t ByteAdvance(const KxPortText& t, unsigned char c) {
  return IsControl(c) ? ControlAdvance(t, c) : KxFontCharWidth(t.font, t.size, t.face, c);
}

void Underline(std::int32_t h, std::int32_t v, std::int32_t dh, std::int32_t dv) {
  if (dh <= 0 && dv <= 0) return;
  CKXDrawState state;
  state.Normalize();
  MoveTo(h, v);
  Line(dh, dv);
}

std::int32_t DrawHorizontal(std::int32_t x, std::int32_t baseline, const char* text, std::int32_t from,
                            std::int32_t count) {
  const KxPortText& t = KxCurrentPortText();
  const std::int32_t doubleWidth = KxDrawDoubleWidth();
  const std::uint8_t* lead = KxScriptParseTable(KxFontScript(t.font));
  const auto* b = reinterpret_cast<const unsigned char*>(text);
  std::int64_t pen = x;
  std::int32_t i = from;
  const std::int32_t end = from + count;
  while (i < end) {
    if (IsControl(b[i])) {
      pen += ControlAdvance(t, b[i++]);
      continue;
    }
    std::int32_t j = i;
    while (j < end && !IsControl(b[j])) j += lead[b[j]] && j + 1 < end ? 2 : 1;
    MoveTo(std::int32_t(pen), baseline);
    KxDrawTextCells(text, i, j - i, doubleWidth);
    pen = KxGetPenL().h;
    i = j;
  }
  const std::int32_t advance = std::int32_t(pen - x);
  if (CKXCharState::sFontUnderline) Underline(x, baseline + 1, advance - 1, 0);
  MoveTo(std::int32_t(pen), baseline);
  return advance;
}

// Upright double-byte characters of a vertical run, gathered to be drawn at
// once: their glyphs in the font's vertical forms, one below the other.
class UprightBatch {
 public:
  UprightBatch(std::int32_t left, std::int32_t ascent) : mLeft(left), mAscent(ascent) {}
  // False when the font cannot show the character by glyphs.
  bool Add(const char16_t* units, int n, std::int32_t top) {
    if (!KxChooseGlyphs(KxCurrentPortText().font, units, n, true, mChosen)) return false;
    if (mGlyphs.empty()) mTop = top;
    for (const KxChosenGlyph& g : mChosen) mGlyphs.push_back({g.glyph, 0, top - mTop});
    // The character goes with its glyphs (printing keeps the text).
    KxGlyphCluster c{{units[0], n > 1 ? units[1] : u'\0'}, std::min(n, 2), std::int32_t(mChosen.size())};
    mClusters.push_back(c);
    return true;
  }
  void Flush() {
    if (mGlyphs.empty()) return;
    MoveTo(mLeft, mTop + mAscent);
    KxDrawGlyphs(mGlyphs.data(), std::int32_t(mGlyphs.size()), mClusters.data(), std::int32_t(mClusters.size()));
    mGlyphs.clear();
    mClusters.clear();
  }

 private:
  std::int32_t mLeft, mAscent, mTop = 0;
  std::vector<KxGlyphAt> mGlyphs;
  std::vector<KxGlyphCluster> mClusters;
  std::vector<KxChosenGlyph> mChosen;
};

std::int32_t DrawVertical(std::int32_t x, std::int32_t top, std::int32_t ascent, std::int32_t height,
                          const char* text, std::int32_t from, std::int32_t count) {
  const KxPortText& t = KxCurrentPortText();
  const short script = KxFontScript(t.font);
  const std::uint8_t* lead = KxScriptParseTable(script);
  const std::int32_t w = KxDrawDoubleWidth();
  const std::int32_t colLeft = x - height;
  const std::int32_t charLeft = KxVerticalCharLeft(colLeft, height, w);
  const auto* b = reinterpret_cast<const unsigned char*>(text);
  // Upright characters hang from the pen by the font's own ascent: the
  // ascent handed in is scaled from the style's and can differ by a pixel.
  const std::int32_t upright = KxFontGetInfo(t.font, t.size, t.face).ascent;
  UprightBatch batch(charLeft, upright);
  std::int64_t pen = top;
  std::int32_t i = from;
  const std::int32_t end = from + count;
  while (i < end) {
    const unsigned char c = b[i];
    if (lead[c] && i + 1 < end) {
      const std::uint16_t code = std::uint16_t(c << 8 | b[i + 1]);
      char16_t u[2];
      const int n = KxScriptToUTF16(code, script, u);
      if (n <= 0 || !batch.Add(u, n, std::int32_t(pen))) {
        batch.Flush();
        MoveTo(charLeft, std::int32_t(pen + upright));
        KxDrawTextCells(text, i, 2, w);   // upright as it stands
      }
      pen += w;
      i += 2;
      continue;
    }
    batch.Flush();
    if (IsControl(c) || c == kSpace) {
      pen += ByteAdvance(t, c);
      ++i;
      continue;
    }
    std::int32_t j = i;
    while (j < end && !lead[b[j]] && !IsControl(b[j]) && b[j] != kSpace) ++j;
    if (j == i) j = i + 1;   // a lone first byte at the end
    pen += KxDrawVerticalText(colLeft, std::int32_t(pen), ascent, height, text + i, j - i);
    i = j;
  }
  batch.Flush();
  const std::int32_t advance = std::int32_t(pen - top);
  // Inside the column's own left edge: the next column's erase stops short of it.
  if (CKXCharState::sFontUnderline) Underline(colLeft, top, 0, advance - 1);
  MoveTo(x, std::int32_t(pen));
  return advance;
}

}  // namespace

std::int32_t KxDrawDoubleWidth() {
  const KxPortText& t = KxCurrentPortText();
  if (KxFontScript(t.font) != kScriptJapanese) return 0;
  return KxFontCharWidth(t.font, t.size, t.face, kKxReferenceKanji);
}

std::int32_t KxDrawVerticalText(std::int32_t left, std::int32_t top, std::int32_t ascent, std::int32_t height,
                                const char* text, std::int32_t count) {
  if (!text || count <= 0) return 0;
  const KxPortText& t = KxCurrentPortText();
  const auto* b = reinterpret_cast<const unsigned char*>(text);
  // Turned runs take the widths of the bytes one by one, so that a run
  // ends where the measuring code says.
  std::int64_t length = 0;
  for (std::int32_t k = 0; k < count; ++k) length += ByteAdvance(t, b[k]);
  KxDrawTextTurned(text, 0, count, left, top, ascent, height);
  return std::int32_t(length);
}

std::int32_t KxTextDrawText(std::int32_t x, std::int32_t top, std::int32_t ascent, std::int32_t height,
                            const char* text, std::int32_t from, std::int32_t count, short scale) {
  if (!text || from < 0 || count <= 0 || !KxGetPort()) return 0;
  UQuartzDrawing::FontSize(KxCurrentPortText().size);
  x = KxDrawScale(x, scale);
  top = KxDrawScale(top, scale);
  ascent = KxDrawScale(ascent, scale);
  height = KxDrawScale(height, scale);
  if (!CKXCharState::sVerticalDrawing) return DrawHorizontal(x, top + ascent, text, from, count);
  return DrawVertical(x, top, ascent, height, text, from, count);
}
