// The stream editor over styled texts: side records follow the units, what
// is inserted inherits style and decoration only, marks ride on unchanged
// paragraphs, and failures end a run without output.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "formats/aozora.h"
#include "platform/files.h"
#include "platform/host/headless.h"
#include "platform/host/host.h"
#include "platform/keys.h"
#include "platform/memory.h"
#include "text/codes/jcode.h"
#include "text/base/memory.h"
#include "tools/sed_memory.h"
#include "tools/sed_text.h"
#include "tool_test_files.h"

namespace {

constexpr char kPH[] = "\x81\xFC";  // the placeholder of a character outside Shift_JIS

SStyl Coloured(long k) {
  SStyl s{};
  s.font = 1;
  s.size = 12;
  s.color.red = std::uint16_t(k + 1);
  return s;
}

// Every character its own colour (red = its offset + 1); CR between lines.
SKXSedText ColouredText(const std::string& bytes, const std::vector<SKXUniChar>& uni = {},
                        const std::vector<SKXRuby>& rubys = {}) {
  SKXSedText t;
  std::vector<SKXStyl> runs;
  for (long k = 0; k < long(bytes.size());) {
    runs.push_back(SKXStyl{std::int32_t(k), Coloured(k)});
    k += SEDLeadByte(static_cast<unsigned char>(bytes[size_t(k)])) ? 2 : 1;
  }
  t.text->SetText(bytes.data(), long(bytes.size()), runs.data(), long(runs.size()), nullptr, 0, nullptr, 0,
                  uni.data(), long(uni.size()));
  if (!rubys.empty()) t.text->SetRubys(rubys.data(), long(rubys.size()));
  return t;
}

std::string Bytes(const CKXText& t) {
  std::string s(size_t(t.GetLength()), '\0');
  if (!s.empty()) t.CopyBytes(0, t.GetLength(), s.data(), long(s.size()));
  return s;
}

std::vector<SKXStyl> Styls(const CKXText& t) {
  std::vector<SKXStyl> v(size_t(t.GetStylCount()));
  v.resize(size_t(t.GetStyls(v.data(), long(v.size()))));
  return v;
}
std::vector<SKXRuby> Rubys(const CKXText& t) {
  std::vector<SKXRuby> v(size_t(t.GetRubysCount()));
  v.resize(size_t(t.GetRubys(v.data(), long(v.size()))));
  return v;
}
std::vector<SKXUniChar> Unis(const CKXText& t) {
  std::vector<SKXUniChar> v(size_t(t.GetUniCharsCount()));
  v.resize(size_t(t.GetUniChars(v.data(), long(v.size()))));
  return v;
}

// The colour (red) of the style run over each byte.
std::vector<int> ColourOf(const CKXText& t) {
  const std::vector<SKXStyl> runs = Styls(t);
  std::vector<int> out(size_t(t.GetLength()), 0);
  size_t r = 0;
  for (long k = 0; k < t.GetLength(); ++k) {
    while (r + 1 < runs.size() && runs[r + 1].offset <= k) ++r;
    if (!runs.empty()) out[size_t(k)] = runs[r].styl.color.red;
  }
  return out;
}

SKXRuby Ruby(long pos, long base, const std::string& text) {
  SKXRuby r{};
  r.pos = std::int32_t(pos);
  r.baseLen = static_cast<unsigned char>(base);
  r.rubyLen = static_cast<unsigned char>(text.size());
  std::copy(text.begin(), text.end(), r.text);
  return r;
}

struct SedRun {
  bool ok = false;
  int error = 0;
  bool budget = false;
  SKXSedText out;
};

SedRun Sed(const std::string& script, const std::vector<SKXSedText*>& inputs, bool noPrint = false) {
  CKXTextSED sed;
  sed.SetStepBudget(20000);
  SKXSedText scriptText;
  scriptText.text->SetText(script.data(), long(script.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  std::vector<SKXSedStream> in;
  for (SKXSedText* t : inputs) in.push_back(SKXSedStream::Text(t));
  SedRun r;
  r.ok = sed.DoStreamEdit({SKXSedStream::Text(&scriptText)}, in, SKXSedStream(), noPrint, false);
  r.error = sed.FirstError();
  r.budget = sed.BudgetSpent();
  r.out = std::move(sed.Output());
  return r;
}

// A run whose script text carries side characters, as a script window's
// text does.
SedRun SedWithSides(const std::string& script, const std::vector<SKXUniChar>& sides,
                    const std::vector<SKXSedText*>& inputs) {
  CKXTextSED sed;
  sed.SetStepBudget(20000);
  SKXSedText scriptText;
  scriptText.text->SetText(script.data(), long(script.size()), nullptr, 0, nullptr, 0, nullptr, 0, sides.data(),
                           long(sides.size()));
  std::vector<SKXSedStream> in;
  for (SKXSedText* t : inputs) in.push_back(SKXSedStream::Text(t));
  SedRun r;
  r.ok = sed.DoStreamEdit({SKXSedStream::Text(&scriptText)}, in, SKXSedStream(), false, false);
  r.error = sed.FirstError();
  r.out = std::move(sed.Output());
  return r;
}

}  // namespace

// A substitution inside styled text: the replacement takes the style of the
// character before the match, the rest keeps its own; "&" keeps the match's.
TEST(SedText, ReplacementTakesItsLeftNeighboursStyle) {
  SKXSedText in = ColouredText("a red b\rred\r");
  SedRun r = Sed("s/red/blue/\ns/b$/&!/", {&in});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(Bytes(*r.out.text), "a blue b!\rblue\r");
  const std::vector<int> c = ColourOf(*r.out.text);
  // "blue" after "a " takes the space's colour (offset 1).
  for (int k = 2; k < 6; ++k) EXPECT_EQ(c[size_t(k)], 2) << k;
  EXPECT_EQ(c[7], 7);  // "b" keeps its own
  EXPECT_EQ(c[8], 7);  // "!" takes the b's
  // At the start of a line the replacement takes the first replaced character's.
  for (int k = 10; k < 14; ++k) EXPECT_EQ(c[size_t(k)], 9) << k;
  EXPECT_EQ(r.out.text->Check(), "");
}

// The property over random scripts: a copied character keeps its colour,
// an inserted one takes its left neighbour's, and rubies and side
// characters appear only where their characters were copied, never lost.
TEST(SedText, ColoursRubiesAndSideCharactersFollowTheCopies) {
  std::mt19937 rng(63);
  const char* const kCommands[] = {"s/a/X/", "s/a/X/g", "s/\\(a\\)b/\\1Y/", "s/ab*/<&>/g", "x", "G", "H", "N",
                                 "$!N",    "D",       "y/ab/ba/",        "s/b/&&/2",   "h", "g", "P", "s/^./Z/"};
  const long steps = KxRandomSteps(40);
  for (long step = 0; step < steps; ++step) {
    std::string bytes;
    std::vector<SKXUniChar> uni;
    std::vector<SKXRuby> rubys;
    const int lines = 1 + int(rng() % 5);
    for (int l = 0; l < lines; ++l) {
      const int n = int(rng() % 7);
      const long lineStart = long(bytes.size());
      for (int k = 0; k < n; ++k) {
        const int pick = int(rng() % 4);
        if (pick == 3) {
          uni.push_back(SKXUniChar{std::int32_t(bytes.size()), 0x20000u + std::uint32_t(bytes.size())});
          bytes += kPH;
        } else {
          bytes += "abc"[pick];
        }
      }
      const size_t ab = bytes.find("ab", size_t(lineStart));
      if (ab != std::string::npos && (rubys.empty() || long(ab) >= rubys.back().pos + 2))
        rubys.push_back(Ruby(long(ab), 2, "\x82\xA0\x82\xA2"));
      bytes += '\r';
    }
    SKXSedText in = ColouredText(bytes, uni, rubys);
    std::string script;
    const int cmds = 1 + int(rng() % 4);
    for (int k = 0; k < cmds; ++k) script += std::string(kCommands[rng() % std::size(kCommands)]) + "\n";
    const bool translated = script.find('y') != std::string::npos;
    SedRun r = Sed(script, {&in});
    SCOPED_TRACE(script + " over " + bytes);
    const CKXText& t = *r.out.text;
    EXPECT_EQ(t.Check(), "");
    const std::string out = Bytes(t);
    const std::vector<int> colour = ColourOf(t);
    std::map<long, std::uint32_t> inUni;
    for (const SKXUniChar& u : uni) inUni[u.offset] = u.value;
    std::map<long, std::uint32_t> outUni;
    for (const SKXUniChar& u : Unis(t)) outUni[u.offset] = u.value;
    for (long k = 0; k < long(out.size());) {
      const unsigned char b = static_cast<unsigned char>(out[size_t(k)]);
      const long w = SEDLeadByte(b) ? 2 : 1;
      const long from = colour[size_t(k)] - 1;  // the input offset the colour names
      if (b == 'X' || b == 'Y' || b == 'Z' || b == '<' || b == '>') {
        if (k > 0 && out[size_t(k) - 1] != '\r') {
          EXPECT_EQ(colour[size_t(k)], colour[size_t(k) - 1]) << k;
        }
      } else if (b != '\r') {
        ASSERT_GE(from, 0) << k;
        ASSERT_LT(from, long(bytes.size())) << k;
        const unsigned char was = static_cast<unsigned char>(bytes[size_t(from)]);
        if (!translated || b == 'c' || b == 0x81) {
          EXPECT_EQ(b, was) << k;
        }
        if (b == 0x81) {
          // A copied side character keeps its value.
          ASSERT_TRUE(outUni.count(k)) << k;
          EXPECT_EQ(outUni[k], inUni[from]) << k;
        }
      }
      k += w;
    }
    for (const auto& [at, value] : outUni) EXPECT_EQ(out.compare(size_t(at), 2, kPH), 0) << at << value;
    for (const SKXRuby& ruby : Rubys(t)) {
      // Its base was copied from the start of an input ruby's base.
      const long from = colour[size_t(ruby.pos)] - 1;
      auto it = std::find_if(rubys.begin(), rubys.end(), [&](const SKXRuby& x) { return x.pos == from; });
      ASSERT_NE(it, rubys.end()) << ruby.pos;
      EXPECT_LE(ruby.baseLen, it->baseLen);
      EXPECT_EQ(std::string(ruby.text, ruby.rubyLen), std::string(it->text, it->rubyLen));
      for (long k = 0; k < ruby.baseLen; ++k) EXPECT_EQ(colour[size_t(ruby.pos + k)] - 1, from + k);
    }
  }
}

// A character that shares its code with another (U+2212 on the code of
// U+FF0D) keeps its side entry wherever the code is copied, and loses it
// only where the code itself is replaced.
TEST(SedText, SharedCodeCharactersKeepTheirUnicode) {
  const std::string minus = "\x81\x7C";
  const std::uint32_t value = 0x2212u << 16;
  for (const char* script : {"p", "s/a/X/", "G", "h;G", "y/a/b/"}) {
    SCOPED_TRACE(script);
    SKXSedText in = ColouredText(minus + "a\r" + "a" + minus + "\r", {{0, value}, {5, value}});
    SedRun r = Sed(script, {&in});
    ASSERT_TRUE(r.ok);
    const std::string out = Bytes(*r.out.text);
    long codes = 0;
    for (size_t at = out.find(minus); at != std::string::npos; at = out.find(minus, at + 2)) ++codes;
    const std::vector<SKXUniChar> unis = Unis(*r.out.text);
    EXPECT_EQ(long(unis.size()), codes);
    for (const SKXUniChar& u : unis) {
      EXPECT_EQ(out.compare(size_t(u.offset), 2, minus), 0) << u.offset;
      EXPECT_EQ(u.value, value);
    }
  }
  // Replaced: the code that stands there now is what it says.
  SKXSedText in = ColouredText(minus + "a\r", {{0, value}});
  SedRun r = Sed("s/" + minus + "/\x81\x7B/", {&in});
  EXPECT_EQ(Bytes(*r.out.text), "\x81\x7B" "a\r");
  EXPECT_TRUE(Unis(*r.out.text).empty());
}

// Characters outside Shift_JIS are told apart by their Unicode values in
// the script as in the text: a placeholder of the script stands for its
// own character only, a bare one for the placeholder character itself
// (a real ◯), and what a script inserts keeps its values.
TEST(SedText, CharactersOutsideShiftJisAreTheirOwn) {
  const std::uint32_t u = 0xFCu << 16, e = 0xE9u << 16, ss = 0xDFu << 16;
  const std::string ph = kPH;
  // "ü é ß ◯": three characters outside Shift_JIS, then a real ◯.
  const std::string text = ph + " " + ph + " " + ph + " " + ph + "\r";
  const std::vector<SKXUniChar> sides = {{0, u}, {3, e}, {6, ss}};
  struct Case {
    std::string script;
    std::vector<SKXUniChar> scriptSides;
    std::string out;
    std::vector<SKXUniChar> outSides;
  };
  const Case cases[] = {
      {"s/" + ph + "/E/", {{2, e}}, ph + " E " + ph + " " + ph + "\r", {{0, u}, {5, ss}}},
      {"s/" + ph + "/U/g", {{2, u}}, "U " + ph + " " + ph + " " + ph + "\r", {{2, e}, {5, ss}}},
      {"y/" + ph + ph + "/ue/", {{2, u}, {4, e}}, "u e " + ph + " " + ph + "\r", {{4, ss}}},
      {"s/^/" + ph + "/", {{4, e}}, ph + text, {{0, e}, {2, u}, {5, e}, {8, ss}}},
      {"s/" + ph + "/O/g", {}, ph + " " + ph + " " + ph + " O\r", sides},
      {"y/" + ph + "/" + ph + "/", {{2, e}}, ph + " " + ph + " " + ph + " " + ph + "\r", {{0, u}, {6, ss}}},
      {"1a " + ph, {{3, e}}, text + ph + "\r", {{0, u}, {3, e}, {6, ss}, {12, e}}},
      {"l", {}, text + text, {{0, u}, {3, e}, {6, ss}, {12, u}, {15, e}, {18, ss}}},
      {"s/\\(" + ph + "\\) \\1/x/", {{4, e}}, text, sides},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    SKXSedText in = ColouredText(text, sides);
    SedRun r = SedWithSides(c.script, c.scriptSides, {&in});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(Bytes(*r.out.text), c.out);
    const std::vector<SKXUniChar> got = Unis(*r.out.text);
    ASSERT_EQ(got.size(), c.outSides.size());
    for (size_t k = 0; k < got.size(); ++k) {
      EXPECT_EQ(got[k].offset, c.outSides[k].offset) << k;
      EXPECT_EQ(got[k].value, c.outSides[k].value) << k;
    }
  }
  // Into a text without side characters of its own.
  SKXSedText plain = ColouredText("axb\r");
  SedRun r = SedWithSides("s/x/" + ph + ph + "/", {{4, e}, {6, 0x1F600u}}, {&plain});
  EXPECT_EQ(Bytes(*r.out.text), "a" + ph + ph + "b\r");
  const std::vector<SKXUniChar> got = Unis(*r.out.text);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].offset, 1);
  EXPECT_EQ(got[0].value, e);
  EXPECT_EQ(got[1].offset, 3);
  EXPECT_EQ(got[1].value, 0x1F600u);
}

