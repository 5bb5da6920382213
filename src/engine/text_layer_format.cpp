// The layer's character and paragraph commands and the queries that menus,
// the ruler and the format bar ask about the selection, with the masks of
// what varies over it.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/text_layer_run.h"
#include "layout/draw_toolkit.h"

using kxlayer::RunAction;

namespace {
// Line bits of the three line groups, the interline kind and the colour.
constexpr std::uint16_t kUnderBits = 0x0038, kCenterBits = 0x01C0, kUpperBits = 0x0E00, kInterBits = 0x0007;
constexpr std::uint16_t kLineKindBits = kUnderBits | kCenterBits | kUpperBits;
constexpr int kLineColorShift = 12;
constexpr int kUnderShift = 3, kCenterShift = 6, kUpperShift = 9;
// DoLineType kinds: 1-5 upper, 6-10 centre, 11-15 under.
constexpr unsigned short kKindsPerGroup = 5;
// Answers of the Cur queries for mixed values.
constexpr short kMixed = -1, kMixedColor = -2, kMixedFace = 256;

bool SameColor(const RGBColor& a, const RGBColor& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}
int NetStyle(const SDeco& d) { return d.net & 0x0F; }
int NetColor(const SDeco& d) { return d.net >> 4; }
int DecoStyle(const SDeco& d) { return d.flags & 0x0F; }
int LineColor(const SDeco& d) { return d.lineBits >> kLineColorShift; }

// The style runs of from..to (offsets from `from`) once `font` is given to
// them: a run in another script than the font's keeps its own font over
// every character from 0x80 on, whose bytes the font's script would read
// as other characters (a Roman font turned Shift_JIS kanji into Mac Roman
// letters, and a save wrote them so). ASCII takes the font, and so do the
// one-byte placeholders of characters kept beside the text (é, €), which
// are read through their side entries in any script. Empty when the font
// changes no character: every run is of its script, or ASCII.
std::vector<SKXStyl> RunsKeepingScripts(KXTextHandle text, long from, long to, short font) {
  const short script = KxFontToScriptType(font);
  std::vector<SKXStyl> runs(std::size_t(std::max(1, KXText_GetSelStylCount(text, from, to))));
  runs.resize(std::size_t(std::max(0, KXText_GetSelStyls(text, from, to, runs.data(), std::int32_t(runs.size())))));
  if (std::none_of(runs.begin(), runs.end(), [&](const SKXStyl& r) { return KxFontToScriptType(r.styl.font) != script; }))
    return {};
  std::string bytes(std::size_t(to - from), '\0');
  bytes.resize(std::size_t(std::max(
      0L, KXText_GetSelText(text, from, to, bytes.data(), to - from, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0))));
  const long length = long(bytes.size());
  std::vector<SKXUniChar> sides(std::size_t(std::max(0, KXText_GetSelUniCharsCount(text, from, to))));
  sides.resize(std::size_t(std::max(
      0, KXText_GetSelUniChars(text, from, to, sides.data(), std::int32_t(sides.size())))));
  std::size_t si = 0;
  auto sideAt = [&](long p) {
    while (si < sides.size() && sides[si].offset < p) ++si;
    return si < sides.size() && sides[si].offset == p;
  };
  std::vector<SKXStyl> out;
  bool kept = false;
  auto add = [&](long offset, SStyl styl, bool keep) {
    if (!keep) {
      styl.font = font;
      styl.height = 0;   // measured afresh, as a font change does
    }
    kept = kept || keep;
    if (!out.empty() && out.back().offset == offset) out.pop_back();
    out.push_back(SKXStyl{std::int32_t(offset), styl});
  };
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const long a = std::clamp<long>(runs[i].offset, 0, length);
    const long b = i + 1 < runs.size() ? std::clamp<long>(runs[i + 1].offset, a, length) : length;
    const SStyl& styl = runs[i].styl;
    const short own = KxFontToScriptType(styl.font);
    if (own == script) {
      add(a, styl, false);
      continue;
    }
    bool keeping = false;
    for (long p = a; p < b;) {
      const auto c = static_cast<unsigned char>(bytes[std::size_t(p)]);
      // A lead byte is kept too.
      const bool keep = c >= 0x80 && !(c == CKXStrArray::kKxSingleBytePlaceholder && sideAt(p));
      if (p == a || keep != keeping) add(p, styl, keep);
      keeping = keep;
      p += keep && KxTextCharFirst(c, own) && p + 1 < b ? 2 : 1;
    }
  }
  if (!kept) return {};
  return out;
}
}  // namespace

