#include "formats/aozora.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string_view>
#include <utility>

#include "formats/aozora_jisx0213.h"
#include "layout/fontstate.h"
#include "platform/script.h"
#include "platform/utf16.h"
#include "text/codes/script.h"
#include "text/store/text.h"
#include "text/codes/unicode.h"

namespace {
#include "formats/tables/aozora_markers.inc"

constexpr char kCR = 13;
constexpr std::uint16_t kPlaceholder = 0x81FC;
constexpr long kMaxRubyText = 1023;  // longest stretch searched for the closing 》
constexpr long kMaxSpaces = 511;
constexpr long kMaxNumber = 1000000;

// ---- characters -------------------------------------------------------------------

long CharLen(const std::string& s, long i) {
  return KxTextCharFirst(static_cast<unsigned char>(s[i]), kScriptJapanese) && i + 1 < static_cast<long>(s.size())
             ? 2
             : 1;
}

std::uint16_t CharAt(const std::string& s, long i) {
  if (CharLen(s, i) == 2)
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s[i]) << 8 | static_cast<unsigned char>(s[i + 1]));
  return static_cast<unsigned char>(s[i]);
}

bool At(const std::string& s, long i, std::string_view m) {
  return i >= 0 && static_cast<size_t>(i) + m.size() <= s.size() && s.compare(i, m.size(), m) == 0;
}

// Character starts of the whole text (and its end).
std::vector<std::uint8_t> Boundaries(const std::string& s) {
  const long n = static_cast<long>(s.size());
  std::vector<std::uint8_t> b(n + 1, 0);
  for (long i = 0; i < n; i += CharLen(s, i)) b[i] = 1;
  b[n] = 1;
  return b;
}

// The first match of `m` at a character start in [from, to); -1 when none.
long Find(const std::string& s, long from, long to, std::string_view m) {
  for (long i = from; i < to; i += CharLen(s, i))
    if (At(s, i, m) && i + static_cast<long>(m.size()) <= to) return i;
  return -1;
}

// A decimal number at i: ASCII or full-width digits. `end` gets the offset
// after it; no digit gives 0 with end == i.
long NumberOfJiSage(const std::string& s, long i, long& end) {
  long v = 0;
  end = i;
  for (;;) {
    long d;
    if (end < static_cast<long>(s.size()) && s[end] >= '0' && s[end] <= '9') {
      d = s[end] - '0';
      end += 1;
    } else if (end + 1 < static_cast<long>(s.size()) && static_cast<unsigned char>(s[end]) == 0x82 &&
               static_cast<unsigned char>(s[end + 1]) >= 0x4F && static_cast<unsigned char>(s[end + 1]) <= 0x58) {
      d = static_cast<unsigned char>(s[end + 1]) - 0x4F;
      end += 2;
    } else {
      return v;
    }
    v = std::min(v * 10 + d, kMaxNumber);
  }
}

std::int16_t Points(long count, long unit) {
  return static_cast<std::int16_t>(std::clamp<long long>(static_cast<long long>(count) * unit, 0, 32767));
}

// Matching brackets "［" ... "］" of each line, nested notes included.
class CBrackets {
 public:
  explicit CBrackets(const std::string& s) {
    const long n = static_cast<long>(s.size());
    std::vector<size_t> open;
    for (long i = 0; i < n; i += CharLen(s, i)) {
      if (s[i] == kCR) {
        open.clear();
      } else if (At(s, i, sOpenBracket)) {
        open.push_back(mPairs.size());
        mPairs.emplace_back(i, -1);
      } else if (At(s, i, sCtlDescEnd) && !open.empty()) {
        mPairs[open.back()].second = i;
        open.pop_back();
      }
    }
  }
  // The "］" closing the "［" at i, or -1.
  long Close(long i) const {
    auto it = std::lower_bound(mPairs.begin(), mPairs.end(), std::make_pair(i, -2L));
    return it != mPairs.end() && it->first == i ? it->second : -1;
  }

 private:
  std::vector<std::pair<long, long>> mPairs;
};

// ---- edits ----------------------------------------------------------------------------

struct SEdit {
  long from;
  long to;
  std::string repl;
  std::vector<SKXUniChar> uni;  // offsets into repl
  bool tcy = false;             // repl is horizontal in vertical writing
};

struct SSeg {
  long oldStart;
  long newStart;
  long len;
};

