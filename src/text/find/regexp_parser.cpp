// The regular-expression parser: the pattern's text to a tree of nodes.
#include "text/find/regexp_program.h"

#include <algorithm>
#include <cstring>

#include "platform/exception.h"
#include "text/codes/charclass.h"
#include "text/codes/script.h"
#include "text/find/regexp_automaton.h"

namespace kx_regexp {

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

// A single-byte literal at p[i], advancing i past it: with composeMarks in
// the Japanese script a half-width kana and the voiced mark after it make
// one literal, the composed kana.
SKXRegexp ByteLiteral(const unsigned char* p, long len, long& i, short script, bool composeMarks) {
  if (composeMarks && script == kScriptJapanese && i + 1 < len)
    if (const std::uint16_t composed = UKXFind::ComposedKana(p[i], p[i + 1])) {
      i += 2;
      return MakeNode(kKXReLiteral, composed);
    }
  return MakeNode(kKXReLiteral, p[i++]);
}

// One escape at p[i] == '\\'. Sets node to a literal, a class or a
// back-reference and advances i.
void ParseEscape(const unsigned char* p, long len, long& i, short script, SKXRegexp& node, bool composeMarks) {
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
      --i;
      node = ByteLiteral(p, len, i, script, composeMarks);
      return;
  }
}

// A set from just after "[". Returns false when the set is empty (it vanishes).
bool ParseSet(const unsigned char* p, long len, long& i, short script, SKXRegexp& out, bool composeMarks) {
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
      ParseEscape(p, len, i, script, node, composeMarks);
      // A back-reference means nothing in a set: its digit's code.
      if (node.type == kKXReBackRef) node.type = kKXReLiteral;
    } else {
      node = ByteLiteral(p, len, i, script, composeMarks);
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
  Parser(const unsigned char* p, long len, short script, bool composeMarks)
      : p_(p), len_(len), script_(script), compose_(composeMarks) {}

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
        if (ParseSet(p_, len_, i_, script_, set, compose_)) f.sequence.push_back(std::move(set));
        return;
      }
      case '\\': {
        SKXRegexp node;
        ParseEscape(p_, len_, i_, script_, node, compose_);
        f.sequence.push_back(std::move(node));
        return;
      }
      case '*': case '+': case '?': case '{':
        Quantifier(c);
        return;
      default:
        f.sequence.push_back(ByteLiteral(p_, len_, i_, script_, compose_));
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
  bool compose_;
  long i_ = 0;
  int groups_ = 0;
  std::vector<Frame> frames_;
};

SKXRegexp Parse(const unsigned char* p, long len, short script, int& groupCount, bool composeMarks) {
  return Parser(p, len, script, composeMarks).Run(groupCount);
}

}  // namespace kx_regexp
