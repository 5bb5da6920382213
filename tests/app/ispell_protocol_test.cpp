// The Ispell pipe protocol: banners, answer lines, and finding a reported
// word whatever the program counts its offsets in.
#include <gtest/gtest.h>

#include "app/ispell_protocol.h"

namespace {

TEST(IspellProtocol, BannersGiveNameFamilyAndArguments) {
  const std::string hun = "@(#) International Ispell Version 3.2.06 (but really Hunspell 1.7.2)";
  EXPECT_EQ(KxIspellMenuName(hun), "Hunspell 1.7.2");
  EXPECT_EQ(KxIspellFamily(hun), KxCheckerFamily::kHunspell);
  EXPECT_EQ(KxIspellUtf8Args(KxIspellFamily(hun)), (std::vector<std::string>{"-i", "utf-8"}));
  const std::string asp = "@(#) International Ispell Version 3.1.20 (but really Aspell 0.60.8)\n";
  EXPECT_EQ(KxIspellMenuName(asp), "Aspell 0.60.8");
  EXPECT_EQ(KxIspellUtf8Args(KxIspellFamily(asp)), (std::vector<std::string>{"--encoding=utf-8"}));
  EXPECT_EQ(KxIspellFamily("@(#) International Ispell Version 3.3.02 (but really Enchant 2.3.3)"),
            KxCheckerFamily::kEnchant);
  EXPECT_EQ(KxIspellMenuName("@(#) My Checker"), "My Checker");
  EXPECT_TRUE(KxIspellMenuName("garbage").empty());
  // Cut to 31 bytes, never inside a character.
  const std::string name = KxIspellMenuName("@(#) " + std::string(29, 'a') + "\xC3\xA9\xC3\xA9");
  EXPECT_EQ(name, std::string(29, 'a') + "\xC3\xA9");
}

TEST(IspellProtocol, AnswerLines) {
  KxIspellMiss m;
  bool bad = false;
  EXPECT_TRUE(KxIspellParseAnswer("*", m, bad));
  EXPECT_FALSE(bad);
  EXPECT_TRUE(KxIspellParseAnswer("+ run", m, bad));
  EXPECT_FALSE(bad);
  ASSERT_TRUE(KxIspellParseAnswer("& teh 3 5: the, tea, ten", m, bad));
  EXPECT_TRUE(bad);
  EXPECT_EQ(m.word, "teh");
  EXPECT_EQ(m.offset, 5);
  EXPECT_EQ(m.guesses, (std::vector<std::string>{"the", "tea", "ten"}));
  ASSERT_TRUE(KxIspellParseAnswer("# zxqv 12", m, bad));
  EXPECT_EQ(m.word, "zxqv");
  EXPECT_EQ(m.offset, 12);
  EXPECT_TRUE(m.guesses.empty());
  for (const char* junk : {"", "&", "& ", "& teh", "& teh x 5: a", "# w -3", "& w 1 99999999999: a", "!x", "? w 0"})
    EXPECT_FALSE(KxIspellParseAnswer(junk, m, bad)) << junk;
}

TEST(IspellProtocol, WordsAreFoundWhateverTheOffsetsCount) {
  // "日本 teh" : bytes 0-5 kanji, 6 space, 7 teh; characters: 3 for teh.
  const std::string line = "\xE6\x97\xA5\xE6\x9C\xAC teh and teh";
  EXPECT_EQ(KxIspellLocate(line, "teh", 7), 7);    // bytes
  EXPECT_EQ(KxIspellLocate(line, "teh", 8), 7);    // bytes counting the ^
  EXPECT_EQ(KxIspellLocate(line, "teh", 3), 7);    // characters
  EXPECT_EQ(KxIspellLocate(line, "teh", 4), 7);    // characters counting the ^
  EXPECT_EQ(KxIspellLocate(line, "teh", 16), 15);  // the nearer one
  EXPECT_EQ(KxIspellLocate(line, "the", 7), -1);   // not there: skipped
  EXPECT_EQ(KxIspellLocate("tehx teh", "teh", 0), 5);   // whole words only
  EXPECT_EQ(KxIspellLocate("", "a", 0), -1);
}

TEST(IspellProtocol, EnglishWordsInJapaneseTextAreWholeWords) {
  // "これはwrodです。": aspell gives characters counting the "^".
  const std::string kore = "\xE3\x81\x93\xE3\x82\x8C\xE3\x81\xAF";
  const std::string desu = "\xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82";
  EXPECT_EQ(KxIspellLocate(kore + "wrod" + desu, "wrod", 4), 9);
  // Between corner brackets, full-width letters and ideographic space.
  EXPECT_EQ(KxIspellLocate("\xE3\x80\x8Cteh\xE3\x80\x8D", "teh", 2), 3);
  EXPECT_EQ(KxIspellLocate("\xEF\xBC\xA1teh\xE3\x80\x80", "teh", 1), 3);
  EXPECT_EQ(KxIspellLocate("\xE2\x80\x9Cteh\xE2\x80\x9D", "teh", 1), 3);   // curly quotes
  // Accented letters, Greek and Cyrillic still belong to the word.
  EXPECT_EQ(KxIspellLocate("caf\xC3\xA9 wrod", "caf", 0), -1);
  EXPECT_EQ(KxIspellLocate("\xC3\xA9teh teh", "teh", 2), 6);
  EXPECT_EQ(KxIspellLocate("\xCE\xB1teh", "teh", 1), -1);
  EXPECT_EQ(KxIspellLocate("don\xE2\x80\x99t", "don", 0), -1);
  EXPECT_EQ(KxIspellLocate("caf\xC3\xA9 ok", "caf\xC3\xA9", 0), 0);
  // A "word" that holds Japanese (a checker that knows none) is skipped.
  EXPECT_EQ(KxIspellLocate(kore + "wrod" + desu, kore + "wrod", 0), -1);
  EXPECT_EQ(KxIspellLocate("\xE3\x80\x8D\xE3\x81\xA8", "\xE3\x81\xA8", 1), -1);
  // Broken bytes at either side still count as letters.
  EXPECT_EQ(KxIspellLocate("\xE3teh", "teh", 1), -1);
  EXPECT_EQ(KxIspellLocate("teh\x80", "teh", 0), -1);
}

}  // namespace
