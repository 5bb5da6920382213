#include "layout/ruled_lines.h"

#include <algorithm>

namespace {

// The hand-drawn rule: pairs (vertical step, segment length).
constexpr signed char sNatural[64] = {0,  10, 2,  6,  -3, 16, 0, 8,  2, 12, -2, 6,  3,  20, -3, 10,
                                      3,  20, -2, 6,  2,  12, -3, 12, 3, 16, -2, 8,  0,  12, -2, 6,
                                      0,  12, 3,  6,  -3, 20, 2,  8,  2, 4,  -2, 8,  2,  12, -3, 12,
                                      2,  12};
constexpr int kNaturalPairs = 25;

// Walls closer than this would only fill the cells.
constexpr long kMinWallCell = 2;

}  // namespace

long KxGuidePenWidth(const SKXFormStyl& form) { return form.guideFlag1 ? 2 : 1; }

long KxRuleCellSize(const SKXFormStyl& form, long lineHeight) {
  long c = 0;
  if (form.fixedChar && form.charPitch > 0)
    c = form.charPitch;
  else
    c = (form.guideStyle == 1 || form.guideStyle == 3) ? lineHeight * 3 / 4 : lineHeight;
  return std::max(1L, c);
}

void KxRuledLineSegments(const SKXFormStyl& form, long line, long width, long height, std::vector<SKXRuleSeg>& out) {
  out.clear();
  const long style = form.guideStyle;
  if (style <= 0 || style == 5 || style > 10 || width <= 0 || height <= 0) return;
  const long w = KxGuidePenWidth(form);
  const long c = KxRuleCellSize(form, height);
  // A line thinner or shorter than the pen keeps its rules inside it.
  const long far = std::max(0L, height - w);
  if (style == 10) {
    int pair = int((line % 5 + 5) % 5) * 5;
    long h = 0, v = 0;
    while (h < width) {
      const long step = sNatural[pair * 2], len = std::min<long>(sNatural[pair * 2 + 1], width - h);
      out.push_back({h, far + v, h + len, far + v + step});
      h += len;
      v = step > 0 ? step - 1 : step < 0 ? step + 1 : 0;
      pair = (pair + 1) % kNaturalPairs;
    }
    return;
  }
  if (style == 7 || style == 9) return;  // ruled by tab stops or indents of the paragraph
  long length = width, cells = width / c + (width % c > 10 ? 1 : 0);
  if ((style == 1 || style == 2) && form.fixedChar && form.charPitch > 0) {
    cells = width / c;
    length = cells * c;
    if (length < width) ++length;
    if (w == 2 && length < width) ++length;
  }
  const long end = std::max(0L, length - w);
  out.push_back({0, far, end, far});
  if (style == 6 || style == 8) return;  // style 8's ends stand at the paragraph's indents
  if ((style == 1 || style == 3) && height > c + 1) out.push_back({0, far - c, end, far - c});
  // Both ends closed across the line.
  out.push_back({0, 0, 0, far});
  out.push_back({end, 0, end, far});
  if ((style == 1 || style == 2) && c >= kMinWallCell) {
    const long top = style == 1 && height > c + 1 ? far - c : 0;
    for (long k = 1; k < cells && k * c < end; ++k) out.push_back({k * c, top, k * c, far});
  }
}

void KxIndentRuleSegments(const SKXFormStyl& form, long width, long height, long startIndent, long rightIndent,
                          std::vector<SKXRuleSeg>& out) {
  out.clear();
  if (width <= 0 || height <= 0) return;
  const long w = KxGuidePenWidth(form);
  const long far = std::max(0L, height - w);
  const long last = std::max(0L, width - w);
  const long start = std::clamp(startIndent - (w + 2), 0L, last);
  const long end = std::clamp(width - std::max(0L, rightIndent), 0L, last);
  out.push_back({start, 0, start, far});
  out.push_back({end, 0, end, far});
}

void KxTabRuleSegments(const SKXFormStyl& form, long width, long height, const short* positions, const long* kinds,
                       long count, std::vector<SKXRuleSeg>& out) {
  out.clear();
  if (width <= 0 || height <= 0 || count <= 0) return;
  const long w = KxGuidePenWidth(form);
  const long far = std::max(0L, height - w);
  const long last = std::max(0L, width - w);
  long first = -1, final = -1;
  for (long k = 0; k < count; ++k) {
    long x = positions[k];
    if (kinds[k] == kKxTabLeft || kinds[k] == kKxTabCentre) x -= w + 2;
    if (x > last) continue;
    x = std::max(0L, x);
    out.push_back({x, 0, x, far});
    if (first < 0 || x < first) first = x;
    final = std::max(final, x);
  }
  if (first >= 0 && final > first) out.push_back({first, far, final, far});
}