// The classic form of a, i and c ("a\" alone, the text on the lines
// after, running on while they end in a backslash) as the plain editor
// takes it; a text on the command's own line and every other command keep
// to their own line.
TEST(SedText, TextsRunOnOverBackslashedLines) {
  const char* const scripts[] = {
      "1a\\\nd",          "2i\\\n  x\\\ny\n3d", "/b/c\\\nnew\\\nlines", "1i\\\n\x93\xFA\\\n\x96\x7B",
      "1a\\\\\nd",       "$a\\",                "1{\ni\\\nin\n}",         "2c\\\n\\  lead",
  };
  const std::string input = "a1\nb2\nc3\n";
  for (const char* script : scripts) {
    SCOPED_TRACE(script);
    CSEDMemory plain;
    plain.Run(script, input);
    std::string want = plain.Output();
    std::replace(want.begin(), want.end(), '\n', '\r');
    std::string styledScript = script;
    std::replace(styledScript.begin(), styledScript.end(), '\n', '\r');
    std::string in = input;
    std::replace(in.begin(), in.end(), '\n', '\r');
    SKXSedText text = ColouredText(in);
    SedRun r = Sed(styledScript, {&text});
    EXPECT_EQ(r.error, plain.FirstError());
    EXPECT_EQ(Bytes(*r.out.text), want);
  }
  // A backslash still does not carry the other commands on.
  SKXSedText text = ColouredText("a\rb\r");
  EXPECT_EQ(Sed("s/a/b\\\r/", {&text}).error, 2);
  SedRun own = Sed("1a one\\\r2d", {&text});
  EXPECT_EQ(Bytes(*own.out.text), "a\rone\r");
}

