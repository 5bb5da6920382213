#include "layout/draw_unicode.h"

#include <algorithm>
#include <vector>

#include "layout/draw_text.h"
#include "layout/draw_toolkit.h"
#include "layout/fontstate.h"
#include "platform/core.h"
#include "platform/draw/glyph_choice.h"
#include "platform/script.h"
#include "text/codes/unicode.h"

// ---------------------------------------------------------------------------
// The smoothing pass

GrafPtr UQuartzDrawing::sCurrentGrafPtr = nullptr;
short UQuartzDrawing::sSmoothingSizeAndLarger = 1;
Boolean UQuartzDrawing::sSmoothingSizeIsEnabled = 0;

bool UQuartzDrawing::Begin() {
  sCurrentGrafPtr = KxGetPort();
  return sCurrentGrafPtr != nullptr;
}

void UQuartzDrawing::End() {
  if (sCurrentGrafPtr && KxGetPort() == sCurrentGrafPtr) KxCurrentPortText().smooth = false;
  sCurrentGrafPtr = nullptr;
  sSmoothingSizeIsEnabled = 0;
}

void UQuartzDrawing::FontSize(short size) {
  const short effective = size <= 0 ? 12 : size;
  sSmoothingSizeIsEnabled = IsActive() && KxGetPort() == sCurrentGrafPtr && !CKXQuartzDrawing::sQuickDrawing &&
                            effective >= sSmoothingSizeAndLarger;
  KxCurrentPortText().smooth = sSmoothingSizeIsEnabled;
}

void UQuartzDrawing::SetSmoothingSizeAndLarger(short size) { sSmoothingSizeAndLarger = std::max<short>(1, size); }

std::int32_t UQuartzDrawing::DrawGlyph(std::uint16_t glyph, bool measureOnly) {
  const KxPortText& t = KxCurrentPortText();
  const std::int32_t w = KxFontGlyphWidth(t.font, t.size, t.face, glyph);
  if (w <= 0 || measureOnly) return w;
  const KxGlyphAt g{glyph, 0, 0};
  KxDrawGlyphs(&g, 1);
  Move(w, 0);
  return w;
}

// ---------------------------------------------------------------------------
// Unicode drawing

Boolean UUnicodeDrawing::gAvailUnicodeDrawing = 0;

void UUnicodeDrawing::Initialize() { gAvailUnicodeDrawing = 1; }
void UUnicodeDrawing::Terminate() { gAvailUnicodeDrawing = 0; }

namespace {

constexpr OSStatus kParamErr = -50;

bool IsGlyphEscape(const char16_t* u, long n) { return n == 2 && u[0] >= 16 && u[0] <= 31; }

// Width of units at a size, glyph escapes included; 0 when not measurable.
std::int32_t UnitsWidth(const char16_t* u, long n, short size) {
  const KxPortText& t = KxCurrentPortText();
  if (IsGlyphEscape(u, n)) return KxFontGlyphWidth(t.font, size, t.face, u[1]);
  return KxFontUTF16Width(t.font, size, t.face, u, std::int32_t(n));
}

// Draws units with their glyphs' origins from the pen (which stays), each
// glyph at the width of the units before its cluster; a second glyph of one
// cluster (a mark the font did not compose) follows the glyph before it.
OSStatus DrawUnits(const char16_t* u, long n, bool vertical) {
  const KxPortText& t = KxCurrentPortText();
  std::vector<KxGlyphAt> placed;
  std::vector<KxGlyphCluster> clusters;   // the characters, for printing
  bool textFits = true;
  if (IsGlyphEscape(u, n)) {
    if (KxFontGlyphWidth(t.font, t.size, t.face, u[1]) <= 0) return kKxUnicodeNoGlyph;
    placed.push_back({u[1], 0, 0});
  } else {
    std::vector<KxChosenGlyph> chosen;
    if (!KxChooseGlyphs(t.font, u, std::int32_t(n), vertical, chosen)) return kKxUnicodeNoGlyph;
    std::int32_t lastCluster = -1, x = 0;
    for (const KxChosenGlyph& g : chosen) {
      const std::int32_t cluster = std::clamp<std::int32_t>(g.cluster, 0, std::int32_t(n));
      if (cluster != lastCluster)
        x = KxFontUTF16Width(t.font, t.size, t.face, u, cluster);
      else if (!placed.empty())
        x = placed.back().x + KxFontGlyphWidth(t.font, t.size, t.face, placed.back().glyph);
      if (cluster != lastCluster || clusters.empty()) {
        clusters.push_back(KxGlyphCluster{{u'\0', u'\0'}, 0, 0});
        for (std::int32_t k = cluster; k < std::int32_t(n); ++k) {
          bool next = false;
          for (const KxChosenGlyph& o : chosen) next = next || (o.cluster > cluster && o.cluster <= k);
          if (next) break;
          if (clusters.back().unitCount == 2) {
            textFits = false;
            break;
          }
          clusters.back().units[clusters.back().unitCount++] = u[k];
        }
      }
      ++clusters.back().glyphCount;
      lastCluster = cluster;
      placed.push_back({g.glyph, x, 0});
    }
  }
  if (textFits && !clusters.empty())
    KxDrawGlyphs(placed.data(), std::int32_t(placed.size()), clusters.data(), std::int32_t(clusters.size()));
  else
    KxDrawGlyphs(placed.data(), std::int32_t(placed.size()));
  return 0;
}

}  // namespace

