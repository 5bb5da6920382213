#include "layout/linebreak.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/script.h"
#include "text/codes/charclass.h"
#include "text/codes/script.h"

namespace {

constexpr long kMaxHeight = kKxLineHeightMask;

// How far past the break found by width the line-break rules and word wrap
// read: the character there, the spaces and CR after a word, a hanging
// character with the CR after it, and a second one after that.
constexpr long kRulesReach = 12;

#if defined(__SSE2__)
// Whether no byte from 0x20 to 0x7F may lead in the script of `parse`: a
// run of such bytes is then single-byte characters, whatever stands before.
bool AsciiNeverLeads(const std::uint8_t* parse) {
  __m128i any = _mm_setzero_si128();
  for (int at = 0x20; at < 0x80; at += 16)
    any = _mm_or_si128(any, _mm_loadu_si128(reinterpret_cast<const __m128i*>(parse + at)));
  return _mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) == 0xFFFF;
}

// The lanes of v (bytes 0x20 to 0x7F) as a mask, one bit a byte.
int AsciiLanes(__m128i v) { return _mm_movemask_epi8(_mm_cmpgt_epi8(v, _mm_set1_epi8(0x1F))); }

// How many of the sixteen bytes at q, from the first, are 0x20 to 0x7E.
int PrintableAsciiCount(const unsigned char* q) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
  const int del = _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(0x7F)));
  const int lanes = AsciiLanes(v) & ~del;
  return lanes == 0xFFFF ? 16 : __builtin_ctz(unsigned(~lanes));
}

// The lanes of v that end a word for word wrap among printable ASCII: a
// space or a hyphen.
int WordEndLanes(__m128i v) {
  return _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(v, _mm_set1_epi8('-'))));
}

// Whether `parse` is the Japanese table and marks exactly the Shift_JIS
// lead bytes, 0x81 to 0x9F and 0xE0 to 0xFC: pairs can then be checked by
// ranges, eight at a time.
bool ShiftJisLeads(const std::uint8_t* parse) {
  static const std::uint8_t* const japanese = [] {
    const std::uint8_t* t = KxScriptParseTable(kScriptJapanese);
    bool same = true;
    for (int b = 0; b < 256; ++b) same = same && (t[b] != 0) == ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC));
    return same ? t : nullptr;
  }();
  return parse == japanese;
}

// The eight pairs of v as a mask, one bit a byte: a first byte that leads
// in Shift_JIS, a second byte from 0x20 on.
int ShiftJisPairLanes(__m128i v) {
  auto within = [&](char lo, char span) {  // lo to lo + span, unsigned
    const __m128i t = _mm_sub_epi8(v, _mm_set1_epi8(lo));
    return _mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8(span)), t);
  };
  const __m128i lead = _mm_or_si128(within(char(0x81), 0x1E), within(char(0xE0), 0x1C));
  const __m128i second = _mm_cmpeq_epi8(_mm_max_epu8(v, _mm_set1_epi8(0x20)), v);
  const __m128i first = _mm_set1_epi16(0x00FF);  // the even bytes
  return _mm_movemask_epi8(_mm_or_si128(_mm_and_si128(first, lead), _mm_andnot_si128(first, second)));
}
#endif

// The next default tab stop strictly right of x, as an advance.
long NextTabStop(long x, long interval) {
  if (interval <= 0) interval = kKxDefaultTabInterval;
  long q = x / interval;
  if (x < 0 && x % interval != 0) --q;
  return (q + 1) * interval - x;
}

// Looks up the run containing `off` unless the cached one holds it.
template <class Elem, class Get>
void LoadRun(const CKXPosArray* arr, long off, long textLen, SKXLineRun& run, Elem& elem, Get get) {
  if (run.index > 0 && off >= run.start && off < run.end) return;
  const long count = arr ? arr->GetCount() : 0;
  if (count == 0) {
    elem = Elem{};
    run = SKXLineRun{0, std::max(textLen, off + 1), 0};
    return;
  }
  const SKXRunSpan span = arr->GetRunSpan(off, textLen);
  get(span.index, elem);
  run = SKXLineRun{span.start, span.end, span.index};
}

// A byte through the read buffer; -1 when a refill brings nothing.
int ReadByte(const CKXStrArray* text, SKXLineCalc& c, char* buf, long cap, long off) {
  if (off >= c.bufStart && off < c.bufStart + c.bufLen) return static_cast<unsigned char>(buf[off - c.bufStart]);
  long n = cap;
  text->GetSelText(off, off + cap, buf, n);
  c.bufStart = off;
  c.bufLen = n;
  return n > 0 ? static_cast<unsigned char>(buf[0]) : -1;
}

// Width of a Unicode side entry in the port's current style.
long UniWidth(std::uint32_t u, bool alongColumn) {
  return alongColumn ? KxGetUnicodeCharHeight() : KxGetUnicodeCharWidth(u);
}

}  // namespace