// ---- command patterns --------------------------------------------------------------------------------

template <typename F>
void CKXTextLayer::CharCommand(short type, F edit) {
  Command command(*this);
  const SKXRange sel = GetSelectionRange();
  // The range is the selection already: selecting it again would reset the
  // typing style that a change at a caret sets.
  auto apply = [&] {
    Focus();
    TextEditResult(edit(sel));
  };
  if (sel.length == 0) {
    apply();
    return;
  }
  RunAction(*this, type, 0, [&](CKXTextAction&) { apply(); });
}

template <typename F>
void CKXTextLayer::ParaCommand(short type, F edit) {
  Command command(*this);
  // The action widens the selection to whole paragraphs.
  RunAction(*this, type, 0, [&](CKXTextAction&) {
    Focus();
    TextEditResult(edit());
  });
}

// ---- character commands --------------------------------------------------------------------------------

void CKXTextLayer::DoTextStyl(const SStyl* styl, const SDeco* deco) {
  CharCommand(kxlayer::kActTextStyl, [&](const SKXRange&) {
    std::uint16_t result = 0;
    if (styl) result |= KXTE_SetTextStyl(mEdit, *styl);
    if (deco) result |= KXTE_SetTextDeco(mEdit, *deco);
    return result;
  });
}

void CKXTextLayer::DoFontNumber(short font) {
  CharCommand(kxlayer::kActFont, [&](const SKXRange& r) {
    std::uint16_t result;
    const long end = long(r.start) + r.length;
    if (const std::vector<SKXStyl> runs = r.length > 0 ? RunsKeepingScripts(mEdit, r.start, end, font)
                                                       : std::vector<SKXStyl>{};
        !runs.empty()) {
      KXText_SetSelStyls(mEdit, r.start, end, runs.data(), std::int32_t(runs.size()));
      KXTE_CalcText(mEdit);
      result = kKxEditTextChanged | kKxEditStylChanged | kxlayer::kResultRelayout | kxlayer::kResultRedraw;
    } else {
      result = KXTE_SetTextFont(mEdit, font);
    }
    if (r.length == 0) ChangeKeyScript(font);
    FontScriptExtend(font);
    return result;
  });
}

void CKXTextLayer::DoFontSize(short size) {
  CharCommand(kxlayer::kActSize, [&](const SKXRange&) { return KXTE_SetTextSize(mEdit, size); });
}

void CKXTextLayer::DoFontStyle(short face) {
  CharCommand(kxlayer::kActFace, [&](const SKXRange& r) {
    // Over mixed faces a bit that not every run has is set on all of them
    // rather than toggled run by run.
    SStyl common{};
    const bool mixed = GetTextStyl(r, common) != 0;
    const bool set = mixed && (std::uint8_t(face) & ~common.face) != 0;
    return KXTE_SetTextFace(mEdit, std::uint8_t(face), set ? 1 : 0);
  });
}

void CKXTextLayer::DoFontColor(const RGBColor& color) {
  CharCommand(kxlayer::kActColor, [&](const SKXRange&) { return KXTE_SetTextColor(mEdit, color); });
}

void CKXTextLayer::DoLineType(unsigned short kind) {
  CharCommand(kxlayer::kActLineType, [&](const SKXRange&) -> std::uint16_t {
    if (kind == 0) return KXTE_SetTextInterLine(mEdit, 0);
    if (kind <= kKindsPerGroup) return KXTE_SetTextUpperLine(mEdit, kind, 1);
    if (kind <= 2 * kKindsPerGroup) return KXTE_SetTextCenterLine(mEdit, kind - kKindsPerGroup, 1);
    if (kind <= 3 * kKindsPerGroup) return KXTE_SetTextUnderLine(mEdit, kind - 2 * kKindsPerGroup, 1);
    return 0;
  });
}

void CKXTextLayer::DoLineColor(unsigned short color) {
  CharCommand(kxlayer::kActLineColor, [&](const SKXRange&) { return KXTE_SetTextLineColor(mEdit, short(color)); });
}

