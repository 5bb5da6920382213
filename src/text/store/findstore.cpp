#include "text/store/findstore.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "text/find/find.h"
#include "text/base/memory.h"
#include "text/find/regexp.h"
#include "text/codes/script.h"
#include "text/store/strarray.h"

namespace {

const unsigned char* U(const char* p) { return reinterpret_cast<const unsigned char*>(p); }

// The expression last compiled, kept for the next search with the same
// pattern and script: find-all and replace-all search once a match, and
// compiling (with the automaton's first tables) costs many times finding the
// next match. The object is reused as one search reuses it from candidate to
// candidate; each search brings its own step budget.
struct KeptRegexp {
  std::unique_ptr<CKXRegexp> re;
  std::string pattern;
  short script = 0;
};
KeptRegexp& Kept() {
  static KeptRegexp kept;
  return kept;
}

CKXRegexp& Compiled(const char* pattern, long patLen, short script) {
  KeptRegexp& k = Kept();
  if (!k.re || k.script != script || k.pattern.compare(0, std::string::npos, pattern, size_t(patLen)) != 0) {
    k.re.reset();  // a pattern that fails to compile leaves none behind
    k.re = std::make_unique<CKXRegexp>(U(pattern), patLen, script);
    k.pattern.assign(pattern, size_t(patLen));
    k.script = script;
  }
  return *k.re;
}

// Drops the kept expression when a search with it ends by an exception
// (a search that takes too long, memory): whatever it was in the middle of
// goes with it, not into the next search.
class ForgetOnThrow {
 public:
  ~ForgetOnThrow() {
    if (std::uncaught_exceptions() > mCount) Kept().re.reset();
  }