CKXTextLayout::CKXTextLayout(const CKXStrArray* text, const CKXStylArray* styls, const CKXDecoArray* decos,
                             const CKXParaArray* paras)
    : mText(text), mStyls(styls), mDecos(decos), mParas(paras) {}

bool CKXTextLayout::GetLineExtStyl(SKXLineExtStyl& grid) const {
  grid = SKXLineExtStyl{};
  return false;
}

void CKXTextLayout::GetParaStylDefault(SParaStyl& para) const { para = SParaStyl{}; }

CKXTextLayoutOf::CKXTextLayoutOf(const CKXText& text)
    : CKXTextLayout(text.GetStrArray(), text.GetStylArray(), text.GetDecoArray(), text.GetParaArray()), mOwner(text) {}

bool CKXTextLayoutOf::GetLineExtStyl(SKXLineExtStyl& grid) const {
  const bool on = mOwner.GetLineExtStyl(grid) != 0;
  if (!on) grid = SKXLineExtStyl{};
  return on;
}

void CKXTextLayoutOf::GetParaStylDefault(SParaStyl& para) const { mOwner.GetParaStylDefault(para); }

long CKXTextLayout::TextLength() const { return mText ? mText->GetLength() : 0; }

class CKXTextLayout::PeekScope {
 public:
  PeekScope(const CKXTextLayout& layout, Peek& peek) : mLayout(layout) { mLayout.mPeek = &peek; }
  ~PeekScope() { mLayout.mPeek = nullptr; }
  PeekScope(const PeekScope&) = delete;
  PeekScope& operator=(const PeekScope&) = delete;

 private:
  const CKXTextLayout& mLayout;
};

int CKXTextLayout::ByteAt(long offset) const {
  if (mPeek && offset >= mPeek->start && offset < mPeek->end)
    return static_cast<unsigned char>(mPeek->bytes[offset - mPeek->start]);
  if (!mText || offset < 0 || offset >= mText->GetLength()) return -1;
  char c = 0;
  long n = 1;
  mText->GetSelText(offset, offset + 1, &c, n);
  return n == 1 ? static_cast<unsigned char>(c) : -1;
}

short CKXTextLayout::LookUpScript(long offset) const {
  SKXLineLookups* last = mPeek ? mPeek->last : nullptr;
  const long count = mStyls ? mStyls->GetCount() : 0;
  if (count == 0) {
    if (last) {
      last->runStart = 0;
      last->runEnd = std::numeric_limits<long>::max();
      last->script = kScriptJapanese;
    }
    return kScriptJapanese;
  }
  const long index = mStyls->GetArrayIndex(offset);
  SStyl s{};
  mStyls->GetStylAt(index, s);
  const short script = KxFontToScriptType(s.font);
  if (last) {
    // The run's own span: any offset in it finds the same run.
    last->runStart = mStyls->GetOffsetAt(index);
    last->runEnd = index < count ? mStyls->GetOffsetAt(index + 1) : std::numeric_limits<long>::max();
    if (offset < last->runStart || offset >= last->runEnd) last->runEnd = last->runStart;
    last->script = script;
  }
  return script;
}

std::uint16_t CKXTextLayout::CharAt(long offset, long& len) const {
  len = 1;
  const int c = ByteAt(offset);
  if (c < 0) return 0;
  if (KxTextCharFirst(std::uint16_t(c), ScriptAt(offset))) {
    const int t = ByteAt(offset + 1);
    // A lead byte never takes a CR (or nothing) as its second byte.
    if (t >= 0 && t != 13) {
      len = 2;
      return std::uint16_t(c << 8 | t);
    }
  }
  return std::uint16_t(c);
}

std::uint16_t CKXTextLayout::CharBefore(long offset, long& first) const {
  // After a byte that cannot lead, a byte is a character of its own: read so
  // from the bytes at hand, as the store would read it, without its parse.
  // The word-wrap rule walks a line-long word (CSV, base64) this way.
  if (mPeek && offset - 2 >= mPeek->start && offset <= mPeek->end) {
    const auto* pair = reinterpret_cast<const unsigned char*>(mPeek->bytes) + (offset - 2 - mPeek->start);
    if (pair[1] == 13 || !KxTextCharFirst(pair[0], ScriptAt(offset - 1))) {
      first = offset - 1;
      return pair[1];
    }
  }
  first = offset;
  if (offset <= 0 || offset > TextLength()) return 0;
  first = offset - 1;
  const int c = ByteAt(offset - 1);
  if (c == 13 || offset < 2) return std::uint16_t(std::max(c, 0));
  if (CharByteAt(offset - 1) == kByteLast) {
    first = offset - 2;
    return std::uint16_t(ByteAt(offset - 2) << 8 | c);
  }
  return std::uint16_t(c);
}

