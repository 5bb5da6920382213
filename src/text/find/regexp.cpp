#include "text/find/regexp.h"

#include <algorithm>
#include <cstring>

#include "platform/exception.h"
#include "text/codes/charclass.h"
#include "text/codes/script.h"
#include "text/find/regexp_automaton.h"

namespace {

constexpr std::uint8_t kCR = 13;
constexpr std::uint8_t kLF = 10;
// Deeper parentheses are taken as literal characters: the compiler and the
// analysis recurse over the nesting.
constexpr int kMaxNesting = 200;
// Quantifiers stacked on one item beyond this are literal characters.
constexpr int kMaxRepeatChain = 8;
// Counted repeats above this are taken as having no maximum.
constexpr int kMaxCount = 255;

SKXRegexp MakeNode(std::uint8_t type, std::uint16_t ch = 0) {
  SKXRegexp n{};
  n.type = type;
  n.ch = ch;
  return n;
}

bool IsTestNode(const SKXRegexp& n) {
  switch (n.type) {
    case kKXReLiteral: case kKXReAny: case kKXReSet: case kKXReRange:
    case kKXReWord: case kKXReSpace: case kKXReDigit:
      return true;
    default:
      return false;
  }
}

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One escape at p[i] == '\\'. Sets node to a literal, a class or a
// back-reference and advances i.
void ParseEscape(const unsigned char* p, long len, long& i, short script, SKXRegexp& node) {
  if (i + 1 >= len || p[i + 1] == 0) {
    node = MakeNode(kKXReLiteral, '\\');
    i += 1;
    return;
  }
  unsigned char c = p[i + 1];
  if (KxTextCharFirst(c, script) && i + 2 < len) {
    node = MakeNode(kKXReLiteral, std::uint16_t(c << 8 | p[i + 2]));
    i += 3;
    return;
  }
  i += 2;
  switch (c) {
    case 'd': node = MakeNode(kKXReDigit); return;
    case 's': node = MakeNode(kKXReSpace); return;
    case 'w': node = MakeNode(kKXReWord); return;
    case 'D': node = MakeNode(kKXReDigit); node.negated = true; return;
    case 'S': node = MakeNode(kKXReSpace); node.negated = true; return;
    case 'W': node = MakeNode(kKXReWord); node.negated = true; return;
    case 'a': node = MakeNode(kKXReLiteral, 7); return;
    case 'b': node = MakeNode(kKXReLiteral, 8); return;
    case 'f': node = MakeNode(kKXReLiteral, 12); return;
    case 'n': node = MakeNode(kKXReLiteral, 10); return;
    case 'r': node = MakeNode(kKXReLiteral, 13); return;
    case 't': node = MakeNode(kKXReLiteral, 9); return;
    case 'c':
      if (i < len && !KxTextCharFirst(p[i], script)) {
        int v = UKXText::ToByteUpper(p[i]) - 64;
        if (v >= 0 && v < 32) {
          node = MakeNode(kKXReLiteral, std::uint16_t(v));
          ++i;
          return;
        }
      }
      node = MakeNode(kKXReLiteral, 'c');
      return;
    case 'x': {
      std::uint32_t v = 0;
      for (int pairs = 0; pairs < 2 && i + 1 < len; ++pairs) {
        int h = HexValue(p[i]), l = HexValue(p[i + 1]);
        if (h < 0 || l < 0) break;
        v = v << 8 | std::uint32_t(h << 4 | l);
        i += 2;
      }
      node = MakeNode(kKXReLiteral, std::uint16_t(v));
      return;
    }
    default:
      if (c >= '1' && c <= '9') {
        node = MakeNode(kKXReBackRef, std::uint16_t(c - '0'));
        return;
      }
      node = MakeNode(kKXReLiteral, c);
      return;
  }
}

// A set from just after "[". Returns false when the set is empty (it vanishes).
bool ParseSet(const unsigned char* p, long len, long& i, short script, SKXRegexp& out) {
  bool negated = false;
  if (i < len && p[i] == '^') { negated = true; ++i; }
  if (i < len && p[i] == '-') ++i;
  std::vector<SKXRegexp> items;
  auto element = [&](SKXRegexp& node) {
    unsigned char c = p[i];
    if (KxTextCharFirst(c, script) && i + 1 < len) {
      node = MakeNode(kKXReLiteral, std::uint16_t(c << 8 | p[i + 1]));
      i += 2;
    } else if (c == '\\') {
      ParseEscape(p, len, i, script, node);
      // A back-reference means nothing in a set: its digit's code.
      if (node.type == kKXReBackRef) node.type = kKXReLiteral;
    } else {
      node = MakeNode(kKXReLiteral, c);
      ++i;
    }
  };
  while (i < len) {
    unsigned char c = p[i];
    if (c == ']' || c == 0) { ++i; break; }
    if (c == '-') {
      ++i;
      if (i >= len || p[i] == ']' || p[i] == 0) continue;
      SKXRegexp end;
      element(end);
      if (end.type != kKXReLiteral || items.empty()) {
        items.push_back(std::move(end));
        continue;
      }
      SKXRegexp& prev = items.back();
      if (prev.type == kKXReLiteral && !prev.negated) {
        prev.type = kKXReRange;
        prev.hi = end.ch;
      } else if (prev.type == kKXReRange) {
        prev.hi = end.ch;
      } else {
        items.push_back(std::move(end));
      }
      continue;
    }
    SKXRegexp node;
    element(node);
    items.push_back(std::move(node));
  }
  if (items.empty()) return false;
  if (items.size() == 1) {
    out = std::move(items[0]);
    out.negated = out.negated != negated;
    return true;
  }
  out = MakeNode(kKXReSet);
  out.negated = negated;
  out.children = std::move(items);
  return true;
}

// "{n}", "{n,}" or "{n,m}" at p[i] == '{'. False when it is no counted repeat.
bool ParseCount(const unsigned char* p, long len, long& i, int& min, int& max) {
  long j = i + 1;
  auto number = [&](int& v) {
    if (j >= len || p[j] < '0' || p[j] > '9') return false;
    long n = 0;
    while (j < len && p[j] >= '0' && p[j] <= '9') {
      if (n < 100000) n = n * 10 + (p[j] - '0');
      ++j;
    }
    v = int(n);
    return true;
  };
  int n, m = -1;
  if (!number(n)) return false;
  if (j < len && p[j] == '}') {
    m = n;
  } else if (j < len && p[j] == ',') {
    ++j;
    if (j < len && p[j] != '}') {
      if (!number(m)) return false;
    } else {
      m = -1;
    }
    if (j >= len || p[j] != '}') return false;
  } else {
    return false;
  }
  if (n == 0 && m == 0) return false;
  i = j + 1;
  min = n > kMaxCount ? kMaxCount : n;
  max = m > kMaxCount ? -1 : m;
  if (max >= 0 && max < min) max = min;
  return true;
}

struct Frame {
  std::vector<SKXRegexp> alternatives;
  std::vector<SKXRegexp> sequence;
  int capture = 0;
  int literalParens = 0;   // "(" taken literally (too deep) still open here
};

// Number of quantifiers applied one over another to the node.
int RepeatDepth(const SKXRegexp& n) {
  int d = 0;
  for (const SKXRegexp* x = &n; x->type == kKXReRepeat; x = &x->children[0]) ++d;
  return d;
}

SKXRegexp SequenceNode(std::vector<SKXRegexp>&& seq) {
  if (seq.size() == 1) return std::move(seq[0]);
  SKXRegexp g = MakeNode(kKXReGroup);
  g.children = std::move(seq);
  return g;
}

SKXRegexp FinishFrame(Frame& f) {
  if (!f.sequence.empty()) f.alternatives.push_back(SequenceNode(std::move(f.sequence)));
  SKXRegexp node;
  if (f.alternatives.size() > 1) {
    node = MakeNode(kKXReAlternation);
    node.children = std::move(f.alternatives);
  } else if (f.alternatives.size() == 1) {
    node = std::move(f.alternatives[0]);
  } else {
    node = MakeNode(kKXReGroup);
  }
  if (f.capture > 0) {
    if (node.type != kKXReGroup || node.capture != 0) {
      SKXRegexp g = MakeNode(kKXReGroup);
      g.children.push_back(std::move(node));
      node = std::move(g);
    }
    node.capture = std::uint8_t(f.capture > 255 ? 255 : f.capture);
  }
  return node;
}


// The first phase: the pattern's text to a tree of nodes. It never fails:
// what it cannot read becomes literal characters.
class Parser {
 public:
  Parser(const unsigned char* p, long len, short script) : p_(p), len_(len), script_(script) {}

