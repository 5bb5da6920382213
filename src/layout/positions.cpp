// Pen positions of the bytes of a line, justification, and conversion
// between byte columns and pen positions.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "layout/linebreak.h"
#include "platform/script.h"
#include "text/codes/script.h"

namespace {

// The element of the run at start + i and where the run ends relative to
// start, no further than limit; no runs: an all-zero element up to limit.
template <class Elem, class Get>
long RunAt(const CKXPosArray* runs, long start, long i, long limit, Elem& elem, Get get) {
  if (!runs || runs->GetCount() == 0) return limit;
  const SKXRunSpan span = runs->GetRunSpan(start + i, start + limit);
  get(span.index, elem);
  return std::min(span.end - start, limit);
}

// Moves entries from..count right by d.
void ShiftAll(long* positions, long from, long count, long d) {
  for (long i = from; i <= count; ++i) positions[i] += d;
}

}  // namespace

void CKXTextLayout::GetMeasureText(long start, long length, long width, const char* text, long* positions,
                                   const SKXLineStyl* style, char* marks, short* baseline, char* inside) const {
  if (!positions) return;
  if (!text || length < 0) length = 0;
  // Which entries fall inside a character, kept apart from the positions:
  // a pen position may be 0 or negative (a negative first indent) and still
  // be a caret stop.
  std::vector<char> ownInside;
  if (!inside) {
    ownInside.resize(size_t(length) + 1);
    inside = ownInside.data();
  }
  std::memset(inside, 0, size_t(length) + 1);
  auto put = [&](long k, long at, bool within) {
    positions[k] = at;
    inside[k] = within;
  };
  Setup s;
  GetSetup(start, width, style, s, nullptr, nullptr);
  const long P = s.grid.charPitch, L = s.grid.linePitch;
  const bool vertical = s.style.vertical != 0;
  const long len = TextLength();
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  if (marks && length > 0) std::memset(marks, 0, size_t(length));
  auto mark = [&](long i) {
    if (marks) marks[i] = 1;
  };

  long x = s.pen;
  positions[0] = x;
  long maxAscent = 0, maxHeight = 0, drop = 0;
  CKXCharState cs;
  cs.SetVertical(vertical);

  long i = 0;
  while (i < length) {
    SStyl st{};
    const long runEnd = RunAt(mStyls, start, i, length, st, [&](long k, SStyl& e) { mStyls->GetStylAt(k, e); });
    GridStyl(st, s.grid);
    cs.SetStyl(st);
    maxAscent = std::max<long>(maxAscent, st.ascent);
    maxHeight = std::max<long>(maxHeight, st.height);
    const std::uint8_t* parse = KxScriptParseTable(cs.GetScript());
    const short script = KxFontToScriptType(st.font);
    const bool uni = mText->IsUniCharExist(start + i, start + runEnd);
    bool pending = false;
    long carry = -1;

    // The width of byte k as line layout measures it (Unicode side entries
    // included); sets `lead` for a first byte that waits for its second.
    auto widthOf = [&](long k, bool alongColumn, bool& lead) -> long {
      const unsigned char b = bytes[k];
      const bool second = pending;
      lead = !pending && parse[b];
      long w;
      if (lead && (k + 1 >= length || bytes[k + 1] == 13)) {
        lead = false;  // a lone lead byte stands for itself
        w = std::max(1L, long(cs.DoubleWidth() / 2));
      } else {
        w = cs.GetWidth(b);
        if (lead && uni) {
          if (const auto u = mText->GetUniCharIfExists(start + k, text + k, 2, script))
            carry = alongColumn ? KxGetUnicodeCharHeight() : KxGetUnicodeCharWidth(u);
        } else if (second && carry >= 0) {
          w = carry;
        } else if (uni && !second) {
          if (const auto u = mText->GetUniCharIfExists(start + k, text + k, 1, script))
            w = alongColumn ? KxGetUnicodeCharHeight() : KxGetUnicodeCharWidth(u);
        }
        if (!lead) carry = -1;
      }
      pending = lead;
      return w;
    };

    while (i < runEnd) {
      SDeco d{};
      const long decoEnd = RunAt(mDecos, start, i, runEnd, d, [&](long k, SDeco& e) { mDecos->GetDecoAt(k, e); });
      const int vpos = d.flags & 7;
      if (vpos >= 1 && vpos <= 3 && baseline) {
        const long half = st.ascent / 2;
        long h = st.height + half;
        if (L) h = std::min(h, L);
        maxHeight = std::max(maxHeight, h);
        if (vpos != 2) {
          long a = st.ascent + half;
          if (L) a = std::min(a, L);
          if (vertical && L && P) --a;
          maxAscent = std::max(maxAscent, a);
        }
      }
      if (d.pictID != 0) {
        short along = 0, across = 0;
        CKXDecoArray::GetPictureSize(d.pictID, along, across, vertical);
        long h = across;
        if (L) h = std::min(h, L);
        if (h > maxHeight) {
          drop += (h - maxHeight) / 2;
          maxHeight = h;
        }
        for (; i < decoEnd - 1; ++i) put(i + 1, x, true);
        const long w = std::max<long>(along, 1);
        if (P) {
          if (P > w) positions[i] = x + (P - w) / 2;
          mark(i);
          x += P;
        } else {
          x += w;
        }
        put(++i, x, false);
        pending = false;
        continue;
      }
      const bool group = (d.flags & 0x08) && vertical;
      while (i < decoEnd) {
        const unsigned char b = bytes[i];
        auto endsGroup = [](unsigned char c) { return c == 9 || c == 13 || (c < 0x20 && (c < 17 || c > 20)); };
        if (group && !endsGroup(b)) {
          // A horizontal group takes one cell across the column; its bytes
          // are spread evenly over the cell.
          long j = i, sum = 0, counted = 0;
          for (; j < decoEnd && !endsGroup(bytes[j]); ++j) {
            bool lead;
            const long w = widthOf(j, false, lead);
            if (w > 0) {
              sum += w;
              ++counted;
            }
            put(j + 1, x + sum, w <= 0);
          }
          const long advance = (P ? P : st.height) + std::max(0L, s.charSpace);
          const long cellStart = x + (P > st.height ? (P - st.height) / 2 : 0);
          const long step = counted ? st.height / counted : 0;
          long k = 0;
          for (long m = i; m < j; ++m) positions[m + 1] = cellStart + (inside[m + 1] ? k : ++k) * step;
          x += advance;
          if (!inside[j]) positions[j] = x;
          long g = L ? std::min(sum, L) : sum;
          if (g > maxHeight) {
            drop += (g - maxHeight) / 2 + ((L && P && P <= sum && sum < L) ? 1 : 0);
            maxHeight = g;
          }
          i = j;
          continue;
        }
        const bool second = pending;
        bool lead;
        long w = widthOf(i, vertical, lead);
        const bool tab = b == 9;
        if (tab) {
          const long t =
              s.usePara ? GetTabWidthExt(x, start + i, short(P ? s.grid.tabCells * P : s.style.tabInterval), s.para,
                                         style, marks, i)
                        : [&] {
                            long iv = s.style.tabInterval > 0 ? s.style.tabInterval : kKxDefaultTabInterval;
                            long q = x >= 0 ? x / iv : -((-x + iv - 1) / iv);
                            return (q + 1) * iv - x;
                          }();
          if (t >= 1) w = t;
        } else if ((vpos & 4) && w > 1) {
          w >>= 1;
        }
        if (!tab && s.charSpace > 0 && w > 0) {
          w += s.charSpace;
          mark(i);
        }
        if (w == 0 || lead) {
          put(i + 1, x, true);
          ++i;
          continue;
        }
        if (w < 0) w = i == 0 ? 1 : 0;
        long advance = w;
        if (P) {
          // The glyph is centred in its cell.
          const long glyph = b == 13 ? 8 : w;
          if (P > glyph) {
            const long at = x + (P - glyph) / 2;
            if (second && i > 0) {
              put(i - 1, at, false);
              put(i, at, true);
            } else {
              put(i, at, false);
            }
          }
          if (!tab) advance = P;
          mark(i);
        }
        x += advance;
        put(++i, x, false);
      }
    }
  }

  // Alignment.
  const bool lastCR = length > 0 && bytes[length - 1] == 13;
  const long avail = s.avail;
  if (P) {
    if (length == 0) positions[0] += P / 3;
    if (s.justify == 1 || s.justify == 2) {
      long spare = (avail / P) * P - (x / P) * P + (lastCR ? P : 0);
      if (s.justify == 1) spare = P * (spare / 2 / P);
      if (spare > 0) ShiftAll(positions, 0, length, spare);
    }
  } else {
    const long spare = avail - x;
    if (s.justify == 2) {
      if (spare >= 1) ShiftAll(positions, 0, length, spare);
    } else if (s.justify == 1) {
      if (spare / 2 >= 1) ShiftAll(positions, 0, length, spare / 2);
    } else if (s.justify == 3 && s.style.wrap && start + length < len && !(lastCR && spare >= 0) &&
               !(spare >= -2 && spare <= 2)) {
      SpaceMeasureText(positions, inside, length, spare, text, marks);
    }
  }

  if (baseline) {
    const long H = maxHeight, A = maxAscent + drop;
    long bl;
    if (L && L > H) {
      if (P > H && L > P)
        bl = A + (P - H) / 2 + (L - P);
      else if (H >= L - 2)
        bl = A + (L - H) - (H < L - 1 ? 1 : 0);
      else
        bl = A + (L - H) - 2;
    } else if (L) {
      bl = A;
    } else {
      bl = A + (s.lineSpace > 0 ? s.lineSpace >> 1 : 0);
      if (length > 0 && mDecos && mDecos->IsRubyExist(start, start + length)) {
        short rubyHeight = 0, rubyAscent = 0;
        GetRubyLineHeight(start, length, rubyHeight, rubyAscent, &cs, s.grid.font, s.grid.size);
        bl = std::max<long>(bl, rubyAscent);
      }
    }
    *baseline = short(std::clamp(bl, -32768L, 32767L));
  }
}

