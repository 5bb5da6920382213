// The matching program: the parsed tree flattened into instructions, the
// first tests and the bytes every match holds.
#include "text/find/regexp_program.h"

#include <algorithm>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/exception.h"
#include "text/codes/charclass.h"
#include "text/codes/script.h"

using namespace kx_regexp;

namespace kx_regexp {

// How common a byte is in text (higher is more common): the prefilter looks
// for the least common byte of the required run first, as memchr finds a
// rare byte far faster than a whole run.
int Commonness(unsigned char b) {
  if (b == ' ') return 100;
  if (b >= 'a' && b <= 'z') return std::strchr("etaoinshrdlcu", b) ? 80 : 60;
  if (b >= '0' && b <= '9') return 50;
  if (b >= 'A' && b <= 'Z') return 40;
  if (b >= 0x81 && b <= 0x9F) return 70;  // Shift_JIS lead bytes of kana and common kanji
  if (b >= 0x80) return 45;
  return 20;                                // punctuation and controls
}

void PickKeys(const std::vector<unsigned char>& run, std::size_t& key, std::size_t& key2) {
  // The two least common bytes at different places are compared together;
  // between equally common ones the second is taken far from the first, as
  // neighbours often come together ("er", "th").
  key = key2 = 0;
  if (run.empty()) return;
  for (std::size_t k = 0; k < run.size(); ++k)
    if (Commonness(run[k]) < Commonness(run[key])) key = k;
  auto distance = [&](std::size_t k) { return k > key ? k - key : key - k; };
  key2 = key == 0 ? run.size() - 1 : 0;
  for (std::size_t k = 0; k < run.size(); ++k) {
    if (k == key) continue;
    const int c = Commonness(run[k]), best = Commonness(run[key2]);
    if (c < best || (c == best && distance(k) > distance(key2))) key2 = k;
  }
}

// Offset of the next occurrence of the required run at or after from; length when none.
long NextRequired(const std::vector<unsigned char>& required, std::size_t key, std::size_t key2,
                  const unsigned char* text, long from, long length) {
  const long n = long(required.size());
  if (n == 1) {
    const void* hit = from < length ? std::memchr(text + from, required[0], std::size_t(length - from)) : nullptr;
    return hit ? long(static_cast<const unsigned char*>(hit) - text) : length;
  }
  const long k1 = long(key), k2 = long(key2);
  const unsigned char b1 = required[key], b2 = required[key2];
  // Starts whose rarest byte agrees, found by memchr (the fastest search
  // while that byte is rare in the text), are compared whole.
  auto scan = [&](long q, bool bounded) {
    long misses = 0;
    for (q += k1; q < length;) {
      const void* hit = std::memchr(text + q, b1, std::size_t(length - q));
      if (!hit) return length;
      const long at = static_cast<const unsigned char*>(hit) - text - k1;
      if (at + n <= length && text[at + k2] == b2 && std::memcmp(text + at, required.data(), std::size_t(n)) == 0)
        return at;
      q = at + k1 + 1;
      // The byte turns out common: the caller goes on with both key bytes.
      if (bounded && ++misses >= 8 && q - from < misses * 128) return -1 - (q - k1);
    }
    return length;
  };
  long q = from;
#if defined(__SSE2__)
  // A byte rarely seen in text goes to memchr first; a letter or a space
  // straight to the pairs of key bytes.
  if (Commonness(b1) <= 50) {
    const long found = scan(q, true);
    if (found >= 0) return found;
    q = -1 - found;
  }
  // Sixteen starts at a time: those whose two key bytes both agree are
  // compared whole. Loads stay inside the text (the last one ends at
  // q + 15 + max(k1, k2) < length).
  const __m128i want1 = _mm_set1_epi8(char(b1)), want2 = _mm_set1_epi8(char(b2));
  const long reach = std::max(k1, k2) + 16;
  for (; q + reach <= length; q += 16) {
    const __m128i at1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + q + k1));
    const __m128i at2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + q + k2));
    unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(at1, want1), _mm_cmpeq_epi8(at2, want2))));
    while (mask) {
      const long at = q + __builtin_ctz(mask);
      if (at + n <= length && std::memcmp(text + at, required.data(), std::size_t(n)) == 0) return at;
      mask &= mask - 1;
    }
  }
#endif
  // The rest (or everything, without vectors).
  return scan(q, false);
}

}  // namespace kx_regexp