long CKXTextLayout::PlainWordStart(long offset, long lineStart) const {
  if (!mPeek || offset > mPeek->end) return offset;
  // Within the style run last found, so that one script's parse table says
  // which bytes may lead; every step is CharBefore's first way.
  const SKXLineLookups* run = mPeek->last;
  if (!run || offset - 1 < run->runStart || offset - 1 >= run->runEnd) return offset;
  const long floor = std::max({lineStart, mPeek->start + 1, run->runStart});
  const std::uint8_t* parse = KxScriptParseTable(run->script);
  const auto* bytes = reinterpret_cast<const unsigned char*>(mPeek->bytes) - mPeek->start;
  long p = offset;
#if defined(__SSE2__)
  const bool asciiAlone = AsciiNeverLeads(parse);
  // Bytes the line's measure found to be word bytes are not read again:
  // within them no step stops, down to the one after their first.
  if (asciiAlone && offset <= mPeek->wordEnd && offset > mPeek->wordFrom + 1 && floor < offset)
    p = std::max(floor, mPeek->wordFrom + 1);
  // Sixteen at a time while none can lead: within them each stands alone,
  // and before them the byte at p - 17 must not lead.
  if (asciiAlone && p - floor > 16) {
    const __m128i space = _mm_set1_epi8(0x20), hyphen = _mm_set1_epi8('-'), del = _mm_set1_epi8(0x7F);
    while (p - 16 >= floor) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + p - 16));
      // 0x21 to 0x7E (signed, so no byte from 0x80 on), no hyphen.
      const __m128i other = _mm_or_si128(_mm_cmpeq_epi8(v, hyphen), _mm_cmpeq_epi8(v, del));
      const int word = _mm_movemask_epi8(_mm_andnot_si128(other, _mm_cmpgt_epi8(v, space)));
      if (word != 0xFFFF || parse[bytes[p - 17]]) break;
      p -= 16;
    }
  }
#endif
  while (p > floor) {
    const unsigned char c = bytes[p - 1];
    if (c < 0x21 || c > 0x7E || c == '-' || parse[bytes[p - 2]]) break;
    --p;
  }
  return p;
}

short CKXTextLayout::CharByteAt(long offset) const {
  const short script = ScriptAt(offset);
  if (mPeek && offset >= mPeek->start && offset < mPeek->end) {
    const Peek& k = *mPeek;
    SKXLineLookups& last = *k.last;
    if (offset < last.chunkStart || offset >= last.chunkEnd) mText->GetChunkSpan(offset, last.chunkStart, last.chunkEnd);
    // The store parses from the last byte before `offset` that cannot lead,
    // looking back no further than its chunk's start and the context limit.
    // When the bytes at hand run out first, it answers itself. The scan
    // here is the store's, so the parse goes straight from `from`.
    const long limit = std::max(last.chunkStart, offset - kKxCharContext);
    const long floor = std::max(limit, k.start);
    const std::uint8_t* parse = KxScriptParseTable(script);
    const auto* bytes = reinterpret_cast<const unsigned char*>(k.bytes);
    long from = offset;
    while (from > floor && parse[bytes[from - 1 - k.start]]) --from;
    if (from > k.start || k.start <= limit)
      return CharacterByteType(bytes + (from - k.start), std::int32_t(offset - from), script);
  }
  return mText->GetCharByte(offset, script);
}

short CKXTextLayout::CharTypeAt(long offset) const {
  long n;
  return UKXText::GetCharType(CharAt(offset, n), ScriptAt(offset));
}

void CKXTextLayout::GridStyl(SStyl& styl, const SKXLineExtStyl& grid) const {
  if (grid.font != 0 && grid.font != styl.font) {
    styl.font = grid.font;
    if (grid.size != 0) styl.size = grid.size;
    styl.height = 0;  // measure it afresh
  }
}

void CKXTextLayout::GetSetup(long start, long width, const SKXLineStyl* style, Setup& s, SParaStyl* cachedPara,
                             SKXLineRun* paraRun) const {
  if (style) {
    s.style = *style;
  } else {
    s.style = SKXLineStyl{};
    s.style.wrap = 0;  // no style counts as all zero
  }
  s.grid = SKXLineExtStyl{};
  const bool hasParas = mParas && mParas->GetCount() > 0;
  if (s.style.charSpace == kKxCharSpaceGrid) {
    s.style.charSpace = 0;
    if (!GetLineExtStyl(s.grid)) s.grid = SKXLineExtStyl{};
    s.usePara = true;
  } else {
    s.usePara = hasParas;
  }
  s.lineSpace = s.style.lineSpace;
  s.charSpace = s.style.charSpace;
  s.justify = s.style.justify;
  s.avail = width;
  s.pen = 0;
  if (!s.usePara) return;

  if (hasParas) {
    SKXLineRun local;
    SParaStyl localPara{};
    SKXLineRun& run = paraRun ? *paraRun : local;
    SParaStyl& para = cachedPara ? *cachedPara : localPara;
    LoadRun(mParas, start, TextLength(), run, para, [&](long i, SParaStyl& p) { mParas->GetParaAt(i, p); });
    s.para = para;
  } else {
    GetParaStylDefault(s.para);
  }
  s.lineSpace = s.para.lineSpace;
  s.charSpace = s.para.charSpace == kKxCharSpaceGrid ? 0 : s.para.charSpace;
  s.justify = s.para.justify;
  const long pitch = s.grid.charPitch;
  long right = s.para.rightIndent;
  if (right > 0 && pitch > 0) right = pitch * (right / pitch);
  s.avail = width - right;
  long pen;
  if (s.para.firstIndent == s.para.leftIndent)
    pen = s.para.firstIndent;
  else
    pen = (start <= 0 || ByteAt(start - 1) == 13) ? s.para.firstIndent : s.para.leftIndent;
  if (pen > 0 && pitch > 0) pen = KxPitchRound(pen, pitch);
  s.pen = pen;
}

