#include "text/find/regexp.h"

#include <algorithm>
#include <cstring>

#include "platform/exception.h"
#include "text/codes/charclass.h"
#include "text/codes/script.h"
#include "text/find/regexp_program.h"

using namespace kx_regexp;

// ---------------------------------------------------------------------------
// Compiling

CKXRegexp::CKXRegexp(const unsigned char* pattern, long length, short script) : mScript(script) {
  for (auto& c : mCaptures) c = -1;
  if (pattern && length > 0) mPattern.assign(pattern, pattern + length);
  if (mScript == kScriptJapanese)
    for (std::size_t i = 0; i + 1 < mPattern.size() && !mHasMarkPairs; ++i)
      mHasMarkPairs = UKXFind::ComposedKana(mPattern[i], mPattern[i + 1]) != 0;
  Compile(false);
}

CKXRegexp::~CKXRegexp() = default;

// Three phases: the pattern becomes a tree, the tree a program, and the
// tree's top-level sequence gives the bytes every match holds.
void CKXRegexp::Compile(bool composeMarks) {
  mComposed = composeMarks;
  mRoot = Parse(mPattern.data(), long(mPattern.size()), mScript, mGroupCount, composeMarks);
  mProgram = std::make_unique<Program>();
  mProgram->Build(mRoot);
  mProgram->FindRequired(mRoot);
  mProgram->automaton = std::make_unique<CKXRegexpAutomaton>(mRoot);
  if (!mProgram->automaton->Usable()) mProgram->automaton.reset();
}

void CKXRegexp::FoldPatternFor(short options) {
  const bool compose = mHasMarkPairs && (options & kKXFindIgnoreWidth) != 0;
  if (compose == mComposed) return;
  // The switches that tests and callers set carry over to the new program.
  const bool automaton = mProgram->useAutomaton, prefilter = mProgram->usePrefilter;
  Compile(compose);
  mProgram->useAutomaton = automaton;
  mProgram->usePrefilter = prefilter;
}

bool CKXRegexp::HasAutomaton() const { return mProgram->automaton != nullptr; }

void CKXRegexp::UseAutomaton(bool on) { mProgram->useAutomaton = on; }

void CKXRegexp::UsePrefilter(bool on) { mProgram->usePrefilter = on; }

long CKXRegexp::GetRequiredLength() const { return long(mProgram->required.size()); }

CKXRegexp::FilterCounts CKXRegexp::GetFilterCounts() const { return mProgram->filtered; }

std::uint16_t CKXRegexp::GetEscapeSequence(const unsigned char* text, long length, long& pos) {
  if (!text || pos < 0 || pos >= length || text[pos] != '\\') return 0;
  long at = pos;
  SKXRegexp node;
  ParseEscape(text, length, pos, KxGetSysScriptType(), node);
  switch (node.type) {
    case kKXReLiteral: return node.ch;
    case kKXReBackRef: return std::uint16_t('0' + node.ch);
    default: return at + 1 < length ? text[at + 1] : '\\';   // a class: its letter
  }
}

// ---------------------------------------------------------------------------
// Matching