// Copied stretches of one pass, for carrying offsets over to the new text.
class CMap {
 public:
  CMap(std::vector<SSeg> segs, long newLen) : mSegs(std::move(segs)), mNewLen(newLen) {}
  // A start: the first surviving byte at or after p.
  long Start(long p) const {
    auto it = std::partition_point(mSegs.begin(), mSegs.end(),
                                   [p](const SSeg& g) { return g.oldStart + g.len <= p; });
    if (it == mSegs.end()) return mNewLen;
    return it->oldStart <= p ? it->newStart + p - it->oldStart : it->newStart;
  }
  // An end: just after the last surviving byte before p.
  long End(long p) const {
    auto it = std::partition_point(mSegs.begin(), mSegs.end(), [p](const SSeg& g) { return g.oldStart < p; });
    if (it == mSegs.begin()) return 0;
    --it;
    return p <= it->oldStart + it->len ? it->newStart + p - it->oldStart : it->newStart + it->len;
  }
  // The new offset of byte p, or -1 when it was dropped.
  long Byte(long p) const {
    auto it = std::partition_point(mSegs.begin(), mSegs.end(),
                                   [p](const SSeg& g) { return g.oldStart + g.len <= p; });
    return it != mSegs.end() && it->oldStart <= p ? it->newStart + p - it->oldStart : -1;
  }

 private:
  std::vector<SSeg> mSegs;
  long mNewLen;
};

// Applies sorted, non-overlapping edits and carries every annotation over.
// `rubys`, `spans` and `paras` are new annotations in the old offsets.
bool Apply(SKXAozoraText& t, const std::vector<SEdit>& edits, std::vector<SKXRuby> rubys = {},
           std::vector<SKXAozoraSpan> spans = {}, std::vector<SKXAozoraPara> paras = {}) {
  if (edits.empty() && rubys.empty() && spans.empty() && paras.empty()) return false;
  const std::string& s = t.bytes;
  std::string out;
  out.reserve(s.size());
  std::vector<SSeg> segs;
  std::vector<SKXUniChar> newUni;
  std::vector<SKXAozoraSpan> newSpans;
  long cur = 0;
  for (const SEdit& e : edits) {
    if (e.from > cur) {
      segs.push_back({cur, static_cast<long>(out.size()), e.from - cur});
      out.append(s, cur, e.from - cur);
    }
    const long at = static_cast<long>(out.size());
    for (const SKXUniChar& u : e.uni) newUni.push_back({static_cast<std::int32_t>(at + u.offset), u.value});
    if (e.tcy && !e.repl.empty()) newSpans.push_back({at, at + static_cast<long>(e.repl.size())});
    out += e.repl;
    cur = std::max(cur, e.to);
  }
  if (cur < static_cast<long>(s.size())) {
    segs.push_back({cur, static_cast<long>(out.size()), static_cast<long>(s.size()) - cur});
    out.append(s, cur, std::string::npos);
  }
  const CMap map(std::move(segs), static_cast<long>(out.size()));

  std::vector<SKXUniChar> uni;
  for (const SKXUniChar& u : t.uniChars)
    if (long p = map.Byte(u.offset); p >= 0) uni.push_back({static_cast<std::int32_t>(p), u.value});
  std::vector<SKXUniChar> merged(uni.size() + newUni.size());
  std::merge(uni.begin(), uni.end(), newUni.begin(), newUni.end(), merged.begin(),
             [](const SKXUniChar& a, const SKXUniChar& b) { return a.offset < b.offset; });
  t.uniChars = std::move(merged);

  auto mapRubys = [&](const std::vector<SKXRuby>& in, std::vector<SKXRuby>& to) {
    for (SKXRuby r : in) {
      const long a = map.Start(r.pos), b = map.End(r.pos + r.baseLen);
      if (b <= a) continue;
      r.pos = static_cast<std::int32_t>(a);
      r.baseLen = static_cast<unsigned char>(b - a);
      to.push_back(r);
    }
  };
  std::vector<SKXRuby> allRubys;
  mapRubys(t.rubys, allRubys);
  mapRubys(rubys, allRubys);
  std::sort(allRubys.begin(), allRubys.end(), [](const SKXRuby& a, const SKXRuby& b) { return a.pos < b.pos; });
  t.rubys = std::move(allRubys);

  auto mapSpans = [&](const std::vector<SKXAozoraSpan>& in) {
    for (const SKXAozoraSpan& sp : in) {
      const long a = map.Start(sp.start), b = map.End(sp.end);
      if (b > a) newSpans.push_back({a, b});
    }
  };
  mapSpans(t.tateChuYoko);
  mapSpans(spans);
  std::sort(newSpans.begin(), newSpans.end(),
            [](const SKXAozoraSpan& a, const SKXAozoraSpan& b) { return a.start < b.start; });
  t.tateChuYoko = std::move(newSpans);

  auto mapParas = [&](std::vector<SKXAozoraPara>& in) {
    for (SKXAozoraPara& p : in) {
      const long a = map.Start(p.start);
      p.end = p.end > p.start ? std::max(a, map.End(p.end)) : a;
      p.start = a;
    }
  };
  mapParas(t.paras);
  mapParas(paras);
  t.paras.insert(t.paras.end(), paras.begin(), paras.end());
  t.bytes = std::move(out);
  return true;
}

