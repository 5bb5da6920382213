#include "platform/fonts_port.h"

#include <climits>

#include "platform/script.h"

namespace {
KxPortText gDefaultText;
KxPortText* gCurrent = &gDefaultText;
}  // namespace

KxPortText& KxCurrentPortText() { return *gCurrent; }

KxPortText* KxSetPortText(KxPortText* text) {
  KxPortText* previous = gCurrent;
  gCurrent = text ? text : &gDefaultText;
  return previous;
}

void TextFont(short font) { gCurrent->font = font; }
void TextSize(short size) {
  gCurrent->size = size;
  gCurrent->unscaled = 0;
}

void KxTextSizeScaled(short styleSize, short drawSize) {
  gCurrent->size = drawSize;
  gCurrent->unscaled = styleSize == 0 ? 12 : styleSize;
}
void TextFace(unsigned char face) { gCurrent->face = face; }
void TextMode(short mode) { gCurrent->mode = mode; }

std::int32_t CharWidth(unsigned char ch) {
  return KxFontCharWidth(gCurrent->font, gCurrent->MeasureSize(), gCurrent->face, ch);
}

std::int32_t TextWidth(const void* text, std::int32_t first, std::int32_t count) {
  if (!text || first < 0 || count <= 0) return 0;
  const KxPortText& t = *gCurrent;
  const std::uint8_t* p = static_cast<const std::uint8_t*>(text) + first;
  const std::uint8_t* lead = KxScriptParseTable(KxFontScript(t.font));
  std::int64_t total = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    std::uint16_t code = p[i];
    if (lead[code] && i + 1 < count) code = std::uint16_t(code << 8 | p[++i]);
    total += KxFontCharWidth(t.font, t.MeasureSize(), t.face, code);
    if (total > INT32_MAX) return INT32_MAX;
  }
  return std::int32_t(total);
}

void GetFontInfo(KxFontInfo* info) {
  if (info) *info = KxFontGetInfo(gCurrent->font, gCurrent->MeasureSize(), gCurrent->face);
}