// "x" and "G" move the records with the units; an inline picture copied
// twice becomes two pictures, and inserted text never repeats a picture.
TEST(SedText, HeldLinesKeepTheirStyles) {
  SKXSedText in = ColouredText("ab\rcd\r");
  SedRun r = Sed("1h\n2{x\nG\n}", {&in});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(Bytes(*r.out.text), "ab\rab\rcd\r");
  const std::vector<int> c = ColourOf(*r.out.text);
  EXPECT_EQ((std::vector<int>{c[0], c[1], c[3], c[4], c[6], c[7]}), (std::vector<int>{1, 2, 1, 2, 4, 5}));
}

// A paragraph of 5000 units is read whole; a held text of many lines grows
// the buffers and keeps every record.
TEST(SedText, LongParagraphsGrowTheBuffers) {
  std::string line(5000, 'a');
  line[4999] = 'b';
  SKXSedText in = ColouredText(line + "\r");
  SedRun r = Sed("s/b/c/", {&in});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(Bytes(*r.out.text), std::string(4999, 'a') + "c\r");
  EXPECT_EQ(ColourOf(*r.out.text)[4999], 4999);  // inserted after the 4999th character
  std::string many;
  for (int k = 0; k < 3000; ++k) many += "xy\r";
  SKXSedText big = ColouredText(many);
  SedRun h = Sed("H\n$!d\nx", {&big});
  ASSERT_TRUE(h.ok) << h.error;
  const std::vector<int> c = ColourOf(*h.out.text);
  ASSERT_EQ(h.out.text->GetLength(), 1 + 3000 * 3L);
  EXPECT_EQ(c[1 + 3 * 2999], 1 + 3 * 2999);
}