// ---- pass 1: the explanatory block at the head ---------------------------------------

bool IsHyphenLine(const std::string& s, long a, long b) {
  if (b - a < static_cast<long>(sExplanatoryNotes.size())) return false;
  for (long i = a; i < b; ++i)
    if (s[i] != '-') return false;
  return true;
}

bool PassExplanatoryNotes(SKXAozoraText& t) {
  const std::string& s = t.bytes;
  const long n = static_cast<long>(s.size());
  long first = -1;
  for (long ps = 0; ps < n;) {
    const long cr = static_cast<long>(s.find(kCR, ps));
    const long pe = cr < 0 ? n : cr;
    // Wherever the pair stands: a title with a reading or an author with a
    // described character comes before it.
    if (IsHyphenLine(s, ps, pe)) {
      if (first >= 0) return Apply(t, {{first, cr < 0 ? n : cr + 1, {}, {}, false}});
      first = ps;
    }
    if (cr < 0) break;
    ps = cr + 1;
  }
  return false;
}

// ---- pass 2: character notes -------------------------------------------------------------

// Plane, row and cell after a prefix: numbers joined by "-", spaces ignored.
bool ParseMenKuTen(const std::string& s, long p, long end, long nums[3]) {
  long count = 0, dashes = 0;
  for (;;) {
    while (p < end && s[p] == ' ') ++p;
    long q;
    const long v = NumberOfJiSage(s, p, q);
    if (q == p || q > end) break;
    if (count < 3) nums[count] = v;
    ++count;
    p = q;
    while (p < end && s[p] == ' ') ++p;
    if (p < end && s[p] == '-') {
      ++dashes;
      ++p;
    } else {
      break;
    }
  }
  return count >= 3 && dashes >= 2;
}

void PutChar(SEdit& e, char32_t cp, bool unicode, bool& ok) {
  if (const std::int32_t code = KxScriptFromUnicode(cp, kScriptJapanese); code >= 0) {
    if (code > 0xFF) e.repl += static_cast<char>(code >> 8);
    e.repl += static_cast<char>(code & 0xFF);
    return;
  }
  if (!unicode) {
    ok = false;
    return;
  }
  std::uint32_t value = cp;
  if (cp > 0xFFFF) value = std::uint32_t(KxHighSurrogate(cp)) << 16 | KxLowSurrogate(cp);
  e.uni.push_back({static_cast<std::int32_t>(e.repl.size()), value});
  e.repl += static_cast<char>(kPlaceholder >> 8);
  e.repl += static_cast<char>(kPlaceholder & 0xFF);
}

bool PassCharacterNotes(SKXAozoraText& t, bool unicode) {
  const std::string& s = t.bytes;
  const long n = static_cast<long>(s.size());
  const CBrackets brackets(s);
  std::vector<SEdit> edits;
  for (long i = 0; i < n;) {
    if (!At(s, i, sChrDescStart)) {
      i += CharLen(s, i);
      continue;
    }
    const long close = brackets.Close(i + 2);
    if (close < 0) {
      i += sChrDescStart.size();
      continue;
    }
    const long body = i + static_cast<long>(sChrDescStart.size());
    const long end = close + static_cast<long>(sChrDescEnd.size());
    long p = -1;
    for (std::string_view prefix : {sJIS3Prefix, sJIS4Prefix, sMenKuTenPrefix, sTenPrefix})
      if ((p = Find(s, body, close, prefix)) >= 0) {
        p += static_cast<long>(prefix.size());
        break;
      }
    long nums[3] = {0, 0, 0};
    std::uint16_t code = 0;
    if (p >= 0 && ParseMenKuTen(s, p, close, nums)) code = KxJISX0213ToSJIS(nums[0], nums[1], nums[2]);
    if (code) {
      SEdit e{i, end, {}, {}, false};
      bool ok = true;
      char32_t cps[2];
      int count = 0;
      if (nums[0] < 2 && KxJISX0208HasCell(nums[1], nums[2])) {
        e.repl = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
      } else if ((count = KxJISX0213ToUnicode(nums[0], nums[1], nums[2], cps)) > 0) {
        for (int k = 0; k < count; ++k) PutChar(e, cps[k], unicode, ok);
      } else {
        ok = false;
      }
      if (!ok) {
        e.uni.clear();
        e.repl.clear();
        if (Find(s, body, close, sKanTanFu3Prefix) >= 0)
          e.repl = sKanTanFu3Char;
        else if (Find(s, body, close, sGiMonFu3Prefix) >= 0)
          e.repl = sGiMonFu3Char;
        e.tcy = true;
        ok = !e.repl.empty();
      }
      if (ok) edits.push_back(std::move(e));
    }
    i = end;
  }
  return Apply(t, edits);
}