long CKXTextLayout::CalcLineInfo(long start, long width, SKXLineInfo& info, const SKXLineStyl* style,
                                 SKXLineCalc* calcIn) const {
  // Its own state and character state, built only when the caller has
  // none: both are large, and a caller laying out many lines keeps them.
  if (!calcIn) {
    SKXLineCalc own;
    return CalcLineInfo(start, width, info, style, &own);
  }
  if (!calcIn->state) {
    CKXCharState local;
    calcIn->state = &local;
    const long next = CalcLineInfo(start, width, info, style, calcIn);
    calcIn->state = nullptr;
    return next;
  }
  SKXLineCalc& c = *calcIn;
  const long len = TextLength();
  if (c.textLength != len) {
    // First call, or the text changed length: nothing cached still holds.
    c.bufStart = c.bufLen = 0;
    c.stylRun = c.decoRun = c.paraRun = SKXLineRun{};
    c.lookups = SKXLineLookups{};
    c.textLength = len;
  }
  char* buf = c.buffer && c.capacity > 0 ? c.buffer : c.ownBuffer;
  const long cap = c.buffer && c.capacity > 0 ? c.capacity : long(sizeof c.ownBuffer);
  start = std::clamp(start, 0L, len);
  info.width = std::int32_t(width);

  Setup s;
  GetSetup(start, width, style, s, &c.para, &c.paraRun);
  const long pitch = s.grid.charPitch, linePitch = s.grid.linePitch;
  c.reach = start;
  c.measuredTabs = c.roomierFirstLine = false;
  if (s.usePara) {
    for (int i = 0; i < std::min<int>(s.para.tabCount, kKxMaxTabs); ++i)
      if ((s.para.tabKinds >> (2 * i)) & 3) c.measuredTabs = true;
    c.roomierFirstLine = s.para.firstIndent < s.para.leftIndent;
  }
  const bool wrap = s.style.wrap != 0, vertical = s.style.vertical != 0;

  CKXCharState* cs = c.state;
  cs->SetVertical(vertical);

  auto loadStyl = [&](long off, SStyl& st) {
    LoadRun(mStyls, off, len, c.stylRun, c.styl, [&](long i, SStyl& e) { mStyls->GetStylAt(i, e); });
    // Measured once per run rather than for every line.
    if (c.styl.height == 0) CKXFontState::AdjustStyl(c.styl);
    st = c.styl;
    GridStyl(st, s.grid);
    cs->SetStyl(st);
  };

  if (len == 0 || start >= len) {
    SStyl st;
    loadStyl(start, st);
    long h = linePitch ? linePitch : st.height + std::max(0L, s.lineSpace);
    info.height = std::uint16_t(std::clamp(h, 0L, kMaxHeight));
    c.reach = len + 1;
    return (start > 0 && ByteAt(start - 1) != 13) ? len : len + 1;
  }

  long off = start, pen = s.pen;
  const long avail = s.avail;
  long height = 0, ascent = 0, end = -1, formFeed = -1;
  // Bytes the measure passed that are all word bytes (0x21 to 0x7E but a
  // hyphen), for word wrap's look back.
  long wordFrom = 0, wordEnd = 0;
  bool lastCR = false, stop = false;
  while (!stop && off < len && (pen < avail || off == start)) {
    SStyl st;
    loadStyl(off, st);
    if (linePitch) {
      height = linePitch;
      ascent = std::max<long>(ascent, st.ascent);
    } else if (st.height > height) {
      height = st.height;
      ascent = st.ascent;
    }
    const long runEnd = std::min(c.stylRun.end, len);
    const std::uint8_t* parse = KxScriptParseTable(cs->GetScript());
    bool pending = false;  // the byte before was the first of a double-byte character
    long carry = -1;       // Unicode width carried to the second byte
    while (!stop && off < runEnd) {
      LoadRun(mDecos, off, len, c.decoRun, c.deco, [&](long i, SDeco& e) { mDecos->GetDecoAt(i, e); });
      const SDeco d = c.deco;
      const long decoEnd = std::min(c.decoRun.end, runEnd);
      const int vpos = d.flags & 7;
      if (vpos >= 1 && vpos <= 3) {
        const long half = st.ascent / 2;
        if (linePitch) {
          if (vpos != 2) ascent += half;
        } else if (vpos == 2) {
          height = std::max(height, st.height + half + (ascent - st.ascent));
        } else if (st.height + half > height) {
          ascent += half;
          height = st.height + half;
        }
      }
      if (d.pictID != 0) {
        short along = 0, across = 0;
        CKXDecoArray::GetPictureSize(d.pictID, along, across, vertical);
        if (!linePitch) height = std::max<long>(height, across);
        if (wrap) {
          const long adv = pitch ? pitch : std::max<long>(along, 1);
          if (pen + adv >= avail && off > start) {
            end = off;
            stop = true;
            break;
          }
          pen += adv;
        }
        off = decoEnd;
        pending = false;
        continue;
      }
      const bool uni = mText->IsUniCharExist(off, decoEnd);
      // Side entries are looked up in the font's script, which is asked
      // for only when there are some.
      const short script = uni ? KxFontToScriptType(st.font) : short(kScriptRoman);
      const bool group = (d.flags & 0x08) && vertical;
      long groupWidth = 0;
      // Plain characters, the bulk of any text, take a short way: straight
      // from the read buffer with widths from the memo. A byte it cannot
      // take (a control, a width not yet measured, a character cut by the
      // buffer's or the run's end) goes the long way below, and the short
      // way picks up after it. The answers are the long way's.
      const bool plainRun = sShortWays && wrap && !uni && !group;
      auto plainStretch = [&]() -> bool {  // true when the line ends
        // Locals, not the captured variables: the loop then runs in registers.
        long o = off, p = pen, dw = -1;  // dw: a double-byte character's advance, once needed
        const long charSpace = s.charSpace;
        const std::int16_t* widths = cs->KnownWidths();
        if (!widths) return false;
        auto advance = [&](long w) {
          if ((vpos & 4) && w >= 2) w >>= 1;
          if (charSpace > 0) w += charSpace;
          return pitch ? pitch : w;
        };
        // Widths as measured: single-byte characters then go a step each.
        const bool asMeasured = !pitch && charSpace <= 0 && !(vpos & 4);
#if defined(__SSE2__)
        const bool asciiAlone = asMeasured && AsciiNeverLeads(parse);
        const bool shiftJis = ShiftJisLeads(parse);
        const long uniform = asciiAlone ? cs->UniformAsciiWidth() : 0;
        // The first n of the sixteen bytes at q, at offset `at`, all
        // printable ASCII: the run of word bytes grows or starts anew.
        auto noteWords = [&](const unsigned char* q, long at, long n) {
          const unsigned ends =
              unsigned(WordEndLanes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)))) & ((1u << n) - 1);
          if (ends) {
            wordFrom = at + 32 - __builtin_clz(ends);  // past the last word end
          } else if (wordEnd != at) {
            wordFrom = at;
          }
          wordEnd = at + n;
        };
#endif
        bool ended = false, other = false;
        while (!ended && !other && o < decoEnd) {
          if (ReadByte(mText, c, buf, cap, o) < 0) break;
          const auto* bytes = reinterpret_cast<const unsigned char*>(buf);
          const long base = c.bufStart, bufEnd = std::min(base + c.bufLen, decoEnd);
          for (; o < bufEnd; ++o) {
            if (dw > 0 && parse[bytes[o - base]] != 0) {
              // A stretch of double-byte characters, all `dw` wide, that
              // stays short of the line's end: its pairs do not depend on
              // one another, so they are checked without the loop below.
              // Pairs in the buffer, and room for whole ones before the
              // line's end (k pairs fit while k * dw <= room; no division,
              // which costs as much as the pairs of a short stretch).
              const long pairs = (bufEnd - o) / 2, room = avail - 1 - p;
              const unsigned char* q = bytes + (o - base);
              long k = 0;
#if defined(__SSE2__)
              while (shiftJis && k + 8 <= pairs && (k + 8) * dw <= room) {
                const int lanes = ShiftJisPairLanes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 2 * k)));
                if (lanes != 0xFFFF) {
                  k += __builtin_ctz(unsigned(~lanes)) / 2;  // the pairs before the first that is not
                  break;
                }
                k += 8;
              }
#endif
              while (k < pairs && (k + 1) * dw <= room && parse[q[2 * k]] != 0 && q[2 * k] >= 0x20 &&
                     q[2 * k + 1] >= 0x20)
                ++k;
              o += 2 * k;
              p += k * dw;
              if (o >= bufEnd) break;
            }
            if (asMeasured) {
#if defined(__SSE2__)
              // In a font whose printable ASCII shares one width, sixteen
              // at a time are only counted: as many as are printable, and
              // no more than stay short of the line's end. The room is
              // divided out only once such a byte comes, as most entries
              // here in Japanese text find a double-byte one.
              if (uniform > 0 && bytes[o - base] >= 0x20 && bytes[o - base] < 0x7F) {
                for (long fit = -1; bufEnd - o >= 16;) {
                  long n = PrintableAsciiCount(bytes + (o - base));
                  if (n == 0) break;
                  if (fit < 0) fit = std::max(0L, (avail - 1 - p) / uniform);
                  n = std::min(n, fit);
                  if (n == 0) break;
                  noteWords(bytes + (o - base), o, n);
                  o += n;
                  p += n * uniform;
                  fit -= n;
                  if (n < 16) break;
                }
                if (o >= bufEnd) break;
              }
              // Sixteen at a time while all are ASCII that cannot lead,
              // every width known, and they stay short of the line's end.
              while (asciiAlone && bufEnd - o >= 16) {
                const unsigned char* q = bytes + (o - base);
                if (AsciiLanes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q))) != 0xFFFF) break;
                long sum = 0, unknown = 0;
                for (int k = 0; k < 16; ++k) {
                  const long w = widths[q[k]];
                  sum += w;
                  unknown |= w - 1;  // negative once a width is not known
                }
                if (unknown < 0 || p + sum >= avail) break;
                noteWords(q, o, 16);
                p += sum;
                o += 16;
              }
              if (o >= bufEnd) break;
