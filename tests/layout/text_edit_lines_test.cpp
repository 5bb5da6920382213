// The edit object's line table and relayout: a random walk of edits checked
// against a fresh layout after every step, and the relayout answers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "layout/text_edit.h"
#include "text/base/memory.h"
#include "text_edit_fixture.h"

using kxtest::TestEdit;

namespace {

long RandomSteps(long fallback) {
  const char* env = std::getenv("KX_RANDOM_STEPS");
  const long n = env ? std::strtol(env, nullptr, 10) : 0;
  return n > 0 ? n : fallback;
}

const char* const kPieces[] = {"a", "b", "word ", "wrap", " ", "  ", "\r", "\r", "\x0c", "\t", "(", ")", "-",
                               SJ_A, SJ_KAN, SJ_BAR, SJ_MARU, SJ_KAGI, "\x81\x76", "\xb1", "\xde", "x.y"};

std::string RandomText(std::mt19937& rng, long pieces) {
  std::string s;
  for (long i = 0; i < pieces; ++i) s += kPieces[rng() % std::size(kPieces)];
  return s;
}

// A character boundary at or before `p`.
long Boundary(const CKXTextEdit& e, long p) {
  p = std::clamp(p, 0L, e.GetLength());
  e.AdjustOffset(p, false);
  return p;
}

// A 30 x 20 picture; the table owns it.
short Picture() {
  PicHandle h = KxMemHAlloc(10, true);
  const unsigned char header[10] = {0, 10, 0, 0, 0, 0, 0, 20, 0, 30};
  std::memcpy(*h, header, 10);
  return CKXDecoArray::SetPicture(h);
}

struct OldLine {
  long start, end;
  unsigned code;
  long top;
};

std::vector<OldLine> Snapshot(const TestEdit& e) {
  std::vector<OldLine> out;
  long top = 0;
  const long n = e.GetLineCount();
  for (long i = 1; i <= n; ++i) {
    const long s = e.GetLineOffsetAt(i);
    const long end = i < n ? e.GetLineOffsetAt(i + 1) : e.GetLength();
    out.push_back({s, end, e.GetLineCodeAt(i), top});
    top += e.GetLineHeightAt(i);
  }
  return out;
}

// Lines whose text, place or height differ from before an edit of `delta`
// bytes at `start` whose new text covers `length` bytes.
std::vector<long> ChangedLines(const TestEdit& e, const std::vector<OldLine>& old, long start, long length,
                               long delta) {
  const long removed = length - delta;
  auto map = [&](long o, long& out) {
    if (o <= start) {
      out = o;
      return true;
    }
    if (o >= start + removed) {
      out = o + delta;
      return true;
    }
    return false;
  };
  std::vector<long> changed;
  const auto now = Snapshot(e);
  for (size_t i = 0; i < now.size(); ++i) {
    const OldLine& l = now[i];
    bool same = !(l.start <= start && start < l.end) && !(l.start < start + length && l.end > start);
    if (same) {
      same = false;
      for (const OldLine& o : old) {
        long s, en;
        if (map(o.start, s) && map(o.end, en) && s == l.start && en == l.end && o.code == l.code && o.top == l.top) {
          same = true;
          break;
        }
      }
    }
    if (!same) changed.push_back(long(i) + 1);
  }
  return changed;
}

// Compares the edit's lines with a fresh layout of a copy of its text.
::testing::AssertionResult MatchesFresh(const TestEdit& e) {
  if (const char* broken = e.Check()) return ::testing::AssertionFailure() << broken;
  TestEdit fresh(e.ToDestRect().right - e.ToDestRect().left);
  fresh.SetLineStyl(e.GetLineStyl(), 0);
  fresh.SetText(&e);
  fresh.CalcText();
  const auto a = e.Lines(), b = fresh.Lines();
  if (a.size() != b.size()) return ::testing::AssertionFailure() << a.size() << " lines, fresh " << b.size();
  for (size_t i = 0; i < a.size(); ++i)
    if (!(a[i] == b[i]))
      return ::testing::AssertionFailure() << "line " << i + 1 << ": " << a[i].start << "/" << a[i].code
                                           << ", fresh " << b[i].start << "/" << b[i].code;
  if (e.ToDestRect().bottom != fresh.ToDestRect().bottom)
    return ::testing::AssertionFailure() << "height " << e.ToDestRect().bottom << ", fresh "
                                         << fresh.ToDestRect().bottom;
  return ::testing::AssertionSuccess();
}

struct Config {
  int mode;
  bool wordWrap;
  bool vertical;
};

// One random edit; answers (start, length, delta) of the change, or false
// when the edit went through a whole frame (checked by its draw request).
void RandomEdit(TestEdit& e, std::mt19937& rng, short picture, std::string& what) {
  const long len = e.GetLength();
  const long a = Boundary(e, long(rng() % size_t(len + 1)));
  const int op = int(rng() % 9);
  auto check = [&](long start, long length, long delta, const std::vector<OldLine>& old) {
    long first = 0;
    const long n = e.RecalcText(start, length, delta, first);
    if (n < kKxRedrawToEnd) {
      for (long line : ChangedLines(e, old, start, length, delta))
        ASSERT_TRUE(line >= first && line < first + n)
            << what << ": line " << line << " changed, relaid " << first << "+" << n;
    }
  };
  switch (op) {
    case 0:
    case 1: {  // typing
      const std::string piece = kPieces[rng() % std::size(kPieces)];
      what = "type at " + std::to_string(a);
      const auto old = Snapshot(e);
      e.InsertString(a, piece.data(), long(piece.size()), nullptr, nullptr, nullptr, 0);
      check(a, long(piece.size()), long(piece.size()), old);
      break;
    }
    case 2: {  // paste over a selection
      const long b = Boundary(e, a + long(rng() % 40));
      const std::string s = RandomText(rng, long(rng() % 60));
      what = "paste at " + std::to_string(a) + ".." + std::to_string(b);
      const auto old = Snapshot(e);
      e.DeleteText(a, b);
      e.InsertString(a, s.data(), long(s.size()), nullptr, nullptr, nullptr, 0);
      check(a, long(s.size()), long(s.size()) - (b - a), old);
      break;
    }
    case 3: {  // a deletion, often across lines
      const long b = Boundary(e, a + long(rng() % 120));
      what = "delete " + std::to_string(a) + ".." + std::to_string(b);
      const auto old = Snapshot(e);
      e.DeleteText(a, b);
      check(a, 0, -(b - a), old);
      break;
    }
    case 4: {  // a picture
      SDeco d{};
      d.pictID = picture;
      what = "picture at " + std::to_string(a);
      const auto old = Snapshot(e);
      e.InsertString(a, "\xCA", 1, nullptr, &d, nullptr, 0);
      check(a, 1, 1, old);
      break;
    }
    case 5: {  // size change over a range
      const long b = Boundary(e, a + long(rng() % 50));
      const short size = short(9 + rng() % 20);
      what = "size " + std::to_string(size) + " over " + std::to_string(a) + ".." + std::to_string(b);
      const auto old = Snapshot(e);
      e.SetStylSize(a, b, size);
      check(a, b - a, 0, old);
      break;
    }
    case 6: {  // ruby
      const long b = Boundary(e, a + 1 + long(rng() % 8));
      what = "ruby over " + std::to_string(a) + ".." + std::to_string(b);
      const auto old = Snapshot(e);
      // Rubies that the new one replaces change their lines too: the
      // caller reports them as changed.
      long from = a, to = b;
      SKXRuby r;
      for (long i = 1; e.GetRubyAtNumber(i, &r); ++i) {
        if (r.pos < b && r.pos + r.baseLen > a) {
          from = std::min(from, long(r.pos));
          to = std::max(to, long(r.pos) + r.baseLen);
        }
      }
      e.SetRuby(a, b, reinterpret_cast<const unsigned char*>("ruby"), 4);
      check(from, to - from, 0, old);
      break;
    }
    case 7: {  // a keystroke through the whole frame
      what = "key at " + std::to_string(a);
      e.SetSelect(a, a);
      const auto old = Snapshot(e);
      const std::uint16_t code = rng() % 3 ? std::uint16_t('a' + rng() % 26) : std::uint16_t(0x82A0);
      const long before = e.GetLength();
      e.TypeChar(code);
      const long n = e.GetLength() - before;
      if (e.drawCount < kKxRedrawToEnd) {
        for (long line : ChangedLines(e, old, a, n, n))
          ASSERT_TRUE(line >= e.drawFrom && line < e.drawFrom + e.drawCount) << what << ": line " << line;
      }
      break;
    }
    default: {  // Backspace through the frame, sometimes over a selection
      const long b = Boundary(e, a + long(rng() % 3 ? 0 : rng() % 80));
      what = "backspace " + std::to_string(a) + ".." + std::to_string(b);
      e.SetSelect(a, b);
      e.KeyIn(kKxCharBackspace, 0);
      break;
    }
  }
}

}  // namespace

