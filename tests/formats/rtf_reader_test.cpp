#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "formats/rtf_reader.h"

namespace {

struct Token {
  int cls, major, minor, param;
  std::string text;
};

// Reads a whole input token by token, without routing.
std::vector<Token> Tokens(const std::string& rtf, int* error = nullptr) {
  CRTFBufferReader r(rtf.data(), rtf.size());
  r.RTFInit();
  std::vector<Token> out;
  while (r.RTFGetToken() != rtfEOF)
    out.push_back({r.RTFClass(), r.RTFMajor(), r.RTFMinor(), r.RTFParam(), std::string(r.RTFText(), r.RTFTextLen())});
  if (error) *error = r.RTFError();
  return out;
}

// Records which hook each routed token reached.
class HookReader : public CRTFBufferReader {
 public:
  using CRTFBufferReader::CRTFBufferReader;
  std::string log;
  int panics = 0;
  void RTFPanic(const char*, int, const char*) override { ++panics; }
  void UnknownClass() override { log += "?"; }
  void TextClass() override { log += static_cast<char>(rtfMajor); }
  void GroupClass() override { log += rtfMajor == rtfBeginGroup ? "{" : "}"; }
  void SpecialChar() override { log += "<" + std::string(RTFGetSymbol(rtfMajor, rtfMinor)) + ">"; }
  void CharAttr() override { log += "<c" + std::to_string(rtfMinor) + ">"; }
  void SelectLanguage() override { log += "<lang>"; }
  void PictAttr() override { log += "<pict" + std::to_string(rtfMinor) + ">"; }
  void UnicodeAttr() override { log += "<u" + std::to_string(rtfParam) + ">"; }
  void Destination() override { log += "<dest" + std::to_string(rtfMinor) + ">"; }
};

std::string Route(const std::string& rtf, int* result = nullptr) {
  HookReader r(rtf.data(), rtf.size());
  r.RTFInit();
  int res = r.RTFRead();
  if (result) *result = res;
  return r.log;
}

// Tokens as text: a character as itself, a known word as "\\word" and its
// parameter (the word looked up from its class numbers), an unknown one as
// "?" and its text; tokens separated by "|".
std::string Render(const std::vector<Token>& tokens) {
  std::string out;
  for (const Token& t : tokens) {
    if (!out.empty()) out += '|';
    if (t.cls == rtfText) {
      out += static_cast<char>(t.major);
    } else if (t.cls == rtfGroup) {
      out += t.major == rtfBeginGroup ? "{" : "}";
    } else if (t.cls == rtfControl) {
      const char* word = CRTFReader::RTFGetSymbol(t.major, t.minor);
      out += "\\" + std::string(word ? word : "<none>");
      if (t.param != rtfNoParam) out += std::to_string(t.param);
    } else {
      out += "?" + t.text + (t.param != rtfNoParam ? "=" + std::to_string(t.param) : "");
    }
  }
  return out;
}

TEST(RtfTokens, WordsParametersEscapesAndSymbols) {
  // The space after "\par" is consumed; "x" after "\par1" is pushed back.
  const std::string words = "\\b0\\b\\li-360\\par\\pard\\par x\\par1x";
  EXPECT_EQ(Render(Tokens(words)), "\\b0|\\b|\\li-360|\\par|\\pard|\\par|x|\\par1|x");
  auto t = Tokens(words);
  EXPECT_EQ(t[0].text + t[2].text + t[5].text + t[7].text, "\\b0\\li-360\\par\\par1");
  // Hex escapes either case, escaped specials, "\~", "\*", an unknown word,
  // and a raw tab, which is "\tab".
  t = Tokens("\\'8a\\'8A\\{\\}\\\\\\:\\~\\*\\foo \tz");
  EXPECT_EQ(Render(t), "\x8a|\x8a|{|}|\\|:|\\~|\\*|?\\foo|\\tab|z");
  EXPECT_EQ(t[0].text, "\\'8a");
  // A bad hex digit is left for the next token: it cannot swallow a brace.
  int error = 0;
  EXPECT_EQ(Render(Tokens("{\\'4}x", &error)), "{|?\\'4|}|x");
  EXPECT_EQ(error, rtfErrNone);
}

TEST(RtfTokens, LineEnds) {
  // Raw line ends and NUL bytes never reach the hooks; a backslash before a
  // line end is a paragraph mark; escaped line ends are content.
  EXPECT_EQ(Route("a\r\nb\nc\rd"), "abcd");
  EXPECT_EQ(Route(std::string("a\0b", 3)), "ab");
  EXPECT_EQ(Route("a\\\nb\\\r\nc"), "a<par>b<par>c");
  EXPECT_EQ(Route("a\\'0d\\'0a"), "a\r\n");
}

TEST(RtfTokens, PushBack) {
  HookReader r("\\b1 x", 5);
  r.RTFInit();
  EXPECT_EQ(r.RTFPeekToken(), rtfControl);
  EXPECT_EQ(r.RTFGetToken(), rtfControl);
  EXPECT_EQ(r.RTFParam(), 1);
  EXPECT_EQ(r.RTFGetToken(), rtfText);
  r.RTFUngetToken();
  r.RTFUngetToken();   // a second push-back is reported, never lost silently
  EXPECT_EQ(r.panics, 1);
  EXPECT_EQ(r.RTFGetToken(), rtfText);
  EXPECT_EQ(r.RTFGetToken(), rtfEOF);
}

TEST(RtfTokens, LongWordsAndParametersAreBounded) {
  std::string word(5000, 'q');
  auto t = Tokens("\\" + word + "7 x");
  EXPECT_EQ(Render(t), "?\\" + std::string(rtfBufSiz - 2, 'q') + "=7|x");
  // A word exactly filling the buffer still loses its delimiter (the "}"
  // pushed back is unbalanced).
  EXPECT_EQ(Render(Tokens("\\" + std::string(rtfBufSiz - 2, 'q') + "}")), "?\\" + std::string(rtfBufSiz - 2, 'q'));
  t = Tokens("\\li99999999999999999999 \\li-99999999999999999999 \\li2147483647 \\li-2147483648 ");
  EXPECT_EQ(Render(t), "\\li2147483647|\\li-2147483648|\\li2147483647|\\li-2147483648");
}

TEST(RtfTokens, BinarySkipsRawBytes) {
  // The four bytes after "\bin4 " are data, braces included.
  int result = 0;
  EXPECT_EQ(Route("{\\b\\bin4 }}{\\x}", &result), "{<c1><pict21>x}");
  EXPECT_EQ(result, rtfEOF);
  // Without a space the pushed-back byte is the first data byte.
  EXPECT_EQ(Route("{\\bin2}}y}", &result), "{<pict21>y}");
  EXPECT_EQ(result, rtfEOF);
  // A count beyond the data ends the read at the end of the data.
  EXPECT_EQ(Route("{\\bin2000000000 abc", &result), "{<pict21>");
  EXPECT_EQ(result, rtfReadError);
  // Inside a picture group, skipped whole.
  EXPECT_EQ(Route("{{\\pict\\bin3 {{{}z}", &result), "{{}z}");
  EXPECT_EQ(result, rtfEOF);
}

TEST(RtfTokens, TruncatedInputEndsWithAnErrorAndStrayBracesArePassedOver) {
  struct Case {
    const char* rtf;
    int error;
  } cases[] = {
      {"{\\rtf1 a}", rtfErrNone},
      {"{\\rtf1 a}}b", rtfErrNone},
      {"}", rtfErrNone},
      {"{\\rtf1 {a}", rtfErrEndInGroup},
      {"{\\fonttbl{\\f0 Times;", rtfErrEndInGroup},
      {"{\\colortbl;\\red1", rtfErrEndInGroup},
      {"{\\stylesheet{\\s1 x", rtfErrEndInGroup},
      {"{\\info{\\title x", rtfErrEndInGroup},
      {"ab\\", rtfErrEndInEscape},
      {"ab\\'4", rtfErrEndInEscape},
  };
  for (const Case& c : cases) {
    CRTFBufferReader r(c.rtf, std::strlen(c.rtf));
    r.RTFInit();
    EXPECT_EQ(r.RTFRead(), c.error == rtfErrNone ? rtfEOF : rtfReadError) << c.rtf;
    EXPECT_EQ(r.RTFError(), c.error) << c.rtf;
    EXPECT_EQ(r.RTFGetToken(), rtfEOF) << c.rtf;   // and stays at the end
  }
  // The text after a stray "}" is still read.
  class Texts : public CRTFBufferReader {
   public:
    using CRTFBufferReader::CRTFBufferReader;
    std::string text;
    void TextClass() override { text += static_cast<char>(rtfMajor); }
  };
  const char stray[] = "{\\rtf1 a}}b}c";
  Texts t(stray, sizeof stray - 1);
  t.RTFInit();
  EXPECT_EQ(t.RTFRead(), rtfEOF);
  EXPECT_EQ(t.text, "abc");
  EXPECT_EQ(t.RTFStrayCloses(), 2);
}

// A source that goes on after its end must not keep the reader going.
class OddSource : public CRTFReader {
 public:
  int calls = 0;
  int RTFGetChar() override {
    ++calls;
    return calls == 1 ? 'a' : calls == 2 ? -7 : 'b';
  }
};

TEST(RtfTokens, CharacterSourceEndsOnce) {
  OddSource r;
  r.RTFInit();
  EXPECT_EQ(r.RTFRead(), rtfEOF);
  EXPECT_EQ(r.RTFGetToken(), rtfEOF);
  EXPECT_EQ(r.calls, 2);
}

TEST(RtfRouting, HooksAndSkippedGroups) {
  EXPECT_EQ(Route("{\\rtf1\\ansi\\deff0 \\b\\lang1041 x\\u12354?\\foo}"), "{<c1><lang>x<u12354>??}");
  // Information, pictures and objects are skipped; their "}" is routed.
  EXPECT_EQ(Route("{{\\info{\\title T}}{\\pict 0a1b}{\\object{\\objdata 00}}a}"), "{{}{}{}a}");
  EXPECT_EQ(Route("{\\*\\generator X;}{\\*\\fldinst Y}"), "{<*>?X;}{<*><dest66>Y}");
}

TEST(RtfTables, FontTable) {
  const std::string rtf =
      "{\\rtf1{\\fonttbl{\\f0\\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Times;}"
      "{\\f1\\fnil\\fcharset128\\cpg932\\fttruetype1 \\'82\\'6c\\'82\\'72;}}"
      "{\\fonttbl\\f2\\fswiss Helvetica;\\f3\\fmodern Courier;}x}";
  HookReader r(rtf.data(), rtf.size());
  r.RTFInit();
  EXPECT_EQ(r.RTFRead(), rtfEOF);
  EXPECT_EQ(r.log, "{{}{}x}");
  RTFFont* f = r.RTFGetFont(0);
  ASSERT_NE(f, nullptr);
  EXPECT_STREQ(f->rtfFName, "Times");
  EXPECT_EQ(f->rtfFFamily, 1);
  EXPECT_EQ(f->rtfFPitch, 2);
  f = r.RTFGetFont(1);
  ASSERT_NE(f, nullptr);
  EXPECT_STREQ(f->rtfFName, "\x82l\x82r");
  EXPECT_EQ(f->rtfFCharSet, 128);
  EXPECT_EQ(f->rtfFCodePage, 932);
  EXPECT_EQ(f->rtfFType, 1);
  ASSERT_NE(r.RTFGetFont(2), nullptr);
  EXPECT_STREQ(r.RTFGetFont(2)->rtfFName, "Helvetica");
  EXPECT_EQ(r.RTFGetFont(2)->rtfFFamily, 2);
  EXPECT_STREQ(r.RTFGetFont(3)->rtfFName, "Courier");
  EXPECT_EQ(r.RTFGetFont(-1), r.RTFGetFont(3));   // newest first
  EXPECT_EQ(r.RTFGetFont(4), nullptr);
  EXPECT_EQ(r.panics, 0);

  // A name longer than the buffer is cut; an entry missing ";" still ends at
  // its "}" without eating the table's.
  const std::string longName = "{\\fonttbl{\\f5 " + std::string(3000, 'n') + ";}{\\f6 Broken}}z";
  HookReader l(longName.data(), longName.size());
  l.RTFInit();
  EXPECT_EQ(l.RTFRead(), rtfEOF);
  EXPECT_EQ(std::strlen(l.RTFGetFont(5)->rtfFName), static_cast<size_t>(rtfBufSiz - 1));
  EXPECT_STREQ(l.RTFGetFont(6)->rtfFName, "Broken");
  EXPECT_EQ(l.log, "{}z");
}

TEST(RtfTables, ColorTable) {
  const std::string rtf = "{\\colortbl;\\red255\\green0\\blue0;\\ctint10\\blue9;\\green7}a";
  HookReader r(rtf.data(), rtf.size());
  r.RTFInit();
  EXPECT_EQ(r.RTFRead(), rtfEOF);
  EXPECT_EQ(r.log, "{}a");
  RTFColor* c = r.RTFGetColor(0);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->rtfCRed, -1);
  EXPECT_EQ(c->rtfCBlue, -1);
  c = r.RTFGetColor(1);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->rtfCRed, 255);
  EXPECT_EQ(c->rtfCGreen, 0);
  // An unknown word inside an entry does not start a new one.
  EXPECT_EQ(r.RTFGetColor(2)->rtfCBlue, 9);
  EXPECT_EQ(r.RTFGetColor(3)->rtfCGreen, 7);   // last entry without ";"
  EXPECT_EQ(r.RTFGetColor(4), nullptr);
}