// ---- pass 3: breaks ---------------------------------------------------------------------------

bool PassBreaks(SKXAozoraText& t) {
  const std::string& s = t.bytes;
  const long n = static_cast<long>(s.size());
  std::vector<SEdit> edits;
  for (long i = 0; i < n;) {
    long len = 0;
    for (std::string_view m : {sKaiChou, sKaiPage, sKaiDan})
      if (At(s, i, m)) len = static_cast<long>(m.size());
    if (!len) {
      i += CharLen(s, i);
      continue;
    }
    // The note becomes the break; the line end right after it goes with it,
    // the rest of the line stays.
    long end = i + len;
    if (end < n && s[end] == kCR) ++end;
    edits.push_back({i, end, std::string("\x0C\x0D", 2), {}, false});
    i = end;
  }
  return Apply(t, edits);
}

// ---- pass 4: two-character repetition marks -----------------------------------------------

bool PassOdoRiJi(SKXAozoraText& t) {
  const std::string& s = t.bytes;
  const long n = static_cast<long>(s.size());
  std::vector<SEdit> edits;
  const std::string two = {static_cast<char>(kPlaceholder >> 8), static_cast<char>(kPlaceholder & 0xFF),
                           static_cast<char>(kPlaceholder >> 8), static_cast<char>(kPlaceholder & 0xFF)};
  for (long i = 0; i < n;) {
    std::uint32_t first = 0;
    long len = 0;
    if (At(s, i, sOdoRiJiPrefix)) {
      first = 0x3033;
      len = static_cast<long>(sOdoRiJiPrefix.size());
    } else if (At(s, i, sDakuOdoRiJiPrefix)) {
      first = 0x3034;
      len = static_cast<long>(sDakuOdoRiJiPrefix.size());
    }
    if (!len) {
      i += CharLen(s, i);
      continue;
    }
    edits.push_back({i, i + len, two, {{0, first}, {2, 0x3035}}, false});
    i += len;
  }
  return Apply(t, edits);
}

// ---- pass 5: ruby ---------------------------------------------------------------------------

bool IsRubyBaseChar(std::uint16_t c) {
  return (c < 0x80 && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) || c == 0x8156 || c == 0x8158 ||
         c == 0x8159 || (c >= 0x889F && c <= 0xEAA3) || c == kPlaceholder;
}

SKXRuby MakeRuby(long pos, long baseLen, std::string_view text) {
  SKXRuby r{};
  r.pos = static_cast<std::int32_t>(pos);
  r.baseLen = static_cast<unsigned char>(baseLen);
  r.rubyLen = static_cast<unsigned char>(text.size());
  std::memcpy(r.text, text.data(), text.size());
  return r;
}