// After every random edit the lines equal those of a fresh layout, and a
// relayout that answers a line count has relaid every line that changed.
TEST(TextEditModel, RandomEditsMatchAFreshLayout) {
  const long steps = RandomSteps(120);
  const short picture = Picture();
  ASSERT_NE(picture, 0);
  const Config configs[] = {{0, false, false}, {1, false, false}, {2, false, false}, {0, true, false},
                            {1, true, false},  {2, true, false},  {1, false, true},  {2, true, true}};
  for (const Config& c : configs) {
    for (unsigned seed = 1; seed <= 2; ++seed) {
      std::mt19937 rng(seed * 7919 + unsigned(c.mode) * 31 + c.wordWrap * 3 + c.vertical);
      TestEdit e(60 + long(rng() % 100));
      SKXLineStyl style;
      style.mode = std::uint8_t(c.mode);
      style.wordWrap = c.wordWrap;
      style.vertical = c.vertical;
      e.SetLineStyl(style, 0);
      e.SetString(RandomText(rng, 150));
      ASSERT_TRUE(MatchesFresh(e));
      std::string what;
      for (long i = 0; i < steps; ++i) {
        RandomEdit(e, rng, picture, what);
        if (::testing::Test::HasFatalFailure()) return;
        ASSERT_TRUE(MatchesFresh(e)) << "mode " << c.mode << " wordwrap " << c.wordWrap << " vertical "
                                     << c.vertical << " seed " << seed << " step " << i << ": " << what;
        if (e.GetLength() > 4000) e.SetString(RandomText(rng, 150));
      }
    }
  }
}