TEST(RtfTables, StyleSheet) {
  const std::string rtf =
      "{\\stylesheet{\\ql\\f0\\fs20 Normal;}{\\s1\\sbasedon0\\snext2\\b\\fs28{\\*\\x y}Heading 1;}"
      "{\\*\\cs10\\additive Default Font;}{\\ds3 Section;}{\\i Nameless;}}";
  HookReader r(rtf.data(), rtf.size());
  r.RTFInit();
  EXPECT_EQ(r.RTFRead(), rtfEOF);
  EXPECT_EQ(r.panics, 1);   // "Nameless" has no number
  std::vector<RTFStyle*> styles;
  for (RTFStyle* s = r.RTFStyleList(); s; s = s->rtfNextStyle) styles.insert(styles.begin(), s);
  ASSERT_EQ(styles.size(), 5u);
  EXPECT_STREQ(styles[0]->rtfSName, "Normal");
  EXPECT_EQ(styles[0]->rtfSNum, 0);
  EXPECT_EQ(styles[0]->rtfSNextPar, 0);
  EXPECT_EQ(styles[0]->rtfSBasedOn, rtfNoStyleNum);
  RTFStyle* h = styles[1];
  EXPECT_STREQ(h->rtfSName, "Heading 1");
  EXPECT_EQ(h->rtfSType, rtfParStyle);
  EXPECT_EQ(h->rtfSNum, 1);
  EXPECT_EQ(h->rtfSBasedOn, 0);
  EXPECT_EQ(h->rtfSNextPar, 2);
  ASSERT_NE(h->rtfSSEList, nullptr);
  EXPECT_STREQ(h->rtfSSEList->rtfSEText, "\\b");
  ASSERT_NE(h->rtfSSEList->rtfNextSE, nullptr);
  EXPECT_EQ(h->rtfSSEList->rtfNextSE->rtfSEParam, 28);
  EXPECT_EQ(h->rtfSSEList->rtfNextSE->rtfNextSE, nullptr);
  EXPECT_EQ(styles[2]->rtfSType, rtfCharStyle);
  EXPECT_EQ(styles[2]->rtfSNum, 10);
  EXPECT_EQ(styles[2]->rtfSAdditive, 1);
  EXPECT_EQ(styles[2]->rtfSSEList, nullptr);
  EXPECT_EQ(styles[3]->rtfSType, rtfSectStyle);
  EXPECT_EQ(styles[4]->rtfSNum, 0);
}

