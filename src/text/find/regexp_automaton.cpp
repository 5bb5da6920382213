#include "text/find/regexp_automaton.h"

#include <algorithm>
#include <iterator>

#include "text/find/find.h"
#include "text/find/regexp.h"

namespace {

constexpr unsigned char kCR = 13;
// Counted repeats are written out node by node ("(a{200}){200}" would take
// 40,000 nodes); an expression needing more than this has no automaton.
// Nor has one of more distinct character tests than kMaxTests: each new
// character is put through all of them to find its class.
constexpr std::size_t kMaxNodes = 4096;
constexpr std::size_t kMaxTests = 512;
// Room for the states of one automaton: their number, their sets' nodes
// together, and the cells of the transition table. A full automaton drops
// its states and makes them again as the text needs them.
constexpr std::size_t kMaxStates = 4096;
constexpr std::size_t kMaxSetNodes = std::size_t(1) << 19;
constexpr std::size_t kMaxCells = std::size_t(1) << 20;
// Past this many classes, or this many times full, the automaton stops
// answering: the matcher alone is then as fast.
constexpr std::int32_t kMaxClasses = 1024;
constexpr int kMaxFlushes = 8;

// State flags.
constexpr std::uint8_t kAccept = 1;        // a match ends here
constexpr std::uint8_t kAcceptAtEnd = 2;   // a match ends here when the line does
constexpr std::uint8_t kDead = 4;          // no match can go on from here
constexpr std::uint8_t kAtLineStart = 8;   // nothing read yet, at the line's start

}  // namespace

std::uint16_t KxRegexpReadChar(const unsigned char* text, long length, long pos, short options,
                               short script, int& width) {
  std::uint16_t ch = UKXFind::GetFindChar(text, length, pos, options, script, &width);
  if (width == 2 && text[pos + 1] == kCR) ch = UKXFind::GetFindChar(text, pos + 1, pos, options, script, &width);
  return ch;
}

CKXRegexpAutomaton::CKXRegexpAutomaton(const SKXRegexp& root) {
  const std::int32_t match = Add(kMatch, -1);
  mStart = Build(root, match);
  mTestIndex.clear();
  if (mTests.size() > kMaxTests) mUsable = false;
  if (!mUsable) {
    mNodes.clear();
    mTests.clear();
    return;
  }
  mMark.assign(mNodes.size(), 0);
  for (int lineStart = 0; lineStart < 2; ++lineStart) {
    ++mGeneration;
    Close(mStart, lineStart != 0, false, mInject[lineStart]);
    std::sort(mInject[lineStart].begin(), mInject[lineStart].end());
  }
  mFloating.floating = true;
  Reset(0);
}

std::int32_t CKXRegexpAutomaton::Add(Kind kind, std::int32_t out, std::int32_t out2, std::int32_t test) {
  mNodes.push_back(Node{kind, out, out2, test});
  return std::int32_t(mNodes.size() - 1);
}

// The nodes of n followed by those from next, built backward; answers n's
// first node.
std::int32_t CKXRegexpAutomaton::Build(const SKXRegexp& n, std::int32_t next) {
  if (!mUsable) return next;
  if (mNodes.size() > kMaxNodes) {
    mUsable = false;
    return next;
  }
  if (KxRegexpIsTest(n)) {
    // Copies of a repeated node share its test.
    auto [it, fresh] = mTestIndex.emplace(&n, std::int32_t(mTests.size()));
    if (fresh) mTests.push_back(&n);
    return Add(kTest, next, -1, it->second);
  }
  switch (n.type) {
    case kKXReLineStart: return Add(kLineStart, next);
    case kKXReLineEnd: return Add(kLineEnd, next);
    case kKXReBackRef: mUsable = false; return next;
    case kKXReGroup:
      for (auto it = n.children.rbegin(); it != n.children.rend(); ++it) next = Build(*it, next);
      return next;
    case kKXReAlternation: {
      std::int32_t alt = Build(n.children.back(), next);
      for (std::size_t k = n.children.size() - 1; k-- > 0;) {
        const std::int32_t first = Build(n.children[k], next);
        alt = Add(kSplit, first, alt);
      }
      return alt;
    }
    case kKXReRepeat: {
      const SKXRegexp& c = n.children[0];
      std::int32_t cur = next;
      if (n.max < 0) {
        const std::int32_t loop = Add(kSplit, -1, next);
        const std::int32_t body = Build(c, loop);
        mNodes[std::size_t(loop)].out = body;
        cur = loop;
      } else {
        for (std::int32_t k = n.min; k < n.max && mUsable; ++k) {
          const std::int32_t body = Build(c, cur);
          cur = Add(kSplit, body, next);
        }
      }
      for (std::int32_t k = 0; k < n.min && mUsable; ++k) cur = Build(c, cur);
      return cur;
    }
    default:
      return next;
  }
}

