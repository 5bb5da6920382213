#include "text/store/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/alloc_sweep.h"
#include "platform/exception.h"
#include "platform/memory.h"
#include "text/base/memory.h"
#include "text/codes/script.h"
#include "text/runs/pictures.h"
#include "text/store/text_walk.h"

namespace {

std::string Bytes(const CKXText& t) {
  std::string s(static_cast<size_t>(t.GetLength()), '\0');
  t.GetText(s.data(), t.GetLength(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  return s;
}

void Set(CKXText& t, const std::string& s) {
  t.SetText(s.data(), static_cast<long>(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
}

std::vector<SKXStyl> Styls(const CKXText& t) {
  std::vector<SKXStyl> v(static_cast<size_t>(t.GetStylCount()));
  t.GetStyls(v.data(), static_cast<long>(v.size()));
  return v;
}

std::vector<SKXDeco> Decos(const CKXText& t) {
  std::vector<SKXDeco> v(static_cast<size_t>(t.GetDecoCount()));
  t.GetDecos(v.data(), static_cast<long>(v.size()));
  return v;
}

std::vector<SKXPara> Paras(const CKXText& t) {
  std::vector<SKXPara> v(static_cast<size_t>(t.GetParaCount()));
  if (!v.empty()) t.GetParas(v.data(), static_cast<long>(v.size()));
  return v;
}

SStyl Bold() {
  SStyl s{};
  s.font = 1;
  s.size = 12;
  s.face = 1;
  return s;
}

PicHandle MakePict() {
  PicHandle h = KxMemHAlloc(10, true);
  for (int k = 0; k < 10; ++k) (*h)[k] = 0;
  return h;
}

// Inserts an inline picture at pos and answers its ID.
short InsertPicture(CKXText& t, long pos) {
  SDeco d{};
  d.pictID = CKXDecoArray::SetPicture(MakePict());
  char b = static_cast<char>(0xCA);
  t.InsertString(pos, &b, 1, nullptr, &d, nullptr, 0);
  return d.pictID;
}

TEST(Text, NewTextAndWholeTextTransfer) {
  CKXText t;
  EXPECT_EQ(t.GetLength(), 0);
  ASSERT_EQ(t.GetStylCount(), 1);
  EXPECT_EQ(t.GetDecoCount(), 1);
  EXPECT_EQ(t.GetParaCount(), 0);
  EXPECT_EQ(Styls(t)[0].styl.size, 12);
  SKXPara p[2];
  EXPECT_EQ(t.GetParas(p, 2), 1);  // the implicit default run
  EXPECT_EQ(p[0].offset, 0);

  t.SetStyl(0, 0, 2, Bold());  // empty text: the code reaches the one run
  Set(t, "abc");
  EXPECT_EQ(Bytes(t), "abc");
  ASSERT_EQ(t.GetStylCount(), 1);
  EXPECT_EQ(Styls(t)[0].styl.face, 1);

  // Runs from outside are cleaned: out of order and beyond the text dropped.
  SKXStyl runs[3] = {{0, Bold()}, {5, {}}, {2, {}}};
  runs[1].styl.font = 7;
  t.SetText("abcdef", 6, runs, 3, nullptr, 0, nullptr, 0, nullptr, 0);
  auto s = Styls(t);
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[1].offset, 5);

  CKXText copy;
  t.GetText(&copy);
  EXPECT_EQ(Bytes(copy), "abcdef");
  EXPECT_EQ(copy.GetStylCount(), 2);
}

// The one byte past ASCII is found wherever it stands: in a step of
// sixteen, in the bytes after the last step, past the read block's end.
TEST(Text, AsciiOnlyFindsAnyByteFromTheHighHalf) {
  const long size = (1 << 16) + 40;
  CKXText t;
  Set(t, std::string(size_t(size), 'a'));
  EXPECT_TRUE(t.IsAsciiOnly());
  for (long at : {0L, 15L, 16L, 17L, (1L << 16) - 1, 1L << 16, (1L << 16) + 31, size - 1}) {
    std::string text(size_t(size), 'a');
    text[size_t(at)] = char(0x80 + at % 0x80);
    Set(t, text);
    EXPECT_FALSE(t.IsAsciiOnly()) << at;
  }
}

// Taking a text hands its characters over without a copy: the taker ends
// with exactly what a copy would give, both texts stay sound, and the
// taker edits on normally, across chunk boundaries too.
TEST(Text, TakeTextHandsTheCharactersOver) {
  std::string big;
  while (big.size() < 100000) big += "ab\x82\xA0\x81\xFC\r";  // several chunks, placeholders
  SKXStyl runs[2] = {{0, Bold()}, {50000, {}}};
  runs[1].styl.font = 1;
  runs[1].styl.size = 24;
  const SKXUniChar side[2] = {{4, 0x1F600}, {99995, 0x20B9F}};
  CKXText src;
  src.SetText(big.data(), long(big.size()), runs, 2, nullptr, 0, nullptr, 0, side, 2);
  src.SetRuby(60000, 60002, reinterpret_cast<const unsigned char*>("ab"), 2);
  const short pict = InsertPicture(src, 70000);
  CKXText copy, taker;
  copy.SetText(&src);
  Set(taker, "old text");
  taker.TakeText(&src);

  EXPECT_EQ(Bytes(taker), Bytes(copy));
  EXPECT_EQ(Decos(taker).size(), Decos(copy).size());
  EXPECT_EQ(taker.GetRubysCount(), 1);
  // The picture is the taker's own: it outlives the source's emptying.
  short w = 0, h = 0, pictures = 0;
  for (const SKXDeco& d : Decos(taker))
    if (d.deco.pictID != 0) {
      ++pictures;
      EXPECT_NE(d.deco.pictID, pict);
      EXPECT_NE(CKXDecoArray::GetPicture(d.deco.pictID, w, h), nullptr);
    }
  EXPECT_EQ(pictures, 1);
  EXPECT_EQ(taker.GetStylCount(), copy.GetStylCount());
  EXPECT_EQ(Styls(taker)[1].offset, Styls(copy)[1].offset);
  ASSERT_EQ(taker.GetUniCharsCount(), 2);
  SKXUniChar got[2], want[2];
  taker.GetUniChars(got, 2);
  copy.GetUniChars(want, 2);
  EXPECT_EQ(got[1].offset, want[1].offset);
  EXPECT_EQ(got[1].value, 0x20B9Fu);
  EXPECT_EQ(taker.Check(), "");
  EXPECT_EQ(Bytes(src), "");  // the source is left empty and sound
  EXPECT_EQ(src.Check(), "");

  // Edits at and across chunk boundaries after the hand-over.
  for (long at : {0L, 16320L, 16321L, 50000L, long(big.size())}) {
    taker.InsertString(at, "xyz", 3, nullptr, nullptr, nullptr, 0);
    copy.InsertString(at, "xyz", 3, nullptr, nullptr, nullptr, 0);
  }
  taker.DeleteText(16000, 40000);
  copy.DeleteText(16000, 40000);
  EXPECT_EQ(Bytes(taker), Bytes(copy));
  EXPECT_EQ(taker.Check(), "");

  // Taking from itself changes nothing.
  taker.TakeText(&taker);
  EXPECT_EQ(Bytes(taker), Bytes(copy));
}

TEST(Text, InsertStringJoinsOrSplitsStyleRuns) {
  CKXText t;
  Set(t, "0123456789");
  t.InsertString(5, "abc", 3, nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(Bytes(t), "01234abc56789");
  EXPECT_EQ(t.GetStylCount(), 1);
  SStyl same = Styls(t)[0].styl;
  t.InsertString(2, "x", 1, &same, nullptr, nullptr, 0);
  EXPECT_EQ(t.GetStylCount(), 1);
  SStyl bold = Bold();
  t.InsertString(5, "BBB", 3, &bold, nullptr, nullptr, 0);
  auto s = Styls(t);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[1].offset, 5);
  EXPECT_EQ(s[2].offset, 8);
  EXPECT_GT(s[1].styl.height, 0);  // measured on the way in
}

TEST(Text, TypingNextToAPictureNeverCopiesIt) {
  CKXText t;
  Set(t, "ab");
  short id = InsertPicture(t, 1);
  ASSERT_NE(id, 0);
  EXPECT_EQ(t.GetDecoPictID(1), id);
  t.InsertString(2, "zz", 2, nullptr, nullptr, nullptr, 0);  // right after the picture
  t.InsertString(1, "y", 1, nullptr, nullptr, nullptr, 0);   // right before it
  EXPECT_EQ(Bytes(t), "ay\xCAzzb");
  int withPicture = 0;
  for (const SKXDeco& d : Decos(t)) withPicture += d.deco.pictID != 0;
  EXPECT_EQ(withPicture, 1);
  EXPECT_EQ(t.GetDecoPictID(2), id);
  EXPECT_EQ(t.GetDecoPictID(3), 0);
  EXPECT_EQ(t.GetDecoPictID(1), 0);
  // Deleting the picture byte gives the picture back to the table.
  t.DeleteString(2, 3);
  EXPECT_EQ(gKXPictManager->FindPictureIndex(id), 0);
}

TEST(Text, PastePlainKeepsTheLookButNotAReleasedPicture) {
  CKXText t, src;
  Set(t, "xabcx");
  t.SetStyl(1, 4, Bold());
  Set(src, "PQ");
  t.PasteText(1, 4, &src, CKXText::kWhatText);
  EXPECT_EQ(Bytes(t), "xPQx");
  SKXStyl s[4];
  ASSERT_EQ(t.GetSelStyls(1, 3, s, 4), 1);
  EXPECT_EQ(s[0].styl.face, 1);

  // The replaced text starts with a picture: the deletion releases it, and
  // the pasted bytes must not carry its ID.
  short id = InsertPicture(t, 1);
  t.PasteText(1, 3, &src, CKXText::kWhatText);
  EXPECT_EQ(Bytes(t), "xPQQx");
  EXPECT_EQ(gKXPictManager->FindPictureIndex(id), 0);
  for (const SKXDeco& d : Decos(t)) EXPECT_EQ(d.deco.pictID, 0);
}

TEST(Text, PasteModesAndCopies) {
  CKXText t, src, dest;
  Set(t, "hello world");
  Set(src, "XY");
  src.SetStyl(0, 2, Bold());
  t.PasteText(6, 11, &src, CKXText::kWhatAll);
  EXPECT_EQ(Bytes(t), "hello XY");
  EXPECT_EQ(t.GetStylCount(), 2);
  // Attributes only: the text stays, the styles come over the range.
  t.PasteText(0, 2, &src, CKXText::kWhatStyl);
  EXPECT_EQ(Bytes(t), "hello XY");
  EXPECT_EQ(Styls(t)[0].styl.face, 1);
  // Text with decorations but the styles of the place.
  t.PasteText(0, 0, &src, CKXText::kWhatText | CKXText::kWhatDeco);
  EXPECT_EQ(Bytes(t), "XYhello XY");

  t.CopyText(0, 0, &dest, CKXText::kWhatPara);
  EXPECT_EQ(dest.GetParaCount(), 1);
  t.CutText(2, 7, &dest);
  EXPECT_EQ(Bytes(dest), "hello");
  EXPECT_EQ(Bytes(t), "XY XY");
}

TEST(Text, PositionsFromOutsideAreClampedAndOrdered) {
  CKXText t;
  Set(t, "abcdef");
  t.DeleteString(100, 4);  // reversed and beyond the end
  EXPECT_EQ(Bytes(t), "abcd");
  t.InsertString(-7, "x", 1, nullptr, nullptr, nullptr, 0);
  t.InsertString(99, "y", 1, nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(Bytes(t), "xabcdy");
  t.SetStyl(-5, 1000, Bold());
  EXPECT_EQ(t.GetStylCount(), 1);
  char buf[8] = {};
  EXPECT_EQ(t.GetSelText(4, -3, buf, 8, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), 4);
  EXPECT_EQ(std::string(buf, 4), "xabc");
  EXPECT_EQ(t.GetChar(-1), 0);
  EXPECT_EQ(t.GetChar(6), 0);
  EXPECT_EQ(t.GetSelStylCount(50, -50), 1);
  t.SetPara(-10, 10, 8, SParaStyl{});
  EXPECT_EQ(t.GetParaCount(), 0);
}

TEST(Text, DeletingAReturnJoinsIntoTheFirstParagraphsStyle) {
  CKXText t;
  Set(t, "one\rtwo\rthree");
  t.SetParaJustify(0, 0, 1);
  t.SetParaJustify(4, 4, 2);
  auto p = Paras(t);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[1].offset, 4);
  EXPECT_EQ(p[2].offset, 8);
  t.DeleteString(3, 4);  // "onetwo\rthree"
  p = Paras(t);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].para.justify, 1);
  EXPECT_EQ(p[1].offset, 7);
  t.DeleteString(6, 7);  // joins the default paragraph into the centred one
  p = Paras(t);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].para.justify, 1);
  t.SetParaJustify(0, 100, 0);  // back to all default: no runs at all
  EXPECT_EQ(t.GetParaCount(), 0);
}