// An allocator that fails with an exception on the n-th request: whatever
// was built before must still be freed (ASan's leak check sees to that).
class FailingReader : public CRTFBufferReader {
 public:
  FailingReader(const std::string& s, int failAt) : CRTFBufferReader(s.data(), s.size()), failAt_(failAt) {}
  char* RTFAlloc(int size) override {
    if (++count_ == failAt_) throw std::bad_alloc();
    return CRTFBufferReader::RTFAlloc(size);
  }

 private:
  int failAt_;
  int count_ = 0;
};

TEST(RtfTables, AllocationFailureLeavesNothingBehind) {
  const std::string rtf =
      "{\\fonttbl{\\f0 A;}{\\f1 B;}}{\\colortbl;\\red1;}{\\stylesheet{\\s1\\b\\i Heading;}{\\s2 X;}}";
  bool completed = false;
  for (int n = 1; !completed && n < 100; ++n) {
    FailingReader r(rtf, n);
    r.RTFInit();
    try {
      r.RTFRead();
      completed = true;
    } catch (const std::bad_alloc&) {
    }
  }
  EXPECT_TRUE(completed);
}

TEST(RtfKeywords, EveryWordFindsItsFirstEntry) {
  int count = 0;
  while (rtfKey[count].rtfKStr) ++count;
  EXPECT_EQ(count, rtfKeyCount);
  // Only "caps" repeats (class 12 wins).
  for (int i = 0; i < rtfKeyCount; ++i) {
    std::string word = rtfKey[i].rtfKStr;
    int first = 0;
    while (word != rtfKey[first].rtfKStr) ++first;
    auto t = Tokens(word.size() == 1 && !std::isalpha(static_cast<unsigned char>(word[0])) ? "\\" + word
                                                                                            : "\\" + word + " ");
    ASSERT_EQ(t.size(), 1u) << word;
    EXPECT_EQ(t[0].major, rtfKey[first].rtfKMajor) << word;
    EXPECT_EQ(t[0].minor, rtfKey[first].rtfKMinor) << word;
  }
  auto caps = Tokens("\\caps");
  EXPECT_EQ(caps[0].major, rtfCharAttr);
  EXPECT_EQ(caps[0].minor, 2);
  // Symbol look-ups past the end of a class or of the classes find nothing.
  EXPECT_STREQ(CRTFReader::RTFGetSymbol(rtfObjAttr, 48), "objtime");
  EXPECT_STREQ(CRTFReader::RTFGetSymbol(rtfVersion, -1), "rtf");  // minor -1 has a word too
  EXPECT_STREQ(CRTFReader::RTFGetSymbol(rtfDefFont, -1), "deff");
  EXPECT_EQ(CRTFReader::RTFGetSymbol(rtfDestination, 48), nullptr);
  EXPECT_EQ(CRTFReader::RTFGetSymbol(rtfParAttr, 84), nullptr);
  EXPECT_EQ(CRTFReader::RTFGetSymbol(29, 0), nullptr);
  char buf[12];
  EXPECT_STREQ(strcpy_num(buf, INT_MIN), "-2147483648");
}