 private:
  int mCount = std::uncaught_exceptions();
};

// Whether the bytes either side of `edge`, a chunk's start, are a half-width
// kana and the voiced or semi-voiced mark that width folding reads with it as
// one character (as it would over one buffer: the kana starts a character of
// the Japanese script and is no picture). Leaves styl's base moved.
bool PairAcrossEdge(const CKXStrArray& store, long edge, short options, SKXFindStyl& styl) {
  if (!(options & kKXFindIgnoreWidth) || edge <= 0 || edge >= store.GetLength()) return false;
  char two[2];
  long n = 2;
  store.GetSelText(edge - 1, edge + 1, two, n);
  if (n != 2 || !UKXFind::ComposedKana(std::uint8_t(two[0]), std::uint8_t(two[1]))) return false;
  long c, at;
  store.GetIndexPos(edge - 1, c, at);
  SKXStr chunk;
  store.GetAt(c, chunk);
  if (!chunk.bytes || at < 0 || at >= chunk.len) return false;
  CKXLock lock(chunk.bytes);
  const unsigned char* bytes = U(lock.Ptr());
  KxFindStylSetBase(styl, std::int32_t(edge - 1 - at), false);
  const short script = UKXFind::ScriptType(at, styl);
  // Chunks start on a character; so do style runs.
  const long known = std::clamp<long>(styl.cacheStart, 0, at);
  return script == kScriptJapanese && UKXFind::IsCharStart(bytes, known, at, script) &&
         !UKXFind::IsPicture(bytes, at, styl);
}

// Walks the store's chunks from pos, forward or backward (the first chunk
// from pos, the others whole), each locked while look(bytes, base, len, p,
// tailCut) searches it from p; look answers a match's length, or 0 to go on.
// A kana whose voiced mark starts the next chunk is the chunk's last byte
// with tailCut; that mark is left out of the next chunk's search (forward,
// unless the walk starts there: a search from a position takes it as a
// character's start, as over one buffer). The chunks' offsets are kept along
// the walk rather than counted up for every search.
template <class Look>
std::int32_t WalkChunks(const CKXStrArray& store, long pos, bool back, short options, SKXFindStyl& styl,
                        Look look) {
  const long chunks = store.GetCount();
  long c, p;
  store.GetIndexPos(pos, c, p);
  long base = pos - p;
  SKXStr chunk;
  store.GetAt(c, chunk);
  long knownEdge = -1;
  bool knownJoined = false;
  auto joined = [&](long edge) {
    if (edge != knownEdge) {
      knownEdge = edge;
      knownJoined = PairAcrossEdge(store, edge, options, styl);
    }
    return knownJoined;
  };
  for (;;) {
    if (chunk.bytes && chunk.len > 0) {
      const long len = chunk.len;
      // Each edge in the walk's order, so that the one shared with the
      // chunk before is looked at once.
      auto head = [&] { return (back ? p > 0 : p == 0 && base != pos) && joined(base); };
      bool tailCut, skipHead;
      if (back) {
        tailCut = joined(base + len);
        skipHead = head();
      } else {
        skipHead = head();
        tailCut = joined(base + len);
      }
      CKXLock lock(chunk.bytes);
      const unsigned char* bytes = U(lock.Ptr());
      const std::int32_t r = skipHead ? look(bytes + 1, base + 1, len - 1, back ? p - 1 : 0, tailCut)
                                      : look(bytes, base, len, p, tailCut);
      if (r) return r;
    }
    if (back) {
      if (--c < 1) return 0;
      store.GetAt(c, chunk);
      base -= chunk.len;
      p = chunk.len;
    } else {
      if (++c > chunks) return 0;
      base += chunk.len;
      store.GetAt(c, chunk);
      p = 0;
    }
  }
}

// Bytes from..to copied out of the store.
std::vector<char> CopyOut(const CKXStrArray& store, long from, long to) {
  std::vector<char> buf(std::size_t(std::max(0L, to - from)) + 1);
  long n = to - from;
  store.GetSelText(from, to, buf.data(), n);
  buf.resize(std::size_t(std::max(0L, n)));
  return buf;
}

// The line end that no regular-expression match crosses.
constexpr char kCR = 13;

// Codes that a placeholder standing for a character outside the text's
// encoding reads as when a match over it is tried again: no character a
// find string can hold, so that only a wildcard takes them.
constexpr unsigned char kStandInLead = 0xEF, kStandInTrail = 0x40, kStandInByte = 0x7F;

// Overwrites, in the n bytes copied from `from`, each placeholder that holds
// a character outside the text's encoding (it has a side entry) with a
// stand-in code, those that start among the first `most` bytes (all by
// default); answers whether there was one. A stand-in already written is no
// placeholder: masking bytes again after more were copied is safe.
bool MaskStandIns(const CKXStrArray& store, long from, char* bytes, long n, SKXFindStyl& styl, long most = -1) {
  const long first = most < 0 ? n : std::min(most, n);
  const long count = store.GetSelUniCharsCount(from, from + first);
  if (count <= 0) return false;
  std::vector<SKXUniChar> sides(static_cast<std::size_t>(count));
  const long got = store.GetSelUniChars(from, from + first, sides.data(), count);
  KxFindStylSetBase(styl, std::int32_t(from), false);
  bool any = false;
  for (long i = 0; i < got; ++i) {
    const long at = sides[std::size_t(i)].offset;
    if (at < 0 || at >= first) continue;
    const short script = UKXFind::ScriptType(at, styl);
    const long width = at + 1 < n && KxTextCharFirst(std::uint8_t(bytes[at]), script) ? 2 : 1;
    if (!store.GetUniCharIfExists(from + at, bytes + at, width, script)) continue;
    if (width == 2) {
      bytes[at] = char(kStandInLead);
      bytes[at + 1] = char(kStandInTrail);
    } else {
      bytes[at] = char(kStandInByte);
    }
    any = true;
  }
  return any;
}

// Bytes copied out of the store for regular-expression candidates whose
// line leaves their chunk: bytes holds from..to - 1 (never zero-filled:
// every byte read was copied in first). The window grows from one
// candidate, lineFrom, and stops at the first CR from there (cr), so it
// serves every later candidate of the same line that it holds.
struct Window {
  std::unique_ptr<char[]> bytes;
  long capacity = 0;
  long from = 0, to = 0;
  long lineFrom = 0;
  long cr = -1;   // offset of the CR ending the window, -1 while it holds none
  // Set: the placeholders of characters outside the text's encoding read as
  // stand-ins once copied, as a search that matches again over them reads them.
  SKXFindStyl* masked = nullptr;
};

// How many bytes past a candidate the first window takes; doubled while
// the matcher reaches the window's end. Most matches are short: a long
// paragraph is never copied whole for each of them.
long gFirstWindow = 4096;

// Copies the store's bytes up to `to` onto the window, ending it at the
// first CR from its line's start.
void ExtendBytes(const CKXStrArray& store, Window& w, long to) {
  if (w.cr >= 0 || to <= w.to) return;
  if (to - w.from > w.capacity) {
    const long capacity = std::max(to - w.from, 2 * w.capacity);
    auto grown = std::make_unique_for_overwrite<char[]>(std::size_t(capacity));
    std::copy(w.bytes.get(), w.bytes.get() + (w.to - w.from), grown.get());
    w.bytes = std::move(grown);
    w.capacity = capacity;
  }
  long n = to - w.to;
  store.GetSelText(w.to, to, w.bytes.get() + (w.to - w.from), n);
  const long scan = std::max(w.to, w.lineFrom);
  w.to += std::max(n, 0L);
  if (w.to <= scan) return;
  if (const void* cr = std::memchr(w.bytes.get() + (scan - w.from), kCR, std::size_t(w.to - scan))) {
    w.cr = w.from + (static_cast<const char*>(cr) - w.bytes.get());
    w.to = w.cr + 1;
  }
}

// ExtendBytes, then the stand-ins of a masked window.
void Extend(const CKXStrArray& store, Window& w, long to) {
  const long was = w.to;
  ExtendBytes(store, w, to);
  // Again over the whole window: a placeholder cut by the last copy's end
  // reads as one now.
  if (w.masked && w.to > was) MaskStandIns(store, w.from, w.bytes.get(), w.to - w.from, *w.masked);
}

// The match at abs, over the store's bytes from the character before abs
// (its context) copied into the window. A window short of the line's CR
// and of the text's end answers only when the matcher stayed inside it;
// else it doubles, at most to the CR (included) or the text's end, which
// is what a copy of the whole line would answer. A search that gives up
// over a short window tries again over a wider one, so that it gives up
// only where the whole line would. The first window takes firstReach bytes
// from abs.
std::int32_t MatchInWindow(const CKXStrArray& store, CKXRegexp& re, Window& w, long abs, long length,
                           short options, SKXFindStyl& styl, long firstReach = gFirstWindow) {
  const long from = std::max(0L, abs - 1);
  if (w.to <= w.from || from < w.from || abs < w.lineFrom || abs >= w.to) {
    w.from = w.to = from;
    w.lineFrom = abs;
    w.cr = -1;
  }
  for (long reach = firstReach;; reach = std::max(2 * reach, 2 * (w.to - abs))) {
    Extend(store, w, std::min(length, abs + std::max(reach, 1L)));
    const unsigned char* text = U(w.bytes.get());
    KxFindStylSetBase(styl, std::int32_t(w.from), true);
    if (w.cr >= 0 || w.to >= length) return re.Find2ndStep(text, abs - w.from, w.to - w.from, options, styl);
    const SKXFindStyl::RegexpSearch before = styl.search;
    try {
      const std::int32_t r = re.Find2ndStep(text, abs - w.from, w.to - w.from, options, styl);
      if (!re.ReachedEnd()) return r;
    } catch (const LException& e) {
      if (e.GetErrorCode() != kKXFindTooComplex) throw;
    }
    styl.search = before;
  }
}

// Bytes past a checked range that its first window takes: room for "$" or
// a character after the range, so that most checks copy no second window
// (a replace-all checks every match, and a long line must not be copied for
// each).
constexpr long kCheckReach = 16;

// Whether the search's match at `from` (read in its line, with the byte
// before it, and with the placeholders of characters outside the text's
// encoding as a search takes them) covers from..to exactly. Its captures are
// then offsets in w's bytes, which start at w.from.
bool MatchesExactly(const CKXStrArray& store, CKXRegexp& re, Window& w, long from, long to, short options,
                    SKXFindStyl& styl) {
  w.masked = &styl;
  const std::int32_t r = MatchInWindow(store, re, w, from, store.GetLength(), short(options & ~kKXFindBackward),
                                       styl, to - from + kCheckReach);
  return r > 0 && r == to - from;
}

// A line that leaves its chunk is copied out whole, from a candidate up to
// its CR, when it holds at most this many bytes: over one buffer that holds
// the CR, the first step's automaton rules the rest of the line out or
// finds its first match at once, where candidates matched one by one over
// windows each read on to the line's end. A longer line keeps the windows:
// each search that meets it would copy it again.
constexpr long kJoinedLine = 256 * 1024;

// Copies the store's bytes from `from` up to and including the first CR at
// or after `at` (from <= at), or to the text's end, into buf; false when
// that takes more than `most` bytes (buf is then left as it was).
bool CopyLine(const CKXStrArray& store, long from, long at, long most, std::vector<char>& buf) {
  const long chunks = store.GetCount();
  long c, p;
  store.GetIndexPos(at, c, p);
  long pos = at;   // the text offset of chunk c's byte p
  long end = -1;
  for (; c <= chunks && end < 0; ++c, p = 0) {
    SKXStr chunk;
    store.GetAt(c, chunk);
    const long n = chunk.bytes ? long(chunk.len) - p : 0;
    if (n <= 0) continue;
    {
      CKXLock lock(chunk.bytes);
      const char* bytes = lock.Ptr() + p;
      if (const void* cr = std::memchr(bytes, kCR, std::size_t(n)))
        end = pos + (static_cast<const char*>(cr) - bytes) + 1;
    }
    pos += n;
    if ((end < 0 ? pos : end) - from > most) return false;
  }
  if (end < 0) end = pos;
  buf.resize(std::size_t(end - from));
  long got = end - from;
  store.GetSelText(from, end, buf.data(), got);
  buf.resize(std::size_t(std::max(0L, got)));
  return true;
}

// The first match at or after `at` over a line copied out from `from` to its
// CR (or the text's end): each answer there is the whole line's.
std::int32_t FindInLine(CKXRegexp& re, const std::vector<char>& line, long from, long at, long length,
                        short options, SKXFindStyl& styl, long& found) {
  const unsigned char* text = U(line.data());
  const long n = long(line.size());
  // What the automaton kept from the chunk was about the line as far as the
  // chunk's end, not about the whole line.
  SKXFindStyl::RegexpSearch& search = styl.search;
  search.filterFrom = search.filterEnd = search.filterLineEnd = -1;
  for (long p = at - from; p < n;) {
    KxFindStylSetBase(styl, std::int32_t(from), from + n >= length);
    long x = -1;
    const short w = re.Find1stStep(text, p, n, options, x, styl);
    if (w == 0) return 0;
    KxFindTick();
    if (const std::int32_t r = re.Find2ndStep(text, x, n, options, styl); r > 0) {
      found = from + x;
      return r;
    }
    p = x + w;
  }
  return 0;
}

// What a chunk's search answers when it has searched a line copied out past
// the chunk's end: the walk goes on from that line's end.
constexpr std::int32_t kWalkOnAfterLine = -1;

}  // namespace