// Unwrapped lines end only at CR: a long line is one line, and the caret
// column past 32,767 bytes is kept whole.
TEST(TextEditLines, UnwrappedLongLine) {
  TestEdit e;
  SKXLineStyl s;
  s.wrap = 0;
  e.SetLineStyl(s, 0);
  e.SetString(std::string(40000, 'x') + "\ry");
  ASSERT_EQ(e.GetLineCount(), 2);
  e.SetSelect(35000, 35000);
  EXPECT_EQ(e.GetCaretLine(), 1);
  EXPECT_EQ(e.GetCaretColumn(), 35000);
  EXPECT_EQ(e.GetOffset(e.GetPoint(35000)), 35000);
}

TEST(TextEditLines, RelayoutAnswers) {
  struct Case {
    const char* name;
    std::string text;
    long at;          // where the edit happens
    std::string ins;  // inserted
    long del;         // bytes deleted at `at` first
    long answer;      // kKxRedrawToEnd or a line count
    long first;
  };
  const std::string para = "aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jj\rnext";
  const Case cases[] = {
      // 60 points hold 9 letters: the paragraph wraps into 6 lines, the
      // last one short.
      {"typing mid-paragraph relays until the breaks agree", para, 12, "x", 0, 6, 1},
      {"a form feed line redraws to the end", para, 12, "\x0c", 0, kKxRedrawToEnd, 1},
      {"a merge with the next line drops a line", "ab\rcd\ref", 2, "", 1, kKxRedrawToEnd, 1},
      {"emptying the text", "abc", 0, "", 3, kKxRedrawToEnd, 1},
      {"a deletion across lines", para, 5, "", 40, kKxRedrawToEnd, 1},
  };
  for (const Case& c : cases) {
    TestEdit e(60);
    e.SetString(c.text);
    if (c.del) e.DeleteText(c.at, c.at + c.del);
    if (!c.ins.empty()) e.InsertString(c.at, c.ins.data(), long(c.ins.size()), nullptr, nullptr, nullptr, 0);
    long first = 0;
    const long n = e.RecalcText(c.at, long(c.ins.size()), long(c.ins.size()) - c.del, first);
    EXPECT_EQ(n, c.answer) << c.name;
    EXPECT_EQ(first, c.first) << c.name;
    EXPECT_TRUE(MatchesFresh(e)) << c.name;
  }
}