TEST(Text, ParagraphStylesCoverWholeParagraphs) {
  CKXText t;
  SParaStyl right{};
  right.justify = 2;
  t.SetPara(0, 0, right);  // empty text
  EXPECT_EQ(t.GetParaCount(), 1);
  Set(t, "aa\rbb\rcc\r");
  t.SetPara(4, 4, right);
  auto p = Paras(t);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[1].offset, 3);
  EXPECT_EQ(p[2].offset, 6);
  long from = 4, to = 4;
  t.AdjustParaSelect(from, to);
  EXPECT_EQ(from, 3);
  EXPECT_EQ(to, 6);

  // ReplacePara by justification.
  SParaStyl centre{};
  centre.justify = 1;
  EXPECT_FALSE(t.ReplacePara(0, 9, 8, centre, right));
  EXPECT_TRUE(t.ReplacePara(0, 9, 8, right, centre));
  p = Paras(t);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[1].para.justify, 1);

  // Tabs: insert by position, then delete.
  t.SetParaTabInsert(0, 0, 100, 1);
  t.SetParaTabInsert(0, 0, 50, 0);
  p = Paras(t);
  EXPECT_EQ(p[0].para.tabCount, 2);
  EXPECT_EQ(p[0].para.tabPos[0], 50);
  t.SetParaTabDelete(0, 0, 51);
  EXPECT_EQ(Paras(t)[0].para.tabCount, 1);

  // A run knocked off a paragraph start is put back on one.
  EXPECT_TRUE(t.CheckParaRanges(0, 0));
  SKXPara bad[2] = {{0, {}}, {4, right}};
  t.SetParas(bad, 2);
  EXPECT_TRUE(t.CheckParaRanges(0, 0));
  EXPECT_EQ(Paras(t)[1].offset, 3);
}