OSStatus UUnicodeDrawing::DrawText(const char16_t* text, long offset, long length) {
  if (!gAvailUnicodeDrawing) return kKxUnicodeDrawingOff;
  if (!text || offset < 0 || length <= 0) return kParamErr;
  const char16_t* u = text + offset;
  const std::int32_t w = UnitsWidth(u, length, KxCurrentPortText().size);
  if (w <= 0) return kKxUnicodeNoGlyph;
  const OSStatus err = DrawUnits(u, length, false);
  if (err == 0) Move(w, 0);
  return err;
}

std::int32_t UUnicodeDrawing::TextWidth(const char16_t* text, long offset, long length) {
  if (!gAvailUnicodeDrawing || !text || offset < 0 || length <= 0) return 0;
  return std::max(0, UnitsWidth(text + offset, length, KxCurrentPortText().MeasureSize()));
}

// ---------------------------------------------------------------------------
// Entry points of line drawing

std::int32_t KxTextDrawUnicodeText(std::int32_t x, std::int32_t top, std::int32_t ascent, std::int32_t height,
                                   const char16_t* text, long count, const char* fallback, short fallbackLength,
                                   short scale) {
  if (!KxGetPort() || ((!text || count <= 0) && (!fallback || fallbackLength <= 0))) return 0;
  if (!fallback) fallbackLength = 0;
  const KxPortText& t = KxCurrentPortText();
  UQuartzDrawing::FontSize(t.size);
  x = KxDrawScale(x, scale);
  top = KxDrawScale(top, scale);
  ascent = KxDrawScale(ascent, scale);
  height = KxDrawScale(height, scale);
  // The width decides whether the units stand or the fallback does.
  std::int32_t w = UUnicodeDrawing::gAvailUnicodeDrawing && text && count > 0 ? UnitsWidth(text, count, t.size) : 0;
  const bool units = w > 0;
  if (!units) w = KxFallbackWidth(fallback, fallbackLength, t.size);
  const bool vertical = CKXCharState::sVerticalDrawing;
  std::int32_t left = x, advance = w;
  if (vertical) {
    const KxFontInfo info = KxFontGetInfo(t.font, t.size, t.face);
    left = KxVerticalCharLeft(x - height, height, w);
    advance = info.ascent + info.descent;
  }
  const std::int32_t baseline = top + ascent;
  MoveTo(left, baseline);
  if (!units || DrawUnits(text, count, vertical) != 0) {
    MoveTo(left, baseline);
    if (fallbackLength > 0) KxDrawTextCells(fallback, 0, fallbackLength, KxDrawDoubleWidth());
  }
  if (CKXCharState::sFontUnderline && advance > 1) {
    CKXDrawState state;
    state.Normalize();
    if (vertical) {
      // The column's own left edge, as with the text it stands for.
      MoveTo(x - height, top);
      Line(0, advance - 1);
    } else {
      MoveTo(x, baseline + 1);
      Line(advance - 1, 0);
    }
  }
  if (vertical)
    MoveTo(x, top + advance);
  else
    MoveTo(x + advance, baseline);
  return advance;
}