  SKXRegexp Run(int& groupCount) {
    frames_.assign(1, Frame{});
    groups_ = 0;
    i_ = 0;
    while (i_ < len_) Element();
    // Groups still open end with the pattern.
    while (frames_.size() > 1) CloseGroup();
    groupCount = groups_;
    return FinishFrame(frames_.back());
  }

 private:
  // One element at p_[i_] onto the innermost frame.
  void Element() {
    const unsigned char c = p_[i_];
    Frame& f = frames_.back();
    if (KxTextCharFirst(c, script_) && i_ + 1 < len_) {
      f.sequence.push_back(MakeNode(kKXReLiteral, std::uint16_t(c << 8 | p_[i_ + 1])));
      i_ += 2;
      return;
    }
    switch (c) {
      case '.': f.sequence.push_back(MakeNode(kKXReAny)); ++i_; return;
      case '^': f.sequence.push_back(MakeNode(kKXReLineStart)); ++i_; return;
      case '$': f.sequence.push_back(MakeNode(kKXReLineEnd)); ++i_; return;
      case '|':
        if (!f.sequence.empty()) f.alternatives.push_back(SequenceNode(std::move(f.sequence)));
        f.sequence.clear();
        ++i_;
        return;
      case '(':
        ++i_;
        if (frames_.size() > kMaxNesting) {
          ++f.literalParens;
          f.sequence.push_back(MakeNode(kKXReLiteral, '('));
          return;
        }
        frames_.emplace_back();
        frames_.back().capture = ++groups_;
        return;
      case ')':
        ++i_;
        if (f.literalParens > 0 || frames_.size() == 1) {
          if (f.literalParens > 0) --f.literalParens;
          f.sequence.push_back(MakeNode(kKXReLiteral, ')'));
        } else {
          CloseGroup();
        }
        return;
      case '[': {
        ++i_;
        SKXRegexp set;
        if (ParseSet(p_, len_, i_, script_, set)) f.sequence.push_back(std::move(set));
        return;
      }
      case '\\': {
        SKXRegexp node;
        ParseEscape(p_, len_, i_, script_, node);
        f.sequence.push_back(std::move(node));
        return;
      }
      case '*': case '+': case '?': case '{':
        Quantifier(c);
        return;
      default:
        f.sequence.push_back(MakeNode(kKXReLiteral, c));
        ++i_;
        return;
    }
  }