// Adds to out the nodes reachable from node without reading a character
// (those not marked in this generation yet): nodes that test one, the
// match, and "$" when the line does not end here.
void CKXRegexpAutomaton::Close(std::int32_t node, bool lineStart, bool lineEnd, std::vector<std::int32_t>& out) {
  mStack.clear();
  mStack.push_back(node);
  while (!mStack.empty()) {
    const std::int32_t x = mStack.back();
    mStack.pop_back();
    if (mMark[std::size_t(x)] == mGeneration) continue;
    mMark[std::size_t(x)] = mGeneration;
    const Node& nd = mNodes[std::size_t(x)];
    switch (nd.kind) {
      case kTest: case kMatch:
        out.push_back(x);
        break;
      case kSplit:
        mStack.push_back(nd.out2);
        mStack.push_back(nd.out);
        break;
      case kLineStart:
        if (lineStart) mStack.push_back(nd.out);
        break;
      case kLineEnd:
        if (lineEnd) mStack.push_back(nd.out);
        else out.push_back(x);
        break;
    }
  }
}

void CKXRegexpAutomaton::Flush(Dfa& d) {
  d.sets.clear();
  d.setStart.assign(1, 0);
  d.flags.clear();
  d.next.clear();
  d.slots.clear();
  d.start[0] = d.start[1] = -1;
  d.idle = -1;
}

// The slot of the state with this set, or the free slot where it would go.
std::size_t CKXRegexpAutomaton::Slot(const Dfa& d, const std::int32_t* set, std::size_t size, bool lineStart) const {
  std::uint64_t h = lineStart ? 0x9E3779B97F4A7C15u : 0x2545F4914F6CDD1Du;
  for (std::size_t k = 0; k < size; ++k) h = (h ^ std::uint32_t(set[k])) * 0x100000001B3u;
  const std::size_t mask = d.slots.size() - 1;
  for (std::size_t i = std::size_t(h ^ (h >> 29)) & mask;; i = (i + 1) & mask) {
    const std::int32_t id = d.slots[i];
    if (id < 0) return i;
    const std::int32_t* other = d.sets.data() + d.setStart[std::size_t(id)];
    if (bool(d.flags[std::size_t(id)] & kAtLineStart) == lineStart &&
        std::size_t(d.setStart[std::size_t(id) + 1] - d.setStart[std::size_t(id)]) == size &&
        std::equal(set, set + size, other))
      return i;
  }
}

