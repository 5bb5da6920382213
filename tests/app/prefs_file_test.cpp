// The preference file: round trips, kept chunks, damaged and hostile
// streams, the caps, the factory merge and failed writes.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/globals.h"
#include "app/app_commands.h"
#include "app/histories.h"
#include "app/menu_keys.h"
#include "app/prefs_file.h"
#include "engine/text_event.h"
#include "platform/bytefields.h"
#include "platform/files.h"
#include "platform/framework/menu.h"
#include "platform/framework/resource_uses.h"
#include "text/store/transform.h"

namespace {

namespace fs = std::filesystem;

class PrefsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    KxSetGlobalDefaults();
    dir = fs::temp_directory_path() / ("kxprefs_" + std::to_string(getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    kx_filetest::Reset();
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir);
    KxSetGlobalDefaults();
  }
  fs::path dir;
};

void Chunk(KxBlock& s, const char* tag, const KxBlock& data) {
  std::uint8_t head[8];
  const OSType t = KxGetU32BE(reinterpret_cast<const std::uint8_t*>(tag));
  EXPECT_EQ(SetTypeSizeData(t, data.size(), nullptr, head), 8u);
  s.insert(s.end(), head, head + 8);
  s.insert(s.end(), data.begin(), data.end());
}

KxBlock FileRefBlock(const std::string& path) {
  KxBlock list;
  SKXFSpec s;
  UKXFSpec::MakeFromPath(s, path);
  UKXFSpec::AddFSpec(s, list, 100);
  return list;
}

KxBlock ReadBack(const fs::path& p) {
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(KxReadFile(p.string(), bytes), 0);
  return bytes;
}

TEST_F(PrefsFile, DefaultsRoundTripByteForByte) {
  const fs::path a = dir / "a", b = dir / "b";
  ASSERT_EQ(KxWritePreference(a.string(), true), 0);
  KxSetGlobalDefaults();
  EXPECT_TRUE(KxReadPreference(a.string(), (dir / "none").string()));
  ASSERT_EQ(KxWritePreference(b.string(), true), 0);
  EXPECT_EQ(ReadBack(a), ReadBack(b));
  // The fixed records, the line-break settings, nothing else.
  bool complete = false;
  const auto chunks = KxParsePrefChunks(ReadBack(a).data(), ReadBack(a).size(), &complete);
  EXPECT_TRUE(complete);
  ASSERT_EQ(chunks.size(), 4u);
  EXPECT_EQ(chunks[3].tag, FourCC("LRDT"));
}

TEST_F(PrefsFile, EveryKindOfChunkSurvivesARoundTrip) {
  KxBlock s;
  KxBlock kxtp(kKxPreferenceSize, 0);
  kxtp[1] = 3;   // resume at start-up
  Chunk(s, "KXTP", kxtp);
  Chunk(s, "ZZZZ", {1, 2, 3});                 // a tag nobody knows
  Chunk(s, "CK2T", KxBlock(104, 'Q'));
  Chunk(s, "MKDT", {0, 2, 'N', 1});
  Chunk(s, "FHDT", {3, 'a', 'b', 'c', 1, 'x'});
  Chunk(s, "RFRT", FileRefBlock("/home/u/a.txt"));
  KxBlock fb(16, 0);
  for (int k = 0; k < 16; ++k) fb[std::size_t(k)] = std::uint8_t(k + 1);
  const KxBlock list = FileRefBlock("/tmp/x");
  fb.insert(fb.end(), list.begin(), list.end());
  Chunk(s, "FBDT", fb);
  Chunk(s, "KMRT", {9, 9, 9});                 // owners not here: kept as read
  Chunk(s, "CFRT", KxBlock(96, 7));
  Chunk(s, "FKDT", KxBlock(96, 1));
  Chunk(s, "NSPT", {'s', 't'});
  Chunk(s, "YYYY", {});
  KxApplyPreferenceStream(s.data(), s.size());
  EXPECT_EQ(gPreference.startupAction, 3);
  EXPECT_EQ(UFindReplMenu::CountHistHandle(gFindHistHandle), 2);
  // The tool's head: its 12 bytes; the 4 that held the list are not taken.
  EXPECT_EQ(gFileBrowse.head[11], 12);
  EXPECT_EQ(gFileBrowse.list, list);
  const KxBlock once = KxBuildPreferenceStream();
  const auto chunks = KxParsePrefChunks(once.data(), once.size());
  std::vector<std::string> tags;
  for (const auto& c : chunks) tags.push_back(std::string{char(c.tag >> 24), char(c.tag >> 16), char(c.tag >> 8), char(c.tag)});
  EXPECT_EQ(tags, (std::vector<std::string>{"KXTP", "KXP2", "FPRF", "LRDT", "CK2T", "MKDT", "FHDT", "RFRT", "FBDT",
                                            "KMRT", "FKDT", "CFRT", "NSPT", "ZZZZ", "YYYY"}));
  EXPECT_EQ(chunks[8].data[12], 0);   // the stored head holds no list pointer
  KxSetGlobalDefaults();
  KxApplyPreferenceStream(once.data(), once.size());
  EXPECT_EQ(KxBuildPreferenceStream(), once);
}

