// Line layout over a styled text built from the input as a document file
// would bring it: style, decoration and paragraph runs, ruby and Unicode side
// entries, plus the user's line-break lists and a page form's grid.
//
// Input layout (every field one byte unless said; reading stops quietly at
// the end, what is missing counts as absent):
//   flags: bits 0-1 rule mode, bit 2 word wrap, bit 3 no wrapping, bit 4
//          line-break lists follow, bit 5 vertical, bit 6 a grid follows,
//          bit 7 run offsets taken raw (else moved onto character bounds);
//   width (1 + 3 * byte); tab interval (signed); line space (signed);
//   spacing: bits 0-1 justify, bits 2-4 character space (7 asks for the
//          grid), bits 5-7 times 4 added to the line space;
//   [grid: line pitch, char pitch, font selector, size, tab cells];
//   [lists: a head and a tail string, each a length byte that may lie];
//   counts: style runs (low nibble), decoration runs (high nibble);
//   counts: paragraph runs (bits 0-2), ruby (bits 3-5), side entries
//          (bits 6-7, times 3);
//   style runs, 5 bytes: offset step, font selector, face, size, height
//          (0: measured);
//   decoration runs, 3 bytes: offset step, flags, picture ID;
//   paragraph runs, 10 bytes: offset step, first, left and right indent
//          (times 4, signed), line space, char space (signed), justify
//          (bits 0-1) and tab count (bits 2-6), tab kinds, tab leaders
//          (each byte repeated for every tab), tab step (signed, times 2);
//   ruby, 4 bytes: offset step, base length, ruby length, ruby byte;
//   side entries, 4 bytes: offset step, then a value of 3 bytes (the top
//          two bits of the first say one unit, a pair of units or a glyph);
//   the rest is the text (Shift_JIS, CR line ends).
//
// Properties: every line takes something and the lines reach the end of the
// text in ascending order; a page-break mark needs a form feed in its line;
// with offsets on character bounds and one script throughout, no line
// starts inside a double-byte character, no caret stop lies inside one, and
// a pen position maps back to a caret stop on a character bound.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "layout/facilities.h"
#include "layout/linebreak.h"
#include "platform/core.h"
#include "platform/fonts.h"
#include "text/codes/script.h"

#include "sound.h"

namespace {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : mData(data), mSize(size) {}
  std::uint8_t Byte() { return mAt < mSize ? mData[mAt++] : 0; }
  std::int8_t Signed() { return std::int8_t(Byte()); }
  std::size_t At() const { return std::min(mAt, mSize); }
  void Skip(std::size_t n) { mAt += n; }

 private:
  const std::uint8_t* mData;
  std::size_t mSize;
  std::size_t mAt = 0;
};

// Fonts the styles may name: 0 and 1, both synthetic families, a classic
// Roman and a classic Japanese number, or any other number.
short Font(std::uint8_t b) {
  static const std::vector<short> installed = KxFontNumbers();
  switch (b % 8) {
    case 0: return kKxSystemFont;
    case 1: return kKxApplicationFont;
    case 2: return installed.empty() ? 1 : installed.front();
    case 3: return installed.empty() ? 1 : installed.back();
    case 4: return 22;
    case 5: return 16384;
    default: return short(b << 8 | b);
  }
}

// The layout's own rule for characters: a lead byte takes the next byte of
// its style run unless that is a CR. Marks each byte that ends a pair.
std::vector<bool> SecondBytes(const std::vector<char>& text, const CKXText& t) {
  std::vector<bool> second(text.size(), false);
  const long runs = t.GetStylCount();
  std::vector<SKXStyl> styls(std::size_t(std::max(runs, 1L)));
  t.GetStyls(styls.data(), runs);
  long run = 0;
  for (std::size_t k = 0; k < text.size(); ++k) {
    while (run + 1 < runs && styls[std::size_t(run + 1)].offset <= long(k)) ++run;
    const long runEnd = run + 1 < runs ? styls[std::size_t(run + 1)].offset : long(text.size());
    const short script = KxFontToScriptType(styls[std::size_t(run)].styl.font);
    const auto b = std::uint8_t(text[k]);
    if (KxTextCharFirst(b, script) && long(k) + 1 < runEnd && text[k + 1] != 13) second[++k] = true;
  }
  return second;
}

// Moves each offset off the second byte of a pair (a scan with one script).
void OntoBounds(std::vector<std::int32_t>& offsets, const std::vector<char>& text, short script) {
  std::vector<bool> second(text.size() + 1, false);
  for (std::size_t k = 0; k + 1 < text.size(); ++k)
    if (KxTextCharFirst(std::uint8_t(text[k]), script) && text[k + 1] != 13) second[++k] = true;
  for (std::int32_t& o : offsets)
    if (o >= 0 && std::size_t(o) < second.size() && second[std::size_t(o)]) ++o;
}