// The state of the sorted set; -1 when the automaton stopped answering.
std::int32_t CKXRegexpAutomaton::Intern(Dfa& d, const std::vector<std::int32_t>& set, bool lineStart) {
  if (!d.slots.empty()) {
    const std::int32_t id = d.slots[Slot(d, set.data(), set.size(), lineStart)];
    if (id >= 0) return id;
  }
  const std::size_t states = d.flags.size();
  if (states >= kMaxStates || d.sets.size() + set.size() > kMaxSetNodes ||
      (states + 1) * std::size_t(mWidth) > kMaxCells) {
    Flush(d);
    if (++mFlushes > kMaxFlushes) mUsable = false;
    if (!mUsable) return -1;
  }
  std::uint8_t flags = lineStart ? kAtLineStart : 0;
  if (set.empty() && !d.floating) flags |= kDead;
  // Floating with nothing under way where no match can begin but at a
  // line's start: the rest of the line holds no match.
  const bool idle = set.empty() && d.floating && !lineStart;
  if (idle && mInject[0].empty()) flags |= kDead;
  for (std::int32_t x : set)
    if (mNodes[std::size_t(x)].kind == kMatch) flags |= kAccept | kAcceptAtEnd;
  if (!(flags & kAccept)) {
    ++mGeneration;
    mScratch.clear();
    for (std::int32_t x : set)
      if (mNodes[std::size_t(x)].kind == kLineEnd) Close(mNodes[std::size_t(x)].out, false, true, mScratch);
    for (std::int32_t x : mScratch)
      if (mNodes[std::size_t(x)].kind == kMatch) flags |= kAcceptAtEnd;
  }
  const std::int32_t id = std::int32_t(d.flags.size());
  if (idle) d.idle = id;
  d.flags.push_back(flags);
  d.sets.insert(d.sets.end(), set.begin(), set.end());
  d.setStart.push_back(std::int32_t(d.sets.size()));
  d.next.resize(d.flags.size() * std::size_t(mWidth), -1);
  if (d.flags.size() * 2 > d.slots.size()) {
    // Twice the room, every state placed again.
    d.slots.assign(std::max<std::size_t>(16, 2 * d.slots.size()), -1);
    for (std::int32_t k = 0; k < id; ++k) {
      const std::int32_t* ks = d.sets.data() + d.setStart[std::size_t(k)];
      const std::size_t n = std::size_t(d.setStart[std::size_t(k) + 1] - d.setStart[std::size_t(k)]);
      d.slots[Slot(d, ks, n, d.flags[std::size_t(k)] & kAtLineStart)] = k;
    }
  }
  d.slots[Slot(d, set.data(), set.size(), lineStart)] = id;
  return id;
}

std::int32_t CKXRegexpAutomaton::Start(Dfa& d, bool lineStart) {
  std::int32_t& s = d.start[lineStart ? 1 : 0];
  if (s >= 0) return s;
  // The floating automaton starts with nothing under way (its start comes
  // in with every character); the anchored one with the start itself.
  mSet.clear();
  if (!d.floating) mSet = mInject[lineStart ? 1 : 0];
  const std::int32_t id = Intern(d, mSet, d.floating && lineStart);
  d.start[lineStart ? 1 : 0] = id;
  return id;
}

// The state after state s reads a character of class cls.
std::int32_t CKXRegexpAutomaton::Step(Dfa& d, std::int32_t s, std::int32_t cls) {
  ++mGeneration;
  mSet.clear();
  const std::uint8_t* passes = mPasses.data() + std::size_t(cls) * mTests.size();
  auto read = [&](std::int32_t x) {
    const Node& nd = mNodes[std::size_t(x)];
    if (nd.kind == kTest && passes[nd.test]) Close(nd.out, false, false, mSet);
  };
  for (std::int32_t k = d.setStart[std::size_t(s)]; k < d.setStart[std::size_t(s) + 1]; ++k) read(d.sets[std::size_t(k)]);
  if (d.floating)
    for (std::int32_t x : mInject[d.flags[std::size_t(s)] & kAtLineStart ? 1 : 0]) read(x);
  std::sort(mSet.begin(), mSet.end());
  const std::size_t cell = (std::size_t(s) << mShift) + std::size_t(cls);
  const int flushes = mFlushes;
  const std::int32_t id = Intern(d, mSet, false);
  if (id >= 0 && flushes == mFlushes) d.next[cell] = Encode(d, id);
  return id;
}

std::int32_t CKXRegexpAutomaton::Encode(const Dfa& d, std::int32_t id) const {
  const std::uint8_t flags = d.flags[std::size_t(id)];
  const bool final = (flags & (kAccept | kDead)) != 0;
  const std::int32_t row = id << mShift;
  return final ? -2 - row : row;
}