bool PassRuby(SKXAozoraText& t) {
  const std::string& s = t.bytes;
  const long n = static_cast<long>(s.size());
  std::vector<SEdit> edits;
  std::vector<SKXRuby> rubys;
  long bar = -1;      // the last "｜" since the limit
  long runStart = 0;  // start of the run of base characters before i
  for (long i = 0; i < n;) {
    const long len = CharLen(s, i);
    if (static_cast<unsigned char>(s[i]) < 32) {
      bar = -1;
      runStart = i + 1;
      i += 1;
      continue;
    }
    if (At(s, i, sRubyBar)) {
      bar = i;
      runStart = i + len;
      i += len;
      continue;
    }
    if (!At(s, i, sRubyStart)) {
      if (!IsRubyBaseChar(CharAt(s, i))) runStart = i + len;
      i += len;
      continue;
    }
    const long textStart = i + static_cast<long>(sRubyStart.size());
    long close = -1;
    bool control = false;
    for (long j = textStart; j < n && j - textStart <= kMaxRubyText; j += CharLen(s, j)) {
      if (static_cast<unsigned char>(s[j]) < 32) {
        control = true;
        break;
      }
      if (At(s, j, sRubyEnd)) {
        close = j;
        break;
      }
    }
    if (close < 0 || control) {
      runStart = textStart;
      i = textStart;
      continue;
    }
    const long baseStart = bar >= 0 ? bar + static_cast<long>(sRubyBar.size()) : runStart;
    const long baseLen = i - baseStart, rubyLen = close - textStart;
    const long end = close + static_cast<long>(sRubyEnd.size());
    // A base or ruby beyond the ruby record's limits keeps its notation.
    if (rubyLen > 0 && rubyLen <= kKxRubyMaxText && baseLen > 0 && baseLen <= kKxRubyMaxBase) {
      if (bar >= 0) edits.push_back({bar, bar + static_cast<long>(sRubyBar.size()), {}, {}, false});
      edits.push_back({i, end, {}, {}, false});
      rubys.push_back(MakeRuby(baseStart, baseLen, std::string_view(s).substr(textStart, rubyLen)));
    }
    bar = -1;
    runStart = end;
    i = end;
  }
  return Apply(t, edits, std::move(rubys));
}

// ---- pass 6: emphasis, sic and horizontal-in-vertical notes ---------------------------------

struct SEnding {
  std::string_view text;
  std::string_view mark;  // emphasis mark; empty for the others
  int kind;               // 0 emphasis, 1 sic, 2 horizontal in vertical
};

const SEnding kEndings[] = {
    {sBouten, sBoutenMark, 0},           {sSiroGoMaBouten, sBoutenMark, 0},
    {sMaruBouten, sMaruMark, 0},         {sSiroMaruBouten, sSiroMaruMark, 0},
    {sNiJyuuMaruBouten, sNiJyuuMaruMark, 0}, {sKuroSanKakuBouten, sKuroSanKakuMark, 0},
    {sSiroSanKakuBouten, sSiroSanKakuMark, 0}, {sJyaNoMeBouten, sNiJyuuMaruMark, 0},
    {sMaMaNoChuKi, {}, 1},               {sMaMaOldStyle, {}, 1},
    {sTateChuYoko, {}, 2},
};

// Rubies already there, and those this pass adds, by base range.
class CRubyCover {
 public:
  explicit CRubyCover(const std::vector<SKXRuby>& rubys) {
    for (const SKXRuby& r : rubys) mRanges[r.pos] = r.pos + r.baseLen;
  }
  bool Overlaps(long a, long b) const {
    auto it = mRanges.lower_bound(b);
    if (it == mRanges.begin()) return false;
    --it;
    return it->second > a;
  }
  void Add(long a, long b) { mRanges[a] = b; }

 private:
  std::map<long, long> mRanges;
};

bool PassEmphasis(SKXAozoraText& t) {
  const std::string& s = t.bytes;
  const long n = static_cast<long>(s.size());
  const CBrackets brackets(s);
  const std::vector<std::uint8_t> starts = Boundaries(s);
  CRubyCover cover(t.rubys);
  std::vector<SEdit> edits;
  std::vector<SKXRuby> rubys;
  std::vector<SKXAozoraSpan> spans;
  const long head = static_cast<long>(sCtlDescStart.size() + sQuoteStart.size());
  for (long i = 0; i < n;) {
    if (!At(s, i, sCtlDescStart) || !At(s, i + static_cast<long>(sCtlDescStart.size()), sQuoteStart)) {
      i += CharLen(s, i);
      continue;
    }
    const long close = brackets.Close(i);
    if (close < 0) {
      i += static_cast<long>(sCtlDescStart.size());
      continue;
    }
    const SEnding* ending = nullptr;
    long quoteEnd = -1;
    for (const SEnding& e : kEndings) {
      const long q = close - static_cast<long>(e.text.size() + sQuoteEnd.size());
      if (q >= i + head && starts[q] && At(s, q, sQuoteEnd) && At(s, q + sQuoteEnd.size(), e.text)) {
        ending = &e;
        quoteEnd = q;
        break;
      }
    }
    const long end = close + static_cast<long>(sCtlDescEnd.size());
    if (!ending) {
      i = end;
      continue;
    }
    // X must stand right before the note, notes deleted just before it aside.
    long before = i, floor = 0;
    for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
      if (it->to != before) {
        floor = it->to;
        break;
      }
      before = it->from;
    }
    const std::string_view x = std::string_view(s).substr(i + head, quoteEnd - i - head);
    const long xs = before - static_cast<long>(x.size());
    if (!x.empty() && xs >= floor && starts[xs] && s.compare(xs, x.size(), x) == 0) {
      if (ending->kind == 0) {
        bool any = false;
        for (long c = xs; c < before; c += CharLen(s, c)) {
          const long cl = std::min(CharLen(s, c), before - c);
          if (cover.Overlaps(c, c + cl)) continue;  // a reading stays
          rubys.push_back(MakeRuby(c, cl, ending->mark));
          cover.Add(c, c + cl);
          any = true;
        }
        if (any) ++t.emphasisNotes;
      } else if (ending->kind == 1) {
        if (x.size() <= static_cast<size_t>(kKxRubyMaxBase) && !cover.Overlaps(xs, before)) {
          rubys.push_back(MakeRuby(xs, static_cast<long>(x.size()), sMaMa));
          cover.Add(xs, before);
        }
      } else {
        spans.push_back({xs, before});
      }
    }
    edits.push_back({i, end, {}, {}, false});
    i = end;
  }
  return Apply(t, edits, std::move(rubys), std::move(spans));
}