  void CloseGroup() {
    SKXRegexp node = FinishFrame(frames_.back());
    frames_.pop_back();
    frames_.back().sequence.push_back(std::move(node));
  }

  // A quantifier applies to the item just added, unless that is "^" or "$".
  bool CanRepeat() const {
    const std::vector<SKXRegexp>& seq = frames_.back().sequence;
    return !seq.empty() && seq.back().type != kKXReLineStart && seq.back().type != kKXReLineEnd;
  }

  // "*", "+", "?" or "{" at p_[i_]: a repeat of the item before it, else a
  // literal character.
  void Quantifier(unsigned char c) {
    Frame& f = frames_.back();
    int min = 0, max = -1;
    long next = c == '{' ? i_ : i_ + 1;
    if (c == '+') min = 1;
    if (c == '?') max = 1;
    bool counted = c != '{' || ParseCount(p_, len_, next, min, max);
    if (!counted || !CanRepeat() || RepeatDepth(f.sequence.back()) >= kMaxRepeatChain) {
      f.sequence.push_back(MakeNode(kKXReLiteral, c));
      ++i_;
      return;
    }
    i_ = next;
    SKXRegexp rep = MakeNode(kKXReRepeat);
    rep.min = min;
    rep.max = max;
    rep.greedy = true;
    if (i_ < len_ && p_[i_] == '?') {
      rep.greedy = false;
      ++i_;
    }
    SKXRegexp& item = f.sequence.back();
    if (item.type == kKXReRepeat && item.greedy == rep.greedy && item.min <= 1 && rep.min <= 1 &&
        (item.max == 1 || item.max < 0) && (rep.max == 1 || rep.max < 0)) {
      // "a**", "a+?" and the like: one repeat of the item (stacked
      // unbounded loops would only multiply the ways to fail).
      item.min = item.min * rep.min;
      item.max = item.max < 0 || rep.max < 0 ? -1 : 1;
      return;
    }
    rep.children.push_back(std::move(item));
    item = std::move(rep);
  }