#endif
              // Single-byte characters short of the line's end; the one
              // that reaches it, or any other, goes the way below.
              for (;;) {
                const unsigned char x = bytes[o - base];
                const long w = widths[x];
                if (x < 0x20 || parse[x] != 0 || w <= 0 || p + w >= avail) break;
                p += w;
                if (++o >= bufEnd) break;
              }
              if (o >= bufEnd) break;
            }
            const unsigned char b = bytes[o - base];
            const bool two = parse[b] != 0;
            long w;
            if (b < 0x20) {
              other = true;
            } else if (two) {
              if (o + 1 >= bufEnd || bytes[o + 1 - base] < 0x20) {
                other = true;
              } else if (dw < 0) {
                const long d = cs->DoubleWidth();
                if (d > 0) dw = advance(d);
                else other = true;
              }
            } else {
              w = widths[b];
              if (w > 0) w = advance(w);
              else other = true;
            }
            if (other) break;
            if (two) {
              w = dw;
              ++o;  // the character is measured at its second byte
            }
            p += w;
            if (p >= avail) {
              long brk = two ? o - 1 : o;
              if (brk <= start) brk = o + 1;  // never an empty line
              end = brk;
              ended = true;
              break;
            }
          }
        }
        sShortWayBytes += o - off;
        off = o;
        pen = p;
        return ended;
      };
      for (; off < decoEnd; ++off) {
        if (plainRun && !pending) {
          if (plainStretch()) {
            stop = true;
            break;
          }
          if (off >= decoEnd) break;
        }
        const int b = ReadByte(mText, c, buf, cap, off);
        if (b < 0) {
          end = off;
          stop = true;
          break;
        }
        if (b == 13) {
          ++off;
          end = off;
          lastCR = stop = true;
          break;
        }
        if (b == 12) formFeed = off;
        bool inGroup = group;
        if (group && (b == 9 || (b < 0x20 && (b < 17 || b > 20)))) {
          groupWidth = 0;
          inGroup = false;
        }
        if (!wrap && !inGroup) {
          pending = !pending && parse[b];
          continue;
        }
        // Width: a lead byte measures 0 and its second byte the character,
        // except that a lead before a CR or at the end stands alone.
        const bool second = pending;
        bool lead = !pending && parse[b];
        long w;
        if (lead) {
          const int next = off + 1 < len ? ReadByte(mText, c, buf, cap, off + 1) : -1;
          if (next < 0 || next == 13) {
            lead = false;
            w = std::max(1L, long(cs->DoubleWidth() / 2));
          } else {
            w = cs->GetWidth(std::uint8_t(b));
            if (uni) {
              const char pair[2] = {char(b), char(next)};
              if (const auto u = mText->GetUniCharIfExists(off, pair, 2, script)) carry = UniWidth(u, vertical && !inGroup);
            }
          }
        } else {
          w = cs->GetWidth(std::uint8_t(b));
          if (second && carry >= 0) {
            w = carry;
          } else if (uni && !second) {
            const char one = char(b);
            if (const auto u = mText->GetUniCharIfExists(off, &one, 1, script)) w = UniWidth(u, vertical && !inGroup);
          }
          carry = -1;
        }
        pending = lead;
        if (inGroup) {
          if (w != 0) {
            if (groupWidth == 0) {
              pen += pitch ? pitch : st.height + std::max(0L, s.charSpace);
              const long brk = second ? off - 1 : off;
              if (wrap && pen >= avail && brk > start) {
                end = brk;
                stop = true;
                break;
              }
            }
            groupWidth += w;
            if (!linePitch) height = std::max(height, groupWidth);
          }
          continue;
        }
        if (b == 9) {
          long tabReach = off + 1;
          const long t = s.usePara ? GetTabWidthExt(pen, off, short(pitch ? s.grid.tabCells * pitch : s.style.tabInterval),
                                                    s.para, style, nullptr, 0, &tabReach)
                                   : NextTabStop(pen, s.style.tabInterval);
          c.reach = std::max(c.reach, tabReach);
          if (t > 0) w = t;
        } else if (w == 0) {
          continue;  // a first byte, waiting for its second
        } else {
          w = std::max(w, 0L);
          if ((vpos & 4) && w >= 2) w >>= 1;
          if (s.charSpace > 0) w += s.charSpace;
          if (pitch) w = pitch;
        }
        pen += w;
        if (pen >= avail) {
          long brk = second ? off - 1 : off;
          if (brk <= start) brk = off + 1;  // never an empty line: the character is taken
          end = brk;
          stop = true;
          break;
        }
      }
    }
  }
  if (end < 0) end = off;
  if (end <= start) end = std::min(len, start + 1);
  const long found = end;  // before the rules move it

  if (!linePitch && mDecos && mDecos->IsRubyExist(start, end)) {
    short rubyHeight = 0, rubyAscent = 0;
    GetRubyLineHeight(start, end - start, rubyHeight, rubyAscent, cs, s.grid.font, s.grid.size);
    long h = rubyHeight;
    if (s.lineSpace > 0) h -= s.lineSpace >> 1;
    height = std::max(height, h);
  }

  if (!lastCR && end < len) {
    // The rules may read back to the line's start (a word as long as the
    // line): a line that began before the bytes at hand, and fits in the
    // buffer with room to look past its break, is read again whole.
    if (sShortWays && start < c.bufStart && end - start + 64 <= cap) ReadByte(mText, c, buf, cap, start);
    Peek peek;
    peek.bytes = buf;
    peek.start = c.bufStart;
    peek.end = c.bufStart + c.bufLen;
    peek.last = &c.lookups;
    peek.wordFrom = wordFrom;
    peek.wordEnd = wordEnd;
    std::optional<PeekScope> peeking;
    if (sShortWays) peeking.emplace(*this, peek);
    const bool wordWrap = s.style.wordWrap != 0;
    const short mode = s.style.mode;
    long adjust = wordWrap ? CheckWordwrap(start, end) : 0;
    if (mode != 0) {
      const long first = adjust;
      const long j = CheckJWrap(start, end - adjust, mode);
      adjust += j;
      if (j != 0) {
        if (wordWrap && first == 0) adjust += CheckWordwrap(start, end - adjust);
        adjust += CheckJWrap(start, end - adjust, short(mode + 2));
      }
    }
    const long moved = end - adjust;
    if (moved > start && moved <= len) end = moved;
  }
  // How far the line read: to its CR; on into text added at the end when it
  // ran to the end; else past where it first broke by what the rules read
  // there, however far word wrap then moved its break back.
  if (lastCR) c.reach = std::max(c.reach, end);
  else if (found >= len) c.reach = len + 1;
  else c.reach = std::max({c.reach, found + kRulesReach, end + kRulesReach});

  // Line space goes in before the cap, so that it can never reach the
  // page-break bit.
  if (!linePitch && s.lineSpace > 0) height += s.lineSpace;
  std::uint16_t code = std::uint16_t(std::clamp(height, 0L, kMaxHeight));
  if (formFeed >= start && formFeed < end) code |= kKxLinePageBreak;
  info.height = code;
  return end;
}