TEST(Text, CodedDecorationsToggleRunByRun) {
  CKXText t;
  Set(t, "abcdef");
  t.SetDecoUnderLine(0, 3, 1, 0);
  t.SetDecoUnderLine(0, 6, 1, 0);  // half underlined: the toggle is per run
  auto d = Decos(t);
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ((d[0].deco.lineBits >> 3) & 7, 0);
  EXPECT_EQ((d[1].deco.lineBits >> 3) & 7, 1);
  EXPECT_EQ(d[1].offset, 3);
  t.SetDecoUnderLine(0, 6, 2, 1);  // set: the same everywhere, one run
  d = Decos(t);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ((d[0].deco.lineBits >> 3) & 7, 2);
  // A picture ID over more than one 0xCA byte would be freed twice.
  t.SetDecoPictID(0, 3, 5);
  EXPECT_EQ(t.GetDecoPictID(0), 0);
}

TEST(Text, RubyMovesWithEdits) {
  CKXText t;
  Set(t, "kanji text");
  const unsigned char r[] = "kana";
  t.SetRuby(0, 5, r, 4);
  EXPECT_EQ(t.GetRubysCount(), 1);
  t.InsertString(0, "__", 2, nullptr, nullptr, nullptr, 0);
  SKXRuby got{};
  ASSERT_TRUE(t.GetRubyAtNumber(1, &got));
  EXPECT_EQ(got.pos, 2);
  t.DeleteString(0, 5);
  EXPECT_EQ(t.GetRubysCount(), 0);
}

