#include "platform/textconv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/script.h"

TEST(TextConv, FromTextStopsAndReports) {
  TextToUnicodeInfo info = nullptr;
  ASSERT_EQ(CreateTextToUnicodeInfo(kKxEncodingMacJapanese, &info), noErr);
  const char bytes[] = "a\x82\xA0\x82\x40z";  // a, あ, an unassigned code, z
  char16_t out[16];
  long read = -1, made = -1;
  const long in[] = {0, 2, 3, 5};
  long mapped[4] = {};
  KxConvOffsets offsets{4, in, mapped, 0};
  EXPECT_EQ(ConvertFromTextToUnicode(info, 6, bytes, &offsets, sizeof out, &read, &made, out), kKxConvUnmappableErr);
  EXPECT_EQ(read, 3);
  EXPECT_EQ(made, 4);
  EXPECT_EQ(offsets.mapped, 2);  // 0 and 2 (inside あ); 3 was not reached
  EXPECT_EQ(mapped[1], 2);
  // A lead byte at the end is incomplete; a full output stops before the character.
  EXPECT_EQ(ConvertFromTextToUnicode(info, 2, "a\x82", nullptr, sizeof out, &read, &made, out), kKxConvIncompleteErr);
  EXPECT_EQ(read, 1);
  EXPECT_EQ(ConvertFromTextToUnicode(info, 3, "abc", nullptr, 4, &read, &made, out), kKxConvOutputFullErr);
  EXPECT_EQ(read, 2);
  EXPECT_EQ(DisposeTextToUnicodeInfo(&info), noErr);
  EXPECT_EQ(info, nullptr);
  EXPECT_EQ(CreateTextToUnicodeInfo(kKxEncodingUnicodeDefault, &info), kKxConvNoPathErr);
}

TEST(TextConv, ToTextIsStrict) {
  UnicodeToTextInfo info = nullptr;
  ASSERT_EQ(CreateUnicodeToTextInfo(kKxEncodingMacJapanese, &info), noErr);
  unsigned char out[16];
  long read = 0, made = 0;
  const char16_t ok[] = u"\u3042\U0001F100";  // the Mac-only "0." beyond the BMP
  EXPECT_EQ(ConvertFromUnicodeToText(info, 6, ok, nullptr, sizeof out, &read, &made, out), noErr);
  EXPECT_EQ(made, 4);
  EXPECT_EQ(out[2], 0x85);
  // JIS-Roman's yen sign has no code of its own; a lone surrogate has none.
  EXPECT_EQ(ConvertFromUnicodeToText(info, 2, u"\u00A5", nullptr, sizeof out, &read, &made, out), kKxConvUnmappableErr);
  EXPECT_EQ(ConvertFromUnicodeToText(info, 4, u"a\xDC00", nullptr, sizeof out, &read, &made, out), kKxConvUnmappableErr);
  EXPECT_EQ(read, 2);
  EXPECT_EQ(ConvertFromUnicodeToText(info, 4, u"a\xD800", nullptr, sizeof out, &read, &made, out), kKxConvIncompleteErr);
  DisposeUnicodeToTextInfo(&info);
}

TEST(TextConv, NormalizeNFC) {
  std::vector<char16_t> out;
  std::vector<std::int32_t> map;
  const std::u16string plain = u"abc\u3042\u6F22";
  EXPECT_FALSE(KxNormalizeNFC(plain.data(), long(plain.size()), out, &map));
  const std::u16string s = u"xe\u0301\u1100\u1161\u11A8a\u0323\u0302";
  ASSERT_TRUE(KxNormalizeNFC(s.data(), long(s.size()), out, &map));
  EXPECT_EQ(std::u16string(out.begin(), out.end()), u"x\u00E9\uAC01\u1EAD");
  const std::vector<std::int32_t> want = {0, 1, 1, 2, 2, 2, 3, 3, 3, 4};
  EXPECT_EQ(map, want);
  // Characters NFC replaces on their own stay, before and after marks:
  // compatibility ideographs (one beyond the BMP), the Angstrom sign, a
  // Devanagari nukta letter and the Greek question mark.
  for (const std::u16string kept : {u"\uF91D", u"\U0002F800", u"\u212B", u"\u0958", u"\u037E"}) {
    EXPECT_FALSE(KxNormalizeNFC(kept.data(), long(kept.size()), out, &map)) << int(kept[0]);
  }
  const std::u16string mixed = u"\uF91De\u0301\u212B\u0327\u0301";
  ASSERT_TRUE(KxNormalizeNFC(mixed.data(), long(mixed.size()), out, &map));
  EXPECT_EQ(std::u16string(out.begin(), out.end()), u"\uF91D\u00E9\u212B\u0327\u0301");
}