void CKXTextLayer::DoNetStyle(unsigned char style) {
  CharCommand(kxlayer::kActNetStyle, [&](const SKXRange&) { return KXTE_SetTextNetStyle(mEdit, style); });
}

void CKXTextLayer::DoNetColor(unsigned char color) {
  CharCommand(kxlayer::kActNetColor, [&](const SKXRange&) { return KXTE_SetTextNetColor(mEdit, color); });
}

void CKXTextLayer::DoExtStyle(unsigned char style) {
  CharCommand(kxlayer::kActDecoStyle, [&](const SKXRange& r) {
    SDeco common{};
    const bool mixed = GetTextDeco(r, common) != 0;
    const bool set = mixed && (style & ~DecoStyle(common) & 0x0F) != 0;
    return KXTE_SetTextExtFace(mEdit, style, set ? 1 : 0);
  });
}

// ---- paragraph commands ----------------------------------------------------------------------------------

void CKXTextLayer::DoParaStyl(const SParaStyl& para, short mask) {
  ParaCommand(kxlayer::kActParaStyl, [&] { return KXTE_SetTextParaStyl(mEdit, para, mask); });
}

void CKXTextLayer::DoParaIndent(short first, short left, short right) {
  ParaCommand(kxlayer::kActParaIndent, [&] { return KXTE_SetTextParaIndent(mEdit, first, left, right); });
}

void CKXTextLayer::DoParaLineSpace(short space) {
  ParaCommand(kxlayer::kActParaLineSpace, [&] { return KXTE_SetTextParaLineSpace(mEdit, space); });
}

void CKXTextLayer::DoParaCharSpace(short space) {
  ParaCommand(kxlayer::kActParaCharSpace, [&] { return KXTE_SetTextParaCharSpace(mEdit, space); });
}

void CKXTextLayer::DoParaJustify(unsigned char justify) {
  Command command(*this);
  ParaCommand(kxlayer::kActParaJustify, [&] { return KXTE_SetTextParaJustify(mEdit, justify); });
  // The paragraph's own CR stays outside the selection.
  const SKXRange sel = GetSelectionRange();
  if (sel.length > 0) {
    const long end = long(sel.start) + sel.length;
    if (GetChar(end - PrevCharSize(end)) == kxlayer::kCR) SetSelectionRange({sel.start, sel.length - 1}, true);
  }
}

void CKXTextLayer::DoParaTabs(short count, const short* positions, long kinds, long leaders) {
  ParaCommand(kxlayer::kActParaTabs, [&] { return KXTE_SetTextParaTabs(mEdit, count, positions, kinds, leaders); });
}

void CKXTextLayer::DoParaTabInsert(short position, long kind) {
  ParaCommand(kxlayer::kActParaTabs, [&] { return KXTE_SetTextParaTabInsert(mEdit, position, kind); });
}

void CKXTextLayer::DoParaTabDelete(short position) {
  ParaCommand(kxlayer::kActParaTabs, [&] { return KXTE_SetTextParaTabDelete(mEdit, position); });
}

void CKXTextLayer::DoParaTabMove(short from, short to, long kind) {
  ParaCommand(kxlayer::kActParaTabs, [&] { return KXTE_SetTextParaTabMove(mEdit, from, to, kind); });
}

void CKXTextLayer::ReplaceParaStyl(const SKXRange& range, short mask, const SParaStyl& from, const SParaStyl& to) {
  const SKXRange r = CropRange(range);
  Focus();
  TextEditResult(KXTE_ReplaceTextPara(mEdit, r.start, long(r.start) + r.length, mask, from, to));
}

long CKXTextLayer::GetParaStylCount(const SKXRange& range) const {
  const SKXRange r = CropRange(range);
  return KXText_GetSelParaCount(mEdit, r.start, long(r.start) + r.length);
}

long CKXTextLayer::GetParaStyl(const SKXRange& range, SKXPara* out, long n) const {
  const SKXRange r = CropRange(range);
  if (!out || n <= 0) return 0;
  return KXText_GetSelParas(mEdit, r.start, long(r.start) + r.length, out, std::int32_t(n));
}

void CKXTextLayer::GetCurParaStyl(SParaStyl& out) const {
  const SKXRange sel = GetSelectionRange();
  SKXPara run{};
  if (KXText_GetSelParas(mEdit, sel.start, long(sel.start) + sel.length, &run, 1) > 0)
    out = run.para;
  else
    KXText_GetParaStylDefault(mEdit, out);
}