// ---- pass 7: block indents -------------------------------------------------------------------

struct SBlockNote {
  long start;
  long end;
  bool isEnd;
  long first;
  long left;
};

// "［＃ここからN字下げ］", "［＃ここからN字下げ、折り返してM字下げ］" or
// "［＃ここから改行天付き、折り返してN字下げ］" at i; its end, or -1.
long ParseBlockStart(const std::string& s, long i, long& first, long& left) {
  long p = i + static_cast<long>(sKoKoKaRa.size()), q;
  if (At(s, p, sKaiGyoTenTuKi)) {
    p += static_cast<long>(sKaiGyoTenTuKi.size());
    first = 0;
    left = NumberOfJiSage(s, p, q);
    return q > p && At(s, q, sJiSaGe) ? q + static_cast<long>(sJiSaGe.size()) : -1;
  }
  first = left = NumberOfJiSage(s, p, q);
  if (q == p) return -1;
  if (At(s, q, sJiSaGe)) return q + static_cast<long>(sJiSaGe.size());
  if (!At(s, q, sJiSaGeORiKaeSiTe)) return -1;
  p = q + static_cast<long>(sJiSaGeORiKaeSiTe.size());
  left = NumberOfJiSage(s, p, q);
  return q > p && At(s, q, sJiSaGe) ? q + static_cast<long>(sJiSaGe.size()) : -1;
}

bool PassBlockIndents(SKXAozoraText& t, long unit) {
  const std::string& s = t.bytes;
  const long n = static_cast<long>(s.size());
  std::vector<SBlockNote> notes;
  for (long i = 0; i < n;) {
    long first = 0, left = 0, end;
    if (At(s, i, sKoKoKaRa) && (end = ParseBlockStart(s, i, first, left)) >= 0) {
      notes.push_back({i, end, false, first, left});
      i = end;
    } else if (At(s, i, sKoKoDeJiSaGeOWaRi)) {
      notes.push_back({i, i + static_cast<long>(sKoKoDeJiSaGeOWaRi.size()), true, 0, 0});
      i += static_cast<long>(sKoKoDeJiSaGeOWaRi.size());
    } else {
      i += CharLen(s, i);
    }
  }
  // A note alone on its line goes with its line end.
  auto noteEdit = [&](const SBlockNote& b) {
    const bool alone = (b.start == 0 || s[b.start - 1] == kCR) && b.end < n && s[b.end] == kCR;
    return SEdit{b.start, alone ? b.end + 1 : b.end, {}, {}, false};
  };
  std::vector<long> laterEnd(notes.size() + 1, 0);  // an end note follows note k
  for (size_t k = notes.size(); k-- > 0;) laterEnd[k] = laterEnd[k + 1] || notes[k].isEnd;
  std::vector<SEdit> edits;
  std::vector<SKXAozoraPara> paras;
  for (size_t k = 0; k < notes.size(); ++k) {
    const SBlockNote& b = notes[k];
    if (b.isEnd) continue;
    if (!laterEnd[k + 1]) break;  // an unfinished block stays as it is
    const SBlockNote& stop = notes[k + 1];
    edits.push_back(noteEdit(b));
    const long from = b.end < n && s[b.end] == kCR ? b.end + 1 : b.end;
    if (stop.start > from)
      paras.push_back({from, stop.start, false, Points(b.first, unit), Points(b.left, unit)});
    if (stop.isEnd) {
      edits.push_back(noteEdit(stop));
      ++k;
    }
  }
  return Apply(t, edits, {}, {}, std::move(paras));
}