TEST_F(PrefsFile, TheWalkEndsAtAChunkCutShortAndReadsWhatIsThere) {
  KxBlock s;
  KxBlock kxtp(kKxPreferenceSize, 0);
  kxtp[1] = 2;
  Chunk(s, "KXTP", kxtp);
  const std::size_t good = s.size();
  Chunk(s, "FPRF", KxBlock(32, 0x11));
  struct Case {
    const char* what;
    std::size_t keep;
    std::uint32_t size;    // stored size of the second chunk (0: as written)
    std::size_t chunks;    // chunks read
    std::size_t have;      // bytes of the second chunk read
    int autoSave;          // the record's field at bytes 2-3
  };
  const Case cases[] = {
      {"cut inside the data", s.size() - 5, 0, 2, 27, 0x1111},
      {"one byte of the data", good + 9, 0, 2, 1, 300},   // the field is not wholly there
      {"cut inside the header", good + 5, 0, 1, 0, 300},
      {"size beyond the end", s.size(), 33, 2, 32, 0x1111},
      {"size that wraps 32 bits", s.size(), 0xFFFFFFF8u, 2, 32, 0x1111},
  };
  for (const Case& c : cases) {
    KxSetGlobalDefaults();
    KxBlock t(s.begin(), s.begin() + std::ptrdiff_t(c.keep));
    if (c.size && t.size() >= good + 8) KxPutU32BE(t.data() + good + 4, c.size);
    bool complete = true;
    const auto chunks = KxParsePrefChunks(t.data(), t.size(), &complete);
    EXPECT_FALSE(complete) << c.what;
    ASSERT_EQ(chunks.size(), c.chunks) << c.what;
    if (c.chunks == 2) {
      EXPECT_EQ(chunks[1].data, KxBlock(c.have, 0x11)) << c.what;
    }
    KxApplyPreferenceStream(t.data(), t.size());
    EXPECT_EQ(gPreference.startupAction, 2) << c.what;
    EXPECT_EQ(gFilePref.autoSaveSeconds, c.autoSave) << c.what;
    EXPECT_EQ(gFilePref.autoSave, c.chunks == 2 ? 0x11 : 0) << c.what;
  }
}

// A file cut inside its second record (a disk that filled up, a copy that
// stopped) keeps the settings that lie before the cut.
TEST_F(PrefsFile, AFileCutInsideARecordKeepsTheSettingsBeforeTheCut) {
  gPreference2.colorVariation = 3;
  gPreference2.openURLs = 0;
  KxBlock whole = KxBuildPreferenceStream();
  const std::size_t kxp2Data = 8 + kKxPreferenceSize + 8;
  ASSERT_GT(whole.size(), kxp2Data + 300);
  whole.resize(kxp2Data + 300);
  KxSetGlobalDefaults();
  ASSERT_EQ(gPreference2.openURLs, 1);
  KxApplyPreferenceStream(whole.data(), whole.size());
  EXPECT_EQ(gPreference2.colorVariation, 3);
  EXPECT_EQ(gPreference2.openURLs, 0);
}

// An empty line-break chunk copies nothing; what it leaves reads back alike.
TEST_F(PrefsFile, AnEmptyLineBreakChunkReadsBackAlike) {
  KxBlock s;
  Chunk(s, "LRDT", KxBlock{});
  KxApplyPreferenceStream(s.data(), s.size());
  const KxBlock once = KxBuildPreferenceStream();
  KxSetGlobalDefaults();
  KxApplyPreferenceStream(once.data(), once.size());
  EXPECT_EQ(KxBuildPreferenceStream(), once);
}