// ---- mixed-value queries -----------------------------------------------------------------------------------

namespace {
// The range a query looks at: an empty range looks at the character at its
// start, or at the last character when it stands at the end of the text.
// Answers false when the typing style answers instead (the caret, or an
// empty text).
bool QueryRange(const CKXTextLayer& layer, KXEditHandle edit, const SKXRange& range, long& from, long& to) {
  const SKXRange r = layer.CropRange(range);
  from = r.start;
  to = long(r.start) + r.length;
  if (r.length > 0) return true;
  long anchor = 0, active = 0;
  KXTE_GetSelect(edit, anchor, active);
  const long len = layer.GetTotalRange().length;
  if (len == 0 || r.start == active) return false;
  if (from >= len) from = len - layer.PrevCharSize(len);
  to = from + std::max(1L, layer.ThisCharSize(from));
  return true;
}

// Runs read per call when a query walks a range: a selection over millions
// of runs is read a block at a time, never copied whole.
constexpr std::int32_t kRunBlock = 512;

// Hands `visit` the runs that one read of from..to gives, in order, until it
// answers false; answers how many it was handed. Each block after the first
// starts one byte before the offset of the previous block's final run, so
// that the run holding that byte is read again (and skipped) and no run of
// an equal offset is passed over.
template <typename Run, typename Count, typename Read, typename Visit>
long ForEachRun(KXTextHandle text, long from, long to, Count count, Read read, Visit visit) {
  long left = std::max<std::int32_t>(1, count(text, from, to));   // as many as one read of the whole range
  std::vector<Run> block(std::size_t(std::min<long>(left, kRunBlock)));
  long pos = from, seen = 0;
  std::int32_t skip = 0;
  while (left > 0) {
    block[0] = Run{};   // what a read of an empty array leaves
    const std::int32_t n = read(text, pos, to, block.data(), std::int32_t(block.size()));
    if (n <= skip) break;
    for (std::int32_t k = skip; k < n && left > 0; ++k, --left, ++seen)
      if (!visit(block[std::size_t(k)])) return seen + 1;
    if (left == 0 || n < std::int32_t(block.size())) break;
    const long last = block[std::size_t(n - 1)].offset;
    std::int32_t e = n - 1;
    while (e > 0 && block[std::size_t(e)].offset >= last) --e;
    if (e == 0) {
      // Offsets that do not rise: the rest in one read, as it always was.
      std::vector<Run> rest(std::size_t(left + n));
      const std::int32_t m = read(text, pos, to, rest.data(), std::int32_t(rest.size()));
      for (std::int32_t k = n; k < m && left > 0; ++k, --left, ++seen)
        if (!visit(rest[std::size_t(k)])) return seen + 1;
      break;
    }
    pos += last - 1;
    skip = n - e;
  }
  return seen;
}

template <typename Visit>
long ForEachStylRun(KXTextHandle text, long from, long to, Visit visit) {
  return ForEachRun<SKXStyl>(text, from, to, KXText_GetSelStylCount, KXText_GetSelStyls, visit);
}

template <typename Visit>
long ForEachDecoRun(KXTextHandle text, long from, long to, Visit visit) {
  return ForEachRun<SKXDeco>(text, from, to, KXText_GetSelDecoCount, KXText_GetSelDecos, visit);
}

// GetTextStyl's fold: the style common to the runs so far, and the mask of
// what varied.
struct StylFold {
  SStyl out{};
  short mask = 0;
  bool started = false;
  // False once nothing further can change.
  bool Add(const SStyl& s) {
    if (!started) {
      out = s, started = true;
      return true;
    }
    if (s.font != out.font) out.font = 0, mask |= CKXTextLayer::kStylFont;
    if (s.face != out.face) out.face &= s.face, mask |= CKXTextLayer::kStylFace;
    if (s.size != out.size) out.size = 0, mask |= CKXTextLayer::kStylSize;
    if (!SameColor(s.color, out.color)) out.color = {0, 0, 0}, mask |= CKXTextLayer::kStylColor;
    return !(mask == CKXTextLayer::kStylAll && out.face == 0);
  }
};

// GetTextDeco's fold, `out` seeded from the first run.
struct DecoFold {
  SDeco out{};
  short mask = 0;
  bool started = false;
  bool Add(const SDeco& d) {
    if (!started) {
      out = d, started = true;
      out.lineBits &= std::uint16_t(~kInterBits);
      out.pictID = 0;
      return true;
    }
    struct Field {
      std::uint16_t bits;
      short flag;
    };
    static constexpr Field kLineFields[] = {{kUnderBits, CKXTextLayer::kDecoUnder},
                                            {kCenterBits, CKXTextLayer::kDecoCenter},
                                            {kUpperBits, CKXTextLayer::kDecoUpper},
                                            {std::uint16_t(0xF000), CKXTextLayer::kDecoLineColor}};
    for (const Field& f : kLineFields)
      if (!(mask & f.flag) && (d.lineBits & f.bits) != (out.lineBits & f.bits))
        out.lineBits &= std::uint16_t(~f.bits), mask |= f.flag;
    if (!(mask & CKXTextLayer::kDecoNetStyle) && NetStyle(d) != NetStyle(out))
      out.net &= std::uint8_t(0xF0), mask |= CKXTextLayer::kDecoNetStyle;
    if (!(mask & CKXTextLayer::kDecoNetColor) && NetColor(d) != NetColor(out))
      out.net &= std::uint8_t(0x0F), mask |= CKXTextLayer::kDecoNetColor;
    if (!(mask & CKXTextLayer::kDecoStyle) && DecoStyle(d) != DecoStyle(out))
      out.flags &= std::uint8_t(0xF0), mask |= CKXTextLayer::kDecoStyle;
    return mask != CKXTextLayer::kDecoAll;
  }
};

bool StylMatches(const SStyl& s, const SStyl& styl, short which) {
  return (!(which & CKXTextLayer::kStylFont) || s.font == styl.font) &&
         (!(which & CKXTextLayer::kStylFace) || (s.face & styl.face) != 0) &&
         (!(which & CKXTextLayer::kStylSize) || s.size == styl.size) &&
         (!(which & CKXTextLayer::kStylColor) || SameColor(s.color, styl.color));
}

bool DecoMatches(const SDeco& d, const SDeco& deco, short which) {
  auto same = [&](short flag, std::uint16_t bits) {
    return !(which & flag) || (d.lineBits & bits) == (deco.lineBits & bits);
  };
  return same(CKXTextLayer::kDecoUnder, kUnderBits) && same(CKXTextLayer::kDecoCenter, kCenterBits) &&
         same(CKXTextLayer::kDecoUpper, kUpperBits) && same(CKXTextLayer::kDecoLineColor, 0xF000) &&
         (!(which & CKXTextLayer::kDecoNetStyle) || NetStyle(d) == NetStyle(deco)) &&
         (!(which & CKXTextLayer::kDecoNetColor) || NetColor(d) == NetColor(deco)) &&
         (!(which & CKXTextLayer::kDecoStyle) || DecoStyle(d) == DecoStyle(deco));
}
}  // namespace