// Files written by a word processor, with fonts, colours, a style sheet and
// Japanese text.
class CountingReader : public HookReader {
 public:
  using HookReader::HookReader;
  int unicode = 0, unknown = 0;
  void UnicodeAttr() override { ++unicode; }
  void UnknownClass() override { ++unknown; }
};

std::string Fixture(const char* name) {
  std::ifstream in(KxSourceDir() + "/tests/data/formats/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(RtfFiles, StyledDocument) {
  std::string rtf = Fixture("rtf-styled.rtf");
  ASSERT_FALSE(rtf.empty());
  CountingReader r(rtf.data(), rtf.size());
  r.RTFInit();
  EXPECT_EQ(r.RTFRead(), rtfEOF);
  EXPECT_STREQ(r.RTFGetFont(7)->rtfFName, "Courier New");
  EXPECT_EQ(r.RTFGetFont(7)->rtfFFamily, 3);
  EXPECT_EQ(r.RTFGetFont(7)->rtfFPitch, 1);
  EXPECT_STREQ(r.RTFGetFont(9)->rtfFName, "IPAexGothic");
  RTFColor* c = r.RTFGetColor(17);   // the heading's #1f3864
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->rtfCRed, 31);
  EXPECT_EQ(c->rtfCGreen, 56);
  EXPECT_EQ(c->rtfCBlue, 100);
  EXPECT_EQ(r.RTFGetColor(-1)->rtfCNum, 22);
  int styles = 0;
  bool heading = false, emphasis = false;
  for (RTFStyle* s = r.RTFStyleList(); s; s = s->rtfNextStyle) {
    ++styles;
    if (std::strcmp(s->rtfSName, "Heading 1") == 0) heading = s->rtfSNum == 1 && s->rtfSNextPar == 18;
    if (std::strcmp(s->rtfSName, "Emphasis") == 0) emphasis = s->rtfSType == rtfCharStyle && s->rtfSNum == 15;
  }
  EXPECT_EQ(styles, 11);
  EXPECT_TRUE(heading);
  EXPECT_TRUE(emphasis);
  EXPECT_GT(r.unicode, 80);   // the Japanese text arrives as "\u" words
  // The escaped braces and backslash reach the text hook; nothing else does.
  EXPECT_NE(r.log.find("braces { } and a backslash \\ must survive"), std::string::npos);
  EXPECT_EQ(r.panics, 0);
}

TEST(RtfFiles, PictureDataStaysOutOfTheText) {
  std::string rtf = Fixture("rtf-table-picture.rtf");
  CountingReader p(rtf.data(), rtf.size());
  p.RTFInit();
  EXPECT_EQ(p.RTFRead(), rtfEOF);
  EXPECT_EQ(p.RTFGetColor(17)->rtfCBlue, 153);   // the note's #336699
  // The picture's hex data is skipped, so no digits leak into the text.
  EXPECT_EQ(p.log.find("89504e47"), std::string::npos);
  EXPECT_NE(p.log.find("two"), std::string::npos);
}

}  // namespace