// The line-break chunk: fields it does not wholly hold keep their settings,
// and a reform width is no wider than the settings dialog takes.
TEST_F(PrefsFile, LineBreakChunkKeepsMissingFieldsAndCapsTheWidth) {
  struct Reform {
    long width;
    short kinsoku;
    unsigned char wordWrap, indent, removeAll;
  };
  const auto reform = [] {
    Reform r{};
    UKXText::GetReformMode(&r.width, &r.kinsoku, &r.wordWrap, &r.indent, &r.removeAll);
    return r;
  };
  KxBlock full(44, 0);
  KxPutU16BE(full.data(), std::uint16_t(UKXText::kShiftSpace));
  full[2] = 1;
  full[3] = '#';
  struct Case {
    const char* what;
    std::size_t keep;        // bytes of the chunk
    std::int32_t width;      // stored width
    Reform want;
    short type;
  };
  const Reform start{76, 0, 0, 1, 1};
  const Case cases[] = {
      {"ten bytes: only the type", 10, 30, start, UKXText::kShiftSpace},
      {"width without kinsoku", 39, 30, {30, 0, 0, 1, 1}, UKXText::kShiftSpace},
      {"whole record", 44, 30, {30, 2, 1, 0, 0}, UKXText::kShiftSpace},
      {"largest int", 44, INT32_MAX, {99999, 2, 1, 0, 0}, UKXText::kShiftSpace},
      {"negative", 44, -5, {1, 2, 1, 0, 0}, UKXText::kShiftSpace},
      {"one byte", 1, 30, start, UKXText::kShiftTab},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UKXText::SetShiftType(UKXText::kShiftTab, nullptr);
    UKXText::SetReformMode(start.width, start.kinsoku, start.wordWrap, start.indent, start.removeAll);
    KxBlock rec = full;
    KxPutU32BE(rec.data() + 34, std::uint32_t(c.width));
    KxPutU16BE(rec.data() + 38, 2);
    rec[40] = 1;
    rec[41] = rec[42] = 0;
    rec.resize(c.keep);
    KxBlock s;
    Chunk(s, "LRDT", rec);
    KxApplyPreferenceStream(s.data(), s.size());
    const Reform r = reform();
    EXPECT_EQ(r.width, c.want.width);
    EXPECT_EQ(r.kinsoku, c.want.kinsoku);
    EXPECT_EQ(r.wordWrap, c.want.wordWrap);
    EXPECT_EQ(r.indent, c.want.indent);
    EXPECT_EQ(r.removeAll, c.want.removeAll);
    short type = 0;
    UKXText::GetShiftType(type, nullptr);
    EXPECT_EQ(type, c.type);
  }
  UKXText::SetReformMode(start.width, start.kinsoku, start.wordWrap, start.indent, start.removeAll);
}

TEST_F(PrefsFile, CountsFromTheFileAreCapped) {
  KxBlock s;
  Chunk(s, "TFRT", KxBlock(54 * 25 + 10, 4));
  KxBlock hist;
  for (int k = 0; k < 20; ++k) hist.insert(hist.end(), {1, std::uint8_t('a' + k)});
  Chunk(s, "FHDT", hist);
  KxBlock files, folders;
  SKXFSpec fileRef;
  for (int k = 0; k < 35; ++k) {
    UKXFSpec::MakeFromPath(fileRef, "/nonexistent/f" + std::to_string(k));
    UKXFSpec::AddFSpec(fileRef, files, 100);
  }
  for (int k = 0; k < 11; ++k) {
    UKXFSpec::MakeFromPath(fileRef, (dir / ("d" + std::to_string(k))).string());
    fs::create_directories(UKXFSpec::PathOf(fileRef));
    UKXFSpec::AddFSpec(fileRef, folders, 100);
  }
  Chunk(s, "RFRT", files);
  Chunk(s, "RDRT", folders);
  Chunk(s, "FKDT", KxBlock(95, 1));   // only exactly 96 bytes count
  KxApplyPreferenceStream(s.data(), s.size());
  EXPECT_EQ(gFontregCount, kKxMaxFontreg);
  EXPECT_EQ(gFontregHandle.size(), 54u * kKxMaxFontreg);
  EXPECT_EQ(UFindReplMenu::CountHistHandle(gFindHistHandle), kKxHistoryMax);
  EXPECT_EQ(gFindHistHandle.size(), 32u);
  EXPECT_EQ(gRecentFileCount, kKxMaxRecentFiles);
  EXPECT_EQ(gRecentDirCount, kKxMaxRecentFolders);
  EXPECT_TRUE(gFunckeyHandle.empty());
}