  const unsigned char* p_;
  long len_;
  short script_;
  long i_ = 0;
  int groups_ = 0;
  std::vector<Frame> frames_;
};

}  // namespace

// ---------------------------------------------------------------------------
// The matching program: the tree flattened into instructions for a
// backtracking machine whose choice points live on a heap stack.

namespace {

enum Op : std::uint8_t {
  kOpTest,      // x: test index; one character
  kOpStar,      // x: test index; a run of min..max characters
  kOpLineStart,
  kOpLineEnd,
  kOpSplit,     // try x, then y
  kOpJump,      // x
  kOpSave,      // x: capture slot
  kOpBackRef,   // x: group
  kOpRepInit,   // x: loop
  kOpRepHead,   // x: loop, y: exit
  kOpRepEnter,  // x: loop
  kOpRepTail,   // x: loop, y: head
  kOpMatch,
};

struct Inst {
  Op op;
  bool greedy;
  std::int32_t x, y;
  std::int32_t min, max;
};

enum Kind : std::uint8_t {
  kChoice,      // a: pc, b: pos
  kSlot,        // a: slot, b: old value
  kLoop,        // a: loop, b: old count, c: old start
  kGiveBack,    // a: pc after a greedy run of single bytes, b: pos, c: lowest pos
  kTakeMore,    // a: star instruction, b: pos, c: count
};

struct Entry {
  Kind kind;
  std::int32_t a, b, c;
};

}  // namespace

struct CKXRegexp::Program {
  std::vector<Inst> code;
  std::vector<const SKXRegexp*> tests;
  int loops = 0;
  // The tests one of which the first character of any match passes; `any`
  // when some match may begin with any character.
  std::vector<const SKXRegexp*> first;
  bool any = false;
  // Bytes every match contains (a run of literals of the top-level
  // sequence): without folding only lines holding them are looked at.
  std::vector<unsigned char> required;
  std::size_t requiredKey = 0;   // its least common byte, looked for first

  // Per-options caches, filled as codes come (0 unknown, 1 no, 2 yes): the
  // single-byte answers of every test, and whether a code can begin a match.
  short cachedOptions = -1;
  std::vector<std::uint8_t> testBytes;   // tests.size() * 256
  std::uint8_t firstByte[256];
  std::vector<std::uint8_t> firstWord;   // 65536, allocated for the first double-byte code
  // Bytes the first step looks at closely, for one script and options.
  bool look[256];
  short lookScript = -32768, lookOptions = -1;
  // Bytes that are not a whole character by themselves in one script under
  // the options: lead bytes, and half-width kana that a voiced mark may join.
  bool joins[256];
  short joinsScript = -32768, joinsOptions = -1;