short CKXTextLayer::GetTextStyl(const SKXRange& range, SStyl& out) const {
  long from = 0, to = 0;
  StylFold fold;
  if (QueryRange(*this, mEdit, range, from, to))
    ForEachStylRun(mEdit, from, to, [&](const SKXStyl& run) { return fold.Add(run.styl); });
  if (!fold.started) {
    KXTE_GetCurStyl(mEdit, out);
    return 0;
  }
  out = fold.out;
  return fold.mask;
}

short CKXTextLayer::GetTextDeco(const SKXRange& range, SDeco& out) const {
  long from = 0, to = 0;
  DecoFold fold;
  if (!QueryRange(*this, mEdit, range, from, to)) {
    KXTE_GetCurDeco(mEdit, out);
    out.lineBits &= std::uint16_t(~kInterBits);
    out.pictID = 0;
    return 0;
  }
  ForEachDecoRun(mEdit, from, to, [&](const SKXDeco& run) { return fold.Add(run.deco); });
  if (!fold.started) fold.Add(SDeco{});
  out = fold.out;
  return fold.mask;
}

bool CKXTextLayer::CheckTextStyl(const SKXRange& range, const SStyl& styl, short which) const {
  long from = 0, to = 0;
  if (!QueryRange(*this, mEdit, range, from, to)) {
    SStyl cur{};
    KXTE_GetCurStyl(mEdit, cur);
    return StylMatches(cur, styl, which);
  }
  bool found = false;
  ForEachStylRun(mEdit, from, to, [&](const SKXStyl& run) { return !(found = StylMatches(run.styl, styl, which)); });
  return found;
}

