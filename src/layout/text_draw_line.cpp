#include "layout/text_draw_line.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "layout/draw_lines.h"
#include "layout/draw_picture.h"
#include "layout/draw_text.h"
#include "layout/draw_toolkit.h"
#include "layout/draw_unicode.h"
#include "layout/fontstate.h"
#include "platform/script.h"
#include "text/codes/script.h"
#include "text/store/text.h"

namespace {

constexpr unsigned char kTab = 9, kCR = 13, kSpace = 0x20;
constexpr int kKindSolid = 1, kKindDouble = 2, kKindThick = 3, kKindDotted = 4, kKindDots = 5;
constexpr int kKindMarkup = 7;      // thick dashed
constexpr int kMarkupColor = 1;    // red
constexpr int kNoColorMatch = 19;  // a run colour outside the table
constexpr int kDotSize = 2;
// Base forms of the interline kinds: 8 thick dotted, 9 solid, 10 thick,
// 11 double, 12 dotted; 13, 18 and 23 start the forms shorter at the start
// only, at the end only and not shorter.
constexpr int kInterBase = 8, kInterShortStart = 13, kInterShortEnd = 18, kInterFull = 23;
// How many markup offsets one line takes.
constexpr long kMarkupCapacity = 64;

bool IsCommandSymbol(unsigned char c) { return c >= 17 && c <= 20; }

// How far a line of a kind reaches across from where it is drawn (at 100 %).
int LineExtent(int kind) {
  int base = kind;
  if (kind >= kInterShortStart && kind < kKxLineKindCount) base = kInterBase + (kind - kInterShortStart) % 5;
  switch (base) {
    case 2: case 11: return 3;   // double: a second line 2 further on
    case 3: case 7: case 8: case 10: return 2;
    default: return 1;
  }
}

bool IsLeader(char c) { return c == '.' || c == '-' || c == '_'; }

enum class Where { kLower, kMiddle, kUpper };

// The per-line buffers (bytes, positions, inside flags, marks: about ten
// bytes a byte of the line), kept from one drawing to the next: a long line
// drawn again and again would otherwise allocate, fault in and free
// megabytes each time. They only grow; a nested drawing (none is expected)
// gets its own.
struct LineBuffers {
  std::unique_ptr<char[]> text, inside, marks;
  std::unique_ptr<long[]> pos;
  long capacity = -1;  // entries each holds, less one
  bool busy = false;

  void Reserve(long n) {
    if (n <= capacity) return;
    // Left uninitialised: the reads and the measuring fill what is used.
    text.reset(new char[size_t(n) + 1]);
    inside.reset(new char[size_t(n) + 1]);
    marks.reset(new char[size_t(n) + 1]);
    pos.reset(new long[size_t(n) + 1]);
    capacity = n;
  }
};

thread_local LineBuffers tShared;

class LineDrawer {
 public:
  LineDrawer(const CKXTextLayout& layout, const CKXText* owner, const PointL& origin, long start, short lineHeight,
             const SKXLineStyl& style, short scale)
      : mL(layout), mOwner(owner), mOrigin(origin), mStart(start), mLineHeight(lineHeight), mStyle(style),
        mScale(scale == 100 ? 0 : scale), mV(style.vertical != 0), mCtrl(style.controlView != 0) {}

  ~LineDrawer() {
    if (mBuf == &tShared) tShared.busy = false;
  }
  LineDrawer(const LineDrawer&) = delete;
  LineDrawer& operator=(const LineDrawer&) = delete;

  void Draw(long length, long width, const RectL* clip);

 private:
  struct Run {
    SStyl st{};
    long descent = 0;
    SDeco deco{};
    long decoStart = 0, decoEnd = 0;   // the decoration run, relative to the line
  };