namespace kx_regexp {

// The node's test without its negation.
bool Positive(const SKXRegexp& n, std::uint16_t code);

bool SingleTest(const SKXRegexp& n, std::uint16_t code) { return Positive(n, code) != n.negated; }

bool Positive(const SKXRegexp& n, std::uint16_t code) {
  switch (n.type) {
    case kKXReLiteral: return code == n.ch;
    case kKXReAny: return code != kCR && code != kLF;
    case kKXReRange: return code >= n.ch && code <= n.hi;
    case kKXReWord: return UKXText::IsByteAlnum(code) || code == '_';
    case kKXReSpace: return code == ' ' || code == '\t' || code == kLF || code == kCR || code == 12;
    case kKXReDigit: return code >= '0' && code <= '9';
    case kKXReSet:
      for (const SKXRegexp& c : n.children)
        if (SingleTest(c, code)) return true;
      return false;
    default: return code == n.ch;
  }
}

// With folding, every form of the text character is tried: a plain node
// matches when one form does, a negated node when no form matches its
// positive form.
bool FoldTest(const SKXRegexp& n, std::uint16_t code, short options) {
  if (!(options & (kKXFindIgnoreCase | kKXFindIgnoreWidth | kKXFindIgnoreKana))) return SingleTest(n, code);
  std::uint16_t alts[kKXFindEnumMax];
  int k = UKXFind::EnumFindChar(code, options, alts);
  for (int i = 0; i < k; ++i)
    if (Positive(n, alts[i])) return !n.negated;
  return n.negated;
}

}  // namespace kx_regexp

bool KxRegexpIsTest(const SKXRegexp& node) { return IsTestNode(node); }

bool KxRegexpTest(const SKXRegexp& node, std::uint16_t code, short options) { return FoldTest(node, code, options); }

namespace {

// Adds the tests that can take the first character; true when the node can
// match without consuming any.
bool FirstTests(const SKXRegexp& n, std::vector<const SKXRegexp*>& out, bool& any) {
  if (IsTestNode(n)) {
    out.push_back(&n);
    return false;
  }
  switch (n.type) {
    case kKXReLineStart: case kKXReLineEnd: return true;
    case kKXReBackRef: any = true; return true;
    case kKXReGroup:
      for (const SKXRegexp& c : n.children)
        if (!FirstTests(c, out, any)) return false;
      return true;
    case kKXReAlternation: {
      bool empty = false;
      for (const SKXRegexp& c : n.children) empty |= FirstTests(c, out, any);
      return empty;
    }
    case kKXReRepeat: {
      bool empty = FirstTests(n.children[0], out, any);
      return empty || n.min == 0;
    }
    default: return true;
  }
}

}  // namespace

bool CKXRegexp::Program::Test(int t, std::uint16_t code, short options) {
  if (code >= 256) return FoldTest(*tests[std::size_t(t)], code, options);
  std::uint8_t& memo = testBytes[std::size_t(t) * 256 + code];
  if (memo == 0) memo = FoldTest(*tests[std::size_t(t)], code, options) ? 2 : 1;
  return memo == 2;
}

bool CKXRegexp::Program::First(std::uint16_t code) {
  std::uint8_t* memo;
  if (code < 256) {
    memo = &firstByte[code];
  } else {
    if (firstWord.empty()) firstWord.assign(65536, 0);
    memo = &firstWord[code];
  }
  if (*memo == 0) {
    bool yes = any;
    for (const SKXRegexp* t : first)
      if (!yes && FoldTest(*t, code, cachedOptions)) yes = true;
    *memo = yes ? 2 : 1;
  }
  return *memo == 2;
}

