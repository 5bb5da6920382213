// The colour preference sets: the changed flag, the name list, the
// preference chunks read defensively and written back, the colour
// variations of user sets, and how colour buttons show and store colours.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/color_prefs.h"
#include "app/globals.h"
#include "app/prefs_file.h"
#include "platform/bytefields.h"
#include "platform/draw/color.h"

namespace {

using namespace UKXColorPreference;

class ColorPrefsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetColorPreferenceData(nullptr, 0), SetColorPrefNameData(nullptr, 0); }
  void TearDown() override { SetUp(); }
};

std::vector<std::uint8_t> Record(short number, std::uint16_t red) {
  SKXColorPreference s = Default();
  s.text.red = red;
  s.number = number;
  std::vector<std::uint8_t> out(kKxColorPrefSize);
  WriteRecord(s, out.data());
  return out;
}

std::vector<std::uint8_t> Names(const std::vector<std::pair<int, std::string>>& entries) {
  std::vector<std::uint8_t> out;
  for (const auto& [set, name] : entries) {
    out.push_back(std::uint8_t(set));
    out.push_back(std::uint8_t(name.size()));
    out.insert(out.end(), name.begin(), name.end());
  }
  return out;
}

TEST_F(ColorPrefsTest, TheChangedByteFollowsEveryFieldAndTheNumberIsTheSlot) {
  SKXColorPreference s = Default();
  s.changed = 1;
  SetAt(4, s);
  SKXColorPreference got;
  GetAt(4, got);
  EXPECT_EQ(got.changed, 0);
  EXPECT_EQ(got.number, 4);
  EXPECT_EQ(GetColorPreferenceSize(), 0u);
  RGBColor SKXColorPreference::*colours[] = {&SKXColorPreference::text,      &SKXColorPreference::face,
                                             &SKXColorPreference::tabMark,   &SKXColorPreference::returnMark,
                                             &SKXColorPreference::spaceMark, &SKXColorPreference::accent};
  for (auto field : colours) {
    s = Default();
    (s.*field).blue ^= 1;
    SetAt(4, s);
    GetAt(4, got);
    EXPECT_EQ(got.changed, 1);
  }
  s = Default();
  s.theme = 0;
  SetAt(44, s);   // held to 10
  GetAt(10, got);
  EXPECT_EQ(got.changed, 1);
  EXPECT_EQ(got.number, 10);
}

TEST_F(ColorPrefsTest, NamingASetAgainMovesItsOneEntryToTheEnd) {
  SetColorPrefNameAt(3, "a");
  SetColorPrefNameAt(5, "bb");
  SetColorPrefNameAt(3, "ccc");
  EXPECT_EQ(GetColorPrefNameData(), Names({{5, "bb"}, {3, "ccc"}}));
  std::string name;
  ASSERT_TRUE(GetColorPrefNameAt(3, name));
  EXPECT_EQ(name, "ccc");
  EXPECT_FALSE(GetColorPrefNameAt(4, name));
  // A long name keeps whole characters: 15 kanji and one more half.
  std::string kanji;
  for (int i = 0; i < 20; ++i) kanji += "\x8A\xBF";
  SetColorPrefNameAt(7, "x" + kanji);
  ASSERT_TRUE(GetColorPrefNameAt(7, name));
  EXPECT_EQ(name, "x" + kanji.substr(0, 30));
}

TEST_F(ColorPrefsTest, SetsChunkTakesWholeRecordsOfSetsOneToTen) {
  std::vector<std::uint8_t> chunk;
  for (auto r : {Record(2, 100), Record(11, 200), Record(7, 300)}) chunk.insert(chunk.end(), r.begin(), r.end());
  // 100 bytes: two whole records and 20 bytes of a third.
  std::vector<std::uint8_t> hundred(chunk.begin(), chunk.begin() + 80);
  hundred.insert(hundred.end(), chunk.begin() + 80, chunk.begin() + 100);
  SetColorPreferenceData(hundred.data(), hundred.size());
  SKXColorPreference got;
  GetAt(2, got);
  EXPECT_EQ(got.text.red, 100);
  GetAt(7, got);
  EXPECT_EQ(got.changed, 0);   // its record was cut off
  EXPECT_EQ(GetColorPreferenceSize(), 40u);
  // Set 11 is skipped, set 7 taken; what is written is in set order.
  SetColorPreferenceData(chunk.data(), chunk.size());
  std::vector<std::uint8_t> written(GetColorPreferenceSize());
  ASSERT_EQ(written.size(), 80u);
  EXPECT_EQ(GetColorPreferenceData(written.data(), written.size()), 80u);
  EXPECT_EQ(KxGetU16BE(&written[38]), 2);
  EXPECT_EQ(KxGetU16BE(&written[78]), 7);
  // A buffer too small for the second record gets only the first.
  EXPECT_EQ(GetColorPreferenceData(written.data(), 79), 40u);
}