namespace {

std::int32_t FindPlain(const CKXStrArray& store, long pos, const char* pattern, long patLen, long& found,
                       short options, short script, CKXArrayL* styleRuns, CKXArrayL* decoRuns) {
  const long length = store.GetLength();
  if (!pattern || patLen <= 0 || length <= 0) return 0;
  long count = UKXFind::CountFindChar(U(pattern), patLen, options, script);
  std::vector<SKXFindChar> fc(std::size_t(count) + 1);
  count = UKXFind::MakeFindChar(fc.data(), U(pattern), patLen, options, script);
  const long longest = 2 * count;   // bytes a match can take at most

  CKXFindStyl scope(styleRuns, script, decoRuns);
  SKXFindStyl& styl = scope;
  const bool back = options & kKXFindBackward;
  // A kana cut from its mark by the chunk's end reads as cut (the second
  // step answers -1) and is compared again over copied bytes.
  return WalkChunks(store, std::clamp(pos, 0L, length), back, options, styl,
                    [&](const unsigned char* bytes, long base, long len, long p, bool) -> std::int32_t {
    const bool last = base + len >= length;
    for (;;) {
      KxFindStylSetBase(styl, std::int32_t(base), last);
      long at = -1;
      short w = UKXFind::Find1stStep(bytes, p, len, fc.data(), count, options, at, styl);
      if (w == 0) return 0;
      std::int32_t r = UKXFind::Find2ndStep(bytes, at, len, fc.data(), count, options, styl);
      if (r < 0) {
        // The match may go on in the next chunk: compare over copied bytes.
        long from = base + at;
        std::vector<char> buf = CopyOut(store, from, std::min(length, from + longest + 1));
        KxFindStylSetBase(styl, std::int32_t(from), from + long(buf.size()) >= length);
        r = UKXFind::Find2ndStep(U(buf.data()), 0, long(buf.size()), fc.data(), count, options, styl);
      }
      if (r > 0) {
        found = base + at;
        return r;
      }
      p = back ? at : at + w;
    }
  });
}

std::int32_t FindRegexp(const CKXStrArray& store, long pos, const char* pattern, long patLen, long& found,
                        short options, short script, CKXArrayL* styleRuns, CKXArrayL* decoRuns) {
  const long length = store.GetLength();
  if (!pattern || patLen <= 0 || length <= 0) return 0;
  ForgetOnThrow forget;
  CKXRegexp& re = Compiled(pattern, patLen, script);
  CKXFindStyl scope(styleRuns, script, decoRuns);
  SKXFindStyl& styl = scope;
  const bool back = options & kKXFindBackward;
  Window window;
  std::vector<char> line;
  long walkOn = -1;   // where the walk goes on after a line copied out
  long uncopiedBase = -1;   // the chunk whose last line was too long to copy
  auto look = [&](const unsigned char* bytes, long base, long len, long p, bool tailCut) -> std::int32_t {
    const bool lastChunk = base + len >= length;
    // A last byte that is a kana whose voiced mark starts the next chunk
    // reads as one character with it only over bytes copied out: the first
    // step leaves it out, and it is matched after the chunk's other
    // candidates (backward: before them).
    const long kana = tailCut ? len - 1 : -1;
    const long scanLen = tailCut && !back ? kana : len;
    bool kanaLeft = tailCut && (back ? p > kana : p <= kana);
    for (;;) {
      KxFindStylSetBase(styl, std::int32_t(base), lastChunk);
      long at = -1;
      short w = 0;
      if (back && kanaLeft) {
        at = kana;
        w = 1;
        kanaLeft = false;
      } else if ((w = re.Find1stStep(bytes, p, scanLen, options, at, styl)) == 0) {
        if (!kanaLeft) return 0;
        at = kana;
        w = 1;
        kanaLeft = false;
      }
      KxFindTick();
      const long abs = base + at;
      std::int32_t r = 0;
      bool settled = false;
      const long from = std::max(0L, abs - 1);
      // A line that goes on past this chunk is searched over its copy at
      // once: there the first step sees the whole line and passes over it
      // when no match can start in it. In place the matcher could only come
      // to the chunk's end, and the steps it spent there are given back, so
      // a hard pattern would spend the search's growing allowance again at
      // every chunk. A line too long to copy is tried once a chunk; its
      // candidates there are matched in place.
      bool copied = false;
      if (!back && !lastChunk && base != uncopiedBase && !std::memchr(bytes + at, kCR, std::size_t(len - at))) {
        copied = CopyLine(store, from, abs, kJoinedLine, line);
        if (!copied) uncopiedBase = base;
      }
      if (!copied && (at > 0 || base == 0) && at != kana) {
        // Most matches end well inside their chunk: matched in place, the
        // answer stands unless the matcher came to the chunk's end while the
        // line goes on (with the byte before the candidate as context, which
        // a chunk's first byte lacks).
        const SKXFindStyl::RegexpSearch before = styl.search;
        try {
          r = re.Find2ndStep(bytes, at, len, options, styl);
          settled = lastChunk || !re.ReachedEnd();
        } catch (const LException& e) {
          // Given up over the chunk where the line also ends there: over the
          // line copied out it would give up the same way.
          if (e.GetErrorCode() != kKXFindTooComplex || lastChunk || std::memchr(bytes + at, kCR, std::size_t(len - at)))
            throw;
        }
        if (!settled) styl.search = before;
      }
      if (copied || (!settled && !back && CopyLine(store, from, abs, kJoinedLine, line))) {
        if ((r = FindInLine(re, line, from, abs, length, options, styl, found)) > 0) return r;
        walkOn = from + long(line.size());
        return kWalkOnAfterLine;
      }
      if (!settled) r = MatchInWindow(store, re, window, abs, length, options, styl);
      if (r > 0) {
        found = abs;
        return r;
      }
      p = back ? at : at + w;
    }
  };
  for (long from = std::clamp(pos, 0L, length);;) {
    walkOn = -1;
    const std::int32_t r = WalkChunks(store, from, back, options, styl, look);
    if (r != kWalkOnAfterLine) return r;
    if (walkOn >= length) return 0;
    from = walkOn;
  }
}

// The length of the match at `found` (r bytes as the store's bytes read)
// once the placeholders of characters outside the text's encoding read as
// stand-ins: a find string holds no such character (its placeholder stands
// for the placeholder's own character), so none of its literals matches
// one. 0 when no match is left at `found`.
std::int32_t MatchWithoutStandIns(const CKXStrArray& store, long found, std::int32_t r, const char* pattern,
                                  long patLen, short options, short script, CKXArrayL* styleRuns,
                                  CKXArrayL* decoRuns) {
  if (!store.IsUniCharExist(found, found + r)) return r;
  CKXFindStyl scope(styleRuns, script, decoRuns);
  SKXFindStyl& styl = scope;
  if (!(options & kKXFindRegexp)) {
    // A plain pattern has no wildcard: any stand-in in the match undoes it.
    std::vector<char> bytes = CopyOut(store, found, found + r);
    return MaskStandIns(store, found, bytes.data(), long(bytes.size()), styl) ? 0 : r;
  }
  // A regular expression is matched again over its line, from the byte
  // before `found` as context. A line too long to copy for every such match
  // keeps the match as the bytes read: dropping it would lose what a
  // wildcard rightly took, and copying it each time would make a search
  // through it quadratic.
  const long from = std::max(0L, found - 1);
  std::vector<char> line;
  if (!CopyLine(store, from, found, kJoinedLine, line)) return r;
  // Only the placeholders the match took (and the character after it) at
  // first: masking the whole rest of a line for every match would make a
  // search through a line of such characters quadratic. A match that then
  // reaches further is tried again with the whole line masked.
  const long reach = found + r + 2 - from;
  if (!MaskStandIns(store, from, line.data(), long(line.size()), styl, reach)) return r;
  ForgetOnThrow forget;
  CKXRegexp& re = Compiled(pattern, patLen, script);
  const bool atEnd = from + long(line.size()) >= store.GetLength();
  const short opts = short(options & ~kKXFindBackward);
  KxFindStylSetBase(styl, std::int32_t(from), atEnd);
  const std::int32_t kept = re.Find2ndStep(U(line.data()), found - from, long(line.size()), opts, styl);
  if (found - from + kept < reach || !MaskStandIns(store, from, line.data(), long(line.size()), styl)) return kept;
  KxFindStylSetBase(styl, std::int32_t(from), atEnd);
  return re.Find2ndStep(U(line.data()), found - from, long(line.size()), opts, styl);
}

// The next match from pos whose literals take no placeholder of a character
// outside the text's encoding.
template <class Find>
std::int32_t FindSkippingStandIns(const CKXStrArray& store, long pos, const char* pattern, long patLen,
                                  long& found, short options, short script, CKXArrayL* styleRuns,
                                  CKXArrayL* decoRuns, Find find) {
  const bool back = options & kKXFindBackward;
  for (;;) {
    const std::int32_t r = find(store, pos, pattern, patLen, found, options, script, styleRuns, decoRuns);
    if (r <= 0) return r;
    const std::int32_t kept =
        MatchWithoutStandIns(store, found, r, pattern, patLen, options, script, styleRuns, decoRuns);
    if (kept > 0) return kept;
    // On from the next character (backward: before this one).
    if (back) {
      if (found <= 0) return 0;
      pos = found;
    } else {
      const unsigned char b = std::uint8_t(store.GetChar(found, script) >> 8);
      pos = found + (b != 0 ? 2 : 1);
      if (pos >= store.GetLength()) return 0;
    }
  }
}

}  // namespace