bool CKXTextLayer::CheckTextDeco(const SKXRange& range, const SDeco& deco, short which) const {
  long from = 0, to = 0;
  if (!QueryRange(*this, mEdit, range, from, to)) {
    SDeco cur{};
    KXTE_GetCurDeco(mEdit, cur);
    return DecoMatches(cur, deco, which);
  }
  bool found = false;
  ForEachDecoRun(mEdit, from, to, [&](const SKXDeco& run) { return !(found = DecoMatches(run.deco, deco, which)); });
  return found;
}

// ---- at the selection --------------------------------------------------------------------------------------
//
// Outside a batch each query asks the selection's runs afresh, stopping as
// soon as its answer is known. In a batch the first query folds every run
// once into what all of them ask: GetTextStyl's (GetTextDeco's) answer and
// which values occur, so that a menu of fifty items costs one pass.

struct CKXTextLayer::SelStylAnswers {
  std::uint32_t batch = 0;
  SKXRange selection{0, 0};
  short mask = 0;
  SStyl common{};
  bool anyRun = false;            // false: every membership check fails
  std::vector<bool> fonts, sizes;   // by the value as 16 bits unsigned
  std::uint8_t faces = 0;         // every face bit that some run has
  std::vector<RGBColor> colors;   // distinct, until there are too many
  bool colorsComplete = true;
  static constexpr std::size_t kMaxColors = 64;
};

struct CKXTextLayer::SelDecoAnswers {
  std::uint32_t batch = 0;
  SKXRange selection{0, 0};
  short mask = 0;
  SDeco common{};
  // Bit v of each: some run has value v in that field.
  std::uint8_t under = 0, center = 0, upper = 0;
  std::uint16_t lineColors = 0, netStyles = 0, netColors = 0, decoStyles = 0;
};

namespace {
bool Fresh(std::uint32_t batch, std::uint32_t keptBatch, const SKXRange& sel, const SKXRange& kept) {
  return batch != 0 && batch == keptBatch && sel.start == kept.start && sel.length == kept.length;
}
std::size_t Bits16(short v) { return std::size_t(std::uint16_t(v)); }
}  // namespace

const CKXTextLayer::SelStylAnswers& CKXTextLayer::SelStyl() const {
  const SKXRange sel = GetSelectionRange();
  if (mSelStyl && Fresh(mQueryBatch, mSelStyl->batch, sel, mSelStyl->selection)) return *mSelStyl;
  if (!mSelStyl) mSelStyl = std::make_shared<SelStylAnswers>();
  SelStylAnswers& a = *mSelStyl;
  a = SelStylAnswers{};
  a.fonts.assign(std::size_t(1) << 16, false);
  a.sizes.assign(std::size_t(1) << 16, false);
  auto note = [&](const SStyl& s) {
    a.anyRun = true;
    a.fonts[Bits16(s.font)] = true;
    a.sizes[Bits16(s.size)] = true;
    a.faces |= s.face;
    if (!a.colorsComplete) return;
    if (std::none_of(a.colors.begin(), a.colors.end(), [&](const RGBColor& c) { return SameColor(c, s.color); })) {
      if (a.colors.size() < SelStylAnswers::kMaxColors)
        a.colors.push_back(s.color);
      else
        a.colorsComplete = false;
    }
  };
  long from = 0, to = 0;
  StylFold fold;
  if (QueryRange(*this, mEdit, sel, from, to)) {
    // Runs mostly repeat their neighbour's values: note only a change.
    SStyl prev{};
    ForEachStylRun(mEdit, from, to, [&](const SKXStyl& run) {
      if (!a.anyRun || std::memcmp(&prev, &run.styl, sizeof prev) != 0) note(prev = run.styl);
      fold.Add(run.styl);
      return true;
    });
  } else {
    SStyl cur{};
    KXTE_GetCurStyl(mEdit, cur);
    note(cur);
  }
  if (fold.started) {
    a.common = fold.out, a.mask = fold.mask;
  } else {
    KXTE_GetCurStyl(mEdit, a.common);
  }
  a.batch = mQueryBatch;
  a.selection = sel;
  return a;
}