  // The unbounded run every match starts with (after captures that nothing
  // refers back to), or -1. When the match at p fails, so does the match at
  // any later start inside the run from p: its ways to go on are a subset.
  std::int32_t leadRun = -1;

  // Rules out lines and starts before the matcher is asked (null with
  // back-references or beyond its size), and what it ruled out.
  std::unique_ptr<CKXRegexpAutomaton> automaton;
  bool useAutomaton = true;
  CKXRegexp::FilterCounts filtered;

  // Matching state, kept between calls to save allocations.
  std::vector<Entry> stack;
  std::vector<std::int32_t> counts, starts;

  // The second phase: the tree to instructions, and the first tests.
  void Build(const SKXRegexp& root);
  void Emit(const SKXRegexp& n, int depth);
  // The third phase: the longest run of literals of the top-level sequence.
  void FindRequired(const SKXRegexp& root);
  void Prepare(short options);
  bool Test(int t, std::uint16_t code, short options);
  // The joins table for the script and options (options as passed in).
  const bool* Joins(short script, short options);
  bool First(std::uint16_t code);
};

namespace {

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

// Offset of the next occurrence of the required run at or after from; length when none.
long NextRequired(const std::vector<unsigned char>& required, std::size_t requiredKey,
                  const unsigned char* text, long from, long length) {
  const std::size_t n = required.size();
  const long key = long(requiredKey);
  const unsigned char want = required[requiredKey];
  for (long q = from + key; q < length;) {
    const void* hit = std::memchr(text + q, want, std::size_t(length - q));
    if (!hit) break;
    const long at = static_cast<const unsigned char*>(hit) - text - key;
    if (at + long(n) <= length && std::memcmp(text + at, required.data(), n) == 0) return at;
    q = at + key + 1;
  }
  return length;
}

}  // namespace


namespace {

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

}  // namespace

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

void CKXRegexp::Program::FindRequired(const SKXRegexp& root) {
  const std::vector<SKXRegexp> single(1, root);
  const std::vector<SKXRegexp>& seq =
      root.type == kKXReGroup && root.children.size() > 1 ? root.children : single;
  std::vector<unsigned char> run;
  for (std::size_t k = 0; k <= seq.size(); ++k) {
    if (k < seq.size() && seq[k].type == kKXReLiteral && !seq[k].negated) {
      if (seq[k].ch > 0xFF) run.push_back(std::uint8_t(seq[k].ch >> 8));
      run.push_back(std::uint8_t(seq[k].ch));
      continue;
    }
    if (run.size() > required.size()) required = run;
    run.clear();
  }
  if (required.size() < 2) required.clear();
  for (std::size_t k = 0; k < required.size(); ++k)
    if (Commonness(required[k]) < Commonness(required[requiredKey])) requiredKey = k;
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

// ---------------------------------------------------------------------------
// Compiling

CKXRegexp::CKXRegexp(const unsigned char* pattern, long length, short script)
    : mScript(script), mProgram(std::make_unique<Program>()) {
  for (auto& c : mCaptures) c = -1;
  Compile(pattern, pattern ? length : 0);
}

CKXRegexp::~CKXRegexp() = default;

// Three phases: the pattern becomes a tree, the tree a program, and the
// tree's top-level sequence gives the bytes every match holds.
void CKXRegexp::Compile(const unsigned char* p, long len) {
  mRoot = Parser(p, len, mScript).Run(mGroupCount);
  mProgram->Build(mRoot);
  mProgram->FindRequired(mRoot);
  mProgram->automaton = std::make_unique<CKXRegexpAutomaton>(mRoot);
  if (!mProgram->automaton->Usable()) mProgram->automaton.reset();
}

bool CKXRegexp::HasAutomaton() const { return mProgram->automaton != nullptr; }

void CKXRegexp::UseAutomaton(bool on) { mProgram->useAutomaton = on; }

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

}  // namespace