// ---- pass 8: one-paragraph indent ------------------------------------------------------------

bool PassTenKaRa(SKXAozoraText& t, long unit) {
  const std::string& s = t.bytes;
  const long n = static_cast<long>(s.size());
  std::vector<SEdit> edits;
  std::vector<SKXAozoraPara> paras;
  for (long i = 0; i < n;) {
    long q;
    const long p = i + static_cast<long>(sTenKaRa.size());
    if (At(s, i, sTenKaRa)) {
      const long count = NumberOfJiSage(s, p, q);
      if (q > p && At(s, q, sJiSaGe)) {
        const long end = q + static_cast<long>(sJiSaGe.size());
        edits.push_back({i, end, {}, {}, false});
        paras.push_back({i, i, false, Points(count, unit), 0});
        i = end;
        continue;
      }
    }
    i += CharLen(s, i);
  }
  return Apply(t, edits, {}, {}, std::move(paras));
}

// ---- pass 9: bottom alignment ----------------------------------------------------------------

bool PassBottom(SKXAozoraText& t) {
  const std::string& s = t.bytes;
  const long n = static_cast<long>(s.size());
  std::vector<SEdit> edits;
  std::vector<SKXAozoraPara> paras;
  long clean = 0, spaces = 0;  // clean: nothing but deleted notes since the paragraph start
  auto flush = [&](long at) {
    if (spaces <= 0) return;
    std::string fill;
    for (long k = 0; k < spaces; ++k) fill += sZenkakuSpace;
    edits.push_back({at, at, std::move(fill), {}, false});
    spaces = 0;
  };
  for (long i = 0; i < n;) {
    if (s[i] == kCR) {
      flush(i);
      clean = i + 1;
      i += 1;
      continue;
    }
    long end = -1, count = 0, q;
    if (At(s, i, sChiKaRa)) {
      const long p = i + static_cast<long>(sChiKaRa.size());
      count = NumberOfJiSage(s, p, q);
      if (q > p && At(s, q, sJiAGe)) end = q + static_cast<long>(sJiAGe.size());
    } else if (At(s, i, sChiTsuKi)) {
      end = i + static_cast<long>(sChiTsuKi.size());
    }
    if (end < 0) {
      i += CharLen(s, i);
      continue;
    }
    edits.push_back({i, end, i > clean ? std::string(1, kCR) : std::string(), {}, false});
    paras.push_back({i, i, true, 0, 0});
    clean = end;
    spaces = std::min(kMaxSpaces, spaces + std::min(count, kMaxSpaces));
    i = end;
  }
  flush(n);
  return Apply(t, edits, {}, {}, std::move(paras));
}

// ---- pass 10: remaining notes ------------------------------------------------------------------

bool PassRemainingNotes(SKXAozoraText& t) {
  const std::string& s = t.bytes;
  const long n = static_cast<long>(s.size());
  const CBrackets brackets(s);
  std::vector<SEdit> edits;
  long prev = -1;  // start of the character before i
  for (long i = 0; i < n;) {
    if (At(s, i, sCtlDescStart)) {
      const long close = brackets.Close(i);
      if (close >= 0) {
        const long end = close + static_cast<long>(sCtlDescEnd.size());
        // An unconverted character note stays readable.
        if (!(prev >= 0 && At(s, prev, sKome))) edits.push_back({i, end, {}, {}, false});
        prev = -1;
        i = end;
        continue;
      }
    }
    prev = i;
    i += CharLen(s, i);
  }
  return Apply(t, edits);
}

}  // namespace

// ---- whole conversion ------------------------------------------------------------------------------

bool KxAozoraConvert(SKXAozoraText& t, long unit, bool unicode) {
  bool any = false;
  any |= PassExplanatoryNotes(t);
  any |= PassCharacterNotes(t, unicode);
  any |= PassBreaks(t);
  if (unicode) any |= PassOdoRiJi(t);
  any |= PassRuby(t);
  any |= PassEmphasis(t);
  any |= PassBlockIndents(t, unit);
  any |= PassTenKaRa(t, unit);
  any |= PassBottom(t);
  any |= PassRemainingNotes(t);
  return any;
}