TEST(TextConv, OtherEncodingsReadAsRoman) {
  TextToUnicodeInfo info = nullptr;
  ASSERT_EQ(CreateTextToUnicodeInfo(kKxEncodingMacSymbol, &info), noErr);
  char16_t out[2];
  long read = 0, made = 0;
  EXPECT_EQ(ConvertFromTextToUnicode(info, 1, "\x8E", nullptr, sizeof out, &read, &made, out), noErr);
  EXPECT_EQ(out[0], u'\u00E9');
  DisposeTextToUnicodeInfo(&info);
  EXPECT_EQ(KxJISX0212ToUnicode(0xB0, 0xA1), u'\u4E02');
  EXPECT_EQ(KxJISX0212ToUnicode(0xA1, 0xA1), 0);
  EXPECT_EQ(KxJISX0212ToUnicode(0x20, 0xA1), 0);
}

// Both names of the JIS X 0208 symbols that cp932 names otherwise write as
// one code; the code reads back as cp932's name, so bytes go out and back
// unchanged. JIS-Roman's yen sign and overline have no such code.
TEST(TextConv, OtherFormsShareTheCode) {
  struct Pair {
    char16_t jis, cp932;
    std::uint16_t code;
  };
  const Pair pairs[] = {
      {u'\u301C', u'\uFF5E', 0x8160}, {u'\u2016', u'\u2225', 0x8161}, {u'\u2212', u'\uFF0D', 0x817C},
      {u'\u2014', u'\u2015', 0x815C}, {u'\u00A2', u'\uFFE0', 0x8191}, {u'\u00A3', u'\uFFE1', 0x8192},
      {u'\u00AC', u'\uFFE2', 0x81CA},
  };
  UnicodeToTextInfo to = nullptr;
  TextToUnicodeInfo from = nullptr;
  ASSERT_EQ(CreateUnicodeToTextInfo(kKxEncodingMacJapanese, &to), noErr);
  ASSERT_EQ(CreateTextToUnicodeInfo(kKxEncodingMacJapanese, &from), noErr);
  for (const Pair& p : pairs) {
    SCOPED_TRACE(testing::Message() << std::hex << unsigned(p.jis));
    const unsigned char want[] = {std::uint8_t(p.code >> 8), std::uint8_t(p.code)};
    for (char16_t u : {p.jis, p.cp932}) {
      const char16_t text[] = {u'a', u, u'b'};
      unsigned char out[8] = {};
      long read = 0, made = 0;
      EXPECT_EQ(ConvertFromUnicodeToText(to, 6, text, nullptr, sizeof out, &read, &made, out), noErr);
      ASSERT_EQ(made, 4);
      EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 4), "a" + std::string(want, want + 2) + "b");
    }
    char16_t back[2] = {};
    long read = 0, made = 0;
    EXPECT_EQ(ConvertFromTextToUnicode(from, 2, want, nullptr, sizeof back, &read, &made, back), noErr);
    EXPECT_EQ(back[0], p.cp932);
    EXPECT_TRUE(KxScriptIsOtherForm(p.jis, kScriptJapanese));
    EXPECT_FALSE(KxScriptIsOtherForm(p.cp932, kScriptJapanese));
  }
  for (char16_t u : {u'\u00A5', u'\u203E'}) {
    unsigned char out[4];
    long read = -1, made = -1;
    EXPECT_EQ(ConvertFromUnicodeToText(to, 2, &u, nullptr, sizeof out, &read, &made, out), kKxConvUnmappableErr);
    EXPECT_EQ(read, 0);
    EXPECT_FALSE(KxScriptIsOtherForm(u, kScriptJapanese));
  }
  // In Mac Roman the em dash and the cent sign are characters of their own.
  EXPECT_FALSE(KxScriptIsOtherForm(U'\u2014', kScriptRoman));
  EXPECT_FALSE(KxScriptIsOtherForm(U'\u00A2', kScriptRoman));
  DisposeUnicodeToTextInfo(&to);
  DisposeTextToUnicodeInfo(&from);
}