void CKXTextLayout::SpaceMeasureText(long* positions, const char* inside, long length, long spare, const char* text,
                                     char* marks) const {
  if (!positions || !text || length < 1) return;
  long first = 0;
  for (long i = length - 1; i >= 0; --i)
    if (text[i] == 9) {
      first = i + 1;
      break;
    }
  long spaces = 0;
  for (long i = first; i < length - 1; ++i)
    if (text[i] == ' ') ++spaces;
  if (text[length - 1] == ' ' && spaces > 0) {
    // The trailing space hangs outside the line: its width is spread too.
    CKXFontState port;
    spare += port.GetWidth(' ');
  }
  const long units = spaces > 0 ? spaces : length - first - 1;
  if (units < 1 || spare == 0) return;

  const long sign = spare < 0 ? -1 : 1, total = std::labs(spare);
  long amount = spare / units, every = 1, remainder = 0, extraEvery = 0;
  if (amount == 0) {
    amount = sign;
    every = (units * 10 / total + 5) / 10;
    if (every == 0) return;
  } else {
    remainder = spare % units;
    // No remainder, nothing to spread (and no step to divide by).
    if (remainder != 0) extraEvery = (units * 10 / std::labs(remainder) + 5) / 10;
  }

  // One pass: the shift of every entry is the sum of the units before it; a
  // unit that falls inside a double-byte character moves one byte on, and
  // so does its mark (the drawing cuts its runs after each marked byte).
  long shifted = 0, acc = 0, waiting = 0, unit = 0;
  for (long i = first; i < length; ++i) {
    const bool isUnit = i < length - 1 && (spaces > 0 ? text[i] == ' ' : true);
    if (isUnit && shifted < total) {
      ++unit;
      if (unit % every == 0) {
        long d = amount;
        if (extraEvery > 0 && unit % extraEvery == 0) d += remainder < 0 ? -1 : 1;
        d = sign * std::min(std::labs(d), total - shifted);
        shifted += std::labs(d);
        waiting += d;
      }
    }
    if (!inside || !inside[i + 1]) {
      if (marks && waiting != 0) marks[i] = 1;
      acc += waiting;
      waiting = 0;
    }
    positions[i + 1] += acc;
  }
}