TEST_F(PrefsFile, StreamEditorBlocksAreCheckedAgainstTheChunk) {
  auto chunk = [](std::uint32_t l1, std::uint32_t l2, std::uint32_t l3, std::size_t have) {
    KxBlock d(256, 0xEE);
    for (std::uint32_t l : {l1, l2, l3}) {
      std::uint8_t b[4];
      KxPutU32BE(b, l);
      d.insert(d.end(), b, b + 4);
      d.insert(d.end(), std::min<std::size_t>(l, have), 'z');
    }
    KxBlock s;
    Chunk(s, "SEDT", d);
    return s;
  };
  const KxBlock ok = chunk(3, 0, 0, 100);
  KxApplyPreferenceStream(ok.data(), ok.size());
  EXPECT_EQ(gStreamEditor.scriptBytes, KxBlock(3, 'z'));
  EXPECT_EQ(gStreamEditor.record[192], 0);   // the handle bytes are not taken
  EXPECT_EQ(gStreamEditor.record[191], 0xEE);
  const KxBlock written = KxBuildPreferenceStream();
  const auto chunks = KxParsePrefChunks(written.data(), written.size());
  EXPECT_EQ(chunks.back().tag, FourCC("SEDT"));
  KxBlock expected = KxParsePrefChunks(ok.data(), ok.size())[0].data;
  std::fill(expected.begin() + 192, expected.begin() + 204, 0);
  EXPECT_EQ(chunks.back().data, expected);
  for (std::uint32_t lie : {16u, 1000u, 0xFFFFFFFFu}) {   // 15 bytes follow the first length
    KxSetGlobalDefaults();
    const KxBlock bad = chunk(lie, 2, 2, 3);
    KxApplyPreferenceStream(bad.data(), bad.size());
    EXPECT_TRUE(gStreamEditor.scriptBytes.empty()) << lie;
    EXPECT_TRUE(gStreamEditor.list192.empty()) << lie;
  }
}

TEST_F(PrefsFile, FactorySettingsFillOnlyWhatTheUserLacks) {
  KxBlock factory;
  // One colour set (set 2, differing from the default) as its owner keeps it.
  KxBlock colourSet(40, 2);
  colourSet[37] = 1;
  colourSet[38] = 0;
  Chunk(factory, "CK2T", KxBlock(104, 'F'));
  Chunk(factory, "HDHT", KxBlock(22, 0));
  Chunk(factory, "MKDT", {0, 3, 'O', 0});
  Chunk(factory, "UCPT", colourSet);
  Chunk(factory, "RFRT", FileRefBlock("/ignored"));   // not a factory slot
  KxBlock user;
  Chunk(user, "MKDT", {0, 2, 'N', 0});
  KxApplyPreferenceStream(user.data(), user.size());
  KxApplyFactoryStream(factory.data(), factory.size(), true);
  EXPECT_EQ(gCtrlkeys, gCtrlkeyDef);                 // a user file was read
  EXPECT_EQ(gMenukeyHandle, (KxBlock{0, 2, 'N', 0}));
  EXPECT_EQ(UHeadFootMenu::CountHistHandle(gHeadHistHandle), 1);
  EXPECT_EQ(KxPrefOwnedData(FourCC("UCPT")), colourSet);
  EXPECT_TRUE(gRecentFileHandle.empty());
  EXPECT_EQ(gFactorySettingsData[1], KxBlock(104, 'F'));
  KxSetGlobalDefaults();
  KxApplyFactoryStream(factory.data(), factory.size(), false);
  EXPECT_EQ(gCtrlkeys[0], 'F');
  EXPECT_EQ(gMenukeyHandle, (KxBlock{0, 3, 'O', 0}));
}