TEST_F(ColorPrefsTest, NamesChunkKeepsWholeSoundEntriesOnly) {
  const std::string longName(40, 'n');
  // Duplicates: the last wins, at its place. Set 0 ends the list.
  auto data = Names({{1, "one"}, {2, "two"}, {1, "uno"}, {0, "stop"}, {4, "four"}});
  SetColorPrefNameData(data.data(), data.size());
  EXPECT_EQ(GetColorPrefNameData(), Names({{2, "two"}, {1, "uno"}}));
  // A length running past the chunk ends the list there.
  data = Names({{3, "three"}, {4, "four"}});
  SetColorPrefNameData(data.data(), data.size() - 1);
  EXPECT_EQ(GetColorPrefNameData(), Names({{3, "three"}}));
  // A name above 31 bytes fits the dialogs' 32-byte slots once cut.
  data = Names({{9, longName}, {11, "x"}});
  SetColorPrefNameData(data.data(), data.size());
  EXPECT_EQ(GetColorPrefNameData(), Names({{9, longName.substr(0, 31)}}));
}

TEST_F(ColorPrefsTest, SetsAndNamesRoundTripThroughThePreferenceStream) {
  SKXColorPreference s = Default();
  s.accent = RGBColor{1, 2, 3};
  s.theme = 2;
  SetAt(3, s);
  SetAt(9, Default());
  SetColorPrefNameAt(3, "\x90\xC2");   // a kanji name
  const KxBlock stream = KxBuildPreferenceStream();
  SetUp();
  KxApplyPreferenceStream(stream.data(), stream.size());
  SKXColorPreference got;
  GetAt(3, got);
  EXPECT_EQ(got.accent.blue, 3);
  EXPECT_EQ(got.theme, 2);
  EXPECT_EQ(GetColorPreferenceSize(), 40u);
  std::string name;
  ASSERT_TRUE(GetColorPrefNameAt(3, name));
  EXPECT_EQ(name, "\x90\xC2");
  const std::string dump = KxDumpPreferences();
  EXPECT_NE(dump.find("UCPT.set 3 = text 0 0 0 face 61166 61166 61166 tab 32768 32768 32768 return 32768 32768 "
                      "32768 space 0 0 0 accent 1 2 3 theme 2\n"),
            std::string::npos);
  EXPECT_NE(dump.find("UCNT.name 3 = 青\n"), std::string::npos);
  EXPECT_EQ(dump.find("UCPT.set 9"), std::string::npos);
}

TEST_F(ColorPrefsTest, UserVariationsDrawWithTheirSet) {
  SKXColorPreference s = Default();
  s.face = RGBColor{10, 20, 30};
  s.theme = 1;   // no desktop themes here: the set's own face colour
  SetAt(3, s);
  UKXColor::ColorVariation(12);
  EXPECT_EQ(UKXColor::sColorVariation, 12);
  EXPECT_EQ(UKXColor::sViewFaceColor.green, 20);
  EXPECT_EQ(UKXColor::sAppearanceTheme, 0);
  UKXColor::ResetScheme();
}

TEST(CheckColorTest, DefaultBlackShowsWhiteAndChosenBlackStoresNearBlack) {
  RGBColor c{0, 0, 0};
  EXPECT_EQ(CheckColor(c, true), 10);
  EXPECT_EQ(c.red, 0xFFFF);
  c = RGBColor{1, 1, 1};
  EXPECT_EQ(CheckColor(c, true), 0);
  EXPECT_EQ(c.red, 0);
  c = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
  EXPECT_EQ(CheckColor(c, false), 0);
  EXPECT_EQ(c.green, 0);
  c = RGBColor{0, 0, 0};
  EXPECT_EQ(CheckColor(c, false), -1);
  EXPECT_EQ(c.blue, 1);
  c = RGBColor{5, 6, 7};
  EXPECT_EQ(CheckColor(c, false), -1);
  EXPECT_EQ(c.red, 5);
}

}  // namespace