namespace {

// The search earns steps for the bytes from..to (offsets in the whole text)
// that nothing in it reached before.
void Credit(SKXFindStyl::RegexpSearch& search, std::int64_t from, std::int64_t to) {
  std::int64_t fresh = to - from;
  if (from <= search.creditTo && to >= search.creditFrom) {
    fresh = std::max<std::int64_t>(0, search.creditFrom - from) + std::max<std::int64_t>(0, to - search.creditTo);
    search.creditFrom = std::min(search.creditFrom, from);
    search.creditTo = std::max(search.creditTo, to);
  } else {
    search.creditFrom = from;
    search.creditTo = to;
  }
  search.stepsLeft += kKXFindStepsPerByte * fresh;
  search.filterSteps += kKXFindFilterStepsPerByte * fresh;
}

// Whether text[from..from + n) holds an inline picture.
bool HoldsPicture(const unsigned char* text, long from, long n, SKXFindStyl& styl) {
  if (styl.decoCount <= 0) return false;
  for (long p = from; p < from + n; ++p) {
    const void* hit = std::memchr(text + p, kKxPictureByte, std::size_t(from + n - p));
    if (!hit) return false;
    p = static_cast<const unsigned char*>(hit) - text;
    if (UKXFind::IsPicture(text, p, styl)) return true;
  }
  return false;
}

// Whether text[h] starts a character of its style run's script. `known` is
// a character start at or before h from an earlier call (0 at first); it
// moves up to h or the byte after, so that a line of many occurrences is
// read back over once.
bool RequiredAtCharStart(const unsigned char* text, long h, SKXFindStyl& styl, long& known) {
  const short script = UKXFind::ScriptType(h, styl);
  const long runStart = styl.cacheStart > 0 ? styl.cacheStart : 0;
  if (known > h || known < runStart) known = runStart;
  const bool atStart = UKXFind::IsCharStart(text, known, h, script);
  known = atStart ? h : h + 1;
  return atStart;
}

}  // namespace

