// Words as the spellers see them, and the UTF-8/UTF-16 bridge they use.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/toolbox/speller.h"
#include "platform/textconv.h"

namespace {

std::vector<std::string> Words(const std::u16string& text, long start = 0) {
  std::vector<std::string> out;
  for (const KxSpellRange& r : KxSpellTokens(text, start))
    out.push_back(KxUTF16ToUTF8(text.substr(std::size_t(r.location), std::size_t(r.length))));
  return out;
}

TEST(SpellTokens, LettersDigitsAndInnerApostrophes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Words(u"don't stop"), (V{"don't", "stop"}));
  EXPECT_EQ(Words(u"it\u2019s 'quoted' end'"), (V{"it\u2019s", "quoted", "end"}));
  // A token holding a digit is skipped whole.
  EXPECT_EQ(Words(u"3rd a1b 2024 word"), (V{"word"}));
  // Accented and Greek letters belong to words; punctuation separates.
  EXPECT_EQ(Words(u"na\u00EFve caf\u00E9,\u03B1\u03B2\u03B3;x\u00D7y"), (V{"na\u00EFve", "caf\u00E9", "\u03B1\u03B2\u03B3", "x", "y"}));
  // Japanese (kana, kanji, half-width katakana, full-width forms) is
  // never part of a word.
  EXPECT_EQ(Words(u"\u65E5\u672C\u8A9Etext\u3042\uFF21\uFF22\uFF76abc"), (V{"text", "abc"}));
  // From an index inside a word: that word's rest.
  EXPECT_EQ(Words(u"hello world", 2), (V{"llo", "world"}));
  EXPECT_TRUE(Words(u"").empty());
  EXPECT_TRUE(Words(u"''' 123 \u3042").empty());
}

TEST(SpellTokens, Utf8RoundTripKeepsSurrogatesAndRejectsBadBytes) {
  const std::u16string s = u"a\u00E9\u3042\U0001F600z";
  EXPECT_EQ(KxUtf8ToUtf16(KxUTF16ToUTF8(s)), s);
  EXPECT_EQ(KxUtf8ToUtf16("a\xC3"), u"a\uFFFD");
  EXPECT_EQ(KxUtf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");   // an encoded surrogate
  EXPECT_EQ(KxUTF16ToUTF8(u"\xD800x"), "\xEF\xBF\xBDx");   // a lone surrogate
}

// A speller that knows three words.
class ListSpeller : public KxSpeller {
 public:
  bool Available() override { return true; }
  std::vector<std::string> Languages() override { return {"test"}; }
  std::string Language() override { return "test"; }
  bool SetLanguage(const std::string&) override { return true; }
  bool CheckWord(const std::string& w, int) override { return w == "the" || w == "cat" || w == "sat"; }
  std::vector<std::string> Guesses(const std::string&) override { return {}; }
  void Ignore(const std::string&, int) override {}
  int NewTag() override { return 1; }
};

TEST(SpellTokens, CheckFindsTheNextWordAndWrapsOnlyWhenAsked) {
  ListSpeller s;
  const std::u16string t = u"teh cat sat on";
  KxSpellRange r = s.Check(t, 0, false, 1);
  EXPECT_EQ(r.location, 0);
  EXPECT_EQ(r.length, 3);
  r = s.Check(t, 3, false, 1);
  EXPECT_EQ(r.location, 12);
  r = s.Check(t, 14, false, 1);
  EXPECT_EQ(r.length, 0);
  r = s.Check(t, 14, true, 1);
  EXPECT_EQ(r.location, 0);
}

// Check reads the words from near its start, not from the text's start:
// at every start it answers what the whole tokenising answers.
TEST(SpellTokens, CheckFromAnyStartAnswersAsTheWholeTextDoes) {
  ListSpeller s;
  std::srand(7);
  const std::u16string pieces[] = {u"teh", u"cat", u" ", u"'", u"\u2019", u"don't", u"\u00e9t\u00e9", u"\u65e5\u672c",
                                   u"\r", u"42", u"-", u"\U0001D400", u"x\u0301"};
  for (int round = 0; round < 200; ++round) {
    std::u16string t;
    for (int k = std::rand() % 12; k > 0; --k) t += pieces[std::size_t(std::rand()) % std::size(pieces)];
    const std::vector<KxSpellRange> all = KxSpellTokens(t, 0);
    for (long start = 0; start <= long(t.size()); ++start)
      for (bool wrap : {false, true}) {
        KxSpellRange want{};
        for (const KxSpellRange& r : all)
          if (r.location >= start && !s.CheckWord(KxUTF16ToUTF8(t.substr(std::size_t(r.location), std::size_t(r.length))), 1)) {
            want = r;
            break;
          }
        if (wrap && want.length == 0)
          for (const KxSpellRange& r : all)
            if (r.location < start && !s.CheckWord(KxUTF16ToUTF8(t.substr(std::size_t(r.location), std::size_t(r.length))), 1)) {
              want = r;
              break;
            }
        const KxSpellRange got = s.Check(t, start, wrap, 1);
        ASSERT_EQ(got.location, want.location) << "round " << round << " start " << start;
        ASSERT_EQ(got.length, want.length) << "round " << round << " start " << start;
      }
  }
}

// The whole-text check walks a paragraph from word to word: it finds the
// misspelled tokens of the text, each once, in order, and reads a long
// paragraph of Japanese and misspellings in time linear in its length.
TEST(SpellTokens, WalkingALongParagraphFindsEveryWrongWordOnce) {
  ListSpeller s;
  std::srand(11);
  const std::u16string pieces[] = {u"teh ", u"cat ", u"\u65e5\u672c\u8a9e", u"wrod", u"\u3002", u"don't ", u"42 ",
                                   u"\u00e9t\u00e9", u"\U0001F600", u"'", u"sat", u"\uff21"};
  std::u16string t;
  for (int k = 0; k < 40000; ++k) t += pieces[std::size_t(std::rand()) % std::size(pieces)];
  std::vector<KxSpellRange> want;
  for (const KxSpellRange& r : KxSpellTokens(t, 0))
    if (!s.CheckWord(KxUTF16ToUTF8(t.substr(std::size_t(r.location), std::size_t(r.length))), 1)) want.push_back(r);
  ASSERT_GT(want.size(), 10000u);
  std::vector<KxSpellRange> got;
  for (long index = 0; index < long(t.size());) {
    const KxSpellRange r = s.Check(t, index, false, 1);
    if (r.length <= 0 || r.location < index) break;
    got.push_back(r);
    index = r.location + r.length;
  }
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t k = 0; k < got.size(); ++k) {
    ASSERT_EQ(got[k].location, want[k].location) << k;
    ASSERT_EQ(got[k].length, want[k].length) << k;
  }
}

TEST(Hunspell, NoDictionaryMeansUnavailable) {
  // The program's speller reads $DICPATH once; an empty folder has none.
  const std::filesystem::path empty = std::filesystem::temp_directory_path() / "kx_no_dictionaries";
  std::filesystem::create_directories(empty);
  ::setenv("DICPATH", empty.c_str(), 1);
  KxSpeller& s = KxHunspellSpeller();
  EXPECT_FALSE(s.Available());
  EXPECT_TRUE(s.Languages().empty());
  EXPECT_TRUE(s.CheckWord("teh", 0));   // nothing to say against it
  EXPECT_EQ(s.Check(u"teh", 0, true, 0).length, 0);
  ::unsetenv("DICPATH");
}

}  // namespace