// Stored menu keys are outside data: only entries the key settings could
// have made are read, so the menus and the dialog show the same keys.
TEST_F(PrefsFile, StoredMenuKeysOutsideWhatTheKeySettingsMakeAreDropped) {
  const KxBlock kept = {0x04, 0x7E, '@', 0,                     // 1150: a macro
                        0x0B, 0xB8, 'M', kKxMenukeyOption,      // 3000: a mark
                        0x06, 0x4A, 'Q', kKxMenukeyShift,       // 1610
                        0x04, 0xBE, 0, 0,                       // 1214 loses its key
                        0x00, 0x0C, 0x60, 0};                   // cut takes the grave accent
  const KxBlock dropped = {0xFF, 0xFF, 'A', 0,                  // no command
                           0x00, 0x00, 'B', 0, 0x00, 0x01, 'B', 0,
                           0x00, 0xC9, 'C', 0,                  // About never takes a key
                           0x04, 0x4E, 'D', 5,                  // shift and option at once
                           0x04, 0xBC, 0x0D, 0,                 // return
                           0x04, 0xBD, ' ', 0, 0x04, 0xBE, 0x7F, kKxMenukeyShift,
                           0x04, 0xB1, 'a', 0,                  // lower case, not upper-cased
                           0x04, 0xB1, 0x20, 0, 0x04, 0xB1, 0x61, 0,
                           0x75, 0x30, 0xFF, 0xFF};
  for (bool factory : {false, true}) {
    SCOPED_TRACE(factory ? "factory" : "user");
    KxSetGlobalDefaults();
    KxBlock stream, keys = dropped;
    keys.insert(keys.begin() + 8, kept.begin(), kept.end());
    keys.push_back(1);   // a partial entry
    Chunk(stream, "MKDT", keys);
    if (factory)
      KxApplyFactoryStream(stream.data(), stream.size(), false);
    else
      KxApplyPreferenceStream(stream.data(), stream.size());
    EXPECT_EQ(gMenukeyHandle, kept);
  }
  // Whatever the list holds, the menus never give About a key.
  LMenuBar bar{kKxMenuBarID};
  UCustomMenu::SetUserKeys({{kKxCmdAbout, 'C', 0}, {1212, 0x0D, 0}});
  UCustomMenu::UpdateMenu();
  std::int16_t menuID = 0, item = 0;
  LMenu* menu = nullptr;
  ASSERT_TRUE(bar.FindMenuItem(kKxCmdAbout, menuID, menu, item));
  EXPECT_EQ(menu->GetItem(item)->key, 0);
  ASSERT_TRUE(bar.FindMenuItem(kKxCmdSelectAll, menuID, menu, item));
  EXPECT_EQ(menu->GetItem(item)->key, 'A');
  EXPECT_EQ(menu->GetItem(item)->modifiers, 0);
}

// The dump prints history texts as UTF-8, whole, one a line: a NUL neither
// ends the text nor the output, a return does not end the line.
TEST_F(PrefsFile, TheDumpPrintsHistoriesAsUtf8) {
  const KxBlock find = {4, 0x82, 0xA0, 0x82, 0xA2,   // あい
                        3, 'a', 0, 'b', 2, '\r', 'c'};
  KxBlock head(kKxHFHistHead, 0);
  head[kKxHFHistHead - 1] = 4;
  const KxBlock text = {0x83, 0x77, 0x83, 0x62};   // ヘッ
  head.insert(head.end(), text.begin(), text.end());
  KxBlock stream;
  Chunk(stream, "FHDT", find);
  Chunk(stream, "HDHT", head);
  KxApplyPreferenceStream(stream.data(), stream.size());
  const std::string dump = KxDumpPreferences();
  EXPECT_NE(dump.find("FHDT[1] = \"\xE3\x81\x82\xE3\x81\x84\"\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("FHDT[2] = \"a\\x00b\"\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("FHDT[3] = \"\\x0Dc\"\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find(" text \"\xE3\x83\x98\xE3\x83\x83\"\n"), std::string::npos) << dump;
  EXPECT_EQ(dump.find('\0'), std::string::npos);
}

TEST_F(PrefsFile, UnchangedSettingsAreNotWritten) {
  const fs::path p = dir / "prefs";
  gPrefModify = false;
  EXPECT_EQ(KxWritePreference(p.string()), 0);
  EXPECT_FALSE(fs::exists(p));
  gPrefModify = true;
  EXPECT_EQ(KxWritePreference((dir / "sub" / "prefs").string()), 0);   // the folder is made
  EXPECT_FALSE(gPrefModify);
}