std::int32_t KxStrFind(const CKXStrArray& store, long pos, const char* pattern, long patLen, long& found,
                       short options, short script, CKXArrayL* styleRuns, CKXArrayL* decoRuns) {
  if (options & kKXFindRegexp)
    return KxStrFindRegexp(store, pos, pattern, patLen, found, options, script, styleRuns, decoRuns);
  return FindSkippingStandIns(store, pos, pattern, patLen, found, options, script, styleRuns, decoRuns,
                              FindPlain);
}

std::int32_t KxStrFindRegexp(const CKXStrArray& store, long pos, const char* pattern, long patLen,
                             long& found, short options, short script, CKXArrayL* styleRuns,
                             CKXArrayL* decoRuns) {
  return FindSkippingStandIns(store, pos, pattern, patLen, found, options, script, styleRuns, decoRuns,
                              FindRegexp);
}

void KxStrForgetRegexp() { Kept().re.reset(); }

long KxStrSetFirstRegexpWindow(long bytes) {
  const long was = gFirstWindow;
  gFirstWindow = std::max(bytes, 1L);
  return was;
}

std::int32_t KxStrCheckFind(const CKXStrArray& store, long from, long to, const char* pattern, long patLen,
                            short options, short script, CKXArrayL* styleRuns, CKXArrayL* decoRuns) {
  if (from > to) std::swap(from, to);
  if (from == to || !pattern || patLen <= 0 || from < 0 || to > store.GetLength()) return 0;
  CKXFindStyl scope(styleRuns, script, decoRuns);
  if (options & kKXFindRegexp) {
    ForgetOnThrow forget;
    CKXRegexp& re = Compiled(pattern, patLen, script);
    Window w;
    return MatchesExactly(store, re, w, from, to, options, scope) ? std::int32_t(to - from) : 0;
  }
  std::vector<char> buf = CopyOut(store, from, to);
  if (buf.empty()) return 0;
  // As a search takes them: a literal matches no character the text's
  // encoding cannot hold.
  MaskStandIns(store, from, buf.data(), long(buf.size()), scope);
  KxFindStylSetBase(scope, std::int32_t(from), true);
  long count = UKXFind::CountFindChar(U(pattern), patLen, options, script);
  std::vector<SKXFindChar> fc(std::size_t(count) + 1);
  count = UKXFind::MakeFindChar(fc.data(), U(pattern), patLen, options, script);
  std::int32_t r = UKXFind::Find2ndStep(U(buf.data()), 0, long(buf.size()), fc.data(), count, options, scope);
  return r > 0 ? r : 0;
}