long CKXTextLayout::GetTabWidthExt(long x, long offset, short interval, const SParaStyl& para,
                                   const SKXLineStyl* style, char* marks, long markIndex, long* reach) const {
  if (reach) *reach = offset + 1;
  SKXLineExtStyl grid;
  if (!(style && style->charSpace == kKxCharSpaceGrid && GetLineExtStyl(grid))) grid = SKXLineExtStyl{};
  const long pitch = grid.charPitch;

  long stop = 0;
  int kind = 0, leader = 0;
  bool found = false;
  const int count = std::min<int>(para.tabCount, kKxMaxTabs);
  for (int i = 0; i < count; ++i) {
    const long pos = KxPitchRound(para.tabPos[i], pitch);
    if (pos > x + 1) {
      stop = pos;
      kind = int(para.tabKinds >> (2 * i)) & 3;
      leader = int(para.tabLeaders >> (2 * i)) & 3;
      found = true;
      break;
    }
  }
  if (para.leftIndent > 0) {
    const long indent = KxPitchRound(para.leftIndent, pitch);
    if (indent > x + 1 && (!found || indent < stop)) {
      stop = indent;
      kind = leader = 0;
      found = true;
    }
  }
  long adv;
  if (found && stop > x) {
    adv = stop - x;
    if (marks && leader) marks[markIndex] = ".-_"[leader - 1];
  } else {
    adv = NextTabStop(x, interval);
    kind = 0;
  }
  if (pitch) adv = std::max(pitch, pitch * (adv / pitch));
  if (kind == 0) return adv;

  // Centre, right and decimal tabs take off the width of what follows, up
  // to the next tab or CR (a decimal tab also stops at "."). Once it is
  // twice the advance the answer no longer changes, so measuring stops.
  const long len = TextLength();
  long w = 0;
  CKXCharState cs;
  cs.SetVertical(style ? style->vertical : 0);
  char buf[256];
  long off = offset + 1;
  bool done = false;
  long settled = len + 1;  // past the byte that settled the answer; text added at the end would be measured
  while (!done && off < len && w < 2 * adv) {
    const SKXRunSpan styl = mStyls ? mStyls->GetRunSpan(off, len) : SKXRunSpan{0, off, len};
    SStyl st{};
    if (mStyls) mStyls->GetStylAt(styl.index, st);
    GridStyl(st, grid);
    cs.SetStyl(st);
    const long runEnd = styl.end;
    while (!done && off < std::min(runEnd, len) && w < 2 * adv) {
      SDeco d{};
      long decoEnd = runEnd;
      if (mDecos && mDecos->GetCount() > 0) {
        const SKXRunSpan deco = mDecos->GetRunSpan(off, runEnd);
        mDecos->GetDecoAt(deco.index, d);
        decoEnd = std::min(decoEnd, deco.end);
      }
      decoEnd = std::max(std::min(decoEnd, len), off + 1);
      if (d.pictID != 0) {
        short along = 0, across = 0;
        CKXDecoArray::GetPictureSize(d.pictID, along, across, style && style->vertical);
        w += pitch ? pitch : std::max<long>(along, 1);
        off = decoEnd;
        if (w >= 2 * adv) settled = off;
        continue;
      }
      while (!done && off < decoEnd) {
        long n = std::min<long>(sizeof buf, decoEnd - off);
        mText->GetSelText(off, off + n, buf, n);
        if (n <= 0) {
          done = true;
          break;
        }
        for (long k = 0; k < n; ++k) {
          const unsigned char b = static_cast<unsigned char>(buf[k]);
          if (b == 9 || b == 13 || (kind == 3 && b == '.')) {
            done = true;
            settled = off + k + 1;
            break;
          }
          long bw = cs.GetWidth(b);
          if (bw == 0) continue;
          if ((d.flags & 4) && bw >= 2) bw >>= 1;
          if (para.charSpace > 0 && para.charSpace != kKxCharSpaceGrid) bw += para.charSpace;
          if (pitch) bw = pitch;
          w += bw;
          if (w >= 2 * adv) {
            done = true;
            settled = off + k + 1;
            break;
          }
        }
        off += n;
      }
    }
  }
  if (reach) *reach = settled;
  if (w > 0) {
    adv = std::max(1L, adv - (kind == 1 ? w / 2 : w));
    if (pitch) adv = std::max(pitch, pitch * (adv / pitch));
  }
  return adv;
}

