// The matching program: the parsed tree flattened into instructions, the
// first tests and the bytes every match holds.
#include "text/find/regexp_program.h"

#include <algorithm>
#include <cstring>

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
