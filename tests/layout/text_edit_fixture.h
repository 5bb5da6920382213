// An edit object for tests: the synthetic font (12 points: 6 per single
// byte, 12 per double-byte character, lines 13 high), the redraw requests it
// makes, and a surface that takes its inversions as exclusive or.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "layout/text_edit.h"
#include "platform/fonts.h"

namespace kxtest {

// Pixels of a port area, inverted by exclusive or.
struct XorSurface {
  RectL area{};
  std::vector<std::uint8_t> bits;
  explicit XorSurface(const RectL& a = RectL{0, 0, 400, 400})
      : area(a), bits(size_t(a.bottom - a.top) * size_t(a.right - a.left), 0) {}
  void Invert(const RectL& r) {
    for (long v = std::max(r.top, area.top); v < std::min(r.bottom, area.bottom); ++v)
      for (long h = std::max(r.left, area.left); h < std::min(r.right, area.right); ++h)
        bits[size_t(v - area.top) * size_t(area.right - area.left) + size_t(h - area.left)] ^= 1;
  }
  long Count() const {
    long n = 0;
    for (auto b : bits) n += b;
    return n;
  }
  bool operator==(const XorSurface& o) const { return bits == o.bits; }
};

// Installed before the text measures its first style.
struct SyntheticFont {
  SyntheticFont() { KxFontInstallBackend(KxSyntheticFontBackend()); }
};

class TestEdit : private SyntheticFont, public CKXTextEdit {
 public:
  explicit TestEdit(long width = 120, const RectL& view = RectL{0, 0, 400, 400})
      : CKXTextEdit(RectL{0, 0, 0, std::int32_t(width)}, view), surface(RectL{-50, -50, 450, 450}) {
    SetReferToPicture(1);  // the tests own their pictures
  }
  void SetString(const std::string& s) {
    SetText(s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    CalcText();
  }
  std::string Text() const {
    std::string s(size_t(GetLength()), '\0');
    CopyBytes(0, GetLength(), s.data(), long(s.size()));
    return s;
  }
  struct Line {
    long start;
    unsigned code;
    bool operator==(const Line& o) const { return start == o.start && code == o.code; }
  };
  std::vector<Line> Lines() const {
    std::vector<Line> out;
    for (long i = 1; i <= GetLineCount(); ++i) out.push_back({GetLineOffsetAt(i), GetLineCodeAt(i)});
    return out;
  }
  using CKXTextEdit::ToPortRect;

  long drawFrom = 0, drawCount = 0;
  std::vector<RectL> inverted, framed;
  XorSurface surface;

 protected:
  void DrawHook(long first, long count) override {
    drawFrom = first;
    drawCount = count;
  }
  void InvertArea(const RectL& r) override {
    inverted.push_back(r);
    surface.Invert(r);
  }
  void FrameArea(const RectL& r) override { framed.push_back(r); }
};

// Shift_JIS pieces.
#define SJ_A "\x82\xa0"     // あ
#define SJ_KAN "\x8a\xbf"   // 漢
#define SJ_BAR "\x81\x5b"   // ー: its trail byte is "["
#define SJ_MARU "\x81\x42"  // 。 may not begin a line
#define SJ_KAGI "\x81\x75"  // 「 may not end a line

}  // namespace kxtest