// ---- memory -------------------------------------------------------------------------------

struct Snapshot {
  std::string bytes;
  std::vector<SKXStyl> styls;
  std::vector<SKXDeco> decos;
  std::vector<SKXPara> paras;
  long uni, rubys;
  bool operator==(const Snapshot& o) const {
    auto same = [](const auto& a, const auto& b) {
      return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(a[0])) == 0;
    };
    return bytes == o.bytes && same(styls, o.styls) && same(decos, o.decos) && same(paras, o.paras) &&
           uni == o.uni && rubys == o.rubys;
  }
};

Snapshot Take(const CKXText& t) {
  return {Bytes(t), Styls(t), Decos(t), Paras(t), t.GetUniCharsCount(), t.GetRubysCount()};
}

TEST(Text, EditsLeaveTheTextAsItWasWhenMemoryRunsOut) {
  std::string big(40000, 'a');
  for (size_t k = 100; k < big.size(); k += 97) big[k] = '\r';
  std::string insert(20000, 'b');
  SStyl bold = Bold();
  int failures = 0;
  for (int op = 0; op < 4; ++op) {
    std::optional<CKXText> t;
    Snapshot before{};
    failures += KxSweepAllocations(
        1, 39,
        [&] {
          t.emplace();
          Set(*t, big);
          t->SetStyl(10, 20, bold);
          t->SetParaJustify(200, 200, 2);
          const unsigned char r[] = "yomi";
          t->SetRuby(30, 33, r, 4);
          t->InsertUniChar(50, 0x1F600, nullptr, nullptr);
          before = Take(*t);
        },
        [&] {
          switch (op) {
            case 0: t->InsertString(16000, insert.data(), 20000, &bold, nullptr, nullptr, 0); break;
            case 1: t->InsertString(5, "xy", 2, &bold, nullptr, nullptr, 0); break;
            case 2: t->DeleteString(150, 16400); break;
            default: t->InsertUniChar(17, 0x2603, &bold, nullptr); break;
          }
        },
        [&](const KxSweepStep& step) {
          EXPECT_EQ(t->Check(), "") << "op " << op << " failing allocation " << step.nth;
          if (step.threw) {
            EXPECT_TRUE(Take(*t) == before) << "op " << op << " failing allocation " << step.nth;
            EXPECT_EQ(step.leaked, 0) << "op " << op << " failing allocation " << step.nth;
          }
        });
  }
  // The store's own test fails every allocation of its edits; here it is
  // enough that some edits ran out of memory.
  EXPECT_GT(failures, 0);
}

