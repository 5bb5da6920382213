// Japanese readings through the morpheme analyser.
#include "platform/textconv.h"
#include "platform/toolbox/japanese_analysis.h"

#include <gtest/gtest.h>

#include "platform/framework/dialog.h"

namespace {

std::string Reading(const std::string& utf8, bool* any = nullptr) {
  Str255 out;
  const bool got = UJapaneseAnalysis::GetReadingText(KxUTF8ToScriptText(utf8), out);
  if (any) *any = got;
  return KxScriptTextToUTF8(std::string(reinterpret_cast<const char*>(out + 1), out[0]));
}

TEST(JapaneseAnalysis, ReadsWordsInKatakanaWithinTheLimit) {
  ASSERT_TRUE(UJapaneseAnalysis::IsAvailable());
  EXPECT_EQ(Reading("東京に行く"), "トウキョウニイク");
  EXPECT_EQ(Reading("ABC"), "ABC");   // unknown words read as written
  bool any = true;
  EXPECT_EQ(Reading("", &any), "");
  EXPECT_FALSE(any);
  // 200 kanji read as far more than 254 bytes: the reading stops short,
  // on a whole morpheme.
  std::string many;
  for (int i = 0; i < 100; ++i) many += "東京";
  Str255 out;
  ASSERT_TRUE(UJapaneseAnalysis::GetReadingText(KxUTF8ToScriptText(many), out));
  EXPECT_LE(out[0], 254);
  EXPECT_GT(out[0], 200);
  EXPECT_EQ(out[0] % 10, 0);   // トウキョウ is 10 bytes
}

}  // namespace
