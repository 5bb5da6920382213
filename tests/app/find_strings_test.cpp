// The shared find strings: cut on a character boundary, never wrapped.
#include <gtest/gtest.h>

#include <string>

#include "app/find_strings.h"
#include "app/globals.h"

namespace {

TEST(FindStrings, CutOnACharacterBoundary) {
  const std::string kanji = "\x88\x9F";   // one double-byte character
  // 254 single bytes then a double-byte character: byte 255 would split it.
  std::string s(254, 'a');
  s += kanji + "zz";
  EXPECT_EQ(KxCutOnCharBoundary(s, 255), std::string(254, 'a'));
  // 253 then the character: it ends exactly at 255.
  std::string t(253, 'a');
  t += kanji + kanji;
  EXPECT_EQ(KxCutOnCharBoundary(t, 255), std::string(253, 'a') + kanji);
  // Short texts pass unchanged, a lone lead byte at the end included.
  EXPECT_EQ(KxCutOnCharBoundary("ab\x88", 255), "ab\x88");
  std::string all;
  for (int i = 0; i < 150; ++i) all += kanji;
  const std::string cut = KxCutOnCharBoundary(all, 127);
  EXPECT_EQ(cut.size(), 126u);
}

TEST(FindStrings, SettingCutsToTheLengthByte) {
  KxSetFindString(std::string(300, 'x'));
  EXPECT_EQ(KxGetFindString().size(), kKxFindStringMax);
  std::string s(254, 'b');
  for (int i = 0; i < 10; ++i) s += "\x82\xA0";
  KxSetReplString(s);
  EXPECT_EQ(KxGetReplString(), std::string(254, 'b'));
  KxSetFindString("");
  KxSetReplString("");
}

TEST(FindStrings, OptionBitsFollowTheRecordBytes) {
  const auto saved = gPreference.findOptions;
  gPreference.findOptions = {0, 0, 0, 0, 0, 0};
  EXPECT_EQ(KxFindOptionsFromPrefs(), 0);
  // width 4, kana 8, case 2, palette none, backward 1, regexp 16
  const short bits[] = {4, 8, 2, 0, 1, 16};
  for (int i = 0; i < 6; ++i) {
    gPreference.findOptions = {0, 0, 0, 0, 0, 0};
    gPreference.findOptions[std::size_t(i)] = 1;
    EXPECT_EQ(KxFindOptionsFromPrefs(), bits[i]) << i;
  }
  gPreference.findOptions = {1, 1, 1, 1, 1, 1};
  EXPECT_EQ(KxFindOptionsFromPrefs(), 31);
  gPreference.findOptions = saved;
}

}  // namespace