short CKXRegexp::Find1stStep(const unsigned char* text, long start, long length, short options,
                             long& found, SKXFindStyl& styl) {
  FoldPatternFor(options);
  Program& prog = *mProgram;
  if (!text || length <= 0 || (prog.first.empty() && !prog.any)) return 0;
  prog.Prepare(options);
  bool foldWidth = (options & kKXFindIgnoreWidth) != 0;
  long p = start < 0 || start > length ? length : start;

  // The character at x can begin a match; width gets its byte count. An
  // inline picture begins none.
  auto accepts = [&](long x, short script, int& width) {
    KxFindTick();
    if (UKXFind::IsPicture(text, x, styl)) {
      width = 1;
      return false;
    }
    int w = 1;
    std::uint16_t code = UKXFind::GetFindChar(text, length, x, options, script, &w);
    width = w;
    return prog.First(code);
  };

  if (options & kKXFindBackward) {
    std::vector<long> starts;
    while (p > 0) {
      short script;
      long q = UKXFind::CharStartsBefore(text, p, styl, script, starts);
      const long runStart = styl.cacheStart > 0 ? std::min<long>(styl.cacheStart, q) : 0;
      for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
        // The voiced mark that width folding reads with the kana before it
        // begins no match, as forward.
        const long x = *it;
        if (foldWidth && script == kScriptJapanese && x > runStart && UKXFind::ComposedKana(text[x - 1], text[x]) &&
            UKXFind::IsCharStart(text, runStart, x - 1, script) && !UKXFind::IsPicture(text, x - 1, styl))
          continue;
        int width;
        if (accepts(*it, script, width)) {
          found = *it;
          return short(width);
        }
      }
      p = q;
    }
    return 0;
  }

  bool* look = prog.look;
  if (prog.lookOptions != prog.cachedOptions) {
    prog.lookOptions = prog.cachedOptions;
    prog.lookScript = -32768;
  }
  const bool prefilter = !prog.required.empty() && prog.cachedOptions == 0 && prog.usePrefilter;
  long windowEnd = prefilter ? p : length;   // with the prefilter: the end of the line looked at
  // The next occurrence of the required bytes is kept for the search (the
  // text does not change within one).
  SKXFindStyl::RegexpSearch& search = styl.search;
  const std::int64_t base = styl.base, bufferEnd = base + length, n = std::int64_t(prog.required.size());
  long charKnown = 0;   // a character start at or before the next occurrence looked at

  // The automaton passes over lines where no match can start, and tells
  // where the first match from p ends at the earliest; a candidate before
  // that end reaches the matcher only when a match starts there. What it
  // reads earns the search its steps, as the matcher's candidates would.
  using Answer = CKXRegexpAutomaton::Answer;
  CKXRegexpAutomaton* const filter =
      prog.automaton && prog.useAutomaton && prog.automaton->Usable() ? prog.automaton.get() : nullptr;
  if (filter) Credit(search, base + p, bufferEnd);
  CKXRegexpAutomaton::Line line{};
  auto startsMatch = [&](long x) {
    if (search.filterSteps <= 0) return true;
    std::int64_t steps = 0;
    const Answer answer = filter->StartsAt(line, x, x == 0 || text[x - 1] == kCR, steps);
    search.filterSteps -= steps;
    if (answer != Answer::kNo) return true;
    ++prog.filtered.starts;
    return false;
  };

  while (p < length) {
    if (prefilter && p >= windowEnd) {
      // The next line that holds the required bytes; a match starting at p
      // or later lies inside one.
      const std::int64_t at = base + p;
      const bool known = search.requiredFrom >= 0 && search.requiredFrom <= at &&
                         (search.requiredAt >= 0 ? at <= search.requiredAt && search.requiredAt + n <= bufferEnd
                                                 : search.requiredEnd == bufferEnd);
      if (!known) {
        long h = NextRequired(prog.required, prog.requiredKey, prog.requiredKey2, text, p, length);
        // Bytes of the run inside another character start no match (a "Q"
        // is the second byte of many Shift_JIS characters).
        while (prog.requiredAtStart && h < length && !RequiredAtCharStart(text, h, styl, charKnown))
          h = NextRequired(prog.required, prog.requiredKey, prog.requiredKey2, text, h + 1, length);
        search.requiredFrom = at;
        search.requiredAt = h < length ? base + h : -1;
        search.requiredEnd = bufferEnd;
      }
      long h = search.requiredAt >= 0 ? long(search.requiredAt - base) : length;
      if (h >= length) {
        if (styl.textEnds) return 0;
        // The buffer is one chunk of a longer text and its last line goes on
        // in the next chunk, where a match starting here may find the
        // required bytes: that line is scanned in full.
        const void* cr = memrchr(text + p, kCR, std::size_t(length - p));
        if (cr) p = static_cast<const unsigned char*>(cr) - text + 1;
        windowEnd = length;
        continue;
      }
      const void* cr = memrchr(text + p, kCR, std::size_t(h - p));
      if (cr) p = static_cast<const unsigned char*>(cr) - text + 1;
      const void* end = std::memchr(text + h, kCR, std::size_t(length - h));
      windowEnd = end ? static_cast<const unsigned char*>(end) - text + 1 : length;
      ++prog.filtered.windows;
    }
    if (base + p >= search.noMatchFrom && base + p < search.noMatchTo)
      p = long(std::min<std::int64_t>(search.noMatchTo - base, windowEnd));
    if (p >= windowEnd) continue;
    short script = UKXFind::ScriptType(p, styl);
    long segEnd = styl.cacheEnd < windowEnd ? styl.cacheEnd : windowEnd;
    const bool* joins = prog.Joins(script, options);
    bool confirm = false;
    long trusted = -1;   // a start that goes to the matcher without the automaton's word
    if (filter) {
      const std::int64_t at = base + p;
      if (at < search.filterFrom || at >= search.filterEnd || search.filterFrom < base ||
          search.filterLineEnd > bufferEnd) {
        const void* cr = std::memchr(text + p, kCR, std::size_t(length - p));
        const long lineEnd = cr ? long(static_cast<const unsigned char*>(cr) - text) : length;
        search.filterFrom = at;
        search.filterEnd = search.filterLineEnd = base + lineEnd;
        search.filterChecks = false;
        // A line is looked at whole when it ends in this buffer and one
        // script holds over it; others go to the matcher as they are.
        if ((cr || styl.textEnds) && styl.cacheEnd >= lineEnd) {
          line = CKXRegexpAutomaton::Line{text, length, lineEnd, script, options, joins, &styl};
          long end = 0, clear = p;
          const Answer answer = filter->EarliestEnd(line, p, p == 0 || text[p - 1] == kCR, end, clear);
          if (answer == Answer::kNo) {
            ++prog.filtered.lines;
            p = cr ? lineEnd + 1 : length;
            continue;
          }
          if (answer == Answer::kYes) {
            search.filterEnd = base + end;
            search.filterChecks = true;
            // Starts before `clear` begin no match: the first candidate is
            // there or later. The single-byte candidates passed over count
            // as ruled out.
            for (long x = p; x < clear; ++x) {
              const unsigned char b = text[x];
              if (!joins[b] && (prog.firstByte[b] == 2 || (prog.firstByte[b] == 0 && prog.First(b))))
                ++prog.filtered.starts;
            }
            p = clear;
            // Most often the match starts right there, and the matcher
            // reads it no slower than the automaton would to confirm it.
            trusted = clear;
          }
        }
      }
      segEnd = std::min(segEnd, long(search.filterEnd - base));
      confirm = search.filterChecks;
      if (confirm)
        line = CKXRegexpAutomaton::Line{text,    length, long(search.filterLineEnd - base), script,
                                        options, joins,  &styl};
    }
    if (segEnd <= p) segEnd = p + 1;
    // Bytes worth a closer look: a first byte that passes, a lead byte, or a
    // half-width kana that a voiced mark may join.
    if (script != prog.lookScript) {
      prog.lookScript = script;
      for (int b = 0; b < 256; ++b)
        look[b] = prog.firstByte[b] != 1 || KxTextCharFirst(std::uint16_t(b), script) ||
                  (foldWidth && script == kScriptJapanese && b >= 0xA1 && b <= 0xDF);
    }
    while (p < segEnd) {
      while (p < segEnd && !look[text[p]]) ++p;
      if (p >= segEnd) break;
      if (!joins[text[p]] && prog.First(text[p]) && !UKXFind::IsPicture(text, p, styl)) {
        if (!confirm || p == trusted || startsMatch(p)) {
          found = p;
          return 1;
        }
        ++p;
        continue;
      }
      int width;
      if (accepts(p, script, width)) {
        if (!confirm || p == trusted || startsMatch(p)) {
          found = p;
          return short(width);
        }
        p += width;
        continue;
      }
      // A single byte just found not to begin a match is skipped from now on.
      unsigned char b = text[p];
      if (prog.firstByte[b] == 1 && !KxTextCharFirst(b, script) &&
          !(foldWidth && script == kScriptJapanese && b >= 0xA1 && b <= 0xDF))
        look[b] = false;
      p += width;
    }
  }
  return 0;
}