const CKXTextLayer::SelDecoAnswers& CKXTextLayer::SelDeco() const {
  const SKXRange sel = GetSelectionRange();
  if (mSelDeco && Fresh(mQueryBatch, mSelDeco->batch, sel, mSelDeco->selection)) return *mSelDeco;
  if (!mSelDeco) mSelDeco = std::make_shared<SelDecoAnswers>();
  SelDecoAnswers& a = *mSelDeco;
  a = SelDecoAnswers{};
  auto note = [&](const SDeco& d) {
    a.under |= std::uint8_t(1u << ((d.lineBits & kUnderBits) >> kUnderShift));
    a.center |= std::uint8_t(1u << ((d.lineBits & kCenterBits) >> kCenterShift));
    a.upper |= std::uint8_t(1u << ((d.lineBits & kUpperBits) >> kUpperShift));
    a.lineColors |= std::uint16_t(1u << LineColor(d));
    a.netStyles |= std::uint16_t(1u << NetStyle(d));
    a.netColors |= std::uint16_t(1u << NetColor(d));
    a.decoStyles |= std::uint16_t(1u << DecoStyle(d));
  };
  long from = 0, to = 0;
  if (QueryRange(*this, mEdit, sel, from, to)) {
    DecoFold fold;
    ForEachDecoRun(mEdit, from, to, [&](const SKXDeco& run) {
      note(run.deco);
      fold.Add(run.deco);
      return true;
    });
    if (!fold.started) fold.Add(SDeco{});
    a.common = fold.out, a.mask = fold.mask;
  } else {
    KXTE_GetCurDeco(mEdit, a.common);
    note(a.common);
    a.common.lineBits &= std::uint16_t(~kInterBits);
    a.common.pictID = 0;
  }
  a.batch = mQueryBatch;
  a.selection = sel;
  return a;
}

short CKXTextLayer::CurStyl(SStyl& out) const {
  if (mQueryBatch == 0) return GetTextStyl(GetSelectionRange(), out);
  const SelStylAnswers& a = SelStyl();
  out = a.common;
  return a.mask;
}

short CKXTextLayer::CurDeco(SDeco& out) const {
  if (mQueryBatch == 0) return GetTextDeco(GetSelectionRange(), out);
  const SelDecoAnswers& a = SelDeco();
  out = a.common;
  return a.mask;
}

short CKXTextLayer::GetCurFontNumber() const {
  if (KXTE_GetFormStylID(mEdit) != 0) {
    SKXFormStyl form{};
    KXTE_GetFormStyl(mEdit, form);
    if (form.fixedFont) return form.font;
  }
  SStyl s{};
  return (CurStyl(s) & kStylFont) ? kMixed : s.font;
}

short CKXTextLayer::GetCurFontSize() const {
  if (KXTE_GetFormStylID(mEdit) != 0) {
    SKXFormStyl form{};
    KXTE_GetFormStyl(mEdit, form);
    if (form.fixedFont && form.size != 0) return form.size;
  }
  SStyl s{};
  return (CurStyl(s) & kStylSize) ? kMixed : s.size;
}

short CKXTextLayer::GetCurFontStyle() const {
  SStyl s{};
  const short mask = CurStyl(s);
  return (mask & kStylFace) && s.face == 0 ? kMixedFace : s.face;
}

short CKXTextLayer::GetCurFontColor() const {
  SStyl s{};
  return (CurStyl(s) & kStylColor) ? kMixedColor : KxGetRGBColorType(s.color);
}

void CKXTextLayer::GetCurStyl(SStyl& out) const {
  if (CurStyl(out) != 0) KXTE_GetCurStyl(mEdit, out);
}

short CKXTextLayer::GetCurLineStyle() const {
  SDeco d{};
  const short mask = CurDeco(d);
  const short bits = short(d.lineBits & kLineKindBits);
  return (mask & (kDecoUnder | kDecoCenter | kDecoUpper)) && bits == 0 ? kMixed : bits;
}

short CKXTextLayer::GetCurLineColor() const {
  SDeco d{};
  return (CurDeco(d) & kDecoLineColor) ? kMixed : short(LineColor(d));
}

short CKXTextLayer::GetCurNetStyle() const {
  SDeco d{};
  return (CurDeco(d) & kDecoNetStyle) ? kMixed : short(NetStyle(d));
}

