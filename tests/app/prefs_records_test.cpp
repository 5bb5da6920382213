// The settings records: their stored layouts, defaults, partial chunks and
// the checked readings.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "app/globals.h"
#include "app/prefs_records.h"

namespace {

struct LayoutCase {
  OSType tag;
  std::size_t size;
  std::set<std::size_t> words;   // the 16-bit fields the stored form swaps
};

TEST(PrefsRecords, LayoutsTileTheRecordAndSwapExactlyTheListedWords) {
  const LayoutCase cases[] = {
      {FourCC("KXTP"), kKxPreferenceSize,
       {0, 2, 4, 10, 12, 14, 20, 22, 24, 32, 34, 44, 46, 48, 50, 52, 54, 56, 60, 62}},
      {FourCC("KXP2"), kKxPreference2Size, {10, 12, 14, 16, 18, 20, 22, 24, 28}},
      {FourCC("FPRF"), kKxFilePrefSize, {2, 4, 6, 8}},
  };
  for (const LayoutCase& c : cases) {
    std::size_t next = 0;
    std::set<std::size_t> words;
    for (const KxFieldInfo& f : KxRecordLayout(c.tag)) {
      EXPECT_EQ(f.offset, next) << f.name;
      next = f.offset + f.width;
      if (f.word == 2)
        for (std::size_t k = 0; k < f.width; k += 2) words.insert(f.offset + k);
    }
    EXPECT_EQ(next, c.size);
    EXPECT_EQ(words, c.words);
  }
}

TEST(PrefsRecords, DefaultsAsAFreshStartHasThem) {
  EXPECT_EQ(KxPrefStartupAction(gPreference), kKxStartupNew);
  EXPECT_EQ(gFilePref.autoSaveSeconds, 300);
  EXPECT_EQ(gFilePref.backupGenerations, 1);
  EXPECT_EQ(gFilePref.recentFiles, 16);
  EXPECT_EQ(gFilePref.recentFolders, 8);
  EXPECT_EQ(gPreference.marginFirst, 34);
  EXPECT_EQ(gPreference.findOptions[3], 1);
  EXPECT_EQ(gCtrlkeys, gCtrlkeyDef);
  EXPECT_EQ(gArrowkeys, gArrowkeyDef);
  for (bool english : {false, true})
    for (short script : {0, 1}) {
      SKXPreference p;
      KxDefaultPreference(p, {english, script, 16384, 3, 34, 24});
      EXPECT_EQ(p.wordWrap, english || script == 0 ? 1 : 0);
      EXPECT_EQ(p.lineBreakMode, english ? 0 : 1);
      EXPECT_EQ(bool(p.flags & kKxPrefFlagTextLayer), script == 0);
      EXPECT_EQ(p.scriptDefault, script == 0 ? 2 : 0);
      EXPECT_EQ(p.flags & 7, 7);
    }
}

TEST(PrefsRecords, WriteThenReadRestoresEveryField) {
  SKXPreference p;
  KxDefaultPreference(p, {});
  p.startupAction = 3;
  p.paperColor = {1, 1, 1};
  p.marginRight = -5;
  p.flags = 0x9F;
  std::uint8_t image[kKxPreferenceSize];
  KxWriteRecord(p, image);
  EXPECT_EQ(image[0], 0);
  EXPECT_EQ(image[1], 3);   // big-endian
  SKXPreference q;
  KxReadRecord(q, image, sizeof image);
  std::uint8_t again[kKxPreferenceSize];
  KxWriteRecord(q, again);
  EXPECT_EQ(0, std::memcmp(image, again, sizeof image));
}

TEST(PrefsRecords, AShortChunkFillsOnlyTheFieldsWhollyInsideIt) {
  std::uint8_t image[kKxPreferenceSize];
  std::memset(image, 0x7F, sizeof image);
  for (std::size_t n : {0u, 1u, 11u, 12u, 37u, 65u, 66u, 200u}) {
    SKXPreference p;
    KxDefaultPreference(p, {});
    const SKXPreference before = p;
    KxReadRecord(p, image, std::min<std::size_t>(n, sizeof image));
    EXPECT_EQ(p.startupAction, n >= 2 ? 0x7F7F : before.startupAction) << n;
    EXPECT_EQ(p.font, n >= 12 ? 0x7F7F : before.font) << n;   // offset 10: no half field
    EXPECT_EQ(p.findOptions[0], n >= 37 ? 0x7F : before.findOptions[0]) << n;
    EXPECT_EQ(p.flags, n >= 66 ? 0x7F : before.flags) << n;
  }
}

TEST(PrefsRecords, CheckedReadingsClampWhatTheFileSays) {
  SKXPreference p;
  SKXFilePref f;
  SKXPreference2 p2;
  p.startupAction = 9;
  p.measureUnit = -1;
  p.gaugeType = 3;
  EXPECT_EQ(KxPrefStartupAction(p), 0);
  EXPECT_EQ(KxPrefMeasureUnit(p), 0);
  EXPECT_EQ(KxPrefGaugeType(p), 0);
  p.gaugeType = 6;
  EXPECT_EQ(KxPrefGaugeType(p), 6);
  p.marginFirst = -34;
  p.marginSecond = 30000;
  p.marginBottom = 0;
  p.marginRight = 20;
  int t, l, b, r;
  KxPrefMargins(p, t, l, b, r);
  EXPECT_EQ(t, 0);
  EXPECT_EQ(l, kKxMaxMarginPoints);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(r, 20);
  int w, h;
  p.useStoredSize = 1;
  p.windowWidth = -200;
  p.windowHeight = 300;
  EXPECT_FALSE(KxPrefWindowSize(p, w, h));
  p.windowWidth = 200;
  EXPECT_TRUE(KxPrefWindowSize(p, w, h));
  const struct { std::int16_t files, folders; int wantFiles, wantFolders; } limits[] = {
      {45, 11, 30, 10}, {0, 0, 0, 0}, {-3, -1, 0, 0}, {16, 8, 16, 8}};
  for (const auto& c : limits) {
    f.recentFiles = c.files;
    f.recentFolders = c.folders;
    EXPECT_EQ(KxPrefRecentFileLimit(f), c.wantFiles);
    EXPECT_EQ(KxPrefRecentFolderLimit(f), c.wantFolders);
  }
  f.autoSaveSeconds = 0;
  f.backupGenerations = 99;
  EXPECT_EQ(KxPrefAutoSaveSeconds(f), 60);
  EXPECT_EQ(KxPrefBackupGenerations(f), 50);
  p2.colorVariation = 20;
  EXPECT_EQ(KxPrefColorVariation(p2), 0);
}

}  // namespace
