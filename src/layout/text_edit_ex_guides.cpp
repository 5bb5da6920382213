// The manuscript guides under each line: the rules of the active form's
// guide style, in its colour, drawn before the line's text.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "layout/ruled_lines.h"
#include "layout/text_edit_ex.h"
#include "platform/draw/port.h"

void CKXTextEditEx::DrawRuledLineAt(long line, const PointL& at, long width, long height) {
  if (!GetDrawPort() || !mForm.formID || mForm.guideStyle <= 0 || !GetEditStyl().guideView) return;
  if (IsPrinting() && !mForm.guideFlag2) return;
  std::vector<SKXRuleSeg> segs;
  KxRuledLineSegments(mForm, line, width, height, segs);
  if (mForm.guideStyle >= 7 && mForm.guideStyle <= 9) {
    std::vector<SKXRuleSeg> more;
    ParaRuleSegments(line, width, height, more);
    segs.insert(segs.end(), more.begin(), more.end());
  }
  if (segs.empty()) return;
  const long w = KxGuidePenWidth(mForm);
  StKxPortSaver saver(GetDrawPort());
  RGBForeColor(&mForm.guideColor);
  auto paint = [&](long v1, long h1, long v2, long h2) {
    const RectL layout{std::int32_t(at.v + v1), std::int32_t(at.h + h1), std::int32_t(at.v + v2 + w),
                       std::int32_t(at.h + h2 + w)};
    const RectL port = ToPortRect(layout);
    if (port.bottom <= port.top || port.right <= port.left) return;
    KxPaintRectL(port);
  };
  for (const SKXRuleSeg& s : segs) {
    if (s.v1 == s.v2 || s.h1 == s.h2) {
      paint(std::min(s.v1, s.v2), std::min(s.h1, s.h2), std::max(s.v1, s.v2), std::max(s.h1, s.h2));
      continue;
    }
    // A slanted stroke of the hand-drawn rule as a staircase.
    const long steps = std::labs(s.v2 - s.v1) + 1, run = s.h2 - s.h1;
    for (long k = 0; k < steps; ++k) {
      const long h1 = s.h1 + run * k / steps, h2 = s.h1 + run * (k + 1) / steps;
      const long v = s.v1 + (s.v2 > s.v1 ? k : -k);
      if (h2 > h1) paint(v, h1, v, h2 - 1);
    }
  }
  RGBColor black{0, 0, 0};
  RGBForeColor(&black);
}