std::int32_t CKXRegexp::Find2ndStep(const unsigned char* text, long offset, long length, short options,
                                    SKXFindStyl& styl) {
  FoldPatternFor(options);
  Program& prog = *mProgram;
  for (auto& c : mCaptures) c = -1;
  mCaptureText = text;
  mReachedEnd = false;
  if (!text || offset < 0 || offset >= length) return 0;
  prog.Prepare(options);

  // The search earns steps for the bytes from here to the buffer's end.
  SKXFindStyl::RegexpSearch& search = styl.search;
  const std::int64_t from = styl.base + std::int64_t(offset);
  Credit(search, from, styl.base + std::int64_t(length));

  const short foldOptions = prog.cachedOptions;
  std::int32_t caps[2 * (kMaxGroups + 1)];
  for (auto& c : caps) c = -1;
  std::vector<Entry>& stack = prog.stack;
  stack.clear();
  std::vector<std::int32_t>& counts = prog.counts;
  std::vector<std::int32_t>& starts = prog.starts;
  const std::vector<Inst>& code = prog.code;

  // Where one script holds over the whole buffer (as without style runs), a
  // byte that is a character by itself is tested straight from the byte.
  UKXFind::ScriptType(offset, styl);
  const bool* joins = styl.cacheStart <= offset && styl.cacheEnd >= length ? prog.Joins(styl.cacheScript, options)
                                                                          : nullptr;
  std::uint8_t* const memo = prog.testBytes.data();
  // One character at pos passing test t; width gets its byte count. A match
  // never reaches past the line's CR. A character read from the last byte may
  // go on after it (a trail byte, a voiced mark).
  bool& reached = mReachedEnd;
  auto step = [&](int t, long pos, int& width) {
    if (pos >= length) {
      reached = true;
      return false;
    }
    const unsigned char b = text[pos];
    if (b == kCR) return false;
    // An inline picture is no character: nothing takes it.
    if (b == kKxPictureByte && UKXFind::IsPicture(text, pos, styl)) return false;
    if (joins && !joins[b]) {
      width = 1;
      std::uint8_t& m = memo[std::size_t(t) * 256 + b];
      if (m == 0) m = FoldTest(*prog.tests[std::size_t(t)], b, foldOptions) ? 2 : 1;
      return m == 2;
    }
    if (pos + 1 >= length) reached = true;
    const std::uint16_t ch = KxRegexpReadChar(text, length, pos, options, UKXFind::ScriptType(pos, styl), width);
    return prog.Test(t, ch, foldOptions);
  };

  // Patterns like "((a*)*)*b" take time exponential in the line's length
  // to fail: the search gives up when its steps run out.
  std::int64_t& budget = search.stepsLeft;
  std::int32_t pc = 0;
  long pos = offset;
  for (;;) {
    const Inst& in = code[std::size_t(pc)];
    bool ok = true;
    switch (in.op) {
      case kOpTest: {
        int w;
        if (step(in.x, pos, w)) { pos += w; ++pc; } else ok = false;
        break;
      }
      case kOpStar: {
        long p = pos;
        std::int32_t n = 0;
        int w = 1;
        if (in.greedy) {
          bool singles = true;
          long firstFree = -1;   // position after the min-th character
          if (in.min == 0) firstFree = p;
          while ((in.max < 0 || n < in.max) && step(in.x, p, w)) {
            if (w != 1) singles = false;
            p += w;
            ++n;
            if (n == in.min) firstFree = p;
          }
          if (n < in.min) { ok = false; break; }
          if (n > in.min) {
            if (singles) {
              stack.push_back(Entry{kGiveBack, pc + 1, std::int32_t(p), std::int32_t(firstFree)});
            } else {
              // Characters of two widths: one choice point per position.
              long x = pos;
              for (std::int32_t k = 0; k < n; ++k) {
                int cw = 1;
                step(in.x, x, cw);
                if (k >= in.min) stack.push_back(Entry{kChoice, pc + 1, std::int32_t(x), 0});
                x += cw;
              }
            }
          }
          pos = p;
          ++pc;
        } else {
          while (n < in.min && step(in.x, p, w)) { p += w; ++n; }
          if (n < in.min) { ok = false; break; }
          if (in.max < 0 || n < in.max) stack.push_back(Entry{kTakeMore, pc, std::int32_t(p), n});
          pos = p;
          ++pc;
        }
        break;
      }
      case kOpLineStart:
        if (pos == 0 || text[pos - 1] == kCR) ++pc; else ok = false;
        break;
      case kOpLineEnd:
        if (pos == length) reached = true;
        if (pos == length || text[pos] == kCR) ++pc; else ok = false;
        break;
      case kOpSplit:
        stack.push_back(Entry{kChoice, in.y, std::int32_t(pos), 0});
        pc = in.x;
        break;
      case kOpJump:
        pc = in.x;
        break;
      case kOpSave:
        stack.push_back(Entry{kSlot, in.x, caps[in.x], 0});
        caps[in.x] = std::int32_t(pos);
        ++pc;
        break;
      case kOpBackRef: {
        std::int32_t s = caps[2 * in.x], e = caps[2 * in.x + 1];
        if (s < 0 || e < s) { ok = false; break; }
        long n = e - s;
        // The capture holds no CR, so neither does an equal run of bytes;
        // it holds no picture, but an equal run of bytes may.
        if (pos + n > length) reached = true;
        if (pos + n <= length && std::memcmp(text + s, text + pos, std::size_t(n)) == 0 &&
            !HoldsPicture(text, pos, n, styl)) {
          pos += n;
          ++pc;
        } else {
          ok = false;
        }
        break;
      }
      case kOpRepInit:
        stack.push_back(Entry{kLoop, in.x, counts[std::size_t(in.x)], starts[std::size_t(in.x)]});
        counts[std::size_t(in.x)] = 0;
        starts[std::size_t(in.x)] = -1;
        ++pc;
        break;
      case kOpRepHead: {
        std::int32_t n = counts[std::size_t(in.x)];
        if (n < in.min) {
          ++pc;
        } else if (in.max >= 0 && n >= in.max) {
          pc = in.y;
        } else if (in.greedy) {
          stack.push_back(Entry{kChoice, in.y, std::int32_t(pos), 0});
          ++pc;
        } else {
          stack.push_back(Entry{kChoice, pc + 1, std::int32_t(pos), 0});
          pc = in.y;
        }
        break;
      }
      case kOpRepEnter:
        stack.push_back(Entry{kLoop, in.x, counts[std::size_t(in.x)], starts[std::size_t(in.x)]});
        starts[std::size_t(in.x)] = std::int32_t(pos);
        ++pc;
        break;
      case kOpRepTail: {
        std::size_t l = std::size_t(in.x);
        stack.push_back(Entry{kLoop, in.x, counts[l], starts[l]});
        ++counts[l];
        // An iteration that took nothing is not repeated once the minimum is met.
        if (counts[l] >= in.min && starts[l] == pos) {
          pc = code[std::size_t(in.y)].y;
        } else {
          pc = in.y;
        }
        break;
      }
      case kOpMatch:
        if (pos > offset) {
          std::memcpy(mCaptures, caps, sizeof caps);
          mCaptures[0] = std::int32_t(offset);
          mCaptures[1] = std::int32_t(pos);
          return std::int32_t(pos - offset);
        }
        ok = false;   // an empty match counts as none: look for a longer one
        break;
    }
    if (ok) continue;
    // Back to the latest choice, undoing what was recorded after it.
    if (--budget < 0) throw LException(kKXFindTooComplex);
    KxFindTick();
    for (;;) {
      if (stack.empty()) {
        if (prog.leadRun >= 0) {
          // No later start inside the leading run can match either. A run
          // cut by the buffer's end only skips fewer starts: the answer
          // stands whatever follows.
          const bool answerReached = reached;
          long q = offset;
          for (int w = 1; step(code[std::size_t(prog.leadRun)].x, q, w);) q += w;
          reached = answerReached;
          search.noMatchFrom = from;
          search.noMatchTo = styl.base + q;
        }
        return 0;
      }
      Entry e = stack.back();
      stack.pop_back();
      if (e.kind == kSlot) {
        caps[e.a] = e.b;
      } else if (e.kind == kLoop) {
        counts[std::size_t(e.a)] = e.b;
        starts[std::size_t(e.a)] = e.c;
      } else if (e.kind == kChoice) {
        pc = e.a;
        pos = e.b;
        break;
      } else if (e.kind == kGiveBack) {
        pos = e.b - 1;
        if (pos > e.c) stack.push_back(Entry{kGiveBack, e.a, std::int32_t(pos), e.c});
        pc = e.a;
        break;
      } else {   // kTakeMore
        const Inst& star = code[std::size_t(e.a)];
        int w;
        if (!step(star.x, e.b, w)) continue;
        pos = e.b + w;
        std::int32_t n = e.c + 1;
        if (star.max < 0 || n < star.max) stack.push_back(Entry{kTakeMore, e.a, std::int32_t(pos), n});
        pc = e.a + 1;
        break;
      }
    }
  }
}

bool CKXRegexp::GetCapture(int n, std::int32_t& start, std::int32_t& length) const {
  if (n < 0 || n > kMaxGroups) return false;
  std::int32_t s = mCaptures[2 * n], e = mCaptures[2 * n + 1];
  if (s < 0 || e < s) return false;
  start = s;
  length = e - s;
  return true;
}

bool CKXRegexp::FindGroupRef(int n, const unsigned char* text, long length, long& pos) const {
  std::int32_t s, len;
  if (n < 1 || !GetCapture(n, s, len) || !mCaptureText || pos < 0) return false;
  if (pos + len > length || std::memcmp(mCaptureText + s, text + pos, std::size_t(len)) != 0) return false;
  pos += len;
  return true;
}