void CKXRegexp::Program::Emit(const SKXRegexp& n, int depth) {
  auto add = [&](Op op, std::int32_t x = 0, std::int32_t y = 0) {
    code.push_back(Inst{op, false, x, y, 0, 0});
    return std::int32_t(code.size() - 1);
  };
  if (IsTestNode(n)) {
    tests.push_back(&n);
    add(kOpTest, std::int32_t(tests.size() - 1));
    return;
  }
  switch (n.type) {
    case kKXReLineStart: add(kOpLineStart); return;
    case kKXReLineEnd: add(kOpLineEnd); return;
    case kKXReBackRef: add(kOpBackRef, n.ch); return;
    case kKXReGroup: {
      bool save = n.capture >= 1 && n.capture <= kMaxGroups;
      if (save) add(kOpSave, 2 * n.capture);
      for (const SKXRegexp& c : n.children) Emit(c, depth + 1);
      if (save) add(kOpSave, 2 * n.capture + 1);
      return;
    }
    case kKXReAlternation: {
      std::vector<std::int32_t> jumps;
      for (std::size_t k = 0; k < n.children.size(); ++k) {
        std::int32_t split = -1;
        if (k + 1 < n.children.size()) split = add(kOpSplit);
        if (split >= 0) code[std::size_t(split)].x = split + 1;
        Emit(n.children[k], depth + 1);
        if (k + 1 < n.children.size()) {
          jumps.push_back(add(kOpJump));
          code[std::size_t(split)].y = std::int32_t(code.size());
        }
      }
      for (std::int32_t j : jumps) code[std::size_t(j)].x = std::int32_t(code.size());
      return;
    }
    case kKXReRepeat: {
      const SKXRegexp& c = n.children[0];
      if (IsTestNode(c)) {
        tests.push_back(&c);
        std::int32_t at = add(kOpStar, std::int32_t(tests.size() - 1));
        code[std::size_t(at)].greedy = n.greedy;
        code[std::size_t(at)].min = n.min;
        code[std::size_t(at)].max = n.max;
        return;
      }
      std::int32_t loop = loops++;
      add(kOpRepInit, loop);
      std::int32_t head = add(kOpRepHead, loop);
      code[std::size_t(head)].greedy = n.greedy;
      code[std::size_t(head)].min = n.min;
      code[std::size_t(head)].max = n.max;
      add(kOpRepEnter, loop);
      Emit(c, depth + 1);
      std::int32_t tail = add(kOpRepTail, loop, head);
      code[std::size_t(tail)].min = n.min;
      code[std::size_t(head)].y = std::int32_t(code.size());
      return;
    }
    default: return;
  }
}

void CKXRegexp::Program::Build(const SKXRegexp& root) {
  Emit(root, 0);
  code.push_back(Inst{kOpMatch, false, 0, 0, 0, 0});
  counts.assign(std::size_t(loops), 0);
  starts.assign(std::size_t(loops), -1);
  FirstTests(root, first, any);
  bool backRefs = false;
  for (const Inst& in : code) backRefs |= in.op == kOpBackRef;
  std::size_t k = 0;
  while (code[k].op == kOpSave) ++k;
  if (code[k].op == kOpStar && code[k].max < 0 && (k == 0 || !backRefs)) leadRun = std::int32_t(k);
}