void CKXTextLayout::GetRubyLineHeight(long start, long length, short& lineHeight, short& ascent,
                                      CKXCharState* state, short font, short size) const {
  lineHeight = ascent = 0;
  if (!mDecos || !mStyls || length <= 0) return;
  std::optional<CKXCharState> local;
  if (!state) state = &local.emplace();
  const long n = mDecos->GetSelRubysCount(start, start + length);
  const long first = mDecos->GetSelRubysFirstNumber(start, start + length);
  SKXLineExtStyl grid;
  grid.font = font;
  grid.size = size;
  long lastRun = -1, h = 0, a = 0, r = 0, maxH = 0, maxA = 0;
  for (long k = 0; k < n; ++k) {
    SKXRuby ruby;
    if (!mDecos->GetRubyAt(first + k, ruby)) continue;
    const long run = mStyls->GetArrayIndex(ruby.pos);
    if (run != lastRun) {
      lastRun = run;
      SStyl st{};
      mStyls->GetStylAt(run, st);
      GridStyl(st, grid);
      if (st.height == 0) state->SetStyl(st);
      h = st.height;
      a = st.ascent;
      SStyl rs = st;
      rs.size = short(((st.size > 0 ? st.size : kKxDefaultFontSize) + 1) / 2);
      rs.height = 0;
      state->SetStyl(rs);
      AdjustRubyHeight(state, rs);
      r = rs.height;
    }
    maxH = std::max(maxH, h + r);
    maxA = std::max(maxA, a + r);
  }
  lineHeight = short(std::min(maxH, 32767L));
  ascent = short(std::min(maxA, 32767L));
}

short AdjustRubyHeight(CKXCharState* state, SStyl& rubyStyl) {
  const long size = rubyStyl.size > 0 ? rubyStyl.size : kKxDefaultFontSize;
  if (state) {
    short a = 0, d = 0;
    const long full = state->GetFontInfo(a, d);
    if (full - a - d > (size - 1) / 6) rubyStyl.height = short(a + d + (size - 1) / 6);
  }
  return short(size / 6);
}