std::vector<SKXPara> KxAozoraParaRuns(const SKXAozoraText& t) {
  const std::string& s = t.bytes;
  std::vector<long> starts{0};
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] == kCR) starts.push_back(static_cast<long>(i) + 1);
  std::vector<SParaStyl> styles(starts.size());
  std::memset(static_cast<void*>(styles.data()), 0, styles.size() * sizeof(SParaStyl));
  auto index = [&](long p) {
    return static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), p) - starts.begin()) - 1;
  };
  for (const SKXAozoraPara& op : t.paras) {
    const size_t a = index(op.start), b = index(std::max(op.start, op.end - 1));
    for (size_t k = a; k <= b && k < styles.size(); ++k) {
      if (op.rightAlign) {
        styles[k].justify = 2;
      } else {
        styles[k].firstIndent = op.firstIndent;
        styles[k].leftIndent = op.leftIndent;
        styles[k].rightIndent = 0;
      }
    }
  }
  std::vector<SKXPara> runs;
  bool any = false;
  for (size_t k = 0; k < styles.size(); ++k) {
    if (k > 0 && starts[k] >= static_cast<long>(s.size())) break;  // no run at the text end
    if (!runs.empty() && std::memcmp(&runs.back().para, &styles[k], sizeof(SParaStyl)) == 0) continue;
    SKXPara r;
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    r.offset = static_cast<std::int32_t>(starts[k]);
    r.para = styles[k];
    runs.push_back(r);
    SParaStyl zero;
    std::memset(static_cast<void*>(&zero), 0, sizeof zero);
    any |= std::memcmp(&styles[k], &zero, sizeof zero) != 0;
  }
  if (!any) runs.clear();
  return runs;
}

long KxAozoraIndentUnit(short font, short size) { return KxGetFontWidth(font, size, 2); }

long KXUtilConvertAozoraTextWithAttributedString(CKXText* text, const SStyl* style) {
  if (!text || text->GetLength() <= 0) return 0;
  SKXAozoraText t;
  const long len = text->GetLength();
  t.bytes.resize(static_cast<size_t>(len));
  text->GetText(t.bytes.data(), len, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  t.uniChars.resize(static_cast<size_t>(text->GetUniCharsCount()));
  t.uniChars.resize(static_cast<size_t>(text->GetUniChars(t.uniChars.data(), static_cast<long>(t.uniChars.size()))));
  SKXStyl run{};
  text->GetStyls(&run, 1);
  run.offset = 0;
  // The notation is Shift_JIS: a style asked for keeps the text's own font
  // when its font writes another script.
  if (style) {
    const short own = run.styl.font;
    run.styl = *style;
    run.styl.font = KxFontKeepingScript(style->font, own);
  }
  CKXStylArray::SetHeightAscent(run.styl);
  const bool converted =
      KxAozoraConvert(t, KxAozoraIndentUnit(run.styl.font, run.styl.size), gAvailUnicodeConvert != 0);

  // Decoration runs: plain, with horizontal-in-vertical stretches.
  const long total = static_cast<long>(t.bytes.size());
  std::vector<SKXDeco> decos;
  auto addRun = [&](long at, std::uint8_t flags) {
    if (at >= total && !decos.empty()) return;
    if (!decos.empty() && decos.back().offset == at) decos.pop_back();
    if (!decos.empty() && decos.back().deco.flags == flags) return;
    SKXDeco d{};
    d.offset = static_cast<std::int32_t>(at);
    d.deco.flags = flags;
    decos.push_back(d);
  };
  addRun(0, 0);
  long covered = 0;
  for (const SKXAozoraSpan& sp : t.tateChuYoko) {
    const long a = std::max(sp.start, covered);
    if (sp.end <= a) continue;
    addRun(a, 0x08);
    addRun(sp.end, 0);
    covered = sp.end;
  }
  const std::vector<SKXPara> paras = KxAozoraParaRuns(t);
  text->SetText(t.bytes.data(), static_cast<long>(t.bytes.size()), &run, 1, decos.data(),
                static_cast<long>(decos.size()), paras.empty() ? nullptr : paras.data(),
                static_cast<long>(paras.size()), t.uniChars.empty() ? nullptr : t.uniChars.data(),
                static_cast<long>(t.uniChars.size()));
  if (!t.rubys.empty()) text->SetRubys(t.rubys.data(), static_cast<long>(t.rubys.size()));
  return converted ? 1 : 0;
}

long ConvertAozoraTextWithTextRef(CKXText* text, const char* bytes, long length, const SStyl* style) {
  if (!text || !bytes || length <= 0) return 0;
  text->SetText(bytes, length, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  return KXUtilConvertAozoraTextWithAttributedString(text, style);
}