std::int32_t CKXRegexpAutomaton::ClassOf(std::uint16_t code) {
  std::int32_t* slot;
  if (code < 256) {
    slot = &mByteClass[code];
  } else {
    if (mWordClass.empty()) mWordClass.assign(65536, -1);
    slot = &mWordClass[code];
  }
  if (*slot >= 0) return *slot;
  std::string answers(mTests.size(), '\0');
  for (std::size_t t = 0; t < mTests.size(); ++t) answers[t] = KxRegexpTest(*mTests[t], code, mFoldOptions) ? 1 : 0;
  if (auto it = mClassIndex.find(answers); it != mClassIndex.end()) return *slot = it->second;
  const std::int32_t cls = std::int32_t(mClassIndex.size());
  if (cls >= kMaxClasses) {
    mUsable = false;
    return -1;
  }
  mPasses.insert(mPasses.end(), answers.begin(), answers.end());
  mClassIndex.emplace(std::move(answers), cls);
  if (cls >= mWidth) {
    // Tables twice as wide, their entries placed and written again.
    const int oldShift = mShift;
    mShift = mWidth == 0 ? 3 : mShift + 1;
    mWidth = 1 << mShift;
    for (Dfa* d : {&mFloating, &mAnchored}) {
      std::vector<std::int32_t> next(d->flags.size() << mShift, -1);
      for (std::size_t k = 0; k < d->next.size(); ++k) {
        const std::int32_t e = d->next[k];
        if (e != -1) next[((k >> oldShift) << mShift) + (k & ((std::size_t(1) << oldShift) - 1))] =
            Encode(*d, (e >= 0 ? e : -2 - e) >> oldShift);
      }
      d->next = std::move(next);
    }
  }
  return *slot = cls;
}

std::int32_t CKXRegexpAutomaton::SlowClass(const Line& line, long pos, int& width) {
  const unsigned char b = line.text[pos];
  if (!line.joins[b]) {
    width = 1;
    return mFast[b] = ClassOf(b);
  }
  // A picture stands alone, but its byte may be a kana that a mark joins
  // elsewhere: no table learns from it.
  if (line.styl && UKXFind::IsPicture(line.text, pos, *line.styl)) {
    width = 1;
    return ClassOf(b);
  }
  return ClassOf(KxRegexpReadChar(line.text, line.length, pos, line.options, line.script, width));
}

void CKXRegexpAutomaton::Reset(short foldOptions) {
  mFoldOptions = foldOptions;
  mPasses.clear();
  mClassIndex.clear();
  std::fill(std::begin(mByteClass), std::end(mByteClass), -1);
  mWordClass.clear();
  mWidth = 0;
  mShift = 0;
  Flush(mFloating);
  Flush(mAnchored);
  mFastScript = -32768;
  mSkipReady = false;
  mSkipTablesMade = 0;
}

void CKXRegexpAutomaton::PrepareLine(const Line& line) {
  if (line.script == mFastScript && line.options == mFastOptions) return;
  mFastScript = line.script;
  mFastOptions = line.options;
  std::fill(std::begin(mFast), std::end(mFast), -1);
  mSkipReady = false;
}

// Which single-byte characters keep the idle state idle, found once for the
// line's script and options by stepping the idle state on each.
void CKXRegexpAutomaton::PrepareSkip(Dfa& d, const Line& line) {
  if (mSkipReady) return;
  mSkipReady = true;
  const int made = std::min(mSkipTablesMade, kSkipTables);
  for (int k = 0; k < made; ++k) {
    if (mSkipScript[k] == line.script && mSkipOptions[k] == line.options) {
      mSkip = mSkipTables[k];
      return;
    }
  }
  const int slot = mSkipTablesMade++ % kSkipTables;
  mSkipScript[slot] = line.script;
  mSkipOptions[slot] = line.options;
  bool* table = mSkipTables[slot];
  mSkip = table;
  std::fill(table, table + 256, false);
  mSet.clear();
  const std::int32_t idle = Intern(d, mSet, false);
  if (idle < 0 || (d.flags[std::size_t(idle)] & kDead)) return;
  // Tables that could not be made are not kept: the next change of script looks again.
  mSkipScript[slot] = -32768;
  const int flushes = mFlushes;
  bool skip[256] = {};
  for (int b = 0; b < 256; ++b) {
    if (line.joins[b] || b == kCR) continue;
    std::int32_t cls = mFast[b];
    if (cls < 0 && (cls = mFast[b] = ClassOf(std::uint16_t(b))) < 0) return;
    const std::int32_t t = d.next[(std::size_t(idle) << mShift) + std::size_t(cls)];
    const std::int32_t id = t == -1 ? Step(d, idle, cls) : (t >= 0 ? t : -2 - t) >> mShift;
    // Made anew when the tables were full: the idle state may be another.
    if (id < 0 || flushes != mFlushes) return;
    skip[b] = id == idle;
  }
  std::copy(std::begin(skip), std::end(skip), table);
  mSkipScript[slot] = line.script;
}

