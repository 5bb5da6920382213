// Find and replace in the editing layer: replace-all against a naive
// replacement of the matches found in the text before any change, the
// one-pass build and the edit in a copy against the match-by-match edit in
// the text, and one exact undo step.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "layer_fixture.h"
#include "text/find/find.h"
#include "text/store/findstore.h"

namespace {
using kxtest::Diff;
using kxtest::Snapshot;
using kxtest::Take;
using kxtest::TestLayer;

std::string Text(const TestLayer& layer) { return Take(layer).bytes; }

void SetText(TestLayer& layer, const std::string& s, const std::vector<SKXStyl>& styls = {},
             const std::vector<SKXDeco>& decos = {}, const std::vector<SKXPara>& paras = {}) {
  KXText_SetText(layer.GetEdit(), s.data(), long(s.size()), styls.empty() ? nullptr : styls.data(),
                 std::int32_t(styls.size()), decos.empty() ? nullptr : decos.data(), std::int32_t(decos.size()),
                 paras.empty() ? nullptr : paras.data(), std::int32_t(paras.size()));
  KXTE_CalcText(layer.GetEdit());
  layer.SetSelectionRange({0, 0}, false);
}

// Every occurrence, left to right, none overlapping, in the text as given.
std::string NaiveReplace(const std::string& text, const std::string& find, const std::string& repl, long& count) {
  std::string out;
  count = 0;
  std::size_t p = 0;
  for (std::size_t at; (at = text.find(find, p)) != std::string::npos; p = at + find.size(), ++count)
    out.append(text, p, at - p).append(repl);
  return out.append(text, p, std::string::npos);
}

// Replace-all, then undo back to the exact original and redo to the result.
void CheckUndoRedo(TestLayer& layer, const Snapshot& before, const std::string& where) {
  const Snapshot after = Take(layer);
  layer.Undo();
  EXPECT_EQ(Diff(Take(layer), before), "") << where << ": undo";
  layer.Redo();
  EXPECT_EQ(Diff(Take(layer), after), "") << where << ": redo";
}

TEST(TextLayerFind, ReplaceAllMatchesANaiveReplacementAndUndoesInOneStep) {
  std::mt19937 rng(38);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const char kAlphabet[] = "aab\rxy";
  const long steps = KxRandomSteps(120);
  for (long step = 0; step < steps; ++step) {
    std::string text, find, repl;
    for (int n = pick(0, 40); n > 0; --n) text += kAlphabet[pick(0, 5)];
    for (int n = pick(1, 3); n > 0; --n) find += kAlphabet[pick(0, 5)];
    for (int n = pick(0, 4); n > 0; --n) repl += kAlphabet[pick(0, 5)];
    for (const short path : {CKXTextLayer::kReplaceAuto, CKXTextLayer::kReplaceExact}) {
      TestLayer layer;
      layer.SetReplaceAllPath(path);
      SetText(layer, text);
      const Snapshot before = Take(layer);
      long want = 0;
      const std::string expected = NaiveReplace(text, find, repl, want);
      const long count = layer.DoReplaceAll(find.data(), long(find.size()), repl.data(), long(repl.size()), 0);
      const std::string where = "step " + std::to_string(step) + " path " + std::to_string(path);
      ASSERT_EQ(count, want) << where;
      ASSERT_EQ(Text(layer), expected) << where;
      if (count > 0) CheckUndoRedo(layer, before, where);
    }
  }
}

TEST(TextLayerFind, RegularExpressionReplaceAllSeesOnlyTheOriginalText) {
  const struct {
    const char* text;
    const char* find;
    const char* repl;
    const char* want;
    long count;
  } kCases[] = {
      // A replacement never becomes the start of a line for a later match.
      {"xy", "x|^y", "", "y", 1},
      {"yxy", "x|^y", "", "y", 2},
      {"ab\rab", "b$", "", "a\ra", 2},
      {"ab\rab", "^a", "z", "zb\rzb", 2},
      {"aaa", "a", "aa", "aaaaaa", 3},
      {"abab", "(a)(b)", "\\2\\1", "baba", 2},
      {"cat dog", "cat|dog", "pet", "pet pet", 2},
      // Groups are those of the match as found in its line; groups that took
      // no part give an empty replacement, not the replacement string.
      {"ab\rba\rxaay", "(a)$|(a)", "[\\1|\\2]", "[|a]b\rb[a|]\rx[|a][|a]y", 4},
      {"ab", "(a)|(b)", "\\1", "a", 2},
      {"\x81\x40x\x81\x40y\x81\x40\x81\x40", "^(\x81\x40+)|(\x81\x40+)$", "\\1", "\x81\x40x\x81\x40y", 2},
      // Empty matches are not matches: only the non-empty ones are replaced.
      {"axxb", "x*", "-", "a-b", 1},
      {"ab", "x*", "-", "ab", 0},
      // Nothing to match: nothing changes and nothing is recorded.
      {"abc", "z+", "q", "abc", 0},
  };
  for (const auto& c : kCases) {
    for (const short path : {CKXTextLayer::kReplaceAuto, CKXTextLayer::kReplaceExact}) {
      TestLayer layer;
      layer.SetReplaceAllPath(path);
      SetText(layer, c.text);
      layer.SetSelectionRange({1, 0}, false);
      const Snapshot before = Take(layer);
      const long count = layer.DoReplaceAll(c.find, long(std::strlen(c.find)), c.repl, long(std::strlen(c.repl)),
                                            kKXFindRegexp | CKXTextLayer::kReplaceRegexp);
      EXPECT_EQ(count, c.count) << c.find;
      EXPECT_EQ(Text(layer), c.want) << c.find << " over " << c.text;
      if (count == 0) {
        EXPECT_EQ(layer.GetAction(), nullptr) << c.find;
        EXPECT_EQ(layer.GetSelectionRange().start, 1) << c.find;
      } else {
        CheckUndoRedo(layer, before, c.find);
      }
    }
  }
}

// A paragraph of several chunks with no line end: every bracketed run,
// some of them thousands of bytes long and across chunk ends, becomes a
// run in the other brackets through its group, as a scan of the text finds
// them; the matches of a one-byte first window equal those of the default.
TEST(TextLayerFind, RegularExpressionReplaceAllOverALongParagraph) {
  const std::string open = "\x81\x75", close = "\x81\x76";   // 「 」
  const std::string find = open + "([^" + close + "]*)" + close;
  const std::string repl = "\x81\x77\\1\x81\x78";                // 『\1』
  std::mt19937 rng(61);
  std::string text;
  while (text.size() < 60000) {
    const unsigned roll = rng() % 10;
    if (roll == 0) {
      text += open;
      for (std::size_t n = rng() % 3 ? rng() % 40 : rng() % 9000; n > 0; --n) text += rng() % 2 ? "a" : "\x82\xA0";
      if (rng() % 3 == 0) text += open;
      text += close;
    } else {
      text += roll < 5 ? "a" : roll < 8 ? "\x81\x42" : "\x82\xA0";   // a 。 あ
    }
  }
  text += open + "a";   // opened and never closed: no match
  std::string want;
  long count = 0;
  std::size_t p = 0;
  for (std::size_t at; (at = text.find(open, p)) != std::string::npos;) {
    const std::size_t end = text.find(close, at + 2);
    if (end == std::string::npos) break;
    want.append(text, p, at - p).append("\x81\x77").append(text, at + 2, end - at - 2).append("\x81\x78");
    p = end + 2;
    ++count;
  }
  want.append(text, p, std::string::npos);
  for (const long window : {4096L, 1L}) {
    const long was = KxStrSetFirstRegexpWindow(window);
    for (const short path : {CKXTextLayer::kReplaceAuto, CKXTextLayer::kReplaceExact}) {
      TestLayer layer;
      layer.SetReplaceAllPath(path);
      SetText(layer, text);
      const Snapshot before = Take(layer);
      const std::string where = "window " + std::to_string(window) + " path " + std::to_string(path);
      EXPECT_EQ(layer.DoReplaceAll(find.data(), long(find.size()), repl.data(), long(repl.size()),
                                   kKXFindRegexp | CKXTextLayer::kReplaceRegexp),
                count)
          << where;
      EXPECT_TRUE(Text(layer) == want) << where;
      CheckUndoRedo(layer, before, where);
    }
    KxStrSetFirstRegexpWindow(was);
  }
}

TEST(TextLayerFind, ReplaceAllSavesExactlyTheSpanOfItsMatches) {
  TestLayer layer;
  SetText(layer, "one two three");
  EXPECT_EQ(layer.DoReplaceAll("two", 3, "2", 1, 0), 1);
  ASSERT_NE(layer.GetAction(), nullptr);
  EXPECT_EQ(layer.GetAction()->GetBeforeRange().start, 4);
  EXPECT_EQ(layer.GetAction()->GetBeforeRange().length, 3);
  EXPECT_EQ(KXText_GetLength(layer.GetAction()->GetSavedText()), 3);
  EXPECT_EQ(Text(layer), "one 2 three");
}

// The one-pass build gives the runs that replacing match by match gives,
// paragraph runs included.
TEST(TextLayerFind, OnePassReplaceAllGivesTheRunsOfTheMatchByMatchEdit) {
  std::mt19937 rng(1038);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const long steps = KxRandomSteps(150);
  const long stretch = CKXTextLayer::SetReplaceAllStretch(4096);
  for (long step = 0; step < steps; ++step) {
    // Edits in a copy go a stretch at a time: down to a byte, every place
    // where one may end is tried.
    CKXTextLayer::SetReplaceAllStretch(step % 2 ? 1 + step % 7 : 4096);
    std::string text;
    for (int n = pick(1, 60); n > 0; --n) text += "abxy \r"[pick(0, 5)];
    std::vector<SKXStyl> styls;
    std::vector<SKXDeco> decos;
    for (int at = 0; at < int(text.size()); at += pick(1, 8)) {
      SStyl s{0, 0, std::int16_t(pick(0, 1) ? 0 : 3), std::uint8_t(pick(0, 3)), 0, std::int16_t(10 + pick(0, 2)),
              {std::uint16_t(pick(0, 1) * 0xFFFF), 0, 0}};
      styls.push_back({at, s});
      if (pick(0, 1)) decos.push_back({at, {std::uint16_t(pick(0, 2) << 3), std::uint8_t(pick(0, 3)), 0, 0}, 0});
    }
    if (decos.empty() || decos[0].offset != 0) decos.insert(decos.begin(), SKXDeco{0, {0, 0, 0, 0}, 0});
    // Paragraph runs on some paragraphs of half the texts.
    std::vector<SKXPara> paras;
    if (pick(0, 1))
      for (std::size_t at = 0; at < text.size(); at = text.find('\r', at) + 1) {
        if (at == 0 || pick(0, 1)) {
          SKXPara run{std::int32_t(at), {}};
          run.para.justify = std::uint8_t(pick(0, 3));
          run.para.leftIndent = std::int16_t(pick(0, 2) * 10);
          paras.push_back(run);
        }
        if (text.find('\r', at) == std::string::npos) break;
      }
    const std::string find =
        std::string(1, "abxy"[pick(0, 3)]) + (pick(0, 1) ? "" : std::string(1, "ab \r"[pick(0, 3)]));
    // With paragraph runs, half the replacements hold no CR.
    const int lastRepl = paras.empty() || pick(0, 1) ? 2 : 1;
    std::string repl;
    for (int n = pick(0, 3); n > 0; --n) repl += "pq\r"[pick(0, lastRepl)];
    Snapshot got[2];
    for (const short path : {CKXTextLayer::kReplaceAuto, CKXTextLayer::kReplaceExact}) {
      TestLayer layer;
      layer.SetReplaceAllPath(path);
      SetText(layer, text, styls, decos, paras);
      const Snapshot before = Take(layer);
      layer.DoReplaceAll(find.data(), long(find.size()), repl.data(), long(repl.size()), 0);
      got[path] = Take(layer);
      CheckUndoRedo(layer, before, "step " + std::to_string(step));
    }
    ASSERT_EQ(Diff(got[0], got[1]), "") << "step " << step << " find '" << find << "' repl '" << repl << "'";
  }
  CKXTextLayer::SetReplaceAllStretch(stretch);
}

// Replace-all over texts with side entries (U+1F600 on the placeholder),
// ruby, marks, a picture, paragraph runs and line ends: the way the layer
// chooses gives what editing match by match in the text gives, selection
// and undo included, and tells its owner that the text changed. Unless a
// match touches a mark or splits paragraphs, the text changes at once (one
// change reported): built in one pass, or edited in a copy a stretch at a
// time (stretches down to a byte here, so that every place where one may
// end is tried).
TEST(TextLayerFind, ReplaceAllWaysAgreeOverSideEntriesRubyAndMarks) {
  static std::uint16_t results = 0;
  std::mt19937 rng(2024);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const std::string kEmoji = "\x81\xFC";
  const char* const kTokens[] = {"a", "b", " ", "\r", "\x93\xFA", "\x81\xFC"};  // 日 and the placeholder
  const char* const kRepls[] = {"p", "\x96\x7B", "\r"};                           // 本
  const long steps = KxRandomSteps(300);
  const long stretch = CKXTextLayer::SetReplaceAllStretch(4096);
  long atOnce = 0;
  for (long step = 0; step < steps; ++step) {
    CKXTextLayer::SetReplaceAllStretch(step % 3 ? 1 + step % 5 : 4096);
    std::string text;
    std::vector<long> starts;  // of each character
    std::vector<SKXUniChar> uni;
    long picture = -1;  // its byte, 0xCA
    for (int n = pick(1, 30); n > 0; --n) {
      std::string t = kTokens[pick(0, 5)];
      if (picture < 0 && pick(0, 30) == 0) t = "\xCA", picture = long(text.size());
      starts.push_back(long(text.size()));
      if (t == kEmoji) uni.push_back({std::int32_t(text.size()), 0xD83DDE00u});
      text += t;
    }
    const long count = long(starts.size());
    std::vector<SKXStyl> styls{{0, {0, 0, 0, 0, 0, 12, {0, 0, 0}}}};
    for (long c = 1; c < count; ++c)
      if (pick(0, 4) == 0)
        styls.push_back({std::int32_t(starts[std::size_t(c)]), {0, 0, 0, 0, 0, std::int16_t(10 + pick(0, 3)), {}}});
    std::vector<SKXPara> paras;
    if (pick(0, 2) == 0)
      for (std::size_t at = 0; at < text.size(); at = text.find('\r', at) + 1) {
        SKXPara run{std::int32_t(at), {}};
        run.para.leftIndent = std::int16_t(pick(0, 2) * 10);
        paras.push_back(run);
        if (text.find('\r', at) == std::string::npos) break;
      }
    std::vector<SKXRuby> rubys;
    for (long c = pick(0, 10); c < count; c += pick(3, 12)) {
      const long last = std::min(count - 1, c + pick(0, 1));
      const long end = last + 1 < count ? starts[std::size_t(last + 1)] : long(text.size());
      SKXRuby r{std::int32_t(starts[std::size_t(c)]), std::uint8_t(end - starts[std::size_t(c)]), 2, {}};
      r.text[0] = r.text[1] = 'r';
      if (pick(0, 1)) rubys.push_back(r);
      c = last;
    }
    KXMarkSet marks;
    for (long c = pick(0, 20); c < count; c += pick(5, 20))
      marks.push_back({std::int32_t(starts[std::size_t(c)]), std::int32_t(pick(0, 2)), 0, false, {1, 'm'}});
    std::string find = kTokens[pick(0, 5)];
    if (pick(0, 2) == 0) find += kTokens[pick(0, 5)];
    std::string repl;
    for (int n = pick(0, 2); n > 0; --n) repl += kRepls[pick(0, paras.empty() || pick(0, 1) ? 2 : 1)];
    const std::string where = "step " + std::to_string(step);

    Snapshot got[2];
    SKXRange sel[2];
    long changes[2] = {0, 0}, replaced = 0;
    for (const short path : {CKXTextLayer::kReplaceAuto, CKXTextLayer::kReplaceExact}) {
      TestLayer layer;
      layer.SetReplaceAllPath(path);
      std::vector<SKXDeco> decos{{0, {}, 0}};
      if (picture >= 0) {
        Handle pict = NewHandle(12);
        for (int k = 0; k < 12; ++k) (*pict)[k] = char(k == 7 ? 40 : k == 9 ? 30 : 0);
        decos.push_back({std::int32_t(picture), {0, 0, 0, UKXText_SetPicture(pict)}, 0});
        decos.push_back({std::int32_t(picture + 1), {}, 0});
      }
      KXText_SetTextWithUniChars(layer.GetEdit(), text.data(), long(text.size()), styls.data(),
                                 std::int32_t(styls.size()), decos.data(), std::int32_t(decos.size()),
                                 paras.empty() ? nullptr : paras.data(), std::int32_t(paras.size()), uni.data(),
                                 std::int32_t(uni.size()));
      if (!rubys.empty()) KXText_SetRubys(layer.GetEdit(), rubys.data(), std::int32_t(rubys.size()));
      KXTE_CalcText(layer.GetEdit());
      layer.SetSelectionRange({0, 0}, false);
      layer.mMarkSet = marks;
      const Snapshot before = Take(layer);
      results = 0;
      layer.onResult = [](std::uint16_t r) { results |= r; };
      layer.changes = 0;
      const long n = layer.DoReplaceAll(find.data(), long(find.size()), repl.data(), long(repl.size()), 0);
      layer.onResult = nullptr;
      got[path] = Take(layer);
      sel[path] = layer.GetSelectionRange();
      changes[path] = layer.changes;
      replaced = n;
      if (n == 0) continue;
      EXPECT_TRUE(results & kKxEditTextChanged) << where << " path " << path;
      CheckUndoRedo(layer, before, where + " path " + std::to_string(path));
    }
    ASSERT_EQ(Diff(got[0], got[1]), "") << where << "\n" << Show(got[0]) << "\n" << Show(got[1]);
    EXPECT_TRUE(UKXRange::RangesSame(sel[0], sel[1])) << where;
    if (replaced > 1 && changes[0] == 1) ++atOnce;
  }
  CKXTextLayer::SetReplaceAllStretch(stretch);
  EXPECT_GT(atOnce, steps / 8);
}

// Replacing the whole of the last paragraph keeps that paragraph's style,
// as typing over it does.
TEST(TextLayerFind, ReplaceAllKeepsTheStyleOfALastParagraphItReplacesWhole) {
  for (const short path : {CKXTextLayer::kReplaceAuto, CKXTextLayer::kReplaceExact}) {
    TestLayer layer;
    layer.SetReplaceAllPath(path);
    SKXPara centred{2, {}};
    centred.para.justify = 1;
    SetText(layer, "x\ryy", {}, {}, {SKXPara{0, {}}, centred});
    const Snapshot before = Take(layer);
    EXPECT_EQ(layer.DoReplaceAll("yy", 2, "z", 1, 0), 1);
    const Snapshot after = Take(layer);
    ASSERT_EQ(after.paras.size(), 2u) << path;
    EXPECT_EQ(after.paras[1].offset, 2) << path;
    EXPECT_EQ(after.paras[1].para.justify, 1) << path;
    CheckUndoRedo(layer, before, "path " + std::to_string(path));
  }
}

TEST(TextLayerFind, FindSelectionsAndSingleReplacements) {
  TestLayer layer;
  std::string text(300, 'a');
  text += "needle";
  SetText(layer, text);
  layer.SetSelectionRange({0, 255}, false);
  EXPECT_TRUE(layer.IsFindSelection());
  layer.SetSelectionRange({0, 256}, false);
  EXPECT_FALSE(layer.IsFindSelection());
  layer.SetSelectionRange({0, 0}, false);
  EXPECT_TRUE(layer.DoFind("needle", 6, 0));
  EXPECT_EQ(layer.GetSelectionRange().start, 300);
  EXPECT_EQ(layer.GetBeforeRange().start, 0);
  EXPECT_TRUE(layer.IsReplSelection("needle", 6, 0));
  EXPECT_FALSE(layer.IsReplSelection("needles", 7, 0));
  EXPECT_FALSE(layer.DoFind("haystack", 8, 0));
  layer.DoReplace("pin", 3);
  EXPECT_EQ(Text(layer).substr(300), "pin");
  layer.Undo();
  EXPECT_EQ(Text(layer).substr(300), "needle");
  // A group replacement that builds nothing falls back to the text as given.
  layer.SetSelectionRange({300, 6}, false);
  layer.DoReplaceRE("ne(e)dle", 8, "\\1", 2, kKXFindRegexp);
  EXPECT_EQ(Text(layer).substr(300), "e");
  layer.SetSelectionRange({300, 1}, false);
  layer.DoReplaceRE("e", 1, "plain", 5, 0);
  EXPECT_EQ(Text(layer).substr(300), "plain");
  // A selection is a match only as the search finds it in its line.
  layer.SetSelectionRange({302, 1}, false);
  EXPECT_FALSE(layer.IsReplSelection("a$|i", 4, kKXFindRegexp));
  layer.SetSelectionRange({304, 1}, false);
  EXPECT_TRUE(layer.IsReplSelection("n$|i", 4, kKXFindRegexp));
  // A group that took no part replaces the match with nothing.
  layer.SetSelectionRange({303, 1}, false);
  layer.DoReplaceRE("(a)|(i)", 7, "\\1", 2, kKXFindRegexp);
  EXPECT_EQ(Text(layer).substr(300), "plan");
}

// A picture between matches stays, with its own picture, through
// replace-all, its undo and its redo, whichever way the text is edited.
TEST(TextLayerFind, ReplaceAllKeepsAPictureBetweenItsMatches) {
  for (const bool ruby : {false, true}) {  // built in one pass; edited a stretch at a time
    TestLayer layer;
    Handle pict = NewHandle(12);
    for (int k = 0; k < 12; ++k) (*pict)[k] = char(k == 7 ? 40 : k == 9 ? 30 : 0);
    const std::vector<SKXDeco> decos{{0, {}, 0}, {2, {0, 0, 0, UKXText_SetPicture(pict)}, 0}, {3, {}, 0}};
    SetText(layer, "ab\xCA" "ab.", {}, decos);
    const unsigned char reading[] = {'r'};
    if (ruby) KXText_SetRuby(layer.GetEdit(), 3, 4, reading, 1);
    const Snapshot before = Take(layer);
    ASSERT_FALSE(before.pictures[1].empty());
    EXPECT_EQ(layer.DoReplaceAll("ab", 2, "x", 1, 0), 2);
    const Snapshot after = Take(layer);
    EXPECT_EQ(after.bytes, "x\xCAx.");
    ASSERT_EQ(after.pictures.size(), 3u) << ruby;
    EXPECT_EQ(after.pictures[1], before.pictures[1]) << ruby;
    CheckUndoRedo(layer, before, ruby ? "ruby" : "plain");
  }
}

TEST(TextLayerFind, ReplaceAllKeepsMarksOutsideItsMatches) {
  TestLayer layer;
  SetText(layer, "ab ab ab");
  layer.mMarkSet.push_back({2, 1, 0, false, {1, 'm'}});
  const Snapshot before = Take(layer);
  EXPECT_EQ(layer.DoReplaceAll("ab", 2, "xyz", 3, 0), 3);
  EXPECT_EQ(Text(layer), "xyz xyz xyz");
  ASSERT_EQ(layer.mMarkSet.size(), 1u);
  EXPECT_EQ(layer.mMarkSet[0].start, 3);
  CheckUndoRedo(layer, before, "marks");
}

// Characters of the layer's script put into a run of a Roman font get a
// font of the layer's script (the edit style's here), plain; other
// replacements keep the run's font. Both replace-all paths agree.
TEST(TextLayerFind, ReplacementsOfTheLayersScriptGetAFontThatShowsThem) {
  constexpr short kRoman = 3;
  ASSERT_EQ(KxFontToScriptType(kRoman), 0);
  const std::vector<SKXStyl> roman = {{0, {0, 0, kRoman, 1, 0, 12, {0, 0, 0}}}};
  const std::string kana = "\x82\xa0";
  Snapshot got[2];
  for (const short path : {CKXTextLayer::kReplaceAuto, CKXTextLayer::kReplaceExact}) {
    TestLayer layer;
    layer.SetReplaceAllPath(path);
    SKXEditStyl edit{};
    KXTE_GetEditStyl(layer.GetEdit(), edit);
    ASSERT_EQ(KxFontToScriptType(edit.font), layer.GetScriptType());
    SetText(layer, "ab ab", roman);
    EXPECT_EQ(layer.DoReplaceAll("a", 1, kana.data(), long(kana.size()), 0), 2);
    EXPECT_EQ(layer.DoReplaceAll("b", 1, "c", 1, 0), 2);
    got[path] = Take(layer);
    EXPECT_EQ(got[path].bytes, kana + "c " + kana + "c");
    for (const SKXStyl& run : got[path].styls) {
      const bool isKana = got[path].bytes[std::size_t(run.offset)] == kana[0];
      EXPECT_EQ(run.styl.font, isKana ? edit.font : kRoman) << run.offset;
      EXPECT_EQ(run.styl.face, isKana ? 0 : 1) << run.offset;
    }
  }
  EXPECT_EQ(Diff(got[0], got[1]), "");

  TestLayer layer;
  SetText(layer, "ab", roman);
  layer.SetSelectionRange({0, 1}, false);
  layer.DoReplace(kana.data(), long(kana.size()));
  const Snapshot s = Take(layer);
  ASSERT_GE(s.styls.size(), 2u);
  EXPECT_NE(KxFontToScriptType(s.styls[0].styl.font), 0);
  EXPECT_EQ(s.styls.back().styl.font, kRoman);
}

}  // namespace