namespace {

// A run of plain bytes, with for each byte whether a character starts there
// in every match ('1'; '0' for a second byte, or where matches disagree).
struct Run {
  std::string bytes, starts;
};

// What every match of a node holds as plain bytes: the whole match when it
// is one fixed run (exact), the run every match begins and ends with, and
// the best run found anywhere inside.
struct Factors {
  bool exact = false;
  Run whole, prefix, suffix, must;
};

// Longer runs win; between runs of one length, the one of rarer bytes.
bool Better(const Run& a, const Run& b) {
  if (a.bytes.size() != b.bytes.size()) return a.bytes.size() > b.bytes.size();
  int ca = 0, cb = 0;
  for (unsigned char c : a.bytes) ca += Commonness(c);
  for (unsigned char c : b.bytes) cb += Commonness(c);
  return ca < cb;
}

void Keep(Run& best, const Run& candidate) {
  if (Better(candidate, best)) best = candidate;
}

Run Join(const Run& a, const Run& b) { return Run{a.bytes + b.bytes, a.starts + b.starts}; }

// Counted repeats of an exact run are written out up to this length.
constexpr std::size_t kMaxExact = 256;

Factors Exact(Run run) {
  Factors f;
  f.exact = true;
  f.whole = f.prefix = f.suffix = f.must = std::move(run);
  return f;
}

// a followed by b.
Factors Concat(const Factors& a, const Factors& b) {
  if (a.exact && b.exact && a.whole.bytes.size() + b.whole.bytes.size() <= kMaxExact)
    return Exact(Join(a.whole, b.whole));
  Factors f;
  f.prefix = a.exact ? Join(a.whole, b.prefix) : a.prefix;
  f.suffix = b.exact ? Join(a.suffix, b.whole) : b.suffix;
  f.must = a.must;
  Keep(f.must, b.must);
  Keep(f.must, Join(a.suffix, b.prefix));
  Keep(f.must, f.prefix);
  Keep(f.must, f.suffix);
  return f;
}

// Cuts `common` to the bytes it begins with alike with `other`; a character
// starts there only where one starts in both.
void KeepFront(Run& common, const Run& other) {
  std::size_t k = 0;
  while (k < common.bytes.size() && k < other.bytes.size() && common.bytes[k] == other.bytes[k]) ++k;
  common.bytes.resize(k);
  common.starts.resize(k);
  for (std::size_t i = 0; i < k; ++i)
    if (other.starts[i] != '1') common.starts[i] = '0';
}

// The same for the bytes both end with.
void KeepBack(Run& common, const Run& other) {
  const std::string &a = common.bytes, &b = other.bytes;
  std::size_t k = 0;
  while (k < a.size() && k < b.size() && a[a.size() - 1 - k] == b[b.size() - 1 - k]) ++k;
  common.bytes.erase(0, a.size() - k);
  common.starts.erase(0, common.starts.size() - k);
  for (std::size_t i = 0; i < k; ++i)
    if (other.starts[other.starts.size() - k + i] != '1') common.starts[i] = '0';
}

Factors Analyse(const SKXRegexp& n) {
  switch (n.type) {
    case kKXReLiteral: {
      // A CR is never part of a match: such a node matches nothing, and no
      // run of bytes is asked of the text for it.
      if (n.negated || n.ch == kCR) return Factors{};
      if (n.ch > 0xFF) return Exact(Run{{char(n.ch >> 8), char(n.ch & 0xFF)}, "10"});
      return Exact(Run{std::string(1, char(n.ch)), "1"});
    }
    case kKXReLineStart: case kKXReLineEnd:
      return Exact(Run{});   // takes no byte
    case kKXReGroup: {
      Factors f = Exact(Run{});
      for (const SKXRegexp& c : n.children) f = Concat(f, Analyse(c));
      return f;
    }
    case kKXReRepeat: {
      if (n.min < 1 || n.children.empty()) return Factors{};
      const Factors c = Analyse(n.children[0]);
      if (c.exact && n.max == n.min && c.whole.bytes.size() * std::size_t(n.min) <= kMaxExact) {
        Run run;
        for (std::int32_t k = 0; k < n.min; ++k) run = Join(run, c.whole);
        return Exact(std::move(run));
      }
      Factors f;
      f.prefix = c.prefix;
      f.suffix = c.suffix;
      f.must = c.must;
      if (n.min >= 2) Keep(f.must, Join(c.suffix, c.prefix));
      return f;
    }
    case kKXReAlternation: {
      // Every match begins with what all alternatives begin with, and ends
      // with what they all end with. That end may begin inside a character
      // of one of them.
      Factors f;
      bool first = true;
      for (const SKXRegexp& c : n.children) {
        const Factors a = Analyse(c);
        const Run& prefix = a.exact ? a.whole : a.prefix;
        const Run& suffix = a.exact ? a.whole : a.suffix;
        if (first) {
          f.prefix = prefix;
          f.suffix = suffix;
          first = false;
          continue;
        }
        KeepFront(f.prefix, prefix);
        KeepBack(f.suffix, suffix);
      }
      f.must = f.prefix;
      Keep(f.must, f.suffix);
      return f;
    }
    default:   // a test of one character of several, a back-reference
      return Factors{};
  }
}

}  // namespace

void CKXRegexp::Program::FindRequired(const SKXRegexp& root) {
  const Run must = Analyse(root).must;
  required.assign(must.bytes.begin(), must.bytes.end());
  requiredAtStart = !must.starts.empty() && must.starts[0] == '1';
  requiredKey = requiredKey2 = 0;
  if (required.empty()) return;
  // A single byte is looked for only when it is rare in text (a sign, a
  // capital, a half-width kana): one found on every line would cost more
  // than it saves.
  if (required.size() == 1 && Commonness(required[0]) > 45) {
    required.clear();
    return;
  }
  PickKeys(required, requiredKey, requiredKey2);
}

const bool* CKXRegexp::Program::Joins(short script, short options) {
  if (script != joinsScript || options != joinsOptions) {
    joinsScript = script;
    joinsOptions = options;
    const bool marks = (options & kKXFindIgnoreWidth) && script == kScriptJapanese;
    for (int b = 0; b < 256; ++b)
      joins[b] = KxTextCharFirst(std::uint16_t(b), script) || (marks && b >= 0xA1 && b <= 0xDF);
  }
  return joins;
}

void CKXRegexp::Program::Prepare(short options) {
  options &= kKXFindIgnoreCase | kKXFindIgnoreWidth | kKXFindIgnoreKana;
  if (options == cachedOptions) return;
  cachedOptions = options;
  if (automaton) automaton->Reset(options);
  testBytes.assign(tests.size() * 256, 0);
  std::memset(firstByte, 0, sizeof firstByte);
  firstWord.clear();
}