TEST_F(PrefsFile, AFailedWriteKeepsTheOldFileAndSaysSo) {
  const fs::path p = dir / "prefs";
  ASSERT_EQ(KxWritePreference(p.string(), true), 0);
  const KxBlock old = ReadBack(p);
  gPreference.startupAction = 2;
  gPrefModify = true;
  for (auto step : {kx_filetest::kStepWrite, kx_filetest::kStepSync, kx_filetest::kStepRename}) {
    kx_filetest::FailStep(step, ENOSPC);
    EXPECT_EQ(KxWritePreference(p.string()), ENOSPC);
    kx_filetest::Reset();
    EXPECT_EQ(ReadBack(p), old);
    EXPECT_TRUE(gPrefModify);
  }
  if (geteuid() != 0) {
    fs::permissions(dir, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_NE(KxWritePreference(p.string()), 0);
    fs::permissions(dir, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(ReadBack(p), old);
  }
  EXPECT_EQ(KxWritePreference(p.string()), 0);
  EXPECT_NE(ReadBack(p), old);
}

// A damaged file (here a size running past the end) is read as far as it
// goes and copied beside itself before anything writes over it; when no
// copy can be made it is not written over, and the copy is tried again.
TEST_F(PrefsFile, ADamagedFileIsCopiedBeforeItIsWrittenOver) {
  const fs::path p = dir / "prefs", copy = dir / "prefs.damaged";
  gFilePref.recentFiles = 7;
  ASSERT_EQ(KxWritePreference(p.string(), true), 0);
  KxBlock damaged = ReadBack(p);
  KxPutU32BE(damaged.data() + 4, 0x10000);   // the first chunk's size
  for (bool blocked : {false, true}) {
    ASSERT_EQ(KxWriteFileSafely(p.string(), damaged.data(), damaged.size()), 0);
    fs::remove_all(copy);
    if (blocked) kx_filetest::FailStep(kx_filetest::kStepCreate, ENOSPC);   // no copy can be made
    KxSetGlobalDefaults();
    KxReadPreference(p.string(), (dir / "none").string());
    EXPECT_EQ(gFilePref.recentFiles, 16);   // beyond the damage: not read
    std::string kept;
    EXPECT_TRUE(KxPreferenceFileDamaged(&kept));
    EXPECT_EQ(kept, blocked ? "" : copy.string());
    gPrefModify = true;   // an ordinary change, as opening a file makes
    if (blocked) {
      kx_filetest::FailStep(kx_filetest::kStepCreate, ENOSPC);
      EXPECT_NE(KxWritePreference(p.string()), 0);
      EXPECT_EQ(ReadBack(p), damaged);
      EXPECT_FALSE(fs::exists(copy));
    }
    ASSERT_EQ(KxWritePreference(p.string()), 0);
    EXPECT_EQ(ReadBack(copy), damaged);
    EXPECT_NE(ReadBack(p), damaged);
  }
}

// Each damaged file gets a copy of its own: a later one goes to the next
// free name, whatever stands under the earlier names; with every name taken
// the file is left as it is.
TEST_F(PrefsFile, EveryDamagedFileKeepsACopyOfItsOwn) {
  const fs::path p = dir / "prefs";
  ASSERT_EQ(KxWritePreference(p.string(), true), 0);
  const KxBlock whole = ReadBack(p);
  const auto damage = [&](std::uint8_t mark) {
    KxBlock d = whole;
    KxPutU32BE(d.data() + 4, 0x10000);
    d.push_back(mark);   // tells the copies apart
    EXPECT_EQ(KxWriteFileSafely(p.string(), d.data(), d.size()), 0);
    KxSetGlobalDefaults();
    KxReadPreference(p.string(), (dir / "none").string());
    std::string kept;
    EXPECT_TRUE(KxPreferenceFileDamaged(&kept));
    gPrefModify = true;
    return std::pair{d, kept};
  };
  const auto [first, firstCopy] = damage(1);
  EXPECT_EQ(firstCopy, (dir / "prefs.damaged").string());
  ASSERT_EQ(KxWritePreference(p.string()), 0);
  fs::create_directories(dir / "prefs.damaged 2");   // not ours: skipped, not replaced
  const auto [second, secondCopy] = damage(2);
  EXPECT_EQ(secondCopy, (dir / "prefs.damaged 3").string());
  ASSERT_EQ(KxWritePreference(p.string()), 0);
  EXPECT_EQ(ReadBack(dir / "prefs.damaged"), first);
  EXPECT_EQ(ReadBack(dir / "prefs.damaged 3"), second);
  EXPECT_TRUE(fs::is_directory(dir / "prefs.damaged 2"));
  EXPECT_FALSE(fs::exists(dir / "prefs.damaged-new"));

  for (int k = 4; k <= 99; ++k) {
    std::FILE* f = std::fopen((dir / ("prefs.damaged " + std::to_string(k))).c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  const auto [third, thirdCopy] = damage(3);
  EXPECT_EQ(thirdCopy, "");
  EXPECT_NE(KxWritePreference(p.string()), 0);
  EXPECT_EQ(ReadBack(p), third);
  EXPECT_FALSE(fs::exists(dir / "prefs.damaged 100"));
  EXPECT_EQ(ReadBack(dir / "prefs.damaged"), first);
  EXPECT_FALSE(fs::exists(dir / "prefs.damaged-new"));
}

// A file that is there but cannot be read is reported with its reason and
// never written over; a missing one is a first run. Forcing the write does
// not get past it either.
TEST_F(PrefsFile, AnUnreadableFileIsReportedAndLeftAlone) {
  const fs::path p = dir / "prefs";
  KxReadPreference(p.string(), (dir / "none").string());
  EXPECT_EQ(KxPreferenceFileUnreadable(), 0);

  fs::create_directories(p / "inside");   // a folder where the file belongs
  std::string where;
  EXPECT_FALSE(KxReadPreference(p.string(), (dir / "none").string()));
  EXPECT_EQ(KxPreferenceFileUnreadable(&where), EISDIR);
  EXPECT_EQ(where, p.string());
  gPrefModify = true;
  EXPECT_EQ(KxWritePreference(p.string()), EISDIR);
  EXPECT_EQ(KxWritePreference(p.string(), true), EISDIR);
  EXPECT_TRUE(fs::is_directory(p / "inside"));
  EXPECT_TRUE(gPrefModify);
  // Another path is written as usual.
  EXPECT_EQ(KxWritePreference((dir / "other").string()), 0);

  const fs::path file = dir / "file";   // a file where the folder belongs
  ASSERT_EQ(KxWriteFileSafely(file.string(), "x", 1), 0);
  KxReadPreference((file / "prefs").string(), (dir / "none").string());
  EXPECT_EQ(KxPreferenceFileUnreadable(), ENOTDIR);

  if (geteuid() != 0) {
    fs::remove_all(p);
    ASSERT_EQ(KxWritePreference(p.string(), true), 0);
    const KxBlock old = ReadBack(p);
    fs::permissions(p, fs::perms::none);
    KxReadPreference(p.string(), (dir / "none").string());
    EXPECT_EQ(KxPreferenceFileUnreadable(), EACCES);
    EXPECT_EQ(KxWritePreference(p.string(), true), EACCES);
    fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadBack(p), old);
  }
  // A later read that works forgets it.
  KxReadPreference((dir / "other").string(), (dir / "none").string());
  EXPECT_EQ(KxPreferenceFileUnreadable(), 0);
}

// A stream cut inside an unknown chunk keeps the chunks before it, not the
// piece of the cut one: written back, that would stay in the file as junk.
TEST_F(PrefsFile, ADamagedStreamKeepsOnlyWholeUnknownChunks) {
  KxBlock s = KxBuildPreferenceStream();
  Chunk(s, "ZZZ1", KxBlock(6, 0x21));
  const std::size_t beforeSecond = s.size();
  Chunk(s, "ZZZ2", KxBlock(10, 0x22));
  const auto tags = [] {
    const KxBlock out = KxBuildPreferenceStream();
    std::vector<OSType> t;
    for (const KxPrefChunk& c : KxParsePrefChunks(out.data(), out.size())) t.push_back(c.tag);
    return t;
  };
  const auto has = [](const std::vector<OSType>& t, const char* tag) {
    return std::find(t.begin(), t.end(), KxGetU32BE(reinterpret_cast<const std::uint8_t*>(tag))) != t.end();
  };
  struct Case {
    const char* what;
    std::size_t keep;
    bool second;
  };
  const Case cases[] = {
      {"whole", s.size(), true},
      {"cut inside the last chunk's data", s.size() - 3, false},
      {"cut inside the last chunk's header", beforeSecond + 5, false},
      {"only the last chunk's header", beforeSecond + 8, false},
  };
  for (const Case& c : cases) {
    KxSetGlobalDefaults();
    EXPECT_EQ(KxApplyPreferenceStream(s.data(), c.keep), c.second) << c.what;
    const auto t = tags();
    EXPECT_TRUE(has(t, "ZZZ1")) << c.what;
    EXPECT_EQ(has(t, "ZZZ2"), c.second) << c.what;
  }
  // A size that runs past the end, the stream not cut.
  KxBlock t = s;
  KxPutU32BE(t.data() + beforeSecond + 4, 11);
  KxSetGlobalDefaults();
  EXPECT_FALSE(KxApplyPreferenceStream(t.data(), t.size()));
  EXPECT_FALSE(has(tags(), "ZZZ2"));
}

// Without $HOME the home folder comes from the password database; a user
// without an entry there gets no preference folder at all, never the
// current folder.
TEST_F(PrefsFile, WithoutHomeThePasswordDatabaseGivesTheFolder) {
  const char* savedHome = std::getenv("HOME");
  const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string keepHome = savedHome ? savedHome : "", keepXdg = savedXdg ? savedXdg : "";
  unsetenv("XDG_CONFIG_HOME");
  const passwd* me = getpwuid(geteuid());
  const std::string home = me && me->pw_dir ? me->pw_dir : "";
  for (bool empty : {false, true}) {
    if (empty) setenv("HOME", "", 1);
    else unsetenv("HOME");
    if (home.rfind('/', 0) == 0) {
      EXPECT_EQ(KxPreferenceFolder(), home + "/.config/kxtext");
    }
    EXPECT_EQ(KxPreferenceFolder().rfind('.', 0), std::string::npos);
  }
  if (geteuid() == 0) {
    // A user the password database does not know.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      uid_t unknown = 54321;
      while (getpwuid(unknown)) ++unknown;
      if (setresuid(unknown, unknown, unknown) != 0) _exit(3);
      gPrefModify = true;
      const bool ok = KxPreferenceFolder().empty() && KxPreferencePath().empty() && KxWritePreference("") == ENOENT &&
                      !KxReadPreference("", "/nonexistent");
      _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  if (savedHome) setenv("HOME", keepHome.c_str(), 1);
  else unsetenv("HOME");
  if (savedXdg) setenv("XDG_CONFIG_HOME", keepXdg.c_str(), 1);
}

TEST_F(PrefsFile, FoldersFollowTheEnvironment) {
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string keep = saved ? saved : "";
  setenv("XDG_CONFIG_HOME", "/x/config", 1);
  EXPECT_EQ(KxPreferencePath(), "/x/config/kxtext/preferences");
  setenv("XDG_CONFIG_HOME", "relative", 1);   // not absolute: ignored
  EXPECT_NE(KxPreferenceFolder().find("/.config/kxtext"), std::string::npos);
  if (saved) setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
  else unsetenv("XDG_CONFIG_HOME");
  EXPECT_NE(KxFactorySettingsPath().find("/factory/preferences"), std::string::npos);
}

}  // namespace

// The stored function-key block reaches the key handling: a whole block
// binds its 48 commands in order; a short one binds none.
TEST_F(PrefsFile, StoredFunctionKeysReachTheKeyHandling) {
  gFunckeyHandle.assign(kKxFunckeySize, 0);
  KxPutU16BE(&gFunckeyHandle[2 * 4], 1222);          // F5, plain
  KxPutU16BE(&gFunckeyHandle[2 * (3 * 12 + 4)], 5);  // F5 with shift and option
  KxUseStoredFunctionKeys();
  const CKXFunctionKeys& keys = CKXFunctionKeys::Get();
  EXPECT_EQ(keys.Command(0, 5), 1222);
  EXPECT_EQ(keys.Command(3, 5), 5);
  EXPECT_EQ(keys.Command(0, 4), 0);
  EXPECT_EQ(keys.Command(4, 5), 0);   // no such plane
  EXPECT_EQ(keys.Command(0, 13), 0);  // F13 and above have no table entry
  gFunckeyHandle.resize(kKxFunckeySize - 2);
  EXPECT_EQ(keys.Command(0, 5), 0);
  gFunckeyHandle.clear();
}