// With word wrap, typing at the start of a wrapped line can pull the word
// back onto the line before.
TEST(TextEditLines, WordWrapRebreaksThePreviousLine) {
  TestEdit e(60);
  SKXLineStyl s;
  s.wordWrap = 1;
  e.SetLineStyl(s, 0);
  e.SetString("aaaa bbbbbbbb cc");
  ASSERT_EQ(e.GetLineOffsetAt(2), 5);
  e.DeleteText(5, 9);  // "aaaa bbbb cc": "bbbb" fits on line 1 now
  long first = 0;
  e.RecalcText(5, 0, -4, first);
  EXPECT_EQ(first, 1);
  EXPECT_TRUE(MatchesFresh(e));
}

TEST(TextEditLines, TableOperations) {
  TestEdit e(600);
  e.SetString("a\rb\rc\rd");
  ASSERT_EQ(e.GetLineCount(), 4);
  EXPECT_EQ(e.GetLineNo(0), 1);
  EXPECT_EQ(e.GetLineNo(3), 2);
  EXPECT_EQ(e.GetLineNo(99), 4);
  SKXLineInfo info{600, 20 | kKxLinePageBreak};
  SKXHeitCalc hc;
  e.SetLineInfoAt(2, 2, info, &hc);
  EXPECT_EQ(info.height, 20);  // the page-break bit goes to the cursor
  EXPECT_EQ(hc.pageBreak, 1);
  EXPECT_EQ(e.GetLineHeightUntilAt(3), 13 + 20);
  EXPECT_EQ(e.GetLineHeightUntilAt(1), 0);
  {
    // A start set in place among lines that still owe a key's shift.
    TestEdit f(600);
    f.SetString("a\rb\rc\rd\re");
    f.SetSelect(0, 0);
    f.TypeChar('x');
    SKXLineInfo same{600, f.GetLineCodeAt(4)};
    f.SetLineInfoAt(4, 7, same, nullptr);
    EXPECT_EQ(f.GetLineOffsetAt(4), 7);
    EXPECT_EQ(f.GetLineOffsetAt(5), 9);
    EXPECT_EQ(f.GetLineNo(8), 4);
  }
  long length = 0;
  SKXLineInfo got;
  SKXHeitCalc cursor;
  EXPECT_EQ(e.GetLineInfoAt(2, got, &length, &cursor), 2);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(got.height, 20);
  EXPECT_EQ(cursor.pageBreak, 1);
  EXPECT_EQ(e.GetLineInfoAt(9, got, &length), e.GetLength());
  EXPECT_EQ(length, 0);
  long delta = 0;
  EXPECT_EQ(e.GetLineFromHeight(14, delta), 2);
  EXPECT_EQ(delta, -1);
  EXPECT_EQ(e.GetLineFromHeight(1000, delta), 4);
  EXPECT_EQ(e.DeleteLinesInfoAt(2, 3), 20 + 13);
  EXPECT_EQ(e.GetLineCount(), 2);
  EXPECT_EQ(e.GetLineOffsetAt(2), 6);
  EXPECT_EQ(e.GetLineCodeAt(2), 13u);
  EXPECT_TRUE(CKXTextEdit::SameLineInfo(SKXLineInfo{5, 13}, SKXLineInfo{5, 13}));
  EXPECT_FALSE(CKXTextEdit::SameLineInfo(SKXLineInfo{5, 13}, SKXLineInfo{6, 13}));
}

// Settings: the justification alone does not relayout; the line space does.
TEST(TextEditLines, SettingsThatChangeLayout) {
  TestEdit e(600);
  e.SetString("a\rb");
  SKXLineStyl s = e.GetLineStyl();
  s.justify = 2;
  EXPECT_EQ(e.SetLineStyl(s, 1) & kKxEditImageSize, 0);
  EXPECT_EQ(e.SetLineSpace(4) & kKxEditTextChanged, kKxEditTextChanged);
  EXPECT_EQ(e.GetLineHeightAt(1), 13 + 4);
  EXPECT_EQ(e.ToDestRect().bottom, 2 * 17);
  EXPECT_EQ(e.SetVertical(0), 0);  // no change
  EXPECT_NE(e.SetVertical(1), 0);
  EXPECT_TRUE(MatchesFresh(e));
}
