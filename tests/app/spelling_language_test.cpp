// The spelling language chosen in the correction panel: kept in "SPLG",
// read back strictly, shown by the preference dump, and choosing it marks
// the preferences changed.
#include "app/spelling_language.h"

#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/prefs_file.h"

namespace {

TEST(SpellLanguage, TheChunkHoldsExactlyOneName) {
  const auto chunk = KxEncodeSpellLanguage("en_US");
  EXPECT_EQ(chunk, (std::vector<std::uint8_t>{5, 'e', 'n', '_', 'U', 'S'}));
  EXPECT_EQ(KxDecodeSpellLanguage(chunk.data(), chunk.size()), "en_US");
  EXPECT_EQ(KxDumpSpellLanguage(chunk.data(), chunk.size()), "SPLG.language = en_US\n");
  // A length that does not cover exactly the rest, a name too long or with
  // other characters: no choice.
  for (const std::vector<std::uint8_t>& bad :
       {std::vector<std::uint8_t>{}, {0}, {6, 'e', 'n', '_', 'U', 'S'}, {4, 'e', 'n', '_', 'U', 'S'},
        {5, 'e', 'n', '/', 'U', 'S'}, {5, 'e', 'n', ' ', 'U', 'S'}})
    EXPECT_TRUE(KxDecodeSpellLanguage(bad.data(), bad.size()).empty());
  std::vector<std::uint8_t> longName(1, 64);
  longName.insert(longName.end(), 64, 'a');
  EXPECT_TRUE(KxDecodeSpellLanguage(longName.data(), longName.size()).empty());
  EXPECT_TRUE(KxEncodeSpellLanguage(std::string(64, 'a')).empty());
  EXPECT_TRUE(KxEncodeSpellLanguage("../../etc").empty());
}

TEST(SpellLanguage, ChoosingMarksThePreferencesAndTravelsInTheFile) {
  KxInstallSpellLanguage(true);
  gPrefModify = false;
  KxChooseSpellLanguage("de_DE");
  EXPECT_TRUE(gPrefModify);
  EXPECT_NE(KxDumpPreferences().find("SPLG.language = de_DE\n"), std::string::npos);
  const KxBlock stream = KxBuildPreferenceStream();
  KxInstallSpellLanguage(false);
  KxInstallSpellLanguage(true);
  EXPECT_TRUE(KxSpellLanguage().empty());
  KxApplyPreferenceStream(stream.data(), stream.size());
  EXPECT_EQ(KxSpellLanguage(), "de_DE");
  // The same choice again changes nothing.
  gPrefModify = false;
  KxChooseSpellLanguage("de_DE");
  EXPECT_FALSE(gPrefModify);
  KxInstallSpellLanguage(false);
}

}  // namespace
