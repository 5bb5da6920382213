#include "platform/textconv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
  // A one-way best fit of cp932 is not taken; a lone surrogate has no code.
  EXPECT_EQ(ConvertFromUnicodeToText(info, 2, u"\u00A2", nullptr, sizeof out, &read, &made, out), kKxConvUnmappableErr);
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
  const std::u16string s = u"xe\u0301\u212B\u1100\u1161\u11A8a\u0323\u0302";
  ASSERT_TRUE(KxNormalizeNFC(s.data(), long(s.size()), out, &map));
  EXPECT_EQ(std::u16string(out.begin(), out.end()), u"x\u00E9\u00C5\uAC01\u1EAD");
  const std::vector<std::int32_t> want = {0, 1, 1, 1, 3, 3, 3, 4, 4, 4, 5};  // e, U+0301, U+212B: one stretch
  EXPECT_EQ(map, want);
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