  long At(long i) const { return mPos[size_t(i)]; }
  // Whether entry i lies inside a character (no caret stop, no glyph starts).
  bool Inside(long i) const { return mInside[size_t(i)] != 0; }
  bool Outside(long a0, long a1) const { return a1 < mLo || a0 > mHi; }
  // A rectangle of the line (along a0..a1, across c0..c1 from the line's
  // top) in port coordinates.
  RectL Port(long a0, long c0, long a1, long c1) const {
    if (mV)
      return RectL{std::int32_t(mOrigin.v + a0), std::int32_t(mOrigin.h - c1), std::int32_t(mOrigin.v + a1),
                   std::int32_t(mOrigin.h - c0)};
    return RectL{std::int32_t(mOrigin.v + c0), std::int32_t(mOrigin.h + a0), std::int32_t(mOrigin.v + c1),
                 std::int32_t(mOrigin.h + a1)};
  }
  void Text(long along, long top, long ascent, long height, const char* t, long from, long count) const {
    if (mV)
      KxTextDrawText(std::int32_t(mOrigin.h - top), std::int32_t(mOrigin.v + along), std::int32_t(ascent),
                     std::int32_t(height), t, std::int32_t(from), std::int32_t(count), mScale);
    else
      KxTextDrawText(std::int32_t(mOrigin.h + along), std::int32_t(mOrigin.v + top), std::int32_t(ascent),
                     std::int32_t(height), t, std::int32_t(from), std::int32_t(count), mScale);
  }
  void Line(long a0, long a1, long c, int kind, int color) const {
    if (a1 - a0 < 2 || kind <= 0) return;
    if (mV)
      KxTextDrawLine(std::int32_t(mOrigin.h - c - LineExtent(kind)), std::int32_t(mOrigin.v + a0), 1,
                     std::int32_t(a1 - a0), kind, color, mScale);
    else
      KxTextDrawLine(std::int32_t(mOrigin.h + a0), std::int32_t(mOrigin.v + c), std::int32_t(a1 - a0), 1, kind,
                     color, mScale);
  }
  bool SegmentByte(unsigned char b) const { return (b >= kSpace || IsCommandSymbol(b)) && !(mCtrl && b == kSpace); }
  // The next character start after byte i (not past end).
  long NextChar(long i, long end) const {
    ++i;
    while (i < end && Inside(i)) ++i;
    return i;
  }
  // Where, from k on, the first byte before e lies that SegmentByte may
  // refuse or that is marked: eight bytes at a time, so that a segment of
  // a megabyte costs little to find the end of.
  long SegmentBytesEnd(long k, long e) const;
  // A start of a segment of i..e (as DecoRun cuts them) from which on
  // nothing before it reaches the clip: i when none is near.
  long SegmentStartBeforeClip(long i, long e) const;
  // The characters of k..j whose pen range meets the clip.
  void Visible(long k, long j, long& p, long& q) const;

  void DecoRun(long i, long e, const Run& run);
  void Segment(long k, long j, const Run& run);
  void Group(long k, long j, const Run& run);
  void Picture(long i, long e, const Run& run);
  void Chars(long p, long q, long top, long ascent, long height);
  void Leaders(long x, long w, long top, const Run& run, char leader);
  void Decorations(long k, long j, long x, long w, long top, long h, const Run& run, bool group);
  void DecoLine(Where where, int kind, long k, long j, long x, long w, long top, long h, int color, bool group);
  void Ruby();
  void Markups();