// Over the whole BMP: what the converter writes reads back as the same
// character, or it is a second name whose code reads back as a character
// that writes to that code too. Nothing else may change on the way back.
TEST(TextConv, EveryWrittenCodeReadsBack) {
  for (TextEncoding e : {kKxEncodingMacJapanese, kKxEncodingMacRoman}) {
    const short script = e == kKxEncodingMacJapanese ? kScriptJapanese : kScriptRoman;
    UnicodeToTextInfo to = nullptr;
    TextToUnicodeInfo from = nullptr;
    ASSERT_EQ(CreateUnicodeToTextInfo(e, &to), noErr);
    ASSERT_EQ(CreateTextToUnicodeInfo(e, &from), noErr);
    int others = 0;
    for (char32_t cp = 1; cp < 0x10000; ++cp) {
      if (cp >= 0xD800 && cp < 0xE000) continue;
      const char16_t u = char16_t(cp);
      unsigned char code[2];
      long read = 0, made = 0;
      if (ConvertFromUnicodeToText(to, 2, &u, nullptr, sizeof code, &read, &made, code) != noErr) {
        EXPECT_FALSE(KxScriptIsOtherForm(cp, script)) << std::hex << unsigned(cp);
        continue;
      }
      char16_t back[2] = {};
      long got = 0;
      ASSERT_EQ(ConvertFromTextToUnicode(from, made, code, nullptr, sizeof back, &read, &got, back), noErr)
          << std::hex << unsigned(cp);
      if (got == 2 && back[0] == u) continue;
      ASSERT_TRUE(KxScriptIsOtherForm(cp, script)) << std::hex << unsigned(cp) << " reads back as " << unsigned(back[0]);
      ++others;
      unsigned char again[2];
      long againMade = 0;
      ASSERT_EQ(ConvertFromUnicodeToText(to, 2, back, nullptr, sizeof again, &read, &againMade, again), noErr);
      EXPECT_EQ(std::string(reinterpret_cast<char*>(again), std::size_t(againMade)),
                std::string(reinterpret_cast<char*>(code), std::size_t(made)));
    }
    EXPECT_EQ(others, script == kScriptJapanese ? 7 : 0);
    DisposeUnicodeToTextInfo(&to);
    DisposeTextToUnicodeInfo(&from);
  }
}

// Host text (field typing, input methods, names) keeps going past a
// character Shift_JIS lacks: it stands as the placeholder, the rest follows.
TEST(TextConv, HostTextKeepsWhatFollowsAMissingCharacter) {
  const std::string ph = "\x81\xFC";
  EXPECT_EQ(KxUTF8ToScriptText("th\xC3\xA9"), "th" + ph);
  EXPECT_EQ(KxUTF8ToScriptText("caf\xC3\xA9\xF0\x9F\x98\x80!"), "caf" + ph + ph + "!");
  EXPECT_EQ(KxUTF8ToScriptText("\xC3\xA9\xE3\x81\x82"), ph + "\x82\xA0");
  EXPECT_EQ(KxScriptTextToUTF8(KxUTF8ToScriptText("a\xE2\x80\xA2z")), "a\xE2\x97\xAFz");
}