long CKXTextLayout::GetColumnToSize(long start, long length, long width, long column, const SKXLineStyl& style) const {
  const long len = TextLength();
  start = std::clamp(start, 0L, len);
  length = std::clamp(length, 0L, len - start);
  std::vector<char> text(size_t(length) + 1);
  long n = length;
  mText->GetSelText(start, start + length, text.data(), n);
  std::vector<long> pos(size_t(n) + 1);
  GetMeasureText(start, n, width, text.data(), pos.data(), &style, nullptr, nullptr);
  return pos[size_t(std::clamp(column, 0L, n))];
}

long CKXTextLayout::GetSizeToColumn(long start, long length, long width, long x, const SKXLineStyl& style) const {
  const long len = TextLength();
  start = std::clamp(start, 0L, len);
  length = std::clamp(length, 0L, len - start);
  if (length <= 0 || x < 1) return 0;
  std::vector<char> text(static_cast<size_t>(length));
  long n = length;
  mText->GetSelText(start, start + length, text.data(), n);
  if (n <= 0) return 0;
  std::vector<long> pos(size_t(n) + 1);
  std::vector<char> inside(size_t(n) + 1);
  GetMeasureText(start, n, width, text.data(), pos.data(), &style, nullptr, nullptr, inside.data());
  if (x < pos[0]) return 0;
  long i = 0;
  for (; i < n; ++i) {
    const long a = pos[size_t(i)], b = pos[size_t(i + 1)];
    if (a <= x && x < b) break;
  }
  if (i < n) {
    const long a = pos[size_t(i)], b = pos[size_t(i + 1)];
    if (x > a + (b - a) / 2 + 1) ++i;
  } else if (text[size_t(n - 1)] == 13) {
    i = n - 1;  // not past the paragraph's end
  }
  if (inside[size_t(i)]) {
    while (i > 0 && inside[size_t(i)]) --i;
    return i;
  }
  if (i == 1 && pos[1] == pos[0]) return 0;
  while (i < n && !inside[size_t(i + 1)] && pos[size_t(i + 1)] == pos[size_t(i)]) ++i;
  return i;
}