// Characters kept beside their bytes (here 😀 and 🎉 on the placeholder)
// stay themselves when a group replacement copies them, one match or all,
// by either way of replacing all; undo gives the old entries back.
TEST(TextLayerFind, GroupReplacementsKeepTheCharactersTheyCopy) {
  const std::string ph = "\x81\xFC", ni = "\x93\xFA";  // the placeholder and 日
  const std::string text = ni + ph + "a" + ph + "\r";
  const std::vector<SKXUniChar> uni{{2, 0xD83DDE00u}, {5, 0xD83CDF89u}};
  auto load = [&](TestLayer& layer) {
    KXText_SetTextWithUniChars(layer.GetEdit(), text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0,
                               uni.data(), std::int32_t(uni.size()));
    KXTE_CalcText(layer.GetEdit());
  };
  for (const short path : {CKXTextLayer::kReplaceAuto, CKXTextLayer::kReplaceExact}) {
    TestLayer layer;
    layer.SetReplaceAllPath(path);
    load(layer);
    const Snapshot before = Take(layer);
    // Each character in brackets, then the two around "a" swapped.
    EXPECT_EQ(layer.DoReplaceAll(".", 1, "[&]", 3, kKXFindRegexp | CKXTextLayer::kReplaceRegexp), 4);
    Snapshot s = Take(layer);
    EXPECT_EQ(s.bytes, "[" + ni + "][" + ph + "][a][" + ph + "]\r");
    ASSERT_EQ(s.uni.size(), 2u);
    EXPECT_EQ(s.uni[0].offset, 5);
    EXPECT_EQ(s.uni[0].value, 0xD83DDE00u);
    EXPECT_EQ(s.uni[1].offset, 12);
    EXPECT_EQ(s.uni[1].value, 0xD83CDF89u);
    CheckUndoRedo(layer, before, "brackets");
    layer.Undo();
    const std::string swap = "(.)a(.)";
    EXPECT_EQ(layer.DoReplaceAll(swap.data(), long(swap.size()), "\\2a\\1", 5,
                                 kKXFindRegexp | CKXTextLayer::kReplaceRegexp),
              1);
    s = Take(layer);
    EXPECT_EQ(s.bytes, ni + ph + "a" + ph + "\r");
    ASSERT_EQ(s.uni.size(), 2u);
    EXPECT_EQ(s.uni[0].value, 0xD83CDF89u);
    EXPECT_EQ(s.uni[1].value, 0xD83DDE00u);
  }
  // Through the stretches: a ruby on 日 meets a match.
  {
    TestLayer layer;
    load(layer);
    SKXRuby r{0, 2, 2, {}};
    r.text[0] = r.text[1] = 'r';
    KXText_SetSelRubys(layer.GetEdit(), 0, std::int32_t(text.size()), &r, 1);
    const long stretch = CKXTextLayer::SetReplaceAllStretch(3);
    EXPECT_EQ(layer.DoReplaceAll(".", 1, "[&]", 3, kKXFindRegexp | CKXTextLayer::kReplaceRegexp), 4);
    CKXTextLayer::SetReplaceAllStretch(stretch);
    const Snapshot s = Take(layer);
    ASSERT_EQ(s.uni.size(), 2u);
    EXPECT_EQ(s.uni[0].offset, 5);
    EXPECT_EQ(s.uni[1].offset, 12);
  }
  // One replacement of the selection.
  TestLayer layer;
  load(layer);
  layer.SetSelectionRange({2, 5}, false);
  const std::string find = "(.)a(.)";
  layer.DoReplaceRE(find.data(), long(find.size()), "\\2-\\1", 5, kKXFindRegexp);
  const Snapshot s = Take(layer);
  EXPECT_EQ(s.bytes, ni + ph + "-" + ph + "\r");
  ASSERT_EQ(s.uni.size(), 2u);
  EXPECT_EQ(s.uni[0].value, 0xD83CDF89u);
  EXPECT_EQ(s.uni[1].value, 0xD83DDE00u);
}