// ---- character access ------------------------------------------------------------------------

TEST(TextAccess, CharactersAndSteps) {
  CKXText t;
  Set(t, "a\x82\xA0" "b\rcd");
  EXPECT_EQ(t.GetChar(1), 0x82A0);
  EXPECT_EQ(t.GetChar(2), 0x82A0);
  EXPECT_EQ(t.GetCharByte(1), -1);
  EXPECT_EQ(t.GetCharByte(2), 1);
  EXPECT_EQ(t.GetPrevCharPos(3), 1);
  EXPECT_EQ(t.GetNextCharPos(1), 3);
  EXPECT_EQ(t.GetNextParaPos(0), 5);
  EXPECT_EQ(t.GetNextParaPos(5), 7);
  long pos = 2;
  EXPECT_EQ(t.AdjustOffset(pos, true), 1);
  EXPECT_EQ(pos, 3);
  long s, e;
  t.Get1ParaPos(6, s, e);
  EXPECT_EQ(s, 5);
  EXPECT_EQ(e, 7);
  t.Get1ParaPos(4, s, e);  // on the return itself
  EXPECT_EQ(s, 0);
  EXPECT_EQ(e, 5);
  EXPECT_EQ(t.CalcCharCount(0, 7), 6);

  Set(t, "hello, world");
  t.Get1WordPos(1, s, e);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(e, 5);
  t.Get1WordPos(5, s, e);
  EXPECT_EQ(s, 5);
  EXPECT_EQ(e, 6);
  t.Get1WordPos(50, s, e);
  EXPECT_EQ(s, 12);
  EXPECT_EQ(e, 12);
  EXPECT_TRUE(t.CheckSmartEdit(0, 5));
  EXPECT_FALSE(t.CheckSmartEdit(4, 7));

  EXPECT_EQ(t.GetKeyType(8), 3);
  EXPECT_EQ(t.GetKeyType(127), 4);
  EXPECT_EQ(t.GetKeyType(28), 1);
  EXPECT_EQ(t.GetKeyType(65), 2);
  EXPECT_EQ(t.GetKeyType(2), 0);
}