  const CKXTextLayout& mL;
  const CKXText* mOwner;
  PointL mOrigin;
  long mStart;
  long mN = 0;
  short mLineHeight;
  SKXLineStyl mStyle;
  short mScale;
  bool mV, mCtrl;
  SKXLineExtStyl mGrid{};
  bool mUni = false;
  short mBaseline = 0;
  long mLo = LONG_MIN / 4, mHi = LONG_MAX / 4;
  LineBuffers mOwn;
  LineBuffers* mBuf = nullptr;
  char* mText = nullptr;
  long* mPos = nullptr;
  char* mInside = nullptr;
  char* mMarks = nullptr;
  CKXCharState mCs;
  CKXDrawState mDs;
};

long LineDrawer::SegmentBytesEnd(long k, long e) const {
  constexpr std::uint64_t kOnes = ~std::uint64_t(0) / 255, kHighs = kOnes * 0x80;
  // Every byte from this one up is a segment byte; the space is not one
  // when control symbols are shown.
  const std::uint64_t lowest = kOnes * (mCtrl ? kSpace + 1 : kSpace);
  while (e - k >= 8) {
    std::uint64_t t, m;
    std::memcpy(&t, mText + k, 8);
    std::memcpy(&m, mMarks + k, 8);
    // Non-zero exactly when some byte of t lies below `lowest`'s bytes.
    if (m != 0 || ((t - lowest) & ~t & kHighs) != 0) break;
    k += 8;
  }
  return k;
}

long LineDrawer::SegmentStartBeforeClip(long i, long e) const {
  if (e - i < 2 || At(i) >= mLo) return i;
  long a = i, z = e;  // the first entry at or past the clip's start
  while (a < z) {
    const long mid = a + (z - a) / 2;
    if (At(mid) < mLo)
      a = mid + 1;
    else
      z = mid;
  }
  // Segments end before and after bytes that are not segment bytes and
  // after marked ones; one ending at or before a - 1 ends before the clip.
  // A long segment around the clip is not walked back over: the walk
  // forward from i finds its end quickly.
  const auto* b = reinterpret_cast<const unsigned char*>(mText);
  constexpr long kLookBack = 4096;
  for (long t = a - 1; t > i && t >= a - kLookBack; --t)
    if (!SegmentByte(b[t - 1]) || !SegmentByte(b[t]) || mMarks[size_t(t - 1)] != 0) return t;
  return i;
}

void LineDrawer::Visible(long k, long j, long& p, long& q) const {
  p = k;
  q = j;
  if (At(k) >= mLo && At(j) <= mHi) return;
  // Pen positions only grow along a line: bisection finds the ends, so the
  // end of a long line costs no walk over its start.
  auto firstAtLeast = [this](long a, long b, long v) {
    while (a < b) {
      const long mid = a + (b - a) / 2;
      if (At(mid) < v)
        a = mid + 1;
      else
        b = mid;
    }
    return a;
  };
  p = std::max(k, firstAtLeast(k, j, mLo) - 1);
  while (p > k && Inside(p)) --p;
  q = firstAtLeast(p, j, mHi + 1);
  while (q < j && Inside(q)) ++q;
}

void LineDrawer::Draw(long length, long width, const RectL* clip) {
  const CKXStrArray* store = mL.Text();
  const long textLength = mL.TextLength();
  if (!store || mStart < 0 || mStart > textLength) return;
  length = std::clamp(length, 0L, textLength - mStart);
  mBuf = tShared.busy ? &mOwn : &tShared;
  mBuf->busy = true;
  mBuf->Reserve(length);
  mText = mBuf->text.get();
  mPos = mBuf->pos.get();
  mInside = mBuf->inside.get();
  mMarks = mBuf->marks.get();
  mText[size_t(length)] = 0;
  long got = length;
  if (length > 0) store->GetSelText(mStart, mStart + length, mText, got);
  mN = std::clamp(got, 0L, length);
  mText[size_t(mN)] = 0;
  mPos[0] = 0;
  // The measuring clears the inside flags and marks of the line.
  mMarks[size_t(mN)] = 0;
  mL.GetMeasureText(mStart, mN, width, mText, mPos, &mStyle, mMarks, &mBaseline, mInside);
  if (!(mStyle.charSpace == kKxCharSpaceGrid && mL.GetLineExtStyl(mGrid))) mGrid = SKXLineExtStyl{};
  if (clip) {
    // A margin for what reaches past its characters (italics, ruby).
    const long margin = long(mLineHeight) + 16;
    mLo = (mV ? long(clip->top) - mOrigin.v : long(clip->left) - mOrigin.h) - margin;
    mHi = (mV ? long(clip->bottom) - mOrigin.v : long(clip->right) - mOrigin.h) + margin;
  }
  mCs.SetVertical(mV);
  mDs.Normalize();
  mUni = mN > 0 && store->IsUniCharExist(mStart, mStart + mN);

  const CKXStylArray* styls = mL.Styls();
  const CKXDecoArray* decos = mL.Decos();
  const long stylCount = styls ? styls->GetCount() : 0;
  const long decoCount = decos ? decos->GetCount() : 0;
  long i = 0;
  while (i < mN) {
    Run run;
    long runEnd = mN;
    if (stylCount > 0) {
      const long si = styls->GetArrayIndex(mStart + i);
      styls->GetStylAt(si, run.st);
      if (si < stylCount) runEnd = std::clamp(styls->GetOffsetAt(si + 1) - mStart, i + 1, mN);
    }
    mL.GridStyl(run.st, mGrid);
    mCs.SetStyl(run.st);
    short a = 0, d = 0;
    mCs.GetFontInfo(a, d);
    run.descent = d;
    while (i < runEnd) {
      long e = runEnd;
      run.deco = SDeco{};
      run.decoStart = -1;
      run.decoEnd = textLength - mStart;
      if (decoCount > 0) {
        const long di = decos->GetArrayIndex(mStart + i);
        decos->GetDecoAt(di, run.deco);
        run.decoStart = decos->GetOffsetAt(di) - mStart;
        if (di < decoCount) run.decoEnd = decos->GetOffsetAt(di + 1) - mStart;
        e = std::clamp(run.decoEnd, i + 1, runEnd);
      }
      mDs.SetColor(run.st);
      DecoRun(i, e, run);
      i = e;
    }
  }
  Ruby();
  Markups();
  mCs.SetVertical(0);
}

void LineDrawer::DecoRun(long i, long e, const Run& run) {
  if (run.deco.pictID != 0) {
    Picture(i, e, run);
    return;
  }
  const bool group = (run.deco.flags & 0x08) && mV;
  auto endsGroup = [](unsigned char c) { return c == kTab || c == kCR || (c < kSpace && !IsCommandSymbol(c)); };
  const auto* b = reinterpret_cast<const unsigned char*>(mText);
  long k = group ? i : SegmentStartBeforeClip(i, e);
  while (k < e) {
    // Pen positions only grow: whatever starts past the clip is not drawn.
    if (At(k) > mHi) return;
    long j = k + 1;
    if (group && !endsGroup(b[k])) {
      while (j < e && !endsGroup(b[j])) ++j;
      Group(k, j, run);
      k = j;
      continue;
    }
    if (SegmentByte(b[k])) {
      // Characters spaced apart (marked) are drawn one by one.
      j = SegmentBytesEnd(k, e);
      while (j < e && SegmentByte(b[j])) {
        ++j;
        if (mMarks[size_t(j - 1)] != 0) break;
      }
    }
    Segment(k, j, run);
    k = j;
  }
}

void LineDrawer::Segment(long k, long j, const Run& run) {
  const unsigned char b = static_cast<unsigned char>(mText[size_t(k)]);
  const long x = At(k), w = At(j) - x;
  if (Outside(x, x + w)) return;
  const SStyl& st = run.st;
  const int vpos = run.deco.flags & 7;
  long top = mBaseline - st.ascent;
  if (!(vpos & 4)) {
    if (vpos == 1 || vpos == 3) top -= st.ascent / 2;
    if (vpos == 2) top += st.ascent / 2;
  }
  const long h = st.ascent + run.descent;
  const int net = run.deco.net & 0x0F;
  if (net && b != kCR) {
    const RectL r = Port(x, top, x + w, top + std::min<long>(h + 1, st.height));
    KxTextDrawNet(r.left, r.top, r.right - r.left, r.bottom - r.top, net, run.deco.net >> 4, mScale, 0);
  }
  const bool single = j == k + 1 && !SegmentByte(b);
  if (single) {
    if (b == kTab && IsLeader(mMarks[size_t(k)])) Leaders(x, w, top, run, mMarks[size_t(k)]);
    if (mCtrl) {
      const RectL r = Port(x, top, x + std::max(1L, w), top + st.height);
      mCs.ScaleOn(mScale);
      KxTextDrawControl(r.left, r.top, r.right - r.left, r.bottom - r.top, b, mScale);
      mCs.ScaleOff();
    }
  } else {
    long p, q;
    Visible(k, j, p, q);
    if (vpos & 4) {
      // Small text at half size, against the top of the run or its bottom.
      SStyl small = st;
      small.size = short(((st.size > 0 ? st.size : 12) + 1) / 2);
      small.height = 0;
      mCs.SetStyl(small);
      const long smallTop = (vpos & 2) ? top + st.height - small.height : top;
      mCs.ScaleOn(mScale);
      Chars(p, q, smallTop, small.ascent, small.height);
      mCs.ScaleOff();
      SStyl back = st;
      mCs.SetStyl(back);
    } else {
      mCs.ScaleOn(mScale);
      if (mScale == 0 && !mUni)
        Text(At(p), top, st.ascent, st.height, mText, p, q - p);
      else
        Chars(p, q, top, st.ascent, st.height);
      mCs.ScaleOff();
    }
  }
  if (b != kCR) Decorations(k, j, x, w, top, h, run, false);
}

void LineDrawer::Chars(long p, long q, long top, long ascent, long height) {
  const std::uint8_t* parse = KxScriptParseTable(mCs.GetScript());
  const short script = KxFontToScriptType(KxCurrentPortText().font);
  const CKXStrArray* store = mL.Text();
  const auto* b = reinterpret_cast<const unsigned char*>(mText);
  for (long c = p; c < q;) {
    const long len = parse[b[c]] && c + 1 < q && b[c + 1] != kCR ? 2 : 1;
    if (mUni) {
      const unsigned long u = store->GetUniCharIfExists(mStart + c, mText + c, len, script);
      if (u != 0) {
        const std::uint32_t value = std::uint32_t(u);
        if (mV)
          KxTextDrawUnicode(std::int32_t(mOrigin.h - top), std::int32_t(mOrigin.v + At(c)), std::int32_t(ascent),
                            std::int32_t(height), &value, 1, mScale);
        else
          KxTextDrawUnicode(std::int32_t(mOrigin.h + At(c)), std::int32_t(mOrigin.v + top), std::int32_t(ascent),
                            std::int32_t(height), &value, 1, mScale);
        c += len;
        continue;
      }
    }
    if (b[c] >= kSpace || IsCommandSymbol(b[c])) Text(At(c), top, ascent, height, mText, c, len);
    c += len;
  }
}

void LineDrawer::Leaders(long x, long w, long top, const Run& run, char leader) {
  // A leader never measures under one unit: tiny condensed dots would
  // otherwise divide by zero.
  const long l = std::max<long>(1, mCs.GetWidth(static_cast<unsigned char>(leader)));
  const long n = w / l;
  const long first = x + (w - n * l);
  mCs.ScaleOn(mScale);
  for (long m = 0; m < n; ++m) {
    const long at = first + m * l;
    if (Outside(at, at + l)) continue;
    Text(at, top, run.st.ascent, run.st.height, &leader, 0, 1);
  }
  mCs.ScaleOff();
}

void LineDrawer::Group(long k, long j, const Run& run) {
  const long x = At(k), w = At(j) - x;
  if (Outside(x, x + w)) return;
  const SStyl& st = run.st;
  // Across the column: measured and drawn horizontally.
  mCs.SetVertical(0);
  SStyl across = st;
  mCs.SetStyl(across);
  long t = 0;
  for (long m = k; m < j; ++m) t += mCs.GetWidth(static_cast<unsigned char>(mText[size_t(m)]));
  // Centred in the run's column (top .. top + height from the line's top).
  const long columnTop = mBaseline - st.ascent;
  long s = columnTop + (st.height - t) / 2;
  s = std::max(0L, std::min(s, long(mLineHeight) - t));
  const int net = run.deco.net & 0x0F;
  if (net) {
    const RectL r = Port(x, columnTop, x + w, columnTop + std::min<long>(st.ascent + run.descent + 1, st.height));
    KxTextDrawNet(r.left, r.top, r.right - r.left, r.bottom - r.top, net, run.deco.net >> 4, mScale, 0);
  }
  mCs.ScaleOn(mScale);
  KxTextDrawText(std::int32_t(mOrigin.h - s - t), std::int32_t(mOrigin.v + x), st.ascent, st.height, mText,
                 std::int32_t(k), std::int32_t(j - k), mScale);
  mCs.ScaleOff();
  mCs.SetVertical(1);
  SStyl back = st;
  mCs.SetStyl(back);
  Decorations(k, j, x, w, s, t > 0 ? t : st.ascent + run.descent, run, true);
}

void LineDrawer::Picture(long i, long e, const Run& run) {
  short along = 0, across = 0;
  PicHandle pict = CKXDecoArray::GetPictureSize(run.deco.pictID, along, across, mV);
  const long a = At(std::max(i, e - 1));
  if (Outside(a, a + along)) return;
  const long c = (long(mLineHeight) - across) / 2;
  const RectL r = Port(a, c, a + along, c + across);
  KxTextDrawPicture(r.left, r.top, r.right - r.left, r.bottom - r.top, reinterpret_cast<Handle>(pict), mScale);
}

void LineDrawer::Decorations(long k, long j, long x, long w, long top, long h, const Run& run, bool group) {
  const std::uint16_t bits = run.deco.lineBits;
  if (bits == 0) return;
  int color = bits >> 12;
  if (color == 0) {
    const short nearest = KxGetRGBColorType(run.st.color);
    color = nearest < 0 ? kNoColorMatch : nearest;
  }
  const int inter = bits & 7, under = (bits >> 3) & 7, centre = (bits >> 6) & 7, upper = (bits >> 9) & 7;
  // Emphasis dots stand on the right of a vertical column, as readers expect.
  if (under) DecoLine(mV && under == kKindDots ? Where::kUpper : Where::kLower, under, k, j, x, w, top, h, color, group);
  if (centre) DecoLine(Where::kMiddle, centre, k, j, x, w, top, h, color, group);
  if (upper) DecoLine(mV && upper == kKindDots ? Where::kLower : Where::kUpper, upper, k, j, x, w, top, h, color, group);
  if (inter) {
    const bool holdsStart = run.decoStart >= k && run.decoStart < j;
    const bool holdsEnd = run.decoEnd > k && run.decoEnd <= j;
    int cut = 0;
    const int kind = KxInterLineKind(inter, holdsStart, holdsEnd, cut);
    if (kind == 0) return;
    const long space = std::max(0L, long(mLineHeight) - (top + h));
    const long limit = long(mLineHeight) - LineExtent(kind);
    long y = top + h - 2 + std::min(space, mV ? 4L : 3L);
    // Never above the baseline: with a descent of one unit and no space
    // below (IPA Gothic at 12 points) y would fall on the glyphs' last row,
    // and a thin or dotted clause line would vanish into the text. Scaled,
    // the glyphs stand on scale(top) + scale(ascent), which can round past
    // scale(y): step on until the line clears them (in vertical writing the
    // line lies left of the turned baseline, so the port x falls).
    y = std::max(y, top + long(run.st.ascent));
    const std::int32_t across = mV ? mOrigin.h : mOrigin.v, sign = mV ? -1 : 1;
    const auto port = [&](long c) { return sign * KxDrawScale(std::int32_t(across + sign * c), mScale); };
    const long glyphs = port(top) + KxDrawScale(run.st.ascent, mScale);
    while (y < limit && port(y) < glyphs) ++y;
    y = std::max(0L, std::min(y, limit));
    Line(x, x + w - cut, y, kind, color);
  }
}

void LineDrawer::DecoLine(Where where, int kind, long k, long j, long x, long w, long top, long h, int color,
                          bool group) {
  if (kind > kKindDots) return;
  const int extent = kind == kKindDots ? kDotSize : LineExtent(kind);
  long y = 0;
  switch (where) {
    case Where::kLower:
      y = top + h - 1;
      if (kind == kKindDouble || kind == kKindThick || kind == kKindDots)
        y = top + h - 2 + (kind == kKindThick ? 2 : 3);
      y = std::min(y, long(mLineHeight) - extent);
      break;
    case Where::kMiddle: y = top + h / 2; break;
    case Where::kUpper: {
      const long gap = kind == kKindThick ? 3 : (kind == kKindDouble || kind == kKindDots) ? 4 : 2;
      y = top - std::min(gap, std::max(0L, top));
      if (kind == kKindDouble) ++y;
      break;
    }
  }
  if (kind != kKindDots) {
    static_assert(kKindSolid == 1 && kKindDotted == 4, "decoration kinds 1-4 are line kinds 1-4");
    Line(x, x + w, y, kind, color);
    return;
  }
  if (group) {
    const long c = x + w / 2;
    Line(c - kDotSize / 2, c + kDotSize / 2, y, kKindThick, color);
    return;
  }
  // One dot a character, in the middle of its advance; bytes without an
  // advance of their own (first bytes, zero-width placeholders) have none.
  long p, q;
  Visible(k, j, p, q);
  for (long m = p; m < q; ++m) {
    const long a = At(m), b = At(m + 1);
    if (b <= a || Inside(m + 1)) continue;
    const long c = (a + b) / 2;
    Line(c - kDotSize / 2, c + kDotSize / 2, y, kKindThick, color);
  }
}

void LineDrawer::Ruby() {
  const CKXDecoArray* decos = mL.Decos();
  const CKXStylArray* styls = mL.Styls();
  if (!decos || !styls || mN <= 0 || !decos->IsRubyExist(mStart, mStart + mN)) return;
  const long count = decos->GetSelRubysCount(mStart, mStart + mN);
  const long first = decos->GetSelRubysFirstNumber(mStart, mStart + mN);
  const long P = mGrid.charPitch, L = mGrid.linePitch;
  long lastRun = -1, rubyTop = 0;
  SStyl rs{};
  for (long r = 0; r < count; ++r) {
    SKXRuby ruby;
    if (!decos->GetRubyAt(first + r, ruby)) continue;
    const long b0 = std::clamp(long(ruby.pos) - mStart, 0L, mN);
    const long b1 = std::clamp(long(ruby.pos) + ruby.baseLen - mStart, b0, mN);
    const long rubyLen = std::min<long>(ruby.rubyLen, kKxRubyMaxText);
    if (b1 <= b0 || rubyLen <= 0) continue;
    const long run = styls->GetArrayIndex(mStart + b0);
    if (run != lastRun) {
      lastRun = run;
      SStyl base{};
      styls->GetStylAt(run, base);
      mL.GridStyl(base, mGrid);
      mCs.SetStyl(base);
      rs = base;
      rs.size = short(((base.size > 0 ? base.size : 12) + 1) / 2);
      rs.height = 0;
      mCs.SetStyl(rs);
      const short e = AdjustRubyHeight(&mCs, rs);
      mDs.SetColor(rs);
      rubyTop = std::max(0L, long(mBaseline) - base.ascent - 1 - rs.height);
      if (L && P && P < L) {
        rubyTop = std::max((L - P - rs.height - 1) / 2, 0L);
        if (mV) rubyTop += 1 - e;
      } else if (mV) {
        rubyTop += e;
      }
    } else {
      mCs.SetStyl(rs);
    }
    long span0 = At(b0), span1 = At(b1);
    if (P) span1 = std::max(span0, span1 - (P / 2 - 1));
    const long span = span1 - span0;
    // The ruby's characters and their widths at the ruby size.
    const std::uint8_t* parse = KxScriptParseTable(mCs.GetScript());
    const auto* t = reinterpret_cast<const unsigned char*>(ruby.text);
    long chars = 0, rw = 0;
    for (long c = 0; c < rubyLen;) {
      const long len = parse[t[c]] && c + 1 < rubyLen ? 2 : 1;
      rw += len == 2 ? mCs.DoubleWidth() : mCs.GetWidth(t[c]);
      ++chars;
      c += len;
    }
    long from = span0;
    if (span < rw) from = std::max(0L, span0 - (rw - span) / 2);
    // Spread in tenths: an equal step between characters, half a step at
    // each end.
    long step = (span - rw) * 10 / std::max(chars, 1L);
    if (step < 0) step = 0;
    if (step == 0 && span > rw) step = 1;
    long offset = step / 2;
    mCs.ScaleOn(mScale);
    for (long c = 0; c < rubyLen;) {
      const long len = parse[t[c]] && c + 1 < rubyLen ? 2 : 1;
      const long cw = len == 2 ? mCs.DoubleWidth() : mCs.GetWidth(t[c]);
      const long at = from + (offset + 5) / 10;
      if (!Outside(at, at + cw)) Text(at, rubyTop, rs.ascent, rs.height, ruby.text, c, len);
      offset += step + cw * 10;
      c += len;
    }
    mCs.ScaleOff();
  }
}

void LineDrawer::Markups() {
  if (!mOwner || mN <= 0) return;
  long locs[kMarkupCapacity] = {};
  const long answer = mOwner->GetMarkupLocs(mStart, mN, kMarkupCapacity, locs);
  // The answer counts every markup of the line, also those that did not fit.
  const long usable = std::clamp(answer, 0L, kMarkupCapacity);
  const long y = std::min(long(mLineHeight) - 2, long(mBaseline) + 2);
  for (long m = 0; m + 1 < usable; m += 2) {
    const long a = std::clamp(locs[m], 0L, mN), b = std::clamp(locs[m + 1], a, mN);
    if (b > a) Line(At(a), At(b), y, kKindMarkup, kMarkupColor);
  }
}

}  // namespace

int KxInterLineKind(int interKind, bool holdsStart, bool holdsEnd, int& lengthCut) {
  lengthCut = 0;
  int base;
  switch (interKind) {
    case 1: base = 9; break;    // solid
    case 2: base = 11; break;   // double
    case 3: base = 10; break;   // thick
    case 4: base = 12; break;   // dotted
    case 5: base = 8; break;    // emphasis dots: a row of thick dots
    default: return 0;
  }
  const int form = base - kInterBase;
  if (holdsStart && holdsEnd) {
    if (base >= 9 && base <= 11) return base;   // the forms shorter at both ends
    lengthCut = 1;
    return kInterShortStart + form;
  }
  if (holdsStart) return kInterShortStart + form;
  if (holdsEnd) return kInterShortEnd + form;
  return kInterFull + form;
}

void KxDrawLineText(const CKXTextLayout& layout, const CKXText* owner, const PointL& origin, long start,
                    long length, long width, short lineHeight, const SKXLineStyl& style, short scale,
                    const RectL* clip) {
  LineDrawer drawer(layout, owner, origin, start, lineHeight, style, scale);
  drawer.Draw(length, width, clip);
}