short CKXTextLayer::GetCurNetColor() const {
  SDeco d{};
  return (CurDeco(d) & kDecoNetColor) ? kMixed : short(NetColor(d));
}

short CKXTextLayer::GetCurDecoStyle() const {
  SDeco d{};
  return (CurDeco(d) & kDecoStyle) ? kMixed : short(DecoStyle(d));
}

bool CKXTextLayer::CheckCurFontNumber(short font) const {
  if (mQueryBatch != 0) return SelStyl().anyRun && SelStyl().fonts[Bits16(font)];
  SStyl s{};
  s.font = font;
  return CheckTextStyl(GetSelectionRange(), s, kStylFont);
}

bool CKXTextLayer::CheckCurFontSize(short size) const {
  if (mQueryBatch != 0) return SelStyl().anyRun && SelStyl().sizes[Bits16(size)];
  SStyl s{};
  s.size = size;
  return CheckTextStyl(GetSelectionRange(), s, kStylSize);
}

bool CKXTextLayer::CheckCurFontStyle(unsigned char face) const {
  if (mQueryBatch != 0) return (SelStyl().faces & face) != 0;
  SStyl s{};
  s.face = face;
  return CheckTextStyl(GetSelectionRange(), s, kStylFace);
}

bool CKXTextLayer::CheckCurFontColor(short colorIndex) const {
  SStyl s{};
  KxGetRGBColor(colorIndex, s.color);
  if (mQueryBatch != 0 && SelStyl().colorsComplete) {
    const std::vector<RGBColor>& colors = SelStyl().colors;
    return std::any_of(colors.begin(), colors.end(), [&](const RGBColor& c) { return SameColor(c, s.color); });
  }
  return CheckTextStyl(GetSelectionRange(), s, kStylColor);
}

bool CKXTextLayer::CheckCurLineStyle(short group, short value) const {
  SDeco d{};
  switch (group) {
    case 1:
      d.lineBits = std::uint16_t(value << kUnderShift);
      if (mQueryBatch != 0) return (SelDeco().under >> ((d.lineBits & kUnderBits) >> kUnderShift)) & 1;
      return CheckTextDeco(GetSelectionRange(), d, kDecoUnder);
    case 2:
      d.lineBits = std::uint16_t(value << kCenterShift);
      if (mQueryBatch != 0) return (SelDeco().center >> ((d.lineBits & kCenterBits) >> kCenterShift)) & 1;
      return CheckTextDeco(GetSelectionRange(), d, kDecoCenter);
    case 4:
      d.lineBits = std::uint16_t(value << kUpperShift);
      if (mQueryBatch != 0) return (SelDeco().upper >> ((d.lineBits & kUpperBits) >> kUpperShift)) & 1;
      return CheckTextDeco(GetSelectionRange(), d, kDecoUpper);
    default:
      return false;
  }
}

bool CKXTextLayer::CheckCurLineColor(short color) const {
  SDeco d{};
  d.lineBits = std::uint16_t(color << kLineColorShift);
  if (mQueryBatch != 0) return (SelDeco().lineColors >> LineColor(d)) & 1;
  return CheckTextDeco(GetSelectionRange(), d, kDecoLineColor);
}

bool CKXTextLayer::CheckCurNetStyle(short style) const {
  SDeco d{};
  d.net = std::uint8_t(style & 0x0F);
  if (mQueryBatch != 0) return (SelDeco().netStyles >> NetStyle(d)) & 1;
  return CheckTextDeco(GetSelectionRange(), d, kDecoNetStyle);
}

bool CKXTextLayer::CheckCurNetColor(short color) const {
  SDeco d{};
  d.net = std::uint8_t((color & 0x0F) << 4);
  if (mQueryBatch != 0) return (SelDeco().netColors >> NetColor(d)) & 1;
  return CheckTextDeco(GetSelectionRange(), d, kDecoNetColor);
}

bool CKXTextLayer::CheckCurDecoStyle(short style) const {
  SDeco d{};
  d.flags = std::uint8_t(style & 0x0F);
  if (mQueryBatch != 0) return (SelDeco().decoStyles >> DecoStyle(d)) & 1;
  return CheckTextDeco(GetSelectionRange(), d, kDecoStyle);
}