// A byte that leads a character in Japanese but stands in a Roman run is a
// character of its own: the Japanese text after it starts a new character.
TEST(TextAccess, CharactersEndAtAChangeOfScript) {
  CKXText t;
  Set(t, "ab\x9c" "hi\x82\xA0");
  SStyl roman{};
  roman.font = 20;
  roman.size = 12;
  t.SetStyl(0, 3, roman);
  EXPECT_EQ(t.GetCharByte(2), 0);
  EXPECT_EQ(t.GetCharByte(3), 0);  // not the trail of 0x9C
  EXPECT_EQ(t.GetPrevCharPos(4), 3);
  EXPECT_EQ(t.GetNextCharPos(2), 3);
  long pos = 3;
  EXPECT_EQ(t.AdjustOffset(pos, false), 0);
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(t.GetCharByte(5), -1);
  EXPECT_EQ(t.GetCharByte(6), 1);

  // Roman runs of lead-capable bytes, then a Japanese run whose first pair
  // is one character; with the runs in one script the old reading holds.
  Set(t, "\x9c\x9c\x9c\x82\xA0");
  t.SetStyl(0, 3, roman);
  EXPECT_EQ(t.GetCharByte(3), -1);
  EXPECT_EQ(t.GetCharByte(4), 1);
  EXPECT_EQ(t.GetChar(3), 0x82A0);
  Set(t, "\x9c\x9c\x9c\x82\xA0");
  EXPECT_EQ(t.GetCharByte(3), 1);  // 0x9C 0x82 is a character in Japanese
}

// The floor walks back run by run by index; a search for every run before
// gives the same answers, among long stretches of runs of one script (more
// than the runs looked back at) and runs of the other.
TEST(TextAccess, CharFloorAgreesWithRunByRunSearch) {
  std::mt19937 rng(11);
  SStyl roman{};
  roman.font = 20;
  roman.size = 12;
  SStyl japanese{};
  japanese.size = 14;
  for (int round = 0; round < 6; ++round) {
    CKXText t;
    std::string bytes;
    for (int k = 0; k < 600; ++k) bytes += char(rng() % 3 ? 0x9C : 'a');
    Set(t, bytes);
    for (long at = 0; at < 600;) {
      const long len = 1 + long(rng() % 5);
      t.SetStyl(at, std::min(at + len, 600L), rng() % (round + 2) ? japanese : roman);
      at += len;
    }
    auto reference = [&](long pos, short script) -> long {
      if (pos == 0 || !KxTextCharFirst(static_cast<unsigned char>(bytes[size_t(pos - 1)]), script)) return 0;
      long start = 0, end = 0;
      t.GetScriptRun(pos, start, end);
      for (int runs = 0; start > 0 && runs < 64; ++runs) {
        long before = 0;
        if (t.GetScriptRun(start - 1, before, end) != script) return start;
        start = before;
      }
      return 0;
    };
    for (long pos = 0; pos <= 600; ++pos)
      for (short script : {short(0), short(1)}) ASSERT_EQ(t.CharFloor(pos, script), reference(pos, script)) << pos;
  }
}

TEST(TextAccess, WordCounts) {
  CKXText t;
  long singles, doubles, paras, pictures, words;
  Set(t, "it's 1,000 cats.");
  t.CalcWordCount(0, 16, singles, doubles, paras, pictures, words);
  EXPECT_EQ(words, 3);
  EXPECT_EQ(singles, 16);
  EXPECT_EQ(paras, 1);
  Set(t, "a\rb\r");
  t.CalcWordCount(0, 4, singles, doubles, paras, pictures, words);
  EXPECT_EQ(paras, 2);
  EXPECT_EQ(words, 2);
  Set(t, "");
  t.CalcWordCount(0, 0, singles, doubles, paras, pictures, words);
  EXPECT_EQ(paras, 1);
  Set(t, "x \x82\xA0\x82\xA2 12:30 y");
  InsertPicture(t, 1);
  t.CalcWordCount(0, t.GetLength(), singles, doubles, paras, pictures, words);
  EXPECT_EQ(pictures, 1);
  EXPECT_EQ(doubles, 2);
  EXPECT_EQ(singles, 10);
  EXPECT_EQ(words, 3);
  // A letter outside the script stands as 0xA0 with its side entry, and
  // counts as a letter.
  Set(t, "caf");
  t.InsertUniChar(3, 0x00E90000, nullptr, nullptr);
  EXPECT_EQ(Bytes(t), "caf\xA0");
  EXPECT_EQ(t.GetUniChar(3), 0x00E90000u);
  t.CalcWordCount(0, 4, singles, doubles, paras, pictures, words);
  EXPECT_EQ(words, 1);
  EXPECT_EQ(singles, 4);
}