short CKXRegexp::Find1stStep(const unsigned char* text, long start, long length, short options,
                             long& found, SKXFindStyl& styl) {
  Program& prog = *mProgram;
  if (!text || length <= 0 || (prog.first.empty() && !prog.any)) return 0;
  prog.Prepare(options);
  bool foldWidth = (options & kKXFindIgnoreWidth) != 0;
  long p = start < 0 || start > length ? length : start;

  // The character at x can begin a match; width gets its byte count.
  auto accepts = [&](long x, short script, int& width) {
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
      for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
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
  const bool prefilter = !prog.required.empty() && prog.cachedOptions == 0;
  long windowEnd = prefilter ? p : length;   // with the prefilter: the end of the line looked at
  // The next occurrence of the required bytes is kept for the search (the
  // text does not change within one).
  SKXFindStyl::RegexpSearch& search = styl.search;
  const std::int64_t base = styl.base, bufferEnd = base + length, n = std::int64_t(prog.required.size());

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
        const long h = NextRequired(prog.required, prog.requiredKey, text, p, length);
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
    }
    if (base + p >= search.noMatchFrom && base + p < search.noMatchTo)
      p = long(std::min<std::int64_t>(search.noMatchTo - base, windowEnd));
    if (p >= windowEnd) continue;
    short script = UKXFind::ScriptType(p, styl);
    long segEnd = styl.cacheEnd < windowEnd ? styl.cacheEnd : windowEnd;
    const bool* joins = prog.Joins(script, options);
    bool confirm = false;
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
          line = CKXRegexpAutomaton::Line{text, length, lineEnd, script, options, joins};
          long end = 0;
          const Answer answer = filter->EarliestEnd(line, p, p == 0 || text[p - 1] == kCR, end);
          if (answer == Answer::kNo) {
            ++prog.filtered.lines;
            p = cr ? lineEnd + 1 : length;
            continue;
          }
          if (answer == Answer::kYes) {
            search.filterEnd = base + end;
            search.filterChecks = true;
          }
        }
      }
      segEnd = std::min(segEnd, long(search.filterEnd - base));
      confirm = search.filterChecks;
      if (confirm) line = CKXRegexpAutomaton::Line{text, length, long(search.filterLineEnd - base), script, options, joins};
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
      if (!joins[text[p]] && prog.First(text[p])) {
        if (!confirm || startsMatch(p)) {
          found = p;
          return 1;
        }
        ++p;
        continue;
      }
      int width;
      if (accepts(p, script, width)) {
        if (!confirm || startsMatch(p)) {
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
  Program& prog = *mProgram;
  for (auto& c : mCaptures) c = -1;
  mCaptureText = text;
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
  // never reaches past the line's CR.
  auto step = [&](int t, long pos, int& width) {
    if (pos >= length) return false;
    const unsigned char b = text[pos];
    if (b == kCR) return false;
    if (joins && !joins[b]) {
      width = 1;
      std::uint8_t& m = memo[std::size_t(t) * 256 + b];
      if (m == 0) m = FoldTest(*prog.tests[std::size_t(t)], b, foldOptions) ? 2 : 1;
      return m == 2;
    }
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
        // The capture holds no CR, so neither does an equal run of bytes.
        if (pos + n <= length && std::memcmp(text + s, text + pos, std::size_t(n)) == 0) {
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
    for (;;) {
      if (stack.empty()) {
        if (prog.leadRun >= 0) {
          // No later start inside the leading run can match either.
          long q = offset;
          for (int w = 1; step(code[std::size_t(prog.leadRun)].x, q, w);) q += w;
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