class GridLayout : public CKXTextLayoutOf {
 public:
  using CKXTextLayoutOf::CKXTextLayoutOf;
  bool GetLineExtStyl(SKXLineExtStyl& g) const override {
    g = grid;
    return hasGrid;
  }
  SKXLineExtStyl grid;
  bool hasGrid = false;
};

void Run(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::uint8_t flags = in.Byte();
  const long width = 1 + in.Byte() * 3;
  SKXLineStyl style;
  style.mode = flags & 3;
  style.wordWrap = (flags >> 2) & 1;
  style.wrap = !(flags & 8);
  style.vertical = (flags >> 5) & 1;
  style.tabInterval = in.Signed();
  style.lineSpace = in.Signed();
  const std::uint8_t spacing = in.Byte();
  style.justify = spacing & 3;
  style.charSpace = ((spacing >> 2) & 7) == 7 ? kKxCharSpaceGrid : std::int16_t((spacing >> 2) & 7);
  style.lineSpace = std::int16_t(style.lineSpace + ((spacing >> 5) & 7) * 4);
  const bool raw = flags & 0x80;

  SKXLineExtStyl grid;
  const bool hasGrid = flags & 0x40;
  if (hasGrid) {
    grid.linePitch = in.Byte();
    grid.charPitch = in.Byte();
    grid.font = Font(in.Byte());
    grid.size = in.Signed();
    grid.tabCells = in.Signed();
  }
  if (flags & 0x10) {
    // Strings as the preferences keep them; their length bytes may lie.
    unsigned char head[256] = {0}, tail[256] = {0};
    for (unsigned char* s : {head, tail}) {
      const std::size_t at = in.At();
      const std::size_t n = at < size ? std::min<std::size_t>(data[at], size - at - 1) : 0;
      if (at < size) std::memcpy(s, data + at, n + 1);
      in.Skip(n + 1);
    }
    char lists[kKxJWrapCharsSize];
    short used = 0;
    CKXTextLayout::JWrapCharsFromHeadTail(lists, &used, head, tail);
    if (used < 4 || used > kKxJWrapCharsSize) std::abort();
    CKXTextLayout::SetJWrapChars(lists, used);
  }

  const std::uint8_t counts1 = in.Byte(), counts2 = in.Byte();
  std::vector<SKXStyl> styls(counts1 & 15);
  std::vector<SKXDeco> decos(counts1 >> 4);
  std::vector<SKXPara> paras(counts2 & 7);
  std::vector<SKXRuby> rubys((counts2 >> 3) & 7);
  std::vector<SKXUniChar> unis(std::size_t(counts2 >> 6) * 3);
  std::int32_t at = 0;
  for (SKXStyl& r : styls) {
    r = SKXStyl{};
    r.offset = at += in.Byte();
    r.styl.font = Font(in.Byte());
    r.styl.face = in.Byte();
    const std::uint8_t s = in.Byte();
    r.styl.size = s == 0x7F ? 32767 : std::int8_t(s);
    r.styl.height = in.Byte();
    if (r.styl.height == 0)
      CKXStylArray::SetHeightAscent(r.styl);
    else
      r.styl.ascent = std::int16_t(r.styl.height * 3 / 4);
  }
  at = 0;
  for (SKXDeco& r : decos) {
    r = SKXDeco{};
    r.offset = at += in.Byte();
    r.deco.flags = in.Byte();
    r.deco.pictID = in.Byte();
  }
  at = 0;
  for (SKXPara& r : paras) {
    r = SKXPara{};
    r.offset = at += in.Byte();
    SParaStyl& p = r.para;
    p.firstIndent = std::int16_t(in.Signed() * 4);
    p.leftIndent = std::int16_t(in.Signed() * 4);
    p.rightIndent = std::int16_t(in.Signed() * 4);
    p.lineSpace = in.Signed();
    p.charSpace = in.Signed();
    const std::uint8_t jc = in.Byte();
    p.justify = jc & 3;
    p.tabCount = jc >> 2;
    p.tabKinds = in.Byte() * 0x01010101u;
    p.tabLeaders = in.Byte() * 0x01010101u;
    const int step = in.Signed() * 2;
    for (int k = 0; k < kKxMaxTabs; ++k) p.tabPos[k] = std::int16_t((k + 1) * step);
  }
  at = 0;
  for (SKXRuby& r : rubys) {
    r = SKXRuby{};
    r.pos = at += in.Byte();
    r.baseLen = in.Byte();
    r.rubyLen = in.Byte();
    std::memset(r.text, in.Byte(), sizeof r.text);
  }
  at = 0;
  for (SKXUniChar& u : unis) {
    u.offset = at += in.Byte();
    const std::uint8_t a = in.Byte(), b = in.Byte(), c = in.Byte();
    const std::uint32_t low = std::uint32_t(a & 0x3F) << 16 | std::uint32_t(b) << 8 | c;
    switch (a >> 6) {
      case 0: u.value = low & 0xFFFF; break;
      case 1: u.value = 0xD800u << 16 | 0xDC00u | (low & 0x3FF); break;   // a surrogate pair
      case 2: u.value = 0x100000u + low; break;                           // a glyph
      default: u.value = low << 8 | a; break;                             // anything
    }
  }
  std::vector<char> text(data + in.At(), data + size);
  const long len = long(text.size());

  // One script throughout (the fonts of the runs and of the grid), so that
  // character bounds are those of one scan.
  const short script = KxFontToScriptType(styls.empty() ? kKxApplicationFont : styls.front().styl.font);
  bool oneScript = !hasGrid || grid.font == 0 || KxFontToScriptType(grid.font) == script;
  for (const SKXStyl& r : styls) oneScript = oneScript && KxFontToScriptType(r.styl.font) == script;
  if (!raw) {
    std::vector<std::int32_t> offsets;
    for (auto& r : styls) offsets.push_back(r.offset);
    for (auto& r : decos) offsets.push_back(r.offset);
    OntoBounds(offsets, text, script);
    std::size_t k = 0;
    for (auto& r : styls) r.offset = offsets[k++];
    for (auto& r : decos) r.offset = offsets[k++];
  }

  CKXText t;
  t.SetText(text.data(), len, styls.data(), long(styls.size()), decos.data(), long(decos.size()), paras.data(),
            long(paras.size()), unis.data(), long(unis.size()));
  t.SetRubys(rubys.data(), long(rubys.size()));
  if (t.GetLength() != len) std::abort();
  KxFuzzRequireSound(t.GetStrArray()->Check(), "store");
  KxFuzzRequireSound(t.GetStylArray()->Check(len), "style runs");
  KxFuzzRequireSound(t.GetDecoArray()->Check(len), "decoration runs");
  KxFuzzRequireSound(t.GetParaArray()->Check(len), "paragraph runs");

  GridLayout layout(t);
  layout.grid = grid;
  layout.hasGrid = hasGrid;
  const bool bounds = !raw && oneScript;
  const std::vector<bool> second = SecondBytes(text, t);
  SKXLineCalc calc{};
  long lines = 0;
  for (long start = 0; start < len; ++lines) {
    SKXLineInfo info;
    const long next = layout.CalcLineInfo(start, width, info, &style, &calc);
    if (next <= start || next > len + 1) std::abort();
    const long end = std::min(next, len);
    if (bounds && end < len && second[std::size_t(end)]) std::abort();
    if ((info.height & kKxLinePageBreak) && std::find(&text[std::size_t(start)], &text[std::size_t(end)], 12) ==
                                                 &text[std::size_t(end)])
      std::abort();
    std::vector<long> pos(std::size_t(end - start) + 1);
    std::vector<char> marks(std::size_t(end - start) + 1), inside(std::size_t(end - start) + 1);
    short baseline = 0;
    layout.GetMeasureText(start, end - start, width, text.data() + start, pos.data(), &style, marks.data(),
                          &baseline, inside.data());
    const long n = end - start, step = n / 64 + 1;
    // A caret stop is never inside a double-byte character.
    for (long k = 0; bounds && k < n; ++k)
      if (!inside[std::size_t(k)] && second[std::size_t(start + k)]) std::abort();
    // The pen position of every byte (of up to 64 spread over long lines),
    // and one beyond the line, maps back to a caret stop.
    for (long k = 0; k <= n + step; k += step) {
      const long x = k <= n ? pos[std::size_t(k)] : pos.back() + 5;
      const long column = layout.GetSizeToColumn(start, end - start, width, x, style);
      if (column < 0 || column > end - start) std::abort();
      if (bounds && start + column < len && second[std::size_t(start + column)]) std::abort();
      (void)layout.GetColumnToSize(start, end - start, width, column, style);
    }
    start = next;
  }
  if (len > 0 && lines == 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxLayoutFacilities();
  CoreInit();
  KxFontInstallBackend(KxSyntheticFontBackend());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 20000) return 0;
  Run(data, size);
  CKXTextLayout::SetJWrapChars(nullptr, 0);
  return 0;
}