// A growth that fails ends the run with error 22 instead of cutting lines.
TEST(SedText, FailedGrowthEndsWithError22) {
  SKXSedText in = ColouredText(std::string(4000, 'a') + "\r");
  CKXTextSED sed;
  sed.SetMaxLine(3500);
  SKXSedText script;
  script.text->SetText("p", 1, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  EXPECT_FALSE(sed.DoStreamEdit({SKXSedStream::Text(&script)}, {SKXSedStream::Text(&in)}, SKXSedStream(), false, false));
  EXPECT_EQ(sed.FirstError(), 22);
}

// Marks: two in one unchanged paragraph are both carried; a changed or
// deleted paragraph loses its own and later ones still come.
TEST(SedText, MarksRideOnUnchangedParagraphs) {
  SKXSedText in = ColouredText("one two\rdrop\rchange\rkeep\r");
  in.marks = {{0, 3, 0, "m1"}, {4, 3, 0, "m2"}, {8, 4, 0, "gone"}, {13, 6, 0, "changed"}, {20, 4, 0, "kept"}};
  SedRun r = Sed("/drop/d\ns/change/CHANGE/", {&in});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(Bytes(*r.out.text), "one two\rCHANGE\rkeep\r");
  ASSERT_EQ(r.out.marks.size(), 3u);
  EXPECT_EQ(r.out.marks[0].name, "m1");
  EXPECT_EQ(r.out.marks[1].start, 4);
  EXPECT_EQ(r.out.marks[1].length, 3);
  EXPECT_EQ(r.out.marks[2].name, "kept");
  EXPECT_EQ(r.out.marks[2].start, 15);
  // Printed twice ("p"), a mark is carried once.
  SedRun twice = Sed("p", {&in});
  EXPECT_EQ(twice.out.marks.size(), in.marks.size());
}

// Ranks: levels never jump, and a mark left without children loses its
// group bit; collapsed marks keep their sign only as group heads.
TEST(SedText, CarriedRanksFollowTheOutlineRules) {
  struct Case {
    std::vector<int> in;
    std::vector<int> out;
  };
  const Case cases[] = {
      {{0, 2, 4}, {0, 0, 0}},          // no group bit: nothing may go deeper
      {{1, 2, 3, 4}, {1, 2, 3, 4}},    // children under groups
      {{1, 2, 1, 2}, {1, 2, 1, 2}},
      {{1, 5, 4}, {1, 3, 4}},          // a jump of two levels becomes one
      {{-1, 2}, {-1, 2}},              // a collapsed group head
      {{3, 0}, {0, 0}},                // a group without children loses the bit
      {{1, 1, 0}, {0, 0, 0}},          // groups without children lose the bit
  };
  for (const Case& c : cases) {
    std::vector<SKXSedMark> written;
    int last = 0;
    for (int rank : c.in) {
      SKXSedMark m;
      m.rank = std::int16_t(KxSedCarryRank(last, rank, written));
      written.push_back(m);
    }
    std::vector<int> got;
    for (const SKXSedMark& m : written) got.push_back(m.rank);
    EXPECT_EQ(got, c.out);
  }
}

// Against the outline's own rules over random ranks: the first mark is at
// the top level, a group head is followed by one of its children, any other
// mark by one no deeper, and only group heads stay collapsed.
TEST(SedText, CarriedRanksNeverBreakTheOutline) {
  std::mt19937 rng(11);
  const long steps = KxRandomSteps(200);
  for (long step = 0; step < steps; ++step) {
    std::vector<SKXSedMark> written;
    int last = 0;
    const int n = 1 + int(rng() % 8);
    for (int k = 0; k < n; ++k) {
      int rank = int(rng() % 9);
      if (rng() % 4 == 0) rank = -rank;
      SKXSedMark m;
      m.rank = std::int16_t(KxSedCarryRank(last, rank, written));
      written.push_back(m);
    }
    auto level = [](int r) { return std::abs(r) / 2; };
    EXPECT_EQ(level(written[0].rank), 0);
    for (size_t k = 0; k < written.size(); ++k) {
      const int a = written[k].rank;
      if (a < 0) {
        EXPECT_TRUE(std::abs(a) & 1) << k;
      }
      if (k + 1 == written.size()) break;
      const int b = written[k + 1].rank;
      if (std::abs(a) & 1) {
        EXPECT_EQ(level(b), level(a) + 1) << k;
      } else {
        EXPECT_LE(level(b), level(a)) << k;
      }
    }
  }
}

// Inserted text never takes over a picture: the default decoration of a
// text that begins with a picture has none, and a copied picture byte gets
// a picture of its own each time.
TEST(SedText, PicturesAreNeverRepeatedOnInsertedText) {
  SKXSedText in;
  const std::string bytes = "\xCA" "ab\r";
  PicHandle pict = KxMemHAlloc(10, true);
  for (int k = 0; k < 10; ++k) (*pict)[k] = 0;
  SKXDeco decos[2] = {};
  decos[0].deco.pictID = CKXDecoArray::SetPicture(pict);
  ASSERT_GT(decos[0].deco.pictID, 0);
  decos[1].offset = 1;
  in.text->SetText(bytes.data(), long(bytes.size()), nullptr, 0, decos, 2, nullptr, 0, nullptr, 0);
  SedRun r = Sed("s/^/X/\ns/$/Y/\nh\nG\n1i line", {&in});
  ASSERT_TRUE(r.ok);
  const CKXText& t = *r.out.text;
  EXPECT_EQ(t.Check(), "");
  const std::string out = Bytes(t);
  long pictures = 0;
  for (long k = 0; k < t.GetLength(); ++k) {
    if (t.GetDecoPictID(k) != 0) {
      ++pictures;
      EXPECT_EQ(static_cast<unsigned char>(out[size_t(k)]), 0xCA) << k;
    }
  }
  EXPECT_EQ(pictures, 2);
}

// Aozora texts: rubies and emphasis (rubies of marks) survive a global
// substitution that leaves the bytes as they were, and "h;G" doubles them;
// with more than 65,535 rubies in the stream no number wraps.
TEST(SedText, AozoraRubiesSurviveManyInputs) {
  const std::string dir = KxSharedDir() + "/realdata/aozora";
  std::vector<std::unique_ptr<SKXSedText>> texts;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::vector<std::uint8_t> raw;
    ASSERT_EQ(KxReadFile(entry.path().string(), raw), 0);
    std::string bytes;
    for (size_t k = 0; k < raw.size(); ++k) {
      if (raw[k] == '\r' && k + 1 < raw.size() && raw[k + 1] == '\n') continue;
      bytes += raw[k] == '\n' ? '\r' : char(raw[k]);
    }
    auto t = std::make_unique<SKXSedText>();
    ASSERT_GE(ConvertAozoraTextWithTextRef(t->text.get(), bytes.data(), long(bytes.size()), nullptr), 0);
    texts.push_back(std::move(t));
  }
  if (texts.empty()) GTEST_SKIP() << "no Aozora texts";
  // The largest text repeated until the stream holds more than 65,535 rubies.
  auto largest = std::max_element(texts.begin(), texts.end(), [](const auto& a, const auto& b) {
    return a->text->GetRubysCount() < b->text->GetRubysCount();
  });
  std::vector<SKXSedText*> inputs;
  long total = 0;
  for (auto& t : texts) {
    inputs.push_back(t.get());
    total += t->text->GetRubysCount();
  }
  while (total <= 65535) {
    inputs.push_back(largest->get());
    total += (*largest)->text->GetRubysCount();
  }
  // The expected rubies: every input's, shifted by what came before.
  std::vector<SKXRuby> expected;
  long base = 0;
  for (SKXSedText* t : inputs) {
    for (SKXRuby r : Rubys(*t->text)) {
      r.pos += std::int32_t(base);
      expected.push_back(r);
    }
    const std::string b = Bytes(*t->text);
    base += long(b.size()) + (b.empty() || b.back() == '\r' ? 0 : 1);
  }
  CKXTextSED sed;
  SKXSedText script;
  const std::string same = "s/\x81\x42/\x81\x42/g";  // 。 for 。
  script.text->SetText(same.data(), long(same.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  std::vector<SKXSedStream> in;
  for (SKXSedText* t : inputs) in.push_back(SKXSedStream::Text(t));
  ASSERT_TRUE(sed.DoStreamEdit({SKXSedStream::Text(&script)}, in, SKXSedStream(), false, false));
  const std::vector<SKXRuby> got = Rubys(*sed.Output().text);
  ASSERT_EQ(got.size(), expected.size());
  for (size_t k = 0; k < got.size(); ++k) {
    ASSERT_EQ(got[k].pos, expected[k].pos) << k;
    ASSERT_EQ(got[k].baseLen, expected[k].baseLen) << k;
    ASSERT_EQ(std::string(got[k].text, got[k].rubyLen), std::string(expected[k].text, expected[k].rubyLen)) << k;
  }
  // Held and appended: every paragraph twice, with its rubies.
  SKXSedText hold;
  hold.text->SetText("h;G", 3, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  CKXTextSED doubled;
  SKXSedText* small = std::min_element(texts.begin(), texts.end(), [](const auto& a, const auto& b) {
                        return a->text->GetLength() < b->text->GetLength();
                      })->get();
  ASSERT_TRUE(doubled.DoStreamEdit({SKXSedStream::Text(&hold)}, {SKXSedStream::Text(small)}, SKXSedStream(), false,
                                   false));
  const std::vector<SKXRuby> once = Rubys(*small->text);
  const std::vector<SKXRuby> twice = Rubys(*doubled.Output().text);
  ASSERT_EQ(twice.size(), once.size() * 2);
  std::multiset<std::string> a, b;
  for (const SKXRuby& r : once) {
    a.insert(std::string(r.text, r.rubyLen));
    a.insert(std::string(r.text, r.rubyLen));
  }
  for (const SKXRuby& r : twice) b.insert(std::string(r.text, r.rubyLen));
  EXPECT_EQ(a, b);
}

// A script file that cannot be opened stops the run with error 7 before
// anything is applied.
TEST(SedText, MissingScriptFileIsError7) {
  SKXSedText in = ColouredText("a\r");
  CKXTextSED sed;
  SKXSedText script;
  script.text->SetText("s/a/b/", 6, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  EXPECT_FALSE(sed.DoStreamEdit({SKXSedStream::Text(&script), SKXSedStream::File("/nonexistent/script")},
                                {SKXSedStream::Text(&in)}, SKXSedStream(), false, false));
  EXPECT_EQ(sed.FirstError(), 7);
}

// "q" ends only the input it is read from.
TEST(SedText, QuitGoesOnWithTheNextInput) {
  SKXSedText a = ColouredText("a1\ra2\r"), b = ColouredText("b1\rb2\r");
  SedRun r = Sed("/1/q", {&a, &b});
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(Bytes(*r.out.text), "a1\rb1\r");
}

namespace {

using tooltest::QuietRunSED;
using tooltest::ReadBytes;
using tooltest::TempDir;
using tooltest::WriteBytes;

// A styled document with runs, a ruby, a side character and ranked marks
// (`doc`), written into `dir` in both layouts with `format`; the files'
// bytes go into `files`.
void WriteStyledDocuments(const std::string& dir, std::map<std::string, std::string>& files, SKXSedText& doc,
                          SKXSedFormat& format) {
  std::string styled = "ab\rcd";
  styled += kPH;
  styled += "e\r";
  doc = ColouredText(styled, {{5, 0x20B9F}}, {Ruby(0, 2, "\x82\xA0")});
  doc.marks = {{0, 2, 1, "head"}, {3, 2, 2, "body"}};
  doc.ranks = true;
  format.document = true;
  std::string message;
  for (EKXLayout layout : {EKXLayout::kClassic, EKXLayout::kContainer}) {
    format.layout = layout;
    const std::string name = layout == EKXLayout::kClassic ? "styled.txt" : "styled.kxt";
    ASSERT_EQ(KxSedWriteFile(dir + "/" + name, doc, format, true, message), 0) << message;
    files[name] = ReadBytes(dir + "/" + name);
  }
}

}  // namespace

// The note of an error: its item of list 210, "%s" the argument with 0x01
// shown as "/", never longer than 250 bytes and never cut inside a
// character.
TEST(SedTextRun, ErrorNotesAreBounded) {
  QuietRunSED sed;
  EXPECT_EQ(sed.ErrorNote(7, "x"), "");
  sed.SetMessageList(210, 11);
  const std::string note = sed.ErrorNote(7, "dir\x01name");
  EXPECT_NE(note.find("dir/name"), std::string::npos) << note;
  std::string wide;
  for (int k = 0; k < 200; ++k) wide += "\x82\xA0";
  for (const std::string& arg : {wide, "x" + wide, std::string(600, 'z')}) {
    const std::string cut = sed.ErrorNote(23, arg.c_str());
    EXPECT_LE(cut.size(), 250u);
    EXPECT_GE(cut.size(), 248u);
    // Every lead byte has its trail byte.
    for (size_t k = 0; k < cut.size(); ++k) {
      if (SEDLeadByte(static_cast<unsigned char>(cut[k]))) {
        ASSERT_LT(++k, cut.size());
      }
    }
  }
}

// An input that cannot be read whole fails the run, naming it; nothing is
// written, and an "r" file that is missing is only skipped.
TEST(SedTextRun, UnreadableInputFailsAndWritesNothing) {
  const std::string dir = TempDir("kx_sed_text_unreadable");
  WriteBytes(dir + "/a.txt", "one\ntwo\n");
  QuietRunSED sed;
  SKXSedText script;
  script.text->SetText("r missing\rw copy", 16, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  sed.SetStdioFolder(dir);
  EXPECT_FALSE(sed.DoStreamEdit({SKXSedStream::Text(&script)},
                                {SKXSedStream::File(dir + "/a.txt"), SKXSedStream::File(dir + "/gone.txt")},
                                SKXSedStream::File(dir + "/out.txt"), false, false));
  EXPECT_EQ(sed.FailedInput(), dir + "/gone.txt");
  EXPECT_FALSE(std::filesystem::exists(dir + "/out.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/copy"));
  // Without the missing input the run writes both.
  QuietRunSED good;
  good.SetStdioFolder(dir);
  EXPECT_TRUE(good.DoStreamEdit({SKXSedStream::Text(&script)}, {SKXSedStream::File(dir + "/a.txt")},
                                SKXSedStream::File(dir + "/out.txt"), false, false));
  EXPECT_EQ(ReadBytes(dir + "/out.txt"), "one\ntwo\n");
  EXPECT_EQ(ReadBytes(dir + "/copy"), "one\ntwo\n");
  std::filesystem::remove_all(dir);
}

// Memory that runs out anywhere in a run ends it; a run that fails leaves
// no output file behind.
TEST(SedTextRun, FailingAllocatorWritesNothing) {
  const std::string dir = TempDir("kx_sed_text_memory");
  std::string text;
  for (int k = 0; k < 400; ++k) text += "line " + std::to_string(k) + " of the text\n";
  WriteBytes(dir + "/in.txt", text);
  const long steps = KxRandomSteps(30);
  for (long n = 1; n <= steps; ++n) {
    std::filesystem::remove(dir + "/out.txt");
    QuietRunSED sed;
    SKXSedText script;
    script.text->SetText("H;$!d;x;s/o/0/g", 15, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    kx_memtest::FailNth(n * 3);
    bool ok = false;
    try {
      ok = sed.DoStreamEdit({SKXSedStream::Text(&script)}, {SKXSedStream::File(dir + "/in.txt")},
                            SKXSedStream::File(dir + "/out.txt"), false, false);
    } catch (...) {
      ok = false;
    }
    kx_memtest::Reset();
    if (!ok) {
      EXPECT_FALSE(std::filesystem::exists(dir + "/out.txt")) << n;
    }
  }
  std::filesystem::remove_all(dir);
}

// Escape from the host ends a run as a failure.
TEST(SedTextRun, EscapeBreaksTheRun) {
  KxHeadlessHost host(false);
  KxSetHost(&host);
  host.PostKey(0x1B, 0x35);
  QuietRunSED sed;
  SKXSedText in = ColouredText("a\rb\r");
  SKXSedText script;
  script.text->SetText("p", 1, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  EXPECT_FALSE(sed.DoStreamEdit({SKXSedStream::Text(&script)}, {SKXSedStream::Text(&in)}, SKXSedStream(), false,
                                false));
  EXPECT_TRUE(sed.Broken());
  KxSetHost(nullptr);
}

// An identity script over a folder of mixed files leaves every byte and
// every sidecar as it was: encodings, byte-order marks, line ends, styled
// documents in both layouts with their rubies, side characters and marks.
TEST(SedTextRun, IdentityKeepsEveryFileAsItWas) {
  const std::string dir = TempDir("kx_sed_text_identity");
  // The same lines in several encodings (UTF-8 source bytes of the test).
  const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\n\xE4\xBA\x8C abc\n\n\xE6\x9C\x80\xE5\xBE\x8C";
  const std::string sjis = "\x93\xFA\x96\x7B\x8C\xEA\n\x93\xF1 abc\n\n\x8D\xC5\x8C\xE3";
  const std::string euc = "\xC6\xFC\xCB\xDC\xB8\xEC\n\xC6\xF3 abc\n\n\xBA\xC7\xB8\xE5";
  auto ends = [](std::string s, const std::string& eol) {
    std::string out;
    for (char c : s) out += c == '\n' ? eol : std::string(1, c);
    return out;
  };
  std::map<std::string, std::string> files = {
      {"sjis_lf.txt", sjis + "\n"},
      {"sjis_crlf.txt", ends(sjis, "\r\n") + "\r\n"},
      {"euc_crlf.txt", ends(euc, "\r\n") + "\r\n"},
      {"euc_cr.txt", ends(euc, "\r")},
      {"utf8_bom_cr.txt", "\xEF\xBB\xBF" + ends(utf8, "\r") + "\r"},
      {"utf8_lf.txt", utf8 + "\n"},
      {"utf8_no_end.txt", utf8},
      {"utf8_outside.txt", "\xF0\xA0\xAE\xB7\xE9\x87\x8E \xF0\x9F\x98\x80\n"},
  };
  for (const auto& [name, bytes] : files) WriteBytes(dir + "/" + name, bytes);
  // Styled documents: runs, a ruby, a side character and ranked marks.
  SKXSedText doc;
  SKXSedFormat format;
  std::string message;
  WriteStyledDocuments(dir, files, doc, format);
  ASSERT_FALSE(HasFatalFailure());
  // The same document as an EUC-JP text with CR LF line ends: it stays so.
  format.layout = EKXLayout::kClassic;
  format.encoding = kKxCodeEUC;
  format.lineEnd = 1;
  ASSERT_EQ(KxSedWriteFile(dir + "/styled_euc.txt", doc, format, true, message), 0) << message;
  files["styled_euc.txt"] = ReadBytes(dir + "/styled_euc.txt");
  // Its ruby inline, in EUC-JP, before a CR LF.
  EXPECT_EQ(files["styled_euc.txt"].substr(0, 8), "ab(\xA4\xA2)\r\n");
  EXPECT_NE(files["styled_euc.txt"].find("\xA2\xFE"), std::string::npos);  // the placeholder, in EUC-JP
  ASSERT_TRUE(std::filesystem::exists(dir + "/._styled.txt"));
  std::filesystem::create_directories(dir + "/out");
  SKXSedText script;
  script.text->SetText("p;d", 3, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  for (const auto& [name, bytes] : files) {
    QuietRunSED sed;
    ASSERT_TRUE(sed.DoStreamEdit({SKXSedStream::Text(&script)}, {SKXSedStream::File(dir + "/" + name)},
                                 SKXSedStream::File(dir + "/out/" + name), false, false))
        << name;
    EXPECT_EQ(ReadBytes(dir + "/out/" + name), bytes) << name;
    EXPECT_EQ(ReadBytes(dir + "/out/._" + name), ReadBytes(dir + "/._" + name)) << name;
  }
  // The marks came through the styled document with their ranks.
  SKXSedText back;
  SKXSedFormat read;
  ASSERT_EQ(KxSedReadFile(dir + "/out/styled.txt", kKxCodeAuto, back, read, message), 0);
  ASSERT_EQ(back.marks.size(), 2u);
  EXPECT_EQ(back.marks[1].name, "body");
  EXPECT_EQ(back.marks[1].rank, 2);
  EXPECT_EQ(Rubys(*back.text).size(), 1u);
  EXPECT_EQ(Unis(*back.text).size(), 1u);
  ASSERT_EQ(KxSedReadFile(dir + "/out/styled_euc.txt", kKxCodeAuto, back, read, message), 0);
  EXPECT_TRUE(read.document);
  EXPECT_EQ(read.encoding, kKxCodeEUC);
  EXPECT_EQ(read.lineEnd, 1);
  EXPECT_EQ(Rubys(*back.text).size(), 1u);
  EXPECT_EQ(Unis(*back.text).size(), 1u);
  std::filesystem::remove_all(dir);
}

// Overwriting its targets, a run rewrites only the files it changed: the
// others keep their bytes, sidecars and dates (mixed line ends, a UTF-16
// file without a byte-order mark read as Shift_JIS, styled documents).
TEST(SedTextRun, OverwriteLeavesUnchangedFilesAlone) {
  const std::string dir = TempDir("kx_sed_text_unchanged");
  std::map<std::string, std::string> files = {
      {"match.txt", "\x93\xFA\x96\x7B\r\nabc\n"},
      {"mixed.txt", "one\r\ntwo\nthree\rfour\n"},
      {"utf16.txt", std::string("a\0b\0\r\0\n\0c\0\r\0", 12)},
      {"no_end.txt", "last line"},
  };
  for (const auto& [name, bytes] : files) WriteBytes(dir + "/" + name, bytes);
  SKXSedText doc;
  SKXSedFormat format;
  std::string message;
  WriteStyledDocuments(dir, files, doc, format);
  ASSERT_FALSE(HasFatalFailure());
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    std::filesystem::last_write_time(entry.path(), old);
  SKXSedText script;
  const std::string nihon = "s/\x96\x7B/X/g";
  script.text->SetText(nihon.data(), long(nihon.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  for (const auto& [name, bytes] : files) {
    QuietRunSED sed;
    const std::string path = dir + "/" + name;
    ASSERT_TRUE(sed.DoStreamEdit({SKXSedStream::Text(&script)}, {SKXSedStream::File(path)},
                                 SKXSedStream::File(path), false, false))
        << name;
    if (name == "match.txt") {
      EXPECT_EQ(ReadBytes(path), "\x93\xFAX\r\nabc\r\n");
      EXPECT_NE(std::filesystem::last_write_time(path), old);
      continue;
    }
    EXPECT_EQ(ReadBytes(path), bytes) << name;
    EXPECT_EQ(std::filesystem::last_write_time(path), old) << name;
  }
  EXPECT_EQ(std::filesystem::last_write_time(dir + "/._styled.txt"), old);
  std::filesystem::remove_all(dir);
}

// Paragraph styles go with their paragraphs, also when the next input has
// none.
TEST(SedText, ParagraphStylesFollowTheirInputs) {
  SKXSedText indented = ColouredText("one\rtwo\r"), plain = ColouredText("three\r");
  SParaStyl para{};
  indented.text->GetParaStylDefault(para);
  para.firstIndent = 24;
  indented.text->SetPara(4, 8, para);
  SedRun r = Sed("s/o/0/", {&indented, &plain});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(Bytes(*r.out.text), "0ne\rtw0\rthree\r");
  std::vector<SKXPara> paras(size_t(r.out.text->GetParaCount()));
  paras.resize(size_t(r.out.text->GetParas(paras.data(), long(paras.size()))));
  std::vector<std::pair<int, int>> got;
  for (const SKXPara& p : paras) got.emplace_back(p.offset, p.para.firstIndent);
  EXPECT_EQ(got, (std::vector<std::pair<int, int>>{{0, 0}, {4, 24}, {8, 0}}));
}

namespace {

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

// Runs `script` over "a\rb\r" with `dir` as the folder of its names.
bool RunIn(const std::string& dir, const SKXSedStream& script, std::string& out, int* error = nullptr) {
  QuietRunSED sed;
  sed.SetStdioFolder(dir);
  sed.SetEncoding(kKxCodeUTF8);  // script files
  SKXSedText in = ColouredText("a\rb\r"), result;
  const bool ok = sed.DoStreamEdit({script}, {SKXSedStream::Text(&in)}, SKXSedStream::Text(&result), false, false);
  out = Bytes(*result.text);
  if (error) *error = sed.FirstError();
  return ok;
}

}  // namespace

// Names in a script ("w", "r", the w flag of "s") are the script's
// Shift_JIS; on disk they are its UTF-8 spelling, side characters included
// (also after a dropped backslash), from a script text and a script file.
TEST(SedTextRun, ScriptNamesAreUTF8OnDisk) {
  const std::string dir = TempDir("kx_sed_text_names");
  WriteBytes(dir + "/\xE8\xAA\xAD.txt", "read\n");  // 読
  WriteBytes(dir + "/\x93\xC7.txt", "wrong\n");     // 読 in Shift_JIS
  std::string text = "w \x93\xFA.txt\r1r \x93\xC7.txt\rs/b/B/w x\\y" + std::string(kPH) + "\x81\x60~.txt";
  const std::vector<SKXUniChar> uni = {{30, 0xD842DFB7u}, {32, 0x301Cu << 16}};  // U+20BB7, U+301C
  SKXSedText script;
  script.text->SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, uni.data(), 2);
  ASSERT_EQ(Unis(*script.text).size(), 2u);
  std::string out;
  ASSERT_TRUE(RunIn(dir, SKXSedStream::Text(&script), out));
  EXPECT_EQ(out, "a\rread\rB\r");
  EXPECT_EQ(ReadBytes(dir + "/\xE6\x97\xA5.txt"), "a\rb\r");  // 日
  EXPECT_EQ(ReadBytes(dir + "/xy\xF0\xA0\xAE\xB7\xE3\x80\x9C~.txt"), "B\r");
  EXPECT_EQ(Names(dir).size(), 4u);
  // A UTF-8 script file under a Japanese name of its own.
  const std::string file = dir + "/\xE6\x97\xA5.sed";
  WriteBytes(file, "s/a/A/\r\nw \xE3\x80\x9C.txt\r\n1r \xE8\xAA\xAD.txt\r\n");
  ASSERT_TRUE(RunIn(dir, SKXSedStream::File(file), out));
  EXPECT_EQ(out, "A\rread\rb\r");
  EXPECT_EQ(ReadBytes(dir + "/\xE3\x80\x9C.txt"), "A\rb\r");
  std::filesystem::remove_all(dir);
}

// A name with no UTF-8 spelling (a placeholder without its side character,
// a lone lead byte) opens nothing: "w" fails with error 9 and writes
// nothing anywhere; "r" reads nothing, not even the file named by the
// placeholder's own character (U+25EF).
TEST(SedTextRun, NamesWithoutSpellingOpenNothing) {
  const std::string dir = TempDir("kx_sed_text_bad_names");
  WriteBytes(dir + "/\xE2\x97\xAF.txt", "circle\n");
  for (const std::string& name : {std::string(kPH) + ".txt", std::string("\x93.txt")}) {
    for (const std::string command : {"w ", "1r "}) {
      SKXSedText script;
      const std::string text = command + name;
      script.text->SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
      std::string out;
      int error = 0;
      EXPECT_EQ(RunIn(dir, SKXSedStream::Text(&script), out, &error), command == "1r ");
      EXPECT_EQ(error, command == "w " ? 9 : 0);
      EXPECT_EQ(Names(dir).size(), 1u);
      if (command == "1r ") {
        EXPECT_EQ(out, "a\rb\r");
      }
    }
  }
  std::filesystem::remove_all(dir);
}

// The line end after the last paragraph: written back only where the input
// had one, and only ever for the output of that paragraph, as GNU sed does
// it in POSIX mode (its outputs for the same scripts over "cat one\ncat
// two" with and without the final line end).
TEST(SedText, FinalLineEndFollowsTheLastLineOnly) {
  struct Case {
    const char* script;
    const char* withEnd;
    const char* withoutEnd;
  };
  const Case cases[] = {
      {"$d", "cat one\r", "cat one\r"},
      {"$!d", "cat two\r", "cat two"},
      {"p", "cat one\rcat one\rcat two\rcat two\r", "cat one\rcat one\rcat two\rcat two"},
      {"N;P;D", "cat one\r", "cat one\r"},
      {"$!N;P;D", "cat one\rcat two\r", "cat one\rcat two"},
      {"N;P;d", "cat one\r", "cat one\r"},
      {"$a text", "cat one\rcat two\rtext\r", "cat one\rcat two\rtext\r"},
      {"$i text", "cat one\rtext\rcat two\r", "cat one\rtext\rcat two"},
      {"=", "1\rcat one\r2\rcat two\r", "1\rcat one\r2\rcat two"},
      {"x", "\rcat one\r", "\rcat one\r"},
      {"$!{h;d};x", "cat one\r", "cat one\r"},
      {"s/t/T/g", "caT one\rcaT Two\r", "caT one\rcaT Two"},
      {"s/t/T/;s/a/A/", "cAT one\rcAT two\r", "cAT one\rcAT two"},
      // "g" and "h" copy the line's end with it, "G" and "H" take the one of
      // the line they append, "x" swaps them; the hold space starts with one.
      {"H;$!d;x", "\rcat one\rcat two\r", "\rcat one\rcat two"},
      {"G", "cat one\r\rcat two\r\r", "cat one\r\rcat two\r\r"},
      {"$G", "cat one\rcat two\r\r", "cat one\rcat two\r\r"},
      {"x;G", "\rcat one\rcat one\rcat two\r", "\rcat one\rcat one\rcat two"},
      {"H;x", "\rcat one\rcat one\rcat two\r", "\rcat one\rcat one\rcat two"},
      {"h;G", "cat one\rcat one\rcat two\rcat two\r", "cat one\rcat one\rcat two\rcat two"},
      {"$x", "cat one\r\r", "cat one\r\r"},
      {"1h;$G", "cat one\rcat two\rcat one\r", "cat one\rcat two\rcat one\r"},
      {"$g", "cat one\r\r", "cat one\r\r"},
      {"$!{h;d};x;G", "cat one\rcat two\r", "cat one\rcat two"},
      {"1!G;h;$!d", "cat two\rcat one\r", "cat two\rcat one\r"},
      {"N;G", "cat one\rcat two\r\r", "cat one\rcat two\r\r"},
      {"$!d;H;x", "\rcat two\r", "\rcat two"},
      {"$!d;G;x", "\r", "\r"},
      {"s/t/T/;G;s/c/C/", "CaT one\r\rCaT two\r\r", "CaT one\r\rCaT two\r\r"},
  };
  // The same against GNU sed in POSIX mode, where it is installed.
  const std::string dir = (std::filesystem::temp_directory_path() / "kx_sed_final_end").string();
  std::filesystem::create_directories(dir);
  const bool gnu = std::system("sed --posix -n p </dev/null >/dev/null 2>&1") == 0;
  auto peer = [&](const std::string& script, bool end) {
    std::ofstream(dir + "/in.txt", std::ios::binary) << (end ? "cat one\ncat two\n" : "cat one\ncat two");
    std::ofstream(dir + "/script.sed", std::ios::binary) << script << "\n";
    const std::string cmd =
        "sed --posix -f '" + dir + "/script.sed' '" + dir + "/in.txt' > '" + dir + "/out.txt' 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) return std::string("(failed)");
    std::ifstream f(dir + "/out.txt", std::ios::binary);
    std::string out((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::replace(out.begin(), out.end(), '\n', '\r');
    return out;
  };
  for (const Case& c : cases) {
    for (bool end : {true, false}) {
      for (bool styled : {true, false}) {
        const std::string bytes = end ? "cat one\rcat two\r" : "cat one\rcat two";
        SKXSedText in = styled ? ColouredText(bytes) : SKXSedText();
        if (!styled) in.text->SetText(bytes.data(), long(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
        const SedRun r = Sed(c.script, {&in});
        ASSERT_TRUE(r.ok) << c.script;
        EXPECT_EQ(Bytes(*r.out.text), end ? c.withEnd : c.withoutEnd)
            << c.script << (end ? " (end)" : " (no end)") << (styled ? " (styled)" : "");
      }
      // GNU sed in POSIX mode refuses the one-line "a" and "i".
      if (gnu && std::string(c.script).find(' ') == std::string::npos) {
        EXPECT_EQ(peer(c.script, end), end ? c.withEnd : c.withoutEnd) << "GNU sed: " << c.script;
      }
    }
  }
  std::filesystem::remove_all(dir);
}