// A character that shares its Shift_JIS code with another (the JIS wave
// dash) stands as that code with its side entry: counted, found and kept
// through edits as the code, given back as itself.
TEST(TextAccess, SharedCodeKeepsItsSideEntry) {
  CKXText t;
  Set(t, "ab");
  t.InsertUniChar(1, 0x301C0000, nullptr, nullptr);
  EXPECT_EQ(Bytes(t), "a\x81\x60" "b");
  EXPECT_EQ(t.GetUniChar(1), 0x301C0000u);
  t.InsertString(0, "\x82\xA0", 2, nullptr, nullptr, nullptr, 0);
  t.AdjustUniChars(0, 0);
  EXPECT_EQ(t.GetUniChar(3), 0x301C0000u);
  EXPECT_EQ(t.CalcCharCount(0, t.GetLength()), 4);
  // An entry on another character's code goes.
  const SKXUniChar wrong{0, 0x301C0000};
  t.InsertString(0, "\x81\x61", 2, nullptr, nullptr, &wrong, 1);
  t.AdjustUniChars(0, 0);
  EXPECT_EQ(t.GetUniCharsCount(), 1);
  EXPECT_EQ(t.GetUniChar(5), 0x301C0000u);
}

TEST(TextAccess, BufferedReaderCrossesItsBuffer) {
  CKXText t;
  std::string s(2047, 'a');
  s += "\x88\x9F";  // a double-byte character across the 2048-byte buffer end
  s += std::string(3000, 'b');
  Set(t, s);
  CKXBufferd r(&t);
  EXPECT_EQ(r.GetChar(0), 'a');
  EXPECT_EQ(r.GetChar(2047), 0x889F);
  EXPECT_EQ(r.GetChar(2049), 'b');
  EXPECT_EQ(r.GetChar(static_cast<long>(s.size())), 0);
  EXPECT_EQ(t.CalcCharCount(0, t.GetLength()), static_cast<long>(s.size()) - 1);
}

}  // namespace

namespace {

// Find goes through the store with the text's own style runs: the script of
// each run decides where characters start.
TEST(Text, FindUsesTheScriptOfEachStyleRun) {
  CKXText t;
  const std::string jp = "\x82\xa0";  // one Japanese character, or two Roman bytes
  Set(t, jp + jp);
  long found = -1;
  EXPECT_EQ(t.FindText(0, "\xa0", 1, found, 0, 1), 0);  // a trail byte is no character

  SStyl roman{};
  roman.font = 20;  // a Roman font: the second pair is two characters
  roman.size = 12;
  t.SetStyl(2, 4, roman);
  EXPECT_EQ(t.FindText(0, "\xa0", 1, found, 0, 1), 1);
  EXPECT_EQ(found, 3);
  // Backward from the end: the Roman pair is not the Japanese character.
  EXPECT_EQ(t.FindText(4, "\x82\xa0", 2, found, 1, 1), 2);
  EXPECT_EQ(found, 0);
}

TEST(Text, CheckFindAndReplaceOrderTheirRangeAndIgnoreEmptyOnes) {
  CKXText t;
  Set(t, "xxaabyy");
  EXPECT_EQ(t.CheckFind(5, 2, "aab", 3, 0, 1), 3);
  EXPECT_EQ(t.CheckFind(2, 5, "AAB", 3, 2, 1), 3);
  EXPECT_EQ(t.CheckFind(3, 3, "a", 1, 0, 1), 0);

  char** out = KxMemHAlloc(1, true);
  long n = t.CheckReplaceRE(5, 2, "(a+)b", 5, 16, "[\\1]&", 5, out, 1);
  EXPECT_EQ(std::string(*out, static_cast<size_t>(n)), "[aa]aab");
  EXPECT_EQ(t.CheckReplaceRE(2, 5, "(a+)b", 5, 16, "x", 1, out, 1), 0);
  EXPECT_EQ(t.CheckReplaceRE(2, 2, "(a+)b", 5, 16, "[\\1]", 4, out, 1), 0);
  KxMemHFree(out);
}

}  // namespace