long KxStrCheckReplaceRE(const CKXStrArray& store, long from, long to, const char* pattern, long patLen,
                         short options, const char* repl, long replLen, char**& out, short script,
                         CKXArrayL* styleRuns, CKXArrayL* decoRuns, std::vector<SKXUniChar>* sides) {
  if (sides) sides->clear();
  if (!(options & kKXFindRegexp) || !repl || replLen <= 0 || !out || !pattern || patLen <= 0) return 0;
  if (from > to) std::swap(from, to);
  const unsigned char* r = U(repl);
  bool special = false;
  for (long i = 0; i < replLen && !special; ++i) {
    if (KxTextCharFirst(r[i], script) && i + 1 < replLen) ++i;
    else special = r[i] == '\\' || r[i] == '&';
  }
  if (!special) return 0;
  if (from == to || from < 0 || to > store.GetLength()) return 0;
  CKXFindStyl scope(styleRuns, script, decoRuns);
  ForgetOnThrow forget;
  CKXRegexp& re = Compiled(pattern, patLen, script);
  Window w;
  if (!MatchesExactly(store, re, w, from, to, options, scope)) return 0;
  // "&" and the groups take the text's own bytes, placeholders included.
  std::vector<char> sel = CopyOut(store, from, to);
  if (long(sel.size()) != to - from) return 0;

  // A capture lies inside its match; its offset is in the window's bytes.
  auto group = [&](int n, std::int32_t& s, std::int32_t& len) {
    if (!re.GetCapture(n, s, len)) len = 0;
    s = std::int32_t(s - (from - w.from));
    if (s < 0 || len < 0 || s + len > long(sel.size())) s = len = 0;
  };
  long size = 0;
  for (long i = 0; i < replLen; ++i) {
    if (KxTextCharFirst(r[i], script) && i + 1 < replLen) {
      size += 2;
      ++i;
    } else if (r[i] == '&') {
      size += long(sel.size());
    } else if (r[i] == '\\' && i + 1 < replLen && r[i + 1] >= '1' && r[i + 1] <= '9') {
      std::int32_t s, len;
      group(r[i + 1] - '0', s, len);
      size += len;
      ++i;
    } else {
      size += 2;
    }
  }
  KxMemHReAlloc(out, std::max(size, 1L), true);
  CKXLock lock(out);
  char* o = lock.Ptr();
  long n = 0;
  // A character the text keeps beside its bytes goes with its bytes.
  std::vector<SKXUniChar> selSides;
  if (sides) {
    selSides.resize(std::size_t(std::max(0L, store.GetSelUniCharsCount(from, to))));
    if (!selSides.empty())
      selSides.resize(std::size_t(
          std::max(0L, store.GetSelUniChars(from, to, selSides.data(), long(selSides.size())))));
  }
  auto copySides = [&](long s, long len, long at) {
    for (const SKXUniChar& u : selSides)
      if (u.offset >= s && u.offset < s + len) sides->push_back(SKXUniChar{std::int32_t(at + u.offset - s), u.value});
  };
  for (long i = 0; i < replLen;) {
    if (KxTextCharFirst(r[i], script) && i + 1 < replLen) {
      o[n++] = char(r[i]);
      o[n++] = char(r[i + 1]);
      i += 2;
    } else if (r[i] == '&') {
      std::copy(sel.begin(), sel.end(), o + n);
      copySides(0, long(sel.size()), n);
      n += long(sel.size());
      ++i;
    } else if (r[i] == '\\' && i + 1 < replLen && r[i + 1] >= '1' && r[i + 1] <= '9') {
      std::int32_t s, len;
      group(r[i + 1] - '0', s, len);
      std::copy(sel.begin() + s, sel.begin() + s + len, o + n);
      copySides(s, len, n);
      n += len;
      i += 2;
    } else if (r[i] == '\\') {
      std::uint16_t v = CKXRegexp::GetEscapeSequence(r, replLen, i);
      if (v > 0xFF) o[n++] = char(v >> 8);
      o[n++] = char(v);
    } else {
      o[n++] = char(r[i++]);
    }
  }
  return n > 0 ? n : kKxReplacedByNothing;
}