template <bool kFloating>
CKXRegexpAutomaton::Answer CKXRegexpAutomaton::Run(Dfa& d, const Line& line, long from, bool lineStart,
                                                   long& end, long& clear, std::int64_t& steps) {
  if (!mUsable) return Answer::kUnknown;
  PrepareLine(line);
  if (kFloating) PrepareSkip(d, line);
  if (!mUsable) return Answer::kUnknown;
  std::int32_t s = Start(d, lineStart);
  if (s < 0) return Answer::kUnknown;
  const unsigned char* text = line.text;
  const long stop = line.end;
  long q = from;
  clear = from;
  const std::int32_t* next = d.next.data();
  std::int32_t row = s << mShift;
  std::int32_t idleRow = kFloating && d.idle >= 0 ? d.idle << mShift : -1;
  for (;;) {
    // Characters of one byte, between states already made that end nothing.
    while (q < stop) {
      if (kFloating && row == idleRow) {
        // Nothing under way: on to the next byte that may begin a match.
        // No match starts before it (one that did would be under way here,
        // or would have ended, and the first end returns at once).
        while (q < stop && mSkip[text[q]]) ++q;
        if (q >= stop) break;
        clear = q;
      }
      const std::int32_t cls = mFast[text[q]];
      if (cls < 0) break;
      const std::int32_t t = next[row + cls];
      if (t < 0) break;
      ++q;
      if (t == row) {
        // A state that stays as it is: with its row known, the entries for
        // the next bytes are read without waiting for one another.
        while (q < stop) {
          const std::int32_t c = mFast[text[q]];
          if (c < 0 || next[row + c] != row) break;
          ++q;
        }
        continue;
      }
      row = t;
    }
    if (q >= stop) break;
    // A closer look: a character that needs reading, a state not made yet,
    // or one that ends the run. The tables may move or widen.
    s = row >> mShift;
    int w = 1;
    std::int32_t cls = mFast[text[q]];
    if (cls < 0 && (cls = SlowClass(line, q, w)) < 0) return Answer::kUnknown;
    std::int32_t t = d.next[(std::size_t(s) << mShift) + std::size_t(cls)];
    if (t == -1) {
      const std::int32_t id = Step(d, s, cls);
      if (id < 0) return Answer::kUnknown;
      t = Encode(d, id);
    }
    next = d.next.data();
    idleRow = kFloating && d.idle >= 0 ? d.idle << mShift : -1;
    q += w;
    if (t >= 0) {
      row = t;
      continue;
    }
    steps += q - from;
    if (d.flags[std::size_t((-2 - t) >> mShift)] & kAccept) {
      end = q;
      return Answer::kYes;
    }
    return Answer::kNo;   // anchored, and nothing can match any more
  }
  steps += q - from;
  if (q > from && (d.flags[std::size_t(row >> mShift)] & kAcceptAtEnd)) {
    end = stop;
    return Answer::kYes;
  }
  return Answer::kNo;
}

CKXRegexpAutomaton::Answer CKXRegexpAutomaton::EarliestEnd(const Line& line, long from, bool lineStart, long& end,
                                                           long& clear) {
  std::int64_t steps = 0;
  return Run<true>(mFloating, line, from, lineStart, end, clear, steps);
}

CKXRegexpAutomaton::Answer CKXRegexpAutomaton::StartsAt(const Line& line, long at, bool lineStart,
                                                        std::int64_t& steps) {
  long end = 0, clear = 0;
  return Run<false>(mAnchored, line, at, lineStart, end, clear, steps);
}
