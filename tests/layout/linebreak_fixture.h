// A styled text for layout tests: the store and run arrays with one
// synthetic-font style (12 points: 6 per single byte, 12 per double-byte
// character, height 13, ascent 9), and a layout over them with a settable grid.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "layout/linebreak.h"
#include "platform/fonts.h"

namespace kxtest {

// Shift_JIS pieces.
#define SJ_A "\x82\xa0"     // あ
#define SJ_I "\x82\xa2"     // い
#define SJ_U "\x82\xa4"     // う
#define SJ_E "\x82\xa6"     // え
#define SJ_MARU "\x81\x42"  // 。 may not begin a line
#define SJ_KAGI "\x81\x75"  // 「 may not end a line

class GridLayout : public CKXTextLayout {
 public:
  using CKXTextLayout::CKXTextLayout;
  bool GetLineExtStyl(SKXLineExtStyl& g) const override {
    g = grid;
    return hasGrid;
  }
  SKXLineExtStyl grid;
  bool hasGrid = false;
};

struct Doc {
  explicit Doc(const std::string& text, short size = 12) {
    KxFontInstallBackend(KxSyntheticFontBackend());
    str.SetText(text.data(), long(text.size()));
    styls.InitStylArray(1, size, 0);
  }
  // A page-form grid; answers the style that asks for it.
  SKXLineStyl UseGrid(short charPitch, short linePitch = 0) {
    layout.hasGrid = true;
    layout.grid.charPitch = charPitch;
    layout.grid.linePitch = linePitch;
    SKXLineStyl s;
    s.charSpace = kKxCharSpaceGrid;
    return s;
  }
  void SetPara(const SParaStyl& p) {
    SKXPara run{0, p};
    paras.SetTextParas(&run, 1);
  }
  // Every line as (start, height code), as a relayout walks them.
  std::vector<std::pair<long, unsigned>> Lines(long width, const SKXLineStyl& style, SKXLineCalc* calc = nullptr) {
    std::vector<std::pair<long, unsigned>> out;
    SKXLineCalc own{};
    if (!calc) calc = &own;
    const long len = str.GetLength();
    for (long start = 0;;) {
      SKXLineInfo info;
      const long next = layout.CalcLineInfo(start, width, info, &style, calc);
      if (start == len && next == len) break;
      out.emplace_back(start, info.height);
      if (next > len || next <= start) break;
      start = next;
    }
    return out;
  }
  std::vector<long> Starts(long width, const SKXLineStyl& style) {
    std::vector<long> s;
    for (auto& l : Lines(width, style)) s.push_back(l.first);
    return s;
  }

  CKXStrArray str;
  CKXStylArray styls;
  CKXDecoArray decos;
  CKXParaArray paras;
  GridLayout layout{&str, &styls, &decos, &paras};
};

inline SKXLineStyl Style(int mode = 0, bool wordWrap = false) {
  SKXLineStyl s;
  s.mode = std::uint8_t(mode);
  s.wordWrap = wordWrap;
  return s;
}

}  // namespace kxtest