std::int32_t KxTextDrawUnicode(std::int32_t x, std::int32_t top, std::int32_t ascent, std::int32_t height,
                               const std::uint32_t* values, long count, short scale) {
  if (!values || count <= 0 || !KxGetPort()) return 0;
  const short script = KxFontScript(KxCurrentPortText().font);
  // Each value at the advance of those before it, kept in drawing pixels so
  // that a scale does not round each step.
  std::int64_t advance = 0;
  const std::int32_t x0 = KxDrawScale(x, scale), top0 = KxDrawScale(top, scale);
  for (long i = 0; i < count; ++i) {
    char16_t units[2];
    const int n = KxUnpackUniChar(values[i], units);
    char bytes[2];
    const int fb = KxUniCharFallback(values[i], script, bytes);
    const bool vertical = CKXCharState::sVerticalDrawing;
    const std::int32_t px = vertical ? x0 : std::int32_t(x0 + advance), pt = vertical ? std::int32_t(top0 + advance) : top0;
    // In the font it was measured in (KxGetUnicodeCharWidth).
    KxPortText& port = KxCurrentPortText();
    const short own = port.font;
    port.font = KxUnicodeCharFont(own, units, n);
    advance += KxTextDrawUnicodeText(px, pt, KxDrawScale(ascent, scale), KxDrawScale(height, scale), units, n,
                                     bytes, short(fb), 0);
    port.font = own;
  }
  return std::int32_t(std::min<std::int64_t>(advance, INT32_MAX));
}

std::int32_t KxTextDrawCharToUnicode(std::int32_t x, std::int32_t top, std::int32_t ascent, std::int32_t height,
                                     std::uint16_t code, short script, short scale) {
  char bytes[2];
  int n = 0;
  if (code > 0xFF) bytes[n++] = char(code >> 8);
  bytes[n++] = char(code & 0xFF);
  char16_t units[16];
  long count = 16;
  if (UKXUnicode::IsAvailable() && UKXUnicode::ConvertFromChar(script, code, units, count) && count > 0)
    return KxTextDrawUnicodeText(x, top, ascent, height, units, count, bytes, short(n), scale);
  return KxTextDrawText(x, top, ascent, height, bytes, 0, n, scale);
}

// ---------------------------------------------------------------------------
// Start-up

namespace {

Boolean BridgeDraw(const char16_t* units, long count) { return UUnicodeDrawing::DrawText(units, 0, count) == 0; }
// A single unit that measures 0 answers -1, telling "nothing to see" from
// "not measurable".
std::int32_t BridgeWidth(const char16_t* units, long count) {
  if (!UUnicodeDrawing::gAvailUnicodeDrawing) return 0;
  const std::int32_t w = UUnicodeDrawing::TextWidth(units, 0, count);
  return w == 0 && count == 1 ? -1 : w;
}

void StartUnicodeDrawing() {
  UUnicodeDrawing::Initialize();
  KxSetUnicodeDrawingHooks({BridgeDraw, BridgeWidth});
}

void StopUnicodeDrawing() {
  KxSetUnicodeDrawingHooks({});
  UUnicodeDrawing::Terminate();
}

}  // namespace

void KxLayoutUnicodeDrawingFacilities() {
  KxRegisterFacility(kRankLayout, "unicode drawing", StartUnicodeDrawing, StopUnicodeDrawing);
}
